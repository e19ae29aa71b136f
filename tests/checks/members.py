#!/usr/bin/env python3
"""Keeps the product free of members it never calls: every public member
function and every function declared at namespace level in a header under
src/ must be called somewhere in src/ other than its own declaration and
definition, and not only from the tests.

The cross-reference works on the text with comments, strings and preprocessor
lines blanked (sizes.blank) and braces matched as sizes.py does. A declaration
is a statement at namespace or class level in a header whose first top-level
parenthesis follows a name and no '='; it is public when every class around it
is in a public or signals section at that point (a struct starts public, a
class private). A use is an occurrence of the name followed by '(' or preceded
by '.', '->' or '::' (so '&Class::name' too) anywhere except the name of a
declaration or definition head: a head is that same first name of a statement
at namespace or class level, in headers and sources alike. Signals are members
like any other: connecting one ('&Class::signal') or emitting it uses it.

Exempt, and how each is told:
- constructors and destructors: the name is the class's, or starts with '~';
- operators: the name starts with 'operator';
- overrides: 'override' or 'final' after the parameter list;
- '= delete' and '= default' declarations;
- slots: a 'public Q_SLOTS' / 'public slots' section, or Q_SLOT before it;
- Q_INVOKABLE members and Q_PROPERTY accessors (READ, WRITE, RESET);
- members the meta-object reaches by name: a name written in SLOT()/SIGNAL()
  or as the method string of QMetaObject::invokeMethod counts as a use;
- names the language calls without naming them (IMPLICIT: range-for's begin
  and end, qHash for Qt's hashes, swap).

Same-named members of different classes share their uses: a call of any
Foo::text() counts for Bar::text() too, and a Qt call such as
QLabel::text() counts for both. The check is lenient there by design; it
catches a name nothing calls at all.

    members.py SRC_DIR [OUTSIDE_DIR...]   exits 1 and names each offender;
                                           OUTSIDE_DIRs (tests, fuzz targets)
                                           tell "only tests call it" apart
"""
import pathlib
import re
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import sizes  # noqa: E402  (shares its blanking and brace classification)

# Members others are reworking now, by "File.h:Class::name" (or "File.h:name"
# for a free function). An entry that no longer offends fails the check too,
# so that the list only ever shrinks.
WAITING: set[str] = set()

IMPLICIT = {"begin", "end", "cbegin", "cend", "qHash", "swap"}
SOURCE_SUFFIXES = {".h", ".cpp", ".inc"}
HEADER_SUFFIXES = {".h"}
MACRO = re.compile(r"\s*\b([A-Z][A-Z0-9]*_[A-Z0-9_]*)\b\s*")
TEMPLATE = re.compile(r"\s*\btemplate\s*<")
CLASS_HEAD = re.compile(r"^(class|struct|union)\b\s*(?:\[\[[^\]]*\]\]\s*)?(?:[A-Z][A-Z0-9_]*_[A-Z0-9_]*\s+)?"
                        r"([A-Za-z_]\w*)")
NAME_BEFORE = re.compile(r"([A-Za-z_]\w*)\s*$")
QUALIFIED_BEFORE = re.compile(r"((?:[A-Za-z_]\w*\s*::\s*)*~?\s*[A-Za-z_]\w*)\s*$")
NOT_NAMES = {"if", "for", "while", "switch", "return", "sizeof", "decltype", "alignas", "noexcept",
             "static_assert", "void", "int", "bool", "char", "auto", "const", "explicit", "throw",
             "alignof", "typeid", "catch", "requires", "co_return", "co_await", "new", "delete"}
IDENTIFIER = re.compile(r"[A-Za-z_]\w*")
PROPERTY = re.compile(r"\bQ_PROPERTY\s*\(([^)]*)\)")
ACCESSOR = re.compile(r"\b(?:READ|WRITE|RESET)\s+(\w+)")
BY_NAME = [re.compile(r"\b(?:SLOT|SIGNAL)\s*\(\s*(\w+)"),
           re.compile(r"\binvokeMethod\s*\([^;\"]*\"(\w+)\"")]


