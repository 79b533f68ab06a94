// The activity of the atoms of the model generator and of the variables of the satisfiability
// solver: how recently and how often they took part in contradictions. The analysis of a
// contradiction bumps every element it meets, by an amount that grows after each contradiction,
// so that older bumps weigh less and less. The heap orders the elements that may be undecided by
// activity, the most active on top; the model generator breaks ties by atom number, the
// satisfiability solver leaves them in the order the heap meets them. Decided elements stay in
// the heap until the search meets them, and return when backtracking takes their value back.
#ifndef QUARN_SOLVER_ACTIVITY_HEAP_H
#define QUARN_SOLVER_ACTIVITY_HEAP_H

#include <cstdint>
#include <vector>

template <bool TIES_BY_NUMBER>
class ACTIVITY_ORDER {
public:
    // Every element of `count` in the heap, all activities 0.
    void reset(uint32_t count) {
        activity.assign(count, 0.0);
        position.assign(count, -1);
        heap.clear();
        increment = 1.0;
        for (uint32_t i = 0; i < count; ++i) insert(i);
    }
    // One more element, of activity 0, put in the heap when `inHeap`.
    void add(bool inHeap) {
        activity.push_back(0.0);
        position.push_back(-1);
        if (inHeap) insert(static_cast<uint32_t>(activity.size() - 1));
    }
    bool empty() const { return heap.empty(); }
    bool contains(uint32_t x) const { return position[x] >= 0; }
    void insert(uint32_t x) {
        if (position[x] >= 0) return;
        position[x] = static_cast<int32_t>(heap.size());
        heap.push_back(x);
        up(position[x]);
    }
    uint32_t removeTop() {
        uint32_t top = heap[0];
        uint32_t last = heap.back();
        heap.pop_back();
        position[top] = -1;
        if (!heap.empty()) {
            heap[0] = last;
            position[last] = 0;
            down(0);
        }
        return top;
    }
    void bump(uint32_t x) {
        if ((activity[x] += increment) > 1e100) {
            for (double &a : activity) a *= 1e-100;
            increment *= 1e-100;
        }
        if (position[x] >= 0) up(position[x]);
    }
    // After each contradiction: later bumps weigh more (the older ones decay).
    void decay() { increment *= 1.0 / 0.95; }
    double of(uint32_t x) const { return activity[x]; }

private:
    std::vector<double> activity;
    std::vector<int32_t> position;  // in the heap, -1 when not in it
    std::vector<uint32_t> heap;
    double increment = 1.0;

    bool before(uint32_t x, uint32_t y) const {
        if constexpr (TIES_BY_NUMBER) return activity[x] > activity[y] || (activity[x] == activity[y] && x < y);
        return activity[x] > activity[y];
    }
    void up(int32_t i) {
        uint32_t x = heap[i];
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
        uint32_t x = heap[i];
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

// The model generator's order of the atoms: ties by atom number.
using ACTIVITY_HEAP = ACTIVITY_ORDER<true>;

#endif
