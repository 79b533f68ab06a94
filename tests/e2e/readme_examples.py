#!/usr/bin/env python3
"""Checks that every example of README.md is an end-to-end case of tests/e2e/cases/readme.cases.

An example is a line "$ COMMAND" in an indented block, followed by what the command shows. Two
commands are known: "cat examples/NAME" shows the file, and "[echo 'TEXT' |] build/quarn ARGS"
shows the case with these arguments (and TEXT on standard input): its standard error and
standard output, in either order, with "{{*}}" of the case matching any text within a line.
Every case of readme.cases belongs to an example, and every file examples/NAME that a case
writes is the repository's examples/NAME. Exit status 0 when all of that holds."""

import os, re, sys

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
CASES = os.path.join(ROOT, "tests", "e2e", "cases", "readme.cases")


def read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


def load_cases():
    """The cases of readme.cases as dictionaries of name, args, files, stdin, stdout, stderr."""
    cases, target = [], None
    for line in read(CASES).splitlines(keepends=True):
        if line.startswith("@@ "):
            word, _, arg = line[3:].rstrip("\n").partition(" ")
            target = None
            if word == "case":
                cases.append({"name": arg, "args": "", "files": {}, "stdin": "", "stdout": "", "stderr": ""})
            elif not cases:
                continue
            elif word == "args":
                cases[-1]["args"] = arg
            elif word == "file":
                cases[-1]["files"][arg] = ""
                target = ("files", arg)
            elif word in ("stdin", "stdout", "stderr"):
                if arg:
                    sys.exit("readme.cases: '%s' takes no modifier here" % line.strip())
                target = (word, None)
        elif target and cases:
            key, name = target
            if name is None:
                cases[-1][key] += line
            else:
                cases[-1][key][name] += line
    return cases


def examples():
    """(line number, command, shown lines) of every "$ " line in an indented block."""
    lines = read(os.path.join(ROOT, "README.md")).splitlines()
    found, i = [], 0
    while i < len(lines):
        if lines[i].startswith("    $ "):
            start, command, shown = i + 1, lines[i][6:], []
            i += 1
            while i < len(lines) and not lines[i].startswith("    $ ") and \
                    (lines[i].startswith("    ") or lines[i] == ""):
                shown.append(lines[i][4:])
                i += 1
            while shown and shown[-1] == "":
                shown.pop()
            found.append((start, command, shown))
        else:
            i += 1
    return found


def trimmed(text):
    lines = text.splitlines()
    while lines and lines[-1] == "":
        lines.pop()
    return lines


def line_matches(pattern, text):
    return re.fullmatch(".*".join(re.escape(p) for p in pattern.split("{{*}}")), text) is not None


def lines_match(expected, shown):
    return len(expected) == len(shown) and all(line_matches(e, s) for e, s in zip(expected, shown))


def main():
    cases = load_cases()
    used, faults = set(), []
    for line, command, shown in examples():
        where = "README.md:%d" % line
        m = re.fullmatch(r"cat (examples/\S+)", command)
        if m:
            if trimmed(read(os.path.join(ROOT, m.group(1)))) != shown:
                faults.append("%s: the listing differs from %s" % (where, m.group(1)))
            continue
        m = re.fullmatch(r"(?:echo '([^']*)' \| )?build/quarn (.*)", command)
        if not m:
            faults.append("%s: '%s' is no example that a case can check" % (where, command))
            continue
        stdin = m.group(1) + "\n" if m.group(1) is not None else ""
        matching = [c for c in cases if c["args"] == m.group(2) and c["stdin"] == stdin]
        if not matching:
            faults.append("%s: no case of readme.cases runs '%s'" % (where, command))
            continue
        case = matching[0]
        used.add(case["name"])
        out, err = trimmed(case["stdout"]), trimmed(case["stderr"])
        if not (lines_match(out + err, shown) or lines_match(err + out, shown)):
            faults.append("%s: the output shown differs from case '%s'" % (where, case["name"]))
    for case in cases:
        if case["name"] not in used:
            faults.append("readme.cases: case '%s' belongs to no example" % case["name"])
        for name, text in case["files"].items():
            path = os.path.join(ROOT, name)
            if name.startswith("examples/") and (not os.path.exists(path) or read(path) != text):
                faults.append("readme.cases: file %s of case '%s' differs from the repository's" % (name, case["name"]))
    for fault in faults:
        print(fault)
    print("%d examples, %d faults" % (len(examples()), len(faults)))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
