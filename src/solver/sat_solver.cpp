#include "solver/sat_solver.h"

#include <algorithm>
#include <limits>

#include "solver/luby.h"
#include "support/diagnostics.h"

namespace {

constexpr uint64_t RESTART_UNIT = 64;
constexpr size_t LAST_LEARNED_LIMIT = 2000;

}  // namespace

void SAT_SOLVER::reset(uint32_t variableCount) {
    // Literal codes run to 2n + 1 in 32 bits; ground atom numbers never come near that.
    if (variableCount > uint32_t(std::numeric_limits<int32_t>::max() / 2)) internalError("model check");
    unsatisfiable = false;
    arena.clear();
    learned.clear();
    wasted = 0;
    learnedLimit = FIRST_LEARNED_LIMIT;
    // The watch lists keep their buffers for the next clause set.
    size_t literalCount = size_t(2) * variableCount;
    for (size_t l = 0; l < std::min(literalCount, watches.size()); ++l) watches[l].clear();
    watches.resize(literalCount);
    value.assign(literalCount, 0);
    level.assign(variableCount, 0);
    reason.assign(variableCount, NO_CLAUSE);
    seen.assign(variableCount, 0);
    decides.assign(variableCount, 1);
    openDecisions = variableCount;
    order.reset(variableCount);
    trail.clear();
    levelStart.clear();
    propagated = 0;
    conflicts = 0;
}

uint32_t SAT_SOLVER::addVariable(bool decision) {
    backtrack(0);
    uint32_t v = variableCount();
    if (v >= uint32_t(std::numeric_limits<int32_t>::max() / 2)) internalError("model check");
    watches.resize(size_t(2) * (v + 1));
    value.resize(size_t(2) * (v + 1), 0);
    level.push_back(0);
    reason.push_back(NO_CLAUSE);
    seen.push_back(0);
    decides.push_back(decision);
    order.add(decision);
    if (decision) ++openDecisions;
    return v;
}

void SAT_SOLVER::addClause(const int32_t *clause, size_t count) {
    backtrack(0);
    if (unsatisfiable) return;
    clauseBuffer.assign(clause, clause + count);
    std::sort(clauseBuffer.begin(), clauseBuffer.end());
    size_t kept = 0;
    for (size_t i = 0; i < clauseBuffer.size(); ++i) {
        int32_t l = clauseBuffer[i];
        if (size_t(l) >= value.size()) internalError("model check");
        if (kept > 0 && clauseBuffer[kept - 1] == l) continue;
        // Complements are adjacent once sorted: a tautology constrains nothing.
        if (kept > 0 && clauseBuffer[kept - 1] == (l ^ 1)) return;
        if (value[size_t(l)] > 0) return;  // a fact satisfies it
        if (value[size_t(l)] < 0) continue;
        clauseBuffer[kept++] = l;
    }
    clauseBuffer.resize(kept);
    if (kept == 0) {
        unsatisfiable = true;
        return;
    }
    if (kept == 1) {
        assign(clauseBuffer[0], NO_CLAUSE);
        if (propagate() != NO_CLAUSE) unsatisfiable = true;
        return;
    }
    watchClause(storeClause(clauseBuffer.data(), uint32_t(kept), false, 0));
}

uint32_t SAT_SOLVER::storeClause(const int32_t *literals, uint32_t count, bool learnedClause, uint32_t glue) {
    if (arena.size() + HEADER + count > std::numeric_limits<uint32_t>::max()) internalError("model check");
    uint32_t c = uint32_t(arena.size());
    arena.push_back(count);
    arena.push_back((learnedClause ? uint32_t(LEARNED) : 0u) | (glue << GLUE_SHIFT));
    for (uint32_t i = 0; i < count; ++i) arena.push_back(uint32_t(literals[i]));
    if (learnedClause) learned.push_back(c);
    return c;
}

void SAT_SOLVER::watchClause(uint32_t c) {
    int32_t *lits = clauseLiterals(c);
    watches[size_t(lits[0])].push_back({c, lits[1]});
    watches[size_t(lits[1])].push_back({c, lits[0]});
}

void SAT_SOLVER::assign(int32_t literal, uint32_t reasonClause) {
    uint32_t v = variableOf(literal);
    value[size_t(literal)] = 1;
    value[size_t(literal ^ 1)] = -1;
    level[v] = decisionLevel();
    reason[v] = reasonClause;
    trail.push_back(literal);
    openDecisions -= decides[v];
}

