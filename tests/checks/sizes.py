#!/usr/bin/env python3
"""Keeps the sources small enough to read: no file under src/ over 800 lines and
no function body over 80 lines.

Data tables (texts, rules) are long by nature and are named below. A function's
length runs from the line of its opening brace to that of its closing one; the
braces are matched on the text with comments, strings and character literals
blanked out, and a brace counts as a function's when it opens at namespace or
class level after a parameter list.

    sizes.py SRC_DIR        exits 1 and names each offender
"""
import pathlib
import re
import sys

MAX_FILE_LINES = 800
MAX_FUNCTION_LINES = 80

# Tables of data, not logic, by file name (a file keeps its name when it moves
# between folders): whole files, and functions that are one table each
# ("file:function").
TABLE_FILES = {
    "L10nPlainTexts.inc",
}
TABLE_FUNCTIONS: set[str] = set()
# Offenders that changes under way are splitting. An entry that no longer
# offends fails the check too, so that the list only ever shrinks.
WAITING: set[str] = set()

SOURCE_SUFFIXES = {".h", ".cpp", ".inc"}
SCOPES = re.compile(r"^(template\s*<.*>\s*)?(namespace|class|struct|union|enum|extern)\b", re.S)
QUALIFIERS = re.compile(r"\)[\s\w&*]*(->[^{};]*)?$")
NAME = re.compile(r"(operator\s*[^\s(]+|[A-Za-z_~][\w:~]*)\s*\($")
ACCESS = re.compile(r"\b(public|private|protected|Q_SIGNALS|Q_SLOTS|signals|slots)\s*$")


def blank(text):
    """The text with comments, string and character literals (raw strings too)
    and preprocessor lines replaced by spaces, new lines kept, so that braces
    and lines stay put."""
    out = []
    i, n = 0, len(text)
    at_line_start = True
    while i < n:
        c = text[i]
        if at_line_start and text[i:].lstrip(" \t").startswith("#"):
            j = i
            while True:  # a directive runs on over escaped line ends
                j = text.find("\n", j)
                if j < 0 or text[j - 1] != "\\":
                    break
                j += 1
            j = n if j < 0 else j
            out.append(re.sub(r"[^\n]", " ", text[i:j]))
            i = j
            continue
        at_line_start = c == "\n"
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            out.append(" " * (j - i))
            i = j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            out.append(re.sub(r"[^\n]", " ", text[i:j]))
            i = j
        elif text.startswith('R"', i) and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == "_")):
            open_paren = text.find("(", i + 2)
            delimiter = text[i + 2:open_paren]
            j = text.find(")" + delimiter + '"', open_paren)
            j = n if j < 0 else j + len(delimiter) + 2
            out.append(re.sub(r"[^\n]", " ", text[i:j]))
            i = j
        elif c in "\"'":
            # A digit separator (1'000) is no literal.
            if c == "'" and i > 0 and text[i - 1].isalnum() and i + 1 < n and text[i + 1].isalnum():
                out.append(" ")
                i += 1
                continue
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            j = min(j + 1, n)
            out.append(" " * (j - i))
            i = j
        else:
            out.append(c)
            i += 1
    return "".join(out)


def top_level_paren_before(header, end):
    """Index of the '(' that the ')' at end closes."""
    depth = 0
    for k in range(end, -1, -1):
        if header[k] == ")":
            depth += 1
        elif header[k] == "(":
            depth -= 1
            if depth == 0:
                return k
    return -1


def classify(header):
    """What a brace opened at namespace or class level after header opens:
    ("scope",), ("init",) (a member's braces in a constructor's initialiser
    list), ("function", name) or ("other",) (a table, a variable's braces)."""
    header = " ".join(header.split())
    if SCOPES.search(header):
        return ("scope",)
    first_paren = header.find("(")
    if "=" in (header if first_paren < 0 else header[:first_paren]).replace("==", ""):
        return ("function", "(lambda)") if re.search(r"=\s*\[", header) else ("other",)
    close = header.rfind(")")
    if close < 0:
        return ("other",)
    opening = top_level_paren_before(header, close)
    if re.search(r"\)\s*:(?!:)", header) and re.search(r"[\w>]$", header):
        return ("init",)
    if not QUALIFIERS.search(header) and not re.search(r"\)\s*:(?!:)", header):
        return ("other",)
    # The function's own parameter list: the first one at the top, before any
    # initialiser list.
    m = re.search(r"\)\s*:(?!:)", header)
    if m:
        opening = top_level_paren_before(header, m.start())
    name = NAME.search(header[:opening + 1]) if opening >= 0 else None
    return ("function", name.group(1)) if name else ("other",)


def functions(text):
    """(name, first line, last line) of each function body at namespace or class level."""
    code = blank(text)
    stack = []  # one entry per open brace: (kind, name, line)
    header_start = 0
    line = 1
    found = []

    def at_outer_level():
        return all(entry[0] == "scope" for entry in stack)

    for i, c in enumerate(code):
        if c == "\n":
            line += 1
        elif c == "{":
            if at_outer_level():
                kind = classify(code[header_start:i])
                stack.append((kind[0], kind[1] if len(kind) > 1 else None, line))
                if kind[0] != "init":
                    header_start = i + 1
            else:
                stack.append(("inner", None, line))
        elif c == "}":
            kind, name, first = stack.pop() if stack else ("scope", None, line)
            if kind == "function":
                found.append((name, first, line))
            if at_outer_level() and kind != "init":
                header_start = i + 1
        elif at_outer_level() and (c == ";" or (c == ":" and ACCESS.search(code[header_start:i]) and
                                               code[i + 1:i + 2] != ":")):
            header_start = i + 1
    return found


def offenders(src):
    """Each file or function over its limit, as (key, message), key being
    "file" or "file:function" by file name."""
    found = []
    for path in sorted(p for p in src.rglob("*") if p.suffix in SOURCE_SUFFIXES and p.is_file()):
        rel = path.relative_to(src).as_posix()
        if path.name in TABLE_FILES:
            continue
        text = path.read_text(encoding="utf-8", errors="replace")
        lines = len(text.splitlines())
        if lines > MAX_FILE_LINES:
            found.append((path.name, f"{rel}: {lines} lines (at most {MAX_FILE_LINES})"))
        for name, first, last in functions(text):
            key = f"{path.name}:{name.split('::')[-1]}"
            length = last - first + 1
            if length > MAX_FUNCTION_LINES and key not in TABLE_FUNCTIONS:
                found.append((key, f"{rel}:{first}: {name} is {length} lines (at most {MAX_FUNCTION_LINES})"))
    return found


def report(found, waiting, mended, script):
    """Prints each offender of found ((key, message) pairs) that is not
    waiting, and each waiting key that no longer offends (mended says how it
    reads); gives the exit status: 1 when anything was printed."""
    problems = [message for key, message in found if key not in waiting]
    for key in sorted(waiting - {key for key, _ in found}):
        problems.append(f"{key} {mended} now: take it off the waiting list in {pathlib.Path(script).name}")
    for p in problems:
        print(p)
    return 1 if problems else 0


def main(argv):
    if len(argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    return report(offenders(pathlib.Path(argv[1])), WAITING, "is within its limit", __file__)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