def skip_balanced(text, i, open_char, close_char):
    """Index just past the bracket group opening at text[i]."""
    depth = 0
    for k in range(i, len(text)):
        if text[k] == open_char:
            depth += 1
        elif text[k] == close_char:
            depth -= 1
            if depth == 0:
                return k + 1
    return len(text)


def strip_prefix(stmt):
    """(offset where the statement proper starts, macros seen): leading macros
    (Q_OBJECT, Q_INVOKABLE, Q_DISABLE_COPY(X)...) and template heads go."""
    i, macros = 0, set()
    while True:
        m = MACRO.match(stmt, i)
        if m:
            macros.add(m.group(1))
            i = m.end()
            if stmt[i:i + 1] == "(":
                i = skip_balanced(stmt, i, "(", ")")
            continue
        m = TEMPLATE.match(stmt, i)
        if m:
            i = skip_balanced(stmt, m.end() - 1, "<", ">")
            continue
        return i, macros


def head(stmt):
    """The function a statement at namespace or class level declares or
    defines: (offset of its unqualified name, qualified name, what follows
    its parameter list, macros before it), or None."""
    start, macros = strip_prefix(stmt)
    body = stmt[start:]
    if re.match(r"\s*(friend|using|typedef|static_assert|namespace)\b", body):
        return None
    angle = 0
    for k, c in enumerate(body):
        if c == "<":
            angle += 1
        elif c == ">":
            angle = max(angle - 1, 0)
        elif c == "=" and angle == 0 and not re.search(r"operator\s*\S*$", body[:k]):
            return None
        elif c in "{;":
            return None
        elif c == "(" and angle == 0 and re.match(r"\(\s*[*&]", body[k:]):
            return None  # a pointer to a function is a variable, not a declaration of one
        elif c == "(" and angle == 0:
            before = body[:k]
            op = re.search(r"\boperator\b.*$", before, re.S)
            if op:
                return (start + op.start(), "operator", body[k:], macros)
            m = QUALIFIED_BEFORE.search(before)
            if not m:
                return None
            qualified = re.sub(r"\s+", "", m.group(1))
            last = NAME_BEFORE.search(before)
            if qualified.split("::")[-1].lstrip("~") in NOT_NAMES:
                return None
            return (start + last.start(1), qualified,
                    body[skip_balanced(body, k, "(", ")"):], macros)
    return None


