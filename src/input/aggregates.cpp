#include "input/aggregates.h"

#include <algorithm>
#include <string>

#include "core/builtin.h"
#include "input/safety.h"
#include "input/statements.h"
#include "support/diagnostics.h"

namespace {

void reportError(const char *message) {
    parseError(message);
    parserErrors++;
}

bool isBuiltin(const LITERAL &literal) {
    return predicateTable.kind(literal.atom.predicate) == PREDICATE_BUILTIN;
}
bool isOrdinary(const LITERAL &literal) { return !literal.atom.isAggregate() && !isBuiltin(literal); }

// The number of leading input arguments of a built-in literal (a negative count is taken from
// the end).
int32_t inputCount(const ATOM &atom) {
    BUILTIN_TYPE *builtin = lookupBuiltin(atom.predicate);
    if (!builtin) return 0;
    int32_t n = builtin->getInputCount();
    return n < 0 ? n + int32_t(atom.argCount()) : n;
}
bool hasOutput(const ATOM &atom) {
    BUILTIN_TYPE *builtin = lookupBuiltin(atom.predicate);
    return builtin && builtin->hasOutput();
}

AGGREGATEFUNCTION *functionOf(const LITERAL &literal) {
    const AGGREGATE_ATOM *aggregate = literal.atom.aggregate();
    return aggregate ? aggregate->function : nullptr;
}

void addUnique(std::vector<TERM> &terms, TERM t) {
    if (std::find(terms.begin(), terms.end(), t) == terms.end()) terms.push_back(t);
}

// The variables of a term in order of appearance, nested ones included, each once.
void collectVariables(TERM term, std::vector<TERM> &variables) {
    std::vector<TERM> stack{term};
    while (!stack.empty()) {
        TERM t = stack.back();
        stack.pop_back();
        if (t.isVariable()) {
            addUnique(variables, t);
        } else if (t.isComplex()) {
            const COMPLEX_TERM &complex = complexTerm(t);
            if (complex.ground) continue;
            for (uint32_t i = complex.argCount; i-- > 0;) stack.push_back(complex.argData[i]);
        }
    }
}

void collectLiteralVariables(const LITERAL &literal, std::vector<TERM> &variables) {
    if (const AGGREGATE_ATOM *aggregate = literal.atom.aggregate()) {
        if (aggregate->lowerGuard.isVariable()) addUnique(variables, aggregate->lowerGuard);
        if (aggregate->upperGuard.isVariable()) addUnique(variables, aggregate->upperGuard);
        return;
    }
    for (TERM t : literal.atom.args()) collectVariables(t, variables);
}

bool occursInArguments(const LITERAL &literal, TERM t) {
    return !literal.atom.isAggregate() && termsContain(literal.atom.args(), t);
}

bool occursInConjunction(const CONJUNCTION &conjunction, TERM t) {
    for (const LITERAL &literal : conjunction)
        if (occursInArguments(literal, t)) return true;
    return false;
}

// Literals that can only be evaluated once variables are bound from outside.
bool needsOutsideBindings(const LITERAL &literal) {
    if (literal.isNegated()) return true;
    if (isBuiltin(literal)) return inputCount(literal.atom) != 0;
    if (const AGGREGATE_ATOM *aggregate = literal.atom.aggregate()) return !aggregate->assignment;
    return false;
}

void addLiteralOnce(std::vector<LITERAL> &literals, const LITERAL &literal) {
    for (const LITERAL &l : literals)
        if (l == literal) return;
    literals.push_back(literal);
}

void addLiteralOnce(CONJUNCTION &conjunction, const LITERAL &literal) {
    if (conjunction.find(literal) == conjunction.size()) conjunction.append(literal);
}

// What the processing of one body keeps per aggregate literal, in body order.
struct AGGREGATE_STATE {
    uint32_t position = 0;           // of the literal in the body
    CONJUNCTION working;             // the conjunction the aggregate is rewritten over
    std::vector<LITERAL> binding;    // literals of the body that bind its variables
    std::vector<uint32_t> depends;   // assignment aggregates it waits for (state indices)
};

struct BODY_PROCESSING {
    CONJUNCTION &body;
    std::vector<AGGREGATE_STATE> states;
    uint32_t pending = 0;
    std::vector<TERM> visiting; // variables whose binders are being looked for

    int32_t stateAt(uint32_t position) const {
        for (size_t i = 0; i < states.size(); i++)
            if (states[i].position == position) return int32_t(i);
        return -1;
    }

