// The planning front-end: what reading a ".plan" file records (declarations, causation
// statements and their printed form, the goal and its plan length, the parser's settings), and
// the plan states and the plan cache of the secure checks.
//
// Every test starts from empty action and fluent tables (unit_main.cpp).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "driver/options.h"
#include "frontends/planning.h"
#include "grounding/ground_program.h"
#include "input/parser.h"
#include "solver/truth_assignment.h"
#include "support/diagnostics.h"

namespace {

class PlanningFileTest : public ::testing::Test {
protected:
    FRONTEND_MODE savedMode = frontEndMode;
    uint32_t savedPlanningMode = planningMode;
    uint32_t savedMaxActions = optPlanMaxActions;
    int32_t savedPlanLength = optPlanLength;

    void SetUp() override {
        planDeclarations.clear();
        planStatements.clear();
        planGoal.reset();
        goalPlanLength = -1;
        initialSection = false;
        planCostLevelsGiven = false;
        planCostsGiven = false;
        parserErrors = 0;
        internalParserInvocation = false;
        currentFileName = "test.plan";
        frontEndMode = FRONTEND_PLANNING_K;
        planningMode = PLANNING_INTERACTIVE;
    }
    void TearDown() override {
        frontEndMode = savedMode;
        planningMode = savedPlanningMode;
        optPlanMaxActions = savedMaxActions;
        optPlanLength = savedPlanLength;
        planDeclarations.clear();
        planStatements.clear();
        planGoal.reset();
        goalPlanLength = -1;
        parserErrors = 0;
        internalParserInvocation = true;
        currentFileName.clear();
    }

    // Reads the text as one planning file; returns the parser's result and what was written on
    // standard error.
    int read(const std::string &text, std::string *err = nullptr) {
        FILE *file = tmpfile();
        fputs(text.c_str(), file);
        rewind(file);
        planyyin = file;
        currentLine = 1;
        testing::internal::CaptureStderr();
        int result = planyyparse();
        std::string written = testing::internal::GetCapturedStderr();
        if (err) *err = written;
        fclose(file);
        return result;
    }

    std::vector<std::string> statements() const {
        std::vector<std::string> texts;
        for (const PLAN_STATEMENT &s : planStatements) texts.push_back(planStatementText(s));
        return texts;
    }
};

}  // namespace

TEST_F(PlanningFileTest, LawsBecomeStatementsInTheirPrintedForm) {
    struct CASE {
        const char *laws;
        std::vector<std::string> printed;
    };
    // Fluents pa_f, pa_g and actions pa_a, pa_b are declared once below.
    const CASE cases[] = {
        {"caused pa_f if pa_g after pa_a.", {"caused pa_f if pa_g after pa_a."}},
        {"pa_f.", {"caused pa_f."}},
        {"nonexecutable pa_a if pa_g.", {"caused false after pa_g,pa_a."}},
        {"forbidden pa_g after pa_a.", {"caused false if pa_g after pa_a."}},
        {"executable pa_a if pa_g.", {"executable pa_a if pa_g."}},
        {"total pa_f.", {"total pa_f."}},
        {"inertial pa_f, -pa_g.", {"caused pa_f if not -pa_f after pa_f.", "caused -pa_g if not pa_g after -pa_g."}},
        {"inertial pa_f if pa_g after pa_b.",
         {"caused pa_f if pa_g,not -pa_f after pa_b,pa_f."}},
        {"default ~pa_f.", {"caused -pa_f if not pa_f."}},
        {"caused pa_f if X < Y, Z = X + Y, #int(X), #succ(X,Y), <>(X,Y).",
         {"caused pa_f if <(X,Y),+(X,Y,Z),#int(X),#succ(X,Y),!=(X,Y)."}},
    };
    ASSERT_EQ(read("fluents: pa_f. pa_g.\nactions: pa_a. pa_b.\n"), 0);
    for (const CASE &c : cases) {
        planStatements.clear();
        std::string err;
        EXPECT_EQ(read(std::string("always: ") + c.laws + "\n", &err), 0) << c.laws;
        EXPECT_EQ(err, "") << c.laws;
        EXPECT_EQ(statements(), c.printed) << c.laws;
    }
    EXPECT_EQ(parserErrors, 0u);
}

