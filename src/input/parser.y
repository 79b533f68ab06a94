%{
// Grammar of the rule language. The actions are thin: each builds one value or hands a finished
// statement to the statement actions (statements.h, aggregates.h, directives.h), which check it
// and store it in the program store.
//
// Syntax errors recover through the "error" alternative of `program`: the statement being read is
// abandoned, the error is counted, and reading resumes at the offending token; a further message
// waits until three tokens were shifted after the last one. The one shift/reduce conflict is the
// "[" after the "." of a weak constraint, which always opens its weight part.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/builtin.h"
#include "input/parser.h"
#include "support/diagnostics.h"

// An atom whose name clashes in arity with an earlier use stops the parse at once: the clash has
// been written, the value just made is dropped, and the caller of the parser ends the run.
#define STOP_ON_ARITY_CLASH(value) \
    do { \
        if (arityClashRecorded()) { \
            delete (value); \
            YYABORT; \
        } \
    } while (0)

int yylex();
static void yyerror(const char *message);
// The scanner's last token (the parser's lookahead when it finds a syntax error) and the column
// where it starts.
std::string lastTokenText();
uint32_t lastTokenColumn();

// Stacks start at 200 entries and double up to 10000; a deeper parse is "memory exhausted".
#define YYINITDEPTH 200
#define YYMAXDEPTH 10000
%}

%code requires {
#include "input/aggregates.h"
#include "input/directives.h"
#include "input/statements.h"
}

%union {
    char *str;
    int32_t integer;
    int64_t decimal;
    int32_t kind;
    TERM *term;
    TERMS *terms;
    ATOM *atom;
    LITERAL *literal;
    CONJUNCTION *conjunction;
    std::vector<ATOM> *head;
    std::vector<RULE> *rules;
    WEIGHT_LEVEL *weightLevel;
    WEIGHT *weight;
    AGGREGATE_SPEC *aggregate;
    std::vector<int32_t> *objectList;
}

%expect 1
%define api.token.prefix {TOK_}

%token <str> IDENTIFIER NUMBER
%token IMPLIES WEAK_IMPLIES EQUAL NOT_EQUAL LESS_OR_EQ GREATER_OR_EQ NOT
%token AGGR_ANY AGGR_AVG AGGR_COUNT AGGR_MAX AGGR_MIN AGGR_SUM AGGR_TIMES
%token CONST_DIRECTIVE MAXINT
%token BUILTIN_INT BUILTIN_PREC BUILTIN_SUCC BUILTIN_MOD BUILTIN_ABSDIFF BUILTIN_RAND
%token BUILTIN_MEMBER BUILTIN_LAST BUILTIN_LENGTH BUILTIN_APPEND BUILTIN_INSNTH BUILTIN_GETNTH
%token BUILTIN_DELNTH BUILTIN_INSLAST BUILTIN_REVERSE BUILTIN_SUBLIST BUILTIN_HEAD BUILTIN_TAIL
%token BUILTIN_FLATTEN
%token IMPORT_DIRECTIVE EXPORT_DIRECTIVE EXPORT_QUERY_RESULT_DIRECTIVE DIRECTIVE_END
%token LEXICAL_ERROR

%type <str> identifier object_identifier user password select import_type_opt type_list delete_opt
%type <integer> integer
%type <decimal> decimal_number
%type <kind> aggregate_name
%type <term> term simple_term number_term maxint_term function_term list_term maxint_assignment level
%type <terms> terms one_argument two_arguments three_arguments four_arguments
%type <atom> atom propositional_atom builtin_atom list_builtin_atom aggregate_atom
%type <literal> literal
%type <conjunction> body
%type <head> head
%type <rules> rule_body_part normal_rule strict_rule
%type <weightLevel> weight_level_opt
%type <weight> weight
%type <kind> comparison_operator arithmetic_operator two_argument_list_builtin
%type <kind> three_argument_list_builtin
%type <aggregate> aggregate_function
%type <objectList> object_parents_opt object_parents

%destructor { free($$); } <str>
%destructor { delete $$; } <term> <terms> <atom> <literal> <conjunction> <head> <rules>
%destructor { delete $$; } <weightLevel> <weight> <aggregate> <objectList>

%%

program
    : %empty
    | program statement
    | error {
          // The abandoned statement's variables and object must not leak into the next one.
          parserErrors++;
          resetRuleVariables();
          endObject();
          rangeCheckSuspended = false;
      }
    ;

head_separator : 'v' | '|' | ';' ;

statement
    : directive DIRECTIVE_END
    | object_definition
    | rule_statement
    | query
    | const_definition
    | maxint_assignment '.' { setMaxInt(*$1); delete $1; }
    ;

