// The search's settings, taken from the command line by the driver and handed to each
// MODEL_GENERATOR in its MG_CONFIG; the generator keeps one copy, which its candidate lists and its
// model checker read as plain members. A generator that a front-end builds for its own checks is
// given the run's settings as well.
#pragma once

#include <cstdint>

struct SEARCH_CONFIG {
    bool optNegPts = true;             // --negpts / --pospts: negative possibly-true candidates too
    uint32_t optPtCache = 5;           // --ptcache=: candidates kept from one level for the next
    bool optComplPt = true;            // --complpt / --nocomplpt: a candidate's opposite is looked ahead
    bool optCanChooseComplPt = true;   // --canchoosecomplpt / --cannotchoosecomplpt
    bool optOH = true;                 // -OH / -OH-: choose by look-ahead
    bool optOPf = true;                // -OPf / -OPf-: the partial model check while going forwards
    uint32_t optOMm = 0;               // -OMm=: the model check's mode (0, 1, 5 or 9)
};
