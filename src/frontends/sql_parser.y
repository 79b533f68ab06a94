%{
// Grammar of the SQL3 files: statements ended by ";", each a query or a DATALOG SCHEMA of
// relations. The actions hand schemas, WITH elements, correlations, complete select-blocks, TABLE
// queries and set operators to the file's translation (sql_translation.h), which turns them into
// rules at once. Each query part's value is the index in IDB of its first rule. Constructs without
// translation (VALUES, UNLESS, subqueries in FROM lists) are refused as soon as they begin.
//
// There is no error recovery: the first syntax error is reported and counted, and the rest of the
// file is not read. Rules of the select-blocks completed before it stay in the program, but the
// counted error ends the run before they are used.

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "frontends/sql.h"
#include "frontends/sql_translation.h"
#include "support/diagnostics.h"

int sqlyylex();
void sqlyyerror(const char *message);
void sqlyyrestart(FILE *input);

// Stacks start at 200 entries and double up to 10000; a deeper parse is "memory exhausted".
#define YYINITDEPTH 200
#define YYMAXDEPTH 10000

namespace {

using NAME_LIST = std::vector<std::string>;
using SELECT_LIST = std::vector<SSC_Tree *>;
using SCHEMA_LIST = std::vector<std::pair<std::string, NAME_LIST>>;

// The translation of the file being read; a file abandoned at a syntax error keeps its
// translation until the next file replaces it.
std::unique_ptr<SQL_TRANSLATION> translation;

SSC_Tree *operatorTree(int32_t op, SSC_Tree *left, SSC_Tree *right) {
    return new SSC_Tree(new SSC_Operator(op), left, right);
}

SSC_Tree *numberTree() {
    SSC_Tree *tree = new SSC_Tree;
    tree->number = true;
    return tree;
}

void deleteSelectList(SELECT_LIST *list) {
    for (SSC_Tree *item : *list) delete item;
    delete list;
}

// A query in a FROM list would need a select-block translated inside another one.
[[noreturn]] void refuseSubquery() { SQL_TRANSLATION::refuse("Subqueries in FROM lists"); }

}  // namespace
%}

%code requires {
#include <cstddef>
#include <string>
#include <utility>
#include <vector>
struct SSC_Tree;
}

%define api.prefix {sqlyy}
%define api.token.prefix {SQL_}
%define parse.error custom

%union {
    char *str;
    int code;
    std::vector<std::string> *names;
    std::vector<SSC_Tree *> *items;
    std::vector<std::pair<std::string, std::vector<std::string>>> *schemas;
    SSC_Tree *tree;
    size_t first;
}

%token <str> IDENTIFIER
%token <code> COMPARISON
%token EXACT_NUMBER APPROX_NUMBER DATALOG_SCHEMA
%token WITH RECURSIVE AS UNION EXCEPT ALL INTERSECT SELECT DISTINCT FROM TABLE WHERE BETWEEN
%token VALUES IN OR AND UNLESS SUCH THAT EXISTS
/* A character that begins no token; no production accepts it. */
%token INVALID_CHARACTER

%type <names> name_list opt_column_list
%type <items> select_list select_items
%type <tree> select_item value_expression product factor primary operand column_reference
%type <tree> condition conjunction comparison opt_where
%type <str> correlation_part
%type <code> sign set_operator opt_all
%type <schemas> relation_schemas
%type <first> query_expression query_term query_primary simple_table select_block

%destructor { free($$); } <str>
%destructor { delete $$; } <names> <tree> <schemas>
%destructor { deleteSelectList($$); } <items>

%initial-action {
    sqlyyrestart(sqlyyin);
    translation = std::make_unique<SQL_TRANSLATION>();
}

%%

sql_file
    : statements { translation.reset(); }
    ;

statements
    : statement ';'
    | statements statement ';'
    ;

statement
    : query { translation->endQueryStatement(); }
    | schema_definition
    ;

/* The last relation's schema is recorded first. */
schema_definition
    : DATALOG_SCHEMA relation_schemas {
          for (auto relation = $2->rbegin(); relation != $2->rend(); ++relation)
              translation->relationSchema(relation->first, relation->second);
          delete $2;
      }
    ;

relation_schemas
    : IDENTIFIER '(' name_list ')' {
          $$ = new SCHEMA_LIST;
          $$->emplace_back($1, std::move(*$3));
          free($1);
          delete $3;
      }
    | relation_schemas ',' IDENTIFIER '(' name_list ')' {
          $$ = $1;
          $$->emplace_back($3, std::move(*$5));
          free($3);
          delete $5;
      }
    ;

name_list
    : IDENTIFIER {
          $$ = new std::vector<std::string>{$1};
          free($1);
      }
    | name_list ',' IDENTIFIER {
          $$ = $1;
          $$->push_back($3);
          free($3);
      }
    ;

query
    : with_query
    | query_expression
    ;

with_query
    : WITH opt_recursive with_elements opt_unless with_body
    ;

with_body
    : with_query
    | query_expression
    ;

opt_recursive
    : %empty
    | RECURSIVE
    ;

with_elements
    : with_element
    | with_elements ',' with_element
    ;

with_element
    : IDENTIFIER opt_column_list AS '(' {
          translation->startWithElement($1, *$2);
          free($1);
          delete $2;
          // A syntax error in the element's query pops these again through the destructors.
          $1 = nullptr;
          $2 = nullptr;
      }
      query ')' { translation->endWithElement(); }
    ;

opt_column_list
    : %empty { $$ = new std::vector<std::string>; }
    | '(' name_list ')' { $$ = $2; }
    ;

opt_unless
    : %empty
    | unless exists_disjunction
    | unless exists_disjunction SUCH THAT exists_conjunction
    ;

