#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "support/option_values.h"
#include "ground_program_text.h"
#include "grounding/ground_depgraph.h"
#include "solver/model_checker.h"
#include "solver/model_generator.h"
#include "solver/sat_solver.h"

using namespace testing_ground;

namespace {

using MODEL = std::set<std::string>;
using MODELS = std::set<MODEL>;

const uint32_t MODES[] = {0, 1, 5, 9};

// The -OMm= mode and the -OPf setting that the checkers and model generators of these tests use.
uint32_t checkMode = 0;
bool partialChecks = true;

// Restores -OMm= and -OPf after a test that changes them.
struct OPTION_GUARD {
    uint32_t mode = checkMode;
    bool forward = partialChecks;
    ~OPTION_GUARD() {
        checkMode = mode;
        partialChecks = forward;
    }
};

// A candidate over the global ground program: the named atoms true (value 8), the named
// must-be-true atoms 2, every other atom false; `chosen` atoms flagged as chosen.
struct CANDIDATE {
    TRUTH_ASSIGNMENT a;
    std::vector<uint8_t> chosen;
    std::vector<uint8_t> witness;
    uint8_t witnessFound = 7;  // anything but 0 and 1: a check must reset it
    MODEL_CHECKER checker;

    CANDIDATE(const std::vector<std::string> &trueAtoms, const std::vector<std::string> &chosenAtoms,
              const std::vector<std::string> &mustBeTrue = {})
        : a(groundAtomCount, 0, TRUTH_FALSE), chosen(groundAtomCount, 0), witness(groundAtomCount, 9) {
        for (const std::string &t : trueAtoms) a.values[atomNumber(t)] = TRUTH_TRUE;
        for (const std::string &m : mustBeTrue) a.values[atomNumber(m)] = TRUTH_MUST_BE_TRUE;
        for (const std::string &c : chosenAtoms) chosen[atomNumber(c)] = 1;
    }
    int check(bool programHCF = false) {
        std::vector<GCONSTRAINT> none;
        GROUND_DEPGRAPH graph(groundRules, none, 0);
        checker.useMode(checkMode);
        return a.modelCheck(groundRules, programHCF, &graph, chosen.data(), witness.data(), &witnessFound, checker);
    }
    MODEL witnessAtoms() const {
        MODEL m;
        for (uint32_t i = 0; i < witness.size(); ++i)
            if (witness[i]) m.insert(predicateTable.name(groundAtomTable[GATOM_ID(i)].predicate));
        return m;
    }
};

TEST(ModelChecker, CandidatesInEveryMode) {
    OPTION_GUARD guard;
    struct {
        const char *name;
        const char *program;
        std::vector<std::string> trueAtoms, chosen;
        bool stable;
    } cases[] = {
        {"external support through facts and rules", "a | b.\nc :- a.\nd :- c, not b.", {"a", "c", "d"}, {"a"}, true},
        {"disjunctive fact with both atoms true", "a | b.", {"a", "b"}, {"a", "b"}, false},
        {"head cycle, both atoms needed", "a | b.\na :- b.\nb :- a.", {"a", "b"}, {"a"}, true},
        {"head cycle with a smaller model", "a | b.\na :- b.", {"a", "b"}, {"b"}, false},
        {"positive loop without exit", "a | b :- c.\nc :- a.\nc :- b.\na :- b.\nb :- a.", {"a", "b", "c"},
         {"a"}, false},
        {"no true atom", "a | b :- c.\nc :- a.", {}, {}, true},
        {"saturation holds", "p | q.\nw :- p.\nw :- q.\np :- w.\nq :- w.", {"p", "q", "w"}, {"p"}, true},
        {"saturation with an exit", "p | q.\nr.\nw :- p, r.\nw :- q.\np :- w.\nq :- w.", {"p", "q", "r", "w"},
         {"p"}, true},
    };
    for (auto &c : cases) {
        for (uint32_t mode : MODES) {
            SCOPED_TRACE(std::string(c.name) + ", mode " + std::to_string(mode));
            checkMode = mode;
            loadGroundProgram(c.program);
            CANDIDATE candidate(c.trueAtoms, c.chosen);
            EXPECT_EQ(candidate.check(), c.stable ? 1 : 0);
            EXPECT_LE(candidate.witnessFound, 1);
        }
    }
}

TEST(ModelChecker, ExternallySupportedCandidateNeedsNoInnerCheck) {
    OPTION_GUARD guard;
    // A head cycle exists (a | b with a :- b, b :- a), but the candidate's atoms are supported
    // from outside: a by the disjunction (b false), c by a, d by c.
    loadGroundProgram("a | b.\na :- b.\nb :- a.\nc :- a.\nd :- c, not b.");
    for (uint32_t mode : {0u, 1u, 5u}) {
        checkMode = mode;
        uint32_t before = maxInnerCheckAtoms;
        CANDIDATE supported({"a", "c", "d"}, {"a", "d"});
        EXPECT_EQ(supported.check(), 1) << mode;
        EXPECT_EQ(maxInnerCheckAtoms, before) << mode;
    }
}

TEST(ModelChecker, HeadCycleFreeProgramDecidesByShrinking) {
    OPTION_GUARD guard;
    checkMode = 0;
    loadGroundProgram("a :- b.\nb :- a.\nc | d.");
    CANDIDATE loop({"a", "b", "c"}, {"a"});
    EXPECT_EQ(loop.check(), 0);
    EXPECT_EQ(loop.witnessFound, 0);
    CANDIDATE flagged({"a", "b", "c"}, {"a"});
    EXPECT_EQ(flagged.check(true), 0);
    EXPECT_EQ(flagged.witnessFound, 0);
    CANDIDATE fine({"c"}, {"c"});
    EXPECT_EQ(fine.check(true), 1);
}

TEST(ModelChecker, WithoutShrinkingNoTrueAtomIsStable) {
    OPTION_GUARD guard;
    checkMode = 9;
    loadGroundProgram("a | b.\na :- b.\nb :- a.");
    CANDIDATE none({}, {});
    EXPECT_EQ(none.check(), 1);
    EXPECT_EQ(none.witnessFound, 0);
}

TEST(ModelChecker, WitnessIsTheUnfoundedSetFound) {
    OPTION_GUARD guard;
    // {a, b} is supported by the disjunctive fact only if one of them is false: with both true,
    // the loop a, b through c is unfounded, and so is the loop d, e; the set found must hold
    // the chosen atom d. The reduct mode finds the loop d, e by shrinking and keeps no witness.
    for (uint32_t mode : {0u, 1u, 9u}) {
        SCOPED_TRACE(mode);
        checkMode = mode;
        loadGroundProgram("x.\na | b :- x.\nc :- a.\nc :- b.\na :- c.\nb :- c.\nd | e :- a, b, c, d.\nd :- e.\ne :- d.");
        CANDIDATE candidate({"x", "a", "b", "c", "d", "e"}, {"d"});
        ASSERT_EQ(candidate.check(), 0);
        ASSERT_EQ(candidate.witnessFound, 1);
        EXPECT_EQ(candidate.witnessAtoms(), (MODEL{"d", "e"}));
    }
    checkMode = 5;
    CANDIDATE reduct({"x", "a", "b", "c", "d", "e"}, {"d"});
    EXPECT_EQ(reduct.check(), 0);
    EXPECT_EQ(reduct.witnessFound, 0);
}

TEST(ModelChecker, NoRelevantRuleLeavesTheLowestChosenAtom) {
    OPTION_GUARD guard;
    checkMode = 9;
    // Every rule with a true head has a false body atom: nothing is relevant, yet U keeps the
    // chosen and the must-be-true atoms; the witness is the lowest-numbered of them (b, not the
    // lower a, which is true but neither chosen nor must-be-true).
    loadGroundProgram("a | b :- z.\nc :- b, z.");
    CANDIDATE candidate({"c", "a"}, {"c"}, {"b"});
    ASSERT_EQ(candidate.check(), 0);
    EXPECT_EQ(candidate.witnessFound, 1);
    EXPECT_EQ(candidate.witnessAtoms(), (MODEL{"b"}));
}

TEST(ModelChecker, AggregateAtomsNeverEnterTheCandidateSet) {
    OPTION_GUARD guard;
    loadGroundProgram("a | b.\na :- b.\nb :- a.");
    GATOM_ID aggregate = groundAtomTable.add(ATOM("#agg_checker_test", static_cast<const TERMS *>(nullptr), PREDICATE_AGGREGATE));
    groundAtomCount = groundAtomTable.size();
    for (uint32_t mode : MODES) {
        SCOPED_TRACE(mode);
        checkMode = mode;
        CANDIDATE candidate({"a", "b"}, {"a"});
        candidate.a.values[aggregate] = TRUTH_TRUE;
        candidate.chosen[aggregate] = 1;
        EXPECT_EQ(candidate.check(), 1);
    }
}

TEST(ModelChecker, ComponentModeWithoutComponents) {
    OPTION_GUARD guard;
    checkMode = 1;
    loadGroundProgram("");
    CANDIDATE candidate({}, {});
    EXPECT_EQ(candidate.check(), 1);
}

TEST(ModelCheckerDeathTest, UnknownModeIsAnInternalError) {
    OPTION_GUARD guard;
    loadGroundProgram("a | b.");
    for (uint32_t mode : {2u, 3u, 4u, 6u, 10u}) {
        checkMode = mode;
        CANDIDATE candidate({"a"}, {"a"});
        EXPECT_EXIT(candidate.check(), testing::ExitedWithCode(99), "An internal error occurred \\(model check\\)\\.");
    }
}

// A program claimed head-cycle-free whose ground graph has a head cycle: the shrunk set cannot
// decide, and the check refuses rather than guess.
TEST(ModelCheckerDeathTest, ShrinkOnlyCheckOfAHeadCycleIsAnInternalError) {
    OPTION_GUARD guard;
    checkMode = 0;
    loadGroundProgram("a | b.\na :- b.\nb :- a.");
    CANDIDATE candidate({"a", "b"}, {"a"});
    EXPECT_EXIT(candidate.check(true), testing::ExitedWithCode(99), "An internal error occurred \\(model check\\)\\.");
    // Nothing left after shrinking decides without the inner check.
    CANDIDATE empty({}, {});
    EXPECT_EQ(empty.check(true), 1);
}

TEST(ModelChecker, WitnessTestsRecordTheBlockedRules) {
    loadGroundProgram("a | b.\nc :- a.\na :- c.\nb :- d.\nd :- not e.");
    std::vector<uint8_t> w(groundAtomCount, 0);
    w[atomNumber("a")] = 1;
    w[atomNumber("c")] = 1;
    // a | b is blocked by b true outside the set; c :- a and a :- c by a body atom in the set;
    // b :- d does not touch the set.
    CANDIDATE candidate({"a", "b", "c", "d"}, {"a"});
    std::vector<GRULE *> recorded;
    EXPECT_EQ(checkWitnessUnfounded(w.data(), candidate.a, groundRules, &recorded), 1);
    EXPECT_EQ(recorded, (std::vector<GRULE *>{&groundRules[0], &groundRules[1], &groundRules[2]}));
    EXPECT_EQ(recheckWitnessUnfounded(w.data(), candidate.a, recorded), 1);
    // With b false the disjunctive fact supports a: the set is no longer unfounded.
    candidate.a.values[atomNumber("b")] = TRUTH_FALSE;
    EXPECT_EQ(recheckWitnessUnfounded(w.data(), candidate.a, recorded), 0);
    EXPECT_EQ(checkWitnessUnfounded(w.data(), candidate.a, groundRules, nullptr), 0);
    // A must-be-true atom outside the set blocks as a true one does.
    candidate.a.values[atomNumber("b")] = TRUTH_MUST_BE_TRUE;
    EXPECT_EQ(checkWitnessUnfounded(w.data(), candidate.a, groundRules, nullptr), 1);
}

TEST(ModelChecker, StatisticsLines) {
    char buffer[512] = {0};
    FILE *out = fmemopen(buffer, sizeof buffer, "w");
    double mc = worstModelCheckTime, inner = worstInnerCheckTime;
    uint32_t atoms = maxInnerCheckAtoms;
    worstModelCheckTime = 0.25;
    worstInnerCheckTime = 0;
    maxInnerCheckAtoms = 12;
    printModelCheckStatistics(out);
    fclose(out);
    worstModelCheckTime = mc;
    worstInnerCheckTime = inner;
    maxInnerCheckAtoms = atoms;
    EXPECT_STREQ(buffer,
                 "Worst single MC time      : 0.25s\n"
                 "Worst single inner MC time: 0s\n"
                 "Max. atoms for inner MC   : 12\n");
}

// The check program written out: "h1 | h2 :- b1, b2." per rule record, ":- b1." per constraint.
std::string showCheckProgram(const std::vector<GRULE> &rules, const std::vector<GCONSTRAINT> &constraints) {
    auto name = [](GATOM_ID atom) { return std::string(predicateTable.name(groundAtomTable[atom].predicate)); };
    std::string text;
    for (const GRULE &r : rules) {
        std::string head, body;
        for (GATOM_ID h : r.head) head += (head.empty() ? "" : " | ") + name(h);
        for (const GLITERAL &l : r.body.literals) body += (body.empty() ? "" : ", ") + name(l.atom);
        text += body.empty() ? head + ".\n" : head + " :- " + body + ".\n";
    }
    for (const GCONSTRAINT &c : constraints) {
        std::string body;
        for (const GLITERAL &l : c.body.literals) body += (body.empty() ? "" : ", ") + name(l.atom);
        text += ":- " + body + ".\n";
    }
    return text;
}

TEST(ModelChecker, CheckProgramEncodings) {
    // Candidate: a, b, c, d true, e false, f undefined; chosen b and d.
    loadGroundProgram("a | b :- c, f.\nc :- a.\nc :- b, not e.\nd :- d, c.\nb :- e.\nd | a :- not f.\na :- b, not d.");
    TRUTH_ASSIGNMENT a(groundAtomCount, 0, TRUTH_FALSE);
    for (const char *t : {"a", "b", "c", "d"}) a.values[atomNumber(t)] = TRUTH_TRUE;
    a.values[atomNumber("f")] = TRUTH_UNDEFINED;
    std::vector<uint8_t> chosen(groundAtomCount, 0);
    chosen[atomNumber("b")] = chosen[atomNumber("d")] = 1;
    CANDIDATE_SET u(groundAtomCount);
    for (const char *t : {"a", "b", "c", "d"}) u.insert(atomNumber(t));

    // Relevant: a | b :- c, f (f undefined is not false); c :- a; c :- b, not e; d | a :- not f
    // (f undefined does not count as true). Not relevant: d :- d, c (its head is in its body),
    // b :- e (e false), a :- b, not d (d true).
    std::vector<GRULE> rules;
    std::vector<GCONSTRAINT> constraints;
    std::vector<const GRULE *> all;
    for (const GRULE &r : groundRules) all.push_back(&r);
    std::vector<uint32_t> atoms;
    for (uint32_t i = 0; i < groundAtomCount; ++i) atoms.push_back(i);
    EXPECT_EQ(buildComponentCheckProgram(all, atoms, a, chosen.data(), u, rules, constraints), 4u);
    EXPECT_EQ(showCheckProgram(rules, constraints),
              "b | d.\n"           // the chosen atoms of U, ascending
              "c :- a, b.\n"       // a | b :- c, f: body atoms in U, true heads as body
              "a :- c.\n"          // c :- a
              "b :- c.\n"          // c :- b, not e
              ":- d, a.\n");       // d | a :- not f: no positive body atom in U
    rules.clear();
    constraints.clear();
    for (const GRULE &r : groundRules)
        if (isRelevantForCheck(r, a, u.members)) buildCheckRule(r, a, u.members, rules, constraints, true);
    EXPECT_EQ(showCheckProgram(rules, constraints), "a | b :- c.\nc :- a.\nc :- b.\nd | a.\n");
}

TEST(ModelChecker, SatSolveOverCheckRecords) {
    loadGroundProgram("a | b :- c.\n:- a, b.\nc.");
    std::vector<uint8_t> selection(groundAtomCount, 0);
    for (const char *name : {"a", "b", "c"}) selection[atomNumber(name)] = 1;
    std::vector<GRULE> rules;
    std::vector<GCONSTRAINT> constraints;
    for (GRULE &r : groundRules) rules.push_back(r);
    for (GCONSTRAINT &c : groundConstraints) constraints.push_back(c);
    std::vector<uint8_t> model(groundAtomCount, 5);
    SAT_SOLVER solver;
    ASSERT_TRUE(solver.satSolve(rules, constraints, selection, model.data()));
    EXPECT_EQ(model[atomNumber("c")], 1);
    EXPECT_EQ(model[atomNumber("a")] + model[atomNumber("b")], 1);
    for (uint32_t i = 0; i < groundAtomCount; ++i) {
        if (!selection[i]) {
            EXPECT_EQ(model[i], 0);
        }
    }

    // No records: satisfiable, one byte of 0 or 1 per selected atom. A rule without head and
    // body: unsatisfiable, and the model output is left alone.
    std::vector<GRULE> noRules;
    std::vector<GCONSTRAINT> noConstraints;
    std::fill(model.begin(), model.end(), 5);
    ASSERT_TRUE(solver.satSolve(noRules, noConstraints, selection, model.data()));
    for (uint8_t byte : model) EXPECT_LE(byte, 1);
    std::vector<uint8_t> nothing(groundAtomCount, 0);
    noRules.emplace_back(std::vector<GATOM_ID>(), GBODY(), false);
    std::vector<uint8_t> untouched(groundAtomCount, 5);
    EXPECT_FALSE(solver.satSolve(noRules, noConstraints, nothing, untouched.data()));
    EXPECT_EQ(untouched, std::vector<uint8_t>(groundAtomCount, 5));
}

// A head cycle through a million atoms: x0 | x1, and x(i+1) :- x(i) around the ring. All true is
// the answer set; nothing shrinks, so the whole ring goes to the satisfiability check. Returns 0
// when both verdicts are right.
int checkMillionAtomRing() {
    checkMode = 0;
    loadGroundProgram("");
    const uint32_t n = 1000000;
    std::vector<GATOM_ID> x(n);
    char name[32];
    for (uint32_t i = 0; i < n; ++i) {
        snprintf(name, sizeof name, "ring_%u", i);
        x[i] = atomNumber(name);
    }
    groundRules.emplace_back(std::vector<GATOM_ID>{x[0], x[1]}, GBODY(), false);
    for (uint32_t i = 0; i < n; ++i) {
        GBODY body;
        body.add(GLITERAL(x[i], false));
        groundRules.emplace_back(std::vector<GATOM_ID>{x[(i + 1) % n]}, std::move(body), true);
    }
    groundAtomCount = groundAtomTable.size();
    TRUTH_ASSIGNMENT a(groundAtomCount, 0, TRUTH_FALSE);
    for (GATOM_ID atom : x) a.values[atom] = TRUTH_TRUE;
    std::vector<uint8_t> chosen(groundAtomCount, 0), witness(groundAtomCount, 0);
    chosen[x[0]] = 1;
    uint8_t found = 0;
    std::vector<GCONSTRAINT> none;
    GROUND_DEPGRAPH graph(groundRules, none, 0);
    MODEL_CHECKER checker;
    if (a.modelCheck(groundRules, false, &graph, chosen.data(), witness.data(), &found, checker) != 1) return 1;
    if (maxInnerCheckAtoms < n) return 2;
    // Give the disjunction the body x(n/2): the ring has no exit and is unfounded as a whole.
    groundRules[0].hasBody = true;
    groundRules[0].body.add(GLITERAL(x[n / 2], false));
    GROUND_DEPGRAPH ring(groundRules, none, 0);
    checker.reset();  // the rules changed in place
    if (a.modelCheck(groundRules, false, &ring, chosen.data(), witness.data(), &found, checker) != 0) return 3;
    if (found != 1 || !witness[size_t(x[0])] || !witness[size_t(x[n - 1])]) return 4;
    return 0;
}

// Runs in a child process, so that the million atoms stay out of the other tests' atom table.
TEST(ModelCheckerDeathTest, MillionAtomCandidateIsChecked) {
    EXPECT_EXIT(exit(checkMillionAtomRing()), testing::ExitedWithCode(0), "");
}

// A support chain written backwards: x(i+1) :- x(i) in descending order and the fact x0. Every
// pass of the shrinking step frees one more atom, so the fixpoint must not be reached by passes
// alone. Returns 0 when the candidate (all true) is stable in modes 0, 1 and 5.
int checkBackwardChain() {
    loadGroundProgram("");
    const uint32_t n = 200000;
    std::vector<GATOM_ID> x(n);
    char name[32];
    for (uint32_t i = 0; i < n; ++i) {
        snprintf(name, sizeof name, "chain_%u", i);
        x[i] = atomNumber(name);
    }
    for (uint32_t i = n - 1; i > 0; --i) {
        GBODY body;
        body.add(GLITERAL(x[i - 1], false));
        groundRules.emplace_back(std::vector<GATOM_ID>{x[i]}, std::move(body), true);
    }
    groundRules.emplace_back(std::vector<GATOM_ID>{x[0]}, GBODY(), false);
    groundAtomCount = groundAtomTable.size();
    TRUTH_ASSIGNMENT a(groundAtomCount, 0, TRUTH_FALSE);
    for (GATOM_ID atom : x) a.values[atom] = TRUTH_TRUE;
    std::vector<uint8_t> chosen(groundAtomCount, 1);
    std::vector<GCONSTRAINT> none;
    GROUND_DEPGRAPH graph(groundRules, none, 0);
    MODEL_CHECKER checker;
    for (uint32_t mode : {0u, 1u, 5u}) {
        checker.useMode(mode);
        if (a.modelCheck(groundRules, false, &graph, chosen.data(), nullptr, nullptr, checker) != 1)
            return int(mode) + 1;
    }
    return 0;
}

TEST(ModelCheckerDeathTest, BackwardSupportChainShrinksInLinearTime) {
    EXPECT_EXIT(exit(checkBackwardChain()), testing::ExitedWithCode(0), "");
}

// The linear sweep and repeated passes reach the same set, on random rules and assignments with
// true, must-be-true, false and undefined atoms.
TEST(ModelChecker, ShrinkingSweepAgreesWithPasses) {
    std::mt19937 rng(5);
    const char *names[] = {"s0", "s1", "s2", "s3", "s4", "s5"};
    const TRUTH_VALUE values[] = {TRUTH_TRUE, TRUTH_TRUE, TRUTH_TRUE_FROM_MUST_BE_TRUE, TRUTH_MUST_BE_TRUE,
                                  TRUTH_FALSE, TRUTH_UNDEFINED};
    for (const char *name : names) atomNumber(name);  // numbered before the count is taken
    int shrunk = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        for (int r = 0, rules = 1 + int(rng() % 8); r < rules; ++r) {
            std::string head, body;
            for (int k = 0, h = 1 + int(rng() % 2); k < h; ++k)
                head += (head.empty() ? "" : " | ") + std::string(names[rng() % 6]);
            for (int k = 0, b = int(rng() % 3); k < b; ++k)
                body += (body.empty() ? "" : ", ") + std::string(rng() % 4 == 0 ? "not " : "") + names[rng() % 6];
            text += body.empty() ? head + ".\n" : head + " :- " + body + ".\n";
        }
        loadGroundProgram(text);
        TRUTH_ASSIGNMENT a(groundAtomCount, 0, TRUTH_FALSE);
        for (const char *name : names) a.values[atomNumber(name)] = values[rng() % 6];
        CANDIDATE_SET byPasses(groundAtomCount), bySweep(groundAtomCount);
        for (uint32_t i = 0; i < groundAtomCount; ++i)
            if (countsAsTrue(a.values[i])) {
                byPasses.insert(GATOM_ID(i));
                bySweep.insert(GATOM_ID(i));
            }
        while (shrinkUnfounded(groundRules, a, byPasses)) {
        }
        shrinkToFixpoint(groundRules, a, bySweep, 0);
        ASSERT_EQ(bySweep.members, byPasses.members) << text;
        ASSERT_EQ(bySweep.count, byPasses.count) << text;
        shrunk += byPasses.count < uint32_t(std::count_if(a.values.begin(), a.values.end(), countsAsTrue));
    }
    EXPECT_GT(shrunk, 500);
}