object_rules
    : %empty
    | object_rules rule_statement
    ;

object_definition
    : object_identifier object_parents_opt object_begin '{' object_rules '}' {
          endObject();
          free($1);
          delete $2;
      }
    ;

object_begin
    : %empty { beginObject($<str>-1, $<objectList>0); }
    ;

object_parents_opt
    : %empty { $$ = nullptr; }
    | ':' object_parents { $$ = $2; }
    ;

object_identifier
    : identifier
    ;

object_parents
    : object_identifier {
          $$ = new std::vector<int32_t>;
          addObjectReference(*$$, $1);
          free($1);
      }
    | object_parents ',' object_identifier {
          $$ = $1;
          addObjectReference(*$$, $3);
          free($3);
      }
    ;

rule_statement
    : normal_rule { storeRules(*$1, false); delete $1; }
    | strict_rule { storeRules(*$1, true); delete $1; }
    | constraint
    | weak_constraint
    ;

maxint_assignment
    : MAXINT '=' { rangeCheckSuspended = true; } term { rangeCheckSuspended = false; $$ = $4; }
    ;

directive
    : import_directive
    | export_directive
    ;

import_directive
    : IMPORT_DIRECTIVE '(' IDENTIFIER ',' user ',' password ',' select ',' IDENTIFIER
      import_type_opt ')' '.' {
          addImportStatement($3, $5, $7, $9, $11, $12);
          free($3); free($5); free($7); free($9); free($11); free($12);
      }
    ;

import_type_opt
    : %empty { $$ = strdup(""); }
    | ',' IDENTIFIER ':' type_list {
          checkImportTypeKeyword($2);
          free($2);
          $$ = $4;
      }
    ;

type_list
    : IDENTIFIER
    | type_list ',' IDENTIFIER { $$ = joinTypeNames($1, $3); }
    ;

export_directive
    : EXPORT_DIRECTIVE '(' IDENTIFIER ',' user ',' password ',' IDENTIFIER ',' IDENTIFIER
      delete_opt ')' '.' {
          addExportStatement($3, $5, $7, $11, $9, $12);
          free($3); free($5); free($7); free($9); free($11); free($12);
      }
    | EXPORT_QUERY_RESULT_DIRECTIVE '(' IDENTIFIER ',' user ',' password ',' IDENTIFIER
      delete_opt ')' '.' {
          addExportStatement($3, $5, $7, $9, "", $10);
          free($3); free($5); free($7); free($9); free($10);
      }
    ;

user
    : IDENTIFIER { $$ = quotedDirectiveString($1, "user string must be enclosed by double quotes"); }
    ;

password
    : IDENTIFIER {
          $$ = quotedDirectiveString($1, "password string must be enclosed by double quotes");
      }
    ;

select
    : IDENTIFIER {
          $$ = quotedDirectiveString($1, "select string must be enclosed by double quotes");
      }
    ;

delete_opt
    : %empty { $$ = strdup(""); }
    | ',' IDENTIFIER {
          $$ = quotedDirectiveString($2, "delete condition must be enclosed by double quotes");
      }
    ;

normal_rule
    : rule_body_part '.'
    ;

strict_rule
    : rule_body_part '!'
    ;

rule_body_part
    : head { $$ = makeRules($1, nullptr); }
    | head IMPLIES { $$ = makeRules($1, nullptr); }
    | head IMPLIES body { $$ = makeRules($1, $3); }
    | identifier '(' term '.' '.' term ')' {
          $$ = expandIntegerRange(false, $1, *$3, *$6);
          free($1); delete $3; delete $6;
          STOP_ON_ARITY_CLASH($$);
      }
    | '~' identifier '(' term '.' '.' term ')' {
          $$ = expandIntegerRange(true, $2, *$4, *$7);
          free($2); delete $4; delete $7;
          STOP_ON_ARITY_CLASH($$);
      }
    | '-' identifier '(' term '.' '.' term ')' {
          $$ = expandIntegerRange(true, $2, *$4, *$7);
          free($2); delete $4; delete $7;
          STOP_ON_ARITY_CLASH($$);
      }
    ;

constraint
    : IMPLIES body '.' { storeConstraint(*$2); delete $2; }
    ;

weak_constraint
    : WEAK_IMPLIES body '.' {
          // The line of the ".": telling whether a weight part follows reads the next token,
          // which may lie lines further on.
          $<integer>$ = int32_t(currentLine);
      }
      weight_level_opt { storeWeakConstraint(*$2, *$5, uint32_t($<integer>4)); delete $2; delete $5; }
    ;

