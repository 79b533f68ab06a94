#!/usr/bin/env python3
"""Differential test of the rewritings that must never change an answer: magic sets, subsumption
and projection, against clingo's brave and cautious consequences.

Random programs over fact predicates and a few rule-defined predicates of arity 0 to 2 have
recursion, disjunctive heads, stratified negation, integrity constraints, comparisons, function
terms (in heads too), facts of rule-defined predicates, rules that nearly repeat another one
(arguments swapped, variables renamed, a literal more) and predicates that nothing defines; now
and then also integers computed by "+", "*" and #succ under a #maxint (which clingo's reference
writes out as a comparison), #count and #sum aggregates beside the query (over facts or over
predicates below the head) and in it (over its variables and variables of their own, or giving
their value to a variable of the answer), and strongly negated atoms in heads, bodies and
queries. Each
gets a query, ground or not, of one to three literals, for brave or cautious reasoning. quarn
answers it with the default options and with every rewriting switch turned the other way
(-ODMS, -OODMS, -ODMS+, -OMS-, -OS, -ORp-, and a mixture), sometimes all of them without basic
rewriting (-ORb-). The reference is clingo: a ground query holds bravely when the program with
its literals as constraints has an answer set, cautiously when the program with the query as
one constraint has none; the answers of a non-ground query are the brave or cautious
consequences of a rule that collects the query's variables (under brave reasoning its ground
literals become constraints first, as quarn makes them), and without an answer set there are
none ("No stable model found.").

Argument positions are typed, so that "<" and ">=" only ever compare integers (the two systems
order other terms differently): a position of kind "i" holds integers, one of kind "t" any term.

Usage: rewritings_vs_clingo.py QUARN [--seed N] [--count N] [--keep DIR]
"""
import json
import os
import random
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from clingo_support import command_line, split_atoms  # noqa: E402

INTEGERS = ["1", "2", "3", "4"]
SYMBOLS = ["a", "b"]
VARIABLES = ["X", "Y", "Z", "W"]
FACT_PREDICATES = {"e": "it", "f": "i", "g": "tt"}

VARIANTS = [[], ["-ODMS"], ["-OODMS"], ["-ODMS+"], ["-OMS-"], ["-OS"], ["-ORp-"]]


