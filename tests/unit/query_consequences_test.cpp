// Brave and cautious answers of non-ground queries, through the whole run from the program text
// to the model generator: the answers, and how many answer sets the search computed to find
// them. Each answer set found must add an answer (brave) or take one away (cautious), so that
// programs with thousands of answer sets are settled by at most one answer set per query
// instance, plus the last.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "driver/model_output.h"
#include "driver/options.h"
#include "driver/run.h"
#include "driver/run_grounding.h"
#include "driver/run_model_generation.h"
#include "input/parser.h"
#include "support/option_values.h"
#include "test_support.h"

namespace {

struct CONSEQUENCES {
    std::set<std::string> answers;  // one line of printQueryAnswers each
    uint32_t computed = 0;          // the answer sets the search computed
    uint32_t instances = 0;         // the ground query atoms the search could make true
};

// Runs the program under the options (a mode among them) as the run sequence does.
CONSEQUENCES consequencesOf(const std::string &program, const std::vector<std::string> &options) {
    std::vector<std::string> args = {"quarn", "-silent"};
    args.insert(args.end(), options.begin(), options.end());
    std::vector<char *> argv;
    for (std::string &a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    RUN run;
    parseOptions(static_cast<int>(args.size()), argv.data(), run.options);
    appendDefaultObject();
    std::string text = program;
    EXPECT_TRUE(parseString(text)) << program;
    checkObjects();
    clearProgramShapeFlags();
    setUpFrontEnd(run);
    addStrongNegationConstraints();
    setUpQuery();
    rewriteBasic(run);
    rewriteProjection(run);
    removeSubsumed(run);
    rewriteMagicSets(run);
    groundProgram(run);
    computeBaseCost(run);
    freezeGroundAtoms();
    EXPECT_FALSE(run.groundingFailed) << program;
    EXPECT_FALSE(groundRules.empty()) << "a program that grounding decides needs no search";
    CONSEQUENCES c;
    auto [queryPredicate, exists] = predicateTable.find("#query");
    if (exists)
        for (uint32_t i = 0; i < groundAtomCount; ++i)
            if (groundAtomTable[static_cast<GATOM_ID>(i)].predicate == queryPredicate) ++c.instances;
    bool headCycleFree = testHeadCycleFree();
    runModelGenerator(run, headCycleFree, run.costBound, run.baseCost,
                      [&](MODEL_GENERATOR &mg) { c.computed = mg.computedAnswerSets(); });
    std::istringstream lines(capture([&run](FILE *f) { printQueryAnswers(f, run.output.queryConsequences.get()); }));
    for (std::string line; std::getline(lines, line);) c.answers.insert(line);
    return c;
}

// `d(0..n-1)` as facts.
std::string domain(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += "d(" + std::to_string(i) + "). ";
    return s + "\n";
}

std::set<std::string> numbers(std::initializer_list<int> values) {
    std::set<std::string> s;
    for (int v : values) s.insert(std::to_string(v));
    return s;
}

std::set<std::string> upTo(int n) {
    std::set<std::string> s;
    for (int i = 0; i < n; ++i) s.insert(std::to_string(i));
    return s;
}

}  // namespace

TEST(QueryConsequences, AnswerSetsComputedStayWithinTheQueryInstances) {
    const std::string guess = domain(14) + "a(X) v b(X) :- d(X).\n";  // 16384 answer sets
    // Answer sets of the same cost: the cheapest leave every a(X) of a "big" X false.
    const std::string weighed = guess + "big(0). big(1). big(2). big(3).\n:~ a(X), big(X). [2:1]\n:~ b(4). [1:2]\n";
    // Each X with e(X) closes a head cycle: a(X) and b(X) both hold, checked for minimality.
    const std::string cycles = guess + "e(1). e(2).\na(X) :- b(X), e(X).\nb(X) :- a(X), e(X).\n";
    // 66 answer sets of optimal cost, none with an answer: every one found violates the nogood
    // that the first one left (which was once watched by its oldest literals, so that the
    // search went on through 45 of them).
    const std::string bounded = domain(12) + "a(X) v b(X) :- d(X).\n:- #count{X : a(X)} > 10.\n"
                                             "p(X) :- a(X), not c(X).\n:~ b(X). [1:1]\n";
    // A reachability query that magic sets rewrite, over a guessed graph.
    const std::string reach = domain(9) + "arc(X,Y) v cut(X,Y) :- d(X), d(Y), Y = X + 1.\n"
                                          "r(X,Y) :- arc(X,Y).\nr(X,Z) :- r(X,Y), arc(Y,Z).\n:- cut(0,1).\n";
    struct {
        const char *name;
        std::string program;
        std::vector<std::string> options;
        std::set<std::string> answers;
    } cases[] = {
        {"brave guess", guess + "a(X)?", {"-brave"}, upTo(14)},
        {"cautious guess", guess + "a(X)?", {"-cautious"}, {}},
        {"brave under constraints", guess + ":- a(3).\n:- not a(5).\na(X)?", {"-brave"},
         numbers({0, 1, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13})},
        {"cautious under constraints", guess + ":- a(3).\n:- not a(5).\n:- b(7).\na(X)?", {"-cautious"},
         numbers({5, 7})},
        {"cautious over two variables", guess + "p(X,Y) :- a(X), b(Y), X < Y, Y < 4.\n:- b(0).\np(X,Y)?",
         {"-cautious"}, {}},
        {"brave over two variables", guess + "p(X,Y) :- a(X), b(Y), X < Y, Y < 4.\n:- b(0).\np(X,Y)?",
         {"-brave"}, {"0, 1", "0, 2", "0, 3", "1, 2", "1, 3", "2, 3"}},
        {"brave over optimal models", weighed + "a(X)?", {"-brave"}, numbers({4, 5, 6, 7, 8, 9, 10, 11, 12, 13})},
        {"cautious over optimal models", weighed + "a(X)?", {"-cautious"}, numbers({4})},
        {"cautious over optimal models under -n=1", weighed + "b(X)?", {"-cautious", "-n=1"}, numbers({0, 1, 2, 3})},
        {"brave with head cycles", cycles + "b(X)?", {"-brave"}, upTo(14)},
        {"cautious with head cycles", cycles + "b(X)?", {"-cautious"}, numbers({1, 2})},
        {"brave through magic sets", reach + "r(0,Y)?", {"-brave"}, numbers({1, 2, 3, 4, 5, 6, 7, 8})},
        {"cautious through magic sets", reach + "r(0,Y)?", {"-cautious"}, numbers({1})},
        {"cautious without magic sets", reach + "r(0,Y)?", {"-cautious", "-ODMS-"}, numbers({1})},
        {"brave with forward partial checks off", cycles + "a(X)?", {"-brave", "-OPf-"}, upTo(14)},
        {"cautious by rule order", guess + ":- b(7).\na(X)?", {"-cautious", "-OH-"}, numbers({7})},
        {"brave without answers", bounded + "a(X), not p(X)?", {"-brave"}, {}},
        {"brave without answers, no candidate list", bounded + "a(X), not p(X)?", {"-brave", "--ptcache=0"}, {}},
        {"brave without answers by rule order", bounded + "a(X), not p(X)?", {"-brave", "-OH-"}, {}},
    };
    for (const auto &k : cases) {
        SCOPED_TRACE(k.name);
        resetGlobalState();
        CONSEQUENCES c = consequencesOf(k.program, k.options);
        EXPECT_EQ(k.answers, c.answers);
        EXPECT_GE(c.computed, 1u);
        EXPECT_LE(c.computed, c.instances + 1);
    }
}
