#!/usr/bin/env python3
"""Differential test of the SQL3 front-end: quarn's answer table against clingo.

A random problem declares a few relations with random facts (some without any) and asks one
query: a set expression of select-blocks and TABLE queries joined by UNION, EXCEPT and INTERSECT
(with ALL now and then, and parentheses), whose select-blocks range over one to three
correlations with comparisons (=, <>, !=, <, >, <=, >=) between columns joined by AND; often
behind a WITH RECURSIVE element whose second block joins the element with a relation.

The reference is built here from the query's structure, not from quarn's translation: each
select-block becomes one clingo rule in which the columns that the equalities join (closed under
transitivity) share one variable, every correlation of the FROM list contributes its atom, and
the other comparisons test the documented order of values (names byte-wise, below every integer,
integers by value), given to clingo as facts; each set operation gets a predicate of its own. The
rows quarn prints must be the atoms of the answer predicate in clingo's answer set, compared as
sets.

Some problems hold a construct that quarn refuses: EXCEPT ALL, EXCEPT of rows of the WITH element
being defined, a WITH element named again in a later statement or named like a relation, a
relation or WITH element with one column name twice. For these quarn must end with status 4 and
print no row.

Usage: sql_vs_clingo.py QUARN [--seed N] [--count N]
Exit status 0 when every problem agrees; otherwise the first disagreeing problems are printed.
"""
import itertools
import os
import random
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from clingo_support import command_line  # noqa: E402

ATTRIBUTES = ["a", "b", "c", "d"]
VALUES = ["v0", "v1", "v2", "longvalue3", "V", "0", "1", "2", "10"]
OPERATORS = ["=", "=", "=", "<>", "!=", "<", ">", "<=", ">="]


def value_key(v):
    # A quoted name is compared with its quotes.
    return (1, int(v), b"") if v.isdigit() else (0, 0, fact_value(v).encode())


def order_facts():
    """lt(x,y) for every pair of values in the documented order, le(x,y) for lt or equal."""
    facts = []
    for x, y in itertools.product(VALUES, repeat=2):
        q = lambda v: v if v.isdigit() or v[0].islower() else '"%s"' % v  # noqa: E731
        if value_key(x) < value_key(y):
            facts.append("lt(%s,%s). le(%s,%s)." % (q(x), q(y), q(x), q(y)))
        elif x == y:
            facts.append("le(%s,%s)." % (q(x), q(y)))
    return "\n".join(facts) + "\n"


def fact_value(v):
    # "V" begins with a capital letter: in the rule language it is a quoted name.
    return '"V"' if v == "V" else v


class Problem:
    def __init__(self, r):
        self.r = r
        self.predicates = 0
        self.rules = []
        self.refused = False

    def new_predicate(self):
        self.predicates += 1
        return "e%d" % self.predicates


def make_schema(r, p):
    relations = {}
    for i in range(r.randint(2, 4)):
        relations["rel%d" % i] = r.sample(ATTRIBUTES, r.randint(1, 3))
        if len(relations["rel%d" % i]) > 1 and r.random() < 0.03:
            # One column name twice, which would join the two columns.
            relations["rel%d" % i][-1] = relations["rel%d" % i][0]
            p.refused = True
    return relations


def make_block(r, schemas, head_arity, forced=None, avoid=None):
    """A select-block as (select columns, comparisons, correlations); columns are (alias, attr)."""
    names = [n for n in schemas if n != avoid]
    corrs = {}
    if forced:
        corrs["x0"] = forced
    target = r.randint(1, 3)
    while len(corrs) < target or not corrs:
        corrs["x%d" % len(corrs)] = r.choice(names)
    columns = [(c, a) for c, rel in corrs.items() for a in schemas[rel]]
    select = [r.choice(columns) for _ in range(head_arity)]
    comparisons = [(r.choice(columns), r.choice(OPERATORS), r.choice(columns)) for _ in range(r.randint(0, 3))]
    if forced and len(corrs) > 1:
        # The recursive step joins the element with a relation.
        comparisons.append((r.choice([c for c in columns if c[0] == "x0"]), "=",
                            r.choice([c for c in columns if c[0] != "x0"])))
    return select, comparisons, corrs


