// The dependency graph over predicates and over ground atoms: nodes, edges, self-dependence,
// component numbering, per-component rules and constraints, and the whole-graph answers.
//
// Predicate indexes are shared by all tests of the binary, so each test uses names of its own
// and registers them in the order the case needs.
#include <gtest/gtest.h>

#include <string>

#include "core/aggregate_function.h"
#include "grounding/ground_depgraph.h"

namespace {

TERM var(uint32_t v) { return makeVariableTerm(v); }

ATOM A(const std::string &name, std::vector<TERM> args = {}) {
    return ATOM(name.c_str(), std::span<const TERM>(args), PREDICATE_IDB);
}
LITERAL pos(ATOM a) { return LITERAL(std::move(a), false); }
LITERAL neg(ATOM a) { return LITERAL(std::move(a), true); }

RULE R(std::vector<ATOM> head, std::vector<LITERAL> body) {
    CONJUNCTION c;
    for (LITERAL &l : body)
        c.append(std::move(l));
    if (body.empty())
        return RULE(std::move(head));
    return RULE(std::move(head), std::move(c));
}
CONSTRAINT C(std::vector<LITERAL> body) {
    CONSTRAINT c;
    for (LITERAL &l : body)
        c.body.append(std::move(l));
    return c;
}

// Registers the names in order so that their predicate indexes ascend in that order.
void registerNames(std::initializer_list<std::string> names) {
    for (const std::string &n : names)
        A(n);
}

uint32_t P(const std::string &name) { return predicateTable.find(name).first; }

const std::vector<CONSTRAINT> noConstraints;

// #count{X : inner(X)} >= 1, negated when asked.
LITERAL countOver(ATOM inner, bool negated) {
    AGGREGATE_SPEC spec;
    spec.type = AGGREGATE_COUNT;
    spec.terms = TERMS{var(0)};
    spec.conjunction.append(LITERAL(std::move(inner), false));
    AGGREGATE_ATOM part;
    part.function = AGGREGATEFUNCTION::make(spec);
    part.lowerGuard = makeIntegerTerm(1);
    part.lowerInclusive = 1;
    part.upperGuard = makeIntegerTerm(1000);
    part.upperInclusive = 1;
    uint32_t p = predicateTable.add("#count", 0, PREDICATE_AGGREGATE).first;
    return LITERAL(ATOM(p, std::move(part)), negated);
}

TEST(Depgraph, EmptyProgramHasNoNodesAndNoComponents) {
    std::vector<RULE> rules;
    DEPGRAPH g(rules, noConstraints, DEPGRAPH_PREDICATE_VIEW | DEPGRAPH_NEGATIVE_ORDER);
    EXPECT_EQ(g.nodes.size(), 0u);
    EXPECT_EQ(g.componentCount(), 0u);
    EXPECT_EQ(g.componentOf(A("de_anything")), -1);
    EXPECT_FALSE(g.isCyclic());
    EXPECT_TRUE(g.isHCF());
    EXPECT_TRUE(g.isStronglyHCF());
}

TEST(Depgraph, NegatedLiteralGivesARecordedEdgeOnly) {
    // p(X) :- q(X), not r(X).
    std::vector<RULE> rules;
    rules.push_back(R({A("dn_p", {var(0)})}, {pos(A("dn_q", {var(0)})), neg(A("dn_r", {var(0)}))}));
    DEPGRAPH g(rules, noConstraints, DEPGRAPH_PREDICATE_VIEW);
    uint32_t p = P("dn_p"), q = P("dn_q"), r = P("dn_r");
    EXPECT_EQ(g.adjacency[q], std::vector<uint32_t>{p});
    EXPECT_TRUE(g.adjacency[r].empty());
    ASSERT_EQ(g.edges.size(), 1u);
    EXPECT_EQ(g.edges[0].from, r);
    EXPECT_EQ(g.edges[0].to, p);
    EXPECT_NE(g.componentOf(A("dn_r", {var(0)})), g.componentOf(A("dn_p", {var(0)})));
    // With all edges, r -> p is an adjacency entry too.
    DEPGRAPH all(rules, noConstraints, DEPGRAPH_PREDICATE_VIEW | DEPGRAPH_ALL_EDGES);
    EXPECT_EQ(all.adjacency[r], std::vector<uint32_t>{p});
}

TEST(Depgraph, DisjunctiveHeadsAreRecordedWhole) {
    // p v q :- r.   s.
    std::vector<RULE> rules;
    rules.push_back(R({A("dd_p"), A("dd_q")}, {pos(A("dd_r"))}));
    rules.push_back(R({A("dd_s")}, {}));
    uint32_t p = P("dd_p"), q = P("dd_q"), r = P("dd_r");
    DEPGRAPH g(rules, noConstraints, DEPGRAPH_PREDICATE_VIEW);
    EXPECT_TRUE(g.edges.empty());
    EXPECT_EQ(g.disjunctiveHeadNodes, (std::vector<uint32_t>{p, q}));
    EXPECT_EQ(g.disjunctiveHeadEnds, (std::vector<size_t>{2}));
    EXPECT_TRUE(g.adjacency[p].empty());
    EXPECT_EQ(g.adjacency[r], (std::vector<uint32_t>{p, q}));
    DEPGRAPH all(rules, noConstraints, DEPGRAPH_PREDICATE_VIEW | DEPGRAPH_ALL_EDGES);
    EXPECT_EQ(all.adjacency[q], std::vector<uint32_t>{p});
    EXPECT_EQ(all.adjacency[p], std::vector<uint32_t>{q});
    EXPECT_EQ(all.componentOf(A("dd_p")), all.componentOf(A("dd_q")));
    EXPECT_TRUE(all.isDisjunctive(static_cast<uint32_t>(all.componentOf(A("dd_p")))));
}

TEST(Depgraph, LongGroundHeadCostsOneEntryPerAtom) {
    // One fact of 20000 head atoms: a pair per two atoms would be 400 million entries.
    const GATOM_ID n = 20000;
    std::vector<GATOM_ID> head(static_cast<size_t>(n));
    for (GATOM_ID i = 0; i < n; i++)
        head[static_cast<size_t>(i)] = i;
    std::vector<GRULE> rules;
    rules.emplace_back(std::move(head), GBODY(), false);
    DEPGRAPH g(rules, std::vector<GCONSTRAINT>(), 0);
    EXPECT_EQ(g.disjunctiveHeadNodes.size(), static_cast<size_t>(n));
    EXPECT_TRUE(g.edges.empty());
    EXPECT_EQ(g.componentCount(), static_cast<uint32_t>(n));
    EXPECT_FALSE(g.isDisjunctive(0));
    EXPECT_TRUE(g.isHCF());
    // Every atom's component holds the rule once.
    for (uint32_t c = 0; c < g.componentCount(); c++)
        ASSERT_EQ(g.componentRules[c].rules.size(), 1u);
}

TEST(Depgraph, SelfDependenceByPredicateOrByAtom) {
    struct CASE {
        const char *name;
        RULE rule;
        unsigned flags;
        bool selfDependent;
    };
    std::vector<CASE> cases;
    cases.push_back({"p(X) :- p(Y). by predicate",
                     R({A("ds_p", {var(0)})}, {pos(A("ds_p", {var(1)})), pos(A("ds_d", {var(0)}))}),
                     DEPGRAPH_PREDICATE_VIEW, true});
    cases.push_back({"p(X) :- p(Y). by atom",
                     R({A("ds_p", {var(0)})}, {pos(A("ds_p", {var(1)})), pos(A("ds_d", {var(0)}))}),
                     0, false});
    cases.push_back({"p(X) :- p(X). by atom", R({A("ds_p", {var(0)})}, {pos(A("ds_p", {var(0)}))}),
                     0, true});
    cases.push_back({"p :- not p.", R({A("ds_z")}, {neg(A("ds_z"))}), DEPGRAPH_PREDICATE_VIEW, true});
    for (CASE &c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<RULE> rules;
        rules.push_back(std::move(c.rule));
        DEPGRAPH g(rules, noConstraints, c.flags);
        EXPECT_EQ(g.ruleSelfDependent[0], c.selfDependent ? 1 : 0);
        uint32_t comp = static_cast<uint32_t>(g.componentOf(rules[0].head[0]));
        EXPECT_EQ(g.selfDependent[comp], c.selfDependent ? 1 : 0);
        EXPECT_EQ(g.cyclic(comp), c.selfDependent);
    }
}

TEST(Depgraph, ComponentsComeAfterWhatTheyDependOn) {
    // q :- p. r :- q.
    registerNames({"dc_p", "dc_q", "dc_r"});
    std::vector<RULE> rules;
    rules.push_back(R({A("dc_q")}, {pos(A("dc_p"))}));
    rules.push_back(R({A("dc_r")}, {pos(A("dc_q"))}));
    DEPGRAPH g(rules, noConstraints, DEPGRAPH_PREDICATE_VIEW | DEPGRAPH_NEGATIVE_ORDER);
    EXPECT_EQ(g.componentOf(A("dc_p")), 0);
    EXPECT_EQ(g.componentOf(A("dc_q")), 1);
    EXPECT_EQ(g.componentOf(A("dc_r")), 2);
    EXPECT_EQ(g.componentRules[1].rules, std::vector<const RULE *>{&rules[0]});
    EXPECT_TRUE(g.componentRules[0].rules.empty());
}

TEST(Depgraph, UnrelatedChainsAreNumberedFromTheLastOne) {
    // a :- b. c :- d. with a, b, c, d registered in this order: d, c, b, a.
    registerNames({"du_a", "du_b", "du_c", "du_d"});
    std::vector<RULE> rules;
    rules.push_back(R({A("du_a")}, {pos(A("du_b"))}));
    rules.push_back(R({A("du_c")}, {pos(A("du_d"))}));
    DEPGRAPH g(rules, noConstraints, DEPGRAPH_PREDICATE_VIEW);
    EXPECT_EQ(g.componentOf(A("du_a")), 3);
    EXPECT_EQ(g.componentOf(A("du_b")), 2);
    EXPECT_EQ(g.componentOf(A("du_c")), 1);
    EXPECT_EQ(g.componentOf(A("du_d")), 0);
    // Only the predicates of rules are nodes: the indexes before them are not.
    EXPECT_EQ(g.nodes.size(), P("du_d") + 1);
    EXPECT_FALSE(g.isNode(P("du_a") - 1));
}

TEST(Depgraph, NegativeOrderPutsTheNegatedPredicateFirst) {
    // p :- not q. q :- not p.
    registerNames({"dv_p", "dv_q"});
    std::vector<RULE> rules;
    rules.push_back(R({A("dv_p")}, {neg(A("dv_q"))}));
    rules.push_back(R({A("dv_q")}, {neg(A("dv_p"))}));
    DEPGRAPH g(rules, noConstraints, DEPGRAPH_PREDICATE_VIEW | DEPGRAPH_NEGATIVE_ORDER);
    EXPECT_EQ(g.componentOf(A("dv_q")), 0);
    EXPECT_EQ(g.componentOf(A("dv_p")), 1);
    EXPECT_FALSE(g.isCyclic());
}

TEST(Depgraph, NegativeCycleTakesAdjacentNumbers) {
    // a :- not b. b :- c. c :- not a. plus the unrelated e :- f.
    registerNames({"dw_e", "dw_f", "dw_a", "dw_b", "dw_c"});
    std::vector<RULE> rules;
    rules.push_back(R({A("dw_a")}, {neg(A("dw_b"))}));
    rules.push_back(R({A("dw_b")}, {pos(A("dw_c"))}));
    rules.push_back(R({A("dw_c")}, {neg(A("dw_a"))}));
    rules.push_back(R({A("dw_e")}, {pos(A("dw_f"))}));
    DEPGRAPH plain(rules, noConstraints, DEPGRAPH_PREDICATE_VIEW);
    DEPGRAPH g(rules, noConstraints, DEPGRAPH_PREDICATE_VIEW | DEPGRAPH_NEGATIVE_ORDER);
    int32_t a = g.componentOf(A("dw_a")), b = g.componentOf(A("dw_b")), c = g.componentOf(A("dw_c"));
    EXPECT_EQ(std::max({a, b, c}) - std::min({a, b, c}), 2);
    EXPECT_EQ(a < b, plain.componentOf(A("dw_a")) < plain.componentOf(A("dw_b")));
    EXPECT_EQ(b < c, plain.componentOf(A("dw_b")) < plain.componentOf(A("dw_c")));
    EXPECT_LT(g.componentOf(A("dw_f")), g.componentOf(A("dw_e")));
}

TEST(Depgraph, ExitRulesBeforeRecursiveRulesInProgramOrder) {
    // p(X) :- p(Y), s(X,Y).   p(X) :- q(X).   p(X) :- not p(X), t(X).
    std::vector<RULE> rules;
    rules.push_back(R({A("dx_p", {var(0)})}, {pos(A("dx_p", {var(1)})), pos(A("dx_s", {var(0), var(1)}))}));
    rules.push_back(R({A("dx_p", {var(0)})}, {pos(A("dx_q", {var(0)}))}));
    rules.push_back(R({A("dx_p", {var(0)})}, {pos(A("dx_t", {var(0)})), neg(A("dx_p", {var(0)}))}));
    DEPGRAPH g(rules, noConstraints, DEPGRAPH_PREDICATE_VIEW | DEPGRAPH_NEGATIVE_ORDER);
    const COMPONENT_RULES<RULE> &cr =
        g.componentRules[static_cast<uint32_t>(g.componentOf(A("dx_p", {var(0)})))];
    EXPECT_EQ(cr.rules, (std::vector<const RULE *>{&rules[1], &rules[2], &rules[0]}));
    EXPECT_EQ(cr.firstRecursive, 2u);
    EXPECT_EQ(cr.recursiveRules().size(), 1u);
}

TEST(Depgraph, RuleWithHeadsInTwoComponentsIsListedInBoth) {
    // p v q :- r.  p :- p.  q :- s.
    std::vector<RULE> rules;
    rules.push_back(R({A("dy_p"), A("dy_q")}, {pos(A("dy_r"))}));
    rules.push_back(R({A("dy_p")}, {pos(A("dy_p"))}));
    rules.push_back(R({A("dy_q")}, {pos(A("dy_s"))}));
    DEPGRAPH g(rules, noConstraints, DEPGRAPH_PREDICATE_VIEW);
    uint32_t cp = static_cast<uint32_t>(g.componentOf(A("dy_p")));
    uint32_t cq = static_cast<uint32_t>(g.componentOf(A("dy_q")));
    ASSERT_NE(cp, cq);
    EXPECT_EQ(g.componentRules[cp].rules, (std::vector<const RULE *>{&rules[0], &rules[1]}));
    EXPECT_EQ(g.componentRules[cp].firstRecursive, 1u);
    EXPECT_EQ(g.componentRules[cq].rules, (std::vector<const RULE *>{&rules[0], &rules[2]}));
    EXPECT_EQ(g.componentRules[cq].firstRecursive, 2u);
    // p's component is cyclic through the self-dependent rule but not disjunctive.
    EXPECT_TRUE(g.isHCF());
    EXPECT_FALSE(g.isStronglyHCF());
}

TEST(Depgraph, DisjunctiveCycleIsNotHeadCycleFree) {
    // p v q :- r.  p :- q.  q :- p.
    std::vector<RULE> rules;
    rules.push_back(R({A("dh_p"), A("dh_q")}, {pos(A("dh_r"))}));
    rules.push_back(R({A("dh_p")}, {pos(A("dh_q"))}));
    rules.push_back(R({A("dh_q")}, {pos(A("dh_p"))}));
    DEPGRAPH g(rules, noConstraints, DEPGRAPH_PREDICATE_VIEW);
    EXPECT_TRUE(g.isCyclic());
    EXPECT_FALSE(g.isHCF());
    EXPECT_FALSE(g.isStronglyHCF());
    EXPECT_EQ(g.hcfCache, 0);
}

TEST(Depgraph, NegativeSelfLoopIsNotStratifiedUnderAllEdges) {
    std::vector<RULE> rules;
    rules.push_back(R({A("dl_p")}, {neg(A("dl_p"))}));
    DEPGRAPH g(rules, noConstraints, DEPGRAPH_PREDICATE_VIEW | DEPGRAPH_ALL_EDGES);
    EXPECT_FALSE(g.stratified(0));
    EXPECT_TRUE(g.cyclic(0));
}

TEST(Depgraph, ConstraintsGoToTheirHighestComponentUnlessUnderivable) {
    // q :- p.  with the constraints  :- e(X), q.  (e only in facts)  :- q, not e(X), p.
    registerNames({"dk_p", "dk_q"});
    std::vector<RULE> rules;
    rules.push_back(R({A("dk_q")}, {pos(A("dk_p"))}));
    std::vector<CONSTRAINT> constraints;
    constraints.push_back(C({pos(A("dk_e", {var(0)})), pos(A("dk_q"))}));
    constraints.push_back(C({pos(A("dk_q")), neg(A("dk_e", {var(0)})), pos(A("dk_p"))}));
    constraints.push_back(C({neg(A("dk_e", {var(0)}))}));
    DEPGRAPH g(rules, constraints, DEPGRAPH_PREDICATE_VIEW);
    uint32_t cq = static_cast<uint32_t>(g.componentOf(A("dk_q")));
    EXPECT_EQ(g.componentOf(A("dk_e", {var(0)})), -1);
    ASSERT_EQ(g.componentConstraints[cq].size(), 1u);
    EXPECT_EQ(g.componentConstraints[cq][0].body.size(), 3u);
    size_t listed = 0;
    for (const auto &list : g.componentConstraints)
        listed += list.size();
    EXPECT_EQ(listed, 1u);
    DEPGRAPH without(rules, constraints, DEPGRAPH_PREDICATE_VIEW | DEPGRAPH_NO_CONSTRAINT_LISTS);
    EXPECT_TRUE(without.componentConstraints.empty());
}

TEST(Depgraph, ConstraintEdgesLinkTheNodesOfAConstraint) {
    std::vector<RULE> rules;
    rules.push_back(R({A("dj_a")}, {pos(A("dj_x"))}));
    rules.push_back(R({A("dj_b")}, {pos(A("dj_y"))}));
    std::vector<CONSTRAINT> constraints;
    constraints.push_back(C({pos(A("dj_a")), pos(A("dj_b"))}));
    DEPGRAPH g(rules, constraints, DEPGRAPH_PREDICATE_VIEW | DEPGRAPH_CONSTRAINT_EDGES);
    EXPECT_EQ(g.componentOf(A("dj_a")), g.componentOf(A("dj_b")));
}

TEST(Depgraph, AggregateLiteralsStandForTheirInnerPredicate) {
    // h :- #count{X : aux(X)} >= 1.   g :- not #count{X : aux(X)} >= 1, g.
    std::vector<RULE> rules;
    rules.push_back(R({A("da_h")}, {countOver(A("da_aux", {var(0)}), false)}));
    rules.push_back(R({A("da_g")}, {countOver(A("da_aux", {var(0)}), true), pos(A("da_g"))}));
    DEPGRAPH g(rules, noConstraints, DEPGRAPH_PREDICATE_VIEW | DEPGRAPH_NEGATIVE_ORDER);
    uint32_t aux = P("da_aux"), h = P("da_h"), gp = P("da_g");
    EXPECT_EQ(g.adjacency[aux], (std::vector<uint32_t>{h, gp}));
    ASSERT_EQ(g.edges.size(), 1u);
    EXPECT_EQ(g.edges[0].from, aux);
    // The node refers to the inner atom, and the aggregate's component is the inner one's.
    ASSERT_TRUE(g.isNode(aux));
    EXPECT_EQ(g.nodes[aux]->predicate, aux);
    EXPECT_EQ(g.componentOf(rules[0].body->literals[0].atom), g.componentOf(A("da_aux", {var(0)})));
    // Only the positive literal g makes the second rule recursive; the aggregate never does.
    const COMPONENT_RULES<RULE> &cg = g.componentRules[uint32_t(g.componentOf(A("da_g")))];
    EXPECT_EQ(cg.firstRecursive, 0u);
    const COMPONENT_RULES<RULE> &ch = g.componentRules[uint32_t(g.componentOf(A("da_h")))];
    EXPECT_EQ(ch.firstRecursive, 1u);
}

GATOM_ID G(const std::string &name) { return groundAtomTable.add(A(name)); }

GRULE GR(std::vector<GATOM_ID> head, std::vector<GLITERAL> body) {
    GBODY b;
    for (GLITERAL l : body)
        b.add(l);
    bool hasBody = !body.empty();
    return GRULE(std::move(head), std::move(b), hasBody);
}

TEST(GroundDepgraph, NegationOrdersComponentsOnlyWhenAsked) {
    // a :- b.  b :- a.  c :- not a.
    GATOM_ID a = G("gd_a"), b = G("gd_b"), c = G("gd_c");
    std::vector<GRULE> rules;
    rules.push_back(GR({a}, {{b, false}}));
    rules.push_back(GR({b}, {{a, false}}));
    rules.push_back(GR({c}, {{a, true}}));
    std::vector<GCONSTRAINT> none;
    DEPGRAPH plain(rules, none, 0);
    EXPECT_EQ(plain.componentOf(c), 0);
    EXPECT_EQ(plain.componentOf(a), 1);
    EXPECT_EQ(plain.componentOf(b), 1);
    EXPECT_TRUE(plain.cyclic(1));
    EXPECT_TRUE(plain.hcf(1));
    EXPECT_TRUE(plain.stronglyHcf(1));
    EXPECT_FALSE(plain.cyclic(0));
    DEPGRAPH ordered(rules, none, DEPGRAPH_NEGATIVE_ORDER);
    EXPECT_EQ(ordered.componentOf(a), 0);
    EXPECT_EQ(ordered.componentOf(c), 1);
    EXPECT_EQ(ordered.componentNodes(0), (std::vector<uint32_t>{uint32_t(a), uint32_t(b)}));
}

TEST(GroundDepgraph, GroundSetAtomsLeadToTheirAggregate) {
    GATOM_ID x = G("ga_x"), y = G("ga_y"), h = G("ga_h");
    AGGREGATE_SPEC spec;
    spec.type = AGGREGATE_COUNT;
    spec.terms = TERMS{var(0)};
    spec.set = std::make_unique<GROUND_SET>();
    spec.set->insert({makeIntegerTerm(1), x});
    spec.set->insert({makeIntegerTerm(2), y});
    AGGREGATE_ATOM part;
    part.function = AGGREGATEFUNCTION::make(spec);
    part.lowerGuard = makeIntegerTerm(1);
    part.upperGuard = makeIntegerTerm(2);
    uint32_t p = predicateTable.add("#count", 0, PREDICATE_AGGREGATE).first;
    GATOM_ID agg = groundAtomTable.add(ATOM(p, std::move(part)));
    std::vector<GRULE> rules;
    rules.push_back(GR({h}, {{agg, false}}));
    std::vector<GCONSTRAINT> none;
    DEPGRAPH g(rules, none, 0);
    EXPECT_EQ(g.adjacency[uint32_t(x)], std::vector<uint32_t>{uint32_t(agg)});
    EXPECT_EQ(g.adjacency[uint32_t(y)], std::vector<uint32_t>{uint32_t(agg)});
    EXPECT_EQ(g.adjacency[uint32_t(agg)], std::vector<uint32_t>{uint32_t(h)});
    EXPECT_TRUE(g.isNode(uint32_t(x)));
    // An aggregate literal does not make its rule recursive.
    EXPECT_EQ(g.componentRules[uint32_t(g.componentOf(h))].firstRecursive, 1u);
}

TEST(GroundDepgraph, AtomsOnlyInConstraintsAreNoNodes) {
    GATOM_ID h = G("gc_h"), x = G("gc_x"), only = G("gc_only");
    std::vector<GRULE> rules;
    rules.push_back(GR({h}, {{x, false}}));
    std::vector<GCONSTRAINT> constraints;
    GBODY b1, b2;
    b1.add({h, false});
    b1.add({only, true});
    b2.add({only, false});
    b2.add({h, false});
    constraints.emplace_back(b1);
    constraints.emplace_back(b2);
    DEPGRAPH g(rules, constraints, 0);
    EXPECT_EQ(g.componentOf(only), -1);
    uint32_t ch = static_cast<uint32_t>(g.componentOf(h));
    ASSERT_EQ(g.componentConstraints[ch].size(), 1u);
    EXPECT_EQ(g.componentConstraints[ch][0].body.firstNegative, 1u);
}

TEST(GroundDepgraph, EmptyGroundProgram) {
    std::vector<GRULE> rules;
    std::vector<GCONSTRAINT> none;
    DEPGRAPH g(rules, none, 0);
    EXPECT_EQ(g.componentCount(), 0u);
    EXPECT_EQ(g.componentOf(GATOM_ID(0)), -1);
    EXPECT_FALSE(g.isCyclic());
    EXPECT_TRUE(g.isHCF());
}

TEST(GroundDepgraph, LongChainOfRulesBuildsWithoutDeepRecursion) {
    // a(0) :- a(1).  a(1) :- a(2).  ...  over a million atoms: one component per atom, numbered
    // in chain order, and no call depth that grows with the chain.
    const int n = 1000000;
    std::vector<GATOM_ID> ids;
    ids.reserve(n);
    for (int i = 0; i < n; i++)
        ids.push_back(groundAtomTable.add(A("gl_chain", {makeIntegerTerm(i)})));
    std::vector<GRULE> rules;
    rules.reserve(n);
    for (int i = 0; i + 1 < n; i++)
        rules.push_back(GR({ids[i]}, {{ids[i + 1], false}}));
    std::vector<GCONSTRAINT> none;
    DEPGRAPH g(rules, none, 0);
    EXPECT_EQ(g.componentCount(), static_cast<uint32_t>(n));
    EXPECT_EQ(g.componentOf(ids[n - 1]), 0);
    EXPECT_EQ(g.componentOf(ids[0]), n - 1);
    EXPECT_FALSE(g.isCyclic());
    // Closed into a cycle the chain is one cyclic component.
    rules.push_back(GR({ids[n - 1]}, {{ids[0], false}}));
    DEPGRAPH cycle(rules, none, DEPGRAPH_NEGATIVE_ORDER);
    EXPECT_EQ(cycle.componentCount(), 1u);
    EXPECT_TRUE(cycle.isCyclic());
    EXPECT_EQ(cycle.componentRules[0].recursiveRules().size(), size_t(n));
}

}  // namespace
