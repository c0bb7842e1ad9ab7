"""telvora-install-engine with a fake Python 3.13 that builds environments without the network."""

import os
import subprocess
import tempfile
import unittest

INSTALLER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "worker", "telvora-install-engine")

# Answers the installer's four uses of Python: version, venv, pip install, import check.
FAKE_PYTHON = r"""#!/bin/sh
case "$1 $2" in
  "-c import"*) echo 3.13 ;;
  "-m venv") mkdir -p "$3/bin" && cp "$0" "$3/bin/python3.13" ;;
  "-m pip") [ -z "$FAKE_PIP_FAILS" ] || exit 1
            shift 2; echo "$@" > "$(dirname "$0")/../installed" ;;
  "-I -c") exit 0 ;;
  *) exit 9 ;;
esac
"""


class Installer(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.addCleanup(self.folder.cleanup)
        self.python = os.path.join(self.folder.name, "python3.13")
        with open(self.python, "w") as file:
            file.write(FAKE_PYTHON)
        os.chmod(self.python, 0o755)
        self.runtime = os.path.join(self.folder.name, "dados", "telvora", "TranscriptionRuntime")

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

    def test_builds_the_runtime_where_telvora_looks(self):
        data_home = os.path.join(self.folder.name, "dados")
        result = self.install("--python", self.python, XDG_DATA_HOME=data_home)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertTrue(os.access(os.path.join(self.runtime, "bin", "python3.13"), os.X_OK))
        with open(os.path.join(self.runtime, "installed")) as file:
            installed = file.read().split()
        self.assertIn("faster-whisper==1.1.1", installed)
        self.assertTrue(any(package.startswith("sherpa-onnx==") for package in installed))
        self.assertEqual(self.leftovers(), [])

    def test_failed_install_keeps_the_previous_engine(self):
        os.makedirs(os.path.join(self.runtime, "bin"))
        marker = os.path.join(self.runtime, "anterior")
        open(marker, "w").close()
        result = self.install("--python", self.python, "--runtime", self.runtime, FAKE_PIP_FAILS="1")
        self.assertEqual(result.returncode, 1)
        self.assertIn("a engine anterior, se havia uma, foi mantida", result.stderr)
        self.assertTrue(os.path.exists(marker))
        self.assertEqual(self.leftovers(), [])

    def test_replaces_an_existing_engine_whole(self):
        os.makedirs(self.runtime)
        open(os.path.join(self.runtime, "anterior"), "w").close()
        result = self.install("--python", self.python, TELVORA_TRANSCRIPTION_RUNTIME=self.runtime)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertFalse(os.path.exists(os.path.join(self.runtime, "anterior")))
        self.assertTrue(os.path.exists(os.path.join(self.runtime, "installed")))
        self.assertEqual(self.leftovers(), [])

    def test_refuses_another_python(self):
        older = os.path.join(self.folder.name, "python3.11")
        with open(older, "w") as file:
            file.write("#!/bin/sh\necho 3.11\n")
        os.chmod(older, 0o755)
        for name, python in {
            "missing interpreter": os.path.join(self.folder.name, "nenhum"),
            "wrong version": older,
        }.items():
            with self.subTest(name):
                result = self.install("--python", python, "--runtime", self.runtime)
                self.assertEqual(result.returncode, 3)
                self.assertIn("Python 3.13", result.stderr)
                self.assertFalse(os.path.exists(self.runtime))


if __name__ == "__main__":
    unittest.main()
