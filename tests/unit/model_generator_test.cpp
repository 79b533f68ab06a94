#include "solver/model_generator.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "support/option_values.h"
#include "ground_program_text.h"
#include "core/aggregate_function.h"
#include "model_generator_insight.h"

using namespace testing_ground;

namespace {

using MODEL = std::set<std::string>;
using MODELS = std::set<MODEL>;

MODELS collected;
std::vector<COST_VECTOR> collectedCosts;
uint32_t stopAfter = 0;

// The costs of the models reported before the optimum was known (under -wctrace), in order.
std::vector<COST_VECTOR> tracedCosts;

int collect(MODEL_GENERATOR *mg, INTERPRETATION *, TRUTH_ASSIGNMENT *model) {
    if (!mg->isOptimumKnown()) {
        tracedCosts.push_back(model->levelCosts);
        return 1;
    }
    collected.insert(trueNames(*model));
    collectedCosts.push_back(model->levelCosts);
    ++MGI::answerSetsPrinted(*mg);
    if (stopAfter && MGI::answerSetsPrinted(*mg) == stopAfter) return 0;
    return 1;
}

struct RUN_OPTIONS {
    MG_FLAGS flags = MG_MODEL_CHECK | MG_UNFOUNDED_CHECKS;
    const COST_VECTOR *costBound = nullptr;
    bool costBoundGiven = false;
    bool ruleOrderChoice = false;
    bool wcTrace = false;
};

// Builds a model generator over the global ground program as the driver does and runs it.
MODELS solve(const std::string &program, RUN_OPTIONS options = RUN_OPTIONS()) {
    loadGroundProgram(program);
    collected.clear();
    collectedCosts.clear();
    tracedCosts.clear();
    MODEL_GENERATOR mg(groundRules, groundConstraints, groundWeakConstraints,
                       {.costBound = options.costBound,
                        .flags = options.flags,
                        .modelCallback = collect,
                        .ruleOrderChoice = options.ruleOrderChoice,
                        .hasWeakConstraints = !groundWeakConstraints.empty(),
                        .programHasWeakConstraints = !groundWeakConstraints.empty(),
                        .wcTrace = options.wcTrace,
                        .costBoundGiven = options.costBoundGiven,
                        .levels = maxLevel});
    mg.computeModels();
    if (mg.bestModelUnproved()) {
        // As the driver does: the best model found is optimal, and a second search lists them.
        mg.acceptBestModel();
        mg.restoreBaseCost(COST_VECTOR(MGI::baseCost(mg).levelNumbers, 0));
        mg.computeModels();
    }
    return collected;
}

// A model generator over the global ground program with its occurrence lists and counters built
// and the initial consequences drawn, for looking at propagation step by step.
struct LOADED {
    explicit LOADED(const std::string &program) { loadGroundProgram(program); }
};

struct PREPARED : LOADED {
    MODEL_GENERATOR mg;
    TRUTH_ASSIGNMENT a;
    int initial = 1;

    explicit PREPARED(const std::string &program, MG_FLAGS flags = MG_MODEL_CHECK | MG_UNFOUNDED_CHECKS,
                      bool runInitial = true)
        : LOADED(program),
          mg(groundRules, groundConstraints, groundWeakConstraints,
             {.flags = flags, .hasWeakConstraints = !groundWeakConstraints.empty(), .levels = maxLevel}),
          a(groundAtomCount, MGI::baseCost(mg), TRUTH_UNDEFINED) {
        MGI::chosenFlags(mg).assign(groundAtomCount, 0);
        mg.prepareRun(a);
        mg.initDataStructures(a);
        mg.markNonHCFRules();
        if (runInitial) initial = mg.propagateInitial(a);
        a.trailing = true;
        MGI::level(mg) = 1;
    }
    TRUTH_VALUE value(const std::string &name) { return a[atomNumber(name)]; }
    const RULE_STATE &rule(uint32_t i) { return mg.stateOfRule(i); }
};

}  // namespace

TEST(ModelGenerator, AnswerSetsOfSmallPrograms) {
    struct {
        const char *name;
        const char *program;
        MODELS expected;
    } cases[] = {
        {"even loop", "a :- not b.\nb :- not a.", {{"a"}, {"b"}}},
        {"odd loop", "a :- not a.", {}},
        {"disjunction", "a | b.", {{"a"}, {"b"}}},
        {"disjunction with constraints", "a | b | c.\n:- a.\n:- b.", {{"c"}}},
        {"positive loop is unfounded", "a :- b.\nb :- a.", {{}}},
        {"loop with an exit", "p :- q.\nq :- p.\np :- not r.\nr :- not p.", {{"p", "q"}, {"r"}}},
        {"constraint removes a model", "a :- not b.\nb :- not a.\n:- a.", {{"b"}}},
        {"negative constraint forces", "a :- not b.\nb :- not a.\n:- not a.", {{"a"}}},
        {"disjunction under negation", "a | b :- not c.\nc :- not d.\nd :- not c.",
         {{"c"}, {"d", "a"}, {"d", "b"}}},
        {"chain of facts", "c.\nb :- c.\na :- b, not d.", {{"a", "b", "c"}}},
        {"minimality of disjunction", "a | b.\na :- b.", {{"a"}}},
        {"support through a disjunction", "a | b.\nc :- a.\nc :- b.\n:- not c.", {{"a", "c"}, {"b", "c"}}},
        {"violated from the start", ":- .", {}},
        {"three choices", "a :- not b.\nb :- not a.\nc :- not d.\nd :- not c.\ne | f :- a, c.",
         {{"a", "c", "e"}, {"a", "c", "f"}, {"a", "d"}, {"b", "c"}, {"b", "d"}}},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(solve(c.program), c.expected);
    }
}

TEST(ModelGenerator, SameAnswerSetsWithoutUnfoundedSetChecks) {
    // Without the checks positive loops are left to the model check; acyclic programs agree.
    const char *program = "a :- not b.\nb :- not a.\nc | d :- a.\n:- c, b.";
    RUN_OPTIONS off;
    off.flags = MG_MODEL_CHECK;
    EXPECT_EQ(solve(program, off), solve(program));
}

TEST(ModelGenerator, RuleOrderChoiceAskedForUnderLookAheadFindsTheSameAnswerSets) {
    // The secure plan checks ask for the rule order in their small programs; -OH stays set.
    const char *programs[] = {
        "a :- not b.\nb :- not a.\nc :- not d.\nd :- not c.\ne | f :- a, c.",
        "a | b | c.\n:- a, not d.\nd :- b.\nd :- c.",
        "p :- q.\nq :- p.\np :- not r.\nr :- not p.\ns | t :- r.\n:- s, p.",
    };
    RUN_OPTIONS ruleOrder;
    ruleOrder.ruleOrderChoice = true;
    for (const char *program : programs) {
        SCOPED_TRACE(program);
        ASSERT_TRUE(SEARCH_CONFIG().optOH);
        EXPECT_EQ(solve(program, ruleOrder), solve(program));
    }
}

