#!/usr/bin/env python3
"""Differential test of the finite-domain check: a program that the check lets through must be
grounded in bounded time and memory.

Random recursive programs build function terms, lists and list patterns in their heads (some
heads disjunctive, often with one predicate twice) and pass lists through the list built-ins
(#head, #tail, #last, #getnth, #delnth, #reverse, #flatten, #append, #insLast, #insnth, #length)
and integers through "+", sometimes under -maxlist=, -maxnesting= or #maxint. quarn either
refuses a program ("Termination is not guaranteed") or answers it within the time and memory
limits. Programs without lists, built-ins and limits, which clingo grounds as well once they are
known to be finite, must also have clingo's answer sets.

Usage: finite_domain_terminates.py QUARN [--seed N] [--count N] [--keep DIR]
"""
import os
import random
import resource
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from answer_sets_vs_clingo import parse_quarn  # noqa: E402
from clingo_support import clingo_models, command_line  # noqa: E402

TIME_LIMIT = 20
MEMORY_LIMIT = 1 << 30
VARIABLES = ["X", "Y", "Z"]
CONSTANTS = ["a", "b", "1", "2"]
# name: (number of inputs, output kind); outputs are lists ("l"), elements ("e") or integers.
LIST_BUILTINS = {"#head": (1, "e"), "#tail": (1, "l"), "#last": (1, "e"), "#getnth": (2, "e"),
                 "#delnth": (2, "l"), "#reverse": (1, "l"), "#flatten": (1, "l"), "#append": (2, "l"),
                 "#insLast": (2, "l"), "#insnth": (3, "l"), "#length": (1, "i")}


class GENERATOR:
    def __init__(self, rng):
        self.rng = rng
        self.lists = True

    def ground_term(self, depth=0):
        r = self.rng
        x = r.random()
        if depth > 1 or x < 0.4:
            return r.choice(CONSTANTS)
        if x < 0.6 or not self.lists:
            return "f(%s)" % self.ground_term(depth + 1)
        return "[%s]" % ",".join(self.ground_term(depth + 1) for _ in range(r.randint(1, 2)))

    def head_term(self, variables, depth=0):
        """A variable of the body (the built-in's output more often than not), or a term built
        around some, one or two levels deep."""
        r = self.rng
        v = "W" if "W" in variables and r.random() < 0.5 else r.choice(variables)
        x = r.random()
        if x < 0.45 or depth > 1:
            return v
        if x < 0.6 or (x < 0.8 and not self.lists):
            return "f(%s)" % self.head_term(variables, depth + 1)
        if x < 0.7:
            return "[%s]" % self.head_term(variables, depth + 1)
        if x < 0.8 and len(variables) > 1:
            return "[%s|%s]" % (v, r.choice(variables))
        if x < 0.92:
            return "g(%s,%s)" % (v, r.choice(variables + CONSTANTS))
        return self.ground_term()

    def body_term(self, v):
        r = self.rng
        x = r.random()
        if x < 0.7:
            return v
        if x < 0.85 or not self.lists:
            return "f(%s)" % v
        return "[%s]" % v

    def program(self, builtins):
        r = self.rng
        self.lists = builtins
        preds = {p: r.choice([1, 1, 2]) for p in ["p", "q", "r"][: r.randint(1, 3)]}
        lines = []
        for p, n in preds.items():
            for _ in range(r.randint(1, 2)):
                lines.append("%s(%s)." % (p, ",".join(self.ground_term() for _ in range(n))))
        for _ in range(r.randint(1, 4)):
            variables = []
            body = []
            for _ in range(r.randint(1, 2)):
                p = r.choice(list(preds))
                args = []
                for _ in range(preds[p]):
                    v = r.choice(VARIABLES)
                    variables.append(v)
                    args.append(self.body_term(v))
                body.append("%s(%s)" % (p, ",".join(args)))
            variables = sorted(set(variables))
            if builtins and r.random() < 0.7:
                name = r.choice(list(LIST_BUILTINS))
                inputs, _ = LIST_BUILTINS[name]
                args = [r.choice(variables) if r.random() < 0.8 else self.ground_term() for _ in range(inputs)]
                if name in ("#getnth", "#delnth"):
                    args[1] = "1"
                if name == "#insnth":
                    args[2] = "1"
                out = "W"
                body.append("%s(%s)" % (name, ",".join(args + [out])))
                variables.append(out)
            if builtins and r.random() < 0.15:
                body.append("V = %s + 1" % r.choice(variables))
                variables.append("V")
            # A disjunctive head now and then, often of one predicate twice.
            heads = [r.choice(list(preds)) for _ in range(r.choice([1, 1, 2]))]
            head = " v ".join("%s(%s)" % (h, ",".join(self.head_term(variables) for _ in range(preds[h])))
                              for h in heads)
            lines.append("%s :- %s." % (head, ", ".join(body)))
        return lines


def limit_resources():
    resource.setrlimit(resource.RLIMIT_AS, (MEMORY_LIMIT, MEMORY_LIMIT))


def main():
    options = command_line(300, keep=True)
    rng = random.Random(options.seed)
    gen = GENERATOR(rng)
    failures = refused = compared = 0
    with tempfile.TemporaryDirectory() as tmp:
        workdir = options.keep or tmp
        for n in range(1, options.count + 1):
            builtins = rng.random() < 0.6
            limits = rng.choice([[], [], [], ["-maxlist=3"], ["-maxlist=3"], ["-maxnesting=3"], ["-N=6"],
                                 ["-maxlist=2", "-N=6"]])
            lines = gen.program(builtins)
            path = os.path.join(workdir, "f%d.dl" % n)
            with open(path, "w") as out:
                out.write("\n".join(lines) + "\n")
            command = [options.quarn, "-silent", "-n=3"] + limits + [path]
            try:
                proc = subprocess.run(command, capture_output=True, text=True, timeout=TIME_LIMIT,
                                      preexec_fn=limit_resources)
            except subprocess.TimeoutExpired:
                proc = None
            if proc and proc.returncode == 1 and "Termination is not guaranteed" in proc.stderr:
                refused += 1
                continue
            if not proc or proc.returncode != 0:
                failures += 1
                print("%s: accepted, but not grounded in %d s and %d MB (%s)\n%s" %
                      (" ".join(command), TIME_LIMIT, MEMORY_LIMIT >> 20,
                       "timeout" if not proc else "status %d" % proc.returncode, "\n".join(lines)))
            elif not builtins and not limits:
                compared += 1
                reference = path + ".lp"
                with open(reference, "w") as out:
                    out.write("\n".join(line.replace(" v ", " ; ") for line in lines) + "\n")
                clingo = subprocess.run(["clingo", "0", "--outf=2", reference], capture_output=True, text=True,
                                        timeout=TIME_LIMIT)
                all_models = subprocess.run([options.quarn, "-silent", path], capture_output=True, text=True,
                                            timeout=TIME_LIMIT)
                if parse_quarn(all_models.stdout) != clingo_models(clingo.stdout):
                    failures += 1
                    print("%s: answer sets differ from clingo's\n%s" % (path, "\n".join(lines)))
            if failures >= 5:
                break
    print("%d programs (%d refused, %d compared with clingo), %d failures (seed %d)" %
          (n, refused, compared, failures, options.seed))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
