#include "frontends/sql_translation.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "core/conjunction.h"
#include "core/program.h"
#include "input/statements.h"
#include "support/diagnostics.h"

std::string sqlAnswerPredicate;
SQL_RUN sqlRun;

// The generated scanner's own teardown.
int sqlyylex_destroy();

void resetSql() {
    sqlyylex_destroy();
    sqlAnswerPredicate.clear();
    sqlRun = SQL_RUN{};
}

namespace {

// Every predicate name that the translation makes begins with this; no WITH element may.
constexpr std::string_view MADE_NAME_PREFIX = "sql2dl__";

// Every error of the translation ends the process at once, without the finish routine.
[[noreturn]] void sqlFail(int status) {
    fflush(stderr);
    exit(status);
}

void printStatementLine() { fprintf(errorOutput(), "In statement ending at line %u:\n", currentLine); }

void printText(const std::string &text) { fputs(text.c_str(), errorOutput()); }

[[noreturn]] void unsupportedOperator() {
    printStatementLine();
    printText("Error: Operators other than comparisons and AND are not supported yet.\n");
    sqlFail(4);
}

[[noreturn]] void undefinedNodeType() {
    printStatementLine();
    printText("Internal Error: Undefined SSC_Tree Nodetype");
    sqlFail(5);
}

TERMS variableList(uint32_t count) {
    TERMS terms;
    for (uint32_t i = 0; i < count; ++i) terms.push_back(makeVariableTerm(i));
    return terms;
}

}  // namespace

SQL_TRANSLATION::SQL_TRANSLATION() {
    sqlResultNames.push_back(sqlResultNameGenerator.next());
    sqlAnswerPredicate = sqlResultNames.back();
    sqlRun.ruleRanges.emplace_back(IDB.size(), IDB.size());
}

void SQL_TRANSLATION::endQueryStatement() { sqlResultNames.push_back(sqlResultNameGenerator.next()); }

void SQL_TRANSLATION::addIndexEntries(const std::string &relation, const std::vector<std::string> &attributes) {
    // A column is found by its name, so two columns of one name would read as one: each
    // reference would join them. The first name met again is reported.
    std::unordered_set<std::string> names;
    names.reserve(attributes.size());
    for (const std::string &attribute : attributes)
        if (!names.insert(attribute).second) {
            printStatementLine();
            printText("Error: Column " + attribute + " named twice in " + relation + ".\n");
            sqlFail(4);
        }
    sqlSchemas[relation] = attributes;
    sqlSchemaNames[relation] = std::move(names);
    for (const std::string &attribute : attributes) sqlAttributeIndex[attribute].push_back(relation);
}

void SQL_TRANSLATION::relationSchema(const std::string &relation, const std::vector<std::string> &attributes) {
    if (sqlRun.withElements.count(relation)) {
        printStatementLine();
        printText("Error: Relation " + relation + " has the name of a WITH element.\n");
        sqlFail(4);
    }
    addIndexEntries(relation, attributes);
}

// A WITH element has to be defined by its own query alone: its name may belong to no relation,
// no predicate that the program already knows and no other WITH element of the run.
bool SQL_TRANSLATION::nameInUse(const std::string &name) const {
    return sqlSchemas.count(name) || sqlRun.withElements.count(name) || predicateTable.find(name).second ||
           std::string_view(name).substr(0, MADE_NAME_PREFIX.size()) == MADE_NAME_PREFIX;
}

void SQL_TRANSLATION::startWithElement(const std::string &name, const std::vector<std::string> &columns) {
    if (nameInUse(name)) {
        printStatementLine();
        printText("Error: WITH element " + name + " has the name of a relation or of another WITH element.\n");
        sqlFail(4);
    }
    sqlRun.withElements.insert(name);
    withElements.insert(name);
    openWithElements.push_back(name);
    sqlResultNames.push_back(name);
    addIndexEntries(name, columns);
}

void SQL_TRANSLATION::endWithElement() {
    openWithElements.pop_back();
    sqlResultNames.pop_back();
}

void SQL_TRANSLATION::refuse(const char *construct) {
    printStatementLine();
    printText(std::string("Error: ") + construct + " not supported yet.\n");
    sqlFail(4);
}

