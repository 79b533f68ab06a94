// The grounder over small programs: joins, function and list patterns, built-ins, semi-naive
// recursion, residual bodies, backjumping (one instance per binding that tells instances apart),
// aggregates during grounding, and the argument index tables.
//
// Programs are parsed into the global program store, which is emptied before every test
// (unit_main.cpp); the cases of one test share the predicate table, so each uses predicate names
// of its own.
#include <gtest/gtest.h>

#include <algorithm>

#include <climits>
#include <cstdio>
#include <set>
#include <string>

#include "core/aggregate_function.h"
#include "core/printer.h"
#include "core/program.h"
#include "driver/run.h"
#include "grounding/ground_depgraph.h"
#include "grounding/ground_printer.h"
#include "grounding/ground_program.h"
#include "grounding/index.h"
#include "grounding/instantiator.h"
#include "input/parser.h"
#include "support/diagnostics.h"
#include "support/option_values.h"
#include "test_support.h"

namespace {

struct GROUNDED {
    bool ok = false;
    uint8_t errorFlag = 0;
    int32_t status = 0;
    std::string facts;       // the true part of I, one atom per line
    std::string rules;       // the ground rules, one per line
    std::string constraints; // the ground constraints, one per line
    uint64_t lastMatches = 0;
};

class Grounder : public ::testing::Test {
protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }

    static void reset() {
        clearParsedProgram();
        maxInt = -1;
        clearGroundProgram();
    }

    static GROUNDED ground(const std::string &program) {
        std::string text = program;
        EXPECT_TRUE(parseString(text)) << program;
        GROUNDED g;
        const std::vector<CONSTRAINT> none;
        PREDICATE_DEPGRAPH graph(IDB, none, DEPGRAPH_PREDICATE_VIEW | DEPGRAPH_NEGATIVE_ORDER);
        {
            INSTANTIATOR grounder(&graph, false, countVariables(), GROUNDING_CONFIG{});
            g.ok = grounder.run(g.errorFlag);
            g.status = grounder.status;
            g.lastMatches = grounder.instancesOfLastStatement;
        }
        g.facts = capture([](FILE *f) { printFacts(f, I.positive); });
        g.rules = capture([](FILE *f) { printGroundRules(f, groundRules, "\n"); });
        g.constraints = capture([](FILE *f) { printGroundConstraints(f, groundConstraints, "\n"); });
        return g;
    }
};

struct CASE {
    const char *name;
    const char *program;
    const char *facts;
    const char *rules;
};

TEST_F(Grounder, InstancesOfSmallPrograms) {
    const CASE cases[] = {
        {"a repeated variable matches equal arguments only", "ga_p(1,2). ga_p(3,3). ga_q(X) :- ga_p(X,X).",
         "ga_q(3).\n", ""},
        {"a failed function-term argument unbinds what the atom bound",
         "gb_p(f(1),h(2)). gb_p(f(3),g(4)). gb_q(X,Y) :- gb_p(f(X),g(Y)).", "gb_q(3,4).\n", ""},
        {"a list pattern with a tail takes the first element and the rest",
         "gc_l([a]). gc_l([]). gc_l([b,c]). gc_h(H,T) :- gc_l([H|T]).", "gc_h(a,[]).\ngc_h(b,[c]).\n", ""},
        {"a three-way join through indexed arguments",
         "gd_a(1,2). gd_a(2,3). gd_a(3,1). gd_b(2,x). gd_b(3,y). gd_c(x). "
         "gd_j(X,Z) :- gd_a(X,Y), gd_b(Y,Z), gd_c(Z).",
         "gd_j(1,x).\n", ""},
        {"semi-naive recursion reaches the fixpoint of a cyclic graph",
         "ge_e(1,2). ge_e(2,3). ge_e(3,1). ge_t(X,Y) :- ge_e(X,Y). ge_t(X,Y) :- ge_t(X,Z), ge_t(Z,Y).",
         "ge_t(1,1).\nge_t(1,2).\nge_t(1,3).\nge_t(2,1).\nge_t(2,2).\nge_t(2,3).\nge_t(3,1).\nge_t(3,2).\n"
         "ge_t(3,3).\n",
         ""},
        {"#int enumerates its range and a comparison filters it", "gf_r(X) :- #int(2,4,X), X != 3.",
         "gf_r(2).\ngf_r(4).\n", ""},
        {"arithmetic binds its output once per binding of its inputs",
         "#maxint = 10. gg_n(1). gg_n(2). gg_s(Z) :- gg_n(X), gg_n(Y), Z = X + Y.", "gg_s(2).\ngg_s(3).\ngg_s(4).\n",
         ""},
        {"negation over an undefined atom stays in the residual body",
         "gh_n(1). gh_n(2). gh_a(X) | gh_b(X) :- gh_n(X). gh_c(X) :- gh_n(X), not gh_a(X).", "",
         "gh_a(1) v gh_b(1) :- .\ngh_a(2) v gh_b(2) :- .\ngh_c(1) :- not gh_a(1).\ngh_c(2) :- not gh_a(2)."},
        {"a fact derived for a disjunction with one distinct head atom", "gi_q(1,1). gi_p(X) | gi_p(Y) :- gi_q(X,Y).",
         "gi_p(1).\n", ""},
        {"a rule over an undefined predicate has no instance", "gj_p(X) :- gj_nothing(X). gj_r(1).", "", ""},
        {"a list tail bound to a non-list drops the head instance",
         "gk_t(b). gk_t([c]). gk_h([a|T]) :- gk_t(T).", "gk_h([a,c]).\n", ""},
        {"a negated literal whose list tail is bound to a non-list fails",
         "gl_t(b). gl_t([c]). gl_p([z]). gl_h(T) :- gl_t(T), not gl_p([z|T]).", "gl_h([c]).\n", ""},
    };
    for (const CASE &c : cases) {
        reset();
        GROUNDED g = ground(c.program);
        EXPECT_TRUE(g.ok) << c.name;
        EXPECT_EQ(g.facts, c.facts) << c.name;
        EXPECT_EQ(g.rules, c.rules) << c.name;
    }
}

