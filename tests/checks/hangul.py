#!/usr/bin/env python3
"""Keeps the Korean texts in the text tables: no Hangul under src/ outside files
named *Texts.inc, comments included, so that every Korean text has its English
twin beside it and nothing Korean is written into code.

    hangul.py SRC_DIR        exits 1 and names each file and line
"""
import pathlib
import re
import sys

# Syllables, the jamo and the compatibility jamo, and the halfwidth jamo.
HANGUL = re.compile("[\u1100-\u11ff\u3130-\u318f\ua960-\ua97f\uac00-\ud7af\ud7b0-\ud7ff\uffa0-\uffdc]")


def main() -> int:
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    offenders = []
    for path in sorted(pathlib.Path(sys.argv[1]).rglob("*")):
        if not path.is_file() or path.name.endswith("Texts.inc"):
            continue
        text = path.read_bytes().decode("utf-8", errors="replace")
        for number, line in enumerate(text.splitlines(), 1):
            if HANGUL.search(line):
                offenders.append(f"{path}:{number}: {line.strip()}")
    for offender in offenders:
        print(offender)
    if offenders:
        print("Korean text belongs in the text tables (src/core/*Texts.inc)", file=sys.stderr)
    return 1 if offenders else 0


if __name__ == "__main__":
    sys.exit(main())
