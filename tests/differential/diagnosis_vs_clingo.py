#!/usr/bin/env python3
"""Differential test of the diagnosis front-end: quarn's diagnoses against a direct encoding in clingo.

A random diagnosis problem (theory, hypotheses, observations) is solved by quarn under one of the
seven diagnosis options. Clingo solves the plain problem: it guesses any set S of hypotheses
(`{sol(I)}`), adds the chosen hypothesis atoms, the theory and the observations, and lists every
answer set with S and the hypothesis atoms that hold. The expected diagnoses then follow from
their definitions, computed here and not by quarn's translation:
  -FD, -FR          every answer set, as the multiset of the sets S;
  -FDsingle, -FRsingle   the answer sets whose S has exactly one hypothesis;
  -FDmincost        the answer sets of least total weight of the hypothesis atoms that hold;
  -FDmin, -FRmin    one line per subset-minimal S among all diagnoses.
Options that must not change the diagnoses are added now and then, and -wctrace under -FDmincost
(the diagnoses it marks as not yet of least cost are left out of the comparison).
The subset-minimal modes check each hypothesis left out of S; that equals subset-minimality when
no set between two diagnoses fails, so their theories keep to that class: definite rules and
constraints whose literals are all positive or all negated for -FDmin, and for -FRmin rules with
"ab" only under "not" and constraints that do not mix positive "ab" literals with others. A
constraint that mixes them is expected to be refused under -FDmin and -FRmin.

Families:
  abductive  normal rules with negation over hypotheses and derived atoms, positive and negated
             observations, constraints (-FD, -FDsingle, -FDmincost);
  definite   definite rules with variables, input facts and a comparison, hypotheses that rules
             derive too, constraints (positive, negated, now and then mixed), positive
             observations (all four abductive options);
  reiter     components that work unless abnormal, random wiring, signals strongly negated now
             and then, constraints over "ab" alone or mixed with signals, observations of outputs
             (all three consistency-based options; -FR and -FRsingle also with "ab" derived by
             rules and used in positive bodies);
  disjunctive  abductive or consistency-based theories with disjunctive heads (two atoms, or an
             atom and a strongly negated one): every option, the subset-minimal ones expected
             to refuse the theory.

Usage: diagnosis_vs_clingo.py QUARN [--seed N] [--count N]
Exit status 0 when every problem agrees; otherwise the first disagreeing problems are printed.
"""
import collections
import json
import os
import random
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from clingo_support import command_line  # noqa: E402


def rule(head, body):
    return head + (" :- " + ", ".join(body) if body else "") + "."


def abductive_problem(r):
    hyps = ["h%d" % i for i in range(1, r.randint(1, 5) + 1)]
    derived = ["x%d" % i for i in range(1, r.randint(2, 5) + 1)]
    atoms = hyps + derived
    rules = []
    for _ in range(r.randint(2, 8)):
        body = []
        for a in r.sample(atoms, r.randint(1, 3)):
            body.append(("not " if r.random() < 0.25 else "") + a)
        if all(b.startswith("not ") for b in body):
            body.append(r.choice(hyps))
        rules.append(rule(r.choice(derived), body))
    if r.random() < 0.4:
        rules.append(rule("", [r.choice(atoms), ("not " if r.random() < 0.5 else "") + r.choice(atoms)]))
    obs = [("not " if r.random() < 0.3 else "") + a for a in r.sample(derived, r.randint(0, 2))]
    return rules, hyps, obs, ["-FD", "-FDsingle", "-FDmincost"]


