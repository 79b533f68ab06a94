#!/usr/bin/env python3
"""Differential test of aggregates and of the options that must never change an answer.

Two families of random programs:

- Aggregates (--family aggregates): guessed predicates whose elements are partly facts, read by
  #count, #sum, #min, #max and #times literals in every guard form (sets without any element
  among them, and guards that the body's variable binds), one to three of them
  (negated or not) in one body, in rules, constraints, weak constraints and queries. The answer
  sets (or, with weak constraints, the optimal models and their cost) must equal clingo's under
  the default options and under each of -OH-, --pospts, --nocomplpt, --ptcache=0, --ptcache=1
  and -OGp-;
  a ground query's brave and cautious verdicts must follow from clingo's answer sets; every atom
  that -det reports must be true in every answer set.
- Well-founded (--family wellfounded): normal programs with positive loops, negation and
  constraints, ground or (every other one) with variables over a random graph, among them the
  game of moves and stratified programs. -wf (also under --noGUS and -OGp-) must print the true
  and the undefined atoms of the well-founded model that an alternating fixpoint computes here
  (over the ground program of clingo --text for those with variables), and nothing when that
  model violates a constraint; every atom that -det reports must be true in every answer set;
  with variables -det must also report every true atom of the well-founded model, and on a
  stratified program exactly its one answer set.

clingo has no #times: its program multiplies the elements along the domain in a chain of atoms of
its own. clingo's #count and #sum are written with both guards, as quarn reads them (a missing
lower guard is 0, a missing upper guard the largest integer); a #max or #min holds in clingo's
program when an element lies within the guards and none beyond the one the extreme passes, so
the empty #min and #max (no value here) fail. Atoms whose names begin with "zz" are clingo's
helpers.

Usage: aggregates_options_vs_clingo.py QUARN [--seed N] [--count N] [--scale N]
       [--family aggregates|wellfounded|both]
Exit status 0 when every program agrees; otherwise the first disagreeing programs are printed.
"""
import argparse
import json
import os
import random
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from clingo_support import clingo_witnesses, quarn_models, run, split_atoms  # noqa: E402
from optimum_vs_clingo import parse_quarn as parse_best  # noqa: E402

INT_MAX = 2147483647
FUNCTIONS = ["#count", "#sum", "#min", "#max", "#times"]
# The options that choose literals differently, and -OGp- (no program here is ground); the
# answers must be the same under each.
HEURISTIC_OPTIONS = [[], ["-OH-"], ["--pospts"], ["--nocomplpt"], ["--ptcache=0"], ["--ptcache=1"], ["-OGp-"]]


def visible(model):
    return frozenset(a for a in model if not a.startswith("zz"))


class AGGREGATE:
    """One aggregate literal: its quarn text and clingo text (with the helper rules that clingo
    needs for #times)."""

    def __init__(self, quarn, clingo, helpers):
        self.quarn = quarn
        self.clingo = clingo
        self.helpers = helpers


