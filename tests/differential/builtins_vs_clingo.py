#!/usr/bin/env python3
"""Differential test of the arithmetic and comparison built-ins: random stratified programs over
small integers, solved by quarn and by clingo, must have the same answer sets.

Each rule applies one built-in to atoms of earlier predicates; the same rule is written in each
language's syntax (#succ(X,Y) beside Y = X+1, #mod beside \\, #int beside an interval, ...).
Where quarn's built-in fails by design (a negative difference, #prec of 0, a result above
#maxint given with -N=), the clingo rule carries the guard that says so. Some rules also take a
negated literal of an earlier predicate, so the programs are not all positive.

Usage: builtins_vs_clingo.py QUARN [--seed N] [--count N]
Exit status 0 when every program agrees; otherwise the first disagreeing programs are printed.
"""
import os
import random
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from clingo_support import clingo_models, command_line, quarn_models, run  # noqa: E402


# Each template gives (quarn body, clingo body) for inputs X, Y and output Z (a comparison has
# no output: its rule derives X instead); M is the -N= bound or None.
def templates(m):
    bound = "" if m is None else ", Z <= %d" % m
    succ_bound = "" if m is None else ", X < %d" % m
    return [
        ("Z = X + Y", "Z = X + Y" + bound),
        ("Z = X * Y", "Z = X * Y" + bound),
        ("Z = X - Y", "Z = X - Y, X >= Y"),
        ("Z = X / Y", "Z = X / Y, Y != 0"),
        ("#mod(X,Y,Z)", "Z = X \\ Y, Y != 0"),
        ("#absdiff(X,Y,Z)", "Z = |X - Y|"),
        ("#succ(X,Z)", "Z = X + 1" + succ_bound),
        ("#prec(X,Z)", "Z = X - 1, X > 0"),
        ("#int(X,Y,Z)", "Z = X..Y"),
        ("X < Y", "X < Y"),
        ("X <= Y", "X <= Y"),
        ("X > Y", "X > Y"),
        ("X >= Y", "X >= Y"),
        ("X != Y", "X != Y"),
        ("X == Y", "X == Y"),
    ]


def generate(rng):
    m = rng.choice([None, None, rng.randint(3, 12)])
    size = rng.randint(2, 6)
    lines_q, lines_c = [], []
    facts = ["n(%d)." % rng.randint(0, size) for _ in range(rng.randint(1, 5))]
    if m is not None:
        facts = [f for f in facts if int(f[2:-2]) <= m] or ["n(0)."]
    lines_q += facts
    lines_c += facts
    preds = ["n"]
    for i in range(rng.randint(1, 6)):
        q, c = rng.choice(templates(m))
        p1, p2 = rng.choice(preds), rng.choice(preds)
        out = "Z" if "Z" in q else "X"
        head = "r%d(%s)" % (i, out)
        body = "%s(X), %s(Y)" % (p1, p2)
        negated = ""
        if len(preds) > 1 and rng.random() < 0.4:
            negated = ", not %s(%s)" % (rng.choice(preds), out)
        lines_q.append("%s :- %s, %s%s." % (head, body, q, negated))
        lines_c.append("%s :- %s, %s%s." % (head, body, c, negated))
        preds.append("r%d" % i)
    return m, "\n".join(lines_q) + "\n", "\n".join(lines_c) + "\n"


def main():
    args = command_line(200)
    rng = random.Random(args.seed)
    failures = 0
    for k in range(args.count):
        m, quarn_text, clingo_text = generate(rng)
        with tempfile.NamedTemporaryFile("w", suffix=".dl", delete=False) as fq, \
                tempfile.NamedTemporaryFile("w", suffix=".lp", delete=False) as fc:
            fq.write(quarn_text)
            fc.write(clingo_text)
        q = run([args.quarn, "-silent"] + ([] if m is None else ["-N=%d" % m]), fq.name)
        c = run(["clingo", "0", "--outf=2"], fc.name)
        got, want = quarn_models(q.stdout), clingo_models(c.stdout)
        if q.returncode != 0 or got != want:
            failures += 1
            if failures <= 3:
                print("program %d disagrees (-N=%s, status %d):" % (k, m, q.returncode))
                print(quarn_text + "--- clingo:\n" + clingo_text)
                print("quarn: %s\n%s" % (sorted(map(sorted, got)), q.stderr))
                print("clingo: %s" % sorted(map(sorted, want)))
    print("%d programs, %d disagree" % (args.count, failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
