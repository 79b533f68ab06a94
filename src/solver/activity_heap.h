// The activity of the atoms: how recently and how often they took part in contradictions. The
// analysis of a contradiction bumps every atom it meets, by an amount that grows after each
// contradiction, so that older bumps weigh less and less. The heap orders the atoms that may be
// undecided by activity, the most active on top, ties by atom number; decided atoms stay in it
// until the heuristic meets them, and return when backtracking takes their value back.
#ifndef QUARN_SOLVER_ACTIVITY_HEAP_H
#define QUARN_SOLVER_ACTIVITY_HEAP_H

#include <cstdint>
#include <vector>

#include "grounding/ground_program.h"

class ACTIVITY_HEAP {
public:
    // Every atom of `atoms` in the heap, all activities 0.
    void reset(uint32_t atoms) {
        activity.assign(atoms, 0.0);
        position.assign(atoms, -1);
        heap.clear();
        increment = 1.0;
        for (uint32_t i = 0; i < atoms; ++i) insert(static_cast<GATOM_ID>(i));
    }
    bool empty() const { return heap.empty(); }
    bool contains(GATOM_ID atom) const { return position[atom] >= 0; }
    void insert(GATOM_ID atom) {
        if (position[atom] >= 0) return;
        position[atom] = static_cast<int32_t>(heap.size());
        heap.push_back(atom);
        up(position[atom]);
    }
    GATOM_ID removeTop() {
        GATOM_ID top = heap[0];
        GATOM_ID last = heap.back();
        heap.pop_back();
        position[top] = -1;
        if (!heap.empty()) {
            heap[0] = last;
            position[last] = 0;
            down(0);
        }
        return top;
    }
    void bump(GATOM_ID atom) {
        if ((activity[atom] += increment) > 1e100) {
            for (double &x : activity) x *= 1e-100;
            increment *= 1e-100;
        }
        if (position[atom] >= 0) up(position[atom]);
    }
    // After each contradiction: later bumps weigh more (the older ones decay).
    void decay() { increment *= 1.0 / 0.95; }
    double of(GATOM_ID atom) const { return activity[atom]; }

private:
    std::vector<double> activity;
    std::vector<int32_t> position;  // in the heap, -1 when not in it
    std::vector<GATOM_ID> heap;
    double increment = 1.0;

    bool before(GATOM_ID x, GATOM_ID y) const {
        return activity[x] > activity[y] || (activity[x] == activity[y] && x < y);
    }
    void up(int32_t i) {
        GATOM_ID x = heap[i];
        while (i > 0) {
            int32_t parent = (i - 1) / 2;
            if (!before(x, heap[parent])) break;
            heap[i] = heap[parent];
            position[heap[i]] = i;
            i = parent;
        }
        heap[i] = x;
        position[x] = i;
    }
    void down(int32_t i) {
        GATOM_ID x = heap[i];
        int32_t n = static_cast<int32_t>(heap.size());
        for (;;) {
            int32_t child = 2 * i + 1;
            if (child >= n) break;
            if (child + 1 < n && before(heap[child + 1], heap[child])) ++child;
            if (!before(heap[child], x)) break;
            heap[i] = heap[child];
            position[heap[i]] = i;
            i = child;
        }
        heap[i] = x;
        position[x] = i;
    }
};

#endif
