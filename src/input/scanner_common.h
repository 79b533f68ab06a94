// What the generated scanners share (rule language, planning, diagnosis, SQL): block reads, the
// end of a run on a fatal scanner error, the copy of a token's text that a parser value owns, and
// the report of a lexical error. Included in the prologue of each .l file, before the generated
// definitions it replaces.
//
// Block reads: a generated scanner matches a token again from its first byte after every refill
// of its buffer, so a token much longer than one block (a name, quoted string, comment, number or
// run of blanks of megabytes) would cost its length times the number of blocks it spans. Reads
// stay at 8192 bytes while the buffer is small, and once a token has made the buffer grow they
// fill up to half of it: the buffer doubles, the next read fills the half the token left free,
// and a token is matched again only once per doubling, so scanning stays linear in the input.
#pragma once

#include <string>

#define YY_READ_BUF_SIZE                                                                               \
    (YY_CURRENT_BUFFER_LVALUE->yy_buf_size > YY_BUF_SIZE ? int(YY_CURRENT_BUFFER_LVALUE->yy_buf_size / 2) : 8192)

// A fatal scanner error (the scanner's own, or no memory left for a token's text): the message on
// standard error and the end of the process with status 2. Standard output is flushed first, so
// both streams keep their order.
[[noreturn]] void scannerFatalError(const char *message);
#define YY_FATAL_ERROR(msg) scannerFatalError(msg)

// A fresh copy of a token's text, which the parser owns and frees. `scanner` names the scanning
// function ("yylex", "planyylex", ...) in the message when no memory is left.
char *tokenText(const char *text, const char *scanner);

// A lexical error: reported like a parse error (`parseError`) and counted in `parserErrors`.
void reportLexicalError(const std::string &message);