weight_level_opt
    : %empty { $$ = new WEIGHT_LEVEL(weightLevel(1, nullptr, nullptr)); }
    | '[' ':' level ']' { $$ = new WEIGHT_LEVEL(weightLevel(2, nullptr, $3)); }
    | '[' weight ':' ']' { $$ = new WEIGHT_LEVEL(weightLevel(3, $2, nullptr)); }
    | '[' weight ':' level ']' { $$ = new WEIGHT_LEVEL(weightLevel(4, $2, $4)); }
    ;

weight
    : identifier { $$ = new WEIGHT(weightFromName($1)); free($1); }
    | decimal_number { $$ = new WEIGHT(weightFromNumber($1)); }
    ;

level
    : identifier { $$ = new TERM(makeNameTerm($1)); free($1); }
    | integer { $$ = new TERM(makeIntegerTerm($1)); }
    ;

decimal_number
    : integer { $$ = decimalNumber($1, nullptr); }
    | integer '.' NUMBER { $$ = decimalNumber($1, $3); free($3); }
    ;

integer
    : NUMBER { $$ = atoi($1); free($1); }
    ;

query
    : body '?' { storeQuery($1); }
    ;

head
    : atom { $$ = new std::vector<ATOM>; $$->push_back(std::move(*$1)); delete $1; }
    | head head_separator atom { $$ = $1; $$->push_back(std::move(*$3)); delete $3; }
    ;

body
    : literal { $$ = new CONJUNCTION; addLiteral(*$$, *$1); delete $1; }
    | body ',' literal { $$ = $1; addLiteral(*$$, *$3); delete $3; }
    ;

literal
    : atom { $$ = new LITERAL(std::move(*$1), false); delete $1; }
    | NOT atom { $$ = new LITERAL(std::move(*$2), true); delete $2; }
    | builtin_atom { $$ = new LITERAL(std::move(*$1), false); delete $1; }
    | NOT builtin_atom { $$ = new LITERAL(std::move(*$2), true); delete $2; }
    | aggregate_atom { $$ = new LITERAL(std::move(*$1), false); delete $1; }
    | NOT aggregate_atom { $$ = new LITERAL(std::move(*$2), true); delete $2; }
    ;

atom
    : propositional_atom
    | identifier '(' terms ')' {
          $$ = new ATOM(makeOrdinaryAtom($1, $3));
          free($1); delete $3;
          STOP_ON_ARITY_CLASH($$);
      }
    | '~' identifier '(' terms ')' {
          $$ = new ATOM(makeStronglyNegatedAtom($2, $4));
          free($2); delete $4;
          STOP_ON_ARITY_CLASH($$);
      }
    | '-' identifier '(' terms ')' {
          $$ = new ATOM(makeStronglyNegatedAtom($2, $4));
          free($2); delete $4;
          STOP_ON_ARITY_CLASH($$);
      }
    ;

propositional_atom
    : identifier { $$ = new ATOM(makeOrdinaryAtom($1, nullptr)); free($1); STOP_ON_ARITY_CLASH($$); }
    | '~' identifier { $$ = new ATOM(makeStronglyNegatedAtom($2, nullptr)); free($2); STOP_ON_ARITY_CLASH($$); }
    | '-' identifier { $$ = new ATOM(makeStronglyNegatedAtom($2, nullptr)); free($2); STOP_ON_ARITY_CLASH($$); }
    ;

terms
    : term { $$ = new TERMS; $$->push_back(*$1); delete $1; }
    | terms ',' term { $$ = $1; $$->push_back(*$3); delete $3; }
    ;

builtin_atom
    : comparison_operator two_arguments { $$ = new ATOM(makeBuiltinAtom($1, *$2)); delete $2; }
    | '=' two_arguments { $$ = new ATOM(makeBuiltinAtom(BUILTIN_EQUALITY, *$2)); delete $2; }
    | term comparison_operator term {
          $$ = new ATOM(makeBuiltinAtom($2, newTermList(*$1, *$3)));
          delete $1; delete $3;
      }
    | simple_term '=' term {
          $$ = new ATOM(makeBuiltinAtom(BUILTIN_EQUALITY, newTermList(*$1, *$3)));
          delete $1; delete $3;
      }
    | BUILTIN_INT one_argument { $$ = new ATOM(makeUnaryIntAtom(*$2)); delete $2; }
    | BUILTIN_INT three_arguments {
          $$ = new ATOM(makeBuiltinAtom(BUILTIN_INT, *$2));
          delete $2;
      }
    | BUILTIN_PREC two_arguments { $$ = new ATOM(makeBuiltinAtom(BUILTIN_PREC, *$2)); delete $2; }
    | BUILTIN_SUCC two_arguments { $$ = new ATOM(makeBuiltinAtom(BUILTIN_SUCC, *$2)); delete $2; }
    | arithmetic_operator three_arguments { $$ = new ATOM(makeBuiltinAtom($1, *$2)); delete $2; }
    | simple_term '=' term arithmetic_operator term {
          // Z = X op Y: operands first, result last.
          $$ = new ATOM(makeBuiltinAtom($4, newTermList(*$3, *$5, *$1)));
          delete $1; delete $3; delete $5;
      }
    | maxint_assignment arithmetic_operator term {
          $$ = new ATOM(makeBuiltinAtom($2, newTermList(*$1, *$3, maxIntTerm())));
          delete $1; delete $3;
      }
    | BUILTIN_RAND one_argument { $$ = new ATOM(makeUnaryRandAtom(*$2)); delete $2; }
    | BUILTIN_RAND three_arguments {
          $$ = new ATOM(makeBuiltinAtom(BUILTIN_RAND, *$2));
          delete $2;
      }
    | list_builtin_atom
    ;

