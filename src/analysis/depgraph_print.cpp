// The adjacency matrix of the --depgraph dump; the rest of a graph's dump is `DEPGRAPH::print`.
#include <algorithm>
#include <cinttypes>

#include "analysis/depgraph.h"

void printAdjacencyMatrix(const std::vector<std::vector<uint32_t>> &adjacency) {
    size_t n = adjacency.size();
    std::vector<uint32_t> row(n);
    for (const std::vector<uint32_t> &targets : adjacency) {
        std::fill(row.begin(), row.end(), 0);
        for (uint32_t v : targets)
            if (v < n)
                row[v]++;
        for (uint32_t count : row)
            fprintf(stdout, "%" PRIu32 " ", count);
        fputc('\n', stdout);
    }
}