class AGGREGATE_GENERATOR:
    def __init__(self, rng, scale=1):
        self.rng = rng
        self.scale = scale
        self.helpers = 0

    def setup(self):
        r = self.rng
        self.n = r.randint(2, 3 + self.scale)
        self.weights = {i: r.choice([0, 1, 1, 2, 2, 3, 5]) for i in range(1, self.n + 1)}
        lines = ["d(%d)." % i for i in range(1, self.n + 1)]
        lines += ["w(%d,%d)." % (i, v) for i, v in self.weights.items()]
        self.guessed = ["p", "q"][: r.randint(1, 2)]
        for p in self.guessed:
            for i in range(1, self.n + 1):
                kind = r.random()
                if kind < 0.3:
                    lines.append("%s(%d)." % (p, i))  # an element that is a fact
                elif kind < 0.65:
                    lines.append("%s(%d) | n%s(%d)." % (p, i, p, i))
                elif kind < 0.95:
                    lines.append("%s(%d) :- not n%s(%d)." % (p, i, p, i))
                    lines.append("n%s(%d) :- not %s(%d)." % (p, i, p, i))
        return lines

    def value_range(self, function, weighted):
        values = list(self.weights.values()) if weighted else list(range(1, self.n + 1))
        if function == "#count":
            return 0, self.n
        if function == "#sum":
            return 0, sum(values)
        if function == "#times":
            product = 1
            for v in values:
                product *= max(v, 1)
            return 0, min(product, 40)
        return min(values), max(values)

    def guard(self, function, weighted, variable):
        """(quarn prefix, quarn suffix, lower, upper): one of the fourteen guard forms, with the
        bounds that quarn reads from it as clingo terms. With a variable (bound by the rule's
        body), one of the two guards may be that variable, also in the form of an assignment
        (X = #f{...}), which then compares."""
        r = self.rng
        low, high = self.value_range(function, weighted)
        k = r.randint(max(0, low - 1), high + 1)
        a = r.randint(0, max(0, high))
        b = a + r.randint(0, 3)
        if variable and r.random() < 0.4:
            x = variable
            return r.choice([("%s < " % x, "", "%s+1" % x, INT_MAX), ("%s <= " % x, "", x, INT_MAX),
                             ("", " >= %s" % x, x, INT_MAX), ("", " > %s" % x, "%s+1" % x, INT_MAX),
                             ("", " <= %s" % x, 0, x), ("%s >= " % x, "", 0, x),
                             ("%d <= " % a, " <= %s" % x, a, x), ("%s = " % x, "", x, x), ("", " = %s" % x, x, x)])
        forms = [
            ("%d < " % k, "", k + 1, INT_MAX), ("%d <= " % k, "", k, INT_MAX),
            ("%d = " % k, "", k, k), ("%d >= " % k, "", 0, k), ("", " = %d" % k, k, k),
            ("", " >= %d" % k, k, INT_MAX), ("", " > %d" % k, k + 1, INT_MAX), ("", " <= %d" % k, 0, k),
            ("%d <= " % a, " <= %d" % b, a, b), ("%d <= " % a, " < %d" % (b + 1), a, b),
            ("%d < " % a, " <= %d" % b, a + 1, b), ("%d < " % a, " < %d" % (b + 2), a + 1, b + 1),
        ]
        if k >= 1:  # a strict upper guard must be above 0
            forms += [("%d > " % k, "", 0, k - 1), ("", " < %d" % k, 0, k - 1)]
        return r.choice(forms)

    def aggregate(self, function, predicates, position, variable):
        """The aggregate at `position` of its body: its variables are its own (Z and W with the
        position), since no two aggregates of a body may share one. With `variable` (a variable
        of the rule), the set may compare its elements with it and a guard may be it."""
        r = self.rng
        z, v = "Z%d" % position, "W%d" % position
        p = r.choice(predicates)
        weighted = function != "#count" and r.random() < 0.6
        condition = ["%s(%s)" % (p, z)]
        if weighted:
            condition.append("w(%s,%s)" % (z, v))
        if r.random() < 0.2:
            others = [q for q in predicates if q != p]
            if others:
                condition.append("not %s(%s)" % (r.choice(others), z))
        if function == "#times":
            variable = None  # clingo's chain multiplies one set per program
        if variable and r.random() < 0.4:
            condition.append("%s %s %s" % (z, r.choice(["<", "!=", ">="]), variable))
        elif r.random() < 0.1:
            condition.append("%s > %d" % (z, self.n))  # no element at all
        terms = "%s,%s" % (v, z) if weighted else z
        element = "%s{%s : %s}" % (function, terms, ", ".join(condition))
        before, after, lower, upper = self.guard(function, weighted, variable)
        quarn = before + element + after
        if function in ("#max", "#min"):
            # clingo 5.4.1 loses answer sets with some pairs of #max aggregates: the extreme lies
            # within the guards when an element does and none lies beyond the guard it passes.
            self.helpers += 1
            k = self.helpers
            value = v if weighted else z
            beyond = "%s > %s" % (value, upper) if function == "#max" else "%s < %s" % (value, lower)
            head, domain = ("zzm%d(%s)" % (k, variable), "d(%s), " % variable) if variable else ("zzm%d" % k, "")
            helper = "%s :- %s#count{%s : %s, %s <= %s, %s <= %s} >= 1, #count{%s : %s, %s} = 0." % (
                head, domain, terms, ", ".join(condition), lower, value, value, upper, terms, ", ".join(condition),
                beyond)
            return AGGREGATE(quarn, head, [helper])
        if function != "#times":
            return AGGREGATE(quarn, "%s <= %s <= %s" % (lower, element, upper), [])
        # clingo multiplies the values of the elements along the domain.
        self.helpers += 1
        k = self.helpers
        at = [c.replace(z, "I").replace(v, "V") for c in condition]
        value = "V" if weighted else "I"
        helpers = ["zzc%d(I) :- d(I), %s." % (k, ", ".join(c for c in at if not c.startswith("w("))),
                   "zzp%d(0,1)." % k,
                   "zzp%d(I,P*%s) :- zzp%d(I-1,P), zzc%d(I)%s." % (k, value, k, k, ", w(I,V)" if weighted else ""),
                   "zzp%d(I,P) :- zzp%d(I-1,P), d(I), not zzc%d(I)." % (k, k, k),
                   "zzh%d :- zzp%d(%d,P), %s <= P, P <= %s." % (k, k, self.n, lower, upper)]
        return AGGREGATE(quarn, "zzh%d" % k, helpers)

    def body(self, predicates, count=None, variable=None):
        """One to three aggregate literals of different functions, each negated or not:
        (quarn literals, clingo literals, clingo helper rules)."""
        r = self.rng
        functions = r.sample(FUNCTIONS, count or r.choice([1, 1, 2, 2, 3]))
        quarn, clingo, helpers = [], [], []
        for position, function in enumerate(functions):
            a = self.aggregate(function, predicates, position, variable)
            negated = r.random() < 0.35
            quarn.append(("not " if negated else "") + a.quarn)
            clingo.append(("not " if negated else "") + a.clingo)
            helpers += a.helpers
        return quarn, clingo, helpers

    def program(self):
        """(quarn lines, clingo lines, weak constraints as (quarn, clingo) line lists, query as
        (quarn literals, clingo literals) or None)."""
        r = self.rng
        self.helpers = 0
        common = self.setup()
        quarn, clingo = list(common), list(common)

        def add(q, c, helpers=()):
            quarn.append(q)
            clingo.extend(helpers)
            clingo.append(c)

        # Second layer: atoms derived through aggregates over the guesses, in rules whose heads
        # the rest of the program reads; r may guess among itself by negation.
        for k in range(r.randint(1, 2 + self.scale)):
            q, c, h = self.body(self.guessed)
            add("t%d :- %s." % (k, ", ".join(q)), "t%d :- %s." % (k, ", ".join(c)), h)
            add(*[r.choice([":- t%d." % k, ":- not t%d." % k, "u :- t%d, not u%d." % (k, k), ""])] * 2)
        later = self.guessed
        if r.random() < 0.6:
            for _ in range(r.randint(1, 2)):
                q, c, h = self.body(self.guessed, r.choice([1, 1, 2]), "X")
                extra = r.choice(["", "", ", not nr(X)", ", %s(X)" % r.choice(self.guessed),
                                  ", not %s(X)" % r.choice(self.guessed)])
                add("r(X) :- d(X)%s, %s." % (extra, ", ".join(q)), "r(X) :- d(X)%s, %s." % (extra, ", ".join(c)), h)
                if "nr(X)" in extra:
                    add("nr(X) :- d(X), not r(X).", "nr(X) :- d(X), not r(X).")
            later = self.guessed + ["r"]
            if r.random() < 0.4:
                q, c, h = self.body(later)
                add("s :- %s." % ", ".join(q), "s :- %s." % ", ".join(c), h)
                add(*[r.choice([":- s.", ":- not s.", "s1 :- s."])] * 2)
        # Constraints over one to three aggregates.
        for _ in range(r.randint(0, 2)):
            q, c, h = self.body(later)
            add(":- %s." % ", ".join(q), ":- %s." % ", ".join(c), h)

        weak = None
        query = None
        if r.random() < 0.3:
            weak = ([], [])
            for k in range(r.randint(1, 3)):
                q, c, h = self.body(later, r.choice([1, 1, 2]))
                weight, level = r.randint(1, 3), r.randint(1, 2)
                weak[0].append(":~ %s. [%d:%d]" % (", ".join(q), weight, level))
                weak[1].extend(h)
                weak[1].append(":~ %s. [%d@%d,%d]" % (", ".join(c), weight, level, k))
            if r.random() < 0.5:
                p = r.choice(self.guessed)
                i = r.randint(1, self.n)
                weak[0].append(":~ %s(%d). [1:1]" % (p, i))
                weak[1].append(":~ %s(%d). [1@1,w%s%d]" % (p, i, p, i))
        elif r.random() < 0.45:
            q, c, h = self.body(later, r.choice([1, 1, 2]))
            clingo.extend(h)
            query = (q, c)
        return quarn, clingo, weak, query


