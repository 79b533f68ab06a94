#!/usr/bin/env python3
"""Differential test of the SQL3 front-end: quarn's answer table against clingo.

A random problem declares a few relations with random facts and asks one query: select-blocks
over one to three correlations with equalities between columns joined by AND, united by UNION,
optionally behind a WITH RECURSIVE element whose second block joins the element with a relation.
Quarn reads the facts and the ".sql" file under -FS. The reference is built here from the query's
structure, not from quarn's translation: each select-block becomes one clingo rule in which the
columns that the equalities join (closed under transitivity) share one variable; a correlation
that the block never mentions contributes nothing, as in quarn. The rows quarn prints must be
the atoms of the answer predicate in clingo's answer set, compared as sets.

Usage: sql_vs_clingo.py QUARN [--seed N] [--count N]
Exit status 0 when every problem agrees; otherwise the first disagreeing problems are printed.
"""
import os
import random
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from clingo_support import command_line  # noqa: E402

ATTRIBUTES = ["a", "b", "c", "d"]
VALUES = ["v0", "v1", "v2", "longvalue3", "0", "1", "2"]


def make_schema(r):
    relations = {}
    for i in range(r.randint(2, 4)):
        relations["rel%d" % i] = r.sample(ATTRIBUTES, r.randint(1, 3))
    return relations


def make_block(r, schemas, head_arity, forced=None):
    """A select-block as (select columns, equalities, correlations); columns are (alias, attr)."""
    names = list(schemas)
    corrs = {}
    if forced:
        corrs["x0"] = forced
    while len(corrs) < r.randint(1, 3) or not corrs:
        corrs["x%d" % len(corrs)] = r.choice(names)
    columns = [(c, a) for c, rel in corrs.items() for a in schemas[rel]]
    select = [r.choice(columns) for _ in range(head_arity)]
    equalities = [(r.choice(columns), r.choice(columns)) for _ in range(r.randint(0, 3))]
    if forced and len(corrs) > 1:
        # The recursive step joins the element with a relation.
        equalities.append((r.choice([c for c in columns if c[0] == "x0"]),
                           r.choice([c for c in columns if c[0] != "x0"])))
    return select, equalities, corrs


def block_sql(block):
    select, equalities, corrs = block
    text = "SELECT " + ", ".join("%s.%s" % c for c in select)
    text += " FROM " + ", ".join("%s %s" % (rel, c) for c, rel in corrs.items())
    if equalities:
        text += " WHERE " + " AND ".join("%s.%s = %s.%s" % (l + r) for l, r in equalities)
    return text


def block_rule(block, head, schemas):
    select, equalities, corrs = block
    parent = {}

    def find(x):
        while parent.setdefault(x, x) != x:
            x = parent[x]
        return x

    for col in select:
        find(col)
    for left, right in equalities:
        parent[find(left)] = find(right)
    variables = {}

    def var(col):
        return variables.setdefault(find(col), "V%d" % len(variables))

    mentioned = {c for c, _ in parent}
    body = []
    for c in sorted(mentioned):
        args = [var((c, a)) if (c, a) in parent else "_" for a in schemas[corrs[c]]]
        body.append("%s(%s)" % (corrs[c], ",".join(args)))
    return "%s(%s) :- %s." % (head, ",".join(var(c) for c in select), ", ".join(body))


def make_problem(r):
    schemas = make_schema(r)
    facts = []
    for rel, attrs in schemas.items():
        for _ in range(r.randint(0, 6)):
            facts.append("%s(%s)." % (rel, ",".join(r.choice(VALUES) for _ in attrs)))
    arity = r.randint(1, 2)
    sql = "DATALOG SCHEMA " + ", ".join("%s(%s)" % (rel, ", ".join(a)) for rel, a in schemas.items()) + ";\n"
    rules = []
    if r.random() < 0.5:
        schemas["reach"] = ["p", "q"][:arity]
        base = make_block(r, schemas, arity)
        while "reach" in base[2].values():
            base = make_block(r, schemas, arity)
        step = make_block(r, schemas, arity, forced="reach")
        main = make_block(r, {"reach": schemas["reach"]}, arity)
        sql += "WITH RECURSIVE reach(%s) AS (%s UNION %s)\n%s;\n" % (
            ", ".join(schemas["reach"]), block_sql(base), block_sql(step), block_sql(main))
        rules += [block_rule(base, "reach", schemas), block_rule(step, "reach", schemas),
                  block_rule(main, "ans", schemas)]
    else:
        blocks = [make_block(r, schemas, arity) for _ in range(r.randint(1, 3))]
        sql += "\nUNION\n".join(block_sql(b) for b in blocks) + ";\n"
        rules += [block_rule(b, "ans", schemas) for b in blocks]
    return "\n".join(facts) + "\n", sql, "\n".join(rules) + "\n", arity


def clingo_rows(program, arity):
    out = subprocess.run(["clingo", "--outf=0", "-V0", "-"], input=program + "#show ans/%d.\n" % arity,
                         capture_output=True, text=True).stdout
    rows = set()
    for atom in out.split():
        if atom.startswith("ans("):
            rows.add(tuple(atom[4:-1].split(",")))
    return rows


def main():
    args = command_line(300)
    r = random.Random(args.seed)
    failures = 0
    with tempfile.TemporaryDirectory() as tmp:
        facts_path, sql_path = os.path.join(tmp, "facts.dl"), os.path.join(tmp, "query.sql")
        for n in range(args.count):
            facts, sql, rules, arity = make_problem(r)
            with open(facts_path, "w") as f:
                f.write(facts)
            with open(sql_path, "w") as f:
                f.write(sql)
            run = subprocess.run([args.quarn, "-silent", "-FS", facts_path, sql_path], capture_output=True, text=True)
            got = {tuple(v for v in line.split("\t") if v) for line in run.stdout.splitlines()}
            expected = clingo_rows(facts + rules, arity)
            if run.returncode != 0 or got != expected:
                failures += 1
                if failures <= 3:
                    print("problem %d disagrees (status %d)\n--- facts\n%s--- query\n%s--- reference rules\n%s"
                          "--- quarn\n%s%s--- expected\n%s\n" % (n, run.returncode, facts, sql, rules, run.stdout,
                                                                  run.stderr, sorted(expected)))
    print("%d of %d problems agree" % (args.count - failures, args.count))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
