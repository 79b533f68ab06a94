// The diagnosis front-end against the program store: what reading a hypothesis or observation
// file stores (weights, negation flags, the largest input integer, the parser's result), the move
// of facts into rules, and the "Diagnosis:" line built from the interpretation and the model.
//
// Every test starts from an empty program store and predicate table (unit_main.cpp).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/printer.h"
#include "core/program.h"
#include "frontends/diagnosis.h"
#include "grounding/ground_program.h"
#include "input/parser.h"
#include "support/diagnostics.h"
#include "support/option_values.h"
#include "test_support.h"

namespace {

std::string atomText(const ATOM &atom) {
    return capture([&](FILE *f) { printAtom(f, atom); });
}

class DiagnosisFileTest : public ::testing::Test {
protected:
    uint32_t savedSubMode = frontEndSubMode;

    void SetUp() override {
        hypotheses.clear();
        observations.clear();
        parserErrors = 0;
        maxInputInteger = -1;
        internalParserInvocation = false;
        currentFileName = "test.hyp";
    }
    void TearDown() override {
        frontEndSubMode = savedSubMode;
        hypotheses.clear();
        observations.clear();
        parserErrors = 0;
        internalParserInvocation = true;
        currentFileName.clear();
    }

    // Reads the text as one diagnosis file; returns the parser's result, and what was written on
    // standard error through `err`.
    int read(const std::string &text, bool asObservations, std::string *err = nullptr) {
        FILE *file = tmpfile();
        fputs(text.c_str(), file);
        rewind(file);
        readingObservations = asObservations;
        diagyyin = file;
        currentLine = 1;
        testing::internal::CaptureStderr();
        int result = diagyyparse();
        std::string written = testing::internal::GetCapturedStderr();
        if (err) *err = written;
        fclose(file);
        return result;
    }
};

}  // namespace

TEST_F(DiagnosisFileTest, HypothesesKeepReadingOrderAtomsAndWeights) {
    frontEndSubMode = DIAGNOSIS_ALL;
    EXPECT_EQ(read("% header\ndgh_broken(c1).\nnot dgh_ok.\ndgh_link(3, X, 12_3).\n", false), 0);
    frontEndSubMode = DIAGNOSIS_MIN_COST;
    EXPECT_EQ(read("dgh_broken(c2). [42]\n", false), 0);
    ASSERT_EQ(hypotheses.size(), 4u);
    const char *atoms[] = {"dgh_broken(c1)", "dgh_ok", "dgh_link(3,X,12_3)", "dgh_broken(c2)"};
    uint32_t weights[] = {0, 0, 0, 42};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(atomText(hypotheses[i].atom), atoms[i]);
        EXPECT_EQ(hypotheses[i].weight, weights[i]);
        EXPECT_EQ(predicateTable.kind(hypotheses[i].atom.predicate), PREDICATE_IDB);
    }
    // An integer argument raises the largest input integer; a weight does not.
    EXPECT_EQ(maxInputInteger, 3);
    // X is a constant: diagnosis files have no variables.
    EXPECT_TRUE(hypotheses[2].atom.arg(1).isConstant());
    EXPECT_TRUE(hypotheses[2].atom.arg(0).isInteger());
    EXPECT_EQ(parserErrors, 0u);
}

TEST_F(DiagnosisFileTest, ObservationsKeepTheirNegation) {
    EXPECT_EQ(read("NON dgo_seen(a).\ndgo_seen(b).\nnOt dgo_quiet.\n", true), 0);
    ASSERT_EQ(observations.size(), 3u);
    EXPECT_TRUE(observations[0].isNegated());
    EXPECT_FALSE(observations[1].isNegated());
    EXPECT_TRUE(observations[2].isNegated());
    EXPECT_EQ(atomText(observations[1].atom), "dgo_seen(b)");
    EXPECT_TRUE(hypotheses.empty());
}

