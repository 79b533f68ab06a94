#include "frontends/sql.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <utility>

#include "core/conjunction.h"
#include "core/printer.h"
#include "core/program.h"
#include "core/rule.h"
#include "driver/diagnostics.h"
#include "grounding/gatom_table.h"
#include "grounding/ground_program.h"

std::string sqlAnswerPredicate;

namespace {

// Translation state of one file: schemas, the attribute index (attribute -> relations, in the
// order they were declared), the stack of result predicates and the result-name generator.
std::map<std::string, std::vector<std::string>> sqlSchemas;
std::map<std::string, std::vector<std::string>> sqlAttributeIndex;
std::vector<std::string> sqlResultNames;
NAME_GENERATOR sqlResultNameGenerator;
NAME_GENERATOR sqlVariableCounter;

// State of the select-block being read. A binding is a variable number; a WHERE equality gives
// both sides one number. The head refers to its columns by (correlation, attribute), so later
// unifications reach it too.
std::map<std::string, std::string> sqlCorrelations;
std::map<std::string, std::vector<std::string>> sqlActiveRelations;
std::map<std::string, std::map<std::string, int64_t>> sqlBindings;
std::vector<std::pair<std::string, std::string>> sqlSelectBindings;

// Every error of the translation ends the process at once, without the finish routine.
[[noreturn]] void sqlFail(int status) {
    fflush(stderr);
    exit(status);
}

void printStatementLine() { fprintf(errorOutput(), "In statement ending at line %u:\n", currentLine); }

void printText(const std::string &text) { fputs(text.c_str(), errorOutput()); }

const std::vector<std::string> &activeCorrelationsOf(const std::string &relation) {
    static const std::vector<std::string> none;
    auto it = sqlActiveRelations.find(relation);
    return it == sqlActiveRelations.end() ? none : it->second;
}

// The correlation of an unqualified attribute: the one correlation of the one relation in this
// select-block that has it; otherwise the attribute is undefined, absent or ambiguous, and the run
// ends. A relation whose schema was declared twice is listed once.
std::string qualifyAttribute(const std::string &attribute) {
    auto indexed = sqlAttributeIndex.find(attribute);
    if (indexed == sqlAttributeIndex.end() || indexed->second.empty()) {
        printText("Error: reference to undefined attribute '" + attribute + "'\n");
        sqlFail(1);
    }
    std::vector<std::string> relations;
    for (const std::string &relation : indexed->second) {
        bool seen = false;
        for (const std::string &r : relations) seen = seen || r == relation;
        if (!seen && !activeCorrelationsOf(relation).empty()) relations.push_back(relation);
    }
    if (relations.empty()) {
        fprintf(errorOutput(), "At line %u:\n", currentLine);
        printText("Error: Attribute '" + attribute + "' doesn't occur in any active relation\n");
        sqlFail(2);
    }
    const std::string &first = relations[0];
    const std::vector<std::string> &correlations = activeCorrelationsOf(first);
    if (correlations.size() == 1 && relations.size() == 1) return correlations[0];

    bool several = correlations.size() > 1;
    if (several) {
        printStatementLine();
        printText("Error: Attribute '" + attribute + "' is ambiguous.\n");
        printText("       There are several Correlation names for a matching relation\n");
        printText("       You'll have to qualify the attribute.\n");
        printText("       Relation:\n         " + first + "\n       Correlations:\n");
        for (const std::string &c : correlations) printText("         " + c + "\n");
    }
    if (relations.size() > 1) {
        if (several) {
            printText("       There are even other relations having the same attribute:\n");
        } else {
            printStatementLine();
            printText("Error: Attribute '" + attribute + "' is ambiguous.\n");
            printText("       You'd better qualifiy it.\n");
            printText("       Candidate relations/correlations are:\n");
        }
        printText("       Relation:\n         " + first + "\n       Correlation(s):\n         " + correlations[0] + "\n");
        for (size_t i = 1; i < relations.size(); ++i) {
            printText("       Relation:\n         " + relations[i] + "\n       Correlation(s):\n");
            for (const std::string &c : activeCorrelationsOf(relations[i])) printText("         " + c + "\n");
        }
    }
    sqlFail(several ? 1 : 2);
}

// The binding of a column reference, made with the next variable number when the column has
// none. The reference must name a correlation of the FROM list and an attribute of its relation:
// a column that no body atom carries would leave its variable unbound.
int64_t bindColumn(std::string correlation, const std::string &attribute) {
    if (correlation.empty()) correlation = qualifyAttribute(attribute);
    auto relation = sqlCorrelations.find(correlation);
    if (relation == sqlCorrelations.end()) {
        fprintf(errorOutput(), "At line %u:\n", currentLine);
        printText("Error: Correlation " + correlation + " doesn't exist in the current context.\n");
        sqlFail(9);
    }
    bool inSchema = false;
    for (const std::string &a : sqlSchemas[relation->second]) inSchema = inSchema || a == attribute;
    if (!inSchema) {
        fprintf(errorOutput(), "At line %u:\n", currentLine);
        printText("Error: reference to undefined attribute '" + correlation + "." + attribute + "'\n");
        sqlFail(1);
    }
    std::map<std::string, int64_t> &columns = sqlBindings[correlation];
    auto found = columns.find(attribute);
    if (found != columns.end()) return found->second;
    int64_t variable = sqlVariableCounter.counter++;
    columns.emplace(attribute, variable);
    return variable;
}

[[noreturn]] void unsupportedOperator() {
    printStatementLine();
    printText("Error: Operators other than = and AND are not supported yet.\n");
    sqlFail(4);
}

[[noreturn]] void undefinedNodeType() {
    printStatementLine();
    printText("Internal Error: Undefined SSC_Tree Nodetype");
    sqlFail(5);
}

// Every binding that holds the left variable takes the right one: the left variable leaves the
// rule.
void unify(int64_t left, int64_t right) {
    if (left == right) return;
    for (auto &correlation : sqlBindings)
        for (auto &column : correlation.second)
            if (column.second == left) column.second = right;
}

int64_t evaluateComparison(const SSC_Tree *tree) {
    if (tree->number) {
        printStatementLine();
        printText("Error: Constants in conditions not supported yet.\n");
        sqlFail(4);
    }
    if (tree->node == nullptr) undefinedNodeType();
    if (tree->node->nodeKind == SSC_OPERATOR) {
        int32_t op = static_cast<const SSC_Operator *>(tree->node)->op;
        if (op == SSC_EQUAL || op == SSC_AND) {
            printStatementLine();
            printText("Error: Boolean operator encountered where scalar was expected.\n");
            sqlFail(6);
        }
        unsupportedOperator();
    }
    if (tree->node->nodeKind != SSC_SCALAR) undefinedNodeType();
    const SSC_RelSpec *column = static_cast<const SSC_RelSpec *>(tree->node);
    return bindColumn(column->correlation, column->attribute);
}

// The conjuncts left before right, with an explicit stack: an AND chain is as deep as it is long.
void evaluateCondition(const SSC_Tree *root) {
    std::vector<const SSC_Tree *> pending{root};
    while (!pending.empty()) {
        const SSC_Tree *tree = pending.back();
        pending.pop_back();
        if (tree == nullptr || tree->node == nullptr) undefinedNodeType();
        if (tree->node->nodeKind == SSC_SCALAR) {
            printStatementLine();
            printText("Error: Scalar value encountered where boolean was expected.\n");
            sqlFail(7);
        }
        if (tree->node->nodeKind != SSC_OPERATOR) undefinedNodeType();
        int32_t op = static_cast<const SSC_Operator *>(tree->node)->op;
        if (op == SSC_AND) {
            pending.push_back(tree->right);
            pending.push_back(tree->left);
        } else if (op == SSC_EQUAL) {
            int64_t left = evaluateComparison(tree->left);
            int64_t right = evaluateComparison(tree->right);
            unify(left, right);
        } else {
            unsupportedOperator();
        }
    }
}

TERM variableOf(const std::string &correlation, const std::string &attribute) {
    return makeVariableTerm(static_cast<uint32_t>(sqlBindings[correlation][attribute]));
}

// Head: the select-list columns in order. Body: one atom per correlation with bindings, in name
// order; an attribute without binding gets a variable of its own.
void buildSelectRule(const std::string &headName) {
    TERMS headArgs;
    for (const auto &column : sqlSelectBindings) headArgs.push_back(variableOf(column.first, column.second));
    std::vector<ATOM> head;
    head.emplace_back(headName.c_str(), &headArgs, PREDICATE_IDB);
    CONJUNCTION body;
    for (const auto &correlation : sqlBindings) {
        const std::string &relation = sqlCorrelations[correlation.first];
        TERMS args;
        for (const std::string &attribute : sqlSchemas[relation]) {
            auto bound = correlation.second.find(attribute);
            int64_t variable = bound != correlation.second.end() ? bound->second : sqlVariableCounter.counter++;
            args.push_back(makeVariableTerm(static_cast<uint32_t>(variable)));
        }
        body.append(LITERAL(ATOM(relation.c_str(), &args, PREDICATE_UNDEFINED), false));
    }
    IDB.emplace_back(std::move(head), std::move(body));
}

void addIndexEntries(const std::string &relation, const std::vector<std::string> &attributes) {
    sqlSchemas[relation] = attributes;
    for (const std::string &attribute : attributes) sqlAttributeIndex[attribute].push_back(relation);
}

}  // namespace