TEST_F(Grounder, BackjumpingYieldsOneInstancePerRelevantBinding) {
    // r is complete and decided: Y tells no instances apart, so each X gives one match.
    GROUNDED g = ground("gm_q(1). gm_q(2). gm_r(a). gm_r(b). gm_r(c). gm_p(X) | gm_o(X) :- gm_q(X), gm_r(Y).");
    EXPECT_EQ(g.lastMatches, 2u);
    EXPECT_EQ(g.rules, "gm_p(1) v gm_o(1) :- .\ngm_p(2) v gm_o(2) :- .");

    // No head variable and only decided literals: one instance, however many matches there are.
    reset();
    g = ground("gz_q(1). gz_q(2). gz_r(a). gz_r(b). gz_k | gz_l :- gz_q(X), gz_r(Y).");
    EXPECT_EQ(g.lastMatches, 1u);
    EXPECT_EQ(g.rules, "gz_k v gz_l :- .");

    // Y occurs in the head: every combination is an instance of its own.
    reset();
    g = ground("gn_q(1). gn_q(2). gn_r(a). gn_r(b). gn_p(X,Y) | gn_o(X) :- gn_q(X), gn_r(Y).");
    EXPECT_EQ(g.lastMatches, 4u);

    // A constraint over decided predicates only: the first complete match ends its matcher.
    reset();
    g = ground("go_q(1). go_q(2). go_r(a). go_r(b). go_s :- go_q(X). :- go_q(X), go_r(Y), not go_s.");
    EXPECT_EQ(g.lastMatches, 0u);
    EXPECT_TRUE(g.ok);

    // A weak constraint enumerates every match: all its body variables count.
    reset();
    g = ground("gp_q(1). gp_q(2). gp_r(a). gp_r(b). gp_r(c). :~ gp_q(X), gp_r(Y). [1:1]");
    EXPECT_EQ(g.lastMatches, 6u);
    EXPECT_EQ(violatedWeakConstraints.size(), 6u);
}

TEST_F(Grounder, BuiltinsOnlyInConstraintsTellNoInstancesApart) {
    // The comparison never stays in a residual body: one ground constraint per binding of X.
    GROUNDED g = ground("gq_n(1). gq_n(2). gq_m(a). gq_m(b). gq_u(X) | gq_v(X) :- gq_n(X). "
                        ":- gq_u(X), gq_m(Y), Y != c.");
    EXPECT_EQ(g.constraints, ":- gq_u(1).\n:- gq_u(2).");
}