void SQL_TRANSLATION::registerCorrelation(const std::string &correlation, const std::string &relation) {
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

// The correlation of an unqualified attribute: the one correlation of the one relation in this
// select-block that has it; otherwise the attribute is undefined, absent or ambiguous, and the run
// ends. A relation whose schema was declared twice is listed once.
std::string SQL_TRANSLATION::qualifyAttribute(const std::string &attribute) {
    auto indexed = sqlAttributeIndex.find(attribute);
    if (indexed == sqlAttributeIndex.end() || indexed->second.empty()) {
        printText("Error: reference to undefined attribute '" + attribute + "'\n");
        sqlFail(1);
    }
    auto activeCorrelationsOf = [this](const std::string &relation) -> const std::vector<std::string> & {
        static const std::vector<std::string> none;
        auto it = sqlActiveRelations.find(relation);
        return it == sqlActiveRelations.end() ? none : it->second;
    };
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
uint32_t SQL_TRANSLATION::bindColumn(const std::string &correlation, const std::string &attribute) {
    auto relation = sqlCorrelations.find(correlation);
    if (relation == sqlCorrelations.end()) {
        fprintf(errorOutput(), "At line %u:\n", currentLine);
        printText("Error: Correlation " + correlation + " doesn't exist in the current context.\n");
        sqlFail(9);
    }
    auto schema = sqlSchemaNames.find(relation->second);
    if (schema == sqlSchemaNames.end() || !schema->second.count(attribute)) {
        fprintf(errorOutput(), "At line %u:\n", currentLine);
        printText("Error: reference to undefined attribute '" + correlation + "." + attribute + "'\n");
        sqlFail(1);
    }
    std::map<std::string, uint32_t> &columns = sqlBindings[correlation];
    auto found = columns.find(attribute);
    if (found != columns.end()) return representative(found->second);
    uint32_t variable = sqlVariableCounter++;
    columns.emplace(attribute, variable);
    if (variableClass.size() <= variable) variableClass.resize(size_t(variable) + 1);
    variableClass[variable] = variable;
    return variable;
}

void SQL_TRANSLATION::addColumnToSelectList(const std::string &correlation, const std::string &attribute) {
    std::string c = correlation.empty() ? qualifyAttribute(attribute) : correlation;
    bindColumn(c, attribute);
    sqlSelectBindings.emplace_back(std::move(c), attribute);
}

// Every binding that holds the left variable takes the right one: the left variable leaves the
// rule. The bindings keep their first variable; the class of the left one joins the right one's.
void SQL_TRANSLATION::unify(uint32_t left, uint32_t right) {
    left = representative(left);
    right = representative(right);
    if (left != right) variableClass[left] = right;
}

uint32_t SQL_TRANSLATION::representative(uint32_t variable) {
    // Variables made for unbound attributes of the rule's body are in no class.
    if (variable >= variableClass.size()) return variable;
    while (variableClass[variable] != variable) {
        variableClass[variable] = variableClass[variableClass[variable]];
        variable = variableClass[variable];
    }
    return variable;
}

uint32_t SQL_TRANSLATION::variableNumber(const COLUMN &column) {
    return representative(sqlBindings[column.first][column.second]);
}

// One operand of a comparison: a column reference, bound like a select-list column.
SQL_TRANSLATION::COLUMN SQL_TRANSLATION::evaluateComparison(const SSC_Tree *tree) {
    if (tree->number) {
        printStatementLine();
        printText("Error: Constants in conditions not supported yet.\n");
        sqlFail(4);
    }
    if (tree->node == nullptr) undefinedNodeType();
    if (tree->node->nodeKind == SSC_OPERATOR) {
        int32_t op = static_cast<const SSC_Operator *>(tree->node)->op;
        if (isComparison(op) || op == SSC_AND) {
            printStatementLine();
            printText("Error: Boolean operator encountered where scalar was expected.\n");
            sqlFail(6);
        }
        unsupportedOperator();
    }
    if (tree->node->nodeKind != SSC_SCALAR) undefinedNodeType();
    const SSC_RelSpec *reference = static_cast<const SSC_RelSpec *>(tree->node);
    COLUMN column(reference->correlation.empty() ? qualifyAttribute(reference->attribute) : reference->correlation,
                  reference->attribute);
    bindColumn(column.first, column.second);
    return column;
}

// The conjuncts left before right, with an explicit stack: an AND chain is as deep as it is long.
// An equality joins its columns at once; another comparison is kept by its columns and becomes a
// built-in literal when the rule is built.
void SQL_TRANSLATION::evaluateCondition(const SSC_Tree *root) {
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
        } else if (isComparison(op)) {
            COLUMN left = evaluateComparison(tree->left);
            COLUMN right = evaluateComparison(tree->right);
            if (op == SSC_EQUAL)
                unify(variableNumber(left), variableNumber(right));
            else
                comparisons.push_back(COMPARISON{op, std::move(left), std::move(right)});
        } else {
            unsupportedOperator();
        }
    }
}

