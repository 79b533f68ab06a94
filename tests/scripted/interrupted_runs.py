"""Runs interrupted by SIGINT or SIGTERM outside a plain enumeration keep what they found, whole,
and end by the signal:

- an optimisation without -wctrace writes the best model found so far, marked as maybe not optimal,
  with its cost line (the search of a weighted vertex cover takes minutes to prove its optimum);
- under -stats, an optimisation and an enumeration write the statistics so far, and the count of
  answer sets printed is the number of answer sets on the output;
- planning in batch mode (-FPopt, -FPsec) ends on a whole plan;
- -instantiate ends on a whole rule or fact, and a run interrupted while it grounds keeps the
  banner it wrote.

Each case runs with its output on a pipe that is read all along and on a file; the signal is sent
once enough output has arrived, or, for the cases that write nothing before the end, a moment after
the start.

    interrupted_runs.py path/to/quarn
"""
import os
import random
import re
import signal
import subprocess
import sys
import tempfile
import threading
import time


def default_signals():
    """A test started as a background job inherits SIGINT ignored, and quarn keeps a signal its
    caller ignores; the interrupted child gets the default actions back."""
    signal.signal(signal.SIGINT, signal.SIG_DFL)
    signal.signal(signal.SIGTERM, signal.SIG_DFL)


def interrupt_pipe(command, sig, after_bytes, after_seconds, cwd):
    """Runs the command with its output on a pipe that is read all along; sends the signal once
    after_bytes have arrived and after_seconds have passed. Returns the status, the output and the
    error output."""
    p = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, cwd=cwd,
                         preexec_fn=default_signals)
    chunks, errors = [], []

    def read(stream, into):
        while True:
            chunk = stream.read1(1 << 16)
            if not chunk:
                return
            into.append(chunk)

    readers = [threading.Thread(target=read, args=(p.stdout, chunks)),
               threading.Thread(target=read, args=(p.stderr, errors))]
    for r in readers:
        r.start()
    start = time.time()
    while (sum(map(len, chunks)) < after_bytes or time.time() < start + after_seconds) and \
            p.poll() is None and time.time() < start + 120:
        time.sleep(0.005)
    p.send_signal(sig)
    status = p.wait()
    for r in readers:
        r.join()
    return status, b"".join(chunks), b"".join(errors)


def interrupt_file(command, sig, after_bytes, after_seconds, cwd):
    """The same with the output and the error output written to files."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        p = subprocess.Popen(command, stdout=out, stderr=err, cwd=cwd, preexec_fn=default_signals)
        start = time.time()
        while (os.fstat(out.fileno()).st_size < after_bytes or time.time() < start + after_seconds) and \
                p.poll() is None and time.time() < start + 120:
            time.sleep(0.005)
        p.send_signal(sig)
        status = p.wait()
        out.seek(0)
        err.seek(0)
        return status, out.read(), err.read()


def write_programs(d):
    r = random.Random(7)
    nodes = 150
    lines = ["node(%d). w(%d,%d)." % (i, i, r.randint(1, 20)) for i in range(1, nodes + 1)]
    edges = set()
    while len(edges) < 3 * nodes:
        a, b = r.sample(range(1, nodes + 1), 2)
        edges.add((min(a, b), max(a, b)))
    lines += ["edge(%d,%d)." % e for e in sorted(edges)]
    lines += ["in(X) v out(X) :- node(X).", ":- out(X), out(Y), edge(X,Y).", ":~ in(X), w(X,W). [W:1]"]
    files = {
        "cover.dl": "\n".join(lines) + "\n",
        # One million answer sets of about 150 bytes.
        "many.dl": "".join("a(%d) v b(%d).\n" % (i, i) for i in range(20)),
        # Four million ground rules.
        "rules.dl": "d(1..2000).\np(X,Y) v q(X,Y) :- d(X), d(Y).\n",
        # Seconds of grounding that derive nothing.
        "join.dl": "d(1..700).\nt(X,Y,Z) :- d(X), d(Y), d(Z), X < Y, Y < Z, Z < X.\n",
        # Millions of plans: four blocks moved among six places in five steps.
        "blocks.plan": "fluents: at(B,L) requires block(B), location(L).\n"
                       "actions: move(B,L) requires block(B), location(L).\n"
                       "always: inertial at(B,L).\n"
                       "executable move(B,L) if not at(B,L).\n"
                       "caused at(B,L) after move(B,L).\n"
                       "caused -at(B,L) after move(B,M), L != M, location(L).\n"
                       "initially: at(b1,l1). at(b2,l1). at(b3,l1). at(b4,l1).\n"
                       "goal: at(b1,l2) ? (5)\n",
        "blocks.dl": " ".join("block(b%d)." % i for i in range(1, 5)) + " " +
                     " ".join("location(l%d)." % i for i in range(1, 7)) + "\n",
    }
    for name, text in files.items():
        with open(os.path.join(d, name), "w") as f:
            f.write(text)


def whole_lines(out, problems):
    """The output's lines, after checking that the last one is whole."""
    lines = out.split(b"\n")
    if lines[-1] != b"":
        problems.append("torn last line ...%r" % lines[-1][-60:])
    return lines[:-1]