TEST_F(Grounder, AConstraintViolatedInEveryAnswerSetStopsGrounding) {
    GROUNDED g = ground("gr_p(1). gr_q(X) :- gr_p(X). :- gr_q(1). :- gr_q(Y), gr_p(Y).");
    EXPECT_FALSE(g.ok);
    EXPECT_EQ(g.status, GROUNDER_INCONSISTENT);
    EXPECT_EQ(g.errorFlag, 0);
    EXPECT_TRUE(groundConstraints.empty());
}

// A value the program cannot use stops grounding with its message, one message only, and no
// statement after it is grounded: the driver then ends the run at once.
TEST_F(Grounder, AValueThatCannotBeUsedStopsGroundingWithItsMessage) {
    const struct {
        const char *name;
        const char *program;
        const char *message;
    } cases[] = {
        {"a constant among the values of #sum", "gv_v(1). gv_v(a). gv_v(b). gv_t(S) :- S = #sum{X : gv_v(X)}.",
         "Error: free variables inside the #sum aggregate must only be instantiated with integer values.\n"},
        {"a constant among the undecided values of #max",
         "gw_v(1). gw_w(a) | gw_w(2). gw_t :- #max{X : gw_w(X)} > 1. gw_u :- #count{X : gw_w(X)} > 1.",
         "Error: free variables inside the #max aggregate must only be instantiated with integer values.\n"},
        {"an assigned #sum beyond the integer range",
         "gx_v(999999999). gx_v(999999998). gx_v(999999997). gx_t(S) :- S = #sum{X : gx_v(X)}.",
         "Error: the value of the #sum aggregate does not fit in an integer.\n"},
        {"a constant as a weak constraint's weight", "gy_p(a). gy_p(b). :~ gy_p(X). [X:1]",
         "Weight must be a non-negative integer in :~ gy_p(_0). [_0:1]\n"},
        {"a constant as a weak constraint's level", "gz_p(a). :~ gz_p(X). [1:X]",
         "Level must be a positive integer in :~ gz_p(_0). [1:_0]\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        reset();
        testing::internal::CaptureStderr();
        GROUNDED g = ground(c.program);
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_FALSE(g.ok);
        EXPECT_EQ(g.status, GROUNDER_VALUE_ERROR);
        EXPECT_EQ(g.errorFlag, 0);
        EXPECT_EQ(err.substr(0, err.find('\n') + 1), c.message);
        EXPECT_EQ(err.find(c.message, 1), std::string::npos) << err;
        EXPECT_TRUE(groundWeakConstraints.empty());
    }
    // #count counts any term.
    reset();
    GROUNDED counted = ground("gu_v(a). gu_v(1). gu_t(S) :- S = #count{X : gu_v(X)}.");
    EXPECT_TRUE(counted.ok);
    EXPECT_EQ(counted.facts, "gu_t(2).\n");
}

TEST_F(Grounder, TheStoredProgramIsNotChangedByGrounding) {
    // The bound guard turns the assignment into a comparison for the instances; the rule as
    // written keeps its assignment.
    std::string text = "gs_v(2). gs_n(1). gs_n(2). gs_c(N) :- gs_v(N), N = #count{X : gs_n(X)}.";
    GROUNDED g = ground(text);
    EXPECT_EQ(g.facts, "gs_c(2).\n");
    ASSERT_FALSE(IDB.empty());
    const ATOM &aggregate = IDB.back().body->literals.back().atom;
    ASSERT_TRUE(aggregate.isAggregate());
    EXPECT_TRUE(aggregate.aggregate()->assignment);
}

TEST_F(Grounder, AggregatesDecidedOrLeftAsGroundAtoms) {
    struct AGGREGATE_CASE {
        const char *program;
        const char *facts;
        const char *rules;
    };
    const AGGREGATE_CASE cases[] = {
        // Two true elements and one undefined: neither violated nor satisfied.
        {"ha_t(1). ha_t(2). ha_n(3). ha_u(X) | ha_w(X) :- ha_n(X). ha_s(X) :- ha_t(X). ha_s(X) :- ha_u(X). "
         "ha_ok :- 2 < #count{X : ha_s(X)} < 5.",
         "ha_s(1).\nha_s(2).\n",
         "ha_u(3) v ha_w(3) :- .\nha_s(3) :- ha_u(3).\nha_ok :- 3 <= #count{<3:ha_s(3)>} <= 4."},
        // All elements true: satisfied, the literal leaves the body.
        {"hb_t(1). hb_t(2). hb_t(3). hb_ok :- 2 < #count{X : hb_t(X)} < 5.", "hb_ok.\n", ""},
        // No element: #max has no value, so the positive literal fails and the negated one holds.
        {"hc_n(1). hc_none(X) :- hc_n(X), X > 5. hc_a :- 1 <= #max{X : hc_none(X)}. "
         "hc_b :- not 1 <= #max{X : hc_none(X)}.",
         "hc_b.\n", ""},
        // A #min over undefined elements only may end without a value: never certainly true.
        {"hd_n(4). hd_n(6). hd_u(X) | hd_w(X) :- hd_n(X). hd_ok :- #min{X : hd_u(X)} >= 1.", "",
         "hd_u(4) v hd_w(4) :- .\nhd_u(6) v hd_w(6) :- .\nhd_ok :- 1 <= #min{<4:hd_u(4)>,<6:hd_u(6)>} <= 2147483647."},
        // Sums beyond the integer range are compared in 64 bits, not wrapped.
        {"he_v(999999999). he_v(999999998). he_v(999999997). he_big :- #sum{X : he_v(X)} > 5.", "he_big.\n", ""},
    };
    for (const AGGREGATE_CASE &c : cases) {
        reset();
        GROUNDED g = ground(c.program);
        EXPECT_TRUE(g.ok) << c.program;
        EXPECT_EQ(g.facts, c.facts) << c.program;
        EXPECT_EQ(g.rules, c.rules) << c.program;
    }
}

TEST_F(Grounder, AggregatesOverTheSameUndefinedElementsShareAnEntryOnlyWithEqualBounds) {
    // hf_a counts one true element besides the undefined one, hf_b none: their functions differ in
    // their bounds although their ground sets are equal.
    GROUNDED g = ground("hf_n(1). hf_n(2). hf_u(X) | hf_w(X) :- hf_n(X). hf_t(9). "
                        "hf_s(X) :- hf_u(X). hf_s(X) :- hf_t(X). "
                        "hf_a :- 1 < #count{X : hf_s(X)} < 4. hf_b :- 1 < #count{X : hf_u(X)} < 4.");
    EXPECT_TRUE(g.ok);
    std::set<uint32_t> indices;
    for (const GRULE &r : groundRules)
        for (const GLITERAL &l : r.body.literals) {
            ATOM_REF a = groundAtomTable[l.atom];
            if (a.isAggregate()) indices.insert(a.aggregate()->functionIndex);
        }
    EXPECT_EQ(indices.size(), 2u);
}

TEST(IndexTable, ChainsKeepInsertionOrderAndSkipRowsThatLeftTheirPart) {
    // Rows of real atoms, so that a set of them can be kept in order.
    uint32_t p = ATOM("it_p", std::vector<TERM>{makeIntegerTerm(0)}, PREDICATE_IDB).predicate;
    std::vector<uint32_t> row;
    for (int32_t i = 0; i < 4; i++) row.push_back(atomStore.insert(p, std::vector<TERM>{makeIntegerTerm(i)}).first);
    INDEX_TABLE table;
    TERM one = makeIntegerTerm(1);
    // A constant whose table index equals the integer's index is another key.
    TERM constant(TERM_CONSTANT, one.value);
    table.insert(one, row[0]);
    table.insert(constant, row[1]);
    table.insert(one, row[3]);
    table.insert(one, row[2]);
    auto rows = [&](TERM key, const ATOM_SET *members) {
        std::vector<uint32_t> seen;
        INDEX_RANGE r{&table, table.find(key), members};
        for (r.skipNonMembers(); !r.empty(); r.advance()) seen.push_back(r.row());
        return seen;
    };
    EXPECT_EQ(rows(one, nullptr), (std::vector<uint32_t>{row[0], row[3], row[2]}));
    // A lookup in the undefined part of I reads only the rows still there.
    ATOM_SET members(p);
    members.insertRow(row[2]);
    members.insertRow(row[3]);
    EXPECT_EQ(rows(one, &members), (std::vector<uint32_t>{row[3], row[2]}));
    members.eraseRow(row[3]);
    EXPECT_EQ(rows(one, &members), (std::vector<uint32_t>{row[2]}));
    members.eraseRow(row[2]);
    EXPECT_TRUE(rows(one, &members).empty());
    EXPECT_EQ(rows(constant, nullptr), (std::vector<uint32_t>{row[1]}));
    table.clear();
    EXPECT_EQ(table.find(constant), INDEX_TABLE::NONE);
    EXPECT_EQ(table.size(), 0u);
}

TEST(IndexOnI, APartFilledAtItsFirstLookupHoldsWhatAnEarlyFillWouldHold) {
    // The chain of a key: the atoms of I when the position was indexed, in atom order, then those
    // of each later move in the order of the move; a lookup between moves catches up.
    I.clear();
    uint32_t p = ATOM("ioi_p", std::vector<TERM>{makeIntegerTerm(0), makeIntegerTerm(0)}, PREDICATE_IDB).predicate;
    auto row = [&](int32_t x, int32_t k) {
        return atomStore.insert(p, std::vector<TERM>{makeIntegerTerm(x), makeIntegerTerm(k)}).first;
    };
    INDEX_ON_I index(p);
    auto move = [&](std::vector<std::pair<int32_t, int32_t>> atoms, uint32_t part) {
        // A move adds atoms in atom order.
        std::sort(atoms.begin(), atoms.end());
        for (auto [x, k] : atoms) {
            uint32_t r = row(x, k);
            if ((part == 1 ? I.positive : I.undefined).insertRow(p, r)) index.logMove(r, part);
        }
    };
    auto chain = [&](int32_t k, uint32_t part) {
        std::vector<int32_t> xs;
        for (INDEX_RANGE r = index.find(makeIntegerTerm(k), 1, part); !r.empty(); r.advance())
            xs.push_back(integerValue(atomStore.args(p, r.row())[0]));
        return xs;
    };
    move({{5, 1}, {2, 1}, {9, 2}}, 1);
    index.indexOverI(1);
    index.states[1] = INDEX_STATE_I;
    move({{1, 1}, {7, 1}}, 1);
    move({{3, 1}, {0, 1}}, 2);
    move({{4, 1}}, 1);
    EXPECT_EQ(chain(1, 1), (std::vector<int32_t>{2, 5, 1, 7, 4}));
    EXPECT_EQ(chain(2, 1), (std::vector<int32_t>{9}));
    EXPECT_EQ(chain(1, 2), (std::vector<int32_t>{0, 3}));
    // A later move is caught up at the next lookup; an undefined atom that became true is skipped.
    I.undefined.eraseRow(p, row(3, 1));
    move({{3, 1}, {6, 1}}, 1);
    EXPECT_EQ(chain(1, 1), (std::vector<int32_t>{2, 5, 1, 7, 4, 3, 6}));
    EXPECT_EQ(chain(1, 2), (std::vector<int32_t>{0}));
    I.clear();
}

TEST(IndexTable, ManyKeysSurviveGrowth) {
    INDEX_TABLE table;
    for (uint32_t i = 0; i < 5000; i++) table.insert(makeIntegerTerm(int32_t(i % 1000)), i);
    std::vector<uint32_t> seen;
    for (INDEX_RANGE r{&table, table.find(makeIntegerTerm(7))}; !r.empty(); r.advance()) seen.push_back(r.row());
    EXPECT_EQ(seen, (std::vector<uint32_t>{7, 1007, 2007, 3007, 4007}));
}

} // namespace

