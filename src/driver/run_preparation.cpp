// Run sequence: preparing the program that was read (objects, program shape, front-end set-up,
// strong negation, the query, the end of parsing).
#include <cstdio>
#include <string>

#include "core/diagnostics.h"
#include "core/option_values.h"
#include "core/program.h"
#include "core/timer.h"
#include "driver/model_output.h"
#include "driver/run.h"
#include "frontends/diagnosis.h"
#include "frontends/planning.h"
#include "frontends/sql.h"
#include "input/parser.h"
#include "rewriting/objects.h"

void (*afterParsingHook)() = nullptr;
void (*beforeModelGenerationHook)() = nullptr;

namespace {

TERMS variablesUpTo(uint32_t count) {
    TERMS args;
    args.reserve(count);
    for (uint32_t v = 0; v < count; ++v) args.push_back(makeVariableTerm(v));
    return args;
}

// The highest variable number in the query's arguments, at any depth; false without variables.
bool highestQueryVariable(const CONJUNCTION &conjunction, uint32_t &highest) {
    bool seen = false;
    highest = 0;
    for (const LITERAL &literal : conjunction)
        for (TERM t : literal.atom.args()) {
            if (t.isVariable()) {
                if (!seen || t.value > highest) highest = t.value;
                seen = true;
            } else if (t.isComplex()) {
                uint32_t inner = 0;
                if (complexTermMaxVariable(t, inner)) {
                    if (!seen || inner > highest) highest = inner;
                    seen = true;
                }
            }
        }
    return seen;
}

bool literalIsGround(const LITERAL &literal) { return termsAreGround(literal.atom.args()); }

void addGeneratedConstraint(CONJUNCTION &&body, bool fromQuery) {
    // An aggregate has variables of its own, the aggregated-over ones: a constraint that holds
    // one is not ground, and only the component grounder evaluates it.
    for (const LITERAL &literal : body)
        if (literal.atom.isAggregate()) constraintsAreGround = false;
    CONSTRAINT constraint;
    constraint.body = std::move(body);
    constraint.generated = true;
    constraint.fromQuery = fromQuery;
    constraints.push_back(std::move(constraint));
}

// The rule "#query(X0,...,Xm) :- query." whose instances are the answers of a non-ground query.
void addQueryRule(uint32_t highestVariable) {
    TERMS args = variablesUpTo(highestVariable + 1);
    std::vector<ATOM> head;
    head.emplace_back("#query", &args, PREDICATE_QUERY);
    CONJUNCTION body(*query);
    IDB.emplace_back(std::move(head), std::move(body));
}

}  // namespace

void checkObjects() {
    objectsUsed = objects.size() > 1;
    if (strictRulesUsed && !objectsUsed) {
        fputs("Error: Strict rules used without objects.\n", errorOutput());
        finish(1);
    }
}

void clearProgramShapeFlags() {
    if (frontEndMode > FRONTEND_CAUTIOUS || objectsUsed)
        rulesAreGround = constraintsAreGround = weakConstraintsAreGround = false;
}

void setUpFrontEnd(RUN &run) {
    switch (frontEndMode) {
    case FRONTEND_NONE:
        run.modelCallback = modelCallback;
        break;
    case FRONTEND_BRAVE:
        run.modelCallback = braveModelCallback;
        break;
    case FRONTEND_CAUTIOUS:
        run.modelCallback = cautiousModelCallback;
        break;
    case FRONTEND_SQL:
        // A decided SQL program prints its answer table after grounding; a search, per answer set.
        afterParsingHook = checkSqlWithElements;
        break;
    case FRONTEND_DIAGNOSIS:
    case FRONTEND_REITER:
        run.modelCallback = diagnosisModelCallback;
        setupDiagnosis(IDB, constraints, weakConstraints, hypotheses, observations);
        break;
    case FRONTEND_PLANNING_C:
    case FRONTEND_PLANNING_K:
        run.modelCallback = planModelCallback;
        run.candidateFilter = planSecurityFilter;
        afterParsingHook = translatePlanningProgram;
        beforeModelGenerationHook = preparePlanChecks;
        break;
    }
    if (afterParsingHook) afterParsingHook();
}

void addStrongNegationConstraints() {
    bool arityClash = false;
    for (int32_t negated : stronglyNegatedPredicates) {
        uint32_t np = static_cast<uint32_t>(negated);
        std::string_view negatedName = predicateTable.nameView(np);
        if (negatedName.empty() || negatedName[0] != '-') continue;
        auto [p, found] = predicateTable.find(negatedName.substr(1));
        uint32_t arity = predicateTable.arity(np);
        if (found && predicateTable.arity(p) != arity) {
            fprintf(errorOutput(), "%s and %s seen with different arities (%u and %u, respectively).\n",
                    predicateTable.name(p), predicateTable.name(np), predicateTable.arity(p), arity);
            arityClash = true;
            continue;
        }
        if (arity > 0) constraintsAreGround = false;
        if (predicateTable.kind(np) == PREDICATE_UNDEFINED || !found ||
            predicateTable.kind(p) == PREDICATE_UNDEFINED)
            continue;
        TERMS args = variablesUpTo(arity);
        CONJUNCTION body;
        body.append(LITERAL(ATOM(p, args), false));
        body.append(LITERAL(ATOM(np, args), false));
        addGeneratedConstraint(std::move(body), false);
    }
    if (arityClash) finish(1);
}

void setUpQuery() {
    if (!query) {
        if (frontEndMode == FRONTEND_BRAVE || frontEndMode == FRONTEND_CAUTIOUS) {
            fputs("No query supplied. Cannot continue.\n", errorOutput());
            finish(1);
        }
        return;
    }
    bool ground = true;
    for (const LITERAL &literal : *query)
        if (!literalIsGround(literal)) ground = false;
    uint32_t highestVariable = 0;
    if (!ground) {
        queryIsGround = false;
        highestQueryVariable(*query, highestVariable);
    }

    if (frontEndMode == FRONTEND_CAUTIOUS) {
        // A ground query is cautiously true when no answer set violates it: forbid it.
        if (ground)
            addGeneratedConstraint(CONJUNCTION(*query), true);
        else
            addQueryRule(highestVariable);
        return;
    }
    if (frontEndMode == FRONTEND_BRAVE || ground) {
        // Each ground literal must hold: forbid its complement.
        for (const LITERAL &literal : *query) {
            if (!literalIsGround(literal)) continue;
            CONJUNCTION body;
            body.append(LITERAL(literal.atom, !literal.isNegated()));
            addGeneratedConstraint(std::move(body), true);
        }
        if (!ground) addQueryRule(highestVariable);
        return;
    }
    fputs("Non-ground queries are only supported with brave and cautious reasoning.\n", errorOutput());
    finish(1);
}

void translateObjectProgram() {
    // A fact that a descendant overrides would hold in the translation all the same: no answer
    // is better than a wrong one.
    if (objectsUsed && !translateObjects(objects)) finish(1);
}

void endParsing() {
    timers[TIMER_PARSING].stop();
    if (importStatements.empty() && exportStatements.empty()) return;
    FILE *err = errorOutput();
    fputs("This build of Quarn does not support ODBC.\n", err);
    if (!importStatements.empty()) fputs("Ignoring #import statements.\n", err);
    if (!exportStatements.empty()) fputs("Ignoring #export statements.\n", err);
    if (!optSilent) fputs("\n", err);
}
