#include "rewriting/basic_rewriting.h"

#include <utility>

#include "core/program.h"
#include "support/diagnostics.h"

namespace {

bool isUndefined(const LITERAL &literal) {
    return predicateTable.kind(literal.atom.predicate) == PREDICATE_UNDEFINED;
}

struct FINDINGS {
    bool &builtins;
    bool &aggregates;
    bool &negation;

    void add(const LITERAL &literal) {
        PREDICATE_KIND kind = predicateTable.kind(literal.atom.predicate);
        if (kind == PREDICATE_BUILTIN) builtins = true;
        if (kind == PREDICATE_AGGREGATE) aggregates = true;
    }
};

// Deleting moves the last element into the freed position (one move instead of a shift); the
// element now at the position is examined next.
template <class T>
void deleteAt(std::vector<T> &items, size_t position) {
    if (position + 1 != items.size()) items[position] = std::move(items.back());
    items.pop_back();
}

// Removes every head atom that equals the atom of a negative body literal: such an atom can be
// derived only where it is false.
void removeHeadAtomsNegatedInBody(RULE &rule) {
    const CONJUNCTION &body = *rule.body;
    for (size_t h = 0; h < rule.head.size();) {
        bool negatedInBody = false;
        for (const LITERAL &literal : body.negative())
            if (compareAtom(rule.head[h], literal.atom) == 0) {
                negatedInBody = true;
                break;
            }
        if (negatedInBody)
            rule.head.erase(rule.head.begin() + static_cast<std::ptrdiff_t>(h));
        else
            ++h;
    }
}

// The body pass of rules and constraints. A positive literal of an undefined predicate never
// holds (under -ORb -ORdr): false, and the caller deletes the statement. A negative one always
// holds and leaves the body (under -ORb). Every literal kept is noted in the findings; a negative
// one counts as negation when `countsAsNegation()` says so, asked as the literal is reached.
template <class NEGATION>
bool rewriteBody(CONJUNCTION &body, FINDINGS &findings, const REWRITING_CONFIG &config, NEGATION countsAsNegation) {
    for (uint32_t i = 0; i < body.firstNegative; ++i) {
        if (config.optORb && config.optORdr && isUndefined(body[i])) return false;
        findings.add(body[i]);
    }
    for (uint32_t i = body.firstNegative; i < body.size();) {
        if (config.optORb && isUndefined(body[i])) {
            body.erase(i);
            continue;
        }
        findings.add(body[i]);
        if (countsAsNegation()) findings.negation = true;
        ++i;
    }
    return true;
}

// Pass 1. Returns false when the rule at the position was deleted (the next one moved there).
bool rewriteRule(std::vector<RULE> &rules, size_t position, std::vector<CONSTRAINT> &constraints,
                 FINDINGS &findings, const REWRITING_CONFIG &config, bool wellFounded) {
    RULE &rule = rules[position];
    if (!rule.hasBody()) return true;
    CONJUNCTION &body = *rule.body;
    if (!rewriteBody(body, findings, config, [] { return true; })) {
        deleteAt(rules, position);
        return false;
    }
    if (!config.optORb) return true;
    if (body.empty()) {
        rule.body.reset();
        return true;
    }
    if (!wellFounded) removeHeadAtomsNegatedInBody(rule);
    if (rule.head.empty()) {
        CONSTRAINT constraint;
        constraint.body = std::move(body);
        constraint.generated = false;
        constraints.push_back(std::move(constraint));
        deleteAt(rules, position);
        return false;
    }
    return true;
}

// Pass 2. Returns false when the constraint at the position was deleted.
bool rewriteConstraint(std::vector<CONSTRAINT> &constraints, size_t position, FINDINGS &findings,
                       const REWRITING_CONFIG &config) {
    CONSTRAINT &constraint = constraints[position];
    CONJUNCTION &body = constraint.body;
    // The one-literal constraints that stand for the literals of a ground query are no negation
    // of the program.
    if (!rewriteBody(body, findings, config, [&] { return !(constraint.generated && body.size() <= 1); })) {
        deleteAt(constraints, position);
        return false;
    }
    return true;
}

}  // namespace

bool basicRewriting(std::vector<RULE> &rules, std::vector<CONSTRAINT> &constraints,
                    std::vector<WEAKCONSTRAINT> &weakConstraints, bool &builtinsFound,
                    bool &aggregatesFound, bool &negationFound, const REWRITING_CONFIG &config,
                    bool wellFounded) {
    builtinsFound = aggregatesFound = negationFound = false;
    FINDINGS findings{builtinsFound, aggregatesFound, negationFound};

    for (size_t position = 0; position < rules.size();)
        if (rewriteRule(rules, position, constraints, findings, config, wellFounded)) ++position;

    for (size_t position = 0; position < constraints.size();) {
        if (!rewriteConstraint(constraints, position, findings, config)) continue;
        // A constraint left without a body is violated in every interpretation.
        if (config.optORb && constraints[position].body.empty()) return false;
        ++position;
    }

    // A negated built-in counts as well: only the component grounder evaluates built-ins. The
    // negative literals of weak constraints are no negation of the program.
    for (const WEAKCONSTRAINT &weak : weakConstraints)
        for (const LITERAL &literal : weak.body) findings.add(literal);
    return true;
}