def after_banner(lines, problems):
    if len(lines) < 2 or not lines[0].startswith(b"Quarn [") or lines[1] != b"":
        problems.append("no banner")
        return []
    return lines[2:]


def check_best_model(out, err, problems):
    lines = whole_lines(out, problems)
    if len(lines) != 2 or not lines[0].startswith(b"Current model [maybe not optimal]: {") or \
            not lines[0].endswith(b"}") or not re.fullmatch(rb"Cost \(\[Weight:Level\]\): <\[\d+:1\]>", lines[1]):
        problems.append("not one model and its cost: %r" % [l[:60] for l in lines])


def statistics(err, problems):
    text = err.decode(errors="replace")
    if "Model Generator time" not in text or "(Timers are informational only" not in text:
        problems.append("no statistics on standard error: %r" % text[-200:])
    printed = re.search(r"Answer sets printed\s*: (\d+)", text)
    return int(printed.group(1)) if printed else None


def check_best_model_statistics(out, err, problems):
    check_best_model(out, err, problems)
    statistics(err, problems)


def check_answer_sets_statistics(out, err, problems):
    answer_sets = whole_lines(out, problems)
    if not answer_sets or any(not (l.startswith(b"{") and l.endswith(b"}")) for l in answer_sets):
        problems.append("not whole answer sets")
    printed = statistics(err, problems)
    if printed != len(answer_sets):
        problems.append("%s answer sets counted, %d printed" % (printed, len(answer_sets)))


def check_plans(out, err, problems):
    lines = after_banner(whole_lines(out, problems), problems)
    plans = b"\n".join(lines).split(b"\n\n")
    if not plans or plans == [b""]:
        problems.append("no plan")
    for plan in plans:
        rows = plan.split(b"\n")
        if not rows[-1].startswith(b"PLAN: ") or \
                any(not (r.startswith(b"STATE ") or r.startswith(b"ACTIONS: ")) for r in rows[:-1]):
            problems.append("a plan that is not whole: ...%r" % plan[-80:])
            break


def check_ground_program(out, err, problems):
    lines = whole_lines(out, problems)
    rules = [l for l in lines if l and not l.startswith(b"%")]
    if len(rules) < 1000:
        problems.append("only %d lines of the ground program" % len(rules))
    torn = [l for l in rules if not l.endswith(b".")]
    if torn:
        problems.append("a line that is not a whole rule: %r" % torn[0][-60:])


def check_banner(out, err, problems):
    rest = after_banner(whole_lines(out, problems), problems)
    if rest:
        problems.append("more than the banner: %r" % rest[:2])


CASES = [
    # name, arguments, bytes and seconds to wait before the signal, check
    ("optimisation", ["-silent", "cover.dl"], 0, 1.5, check_best_model),
    ("optimisation -stats", ["-silent", "-stats", "cover.dl"], 0, 1.5, check_best_model_statistics),
    ("enumeration -stats", ["-silent", "-stats", "many.dl"], 200000, 0, check_answer_sets_statistics),
    ("-FPopt", ["-FPopt", "blocks.plan", "blocks.dl"], 300000, 0, check_plans),
    ("-FPsec", ["-FPsec", "blocks.plan", "blocks.dl"], 300000, 0, check_plans),
    ("-instantiate", ["-instantiate", "rules.dl"], 300000, 0, check_ground_program),
    ("grounding", ["join.dl"], 0, 2.0, check_banner),
]


def main():
    quarn = sys.argv[1]
    failures = 0
    with tempfile.TemporaryDirectory() as d:
        write_programs(d)
        for name, args, after_bytes, after_seconds, check in CASES:
            for sig in (signal.SIGINT, signal.SIGTERM):
                for output, interrupt in (("pipe", interrupt_pipe), ("file", interrupt_file)):
                    status, out, err = interrupt([quarn] + args, sig, after_bytes, after_seconds, d)
                    problems = []
                    if status != -sig:
                        problems.append("status %d" % status)
                    check(out, err, problems)
                    if problems:
                        failures += 1
                        print("FAIL: %s to a %s, %s: %s" % (name, output, sig.name, "; ".join(problems)))
    if failures == 0:
        print("interrupted runs: all cases pass")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
