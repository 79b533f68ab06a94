"""An enumeration interrupted by SIGINT or SIGTERM keeps the answer sets it found: the output, on a
pipe or in a file, ends with a whole answer set, every line is one, and the process ends by the
signal. Small answer sets (many of them buffered when the signal comes) and answer sets larger than
the output buffer (the signal usually comes while one is written) are both tried, a few times each.

    interrupted_enumeration.py path/to/quarn
"""
import os
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


def interrupt_pipe(quarn, program, sig, after_bytes):
    """Runs quarn on the program with its output on a pipe that is read all along; sends the signal
    once after_bytes have arrived. Returns the status and the whole output."""
    p = subprocess.Popen([quarn, "-silent", program], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                         preexec_fn=default_signals)
    chunks = []

    def read():
        while True:
            chunk = p.stdout.read1(1 << 16)
            if not chunk:
                return
            chunks.append(chunk)

    reader = threading.Thread(target=read)
    reader.start()
    deadline = time.time() + 120
    while sum(map(len, chunks)) < after_bytes and p.poll() is None and time.time() < deadline:
        time.sleep(0.005)
    p.send_signal(sig)
    status = p.wait()
    reader.join()
    return status, b"".join(chunks)


def interrupt_file(quarn, program, sig, after_bytes):
    """The same with the output written to a file."""
    with tempfile.TemporaryFile() as out:
        p = subprocess.Popen([quarn, "-silent", program], stdout=out, stderr=subprocess.DEVNULL,
                             preexec_fn=default_signals)
        deadline = time.time() + 120
        while os.fstat(out.fileno()).st_size < after_bytes and p.poll() is None and time.time() < deadline:
            time.sleep(0.005)
        p.send_signal(sig)
        status = p.wait()
        out.seek(0)
        return status, out.read()


def main():
    quarn = sys.argv[1]
    failures = 0
    with tempfile.TemporaryDirectory() as d:
        small = os.path.join(d, "small.dl")
        with open(small, "w") as f:
            # One million answer sets of about 150 bytes.
            f.write("".join("a(%d) v b(%d).\n" % (i, i) for i in range(20)))
        large = os.path.join(d, "large.dl")
        with open(large, "w") as f:
            # Answer sets of about 110 KB: more than the output buffer and a pipe hold.
            f.write(" ".join("f(%d)." % i for i in range(12000)) + "\n")
            f.write("".join("a(%d) v b(%d).\n" % (i, i) for i in range(14)))
        cases = [(small, signal.SIGINT, 200000), (small, signal.SIGTERM, 200000),
                 (large, signal.SIGINT, 300000), (large, signal.SIGTERM, 300000)]
        for program, sig, after in cases * 3:
            for output, interrupt in (("pipe", interrupt_pipe), ("file", interrupt_file)):
                name = "%s to a %s, %s" % (os.path.basename(program), output, sig.name)
                status, out = interrupt(quarn, program, sig, after)
                lines = out.split(b"\n")
                problems = []
                if status != -sig:
                    problems.append("status %d" % status)
                if lines[-1] != b"":
                    problems.append("torn last line ...%r" % lines[-1][-60:])
                answer_sets = lines[1:-1]  # after the banner
                if not answer_sets:
                    problems.append("no answer set")
                if any(not (l.startswith(b"{") and l.endswith(b"}")) for l in answer_sets):
                    problems.append("a line that is not a whole answer set")
                if problems:
                    failures += 1
                    print("FAIL: %s: %s" % (name, "; ".join(problems)))
    if failures == 0:
        print("interrupted enumeration: all cases pass")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
