#include "driver/options.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "support/diagnostics.h"

#ifndef QUARN_BUILD_DATE
#define QUARN_BUILD_DATE __DATE__
#endif
#ifndef QUARN_COMPILER_VERSION
#define QUARN_COMPILER_VERSION __VERSION__
#endif

namespace {

// The licence: the text of the file LICENSE, made into a string literal when the program is built.
// Its opening, up to the third blank line, is also what -v shows under the banner.
const char LICENSE_TEXT[] =
#include "driver/license_text.inc"
    ;

// Option values that could not be used. Each is reported as the option is read; the pass goes on
// so that every bad value is named, and the run then ends with status 1 before any input is read.
uint32_t badOptionValues = 0;

// "Invalid value 'x' for option -n=: expected ..." (with " at '...'" naming where a list went
// wrong). The value is the user's text: it is printed, never used as a format.
void reportBadValue(const char *option, const char *value, const char *at, const char *expected) {
    FILE *err = errorOutput();
    fprintf(err, "Invalid value '%s' for option %s", value, option);
    if (at != nullptr && strcmp(at, value) != 0) fprintf(err, " at '%s'", at);
    fprintf(err, ": expected %s.\n", expected);
    ++badOptionValues;
}

// Reads an unsigned decimal number the way the "%u" conversion does: leading blanks and a sign
// are accepted, a negative number wraps around modulo 2^32. A number above 4294967295 counts as
// no number at all, so that it never wraps silently.
bool scanUnsigned(const char *text, uint32_t &value) {
    const char *p = text;
    while (isspace(static_cast<unsigned char>(*p))) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (!isdigit(static_cast<unsigned char>(*p))) return false;
    uint64_t magnitude = 0;
    for (; isdigit(static_cast<unsigned char>(*p)); ++p) {
        magnitude = magnitude * 10 + static_cast<uint64_t>(*p - '0');
        if (magnitude > 0xFFFFFFFFull) return false;
    }
    uint32_t m = static_cast<uint32_t>(magnitude);
    value = negative ? static_cast<uint32_t>(0u - m) : m;
    return true;
}

const char *skipDigits(const char *p) {
    while (isdigit(static_cast<unsigned char>(*p))) ++p;
    return p;
}

// A plain unsigned value: the leading digits, 0 when there are none or when they do not fit.
uint32_t plainUnsigned(const char *text) {
    uint64_t value = 0;
    for (const char *p = text; isdigit(static_cast<unsigned char>(*p)); ++p) {
        value = value * 10 + static_cast<uint64_t>(*p - '0');
        if (value > 0xFFFFFFFFull) return 0;
    }
    return static_cast<uint32_t>(value);
}

// A plain unsigned option value: digits only, up to 4294967295; empty reads as 0. Anything else
// is reported and leaves the target as it was.
void parseUnsignedValue(const char *option, const char *value, uint32_t &target,
                        const char *expected = "an unsigned integer") {
    const char *end = skipDigits(value);
    uint64_t v = 0;
    for (const char *p = value; p < end && v <= 0xFFFFFFFFull; ++p) v = v * 10 + uint64_t(*p - '0');
    if (*end != '\0' || v > 0xFFFFFFFFull) {
        reportBadValue(option, value, nullptr, expected);
        return;
    }
    target = static_cast<uint32_t>(v);
}

// The model checker's modes.
void parseModelCheckMode(const char *value, uint32_t &target) {
    const char *expected = "a model check mode: 0, 1, 5 or 9";
    uint32_t mode = 0;
    uint32_t before = badOptionValues;
    parseUnsignedValue("-OMm=", value, mode, expected);
    if (badOptionValues != before) return;
    if (mode != 0 && mode != 1 && mode != 5 && mode != 9) {
        reportBadValue("-OMm=", value, nullptr, expected);
        return;
    }
    target = mode;
}

// A predicate name as answer sets print it: a name, or a quoted string, perhaps strongly negated.
bool isPredicateName(const std::string &name) {
    size_t i = name.size() > 1 && name[0] == '-' ? 1 : 0;
    if (i >= name.size()) return false;
    if (name[i] == '"') return name.size() - i >= 2 && name.back() == '"' && name.find('"', i + 1) == name.size() - 1;
    if (!isalpha(static_cast<unsigned char>(name[i]))) return false;
    for (++i; i < name.size(); ++i)
        if (!isalnum(static_cast<unsigned char>(name[i])) && name[i] != '_') return false;
    return true;
}

// -filter= and -pfilter=: every name of the list must be one a predicate can have ("p/2" is not;
// a filter is by name, every arity).
void parseFilterOption(const char *option, const char *value, std::set<std::string> &names) {
    std::set<std::string> read;
    parseNameList(value, read);
    bool good = true;
    for (const std::string &name : read) {
        if (name.empty() || isPredicateName(name)) continue;
        reportBadValue(option, value, name.c_str(),
                       name.find('/') != std::string::npos
                           ? "predicate names without an arity, separated by commas"
                           : "predicate names separated by commas");
        good = false;
    }
    if (good) names.insert(read.begin(), read.end());
}

template <typename T>
bool parseBoundedInteger(const char *prefix, const char *argument, T &target) {
    size_t n = strlen(prefix);
    if (strncmp(argument, prefix, n) != 0) return false;
    const char *value = argument + n;
    if (*value == '\0') {
        target = 0;
        return true;
    }
    errno = 0;
    char *end = nullptr;
    long long v = strtoll(value, &end, 10);
    if (errno == 0 && end != value && *end == '\0' && v >= 0 && v <= 999999999) {
        target = static_cast<T>(v);
    } else {
        reportBadValue(prefix, value, nullptr, "an integer from 0 to 999999999");
    }
    return true;
}

// A check number of the secure planning checks: exactly "1" or "2" (as a whole unsigned number).
// The option selects secure planning with the K language either way.
void parseCheckNumber(const char *option, const char *value, int32_t &target) {
    uint32_t n = plainUnsigned(value);
    if (!isdigit(static_cast<unsigned char>(*value)) || *skipDigits(value) != '\0' || (n != 1 && n != 2))
        reportBadValue(option, value, nullptr, "1 or 2, the implemented secure checks");
    else
        target = static_cast<int32_t>(n) - 1;
    frontEndMode = FRONTEND_PLANNING_K;
    planningMode = PLANNING_SECURE;
}

// One entry of the option table. An entry whose text ends in "=" matches by prefix and hands the
// rest of the argument to its action; any other entry matches the whole argument.
struct OPTION {
    const char *text;
    void (*apply)(OPTIONS &o, const char *argument, const char *value);
};

#define SET(expr) [](OPTIONS &o, const char *, const char *) { (void)o; expr; }
#define WITH(expr) [](OPTIONS &o, const char *argument, const char *value) { (void)o; (void)argument; (void)value; expr; }

const OPTION OPTION_TABLE[] = {
    // General options. "-n=all" comes before the prefix "-n=".
    {"-n=all", SET(o.optMaxModels = 0)},
    {"-n=", WITH(parseUnsignedValue("-n=", value, o.optMaxModels,
                                    "a number of answer sets (0 or all for every one)"))},
    {"-N=", WITH(parseIntegerOption("-N=", argument, maxInt))},
    {"-costbound=", WITH(o.optCostBound = true; parseCostBoundList(value, o.optCostBoundList))},
    {"-det", SET(o.optDeterministic = true)},
    {"-wf", SET(o.optWellFounded = true)},
    {"--well-founded", SET(o.optWellFounded = true)},
    {"-instantiate", SET(o.optInstantiate = true)},
    {"-finitecheck", SET(o.optFiniteCheck = true)},
    {"-nofinitecheck", SET(o.optFiniteCheck = false)},
    {"-maxnesting=", WITH(parseIntegerOption("-maxnesting=", argument, o.grounding.optMaxNesting))},
    {"-maxlist=", WITH(parseIntegerOption("-maxlist=", argument, o.grounding.optMaxList))},
    {"-wait", SET(optWait = true)},
    {"--", SET(o.optReadStdin = true)},

    // Output options.
    {"-filter=", WITH(parseFilterOption("-filter=", value, o.output.optFilter))},
    {"-pfilter=", WITH(parseFilterOption("-pfilter=", value, o.output.optPFilter))},
    {"-facts", SET(o.output.optFacts = true)},
    {"-nofacts", SET(o.output.optFacts = false)},
    {"-satlike", SET(optSatlike = true)},
    {"-wctrace", SET(o.optWctrace = true)},
    {"--witness", SET(o.output.optWitness = true)},
    {"-silent", SET(optSilent = true)},
    {"-v", SET(optVerbose = true)},
    {"--depgraph", SET(optDepgraph = true)},
    {"-stats", SET(o.optStats = 1)},
    {"-stats++", SET(o.optStats = 2)},
    {"-stats-grounding++", SET(o.grounding.optStatsGrounding = true)},
    {"--print-magic", SET(o.rewriting.optPrintMagic = true)},
    {"--print-edb", SET(o.optPrintEDB = true)},
    {"--print-idb", SET(o.optPrintIDB = true)},
    {"--print-gidb", SET(o.optPrintGIDB = true)},
    {"--print-constraints", SET(o.optPrintConstraints = true)},
    {"--print-gconstraints", SET(o.optPrintGConstraints = true)},
    {"--print-wconstraints", SET(o.optPrintWConstraints = true)},
    {"--print-gwconstraints", SET(o.optPrintGWConstraints = true)},
    {"--print-interpret", SET(o.optPrintInterpret = true)},

    // Model generator options.
    {"--negpts", SET(o.search.optNegPts = true)},
    {"--pospts", SET(o.search.optNegPts = false)},
    {"--ptcache=", WITH(parseUnsignedValue("--ptcache=", value, o.search.optPtCache))},
    {"--complpt", SET(o.search.optComplPt = true)},
    {"--nocomplpt", SET(o.search.optComplPt = false)},
    {"--combinecomplpt=", WITH(parseUnsignedValue("--combinecomplpt=", value, o.optCombineComplPt))},
    {"--canchoosecomplpt", SET(o.search.optCanChooseComplPt = true)},
    {"--cannotchoosecomplpt", SET(o.search.optCanChooseComplPt = false)},
    {"--GUS", SET(o.optGUS = true)},
    {"--noGUS", SET(o.optGUS = false)},
    {"--heuristic=", WITH(parseHeuristicList(value, o.optHeuristic, "--heuristic="))},
    {"--cheuristic=", WITH(parseHeuristicList(value, o.optCHeuristic, "--cheuristic="))},
    {"--combineheuristic=", WITH(parseHeuristicList(value, o.optCombineHeuristic, "--combineheuristic="))},

    // Optimisation options.
    {"-O0", SET(o.rewriting.optODMSPlus = o.rewriting.optODMS = o.rewriting.optOODMS = false;
                o.rewriting.optOS = o.rewriting.optORb = o.rewriting.optORp = false;
                o.optOGp = o.grounding.optOGs = o.search.optOH = o.search.optOPf = false;
                o.grounding.optOGo = 0; o.rewriting.optORdr = true)},
    {"-OMS", SET(o.rewriting.magicSetsRequested = true; o.rewriting.optOODMS = true)},
    {"-OMS-", SET(o.rewriting.optODMSPlus = o.rewriting.optOODMS = o.rewriting.optODMS = false)},
    {"-ODMS", SET(o.rewriting.magicSetsRequested = true; o.rewriting.optODMS = true)},
    {"-ODMS-", SET(o.rewriting.optODMSPlus = o.rewriting.optODMS = false)},
    {"-ODMS+", SET(o.rewriting.magicSetsRequested = o.rewriting.optODMS = o.rewriting.optODMSPlus = true)},
    {"-OODMS", SET(o.rewriting.magicSetsRequested = true; o.rewriting.optOODMS = true)},
    {"-OODMS-", SET(o.rewriting.optOODMS = false)},
    {"-OS", SET(o.rewriting.optOS = true)},
    {"-OS-", SET(o.rewriting.optOS = false)},
    {"-OR", SET(o.rewriting.optORb = o.rewriting.optORp = true)},
    {"-OR-", SET(o.rewriting.optORb = o.rewriting.optORp = false)},
    {"-ORb", SET(o.rewriting.optORb = true)},
    {"-ORb-", SET(o.rewriting.optORb = false)},
    {"-ORp", SET(o.rewriting.optORp = true)},
    {"-ORp-", SET(o.rewriting.optORp = false)},
    {"-ORdr", SET(o.rewriting.optORdr = true)},
    {"-ORdr-", SET(o.rewriting.optORdr = false)},
    {"-OGp", SET(o.optOGp = true)},
    {"-OGp-", SET(o.optOGp = false)},
    {"-OGo0", SET(o.grounding.optOGo = 0)},
    {"-OGo1", SET(o.grounding.optOGo = 1)},
    {"-OGo2", SET(o.grounding.optOGo = 2)},
    {"-OGs", SET(o.grounding.optOGs = true)},
    {"-OGs-", SET(o.grounding.optOGs = false)},
    {"-OH", SET(o.search.optOH = true)},
    {"-OH-", SET(o.search.optOH = false)},
    {"-OM-", SET(o.optNoModelCheck = true)},
    {"-OMm=", WITH(parseModelCheckMode(value, o.search.optOMm))},
    {"-OPf-", SET(o.search.optOPf = false)},
    {"-OPf", SET(o.search.optOPf = true)},

    // Front-end options: the last one given wins.
    {"-brave", SET(frontEndMode = FRONTEND_BRAVE)},
    {"-FB", SET(frontEndMode = FRONTEND_BRAVE)},
    {"-cautious", SET(frontEndMode = FRONTEND_CAUTIOUS)},
    {"-FC", SET(frontEndMode = FRONTEND_CAUTIOUS)},
    {"-FD", SET(frontEndMode = FRONTEND_DIAGNOSIS; frontEndSubMode = DIAGNOSIS_ALL)},
    {"-FDmincost", SET(frontEndMode = FRONTEND_DIAGNOSIS; frontEndSubMode = DIAGNOSIS_MIN_COST)},
    {"-FDmin", SET(frontEndMode = FRONTEND_DIAGNOSIS; frontEndSubMode = DIAGNOSIS_MINIMAL)},
    {"-FDsingle", SET(frontEndMode = FRONTEND_DIAGNOSIS; frontEndSubMode = DIAGNOSIS_SINGLE_ERROR)},
    {"-FR", SET(frontEndMode = FRONTEND_REITER; frontEndSubMode = DIAGNOSIS_ALL)},
    {"-FRmin", SET(frontEndMode = FRONTEND_REITER; frontEndSubMode = DIAGNOSIS_MINIMAL)},
    {"-FRsingle", SET(frontEndMode = FRONTEND_REITER; frontEndSubMode = DIAGNOSIS_SINGLE_ERROR)},
    {"-FPc", SET(frontEndMode = FRONTEND_PLANNING_C; planningMode = 0)},
    {"-FP", SET(frontEndMode = FRONTEND_PLANNING_K; planningMode = PLANNING_INTERACTIVE)},
    {"-FPopt", SET(frontEndMode = FRONTEND_PLANNING_K; planningMode = PLANNING_OPTIMISTIC)},
    {"-FPsec", SET(frontEndMode = FRONTEND_PLANNING_K; planningMode = PLANNING_SECURE)},
    {"-FPcheck=", WITH(parseCheckNumber("-FPcheck=", value, optFPCheck))},
    {"-FPsoundcheck=", WITH(parseCheckNumber("-FPsoundcheck=", value, optFPSoundCheck))},
    {"-FPcompletecheck=", WITH(parseCheckNumber("-FPcompletecheck=", value, optFPCompleteCheck))},
    {"-planlength=", WITH(parseIntegerOption("-planlength=", argument, optPlanLength))},
    {"-planminactions=", WITH(parseIntegerOption("-planminactions=", argument, optPlanMinActions))},
    {"-planmaxactions=", WITH(parseIntegerOption("-planmaxactions=", argument, optPlanMaxActions))},
    {"-plancache=", WITH(parseIntegerOption("-plancache=", argument, optPlanCache))},
    {"-FS", SET(frontEndMode = FRONTEND_SQL)},
};

#undef SET
#undef WITH

const OPTION *findOption(const char *argument, const char *&value) {
    for (const OPTION &o : OPTION_TABLE) {
        size_t n = strlen(o.text);
        if (o.text[n - 1] == '=') {
            if (strncmp(argument, o.text, n) == 0) {
                value = argument + n;
                return &o;
            }
        } else if (strcmp(argument, o.text) == 0) {
            value = argument + n;
            return &o;
        }
    }
    return nullptr;
}

// Walks a list of values separated by commas. `readValue` reads the value at its position and
// returns the position behind it, or null when none stands there. A missing value, or a value
// followed by anything but a comma or the end, is reported as a bad value of the option and ends
// the walk with false; a comma at the very end ends it with the warning `trailingComma`.
template <class READ>
bool walkValueList(const char *text, const char *option, const char *expected, const char *trailingComma,
                   READ readValue) {
    const char *p = text;
    while (*p != '\0') {
        const char *behind = readValue(p);
        if (behind == nullptr) {
            reportBadValue(option, text, p, expected);
            return false;
        }
        p = behind;
        if (*p == ',') {
            if (p[1] == '\0') {
                fputs(trailingComma, errorOutput());
                break;
            }
            ++p;
        } else if (*p != '\0') {
            reportBadValue(option, text, p, expected);
            return false;
        }
    }
    return true;
}

}  // namespace

