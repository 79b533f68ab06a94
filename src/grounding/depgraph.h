// The dependency graph of a program: one node per predicate (over `RULE`s) or per ground atom
// (over `GRULE`s), an edge from every body literal to every head atom of the same rule, and the
// strongly connected components with the rules and constraints that belong to each.
//
// One template serves both kinds of node; the class template argument is deduced from the rule
// vector, so `DEPGRAPH graph(IDB, noConstraints, DEPGRAPH_PREDICATE_VIEW | ...)` builds the
// predicate graph and `DEPGRAPH graph(groundRules, groundConstraints, 0)` the ground one. The
// graph refers to the caller's rule vector, which must outlive it; it owns copies of the
// constraints it lists. The component search, numbering and properties are in
// depgraph_components.h. The grounder works through the components in number order.
//
// In the predicate graph the node of an aggregate atom is the predicate of the first literal of
// its symbolic set (the auxiliary atom that collects the set); in the ground graph an aggregate
// atom is a node of its own and every atom of its ground set has an edge to it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <type_traits>
#include <vector>

#include "core/program.h"
#include "grounding/aggregate_access.h"
#include "grounding/depgraph_components.h"
#include "grounding/ground_program.h"

// The rules of one component: exit rules first, from `firstRecursive` on the recursive ones,
// each part in the order of the program's rule vector.
template <class RULE_T>
struct COMPONENT_RULES {
    std::vector<const RULE_T *> rules;
    uint32_t firstRecursive = 0;

    std::span<const RULE_T *const> exitRules() const { return {rules.data(), firstRecursive}; }
    std::span<const RULE_T *const> recursiveRules() const {
        return {rules.data() + firstRecursive, rules.size() - firstRecursive};
    }
};

namespace depgraph_detail {

// The node of a non-ground atom: its predicate, or for an aggregate atom the predicate of its
// symbolic set's first literal.
inline uint32_t nodeOf(const ATOM &atom) {
    if (atom.isAggregate())
        if (const LITERAL *set = aggregateSetLiteral(atom))
            return set->atom.predicate;
    return atom.predicate;
}
inline uint32_t nodeOf(GATOM_ID atom) { return static_cast<uint32_t>(atom); }
inline uint32_t nodeOf(const LITERAL &literal) { return nodeOf(literal.atom); }
inline uint32_t nodeOf(const GLITERAL &literal) { return nodeOf(literal.atom); }

inline std::span<const ATOM> heads(const RULE &rule) { return rule.head; }
inline std::span<const GATOM_ID> heads(const GRULE &rule) { return rule.head; }
inline std::span<const LITERAL> bodyOf(const RULE &rule) {
    return rule.body ? std::span<const LITERAL>(rule.body->literals) : std::span<const LITERAL>();
}
inline std::span<const GLITERAL> bodyOf(const GRULE &rule) {
    return rule.hasBody ? std::span<const GLITERAL>(rule.body.literals) : std::span<const GLITERAL>();
}
inline uint32_t firstNegativeOf(const RULE &rule) { return rule.body ? rule.body->firstNegative : 0; }
inline uint32_t firstNegativeOf(const GRULE &rule) { return rule.hasBody ? rule.body.firstNegative : 0; }
inline std::span<const LITERAL> bodyOf(const CONSTRAINT &c) { return c.body.literals; }
inline std::span<const GLITERAL> bodyOf(const GCONSTRAINT &c) { return c.body.literals; }

inline bool isAggregateLiteral(const LITERAL &literal) { return literal.atom.isAggregate(); }
inline bool isAggregateLiteral(const GLITERAL &literal) {
    return predicateTable.kind(groundAtomTable[literal.atom].predicate) == PREDICATE_AGGREGATE;
}

// Whether a body literal is the same as a head atom: the same predicate in the predicate view,
// else equal atoms (variables included); equal atom numbers in a ground graph.
inline bool sameAtom(const LITERAL &literal, const ATOM &head, bool predicateView) {
    if (predicateView)
        return nodeOf(literal.atom) == nodeOf(head);
    return compareAtom(literal.atom, head) == 0;
}
inline bool sameAtom(const GLITERAL &literal, GATOM_ID head, bool) { return literal.atom == head; }

}  // namespace depgraph_detail

template <class RULE_T, class CONSTRAINT_T>
class DEPGRAPH : public DEPGRAPH_COMPONENTS {
public:
    static constexpr bool GROUND = std::is_same_v<RULE_T, GRULE>;
    // The first atom seen for a node in the predicate graph; a mark in the ground graph, where
    // the atom is read from the ground atom table. Empty (null, 0) for an index that is no node.
    using NODE_REF = std::conditional_t<GROUND, uint8_t, const ATOM *>;

    const std::vector<RULE_T> *rules;
    std::vector<NODE_REF> nodes;
    std::vector<COMPONENT_RULES<RULE_T>> componentRules;
    std::vector<std::vector<CONSTRAINT_T>> componentConstraints;

    DEPGRAPH(const std::vector<RULE_T> &rules, const std::vector<CONSTRAINT_T> &constraints,
             unsigned flags);

    bool isNode(uint32_t index) const { return index < nodes.size() && nodes[index]; }
    // The component of an atom's node, or -1 when it is no node.
    int32_t componentOf(const ATOM &atom) const {
        uint32_t node = depgraph_detail::nodeOf(atom);
        return isNode(node) ? componentNumbers[node] : -1;
    }
    int32_t componentOf(GATOM_ID atom) const {
        uint32_t node = depgraph_detail::nodeOf(atom);
        return atom >= 0 && isNode(node) ? componentNumbers[node] : -1;
    }
    const std::vector<uint32_t> &componentNodes(uint32_t c) const { return components[c]; }

    // The dump of --depgraph.
    void print(FILE *stream);

private:
    void addNode(uint32_t node, NODE_REF ref);
    void addRuleEdges(const std::vector<RULE_T> &rules);
    void addConstraintEdges(const std::vector<CONSTRAINT_T> &constraints);
    void collectComponentRules(const std::vector<RULE_T> &rules);
    void collectComponentConstraints(const std::vector<CONSTRAINT_T> &constraints);
    void printNode(FILE *stream, uint32_t node, bool byName) const;
};

template <class RULE_T, class CONSTRAINT_T>
DEPGRAPH(const std::vector<RULE_T> &, const std::vector<CONSTRAINT_T> &, unsigned)
    -> DEPGRAPH<RULE_T, CONSTRAINT_T>;

using PREDICATE_DEPGRAPH = DEPGRAPH<RULE, CONSTRAINT>;
using GROUND_DEPGRAPH = DEPGRAPH<GRULE, GCONSTRAINT>;

extern template class DEPGRAPH<RULE, CONSTRAINT>;
extern template class DEPGRAPH<GRULE, GCONSTRAINT>;

// Prints the four graphs of --depgraph on standard output.
void printDependencyGraphs(const std::vector<RULE> &rules, const std::vector<CONSTRAINT> &constraints,
                           const std::vector<GRULE> &groundRules,
                           const std::vector<GCONSTRAINT> &groundConstraints);
// The --depgraph step of the run: under the option, prints the four graphs and ends the run at
// once with status 0.
void dumpDependencyGraphs();
// One row per node index: for each index v, how often v occurs in the row's adjacency list.
void printAdjacencyMatrix(const std::vector<std::vector<uint32_t>> &adjacency);
