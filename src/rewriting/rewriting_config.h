// The settings of the rewritings, taken from the command line by the driver and handed to each
// rewriting step when the run reaches it.
#pragma once

struct REWRITING_CONFIG {
    bool optORb = true;               // -ORb: basic rewriting changes the program
    bool optORdr = true;              // -ORdr: with -ORb, rules with an undefined positive literal go
    bool optORp = true;               // -ORp: projection rewriting
    bool optOS = false;               // -OS: subsumption checking of the input rules
    bool magicSetsRequested = false;  // -OMS, -ODMS, -ODMS+, -OODMS named on the command line
    bool optODMS = true;              // disjunctive magic sets
    bool optODMSPlus = false;         // -ODMS+: a final subsumption pass
    bool optOODMS = false;            // -OODMS: rules pruned while they are made
    bool optPrintMagic = false;       // --print-magic: the rewritten program is the output
};
