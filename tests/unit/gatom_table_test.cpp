#include <gtest/gtest.h>

#include <vector>

#include "core/aggregate_function.h"
#include "core/program.h"
#include "grounding/ground_program.h"

namespace {

TERM c(const char *name) { return makeConstantTerm(name); }
ATOM atom(const char *predicate, std::vector<TERM> args) { return ATOM(predicate, args, PREDICATE_IDB); }

TEST(GatomTable, NumbersInOrderOfFirstInsertion) {
    GATOM_TABLE table;
    ATOM pab = atom("kgt_p", {c("kgt_a"), c("kgt_b")});
    ATOM pba = atom("kgt_p", {c("kgt_b"), c("kgt_a")});
    EXPECT_EQ(table.find(pab), -1);
    EXPECT_EQ(table.add(pab), 0);
    EXPECT_EQ(table.add(pba), 1) << "argument order matters";
    EXPECT_EQ(table.add(atom("kgt_p", {c("kgt_a"), c("kgt_b")})), 0);
    EXPECT_EQ(table.size(), 2u);
    EXPECT_EQ(table.add(atom("kgt_q", {})), 2);
    EXPECT_EQ(table.add(pba.predicate, std::vector<TERM>{c("kgt_b"), c("kgt_a")}), 1);
    EXPECT_EQ(table.add(pba.predicate, std::vector<TERM>{c("kgt_b"), c("kgt_b")}), 3);
    EXPECT_EQ(table.find(pba), 1);
    EXPECT_EQ(table.find(pba.predicate, std::vector<TERM>{c("kgt_b"), c("kgt_a")}), 1);
    EXPECT_EQ(table.find(pba.predicate, std::vector<TERM>{c("kgt_a"), c("kgt_a")}), -1);
    EXPECT_EQ(compareAtom(pba, table[1].view()), 0);
}

TEST(GatomTable, AtomsHeldBySetsAreNumberedOnlyWhenAdded) {
    // Atoms of the atom store (held by an atom set) have rows but no number until added; the
    // numbers follow the order of adding, not the rows, and each table numbers on its own.
    ATOM_SETS sets;
    for (const char *x : {"kgr_a", "kgr_b", "kgr_c"}) sets.insert(atom("kgr_p", {c(x)}));
    GATOM_TABLE table, other;
    EXPECT_EQ(table.find(atom("kgr_p", {c("kgr_b")})), -1);
    EXPECT_EQ(table.add(atom("kgr_p", {c("kgr_c")})), 0);
    EXPECT_EQ(table.add(atom("kgr_q", {c("kgr_a")})), 1);
    EXPECT_EQ(table.add(atom("kgr_p", {c("kgr_a")})), 2);
    EXPECT_EQ(table.find(atom("kgr_p", {c("kgr_b")})), -1);
    EXPECT_EQ(table.find(atom("kgr_p", {c("kgr_c")})), 0);
    EXPECT_EQ(other.add(atom("kgr_p", {c("kgr_a")})), 0);
    EXPECT_EQ(other.find(atom("kgr_p", {c("kgr_c")})), -1);
    EXPECT_EQ(compareAtom(atom("kgr_p", {c("kgr_a")}), table[2].view()), 0);
    table.clear();
    EXPECT_EQ(table.find(atom("kgr_p", {c("kgr_c")})), -1);
    EXPECT_EQ(table.add(atom("kgr_p", {c("kgr_b")})), 0);
}

TEST(GatomTable, ManyStructuredAtomsKeepTheirNumbersAndPlaces) {
    GATOM_TABLE table;
    uint32_t f = functionSymbolTable.add("kgm_f").first;
    const TERM *first = nullptr;
    for (int32_t i = 0; i < 30000; i++) {
        TERM t = makeComplexTerm(COMPLEX_TERM::function(f, std::vector<TERM>{makeIntegerTerm(i % 100), makeIntegerTerm(i / 100)}, true));
        ASSERT_EQ(table.add(atom("kgm_p", {t, makeIntegerTerm(i % 7)})), i);
        if (i == 0) first = table[0].args().data();
    }
    EXPECT_EQ(first, table[0].args().data()) << "stored atoms never move";
    for (int32_t i = 0; i < 30000; i += 97) {
        TERM t = makeComplexTerm(COMPLEX_TERM::function(f, std::vector<TERM>{makeIntegerTerm(i % 100), makeIntegerTerm(i / 100)}, true));
        EXPECT_EQ(table.find(atom("kgm_p", {t, makeIntegerTerm(i % 7)})), i);
    }
}

TEST(GatomTable, AggregateAtomsAreToldApartByFullComparison) {
    uint32_t sum = predicateTable.add("#sum", 0, PREDICATE_AGGREGATE).first;
    // #sum{Y : kgs_r(x,Y)} >= lower, one symbolic set per x, all with equal guards.
    auto aggregate = [&](int lower, int x) {
        AGGREGATE_SPEC spec;
        spec.type = AGGREGATE_SUM;
        spec.terms = TERMS{makeVariableTerm(1)};
        spec.conjunction.append(LITERAL(ATOM("kgs_r", std::vector<TERM>{makeIntegerTerm(x), makeVariableTerm(1)},
                                             PREDICATE_IDB),
                                        false));
        spec.set = std::make_unique<GROUND_SET>();
        spec.set->insert(GROUND_SET_ELEMENT{makeIntegerTerm(x), GATOM_ID(x)});
        AGGREGATE_ATOM part;
        part.function = AGGREGATEFUNCTION::make(spec);
        part.lowerGuard = makeIntegerTerm(lower);
        part.lowerInclusive = 1;
        part.upperGuard = makeIntegerTerm(100);
        part.upperInclusive = 1;
        return ATOM(sum, std::move(part));
    };
    GATOM_TABLE table;
    EXPECT_EQ(table.add(aggregate(1, 0)), 0);
    EXPECT_EQ(table.add(aggregate(2, 0)), 1);
    EXPECT_EQ(table.add(aggregate(1, 0)), 0);
    EXPECT_EQ(hashAtom(aggregate(1, 0)), hashAtom(aggregate(1, 0)));
    for (int x = 1; x <= 3000; x++) ASSERT_EQ(table.add(aggregate(1, x)), 1 + x);
    for (int x = 0; x <= 3000; x += 250) EXPECT_EQ(table.find(aggregate(1, x)), x == 0 ? 0 : 1 + x);
    EXPECT_EQ(table.find(aggregate(3, 5)), -1);
}

TEST(GatomTableDeathTest, FreezeAllowsKnownAtomsOnly) {
    GATOM_TABLE table;
    ATOM known = atom("kfz_p", {c("kfz_a")});
    table.add(known);
    table.freeze();
    EXPECT_EQ(table.add(known), 0);
    EXPECT_EXIT(table.add(atom("kfz_p", {c("kfz_new")})), testing::ExitedWithCode(99), "freeze violation");
}

TEST(GroundBody, AddKeepsPositivesFirstAndDropsDuplicates) {
    GBODY body;
    EXPECT_EQ(body.firstNegative, 0u);
    body.add(GLITERAL(1, false)); // p
    body.add(GLITERAL(2, true));  // not q
    body.add(GLITERAL(1, false)); // p again
    body.add(GLITERAL(3, false)); // r
    body.add(GLITERAL(2, true));
    EXPECT_EQ(body.literals, (std::vector<GLITERAL>{{1, false}, {3, false}, {2, true}}));
    EXPECT_EQ(body.firstNegative, 2u);
    body.add(GLITERAL(1, true)); // not p is not p
    EXPECT_EQ(body.size(), 4u);
    body.append(GLITERAL(3, false));
    EXPECT_EQ(body.positive().size(), 3u) << "append does not test for duplicates";

    GBODY negatives;
    negatives.add(GLITERAL(4, true));
    negatives.add(GLITERAL(5, true));
    EXPECT_EQ(negatives.firstNegative, 0u);
    GBODY positives;
    positives.add(GLITERAL(4, false));
    EXPECT_EQ(positives.firstNegative, 1u);
    positives.erase(0);
    EXPECT_EQ(positives.firstNegative, 0u);
}

TEST(GroundProgram, RecordsCopyAsSpecified) {
    GBODY body;
    body.add(GLITERAL(7, true));
    body.add(GLITERAL(6, false));
    std::vector<GATOM_ID> head{1, 2};
    GRULE rule(&head, &body);
    EXPECT_TRUE(rule.hasBody);
    EXPECT_EQ(rule.body.firstNegative, 1u);
    GRULE fact(&head, nullptr);
    EXPECT_FALSE(fact.hasBody);

    GRULE copy = rule;
    EXPECT_EQ(copy.head.size(), 2u);
    EXPECT_EQ(copy.body.firstNegative, 1u);
    copy.body.add(GLITERAL(9, false));
    EXPECT_EQ(rule.body.size(), 2u);

    GCONSTRAINT constraint(body);
    GCONSTRAINT constraintCopy = constraint;
    EXPECT_EQ(constraintCopy.body.firstNegative, 1u);
    GWEAKCONSTRAINT weak(body, makeIntegerTerm(2000), makeIntegerTerm(1));
    std::vector<GWEAKCONSTRAINT> all{weak, weak};
    EXPECT_EQ(all[1].weight, makeIntegerTerm(2000));
    EXPECT_EQ(all[1].body.size(), 2u);
}

} // namespace
