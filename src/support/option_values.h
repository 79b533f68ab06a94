// Option variables of the command line. The driver's option pass (driver/options.h) sets them once,
// before any input is read; every other component only reads them (the run sequence clears the
// three program-shape flags for the front-end modes and fills empty heuristic lists with defaults;
// `maxInt` can also be set by the "#maxint" statement of the input). `resetOptions` puts them back
// to their defaults before another input in the same process.
//
// Booleans are one-byte flags; numbers are 32-bit as the command line defines them. Name sets
// compare as byte strings (std::string's order is the plain lexicographic byte order).
#pragma once

#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

// The reasoning mode or front-end chosen on the command line. Brave and cautious reasoning count
// as front-end modes wherever "a front-end mode" is spoken of: every mode but FRONTEND_NONE.
enum FRONTEND_MODE : uint8_t {
    FRONTEND_NONE = 0,
    FRONTEND_BRAVE = 1,
    FRONTEND_CAUTIOUS = 2,
    FRONTEND_DIAGNOSIS = 3,
    FRONTEND_REITER = 4,
    FRONTEND_SQL = 5,
    FRONTEND_PLANNING_C = 6,
    FRONTEND_PLANNING_K = 7,
};

// The diagnoses the diagnosis options ask for (`frontEndSubMode`): all of them (-FD, -FR), the
// subset-minimal ones (-FDmin, -FRmin), those of a single error (-FDsingle, -FRsingle), those of
// minimum cost (-FDmincost).
enum DIAGNOSIS_KIND : uint32_t {
    DIAGNOSIS_ALL = 0,
    DIAGNOSIS_MINIMAL = 1,
    DIAGNOSIS_SINGLE_ERROR = 2,
    DIAGNOSIS_MIN_COST = 3,
};

// The bits of `planningMode`, 0 under -FPc: secure plans (-FPsec, the check options, and the law
// "securePlan" unless plans are optimistic), optimistic plans (-FPopt), interactive (-FP).
enum PLANNING_MODE : uint32_t {
    PLANNING_SECURE = 1,
    PLANNING_OPTIMISTIC = 2,
    PLANNING_INTERACTIVE = 4,
};

// The program name as given in argv[0]: used by the usage line and by parse messages under -v.
extern std::string programName;

// General options.
extern int32_t maxInt;                        // -N= and "#maxint"; -1 while unset
extern bool optDepgraph;                      // --depgraph
extern bool optWait;                          // -wait

// Output options.
extern bool optSatlike;                       // -satlike
extern bool optSilent;                        // -silent
extern bool optVerbose;                       // -v

// Front-end options.
extern FRONTEND_MODE frontEndMode;
extern uint32_t frontEndSubMode;              // a DIAGNOSIS_KIND
extern uint32_t planningMode;                 // PLANNING_MODE bits
extern int32_t optFPCheck;                    // check number minus 1 (0: check 1)
extern int32_t optFPSoundCheck;               // check number minus 1; -1 while unset
extern int32_t optFPCompleteCheck;            // check number minus 1; -1 while unset
extern int32_t optPlanLength;                 // -1 while unset
extern uint32_t optPlanMinActions;
extern uint32_t optPlanMaxActions;
extern uint32_t optPlanCache;

// Puts every option variable back to the value it has when the process starts, as before any
// option pass.
void resetOptions();
