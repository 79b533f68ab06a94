#!/usr/bin/env python3
# Writes the search benchmark programs of this directory: graph 3-colouring with a disjunctive
# guess and Hamiltonian cycles, each on a random graph of a few hundred nodes (first answer set)
# and on a small one (all answer sets). Deterministic: a fixed seed per program.
import random


def colouring(name, n, m, seed):
    r = random.Random(seed)
    # A planted colouring keeps the instance satisfiable.
    colour = [r.randrange(3) for _ in range(n)]
    edges = set()
    while len(edges) < m:
        a, b = r.randrange(n), r.randrange(n)
        if a < b and colour[a] != colour[b]:
            edges.add((a, b))
    with open(name, "w") as f:
        f.write(f"% Graph 3-colouring with a disjunctive guess: {n} nodes, {m} edges.\n")
        for i in range(n):
            f.write(f"node({i}).\n")
        for a, b in sorted(edges):
            f.write(f"edge({a},{b}).\n")
        f.write("red(X) | green(X) | blue(X) :- node(X).\n")
        f.write(":- edge(X,Y), red(X), red(Y).\n")
        f.write(":- edge(X,Y), green(X), green(Y).\n")
        f.write(":- edge(X,Y), blue(X), blue(Y).\n")


def hamiltonian(name, n, extra, seed):
    r = random.Random(seed)
    # A planted cycle keeps the instance satisfiable; the extra edges make the search work.
    order = list(range(n))
    r.shuffle(order)
    edges = {(order[i], order[(i + 1) % n]) for i in range(n)}
    while len(edges) < n + extra:
        a, b = r.randrange(n), r.randrange(n)
        if a != b:
            edges.add((a, b))
    with open(name, "w") as f:
        f.write(f"% Hamiltonian cycle: {n} nodes, {len(edges)} directed edges.\n")
        for i in range(n):
            f.write(f"node({i}).\n")
        for a, b in sorted(edges):
            f.write(f"edge({a},{b}).\n")
        f.write(f"start({order[0]}).\n")
        f.write("in(X,Y) | out(X,Y) :- edge(X,Y).\n")
        f.write(":- in(X,Y), in(X,Z), Y != Z.\n")
        f.write(":- in(X,Y), in(Z,Y), X != Z.\n")
        f.write("hasin(Y) :- in(X,Y).\n")
        f.write(":- node(X), not hasin(X).\n")
        f.write("reached(X) :- start(X).\n")
        f.write("reached(Y) :- reached(X), in(X,Y).\n")
        f.write(":- node(X), not reached(X).\n")


colouring("colour.lp", 300, 660, 11)
colouring("colour_small.lp", 14, 20, 12)
hamiltonian("ham.lp", 200, 800, 21)
hamiltonian("ham_small.lp", 10, 30, 22)
