#!/usr/bin/env python3
"""Differential test of programs with head cycles: quarn's answer sets against clingo's.

Every program here has positive recursion through a disjunctive head, so its candidates go to the
model checker. Five families:
  random     random propositional disjunctive programs with a planted head cycle, negation and
             constraints;
  ground     random programs with variables: disjunctive guesses closed under random edges;
  qbf        2QBF formulas (exists X forall Y, a DNF matrix) in the saturation encoding;
  companies  strategic companies: two producers per product, control by three companies;
  weak       random programs as above with weak constraints: the optimal answer sets must agree
             (quarn's "Best model: " lines against clingo's models of the final cost).
Each program is solved by `quarn -silent` in one of the model check modes (-OMm=0, 1, 5, 9),
with or without the model generator's own unfounded-set checks (--noGUS) and forward partial
checks (-OPf-), now and then choosing only head atoms (--pospts), and by `clingo 0 --outf=2`; the sets of answer sets must be equal, so every
answer set and every rejected candidate is confirmed by the independent solver.

Usage: head_cycles_vs_clingo.py QUARN [--seed N] [--count N] [--family NAME]
Exit status 0 when every program agrees; otherwise the first disagreeing programs are printed.
"""
import argparse
import os
import random
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from clingo_support import clingo_model, clingo_models, clingo_witnesses, quarn_models, split_atoms  # noqa: E402

MODES = ["0", "1", "5", "9"]
# --pospts chooses head atoms only: a rule whose head holds no undefined atom left offers its
# negated atoms, which must-be-true head atoms on a head cycle depend on.
EXTRAS = [[], ["--noGUS"], ["-OPf-"], ["--noGUS", "-OPf-"], ["--pospts"], ["--pospts", "--ptcache=1"],
          ["--pospts", "-OH-"]]


def parse_quarn_best(text):
    models = set()
    for line in text.splitlines():
        if line.startswith("Best model: {") and line.endswith("}"):
            inner = line[len("Best model: {"):-1].strip()
            models.add(frozenset(split_atoms(inner) if inner else []))
    return models


def parse_clingo_optimal(text):
    """The models clingo reports with the final (optimal) cost under --opt-mode=optN."""
    witnesses = clingo_witnesses(text)
    if not witnesses:
        return set()
    final = witnesses[-1].get("Costs")
    return {clingo_model(w) for w in witnesses if w.get("Costs") == final}


def rule(head, body):
    text = " | ".join(head)
    if body:
        text += (" :- " if head else ":- ") + ", ".join(body)
    return text + "."


def random_program(r):
    n = r.randint(3, 8)
    atoms = ["a%d" % i for i in range(n)]
    lines = []
    # Planted head cycles: a disjunction whose atoms reach each other positively.
    for _ in range(r.randint(1, 2)):
        size = r.randint(2, min(3, n))
        ring = r.sample(atoms, size)
        lines.append(rule(ring, [("not " if r.random() < 0.2 else "") + r.choice(atoms)] if r.random() < 0.3 else []))
        for i in range(size):
            body = [ring[i]]
            if r.random() < 0.3:
                body.append(r.choice(atoms))
            lines.append(rule([ring[(i + 1) % size]], body))
    for _ in range(r.randint(1, 8)):
        kind = r.random()
        head_size = 0 if kind > 0.9 else (1 if kind < 0.5 else r.randint(2, 3))
        head = r.sample(atoms, head_size)
        body = []
        for _ in range(r.randint(0, 3)):
            a = r.choice(atoms)
            body.append(("not " + a) if r.random() < 0.3 else a)
        if not head and not body:
            continue
        lines.append(rule(head, body))
    return lines


def ground_program(r):
    k = r.randint(2, 4)
    lines = ["d(%d)." % i for i in range(1, k + 1)]
    for i in range(1, k + 1):
        for j in range(1, k + 1):
            if r.random() < 0.4:
                lines.append("e(%d,%d)." % (i, j))
    lines.append("p(X) | q(X) :- d(X)%s." % (", not r(X)" if r.random() < 0.3 else ""))
    lines.append("p(Y) :- p(X), e(X,Y).")
    lines.append("q(Y) :- q(X), e(X,Y).")
    if r.random() < 0.5:
        lines.append("p(X) :- q(X), q(Y), e(X,Y).")
    if r.random() < 0.5:
        lines.append("r(X) | s(X) :- p(X), d(X).")
        lines.append("s(Y) :- r(X), e(X,Y).")
        lines.append("r(Y) :- s(X), e(X,Y).")
    if r.random() < 0.4:
        lines.append(":- p(%d), q(%d)." % (r.randint(1, k), r.randint(1, k)))
    if r.random() < 0.3:
        lines.append(":- not p(%d)." % r.randint(1, k))
    return lines


