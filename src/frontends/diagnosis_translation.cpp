// The diagnosis translations: the checks of the diagnosis problem and the rules, constraints and
// weak constraints that turn theory, hypotheses and observations into one program whose answer
// sets are the diagnoses. `_sol`(i) holds when hypothesis i is assumed; `_notsol`(i) when not.
//
// Hypothesis numbers are constants named by their decimal digits, never integer terms: the
// model callback reads them back from the constants' names.
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "core/program.h"
#include "frontends/diagnosis.h"
#include "support/diagnostics.h"
#include "support/option_values.h"

namespace {

// The variables of the rules added here. The copies of the theory take X as their extra last
// argument; a theory rule that already uses variable 27 or beyond gets one past its own instead.
constexpr uint32_t VARIABLE_W = 26;
constexpr uint32_t VARIABLE_X = 27;
constexpr uint32_t VARIABLE_Y = 28;
constexpr uint32_t VARIABLE_Z = 29;


TERM numberConstant(size_t i) { return makeConstantTerm(std::to_string(i).c_str()); }

ATOM auxiliaryAtom(const char *name, std::initializer_list<TERM> args) {
    return ATOM(name, std::span<const TERM>(args.begin(), args.size()), PREDICATE_IDB);
}

LITERAL positive(ATOM &&atom) { return LITERAL(std::move(atom), false); }
LITERAL negated(ATOM &&atom) { return LITERAL(std::move(atom), true); }

void appendRule(std::vector<RULE> &rules, ATOM &&head, std::initializer_list<LITERAL> body) {
    std::vector<ATOM> heads;
    heads.push_back(std::move(head));
    if (body.size() == 0) {
        rules.emplace_back(std::move(heads));
        return;
    }
    CONJUNCTION conjunction;
    for (const LITERAL &literal : body) conjunction.append(literal);
    rules.emplace_back(std::move(heads), std::move(conjunction));
}

void addConstraint(std::vector<CONSTRAINT> &constraints, std::initializer_list<LITERAL> body) {
    CONSTRAINT constraint;
    for (const LITERAL &literal : body) constraint.body.append(literal);
    constraint.generated = true;
    constraints.push_back(std::move(constraint));
}

bool hasPredicateName(const ATOM &atom, const char *name) { return predicateTable.nameView(atom.predicate) == name; }

// The copy of an atom in the copies of the theory: "=p" with the copy's number appended.
ATOM copiedAtom(const ATOM &atom, TERM copy) {
    std::string name(1, '=');
    name.append(predicateTable.nameView(atom.predicate));
    TERMS args(atom.args());
    args.push_back(copy);
    return ATOM(name.c_str(), &args, PREDICATE_IDB);
}

// Facts and built-ins are the same in every copy; everything else lives in the copy.
LITERAL copiedLiteral(const LITERAL &literal, TERM copy) {
    PREDICATE_KIND kind = predicateTable.kind(literal.atom.predicate);
    if (kind == PREDICATE_EDB || kind == PREDICATE_BUILTIN) return literal;
    return LITERAL(copiedAtom(literal.atom, copy), literal.isNegated());
}

void noteVariables(const ATOM &atom, int64_t &highest) {
    for (TERM t : atom.args()) {
        if (t.isVariable()) {
            if (int64_t(t.value) > highest) highest = t.value;
        } else if (t.isComplex()) {
            TERM_SET inside;
            complexTermTable[t.value].collectVariables(inside);
            for (TERM v : inside)
                if (int64_t(v.value) > highest) highest = v.value;
        }
    }
}

// The variable that carries the copy's number in the copy of a body (and head): X, or one past
// the body's own variables when X is taken.
TERM copyVariable(const std::vector<ATOM> *head, const CONJUNCTION *body) {
    int64_t highest = -1;
    if (head)
        for (const ATOM &atom : *head) noteVariables(atom, highest);
    if (body)
        for (const LITERAL &literal : *body) noteVariables(literal.atom, highest);
    if (highest < int64_t(VARIABLE_X)) return makeVariableTerm(VARIABLE_X);
    return makeVariableTerm(uint32_t(highest + 1));
}

// _notobs(X) :- p(V)', -p(V)', _hyp(X). for each predicate p used with its strong negation, where
// at least one of the two lives in the copies.
void addStrongNegationCopies(std::vector<RULE> &rules) {
    for (int32_t negated : stronglyNegatedPredicates) {
        uint32_t np = uint32_t(negated);
        std::string_view name = predicateTable.nameView(np);
        if (name.empty() || name[0] != '-') continue;
        auto [p, found] = predicateTable.find(name.substr(1));
        uint32_t arity = predicateTable.arity(np);
        if (!found || predicateTable.arity(p) != arity) continue;
        PREDICATE_KIND kinds[2] = {predicateTable.kind(p), predicateTable.kind(np)};
        if (kinds[0] == PREDICATE_UNDEFINED || kinds[1] == PREDICATE_UNDEFINED) continue;
        if (kinds[0] == PREDICATE_EDB && kinds[1] == PREDICATE_EDB) continue;
        TERMS args;
        for (uint32_t v = 0; v < arity; ++v) args.push_back(makeVariableTerm(v));
        TERM copy = makeVariableTerm(arity <= VARIABLE_X ? VARIABLE_X : arity);
        CONJUNCTION body;
        body.append(copiedLiteral(positive(ATOM(p, args)), copy));
        body.append(copiedLiteral(positive(ATOM(np, args)), copy));
        body.append(positive(auxiliaryAtom("_hyp", {copy})));
        std::vector<ATOM> head;
        head.push_back(auxiliaryAtom("_notobs", {copy}));
        rules.emplace_back(std::move(head), std::move(body));
    }
}

bool hasAggregateLiteral(const CONJUNCTION *body) {
    if (!body) return false;
    for (const LITERAL &literal : *body)
        if (literal.atom.isAggregate() || predicateTable.kind(literal.atom.predicate) == PREDICATE_AGGREGATE)
            return true;
    return false;
}

// The copies of the theory cannot follow an aggregate's set into the copy.
const char *refuseAggregatesInCopies(const std::vector<RULE> &rules, uint32_t theoryRules,
                                     const std::vector<CONSTRAINT> &constraints, uint32_t theoryConstraints) {
    bool found = false;
    for (uint32_t i = 0; i < theoryRules && !found; ++i) found = hasAggregateLiteral(rules[i].body.get());
    for (uint32_t i = 0; i < theoryConstraints && !found; ++i) found = hasAggregateLiteral(&constraints[i].body);
    if (found) return "Minimal diagnostic reasoning not yet implemented for theories with aggregates.";
    return nullptr;
}

// How the truth of a literal follows the chosen hypotheses in the copies of the theory. Under
// -FDmin the theory is definite, so its model grows with the hypotheses: a positive literal can
// only turn true, a negated one only false. Under -FRmin "ab" occurs in rules only under "not",
// so the model shrinks as hypotheses are added, except for the "ab" atoms themselves. Facts and
// built-ins are the same in every copy.
enum LITERAL_TREND : uint8_t { TREND_FIXED, TREND_RISING, TREND_FALLING };

LITERAL_TREND trendOf(const LITERAL &literal) {
    PREDICATE_KIND kind = predicateTable.kind(literal.atom.predicate);
    if (kind == PREDICATE_EDB || kind == PREDICATE_BUILTIN || kind == PREDICATE_UNDEFINED) return TREND_FIXED;
    bool rises = frontEndMode == FRONTEND_REITER ? hasPredicateName(literal.atom, "ab") : true;
    if (literal.isNegated()) rises = !rises;
    return rises ? TREND_RISING : TREND_FALLING;
}

// Each chosen hypothesis is left out once, in its own copy of the theory. That finds a smaller
// diagnosis whenever one exists only while the diagnoses form no gaps (a set that lies between
// two diagnoses is one too). Observations keep that, and so does a constraint whose body can
// only turn true, or only false, as hypotheses are added; a constraint whose literals move both
// ways does not, and is refused.
const char *refuseTwoWayConstraints(const std::vector<CONSTRAINT> &constraints, uint32_t theoryConstraints) {
    for (uint32_t i = 0; i < theoryConstraints; ++i) {
        bool rising = false, falling = false;
        for (const LITERAL &literal : constraints[i].body) {
            LITERAL_TREND trend = trendOf(literal);
            rising = rising || trend == TREND_RISING;
            falling = falling || trend == TREND_FALLING;
        }
        if (!rising || !falling) continue;
        if (frontEndMode == FRONTEND_REITER)
            return "Cannot perform Reiter subset minimal diagnostic reasoning for theories with constraints mixing "
                   "positive \"ab\" literals and other literals.";
        return "Minimal diagnostic reasoning not yet implemented for theories with constraints mixing positive and "
               "negated literals.";
    }
    return nullptr;
}

const char *checkReiterTheory(const std::vector<RULE> &rules, const std::vector<CONSTRAINT> &constraints,
                              const std::vector<HYPOTHESIS> &hypotheses) {
    bool minimal = frontEndSubMode == DIAGNOSIS_MINIMAL;
    for (const HYPOTHESIS &h : hypotheses)
        if (!hasPredicateName(h.atom, "ab"))
            return "Cannot perform Reiter diagnostic reasoning for hypotheses with predicate different from \"ab\".";
    for (const RULE &rule : rules) {
        if (minimal) {
            if (rule.head.size() >= 2)
                return "Cannot perform Reiter subset minimal diagnostic reasoning on disjunctive theories.";
            for (const ATOM &atom : rule.head)
                if (hasPredicateName(atom, "ab"))
                    return "\"ab\" may not be used as a head literal for Reiter subset minimal diagnostic reasoning.";
        }
        if (!rule.hasBody()) continue;
        if (minimal)
            for (const LITERAL &literal : rule.body->positive())
                if (hasPredicateName(literal.atom, "ab"))
                    return "\"ab\" may not be used in the positive body for Reiter subset minimal diagnostic "
                           "reasoning.";
        for (const LITERAL &literal : rule.body->negative())
            if (!hasPredicateName(literal.atom, "ab"))
                return "Cannot perform Reiter diagnostic reasoning for theories with negative body literals "
                       "different from \"ab\".";
    }
    for (const CONSTRAINT &constraint : constraints)
        for (const LITERAL &literal : constraint.body.negative())
            if (!hasPredicateName(literal.atom, "ab"))
                return "Cannot perform Reiter diagnostic reasoning for theories with constraints with negative "
                       "body literals different from \"ab\".";
    return nullptr;
}

const char *checkMinimalAbductiveTheory(const std::vector<RULE> &rules, uint32_t theoryRules,
                                        const std::vector<LITERAL> &observations) {
    for (uint32_t i = 0; i < theoryRules; ++i)
        if (rules[i].head.size() >= 2)
            return "Cannot perform minimal diagnostic reasoning for disjunctive theories -- that task is "
                   "$Sigma^P_3$ hard!";
    bool negation = false;
    for (uint32_t i = 0; i < theoryRules && !negation; ++i)
        negation = rules[i].hasBody() && !rules[i].body->negative().empty();
    for (const LITERAL &o : observations) negation = negation || o.isNegated();
    if (negation)
        return "Minimal diagnostic reasoning not yet implemented for theories with negation or negative "
               "observations.";
    return nullptr;
}

}  // namespace

