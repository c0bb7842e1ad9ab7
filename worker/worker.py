"""Telvora's local transcription worker.

Run by Telvora as `python3 -I -B worker.py <request.json>`. The request names a file of
headerless 32-bit float little-endian mono samples at 16 kHz ("audio"), the transcript file
to write ("output") and the transcription options ("options"). Speech is recognised with
faster-whisper and speakers are told apart with sherpa-onnx; the transcript is a JSON array
of {"locutor", "inicio", "fim", "texto"} segments. On failure the worker prints one line in
Portuguese and exits with a non-zero status; SIGINT stops it within a fraction of a second,
with status 130.

While it works it prints progress lines, `TELVORA-PROGRESS <stage> <fraction>`, with the
stages "loading", "recognition" and "diarization" and a fraction from 0 to 1 of that stage;
the program shows them and keeps them out of the diagnostic it reports.

The process the program starts only supervises: it checks the request, fetches the default
speaker models, and runs the engines in a child process of its own (the same script with
--engine). The engines spend long stretches in native code that holds Python's global lock
(sherpa-onnx's diarization for minutes), during which no Python code of that process runs,
not even a signal handler; the supervisor never calls them, so it always hears SIGINT and
kills the child at once.
"""

import array
import ctypes
import hashlib
import json
import os
import signal
import subprocess
import sys
import tarfile
import tempfile
import threading
import urllib.request
import warnings
from dataclasses import dataclass

SAMPLE_RATE = 16000
INTERRUPTED_STATUS = 130

# Options and their JSON types, in the order the program writes them.
OPTION_TYPES = {
    "model": str,
    "language": str,
    "vocabulary": str,
    "diarization": bool,
    "speakerCount": int,
    "speakerNames": str,
    "segmentationModel": str,
    "embeddingModel": str,
}

# More speakers than this is no recording a person makes; sherpa-onnx takes the count as a
# 32-bit integer and would only fail after the whole recognition.
MAX_SPEAKERS = 100


@dataclass(frozen=True)
class DefaultModel:
    url: str
    file: str  # name in the cache folder
    size: int  # bytes of the download
    sha256: str  # of the download
    member: str = ""  # the file to take out of a downloaded archive


# Default diarization models, fetched on first use into the user's cache. The digests pin
# the files of sherpa-onnx's model releases: a changed or damaged file is never used.
SEGMENTATION = DefaultModel(
    url="https://github.com/k2-fsa/sherpa-onnx/releases/download/speaker-segmentation-models/"
    "sherpa-onnx-pyannote-segmentation-3-0.tar.bz2",
    file="segmentation.onnx",
    size=6958444,
    sha256="24615ee884c897d9d2ba09bb4d30da6bb1b15e685065962db5b02e76e4996488",
    member="sherpa-onnx-pyannote-segmentation-3-0/model.onnx",
)
EMBEDDING = DefaultModel(
    url="https://github.com/k2-fsa/sherpa-onnx/releases/download/speaker-recongition-models/"
    "wespeaker_en_voxceleb_resnet34.onnx",
    file="embedding.onnx",
    size=26534365,
    sha256="5ef208a9da1453335308a6b6f4e6dfbd7e183a38b604de0a57664f45d257fe94",
)
CLUSTER_THRESHOLD = 0.5

# What sherpa-onnx reads from a model's metadata; without one of them it ends the whole
# process from native code, so the worker checks first and says what is wrong.
SEGMENTATION_METADATA = (
    "sample_rate",
    "window_size",
    "receptive_field_size",
    "receptive_field_shift",
    "num_speakers",
    "powerset_max_classes",
    "num_classes",
)
# NeMo models are read by another extractor, which has no use for normalize_samples.
EMBEDDING_METADATA = {
    "wespeaker": ("output_dim", "sample_rate", "normalize_samples"),
    "3d-speaker": ("output_dim", "sample_rate", "normalize_samples"),
    "nemo": ("output_dim", "sample_rate"),
}

# CTranslate2 loads these lazily on the first CUDA call and throws when they are missing.
CUDA_LIBRARIES = ("libcublas.so.12", "libcudnn.so.9")

PROGRESS_MARK = "TELVORA-PROGRESS"
# Fractions are printed in steps of half a percent, so a long stage prints at most 201 lines.
PROGRESS_STEPS = 200