def qbf_program(r):
    nx, ny = r.randint(1, 3), r.randint(1, 4)
    xs = ["x%d" % i for i in range(nx)]
    ys = ["y%d" % i for i in range(ny)]
    lines = []
    for v in xs + ys:
        lines.append("%s | n%s." % (v, v))
    for v in ys:
        lines.append("%s :- w." % v)
        lines.append("n%s :- w." % v)
    for _ in range(r.randint(2, 6)):
        variables = r.sample(xs + ys, min(3, nx + ny))
        term = [(v if r.random() < 0.5 else "n" + v) for v in variables]
        lines.append(rule(["w"], term))
    lines.append(":- not w.")
    return lines


def companies_program(r):
    n = r.randint(3, 6)
    companies = ["c%d" % i for i in range(n)]
    lines = []
    for p in range(r.randint(2, 5)):
        a, b = r.sample(companies, 2)
        lines.append("produced_by(p%d,%s,%s)." % (p, a, b))
    for _ in range(r.randint(1, 3)):
        w, x, y, z = r.choice(companies), r.choice(companies), r.choice(companies), r.choice(companies)
        lines.append("controlled_by(%s,%s,%s,%s)." % (w, x, y, z))
    lines.append("strat(X) | strat(Y) :- produced_by(P,X,Y).")
    lines.append("strat(W) :- controlled_by(W,X,Y,Z), strat(X), strat(Y), strat(Z).")
    return lines


def weak_program(r):
    """A random program with weak constraints, as (quarn text lines, clingo text lines)."""
    lines = random_program(r)
    atoms = sorted({t for line in lines for t in line.replace(":-", " ").replace("|", " ").replace(",", " ")
                   .replace(".", " ").split() if t != "not"})
    quarn, clingo = list(lines), list(lines)
    for k in range(r.randint(1, 4)):
        literal = ("not " if r.random() < 0.3 else "") + r.choice(atoms)
        weight, level = r.randint(1, 3), r.randint(1, 2)
        quarn.append(":~ %s. [%d:%d]" % (literal, weight, level))
        clingo.append(":~ %s. [%d@%d,%d]" % (literal, weight, level, k))
    return quarn, clingo


FAMILIES = {"random": random_program, "ground": ground_program, "qbf": qbf_program,
            "companies": companies_program, "weak": weak_program}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("quarn")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--count", type=int, default=300)
    parser.add_argument("--family", choices=sorted(FAMILIES), default=None)
    args = parser.parse_args()
    rng = random.Random(args.seed)
    families = [args.family] if args.family else sorted(FAMILIES)
    failures = 0
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "program.lp")
        clingo_path = os.path.join(tmp, "clingo.lp")
        for i in range(args.count):
            family = families[i % len(families)]
            lines = FAMILIES[family](rng)
            weak = family == "weak"
            lines, clingo_lines = lines if weak else (lines, lines)
            options = ["-silent", "-OMm=" + MODES[(i // len(families)) % len(MODES)]] + rng.choice(EXTRAS)
            with open(path, "w") as f:
                f.write("\n".join(lines) + "\n")
            with open(clingo_path, "w") as f:
                f.write("\n".join(clingo_lines) + "\n")
            q = subprocess.run([args.quarn] + options + [path], capture_output=True, text=True, timeout=120)
            c = subprocess.run(["clingo", "0", "--outf=2"] + (["--opt-mode=optN"] if weak else []) + [clingo_path],
                               capture_output=True, text=True, timeout=120)
            if q.returncode != 0:
                failures += 1
                print("quarn failed (status %d, %s) on %s program:\n%s\n%s" %
                      (q.returncode, " ".join(options), family, "\n".join(lines), q.stderr))
            else:
                if weak:
                    ours, theirs = parse_quarn_best(q.stdout), parse_clingo_optimal(c.stdout)
                else:
                    ours, theirs = quarn_models(q.stdout), clingo_models(c.stdout)
                if ours != theirs:
                    failures += 1
                    print("answer sets differ (%s) on %s program %d:\n%s" % (" ".join(options), family, i,
                                                                            "\n".join(lines)))
                    print("  quarn : %s" % sorted(sorted(m) for m in ours))
                    print("  clingo: %s" % sorted(sorted(m) for m in theirs))
            if failures >= 5:
                break
    print("%d programs, %d disagreements (seed %d)" % (i + 1 if args.count else 0, failures, args.seed))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
