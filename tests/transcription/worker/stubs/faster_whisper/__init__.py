"""Stand-in for faster-whisper: scripted segments instead of speech recognition."""

import time
from types import SimpleNamespace

from stubscript import log, script


class WhisperModel:
    def __init__(self, model_size_or_path, device="auto", compute_type="default"):
        plan = script()
        if plan.get("loadError"):
            raise RuntimeError(plan["loadError"])
        log("load", model=model_size_or_path, device=device, compute_type=compute_type)

    def transcribe(self, audio, language=None, initial_prompt=None, vad_filter=False, **others):
        plan = script()
        log(
            "transcribe",
            samples=len(audio),
            first=audio[0] if len(audio) else None,
            language=language,
            initial_prompt=initial_prompt,
            vad_filter=vad_filter,
        )
        if plan.get("transcribeSleep"):
            # A long native call: Python cannot run signal handlers in this thread meanwhile.
            time.sleep(plan["transcribeSleep"])
        segments = (SimpleNamespace(start=s, end=e, text=t) for s, e, t in plan.get("segments", []))
        return segments, SimpleNamespace(language=language)
