// The planning front-end (-FP..., -FPc): ".plan" files in the action languages "K" and "C",
// their translation into rules, the secure checks of candidate plans and the plan output.
//
// The driver reads each ".plan" file with `planyyparse`, which records declarations and
// causation statements as PLAN_STATEMENTs in `planDeclarations` and `planStatements` and the goal
// in `planGoal`; nothing is translated while parsing. After all input was read without errors the
// driver runs `translatePlanningProgram`, which writes rule text over the time variables "T$"
// (the previous state) and "T$1" (the current one) and feeds it through the rule-language parser.
// After grounding `preparePlanChecks` marks the action, fluent and cost atoms; the model generator
// then calls `planSecurityFilter` per candidate and `planModelCallback` per answer set.
//
// Every action and fluent atom of the translated program ends with its time argument; the plan
// output and the secure checks rely on that.
#pragma once

#include <cstdint>
#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/predicate_table.h"
#include "grounding/ground_depgraph.h"
#include "grounding/ground_program.h"
#include "solver/model_generator.h"

// An atom of the planning language. Arguments are the texts of terms as written: a variable
// begins with a capital letter, "_" is the anonymous variable, an integer is its decimal text and
// the keyword "time" is the variable "T$1". An atom written without parentheses has no argument
// vector (the translation may give it one). A built-in's name is its operator ("==", "+", "#int").
struct PLAN_ATOM {
    bool negated = false;
    std::string name;
    std::optional<std::vector<std::string>> arguments;

    PLAN_ATOM() = default;
    PLAN_ATOM(bool negated, const std::string &name, const std::vector<std::string> *arguments);
    PLAN_ATOM copy() const { return *this; }
    // The argument count; 0 without an argument vector.
    size_t argumentCount() const { return arguments ? arguments->size() : 0; }
};

struct PLAN_LITERAL {
    bool notNegated = false;
    PLAN_ATOM atom;
};

using PLAN_LITERALS = std::vector<PLAN_LITERAL>;

// A causation statement or a declaration. For a declaration `ifPart` is its requires-list and
// `afterPart` its where-list, `costs` the text "cost:level" when costs were given; a statement
// without head stands for "false". A part that is none stays none in a copy.
struct PLAN_STATEMENT {
    bool initial = false;
    bool total = false;
    bool declaration = false;
    std::optional<std::string> costs;
    std::optional<PLAN_ATOM> head;
    std::optional<PLAN_LITERALS> ifPart;
    std::optional<PLAN_LITERALS> afterPart;

    PLAN_STATEMENT copy() const { return *this; }
    // Appends to the if-part the requires-literals of the declarations of the statement's head,
    // of its default-negated fluent if-literals and of its default-negated after-literals.
    void inlineExecutability();
    // Appends the time arguments, writes the statement as a rule and parses it into the program.
    void translate();
};

// Set by the driver before it calls the parser.
extern FILE *planyyin;

// Reads `planyyin` to its end into the planning tables; counts errors in parserErrors. 0 when
// the input was read to its end (also after a syntax error), 2 when the parse stack was exhausted.
int planyyparse();

// --- Parser state and the recorded problem ---

// The declared actions and fluents, each with arity = argument count + 1 (the time) and kind IDB;
// an action's index is its position in declaration order.
extern PREDICATE_TABLE actionTable;
extern PREDICATE_TABLE fluentTable;
extern std::vector<PLAN_STATEMENT> planDeclarations;
extern std::vector<PLAN_STATEMENT> planStatements;
// 0 while an "actions:" section is read, 1 in a "fluents:" section.
extern int declarationKind;
// Set while an "initially:" section is read.
extern bool initialSection;
// Set only while the where-part of a declaration with costs is read.
extern bool timeKeywordAllowed;
// The literals of the last goal section; none for an empty goal or no goal.
extern std::optional<PLAN_LITERALS> planGoal;
// The "(n)" of the last goal, set only while -planlength= was not given; -1 otherwise.
extern int32_t goalPlanLength;
extern uint32_t maxActionArity;
extern bool planCostsGiven;
extern bool planCostLevelsGiven;
// Set by the translation when the executability laws depend on each other cyclically.
extern bool executabilityCyclic;

