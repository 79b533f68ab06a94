#!/usr/bin/env python3
"""Differential test of the magic-set rewriting: brave and cautious answers to a query must not
change when the program is rewritten for it.

Random programs over two fact predicates and a few rule-defined predicates of arity 0 to 2, with
recursion, disjunctive heads, negation that is stratified (magic sets keep the answers of such
programs), comparisons, constants in heads and bodies and facts of rule-defined predicates. The
query is ground or not, has one or two literals, and, for a ground brave query, may be negated.
Each program runs, sometimes without basic rewriting (-ORb-), with -OMS- (no rewriting), then with the default options, -ODMS, -ODMS+ and
-OODMS; the answers (compared as sets of lines) and the exit status must agree.

Usage: magic_sets_on_off.py QUARN [--seed N] [--count N] [--keep DIR]
"""
import argparse
import os
import random
import subprocess
import sys
import tempfile

CONSTANTS = ["1", "2", "3", "4", "a"]
VARIABLES = ["X", "Y", "Z", "W"]


def make_program(rng):
    arity = {"e": 2, "f": 1, "g": 2}
    idb = ["p%d" % i for i in range(rng.randint(2, 5))]
    for p in idb:
        arity[p] = rng.choice([0, 1, 1, 2, 2, 2])
    lines = []
    for _ in range(rng.randint(2, 9)):
        lines.append("e(%s,%s)." % (rng.choice(CONSTANTS), rng.choice(CONSTANTS)))
    for _ in range(rng.randint(1, 3)):
        lines.append("f(%s)." % rng.choice(CONSTANTS))
    for _ in range(rng.randint(0, 3)):
        lines.append("g(h(%s),%s)." % (rng.choice(CONSTANTS), rng.choice(CONSTANTS)))
    for p in idb:
        if rng.random() < 0.2:
            lines.append(atom_text(p, [rng.choice(CONSTANTS) for _ in range(arity[p])]) + ".")
    allow_negation = rng.random() < 0.5
    rules = []
    for _ in range(rng.randint(2, 8)):
        rules.append(make_rule(rng, idb, arity, allow_negation))
    # Every rule-defined predicate has at least one rule, so that no basic-rewriting shortcut
    # hides the predicates the query asks about.
    for p in idb:
        if not any(p in heads for heads, _, _ in rules):
            rules.append(make_rule(rng, idb, arity, allow_negation, head=p))
    for heads, text, _ in rules:
        lines.append(text)
    return lines, idb, arity, rules


def atom_text(p, args):
    return p if not args else "%s(%s)" % (p, ",".join(args))


def make_rule(rng, idb, arity, allow_negation, head=None):
    body = []
    bound = []
    for _ in range(rng.randint(1, 3)):
        p = rng.choice(["e", "f", "g"] + idb)
        args = []
        for _ in range(arity[p]):
            if rng.random() < 0.1:
                v = rng.choice(VARIABLES[:3])
                args.append("h(%s)" % v)
                if v not in bound:
                    bound.append(v)
            elif rng.random() < 0.8:
                v = rng.choice(VARIABLES[:3])
                args.append(v)
                if v not in bound:
                    bound.append(v)
            else:
                args.append(rng.choice(CONSTANTS))
        body.append((p, args, False))
    negated = []
    if allow_negation and rng.random() < 0.5:
        p = rng.choice(["f"] + idb)
        args = [rng.choice(bound) if bound and rng.random() < 0.8 else rng.choice(CONSTANTS)
                for _ in range(arity[p])]
        negated.append((p, args, True))
    comparisons = []
    if len(bound) >= 2 and rng.random() < 0.25:
        x, y = rng.sample(bound, 2)
        comparisons.append("%s %s %s" % (x, rng.choice(["<", "!=", ">="]), y))
    heads = [head] if head else []
    count = rng.choice([1, 1, 1, 2, 2, 3])
    while len(heads) < count:
        heads.append(rng.choice(idb))
    head_atoms = []
    for p in heads:
        args = [rng.choice(bound) if bound and rng.random() < 0.85 else rng.choice(CONSTANTS)
                for _ in range(arity[p])]
        if args and bound and rng.random() < 0.05:
            args[0] = "h(%s)" % rng.choice(bound)
        head_atoms.append((p, args))
    literals = [atom_text(p, a) for p, a, _ in body] + ["not " + atom_text(p, a) for p, a, _ in negated]
    literals += comparisons
    text = "%s :- %s." % (" v ".join(atom_text(p, a) for p, a in head_atoms), ", ".join(literals))
    positive = {p for p, _, _ in body}
    negative = {p for p, _, _ in negated}
    return heads, text, (positive, negative)