    bool addBindingLiterals(TERM variable, uint32_t a);
    void rewrite(uint32_t a);
    void resolveDependencies();
};

bool BODY_PROCESSING::addBindingLiterals(TERM variable, uint32_t a) {
    // A variable met again while its own binder's inputs are being bound: a cycle, no binder.
    if (std::find(visiting.begin(), visiting.end(), variable) != visiting.end()) return false;
    AGGREGATE_STATE &state = states[a];
    for (const LITERAL &literal : body) {
        if (literal.isNegated() || !isOrdinary(literal)) continue;
        if (termsContain(literal.atom.args(), variable)) {
            addLiteralOnce(state.binding, literal);
            return true;
        }
    }
    for (uint32_t i = 0; i < body.size(); i++) {
        const LITERAL &literal = body[i];
        if (literal.isNegated() || i == state.position) continue;
        if (const AGGREGATE_ATOM *aggregate = literal.atom.aggregate()) {
            int32_t d = stateAt(i);
            if (aggregate->assignment && aggregate->lowerGuard == variable && d >= 0) {
                states[a].depends.push_back(uint32_t(d));
                pending++;
                return true;
            }
        } else if (isBuiltin(literal) && hasOutput(literal.atom) &&
                   builtinBindsVariable(literal.atom, variable)) {
            visiting.push_back(variable);
            bool bound = true;
            LITERAL binder = literal;
            for (TERM input : unboundVariables(binder, states[a].working))
                if (!addBindingLiterals(input, a)) bound = false;
            visiting.pop_back();
            if (bound) addLiteralOnce(states[a].binding, binder);
            return bound;
        }
    }
    return false;
}

// The name of an auxiliary predicate encodes everything its defining conjunction holds, with
// variables renumbered by first appearance, so that two conjunctions share a predicate exactly
// when they are equal up to variable names.
struct NAME_ENCODER {
    std::string text;
    std::vector<TERM> variables;

    void mark(char c, int64_t number) {
        text += c;
        text += std::to_string(number);
    }

    void term(TERM t) {
        switch (t.kind) {
        case TERM_VARIABLE: {
            auto it = std::find(variables.begin(), variables.end(), t);
            if (it == variables.end()) it = variables.insert(variables.end(), t);
            mark('_', it - variables.begin());
            break;
        }
        case TERM_CONSTANT: mark('$', t.value); break;
        case TERM_INTEGER: mark('#', integerValue(t)); break;
        case TERM_COMPLEX: {
            const COMPLEX_TERM &complex = complexTerm(t);
            text += "&";
            if (complex.ground) {
                text += std::to_string(t.value);
                break;
            }
            // A term with variables is spelt out: its index would hide how they are named.
            if (complex.isFunction())
                mark('f', complex.functor);
            else
                text += complex.hasTail() ? "t" : "l";
            text += "(";
            for (uint32_t i = 0; i < complex.argCount; i++) {
                if (i > 0) text += ",";
                term(complex.argData[i]);
            }
            text += ")";
            break;
        }
        default: text += "?"; break;
        }
    }

