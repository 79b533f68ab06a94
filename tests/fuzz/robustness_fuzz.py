#!/usr/bin/env python3
"""Throws malformed input at quarn and reports every run that crashes, hangs, prints a sanitizer
report, ends with a status outside the defined ones (0, 1, 2, 99, 255; 1 to 9 and 12 under -FS),
or ends with status 0 after reporting an error in its input or options on standard error.

    robustness_fuzz.py QUARN [--seed N] [--count N] [--timeout S] [--keep DIR]

Leak reports count as sanitizer reports. Inputs are a few fixed runs that end early, random
bytes, token soups and mutations of the programs in tests/e2e/cases/*.cases (and of the
.hyp/.obs/.plan/.sql files there), deep nesting, long names and numbers, unterminated strings and
comments, NUL bytes, random option combinations (bad option values among them), and input files
that do not exist or are directories. Each fault is written to DIR
(default /tmp/quarn-fuzz) with its command line. Exit status 0 when no fault was found."""

import argparse, glob, os, random, re, shutil, subprocess, sys, tempfile

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")

TOKENS = ["p", "q(X)", "r(X,Y)", "X", "Y", "_", "a", "b", "1", "0", "-1", "42", "2147483647",
          "2147483648", "99999999999999999999", "\"s\"", "'q'", "(", ")", "[", "]", "{", "}",
          ",", ".", ":-", ":~", "v", "|", ";", "not", "-", "+", "*", "/", "=", "!=", "<", ">",
          "<=", ">=", "==", "<>", "#count", "#sum", "#min", "#max", "#times", "#avg", "#int",
          "#succ", "#prec", "#maxint", "#const", "#append", "#member", "#length", "#rand",
          "#import", "#export", ":", "?", "..", "[1:2]", "%", "%comment\n", "\n", " ", "\t",
          "@", "$", "#", "::", "\\", "/*", "*/", "&", "~", "^", "1.5", "mod", "|X|", "[X|Y]",
          "p(f(X))", "count", "#int(X)", "#count{X:p(X)}", "W:L", "[1:1]", "X=Y", "A..B"]

OPTIONS = ["-silent", "-n=1", "-n=0", "-n=3", "-brave", "-cautious", "-nofacts", "-det", "-wf",
           "-instantiate", "--depgraph", "--print-edb", "--print-idb", "--print-constraints",
           "--print-wconstraints", "--print-magic", "--print-gidb", "--print-gconstraints",
           "--print-gwconstraints", "--print-interpret", "-satlike", "-stats", "-stats++",
           "-stats-grounding++", "-ODMS", "-ODMS+", "-OODMS", "-OMS", "-OMS-", "-OM-", "-OMm=0",
           "-OMm=1", "-OMm=5", "-OMm=9", "-OMm=3", "-ORb-", "-ORp-", "-OS", "-OGo-", "-OGs-",
           "-filter=p", "-pfilter=q", "-filter=", "-pfilter=", "-N=10", "-N=-1", "-N=abc",
           "-n=-5", "-n=abc", "-n=99999999999999999999", "--witness", "-nofinitecheck",
           "-costbound=1", "-costbound=1,2", "-costbound=", "-costbound=_", "-wctrace",
           "-FP", "-FPc", "-FPsec", "-FPopt", "-FPcheck=1", "-FPcheck=9", "-FPsoundcheck=2",
           "-FPcompletecheck=3", "-planlength=2", "-planlength=-1", "-planlength=abc",
           "-plancache=0", "-plancache=-1", "-planminactions=2", "-planmaxactions=1", "-FD",
           "-FDsingle", "-FDmin", "-FDi", "-FR", "-FS", "-h", "-v", "-license", "-wait",
           "-ORr", "-OH-", "-OP-", "-OPMs", "-OC", "-OHl", "-OHs", "-OHm", "-OHh",
           "-OMr", "-OS-", "-OHHo", "-", "--", "-x", "-n", "-N", "=", "-filter", "-t",
           "-instantiate=", "-n=1=2", "-planlength=99999999999", "-filter=p/2", "-pfilter=q(X)",
           "-costbound=x", "-costbound=1;2", "--heuristic=1,x", "-n=2x", "--ptcache=-1"]

# An error report on standard error, as opposed to a warning. Errors in the input are reported
# placed in it ("p.dl: line 3: ...", "quarn (p.dl: line 3): ..." under -v, "Internal parser
# invocation: ..." for text the system generated), and option values as "Invalid value '...'";
# the run then ends with "Aborting due to ..." or at once. Not errors: lines that begin with
# "Warning:", the indented notes under a message, and the two notices the parser prints without
# counting them as errors.
NOTICES = {"Cannot redefine #maxint. Ignoring this definition.",
           "Number has more precision than supported. Truncated."}
