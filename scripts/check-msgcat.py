#!/usr/bin/env python3
"""Fails when the code uses a message id that no message catalogue gives an English text.

Scans the C++ sources under src/ (and the generated bindings, when a build has made them)
for string literals that are message ids: dotted ids under "com.orvane.tarn." and
"com.orvane.lumo.", and the framework's "lumo." ids. Every one must be defined by a
".msgcat" file of the shipped host tree; each missing id is named with where it is used.

Literals that look like ids but are not messages are left out by rule:
  * a literal ending in "." is a prefix that code completes, not an id;
  * names in the framework's standard namespace "com.orvane.lumo.std." name standard
    errors, types and services, never messages;
  * a literal bound to a constant named for a type, service or operation
    (kTypeName, kKindTypeName, kServiceId, kOperationId ...) names that, not a message;
  * the generated bindings name services, operations and types under "com.orvane.";
    only their "lumo." literals (the adapters' failure ids) are messages, and a name the
    bindings define is not a message id where hand-written code repeats it either.

An id that a catalogue declares on purpose without text ("# untranslated: <id>") counts
as defined: its messages read "Unknown message.".

A text must not hold a printf conversion ("%s", "%d" ...): messages fill "{1}", "{2}" ...,
so such a text would reach clients with the conversion in it and the argument missing.

Usage: check-msgcat.py [--root DIR] [--generated DIR ...]
"""

import argparse
import pathlib
import re
import sys

SOURCE_SUFFIXES = {".cpp", ".hpp", ".h", ".cc", ".ipp"}
CATALOGUE_DIR = "tests/fixtures/hostroot/usr/lib/orvane/configmanager/locale/en"
ID_LITERAL = re.compile(r'"((?:com\.orvane\.(?:tarn|lumo)|lumo)\.[A-Za-z0-9_.\-]*)"')
STANDARD_NAMESPACE = "com.orvane.lumo.std."
NAME_CONSTANT = re.compile(r'\bk\w*(?:TypeName|ServiceId|ServiceName|OperationId)\s*=\s*"([^"]*)"')
UNTRANSLATED = re.compile(r"^[#;]\s*untranslated:\s*(\S+)\s*$")
PRINTF_CONVERSION = re.compile(r"%[-+ #0-9.]*[sdiuxXfgeclp]")


def code_part(line):
    """The line without a trailing // comment (a // inside a string literal is kept)."""
    in_string = False
    escaped = False
    for i, c in enumerate(line):
        if escaped:
            escaped = False
        elif c == "\\":
            escaped = True
        elif c == '"':
            in_string = not in_string
        elif not in_string and line.startswith("//", i):
            return line[:i]
    return line


def id_literals(path):
    """(id, line number) for each id-shaped literal in the code of `path` that is not
    bound to a constant naming a type, service or operation."""
    found = []
    text = path.read_text(encoding="utf-8", errors="replace")
    for number, line in enumerate(text.splitlines(), 1):
        code = code_part(line)
        names = {m.group(1) for m in NAME_CONSTANT.finditer(code)}
        for match in ID_LITERAL.finditer(code):
            if match.group(1) not in names:
                found.append((match.group(1), number))
    return found


def sources(directory):
    return sorted(p for p in directory.rglob("*") if p.is_file() and p.suffix in SOURCE_SUFFIXES)


def catalogue_ids(directory):
    """Ids defined by the ".msgcat" files below `directory` ("id = text" lines, and ids
    declared untranslated), and a complaint for each text with a printf conversion."""
    ids = set()
    complaints = []
    for path in sorted(directory.rglob("*.msgcat")):
        for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
            line = line.strip()
            untranslated = UNTRANSLATED.match(line)
            if untranslated:
                ids.add(untranslated.group(1))
            elif line and line[0] not in "#;[" and "=" in line:
                identifier, text = (part.strip() for part in line.split("=", 1))
                ids.add(identifier)
                if PRINTF_CONVERSION.search(text):
                    complaints.append(f"{path.name}:{number}: {identifier} has a printf conversion;"
                                      " arguments are filled as {1}, {2} ...")
    return ids, complaints


def is_message_id(identifier, binding_names):
    return not (
        identifier.endswith(".")
        or identifier.startswith(STANDARD_NAMESPACE)
        or identifier in binding_names
    )


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", default=pathlib.Path(__file__).resolve().parent.parent, type=pathlib.Path)
    parser.add_argument("--generated", action="append", default=[], type=pathlib.Path,
                        help="a directory of generated bindings (skipped when missing)")
    args = parser.parse_args()

    binding_names = set()
    uses = {}  # id -> first "path:line" that uses it
    for directory in args.generated:
        if not directory.is_dir():
            continue
        for path in sources(directory):
            for identifier, number in id_literals(path):
                if identifier.startswith("lumo."):
                    uses.setdefault(identifier, f"{path}:{number}")
                else:
                    binding_names.add(identifier)
    for path in sources(args.root / "src"):
        for identifier, number in id_literals(path):
            uses.setdefault(identifier, f"{path.relative_to(args.root)}:{number}")

    messages = {i: where for i, where in uses.items() if is_message_id(i, binding_names)}
    defined, complaints = catalogue_ids(args.root / CATALOGUE_DIR)
    missing = sorted(i for i in messages if i not in defined)
    for identifier in missing:
        print(f"check-msgcat: no catalogue text for {identifier} (used at {messages[identifier]})")
    for complaint in complaints:
        print(f"check-msgcat: {complaint}")
    if missing:
        print(f"check-msgcat: {len(missing)} of {len(messages)} message ids lack a text in {CATALOGUE_DIR}")
    if missing or complaints:
        return 1
    print(f"check-msgcat: all {len(messages)} message ids used in the code have a catalogue text")
    return 0


if __name__ == "__main__":
    sys.exit(main())
