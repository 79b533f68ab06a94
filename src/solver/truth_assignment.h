// The model generator's partial interpretation, its undo trails and the costs of weak
// constraints.
//
// A TRUTH_ASSIGNMENT holds one TRUTH_VALUE per ground atom, the number of must-be-true atoms and
// the cost per weak-constraint level. While `trailing` is set every change of a value or a cost
// is recorded, so that the search takes a choice back exactly by undoing to the last choice
// marker. The counters that the model generator keeps in ground rules, constraints and
// aggregates are protected the same way by UNDO_TRAILs, which stamp their entries with the
// search level so that one pass undoes everything done since a level.
//
// Costs are fixed-point (weights times 1000) and held in 64 bits, so that many violations never
// wrap into a cheaper-looking cost; they are printed in the system's usual form.
#ifndef QUARN_SOLVER_TRUTH_ASSIGNMENT_H
#define QUARN_SOLVER_TRUTH_ASSIGNMENT_H

#include <cstdint>
#include <cstdio>
#include <vector>

struct GRULE;
struct GCONSTRAINT;
class MODEL_CHECKER;
template <class RULE_T, class CONSTRAINT_T>
class DEPGRAPH;

// The value of one ground atom; an atom is true when its value is above 3, decided when it is
// not 0. Value 3 is never stored. The same codes are the kinds of propagation queue entries.
typedef uint32_t TRUTH_VALUE;
enum : TRUTH_VALUE {
    TRUTH_UNDEFINED = 0,
    TRUTH_FALSE = 1,
    TRUTH_MUST_BE_TRUE = 2,
    TRUTH_TRUE_FROM_MUST_BE_TRUE = 4,
    TRUTH_TRUE = 8,
};

inline bool isTrueValue(TRUTH_VALUE v) { return v > 3; }

// In a cost bound, this entry means that the level has no bound.
constexpr uint64_t COST_NO_BOUND = UINT64_MAX;

// The cost per weak-constraint level. Only the levels a program uses are kept: `levelNumbers`
// holds them in ascending order and `values[i]` is the cost of level `levelNumbers[i]`, so a
// level number like 999999999 costs one entry, not a billion. For a program whose levels run
// from 1 without gaps, entry i is level i + 1.
struct COST_VECTOR {
    std::vector<uint64_t> values;
    std::vector<uint32_t> levelNumbers;
    uint32_t levels = 0;

    COST_VECTOR() = default;
    // Levels 1 to n, all with cost `initial`.
    explicit COST_VECTOR(uint32_t n, uint64_t initial = 0);
    // The given ascending level numbers, all with cost `initial`.
    explicit COST_VECTOR(const std::vector<uint32_t> &levelNumbers, uint64_t initial = 0);

    // The index of a level number, -1 when the vector does not cover it.
    int32_t indexOfLevel(uint32_t level) const;
    // Sets every entry to `v`, keeping the levels.
    void fill(uint64_t v);
    // Takes the entries of `other`, which covers the same levels.
    void assignValues(const COST_VECTOR &other);
};

// Compares two cost vectors from the highest level down, as unsigned numbers: 1 when a is
// greater, -1 when smaller, 0 when equal or when a has no levels. b covers at least a's levels.
int compareCosts(const COST_VECTOR &a, const COST_VECTOR &b);

// Writes a cost as "<[1.050:1],[2:2]>": per level the value divided by 1000 and, when there is
// a remainder, "." and the remainder as three digits, then ":" and the level number.
FILE *printCost(FILE *out, const COST_VECTOR &cost);

struct VALUE_TRAIL_ENTRY {
    int32_t atom;  // -1 marks a choice
    TRUTH_VALUE old;
};

struct COST_TRAIL_ENTRY {
    int32_t level;  // the index into the cost vector; -1 marks a choice
    uint64_t old;
};

class TRUTH_ASSIGNMENT {
public:
    std::vector<TRUTH_VALUE> values;
    uint32_t mustBeTrueCount = 0;
    bool trailing = false;
    std::vector<VALUE_TRAIL_ENTRY> valueTrail;
    std::vector<COST_TRAIL_ENTRY> costTrail;
    COST_VECTOR levelCosts;