// Puts the planning tables, the secure checks' state and the scanner back as the process starts
// them.
void resetPlanning();

// Whether a name is a declared action (fluent).
bool isAction(const std::string &name);
bool isFluent(const std::string &name);

// Record builders of the parser; both check what they get and store a record even after a
// reported error.
void addDeclaration(const PLAN_ATOM &atom, const std::optional<PLAN_LITERALS> &requires_,
                    const std::optional<std::string> &costs, const std::optional<PLAN_LITERALS> &where);
void addCausationStatement(const std::optional<PLAN_ATOM> &head, const std::optional<PLAN_LITERALS> &ifPart,
                           const std::optional<PLAN_LITERALS> &afterPart, bool total);
std::vector<std::string> stringList(const std::string &a, const std::string *b = nullptr,
                                    const std::string *c = nullptr);

// Printers in the planning language's syntax (for messages).
std::string planAtomText(const PLAN_ATOM &atom);
std::string planLiteralsText(const PLAN_LITERALS &literals);
std::string planStatementText(const PLAN_STATEMENT &statement);
FILE *printStringList(FILE *out, const std::vector<std::string> &texts);
FILE *printPlanAtom(FILE *out, const PLAN_ATOM &atom);
FILE *printPlanLiterals(FILE *out, const PLAN_LITERALS &literals);
FILE *printPlanStatement(FILE *out, const PLAN_STATEMENT &statement);

// --- Translation ---

// The after-parsing hook: translates the planning problem into rules of the program.
void translatePlanningProgram();
// At most one action per time: pairwise constraints over the declared actions.
void processNoConc();
// Bounds on the number of actions per time through "$proj_action" and a count aggregate.
void constrainNumberOfActions();

// --- Secure checks ---

// A plan state: one byte per ground atom, 1 for each action atom true in the assignment.
using PLAN_STATE = std::vector<uint8_t>;
// Byte by byte as unsigned values; true when a orders before b.
bool comparePlanStates(const PLAN_STATE &a, const PLAN_STATE &b);
struct PLAN_STATE_LESS {
    bool operator()(const PLAN_STATE &a, const PLAN_STATE &b) const { return comparePlanStates(a, b); }
};
PLAN_STATE planStateOf(const TRUTH_ASSIGNMENT *assignment);

// The security results of one check kind, evicted first in, first out beyond -plancache=.
struct PLAN_CACHE {
    std::map<PLAN_STATE, uint8_t, PLAN_STATE_LESS> results;
    std::deque<PLAN_STATE> order;  // newest first

    void insert(const PLAN_STATE &state, uint8_t result);
};

// The check program of one check kind for every plan at once, built at the first check of a run:
// every rule and constraint that the check of some plan keeps, in the order the check of one plan
// lists them. A plan keeps an item when its conditions hold: an action atom of the plan (for
// "not doing it fails", and for the action's own rules), or action literals of the body that the
// plan does not make false. An item that a plan leaves out is switched off by the negated body
// literal `switchLiteral`, over an atom that no item mentions and that a fact of the program makes
// true; a negated literal adds no edge, so the dependency graph is built once for all plans.
// Without such an atom (`switchAtom` is -1) every check copies the items its plan keeps.
struct PLAN_CHECK_PROGRAM {
    struct ITEM {
        bool constraint;      // an index into `constraints`, else into `rules`
        bool off;             // the switch literal is the body's last literal
        bool hadBody;         // the rule's body before any switch literal (rules only)
        uint32_t index;
        uint32_t firstCondition, endCondition;  // in `conditions`
    };
    // `inPlan`: the atom is an action of the plan; otherwise the literal is not false.
    struct CONDITION {
        GLITERAL literal;
        bool inPlan;
    };
    bool built = false;
    std::vector<GRULE> rules;
    std::vector<GCONSTRAINT> constraints;
    std::vector<ITEM> items;  // the items with conditions; the others every plan keeps
    std::vector<CONDITION> conditions;
    GATOM_ID switchAtom = -1;
    std::unique_ptr<GROUND_DEPGRAPH> graph;
    std::vector<GWEAKCONSTRAINT> noWeakConstraints;
    // With a switch atom: one model generator over the rules searches for every plan, and keeps
    // its tables from one check to the next.
    std::unique_ptr<MODEL_GENERATOR> generator;
    // The program of one plan, when there is no switch atom.
    std::vector<GRULE> planRules;
    std::vector<GCONSTRAINT> planConstraints;
};

