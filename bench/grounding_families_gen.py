#!/usr/bin/env python3
"""Writes the grounding families of bench/grounding_families_run.sh, each at several sizes, as
plain programs that quarn and gringo both read. Deterministic: a fixed seed per family and size.

  tc_sparse_N  transitive closure over a random directed graph of N nodes and 1.1 N edges
  tc_dense_N   transitive closure over a random graph of N nodes, each with 10 successors
  terms_N      function terms: pairs and nested terms built from 2 N edges over N nodes, and
               walks of up to four steps written as nested terms c(Node,Rest)
  agg_N        aggregates in bodies: per node counts, sums and extremes over 6 N edges, over
               decided and undecided atoms (a choice of in/out per node)
  arity3_N     N facts of arity three with joins against small relations, a negation over a
               complete predicate and a join of derived atoms
  join3_N      three-way joins and stratified negation over three relations of 4 N pairs over
               N nodes
  indep_N      N independent rules pI(X) :- qI(X). with one fact qI(1). each: N predicates in
               N components, so any work per component over all predicates shows as N squared

Usage: grounding_families_gen.py DIR [family ...]   (default: every family at every size)
"""
import os
import random
import sys

SIZES = {
    "tc_sparse": [1000, 2500, 5000, 10000],
    "tc_dense": [250, 500, 1000, 2000],
    "terms": [1000, 3000, 10000, 30000],
    "agg": [2000, 10000, 30000, 100000],
    "arity3": [100000, 500000, 2000000],
    "join3": [2000, 8000, 32000],
    "indep": [1000, 10000, 30000, 100000],
}


def random_edges(r, nodes, count):
    out = set()
    while len(out) < count:
        a, b = r.randrange(nodes), r.randrange(nodes)
        if a != b:
            out.add((a, b))
    return sorted(out)


def tc_rules():
    return ["tc(X,Y) :- e(X,Y).", "tc(X,Y) :- tc(X,Z), e(Z,Y)."]


def tc_sparse(n):
    r = random.Random(1000 + n)
    return ["e(%d,%d)." % e for e in random_edges(r, n, n * 11 // 10)] + tc_rules()


def tc_dense(n):
    r = random.Random(2000 + n)
    lines = []
    for a in range(n):
        for b in sorted(r.sample([x for x in range(n) if x != a], 10)):
            lines.append("e(%d,%d)." % (a, b))
    return lines + tc_rules()


def terms(n):
    r = random.Random(3000 + n)
    lines = ["e(%d,%d)." % e for e in random_edges(r, n, 2 * n)]
    lines += ["pair(p(X,Y)) :- e(X,Y).",
              "nest(f(g(X),h(Y,k(Z)))) :- e(X,Y), e(Y,Z).",
              "back(Z,X) :- nest(f(g(X),h(Y,k(Z)))).",
              "walk0(X,c(X,nil)) :- e(X,_)."]
    lines += ["walk%d(Y,c(Y,L)) :- walk%d(X,L), e(X,Y)." % (i + 1, i) for i in range(4)]
    lines.append("ends(X,Y) :- walk4(Y,c(Y,c(A,c(B,c(C,c(X,nil)))))).")
    return lines


def agg(n):
    r = random.Random(4000 + n)
    lines = []
    for i in range(n):
        lines.append("node(%d)." % i)
        lines.append("w(%d,%d)." % (i, r.randrange(1, 20)))
    lines += ["e(%d,%d)." % e for e in random_edges(r, n, 6 * n)]
    lines += ["deg(X,N) :- node(X), N = #count{Y : e(X,Y)}.",
              "wsum(X,S) :- node(X), S = #sum{W,Y : e(X,Y), w(Y,W)}.",
              "heavy(X) :- node(X), #max{W,Y : e(X,Y), w(Y,W)} > 17.",
              "light(X) :- node(X), #min{W,Y : e(X,Y), w(Y,W)} < 2.",
              "in(X) :- node(X), not out(X).",
              "out(X) :- node(X), not in(X).",
              ":- node(X), 4 < #count{Y : e(X,Y), in(Y)}.",
              "good(X) :- node(X), #sum{W,Y : e(X,Y), in(Y), w(Y,W)} >= 30."]
    return lines


def arity3(n):
    r = random.Random(5000 + n)
    xs, ys = max(n // 4, 1), 1000
    facts = set()
    while len(facts) < n:
        facts.add((r.randrange(xs), r.randrange(ys), r.randrange(100)))
    lines = ["f(%d,%d,%d)." % t for t in sorted(facts)]
    lines += ["k(%d,%d)." % (z, z % 7) for z in range(0, 100, 3)]
    lines += ["sel(%d)." % y for y in range(0, ys, 11)]
    lines += ["a(X,C) :- f(X,Y,Z), k(Z,C).",
              "b(X,Y) :- f(X,Y,Z), sel(Y), not k(Z,0).",
              "c(Y,C) :- b(X,Y), a(X,C).",
              "d(X) :- a(X,3), not a(X,4)."]
    return lines


def join3(n):
    r = random.Random(6000 + n)
    lines = []
    for p in "abc":
        lines += ["%s(%d,%d)." % (p, x, y) for x, y in random_edges(r, n, 4 * n)]
    lines += ["tri(X,Y,Z) :- a(X,Y), b(Y,Z), c(Z,X).",
              "p3(X,W) :- a(X,Y), b(Y,Z), c(Z,W).",
              "q(X,Z) :- a(X,Y), b(Y,Z), not c(Z,X).",
              "loop(X) :- p3(X,X).",
              "open(X,Z) :- q(X,Z), not loop(X), not loop(Z)."]
    return lines


def indep(n):
    lines = []
    for i in range(n):
        lines += ["p%d(X) :- q%d(X)." % (i, i), "q%d(1)." % i]
    return lines


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    d = sys.argv[1]
    wanted = sys.argv[2:] or list(SIZES)
    os.makedirs(d, exist_ok=True)
    for family in wanted:
        for n in SIZES[family]:
            path = os.path.join(d, "%s_%d.lp" % (family, n))
            if os.path.exists(path):
                continue
            with open(path, "w") as f:
                f.write("\n".join(globals()[family](n)) + "\n")


if __name__ == "__main__":
    main()
