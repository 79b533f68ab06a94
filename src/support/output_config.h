// How answer sets and consequences are written, as the command line asks: which predicates are
// shown and whether the input facts are among them. The driver fills one in its options and hands
// it to whatever prints atoms of an answer (the answer output, the deterministic consequences of
// the model generator).
#pragma once

#include <set>
#include <string>

struct OUTPUT_CONFIG {
    std::set<std::string> optFilter;   // -filter=: only these predicates are shown
    std::set<std::string> optPFilter;  // -pfilter=: only the positive atoms of these
    bool optFacts = true;              // -facts / -nofacts
    bool optWitness = false;           // --witness: a ground query's verdict names its answer set
};
