// The heuristic choice of a search level: possibly-true candidates and look-ahead.
//
// Under -OH each search level keeps a PT_CANDIDATES list. `chooseCandidate` collects the
// possibly-true candidates of the current interpretation (atoms that an unsatisfied rule with a
// true body could still derive and, under --negpts, atoms whose falsity such a rule could use),
// looks ahead each one whose occurrence weight reaches the average (assign, propagate, measure,
// undo), forces the opposite of every literal whose look-ahead fails, and keeps the best
// `capacity` candidates sorted by the criteria of the heuristic list. The search takes them from
// the front; one computation usually serves several choices of the same level.
//
// Entries and their records live in slots that are reused for the life of the list, so a
// look-ahead allocates nothing once the slots have grown. The records matter only while the list
// is being filled: once it is complete, an entry's rank and the polarity it is tried in first are
// fixed, and the search keeps the list of a depth it has left far behind as PT_KEPT entries of a
// few bytes each, so that a deep search costs a few bytes per level, not a list of records.
#ifndef QUARN_SOLVER_HEURISTIC_CHOICE_H
#define QUARN_SOLVER_HEURISTIC_CHOICE_H

#include <cstdint>
#include <vector>

#include "solver/heuristic_value.h"
#include "solver/model_generator.h"

// One candidate: the atom, its polarity (0: the literal is the atom true, 1: the atom false) and
// the look-ahead records of the literal and, under --complpt, of its opposite.
// `preference` says whether the records put the literal before its opposite: decided from the
// records the first time it is asked for (most entries leave the list before anything asks), or
// carried over from a kept list, whose entries have no records.
enum PT_PREFERENCE : uint8_t { PT_UNDECIDED, PT_LITERAL_FIRST, PT_OPPOSITE_FIRST };
struct PT_CANDIDATE {
    GATOM_ID atom = 0;
    uint8_t polarity = 0;
    bool hasOpposite = false;
    mutable uint8_t preference = PT_UNDECIDED;
    HEURISTIC_VALUE result;
    HEURISTIC_VALUE opposite;
};

// An entry of a complete list, without its records.
struct PT_KEPT {
    GATOM_ID atom;
    uint8_t polarity;
    bool literalPreferred;
};

class PT_CANDIDATES {
public:
    MODEL_GENERATOR *mg = nullptr;
    TRUTH_ASSIGNMENT *assignment = nullptr;
    bool done = false;  // no candidate exists
    uint32_t capacity = 0;
    uint32_t count = 0;
    bool byActivity = false;  // the entry was taken from the activity order, not looked ahead
    // Below the first choice, once the search keeps meeting contradictions, one in this many of
    // the first choice's candidates is looked ahead (at least `capacity`).
    static constexpr uint32_t WIDE_SHARE = 50;

    // An empty list of the given capacity over the model generator's current assignment.
    void start(MODEL_GENERATOR *generator, TRUTH_ASSIGNMENT *a, uint32_t listCapacity);

    // Fills the list, or sets `done`; 0 when the look-aheads show that the interpretation has no
    // answer set.
    int chooseCandidate();
    int computePossiblyTrue();
    int lookAheadMostActive();
    // Puts the most active candidate into the list without looking it ahead; false when the
    // activity order holds no candidate.
    bool takeMostActive();
    // `picked` gets the `width` most active candidates (fewer when the order holds no more); the
    // atoms passed over stay in the order.
    void pickMostActive(uint32_t width);
    int evaluateCandidate(GATOM_ID atom, uint8_t polarity, uint32_t &inserted, uint32_t &failed);
    void insertCandidate(GATOM_ID atom, uint8_t polarity, const HEURISTIC_VALUE &result,
                         const HEURISTIC_VALUE *opposite);
    // Removes entries from the front while the front one is no longer a candidate of its kind.
    void dropStaleCandidates();
    void clear();

    // The best entry; the list must not be empty.
    const PT_CANDIDATE &first() const { return slots[order[0]]; }
    void removeFirst();
    // Whether the entry's own literal is tried before its opposite: the direction the search last
    // gave the atom, else what the records preferred.
    bool literalFirst(const PT_CANDIDATE &c) const;
    // Whether a literal with these records is tried before its opposite: under --canchoosecomplpt
    // the criteria compare its own record with its opposite's; without an opposite, it is.
    bool recordsPreferLiteral(const HEURISTIC_VALUE &result, const HEURISTIC_VALUE *opposite) const;

    // The entries, best first, without their records; and the list made of such entries again.
    void keepTo(std::vector<PT_KEPT> &out) const;
    void restore(const PT_KEPT *begin, const PT_KEPT *end, bool takenByActivity);

private:
    std::vector<PT_CANDIDATE> slots;  // every entry ever held; reused
    std::vector<uint32_t> order;      // slot numbers of the entries, best first
    std::vector<uint32_t> freeSlots;
    std::vector<GATOM_ID> picked;  // the candidates of one look-ahead pass
    std::vector<GATOM_ID> passed;  // the undecided atoms taken from the activity order

    bool isCandidateOfKind(GATOM_ID atom, uint8_t polarity) const;
    // True when the new entry ranks below the entry in the slot.
    bool worseThan(const HEURISTIC_PAIR &entry, const PT_CANDIDATE &other) const;
    // Whether the entry's records put its literal first, decided once.
    bool literalPreferred(const PT_CANDIDATE &c) const;
    uint32_t takeSlot();
};

#endif