def definite_problem(r):
    comps = ["c%d" % i for i in range(1, r.randint(1, 3) + 1)]
    rules = ["comp(%s, %d)." % (c, i) for i, c in enumerate(comps, 1)]
    rules.append("works(C) :- comp(C, N), fixed(C), N < %d." % r.randint(1, len(comps) + 1))
    hyps = ["fixed(%s)" % c for c in comps] + ["b%d" % i for i in range(1, r.randint(0, 3) + 1)]
    derived = ["works(%s)" % c for c in comps] + ["y%d" % i for i in range(1, r.randint(1, 4) + 1)]
    ys = [d for d in derived if d.startswith("y")]
    defined = ["works(%s)" % c for c in comps]
    for _ in range(r.randint(2, 7)):
        # Now and then a hypothesis is also derived by the theory.
        head = r.choice(hyps) if r.random() < 0.15 else r.choice(ys)
        rules.append(rule(head, r.sample(hyps + derived, r.randint(1, 2))))
        defined.append(head)
    if r.random() < 0.3:
        rules.append(rule(r.choice(ys), []))
    if r.random() < 0.4:
        rules.append(rule("", r.sample(hyps, min(2, len(hyps)))))
    defined = sorted(set(defined))
    # Constraints whose literals are all negated keep the diagnoses free of gaps; one that mixes
    # positive and negated literals is refused under -FDmin.
    if r.random() < 0.4:
        rules.append(rule("", ["not " + a for a in r.sample(defined, r.randint(1, min(2, len(defined))))]))
    if r.random() < 0.1:
        rules.append(rule("", [r.choice(hyps + derived), "not " + r.choice(defined)]))
    obs = r.sample(defined, r.randint(1, min(2, len(defined))))
    return rules, hyps, obs, ["-FD", "-FDmin", "-FDsingle", "-FDmincost"]


def reiter_problem(r):
    comps = ["c%d" % i for i in range(1, r.randint(1, 4) + 1)]
    rules = ["comp(%s)." % c for c in comps]
    rules.append("ok(C) :- comp(C), not ab(C).")
    hyps = ["ab(%s)" % c for c in comps]
    signals = ["s%d" % i for i in range(1, r.randint(1, 4) + 1)]
    for s in signals:
        for _ in range(r.randint(1, 2)):
            body = ["ok(%s)" % c for c in r.sample(comps, r.randint(1, min(2, len(comps))))]
            if r.random() < 0.3:
                body.append(r.choice(signals))
            if r.random() < 0.2:
                body.append("not ab(%s)" % r.choice(comps))
            # Now and then the signal is strongly negated: it may clash with the signal itself.
            rules.append(rule(("-" if r.random() < 0.2 else "") + s, body))
    if r.random() < 0.4:
        rules.append(rule("", [r.choice(signals), "not " + r.choice(hyps)]))
    if r.random() < 0.2:
        rules.append(rule("", r.sample(hyps, min(2, len(hyps)))))
    # A constraint with a positive "ab" literal and a signal is refused under -FRmin.
    if r.random() < 0.1:
        rules.append(rule("", [r.choice(hyps), r.choice(signals)]))
    obs = [("not " if r.random() < 0.7 else "") + s for s in r.sample(signals, r.randint(1, len(signals)))]
    if r.random() < 0.25:
        # "ab" derived by a rule, and in a positive body: beyond what -FRmin accepts.
        rules.append(rule(r.choice(hyps), [r.choice(signals)]))
        rules.append(rule(r.choice(signals), [r.choice(hyps)]))
        return rules, hyps, obs, ["-FR", "-FRsingle"]
    return rules, hyps, obs, ["-FR", "-FRmin", "-FRsingle"]


