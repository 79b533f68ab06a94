#include "solver/heuristic_choice.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/option_values.h"
#include "ground_program_text.h"
#include "model_generator_insight.h"
#include "solver/model_generator.h"

using namespace testing_ground;

namespace {

using MODEL = std::set<std::string>;
using MODELS = std::set<MODEL>;

const std::vector<int32_t> DEFAULT_CRITERIA = {0, 2, 4, 15, 37, 7, 8, 9, 10, 11};

// The heuristic options as one value, set for a test and put back after it.
struct HEURISTIC_OPTIONS {
    bool oh = true;
    bool negPts = true;
    uint32_t ptCache = 5;
    bool complPt = true;
    bool canChoose = true;
};

// The search settings that every model generator of these tests is given.
SEARCH_CONFIG searchOptions;

struct OPTIONS_SCOPE {
    SEARCH_CONFIG saved = searchOptions;
    explicit OPTIONS_SCOPE(const HEURISTIC_OPTIONS &o) {
        searchOptions.optOH = o.oh;
        searchOptions.optNegPts = o.negPts;
        searchOptions.optPtCache = o.ptCache;
        searchOptions.optComplPt = o.complPt;
        searchOptions.optCanChooseComplPt = o.canChoose;
    }
    ~OPTIONS_SCOPE() { searchOptions = saved; }
};

MODELS collected;

int collect(MODEL_GENERATOR *mg, INTERPRETATION *, TRUTH_ASSIGNMENT *model) {
    collected.insert(trueNames(*model));
    ++MGI::answerSetsPrinted(*mg);
    return 1;
}

uint64_t activityChoices = 0;  // of the last solve()

uint64_t nogoodBytes = 0;  // what the learned nogoods of the last solve() took at its end

MODELS solve(const std::string &program, const std::vector<int32_t> &criteria = DEFAULT_CRITERIA,
             int32_t op = 0, uint64_t nogoodMemoryLimit = NOGOOD_STORE::MEMORY_LIMIT) {
    loadGroundProgram(program);
    collected.clear();
    std::vector<int32_t> operators(criteria.size(), op);
    MODEL_GENERATOR mg(groundRules, groundConstraints, groundWeakConstraints,
                       {.flags = MG_MODEL_CHECK | MG_UNFOUNDED_CHECKS,
                        .modelCallback = collect,
                        .hasWeakConstraints = !groundWeakConstraints.empty(),
                        .programHasWeakConstraints = !groundWeakConstraints.empty(),
                        .levels = maxLevel,
                        .heuristic = criteria,
                        .combineOperators = operators,
                        .search = searchOptions,
                        .nogoodMemoryLimit = nogoodMemoryLimit});
    mg.computeModels();
    activityChoices = MGI::activityChoices(mg);
    nogoodBytes = MGI::nogoods(mg).bytes();
    return collected;
}

// Pigeon i in hole j is "pIhJ": each pigeon in one hole, no two in the same.
std::string pigeonHoles(int pigeons, int holes) {
    std::ostringstream text;
    for (int i = 1; i <= pigeons; ++i) {
        for (int j = 1; j <= holes; ++j) text << "p" << i << "h" << j << (j < holes ? " | " : ".\n");
        for (int k = i + 1; k <= pigeons; ++k)
            for (int j = 1; j <= holes; ++j) text << ":- p" << i << "h" << j << ", p" << k << "h" << j << ".\n";
    }
    return text.str();
}

struct LOADED {
    explicit LOADED(const std::string &program) { loadGroundProgram(program); }
};

// A model generator with its lists built and the initial consequences drawn, at the root of the
// search, and a candidate list over it.
struct ROOT : LOADED {
    std::vector<int32_t> criteria;
    MODEL_GENERATOR mg;
    TRUTH_ASSIGNMENT a;
    PT_CANDIDATES list;

