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
// Deleting keeps the glue nogoods (those over at most two levels) and the ones that are reasons,
// and drops the rest with the most levels first, so that memory stays bounded by the limit.
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
    // Empty, with watch lists for `atoms` atoms.
    void reset(uint32_t atoms);
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

    // Drops about half of the nogoods that `locked` does not keep and that span more than two
    // levels, those over the most levels first, and rebuilds the watch lists.
    template <class LOCKED>
    void reduce(LOCKED locked);

private:
    struct HEADER {
        uint32_t start;  // the first literal; the number and the size precede it
        uint32_t size;
        uint32_t levels;  // the number of distinct levels when it was learned
        bool deleted;
    };
    std::vector<MG_LITERAL> arena;
    std::vector<HEADER> headers;
    std::vector<uint32_t> freeIds;
    std::vector<std::vector<NOGOOD_WATCH>> watches;
    uint32_t live = 0;
    uint64_t garbage = 0;  // words of deleted nogoods still in the arena

    void rebuildWatches();
    void compact();
};

template <class LOCKED>
void NOGOOD_STORE::reduce(LOCKED locked) {
    std::vector<uint32_t> candidates;
    for (uint32_t id = 0; id < headers.size(); ++id)
        if (!headers[id].deleted && headers[id].levels > 2 && !locked(id)) candidates.push_back(id);
    // The most levels first; among equals the older ones.
    std::vector<uint32_t> order(candidates);
    std::stable_sort(order.begin(), order.end(),
                     [&](uint32_t x, uint32_t y) { return headers[x].levels > headers[y].levels; });
    for (size_t i = 0; i < order.size() / 2; ++i) {
        HEADER &h = headers[order[i]];
        h.deleted = true;
        garbage += h.size + 2;
        freeIds.push_back(order[i]);
        --live;
    }
    if (garbage > arena.size() / 2) compact();
    rebuildWatches();
}

#endif