ENGINE_FLAG = "--engine"
PR_SET_PDEATHSIG = 1


class WorkerError(Exception):
    """A failure the user reads: one line in Portuguese."""


@dataclass
class Request:
    audio: str
    output: str
    options: dict


@dataclass
class Segment:
    start: float
    end: float
    text: str


@dataclass
class Turn:
    start: float
    end: float
    speaker: int


class Progress:
    """Prints how far each stage got, from 0 to 1, whenever it reaches a new step."""

    def __init__(self):
        self.lock = threading.Lock()
        self.stage = None
        self.step = -1

    def report(self, stage, fraction):
        fraction = min(max(float(fraction), 0.0), 1.0)
        step = int(fraction * PROGRESS_STEPS)
        with self.lock:
            if stage == self.stage and step <= self.step:
                return
            self.stage, self.step = stage, step
            sys.stdout.write(f"{PROGRESS_MARK} {stage} {fraction:.4f}\n")
            sys.stdout.flush()


def read_request(path):
    try:
        with open(path, "rb") as file:
            document = json.loads(file.read().decode("utf-8"))
    except (OSError, UnicodeDecodeError, ValueError) as error:
        raise WorkerError(f"Não foi possível ler o pedido de transcrição: {describe(error)}.") from error
    if not isinstance(document, dict):
        raise WorkerError("O pedido de transcrição não é um objeto JSON.")
    for key in ("audio", "output"):
        if not isinstance(document.get(key), str) or not document[key]:
            raise WorkerError(f"O pedido de transcrição não informa \"{key}\".")
    options = document.get("options")
    if not isinstance(options, dict):
        raise WorkerError("O pedido de transcrição não traz as opções.")
    for key, kind in OPTION_TYPES.items():
        value = options.get(key)
        # bool is an int in Python: a flag must not pass for a count.
        if not isinstance(value, kind) or (kind is int and isinstance(value, bool)):
            raise WorkerError(f"A opção \"{key}\" do pedido de transcrição está ausente ou inválida.")
    count = options["speakerCount"]
    if not 0 <= count <= MAX_SPEAKERS:
        raise WorkerError(
            f"O número de falantes deve ficar entre 0 (automático) e {MAX_SPEAKERS}; o pedido traz {count}."
        )
    return Request(document["audio"], document["output"], options)


def read_samples(path):
    try:
        with open(path, "rb") as file:
            data = file.read()
    except OSError as error:
        raise WorkerError(f"Não foi possível ler as amostras de áudio: {describe(error)}.") from error
    if not data:
        raise WorkerError("O arquivo de amostras de áudio está vazio.")
    if len(data) % 4:
        raise WorkerError("O arquivo de amostras de áudio está incompleto.")
    samples = array.array("f")
    samples.frombytes(data)
    if sys.byteorder == "big":
        samples.byteswap()
    return samples


def speaker_names(text):
    return [name.strip() for name in text.split(",") if name.strip()]


def overlap(segment, turn):
    return max(0.0, min(segment.end, turn.end) - max(segment.start, turn.start))


def distance(segment, turn):
    return max(turn.start - segment.end, segment.start - turn.end, 0.0)


def assign_speakers(segments, turns):
    """The speaker who talks most during each segment; the nearest one in a pause."""
    if not turns:
        return [0] * len(segments)
    first_speech = {}
    for turn in sorted(turns, key=lambda t: t.start):
        first_speech.setdefault(turn.speaker, turn.start)
    speakers = []
    for segment in segments:
        talk = {}
        for turn in turns:
            talk[turn.speaker] = talk.get(turn.speaker, 0.0) + overlap(segment, turn)
        best = max(talk, key=lambda speaker: (talk[speaker], -first_speech[speaker]))
        if talk[best] <= 0.0:
            best = min(turns, key=lambda turn: (distance(segment, turn), turn.start)).speaker
        speakers.append(best)
    return speakers


def label_speakers(speakers, names):
    """Names in order of first speech, then generic labels numbered in that order."""
    order = {}
    for speaker in speakers:
        order.setdefault(speaker, len(order))
    labels = []
    for speaker in speakers:
        index = order[speaker]
        labels.append(names[index] if index < len(names) else f"Locutor {index + 1}")
    return labels


def transcript(segments, labels):
    return [
        {"locutor": label, "inicio": round(segment.start, 3), "fim": round(segment.end, 3), "texto": segment.text}
        for segment, label in zip(segments, labels)
    ]


