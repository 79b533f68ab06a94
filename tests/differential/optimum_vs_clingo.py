#!/usr/bin/env python3
"""Differential test of optimisation: random programs with weak constraints over variables,
levels and variable weights, and propositional ones whose weak constraints of weight 0 sit beside
costly ones, solved by quarn and by clingo.

For each program: quarn's best models (all optimal ones, the default) must be clingo's optimal
models (`--opt-mode=optN`), compared as sets, with the same cost; `-n=1` must report exactly one
of them; under `-wctrace` the costs of the reported models must fall strictly until the optimal
ones, which are reported last. Costs are compared as their non-zero values from the highest level
down, since clingo prints no level that no ground weak constraint uses.

Usage: optimum_vs_clingo.py QUARN [--seed N] [--count N]
Exit status 0 when every program agrees; otherwise the first disagreeing programs are printed.
"""
import json
import os
import random
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from clingo_support import command_line, run, split_atoms  # noqa: E402

MODEL = "Best model: "
TRACE = "Current model [maybe not optimal]: "
COST = "Cost ([Weight:Level]): "


def model_of(text):
    inner = text.strip()[1:-1].strip()
    return frozenset(split_atoms(inner) if inner else [])


def quarn_cost(text, keep_zeros=False):
    """"<[6:1],[0:2]>" as its values from the highest level down, without the zero ones unless
    asked for (all costs of one program cover the same levels)."""
    levels = []
    for part in text.strip()[1:-1].split(","):
        part = part.strip("[] ")
        if ":" in part:
            value, level = part.split(":")
            levels.append((int(level), float(value)))
    return tuple(v for _, v in sorted(levels, reverse=True) if keep_zeros or v != 0)


def parse_quarn(text):
    """(kind, model, cost, cost with its zero levels) per reported model, kind "best" or
    "trace"."""
    reports = []
    for line in text.splitlines():
        if line.startswith(MODEL):
            reports.append(["best", model_of(line[len(MODEL):]), None, None])
        elif line.startswith(TRACE):
            reports.append(["trace", model_of(line[len(TRACE):]), None, None])
        elif line.startswith(COST) and reports:
            reports[-1][2] = quarn_cost(line[len(COST):])
            reports[-1][3] = quarn_cost(line[len(COST):], True)
    return reports


def parse_clingo(text):
    """clingo's optimal models and their cost."""
    data = json.loads(text)
    found = []
    for call in data.get("Call", []):
        for w in call.get("Witnesses", []):
            found.append((tuple(w.get("Costs", [])), frozenset(a.replace(" ", "") for a in w.get("Value", []))))
    if not found:
        return set(), None
    best = min(c for c, _ in found)
    return {m for c, m in found if c == best}, tuple(float(v) for v in best if v != 0)


class GENERATOR:
    def __init__(self, rng):
        self.rng = rng

    def program(self):
        """(quarn text, clingo text)."""
        if self.rng.random() < 0.3:
            return self.propositional()
        r = self.rng
        size = r.randint(2, 6)
        common = ["d(%d)." % i for i in range(1, size + 1)]
        for p in ["p", "q"][: r.randint(1, 2)]:
            if r.random() < 0.5:
                common.append("%s(X) | n%s(X) :- d(X)." % (p, p))
            else:
                common.append("%s(X) :- d(X), not n%s(X)." % (p, p))
                common.append("n%s(X) :- d(X), not %s(X)." % (p, p))
        if r.random() < 0.5:
            common.append("r(X) :- d(X), p(X), not q(X).")
        if r.random() < 0.3:
            common.append(":- p(X), q(X), d(X).")
        if r.random() < 0.3:
            common.append(":- #count{X : p(X)} > %d." % r.randint(1, size))
        quarn, clingo = list(common), list(common)
        for k in range(r.randint(1, 6)):
            body, variables = self.weak_body()
            # Weight 0 now and then: a weak constraint that adds nothing to the cost (violated
            # beside costly ones, it must not keep the search from beating their cost).
            weight = "X" if "X" in variables and r.random() < 0.3 else str(r.choice([0, 0, 1, 2, 3, 4, 5]))
            level = r.randint(1, 3)
            quarn.append(":~ %s. [%s:%d]" % (", ".join(body), weight, level))
            clingo.append(":~ %s. [%s@%d,%d%s]" % (", ".join(body), weight, level, k,
                                                    "".join("," + v for v in variables)))
        return quarn, clingo

    def propositional(self):
        """Guesses over pairs of atoms (by disjunction or by two negations), a few rules and
        constraints, and weak constraints of one or two literals at two levels, weights 0 to 5:
        the search meets the cost bound at many depths."""
        r = self.rng
        n = r.randint(4, 10)
        atoms = ["a%d" % i for i in range(n)]
        common = []
        for i in range(0, n - 1, 2):
            x, y = atoms[i], atoms[i + 1]
            if r.random() < 0.6:
                common.append("%s | %s." % (x, y))
            else:
                common += ["%s :- not %s." % (x, y), "%s :- not %s." % (y, x)]
        for _ in range(r.randint(0, 3)):
            x, y, z = r.sample(atoms, 3)
            common.append("%s :- %s, not %s." % (x, y, z))
        for _ in range(r.randint(0, 2)):
            x, y = r.sample(atoms, 2)
            common.append(":- %s, %s." % (x, y))
        quarn, clingo = list(common), list(common)
        for k in range(r.randint(2, 7)):
            body = ", ".join(("not " if r.random() < 0.3 else "") + a for a in r.sample(atoms, r.randint(1, 2)))
            weight, level = r.choice([0, 0, 1, 2, 3, 4, 5]), r.randint(1, 2)
            quarn.append(":~ %s. [%d:%d]" % (body, weight, level))
            clingo.append(":~ %s. [%d@%d,%d]" % (body, weight, level, k))
        return quarn, clingo

    def weak_body(self):
        r = self.rng
        preds = ["p", "q", "np", "r"]
        body = ["d(X)"]
        variables = ["X"]
        body.append(("not " if r.random() < 0.3 else "") + r.choice(preds) + "(X)")
        if r.random() < 0.4:
            body += ["d(Y)", r.choice(preds) + "(Y)", r.choice(["X < Y", "X != Y"])]
            variables.append("Y")
        if r.random() < 0.15:
            body.append("#count{Z : %s(Z)} >= %d" % (r.choice(preds), r.randint(1, 3)))
        return body, variables


