// The translation of objects: recorded arities after the object argument is added, the numbering
// of the rules that block overridden rules, inheritance facts over shared ancestors, and the
// fresh variables that bodies get.
//
// Programs are parsed into the global program store, which is emptied before every test
// (unit_main.cpp).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "core/printer.h"
#include "core/program.h"
#include "input/parser.h"
#include "rewriting/objects.h"
#include "support/diagnostics.h"
#include "test_support.h"

namespace {

class Objects : public ::testing::Test {
protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }

    static void reset() {
        clearParsedProgram();
    }
    static void translate(const std::string &program) {
        std::string text = program;
        ASSERT_TRUE(parseString(text)) << program;
        translateObjects(objects);
    }
    static uint32_t arity(const char *name) {
        auto [p, found] = predicateTable.find(name);
        EXPECT_TRUE(found) << name;
        return predicateTable.arity(p);
    }
    static std::string rules() { return capture([](FILE *f) { printRules(f, IDB, "\n"); }); }
};

TEST_F(Objects, PredicatesWithAComplementGrowByTheObjectArgument) {
    translate("ob_q(1). ob_o1 { ob_p(X,Y) :- ob_q(X), ob_q(Y). } ob_o2 : ob_o1 { -ob_p(X,1) :- ob_q(X). }");
    EXPECT_EQ(3u, arity("ob_p"));
    EXPECT_EQ(3u, arity("-ob_p"));
    EXPECT_EQ(1u, arity("ob_q"));
    EXPECT_EQ(2u, arity("__prec"));
    for (const RULE &rule : IDB)
        for (const ATOM &atom : rule.head)
            if (atom.predicate == predicateTable.find("ob_p").first) {
                EXPECT_EQ(3u, atom.argCount());
            }
}

TEST_F(Objects, EveryBlockedRuleGetsANumberOfItsOwn) {
    translate("ob_t. ob_a { ob_f :- ob_t. ob_g :- ob_t. } ob_b : ob_a { -ob_f :- ob_t. -ob_g :- ob_t. }");
    const std::string text = rules();
    const std::string::size_type first = text.find("not __ovr");
    ASSERT_NE(std::string::npos, first) << text;
    const std::string::size_type second = text.find("not __ovr", first + 1);
    ASSERT_NE(std::string::npos, second) << text;
    // Two blocked rules, two different numbers.
    EXPECT_NE(text.substr(first, 12), text.substr(second, 12)) << text;
}

TEST_F(Objects, AnAncestorReachedTwiceGivesOneInheritanceFact) {
    translate("ob_r { ob_x :- ob_y. } ob_s : ob_r { } ob_u : ob_r { } ob_v : ob_s, ob_u { } ob_y.");
    uint32_t prec = predicateTable.find("__prec").first;
    std::string facts = capture([&](FILE *f) {
        for (ATOM_REF atom : EDB.atomsOf(prec)) {
            printAtom(f, atom);
            fputc(' ', f);
        }
    });
    EXPECT_EQ("__prec(ob_s,ob_r) __prec(ob_u,ob_r) __prec(ob_v,ob_r) __prec(ob_v,ob_s) __prec(ob_v,ob_u) ", facts);
}

TEST_F(Objects, EachPositiveBodyAtomMayComeFromAnotherObject) {
    translate("ob_k(1). ob_m { ob_h(X) :- ob_w(X), ob_w(Y), ob_k(Y), not ob_w(2). ob_w(1) :- ob_k(1). } "
              "ob_n : ob_m { -ob_w(1) :- ob_k(1). }");
    const std::string text = rules();
    EXPECT_NE(std::string::npos, text.find("ob_h(_0) :- ob_w(_2,_0), ob_w(_3,_1), ob_k(_1), not __projob_w(2).")) << text;
    EXPECT_NE(std::string::npos, text.find("__projob_w(_0) :- ob_w(_1,_0).")) << text;
}

}  // namespace
