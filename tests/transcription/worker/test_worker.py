"""The worker's own logic with stub engines in place of faster-whisper, sherpa-onnx and numpy."""

import array
import importlib.util
import json
import os
import signal
import subprocess
import sys
import tempfile
import time
import unittest

WORKER = os.environ.get("TELVORA_WORKER") or os.path.join(
    os.path.dirname(__file__), "..", "..", "..", "worker", "worker.py"
)
STUBS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "stubs")


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

    def path(self, name):
        return os.path.join(self.folder.name, name)

    def write_samples(self, values, extra=b""):
        with open(self.path("audio.f32"), "wb") as file:
            file.write(array.array("f", values).tobytes() + extra)

    def cached_default_models(self):
        models = os.path.join(self.cache, "telvora", "diarization")
        os.makedirs(models, exist_ok=True)
        for name in ("segmentation.onnx", "embedding.onnx"):
            open(os.path.join(models, name), "wb").close()
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
        self.assertEqual(load["model"], "large-v3-turbo")
        self.assertEqual(recognise["samples"], 32000)
        self.assertEqual(recognise["first"], 0.25)
        self.assertEqual(recognise["language"], "pt")
        self.assertEqual(recognise["initial_prompt"], "Telvora")
        self.assertTrue(recognise["vad_filter"])
        self.assertEqual(diarize["num_clusters"], -1)
        self.assertTrue(diarize["segmentation"].endswith("segmentation.onnx"))

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
        custom = self.path("seg.onnx")
        open(custom, "wb").close()
        plan = {"segments": [[0.0, 1.0, "Olá."]], "turns": [[0.0, 1.0, 0]]}
        cases = {
            "expected speaker count": ({"speakerCount": 3}, 3),
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
            "segmentation model missing": (
                {"options": {"segmentationModel": "/sem/modelo.onnx"}, "plan": {"segments": [[0, 1, "a"]]}},
                "O modelo de segmentação de locutores não foi encontrado: /sem/modelo.onnx.",
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

    def test_interrupt_stops_it_at_once_even_inside_a_native_call(self):
        process = self.start(plan={"segments": [[0, 1, "a"]], "transcribeSleep": 30})
        deadline = time.monotonic() + 20
        while not any(call["call"] == "transcribe" for call in self.calls()):
            self.assertLess(time.monotonic(), deadline, "the worker never started transcribing")
            time.sleep(0.05)
        interrupted = time.monotonic()
        process.send_signal(signal.SIGINT)
        output, _ = process.communicate(timeout=10)
        self.assertLess(time.monotonic() - interrupted, 5)
        self.assertEqual(process.returncode, 130)
        self.assertEqual(self.split_progress(output), "Transcrição interrompida.\n")
        self.assertFalse(os.path.exists(self.path("transcript.json")))


if __name__ == "__main__":
    unittest.main()
