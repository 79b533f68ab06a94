// The member definitions of `DEPGRAPH`, for the files that instantiate a graph type:
// analysis/depgraph.cpp for the predicate graph, grounding/ground_depgraph.cpp for the ground one.
// Whatever differs between the two is read through `DEPGRAPH_RULES<RULE_T>`.
#pragma once

#include <algorithm>
#include <cinttypes>

#include "analysis/depgraph.h"

template <class RULE_T, class CONSTRAINT_T>
DEPGRAPH<RULE_T, CONSTRAINT_T>::DEPGRAPH(const std::vector<RULE_T> &ruleVector,
                                         const std::vector<CONSTRAINT_T> &constraints,
                                         unsigned flags)
    : rules(&ruleVector) {
    predicateView = (flags & DEPGRAPH_PREDICATE_VIEW) != 0;
    allEdges = (flags & DEPGRAPH_ALL_EDGES) != 0;

    for (const RULE_T &rule : ruleVector) {
        for (const auto &h : ACCESS::heads(rule)) {
            if constexpr (GROUND)
                addNode(ACCESS::nodeOf(h), 1);
            else
                addNode(ACCESS::nodeOf(h), &h);
        }
        for (const auto &l : ACCESS::bodyOf(rule)) {
            if constexpr (GROUND) {
                addNode(ACCESS::nodeOf(l), 1);
            } else {
                // An aggregate stands for the inner atom that collects its symbolic set.
                const LITERAL *inner = l.atom.isAggregate() ? aggregateSetLiteral(l.atom) : nullptr;
                addNode(ACCESS::nodeOf(l), inner ? &inner->atom : &l.atom);
            }
        }
    }
    adjacency.assign(nodes.size(), {});
    addRuleEdges(ruleVector);
    if (flags & DEPGRAPH_CONSTRAINT_EDGES)
        addConstraintEdges(constraints);

    std::vector<uint8_t> isNodeByte(nodes.size());
    for (size_t i = 0; i < nodes.size(); i++)
        isNodeByte[i] = nodes[i] ? 1 : 0;
    findComponents(isNodeByte, (flags & DEPGRAPH_NEGATIVE_ORDER) != 0);
    collectComponentRules(ruleVector);
    if (!(flags & DEPGRAPH_NO_CONSTRAINT_LISTS))
        collectComponentConstraints(constraints);
}

template <class RULE_T, class CONSTRAINT_T>
void DEPGRAPH<RULE_T, CONSTRAINT_T>::addNode(uint32_t node, NODE_REF ref) {
    if (node >= nodes.size())
        nodes.resize(static_cast<size_t>(node) + 1, NODE_REF{});
    if (!nodes[node])
        nodes[node] = ref;
}

template <class RULE_T, class CONSTRAINT_T>
void DEPGRAPH<RULE_T, CONSTRAINT_T>::addRuleEdges(const std::vector<RULE_T> &ruleVector) {
    ruleSelfDependent.assign(ruleVector.size(), 0);
    std::vector<GATOM_ID> elements;
    for (size_t k = 0; k < ruleVector.size(); k++) {
        const RULE_T &rule = ruleVector[k];
        auto head = ACCESS::heads(rule);
        if (head.size() >= 2) {
            for (const auto &h : head)
                disjunctiveHeadNodes.push_back(ACCESS::nodeOf(h));
            disjunctiveHeadEnds.push_back(disjunctiveHeadNodes.size());
        }
        // Under all edges the head atoms are linked to one another pair by pair.
        if (allEdges)
            for (size_t i = 0; i < head.size(); i++)
                for (size_t j = i + 1; j < head.size(); j++) {
                    uint32_t a = ACCESS::nodeOf(head[i]), b = ACCESS::nodeOf(head[j]);
                    adjacency[b].push_back(a);
                    adjacency[a].push_back(b);
                }
        for (const auto &l : ACCESS::bodyOf(rule)) {
            uint32_t from = ACCESS::nodeOf(l);
            bool aggregate = ACCESS::isAggregateLiteral(l);
            // A negated aggregate is an edge of the predicate graph; in the ground graph it is
            // an ordinary negated literal.
            bool edge = !l.negated || allEdges || (!GROUND && aggregate);
            if constexpr (GROUND) {
                if (aggregate)
                    elements = groundSetAtoms(*groundAtomTable[l.atom].general);
            }
            for (const auto &h : head) {
                if (ACCESS::sameAtom(l, h, predicateView))
                    ruleSelfDependent[k] = 1;
                uint32_t to = ACCESS::nodeOf(h);
                if (edge)
                    adjacency[from].push_back(to);
                if (l.negated)
                    edges.push_back({from, to});
                if constexpr (GROUND) {
                    // Each atom of the ground set leads to the aggregate atom, once per head atom.
                    if (aggregate)
                        for (GATOM_ID e : elements) {
                            uint32_t node = ACCESS::nodeOf(e);
                            addNode(node, 1);
                            if (node >= adjacency.size())
                                adjacency.resize(static_cast<size_t>(node) + 1);
                            adjacency[node].push_back(from);
                        }
                }
            }
        }
    }
}

