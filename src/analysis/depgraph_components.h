// The node-independent half of a dependency graph: adjacency lists, the recorded negative
// dependencies and disjunctive heads, the components with their numbering and their properties.
//
// `DEPGRAPH` (depgraph.h) derives from this for predicates and for ground atoms; everything here
// works on node indexes only. Component numbers are the order in which the grounder works
// through the components and the numbers printed as "COMPONENT n", so the search, the two
// reorderings and the tie-breaks are fixed. The whole-graph answers are computed on first demand
// and cached in signed fields that hold -1 until then.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "analysis/scc_finder.h"

enum : unsigned {
    DEPGRAPH_PREDICATE_VIEW = 0x1,
    DEPGRAPH_ALL_EDGES = 0x10,
    DEPGRAPH_CONSTRAINT_EDGES = 0x100,
    DEPGRAPH_NO_CONSTRAINT_LISTS = 0x1000,
    DEPGRAPH_NEGATIVE_ORDER = 0x10000,
};

// A negative dependency: `from` is the node of a default-negated body literal, `to` a head node
// of the same rule.
struct DEPGRAPH_EDGE {
    uint32_t from;
    uint32_t to;
};

class DEPGRAPH_COMPONENTS {
public:
    std::vector<std::vector<uint32_t>> adjacency;
    bool predicateView = false;
    bool allEdges = false;
    std::vector<uint8_t> notStratified;  // empty until computeComponentFlags
    std::vector<uint8_t> disjunctive;    // empty until computeComponentFlags
    std::vector<uint8_t> selfDependent;  // per component, set while the rules are collected
    std::vector<uint8_t> ruleSelfDependent;  // per rule
    int32_t cyclicCache = -1;
    int32_t hcfCache = -1;
    int32_t stronglyHcfCache = -1;
    std::vector<DEPGRAPH_EDGE> edges;
    // The heads of two or more atoms, one after another: head h holds the nodes from
    // disjunctiveHeadEnds[h - 1] (0 for the first) to disjunctiveHeadEnds[h]. A component is
    // disjunctive when two positions of one head lie in it. The heads are kept whole rather than
    // as pairs, so a head of n atoms costs n entries, not n * (n - 1).
    std::vector<uint32_t> disjunctiveHeadNodes;
    std::vector<size_t> disjunctiveHeadEnds;
    std::vector<std::vector<uint32_t>> components;  // nodes in ascending index, per component
    std::vector<int32_t> componentNumbers;          // per node index, -1 for no node

    uint32_t componentCount() const { return static_cast<uint32_t>(components.size()); }
    int32_t componentOfNode(uint32_t node) const {
        return node < componentNumbers.size() ? componentNumbers[node] : -1;
    }

    // Renumber the components of a search result in place (always), and again so that negative
    // dependencies are respected too (DEPGRAPH_NEGATIVE_ORDER).
    static void orderComponents(SCC_RESULT &result);
    void orderComponentsWithNegation(SCC_RESULT &result, const std::vector<uint8_t> &isNode) const;

    void computeComponentFlags();
    bool isCyclic();
    bool isHCF();
    bool isStronglyHCF();

    // Component tests.
    bool cyclic(uint32_t c) const { return selfDependent[c] || components[c].size() >= 2; }
    bool isDisjunctive(uint32_t c) {
        if (disjunctive.empty()) computeComponentFlags();
        return disjunctive[c] != 0;
    }
    bool stratified(uint32_t c) {
        if (notStratified.empty()) computeComponentFlags();
        return notStratified[c] == 0;
    }
    bool hcf(uint32_t c) { return !cyclic(c) || !isDisjunctive(c); }
    bool stronglyHcf(uint32_t c) { return !cyclic(c) || (!isDisjunctive(c) && !selfDependent[c]); }

protected:
    // Construction steps 6 to 10: is-node bytes from the caller, the search, both orderings and
    // the per-component node lists.
    void findComponents(const std::vector<uint8_t> &isNode, bool negativeOrder);
};
