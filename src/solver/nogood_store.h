// The nogoods that the model generator learns: sets of literals over ground atoms that no answer
// set makes all true. Conflict analysis adds one per contradiction, a failed look-ahead one per
// failed literal, and a rejected candidate the loop nogood of its unfounded set.
//
// A literal is an atom and a polarity: `atom * 2` says the atom is true (must-be-true counts as
// true), `atom * 2 + 1` that it is false. Each nogood of two or more literals is watched by its
// first two: when a watched literal comes to hold, another literal that does not hold takes its
// place, and when none is left the nogood asserts the complement of the other watched literal (or
// is violated, when that one holds too). A nogood that asserts a literal holds it in its first
// place while the literal stands, so that it is not deleted under it.
//
// The literals of all nogoods lie in one flat array, each nogood's preceded by its number and
// size, and a watch holds the place of the literals: propagation reads a watched nogood with one
// access instead of going through its header. A nogood's number stays the same for its life; its
// place changes only when the array is compacted, which rebuilds the watch lists.
//
// Memory: a nogood costs `bytesOf` its size (its literals, number and size in the arena, its
// header and its two watches). The model generator thins the store every so many contradictions
// and whenever `overLimit` says the nogoods have outgrown the limit (MEMORY_LIMIT, 8 MB, unless
// `reset` is given another). A thinning drops half of the nogoods over more than two levels, the
// most levels first; when those that may go still take more than the limit, it drops them until
// they take at most half of it: first the rest of those over more than two levels, then the glue
// nogoods (over at most two levels), in each group the ones that analysis used least recently
// first. Never dropped are the reasons of the current assignment (at most one per assigned atom),
// the nogoods of one literal (at most one per atom) and those added as spanning no level
// (`PERMANENT`: the search adds one per answer set found when a query asks for brave or cautious
// consequences). So whenever the search chooses
// a literal, the learned nogoods take at most the limit plus what the last thinning could not
// drop; the arena holds at most as much again in deleted nogoods before it is compacted, and a
// vector's capacity is at most twice the most it has held.
#ifndef QUARN_SOLVER_NOGOOD_STORE_H
#define QUARN_SOLVER_NOGOOD_STORE_H

#include <algorithm>
#include <cstdint>
#include <vector>

#include "grounding/ground_program.h"
#include "solver/truth_assignment.h"

typedef uint32_t MG_LITERAL;

inline MG_LITERAL trueLiteral(GATOM_ID atom) { return static_cast<uint32_t>(atom) << 1; }
inline MG_LITERAL falseLiteral(GATOM_ID atom) { return (static_cast<uint32_t>(atom) << 1) | 1; }
inline GATOM_ID atomOfLiteral(MG_LITERAL l) { return static_cast<GATOM_ID>(l >> 1); }
inline bool isFalseLiteral(MG_LITERAL l) { return (l & 1) != 0; }
inline MG_LITERAL complementOf(MG_LITERAL l) { return l ^ 1; }
// The literal that holds for an atom of the given (decided) value.
inline MG_LITERAL literalOfValue(GATOM_ID atom, TRUTH_VALUE v) {
    return v == TRUTH_FALSE ? falseLiteral(atom) : trueLiteral(atom);
}
inline bool literalHolds(MG_LITERAL l, TRUTH_VALUE v) {
    return isFalseLiteral(l) ? v == TRUTH_FALSE : v >= TRUTH_MUST_BE_TRUE;
}

// A watch of a nogood (the place of its literals in the store), with another of its literals:
// while that one's complement holds, the nogood cannot assert anything and is passed over without
// being read.
struct NOGOOD_WATCH {
    uint32_t start;
    MG_LITERAL blocker;
};

class NOGOOD_STORE {
public:
    static constexpr uint64_t MEMORY_LIMIT = uint64_t(8) << 20;
    // The levels of a nogood that is kept for the life of the store.
    static constexpr uint32_t PERMANENT = 0;

