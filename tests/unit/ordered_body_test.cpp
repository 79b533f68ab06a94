// Body ordering: the initial order by extension size and solved literals, the greedy order of
// -OGo2 (through the "Ordered Body:" trace), the semi-naive variants, the error reports and the
// index argument choice.
#include <gtest/gtest.h>

#include <string>

#include "core/aggregate_function.h"
#include "core/builtin.h"
#include "core/printer.h"
#include "core/program.h"
#include "grounding/ordered_body.h"
#include "grounding/selectivity_statistics.h"
#include "support/option_values.h"

namespace {

TERM var(uint32_t v) { return makeVariableTerm(v); }
TERM c(const std::string &name) { return makeConstantTerm(name.c_str()); }

ATOM edb(const std::string &name, std::vector<TERM> args) {
    return ATOM(name.c_str(), std::span<const TERM>(args), PREDICATE_EDB);
}
ATOM idb(const std::string &name, std::vector<TERM> args) {
    return ATOM(name.c_str(), std::span<const TERM>(args), PREDICATE_IDB);
}
LITERAL pos(ATOM a) { return LITERAL(std::move(a), false); }
LITERAL neg(ATOM a) { return LITERAL(std::move(a), true); }
LITERAL builtin(const char *name, std::vector<TERM> args) {
    return LITERAL(BUILTIN_TYPE::makeAtom(newBuiltin(name), TERMS(args.begin(), args.end())), false);
}
// count{terms : set} with the given guards; an assignment has the same variable in both.
LITERAL countAggregate(TERM lower, TERM upper, bool assignment, std::vector<TERM> terms, LITERAL set) {
    AGGREGATE_SPEC spec;
    spec.type = AGGREGATE_COUNT;
    spec.terms = TERMS(terms.begin(), terms.end());
    spec.conjunction.append(std::move(set));
    AGGREGATE_ATOM part;
    part.function = AGGREGATEFUNCTION::make(spec);
    part.lowerGuard = lower;
    part.lowerInclusive = 1;
    part.upperGuard = upper;
    part.upperInclusive = 1;
    part.assignment = assignment;
    uint32_t p = predicateTable.add("#count", 0, PREDICATE_AGGREGATE).first;
    return LITERAL(ATOM(p, std::move(part)), false);
}

void addFacts(const std::string &name, uint32_t arity, uint32_t count) {
    for (uint32_t i = 0; i < count; i++) {
        std::vector<TERM> args;
        for (uint32_t j = 0; j < arity; j++)
            args.push_back(makeIntegerTerm(int32_t(i * 7 + j)));
        EDB.insert(edb(name, args));
    }
}

// The grounder's per-predicate arrays, filled from the EDB; IDB predicates are complete unless
// a test says otherwise.
struct GROUNDER_STATE {
    std::vector<uint32_t> atomCount, deltaCount;
    std::vector<uint8_t> complete, noUndefined;
    INTERPRETATION delta;
    GROUNDER_STATE() {
        uint32_t n = predicateTable.size();
        atomCount.assign(n, 0);
        deltaCount.assign(n, 0);
        complete.assign(n, 1);
        noUndefined.assign(n, 1);
        for (uint32_t p = 0; p < n; p++) {
            atomCount[p] = uint32_t(EDB.atomsOf(p).size());
            if (predicateTable.kind(p) == PREDICATE_BUILTIN || predicateTable.kind(p) == PREDICATE_AGGREGATE)
                complete[p] = 0;
        }
    }
    void setCount(const std::string &name, uint32_t count) { atomCount[predicateTable.find(name).first] = count; }
    void setDelta(const std::string &name, uint32_t count) { deltaCount[predicateTable.find(name).first] = count; }
    void incomplete(const std::string &name) { complete[predicateTable.find(name).first] = 0; }
};

// The grounder's settings that each test changes before it orders a body.
GROUNDING_CONFIG config;

class OrderedBody : public ::testing::Test {
protected:
    void SetUp() override {
        config = GROUNDING_CONFIG{};
        delete selectivityStatistics;
        selectivityStatistics = nullptr;
    }
    void TearDown() override {
        delete selectivityStatistics;
        selectivityStatistics = nullptr;
    }
};

CONJUNCTION body(std::vector<LITERAL> literals) {
    CONJUNCTION b;
    for (LITERAL &l : literals)
        b.append(std::move(l));
    return b;
}

std::string orderText(const ORDERED_BODY &o) {
    std::string s;
    for (uint32_t k = 0; k < o.literalCount; k++) {
        const LITERAL &l = o.literalAt(k);
        char *buffer = nullptr;
        size_t size = 0;
        FILE *f = open_memstream(&buffer, &size);
        if (l.isNegated())
            fputs("not ", f);
        printAtom(f, l.atom);
        fclose(f);
        if (k)
            s += ", ";
        s += buffer;
        free(buffer);
    }
    return s;
}

ORDERED_BODY exitOrder(const CONJUNCTION &b, GROUNDER_STATE &g) {
    return ORDERED_BODY(b, g.atomCount, g.deltaCount, g.complete, g.noUndefined, true, 1, &g.delta, config);
}

TEST_F(OrderedBody, SimpleOrderingSortsByExtensionSizeStably) {
    config.optOGo = 1;
    addFacts("ob_a", 1, 5);
    addFacts("ob_b", 1, 2);
    addFacts("ob_c", 1, 3);
    addFacts("ob_d", 1, 3);
    CONJUNCTION b1 = body({pos(edb("ob_a", {var(0)})), pos(edb("ob_b", {var(0)}))});
    CONJUNCTION b2 = body({pos(edb("ob_c", {var(0)})), pos(edb("ob_d", {var(0)}))});
    GROUNDER_STATE g;
    ORDERED_BODY o1 = exitOrder(b1, g);
    EXPECT_EQ(orderText(o1), "ob_b(_0), ob_a(_0)");
    EXPECT_EQ(o1.positionOfLiteral(0), 1u);
    ORDERED_BODY o2 = exitOrder(b2, g);
    EXPECT_EQ(orderText(o2), "ob_c(_0), ob_d(_0)");
    config.optOGo = 0;
    ORDERED_BODY written = exitOrder(b1, g);
    EXPECT_EQ(orderText(written), "ob_a(_0), ob_b(_0)");
}

TEST_F(OrderedBody, SolvedLiteralsFillThePositiveRangeFromItsEnd) {
    // p(X) :- q(X,X), r(Y), s(Z).: the first solved literal goes last; the greedy ordering is
    // skipped (one literal is not solved), so nothing is traced.
    addFacts("os_q", 2, 4);
    addFacts("os_r", 1, 2);
    addFacts("os_s", 1, 2);
    CONJUNCTION b = body({pos(edb("os_q", {var(0), var(0)})), pos(edb("os_r", {var(1)})),
                          pos(edb("os_s", {var(2)}))});
    GROUNDER_STATE g;
    config.optStatsGrounding = true;
    for (uint32_t level : {1u, 2u}) {
        config.optOGo = level;
        testing::internal::CaptureStderr();
        ORDERED_BODY o = exitOrder(b, g);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(orderText(o), "os_q(_0,_0), os_s(_2), os_r(_1)");
        EXPECT_EQ(o.solvedCount, 2u);
    }
}

TEST_F(OrderedBody, GreedyTraceShowsBoundNegationBeforeOpenLiterals) {
    config.optOGo = 2;
    config.optStatsGrounding = true;
    addFacts("on_q", 1, 2);
    addFacts("on_s", 2, 6);
    addFacts("on_t", 1, 2);
    // q(X), s(X,Y), not t(X): q has the smaller estimate (2*6/36 against 6*6/36); once X is
    // bound the negated literal (code 2) beats s with its free Y (code 3).
    CONJUNCTION b = body({pos(edb("on_s", {var(0), var(1)})), pos(edb("on_q", {var(0)})),
                          neg(edb("on_t", {var(0)}))});
    GROUNDER_STATE g;
    testing::internal::CaptureStderr();
    ORDERED_BODY o = exitOrder(b, g);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "               Ordered Body:\n"
                   "               on_q(_0), not on_t(_0), on_s(_0,_1)\n");
    EXPECT_FALSE(o.hasError());
}