bool parseIntegerOption(const char *prefix, const char *argument, uint32_t &target) {
    return parseBoundedInteger(prefix, argument, target);
}

bool parseIntegerOption(const char *prefix, const char *argument, int32_t &target) {
    return parseBoundedInteger(prefix, argument, target);
}

void parseNameList(const char *text, std::set<std::string> &names) {
    while (*text != '\0') {
        const char *comma = strchr(text, ',');
        if (comma == nullptr) {
            names.insert(text);
            return;
        }
        names.insert(std::string(text, comma));
        text = comma + 1;
    }
}

void parseHeuristicList(const char *text, std::vector<int32_t> &list, const char *option) {
    bool read = walkValueList(text, option, "unsigned integers separated by commas",
                              "Warning: Heuristic specification terminated by comma.\n", [&](const char *p) {
                                  uint32_t value;
                                  if (!scanUnsigned(p, value)) return static_cast<const char *>(nullptr);
                                  list.push_back(static_cast<int32_t>(value));
                                  return skipDigits(p);
                              });
    if (read && list.empty())
        fputs("Warning: Empty heuristic specification. Using default heuristic.\n", errorOutput());
}

void parseCostBoundList(const char *text, std::vector<int64_t> &bounds) {
    bool read = walkValueList(text, "-costbound=", "weights separated by commas, _ for a level without a bound",
                              "Warning: costbound specification terminated by comma.\n", [&](const char *p) {
                                  if (*p == '_') {
                                      bounds.push_back(COSTBOUND_NONE);
                                      return p + 1;
                                  }
                                  // Digits only: a sign or a blank would make a weight of something else.
                                  uint32_t value;
                                  if (!isdigit(static_cast<unsigned char>(*p)) || !scanUnsigned(p, value))
                                      return static_cast<const char *>(nullptr);
                                  bounds.push_back(value);
                                  return skipDigits(p);
                              });
    if (read && bounds.empty())
        fputs("Warning: Empty costbound specification. Using default costbound.\n", errorOutput());
}

