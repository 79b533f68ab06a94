#!/usr/bin/env python3
"""Turns a program as quarn prints it (--print-edb, --print-idb, --print-constraints) into clingo's
syntax, so that clingo solves the very program quarn's translation made. Reads standard input,
writes standard output; other lines (answers) are dropped.

Names of the translation that clingo does not read are renamed: "=p" (a copy of p) becomes
"cp_p" and "=-p" "cp_neg_p", "_p" becomes "u_p", the variable "_3" becomes "V3"; prefix
comparisons such as "!=(A,B)" become infix, " v " becomes " | ".
"""
import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "differential"))
from clingo_support import split_printed_facts  # noqa: E402

COMPARISON = re.compile(r"(!=|==|<=|>=|<|>)\(([^(),]+),([^(),]+)\)")
VARIABLE = re.compile(r"(?<![A-Za-z0-9_])_(\d+)(?![A-Za-z0-9_])")
COPY = re.compile(r"=(-?)([a-z][A-Za-z0-9_]*)\(")
AUXILIARY = re.compile(r"(?<![A-Za-z0-9_])_([a-z][A-Za-z0-9_]*)")


def rename(text):
    text = COMPARISON.sub(lambda m: "%s%s%s" % (m.group(2), m.group(1), m.group(3)), text)
    text = VARIABLE.sub(r"V\1", text)
    text = COPY.sub(lambda m: "cp_%s%s(" % ("neg_" if m.group(1) else "", m.group(2)), text)
    text = AUXILIARY.sub(r"u_\1", text)
    return text.replace(" v ", " | ")


def main():
    for line in sys.stdin:
        line = line.strip()
        if line.startswith("{") and line.endswith("}"):
            print("\n".join(rename(f) + "." for f in split_printed_facts(line[1:-1])))
        elif line.endswith(".") and not line.startswith("Diagnosis:"):
            print(rename(line))


if __name__ == "__main__":
    main()
