#!/usr/bin/env python3
"""Differential test of the planning front-end: quarn's plans against a direct encoding in clingo.

A random planning problem (fluents f0.., actions a0.., inertia for every fluent literal,
executability laws with an optional fluent condition, dynamic laws "caused l after a, c",
"nonexecutable a if l", "caused false after l" (which grounding may already decide), state
constraints "forbidden l1, l2", defaults "default l", static laws "caused l if c", fluents
made total (free to change), an initial state with known and unknown fluents, a goal, optionally
noConcurrency and action costs, now and then bounds on the actions per time by -planmaxactions=
and -planminactions= and a plan length by -planlength= instead of the goal's) is written as a
".plan" file and solved by quarn under -FPopt (also with -wctrace or -n=1) and under secure
planning by the first check method (-FPsec, -FPcheck=1, -FPsoundcheck=1 or -FPcompletecheck=1,
with plan caches of any size, now and then under -wctrace, and now and then once more under -n=1),
and now and then by the second check method, complete but not sound (-FPcheck=2, or named as the
sound or the complete check): its plans hold every secure plan and only plans, and beside the
first method as the sound check exactly the secure ones are labelled "(secure)"; with costs only
the plans of least cost are expected, among all plans and among the secure ones; noConcurrency holds beside the bounds, and a minimum above one
beside it is refused. The fluents are propositional, or now and then instances of one fluent declared with
arguments and a requires-list with a local variable, over arguments whose texts collide when
joined ("ab","c" and "a","bc") and a quoted one; a static law "caused d if not l1, not l2" then
names two of them at once.

Clingo solves the same dynamics written directly (choice of each executable action per step,
dynamic effects, inertia, consistency of every state, the goal at the last state); its answer
sets are the expected optimistic plans, each with its states and actions. A plan (the actions per
step) is secure when no execution of it fails; clingo decides that per plan: with the plan's
actions fixed and the unknown initial fluents guessed, a failure is an execution in which an
action of the plan is not executable or forbidden, a later state is inconsistent, or the goal does
not hold.

Now and then a problem in the action language "C" follows (-FPc: every fluent free at time 0 and
every action at every step; dynamic laws with and without an if-part, static laws, defaults,
nonexecutable actions, "caused false" with an if- or an after-part, noConcurrency): its plans,
each with its states, must be the answer sets of the causal laws translated into rules, a law
"caused l if c" making l hold where the complement of c is not known.

Usage: planning_vs_clingo.py QUARN [--seed N] [--count N]
Exit status 0 when every problem agrees; otherwise the first disagreeing problems are printed.
"""
import argparse
import os
import random
import re
import subprocess
import sys
import tempfile


def literal_text(fluent, positive):
    return fluent if positive else "-" + fluent


# Instances of the fluent "g(X,Y) requires dom(X,Y,Z)": argument texts that collide when
# joined without a separator, and a quoted one.
INSTANCE_ARGUMENTS = [("ab", "c"), ("a", "bc"), ('"q"', "c")]


