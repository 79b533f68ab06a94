#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/options.h"

namespace {

// The options that the passes below fill; like a process's, they keep what earlier passes set.
OPTIONS passed;

// Runs the option pass over the given arguments (the program name is added in front).
OPTION_PASS_RESULT runPass(std::vector<std::string> args) {
    args.insert(args.begin(), "quarn");
    std::vector<char *> argv;
    for (auto &a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    return parseOptions(static_cast<int>(args.size()), argv.data(), passed);
}

TEST(ParseIntegerOption, AcceptsTheRangeAndRejectsEverythingElse) {
    struct CASE {
        const char *argument;
        bool stored;
        int32_t value;
    };
    const CASE cases[] = {
        {"-N=0", true, 0},
        {"-N=999999999", true, 999999999},
        {"-N=", true, 0},
        {"-N= 42", true, 42},
        {"-N=+7", true, 7},
        {"-N=1000000000", false, 0},
        {"-N=-1", false, 0},
        {"-N=12x", false, 0},
        {"-N=12 ", false, 0},
        {"-N=4294967301", false, 0},  // wraps to 5 in 32 bits
        {"-N=99999999999999999999999", false, 0},
    };
    for (const CASE &c : cases) {
        int32_t target = -5;
        testing::internal::CaptureStderr();
        EXPECT_TRUE(parseIntegerOption("-N=", c.argument, target)) << c.argument;
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(c.stored ? c.value : -5, target) << c.argument;
        std::string value = std::string(c.argument).substr(3);
        EXPECT_EQ(c.stored ? ""
                           : "Invalid value '" + value +
                                 "' for option -N=: expected an integer from 0 to 999999999.\n",
                  err)
            << c.argument;
    }
    uint32_t u = 3;
    EXPECT_FALSE(parseIntegerOption("-maxlist=", "-maxnesting=4", u));
    EXPECT_EQ(3u, u);
}

TEST(ParseNameList, SplitsOnCommasKeepingEmptyNamesBetweenThem) {
    struct CASE {
        const char *text;
        std::set<std::string> names;
    };
    const CASE cases[] = {
        {"p", {"p"}},
        {"p,,q", {"p", "", "q"}},
        {"p,", {"p"}},
        {",p", {"", "p"}},
        {"", {}},
        {"q,p,q", {"p", "q"}},
    };
    for (const CASE &c : cases) {
        std::set<std::string> names;
        parseNameList(c.text, names);
        EXPECT_EQ(c.names, names) << c.text;
    }
}

TEST(ParseHeuristicList, ReadsNumbersLikeUnsignedConversionAndStopsAtFaults) {
    struct CASE {
        const char *text;
        std::vector<int32_t> values;
        std::string warnings;
    };
    const std::string expected = ": expected unsigned integers separated by commas.\n";
    const CASE cases[] = {
        {"1,2,3", {1, 2, 3}, ""},
        {"1,2;3", {1, 2}, "Invalid value '1,2;3' for option --heuristic= at ';3'" + expected},
        {"4,", {4}, "Warning: Heuristic specification terminated by comma.\n"},
        {"x", {}, "Invalid value 'x' for option --heuristic=" + expected},
        {"", {}, "Warning: Empty heuristic specification. Using default heuristic.\n"},
        // A sign is read, but the digits are skipped from the current position only.
        {"-1", {-1}, "Invalid value '-1' for option --heuristic=" + expected},
        {"4294967295", {-1}, ""},
        {"4294967296", {}, "Invalid value '4294967296' for option --heuristic=" + expected},
    };
    for (const CASE &c : cases) {
        std::vector<int32_t> list;
        testing::internal::CaptureStderr();
        parseHeuristicList(c.text, list);
        EXPECT_EQ(c.warnings, testing::internal::GetCapturedStderr()) << c.text;
        EXPECT_EQ(c.values, list) << c.text;
    }
}

TEST(ParseHeuristicList, AppendsToEarlierValues) {
    std::vector<int32_t> list{7};
    testing::internal::CaptureStderr();
    parseHeuristicList("x", list, "--cheuristic=");
    EXPECT_EQ("Invalid value 'x' for option --cheuristic=: expected unsigned integers separated by commas.\n",
              testing::internal::GetCapturedStderr());
    EXPECT_EQ(std::vector<int32_t>{7}, list);
}

TEST(ParseCostBoundList, OneBoundPerLevelWithPlaceholders) {
    struct CASE {
        const char *text;
        std::vector<int64_t> bounds;
    };
    const CASE cases[] = {
        {"3,_,2", {3, COSTBOUND_NONE, 2}},
        {"3,", {3}},
        {"abc", {}},
        {"_", {COSTBOUND_NONE}},
        {"4294967295", {4294967295LL}},  // the largest weight stays apart from "no bound"
        {"4294967296", {}},
        {"1;2", {1}},
        {"-1", {}},  // a sign is not part of a weight
        {" 1", {}},
    };
    for (const CASE &c : cases) {
        std::vector<int64_t> bounds;
        testing::internal::CaptureStderr();
        parseCostBoundList(c.text, bounds);
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(c.bounds, bounds) << c.text;
    }
}

TEST(ParseCostBoundList, BoundsScaleBy1000WithoutWrapping) {
    OPTIONS options;
    testing::internal::CaptureStderr();
    parseCostBoundList("3,_,4294967295", options.optCostBoundList);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(3000, options.costBoundOfLevel(1));
    EXPECT_EQ(COSTBOUND_NONE, options.costBoundOfLevel(2));
    EXPECT_EQ(4294967295000LL, options.costBoundOfLevel(3));
    EXPECT_EQ(COSTBOUND_NONE, options.costBoundOfLevel(4));
    EXPECT_EQ(COSTBOUND_NONE, options.costBoundOfLevel(0));
}

TEST(ParseCostBoundList, TheOptionMarksABoundAsGivenEvenWhenItsListIsEmpty) {
    OPTIONS fresh;
    EXPECT_FALSE(fresh.optCostBound);
    testing::internal::CaptureStderr();
    runPass({"-costbound=", "p.dl"});
    EXPECT_EQ("Warning: Empty costbound specification. Using default costbound.\n",
              testing::internal::GetCapturedStderr());
    EXPECT_TRUE(passed.optCostBound);
    EXPECT_TRUE(passed.optCostBoundList.empty());
    passed = OPTIONS{};
}

TEST(OptionPass, CountsInputFilesAndAppliesOptionsInOrder) {
    OPTION_PASS_RESULT r = runPass({"a.dl", "-n=3", "b.dl", "-n=all", "-FD", "-FRmin", "c"});
    EXPECT_FALSE(r.endRun);
    EXPECT_EQ(3u, r.inputFiles);
    EXPECT_EQ(0u, passed.optMaxModels);
    EXPECT_EQ(FRONTEND_REITER, frontEndMode);
    EXPECT_EQ(DIAGNOSIS_MINIMAL, frontEndSubMode);

    runPass({"-n=12"});
    EXPECT_EQ(12u, passed.optMaxModels);
    runPass({"-n="});  // an empty value is 0: every answer set
    EXPECT_EQ(0u, passed.optMaxModels);
    frontEndMode = FRONTEND_NONE;
    frontEndSubMode = DIAGNOSIS_ALL;
}

TEST(OptionPass, OptimisationSwitches) {
    const REWRITING_CONFIG &r = passed.rewriting;
    const GROUNDING_CONFIG &g = passed.grounding;
    runPass({"-O0"});
    EXPECT_FALSE(r.optODMS || r.optODMSPlus || r.optOODMS || r.optOS || r.optORb || r.optORp || passed.optOGp ||
                 g.optOGs || passed.search.optOH || passed.search.optOPf);
    EXPECT_EQ(0u, g.optOGo);
    EXPECT_TRUE(r.optORdr);
    EXPECT_FALSE(r.magicSetsRequested);

    runPass({"-ODMS+", "-OR", "-ORdr-", "-OGo1", "-OPf"});
    EXPECT_TRUE(r.magicSetsRequested && r.optODMS && r.optODMSPlus && r.optORb && r.optORp && passed.search.optOPf);
    EXPECT_FALSE(r.optORdr);
    EXPECT_EQ(1u, g.optOGo);

    runPass({"-OMS-", "-OR-", "-ORdr", "-OGo2", "-OGp", "-OGs", "-OH", "-OODMS-"});
    EXPECT_FALSE(r.optODMS || r.optODMSPlus || r.optOODMS || r.optORb || r.optORp);
    EXPECT_TRUE(r.optORdr && passed.optOGp && g.optOGs && passed.search.optOH);

    passed = OPTIONS{};
}

TEST(OptionPass, EndsAtHelpLicenceAndUnknownOptions) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    OPTION_PASS_RESULT help = runPass({"-h", "-unknown"});
    OPTION_PASS_RESULT unknown = runPass({"-nofacts", "-x", "-h"});
    std::string err = testing::internal::GetCapturedStderr();
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(help.endRun);
    EXPECT_EQ(0, help.status);
    EXPECT_TRUE(unknown.endRun);
    EXPECT_EQ(255, unknown.status);
    EXPECT_FALSE(passed.output.optFacts);
    EXPECT_NE(std::string::npos, err.find("Specify -help for more detailed usage information."));
    passed.output.optFacts = true;
}

// The unrecognised option is named before the usage text; an option written without its "="
// says how its value is given.
TEST(OptionPass, NamesTheUnrecognisedOption) {
    struct CASE {
        const char *argument;
        const char *line;
    };
    const CASE cases[] = {
        {"-filer=col", "Unrecognised option '-filer=col'.\n"},
        {"-n", "Unrecognised option '-n' (write -n=<value>).\n"},
        {"-costbound", "Unrecognised option '-costbound' (write -costbound=<value>).\n"},
        {"-", "Unrecognised option '-'.\n"},
        {"-%s%n", "Unrecognised option '-%s%n'.\n"},  // user text is never a format
    };
    for (const CASE &c : cases) {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        OPTION_PASS_RESULT r = runPass({"-silent", c.argument, "p.dl"});
        std::string err = testing::internal::GetCapturedStderr();
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(255, r.status) << c.argument;
        EXPECT_EQ(0u, err.find(c.line)) << err;
        EXPECT_NE(std::string::npos, err.find("usage: ")) << err;
    }
    optSilent = false;
}

TEST(OptionPass, HelpAfterABadValueStillEndsWithStatusOne) {
    for (const char *argument : {"-h", "--help", "--version", "-license"}) {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        OPTION_PASS_RESULT r = runPass({"-planlength=-1", argument});
        testing::internal::GetCapturedStdout();
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(r.endRun) << argument;
        EXPECT_EQ(1, r.status) << argument;
        EXPECT_EQ(0u, err.find("Invalid value '-1' for option -planlength=")) << err;
    }
}

TEST(OptionPass, LongHelpAndVersionEndTheRunWithStatusZero) {
    for (const char *argument : {"--help", "--version"}) {
        testing::internal::CaptureStdout();
        OPTION_PASS_RESULT r = runPass({argument, "-unknown"});
        std::string out = testing::internal::GetCapturedStdout();
        EXPECT_TRUE(r.endRun) << argument;
        EXPECT_EQ(0, r.status) << argument;
        EXPECT_EQ(0u, out.find("Quarn [build ")) << argument;
        EXPECT_EQ(std::string(argument) == "--help", out.find("General Options:") != std::string::npos);
    }
}

// Every bad value is named with its option, leaves the option as it was, and the pass reads the
// rest of the command line before it ends the run with status 1.
TEST(OptionPass, BadValuesAreNamedAndEndTheRun) {
    struct CASE {
        const char *argument;
        const char *line;
    };
    const CASE cases[] = {
        {"-n=x", "Invalid value 'x' for option -n=: expected a number of answer sets (0 or all for every one).\n"},
        {"-n=3x", "Invalid value '3x' for option -n=: expected a number of answer sets (0 or all for every one).\n"},
        {"-n=-1", "Invalid value '-1' for option -n=: expected a number of answer sets (0 or all for every one).\n"},
        {"-n=4294967296", "Invalid value '4294967296' for option -n=: expected a number of answer sets (0 or all for every one).\n"},
        {"-N=abc", "Invalid value 'abc' for option -N=: expected an integer from 0 to 999999999.\n"},
        {"-maxlist=1e3", "Invalid value '1e3' for option -maxlist=: expected an integer from 0 to 999999999.\n"},
        {"--ptcache=abc", "Invalid value 'abc' for option --ptcache=: expected an unsigned integer.\n"},
        {"--combinecomplpt=2 ", "Invalid value '2 ' for option --combinecomplpt=: expected an unsigned integer.\n"},
        {"-OMm=3", "Invalid value '3' for option -OMm=: expected a model check mode: 0, 1, 5 or 9.\n"},
        {"-OMm=x", "Invalid value 'x' for option -OMm=: expected a model check mode: 0, 1, 5 or 9.\n"},
        {"-costbound=x", "Invalid value 'x' for option -costbound=: expected weights separated by commas, _ for a level without a bound.\n"},
        {"-costbound=2,_,3x", "Invalid value '2,_,3x' for option -costbound= at 'x': expected weights separated by commas, _ for a level without a bound.\n"},
        {"--combineheuristic=1;2", "Invalid value '1;2' for option --combineheuristic= at ';2': expected unsigned integers separated by commas.\n"},
        {"-FPcheck=3", "Invalid value '3' for option -FPcheck=: expected 1 or 2, the implemented secure checks.\n"},
        {"-FPsoundcheck=1x", "Invalid value '1x' for option -FPsoundcheck=: expected 1 or 2, the implemented secure checks.\n"},
        {"-filter=col/2", "Invalid value 'col/2' for option -filter=: expected predicate names without an arity, separated by commas.\n"},
        {"-pfilter=p,q(X)", "Invalid value 'p,q(X)' for option -pfilter= at 'q(X)': expected predicate names separated by commas.\n"},
        {"-filter=%s", "Invalid value '%s' for option -filter=: expected predicate names separated by commas.\n"},
    };
    for (const CASE &c : cases) {
        passed.optMaxModels = 7;
        maxInt = -1;
        passed.search.optOMm = 0;
        passed.optCostBoundList.clear();
        passed.optCombineHeuristic.clear();
        passed.output.optFilter.clear();
        passed.output.optPFilter.clear();
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        OPTION_PASS_RESULT r = runPass({c.argument, "p.dl", "-nofacts"});
        std::string err = testing::internal::GetCapturedStderr();
        std::string out = testing::internal::GetCapturedStdout();
        EXPECT_TRUE(r.endRun) << c.argument;
        EXPECT_EQ(1, r.status) << c.argument;
        EXPECT_EQ(c.line, err) << c.argument;
        EXPECT_EQ("", out) << c.argument;
        EXPECT_FALSE(passed.output.optFacts) << c.argument << ": the pass goes on after a bad value";
        EXPECT_EQ(7u, passed.optMaxModels) << c.argument;
        EXPECT_EQ(-1, maxInt) << c.argument;
        EXPECT_EQ(0u, passed.search.optOMm) << c.argument;
        EXPECT_TRUE(passed.output.optFilter.empty() && passed.output.optPFilter.empty()) << c.argument;
        passed.output.optFacts = true;
    }
    passed.optMaxModels = 0;
    passed.optCostBoundList.clear();
    passed.optCostBound = false;
    passed.optCombineHeuristic.clear();
    frontEndMode = FRONTEND_NONE;
    planningMode = 0;
}

TEST(OptionPass, GoodValuesPass) {
    const char *arguments[] = {"-n=all", "-n=0", "-n=", "-N=", "-N= 7", "-OMm=9", "-costbound=3,_,2",
                               "-filter=p,-q,\"s t\",", "-pfilter=p,,q", "--heuristic=1,2", "-FPcheck=2"};
    for (const char *argument : arguments) {
        testing::internal::CaptureStderr();
        OPTION_PASS_RESULT r = runPass({argument, "p.dl"});
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_FALSE(r.endRun) << argument << ": " << err;
        EXPECT_EQ("", err) << argument;
    }
    maxInt = -1;
    passed.search.optOMm = 0;
    passed.optCostBoundList.clear();
    passed.optCostBound = false;
    passed.optHeuristic.clear();
    passed.output.optFilter.clear();
    passed.output.optPFilter.clear();
    frontEndMode = FRONTEND_NONE;
    planningMode = 0;
    optFPCheck = 0;
}

}  // namespace
