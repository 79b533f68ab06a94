#!/usr/bin/env python3
"""Differential test of whole programs that mix the language's features, and of the options and
reasoning modes that read them, against clingo's answer sets.

A random program has a domain, guessed predicates (by disjunction, by negation, or a predicate
and its strong negation in one disjunctive head), facts among the undecided atoms (of guessed
predicates, of their strong negations and of derived ones), derived predicates whose rules read
the guesses through ordinary and strongly negated literals and through one to three aggregates
(#count, #sum, #min, #max, #times, negated or not) and may be disjunctive, now and then with a
head cycle, constraints with aggregates and ordinary literals, and often weak constraints at up
to three levels (constant weights, with decimals too, and weights and levels read from the
body), a query (ground or not), or both. Now and then a layer that grounding decides feeds the
rest: integers from #int (under #maxint) or a range, arithmetic built-ins over them, nested
function terms, aggregates that assign a value (also #times), and rules whose aggregates over
the guesses compare with such a value or need the value an assignment in the same body gives;
facts among the undecided atoms may be ranges. Now and then a guessed binary relation over a few
arcs (with its strong negation, or by negation) is read by joins, by rules whose body variables
the head projects away, by strongly negated heads, and by rules and aggregates over a predicate
whose extension is empty.

clingo lists every answer set of the same program (#times, #min and #max written as in
aggregates_options_vs_clingo.py; a weak constraint becomes a rule that derives one "zzw" atom
per violated ground instance, holding its weight and level), and what quarn must print follows
from that list:
  - the answer sets, under the default options and under options that must not change them
    (-OH-, --pospts, --nocomplpt, --ptcache=, -OGp-, -OGo1, -OMm=, -ORp-, -OS, -OPf-, --noGUS);
  - with -n=k, k of them (or all when there are fewer), each once;
  - with -nofacts, -filter= and -pfilter=, each answer set restricted accordingly;
  - with -det and -wf, atoms true in every answer set, and (-wf) no atom of an answer set
    outside the true and the undefined ones; nothing only when there is no answer set;
  - with weak constraints: the answer sets of least cost (compared from the highest level
    down) with their cost, one of them with -n=1, falling costs under -wctrace, and under
    -costbound= every answer set whose cost is not above the bound (compared from the highest
    level down, "_" and missing levels unbounded), or status 1 when no answer set is;
  - with a query: its brave and cautious answers (under the default options and under options
    that must not change them, -wctrace and -n= among them; under -costbound= over the answer
    sets within the bound), and, when it is ground, the answer sets in which it holds without
    -brave or -cautious;
  - the same program split over several files and standard input ("--"), the query in one of
    the parts, has the same answers as in one file.

Usage: mixed_vs_clingo.py QUARN [--seed N] [--count N] [--scale N] [--keep DIR]
Exit status 0 when every program agrees; otherwise the first disagreeing programs are printed.
"""
import argparse
import json
import os
import random
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from aggregates_options_vs_clingo import AGGREGATE_GENERATOR  # noqa: E402
from clingo_support import split_atoms  # noqa: E402

# Options that must never change an answer.
SAME_ANSWERS = [["-OH-"], ["--pospts"], ["--nocomplpt"], ["--ptcache=0"], ["--ptcache=1"], ["-OGp-"], ["-OGo1"],
                ["-OGo0"], ["-OGs-"], ["-ORb-"], ["-ORdr-"], ["-O0"], ["--cannotchoosecomplpt"],
                ["--combinecomplpt=3"], ["-OMm=1"], ["-OMm=5"], ["-OMm=9"], ["-ORp-"], ["-OS"], ["-OPf-"],
                ["--noGUS"], ["-OH-", "--pospts", "-ORp-"], ["-OS", "-OMm=5", "--nocomplpt"],
                ["-stats"], ["-stats++", "-stats-grounding++"]]
# The comparison criteria a --heuristic= or --cheuristic= list may name (plus 1000 to reverse one).
CRITERIA = list(range(17)) + [21, 29, 30, 31, 33, 34, 37]


def same_answers(rng):
    """Options that must not change the answers: from the list above, or random heuristic
    lists, which make the search choose in other orders."""
    if rng.random() < 0.6:
        return rng.choice(SAME_ANSWERS)
    criteria = [rng.choice(CRITERIA) + (1000 if rng.random() < 0.2 else 0) for _ in range(rng.randint(1, 5))]
    options = ["--heuristic=" + ",".join(map(str, criteria))]
    if rng.random() < 0.3:
        options.append("--cheuristic=%d" % rng.choice(CRITERIA))
    if rng.random() < 0.3:
        options.append("--combineheuristic=" + ",".join(str(rng.randint(0, 3)) for _ in criteria))
    return options + rng.choice([[], [], ["-OMm=5"], ["--noGUS"], ["-OPf-"]])


MODEL = "Best model: "
TRACE = "Current model [maybe not optimal]: "
COST = "Cost ([Weight:Level]): "
MAX_MODELS = 400


def atoms_of(text):
    inner = text.strip()[1:-1].strip()
    return frozenset(split_atoms(inner) if inner else [])


def predicate(atom):
    return atom.split("(")[0]


class PROGRAM:
    """Quarn's and clingo's lines of one program; the weak constraints' markers are "zzw"
    predicates in clingo's lines; `query` is (quarn text, clingo literals, variables) or None;
    `edb` the predicates that only facts define."""

    def __init__(self):
        self.quarn = []
        self.clingo = []
        self.weak = False
        self.query = None
        self.edb = set()
        self.decimals = False