def make_problem(rng):
    fluents = ["f%d" % i for i in range(rng.randint(1, 3))]
    instances = rng.random() < 0.3
    if instances:
        fluents = fluents[:1] + ["g(%s,%s)" % a for a in rng.sample(INSTANCE_ARGUMENTS, rng.randint(2, 3))]
    actions = ["a%d" % i for i in range(rng.randint(1, 3))]
    length = rng.randint(1, 3)
    executable = {}
    for a in actions:
        if rng.random() < 0.6:
            executable[a] = None
        else:
            executable[a] = (rng.choice(fluents), rng.random() < 0.5)
    effects = []
    for _ in range(rng.randint(1, 4)):
        a = rng.choice(actions)
        target = (rng.choice(fluents), rng.random() < 0.6)
        condition = (rng.choice(fluents), rng.random() < 0.5) if rng.random() < 0.4 else None
        effects.append((a, target, condition))
    # Laws that forbid an action in some states, and fluents whose value may change by itself.
    nonexecutable = [(rng.choice(actions), (rng.choice(fluents), rng.random() < 0.5))
                     for _ in range(rng.randint(0, 1))]
    total = [f for f in fluents if rng.random() < 0.15]
    costs = {a: rng.randint(0, 3) for a in actions} if rng.random() < 0.4 else None
    initial = {}
    for f in fluents:
        r = rng.random()
        initial[f] = True if r < 0.35 else False if r < 0.6 else None
    goal = [(f, rng.random() < 0.7) for f in rng.sample(fluents, rng.randint(1, len(fluents)))]
    concurrency = rng.random() < 0.5
    # The absurd states: "caused false after l".
    absurd = [(rng.choice(fluents), rng.random() < 0.5) for _ in range(rng.randint(0, 1))] \
        if rng.random() < 0.3 else []
    # The derived fluent d: "caused d if not l1, not l2", on instances where there are some.
    derived = None
    if instances or rng.random() < 0.2:
        pool = [f for f in fluents if f.startswith("g(")] or fluents
        derived = [(f, rng.random() < 0.7) for f in rng.sample(pool, min(2, len(pool)))]
        if rng.random() < 0.5:
            goal.append(("d", rng.random() < 0.8))
    # State constraints, defaults and static laws.
    forbidden = [tuple((rng.choice(fluents), rng.random() < 0.5) for _ in range(2))
                 for _ in range(rng.randint(0, 1))] if rng.random() < 0.3 else []
    defaults = [(rng.choice(fluents), rng.random() < 0.5) for _ in range(rng.randint(0, 1))] \
        if rng.random() < 0.3 else []
    static = [((rng.choice(fluents), rng.random() < 0.5), (rng.choice(fluents), rng.random() < 0.5))
              for _ in range(rng.randint(0, 1))] if rng.random() < 0.3 else []
    # Bounds on the number of actions per step, and a plan length given by option instead of
    # the goal's (which then names another one).
    options = []
    low, high = None, None
    if rng.random() < 0.3:
        high = rng.randint(1, len(actions))
        options.append("-planmaxactions=%d" % high)
    if rng.random() < 0.2:
        low = rng.randint(1, high or len(actions))
        options.append("-planminactions=%d" % low)
    written = length
    if rng.random() < 0.2:
        written = rng.choice([n for n in range(1, 5) if n != length])
        options.append("-planlength=%d" % length)
    rng.shuffle(options)
    # Optimistic planning also under -wctrace (the plans it marks as not yet optimal are left
    # out) or -n=1 (one of the plans).
    optimistic_options = rng.choice([[], [], [], ["-wctrace"], ["-n=1"], ["-wctrace", "-n=1"]])
    secure_mode = rng.choice([["-FPsec"], ["-FPsec"], ["-FPcheck=1"], ["-FPsoundcheck=1"], ["-FPcompletecheck=1"],
                              ["-FPsec", "-plancache=0"], ["-FPsec", "-plancache=1"], ["-FPcheck=1", "-plancache=3"]])
    if rng.random() < 0.25:
        secure_mode = secure_mode + ["-wctrace"]
    # Now and then secure planning is asked once more for one plan alone (-n=1), which must be one
    # of the secure plans, the search leaving the rejected candidates' plans behind.
    secure_first = rng.random() < 0.3
    # Now and then the second check method, complete but not sound: it carries the constraints into
    # the check only for executions that carry out the whole plan, so it accepts every secure plan
    # and may accept an insecure one. Named as the sound check, or as the complete check beside the
    # first method as the sound one (whose plans are labelled secure, the others "security
    # unknown").
    complete_mode = rng.choice([None, None, ["-FPcheck=2"], ["-FPsoundcheck=2"], ["-FPcompletecheck=2"],
                                ["-FPsoundcheck=1", "-FPcompletecheck=2"], ["-FPcompletecheck=2", "-FPcheck=1"],
                                ["-FPcheck=2", "-plancache=0"]])
    return dict(fluents=fluents, actions=actions, length=length, executable=executable, effects=effects,
                initial=initial, goal=goal, noConcurrency=not concurrency,
                nonexecutable=nonexecutable, total=total, costs=costs, absurd=absurd, derived=derived,
                minActions=low, maxActions=high, written=written, options=options, secure=secure_mode,
                forbidden=forbidden, defaults=defaults, static=static, optimistic=optimistic_options,
                secureFirst=secure_first, complete=complete_mode)