def disjunctive_problem(r):
    """A theory with disjunctive heads (two derived atoms, or an atom and its strong negation):
    abductive with negation in bodies and observations, or consistency-based over components.
    The subset-minimal modes refuse disjunctive theories."""
    if r.random() < 0.5:
        hyps = ["h%d" % i for i in range(1, r.randint(1, 4) + 1)]
        derived = ["x%d" % i for i in range(1, r.randint(2, 4) + 1)]
        rules = []
        for _ in range(r.randint(2, 6)):
            body = [("not " if r.random() < 0.2 else "") + a for a in r.sample(hyps + derived, r.randint(1, 2))]
            if all(b.startswith("not ") for b in body):
                body.append(r.choice(hyps))
            if r.random() < 0.6:
                first, second = r.sample(derived, 2)
                head = "%s v %s%s" % (first, "-" if r.random() < 0.3 else "", second)
            else:
                head = ("-" if r.random() < 0.2 else "") + r.choice(derived)
            rules.append(rule(head, body))
        if r.random() < 0.3:
            rules.append(rule("", ["not " + r.choice(derived)]))
        obs = [("not " if r.random() < 0.3 else "") + a for a in r.sample(derived, r.randint(1, 2))]
        return rules, hyps, obs, ["-FD", "-FDsingle", "-FDmincost", "-FDmin"]
    comps = ["c%d" % i for i in range(1, r.randint(1, 3) + 1)]
    rules = ["comp(%s)." % c for c in comps]
    rules.append("ok(C) :- comp(C), not ab(C).")
    hyps = ["ab(%s)" % c for c in comps]
    signals = ["s%d" % i for i in range(1, r.randint(2, 4) + 1)]
    for _ in range(r.randint(2, 5)):
        body = ["ok(%s)" % r.choice(comps)]
        if r.random() < 0.3:
            body.append(r.choice(signals))
        first, second = r.sample(signals, 2)
        head = "%s v %s%s" % (first, "-" if r.random() < 0.3 else "", second) if r.random() < 0.6 else first
        rules.append(rule(head, body))
    if r.random() < 0.3:
        rules.append(rule("", [r.choice(signals), r.choice(signals)]))
    obs = [("not " if r.random() < 0.6 else "") + s for s in r.sample(signals, r.randint(1, 2))]
    return rules, hyps, obs, ["-FR", "-FRsingle", "-FRmin"]


def disjunctive(rules):
    return any(" v " in text.partition(" :- ")[0] for text in rules)


FAMILIES = [abductive_problem, definite_problem, reiter_problem, disjunctive_problem]


def predicate(atom):
    return atom.split("(")[0]


def mixes_both_ways(rules, hyps, obs, reiter):
    """Whether a constraint has a literal that adding hypotheses can make true and one that it
    can make false. Facts stay as they are; the predicates with rules, hypotheses or observations
    change: under abduction with the hypotheses (positive literals rise), under Reiter against
    them, except "ab" itself."""
    changing = {predicate(h) for h in hyps} | {predicate(o.replace("not ", "")) for o in obs}
    constraints = []
    for text in rules:
        head, _, body = text[:-1].partition(" :- ")
        if not head:
            constraints.append(body.split(", "))
        elif body:
            changing.add(predicate(head))
    for body in constraints:
        trends = set()
        for literal in body:
            negated = literal.startswith("not ")
            atom = literal[4:] if negated else literal
            if predicate(atom) not in changing:
                continue
            rises = predicate(atom) == "ab" if reiter else True
            trends.add(rises != negated)
        if len(trends) == 2:
            return True
    return False


def clingo_program(rules, hyps, obs, mode):
    lines = [text.replace(" v ", " ; ") for text in rules]
    lines.append("{ sol(1..%d) }." % len(hyps))
    for i, h in enumerate(hyps, 1):
        lines.append("%s :- sol(%d)." % (h, i))
        lines.append("holds(%d) :- %s." % (i, h))
    for o in obs:
        if mode.startswith("-FR"):
            lines.append(":- %s." % o[4:] if o.startswith("not ") else "%s." % o)
        else:
            lines.append(":- %s." % (o[4:] if o.startswith("not ") else "not " + o))
    if mode.startswith("-FR"):
        for i, h in enumerate(hyps, 1):
            lines.append(":- %s, not sol(%d)." % (h, i))
    lines.append("#show sol/1. #show holds/1.")
    return "\n".join(lines) + "\n"


def clingo_answer_sets(text):
    result = []
    for call in json.loads(text).get("Call", []):
        for witness in call.get("Witnesses", []):
            sol, holds = set(), set()
            for atom in witness["Value"]:
                number = int(atom[atom.index("(") + 1:-1])
                (sol if atom.startswith("sol") else holds).add(number)
            result.append((frozenset(sol), frozenset(holds)))
    return result


def expected_diagnoses(answer_sets, hyps, weights, mode):
    sets = [s for s, _ in answer_sets]
    if mode in ("-FDsingle", "-FRsingle"):
        sets = [s for s in sets if len(s) == 1]
    elif mode == "-FDmincost":
        costs = [sum(weights[i - 1] for i in holds) for _, holds in answer_sets]
        if costs:
            best = min(costs)
            sets = [s for s, c in zip(sets, costs) if c == best]
    elif mode in ("-FDmin", "-FRmin"):
        distinct = set(sets)
        sets = [s for s in distinct if not any(t < s for t in distinct)]
    return collections.Counter(frozenset(hyps[i - 1] for i in s) for s in sets)