TERM SQL_TRANSLATION::variableOf(const COLUMN &column) {
    return makeVariableTerm(variableNumber(column));
}

// The columns of a relation in the FROM list: its declared attributes, or, for a WITH element
// without column list, as many unnamed ones as its rules have arguments.
std::vector<std::string> SQL_TRANSLATION::columnsOf(const std::string &relation) {
    auto schema = sqlSchemas.find(relation);
    if (schema != sqlSchemas.end() && !schema->second.empty()) return schema->second;
    if (withElements.count(relation)) {
        auto [predicate, known] = predicateTable.find(relation);
        if (known) return std::vector<std::string>(predicateTable.arity(predicate));
        printStatementLine();
        printText("Error: The columns of " + relation + " are not known here; give " + relation +
                  " a column list.\n");
        sqlFail(4);
    }
    fprintf(errorOutput(), "At line %u:\n", currentLine);
    printText("Error: reference to undefined relation '" + relation + "'\n");
    sqlFail(1);
}

size_t SQL_TRANSLATION::appendRule(RULE &&rule) {
    IDB.push_back(std::move(rule));
    sqlRun.ruleRanges.back().second = IDB.size();
    return IDB.size() - 1;
}

// Head: the select-list columns in order. Body: one atom per correlation, in name order, an
// attribute without binding with a variable of its own; then the comparisons in WHERE order.
void SQL_TRANSLATION::buildSelectRule(const std::string &headName) {
    TERMS headArgs;
    for (const COLUMN &column : sqlSelectBindings) headArgs.push_back(variableOf(column));
    std::vector<ATOM> head;
    head.emplace_back(headName.c_str(), &headArgs, PREDICATE_IDB);
    CONJUNCTION body;
    for (const auto &[correlation, relation] : sqlCorrelations) {
        const std::map<std::string, uint32_t> &bound = sqlBindings[correlation];
        TERMS args;
        for (const std::string &attribute : columnsOf(relation)) {
            auto binding = bound.find(attribute);
            uint32_t variable = binding != bound.end() ? representative(binding->second) : sqlVariableCounter++;
            args.push_back(makeVariableTerm(variable));
        }
        body.append(LITERAL(ATOM(relation.c_str(), &args, PREDICATE_UNDEFINED), false));
    }
    for (const COMPARISON &comparison : comparisons) {
        TERMS args{variableOf(comparison.left), variableOf(comparison.right)};
        body.append(LITERAL(makeBuiltinAtom(comparison.op, args), false));
    }
    appendRule(RULE(std::move(head), std::move(body)));
}

size_t SQL_TRANSLATION::endSelectBlock(const std::vector<SSC_Tree *> &selectList, const SSC_Tree *where) {
    for (const SSC_Tree *item : selectList) {
        if (item->node == nullptr) {
            printStatementLine();
            printText("Error: Constants in select lists not supported yet.\n");
            sqlFail(4);
        }
        item->node->addToSelectList(*this);
    }
    if (where != nullptr) evaluateCondition(where);
    buildSelectRule(sqlResultNames.back());
    sqlCorrelations.clear();
    sqlActiveRelations.clear();
    sqlBindings.clear();
    variableClass.clear();
    sqlSelectBindings.clear();
    comparisons.clear();
    sqlVariableCounter = 0;
    return IDB.size() - 1;
}

size_t SQL_TRANSLATION::table(const std::string &relation) {
    TERMS args = variableList(uint32_t(columnsOf(relation).size()));
    std::vector<ATOM> head;
    head.emplace_back(sqlResultNames.back().c_str(), &args, PREDICATE_IDB);
    CONJUNCTION body;
    body.append(LITERAL(ATOM(relation.c_str(), &args, PREDICATE_UNDEFINED), false));
    return appendRule(RULE(std::move(head), std::move(body)));
}