TEST_F(PlanningFileTest, SectionsSetTheInitialFlagButExecutabilityIsNeverInitial) {
    ASSERT_EQ(read("fluents: pb_f.\nactions: pb_a.\ninitially: pb_f. executable pb_a. -pb_f.\n"), 0);
    ASSERT_EQ(planStatements.size(), 3u);
    EXPECT_TRUE(planStatements[0].initial);
    EXPECT_FALSE(planStatements[1].initial);
    EXPECT_TRUE(planStatements[1].total);
    EXPECT_TRUE(planStatements[2].initial);
    EXPECT_TRUE(planStatements[2].head->negated);
}

TEST_F(PlanningFileTest, DeclarationsPrintTheirCostsAsLevelsAreGiven) {
    ASSERT_EQ(read("fluents: pc_at(B) requires pc_block(B).\n"
                   "actions: pc_move(B,L) requires pc_block(B) costs 2 : 1 where pc_cost(B).\n"
                   "pc_wait costs time.\n"),
              0);
    ASSERT_EQ(planDeclarations.size(), 3u);
    EXPECT_EQ(planStatementText(planDeclarations[0]), "fluents: pc_at(B) requires pc_block(B).");
    EXPECT_EQ(planStatementText(planDeclarations[1]),
              "actions: pc_move(B,L) requires pc_block(B) costs 2:1 where pc_cost(B).");
    EXPECT_EQ(*planDeclarations[2].costs, "T$1:1");
    EXPECT_TRUE(planCostsGiven);
    EXPECT_TRUE(planCostLevelsGiven);
    planCostLevelsGiven = false;
    EXPECT_EQ(planStatementText(planDeclarations[1]),
              "actions: pc_move(B,L) requires pc_block(B) costs 2 where pc_cost(B).");
    EXPECT_EQ(maxActionArity >= 2, true);
}

TEST_F(PlanningFileTest, CheckMessagesAreCountedAndTheRecordsStillStored) {
    struct CASE {
        const char *text;
        const char *message;
    };
    const CASE cases[] = {
        {"fluents: pd_x(x).\n", "test.plan: line 1: Only variables allowed in action/fluent declaration.\n"},
        {"fluents: pd_g.\nactions: pd_g.\n", "test.plan: line 2: Action/Fluent name already in use.\n"},
        {"fluents: pd_h costs 1.\n", "test.plan: line 1: Costs not allowed for fluents.\n"},
        {"actions: pd_c costs cheap.\n",
         "test.plan: line 1: Action costs or cost levels should be 'time', a number, or a variable.\n"},
        {"fluents: pd_i(X) requires pd_d(time).\n", "test.plan: line 1: Keyword 'time' not allowed here.\n"},
        {"always: caused false.\n", "test.plan: line 1: Empty rules not allowed.\n"},
        {"initially: caused pd_f after pd_a.\n", "test.plan: line 1: No dynamic rules allowed in initial section.\n"},
        {"always: caused pd_a.\n", "test.plan: line 1: Only fluents can be caused.\n"},
        {"always: executable pd_f.\n", "test.plan: line 1: Only actions allowed for A in rule: executable A if B.\n"},
        {"always: executable pd_a after pd_a.\n",
         "test.plan: line 1: No after part allowed in executable statements.\n"},
        {"always: nonexecutable pd_f.\n",
         "test.plan: line 1: Only actions allowed for A in rule: nonexecutable A if B.\n"},
        {"always: nonexecutable not pd_a.\n",
         "test.plan: line 1: Negation as failure not allowed for A in rule: nonexecutable A if B.\n"},
        {"always: total -pd_f.\n", "test.plan: line 1: True negation not allowed for A in rule: total A if B after C.\n"},
        {"always: total pd_a.\n", "test.plan: line 1: Only fluents allowed for A in rule: total A if B.\n"},
        {"always: inertial not pd_f.\n",
         "test.plan: line 1: Negation as failure not allowed for A in rule: inertial A if B after C.\n"},
        {"always: default not pd_f.\n", "test.plan: line 1: Negation as failure not allowed for A in rule: default A.\n"},
        {"always: default .\n", "test.plan: line 1: Empty rules not allowed.\n"},
        {"always: pd_f(#maxint).\n",
         "test.plan: line 1: #maxint used but no upper integer bound (option -N) given.\n"},
    };
    ASSERT_EQ(read("fluents: pd_f. actions: pd_a.\n"), 0);
    for (const CASE &c : cases) {
        parserErrors = 0;
        std::string err;
        EXPECT_EQ(read(c.text, &err), 0) << c.text;
        EXPECT_EQ(err, c.message) << c.text;
        EXPECT_EQ(parserErrors, 1u) << c.text;
    }
}