def write_transcript(path, items):
    data = json.dumps(items, ensure_ascii=False, indent=2).encode("utf-8")
    folder = os.path.dirname(os.path.abspath(path))
    try:
        handle, temporary = tempfile.mkstemp(prefix=".transcript-", dir=folder)
        try:
            with os.fdopen(handle, "wb") as file:
                file.write(data)
            os.replace(temporary, path)
        except BaseException:
            os.unlink(temporary)
            raise
    except OSError as error:
        raise WorkerError(f"Não foi possível gravar a transcrição: {describe(error)}.") from error


def describe(error):
    if isinstance(error, OSError) and error.strerror:
        return f"{error.strerror} ({error.filename})" if error.filename else error.strerror
    return " ".join(str(error).split()) or type(error).__name__


def cores():
    try:
        return max(1, len(os.sched_getaffinity(0)))
    except (AttributeError, OSError):
        return max(1, os.cpu_count() or 1)


def needs_diarization(options):
    # One expected speaker needs no diarization (and no diarization models).
    return options["diarization"] and options["speakerCount"] != 1


# Speaker models: found or fetched by the supervisor, checked by the engine.


def cache_folder():
    base = os.environ.get("XDG_CACHE_HOME") or os.path.join(os.path.expanduser("~"), ".cache")
    return os.path.join(base, "telvora", "diarization")


def fetch(model, name, folder):
    """Downloads a default model once. Only a download of the pinned length and digest
    takes the final name: a connection that closes early gives short data without an
    error, and a cut or changed file would otherwise stay in the cache for good."""
    destination = os.path.join(folder, model.file)
    if os.path.isfile(destination):
        return destination
    try:
        os.makedirs(folder, exist_ok=True)
        with tempfile.TemporaryDirectory(prefix=".download-", dir=folder) as scratch:
            download = os.path.join(scratch, "download")
            digest = hashlib.sha256()
            received = 0
            with urllib.request.urlopen(model.url, timeout=60) as response, open(download, "wb") as file:
                announced = response.headers.get("Content-Length")
                while chunk := response.read(1 << 20):
                    file.write(chunk)
                    digest.update(chunk)
                    received += len(chunk)
            if announced is not None and announced.isdigit() and int(announced) != received:
                raise WorkerError(
                    f"O download do modelo {name} foi interrompido ({received} de {announced} bytes). Tente de novo."
                )
            if received != model.size or digest.hexdigest() != model.sha256:
                raise WorkerError(
                    f"O modelo {name} baixado não confere com o esperado ({received} bytes, "
                    f"SHA-256 {digest.hexdigest()}). Tente de novo mais tarde."
                )
            if model.member:
                # Only the member's bytes are taken, never a path or a link from the archive
                # (Debian 12's Python 3.11.2 has no extraction filters).
                member = os.path.join(scratch, "member")
                with tarfile.open(download) as archive, open(member, "wb") as file:
                    source = archive.extractfile(model.member)
                    if source is None:
                        raise KeyError(model.member)
                    while chunk := source.read(1 << 20):
                        file.write(chunk)
                download = member
            os.replace(download, destination)
    except (OSError, tarfile.TarError, KeyError) as error:
        raise WorkerError(f"Não foi possível baixar o modelo {name}: {describe(error)}.") from error
    return destination


def model_file(configured, kind):
    if not os.path.isfile(configured):
        raise WorkerError(f"O modelo de {kind} não foi encontrado: {configured}.")
    return configured


def speaker_models(options):
    """The segmentation and embedding model files, fetched if they are the defaults."""
    folder = cache_folder()
    segmentation = (
        model_file(options["segmentationModel"], "segmentação de locutores")
        if options["segmentationModel"]
        else fetch(SEGMENTATION, "de segmentação de locutores", folder)
    )
    embedding = (
        model_file(options["embeddingModel"], "identificação de locutores")
        if options["embeddingModel"]
        else fetch(EMBEDDING, "de identificação de locutores", folder)
    )
    return segmentation, embedding


def engine_module(name):
    try:
        return __import__(name)
    except ImportError as error:
        raise WorkerError(
            f"A engine local está incompleta (falta {name}). Reinstale-a com telvora-install-engine."
        ) from error


