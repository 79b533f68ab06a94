#include "grounding/match_iterator.h"

#include "core/program.h"

namespace {

// The phase after `phase` in the sequence of a semi-naive code, or PHASE_EDB when none follows.
uint32_t nextPhase(uint32_t code, uint32_t phase) {
    switch (code) {
    case 0: return phase == PHASE_I_POSITIVE ? PHASE_I_UNDEFINED : PHASE_EDB;
    case 1: return phase == PHASE_DELTA_POSITIVE ? PHASE_DELTA_UNDEFINED : PHASE_EDB;
    case 2: return phase >= PHASE_I_POSITIVE && phase < PHASE_DELTA_UNDEFINED ? phase + 1 : PHASE_EDB;
    default: return PHASE_EDB;
    }
}

const ATOM_SETS *partOf(uint32_t phase, const INTERPRETATION *delta) {
    switch (phase) {
    case PHASE_EDB: return &EDB;
    case PHASE_I_POSITIVE: return &I.positive;
    case PHASE_I_UNDEFINED: return &I.undefined;
    case PHASE_DELTA_POSITIVE: return delta ? &delta->positive : nullptr;
    case PHASE_DELTA_UNDEFINED: return delta ? &delta->undefined : nullptr;
    default: return nullptr;
    }
}

} // namespace

void MATCH_ITERATOR::init(const LITERAL &literal, const SUBSTITUTION &substitution,
                          const INTERPRETATION *delta, uint32_t semiNaiveCode,
                          const INDEX_TYPE *index, int32_t argument) {
    const ATOM &atom = literal.atom;
    predicateKind = predicateTable.kind(atom.predicate);
    code = semiNaiveCode;
    phase = PHASE_EDB;
    indexArgument = argument;
    usesIndex = false;
    indexRange = INDEX_RANGE();
    current = end = nullptr;
    relation = atomStore.relationOf(atom.predicate);
    state = 0;
    std::span<const TERM> args = atom.args();
    freeArguments.reset(uint32_t(args.size()));
    for (uint32_t i = 0; i < args.size(); i++) {
        TERM t = args[i];
        if (t.isVariable() ? substitution[t.value].isNull()
                           : t.isComplex() && complexTerm(t).hasUnboundVariable(substitution))
            freeArguments.set(i);
    }
    allBound = freeArguments.none();
    if (predicateKind != PREDICATE_AGGREGATE && predicateKind != PREDICATE_BUILTIN && !allBound)
        first(literal, delta, substitution, index);
}

void MATCH_ITERATOR::first(const LITERAL &literal, const INTERPRETATION *delta,
                           const SUBSTITUTION &substitution, const INDEX_TYPE *index) {
    if (predicateKind == PREDICATE_EDB) {
        phase = PHASE_EDB;
        startPhase(literal, substitution, index, delta);
        return;
    }
    switch (code) {
    case 0: phase = PHASE_I_POSITIVE; break;
    case 1: phase = PHASE_DELTA_POSITIVE; break;
    case 2: phase = PHASE_I_POSITIVE; break;
    default:
        phase = PHASE_EDB;
        usesIndex = false;
        current = end = nullptr;
        return;
    }
    startPhase(literal, substitution, index, delta);
    advancePhases(literal, delta, substitution, index);
}

void MATCH_ITERATOR::startPhase(const LITERAL &literal, const SUBSTITUTION &substitution,
                                const INDEX_TYPE *index, const INTERPRETATION *delta) {
    usesIndex = indexCovers(index, indexArgument, phase);
    if (usesIndex) {
        startIndexLookup(literal, substitution, index);
        if (usesIndex) return;
    }
    const ATOM_SETS *part = partOf(phase, delta);
    current = end = nullptr;
    if (!part) return;
    std::span<const uint32_t> rows = part->atomsOf(literal.atom.predicate).rows();
    current = rows.data();
    end = rows.data() + rows.size();
}

void MATCH_ITERATOR::startIndexLookup(const LITERAL &literal, const SUBSTITUTION &substitution,
                                      const INDEX_TYPE *index) {
    TERM argument = literal.atom.arg(uint32_t(indexArgument));
    TERM key = argument.isVariable() ? substitution[argument.value]
               : argument.isComplex() ? instantiateTerm(argument, substitution)
                                      : argument;
    if (key.isNull()) {
        // Not bound after all: the phase is scanned instead.
        usesIndex = false;
        return;
    }
    indexRange = index->find(key, uint32_t(indexArgument), phase);
}

void MATCH_ITERATOR::advancePhases(const LITERAL &literal, const INTERPRETATION *delta,
                                   const SUBSTITUTION &substitution, const INDEX_TYPE *index) {
    while (exhausted()) {
        uint32_t following = nextPhase(code, phase);
        if (following == PHASE_EDB) return;
        phase = following;
        startPhase(literal, substitution, index, delta);
    }
}

void MATCH_ITERATOR::next(const LITERAL &literal, const INTERPRETATION *delta,
                          const SUBSTITUTION &substitution, const INDEX_TYPE *index) {
    if (usesIndex) indexRange.advance();
    else ++current;
    // A "#query" predicate lives in I and Delta like an IDB predicate and moves through the same
    // phases, so that none of its atoms is missed.
    if (exhausted() && (predicateKind == PREDICATE_IDB || predicateKind == PREDICATE_QUERY))
        advancePhases(literal, delta, substitution, index);
}
