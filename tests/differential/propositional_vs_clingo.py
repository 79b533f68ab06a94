#!/usr/bin/env python3
"""Differential test of the propositional grounder.

Generates random ground programs (facts of EDB predicates, disjunctive rules over IDB atoms with
and without arguments, default and strong negation, constraints, literals of predicates without
rules or facts, weak constraints, ground queries) and solves each with quarn twice: with the
propositional grounder (the default, -OGp) and with the component grounder (-OGp-). Both must
print the same answer sets (compared as sets), the same best models and costs, and the same
brave and cautious verdicts. Programs without weak constraints and queries are also solved by
clingo, whose answer sets must be the same; with weak constraints clingo's optimal models must
be quarn's best models.

Usage: propositional_vs_clingo.py QUARN [--seed N] [--count N]
Exit status 0 when every program agrees; otherwise the first disagreeing programs are printed.
"""
import json
import os
import random
import subprocess
import sys
import tempfile

from clingo_support import command_line, split_atoms


def parse_models(text):
    """Answer sets and best models of quarn's output, and the cost lines."""
    models, costs = set(), set()
    for line in text.splitlines():
        line = line.strip()
        if line.startswith("Best model: "):
            line = line[len("Best model: "):]
        if line.startswith("Cost ([Weight:Level]): "):
            costs.add(normal_cost(line[len("Cost ([Weight:Level]): "):]))
            continue
        if not line.startswith("{"):
            continue
        inner = line[1:-1].strip()
        models.add(frozenset(split_atoms(inner) if inner else []))
    return models, costs


def normal_cost(text):
    """A cost as its non-zero levels: the propositional grounder keeps weak constraints of weight
    0 and the levels of weak constraints whose body is false, which print as levels of cost 0."""
    levels = []
    for part in text.strip("<>").split("],["):
        part = part.strip("[]")
        if ":" in part:
            weight, level = part.split(":")
            if float(weight) != 0:
                levels.append((int(level), weight))
    return tuple(sorted(levels))


def parse_clingo(text):
    """clingo's answer sets; with optimisation only those of the least cost."""
    data = json.loads(text)
    found = []
    for call in data.get("Call", []):
        for w in call.get("Witnesses", []):
            found.append((w.get("Costs", []), frozenset(a.replace(" ", "") for a in w.get("Value", []))))
    if not found:
        return set()
    best = min(c for c, _ in found)
    return {m for c, m in found if c == best}


class GENERATOR:
    def __init__(self, rng):
        self.rng = rng

    def atoms(self):
        r = self.rng
        names = ["a", "b", "c", "d", "e", "f", "g"][: r.randint(2, 7)]
        atoms = []
        for n in names:
            if r.random() < 0.3:
                atoms += ["%s(%d)" % (n, i) for i in range(1, r.randint(2, 3))]
            else:
                atoms.append(n)
        return atoms

    def program(self):
        r = self.rng
        idb = self.atoms()
        edb_names = ["e", "f1", "g2"][: r.randint(0, 3)]
        edb_all = []
        for n in edb_names:
            edb_all += [n, "%s(1)" % n, "%s(2)" % n] if n != "e" else ["e"]
        edb_facts = [a for a in edb_all if r.random() < 0.6]
        # A predicate that has neither rules nor facts.
        undefined = ["u"] if r.random() < 0.4 else []
        lines = [a + "." for a in edb_facts]
        body_atoms = idb + edb_all + undefined
        for _ in range(r.randint(1, 12)):
            kind = r.random()
            head_size = 1 if kind < 0.55 else r.randint(2, 3)
            if kind > 0.88:
                head_size = 0
            head = [self.strong(a) for a in r.sample(idb, min(head_size, len(idb)))]
            # A repeated head atom now and then.
            if head and r.random() < 0.05:
                head.append(head[0])
            body = []
            for _ in range(r.randint(0, 4)):
                a = r.choice(body_atoms)
                if a in idb:
                    a = self.strong(a)
                body.append(("not " + a) if r.random() < 0.45 else a)
            if body and r.random() < 0.05:
                body.append(body[0])
            lines.append(self.rule(head, body))
        weak = []
        if r.random() < 0.3:
            for _ in range(r.randint(1, 3)):
                body = []
                for _ in range(r.randint(1, 2)):
                    a = r.choice(body_atoms)
                    body.append(("not " + a) if r.random() < 0.3 else a)
                weak.append((body, r.randint(0, 3), r.randint(1, 2)))
        query = None
        if not weak and r.random() < 0.2:
            lits = []
            for _ in range(r.randint(1, 2)):
                a = r.choice(idb)
                lits.append(("not " + a) if r.random() < 0.3 else a)
            query = ", ".join(lits) + " ?"
        return lines, weak, query

    def strong(self, atom):
        return ("-" + atom) if self.rng.random() < 0.1 else atom

    def rule(self, head, body):
        if not head and not body:
            body = ["not e"]
        text = " | ".join(head)
        if body:
            text += (" :- " if head else ":- ") + ", ".join(body)
        return text + "."


