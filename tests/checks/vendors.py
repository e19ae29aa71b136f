#!/usr/bin/env python3
"""Keeps each provider's name in its room: fails when a vendor's name appears
in src/ outside src/providers/<that vendor>/ and the list of providers
(core/ProviderList.inc, the enumeration's source).

A vendor's names are its room's folder name and its descriptor's persisted
name (`.rawValue = "..."` in the room's *Provider.cpp) and display names (the
displayName and shortName rows of the room's *Texts.inc). They are matched
case-insensitively against the words of each identifier (cut at case changes,
digits and underscores): a name counts where a run of whole words spells it,
so ClaudeCodeAdapter, OpenAI_Codex and open_router name their vendors while
"claudex" or "sized" name none.

    vendors.py SRC_DIR        exits 1 and names each offender
"""
import pathlib
import re
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import sizes  # noqa: E402  (shares its report of offenders and waiting entries)

# The one file outside the rooms that names them all.
LIST_FILES = {"core/ProviderList.inc"}
SOURCE_SUFFIXES = {".h", ".cpp", ".inc", ".txt", ".cmake"}
# Qt's mouse and text cursors, which are no provider: cut out of a line before
# it is read.
NOT_VENDORS = [
    re.compile(p)
    for p in (
        r"\bQ(?:Text)?Cursor\b",
        r"\b(?:un)?setCursor\b",
        r"\bQt::\w*Cursor\b",
        r"\btrackCursorForPupils\b",  # the cat's eyes follow the pointer
        r"follow your cursor",  # the same, as the setting says it
    )
]
# Offences that changes under way are taking away, as "path:identifier". An
# entry that no longer offends fails the check too, so that the list only
# ever shrinks.
WAITING: set[str] = set()
# A room that serves another vendor's models names that vendor's model family
# in its reading code: Antigravity's quota lines of the Claude models.
SERVED_FAMILIES = {"antigravity": {"claude"}}

WORD = re.compile(r"[A-Z]+(?=[A-Z][a-z])|[A-Z]?[a-z]+|[A-Z]+|[0-9]+")
IDENTIFIER = re.compile(r"[A-Za-z0-9_]+")
NAME_ROW = re.compile(r'METERIX_ROOM_TEXT\((?:displayName|shortName),\s*QStringLiteral\("([^"]*)"\),'
                      r'\s*QStringLiteral\("([^"]*)"\)')
RAW_VALUE = re.compile(r'\.rawValue\s*=\s*"([^"]*)"')


def words(text):
    return [w.lower() for w in WORD.findall(text)]


def spelled(name):
    return "".join(words(name))


def vendor_names(src):
    """Each room's names, spelled as runs of words: {room: {spelling}}."""
    rooms = {}
    for room in sorted(p for p in (src / "providers").iterdir() if p.is_dir() and p.name != "common"):
        names = {spelled(room.name)}
        for path in room.glob("*Provider.cpp"):
            names.update(spelled(v) for v in RAW_VALUE.findall(path.read_text(encoding="utf-8")))
        for path in room.glob("*Texts.inc"):
            for pair in NAME_ROW.findall(path.read_text(encoding="utf-8")):
                names.update(spelled(v) for v in pair)
        rooms[room.name] = {n for n in names if n}
    return rooms


def named_in(line, spellings, longest):
    """The identifiers of the line in which a run of words spells a name."""
    for pattern in NOT_VENDORS:
        line = pattern.sub(" ", line)
    found = set()
    for identifier in IDENTIFIER.findall(line):
        ws = words(identifier)
        for i in range(len(ws)):
            run = ""
            for w in ws[i:i + longest]:
                run += w
                if run in spellings:
                    found.add((identifier, spellings[run]))
    return found


def offenders(src):
    rooms = vendor_names(src)
    spellings = {n: room for room, names in rooms.items() for n in names}
    longest = max(len(words(n)) or 1 for n in spellings) + 4
    found = []
    for path in sorted(p for p in src.rglob("*") if p.is_file() and p.suffix in SOURCE_SUFFIXES):
        rel = path.relative_to(src).as_posix()
        if rel in LIST_FILES:
            continue
        parts = rel.split("/")
        home = parts[1] if len(parts) > 2 and parts[0] == "providers" else None
        for number, line in enumerate(path.read_text(encoding="utf-8", errors="replace").splitlines(), 1):
            for identifier, room in sorted(named_in(line, spellings, longest)):
                if room != home and room not in SERVED_FAMILIES.get(home, set()):
                    found.append((f"src/{rel}:{identifier}", f"src/{rel}:{number}: {identifier} names {room}"))
    return found


def main(argv):
    if len(argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    return sizes.report(offenders(pathlib.Path(argv[1])), WAITING, "names no vendor", __file__)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