TEST(ModelGenerator, CallbackStopsTheSearch) {
    stopAfter = 1;
    MODELS m = solve("a :- not b.\nb :- not a.\nc :- not d.\nd :- not c.");
    stopAfter = 0;
    EXPECT_EQ(m.size(), 1u);
}

// A filter that rejects the candidates in which every atom of `rejected` is true; when `named`,
// it names those atoms as the ones that decided, and the search must not bring such a candidate
// to it again.
std::vector<std::string> rejected;
bool named = false;
uint32_t rejections = 0;

int rejectFilter(MODEL_GENERATOR *mg, INTERPRETATION *, TRUTH_ASSIGNMENT *candidate) {
    std::vector<GATOM_ID> atoms;
    for (const std::string &name : rejected) {
        if (!candidate->isTrue(atomNumber(name))) return 1;
        atoms.push_back(atomNumber(name));
    }
    ++rejections;
    if (named) mg->rejectByValuesOf(atoms);
    return 0;
}

TEST(ModelGenerator, FilterRejectionsByNamedValuesAreLearned) {
    struct {
        const char *name;
        const char *program;
        std::vector<std::string> rejected;
        bool named;
        MODELS expected;
        uint32_t rejections;
    } cases[] = {
        {"one atom, not named: each candidate with it is rejected", "a | b.\nc | d.", {"a"}, false,
         {{"b", "c"}, {"b", "d"}}, 2},
        {"one atom, named: the first rejection excludes the rest", "a | b.\nc | d.", {"a"}, true,
         {{"b", "c"}, {"b", "d"}}, 1},
        {"two atoms, named", "a | b.\nc | d.\ne | f.", {"a", "c"}, true,
         {{"a", "d", "e"}, {"a", "d", "f"}, {"b", "c", "e"}, {"b", "c", "f"}, {"b", "d", "e"}, {"b", "d", "f"}}, 1},
        {"two atoms, not named", "a | b.\nc | d.\ne | f.", {"a", "c"}, false,
         {{"a", "d", "e"}, {"a", "d", "f"}, {"b", "c", "e"}, {"b", "c", "f"}, {"b", "d", "e"}, {"b", "d", "f"}}, 2},
        {"a named atom true from the start: nothing to learn, every candidate rejected", "a.\nc | d.", {"a"}, true,
         {}, 2},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.name);
        for (bool lookahead : {true, false}) {
            loadGroundProgram(c.program);
            rejected = c.rejected;
            named = c.named;
            rejections = 0;
            collected.clear();
            MODEL_GENERATOR mg(groundRules, groundConstraints, groundWeakConstraints,
                               {.flags = MG_MODEL_CHECK | MG_UNFOUNDED_CHECKS,
                                .modelCallback = collect,
                                .candidateFilter = rejectFilter,
                                .search = {.optOH = lookahead}});
            mg.computeModels();
            EXPECT_EQ(collected, c.expected);
            EXPECT_EQ(rejections, c.rejections);
        }
    }
}

TEST(ModelGenerator, StopLeavesTheProgramCountersRestored) {
    // After a stopped run the counters are back at their initial values, so a second run over
    // the same program finds the same answer sets.
    stopAfter = 1;
    loadGroundProgram("a :- not b.\nb :- not a.\nc :- a.");
    MODEL_GENERATOR mg(groundRules, groundConstraints, groundWeakConstraints,
                       {.flags = MG_MODEL_CHECK | MG_UNFOUNDED_CHECKS, .modelCallback = collect});
    collected.clear();
    mg.computeModels();
    EXPECT_EQ(MGI::status(mg), MG_STOP);
    stopAfter = 0;
    collected.clear();
    mg.computeModels();
    EXPECT_EQ(collected, (MODELS{{"a", "c"}, {"b"}}));
    EXPECT_EQ(MGI::answerSetsComputed(mg), 3u);
}

namespace {

// Two searches over one ground program: the inner one runs to its end inside every answer set
// that the outer one reports.
MODEL_GENERATOR *innerSearch = nullptr;
MODELS outerFound;
std::vector<MODELS> innerFound;

int collectInner(MODEL_GENERATOR *, INTERPRETATION *, TRUTH_ASSIGNMENT *model) {
    innerFound.back().insert(trueNames(*model));
    return 1;
}

int collectOuterAndSearchAgain(MODEL_GENERATOR *, INTERPRETATION *, TRUTH_ASSIGNMENT *model) {
    outerFound.insert(trueNames(*model));
    innerFound.emplace_back();
    innerSearch->computeModels();
    return 1;
}

}  // namespace

// The searches keep their counters to themselves: the ground program is only read, so a second
// search over it, run while the first is in the middle of its own, leaves the first one's state
// as it was. Unfounded loops, a head cycle and a constraint make both use every kind of counter.
TEST(ModelGenerator, TwoSearchesOverOneGroundProgram) {
    loadGroundProgram("p :- q.\nq :- p.\np :- not r.\nr :- not p.\na | b :- r.\n:- a, p.\n"
                      "c | d.\nc :- d.\nd :- c.\n");
    const MODELS expected{{"p", "q", "c", "d"}, {"r", "a", "c", "d"}, {"r", "b", "c", "d"}};
    MG_CONFIG config{.flags = MG_MODEL_CHECK | MG_UNFOUNDED_CHECKS, .modelCallback = collectInner};
    MODEL_GENERATOR inner(groundRules, groundConstraints, groundWeakConstraints, config);
    config.modelCallback = collectOuterAndSearchAgain;
    MODEL_GENERATOR outer(groundRules, groundConstraints, groundWeakConstraints, config);
    innerSearch = &inner;
    outerFound.clear();
    innerFound.clear();
    outer.computeModels();
    EXPECT_EQ(outerFound, expected);
    ASSERT_EQ(innerFound.size(), expected.size());
    for (const MODELS &found : innerFound) EXPECT_EQ(found, expected);
    innerSearch = nullptr;
}

namespace {

// A model callback that answers as it is told and counts its calls.
int toldAnswer = MODEL_SHOWN | MODEL_GO_ON;
uint32_t reportedModels = 0;

int answerAsTold(MODEL_GENERATOR *, INTERPRETATION *, TRUTH_ASSIGNMENT *) {
    ++reportedModels;
    return toldAnswer;
}

}  // namespace

