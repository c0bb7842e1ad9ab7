"""telvora-install-engine with a fake Python that builds environments without the network,
and the pinned package set against what the worker imports."""

import ast
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

WORKER_FOLDER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "worker")
INSTALLER = os.path.join(WORKER_FOLDER, "telvora-install-engine")
CONSTRAINTS = os.path.join(WORKER_FOLDER, "engine-constraints.txt")
WORKER = os.environ.get("TELVORA_WORKER") or os.path.join(WORKER_FOLDER, "worker.py")

# Answers the installer's uses of Python: version, venv check, venv, pip install, the check
# that everything installed is pinned (reading its script from standard input), imports.
FAKE_PYTHON = r"""#!/bin/sh
case "$1 $2" in
  "-c import sys"*) echo "${FAKE_VERSION:-3.11}" ;;
  "-c import venv"*) [ -z "$FAKE_NO_VENV" ] ;;
  "-m venv") mkdir -p "$3/bin" && cp "$0" "$3/bin/python3" ;;
  "-m pip") [ -z "$FAKE_PIP_FAILS" ] || exit 1
            shift 2; echo "$@" > "$(dirname "$0")/../installed" ;;
  "-I -") cat > /dev/null; [ -z "$FAKE_UNPINNED" ] || echo "$FAKE_UNPINNED" ;;
  "-I -c") exit 0 ;;
  *) exit 9 ;;
esac
"""


def pinned():
    with open(CONSTRAINTS, encoding="utf-8") as file:
        lines = [line.strip() for line in file if line.strip() and not line.startswith("#")]
    return dict(line.split("==") for line in lines)


