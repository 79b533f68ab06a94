// Printers of terms, atoms, rules and atom sets, in the syntax of the rule language. Every
// subsystem prints through them: program dumps to standard output, rules quoted in messages to
// standard error. Output is compact and fixed to the character (no blanks inside atoms and terms,
// ", " between body literals, " v " between head atoms); no printer writes a line end of its own
// except `printFacts`. Each printer takes the stream first and returns it. The printers of the
// ground program are in grounding/ground_printer.h; an aggregate atom's function prints through
// core/aggregate_function.h.
//
// The printers write through C stdio without flushing; compound terms nested to any depth print
// with an explicit stack, which allocates only for terms nested deeper than 32.
#pragma once

#include <cstdio>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/atom.h"
#include "core/atom_sets.h"
#include "core/conjunction.h"
#include "core/rule.h"
#include "core/term.h"

FILE *printTerm(FILE *out, TERM term);
FILE *printComplexTerm(FILE *out, const COMPLEX_TERM &term);
FILE *printTermList(FILE *out, std::span<const TERM> terms, const char *separator);
FILE *printTerms(FILE *out, std::span<const TERM> terms);
FILE *printAtom(FILE *out, const ATOM &atom);
FILE *printAtom(FILE *out, const ATOM_VIEW &atom);
FILE *printAtom(FILE *out, const ATOM_REF &atom);
FILE *printLiterals(FILE *out, std::span<const LITERAL> literals);
FILE *printConjunction(FILE *out, const CONJUNCTION &conjunction);
FILE *printRule(FILE *out, const RULE &rule);
FILE *printRules(FILE *out, const std::vector<RULE> &rules, const char *separator);
FILE *printConstraint(FILE *out, const CONSTRAINT &constraint);
FILE *printConstraints(FILE *out, const std::vector<CONSTRAINT> &constraints, const char *separator);
FILE *printWeakConstraint(FILE *out, const WEAKCONSTRAINT &constraint);
FILE *printWeakConstraints(FILE *out, const std::vector<WEAKCONSTRAINT> &constraints,
                           const char *separator);

// The pieces below are shared with the ground printers: a rule, constraint or weak constraint
// prints alike whether ground or not; only the printers of its atoms and body differ.

// A number in unsigned decimal, without printf's format parsing.
FILE *printUnsigned(FILE *out, uint64_t value);
// "[weight:level]" of a weak constraint: the weight (stored times 1000) divided by 1000, the
// level as it is; a weight or level that is neither an integer nor a variable prints nothing.
FILE *printWeightAndLevel(FILE *out, TERM weight, TERM level);
// The items in order with the separator between two of them.
template <class LIST, class PRINT>
FILE *printSeparated(FILE *out, const LIST &items, const char *separator, PRINT print) {
    for (size_t i = 0; i < items.size(); i++) {
        if (i > 0) fputs_unlocked(separator, out);
        print(out, items[i]);
    }
    return out;
}

// Every atom, internal ones included, each followed by one blank.
FILE *printAtoms(FILE *out, const ATOM_SETS &atoms);
// Every atom as a fact on a line of its own.
FILE *printFacts(FILE *out, const ATOM_SETS &atoms);
// What an answer shows of the atoms of each predicate. Internal predicates never show; when
// names are given to -filter= (`names`) or -pfilter= (`positiveNames`), a predicate shows only
// when its name without a leading "-" is in `names`, or when its name has no leading "-" and is
// in `positiveNames`. With objects in use an atom prints without its first argument, the object,
// when the complementary predicate ("-p" for p, p for "-p") exists. Each predicate is decided
// once, when first asked about; a filter serves one answer, as the predicates do not change
// while it is printed.
class ATOM_FILTER {
public:
    ATOM_FILTER(const std::set<std::string> &names, const std::set<std::string> &positiveNames)
        : names(names), positiveNames(positiveNames) {}

    bool shows(uint32_t predicate) { return (verdict(predicate) & SHOWN) != 0; }
    // An atom of a predicate that shows, as an answer prints it.
    FILE *printShown(FILE *out, const ATOM &atom);
    FILE *printShown(FILE *out, const ATOM_REF &atom);

private:
    enum : uint8_t { UNKNOWN = 0, KNOWN = 1, SHOWN = 2, COMPLEMENT = 4 };
    const std::set<std::string> &names;
    const std::set<std::string> &positiveNames;
    std::vector<uint8_t> verdicts; // by predicate
    std::string nameBuffer;        // a name looked up in a set, without an allocation per lookup

    uint8_t verdict(uint32_t predicate);
    bool contains(const std::set<std::string> &set, std::string_view name);
    template <class ATOM_TYPE> FILE *printShownAtom(FILE *out, const ATOM_TYPE &atom);
};

// The atoms of the sets that the filter shows, ", " before each atom but the first, and before
// the first too when `alreadyPrinted`. Answers whether anything was printed before or now.
bool printAtomSet(const ATOM_SETS &atoms, FILE *out, bool alreadyPrinted, ATOM_FILTER &filter);
