#!/usr/bin/env python3
"""Fails when a file of the client includes a folder of a layer above its own.

The client's folders are layers; a file may include its own folder and the folders of lower
layers, never a higher one (nor a folder of the same rank: those are independent). The program's
entry point, which puts everything together, is the one exception.

Usage: check_layers.py CLIENT_DIR [STAMP_FILE]
"""
import pathlib
import re
import sys

# Lower numbers are lower layers.
RANKS = {
    "runtime": 0, "resources": 0,
    "gateway": 1, "skin": 1,
    "toolkit": 2, "session": 2,
    "app": 3,
    "feeds": 4,
    "ui": 5,
}
ENTRY_POINTS = {"app/main_win.cpp"}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z_]+)/', re.MULTILINE)


def main() -> int:
    client = pathlib.Path(sys.argv[1])
    wrong = []
    for path in sorted(client.rglob("*")):
        if path.suffix not in (".h", ".cpp"):
            continue
        rel = path.relative_to(client).as_posix()
        folder = rel.split("/")[0]
        if folder not in RANKS or rel in ENTRY_POINTS:
            continue
        for included in INCLUDE.findall(path.read_text(encoding="utf-8")):
            if included == folder or included not in RANKS:
                continue
            if RANKS[included] >= RANKS[folder]:
                wrong.append(f"{rel}: includes {included}/, which is not below {folder}/")
    for line in wrong:
        print(f"layers: {line}", file=sys.stderr)
    if wrong:
        return 1
    if len(sys.argv) > 2:
        pathlib.Path(sys.argv[2]).write_text("ok\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
