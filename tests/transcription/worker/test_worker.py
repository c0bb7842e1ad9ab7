"""The worker's own logic with stub engines in place of faster-whisper, sherpa-onnx and numpy."""

import array
import contextlib
import hashlib
import http.server
import importlib.util
import io
import json
import os
import signal
import subprocess
import sys
import tarfile
import tempfile
import threading
import time
import unittest

WORKER = os.environ.get("TELVORA_WORKER") or os.path.join(
    os.path.dirname(__file__), "..", "..", "..", "worker", "worker.py"
)
STUBS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "stubs")


SEGMENTATION_METADATA = {
    "sample_rate": "16000",
    "window_size": "160000",
    "receptive_field_size": "991",
    "receptive_field_shift": "270",
    "num_speakers": "3",
    "powerset_max_classes": "2",
    "num_classes": "7",
}
EMBEDDING_METADATA = {
    "framework": "wespeaker",
    "output_dim": "256",
    "sample_rate": "16000",
    "normalize_samples": "0",
    "language": "English",
}


def write_stub_model(path, metadata):
    """A model file as the stub onnxruntime reads it: its metadata in JSON."""
    with open(path, "w", encoding="utf-8") as file:
        json.dump({"metadata": metadata}, file)
    return path


def process_state(pid):
    """The state letter in /proc, None once the process is gone."""
    try:
        with open(f"/proc/{pid}/stat") as file:
            return file.read().rsplit(")", 1)[1].split()[0]
    except FileNotFoundError:
        return None


def load_worker():
    spec = importlib.util.spec_from_file_location("worker", WORKER)
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


worker = load_worker()
Segment, Turn = worker.Segment, worker.Turn

OPTIONS = {
    "model": "large-v3-turbo",
    "language": "pt",
    "vocabulary": "",
    "diarization": True,
    "speakerCount": 0,
    "speakerNames": "",
    "segmentationModel": "",
    "embeddingModel": "",
}


class SpeakerAssignment(unittest.TestCase):
    def test_cases(self):
        cases = {
            "speaker who talks most during the segment": (
                [Segment(0, 4, "a")],
                [Turn(0, 1, 0), Turn(1, 4, 1)],
                [1],
            ),
            "time of one speaker summed over turns": (
                [Segment(0, 6, "a")],
                [Turn(0, 1.5, 0), Turn(1.5, 3.5, 1), Turn(3.5, 5, 0)],
                [0],
            ),
            "segment in a pause goes to the nearest turn": (
                [Segment(5, 6, "a")],
                [Turn(0, 4.5, 0), Turn(8, 9, 1)],
                [0],
            ),
            "tie goes to the speaker heard first": (
                [Segment(1, 3, "a")],
                [Turn(2, 3, 1), Turn(1, 2, 0)],
                [0],
            ),
            "no turns: one speaker": ([Segment(0, 1, "a"), Segment(1, 2, "b")], [], [0, 0]),
        }
        for name, (segments, turns, expected) in cases.items():
            with self.subTest(name):
                self.assertEqual(worker.assign_speakers(segments, turns), expected)


class SpeakerNames(unittest.TestCase):
    def test_cases(self):
        cases = {
            "names in order of first speech": ([7, 3, 7], "Ana, Bruno", ["Ana", "Bruno", "Ana"]),
            "generic labels past the names": ([0, 1, 2], "Ana", ["Ana", "Locutor 2", "Locutor 3"]),
            "no names": ([4, 2], "", ["Locutor 1", "Locutor 2"]),
            "blank entries skipped": ([0, 1], " , Ana ,, Bruno ", ["Ana", "Bruno"]),
        }
        for name, (speakers, names, expected) in cases.items():
            with self.subTest(name):
                self.assertEqual(worker.label_speakers(speakers, worker.speaker_names(names)), expected)


