// Component search, numbering and properties over plain node indexes.
#include <gtest/gtest.h>

#include "analysis/depgraph_components.h"

namespace {

// A graph given directly by its adjacency lists, its negative dependencies and its disjunctive
// heads; edges run from the body node to the head node, as in the dependency graphs.
struct TEST_GRAPH : DEPGRAPH_COMPONENTS {
    TEST_GRAPH(uint32_t n, std::vector<std::pair<uint32_t, uint32_t>> positive,
               std::vector<DEPGRAPH_EDGE> negative, bool negativeOrder,
               std::vector<uint8_t> isNode = {}, std::vector<uint8_t> self = {},
               std::vector<std::vector<uint32_t>> heads = {}) {
        adjacency.assign(n, {});
        for (auto [from, to] : positive)
            adjacency[from].push_back(to);
        edges = std::move(negative);
        for (const std::vector<uint32_t> &head : heads) {
            disjunctiveHeadNodes.insert(disjunctiveHeadNodes.end(), head.begin(), head.end());
            disjunctiveHeadEnds.push_back(disjunctiveHeadNodes.size());
        }
        if (isNode.empty())
            isNode.assign(n, 1);
        findComponents(isNode, negativeOrder);
        selfDependent.assign(components.size(), 0);
        for (uint32_t v : self)
            selfDependent[static_cast<uint32_t>(componentNumbers[v])] = 1;
    }
};

std::vector<int32_t> numbers(const TEST_GRAPH &g) { return g.componentNumbers; }

TEST(SccFinder, ChainsAndCyclesNumberedInCompletionOrder) {
    // 0 -> 1 -> 2 -> 0 is one component; 3 hangs off it.
    std::vector<std::vector<uint32_t>> adj = {{1}, {2}, {0, 3}, {}};
    SCC_RESULT r;
    r.isNode.assign(4, 1);
    SCC_FINDER f(adj, r);
    EXPECT_EQ(r.componentCount, 2u);
    EXPECT_EQ(r.componentOf, (std::vector<int32_t>{1, 1, 1, 0}));
    ASSERT_EQ(r.edges.size(), 1u);
    EXPECT_EQ(r.edges[0].from, 2u);
    EXPECT_EQ(r.edges[0].to, 3u);
}

TEST(SccFinder, IndexesThatAreNoNodeGetNoNumber) {
    std::vector<std::vector<uint32_t>> adj = {{}, {}, {}};
    SCC_RESULT r;
    r.isNode = {1, 0, 1};
    SCC_FINDER f(adj, r);
    EXPECT_EQ(r.componentOf, (std::vector<int32_t>{0, -1, 1}));
    EXPECT_EQ(r.componentCount, 2u);
    EXPECT_EQ(r.noNodeCount, 1u);
}

TEST(SccFinder, LongChainNeedsNoDeepRecursion) {
    const uint32_t n = 1000000;
    std::vector<std::vector<uint32_t>> adj(n);
    for (uint32_t v = 0; v + 1 < n; v++)
        adj[v].push_back(v + 1);
    SCC_RESULT r;
    r.isNode.assign(n, 1);
    SCC_FINDER f(adj, r);
    EXPECT_EQ(r.componentCount, n);
    EXPECT_EQ(r.componentOf[0], static_cast<int32_t>(n - 1));
    EXPECT_EQ(r.componentOf[n - 1], 0);
    // The same chain closed into a cycle is one component.
    adj[n - 1].push_back(0);
    SCC_FINDER g(adj, r);
    EXPECT_EQ(r.componentCount, 1u);
}

TEST(DepgraphComponents, EveryComponentComesAfterWhatItDependsOn) {
    // q :- p. r :- q. with p 0, q 1, r 2.
    TEST_GRAPH g(3, {{0, 1}, {1, 2}}, {}, false);
    EXPECT_EQ(numbers(g), (std::vector<int32_t>{0, 1, 2}));
}

TEST(DepgraphComponents, UnrelatedChainsInDecreasingOrderOfLowestNumber) {
    // a :- b. c :- d. with a 0, b 1, c 2, d 3: the order is d, c, b, a.
    TEST_GRAPH g(4, {{1, 0}, {3, 2}}, {}, false);
    EXPECT_EQ(numbers(g), (std::vector<int32_t>{3, 2, 1, 0}));
    EXPECT_EQ(g.components[0], (std::vector<uint32_t>{3}));
}

TEST(DepgraphComponents, NegativeOrderTakesTheFirstNegativeEdgeOfAPair) {
    // p :- not q. q :- not p. with p 0, q 1.
    std::vector<DEPGRAPH_EDGE> neg = {{1, 0}, {0, 1}};
    TEST_GRAPH plain(2, {}, neg, false);
    EXPECT_EQ(numbers(plain), (std::vector<int32_t>{1, 0}));
    TEST_GRAPH ordered(2, {}, neg, true);
    EXPECT_EQ(numbers(ordered), (std::vector<int32_t>{1, 0}));
    // Listed the other way round, the first edge wins again.
    TEST_GRAPH swapped(2, {}, {{0, 1}, {1, 0}}, true);
    EXPECT_EQ(numbers(swapped), (std::vector<int32_t>{0, 1}));
}

TEST(DepgraphComponents, NegativeCycleBecomesAGroupOfAdjacentNumbers) {
    // a :- not b. b :- c. c :- not a. with a 0, b 1, c 2, plus an unrelated d :- e.
    std::vector<DEPGRAPH_EDGE> neg = {{1, 0}, {0, 2}};
    TEST_GRAPH plain(5, {{2, 1}, {4, 3}}, neg, false);
    TEST_GRAPH ordered(5, {{2, 1}, {4, 3}}, neg, true);
    std::vector<int32_t> p = numbers(plain), o = numbers(ordered);
    // a, b, c keep their relative order and take adjacent numbers.
    int32_t lo = std::min({o[0], o[1], o[2]}), hi = std::max({o[0], o[1], o[2]});
    EXPECT_EQ(hi - lo, 2);
    EXPECT_EQ(p[0] < p[1], o[0] < o[1]);
    EXPECT_EQ(p[1] < p[2], o[1] < o[2]);
    EXPECT_LT(o[4], o[3]);
}

TEST(DepgraphComponents, FlagsAndWholeGraphAnswers) {
    struct CASE {
        const char *name;
        uint32_t n;
        std::vector<std::pair<uint32_t, uint32_t>> positive;
        std::vector<DEPGRAPH_EDGE> negative;
        std::vector<std::vector<uint32_t>> heads;
        std::vector<uint8_t> self;
        bool cyclic, hcf, strongly;
    };
    std::vector<CASE> cases = {
        {"empty graph", 0, {}, {}, {}, {}, false, true, true},
        // p v q :- r. p :- q. q :- p. (p 0, q 1, r 2)
        {"disjunctive cycle", 3, {{2, 0}, {2, 1}, {1, 0}, {0, 1}}, {}, {{0, 1}}, {}, true, false, false},
        // p v q :- r. p :- p.
        {"self-dependent, disjunction across", 3, {{2, 0}, {2, 1}, {0, 0}}, {}, {{0, 1}}, {0}, true, true,
         false},
        // a v b v c v d. a :- c. c :- a. (a 0, b 1, c 2, d 3): the two atoms of the head that share
        // a component are neither adjacent nor first in the head.
        {"long head, far apart", 4, {{0, 2}, {2, 0}}, {}, {{1, 0, 3, 2}}, {}, true, false, false},
        // a v b. c v d. a :- c. c :- a.: a and c share a component but no head.
        {"cycle across two heads", 4, {{0, 2}, {2, 0}}, {}, {{0, 1}, {2, 3}}, {}, true, true, true},
        // p :- not p.: cyclic without an edge, through the self-dependent rule
        {"negative loop", 1, {}, {{0, 0}}, {}, {0}, true, true, false},
        {"acyclic chain", 2, {{0, 1}}, {}, {}, {}, false, true, true},
    };
    for (const CASE &c : cases) {
        SCOPED_TRACE(c.name);
        TEST_GRAPH g(c.n, c.positive, c.negative, false, {}, c.self, c.heads);
        EXPECT_EQ(g.isCyclic(), c.cyclic);
        EXPECT_EQ(g.isHCF(), c.hcf);
        EXPECT_EQ(g.isStronglyHCF(), c.strongly);
        // cached answers stay
        EXPECT_EQ(g.cyclicCache, c.cyclic ? 1 : 0);
        EXPECT_EQ(g.hcfCache, c.hcf ? 1 : 0);
    }
}

TEST(DepgraphComponents, SelfLoopAloneIsNotACycle) {
    // An adjacency edge from a node to itself (two equal head atoms under all edges) does not
    // make a one-node component cyclic; only a self-dependent rule does. The head with one node
    // twice is disjunctive all the same.
    TEST_GRAPH g(1, {{0, 0}}, {}, false, {}, {}, {{0, 0}});
    EXPECT_FALSE(g.cyclic(0));
    EXPECT_TRUE(g.isDisjunctive(0));
    EXPECT_TRUE(g.stratified(0));
    TEST_GRAPH n(1, {}, {{0, 0}}, false);
    EXPECT_FALSE(n.stratified(0));
}

}  // namespace
