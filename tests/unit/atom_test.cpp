#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/aggregate_function.h"
#include "core/program.h"
#include "core/rule.h"

namespace {

TERM c(const char *name) { return makeConstantTerm(name); }

ATOM atom(const char *predicate, std::vector<TERM> args, PREDICATE_KIND kind = PREDICATE_IDB) {
    return ATOM(predicate, args, kind);
}

LITERAL lit(const ATOM &a, bool negated = false) { return LITERAL(a, negated); }

// The body as (predicate name, negated) pairs.
std::vector<std::pair<std::string, bool>> shape(const CONJUNCTION &body) {
    std::vector<std::pair<std::string, bool>> out;
    for (const LITERAL &l : body) out.emplace_back(predicateTable.name(l.atom.predicate), l.isNegated());
    return out;
}

TEST(Atom, OrderByPredicateRegistrationThenArguments) {
    TERM b = c("kao_b"), a = c("kao_a");
    ATOM zb = atom("kao_z", {b}), za = atom("kao_z", {a}), early = atom("kao_y", {b, a});
    ATOM late = atom("kao_aaa", {});
    EXPECT_LT(compareAtom(zb, za), 0) << "b was interned first";
    EXPECT_LT(compareAtom(za, late), 0) << "predicates order by index, not by name";
    EXPECT_LT(compareAtom(za, early), 0);
    TERM f = makeComplexTerm(COMPLEX_TERM::function(functionSymbolTable.add("kao_f").first, std::vector<TERM>{b}, true));
    EXPECT_LT(compareAtom(atom("kao_w", {a, makeIntegerTerm(1)}), atom("kao_w", {a, f})), 0);
    EXPECT_EQ(compareAtom(za, atom("kao_z", {a})), 0);
}

TEST(Atom, CopiesAreDeepAndMovesHandOver) {
    ATOM original = atom("kcp_p", {c("kcp_a"), makeIntegerTerm(3)});
    ATOM copy = original;
    copy.mutableArgs()[0] = c("kcp_b");
    EXPECT_EQ(original.arg(0), c("kcp_a"));
    EXPECT_EQ(copy.arg(0), c("kcp_b"));
    ATOM moved = std::move(copy);
    EXPECT_EQ(moved.arg(0), c("kcp_b"));
    EXPECT_EQ(moved.argCount(), 2u);
    copy = original;
    EXPECT_EQ(compareAtom(copy, original), 0);
    copy = copy;
    EXPECT_EQ(compareAtom(copy, original), 0);
    std::vector<ATOM> many(100, original);
    many.push_back(moved);
    EXPECT_EQ(many[50].arg(1), makeIntegerTerm(3));
}

TEST(Atom, PropositionalComplementAndPrepend) {
    ATOM p = atom("kpr_p", {});
    ATOM q("kpr_q", static_cast<const TERMS *>(nullptr), PREDICATE_IDB);
    EXPECT_TRUE(p.isPropositional());
    EXPECT_TRUE(q.isPropositional());
    EXPECT_FALSE(atom("kpr_r", {c("a")}).isPropositional());

    ATOM pos = atom("kcm_p", {});
    EXPECT_FALSE(pos.complementExists());
    ATOM neg = atom("-kcm_p", {});
    EXPECT_TRUE(pos.complementExists());
    EXPECT_TRUE(neg.complementExists());

    ATOM o = atom("kpre_p", {c("x")});
    o.prependArgument(c("obj"));
    EXPECT_EQ(o.argCount(), 2u);
    EXPECT_EQ(o.arg(0), c("obj"));
    EXPECT_EQ(o.arg(1), c("x"));
    EXPECT_EQ(predicateTable.arity(o.predicate), 2u);
}

TEST(Atom, AggregatePartsCompareByGuardsThenAssignment) {
    uint32_t count = predicateTable.add("#count", 0, PREDICATE_AGGREGATE).first;
    AGGREGATE_ATOM part;
    part.lowerGuard = makeIntegerTerm(1);
    part.lowerInclusive = 1;
    part.upperGuard = makeIntegerTerm(3);
    part.upperInclusive = 1;
    ATOM a(count, AGGREGATE_ATOM(part));
    EXPECT_TRUE(a.isAggregate());
    EXPECT_FALSE(a.isPropositional());
    EXPECT_TRUE(a.args().empty());
    ATOM copy = a;
    ASSERT_NE(copy.aggregate(), nullptr);
    EXPECT_NE(copy.aggregate(), a.aggregate());
    EXPECT_EQ(copy.aggregate()->upperGuard, makeIntegerTerm(3));

    AGGREGATE_ATOM other = part;
    other.upperGuard = makeIntegerTerm(4);
    EXPECT_LT(AGGREGATE_ATOM::compare(part, other), 0);
    other = part;
    other.lowerInclusive = 0;
    EXPECT_GT(AGGREGATE_ATOM::compare(part, other), 0);
    other = part;
    other.assignment = 1;
    EXPECT_LT(AGGREGATE_ATOM::compare(part, other), 0);
    EXPECT_LT(compareAtom(a, ATOM(count, std::move(other))), 0);
}

TEST(Conjunction, AppendKeepsPositivesFirst) {
    CONJUNCTION body;
    body.append(lit(atom("kcj_q", {}), true));
    body.append(lit(atom("kcj_r", {})));
    body.append(lit(atom("kcj_s", {}), true));
    body.append(lit(atom("kcj_t", {})));
    using S = std::vector<std::pair<std::string, bool>>;
    EXPECT_EQ(shape(body), (S{{"kcj_r", false}, {"kcj_t", false}, {"kcj_q", true}, {"kcj_s", true}}));
    EXPECT_EQ(body.firstNegative, 2u);
    EXPECT_EQ(body.positive().size(), 2u);
    EXPECT_EQ(body.negative().size(), 2u);
    body.append(lit(atom("kcj_r", {})));
    EXPECT_EQ(body.size(), 5u) << "append does not test for duplicates";

    // Erasing the only positive literal moves the boundary to the beginning.
    CONJUNCTION one;
    one.append(lit(atom("kcj_a", {})));
    one.append(lit(atom("kcj_b", {}), true));
    one.erase(0);
    EXPECT_EQ(one.firstNegative, 0u);
    EXPECT_EQ(shape(one), (S{{"kcj_b", true}}));
    one.erase(0);
    EXPECT_TRUE(one.empty());
    EXPECT_EQ(one.firstNegative, 0u);
}

TEST(Conjunction, FindAndInsertSorted) {
    TERM b = c("kis_b"), a = c("kis_a");
    atom("kis_p", {b});
    atom("kis_q", {});
    CONJUNCTION body;
    body.insertSorted(lit(atom("kis_q", {})));
    body.insertSorted(lit(atom("kis_p", {b})));
    body.insertSorted(lit(atom("kis_n", {}), true));
    EXPECT_EQ(body.insertSorted(lit(atom("kis_p", {a}))), 1u);
    using S = std::vector<std::pair<std::string, bool>>;
    EXPECT_EQ(shape(body), (S{{"kis_p", false}, {"kis_p", false}, {"kis_q", false}, {"kis_n", true}}));
    EXPECT_EQ(body[0].atom.arg(0), b);
    EXPECT_EQ(body[1].atom.arg(0), a);
    EXPECT_EQ(body.firstNegative, 3u);
    // An equal literal is found and nothing changes.
    EXPECT_EQ(body.insertSorted(lit(atom("kis_q", {}))), 2u);
    EXPECT_EQ(body.size(), 4u);
    // find looks only in the part of the literal's flag.
    EXPECT_EQ(body.find(lit(atom("kis_q", {}), true)), body.size());
    EXPECT_EQ(body.find(lit(atom("kis_n", {}), true)), 3u);
    EXPECT_EQ(body.find(lit(atom("kis_n", {}))), body.size());
}

TEST(Conjunction, CopiesAreDeepAndRecomputeTheBoundary) {
    CONJUNCTION body;
    body.append(lit(atom("kcd_p", {c("kcd_a")})));
    body.append(lit(atom("kcd_q", {}), true));
    CONJUNCTION copy = body;
    EXPECT_EQ(copy.firstNegative, 1u);
    copy[0].atom.mutableArgs()[0] = c("kcd_b");
    EXPECT_EQ(body[0].atom.arg(0), c("kcd_a"));
    CONJUNCTION assigned;
    assigned = body;
    EXPECT_EQ(assigned.firstNegative, 1u);
    EXPECT_EQ(assigned.size(), 2u);
}

TEST(Conjunction, OccursInPositiveAndReplaceTerm) {
    TERM x = makeVariableTerm(0), y = makeVariableTerm(1);
    TERM fx = makeComplexTerm(COMPLEX_TERM::function(functionSymbolTable.add("koc_f").first, std::vector<TERM>{x}, false));
    CONJUNCTION body;
    body.append(lit(atom("koc_p", {fx})));
    body.append(lit(atom("koc_q", {y}), true));
    EXPECT_TRUE(body.occursInPositive(x));
    EXPECT_FALSE(body.occursInPositive(y)) << "negated literals are not searched";

    body.append(lit(atom("koc_r", {y, x})));
    body.replaceTerm(c("koc_k"), y);
    EXPECT_EQ(body[1].atom.arg(0), c("koc_k"));
    EXPECT_EQ(body[1].atom.arg(1), x);
    EXPECT_EQ(body[2].atom.arg(0), c("koc_k"));
    body.replaceTerm(c("koc_k"), x);
    EXPECT_EQ(body[0].atom.arg(0), fx) << "terms inside compound arguments are not replaced";
}

TEST(Conjunction, AggregateLiteralsInOccursAndReplace) {
    TERM x = makeVariableTerm(0), y = makeVariableTerm(1), z = makeVariableTerm(2);
    AGGREGATE_SPEC spec;
    spec.type = AGGREGATE_COUNT;
    spec.terms = TERMS{y};
    spec.conjunction.append(lit(atom("kag_set", {y, x})));
    AGGREGATE_ATOM part;
    part.function = AGGREGATEFUNCTION::make(spec);
    part.lowerGuard = z;
    part.upperGuard = z;
    part.lowerInclusive = part.upperInclusive = 1;
    part.assignment = 1;
    uint32_t count = predicateTable.add("#count", 0, PREDICATE_AGGREGATE).first;
    CONJUNCTION body;
    body.append(LITERAL(ATOM(count, std::move(part)), false));
    EXPECT_TRUE(body.occursInPositive(z)) << "an assignment's guard counts";
    EXPECT_FALSE(body.occursInPositive(x)) << "the symbolic set is not searched";

    body.replaceTerm(c("kag_k"), x);
    const AGGREGATEFUNCTION *f = body[0].atom.aggregate()->getFunction();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->conjunction[0].atom.arg(1), c("kag_k"));
    EXPECT_EQ(f->conjunction[0].atom.arg(0), y);
    body.replaceTerm(makeIntegerTerm(3), z);
    EXPECT_EQ(body[0].atom.aggregate()->lowerGuard, makeIntegerTerm(3));
    EXPECT_EQ(body[0].atom.aggregate()->upperGuard, makeIntegerTerm(3));

