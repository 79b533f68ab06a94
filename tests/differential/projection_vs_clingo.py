#!/usr/bin/env python3
"""Differential test of projection rewriting and subsumption checking.

Random programs with variables that occur in one literal only, repeated variables, constants,
comparisons, negation, disjunction, constraints, rules that other rules subsume and rules whose
function terms in the head read the body's variables in another order are solved by
quarn with its default options (projection on), with -ORp-, with -OS and with -OS -ORp-, and by
clingo; all five must give the same set of answer sets.

Usage: projection_vs_clingo.py QUARN [--seed N] [--count N]
"""
import os
import random
import re
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from answer_sets_vs_clingo import parse_quarn  # noqa: E402
from clingo_support import clingo_models, command_line, run  # noqa: E402

VARIABLES = ["X", "Y", "Z", "W"]
CONSTANTS = ["1", "2", "3", "4"]


class GENERATOR:
    def __init__(self, rng):
        self.rng = rng

    def atom(self, pred, arity, pool):
        r = self.rng
        args = []
        for _ in range(arity):
            args.append(r.choice(CONSTANTS) if r.random() < 0.15 else r.choice(pool))
        return pred + ("(" + ",".join(args) + ")" if args else "")

    def program(self):
        r = self.rng
        arities = {"e": 2, "f": 1, "g": 3}
        derived = {"p": 1, "q": 2, "r": 1, "s": 0}
        lines = []
        for pred, arity in arities.items():
            for _ in range(r.randint(2, 6)):
                lines.append("%s(%s)." % (pred, ",".join(r.choice(CONSTANTS) for _ in range(arity))))
        rules = []
        for _ in range(r.randint(3, 8)):
            pool = VARIABLES[: r.randint(1, 4)]
            body = []
            for _ in range(r.randint(2, 4)):
                preds = list(arities) + ([p for p in derived if derived[p] > 0] if r.random() < 0.3 else [])
                p = r.choice(preds)
                body.append(self.atom(p, arities.get(p, derived.get(p)), pool))
            bound = sorted({v for lit in body for v in VARIABLES if v in lit.replace("(", ",").replace(")", ",").split(",")})
            if bound and r.random() < 0.4:
                a, b = r.choice(bound), r.choice(bound + CONSTANTS[:3])
                body.append("%s %s %s" % (a, r.choice(["<", ">", "!=", "<=", "=="]), b))
            if bound and r.random() < 0.4:
                p = r.choice(list(derived))
                body.append("not " + self.atom(p, derived[p], bound))
            kind = r.random()
            if kind < 0.15:
                rules.append(":- " + ", ".join(body) + ".")
                continue
            heads = r.sample(list(derived), 1 if kind < 0.75 else 2)
            head = " | ".join(self.atom(h, derived[h], bound) if bound else h if derived[h] == 0 else None
                              for h in heads if bound or derived[h] == 0)
            if not head:
                head = "s"
            rules.append(head + " :- " + ", ".join(body) + ".")
            # A rule that the last one subsumes: an extra literal, or the same rule again.
            if r.random() < 0.3:
                extra = self.atom("f", 1, bound) if bound else "f(1)"
                rules.append(head + " :- " + ", ".join(body + [extra]) + ".")
            elif r.random() < 0.1:
                rules.append(rules[-1])
            # A function term over body variables in the head of a predicate that no body reads
            # (so the program stays finite), and the same rule with the body's variables
            # permuted: the two differ unless the permutation leaves the term's variables alone.
            if len(bound) >= 2 and r.random() < 0.3:
                term = "h(%s)" % ",".join(r.sample(bound, r.randint(1, 2)))
                rules.append("w(%s) :- %s." % (term, ", ".join(body)))
                permutation = dict(zip(bound, r.sample(bound, len(bound))))
                permuted = [re.sub(r"\b[XYZW]\b", lambda m: permutation.get(m.group(0), m.group(0)), literal)
                            for literal in body]
                rules.append("w(%s) :- %s." % (term, ", ".join(permuted)))
        return lines + rules


def main():
    args = command_line(200)
    gen = GENERATOR(random.Random(args.seed))
    variants = [[], ["-ORp-"], ["-OS"], ["-OS", "-ORp-"]]
    failures = 0
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "program.lp")
        for n in range(1, args.count + 1):
            lines = gen.program()
            with open(path, "w") as f:
                f.write("\n".join(lines) + "\n")
            c = run(["clingo", "0", "--outf=2"], path)
            theirs = clingo_models(c.stdout)
            for options in variants:
                q = run([args.quarn, "-silent"] + options, path)
                ours = parse_quarn(q.stdout) if q.returncode == 0 else None
                if ours != theirs:
                    failures += 1
                    print("answer sets differ under %s on program %d (status %d):\n%s\n%s" %
                          (" ".join(options) or "the defaults", n, q.returncode, "\n".join(lines), q.stderr))
                    print("  quarn : %s" % (sorted(sorted(m) for m in ours) if ours is not None else None))
                    print("  clingo: %s" % sorted(sorted(m) for m in theirs))
                    break
            if failures >= 5:
                break
    print("%d programs, %d disagreements (seed %d)" % (n, failures, args.seed))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
