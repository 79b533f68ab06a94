#!/usr/bin/env python3
"""Differential test of the search on programs that meet many contradictions: small instances of
random 3-SAT near the threshold (guessed by disjunction or by negation), pigeon-hole, Hamiltonian
cycles (positive recursion, unfounded sets), dominating sets with a #count bound, 3-colouring,
2QBF by saturation (head cycles, rejected candidates), weighted vertex cover (weak constraints),
positive loops through guessed atoms (unfounded sets and loop nogoods), disjunctive rules whose
heads lie on positive cycles, item selections read by several #count, #sum, #min and #max
literals in one body, some items facts, and aggregates inside the contradictions: dominating sets
with a #count or weighted #sum in each node's constraint (positive or negated), per-group #min
and #max bounds, and per-group #times bounds (clingo reads a translation). Learned nogoods, backjumps, restarts and the deletion of
nogoods must keep every answer set, list none twice and keep the optimum.

For each program: all answer sets (default search, the rule-order chooser -OH-, and one more set
of options that must not change them: --ptcache=0, --pospts, --negpts, --complpt, -OGp-, -ORp-
...; for head cycles also --pospts) are clingo's, compared as sets, and no answer set is printed
twice; -n=1 prints one of them, or none when there is none. Then one more question of the same
program, chosen at random: -n=k (k of them, each once), a ground query under -brave or -cautious
(with --witness: an answer set that shows the verdict), a query with variables (its brave or
cautious answers), a ground query without a reasoning mode (the answer sets in which it holds), or
-det (atoms true in every answer set). With weak constraints (on vertex covers, on item selections
with weights read from the body, and now and then on the other families): the best models are
clingo's optimal models, with their cost, also under one more set of options, and -n=1 prints one
of them. --scale makes the instances larger (more contradictions, restarts and deletions).

Usage: conflicts_vs_clingo.py QUARN [--seed N] [--count N] [--scale N]
Exit status 0 when every program agrees; otherwise the first disagreeing programs are printed.
"""
import argparse
import json
import os
import random
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from clingo_support import clingo_models, run, split_atoms  # noqa: E402

BEST = "Best model: "
COST = "Cost ([Weight:Level]): "


def quarn_lines(text):
    """The answer sets quarn prints, in order, as frozensets (repeats kept)."""
    models = []
    for line in text.splitlines():
        line = line.strip()
        if line.startswith(BEST):
            line = line[len(BEST):].strip()
        if line.startswith("{") and line.endswith("}"):
            inner = line[1:-1].strip()
            models.append(frozenset(split_atoms(inner) if inner else []))
    return models


def sat3(r, s):
    n = r.randint(10, 14 + 8 * s)
    clauses = int(n * r.uniform(3.6 if n < 24 else 4.2, 4.8 if n < 24 else 5.2))
    lines = []
    disjunctive = r.random() < 0.5
    for i in range(n):
        if disjunctive:
            lines.append("t%d | f%d." % (i, i))
        else:
            lines += ["t%d :- not f%d." % (i, i), "f%d :- not t%d." % (i, i)]
    for _ in range(clauses):
        lits = []
        for v in r.sample(range(n), 3):
            # A clause is violated when each literal is false: t for a negative, f for a positive.
            lits.append(("f%d" if r.random() < 0.5 else "t%d") % v)
        lines.append(":- %s." % ", ".join(lits))
    return lines, None, ["t%d" % i for i in range(n)] + ["f%d" % i for i in range(n)], []


def pigeons(r, s):
    n = r.randint(3, 5 + s)
    holes = n - 1 if r.random() < 0.7 else n
    lines = ["pigeon(%d)." % i for i in range(1, n + 1)]
    lines += ["hole(%d)." % i for i in range(1, holes + 1)]
    lines += ["p(P,H) | np(P,H) :- pigeon(P), hole(H).",
              "placed(P) :- p(P,H).",
              ":- pigeon(P), not placed(P).",
              ":- p(P,H), p(Q,H), P < Q."]
    atoms = ["p(%d,%d)" % (i, h) for i in range(1, n + 1) for h in range(1, holes + 1)]
    return lines, None, atoms, [("p(X,Y)", "X,Y"), ("placed(X), p(X,Y)", "X,Y")]


