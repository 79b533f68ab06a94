// The rule-language parser against the program store: entry points, scanner states, directives,
// objects, and the behaviours the end-to-end cases cannot show (generated text, stack limits,
// NUL bytes, guards no program text can write, aux# names).
//
// Every test starts from an empty program store and predicate table (unit_main.cpp).
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <sstream>
#include <string>

#include "core/builtin.h"
#include "core/printer.h"
#include "core/program.h"
#include "input/aggregates.h"
#include "input/parser.h"
#include "input/statements.h"
#include "support/diagnostics.h"
#include "support/option_values.h"

namespace {

class ParserTest : public ::testing::Test {
protected:
    void SetUp() override {
        IDB.clear();
        EDB.clear();
        constraints.clear();
        weakConstraints.clear();
        query.reset();
        namedConstants.clear();
        importStatements.clear();
        exportStatements.clear();
        objects.clear();
        objects.emplace_back(makeConstantTerm("#defaultobject"), &EDB, &IDB);
        currentObject = 0;
        parserErrors = 0;
        weightFormat = 0;
        maxInt = -1;
        maxInputInteger = -1;
        internalParserInvocation = true;
        currentFileName.clear();
        currentLine = 1;
    }

    // Parses generated text; returns what was written on standard error.
    std::string parse(const std::string &text, bool *accepted = nullptr) {
        std::string buffer = text;
        testing::internal::CaptureStderr();
        bool ok = parseString(buffer);
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(buffer.empty());
        if (accepted) *accepted = ok;
        return err;
    }

    // Parses text as a user file; returns what was written on standard error.
    std::string parseAsFile(const std::string &text) {
        FILE *file = tmpfile();
        fwrite(text.data(), 1, text.size(), file);
        rewind(file);
        internalParserInvocation = false;
        currentFileName = "in.lp";
        currentLine = 1;
        testing::internal::CaptureStderr();
        parseFile(file);
        std::string err = testing::internal::GetCapturedStderr();
        fclose(file);
        internalParserInvocation = true;
        return err;
    }

