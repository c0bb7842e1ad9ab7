"""What the stub engines do and what they were asked, shared through two files named in the
environment: TELVORA_STUB_SCRIPT (JSON, read) and TELVORA_STUB_LOG (JSON lines, appended)."""

import ctypes
import json
import os
import time


def script():
    with open(os.environ["TELVORA_STUB_SCRIPT"], encoding="utf-8") as file:
        return json.load(file)


def log(call, **details):
    with open(os.environ["TELVORA_STUB_LOG"], "a", encoding="utf-8") as file:
        file.write(json.dumps({"call": call, "pid": os.getpid(), **details}) + "\n")


def native_call(stage):
    """Stands for a long call into an engine's native code that keeps Python's global lock,
    as sherpa-onnx's diarization does: no other thread of the process runs Python, signal
    handlers included, until it returns. `"holdGil": {"stage": ..., "seconds": ...}`."""
    hold = script().get("holdGil") or {}
    if hold.get("stage") != stage:
        return
    log("native", stage=stage)
    # PyDLL calls keep the lock; libc's sleep() may return early on a signal, so go on
    # until the time is up, without ever passing through the interpreter's loop for long.
    libc = ctypes.PyDLL(None)
    end = time.monotonic() + hold["seconds"]
    while (left := end - time.monotonic()) > 0:
        libc.sleep(max(1, int(left)))
