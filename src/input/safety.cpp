// Rule safety: whether every variable that matters gets its value from a positive ordinary
// literal, an output of a built-in, an equality with a constant or an assignment aggregate, and
// whether every literal that needs bound variables (a negated literal, a built-in with inputs,
// an aggregate that is not an assignment) can be evaluated once the rest of the body has bound
// them. The checks only answer; their callers report. Also the bound-argument tests over
// per-variable marks that body ordering uses.
//
// A negated built-in is a test, as the grounder evaluates it: it binds nothing and joins the
// safe part only when all its arguments are bound. Binding, the fixpoint and the head test
// agree on that.
#include <algorithm>
#include <vector>

#include "core/aggregate_function.h"
#include "core/builtin.h"
#include "core/program.h"
#include "input/safety.h"
#include "support/small_stack.h"

namespace {

// Calls `test` on every variable inside the compound term, at any depth, skipping terms marked
// ground; stops with false at the first variable that fails. A test may itself walk a term.
template <class TEST> bool allVariables(TERM complex, TEST &&test) {
    struct WALK_FRAME {
        const COMPLEX_TERM *term;
        uint32_t next;
    };
    const COMPLEX_TERM &root = complexTerm(complex);
    if (root.ground) return true;
    SMALL_STACK<WALK_FRAME, 32> walkStack;
    walkStack.push_back({&root, 0});
    while (!walkStack.empty()) {
        WALK_FRAME &top = walkStack.back();
        if (top.next == top.term->argCount) {
            walkStack.pop_back();
            continue;
        }
        TERM t = top.term->argData[top.next++];
        if (t.kind == TERM_VARIABLE) {
            if (!test(t)) return false;
        } else if (t.kind == TERM_COMPLEX) {
            const COMPLEX_TERM &inner = complexTerm(t);
            if (!inner.ground) walkStack.push_back({&inner, 0});
        }
    }
    return true;
}

bool isBuiltin(const LITERAL &l) { return predicateTable.kind(l.atom.predicate) == PREDICATE_BUILTIN; }

const BUILTIN_TYPE *builtinOf(const ATOM &a) { return lookupBuiltin(a.predicate); }

// The number of leading input arguments of a built-in atom; a negative count counts back from
// the arity.
uint32_t inputsOf(const BUILTIN_TYPE *builtin, const ATOM &a) {
    int64_t n = builtin->getInputCount();
    if (n < 0) n += a.argCount();
    if (n < 0) return 0;
    return n > int64_t(a.argCount()) ? a.argCount() : uint32_t(n);
}

// An argument is bound when it is a variable the test accepts, or a compound term all of whose
// variables it accepts; constants, integers and the null term are always bound.
template <class TEST> bool argumentBound(TERM t, TEST &&test) {
    if (t.kind == TERM_VARIABLE) return test(t);
    if (t.kind == TERM_COMPLEX) return allVariables(t, test);
    return true;
}

template <class TEST> bool argumentsBound(std::span<const TERM> args, TEST &&test) {
    for (TERM t : args)
        if (!argumentBound(t, test)) return false;
    return true;
}

// What a pending aggregate literal needs: its variable guards bound by the safe part, and every
// inner literal that needs bindings (negated, or a built-in with inputs) with all its arguments
// bound by the safe part or by the inner body.
bool aggregateReady(const AGGREGATE_ATOM &aggregate, const CONJUNCTION &safe) {
    auto boundBySafe = [&](TERM v) { return bindsVariable(safe, v) != 0; };
    if (aggregate.lowerGuard.kind == TERM_VARIABLE && !boundBySafe(aggregate.lowerGuard)) return false;
    if (aggregate.upperGuard.kind == TERM_VARIABLE && !boundBySafe(aggregate.upperGuard)) return false;
    const AGGREGATEFUNCTION *function = aggregate.getFunction();
    if (function == nullptr) return true;
    const CONJUNCTION &inner = function->conjunction;
    auto boundByInner = [&](TERM v) { return bindsVariable(inner, v) != 0; };
    auto boundByEither = [&](TERM v) { return boundBySafe(v) || boundByInner(v); };
    for (const LITERAL &l : inner) {
        if (const AGGREGATE_ATOM *nested = l.atom.aggregate()) {
            // An aggregate inside an aggregate's body needs its variable guards bound.
            if (nested->lowerGuard.kind == TERM_VARIABLE && !boundByEither(nested->lowerGuard)) return false;
            if (nested->upperGuard.kind == TERM_VARIABLE && !boundByEither(nested->upperGuard)) return false;
            continue;
        }
        bool needsBindings = l.negated || (isBuiltin(l) && builtinOf(l.atom)->getInputCount() != 0);
        if (!needsBindings) continue;
        for (TERM t : l.atom.args()) {
            if (t.kind == TERM_VARIABLE) {
                if (!boundByEither(t)) return false;
            } else if (t.kind == TERM_COMPLEX) {
                if (!allVariables(t, boundBySafe) && !allVariables(t, boundByInner)) return false;
            }
        }
    }
    return true;
}

// Whether a pending literal can join the safe part now.
bool pendingReady(const LITERAL &l, const CONJUNCTION &safe) {
    auto bound = [&](TERM v) { return bindsVariable(safe, v) != 0; };
    if (const AGGREGATE_ATOM *aggregate = l.atom.aggregate()) return aggregateReady(*aggregate, safe);
    std::span<const TERM> args = l.atom.args();
    if (!l.negated && isBuiltin(l)) {
        const BUILTIN_TYPE *builtin = builtinOf(l.atom);
        if (builtin->hasOutput()) args = args.first(inputsOf(builtin, l.atom));
    }
    return argumentsBound(args, bound);
}

// The literals that can be evaluated without bindings from elsewhere.
bool safeAtOnce(const LITERAL &l) {
    // An aggregate has no arguments of its own: test it first, so that the guards of a negated
    // aggregate are not taken as a literal without arguments.
    if (const AGGREGATE_ATOM *aggregate = l.atom.aggregate()) return !l.negated && aggregate->assignment;
    if (l.negated) return l.atom.argCount() == 0;
    if (isBuiltin(l)) return builtinOf(l.atom)->getInputCount() == 0;
    return true;
}

} // namespace

