#!/usr/bin/env python3
"""Writes random ground programs for the propositional grounder's benchmark.

Each program has N rules over N/2 atoms a(i) (a fifth of them disjunctive, bodies of up to three
literals: EDB atoms e(i), negated and positive IDB atoms), N/10 facts e(i) and N/20 constraints.
Two files per size: <dir>/prop<N>.lp in the rule language and <dir>/prop<N>.clingo.lp with "|"
for the disjunction.

Usage: propositional_gen.py DIR N [N ...]
"""
import os
import random
import sys


def program(n, seed):
    r = random.Random(seed)
    atoms = max(1, n // 2)
    lines = ["e(%d)." % r.randrange(atoms) for _ in range(n // 10)]
    for _ in range(n):
        head = ["a(%d)" % r.randrange(atoms)]
        if r.random() < 0.2:
            head.append("a(%d)" % r.randrange(atoms))
        body = []
        for _ in range(r.randint(0, 3)):
            k = r.random()
            if k < 0.3:
                body.append("e(%d)" % r.randrange(atoms))
            elif k < 0.6:
                body.append("not a(%d)" % r.randrange(atoms))
            else:
                body.append("a(%d)" % r.randrange(atoms))
        lines.append((head, body))
    for _ in range(n // 20):
        lines.append(([], ["a(%d)" % r.randrange(atoms), "not a(%d)" % r.randrange(atoms)]))
    return lines


def text(lines, disjunction):
    out = []
    for line in lines:
        if isinstance(line, str):
            out.append(line)
            continue
        head, body = line
        s = disjunction.join(head)
        if body:
            s += (" :- " if head else ":- ") + ", ".join(body)
        out.append(s + ".")
    return "\n".join(out) + "\n"


def main():
    directory = sys.argv[1]
    for n in map(int, sys.argv[2:]):
        lines = program(n, n)
        with open(os.path.join(directory, "prop%d.lp" % n), "w") as f:
            f.write(text(lines, " v "))
        with open(os.path.join(directory, "prop%d.clingo.lp" % n), "w") as f:
            f.write(text(lines, " | "))


if __name__ == "__main__":
    main()