def background(p):
    """The background facts of the instance fluents' requires-list (none without instances)."""
    if not any(f.startswith("g(") for f in p["fluents"]):
        return ""
    return "".join("dom(%s,%s,%d).\n" % (x, y, i) for i, (x, y) in enumerate(INSTANCE_ARGUMENTS))


def plan_file(p):
    declared = [f for f in p["fluents"] if not f.startswith("g(")]
    if len(declared) < len(p["fluents"]):
        declared.append("g(X,Y) requires dom(X,Y,Z)")
    if p["derived"] is not None:
        declared.append("d")
    lines = ["fluents: " + " ".join(f + "." for f in declared),
             "actions: " + " ".join(a + ("" if p["costs"] is None else " costs %d" % p["costs"][a]) + "."
                                    for a in p["actions"]),
             "always:"]
    for f in p["fluents"]:
        lines.append("  inertial %s. inertial -%s." % (f, f))
    for a, c in p["executable"].items():
        lines.append("  executable %s." % a if c is None else "  executable %s if %s." % (a, literal_text(*c)))
    for a, t, c in p["effects"]:
        after = a if c is None else "%s, %s" % (a, literal_text(*c))
        lines.append("  caused %s after %s." % (literal_text(*t), after))
    for a, c in p["nonexecutable"]:
        lines.append("  nonexecutable %s if %s." % (a, literal_text(*c)))
    for f in p["total"]:
        lines.append("  total %s." % f)
    for c in p["absurd"]:
        lines.append("  caused false after %s." % literal_text(*c))
    if p["derived"] is not None:
        lines.append("  caused d if %s." % ", ".join("not " + literal_text(*c) for c in p["derived"]))
    for c1, c2 in p["forbidden"]:
        lines.append("  forbidden %s, %s." % (literal_text(*c1), literal_text(*c2)))
    for c in p["defaults"]:
        lines.append("  default %s." % literal_text(*c))
    for l, c in p["static"]:
        lines.append("  caused %s if %s." % (literal_text(*l), literal_text(*c)))
    if p["noConcurrency"]:
        lines.append("  noConcurrency.")
    lines.append("initially:")
    for f, v in p["initial"].items():
        lines.append("  total %s." % f if v is None else "  %s." % literal_text(f, v))
    lines.append("goal: %s ? (%d)" % (", ".join(literal_text(*g) for g in p["goal"]), p["written"]))
    return "\n".join(lines) + "\n"


# Clingo drops answer sets with p and -p together; the encoding needs to see such states, so the
# complement of fluent f is the atom n_f.
def name(f):
    """The clingo predicate of a fluent: g(ab,c) becomes g_ab_c_."""
    return re.sub(r"[^A-Za-z0-9]", "_", f)


def holds(f, positive, t):
    return ("%s(%s)" % (name(f), t)) if positive else ("n_%s(%s)" % (name(f), t))


def shown(text):
    return '"%s"' % text.replace('"', '\\"')


