#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/options.h"

namespace {

// Runs the option pass over the given arguments (the program name is added in front).
OPTION_PASS_RESULT runPass(std::vector<std::string> args) {
    args.insert(args.begin(), "quarn");
    std::vector<char *> argv;
    for (auto &a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    return parseOptions(static_cast<int>(args.size()), argv.data());
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
        EXPECT_EQ(c.stored ? "" : "Argument to -N=<n> must be an integer between 0 and 999999999 (inclusive) - ignored.\n",
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
    const CASE cases[] = {
        {"1,2,3", {1, 2, 3}, ""},
        {"1,2;3", {1, 2}, "Warning: Heuristic specification contains a bad delimiter: ';'\n"},
        {"4,", {4}, "Warning: Heuristic specification terminated by comma.\n"},
        {"x", {}, "Warning: Heuristic specification is bad: 'x'\nWarning: Empty heuristic specification. Using default heuristic.\n"},
        {"", {}, "Warning: Empty heuristic specification. Using default heuristic.\n"},
        // A sign is read, but the digits are skipped from the current position only.
        {"-1", {-1}, "Warning: Heuristic specification contains a bad delimiter: '-'\n"},
        {"4294967295", {-1}, ""},
        {"4294967296", {}, "Warning: Heuristic specification is bad: '4294967296'\nWarning: Empty heuristic specification. Using default heuristic.\n"},
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
    parseHeuristicList("x", list);
    EXPECT_EQ("Warning: Heuristic specification is bad: 'x'\n", testing::internal::GetCapturedStderr());
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
    };
    for (const CASE &c : cases) {
        optCostBoundList.clear();
        optCostBound = false;
        testing::internal::CaptureStderr();
        parseCostBoundList(c.text);
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(c.bounds, optCostBoundList) << c.text;
        EXPECT_TRUE(optCostBound) << c.text;
    }
    optCostBoundList.clear();
    optCostBound = false;
}

TEST(ParseCostBoundList, BoundsScaleBy1000WithoutWrapping) {
    optCostBoundList.clear();
    testing::internal::CaptureStderr();
    parseCostBoundList("3,_,4294967295");
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(3000, costBoundOfLevel(1));
    EXPECT_EQ(COSTBOUND_NONE, costBoundOfLevel(2));
    EXPECT_EQ(4294967295000LL, costBoundOfLevel(3));
    EXPECT_EQ(COSTBOUND_NONE, costBoundOfLevel(4));
    EXPECT_EQ(COSTBOUND_NONE, costBoundOfLevel(0));
    optCostBoundList.clear();
    optCostBound = false;
}

TEST(OptionPass, CountsInputFilesAndAppliesOptionsInOrder) {
    OPTION_PASS_RESULT r = runPass({"a.dl", "-n=3", "b.dl", "-n=all", "-FD", "-FRmin", "c"});
    EXPECT_FALSE(r.endRun);
    EXPECT_EQ(3u, r.inputFiles);
    EXPECT_EQ(0u, optMaxModels);
    EXPECT_EQ(FRONTEND_REITER, frontEndMode);
    EXPECT_EQ(DIAGNOSIS_MINIMAL, frontEndSubMode);

    runPass({"-n=abc"});
    EXPECT_EQ(0u, optMaxModels);
    runPass({"-n=12"});
    EXPECT_EQ(12u, optMaxModels);
    runPass({"-n=99999999999"});  // out of range reads as a bad value: every answer set
    EXPECT_EQ(0u, optMaxModels);
    frontEndMode = FRONTEND_NONE;
    frontEndSubMode = DIAGNOSIS_ALL;
}

TEST(OptionPass, OptimisationSwitches) {
    runPass({"-O0"});
    EXPECT_FALSE(optODMS || optODMSPlus || optOODMS || optOS || optORb || optORp || optOGp || optOGs ||
                 optOH || optOPf);
    EXPECT_EQ(0u, optOGo);
    EXPECT_TRUE(optORdr);
    EXPECT_FALSE(magicSetsRequested);

    runPass({"-ODMS+", "-OR", "-ORdr-", "-OGo1", "-OPf"});
    EXPECT_TRUE(magicSetsRequested && optODMS && optODMSPlus && optORb && optORp && optOPf);
    EXPECT_FALSE(optORdr);
    EXPECT_EQ(1u, optOGo);

    runPass({"-OMS-", "-OR-", "-ORdr", "-OGo2", "-OGp", "-OGs", "-OH", "-OODMS-"});
    EXPECT_FALSE(optODMS || optODMSPlus || optOODMS || optORb || optORp);
    EXPECT_TRUE(optORdr && optOGp && optOGs && optOH);

    magicSetsRequested = false;
    optODMS = true;
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
    EXPECT_FALSE(optFacts);
    EXPECT_NE(std::string::npos, err.find("Specify -help for more detailed usage information."));
    optFacts = true;
}

}  // namespace
