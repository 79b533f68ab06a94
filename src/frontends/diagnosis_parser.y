%{
// Grammar of the diagnosis files. A file is a sequence of statements "literal." with an optional
// weight "[n]" after the period; a literal is an atom, possibly negated, whose arguments are
// names and numbers. The actions hand each atom and statement to the statement actions of
// diagnosis.h, which store them.
//
// There is no error recovery: the first syntax error is reported and counted, and the rest of the
// file is not read. Each call scans its file from the start, also after a syntax error in the
// previous one.

#include <cstdio>
#include <cstdlib>

#include "frontends/diagnosis.h"
#include "support/diagnostics.h"

int diagyylex();
void diagyyerror(const char *message);
void diagyyrestart(FILE *input);

// Stacks start at 200 entries and double up to 10000; a deeper parse is "memory exhausted".
#define YYINITDEPTH 200
#define YYMAXDEPTH 10000
%}

%code requires {
#include "core/atom.h"
#include "core/term.h"
}

%define api.prefix {diagyy}
%define api.token.prefix {DIAG_}
%define parse.error custom

%union {
    char *str;
    TERM *term;
    TERMS *terms;
    ATOM *atom;
    LITERAL *literal;
}

%token <str> IDENTIFIER NUMBER
%token INVALID COMMA PERIOD OPEN_PAREN CLOSE_PAREN NEGATION OPEN_BRACKET CLOSE_BRACKET

%type <str> name
%type <term> term
%type <terms> terms
%type <atom> atom
%type <literal> literal

%destructor { free($$); } <str>
%destructor { delete $$; } <term> <terms> <atom> <literal>

%initial-action { diagyyrestart(diagyyin); }

%%

file
    : %empty
    | file literal PERIOD {
          addDiagnosisStatement(*$2, nullptr);
          delete $2;
      }
    | file literal PERIOD OPEN_BRACKET NUMBER CLOSE_BRACKET {
          addDiagnosisStatement(*$2, $5);
          delete $2;
          free($5);
      }
    ;

literal
    : atom {
          $$ = new LITERAL(std::move(*$1), false);
          delete $1;
      }
    | NEGATION atom {
          $$ = new LITERAL(std::move(*$2), true);
          delete $2;
      }
    ;

atom
    : name {
          $$ = new ATOM(makeDiagnosisAtom($1, nullptr));
          free($1);
      }
    | name OPEN_PAREN terms CLOSE_PAREN {
          $$ = new ATOM(makeDiagnosisAtom($1, $3));
          free($1);
          delete $3;
      }
    ;

terms
    : term {
          $$ = new TERMS;
          $$->push_back(*$1);
          delete $1;
      }
    | terms COMMA term {
          $$ = $1;
          $$->push_back(*$3);
          delete $3;
      }
    ;

name : IDENTIFIER { $$ = $1; } ;

term
    : IDENTIFIER {
          $$ = new TERM(makeConstantTerm($1));
          free($1);
      }
    | NUMBER {
          $$ = new TERM(makeDiagnosisNumberTerm($1));
          free($1);
      }
    ;

%%

void diagyyerror(const char *message) { parseError(message); }

// A syntax error is reported and counted; the parse then ends.
static int yyreport_syntax_error(const yypcontext_t *) {
    diagyyerror("syntax error");
    parserErrors++;
    return 0;
}
