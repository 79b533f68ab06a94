#include "grounding/ground_printer.h"

#include "core/printer.h"
#include "support/option_values.h"

namespace {

void printGroundLiterals(FILE *out, const GBODY &body) {
    for (size_t i = 0; i < body.literals.size(); i++) {
        if (i > 0) fputs_unlocked(", ", out);
        if (body.literals[i].negated) fputs_unlocked("not ", out);
        printGroundAtom(out, body.literals[i].atom);
    }
}

} // namespace

FILE *printGroundAtom(FILE *out, GATOM_ID atom) {
    ATOM_REF a = groundAtomTable[atom];
    if (optSatlike && !a.isAggregate()) return printUnsigned(out, uint32_t(atom));
    return printAtom(out, a);
}

FILE *printGroundRule(FILE *out, const GRULE &rule) {
    printSeparated(out, rule.head, " v ", printGroundAtom);
    if (rule.hasBody) {
        fputs_unlocked(" :- ", out);
        printGroundLiterals(out, rule.body);
    }
    putc_unlocked('.', out);
    return out;
}

FILE *printGroundRules(FILE *out, const std::vector<GRULE> &rules, const char *separator) {
    return printSeparated(out, rules, separator, printGroundRule);
}

FILE *printGroundConstraint(FILE *out, const GCONSTRAINT &constraint) {
    fputs_unlocked(":- ", out);
    printGroundLiterals(out, constraint.body);
    putc_unlocked('.', out);
    return out;
}

FILE *printGroundConstraints(FILE *out, const std::vector<GCONSTRAINT> &constraints,
                             const char *separator) {
    return printSeparated(out, constraints, separator, printGroundConstraint);
}

FILE *printGroundWeakConstraint(FILE *out, const GWEAKCONSTRAINT &constraint) {
    fputs_unlocked(":~ ", out);
    printGroundLiterals(out, constraint.body);
    fputs_unlocked(". ", out);
    return printWeightAndLevel(out, constraint.weight, constraint.level);
}

FILE *printGroundWeakConstraints(FILE *out, const std::vector<GWEAKCONSTRAINT> &constraints,
                                 const char *separator) {
    return printSeparated(out, constraints, separator, printGroundWeakConstraint);
}