def block_sql(block):
    select, comparisons, corrs = block
    text = "SELECT " + ", ".join("%s.%s" % c for c in select)
    text += " FROM " + ", ".join("%s %s" % (rel, c) for c, rel in corrs.items())
    if comparisons:
        text += " WHERE " + " AND ".join("%s.%s %s %s.%s" % (l + (op,) + r) for l, op, r in comparisons)
    return text


def block_rule(block, head, schemas):
    select, comparisons, corrs = block
    parent = {}

    def find(x):
        while parent.setdefault(x, x) != x:
            x = parent[x]
        return x

    for col in select:
        find(col)
    for left, op, right in comparisons:
        find(left), find(right)
        if op == "=":
            parent[find(left)] = find(right)
    variables = {}

    def var(col):
        return variables.setdefault(find(col), "V%d" % len(variables))

    body = []
    for c in sorted(corrs):
        args = [var((c, a)) if (c, a) in parent else "_" for a in schemas[corrs[c]]]
        body.append("%s(%s)" % (corrs[c], ",".join(args)))
    for left, op, right in comparisons:
        l, r = var(left), var(right)
        body.append({"=": "%s = %s" % (l, r), "<>": "%s != %s" % (l, r), "!=": "%s != %s" % (l, r),
                     "<": "lt(%s,%s)" % (l, r), ">": "lt(%s,%s)" % (r, l),
                     "<=": "le(%s,%s)" % (l, r), ">=": "le(%s,%s)" % (r, l)}[op])
    return "%s(%s) :- %s." % (head, ",".join(var(c) for c in select), ", ".join(body))


def head_args(arity):
    return ",".join("X%d" % i for i in range(arity))


def make_primary(p, schemas, arity, depth, avoid):
    """(sql, predicate) of a query-primary: a select-block, TABLE of a relation of the right
    arity, or a set expression in parentheses."""
    r = p.r
    tables = [n for n, a in schemas.items() if len(a) == arity and n != avoid]
    choice = r.random()
    if depth < 2 and choice < 0.15:
        sql, pred = make_expression(p, schemas, arity, depth + 1, avoid)
        return "(" + sql + ")", pred
    pred = p.new_predicate()
    if tables and choice < 0.25:
        table = r.choice(tables)
        p.rules.append("%s(%s) :- %s(%s)." % (pred, head_args(arity), table, head_args(arity)))
        return "TABLE " + table, pred
    block = make_block(r, schemas, arity, avoid=avoid)
    p.rules.append(block_rule(block, pred, schemas))
    return block_sql(block), pred


def combine(p, op, left, right, arity):
    pred = p.new_predicate()
    x = head_args(arity)
    if op == "UNION":
        p.rules += ["%s(%s) :- %s(%s)." % (pred, x, left, x), "%s(%s) :- %s(%s)." % (pred, x, right, x)]
    else:
        negation = "not " if op == "EXCEPT" else ""
        p.rules.append("%s(%s) :- %s(%s), %s%s(%s)." % (pred, x, left, x, negation, right, x))
    return pred


def make_term(p, schemas, arity, depth, avoid):
    sql, pred = make_primary(p, schemas, arity, depth, avoid)
    while p.r.random() < 0.25:
        right_sql, right = make_primary(p, schemas, arity, depth, avoid)
        sql += " INTERSECT " + ("ALL " if p.r.random() < 0.2 else "") + right_sql
        pred = combine(p, "INTERSECT", pred, right, arity)
    return sql, pred


def make_expression(p, schemas, arity, depth=0, avoid=None):
    sql, pred = make_term(p, schemas, arity, depth, avoid)
    for _ in range(p.r.choice([0, 0, 1, 1, 2])):
        op = p.r.choice(["UNION", "EXCEPT"])
        right_sql, right = make_term(p, schemas, arity, depth, avoid)
        every = p.r.random() < 0.1
        p.refused = p.refused or (op == "EXCEPT" and every)
        sql += "\n%s %s%s" % (op, "ALL " if every else "", right_sql)
        pred = combine(p, op, pred, right, arity)
    return sql, pred