    static std::string printed(const RULE &rule) {
        char *text = nullptr;
        size_t size = 0;
        FILE *out = open_memstream(&text, &size);
        printRule(out, rule);
        fclose(out);
        std::string result(text, size);
        free(text);
        return result;
    }
};

TEST_F(ParserTest, GeneratedTextIsReportedAsAnInternalInvocation) {
    bool accepted = true;
    EXPECT_EQ(parse("pa1 :- pb1 pc1.", &accepted),
              "Internal parser invocation: syntax error.\n  unexpected 'pc1'\n");
    EXPECT_FALSE(accepted);
    EXPECT_EQ(parserErrors, 1u);

    EXPECT_EQ(parse("pa1 :- pb1.", &accepted), "");
    EXPECT_TRUE(accepted);
    ASSERT_EQ(IDB.size(), 1u);
}

TEST_F(ParserTest, RuleTextCollectedInAStreamIsParsedAndTheStreamEmptied) {
    std::ostringstream text;
    text << "st1(X) :- st2(X)." << " st3(";
    testing::internal::CaptureStderr();
    EXPECT_FALSE(parseString(text));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Internal parser invocation: syntax error.\n  unexpected end of input\n");
    EXPECT_EQ(text.str(), "");
    EXPECT_EQ(IDB.size(), 1u);
}

// An arity clash stops the parse at the atom, in every place an atom is read: nothing after it is
// read or reported (the driver then ends the run with status 1), and the parser's values are
// released.
TEST_F(ParserTest, AnArityClashStopsTheParseAtTheAtom) {
    struct {
        const char *text;
        const char *message;
        size_t rules;
    } cases[] = {
        {"ac1(1,2).\nac2 :- ac1(1,2,3), ac3 ac4.\nac5.\n", "ac1, first used with arity 2, now seen with arity 3.\n", 0},
        {"ac6(1).\nac7 :- ac8.\nac7 :- not ac6.\nac9.\n", "ac6, first used with arity 1, now seen with arity 0.\n", 1},
        {"-ac10(1).\n-ac10 v ac11.\n", "-ac10, first used with arity 1, now seen with arity 0.\n", 0},
        {"ac12.\nac12(1..9999999).\nac13 :- .\n", "ac12, first used with arity 0, now seen with arity 1.\n", 0},
        {"ac14(X) :- ac15(X).\n-ac14(1..3).\n:- ac15(X,Y).\n", "ac15, first used with arity 1, now seen with arity 2.\n", 1},
    };
    for (auto &c : cases) {
        IDB.clear();
        EXPECT_EQ(parseAsFile(c.text), c.message) << c.text;
        EXPECT_TRUE(arityClashRecorded()) << c.text;
        EXPECT_EQ(IDB.size(), c.rules) << c.text;
        EXPECT_EQ(parserErrors, 0u) << c.text;
        clearArityClash();
    }
}

TEST_F(ParserTest, DollarNamesAreNamesOnlyInGeneratedText) {
    EXPECT_EQ(parse("dl1($a, T$1) :- dl2(T$1), $nexttime(T$, T$1)."), "");
    ASSERT_EQ(IDB.size(), 1u);
    EXPECT_EQ(printed(IDB[0]), "dl1($a,_0) :- dl2(_0), $nexttime(_1,_0).");

    EXPECT_EQ(parseAsFile("dl3($a).\n"),
              "in.lp: line 1: identifier starts with '$'.\nin.lp: line 1: syntax error.\n"
              "  unexpected '$a' at column 5\n");
    // The lexical error, and each recovery step over the tokens that fit nowhere.
    EXPECT_GE(parserErrors, 2u);
}

TEST_F(ParserTest, TermsNestedBeyondTheStackLimitExhaustTheParser) {
    std::string deep = "deepobj { deep1(X, ";
    for (int i = 0; i < 6000; i++) deep += "f(";
    deep += "a";
    for (int i = 0; i < 6000; i++) deep += ")";
    deep += ").\nafter1.\n";
    std::string err = parse(deep);
    EXPECT_EQ(err, "Internal parser invocation: memory exhausted.\n");
    EXPECT_GE(parserErrors, 1u);
    // The parse of this input ended there.
    EXPECT_FALSE(predicateTable.find("after1").second);
    // The next input starts afresh: default object, variables numbered from 0.
    EXPECT_EQ(parse("after2(Y) :- after3(Y).\n"), "");
    EXPECT_EQ(currentObject, 0);
    ASSERT_EQ(IDB.size(), 1u);
    EXPECT_EQ(printed(IDB[0]), "after2(_0) :- after3(_0).");
}

TEST_F(ParserTest, ANulByteInAQuotedStringIsAnErrorAndNoShortName) {
    std::string text = "nul1(\"ab";
    text += '\0';
    text += "cd\").\n";
    std::string err = parseAsFile(text);
    EXPECT_EQ(err.rfind("in.lp: line 1: syntax error (NUL byte in quoted string).\n", 0), 0u) << err;
    EXPECT_GE(parserErrors, 1u);
    EXPECT_FALSE(constantTable.find("\"ab").second);
}

TEST_F(ParserTest, ADirectiveWithoutItsLineEndLeavesTheNextInputInTheDirectiveLine) {
    EXPECT_EQ(parse("#export(db, \"u\", \"p\", a, b)."),
              "Internal parser invocation: syntax error.\n  unexpected end of input\n");
    // The next input starts on the directive line: its first newline ends that line.
    EXPECT_EQ(parse("dir1.\ndir2.\n"), "Internal parser invocation: syntax error.\n  unexpected end of line\n");
    EXPECT_EQ(parse("dir3.\n"), "");
    EXPECT_TRUE(EDB.containsChecked(ATOM("dir3", static_cast<const TERMS *>(nullptr), PREDICATE_UNDEFINED)));
}

TEST_F(ParserTest, DatabaseDirectivesAreStoredWithoutQuotes) {
    EXPECT_EQ(parse("#import(db1, \"u\", \"pw\", \"select x\", imp1, type : a, b, c).\n"
                    "#import(db2, \"u2\", \"pw2\", \"q2\", imp2).\n"
                    "#import(db1, \"u3\", \"pw3\", \"q3\", imp3).\n"
                    "#export(db1, \"u\", \"pw\", first, second, \"x > 1\").\n"
                    "#exportQueryResult(db2, \"u\", \"pw\", only).\n"),
              "");
    ASSERT_EQ(importStatements.size(), 3u);
    // A statement goes before the first one with the same database.
    EXPECT_EQ(importStatements[0].user, "u3");
    EXPECT_EQ(importStatements[1].user, "u");
    EXPECT_EQ(importStatements[1].query, "select x");
    EXPECT_EQ(importStatements[1].predicate, "imp1");
    EXPECT_EQ(importStatements[1].typeList, "a, b, c");
    EXPECT_EQ(importStatements[2].typeList, "");
    ASSERT_EQ(exportStatements.size(), 2u);
    EXPECT_EQ(exportStatements[0].secondName, "second");
    EXPECT_EQ(exportStatements[0].firstName, "first");
    EXPECT_EQ(exportStatements[0].deleteCondition, "x > 1");
    EXPECT_EQ(exportStatements[1].secondName, "only");
    EXPECT_EQ(exportStatements[1].firstName, "");
}

TEST_F(ParserTest, ObjectsReceiveTheirRulesAndMarkOverriddenAtomsInTheirAncestors) {
    EXPECT_EQ(parse("ob1 { op1. oq1 :- op1. }\nob2 : ob1 { -op1. or1 :- oq1! }\nos1.\n"), "");
    ASSERT_EQ(objects.size(), 3u);
    EXPECT_EQ(objects[1].facts->atomCount(), 1u);
    EXPECT_EQ(objects[1].rules->size(), 1u);
    ASSERT_NE(objects[2].parents, nullptr);
    EXPECT_EQ(*objects[2].parents, std::vector<int32_t>{1});
    ATOM overridden("op1", static_cast<const TERMS *>(nullptr), PREDICATE_UNDEFINED);
    ASSERT_NE(objects[1].overridden, nullptr);
    EXPECT_EQ(objects[1].overridden->count(overridden), 1u);
    // The strict rule and the fact after the object belong to the default object.
    EXPECT_TRUE(strictRulesUsed);
    EXPECT_EQ(IDB.size(), 1u);
    EXPECT_EQ(currentObject, 0);
    EXPECT_EQ(EDB.atomCount(), 1u);
}

TEST_F(ParserTest, GuardsThatNoProgramTextCanWriteAreChecked) {
    struct GUARD_CASE {
        int32_t value;
        bool inclusive, isLower;
        const char *message;
    };
    const GUARD_CASE cases[] = {
        {-1, true, true, "Lower guard should be greater-or-equal than 0"},
        {-1, true, false, "Upper guard should be greater-or-equal than 0"},
        {INT_MAX, false, true, "Lower guard should be less than MAXINT"},
        {0, false, false, "Upper guard should be greater than 0"},
    };
    for (const GUARD_CASE &c : cases) {
        testing::internal::CaptureStderr();
        AGGREGATE_GUARD guard = makeAggregateGuard(makeIntegerTerm(c.value), c.inclusive, c.isLower);
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  std::string("Internal parser invocation: ") + c.message + ".\n");
        EXPECT_EQ(guard.term, makeConstantTerm("#invalid_guard#"));
    }
    AGGREGATE_GUARD strict = makeAggregateGuard(makeIntegerTerm(4), false, false);
    EXPECT_EQ(strict.term, makeIntegerTerm(3));
    EXPECT_TRUE(strict.inclusive);
    AGGREGATE_GUARD variable = makeAggregateGuard(makeVariableTerm(0), false, true);
    EXPECT_FALSE(variable.inclusive);
}

