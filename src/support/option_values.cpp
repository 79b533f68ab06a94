#include "support/option_values.h"

#include <tuple>

std::string programName;
int32_t maxInt = -1;
bool optDepgraph = false;
bool optWait = false;
bool optSatlike = false;
bool optSilent = false;
bool optVerbose = false;
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
    return std::tie(programName, maxInt, optDepgraph, optWait, optSatlike, optSilent, optVerbose, frontEndMode, frontEndSubMode, planningMode, optFPCheck,
                    optFPSoundCheck, optFPCompleteCheck, optPlanLength, optPlanMinActions,
                    optPlanMaxActions, optPlanCache);
}

template <class... T> std::tuple<T...> copyOf(const std::tuple<T &...> &values) { return values; }
const auto defaultOptionValues = copyOf(optionValues());

} // namespace

void resetOptions() { optionValues() = defaultOptionValues; }