TEST_F(OrderedBody, GreedyOrderFollowsTheEstimatedResultSizes) {
    config.optOGo = 2;
    config.optStatsGrounding = true;
    addFacts("og_q", 1, 3);
    addFacts("og_s", 2, 5);
    addFacts("og_u", 1, 4);
    // Domains: X 5, Y 5. Estimates q 3*5/25, s 5*5/25*5/25, u 4*5/25: s first; then u and q
    // are fully bound (code 1) and keep their order from the size sort.
    CONJUNCTION b = body({pos(edb("og_q", {var(0)})), pos(edb("og_s", {var(0), var(1)})),
                          pos(edb("og_u", {var(1)}))});
    GROUNDER_STATE g;
    testing::internal::CaptureStderr();
    ORDERED_BODY o = exitOrder(b, g);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "               Ordered Body:\n               og_s(_0,_1), og_u(_1), og_q(_0)\n");
}

TEST_F(OrderedBody, NoTraceWhenTheGreedyOrderingIsSkipped) {
    config.optOGo = 2;
    config.optStatsGrounding = true;
    addFacts("ot_q", 2, 3);
    addFacts("ot_r", 1, 3);
    GROUNDER_STATE g;
    CONJUNCTION single = body({pos(edb("ot_q", {var(0), var(1)}))});
    // p(X,Y) :- q(X,Y), r(Z).: r(Z) is solved and goes after q; one non-solved literal.
    CONJUNCTION withSolved = body({pos(edb("ot_r", {var(2)})), pos(edb("ot_q", {var(0), var(1)}))});
    testing::internal::CaptureStderr();
    ORDERED_BODY o1 = exitOrder(single, g);
    ORDERED_BODY o2 = exitOrder(withSolved, g);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(orderText(o2), "ot_q(_0,_1), ot_r(_2)");
}