class Installer(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.addCleanup(self.folder.cleanup)
        self.python = self.fake("python3", FAKE_PYTHON)
        self.runtime = os.path.join(self.folder.name, "dados", "telvora", "TranscriptionRuntime")

    def fake(self, name, text):
        path = os.path.join(self.folder.name, name)
        with open(path, "w") as file:
            file.write(text)
        os.chmod(path, 0o755)
        return path

    def install(self, *arguments, **environment):
        return subprocess.run(
            ["bash", INSTALLER, *arguments],
            env={"PATH": "/usr/bin:/bin", "HOME": self.folder.name, **environment},
            stdout=subprocess.PIPE,
            stderr=subprocess.PIPE,
            text=True,
            timeout=60,
        )

    def leftovers(self):
        return [name for name in os.listdir(os.path.dirname(self.runtime)) if name.startswith(".")]

    def keep_a_previous_engine(self):
        os.makedirs(os.path.join(self.runtime, "bin"))
        marker = os.path.join(self.runtime, "anterior")
        open(marker, "w").close()
        return marker

    def test_builds_the_runtime_where_telvora_looks_from_the_pinned_wheels_only(self):
        data_home = os.path.join(self.folder.name, "dados")
        result = self.install("--python", self.python, XDG_DATA_HOME=data_home)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertTrue(os.access(os.path.join(self.runtime, "bin", "python3"), os.X_OK))
        with open(os.path.join(self.runtime, "installed")) as file:
            installed = file.read().split()
        self.assertIn("--only-binary=:all:", installed)
        constraints = installed[installed.index("--constraint") + 1]
        self.assertTrue(os.path.samefile(constraints, CONSTRAINTS))
        for package in ("faster-whisper", "sherpa-onnx", "numpy", "onnxruntime", "ctranslate2"):
            self.assertIn(package, installed)
        self.assertEqual(self.leftovers(), [])

    def test_failures_keep_the_previous_engine(self):
        cases = {
            "pip fails": ({"FAKE_PIP_FAILS": "1"}, "a instalação dos pacotes falhou; a engine anterior"),
            "a package outside the pinned set": (
                {"FAKE_UNPINNED": "requests 2.34.2"},
                "pacotes fora do conjunto fixado: requests 2.34.2; a engine anterior",
            ),
        }
        for name, (environment, expected) in cases.items():
            with self.subTest(name):
                marker = self.keep_a_previous_engine()
                result = self.install("--python", self.python, "--runtime", self.runtime, **environment)
                self.assertEqual(result.returncode, 1)
                self.assertIn(expected, result.stderr)
                self.assertTrue(os.path.exists(marker))
                self.assertEqual(self.leftovers(), [])
                shutil.rmtree(self.runtime)

    def test_replaces_an_existing_engine_whole(self):
        os.makedirs(self.runtime)
        open(os.path.join(self.runtime, "anterior"), "w").close()
        result = self.install("--python", self.python, TELVORA_TRANSCRIPTION_RUNTIME=self.runtime)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertFalse(os.path.exists(os.path.join(self.runtime, "anterior")))
        self.assertTrue(os.path.exists(os.path.join(self.runtime, "installed")))
        self.assertEqual(self.leftovers(), [])

    def test_takes_python_3_11_to_3_13_with_venv(self):
        cases = {
            "Debian 12's 3.11": ({"FAKE_VERSION": "3.11"}, 0, "Python 3.11"),
            "3.13": ({"FAKE_VERSION": "3.13"}, 0, "Python 3.13"),
            "3.10 is too old": ({"FAKE_VERSION": "3.10"}, 3, "precisa do Python 3.11, 3.12 ou 3.13"),
            "3.14 has no pinned wheels": ({"FAKE_VERSION": "3.14"}, 3, "precisa do Python 3.11, 3.12 ou 3.13"),
            "no python3-venv": ({"FAKE_NO_VENV": "1"}, 3, "instale o pacote python3-venv"),
        }
        for name, (environment, status, expected) in cases.items():
            with self.subTest(name):
                result = self.install("--python", self.python, "--runtime", self.runtime, **environment)
                self.assertEqual(result.returncode, status, result.stderr)
                self.assertIn(expected, result.stdout + result.stderr)
                self.assertEqual(os.path.exists(self.runtime), status == 0)
                shutil.rmtree(self.runtime, ignore_errors=True)

    def test_a_missing_interpreter_is_named(self):
        result = self.install("--python", os.path.join(self.folder.name, "nenhum"), "--runtime", self.runtime)
        self.assertEqual(result.returncode, 3)
        self.assertIn("o Python 3 não foi encontrado", result.stderr)
        self.assertFalse(os.path.exists(self.runtime))


class PinnedSet(unittest.TestCase):
    def test_every_line_pins_one_exact_version_once(self):
        with open(CONSTRAINTS, encoding="utf-8") as file:
            lines = [line.strip() for line in file if line.strip() and not line.startswith("#")]
        for line in lines:
            self.assertRegex(line, r"^[a-z0-9][a-z0-9-]*==[0-9][0-9a-z.]*$")
        names = [line.split("==")[0] for line in lines]
        self.assertEqual(len(names), len(set(names)))
        self.assertEqual(pinned()["faster-whisper"], "1.2.1")

    def test_what_the_worker_imports_is_pinned_or_in_the_standard_library(self):
        with open(WORKER, encoding="utf-8") as file:
            tree = ast.parse(file.read())
        imported = set()
        for node in ast.walk(tree):
            if isinstance(node, ast.Import):
                imported.update(alias.name.split(".")[0] for alias in node.names)
            elif isinstance(node, ast.ImportFrom):
                imported.add(node.module.split(".")[0])
        self.assertTrue(imported <= set(sys.stdlib_module_names), imported - set(sys.stdlib_module_names))
        engines = {
            node.args[0].value
            for node in ast.walk(tree)
            if isinstance(node, ast.Call) and getattr(node.func, "id", None) == "engine_module"
        }
        self.assertEqual(engines, {"faster_whisper", "sherpa_onnx", "numpy", "onnxruntime", "ctranslate2"})
        # A module's distribution is its name with dashes, for these five.
        for module in engines:
            self.assertIn(module.replace("_", "-"), pinned())
        with open(INSTALLER, encoding="utf-8") as file:
            installer = file.read()
        self.assertEqual(
            set(re.search(r'IMPORTS="([^"]*)"', installer).group(1).split(", ")), engines
        )


if __name__ == "__main__":
    unittest.main()
