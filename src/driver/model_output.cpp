#include "driver/model_output.h"

#include <string>
#include <vector>

#include "core/printer.h"
#include "core/program.h"
#include "driver/answer_text.h"
#include "driver/finish.h"
#include "driver/interrupts.h"
#include "grounding/ground_program.h"
#include "support/option_values.h"
#include "support/output_config.h"

namespace {

// The run's output state, named by the run sequence.
MODEL_OUTPUT *output = nullptr;

const OUTPUT_CONFIG DEFAULT_SETTINGS;

const OUTPUT_CONFIG &settings() { return output->settings ? *output->settings : DEFAULT_SETTINGS; }

const std::vector<GATOM_ID> &queryAtoms() {
    if (!output->queryAtomsFound) {
        output->queryAtomsFound = true;
        auto [predicate, exists] = predicateTable.find("#query");
        if (exists)
            for (uint32_t i = 0; i < groundAtomCount; ++i)
                if (groundAtomTable[static_cast<GATOM_ID>(i)].predicate == predicate)
                    output->queryAtomList.push_back(static_cast<GATOM_ID>(i));
    }
    return output->queryAtomList;
}

// The answers of a non-ground query start when first needed, whoever needs them first.
TRUTH_ASSIGNMENT &consequences(TRUTH_VALUE initial) {
    std::unique_ptr<TRUTH_ASSIGNMENT> &answers = output->queryConsequences;
    if (!answers) answers = std::make_unique<TRUTH_ASSIGNMENT>(groundAtomCount, 0u, initial);
    return *answers;
}

const ATOM_SETS *positivePart(const INTERPRETATION *trueAtoms) { return trueAtoms ? &trueAtoms->positive : nullptr; }

void printVerdict(const char *verdict, INTERPRETATION *trueAtoms, TRUTH_ASSIGNMENT *model) {
    if (query) printLiterals(stdout, query->literals);
    fputs(verdict, stdout);
    if (settings().optWitness) {
        fputs(", evidenced by ", stdout);
        printModel(stdout, positivePart(trueAtoms), model);
    } else {
        fputc('.', stdout);
    }
    fputc('\n', stdout);
}

// Each answer set is one piece of output: an interrupt that arrives while it is written waits
// until it is whole.
int writeAnswerSet(MODEL_GENERATOR *mg, INTERPRETATION *trueAtoms, TRUTH_ASSIGNMENT *model) {
    beginOutputPiece();
    int result = output->modeCallback(mg, trueAtoms, model);
    stopOnFailedOutput();
    endOutputPiece();
    return result;
}

void printCostLine(const TRUTH_ASSIGNMENT *model) {
    fputs("Cost ([Weight:Level]): ", stdout);
    if (model && model->levels() != 0)
        printCost(stdout, model->levelCosts);
    else
        fputs("<0>", stdout);
    fputc('\n', stdout);
}

}  // namespace

void useModelOutput(MODEL_OUTPUT *output_) { output = output_; }

MODEL_OUTPUT *modelOutputInUse() { return output; }

MODEL_CALLBACK startAnswerOutput(MODEL_CALLBACK callback, bool catchInterrupted) {
    if (!callback) return nullptr;
    output->modeCallback = callback;
    output->answerText.open(settings());
    if (!catchInterrupted) releaseInterrupts();
    return writeAnswerSet;
}

void stopAnswerOutput() {
    if (output) output->answerText.close();
    releaseInterrupts();
}

void resetModelOutput() {
    stopAnswerOutput();
    resetInterrupts();
    if (!output) return;
    output->queryConsequences.reset();
    output->queryAnswered = false;
    output->queryAtomList.clear();
    output->queryAtomsFound = false;
    output->openQueryAtoms.clear();
    output->modeCallback = nullptr;
}

void printModel(FILE *out, const ATOM_SETS *trueAtoms, const TRUTH_ASSIGNMENT *model) {
    output->answerText.print(out, trueAtoms, model, settings());
}

int modelCallback(MODEL_GENERATOR *mg, INTERPRETATION *trueAtoms, TRUTH_ASSIGNMENT *model) {
    if (!mg) {
        printModel(stdout, positivePart(trueAtoms), model);
        fputc('\n', stdout);
        return 1;
    }
    if (!optSilent && mg->printedAnswerSets() != 0) fputc('\n', stdout);
    bool weak = mg->weighsModels();
    if (weak) {
        if (mg->isOptimumKnown() && !mg->boundGiven())
            fputs("Best model: ", stdout);
        else if (mg->tracesImprovements())
            fputs(PROVISIONAL_MODEL_MARK, stdout);
    }
    printModel(stdout, positivePart(trueAtoms), model);
    fputc('\n', stdout);
    if (weak) printCostLine(model);
    return MODEL_SHOWN | MODEL_GO_ON;
}