def dynamics(p):
    """The states and effects of the problem in clingo's syntax, without the choice of actions."""
    n = p["length"]
    out = ["time(0..%d)." % n, "step(0..%d)." % (n - 1)]
    for f in map(name, p["fluents"]):
        out.append("%s(T+1) :- step(T), %s(T), not n_%s(T+1)." % (f, f, f))
        out.append("n_%s(T+1) :- step(T), n_%s(T), not %s(T+1)." % (f, f, f))
    for a, t, c in p["effects"]:
        body = "step(T), %s(T)" % a + ("" if c is None else ", " + holds(c[0], c[1], "T"))
        out.append("%s :- %s." % (holds(t[0], t[1], "T+1"), body))
    for f, v in p["initial"].items():
        out.append("%s(0) ; n_%s(0)." % (name(f), name(f)) if v is None else holds(f, v, 0) + ".")
    for f in map(name, p["fluents"]):
        out.append("bad(T) :- time(T), T > 0, %s(T), n_%s(T)." % (f, f))
        out.append(":- %s(0), n_%s(0)." % (f, f))
    out.append("goal :- %s." % ", ".join(holds(f, v, n) for f, v in p["goal"]))
    for a, c in p["executable"].items():
        cond = "step(T)" if c is None else "step(T), " + holds(c[0], c[1], "T")
        out.append("executable(%s,T) :- %s." % (a, cond))
    for f in map(name, p["total"]):
        out.append("%s(T) ; n_%s(T) :- time(T)." % (f, f))
    # A forbidden action in the state it is done from: an inconsistency of the step.
    for a, c in p["nonexecutable"]:
        out.append("forbidden(T) :- step(T), %s(T), %s." % (a, holds(c[0], c[1], "T")))
    for c in p["absurd"]:
        out.append("forbidden(T) :- step(T), %s." % holds(c[0], c[1], "T"))
    if p["derived"] is not None:
        out.append("d(T) :- time(T), %s." % ", ".join("not " + holds(f, v, "T") for f, v in p["derived"]))
    # A forbidden state: no legal initial state, a failure later.
    for c1, c2 in p["forbidden"]:
        out.append("bad(T) :- time(T), T > 0, %s, %s." % (holds(c1[0], c1[1], "T"), holds(c2[0], c2[1], "T")))
        out.append(":- %s, %s." % (holds(c1[0], c1[1], 0), holds(c2[0], c2[1], 0)))
    for f, v in p["defaults"]:
        out.append("%s :- time(T), not %s." % (holds(f, v, "T"), holds(f, not v, "T")))
    for (f, v), (g, w) in p["static"]:
        out.append("%s :- time(T), %s." % (holds(f, v, "T"), holds(g, w, "T")))
    return out


def clingo(program, models="0"):
    result = subprocess.run(["clingo", "--outf=0", "-V0", models], input=program, capture_output=True, text=True)
    if result.returncode not in (10, 20, 30):
        raise RuntimeError("clingo failed: " + result.stderr)
    answers = []
    for line in result.stdout.splitlines():
        if line.startswith("SATISFIABLE") or line.startswith("UNSATISFIABLE") or line.startswith("OPTIMUM"):
            continue
        answers.append(frozenset(line.split()))
    return answers


def expected_optimistic(p):
    program = dynamics(p)
    for a in p["actions"]:
        program.append("{ %s(T) } :- executable(%s,T)." % (a, a))
    program.append(":- time(T), bad(T).")
    program.append(":- step(T), forbidden(T).")
    program.append(":- not goal.")
    if p["noConcurrency"]:
        for i, a in enumerate(p["actions"]):
            for b in p["actions"][i + 1:]:
                program.append(":- %s(T), %s(T)." % (a, b))
    if p["minActions"] is not None or p["maxActions"] is not None:
        for a in p["actions"]:
            program.append("done(%s,T) :- %s(T)." % (a, a))
        if p["maxActions"] is not None:
            program.append(":- step(T), #count{A : done(A,T)} > %d." % p["maxActions"])
        if p["minActions"] is not None:
            program.append(":- step(T), #count{A : done(A,T)} < %d." % p["minActions"])
    program.append("#show.")
    for f in p["fluents"]:
        program.append("#show (%s,T) : %s(T)." % (shown(f), name(f)))
        program.append("#show (%s,T) : n_%s(T)." % (shown("-" + f), name(f)))
    if p["derived"] is not None:
        program.append("#show (d,T) : d(T).")
    for a in p["actions"]:
        program.append("#show (%s,T) : %s(T)." % (a, a))
    plans = []
    for answer in clingo("\n".join(program) + "\n"):
        atoms = set()
        for item in answer:
            text, t = item[1:-1].rsplit(",", 1)
            if text.startswith('"'):
                text = text[1:-1].replace('\\"', '"')
            atoms.add((text, int(t)))
        plans.append(frozenset(atoms))
    return plans