void addHypothesisLinks(std::vector<RULE> &rules, const std::vector<HYPOTHESIS> &hypotheses) {
    for (size_t i = 1; i <= hypotheses.size(); ++i)
        appendRule(rules, ATOM(hypotheses[i - 1].atom), {positive(auxiliaryAtom("_sol", {numberConstant(i)}))});
}

void addSolutionGuess(std::vector<RULE> &rules, const std::vector<HYPOTHESIS> &hypotheses) {
    for (size_t i = 1; i <= hypotheses.size(); ++i) {
        std::vector<ATOM> head;
        head.push_back(auxiliaryAtom("_sol", {numberConstant(i)}));
        head.push_back(auxiliaryAtom("_notsol", {numberConstant(i)}));
        rules.emplace_back(std::move(head));
    }
}

const char *addSingleErrorGuess(std::vector<RULE> &rules, const std::vector<HYPOTHESIS> &hypotheses) {
    if (hypotheses.empty()) return "Cannot perform single error diagnostic reasoning without hypotheses.";
    std::vector<ATOM> head;
    for (size_t i = 1; i <= hypotheses.size(); ++i) head.push_back(auxiliaryAtom("_sol", {numberConstant(i)}));
    rules.emplace_back(std::move(head));
    return nullptr;
}

const char *setupDiagnosis(std::vector<RULE> &rules, std::vector<CONSTRAINT> &constraints,
                           std::vector<WEAKCONSTRAINT> &weakConstraints, std::vector<HYPOTHESIS> &hypotheses,
                           std::vector<LITERAL> &observations) {
    if (query) return "Cannot perform diagnostic reasoning in the presence of a query.";
    uint32_t theoryRules = uint32_t(rules.size());
    uint32_t theoryConstraints = uint32_t(constraints.size());

    if (frontEndMode == FRONTEND_REITER) {
        if (const char *refusal = checkReiterTheory(rules, constraints, hypotheses)) return refusal;
        for (const LITERAL &o : observations) {
            if (o.isNegated())
                addConstraint(constraints, {positive(ATOM(o.atom))});
            else
                appendRule(rules, ATOM(o.atom), {});
        }
        addHypothesisLinks(rules, hypotheses);
        for (size_t i = 1; i <= hypotheses.size(); ++i)
            addConstraint(constraints, {positive(ATOM(hypotheses[i - 1].atom)),
                                        negated(auxiliaryAtom("_sol", {numberConstant(i)}))});
        if (frontEndSubMode == DIAGNOSIS_SINGLE_ERROR) return addSingleErrorGuess(rules, hypotheses);
        addSolutionGuess(rules, hypotheses);
        if (frontEndSubMode == DIAGNOSIS_MINIMAL) {
            if (const char *refusal = refuseAggregatesInCopies(rules, theoryRules, constraints, theoryConstraints))
                return refusal;
            if (const char *refusal = refuseTwoWayConstraints(constraints, theoryConstraints)) return refusal;
            addMinimalDiagnosisRules(rules, theoryRules, hypotheses, observations, constraints, theoryConstraints);
        }
        return nullptr;
    }

    addHypothesisLinks(rules, hypotheses);
    for (const LITERAL &o : observations)
        addConstraint(constraints, {LITERAL(ATOM(o.atom), !o.isNegated())});
    if (frontEndSubMode == DIAGNOSIS_SINGLE_ERROR) return addSingleErrorGuess(rules, hypotheses);
    addSolutionGuess(rules, hypotheses);
    if (frontEndSubMode == DIAGNOSIS_MIN_COST) {
        for (const HYPOTHESIS &h : hypotheses) {
            WEAKCONSTRAINT weak;
            weak.body.append(positive(ATOM(h.atom)));
            // The parser refuses weights whose cost does not fit.
            weak.weight = makeIntegerTerm(int32_t(int64_t(h.weight) * 1000));
            weak.level = makeIntegerTerm(1);
            weakConstraints.push_back(std::move(weak));
        }
        return nullptr;
    }
    if (frontEndSubMode == DIAGNOSIS_MINIMAL) {
        if (const char *refusal = checkMinimalAbductiveTheory(rules, theoryRules, observations)) return refusal;
        if (const char *refusal = refuseAggregatesInCopies(rules, theoryRules, constraints, theoryConstraints))
            return refusal;
        if (const char *refusal = refuseTwoWayConstraints(constraints, theoryConstraints)) return refusal;
        addMinimalDiagnosisRules(rules, theoryRules, hypotheses, observations, constraints, theoryConstraints);
    }
    return nullptr;
}

