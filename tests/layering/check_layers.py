#!/usr/bin/env python3
"""Fails on an include that points up the layers, or on a Qt module a layer must not use.

    check_layers.py <source root> <Qt include directory>...

The layers, bottom to top, and what each may include besides itself, are the tables below;
docs/architecture.md explains them. A Qt header is attributed to the module folder that holds
it under Qt's include directory, so <QWidget>, <QtWidgets/QWidget> and <qwidget.h> all count
as QtWidgets.
"""
import pathlib
import re
import sys

CORE = "TelvoraCore"
MEDIA = "Telvora/Media"
TRANSCRIPTION = "Telvora/Transcription"
DOCUMENT = "Telvora/Document"
SESSION = "Telvora/Session"
INTERFACE = "Telvora/Interface"
SHELL = "Telvora/Shell"

BELOW = {
    CORE: set(),
    MEDIA: {CORE},
    TRANSCRIPTION: {CORE, MEDIA},
    DOCUMENT: {CORE},
    SESSION: {CORE, MEDIA, TRANSCRIPTION, DOCUMENT},
    INTERFACE: {CORE, MEDIA, TRANSCRIPTION, DOCUMENT, SESSION},
    SHELL: {CORE, MEDIA, TRANSCRIPTION, DOCUMENT, SESSION, INTERFACE},
}

WIDGETS = re.compile(r"^Qt\w*Widgets$")
CORE_FORBIDDEN = re.compile(r"^Qt(Gui|Multimedia\w*|\w*Widgets)$")


def forbidden_module(layer, module):
    if layer == CORE:
        return CORE_FORBIDDEN.match(module) is not None
    if layer in (SHELL, INTERFACE):
        return False
    return WIDGETS.match(module) is not None


INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
SOURCES = {".h", ".hpp", ".cpp", ".cc"}


def layer_of(path):
    """The layer a project path ("Telvora/Media/X.h") belongs to, None for a path outside
    TelvoraCore/ and Telvora/, "" for a folder of Telvora/ that is in no layer."""
    parts = pathlib.PurePosixPath(path).parts
    if not parts:
        return None
    if parts[0] == CORE:
        return CORE
    if parts[0] != "Telvora" or len(parts) < 3:
        return None
    folder = "/".join(parts[:2])
    return folder if folder in BELOW else ""


def qt_modules(header, qt_roots):
    first = header.split("/", 1)[0]
    if "/" in header and first.startswith("Qt"):
        return {first}
    modules = set()
    for root in qt_roots:
        if (root / header).is_dir() and header.startswith("Qt"):
            modules.add(header)
        for module in root.glob("Qt*/" + header):
            if module.is_file():
                modules.add(module.parent.name)
    return modules


def qt_include_roots(directories):
    roots = []
    for directory in map(pathlib.Path, directories):
        root = directory.parent if directory.name.startswith("Qt") else directory
        if (root / "QtCore").is_dir() and root not in roots:
            roots.append(root)
    return roots


def check(source_root, qt_roots):
    problems = []
    files = []
    for top in (CORE, "Telvora"):
        files += [p for p in sorted((source_root / top).rglob("*")) if p.suffix in SOURCES and p.is_file()]
    for path in files:
        relative = path.relative_to(source_root).as_posix()
        layer = layer_of(relative)
        if layer is None:
            continue
        if layer == "":
            problems.append(f"{relative}: this folder is in no layer; add it to tests/layering/check_layers.py")
            continue
        for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            quoted, header = match.group(1) == '"', match.group(2)
            where = f"{relative}:{number}"
            if quoted:
                target = layer_of(header)
                if target == "":
                    problems.append(f"{where}: {header} is in no layer")
                elif target is not None and target != layer and target not in BELOW[layer]:
                    problems.append(f"{where}: {layer} includes {header}, which is not below it")
                continue
            for module in sorted(qt_modules(header, qt_roots)):
                if forbidden_module(layer, module):
                    problems.append(f"{where}: {layer} includes <{header}> from {module}")
    return files, problems


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    source_root = pathlib.Path(sys.argv[1])
    qt_roots = qt_include_roots(sys.argv[2:])
    if not qt_roots:
        sys.exit("no Qt include directory among " + " ".join(sys.argv[2:]))
    files, problems = check(source_root, qt_roots)
    if not files:
        sys.exit(f"no source files under {source_root}")
    for problem in problems:
        print(problem)
    if problems:
        sys.exit(1)
    print(f"{len(files)} files, every include points down")


if __name__ == "__main__":
    main()
