#include "grounding/interpretation.h"

#include <vector>

#include "core/program.h"
#include "grounding/ground_program.h"

void simplifyGroundRules(std::span<const uint8_t> trueAtoms) {
    auto isTrue = [&](GATOM_ID a) {
        if (size_t(a) < trueAtoms.size()) return trueAtoms[size_t(a)] != 0;
        return I.positive.contains(groundAtomTable[a]);
    };
    // By ground atom number: 1 heads a remaining rule, 2 heads one and is in the undefined part.
    std::vector<uint8_t> head(groundAtomTable.size(), 0);
    size_t place = 0;
    while (place < groundRules.size()) {
        GRULE &rule = groundRules[place];
        bool drop = false;
        for (GATOM_ID h : rule.head)
            if (isTrue(h)) {
                drop = true;
                break;
            }
        if (!drop && rule.hasBody)
            for (const GLITERAL &l : rule.body.negative())
                if (isTrue(l.atom)) {
                    drop = true;
                    break;
                }
        if (drop) {
            // The last rule fills the gap, so the survivors keep their order except for it.
            if (place + 1 != groundRules.size())
                groundRules[place] = std::move(groundRules.back());
            groundRules.pop_back();
            continue;
        }
        for (GATOM_ID h : rule.head) head[size_t(h)] = 1;
        if (rule.hasBody) {
            uint32_t i = 0;
            while (i < rule.body.firstNegative) {
                if (isTrue(rule.body.literals[i].atom))
                    rule.body.erase(i);
                else
                    i++;
            }
        }
        place++;
    }
    // The undefined part becomes the set of those heads. Most of its atoms stay, so it is thinned
    // in place and only the heads it lacks are inserted, rather than rebuilt atom by atom.
    for (uint32_t p = 0; p < I.undefined.predicateCount(); p++) {
        // Erasing leaves the order of the rows as it is until the next read.
        for (uint32_t row : I.undefined[p].rows()) {
            ATOM_REF a = atomStore.ref(p, row);
            GATOM_ID id = a.isAggregate() ? -1 : groundAtomTable.find(p, a.args());
            if (id >= 0 && head[size_t(id)] != 0) head[size_t(id)] = 2;
            else I.undefined.eraseRow(p, row);
        }
    }
    for (size_t id = 0; id < head.size(); id++)
        if (head[id] == 1) I.undefined.insert(groundAtomTable[GATOM_ID(id)]);
}