    explicit ROOT(const std::string &program, std::vector<int32_t> criteria_ = DEFAULT_CRITERIA)
        : LOADED(program),
          criteria(criteria_),
          mg(groundRules, groundConstraints, groundWeakConstraints,
             {.flags = MG_MODEL_CHECK | MG_UNFOUNDED_CHECKS,
              .heuristic = criteria,
              .combineOperators = std::vector<int32_t>(criteria.size(), 0),
              .search = searchOptions}),
          a(groundAtomCount, MGI::baseCost(mg), TRUTH_UNDEFINED) {
        MGI::chosenFlags(mg).assign(groundAtomCount, 0);
        mg.prepareRun(a);
        mg.initDataStructures(a);
        mg.markNonHCFRules();
        EXPECT_EQ(mg.propagateInitial(a), 1);
        a.trailing = true;
        MGI::level(mg) = 1;
        list.start(&mg, &a, searchOptions.optPtCache);
    }
    TRUTH_VALUE value(const std::string &name) { return a[atomNumber(name)]; }
    std::vector<std::string> entries() {
        std::vector<std::string> names;
        PT_CANDIDATES copy = list;
        while (copy.count) {
            const PT_CANDIDATE &c = copy.first();
            names.push_back(std::string(c.polarity ? "not " : "") + predicateTable.name(groundAtomTable[c.atom].predicate));
            copy.removeFirst();
        }
        return names;
    }
};

HEURISTIC_VALUE counted(int64_t counter9) {
    HEURISTIC_VALUE v;
    v.counters[HV_ASSIGNED] = counter9;
    return v;
}

}  // namespace

TEST(HeuristicChoice, FailedLookaheadForcesTheOppositeAndLooksAgain) {
    OPTIONS_SCOPE scope({});
    ROOT r("a | b.\nc :- a.\nd :- a.\n:- c, d.");
    ASSERT_EQ(r.list.chooseCandidate(), 1);
    EXPECT_EQ(r.value("a"), TRUTH_FALSE);
    EXPECT_TRUE(isTrueValue(r.value("b")));
    EXPECT_EQ(MGI::inconsistentLookaheads(r.mg), 1u);
    // The forced literals left no candidate: the level is a leaf.
    EXPECT_TRUE(r.list.done);
    EXPECT_EQ(r.list.count, 0u);
    EXPECT_EQ(MGI::chosenAtoms(r.mg).size(), 0u);
}

TEST(HeuristicChoice, BothPolaritiesFailingIsAContradiction) {
    OPTIONS_SCOPE scope({});
    const char *program = "x | y.\np :- x.\nq :- x.\n:- p, q.\nr :- y.\ns :- y.\n:- r, s.";
    ROOT r(program);
    EXPECT_EQ(r.list.chooseCandidate(), 0);
    EXPECT_TRUE(MGI::forcedLiterals(r.mg).empty());
    EXPECT_EQ(solve(program), MODELS{});
}

TEST(HeuristicChoice, TheRootLooksAheadEveryCandidateDeeperLevelsThoseOfAverageWeight) {
    // Candidates a, b, c, d (heads of true rules), not e and not f. Only a (through p :- a) and
    // e and f (through their two rules) have occurrence weight; b and d are measured by the
    // look-aheads of a and c, whose single rule makes them true when a or c is false.
    const char *program = "a | b.\nc | d.\np :- a.\ne :- not f.\nf :- not e.";
    struct {
        uint32_t level;
        bool complPt;
        uint32_t lookaheads;
        uint32_t candidates;
    } cases[] = {
        {1, true, 8, 5},   // a, c, not e, not f in both polarities; b and d come with a and c
        {2, true, 6, 4},   // c falls below the average weight
        {1, false, 6, 5},  // each candidate once, none measured through another
        {2, false, 3, 3},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "level " << c.level << " complpt " << c.complPt);
        HEURISTIC_OPTIONS o;
        o.complPt = c.complPt;
        OPTIONS_SCOPE scope(o);
        ROOT r(program);
        MGI::level(r.mg) = c.level;
        ASSERT_EQ(r.list.chooseCandidate(), 1);
        EXPECT_EQ(MGI::lookaheadsPerformed(r.mg), c.lookaheads);
        EXPECT_EQ(r.list.count, c.candidates);
        EXPECT_EQ(MGI::choicePoints(r.mg), 1u);
        // Every look-ahead was taken back.
        for (const char *atom : {"a", "b", "c", "d", "e", "f", "p"}) EXPECT_EQ(r.value(atom), TRUTH_UNDEFINED) << atom;
        EXPECT_EQ(MGI::level(r.mg), c.level);
    }
}