def clingo_answer_sets(path):
    c = run(["clingo", "0", "--outf=2"], path)
    return {visible(frozenset(a.replace(" ", "") for a in w.get("Value", []))) for w in clingo_witnesses(c.stdout)}


def clingo_optimum(path):
    """clingo's optimal models and their non-zero costs from the highest level down."""
    c = run(["clingo", "0", "--opt-mode=optN", "--outf=2"], path)
    found = [(tuple(w.get("Costs", [])), visible(frozenset(a.replace(" ", "") for a in w.get("Value", []))))
             for w in clingo_witnesses(c.stdout)]
    if not found:
        return set(), None
    best = min(cost for cost, _ in found)
    return {m for cost, m in found if cost == best}, tuple(float(v) for v in best if v != 0)


def quarn_det(quarn, path, options=()):
    """The atoms that -det prints, or None when it prints nothing."""
    q = run([quarn, "-silent", "-det"] + list(options), path)
    for line in q.stdout.splitlines():
        if line.startswith("{"):
            inner = line.strip()[1:-1].strip()
            return set(split_atoms(inner)) if inner else set()
    return None


def check_det(quarn, path, models):
    det = quarn_det(quarn, path)
    if det is None or not models:
        return []
    wrong = sorted(a for a in det if any(a not in m for m in models))
    return ["-det reports %s, false in some answer set" % wrong] if wrong else []


