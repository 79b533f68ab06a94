#!/usr/bin/env python3
"""Differential test of the search on programs that meet many contradictions: small instances of
random 3-SAT near the threshold (guessed by disjunction or by negation), pigeon-hole, Hamiltonian
cycles (positive recursion, unfounded sets), dominating sets with a #count bound, 3-colouring,
2QBF by saturation (head cycles, rejected candidates) and weighted vertex cover (weak
constraints). Learned nogoods, backjumps, restarts and the deletion of nogoods must keep every
answer set, list none twice and keep the optimum.

For each program: all answer sets (default search, and the rule-order chooser -OH-) are clingo's,
compared as sets, and no answer set is printed twice; -n=1 prints one of them, or none when there
is none. With weak constraints: the best models are clingo's optimal models, with their cost.
--scale makes the instances larger (more contradictions, restarts and deletions).

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
    return lines, None


def pigeons(r, s):
    n = r.randint(3, 5 + s)
    holes = n - 1 if r.random() < 0.7 else n
    lines = ["pigeon(%d)." % i for i in range(1, n + 1)]
    lines += ["hole(%d)." % i for i in range(1, holes + 1)]
    lines += ["p(P,H) | np(P,H) :- pigeon(P), hole(H).",
              "placed(P) :- p(P,H).",
              ":- pigeon(P), not placed(P).",
              ":- p(P,H), p(Q,H), P < Q."]
    return lines, None


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
    return lines, None


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
    return lines, None


def colouring(r, s):
    n = r.randint(6, 9 + 3 * s)
    edges = graph(r, n, int(r.uniform(1.8 if n < 15 else 2.3, 2.6) * n))
    lines = ["node(%d)." % i for i in range(n)]
    lines += ["edge(%d,%d)." % e for e in edges]
    lines += ["red(X) | green(X) | blue(X) :- node(X).",
              ":- edge(X,Y), red(X), red(Y).",
              ":- edge(X,Y), green(X), green(Y).",
              ":- edge(X,Y), blue(X), blue(Y)."]
    return lines, None


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
    return lines, None


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
    return quarn, clingo


# Programs with more answer sets than this are passed over.
LIMIT = 20000

FAMILIES = [sat3, sat3, pigeons, hamiltonian, dominating, colouring, qbf, vertex_cover]


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


def check(quarn, qpath, cpath, weak):
    problems = []
    if weak:
        optimal, cost = optimal_of_clingo(run(["clingo", "0", "--opt-mode=optN", "--outf=2"], cpath).stdout)
        q = run([quarn, "-silent"], qpath)
        if q.returncode != 0:
            return ["quarn failed (status %d): %s" % (q.returncode, q.stderr.strip())]
        best = quarn_lines(q.stdout)
        if set(best) != optimal or len(best) != len(set(best)):
            problems.append("best models differ: quarn %d (%d distinct), clingo %d" %
                            (len(best), len(set(best)), len(optimal)))
        if optimal and quarn_costs(q.stdout) != {cost}:
            problems.append("costs differ: quarn %s, clingo %s" % (sorted(quarn_costs(q.stdout)), cost))
        return problems
    expected = clingo_models(run(["clingo", str(LIMIT + 1), "--outf=2"], cpath).stdout)
    if len(expected) > LIMIT:
        return []  # too many to compare as sets
    for options in ([], ["-OH-"]):
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
    return problems


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
            quarn_text, clingo_text = family(rng, args.scale)
            with open(qpath, "w") as f:
                f.write("\n".join(quarn_text) + "\n")
            with open(cpath, "w") as f:
                f.write("\n".join(clingo_text or quarn_text) + "\n")
            try:
                problems = check(args.quarn, qpath, cpath, clingo_text is not None)
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
