#!/usr/bin/env python3
"""Differential test of answer sets: random programs solved by quarn and by clingo.

Generates random programs in the syntax both accept (disjunctive heads with "|", "not",
strong negation "-p", constraints, facts, variables over small domains), solves each with
`quarn -silent` and `clingo 0 --outf=2`, and compares the sets of answer sets. Programs with
head cycles are included unless --hcf-only keeps the disjunctive programs head-cycle-free
(checked on the predicate graph, which is conservative).

Usage: answer_sets_vs_clingo.py QUARN [--seed N] [--count N] [--scale N] [--hcf-only]
       [--aggregates-in-rules]
Exit status 0 when every program agrees; otherwise the first disagreeing programs are printed.
"""
import argparse
import os
import random
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from clingo_support import clingo_models, run, split_atoms  # noqa: E402


def parse_quarn(text):
    models = set()
    for line in text.splitlines():
        line = line.strip()
        if not line.startswith("{"):
            continue
        inner = line[1:-1].strip()
        atoms = split_atoms(inner) if inner else []
        models.add(frozenset(atoms))
    return models


class GENERATOR:
    def __init__(self, rng, scale=1):
        self.rng = rng
        self.scale = scale

    def literal_atom(self, preds, args):
        p = self.rng.choice(preds)
        if self.rng.random() < 0.15:
            p = "-" + p
        return p + args

    def propositional(self):
        r = self.rng
        n = r.randint(2, 7 * self.scale)
        atoms = ["a%d" % i for i in range(n)]
        lines = []
        for _ in range(r.randint(1, 10 * self.scale)):
            kind = r.random()
            head_size = 1 if kind < 0.6 else r.randint(2, 3)
            if kind > 0.9:
                head_size = 0
            head = [self.strong(a) for a in r.sample(atoms, min(head_size, n))]
            body = []
            for _ in range(r.randint(0, 3)):
                lit = self.strong(r.choice(atoms))
                body.append(("not " + lit) if r.random() < 0.5 else lit)
            lines.append(self.rule(head, body))
        if r.random() < 0.3:
            lines.append(self.strong(r.choice(atoms)) + ".")
        return lines

    def strong(self, atom):
        return ("-" + atom) if self.rng.random() < 0.12 else atom

    def with_variables(self):
        r = self.rng
        size = r.randint(2, 2 + self.scale)
        lines = ["d(%d)." % i for i in range(1, size + 1)]
        preds = ["p", "q", "r", "s"][: r.randint(2, 4)]
        for _ in range(r.randint(2, 7 * self.scale)):
            kind = r.random()
            head_size = 1 if kind < 0.6 else 2
            if kind > 0.9:
                head_size = 0
            var = r.choice(["X", "Y"])
            head = [self.strong(p) + "(" + var + ")" for p in r.sample(preds, head_size)]
            body = ["d(X)"]
            if var == "Y" or r.random() < 0.3:
                body.append("d(Y)")
            for _ in range(r.randint(0, 2)):
                v = r.choice(["X", "Y"]) if "d(Y)" in body else "X"
                lit = self.strong(r.choice(preds)) + "(" + v + ")"
                body.append(("not " + lit) if r.random() < 0.5 else lit)
            lines.append(self.rule(head, body))
        # Aggregates over the guessed predicates, in rules whose heads nothing depends on.
        for _ in range(r.randint(0, 2)):
            aggregate = self.aggregate(preds, size)
            kind = r.random()
            if kind < 0.4:
                lines.append("t0 :- " + aggregate + ".")
                lines.append(r.choice([":- t0.", ":- not t0.", "t1 :- t0."]))
            elif kind < 0.7:
                lines.append(":- " + aggregate + ".")
            else:
                lines.append(":- not " + aggregate + ".")
        return lines

    def aggregate(self, preds, size):
        r = self.rng
        p = r.choice(preds)
        function, guard = r.choice([("#count", ">="), ("#count", "<="), ("#sum", ">="), ("#sum", "<="),
                                    ("#max", ">="), ("#min", "<=")])
        return "%s{X : %s(X)} %s %d" % (function, p, guard, r.randint(0, size + 2))

    def layered_aggregates(self):
        """Aggregates over guessed predicates (by disjunction or by negation) in rules whose heads
        the rest of the program depends on: the second layer is defined through aggregates and
        may guess among itself by negation, and constraints and a third layer read it. An
        aggregate's predicates may not be recursive with its rule's head, so they come from an
        earlier layer."""
        r = self.rng
        size = r.randint(2, 2 + self.scale)
        lines = ["d(%d)." % i for i in range(1, size + 1)]
        guessed = ["p", "q"][: r.randint(1, 2)]
        for p in guessed:
            if r.random() < 0.5:
                lines.append("%s(X) | n%s(X) :- d(X)." % (p, p))
            else:
                lines.append("%s(X) :- d(X), not n%s(X)." % (p, p))
                lines.append("n%s(X) :- d(X), not %s(X)." % (p, p))
        second = ["r", "s"]
        for _ in range(r.randint(1, 3 * self.scale)):
            head = r.choice(second)
            body = ["d(X)"]
            if r.random() < 0.5:
                lit = r.choice(second + guessed) + "(X)"
                body.append(("not " + lit) if r.random() < 0.6 else lit)
            body.append(self.inner_aggregate(guessed, size))
            lines.append(self.rule([head + "(X)"], body))
        for _ in range(r.randint(0, 2)):
            aggregate = self.inner_aggregate(second + guessed, size)
            lines.append(r.choice([":- " + aggregate + ".", ":- not " + aggregate + ".",
                                   "t0 :- " + aggregate + ".", "t1 :- not " + aggregate + "."]))
        return lines

    def inner_aggregate(self, preds, size):
        r = self.rng
        p = r.choice(preds)
        # A #max or #min of the empty set has no value here and is infinite in clingo: a single
        # guard on the side that infinity passes is left out.
        function, guard = r.choice([("#count", ">="), ("#count", "<="), ("#count", ">"), ("#sum", ">="),
                                    ("#sum", "<="), ("#max", ">="), ("#min", "<=")])
        bound = r.randint(0, size + 2) if function != "#sum" else r.randint(0, size * (size + 1) // 2 + 1)
        inner = "%s(Z)" % p
        if r.random() < 0.25:
            inner += ", not %s(Z)" % r.choice([q for q in preds if q != p] or [p + "x"])
        if r.random() < 0.2:
            return "%d <= %s{Z : %s} <= %d" % (max(0, bound - 2), function, inner, bound)
        return "%s{Z : %s} %s %d" % (function, inner, guard, bound)

    def rule(self, head, body):
        if not head and not body:
            body = ["a0"] if self.rng.random() < 0.5 else ["not a0"]
        text = " | ".join(head)
        if body:
            text += (" :- " if head else ":- ") + ", ".join(body)
        return text + "."

    def program(self):
        return self.propositional() if self.rng.random() < 0.5 else self.with_variables()


def predicate_of(atom):
    atom = atom.strip()
    if atom.startswith("not "):
        return None
    return atom.split("(")[0]


def head_cycle_free(lines):
    """Predicate-level test: no rule has two head predicates in one positive cycle."""
    edges = {}
    rules = []
    for line in lines:
        body_text = line[:-1]
        head_text, _, body = body_text.partition(":-")
        heads = [h.strip().split("(")[0] for h in head_text.split("|") if h.strip()]
        positives = []
        for lit in split_atoms(body):
            p = predicate_of(lit)
            if p:
                positives.append(p)
        rules.append(heads)
        for b in positives:
            for h in heads:
                edges.setdefault(b, set()).add(h)

    def reaches(a, b):
        seen, stack = set(), [a]
        while stack:
            x = stack.pop()
            for y in edges.get(x, ()):
                if y == b:
                    return True
                if y not in seen:
                    seen.add(y)
                    stack.append(y)
        return False

    for heads in rules:
        for i in range(len(heads)):
            for j in range(len(heads)):
                if i != j and reaches(heads[i], heads[j]) and reaches(heads[j], heads[i]):
                    return False
    return True


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("quarn")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--count", type=int, default=300)
    parser.add_argument("--scale", type=int, default=1, help="larger programs")
    parser.add_argument("--hcf-only", action="store_true", help="head-cycle-free programs only")
    parser.add_argument("--aggregates-in-rules", action="store_true",
                        help="only programs whose rules derive atoms through aggregates over guesses")
    args = parser.parse_args()
    rng = random.Random(args.seed)
    gen = GENERATOR(rng, args.scale)
    failures = 0
    checked = 0
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "program.lp")
        while checked < args.count:
            lines = gen.layered_aggregates() if args.aggregates_in_rules else gen.program()
            if args.hcf_only and not head_cycle_free(lines):
                continue
            checked += 1
            with open(path, "w") as f:
                f.write("\n".join(lines) + "\n")
            q = run([args.quarn, "-silent"], path)
            c = run(["clingo", "0", "--outf=2"], path)
            if q.returncode != 0:
                failures += 1
                print("quarn failed (status %d) on:\n%s\n%s" % (q.returncode, "\n".join(lines), q.stderr))
            else:
                ours, theirs = parse_quarn(q.stdout), clingo_models(c.stdout)
                if ours != theirs:
                    failures += 1
                    print("answer sets differ on program %d:\n%s" % (checked, "\n".join(lines)))
                    print("  quarn : %s" % sorted(sorted(m) for m in ours))
                    print("  clingo: %s" % sorted(sorted(m) for m in theirs))
            if failures >= 5:
                break
    print("%d programs, %d disagreements (seed %d)" % (checked, failures, args.seed))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
