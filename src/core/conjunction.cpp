#include "core/conjunction.h"

#include "core/aggregate_function.h"
#include "core/program.h"

CONJUNCTION::CONJUNCTION(const CONJUNCTION &other) : literals(other.literals) { recomputeFirstNegative(); }

CONJUNCTION &CONJUNCTION::operator=(const CONJUNCTION &other) {
    if (this == &other) return *this;
    literals = other.literals;
    recomputeFirstNegative();
    return *this;
}

void CONJUNCTION::recomputeFirstNegative() {
    uint32_t i = 0;
    while (i < literals.size() && !literals[i].negated) i++;
    firstNegative = i;
}

uint32_t CONJUNCTION::find(const LITERAL &literal) const {
    uint32_t from = literal.negated ? firstNegative : 0;
    uint32_t to = literal.negated ? size() : firstNegative;
    for (uint32_t i = from; i < to; i++)
        if (literals[i].negated == literal.negated && compareAtom(literals[i].atom, literal.atom) == 0) return i;
    return size();
}

uint32_t CONJUNCTION::insertSorted(const LITERAL &literal) {
    uint32_t existing = find(literal);
    if (existing != size()) return existing;
    uint32_t from = literal.negated ? firstNegative : 0;
    uint32_t to = literal.negated ? size() : firstNegative;
    uint32_t at = from;
    while (at < to && compareAtom(literals[at].atom, literal.atom) < 0) at++;
    literals.insert(literals.begin() + at, literal);
    if (!literal.negated) firstNegative++;
    return at;
}

void CONJUNCTION::append(const LITERAL &literal) { append(LITERAL(literal)); }

void CONJUNCTION::append(LITERAL &&literal) {
    if (literal.negated) {
        literals.push_back(std::move(literal));
    } else {
        literals.insert(literals.begin() + firstNegative, std::move(literal));
        firstNegative++;
    }
}

void CONJUNCTION::erase(uint32_t position) {
    if (position >= literals.size()) return;
    bool positive = !literals[position].negated;
    literals.erase(literals.begin() + position);
    if (positive) firstNegative--;
}

bool CONJUNCTION::occursInPositive(TERM t) const {
    for (const LITERAL &l : positive()) {
        if (const AGGREGATE_ATOM *a = l.atom.aggregate()) {
            if (a->assignment && compareTerm(a->lowerGuard, t) == 0) return true;
            continue;
        }
        if (termsContain(l.atom.args(), t)) return true;
    }
    return false;
}

void CONJUNCTION::replaceTerm(TERM replacement, TERM target) {
    for (LITERAL &l : literals) {
        if (AGGREGATE_ATOM *a = l.atom.aggregate()) {
            AGGREGATEFUNCTION *f = a->getFunction();
            if (f && !f->conjunction.empty())
                for (TERM &arg : f->conjunction[0].atom.mutableArgs())
                    if (compareTerm(arg, target) == 0) arg = replacement;
            if (compareTerm(a->lowerGuard, target) == 0) a->lowerGuard = replacement;
            if (compareTerm(a->upperGuard, target) == 0) a->upperGuard = replacement;
            continue;
        }
        for (TERM &arg : l.atom.mutableArgs())
            if (compareTerm(arg, target) == 0) arg = replacement;
    }
}