def check_optimum(quarn, qpath, cpath, option_sets):
    """quarn's best models and their cost under each option set against clingo's optimum."""
    optimal, cost = clingo_optimum(cpath)
    problems = []
    for options in option_sets:
        q = run([quarn, "-silent"] + options, qpath)
        if q.returncode != 0:
            return ["quarn %s failed (status %d): %s" % (" ".join(options), q.returncode, q.stderr.strip())]
        reports = parse_best(q.stdout)
        best = {m for kind, m, _, _ in reports if kind == "best"}
        costs = {c for _, _, c, _ in reports}
        if best != optimal or (optimal and costs != {cost}):
            problems.append("best models under [%s] differ:\n  quarn : %s %s\n  clingo: %s %s" %
                            (" ".join(options), sorted(sorted(m) for m in best), sorted(costs),
                             sorted(sorted(m) for m in optimal), cost))
    return problems


def check_aggregates(quarn, program, tmp):
    quarn_lines, clingo_lines, weak, query = program
    qpath, cpath = os.path.join(tmp, "program.dl"), os.path.join(tmp, "program.lp")

    def write(path, lines):
        with open(path, "w") as f:
            f.write("\n".join(lines) + "\n")

    problems = []
    write(qpath, quarn_lines + (weak[0] if weak else []))
    write(cpath, clingo_lines + (weak[1] if weak else []))
    if weak:
        problems = check_optimum(quarn, qpath, cpath, HEURISTIC_OPTIONS)
        if problems and problems[0].startswith("quarn"):
            return problems
        write(cpath, clingo_lines)
        problems += check_det(quarn, qpath, clingo_answer_sets(cpath))
        return problems

    models = clingo_answer_sets(cpath)
    for options in HEURISTIC_OPTIONS:
        q = run([quarn, "-silent"] + options, qpath)
        if q.returncode != 0:
            return ["quarn %s failed (status %d): %s" % (" ".join(options), q.returncode, q.stderr.strip())]
        ours = quarn_models(q.stdout)
        if ours != models:
            problems.append("answer sets under [%s] differ:\n  only quarn : %s\n  only clingo: %s" %
                            (" ".join(options), sorted(sorted(m) for m in ours - models),
                             sorted(sorted(m) for m in models - ours)))
    problems += check_det(quarn, qpath, models)
    if query:
        # The query holds in an answer set when zzquery does.
        write(cpath, clingo_lines + ["zzquery :- %s." % ", ".join(query[1])])
        c = run(["clingo", "0", "--outf=2"], cpath)
        holds = [("zzquery" in w.get("Value", [])) for w in clingo_witnesses(c.stdout)]
        write(qpath, quarn_lines + ["%s?" % ", ".join(query[0])])
        for mode, expected in (("-brave", any(holds)), ("-cautious", all(holds))):
            q = run([quarn, "-silent", mode], qpath)
            verdict = ("bravely true" in q.stdout) if mode == "-brave" else ("cautiously true" in q.stdout)
            if q.returncode != 0 or verdict != expected:
                problems.append("%s query %s: quarn says %s (status %d), clingo's answer sets say %s" %
                                (mode, ", ".join(query[0]), q.stdout.strip(), q.returncode, expected))
    return problems