def secure(p, steps):
    """Whether no execution of the plan (a list of action sets per step) fails."""
    program = dynamics(p)
    for t, acts in enumerate(steps):
        for a in acts:
            program.append("%s(%d)." % (a, t))
            program.append("fail :- not executable(%s,%d)." % (a, t))
    program.append("fail :- time(T), bad(T).")
    program.append("fail :- step(T), forbidden(T).")
    program.append("fail :- not goal.")
    program.append(":- not fail.")
    return not clingo("\n".join(program) + "\n", "1")


def cost_of(steps, p):
    return sum(p["costs"][a] for acts in steps for a in acts) if p["costs"] else 0


def cheapest(candidates, p):
    """With action costs only the plans of least cost are printed."""
    if not p["costs"] or not candidates:
        return set(candidates)
    least = min(cost_of(c, p) for c in candidates)
    return {c for c in candidates if cost_of(c, p) == least}


def steps_of(plan, p):
    return tuple(frozenset(a for a in p["actions"] if (a, t) in plan) for t in range(p["length"]))


NOT_YET_OPTIMAL = "Current model [maybe not optimal]: "


def parse_quarn(output, p):
    """Plans printed with states (-FPopt) as sets of (name, time); plan lines (-FPsec) as steps."""
    plans, lines = [], output.splitlines()
    current, state_time, step_time = set(), 0, 0
    marked = False
    for line in lines:
        if line.startswith(NOT_YET_OPTIMAL):
            marked = True
            line = line[len(NOT_YET_OPTIMAL):]
        if line.startswith("STATE "):
            head, _, rest = line.partition(": ")
            state_time = int(head.split()[1])
            for item in filter(None, rest.split(", ")):
                current.add((item, state_time))
        elif line.startswith("ACTIONS: "):
            rest = line[len("ACTIONS: "):]
            if rest != "(no action)":
                for item in rest.split(", "):
                    current.add((item.split(":")[0], state_time))
        elif line.startswith("PLAN"):
            body = line.partition(": ")[2].split("  COST: ")[0]
            steps = tuple(frozenset() if s == "(no action)" else frozenset(x.split(":")[0] for x in s.split(", "))
                          for s in body.split("; ")) if p["length"] > 0 else ()
            cost = line.split("  COST: ")[1] if "  COST: " in line else None
            if not marked:
                plans.append((frozenset(current), steps, cost))
            current, marked = set(), False
    return plans


def run_quarn(quarn, mode, options, text, facts):
    with tempfile.TemporaryDirectory() as d:
        path = os.path.join(d, "p.plan")
        with open(path, "w") as f:
            f.write(text)
        files = [path]
        if facts:
            files.append(os.path.join(d, "background.dl"))
            with open(files[-1], "w") as f:
                f.write(facts)
        result = subprocess.run([quarn, "-silent", mode] + options + files, capture_output=True, text=True)
    if result.returncode != 0:
        raise RuntimeError("quarn %s failed with status %d: %s" % (mode, result.returncode, result.stderr))
    return result.stdout