TEST_F(PlanningFileTest, SyntaxErrorsSkipTheRestButKeepCompletedRecords) {
    struct CASE {
        const char *text;
        const char *messages;
        size_t statements;
        uint32_t errors;
    };
    const CASE cases[] = {
        {"fluents: pe_f.\nalways: pe_f.\ngoal: pe_f ?.\n", "test.plan: line 3: syntax error.\n", 1, 1},
        {"fluents: pe_g.\nalways: pe_g. X = Y.\n pe_g.\n", "test.plan: line 2: syntax error.\n", 1, 1},
        {"fluents: pe_h.\nalways: pe_h.\r\npe_h.\r\n",
         "test.plan: line 2: syntax error (\r).\ntest.plan: line 2: syntax error.\ntest.plan: line 3: syntax error (\r).\n",
         1, 3},
        {"fluents: pe_i.\nalways: pe_i | pe_i.\n", "test.plan: line 2: syntax error.\n", 0, 1},
        {"fluents: pe_j.\nalways: pe_j(1234567890).\n",
         "test.plan: line 2: numeric constant 1234567890 is too long.\ntest.plan: line 2: syntax error.\n", 0, 2},
    };
    for (const CASE &c : cases) {
        planStatements.clear();
        parserErrors = 0;
        std::string err;
        EXPECT_EQ(read(c.text, &err), 0) << c.text;
        EXPECT_EQ(err, c.messages) << c.text;
        EXPECT_EQ(planStatements.size(), c.statements) << c.text;
        EXPECT_EQ(parserErrors, c.errors) << c.text;
    }
}

TEST_F(PlanningFileTest, ALaterGoalReplacesTheEarlierOneWithAWarning) {
    optPlanLength = -1;
    ASSERT_EQ(read("fluents: pf_f. pf_g(X) requires pf_d(X).\ngoal: pf_f, not pf_g(a) ? (4)\n"), 0);
    EXPECT_EQ(goalPlanLength, 4);
    std::string err;
    ASSERT_EQ(read("goal: pf_g(b) ? (2)\n", &err), 0);
    EXPECT_EQ(err, "Warning: goal: pf_g(b)? (2) replaces goal: pf_f,not pf_g(a)? (4)\n");
    EXPECT_EQ(goalPlanLength, 2);
    ASSERT_EQ(read("goal: pf_f ?\n", &err), 0);
    EXPECT_EQ(err, "Warning: goal: pf_f? (0) replaces goal:pf_g(b)? (2)\n");
    EXPECT_EQ(goalPlanLength, -1);
    ASSERT_TRUE(planGoal.has_value());
    EXPECT_EQ(planLiteralsText(*planGoal), "pf_f");
    // An option's plan length wins and is what the warning shows.
    optPlanLength = 7;
    ASSERT_EQ(read("goal: pf_g(c) ? (3)\n", &err), 0);
    EXPECT_EQ(err, "Warning: goal: pf_g(c)? (7) replaces goal: pf_f? (7)\n");
    EXPECT_EQ(goalPlanLength, -1);
    EXPECT_EQ(parserErrors, 0u);
}