def make_problem(r):
    p = Problem(r)
    schemas = make_schema(r, p)
    facts = []
    for rel, attrs in schemas.items():
        for _ in range(0 if r.random() < 0.2 else r.randint(1, 6)):
            facts.append("%s(%s)." % (rel, ",".join(fact_value(r.choice(VALUES)) for _ in attrs)))
    arity = r.randint(1, 2)
    sql = "DATALOG SCHEMA " + ", ".join("%s(%s)" % (rel, ", ".join(a)) for rel, a in schemas.items()) + ";\n"
    if r.random() < 0.5:
        name = "reach" if r.random() < 0.95 else "rel0"
        p.refused = p.refused or name in schemas
        columns = ["p", "q"][:arity]
        if arity == 2 and r.random() < 0.05:
            columns = ["p", "p"]
            p.refused = True
        base_sql, base = make_expression(p, schemas, arity, avoid=name)
        schemas[name] = columns
        step = make_block(r, schemas, arity, forced=name)
        p.rules.append(block_rule(step, base, schemas))
        element_sql = "%s\nUNION %s" % (base_sql, block_sql(step))
        if r.random() < 0.1:
            # Rows of the element subtracted from the element itself.
            element_sql += "\nEXCEPT " + block_sql(make_block(r, schemas, arity, forced=name))
            p.refused = True
        p.rules.append("%s(%s) :- %s(%s)." % (name, head_args(arity), base, head_args(arity)))
        main_sql, main = make_expression(p, schemas, arity)
        sql += "WITH RECURSIVE %s(%s) AS (%s)\n%s;\n" % (name, ", ".join(columns), element_sql, main_sql)
        if r.random() < 0.1:
            # The element's name again in a later statement.
            again = make_block(r, schemas, arity, avoid=name)
            sql += "WITH %s(%s) AS (%s) TABLE %s;\n" % (name, ", ".join(columns), block_sql(again), name)
            p.refused = True
    else:
        main_sql, main = make_expression(p, schemas, arity)
        sql += main_sql + ";\n"
    p.rules.append("ans(%s) :- %s(%s)." % (head_args(arity), main, head_args(arity)))
    return "\n".join(facts) + "\n", sql, "\n".join(p.rules) + "\n", arity, p.refused


def clingo_rows(program, arity):
    out = subprocess.run(["clingo", "--outf=0", "-V0", "-"], input=program + "#show ans/%d.\n" % arity,
                         capture_output=True, text=True).stdout
    rows = set()
    for atom in out.split():
        if atom.startswith("ans("):
            rows.add(tuple(v.strip('"') for v in atom[4:-1].split(",")))
    return rows


def main():
    args = command_line(300)
    r = random.Random(args.seed)
    order = order_facts()
    failures = refusals = 0
    with tempfile.TemporaryDirectory() as tmp:
        facts_path, sql_path = os.path.join(tmp, "facts.dl"), os.path.join(tmp, "query.sql")
        for n in range(args.count):
            facts, sql, rules, arity, refused = make_problem(r)
            with open(facts_path, "w") as f:
                f.write(facts)
            with open(sql_path, "w") as f:
                f.write(sql)
            run = subprocess.run([args.quarn, "-silent", "-FS", facts_path, sql_path], capture_output=True, text=True)
            got = {tuple(v.strip('"') for v in line.split("\t") if v) for line in run.stdout.splitlines()}
            if refused:
                refusals += 1
                expected = "status 4 and no row"
                ok = run.returncode == 4 and not run.stdout
            else:
                expected = sorted(clingo_rows(facts + order + rules, arity))
                ok = run.returncode == 0 and got == set(expected)
            if not ok:
                failures += 1
                if failures <= 3:
                    print("problem %d disagrees (status %d)\n--- facts\n%s--- query\n%s--- reference rules\n%s"
                          "--- quarn\n%s%s--- expected\n%s\n" % (n, run.returncode, facts, sql, rules, run.stdout,
                                                                  run.stderr, expected))
    print("%d of %d problems agree (%d refused)" % (args.count - failures, args.count, refusals))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
