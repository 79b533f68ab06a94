#!/usr/bin/env python3
"""Differential test of the rule-language reader: random programs of facts read by quarn and by
clingo must give the same set of facts.

The programs mix the syntax both accept for facts: integers, constants, quoted strings, nested
function terms, strong negation, integer ranges (also with named constants as bounds), and
named constants for integers and for symbols. quarn prints what it read with --print-edb (the
program ends with "end. :- end." so the run stops right after the dump); clingo --text prints
the facts it grounds. Both sets must be equal.

Usage: facts_vs_clingo.py QUARN [--seed N] [--count N] [--keep DIR]
"""
import argparse
import os
import random
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from clingo_support import split_printed_facts  # noqa: E402


def make_program(rng):
    lines = []
    int_constants, symbol_constants = [], []
    for i in range(rng.randint(0, 3)):
        name = "k%d" % i
        if rng.random() < 0.5:
            lines.append("#const %s = %d." % (name, rng.randint(0, 30)))
            int_constants.append(name)
        else:
            lines.append("#const %s = %s." % (name, rng.choice(["a", "b", "zz", "v"])))
            symbol_constants.append(name)
    arities = {"p%d" % i: rng.randint(0, 3) for i in range(rng.randint(1, 5))}

    def term(depth=0):
        r = rng.random()
        if r < 0.3:
            return str(rng.randint(0, 40))
        if r < 0.55:
            return rng.choice(["a", "b", "c", "v", "abc", "x_1", "vx"])
        if r < 0.65:
            return '"%s"' % rng.choice(["s", "Hello, World", "x y", "_u", "1"])
        if r < 0.75 and (int_constants or symbol_constants):
            return rng.choice(int_constants + symbol_constants)
        if depth < 2:
            return "%s(%s)" % (rng.choice(["f", "g", "h"]),
                               ", ".join(term(depth + 1) for _ in range(rng.randint(1, 3))))
        return "a"

    def bound():
        if int_constants and rng.random() < 0.3:
            return rng.choice(int_constants)
        return str(rng.randint(0, 12))

    for _ in range(rng.randint(1, 25)):
        name = rng.choice(sorted(arities))
        arity = arities[name]
        neg = "-" if rng.random() < 0.2 else ""
        if arity == 1 and rng.random() < 0.25:
            lines.append("%s%s(%s..%s)." % (neg, name, bound(), bound()))
        elif arity == 0:
            lines.append("%s%s." % (neg, name))
        else:
            sep = rng.choice([",", ", ", " , "])
            lines.append("%s%s(%s)." % (neg, name, sep.join(term() for _ in range(arity))))
    return "\n".join(lines) + "\n"


def quarn_facts(quarn, path):
    out = subprocess.run([quarn, "-silent", "-ORb-", "--print-edb", path], capture_output=True,
                         text=True, timeout=60)
    line = out.stdout.splitlines()[0] if out.stdout else ""
    if not (line.startswith("{") and line.endswith("}")):
        return None, out.stdout + out.stderr
    return set(a for a in split_printed_facts(line[1:-1]) if a != "end"), ""


def clingo_facts(path):
    out = subprocess.run(["clingo", "--text", path], capture_output=True, text=True, timeout=60)
    facts = set()
    for line in out.stdout.splitlines():
        line = line.strip()
        if line.endswith(".") and not line.startswith(":-") and line != "end.":
            facts.add(re.sub(r"\.$", "", line))
    return facts


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("quarn")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--count", type=int, default=200)
    parser.add_argument("--keep")
    args = parser.parse_args()
    rng = random.Random(args.seed)
    failures = 0
    with tempfile.TemporaryDirectory() as tmp:
        for i in range(args.count):
            program = make_program(rng)
            path = os.path.join(args.keep or tmp, "facts_%d.lp" % i)
            with open(path, "w") as f:
                f.write(program + "end.\n:- end.\n")
            mine, error = quarn_facts(args.quarn, path)
            theirs = clingo_facts(path)
            if mine != theirs:
                failures += 1
                if failures <= 3:
                    print("program %d disagrees:\n%s" % (i, program))
                    if mine is None:
                        print("quarn failed: " + error)
                    else:
                        print("only quarn: %s\nonly clingo: %s" % (sorted(mine - theirs), sorted(theirs - mine)))
    print("%d programs, %d disagreements (seed %d)" % (args.count, failures, args.seed))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