TEST_F(PlanningFileTest, NoConcurrencyAndSecurePlanSetTheirOptions) {
    optPlanMaxActions = 0;
    planningMode = PLANNING_INTERACTIVE;
    ASSERT_EQ(read("always: noConcurrency. securePlan.\n"), 0);
    EXPECT_EQ(optPlanMaxActions, 1u);
    EXPECT_EQ(planningMode, PLANNING_INTERACTIVE | PLANNING_SECURE);
    // noConcurrency bounds the actions per time by one also below a larger -planmaxactions=.
    planningMode = PLANNING_OPTIMISTIC;
    optPlanMaxActions = 3;
    ASSERT_EQ(read("always: noConcurrency. securePlan.\n"), 0);
    EXPECT_EQ(optPlanMaxActions, 1u);
    EXPECT_EQ(planningMode, PLANNING_OPTIMISTIC);
}

TEST_F(PlanningFileTest, LanguageCRefusesWhatItLacksAndMakesDeclarationsTotal) {
    frontEndMode = FRONTEND_PLANNING_C;
    planningMode = 0;
    std::string err;
    EXPECT_EQ(read("fluents: pg_f.\nactions: pg_a.\nalways: executable pg_a. total pg_f. securePlan.\n"
                   "caused pg_f if not pg_f. inertial pg_f if pg_f.\nactions: pg_b costs 1.\n",
                   &err),
              0);
    EXPECT_EQ(err,
              "test.plan: line 3: Executable not allowed in Frontend -FPc.\n"
              "test.plan: line 3: Total not allowed in Frontend -FPc.\n"
              "test.plan: line 3: Secure Planning not allowed in Frontend -FPc.\n"
              "test.plan: line 4: Negation as failure not allowed in Planning Language C.\n"
              "test.plan: line 4: inertial ... if... after ... not allowed in Frontend -FPc.\n"
              "test.plan: line 5: Costs not allowed inPlanning Language C.\n");
    // The declarations without costs added total statements: the fluent's initial, the action's not.
    ASSERT_GE(planStatements.size(), 2u);
    EXPECT_EQ(planStatementText(planStatements[0]), "total pg_f.");
    EXPECT_TRUE(planStatements[0].initial);
    EXPECT_EQ(planStatementText(planStatements[1]), "executable pg_a.");
    EXPECT_FALSE(planStatements[1].initial);
    EXPECT_FALSE(planDeclarations[1].initial);
}

namespace {

PLAN_STATE stateOf(uint32_t number) {
    PLAN_STATE state(4, 0);
    for (int i = 0; i < 4; ++i) state[3 - i] = static_cast<uint8_t>(number >> (8 * i));
    return state;
}

class PlanCacheTest : public ::testing::Test {
protected:
    uint32_t savedLimit = optPlanCache;
    void TearDown() override { optPlanCache = savedLimit; }
};

}  // namespace

TEST(PlanStateTest, StatesOrderByteByByteAsUnsignedValues) {
    EXPECT_TRUE(comparePlanStates({0, 255}, {1, 0}));
    EXPECT_FALSE(comparePlanStates({1, 0}, {0, 255}));
    EXPECT_TRUE(comparePlanStates({1, 127}, {1, 128}));
    EXPECT_FALSE(comparePlanStates({1, 2}, {1, 2}));
}

