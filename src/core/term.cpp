#include "core/term.h"

#include <algorithm>

#include "core/atom.h"
#include "core/program.h"
#include "core/substitution.h"
#include "support/small_stack.h"

TERM makeConstantTerm(const char *name) { return TERM(TERM_CONSTANT, constantTable.add(name).first); }

TERM makeIntegerTerm(int32_t value) { return TERM(TERM_INTEGER, integerTable.add(value).first); }

const char *constantName(TERM t) { return constantTable[t.value]; }

int32_t integerValue(TERM t) { return integerTable[t.value]; }

const COMPLEX_TERM &complexTerm(TERM t) { return complexTermTable[t.value]; }

int compareTerm(TERM a, TERM b) { return compareTermInline(a, b); }

int compareTerms(std::span<const TERM> a, std::span<const TERM> b) { return compareTermsInline(a, b); }

int compareComplexKeys(const COMPLEX_TERM &a, const COMPLEX_TERM &b) {
    if (a.kind != b.kind) return int(a.kind) - int(b.kind);
    if (a.functor != b.functor) return a.functor < b.functor ? -1 : 1;
    return compareTerms(a.args(), b.args());
}

// Walks of nested compound terms use an explicit stack, so depth costs no call stack. A term
// reached twice through shared subterms (interning shares equal subterms) is visited once, so a
// walk is linear in the number of distinct subterms.
namespace {

class NESTED_WALK {
public:
    NESTED_WALK() : stamp(complexTermTable.newWalkStamp()) {}
    // Queues a compound term unless it was queued before in this walk.
    void push(uint32_t index) {
        if (complexTermTable.firstVisit(index, stamp)) stack.push_back(index);
    }
    bool empty() const { return stack.empty(); }
    uint32_t pop() {
        uint32_t i = stack.back();
        stack.pop_back();
        return i;
    }

private:
    SMALL_STACK<uint32_t, 64> stack;
    uint32_t stamp;
};

// Calls visit(argument) for every argument of the root and of its nested compound terms; stops
// and returns true as soon as visit returns true. Nested terms for which skip(entry) holds are
// not entered.
template <class VISIT, class SKIP>
bool walkArguments(std::span<const TERM> rootArgs, VISIT &&visit, SKIP &&skip) {
    NESTED_WALK walk;
    auto scan = [&](std::span<const TERM> args) {
        for (TERM t : args) {
            if (visit(t)) return true;
            if (t.isComplex() && !skip(complexTermTable[t.value])) walk.push(t.value);
        }
        return false;
    };
    if (scan(rootArgs)) return true;
    while (!walk.empty())
        if (scan(complexTermTable[walk.pop()].args())) return true;
    return false;
}

template <class VISIT> bool walkArguments(std::span<const TERM> rootArgs, VISIT &&visit) {
    return walkArguments(rootArgs, visit, [](const COMPLEX_TERM &) { return false; });
}

} // namespace

bool termsAreGround(std::span<const TERM> terms) {
    for (TERM t : terms) {
        if (t.isVariable()) return false;
        if (t.isComplex() && !complexTermTable[t.value].ground) return false;
    }
    return true;
}

bool termsContain(std::span<const TERM> terms, TERM t) {
    return walkArguments(terms, [&](TERM a) { return a == t; });
}

bool COMPLEX_TERM::contains(TERM t) const { return termsContain(args(), t); }

void COMPLEX_TERM::collectVariables(TERM_SET &variables) const {
    walkArguments(args(), [&](TERM a) {
        if (a.isVariable()) variables.insert(a);
        return false;
    });
}

void COMPLEX_TERM::countVariableOccurrences(std::span<uint32_t> counters) const {
    // Every occurrence counts, so shared subterms are walked once per occurrence.
    std::vector<const COMPLEX_TERM *> stack{this};
    while (!stack.empty()) {
        const COMPLEX_TERM *c = stack.back();
        stack.pop_back();
        for (TERM a : c->args()) {
            if (a.isVariable() && a.value < counters.size()) counters[a.value]++;
            else if (a.isComplex()) stack.push_back(&complexTermTable[a.value]);
        }
    }
}

uint32_t COMPLEX_TERM::nestingDepth() const {
    uint32_t deepest = 0;
    for (TERM a : args())
        if (a.isComplex()) deepest = std::max(deepest, complexTermTable.depth(a.value));
    return deepest + 1;
}

bool COMPLEX_TERM::hasUnboundVariable(const SUBSTITUTION &substitution) const {
    if (ground) return false;
    return walkArguments(
        args(),
        [&](TERM a) { return a.isVariable() && (a.value >= substitution.size() || !substitution.isBound(a.value)); },
        [](const COMPLEX_TERM &c) { return c.ground; });
}

bool COMPLEX_TERM::hasVariableBoundAtOrAfter(std::span<const int32_t> positions, int32_t n) const {
    if (ground) return false;
    return walkArguments(
        args(), [&](TERM a) { return a.isVariable() && a.value < positions.size() && positions[a.value] >= n; },
        [](const COMPLEX_TERM &c) { return c.ground; });
}

bool COMPLEX_TERM::listTailsBoundToLists(const SUBSTITUTION &substitution) const {
    auto tailBad = [&](const COMPLEX_TERM &c) {
        if (!c.hasTail() || c.argCount != 2) return false;
        TERM tail = c.argData[1];
        if (!tail.isVariable()) return false;
        TERM value = substitution.resolve(tail);
        return !(value.isComplex() && complexTermTable[value.value].isList());
    };
    if (tailBad(*this)) return false;
    return !walkArguments(args(), [&](TERM a) { return a.isComplex() && tailBad(complexTermTable[a.value]); });
}

bool complexTermMaxVariable(TERM t, uint32_t &maximum) {
    bool seen = false;
    TERM root[1] = {t};
    walkArguments(std::span<const TERM>(root, 1), [&](TERM a) {
        if (a.isVariable()) {
            maximum = std::max(maximum, a.value);
            seen = true;
        }
        return false;
    });
    return seen;
}

bool TERMS::allVariablesOccurIn(std::span<const LITERAL> literals) const {
    for (TERM t : *this) {
        if (!t.isVariable()) return false;
        bool found = false;
        for (const LITERAL &l : literals) {
            if (termsContain(l.atom.args(), t)) {
                found = true;
                break;
            }
        }
        if (!found) return false;
    }
    return true;
}

std::pair<uint32_t, bool> internComplexTerm(const COMPLEX_TERM &key) {
    COMPLEX_TERM k = key;
    if (k.kind == COMPLEX_LIST) k.functor = k.functor != 0 ? 1 : 0;
    if (k.hasTail() && k.argCount == 2) {
        // [H|T] with T a proper ground list and H ground is the list H followed by T's elements.
        TERM head = k.argData[0], tail = k.argData[1];
        bool headGround = !head.isVariable() && !(head.isComplex() && !complexTermTable[head.value].ground);
        if (headGround && tail.isComplex()) {
            const COMPLEX_TERM &t = complexTermTable[tail.value];
            if (t.isList() && !t.hasTail() && t.ground) {
                std::vector<TERM> elements;
                elements.reserve(t.argCount + 1);
                elements.push_back(head);
                elements.insert(elements.end(), t.argData, t.argData + t.argCount);
                return complexTermTable.add(COMPLEX_TERM::list(elements, false, true));
            }
        }
        k.ground = false; // a list with a tail is never ground
    }
    return complexTermTable.add(k);
}

TERM makeComplexTerm(const COMPLEX_TERM &key) { return TERM(TERM_COMPLEX, internComplexTerm(key).first); }
