#!/usr/bin/env python3
"""Differential test of projection rewriting and subsumption checking.

Random programs with variables that occur in one literal only, repeated variables, constants,
comparisons, negation, disjunction, constraints, rules that other rules subsume and rules whose
function terms in the head read the body's variables in another order are solved by
quarn with its default options (projection on), with -ORp-, with -OS, with -OS -ORp- and with
-ORb- -OS, and by clingo; all must give the same set of answer sets. Half of the programs
instead match function terms and lists in their bodies, read strongly negated atoms, derive
strongly negated and disjunctive heads and count with aggregates over local variables (see
TERMS_GENERATOR).

Usage: projection_vs_clingo.py QUARN [--seed N] [--count N]
"""
import os
import random
import re
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from answer_sets_vs_clingo import parse_quarn  # noqa: E402
from clingo_support import clingo_models, command_line, run, split_atoms  # noqa: E402

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


# The second family: bodies that match function terms and lists, strongly negated literals and
# aggregates, whose projected or subsumed forms must keep every answer set. Terms are tuples,
# written once for quarn and once for clingo, which has no lists: a list becomes nested
# cons(Head, Tail) terms ending in nil, and quarn's printed lists are read back in that form.
TERM_CONSTANTS = ["1", "2", "3", "a"]


def quarn_term(t):
    if t[0] in ("var", "const"):
        return t[1]
    if t[0] == "fun":
        return "%s(%s)" % (t[1], ",".join(quarn_term(a) for a in t[2]))
    elements = ",".join(quarn_term(a) for a in t[1])
    if t[2] is None:
        return "[%s]" % elements
    return "[%s|%s]" % (elements, quarn_term(t[2]))


def clingo_term(t):
    if t[0] in ("var", "const"):
        return t[1]
    if t[0] == "fun":
        return "%s(%s)" % (t[1], ",".join(clingo_term(a) for a in t[2]))
    text = clingo_term(t[2]) if t[2] is not None else "nil"
    for a in reversed(t[1]):
        text = "cons(%s,%s)" % (clingo_term(a), text)
    return text


def term_variables(t):
    if t[0] == "var":
        return {t[1]}
    if t[0] == "const":
        return set()
    if t[0] == "fun":
        return set().union(*(term_variables(a) for a in t[2]))
    found = set().union(*(term_variables(a) for a in t[1])) if t[1] else set()
    return found | (term_variables(t[2]) if t[2] is not None else set())


def lists_as_cons(text):
    """An atom as quarn prints it, with every list written as clingo's cons/nil terms."""
    out, i = [], 0
    while i < len(text):
        if text[i] == "[":
            depth, j = 0, i
            while True:
                if text[j] == "[":
                    depth += 1
                elif text[j] == "]":
                    depth -= 1
                    if depth == 0:
                        break
                j += 1
            inner = text[i + 1:j]
            tail = "nil"
            parts = split_atoms(inner) if inner else []
            if parts and "|" in parts[-1] and parts[-1].count("[") == parts[-1].count("]"):
                last, tail = parts[-1].split("|", 1)
                parts[-1] = last
                tail = lists_as_cons(tail)
            result = tail
            for p in reversed(parts):
                result = "cons(%s,%s)" % (lists_as_cons(p), result)
            out.append(result)
            i = j + 1
        else:
            out.append(text[i])
            i += 1
    return "".join(out)


