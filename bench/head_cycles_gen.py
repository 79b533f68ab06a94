#!/usr/bin/env python3
"""Writes the head-cycle benchmark programs into a directory: programs that are not
head-cycle-free, so that every answer-set candidate goes through the model check.

  qbf_<seed>_<nx>_<ny>_<terms>   2QBF, exists X forall Y of a random DNF (one X and two Y literals
                                 per term), in the saturation encoding
  companies_<seed>_<n>_<p>_<c>   strategic companies: n companies, p products with two producers,
                                 c control facts with three controllers
  disj_<seed>_<k>_<density>      a disjunctive guess p | q over k nodes closed under random edges,
                                 with a second disjunctive layer r | s

Usage: head_cycles_gen.py DIR   (prints the names of the files it wrote)
"""
import os
import random
import sys


def qbf(seed, nx, ny, terms):
    r = random.Random(seed)
    xs = ["x%d" % i for i in range(nx)]
    ys = ["y%d" % i for i in range(ny)]
    lines = ["%s | n%s." % (v, v) for v in xs + ys]
    for v in ys:
        lines += ["%s :- w." % v, "n%s :- w." % v]
    for _ in range(terms):
        variables = r.sample(xs, 1) + r.sample(ys, 2)
        lines.append("w :- " + ", ".join(v if r.random() < 0.5 else "n" + v for v in variables) + ".")
    lines.append(":- not w.")
    return lines


def companies(seed, n, products, controls):
    r = random.Random(seed)
    lines = []
    for p in range(products):
        a, b = r.sample(range(n), 2)
        lines.append("produced_by(p%d,c%d,c%d)." % (p, a, b))
    for _ in range(controls):
        w, x, y, z = (r.randrange(n) for _ in range(4))
        lines.append("controlled_by(c%d,c%d,c%d,c%d)." % (w, x, y, z))
    lines.append("strat(X) | strat(Y) :- produced_by(P,X,Y).")
    lines.append("strat(W) :- controlled_by(W,X,Y,Z), strat(X), strat(Y), strat(Z).")
    return lines


def disj(seed, k, density):
    r = random.Random(seed)
    lines = ["d(%d)." % i for i in range(k)]
    for i in range(k):
        for j in range(k):
            if r.random() < density:
                lines.append("e(%d,%d)." % (i, j))
    lines += ["p(X) | q(X) :- d(X).", "p(Y) :- p(X), e(X,Y).", "q(Y) :- q(X), e(X,Y).",
              "r(X) | s(X) :- p(X).", "s(Y) :- r(X), e(X,Y).", "r(Y) :- s(X), e(X,Y).", ":- p(0), q(1)."]
    return lines


PROGRAMS = [
    ("qbf_8_14_10_40", qbf(8, 14, 10, 40)),
    ("qbf_9_18_8_30", qbf(9, 18, 8, 30)),
    ("companies_2_60_90_30", companies(2, 60, 90, 30)),
    ("companies_3_120_200_60", companies(3, 120, 200, 60)),
    ("disj_3_40_4", disj(3, 40, 0.04)),
    ("disj_2_300_1", disj(2, 300, 0.01)),
]

if __name__ == "__main__":
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for name, lines in PROGRAMS:
        with open(os.path.join(out, name + ".lp"), "w") as f:
            f.write("\n".join(lines) + "\n")
        print(name)