// ---- Answer sets of random programs with head cycles, against brute force ----

struct GEN_RULE {
    std::vector<int> head, positive, negative;
};

// Every answer set by definition: M is a model of the program and no proper subset of M is a
// model of the reduct by M.
MODELS bruteForceAnswerSets(int atoms, const std::vector<GEN_RULE> &rules, const std::vector<std::string> &names) {
    auto satisfies = [&](uint32_t m, uint32_t reductBy, bool reduct) {
        for (const GEN_RULE &r : rules) {
            bool body = true;
            for (int p : r.positive) body = body && ((m >> p) & 1);
            for (int q : r.negative) body = body && !(((reduct ? reductBy : m) >> q) & 1);
            if (!body) continue;
            bool head = false;
            for (int h : r.head) head = head || ((m >> h) & 1);
            if (!head) return false;
        }
        return true;
    };
    MODELS result;
    for (uint32_t m = 0; m < (1u << atoms); ++m) {
        if (!satisfies(m, m, false)) continue;
        bool minimal = true;
        for (uint32_t s = (m - 1) & m; minimal && s != m; s = (s - 1) & m) {
            if (satisfies(s, m, true)) minimal = false;
            if (s == 0) break;
        }
        if (!minimal) continue;
        MODEL model;
        for (int i = 0; i < atoms; ++i)
            if ((m >> i) & 1) model.insert(names[size_t(i)]);
        result.insert(model);
    }
    return result;
}

