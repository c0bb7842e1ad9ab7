"""Benchmark of the real transcription engine on this machine's CPU.

    python3 bench/engine/engine_bench.py [--minutes 10] [--repeats 5]

Uses the engine and models that the real-engine tests install (tests/transcription/real/
engine_cache.py: telvora-install-engine on Debian's python3, Whisper base in CTranslate2
form, pyannote segmentation and WeSpeaker embedding), prepared first if needed. It speaks
a recording with espeak-ng (two voices taking turns) and measures:

- recognition speed, in seconds of audio per second, for the worker's settings (int8,
  one thread per core) against float32 and faster-whisper's batched inference;
- the time from SIGINT to the worker's end in each stage (loading, recognition,
  speaker identification);
- the time of each stage and the peak memory (the largest resident set of the worker and
  its engine process) of a whole transcription with speaker identification of the
  recording (10 minutes by default).
"""

import argparse
import importlib.util
import json
import os
import signal
import statistics
import subprocess
import sys
import tempfile
import time

SOURCE = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
spec = importlib.util.spec_from_file_location(
    "engine_cache", os.path.join(SOURCE, "tests", "transcription", "real", "engine_cache.py")
)
engine_cache = importlib.util.module_from_spec(spec)
spec.loader.exec_module(engine_cache)
WORKER = os.path.join(SOURCE, "worker", "worker.py")

TURNS = (
    ("pt-br", "Bom dia a todos. Hoje vamos falar sobre a transcrição de entrevistas. "
              "O programa reconhece a fala em português e separa quem fala."),
    ("pt-br+f4", "Obrigada pelo convite. A reunião começa amanhã às nove horas. "
                 "Depois vamos almoçar juntos no restaurante perto do escritório."),
)


def speak(folder, minutes):
    """Raw samples (f32le, 16 kHz mono) of the two voices taking turns for `minutes`."""
    turns = []
    for index, (voice, text) in enumerate(TURNS):
        wav = os.path.join(folder, f"voz{index}.wav")
        subprocess.run(["espeak-ng", "-v", voice, "-s", "140", "-w", wav, text], check=True)
        raw = subprocess.run(["ffmpeg", "-loglevel", "error", "-i", wav, "-af", "apad=pad_dur=0.6", "-ac", "1",
                              "-ar", "16000", "-f", "f32le", "-"], capture_output=True, check=True).stdout
        turns.append(raw)
    wanted = int(minutes * 60 * 16000 * 4)
    data = bytearray()
    turn = 0
    while len(data) < wanted:
        data += turns[turn % 2]
        turn += 1
    path = os.path.join(folder, f"fala-{minutes:g}min.f32")
    with open(path, "wb") as file:
        file.write(bytes(data[:wanted]))
    return path


def request(folder, samples, diarization=True):
    models = engine_cache.models()
    path = os.path.join(folder, "request.json")
    with open(path, "w") as file:
        json.dump({
            "audio": samples, "output": os.path.join(folder, "transcript.json"),
            "options": {"model": os.path.join(models, "whisper-base"), "language": "pt", "vocabulary": "",
                        "diarization": diarization, "speakerCount": 2, "speakerNames": "",
                        "segmentationModel": os.path.join(models, "segmentation.onnx"),
                        "embeddingModel": os.path.join(models, "embedding.onnx")},
        }, file)
    return path


# Runs a command and writes the largest resident set (KiB) of its process tree to a file.
MEASURED = r"""
import resource, subprocess, sys
status = subprocess.call(sys.argv[2:])
with open(sys.argv[1], "w") as file:
    file.write(str(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss))
sys.exit(status)
"""


def start_worker(folder, request_path, peak_file=None):
    environment = {"HOME": folder, "TMPDIR": folder, "PATH": "/usr/bin:/bin", "LANG": "en_US.UTF-8",
                   "PYTHONUNBUFFERED": "1"}
    command = [engine_cache.python(), "-I", "-B", WORKER, request_path]
    if peak_file:
        command = [sys.executable, "-c", MEASURED, peak_file, *command]
    return subprocess.Popen(command, env=environment, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)