TEST_F(ParserTest, AnEqualityReplacesItsVariableInsideFunctionTermsToo) {
    EXPECT_EQ(parse("eq1(X) :- eq2(f(X, g(X))), X = 3.\neq3(f(X)) :- eq4(X), X = a.\n"), "");
    ASSERT_EQ(IDB.size(), 2u);
    EXPECT_EQ(printed(IDB[0]), "eq1(3) :- eq2(f(3,g(3))), ==(3,3).");
    EXPECT_EQ(printed(IDB[1]), "eq3(f(a)) :- eq4(a), ==(a,a).");
}

TEST_F(ParserTest, ANegatedEqualityReplacesNothing) {
    EXPECT_EQ(parse("ne1(X) :- ne2(X), not X = 3.\n"), "");
    ASSERT_EQ(IDB.size(), 1u);
    EXPECT_EQ(printed(IDB[0]), "ne1(_0) :- ne2(_0), not ==(_0,3).");
}

TEST_F(ParserTest, AfterASyntaxErrorTheOffendingTokenStartsTheNextStatement) {
    EXPECT_EQ(parse("se1 :- se2 se3. se4.\n"), "Internal parser invocation: syntax error.\n  unexpected 'se3'\n");
    EXPECT_EQ(parserErrors, 1u);
    EXPECT_TRUE(IDB.empty());
    EXPECT_EQ(EDB.atomCount(), 2u);
    EXPECT_TRUE(EDB.containsChecked(ATOM("se3", static_cast<const TERMS *>(nullptr), PREDICATE_UNDEFINED)));
}

