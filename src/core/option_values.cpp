#include "core/option_values.h"

#include <tuple>

std::string programName;
uint32_t optMaxModels = 0;
int32_t maxInt = -1;
std::vector<int64_t> optCostBoundList;
bool optCostBound = false;
bool optDeterministic = false;
bool optWellFounded = false;
bool optInstantiate = false;
bool optDepgraph = false;
bool optNoModelCheck = false;
bool optReadStdin = false;
bool optFiniteCheck = true;
bool optWait = false;
std::set<std::string> optFilter;
std::set<std::string> optPFilter;
bool optFacts = true;
bool optSatlike = false;
bool optWctrace = false;
bool optWitness = false;
bool optSilent = false;
bool optVerbose = false;
uint32_t optStats = 0;
bool optPrintEDB = false;
bool optPrintIDB = false;
bool optPrintGIDB = false;
bool optPrintConstraints = false;
bool optPrintGConstraints = false;
bool optPrintWConstraints = false;
bool optPrintGWConstraints = false;
bool optPrintInterpret = false;
bool optNegPts = true;
uint32_t optPtCache = 5;
bool optComplPt = true;
uint32_t optCombineComplPt = 0;
bool optCanChooseComplPt = true;
bool optGUS = true;
std::vector<int32_t> optHeuristic;
std::vector<int32_t> optCHeuristic;
std::vector<int32_t> optCombineHeuristic;
bool optOGp = true;
bool optOH = true;
bool optOPf = true;
uint32_t optOMm = 0;
FRONTEND_MODE frontEndMode = FRONTEND_NONE;
uint32_t frontEndSubMode = 0;
uint32_t planningMode = 0;
int32_t optFPCheck = 0;
int32_t optFPSoundCheck = -1;
int32_t optFPCompleteCheck = -1;
int32_t optPlanLength = -1;
uint32_t optPlanMinActions = 0;
uint32_t optPlanMaxActions = 0;
uint32_t optPlanCache = 10000;

namespace {

// Every option value above, in one list. The copy below is taken before `main` starts (each value
// is initialised above it, in this file), and resetOptions puts it back; a new option joins the
// list.
auto optionValues() {
    return std::tie(programName, optMaxModels, maxInt, optCostBoundList, optCostBound,
                    optDeterministic, optWellFounded, optInstantiate, optDepgraph, optNoModelCheck,
                    optReadStdin, optFiniteCheck, optWait, optFilter,
                    optPFilter, optFacts, optSatlike, optWctrace, optWitness, optSilent, optVerbose,
                    optStats, optPrintEDB, optPrintIDB,
                    optPrintGIDB, optPrintConstraints, optPrintGConstraints, optPrintWConstraints,
                    optPrintGWConstraints, optPrintInterpret, optNegPts, optPtCache, optComplPt,
                    optCombineComplPt, optCanChooseComplPt, optGUS, optHeuristic, optCHeuristic,
                    optCombineHeuristic,
                    optOGp, optOH, optOPf, optOMm,
                    frontEndMode, frontEndSubMode, planningMode, optFPCheck, optFPSoundCheck,
                    optFPCompleteCheck, optPlanLength, optPlanMinActions, optPlanMaxActions,
                    optPlanCache);
}

template <class... T> std::tuple<T...> copyOf(const std::tuple<T &...> &values) { return values; }
const auto defaultOptionValues = copyOf(optionValues());

} // namespace

void resetOptions() { optionValues() = defaultOptionValues; }

int64_t costBoundOfLevel(uint32_t level) {
    if (level == 0 || level > optCostBoundList.size()) return COSTBOUND_NONE;
    int64_t bound = optCostBoundList[level - 1];
    return bound == COSTBOUND_NONE ? COSTBOUND_NONE : bound * 1000;
}
