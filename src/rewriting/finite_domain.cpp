#include "rewriting/finite_domain.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <utility>
#include <vector>

#include "core/builtin.h"
#include "core/printer.h"
#include "core/program.h"
#include "input/safety.h"
#include "support/diagnostics.h"
#include "support/option_values.h"

namespace {

bool isBuiltinAtom(const ATOM &atom) { return predicateTable.kind(atom.predicate) == PREDICATE_BUILTIN; }

// Atoms whose arguments take part in the nesting estimates: neither built-ins nor aggregates.
bool isOrdinaryAtom(const ATOM &atom) { return !atom.isAggregate() && !isBuiltinAtom(atom); }

int64_t estimateAt(const NEST_ESTIMATES &estimates, uint32_t predicate, uint32_t position) {
    auto it = estimates.find(predicate);
    if (it == estimates.end() || position >= it->second.size()) return 0;
    return it->second[position];
}

// The records of the compound arguments of one atom; returns the deepest compound argument.
uint32_t collectAtomRecords(NEST_RECORDS &records, const ATOM &atom) {
    uint32_t deepest = 0;
    std::span<const TERM> args = atom.args();
    for (uint32_t k = 0; k < args.size(); ++k)
        if (args[k].isComplex())
            deepest = std::max(deepest, collectNestedVariables(records, args[k], 0, atom.predicate, k));
    return deepest;
}

// A list built-in whose last argument is its output (#head, #append, ...): the output is made
// of the inputs' elements, so its depth is bounded by theirs.
bool isListBuiltinWithOutput(const ATOM &atom) {
    if (!isBuiltinAtom(atom)) return false;
    const BUILTIN_TYPE *builtin = lookupBuiltin(atom.predicate);
    return builtin && !builtin->isArithmetic() && builtin->hasOutput() && builtin->getInputCount() > 0 &&
           atom.argCount() > uint32_t(builtin->getInputCount());
}

uint32_t inputCount(const ATOM &atom) { return uint32_t(lookupBuiltin(atom.predicate)->getInputCount()); }

bool isNonGround(TERM t) { return t.isVariable() || (t.isComplex() && !complexTerm(t).ground); }

// The second input of #insnth and #insLast becomes an element of the output list, one level
// deeper than it was.
bool isInsertedElement(const ATOM &atom, uint32_t position) {
    int kind = atom.builtinKind();
    return position == 1 && (kind == BUILTIN_INSNTH || kind == BUILTIN_INSLAST);
}

// How much deeper than the terms its variables stand for a list built-in can make its output:
// a level for an inserted element, and the depth of a compound input around its variables
// (#append(L,[X],M) puts X into a list). Ground inputs add nothing that grows.
uint32_t listBuiltinGrowth(const ATOM &atom) {
    uint32_t growth = 0;
    for (uint32_t k = 0; k < inputCount(atom); ++k) {
        TERM t = atom.args()[k];
        if (!isNonGround(t)) continue;
        uint32_t g = (isInsertedElement(atom, k) ? 1 : 0) + (t.isComplex() ? complexTermTable.depth(t.value) : 0);
        growth = std::max(growth, g);
    }
    return growth;
}

// The nesting records of one recursive rule and how much deeper one application of it can make
// a term: the deepest term of its atoms plus what its list built-ins add. The records of each
// head atom are kept apart: in p(X,X) v p(f(Y),Z) the first argument of p(X,X) is X, not a term
// around Y.
struct RULE_RECORDS {
    std::vector<NEST_RECORDS> head;
    NEST_RECORDS body;
    uint32_t deepest = 0;