def run(cmd):
    return subprocess.run(cmd, capture_output=True, text=True, timeout=60)


def main():
    args = command_line(300)
    rng = random.Random(args.seed)
    gen = GENERATOR(rng)
    failures = 0
    with tempfile.TemporaryDirectory() as tmp:
        ours_path = os.path.join(tmp, "program.dl")
        query_path = os.path.join(tmp, "query.dl")
        clingo_path = os.path.join(tmp, "program.lp")
        for checked in range(1, args.count + 1):
            lines, weak, query = gen.program()
            text = "\n".join(l.replace(" | ", " v ") for l in lines) + "\n"
            text += "".join(":~ %s. [%d:%d]\n" % (", ".join(b), w, l) for b, w, l in weak)
            with open(ours_path, "w") as f:
                f.write(text)
            files = [ours_path]
            modes = [[]]
            if query:
                with open(query_path, "w") as f:
                    f.write(query + "\n")
                files.append(query_path)
                modes = [["-brave"], ["-cautious"]]
            problem = None
            for mode in modes:
                p = run([args.quarn, "-silent"] + mode + files)
                g = run([args.quarn, "-silent", "-OGp-"] + mode + files)
                if p.returncode != g.returncode or p.stderr != g.stderr:
                    problem = "status or messages differ %s: %d %r / %d %r" % (
                        mode, p.returncode, p.stderr, g.returncode, g.stderr)
                elif mode:
                    # The verdict line; the witness may differ.
                    if p.stdout.splitlines()[:1] != g.stdout.splitlines()[:1]:
                        problem = "verdicts differ %s:\n  -OGp : %s  -OGp-: %s" % (mode, p.stdout, g.stdout)
                elif parse_models(p.stdout) != parse_models(g.stdout):
                    problem = "answer sets differ:\n  -OGp : %s\n  -OGp-: %s" % (p.stdout, g.stdout)
                elif p.returncode == 0:
                    with open(clingo_path, "w") as f:
                        f.write("\n".join(lines) + "\n")
                        for k, (b, w, l) in enumerate(weak):
                            f.write(":~ %s. [%d@%d,%d]\n" % (", ".join(b), w, l, k))
                    c = run(["clingo", "0", "--opt-mode=optN", "--outf=2", clingo_path])
                    theirs = parse_clingo(c.stdout)
                    ours = parse_models(p.stdout)[0]
                    if ours != theirs:
                        problem = "answer sets differ from clingo's:\n  quarn : %s\n  clingo: %s" % (
                            sorted(sorted(m) for m in ours), sorted(sorted(m) for m in theirs))
                if problem:
                    break
            if problem:
                failures += 1
                print("program %d:\n%s%s\n%s\n" % (checked, text, query or "", problem))
                if failures >= 5:
                    break
    print("%d programs, %d disagreements (seed %d)" % (checked, failures, args.seed))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