// The search counts the answer sets that its callback showed and stops at the -n= limit itself;
// what the callback did not show counts for nothing.
TEST(ModelGenerator, TheSearchCountsShownAnswerSetsUpToTheLimit) {
    struct {
        const char *name;
        int answer;
        uint32_t maxModels;
        uint32_t reported;
        uint32_t shown;
    } cases[] = {
        {"no limit", MODEL_SHOWN | MODEL_GO_ON, 0, 3, 3},
        {"a limit below the answer sets", MODEL_SHOWN | MODEL_GO_ON, 2, 2, 2},
        {"a limit of one", MODEL_SHOWN | MODEL_GO_ON, 1, 1, 1},
        {"a limit above the answer sets", MODEL_SHOWN | MODEL_GO_ON, 5, 3, 3},
        {"nothing shown reaches no limit", MODEL_GO_ON, 2, 3, 0},
        {"shown, and the callback stops", MODEL_SHOWN, 0, 1, 1},
        {"the callback stops", MODEL_STOP, 2, 1, 0},
    };
    for (const auto &c : cases) {
        loadGroundProgram("a | b | c.");
        toldAnswer = c.answer;
        reportedModels = 0;
        MODEL_GENERATOR mg(groundRules, groundConstraints, groundWeakConstraints,
                           {.maxModels = c.maxModels, .flags = MG_MODEL_CHECK, .modelCallback = answerAsTold});
        mg.computeModels();
        EXPECT_EQ(reportedModels, c.reported) << c.name;
        EXPECT_EQ(mg.printedAnswerSets(), c.shown) << c.name;
    }

    // Under -wctrace the models reported before the optimum is known are not counted: the limit
    // of one lets the first search report every improvement, and the second the optimal model.
    loadGroundProgram("a | b | c.\n:~ a. [3:1]\n:~ b. [2:1]\n:~ c. [1:1]");
    toldAnswer = MODEL_SHOWN | MODEL_GO_ON;
    reportedModels = 0;
    MODEL_GENERATOR mg(groundRules, groundConstraints, groundWeakConstraints,
                       {.maxModels = 1,
                        .flags = MG_MODEL_CHECK,
                        .modelCallback = answerAsTold,
                        .hasWeakConstraints = true,
                        .programHasWeakConstraints = true,
                        .wcTrace = true,
                        .levels = maxLevel});
    mg.computeModels();
    EXPECT_GE(reportedModels, 1u);
    EXPECT_EQ(mg.printedAnswerSets(), 0u);
    ASSERT_TRUE(mg.bestModelUnproved());
    mg.acceptBestModel();
    mg.restoreBaseCost(COST_VECTOR(MGI::baseCost(mg).levelNumbers, 0));
    uint32_t provisional = reportedModels;
    mg.computeModels();
    EXPECT_EQ(reportedModels, provisional + 1);
    EXPECT_EQ(mg.printedAnswerSets(), 1u);
    toldAnswer = MODEL_SHOWN | MODEL_GO_ON;
}

TEST(ModelGenerator, CounterInitialisation) {
    PREPARED p("x | y :- u, not v.\nu | w.", MG_MODEL_CHECK, false);
    const RULE_STATE &r = p.rule(0);
    EXPECT_EQ(r.openHead, 2u);
    EXPECT_EQ(r.openPositive, 1u);
    EXPECT_EQ(r.openNegative, 1u);
    EXPECT_EQ(r.satisfied, 0u);
    EXPECT_EQ(MGI::supportCount(p.mg)[atomNumber("x")], 1u);
    EXPECT_EQ(MGI::supportCount(p.mg)[atomNumber("u")], 1u);
    EXPECT_EQ(MGI::supportCount(p.mg)[atomNumber("v")], 0u);

    // Two true head atoms: satisfied by the head, supporting neither.
    loadGroundProgram("x | y :- u.");
    TRUTH_ASSIGNMENT a(groundAtomCount, 0, TRUTH_UNDEFINED);
    a.values[atomNumber("x")] = TRUTH_TRUE;
    a.values[atomNumber("y")] = TRUTH_TRUE;
    a.values[atomNumber("u")] = TRUTH_FALSE;
    MODEL_GENERATOR mg(groundRules, groundConstraints, groundWeakConstraints, {.flags = MG_MODEL_CHECK});
    mg.prepareRun(a);
    EXPECT_EQ(mg.initDataStructures(a), 1);
    EXPECT_EQ(mg.stateOfRule(0).satisfied, SATISFIED_BY_HEAD | SATISFIED_BY_BODY);
    EXPECT_EQ(mg.stateOfRule(0).supportedHead, 0u);
    EXPECT_EQ(MGI::supportCount(mg)[atomNumber("x")], 0u);
    EXPECT_EQ(MGI::supportCount(mg)[atomNumber("y")], 0u);
}

TEST(ModelGenerator, ConstraintWithoutLiteralsFailsInitialisation) {
    PREPARED p(":- .\na :- not b.", MG_MODEL_CHECK, false);
    TRUTH_ASSIGNMENT a(groundAtomCount, 0, TRUTH_UNDEFINED);
    p.mg.prepareRun(a);
    EXPECT_EQ(p.mg.initDataStructures(a), 0);
}

TEST(ModelGenerator, PropagationOfForcedHeadsAndConstraints) {
    // A true body forces the single head atom; b's entry comes before a's.
    PREPARED p("a :- b.\nb :- c.\nc | d.\nd :- e.\n:- d, not f.\nf :- g.\ng :- not h.\nh :- not g.");
    ASSERT_EQ(p.initial, 1);
    EXPECT_EQ(p.value("e"), TRUTH_FALSE);  // no rule derives e
    EXPECT_EQ(p.value("a"), TRUTH_UNDEFINED);
    p.a.markChoice();
    p.mg.setTrue(p.a, atomNumber("c"), {REASON_CHOICE, 0});
    ASSERT_EQ(p.mg.propagate(p.a), 1);
    EXPECT_EQ(p.value("b"), TRUTH_TRUE);
    EXPECT_EQ(p.value("a"), TRUTH_TRUE);
    EXPECT_EQ(p.value("d"), TRUTH_FALSE);  // the disjunction is satisfied: d loses its last support

    // Making d true instead: the constraint needs f, which becomes must-be-true.
    p.a.undoChoice();
    MGI::counterTrail(p.mg).undoTo(0);
    MGI::supportTrail(p.mg).undoTo(0);
    p.a.markChoice();
    MGI::level(p.mg) = 2;
    p.mg.setFalse(p.a, atomNumber("c"), {REASON_CHOICE, 0});
    ASSERT_EQ(p.mg.propagate(p.a), 1);
    EXPECT_EQ(p.value("d"), TRUTH_TRUE);
    // f must be true; its single rule is forced, which makes g must-be-true and h false, and
    // then confirms g and f.
    EXPECT_EQ(p.value("f"), TRUTH_TRUE_FROM_MUST_BE_TRUE);
    EXPECT_EQ(p.value("g"), TRUTH_TRUE_FROM_MUST_BE_TRUE);
    EXPECT_EQ(p.value("h"), TRUTH_FALSE);
    EXPECT_EQ(p.a.mustBeTrueCount, 0u);
}

TEST(ModelGenerator, MustBeTrueBodyMakesTheHeadMustBeTrue) {
    PREPARED p("a :- b.\nb | c.\n");
    p.a.markChoice();
    p.mg.setMustBeTrue(p.a, atomNumber("b"), {REASON_CHOICE, 0});
    ASSERT_EQ(p.mg.propagate(p.a), 1);
    // b has a single support (the disjunction), which is forced: c false, b confirmed true.
    EXPECT_EQ(p.value("c"), TRUTH_FALSE);
    EXPECT_EQ(p.value("b"), TRUTH_TRUE_FROM_MUST_BE_TRUE);
    // a became must-be-true while b was, and was confirmed with it.
    EXPECT_EQ(p.value("a"), TRUTH_TRUE_FROM_MUST_BE_TRUE);
}

