#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "core/program.h"
#include "core/substitution.h"

namespace {

TERM constant(const std::string &name) { return makeConstantTerm(name.c_str()); }
TERM integer(int32_t v) { return makeIntegerTerm(v); }
TERM var(uint32_t n) { return makeVariableTerm(n); }
TERM fn(const char *functor, std::vector<TERM> args) {
    uint32_t f = functionSymbolTable.add(functor).first;
    return makeComplexTerm(COMPLEX_TERM::function(f, args, termsAreGround(args)));
}
TERM list(std::vector<TERM> elements) {
    return makeComplexTerm(COMPLEX_TERM::list(elements, false, termsAreGround(elements)));
}
TERM listWithTail(TERM head, TERM tail) {
    std::vector<TERM> ht{head, tail};
    return makeComplexTerm(COMPLEX_TERM::list(ht, true, false));
}

TEST(InternTable, StringsAreNumberedInOrderOfFirstInsertion) {
    INTERN_TABLE<std::string> table;
    EXPECT_EQ(table.find("x"), std::make_pair(0u, false));
    EXPECT_EQ(table.add("zeta"), std::make_pair(0u, true));
    EXPECT_EQ(table.add("alpha"), std::make_pair(1u, true));
    EXPECT_EQ(table.add("zeta"), std::make_pair(0u, false));
    EXPECT_EQ(table.find("alpha"), std::make_pair(1u, true));
    EXPECT_EQ(table.find("alph"), std::make_pair(0u, false));
    EXPECT_EQ(table.findCString("alpha"), std::make_pair(1u, true));
    EXPECT_EQ(table.find(std::string_view("alphabet", 5)), std::make_pair(1u, true));
    EXPECT_STREQ(table[0], "zeta");
    EXPECT_EQ(table.view(1), "alpha");
    EXPECT_EQ(table.size(), 2u);
}

std::string nameOf(int i) {
    std::string name = std::to_string(i);
    name.append(size_t(i % 37), 'x');
    return name;
}

TEST(InternTable, ManyNamesKeepTheirIndicesAndText) {
    // Enough names to grow the hash index and the name storage many times.
    INTERN_TABLE<std::string> table;
    std::vector<const char *> first;
    for (int i = 0; i < 20000; i++) {
        std::string name = nameOf(i);
        auto [index, inserted] = table.add(name);
        ASSERT_TRUE(inserted);
        ASSERT_EQ(index, uint32_t(i));
        first.push_back(table[index]);
    }
    for (int i = 0; i < 20000; i += 7) {
        std::string name = nameOf(i);
        EXPECT_EQ(table.add(name), std::make_pair(uint32_t(i), false));
        EXPECT_EQ(table[i], first[i]) << "stored names must not move";
        EXPECT_EQ(std::string(table[i]), name);
    }
}

TEST(InternTable, IntegersAreNumberedByInsertionButReadBackByValue) {
    INTERN_TABLE<int32_t> table;
    EXPECT_EQ(table.add(10), std::make_pair(0u, true));
    EXPECT_EQ(table.add(INT_MIN), std::make_pair(1u, true));
    EXPECT_EQ(table.add(10), std::make_pair(0u, false));
    EXPECT_EQ(table[1], INT_MIN);
    EXPECT_EQ(table.find(INT_MAX), std::make_pair(0u, false));
}

TEST(TermOrder, ConstantsOrderByFirstInterningNotByName) {
    TERM b = constant("kord_b_first");
    TERM a = constant("kord_a_second");
    EXPECT_LT(compareTerm(b, a), 0);
    EXPECT_GT(compareTerm(a, b), 0);
    EXPECT_EQ(compareTerm(a, constant("kord_a_second")), 0);
    EXPECT_STREQ(constantName(a), "kord_a_second");
}

TEST(TermOrder, IntegersOrderByValueWhateverTheInterningOrder) {
    TERM ten = integer(1010), nine = integer(1009), negative = integer(-5000);
    EXPECT_LT(compareTerm(nine, ten), 0);
    EXPECT_LT(compareTerm(negative, nine), 0);
    EXPECT_GT(compareTerm(ten, negative), 0);
    EXPECT_EQ(compareTerm(integer(INT_MIN), integer(INT_MAX)) < 0, true);
    EXPECT_EQ(integerValue(negative), -5000);
}

TEST(TermOrder, KindsOrderVariableConstantIntegerNullComplex) {
    std::vector<TERM> ascending{var(7), constant("kind_c"), integer(-1000000), TERM(), fn("kind_f", {integer(1)})};
    for (size_t i = 0; i < ascending.size(); i++)
        for (size_t j = 0; j < ascending.size(); j++) {
            int c = compareTerm(ascending[i], ascending[j]);
            int expected = i < j ? -1 : (i > j ? 1 : 0);
            EXPECT_EQ((c > 0) - (c < 0), expected) << i << " " << j;
        }
    EXPECT_LT(compareTerm(var(2), var(3)), 0);
    EXPECT_EQ(compareTerm(TERM(), TERM()), 0);
}

TEST(TermOrder, ComplexTermsOrderByIndexNotStructure) {
    TERM later = fn("kcx_z", {constant("kcx_a")});
    TERM earlier_structure = fn("kcx_a", {constant("kcx_a")}); // interned second
    EXPECT_LT(compareTerm(later, earlier_structure), 0);
}

TEST(TermOrder, ShorterListsFirstAndAbsentEqualsEmpty) {
    std::vector<TERM> none, two{integer(99), integer(99)}, three{var(0), var(0), var(0)};
    EXPECT_EQ(compareTerms({}, none), 0);
    EXPECT_LT(compareTerms(two, three), 0);
    EXPECT_GT(compareTerms(three, two), 0);
    std::vector<TERM> x{constant("klst_x"), integer(1)}, y{constant("klst_x"), integer(2)};
    EXPECT_LT(compareTerms(x, y), 0);
    EXPECT_EQ(compareTerms(x, x), 0);
}

TEST(ComplexTerms, InterningIdentity) {
    TERM a = constant("kid_a"), b = constant("kid_b"), c = constant("kid_c");
    TERM f1 = fn("kid_f", {a, b});
    EXPECT_EQ(f1, fn("kid_f", {a, b}));
    EXPECT_NE(f1, fn("kid_f", {b, a}));
    EXPECT_NE(f1, fn("kid_g", {a, b}));
    // A function term and a list with the same arguments are different terms.
    EXPECT_NE(f1, list({a, b}));
    // [a|[b,c]] and [a,b,c] are one term.
    TERM flat = list({a, b, c});
    EXPECT_EQ(listWithTail(a, list({b, c})), flat);
    EXPECT_EQ(listWithTail(a, listWithTail(b, list({c}))), flat);
    EXPECT_FALSE(complexTerm(flat).hasTail());
    EXPECT_TRUE(complexTerm(flat).ground);
    // A list whose tail is a variable keeps its tail and is not ground.
    TERM open = listWithTail(a, var(0));
    EXPECT_TRUE(complexTerm(open).hasTail());
    EXPECT_FALSE(complexTerm(open).ground);
    // A non-ground head keeps the written form.
    EXPECT_TRUE(complexTerm(listWithTail(var(1), list({b}))).hasTail());
}

TEST(ComplexTerms, GroundFlagTakesNoPartInEquality) {
    uint32_t f = functionSymbolTable.add("kgf_f").first;
    std::vector<TERM> args{var(0)};
    auto first = internComplexTerm(COMPLEX_TERM::function(f, args, false));
    auto second = internComplexTerm(COMPLEX_TERM::function(f, args, true));
    EXPECT_TRUE(first.second);
    EXPECT_FALSE(second.second);
    EXPECT_EQ(first.first, second.first);
    EXPECT_FALSE(complexTermTable[first.first].ground) << "the first interning's flag stays";
}

TEST(ComplexTerms, StoredEntriesStayInPlaceWhileTheTableGrows) {
    TERM t = fn("stay_f", {constant("stay_a"), integer(5)});
    const COMPLEX_TERM *entry = &complexTerm(t);
    const TERM *args = entry->argData;
    for (int i = 0; i < 50000; i++) fn("stay_g", {integer(i)});
    EXPECT_EQ(entry, &complexTerm(t));
    EXPECT_EQ(args, complexTerm(t).argData);
    EXPECT_EQ(complexTerm(t).args()[1], integer(5));
}

TEST(ComplexTerms, GroundAndContains) {
    TERM a = constant("kgc_a");
    TERM deep = fn("kgc_f", {fn("kgc_g", {a})});
    std::vector<TERM> terms{integer(3), deep};
    EXPECT_TRUE(termsAreGround(terms));
    EXPECT_TRUE(termsContain(terms, a));
    EXPECT_TRUE(TERMS(terms).contains(a));
    EXPECT_TRUE(termsContain(terms, fn("kgc_g", {a})));
    EXPECT_FALSE(termsContain(terms, constant("kgc_b")));
    EXPECT_TRUE(complexTerm(deep).contains(a));
    std::vector<TERM> withVariable{a, fn("kgc_h", {var(3)})};
    EXPECT_FALSE(termsAreGround(withVariable));
    EXPECT_FALSE(termsAreGround(std::vector<TERM>{var(0)}));
    EXPECT_TRUE(termsAreGround({}));
}

TEST(ComplexTerms, NestingDepthVariablesAndMaxVariable) {
    TERM a = constant("knd_a");
    EXPECT_EQ(complexTerm(fn("knd_f", {a})).nestingDepth(), 1u);
    EXPECT_EQ(complexTerm(fn("knd_f", {fn("knd_g", {a})})).nestingDepth(), 2u);
    EXPECT_EQ(complexTerm(list({a, list({constant("knd_b")})})).nestingDepth(), 2u);

    TERM t = fn("knd_h", {var(4), fn("knd_k", {var(2), var(4)}), a});
    TERM_SET vars;
    complexTerm(t).collectVariables(vars);
    EXPECT_EQ(vars, (TERM_SET{var(2), var(4)}));
    std::vector<uint32_t> counts(6, 0);
    complexTerm(t).countVariableOccurrences(counts);
    EXPECT_EQ(counts, (std::vector<uint32_t>{0, 0, 1, 0, 2, 0}));
    uint32_t maximum = 1;
    EXPECT_TRUE(complexTermMaxVariable(t, maximum));
    EXPECT_EQ(maximum, 4u);
    maximum = 9;
    EXPECT_TRUE(complexTermMaxVariable(t, maximum));
    EXPECT_EQ(maximum, 9u);
    EXPECT_FALSE(complexTermMaxVariable(fn("knd_f", {a}), maximum));
}

TEST(ComplexTerms, DeepTermsNeedNoCallStack) {
    // s(s(...s(0)...)) nested 200000 deep, and a shared-subterm tower whose unfolded size is 2^60.
    TERM t = integer(0);
    for (int i = 0; i < 200000; i++) t = fn("deep_s", {t});
    TERM marker = constant("deep_marker");
    TERM withMarker = fn("deep_s", {t, marker});
    EXPECT_EQ(complexTerm(withMarker).nestingDepth(), 200001u);
    EXPECT_TRUE(complexTerm(withMarker).contains(integer(0)));
    EXPECT_FALSE(complexTerm(t).contains(marker));
    EXPECT_LT(compareTerm(t, withMarker), 0);

    TERM tower = fn("ktw_f", {var(0), var(0)});
    for (int i = 0; i < 60; i++) tower = fn("ktw_f", {tower, tower});
    EXPECT_FALSE(complexTerm(tower).contains(constant("ktw_absent")));
    TERM_SET vars;
    complexTerm(tower).collectVariables(vars);
    EXPECT_EQ(vars.size(), 1u);

    // Instantiating a deep non-ground term.
    TERM open = var(0);
    for (int i = 0; i < 100000; i++) open = fn("deep_s", {open});
    SUBSTITUTION s(1);
    s.bind(0, integer(0));
    TERM again = instantiateTerm(open, s);
    TERM expected = integer(0);
    for (int i = 0; i < 100000; i++) expected = fn("deep_s", {expected});
    EXPECT_EQ(again, expected);
    EXPECT_TRUE(complexTerm(again).ground);
}

} // namespace