template <class RULE_T, class CONSTRAINT_T>
void DEPGRAPH<RULE_T, CONSTRAINT_T>::addConstraintEdges(const std::vector<CONSTRAINT_T> &constraints) {
    for (const CONSTRAINT_T &c : constraints) {
        bool haveAnchor = false;
        uint32_t anchor = 0;
        for (const auto &l : ACCESS::bodyOf(c)) {
            uint32_t node = ACCESS::nodeOf(l);
            if (!isNode(node))
                continue;
            if (!haveAnchor) {
                anchor = node;
                haveAnchor = true;
                continue;
            }
            adjacency[anchor].push_back(node);
            adjacency[node].push_back(anchor);
        }
    }
}

template <class RULE_T, class CONSTRAINT_T>
void DEPGRAPH<RULE_T, CONSTRAINT_T>::collectComponentRules(const std::vector<RULE_T> &ruleVector) {
    uint32_t count = componentCount();
    selfDependent.assign(count, 0);
    componentRules.assign(count, {});
    // Exit and recursive rules are gathered apart and joined at the end, which keeps each part in
    // program order without shifting the recursive rules for every exit rule.
    std::vector<std::vector<const RULE_T *>> recursiveRules(count);
    std::vector<uint32_t> headComponents;
    // lastRule[c] is 1 + the last rule with a head atom in c, so that a long head lists each
    // component once without searching the list.
    std::vector<size_t> lastRule(count, 0);
    for (size_t k = 0; k < ruleVector.size(); k++) {
        const RULE_T &rule = ruleVector[k];
        headComponents.clear();
        for (const auto &h : ACCESS::heads(rule)) {
            int32_t c = componentNumbers[ACCESS::nodeOf(h)];
            if (c < 0)
                continue;
            uint32_t uc = static_cast<uint32_t>(c);
            if (ruleSelfDependent[k])
                selfDependent[uc] = 1;
            if (lastRule[uc] != k + 1)
                headComponents.push_back(uc);
            lastRule[uc] = k + 1;
        }
        auto body = ACCESS::bodyOf(rule);
        uint32_t positives = ACCESS::firstNegativeOf(rule);
        for (uint32_t c : headComponents) {
            bool recursive = false;
            for (uint32_t i = 0; i < positives && i < body.size() && !recursive; i++)
                recursive = !ACCESS::isAggregateLiteral(body[i]) &&
                            componentNumbers[ACCESS::nodeOf(body[i])] == static_cast<int32_t>(c);
            if (recursive)
                recursiveRules[c].push_back(&rule);
            else
                componentRules[c].rules.push_back(&rule);
        }
    }
    for (uint32_t c = 0; c < count; c++) {
        COMPONENT_RULES<RULE_T> &cr = componentRules[c];
        cr.firstRecursive = static_cast<uint32_t>(cr.rules.size());
        cr.rules.insert(cr.rules.end(), recursiveRules[c].begin(), recursiveRules[c].end());
    }
}

