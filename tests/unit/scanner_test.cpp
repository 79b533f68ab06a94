// The rule-language scanner: token rules in their priority, the first-column directives and their
// line condition, line counting, and the lexical messages.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "input/parser.h"
#include "support/diagnostics.h"
#include "input/parser.tab.h"

struct yy_buffer_state;
yy_buffer_state *yy_scan_string(const char *text);
void yy_delete_buffer(yy_buffer_state *buffer);
void yyrestart(FILE *input);
int yylex();
extern FILE *yyin;

namespace {

std::string tokenName(int token) {
    static const std::map<int, std::string> names = {
        {TOK_IDENTIFIER, "ID"}, {TOK_NUMBER, "NUM"}, {TOK_IMPLIES, ":-"}, {TOK_WEAK_IMPLIES, ":~"},
        {TOK_EQUAL, "=="}, {TOK_NOT_EQUAL, "!="}, {TOK_LESS_OR_EQ, "<="}, {TOK_GREATER_OR_EQ, ">="},
        {TOK_NOT, "not"}, {TOK_AGGR_ANY, "#any"}, {TOK_AGGR_AVG, "#avg"}, {TOK_AGGR_COUNT, "#count"},
        {TOK_AGGR_MAX, "#max"}, {TOK_AGGR_MIN, "#min"}, {TOK_AGGR_SUM, "#sum"},
        {TOK_AGGR_TIMES, "#times"}, {TOK_CONST_DIRECTIVE, "#const"}, {TOK_MAXINT, "#maxint"},
        {TOK_BUILTIN_INT, "#int"}, {TOK_BUILTIN_PREC, "#prec"}, {TOK_BUILTIN_SUCC, "#succ"},
        {TOK_BUILTIN_MOD, "#mod"}, {TOK_BUILTIN_ABSDIFF, "#absdiff"}, {TOK_BUILTIN_RAND, "#rand"},
        {TOK_BUILTIN_MEMBER, "#member"}, {TOK_BUILTIN_LAST, "#last"}, {TOK_BUILTIN_LENGTH, "#length"},
        {TOK_BUILTIN_APPEND, "#append"}, {TOK_BUILTIN_INSNTH, "#insnth"},
        {TOK_BUILTIN_GETNTH, "#getnth"}, {TOK_BUILTIN_DELNTH, "#delnth"},
        {TOK_BUILTIN_INSLAST, "#insLast"}, {TOK_BUILTIN_REVERSE, "#reverse"},
        {TOK_BUILTIN_SUBLIST, "#subList"}, {TOK_BUILTIN_HEAD, "#head"}, {TOK_BUILTIN_TAIL, "#tail"},
        {TOK_BUILTIN_FLATTEN, "#flatten"}, {TOK_IMPORT_DIRECTIVE, "#import"},
        {TOK_EXPORT_DIRECTIVE, "#export"}, {TOK_EXPORT_QUERY_RESULT_DIRECTIVE, "#exportQueryResult"},
        {TOK_DIRECTIVE_END, "END"}, {TOK_LEXICAL_ERROR, "ERR"}};
    auto it = names.find(token);
    return it != names.end() ? it->second : std::string(1, char(token));
}

struct SCAN {
    std::string tokens, messages;
    uint32_t lines; // newlines counted
};

SCAN scan(const char *text) {
    uint32_t lineBefore = currentLine;
    testing::internal::CaptureStderr();
    yy_buffer_state *buffer = yy_scan_string(text);
    std::string tokens;
    for (int token; (token = yylex()) != 0;) {
        if (!tokens.empty()) tokens += ' ';
        tokens += tokenName(token);
        if (token == TOK_IDENTIFIER || token == TOK_NUMBER) {
            tokens.append("<").append(yylval.str).append(">");
            free(yylval.str);
        }
    }
    yy_delete_buffer(buffer);
    return {tokens, testing::internal::GetCapturedStderr(), currentLine - lineBefore};
}

class ScannerTest : public ::testing::Test {
protected:
    void SetUp() override {
        internalParserInvocation = false;
        currentFileName.clear();
        currentLine = 1;
        parserErrors = 0;
    }
    void TearDown() override { internalParserInvocation = true; }
};

struct TOKEN_CASE {
    const char *text, *tokens;
};

TEST_F(ScannerTest, TokenRulesInTheirPriority) {
    const TOKEN_CASE cases[] = {
        {"a v b", "ID<a> v ID<b>"},
        {"vx v_1 vv V", "ID<vx> ID<v_1> ID<vv> ID<V>"},
        {"not nota not_a non nonx", "not ID<nota> ID<not_a> not ID<nonx>"},
        {":- <- :~ == != <> < > <= >= = !", ":- :- :~ == != != < > <= >= = !"},
        {", . : ; - ~ + * / | ( ) [ ] { } ? _", ", . : ; - ~ + * / | ( ) [ ] { } ? _"},
        {"#any #avg #count #max #min #sum #times #const #maxint",
         "#any #avg #count #max #min #sum #times #const #maxint"},
        {"#int #prec #succ #mod #absdiff #rand", "#int #prec #succ #mod #absdiff #rand"},
        {"#member #last #length #append #insnth #getnth #delnth #insLast #reverse #subList #head "
         "#tail #flatten",
         "#member #last #length #append #insnth #getnth #delnth #insLast #reverse #subList #head "
         "#tail #flatten"},
        {"#countx #maxint2", "#count ID<x> #maxint NUM<2>"},
        {"_abc 1a 007", "_ ID<abc> NUM<1> ID<a> NUM<007>"},
        {"-1 1.5", "- NUM<1> NUM<1> . NUM<5>"},
        {"\"Hello, World\" \"\"", "ID<\"Hello, World\"> ID<\"\">"},
        {"a. % comment :- b.\nc", "ID<a> . ID<c>"},
        {"a\t \tb", "ID<a> ID<b>"},
    };
    for (const TOKEN_CASE &c : cases) {
        SCAN s = scan(c.text);
        EXPECT_EQ(s.tokens, c.tokens) << c.text;
        EXPECT_EQ(s.messages, "") << c.text;
    }
    EXPECT_EQ(parserErrors, 0u);
}

TEST_F(ScannerTest, LexicalErrorsAreReportedCountedAndReturned) {
    struct ERROR_CASE {
        const char *text, *tokens, *messages;
    };
    const ERROR_CASE cases[] = {
        {"1234567890", "ERR", "line 1: numeric constant 1234567890 is too long.\n"},
        {"123456789", "NUM<123456789>", ""},
        {"p($a)", "ID<p> ( ERR )", "line 1: identifier starts with '$'.\n"},
        {"a$b", "ID<a> ERR", "line 1: identifier starts with '$'.\n"},
        {"s & t", "ID<s> ERR ID<t>", "line 1: syntax error (&).\n"},
        {"#x #Count #inslast", "ERR ID<x> ERR ID<Count> ERR ID<inslast>",
         "line 1: syntax error (#).\nline 1: syntax error (#).\nline 1: syntax error (#).\n"},
        {"a\rb", "ID<a> ERR ID<b>", "line 1: syntax error (\r).\n"},
    };
    uint32_t expectedErrors = 0;
    for (const ERROR_CASE &c : cases) {
        SCAN s = scan(c.text);
        EXPECT_EQ(s.tokens, c.tokens) << c.text;
        EXPECT_EQ(s.messages, c.messages) << c.text;
        for (const char *m = c.messages; *m; m++) expectedErrors += *m == '\n';
    }
    EXPECT_EQ(parserErrors, expectedErrors);
}

TEST_F(ScannerTest, DollarNamesAreIdentifiersInGeneratedText) {
    internalParserInvocation = true;
    SCAN s = scan("$a T$1 X$y$ $");
    EXPECT_EQ(s.tokens, "ID<$a> ID<T$1> ID<X$y$> ID<$>");
    EXPECT_EQ(parserErrors, 0u);
}

TEST_F(ScannerTest, LinesAreCountedOutsideQuotedStrings) {
    SCAN s = scan("a.\r\nb.\n\"two\nlines\".\n");
    EXPECT_EQ(s.tokens, "ID<a> . ID<b> . ID<\"two\nlines\"> .");
    EXPECT_EQ(s.lines, 3u);
}

// Tokens far longer than one block read from a file: each spans many refills and makes the
// buffer grow several times, and must still come out whole, with the lines counted around it and
// the next token intact. Long tokens are shown by their length.
TEST_F(ScannerTest, TokensSpanningManyBlockReadsComeOutWhole) {
    const std::string n(300000, 'n'), nine(300000, '9'), blanks(300000, ' ');
    struct LONG_CASE {
        std::string text, tokens, messages;
        uint32_t lines;
    };
    const LONG_CASE cases[] = {
        {"p(a" + n + ").\nq.\n", "ID<1> ( ID<300001> ) . ID<1> .", "", 2},
        {"p(\"" + n + "\n" + n + "\").\n", "ID<1> ( ID<600003> ) .", "", 1},
        {"%" + n + "\nq.\n", "ID<1> .", "", 2},
        {"p" + blanks + "." + blanks + "\nq.", "ID<1> . ID<1> .", "", 1},
        {"p(" + nine + ").\n", "ID<1> ( ERR ) .", "line 1: numeric constant " + nine + " is too long.\n", 1},
    };
    for (const LONG_CASE &c : cases) {
        std::FILE *file = std::tmpfile();
        ASSERT_NE(file, nullptr);
        std::fwrite(c.text.data(), 1, c.text.size(), file);
        std::rewind(file);
        currentLine = 1;
        testing::internal::CaptureStderr();
        yyin = file;
        yyrestart(file);
        std::string tokens;
        for (int token; (token = yylex()) != 0;) {
            if (!tokens.empty()) tokens += ' ';
            tokens += tokenName(token);
            if (token == TOK_IDENTIFIER || token == TOK_NUMBER) {
                tokens += "<" + std::to_string(std::string(yylval.str).size()) + ">";
                free(yylval.str);
            }
        }
        EXPECT_EQ(tokens, c.tokens) << c.text.substr(0, 20);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.messages) << c.text.substr(0, 20);
        EXPECT_EQ(currentLine - 1, c.lines) << c.text.substr(0, 20);
        yyin = nullptr;
        std::fclose(file);
    }
}

TEST_F(ScannerTest, DirectivesStartInTheFirstColumnAndEndWithTheirLine) {
    SCAN s = scan("#import(db).\n#export x\n#exportQueryResult\r\na.\n");
    EXPECT_EQ(s.tokens, "#import ( ID<db> ) . END #export ID<x> END #exportQueryResult END ID<a> .");
    EXPECT_EQ(s.lines, 4u);

    currentLine = 1;
    s = scan("  #import\n");
    EXPECT_EQ(s.tokens, "ERR ID<import>");
    EXPECT_EQ(s.messages, "line 1: syntax error (#).\n");
}

} // namespace
