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
