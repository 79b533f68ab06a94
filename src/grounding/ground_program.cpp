#include "grounding/ground_program.h"

uint32_t groundAtomCount = 0;
std::vector<GRULE> groundRules;
std::vector<GCONSTRAINT> groundConstraints;
std::vector<GWEAKCONSTRAINT> groundWeakConstraints;
std::vector<GWEAKCONSTRAINT> violatedWeakConstraints;
uint32_t maxLevel = 0;

void resetGroundProgram() {
    violatedWeakConstraints.clear();
    groundWeakConstraints.clear();
    groundConstraints.clear();
    groundRules.clear();
    groundAtomCount = 0;
    groundAtomTable.clear();
    maxLevel = 0;
}

void GBODY::recomputeFirstNegative() {
    uint32_t i = 0;
    while (i < literals.size() && !literals[i].negated) i++;
    firstNegative = i;
}

void GBODY::add(GLITERAL literal) {
    uint32_t from = literal.negated ? firstNegative : 0;
    uint32_t to = literal.negated ? size() : firstNegative;
    for (uint32_t i = from; i < to; i++)
        if (literals[i] == literal) return;
    append(literal);
}

void GBODY::append(GLITERAL literal) {
    if (literal.negated) {
        literals.push_back(literal);
    } else {
        literals.insert(literals.begin() + firstNegative, literal);
        firstNegative++;
    }
}

void GBODY::erase(uint32_t position) {
    if (position >= literals.size()) return;
    if (!literals[position].negated) firstNegative--;
    literals.erase(literals.begin() + position);
}

GRULE::GRULE(const std::vector<GATOM_ID> *h, const GBODY *b) {
    if (h) head = GATOM_LIST(*h);
    if (b) {
        body = *b;
        body.recomputeFirstNegative();
        hasBody = true;
    }
}

GRULE::GRULE(GATOM_LIST &&h, GBODY &&b, bool withBody)
    : head(std::move(h)), body(std::move(b)), hasBody(withBody) {
    body.recomputeFirstNegative();
}

GCONSTRAINT::GCONSTRAINT(const GCONSTRAINT &other) : body(other.body) {
    body.recomputeFirstNegative();
}

GCONSTRAINT &GCONSTRAINT::operator=(const GCONSTRAINT &other) {
    if (this == &other) return *this;
    body = other.body;
    body.recomputeFirstNegative();
    return *this;
}