void printProvisionalModel(MODEL_GENERATOR *mg, INTERPRETATION *trueAtoms, const TRUTH_ASSIGNMENT *model) {
    beginOutputPiece();
    if (!optSilent && mg->printedAnswerSets() != 0) fputc('\n', stdout);
    fputs(PROVISIONAL_MODEL_MARK, stdout);
    printModel(stdout, positivePart(trueAtoms), model);
    fputc('\n', stdout);
    printCostLine(model);
    endOutputPiece();
}

// Under -wctrace the search also reports the models that improve on the cost found so far; until
// the optimum is known they are not among the answer sets the query is asked over, so brave and
// cautious reasoning pass them by (with -costbound= every model reported is final).
static bool notYetOptimal(MODEL_GENERATOR *mg) {
    return mg && mg->weighsModels() && !mg->isOptimumKnown() && !mg->boundGiven();
}

int braveModelCallback(MODEL_GENERATOR *mg, INTERPRETATION *trueAtoms, TRUTH_ASSIGNMENT *model) {
    if (notYetOptimal(mg)) return 1;
    if (queryIsGround) {
        printVerdict(" is bravely true", trueAtoms, model);
        if (!optSilent) fputc('\n', stdout);
        output->queryAnswered = true;
        return MODEL_SHOWN;
    }
    TRUTH_ASSIGNMENT &answers = consequences(TRUTH_FALSE);
    if (!mg || !model) return 1;
    uint32_t n = static_cast<uint32_t>(std::min(model->values.size(), answers.values.size()));
    for (uint32_t i = 0; i < n; ++i)
        if (model->isTrue(static_cast<GATOM_ID>(i))) answers.setValue(static_cast<GATOM_ID>(i), TRUTH_TRUE);
    // Only an answer set with an answer not yet found can add to them: the search is told to
    // skip the others, and ends once every instance of the query is an answer.
    std::vector<GATOM_ID> &open = output->openQueryAtoms;
    open.clear();
    for (GATOM_ID atom : queryAtoms())
        if (!answers.isTrue(atom)) open.push_back(atom);
    if (open.empty()) return 0;
    mg->excludeAnswerSetsWhere(open, false);
    return 1;
}

int cautiousModelCallback(MODEL_GENERATOR *mg, INTERPRETATION *trueAtoms, TRUTH_ASSIGNMENT *model) {
    if (notYetOptimal(mg)) return 1;
    if (queryIsGround) {
        printVerdict(" is cautiously false", trueAtoms, model);
        output->queryAnswered = true;
        return MODEL_SHOWN;
    }
    if (!mg || !model) {
        consequences(TRUTH_FALSE);
        return 1;
    }
    TRUTH_ASSIGNMENT &answers = consequences(TRUTH_TRUE);
    std::vector<GATOM_ID> &remaining = output->openQueryAtoms;
    remaining.clear();
    for (GATOM_ID atom : queryAtoms()) {
        if (static_cast<size_t>(atom) >= model->values.size()) continue;
        if (model->isTrue(atom)) {
            if (answers.isTrue(atom)) remaining.push_back(atom);
        } else {
            answers.setValue(atom, TRUTH_FALSE);
        }
    }
    if (remaining.empty()) return 0;
    // Only an answer set that misses a remaining answer can take from them: the search is told
    // to skip the others.
    mg->excludeAnswerSetsWhere(remaining, true);
    return 1;
}

void printQueryAnswers(FILE *out, const TRUTH_ASSIGNMENT *answers) {
    auto printAnswer = [out](const ATOM_REF &atom) {
        printTermList(out, atom.args(), ", ");
        fputc('\n', out);
    };
    auto [predicate, exists] = predicateTable.find("#query");
    if (!exists) return;
    for (ATOM_REF atom : I.positive.atomsOf(predicate)) printAnswer(atom);
    if (!answers) return;
    uint32_t n = static_cast<uint32_t>(answers->values.size());
    for (uint32_t i = 0; i < n && i < groundAtomTable.size(); ++i) {
        ATOM_REF atom = groundAtomTable[static_cast<GATOM_ID>(i)];
        if (atom.predicate == predicate && answers->isTrue(static_cast<GATOM_ID>(i))) printAnswer(atom);
    }
}