TEST(HeuristicChoice, LookAheadWorkOfAComputationIsBounded) {
    // One long disjunction: each atom's look-ahead makes every other atom false, so looking ahead
    // all of them would cost the square of the program's size. The computation stops trying
    // candidates once its work bound is spent, keeps what it measured, and undoes every
    // look-ahead.
    const uint32_t n = 3000;
    std::string fact;
    for (uint32_t i = 0; i < n; ++i) fact += (i ? " | s" : "s") + std::to_string(i);
    OPTIONS_SCOPE scope({});
    ROOT r(fact + ".");
    ASSERT_EQ(r.list.chooseCandidate(), 1);
    EXPECT_FALSE(r.list.done);
    EXPECT_EQ(r.list.count, 5u);
    EXPECT_GT(MGI::lookaheadsPerformed(r.mg), 10u);
    EXPECT_LT(MGI::lookaheadsPerformed(r.mg), n);
    for (uint32_t i = 0; i < n; i += 997) EXPECT_EQ(r.value("s" + std::to_string(i)), TRUTH_UNDEFINED);
}

TEST(HeuristicChoice, CandidatesAreKeptBestFirstUpToTheCapacity) {
    HEURISTIC_OPTIONS o;
    o.complPt = false;
    o.ptCache = 3;
    OPTIONS_SCOPE scope(o);
    ROOT r("p1 | p2 | p3 | p4 | p5 | p6.", {21});  // ranked by the atoms a look-ahead decided
    auto insert = [&](const char *atom, int64_t decided) {
        r.list.insertCandidate(atomNumber(atom), 0, counted(decided), nullptr);
    };
    insert("p1", 3);
    insert("p2", 5);
    insert("p3", 1);  // appended behind p1
    EXPECT_EQ(r.entries(), (std::vector<std::string>{"p2", "p1", "p3"}));
    insert("p4", 5);  // among equals the newest first; the last entry leaves
    EXPECT_EQ(r.entries(), (std::vector<std::string>{"p4", "p2", "p1"}));
    insert("p5", 2);  // worse than the last of a full list: dropped
    EXPECT_EQ(r.entries(), (std::vector<std::string>{"p4", "p2", "p1"}));
    insert("p6", 3);  // equal to the last: goes before it
    EXPECT_EQ(r.entries(), (std::vector<std::string>{"p4", "p2", "p6"}));
    r.list.removeFirst();
    insert("p5", 9);
    EXPECT_EQ(r.entries(), (std::vector<std::string>{"p5", "p2", "p6"}));
}

// Under weak constraints the entries rank by the costs their look-aheads left, also in slots that
// earlier entries held, and under --complpt by both records' costs combined (summed here).
TEST(HeuristicChoice, EntriesRankByTheCostsOfTheirRecords) {
    auto costing = [](uint64_t cost) {
        HEURISTIC_VALUE v;
        v.initCosts(2);
        v.cost.values[1] = cost;
        return v;
    };
    for (bool complPt : {false, true}) {
        SCOPED_TRACE(complPt);
        HEURISTIC_OPTIONS o;
        o.complPt = complPt;
        o.ptCache = 2;
        OPTIONS_SCOPE scope(o);
        ROOT r("p1 | p2 | p3 | p4 | p5.", {7});  // the lower cost first
        auto insert = [&](const char *atom, uint64_t cost, uint64_t opposite) {
            HEURISTIC_VALUE result = costing(cost), other = costing(opposite);
            r.list.insertCandidate(atomNumber(atom), 0, result, complPt ? &other : nullptr);
        };
        insert("p1", 4, 0);
        insert("p2", 1, 9);
        EXPECT_EQ(r.entries(), (std::vector<std::string>{complPt ? "p1" : "p2", complPt ? "p2" : "p1"}));
        r.list.clear();
        insert("p3", 3, 3);
        insert("p4", 2, 2);
        insert("p5", 5, 0);
        EXPECT_EQ(r.entries(), (std::vector<std::string>{"p4", complPt ? "p5" : "p3"}));
    }
}

TEST(HeuristicChoice, NoCandidateIsKeptWithoutCapacity) {
    HEURISTIC_OPTIONS o;
    o.ptCache = 0;
    OPTIONS_SCOPE scope(o);
    ROOT r("a | b.\nc | d.");
    ASSERT_EQ(r.list.chooseCandidate(), 1);
    EXPECT_TRUE(r.list.done);
    EXPECT_GT(MGI::lookaheadsPerformed(r.mg), 0u);
}

