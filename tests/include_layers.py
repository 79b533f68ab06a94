#!/usr/bin/env python3
"""The include layering of src/: the folders form the layers support -> core -> input -> analysis
-> rewriting -> grounding -> solver -> frontends -> driver, the order in which a run hands the
program on, and a file may include headers of its own folder and of the folders before it only.
support/ knows nothing of programs: containers, hash and interning tables of names and integers,
the diagnostics and `finish`, the timers and the option values. core/ is the program model every
later layer uses: terms, atoms, rules, the predicate table, the built-in predicates, the aggregate
functions, the ground atom table and the printers. Every folder of src/ must have its place in the
order. The headers must also not include one another in a cycle, and a member function of a class
or struct is defined in the folder whose header declares the type: a later layer that needs an
operation on an earlier layer's type makes it a free function of its own.

Usage: include_layers.py [PROJECT_ROOT] (by default the folder above this one). Prints each
offence and exits with status 1 when there is one."""
import os
import re
import sys

ORDER = ["support", "core", "input", "analysis", "rewriting", "grounding", "solver", "frontends", "driver"]
INCLUDE = re.compile(r'\s*#\s*include\s+"(([a-z_]+)/[a-z_0-9]+\.h)"')
# A class or struct defined (not only declared) in a header: "struct GRULE {", "class A : public B".
TYPE = re.compile(r'^\s*(?:class|struct)\s+([A-Z][A-Z0-9_]*)\b[^;]*$')
# The out-of-line definition of a member at the start of a line: "int RULE::isSafe() const {".
MEMBER = re.compile(r'^[A-Za-z_][^;(]*?\b([A-Z][A-Z0-9_]*)::(~?[A-Za-z_][A-Za-z0-9_]*)\s*\(')


def read_includes(src):
    """(folder/file, line number, included folder/file.h) for every project include."""
    found = []
    for folder in ORDER:
        directory = os.path.join(src, folder)
        for name in sorted(os.listdir(directory)) if os.path.isdir(directory) else []:
            with open(os.path.join(directory, name), errors="replace") as f:
                for number, line in enumerate(f, 1):
                    m = INCLUDE.match(line)
                    if m and m.group(2) in ORDER:
                        found.append((folder + "/" + name, number, m.group(1)))
    return found


def source_files(src, suffixes):
    for folder in ORDER:
        directory = os.path.join(src, folder)
        for name in sorted(os.listdir(directory)) if os.path.isdir(directory) else []:
            if name.endswith(suffixes):
                yield folder, name, os.path.join(directory, name)


def members_outside_their_folder(src):
    """Member functions defined in a folder other than the one whose header declares the type."""
    declared = {}
    for folder, _, path in source_files(src, (".h",)):
        with open(path, errors="replace") as f:
            for line in f:
                m = TYPE.match(line)
                if m:
                    declared.setdefault(m.group(1), set()).add(folder)
    offences = []
    for folder, name, path in source_files(src, (".cpp", ".y", ".l")):
        with open(path, errors="replace") as f:
            for number, line in enumerate(f, 1):
                m = MEMBER.match(line)
                if m and m.group(1) in declared and folder not in declared[m.group(1)]:
                    offences.append("%s/%s:%d defines %s::%s, a member of a type of %s/" % (
                        folder, name, number, m.group(1), m.group(2), ", ".join(sorted(declared[m.group(1)]))))
    return offences


def against_layers(includes):
    offences = []
    for source, number, header in includes:
        source_layer = ORDER.index(source.split("/")[0])
        header_layer = ORDER.index(header.split("/")[0])
        if header_layer > source_layer:
            offences.append("%s:%d includes %s, a later layer" % (source, number, header))
    return offences


def header_cycles(includes):
    graph = {}
    for source, _, header in includes:
        if source.endswith(".h"):
            graph.setdefault(source, set()).add(header)
    offences, state = [], {}

    def visit(node, path):
        state[node] = "open"
        for nxt in sorted(graph.get(node, ())):
            if state.get(nxt) == "open":
                offences.append("headers include one another: " + " -> ".join(path[path.index(nxt):] + [nxt]))
            elif nxt not in state:
                visit(nxt, path + [nxt])
        state[node] = "done"

    for node in sorted(graph):
        if node not in state:
            visit(node, [node])
    return offences


def unplaced_folders(src):
    """Folders of src/ that have no place in the order, and whose includes would go unchecked."""
    return ["src/%s/ is no layer: give it its place in the order" % name
            for name in sorted(os.listdir(src))
            if os.path.isdir(os.path.join(src, name)) and name not in ORDER]


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    src = os.path.join(root, "src")
    includes = read_includes(src)
    offences = unplaced_folders(src) + against_layers(includes) + header_cycles(includes) + members_outside_their_folder(src)
    for offence in offences:
        print(offence)
    print("%d offences against the layering" % len(offences))
    return 1 if offences else 0


if __name__ == "__main__":
    sys.exit(main())
