#!/usr/bin/env python3
"""Makes the Debian package of a build with CPack and checks it as a user would meet it.

check_package.py <build folder> <version>

The package must be named telvora_<version>_amd64.deb, carry the program, its two resource
folders, the desktop entry, the icon and the engine installer, take its dependencies from
the binaries, state its installed size as dpkg measures it, and have no maintainer scripts
(so removing it leaves nothing behind). Unpacked anywhere, its program must run its guide
check on the guide it carries.
"""

import math
import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile

EXPECTED_FILES = [
    "usr/bin/telvora",
    "usr/bin/telvora-install-engine",
    "usr/share/applications/telvora.desktop",
    "usr/share/icons/hicolor/512x512/apps/telvora.png",
    "usr/share/telvora/engine-constraints.txt",
    "usr/share/telvora/Telvora_Telvora.bundle/Info.json",
    "usr/share/telvora/Telvora_Telvora.bundle/Telvora-icon-v1.png",
    "usr/share/telvora/Telvora_Telvora.bundle/TranscriptionRuntime/worker.py",
    "usr/share/telvora/Telvora_TelvoraCore.bundle/QuintaraAuthoring/SKILL.md",
]
# Libraries whose packages the binaries' dependencies must name.
EXPECTED_DEPENDENCIES = ["libc6", "libqt6core6", "libqt6widgets6", "libqt6multimedia6", "libavfilter8",
                         "libavcodec59", "libqt6keychain1"]
GUIDE_LINE = re.compile(r"^Guia Quintara carregado: (\d+) bytes de instruções\.$")

failures = []


def expect(condition, message):
    if not condition:
        failures.append(message)


def run(*arguments, **options):
    return subprocess.run([str(argument) for argument in arguments], check=True, capture_output=True, text=True,
                          **options)


def installed_size(root):
    """dpkg-gencontrol's measure: every file in whole KiB, every other entry one."""
    total = 0
    for folder, folders, files in os.walk(root):
        total += len(folders)
        for name in files:
            path = pathlib.Path(folder, name)
            total += 1 if path.is_symlink() else math.ceil(path.stat().st_size / 1024)
    return total


def count_folders(root):
    return sum(len(folders) for _, folders, _ in os.walk(root))


def guide_bytes(program):
    result = subprocess.run([str(program), "--verify-quintara-authoring"], capture_output=True, text=True,
                            env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
    match = GUIDE_LINE.match(result.stdout.strip())
    expect(result.returncode == 0 and match, f"{program} --verify-quintara-authoring: {result.returncode} "
                                             f"{result.stdout!r} {result.stderr!r}")
    return int(match.group(1)) if match else -1


def check(build, version, temp):
    output = temp / "out"
    run("cpack", "--config", pathlib.Path(build, "CPackConfig.cmake"), "-B", output)
    package = output / f"telvora_{version}_amd64.deb"
    if not package.exists():
        failures.append(f"no {package.name} in {sorted(p.name for p in output.iterdir())}")
        return

    fields = dict(re.findall(r"^(\S+): (.*)$", run("dpkg-deb", "-f", package).stdout, re.MULTILINE))
    expect(fields.get("Package") == "telvora", f"Package: {fields.get('Package')}")
    expect(fields.get("Version") == version, f"Version: {fields.get('Version')}")
    expect(fields.get("Architecture") == "amd64", f"Architecture: {fields.get('Architecture')}")
    depends = [entry.split()[0] for entry in fields.get("Depends", "").split(", ") if entry]
    for library in EXPECTED_DEPENDENCIES:
        expect(library in depends, f"Depends lacks {library}: {fields.get('Depends')}")

    control = temp / "control"
    run("dpkg-deb", "-e", package, control)
    scripts = sorted(set(os.listdir(control)) - {"control", "md5sums"})
    expect(not scripts, f"maintainer files that removal would not undo: {scripts}")

    root = temp / "root"
    run("dpkg-deb", "-x", package, root)
    for path in EXPECTED_FILES:
        expect((root / path).is_file(), f"{path} is not in the package")
    expect(os.access(root / "usr/bin/telvora-install-engine", os.X_OK), "the engine installer is not executable")
    desktop = (root / "usr/share/applications/telvora.desktop").read_text(encoding="utf-8")
    expect("\nMimeType=audio/mpeg;" in desktop and "\nExec=telvora %F" in desktop, "the desktop entry lost its types")
    # CPack counts a folder as the 4 KiB block it takes, dpkg-gencontrol as 1 KiB: both are
    # honest estimates of the space the files need, and nothing else may tell them apart.
    stated, measured = int(fields.get("Installed-Size", "0")), installed_size(root)
    expect(measured <= stated <= measured + 3 * count_folders(root),
           f"Installed-Size {stated}, dpkg measures {measured}")

    # The unpacked program reads the guide it carries, wherever the tree lies: a line added
    # to that guide shows in its count.
    before = guide_bytes(root / "usr/bin/telvora")
    added = "\nUma linha a mais no guia.\n"
    with open(root / "usr/share/telvora/Telvora_TelvoraCore.bundle/QuintaraAuthoring/SKILL.md", "a",
              encoding="utf-8") as guide:
        guide.write(added)
    moved = temp / "elsewhere"
    shutil.move(root, moved)
    after = guide_bytes(moved / "usr/bin/telvora")
    expect(before > 0 and after == before + len(added.encode()),
           f"the unpacked program counted {before}, then {after} bytes: it did not read its own guide")


def main():
    build, version = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory(prefix="telvora-package-") as temp:
        try:
            check(build, version, pathlib.Path(temp))
        except subprocess.CalledProcessError as error:
            failures.append(f"{' '.join(error.cmd)} failed ({error.returncode}):\n{error.stdout}{error.stderr}")
    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