MODELS collected;

int collect(MODEL_GENERATOR *, INTERPRETATION *, TRUTH_ASSIGNMENT *model) {
    collected.insert(trueNames(*model));
    return 1;
}

MODELS solveWith(MG_FLAGS flags) {
    collected.clear();
    MODEL_GENERATOR mg(groundRules, groundConstraints, groundWeakConstraints,
                       {.flags = flags, .modelCallback = collect, .search = {.optOPf = partialChecks, .optOMm = checkMode}});
    mg.computeModels();
    return collected;
}

std::string show(const MODELS &models) {
    std::string s;
    for (const MODEL &m : models) {
        s += "{";
        for (const std::string &a : m) s += a + " ";
        s += "} ";
    }
    return s;
}

// Random disjunctive programs in which positive recursion runs through disjunctive heads, with
// and without the model generator's own unfounded-set checks, every check mode, forward partial
// checks on and off: the answer sets must be exactly those of the definition.
TEST(ModelChecker, RandomHeadCycleProgramsAgreeWithBruteForce) {
    OPTION_GUARD guard;
    std::mt19937 rng(12);
    std::vector<std::string> names;
    for (int i = 0; i < 8; ++i) names.push_back("hc" + std::to_string(i));
    int withCycles = 0, nonEmpty = 0;
    for (int round = 0; round < 700; ++round) {
        int atoms = 3 + int(rng() % 5);
        std::vector<GEN_RULE> rules;
        int ruleCount = 2 + int(rng() % 7);
        for (int i = 0; i < ruleCount; ++i) {
            GEN_RULE r;
            int headSize = rng() % 3 == 0 ? 0 : 1 + int(rng() % 3);
            for (int k = 0; k < headSize; ++k) {
                int h = int(rng() % atoms);
                if (std::find(r.head.begin(), r.head.end(), h) == r.head.end()) r.head.push_back(h);
            }
            int positives = int(rng() % 3), negatives = rng() % 3 == 0 ? 1 : 0;
            for (int k = 0; k < positives; ++k) {
                int p = int(rng() % atoms);
                if (std::find(r.positive.begin(), r.positive.end(), p) == r.positive.end()) r.positive.push_back(p);
            }
            for (int k = 0; k < negatives; ++k) r.negative.push_back(int(rng() % atoms));
            if (r.head.empty() && r.positive.empty() && r.negative.empty()) continue;
            rules.push_back(r);
        }
        // A guaranteed head cycle: a disjunction over two atoms that support each other.
        int a = int(rng() % atoms), b = (a + 1 + int(rng() % (atoms - 1))) % atoms;
        rules.push_back({{a, b}, {}, {}});
        rules.push_back({{a}, {b}, {}});
        rules.push_back({{b}, {a}, {}});
        std::string text;
        for (const GEN_RULE &r : rules) {
            std::string head, body;
            for (int h : r.head) head += (head.empty() ? "" : " | ") + names[size_t(h)];
            for (int p : r.positive) body += (body.empty() ? "" : ", ") + names[size_t(p)];
            for (int q : r.negative) body += (body.empty() ? "not " : ", not ") + names[size_t(q)];
            text += head.empty() ? ":- " + body + ".\n" : body.empty() ? head + ".\n" : head + " :- " + body + ".\n";
        }
        MODELS expected = bruteForceAnswerSets(atoms, rules, names);
        loadGroundProgram(text);
        std::vector<GCONSTRAINT> none;
        GROUND_DEPGRAPH graph(groundRules, none, 0);
        withCycles += !graph.isHCF();
        nonEmpty += !expected.empty();
        for (uint32_t mode : MODES)
            for (MG_FLAGS flags : {MG_MODEL_CHECK | MG_UNFOUNDED_CHECKS, MG_FLAGS(MG_MODEL_CHECK)})
                for (bool forward : {true, false}) {
                    checkMode = mode;
                    partialChecks = forward;
                    MODELS got = solveWith(flags);
                    ASSERT_EQ(got, expected) << text << "mode " << mode << ", flags " << flags << ", forward "
                                             << forward << "\ngot " << show(got) << "\nexpected " << show(expected);
                }
    }
    EXPECT_GT(withCycles, 300);
    EXPECT_GT(nonEmpty, 300);
}

}  // namespace

