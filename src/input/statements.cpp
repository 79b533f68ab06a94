#include "input/statements.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "core/aggregate_function.h"
#include "core/builtin.h"
#include "core/printer.h"
#include "input/aggregates.h"
#include "input/directives.h"
#include "input/parser.h"
#include "input/safety.h"
#include "support/diagnostics.h"
#include "support/option_values.h"

namespace {

// A counted error of the statement being read.
void reportError(const std::string &message) {
    parseError(message);
    parserErrors++;
}

// A counted "... is not safe" error, with a note that names the variables at fault (the names
// the statement gave them; "_" for an anonymous one).
void reportUnsafe(const char *message, const std::vector<ATOM> *head, const CONJUNCTION *body,
                  TERM weight = TERM(), TERM level = TERM()) {
    reportError(message);
    std::vector<TERM> variables = unsafeVariables(head, body, weight, level);
    if (variables.empty()) return;
    std::string names;
    for (TERM v : variables) {
        std::string name = "_";
        for (const auto &[text, number] : ruleVariables.numbers)
            if (number == v.value) name = text;
        names += (names.empty() ? "" : ", ") + name;
    }
    parseNote((variables.size() == 1 ? "unsafe variable: " : "unsafe variables: ") + names);
}

bool startsUpperCase(const char *name) { return name[0] >= 'A' && name[0] <= 'Z'; }

// Keywords of the built-ins by kind number, the names newBuiltin makes their objects from.
const char *const BUILTIN_NAMES[] = {
    "==",      "!=",       "<",       ">",        "<=",       ">=",      "#int",     "#prec",
    "#succ",   "#mod",     "#absdiff", "#rand",   "+",        "*",       "-",        "/",
    "#last",   "#member",  "#length", "#append",  "#insnth",  "#getnth", "#delnth",  "#insLast",
    "#reverse", "#subList", "#head",  "#tail",    "#flatten"};

// The rules and facts of the object being read (the default object's are IDB and EDB).
OBJECT *currentObjectEntry() {
    if (currentObject > 0 && size_t(currentObject) < objects.size()) return &objects[currentObject];
    return nullptr;
}
std::vector<RULE> &currentRules() {
    OBJECT *object = currentObjectEntry();
    return object && object->rules ? *object->rules : IDB;
}
ATOM_SETS &currentFacts() {
    OBJECT *object = currentObjectEntry();
    return object && object->facts ? *object->facts : EDB;
}

// The complementary atom ("-p" for p, p for "-p") with the same arguments, when that predicate
// exists.
bool complementOf(const ATOM &atom, ATOM &complement) {
    const char *name = predicateTable.name(atom.predicate);
    std::string other = name[0] == '-' ? std::string(name + 1) : std::string(1, '-').append(name);
    auto [index, found] = predicateTable.find(other);
    if (!found) return false;
    complement = ATOM(index, atom.args());
    return true;
}

void markComplementOverridden(const ATOM &atom) {
    OBJECT *object = currentObjectEntry();
    if (!object || !object->parents) return;
    ATOM complement;
    if (complementOf(atom, complement)) markOverridden(complement, *object->parents);
}

// A term with every occurrence of the variable replaced by the value, at any depth.
TERM replaceDeep(TERM term, TERM variable, TERM value) {
    if (term == variable) return value;
    if (!term.isComplex()) return term;
    const COMPLEX_TERM &complex = complexTerm(term);
    if (complex.ground || !complex.contains(variable)) return term;
    TERMS args;
    args.reserve(complex.argCount);
    for (TERM a : complex.args()) args.push_back(replaceDeep(a, variable, value));
    if (complex.isFunction())
        return makeComplexTerm(COMPLEX_TERM::function(complex.functor, args, args.isGround()));
    if (complex.hasTail()) return makeListWithTail(args[0], args[1]);
    return makeListTerm(args, false);
}

void replaceInConjunction(CONJUNCTION &body, TERM variable, TERM value);

void replaceInAtom(ATOM &atom, TERM variable, TERM value) {
    if (AGGREGATE_ATOM *aggregate = atom.aggregate()) {
        aggregate->lowerGuard = replaceDeep(aggregate->lowerGuard, variable, value);
        aggregate->upperGuard = replaceDeep(aggregate->upperGuard, variable, value);
        // A guard that became an integer makes the aggregate a comparison, not an assignment.
        aggregate->assignment = aggregate->lowerGuard.isVariable() &&
                                aggregate->lowerGuard == aggregate->upperGuard &&
                                aggregate->lowerInclusive == aggregate->upperInclusive;
        if (aggregate->function) replaceInConjunction(aggregate->function->conjunction, variable, value);
        return;
    }
    for (TERM &t : atom.mutableArgs()) t = replaceDeep(t, variable, value);
}

void replaceInConjunction(CONJUNCTION &body, TERM variable, TERM value) {
    for (LITERAL &literal : body.literals) replaceInAtom(literal.atom, variable, value);
}

bool isConstantOrInteger(TERM t) { return t.isConstant() || t.isInteger(); }

bool hasVariables() { return ruleVariables.next > 0; }

} // namespace