TEST(ModelGenerator, ContradictionAndUndo) {
    PREPARED p("a :- not b.\nb :- not a.\n:- a, b.\nc :- a.");
    p.a.markChoice();
    MGI::level(p.mg) = 2;
    std::vector<uint32_t> before;
    for (uint32_t i = 0; i < groundRules.size(); ++i) {
        const RULE_STATE &r = p.rule(i);
        before.push_back(r.openNegative + r.satisfied * 100 + r.openHead * 10000);
    }
    p.mg.setMustBeTrue(p.a, atomNumber("a"), {REASON_CHOICE, 0});
    p.mg.setMustBeTrue(p.a, atomNumber("b"), {REASON_CHOICE, 0});
    EXPECT_EQ(p.mg.propagate(p.a), 0);
    EXPECT_TRUE(MGI::propagationQueue(p.mg).empty());
    // Undoing the branch restores values, the must-be-true count and every counter.
    MGI::level(p.mg) = 1;
    p.a.undoChoice();
    MGI::counterTrail(p.mg).undoTo(1);
    MGI::supportTrail(p.mg).undoTo(1);
    EXPECT_EQ(p.a.mustBeTrueCount, 0u);
    EXPECT_EQ(p.value("a"), TRUTH_UNDEFINED);
    EXPECT_EQ(p.value("c"), TRUTH_UNDEFINED);
    for (uint32_t i = 0; i < groundRules.size(); ++i) {
        const RULE_STATE &r = p.rule(i);
        EXPECT_EQ(r.openNegative + r.satisfied * 100 + r.openHead * 10000, before[i]);
    }
    EXPECT_EQ(MGI::supportCount(p.mg)[atomNumber("a")], 1u);
}

TEST(ModelGenerator, ConstraintInferences) {
    struct {
        const char *program;
        const char *atom;
        TRUTH_VALUE expected;
    } cases[] = {
        {"p :- not q.\nq :- not p.\nr :- not s.\ns :- not r.\n:- p, r.", "r", TRUTH_FALSE},
        {"p :- not q.\nq :- not p.\nr :- not s.\ns :- not r.\n:- p, not r.", "r", TRUTH_TRUE_FROM_MUST_BE_TRUE},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.program);
        PREPARED p(c.program);
        p.a.markChoice();
        p.mg.setTrue(p.a, atomNumber("p"), {REASON_CHOICE, 0});
        ASSERT_EQ(p.mg.propagate(p.a), 1);
        EXPECT_EQ(p.value(c.atom), c.expected);
    }
    // With nothing left open the constraint is violated.
    PREPARED p("p :- not q.\nq :- not p.\n:- p.");
    p.a.markChoice();
    p.mg.setTrue(p.a, atomNumber("p"), {REASON_CHOICE, 0});
    EXPECT_EQ(p.mg.propagate(p.a), 0);
}

TEST(ModelGenerator, UnfoundedLoopsDuringInitialPropagation) {
    const char *loop = "a :- b.\nb :- a.\nc :- not d.\nd :- not c.";
    {
        PREPARED p(loop);
        EXPECT_EQ(p.value("a"), TRUTH_FALSE);
        EXPECT_EQ(p.value("b"), TRUTH_FALSE);
    }
    {
        PREPARED p(loop, MG_MODEL_CHECK);  // --noGUS
        EXPECT_EQ(p.value("a"), TRUTH_UNDEFINED);
        EXPECT_EQ(p.value("b"), TRUTH_UNDEFINED);
    }
    {
        // An exit through c keeps the loop open while c can be true; when c is false it falls.
        PREPARED p("a :- b.\nb :- a.\na :- c.\nc :- not d.\nd :- not c.");
        EXPECT_EQ(p.value("a"), TRUTH_UNDEFINED);
        p.a.markChoice();
        p.mg.setTrue(p.a, atomNumber("d"), {REASON_CHOICE, 0});
        ASSERT_EQ(p.mg.propagate(p.a), 1);
        EXPECT_EQ(p.value("a"), TRUTH_FALSE);
        EXPECT_EQ(p.value("b"), TRUTH_FALSE);
    }
    {
        // The loop made true by a choice, then its exit goes: contradiction.
        PREPARED p("a :- b.\nb :- a.\na :- c.\nc :- not d.\nd :- not c.");
        p.a.markChoice();
        p.mg.setTrue(p.a, atomNumber("a"), {REASON_CHOICE, 0});
        ASSERT_EQ(p.mg.propagate(p.a), 1);
        p.mg.setFalse(p.a, atomNumber("c"), {REASON_CHOICE, 0});
        EXPECT_EQ(p.mg.propagate(p.a), 0);
    }
}

TEST(ModelGenerator, LoopLosesItsSourceWhenAHeadOutsideMustBeTrue) {
    // a's support from outside the loop {a, b} is the rule "a | g :- c": once g must be true it
    // supports nothing inside, and the loop is unfounded, although g keeps two rules that may
    // support it and stays must-be-true. Backtracking gives the loop its source back, and the
    // later steps find the same.
    const char *program = "a :- b.\nb :- a.\na | g :- c.\nc :- not d.\nd :- not c.\ng :- e.\ne :- not f.\nf :- not e.";
    PREPARED p(program);
    ASSERT_EQ(p.initial, 1);
    auto branch = [&](uint32_t level) {
        p.a.markChoice();
        MGI::level(p.mg) = level;
    };
    auto undo = [&](uint32_t level) {
        MGI::level(p.mg) = level;
        p.a.undoChoice();
        MGI::counterTrail(p.mg).undoTo(level);
        MGI::supportTrail(p.mg).undoTo(level);
    };
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        branch(2);
        p.mg.setMustBeTrue(p.a, atomNumber("g"), {REASON_CHOICE, 0});
        ASSERT_EQ(p.mg.propagate(p.a), 1);
        EXPECT_EQ(p.value("g"), TRUTH_MUST_BE_TRUE);
        EXPECT_EQ(p.value("a"), TRUTH_FALSE);
        EXPECT_EQ(p.value("b"), TRUTH_FALSE);
        undo(1);
        EXPECT_EQ(p.value("a"), TRUTH_UNDEFINED);
        EXPECT_EQ(p.value("b"), TRUTH_UNDEFINED);
    }
    // The loop chosen true, then g: contradiction.
    branch(2);
    p.mg.setTrue(p.a, atomNumber("a"), {REASON_CHOICE, 0});
    ASSERT_EQ(p.mg.propagate(p.a), 1);
    branch(3);
    p.mg.setTrue(p.a, atomNumber("g"), {REASON_CHOICE, 0});
    EXPECT_EQ(p.mg.propagate(p.a), 0);
    undo(2);
    undo(1);
    // Its exit gone another way, the loop falls as well.
    branch(2);
    p.mg.setTrue(p.a, atomNumber("d"), {REASON_CHOICE, 0});
    ASSERT_EQ(p.mg.propagate(p.a), 1);
    EXPECT_EQ(p.value("a"), TRUTH_FALSE);
    EXPECT_EQ(p.value("b"), TRUTH_FALSE);
    EXPECT_EQ(p.value("g"), TRUTH_UNDEFINED);
    EXPECT_EQ(solve(program),
              (MODELS{{"c", "a", "b", "f"}, {"d", "f"}, {"c", "g", "f"}, {"c", "e", "g"}, {"d", "e", "g"}}));
}

