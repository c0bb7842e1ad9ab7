"""Stand-in for faster-whisper 1.2.1: scripted segments instead of speech recognition.
The signatures are the real ones, so a keyword the library does not know fails here too."""

import os
import signal
from types import SimpleNamespace

from stubscript import log, native_call, script


class WhisperModel:
    def __init__(
        self,
        model_size_or_path,
        device="auto",
        device_index=0,
        compute_type="default",
        cpu_threads=0,
        num_workers=1,
        download_root=None,
        local_files_only=False,
        files=None,
        revision=None,
        use_auth_token=None,
        **model_kwargs,
    ):
        plan = script()
        log("load", model=model_size_or_path, device=device, compute_type=compute_type, cpu_threads=cpu_threads)
        native_call("load")
        if plan.get("loadError"):
            raise RuntimeError(plan["loadError"])
        self.device = device

    def transcribe(
        self,
        audio,
        language=None,
        task="transcribe",
        log_progress=False,
        beam_size=5,
        best_of=5,
        patience=1,
        length_penalty=1,
        repetition_penalty=1,
        no_repeat_ngram_size=0,
        temperature=(0.0, 0.2, 0.4, 0.6, 0.8, 1.0),
        compression_ratio_threshold=2.4,
        log_prob_threshold=-1.0,
        no_speech_threshold=0.6,
        condition_on_previous_text=True,
        prompt_reset_on_temperature=0.5,
        initial_prompt=None,
        prefix=None,
        suppress_blank=True,
        suppress_tokens=(-1,),
        without_timestamps=False,
        max_initial_timestamp=1.0,
        word_timestamps=False,
        prepend_punctuations="\"'“¿([{-",
        append_punctuations="\"'.。,，!！?？:：”)]}、",
        multilingual=False,
        vad_filter=False,
        vad_parameters=None,
        max_new_tokens=None,
        chunk_length=None,
        clip_timestamps="0",
        hallucination_silence_threshold=None,
        hotwords=None,
        language_detection_threshold=0.5,
        language_detection_segments=1,
    ):
        plan = script()
        log(
            "transcribe",
            device=self.device,
            samples=len(audio),
            first=float(audio[0]) if len(audio) else None,
            language=language,
            initial_prompt=initial_prompt,
            hotwords=hotwords,
            vad_filter=vad_filter,
        )
        # Like the real one, a generator: the work happens while the segments are read.
        def segments():
            native_call("transcribe")
            die = plan.get("die") or {}
            if "exitStatus" in die:
                os._exit(die["exitStatus"])
            if "signal" in die:
                os.kill(os.getpid(), die["signal"])
            if self.device == "cuda" and plan.get("cudaFails"):
                raise RuntimeError("Library libcublas.so.12 is not found or cannot be loaded")
            for start, end, text in plan.get("segments", []):
                yield SimpleNamespace(start=start, end=end, text=text)

        return segments(), SimpleNamespace(language=language)