TEST_F(DiagnosisFileTest, SyntaxErrorEndsTheFileAndTheNextFileStartsAfresh) {
    std::string err;
    EXPECT_EQ(read("dgs_a.\ndgs_b dgs_c.\ndgs_d.\n", false, &err), 1);
    EXPECT_EQ(err, "test.hyp: line 2: syntax error.\n");
    EXPECT_EQ(parserErrors, 1u);
    ASSERT_EQ(hypotheses.size(), 1u);
    // The scanner's buffer still holds the rest of the first file: none of it may be read now.
    EXPECT_EQ(read("dgs_e.\n", false, &err), 0);
    EXPECT_EQ(err, "");
    ASSERT_EQ(hypotheses.size(), 2u);
    EXPECT_EQ(atomText(hypotheses[1].atom), "dgs_e");
}

TEST_F(DiagnosisFileTest, LexicalErrorsAreCountedAndScanningGoesOn) {
    std::string err;
    EXPECT_EQ(read("#dgl_a. \"\" dgl_b.\n", false, &err), 0);
    EXPECT_EQ(err, "test.hyp: line 1: syntax error (#).\ntest.hyp: line 1: syntax error (\").\n"
                   "test.hyp: line 1: syntax error (\").\n");
    EXPECT_EQ(parserErrors, 3u);
    EXPECT_EQ(hypotheses.size(), 2u);
}

TEST_F(DiagnosisFileTest, ObservationWeightsAndOversizedHypothesisWeightsAreDropped) {
    std::string err;
    EXPECT_EQ(read("dgw_p. [2]\ndgw_q.\n", true, &err), 0);
    EXPECT_EQ(err, "test.hyp: line 1: Weights are not allowed in observations.\n");
    ASSERT_EQ(observations.size(), 1u);
    frontEndSubMode = DIAGNOSIS_MIN_COST;
    EXPECT_EQ(read("dgw_a. [2147484]\ndgw_b. [2147483]\n", false, &err), 0);
    ASSERT_EQ(hypotheses.size(), 1u);
    EXPECT_EQ(hypotheses[0].weight, 2147483u);
    EXPECT_EQ(parserErrors, 2u);
}

TEST(DiagnosisFacts, FactsOfAPredicateBecomeBodilessRulesInFactOrder) {
    IDB.clear();
    EDB.clear();
    std::vector<TERM> b{makeConstantTerm("dgf_b")}, a{makeConstantTerm("dgf_a")};
    EDB.insert(ATOM("dgf_p", b, PREDICATE_EDB));
    EDB.insert(ATOM("dgf_p", a, PREDICATE_EDB));
    EDB.insert(ATOM("dgf_q", a, PREDICATE_EDB));
    moveFactsToRules(ATOM(predicateTable.find("dgf_p").first, a));
    ASSERT_EQ(IDB.size(), 2u);
    EXPECT_EQ(atomText(IDB[0].head[0]), "dgf_p(dgf_b)");
    EXPECT_EQ(atomText(IDB[1].head[0]), "dgf_p(dgf_a)");
    EXPECT_FALSE(IDB[0].hasBody());
    EXPECT_TRUE(EDB.atomsOf(predicateTable.find("dgf_p").first).empty());
    EXPECT_EQ(EDB.atomsOf(predicateTable.find("dgf_q").first).size(), 1u);
    // A predicate registered after the facts' sets were sized has nothing to move.
    ATOM fresh("dgf_fresh", a, PREDICATE_UNDEFINED);
    moveFactsToRules(fresh);
    EXPECT_EQ(IDB.size(), 2u);
    IDB.clear();
    EDB.clear();
}

