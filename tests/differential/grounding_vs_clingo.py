#!/usr/bin/env python3
"""Differential test of the grounder: random stratified programs grounded by quarn and by clingo
must derive the same facts.

The programs stress what the grounder's matcher and driver do: several mutually recursive
predicates with two or more recursive literals per body (semi-naive variants), joins with
repeated variables, function terms in heads and bodies, comparisons, stratified negation, and
aggregates over lower strata (#count, #sum, #min, #max, as assignments and with guards, over joins
and projections, negated, sets without elements, guards bound by an earlier literal). quarn
grounds with -instantiate, which prints the facts of a stratified program; clingo --text prints
the facts it derives. Both sets must be equal.

Usage: grounding_vs_clingo.py QUARN [--seed N] [--count N] [--scale N] [--keep DIR]
"""
import argparse
import os
import random
import re
import subprocess
import sys
import tempfile


def make_program(rng, scale=1):
    lines = []
    # Integers only: the two systems order constants and integers differently in comparisons.
    consts = [str(i) for i in range(rng.randint(2, 6 * scale))]
    for p in ("e", "f"):
        for _ in range(rng.randint(2, 9 * scale * scale)):
            lines.append("%s(%s,%s)." % (p, rng.choice(consts), rng.choice(consts)))
    for c in consts:
        if rng.random() < 0.6:
            lines.append("v(%s)." % c)
    # Stratum 1: mutual recursion with several recursive literals.
    lines.append("r(X,Y) :- e(X,Y).")
    lines.append("s(X,Y) :- f(X,Y).")
    bodies = [
        "r(X,Z), r(Z,Y)",
        "r(X,Z), s(Z,Y)",
        "s(X,Z), r(Z,Y), X != Y",
        "r(X,Y), s(Y,X)",
        "s(X,Y), r(X,X)",
        "r(Y,X), v(X)",
    ]
    for body in rng.sample(bodies, rng.randint(1, 4)):
        head = rng.choice(["r(X,Y)", "s(X,Y)"])
        lines.append("%s :- %s." % (head, body))
    # Function terms.
    if rng.random() < 0.6:
        lines.append("g(p(X,Y)) :- r(X,Y), X < Y.")
        lines.append("h(X) :- g(p(X,X)).")
        lines.append("h(Y) :- g(p(X,Y)), s(Y,X).")
    # Stratified negation over complete predicates.
    if rng.random() < 0.7:
        lines.append("n(X) :- v(X), not r(X,X).")
        lines.append("m(X,Y) :- r(X,Y), not s(X,Y), not n(Y).")
    # Aggregates over lower strata.
    if rng.random() < 0.7:
        kind = rng.choice(["#count{Y : r(X,Y)}", "#count{Y : s(X,Y), v(Y)}"])
        lines.append("c(X,N) :- v(X), N = %s." % kind)
    if rng.random() < 0.5:
        guard = rng.randint(0, 3)
        lines.append("k(X) :- v(X), %d < #count{Y : r(X,Y)}." % guard)
        lines.append("l(X) :- v(X), #count{Y : s(Y,X)} <= %d." % guard)
    if rng.random() < 0.5:
        lines.append("t(X,S) :- v(X), S = #sum{Y : r(X,Y)}.")
        # #max and #min only over non-empty sets: the two systems give an empty one different values.
        lines.append("u(X,M) :- s(X,_), M = #max{Y : s(X,Y)}.")
        lines.append("w(X) :- r(X,_), #min{Y : r(X,Y)} >= 1.")
    # Aggregates over joins and projections, negated ones, assignments that a later aggregate
    # reads, sets without any element, and guards that a literal before the aggregate binds
    # (also written as an assignment, which then compares).
    lines += rng.sample(AGGREGATE_RULES, rng.randint(0, 4))
    return "\n".join(lines) + "\n"


