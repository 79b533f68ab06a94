%{
// Grammar of the planning language. A file is a sequence of sections in any order: "actions:" and
// "fluents:" with their declarations, "initially:" and "always:" with their laws, and "goal:"
// with the goal query. The actions check each construct (the messages are counted parse errors;
// the record concerned is still stored) and hand declarations and causation statements to the
// record builders of planning.h. Nothing is translated here.
//
// A syntax error drops the statement being read and skips the rest of the file; the records
// completed before it stay.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "frontends/planning.h"
#include "input/parser.h"
#include "support/diagnostics.h"
#include "support/option_values.h"

int planyylex();
void planyyerror(const char *message);
void planyyrestart(FILE *input);

// Stacks start at 200 entries and double up to 10000; a deeper parse is "memory exhausted".
#define YYINITDEPTH 200
#define YYMAXDEPTH 10000

namespace {

void countedError(const char *message) {
    parseError(message);
    parserErrors++;
}

bool beginsWithCapital(const char *text) { return text[0] >= 'A' && text[0] <= 'Z'; }

// Takes a literal list that may be none (the empty list) into an optional.
std::optional<PLAN_LITERALS> takeList(PLAN_LITERALS *list) {
    if (!list) return std::nullopt;
    std::optional<PLAN_LITERALS> result(std::move(*list));
    delete list;
    return result;
}

PLAN_LITERALS *appendLiteral(PLAN_LITERALS *list, PLAN_LITERAL *literal) {
    if (!list) list = new PLAN_LITERALS;
    list->push_back(std::move(*literal));
    delete literal;
    return list;
}

char *integerText(int64_t value) {
    std::string text = std::to_string(value);
    return strdup(text.c_str());
}

PLAN_ATOM *builtin(const char *op, std::vector<std::string> arguments) {
    return new PLAN_ATOM(false, op, &arguments);
}

// The literal that makes an inertial or default law hold unless the opposite is known: "not -f"
// for f and "not f" for -f; under -FPc the literal itself.
PLAN_LITERAL oppositeGuard(const PLAN_LITERAL &literal) {
    if (frontEndMode == FRONTEND_PLANNING_C) return literal;
    PLAN_LITERAL guard{true, literal.atom};
    guard.atom.negated = !literal.atom.negated;
    return guard;
}

PLAN_LITERALS withLiteral(const std::optional<PLAN_LITERALS> &list, const PLAN_LITERAL &literal) {
    PLAN_LITERALS result = list ? *list : PLAN_LITERALS();
    result.push_back(literal);
    return result;
}

void replaceGoal(PLAN_LITERALS *literals, bool withLength, int32_t length) {
    if (planGoal) {
        int32_t n1 = optPlanLength >= 0 ? optPlanLength : (withLength ? length : 0);
        int32_t n2 = optPlanLength >= 0 ? optPlanLength : (goalPlanLength >= 0 ? goalPlanLength : 0);
        std::string text = "Warning: goal: " + (literals ? planLiteralsText(*literals) : std::string()) + "? (" +
                           std::to_string(n1) + (withLength ? ") replaces goal: " : ") replaces goal:") +
                           planLiteralsText(*planGoal) + "? (" + std::to_string(n2) + ")\n";
        fputs(text.c_str(), errorOutput());
    }
    if (withLength) {
        if (optPlanLength < 0) goalPlanLength = length;
    } else {
        goalPlanLength = -1;
    }
    planGoal = takeList(literals);
}

}  // namespace
%}

%code requires {
#include <optional>
#include <string>
#include <vector>

#include "frontends/planning.h"

// The conditions of a law: an if-list and an after-list, each optional.
struct PLAN_CONDITIONS {
    std::optional<PLAN_LITERALS> ifPart;
    std::optional<PLAN_LITERALS> afterPart;
    bool empty() const { return !ifPart && !afterPart; }
};
}

%define api.prefix {planyy}
%define api.token.prefix {PLAN_}
%define parse.error custom
%define parse.lac full

%union {
    char *str;
    PLAN_ATOM *atom;
    PLAN_LITERAL *literal;
    PLAN_LITERALS *literals;
    std::vector<std::string> *terms;
    PLAN_CONDITIONS *conditions;
}