SSC_Tree::~SSC_Tree() {
    delete node;
    std::vector<SSC_Tree *> pending;
    if (left) pending.push_back(left);
    if (right) pending.push_back(right);
    while (!pending.empty()) {
        SSC_Tree *tree = pending.back();
        pending.pop_back();
        if (tree->left) pending.push_back(tree->left);
        if (tree->right) pending.push_back(tree->right);
        tree->left = tree->right = nullptr;
        delete tree;
    }
}

void SSC_Operator::addToSelectList() {
    printStatementLine();
    printText("Error: Complex select lists not supported yet.\n");
    sqlFail(4);
}

void SSC_RelSpec::addToSelectList() {
    std::string c = correlation.empty() ? qualifyAttribute(attribute) : correlation;
    bindColumn(c, attribute);
    sqlSelectBindings.emplace_back(c, attribute);
}

void sqlStartFile() {
    sqlSchemas.clear();
    sqlAttributeIndex.clear();
    sqlResultNames.clear();
    sqlResultNameGenerator = NAME_GENERATOR{"sql2dl__intern", 0};
    sqlVariableCounter = NAME_GENERATOR{"", 0};
    sqlCorrelations.clear();
    sqlActiveRelations.clear();
    sqlBindings.clear();
    sqlSelectBindings.clear();
    sqlResultNames.push_back(sqlResultNameGenerator.next());
    sqlAnswerPredicate = sqlResultNames.back();
}