// Closing makes the undefined atoms false around a must-be-true atom: one whose supporting rule
// that completes is confirmed, one left without support ends the candidate.
TEST(ModelGenerator, CloseInterpretationConfirmsOrRefusesMustBeTrueAtoms) {
    PREPARED p("a :- not b.\nb :- not a.\nc :- not d.\nd :- not c.");
    p.a.markChoice();
    p.a.setValue(atomNumber("c"), TRUTH_MUST_BE_TRUE);
    ++p.a.mustBeTrueCount;
    EXPECT_EQ(p.mg.closeInterpretation(p.a), 1);
    EXPECT_EQ(p.value("d"), TRUTH_FALSE);
    EXPECT_TRUE(p.a.isTrue(atomNumber("c")));
    EXPECT_EQ(p.a.mustBeTrueCount, 0u);

    PREPARED q("a :- not b.\nb :- not a.\nc :- e.\ne :- c.\nd :- not a.");
    q.a.markChoice();
    q.a.setValue(atomNumber("c"), TRUTH_MUST_BE_TRUE);
    ++q.a.mustBeTrueCount;
    EXPECT_EQ(q.mg.closeInterpretation(q.a), 0);
}

TEST(ModelGenerator, LongBodiesDoNotWrapTheCounters) {
    // 70000 positive body literals: a 16-bit counter would wrap to 4464.
    std::string program = "h :- ";
    std::string facts;
    for (int i = 0; i < 70000; ++i) {
        std::string name = std::to_string(i);
        name.insert(name.begin(), 'x');
        if (i) program.append(", ");
        program.append(name);
        facts.append(name).append(".\n");
    }
    program += ".\n" + facts;
    PREPARED p(program, MG_MODEL_CHECK, false);
    EXPECT_EQ(p.rule(0).openPositive, 70000u);
    ASSERT_EQ(p.mg.propagateInitial(p.a), 1);
    EXPECT_EQ(p.value("h"), TRUTH_TRUE);
}

TEST(ModelGenerator, WeakConstraintCostsAndBound) {
    const char *program = "a :- not b.\nb :- not a.\n:~ a. [2:1]\n:~ b. [1:2]";
    // With a cost bound every model within it is final and reported with its cost.
    COST_VECTOR bound(2u, COST_NO_BOUND);
    bound.values[1] = 0;  // level 2: nothing allowed
    RUN_OPTIONS withBound;
    withBound.costBound = &bound;
    withBound.costBoundGiven = true;
    EXPECT_EQ(solve(program, withBound), (MODELS{{"a"}}));
    ASSERT_EQ(collectedCosts.size(), 1u);
    EXPECT_EQ(collectedCosts[0].values[0], 2000u);
    EXPECT_EQ(collectedCosts[0].values[1], 0u);

    bound.values[1] = 1000;
    EXPECT_EQ(solve(program, withBound), (MODELS{{"a"}, {"b"}}));
}

// Under -wctrace each model reported before the optimum is known costs less than the one before:
// the cost of a model is the bound that the search must beat. Weak constraints of weight 0 are
// violated in these models too; they must not hold the search back at their levels, where the
// cost that reached the bound still stands and a model of the same cost would follow.
TEST(ModelGenerator, TracedModelsCostLessEachTime) {
    const char *programs[] = {
        "b | a.\nc | d.\ne | f.\n:~ a. [1:1]\n:~ b. [4:1]\n:~ c. [0:1]\n:~ e. [0:1]",
        "b | a.\nc | d.\ne | f.\n:~ b, c. [3:1]\n:~ c. [0:2]\n:~ e. [0:1]\n:~ a. [2:1]\n:~ f. [0:1]",
        "b | a.\ng | h.\nc | d :- b.\ne | f :- c.\n:~ b. [2:2]\n:~ a, h. [1:2]\n:~ c. [0:1]\n:~ e. [0:2]\n:~ g. [1:1]",
    };
    for (const char *program : programs)
        for (bool ruleOrder : {false, true}) {
            SCOPED_TRACE(std::string(program) + (ruleOrder ? " (rule order)" : ""));
            RUN_OPTIONS options;
            options.wcTrace = true;
            options.ruleOrderChoice = ruleOrder;
            solve(program, options);
            for (size_t i = 1; i < tracedCosts.size(); ++i)
                EXPECT_LT(compareCosts(tracedCosts[i], tracedCosts[i - 1]), 0) << "model " << i;
            ASSERT_FALSE(collectedCosts.empty());
            if (!tracedCosts.empty()) EXPECT_LE(compareCosts(collectedCosts[0], tracedCosts.back()), 0);
        }
}

TEST(ModelGenerator, WeakConstraintViolatedFromTheStart) {
    PREPARED p("a :- not b.\nb :- not a.\n:~ c. [3:1]\nc.");
    // c is forced by its rule and the weak constraint's body becomes true: its weight counts.
    EXPECT_EQ(p.a.levelCosts.values[0], 3000u);
}

TEST(ModelGenerator, HugeLevelsKeepOneSlotPerLevelInUse) {
    COST_VECTOR bound(std::vector<uint32_t>{999999999}, COST_NO_BOUND);
    RUN_OPTIONS o;
    o.costBound = &bound;
    o.costBoundGiven = true;
    EXPECT_EQ(solve("a :- not b.\nb :- not a.\n:~ a. [1:999999999]", o), (MODELS{{"a"}, {"b"}}));
    ASSERT_EQ(collectedCosts.size(), 2u);
    EXPECT_EQ(collectedCosts[0].levels, 1u);
    EXPECT_EQ(collectedCosts[0].levelNumbers[0], 999999999u);
    EXPECT_EQ(weakConstraintLevels(999999999, {&groundWeakConstraints}), std::vector<uint32_t>{999999999});
    EXPECT_EQ(weakConstraintLevels(3, {&groundWeakConstraints}), (std::vector<uint32_t>{1, 2, 3}));
}

