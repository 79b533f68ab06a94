// The --depgraph dump of one graph: header, whole-graph answers, node line, adjacency matrix and
// components with their flags, members, rules and constraints.
#include <gtest/gtest.h>

#include <string>

#include "grounding/ground_depgraph.h"
#include "support/option_values.h"

namespace {

TERM var(uint32_t v) { return makeVariableTerm(v); }
ATOM A(const std::string &name, std::vector<TERM> args = {}) {
    return ATOM(name.c_str(), std::span<const TERM>(args), PREDICATE_IDB);
}
RULE R(std::vector<ATOM> head, std::vector<LITERAL> body) {
    CONJUNCTION c;
    for (LITERAL &l : body)
        c.append(std::move(l));
    return RULE(std::move(head), std::move(c));
}

template <class GRAPH>
std::string dump(GRAPH &g) {
    testing::internal::CaptureStdout();
    g.print(stdout);
    fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

// Matrix rows over n indexes, all zero except the given entries (row, column, count).
std::string matrix(uint32_t n, std::vector<std::tuple<uint32_t, uint32_t, uint32_t>> entries) {
    std::string s;
    for (uint32_t u = 0; u < n; u++) {
        for (uint32_t v = 0; v < n; v++) {
            uint32_t count = 0;
            for (auto [r, c, k] : entries)
                if (r == u && c == v)
                    count = k;
            s += std::to_string(count) + " ";
        }
        s += "\n";
    }
    return s;
}

TEST(DepgraphPrint, EmptyProgram) {
    std::vector<RULE> rules;
    std::vector<CONSTRAINT> constraints;
    DEPGRAPH g(rules, constraints, DEPGRAPH_PREDICATE_VIEW | DEPGRAPH_NEGATIVE_ORDER);
    EXPECT_EQ(dump(g), "DEPGRAPH: (0 atoms, 0 components)\n"
                       "DEPGRAPH::isCyclic() : false\n"
                       "DEPGRAPH::isHCF() : true\n"
                       "DEPGRAPH::isStronglyHCF() : true\n"
                       "\n"
                       "\n"
                       "\n");
    DEPGRAPH all(rules, constraints, DEPGRAPH_PREDICATE_VIEW | DEPGRAPH_ALL_EDGES);
    EXPECT_EQ(dump(all), "DEPGRAPH: (0 atoms, 0 components)\n\n\n\n");
}

TEST(DepgraphPrint, ChainWithoutNegation) {
    // p :- q. with q registered before p.
    ATOM q = A("dp_q"), p = A("dp_p");
    std::vector<RULE> rules;
    rules.push_back(R({p}, {LITERAL(q, false)}));
    std::vector<CONSTRAINT> constraints;
    DEPGRAPH g(rules, constraints, DEPGRAPH_PREDICATE_VIEW | DEPGRAPH_NEGATIVE_ORDER);
    uint32_t n = p.predicate + 1;
    EXPECT_EQ(dump(g), "DEPGRAPH: (" + std::to_string(n) + " atoms, 2 components)\n"
                       "DEPGRAPH::isCyclic() : false\n"
                       "DEPGRAPH::isHCF() : true\n"
                       "DEPGRAPH::isStronglyHCF() : true\n"
                       "\n"
                       "dp_q dp_p \n" +
                           matrix(n, {{q.predicate, p.predicate, 1}}) +
                           "\n"
                           "COMPONENT 1:  hcf  strongly hcf  acyclic\n"
                           "   { dp_q }\n"
                           "COMPONENT 2:  hcf  strongly hcf  acyclic\n"
                           "   { dp_p }\n"
                           "   dp_p :- dp_q.\n");
}

TEST(DepgraphPrint, AllEdgesShowStratificationDisjunctionAndConstraints) {
    // a(X) v b(X) :- c(X).  a(X) :- b(X), not a(X).  :- a(X), not c(X).
    ATOM c = A("dq_c", {var(0)}), a = A("dq_a", {var(0)}), b = A("dq_b", {var(0)});
    std::vector<RULE> rules;
    rules.push_back(R({a, b}, {LITERAL(c, false)}));
    rules.push_back(R({a}, {LITERAL(b, false), LITERAL(a, true)}));
    std::vector<CONSTRAINT> constraints(1);
    constraints[0].body.append(LITERAL(a, false));
    constraints[0].body.append(LITERAL(c, true));
    DEPGRAPH g(rules, constraints, DEPGRAPH_PREDICATE_VIEW | DEPGRAPH_ALL_EDGES);
    uint32_t n = b.predicate + 1;
    EXPECT_EQ(dump(g), "DEPGRAPH: (" + std::to_string(n) + " atoms, 2 components)\n"
                       "\n"
                       "dq_c(_0) dq_a(_0) dq_b(_0) \n" +
                           matrix(n, {{c.predicate, a.predicate, 1},
                                      {c.predicate, b.predicate, 1},
                                      {a.predicate, b.predicate, 1},
                                      {b.predicate, a.predicate, 2},
                                      {a.predicate, a.predicate, 1}}) +
                           "\n"
                           "COMPONENT 1:  stratified  not disjunctive\n"
                           "   { dq_c }\n"
                           "COMPONENT 2:  not stratified  disjunctive\n"
                           "   { dq_a , dq_b }\n"
                           "   dq_a(_0) v dq_b(_0) :- dq_c(_0).\n"
                           "   dq_a(_0) :- dq_b(_0), not dq_a(_0).\n"
                           "   :- dq_a(_0), not dq_c(_0).\n");
}

TEST(DepgraphPrint, GroundGraphPrintsAtomsOrTheirNumbers) {
    GATOM_ID x = groundAtomTable.add(A("dg_x")), y = groundAtomTable.add(A("dg_y"));
    std::vector<GRULE> rules;
    GBODY body;
    body.add({x, true});
    rules.emplace_back(std::vector<GATOM_ID>{y}, std::move(body), true);
    std::vector<GCONSTRAINT> none;
    DEPGRAPH g(rules, none, 0);
    std::string text = dump(g);
    EXPECT_NE(text.find("dg_x dg_y \n"), std::string::npos);
    EXPECT_NE(text.find("   dg_y :- not dg_x.\n"), std::string::npos);
    bool saved = optSatlike;
    optSatlike = true;
    text = dump(g);
    optSatlike = saved;
    std::string numbers = std::to_string(x) + " " + std::to_string(y) + " \n";
    EXPECT_NE(text.find(numbers), std::string::npos);
    EXPECT_NE(text.find("   " + std::to_string(y) + " :- not " + std::to_string(x) + ".\n"),
              std::string::npos);
}

}  // namespace
