#!/usr/bin/env python3
"""Writes the sorted table of ISO 639 language codes (two and three
letters) that a language tag's first subtag is looked up in, from the JSON
files of Debian's iso-codes package.

    language_codes.py OUTPUT ISO_639_JSON..."""
import json
import string
import sys


def codes(path):
    with open(path, encoding="utf-8") as f:
        data = json.load(f)
    for entries in data.values():
        for entry in entries:
            for key in ("alpha_2", "alpha_3"):
                code = entry.get(key, "")
                if len(code) == 7 and code[3] == "-":  # a range reserved for local use: "qaa-qtz"
                    yield from (code[0] + b + c for b in string.ascii_lowercase for c in string.ascii_lowercase
                                if code[1:3] <= b + c <= code[5:7])
                elif code.isascii() and code.isalpha() and len(code) in (2, 3):
                    yield code.lower()


def main():
    table = sorted(set(code for path in sys.argv[2:] for code in codes(path)))
    if len(table) < 1000:
        sys.exit("language_codes.py: too few codes in %s" % " ".join(sys.argv[2:]))
    rows = ['"%s",' % code for code in table]
    lines = [" ".join(rows[i:i + 12]) for i in range(0, len(rows), 12)]
    with open(sys.argv[1], "w", encoding="ascii") as out:
        out.write("// Made by scripts/language_codes.py from Debian's iso-codes: do not edit.\n")
        out.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