TEST(ModelGenerator, AggregateElementsAndAggregateAtoms) {
    // 1 <= #count{1 : f, 1 : e} <= 5, where e has no rule and occurs nowhere but in the set.
    loadGroundProgram("f :- not g.\ng :- not f.");
    GATOM_ID e = atomNumber("agg_e");
    GATOM_ID f = atomNumber("f");
    uint32_t predicate = predicateTable.add("#count", 0, PREDICATE_AGGREGATE).first;
    AGGREGATE_SPEC spec;
    spec.type = AGGREGATE_COUNT;
    spec.set = std::make_unique<GROUND_SET>();
    spec.set->insert({makeIntegerTerm(1), e});
    spec.set->insert({makeIntegerTerm(2), f});
    AGGREGATE_ATOM part;
    part.function = AGGREGATEFUNCTION::make(spec);
    part.lowerGuard = makeIntegerTerm(1);
    part.lowerInclusive = 1;
    part.upperGuard = makeIntegerTerm(5);
    part.upperInclusive = 1;
    GATOM_ID aggregate = groundAtomTable.add(ATOM(predicate, std::move(part)));
    GBODY body;
    body.add(GLITERAL(aggregate, false));
    groundRules.emplace_back(std::vector<GATOM_ID>{atomNumber("h")}, std::move(body), true);
    groundAtomCount = groundAtomTable.size();

    {
        MODEL_GENERATOR mg(groundRules, groundConstraints, groundWeakConstraints,
                           {.flags = MG_MODEL_CHECK | MG_UNFOUNDED_CHECKS, .hasAggregates = true, .aggregateCount = 1});
        TRUTH_ASSIGNMENT a(groundAtomCount, 0u, TRUTH_UNDEFINED);
        MGI::chosenFlags(mg).assign(groundAtomCount, 0);
        mg.prepareRun(a);
        mg.initDataStructures(a);
        EXPECT_EQ(MGI::aggregateOccurrences(mg)[e].size(), 1u);
        EXPECT_EQ(MGI::aggregateAtomsOfFunction(mg)[0], std::vector<GATOM_ID>{aggregate});
        // e is unsupported and made false through the queue (the aggregate hears of it); no
        // other atom is made false.
        ASSERT_EQ(mg.propagateInitial(a), 1);
        EXPECT_EQ(a[e], TRUTH_FALSE);
        EXPECT_EQ(MGI::lookaheadRecord(mg).counters[HV_ASSIGNED], 1);
    }
    collected.clear();
    MODEL_GENERATOR mg(groundRules, groundConstraints, groundWeakConstraints,
                       {.flags = MG_MODEL_CHECK | MG_UNFOUNDED_CHECKS,
                        .modelCallback = collect,
                        .hasAggregates = true,
                        .aggregateCount = 1});
    mg.computeModels();
    EXPECT_EQ(collected, (MODELS{{"g"}, {"f", "#count", "h"}}));
}

TEST(ModelGenerator, EveryRunChecksTheLoopsFromTheStart) {
    // A second run over the same object (as the search for all optimal models does) finds the
    // unfounded loop again before any choice.
    PREPARED first("a :- b.\nb :- a.\nc :- not d.\nd :- not c.");
    EXPECT_EQ(first.value("a"), TRUTH_FALSE);
    first.mg.release();
    TRUTH_ASSIGNMENT again(groundAtomCount, 0u, TRUTH_UNDEFINED);
    MGI::chosenFlags(first.mg).assign(groundAtomCount, 0);
    MGI::level(first.mg) = 0;
    first.mg.prepareRun(again);
    first.mg.initDataStructures(again);
    ASSERT_EQ(first.mg.propagateInitial(again), 1);
    EXPECT_EQ(again[atomNumber("a")], TRUTH_FALSE);
    EXPECT_EQ(again[atomNumber("b")], TRUTH_FALSE);
}

TEST(ModelGenerator, ConfirmedHeadJoinsTheChosenAtoms) {
    // A disjunctive rule with a true body and a must-be-true head atom while the other head atom
    // is open: the atom is confirmed true and the model check must look at it.
    PREPARED p("a | b :- c.\nc :- not d.\nd :- not c.\ne :- not a.\n:- e.\na :- b, a.");
    p.a.markChoice();
    p.mg.setTrue(p.a, atomNumber("c"), {REASON_CHOICE, 0});
    ASSERT_EQ(p.mg.propagate(p.a), 1);
    EXPECT_EQ(p.value("a"), TRUTH_TRUE_FROM_MUST_BE_TRUE);
    EXPECT_EQ(MGI::chosenAtoms(p.mg), std::vector<GATOM_ID>{atomNumber("a")});
    EXPECT_EQ(MGI::chosenFlags(p.mg)[atomNumber("a")], 1);
}

namespace {

// A ground #count, #sum, #times, #max or #min atom over the given {value, atom name} elements with inclusive
// guards, used by the rules added after it; the function stays the atom's own (not interned),
// index 0.
GATOM_ID addAggregateAtom(int32_t type, const std::vector<std::pair<int32_t, std::string>> &elements,
                          int32_t lower, int32_t upper) {
    const char *name = type == AGGREGATE_SUM     ? "#sum"
                       : type == AGGREGATE_TIMES ? "#times"
                       : type == AGGREGATE_MAX   ? "#max"
                       : type == AGGREGATE_MIN   ? "#min"
                                                 : "#count";
    uint32_t predicate = predicateTable.add(name, 0, PREDICATE_AGGREGATE).first;
    AGGREGATE_SPEC spec;
    spec.type = type;
    spec.set = std::make_unique<GROUND_SET>();
    for (const auto &[value, name] : elements) spec.set->insert({makeIntegerTerm(value), atomNumber(name)});
    AGGREGATE_ATOM part;
    part.function = AGGREGATEFUNCTION::make(spec);
    for (const auto &[value, name] : elements) part.function->addElement(makeIntegerTerm(value));
    part.function->finishBounds();
    part.lowerGuard = makeIntegerTerm(lower);
    part.lowerInclusive = 1;
    part.upperGuard = makeIntegerTerm(upper);
    part.upperInclusive = 1;
    GATOM_ID atom = groundAtomTable.add(ATOM(predicate, std::move(part)));
    groundAtomCount = groundAtomTable.size();
    return atom;
}

MODELS solveLoaded(MG_FLAGS flags = MG_MODEL_CHECK) {
    collected.clear();
    MODEL_GENERATOR mg(groundRules, groundConstraints, groundWeakConstraints,
                       {.flags = flags, .modelCallback = collect, .hasAggregates = true, .aggregateCount = 1});
    mg.computeModels();
    return collected;
}

}  // namespace

TEST(ModelGenerator, AggregateThatOnlyItsOwnHeadMakesTrueFoundsNothing) {
    // p :- 1 <= #count{1 : p}, with p required: p must be true, so the aggregate counts it, but
    // p is true only through the aggregate; no answer set even though no choice was made.
    loadGroundProgram(":- not p.");
    GATOM_ID g = addAggregateAtom(AGGREGATE_COUNT, {{1, "p"}}, 1, 5);
    GBODY body;
    body.add(GLITERAL(g, false));
    groundRules.emplace_back(std::vector<GATOM_ID>{atomNumber("p")}, std::move(body), true);
    EXPECT_EQ(solveLoaded(), MODELS{});
    // Supported from outside as well, the same atom is an answer set.
    groundRules.emplace_back(std::vector<GATOM_ID>{atomNumber("p")}, GBODY(), false);
    EXPECT_EQ(solveLoaded(), (MODELS{{"p", "#count"}}));
}