class WorkerProcess(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.addCleanup(self.folder.cleanup)
        self.cache = self.path("cache")
        self.write_samples([0.25] * 32000)
        # The default speaker models are already in the cache: nothing is downloaded.
        self.cached_default_models()

    def path(self, name):
        return os.path.join(self.folder.name, name)

    def write_samples(self, values, extra=b""):
        with open(self.path("audio.f32"), "wb") as file:
            file.write(array.array("f", values).tobytes() + extra)

    def cached_default_models(self):
        models = os.path.join(self.cache, "telvora", "diarization")
        os.makedirs(models, exist_ok=True)
        write_stub_model(os.path.join(models, "segmentation.onnx"), SEGMENTATION_METADATA)
        write_stub_model(os.path.join(models, "embedding.onnx"), EMBEDDING_METADATA)
        return models

    def write_request(self, options=None, plan=None, request=None):
        with open(self.path("plan.json"), "w", encoding="utf-8") as file:
            json.dump(plan or {}, file)
        if request is None:
            request = {
                "audio": self.path("audio.f32"),
                "output": self.path("transcript.json"),
                "options": {**OPTIONS, **(options or {})},
            }
        with open(self.path("request.json"), "w", encoding="utf-8") as file:
            file.write(request if isinstance(request, str) else json.dumps(request))

    def start(self, options=None, plan=None, request=None, isolated=False):
        self.write_request(options, plan, request)
        environment = {
            "PATH": "/usr/bin:/bin",
            "HOME": self.folder.name,
            "XDG_CACHE_HOME": self.cache,
            "PYTHONPATH": STUBS,
            "TELVORA_STUB_SCRIPT": self.path("plan.json"),
            "TELVORA_STUB_LOG": self.path("log.jsonl"),
        }
        # Isolated, as the program runs it: PYTHONPATH and with it the stubs are ignored.
        flags = ["-B", "-I"] if isolated else ["-B"]
        return subprocess.Popen(
            [sys.executable, *flags, WORKER, self.path("request.json")],
            env=environment,
            stdout=subprocess.PIPE,
            stderr=subprocess.STDOUT,
            text=True,
        )

    def run_worker(self, **arguments):
        """The status and the output without its progress lines, which go to self.progress."""
        process = self.start(**arguments)
        output, _ = process.communicate(timeout=60)
        return process.returncode, self.split_progress(output)

    def split_progress(self, output):
        lines = output.splitlines(keepends=True)
        marked = [line.split() for line in lines if line.startswith("TELVORA-PROGRESS")]
        self.progress = [(stage, float(fraction)) for _, stage, fraction in marked]
        return "".join(line for line in lines if not line.startswith("TELVORA-PROGRESS"))

    def calls(self):
        if not os.path.exists(self.path("log.jsonl")):
            return []
        with open(self.path("log.jsonl"), encoding="utf-8") as file:
            return [json.loads(line) for line in file]

    def transcript(self):
        with open(self.path("transcript.json"), encoding="utf-8") as file:
            return json.load(file)

    def test_transcribes_and_names_speakers(self):
        self.cached_default_models()
        plan = {
            "segments": [[0.0, 2.0, " Bom dia."], [2.0, 3.5, " Oi!"], [3.5, 4.0, "  "], [4.0, 5.25, " Tudo bem?"]],
            "turns": [[0.0, 2.1, 5], [2.1, 3.6, 2], [3.9, 5.3, 5]],
        }
        status, output = self.run_worker(options={"speakerNames": "Ana, Bruno", "vocabulary": "Telvora"}, plan=plan)
        self.assertEqual((status, output), (0, ""))
        self.assertEqual(
            self.transcript(),
            [
                {"locutor": "Ana", "inicio": 0.0, "fim": 2.0, "texto": "Bom dia."},
                {"locutor": "Bruno", "inicio": 2.0, "fim": 3.5, "texto": "Oi!"},
                {"locutor": "Ana", "inicio": 4.0, "fim": 5.25, "texto": "Tudo bem?"},
            ],
        )
        load, recognise, diarize = self.calls()
        cores = len(os.sched_getaffinity(0))
        self.assertEqual(
            {key: load[key] for key in ("model", "device", "compute_type", "cpu_threads")},
            {"model": "large-v3-turbo", "device": "cpu", "compute_type": "int8", "cpu_threads": cores},
        )
        self.assertEqual(recognise["samples"], 32000)
        self.assertEqual(recognise["first"], 0.25)
        self.assertEqual(recognise["language"], "pt")
        # The vocabulary steers the first window as a prompt and every window as hotwords.
        self.assertEqual((recognise["initial_prompt"], recognise["hotwords"]), ("Telvora", "Telvora"))
        self.assertTrue(recognise["vad_filter"])
        self.assertEqual(diarize["num_clusters"], -1)
        self.assertEqual((diarize["segmentation_threads"], diarize["embedding_threads"]), (cores, cores))
        self.assertTrue(diarize["segmentation"].endswith("segmentation.onnx"))
        # The engines ran in a child process of the worker, not in the worker itself.
        self.assertEqual(len({call["pid"] for call in self.calls()}), 1)

    def test_reports_the_progress_of_each_stage_in_order(self):
        self.cached_default_models()
        # Two seconds of audio; the third segment is silence that still moves the progress on.
        plan = {
            "segments": [[0.0, 0.5, "Um."], [0.5, 1.0, "Dois."], [1.0, 1.001, " "], [1.0, 1.6, "Três."]],
            "turns": [[0.0, 1.0, 0], [1.0, 1.6, 1]],
            "chunks": 400,
        }
        self.assertEqual(self.run_worker(plan=plan), (0, ""))
        recognition = [fraction for stage, fraction in self.progress if stage == "recognition"]
        self.assertEqual(recognition, [0.0, 0.25, 0.5, 0.8, 1.0])
        diarization = [fraction for stage, fraction in self.progress if stage == "diarization"]
        self.assertEqual((diarization[0], diarization[-1]), (0.0, 1.0))
        self.assertEqual(diarization, sorted(diarization))
        # 400 chunks, but a line only per half percent.
        self.assertEqual(len(diarization), 201)
        self.assertEqual([stage for stage, _ in self.progress][:2], ["loading", "loading"])
        self.assertEqual(self.progress[:2], [("loading", 0.0), ("loading", 1.0)])
        stages = [stage for stage, _ in self.progress]
        self.assertEqual(sorted(set(stages), key=stages.index), ["loading", "recognition", "diarization"])
        self.assertEqual(stages, sorted(stages, key=["loading", "recognition", "diarization"].index))

    def test_diarization_options(self):
        models = self.cached_default_models()
        custom = write_stub_model(self.path("seg.onnx"), {**SEGMENTATION_METADATA, **EMBEDDING_METADATA})
        plan = {"segments": [[0.0, 1.0, "Olá."]], "turns": [[0.0, 1.0, 0]]}
        nemo = write_stub_model(self.path("nemo.onnx"), {"framework": "nemo", "output_dim": "192", "sample_rate": "16000"})
        cases = {
            "expected speaker count": ({"speakerCount": 3}, 3),
            "a NeMo embedding model": ({"embeddingModel": nemo}, -1),
            "models named in the options": ({"segmentationModel": custom, "embeddingModel": custom}, -1),
        }
        for name, (options, clusters) in cases.items():
            with self.subTest(name):
                os.remove(self.path("log.jsonl")) if os.path.exists(self.path("log.jsonl")) else None
                self.assertEqual(self.run_worker(options=options, plan=plan), (0, ""))
                diarize = self.calls()[-1]
                self.assertEqual(diarize["num_clusters"], clusters)
                expected = custom if options.get("segmentationModel") else os.path.join(models, "segmentation.onnx")
                self.assertEqual(diarize["segmentation"], expected)

    def test_one_speaker_needs_no_diarization(self):
        plan = {"segments": [[0.0, 1.0, "Um."], [1.0, 2.0, "Dois."]], "turns": [[0, 1, 0], [1, 2, 1]]}
        for name, options in {
            "diarization off": {"diarization": False, "speakerNames": "Narrador"},
            "one expected speaker": {"speakerCount": 1, "speakerNames": "Narrador"},
        }.items():
            with self.subTest(name):
                self.assertEqual(self.run_worker(options=options, plan=plan), (0, ""))
                self.assertEqual([s["locutor"] for s in self.transcript()], ["Narrador", "Narrador"])
                self.assertNotIn("diarize", [call["call"] for call in self.calls()])

    def test_silence_gives_an_empty_transcript(self):
        self.assertEqual(self.run_worker(plan={"segments": []}), (0, ""))
        self.assertEqual(self.transcript(), [])

    def test_failures_print_one_portuguese_line(self):
        cases = {
            "request is not JSON": (
                {"request": "{não"},
                "Não foi possível ler o pedido de transcrição:",
            ),
            "option missing": (
                {"request": {"audio": "a", "output": "b", "options": {k: v for k, v in OPTIONS.items() if k != "embeddingModel"}}},
                'A opção "embeddingModel" do pedido de transcrição está ausente ou inválida.',
            ),
            "flag given as a count": (
                {"options": {"speakerCount": True}},
                'A opção "speakerCount" do pedido de transcrição está ausente ou inválida.',
            ),
            "samples missing": ({"request": {"audio": self.path("nada.f32"), "output": "b", "options": OPTIONS}},
                                "Não foi possível ler as amostras de áudio:"),
            "Whisper model cannot load": (
                {"plan": {"loadError": "Repository not found\nfor url"}},
                'Não foi possível carregar o modelo Whisper "large-v3-turbo": Repository not found for url.',
            ),
        }
        for name, (arguments, expected) in cases.items():
            with self.subTest(name):
                status, output = self.run_worker(**arguments)
                self.assertEqual(status, 1)
                self.assertTrue(output.startswith(expected), output)
                self.assertEqual(output.count("\n"), 1, output)
                self.assertFalse(os.path.exists(self.path("transcript.json")))

    def test_cut_short_samples_are_refused(self):
        self.write_samples([0.5] * 10, extra=b"\x00\x01")
        status, output = self.run_worker()
        self.assertEqual((status, output), (1, "O arquivo de amostras de áudio está incompleto.\n"))

    def test_missing_engine_package_is_named(self):
        status, output = self.run_worker(isolated=True)
        self.assertEqual(status, 1)
        self.assertTrue(output.startswith("A engine local está incompleta (falta "), output)

    def wait_for_native_call(self, process):
        deadline = time.monotonic() + 20
        while not (native := [call for call in self.calls() if call["call"] == "native"]):
            self.assertIsNone(process.poll(), "the worker ended before the native call")
            self.assertLess(time.monotonic(), deadline, "the worker never reached the native call")
            time.sleep(0.02)
        return native[0]["pid"]

    def assert_gone(self, pid):
        # Reaped by the worker, so not even a zombie is left.
        with self.assertRaises(ProcessLookupError):
            os.kill(pid, 0)

    def test_interrupt_ends_it_in_every_stage_even_inside_a_native_call_that_keeps_the_lock(self):
        self.cached_default_models()
        plan = {"segments": [[0, 1, "a"]], "turns": [[0, 1, 0]]}
        for stage in ("validate", "load", "transcribe", "diarize"):
            with self.subTest(stage):
                if os.path.exists(self.path("log.jsonl")):
                    os.remove(self.path("log.jsonl"))
                process = self.start(plan={**plan, "holdGil": {"stage": stage, "seconds": 60}})
                engine = self.wait_for_native_call(process)
                interrupted = time.monotonic()
                process.send_signal(signal.SIGINT)
                output, _ = process.communicate(timeout=30)
                # The native call would hold on for a minute; a generous bound, well under it.
                self.assertLess(time.monotonic() - interrupted, 5)
                self.assertEqual(process.returncode, 130)
                self.assertEqual(self.split_progress(output), "Transcrição interrompida.\n")
                self.assert_gone(engine)
                self.assertFalse(os.path.exists(self.path("transcript.json")))

    def test_engine_dies_with_a_killed_worker(self):
        process = self.start(plan={"segments": [[0, 1, "a"]], "holdGil": {"stage": "transcribe", "seconds": 60}})
        engine = self.wait_for_native_call(process)
        process.kill()
        process.communicate(timeout=10)
        deadline = time.monotonic() + 5
        while process_state(engine) not in (None, "Z"):
            self.assertLess(time.monotonic(), deadline, "the engine outlived its worker")
            time.sleep(0.02)

    def test_engine_that_ends_from_native_code_is_reported(self):
        cases = {
            "exit(-1) from native code": ({"exitStatus": 255}, "(código 255)"),
            "killed for want of memory": ({"signal": int(signal.SIGKILL)}, "(sinal SIGKILL)"),
        }
        for name, (plan, expected) in cases.items():
            with self.subTest(name):
                status, output = self.run_worker(plan={"segments": [[0, 1, "a"]], "die": plan})
                self.assertEqual(status, 1)
                self.assertEqual(output, f"A engine local de transcrição terminou de forma inesperada {expected}.\n")
                self.assertFalse(os.path.exists(self.path("transcript.json")))

    def test_speaker_count_out_of_range_is_refused_before_any_work(self):
        for count in (-1, 101, 2**31, 5_000_000_000):
            with self.subTest(count):
                status, output = self.run_worker(options={"speakerCount": count}, plan={"segments": [[0, 1, "a"]]})
                self.assertEqual(status, 1)
                self.assertEqual(
                    output, f"O número de falantes deve ficar entre 0 (automático) e 100; o pedido traz {count}.\n"
                )
                self.assertEqual(self.calls(), [])

    def test_unsuitable_speaker_models_are_refused_before_recognition(self):
        segmentation, embedding = self.path("seg.onnx"), self.path("emb.onnx")
        without = lambda metadata, key: {k: v for k, v in metadata.items() if k != key}
        cases = {
            "segmentation without its metadata": (
                {}, EMBEDDING_METADATA,
                "O modelo de segmentação de locutores não traz os metadados que o sherpa-onnx exige "
                "(sample_rate, window_size, receptive_field_size, receptive_field_shift, num_speakers, "
                f"powerset_max_classes, num_classes): {segmentation}.",
            ),
            "segmentation for 8 kHz": (
                {**SEGMENTATION_METADATA, "sample_rate": "8000"}, EMBEDDING_METADATA,
                f"O modelo de segmentação de locutores espera áudio a 8000 Hz, não a 16000 Hz: {segmentation}.",
            ),
            "metadata that is no number": (
                {**SEGMENTATION_METADATA, "num_classes": "sete"}, EMBEDDING_METADATA,
                f"O metadado num_classes do modelo de segmentação de locutores não é um número inteiro: {segmentation}.",
            ),
            "embedding of another framework": (
                SEGMENTATION_METADATA, {**EMBEDDING_METADATA, "framework": "speechbrain"},
                'O modelo de identificação de locutores não é um modelo de locutores do sherpa-onnx (framework '
                f'"speechbrain"; esperado wespeaker, 3d-speaker ou nemo): {embedding}.',
            ),
            "embedding without output_dim": (
                SEGMENTATION_METADATA, without(EMBEDDING_METADATA, "output_dim"),
                "O modelo de identificação de locutores não traz os metadados que o sherpa-onnx exige "
                f"(output_dim): {embedding}.",
            ),
            "NeMo embedding without what it needs": (
                SEGMENTATION_METADATA, {"framework": "nemo", "output_dim": "192"},
                "O modelo de identificação de locutores não traz os metadados que o sherpa-onnx exige "
                f"(sample_rate): {embedding}.",
            ),
            "truncated model": (
                None, EMBEDDING_METADATA,
                f"O modelo de segmentação de locutores não é um modelo ONNX válido: {segmentation}.",
            ),
        }
        for name, (seg_metadata, emb_metadata, expected) in cases.items():
            with self.subTest(name):
                if os.path.exists(self.path("log.jsonl")):
                    os.remove(self.path("log.jsonl"))
                if seg_metadata is None:
                    with open(segmentation, "wb") as file:
                        file.write(b'{"metadata": {"sample_')
                else:
                    write_stub_model(segmentation, seg_metadata)
                write_stub_model(embedding, emb_metadata)
                status, output = self.run_worker(
                    options={"segmentationModel": segmentation, "embeddingModel": embedding},
                    plan={"segments": [[0, 1, "a"]]},
                )
                self.assertEqual((status, output), (1, expected + "\n"))
                self.assertNotIn("load", [call["call"] for call in self.calls()])

    def test_missing_speaker_model_is_found_before_the_engine_starts(self):
        status, output = self.run_worker(
            options={"embeddingModel": "/sem/emb.onnx", "segmentationModel": "/sem/seg.onnx"},
            plan={"segments": [[0, 1, "a"]]},
        )
        self.assertEqual((status, output), (1, "O modelo de segmentação de locutores não foi encontrado: /sem/seg.onnx.\n"))
        self.assertEqual(self.calls(), [])

    def test_a_gpu_without_cuda_libraries_leaves_recognition_on_the_cpu(self):
        self.assertEqual(self.run_worker(options={"diarization": False}, plan={"segments": [[0, 1, "a"]], "cudaDevices": 1}), (0, ""))
        self.assertEqual([call["device"] for call in self.calls() if call["call"] == "load"], ["cpu"])


class Downloads(unittest.TestCase):
    """The default speaker models against a local server that serves what each case needs."""

    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.addCleanup(self.folder.cleanup)
        self.cache = os.path.join(self.folder.name, "cache")
        self.replies = {}
        test = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                body, announced = test.replies[self.path]
                self.send_response(200)
                self.send_header("Content-Length", str(announced))
                self.end_headers()
                self.wfile.write(body)
                self.wfile.flush()
                # Then the connection closes, whatever the length promised.

            def log_message(self, *arguments):
                pass

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        self.addCleanup(self.server.server_close)
        self.addCleanup(self.server.shutdown)

    def model(self, path, body, announced=None, member="", pinned=None):
        self.replies[path] = (body, len(body) if announced is None else announced)
        pinned = body if pinned is None else pinned
        return worker.DefaultModel(
            url=f"http://127.0.0.1:{self.server.server_port}{path}",
            file="model.onnx",
            size=len(pinned),
            sha256=hashlib.sha256(pinned).hexdigest(),
            member=member,
        )

    def cached(self):
        return sorted(os.listdir(self.cache)) if os.path.isdir(self.cache) else []

    def test_only_a_complete_download_of_the_pinned_file_is_kept(self):
        content = bytes(range(256)) * 400
        cases = {
            "connection closed early": (
                self.model("/short", content[:5000], announced=len(content)),
                f"O download do modelo de teste foi interrompido (5000 de {len(content)} bytes). Tente de novo.",
            ),
            "another file than the pinned one": (
                self.model("/changed", content[::-1], pinned=content),
                "O modelo de teste baixado não confere com o esperado",
            ),
            "cut short without a length": (
                self.model("/cut", content[:100], announced="", pinned=content),
                "O modelo de teste baixado não confere com o esperado (100 bytes",
            ),
        }
        for name, (model, expected) in cases.items():
            with self.subTest(name):
                with self.assertRaises(worker.WorkerError) as raised:
                    worker.fetch(model, "de teste", self.cache)
                self.assertTrue(str(raised.exception).startswith(expected), str(raised.exception))
                self.assertEqual(self.cached(), [])

    def test_the_pinned_file_takes_its_place_once(self):
        content = b"onnx" * 1000
        model = self.model("/model", content)
        path = worker.fetch(model, "de teste", self.cache)
        self.assertEqual(path, os.path.join(self.cache, "model.onnx"))
        with open(path, "rb") as file:
            self.assertEqual(file.read(), content)
        self.assertEqual(self.cached(), ["model.onnx"])
        del self.replies["/model"]  # a second call never asks the server again
        self.assertEqual(worker.fetch(model, "de teste", self.cache), path)

    def test_a_member_comes_out_of_a_pinned_archive(self):
        content = b"pesos" * 500
        packed = io.BytesIO()
        with tarfile.open(fileobj=packed, mode="w:bz2") as archive:
            entry = tarfile.TarInfo("modelos/model.onnx")
            entry.size = len(content)
            archive.addfile(entry, io.BytesIO(content))
        model = self.model("/models.tar.bz2", packed.getvalue(), member="modelos/model.onnx")
        with open(worker.fetch(model, "de teste", self.cache), "rb") as file:
            self.assertEqual(file.read(), content)
        self.assertEqual(self.cached(), ["model.onnx"])

    def test_an_interrupt_during_a_download_leaves_nothing(self):
        stalled = threading.Event()
        self.addCleanup(stalled.set)
        test = self

        class Stalling(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                self.send_response(200)
                self.send_header("Content-Length", "1000000")
                self.end_headers()
                self.wfile.write(b"x" * 1000)
                self.wfile.flush()
                stalled.wait(30)

            def log_message(self, *arguments):
                pass

        self.server.RequestHandlerClass = Stalling
        model = self.model("/slow", b"")
        threading.Timer(0.5, os.kill, (os.getpid(), signal.SIGINT)).start()
        previous = signal.signal(signal.SIGINT, signal.default_int_handler)
        self.addCleanup(signal.signal, signal.SIGINT, previous)
        started = time.monotonic()
        with self.assertRaises(KeyboardInterrupt):
            worker.fetch(model, "de teste", self.cache)
        self.assertLess(time.monotonic() - started, 5)
        self.assertEqual(test.cached(), [])


class Devices(unittest.TestCase):
    """CUDA only when it works; the CPU takes over a recognition that fails on the GPU."""

    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.addCleanup(self.folder.cleanup)
        sys.path.insert(0, STUBS)
        self.addCleanup(sys.path.remove, STUBS)
        self.plan = os.path.join(self.folder.name, "plan.json")
        self.log = os.path.join(self.folder.name, "log.jsonl")
        for name, value in (("TELVORA_STUB_SCRIPT", self.plan), ("TELVORA_STUB_LOG", self.log)):
            os.environ[name] = value
            self.addCleanup(os.environ.pop, name)

    def test_cuda_needs_a_device_and_its_libraries(self):
        class Devices:
            def __init__(self, count):
                self.count = count

            def get_cuda_device_count(self):
                if isinstance(self.count, Exception):
                    raise self.count
                return self.count

        cases = {
            "no device": (0, ("libc.so.6",), False),
            "a device and loadable libraries": (1, ("libc.so.6",), True),
            "a device without cuBLAS": (1, ("libc.so.6", "libcublas-ausente.so.12"), False),
            "a driver that fails": (RuntimeError("CUDA driver version is insufficient"), ("libc.so.6",), False),
        }
        for name, (count, libraries, expected) in cases.items():
            with self.subTest(name):
                self.assertIs(worker.cuda_works(Devices(count), libraries), expected)

    def test_a_failure_on_the_gpu_is_recognised_again_on_the_cpu(self):
        with open(self.plan, "w") as file:
            json.dump({"segments": [[0.0, 1.0, " Olá."]], "cudaFails": True}, file)
        original = worker.cuda_works
        worker.cuda_works = lambda ctranslate2: True
        self.addCleanup(setattr, worker, "cuda_works", original)
        samples = array.array("f", [0.0] * 16000)
        progress = worker.Progress()
        with contextlib.redirect_stdout(io.StringIO()):
            segments = worker.recognise(samples, OPTIONS, progress)
        self.assertEqual(segments, [Segment(0.0, 1.0, "Olá.")])
        with open(self.log) as file:
            loads = [json.loads(line)["device"] for line in file if '"load"' in line]
        self.assertEqual(loads, ["cuda", "cpu"])


if __name__ == "__main__":
    unittest.main()
