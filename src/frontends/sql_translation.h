// The translation of one ".sql" file into rules of IDB. The parser makes one before the file's
// first token, calls it for every construct it completes and drops it after the last statement.
//
// Every select-block becomes one rule as soon as it is complete: the head is the result predicate
// on top of the stack (the statement's sql2dl__intern<n>, or the WITH element being defined), with
// one argument per select-list column; the body has one atom per correlation of the FROM list, in
// name order (a relation joins even when no column names it), then one built-in literal per
// comparison other than "=". An equality gives its two columns one variable; the head and the
// comparisons refer to columns by (correlation, attribute), so that a later equality reaches them
// too. Select-blocks joined by UNION share the head; the operands of EXCEPT and INTERSECT are given
// predicates of their own, and one more rule joins them.
//
// Every error ends the process at once with the status of its kind: 1 an undefined or ambiguous
// attribute or relation, 2 an attribute of no active relation or of several, 4 a construct the
// translation cannot answer correctly, 5 an internal error, 6 and 7 a condition where a column is
// expected and the reverse, 8 a correlation name given twice, 9 an unknown correlation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <unordered_set>
#include <vector>

#include "core/rule.h"
#include "core/term.h"
#include "frontends/sql.h"

enum SQL_SET_OPERATOR : int32_t { SQL_SET_UNION = 0, SQL_SET_EXCEPT = 1, SQL_SET_INTERSECT = 2 };

class SQL_TRANSLATION {
public:
    // Draws the file's first result name, sql2dl__intern0, and records it as sqlAnswerPredicate.
    SQL_TRANSLATION();

    // The next statement's result name becomes current.
    void endQueryStatement();
    // An earlier schema of the relation is replaced; its attributes are added to the index after
    // the entries already there. A WITH element's name cannot be declared.
    void relationSchema(const std::string &relation, const std::vector<std::string> &attributes);
    // The element's name becomes the head of the rules of its query; its columns are attributes
    // for the rest of the file. A name that is already in use is refused.
    void startWithElement(const std::string &name, const std::vector<std::string> &columns);
    void endWithElement();
    void registerCorrelation(const std::string &correlation, const std::string &relation);

    // Each of the following appends the rules of a complete query part and returns the index in
    // IDB of its first rule; every rule from there to the end of IDB belongs to that part.
    //
    // A select-block; the trees stay the caller's. The state of the block is emptied afterwards.
    size_t endSelectBlock(const std::vector<SSC_Tree *> &selectList, const SSC_Tree *where);
    // TABLE name: every row of the relation.
    size_t table(const std::string &relation);
    // EXCEPT or INTERSECT of the parts whose rules begin at `leftFirst` and `rightFirst`; EXCEPT
    // ALL (whose rows depend on duplicates) and EXCEPT of a relation that is still being defined
    // (recursion through EXCEPT) are refused.
    void combine(SQL_SET_OPERATOR op, bool all, size_t leftFirst, size_t rightFirst);

    // Ends the run with status 4 for a construct that has no translation.
    [[noreturn]] static void refuse(const char *construct);

    // Select-list items (`SSC_Node::addToSelectList`).
    void addColumnToSelectList(const std::string &correlation, const std::string &attribute);

private:
    // A column of the block: (correlation, attribute).
    using COLUMN = std::pair<std::string, std::string>;
    struct COMPARISON {
        int32_t op;
        COLUMN left;
        COLUMN right;
    };

    // State of the file.
    std::map<std::string, std::vector<std::string>> sqlSchemas;
    // relation -> the names of its attributes, so that a column is checked in one lookup
    std::map<std::string, std::unordered_set<std::string>> sqlSchemaNames;
    // attribute -> relations with it, in the order they were recorded
    std::map<std::string, std::vector<std::string>> sqlAttributeIndex;
    // the head of the rules made now on top
    std::vector<std::string> sqlResultNames;
    NAME_GENERATOR sqlResultNameGenerator{"sql2dl__intern", 0};
    // WITH elements of the file, and those whose query is being read
    std::set<std::string> withElements;
    std::vector<std::string> openWithElements;

    // State of the select-block being read.
    uint32_t sqlVariableCounter = 0;
    std::map<std::string, std::string> sqlCorrelations;
    // relation -> its correlations, in the order of registration
    std::map<std::string, std::vector<std::string>> sqlActiveRelations;
    std::map<std::string, std::map<std::string, uint32_t>> sqlBindings;
    // Variables that WHERE equalities made one: a forest by variable number, each pointing
    // towards the variable that stands for its class (union-find), so an equality costs about
    // one step instead of a walk over every binding.
    std::vector<uint32_t> variableClass;
    std::vector<COLUMN> sqlSelectBindings;
    std::vector<COMPARISON> comparisons;

    std::string qualifyAttribute(const std::string &attribute);
    // Both names given: the correlation is qualified already.
    uint32_t bindColumn(const std::string &correlation, const std::string &attribute);
    COLUMN evaluateComparison(const SSC_Tree *tree);
    void evaluateCondition(const SSC_Tree *root);
    void unify(uint32_t left, uint32_t right);
    uint32_t representative(uint32_t variable);
    uint32_t variableNumber(const COLUMN &column);
    TERM variableOf(const COLUMN &column);
    std::vector<std::string> columnsOf(const std::string &relation);
    void buildSelectRule(const std::string &headName);
    void addIndexEntries(const std::string &relation, const std::vector<std::string> &attributes);
    bool nameInUse(const std::string &name) const;
    void renameHeads(size_t first, size_t last, const std::string &from, const std::string &to);
    void refuseRecursionThrough(const std::string &operand);
    size_t appendRule(RULE &&rule);
};