class Scanner:
    """One file's declarations (headers only) and uses."""

    def __init__(self, text, collect):
        self.code = sizes.blank(text)
        self.collect = collect
        self.declarations = []  # (line, key name, exempt)
        self.heads = set()  # offsets of names in declaration and definition heads
        self.properties = {a for p in PROPERTY.findall(self.code) for a in ACCESSOR.findall(p)}
        self.scan()

    def line_of(self, offset):
        return self.code.count("\n", 0, offset) + 1

    def scan(self):
        code = self.code
        stack = []  # ("scope", None) | ("class", [name, access]) | ("inner", None) | ("init", None)
        start = 0

        def outer():
            return all(kind in ("scope", "class") for kind, _ in stack)

        for i, c in enumerate(code):
            if c == "{":
                if outer():
                    stmt = code[start:i]
                    kind = sizes.classify(stmt[strip_prefix(stmt)[0]:])
                    if kind[0] == "scope":
                        cls = CLASS_HEAD.match(" ".join(stmt[strip_prefix(stmt)[0]:].split()))
                        if cls:
                            stack.append(("class", [cls.group(2), "public" if cls.group(1) != "class" else "private"]))
                        else:
                            stack.append(("scope", None))
                        start = i + 1
                        continue
                    if kind[0] == "function":
                        self.statement(start, stmt, stack)
                    stack.append((kind[0] if kind[0] in ("init", "function") else "inner", None))
                    if kind[0] != "init":
                        start = i + 1
                else:
                    stack.append(("inner", None))
            elif c == "}":
                kind = stack.pop()[0] if stack else "scope"
                if outer() and kind != "init":
                    start = i + 1
            elif c == ";" and outer():
                self.statement(start, code[start:i], stack)
                start = i + 1
            elif c == ":" and outer() and code[i + 1:i + 2] != ":" and code[i - 1:i] != ":":
                access = sizes.ACCESS.search(code[start:i])
                if access and stack and stack[-1][0] == "class":
                    words = code[start:i].split()
                    level = next((w for w in words if w in ("public", "protected", "private")), "public")
                    if words[-1] in ("Q_SLOTS", "slots"):
                        level = "slots" if level == "public" else level
                    elif words[-1] in ("Q_SIGNALS", "signals"):
                        level = "public"
                    stack[-1][1][1] = level
                    start = i + 1

    def statement(self, offset, stmt, stack):
        found = head(stmt)
        if not found:
            return
        at, name, tail, macros = found
        self.heads.add(offset + at)
        if not self.collect or name == "operator":
            return
        classes = [entry for kind, entry in stack if kind == "class"]
        if not classes and "::" in name:
            return  # an out-of-line definition of a member
        if any(entry[1] not in ("public", "slots") for entry in classes):
            return
        short = name.split("::")[-1]
        exempt = (short.startswith("~") or (classes and short == classes[-1][0])
                  or re.search(r"\b(override|final)\b", tail) or re.search(r"=\s*(delete|default)\b", tail)
                  or (classes and classes[-1][1] == "slots") or macros & {"Q_SLOT", "Q_INVOKABLE"}
                  or short in self.properties or short in IMPLICIT)
        key = "::".join([entry[0] for entry in classes] + [short])
        self.declarations.append((self.line_of(offset + at), key, bool(exempt)))

    def uses(self):
        """Names used in this file, heads aside."""
        found = set()
        code = self.code
        for m in IDENTIFIER.finditer(code):
            if m.start() in self.heads or (m.start() > 0 and (code[m.start() - 1].isalnum() or code[m.start() - 1] == "_")):
                continue
            before = code[max(0, m.start() - 3):m.start()].rstrip()
            after = code[m.end():m.end() + 2].lstrip()
            # Called, reached through an object or a scope, or its address taken.
            if after.startswith("(") or before.endswith((".", "->", "::")):
                found.add(m.group(0))
            elif before.endswith("=") and after[:1] in (",", ")"):
                # A function given as a default argument: `hook = name,`.
                found.add(m.group(0))
            elif before.endswith("=") and after[:1] == ";":
                # A function stored as a field's default (`hook = name;`);
                # a variable's value looks the same, so it counts for free
                # and static functions only.
                found.add("&" + m.group(0))
            elif re.search(r"(^|[^\w>)\]])&$", code[max(0, m.start() - 2):m.start()]):
                # The address of a free function (a member's is &Class::name);
                # a local variable's address looks the same, so it counts
                # for free functions only.
                found.add("&" + m.group(0))
        return found


def sources(folder):
    return sorted(p for p in folder.rglob("*") if p.suffix in SOURCE_SUFFIXES and p.is_file())


def used_names(folders):
    names = set()
    for folder in folders:
        for path in sources(folder):
            text = path.read_text(encoding="utf-8", errors="replace")
            names |= Scanner(text, collect=False).uses()
            names |= {n for pattern in BY_NAME for n in pattern.findall(text)}
    return names


def offenders(src, outside):
    """Each never-called member as (key, message)."""
    in_product = used_names([src])
    in_outside = used_names(outside)
    found = []
    for path in sources(src):
        if path.suffix not in HEADER_SUFFIXES:
            continue
        rel = path.relative_to(src.parent).as_posix()
        text = path.read_text(encoding="utf-8", errors="replace")
        lines = text.splitlines()
        for line, name, exempt in Scanner(text, True).declarations:
            short = name.split("::")[-1]
            free = "::" not in name or re.search(r"\bstatic\b", lines[line - 1]) is not None
            if exempt or short in in_product or (free and "&" + short in in_product):
                continue
            tested = short in in_outside or (free and "&" + short in in_outside)
            where = "only the tests call it" if tested else "nothing calls it"
            found.append((f"{path.name}:{name}", f"{rel}:{line}: {name}: {where}"))
    unique = {}
    for key, message in found:
        unique.setdefault(key, message)
    return sorted(unique.items())


def main(argv):
    if len(argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    found = offenders(pathlib.Path(argv[1]).resolve(), [pathlib.Path(a).resolve() for a in argv[2:]])
    return sizes.report(found, WAITING, "is called or gone", __file__)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