    explicit RULE_RECORDS(const RULE &rule) : head(rule.head.size()) {
        for (size_t h = 0; h < rule.head.size(); ++h)
            deepest = std::max(deepest, collectAtomRecords(head[h], rule.head[h]));
        // A negated literal binds nothing, so its nested variables must not bound their depth
        // (p(f(X)) :- p(X), not b(f(X)) grows without end); its terms still count for the depth.
        NEST_RECORDS unbounding;
        uint32_t listGrowth = 0;
        if (rule.hasBody())
            for (const LITERAL &literal : *rule.body) {
                if (isOrdinaryAtom(literal.atom))
                    deepest = std::max(deepest, collectAtomRecords(literal.isNegated() ? unbounding : body,
                                                                   literal.atom));
                else if (!literal.isNegated() && isListBuiltinWithOutput(literal.atom))
                    listGrowth += listBuiltinGrowth(literal.atom);
            }
        deepest += listGrowth;
    }
};

// Whether the variable is bound by a positive ordinary literal of the body, directly or inside a
// term.
bool occursInOrdinaryLiteral(uint32_t variable, const CONJUNCTION &body) {
    const TERM v = makeVariableTerm(variable);
    for (const LITERAL &literal : body.positive())
        if (isOrdinaryAtom(literal.atom) && termsContain(literal.atom.args(), v)) return true;
    return false;
}

// The depth bounds of the variables that the list built-ins of a body output, from the current
// estimates: the largest bound of the inputs plus the built-in's growth, less the nesting level
// of a variable inside an output term. The built-ins are taken in an order in which their inputs
// are bound, as the grounder evaluates them. False when some built-in never gets its inputs
// (the depth of its output then has no bound).
bool boundListOutputs(const NEST_ESTIMATES &estimates, const NEST_RECORDS &bodyRecords, const CONJUNCTION &body,
                      LIST_OUTPUT_BOUNDS &bounds) {
    bounds.clear();
    std::vector<const ATOM *> pending;
    for (const LITERAL &literal : body.positive())
        if (isListBuiltinWithOutput(literal.atom)) pending.push_back(&literal.atom);
    // A variable waits while a pending built-in outputs it and no ordinary literal binds it.
    auto waits = [&](TERM v) {
        if (bounds.contains(v.value) || occursInOrdinaryLiteral(v.value, body)) return false;
        for (const ATOM *atom : pending)
            for (TERM out : atom->args().subspan(inputCount(*atom)))
                if (out == v || (out.isComplex() && complexTerm(out).contains(v))) return true;
        return false;
    };
    // What an input contributes to the output's depth: the bound of each of its variables plus
    // the level it stands at, one more for an inserted element; ground inputs add nothing.
    auto inputBound = [&](const ATOM &atom, uint32_t position) -> int64_t {
        TERM t = atom.args()[position];
        if (!isNonGround(t)) return 0;
        int64_t element = isInsertedElement(atom, position) ? 1 : 0;
        if (t.isVariable()) return minNestingDifference(estimates, t.value, bodyRecords, body, &bounds) + element;
        NEST_RECORDS inner;
        collectNestedVariables(inner, t, 0, 0, 0);
        int64_t deepest = 0;
        for (const auto &[variable, record] : inner)
            deepest = std::max(deepest, minNestingDifference(estimates, variable, bodyRecords, body, &bounds) +
                                            int64_t(record.nest_level));
        return deepest + element;
    };
    for (bool progress = true; progress && !pending.empty();) {
        progress = false;
        for (size_t i = 0; i < pending.size(); ++i) {
            const ATOM &atom = *pending[i];
            std::span<const TERM> inputs = atom.args().first(inputCount(atom));
            TERM_SET variables;
            for (TERM t : inputs) {
                if (t.isVariable()) variables.insert(t);
                else if (t.isComplex()) complexTerm(t).collectVariables(variables);
            }
            if (std::any_of(variables.begin(), variables.end(), waits)) continue;
            int64_t in = 0;
            for (uint32_t k = 0; k < inputs.size(); ++k) in = std::max(in, inputBound(atom, k));
            NEST_RECORDS outputs;
            for (TERM out : atom.args().subspan(inputCount(atom))) {
                if (out.isVariable())
                    outputs.emplace(out.value, ARG_AND_NEST_LEVEL{0, 0, 0});
                else if (out.isComplex())
                    collectNestedVariables(outputs, out, 0, 0, 0);
            }
            for (const auto &[variable, record] : outputs) {
                int64_t value = in - int64_t(record.nest_level);
                auto [it, inserted] = bounds.emplace(variable, value);
                if (!inserted) it->second = std::min(it->second, value);
            }
            pending.erase(pending.begin() + std::ptrdiff_t(i));
            progress = true;
            break;
        }
    }
    return pending.empty();
}

void writeFailure(std::string &messages, const RULE &rule, bool arithmetic) {
    char *text = nullptr;
    size_t size = 0;
    FILE *out = open_memstream(&text, &size);
    if (out) {
        printRule(out, rule);
        fclose(out);
    }
    messages += "Termination is not guaranteed because of rule:\n";
    if (text) messages.append(text, size);
    free(text);
    messages += '\n';
    messages += sourceNote(rule.source);
    messages += arithmetic ? "Set #maxint in order to evaluate this program.\n"
                           : "Use option -nofinitecheck in order to evaluate this program anyway.\n";
}

const CONJUNCTION &bodyOrEmpty(const RULE &rule) {
    static const CONJUNCTION none;
    return rule.hasBody() ? *rule.body : none;
}

// Stage 1 for one cyclic component. Returns the rule whose head may grow without end, or none.
const RULE *checkComponentNesting(const PREDICATE_DEPGRAPH &graph, uint32_t component) {
    std::span<const RULE *const> recursive = graph.componentRules[component].recursiveRules();
    std::vector<RULE_RECORDS> records;
    records.reserve(recursive.size());
    uint32_t cmax = 0;
    for (const RULE *rule : recursive) {
        records.emplace_back(*rule);
        cmax = std::max(cmax, records.back().deepest);
    }
    if (cmax == 0) return nullptr;
    int64_t aritySum = 0;
    for (uint32_t node : graph.componentNodes(component)) aritySum += predicateTable.arity(node);
    const int64_t bound = int64_t(cmax) * aritySum;
    if (bound == 0) return nullptr;

    // Every value that raises an estimate is at most `bound`, so the sweeps end.
    NEST_ESTIMATES estimates;
    LIST_OUTPUT_BOUNDS outputs;
    for (bool changed = true; changed;) {
        changed = false;
        for (size_t r = 0; r < recursive.size(); ++r) {
            const RULE &rule = *recursive[r];
            const RULE_RECORDS &rr = records[r];
            const CONJUNCTION &body = bodyOrEmpty(rule);
            if (!boundListOutputs(estimates, rr.body, body, outputs)) return &rule;
            for (size_t h = 0; h < rule.head.size(); ++h) {
                const ATOM &head = rule.head[h];
                std::span<const TERM> args = head.args();
                for (uint32_t k = 0; k < args.size(); ++k) {
                    TERM t = args[k];
                    if (!t.isVariable() && !t.isComplex()) continue;
                    // The largest nesting level per variable that the head atom's records place here.
                    std::map<uint32_t, uint32_t> placed;
                    for (const auto &[variable, record] : rr.head[h])
                        if (record.arg_index == k) {
                            uint32_t &level = placed[variable];
                            level = std::max(level, record.nest_level);
                        }
                    int64_t value = 0;
                    if (placed.empty()) {
                        if (t.isVariable())
                            value = std::max<int64_t>(
                                0, minNestingDifference(estimates, t.value, rr.body, body, &outputs));
                    } else {
                        for (const auto &[variable, level] : placed)
                            value = std::max(value, minNestingDifference(estimates, variable, rr.body, body,
                                                                         &outputs) +
                                                        int64_t(level));
                    }
                    if (value > bound) return &rule;
                    if (value > estimateAt(estimates, head.predicate, k)) {
                        std::vector<int64_t> &row = estimates[head.predicate];
                        if (row.size() < args.size()) row.resize(args.size(), 0);
                        row[k] = value;
                        changed = true;
                    }
                }
            }
        }
    }
    return nullptr;
}

// Under -maxnesting= the grounder cuts terms nested too deep, but a list that grows through its
// tail ([X|T] with T from the recursion) stays one level deep: without -maxlist= the variables of
// such a tail in a head must come from outside the recursion. False when one does not.
bool headListTailsBounded(const RULE &rule, const PREDICATE_DEPGRAPH &graph) {
    std::vector<TERM> pending;
    for (const ATOM &head : rule.head)
        for (TERM t : head.args())
            if (t.isComplex() && !complexTerm(t).ground) pending.push_back(t);
    while (!pending.empty()) {
        const COMPLEX_TERM &term = complexTerm(pending.back());
        pending.pop_back();
        std::span<const TERM> args = term.args();
        if (term.hasTail() && !args.empty()) {
            TERM tail = args.back();
            TERM_SET variables;
            if (tail.isVariable()) variables.insert(tail);
            else if (tail.isComplex()) complexTerm(tail).collectVariables(variables);
            for (TERM v : variables)
                if (!isBoundOutsideComponent(v, rule, graph)) return false;
        }
        for (TERM a : args)
            if (a.isComplex() && !complexTerm(a).ground) pending.push_back(a);
    }
    return true;
}

// Stage 2 for one recursive rule: every input of a growing built-in must come from outside the
// recursion. Returns the built-in that fails, or none.
const BUILTIN_TYPE *unboundGrowingBuiltin(const RULE &rule, const PREDICATE_DEPGRAPH &graph, uint32_t maxList) {
    if (!rule.hasBody()) return nullptr;
    for (const LITERAL &literal : rule.body->positive()) {
        if (!isBuiltinAtom(literal.atom)) continue;
        const BUILTIN_TYPE *builtin = lookupBuiltin(literal.atom.predicate);
        if (!builtin || !builtin->hasOutput() || !builtin->canGrow()) continue;
        if (builtin->isArithmetic() ? maxInt != -1 : maxList != 0) continue;
        for (TERM t : literal.atom.args()) {
            if (t.isVariable()) {
                if (!builtinBindsVariable(literal.atom, t) && !isBoundOutsideComponent(t, rule, graph))
                    return builtin;
            } else if (t.isComplex() && !complexTerm(t).ground) {
                TERM_SET variables;
                complexTerm(t).collectVariables(variables);
                for (TERM v : variables)
                    if (!isBoundOutsideComponent(v, rule, graph)) return builtin;
            }
        }
    }
    return nullptr;
}

}  // namespace