%token <str> NAME NUMBER
%token ACTIONS FLUENTS INITIALLY ALWAYS GOAL
%token CAUSED IF AFTER NONEXECUTABLE EXECUTABLE FORBIDDEN INERTIAL DEFAULT TOTAL NOCONCURRENCY SECUREPLAN
%token REQUIRES COSTS WHERE FALSE TIME NOT MAXINT INT SUCC MINUS
%token EQ NE LT GT LE GE PLUS TIMES ASSIGN
%token COMMA PERIOD COLON QUESTION LPAREN RPAREN UNDERSCORE BAR INVALID

%type <str> term integer cost_value cost_spec comparison arithmetic
%type <atom> atom builtin caused_head
%type <literal> literal
%type <literals> literal_list requires_part where_part
%type <terms> term_list
%type <conditions> conditions

%destructor { free($$); } <str>
%destructor { delete $$; } <atom> <literal> <literals> <terms> <conditions>

%initial-action { planyyrestart(planyyin); }

%%

program
    : sections
    | error
    ;

sections
    : %empty
    | sections declaration_section
    | sections law_section
    ;

declaration_section
    : ACTIONS { declarationKind = 0; } COLON declaration_list
    | FLUENTS { declarationKind = 1; } COLON declaration_list
    ;

declaration_list
    : declaration_item
    | declaration_list declaration_item
    ;

declaration_item
    : atom requires_part PERIOD {
          std::optional<PLAN_LITERALS> requires_ = takeList($2);
          addDeclaration(*$1, requires_, std::nullopt, std::nullopt);
          if (frontEndMode == FRONTEND_PLANNING_C) {
              // In "C" a declared fluent is free to hold or not at time 0, an action at every step.
              initialSection = declarationKind == 1;
              addCausationStatement(*$1, requires_, std::nullopt, true);
          }
          delete $1;
      }
    | atom requires_part COSTS cost_spec { timeKeywordAllowed = true; } where_part PERIOD {
          timeKeywordAllowed = false;
          if (frontEndMode == FRONTEND_PLANNING_C) countedError("Costs not allowed inPlanning Language C");
          addDeclaration(*$1, takeList($2), std::string($4), takeList($6));
          delete $1;
          free($4);
      }
    ;

requires_part
    : %empty { $$ = nullptr; }
    | REQUIRES literal_list { $$ = $2; }
    ;

where_part
    : %empty { $$ = nullptr; }
    | WHERE literal_list { $$ = $2; }
    ;

cost_spec
    : cost_value {
          $$ = strdup((std::string($1) + ":1").c_str());
          free($1);
          planCostsGiven = true;
      }
    | cost_value COLON cost_value {
          $$ = strdup((std::string($1) + ":" + $3).c_str());
          free($1);
          free($3);
          planCostsGiven = true;
          planCostLevelsGiven = true;
      }
    ;

cost_value
    : TIME { $$ = strdup("T$1"); }
    | integer { $$ = $1; }
    | NAME {
          if (!beginsWithCapital($1))
              countedError("Action costs or cost levels should be 'time', a number, or a variable");
          $$ = $1;
      }
    ;

law_section
    : INITIALLY { initialSection = true; } COLON law_list
    | ALWAYS { initialSection = false; } COLON law_list
    | GOAL COLON goal_query
    ;

law_list
    : law PERIOD
    | law_list law PERIOD
    ;

