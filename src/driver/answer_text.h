// The text of answer sets as the run prints them, formatted once and reused. While the model
// generator enumerates, the facts and the atoms grounding proved true are the same in every
// answer set, and a ground atom prints the same each time it is true; so the first answer set
// that shows them formats them, and every later one copies the text. An answer set is assembled
// in one buffer and written with one call, which keeps stdio's per-call cost out of the loop.
//
// The cache holds only between `open` and `close`, while nothing changes the facts, the atoms
// grounding proved true, the ground atom table or the output options; an answer set printed
// while it is closed is formatted afresh.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "core/atom_sets.h"
#include "support/output_config.h"
#include "core/printer.h"
#include "solver/truth_assignment.h"

class ANSWER_TEXT {
public:
    ANSWER_TEXT() = default;
    ANSWER_TEXT(const ANSWER_TEXT &) = delete;
    ANSWER_TEXT &operator=(const ANSWER_TEXT &) = delete;
    ~ANSWER_TEXT() { close(); }

    // Keeps texts for the given settings, which must stay until `close`.
    void open(const OUTPUT_CONFIG &settings);
    // Forgets every text kept.
    void close();

    // One answer set between braces, without a newline: the facts (under -nofacts none), the
    // given true atoms, and the atoms true in the model when one is given. While open, the
    // settings are those given to `open`.
    void print(FILE *out, const ATOM_SETS *trueAtoms, const TRUTH_ASSIGNMENT *model, const OUTPUT_CONFIG &settings);

private:
    // Where a ground atom's text lies in `arena`: ", " followed by the atom, so that all atoms
    // but the first of an answer set copy in one piece. A hidden atom has length 0.
    struct SPAN {
        uint64_t start;
        uint32_t length;
    };
    static constexpr uint32_t UNKNOWN = UINT32_MAX;

    bool opened = false;
    const OUTPUT_CONFIG *settings = nullptr;
    std::optional<ATOM_FILTER> filter;
    // Texts are printed into a stream whose writes append to `arenaText`, up to date after each
    // flush. The text grows as a std::string, so the first allocation that fails ends the run
    // ("memory exhausted") instead of leaving a stream in error that retries with every atom.
    FILE *arena = nullptr;
    std::string arenaText;
    const char *arenaData() const { return arenaText.data(); }
    std::vector<SPAN> atoms; // by ground atom number
    // The facts and true atoms of the answer sets, for the true-atom sets at `fixedSource`.
    bool fixedKnown = false;
    const ATOM_SETS *fixedSource = nullptr;
    std::string fixedText;
    std::string line; // the answer set being assembled

    const SPAN &atomText(uint32_t atom);
    // Flushes the arena and answers where its text ends.
    uint64_t arenaEnd();
    void formatFixed(const ATOM_SETS *trueAtoms);
};
