// The SQL3 front-end against the program store: long WHERE chains are translated and freed
// without recursion, the parser's results, and the translation's refusals of trees that the
// grammar never builds (a condition where a column is expected and the reverse).
//
// Every test starts from an empty program store and predicate table (unit_main.cpp).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/printer.h"
#include "core/program.h"
#include "frontends/sql.h"
#include "frontends/sql_translation.h"
#include "support/diagnostics.h"
#include "test_support.h"

namespace {

std::string ruleText(const RULE &rule) {
    return capture([&](FILE *f) { printRule(f, rule); });
}

class SqlFileTest : public ::testing::Test {
protected:
    size_t rulesBefore = 0;

    void SetUp() override {
        parserErrors = 0;
        currentFileName = "test.sql";
        rulesBefore = IDB.size();
    }
    void TearDown() override {
        IDB.resize(rulesBefore);
        parserErrors = 0;
        currentFileName.clear();
    }

    // Reads the text as one ".sql" file; returns the parser's result and what was written on
    // standard error through `err`.
    int read(const std::string &text, std::string *err = nullptr) {
        FILE *file = tmpfile();
        fputs(text.c_str(), file);
        rewind(file);
        sqlyyin = file;
        currentLine = 1;
        testing::internal::CaptureStderr();
        int result = sqlyyparse();
        std::string written = testing::internal::GetCapturedStderr();
        if (err) *err = written;
        fclose(file);
        return result;
    }
};

std::string conjunctionChain(size_t length) {
    std::string text = "DATALOG SCHEMA sqlt_deep(a, b);\nSELECT a FROM sqlt_deep WHERE a = b";
    for (size_t i = 1; i < length; ++i) text += " AND b = a";
    return text;
}

}  // namespace

TEST_F(SqlFileTest, LongConjunctionIsOneRule) {
    ASSERT_EQ(read(conjunctionChain(500000) + ";\n"), 0);
    ASSERT_EQ(IDB.size(), rulesBefore + 1);
    EXPECT_EQ(ruleText(IDB.back()).rfind("sql2dl__intern0(_", 0), 0u);
    EXPECT_EQ(sqlAnswerPredicate, "sql2dl__intern0");
    EXPECT_EQ(parserErrors, 0u);
}

TEST_F(SqlFileTest, LongConjunctionBeforeSyntaxErrorIsFreed) {
    std::string err;
    EXPECT_EQ(read(conjunctionChain(500000) + " AND ;\n", &err), 1);
    EXPECT_EQ(err, "test.sql: line 2: syntax error.\n");
    EXPECT_EQ(parserErrors, 1u);
    EXPECT_EQ(IDB.size(), rulesBefore);
}

TEST_F(SqlFileTest, RulesOfCompletedBlocksStayAfterSyntaxError) {
    EXPECT_EQ(read("DATALOG SCHEMA sqlt_keep(a);\nSELECT a FROM sqlt_keep;\nSELECT FROM;\n"), 1);
    EXPECT_EQ(IDB.size(), rulesBefore + 1);
    EXPECT_EQ(parserErrors, 1u);
}

// Nesting deeper than the parse stack is an error that is counted, so the run ends after the
// input without a table; a long list of relations is not nesting.
TEST_F(SqlFileTest, NestingDeeperThanTheStackIsCountedAsAnError) {
    std::string text = "DATALOG SCHEMA sqlt_nest(a);\n" + std::string(12000, '(') + "SELECT a FROM sqlt_nest" +
                       std::string(12000, ')') + ";\n";
    std::string err;
    EXPECT_EQ(read(text, &err), 2);
    EXPECT_EQ(err, "test.sql: line 2: memory exhausted.\n");
    EXPECT_EQ(parserErrors, 1u);
}

TEST_F(SqlFileTest, LongSchemaListIsRead) {
    std::string text = "DATALOG SCHEMA sqlt_wide(a)";
    for (int i = 0; i < 20000; ++i) text += ", sqlt_w" + std::to_string(i) + "(a)";
    text += ";\nSELECT sqlt_wide.a FROM sqlt_wide;\n";
    ASSERT_EQ(read(text), 0);
    EXPECT_EQ(IDB.size(), rulesBefore + 1);
    EXPECT_EQ(parserErrors, 0u);
}

// The grammar gives comparisons only column references and numbers as operands, and conditions
// only comparisons: these trees are built by hand.
TEST(SqlTranslationDeathTest, OperandAndConditionKindsAreChecked) {
    struct CASE {
        const char *name;
        bool equalityAsOperand;
        int status;
        const char *message;
    };
    const CASE cases[] = {
        {"a condition as an operand", true, 6, "Error: Boolean operator encountered where scalar was expected."},
        {"a column as the condition", false, 7, "Error: Scalar value encountered where boolean was expected."},
    };
    for (const CASE &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EXIT(
            {
                SQL_TRANSLATION translation;
                translation.relationSchema("sqlt_kind", {"a", "b"});
                translation.registerCorrelation("sqlt_kind", "sqlt_kind");
                auto column = [](const char *a) { return new SSC_Tree(new SSC_RelSpec("", a), nullptr, nullptr); };
                SSC_Tree *where = nullptr;
                if (c.equalityAsOperand) {
                    SSC_Tree *inner = new SSC_Tree(new SSC_Operator(SSC_EQUAL), column("a"), column("b"));
                    where = new SSC_Tree(new SSC_Operator(SSC_EQUAL), inner, column("a"));
                } else {
                    where = column("a");
                }
                std::vector<SSC_Tree *> selectList{column("a")};
                translation.endSelectBlock(selectList, where);
            },
            ::testing::ExitedWithCode(c.status), std::string("In statement ending at line [0-9]+:\n") + c.message);
    }
}
