// The reset of the global state: a second input in the same process is read, ground and printed
// as if it were the first, whatever the first one registered, interned, ground or set.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/printer.h"
#include "core/program.h"
#include "driver/options.h"
#include "driver/run.h"
#include "grounding/ground_depgraph.h"
#include "grounding/ground_printer.h"
#include "grounding/ground_program.h"
#include "grounding/instantiator.h"
#include "input/parser.h"
#include "support/diagnostics.h"
#include "support/option_values.h"
#include "support/timer.h"
#include "test_support.h"

namespace {

struct INPUT_RESULT {
    std::string derived;  // the atoms grounding derived, one per line
    std::string rules;    // the ground rules, one per line
    uint32_t predicates = 0;
    uint32_t constants = 0;
    uint32_t groundAtoms = 0;

    bool operator==(const INPUT_RESULT &) const = default;
};

// Reads and grounds one input the way the run sequence does, from the default object on.
INPUT_RESULT groundInput(const std::string &program) {
    appendDefaultObject();
    std::string text = program;
    EXPECT_TRUE(parseString(text)) << program;
    {
        const std::vector<CONSTRAINT> none;
        PREDICATE_DEPGRAPH graph(IDB, none, DEPGRAPH_PREDICATE_VIEW | DEPGRAPH_NEGATIVE_ORDER);
        INSTANTIATOR grounder(&graph, false, countVariables(), GROUNDING_CONFIG{});
        uint8_t errorFlag = 0;
        EXPECT_TRUE(grounder.run(errorFlag)) << program;
    }
    INPUT_RESULT r;
    r.derived = capture([](FILE *f) { printFacts(f, I.positive); });
    r.rules = capture([](FILE *f) { printGroundRules(f, groundRules, "\n"); });
    r.predicates = predicateTable.size();
    r.constants = constantTable.size();
    r.groundAtoms = groundAtomTable.size();
    return r;
}

TEST(ResetGlobalState, ASecondInputIsProcessedAsIfItWereTheFirst) {
    // The same predicate names with other arities: without the reset the second input would end
    // the process with an arity clash.
    const char *first = "p(1,2). p(2,3). q(X) :- p(X,Y), not r(Y). r(X) :- p(X,X). big(f(g(1))).";
    const char *second = "p(a). s(b) | t(b) :- p(a). q(X) :- p(X), not s(X).";
    INPUT_RESULT alone = groundInput(second);
    ASSERT_EQ("q(a).\n", alone.derived);
    ASSERT_EQ("s(b) v t(b) :- .", alone.rules);
    resetGlobalState();
    groundInput(first);
    groundAtomTable.freeze();
    resetGlobalState();
    EXPECT_EQ(alone, groundInput(second));
    EXPECT_FALSE(predicateTable.find("big").second);
    EXPECT_EQ(0u, complexTermTable.size());
}

TEST(ResetGlobalState, OptionsReturnToTheirDefaults) {
    std::vector<std::string> args = {"quarn", "-nofacts", "-n=3", "-filter=a,b", "-OGo0", "-det",
                                     "-FB", "-costbound=2,_", "--heuristic=3,4", "-N=7", "-stats++"};
    std::vector<char *> argv;
    for (std::string &a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    OPTIONS options;
    parseOptions(int(args.size()), argv.data(), options);
    ASSERT_EQ(0u, options.grounding.optOGo);
    ASSERT_FALSE(options.output.optFacts);
    resetGlobalState();
    EXPECT_EQ("", programName);
    EXPECT_EQ(FRONTEND_NONE, frontEndMode);
    EXPECT_EQ(-1, maxInt);
}

TEST(ResetGlobalState, DiagnosticsAndTimersStartAgain) {
    currentFileName = "input.dl";
    currentLine = 12;
    parserErrors = 2;
    internalParserInvocation = true;
    timers[TIMER_PARSING].start();
    resetGlobalState();
    EXPECT_EQ("", currentFileName);
    EXPECT_EQ(0u, currentLine);
    EXPECT_EQ(0u, parserErrors);
    EXPECT_FALSE(internalParserInvocation);
    EXPECT_FALSE(timers[TIMER_PARSING].running);
    EXPECT_EQ(0, timers[TIMER_PARSING].seconds);
}

}  // namespace
