#!/usr/bin/env python3
"""Differential test of brave and cautious answers to non-ground queries on programs with many
answer sets (thousands to millions), against clingo's --enum-mode=brave and --enum-mode=cautious.

Each program guesses over a domain d(0..n-1), by disjunction or by two negations, often a second
guess over part of it; then, at random: ground and non-ground constraints (over facts r(X,Y)),
head cycles (a(X) and b(X) that imply each other for the X of h), a #count bound on the guess,
derived predicates read through negation, and weak constraints at one or two levels (the answers
are then those of the optimal answer sets). The query is one of a few non-ground conjunctions
over the guessed and the derived predicates, asked under -brave or -cautious, with the default
options or with one set of options that must not change the answers (magic sets off or on, the
rule-order chooser, no candidate cache, no forward partial checks, no unfounded-set propagation,
-n=1). quarn's answers must be clingo's, each printed once; and, read from -stats++, the answer
sets it computed must not exceed the instances the query can have plus one: each answer set found
must add an answer (brave) or take one away (cautious), not list its neighbours.

Usage: consequences_vs_clingo.py QUARN [--seed N] [--count N] [--scale N]
Exit status 0 when every program agrees; otherwise the first disagreeing programs are printed.
"""
import argparse
import json
import os
import random
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from clingo_support import split_atoms  # noqa: E402

OPTIONS = [[], [], [], ["-ODMS"], ["-ODMS-"], ["-OH-"], ["--ptcache=0"], ["-OPf-"], ["-n=1"], ["--noGUS"]]
# Queries: the text, its variables in the order of their first occurrence, and how many
# instances it can have for a domain of n elements.
QUERIES = [("a(X)", "X", lambda n: n), ("b(X)", "X", lambda n: n), ("p(X)", "X", lambda n: n),
           ("a(X), not p(X)", "X", lambda n: n), ("s(X,Y)", "X,Y", lambda n: n * n),
           ("a(X), r(X,Y), b(Y)", "X,Y", lambda n: n * n), ("c(X)", "X", lambda n: n),
           ("b(X), not c(X)", "X", lambda n: n)]