AGGREGATE_RULES = [
    "a1(X) :- v(X), #count{Y : r(X,Y)} = X.",
    "a2(X) :- v(X), X = #count{Y : r(Y,X), not s(X,Y)}.",
    "a3(X) :- v(X), #count{Y : r(X,Y), Y < 0} = X.",
    "a4(X) :- v(X), X = #sum{Y : s(Y,Y), Y < 0}.",
    "a5(X,N) :- v(X), N = #sum{Y : r(X,Y), Y < 0}.",
    "a6(X,S) :- v(X), S = #sum{Y : r(X,Z), s(Z,Y)}.",
    "a7(X,S) :- v(X), N = #count{Y : r(X,Y)}, S = #sum{U : s(X,U), U >= N}.",
    "a8(X) :- v(X), not #count{Y : r(X,Y), not s(X,Y)} >= 2.",
    "a9(X) :- v(X), 1 <= #sum{Y : e(X,Y)} <= X, not #count{U : f(U,X)} = X.",
    "a10(X) :- e(X,_), X <= #max{Y : e(X,Y)}, #min{U : e(U,X)} < X.",
]


GROUNDER_OPTIONS = [["-OGs-"], ["-OGo0"], ["-OGo1"], ["-ORp-"], ["-ORb-"], ["-ORdr-"], ["-OS"], ["-O0"],
                    ["-OGs-", "-ORp-", "-OS"]]

ATOM = re.compile(r"[a-z][A-Za-z0-9_]*(\([^.]*\))?")


def facts_of_quarn(text):
    facts = set()
    for line in text.splitlines():
        line = line.strip()
        if not line or line.startswith("%"):
            continue
        if ":-" in line:
            return None  # not decided by grounding
        fact = line.rstrip(".").replace(" ", "")
        # The auxiliary predicates of aggregates ("aux#...", renamed "pred<k>" by projection
        # rewriting) are quarn's own.
        if not re.match(r"(pred[0-9]+|aux#[^(]*)\(", fact):
            facts.add(fact)
    return facts


def facts_of_clingo(text):
    facts = set()
    for line in text.splitlines():
        line = line.strip()
        if not line:
            continue
        if line.startswith("#"):
            continue  # clingo's own auxiliary atoms (projections of anonymous variables)
        if ":-" in line or "#" in line:
            return None
        facts.add(line.rstrip(".").replace(" ", ""))
    return facts


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("quarn")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--count", type=int, default=200)
    ap.add_argument("--scale", type=int, default=1, help="larger domains and more facts")
    ap.add_argument("--keep")
    args = ap.parse_args()
    rng = random.Random(args.seed)
    disagreements = 0
    compared = 0
    with tempfile.TemporaryDirectory() as tmp:
        for i in range(args.count):
            program = make_program(rng, args.scale)
            path = os.path.join(tmp, "p%d.lp" % i)
            with open(path, "w") as f:
                f.write(program)
            # Every other program is grounded under options that change how the grounder works
            # (body order, selectivity, rewriting), never what it derives.
            options = rng.choice(GROUNDER_OPTIONS) if i % 2 else []
            q = subprocess.run([args.quarn, "-silent", "-instantiate"] + options + [path], capture_output=True,
                               text=True)
            if q.returncode == 1 and "not applicable if builtins" in q.stderr:
                options = []
                q = subprocess.run([args.quarn, "-silent", "-instantiate", path], capture_output=True, text=True)
            c = subprocess.run(["clingo", "--mode=gringo", "--text", path], capture_output=True, text=True)
            qf, cf = facts_of_quarn(q.stdout), facts_of_clingo(c.stdout)
            if q.returncode != 0 or qf is None or cf is None:
                disagreements += 1
                print("program %d [%s]: quarn status %d%s" % (i, " ".join(options), q.returncode,
                                                             "" if qf is not None else ", residual rules"))
                print(program + q.stderr)
                continue
            compared += 1
            if qf != cf:
                disagreements += 1
                print("program %d disagrees [%s]:\n%s" % (i, " ".join(options), program))
                print("  only quarn: %s" % sorted(qf - cf))
                print("  only clingo: %s" % sorted(cf - qf))
                if args.keep:
                    os.makedirs(args.keep, exist_ok=True)
                    with open(os.path.join(args.keep, "p%d.lp" % i), "w") as f:
                        f.write(program)
    print("%d programs, %d disagreements (seed %d)" % (args.count, disagreements, args.seed))
    return 1 if disagreements else 0


if __name__ == "__main__":
    sys.exit(main())
