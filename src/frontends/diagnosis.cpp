// The diagnosis files' statement actions, the tables they fill, and the printing of diagnoses.
#include "frontends/diagnosis.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "core/gatom_table.h"
#include "core/printer.h"
#include "core/program.h"
#include "grounding/ground_program.h"
#include "input/parser.h"
#include "support/diagnostics.h"
#include "support/option_values.h"

bool readingObservations = false;
std::vector<HYPOTHESIS> hypotheses;
std::vector<LITERAL> observations;

// The generated scanner's own teardown.
int diagyylex_destroy();

void resetDiagnosis() {
    diagyylex_destroy();
    readingObservations = false;
    hypotheses.clear();
    observations.clear();
}

void moveFactsToRules(const ATOM &atom) {
    if (atom.predicate >= EDB.predicateCount()) return;
    for (ATOM &fact : EDB.takeAll(atom.predicate)) {
        std::vector<ATOM> head{std::move(fact)};
        IDB.emplace_back(std::move(head));
    }
}

ATOM makeDiagnosisAtom(const char *name, const TERMS *arguments) {
    ATOM atom(name, arguments, PREDICATE_UNDEFINED);
    PREDICATE_KIND before = predicateTable.kind(atom.predicate);
    predicateTable.setKind(atom.predicate, PREDICATE_IDB);
    if (before != PREDICATE_IDB && before != PREDICATE_UNDEFINED) moveFactsToRules(atom);
    return atom;
}

TERM makeDiagnosisNumberTerm(const char *digits) {
    // At most nine digits (the scanner refuses longer numbers), so the value fits.
    int32_t value = int32_t(strtoul(digits, nullptr, 10));
    if (value > maxInputInteger) maxInputInteger = value;
    return makeIntegerTerm(value);
}

namespace {

// Ends the run at once: hypotheses that the selected diagnosis cannot weigh.
[[noreturn]] void refuseHypothesis(const char *message) {
    parseError(message);
    exit(1);
}

}  // namespace

void addDiagnosisStatement(LITERAL &literal, const char *weight) {
    if (readingObservations) {
        if (weight) {
            parseError("Weights are not allowed in observations");
            parserErrors++;
            return;
        }
        observations.push_back(std::move(literal));
        return;
    }
    if (!weight) {
        if (frontEndSubMode == DIAGNOSIS_MIN_COST) refuseHypothesis("-FDmincost selected but unweighted hypothesis encountered.");
        // A negation written before a hypothesis is dropped.
        hypotheses.push_back(HYPOTHESIS{std::move(literal.atom), 0});
        return;
    }
    if (frontEndSubMode != DIAGNOSIS_MIN_COST) refuseHypothesis("-FD selected but weighted hypothesis encountered. ");
    // At most nine digits; a weight whose cost does not fit a weak-constraint weight is refused
    // rather than wrapped.
    unsigned long value = strtoul(weight, nullptr, 10);
    if (value > MAX_HYPOTHESIS_WEIGHT) {
        parseError("Hypothesis weight " + std::string(weight) + " is too large (at most " +
                   std::to_string(MAX_HYPOTHESIS_WEIGHT) + ")");
        parserErrors++;
        return;
    }
    hypotheses.push_back(HYPOTHESIS{std::move(literal.atom), uint32_t(value)});
}

namespace {

// Writes the hypothesis that an atom of "_sol" names. Its argument is the hypothesis number as a
// constant; anything else can only come from a theory that uses "_sol" itself, and is written as
// the atom it is.
void printChosenHypothesis(const ATOM &sol) {
    fputc(' ', stdout);
    if (sol.argCount() == 1 && sol.arg(0).isConstant()) {
        const char *name = constantName(sol.arg(0));
        char *end = nullptr;
        unsigned long k = strtoul(name, &end, 10);
        if (name[0] >= '1' && name[0] <= '9' && *end == '\0' && k <= hypotheses.size()) {
            printAtom(stdout, hypotheses[k - 1].atom);
            return;
        }
    }
    printAtom(stdout, sol);
}

}  // namespace

int diagnosisModelCallback(MODEL_GENERATOR *generator, INTERPRETATION *trueAtoms, TRUTH_ASSIGNMENT *model) {
    // Under -wctrace the search of -FDmincost reports diagnoses before their cost is known to be
    // least: they are marked and not counted against -n=, as the ordinary answer output does.
    bool provisional = generator && !generator->isOptimumKnown();
    if (provisional) fputs(PROVISIONAL_MODEL_MARK, stdout);
    fputs("Diagnosis:", stdout);
    // No "_sol" predicate: the translation added no hypothesis, and none can be chosen.
    auto [solution, exists] = predicateTable.find("_sol");
    // First the hypotheses that grounding proved chosen, then those the search chose.
    if (exists && trueAtoms)
        for (ATOM_REF atom : trueAtoms->positive.atomsOf(solution)) printChosenHypothesis(atom.atom());
    if (exists && model) {
        uint32_t n = groundAtomCount;
        if (n > model->values.size()) n = uint32_t(model->values.size());
        for (uint32_t i = 0; i < n; ++i) {
            if (!model->isTrue(int32_t(i))) continue;
            ATOM_REF atom = groundAtomTable[static_cast<GATOM_ID>(i)];
            if (atom.predicate == solution) printChosenHypothesis(atom.atom());
        }
    }
    fputc('\n', stdout);
    fflush(stdout);
    if (!optSilent) {
        fputc('\n', stdout);
        fflush(stdout);
    }
    return MODEL_SHOWN | MODEL_GO_ON;
}