TEST_F(OrderedBody, EqualCandidatesKeepTheEarlierOneUnlessTheOtherHasMoreUnboundArguments) {
    config.optOGo = 2;
    addFacts("oe_a", 2, 3);
    addFacts("oe_b", 2, 3);
    addFacts("oe_c", 3, 3);
    GROUNDER_STATE g;
    // a(X,Y), b(X,Y): symmetric, the written order stays.
    CONJUNCTION same = body({pos(edb("oe_a", {var(0), var(1)})), pos(edb("oe_b", {var(0), var(1)}))});
    EXPECT_EQ(orderText(exitOrder(same, g)), "oe_a(_0,_1), oe_b(_0,_1)");
}

TEST_F(OrderedBody, IntWaitsForItsRangeToBeBound) {
    // #int(L,H,X) written first: it may only run once L and H are bound by p and q.
    config.optOGo = 2;
    addFacts("oi_p", 1, 3);
    addFacts("oi_q", 1, 3);
    CONJUNCTION b = body({builtin("#int", {var(0), var(1), var(2)}), pos(edb("oi_p", {var(0)})),
                          pos(edb("oi_q", {var(1)})), pos(edb("oi_r", {var(2)}))});
    addFacts("oi_r", 1, 3);
    GROUNDER_STATE g;
    ORDERED_BODY o = exitOrder(b, g);
    EXPECT_FALSE(o.hasError());
    std::string text = orderText(o);
    EXPECT_LT(text.find("oi_p"), text.find("#int"));
    EXPECT_LT(text.find("oi_q"), text.find("#int"));
}