def check(quarn, qpath, cpath):
    """The disagreements of one program, as messages."""
    problems = []
    c = run(["clingo", "0", "--opt-mode=optN", "--outf=2"], cpath)
    optimal, cost = parse_clingo(c.stdout)
    q = run([quarn, "-silent"], qpath)
    if q.returncode != 0:
        return ["quarn failed (status %d): %s" % (q.returncode, q.stderr.strip())]
    reports = parse_quarn(q.stdout)
    best = {m for kind, m, _, _ in reports if kind == "best"}
    if best != optimal:
        problems.append("best models differ:\n  quarn : %s\n  clingo: %s" %
                        (sorted(sorted(m) for m in best), sorted(sorted(m) for m in optimal)))
    costs = {c for _, _, c, _ in reports}
    if optimal and costs != {cost}:
        problems.append("costs differ: quarn %s, clingo %s" % (sorted(costs), cost))
    one = parse_quarn(run([quarn, "-silent", "-n=1"], qpath).stdout)
    if optimal and (len(one) != 1 or one[0][0] != "best" or one[0][1] not in optimal):
        problems.append("-n=1 reports %s" % [(k, sorted(m)) for k, m, _, _ in one])
    # The trace under the look-ahead chooser and under the rule-order one.
    for options in (["-wctrace"], ["-wctrace", "-OH-"]):
        trace = parse_quarn(run([quarn, "-silent"] + options, qpath).stdout)
        seen_best = False
        previous = None
        for kind, model, value, full in trace:
            if kind == "best":
                seen_best = True
                if value != cost or model not in optimal:
                    problems.append("%s reports a best model %s of cost %s" % (" ".join(options), sorted(model), value))
            else:
                if seen_best:
                    problems.append("%s reports an intermediate model after a best one" % " ".join(options))
                if previous is not None and not full < previous:
                    problems.append("%s costs do not fall: %s after %s" % (" ".join(options), full, previous))
                previous = full
        if optimal and not seen_best:
            problems.append("%s reports no best model" % " ".join(options))
    return problems


def main():
    args = command_line(200)
    gen = GENERATOR(random.Random(args.seed))
    failures = 0
    with tempfile.TemporaryDirectory() as tmp:
        qpath, cpath = os.path.join(tmp, "program.dl"), os.path.join(tmp, "program.lp")
        for n in range(1, args.count + 1):
            quarn_lines, clingo_lines = gen.program()
            with open(qpath, "w") as f:
                f.write("\n".join(quarn_lines) + "\n")
            with open(cpath, "w") as f:
                f.write("\n".join(clingo_lines) + "\n")
            problems = check(args.quarn, qpath, cpath)
            if problems:
                failures += 1
                print("program %d:\n%s" % (n, "\n".join(quarn_lines)))
                for p in problems:
                    print("  " + p)
            if failures >= 5:
                break
    print("%d programs, %d disagreements (seed %d)" % (n, failures, args.seed))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