class GENERATOR:
    def __init__(self, rng):
        self.rng = rng

    def constant(self, kind):
        r = self.rng
        if kind == "i" or r.random() < 0.5:
            return r.choice(INTEGERS)
        if r.random() < 0.7:
            return r.choice(SYMBOLS)
        return "h(%s)" % r.choice(INTEGERS + SYMBOLS)

    def program(self):
        r = self.rng
        self.types = dict(FACT_PREDICATES)
        self.idb = ["p%d" % i for i in range(r.randint(2, 5))]
        for p in self.idb:
            self.types[p] = "".join(r.choice("iitt") for _ in range(r.choice([0, 1, 1, 2, 2, 2])))
        # A predicate that no rule and no fact defines, read in bodies, constraints and queries.
        self.types["u"] = r.choice(["", "i", "t"])
        # A predicate that only heads define: its rules build function terms without making the
        # program grow for ever, and the query often asks about it.
        self.types["w"] = r.choice(["t", "tt", "it"])
        lines = []
        for p, kinds in FACT_PREDICATES.items():
            for _ in range(r.randint(1, 6)):
                lines.append(atom_text(p, [self.constant(k) for k in kinds]) + ".")
        for p in self.idb:
            if r.random() < 0.2:
                lines.append(atom_text(p, [self.constant(k) for k in self.types[p]]) + ".")
        self.negation = r.random() < 0.5
        # Arithmetic needs the bound on integers, which clingo's reference writes out.
        self.maxint = r.choice([None, None, 5, 7])
        if self.maxint:
            lines.append("#maxint = %d." % self.maxint)
        self.aggregates = r.random() < 0.3
        self.strong = r.random() < 0.25
        rules = []
        for _ in range(r.randint(2, 8)):
            rules.append(self.rule())
            if r.random() < 0.35:
                rules.append(self.near_copy(rules[-1]))
        # Every rule-defined predicate has a rule, so that basic rewriting does not remove it.
        for p in self.idb:
            if not any(p in rule["heads"] for rule in rules):
                rules.append(self.rule(head=p))
        for _ in range(r.randint(1, 2)):
            rules.append(self.rule(head="w", function_heads=0.5))
            if r.random() < 0.5:
                rules.append(self.near_copy(rules[-1]))
        constraints = [self.constraint() for _ in range(r.choice([0, 0, 1, 1, 2]))]
        return lines, rules, constraints

    def strongly(self, p):
        """p, or now and then its strong negation, when the program has strongly negated atoms."""
        if self.strong and p in self.idb and self.rng.random() < 0.2:
            return "-" + p
        return p

    def body(self, size):
        """Positive literals, a negated one, comparisons; returns them with each variable's kind."""
        r = self.rng
        kinds = {}
        literals = []
        for _ in range(size):
            p = r.choice(list(FACT_PREDICATES) + self.idb + (["u"] if r.random() < 0.1 else []))
            args = []
            for k in self.types[p]:
                x = r.random()
                if x < 0.1 and k == "t":
                    v = r.choice(VARIABLES[:3])
                    args.append("h(%s)" % v)
                    kinds.setdefault(v, "t")
                elif x < 0.8:
                    v = r.choice(VARIABLES[:3])
                    args.append(v)
                    if k == "i" or v not in kinds:
                        kinds[v] = k
                else:
                    args.append(self.constant(k))
            literals.append(("+", self.strongly(p), args))
        integers = [v for v in kinds if kinds[v] == "i"]
        free = [v for v in VARIABLES[:3] if v not in kinds]
        if self.maxint and integers and free and r.random() < 0.4:
            # An integer computed from a bound one; beyond #maxint the built-in fails.
            x, y = r.choice(integers), r.choice(free)
            op = r.choice(["+", "+", "*", "#succ"])
            literals.append(("arith", op, [x, "1" if op == "#succ" else r.choice(["1", "2"]), y]))
            kinds[y] = "i"
        bound = list(kinds)
        if self.negation and r.random() < 0.5:
            p = r.choice(["f", "u"] + self.idb)
            args = [self.argument(k, kinds, 0.8) for k in self.types[p]]
            literals.append(("not", p, args))
        integers = [v for v in bound if kinds[v] == "i"]
        if self.aggregates and r.random() < 0.3:
            literals.append(self.aggregate(kinds))
        if r.random() < 0.3 and integers:
            x = r.choice(integers)
            y = r.choice(integers + INTEGERS)
            if x != y:
                literals.append(("cmp", r.choice(["<", ">=", "!="]), [x, y]))
        elif r.random() < 0.15 and len(bound) >= 2:
            x, y = r.sample(bound, 2)
            literals.append(("cmp", "!=", [x, y]))
        return literals, kinds

    def aggregate(self, kinds):
        """#count or #sum over the local variable V of a fact predicate or a rule-defined one
        (which then must not depend on the rule's head: stratified() sees to it), the other
        arguments bound variables or constants, compared with a constant."""
        r = self.rng
        p = r.choice([q for q in list(FACT_PREDICATES) + self.idb if self.types[q]])
        position = r.randrange(len(self.types[p]))
        function = "#sum" if self.types[p][position] == "i" and r.random() < 0.4 else "#count"
        args = [self.argument(k, kinds, 0.5, 0) for i, k in enumerate(self.types[p]) if i != position]
        guard = r.choice(["=", ">=", "<=", "<", ">"])
        # "< 0" is refused as an upper guard that no value passes.
        bound = r.choice(["1", "2", "3"] if guard == "<" else ["0", "1", "2", "3"])
        return ("agg", (function, p, position, guard, bound), args)

    def argument(self, kind, kinds, p_variable, p_function=0.1):
        """A variable of a fitting kind from the body (inside a function term now and then), or
        a constant."""
        r = self.rng
        fitting = [v for v in kinds if kind == "t" or kinds[v] == "i"]
        if fitting and r.random() < p_variable:
            v = r.choice(fitting)
            if kind == "t" and r.random() < p_function:
                return "h(%s)" % v
            return v
        return self.constant(kind)

    def rule(self, head=None, function_heads=0.1):
        r = self.rng
        literals, kinds = self.body(r.randint(1, 3))
        heads = [head] if head else []
        count = r.choice([1, 1, 1, 2, 2, 3])
        while len(heads) < count:
            heads.append(r.choice(self.idb))
        head_atoms = [(self.strongly(p), [self.argument(k, kinds, 0.85, function_heads) for k in self.types[p]])
                      for p in heads]
        return make_rule(head_atoms, literals, self.maxint)

    def near_copy(self, rule):
        """A rule that the given one may subsume, or that may subsume it: a literal more, the
        body reversed, variables renamed (everywhere, or in the body alone), or the arguments of
        a body literal swapped (those of "!=", or of an atom whose two positions have one kind,
        which gives another rule unless the head reads neither)."""
        r = self.rng
        literals = list(rule["literals"])
        heads = list(rule["head_atoms"])
        x = r.random()
        if x < 0.25:
            extra, _ = self.body(1)
            literals.append(extra[0])
        elif x < 0.4:
            literals.reverse()
        elif x < 0.7:
            renaming = dict(zip(VARIABLES[:3], r.sample(VARIABLES[:3], 3)))
            if r.random() < 0.5:
                renaming = dict(zip(VARIABLES[:3], r.sample(VARIABLES, 3)))
                heads = [(p, [rename(a, renaming) for a in args]) for p, args in heads]
            literals = [(sign, p, [rename(a, renaming) for a in args]) for sign, p, args in literals]
        else:
            swappable = [i for i, (sign, p, args) in enumerate(literals)
                         if (sign == "cmp" and p == "!=") or (sign in ("+", "not")
                                                              and len(set(self.types[p.lstrip("-")])) == 1
                                                              and len(args) == 2)]
            if swappable:
                i = r.choice(swappable)
                sign, p, args = literals[i]
                literals[i] = (sign, p, args[::-1])
        if not safe(heads, literals):
            return make_rule(rule["head_atoms"], rule["literals"], self.maxint)
        return make_rule(heads, literals, self.maxint)

    def constraint(self):
        literals, _ = self.body(self.rng.randint(1, 2))
        return {"quarn": ":- %s." % ", ".join(literal_text(l) for l in literals),
                "clingo": ":- %s." % ", ".join(literal_text(l, self.maxint) for l in literals)}

    def query(self, mode):
        r = self.rng
        literals = []
        kinds = {}
        for _ in range(r.choice([1, 1, 2, 2, 3])):
            x = r.random()
            p = ("u" if x < 0.05 else r.choice(list(FACT_PREDICATES)) if x < 0.15 else "w" if x < 0.35
                 else r.choice(self.idb))
            args = []
            for k in self.types[p]:
                y = r.random()
                if y < 0.35:
                    v = r.choice(VARIABLES[:2])
                    args.append("h(%s)" % v if k == "t" and y < 0.04 else v)
                    kinds.setdefault(v, k)
                else:
                    args.append(self.constant(k))
            literals.append(("+", self.strongly(p), args))
        ground = not kinds
        if ground:
            for i in range(len(literals)):
                if r.random() < 0.25:
                    literals[i] = ("not",) + literals[i][1:]
        elif r.random() < 0.3:
            # A negated literal over variables that the positive ones bind.
            p = r.choice(self.idb + ["u"])
            args = [self.argument(k, kinds, 0.7) for k in self.types[p]]
            literals.append(("not", p, args))
        if r.random() < 0.2:
            # An aggregate over the query's variables (or none), compared with a constant or
            # giving its value to W, an answer variable of its own.
            sign, spec, args = self.aggregate(kinds)
            if r.random() < 0.5:
                spec = spec[:3] + ("=", "W")
            if args and r.random() < 0.3:
                # A variable that only the aggregate's set holds is the aggregate's own.
                args = list(args)
                args[r.randrange(len(args))] = "U"
            literals.append((sign, spec, args))
        return literals


