#include <gtest/gtest.h>

#include "core/atom.h"
#include "core/program.h"

namespace {

TEST(PredicateTable, IndicesAndKinds) {
    PREDICATE_TABLE table;
    EXPECT_EQ(table.add("p", 2, PREDICATE_EDB), std::make_pair(0u, true));
    EXPECT_EQ(table.add("-p", 1, PREDICATE_IDB), std::make_pair(1u, true)) << "-p is a predicate of its own";
    EXPECT_EQ(table.add("p", 2, PREDICATE_EDB), std::make_pair(0u, true));
    EXPECT_EQ(table.arity(1), 1u);
    EXPECT_EQ(table.size(), 2u);
    EXPECT_STREQ(table.name(1), "-p");
    EXPECT_EQ(table.find("-p"), std::make_pair(1u, true));
    EXPECT_EQ(table.find("q"), std::make_pair(0u, false));
}

TEST(PredicateTable, KindRegistration) {
    PREDICATE_TABLE table;
    auto [q, ok] = table.add("q", 1, PREDICATE_UNDEFINED);
    EXPECT_TRUE(ok);
    EXPECT_EQ(table.add("q", 1, PREDICATE_EDB), std::make_pair(q, true));
    EXPECT_EQ(table.kind(q), PREDICATE_EDB);
    EXPECT_EQ(table.add("q", 1, PREDICATE_UNDEFINED), std::make_pair(q, true));
    EXPECT_EQ(table.kind(q), PREDICATE_EDB);
    EXPECT_EQ(table.add("q", 1, PREDICATE_BUILTIN), std::make_pair(q, false)) << "two defined kinds";
    EXPECT_EQ(table.add("q", 3, PREDICATE_EDB), std::make_pair(q, false)) << "arity clash";
    EXPECT_EQ(table.kind(q), PREDICATE_EDB);
    table.setKind(q, PREDICATE_IDB);
    EXPECT_EQ(table.add("q", 1, PREDICATE_IDB), std::make_pair(q, true));
}

TEST(PredicateTable, InternalNames) {
    struct CASE {
        const char *name;
        PREDICATE_KIND kind;
        bool internal;
    } cases[] = {
        {"aux#1", PREDICATE_IDB, true},      {"#query", PREDICATE_QUERY, true},
        {"#count", PREDICATE_AGGREGATE, true}, {"__x", PREDICATE_IDB, true},
        {"magic#p", PREDICATE_IDB, true},    {"\"_hidden\"", PREDICATE_EDB, true},
        {"#succ", PREDICATE_BUILTIN, false}, {"_sol", PREDICATE_IDB, false},
        {"-p", PREDICATE_IDB, false},        {"\"shown\"", PREDICATE_EDB, false},
        {"aux", PREDICATE_IDB, false},       {"magic", PREDICATE_IDB, false},
    };
    PREDICATE_TABLE table;
    for (const CASE &c : cases) {
        uint32_t p = table.add(c.name, 0, c.kind).first;
        EXPECT_EQ(table.isInternal(p), c.internal) << c.name;
    }
    // The mark is fixed at first registration.
    uint32_t later = table.add("_sol", 0, PREDICATE_IDB).first;
    EXPECT_FALSE(table.isInternal(later));
}

TEST(PredicateTableDeathTest, ArityClashEndsTheRunWithStatusOne) {
    EXPECT_EXIT(
        {
            ATOM first("clash_p", std::vector<TERM>{makeConstantTerm("a"), makeConstantTerm("b")}, PREDICATE_EDB);
            ATOM second("clash_p", std::vector<TERM>{makeConstantTerm("a"), makeConstantTerm("b"), makeConstantTerm("c")},
                        PREDICATE_EDB);
        },
        testing::ExitedWithCode(1), "^clash_p, first used with arity 2, now seen with arity 3\\.\n$");
}

// While the rule parser holds clashes the first one is written and recorded, and the name keeps
// its index; later ones write nothing until the record is cleared.
TEST(PredicateTable, HeldArityClashIsWrittenOnceAndRecorded) {
    std::vector<TERM> two{makeConstantTerm("a"), makeConstantTerm("b")};
    std::vector<TERM> three{makeConstantTerm("a"), makeConstantTerm("b"), makeConstantTerm("c")};
    ATOM first("held_p", two, PREDICATE_EDB);
    holdArityClashes(true);
    testing::internal::CaptureStderr();
    ATOM second("held_p", three, PREDICATE_EDB);
    ATOM third("held_p", std::vector<TERM>{}, PREDICATE_UNDEFINED);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "held_p, first used with arity 2, now seen with arity 3.\n");
    EXPECT_TRUE(arityClashRecorded());
    EXPECT_EQ(second.predicate, first.predicate);
    EXPECT_EQ(predicateTable.arity(first.predicate), 2u);
    clearArityClash();
    holdArityClashes(false);
    EXPECT_FALSE(arityClashRecorded());
}

TEST(PredicateTableDeathTest, KindClashIsAnInternalError) {
    EXPECT_EXIT(
        {
            ATOM first("kclash", std::vector<TERM>{makeConstantTerm("a")}, PREDICATE_EDB);
            ATOM second("kclash", std::vector<TERM>{makeConstantTerm("a")}, PREDICATE_BUILTIN);
        },
        testing::ExitedWithCode(99), "ATOM constructor");
}

TEST(PredicateTable, QueryPredicateIgnoresClashes) {
    ATOM first("#query", std::vector<TERM>{makeConstantTerm("a")}, PREDICATE_QUERY);
    ATOM second("#query", std::vector<TERM>{makeConstantTerm("a"), makeConstantTerm("b")}, PREDICATE_QUERY);
    EXPECT_EQ(first.predicate, second.predicate);
    EXPECT_EQ(second.argCount(), 2u);
}

} // namespace
