#include "rewriting/subsumption.h"

#include <algorithm>
#include <span>
#include <utility>
#include <vector>

#include "core/builtin.h"
#include "core/program.h"

namespace {

bool isMapped(const SUBSUMPTION_SUBSTITUTION &substitution, TERM variable, TERM *image) {
    for (const auto &[from, to] : substitution)
        if (from == variable) {
            *image = to;
            return true;
        }
    return false;
}

// Maps the arguments of `from` onto those of `to` position by position, extending the
// substitution: a variable of `from`, also one inside a compound term, is mapped to the term at
// its place (a variable of the other rule too), and must meet that same term wherever it occurs
// again; a compound term with variables needs a compound term of the same functor (or list
// shape) and arity whose arguments match in turn; anything else must be the identical term.
// False at the first mismatch, the substitution then partly extended.
bool mapArguments(std::span<const TERM> from, std::span<const TERM> to, SUBSUMPTION_SUBSTITUTION &substitution) {
    if (from.size() != to.size()) return false;
    // An explicit stack of pairs still to match: terms may be nested as deep as the input.
    std::vector<std::pair<TERM, TERM>> pending;
    for (size_t i = from.size(); i-- > 0;) pending.emplace_back(from[i], to[i]);
    while (!pending.empty()) {
        auto [pattern, target] = pending.back();
        pending.pop_back();
        if (pattern.isVariable()) {
            TERM image;
            if (isMapped(substitution, pattern, &image)) {
                if (image != target) return false;
            } else {
                substitution.emplace_back(pattern, target);
            }
        } else if (pattern.isComplex() && !complexTerm(pattern).ground) {
            if (!target.isComplex()) return false;
            const COMPLEX_TERM &a = complexTerm(pattern), &b = complexTerm(target);
            if (a.kind != b.kind || a.functor != b.functor || a.argCount != b.argCount) return false;
            std::span<const TERM> x = a.args(), y = b.args();
            for (size_t i = x.size(); i-- > 0;) pending.emplace_back(x[i], y[i]);
        } else if (pattern != target) {
            // Interned terms are equal exactly when both words are.
            return false;
        }
    }
    return true;
}

// Built-ins whose first two arguments may stand in either order.
bool isSymmetricBuiltin(const ATOM &atom) {
    if (predicateTable.kind(atom.predicate) != PREDICATE_BUILTIN) return false;
    int kind = atom.builtinKind();
    return kind == BUILTIN_EQUALITY || kind == BUILTIN_INEQUALITY || kind == BUILTIN_ADD || kind == BUILTIN_MULT;
}

LITERAL swappedFirstTwo(const LITERAL &literal) {
    LITERAL swapped = literal;
    std::span<TERM> args = swapped.atom.mutableArgs();
    if (args.size() >= 2) std::swap(args[0], args[1]);
    return swapped;
}

bool hasArguments(const LITERAL &literal) { return literal.atom.argCount() > 0; }

// Sums the matches of the literal over the candidates, each on a copy of the substitution;
// `last` is the index of the last candidate that matched, or the number of candidates.
template <class GET>
int countOver(const LITERAL &literal, size_t count, GET candidate, size_t &last,
              const SUBSUMPTION_SUBSTITUTION &substitution) {
    int total = 0;
    last = count;
    for (size_t i = 0; i < count; ++i) {
        SUBSUMPTION_SUBSTITUTION copy = substitution;
        int matches = match(literal, candidate(i), copy);
        if (matches > 0) last = i;
        total += matches;
    }
    return total;
}

// The literal of the list with the fewest matches, or -1 when one has none. `matches` and
// `target` receive its count and the index of the last candidate it matched.
template <class GET>
int fewestMatches(const std::vector<LITERAL> &literals, size_t candidateCount, GET candidate,
                  const SUBSUMPTION_SUBSTITUTION &substitution, int &matches, size_t &target) {
    int best = -1;
    for (size_t i = 0; i < literals.size(); ++i) {
        size_t last = 0;
        int count = countOver(literals[i], candidateCount, candidate, last, substitution);
        if (count == 0) return -1;
        bool better = best < 0 || count < matches;
        if (!better && count == matches) {
            const LITERAL &earlier = literals[size_t(best)];
            if (hasArguments(literals[i]))
                better = !hasArguments(earlier) || subsumptionTieBreak(literals[i], earlier, substitution) == 1;
        }
        if (better) {
            best = int(i);
            matches = count;
            target = last;
        }
    }
    return best;
}

}  // namespace

void extendSubstitution(SUBSUMPTION_SUBSTITUTION &substitution, const LITERAL &from, const LITERAL &to) {
    mapArguments(from.atom.args(), to.atom.args(), substitution);
}

int subsumptionTieBreak(const LITERAL &a, const LITERAL &b, const SUBSUMPTION_SUBSTITUTION &substitution) {
    auto freeVariables = [&](const LITERAL &literal) {
        TERM_SET seen;
        for (TERM t : literal.atom.args()) {
            TERM image;
            if (t.isVariable() && !isMapped(substitution, t, &image)) seen.insert(t);
        }
        return seen.size();
    };
    return freeVariables(a) > freeVariables(b) ? 1 : 0;
}

int matchArguments(const LITERAL &literal, const LITERAL &other, const SUBSUMPTION_SUBSTITUTION &substitution) {
    SUBSUMPTION_SUBSTITUTION copy = substitution;
    return mapArguments(literal.atom.args(), other.atom.args(), copy) ? 1 : 0;
}