    // Copies of the literal own their function.
    CONJUNCTION copy = body;
    EXPECT_NE(copy[0].atom.aggregate()->function, body[0].atom.aggregate()->function);
}

TEST(Rule, DeepCopiesAndAtomAt) {
    std::vector<ATOM> head{atom("kru_a", {}), atom("kru_b", {})};
    CONJUNCTION body;
    body.append(lit(atom("kru_c", {})));
    body.append(lit(atom("kru_d", {}), true));
    RULE rule(&head, &body);
    ASSERT_TRUE(rule.hasBody());
    EXPECT_EQ(predicateTable.nameView(rule.atomAt(1).predicate), "kru_a");
    EXPECT_EQ(predicateTable.nameView(rule.atomAt(2).predicate), "kru_b");
    EXPECT_EQ(predicateTable.nameView(rule.atomAt(3).predicate), "kru_c");
    EXPECT_EQ(predicateTable.nameView(rule.atomAt(4).predicate), "kru_d");

    RULE copy = rule;
    copy.body->erase(0);
    EXPECT_EQ(rule.body->size(), 2u);
    RULE fact(std::vector<ATOM>{atom("kru_e", {})});
    EXPECT_FALSE(fact.hasBody());
    copy = fact;
    EXPECT_FALSE(copy.hasBody());
    copy = rule;
    EXPECT_EQ(copy.body->size(), 2u);
    EXPECT_EQ(copy.body->firstNegative, 1u);
    RULE none(nullptr, nullptr);
    EXPECT_TRUE(none.head.empty());
    EXPECT_FALSE(none.hasBody());
}

} // namespace
