// Run sequence: preparing the program that was read (objects, program shape, front-end set-up,
// strong negation, the query, the end of parsing).
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "core/aggregate_atom.h"
#include "core/aggregate_function.h"
#include "core/program.h"
#include "driver/model_output.h"
#include "driver/run.h"
#include "frontends/diagnosis.h"
#include "frontends/planning.h"
#include "frontends/sql.h"
#include "input/parser.h"
#include "rewriting/objects.h"
#include "support/diagnostics.h"
#include "support/option_values.h"
#include "support/timer.h"

void (*afterParsingHook)() = nullptr;
void (*beforeModelGenerationHook)() = nullptr;

namespace {

TERMS variablesUpTo(uint32_t count) {
    TERMS args;
    args.reserve(count);
    for (uint32_t v = 0; v < count; ++v) args.push_back(makeVariableTerm(v));
    return args;
}

void addTermVariables(TERM t, TERM_SET &variables) {
    if (t.isVariable())
        variables.insert(t);
    else if (t.isComplex())
        complexTerm(t).collectVariables(variables);
}

// The variables whose values an answer of the query gives: every variable of an ordinary or
// built-in literal and the guards of an aggregate. A variable of an aggregate's set that occurs
// nowhere else belongs to the aggregate alone, like the aggregated-over ones.
TERM_SET answerVariables(const CONJUNCTION &conjunction) {
    TERM_SET variables;
    for (const LITERAL &literal : conjunction) {
        if (const AGGREGATE_ATOM *aggregate = literal.atom.aggregate()) {
            addTermVariables(aggregate->lowerGuard, variables);
            addTermVariables(aggregate->upperGuard, variables);
        } else {
            for (TERM t : literal.atom.args()) addTermVariables(t, variables);
        }
    }
    return variables;
}

// A literal is ground when it has no answer variable: an aggregate has no arguments of its own,
// but a variable guard or a variable that its set shares with the rest of the query makes it
// non-ground.
bool literalIsGround(const LITERAL &literal, const TERM_SET &answers) {
    const AGGREGATE_ATOM *aggregate = literal.atom.aggregate();
    if (!aggregate) return termsAreGround(literal.atom.args());
    if (aggregate->lowerGuard.isVariable() || aggregate->upperGuard.isVariable()) return false;
    TERM_SET inSet;
    for (const LITERAL &element : aggregate->getFunction()->conjunction)
        for (TERM t : element.atom.args()) addTermVariables(t, inSet);
    for (TERM t : inSet)
        if (answers.count(t)) return false;
    return true;
}

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
// The head's arguments are the answer variables in the order of their numbers, the order of
// their first occurrence in the query. A number that no literal of the query holds any more
// (a variable of an aggregate's set, which the set's rewriting may have moved out of the query)
// has no value to give.
void addQueryRule(const TERM_SET &answers) {
    TERMS args;
    for (TERM v : answers) args.push_back(v);
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
        if (const char *refusal = setupDiagnosis(IDB, constraints, weakConstraints, hypotheses, observations)) {
            // At once, as the translation refuses: no statistics, no wait.
            fprintf(errorOutput(), "%s\n", refusal);
            exit(1);
        }
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

namespace {

// Defined by a fact or a rule head (a predicate seen only in bodies keeps the undefined kind).
bool isDefinedPredicate(std::string_view name) {
    auto [p, found] = predicateTable.find(name);
    return found && predicateTable.kind(p) != PREDICATE_UNDEFINED;
}

void warnAboutFilter(const char *option, const std::set<std::string> &names) {
    for (const std::string &name : names)
        if (!name.empty() && !isDefinedPredicate(name))
            fprintf(errorOutput(), "Warning: predicate %s of %s occurs in no rule head and no fact.\n",
                    name.c_str(), option);
}

}  // namespace

void warnAboutUndefinedPredicates(const RUN &run) {
    warnAboutFilter("-filter=", run.options.output.optFilter);
    warnAboutFilter("-pfilter=", run.options.output.optPFilter);
    if (!query) return;
    for (const LITERAL &literal : *query) {
        uint32_t p = literal.atom.predicate;
        if (literal.atom.isAggregate() || predicateTable.kind(p) != PREDICATE_UNDEFINED) continue;
        fprintf(errorOutput(), "Warning: predicate %s/%u of the query occurs in no rule head and no fact.\n",
                predicateTable.name(p), predicateTable.arity(p));
    }
}

void setUpQuery() {
    if (!query) {
        if (frontEndMode == FRONTEND_BRAVE || frontEndMode == FRONTEND_CAUTIOUS) {
            fputs("No query supplied. Cannot continue.\n", errorOutput());
            finish(1);
        }
        return;
    }
    TERM_SET answers = answerVariables(*query);
    bool ground = true;
    for (const LITERAL &literal : *query)
        if (!literalIsGround(literal, answers)) ground = false;
    if (!ground) queryIsGround = false;

    if (frontEndMode == FRONTEND_CAUTIOUS) {
        // A ground query is cautiously true when no answer set violates it: forbid it.
        if (ground)
            addGeneratedConstraint(CONJUNCTION(*query), true);
        else
            addQueryRule(answers);
        return;
    }
    if (frontEndMode == FRONTEND_BRAVE || ground) {
        // Each ground literal must hold: forbid its complement.
        for (const LITERAL &literal : *query) {
            if (!literalIsGround(literal, answers)) continue;
            CONJUNCTION body;
            body.append(LITERAL(literal.atom, !literal.isNegated()));
            addGeneratedConstraint(std::move(body), true);
        }
        if (!ground) addQueryRule(answers);
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