TEST_F(OrderedBody, BuiltinWhoseInputsCannotBeBoundIsReported) {
    config.optOGo = 2;
    addFacts("ou_p", 1, 2);
    CONJUNCTION b = body({pos(edb("ou_p", {var(0)})), builtin("#succ", {var(1), var(2)})});
    GROUNDER_STATE g;
    testing::internal::CaptureStderr();
    ORDERED_BODY o = exitOrder(b, g);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Cyclic dependency among aggregates and builtins \n");
    EXPECT_EQ(o.builtinState, 2);
    EXPECT_TRUE(o.hasError());
}

TEST_F(OrderedBody, IntWithUnboundRangeIsACyclicDependencyNotAnEarlyEnumeration) {
    config.optOGo = 2;
    addFacts("oj_p", 1, 2);
    CONJUNCTION b = body({builtin("#int", {var(1), var(2), var(0)}), pos(edb("oj_p", {var(0)}))});
    GROUNDER_STATE g;
    testing::internal::CaptureStderr();
    ORDERED_BODY o = exitOrder(b, g);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Cyclic dependency among aggregates and builtins \n");
    EXPECT_EQ(o.builtinState, 2);
}

TEST_F(OrderedBody, EmptyLiteralEndsTheStatementOrStartsItsVariant) {
    config.optOGo = 2;
    addFacts("oz_e", 1, 2);
    GROUNDER_STATE g;
    // An exit body with an EDB literal without facts: no match, no further variant.
    CONJUNCTION b = body({pos(edb("oz_e", {var(0)})), pos(edb("oz_none", {var(0)}))});
    GROUNDER_STATE g2;
    ORDERED_BODY o = exitOrder(b, g2);
    EXPECT_TRUE(o.variantEmpty);
    EXPECT_TRUE(o.noFurtherVariant);

    // A recursive body p(X), e(X), q(X) whose Delta literal p has no new atom: it is put first,
    // the variant has no match, and the next variant follows.
    CONJUNCTION r = body({pos(idb("oz_p", {var(0)})), pos(edb("oz_e", {var(0)})), pos(idb("oz_q", {var(0)}))});
    GROUNDER_STATE h;
    h.incomplete("oz_p");
    h.incomplete("oz_q");
    h.setCount("oz_p", 4);
    h.setCount("oz_q", 4);
    h.setDelta("oz_q", 1);
    ORDERED_BODY v(r, h.atomCount, h.deltaCount, h.complete, h.noUndefined, false, 3, &h.delta, config);
    EXPECT_EQ(v.deltaLiteral, 0);
    EXPECT_EQ(v.lastRecursive, 2);
    EXPECT_TRUE(v.variantEmpty);
    EXPECT_FALSE(v.noFurtherVariant);
    EXPECT_EQ(v.literalIndexAt(0), 0u);
    EXPECT_FALSE(v.noFurtherVariantLeft());

    v.nextSemiNaiveVariant();
    EXPECT_FALSE(v.variantEmpty);
    EXPECT_EQ(v.deltaLiteral, 2);
    EXPECT_EQ(v.semiNaiveCode[0], uint32_t(SEMI_NAIVE_I));
    EXPECT_EQ(v.semiNaiveCode[2], uint32_t(SEMI_NAIVE_DELTA));
    EXPECT_EQ(v.literalIndexAt(0), 2u);  // the one new atom of q is matched first
    EXPECT_TRUE(v.noFurtherVariantLeft());
    EXPECT_EQ(v.currentPosition, 0u);
}