def variable_of(term):
    v = term[2:-1] if term.startswith("h(") else term
    return v if v in VARIABLES else None


def safe(heads, literals):
    """Every variable of the head, of a negated literal and of a comparison occurs in a positive
    literal."""
    bound = {variable_of(a) for sign, _, args in literals if sign == "+" for a in args}
    bound |= {args[2] for sign, _, args in literals if sign == "arith"}
    used = [variable_of(a) for _, args in heads for a in args]
    used += [variable_of(a) for sign, _, args in literals if sign not in ("+", "arith") for a in args]
    used += [variable_of(a) for sign, _, args in literals if sign == "arith" for a in args[:2]]
    return all(v is None or v in bound for v in used)


def rename(term, renaming):
    if term in renaming:
        return renaming[term]
    if term.startswith("h(") and term[2:-1] in renaming:
        return "h(%s)" % renaming[term[2:-1]]
    return term


def atom_text(p, args):
    return p if not args else "%s(%s)" % (p, ",".join(args))


def literal_text(literal, maxint=None):
    """A body literal for quarn, or for clingo when the bound on integers is given (quarn's
    arithmetic fails beyond it, clingo's needs the bound written)."""
    sign, p, args = literal
    if sign == "cmp":
        return "%s %s %s" % (args[0], p, args[1])
    if sign == "arith":
        x, c, y = args
        if maxint is None:
            return "#succ(%s, %s)" % (x, y) if p == "#succ" else "%s = %s %s %s" % (y, x, p, c)
        return "%s = %s %s %s, %s <= %d" % (y, x, "+" if p == "#succ" else p, c, y, maxint)
    if sign == "agg":
        function, q, position, guard, bound = p
        inner = list(args)
        inner.insert(position, "V")
        return "%s{V : %s} %s %s" % (function, atom_text(q, inner), guard, bound)
    return ("not " if sign == "not" else "") + atom_text(p, args)


