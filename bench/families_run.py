#!/usr/bin/env python3
"""Times the search benchmark families (families_gen.py): quarn and clingo on the same problems in
one run, each single-threaded, and prints per family and size the median over the seeds of the
CPU-time ratio quarn / clingo.

A run that reaches the CPU limit counts as that limit, and a median that rests on such a run is
shown as a lower bound (">"). The script also compares the outcomes: satisfiable or not for the
first answer set, the number of answer sets when all are listed, and the optimum's cost; a
disagreement is printed after the table and makes the exit status 1.

Usage: families_run.py [--quarn PATH] [--limit SECONDS] [--seeds N] [--only fam,fam] [--keep DIR]
"""
import argparse
import os
import re
import resource
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))


class CHILD_TIMES:
    """CPU time of the children that ended since the last call."""
    def __init__(self):
        self.last = self.now()

    @staticmethod
    def now():
        u = resource.getrusage(resource.RUSAGE_CHILDREN)
        return u.ru_utime + u.ru_stime

    def lap(self):
        t = self.now()
        d, self.last = t - self.last, t
        return d


def timed(command, limit, clock):
    clock.lap()
    process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                               preexec_fn=lambda: resource.setrlimit(resource.RLIMIT_CPU, (limit, limit + 1)))
    try:
        out, _ = process.communicate(timeout=4 * limit + 30)
    except subprocess.TimeoutExpired:
        process.kill()
        out, _ = process.communicate()
    cpu = clock.lap()
    stopped = process.returncode is not None and process.returncode < 0 or cpu >= limit
    return cpu, out.decode(errors="replace"), stopped


def quarn_outcome(mode, text):
    models = [line for line in text.splitlines() if line.startswith("{") or line.startswith("Best model:")
              or line.startswith("PLAN:")]
    if mode == "optimum":
        costs = re.findall(r"Cost \(\[Weight:Level\]\): <\[([0-9.]+):1\]>", text)
        return costs[-1] if costs else "none"
    if mode == "all":
        return str(len(models))
    return "sat" if models else "unsat"


def clingo_outcome(mode, text):
    if mode == "optimum":
        found = re.findall(r"^Optimization : (-?[0-9]+)", text, re.M)
        m = re.match(r"(.*)", found[-1]) if found else None
        return m.group(1) if m else "none"
    m = re.search(r"^Models\s*:\s*([0-9]+)", text, re.M)
    count = int(m.group(1)) if m else 0
    if mode == "all":
        return str(count)
    return "sat" if count > 0 else "unsat"


def median_ratio(pairs, limit):
    """The median of the quarn / clingo ratios; a ratio from a stopped run is a lower bound."""
    ratios = []
    for q, qs, c, cs in pairs:
        c = max(c, 0.005)
        q = max(q, 0.005)
        # A stopped clingo run makes the ratio unknown: shown as an upper bound of quarn's share.
        ratios.append((q / c, qs and not cs, cs and not qs))
    ratios.sort(key=lambda r: r[0])
    r = ratios[len(ratios) // 2]
    text = "%.1fx" % r[0] if r[0] < 10 else "%.0fx" % r[0]
    if r[1]:
        return ">" + text
    if r[2]:
        return "<" + text
    return text


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--quarn", default=os.path.join(HERE, "..", "build", "quarn"))
    parser.add_argument("--limit", type=int, default=60)
    parser.add_argument("--seeds", type=int, default=3)
    parser.add_argument("--only", default="")
    parser.add_argument("--keep", default="")
    args = parser.parse_args()

    directory = args.keep or tempfile.mkdtemp(prefix="families")
    os.makedirs(directory, exist_ok=True)
    listing = subprocess.run([sys.executable, os.path.join(HERE, "families_gen.py"), directory, "--seeds",
                              str(args.seeds)] + (["--only", args.only] if args.only else []),
                             stdout=subprocess.PIPE, check=True).stdout.decode()
    clock = CHILD_TIMES()
    rows, order, problems = {}, [], []
    print("%-8s %-22s %-5s %-8s %9s %9s %9s" % ("family", "size", "seed", "mode", "quarn_s", "clingo_s", "ratio"))
    for line in listing.splitlines():
        family, size, seed, mode, qfiles, qargs, cfile, cargs = line.split("\t")
        qcommand = [args.quarn, "-silent"] + qargs.split() + qfiles.split()
        ccommand = ["clingo", "-t", "1", "-q1" if mode != "optimum" else "-q1,1"] + cargs.split() + [cfile]
        q, qout, qs = timed(qcommand, args.limit, clock)
        c, cout, cs = timed(ccommand, args.limit, clock)
        qo, co = quarn_outcome(mode, qout), clingo_outcome(mode, cout)
        if not qs and not cs and qo != co and not (mode == "optimum" and qo.rstrip("0").rstrip(".") == co):
            problems.append("%s %s seed %s: quarn %s, clingo %s" % (family, size, seed, qo, co))
        key = (family, size)
        if key not in rows:
            rows[key] = []
            order.append(key)
        rows[key].append((q, qs, c, cs))
        print("%-8s %-22s %-5s %-8s %9s %9s %9s" % (family, size, seed, mode,
                                                    (">" if qs else "") + "%.2f" % q,
                                                    (">" if cs else "") + "%.2f" % c,
                                                    median_ratio([(q, qs, c, cs)], args.limit)), flush=True)
    print()
    print("| family | size | runs | quarn / clingo (median CPU) |")
    print("|---|---|---|---|")
    for key in order:
        print("| %s | %s | %d | %s |" % (key[0], key[1], len(rows[key]), median_ratio(rows[key], args.limit)))
    for p in problems:
        print("DISAGREEMENT: " + p)
    if not args.keep:
        for name in os.listdir(directory):
            os.remove(os.path.join(directory, name))
        os.rmdir(directory)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