TEST(ModelGenerator, AggregateGuardsDecideElementsBothWays) {
    // 2 <= #count{a, b, c} <= 2 required: once two elements are true the third becomes false
    // through the aggregate, so every answer set has exactly two of them.
    loadGroundProgram("a | na.\nb | nb.\nc | nc.");
    GATOM_ID g = addAggregateAtom(AGGREGATE_COUNT, {{1, "a"}, {2, "b"}, {3, "c"}}, 2, 2);
    groundConstraints.emplace_back(GBODY());
    groundConstraints.back().body.add(GLITERAL(g, true));
    EXPECT_EQ(solveLoaded(), (MODELS{{"a", "b", "nc", "#count"}, {"a", "nb", "c", "#count"},
                                     {"na", "b", "c", "#count"}}));
    // The same aggregate forbidden: no two elements may be true together with the third false.
    groundConstraints.back().body = GBODY();
    groundConstraints.back().body.add(GLITERAL(g, false));
    EXPECT_EQ(solveLoaded().size(), 5u);
}

TEST(ModelGenerator, SumBeyondTheIntegerRangeDoesNotWrap) {
    // Three large elements sum to about 3 * 10^9: the sum at least 5 holds for all three true,
    // where a 32-bit sum would have wrapped below 0.
    loadGroundProgram("a | na.\nb | nb.\nc | nc.");
    GATOM_ID g = addAggregateAtom(AGGREGATE_SUM, {{999999997, "a"}, {999999998, "b"}, {999999999, "c"}}, 5,
                                  2147483647);
    groundConstraints.emplace_back(GBODY());
    groundConstraints.back().body.add(GLITERAL(g, true));
    MODELS models = solveLoaded();
    EXPECT_EQ(models.size(), 7u);
    EXPECT_TRUE(models.count(MODEL{"a", "b", "c", "#sum"}));
}

TEST(ModelGenerator, TimesAnswerSetsAreTheSubsetsWhoseProductLiesWithinTheGuards) {
    // Each element atom is guessed; the #times atom is required (or forbidden). The answer sets
    // must be exactly the subsets whose product, computed here in 128 bits, lies within (or
    // outside) the guards: zero elements, the empty product 1, negative values that swap the
    // extremes and products far beyond 64 bits. A guard at the end of the integer range is no
    // bound, as for a missing guard.
    struct CASE {
        std::vector<int32_t> values;
        int32_t lower, upper;
    };
    const std::vector<CASE> cases = {
        {{0, 2, 3}, 2, 3},
        {{0, 2, 3}, 0, 0},
        {{0, 2, 3}, 1, 1},
        {{0, 0, 5}, 0, 4},
        {{1, 1, 2}, 1, 1},
        {{2, 3, 4}, 7, 11},
        {{2, 3, 4}, 24, 24},
        {{-2, 3, 5}, -10, -6},
        {{-3, -2, 4}, 6, 24},
        {{-3, -2, -1, 0}, -6, -1},
        {{-5, -1, 2}, 2, 10},
        {{65536, 65536, 65536}, 0, 1},
        {{65536, 65536, 65536}, 2, 2147483647},
        {{2147483647, 2147483647, 2147483647, 2}, -2147483647, 2147483647},
        {{-2147483647, 2147483647, 2147483647, 0}, -2147483647, 2147483647},
        {{-65536, -65536, -65536, 3}, -2147483647, -2},
        {{-65536, -65536, 65536}, -2147483648, -2},
        {{-65536, 65536, 65536}, 1, 2147483646},
    };
    for (const CASE &c : cases) {
        for (bool required : {true, false}) {
            std::string program;
            std::vector<std::pair<int32_t, std::string>> elements;
            for (size_t i = 0; i < c.values.size(); ++i) {
                std::string index = std::to_string(i);
                program.append("e").append(index).append(" | n").append(index).append(".\n");
                elements.push_back({c.values[i], std::string("e").append(index)});
            }
            loadGroundProgram(program);
            GATOM_ID g = addAggregateAtom(AGGREGATE_TIMES, elements, c.lower, c.upper);
            groundConstraints.emplace_back(GBODY());
            groundConstraints.back().body.add(GLITERAL(g, required));
            MODELS expected;
            for (uint32_t subset = 0; subset < (1u << c.values.size()); ++subset) {
                __int128 product = 1;
                MODEL m;
                for (size_t i = 0; i < c.values.size(); ++i) {
                    bool in = subset & (1u << i);
                    std::string name = in ? "e" : "n";
                    name += std::to_string(i);
                    m.insert(name);
                    if (in) product *= c.values[i];
                }
                bool holds = (c.lower == INT32_MIN || c.lower <= product) && (c.upper == INT32_MAX || product <= c.upper);
                if (holds) m.insert("#times");
                if (holds == required) expected.insert(m);
            }
            for (MG_FLAGS flags : {MG_FLAGS(MG_MODEL_CHECK), MG_FLAGS(MG_MODEL_CHECK | MG_UNFOUNDED_CHECKS)})
                EXPECT_EQ(solveLoaded(flags), expected)
                    << "values " << ::testing::PrintToString(c.values) << " guards " << c.lower << ".." << c.upper
                    << (required ? " required" : " forbidden");
        }
    }
}

namespace {

// The steps of a propagation by hand over the loaded program: each step opens a level, gives its
// atoms their values ("-x" for x false; several at once, so that propagation meets them in one go)
// and propagates. The status of the last propagation.
int propagateSteps(MODEL_GENERATOR &mg, TRUTH_ASSIGNMENT &a, const std::vector<std::vector<std::string>> &steps) {
    MGI::chosenFlags(mg).assign(groundAtomCount, 0);
    mg.prepareRun(a);
    mg.initDataStructures(a);
    if (mg.propagateInitial(a) != 1) return 0;
    a.trailing = true;
    MGI::level(mg) = 1;
    int propagated = 1;
    for (const std::vector<std::string> &step : steps) {
        if (propagated != 1) break;
        MGI::openLevel(mg, a, trueLiteral(0));
        for (const std::string &l : step) {
            GATOM_ID atom = atomNumber(l[0] == '-' ? l.substr(1) : l);
            EXPECT_EQ(a[atom], TRUTH_UNDEFINED) << l;
            if (l[0] == '-')
                mg.setFalse(a, atom, {REASON_CHOICE, 0});
            else
                mg.setTrue(a, atom, {REASON_CHOICE, 0});
        }
        propagated = mg.propagate(a);
    }
    return propagated;
}

// The literals of a reason by name, "-x" for x false and "g" for the aggregate atom g.
std::set<std::string> literalNames(const std::vector<MG_LITERAL> &literals, GATOM_ID g) {
    std::set<std::string> names;
    for (MG_LITERAL l : literals) {
        GATOM_ID atom = atomOfLiteral(l);
        std::string name = atom == g ? "g" : predicateTable.name(groundAtomTable[atom].predicate);
        names.insert(isFalseLiteral(l) ? "-" + name : name);
    }
    return names;
}

}  // namespace