void sqlEndFile() {
    sqlSchemas.clear();
    sqlAttributeIndex.clear();
    sqlResultNames.clear();
}

void sqlEndQueryStatement() { sqlResultNames.push_back(sqlResultNameGenerator.next()); }

void sqlRelationSchema(const std::string &relation, const std::vector<std::string> &attributes) {
    addIndexEntries(relation, attributes);
}

void sqlStartWithElement(const std::string &name, const std::vector<std::string> &columns) {
    sqlResultNames.push_back(name);
    addIndexEntries(name, columns);
}

void sqlEndWithElement() { sqlResultNames.pop_back(); }

void registerCorrelation(const std::string &correlation, const std::string &relation) {
    auto known = sqlCorrelations.find(correlation);
    if (known == sqlCorrelations.end()) {
        sqlCorrelations.emplace(correlation, relation);
        sqlActiveRelations[relation].push_back(correlation);
        return;
    }
    fprintf(errorOutput(), "At Selectlist on line %u:\n", currentLine);
    printText("Error: Correlation " + correlation + " already exists.\n");
    bool unaliasedBefore = known->second == correlation;
    if (correlation == relation && unaliasedBefore)
        printText("       You probably have the same relation twice in your selectlist,\n"
                  "       without defining aliases\n");
    else if (correlation == relation)
        printText("       You've used this unaliased relation as a correlation before.\n");
    else if (unaliasedBefore)
        printText("       You've used this correlation as an unaliased relation before.\n");
    sqlFail(8);
}

void sqlEndSelectBlock(const std::vector<SSC_Tree *> &selectList, const SSC_Tree *where) {
    for (const SSC_Tree *item : selectList) {
        if (item->node == nullptr) {
            printStatementLine();
            printText("Error: Constants in select lists not supported yet.\n");
            sqlFail(4);
        }
        item->node->addToSelectList();
    }
    if (where != nullptr && where->node != nullptr) evaluateCondition(where);
    buildSelectRule(sqlResultNames.back());
    sqlCorrelations.clear();
    sqlActiveRelations.clear();
    sqlBindings.clear();
    sqlSelectBindings.clear();
    sqlVariableCounter.counter = 0;
}

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
            for (const ATOM &atom : trueAtoms[p]) printSqlRow(atom);
}

int sqlModelCallback(MODEL_GENERATOR *generator, INTERPRETATION *trueAtoms, TRUTH_ASSIGNMENT *model) {
    ATOM_SET rows;
    if (trueAtoms)
        for (uint32_t p = 0; p < trueAtoms->positive.predicateCount(); ++p)
            if (isAnswerPredicate(p)) rows.insert(trueAtoms->positive[p].begin(), trueAtoms->positive[p].end());
    if (model) {
        uint32_t n = groundAtomCount;
        if (n > model->values.size()) n = uint32_t(model->values.size());
        for (uint32_t i = 0; i < n; ++i) {
            if (!model->isTrue(int32_t(i))) continue;
            const ATOM &atom = groundAtomTable[static_cast<GATOM_ID>(i)];
            if (isAnswerPredicate(atom.predicate)) rows.insert(atom);
        }
    }
    if (generator && generator->answerSetsPrinted > 0) fputc('\n', stdout);
    for (const ATOM &atom : rows) printSqlRow(atom);
    fflush(stdout);
    if (generator) {
        ++generator->answerSetsPrinted;
        if (generator->answerSetsPrinted == 1 && generator->firstModelTimer.running) generator->firstModelTimer.stop();
        if (generator->maxModels != 0 && generator->maxModels == generator->answerSetsPrinted)
            generator->status = MG_STOP;
    }
    return 1;
}