void printBanner(const char *prefix) {
    printf("%sQuarn [build RUX/%s   gcc %s]\n\n", prefix, QUARN_BUILD_DATE, QUARN_COMPILER_VERSION);
    if (!optVerbose) return;
    // The licence's opening: up to its third blank line, blank lines themselves left out.
    int blankLines = 0;
    for (const char *p = LICENSE_TEXT; *p != '\0'; ++p) {
        if (*p == '\n' && p != LICENSE_TEXT && p[-1] == '\n') {
            if (++blankLines == 3) break;
            continue;
        }
        putchar(*p);
    }
    putchar('\n');
}

void printUsage(FILE *out, bool full) {
    fprintf(out, "usage: %s {FRONTEND} {OPTIONS} [filename [filename [...]]]\n\n", programName.c_str());
    if (!full) {
        fputs("Specify -help for more detailed usage information.\n\n", out);
        return;
    }
    fputs("Frontends:\n\n"
          "-FD           Abductive diagnosis\n"
          "-FDmin        Abductive diagnosis, subset minimal\n"
          "-FDsingle     Abductive diagnosis, single error\n"
          "-FDmincost    Abductive diagnosis with Penalization\n"
          "-FR           Reiter's diagnosis\n"
          "-FRmin        Reiter's diagnosis, subset minimal\n"
          "-FRsingle     Reiter's diagnosis, single error\n"
          "-FP           Planning with \"K\" Action Language\n"
          "-FPopt        ...find optimistic plans in batch mode\n"
          "-FPsec        ...find secure plans in batch mode\n"
          "-FPc          Planning with \"C\" Action Language\n"
          "-FPcheck=<n>  Secure Check method <n>. Currently implemented: 1,2\n"
          "-FPsoundcheck=<n>    A sound secure check method.    \n"
          "-FPcompletecheck=<n> A complete secure check method. \n"
          "-planlength=<N> Maximum plan length for planning frontend\n"
          "-planminactions=<N> Minimum number of actions per time\n"
          "-planmaxactions=<N> Maximum number of actions per time\n"
          "-plancache=<N>  Size of the plan cache (number of plans, defaults to 10000)\n"
          "-FS           SQL3\n"
          "\n"
          "General Options:\n\n"
          "--            Also read input from stdin.\n"
          "-brave        Perform brave reasoning.\n"
          "-cautious     Perform cautious reasoning.\n"
          "-costbound=<N,..,N> Compute the models with cost <= <N,..,N> (N=_ indicates that no bound is required).\n"
          "-det          Compute the deterministic consequences.\n"
          "-wf, --well-founded Compute the well-founded model.\n"
          "-instantiate  Only ground and print the instantiation.\n"
          "-n=<n>        Compute at most <n> stable models (-n=0 and -n=all give all).\n"
          "-N=<N>        Limit integers to [0,<N>].\n"
          "-wait         Before terminating, wait until Return is pressed.\n"
          "-finitecheck  Perform finite domain check.\n"
          "-nofinitecheck Skip finite domain check.\n"
          "-maxnesting=<N> Maximum nesting level for function terms. Default is 0 (no limits).\n"
          "-maxlist=<N> Maximum number of elements for list terms. Default is 0 (no limits).\n"
          "--print-magic Only apply Magic Sets and print the rewritten program.\n"
          "\n"
          "Output Options:\n\n"
          "-filter=X[,Y[,...] Output only instances of the specified predicate(s).\n"
          " -pfilter=X[,Y[,...]\n"
          "              Output only positive instances of the specified predicate(s).\n"
          "-facts        Include facts as part of the output.\n"
          " -nofacts     Don't include facts as part of the output.\n"
          "-license      Print the license of this program.\n"
          "-silent       Suppress the startup banner and blank lines.\n"
          "-stats        Print statistics and timings regarding the computation.\n"
          "-v            Be a bit more verbose than usual.\n"
          "-wctrace      Print all (possibly not optimal) models \n"
          "              during computation of weak constraints.\n"
          "--witness     Print a (possibly incomplete) witness when answering a query.\n"
          "\n"
          "Optimizations:\n\n"
          "-OMS[-]       Magic Sets Rewriting.\n"
          "-ODMS[-]      Disjunctive Magic Sets Rewriting.\n"
          "-OODMS[-]     Optimized Disjunctive Magic Sets Rewriting.\n"
          "-OS[-]        Input subsumption checking.\n"
          "-O0           Disable all optimizations.\n"
          "-OR[-]        Input rewriting.\n"
          "-ORb[-]       Basic input rewriting.\n"
          "-ORp[-]       Projection rewriting.\n"
          "-ORdr[-]      Rewriting deletes rules whose body is\n"
          "              always false.\n"
          "-OGp[-]       Use special grounder for propositional input.\n"
          "-OGo(0|1|2)   Grounding performs (no|simple|advanced)\n"
          "              dynamic body reordering.\n"
          "-OGs          Grounding employs semi-naive evaluation.\n"
          "-OH[-]        Heuristics.\n"
          "-OM-          Special Model Checker mode. Not for general use!\n"
          "-OPf[-]       Partial model checking ``forwards''.\n"
          "\n"
          "Default options: -OR -ORdr -OGp -OGo2 -OGs -OH -OPf\n\n",
          out);
}

