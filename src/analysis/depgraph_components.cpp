#include "analysis/depgraph_components.h"

#include <algorithm>
#include <unordered_set>

// The undirected graph over the components groups them into connected parts; inside a part a
// component comes after every component it depends on, and parts follow one another in
// decreasing order of their lowest provisional number.
void DEPGRAPH_COMPONENTS::orderComponents(SCC_RESULT &result) {
    uint32_t count = result.componentCount;
    if (count == 0)
        return;
    std::vector<std::vector<uint32_t>> graph(count);
    for (const SCC_RESULT::EDGE &e : result.edges) {
        uint32_t a = static_cast<uint32_t>(result.componentOf[e.from]);
        uint32_t b = static_cast<uint32_t>(result.componentOf[e.to]);
        graph[a].push_back(b);
        graph[b].push_back(a);
    }
    SCC_RESULT groups;
    groups.isNode.assign(count, 1);
    SCC_FINDER finder(graph, groups);

    std::vector<std::vector<uint32_t>> members(groups.componentCount);
    for (uint32_t c = 0; c < count; c++)  // ascending current number inside each group
        members[static_cast<uint32_t>(groups.componentOf[c])].push_back(c);
    std::vector<uint32_t> newNumber(count);
    uint32_t position = 0;
    for (const std::vector<uint32_t> &group : members)
        for (uint32_t c : group)
            newNumber[c] = count - 1 - position++;
    for (int32_t &c : result.componentOf)
        if (c >= 0)
            c = static_cast<int32_t>(newNumber[static_cast<uint32_t>(c)]);
}

// Components on a cycle through negative dependencies form one group, take adjacent numbers and
// keep their relative order; otherwise a component comes after all it depends on, positively or
// negatively.
void DEPGRAPH_COMPONENTS::orderComponentsWithNegation(SCC_RESULT &result,
                                                      const std::vector<uint8_t> &) const {
    uint32_t count = result.componentCount;
    std::vector<std::vector<uint32_t>> graph(count);
    std::unordered_set<uint64_t> linked;  // negative pairs already in the graph, either way
    bool added = false;
    for (const DEPGRAPH_EDGE &e : edges) {
        int32_t a = result.componentOf[e.from];
        int32_t b = result.componentOf[e.to];
        if (a == b || a < 0 || b < 0)
            continue;
        uint64_t key = (static_cast<uint64_t>(a) << 32) | static_cast<uint32_t>(b);
        uint64_t reverse = (static_cast<uint64_t>(b) << 32) | static_cast<uint32_t>(a);
        if (linked.count(key) || linked.count(reverse))
            continue;
        linked.insert(key);
        graph[static_cast<uint32_t>(a)].push_back(static_cast<uint32_t>(b));
        added = true;
    }
    if (!added)
        return;
    for (const SCC_RESULT::EDGE &e : result.edges)
        graph[static_cast<uint32_t>(result.componentOf[e.from])].push_back(
            static_cast<uint32_t>(result.componentOf[e.to]));

    SCC_RESULT groups;
    groups.isNode.assign(count, 1);
    SCC_FINDER finder(graph, groups);

    std::vector<std::vector<uint32_t>> members(groups.componentCount);
    for (uint32_t c = 0; c < count; c++)
        members[static_cast<uint32_t>(groups.componentOf[c])].push_back(c);
    std::vector<uint32_t> newNumber(count);
    uint32_t position = 0;
    for (const std::vector<uint32_t> &group : members)
        for (auto it = group.rbegin(); it != group.rend(); ++it)
            newNumber[*it] = count - 1 - position++;
    for (int32_t &c : result.componentOf)
        if (c >= 0)
            c = static_cast<int32_t>(newNumber[static_cast<uint32_t>(c)]);
}

void DEPGRAPH_COMPONENTS::findComponents(const std::vector<uint8_t> &isNode, bool negativeOrder) {
    SCC_RESULT result;
    result.isNode = isNode;
    {
        SCC_FINDER finder(adjacency, result);
    }
    orderComponents(result);
    if (negativeOrder)
        orderComponentsWithNegation(result, isNode);
    componentNumbers = std::move(result.componentOf);
    components.assign(result.componentCount, {});
    for (uint32_t v = 0; v < componentNumbers.size(); v++)
        if (v < isNode.size() && isNode[v] && componentNumbers[v] >= 0)
            components[static_cast<uint32_t>(componentNumbers[v])].push_back(v);
}

void DEPGRAPH_COMPONENTS::computeComponentFlags() {
    notStratified.assign(components.size(), 0);
    disjunctive.assign(components.size(), 0);
    for (const DEPGRAPH_EDGE &e : edges) {
        int32_t a = componentOfNode(e.from);
        if (a >= 0 && a == componentOfNode(e.to))
            notStratified[static_cast<uint32_t>(a)] = 1;
    }
    // lastHead[c] is 1 + the last head that had a node in c: a second node of the same head in c
    // makes c disjunctive.
    std::vector<size_t> lastHead(components.size(), 0);
    size_t begin = 0;
    for (size_t h = 0; h < disjunctiveHeadEnds.size(); h++) {
        size_t end = disjunctiveHeadEnds[h];
        for (size_t i = begin; i < end; i++) {
            int32_t c = componentOfNode(disjunctiveHeadNodes[i]);
            if (c < 0)
                continue;
            uint32_t uc = static_cast<uint32_t>(c);
            if (lastHead[uc] == h + 1)
                disjunctive[uc] = 1;
            lastHead[uc] = h + 1;
        }
        begin = end;
    }
}

bool DEPGRAPH_COMPONENTS::isCyclic() {
    if (cyclicCache == -1) {
        cyclicCache = 0;
        for (uint32_t c = 0; c < componentCount(); c++)
            if (cyclic(c)) {
                cyclicCache = 1;
                break;
            }
    }
    return cyclicCache == 1;
}

bool DEPGRAPH_COMPONENTS::isHCF() {
    if (hcfCache == -1) {
        hcfCache = 1;
        for (uint32_t c = 0; c < componentCount(); c++)
            if (cyclic(c) && isDisjunctive(c)) {
                hcfCache = 0;
                break;
            }
    }
    return hcfCache == 1;
}

bool DEPGRAPH_COMPONENTS::isStronglyHCF() {
    if (stronglyHcfCache == -1) {
        stronglyHcfCache = 1;
        for (uint32_t c = 0; c < componentCount(); c++)
            if (cyclic(c) && (isDisjunctive(c) || selfDependent[c])) {
                stronglyHcfCache = 0;
                break;
            }
    }
    return stronglyHcfCache == 1;
}