    TRUTH_ASSIGNMENT() = default;
    // `atoms` atoms with `value`, a zero cost over levels 1 to `levels`.
    TRUTH_ASSIGNMENT(uint32_t atoms, uint32_t levels, TRUTH_VALUE value);
    // `atoms` atoms with `value`, a zero cost over the levels of `costs`.
    TRUTH_ASSIGNMENT(uint32_t atoms, const COST_VECTOR &costs, TRUTH_VALUE value);

    TRUTH_VALUE operator[](int32_t atom) const { return values[atom]; }
    bool isTrue(int32_t atom) const { return values[atom] > 3; }
    uint32_t levels() const { return levelCosts.levels; }

    void setValue(int32_t atom, TRUTH_VALUE value) {
        if (trailing) valueTrail.push_back({atom, values[atom]});
        values[atom] = value;
    }
    // Adds a weight to the cost at a level index (wrapping is out of reach in 64 bits).
    void addCost(uint32_t levelIndex, uint64_t weight) {
        if (trailing) costTrail.push_back({static_cast<int32_t>(levelIndex), levelCosts.values[levelIndex]});
        levelCosts.values[levelIndex] += weight;
    }
    // Opens a choice on both trails.
    void markChoice() {
        valueTrail.push_back({-1, 0});
        costTrail.push_back({-1, 0});
    }
    // Takes back every change since the last choice marker, repairing `mustBeTrueCount`.
    void undoChoice();

    // The model check of the atoms this assignment holds true, by the caller's model checker
    // (which keeps what it learns for the caller's later checks): 1 when they are stable, 0 when
    // not. A failed check may record an unfounded set in `witness` (one byte per ground atom) and
    // set `*witnessFound`.
    int modelCheck(std::vector<GRULE> &rules, bool programHCF, DEPGRAPH<GRULE, GCONSTRAINT> *graph,
                   const uint8_t *chosenFlags, uint8_t *witness, uint8_t *witnessFound, MODEL_CHECKER &checker) const;
};

// The quick re-checks of the unfounded set a failed model check left in `witness`, implemented
// by the model checker: 1 when the set is still unfounded under the assignment. The first
// tests every rule and records in `recorded` (when given) the rules that touch the set; the
// second tests the recorded rules only.
int checkWitnessUnfounded(const uint8_t *witness, const TRUTH_ASSIGNMENT &assignment,
                          std::vector<GRULE> &rules, std::vector<GRULE *> *recorded);
int recheckWitnessUnfounded(const uint8_t *witness, const TRUTH_ASSIGNMENT &assignment,
                            const std::vector<GRULE *> &recorded);

struct UNDO_ENTRY {
    uint32_t *address;  // null marks the start of the level held in `old`
    uint32_t old;
};

// A level-stamped trail of counter changes. `push` is called before a counter changes.
class UNDO_TRAIL {
public:
    std::vector<UNDO_ENTRY> entries;
    int32_t level = -1;

    void push(uint32_t currentLevel, uint32_t *address) {
        while (level < static_cast<int32_t>(currentLevel)) {
            ++level;
            entries.push_back({nullptr, static_cast<uint32_t>(level)});
        }
        entries.push_back({address, *address});
    }
    // Restores every counter changed at levels above `target`.
    void undoTo(uint32_t target);
    // Restores every counter on the trail, level 0 included, and empties it.
    void undoAll();
    void clear() {
        entries.clear();
        level = -1;
    }
};

// The same for 64-bit values (the model generator's aggregate values, which must not wrap).
class WIDE_UNDO_TRAIL {
public:
    struct ENTRY {
        int64_t *address;  // null marks the start of the level held in `old`
        int64_t old;
    };
    std::vector<ENTRY> entries;
    int32_t level = -1;

    void push(uint32_t currentLevel, int64_t *address) {
        while (level < static_cast<int32_t>(currentLevel)) {
            ++level;
            entries.push_back({nullptr, level});
        }
        entries.push_back({address, *address});
    }
    void undoTo(uint32_t target) {
        if (static_cast<int32_t>(target) >= level) return;
        while (!entries.empty()) {
            ENTRY e = entries.back();
            entries.pop_back();
            if (e.address)
                *e.address = e.old;
            else if (e.old == static_cast<int64_t>(target) + 1)
                break;
        }
        level = static_cast<int32_t>(target);
    }
    void undoAll() {
        while (!entries.empty()) {
            ENTRY e = entries.back();
            entries.pop_back();
            if (e.address) *e.address = e.old;
        }
        level = -1;
    }
    void clear() {
        entries.clear();
        level = -1;
    }
};

#endif