TEST(HeuristicChoice, StaleCandidatesLeaveFromTheFrontOnly) {
    OPTIONS_SCOPE scope({});
    ROOT r("a | b.\nc | d.\ne :- not f.\nf :- not e.", {21});
    r.list.insertCandidate(atomNumber("c"), 0, counted(1), nullptr);
    r.list.insertCandidate(atomNumber("a"), 0, counted(2), nullptr);
    r.list.insertCandidate(atomNumber("f"), 1, counted(3), nullptr);
    // f true: "not f" is no candidate any more, and the rule of a and b is left alone.
    r.mg.setTrue(r.a, atomNumber("f"), {REASON_CHOICE, 0});
    r.mg.setTrue(r.a, atomNumber("c"), {REASON_CHOICE, 0});
    ASSERT_EQ(r.mg.propagate(r.a), 1);
    r.list.dropStaleCandidates();
    // c is stale as well, but stands behind a valid entry.
    EXPECT_EQ(r.entries(), (std::vector<std::string>{"a", "c"}));
}

TEST(HeuristicChoice, PolarityTriedFirstFollowsTheCriteria) {
    OPTIONS_SCOPE scope({});
    ROOT r("a | b.", {21});
    struct CASE {
        int64_t result, opposite;
        bool hasOpposite, canChooseOpposite, literalFirst;
    } cases[] = {
        {1, 4, true, true, false},  // the opposite decides more atoms
        {1, 1, true, true, true},   // a tie keeps the literal first
        {1, 4, false, true, true},  // no opposite record
        {1, 4, true, false, true},  // --cannotchoosecomplpt
    };
    for (const CASE &k : cases) {
        MGI::settings(r.mg).optCanChooseComplPt = k.canChooseOpposite;
        HEURISTIC_VALUE result = counted(k.result), opposite = counted(k.opposite);
        const HEURISTIC_VALUE *o = k.hasOpposite ? &opposite : nullptr;
        EXPECT_EQ(r.list.recordsPreferLiteral(result, o), k.literalFirst) << k.result << " " << k.opposite;
        // The entry carries the decision, also once its list is kept without records.
        r.list.clear();
        r.list.insertCandidate(atomNumber("a"), 0, result, o);
        EXPECT_EQ(r.list.literalFirst(r.list.first()), k.literalFirst);
        std::vector<PT_KEPT> kept;
        r.list.keepTo(kept);
        r.list.restore(kept.data(), kept.data() + kept.size(), false);
        ASSERT_EQ(r.list.count, 1u);
        EXPECT_EQ(r.list.literalFirst(r.list.first()), k.literalFirst);
    }
}

TEST(HeuristicChoice, KeptListRestoresEntriesInOrder) {
    OPTIONS_SCOPE scope({});
    ROOT r("a | b.\nc | d.\ne :- not f.\nf :- not e.", {21});
    r.list.insertCandidate(atomNumber("c"), 0, counted(1), nullptr);
    r.list.insertCandidate(atomNumber("a"), 0, counted(2), nullptr);
    r.list.insertCandidate(atomNumber("f"), 1, counted(3), nullptr);
    std::vector<PT_KEPT> kept;
    r.list.keepTo(kept);
    r.list.clear();
    r.list.insertCandidate(atomNumber("b"), 0, counted(9), nullptr);
    r.list.restore(kept.data(), kept.data() + kept.size(), true);
    EXPECT_EQ(r.entries(), (std::vector<std::string>{"not f", "a", "c"}));
    EXPECT_TRUE(r.list.byActivity);
    // The direction the search last gave an atom wins over the records.
    MGI::savedPhase(r.mg)[atomNumber("f")] = 1;
    EXPECT_FALSE(r.list.literalFirst(r.list.first()));
}