def hamiltonian(r, s):
    n = r.randint(4, 6 + s)
    edges = set()
    order = list(range(n))
    r.shuffle(order)
    if r.random() < 0.7:
        edges |= {(order[i], order[(i + 1) % n]) for i in range(n)}
    while len(edges) < min(n * (n - 1), r.randint(2 * n, 3 * n)):
        a, b = r.randrange(n), r.randrange(n)
        if a != b:
            edges.add((a, b))
    lines = ["node(%d)." % i for i in range(n)]
    lines += ["edge(%d,%d)." % e for e in sorted(edges)]
    lines += ["start(%d)." % order[0],
              "in(X,Y) | out(X,Y) :- edge(X,Y).",
              ":- in(X,Y), in(X,Z), Y != Z.",
              ":- in(X,Y), in(Z,Y), X != Z.",
              "reached(X) :- start(X).",
              "reached(Y) :- reached(X), in(X,Y).",
              ":- node(X), not reached(X)."]
    if r.random() < 0.5:
        lines += ["hasin(Y) :- in(X,Y).", ":- node(X), not hasin(X)."]
    atoms = ["in(%d,%d)" % e for e in sorted(edges)] + ["reached(%d)" % i for i in range(n)]
    return lines, None, atoms, [("in(X,Y)", "X,Y"), ("in(X,Y), not start(Y)", "X,Y")]


def graph(r, n, m):
    edges = set()
    while len(edges) < m:
        a, b = r.randrange(n), r.randrange(n)
        if a != b:
            edges.add((min(a, b), max(a, b)))
    return sorted(edges)