namespace {

// The option whose value the argument lacks: "-n" for "-n=", so that the message can say how
// the value is written.
const char *optionMissingItsValue(const char *argument) {
    size_t n = strlen(argument);
    for (const OPTION &o : OPTION_TABLE)
        if (strlen(o.text) == n + 1 && o.text[n] == '=' && strncmp(o.text, argument, n) == 0) return o.text;
    return nullptr;
}

void reportUnknownOption(const char *argument) {
    FILE *err = errorOutput();
    fprintf(err, "Unrecognised option '%s'", argument);
    if (const char *withValue = optionMissingItsValue(argument))
        fprintf(err, " (write %s<value>)", withValue);
    fputs(".\n", err);
}

}  // namespace

int64_t OPTIONS::costBoundOfLevel(uint32_t level) const {
    if (level == 0 || level > optCostBoundList.size()) return COSTBOUND_NONE;
    int64_t bound = optCostBoundList[level - 1];
    return bound == COSTBOUND_NONE ? COSTBOUND_NONE : bound * 1000;
}

OPTION_PASS_RESULT parseOptions(int argc, char **argv, OPTIONS &options) {
    OPTION_PASS_RESULT result{false, 0, 0};
    programName = argc > 0 ? argv[0] : "quarn";
    badOptionValues = 0;
    for (int i = 1; i < argc; ++i) {
        const char *argument = argv[i];
        if (argument[0] != '-') {
            ++result.inputFiles;
            continue;
        }
        // "--help" and "--version" are what users try first. They end the pass where they stand;
        // a bad value before them still makes the status 1.
        int endStatus = badOptionValues != 0 ? 1 : 0;
        if (strcmp(argument, "-h") == 0 || strcmp(argument, "-help") == 0 || strcmp(argument, "--help") == 0) {
            printBanner("");
            printUsage(stdout, true);
            return {true, endStatus, result.inputFiles};
        }
        if (strcmp(argument, "--version") == 0) {
            printBanner("");
            return {true, endStatus, result.inputFiles};
        }
        if (strcmp(argument, "-license") == 0) {
            printBanner("");
            fputs(LICENSE_TEXT, stdout);
            putchar('\n');
            return {true, endStatus, result.inputFiles};
        }
        const char *value = nullptr;
        const OPTION *option = findOption(argument, value);
        if (option == nullptr) {
            printBanner("");
            reportUnknownOption(argument);
            printUsage(errorOutput(), false);
            return {true, 255, result.inputFiles};
        }
        option->apply(options, argument, value);
    }
    if (badOptionValues != 0) return {true, 1, result.inputFiles};
    return result;
}

void printStartBanner(const OPTIONS &options) {
    if (options.optInstantiate)
        printBanner("% Instantiation generated by\n% ");
    else if (!optSilent)
        printBanner("");
}

void checkOptionConflicts(const OPTIONS &options) {
    if (frontEndMode != FRONTEND_NONE) {
        if (options.optDeterministic) {
            fputs("Option -det is not applicable for front-ends.\n", errorOutput());
            finish(1);
        }
        if (options.optWellFounded) {
            fputs("Option -wf (--well-founded) is not applicable for front-ends.\n", errorOutput());
            finish(1);
        }
    }
    if (options.optWctrace && options.optCostBound) {
        fputs("Options -costbound and -wctrace are not applicable together.\n", errorOutput());
        finish(1);
    }
}