// The rules from `first` to `last` with the head `from` get the head `to`, arguments kept.
void SQL_TRANSLATION::renameHeads(size_t first, size_t last, const std::string &from, const std::string &to) {
    uint32_t predicate = predicateTable.find(from).first;
    for (size_t i = first; i < last; ++i) {
        ATOM &head = IDB[i].head[0];
        if (head.predicate == predicate) head = ATOM(to.c_str(), head.args(), PREDICATE_IDB);
    }
}

// EXCEPT over a relation that depends on a WITH element still being defined would make that
// element depend on its own absence, which has no single answer: refused. The relations that the
// subtracted operand reaches are followed through the rules of this file; no earlier input can
// refer to an element of this file.
void SQL_TRANSLATION::refuseRecursionThrough(const std::string &operand) {
    size_t first = sqlRun.ruleRanges.back().first;
    std::set<uint32_t> reached{predicateTable.find(operand).first};
    std::vector<uint32_t> pending(reached.begin(), reached.end());
    while (!pending.empty()) {
        uint32_t predicate = pending.back();
        pending.pop_back();
        for (const std::string &element : openWithElements)
            if (predicateTable.nameView(predicate) == element) {
                printStatementLine();
                printText("Error: EXCEPT of rows that depend on " + element +
                          ", which is being defined, not supported.\n");
                sqlFail(4);
            }
        for (size_t i = first; i < IDB.size(); ++i) {
            if (IDB[i].head[0].predicate != predicate || !IDB[i].body) continue;
            for (const LITERAL &literal : *IDB[i].body)
                if (reached.insert(literal.atom.predicate).second) pending.push_back(literal.atom.predicate);
        }
    }
}

void SQL_TRANSLATION::combine(SQL_SET_OPERATOR op, bool all, size_t leftFirst, size_t rightFirst) {
    if (op == SQL_SET_EXCEPT && all) refuse("EXCEPT ALL");
    const std::string &headName = sqlResultNames.back();
    std::string left = sqlRun.operandNames.next();
    std::string right = sqlRun.operandNames.next();
    renameHeads(leftFirst, rightFirst, headName, left);
    renameHeads(rightFirst, IDB.size(), headName, right);
    if (op == SQL_SET_EXCEPT) refuseRecursionThrough(right);
    TERMS args = variableList(predicateTable.arity(predicateTable.find(headName).first));
    std::vector<ATOM> head;
    head.emplace_back(headName.c_str(), &args, PREDICATE_IDB);
    CONJUNCTION body;
    body.append(LITERAL(ATOM(left.c_str(), &args, PREDICATE_IDB), false));
    body.append(LITERAL(ATOM(right.c_str(), &args, PREDICATE_IDB), op == SQL_SET_EXCEPT));
    appendRule(RULE(std::move(head), std::move(body)));
}

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

void SSC_Operator::addToSelectList(SQL_TRANSLATION &) const {
    printStatementLine();
    printText("Error: Complex select lists not supported yet.\n");
    sqlFail(4);
}

void SSC_RelSpec::addToSelectList(SQL_TRANSLATION &translation) const {
    translation.addColumnToSelectList(correlation, attribute);
}

// Facts or rules of another input for a WITH element's name would add rows to the element.
void checkSqlWithElements() {
    for (const std::string &element : sqlRun.withElements) {
        auto [predicate, known] = predicateTable.find(element);
        if (!known) continue;
        bool foreign = predicate < EDB.predicateCount() && !EDB[predicate].empty();
        for (size_t i = 0, range = 0; i < IDB.size() && !foreign; ++i) {
            while (range < sqlRun.ruleRanges.size() && sqlRun.ruleRanges[range].second <= i) ++range;
            if (range < sqlRun.ruleRanges.size() && sqlRun.ruleRanges[range].first <= i) continue;
            for (const ATOM &atom : IDB[i].head) foreign = foreign || atom.predicate == predicate;
        }
        if (foreign) {
            printText("Error: WITH element " + element + " has the name of a relation with facts or rules of its own.\n");
            sqlFail(4);
        }
    }
}