TEST_F(PlanCacheTest, TheOldestPlansAreEvictedATenthAtATime) {
    optPlanCache = 100;
    PLAN_CACHE cache;
    for (uint32_t i = 0; i < 100; ++i) cache.insert(stateOf(i), static_cast<uint8_t>(i % 2));
    EXPECT_EQ(cache.results.size(), 100u);
    // The 101st plan evicts the 11 oldest.
    cache.insert(stateOf(100), 1);
    EXPECT_EQ(cache.results.size(), 90u);
    EXPECT_EQ(cache.order.size(), 90u);
    for (uint32_t i = 0; i <= 10; ++i) EXPECT_FALSE(cache.results.count(stateOf(i))) << i;
    for (uint32_t i = 11; i <= 100; ++i) EXPECT_TRUE(cache.results.count(stateOf(i))) << i;
    EXPECT_EQ(cache.results[stateOf(11)], 1);
    EXPECT_EQ(cache.results[stateOf(12)], 0);
    EXPECT_EQ(cache.order.front(), stateOf(100));
}

TEST_F(PlanCacheTest, ALimitOfZeroKeepsNothing) {
    optPlanCache = 0;
    PLAN_CACHE cache;
    for (uint32_t i = 0; i < 3; ++i) {
        cache.insert(stateOf(i), 1);
        EXPECT_TRUE(cache.results.empty());
        EXPECT_TRUE(cache.order.empty());
    }
}

namespace {

// A ground planning program of one step: the action ct_a(0) is done (a fact here, as the guess of
// an executable action), it causes the fluent ct_f(1), and the goal is ct_f(1).
class SecureCheckTest : public ::testing::Test {
protected:
    uint32_t savedPlanningMode = planningMode;
    int32_t savedPlanLength = optPlanLength;
    GATOM_ID action = -1, fluent = -1, goal = -1, absurdity = -1;

    static GATOM_ID atomOf(const char *name, int32_t time) {
        TERMS args{makeIntegerTerm(time)};
        return groundAtomTable.add(ATOM(name, &args, PREDICATE_IDB));
    }
    static GATOM_ID propositional(const char *name) {
        return groundAtomTable.add(ATOM(name, static_cast<const TERMS *>(nullptr), PREDICATE_IDB));
    }
    static GBODY bodyOf(std::initializer_list<GLITERAL> literals) {
        GBODY body;
        for (GLITERAL l : literals) body.append(l);
        return body;
    }

    void SetUp() override {
        // Only the atoms below: every one of them occurs in the check programs.
        resetGroundProgram();
        actionTable.add("ct_a", 2, PREDICATE_IDB);
        fluentTable.add("ct_f", 2, PREDICATE_IDB);
        absurdity = propositional("$abs");
        goal = propositional("$goal");
        action = atomOf("ct_a", 0);
        fluent = atomOf("ct_f", 1);
        groundAtomCount = groundAtomTable.size();
        groundRules.clear();
        groundConstraints.clear();
        groundRules.emplace_back(std::vector<GATOM_ID>{action}, GBODY(), false);
        groundRules.emplace_back(std::vector<GATOM_ID>{fluent}, bodyOf({GLITERAL(action, false)}), true);
        groundRules.emplace_back(std::vector<GATOM_ID>{goal}, bodyOf({GLITERAL(fluent, false)}), true);
        groundConstraints.emplace_back(bodyOf({GLITERAL(goal, true)}));
        planningMode = PLANNING_SECURE;
        optPlanLength = 1;
        planRun.heuristic = {0, 2, 4, 15, 37, 7, 8, 9, 10, 11};
        preparePlanChecks();
    }
    void TearDown() override {
        planningMode = savedPlanningMode;
        optPlanLength = savedPlanLength;
        groundRules.clear();
        groundConstraints.clear();
    }

