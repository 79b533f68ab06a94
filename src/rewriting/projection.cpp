#include "rewriting/projection.h"

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "analysis/aggregate_access.h"
#include "core/aggregate_function.h"
#include "core/program.h"
#include "core/variable_span.h"

namespace {

bool isBuiltinLiteral(const LITERAL &literal) {
    return predicateTable.kind(literal.atom.predicate) == PREDICATE_BUILTIN;
}

// Per-body work tables. Row r of `occurrence` holds, per variable, the 1-based position of its
// last occurrence in the r-th positive ordinary literal (or built-in), 0 when absent.
struct BODY_TABLES {
    uint32_t variables = 0;
    std::vector<uint32_t> occurrence;  // rows x variables
    std::vector<uint8_t> done;         // per row
    std::vector<uint32_t> count;       // per variable; 2 when pinned
    std::vector<int32_t> rowOfLiteral; // per body literal, its row or -1
    std::vector<bool> isBuiltinRow;    // per row

    uint32_t &at(uint32_t row, uint32_t variable) { return occurrence[size_t(row) * variables + variable]; }
    void pin(TERM t) {
        if (t.isVariable() && t.value < variables) count[t.value] = 2;
    }
    bool projectable(uint32_t variable) const { return count[variable] == 1; }
};

bool hasComplexArgument(const ATOM &atom) {
    for (TERM t : atom.args())
        if (t.isComplex()) return true;
    return false;
}

void appendConstantText(std::string &name, uint32_t position, TERM t) {
    name += ",[";
    name += std::to_string(position);
    name += '=';
    if (t.isInteger()) {
        name += "int[";
        name += std::to_string(integerValue(t));
        name += ']';
    } else {
        name += constantName(t);
    }
    name += ']';
}

// The text of an absorbed built-in: its variables by their last position in the literal's row.
void appendBuiltinText(std::string &name, const LITERAL &builtin, BODY_TABLES &tables, uint32_t row) {
    if (builtin.isNegated()) name += '_';
    name += predicateTable.nameView(builtin.atom.predicate);
    std::span<const TERM> args = builtin.atom.args();
    for (uint32_t k = 0; k < args.size(); ++k) {
        if (args[k].isVariable()) {
            name += ',';
            name += std::to_string(tables.at(row, args[k].value));
        } else {
            appendConstantText(name, k + 1, args[k]);
        }
    }
}

// Whether every variable of the built-in occurs in the literal of the row.
bool builtinFits(const LITERAL &builtin, BODY_TABLES &tables, uint32_t row) {
    for (TERM t : builtin.atom.args())
        if (t.isVariable() && tables.at(row, t.value) == 0) return false;
    return true;
}

struct AUXILIARY {
    std::string name;
    TERMS args;
    uint32_t literal;                // the projected literal's position in the body
    std::vector<uint32_t> builtins;  // the absorbed built-ins' positions in the body
};

// The descriptions of constants and repeated variables of the literal (phase 1 also describes
// its projectable variables and collects its kept variables).
void describeArguments(std::string &name, const ATOM &atom, const BODY_TABLES &tables, bool projecting,
                       TERMS *kept) {
    std::vector<std::pair<uint32_t, uint32_t>> previous;  // (variable, position) seen so far
    std::span<const TERM> args = atom.args();
    for (uint32_t k = 0; k < args.size(); ++k) {
        const uint32_t position = k + 1;
        TERM t = args[k];
        if (!t.isVariable()) {
            appendConstantText(name, position, t);
            continue;
        }
        uint32_t before = 0;
        for (auto &[variable, at] : previous)
            if (variable == t.value) {
                before = at;
                at = position;
                break;
            }
        if (before == 0) previous.emplace_back(t.value, position);
        if (projecting && tables.projectable(t.value)) {
            name += ',';
            name += std::to_string(position);
            if (before != 0) {
                name += '=';
                name += std::to_string(before);
            }
            continue;
        }
        if (before != 0) {
            name += ",[";
            name += std::to_string(position);
            name += '=';
            name += std::to_string(before);
            name += ']';
        }
        if (kept) kept->push_back(t);
    }
}

// The number of variable slots the statement needs (highest variable number plus one); none when
// a literal or the head has a compound argument, which projection leaves alone.
std::optional<uint32_t> variableSlots(const CONJUNCTION &body, const std::vector<ATOM> *head) {
    VARIABLE_SPAN span;
    if (head)
        for (const ATOM &a : *head) {
            if (hasComplexArgument(a)) return std::nullopt;
            span.atom(a);
        }
    for (const LITERAL &literal : body) {
        const ATOM &a = literal.atom;
        if (hasComplexArgument(a)) return std::nullopt;
        if (a.isAggregate())
            if (const LITERAL *set = aggregateSetLiteral(a))
                if (hasComplexArgument(set->atom)) return std::nullopt;
        span.atom(a);
    }
    return span.size;
}

// The work tables of a body: a row per positive ordinary literal and per built-in, the positions
// of the variables in each row, and per variable whether it occurs once only. A variable of the
// head, of a negated literal, of a built-in or of an aggregate is pinned: it is never projected.
BODY_TABLES makeTables(const CONJUNCTION &body, const std::vector<ATOM> *head, uint32_t variables) {
    BODY_TABLES tables;
    tables.variables = variables;
    tables.count.assign(tables.variables, 0);
    tables.rowOfLiteral.assign(body.size(), -1);
    uint32_t rows = 0;
    for (uint32_t i = 0; i < body.size(); ++i) {
        const LITERAL &literal = body[i];
        if (isBuiltinLiteral(literal) || (!literal.isNegated())) {
            tables.rowOfLiteral[i] = int32_t(rows++);
            tables.isBuiltinRow.push_back(isBuiltinLiteral(literal));
        }
    }
    tables.occurrence.assign(size_t(rows) * tables.variables, 0);
    tables.done.assign(rows, 0);

    if (head)
        for (const ATOM &a : *head)
            for (TERM t : a.args()) tables.pin(t);
    for (uint32_t i = 0; i < body.size(); ++i) {
        const LITERAL &literal = body[i];
        const ATOM &a = literal.atom;
        if (const AGGREGATE_ATOM *aggregate = a.aggregate()) {
            // Everything an aggregate mentions stays as it is.
            tables.pin(aggregate->lowerGuard);
            tables.pin(aggregate->upperGuard);
            if (const AGGREGATEFUNCTION *function = aggregate->getFunction()) {
                for (TERM t : function->terms) tables.pin(t);
                for (const LITERAL &l : function->conjunction)
                    for (TERM t : l.atom.args()) tables.pin(t);
            }
            continue;
        }
        std::span<const TERM> args = a.args();
        int32_t row = tables.rowOfLiteral[i];
        if (row >= 0)
            for (uint32_t k = 0; k < args.size(); ++k)
                if (args[k].isVariable()) tables.at(uint32_t(row), args[k].value) = k + 1;
        if (isBuiltinLiteral(literal) || literal.isNegated()) {
            for (TERM t : args) tables.pin(t);
            continue;
        }
        for (uint32_t v = 0; v < tables.variables; ++v)
            if (tables.at(uint32_t(row), v) != 0 && tables.count[v] < 2) ++tables.count[v];
    }
    return tables;
}

// Adds to the auxiliary of the literal in `row` every built-in of the body whose variables all
// occur in that literal, with its text in the auxiliary's name.
void absorbBuiltins(AUXILIARY &aux, const CONJUNCTION &body, BODY_TABLES &tables, uint32_t row, const ATOM &atom,
                    bool repeatDescriptions) {
    for (uint32_t b = 0; b < body.size(); ++b) {
        if (!isBuiltinLiteral(body[b]) || !builtinFits(body[b], tables, row)) continue;
        if (repeatDescriptions) describeArguments(aux.name, atom, tables, false, nullptr);
        appendBuiltinText(aux.name, body[b], tables, row);
        aux.builtins.push_back(b);
    }
}

// The positive literals with a variable that occurs nowhere else become auxiliaries over their
// other variables, with the built-ins they bind.
void projectLonelyVariables(const CONJUNCTION &body, BODY_TABLES &tables, std::vector<AUXILIARY> &made) {
    for (uint32_t v = 0; v < tables.variables; ++v) {
        if (!tables.projectable(v)) continue;
        for (uint32_t i = 0; i < body.firstNegative; ++i) {
            int32_t row = tables.rowOfLiteral[i];
            if (row < 0 || tables.isBuiltinRow[size_t(row)] || tables.done[size_t(row)]) continue;
            if (tables.at(uint32_t(row), v) == 0) continue;
            const ATOM &atom = body[i].atom;
            AUXILIARY aux;
            aux.literal = i;
            aux.name = "\"_";
            aux.name += predicateTable.nameView(atom.predicate);
            describeArguments(aux.name, atom, tables, true, &aux.args);
            absorbBuiltins(aux, body, tables, uint32_t(row), atom, false);
            aux.name += '"';
            tables.done[size_t(row)] = 1;
            made.push_back(std::move(aux));
        }
    }
}

// Every other positive literal that binds all variables of a built-in becomes an auxiliary over
// all its arguments that absorbs those built-ins.
void absorbBuiltinsIntoBinders(const CONJUNCTION &body, BODY_TABLES &tables, std::vector<AUXILIARY> &made) {
    for (uint32_t i = 0; i < body.firstNegative; ++i) {
        int32_t row = tables.rowOfLiteral[i];
        const ATOM &atom = body[i].atom;
        if (row < 0 || tables.isBuiltinRow[size_t(row)] || tables.done[size_t(row)]) continue;
        if (atom.isAggregate() || atom.argCount() == 0) continue;
        AUXILIARY aux;
        aux.literal = i;
        aux.name = "\"_";
        aux.name += predicateTable.nameView(atom.predicate);
        absorbBuiltins(aux, body, tables, uint32_t(row), atom, true);
        if (aux.builtins.empty()) continue;
        aux.name += '"';
        aux.args = TERMS(atom.args());
        tables.done[size_t(row)] = 1;
        made.push_back(std::move(aux));
    }
}

// The body with each projected literal and its absorbed built-ins replaced by the auxiliary's
// atom, the auxiliaries first; the defining rule of an auxiliary predicate not seen before goes
// to `definitions`.
void replaceByAuxiliaries(CONJUNCTION &body, BODY_TABLES &tables, std::vector<AUXILIARY> &made,
                          std::vector<RULE> &definitions) {
    std::vector<uint8_t> builtinAbsorbed(body.size(), 0);
    CONJUNCTION rewritten;
    for (AUXILIARY &aux : made) {
        auto [index, found] = predicateTable.find(aux.name);
        if (found && predicateTable.arity(index) != aux.args.size()) {
            // Never expected (equal names describe equal projections); keep the literal.
            tables.done[size_t(tables.rowOfLiteral[aux.literal])] = 0;
            continue;
        }
        ATOM atom(aux.name.c_str(), std::span<const TERM>(aux.args), PREDICATE_IDB);
        if (!found) {
            CONJUNCTION definition;
            for (uint32_t b : aux.builtins) definition.append(body[b]);
            definition.append(body[aux.literal]);
            definitions.emplace_back(std::vector<ATOM>{atom}, std::move(definition));
        }
        rewritten.append(LITERAL(std::move(atom), false));
        for (uint32_t b : aux.builtins) builtinAbsorbed[b] = 1;
    }
    for (uint32_t i = 0; i < body.size(); ++i) {
        int32_t row = tables.rowOfLiteral[i];
        if (row >= 0 && !tables.isBuiltinRow[size_t(row)] && tables.done[size_t(row)]) continue;
        if (isBuiltinLiteral(body[i]) && builtinAbsorbed[i]) continue;
        rewritten.append(std::move(body[i]));
    }
    body = std::move(rewritten);
}

// Rewrites one body in place; the defining rules of new auxiliary predicates are appended to
// `definitions`. Answers whether the body changed. A body with fewer than two positive ordinary
// literals has nothing to gain.
bool projectConjunction(CONJUNCTION &body, const std::vector<ATOM> *head, std::vector<RULE> &definitions) {
    uint32_t ordinaryPositives = 0;
    for (const LITERAL &literal : body.positive())
        if (!isBuiltinLiteral(literal)) ++ordinaryPositives;
    if (ordinaryPositives < 2) return false;
    std::optional<uint32_t> variables = variableSlots(body, head);
    if (!variables) return false;
    BODY_TABLES tables = makeTables(body, head, *variables);
    std::vector<AUXILIARY> made;
    projectLonelyVariables(body, tables, made);
    absorbBuiltinsIntoBinders(body, tables, made);
    if (made.empty()) return false;
    replaceByAuxiliaries(body, tables, made, definitions);
    return true;
}

}  // namespace

void projectRules(std::vector<RULE> &rules) {
    const size_t count = rules.size();
    for (size_t position = 0; position < count; ++position) {
        if (!rules[position].hasBody()) continue;
        // The definitions wait until the rule is rewritten: appending may move the vector.
        std::vector<RULE> definitions;
        projectConjunction(*rules[position].body, &rules[position].head, definitions);
        SOURCE_POSITION source = rules[position].source;
        for (RULE &rule : definitions) {
            rule.source = source;
            rules.push_back(std::move(rule));
        }
    }
}

void projectConstraints(std::vector<CONSTRAINT> &constraints, std::vector<RULE> &rules) {
    for (CONSTRAINT &constraint : constraints) {
        std::vector<RULE> definitions;
        if (projectConjunction(constraint.body, nullptr, definitions)) constraint.generated = false;
        for (RULE &rule : definitions) {
            rule.source = constraint.source;
            rules.push_back(std::move(rule));
        }
    }
}