void addNotObsRules(std::vector<RULE> &rules, const std::vector<HYPOTHESIS> &hypotheses,
                    const std::vector<LITERAL> &observations) {
    // In copy X a hypothesis atom holds through the hypotheses with that atom that the copy keeps,
    // and through a positive observation of it ("ab" heads no rule). Unless another hypothesis
    // or an observation shares its atom, it holds exactly when the copy keeps it, and the rule
    // below could never fire: it is left out. Kept, such dead rules make the search exponential.
    std::map<ATOM, uint32_t, ATOM_LESS> sources;
    for (const HYPOTHESIS &h : hypotheses) ++sources[h.atom];
    for (const LITERAL &o : observations)
        if (!o.isNegated()) ++sources[o.atom];
    TERM x = makeVariableTerm(VARIABLE_X);
    for (size_t i = 1; i <= hypotheses.size(); ++i)
        if (sources[hypotheses[i - 1].atom] > 1)
            appendRule(rules, auxiliaryAtom("_notobs", {x}),
                       {positive(copiedAtom(hypotheses[i - 1].atom, x)), positive(auxiliaryAtom("_hyp", {x})),
                        negated(auxiliaryAtom("_sol1", {numberConstant(i), x}))});
}

void addHypothesisOrder(std::vector<RULE> &rules, const std::vector<HYPOTHESIS> &hypotheses) {
    for (size_t i = 1; i <= hypotheses.size(); ++i) {
        appendRule(rules, auxiliaryAtom("_hyp", {numberConstant(i)}), {});
        appendRule(rules, auxiliaryAtom("_succ", {numberConstant(i - 1), numberConstant(i)}), {});
    }
}

