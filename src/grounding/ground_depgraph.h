// The dependency graph of the ground program: `DEPGRAPH` over `GRULE`s, one node per ground
// atom. The model generator and the model checker read its components; the planning front-end
// builds it over its own rule sets.
#pragma once

#include <cstdio>
#include <span>
#include <vector>

#include "analysis/depgraph.h"
#include "grounding/ground_printer.h"
#include "grounding/ground_program.h"

template <>
struct DEPGRAPH_RULES<GRULE> {
    static constexpr bool GROUND = true;
    // A mark: the atom of a node is read from the ground atom table; 0 for an index that is no node.
    using NODE_REF = uint8_t;

    static uint32_t nodeOf(GATOM_ID atom) { return depgraph_detail::nodeOf(atom); }
    static uint32_t nodeOf(const GLITERAL &literal) { return depgraph_detail::nodeOf(literal.atom); }
    static std::span<const GATOM_ID> heads(const GRULE &rule) { return rule.head; }
    static bool hasBody(const GRULE &rule) { return rule.hasBody; }
    static std::span<const GLITERAL> bodyOf(const GRULE &rule) {
        return rule.hasBody ? std::span<const GLITERAL>(rule.body.literals) : std::span<const GLITERAL>();
    }
    static uint32_t firstNegativeOf(const GRULE &rule) { return rule.hasBody ? rule.body.firstNegative : 0; }
    static std::span<const GLITERAL> bodyOf(const GCONSTRAINT &c) { return c.body.literals; }
    static bool isAggregateLiteral(const GLITERAL &literal) {
        return predicateTable.kind(groundAtomTable[literal.atom].predicate) == PREDICATE_AGGREGATE;
    }
    static bool sameAtom(const GLITERAL &literal, GATOM_ID head, bool) { return literal.atom == head; }
    static void printHeadAtom(FILE *out, GATOM_ID atom) { printGroundAtom(out, atom); }
    static void printBodyAtom(FILE *out, const GLITERAL &literal) { printGroundAtom(out, literal.atom); }
    static void printNode(FILE *out, uint32_t node, uint8_t, bool) {
        printGroundAtom(out, static_cast<GATOM_ID>(node));
    }
};

using GROUND_DEPGRAPH = DEPGRAPH<GRULE, GCONSTRAINT>;

extern template class DEPGRAPH<GRULE, GCONSTRAINT>;

// Prints the four graphs of --depgraph on standard output (depgraph_print.cpp).
void printDependencyGraphs(const std::vector<RULE> &rules, const std::vector<CONSTRAINT> &constraints,
                           const std::vector<GRULE> &groundRules,
                           const std::vector<GCONSTRAINT> &groundConstraints);