uint32_t collectNestedVariables(NEST_RECORDS &records, TERM term, uint32_t level, uint32_t predicate,
                                uint32_t argumentIndex) {
    // An explicit stack: terms may be nested as deep as the input makes them.
    std::vector<std::pair<TERM, uint32_t>> pending{{term, level}};
    uint32_t depth = level + 1;
    while (!pending.empty()) {
        auto [current, currentLevel] = pending.back();
        pending.pop_back();
        uint32_t inner = currentLevel + 1;
        depth = std::max(depth, inner);
        for (TERM arg : complexTerm(current).args()) {
            if (arg.isVariable())
                records.emplace(arg.value, ARG_AND_NEST_LEVEL{predicate, argumentIndex, inner});
            else if (arg.isComplex())
                pending.emplace_back(arg, inner);
        }
    }
    return depth;
}

int64_t minNestingDifference(const NEST_ESTIMATES &estimates, uint32_t variable,
                             const NEST_RECORDS &bodyRecords, const CONJUNCTION &body,
                             const LIST_OUTPUT_BOUNDS *listOutputs) {
    bool occurs = false;
    int64_t m = std::numeric_limits<int64_t>::max();
    auto [first, last] = bodyRecords.equal_range(variable);
    for (auto it = first; it != last; ++it) {
        occurs = true;
        m = std::min(m, estimateAt(estimates, it->second.p_index, it->second.arg_index) -
                            int64_t(it->second.nest_level));
    }
    if (occurs && m < 1) return m;
    if (listOutputs) {
        auto output = listOutputs->find(variable);
        if (output != listOutputs->end()) {
            occurs = true;
            m = std::min(m, output->second);
        }
    }
    const TERM v = makeVariableTerm(variable);
    for (const LITERAL &literal : body.positive()) {
        if (!isOrdinaryAtom(literal.atom)) continue;
        std::span<const TERM> args = literal.atom.args();
        for (uint32_t k = 0; k < args.size(); ++k)
            if (args[k] == v) {
                occurs = true;
                m = std::min(m, estimateAt(estimates, literal.atom.predicate, k));
            }
    }
    return occurs ? m : 0;
}