def make_rule(head_atoms, literals, maxint=None):
    heads = [p.lstrip("-") for p, _ in head_atoms]
    body = ", ".join(literal_text(l) for l in literals)
    clingo_body = ", ".join(literal_text(l, maxint) for l in literals)
    return {
        "heads": heads,
        "head_atoms": head_atoms,
        "literals": literals,
        "quarn": "%s :- %s." % (" v ".join(atom_text(p, a) for p, a in head_atoms), body),
        "clingo": "%s :- %s." % (" ; ".join(atom_text(p, a) for p, a in head_atoms), clingo_body),
    }


def stratified(idb, rules):
    """No predicate depends negatively on a predicate of its own component (head atoms of one
    rule depend on each other)."""
    reach = {p: set() for p in idb}
    edges = []
    for rule in rules:
        positive = {p.lstrip("-") for sign, p, _ in rule["literals"] if sign == "+"}
        negative = {p.lstrip("-") for sign, p, _ in rule["literals"] if sign == "not"}
        negative |= {p[1] for sign, p, _ in rule["literals"] if sign == "agg"}
        for h in rule["heads"]:
            reach[h] |= {b for b in positive | negative if b in reach}
            reach[h] |= set(rule["heads"])
            edges += [(h, b) for b in negative]
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


def query_variables(literals):
    """The variables of the query in the order of their first occurrence: the arguments of the
    answers that quarn prints."""
    seen = []
    for sign, spec, args in literals:
        # An aggregate's own variable V is no answer variable; its guard W is one.
        for a in list(args) + ([spec[4]] if sign == "agg" else []):
            v = variable_of(a)
            if v and v not in seen:
                seen.append(v)
    return seen


def clingo(arguments):
    """clingo's run with JSON output, or None when it does not end in time (an infinite
    grounding that the finite-domain check let through)."""
    try:
        return subprocess.run(["clingo", "--outf=2"] + arguments, capture_output=True, text=True, timeout=30)
    except subprocess.TimeoutExpired:
        return None


def complements(literals):
    """Constraints that rule out the complement of each literal: a brave query's literals hold."""
    return [":- not %s." % literal_text(l) if l[0] == "agg" else
            ":- %s%s." % ("" if l[0] == "not" else "not ", atom_text(l[1], l[2])) for l in literals]


def clingo_answer(lines, literals, mode, workdir):
    """What quarn should print: the verdict word of a ground query, or the sorted answer lines of
    a non-ground one (["No stable model found."] without an answer set); None when clingo fails."""
    variables = query_variables(literals)
    program = list(lines)
    if not variables:
        if mode == "-brave":
            program += complements(literals)
        else:
            program.append(":- %s." % ", ".join(literal_text(l) for l in literals))
        path = os.path.join(workdir, "reference.lp")
        with open(path, "w") as out:
            out.write("\n".join(program) + "\n")
        proc = clingo(["1", path])
        if not proc:
            return None
        result = json.loads(proc.stdout).get("Result")
        if result not in ("SATISFIABLE", "UNSATISFIABLE"):
            return None
        satisfiable = result == "SATISFIABLE"
        if mode == "-brave":
            return "true" if satisfiable else "false"
        return "false" if satisfiable else "true"
    if mode == "-brave":
        # quarn rules out the complement of each ground literal of a brave query beforehand, so
        # that without an answer set that satisfies them it reports none at all.
        program += complements([l for l in literals if not query_variables([l])])
    head = "query_answer(%s)" % ",".join(variables)
    program.append("%s :- %s." % (head, ", ".join(literal_text(l) for l in literals)))
    program.append("#show query_answer/%d." % len(variables))
    path = os.path.join(workdir, "reference.lp")
    with open(path, "w") as out:
        out.write("\n".join(program) + "\n")
    enum = "brave" if mode == "-brave" else "cautious"
    proc = clingo(["0", "--enum-mode=" + enum, path])
    if not proc:
        return None
    data = json.loads(proc.stdout)
    if data.get("Result") == "UNSATISFIABLE":
        return ["No stable model found."]
    if data.get("Result") != "SATISFIABLE":
        return None
    witnesses = [w for call in data.get("Call", []) for w in call.get("Witnesses", [])]
    answers = []
    for a in witnesses[-1].get("Value", []):
        answers.append(", ".join(split_atoms(a[len("query_answer("):-1])))
    return sorted(answers)