namespace {

TEST(MatchFunctionTerm, DeeplyNestedPatternsMatchWithoutRecursion) {
    const uint32_t depth = 200000;
    uint32_t f = functionSymbolTable.add("mf_f").first;
    TERM ground = makeConstantTerm("mf_a");
    TERM pattern = makeVariableTerm(0);
    for (uint32_t i = 0; i < depth; i++) {
        ground = makeComplexTerm(COMPLEX_TERM::function(f, std::span<const TERM>(&ground, 1), true));
        pattern = makeComplexTerm(COMPLEX_TERM::function(f, std::span<const TERM>(&pattern, 1), false));
    }
    INSTANTIATOR grounder(nullptr, false, 1, GROUNDING_CONFIG{});
    EXPECT_TRUE(grounder.matchFunctionTerm(pattern, ground));
    EXPECT_EQ(grounder.substitution[0], makeConstantTerm("mf_a"));
    // One level deeper than the ground term: f(X) meets the constant, and nothing stays bound.
    grounder.substitution.clear();
    TERM shorter = makeComplexTerm(COMPLEX_TERM::function(f, std::span<const TERM>(&pattern, 1), false));
    EXPECT_FALSE(grounder.matchFunctionTerm(shorter, ground));
    EXPECT_TRUE(grounder.substitution[0].isNull());
}

} // namespace