class TERMS_GENERATOR:
    """Facts e(K, T) with function terms f(_, _) and g(_), lists l(K, L), strongly negated
    facts -q(_, _) beside q(_, _); rules over derived predicates d0..d3 (d_i reads d_j only for
    j < i under negation or in an aggregate), strongly negated heads, disjunctive heads, rules
    that nearly repeat another one, aggregates with local variables, and a predicate w that
    only heads build terms and lists for."""

    def __init__(self, rng):
        self.rng = rng

    def ground_term(self, depth=0):
        r = self.rng
        x = r.random()
        if depth >= 2 or x < 0.45:
            return ("const", r.choice(TERM_CONSTANTS))
        if x < 0.65:
            return ("fun", "f", [self.ground_term(depth + 1), self.ground_term(depth + 1)])
        if x < 0.75:
            return ("fun", "g", [self.ground_term(depth + 1)])
        return ("list", [self.ground_term(depth + 1) for _ in range(r.randint(0, 3))], None)

    def pattern(self, pool, depth=0):
        """A term for a body literal: a variable, a constant, or a function or list pattern over
        variables."""
        r = self.rng
        x = r.random()
        if depth >= 2 or x < 0.5 or (depth == 1 and x < 0.8):
            return ("var", r.choice(pool))
        if x < 0.6:
            return ("const", r.choice(TERM_CONSTANTS))
        if x < 0.75:
            return ("fun", "f", [self.pattern(pool, depth + 1), self.pattern(pool, depth + 1)])
        if x < 0.82:
            return ("fun", "g", [self.pattern(pool, depth + 1)])
        if x < 0.92:
            return ("list", [self.pattern(pool, depth + 1)], ("var", r.choice(pool)))
        return ("list", [self.pattern(pool, depth + 1) for _ in range(r.randint(0, 2))], None)

    def atom(self, pred, args, sign=""):
        return {"pred": sign + pred, "args": args}

    def program(self):
        r = self.rng
        facts = []
        for _ in range(r.randint(3, 7)):
            facts.append(self.atom("e", [("const", r.choice(TERM_CONSTANTS)), self.ground_term()]))
        for _ in range(r.randint(1, 4)):
            facts.append(self.atom("l", [("const", r.choice(TERM_CONSTANTS)),
                                         ("list", [self.ground_term(1) for _ in range(r.randint(0, 3))], None)]))
        qfacts = set()
        for _ in range(r.randint(1, 4)):
            qfacts.add((r.choice(TERM_CONSTANTS), r.choice(TERM_CONSTANTS), r.random() < 0.5))
        for a, b, negated in sorted(qfacts):
            if (a, b, not negated) not in qfacts:
                facts.append(self.atom("q", [("const", a), ("const", b)], "-" if negated else ""))
        self.arity = {"d0": 1, "d1": 2, "d2": 1, "d3": 0}
        rules = []
        for _ in range(r.randint(3, 7)):
            rule = self.rule()
            rules.append(rule)
            x = r.random()
            if x < 0.25:
                extra = self.rule_literal(rule["pool"], rule["level"], positive_only=True)
                rules.append(dict(rule, body=rule["body"] + [extra]))
            elif x < 0.35:
                rules.append(dict(rule, body=list(reversed(rule["body"]))))
            elif x < 0.4:
                rules.append(rule)
        return facts, rules

    def rule_literal(self, pool, head, positive_only=False):
        r = self.rng
        level = int(head[1]) if head.startswith("d") else 4
        x = r.random()
        key = ("var", r.choice(pool)) if r.random() < 0.85 else ("const", r.choice(TERM_CONSTANTS))
        if x < 0.35:
            return ("atom", self.atom("e", [key, self.pattern(pool)]))
        if x < 0.5:
            return ("atom", self.atom("l", [key, self.pattern(pool)]))
        if x < 0.65:
            return ("atom", self.atom("q", [("var", r.choice(pool)), ("var", r.choice(pool))],
                                      r.choice(["", "-"])))
        lower = ["d%d" % i for i in range(level) if self.arity["d%d" % i] > 0]
        if x < 0.8 or positive_only:
            d = r.choice([p for p in self.arity if self.arity[p] > 0 and int(p[1]) <= level])
            return ("atom", self.atom(d, [("var", r.choice(pool)) for _ in range(self.arity[d])],
                                      "-" if r.random() < 0.15 else ""))
        if x < 0.9 and lower:
            d = r.choice(lower)
            return ("not", self.atom(d, [("var", r.choice(pool)) for _ in range(self.arity[d])]))
        # An aggregate over the facts or a lower derived predicate, with a local variable of its
        # own (two aggregates of one rule may not share one).
        self.locals += 1
        local = "V%d" % self.locals
        inner = [self.atom("e", [("var", local), self.pattern(pool + [local])])]
        if lower and r.random() < 0.3:
            d = r.choice(lower)
            inner = [self.atom(d, [("var", local)] + [("var", r.choice(pool)) for _ in range(self.arity[d] - 1)])]
        if r.random() < 0.3:
            inner.append(self.atom("q", [("var", local), ("var", r.choice(pool + [local]))], r.choice(["", "-"])))
        function = "#count"
        guard = r.choice(["=", ">=", "<="])
        bound = r.choice(["0", "1", "2"])
        return ("aggregate", function, local, inner, guard, bound)

    def rule(self):
        r = self.rng
        pool = ["X", "Y", "Z", "W"][: r.randint(1, 4)]
        self.locals = 0
        head = r.choice(list(self.arity) + ["w"])
        body = []
        for _ in range(r.randint(1, 3)):
            body.append(self.rule_literal(pool, head))
        positive = set()
        for literal in body:
            if literal[0] == "atom":
                for a in literal[1]["args"]:
                    positive |= term_variables(a)
        if not positive:
            body.insert(0, ("atom", self.atom("e", [("var", pool[0]), ("var", pool[-1])])))
            positive = {pool[0], pool[-1]}
        bound = sorted(positive)
        # Negated literals and aggregates read only bound variables.
        body = [l for l in body if l[0] == "atom" or self.literal_variables(l) <= positive]
        if r.random() < 0.3 and len(bound) >= 2:
            a, b = r.sample(bound, 2)
            body.append(("cmp", a, "!=", b))
        heads = []
        # A second head atom is of the first one's predicate, so that no aggregate or negation
        # reads a predicate of its own component.
        for h in [head] + ([head] if r.random() < 0.25 and head not in ("w", "d3") else []):
            if h == "w":
                term = r.choice([("fun", "h", [("var", v) for v in r.sample(bound, min(2, len(bound)))]),
                                 ("list", [("var", v) for v in r.sample(bound, min(2, len(bound)))], None),
                                 ("list", [("var", bound[0])], ("list", [], None))])
                heads.append(self.atom("w", [term]))
            else:
                heads.append(self.atom(h, [("var", r.choice(bound)) for _ in range(self.arity[h])],
                                       "-" if r.random() < 0.2 else ""))
        return {"heads": heads, "body": body, "pool": bound, "level": head}

    @staticmethod
    def literal_variables(literal):
        if literal[0] == "not":
            return set().union(set(), *(term_variables(a) for a in literal[1]["args"]))
        if literal[0] == "aggregate":
            found = set()
            for a in literal[3]:
                for t in a["args"]:
                    found |= term_variables(t)
            return found - {literal[2]}
        return set()