void addHypothesisCopies(std::vector<RULE> &rules, const std::vector<HYPOTHESIS> &hypotheses) {
    TERM x = makeVariableTerm(VARIABLE_X);
    for (size_t i = 1; i <= hypotheses.size(); ++i)
        appendRule(rules, copiedAtom(hypotheses[i - 1].atom, x), {positive(auxiliaryAtom("_sol1", {numberConstant(i), x}))});
}

void addMinimalDiagnosisRules(std::vector<RULE> &rules, uint32_t theoryRules, const std::vector<HYPOTHESIS> &hypotheses,
                              const std::vector<LITERAL> &observations, std::vector<CONSTRAINT> &constraints,
                              uint32_t theoryConstraints) {
    TERM w = makeVariableTerm(VARIABLE_W), x = makeVariableTerm(VARIABLE_X);
    TERM y = makeVariableTerm(VARIABLE_Y), z = makeVariableTerm(VARIABLE_Z);

    // The theory in the copy of every chosen hypothesis. Only the copies of chosen hypotheses
    // decide anything (the others pass through "not _sol"), so the theory's rules are guarded
    // by _sol rather than _hyp: the copies of the hypotheses left out stay empty instead of each
    // repeating the whole theory under the chosen set, which the search would otherwise carry.
    for (uint32_t i = 0; i < theoryRules; ++i) {
        std::vector<ATOM> head;
        CONJUNCTION body;
        {
            // `rules` grows below: the theory rule is only read before that.
            const RULE &rule = rules[i];
            TERM copy = copyVariable(&rule.head, rule.body.get());
            for (const ATOM &atom : rule.head) head.push_back(copiedAtom(atom, copy));
            if (rule.hasBody())
                for (const LITERAL &literal : *rule.body) body.append(copiedLiteral(literal, copy));
            body.append(positive(auxiliaryAtom("_sol", {copy})));
        }
        rules.emplace_back(std::move(head), std::move(body));
    }

    appendRule(rules, auxiliaryAtom("_sol1", {y, x}),
            {positive(auxiliaryAtom("_sol", {y})), positive(auxiliaryAtom("_hyp", {x})),
             negated(auxiliaryAtom("_eq", {y, x}))});
    appendRule(rules, auxiliaryAtom("_eq", {z, z}), {positive(auxiliaryAtom("_hyp", {z}))});
    appendRule(rules, auxiliaryAtom("_fact", {numberConstant(0)}), {});
    appendRule(rules, auxiliaryAtom("_isntsol", {w}), {positive(auxiliaryAtom("_fact", {w}))});
    appendRule(rules, auxiliaryAtom("_isntsol", {x}),
            {positive(auxiliaryAtom("_isntsol", {y})), positive(auxiliaryAtom("_succ", {y, x})),
             positive(auxiliaryAtom("_notobs", {x}))});
    appendRule(rules, auxiliaryAtom("_isntsol", {x}),
            {positive(auxiliaryAtom("_isntsol", {y})), positive(auxiliaryAtom("_succ", {y, x})),
             negated(auxiliaryAtom("_sol", {x}))});
    addConstraint(constraints, {negated(auxiliaryAtom("_isntsol", {numberConstant(hypotheses.size())}))});

    for (const LITERAL &o : observations) {
        if (frontEndMode == FRONTEND_DIAGNOSIS)
            appendRule(rules, auxiliaryAtom("_notobs", {x}),
                       {positive(auxiliaryAtom("_hyp", {x})), negated(copiedAtom(o.atom, x))});
        else if (o.isNegated())
            appendRule(rules, auxiliaryAtom("_notobs", {x}),
                       {positive(auxiliaryAtom("_hyp", {x})), positive(copiedAtom(o.atom, x))});
        else
            appendRule(rules, copiedAtom(o.atom, x), {positive(auxiliaryAtom("_hyp", {x}))});
    }
    // A copy fails where it violates a constraint of the theory, or holds an atom together with
    // its strong negation.
    for (uint32_t i = 0; i < theoryConstraints; ++i) {
        const CONSTRAINT &constraint = constraints[i];
        TERM copy = copyVariable(nullptr, &constraint.body);
        CONJUNCTION body;
        for (const LITERAL &literal : constraint.body) body.append(copiedLiteral(literal, copy));
        body.append(positive(auxiliaryAtom("_hyp", {copy})));
        std::vector<ATOM> head;
        head.push_back(auxiliaryAtom("_notobs", {copy}));
        rules.emplace_back(std::move(head), std::move(body));
    }
    addStrongNegationCopies(rules);
    if (frontEndMode == FRONTEND_REITER) addNotObsRules(rules, hypotheses, observations);

    addHypothesisOrder(rules, hypotheses);
    addHypothesisCopies(rules, hypotheses);
}