int builtinBindsVariable(const ATOM &atom, TERM variable) {
    std::span<const TERM> a = atom.args();
    for (uint32_t i = 0; i < a.size(); i++) {
        bool occurs = compareTerm(a[i], variable) == 0 ||
                      (a[i].kind == TERM_COMPLEX && complexTerm(a[i]).contains(variable));
        if (!occurs) continue;
        int64_t n = lookupBuiltin(atom.predicate)->getInputCount();
        if (n == 0) return 1;
        if (n < 0) n += a.size();
        return int64_t(i) >= n;
    }
    return 0;
}

int bindsVariable(const CONJUNCTION &body, TERM variable) {
    for (const LITERAL &l : body) {
        if (l.negated) continue;
        if (const AGGREGATE_ATOM *aggregate = l.atom.aggregate()) {
            if (aggregate->assignment && aggregate->lowerGuard == variable) return 1;
            continue;
        }
        std::span<const TERM> args = l.atom.args();
        if (isBuiltin(l)) {
            const BUILTIN_TYPE *builtin = builtinOf(l.atom);
            if (builtin->getInputCount() != 0) {
                if (builtin->getKind() == BUILTIN_EQUALITY) {
                    if (args.size() != 2) continue;
                    auto valueTerm = [](TERM t) { return t.kind == TERM_CONSTANT || t.kind == TERM_INTEGER; };
                    if ((args[0] == variable && valueTerm(args[1])) ||
                        (args[1] == variable && valueTerm(args[0])))
                        return 1;
                } else if (builtin->hasOutput() && builtinBindsVariable(l.atom, variable)) {
                    return 1;
                }
                continue;
            }
        }
        if (termsContain(args, variable)) return 1;
    }
    return 0;
}

int bindPendingLiterals(std::vector<LITERAL> &pending, CONJUNCTION &safe) {
    while (!pending.empty()) {
        size_t i = 0;
        while (i < pending.size() && !pendingReady(pending[i], safe)) i++;
        if (i == pending.size()) return 0;
        safe.append(std::move(pending[i]));
        pending.erase(pending.begin() + i);
    }
    return 1;
}

int isSafe(const CONJUNCTION &body) {
    CONJUNCTION safe;
    std::vector<LITERAL> pending;
    for (const LITERAL &l : body) {
        if (safeAtOnce(l))
            safe.append(l);
        else
            pending.push_back(l);
    }
    return bindPendingLiterals(pending, safe);
}

int isSafe(const RULE &rule) {
    const CONJUNCTION *body = rule.body.get();
    auto boundByBody = [&](TERM v) { return body && bindsVariable(*body, v); };
    for (const ATOM &atom : rule.head)
        for (TERM t : atom.args()) {
            if (t.kind == TERM_VARIABLE) {
                if (!boundByBody(t)) return 0;
            } else if (t.kind == TERM_COMPLEX && !complexTerm(t).ground) {
                if (!body || !allVariables(t, boundByBody)) return 0;
            }
        }
    return body ? isSafe(*body) : 1;
}