    TRUTH_ASSIGNMENT assignment(bool actionDone, bool fluentHolds) const {
        TRUTH_ASSIGNMENT a(groundAtomCount, 0, TRUTH_FALSE);
        if (actionDone) a.values[action] = TRUTH_TRUE;
        if (fluentHolds) a.values[fluent] = a.values[goal] = TRUTH_TRUE;
        return a;
    }
};

}  // namespace

TEST_F(SecureCheckTest, TheMasksMarkActionsAndFluentsAndAbsurdityIsForbidden) {
    EXPECT_EQ(planRun.actionAtomMask[action], 1);
    EXPECT_EQ(planRun.fluentAtomMask[fluent], 1);
    EXPECT_EQ(planRun.actionAtomMask[fluent] + planRun.fluentAtomMask[action] + planRun.actionAtomMask[goal], 0);
    ASSERT_EQ(groundConstraints.size(), 2u);
    ASSERT_EQ(groundConstraints.back().body.size(), 1u);
    EXPECT_EQ(groundConstraints.back().body.literals[0], GLITERAL(absurdity, false));
}

TEST_F(SecureCheckTest, APlanThatReachesTheGoalIsSecureAndRepeatsComeFromTheCachePerKind) {
    uint32_t checks = planRun.secureCheckCount, hits = planRun.planCacheHits;
    TRUTH_ASSIGNMENT done = assignment(true, true);
    EXPECT_EQ(checkPlanSecurity(done, 0), 1);
    // The same actions with other fluents: the same plan, answered from the cache.
    TRUTH_ASSIGNMENT other = assignment(true, false);
    EXPECT_EQ(checkPlanSecurity(other, 0), 1);
    EXPECT_EQ(planRun.secureCheckCount - checks, 2u);
    EXPECT_EQ(planRun.planCacheHits - hits, 1u);
    // The other check kind has a cache of its own.
    EXPECT_EQ(checkPlanSecurity(done, 1), 1);
    EXPECT_EQ(planRun.planCacheHits - hits, 1u);
    EXPECT_EQ(planSecurityFilter(nullptr, nullptr, &done), 1);
}

TEST_F(SecureCheckTest, APlanWithoutTheActionIsNotSecureAndTheFilterRejectsIt) {
    TRUTH_ASSIGNMENT idle = assignment(false, false);
    EXPECT_EQ(checkPlanSecurity(idle, 1), 0);
    EXPECT_EQ(planSecurityFilter(nullptr, nullptr, &idle), 0);
    // Without the secure bit every candidate passes and nothing is checked.
    planningMode = PLANNING_OPTIMISTIC;
    uint32_t checks = planRun.secureCheckCount;
    EXPECT_EQ(planSecurityFilter(nullptr, nullptr, &idle), 1);
    EXPECT_EQ(planRun.secureCheckCount, checks);
}

TEST_F(SecureCheckTest, EachPlanIsCheckedOnItsOwnWhetherTheCheckProgramIsSwitchedOrCopied) {
    uint32_t savedCache = optPlanCache;
    optPlanCache = 0;  // no answer from the cache: every check runs
    TRUTH_ASSIGNMENT done = assignment(true, true), idle = assignment(false, false);
    for (bool spareAtom : {false, true}) {
        GATOM_ID spare = -1;
        if (spareAtom) {
            // An atom that no check program mentions switches the rules of one program built for
            // all plans; without one each check copies the rules of its plan.
            spare = propositional("ct_spare");
            groundAtomCount = groundAtomTable.size();
            preparePlanChecks();
        }
        for (int32_t kind : {0, 1}) {
            SCOPED_TRACE(testing::Message() << "spare atom " << spareAtom << ", kind " << kind);
            for (int round = 0; round < 2; ++round) {
                EXPECT_EQ(checkPlanSecurity(done, kind), 1);
                EXPECT_EQ(checkPlanSecurity(idle, kind), 0);
            }
            EXPECT_EQ(planRun.checkPrograms[kind].switchAtom, spare);
        }
    }
    optPlanCache = savedCache;
}
