#!/usr/bin/env python3
"""Checks that dependencies point down the layers (docs/architecture.md).

1. A folder includes only itself and the folders below it (USES).
2. Window code (Qt) may use standard-C++ code, never the other way round:
   a file that includes no Qt header (and is not in ui/) includes no file
   that does. The core libraries are built without Qt, so this keeps
   window code out of them.
3. No CMakeLists.txt compiles a file of another folder.

Prints each offence as "file:line: what" and exits 1 when there is one.
Usage: check-includes.py [source root]
"""

import pathlib
import re
import sys

# Each folder and the folders it may include, from the bottom up. tests/,
# bench/ and fuzz/ may include anything.
USES = {
    "base": set(),
    "serial": {"base"},
    "link": {"serial", "base"},
    "core": {"link", "serial", "base"},
    "records": {"core", "link", "serial", "base"},
    "logger": {"records", "core", "link", "serial", "base"},
    "monitor": {"records", "core", "link", "serial", "base"},
    "viewer": {"records", "core", "link", "serial", "base"},
    "write": {"core", "link", "serial", "base"},
    "report": {"core", "link", "serial", "base"},
    "settings": {"write", "report", "core", "link", "serial", "base"},
    "app": {"settings", "monitor", "viewer", "logger", "records", "write", "report", "core",
            "link", "serial", "base"},
    "sim": {"link", "base"},
    "ui": {"base"},
}
# Shared window code that every window may include.
WINDOW_SHARED = "ui"

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
QT_HEADER = re.compile(r"^(Qt?[A-Z]|qcustomplot\.h)")  # <QWidget>, <QtGui/QFont>, the charts


def includes(path):
    for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        m = INCLUDE.match(line)
        if m:
            yield number, m.group(1), m.group(2)


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    files = {}
    for folder in USES:
        for path in sorted((root / folder).rglob("*")):
            if path.suffix in (".h", ".cpp"):
                files[path.relative_to(root).as_posix()] = path

    # Window side: in ui/, or including Qt; a source goes with its header.
    window = set()
    for name, path in files.items():
        if name.startswith(WINDOW_SHARED + "/") or any(
            kind == "<" and QT_HEADER.match(target) for _, kind, target in includes(path)
        ):
            window.add(name)
    for name in list(window):
        if name.endswith(".h"):
            window.add(name[:-2] + ".cpp")

    offences = []
    for name, path in files.items():
        folder = name.split("/", 1)[0]
        allowed = USES[folder] | {folder}
        if name in window:
            allowed = allowed | {WINDOW_SHARED}
        for number, kind, target in includes(path):
            if kind != '"' or "/" not in target:
                continue
            to = target.split("/", 1)[0]
            if to not in USES:
                continue
            where = f"{name}:{number}: includes \"{target}\""
            if to not in allowed:
                offences.append(f"{where}: {folder}/ may not use {to}/")
            elif name not in window and target in window:
                offences.append(f"{where}: standard-C++ code may not use window code")

    source = re.compile(r"(\.\./|\$\{(?:PROJECT|CMAKE)_SOURCE_DIR\}/)[\w/.-]+\.(?:cpp|h)\b")
    for cmake in sorted(root.rglob("CMakeLists.txt")):
        rel = cmake.relative_to(root).as_posix()
        if rel.startswith("build"):
            continue
        for number, line in enumerate(cmake.read_text(encoding="utf-8").splitlines(), 1):
            m = source.search(line.split("#", 1)[0])
            if m:
                offences.append(f"{rel}:{number}: compiles a file of another folder: {m.group(0)}")

    for offence in offences:
        print(offence)
    if offences:
        print(f"check-includes: {len(offences)} dependencies point the wrong way "
              "(see docs/architecture.md)")
        return 1
    print(f"check-includes: {len(files)} files, every dependency points down")
    return 0


if __name__ == "__main__":
    sys.exit(main())