bool isBoundOutsideComponent(TERM variable, const RULE &rule, const PREDICATE_DEPGRAPH &graph) {
    if (!rule.hasBody()) return false;
    for (const LITERAL &literal : rule.body->positive()) {
        const ATOM &atom = literal.atom;
        if (isBuiltinAtom(atom)) {
            const BUILTIN_TYPE *builtin = lookupBuiltin(atom.predicate);
            if (!builtin || builtin->getInputCount() != 0) continue;
        }
        // An assignment aggregate is placed by the predicate of its set; it lists no arguments,
        // so it binds no variable here, which can only make the check stricter.
        if (const AGGREGATE_ATOM *aggregate = atom.aggregate())
            if (!aggregate->assignment) continue;
        int32_t component = graph.componentOf(atom);
        bool outside = true;
        for (const ATOM &head : rule.head)
            if (graph.componentOf(head) == component) {
                outside = false;
                break;
            }
        if (!outside) continue;
        for (TERM t : atom.args())
            if (compareTerm(t, variable) == 0) return true;
    }
    return false;
}

int checkFiniteDomain(const PREDICATE_DEPGRAPH &graph, uint32_t maxNesting, uint32_t maxList, std::string &messages) {
    const uint32_t count = graph.componentCount();
    if (maxNesting == 0) {
        for (uint32_t c = 0; c < count; ++c) {
            if (!graph.cyclic(c)) continue;
            if (const RULE *rule = checkComponentNesting(graph, c)) {
                writeFailure(messages, *rule, false);
                return 0;
            }
        }
    } else if (maxList == 0) {
        for (uint32_t c = 0; c < count; ++c)
            for (const RULE *rule : graph.componentRules[c].recursiveRules())
                if (!headListTailsBounded(*rule, graph)) {
                    writeFailure(messages, *rule, false);
                    return 0;
                }
    }
    for (uint32_t c = 0; c < count; ++c)
        for (const RULE *rule : graph.componentRules[c].recursiveRules())
            if (const BUILTIN_TYPE *builtin = unboundGrowingBuiltin(*rule, graph, maxList)) {
                writeFailure(messages, *rule, builtin->isArithmetic());
                return 0;
            }
    return 1;
}
