"""The real engine: installed by telvora-install-engine from the Python index, run on
Portuguese speech made with espeak-ng, through the program and as the program runs it.

Needs the engine and models of engine_cache.py (the RealEngineSetup test prepares them),
TELVORA_PROGRAM_DIR (the folder of the built `telvora` and its bundles) and espeak-ng.
Every test skips, saying why, where the index could not be reached."""

import array
import importlib.util
import io
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unicodedata
import unittest
import wave

HERE = os.path.dirname(os.path.abspath(__file__))
spec = importlib.util.spec_from_file_location("engine_cache", os.path.join(HERE, "engine_cache.py"))
engine_cache = importlib.util.module_from_spec(spec)
spec.loader.exec_module(engine_cache)

PROGRAM_DIR = os.environ.get("TELVORA_PROGRAM_DIR", "")
WORKER = os.path.join(PROGRAM_DIR, "Telvora_Telvora.bundle", "TranscriptionRuntime", "worker.py")

# What each voice says, and the words a listener hears in it, allowing for espeak's diction.
FIRST = ("pt-br", "Bom dia a todos. Hoje vamos falar sobre a transcrição de entrevistas. "
         "O programa reconhece a fala em português.")
SECOND = ("pt-br+f4", "Obrigada pelo convite. A reunião começa amanhã às nove horas. "
          "Depois vamos almoçar juntos no restaurante.")
FIRST_WORDS = {"bom", "dia", "todos", "hoje", "vamos", "falar", "sobre", "transcricao", "entrevistas", "programa",
               "fala", "portugues"}
SECOND_WORDS = {"obrigada", "pelo", "convite", "comeca", "amanha", "nove", "horas", "depois", "vamos", "juntos"}
GAP_SECONDS = 0.6


def setUpModule():
    status, why = engine_cache.state()
    if status == "unreachable":
        raise unittest.SkipTest(f"the Python package index cannot be reached ({why}); the real engine is not tested")
    if status != "ready":
        raise unittest.SkipTest("the real engine is not prepared (run tests/transcription/real/engine_cache.py)")
    if not os.path.isfile(WORKER):
        raise unittest.SkipTest("TELVORA_PROGRAM_DIR does not name the built program")
    global SPEECH
    SPEECH = Speech()


def words(text):
    plain = unicodedata.normalize("NFKD", text.lower())
    plain = "".join(c for c in plain if not unicodedata.combining(c))
    return set(re.findall(r"[a-z]+", plain))


def espeak(voice, text):
    """16-bit mono samples at espeak's 22 050 Hz."""
    spoken = subprocess.run(["espeak-ng", "-v", voice, "-s", "140", "--stdout", text], capture_output=True, check=True)
    with wave.open(io.BytesIO(spoken.stdout)) as reader:
        assert (reader.getnchannels(), reader.getsampwidth(), reader.getframerate()) == (1, 2, 22050)
        return reader.readframes(reader.getnframes())


class Speech:
    """One recording of the two voices, as a WAV file and as the worker's samples."""

    def __init__(self):
        self.folder = tempfile.mkdtemp(prefix="telvora-real-speech-")
        first, second = espeak(*FIRST), espeak(*SECOND)
        self.first_end = len(first) / 2 / 22050
        self.second_start = self.first_end + GAP_SECONDS
        frames = first + b"\0\0" * int(GAP_SECONDS * 22050) + second
        self.duration = len(frames) / 2 / 22050
        self.wav = os.path.join(self.folder, "entrevista.wav")
        with wave.open(self.wav, "wb") as writer:
            writer.setnchannels(1)
            writer.setsampwidth(2)
            writer.setframerate(22050)
            writer.writeframes(frames)
        self.samples = os.path.join(self.folder, "audio.f32")
        self.long_samples = os.path.join(self.folder, "longo.f32")
        subprocess.run(["ffmpeg", "-loglevel", "error", "-i", self.wav, "-ac", "1", "-ar", "16000", "-f", "f32le",
                        self.samples], check=True)
        self.boundary = self.first_end + GAP_SECONDS / 2
        # Four times over, for work long enough to be interrupted in each stage.
        with open(self.samples, "rb") as source, open(self.long_samples, "wb") as target:
            target.write(source.read() * 4)


    def first_voice(self, segment):
        """Whisper's times are coarse: a segment is the voice heard at its middle."""
        return (segment["inicio"] + segment["fim"]) / 2 < self.boundary