class NORMAL_GENERATOR:
    """Ground normal programs over a few atoms: rules with negation and positive loops, and
    constraints. Each rule is (head, positive body, negative body); a constraint has no head."""

    def __init__(self, rng):
        self.rng = rng

    def program(self):
        r = self.rng
        atoms = ["a%d" % i for i in range(r.randint(3, 8))]
        rules = []
        for _ in range(r.randint(2, 12)):
            head = r.choice(atoms) if r.random() < 0.93 else None
            positive = r.sample(atoms, r.choice([0, 0, 1, 1, 2]))
            negative = r.sample(atoms, r.choice([0, 1, 1, 2]) if head or positive else r.choice([1, 2]))
            rules.append((head, positive, negative))
        if r.random() < 0.5:  # a positive loop with a way in or out
            x, y = r.sample(atoms, 2)
            rules += [(x, [y], []), (y, [x], [])]
            if r.random() < 0.5:
                rules.append((x, [], [r.choice(atoms)]))
        if r.random() < 0.4:
            rules.append((r.choice(atoms), [], []))
        # Weak constraints, some with a ground built-in literal (negated or not), which only the
        # component grounder evaluates: as (quarn, clingo) lines.
        weak = []
        if r.random() < 0.4:
            for k in range(r.randint(1, 3)):
                body = [r.choice(["", "not "]) + r.choice(atoms)]
                body_clingo = list(body)
                if r.random() < 0.5:
                    q, c = r.choice([("1 < 2", "1 < 2"), ("not 1 < 2", "1 >= 2"), ("not 2 < 1", "2 >= 1"),
                                     ("2 > 1", "2 > 1"), ("not 1 = 1", "1 != 1")])
                    body.append(q)
                    body_clingo.append(c)
                weight, level = r.randint(1, 3), r.randint(1, 2)
                weak.append((":~ %s. [%d:%d]" % (", ".join(body), weight, level),
                             ":~ %s. [%d@%d,%d]" % (", ".join(body_clingo), weight, level, k)))
        return atoms, rules, weak