TEST_F(ParserTest, ASubstitutedAssignmentGuardIsAComparison) {
    EXPECT_EQ(parse("as1(Y) :- Y = #count{X : as2(X)}, Y = 2.\n"), "");
    ASSERT_EQ(IDB.size(), 1u);
    const AGGREGATE_ATOM *aggregate = IDB[0].body->literals[0].atom.aggregate();
    ASSERT_NE(aggregate, nullptr);
    EXPECT_EQ(aggregate->lowerGuard, makeIntegerTerm(2));
    EXPECT_FALSE(aggregate->assignment);
}

TEST_F(ParserTest, AuxiliaryNamesTellApartConjunctionsThatDifferInsideCompoundTerms) {
    // Both sets hold q(X, f(Y)); only the first joins Y with r.
    EXPECT_EQ(parse("ax1 :- #count{X : axq(X, f(Y)), axr(Y)} > 1.\n"
                    "ax2 :- #count{X : axq(X, f(Y)), axr(Z)} > 1.\n"
                    "ax3 :- #count{A : axq(A, f(B)), axr(B)} > 1.\n"),
              "");
    auto auxOf = [](const RULE &rule) {
        for (const LITERAL &l : rule.body->literals)
            if (const AGGREGATE_ATOM *a = l.atom.aggregate()) return a->function->conjunction[0].atom.predicate;
        return uint32_t(-1);
    };
    std::vector<uint32_t> auxes;
    for (const RULE &rule : IDB)
        if (rule.body && rule.body->size() == 1 && rule.body->literals[0].atom.isAggregate()) auxes.push_back(auxOf(rule));
    ASSERT_EQ(auxes.size(), 3u);
    EXPECT_NE(auxes[0], auxes[1]);
    // Equal up to variable names: one predicate.
    EXPECT_EQ(auxes[0], auxes[2]);
}

TEST_F(ParserTest, ABinderSearchThroughACycleOfBuiltinsEndsAsNotSafe) {
    std::string err = parse("cy1 :- #count{X : cy2(X), not cy3(X, V)} > 1, V = W + 1, W = V + 1.\n");
    EXPECT_NE(err.find("Aggregate conjunction is not safe"), std::string::npos) << err;
    EXPECT_TRUE(IDB.empty());
}

TEST_F(ParserTest, RuleBodiesKeepTheirWrittenOrderAndDropRepeatedLiterals) {
    EXPECT_EQ(parse("ord1 :- ord3, not ord4, ord2, ord3, not ord4, not ord5.\n"), "");
    ASSERT_EQ(IDB.size(), 1u);
    EXPECT_EQ(printed(IDB[0]), "ord1 :- ord3, ord2, not ord4, not ord5.");
}

