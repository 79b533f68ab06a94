// The rule-language parser: entry points for the driver and the front-ends, and the state the
// parser keeps for the whole run. Every call adds to the one global program (core/program.h);
// errors are reported through parseError and counted in parserErrors, and only whether that
// count is zero decides whether the run goes on after the input is read.
//
// The driver reads each rule-language file with parseFile (standard input under "--" too); the
// planning front-end feeds the rule text it generates through parseString, after the driver set
// internalParserInvocation, so its messages begin "Internal parser invocation: " and '$'-names
// are names.
#pragma once

#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

// Parses one input to its end: a rule-language file or standard input, already opened. The
// driver sets currentFileName and currentLine before and closes the file after. Returns the
// parser's result (0 accepted, 1 recovery gave up at the end or an arity clash stopped it, 2
// stacks exhausted); success is judged by parserErrors. An arity clash is written and stops the
// parse at the atom; `arityClashRecorded` (core/predicate_table.h) then tells the caller to end
// the run with status 1.
int parseFile(FILE *input);
// Parses rule text that the system generated, then empties the string. True when parserErrors
// did not change.
bool parseString(std::string &text);
// The same for rule text collected in a stream; the stream is emptied.
bool parseString(std::ostringstream &text);

// The generated scanner and parser (prefix "yy"): yyin is the input the scanner reads.
extern FILE *yyin;
int yyparse();

// The largest integer met in terms and "#const" values; -1 before the first.
extern int32_t maxInputInteger;
// The weight format of the weak constraints: 0 before the first one, then 1 (no brackets),
// 2 (level only), 3 (weight only) or 4 (weight and level).
extern int32_t weightFormat;
// Set while the term of "#maxint = t" is read: the new bound is not checked against the old one.
extern bool rangeCheckSuspended;
// Set when a strict rule ("!") was read.
extern bool strictRulesUsed;
// The object that receives the rules and facts being read: an index into `objects`, 0 (the
// default object) outside object definitions.
extern int32_t currentObject;

// "#import" and "#export" directives, stored for the driver, which reports that it ignores them.
struct IMPORT_STATEMENT {
    std::string database, user, password, query, predicate, typeList;
};
struct EXPORT_STATEMENT {
    // For "#exportQueryResult" the first name is empty.
    std::string database, user, password, secondName, firstName, deleteCondition;
};
extern std::vector<IMPORT_STATEMENT> importStatements;
extern std::vector<EXPORT_STATEMENT> exportStatements;

// Puts the parser's state above, the scanner's and the storage of object definitions back as
// the process starts them, so that another input can be read in the same process.
void resetParser();
