#include <gtest/gtest.h>

#include <string>

#include "core/rule.h"
#include "support/diagnostics.h"
#include "support/option_values.h"

namespace {

struct POSITION_CASE {
    const char *file;
    uint32_t line;
    bool verbose;
    bool internal;
    const char *expected;
};

TEST(ParseError, PlacesTheMessageInTheInput) {
    const POSITION_CASE cases[] = {
        {"input.txt", 3, false, false, "input.txt: line 3: syntax error.\n"},
        {"", 7, false, false, "line 7: syntax error.\n"},
        {"input.txt", 0, false, false, "input.txt: line 0: syntax error.\n"},
        {"input.txt", 3, true, false, "quarn (input.txt: line 3): syntax error.\n"},
        {"", 2, true, false, "quarn (line 2): syntax error.\n"},
        {"input.txt", 3, false, true, "Internal parser invocation: syntax error.\n"},
        {"input.txt", 3, true, true, "Internal parser invocation: syntax error.\n"},
        // The message is text, never a format.
        {"%s.dl", 1, false, false, "%s.dl: line 1: syntax error.\n"},
    };
    programName = "quarn";
    for (const POSITION_CASE &c : cases) {
        currentFileName = c.file;
        currentLine = c.line;
        optVerbose = c.verbose;
        internalParserInvocation = c.internal;
        testing::internal::CaptureStderr();
        parseError("syntax error");
        EXPECT_EQ(c.expected, testing::internal::GetCapturedStderr());
    }
    testing::internal::CaptureStderr();
    currentFileName = "";
    internalParserInvocation = false;
    optVerbose = false;
    parseError("100% %n wrong");
    EXPECT_EQ("line 1: 100% %n wrong.\n", testing::internal::GetCapturedStderr());
    EXPECT_EQ(0u, parserErrors);  // counting is the caller's business
    currentLine = 0;
}

TEST(InternalErrorDeathTest, ReportsTheTagAndExitsWith99) {
    EXPECT_EXIT(internalError("freeze violation"), testing::ExitedWithCode(99),
                "\nAn internal error occurred \\(freeze violation\\)\\.\n.*maintainers");
    // No wait under -wait: the process ends at once, standard input untouched.
    EXPECT_EXIT(
        {
            optWait = true;
            internalError("model check");
        },
        testing::ExitedWithCode(99), "\\(model check\\)");
}

// Positions number the inputs as they are met, name them in the note under a quoted statement,
// and are none while the system's own text is read.
TEST(SourcePosition, NamesTheInputAndLineOfAStatement) {
    resetDiagnostics();
    currentFileName = "a.dl";
    currentLine = 4;
    SOURCE_POSITION a = currentSourcePosition();
    currentLine = 9;
    SOURCE_POSITION a2 = currentSourcePosition();
    currentFileName = "";
    currentLine = 2;
    SOURCE_POSITION fromStdin = currentSourcePosition();
    currentFileName = "%s.dl";
    currentLine = 1;
    SOURCE_POSITION odd = currentSourcePosition();
    internalParserInvocation = true;
    SOURCE_POSITION generated = currentSourcePosition();
    EXPECT_EQ(a.file, a2.file);
    EXPECT_EQ("  from a.dl: line 4\n", sourceNote(a));
    EXPECT_EQ("  from a.dl: line 9\n", sourceNote(a2));
    EXPECT_EQ("  from line 2\n", sourceNote(fromStdin));
    EXPECT_EQ("  from %s.dl: line 1\n", sourceNote(odd));
    EXPECT_FALSE(generated.known());
    EXPECT_EQ("", sourceNote(generated));
    EXPECT_EQ("", sourceNote(SOURCE_POSITION()));
    resetDiagnostics();
}

}  // namespace