// Returns the clause that became false, or NO_CLAUSE.
uint32_t SAT_SOLVER::propagate() {
    while (propagated < trail.size()) {
        int32_t falseLiteral = trail[propagated++] ^ 1;
        std::vector<WATCH> &ws = watches[size_t(falseLiteral)];
        size_t i = 0, j = 0, end = ws.size();
        while (i < end) {
            WATCH w = ws[i++];
            if (value[size_t(w.blocker)] > 0) {
                ws[j++] = w;
                continue;
            }
            int32_t *lits = clauseLiterals(w.clause);
            if (lits[0] == falseLiteral) std::swap(lits[0], lits[1]);
            int32_t first = lits[0];
            if (first != w.blocker && value[size_t(first)] > 0) {
                ws[j++] = {w.clause, first};
                continue;
            }
            uint32_t size = clauseSize(w.clause);
            bool moved = false;
            for (uint32_t k = 2; k < size; ++k)
                if (value[size_t(lits[k])] >= 0) {
                    lits[1] = lits[k];
                    lits[k] = falseLiteral;
                    watches[size_t(lits[1])].push_back({w.clause, first});
                    moved = true;
                    break;
                }
            if (moved) continue;
            ws[j++] = {w.clause, first};
            if (value[size_t(first)] < 0) {
                while (i < end) ws[j++] = ws[i++];
                ws.resize(j);
                propagated = trail.size();
                return w.clause;
            }
            assign(first, w.clause);
        }
        ws.resize(j);
    }
    return NO_CLAUSE;
}

// Resolves the conflict back to the first unique implication point of the current level. The
// learned clause is left in clauseBuffer, its asserting literal first and a literal of the level
// to jump back to second.
void SAT_SOLVER::analyze(uint32_t conflict, uint32_t &backjumpLevel, uint32_t &glue) {
    clauseBuffer.clear();
    clauseBuffer.push_back(0);
    uint32_t current = decisionLevel();
    uint32_t open = 0;
    int32_t p = -1;
    size_t index = trail.size();
    uint32_t c = conflict;
    for (;;) {
        int32_t *lits = clauseLiterals(c);
        uint32_t size = clauseSize(c);
        for (uint32_t k = p < 0 ? 0 : 1; k < size; ++k) {
            int32_t q = lits[k];
            uint32_t v = variableOf(q);
            if (seen[v] || level[v] == 0) continue;
            seen[v] = 1;
            bumpVariable(v);
            if (level[v] >= current)
                ++open;
            else
                clauseBuffer.push_back(q);
        }
        while (!seen[variableOf(trail[--index])]) {
        }
        p = trail[index];
        seen[variableOf(p)] = 0;
        if (--open == 0) break;
        c = reason[variableOf(p)];
    }
    clauseBuffer[0] = p ^ 1;

    // Drop the literals that the others imply through their reasons.
    uint32_t levels = 0;
    for (size_t k = 1; k < clauseBuffer.size(); ++k) levels |= 1u << (level[variableOf(clauseBuffer[k])] & 31);
    analyzeClear.assign(clauseBuffer.begin() + 1, clauseBuffer.end());
    size_t kept = 1;
    for (size_t k = 1; k < clauseBuffer.size(); ++k) {
        int32_t l = clauseBuffer[k];
        if (reason[variableOf(l)] == NO_CLAUSE || !redundant(l, levels)) clauseBuffer[kept++] = l;
    }
    clauseBuffer.resize(kept);
    for (int32_t l : analyzeClear) seen[variableOf(l)] = 0;

    backjumpLevel = 0;
    if (clauseBuffer.size() > 1) {
        size_t highest = 1;
        for (size_t k = 2; k < clauseBuffer.size(); ++k)
            if (level[variableOf(clauseBuffer[k])] > level[variableOf(clauseBuffer[highest])]) highest = k;
        std::swap(clauseBuffer[1], clauseBuffer[highest]);
        backjumpLevel = level[variableOf(clauseBuffer[1])];
    }
    if (levelMark.size() < current + 1) levelMark.resize(current + 1, 0);
    if (++levelStamp == 0) {
        std::fill(levelMark.begin(), levelMark.end(), 0);
        levelStamp = 1;
    }
    glue = 0;
    for (int32_t l : clauseBuffer) {
        uint32_t lv = level[variableOf(l)];
        if (levelMark[lv] != levelStamp) {
            levelMark[lv] = levelStamp;
            ++glue;
        }
    }
}