list_builtin_atom
    : BUILTIN_MEMBER two_arguments {
          $$ = new ATOM(makeBuiltinAtom(BUILTIN_MEMBER, *$2));
          delete $2;
      }
    | BUILTIN_SUBLIST two_arguments {
          $$ = new ATOM(makeBuiltinAtom(BUILTIN_SUBLIST, *$2));
          delete $2;
      }
    | BUILTIN_INSNTH four_arguments {
          $$ = new ATOM(makeListBuiltinAtom(BUILTIN_INSNTH, *$2));
          delete $2;
      }
    | two_argument_list_builtin two_arguments {
          $$ = new ATOM(makeListBuiltinAtom($1, *$2));
          delete $2;
      }
    | three_argument_list_builtin three_arguments {
          $$ = new ATOM(makeListBuiltinAtom($1, *$2));
          delete $2;
      }
    ;

aggregate_atom
    : term '<' aggregate_function { $$ = aggregateAtom($1, false, $3, nullptr, true); }
    | term LESS_OR_EQ aggregate_function { $$ = aggregateAtom($1, true, $3, nullptr, true); }
    | simple_term '=' aggregate_function { $$ = assignmentAggregateAtom($1, $3); }
    | term GREATER_OR_EQ aggregate_function { $$ = aggregateAtom(nullptr, true, $3, $1, true); }
    | term '>' aggregate_function { $$ = aggregateAtom(nullptr, true, $3, $1, false); }
    | aggregate_function '<' term { $$ = aggregateAtom(nullptr, true, $1, $3, false); }
    | aggregate_function LESS_OR_EQ term { $$ = aggregateAtom(nullptr, true, $1, $3, true); }
    | aggregate_function '=' term { $$ = assignmentAggregateAtom($3, $1); }
    | aggregate_function GREATER_OR_EQ term { $$ = aggregateAtom($3, true, $1, nullptr, true); }
    | aggregate_function '>' term { $$ = aggregateAtom($3, false, $1, nullptr, true); }
    | term '<' aggregate_function '<' term { $$ = aggregateAtom($1, false, $3, $5, false); }
    | term '<' aggregate_function LESS_OR_EQ term { $$ = aggregateAtom($1, false, $3, $5, true); }
    | term LESS_OR_EQ aggregate_function '<' term { $$ = aggregateAtom($1, true, $3, $5, false); }
    | term LESS_OR_EQ aggregate_function LESS_OR_EQ term {
          $$ = aggregateAtom($1, true, $3, $5, true);
      }
    ;

two_argument_list_builtin
    : BUILTIN_LAST { $$ = BUILTIN_LAST; }
    | BUILTIN_LENGTH { $$ = BUILTIN_LENGTH; }
    | BUILTIN_REVERSE { $$ = BUILTIN_REVERSE; }
    | BUILTIN_HEAD { $$ = BUILTIN_HEAD; }
    | BUILTIN_TAIL { $$ = BUILTIN_TAIL; }
    | BUILTIN_FLATTEN { $$ = BUILTIN_FLATTEN; }
    ;

three_argument_list_builtin
    : BUILTIN_APPEND { $$ = BUILTIN_APPEND; }
    | BUILTIN_GETNTH { $$ = BUILTIN_GETNTH; }
    | BUILTIN_DELNTH { $$ = BUILTIN_DELNTH; }
    | BUILTIN_INSLAST { $$ = BUILTIN_INSLAST; }
    ;