TEST(ModelGenerator, AggregateReasonsNameOnlyTheElementsThatForcedTheValue) {
    // Each element atom x is guessed (x | nx); the aggregate atom is required or forbidden by a
    // constraint. Each step opens a level, gives its atoms their values (several at once, so that
    // propagation meets them in one go) and propagates. The reason of the forced literal (or the
    // literals of the contradiction, for "!") must be exactly the given literals ("-x" for x
    // false, "g" for the aggregate atom true): the elements that forced it, cut at the point where
    // they suffice, not every decided element of the set.
    struct CASE {
        const char *what;
        int32_t type;
        std::vector<std::pair<int32_t, std::string>> elements;
        int32_t lower, upper;
        bool required;
        std::vector<std::vector<std::string>> steps;
        std::string forced;
        std::set<std::string> reason;
    };
    const std::vector<CASE> cases = {
        {"#sum: the element made false names the two true ones that reached the bound, not the third",
         AGGREGATE_SUM, {{1, "a"}, {1, "b"}, {1, "c"}, {2, "e"}}, 0, 3, true,
         {{"a"}, {"b", "c"}}, "e", {"g", "a", "b"}},
        {"#count: the contradiction names the first three true elements, not the fourth",
         AGGREGATE_COUNT, {{1, "a"}, {2, "b"}, {3, "c"}, {4, "d"}, {5, "e"}}, 0, 2, true,
         {{"a"}, {"b", "c", "d"}}, "!", {"g", "a", "b", "c"}},
        {"#count forbidden: the element made false names what makes the guards hold without it",
         AGGREGATE_COUNT, {{1, "a"}, {2, "b"}, {3, "c"}, {4, "d"}}, 2, 3, false,
         {{"a"}, {"-b", "-c"}}, "d", {"-g", "a", "-b"}},
        {"#sum: a false positive element cannot raise the least value",
         AGGREGATE_SUM, {{3, "a"}, {-2, "b"}, {1, "c"}}, INT32_MIN, 1, true,
         {{"-c"}, {"-b"}}, "a", {"g", "-b"}},
        {"#sum: a lower guard reached through false elements",
         AGGREGATE_SUM, {{4, "a"}, {1, "b"}, {2, "c"}, {2, "d"}, {1, "e"}}, 6, INT32_MAX, true,
         {{"b"}, {"-c"}}, "a", {"g", "-c"}},
        {"#max: the single element left within the guards names only the others within them",
         AGGREGATE_MAX, {{2, "a"}, {6, "b"}, {7, "d"}, {9, "c"}}, 5, 8, true,
         {{"a"}, {"-d"}}, "b", {"g", "-d"}},
        {"#max forbidden: one true element within the guards makes those above necessary",
         AGGREGATE_MAX, {{2, "a"}, {6, "b"}, {7, "d"}, {9, "c"}}, 5, 8, false,
         {{"a"}, {"b"}}, "c", {"-g", "b"}},
        {"#min: elements below the lower guard are false by the guard alone",
         AGGREGATE_MIN, {{1, "a"}, {4, "b"}, {6, "c"}}, 3, 9, true,
         {{"c"}}, "a", {"g"}},
        {"#min forbidden: the contradiction names a true element within the guards and those below",
         AGGREGATE_MIN, {{1, "a"}, {4, "b"}, {6, "c"}}, 3, 9, false,
         {{"-b"}, {"c", "-a"}}, "!", {"-g", "c", "-a"}},
        {"#times: an element worth 1 does not move the product",
         AGGREGATE_TIMES, {{2, "a"}, {3, "b"}, {5, "c"}, {1, "d"}}, INT32_MIN, 20, true,
         {{"a"}, {"d", "c"}}, "b", {"g", "a", "c"}},
    };
    for (const CASE &c : cases) {
        SCOPED_TRACE(c.what);
        std::string program;
        for (const auto &[value, name] : c.elements) program += name + " | n" + name + ".\n";
        loadGroundProgram(program);
        GATOM_ID g = addAggregateAtom(c.type, c.elements, c.lower, c.upper);
        groundConstraints.emplace_back(GBODY());
        groundConstraints.back().body.add(GLITERAL(g, c.required));
        MODEL_GENERATOR mg(groundRules, groundConstraints, groundWeakConstraints,
                           {.flags = MG_MODEL_CHECK, .hasAggregates = true, .aggregateCount = 1});
        TRUTH_ASSIGNMENT a(groundAtomCount, 0u, TRUTH_UNDEFINED);
        int propagated = propagateSteps(mg, a, c.steps);
        std::vector<MG_LITERAL> literals;
        if (c.forced == "!") {
            ASSERT_EQ(propagated, 0);
            ASSERT_TRUE(MGI::conflictLiterals(mg, a, literals));
        } else {
            ASSERT_EQ(propagated, 1);
            ASSERT_NE(a[atomNumber(c.forced)], TRUTH_UNDEFINED);
            ASSERT_TRUE(MGI::explain(mg, a, atomNumber(c.forced), literals));
        }
        EXPECT_EQ(literalNames(literals, g), c.reason);
    }
}

TEST(ModelGenerator, ExtremeAtomIsFalseOnceNoElementCanMeetItsGuards) {
    // A #max (#min) with two guards, in the body of a rule and otherwise free: once the elements
    // within the guards are false and none true reaches them, the extreme misses the guards
    // whatever the elements beyond them do, and the atom is false at once, by the false elements
    // within the guards.
    struct CASE {
        const char *what;
        int32_t type;
        std::vector<std::pair<int32_t, std::string>> elements;
        int32_t lower, upper;
        std::vector<std::vector<std::string>> steps;
        std::set<std::string> reason;
    };
    const std::vector<CASE> cases = {
        {"#max with an element below and one above the guards", AGGREGATE_MAX,
         {{1, "a"}, {4, "b"}, {5, "c"}, {7, "d"}}, 4, 5, {{"-b"}, {"-c"}}, {"-b", "-c"}},
        {"#max with a true element below the guards", AGGREGATE_MAX,
         {{1, "a"}, {5, "c"}, {7, "d"}}, 4, 5, {{"a"}, {"-c"}}, {"-c"}},
        {"#min with an element above and one below the guards", AGGREGATE_MIN,
         {{1, "a"}, {4, "b"}, {5, "c"}, {7, "d"}}, 4, 5, {{"-c", "-b"}}, {"-b", "-c"}},
    };
    for (const CASE &c : cases) {
        SCOPED_TRACE(c.what);
        std::string program;
        for (const auto &[value, name] : c.elements) program += name + " | n" + name + ".\n";
        program += "h | nh.\n";
        loadGroundProgram(program);
        GATOM_ID g = addAggregateAtom(c.type, c.elements, c.lower, c.upper);
        GBODY body;
        body.add(GLITERAL(g, false));
        groundRules.emplace_back(std::vector<GATOM_ID>{atomNumber("h")}, std::move(body), true);
        MODEL_GENERATOR mg(groundRules, groundConstraints, groundWeakConstraints,
                           {.flags = MG_MODEL_CHECK, .hasAggregates = true, .aggregateCount = 1});
        TRUTH_ASSIGNMENT a(groundAtomCount, 0u, TRUTH_UNDEFINED);
        ASSERT_EQ(propagateSteps(mg, a, c.steps), 1);
        ASSERT_EQ(a[g], TRUTH_FALSE);
        std::vector<MG_LITERAL> literals;
        ASSERT_TRUE(MGI::explain(mg, a, g, literals));
        EXPECT_EQ(literalNames(literals, g), c.reason);
    }
}