def check(quarn, p):
    text = plan_file(p)
    if p["noConcurrency"] and (p["minActions"] or 0) > 1:
        # At least two actions per time against noConcurrency: refused.
        try:
            run_quarn(quarn, "-FPopt", p["options"], text, background(p))
        except RuntimeError as failure:
            if "status 1: -planminactions: Minimum number of actions" in str(failure):
                return None
            raise
        return "a minimum of %d actions per time beside noConcurrency is not refused" % p["minActions"]
    everything = expected_optimistic(p)
    kept = cheapest({steps_of(plan, p) for plan in everything}, p)
    expected = [plan for plan in everything if steps_of(plan, p) in kept]
    got = parse_quarn(run_quarn(quarn, "-FPopt", p["optimistic"] + p["options"], text, background(p)), p)
    if "-n=1" in p["optimistic"]:
        if len(got) != min(1, len(expected)) or any(sorted(g[0]) not in map(sorted, expected) for g in got):
            return "-n=1 prints %s; expected one of %s" % ([sorted(g[0]) for g in got], sorted(map(sorted, expected)))
        got = parse_quarn(run_quarn(quarn, "-FPopt", p["options"], text, background(p)), p)
    if sorted(map(sorted, expected)) != sorted(sorted(g[0]) for g in got):
        return "optimistic plans differ:\nexpected %s\ngot %s" % (sorted(map(sorted, expected)),
                                                                   sorted(sorted(g[0]) for g in got))
    candidates = {steps_of(plan, p) for plan in everything}
    expected_secure = cheapest({s for s in candidates if secure(p, s)}, p)
    for g in got:
        # A program that grounding decides prints its one plan without a cost.
        if p["costs"] and g[2] != str(cost_of(g[1], p)) and not (g[2] is None and cost_of(g[1], p) == 0):
            return "plan %s printed with cost %s" % (g[1], g[2])
    # Secure planning by the first check method, named or by default, with caches of any size.
    mode = p["secure"]
    got_secure = [g[1] for g in parse_quarn(run_quarn(quarn, mode[0], mode[1:] + p["options"], text, background(p)),
                                            p)]
    if len(got_secure) != len(set(got_secure)) or set(got_secure) != expected_secure:
        return "secure plans differ:\nexpected %s\ngot %s" % (sorted(map(list, expected_secure)), got_secure)
    if p["complete"]:
        problem = check_complete(quarn, p, text, candidates, expected_secure)
        if problem:
            return problem
    if p["secureFirst"]:
        first = [g[1] for g in parse_quarn(run_quarn(quarn, mode[0], mode[1:] + ["-n=1"] + p["options"], text,
                                                     background(p)), p)]
        if len(first) != min(1, len(expected_secure)) or any(g not in expected_secure for g in first):
            return "-n=1 prints the secure plans %s; expected one of %s" % (first, sorted(map(list, expected_secure)))
    return None


def check_complete(quarn, p, text, candidates, expected_secure):
    """The plans of the second check method: every secure plan among them (of the least cost, when
    no accepted plan costs less), none that is not a plan, and "(secure)" exactly on the secure
    ones when the first method is the sound check."""
    mode = p["complete"]
    output = run_quarn(quarn, mode[0], mode[1:] + p["options"], text, background(p))
    got = [g[1] for g in parse_quarn(output, p)]
    shown = "%s: %s" % (" ".join(mode), got)
    if len(got) != len(set(got)) or not set(got) <= candidates:
        return "%s prints a plan twice or one that is not a plan" % shown
    if p["costs"] and len({cost_of(g, p) for g in got}) > 1:
        return "%s prints plans of different costs" % shown
    if expected_secure:
        least = cost_of(next(iter(expected_secure)), p)
        if not got or cost_of(got[0], p) > least or (cost_of(got[0], p) == least and not expected_secure <= set(got)):
            return "%s misses a secure plan of %s" % (shown, sorted(map(list, expected_secure)))
    if mode[0] == "-FPsoundcheck=1":
        labelled = [line.startswith("PLAN (secure): ") for line in output.splitlines() if line.startswith("PLAN")]
        known = {s for s in candidates if secure(p, s)}
        if labelled != [g in known for g in got]:
            return "%s labels the plans %s" % (shown, labelled)
    return None