comparison_operator
    : EQUAL { $$ = BUILTIN_EQUALITY; }
    | NOT_EQUAL { $$ = BUILTIN_INEQUALITY; }
    | '<' { $$ = BUILTIN_LESS; }
    | '>' { $$ = BUILTIN_GREATER; }
    | LESS_OR_EQ { $$ = BUILTIN_LESS_OR_EQ; }
    | GREATER_OR_EQ { $$ = BUILTIN_GREATER_OR_EQ; }
    ;

arithmetic_operator
    : '+' { $$ = BUILTIN_ADD; }
    | '-' { $$ = BUILTIN_SUBT; }
    | '*' { $$ = BUILTIN_MULT; }
    | '/' { $$ = BUILTIN_DIV; }
    | BUILTIN_MOD { $$ = BUILTIN_MOD; }
    | BUILTIN_ABSDIFF { $$ = BUILTIN_ABSDIFF; }
    ;

aggregate_function
    : aggregate_name '{' terms ':' body '}' {
          $$ = new AGGREGATE_SPEC(makeAggregateSpec($1, *$3, *$5));
          delete $3; delete $5;
      }
    ;

aggregate_name
    : AGGR_ANY { $$ = 0; }
    | AGGR_AVG { $$ = 1; }
    | AGGR_COUNT { $$ = 2; }
    | AGGR_MAX { $$ = 3; }
    | AGGR_MIN { $$ = 4; }
    | AGGR_SUM { $$ = 5; }
    | AGGR_TIMES { $$ = 6; }
    ;

one_argument
    : '(' term ')' { $$ = new TERMS(newTermList(*$2)); delete $2; }
    ;

two_arguments
    : '(' term ',' term ')' { $$ = new TERMS(newTermList(*$2, *$4)); delete $2; delete $4; }
    ;

three_arguments
    : '(' term ',' term ',' term ')' {
          $$ = new TERMS(newTermList(*$2, *$4, *$6));
          delete $2; delete $4; delete $6;
      }
    ;

four_arguments
    : '(' term ',' term ',' term ',' term ')' {
          $$ = new TERMS(newTermList(*$2, *$4, *$6, *$8));
          delete $2; delete $4; delete $6; delete $8;
      }
    ;

term
    : identifier { $$ = new TERM(termFromName($1)); free($1); }
    | number_term
    | '_' { $$ = new TERM(anonymousVariable()); }
    | maxint_term
    | '~' term { $$ = $2; reportNegatedTerm(*$2); }
    | '-' term { $$ = $2; reportNegatedTerm(*$2); }
    | function_term
    | list_term
    ;

simple_term
    : identifier { $$ = new TERM(termFromName($1)); free($1); }
    | number_term
    | '_' { $$ = new TERM(anonymousVariable()); }
    ;

identifier
    : IDENTIFIER
    | 'v' { $$ = strdup("v"); }
    ;

number_term
    : integer { $$ = new TERM(numberTerm($1)); }
    ;

maxint_term
    : MAXINT { $$ = new TERM(maxIntTerm()); }
    ;

const_definition
    : CONST_DIRECTIVE identifier '=' integer '.' { defineIntegerConstant($2, $4); free($2); }
    | CONST_DIRECTIVE identifier '=' identifier '.' {
          defineSymbolicConstant($2, $4);
          free($2); free($4);
      }
    ;

function_term
    : identifier '(' terms ')' { $$ = new TERM(makeFunctionTerm($1, *$3)); free($1); delete $3; }
    ;

list_term
    : '[' terms ']' { $$ = new TERM(makeListTerm(*$2, false)); delete $2; }
    | '[' term '|' list_term ']' {
          $$ = new TERM(makeListWithTail(*$2, *$4));
          delete $2; delete $4;
      }
    | '[' term '|' identifier ']' {
          $$ = new TERM(makeListWithNamedTail(*$2, $4));
          delete $2; free($4);
      }
    | '[' ']' { TERMS none; $$ = new TERM(makeListTerm(none, false)); }
    ;

%%

// "memory exhausted" ends the parse of this input; bison reports it here and it counts as an
// error. A "syntax error" is counted by the error alternative of `program`.
static void yyerror(const char *message) {
    parseError(message);
    if (strcmp(message, "syntax error") != 0) {
        parserErrors++;
        return;
    }
    // A second line that shows where: the token the parser could not take.
    if (yychar <= 0)
        parseNote("unexpected end of input");
    else if (yychar == TOK_DIRECTIVE_END)
        parseNote("unexpected end of line");
    else if (internalParserInvocation)
        parseNote("unexpected '" + lastTokenText() + "'");  // a column of generated text says nothing
    else
        parseNote("unexpected '" + lastTokenText() + "' at column " + std::to_string(lastTokenColumn()));
}