def model_metadata(path, kind):
    """The model's metadata as onnxruntime reads it; a file it cannot load is refused."""
    onnxruntime = engine_module("onnxruntime")
    try:
        options = onnxruntime.SessionOptions()
        options.log_severity_level = 4
        session = onnxruntime.InferenceSession(path, sess_options=options, providers=["CPUExecutionProvider"])
        return dict(session.get_modelmeta().custom_metadata_map)
    except Exception as error:
        raise WorkerError(f"O modelo de {kind} não é um modelo ONNX válido: {path}.") from error


def check_metadata(path, kind, required, metadata):
    missing = [key for key in required if key not in metadata]
    if missing:
        raise WorkerError(
            f"O modelo de {kind} não traz os metadados que o sherpa-onnx exige ({', '.join(missing)}): {path}."
        )
    for key in required:
        try:
            int(metadata[key])
        except ValueError:
            raise WorkerError(f"O metadado {key} do modelo de {kind} não é um número inteiro: {path}.") from None
    if int(metadata["sample_rate"]) != SAMPLE_RATE:
        raise WorkerError(
            f"O modelo de {kind} espera áudio a {metadata['sample_rate']} Hz, não a {SAMPLE_RATE} Hz: {path}."
        )


def check_speaker_models(segmentation, embedding):
    kind = "segmentação de locutores"
    check_metadata(segmentation, kind, SEGMENTATION_METADATA, model_metadata(segmentation, kind))
    kind = "identificação de locutores"
    metadata = model_metadata(embedding, kind)
    framework = metadata.get("framework", "")
    if framework not in EMBEDDING_METADATA:
        raise WorkerError(
            f"O modelo de {kind} não é um modelo de locutores do sherpa-onnx "
            f"(framework \"{framework}\"; esperado wespeaker, 3d-speaker ou nemo): {embedding}."
        )
    check_metadata(embedding, kind, EMBEDDING_METADATA[framework], metadata)


# Recognition.


def as_array(samples):
    numpy = engine_module("numpy")
    return numpy.frombuffer(samples.tobytes(), dtype="<f4")


def cuda_works(ctranslate2, libraries=CUDA_LIBRARIES):
    """A visible GPU is not enough: CTranslate2's wheels need CUDA 12's cuBLAS and cuDNN 9,
    which the engine does not install."""
    try:
        if ctranslate2.get_cuda_device_count() <= 0:
            return False
        for library in libraries:
            ctypes.CDLL(library)
        return True
    except (OSError, RuntimeError, AttributeError):
        return False


def recognise_on(device, samples, options, progress):
    faster_whisper = engine_module("faster_whisper")
    try:
        model = faster_whisper.WhisperModel(
            options["model"],
            device=device,
            compute_type="int8" if device == "cpu" else "default",
            cpu_threads=cores(),
        )
    except Exception as error:
        raise WorkerError(f"Não foi possível carregar o modelo Whisper \"{options['model']}\": {describe(error)}.") from error
    progress.report("loading", 1)
    progress.report("recognition", 0)
    duration = len(samples) / SAMPLE_RATE
    vocabulary = options["vocabulary"] or None
    pieces, _ = model.transcribe(
        as_array(samples),
        language=options["language"],
        # The prompt steers only the first window; hotwords are given to every window.
        initial_prompt=vocabulary,
        hotwords=vocabulary,
        vad_filter=True,
    )
    segments = []
    # Segments come as they are recognised; their end tells how far into the audio it got.
    for piece in pieces:
        text = piece.text.strip()
        if text:
            segments.append(Segment(float(piece.start), float(piece.end), text))
        progress.report("recognition", float(piece.end) / duration)
    progress.report("recognition", 1)
    return segments


def recognise(samples, options, progress):
    """Speech segments from faster-whisper, silence filtered out by its voice detector; on
    the GPU when CUDA really works, and again on the CPU if the GPU fails on the way."""
    if cuda_works(engine_module("ctranslate2")):
        try:
            return recognise_on("cuda", samples, options, progress)
        except Exception:
            pass
    return recognise_on("cpu", samples, options, progress)