def terms_atom_text(atom, term):
    args = atom["args"]
    return atom["pred"] + ("(%s)" % ",".join(term(a) for a in args) if args else "")


def terms_literal_text(literal, term):
    if literal[0] == "atom":
        return terms_atom_text(literal[1], term)
    if literal[0] == "not":
        return "not " + terms_atom_text(literal[1], term)
    if literal[0] == "cmp":
        return "%s %s %s" % literal[1:]
    _, function, local, inner, guard, bound = literal
    return "%s{%s : %s} %s %s" % (function, local, ", ".join(terms_atom_text(a, term) for a in inner), guard, bound)


def terms_program_text(facts, rules, dialect):
    term = quarn_term if dialect == "quarn" else clingo_term
    separator = " v " if dialect == "quarn" else " ; "
    lines = [terms_atom_text(f, term) + "." for f in facts]
    for rule in rules:
        lines.append("%s :- %s." % (separator.join(terms_atom_text(h, term) for h in rule["heads"]),
                                    ", ".join(terms_literal_text(l, term) for l in rule["body"])))
    return lines


def main():
    args = command_line(200)
    rng = random.Random(args.seed)
    gen = GENERATOR(rng)
    terms = TERMS_GENERATOR(rng)
    variants = [[], ["-ORp-"], ["-OS"], ["-OS", "-ORp-"], ["-ORb-", "-OS"]]
    failures = 0
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "program.lp")
        reference = os.path.join(tmp, "reference.lp")
        for n in range(1, args.count + 1):
            if rng.random() < 0.5:
                lines = gen.program()
                clingo_lines = lines
            else:
                facts, rules = terms.program()
                lines = terms_program_text(facts, rules, "quarn")
                clingo_lines = terms_program_text(facts, rules, "clingo")
            with open(path, "w") as f:
                f.write("\n".join(lines) + "\n")
            with open(reference, "w") as f:
                f.write("\n".join(clingo_lines) + "\n")
            c = run(["clingo", "0", "--outf=2"], reference)
            theirs = clingo_models(c.stdout)
            for options in variants:
                q = run([args.quarn, "-silent"] + options, path)
                ours = ({frozenset(lists_as_cons(a) for a in m) for m in parse_quarn(q.stdout)}
                        if q.returncode == 0 else None)
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
