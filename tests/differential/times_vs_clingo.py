#!/usr/bin/env python3
"""Differential test of #times: random programs whose rules and constraints read #times
aggregates over guessed atoms, solved by quarn and by clingo, compared as sets of answer sets.

clingo has no #times: its program replaces each aggregate by a chain that multiplies the element
values in element order, prod(I, P), and an atom that holds when the final product lies within
the guards. The aggregates read only guessed atoms, so the two programs have the same answer sets
on the atoms they share (those shown).

Usage: times_vs_clingo.py QUARN [--seed N] [--count N]
Exit status 0 when every program agrees; otherwise the first disagreeing programs are printed.
"""
import argparse
import json
import random
import subprocess
import sys
import tempfile

SHOWN = ("in", "out", "sel", "t0", "t1", "t2", "r")


def parse_quarn(text):
    models = set()
    for line in text.splitlines():
        line = line.strip()
        if not line.startswith("{"):
            continue
        inner = line[1:-1].strip()
        atoms = [a.strip().replace(" ", "") for a in split_atoms(inner)] if inner else []
        models.add(frozenset(a for a in atoms if a.split("(")[0] in SHOWN))
    return models


def split_atoms(text):
    atoms, depth, current = [], 0, ""
    for ch in text:
        if ch in "([":
            depth += 1
        elif ch in ")]":
            depth -= 1
        if ch == "," and depth == 0:
            atoms.append(current)
            current = ""
        else:
            current += ch
    if current.strip():
        atoms.append(current)
    return atoms


def parse_clingo(text):
    data = json.loads(text)
    models = set()
    for call in data.get("Call", []):
        for w in call.get("Witnesses", []):
            models.add(frozenset(a.replace(" ", "") for a in w.get("Value", [])))
    return models


def program(rng):
    """Returns (quarn text, clingo text)."""
    n = rng.randint(2, 5)
    common = ["d(%d)." % i for i in range(1, n + 1)]
    for i in range(1, n + 1):
        common.append("w(%d,%d)." % (i, rng.choice([0, 0, 1, 2, 2, 3, 4, 7])))
    if rng.random() < 0.5:
        common.append("in(X) | out(X) :- d(X).")
    else:
        common += ["in(X) :- d(X), not out(X).", "out(X) :- d(X), not in(X)."]
    if rng.random() < 0.4:
        common.append("sel(X) :- in(X), d(Y), Y = X + 1.")
    for _ in range(rng.randint(0, 2)):
        common.append(":- %s(%d), %s(%d)." % (rng.choice(["in", "out"]), rng.randint(1, n),
                                            rng.choice(["in", "out"]), rng.randint(1, n)))
    quarn, clingo = list(common), list(common)
    for k in range(rng.randint(1, 2)):
        element = rng.choice(["in", "in", "out", "sel"])
        lo = rng.choice([0, 1, 2, 3, 4, 6, 8, 12, 20])
        hi = lo + rng.choice([0, 0, 1, 3, 10, 100])
        form = rng.choice(["both", "lower", "upper", "strict"])
        if form == "both":
            q_guard = ("%d <= " % lo, " <= %d" % hi)
            test = "%d <= P, P <= %d" % (lo, hi)
        elif form == "lower":
            q_guard = ("%d <= " % lo, "")
            test = "%d <= P" % lo
        elif form == "upper":
            q_guard = ("", " <= %d" % hi)
            test = "P <= %d" % hi
        else:
            q_guard = ("%d < " % lo, " < %d" % (hi + 2))
            test = "%d < P, P < %d" % (lo, hi + 2)
        aggregate = "%s#times{W,Z : %s(Z), w(Z,W)}%s" % (q_guard[0], element, q_guard[1])
        clingo += ["prod%d(0,1)." % k,
                   "prod%d(I,P*V) :- prod%d(I-1,P), %s(I), w(I,V)." % (k, k, element),
                   "prod%d(I,P) :- prod%d(I-1,P), d(I), not %s(I)." % (k, k, element),
                   "h%d :- prod%d(%d,P), %s." % (k, k, n, test)]
        h = "h%d" % k
        use = rng.random()
        if use < 0.35:
            quarn.append("t%d :- %s." % (k, aggregate))
            clingo.append("t%d :- %s." % (k, h))
            extra = rng.choice([":- t%d." % k, ":- not t%d." % k, "t2 :- t%d." % k, ""])
            quarn.append(extra)
            clingo.append(extra)
        elif use < 0.55:
            quarn.append(":- %s." % aggregate)
            clingo.append(":- %s." % h)
        elif use < 0.8:
            quarn.append(":- not %s." % aggregate)
            clingo.append(":- not %s." % h)
        else:
            quarn.append("r(X) :- out(X), not %s." % aggregate)
            clingo.append("r(X) :- out(X), not %s." % h)
    clingo += ["#show %s/%d." % (p, 1 if p in ("in", "out", "sel", "r") else 0) for p in SHOWN]
    return "\n".join(quarn) + "\n", "\n".join(clingo) + "\n"


def solve(command, text):
    with tempfile.NamedTemporaryFile("w", suffix=".lp", delete=False) as f:
        f.write(text)
        path = f.name
    result = subprocess.run(command + [path], capture_output=True, text=True, timeout=20)
    return result


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("quarn")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--count", type=int, default=200)
    args = ap.parse_args()
    rng = random.Random(args.seed)
    failures = 0
    for i in range(args.count):
        quarn_text, clingo_text = program(rng)
        options = [["-silent"], ["-silent", "-OH-"]][i % 2]
        q = solve([args.quarn] + options, quarn_text)
        c = solve(["clingo", "0", "--outf=2"], clingo_text)
        if q.returncode != 0 or c.returncode not in (10, 20, 30):
            print("program %d: quarn status %d, clingo status %d\n%s%s" %
                  (i, q.returncode, c.returncode, quarn_text, q.stderr))
            failures += 1
        else:
            mq, mc = parse_quarn(q.stdout), parse_clingo(c.stdout)
            if mq != mc:
                failures += 1
                print("program %d (%s) differs:\n%s" % (i, " ".join(options), quarn_text))
                print("  only quarn: %s" % sorted(sorted(m) for m in mq - mc))
                print("  only clingo: %s" % sorted(sorted(m) for m in mc - mq))
        if failures >= 3:
            break
    print("%d programs, %d disagreeing" % (i + 1, failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