TEST(DiagnosisOutput, ChosenHypothesesFromInterpretationThenModel) {
    bool savedSilent = optSilent;
    hypotheses.clear();
    for (const char *name : {"dgc_a", "dgc_b", "dgc_c"})
        hypotheses.push_back(HYPOTHESIS{ATOM(name, std::vector<TERM>{makeConstantTerm("x")}, PREDICATE_IDB), 0});
    auto sol = [](const char *k) { return ATOM("_sol", std::vector<TERM>{makeConstantTerm(k)}, PREDICATE_IDB); };
    INTERPRETATION trueAtoms;
    trueAtoms.positive.insert(sol("2"));
    GATOM_ID third = groundAtomTable.add(sol("3"));
    GATOM_ID stray = groundAtomTable.add(sol("9"));
    GATOM_ID first = groundAtomTable.add(sol("1"));
    GATOM_ID other = groundAtomTable.add(ATOM("dgc_other", std::vector<TERM>{}, PREDICATE_IDB));
    groundAtomCount = groundAtomTable.size();
    TRUTH_ASSIGNMENT model(groundAtomCount, 0u, TRUTH_FALSE);
    model.values[first] = TRUTH_TRUE;
    model.values[stray] = TRUTH_TRUE_FROM_MUST_BE_TRUE;
    model.values[third] = TRUTH_MUST_BE_TRUE;  // not true
    model.values[other] = TRUTH_TRUE;

    struct {
        bool silent;
        INTERPRETATION *interpretation;
        TRUTH_ASSIGNMENT *model;
        const char *expected;
    } cases[] = {
        // A "_sol" atom that names no hypothesis can only come from the theory: written as it is.
        {false, &trueAtoms, &model, "Diagnosis: dgc_b(x) _sol(9) dgc_a(x)\n\n"},
        {true, &trueAtoms, &model, "Diagnosis: dgc_b(x) _sol(9) dgc_a(x)\n"},
        {true, &trueAtoms, nullptr, "Diagnosis: dgc_b(x)\n"},
        {true, nullptr, nullptr, "Diagnosis:\n"},
    };
    for (auto &t : cases) {
        optSilent = t.silent;
        testing::internal::CaptureStdout();
        EXPECT_EQ(diagnosisModelCallback(nullptr, t.interpretation, t.model), MODEL_SHOWN | MODEL_GO_ON);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), t.expected);
    }
    optSilent = savedSilent;
    hypotheses.clear();
}

// A problem the selected diagnosis cannot take is refused by a returned line, which the driver
// writes before it ends the run; nothing is written here.
TEST(DiagnosisSetup, RefusalsAreReturnedNotWritten) {
    FRONTEND_MODE savedMode = frontEndMode;
    uint32_t savedSubMode = frontEndSubMode;
    auto atom = [](const char *name) { return ATOM(name, std::vector<TERM>{makeConstantTerm("x")}, PREDICATE_IDB); };
    struct {
        FRONTEND_MODE mode;
        uint32_t subMode;
        bool withQuery;
        const char *hypothesis;
        const char *expected;
    } cases[] = {
        {FRONTEND_DIAGNOSIS, DIAGNOSIS_ALL, true, "dgs_h", "Cannot perform diagnostic reasoning in the presence of a query."},
        {FRONTEND_DIAGNOSIS, DIAGNOSIS_SINGLE_ERROR, false, nullptr,
         "Cannot perform single error diagnostic reasoning without hypotheses."},
        {FRONTEND_REITER, DIAGNOSIS_ALL, false, "dgs_h",
         "Cannot perform Reiter diagnostic reasoning for hypotheses with predicate different from \"ab\"."},
        {FRONTEND_DIAGNOSIS, DIAGNOSIS_ALL, false, "dgs_h", nullptr},
    };
    for (auto &t : cases) {
        IDB.clear();
        constraints.clear();
        weakConstraints.clear();
        hypotheses.clear();
        observations.clear();
        if (t.hypothesis) hypotheses.push_back(HYPOTHESIS{atom(t.hypothesis), 0});
        if (t.withQuery) query = std::make_unique<CONJUNCTION>();
        frontEndMode = t.mode;
        frontEndSubMode = t.subMode;
        testing::internal::CaptureStderr();
        const char *refusal = setupDiagnosis(IDB, constraints, weakConstraints, hypotheses, observations);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        if (t.expected)
            EXPECT_STREQ(refusal, t.expected);
        else
            EXPECT_EQ(refusal, nullptr);
        query.reset();
    }
    frontEndMode = savedMode;
    frontEndSubMode = savedSubMode;
    IDB.clear();
    constraints.clear();
    weakConstraints.clear();
    hypotheses.clear();
}
