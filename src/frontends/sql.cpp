// The answer tables of the SQL3 front-end.
#include "frontends/sql.h"

#include <cstring>

#include "core/gatom_table.h"
#include "core/printer.h"
#include "core/program.h"
#include "grounding/ground_program.h"

namespace {

bool isAnswerPredicate(uint32_t p) {
    return !sqlAnswerPredicate.empty() && p < predicateTable.size() && predicateTable.nameView(p) == sqlAnswerPredicate;
}

void printSqlRow(const ATOM &atom) {
    for (TERM t : atom.args()) {
        printTerm(stdout, t);
        bool wide = t.isInteger() || (t.isConstant() && strlen(constantName(t)) <= 7);
        fputs(wide ? "\t\t" : "\t", stdout);
    }
    fputc('\n', stdout);
}

}  // namespace

void printSqlAnswers(const ATOM_SETS &trueAtoms) {
    for (uint32_t p = 0; p < trueAtoms.predicateCount(); ++p)
        if (isAnswerPredicate(p))
            for (ATOM_REF atom : trueAtoms[p]) printSqlRow(atom.atom());
}

int sqlModelCallback(MODEL_GENERATOR *generator, INTERPRETATION *trueAtoms, TRUTH_ASSIGNMENT *model) {
    ORDERED_ATOMS rows;
    if (trueAtoms)
        for (uint32_t p = 0; p < trueAtoms->positive.predicateCount(); ++p)
            if (isAnswerPredicate(p))
                for (ATOM_REF atom : trueAtoms->positive[p]) rows.insert(atom.atom());
    if (model) {
        uint32_t n = groundAtomCount;
        if (n > model->values.size()) n = uint32_t(model->values.size());
        for (uint32_t i = 0; i < n; ++i) {
            if (!model->isTrue(int32_t(i))) continue;
            ATOM_REF atom = groundAtomTable[static_cast<GATOM_ID>(i)];
            if (isAnswerPredicate(atom.predicate)) rows.insert(atom.atom());
        }
    }
    if (generator && generator->printedAnswerSets() > 0) fputc('\n', stdout);
    for (const ATOM &atom : rows) printSqlRow(atom);
    fflush(stdout);
    if (generator) {
        generator->countPrintedAnswerSet();
    }
    return 1;
}
