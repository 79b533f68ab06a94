// The SQL3 front-end (-FS): ".sql" files with relation schemas and queries. The parser
// (sql_parser.y, sql_scanner.l) calls the translation below while it reads a file: every complete
// select-block becomes one rule of IDB whose head is the current result predicate and whose body
// has one atom per correlation the block mentions; WHERE equalities become shared variables. The
// rows of the first query of a file are the atoms of sql2dl__intern0, printed by printSqlAnswers.
// Errors of the translation end the process at once with statuses of their own (1, 2, 4 to 9).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "core/atom_sets.h"
#include "solver/model_generator.h"

// Set by the driver before it calls the parser.
extern FILE *sqlyyin;

// Reads `sqlyyin` and translates its queries into rules of the program: 0 when the file was
// accepted, 1 after a syntax error (counted in parserErrors), 2 when the parse stack overflowed.
int sqlyyparse();

// The answer table on standard output: one row per atom of the result predicate, every argument
// followed by one tab, and by a second one before it when it is an integer or a short constant.
void printSqlAnswers(const ATOM_SETS &trueAtoms);

// The answer table of one answer set when grounding left rules for the search (rule-language
// files beside the ".sql" file may make answers depend on choices): the rows that grounding
// proved and those the answer set adds, in atom order; the tables of successive answer sets are
// separated by an empty line. Counts answer sets against -n=.
int sqlModelCallback(MODEL_GENERATOR *generator, INTERPRETATION *trueAtoms, TRUTH_ASSIGNMENT *model);

// The result predicate of the first query of the last ".sql" file read; empty before any.
extern std::string sqlAnswerPredicate;

// Trees of select-list items and WHERE conditions. A node is a column reference (scalar) or an
// operator; binary operators have both subtrees, negate only the left one.
enum SSC_NODE_KIND : int32_t { SSC_SCALAR = 0, SSC_OPERATOR = 1 };
enum SSC_OPERATOR_KIND : int32_t {
    SSC_EQUAL = 0,
    SSC_OR = 6,
    SSC_AND = 7,
    SSC_PLUS = 9,
    SSC_MINUS = 10,
    SSC_TIMES = 11,
    SSC_DIVIDE = 12,
    SSC_NEGATE = 13,
};

class SSC_Node {
public:
    explicit SSC_Node(int32_t kind) : nodeKind(kind) {}
    virtual void addToSelectList() = 0;
    virtual ~SSC_Node() = default;
    int32_t nodeKind;
};

class SSC_Operator : public SSC_Node {
public:
    explicit SSC_Operator(int32_t op) : SSC_Node(SSC_OPERATOR), op(op) {}
    void addToSelectList() override;
    int32_t op;
};

// A column reference; the correlation is empty when the reference was not qualified.
class SSC_RelSpec : public SSC_Node {
public:
    SSC_RelSpec(std::string correlation, std::string attribute)
        : SSC_Node(SSC_SCALAR), correlation(std::move(correlation)), attribute(std::move(attribute)) {}
    void addToSelectList() override;
    std::string correlation;
    std::string attribute;
};

// A tree owns its node and subtrees. A tree without node stands for a number (`number` set) or
// for a comparison other than "=", which the translation does not support.
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

// Makes names from a prefix and a counter: prefix0, prefix1, ...
struct NAME_GENERATOR {
    std::string prefix;
    uint32_t counter = 0;
    std::string next() { return prefix + std::to_string(counter++); }
};

// Operations of the grammar actions, in the order of a file.
void sqlStartFile();
void sqlEndFile();
void sqlEndQueryStatement();
void sqlRelationSchema(const std::string &relation, const std::vector<std::string> &attributes);
void sqlStartWithElement(const std::string &name, const std::vector<std::string> &columns);
void sqlEndWithElement();
void registerCorrelation(const std::string &correlation, const std::string &relation);
// Translates a complete select-block into a rule and empties the state of the block. The trees
// stay the caller's.
void sqlEndSelectBlock(const std::vector<SSC_Tree *> &selectList, const SSC_Tree *where);