TEST_F(OrderedBody, FirstIterationMatchesEveryRecursiveLiteralAgainstIAndDelta) {
    config.optOGo = 1;
    CONJUNCTION r = body({pos(idb("of_p", {var(0)})), pos(idb("of_q", {var(0)}))});
    GROUNDER_STATE h;
    h.incomplete("of_p");
    h.incomplete("of_q");
    h.setDelta("of_p", 2);
    h.setDelta("of_q", 3);
    ORDERED_BODY first(r, h.atomCount, h.deltaCount, h.complete, h.noUndefined, false, 0, &h.delta, config);
    EXPECT_EQ(first.semiNaiveCode[0], uint32_t(SEMI_NAIVE_I_DELTA));
    EXPECT_EQ(first.semiNaiveCode[1], uint32_t(SEMI_NAIVE_I_DELTA));
    EXPECT_EQ(first.deltaLiteral, 0);
    config.optOGs = false;
    ORDERED_BODY noSemiNaive(r, h.atomCount, h.deltaCount, h.complete, h.noUndefined, false, 4, &h.delta, config);
    EXPECT_EQ(noSemiNaive.deltaLiteral, -1);
    EXPECT_TRUE(noSemiNaive.noFurtherVariantLeft());
}

TEST_F(OrderedBody, AggregateIsNeverTheDeltaLiteral) {
    config.optOGo = 2;
    addFacts("oa_s", 2, 3);
    // p(X) :- N = #count{Y : s(X,Y)}, p(X), q(X): the aggregate is written before the
    // recursive literals, yet p is the Delta literal and q the last recursive one.
    LITERAL agg = countAggregate(var(1), var(1), true, {var(2)}, pos(edb("oa_s", {var(0), var(2)})));
    CONJUNCTION r = body({std::move(agg), pos(idb("oa_p", {var(0)})), pos(idb("oa_q", {var(0)}))});
    GROUNDER_STATE h;
    h.incomplete("oa_p");
    h.incomplete("oa_q");
    h.setCount("oa_p", 3);
    h.setCount("oa_q", 3);
    h.setDelta("oa_p", 1);
    h.setDelta("oa_q", 1);
    ORDERED_BODY v(r, h.atomCount, h.deltaCount, h.complete, h.noUndefined, false, 2, &h.delta, config);
    EXPECT_EQ(v.deltaLiteral, 1);
    EXPECT_EQ(v.lastRecursive, 2);
    EXPECT_EQ(v.recursive[0], 0);
    EXPECT_EQ(v.aggregateState, 1);
    // Not ready before p or q binds X: it comes last.
    EXPECT_EQ(v.positionOfLiteral(0), 2u);
    EXPECT_TRUE(v.aggregateHasVariable(0, 0));
    EXPECT_TRUE(v.aggregateHasVariable(0, 1));
    EXPECT_FALSE(v.aggregateHasVariable(0, 2));
    EXPECT_EQ(v.firstBinding[1], int32_t(v.positionOfLiteral(0)));
}

TEST_F(OrderedBody, AssignmentBlockedOnlyByItsOwnGlobalsIsReported) {
    config.optOGo = 2;
    addFacts("ox_s", 2, 3);
    // N = #count{Y : s(X,Y)} with X bound by nothing: the set's predicate is complete and has
    // no undefined atom, so only the aggregate's own unbound globals block it.
    LITERAL agg = countAggregate(var(1), var(1), true, {var(2)}, pos(edb("ox_s", {var(0), var(2)})));
    char *buffer = nullptr;
    size_t size = 0;
    FILE *f = open_memstream(&buffer, &size);
    printAtom(f, agg.atom);
    fclose(f);
    std::string printed = buffer;
    free(buffer);
    CONJUNCTION b = body({std::move(agg)});
    GROUNDER_STATE g;
    testing::internal::CaptureStderr();
    ORDERED_BODY o = exitOrder(b, g);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Cyclic assignment dependency for _1 in " + printed + "\n");
    EXPECT_EQ(o.aggregateState, 2);
    // While the set's predicate may still gain undefined atoms nothing is reported.
    g.noUndefined[predicateTable.find("ox_s").first] = 0;
    testing::internal::CaptureStderr();
    ORDERED_BODY quiet = exitOrder(b, g);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(quiet.aggregateState, 1);
}