// Terms.

TERM makeNameTerm(const char *name) {
    if (startsUpperCase(name)) {
        auto [it, inserted] = ruleVariables.numbers.try_emplace(name, ruleVariables.next);
        if (inserted) ruleVariables.next++;
        return makeVariableTerm(it->second);
    }
    return makeConstantTerm(name);
}

TERM termFromName(const char *name) {
    auto it = namedConstants.find(name);
    if (it != namedConstants.end()) return it->second;
    return makeNameTerm(name);
}

void checkIntegerRange(int32_t value) {
    if (rangeCheckSuspended) return;
    if (value > maxInputInteger) maxInputInteger = value;
    if (maxInt != -1 && maxInt < value) reportError("number outside of given integer range");
}

TERM numberTerm(int32_t value) {
    checkIntegerRange(value);
    return makeIntegerTerm(value);
}

TERM maxIntTerm() {
    if (maxInt == -1) {
        reportError("#maxint used but no upper integer bound (option -N) given");
        maxInt = 0;
    }
    return makeIntegerTerm(maxInt);
}

TERM anonymousVariable() { return makeVariableTerm(ruleVariables.next++); }

void reportNegatedTerm(TERM term) {
    reportError("Cannot use true negation for terms");
    if (term.isInteger())
        parseNote("the rule language has no negative integers: -" + std::to_string(integerValue(term)) +
                  " cannot be a term (integers are 0 or more)");
}

TERM makeFunctionTerm(const char *functor, const TERMS &arguments) {
    if (startsUpperCase(functor)) reportError("Functional terms must begin with a lowercase letter");
    uint32_t symbol = functionSymbolTable.add(functor).first;
    return makeComplexTerm(COMPLEX_TERM::function(symbol, arguments, arguments.isGround()));
}

TERM makeListTerm(const TERMS &elements, bool hasTail) {
    return makeComplexTerm(COMPLEX_TERM::list(elements, hasTail, !hasTail && elements.isGround()));
}

TERM makeListWithTail(TERM head, TERM list) {
    if (list.isComplex()) {
        const COMPLEX_TERM &tail = complexTerm(list);
        // A ground head before a ground list is one list without a tail.
        if (tail.isList() && !tail.hasTail() && tail.ground && (head.isConstant() || head.isInteger() ||
                                                                (head.isComplex() && complexTerm(head).ground))) {
            TERMS elements;
            elements.reserve(tail.argCount + 1);
            elements.push_back(head);
            for (TERM t : tail.args()) elements.push_back(t);
            return makeListTerm(elements, false);
        }
    }
    TERMS pair{head, list};
    return makeComplexTerm(COMPLEX_TERM::list(pair, true, false));
}

TERM makeListWithNamedTail(TERM head, const char *name) {
    if (!startsUpperCase(name)) {
        reportError("Syntax for Lists require a variable or a list after the vertical bar '|'");
        TERMS single{head};
        return makeListTerm(single, false);
    }
    return makeListWithTail(head, makeNameTerm(name));
}

TERMS newTermList(TERM t1) { return TERMS{t1}; }
TERMS newTermList(TERM t1, TERM t2) { return TERMS{t1, t2}; }
TERMS newTermList(TERM t1, TERM t2, TERM t3) { return TERMS{t1, t2, t3}; }
TERMS newTermList(TERM t1, TERM t2, TERM t3, TERM t4) { return TERMS{t1, t2, t3, t4}; }

