// The atom store: rows dense per predicate in the order of first insertion, argument spans that
// stay valid while the relation grows, the change to a general relation when the number of
// arguments differs, and row comparison in atom order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/program.h"

namespace {

TERM n(int32_t v) { return makeIntegerTerm(v); }
TERM c(const std::string &name) { return makeConstantTerm(name.c_str()); }
uint32_t predicateOf(const char *name, uint32_t arity) {
    return ATOM(name, std::vector<TERM>(arity, n(0)), PREDICATE_IDB).predicate;
}

TEST(AtomStore, RowsAreDenseInOrderOfFirstInsertion) {
    uint32_t p = predicateOf("ast_p", 2), q = predicateOf("ast_q", 2);
    std::vector<TERM> ab{c("ast_a"), c("ast_b")}, ba{c("ast_b"), c("ast_a")};
    EXPECT_EQ(atomStore.find(p, ab), ATOM_STORE::NONE);
    EXPECT_EQ(atomStore.insert(p, ab), std::make_pair(0u, true));
    EXPECT_EQ(atomStore.insert(p, ba), std::make_pair(1u, true));
    EXPECT_EQ(atomStore.insert(p, ab), std::make_pair(0u, false));
    // Rows count per predicate.
    EXPECT_EQ(atomStore.insert(q, ba), std::make_pair(0u, true));
    EXPECT_EQ(atomStore.find(p, ba), 1u);
    EXPECT_EQ(atomStore.rowCount(p), 2u);
    EXPECT_EQ(atomStore.find(ATOM(p, ab)), 0u);
    // Argument lists of another length are other atoms.
    EXPECT_EQ(atomStore.find(p, std::vector<TERM>{c("ast_a")}), ATOM_STORE::NONE);
}

TEST(AtomStore, ArgumentsStayInPlaceWhileTheRelationGrows) {
    for (uint32_t arity : {0u, 1u, 3u, 9u}) {
        std::string name = "asg_p" + std::to_string(arity);
        uint32_t p = predicateOf(name.c_str(), arity);
        // Enough rows to pass from the doubling chunks to the chunks of the largest size.
        const uint32_t rows = arity == 0 ? 1 : 300000;
        auto argsOf = [&](uint32_t i) {
            std::vector<TERM> args;
            for (uint32_t k = 0; k < arity; k++) args.push_back(n(int32_t(i * 7 + k)));
            return args;
        };
        std::span<const TERM> first;
        for (uint32_t i = 0; i < rows; i++) {
            ASSERT_EQ(atomStore.insert(p, argsOf(i)), std::make_pair(i, true));
            if (i == 0) first = atomStore.args(p, 0);
        }
        EXPECT_EQ(first.data(), atomStore.args(p, 0).data()) << arity;
        for (uint32_t i = 0; i < rows; i++) {
            std::vector<TERM> expected = argsOf(i);
            std::span<const TERM> stored = atomStore.args(p, i);
            ASSERT_TRUE(std::equal(stored.begin(), stored.end(), expected.begin(), expected.end())) << arity << " " << i;
            ASSERT_EQ(atomStore.find(p, expected), i);
        }
    }
}

TEST(AtomStore, AnotherNumberOfArgumentsMakesTheRelationGeneral) {
    uint32_t p = predicateOf("asm_p", 1);
    for (int32_t i = 0; i < 40; i++) atomStore.insert(p, std::vector<TERM>{n(i)});
    std::vector<TERM> wide{c("asm_o"), n(5)};
    EXPECT_EQ(atomStore.insert(p, wide), std::make_pair(40u, true));
    // Every row keeps its number and its arguments.
    for (int32_t i = 0; i < 40; i++) {
        EXPECT_EQ(atomStore.find(p, std::vector<TERM>{n(i)}), uint32_t(i));
        EXPECT_EQ(atomStore.args(p, uint32_t(i))[0], n(i));
    }
    EXPECT_EQ(atomStore.find(p, wide), 40u);
    ATOM_REF ref = atomStore.ref(p, 40);
    ASSERT_NE(ref.general, nullptr);
    EXPECT_EQ(ref.argCount(), 2u);
    // The shorter argument list orders first.
    EXPECT_LT(atomStore.compareRows(p, 39, 40), 0);
    // Later rows still order by value, not by row.
    EXPECT_EQ(atomStore.insert(p, std::vector<TERM>{n(-1)}), std::make_pair(41u, true));
    EXPECT_LT(atomStore.compareRows(p, 41, 0), 0);
}

TEST(AtomStore, RowsCompareInAtomOrder) {
    uint32_t p = predicateOf("aso_p", 2);
    std::vector<std::vector<TERM>> lists{{n(3), c("aso_b")}, {n(3), c("aso_a")}, {c("aso_z"), n(1)}, {n(-4), n(9)}};
    std::vector<uint32_t> rows;
    for (const auto &args : lists) rows.push_back(atomStore.insert(p, args).first);
    for (size_t i = 0; i < lists.size(); i++)
        for (size_t j = 0; j < lists.size(); j++) {
            int expected = compareAtom(ATOM(p, lists[i]), ATOM_VIEW{p, lists[j]});
            int got = atomStore.compareRows(p, rows[i], rows[j]);
            EXPECT_EQ(expected < 0, got < 0) << i << " " << j;
            EXPECT_EQ(expected == 0, got == 0) << i << " " << j;
        }
}

} // namespace
