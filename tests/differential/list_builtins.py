#!/usr/bin/env python3
"""Differential test of the list built-ins: random stratified programs over lists, solved by
quarn and by a reference evaluation here, must derive the same atoms.

The facts hold lists of constants, integers, function terms and nested lists (empty ones too),
elements and positions. Each rule applies one list built-in (#member, #subList, #length, #head,
#last, #tail, #reverse, #append, #insLast, #insnth, #getnth, #delnth, #flatten), a comparison or
a list pattern ([H|T], [A|[B|T]]) to atoms of earlier predicates, with its output free, or bound
by an earlier literal (then the result is compared with it), and sometimes with a negated
literal of an earlier predicate. clingo has no lists; the reference follows the documented
meaning of each built-in.

Usage: list_builtins.py QUARN [--seed N] [--count N]
Exit status 0 when every program agrees; otherwise the first disagreeing programs are printed.
"""
import os
import random
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from clingo_support import command_line, quarn_models, run  # noqa: E402


class LIST(tuple):
    """A list term: a tuple of its elements."""


class FUNCTION(tuple):
    """A function term: (name, arguments)."""


def text(term):
    if isinstance(term, LIST):
        return "[" + ",".join(text(t) for t in term) + "]"
    if isinstance(term, FUNCTION):
        return "%s(%s)" % (term[0], ",".join(text(t) for t in term[1]))
    return str(term)


def flatten(term):
    out = []
    for t in term:
        if isinstance(t, LIST):
            out += flatten(t)
        else:
            out.append(t)
    return out


def contiguous(part, whole):
    n = len(part)
    return any(tuple(whole[i:i + n]) == tuple(part) for i in range(len(whole) - n + 1)) if n else True


# Each built-in: (name, argument kinds of the inputs, function of the inputs giving the result or
# None when it fails; for a test without output, True or None).
def builtins():
    return {
        "#length": (["list"], lambda l: len(l)),
        "#head": (["list"], lambda l: l[0] if l else None),
        "#last": (["list"], lambda l: l[-1] if l else None),
        "#tail": (["list"], lambda l: LIST(l[1:]) if l else None),
        "#reverse": (["list"], lambda l: LIST(reversed(l))),
        "#flatten": (["list"], lambda l: LIST(flatten(l))),
        "#append": (["list", "list"], lambda a, b: LIST(a + b)),
        "#insLast": (["list", "element"], lambda l, e: LIST(l + (e,))),
        "#getnth": (["list", "position"], lambda l, p: l[p - 1] if isinstance(p, int) and 1 <= p <= len(l) else None),
        "#delnth": (["list", "position"],
                    lambda l, p: LIST(l[:p - 1] + l[p:]) if isinstance(p, int) and 1 <= p <= len(l) else None),
        "#insnth": (["list", "element", "position"],
                    lambda l, e, p: LIST(l[:p - 1] + (e,) + l[p - 1:])
                    if isinstance(p, int) and 1 <= p <= len(l) + 1 else None),
        "#member": (["element", "list"], lambda e, l: True if e in l else None),
        "#subList": (["list", "list"], lambda a, b: True if contiguous(a, b) else None),
    }