unless
    : UNLESS { SQL_TRANSLATION::refuse("UNLESS"); }
    ;

exists_disjunction
    : '(' EXISTS select_block ')'
    | '(' EXISTS select_block ')' OR exists_disjunction
    ;

exists_conjunction
    : '(' EXISTS select_block ')'
    | '(' EXISTS select_block ')' AND exists_conjunction
    ;

query_expression
    : query_term
    | query_expression set_operator opt_all query_term {
          if ($2 != SQL_SET_UNION) translation->combine(SQL_SET_OPERATOR($2), $3, $1, $4);
          $$ = $1;
      }
    ;

set_operator
    : UNION { $$ = SQL_SET_UNION; }
    | EXCEPT { $$ = SQL_SET_EXCEPT; }
    ;

opt_all
    : %empty { $$ = 0; }
    | ALL { $$ = 1; }
    ;

query_term
    : query_primary
    | query_term INTERSECT opt_all query_primary {
          translation->combine(SQL_SET_INTERSECT, $3, $1, $4);
          $$ = $1;
      }
    ;

query_primary
    : simple_table
    | '(' query_expression ')' { $$ = $2; }
    ;

simple_table
    : select_block
    | VALUES { SQL_TRANSLATION::refuse("VALUES"); } operands { $$ = 0; }
    | TABLE IDENTIFIER {
          $$ = translation->table($2);
          free($2);
      }
    ;

operands
    : operand { delete $1; }
    | operands ',' operand { delete $3; }
    ;

select_block
    : SELECT opt_quantifier select_list FROM table_references opt_where {
          $$ = translation->endSelectBlock(*$3, $6);
          deleteSelectList($3);
          delete $6;
      }
    ;

opt_quantifier
    : %empty
    | ALL {
          fflush(stdout);
          fputs("Warning: ALL: Datalog doesn't support duplicates", stderr);
      }
    | DISTINCT
    ;

select_list
    : '*' {
          $$ = new std::vector<SSC_Tree *>;
          $$->push_back(new SSC_Tree(new SSC_RelSpec("*", ""), nullptr, nullptr));
      }
    | select_items
    ;

select_items
    : select_item {
          $$ = new std::vector<SSC_Tree *>;
          $$->push_back($1);
      }
    | select_items ',' select_item {
          $$ = $1;
          $$->push_back($3);
      }
    ;

/* The alias is not used. */
select_item
    : value_expression
    | value_expression IDENTIFIER { $$ = $1; free($2); }
    | value_expression AS IDENTIFIER { $$ = $1; free($3); }
    ;

value_expression
    : product
    | value_expression '+' product { $$ = operatorTree(SSC_PLUS, $1, $3); }
    | value_expression '-' product { $$ = operatorTree(SSC_MINUS, $1, $3); }
    ;

product
    : factor
    | product '*' factor { $$ = operatorTree(SSC_TIMES, $1, $3); }
    | product '/' factor { $$ = operatorTree(SSC_DIVIDE, $1, $3); }
    ;

factor
    : primary
    | sign primary { $$ = $1 == 1 ? operatorTree(SSC_NEGATE, $2, nullptr) : $2; }
    ;

primary
    : number { $$ = numberTree(); }
    | column_reference
    ;

table_references
    : table_reference
    | table_references ',' table_reference
    ;

/* The column list of a correlation is not used. */
table_reference
    : IDENTIFIER correlation_part {
          translation->registerCorrelation($2[0] != '\0' ? $2 : $1, $1);
          free($1);
          free($2);
      }
    | '(' { refuseSubquery(); } query ')' correlation_part { free($5); }
    | TABLE '(' { refuseSubquery(); } query ')' correlation_part { free($6); }
    ;

correlation_part
    : %empty {
          $$ = strdup("");
      }
    | IDENTIFIER opt_column_list { $$ = $1; delete $2; }
    | AS IDENTIFIER opt_column_list { $$ = $2; delete $3; }
    ;

opt_where
    : %empty { $$ = nullptr; }
    | WHERE condition { $$ = $2; }
    ;

condition
    : conjunction
    | condition OR conjunction { $$ = operatorTree(SSC_OR, $1, $3); }
    ;

conjunction
    : comparison
    | conjunction AND comparison { $$ = operatorTree(SSC_AND, $1, $3); }
    ;

/* The scanner's comparison codes are the operator codes. */
comparison
    : operand COMPARISON operand { $$ = operatorTree($2, $1, $3); }
    ;

operand
    : number { $$ = numberTree(); }
    | sign number { $$ = numberTree(); }
    | column_reference
    ;

sign
    : '+' { $$ = 0; }
    | '-' { $$ = 1; }
    ;

number
    : EXACT_NUMBER
    | APPROX_NUMBER
    ;

column_reference
    : IDENTIFIER {
          $$ = new SSC_Tree(new SSC_RelSpec("", $1), nullptr, nullptr);
          free($1);
      }
    | IDENTIFIER '.' IDENTIFIER {
          $$ = new SSC_Tree(new SSC_RelSpec($1, $3), nullptr, nullptr);
          free($1);
          free($3);
      }
    ;

%%

// Every error of the parser and the scanner is counted: a syntax error, an unterminated string,
// and a parse stack that would grow beyond its bound ("memory exhausted"), so that no table is
// printed from a file that was not read to its end.
void sqlyyerror(const char *message) {
    parseError(message);
    parserErrors++;
}

// A syntax error is reported and counted; the parse then ends. The scanner has reported the
// character behind an invalid token already.
static int yyreport_syntax_error(const yypcontext_t *context) {
    if (yypcontext_token(context) != YYSYMBOL_INVALID_CHARACTER) sqlyyerror("syntax error");
    return 0;
}