    void literal(const LITERAL &l) {
        if (l.isNegated()) text += "!";
        mark('~', l.atom.predicate);
        if (const AGGREGATE_ATOM *aggregate = l.atom.aggregate()) {
            text += aggregate->lowerInclusive ? "{[" : "{(";
            term(aggregate->lowerGuard);
            text += ",";
            term(aggregate->upperGuard);
            text += aggregate->upperInclusive ? "]" : ")";
            if (aggregate->assignment) text += "=";
            if (const AGGREGATEFUNCTION *function = aggregate->function) {
                text += ":";
                for (TERM t : function->terms) term(t);
                text += ":";
                for (const LITERAL &inner : function->conjunction) literal(inner);
            }
            text += "}";
            return;
        }
        for (TERM t : l.atom.args()) term(t);
    }
};

void BODY_PROCESSING::rewrite(uint32_t a) {
    AGGREGATE_STATE &state = states[a];
    AGGREGATEFUNCTION *function = functionOf(body[state.position]);
    // Arguments: the conjunction's variables that the rest of the body shares positively, then
    // the aggregated-over terms.
    std::vector<TERM> written;
    for (const LITERAL &literal : function->conjunction) collectLiteralVariables(literal, written);
    TERMS args;
    for (TERM v : written) {
        if (std::find(function->terms.begin(), function->terms.end(), v) != function->terms.end()) continue;
        bool shared = false;
        for (uint32_t i = 0; i < body.firstNegative && !shared; i++) {
            if (i == state.position) continue;
            const LITERAL &literal = body[i];
            if (const AGGREGATE_ATOM *aggregate = literal.atom.aggregate())
                shared = aggregate->assignment && aggregate->lowerGuard == v;
            else
                shared = termsContain(literal.atom.args(), v);
        }
        if (shared) args.push_back(v);
    }
    for (TERM t : function->terms) args.push_back(t);

    NAME_ENCODER encoder;
    encoder.text = "aux#";
    for (TERM t : args) encoder.term(t);
    for (const LITERAL &literal : state.working) encoder.literal(literal);
    encoder.mark('|', int64_t(args.size()));

    bool known = predicateTable.find(encoder.text).second;
    ATOM auxiliary(encoder.text.c_str(), &args, PREDICATE_IDB);
    if (!known) {
        std::vector<ATOM> head{auxiliary};
        RULE rule(std::move(head), CONJUNCTION(state.working));
        // An aggregate written inside this one is prepared in the defining rule's body, so that
        // it too is evaluated over one predicate.
        bool nested = false;
        for (const LITERAL &literal : function->conjunction) nested = nested || literal.atom.isAggregate();
        if (nested) processAggregates(*rule.body);
        addRule(rule);
    }
    CONJUNCTION single;
    single.append(LITERAL(std::move(auxiliary), false));
    function->conjunction = std::move(single);
}

void BODY_PROCESSING::resolveDependencies() {
    bool progress = true;
    while (pending > 0 && progress) {
        progress = false;
        for (uint32_t a = 0; a < states.size(); a++) {
            AGGREGATE_STATE &state = states[a];
            if (state.depends.empty()) continue;
            bool ready = true;
            for (uint32_t d : state.depends)
                if (!states[d].depends.empty()) ready = false;
            if (!ready) continue;
            for (uint32_t d : state.depends) {
                LITERAL own = body[states[d].position];
                addLiteralOnce(state.working, own);
                addLiteralOnce(state.binding, own);
                for (const LITERAL &binder : states[d].binding) {
                    addLiteralOnce(state.working, binder);
                    addLiteralOnce(state.binding, binder);
                }
                pending--;
            }
            state.depends.clear();
            rewrite(a);
            progress = true;
        }
    }
    if (pending != 0) reportError("Cyclic dependency among aggregates");
}

// A conjunction of one positive ordinary literal over plain terms and the aggregated-over
// variables only is kept as written: the grounder can read the set from that predicate.
bool keepsItsConjunction(const CONJUNCTION &working, const TERMS &terms) {
    if (working.size() != 1) return false;
    const LITERAL &literal = working[0];
    if (literal.isNegated() || !isOrdinary(literal)) return false;
    for (TERM t : literal.atom.args()) {
        if (t.isComplex()) return false;
        if (t.isVariable() && std::find(terms.begin(), terms.end(), t) == terms.end()) return false;
    }
    return true;
}

} // namespace

AGGREGATE_SPEC makeAggregateSpec(int32_t kind, const TERMS &terms, const CONJUNCTION &body) {
    AGGREGATE_SPEC spec;
    spec.type = kind;
    spec.terms = terms;
    spec.conjunction = body;
    return spec;
}

AGGREGATE_GUARD makeAggregateGuard(TERM term, bool inclusive, bool isLower) {
    AGGREGATE_GUARD invalid{makeConstantTerm("#invalid_guard#"), true};
    if (!term.isVariable() && !term.isInteger()) {
        reportError("A guard should be a number or a variable");
        return invalid;
    }
    if (term.isVariable()) return {term, inclusive};
    int32_t value = integerValue(term);
    if (value < 0) {
        reportError(isLower ? "Lower guard should be greater-or-equal than 0"
                            : "Upper guard should be greater-or-equal than 0");
        return invalid;
    }
    if (inclusive) return {term, true};
    if (isLower) {
        if (value == INT32_MAX) {
            reportError("Lower guard should be less than MAXINT");
            return invalid;
        }
        return {makeIntegerTerm(value + 1), true};
    }
    if (value == 0) {
        reportError("Upper guard should be greater than 0");
        return invalid;
    }
    return {makeIntegerTerm(value - 1), true};
}

ATOM makeAggregateAtom(const AGGREGATE_GUARD &lower, const AGGREGATE_GUARD &upper,
                       const AGGREGATE_SPEC &spec) {
    const char *name = aggregateName(spec.type);
    if (spec.type == AGGREGATE_ANY || spec.type == AGGREGATE_AVG) {
        reportError((std::string("Unsupported aggregate predicate ") + name).c_str());
        return ATOM(name, static_cast<const TERMS *>(nullptr), PREDICATE_UNDEFINED);
    }
    AGGREGATE_ATOM part;
    part.function = AGGREGATEFUNCTION::make(spec);
    part.lowerGuard = lower.term;
    part.lowerInclusive = lower.inclusive;
    part.upperGuard = upper.term;
    part.upperInclusive = upper.inclusive;
    part.assignment = lower.term.isVariable() && lower.term == upper.term && lower.inclusive == upper.inclusive;
    uint32_t predicate = predicateTable.add(name, 0, PREDICATE_AGGREGATE).first;
    return ATOM(predicate, std::move(part));
}