int weightAndLevelSafe(TERM weight, TERM level, const CONJUNCTION &body) {
    if (weight.kind == TERM_VARIABLE && !bindsVariable(body, weight)) return 0;
    if (level.kind == TERM_VARIABLE && !bindsVariable(body, level)) return 0;
    return 1;
}

std::vector<TERM> unsafeVariables(const std::vector<ATOM> *head, const CONJUNCTION *body, TERM weight,
                                  TERM level) {
    std::vector<TERM> found;
    auto note = [&](TERM v) {
        if (std::find(found.begin(), found.end(), v) == found.end()) found.push_back(v);
    };
    // Calls `noteIfUnbound` on every variable of the term, nested ones too.
    auto eachVariable = [](TERM t, auto &&noteIfUnbound) {
        if (t.kind == TERM_VARIABLE)
            noteIfUnbound(t);
        else if (t.kind == TERM_COMPLEX)
            allVariables(t, [&](TERM v) { noteIfUnbound(v); return true; });
    };
    auto unboundByBody = [&](TERM v) {
        if (!body || !bindsVariable(*body, v)) note(v);
    };
    if (head)
        for (const ATOM &atom : *head)
            for (TERM t : atom.args()) eachVariable(t, unboundByBody);
    if (weight.kind == TERM_VARIABLE) unboundByBody(weight);
    if (level.kind == TERM_VARIABLE) unboundByBody(level);
    if (body) {
        // What the safety fixpoint leaves pending is what can never be evaluated.
        CONJUNCTION safe;
        std::vector<LITERAL> pending;
        for (const LITERAL &l : *body) {
            if (safeAtOnce(l))
                safe.append(l);
            else
                pending.push_back(l);
        }
        bindPendingLiterals(pending, safe);
        auto unboundBySafe = [&](TERM v) {
            if (!bindsVariable(safe, v)) note(v);
        };
        for (const LITERAL &l : pending) {
            if (const AGGREGATE_ATOM *aggregate = l.atom.aggregate()) {
                if (aggregate->lowerGuard.kind == TERM_VARIABLE) unboundBySafe(aggregate->lowerGuard);
                if (aggregate->upperGuard.kind == TERM_VARIABLE) unboundBySafe(aggregate->upperGuard);
                const AGGREGATEFUNCTION *function = aggregate->getFunction();
                if (function == nullptr) continue;
                const CONJUNCTION &inner = function->conjunction;
                for (const LITERAL &innerLiteral : inner)
                    for (TERM t : innerLiteral.atom.args())
                        eachVariable(t, [&](TERM v) {
                            if (!bindsVariable(safe, v) && !bindsVariable(inner, v)) note(v);
                        });
                continue;
            }
            std::span<const TERM> args = l.atom.args();
            if (!l.negated && isBuiltin(l)) {
                const BUILTIN_TYPE *builtin = builtinOf(l.atom);
                if (builtin->hasOutput()) args = args.first(inputsOf(builtin, l.atom));
            }
            for (TERM t : args) eachVariable(t, unboundBySafe);
        }
    }
    std::sort(found.begin(), found.end(), [](TERM a, TERM b) { return a.value < b.value; });
    return found;
}

namespace {

bool marked(std::span<const uint8_t> marks, TERM v) { return v.value < marks.size() && marks[v.value] != 0; }

bool boundByMarks(TERM t, std::span<const uint8_t> marks) {
    return argumentBound(t, [&](TERM v) { return marked(marks, v); });
}

} // namespace

int hasUnmarkedVariable(const COMPLEX_TERM &term, std::span<const uint8_t> marks) {
    if (term.ground) return 0;
    for (TERM t : term.args()) {
        if (t.kind == TERM_VARIABLE && !marked(marks, t)) return 1;
        if (t.kind == TERM_COMPLEX && !boundByMarks(t, marks)) return 1;
    }
    return 0;
}

int leadingArgumentsBound(const ATOM &atom, std::span<const uint8_t> marks, int32_t n) {
    std::span<const TERM> a = atom.args();
    int64_t count = n < 0 ? int64_t(a.size()) + n : n;
    if (count > int64_t(a.size())) count = int64_t(a.size());
    for (int64_t i = 0; i < count; i++)
        if (!boundByMarks(a[i], marks)) return 0;
    return 1;
}

int countBoundArguments(const ATOM &atom, std::span<const uint8_t> marks) {
    int count = 0;
    for (TERM t : atom.args())
        if (boundByMarks(t, marks)) count++;
    return count;
}
