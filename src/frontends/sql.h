// The SQL3 front-end (-FS): ".sql" files with a query that is translated into rules; the answer
// table is printed from the true atoms of the result predicate.
#pragma once

#include <cstdio>

#include "core/atom_sets.h"

// Set by the driver before it calls the parser.
extern FILE *sqlyyin;

// Reads `sqlyyin` and translates the query into rules of the program; counts syntax errors in
// parserErrors; its fatal errors end the process with statuses of their own.
int sqlyyparse();

// The answer table on standard output: one row per atom of the result predicate, arguments
// separated by tabs.
void printSqlAnswers(const ATOM_SETS &trueAtoms);