TEST_F(OrderedBody, WithoutGreedyOrderingAnAggregateStillWaitsForItsGlobalVariables) {
    addFacts("ow_s", 2, 3);
    addFacts("ow_d", 1, 2);
    // N = #count{Y : s(X,Y)}, d(X): written order would evaluate the aggregate with X unbound.
    LITERAL agg = countAggregate(var(1), var(1), true, {var(2)}, pos(edb("ow_s", {var(0), var(2)})));
    CONJUNCTION b = body({std::move(agg), pos(edb("ow_d", {var(0)}))});
    GROUNDER_STATE g;
    for (uint32_t level : {0u, 1u}) {
        SCOPED_TRACE(level);
        config.optOGo = level;
        ORDERED_BODY o = exitOrder(b, g);
        EXPECT_EQ(o.literalIndexAt(0), 1u);
        EXPECT_EQ(o.literalIndexAt(1), 0u);
        EXPECT_EQ(o.firstBinding[0], 0);
        EXPECT_EQ(o.firstBinding[1], 1);
    }
}

TEST_F(OrderedBody, FirstBindingsFollowTheOrder) {
    config.optOGo = 1;
    addFacts("oq_a", 2, 4);
    addFacts("oq_b", 1, 1);
    CONJUNCTION b = body({pos(edb("oq_a", {var(0), var(1)})), pos(edb("oq_b", {var(1)}))});
    GROUNDER_STATE g;
    ORDERED_BODY o = exitOrder(b, g);
    EXPECT_EQ(o.firstBinding, (std::vector<int32_t>{1, 0}));
    EXPECT_EQ(o.highestVariable, 1u);
    EXPECT_EQ(o.occurrences[1], 2u);
}

TEST_F(OrderedBody, IndexArgumentPrefersTheMostSelectiveBoundArgument) {
    EDB.insert(edb("obi_p", {c("obi_a"), c("obi_x")}));
    EDB.insert(edb("obi_p", {c("obi_a"), c("obi_y")}));
    EDB.insert(edb("obi_p", {c("obi_b"), c("obi_z")}));
    LITERAL l = pos(edb("obi_p", {var(0), var(1)}));
    std::vector<int32_t> bothBound = {0, 0};
    std::vector<int32_t> firstBound = {0, 2};
    // Both bound before position 1: a membership test, no index.
    EXPECT_EQ(chooseIndexArgument(l, 1, bothBound, false, nullptr), -1);
    EXPECT_EQ(chooseIndexArgument(l, 1, firstBound, false, nullptr), 0);
    // At position 0 nothing is bound: the literal is scanned.
    EXPECT_EQ(chooseIndexArgument(l, 0, bothBound, false, nullptr), -1);
    delete selectivityStatistics;
    selectivityStatistics = nullptr;
    LITERAL reversed = pos(edb("obi_p", {var(1), var(0)}));
    EXPECT_EQ(chooseIndexArgument(reversed, 1, std::vector<int32_t>{0, 0}, false, nullptr), -1);
    // Y (slot 1) bound, X never bound: the argument with more distinct values that is bound.
    EXPECT_EQ(chooseIndexArgument(reversed, 1, std::vector<int32_t>{-1, 0}, false, nullptr), 0);
    EXPECT_EQ(chooseIndexArgument(pos(edb("obi_p", {c("obi_a"), var(0)})), 1, std::vector<int32_t>{0},
                                  false, nullptr),
              -1);
}

TEST_F(OrderedBody, VariableThatIsNeverBoundIsNoIndexArgument) {
    EDB.insert(edb("obv_p", {c("obv_a"), c("obv_x")}));
    EDB.insert(edb("obv_p", {c("obv_b"), c("obv_y")}));
    LITERAL l = pos(edb("obv_p", {var(0), var(1)}));
    // X bound at position 0, Y bound by nothing (-1): look up by X, never treat Y as bound.
    EXPECT_EQ(chooseIndexArgument(l, 1, std::vector<int32_t>{0, -1}, false, nullptr), 0);
    EXPECT_EQ(chooseIndexArgument(l, 1, std::vector<int32_t>{-1, -1}, false, nullptr), -1);
}

}  // namespace
