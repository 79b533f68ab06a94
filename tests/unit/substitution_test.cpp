#include <gtest/gtest.h>

#include <vector>

#include "core/aggregate_function.h"
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
    TERM t = fn("kin_f", {v(0), fn("kin_g", {v(1)})});
    SUBSTITUTION s(3);
    s.bind(0, c("kin_a"));
    s.bind(1, i(1));
    TERM expected = fn("kin_f", {c("kin_a"), fn("kin_g", {i(1)})});
    TERM made = instantiateTerm(t, s);
    EXPECT_EQ(made, expected);
    EXPECT_EQ(instantiateTerm(t, s), made) << "same bindings, same index";
    EXPECT_TRUE(complexTerm(made).ground);
    // A ground term is its own instance.
    EXPECT_EQ(instantiateTerm(expected, s), expected);
}

TEST(Instantiation, UnboundVariablesStayAndTheTermIsNotGround) {
    TERM t = fn("kub_f", {v(0), fn("kub_g", {v(1)})});
    SUBSTITUTION s(2);
    s.bind(0, c("kub_a"));
    TERM made = instantiateTerm(t, s);
    EXPECT_EQ(made, fn("kub_f", {c("kub_a"), fn("kub_g", {v(1)})}));
    EXPECT_FALSE(complexTerm(made).ground);
    EXPECT_FALSE(termsAreGround(std::vector<TERM>{made}));
    EXPECT_TRUE(complexTerm(made).hasUnboundVariable(s));
}

TEST(Instantiation, ListTailsAreFlattened) {
    TERM pattern = listWithTail(v(0), v(1));
    SUBSTITUTION s(2);
    s.bind(0, c("klt_a"));
    s.bind(1, list({c("klt_b"), c("klt_c")}));
    TERM made = instantiateTerm(pattern, s);
    EXPECT_EQ(made, list({c("klt_a"), c("klt_b"), c("klt_c")}));
    EXPECT_FALSE(complexTerm(made).hasTail());
    EXPECT_TRUE(complexTerm(made).ground);
    // A tail bound to the empty list gives a one-element list.
    s.bind(1, list({}));
    EXPECT_EQ(instantiateTerm(pattern, s), list({c("klt_a")}));
    // Nested: [[X|T]] inside a function term.
    TERM nested = fn("klt_f", {list({listWithTail(v(0), v(1))})});
    s.bind(1, list({c("klt_b")}));
    EXPECT_EQ(instantiateTerm(nested, s), fn("klt_f", {list({list({c("klt_a"), c("klt_b")})})}));
    // A tail not bound to a list keeps the written form and stays non-ground.
    s.bind(1, c("klt_z"));
    TERM kept = instantiateTerm(pattern, s);
    EXPECT_TRUE(complexTerm(kept).hasTail());
    EXPECT_FALSE(complexTerm(kept).ground);
}

TEST(Instantiation, ListTailsBoundToLists) {
    TERM pattern = listWithTail(v(0), v(1));
    SUBSTITUTION s(2);
    s.bind(0, c("ktb_a"));
    EXPECT_FALSE(complexTerm(pattern).listTailsBoundToLists(s));
    s.bind(1, c("ktb_k"));
    EXPECT_FALSE(complexTerm(pattern).listTailsBoundToLists(s));
    s.bind(1, list({c("ktb_b")}));
    EXPECT_TRUE(complexTerm(pattern).listTailsBoundToLists(s));
    TERM nested = fn("ktb_f", {listWithTail(v(0), v(1))});
    EXPECT_TRUE(complexTerm(nested).listTailsBoundToLists(s));
    s.unbind(1);
    EXPECT_FALSE(complexTerm(nested).listTailsBoundToLists(s));
    EXPECT_TRUE(complexTerm(fn("ktb_f", {c("ktb_a")})).listTailsBoundToLists(s));
}

TEST(Instantiation, Atoms) {
    TERM f = fn("kia_f", {v(1)});
    ATOM a("kia_p", std::vector<TERM>{v(0), c("kia_k"), f, v(2)}, PREDICATE_IDB);
    SUBSTITUTION s(3);
    s.bind(0, i(7));
    s.bind(1, c("kia_b"));
    ATOM g = instantiateAtom(a, s);
    EXPECT_EQ(g.predicate, a.predicate);
    ASSERT_EQ(g.argCount(), 4u);
    EXPECT_EQ(g.arg(0), i(7));
    EXPECT_EQ(g.arg(1), c("kia_k"));
    EXPECT_EQ(g.arg(2), fn("kia_f", {c("kia_b")}));
    EXPECT_EQ(g.arg(3), v(2)) << "an unbound variable stays";
    ATOM p("kia_q", static_cast<const TERMS *>(nullptr), PREDICATE_IDB);
    EXPECT_TRUE(instantiateAtom(p, s).isPropositional());
}

