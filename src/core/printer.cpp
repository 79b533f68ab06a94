#include "core/printer.h"

#include <cstring>
#include <string>

#include "core/aggregate_function.h"
#include "core/program.h"
#include "support/small_stack.h"

namespace {

void put(FILE *out, const char *text) { fputs_unlocked(text, out); }
void put(FILE *out, std::string_view text) { fwrite_unlocked(text.data(), 1, text.size(), out); }
void put(FILE *out, char c) { putc_unlocked(c, out); }

// Decimal digits without printf's format parsing: printing numbers is most of the work of a
// large dump.
void putUnsigned(FILE *out, uint64_t value) {
    char buffer[24];
    char *end = buffer + sizeof buffer, *p = end;
    do {
        *--p = char('0' + value % 10);
        value /= 10;
    } while (value != 0);
    fwrite_unlocked(p, 1, size_t(end - p), out);
}

void putSigned(FILE *out, int64_t value) {
    if (value < 0) {
        put(out, '-');
        putUnsigned(out, uint64_t(0) - uint64_t(value));
    } else {
        putUnsigned(out, uint64_t(value));
    }
}

// A term that is not compound.
void putSimpleTerm(FILE *out, TERM t) {
    switch (t.kind) {
    case TERM_VARIABLE:
        put(out, variablePrefix);
        putUnsigned(out, t.value);
        break;
    case TERM_CONSTANT:
        put(out, constantTable.view(t.value));
        break;
    case TERM_INTEGER:
        putSigned(out, integerTable[t.value]);
        break;
    case TERM_NULL:
        put(out, "NullConst");
        break;
    case TERM_COMPLEX:
        break;
    }
}

void putOpening(FILE *out, const COMPLEX_TERM &term) {
    if (term.isFunction()) {
        put(out, functionSymbolTable.view(term.functor));
        put(out, '(');
    } else {
        put(out, '[');
    }
}

// Compound terms print with an explicit stack of (term, next argument).
struct FRAME {
    const COMPLEX_TERM *term;
    uint32_t next;
};

void putComplex(FILE *out, const COMPLEX_TERM &root) {
    SMALL_STACK<FRAME, 32> termStack;
    putOpening(out, root);
    termStack.push_back({&root, 0});
    while (!termStack.empty()) {
        FRAME &top = termStack.back();
        const COMPLEX_TERM &term = *top.term;
        if (top.next == term.argCount) {
            put(out, term.isFunction() ? ')' : ']');
            termStack.pop_back();
            continue;
        }
        uint32_t i = top.next++;
        // A list with a tail has exactly the head and the tail: [H|T].
        if (i > 0) put(out, term.hasTail() ? '|' : ',');
        TERM t = term.argData[i];
        if (t.kind == TERM_COMPLEX) {
            const COMPLEX_TERM &inner = complexTermTable[t.value];
            putOpening(out, inner);
            termStack.push_back({&inner, 0}); // `top` is not used after this
        } else {
            putSimpleTerm(out, t);
        }
    }
}

// A guard, weight or level prints only when it is a variable or an integer.
void putGuard(FILE *out, TERM t) {
    if (t.kind == TERM_VARIABLE || t.kind == TERM_INTEGER) putSimpleTerm(out, t);
}

// Weights are stored times 1000; the printers show the whole part only.
void putWeight(FILE *out, TERM weight) {
    if (weight.kind == TERM_INTEGER)
        putUnsigned(out, uint32_t(integerTable[weight.value]) / 1000u);
    else
        putGuard(out, weight);
}

void putAggregate(FILE *out, const AGGREGATE_ATOM &aggregate) {
    putGuard(out, aggregate.lowerGuard);
    put(out, aggregate.lowerInclusive ? " <= " : " < ");
    if (const AGGREGATEFUNCTION *function = aggregate.getFunction())
        printAggregateFunction(out, *function);
    put(out, aggregate.upperInclusive ? " <= " : " < ");
    putGuard(out, aggregate.upperGuard);
}

} // namespace

FILE *printTerm(FILE *out, TERM term) {
    if (term.kind == TERM_COMPLEX)
        putComplex(out, complexTermTable[term.value]);
    else
        putSimpleTerm(out, term);
    return out;
}

FILE *printComplexTerm(FILE *out, const COMPLEX_TERM &term) {
    putComplex(out, term);
    return out;
}

FILE *printTermList(FILE *out, std::span<const TERM> terms, const char *separator) {
    for (size_t i = 0; i < terms.size(); i++) {
        if (i > 0) put(out, separator);
        printTerm(out, terms[i]);
    }
    return out;
}

FILE *printTerms(FILE *out, std::span<const TERM> terms) { return printTermList(out, terms, ","); }

FILE *printAtom(FILE *out, const ATOM &atom) {
    if (const AGGREGATE_ATOM *aggregate = atom.aggregate()) {
        putAggregate(out, *aggregate);
        return out;
    }
    return printAtom(out, ATOM_VIEW{atom.predicate, atom.args()});
}

FILE *printAtom(FILE *out, const ATOM_VIEW &atom) {
    put(out, predicateTable.nameView(atom.predicate));
    if (!atom.args.empty()) {
        put(out, '(');
        printTerms(out, atom.args);
        put(out, ')');
    }
    return out;
}

