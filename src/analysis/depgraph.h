// The dependency graph of a program: one node per predicate (over `RULE`s) or per ground atom
// (over `GRULE`s), an edge from every body literal to every head atom of the same rule, and the
// strongly connected components with the rules and constraints that belong to each.
//
// One template serves both kinds of node; the class template argument is deduced from the rule
// vector, so `DEPGRAPH graph(IDB, noConstraints, DEPGRAPH_PREDICATE_VIEW | ...)` builds the
// predicate graph and `DEPGRAPH graph(groundRules, groundConstraints, 0)` the ground one. What
// the graph reads of a rule is `DEPGRAPH_RULES<RULE_T>`: the one for `RULE` is here, the one for
// `GRULE` beside the ground program (grounding/ground_depgraph.h), so that program analysis
// knows nothing of grounding. The member definitions are in depgraph_build.h, included only where
// a graph type is instantiated. The graph refers to the caller's rule vector, which must outlive
// it; it owns copies of the constraints it lists. The component search, numbering and properties are in
// depgraph_components.h. The grounder works through the components in number order.
//
// In the predicate graph the node of an aggregate atom is the predicate of the first literal of
// its symbolic set (the auxiliary atom that collects the set); in the ground graph an aggregate
// atom is a node of its own and every atom of its ground set has an edge to it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <vector>

#include "analysis/aggregate_access.h"
#include "analysis/depgraph_components.h"
#include "core/gatom_table.h"
#include "core/printer.h"
#include "core/program.h"

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

}  // namespace depgraph_detail

// What the graph reads of a rule type and how it prints its parts. Specialised here for the
// program's rules and beside the ground program (grounding/ground_depgraph.h) for ground rules.
template <class RULE_T>
struct DEPGRAPH_RULES;

template <>
struct DEPGRAPH_RULES<RULE> {
    static constexpr bool GROUND = false;
    // The first atom seen for a node; null for an index that is no node.
    using NODE_REF = const ATOM *;

    static uint32_t nodeOf(const ATOM &atom) { return depgraph_detail::nodeOf(atom); }
    static uint32_t nodeOf(const LITERAL &literal) { return depgraph_detail::nodeOf(literal.atom); }
    static std::span<const ATOM> heads(const RULE &rule) { return rule.head; }
    static bool hasBody(const RULE &rule) { return rule.body != nullptr; }
    static std::span<const LITERAL> bodyOf(const RULE &rule) {
        return rule.body ? std::span<const LITERAL>(rule.body->literals) : std::span<const LITERAL>();
    }
    static uint32_t firstNegativeOf(const RULE &rule) { return rule.body ? rule.body->firstNegative : 0; }
    static std::span<const LITERAL> bodyOf(const CONSTRAINT &c) { return c.body.literals; }
    static bool isAggregateLiteral(const LITERAL &literal) { return literal.atom.isAggregate(); }
    // Whether a body literal is the same as a head atom: the same predicate in the predicate
    // view, else equal atoms (variables included).
    static bool sameAtom(const LITERAL &literal, const ATOM &head, bool predicateView) {
        if (predicateView)
            return nodeOf(literal.atom) == nodeOf(head);
        return compareAtom(literal.atom, head) == 0;
    }
    static void printHeadAtom(FILE *out, const ATOM &atom) { printAtom(out, atom); }
    static void printBodyAtom(FILE *out, const LITERAL &literal) { printAtom(out, literal.atom); }
    // A node by its predicate's name, or by the first atom seen for it.
    static void printNode(FILE *out, uint32_t node, const ATOM *first, bool byName) {
        if (byName)
            fputs(predicateTable.name(node), out);
        else
            printAtom(out, *first);
    }
};

template <class RULE_T, class CONSTRAINT_T>
class DEPGRAPH : public DEPGRAPH_COMPONENTS {
public:
    using ACCESS = DEPGRAPH_RULES<RULE_T>;
    static constexpr bool GROUND = ACCESS::GROUND;
    // The first atom seen for a node in the predicate graph; a mark in the ground graph, where
    // the atom is read from the ground atom table. Empty (null, 0) for an index that is no node.
    using NODE_REF = typename ACCESS::NODE_REF;

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
};

template <class RULE_T, class CONSTRAINT_T>
DEPGRAPH(const std::vector<RULE_T> &, const std::vector<CONSTRAINT_T> &, unsigned)
    -> DEPGRAPH<RULE_T, CONSTRAINT_T>;

using PREDICATE_DEPGRAPH = DEPGRAPH<RULE, CONSTRAINT>;

extern template class DEPGRAPH<RULE, CONSTRAINT>;

// One row per node index: for each index v, how often v occurs in the row's adjacency list.
void printAdjacencyMatrix(const std::vector<std::vector<uint32_t>> &adjacency);