PLACED = re.compile(r"^(?:Internal parser invocation: |(?:[^ ]+: )?line \d+: |[^ ]+ \((?:[^ ]+: )?line \d+\): )(.*)$")

def error_report(err):
    """The first line of standard error that reports an error in the input or the options."""
    for line in err.decode(errors="replace").splitlines():
        if line.startswith(("Invalid value '", "Unrecognised option '", "Aborting due to")):
            return line
        m = PLACED.match(line)
        if m and m.group(1) not in NOTICES:
            return line
    return None

def load_cases():
    """Each case of the end-to-end files as (arguments, [(file name, text)])."""
    cases = []
    for path in sorted(glob.glob(os.path.join(ROOT, "tests/e2e/cases/*.cases"))):
        args, files, section = None, [], None
        def close():
            if args is not None and files:
                cases.append((args, [(n, "".join(t)) for n, t in files]))
        for line in open(path, encoding="utf-8", errors="replace"):
            if line.startswith("@@ "):
                word = line[3:].split()
                section = None
                if word and word[0] == "case":
                    close()
                    args, files = [], []
                elif word and word[0] == "args":
                    args = line[8:].split()
                elif len(word) >= 2 and word[0] == "file":
                    files.append((word[1], []))
                    section = files[-1][1]
            elif section is not None:
                section.append(line)
        close()
    return cases

def load_options():
    opts = set(OPTIONS)
    try:
        src = open(os.path.join(ROOT, "src/driver/options.cpp"), encoding="utf-8").read()
        for m in re.finditer(r'"(-[-A-Za-z+]+=?)"', src):
            o = m.group(1)
            opts.add(o + random.choice(["0", "1", "2", "-1", "abc", "", "99999999999"]) if o.endswith("=") else o)
    except OSError:
        pass
    return sorted(opts)

def mutate(rng, text):
    data = bytearray(text.encode("utf-8", errors="replace"))
    for _ in range(rng.randint(1, 6)):
        op = rng.randrange(9)
        pos = rng.randint(0, len(data))
        if op == 0 and data:
            del data[rng.randrange(len(data))]
        elif op == 1:
            data[pos:pos] = rng.choice(TOKENS).encode()
        elif op == 2 and data:
            data[rng.randrange(len(data))] = rng.randrange(256)
        elif op == 3 and data:
            a = rng.randrange(len(data)); b = min(len(data), a + rng.randint(1, 40))
            data[pos:pos] = data[a:b] * rng.randint(1, 4)
        elif op == 4:
            data = data[:pos]
        elif op == 5:
            data[pos:pos] = rng.choice([b"\0", b"\"", b"%", b"(", b")", b"{", b"}", b"/*", b"'"])
        elif op == 6:
            data[pos:pos] = rng.choice([b"9" * rng.randint(10, 40), b"-" + b"9" * 12,
                                        b"x" * rng.randint(100, 5000), b"X" * 3000])
        elif op == 7 and data:
            a = rng.randrange(len(data)); b = min(len(data), a + rng.randint(1, 20))
            del data[a:b]
        elif op == 8:
            data[pos:pos] = rng.choice(["#count{X:p(X)}", "#sum{X,Y:q(X,Y)}", "#max{X:p(X)} > 1",
                                        "1 < #count{X:p(X)} < 3", "#min{}", "#count{:}"]).encode()
    return bytes(data)

def special(rng):
    n = rng.randint(50, 20000)
    # Wide programs stay small enough for the sanitizer build to answer them quickly.
    m = rng.randint(10, 400)
    return rng.choice([
        lambda: ("p(" + "f(" * n + "a" + ")" * n + ").\n").encode(),
        lambda: ("p(" + "(" * n + "1" + ")" * n + ").\n").encode(),
        lambda: ("p(" + "[" * n + "a" + "]" * n + ").\n").encode(),
        lambda: ("p(" + "(" * n + "\n").encode(),
        lambda: ("p(" + "1+" * n + "1).\n").encode(),
        lambda: ("p(X) :- X = " + "1+" * n + "1, q.\nq.\n").encode(),
        lambda: ("p(" + "a" * n * 10 + ").\n").encode(),
        lambda: ("p(" + "9" * rng.randint(10, 5000) + ").\n").encode(),
        lambda: ("p(\"" + "a" * n).encode(),
        lambda: ("p. /* " + "x" * n).encode(),
        lambda: "".join("p%d :- p%d.\n" % (i, i + 1) for i in range(m)).encode(),
        lambda: ("a :- " + ", ".join("b%d" % i for i in range(m)) + ".\n").encode(),
        lambda: (" v ".join("a%d" % i for i in range(m)) + ".\n").encode(),
        lambda: b"p(\0).\n",
        lambda: bytes(rng.randrange(256) for _ in range(rng.randint(0, 300))),
        lambda: " ".join(rng.choice(TOKENS) for _ in range(rng.randint(1, 60))).encode(),
    ])()