FILE *printAtom(FILE *out, const ATOM_REF &atom) {
    if (atom.general) return printAtom(out, *atom.general);
    return printAtom(out, atom.view());
}

FILE *printLiterals(FILE *out, std::span<const LITERAL> literals) {
    for (size_t i = 0; i < literals.size(); i++) {
        if (i > 0) put(out, ", ");
        if (literals[i].negated) put(out, "not ");
        printAtom(out, literals[i].atom);
    }
    return out;
}

FILE *printConjunction(FILE *out, const CONJUNCTION &conjunction) {
    return printLiterals(out, conjunction.literals);
}

FILE *printRule(FILE *out, const RULE &rule) {
    printSeparated(out, rule.head, " v ", [](FILE *f, const ATOM &a) { return printAtom(f, a); });
    if (rule.body) {
        put(out, " :- ");
        printConjunction(out, *rule.body);
    }
    put(out, '.');
    return out;
}

FILE *printRules(FILE *out, const std::vector<RULE> &rules, const char *separator) {
    return printSeparated(out, rules, separator, printRule);
}

FILE *printConstraint(FILE *out, const CONSTRAINT &constraint) {
    put(out, ":- ");
    printConjunction(out, constraint.body);
    put(out, '.');
    return out;
}

FILE *printConstraints(FILE *out, const std::vector<CONSTRAINT> &constraints, const char *separator) {
    return printSeparated(out, constraints, separator, printConstraint);
}

FILE *printWeakConstraint(FILE *out, const WEAKCONSTRAINT &constraint) {
    put(out, ":~ ");
    printConjunction(out, constraint.body);
    put(out, ". ");
    return printWeightAndLevel(out, constraint.weight, constraint.level);
}

FILE *printWeakConstraints(FILE *out, const std::vector<WEAKCONSTRAINT> &constraints,
                           const char *separator) {
    return printSeparated(out, constraints, separator, printWeakConstraint);
}

FILE *printUnsigned(FILE *out, uint64_t value) {
    putUnsigned(out, value);
    return out;
}

FILE *printWeightAndLevel(FILE *out, TERM weight, TERM level) {
    put(out, '[');
    putWeight(out, weight);
    put(out, ':');
    putGuard(out, level);
    put(out, ']');
    return out;
}

FILE *printAtoms(FILE *out, const ATOM_SETS &atoms) {
    for (const ATOM_SET &set : atoms)
        for (ATOM_REF atom : set) {
            printAtom(out, atom);
            put(out, ' ');
        }
    return out;
}

// Facts are not flushed one by one: standard output is flushed before anything goes to
// standard error and at exit, which keeps the two streams in order.
FILE *printFacts(FILE *out, const ATOM_SETS &atoms) {
    for (const ATOM_SET &set : atoms)
        for (ATOM_REF atom : set) {
            printAtom(out, atom);
            put(out, ".\n");
        }
    return out;
}

uint8_t ATOM_FILTER::verdict(uint32_t predicate) {
    if (predicate >= verdicts.size()) verdicts.resize(size_t(predicate) + 1, UNKNOWN);
    uint8_t &v = verdicts[predicate];
    if (v != UNKNOWN) return v;
    v = KNOWN;
    std::string_view name = predicateTable.nameView(predicate);
    bool negative = !name.empty() && name[0] == '-';
    bool shown = !predicateTable.isInternal(predicate);
    if (shown && (!names.empty() || !positiveNames.empty()))
        shown = contains(names, negative ? name.substr(1) : name) || (!negative && contains(positiveNames, name));
    if (shown) v |= SHOWN;
    if (objectsUsed) {
        if (negative) {
            nameBuffer.assign(name.substr(1));
        } else {
            nameBuffer.assign(1, '-');
            nameBuffer.append(name);
        }
        if (predicateTable.find(nameBuffer).second) v |= COMPLEMENT;
    }
    return v;
}

bool ATOM_FILTER::contains(const std::set<std::string> &set, std::string_view name) {
    nameBuffer.assign(name);
    return set.count(nameBuffer) != 0;
}

template <class ATOM_TYPE> FILE *ATOM_FILTER::printShownAtom(FILE *out, const ATOM_TYPE &atom) {
    if (!objectsUsed) return printAtom(out, atom);
    put(out, predicateTable.nameView(atom.predicate));
    std::span<const TERM> args = atom.args();
    if ((verdict(atom.predicate) & COMPLEMENT) && !args.empty()) args = args.subspan(1);
    if (!args.empty()) {
        put(out, '(');
        printTerms(out, args);
        put(out, ')');
    }
    return out;
}

FILE *ATOM_FILTER::printShown(FILE *out, const ATOM &atom) { return printShownAtom(out, atom); }

FILE *ATOM_FILTER::printShown(FILE *out, const ATOM_REF &atom) { return printShownAtom(out, atom); }

bool printAtomSet(const ATOM_SETS &atoms, FILE *out, bool alreadyPrinted, ATOM_FILTER &filter) {
    bool printed = alreadyPrinted;
    for (uint32_t p = 0; p < atoms.predicateCount(); p++) {
        const ATOM_SET &set = atoms[p];
        if (set.empty() || !filter.shows(p)) continue;
        for (ATOM_REF atom : set) {
            if (printed) put(out, ", ");
            printed = true;
            filter.printShown(out, atom);
        }
    }
    return printed;
}