def make_c_problem(rng):
    """A problem in the action language "C" (-FPc): every fluent is free at time 0 and every action
    at every step; no default negation, executability laws, total fluents or costs."""
    fluents = ["f%d" % i for i in range(rng.randint(1, 3))]
    actions = ["a%d" % i for i in range(rng.randint(1, 2))]

    def literal():
        return (rng.choice(fluents), rng.random() < 0.5)

    laws = []
    for _ in range(rng.randint(1, 5)):
        kind = rng.random()
        if kind < 0.35:
            laws.append(("after", literal(), rng.choice(actions), literal() if rng.random() < 0.4 else None))
        elif kind < 0.5:
            laws.append(("ifafter", literal(), literal(), rng.choice(actions)))
        elif kind < 0.65:
            laws.append(("if", literal(), literal()))
        elif kind < 0.75:
            laws.append(("nonexecutable", rng.choice(actions), literal()))
        elif kind < 0.85:
            laws.append(("default", literal()))
        elif kind < 0.93:
            laws.append(("falseafter", literal()))
        else:
            laws.append(("falseif", literal()))
    inertial = [(f, v) for f in fluents for v in (True, False) if rng.random() < 0.85]
    initial = {f: rng.random() < 0.5 for f in rng.sample(fluents, rng.randint(0, len(fluents)))}
    goal = [(f, rng.random() < 0.6) for f in rng.sample(fluents, rng.randint(1, len(fluents)))]
    return dict(fluents=fluents, actions=actions, laws=laws, inertial=inertial, initial=initial, goal=goal,
                length=rng.randint(1, 2), noConcurrency=rng.random() < 0.3)


def c_plan_file(p):
    lines = ["fluents: " + " ".join(f + "." for f in p["fluents"]),
             "actions: " + " ".join(a + "." for a in p["actions"]), "always:"]
    for f, v in p["inertial"]:
        lines.append("  inertial %s." % literal_text(f, v))
    for law in p["laws"]:
        kind = law[0]
        if kind == "after":
            after = law[2] + ("" if law[3] is None else ", " + literal_text(*law[3]))
            lines.append("  caused %s after %s." % (literal_text(*law[1]), after))
        elif kind == "ifafter":
            lines.append("  caused %s if %s after %s." % (literal_text(*law[1]), literal_text(*law[2]), law[3]))
        elif kind == "if":
            lines.append("  caused %s if %s." % (literal_text(*law[1]), literal_text(*law[2])))
        elif kind == "nonexecutable":
            lines.append("  nonexecutable %s if %s." % (law[1], literal_text(*law[2])))
        elif kind == "default":
            lines.append("  default %s." % literal_text(*law[1]))
        elif kind == "falseafter":
            lines.append("  caused false after %s." % literal_text(*law[1]))
        else:
            lines.append("  caused false if %s." % literal_text(*law[1]))
    if p["noConcurrency"]:
        lines.append("  noConcurrency.")
    if p["initial"]:
        lines.append("initially:")
        for f, v in p["initial"].items():
            lines.append("  %s." % literal_text(f, v))
    lines.append("goal: %s ? (%d)" % (", ".join(literal_text(*g) for g in p["goal"]), p["length"]))
    return "\n".join(lines) + "\n"


