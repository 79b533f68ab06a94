// Aggregate functions: bounds after grounding-style element feeding, the moves of the model
// generator, copies, comparison and the interning tables.
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <vector>

#include "core/aggregate_function.h"
#include "core/atom.h"
#include "core/program.h"
#include "grounding/ground_program.h"

namespace {

struct ELEMENT {
    int32_t value;
    bool isTrue;
};

AGGREGATE_SPEC specOf(int32_t type) {
    AGGREGATE_SPEC spec;
    spec.type = type;
    spec.terms.push_back(makeVariableTerm(0));
    return spec;
}

// Feeds the elements as the grounder does: a true element is decided first, every element is
// added, undefined ones enter the own set; then the bounds are finished.
std::unique_ptr<AGGREGATEFUNCTION> grounded(int32_t type, const std::vector<ELEMENT> &elements) {
    std::unique_ptr<AGGREGATEFUNCTION> f(AGGREGATEFUNCTION::make(specOf(type)));
    f->reset();
    GATOM_ID atom = 0;
    for (const ELEMENT &e : elements) {
        TERM t = makeIntegerTerm(e.value);
        if (e.isTrue)
            f->decideElement(t, true);
        else
            f->ownSet->insert({t, atom++});
        f->addElement(t);
    }
    f->finishBounds();
    return f;
}

struct BOUNDS_CASE {
    const char *name;
    int32_t type;
    std::vector<ELEMENT> elements;
    int32_t lower, upper;
};

TEST(AggregateFunction, BoundsAfterGrounding) {
    const std::vector<BOUNDS_CASE> cases = {
        {"count of 3 true and 2 undefined", AGGREGATE_COUNT,
         {{1, true}, {2, true}, {3, true}, {4, false}, {5, false}}, 3, 5},
        {"sum of true 2, 3 and undefined 4", AGGREGATE_SUM, {{2, true}, {3, true}, {4, false}}, 5, 9},
        {"times with an undefined zero", AGGREGATE_TIMES, {{3, true}, {0, false}, {2, false}}, 0, 6},
        {"times of true values only", AGGREGATE_TIMES, {{3, true}, {2, true}}, 6, 6},
        {"times with a true zero", AGGREGATE_TIMES, {{0, true}, {5, false}}, 0, 0},
        {"max of true 2 and undefined 7", AGGREGATE_MAX, {{2, true}, {7, false}}, 2, 7},
        {"min without a true value", AGGREGATE_MIN, {{4, false}, {6, false}}, 4, INT_MAX},
        {"min with a true value", AGGREGATE_MIN, {{4, false}, {3, true}}, 3, 3},
        {"count of nothing", AGGREGATE_COUNT, {}, 0, 0},
        {"sum of nothing", AGGREGATE_SUM, {}, 0, 0},
        {"times of nothing", AGGREGATE_TIMES, {}, 1, 1},
        {"max of nothing", AGGREGATE_MAX, {}, INT_MIN, INT_MIN},
        {"min of nothing", AGGREGATE_MIN, {}, INT_MIN, INT_MIN},
    };
    for (const BOUNDS_CASE &c : cases) {
        auto f = grounded(c.type, c.elements);
        EXPECT_EQ(f->lower, c.lower) << c.name;
        EXPECT_EQ(f->upper, c.upper) << c.name;
    }
}

TEST(AggregateFunction, DecidingUndefinedElementsMovesTheBounds) {
    auto count = grounded(AGGREGATE_COUNT, {{1, true}, {2, true}, {3, true}, {4, false}, {5, false}});
    count->decideElement(makeIntegerTerm(4), false);
    EXPECT_EQ(count->upper, 4);
    count->decideElement(makeIntegerTerm(5), true);
    EXPECT_EQ(count->lower, 4);

    auto times = grounded(AGGREGATE_TIMES, {{3, true}, {0, false}, {2, false}});
    EXPECT_EQ(static_cast<TIMESFUNCTION &>(*times).productTrue, 3);
    times->decideElement(makeIntegerTerm(0), false);
    EXPECT_EQ(times->lower, 3);
    times->decideElement(makeIntegerTerm(2), true);
    EXPECT_EQ(times->lower, 6);

    auto max = grounded(AGGREGATE_MAX, {{2, true}, {7, false}});
    max->decideElement(makeIntegerTerm(7), true);
    EXPECT_EQ(max->lower, 7);
    EXPECT_EQ(max->getMaxTrue(), 7);

    auto min = grounded(AGGREGATE_MIN, {{4, false}, {6, false}});
    min->decideElement(makeIntegerTerm(6), true);
    EXPECT_EQ(min->upper, 6);
    EXPECT_EQ(min->lower, 4);
}

TEST(AggregateFunction, OnlyMaxAndMinWithoutElementsHaveNoValue) {
    EXPECT_TRUE(grounded(AGGREGATE_MAX, {})->hasNoValue());
    EXPECT_TRUE(grounded(AGGREGATE_MIN, {})->hasNoValue());
    EXPECT_FALSE(grounded(AGGREGATE_MAX, {{1, false}})->hasNoValue());
    EXPECT_FALSE(grounded(AGGREGATE_COUNT, {})->hasNoValue());
    EXPECT_FALSE(grounded(AGGREGATE_SUM, {})->hasNoValue());
    EXPECT_FALSE(grounded(AGGREGATE_TIMES, {})->hasNoValue());
}

TEST(AggregateFunction, SumsAndProductsWrapInsteadOfOverflowing) {
    auto sum = grounded(AGGREGATE_SUM, {{INT_MAX, true}, {1, true}});
    EXPECT_EQ(sum->lower, INT_MIN);
    auto times = grounded(AGGREGATE_TIMES, {{65536, false}, {65536, false}});
    EXPECT_EQ(times->upper, 0);
}

TEST(AggregateFunction, KindsWithoutAClassMakeNoObject) {
    EXPECT_EQ(AGGREGATEFUNCTION::make(specOf(AGGREGATE_ANY)), nullptr);
    EXPECT_EQ(AGGREGATEFUNCTION::make(specOf(AGGREGATE_AVG)), nullptr);
    EXPECT_STREQ(aggregateName(AGGREGATE_TIMES), "#times");
}

TEST(AggregateFunction, CloneKeepsTheClassTheExtrasAndTheOwnSet) {
    auto max = grounded(AGGREGATE_MAX, {{2, true}, {7, false}});
    std::unique_ptr<AGGREGATEFUNCTION> copy(max->clone());
    ASSERT_NE(dynamic_cast<MAXFUNCTION *>(copy.get()), nullptr);
    EXPECT_EQ(copy->getMaxTrue(), 2);
    EXPECT_EQ(copy->getMaxUndefined(), 7);
    EXPECT_EQ(copy->ownSet->size(), 1u);
    EXPECT_NE(copy->ownSet.get(), max->ownSet.get());
}

// #count takes any term; the functions that add, multiply or compare values take integers only,
// and the grounder refuses the others before they reach the function.
TEST(AggregateFunction, OnlyCountAcceptsTermsThatAreNoIntegers) {
    for (int32_t type : {AGGREGATE_COUNT, AGGREGATE_SUM, AGGREGATE_TIMES, AGGREGATE_MIN, AGGREGATE_MAX}) {
        SCOPED_TRACE(aggregateName(type));
        std::unique_ptr<AGGREGATEFUNCTION> f(AGGREGATEFUNCTION::make(specOf(type)));
        EXPECT_TRUE(f->acceptsElement(makeIntegerTerm(-3)));
        EXPECT_EQ(f->acceptsElement(makeConstantTerm("a")), type == AGGREGATE_COUNT);
    }
    std::unique_ptr<AGGREGATEFUNCTION> sum(AGGREGATEFUNCTION::make(specOf(AGGREGATE_SUM)));
    testing::internal::CaptureStderr();
    sum->reportNonIntegerElement();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Error: free variables inside the #sum aggregate must only be instantiated with integer values.\n");
}

ATOM aggregateAtomOver(AGGREGATEFUNCTION *function) {
    uint32_t predicate = predicateTable.add("#count", 0, PREDICATE_AGGREGATE).first;
    AGGREGATE_ATOM part;
    part.function = function;
    part.lowerGuard = makeIntegerTerm(0);
    part.upperGuard = makeIntegerTerm(2);
    part.lowerInclusive = part.upperInclusive = 1;
    return ATOM(predicate, std::move(part));
}

TEST(AggregateAtom, CopiesOwnTheirFunction) {
    TERMS args{makeVariableTerm(0)};
    AGGREGATE_SPEC spec = specOf(AGGREGATE_COUNT);
    spec.conjunction.append(LITERAL(ATOM("aggq", &args, PREDICATE_UNDEFINED), false));
    ATOM original = aggregateAtomOver(AGGREGATEFUNCTION::make(spec));
    ATOM copy(original);
    ASSERT_NE(copy.aggregate()->function, original.aggregate()->function);
    EXPECT_EQ(compareAtom(original, copy), 0);
    { ATOM doomed(original); }
    EXPECT_EQ(original.aggregate()->function->conjunction.size(), 1u);
}

// Ordered containers of atoms need a strict order: two aggregates that differ only in their
// aggregated-over terms are different and order one way, never "greater" both ways.
TEST(AggregateAtom, FunctionsOverDifferentTermsOrderOneWay) {
    TERMS args{makeVariableTerm(0), makeVariableTerm(1)};
    AGGREGATE_SPEC a = specOf(AGGREGATE_COUNT);
    a.conjunction.append(LITERAL(ATOM("aggr", &args, PREDICATE_UNDEFINED), false));
    AGGREGATE_SPEC b = specOf(AGGREGATE_COUNT);
    b.terms[0] = makeVariableTerm(1);
    b.conjunction.append(LITERAL(ATOM("aggr", &args, PREDICATE_UNDEFINED), false));
    ATOM x = aggregateAtomOver(AGGREGATEFUNCTION::make(a));
    ATOM y = aggregateAtomOver(AGGREGATEFUNCTION::make(b));
    int xy = compareAtom(x, y), yx = compareAtom(y, x);
    EXPECT_NE(xy, 0);
    EXPECT_EQ(xy < 0, yx > 0);
    EXPECT_EQ(compareAtom(x, x), 0);
}

TEST(GroundSet, ElementsReadBackInOrderWithoutRepeats) {
    // Elements order by term (integers by value, constants before integers), then by atom.
    GROUND_SET set;
    TERM two = makeIntegerTerm(2), one = makeIntegerTerm(1), a = makeConstantTerm("gse_a");
    for (GROUND_SET_ELEMENT e : {GROUND_SET_ELEMENT{two, 7}, GROUND_SET_ELEMENT{one, 9}, GROUND_SET_ELEMENT{two, 3},
                                 GROUND_SET_ELEMENT{one, 9}, GROUND_SET_ELEMENT{a, 4}, GROUND_SET_ELEMENT{two, 7}})
        set.insert(e);
    std::vector<std::pair<TERM, GATOM_ID>> seen;
    for (const GROUND_SET_ELEMENT &e : set) seen.push_back({e.term, e.atom});
    EXPECT_EQ(seen, (std::vector<std::pair<TERM, GATOM_ID>>{{a, 4}, {one, 9}, {two, 3}, {two, 7}}));
    EXPECT_EQ(set.size(), 4u);
    GROUND_SET copy = set;
    copy.insert(GROUND_SET_ELEMENT{one, 1});
    EXPECT_EQ(copy.size(), 5u);
    EXPECT_EQ(set.size(), 4u);
    set.clear();
    EXPECT_TRUE(set.empty());
}

TEST(AggregateInterning, EqualSetsAndFunctionsShareOneEntry) {
    TERMS args{makeIntegerTerm(1)};
    GATOM_ID p1 = groundAtomTable.add(ATOM("aggp", &args, PREDICATE_UNDEFINED));
    args[0] = makeIntegerTerm(2);
    GATOM_ID p2 = groundAtomTable.add(ATOM("aggp", &args, PREDICATE_UNDEFINED));

    auto f = grounded(AGGREGATE_SUM, {});
    f->ownSet->insert({makeIntegerTerm(1), p1});
    f->ownSet->insert({makeIntegerTerm(2), p2});
    auto g = std::unique_ptr<AGGREGATEFUNCTION>(f->clone());
    auto h = grounded(AGGREGATE_SUM, {});
    h->ownSet->insert({makeIntegerTerm(1), p1});

    f->internGroundSet();
    g->internGroundSet();
    h->internGroundSet();
    EXPECT_EQ(f->ownSet, nullptr);
    EXPECT_EQ(f->setIndex, g->setIndex);
    EXPECT_NE(f->setIndex, h->setIndex);
    EXPECT_EQ(f->groundSet().size(), 2u);

    auto [first, inserted] = aggregateFunctionTable.intern(*f);
    EXPECT_TRUE(inserted);
    auto [second, again] = aggregateFunctionTable.intern(*g);
    EXPECT_FALSE(again);
    EXPECT_EQ(first, second);
    EXPECT_EQ(aggregateFunctionTable[first].ownSet, nullptr);
    EXPECT_EQ(aggregateFunctionCount, aggregateFunctionTable.size());

    // The same set under another kind is another function.
    auto count = grounded(AGGREGATE_COUNT, {});
    count->setIndex = f->setIndex;
    count->ownSet.reset();
    EXPECT_TRUE(aggregateFunctionTable.intern(*count).second);
}

} // namespace