class RULES_GENERATOR:
    """Normal programs with variables over a random graph, which grounding instantiates: the game
    "a position wins when it has a move to a position that does not" (undefined atoms on cycles),
    and derived predicates d0.. read through edges, marks and negation, with positive loops. Now
    and then stratified (a predicate negates only earlier ones), so the well-founded model is the
    one answer set."""

    def __init__(self, rng, scale=1):
        self.rng = rng
        self.scale = scale

    def program(self):
        r = self.rng
        n = r.randint(4, 8 + 4 * self.scale)
        lines = ["node(%d)." % i for i in range(n)]
        edges = {(r.randrange(n), r.randrange(n)) for _ in range(r.randint(n, 2 * n))}
        lines += ["edge(%d,%d)." % e for e in sorted(edges)]
        lines += ["mark(%d)." % i for i in r.sample(range(n), r.randint(0, n // 2))]
        stratified = r.random() < 0.35
        if r.random() < 0.4:
            lines.append("win(X) :- edge(X,Y), not win(Y).")
            if stratified:
                lines[-1] = "win(X) :- edge(X,Y), X < Y, not win(Y)."
        preds = ["d%d" % i for i in range(r.randint(2, 4))]
        for i, p in enumerate(preds):
            for _ in range(r.randint(1, 3)):
                lower = preds[:i] if stratified else preds
                body = []
                kind = r.random()
                if kind < 0.35:
                    body = ["edge(X,Y)", "%s(Y)" % r.choice(preds[:i + 1])]
                elif kind < 0.6:
                    body = ["mark(X)"]
                elif kind < 0.8:
                    body = ["edge(Y,X)", "%s(Y)" % r.choice(preds[:i + 1])]
                else:
                    body = ["node(X)"]
                if lower and r.random() < 0.6:
                    body.append("not %s(%s)" % (r.choice(lower), r.choice(["X", "Y"]) if "edge" in body[0] else "X"))
                lines.append("%s(X) :- %s." % (p, ", ".join(body)))
        if r.random() < 0.3:
            lines.append(":- %s(X), %s(X), mark(X)." % tuple(r.sample(preds, 2)))
        return lines, stratified


def ground_rules(text):
    """The rules (head, positive body, negative body) of clingo's --text output of a normal
    program; a constraint has no head."""
    rules = []
    for line in text.splitlines():
        line = line.strip()
        if not line or line.startswith("#") or line.startswith("%"):
            continue
        head, _, body = line[:-1].partition(":-")
        positive, negative = [], []
        for literal in split_atoms(body):
            if literal.startswith("not "):
                negative.append(literal[4:].strip())
            else:
                positive.append(literal)
        rules.append((head.strip() or None, positive, negative))
    return rules


def printed_well_founded(text):
    """The true and the undefined atoms that -wf printed, or None when either line is missing."""
    printed = {}
    for line in text.splitlines():
        for label in ("True: ", "Undefined: "):
            if line.startswith(label):
                inner = line[len(label):].strip()[1:-1].strip()
                printed[label] = set(split_atoms(inner)) if inner else set()
    return (printed["True: "], printed["Undefined: "]) if len(printed) == 2 else None


def check_rules_well_founded(quarn, program, tmp):
    """-wf against the well-founded model of the ground program clingo instantiates; -det, on a
    stratified program, is that model, its only answer set; otherwise it holds at least the true
    atoms of the well-founded model and only atoms true in every answer set."""
    lines, stratified = program
    path = os.path.join(tmp, "rules.lp")
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")
    c = run(["clingo", "--text"], path)
    if c.returncode != 0:
        return ["clingo --text failed: %s" % c.stderr.strip()]
    rules = ground_rules(c.stdout)
    expected = well_founded(None, rules)
    problems = []
    for options in ([], ["--noGUS"], ["-OGp-"], ["-nofacts"]):
        q = run([quarn, "-silent", "-wf"] + options, path)
        got = printed_well_founded(q.stdout)
        wanted = expected
        if expected and options == ["-nofacts"]:
            facts = {h for h, positive, negative in rules if h and not positive and not negative and
                     h.split("(")[0] in ("node", "edge", "mark")}
            wanted = (expected[0] - facts, expected[1])
        if q.returncode != 0 or got != wanted:
            problems.append("-wf %s prints %s (status %d), the well-founded model is %s" %
                            (" ".join(options), got, q.returncode, wanted))
    models = clingo_answer_sets(path)
    det = quarn_det(quarn, path)
    if stratified and expected and expected[1]:
        problems.append("a stratified program has undefined atoms %s" % sorted(expected[1]))
    if models and det is None:
        problems.append("-det prints nothing, but there are answer sets")
    elif models:
        if stratified and det != expected[0]:
            problems.append("-det prints %s, the one answer set is %s" % (sorted(det), sorted(expected[0])))
        if expected and not expected[0] <= det:
            problems.append("-det leaves out %s, true in the well-founded model" % sorted(expected[0] - det))
        problems += check_det(quarn, path, models)
    return problems


def text_of(rules):
    lines = []
    for head, positive, negative in rules:
        body = positive + ["not " + a for a in negative]
        if head and not body:
            lines.append(head + ".")
        else:
            lines.append("%s:- %s." % (head + " " if head else "", ", ".join(body)))
    return lines


def well_founded(atoms, rules):
    """(true, undefined) of the well-founded model by the alternating fixpoint, or None when it
    makes the body of a constraint true."""
    def least_model(assumed):
        # The least model of the rules whose negated atoms are all outside `assumed`.
        model, changed = set(), True
        while changed:
            changed = False
            for head, positive, negative in rules:
                if head and head not in model and all(a in model for a in positive) and \
                        not any(a in assumed for a in negative):
                    model.add(head)
                    changed = True
        return model

    true = set()
    while True:
        possible = least_model(true)
        new_true = least_model(possible)
        if new_true == true:
            break
        true = new_true
    for head, positive, negative in rules:
        if head is None and all(a in true for a in positive) and not any(a in possible for a in negative):
            return None
    return true, possible - true


def check_well_founded(quarn, program, tmp):
    atoms, rules, weak = program
    qpath, cpath = os.path.join(tmp, "program.dl"), os.path.join(tmp, "program.lp")
    lines = text_of(rules)
    for path in (qpath, cpath):
        with open(path, "w") as f:
            f.write("\n".join(lines) + "\n")
    expected = well_founded(atoms, rules)
    problems = []
    for options in ([], ["--noGUS"], ["-OGp-"]):
        q = run([quarn, "-silent", "-wf"] + options, qpath)
        got = printed_well_founded(q.stdout)
        if q.returncode != 0 or got != expected:
            problems.append("-wf %s prints %s (status %d), the well-founded model is %s" %
                            (" ".join(options), got, q.returncode, expected))
    problems += check_det(quarn, qpath, clingo_answer_sets(cpath))
    if weak:
        with open(qpath, "a") as f:
            f.write("\n".join(q for q, _ in weak) + "\n")
        with open(cpath, "a") as f:
            f.write("\n".join(c for _, c in weak) + "\n")
        problems += check_optimum(quarn, qpath, cpath, [[], ["-OGp-"]])
    return problems


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("quarn")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--count", type=int, default=300)
    parser.add_argument("--family", choices=["aggregates", "wellfounded", "both"], default="both")
    parser.add_argument("--scale", type=int, default=1, help="larger programs")
    args = parser.parse_args()
    rng = random.Random(args.seed)
    aggregates, normal = AGGREGATE_GENERATOR(rng, args.scale), NORMAL_GENERATOR(rng)
    with_variables = RULES_GENERATOR(rng, args.scale)
    failures = 0
    with tempfile.TemporaryDirectory() as tmp:
        for n in range(1, args.count + 1):
            family = args.family if args.family != "both" else ("wellfounded" if n % 4 == 0 else "aggregates")
            if family == "aggregates":
                program = aggregates.program()
                problems = check_aggregates(args.quarn, program, tmp)
                text = program[0] + (program[2][0] if program[2] else []) + \
                    (["%s?" % ", ".join(program[3][0])] if program[3] else [])
            elif (n if args.family == "wellfounded" else n // 4) % 2 == 0:
                program = with_variables.program()
                problems = check_rules_well_founded(args.quarn, program, tmp)
                text = program[0]
            else:
                program = normal.program()
                problems = check_well_founded(args.quarn, program, tmp)
                text = text_of(program[1]) + [q for q, _ in program[2]]
            if problems:
                failures += 1
                print("program %d:\n%s" % (n, "\n".join(text)))
                for p in problems:
                    print("  " + p)
            if failures >= 5:
                break
    print("%d programs, %d disagreements (seed %d)" % (n, failures, args.seed))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
