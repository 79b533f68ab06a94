#!/usr/bin/env python3
"""Turns a program as quarn prints it (--print-edb, --print-idb, --print-constraints) into clingo's
syntax, so that clingo solves the very program quarn's translation made. Reads standard input,
writes standard output; other lines (answers) are dropped.

Names of the translation that clingo does not read are renamed: "=p" (a copy of p) becomes
"cp_p" and "=-p" "cp_neg_p", "_p" becomes "u_p", the variable "_3" becomes "V3"; prefix
comparisons such as "!=(A,B)" become infix, " v " becomes " | ".
"""
import re
import sys

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


def facts(line):
    atoms, depth, current = [], 0, ""
    for ch in line.strip()[1:-1]:
        depth += ch == "("
        depth -= ch == ")"
        if ch == " " and depth == 0:
            if current:
                atoms.append(current)
            current = ""
        else:
            current += ch
    if current:
        atoms.append(current)
    return [a + "." for a in atoms]


def main():
    for line in sys.stdin:
        line = line.strip()
        if line.startswith("{") and line.endswith("}"):
            print("\n".join(rename(f) for f in facts(line)))
        elif line.endswith(".") and not line.startswith("Diagnosis:"):
            print(rename(line))


if __name__ == "__main__":
    main()
