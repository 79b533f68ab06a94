#include <gtest/gtest.h>

#include <vector>

#include "core/program.h"
#include "core/substitution.h"

namespace {

TERM c(const char *name) { return makeConstantTerm(name); }
TERM i(int32_t v) { return makeIntegerTerm(v); }
TERM v(uint32_t n) { return makeVariableTerm(n); }
TERM fn(const char *functor, std::vector<TERM> args) {
    return makeComplexTerm(COMPLEX_TERM::function(functionSymbolTable.add(functor).first, args, termsAreGround(args)));
}
TERM list(std::vector<TERM> elements) {
    return makeComplexTerm(COMPLEX_TERM::list(elements, false, termsAreGround(elements)));
}
TERM listWithTail(TERM head, TERM tail) {
    return makeComplexTerm(COMPLEX_TERM::list(std::vector<TERM>{head, tail}, true, false));
}

TEST(Instantiation, FunctionTerms) {
    TERM t = fn("in_f", {v(0), fn("in_g", {v(1)})});
    SUBSTITUTION s(3);
    s.bind(0, c("in_a"));
    s.bind(1, i(1));
    TERM expected = fn("in_f", {c("in_a"), fn("in_g", {i(1)})});
    TERM made = instantiateTerm(t, s);
    EXPECT_EQ(made, expected);
    EXPECT_EQ(instantiateTerm(t, s), made) << "same bindings, same index";
    EXPECT_TRUE(complexTerm(made).ground);
    // A ground term is its own instance.
    EXPECT_EQ(instantiateTerm(expected, s), expected);
}

TEST(Instantiation, UnboundVariablesStayAndTheTermIsNotGround) {
    TERM t = fn("ub_f", {v(0), fn("ub_g", {v(1)})});
    SUBSTITUTION s(2);
    s.bind(0, c("ub_a"));
    TERM made = instantiateTerm(t, s);
    EXPECT_EQ(made, fn("ub_f", {c("ub_a"), fn("ub_g", {v(1)})}));
    EXPECT_FALSE(complexTerm(made).ground);
    EXPECT_FALSE(termsAreGround(std::vector<TERM>{made}));
    EXPECT_TRUE(complexTerm(made).hasUnboundVariable(s));
}

TEST(Instantiation, ListTailsAreFlattened) {
    TERM pattern = listWithTail(v(0), v(1));
    SUBSTITUTION s(2);
    s.bind(0, c("lt_a"));
    s.bind(1, list({c("lt_b"), c("lt_c")}));
    TERM made = instantiateTerm(pattern, s);
    EXPECT_EQ(made, list({c("lt_a"), c("lt_b"), c("lt_c")}));
    EXPECT_FALSE(complexTerm(made).hasTail());
    EXPECT_TRUE(complexTerm(made).ground);
    // A tail bound to the empty list gives a one-element list.
    s.bind(1, list({}));
    EXPECT_EQ(instantiateTerm(pattern, s), list({c("lt_a")}));
    // Nested: [[X|T]] inside a function term.
    TERM nested = fn("lt_f", {list({listWithTail(v(0), v(1))})});
    s.bind(1, list({c("lt_b")}));
    EXPECT_EQ(instantiateTerm(nested, s), fn("lt_f", {list({list({c("lt_a"), c("lt_b")})})}));
    // A tail not bound to a list keeps the written form and stays non-ground.
    s.bind(1, c("lt_z"));
    TERM kept = instantiateTerm(pattern, s);
    EXPECT_TRUE(complexTerm(kept).hasTail());
    EXPECT_FALSE(complexTerm(kept).ground);
}

TEST(Instantiation, ListTailsBoundToLists) {
    TERM pattern = listWithTail(v(0), v(1));
    SUBSTITUTION s(2);
    s.bind(0, c("tb_a"));
    EXPECT_FALSE(complexTerm(pattern).listTailsBoundToLists(s));
    s.bind(1, c("tb_k"));
    EXPECT_FALSE(complexTerm(pattern).listTailsBoundToLists(s));
    s.bind(1, list({c("tb_b")}));
    EXPECT_TRUE(complexTerm(pattern).listTailsBoundToLists(s));
    TERM nested = fn("tb_f", {listWithTail(v(0), v(1))});
    EXPECT_TRUE(complexTerm(nested).listTailsBoundToLists(s));
    s.unbind(1);
    EXPECT_FALSE(complexTerm(nested).listTailsBoundToLists(s));
    EXPECT_TRUE(complexTerm(fn("tb_f", {c("tb_a")})).listTailsBoundToLists(s));
}

TEST(Instantiation, Atoms) {
    TERM f = fn("ia_f", {v(1)});
    ATOM a("ia_p", std::vector<TERM>{v(0), c("ia_k"), f, v(2)}, PREDICATE_IDB);
    SUBSTITUTION s(3);
    s.bind(0, i(7));
    s.bind(1, c("ia_b"));
    ATOM g = instantiateAtom(a, s);
    EXPECT_EQ(g.predicate, a.predicate);
    ASSERT_EQ(g.argCount(), 4u);
    EXPECT_EQ(g.arg(0), i(7));
    EXPECT_EQ(g.arg(1), c("ia_k"));
    EXPECT_EQ(g.arg(2), fn("ia_f", {c("ia_b")}));
    EXPECT_EQ(g.arg(3), v(2)) << "an unbound variable stays";
    ATOM p("ia_q", static_cast<const TERMS *>(nullptr), PREDICATE_IDB);
    EXPECT_TRUE(instantiateAtom(p, s).isPropositional());
}

TEST(Instantiation, BoundPositionsAndUnboundVariables) {
    TERM t = fn("bp_f", {v(0), fn("bp_g", {v(2)})});
    std::vector<int32_t> positions{0, 5, 3};
    EXPECT_TRUE(complexTerm(t).hasVariableBoundAtOrAfter(positions, 3));
    EXPECT_FALSE(complexTerm(t).hasVariableBoundAtOrAfter(positions, 4));
    EXPECT_FALSE(complexTerm(fn("bp_f", {c("bp_a")})).hasVariableBoundAtOrAfter(positions, 0));
    SUBSTITUTION s(3);
    s.bind(0, c("bp_a"));
    EXPECT_TRUE(complexTerm(t).hasUnboundVariable(s));
    s.bind(2, c("bp_a"));
    EXPECT_FALSE(complexTerm(t).hasUnboundVariable(s));
}

TEST(TermUtilities, VariableOccurrencesAndBoundArguments) {
    ATOM p("vo_p", std::vector<TERM>{v(0), fn("vo_f", {v(1)})}, PREDICATE_IDB);
    std::vector<LITERAL> literals{LITERAL(p, false)};
    EXPECT_TRUE(TERMS({v(0), v(1)}).allVariablesOccurIn(literals));
    EXPECT_FALSE(TERMS({v(0), v(2)}).allVariablesOccurIn(literals));
    EXPECT_FALSE(TERMS({v(0), c("vo_a")}).allVariablesOccurIn(literals));

    ATOM q("vo_q", std::vector<TERM>{v(0), c("vo_a"), v(3)}, PREDICATE_IDB);
    EXPECT_FALSE(q.allArgumentsBound(TERM_SET{v(0)}));
    EXPECT_TRUE(q.allArgumentsBound(TERM_SET{v(0), v(3)}));
    EXPECT_TRUE(q.someArgumentBound(TERM_SET{}));
    ATOM r("vo_r", std::vector<TERM>{v(5)}, PREDICATE_IDB);
    EXPECT_FALSE(r.someArgumentBound(TERM_SET{v(0)}));
    EXPECT_TRUE(r.someArgumentBound(TERM_SET{v(5)}));
}

} // namespace