def diarize(samples, options, segmentation, embedding, progress):
    """Speaker turns from sherpa-onnx's offline diarization."""
    sherpa_onnx = engine_module("sherpa_onnx")
    count = options["speakerCount"]
    threads = cores()
    config = sherpa_onnx.OfflineSpeakerDiarizationConfig(
        segmentation=sherpa_onnx.OfflineSpeakerSegmentationModelConfig(
            pyannote=sherpa_onnx.OfflineSpeakerSegmentationPyannoteModelConfig(model=segmentation),
            num_threads=threads,
        ),
        embedding=sherpa_onnx.SpeakerEmbeddingExtractorConfig(model=embedding, num_threads=threads),
        clustering=sherpa_onnx.FastClusteringConfig(
            num_clusters=count if count > 0 else -1, threshold=CLUSTER_THRESHOLD
        ),
    )
    if not config.validate():
        raise WorkerError("Os modelos de identificação de locutores não puderam ser carregados.")
    diarizer = sherpa_onnx.OfflineSpeakerDiarization(config)
    progress.report("diarization", 0)

    def advanced(done, total):
        if total > 0:
            progress.report("diarization", done / total)
        return 0  # go on

    result = diarizer.process(as_array(samples), callback=advanced).sort_by_start_time()
    progress.report("diarization", 1)
    return [Turn(float(turn.start), float(turn.end), int(turn.speaker)) for turn in result]


def transcribe(request, segmentation, embedding, progress):
    samples = read_samples(request.audio)
    options = request.options
    separate = needs_diarization(options)
    if separate:
        check_speaker_models(segmentation, embedding)
    segments = recognise(samples, options, progress)
    turns = diarize(samples, options, segmentation, embedding, progress) if separate and segments else []
    labels = label_speakers(assign_speakers(segments, turns), speaker_names(options["speakerNames"]))
    write_transcript(request.output, transcript(segments, labels))


# The two processes.


def fail(message, status=1):
    sys.stdout.flush()
    sys.stderr.write(" ".join(message.split()) + "\n")
    sys.stderr.flush()
    return status


def guarded(work):
    """The status of `work`, or 1 after its failure was told in one line."""
    try:
        return work() or 0
    except WorkerError as error:
        return fail(str(error))
    except Exception as error:
        return fail(f"Falha inesperada na transcrição: {type(error).__name__}: {describe(error)}.")


def engine_main(parent, request_path, segmentation, embedding):
    """The child: runs the engines and ends when told, or with its supervisor."""
    signal.signal(signal.SIGINT, signal.SIG_DFL)
    try:
        ctypes.CDLL(None, use_errno=True).prctl(PR_SET_PDEATHSIG, signal.SIGKILL)
    except (OSError, AttributeError):
        pass
    if os.getppid() != parent:  # the supervisor is already gone
        return INTERRUPTED_STATUS
    return guarded(lambda: transcribe(read_request(request_path), segmentation, embedding, Progress()))


def unexpected_end(status):
    if status < 0:
        try:
            name = signal.Signals(-status).name
        except ValueError:
            name = str(-status)
        return f"A engine local de transcrição terminou de forma inesperada (sinal {name})."
    return f"A engine local de transcrição terminou de forma inesperada (código {status})."


def supervise(request_path):
    request = read_request(request_path)
    Progress().report("loading", 0)
    segmentation, embedding = speaker_models(request.options) if needs_diarization(request.options) else ("", "")
    flags = [flag for flag, on in (("-I", sys.flags.isolated), ("-B", sys.dont_write_bytecode)) if on]
    sys.stdout.flush()
    child = subprocess.Popen(
        [sys.executable, *flags, os.path.abspath(__file__), ENGINE_FLAG, str(os.getpid()), request_path,
         segmentation, embedding],
        stdin=subprocess.DEVNULL,
    )
    try:
        status = child.wait()
    except BaseException:
        child.kill()
        child.wait()
        raise
    if status in (0, 1):
        return status
    return fail(unexpected_end(status))


def main(argv):
    warnings.filterwarnings("ignore")
    if len(argv) == 6 and argv[1] == ENGINE_FLAG:
        return engine_main(int(argv[2]), argv[3], argv[4], argv[5])
    if len(argv) < 2:
        return fail("Uso: worker.py <request.json>", 2)
    signal.signal(signal.SIGINT, signal.default_int_handler)
    try:
        return guarded(lambda: supervise(argv[-1]))
    except KeyboardInterrupt:
        fail("Transcrição interrompida.")
        return INTERRUPTED_STATUS


if __name__ == "__main__":
    sys.exit(main(sys.argv))
