#!/usr/bin/env python3
"""The layers as ARCHITECTURE.md draws them: each product folder includes only its own files and
those of the folders below it, never a test's. Names every include that runs the wrong way and
exits 1; prints "include rules hold" and exits 0 otherwise.

    scripts/include_rules.py [ROOT]
"""
import pathlib
import re
import sys

CORE = ["text/", "store/", "query/", "engine/", "settings/"]
# The most specific folder first: ui/portable/ is below ui/.
ALLOWED = [
    ("text/", ["text/"]),
    ("store/", ["text/", "store/"]),
    ("query/", ["text/", "store/", "query/"]),
    ("engine/", ["text/", "store/", "query/", "engine/"]),
    ("settings/", ["text/", "store/", "query/", "settings/"]),
    ("win32/", ["win32/"]),
    ("controls/", ["text/", "win32/", "controls/"]),
    ("ui/portable/", CORE + ["ui/portable/"]),
    ("ui/", CORE + ["win32/", "ui/"]),
    ("host/", CORE + ["win32/", "controls/", "ui/", "host/"]),
]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def is_test(path):
    return "test" in path.name


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    wrong = []
    for folder, allowed in ALLOWED:
        for path in sorted((root / folder).glob("*")):
            if path.suffix not in (".h", ".cpp") or is_test(path):
                continue
            name = path.relative_to(root).as_posix()
            if folder == "ui/" and name.startswith("ui/portable/"):
                continue
            for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
                match = INCLUDE.match(line)
                if not match or "/" not in match.group(1):
                    continue
                target = match.group(1)
                if not any(target.startswith(prefix) for prefix in allowed):
                    wrong.append(f"{name}:{number}: includes {target}")
    for line in wrong:
        print(line)
    if wrong:
        return 1
    print("include rules hold")
    return 0


if __name__ == "__main__":
    sys.exit(main())