// What a planning run keeps from grounding on, for the secure checks and the plan output: which
// ground atoms are actions, fluents and costs (marked by `preparePlanChecks`), the ground rules
// of the fluents per time step with, per rule, the later rules of its step whose bodies exclude
// it, the results of the secure checks per check kind, the plans printed (a secure plan prints
// once), and the counters that the statistics print. One object, defined and reset with the
// planning tables.
struct PLAN_RUN {
    std::vector<uint8_t> actionAtomMask; // by ground atom
    std::vector<GATOM_ID> actionAtoms;    // the atoms marked in actionAtomMask, ascending
    std::vector<uint8_t> fluentAtomMask;
    std::vector<uint8_t> costAtomMask;
    std::vector<std::vector<GRULE>> fluentRuleGroups;              // by time step minus 1
    std::vector<std::vector<std::vector<uint32_t>>> muxConflicts; // by time step minus 1 and rule
    PLAN_CACHE planCaches[2];
    PLAN_CHECK_PROGRAM checkPrograms[2];  // by check kind
    std::set<PLAN_STATE, PLAN_STATE_LESS> printedPlans;
    uint32_t secureCheckCount = 0;
    uint32_t planCacheHits = 0;
    // The plans printed before their cost was known to be optimal (under -wctrace); they are not
    // counted against -n=.
    uint32_t provisionalPlansPrinted = 0;
    // The search settings and heuristic criteria of the run, which the model generators of the
    // secure checks take too; the driver sets them before the search starts.
    SEARCH_CONFIG search;
    std::vector<int32_t> heuristic;
    std::vector<int32_t> combineOperators;
};
extern PLAN_RUN planRun;

// The before-model-generation hook: marks the atoms, forbids "$abs" and tests the domain.
void preparePlanChecks();
// 1 when the plan (the true action atoms) of the assignment is secure under the check kind.
int checkPlanSecurity(const TRUTH_ASSIGNMENT &assignment, int32_t kind);
// 1 when every admissible selection of the rules of group `step` from `position` on, added to the
// rules selected so far (positions in the group), is stratified; `excluded` holds the positions
// that a selected rule excludes.
int isMuxStratified(uint32_t position, uint32_t step, std::vector<uint32_t> selected, std::set<uint32_t> excluded);

// --- Output ---

// The model callback: prints the plan of an answer set and counts it against -n=; under -FP it
// asks the interactive questions.
int planModelCallback(MODEL_GENERATOR *generator, INTERPRETATION *trueAtoms, TRUTH_ASSIGNMENT *model);
// The candidate filter: 1 unless secure plans are asked for; otherwise the security check.
int planSecurityFilter(MODEL_GENERATOR *generator, INTERPRETATION *trueAtoms, TRUTH_ASSIGNMENT *candidate);
// Prints one plan; 0 when it was skipped as a repeat (secure mode).
// A provisional plan (not yet known to be optimal) is marked.
int printPlan(const ATOM_SETS &trueAtoms, const TRUTH_ASSIGNMENT *assignment, bool separate, bool withCost,
              bool provisional = false);
// The literals of one state or step, each with its cost when cost literals are given.
void printActionsWithCosts(const CONJUNCTION &literals, const CONJUNCTION *costs);