// Atoms.

ATOM makeOrdinaryAtom(const char *name, const TERMS *arguments) {
    return ATOM(name, arguments, PREDICATE_UNDEFINED);
}

ATOM makeStronglyNegatedAtom(const char *name, const TERMS *arguments) {
    std::string negated = name[0] == '-' ? std::string(name) : std::string(1, '-').append(name);
    ATOM atom(negated.c_str(), arguments, PREDICATE_UNDEFINED);
    stronglyNegatedPredicates.insert(int32_t(atom.predicate));
    return atom;
}

ATOM makeBuiltinAtom(int32_t kind, const TERMS &arguments) {
    std::unique_ptr<BUILTIN_TYPE> builtin = newBuiltin(BUILTIN_NAMES[kind]);
    if (!builtin) internalError("built-in keyword");
    return BUILTIN_TYPE::makeAtom(std::move(builtin), arguments);
}

ATOM makeListBuiltinAtom(int32_t kind, const TERMS &arguments) {
    checkLastBuiltinArgument(arguments.back(), BUILTIN_NAMES[kind]);
    return makeBuiltinAtom(kind, arguments);
}

ATOM makeUnaryIntAtom(const TERMS &arguments) {
    TERM x = arguments[0];
    TERM bound = makeIntegerTerm(0);
    if (x.isInteger()) {
        bound = x;
    } else if (x.isVariable()) {
        if (maxInt == -1)
            reportError("arithmetics is only supported if #maxint has been set");
        else
            bound = makeIntegerTerm(maxInt);
    }
    return makeBuiltinAtom(BUILTIN_INT, newTermList(makeIntegerTerm(0), bound, x));
}

ATOM makeUnaryRandAtom(const TERMS &arguments) {
    TERM high = makeIntegerTerm(maxInt != -1 ? maxInt : INT32_MAX);
    return makeBuiltinAtom(BUILTIN_RAND, newTermList(makeIntegerTerm(0), high, arguments[0]));
}

void checkLastBuiltinArgument(TERM last, const char *builtinName) {
    if (last.isComplex() && !complexTerm(last).ground)
        reportError(std::string("The last argument of ") + builtinName +
                    " must be either a constant or a variable");
}

bool lookupAtom(const char *name, const TERMS *arguments, ATOM &atom) {
    auto [index, found] = predicateTable.find(name);
    if (!found) return false;
    atom = arguments ? ATOM(index, std::span<const TERM>(*arguments)) : ATOM(index, std::span<const TERM>());
    return true;
}

void addLiteral(CONJUNCTION &body, LITERAL &literal) {
    if (body.find(literal) != body.size()) return;
    body.append(std::move(literal));
}

// Rules and facts.

std::vector<RULE> *makeRules(std::vector<ATOM> *head, CONJUNCTION *body) {
    auto *rules = new std::vector<RULE>;
    if (body) {
        processAggregates(*body);
        rules->emplace_back(std::move(*head), std::move(*body));
    } else {
        rules->emplace_back(std::move(*head));
    }
    delete head;
    delete body;
    return rules;
}

std::vector<RULE> *expandIntegerRange(bool negated, const char *name, TERM lower, TERM upper) {
    auto *rules = new std::vector<RULE>;
    if (!lower.isInteger() || !upper.isInteger()) {
        reportError("integer range boundaries must be numeric constants");
        return rules;
    }
    // Counted in 64 bits, so an upper bound at the top of the range ends the loop. Once the input
    // has an error (a bound outside the given integer range, say) no fact is used any more: the
    // first one still names the predicate, so later messages stay the same, and the rest are not
    // made (p(1..9999999). would take seconds for nothing).
    for (int64_t i = integerValue(lower); i <= int64_t(integerValue(upper)); i++) {
        if (parserErrors > 0 && !rules->empty()) break;
        if (arityClashRecorded()) break;
        TERMS args{makeIntegerTerm(int32_t(i))};
        std::vector<ATOM> head;
        head.push_back(negated ? makeStronglyNegatedAtom(name, &args) : makeOrdinaryAtom(name, &args));
        rules->emplace_back(std::move(head));
    }
    return rules;
}

