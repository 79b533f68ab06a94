#include "driver/answer_text.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <sys/types.h>

#include "core/program.h"
#include "grounding/ground_program.h"

namespace {

// The arena stream's write: appends to the string; an append that cannot allocate goes through
// the new-handler, which ends the run.
ssize_t appendToArena(void *cookie, const char *data, size_t size) {
    static_cast<std::string *>(cookie)->append(data, size);
    return ssize_t(size);
}

} // namespace

void ANSWER_TEXT::open(const OUTPUT_CONFIG &settings_) {
    close();
    opened = true;
    settings = &settings_;
    filter.emplace(settings->optFilter, settings->optPFilter);
    cookie_io_functions_t functions{nullptr, appendToArena, nullptr, nullptr};
    arena = fopencookie(&arenaText, "w", functions);
    // Only memory can be lacking: the run ends as on any exhausted allocation.
    if (!arena) {
        if (std::new_handler handler = std::get_new_handler()) handler();
        abort();
    }
}

uint64_t ANSWER_TEXT::arenaEnd() {
    fflush(arena);
    return arenaText.size();
}

void ANSWER_TEXT::close() {
    if (arena) fclose(arena);
    arena = nullptr;
    arenaText = std::string();
    filter.reset();
    settings = nullptr;
    atoms.clear();
    fixedKnown = false;
    fixedSource = nullptr;
    fixedText.clear();
    opened = false;
}

const ANSWER_TEXT::SPAN &ANSWER_TEXT::atomText(uint32_t atom) {
    if (atom >= atoms.size()) atoms.resize(size_t(atom) + 1, SPAN{0, UNKNOWN});
    SPAN &span = atoms[atom];
    if (span.length != UNKNOWN) return span;
    ATOM_REF ref = groundAtomTable[static_cast<GATOM_ID>(atom)];
    span.length = 0;
    if (!filter->shows(ref.predicate)) return span;
    span.start = arenaEnd();
    fputs_unlocked(", ", arena);
    filter->printShown(arena, ref);
    span.length = uint32_t(arenaEnd() - span.start);
    return span;
}

void ANSWER_TEXT::formatFixed(const ATOM_SETS *trueAtoms) {
    fixedKnown = true;
    fixedSource = trueAtoms;
    uint64_t start = arenaEnd();
    bool printed = false;
    if (settings->optFacts) printed = printAtomSet(EDB, arena, printed, *filter);
    if (trueAtoms) printAtomSet(*trueAtoms, arena, printed, *filter);
    uint64_t end = arenaEnd(); // the flush may move the text
    fixedText.assign(arenaData() + start, end - start);
}

void ANSWER_TEXT::print(FILE *out, const ATOM_SETS *trueAtoms, const TRUTH_ASSIGNMENT *model,
                        const OUTPUT_CONFIG &settings_) {
    bool once = !opened;
    if (once) open(settings_);
    if (!fixedKnown || fixedSource != trueAtoms) formatFixed(trueAtoms);
    line.assign(1, '{');
    line += fixedText;
    bool printed = !fixedText.empty();
    if (model) {
        size_t n = std::min(model->values.size(), size_t(groundAtomTable.size()));
        const TRUTH_VALUE *values = model->values.data();
        for (size_t i = 0; i < n; ++i) {
            if (!isTrueValue(values[i])) continue;
            const SPAN &span = atomText(uint32_t(i));
            if (span.length == 0) continue;
            // The first atom of the answer set goes without the separator.
            size_t skip = printed ? 0 : 2;
            line.append(arenaData() + span.start + skip, span.length - skip);
            printed = true;
        }
    }
    line += '}';
    fwrite_unlocked(line.data(), 1, line.size(), out);
    if (once) close();
}
