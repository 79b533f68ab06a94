#include "analysis/scc_finder.h"

#include <algorithm>

SCC_FINDER::SCC_FINDER(const std::vector<std::vector<uint32_t>> &adjacency, SCC_RESULT &r)
    : n(static_cast<uint32_t>(adjacency.size())), result(r) {
    result.nodeCount = n;
    result.componentOf.assign(n, -1);
    result.edges.clear();
    result.componentCount = 0;
    result.noNodeCount = 0;
    number.assign(n, 0);
    lowlink.assign(n, 0);
    onStack.assign(n, 0);
    for (uint32_t v = 0; v < n; v++)
        if (number[v] == 0)
            visit(adjacency, v);
}

void SCC_FINDER::enter(uint32_t v) {
    counter++;
    number[v] = counter;
    lowlink[v] = counter;
    stack.push_back(v);
    onStack[v] = 1;
    frames.push_back({v, 0});
}

int SCC_FINDER::finish(uint32_t v) {
    if (lowlink[v] != number[v])
        return 0;
    completed++;
    int32_t largest = -1;
    for (;;) {
        uint32_t w = stack.back();
        stack.pop_back();
        onStack[w] = 0;
        bool isNode = w >= result.isNode.size() || result.isNode[w];
        if (!isNode) {
            result.componentOf[w] = -1;
            result.noNodeCount++;
        } else {
            int32_t c = static_cast<int32_t>(completed - 1 - result.noNodeCount);
            result.componentOf[w] = c;
            largest = std::max(largest, c);
        }
        if (w == v)
            break;
    }
    if (largest >= 0 && static_cast<uint32_t>(largest) + 1 > result.componentCount)
        result.componentCount = static_cast<uint32_t>(largest) + 1;
    return 1;
}

// Tarjan's search, unrolled onto `frames`: a frame resumes at the next target of its node after
// the visit of a child returns, with the child's result at hand.
int SCC_FINDER::visit(const std::vector<std::vector<uint32_t>> &adjacency, uint32_t start) {
    enter(start);
    int childResult = 0;
    uint32_t child = 0;
    bool returning = false;
    for (;;) {
        FRAME &f = frames.back();
        uint32_t v = f.node;
        if (returning) {
            if (childResult)
                result.edges.push_back({v, child});
            lowlink[v] = std::min(lowlink[v], lowlink[child]);
            returning = false;
        }
        const std::vector<uint32_t> &targets = adjacency[v];
        bool descended = false;
        while (f.next < targets.size()) {
            uint32_t w = targets[f.next++];
            if (number[w] == 0) {
                enter(w);  // invalidates f
                descended = true;
                break;
            }
            if (number[w] < number[v]) {
                if (onStack[w])
                    lowlink[v] = std::min(lowlink[v], number[w]);
                else if (number[w] < lowlink[v])
                    result.edges.push_back({v, w});
            }
        }
        if (descended)
            continue;
        int r = finish(v);
        frames.pop_back();
        if (frames.empty())
            return r;
        childResult = r;
        child = v;
        returning = true;
    }
}