void storeRules(std::vector<RULE> &rules, bool strict) {
    for (RULE &rule : rules) {
        if (strict) {
            int32_t saved = currentObject;
            currentObject = 0;
            addRule(rule);
            currentObject = saved;
            strictRulesUsed = true;
        } else {
            addRule(rule);
        }
    }
    resetRuleVariables();
}

void addRule(RULE &rule) {
    rule.source = currentSourcePosition();
    if (rule.body) substituteEqualities(&rule, *rule.body);
    if (!isSafe(rule)) {
        reportUnsafe("Rule is not safe", &rule.head, rule.body.get());
        resetRuleVariables();
        return;
    }
    if (rule.body || rule.head.size() > 1) {
        for (const ATOM &atom : rule.head) {
            PREDICATE_KIND kind = predicateTable.kind(atom.predicate);
            if (kind == PREDICATE_IDB) continue;
            predicateTable.setKind(atom.predicate, PREDICATE_IDB);
            if (kind == PREDICATE_UNDEFINED) continue;
            // The predicate was defined by facts so far: they become bodiless rules.
            for (ATOM &fact : EDB.takeAll(atom.predicate)) {
                std::vector<ATOM> head{std::move(fact)};
                IDB.emplace_back(std::move(head));
            }
        }
        if (hasVariables()) rulesAreGround = false;
        currentRules().push_back(rule);
        for (const ATOM &atom : rule.head) markComplementOverridden(atom);
    } else {
        const ATOM &fact = rule.head[0];
        PREDICATE_KIND kind = predicateTable.kind(fact.predicate);
        if (kind == PREDICATE_UNDEFINED) {
            predicateTable.setKind(fact.predicate, PREDICATE_EDB);
            kind = PREDICATE_EDB;
        }
        if (kind == PREDICATE_EDB) {
            currentFacts().insert(fact);
            markComplementOverridden(fact);
        } else {
            predicateTable.setKind(fact.predicate, PREDICATE_IDB);
            IDB.push_back(rule);
        }
    }
    resetRuleVariables();
}

std::vector<EQUALITY_BINDING> substituteEqualities(RULE *rule, CONJUNCTION &body) {
    std::vector<EQUALITY_BINDING> bindings;
    for (uint32_t i = 0; i < body.size(); i++) {
        const ATOM &atom = body[i].atom;
        // A negated equality is a test: "not X = 3" says that X is not 3 and binds nothing.
        if (body[i].isNegated() || predicateTable.kind(atom.predicate) != PREDICATE_BUILTIN) continue;
        BUILTIN_TYPE *builtin = lookupBuiltin(atom.predicate);
        if (!builtin || builtin->getKind() != BUILTIN_EQUALITY || atom.argCount() != 2) continue;
        TERM first = atom.arg(0), second = atom.arg(1);
        TERM variable, value;
        if (first.isVariable() && isConstantOrInteger(second)) {
            variable = first;
            value = second;
        } else if (isConstantOrInteger(first) && second.isVariable()) {
            variable = second;
            value = first;
        } else {
            continue;
        }
        // Every occurrence goes, nested ones too: a variable left inside a function term would
        // be bound afresh by matching and make the equality a test of nothing.
        if (rule)
            for (ATOM &head : rule->head) replaceInAtom(head, variable, value);
        replaceInConjunction(body, variable, value);
        bindings.push_back({variable, value});
    }
    return bindings;
}

// Constraints, weak constraints, the query.

void storeConstraint(CONJUNCTION &body) {
    processAggregates(body);
    substituteEqualities(nullptr, body);
    if (isSafe(body)) {
        if (hasVariables()) constraintsAreGround = false;
        CONSTRAINT constraint;
        constraint.body = std::move(body);
        constraint.source = currentSourcePosition();
        constraints.push_back(std::move(constraint));
    } else {
        reportUnsafe("Constraint is not safe", nullptr, &body);
    }
    resetRuleVariables();
}

int64_t decimalNumber(int32_t integer, const char *fraction) {
    int64_t value = int64_t(integer) * 1000;
    if (!fraction) return value;
    size_t digits = strlen(fraction);
    if (digits > 3) {
        // A notice only: the first three digits are used.
        parseError("Number has more precision than supported. Truncated");
        digits = 3;
    }
    int64_t thousandths = 0;
    for (size_t i = 0; i < 3; i++) thousandths = thousandths * 10 + (i < digits ? fraction[i] - '0' : 0);
    return value + thousandths;
}