    // Empty, with watch lists for `atoms` atoms, and the memory limit of its nogoods in bytes.
    void reset(uint32_t atoms, uint64_t limit = MEMORY_LIMIT);
    // Adds a nogood; its first two literals are watched (a nogood of one literal is watched by
    // none). Returns its number.
    uint32_t add(const MG_LITERAL *literals, uint32_t count, uint32_t levels);
    const MG_LITERAL *begin(uint32_t id) const { return arena.data() + headers[id].start; }
    MG_LITERAL *begin(uint32_t id) { return arena.data() + headers[id].start; }
    uint32_t size(uint32_t id) const { return headers[id].size; }
    // A watched nogood by the place its watch holds: its literals, size and number.
    MG_LITERAL *literalsAt(uint32_t start) { return arena.data() + start; }
    uint32_t sizeAt(uint32_t start) const { return arena[start - 1]; }
    uint32_t idAt(uint32_t start) const { return arena[start - 2]; }
    std::vector<NOGOOD_WATCH> &watchers(MG_LITERAL l) { return watches[l]; }
    uint32_t learnedCount() const { return live; }
    uint64_t literalCount() const { return arena.size() - garbage - uint64_t(2) * live; }
    // The memory a nogood of `size` literals takes, and what all nogoods take now.
    static uint64_t bytesOf(uint32_t size) {
        return uint64_t(4) * (size + 2) + sizeof(HEADER) + 2 * sizeof(NOGOOD_WATCH);
    }
    uint64_t bytes() const { return liveBytes; }
    uint64_t limit() const { return memoryLimit; }
    // Whether the nogoods have outgrown what the last thinning left by more than it could drop.
    bool overLimit() const { return liveBytes > nextCheck; }
    // Analysis read the nogood at this moment (a count of contradictions, say).
    void markUsed(uint32_t id, uint64_t now) {
        clock = static_cast<uint32_t>(std::min<uint64_t>(now, UINT32_MAX));
        headers[id].used = clock;
    }

    // Thins the nogoods that `locked` does not keep (see the top of this file) and rebuilds the
    // watch lists.
    template <class LOCKED>
    void reduce(LOCKED locked);

private:
    struct HEADER {
        uint32_t start;  // the first literal; the number and the size precede it
        uint32_t size;
        uint32_t levels;  // the number of distinct levels when it was learned
        uint32_t used;    // when analysis last read it
        bool deleted;
    };
    std::vector<MG_LITERAL> arena;
    std::vector<HEADER> headers;
    std::vector<uint32_t> freeIds;
    std::vector<std::vector<NOGOOD_WATCH>> watches;
    uint32_t live = 0;
    uint64_t garbage = 0;  // words of deleted nogoods still in the arena
    uint64_t liveBytes = 0;
    uint64_t memoryLimit = MEMORY_LIMIT;
    uint64_t nextCheck = MEMORY_LIMIT;
    uint32_t clock = 0;  // the last time given to markUsed: a new nogood counts as used then

    void drop(uint32_t id);
    void rebuildWatches();
    void compact();
};

template <class LOCKED>
void NOGOOD_STORE::reduce(LOCKED locked) {
    std::vector<uint32_t> glue, wide;
    for (uint32_t id = 0; id < headers.size(); ++id) {
        const HEADER &h = headers[id];
        if (h.deleted || h.size < 2 || h.levels == PERMANENT || locked(id)) continue;
        (h.levels > 2 ? wide : glue).push_back(id);
    }
    // The most levels first; among equals the older ones.
    std::stable_sort(wide.begin(), wide.end(),
                     [&](uint32_t x, uint32_t y) { return headers[x].levels > headers[y].levels; });
    size_t half = wide.size() / 2;
    for (size_t i = 0; i < half; ++i) drop(wide[i]);
    uint64_t left = 0;
    for (size_t i = half; i < wide.size(); ++i) left += bytesOf(headers[wide[i]].size);
    for (uint32_t id : glue) left += bytesOf(headers[id].size);
    if (left > memoryLimit) {
        // The least recently used first, those over more than two levels before the glue.
        auto older = [&](uint32_t x, uint32_t y) { return headers[x].used < headers[y].used; };
        std::stable_sort(wide.begin() + static_cast<std::ptrdiff_t>(half), wide.end(), older);
        std::stable_sort(glue.begin(), glue.end(), older);
        wide.erase(wide.begin(), wide.begin() + static_cast<std::ptrdiff_t>(half));
        wide.insert(wide.end(), glue.begin(), glue.end());
        for (size_t i = 0; i < wide.size() && left > memoryLimit / 2; ++i) {
            left -= bytesOf(headers[wide[i]].size);
            drop(wide[i]);
        }
    }
    // What is left beyond the droppable nogoods are reasons, which the next thinning may drop.
    nextCheck = std::max(memoryLimit, liveBytes - left + memoryLimit);
    if (garbage > arena.size() / 2) compact();
    rebuildWatches();
}

#endif