// ---- One checker over many candidates, against enumeration of unfounded sets ----

namespace many_candidates {

// Whether X (a bit set over `atoms`) is a set the check looks for: it lies in U, holds a chosen or
// must-be-true atom, and every rule with a head atom in X is blocked for it (a positive body atom
// in X or false, a negative body atom true, or another head atom true outside X). Rules whose
// positive body holds one of their head atoms are left out, as the check leaves them out.
bool isUnfoundedSet(uint32_t x, const std::vector<GATOM_ID> &atoms, const std::vector<const GRULE *> &rules,
                    const TRUTH_ASSIGNMENT &a, const std::vector<uint8_t> &chosen, const CANDIDATE_SET &u) {
    std::vector<uint8_t> in(a.values.size(), 0);
    bool picked = false;
    for (size_t i = 0; i < atoms.size(); ++i)
        if ((x >> i) & 1) {
            if (!u.contains(atoms[i])) return false;
            in[size_t(atoms[i])] = 1;
            picked = picked || chosen[size_t(atoms[i])] || a[atoms[i]] == TRUTH_MUST_BE_TRUE;
        }
    if (!picked) return false;
    for (const GRULE *r : rules) {
        std::span<const GLITERAL> positive = r->hasBody ? r->body.positive() : std::span<const GLITERAL>();
        std::span<const GLITERAL> negative = r->hasBody ? r->body.negative() : std::span<const GLITERAL>();
        bool selfSupporting = false, bodyBlocks = false;
        for (const GLITERAL &l : positive) {
            selfSupporting = selfSupporting || std::find(r->head.begin(), r->head.end(), l.atom) != r->head.end();
            bodyBlocks = bodyBlocks || in[size_t(l.atom)] || a[l.atom] == TRUTH_FALSE;
        }
        for (const GLITERAL &l : negative) bodyBlocks = bodyBlocks || countsAsTrue(a[l.atom]);
        if (selfSupporting || bodyBlocks) continue;
        for (GATOM_ID h : r->head) {
            if (!in[size_t(h)]) continue;
            bool otherTrueOutside = false;
            for (GATOM_ID o : r->head) otherTrueOutside = otherTrueOutside || (!in[size_t(o)] && countsAsTrue(a[o]));
            if (!otherTrueOutside) return false;
        }
    }
    return true;
}

bool someUnfoundedSet(const std::vector<GATOM_ID> &atoms, const std::vector<const GRULE *> &rules,
                      const TRUTH_ASSIGNMENT &a, const std::vector<uint8_t> &chosen, const CANDIDATE_SET &u) {
    for (uint32_t x = 1; x < (1u << atoms.size()); ++x)
        if (isUnfoundedSet(x, atoms, rules, a, chosen, u)) return true;
    return false;
}

// The verdict of each check mode, with the unfounded sets found by enumeration.
int expectedVerdict(uint32_t mode, GROUND_DEPGRAPH &graph, const std::vector<GATOM_ID> &atoms,
                    const TRUTH_ASSIGNMENT &a, const std::vector<uint8_t> &chosen) {
    std::vector<const GRULE *> all;
    for (const GRULE &r : groundRules) all.push_back(&r);
    CANDIDATE_SET u(a.values.size());
    if (mode == 1) {
        for (uint32_t c = 0; c < graph.componentCount(); ++c) {
            CANDIDATE_SET inside(a.values.size());
            for (uint32_t atom : graph.componentNodes(c))
                if (countsAsTrue(a[GATOM_ID(atom)])) inside.insert(GATOM_ID(atom));
            std::span<const GRULE *const> rules(graph.componentRules[c].rules);
            shrinkComponentToFixpoint(rules, a, inside);
            if (inside.count == 0) continue;
            if (!graph.cyclic(c) || !graph.isDisjunctive(c)) return 0;
            std::vector<const GRULE *> componentRules(rules.begin(), rules.end());
            if (someUnfoundedSet(atoms, componentRules, a, chosen, inside)) return 0;
        }
        return 1;
    }
    for (GATOM_ID x : atoms)
        if (countsAsTrue(a[x])) u.insert(x);
    if (mode == 0) {
        shrinkToFixpoint(groundRules, a, u);
        if (u.count == 0) return 1;
        if (graph.isHCF()) return 0;
    }
    return u.count != 0 && someUnfoundedSet(atoms, all, a, chosen, u) ? 0 : 1;
}

}  // namespace many_candidates

