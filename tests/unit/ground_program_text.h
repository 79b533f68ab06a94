// Test helper: builds a ground program from a small text form, straight into the global ground
// program, without the parser and the grounder.
//
//   "a | b :- c, not d."   a ground rule (a rule without body: "a.")
//   ":- a, not b."         a ground constraint
//   ":~ a, not b. [2:1]"   a ground weak constraint with weight 2 (stored times 1000) and level 1
//
// Atoms are propositional names; they are added to the ground atom table as they first occur.
#pragma once

#include <algorithm>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "core/atom.h"
#include "core/program.h"
#include "grounding/ground_program.h"
#include "solver/truth_assignment.h"

namespace testing_ground {

inline GATOM_ID atomNumber(const std::string &name) {
    return groundAtomTable.add(ATOM(name.c_str(), static_cast<const TERMS *>(nullptr), PREDICATE_IDB));
}

inline std::string trim(const std::string &s) {
    size_t b = s.find_first_not_of(" \t\n");
    size_t e = s.find_last_not_of(" \t\n");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

inline std::vector<std::string> split(const std::string &s, const std::string &separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t p = s.find(separator, start);
        std::string part = trim(s.substr(start, p == std::string::npos ? std::string::npos : p - start));
        if (!part.empty()) parts.push_back(part);
        if (p == std::string::npos) break;
        start = p + separator.size();
    }
    return parts;
}

inline GBODY bodyOf(const std::string &text) {
    GBODY body;
    for (const std::string &l : split(text, ",")) {
        if (l.rfind("not ", 0) == 0)
            body.add(GLITERAL(atomNumber(trim(l.substr(4))), true));
        else
            body.add(GLITERAL(atomNumber(l), false));
    }
    return body;
}

// Replaces the global ground program by the statements of the text (separated by newlines) and
// sets groundAtomCount and maxLevel.
inline void loadGroundProgram(const std::string &text) {
    groundRules.clear();
    groundConstraints.clear();
    groundWeakConstraints.clear();
    violatedWeakConstraints.clear();
    maxLevel = 0;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        line = trim(line);
        if (line.empty()) continue;
        if (line.rfind(":~", 0) == 0) {
            size_t dot = line.find('.');
            GBODY body = bodyOf(line.substr(2, dot - 2));
            size_t open = line.find('[', dot), colon = line.find(':', open), close = line.find(']', colon);
            int32_t weight = std::stoi(line.substr(open + 1, colon - open - 1)) * 1000;
            int32_t level = std::stoi(line.substr(colon + 1, close - colon - 1));
            maxLevel = std::max<uint32_t>(maxLevel, static_cast<uint32_t>(level));
            groundWeakConstraints.emplace_back(std::move(body), makeIntegerTerm(weight), makeIntegerTerm(level));
        } else if (line.rfind(":-", 0) == 0) {
            groundConstraints.emplace_back(bodyOf(line.substr(2, line.size() - 3)));
        } else {
            std::string rule = line.substr(0, line.size() - 1);
            size_t arrow = rule.find(":-");
            std::vector<GATOM_ID> head;
            for (const std::string &h : split(rule.substr(0, arrow), "|")) head.push_back(atomNumber(h));
            bool hasBody = arrow != std::string::npos;
            GBODY body = hasBody ? bodyOf(rule.substr(arrow + 2)) : GBODY();
            groundRules.emplace_back(std::move(head), std::move(body), hasBody);
        }
    }
    groundAtomCount = groundAtomTable.size();
}

// The names of the atoms true in an assignment, sorted.
inline std::set<std::string> trueNames(const TRUTH_ASSIGNMENT &a) {
    std::set<std::string> names;
    for (uint32_t i = 0; i < a.values.size(); ++i)
        if (a.isTrue(static_cast<GATOM_ID>(i)))
            names.insert(predicateTable.name(groundAtomTable[static_cast<GATOM_ID>(i)].predicate));
    return names;
}

}  // namespace testing_ground