class RealEngine(unittest.TestCase):
    def setUp(self):
        self.home = tempfile.TemporaryDirectory(prefix="telvora-real-home-")
        self.addCleanup(self.home.cleanup)
        self.temp = os.path.join(self.home.name, "tmp")
        os.makedirs(self.temp)

    def path(self, name):
        return os.path.join(self.home.name, name)

    def leftovers(self):
        return [name for name in os.listdir(self.temp) if name.startswith("telvora-")]

    # Through the program.

    def program(self, arguments, timeout=300):
        program = shutil.copytree(PROGRAM_DIR, self.path("programa"), ignore=shutil.ignore_patterns("*Tests", "*Bench*"))
        with open(os.path.join(program, "Telvora_Telvora.bundle", "Info.json"), "w") as file:
            json.dump({"TelvoraCapturePath": self.path("capturas")}, file)
        environment = {
            "PATH": "/usr/bin:/bin",
            "HOME": self.home.name,
            "TMPDIR": self.temp,
            "XDG_CONFIG_HOME": self.path("config"),
            "XDG_DATA_HOME": self.path("dados"),
            "XDG_RUNTIME_DIR": self.home.name,
            "QT_QPA_PLATFORM": "offscreen",
            "DBUS_SESSION_BUS_ADDRESS": os.environ.get("DBUS_SESSION_BUS_ADDRESS", "disabled:"),
            "TELVORA_TRANSCRIPTION_RUNTIME": engine_cache.runtime(),
        }
        started = time.monotonic()
        result = subprocess.run([os.path.join(program, "telvora"), *arguments], env=environment,
                                capture_output=True, text=True, timeout=timeout)
        return result, time.monotonic() - started

    def test_the_installed_set_is_the_pinned_one_on_debians_python(self):
        with open(os.path.join(engine_cache.runtime(), "pyvenv.cfg")) as file:
            configuration = dict(line.split(" = ", 1) for line in file.read().splitlines() if " = " in line)
        self.assertEqual(configuration["home"], "/usr/bin")
        self.assertTrue(configuration["version"].startswith("3.11."), configuration["version"])
        # What the engines load at import time, each module traced to its distribution.
        script = """
import importlib.metadata, json, sys
before = set(sys.modules)
import faster_whisper, sherpa_onnx, numpy, onnxruntime, ctranslate2
import faster_whisper.transcribe, faster_whisper.vad, faster_whisper.utils
owners = importlib.metadata.packages_distributions()
loaded = {name.split(".")[0] for name in set(sys.modules) - before}
site = {name for name in loaded if (getattr(sys.modules.get(name), "__file__", None) or "").startswith(sys.prefix)}
print(json.dumps(sorted({dist for name in site for dist in owners.get(name, ["(no distribution) " + name])})))
"""
        loaded = json.loads(subprocess.run([engine_cache.python(), "-I", "-c", script], capture_output=True, text=True,
                                           check=True).stdout)
        with open(engine_cache.CONSTRAINTS) as file:
            pinned = {line.split("==")[0] for line in file if "==" in line}
        normal = {re.sub(r"[-_.]+", "-", name).lower() for name in loaded} - {"-distutils-hack"}
        self.assertTrue(normal, loaded)
        self.assertEqual(normal - pinned, set())

    def test_the_worker_tests_stubs_take_the_real_parameters(self):
        # The worker's own tests run against stubs; they are worth only as much as they match.
        script = """
import importlib.util, inspect, json, sys
import faster_whisper, onnxruntime
stubs = sys.argv[1]
sys.path.insert(0, stubs)
def stub(name):
    spec = importlib.util.spec_from_file_location("stub_" + name, f"{stubs}/{name}/__init__.py")
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module
def names(function):
    return [p.name for p in inspect.signature(function).parameters.values()]
pairs = {
    "WhisperModel": (faster_whisper.WhisperModel.__init__, stub("faster_whisper").WhisperModel.__init__),
    "WhisperModel.transcribe": (faster_whisper.WhisperModel.transcribe, stub("faster_whisper").WhisperModel.transcribe),
    "InferenceSession": (onnxruntime.InferenceSession.__init__, stub("onnxruntime").InferenceSession.__init__),
}
print(json.dumps({name: (names(real), names(fake)) for name, (real, fake) in pairs.items()}))
"""
        stubs = os.path.join(engine_cache.SOURCE, "tests", "transcription", "worker", "stubs")
        compared = json.loads(subprocess.run([engine_cache.python(), "-I", "-B", "-c", script, stubs], capture_output=True,
                                             text=True, check=True).stdout)
        for name, (real, stub) in compared.items():
            with self.subTest(name):
                self.assertEqual(stub, real)

    def test_a_model_that_cannot_be_fetched_fails_quickly_in_portuguese(self):
        output = self.path("transcricao.json")
        result, seconds = self.program(["--verify-local-transcription", SPEECH.wav, output, "tiny"])
        print(f"\nunfetchable model 'tiny': failed after {seconds:.1f} s")
        self.assertEqual(result.returncode, 1, result.stdout + result.stderr)
        self.assertTrue(
            result.stdout.startswith("A engine de transcrição não concluiu:\n"
                                     "Não foi possível carregar o modelo Whisper \"tiny\": "),
            result.stdout,
        )
        self.assertLess(seconds, 60)
        self.assertFalse(os.path.exists(output))
        self.assertEqual(self.leftovers(), [])
        hub = os.path.join(self.home.name, ".cache", "huggingface")
        weights = [name for _, _, names in os.walk(hub) for name in names if name.endswith(".bin")]
        self.assertEqual(weights, [])

    def test_portuguese_speech_is_transcribed_through_the_program(self):
        output = self.path("transcricao.json")
        model = os.path.join(engine_cache.models(), "whisper-base")
        result, seconds = self.program(["--verify-local-transcription", SPEECH.wav, output, model])
        print(f"\n{SPEECH.duration:.1f} s of speech transcribed through the program in {seconds:.1f} s")
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertRegex(result.stdout, rf"^Transcrição integrada concluída: 1 falante\(s\), \d+ caracteres; modelo "
                                        rf"{re.escape(model)}\.\n$")
        with open(output, encoding="utf-8") as file:
            segments = json.load(file)
        print("\n".join(f"  {s['inicio']:5.1f}–{s['fim']:5.1f} {s['texto']}" for s in segments))
        self.assertEqual({tuple(sorted(segment)) for segment in segments}, {("fim", "inicio", "locutor", "texto")})
        self.assertEqual({segment["locutor"] for segment in segments}, {"Narrador"})
        starts = [segment["inicio"] for segment in segments]
        self.assertEqual(starts, sorted(starts))
        for segment in segments:
            self.assertLessEqual(0, segment["inicio"])
            self.assertLess(segment["inicio"], segment["fim"])
            self.assertLessEqual(segment["fim"], SPEECH.duration + 0.5)
        first = words(" ".join(s["texto"] for s in segments if SPEECH.first_voice(s)))
        second = words(" ".join(s["texto"] for s in segments if not SPEECH.first_voice(s)))
        self.assertGreaterEqual(len(FIRST_WORDS & first), 0.8 * len(FIRST_WORDS), FIRST_WORDS - first)
        self.assertGreaterEqual(len(SECOND_WORDS & second), 0.6 * len(SECOND_WORDS), SECOND_WORDS - second)
        self.assertEqual(self.leftovers(), [])

    def test_the_in_application_check_reports_the_unfetchable_default_model(self):
        # The check always asks for large-v3-turbo, which the hub would send if it could be reached.
        probe = subprocess.run(
            [engine_cache.python(), "-I", "-c",
             "import huggingface_hub; huggingface_hub.model_info('Systran/faster-whisper-tiny')"],
            capture_output=True, timeout=120, env={"PATH": "/usr/bin:/bin", "HOME": self.home.name},
        )
        if probe.returncode == 0:
            self.skipTest("the model hub can be reached: the check would download large-v3-turbo")
        result, seconds = self.program(["--file", SPEECH.wav, "--verify-transcription"])
        print(f"\nin-application check with large-v3-turbo: ended after {seconds:.1f} s")
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        with open(os.path.join(self.path("capturas"), "transcription-check.json"), encoding="utf-8") as file:
            check = json.load(file)
        self.assertEqual(check["status"], "Erro")
        self.assertTrue(check["error"].startswith(
            "A engine de transcrição não concluiu:\nNão foi possível carregar o modelo Whisper \"large-v3-turbo\": "),
            check["error"])
        self.assertEqual(check["source"], "entrevista.wav")
        self.assertEqual(self.leftovers(), [])

    # As the program runs the worker.

    def worker(self, samples, **options):
        request = self.path("request.json")
        with open(request, "w", encoding="utf-8") as file:
            json.dump({
                "audio": samples,
                "output": self.path("transcript.json"),
                "options": {
                    "model": os.path.join(engine_cache.models(), "whisper-base"), "language": "pt", "vocabulary": "",
                    "diarization": True, "speakerCount": 0, "speakerNames": "Ana, Bruno",
                    "segmentationModel": os.path.join(engine_cache.models(), "segmentation.onnx"),
                    "embeddingModel": os.path.join(engine_cache.models(), "embedding.onnx"),
                    **options,
                },
            }, file)
        environment = {"HOME": self.home.name, "TMPDIR": self.temp, "PATH": "/usr/bin:/bin", "LANG": "en_US.UTF-8",
                       "PYTHONUNBUFFERED": "1"}
        return subprocess.Popen([engine_cache.python(), "-I", "-B", WORKER, request], env=environment,
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)

    def finish(self, process):
        output, _ = process.communicate(timeout=600)
        return process.returncode, "".join(line for line in output.splitlines(keepends=True)
                                           if not line.startswith("TELVORA-PROGRESS"))

    def test_two_voices_are_told_apart_by_the_real_sherpa_onnx(self):
        # Told there are two: espeak's two voices come from one synthesiser, close enough that
        # the automatic count (a 0.5 clustering threshold) hears one speaker.
        # A vocabulary too, which the real faster-whisper takes as prompt and hotwords.
        status, output = self.finish(self.worker(SPEECH.samples, speakerCount=2, vocabulary="entrevistas, reunião"))
        self.assertEqual((status, output), (0, ""))
        with open(self.path("transcript.json"), encoding="utf-8") as file:
            segments = json.load(file)
        print("\n".join(f"  {s['locutor']}: {s['inicio']:5.1f}–{s['fim']:5.1f} {s['texto']}" for s in segments))
        for segment in segments:
            self.assertEqual(segment["locutor"], "Ana" if SPEECH.first_voice(segment) else "Bruno", segment)

    def test_unsuitable_speaker_models_are_refused_before_recognition(self):
        models = engine_cache.models()
        truncated = self.path("cortado.onnx")
        with open(os.path.join(models, "embedding.onnx"), "rb") as source, open(truncated, "wb") as target:
            target.write(source.read()[:1_000_000])
        plain = os.path.join(models, "segmentation-plain.onnx")
        cases = {
            "segmentation without sherpa-onnx's metadata": (
                {"segmentationModel": plain},
                "O modelo de segmentação de locutores não traz os metadados que o sherpa-onnx exige (sample_rate, "
                "window_size, receptive_field_size, receptive_field_shift, num_speakers, powerset_max_classes, "
                f"num_classes): {plain}.",
            ),
            "a cut-off embedding model": (
                {"embeddingModel": truncated},
                f"O modelo de identificação de locutores não é um modelo ONNX válido: {truncated}.",
            ),
            "a segmentation model given as the embedding": (
                {"embeddingModel": os.path.join(models, "segmentation.onnx")},
                'O modelo de identificação de locutores não é um modelo de locutores do sherpa-onnx (framework ""; '
                f'esperado wespeaker, 3d-speaker ou nemo): {os.path.join(models, "segmentation.onnx")}.',
            ),
        }
        for name, (options, expected) in cases.items():
            with self.subTest(name):
                started = time.monotonic()
                self.assertEqual(self.finish(self.worker(SPEECH.samples, **options)), (1, expected + "\n"))
                print(f"\n{name}: refused after {time.monotonic() - started:.1f} s")
                self.assertFalse(os.path.exists(self.path("transcript.json")))

    def test_without_the_check_the_real_library_ends_the_process(self):
        # Why the worker checks the metadata first: sherpa-onnx exits from native code.
        script = f"""
import sherpa_onnx
config = sherpa_onnx.OfflineSpeakerDiarizationConfig(
    segmentation=sherpa_onnx.OfflineSpeakerSegmentationModelConfig(
        pyannote=sherpa_onnx.OfflineSpeakerSegmentationPyannoteModelConfig(model={os.path.join(engine_cache.models(), 'segmentation-plain.onnx')!r})),
    embedding=sherpa_onnx.SpeakerEmbeddingExtractorConfig(model={os.path.join(engine_cache.models(), 'embedding.onnx')!r}),
    clustering=sherpa_onnx.FastClusteringConfig(num_clusters=2))
sherpa_onnx.OfflineSpeakerDiarization(config)
print("carregado")
"""
        result = subprocess.run([engine_cache.python(), "-I", "-c", script], capture_output=True, text=True, timeout=120)
        self.assertNotIn("carregado", result.stdout)
        self.assertEqual(result.returncode, 255, result.stderr[-500:])

    def test_an_interrupt_ends_the_real_worker_in_every_stage(self):
        for stage in ("loading", "recognition", "diarization"):
            with self.subTest(stage):
                process = self.worker(SPEECH.long_samples)
                # Well inside the stage: its first progress line, then a moment of work.
                for line in process.stdout:
                    if line.startswith(f"TELVORA-PROGRESS {stage} "):
                        break
                else:
                    self.fail(f"the worker never reached {stage}")
                time.sleep(0.3)
                self.assertIsNone(process.poll(), f"the worker ended before the interrupt in {stage}")
                children = subprocess.run(["pgrep", "-P", str(process.pid)], capture_output=True, text=True).stdout.split()
                interrupted = time.monotonic()
                process.send_signal(signal.SIGINT)
                status, output = self.finish(process)
                seconds = time.monotonic() - interrupted
                print(f"\ninterrupt during {stage}: worker ended after {seconds:.2f} s")
                self.assertEqual((status, output), (130, "Transcrição interrompida.\n"))
                self.assertLess(seconds, 5)
                for child in children:
                    self.assertFalse(os.path.exists(f"/proc/{child}"), f"engine {child} outlived the worker")
                self.assertFalse(os.path.exists(self.path("transcript.json")))


def main():
    """Like unittest.main, but a run that could not test the engine at all says so and
    exits 77, which CTest reports as skipped rather than passed."""
    result = unittest.main(verbosity=2, exit=False).result
    if not result.wasSuccessful():
        return 1
    if result.testsRun == 0 or len(result.skipped) == result.testsRun:
        reasons = {reason for _, reason in result.skipped} or {"no test ran"}
        print("SKIPPED: " + "; ".join(sorted(reasons)))
        return engine_cache.SKIPPED
    return 0


if __name__ == "__main__":
    sys.exit(main())
