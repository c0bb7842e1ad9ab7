#!/usr/bin/python3
# A stand-in for the runtime's interpreter: it honours the worker contract (reads the
# request named by its last argument, writes the transcript it names) and does what the
# file "behaviour" in its runtime folder says. It records what it was given in "seen.json".
import json
import os
import signal
import subprocess
import sys
import time

runtime = os.path.dirname(os.path.dirname(os.path.abspath(sys.argv[0])))


def path(name):
    return os.path.join(runtime, name)


def touch(name):
    open(path(name), "w").close()


with open(path("behaviour")) as file:
    behaviour = file.read().strip()

# The environment as the process received it, before Python's own locale adjustments.
with open("/proc/self/environ", "rb") as file:
    environment = dict(
        entry.decode("utf-8").split("=", 1) for entry in file.read().split(b"\0") if entry
    )
request_path = sys.argv[-1]
with open(request_path, "rb") as file:
    request_text = file.read().decode("utf-8")
request = json.loads(request_text)
with open(path("seen.json"), "w", encoding="utf-8") as file:
    json.dump(
        {
            "arguments": sys.argv[1:],
            "environment": environment,
            "request": request_text,
            "audioBytes": os.path.getsize(request["audio"]),
        },
        file,
    )

# "Olá." with the accent as a combining mark: one user-perceived character, two code points.
TWO_SPEAKERS = [
    {"locutor": "Ana", "inicio": 0.0, "fim": 1.5, "texto": "Ola\u0301."},
    {"locutor": "Bruno", "inicio": 1.5, "fim": 3.2, "texto": "Tudo bem?"},
]


def write(transcript):
    with open(request["output"], "w", encoding="utf-8") as file:
        json.dump(transcript, file, ensure_ascii=False)


def progress(*steps):
    for stage, fraction in steps:
        print(f"TELVORA-PROGRESS {stage} {fraction}", flush=True)


# What a real worker reports on a recording with two speakers.
STAGES = [("loading", 0), ("loading", 1), ("recognition", 0), ("recognition", 0.1), ("recognition", 0.25),
          ("recognition", 0.5), ("recognition", 0.75), ("recognition", 1), ("diarization", 0),
          ("diarization", 0.5), ("diarization", 1)]


def wait_for(name):
    touch("started")
    for _ in range(600):
        if os.path.exists(path(name)):
            return
        time.sleep(0.05)
    sys.exit(4)


if behaviour == "twoSpeakers":
    write(TWO_SPEAKERS)
elif behaviour == "noTranscript":
    pass
elif behaviour == "empty":
    write([])
elif behaviour == "verbatim":
    # The transcript the test left in the runtime, byte for byte, malformed ones included.
    with open(path("transcript"), "rb") as source, open(request["output"], "wb") as file:
        file.write(source.read())
elif behaviour == "failLoudly":
    # 5000 user-perceived characters; every seventh is an "é" made of two code points.
    sys.stdout.write("".join("e\u0301" if i % 7 == 0 else chr(ord("a") + i % 26) for i in range(5000)))
    sys.stdout.flush()
    sys.exit(2)
elif behaviour == "progress":
    progress(*STAGES)
    write(TWO_SPEAKERS)
elif behaviour == "progressThenFail":
    # Progress, a diagnostic, and one more progress line from a thread still running.
    progress(*STAGES[:5])
    sys.stderr.write("Memória insuficiente para o modelo large-v3-turbo.\n")
    sys.stderr.flush()
    progress(("recognition", 0.3))
    sys.exit(1)
elif behaviour == "sleepUntilInterrupted" or (behaviour == "firstOnly" and os.path.exists(path("ran"))):
    # "firstOnly": the first recording is transcribed at once, every later one waits like this.

    def interrupted(*_):
        # Still reporting after the interrupt, as a worker's busy thread may.
        progress(("recognition", 0.9))
        touch("interrupted")
        write(TWO_SPEAKERS)
        sys.exit(0)

    signal.signal(signal.SIGINT, interrupted)
    progress(("loading", 0))
    wait_for("never")
elif behaviour == "helperHoldsOutput":
    # A helper that inherits the worker's output, as a stray child of an engine may.
    helper = subprocess.Popen(["sleep", "300"])
    with open(path("pids"), "w") as file:
        file.write(f"{os.getpid()} {helper.pid}")
    wait_for("never")
elif behaviour == "firstOnly":
    touch("ran")
    write(TWO_SPEAKERS)
elif behaviour == "waitForGo":
    wait_for("go")
    write(TWO_SPEAKERS)
else:
    sys.exit(f"unknown behaviour {behaviour}")