template <class RULE_T, class CONSTRAINT_T>
void DEPGRAPH<RULE_T, CONSTRAINT_T>::collectComponentConstraints(
    const std::vector<CONSTRAINT_T> &constraints) {
    componentConstraints.assign(componentCount(), {});
    if (componentCount() == 0)
        return;
    for (const CONSTRAINT_T &c : constraints) {
        int32_t highest = -1;
        bool dropped = false;
        for (const auto &l : ACCESS::bodyOf(c)) {
            uint32_t node = ACCESS::nodeOf(l);
            if (!isNode(node)) {
                if (!l.negated) {
                    dropped = true;  // a positive literal that nothing derives
                    break;
                }
                continue;
            }
            highest = std::max(highest, componentNumbers[node]);
        }
        if (!dropped && highest >= 0)
            componentConstraints[static_cast<uint32_t>(highest)].push_back(c);
    }
}

namespace depgraph_detail {

template <class ACCESS, class LITERALS>
void printBody(FILE *out, const LITERALS &literals) {
    bool first = true;
    for (const auto &l : literals) {
        if (!first)
            fputs(", ", out);
        first = false;
        if (l.negated)
            fputs("not ", out);
        ACCESS::printBodyAtom(out, l);
    }
}

}  // namespace depgraph_detail

template <class RULE_T, class CONSTRAINT_T>
void DEPGRAPH<RULE_T, CONSTRAINT_T>::print(FILE *out) {
    fprintf(out, "DEPGRAPH: (%zu atoms, %" PRIu32 " components)\n", nodes.size(), componentCount());
    if (!allEdges) {
        fprintf(out, "DEPGRAPH::isCyclic() : %s\n", isCyclic() ? "true" : "false");
        fprintf(out, "DEPGRAPH::isHCF() : %s\n", isHCF() ? "true" : "false");
        fprintf(out, "DEPGRAPH::isStronglyHCF() : %s\n", isStronglyHCF() ? "true" : "false");
    }
    fputc('\n', out);
    for (uint32_t v = 0; v < nodes.size(); v++)
        if (nodes[v]) {
            ACCESS::printNode(out, v, nodes[v], false);
            fputc(' ', out);
        }
    fputc('\n', out);
    fflush(out);
    printAdjacencyMatrix(adjacency);
    fputc('\n', out);
    for (uint32_t c = 0; c < componentCount(); c++) {
        fprintf(out, "COMPONENT %" PRIu32 ":", c + 1);
        if (!allEdges) {
            fputs(hcf(c) ? "  hcf" : "  not hcf", out);
            fputs(stronglyHcf(c) ? "  strongly hcf" : "  not strongly hcf", out);
            fputs(cyclic(c) ? "  cyclic" : "  acyclic", out);
        } else {
            fputs(stratified(c) ? "  stratified" : "  not stratified", out);
            fputs(isDisjunctive(c) ? "  disjunctive" : "  not disjunctive", out);
        }
        fputc('\n', out);
        fputs("   { ", out);
        bool first = true;
        for (uint32_t v : components[c]) {
            if (!first)
                fputs(" , ", out);
            first = false;
            ACCESS::printNode(out, v, nodes[v], predicateView);
        }
        fputs(" }\n", out);
        for (const RULE_T *rule : componentRules[c].rules) {
            fputs("   ", out);
            bool firstHead = true;
            for (const auto &h : ACCESS::heads(*rule)) {
                if (!firstHead)
                    fputs(" v ", out);
                firstHead = false;
                ACCESS::printHeadAtom(out, h);
            }
            if (ACCESS::hasBody(*rule)) {
                fputs(" :- ", out);
                depgraph_detail::printBody<ACCESS>(out, ACCESS::bodyOf(*rule));
            }
            fputs(".\n", out);
        }
        if (c < componentConstraints.size())
            for (const CONSTRAINT_T &constraint : componentConstraints[c]) {
                fputs("   :- ", out);
                depgraph_detail::printBody<ACCESS>(out, ACCESS::bodyOf(constraint));
                fputs(".\n", out);
            }
    }
}
