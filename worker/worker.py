"""Telvora's local transcription worker.

Run by Telvora as `python3.13 -I -B worker.py <request.json>`. The request names a file of
headerless 32-bit float little-endian mono samples at 16 kHz ("audio"), the transcript file
to write ("output") and the transcription options ("options"). Speech is recognised with
faster-whisper and speakers are told apart with sherpa-onnx; the transcript is a JSON array
of {"locutor", "inicio", "fim", "texto"} segments. On failure the worker prints one line in
Portuguese and exits with a non-zero status; SIGINT stops it at once.

While it works it prints progress lines, `TELVORA-PROGRESS <stage> <fraction>`, with the
stages "loading", "recognition" and "diarization" and a fraction from 0 to 1 of that stage;
the program shows them and keeps them out of the diagnostic it reports.
"""

import array
import json
import os
import signal
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

# Default diarization models, fetched on first use into the user's cache.
SEGMENTATION_URL = (
    "https://github.com/k2-fsa/sherpa-onnx/releases/download/speaker-segmentation-models/"
    "sherpa-onnx-pyannote-segmentation-3-0.tar.bz2"
)
SEGMENTATION_MEMBER = "sherpa-onnx-pyannote-segmentation-3-0/model.onnx"
EMBEDDING_URL = (
    "https://github.com/k2-fsa/sherpa-onnx/releases/download/speaker-recongition-models/"
    "wespeaker_en_voxceleb_resnet34.onnx"
)
CLUSTER_THRESHOLD = 0.5

PROGRESS_MARK = "TELVORA-PROGRESS"
# Fractions are printed in steps of half a percent, so a long stage prints at most 201 lines.
PROGRESS_STEPS = 200


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


def engine_module(name):
    try:
        return __import__(name)
    except ImportError as error:
        raise WorkerError(
            f"A engine local está incompleta (falta {name}). Reinstale-a com telvora-install-engine."
        ) from error


def as_array(samples):
    numpy = engine_module("numpy")
    return numpy.frombuffer(samples.tobytes(), dtype="<f4")


def recognise(samples, options, progress):
    """Speech segments from faster-whisper, silence filtered out by its voice detector."""
    faster_whisper = engine_module("faster_whisper")
    try:
        model = faster_whisper.WhisperModel(options["model"], device="auto", compute_type="auto")
    except Exception as error:
        raise WorkerError(f"Não foi possível carregar o modelo Whisper \"{options['model']}\": {describe(error)}.") from error
    progress.report("loading", 1)
    progress.report("recognition", 0)
    duration = len(samples) / SAMPLE_RATE
    pieces, _ = model.transcribe(
        as_array(samples),
        language=options["language"],
        initial_prompt=options["vocabulary"] or None,
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


def cache_folder():
    base = os.environ.get("XDG_CACHE_HOME") or os.path.join(os.path.expanduser("~"), ".cache")
    return os.path.join(base, "telvora", "diarization")


def fetch(url, name, destination, member=None):
    """Downloads a default model once; a partial download never takes the final name."""
    if os.path.isfile(destination):
        return destination
    os.makedirs(os.path.dirname(destination), exist_ok=True)
    try:
        with tempfile.TemporaryDirectory(dir=os.path.dirname(destination)) as scratch:
            download = os.path.join(scratch, "download")
            with urllib.request.urlopen(url, timeout=60) as response, open(download, "wb") as file:
                while chunk := response.read(1 << 20):
                    file.write(chunk)
            if member:
                with tarfile.open(download) as archive:
                    archive.extract(member, scratch, filter="data")
                download = os.path.join(scratch, member)
            os.replace(download, destination)
    except (OSError, tarfile.TarError, KeyError) as error:
        raise WorkerError(f"Não foi possível baixar o modelo {name}: {describe(error)}.") from error
    return destination


def model_file(configured, kind):
    if not os.path.isfile(configured):
        raise WorkerError(f"O modelo de {kind} não foi encontrado: {configured}.")
    return configured


def diarize(samples, options, progress):
    """Speaker turns from sherpa-onnx's offline diarization."""
    sherpa_onnx = engine_module("sherpa_onnx")
    folder = cache_folder()
    segmentation = (
        model_file(options["segmentationModel"], "segmentação de locutores")
        if options["segmentationModel"]
        else fetch(SEGMENTATION_URL, "de segmentação", os.path.join(folder, "segmentation.onnx"), SEGMENTATION_MEMBER)
    )
    embedding = (
        model_file(options["embeddingModel"], "identificação de locutores")
        if options["embeddingModel"]
        else fetch(EMBEDDING_URL, "de identificação de locutores", os.path.join(folder, "embedding.onnx"))
    )
    count = options["speakerCount"]
    config = sherpa_onnx.OfflineSpeakerDiarizationConfig(
        segmentation=sherpa_onnx.OfflineSpeakerSegmentationModelConfig(
            pyannote=sherpa_onnx.OfflineSpeakerSegmentationPyannoteModelConfig(model=segmentation),
        ),
        embedding=sherpa_onnx.SpeakerEmbeddingExtractorConfig(model=embedding),
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


def transcribe(request, progress):
    progress.report("loading", 0)
    samples = read_samples(request.audio)
    options = request.options
    segments = recognise(samples, options, progress)
    # One expected speaker needs no diarization (and no diarization models).
    separate = options["diarization"] and options["speakerCount"] != 1 and segments
    turns = diarize(samples, options, progress) if separate else []
    labels = label_speakers(assign_speakers(segments, turns), speaker_names(options["speakerNames"]))
    write_transcript(request.output, transcript(segments, labels))


def fail(message, status=1):
    sys.stdout.flush()
    sys.stderr.write(" ".join(message.split()) + "\n")
    sys.stderr.flush()
    return status


def main(argv):
    if len(argv) < 2:
        return fail("Uso: worker.py <request.json>", 2)
    signal.signal(signal.SIGINT, signal.default_int_handler)
    warnings.filterwarnings("ignore")
    outcome = {}

    def work():
        try:
            transcribe(read_request(argv[-1]), Progress())
        except WorkerError as error:
            outcome["error"] = str(error)
        except Exception as error:
            outcome["error"] = f"Falha inesperada na transcrição: {type(error).__name__}: {describe(error)}."

    # The engines spend long stretches in native code, where Python would not see the
    # interrupt: they run in a thread while the main thread waits and hears SIGINT at once.
    thread = threading.Thread(target=work, daemon=True)
    thread.start()
    try:
        while thread.is_alive():
            thread.join(0.1)
    except KeyboardInterrupt:
        fail("Transcrição interrompida.")
        os._exit(INTERRUPTED_STATUS)
    if "error" in outcome:
        return fail(outcome["error"])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