int match(const LITERAL &literal, const LITERAL &other, SUBSUMPTION_SUBSTITUTION &substitution) {
    const ATOM &atom = literal.atom;
    if (atom.isAggregate() || other.atom.isAggregate()) return 0;
    if (atom.predicate != other.atom.predicate || literal.negated != other.negated) return 0;
    int direct = matchArguments(literal, other, substitution);
    if (isSymmetricBuiltin(atom)) {
        LITERAL swapped = swappedFirstTwo(other);
        if (matchArguments(literal, swapped, substitution)) {
            if (direct) {
                extendSubstitution(substitution, literal, other);
                return 2;
            }
            extendSubstitution(substitution, literal, swapped);
            return 1;
        }
    }
    if (direct) extendSubstitution(substitution, literal, other);
    return direct;
}

int countMatches(const LITERAL &literal, const std::vector<ATOM> &head, std::vector<ATOM>::const_iterator &lastMatch,
                 const SUBSUMPTION_SUBSTITUTION &substitution) {
    size_t last = 0;
    int total = countOver(
        literal, head.size(), [&](size_t i) { return LITERAL(head[i], false); }, last, substitution);
    lastMatch = head.begin() + std::ptrdiff_t(last);
    return total;
}

namespace {

// A necessary condition of `subsumes`, checked before anything is copied: each head atom
// needs a head atom of its predicate in the other rule, and each body literal a body literal of
// its predicate and sign (an aggregate literal never matches).
bool mayMatchAll(const RULE &rule, const RULE &other) {
    for (const ATOM &a : rule.head) {
        bool found = false;
        for (const ATOM &b : other.head)
            if (b.predicate == a.predicate) {
                found = true;
                break;
            }
        if (!found) return false;
    }
    if (!rule.body) return true;
    if (!other.body) return rule.body->empty();
    for (const LITERAL &l : *rule.body) {
        if (l.atom.isAggregate()) return false;
        bool found = false;
        for (const LITERAL &m : *other.body)
            if (m.atom.predicate == l.atom.predicate && m.negated == l.negated) {
                found = true;
                break;
            }
        if (!found) return false;
    }
    return true;
}

}  // namespace

int subsumes(const RULE &rule, const RULE &other) {
    if (!mayMatchAll(rule, other)) return 0;
    std::vector<LITERAL> heads, bodies;
    for (const ATOM &a : rule.head) heads.emplace_back(a, false);
    if (rule.body) bodies.assign(rule.body->begin(), rule.body->end());
    const size_t otherBodySize = other.body ? other.body->size() : 0;
    auto otherHead = [&](size_t i) { return LITERAL(other.head[i], false); };
    auto otherBody = [&](size_t i) -> const LITERAL & { return (*other.body)[uint32_t(i)]; };

    SUBSUMPTION_SUBSTITUTION substitution;
    while (!heads.empty() || !bodies.empty()) {
        int headCandidate = -1, bodyCandidate = -1, headCount = 0, bodyCount = 0;
        size_t headTarget = 0, bodyTarget = 0;
        if (!heads.empty()) {
            if (other.head.empty()) return 0;
            headCandidate = fewestMatches(heads, other.head.size(), otherHead, substitution, headCount, headTarget);
            if (headCandidate < 0) return 0;
        }
        if (!bodies.empty()) {
            if (otherBodySize == 0) return 0;
            bodyCandidate = fewestMatches(bodies, otherBodySize, otherBody, substitution, bodyCount, bodyTarget);
            if (bodyCandidate < 0) return 0;
        }
        bool chooseHead;
        if (bodyCandidate < 0) {
            chooseHead = true;
        } else if (headCandidate < 0) {
            chooseHead = false;
        } else if (headCount != bodyCount) {
            chooseHead = headCount < bodyCount;
        } else {
            const LITERAL &h = heads[size_t(headCandidate)], &b = bodies[size_t(bodyCandidate)];
            chooseHead = hasArguments(h) && (!hasArguments(b) || subsumptionTieBreak(h, b, substitution) == 1);
        }
        // Commit to the last candidate matched; there is no undoing this choice.
        if (chooseHead) {
            match(heads[size_t(headCandidate)], otherHead(headTarget), substitution);
            heads.erase(heads.begin() + headCandidate);
        } else {
            match(bodies[size_t(bodyCandidate)], otherBody(bodyTarget), substitution);
            bodies.erase(bodies.begin() + bodyCandidate);
        }
    }
    return 1;
}

int checkSubsumption(const RULE &rule, std::vector<RULE> &rules, size_t first, size_t last) {
    if (first > last || first >= rules.size()) return 0;
    // The number of candidates is fixed here; an erased candidate's place is taken by the next.
    size_t candidates = std::min(last, rules.size() - 1) - first + 1;
    size_t position = first;
    for (size_t k = 0; k < candidates && position < rules.size(); ++k) {
        const RULE &candidate = rules[position];
        if (subsumes(candidate, rule)) return 1;
        if (subsumes(rule, candidate))
            rules.erase(rules.begin() + std::ptrdiff_t(position));
        else
            ++position;
    }
    return 0;
}

int isSubsumed(const RULE &rule, std::vector<RULE> &rules) {
    return rules.empty() ? 0 : checkSubsumption(rule, rules, 0, rules.size() - 1);
}

int removeSubsumedRules(std::vector<RULE> &rules, size_t start) {
    for (size_t position = start; position < rules.size();) {
        if (position + 1 < rules.size() && checkSubsumption(rules[position], rules, position + 1, rules.size() - 1)) {
            if (position + 1 != rules.size()) rules[position] = std::move(rules.back());
            rules.pop_back();
        } else {
            ++position;
        }
    }
    return 1;
}
