// The SQL3 front-end (-FS): ".sql" files with relation schemas and queries. The parser
// (sql_parser.y, sql_scanner.l) hands every construct to the translation of one file
// (`SQL_TRANSLATION`, sql_translation.h) while it reads it: every complete select-block becomes
// one rule of IDB whose head is the current result predicate and whose body has one atom per
// correlation of its FROM list; WHERE equalities become shared variables, the other comparisons
// built-in literals. The rows of the first query of a file are the atoms of sql2dl__intern0,
// printed by printSqlAnswers. Constructs the translation cannot answer correctly are refused.
// Errors of the translation end the process at once with statuses of their own (1, 2, 4 to 9).
#pragma once

#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/atom_sets.h"
#include "solver/model_generator.h"

// Set by the driver before it calls the parser.
extern FILE *sqlyyin;

// Reads `sqlyyin` and translates its queries into rules of the program: 0 when the file was
// accepted, 1 after a syntax error, 2 when the parse stack overflowed (nesting too deep); both
// failures are reported and counted in parserErrors, so the run ends after the input.
int sqlyyparse();

// The answer table on standard output: one row per atom of the result predicate, every argument
// followed by one tab, and by a second one before it when it is an integer or a short constant.
void printSqlAnswers(const ATOM_SETS &trueAtoms);

// After all input: a WITH element must be defined by its query alone, so facts or rules of the
// other input files for its name end the run (status 4).
void checkSqlWithElements();

// The result predicate of the first query of the last ".sql" file read; empty before any.
extern std::string sqlAnswerPredicate;

// Makes names from a prefix and a counter: prefix0, prefix1, ...
struct NAME_GENERATOR {
    std::string prefix;
    uint32_t counter = 0;
    std::string next() { return prefix + std::to_string(counter++); }
};

// What the front-end keeps across the ".sql" files of one run: the names of all WITH elements
// (a name defines one element only), the stretches of IDB that the translations made, [first,
// last) per file, and the names of the operands of EXCEPT and INTERSECT, unique in the run
// because every file's first query shares one result predicate.
struct SQL_RUN {
    std::set<std::string> withElements;
    std::vector<std::pair<size_t, size_t>> ruleRanges;
    NAME_GENERATOR operandNames{"sql2dl__operand", 0};
};
extern SQL_RUN sqlRun;
// Forgets the answer predicate and what the run kept, and puts the scanner back in its first
// state.
void resetSql();

// Trees of select-list items and WHERE conditions. A node is a column reference (scalar) or an
// operator; binary operators have both subtrees, negate only the left one. The comparison
// operators carry the codes of the scanner ("=" 0, "<>" 1, "<" 2, ">" 3, "<=" 4, ">=" 5), which
// are also the kinds of the comparison built-ins.
enum SSC_NODE_KIND : int32_t { SSC_SCALAR = 0, SSC_OPERATOR = 1 };
enum SSC_OPERATOR_KIND : int32_t {
    SSC_EQUAL = 0,
    SSC_NOT_EQUAL = 1,
    SSC_LESS = 2,
    SSC_GREATER = 3,
    SSC_LESS_OR_EQUAL = 4,
    SSC_GREATER_OR_EQUAL = 5,
    SSC_OR = 6,
    SSC_AND = 7,
    SSC_PLUS = 9,
    SSC_MINUS = 10,
    SSC_TIMES = 11,
    SSC_DIVIDE = 12,
    SSC_NEGATE = 13,
};

inline bool isComparison(int32_t op) { return op >= SSC_EQUAL && op <= SSC_GREATER_OR_EQUAL; }

class SQL_TRANSLATION;

class SSC_Node {
public:
    explicit SSC_Node(int32_t kind) : nodeKind(kind) {}
    // Adds the item to the head of the select-block being translated.
    virtual void addToSelectList(SQL_TRANSLATION &translation) const = 0;
    virtual ~SSC_Node() = default;
    int32_t nodeKind;
};

class SSC_Operator : public SSC_Node {
public:
    explicit SSC_Operator(int32_t op) : SSC_Node(SSC_OPERATOR), op(op) {}
    void addToSelectList(SQL_TRANSLATION &translation) const override;
    int32_t op;
};

// A column reference; the correlation is empty when the reference was not qualified.
class SSC_RelSpec : public SSC_Node {
public:
    SSC_RelSpec(std::string correlation, std::string attribute)
        : SSC_Node(SSC_SCALAR), correlation(std::move(correlation)), attribute(std::move(attribute)) {}
    void addToSelectList(SQL_TRANSLATION &translation) const override;
    std::string correlation;
    std::string attribute;
};

// A tree owns its node and subtrees. A tree without node stands for a number (`number` set).
struct SSC_Tree {
    SSC_Node *node = nullptr;
    SSC_Tree *left = nullptr;
    SSC_Tree *right = nullptr;
    bool number = false;

    SSC_Tree() = default;
    SSC_Tree(SSC_Node *node, SSC_Tree *left, SSC_Tree *right) : node(node), left(left), right(right) {}
    SSC_Tree(const SSC_Tree &) = delete;
    SSC_Tree &operator=(const SSC_Tree &) = delete;
    // Frees the subtrees without recursion: a long AND chain is as deep as it is long.
    ~SSC_Tree();
};