def expected_c(p):
    """The plans of a "C" problem by the translation of its causal laws into rules: a law "caused
    l if c" makes l hold where the complement of c is not known (l :- not -c), one "after" d where d
    held before; every fluent is free at time 0 and every action at every step, a fluent and its
    complement never hold together, and the goal holds at the end."""
    n = p["length"]
    out = ["time(0..%d)." % n, "step(0..%d)." % (n - 1)]

    def unless_complement(literal, t):
        return "not " + holds(literal[0], not literal[1], t)

    for f in map(name, p["fluents"]):
        out.append("%s(0) ; n_%s(0)." % (f, f))
        out.append(":- time(T), %s(T), n_%s(T)." % (f, f))
    for a in p["actions"]:
        out.append("%s(T) ; n_%s(T) :- step(T)." % (a, a))
    for f, v in p["inertial"]:
        out.append("%s :- step(T), %s, %s." % (holds(f, v, "T+1"), holds(f, v, "T"),
                                               unless_complement((f, v), "T+1")))
    for law in p["laws"]:
        kind = law[0]
        if kind == "after":
            condition = "" if law[3] is None else ", " + holds(law[3][0], law[3][1], "T")
            out.append("%s :- step(T), %s(T)%s." % (holds(law[1][0], law[1][1], "T+1"), law[2], condition))
        elif kind == "ifafter":
            out.append("%s :- step(T), %s(T), %s." % (holds(law[1][0], law[1][1], "T+1"), law[3],
                                                      unless_complement(law[2], "T+1")))
        elif kind == "if":
            out.append("%s :- time(T), %s." % (holds(law[1][0], law[1][1], "T"), unless_complement(law[2], "T")))
        elif kind == "nonexecutable":
            out.append(":- step(T), %s(T), %s." % (law[1], holds(law[2][0], law[2][1], "T")))
        elif kind == "default":
            out.append("%s :- time(T), %s." % (holds(law[1][0], law[1][1], "T"), unless_complement(law[1], "T")))
        elif kind == "falseafter":
            out.append(":- step(T), %s." % holds(law[1][0], law[1][1], "T"))
        else:
            out.append(":- time(T), %s." % holds(law[1][0], law[1][1], "T"))
    for f, v in p["initial"].items():
        out.append(holds(f, v, 0) + ".")
    out.append(":- not goal.")
    out.append("goal :- %s." % ", ".join(holds(f, v, n) for f, v in p["goal"]))
    if p["noConcurrency"]:
        for i, a in enumerate(p["actions"]):
            for b in p["actions"][i + 1:]:
                out.append(":- %s(T), %s(T)." % (a, b))
    out.append("#show.")
    for f in p["fluents"]:
        out.append("#show (%s,T) : %s(T)." % (shown(f), name(f)))
        out.append("#show (%s,T) : n_%s(T)." % (shown("-" + f), name(f)))
    for a in p["actions"]:
        out.append("#show (%s,T) : %s(T)." % (a, a))
    plans = set()
    for answer in clingo("\n".join(out) + "\n"):
        atoms = set()
        for item in answer:
            text, t = item[1:-1].rsplit(",", 1)
            atoms.add((text.strip('"'), int(t)))
        plans.add(frozenset(atoms))
    return plans


def check_c(quarn, p):
    """Every plan of a "C" problem, with its states, once each."""
    text = c_plan_file(p)
    got = [g[0] for g in parse_quarn(run_quarn(quarn, "-FPc", [], text, ""), p)]
    expected = expected_c(p)
    if len(got) != len(set(got)) or set(got) != expected:
        return "-FPc plans differ:\nexpected %s\ngot %s" % (sorted(map(sorted, expected)), sorted(map(sorted, got)))
    return None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("quarn")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--count", type=int, default=200)
    args = parser.parse_args()
    rng = random.Random(args.seed)
    failures = 0
    for i in range(args.count):
        p = make_problem(rng)
        try:
            problem = check(args.quarn, p)
        except RuntimeError as failure:
            problem = str(failure)
        if not problem and rng.random() < 0.3:
            # Now and then a problem in the action language "C" beside it.
            p = make_c_problem(rng)
            p.update(options=[], optimistic=["-FPc"], secure=["-FPc"])
            try:
                problem = check_c(args.quarn, p)
            except RuntimeError as failure:
                problem = str(failure)
            if problem:
                p["c_text"] = c_plan_file(p)
        if problem:
            failures += 1
            if failures <= 3:
                print("problem %d [%s | %s | %s]:\n%s%s%s\n" %
                      (i, " ".join(p["options"]), " ".join(p["optimistic"]), " ".join(p["secure"]),
                       p.get("c_text") or plan_file(p), "" if "c_text" in p else background(p), problem))
    print("%d problems, %d disagreements (seed %d)" % (args.count, failures, args.seed))
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