def stratified(idb, rules):
    """No predicate depends negatively on a predicate of its own component (head atoms of one
    rule depend on each other)."""
    reach = {p: set() for p in idb}
    edges = []
    for heads, _, (positive, negative) in rules:
        for h in heads:
            for b in positive | negative:
                if b in reach:
                    reach[h].add(b)
            for other in heads:
                reach[h].add(other)
            for b in negative:
                edges.append((h, b))
    changed = True
    while changed:
        changed = False
        for p in idb:
            extra = set()
            for q in reach[p]:
                extra |= reach[q]
            if not extra <= reach[p]:
                reach[p] |= extra
                changed = True
    return all(b != h and h not in reach.get(b, ()) for h, b in edges)


def make_query(rng, idb, arity, mode):
    literals = []
    for _ in range(rng.choice([1, 1, 2])):
        p = rng.choice(idb + ["e"] if rng.random() < 0.1 else idb)
        args = []
        for _ in range(arity[p]):
            r = rng.random()
            if r < 0.05:
                args.append("h(%s)" % rng.choice(VARIABLES[:2] + CONSTANTS))
            else:
                args.append(rng.choice(VARIABLES[:2]) if r < 0.4 else rng.choice(CONSTANTS))
        literals.append(atom_text(p, args))
    ground = not any(v in lit for lit in literals for v in VARIABLES)
    if ground and mode == "-brave" and rng.random() < 0.3:
        literals[0] = "not " + literals[0]
    seen = [v for v in VARIABLES[:2] if any(v in lit for lit in literals)]
    if not ground and seen and rng.random() < 0.25:
        # A negated literal over variables that the positive ones bind.
        p = rng.choice(idb)
        args = [rng.choice(seen) if rng.random() < 0.7 else rng.choice(CONSTANTS) for _ in range(arity[p])]
        literals.append("not " + atom_text(p, args))
    return ", ".join(literals) + "?"


def run(quarn, path, mode, option, extra):
    args = [quarn, "-silent", mode] + extra + [path]
    if option:
        args.insert(1, option)
    proc = subprocess.run(args, capture_output=True, text=True, timeout=30)
    return proc.returncode, sorted(proc.stdout.splitlines()), proc.stderr


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("quarn")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--count", type=int, default=300)
    parser.add_argument("--keep")
    options = parser.parse_args()
    rng = random.Random(options.seed)
    workdir = options.keep or tempfile.mkdtemp(prefix="magic_sets_")
    failures = 0
    made = 0
    while made < options.count:
        lines, idb, arity, rules = make_program(rng)
        if not stratified(idb, rules):
            continue
        made += 1
        mode = rng.choice(["-brave", "-cautious"])
        text = "\n".join(lines + [make_query(rng, idb, arity, mode)]) + "\n"
        path = os.path.join(workdir, "p%d.dl" % made)
        with open(path, "w") as out:
            out.write(text)
        # Without basic rewriting, heads and bodies keep what it would simplify away.
        extra = ["-ORb-"] if rng.random() < 0.2 else []
        expected = run(options.quarn, path, mode, "-OMS-", extra)
        if "internal error" in expected[2]:
            print("%s: the run without magic sets failed (%d):\n%s" % (path, expected[0], expected[2]))
            failures += 1
            continue
        if expected[0] != 0:
            # Function terms in recursive heads: the finite-domain check refuses the program.
            continue
        for option in ["", "-ODMS", "-ODMS+", "-OODMS"]:
            got = run(options.quarn, path, mode, option, extra)
            if got[:2] != expected[:2] or "internal error" in got[2]:
                failures += 1
                print("%s %s %s %s: answers differ\n--- program\n%s--- without magic sets (%d)\n%s\n"
                      "--- with (%d)\n%s\n%s" % (path, mode, option, " ".join(extra), text, expected[0],
                                                 "\n".join(expected[1]), got[0], "\n".join(got[1]), got[2]))
                break
        if failures >= 5:
            break
    print("%d programs, %d failures" % (made, failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
