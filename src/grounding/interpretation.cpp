#include "grounding/interpretation.h"

#include "core/program.h"
#include "grounding/ground_program.h"

void simplifyGroundRules(std::span<const uint8_t> trueAtoms) {
    I.undefined.clear();
    auto isTrue = [&](GATOM_ID a) {
        if (size_t(a) < trueAtoms.size()) return trueAtoms[size_t(a)] != 0;
        return I.positive.contains(groundAtomTable[a]);
    };
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
        for (GATOM_ID h : rule.head)
            I.undefined.insert(groundAtomTable[h]);
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
}