class GENERATOR:
    def __init__(self, rng, scale=1):
        self.rng = rng
        self.scale = scale
        self.aggregates = AGGREGATE_GENERATOR(rng, scale)

    def program(self):
        r = self.rng
        g = self.aggregates
        g.helpers = 0
        prog = PROGRAM()
        n = r.randint(2, 3 + self.scale)
        g.n = n
        g.weights = {i: r.choice([0, 1, 1, 2, 2, 3, 5]) for i in range(1, n + 1)}
        common = [r.choice(["d(1..%d)." % n, " ".join("d(%d)." % i for i in range(1, n + 1)),
                            "#const size = %d. d(1..size)." % n])]
        common += ["w(%d,%d)." % (i, v) for i, v in g.weights.items()]

        def both(line, clingo=None, helpers=()):
            prog.quarn.append(line)
            prog.clingo.extend(helpers)
            prog.clingo.append(clingo if clingo is not None else line.replace(" v ", " | "))

        for line in common:
            both(line)
        # Layer 1: the guesses.
        guessed = []
        for p in ["p", "q"][: r.randint(1, 2)]:
            kind = r.random()
            if kind < 0.3:
                both("%s(X) v n%s(X) :- d(X)." % (p, p))
                guessed += [p, "n" + p]
            elif kind < 0.55:
                both("%s(X) :- d(X), not n%s(X)." % (p, p))
                both("n%s(X) :- d(X), not %s(X)." % (p, p))
                guessed += [p, "n" + p]
            elif kind < 0.85:
                both("%s(X) v -%s(X) :- d(X)." % (p, p))
                guessed += [p, "-" + p]
            else:
                for i in range(1, n + 1):
                    if r.random() < 0.7:
                        both("%s(%d) v -%s(%d)." % (p, i, p, i))
                guessed += [p, "-" + p]
        # Facts among the undecided atoms, one by one or as a range.
        for _ in range(r.choice([0, 0, 1, 2, 3])):
            if r.random() < 0.25:
                low = r.randint(1, n)
                both("%s(%d..%d)." % (r.choice(guessed), low, r.randint(low - 1, n)))
            else:
                both("%s(%d)." % (r.choice(guessed), r.randint(1, n)))
        if r.random() < 0.4:
            guessed = guessed + self.base_layer(both, guessed, n)
        if r.random() < 0.3:
            guessed = guessed + self.join_layer(both, guessed, n)
        # Layer 2: atoms derived through aggregates and literals over the guesses.
        second = []
        for _ in range(r.randint(1, 2 + self.scale)):
            kind = r.random()
            if kind < 0.45:
                head = r.choice(["r(X)", "r(X) v s(X)", "r(X) v -r(X)", "-s(X)", "s(X)"])
                body = ["d(X)"]
                for _ in range(r.choice([0, 1, 1, 2])):
                    body.append(r.choice(["", "", "not "]) + "%s(X)" % r.choice(guessed))
                quarn, clingo, helpers = g.body(guessed, r.choice([0, 1, 1, 2]) or None, "X") \
                    if r.random() < 0.8 else ([], [], [])
                both("%s :- %s." % (head, ", ".join(body + quarn)),
                     "%s :- %s." % (head.replace(" v ", " | "), ", ".join(body + clingo)), helpers)
                for h in head.split(" v "):
                    second.append(predicate(h))
            else:
                k = len(second)
                quarn, clingo, helpers = g.body(guessed)
                head = r.choice(["t%d" % k, "t%d v u%d" % (k, k)])
                both("%s :- %s." % (head, ", ".join(quarn)), "%s :- %s." % (head.replace(" v ", " | "),
                                                                            ", ".join(clingo)), helpers)
                second += [h for h in head.split(" v ")]
        second = sorted(set(second))
        unary = [p for p in second if p.lstrip("-") in ("r", "s")]
        if unary and r.random() < 0.25:
            # A head cycle through the disjunction r | s.
            both("r(X) v s(X) :- d(X), %s(X)." % r.choice(guessed))
            both("r(X) :- s(X), %s(X)." % r.choice(guessed))
            both("s(X) :- r(X).")
        for _ in range(r.choice([0, 0, 1, 2])):
            if unary:
                both("%s(%d)." % (r.choice(unary), r.randint(1, n)))
        zero = [p for p in second if p[0] in "tu"]
        if unary and r.random() < 0.3:
            # Atoms derived from aggregates over the derived atoms (head cycles among them),
            # read by the constraints, weak constraints and queries below.
            for _ in range(r.randint(1, 2)):
                quarn, clingo, helpers = g.body(unary, r.choice([1, 1, 2]), "X")
                extra = r.choice(["", ", %s(X)" % r.choice(unary), ", not %s(X)" % r.choice(unary)])
                both("v(X) :- d(X)%s, %s." % (extra, ", ".join(quarn)),
                     "v(X) :- d(X)%s, %s." % (extra, ", ".join(clingo)), helpers)
            unary = unary + ["v"]
        # Layer 3: constraints.
        later = guessed + [p for p in unary]
        for _ in range(r.randint(0, 1 + self.scale)):
            kind = r.random()
            if kind < 0.5:
                quarn, clingo, helpers = g.body(later)
                extra = [r.choice(["", "not "]) + a for a in r.sample(zero, min(len(zero), r.randint(0, 1)))]
                both(":- %s." % ", ".join(extra + quarn), ":- %s." % ", ".join(extra + clingo), helpers)
            else:
                a, b = r.choice(later), r.choice(later)
                both(":- d(X), %s(X), %s%s(X)." % (a, r.choice(["", "not "]), b))
        for p in zero:
            if r.random() < 0.3:
                both(r.choice([":- %s." % p, ":- not %s." % p]))
        if r.random() < 0.2:
            self.function_terms(both, guessed, n)
        self.weak_constraints(prog, later)
        self.make_query(prog, later + zero)
        prog.edb = edb_predicates(prog.quarn)
        return prog

    def base_layer(self, both, guessed, n):
        """Predicates that grounding decides, or that read the guesses through them: integers
        from #int (under #maxint) or a range, arithmetic over them, nested function terms,
        aggregates that assign a value, and rules whose aggregates compare with such values or
        depend on an assignment in the same body. Returns the unary predicates over the domain
        that the later layers may read."""
        r = self.rng
        top = None
        if r.random() < 0.6:
            # Above every integer of the program (aggregate guards included), or parsing fails.
            top = max(45, 6 * n) + r.randint(0, 5)
            both("#maxint = %d." % top, "")
        k = r.randint(1, n + 2)
        kind = r.random()
        if top and kind < 0.4:
            both("e(X) :- #int(X), X < %d." % k, "e(X) :- X = 0..%d, X < %d." % (top, k))
        elif kind < 0.7:
            both("e(X) :- d(Y), #int(Y, %d, X)." % k, "e(X) :- d(Y), X = Y..%d." % k)
        else:
            both("e(%d..%d)." % (0, k))
        bound = ", Z <= %d" % top if top else ""
        operations = [("Z = X + Y", "Z = X + Y" + bound), ("Z = X * Y", "Z = X * Y" + bound),
                      ("Z = X - Y", "Z = X - Y, X >= Y"), ("Z = X / Y", "Z = X / Y, Y != 0"),
                      ("#mod(X,Y,Z)", "Z = X \\ Y, Y != 0"), ("#absdiff(X,Y,Z)", "Z = |X - Y|"),
                      ("#succ(X,Z)", "Z = X + 1" + (", X < %d" % top if top else "")),
                      ("#prec(X,Z)", "Z = X - 1, X > 0")]
        derived = []
        for _ in range(r.randint(1, 2)):
            quarn, clingo = r.choice(operations)
            inputs = "e(X), e(Y)" if "Y" in quarn else "e(X)"
            last = r.choice(["d(Z)", "not d(Z)"]) if r.random() < 0.5 else None
            if last == "not d(Z)":
                # Results outside the domain, read back through an aggregate.
                both("ao(Z) :- %s, %s, %s." % (inputs, quarn, last), "ao(Z) :- %s, %s, %s." % (inputs, clingo, last))
                both("ar(X) :- d(X), #count{Z : ao(Z), Z > X} >= 1.")
            else:
                both("ar(Z) :- %s, %s, d(Z)." % (inputs, quarn), "ar(Z) :- %s, %s, d(Z)." % (inputs, clingo))
        derived.append("ar")
        guess = r.choice([p for p in guessed if not p.startswith("-")])
        if r.random() < 0.5:
            # Nested function terms, read by aggregates over the guesses.
            both("fn(f(X,g(Y))) :- w(X,Y).")
            both(r.choice(["fa(X) :- d(X), #count{Y : fn(f(Y,g(Z))), %s(Y), Z >= X} >= 1." % guess,
                           "fa(X) :- d(X), #sum{Z,Y : fn(f(Y,g(Z))), %s(Y)} > X." % guess,
                           "fa(X) :- fn(f(X,g(Z))), not #count{Y : fn(f(Y,g(Z))), %s(Y)} = 1." % guess]))
            derived.append("fa")
        if r.random() < 0.6:
            # A value that an aggregate assigns, then compared with aggregates over the guesses.
            weights = set(self.aggregates.weights.values())
            product = 1
            for v in weights:
                product *= v
            assigned = r.choice([("cn(N) :- N = #count{X : e(X)}.", None),
                                 ("cn(N) :- N = #sum{W,X : w(X,W)}.", None),
                                 ("cn(N) :- N = #max{W : w(X,W)}.", None),
                                 ("cn(N) :- N = #min{W,X : w(X,W)}.", None),
                                 ("cn(N) :- N = #times{W : w(X,W)}.", "cn(%d)." % product)])
            both(*assigned)
            other = r.choice([p for p in guessed if not p.startswith("-")])
            both(r.choice(["ct(X) :- d(X), cn(N), #count{Y : %s(Y), Y != X} <= N." % other,
                           "ct(X) :- d(X), cn(N), N < #sum{W,Y : %s(Y), w(Y,W), Y >= X}." % other,
                           "ct(X) :- d(X), cn(N), X < N, not %s(X)." % other]))
            derived.append("ct")
        if r.random() < 0.3:
            # The second aggregate needs the value the first one assigns.
            both("cd(X) :- d(X), M = #max{W : w(V,W)}, #count{Y : %s(Y), w(Y,U), U < M} >= X." % guess)
            derived.append("cd")
        return derived

    def join_layer(self, both, guessed, n):
        """A guessed binary relation "ed" over a few arcs (by disjunction with its strong
        negation, or by negation), read by joins of two or three literals, rules whose body
        variables the head leaves out (projected away), strongly negated heads and bodies, and
        a predicate that no rule can make true (empty), read under negation and by aggregates
        over its empty extension. Returns the unary predicates over the domain that the later
        layers may read."""
        r = self.rng
        arcs = sorted({(r.randint(1, n), r.randint(1, n)) for _ in range(r.randint(2, n + 2))})
        both(" ".join("arc(%d,%d)." % a for a in arcs))
        if r.random() < 0.6:
            both("ed(X,Y) v -ed(X,Y) :- arc(X,Y).")
            negated = "-ed"
        else:
            both("ed(X,Y) :- arc(X,Y), not ned(X,Y).")
            both("ned(X,Y) :- arc(X,Y), not ed(X,Y).")
            negated = "ned"
        if r.random() < 0.3:
            both("ed(%d,%d)." % r.choice(arcs))
        plain = [p for p in guessed if p in ("p", "q", "np", "nq")] or ["d"]
        derived = []
        rules = [("jp(X) :- ed(X,Y), %s(Y)." % r.choice(plain), "jp"),
                 ("jp(X) :- ed(X,Y), ed(Y,Z), not %s(Z)." % r.choice(plain), "jp"),
                 ("jn(X) :- %s(X,Y), not ed(Y,X)." % negated, "jn"),
                 ("-jn(X) :- d(X), not jn(X), not jp(X).", "-jn"),
                 ("jk(X) :- ed(X,Y), %s(Y,Z), ed(Z,X)." % negated, "jk"),
                 ("jk(X) :- d(X), #count{Y : ed(X,Y)} >= 2.", "jk")]
        for rule, head in r.sample(rules, r.randint(2, len(rules))):
            both(rule)
            derived.append(head)
        if r.random() < 0.5:
            # Nothing makes "em" true: its extension is empty.
            both("em(X) :- ed(X,Y), %s(X,Y)." % negated if negated == "-ed" else "em(X) :- arc(X,X), X > %d." % n)
            both(r.choice(["jm(X) :- d(X), not em(X).", "jm(X) :- d(X), #count{Y : em(Y)} < X.",
                           "jm(X) :- d(X), #sum{Y : em(Y), Y > X} <= 0, %s(X)." % r.choice(plain)]))
            derived.append("jm")
        if r.random() < 0.5:
            both(r.choice([":- ed(X,Y), ed(Y,X), X != Y.", ":- %s(X,Y), %s(Y,Z), %s(Z,X)." % ((negated,) * 3),
                           ":- d(X), not jp(X), not jn(X), %s(X)." % r.choice(plain)]))
        # A predicate whose every rule body holds nowhere is left without atoms; the later layers
        # read the non-empty ones like guessed predicates.
        return sorted(p for p in set(derived) if not p.startswith("-") and p != "em")

    def function_terms(self, both, guessed, n):
        """A guess between function terms, read by a pattern, by a #count of its terms (the
        other aggregates need integers) and by a constraint; now and then a fact among them."""
        r = self.rng
        both("g(f(X)) v g(h(X,%s)) :- d(X)%s." % (r.choice(["a", "X"]), r.choice(["", ", not %s(X)" % r.choice(guessed)])))
        if r.random() < 0.5:
            both("g(f(%d))." % r.randint(1, n))
        both("gf(X) :- g(f(X)).")
        k = r.randint(0, n)
        both(r.choice(["gc :- #count{Y : g(Y)} >= %d." % k, ":- #count{Y : g(Y), Y != f(1)} < %d." % max(k, 1),
                       "gc :- not #count{Y : g(Y)} = %d." % k]))
        both(":- gf(X), %s(X), X > %d." % (r.choice(guessed), r.randint(0, n)))

    def weak_constraints(self, prog, preds):
        r = self.rng
        g = self.aggregates
        if r.random() < 0.5:
            return
        prog.weak = True
        top = r.randint(1, 3)
        for k in range(r.randint(1, 4)):
            body = ["d(X)"]
            variables = ["X"]
            body.append(r.choice(["", "", "not "]) + "%s(X)" % r.choice(preds))
            if r.random() < 0.3:
                body += ["d(Y)", "%s(Y)" % r.choice(preds), r.choice(["X < Y", "X != Y"])]
                variables.append("Y")
            quarn, clingo, helpers = g.body(preds, 1, "X") if r.random() < 0.3 else ([], [], [])
            kind = r.random()
            if kind < 0.25:
                weight, value = "W", "W*1000"
                body.append("w(X,W)")
                variables.append("W")
            elif kind < 0.4:
                milli = r.choice([500, 250, 1005, 1500, 2050])
                weight, value = "%d.%03d" % (milli // 1000, milli % 1000), str(milli)
                weight = weight.rstrip("0")
                prog.decimals = True
            else:
                w = r.randint(0, 4)
                weight, value = str(w), str(w * 1000)
            if r.random() < 0.15:
                level = "X"
            else:
                level = str(r.randint(1, top))
            prog.quarn.append(":~ %s. [%s:%s]" % (", ".join(body + quarn), weight, level))
            prog.clingo.extend(helpers)
            prog.clingo.append("zzw%d(%s,%s,%s) :- %s." % (k, value, level, ",".join(variables),
                                                         ", ".join(body + clingo)))

    def make_query(self, prog, preds):
        """A query of one to three literals over the program's predicates, now and then with an
        aggregate or a comparison of its variables: (text, quarn literals, clingo literals,
        variables in the order of their first occurrence, clingo helper rules)."""
        r = self.rng
        if r.random() < 0.6:
            return
        literals_q, literals_c, variables, helpers = [], [], [], []
        for _ in range(r.randint(1, 3)):
            p = r.choice(preds)
            negated = r.random() < 0.3
            if p[0] in "tu":
                atom = p
            elif r.random() < 0.5 and not negated:
                v = r.choice(["X", "Y"])
                atom = "%s(%s)" % (p, v)
                if v not in variables:
                    variables.append(v)
            else:
                atom = "%s(%d)" % (p, r.randint(1, self.aggregates.n))
            literals_q.append(("not " if negated else "") + atom)
            literals_c.append(literals_q[-1])
        if r.random() < 0.2:
            quarn, clingo, extra = self.aggregates.body([p for p in preds if p[0] not in "tu"], 1)
            literals_q += quarn
            literals_c += clingo
            helpers += extra
        if variables and r.random() < 0.2:
            comparison = "X != Y" if len(variables) == 2 else "%s > %d" % (variables[0], r.randint(1, 2))
            literals_q.append(comparison)
            literals_c.append(comparison)
        prog.query = (", ".join(literals_q) + "?", literals_q, literals_c, variables, helpers)


def edb_predicates(lines):
    """The predicates that only facts define: quarn prints them as the input facts, which
    -nofacts leaves out."""
    facts, rules = set(), set()
    for line in lines:
        if line.startswith(":"):
            continue
        for statement in re.split(r"\.(?:\s+|$)", line.strip()):
            if not statement:
                continue
            head, _, body = statement.partition(":-")
            atoms = {predicate(a.strip()) for a in head.split(" v ")}
            if body or len(atoms) > 1 or " v " in head:
                rules |= atoms
            else:
                facts |= atoms
    return facts - rules


class EXPECTED:
    """What clingo's answer sets say."""

    def __init__(self, models, costs):
        self.models = models  # list of frozensets of visible atoms
        self.costs = costs  # per model: {level: milli weight}


def clingo_models(lines, path):
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")
    # --eq=0: clasp 5.4.1's equivalence preprocessing loses every answer set of some programs
    # with disjunctive guesses and aggregates (a program it calls unsatisfiable has answer sets
    # once constraints are added that keep one of them). With it, clasp now and then reports
    # an answer set twice: each is kept once.
    c = subprocess.run(["clingo", str(MAX_MODELS + 1), "--eq=0", "--outf=2", path], capture_output=True, text=True,
                       timeout=60)
    data = json.loads(c.stdout)
    result, seen = [], set()
    for call in data.get("Call", []):
        for w in call.get("Witnesses", []):
            atoms = [a.replace(" ", "") for a in w.get("Value", [])]
            if frozenset(atoms) not in seen:
                seen.add(frozenset(atoms))
                result.append(atoms)
    return result


def expected_of(lines, path):
    models, costs = [], []
    raw = clingo_models(lines, path)
    if len(raw) > MAX_MODELS:
        return None
    for atoms in raw:
        cost = {}
        for a in atoms:
            if a.startswith("zzw"):
                args = split_atoms(a[a.index("(") + 1:-1])
                level = int(args[1])
                cost[level] = cost.get(level, 0) + int(args[0])
        models.append(frozenset(a for a in atoms if not a.startswith("zz")))
        costs.append(cost)
    return EXPECTED(models, costs)


def run_quarn(quarn, args, files, stdin=None):
    try:
        p = subprocess.run([quarn, "-silent"] + args + files, capture_output=True, text=True, timeout=60,
                           input=stdin)
    except subprocess.TimeoutExpired:
        return 124, "", "(no end within 60 s)"
    return p.returncode, p.stdout, p.stderr


def plain_models(stdout):
    """The answer sets printed one per line, in order."""
    return [atoms_of(line) for line in stdout.splitlines() if line.startswith("{")]


def cost_reports(stdout):
    """(kind, model, {level: milli}) per model of an optimisation run; kind "best", "trace" or
    "plain" (a model printed without a prefix, as -costbound= does)."""
    reports = []
    for line in stdout.splitlines():
        if line.startswith(MODEL):
            reports.append(["best", atoms_of(line[len(MODEL):]), None])
        elif line.startswith(TRACE):
            reports.append(["trace", atoms_of(line[len(TRACE):]), None])
        elif line.startswith("{"):
            reports.append(["plain", atoms_of(line), None])
        elif line.startswith(COST) and reports:
            cost = {}
            text = line[len(COST):].strip()
            if text not in ("<>", "<0>"):
                for part in text[1:-1].split(","):
                    value, level = part.strip("[]").split(":")
                    whole, _, fraction = value.partition(".")
                    cost[int(level)] = int(whole) * 1000 + (int(fraction) if fraction else 0)
            reports[-1][2] = cost
        else:
            reports.append(["unreadable", line, None])
    return reports


def cost_key(cost, levels):
    return tuple(cost.get(level, 0) for level in range(levels, 0, -1))


def nonzero(cost):
    return {k: v for k, v in cost.items() if v}


def show(models):
    return sorted(sorted(m) for m in models)


def project(model, edb, facts, filters, pfilters):
    kept = set()
    for a in model:
        p = predicate(a)
        if not facts and p in edb:
            continue
        if filters or pfilters:
            if not (p.lstrip("-") in filters or (not p.startswith("-") and p in pfilters)):
                continue
        kept.add(a)
    return frozenset(kept)


class CHECKER:
    def __init__(self, quarn, rng, tmp):
        self.quarn = quarn
        self.rng = rng
        self.tmp = tmp
        self.qpath = os.path.join(tmp, "program.dl")
        self.cpath = os.path.join(tmp, "program.lp")
        self.sizes = {}

    def write(self, lines):
        with open(self.qpath, "w") as f:
            f.write("\n".join(lines) + "\n")

    def check(self, prog):
        problems = []
        expected = expected_of(prog.clingo, self.cpath)
        if expected is None:
            return None
        size = len(expected.models)
        key = "0" if size == 0 else "1" if size == 1 else "2-5" if size <= 5 else "6+"
        self.sizes[key] = self.sizes.get(key, 0) + 1
        self.write(prog.quarn)
        if prog.weak:
            problems += self.check_optimum(prog, expected)
        else:
            problems += self.check_plain(prog, expected)
        if problems:
            return problems
        problems += self.check_consequences(prog, expected)
        if prog.query:
            problems += self.check_query(prog)
        if not problems and self.rng.random() < 0.3:
            problems += self.check_split(prog, expected)
        return problems

    def failed(self, args, status, stderr):
        return ["quarn %s failed (status %d): %s" % (" ".join(args), status, stderr.strip()[:300])]

    def check_plain(self, prog, expected):
        r = self.rng
        problems = []
        models = set(expected.models)
        for args in [[], same_answers(r), same_answers(r)]:
            status, out, err = run_quarn(self.quarn, args, [self.qpath])
            if status == 1 and "not applicable if builtins" in err:
                continue
            if status != 0:
                return self.failed(args, status, err)
            printed = plain_models(out)
            if set(printed) != models or len(printed) != len(models):
                problems.append("answer sets under [%s] differ:\n  only quarn : %s\n  only clingo: %s\n"
                                "  printed %d, clingo has %d" %
                                (" ".join(args), show(set(printed) - models), show(models - set(printed)),
                                 len(printed), len(models)))
        k = r.randint(1, 3)
        status, out, err = run_quarn(self.quarn, ["-n=%d" % k], [self.qpath])
        printed = plain_models(out)
        if status != 0 or len(printed) != min(k, len(models)) or len(set(printed)) != len(printed) or \
                not set(printed) <= models:
            problems.append("-n=%d prints %s (status %d)" % (k, show(printed), status))
        args, restrict = self.restriction(prog, models)
        status, out, err = run_quarn(self.quarn, args, [self.qpath])
        printed = plain_models(out)
        wanted = {restrict(m) for m in models}
        if status != 0 or set(printed) != wanted or len(printed) != len(models):
            problems.append("under %s quarn prints %s (status %d), expected %s (%d lines)" %
                            (" ".join(args), show(printed), status, show(wanted), len(models)))
        return problems

    def restriction(self, prog, models):
        """Random output options (-nofacts, -filter=, -pfilter=) and the function that restricts
        an answer set as they do."""
        r = self.rng
        preds = sorted({predicate(a) for m in models for a in m} | {"p", "r", "zz"})
        filters = set(r.sample(preds, r.randint(0, 2)))
        pfilters = set(r.sample(preds, r.randint(0, 2))) if r.random() < 0.5 else set()
        facts = r.random() < 0.5
        args = [] if facts else ["-nofacts"]
        if filters:
            args.append("-filter=" + ",".join(sorted(filters)))
        if pfilters:
            args.append("-pfilter=" + ",".join(sorted(pfilters)))
        return args, lambda m: project(m, prog.edb, facts, filters, pfilters)

    def levels(self, prog, expected):
        """The number of levels quarn prints: read from its own cost lines."""
        status, out, err = run_quarn(self.quarn, [], [self.qpath])
        for kind, model, cost in cost_reports(out):
            if cost is not None:
                return status, out, err, max(cost) if cost else 0
        return status, out, err, None

    def check_optimum(self, prog, expected):
        r = self.rng
        problems = []
        if not expected.models:
            status, out, err = run_quarn(self.quarn, [], [self.qpath])
            if status != 0 or out.strip():
                problems.append("no answer set, but quarn prints %s (status %d)" % (out.strip()[:300], status))
            return problems
        # Levels are compared from the highest one down over the levels quarn prints.
        status, out, err, levels = self.levels(prog, expected)
        if status != 0:
            return self.failed([], status, err)
        if levels is None:
            return ["quarn prints no cost: %s" % out.strip()[:300]]
        keys = [cost_key(c, levels) for c in expected.costs]
        best = min(keys)
        optimal = {m for m, k in zip(expected.models, keys) if k == best}
        best_cost = nonzero(expected.costs[keys.index(best)])
        for args in [[], same_answers(r), same_answers(r)]:
            if args:
                status, out, err = run_quarn(self.quarn, args, [self.qpath])
                if status == 1 and "not applicable if builtins" in err:
                    continue
                if status != 0:
                    return self.failed(args, status, err)
            reports = cost_reports(out)
            found = {m for kind, m, _ in reports if kind == "best"}
            if found != optimal or any(kind != "best" or nonzero(c or {}) != best_cost for kind, _, c in reports) \
                    or len(reports) != len(optimal):
                problems.append("best models under [%s]: quarn %s, clingo %s of cost %s" %
                                (" ".join(args), [(k, sorted(m) if k != "unreadable" else m, c)
                                                  for k, m, c in reports], show(optimal), best_cost))
        k = r.randint(1, 3)
        reports = cost_reports(run_quarn(self.quarn, ["-n=%d" % k], [self.qpath])[1])
        if len(reports) != min(k, len(optimal)) or any(kind != "best" or m not in optimal for kind, m, _ in reports):
            problems.append("-n=%d reports %s" % (k, reports))
        reports = cost_reports(run_quarn(self.quarn, ["-wctrace"], [self.qpath])[1])
        previous, seen_best = None, False
        for kind, m, c in reports:
            key = cost_key(c or {}, levels)
            if kind == "best":
                seen_best = True
                if m not in optimal or key != best:
                    problems.append("-wctrace: best model %s of cost %s" % (sorted(m), c))
            elif kind == "trace":
                if seen_best or (previous is not None and not key < previous):
                    problems.append("-wctrace: trace model %s of cost %s out of order" % (sorted(m), c))
                if m not in expected.models:
                    problems.append("-wctrace: %s is no answer set" % sorted(m))
                previous = key
            else:
                problems.append("-wctrace: unreadable %s" % (m,))
        if not seen_best:
            problems.append("-wctrace reports no best model")
        problems += self.check_costbound(prog, expected, levels)
        return problems

    def check_costbound(self, prog, expected, levels):
        r = self.rng
        bounds = []
        for _ in range(r.randint(1, 3)):
            bounds.append(None if r.random() < 0.2 else r.randint(0, 6))
        text = ",".join("_" if b is None else str(b) for b in bounds)
        bound = tuple(0xFFFFFFFF if i > len(bounds) or bounds[i - 1] is None else bounds[i - 1] * 1000
                      for i in range(levels, 0, -1))
        within = [(m, c) for m, c in zip(expected.models, expected.costs) if cost_key(c, levels) <= bound]
        args = ["-costbound=" + text]
        if r.random() < 0.3:
            args.append("-n=%d" % r.randint(1, 2))
        status, out, err = run_quarn(self.quarn, args, [self.qpath])
        reports = cost_reports(out)
        printed = [(m, nonzero(c or {})) for kind, m, c in reports]
        wanted = {(m, tuple(sorted(nonzero(c).items()))) for m, c in within}
        got = {(m, tuple(sorted(c.items()))) for m, c in printed}
        limit = int(args[1][3:]) if len(args) > 1 else None
        # A program that grounding decides prints its one answer set as the best model.
        kinds_ok = all(kind == "plain" or (kind == "best" and len(expected.models) == 1) for kind, _, _ in reports)
        if not within:
            ok = not reports and status in (0, 1)
        elif limit:
            ok = status == 0 and kinds_ok and len(printed) == min(limit, len(within)) and got <= wanted
        else:
            ok = status == 0 and kinds_ok and got == wanted and len(printed) == len(within)
        if not ok:
            return ["%s (levels %d): quarn prints %s (status %d), expected %s" %
                    (" ".join(args), levels, [(k, sorted(m), c) for k, m, c in reports], status,
                     sorted((sorted(m), c) for m, c in wanted))]
        return []

    def check_consequences(self, prog, expected):
        problems = []
        for option in ("-det", "-wf"):
            # Half of the runs restrict the output as well.
            args, restrict = self.restriction(prog, expected.models) if self.rng.random() < 0.5 else \
                ([], lambda m: m)
            models = [restrict(m) for m in expected.models]
            everywhere = frozenset.intersection(*models) if models else None
            anywhere = frozenset().union(*models) if models else None
            status, out, err = run_quarn(self.quarn, [option] + args, [self.qpath])
            if status != 0:
                problems += self.failed([option] + args, status, err)
                continue
            true, undefined = None, None
            for line in out.splitlines():
                if line.startswith("True: "):
                    true = atoms_of(line[len("True: "):])
                elif line.startswith("Undefined: "):
                    undefined = atoms_of(line[len("Undefined: "):])
                elif line.startswith("{"):
                    true = atoms_of(line)
                elif line.startswith(MODEL):
                    # A program that grounding decides is printed as its one answer set.
                    true = atoms_of(line[len(MODEL):])
            if not models:
                continue
            if true is None:
                problems.append("%s %s prints nothing, but there are answer sets" % (option, " ".join(args)))
                continue
            if not true <= everywhere:
                problems.append("%s %s reports %s, false in some answer set" %
                                (option, " ".join(args), sorted(true - everywhere)))
            if option == "-wf" and (undefined is None or not anywhere <= true | undefined):
                problems.append("-wf %s leaves out %s, true in some answer set" %
                                (" ".join(args), sorted(anywhere - true - (undefined or frozenset()))))
        return problems

    def check_query(self, prog):
        """Brave and cautious answers, from clingo's answer sets (the optimal ones under weak
        constraints), and the answer sets a ground query keeps without either mode."""
        text, literals_q, literals, variables, helpers = prog.query
        problems = []
        path = self.qpath + ".query"
        with open(path, "w") as f:
            f.write("\n".join(prog.quarn + [text]) + "\n")
        marker = "zzq(%s)" % ",".join(variables) if variables else "zzq"
        domain = ["d(%s)" % v for v in variables]
        lines = prog.clingo + helpers + ["%s :- %s." % (marker, ", ".join(domain + literals))]
        ground = [i for i, l in enumerate(literals) if not re.search(r"\b[XY]\b", l)]
        lines += ["zzl%d :- %s." % (i, literals[i]) for i in ground]
        raw = clingo_models(lines, self.cpath)
        # Per answer set: (visible atoms, query answers, whether the ground literals hold, cost).
        table = []
        for atoms in raw:
            answers = {", ".join(split_atoms(a[4:-1])) if variables else "" for a in atoms if a.startswith("zzq")}
            holds = all("zzl%d" % i in atoms for i in ground)
            cost = {}
            for a in atoms:
                if a.startswith("zzw"):
                    args = split_atoms(a[a.index("(") + 1:-1])
                    cost[int(args[1])] = cost.get(int(args[1]), 0) + int(args[0])
            table.append((frozenset(a for a in atoms if not a.startswith("zz")), answers, holds, cost_key(cost, 10)))

        def optimal(rows):
            if not prog.weak or not rows:
                return rows
            best = min(row[3] for row in rows)
            return [row for row in rows if row[3] == best]

        levels = None
        for mode in ("-brave", "-cautious"):
            witness = not variables and self.rng.random() < 0.5
            # Half of the runs add options that must not change the answers (the rewritings
            # among them, which the query may trigger).
            options = same_answers(self.rng) + self.rng.choice([["-OMS-"], []]) if self.rng.random() < 0.5 else []
            if prog.weak and self.rng.random() < 0.4:
                # The improving models that -wctrace reports are no answer sets of the query.
                options.append("-wctrace")
            if self.rng.random() < 0.3:
                # -n= limits no answer set that a query's answers come from.
                options.append("-n=%d" % self.rng.randint(1, 2))
            # Under -costbound= the query is asked over every answer set within the bound.
            select = optimal
            if prog.weak and "-wctrace" not in options and self.rng.random() < 0.25:
                if levels is None:
                    levels = self.levels(prog, None)[3] or 1
                bounds = [None if self.rng.random() < 0.2 else self.rng.randint(0, 6)
                          for _ in range(self.rng.randint(1, 3))]
                options.append("-costbound=" + ",".join("_" if b is None else str(b) for b in bounds))
                bound = tuple(0xFFFFFFFF if i > len(bounds) or bounds[i - 1] is None else bounds[i - 1] * 1000
                              for i in range(levels, 0, -1))

                def select(rows, bound=bound, levels=levels):
                    return [row for row in rows if row[3][len(row[3]) - levels:] <= bound]
            status, out, err = run_quarn(self.quarn, [mode] + options + (["--witness"] if witness else []), [path])
            if status == 1 and "not applicable if builtins" in err:
                continue
            if select is not optimal and status == 1 and not out and not select(table):
                continue  # the cost that every answer set has is above the bound
            lines_out = out.splitlines()
            if witness and len(lines_out) == 1 and ", evidenced by " in lines_out[0]:
                # The answer set shown must settle the verdict: the query holds in it (brave) or
                # fails in it (cautious), and under weak constraints it is optimal among those.
                shown = atoms_of(lines_out[0].split(", evidenced by ", 1)[1])
                settles = select([row for row in table if bool(row[1]) == (mode == "-brave")])
                if shown not in {row[0] for row in settles}:
                    problems.append("%s --witness %s %s: %s does not show it; these do: %s" %
                                    (mode, " ".join(options), text, sorted(shown), show(row[0] for row in settles)))
                lines_out = [lines_out[0].split(", evidenced by ", 1)[0] + "."]
            if variables:
                rows = select([row for row in table if row[2]] if mode == "-brave" else table)
                if not rows:
                    expected = ["No stable model found."]
                elif mode == "-brave":
                    expected = sorted(set().union(*[row[1] for row in rows]))
                else:
                    expected = sorted(set.intersection(*[row[1] for row in rows]))
                got = sorted(lines_out)
            else:
                holds = [bool(row[1]) for row in (table if select is optimal else select(table))]
                verdict = any(holds) if mode == "-brave" else all(holds)
                word = ("bravely " if mode == "-brave" else "cautiously ") + ("true" if verdict else "false")
                expected = [word]
                got = [word] if len(lines_out) == 1 and (" is " + word) in lines_out[0] else lines_out
            if status != 0 or got != expected:
                problems.append("%s %s %s: quarn prints %s (status %d), expected %s" %
                                (mode, " ".join(options), text, got, status, expected))
        if not variables:
            status, out, err = run_quarn(self.quarn, [], [path])
            if prog.weak:
                reports = cost_reports(out)
                got = {m for kind, m, _ in reports if kind == "best"}
                wanted = {row[0] for row in optimal([row for row in table if row[1]])}
                if status != 0 or got != wanted or len(reports) != len(wanted):
                    problems.append("with the query %s quarn reports %s (status %d), expected %s" %
                                    (text, reports, status, show(wanted)))
            else:
                printed = plain_models(out)
                wanted = {row[0] for row in table if row[1]}
                if status != 0 or set(printed) != wanted or len(printed) != len(wanted):
                    problems.append("with the query %s quarn prints %s (status %d), expected %s" %
                                    (text, show(printed), status, show(wanted)))
        return problems

    def check_split(self, prog, expected):
        """The program over two or three files and standard input. A program without weak
        constraints and query must print clingo's answer sets; otherwise (the query goes into
        one of the parts, and a mode or -n= may be added) the same lines as the whole program
        in one file, which the other checks compare with clingo."""
        r = self.rng
        lines = list(prog.quarn)
        args = []
        if prog.query:
            lines.insert(r.randint(0, len(lines)), prog.query[0])
            args = r.choice([[], ["-brave"], ["-cautious"]])
        elif prog.weak:
            args = r.choice([[], ["-n=1"], ["-n=2"]])
        cuts = sorted(r.sample(range(len(lines) + 1), 2))
        parts = [lines[:cuts[0]], lines[cuts[0]:cuts[1]], lines[cuts[1]:]]
        files = []
        for i, part in enumerate(parts[:2]):
            path = os.path.join(self.tmp, "part%d.dl" % i)
            with open(path, "w") as f:
                f.write("\n".join(part) + ("\n" if part else ""))
            files.append(path)
        status, out, err = run_quarn(self.quarn, args + ["--"], files, "\n".join(parts[2]) + "\n")
        where = "split over %s and standard input%s" % ([len(p) for p in parts], " with " + " ".join(args) if args else "")
        if not prog.query and not prog.weak:
            printed = plain_models(out)
            if status != 0 or set(printed) != set(expected.models) or len(printed) != len(expected.models):
                return ["%s, quarn prints %s (status %d)" % (where, show(printed), status)]
            return []
        whole = os.path.join(self.tmp, "whole.dl")
        with open(whole, "w") as f:
            f.write("\n".join(lines) + "\n")
        status_whole, out_whole, _ = run_quarn(self.quarn, args, [whole])
        if (status, sorted(out.splitlines())) != (status_whole, sorted(out_whole.splitlines())):
            return ["%s, quarn prints %s (status %d); in one file %s (status %d)" %
                    (where, out.strip()[:300], status, out_whole.strip()[:300], status_whole)]
        return []


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("quarn")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--count", type=int, default=100)
    parser.add_argument("--scale", type=int, default=1, help="larger programs")
    parser.add_argument("--keep", help="a folder that keeps the programs written")
    args = parser.parse_args()
    rng = random.Random(args.seed)
    gen = GENERATOR(rng, args.scale)
    failures = 0
    checked = 0
    with tempfile.TemporaryDirectory() as tmp:
        checker = CHECKER(args.quarn, rng, tmp)
        n = 0
        while checked < args.count:
            n += 1
            prog = gen.program()
            problems = checker.check(prog)
            if problems is None:
                continue
            checked += 1
            if args.keep:
                os.makedirs(args.keep, exist_ok=True)
                with open(os.path.join(args.keep, "program%d.dl" % checked), "w") as f:
                    f.write("\n".join(prog.quarn) + "\n")
            if problems:
                failures += 1
                print("program %d:\n%s" % (checked, "\n".join(prog.quarn)))
                if prog.query:
                    print(prog.query[0])
                for p in problems:
                    print("  " + p)
                sys.stdout.flush()
            if failures >= 5:
                break
    print("%d programs (by their number of answer sets: %s), %d disagreements (seed %d)" %
          (checked, ", ".join("%s: %d" % kv for kv in sorted(checker.sizes.items())), failures, args.seed))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