// Whether the literal of the learned clause follows from the clause's other literals through
// reasons; the walk marks what it proves (in seen, listed in analyzeClear) and uses its own stack.
bool SAT_SOLVER::redundant(int32_t literal, uint32_t levels) {
    analyzeStack.clear();
    analyzeStack.push_back(literal);
    size_t top = analyzeClear.size();
    while (!analyzeStack.empty()) {
        uint32_t c = reason[variableOf(analyzeStack.back())];
        analyzeStack.pop_back();
        int32_t *lits = clauseLiterals(c);
        for (uint32_t k = 1; k < clauseSize(c); ++k) {
            uint32_t v = variableOf(lits[k]);
            if (seen[v] || level[v] == 0) continue;
            if (reason[v] != NO_CLAUSE && ((1u << (level[v] & 31)) & levels)) {
                seen[v] = 1;
                analyzeStack.push_back(lits[k]);
                analyzeClear.push_back(lits[k]);
                continue;
            }
            for (size_t i = top; i < analyzeClear.size(); ++i) seen[variableOf(analyzeClear[i])] = 0;
            analyzeClear.resize(top);
            return false;
        }
    }
    return true;
}

void SAT_SOLVER::backtrack(uint32_t toLevel) {
    if (decisionLevel() <= toLevel) return;
    size_t start = levelStart[toLevel];
    for (size_t i = trail.size(); i-- > start;) {
        int32_t l = trail[i];
        uint32_t v = variableOf(l);
        value[size_t(l)] = 0;
        value[size_t(l ^ 1)] = 0;
        reason[v] = NO_CLAUSE;
        if (decides[v]) {
            ++openDecisions;
            order.insert(v);
        }
    }
    trail.resize(start);
    levelStart.resize(toLevel);
    propagated = start;
}

// Opens level 1 with every assumed literal; false when one of them is already false.
bool SAT_SOLVER::assume(const int32_t *assumptions, size_t count) {
    if (count == 0) return true;
    levelStart.push_back(uint32_t(trail.size()));
    for (size_t i = 0; i < count; ++i) {
        int32_t l = assumptions[i];
        if (size_t(l) >= value.size()) internalError("model check");
        if (value[size_t(l)] < 0) return false;
        if (value[size_t(l)] == 0) assign(l, NO_CLAUSE);
    }
    return true;
}

uint32_t SAT_SOLVER::chooseVariable() {
    // Once every decision variable is assigned the heap need not be emptied to find that out.
    if (openDecisions == 0) return NO_VARIABLE;
    while (!order.empty()) {
        uint32_t v = order.removeTop();
        if (value[size_t(positive(v))] == 0) return v;
    }
    return NO_VARIABLE;
}

void SAT_SOLVER::bumpVariable(uint32_t v) {
    order.bump(v);
}

bool SAT_SOLVER::solve(const int32_t *assumptions, size_t count) {
    backtrack(0);
    if (unsatisfiable) return false;
    if (propagate() != NO_CLAUSE) {
        unsatisfiable = true;
        return false;
    }
    if (!assume(assumptions, count)) {
        backtrack(0);
        return false;
    }
    const uint32_t floor = decisionLevel();
    uint32_t restartIndex = 0;
    restartLimit = conflicts + RESTART_UNIT * luby(restartIndex++);
    for (;;) {
        uint32_t conflict = propagate();
        if (conflict == NO_CLAUSE) {
            uint32_t v = chooseVariable();
            if (v == NO_VARIABLE) return true;
            levelStart.push_back(uint32_t(trail.size()));
            assign(negative(v), NO_CLAUSE);
            continue;
        }
        ++conflicts;
        // Nothing above the assumptions is involved: they contradict the clauses.
        if (decisionLevel() <= floor) {
            if (decisionLevel() == 0) unsatisfiable = true;
            backtrack(0);
            return false;
        }
        uint32_t back, glue;
        analyze(conflict, back, glue);
        // A clause asserting below the assumptions holds for good: it goes in on level 0 and
        // the assumptions are taken again over it.
        bool again = back < floor;
        backtrack(back);
        if (clauseBuffer.size() == 1) {
            assign(clauseBuffer[0], NO_CLAUSE);
        } else {
            uint32_t c = storeClause(clauseBuffer.data(), uint32_t(clauseBuffer.size()), true, glue);
            watchClause(c);
            assign(clauseBuffer[0], c);
        }
        order.decay();
        if (again) {
            if (propagate() != NO_CLAUSE) {
                unsatisfiable = true;
                backtrack(0);
                return false;
            }
            if (!assume(assumptions, count)) {
                backtrack(0);
                return false;
            }
            continue;
        }
        if (conflicts >= restartLimit) {
            backtrack(floor);
            restartLimit = conflicts + RESTART_UNIT * luby(restartIndex++);
        }
        if (learned.size() >= learnedLimit) reduceLearned();
    }
}