TEST(Instantiation, AggregateAtoms) {
    // X <= #count{Y : kag_r(Z,Y)} <= 5 with X bound to 2 and Z to a.
    AGGREGATE_SPEC spec;
    spec.type = AGGREGATE_COUNT;
    spec.terms = TERMS{v(1)};
    spec.conjunction.append(LITERAL(ATOM("kag_r", std::vector<TERM>{v(2), v(1)}, PREDICATE_IDB), false));
    AGGREGATE_ATOM part;
    part.function = AGGREGATEFUNCTION::make(spec);
    part.lowerGuard = v(0);
    part.lowerInclusive = 1;
    part.upperGuard = i(5);
    part.upperInclusive = 1;
    ATOM a(predicateTable.add("#count", 0, PREDICATE_AGGREGATE).first, std::move(part));
    SUBSTITUTION s(3);
    s.bind(0, i(2));
    s.bind(2, c("kag_a"));
    ATOM g = instantiateAtom(a, s);
    ASSERT_TRUE(g.isAggregate());
    EXPECT_EQ(g.aggregate()->lowerGuard, i(2));
    EXPECT_EQ(g.aggregate()->upperGuard, i(5));
    const AGGREGATEFUNCTION *f = g.aggregate()->getFunction();
    ASSERT_NE(f, nullptr);
    ASSERT_NE(f, a.aggregate()->getFunction());
    EXPECT_EQ(f->conjunction[0].atom.arg(0), c("kag_a"));
    EXPECT_EQ(f->conjunction[0].atom.arg(1), v(1));
    EXPECT_EQ(a.aggregate()->getFunction()->conjunction[0].atom.arg(0), v(2)) << "the source is unchanged";
}

TEST(Instantiation, BoundPositionsAndUnboundVariables) {
    TERM t = fn("kbp_f", {v(0), fn("kbp_g", {v(2)})});
    std::vector<int32_t> positions{0, 5, 3};
    EXPECT_TRUE(complexTerm(t).hasVariableBoundAtOrAfter(positions, 3));
    EXPECT_FALSE(complexTerm(t).hasVariableBoundAtOrAfter(positions, 4));
    EXPECT_FALSE(complexTerm(fn("kbp_f", {c("kbp_a")})).hasVariableBoundAtOrAfter(positions, 0));
    SUBSTITUTION s(3);
    s.bind(0, c("kbp_a"));
    EXPECT_TRUE(complexTerm(t).hasUnboundVariable(s));
    s.bind(2, c("kbp_a"));
    EXPECT_FALSE(complexTerm(t).hasUnboundVariable(s));
}

TEST(TermUtilities, VariableOccurrencesAndBoundArguments) {
    ATOM p("kvo_p", std::vector<TERM>{v(0), fn("kvo_f", {v(1)})}, PREDICATE_IDB);
    std::vector<LITERAL> literals{LITERAL(p, false)};
    EXPECT_TRUE(TERMS({v(0), v(1)}).allVariablesOccurIn(literals));
    EXPECT_FALSE(TERMS({v(0), v(2)}).allVariablesOccurIn(literals));
    EXPECT_FALSE(TERMS({v(0), c("kvo_a")}).allVariablesOccurIn(literals));

    ATOM q("kvo_q", std::vector<TERM>{v(0), c("kvo_a"), v(3)}, PREDICATE_IDB);
    EXPECT_FALSE(q.allArgumentsBound(TERM_SET{v(0)}));
    EXPECT_TRUE(q.allArgumentsBound(TERM_SET{v(0), v(3)}));
    EXPECT_TRUE(q.someArgumentBound(TERM_SET{}));
    ATOM r("kvo_r", std::vector<TERM>{v(5)}, PREDICATE_IDB);
    EXPECT_FALSE(r.someArgumentBound(TERM_SET{v(0)}));
    EXPECT_TRUE(r.someArgumentBound(TERM_SET{v(5)}));
}

} // namespace