law
    : CAUSED caused_head conditions {
          std::optional<PLAN_ATOM> head;
          if ($2) head = std::move(*$2);
          addCausationStatement(head, $3->ifPart, $3->afterPart, false);
          delete $2;
          delete $3;
      }
    | atom {
          addCausationStatement(*$1, std::nullopt, std::nullopt, false);
          delete $1;
      }
    | NONEXECUTABLE literal_list conditions {
          if ($3->afterPart) countedError("No after part allowed in nonexecutable statements");
          std::optional<PLAN_LITERALS> after = $3->ifPart;
          if ($2) {
              for (const PLAN_LITERAL &literal : *$2) {
                  if (literal.notNegated)
                      countedError("Negation as failure not allowed for A in rule: nonexecutable A if B");
                  else if (!isAction(literal.atom.name))
                      countedError("Only actions allowed for A in rule: nonexecutable A if B");
                  if (!after) after.emplace();
                  after->push_back(literal);
              }
          }
          addCausationStatement(std::nullopt, std::nullopt, after, false);
          delete $2;
          delete $3;
      }
    | FORBIDDEN literal_list {
          addCausationStatement(std::nullopt, takeList($2), std::nullopt, false);
      }
    | FORBIDDEN literal_list AFTER literal_list {
          std::optional<PLAN_LITERALS> ifPart = takeList($2);
          addCausationStatement(std::nullopt, ifPart, takeList($4), false);
      }
    | EXECUTABLE atom conditions {
          if (frontEndMode == FRONTEND_PLANNING_C)
              countedError("Executable not allowed in Frontend -FPc");
          else if (!isAction($2->name))
              countedError("Only actions allowed for A in rule: executable A if B");
          if ($3->afterPart) countedError("No after part allowed in executable statements");
          // Executability holds at every step, also when stated among the initial laws.
          bool section = initialSection;
          initialSection = false;
          addCausationStatement(*$2, $3->ifPart, std::nullopt, true);
          initialSection = section;
          delete $2;
          delete $3;
      }
    | INERTIAL literal_list conditions {
          if (frontEndMode == FRONTEND_PLANNING_C && !$3->empty())
              countedError("inertial ... if... after ... not allowed in Frontend -FPc");
          if (!$2) countedError("Empty rules not allowed");
          if ($2) {
              for (const PLAN_LITERAL &literal : *$2)
                  if (literal.notNegated)
                      countedError("Negation as failure not allowed for A in rule: inertial A if B after C");
              for (const PLAN_LITERAL &literal : *$2)
                  addCausationStatement(literal.atom, withLiteral($3->ifPart, oppositeGuard(literal)),
                                        withLiteral($3->afterPart, literal), false);
          }
          delete $2;
          delete $3;
      }
    | TOTAL atom conditions {
          if ($2->negated)
              countedError("True negation not allowed for A in rule: total A if B after C");
          if (frontEndMode == FRONTEND_PLANNING_C)
              countedError("Total not allowed in Frontend -FPc");
          else if (!isFluent($2->name))
              countedError("Only fluents allowed for A in rule: total A if B");
          addCausationStatement(*$2, $3->ifPart, $3->afterPart, true);
          delete $2;
          delete $3;
      }
    | DEFAULT literal_list {
          if (!$2) countedError("Empty rules not allowed");
          if ($2) {
              for (const PLAN_LITERAL &literal : *$2)
                  if (literal.notNegated)
                      countedError("Negation as failure not allowed for A in rule: default A");
              for (const PLAN_LITERAL &literal : *$2)
                  addCausationStatement(literal.atom, PLAN_LITERALS{oppositeGuard(literal)}, std::nullopt,
                                        false);
          }
          delete $2;
      }
    | NOCONCURRENCY {
          // At most one action per time, whatever -planmaxactions= allows; a -planminactions=
          // above 1 then contradicts it and the translation says so.
          if (optPlanMaxActions == 0 || optPlanMaxActions > 1) optPlanMaxActions = 1;
      }
    | SECUREPLAN {
          if (frontEndMode == FRONTEND_PLANNING_C)
              countedError("Secure Planning not allowed in Frontend -FPc");
          else if (!(planningMode & PLANNING_OPTIMISTIC))
              planningMode |= PLANNING_SECURE;
      }
    ;

caused_head
    : atom { $$ = $1; }
    | FALSE { $$ = nullptr; }
    ;

conditions
    : %empty { $$ = new PLAN_CONDITIONS; }
    | IF literal_list {
          $$ = new PLAN_CONDITIONS;
          $$->ifPart = takeList($2);
      }
    | AFTER literal_list {
          $$ = new PLAN_CONDITIONS;
          $$->afterPart = takeList($2);
      }
    | IF literal_list AFTER literal_list {
          $$ = new PLAN_CONDITIONS;
          $$->ifPart = takeList($2);
          $$->afterPart = takeList($4);
      }
    ;

