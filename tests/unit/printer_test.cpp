#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/aggregate_function.h"
#include "core/printer.h"
#include "core/program.h"
#include "grounding/ground_printer.h"
#include "grounding/ground_program.h"
#include "support/option_values.h"
#include "test_support.h"
#include "test_terms.h"

namespace {

struct SatlikeGuard {
    bool saved = optSatlike;
    ~SatlikeGuard() { optSatlike = saved; }
};

LITERAL pos(ATOM a) { return LITERAL(std::move(a), false); }
LITERAL neg(ATOM a) { return LITERAL(std::move(a), true); }
CONJUNCTION body(std::vector<LITERAL> literals) {
    CONJUNCTION c;
    for (LITERAL &l : literals) c.append(l);
    return c;
}

TEST(PrintTerm, EveryKindOfTerm) {
    struct CASE {
        TERM term;
        const char *expected;
    };
    const CASE cases[] = {
        {var(0), "_0"},
        {var(12), "_12"},
        {con("a"), "a"},
        {con("\"quoted text, with blanks\""), "\"quoted text, with blanks\""},
        {num(0), "0"},
        {num(2147483647), "2147483647"},
        {TERM(), "NullConst"},
        {fun("f", {fun("g", {con("a")}), list({num(1), num(2)})}), "f(g(a),[1,2])"},
        {list({con("a"), con("b")}), "[a,b]"},
        {list({}), "[]"},
        {listWithTail(con("a"), var(0)), "[a|_0]"},
        {list({list({}), list({con("a"), list({})})}), "[[],[a,[]]]"},
        {fun("f", {var(3), num(7), listWithTail(var(1), var(2))}), "f(_3,7,[_1|_2])"},
    };
    for (const CASE &c : cases)
        EXPECT_EQ(c.expected, capture([&](FILE *out) { printTerm(out, c.term); })) << c.expected;
}

TEST(PrintTerm, VariablesUnderPrintMagic) {
    const char *saved = variablePrefix;
    variablePrefix = "X";
    EXPECT_EQ("X0 X12 f(X3)", capture([&](FILE *out) {
                  printTerm(out, var(0));
                  std::fputs(" ", out);
                  printTerm(out, var(12));
                  std::fputs(" ", out);
                  printTerm(out, fun("f", {var(3)}));
              }));
    variablePrefix = saved;
}

// A term nested far deeper than the call stack could follow.
TEST(PrintTerm, DeeplyNestedTermsPrintWithoutRecursion) {
    const int depth = 200000;
    TERM t = con("a");
    for (int i = 0; i < depth; i++) t = fun("s", {t});
    std::string text = capture([&](FILE *out) { printTerm(out, t); });
    ASSERT_EQ(size_t(depth) * 3 + 1, text.size());
    EXPECT_EQ("s(s(s(", text.substr(0, 6));
    EXPECT_EQ("s(a))", text.substr(size_t(depth) * 2 - 2, 5));
    TERM l = list({});
    for (int i = 0; i < depth; i++) l = list({l, num(1)});
    std::string listText = capture([&](FILE *out) { printTerm(out, l); });
    EXPECT_EQ(size_t(depth) * 4 + 2, listText.size());
}

TEST(PrintTerms, SeparatorsAndEmptyLists) {
    std::vector<TERM> terms{con("a"), num(1), var(2)};
    EXPECT_EQ("a,1,_2", capture([&](FILE *out) { printTerms(out, terms); }));
    EXPECT_EQ("a; 1; _2", capture([&](FILE *out) { printTermList(out, terms, "; "); }));
    EXPECT_EQ("", capture([&](FILE *out) { printTerms(out, {}); }));
}

TEST(PrintAtom, OrdinaryAndBuiltinAtoms) {
    TERMS none;
    ATOM emptyArgs("pr_flag", &none, PREDICATE_UNDEFINED);
    struct CASE {
        ATOM atom;
        const char *expected;
    };
    const CASE cases[] = {
        {atom("pr_p", {con("a"), var(1)}), "pr_p(a,_1)"},
        {atom("pr_flag"), "pr_flag"},
        {emptyArgs, "pr_flag"},
        {atom("-pr_p", {con("a"), num(3)}), "-pr_p(a,3)"},
        {atom("pr_q", {fun("f", {con("b")})}), "pr_q(f(b))"},
        // Built-ins print in prefix form, as atoms of their keyword.
        {ATOM("<", std::vector<TERM>{var(0), var(1)}, PREDICATE_BUILTIN), "<(_0,_1)"},
        {ATOM("+", std::vector<TERM>{var(0), num(1), var(2)}, PREDICATE_BUILTIN), "+(_0,1,_2)"},
    };
    for (const CASE &c : cases)
        EXPECT_EQ(c.expected, capture([&](FILE *out) { printAtom(out, c.atom); }));
}

TEST(PrintRule, RulesFactsAndBodies) {
    ATOM a = atom("pr_a"), b = atom("pr_b"), c = atom("pr_c"), d = atom("pr_d");
    struct CASE {
        RULE rule;
        const char *expected;
    };
    std::vector<ATOM> disjunction{a, b};
    std::vector<ATOM> single{atom("pr_rp", {con("a")})};
    CONJUNCTION cd = body({neg(d), pos(c)});
    CONJUNCTION empty;
    const CASE cases[] = {
        {RULE(&single, nullptr), "pr_rp(a)."},
        {RULE(&disjunction, &cd), "pr_a v pr_b :- pr_c, not pr_d."},
        // A body that is present but empty still prints its arrow.
        {RULE(&single, &empty), "pr_rp(a) :- ."},
        {RULE(nullptr, &cd), " :- pr_c, not pr_d."},
    };
    for (const CASE &k : cases)
        EXPECT_EQ(k.expected, capture([&](FILE *out) { printRule(out, k.rule); }));
}

TEST(PrintRules, SeparatorOnlyBetweenRules) {
    std::vector<RULE> rules;
    for (const char *name : {"pr_r1", "pr_r2", "pr_r3"}) {
        std::vector<ATOM> head{atom(name)};
        rules.emplace_back(&head, nullptr);
    }
    EXPECT_EQ("pr_r1.\npr_r2.\npr_r3.", capture([&](FILE *out) { printRules(out, rules, "\n"); }));
    EXPECT_EQ("", capture([&](FILE *out) { printRules(out, {}, "\n"); }));
}

TEST(PrintConstraint, ConstraintsAndWeakConstraints) {
    CONSTRAINT constraint{body({pos(atom("pr_cp", {var(0)})), neg(atom("pr_cq", {var(0)}))}), false};
    CONSTRAINT emptyConstraint;
    EXPECT_EQ(":- pr_cp(_0), not pr_cq(_0).",
              capture([&](FILE *out) { printConstraint(out, constraint); }));
    EXPECT_EQ(":- .", capture([&](FILE *out) { printConstraint(out, emptyConstraint); }));
    std::vector<CONSTRAINT> two{constraint, emptyConstraint};
    EXPECT_EQ(":- pr_cp(_0), not pr_cq(_0).\n:- .",
              capture([&](FILE *out) { printConstraints(out, two, "\n"); }));

    struct CASE {
        TERM weight, level;
        const char *expected;
    };
    const CASE cases[] = {
        {num(2000), num(1), ":~ pr_cp(_0), not pr_cq(_0). [2:1]"},
        {num(1234), num(3), ":~ pr_cp(_0), not pr_cq(_0). [1:3]"},
        {num(2500), num(1), ":~ pr_cp(_0), not pr_cq(_0). [2:1]"},
        {num(999), num(1), ":~ pr_cp(_0), not pr_cq(_0). [0:1]"},
        {var(0), var(1), ":~ pr_cp(_0), not pr_cq(_0). [_0:_1]"},
        // A weight or level of another kind prints nothing.
        {con("a"), con("b"), ":~ pr_cp(_0), not pr_cq(_0). [:]"},
    };
    for (const CASE &c : cases) {
        WEAKCONSTRAINT w{constraint.body, 0, c.weight, c.level};
        EXPECT_EQ(c.expected, capture([&](FILE *out) { printWeakConstraint(out, w); }));
    }
    std::vector<WEAKCONSTRAINT> weak{WEAKCONSTRAINT{constraint.body, 0, num(1000), num(1)},
                                     WEAKCONSTRAINT{CONJUNCTION(), 0, num(3000), num(2)}};
    EXPECT_EQ(":~ pr_cp(_0), not pr_cq(_0). [1:1] :~ . [3:2]",
              capture([&](FILE *out) { printWeakConstraints(out, weak, " "); }));
}

// An aggregate atom over the symbolic set {terms : literal}, with its guards.
ATOM aggregateAtom(int32_t type, std::vector<TERM> terms, LITERAL literal, TERM lower, bool lowerInclusive,
                   TERM upper, bool upperInclusive, const GROUND_SET *set = nullptr) {
    AGGREGATE_SPEC spec;
    spec.type = type;
    spec.terms.assign(terms.begin(), terms.end());
    spec.conjunction.append(literal);
    if (set) spec.set = std::make_unique<GROUND_SET>(*set);
    AGGREGATE_ATOM part;
    part.function = AGGREGATEFUNCTION::make(spec);
    part.lowerGuard = lower;
    part.lowerInclusive = lowerInclusive;
    part.upperGuard = upper;
    part.upperInclusive = upperInclusive;
    uint32_t predicate = predicateTable.add(aggregateName(type), 0, PREDICATE_AGGREGATE).first;
    return ATOM(predicate, std::move(part));
}

TEST(PrintAtom, AggregateAtoms) {
    LITERAL p = pos(atom("pr_ap", {var(0)}));
    LITERAL notQ = neg(atom("pr_aq", {var(0), var(1)}));
    GROUND_SET elements;
    GATOM_ID p1 = groundAtomTable.add(atom("pr_ap", {num(1)}));
    GATOM_ID p2 = groundAtomTable.add(atom("pr_ap", {num(2)}));
    elements.insert({num(2), p2});
    elements.insert({num(1), p1});
    struct CASE {
        ATOM atom;
        const char *expected;
    };
    const CASE cases[] = {
        {aggregateAtom(AGGREGATE_COUNT, {var(0)}, p, num(1), true, num(2), true),
         "1 <= #count{_0 : pr_ap(_0)} <= 2"},
        {aggregateAtom(AGGREGATE_SUM, {var(0), var(1)}, notQ, var(2), false, num(7), false),
         "_2 < #sum{_0,_1 : pr_aq(_0,_1)} < 7"},
        {aggregateAtom(AGGREGATE_MAX, {var(0)}, p, var(3), true, var(3), true),
         "_3 <= #max{_0 : pr_ap(_0)} <= _3"},
        // A guard that is neither a variable nor an integer prints nothing.
        {aggregateAtom(AGGREGATE_MIN, {var(0)}, p, con("#invalid_guard#"), true, num(2147483647), true),
         " <= #min{_0 : pr_ap(_0)} <= 2147483647"},
        {aggregateAtom(AGGREGATE_SUM, {var(0)}, p, num(1), true, num(3), true, &elements),
         "1 <= #sum{<1:pr_ap(1)>,<2:pr_ap(2)>} <= 3"},
        {aggregateAtom(AGGREGATE_TIMES, {var(0)}, p, num(0), true, num(4), true),
         "0 <= #times{_0 : pr_ap(_0)} <= 4"},
    };
    for (const CASE &c : cases)
        EXPECT_EQ(c.expected, capture([&](FILE *out) { printAtom(out, c.atom); }));
    // In a body, and negated.
    CONJUNCTION b = body({pos(atom("pr_ar")), neg(aggregateAtom(AGGREGATE_COUNT, {var(0)}, p, num(1), true, num(2), true))});
    EXPECT_EQ("pr_ar, not 1 <= #count{_0 : pr_ap(_0)} <= 2", capture([&](FILE *out) { printConjunction(out, b); }));
}

// Once grounded, an aggregate's function is interned and its set lives in the set table.
TEST(PrintAtom, InternedAggregates) {
    SatlikeGuard guard;
    LITERAL p = pos(atom("pr_ip", {var(0)}));
    GROUND_SET elements;
    GATOM_ID p5 = groundAtomTable.add(atom("pr_ip", {num(5)}));
    elements.insert({num(5), p5});
    ATOM full = aggregateAtom(AGGREGATE_COUNT, {var(0)}, p, num(1), true, num(1), true, &elements);
    ATOM empty = aggregateAtom(AGGREGATE_COUNT, {var(0)}, p, num(0), true, num(0), true);
    for (ATOM *a : {&full, &empty}) {
        AGGREGATE_ATOM &part = *a->aggregate();
        part.function->internGroundSet();
        part.functionIndex = aggregateFunctionTable.intern(*part.function).first;
        delete part.function;
        part.function = nullptr;
    }
    EXPECT_EQ("1 <= #count{<5:pr_ip(5)>} <= 1", capture([&](FILE *out) { printAtom(out, full); }));
    EXPECT_EQ("0 <= #count{_0 : pr_ip(_0)} <= 0", capture([&](FILE *out) { printAtom(out, empty); }));
    // A ground aggregate atom prints in full among numbered atoms under -satlike.
    GATOM_ID g = groundAtomTable.add(full);
    GBODY b;
    b.add(GLITERAL(p5, false));
    b.add(GLITERAL(g, true));
    std::vector<GCONSTRAINT> constraints{GCONSTRAINT(b)};
    optSatlike = true;
    EXPECT_EQ(":- " + std::to_string(p5) + ", not 1 <= #count{<5:pr_ip(5)>} <= 1.",
              capture([&](FILE *out) { printGroundConstraints(out, constraints, "\n"); }));
}


TEST(PrintGround, RulesConstraintsAndWeakConstraints) {
    SatlikeGuard guard;
    GATOM_ID a = groundAtomTable.add(atom("pr_ga", {num(1)}));
    GATOM_ID b = groundAtomTable.add(atom("pr_gb"));
    GATOM_ID c = groundAtomTable.add(atom("pr_gc", {con("x")}));
    GBODY notC;
    notC.add(GLITERAL(c, true));
    GBODY mixed;
    mixed.add(GLITERAL(c, true));
    mixed.add(GLITERAL(b, false));
    std::vector<GATOM_ID> ab{a, b};
    std::vector<GATOM_ID> onlyA{a};
    std::vector<GRULE> rules{GRULE(&ab, &notC), GRULE(&onlyA, nullptr)};
    std::vector<GCONSTRAINT> constraints{GCONSTRAINT(mixed)};
    std::vector<GWEAKCONSTRAINT> weak{GWEAKCONSTRAINT(mixed, num(3500), num(2)),
                                      GWEAKCONSTRAINT(notC, num(1000), num(1))};

    optSatlike = false;
    EXPECT_EQ("pr_ga(1) v pr_gb :- not pr_gc(x).\npr_ga(1).",
              capture([&](FILE *out) { printGroundRules(out, rules, "\n"); }));
    EXPECT_EQ(":- pr_gb, not pr_gc(x).",
              capture([&](FILE *out) { printGroundConstraints(out, constraints, "\n"); }));
    EXPECT_EQ(":~ pr_gb, not pr_gc(x). [3:2]\n:~ not pr_gc(x). [1:1]",
              capture([&](FILE *out) { printGroundWeakConstraints(out, weak, "\n"); }));
    EXPECT_EQ("", capture([&](FILE *out) { printGroundRules(out, {}, "\n"); }));

    optSatlike = true;
    EXPECT_EQ(std::to_string(a) + " v " + std::to_string(b) + " :- not " + std::to_string(c) + ".",
              capture([&](FILE *out) { printGroundRules(out, {rules[0]}, "\n"); }));
    EXPECT_EQ(":- " + std::to_string(b) + ", not " + std::to_string(c) + ".",
              capture([&](FILE *out) { printGroundConstraints(out, constraints, "\n"); }));
}

// Runs a printer of atom sets with the object mode given, restoring it after.
struct SetOptions {
    bool objects = objectsUsed;
    ~SetOptions() { objectsUsed = objects; }
};
const std::set<std::string> noNames;

TEST(PrintAtomSets, FactsAtomsAndFilteredSets) {
    SetOptions restore;
    ATOM_SETS sets;
    sets.insert(atom("pr_sp", {con("a")}));
    sets.insert(atom("aux#pr_sr", {con("a")}));
    sets.insert(atom("pr_sq", {con("b")}));
    sets.insert(atom("-pr_sp", {con("c")}));
    EXPECT_EQ("pr_sp(a) aux#pr_sr(a) pr_sq(b) -pr_sp(c) ", capture([&](FILE *out) { printAtoms(out, sets); }));
    EXPECT_EQ("pr_sp(a).\naux#pr_sr(a).\npr_sq(b).\n-pr_sp(c).\n",
              capture([&](FILE *out) { printFacts(out, sets); }));

    struct CASE {
        std::set<std::string> filter, pfilter;
        bool alreadyPrinted;
        const char *expected;
    };
    const CASE cases[] = {
        {{}, {}, false, "pr_sp(a), pr_sq(b), -pr_sp(c)"},
        {{}, {}, true, ", pr_sp(a), pr_sq(b), -pr_sp(c)"},
        {{"pr_sp"}, {}, false, "pr_sp(a), -pr_sp(c)"},
        {{}, {"pr_sp"}, false, "pr_sp(a)"},
        {{"pr_sq"}, {"pr_sp"}, false, "pr_sp(a), pr_sq(b)"},
        // An internal predicate stays hidden even when a filter names it.
        {{"aux#pr_sr"}, {}, false, ""},
    };
    for (const CASE &c : cases) {
        bool result = false;
        ATOM_FILTER filter(c.filter, c.pfilter);
        EXPECT_EQ(c.expected, capture([&](FILE *out) { result = printAtomSet(sets, out, c.alreadyPrinted, filter); }));
        EXPECT_EQ(c.alreadyPrinted || c.expected[0] != '\0', result);
    }

    ATOM_SETS empty;
    bool result = true;
    ATOM_FILTER filter(noNames, noNames);
    EXPECT_EQ("", capture([&](FILE *out) { result = printAtomSet(empty, out, false, filter); }));
    EXPECT_FALSE(result);
    EXPECT_EQ("", capture([&](FILE *out) { result = printAtomSet(empty, out, true, filter); }));
    EXPECT_TRUE(result);
}

TEST(PrintAtomSets, ObjectArgumentDroppedWhenTheComplementExists) {
    SetOptions restore;
    objectsUsed = true;
    ATOM_SETS sets;
    sets.insert(atom("pr_op", {con("o1"), con("a")}));
    sets.insert(atom("pr_op1", {con("o1")}));
    sets.insert(atom("pr_ou", {con("o1"), con("a")}));
    sets.insert(atom("pr_oflag"));
    atom("-pr_op", {con("o1"), con("b")});
    atom("-pr_op1", {con("o1")});
    EXPECT_EQ("pr_op(a), pr_op1, pr_ou(o1,a), pr_oflag",
              capture([&](FILE *out) {
                  ATOM_FILTER filter(noNames, noNames);
                  printAtomSet(sets, out, false, filter);
              }));
}

} // namespace