def program(rng, scale, small):
    """The program as quarn and as clingo read it (they differ only in disjunction and weak
    constraints) and the domain size."""
    n = rng.randint(6, 10) if small else rng.randint(8, 12 + 4 * scale)
    common = ["d(%d)." % i for i in range(n)]
    pairs = set()
    for _ in range(rng.randint(0, n)):
        pairs.add((rng.randrange(n), rng.randrange(n)))
    common += ["r(%d,%d)." % p for p in sorted(pairs)]
    quarn, clingo = [], []
    if rng.random() < 0.6:
        quarn.append("a(X) v b(X) :- d(X).")
        clingo.append("a(X) | b(X) :- d(X).")
    else:
        common += ["a(X) :- d(X), not b(X).", "b(X) :- d(X), not a(X)."]
    if rng.random() < 0.5:
        k = rng.randint(1, n)
        quarn.append("c(X) v e(X) :- d(X), X < %d." % k)
        clingo.append("c(X) | e(X) :- d(X), X < %d." % k)
    for _ in range(rng.randint(0, 3)):
        x, y = rng.randrange(n), rng.randrange(n)
        common.append(":- %s(%d), %s(%d)." % (rng.choice("abce"), x, rng.choice("abce"), y))
    if rng.random() < 0.4:
        common.append(":- r(X,Y), a(X), a(Y).")
    if rng.random() < 0.3:
        common.append(":- r(X,Y), b(X), not c(Y).")
    if rng.random() < 0.3:
        hs = rng.sample(range(n), rng.randint(1, 3))
        common += ["h(%d)." % i for i in hs]
        common += ["a(X) :- b(X), h(X).", "b(X) :- a(X), h(X)."]
    if rng.random() < 0.3:
        common.append(":- #count{X : a(X)} > %d." % rng.randint(n // 3, n))
    if rng.random() < 0.3:
        common.append(":- #count{X : b(X), r(X,Y)} < %d." % rng.randint(1, 2))
    common += ["p(X) :- a(X), not c(X).", "p(X) :- b(X), r(X,X).", "s(X,Y) :- a(X), b(Y), r(X,Y).",
               "s(X,Y) :- s(X,Z), s(Z,Y)."]
    if rng.random() < 0.25:
        for i in range(rng.randint(1, 3)):
            pred, level, weight = rng.choice("abc"), rng.randint(1, 2), rng.randint(1, 3)
            cut = rng.randrange(n)
            quarn.append(":~ %s(X), X < %d. [%d:%d]" % (pred, cut, weight, level))
            # Each weak constraint of quarn's counts on its own: a tuple of its own in clingo.
            clingo.append(":~ %s(X), X < %d. [%d@%d,X,%d]" % (pred, cut, weight, level, i))
    return common + quarn, common + clingo, n


def clingo_answers(cpath, body, variables, mode, weak):
    """clingo's answers of the query, as tuples of texts, or None without an answer set."""
    with open(cpath, "a") as f:
        f.write("zzq(%s) :- %s.\n#show zzq/%d.\n" % (variables, body, variables.count(",") + 1))
    cmd = ["clingo", "0", "--outf=2", "--enum-mode=" + mode[1:]]
    if weak:
        cmd.append("--opt-mode=optN")
    out = subprocess.run(cmd + [cpath], capture_output=True, text=True, timeout=300).stdout
    result = json.loads(out)
    witnesses = [w for call in result.get("Call", []) for w in call.get("Witnesses", [])]
    if not witnesses:
        return None
    # The last witness holds the consequences (under optimisation, those of the optimal models).
    return {tuple(split_atoms(a.replace(" ", "")[len("zzq("):-1])) for a in witnesses[-1].get("Value", [])}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("quarn")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--count", type=int, default=150)
    parser.add_argument("--scale", type=int, default=1, help="larger domains")
    args = parser.parse_args()
    rng = random.Random(args.seed)
    failures = 0
    with tempfile.TemporaryDirectory() as tmp:
        qpath, cpath = os.path.join(tmp, "program.dl"), os.path.join(tmp, "program.lp")
        for number in range(1, args.count + 1):
            options = rng.choice(OPTIONS)
            # Without unfounded-set propagation the search learns nothing from a query instance
            # that must be true but has only cyclic support, and goes through the candidates one
            # by one to show that no answer set adds one: small domains there.
            quarn_lines, clingo_lines, n = program(rng, args.scale, "--noGUS" in options)
            body, variables, instances = rng.choice(QUERIES)
            mode = rng.choice(["-brave", "-cautious"])
            weak = any(line.startswith(":~") for line in quarn_lines)
            with open(qpath, "w") as f:
                f.write("\n".join(quarn_lines) + "\n%s?\n" % body)
            with open(cpath, "w") as f:
                f.write("\n".join(clingo_lines) + "\n")
            expected = clingo_answers(cpath, body, variables, mode, weak)
            problems = []
            try:
                q = subprocess.run([args.quarn, "-silent", "-stats++", mode] + options + [qpath],
                                   capture_output=True, text=True, timeout=120)
            except subprocess.TimeoutExpired:
                q = None
                problems.append("no answer within 120 s")
            if q is None:
                pass
            elif q.returncode != 0:
                problems.append("status %d: %s" % (q.returncode, q.stderr[-300:]))
            elif expected is None:
                # Magic sets asked for on a program with negation hold only for programs that
                # have answer sets (the run warns so).
                if q.stdout != "No stable model found.\n" and "-ODMS" not in options:
                    problems.append("prints %r, there is no answer set" % q.stdout)
            else:
                got = [tuple(split_atoms(line)) for line in q.stdout.splitlines() if line.strip()]
                if set(got) != expected or len(got) != len(set(got)):
                    problems.append("answers %s, clingo %s" % (sorted(got), sorted(expected)))
                computed = re.search(r"Answer sets computed\s*: (\d+)", q.stderr)
                if computed and int(computed.group(1)) > instances(n) + 1:
                    problems.append("%s answer sets computed for at most %d query instances" %
                                    (computed.group(1), instances(n)))
            if problems:
                failures += 1
                if failures <= 5:
                    print("program %d: %s %s %s?" % (number, mode, " ".join(options), body))
                    for p in problems:
                        print("  " + p)
                    print("\n".join(quarn_lines))
    print("%d programs, %d disagreements (seed %d)" % (args.count, failures, args.seed))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