WEIGHT weightFromName(const char *name) {
    WEIGHT weight;
    weight.term = makeNameTerm(name);
    return weight;
}

WEIGHT weightFromNumber(int64_t value) {
    WEIGHT weight;
    weight.isNumber = true;
    weight.value = value;
    return weight;
}

WEIGHT_LEVEL weightLevel(int32_t format, WEIGHT *weight, TERM *level) {
    WEIGHT_LEVEL result;
    result.format = format;
    result.weight = weight ? *weight : weightFromNumber(1000);
    result.level = level ? *level : makeIntegerTerm(1);
    delete weight;
    delete level;
    return result;
}

bool checkWeightFormat(int32_t format) {
    if (weightFormat == 0) weightFormat = format;
    return weightFormat == format;
}

// storeWeakConstraint with currentLine at the weak constraint.
static void storeWeakConstraintAtItsLine(CONJUNCTION &body, const WEIGHT_LEVEL &weightLevel) {
    if (!checkWeightFormat(weightLevel.format)) {
        reportError("Weak constraint has different weight-format than others");
        resetRuleVariables();
        return;
    }
    WEIGHT weight = weightLevel.weight;
    TERM level = weightLevel.level;
    processAggregates(body);
    // A weight or level variable that an equality bound is replaced like the body's occurrences,
    // or the weak constraint would lose its binder; an integer weight is kept times 1000.
    for (const EQUALITY_BINDING &binding : substituteEqualities(nullptr, body)) {
        if (!weight.isNumber && weight.term == binding.variable) {
            if (binding.value.isInteger()) {
                weight.isNumber = true;
                weight.value = int64_t(integerValue(binding.value)) * 1000;
            } else {
                weight.term = binding.value;
            }
        }
        if (level == binding.variable) level = binding.value;
    }
    bool weightTooLarge = weight.isNumber && (weight.value > INT32_MAX || weight.value < INT32_MIN);
    TERM weightTerm = weight.isNumber ? (weightTooLarge ? TERM() : makeIntegerTerm(int32_t(weight.value)))
                                      : weight.term;
    if (!isSafe(body) || !weightAndLevelSafe(weightTerm, level, body)) {
        reportUnsafe("Weak constraint is not safe", nullptr, &body, weightTerm, level);
    } else {
        if (hasVariables()) weakConstraintsAreGround = false;
        if (!weight.isNumber && !weightTerm.isVariable() && !weightTerm.isInteger())
            reportError("A weight should be a number or a variable");
        else if (!level.isVariable() && !level.isInteger())
            reportError("A level should be a number or a variable");
        else if (weightTooLarge || (weightTerm.isInteger() && integerValue(weightTerm) < 0))
            reportError("Weight must be a non-negative integer.");
        else if (level.isInteger() && integerValue(level) < 1)
            reportError("Level must be a positive integer.");
        else {
            WEAKCONSTRAINT constraint;
            constraint.body = std::move(body);
            constraint.weight = weightTerm;
            constraint.level = level;
            constraint.source = currentSourcePosition();
            weakConstraints.push_back(std::move(constraint));
        }
    }
    resetRuleVariables();
}

void storeWeakConstraint(CONJUNCTION &body, const WEIGHT_LEVEL &weightLevel, uint32_t line) {
    uint32_t lineReached = currentLine;
    currentLine = line;
    storeWeakConstraintAtItsLine(body, weightLevel);
    currentLine = lineReached;
}

void storeQuery(CONJUNCTION *body) {
    if (query) {
        fputs("Query ", stdout);
        printConjunction(stdout, *body);
        fputs(" replaces ", stdout);
        printConjunction(stdout, *query);
        fputs(".\n", stdout);
    }
    // The query's aggregates are prepared like a constraint's: the grounder reads each set from
    // one predicate.
    processAggregates(*body);
    query.reset(body);
    if (!isSafe(*query)) reportUnsafe("Query is not safe", nullptr, query.get());
    resetRuleVariables();
}

void resetRuleVariables() { ruleVariables.clear(); }