def quarn_answer(stdout, ground):
    lines = stdout.splitlines()
    if ground:
        words = {"is bravely true.": "true", "is bravely false.": "false",
                 "is cautiously true.": "true", "is cautiously false.": "false"}
        found = [v for line in lines for k, v in words.items() if line.endswith(k)]
        return found[0] if len(found) == 1 and len(lines) == 1 else ("unreadable", lines)
    return sorted(lines)


def run_quarn(quarn, path, mode, options):
    try:
        proc = subprocess.run([quarn, "-silent", mode] + options + [path], capture_output=True, text=True,
                              timeout=60)
    except subprocess.TimeoutExpired:
        return -1, "", "(no end within 60 s)\n"
    return proc.returncode, proc.stdout, proc.stderr


def main():
    options = command_line(300, keep=True)
    if options.keep:
        return run_programs(options, options.keep)
    with tempfile.TemporaryDirectory(prefix="rewritings_") as workdir:
        return run_programs(options, workdir)


def refused_by_finite_check(stderr):
    return "Termination is not guaranteed" in stderr or "termination is not guaranteed" in stderr


def refused_assignment(stderr, literals):
    """The value of an aggregate over predicates that a disjunction or unstratified negation
    defines is refused as an assignment (with either of the grounder's two messages)."""
    assigns = any(sign == "agg" and spec[3] == "=" and variable_of(spec[4]) for sign, spec, _ in literals)
    return assigns and (
        "cannot be applied on disjunctive or unstratified predicates" in stderr or
        "Cyclic dependency among aggregates and builtins" in stderr)


def run_programs(options, workdir):
    rng = random.Random(options.seed)
    gen = GENERATOR(rng)
    failures = made = skipped = refused = 0
    while made < options.count:
        lines, rules, constraints = gen.program()
        if not stratified(gen.idb + ["w"], rules):
            continue
        made += 1
        mode = rng.choice(["-brave", "-cautious"])
        literals = gen.query(mode)
        ground = not query_variables(literals)
        program_text = "\n".join(lines + [r["quarn"] for r in rules] + [c["quarn"] for c in constraints]) + "\n"
        quarn_text = program_text + ", ".join(literal_text(l) for l in literals) + "?\n"
        clingo_lines = ([l for l in lines if not l.startswith("#maxint")] + [r["clingo"] for r in rules]
                        + [c["clingo"] for c in constraints])
        path = os.path.join(workdir, "p%d.dl" % made)
        extra = ["-ORb-"] if rng.random() < 0.15 else []
        mixture = [o for o in ["-OS", "-ORp-"] if rng.random() < 0.5] + [rng.choice(["-ODMS", "-OODMS", "-ODMS+"])]
        # A function term that grows in a recursion leaves nothing finite to compare. The program
        # is checked without its query and without basic rewriting, which could end the run
        # before grounding.
        with open(path, "w") as out:
            out.write(program_text)
        if refused_by_finite_check(run_quarn(options.quarn, path, "-n=1", ["-ORb-"])[2]):
            skipped += 1
            continue
        with open(path, "w") as out:
            out.write(quarn_text)
        expected = clingo_answer(clingo_lines, literals, mode, workdir)
        if expected is None:
            print("%s: clingo gave no answer" % path)
            failures += 1
            continue
        for variant in VARIANTS + [mixture]:
            status, stdout, stderr = run_quarn(options.quarn, path, mode, variant + extra)
            if status == 1 and not stdout and refused_assignment(stderr, literals):
                refused += 1
                continue
            if status == 1 and refused_by_finite_check(stderr):
                # The check is conservative, and a rewritten program is another program: its
                # refusal is no answer, neither a right nor a wrong one.
                refused += 1
                continue
            got = quarn_answer(stdout, ground)
            if status != 0 or got != expected:
                failures += 1
                print("%s %s %s: answers differ from clingo's\n--- program\n%s--- clingo\n%s\n"
                      "--- quarn (status %d)\n%s%s" % (path, mode, " ".join(variant + extra), quarn_text,
                                                      expected, status, stdout, stderr))
                break
        if failures >= 5:
            break
    print("%d programs (%d refused by the finite-domain check, and %d refused runs), %d failures "
          "(seed %d)" % (made, skipped, refused, failures, options.seed))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
