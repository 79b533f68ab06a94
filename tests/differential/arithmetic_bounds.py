#!/usr/bin/env python3
"""Differential test of integer arithmetic at its bounds: random stratified programs over large
integers (near 999999999, the largest integer the input accepts, near the square roots of the
limits and near 2147483647, which sums reach) with and without an integer bound (#maxint or -N=),
solved by quarn and by a reference evaluation here, must derive the same atoms.

The reference follows the documented limits of the built-ins, which clingo does not share: with
the output free, "+" fails above 2147483647 or above the bound, "*" above 999999999 or above the
bound, "-" below 0, #succ at 2147483647 or at the bound, #prec at 0, "/" and #mod by 0; with the
output bound (by an earlier literal) a built-in only compares its exact result with it. The
comparisons order integers by value.

Usage: arithmetic_bounds.py QUARN [--seed N] [--count N]
Exit status 0 when every program agrees; otherwise the first disagreeing programs are printed.
"""
import os
import random
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from clingo_support import command_line, quarn_models, run  # noqa: E402

INT32 = 2147483647
LARGEST_INPUT = 999999999
VALUES = [0, 1, 2, 3, 7, 46340, 46341, 65535, 65536, 31622, 31623, 1000000, 147483647, 147483648,
          999999998, 999999999, 500000000, 536870912, 536870911]


def free_result(name, x, y, bound):
    """The result a built-in binds to a free output, or None when it fails."""
    if name == "+":
        s = x + y
        return None if s > INT32 or (bound is not None and s > bound) else s
    if name == "*":
        p = x * y
        return None if p > LARGEST_INPUT or (bound is not None and p > bound) else p
    if name == "-":
        return x - y if x >= y else None
    if name == "/":
        return x // y if y else None
    if name == "#mod":
        return x % y if y else None
    if name == "#absdiff":
        return abs(x - y)
    if name == "#succ":
        return None if x >= INT32 or (bound is not None and x >= bound) else x + 1
    if name == "#prec":
        return x - 1 if x > 0 else None
    raise ValueError(name)


def exact_result(name, x, y):
    """The result a bound output is compared with."""
    return {"+": lambda: x + y, "*": lambda: x * y, "-": lambda: x - y,
            "/": lambda: x // y if y else None, "#mod": lambda: x % y if y else None,
            "#absdiff": lambda: abs(x - y), "#succ": lambda: x + 1, "#prec": lambda: x - 1}[name]()


def text_of(name, x, y, out):
    if name in ("+", "*", "-", "/"):
        return "%s = %s %s %s" % (out, x, name, y)
    if name in ("#succ", "#prec"):
        return "%s(%s,%s)" % (name, x, out)
    return "%s(%s,%s,%s)" % (name, x, y, out)


COMPARISONS = {"<": lambda a, b: a < b, "<=": lambda a, b: a <= b, ">": lambda a, b: a > b,
               ">=": lambda a, b: a >= b, "!=": lambda a, b: a != b, "==": lambda a, b: a == b}
ARITHMETIC = ["+", "*", "-", "/", "#mod", "#absdiff", "#succ", "#prec"]


def generate(rng):
    """(quarn lines, options, expected answer set)."""
    bound = rng.choice([None, None, rng.choice(VALUES[4:]), rng.randint(3, LARGEST_INPUT)])
    values = [v for v in VALUES if bound is None or v <= bound]
    facts = sorted(set(rng.sample(values, min(len(values), rng.randint(2, 6)))))
    lines, options = [], []
    if bound is not None:
        if rng.random() < 0.5:
            lines.append("#maxint = %d." % bound)
        else:
            options.append("-N=%d" % bound)
    lines += ["n(%d)." % v for v in facts]
    atoms = {"n": set(facts)}
    order = ["n"]
    for i in range(rng.randint(1, 6)):
        head = "r%d" % i
        p1, p2 = rng.choice(order), rng.choice(order)
        kind = rng.random()
        derived = set()
        negated = rng.choice(order) if len(order) > 1 and rng.random() < 0.3 else None
        if kind < 0.2:
            op = rng.choice(list(COMPARISONS))
            body = "%s(X), %s(Y), X %s Y" % (p1, p2, op)
            for x in atoms[p1]:
                for y in atoms[p2]:
                    if COMPARISONS[op](x, y):
                        derived.add(x)
        elif kind < 0.4:
            # The output is bound by an earlier literal: the exact result is compared with it.
            name = rng.choice(ARITHMETIC)
            p3 = rng.choice(order)
            body = "%s(X), %s(Y), %s(Z), %s" % (p1, p2, p3, text_of(name, "X", "Y", "Z"))
            for x in atoms[p1]:
                for y in atoms[p2]:
                    result = exact_result(name, x, y)
                    if result is not None and result in atoms[p3]:
                        derived.add(result)
        else:
            name = rng.choice(ARITHMETIC)
            body = "%s(X), %s(Y), %s" % (p1, p2, text_of(name, "X", "Y", "Z"))
            for x in atoms[p1]:
                for y in atoms[p2]:
                    result = free_result(name, x, y, bound)
                    if result is not None:
                        derived.add(result)
        if negated:
            body += ", not %s(Z)" % negated if "Z" in body else ", not %s(X)" % negated
            derived -= atoms[negated]
        out = "Z" if "Z" in body.split(", not")[0] else "X"
        lines.append("%s(%s) :- %s." % (head, out, body))
        atoms[head] = derived
        order.append(head)
    model = frozenset("%s(%d)" % (p, v) for p, vs in atoms.items() for v in vs)
    return lines, options, model


def main():
    args = command_line(300)
    rng = random.Random(args.seed)
    failures = 0
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "program.dl")
        for k in range(1, args.count + 1):
            lines, options, model = generate(rng)
            with open(path, "w") as f:
                f.write("\n".join(lines) + "\n")
            q = run([args.quarn, "-silent"] + options, path)
            got = quarn_models(q.stdout)
            if q.returncode != 0 or got != {model}:
                failures += 1
                print("program %d (%s, status %d):\n%s" % (k, " ".join(options), q.returncode, "\n".join(lines)))
                print("  quarn   : %s\n  expected: %s\n%s" % ([sorted(m) for m in got], sorted(model), q.stderr))
            if failures >= 5:
                break
    print("%d programs, %d disagree (seed %d)" % (k, failures, args.seed))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