TEST_F(ParserTest, GroundFlagsFollowTheVariablesOfTheStatement) {
    rulesAreGround = constraintsAreGround = weakConstraintsAreGround = true;
    EXPECT_EQ(parse("gf1 :- gf2.\n:- gf2.\n:~ gf2.\n"), "");
    EXPECT_TRUE(rulesAreGround && constraintsAreGround && weakConstraintsAreGround);
    EXPECT_EQ(parse("gf3(X) :- gf4(X).\n:- gf4(_).\n:~ gf4(Y).\n"), "");
    EXPECT_FALSE(rulesAreGround);
    EXPECT_FALSE(constraintsAreGround);
    EXPECT_FALSE(weakConstraintsAreGround);
    rulesAreGround = constraintsAreGround = weakConstraintsAreGround = true;
}

TEST_F(ParserTest, BuiltinObjectsAreSharedPerPredicate) {
    EXPECT_EQ(parse("bi1(X) :- bi2(X, Y), X < Y.\nbi3(X) :- bi2(X, Y), <(Y, X).\n"), "");
    ASSERT_EQ(IDB.size(), 2u);
    uint32_t less = IDB[0].body->literals[1].atom.predicate;
    EXPECT_EQ(less, IDB[1].body->literals[1].atom.predicate);
    EXPECT_EQ(predicateTable.kind(less), PREDICATE_BUILTIN);
    EXPECT_EQ(lookupBuiltin(less)->getKind(), BUILTIN_LESS);
}

TEST_F(ParserTest, LargeRangesAndNumbersAtTheTopOfTheRange) {
    EXPECT_EQ(parse("rg1(999999998..999999999).\n"), "");
    EXPECT_EQ(EDB.atomCount(), 2u);
    EXPECT_EQ(maxInputInteger, 999999999);
}

// The note after a syntax error in a file names the token the parser could not take and its
// column, counted afresh on every line, a tab as one; a long token is cut short.
TEST_F(ParserTest, ASyntaxErrorNamesTheTokenAndItsColumn) {
    struct CASE {
        std::string text;
        std::string note;
    };
    const CASE cases[] = {
        {"cl3 cl4.\n", "  unexpected 'cl4' at column 5\n"},
        {"cl5.\ncl6 :- cl7(X,, Y).\n", "  unexpected ',' at column 14\n"},
        {"\tcl8 :- cl9 )\n", "  unexpected ')' at column 13\n"},
        {"cl10 :- cl11", "  unexpected end of input\n"},
        {"cl12 :- cl13 " + std::string(60, 'n') + ".\n", "  unexpected '" + std::string(40, 'n') + "...' at column 14\n"},
    };
    for (const CASE &c : cases) {
        std::string err = parseAsFile(c.text);
        size_t end = err.find('\n');
        ASSERT_NE(end, std::string::npos) << c.text;
        EXPECT_EQ(err.substr(end + 1), c.note) << c.text;
    }
}

// The note after an unsafe statement names the variables at fault, by the names the statement
// gave them, in the order they first appear.
TEST_F(ParserTest, AnUnsafeStatementNamesItsVariables) {
    struct CASE {
        const char *text;
        const char *note;
    };
    const CASE cases[] = {
        {"us1(X, Y) :- us2(X).\n", "  unsafe variable: Y\n"},
        {"us3(Z) :- us4(X), not us5(Y), Y < W.\n", "  unsafe variables: Z, Y, W\n"},
        {"us6(f(A, B)) :- us7(A).\n", "  unsafe variable: B\n"},
        {"us8(X).\n", "  unsafe variable: X\n"},
        {"us9(N) :- N = #count{A : us10(A, B)}, N > M.\n", "  unsafe variable: M\n"},
        {"us15(Y) :- #succ(X, Y).\n", "  unsafe variable: X\n"},
        {":- us16(X), not us17(X, _).\n", "  unsafe variable: _\n"},
        {":~ us18(X). [W:L]\n", "  unsafe variables: W, L\n"},
        {"not us19(X)?\n", "  unsafe variable: X\n"},
    };
    for (const CASE &c : cases) {
        std::string err = parseAsFile(c.text);
        size_t end = err.find('\n');
        ASSERT_NE(end, std::string::npos) << c.text;
        EXPECT_NE(err.find("is not safe."), std::string::npos) << err;
        EXPECT_EQ(err.substr(end + 1), c.note) << c.text;
    }
}

} // namespace
