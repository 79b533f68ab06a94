"""What the differential tests share: their command line, running quarn or clingo on a program
file, splitting a printed set of atoms, and reading the answer sets of quarn's "{...}" lines and
of clingo's JSON output (--outf=2). Answer sets are frozensets of atom texts without blanks, so
that quarn's and clingo's compare directly.

The scripts import it from their own folder: sys.path.insert(0, <this folder>) first.
"""
import argparse
import json
import subprocess


def run(cmd, path, timeout=60):
    """Runs cmd with the program file last, its output captured as text."""
    return subprocess.run(cmd + [path], capture_output=True, text=True, timeout=timeout)


def split_atoms(text):
    """Splits "p(a,b), q" at the top-level ", " separators."""
    atoms, depth, current = [], 0, ""
    for ch in text:
        if ch in "([":
            depth += 1
        elif ch in ")]":
            depth -= 1
        if ch == "," and depth == 0:
            atoms.append(current.strip())
            current = ""
        else:
            current += ch
    if current.strip():
        atoms.append(current.strip())
    return atoms


def split_printed_facts(text):
    """Splits "p(a,b) q", the facts as --print-edb prints them between braces, at the top-level
    blanks (quoted strings may hold blanks)."""
    atoms, depth, quoted, current = [], 0, False, ""
    for ch in text:
        if ch == '"':
            quoted = not quoted
        elif not quoted and ch in "([":
            depth += 1
        elif not quoted and ch in ")]":
            depth -= 1
        if ch == " " and depth == 0 and not quoted:
            if current:
                atoms.append(current)
            current = ""
        else:
            current += ch
    if current:
        atoms.append(current)
    return atoms


def quarn_models(text):
    """The answer sets quarn prints, one "{a, b}" line each."""
    models = set()
    for line in text.splitlines():
        line = line.strip()
        if line.startswith("{") and line.endswith("}"):
            inner = line[1:-1].strip()
            models.add(frozenset(split_atoms(inner) if inner else []))
    return models


def clingo_witnesses(text):
    """Every model clingo reports in its JSON output, in the order reported."""
    return [w for call in json.loads(text).get("Call", []) for w in call.get("Witnesses", [])]


def clingo_model(witness):
    return frozenset(a.replace(" ", "") for a in witness.get("Value", []))


def clingo_models(text):
    """The answer sets clingo reports in its JSON output."""
    return {clingo_model(w) for w in clingo_witnesses(text)}


def command_line(count, keep=False):
    """The arguments every differential script takes: QUARN [--seed N] [--count N], where
    `count` programs are tried unless --count says otherwise; with `keep`, also [--keep DIR], a
    folder that keeps the programs written."""
    parser = argparse.ArgumentParser()
    parser.add_argument("quarn")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--count", type=int, default=count)
    if keep:
        parser.add_argument("--keep")
    return parser.parse_args()