def write_files(directory, files):
    # A case may name a file in a folder (examples/x.dl), as the end-to-end runner allows.
    for name, data in files:
        path = os.path.join(directory, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)

def run(quarn, args, files, timeout):
    d = tempfile.mkdtemp(prefix="qf")
    try:
        write_files(d, files)
        env = dict(os.environ, ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1",
                   UBSAN_OPTIONS="print_stacktrace=1")
        try:
            p = subprocess.run([os.path.abspath(quarn)] + args, cwd=d, input=b"", env=env,
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=timeout)
        except subprocess.TimeoutExpired:
            return "hang", b""
        err = p.stderr
        if b"Sanitizer" in err or b"runtime error:" in err:
            return "sanitizer", err
        if p.returncode < 0:
            return "signal %d" % -p.returncode, err
        ok = {0, 1, 2, 99, 255} | ({3, 4, 5, 6, 7, 8, 9, 12} if "-FS" in args else set())
        if p.returncode not in ok:
            return "status %d" % p.returncode, err
        if p.returncode == 0 and error_report(err):
            return "status 0 after an error report (%s)" % error_report(err), err
        return None, err
    finally:
        shutil.rmtree(d, ignore_errors=True)

# Runs that end early through exit() rather than the run's own end, with built-in predicates
# already registered: each once before the random ones, so that a parse whose objects nothing
# owns shows up as a leak report whatever the seed.
FIXED = [
    (["p.dl", "x.plan"], [("p.dl", b"p(X) :- q(X), X < 3, #succ(X, Y), r(Y).\nq(1).\n"), ("x.plan", b"x\n")]),
    (["p.dl", "x.sql"], [("p.dl", b"p(X) :- q(X), X = Y + 1, r(Y).\nr(0).\n"), ("x.sql", b"x\n")]),
    (["p.dl"], [("p.dl", b"p(X) :- q(X), #int(X), X != 2, r(X.\nq(1).\n")]),
    # Faults that once ended with an answer and status 0: a missing file or a directory beside a
    # good file, and option values that cannot be used.
    (["-silent", "missing.dl", "p.dl"], [("p.dl", b"a.\n")]),
    (["-silent", "dir", "p.dl"], [("p.dl", b"a.\n"), ("dir/x.dl", b"b.\n")]),
    (["-silent", "-n=x", "p.dl"], [("p.dl", b"a v b.\n")]),
    (["-silent", "-filter=p/2", "p.dl"], [("p.dl", b"p(1,2).\n")]),
]

def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("quarn")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--count", type=int, default=200)
    ap.add_argument("--timeout", type=float, default=10)
    ap.add_argument("--keep", default="/tmp/quarn-fuzz")
    a = ap.parse_args()
    rng = random.Random(a.seed)
    random.seed(a.seed)
    cases = load_cases()
    options = load_options()
    faults = 0
    for i, (args, files) in enumerate(FIXED):
        fault, err = run(a.quarn, args, files, a.timeout)
        if fault:
            faults += 1
            print("FAULT %s: fixed case %d, %s" % (fault, i, " ".join(args)))
            sys.stdout.write(err[-4000:].decode(errors="replace"))
    for i in range(a.count):
        kind = rng.randrange(10)
        if kind < 6 and cases:
            args, files = rng.choice(cases)
            args = [x for x in args if "'" not in x]
            files = [(n, t.encode()) for n, t in files]
            k = rng.randrange(len(files))
            files[k] = (files[k][0], mutate(rng, files[k][1].decode()))
            for _ in range(rng.choice([0, 0, 0, 1, 2])):
                args.insert(rng.randint(0, len(args)), rng.choice(options))
            if "-n=" not in " ".join(args):
                args.insert(0, "-n=3")
            if rng.random() < 0.03:
                args.insert(rng.randint(0, len(args)), rng.choice(["missing.dl", "."]))
        else:
            files = [("p.dl", special(rng))]
            args = ["-silent"] if rng.random() < 0.7 else []
            for _ in range(rng.choice([0, 0, 1, 1, 2, 3])):
                args.append(rng.choice(options))
            # Wide disjunctions have many answer sets: the last -n= bounds them.
            args += ["-n=3", "p.dl"]
        fault, err = run(a.quarn, args, files, a.timeout)
        if fault:
            faults += 1
            out = os.path.join(a.keep, "%d_%d" % (a.seed, i))
            os.makedirs(out, exist_ok=True)
            write_files(out, files)
            with open(os.path.join(out, "cmd"), "w") as f:
                f.write(" ".join(args) + "\n" + fault + "\n")
            with open(os.path.join(out, "stderr"), "wb") as f:
                f.write(err[-8000:])
            print("FAULT %s: %s (%s)" % (fault, " ".join(args), out))
    print("%d runs, %d faults" % (a.count, faults))
    return 1 if faults else 0

if __name__ == "__main__":
    sys.exit(main())