// Drops about half of the learned clauses that are not reasons and span more than two levels,
// those spanning the most (then the longest) first.
void SAT_SOLVER::reduceLearned() {
    auto glueOf = [&](uint32_t c) { return arena[c + 1] >> GLUE_SHIFT; };
    std::sort(learned.begin(), learned.end(), [&](uint32_t a, uint32_t b) {
        if (glueOf(a) != glueOf(b)) return glueOf(a) > glueOf(b);
        return clauseSize(a) > clauseSize(b);
    });
    size_t target = learned.size() / 2, dropped = 0, kept = 0;
    for (uint32_t c : learned) {
        int32_t first = clauseLiterals(c)[0];
        bool locked = value[size_t(first)] > 0 && reason[variableOf(first)] == c;
        if (dropped < target && glueOf(c) > 2 && !locked) {
            arena[c + 1] |= DELETED;
            wasted += HEADER + clauseSize(c);
            ++dropped;
        } else {
            learned[kept++] = c;
        }
    }
    learned.resize(kept);
    for (std::vector<WATCH> &ws : watches)
        ws.erase(std::remove_if(ws.begin(), ws.end(), [&](const WATCH &w) { return arena[w.clause + 1] & DELETED; }),
                 ws.end());
    if (wasted > arena.size() / 2) compactArena();
    learnedLimit = std::min(learnedLimit + learnedLimit / 10, LAST_LEARNED_LIMIT + learned.size() / 2);
}

// Moves the live clauses together; each old clause's flag word tells its new position meanwhile.
void SAT_SOLVER::compactArena() {
    std::vector<uint32_t> fresh;
    fresh.reserve(arena.size() - wasted);
    for (size_t c = 0; c < arena.size();) {
        uint32_t size = arena[c];
        uint32_t flags = arena[c + 1];
        if (!(flags & DELETED)) {
            uint32_t moved = uint32_t(fresh.size());
            fresh.insert(fresh.end(), arena.begin() + c, arena.begin() + c + HEADER + size);
            arena[c + 1] = moved;
        }
        c += HEADER + size;
    }
    for (std::vector<WATCH> &ws : watches)
        for (WATCH &w : ws) w.clause = arena[w.clause + 1];
    for (int32_t l : trail) {
        uint32_t &r = reason[variableOf(l)];
        if (r != NO_CLAUSE) r = arena[r + 1];
    }
    for (uint32_t &c : learned) c = arena[c + 1];
    arena.swap(fresh);
    wasted = 0;
}

// A call over a large clause set gives its memory back when it ends.
static constexpr size_t KEEP_LIMIT = size_t(1) << 20;

bool SAT_SOLVER::satSolve(const std::vector<GRULE> &rules, const std::vector<GCONSTRAINT> &constraints,
                          const std::vector<uint8_t> &selection, uint8_t *model) {
    if (variableOfAtom.size() < selection.size()) variableOfAtom.resize(selection.size(), -1);
    atomOfVariable.clear();
    for (size_t i = 0; i < selection.size(); ++i)
        if (selection[i]) {
            variableOfAtom[i] = int32_t(atomOfVariable.size());
            atomOfVariable.push_back(GATOM_ID(i));
        }
    reset(uint32_t(atomOfVariable.size()));
    auto variable = [&](GATOM_ID atom) {
        if (atom < 0 || size_t(atom) >= selection.size() || !selection[size_t(atom)]) internalError("model check");
        return uint32_t(variableOfAtom[size_t(atom)]);
    };
    size_t literalCount = 0;
    std::vector<int32_t> &clause = recordClause;
    for (const GRULE &r : rules) {
        clause.clear();
        for (GATOM_ID h : r.head) clause.push_back(positive(variable(h)));
        for (const GLITERAL &l : r.body.literals) clause.push_back(negative(variable(l.atom)));
        literalCount += clause.size();
        addClause(clause);
    }
    for (const GCONSTRAINT &k : constraints) {
        clause.clear();
        for (const GLITERAL &l : k.body.literals) clause.push_back(negative(variable(l.atom)));
        literalCount += clause.size();
        addClause(clause);
    }
    bool satisfiable = solve();
    if (satisfiable && model) {
        std::fill(model, model + selection.size(), uint8_t(0));
        for (uint32_t v = 0; v < atomOfVariable.size(); ++v)
            if (isTrue(v)) model[size_t(atomOfVariable[v])] = 1;
    }
    for (GATOM_ID atom : atomOfVariable) variableOfAtom[size_t(atom)] = -1;
    if (selection.size() > KEEP_LIMIT || literalCount > KEEP_LIMIT) *this = SAT_SOLVER();
    return satisfiable;
}