ATOM *aggregateAtom(TERM *lower, bool lowerInclusive, AGGREGATE_SPEC *spec, TERM *upper,
                    bool upperInclusive) {
    AGGREGATE_GUARD low = lower ? makeAggregateGuard(*lower, lowerInclusive, true)
                                : AGGREGATE_GUARD{makeIntegerTerm(0), true};
    AGGREGATE_GUARD high = upper ? makeAggregateGuard(*upper, upperInclusive, false)
                                 : AGGREGATE_GUARD{makeIntegerTerm(INT32_MAX), true};
    ATOM *atom = new ATOM(makeAggregateAtom(low, high, *spec));
    delete lower;
    delete upper;
    delete spec;
    return atom;
}

ATOM *assignmentAggregateAtom(TERM *term, AGGREGATE_SPEC *spec) {
    AGGREGATE_GUARD low = makeAggregateGuard(*term, true, true);
    AGGREGATE_GUARD high = makeAggregateGuard(*term, true, false);
    ATOM *atom = new ATOM(makeAggregateAtom(low, high, *spec));
    delete term;
    delete spec;
    return atom;
}

std::vector<TERM> unboundVariables(const LITERAL &literal, const CONJUNCTION &conjunction) {
    std::vector<TERM> variables;
    if (isBuiltin(literal) && hasOutput(literal.atom)) {
        std::span<const TERM> args = literal.atom.args();
        int32_t n = std::min<int32_t>(inputCount(literal.atom), int32_t(args.size()));
        for (int32_t i = 0; i < n; i++) collectVariables(args[i], variables);
    } else {
        collectLiteralVariables(literal, variables);
    }
    std::vector<TERM> unbound;
    for (TERM v : variables) {
        bool bound = false;
        for (const LITERAL &other : conjunction)
            if (!other.isNegated() && isOrdinary(other) && termsContain(other.atom.args(), v)) {
                bound = true;
                break;
            }
        if (!bound) unbound.push_back(v);
    }
    return unbound;
}

void processAggregates(CONJUNCTION &body) {
    BODY_PROCESSING processing{body, {}, 0, {}};
    for (uint32_t i = 0; i < body.size(); i++)
        if (functionOf(body[i])) processing.states.push_back({i, {}, {}, {}});
    if (processing.states.empty()) return;
    std::vector<AGGREGATE_STATE> &states = processing.states;

    std::vector<TERM> aggregated;
    for (const AGGREGATE_STATE &state : states)
        for (TERM t : functionOf(body[state.position])->terms) {
            if (std::find(aggregated.begin(), aggregated.end(), t) != aggregated.end())
                reportError("Variables to be aggregated over can not be used in a different aggregate atom");
            else
                aggregated.push_back(t);
        }

    // The rewriting stores rules, which resets the statement's variables; they are restored so
    // that the numbering of the statement stays as it was.
    VARIABLE_MAP saved = ruleVariables;
    for (uint32_t a = 0; a < states.size(); a++) {
        AGGREGATEFUNCTION *function = functionOf(body[states[a].position]);
        const TERMS &terms = function->terms;

        bool free = terms.allVariablesOccurIn(function->conjunction.literals);
        for (size_t k = 0; k < terms.size() && free; k++) {
            for (const LITERAL &literal : body)
                if (isOrdinary(literal) && termsContain(literal.atom.args(), terms[k])) free = false;
            for (const AGGREGATE_STATE &other : states) {
                const AGGREGATE_ATOM *aggregate = body[other.position].atom.aggregate();
                if (aggregate->lowerGuard == terms[k] || aggregate->upperGuard == terms[k]) free = false;
            }
        }
        if (!free) {
            reportError("Terms to be aggregated over must be free variables");
            continue;
        }
        for (uint32_t b = 0; b < states.size(); b++) {
            if (b == a) continue;
            for (TERM t : functionOf(body[states[b].position])->terms)
                if (occursInConjunction(function->conjunction, t))
                    reportError("Variables to be aggregated over can not be used in a different aggregate atom");
        }

        states[a].working = function->conjunction;
        const CONJUNCTION written = function->conjunction;
        bool allBound = true;
        for (const LITERAL &literal : written) {
            if (!needsOutsideBindings(literal)) continue;
            for (TERM v : unboundVariables(literal, written))
                if (!processing.addBindingLiterals(v, a)) allBound = false;
        }
        for (const LITERAL &binder : states[a].binding) addLiteralOnce(states[a].working, binder);
        if (!allBound && !isSafe(states[a].working)) {
            reportError("Aggregate conjunction is not safe");
            processing.pending -= uint32_t(states[a].depends.size());
            states[a].depends.clear();
            continue;
        }
        if (states[a].depends.empty() && !keepsItsConjunction(states[a].working, terms)) processing.rewrite(a);
    }
    processing.resolveDependencies();
    ruleVariables = saved;
}