def dominating(r, s):
    n = r.randint(6, 10 + 3 * s)
    edges = graph(r, n, int(1.5 * n))
    lines = ["node(%d)." % i for i in range(n)]
    lines += ["edge(%d,%d)." % e for e in edges]
    lines += ["in(X) | out(X) :- node(X).",
              "dom(Y) :- in(Y).",
              "dom(Y) :- edge(X,Y), in(X).",
              "dom(Y) :- edge(Y,X), in(X).",
              ":- node(X), not dom(X).",
              ":- #count{X : in(X)} > %d." % r.randint(n // 5, n // 3 + 1)]
    return lines, None, ["in(%d)" % i for i in range(n)], [("in(X)", "X"), ("dom(X), not in(X)", "X")]


def colouring(r, s):
    n = r.randint(6, 9 + 3 * s)
    edges = graph(r, n, int(r.uniform(1.8 if n < 15 else 2.3, 2.6) * n))
    lines = ["node(%d)." % i for i in range(n)]
    lines += ["edge(%d,%d)." % e for e in edges]
    lines += ["red(X) | green(X) | blue(X) :- node(X).",
              ":- edge(X,Y), red(X), red(Y).",
              ":- edge(X,Y), green(X), green(Y).",
              ":- edge(X,Y), blue(X), blue(Y)."]
    atoms = ["%s(%d)" % (c, i) for c in ("red", "green", "blue") for i in range(n)]
    return lines, None, atoms, [("red(X)", "X"), ("edge(X,Y), red(X), not blue(Y)", "X,Y")]


def qbf(r, s):
    nx, ny = r.randint(3, 5 + s), r.randint(2, 4 + s)
    xs = ["x%d" % i for i in range(nx)]
    ys = ["y%d" % i for i in range(ny)]
    lines = ["%s | n%s." % (v, v) for v in xs + ys]
    for v in ys:
        lines += ["%s :- w." % v, "n%s :- w." % v]
    for _ in range(r.randint(nx, 3 * nx)):
        variables = r.sample(xs, 1) + r.sample(ys, min(2, ny))
        lines.append("w :- " + ", ".join(v if r.random() < 0.5 else "n" + v for v in variables) + ".")
    lines.append(":- not w.")
    return lines, None, xs + ["n" + v for v in xs], []


def vertex_cover(r, s):
    n = r.randint(5, 8 + 2 * s)
    edges = graph(r, n, int(1.6 * n))
    lines = ["node(%d)." % i for i in range(n)]
    lines += ["edge(%d,%d)." % e for e in edges]
    lines += ["in(X) | out(X) :- node(X).", ":- edge(X,Y), out(X), out(Y)."]
    quarn, clingo = list(lines), list(lines)
    for i in range(n):
        w, level = r.randint(1, 4), 1 if r.random() < 0.8 else 2
        quarn.append(":~ in(%d). [%d:%d]" % (i, w, level))
        clingo.append(":~ in(%d). [%d@%d,%d]" % (i, w, level, i))
    return quarn, clingo, ["in(%d)" % i for i in range(n)], []


def guesses(r, names, lines):
    """Each name guessed true or false, by disjunction or by negation."""
    disjunctive = r.random() < 0.5
    for g in names:
        if disjunctive:
            lines.append("%s | n%s." % (g, g))
        else:
            lines += ["%s :- not n%s." % (g, g), "n%s :- not %s." % (g, g)]


def loops(r, s):
    """Atoms derived through positive cycles that guessed atoms open and close: an atom on a cycle
    whose outside support is gone is unfounded."""
    n, m = r.randint(12, 16 + 8 * s), r.randint(6, 8 + 2 * s)
    atoms = ["a%d" % i for i in range(n)]
    gs = ["g%d" % i for i in range(m)]
    lines = []
    guesses(r, gs, lines)
    for i, a in enumerate(atoms):
        for _ in range(r.randint(1, 3)):
            kind = r.random()
            other = atoms[(i + r.randint(1, 3)) % n] if r.random() < 0.7 else r.choice(atoms)
            if kind < 0.45:
                lines.append("%s :- %s, %s." % (a, other, r.choice(gs)))
            elif kind < 0.6:
                lines.append("%s :- %s, %s." % (a, other, r.choice(atoms)))
            elif kind < 0.75:
                lines.append("%s :- %s, not %s." % (a, other, r.choice(gs + atoms)))
            elif kind < 0.9:
                lines.append("%s :- %s, not %s." % (a, r.choice(gs), r.choice(atoms)))
            else:
                lines.append("%s :- %s, n%s." % (a, r.choice(gs), r.choice(gs)))
    for _ in range(r.randint(2, 3 + s)):
        kind = r.random()
        if kind < 0.4:
            lines.append(":- not %s." % r.choice(atoms))
        elif kind < 0.7:
            lines.append(":- %s, %s." % tuple(r.sample(atoms, 2)))
        else:
            lines.append(":- %s, not %s." % (r.choice(atoms), r.choice(gs)))
    return lines, None, atoms + gs, []


def disjunctive_loops(r, s):
    """Disjunctive rules whose head atoms support one another through positive cycles (head
    cycles): a candidate may be a model without being minimal."""
    n = r.randint(8, 12 + 4 * s)
    atoms = ["b%d" % i for i in range(n)]
    lines = []
    guesses(r, ["g%d" % i for i in range(r.randint(2, 3 + s))], lines)
    for _ in range(r.randint(n, 2 * n)):
        head = r.sample(atoms, r.randint(2, 3))
        body = []
        for _ in range(r.randint(0, 2)):
            body.append(r.choice(atoms + ["g0", "g1"]))
        if r.random() < 0.3:
            body.append("not " + r.choice(atoms))
        lines.append(" | ".join(head) + (" :- " + ", ".join(sorted(set(body))) if body else "") + ".")
    for _ in range(r.randint(1, 2 + s)):
        lines.append(r.choice([":- not %s." % r.choice(atoms), ":- %s, %s." % tuple(r.sample(atoms, 2))]))
    return lines, None, atoms, []


# Head atoms that must be true on a head cycle, whose rules still read undefined negated atoms:
# the search under --pospts, which chooses head atoms only, must choose those negated atoms.
disjunctive_loops.options = ["--pospts"]


def selections(r, s):
    """Items chosen or not, some of them facts, under bounds on #count, #sum, #min and #max, several
    aggregates in one body, also per group of items."""
    n = r.randint(8, 12 + 4 * s)
    weights = {i: r.randint(1, 9) for i in range(n)}
    groups = {i: r.randint(0, 2) for i in range(n)}
    lines = ["item(%d)." % i for i in range(n)]
    lines += ["w(%d,%d)." % (i, weights[i]) for i in range(n)]
    lines += ["grp(%d,%d)." % (i, groups[i]) for i in range(n)] + ["group(0).", "group(1).", "group(2)."]
    lines.append("in(X) | out(X) :- item(X)." if r.random() < 0.5 else
                 "in(X) :- item(X), not out(X).\nout(X) :- item(X), not in(X).")
    # At least one item is in by fact, so #min and #max always have a value.
    for i in r.sample(range(n), r.randint(1, 3)):
        lines.append("in(%d)." % i)
    total = sum(weights.values())
    count_low, count_high = r.randint(2, n // 2), r.randint(n // 2, n - 1)
    lines.append(":- #count{X : in(X)} > %d." % count_high)
    lines.append(":- #sum{W,X : in(X), w(X,W)} < %d." % r.randint(total // 4, total // 2))
    lines.append("big :- #count{X : in(X)} >= %d, #sum{V,Y : in(Y), w(Y,V)} >= %d." %
                 (count_low, r.randint(total // 3, 2 * total // 3)))
    lines.append("spread :- #max{W,X : in(X), w(X,W)} >= %d, #min{V,Y : in(Y), w(Y,V)} <= %d." %
                 (r.randint(5, 9), r.randint(1, 5)))
    lines.append(r.choice([":- big, not spread.", ":- not big.", ":- spread, big.", "ok :- big, spread."]))
    lines.append(":- group(G), #count{X : in(X), grp(X,G)} > %d." % r.randint(2, max(2, n // 3)))
    if r.random() < 0.5:
        lines.append(":- group(G), #sum{W,X : in(X), grp(X,G), w(X,W)} > %d." % r.randint(total // 6, total // 3))
    if r.random() < 0.5:
        # A chosen item must be reached from a chosen start through chosen items: positive cycles
        # among the guesses.
        lines += ["adj(%d,%d)." % (i, (i + d) % n) for i in range(n) for d in (1, r.randint(2, n - 1))]
        lines += ["reach(X) :- in(X), X < %d." % r.randint(1, 3), "reach(Y) :- reach(X), adj(X,Y), in(Y).",
                  ":- in(X), not reach(X)."]
    atoms = ["in(%d)" % i for i in range(n)] + ["big", "spread"]
    templates = [("in(X)", "X"), ("in(X), w(X,Y)", "X,Y")]
    if r.random() < 0.25:
        # Weak constraints with variables: the weight of every chosen item, and one per group left
        # out at a higher level.
        level = r.randint(1, 2)
        quarn = lines + [":~ in(X), w(X,W). [W:1]", ":~ out(X), grp(X,G), G > 0. [1:%d]" % level]
        clingo = lines + [":~ in(X), w(X,W). [W@1,X]", ":~ out(X), grp(X,G), G > 0. [1@%d,X,o]" % level]
        return quarn, clingo, atoms, templates
    return lines, None, atoms, templates


def covering(r, s):
    """Dominating sets written with the aggregate in each node's constraint: an out node needs a
    chosen neighbour, counted (or summed with weights, some of them 0) over guessed atoms, the
    aggregate positive or negated, in the constraint or in a rule, under a tight bound on the
    chosen nodes. The contradictions the search analyses run through the aggregates."""
    n = r.randint(6, 10 + 3 * s)
    edges = graph(r, n, int(r.uniform(1.2, 2.2) * n))
    lines = ["node(%d)." % i for i in range(n)]
    lines += ["edge(%d,%d)." % e for e in edges]
    lines += ["e(X,Y) :- edge(X,Y).", "e(Y,X) :- edge(X,Y)."]
    lines.append("in(X) | out(X) :- node(X)." if r.random() < 0.6 else
                 "in(X) :- node(X), not out(X).\nout(X) :- node(X), not in(X).")
    weighted = r.random() < 0.35
    if weighted:
        lines += ["w(%d,%d)." % (i, r.choice([0, 1, 1, 2, 3])) for i in range(n)]
        aggregate = "#sum{W,Y : e(X,Y), in(Y), w(Y,W)}"
        low = r.randint(1, 2)
    else:
        aggregate = "#count{Y : e(X,Y), in(Y)}"
        low = 1 if r.random() < 0.8 else 2
    lines.append(r.choice([":- out(X), %s < %d." % (aggregate, low),
                           ":- out(X), not %s >= %d." % (aggregate, low),
                           "covered(X) :- node(X), %s >= %d.\n:- out(X), not covered(X)." % (aggregate, low),
                           "bare(X) :- node(X), not %s >= %d.\n:- out(X), bare(X)." % (aggregate, low)]))
    bound = r.randint(max(1, n // 4), n // 3 + 2)
    lines.append(r.choice([":- #count{X : in(X)} > %d." % bound, ":- not #count{X : in(X)} <= %d." % bound]))
    if weighted and r.random() < 0.5:
        lines.append(":- #sum{W,X : in(X), w(X,W)} > %d." % r.randint(bound, 2 * bound + 2))
    return lines, None, ["in(%d)" % i for i in range(n)], [("in(X)", "X")]


def extremes(r, s):
    """Items chosen per group under #min and #max bounds (positive and negated, in constraints and
    in rules) and a bound on their number; one item of each group is in by fact, so every #min and
    #max has a value."""
    n = r.randint(8, 12 + 4 * s)
    groups = r.randint(2, 3 + s)
    weights = {i: r.randint(1, 9) for i in range(n)}
    lines = ["item(%d)." % i for i in range(n)] + ["group(%d)." % g for g in range(groups)]
    lines += ["w(%d,%d)." % (i, weights[i]) for i in range(n)]
    lines += ["grp(%d,%d)." % (i, i % groups) for i in range(n)]
    lines += ["in(%d)." % g for g in range(groups)]
    lines.append("in(X) | out(X) :- item(X), X >= %d." % groups)
    top = "#max{W,X : in(X), grp(X,G), w(X,W)}"
    bottom = "#min{V,Y : in(Y), grp(Y,G), w(Y,V)}"
    forms = [":- group(G), %s < %d." % (top, r.randint(4, 8)),
             ":- group(G), not %s <= %d." % (top, r.randint(6, 9)),
             ":- group(G), %s < %d." % (bottom, r.randint(1, 3)),
             ":- group(G), not %s >= %d." % (bottom, r.randint(1, 3)),
             "high(G) :- group(G), %s >= %d.\n:- group(G), not high(G)." % (top, r.randint(5, 9)),
             "low(G) :- group(G), %s <= %d.\n:- low(G), group(G), G > 0." % (bottom, r.randint(1, 4)),
             ":- group(G), %s > %d, %s < %d." % (top, r.randint(6, 8), bottom, r.randint(2, 4)),
             # Two guards: the extreme may miss them on either side.
             ":- group(G), not %d <= %s <= %d." % (r.randint(4, 7), top, r.randint(7, 9)),
             ":- group(G), %d <= %s <= %d." % (r.randint(2, 5), bottom, r.randint(3, 6)),
             "band(G) :- group(G), %d <= %s <= %d.\n:- group(G), not band(G), G > 0." %
             (r.randint(1, 3), bottom, r.randint(3, 5))]
    lines += r.sample(forms, r.randint(2, 4))
    lines.append(r.choice([":- #count{X : in(X)} > %d." % r.randint(groups + 1, max(groups + 1, n // 2)),
                           ":- #count{X : in(X)} < %d." % r.randint(groups + 1, n - 2)]))
    atoms = ["in(%d)" % i for i in range(n)]
    return lines, None, atoms, [("in(X)", "X")]


def products(r, s):
    """Items chosen per group under bounds on the #times of their values (some 0 or 1, positive
    and negated aggregates) and on their number. clingo, which has no #times, reads a program that
    multiplies each group's chosen values along a chain of atoms."""
    groups = r.randint(2, 3 + s)
    n = groups * r.randint(3, 5)
    values = {i: r.choice([0, 1, 2, 2, 3]) for i in range(n)}
    lines = ["item(%d)." % i for i in range(n)] + ["group(%d)." % g for g in range(groups)]
    lines += ["w(%d,%d)." % (i, values[i]) for i in range(n)]
    lines += ["grp(%d,%d)." % (i, i % groups) for i in range(n)]
    lines.append("in(X) | out(X) :- item(X).")
    product = "#times{W,X : in(X), grp(X,G), w(X,W)}"
    high, low = r.randint(2, 12), r.randint(1, 6)
    quarn, clingo = list(lines), list(lines)
    chosen = r.sample([0, 1, 2], r.randint(1, 2))
    if 0 in chosen:
        quarn.append(":- group(G), %s > %d." % (product, high))
        clingo.append(":- tv(G,P), P > %d." % high)
    if 1 in chosen:
        quarn.append(":- group(G), not %s >= %d." % (product, low))
        clingo.append(":- tv(G,P), P < %d." % low)
    if 2 in chosen:
        quarn.append("small(G) :- group(G), %s <= 2.\n:- group(G), not small(G), G > 0." % product)
        clingo.append("small(G) :- tv(G,P), P <= 2.\n:- group(G), not small(G), G > 0.")
    bound = ":- #count{X : in(X)} < %d." % r.randint(groups, n - 2)
    quarn.append(bound)
    clingo.append(bound)
    for g in range(groups):
        members = [i for i in range(n) if i % groups == g]
        clingo += ["pos(%d,%d,%d)." % (g, k, x) for k, x in enumerate(members)]
        clingo.append("len(%d,%d)." % (g, len(members)))
    clingo += ["prod(G,0,1) :- group(G).",
               "prod(G,K+1,P*W) :- prod(G,K,P), pos(G,K,X), in(X), w(X,W).",
               "prod(G,K+1,P) :- prod(G,K,P), pos(G,K,X), not in(X).",
               "tv(G,P) :- prod(G,L,P), len(G,L).",
               "#show item/1. #show group/1. #show w/2. #show grp/2. #show in/1. #show out/1. #show small/1."]
    return quarn, clingo, ["in(%d)" % i for i in range(n)], []


# clingo reads a translation of the program, not a weighted one.
products.translated = True


# Programs with more answer sets than this are passed over.
LIMIT = 20000

FAMILIES = [sat3, sat3, pigeons, hamiltonian, dominating, colouring, qbf, vertex_cover, loops, loops,
            disjunctive_loops, selections, selections, covering, covering, extremes, products]

# Options that must not change the answers (one set of them per program, beside -OH-).
SAME_ANSWERS = [["--ptcache=0"], ["--ptcache=1"], ["--pospts"], ["--negpts"], ["--complpt"], ["--nocomplpt"],
                ["--canchoosecomplpt"], ["--cannotchoosecomplpt"], ["-OGp-"], ["-ORp-"], ["-OPf-"], ["--noGUS"],
                ["-OH-", "--ptcache=0"], ["--pospts", "--complpt"], ["--negpts", "--nocomplpt"],
                ["-OGp-", "-ORp-"], ["-OH-", "-OPf-"]]


def weighted(r, lines, atoms):
    """Weak constraints over some of the program's atoms, at one or two levels: quarn's and clingo's
    texts."""
    quarn, clingo = list(lines), list(lines)
    for i, a in enumerate(r.sample(atoms, min(len(atoms), r.randint(2, 8)))):
        w, level = r.randint(1, 5), 1 if r.random() < 0.7 else 2
        quarn.append(":~ %s. [%d:%d]" % (a, w, level))
        clingo.append(":~ %s. [%d@%d,%d]" % (a, w, level, i))
    return quarn, clingo


def optimal_of_clingo(text):
    found = []
    for call in json.loads(text).get("Call", []):
        for w in call.get("Witnesses", []):
            found.append((tuple(w.get("Costs", [])), frozenset(a.replace(" ", "") for a in w.get("Value", []))))
    if not found:
        return set(), None
    best = min(c for c, _ in found)
    return {m for c, m in found if c == best}, tuple(v for v in best if v != 0)


def quarn_costs(text):
    costs = set()
    for line in text.splitlines():
        if line.startswith(COST):
            levels = []
            for part in line[len(COST):].strip()[1:-1].split(","):
                part = part.strip("[] ")
                if ":" in part:
                    value, level = part.split(":")
                    levels.append((int(level), int(float(value))))
            costs.add(tuple(v for _, v in sorted(levels, reverse=True) if v != 0))
    return costs


def check_optimum(quarn, qpath, cpath, rng):
    optimal, cost = optimal_of_clingo(run(["clingo", "0", "--opt-mode=optN", "--outf=2"], cpath).stdout)
    problems = []
    for options in ([], rng.choice(SAME_ANSWERS)):
        q = run([quarn, "-silent"] + options, qpath)
        if q.returncode != 0:
            return ["quarn %s failed (status %d): %s" % (options, q.returncode, q.stderr.strip())]
        best = quarn_lines(q.stdout)
        if set(best) != optimal or len(best) != len(set(best)):
            problems.append("quarn %s: best models differ: quarn %d (%d distinct), clingo %d" %
                            (options, len(best), len(set(best)), len(optimal)))
        if optimal and quarn_costs(q.stdout) != {cost}:
            problems.append("quarn %s: costs differ: quarn %s, clingo %s" %
                            (options, sorted(quarn_costs(q.stdout)), cost))
    q = run([quarn, "-silent", "-n=1"], qpath)
    one = quarn_lines(q.stdout)
    if len(one) != min(1, len(optimal)) or (one and one[0] not in optimal) or \
            (optimal and quarn_costs(q.stdout) != {cost}):
        problems.append("-n=1 prints %d best models (%s), the costs %s" %
                        (len(one), "optimal" if set(one) <= optimal else "not optimal",
                         sorted(quarn_costs(q.stdout))))
    return problems


def ground_query(rng, atoms):
    """A conjunction of one to three of the atoms, some negated."""
    chosen = rng.sample(atoms, min(len(atoms), rng.randint(1, 3)))
    return [(a, rng.random() < 0.3) for a in chosen]


def query_holds(query, model):
    return all((a in model) != negated for a, negated in query)


def query_text(query):
    return ", ".join(("not " if negated else "") + a for a, negated in query) + "?"


def check_question(quarn, qpath, expected, rng, atoms, templates):
    """One more question of the program, chosen at random, whose answer follows from clingo's
    answer sets `expected`."""
    kind = rng.choice(["n", "brave", "cautious", "witness", "answers", "constraint", "det"])
    if kind == "answers" and not templates:
        kind = "witness"
    if kind == "n":
        k = rng.randint(2, 6)
        q = run([quarn, "-silent", "-n=%d" % k], qpath)
        models = quarn_lines(q.stdout)
        if len(models) != min(k, len(expected)) or len(set(models)) != len(models) or \
                not set(models) <= expected:
            return ["-n=%d prints %d answer sets (%d distinct, %d not answer sets), clingo has %d" %
                    (k, len(models), len(set(models)), len(set(models) - expected), len(expected))]
        return []
    if kind == "det":
        q = run([quarn, "-silent", "-det"], qpath)
        lines = [line for line in q.stdout.splitlines() if line.startswith("{")]
        if not lines:
            return ["-det prints nothing, but there are answer sets"] if expected else []
        inner = lines[0].strip()[1:-1].strip()
        printed = set(split_atoms(inner)) if inner else set()
        wrong = sorted(a for a in printed if any(a not in m for m in expected))
        return ["-det reports %s, false in some answer set" % wrong] if wrong else []
    qfile = qpath + ".query"
    if kind == "answers":
        body, variables = rng.choice(templates)
        with open(qfile, "w") as f:
            f.write(body + "?\n")
        mode = rng.choice(["-brave", "-cautious"])
        q = run([quarn, "-silent", mode, qpath], qfile)
        # clingo's answers: the instances of the query in each answer set, from a helper rule.
        cfile = qpath + ".answers.lp"
        with open(qpath) as f:
            program = f.read()
        with open(cfile, "w") as f:
            f.write(program + "zzq(%s) :- %s.\n#show zzq/%d.\n" % (variables, body, variables.count(",") + 1))
        per_model = [frozenset(tuple(split_atoms(a[len("zzq("):-1])) for a in m)
                     for m in clingo_model_list(run(["clingo", "0", "--outf=2"], cfile).stdout)]
        if not per_model:
            wanted = "No stable model found.\n"
            return [] if q.stdout == wanted else ["%s %s? prints %r, there is no answer set" % (mode, body, q.stdout)]
        answers = frozenset.union(*per_model) if mode == "-brave" else frozenset.intersection(*per_model)
        got = [tuple(split_atoms(line)) for line in q.stdout.splitlines() if line.strip()]
        if q.returncode != 0 or set(got) != answers or len(got) != len(set(got)):
            return ["%s %s? answers %s (status %d), clingo's answer sets give %s" %
                    (mode, body, sorted(got), q.returncode, sorted(answers))]
        return []
    query = ground_query(rng, atoms)
    with open(qfile, "w") as f:
        f.write(query_text(query) + "\n")
    holds = [query_holds(query, m) for m in expected]
    if kind == "constraint":
        # Without -brave or -cautious a ground query keeps the answer sets in which it holds.
        q = run([quarn, "-silent", qpath], qfile)
        models = quarn_lines(q.stdout)
        wanted = {m for m in expected if query_holds(query, m)}
        if q.returncode != 0 or set(models) != wanted or len(models) != len(set(models)):
            return ["the query %s keeps %d answer sets (status %d), clingo %d" %
                    (query_text(query), len(set(models)), q.returncode, len(wanted))]
        return []
    mode = "-cautious" if kind == "cautious" or (kind == "witness" and rng.random() < 0.5) else "-brave"
    options = ["--witness"] if kind == "witness" else []
    q = run([quarn, "-silent", mode] + options + [qpath], qfile)
    verdict = all(holds) if mode == "-cautious" else any(holds)
    word = ("cautiously " if mode == "-cautious" else "bravely ") + ("true" if verdict else "false")
    lines = [line for line in q.stdout.splitlines() if line.strip()]
    if q.returncode != 0 or len(lines) != 1 or (" is %s" % word) not in lines[0]:
        return ["%s %s prints %r (status %d), expected %s" % (mode, query_text(query), q.stdout, q.returncode, word)]
    evidenced = ", evidenced by "
    shown = (mode == "-brave") == verdict and options
    if shown:
        # The witness is an answer set in which the query holds (brave) or fails (cautious).
        if evidenced not in lines[0]:
            return ["%s --witness %s shows no answer set: %r" % (mode, query_text(query), lines[0])]
        inner = lines[0].split(evidenced, 1)[1].strip()[1:-1].strip()
        model = frozenset(split_atoms(inner) if inner else [])
        if model not in expected or query_holds(query, model) != (mode == "-brave"):
            return ["%s --witness %s shows %s, %s" % (mode, query_text(query), sorted(model),
                                                     "not an answer set" if model not in expected else
                                                     "which does not show the verdict")]
    elif evidenced in lines[0] or not lines[0].endswith(" is %s." % word):
        return ["%s %s prints %r" % (mode, query_text(query), lines[0])]
    return []


def clingo_model_list(text):
    return [frozenset(a.replace(" ", "") for a in w.get("Value", []))
            for call in json.loads(text).get("Call", []) for w in call.get("Witnesses", [])]


def check(quarn, qpath, cpath, weak, rng, atoms, templates, family_options=None):
    if weak:
        return check_optimum(quarn, qpath, cpath, rng)
    problems = []
    expected = clingo_models(run(["clingo", str(LIMIT + 1), "--outf=2"], cpath).stdout)
    if len(expected) > LIMIT:
        return []  # too many to compare as sets
    for options in [[], ["-OH-"], rng.choice(SAME_ANSWERS)] + ([family_options] if family_options else []):
        q = run([quarn, "-silent"] + options, qpath)
        if q.returncode != 0:
            return ["quarn %s failed (status %d): %s" % (options, q.returncode, q.stderr.strip())]
        models = quarn_lines(q.stdout)
        if set(models) != expected:
            problems.append("quarn %s: %d answer sets (%d missing, %d extra), clingo %d" %
                            (options, len(set(models)), len(expected - set(models)),
                             len(set(models) - expected), len(expected)))
        elif len(models) != len(set(models)):
            problems.append("quarn %s prints an answer set twice" % options)
    one = quarn_lines(run([quarn, "-silent", "-n=1"], qpath).stdout)
    if len(one) != min(1, len(expected)) or (one and one[0] not in expected):
        problems.append("-n=1 prints %d answer sets" % len(one))
    return problems + check_question(quarn, qpath, expected, rng, atoms, templates)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("quarn")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--count", type=int, default=120)
    parser.add_argument("--scale", type=int, default=1, help="larger instances")
    args = parser.parse_args()
    rng = random.Random(args.seed)
    failures = timeouts = 0
    with tempfile.TemporaryDirectory() as tmp:
        qpath, cpath = os.path.join(tmp, "p.dl"), os.path.join(tmp, "p.lp")
        for i in range(args.count):
            family = rng.choice(FAMILIES)
            quarn_text, clingo_text, atoms, templates = family(rng, args.scale)
            translated = getattr(family, "translated", False)
            if clingo_text is None and rng.random() < 0.15:
                quarn_text, clingo_text = weighted(rng, quarn_text, atoms)
            with open(qpath, "w") as f:
                f.write("\n".join(quarn_text) + "\n")
            with open(cpath, "w") as f:
                f.write("\n".join(clingo_text or quarn_text) + "\n")
            try:
                problems = check(args.quarn, qpath, cpath, clingo_text is not None and not translated, rng, atoms,
                                 templates,
                                 getattr(family, "options", None))
            except subprocess.TimeoutExpired as e:
                # Larger scales can make a run too long to compare; it is counted apart.
                timeouts += 1
                print("program %d (%s): %s timed out" % (i, family.__name__, " ".join(e.cmd[:-1])))
                continue
            if problems:
                failures += 1
                if failures <= 3:
                    print("program %d (%s):" % (i, family.__name__))
                    print("\n".join(quarn_text))
                    for p in problems:
                        print("  " + p)
    print("%d programs, %d disagreements, %d timed out (seed %d)" % (args.count, failures, timeouts, args.seed))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