// The checker keeps its clause sets and what it learned from one candidate to the next: over
// random programs with head cycles, one checker per mode sees a long run of total and partial
// candidates, and every verdict must be the one that enumerating the unfounded sets gives. A
// failed check's set must itself be one of those sets.
TEST(ModelChecker, OneCheckerOverManyCandidatesAgreesWithEnumeration) {
    using namespace many_candidates;
    OPTION_GUARD guard;
    std::mt19937 rng(2026);
    const int ATOMS = 7;
    std::vector<std::string> names;
    for (int i = 0; i < ATOMS; ++i) names.push_back("mc" + std::to_string(i));
    std::vector<GATOM_ID> atoms;
    for (const std::string &name : names) atoms.push_back(atomNumber(name));  // before the count is taken
    const TRUTH_VALUE values[] = {TRUTH_TRUE, TRUTH_TRUE, TRUTH_TRUE_FROM_MUST_BE_TRUE, TRUTH_MUST_BE_TRUE,
                                  TRUTH_FALSE, TRUTH_FALSE, TRUTH_UNDEFINED};
    int stable = 0, unstable = 0;
    for (int round = 0; round < 150; ++round) {
        std::string text;
        for (int r = 0, rules = 3 + int(rng() % 8); r < rules; ++r) {
            std::string head, body;
            for (int k = 0, h = 1 + int(rng() % 3); k < h; ++k)
                head += (head.empty() ? "" : " | ") + names[rng() % ATOMS];
            for (int k = 0, b = int(rng() % 3); k < b; ++k)
                body += (body.empty() ? "" : ", ") + std::string(rng() % 4 == 0 ? "not " : "") + names[rng() % ATOMS];
            text += body.empty() ? head + ".\n" : head + " :- " + body + ".\n";
        }
        // A head cycle, so that the checks reach the satisfiability solver.
        std::string p = names[rng() % ATOMS], q = names[rng() % ATOMS];
        if (p != q) text += p + " | " + q + ".\n" + p + " :- " + q + ".\n" + q + " :- " + p + ".\n";
        loadGroundProgram(text);
        std::vector<GCONSTRAINT> none;
        GROUND_DEPGRAPH graph(groundRules, none, 0);
        for (uint32_t mode : {0u, 1u, 9u}) {
            MODEL_CHECKER checker;
            checker.useMode(mode);
            for (int candidate = 0; candidate < 60; ++candidate) {
                TRUTH_ASSIGNMENT a(groundAtomCount, 0, TRUTH_FALSE);
                std::vector<uint8_t> chosen(groundAtomCount, 0), witness(groundAtomCount, 0);
                for (GATOM_ID x : atoms) {
                    a.values[size_t(x)] = values[rng() % 7];
                    chosen[size_t(x)] = rng() % 3 == 0;
                }
                uint8_t found = 0;
                int got = a.modelCheck(groundRules, false, &graph, chosen.data(), witness.data(), &found, checker);
                // The candidate as its values, "c" after a chosen atom.
                std::string shown;
                for (GATOM_ID x : atoms) shown += std::to_string(int(a[x])) + (chosen[size_t(x)] ? "c " : " ");
                ASSERT_EQ(got, expectedVerdict(mode, graph, atoms, a, chosen))
                    << text << "mode " << mode << ", candidate " << candidate << ": " << shown;
                (got ? stable : unstable)++;
                if (!found) continue;
                // The set found, checked against the rules and the candidate set of the whole program.
                uint32_t x = 0;
                for (size_t i = 0; i < atoms.size(); ++i) x |= uint32_t(witness[size_t(atoms[i])] != 0) << i;
                CANDIDATE_SET trueAtoms(groundAtomCount);
                for (GATOM_ID t : atoms)
                    if (countsAsTrue(a[t])) trueAtoms.insert(t);
                std::vector<const GRULE *> all;
                for (const GRULE &r : groundRules) all.push_back(&r);
                EXPECT_TRUE(isUnfoundedSet(x, atoms, all, a, chosen, trueAtoms)) << text << "mode " << mode << ": " << shown;
                // The same set as the checker lists it for a nogood, ascending.
                std::vector<GATOM_ID> listed;
                for (GATOM_ID t : atoms)
                    if (witness[size_t(t)]) listed.push_back(t);
                std::sort(listed.begin(), listed.end());
                EXPECT_EQ(checker.unfoundedSet(), listed);
            }
        }
    }
    EXPECT_GT(stable, 3000);
    EXPECT_GT(unstable, 3000);
}