def quarn_diagnoses(text):
    found = collections.Counter()
    for line in text.splitlines():
        if line.startswith("Diagnosis:"):
            found[frozenset(line[len("Diagnosis:"):].split())] += 1
    return found


def main():
    args = command_line(300)
    r = random.Random(args.seed)
    failures = 0
    with tempfile.TemporaryDirectory() as d:
        for n in range(args.count):
            rules, hyps, obs, modes = FAMILIES[n % len(FAMILIES)](r)
            mode = r.choice(modes)
            if mode in ("-FDsingle", "-FRsingle") and not hyps:
                mode = modes[0]
            weights = [r.randint(0, 5) for _ in hyps]
            theory, hyp_file, obs_file = (os.path.join(d, f) for f in ("theory.lp", "problem.hyp", "problem.obs"))
            with open(theory, "w") as f:
                f.write("\n".join(rules) + "\n")
            with open(hyp_file, "w") as f:
                for h, w in zip(hyps, weights):
                    f.write("%s.%s\n" % (h, " [%d]" % w if mode == "-FDmincost" else ""))
            with open(obs_file, "w") as f:
                f.write("".join(o + ".\n" for o in obs))
            # Options that must not change the diagnoses; under -wctrace the diagnoses reported
            # before the least cost is known are marked, and only the others count.
            extra = r.choice([[], [], ["-OH-"], ["--pospts"], ["-OPf-"], ["--noGUS"], ["-OS"], ["-ORp-"], ["-OGp-"]])
            if mode == "-FDmincost" and r.random() < 0.3:
                extra = extra + ["-wctrace"]
            q = subprocess.run([args.quarn, "-silent", mode] + extra + [theory, hyp_file, obs_file],
                               capture_output=True, text=True, timeout=120)
            c = subprocess.run(["clingo", "0", "--outf=2", "-"], input=clingo_program(rules, hyps, obs, mode),
                               capture_output=True, text=True, timeout=120)
            refusal = None
            if mode in ("-FDmin", "-FRmin") and disjunctive(rules):
                refusal = ("disjunctive theories", "a disjunctive theory is not refused")
            elif mode == "-FDmin" and (any(o.startswith("not ") for o in obs) or
                                       any(text.partition(" :- ")[0] and "not " in text for text in rules)):
                refusal = ("with negation or negative observations",
                           "negation in the theory or a negated observation is not refused")
            elif mode in ("-FDmin", "-FRmin") and mixes_both_ways(rules, hyps, obs, mode == "-FRmin"):
                refusal = ("constraints mixing", "a constraint mixing both ways is not refused")
            if refusal:
                message, fault = refusal
                if not (q.returncode == 1 and message in q.stderr and not q.stdout):
                    failures += 1
                    print("problem %d (%s): %s" % (n, mode, fault))
                    print("  theory: %s" % " ".join(rules))
                continue
            ok = q.returncode == 0 and c.returncode in (10, 20, 30)
            ours = quarn_diagnoses(q.stdout)
            theirs = expected_diagnoses(clingo_answer_sets(c.stdout), hyps, weights, mode) if ok else None
            if not ok or ours != theirs:
                failures += 1
                if failures <= 5:
                    print("problem %d (%s) disagrees" % (n, " ".join([mode] + extra)))
                    print("  theory: %s" % " ".join(rules))
                    print("  hypotheses: %s  weights: %s  observations: %s" % (hyps, weights, obs))
                    print("  quarn (status %d): %s %s" % (q.returncode, sorted(map(sorted, ours.elements())), q.stderr.strip()))
                    if theirs is not None:
                        print("  expected: %s" % sorted(map(sorted, theirs.elements())))
                    else:
                        print("  clingo (status %d): %s" % (c.returncode, c.stderr.strip()))
    print("%d of %d diagnosis problems agree" % (args.count - failures, args.count))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