goal_query
    : literal_list QUESTION { replaceGoal($1, false, 0); }
    | literal_list QUESTION LPAREN NUMBER RPAREN {
          int32_t length = static_cast<int32_t>(strtol($4, nullptr, 10));
          if (length > maxInputInteger) maxInputInteger = length;
          free($4);
          replaceGoal($1, true, length);
      }
    ;

literal_list
    : %empty { $$ = nullptr; }
    | literal { $$ = appendLiteral(nullptr, $1); }
    | literal_list COMMA literal { $$ = appendLiteral($1, $3); }
    ;

literal
    : atom {
          $$ = new PLAN_LITERAL{false, std::move(*$1)};
          delete $1;
      }
    | NOT atom {
          if (frontEndMode == FRONTEND_PLANNING_C)
              countedError("Negation as failure not allowed in Planning Language C");
          $$ = new PLAN_LITERAL{true, std::move(*$2)};
          delete $2;
      }
    | builtin {
          $$ = new PLAN_LITERAL{false, std::move(*$1)};
          delete $1;
      }
    ;

atom
    : NAME {
          $$ = new PLAN_ATOM(false, $1, nullptr);
          free($1);
      }
    | MINUS NAME {
          $$ = new PLAN_ATOM(true, $2, nullptr);
          free($2);
      }
    | NAME LPAREN term_list RPAREN {
          $$ = new PLAN_ATOM(false, $1, $3);
          free($1);
          delete $3;
      }
    | MINUS NAME LPAREN term_list RPAREN {
          $$ = new PLAN_ATOM(true, $2, $4);
          free($2);
          delete $4;
      }
    ;

builtin
    : INT LPAREN term RPAREN {
          $$ = builtin("#int", {$3});
          free($3);
      }
    | SUCC LPAREN term COMMA term RPAREN {
          $$ = builtin("#succ", {$3, $5});
          free($3);
          free($5);
      }
    | comparison LPAREN term COMMA term RPAREN {
          $$ = builtin($1, {$3, $5});
          free($1);
          free($3);
          free($5);
      }
    | term comparison term {
          $$ = builtin($2, {$1, $3});
          free($1);
          free($2);
          free($3);
      }
    | arithmetic LPAREN term COMMA term COMMA term RPAREN {
          $$ = builtin($1, {$3, $5, $7});
          free($1);
          free($3);
          free($5);
          free($7);
      }
    | term ASSIGN term arithmetic term {
          // Z = X op Y: operands first, result last.
          $$ = builtin($4, {$3, $5, $1});
          free($1);
          free($3);
          free($4);
          free($5);
      }
    ;

comparison
    : EQ { $$ = strdup("=="); }
    | NE { $$ = strdup("!="); }
    | LT { $$ = strdup("<"); }
    | GT { $$ = strdup(">"); }
    | LE { $$ = strdup("<="); }
    | GE { $$ = strdup(">="); }
    ;

arithmetic
    : PLUS { $$ = strdup("+"); }
    | TIMES { $$ = strdup("*"); }
    ;

term_list
    : term {
          $$ = new std::vector<std::string>{$1};
          free($1);
      }
    | term_list COMMA term {
          $$ = $1;
          $$->push_back($3);
          free($3);
      }
    ;

term
    : NAME { $$ = $1; }
    | integer { $$ = $1; }
    | UNDERSCORE { $$ = strdup("_"); }
    | TIME {
          if (!timeKeywordAllowed) countedError("Keyword 'time' not allowed here");
          $$ = strdup("T$1");
      }
    ;

integer
    : NUMBER {
          int32_t value = static_cast<int32_t>(strtol($1, nullptr, 10));
          free($1);
          if (maxInt != -1 && value > maxInt) countedError("number outside of given integer range");
          if (value > maxInputInteger) maxInputInteger = value;
          $$ = integerText(value);
      }
    | MAXINT {
          if (maxInt == -1) countedError("#maxint used but no upper integer bound (option -N) given");
          $$ = integerText(maxInt);
      }
    ;

%%

void planyyerror(const char *message) { parseError(message); }

// A syntax error is reported and counted; the parser then skips the rest of the file.
static int yyreport_syntax_error(const yypcontext_t *) {
    planyyerror("syntax error");
    parserErrors++;
    return 0;
}