class GENERATOR:
    def __init__(self, rng):
        self.rng = rng

    def element(self, depth=0):
        r = self.rng
        kind = r.random()
        if kind < 0.35:
            return r.choice(["a", "b", "c"])
        if kind < 0.6:
            return r.randint(0, 3)
        if kind < 0.75 and depth < 2:
            return FUNCTION(("f", (self.element(depth + 1),)))
        if depth < 2:
            return self.list(depth + 1)
        return "a"

    def list(self, depth=0):
        return LIST(self.element(depth) for _ in range(self.rng.choice([0, 1, 2, 2, 3, 4])))

    def program(self):
        """(lines, expected answer set)."""
        r = self.rng
        table = builtins()
        atoms = {"l": set(), "e": set(), "i": set()}
        for _ in range(r.randint(1, 4)):
            atoms["l"].add(self.list())
        for _ in range(r.randint(0, 3)):
            atoms["e"].add(self.element())
        atoms["i"] |= set(r.sample(range(0, 5), r.randint(1, 3)))
        kinds = {"l": "list", "e": "element", "i": "position"}
        lines = ["%s(%s)." % (p, text(t)) for p in ("l", "e", "i") for t in sorted(atoms[p], key=text)]
        order = ["l", "e", "i"]
        for k in range(r.randint(1, 6)):
            head = "r%d" % k
            name = r.choice(sorted(table))
            wanted, function = table[name]
            literals, variables, sources = [], [], []
            for position, kind in enumerate(wanted):
                candidates = [p for p in order if kinds[p] == kind or kind == "element" or
                              (kind == "position" and kinds[p] in ("position", "element"))]
                p = r.choice(candidates)
                v = "X%d" % position
                literals.append("%s(%s)" % (p, v))
                variables.append(v)
                sources.append(p)
            has_output = name not in ("#member", "#subList")
            bound = has_output and r.random() < 0.25
            output_source = None
            if bound:
                output_source = r.choice(order)
                literals.append("%s(Y)" % output_source)
            arguments = variables + (["Y"] if has_output else [])
            literals.append("%s(%s)" % (name, ",".join(arguments)))
            negated = r.choice(order) if r.random() < 0.25 else None
            head_variable = "Y" if has_output else "X0"
            if negated:
                literals.append("not %s(%s)" % (negated, head_variable))
            derived = set()
            pools = [atoms[p] for p in sources]

            def combinations(i):
                if i == len(pools):
                    yield ()
                    return
                for t in pools[i]:
                    for rest in combinations(i + 1):
                        yield (t,) + rest

            for values in combinations(0):
                if any(kinds_of(v) != "list" for v, kind in zip(values, wanted) if kind == "list"):
                    continue
                result = function(*values)
                if result is None:
                    continue
                value = result if has_output else values[0]
                if bound and value not in atoms[output_source]:
                    continue
                if negated and value in atoms[negated]:
                    continue
                derived.add(value)
            kind_of_result = kinds_of_result(name)
            lines.append("%s(%s) :- %s." % (head, head_variable, ", ".join(literals)))
            atoms[head] = derived
            kinds[head] = kind_of_result
            order.append(head)
        # A list pattern: the first elements and the rest of a list.
        if r.random() < 0.5:
            source = r.choice([p for p in order if kinds[p] == "list"])
            if r.random() < 0.5:
                lines.append("hd(H,T) :- %s([H|T])." % source)
                atoms["hd"] = {(l[0], LIST(l[1:])) for l in atoms[source] if isinstance(l, LIST) and l}
            else:
                lines.append("hd(A,B) :- %s([A|[B|T]])." % source)
                atoms["hd"] = {(l[0], l[1]) for l in atoms[source] if isinstance(l, LIST) and len(l) >= 2}
        model = set()
        for p, values in atoms.items():
            for v in values:
                model.add("%s(%s)" % (p, ",".join(text(x) for x in v)) if p == "hd" else "%s(%s)" % (p, text(v)))
        return lines, frozenset(model)


def kinds_of(value):
    return "list" if isinstance(value, LIST) else "other"


def kinds_of_result(name):
    if name in ("#length",):
        return "position"
    if name in ("#head", "#last", "#getnth", "#member"):
        return "element"
    if name == "#subList":
        return "list"
    return "list"


def main():
    args = command_line(300)
    rng = random.Random(args.seed)
    gen = GENERATOR(rng)
    failures = 0
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "program.dl")
        for k in range(1, args.count + 1):
            lines, model = gen.program()
            with open(path, "w") as f:
                f.write("\n".join(lines) + "\n")
            q = run([args.quarn, "-silent"], path)
            got = quarn_models(q.stdout)
            if q.returncode != 0 or got != {model}:
                failures += 1
                print("program %d (status %d):\n%s" % (k, q.returncode, "\n".join(lines)))
                if len(got) == 1:
                    (m,) = got
                    print("  only quarn   : %s\n  only expected: %s" % (sorted(m - model), sorted(model - m)))
                else:
                    print("  quarn   : %s\n  expected: %s" % ([sorted(m) for m in got], sorted(model)))
                print(q.stderr)
            if failures >= 5:
                break
    print("%d programs, %d disagree (seed %d)" % (k, failures, args.seed))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