def whole_run(folder, samples):
    """Stage times and peak memory of one transcription with speaker identification."""
    peak_file = os.path.join(folder, "peak")
    started = time.monotonic()
    process = start_worker(folder, request(folder, samples), peak_file)
    firsts = {}
    for line in process.stdout:
        if line.startswith("TELVORA-PROGRESS"):
            firsts.setdefault(line.split()[1], time.monotonic() - started)
    process.wait()
    total = time.monotonic() - started
    with open(peak_file) as file:
        peak = int(file.read())
    if process.returncode:
        sys.exit(f"the worker failed with status {process.returncode}")
    stages = {
        "loading": firsts["recognition"] - firsts["loading"],
        "recognition": firsts.get("diarization", total) - firsts["recognition"],
        "diarization": total - firsts["diarization"] if "diarization" in firsts else 0.0,
    }
    # ru_maxrss of the waited-for descendants: the largest of the worker and its engine.
    return total, stages, peak / 1024


def cancel_times(folder, samples, repeats):
    times = {}
    for stage in ("loading", "recognition", "diarization"):
        times[stage] = []
        for _ in range(repeats):
            process = start_worker(folder, request(folder, samples))
            for line in process.stdout:
                if line.startswith(f"TELVORA-PROGRESS {stage} "):
                    break
            time.sleep(0.3)
            if process.poll() is not None:
                sys.exit(f"the worker ended before the interrupt during {stage}")
            interrupted = time.monotonic()
            process.send_signal(signal.SIGINT)
            process.communicate()
            times[stage].append(time.monotonic() - interrupted)
            if process.returncode != 130:
                sys.exit(f"status {process.returncode} after an interrupt during {stage}")
    return times


SPEED = r"""
import json, os, sys, time
import numpy
from faster_whisper import BatchedInferencePipeline, WhisperModel
samples = numpy.fromfile(sys.argv[1], dtype="<f4")
results = {}
for compute_type, batched in (("int8", False), ("float32", False), ("int8", True)):
    model = WhisperModel(sys.argv[2], device="cpu", compute_type=compute_type, cpu_threads=len(os.sched_getaffinity(0)))
    engine = BatchedInferencePipeline(model) if batched else model
    options = {"batch_size": 8} if batched else {}
    started = time.monotonic()
    segments, _ = engine.transcribe(samples, language="pt", vad_filter=True, **options)
    text = " ".join(segment.text for segment in segments)
    results[f"{compute_type}{' batched' if batched else ''}"] = len(samples) / 16000 / (time.monotonic() - started)
print(json.dumps(results))
"""


def speeds(samples):
    measured = subprocess.run([engine_cache.python(), "-I", "-c", SPEED, samples,
                               os.path.join(engine_cache.models(), "whisper-base")],
                              capture_output=True, text=True, check=True)
    return json.loads(measured.stdout.strip().splitlines()[-1])


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--minutes", type=float, default=10)
    parser.add_argument("--repeats", type=int, default=5)
    arguments = parser.parse_args()
    engine_cache.prepare()
    cores = len(os.sched_getaffinity(0))
    with tempfile.TemporaryDirectory(prefix="telvora-engine-bench-") as folder:
        short = speak(folder, 2)
        print(f"Whisper base (CTranslate2), {cores} cores, 2 min of espeak-ng speech:")
        for name, value in speeds(short).items():
            print(f"  recognition {name:14} {value:5.1f} s of audio per second")
        print(f"Time from SIGINT to the worker's end, {arguments.repeats} runs per stage (2 min of speech):")
        for stage, values in cancel_times(folder, short, arguments.repeats).items():
            print(f"  {stage:12} median {statistics.median(values):.2f} s, max {max(values):.2f} s")
        long = speak(folder, arguments.minutes)
        total, stages, peak = whole_run(folder, long)
        seconds = arguments.minutes * 60
        print(f"Whole transcription with speaker identification, {arguments.minutes:g} min of speech:")
        print(f"  {total:.0f} s in all ({seconds / total:.1f} s of audio per second): "
              + ", ".join(f"{stage} {value:.0f} s" for stage, value in stages.items()))
        print(f"  peak memory {peak:.0f} MiB (largest resident set of the worker's processes)")


if __name__ == "__main__":
    main()
