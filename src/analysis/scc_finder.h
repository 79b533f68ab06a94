// Strongly connected components of a graph given as adjacency lists (one list per node index).
//
// The dependency graphs number their components with this search and then reorder them; the
// numbers decide the order in which the grounder works through the components, so the visit
// order, the recorded inter-component edges and the numbering are fixed: Tarjan's search, nodes
// taken in ascending index, targets in list order. The search keeps its own stack of frames, so
// a chain of a million nodes does not grow the call stack.
#pragma once

#include <cstdint>
#include <vector>

// The outcome of one search. `componentOf` holds -1 for an index that is no node; the recorded
// edges {from, to} link a node to a component completed below it and are enough to keep every
// dependency path between different components.
struct SCC_RESULT {
    struct EDGE {
        uint32_t from;
        uint32_t to;
    };
    std::vector<int32_t> componentOf;
    std::vector<EDGE> edges;
    uint32_t componentCount = 0;
    uint32_t nodeCount = 0;
    std::vector<uint8_t> isNode;  // set by the caller, one byte per node index
    uint32_t noNodeCount = 0;
};

// One search over an adjacency vector; the constructor runs it and fills the result, whose
// is-node bytes the caller has set (a missing byte counts as a node).
class SCC_FINDER {
public:
    SCC_FINDER(const std::vector<std::vector<uint32_t>> &adjacency, SCC_RESULT &result);

    // One depth-first search from v; returns 1 when v was the root of a component (and the
    // component was numbered), else 0.
    int visit(const std::vector<std::vector<uint32_t>> &adjacency, uint32_t v);

private:
    uint32_t n;
    uint64_t completed = 0;  // every root counts, also those of indexes that are no node
    SCC_RESULT &result;
    std::vector<uint32_t> stack;
    uint32_t counter = 0;
    std::vector<uint32_t> number;   // depth-first number, 0 = not visited
    std::vector<uint32_t> lowlink;
    std::vector<uint8_t> onStack;

    struct FRAME {
        uint32_t node;
        uint32_t next;  // position in the node's adjacency list
    };
    std::vector<FRAME> frames;  // the explicit call stack of the search

    void enter(uint32_t v);
    int finish(uint32_t v);
};
