#!/usr/bin/env python3
"""Writes larger grounding benchmarks, each a plain program that quarn and clingo both read:

  tc5000.lp  transitive closure over a random directed graph of 5000 nodes and 5300 edges
             (about 520000 closure atoms)
  join3.lp   three-way joins and a negated join over three random relations of 8000 pairs
  terms.lp   function terms: pairs and nested terms built from edges, and walks of up to four
             steps over 3000 nodes written as nested terms c(Node,Rest)

Usage: large_gen.py DIR   (then bench/run.sh path/to/quarn DIR/*.lp)
"""
import os
import random
import sys


def edges(r, nodes, count, loops=False):
    out = set()
    while len(out) < count:
        a, b = r.randrange(nodes), r.randrange(nodes)
        if loops or a != b:
            out.add((a, b))
    return sorted(out)


def main():
    d = sys.argv[1]
    os.makedirs(d, exist_ok=True)
    r = random.Random(5)
    lines = ["e(%d,%d)." % e for e in edges(r, 5000, 5300)]
    lines += ["tc(X,Y) :- e(X,Y).", "tc(X,Y) :- tc(X,Z), e(Z,Y)."]
    with open(os.path.join(d, "tc5000.lp"), "w") as f:
        f.write("\n".join(lines) + "\n")

    r = random.Random(7)
    lines = []
    for p in "abc":
        lines += ["%s(%d,%d)." % (p, x, y) for x, y in edges(r, 2000, 8000, loops=True)]
    lines += ["tri(X,Y,Z) :- a(X,Y), b(Y,Z), c(Z,X).",
              "p3(X,W) :- a(X,Y), b(Y,Z), c(Z,W).",
              "q(X,Z) :- a(X,Y), b(Y,Z), not c(Z,X)."]
    with open(os.path.join(d, "join3.lp"), "w") as f:
        f.write("\n".join(lines) + "\n")

    r = random.Random(11)
    lines = ["e(%d,%d)." % e for e in edges(r, 3000, 6000)]
    lines += ["pair(p(X,Y)) :- e(X,Y).",
              "nest(f(g(X),h(Y,k(Z)))) :- e(X,Y), e(Y,Z).",
              "back(Z,X) :- nest(f(g(X),h(Y,k(Z)))).",
              "walk0(X,c(X,nil)) :- e(X,_)."]
    lines += ["walk%d(Y,c(Y,L)) :- walk%d(X,L), e(X,Y)." % (i + 1, i) for i in range(4)]
    lines.append("ends(X,Y) :- walk4(Y,c(Y,c(A,c(B,c(C,c(X,nil)))))).")
    with open(os.path.join(d, "terms.lp"), "w") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