TEST(HeuristicChoice, EveryOptionFindsTheSameAnswerSets) {
    const char *programs[] = {
        "a :- not b.\nb :- not a.\nc :- not d.\nd :- not c.\ne | f :- a, c.\n:- e, d.",
        "a | b | c.\nd :- a.\nd :- b.\n:- not d, not c.\ne :- d, not f.\nf :- not e.",
        "p :- q.\nq :- p.\np :- not r.\nr :- not p.\ns | t :- r.",
        // A head cycle: the candidates need the model check.
        "a | b.\na :- b.\nb :- a.\nc :- not a.",
        "x1 | y1.\nx2 | y2.\nx3 | y3.\n:- x1, x2.\n:- y2, y3.\n:- x1, y3.\nz :- x3, not y1.",
    };
    HEURISTIC_OPTIONS base;
    HEURISTIC_OPTIONS variants[8] = {base, base, base, base, base, base, base, base};
    variants[1].negPts = false;
    variants[2].complPt = false;
    variants[3].canChoose = false;
    variants[4].ptCache = 1;
    variants[5].ptCache = 1000;
    variants[6].negPts = false;
    variants[6].complPt = false;
    variants[6].ptCache = 2;
    variants[7].oh = false;
    for (const char *program : programs) {
        SCOPED_TRACE(program);
        MODELS expected;
        {
            HEURISTIC_OPTIONS rules;
            rules.oh = false;
            OPTIONS_SCOPE scope(rules);
            expected = solve(program);
        }
        for (size_t v = 0; v < 8; ++v) {
            SCOPED_TRACE(v);
            OPTIONS_SCOPE scope(variants[v]);
            EXPECT_EQ(solve(program), expected);
        }
        for (int32_t op = 0; op <= 9; ++op) {
            SCOPED_TRACE(testing::Message() << "operator " << op);
            OPTIONS_SCOPE scope(base);
            EXPECT_EQ(solve(program, DEFAULT_CRITERIA, op), expected);
        }
        for (const std::vector<int32_t> &criteria :
             {std::vector<int32_t>{12}, {14, 16, 21}, {29, 30, 31, 33, 34}, {1000, 1006, 13}, {}}) {
            OPTIONS_SCOPE scope(base);
            EXPECT_EQ(solve(program, criteria), expected);
        }
    }
}

// A search that keeps meeting contradictions takes the most active candidate without a look-ahead,
// unless the program has positive recursion or weak constraints; every answer set is found either
// way, as the rule-order chooser finds them.
TEST(HeuristicChoice, ASearchThatKeepsContradictingChoosesByActivityOnlyWhereThatPays) {
    const std::string loop = "q :- r.\nr :- q.\nq :- p1h1.\n";
    const std::string weak = ":~ p1h1. [1:1]\n";
    // The seventh pigeon may stay away when the first sits in the first hole: 120 answer sets, and
    // every other way to seat the first ends in contradictions.
    std::string sevenPigeonsOneAway = pigeonHoles(7, 6);
    const char *seventh = "p7h1 | p7h2 | p7h3 | p7h4 | p7h5 | p7h6.";
    sevenPigeonsOneAway.replace(sevenPigeonsOneAway.find(seventh), std::strlen(seventh),
                                "p7h1 | p7h2 | p7h3 | p7h4 | p7h5 | p7h6 | away :- p1h1.\n"
                                "p7h1 | p7h2 | p7h3 | p7h4 | p7h5 | p7h6 :- not p1h1.");
    struct {
        std::string program;
        bool byActivity;
    } cases[] = {
        {pigeonHoles(7, 6), true},          // no answer set, after some thousand contradictions
        {pigeonHoles(6, 5) + loop, false},  // positive recursion
        {pigeonHoles(6, 5) + weak, false},
        // Every answer set is listed while the choices follow the activity: the nogoods learned
        // from the contradictions between them lose none.
        {sevenPigeonsOneAway, true},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.program);
        MODELS expected;
        {
            HEURISTIC_OPTIONS rules;
            rules.oh = false;
            OPTIONS_SCOPE scope(rules);
            expected = solve(c.program);
        }
        for (bool negPts : {true, false}) {
            HEURISTIC_OPTIONS o;
            o.negPts = negPts;
            OPTIONS_SCOPE scope(o);
            EXPECT_EQ(solve(c.program), expected);
            EXPECT_EQ(activityChoices != 0, c.byActivity) << activityChoices;
        }
    }
}


// A long search under a small memory limit for its nogoods: it keeps within the limit where the
// same search without it holds several times as much, and finds the same answer sets.
TEST(HeuristicChoice, LearnedNogoodsStayWithinTheirMemoryLimit) {
    const uint64_t limit = 8 * 1024;
    std::string program = pigeonHoles(8, 7);
    MODELS unlimited = solve(program);
    uint64_t unlimitedBytes = nogoodBytes;
    EXPECT_GT(unlimitedBytes, 4 * limit);
    EXPECT_EQ(solve(program, DEFAULT_CRITERIA, 0, limit), unlimited);
    EXPECT_LE(nogoodBytes, 2 * limit);
    // Listing answer sets: each is found once, none lost with the nogoods dropped.
    std::string enumerate = pigeonHoles(6, 6);
    EXPECT_EQ(solve(enumerate, DEFAULT_CRITERIA, 0, 1024), solve(enumerate));
}
