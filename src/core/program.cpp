#include "core/program.h"

// Built empty, in this order, before the driver starts; destroyed in reverse order at exit.
INTERN_TABLE<std::string> constantTable;
INTERN_TABLE<int32_t> integerTable;
INTERN_TABLE<COMPLEX_TERM> complexTermTable;
INTERN_TABLE<std::string> functionSymbolTable;
PREDICATE_TABLE predicateTable;
ATOM_STORE atomStore;

std::vector<RULE> IDB;
std::vector<CONSTRAINT> constraints;
std::vector<WEAKCONSTRAINT> weakConstraints;
INTERPRETATION I;
ATOM_SETS EDB;
std::vector<OBJECT> objects;

VARIABLE_MAP ruleVariables;
std::set<int32_t> stronglyNegatedPredicates;
std::unordered_map<std::string, TERM> namedConstants;

std::unique_ptr<CONJUNCTION> query;
bool queryIsGround = true;
bool rulesAreGround = true;
bool constraintsAreGround = true;
bool weakConstraintsAreGround = true;
bool objectsUsed = false;
const char *variablePrefix = "_";

void resetProgramStore() {
    // Program parts first: their atoms and terms point into the tables below.
    query.reset();
    objects.clear();
    weakConstraints.clear();
    constraints.clear();
    IDB.clear();
    EDB.clear();
    I.clear();
    ruleVariables.clear();
    stronglyNegatedPredicates.clear();
    namedConstants.clear();
    queryIsGround = true;
    rulesAreGround = true;
    constraintsAreGround = true;
    weakConstraintsAreGround = true;
    objectsUsed = false;
    variablePrefix = "_";
    atomStore.clear();
    predicateTable.clear();
    clearArityClash();
    holdArityClashes(false);
    functionSymbolTable.clear();
    complexTermTable.clear();
    integerTable.clear();
    constantTable.clear();
}
