#include "grounding/propositional_grounder.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "core/aggregate_function.h"
#include "core/program.h"

namespace {

// Per ground literal (atom number and sign) the number of the statement that last took it, so
// that a repeated head atom or body literal is found in constant time however long the head or
// the body is.
class LITERAL_MARKS {
public:
    void nextStatement() {
        if (++stamp != 0) return;
        std::fill(marks.begin(), marks.end(), 0);
        stamp = 1;
    }
    // Takes the literal for the current statement; false when it was taken already.
    bool take(GATOM_ID atom, bool negated) {
        size_t slot = 2 * size_t(uint32_t(atom)) + (negated ? 1 : 0);
        if (slot >= marks.size()) marks.resize(std::max(slot + 1, 2 * marks.size()), 0);
        if (marks[slot] == stamp) return false;
        marks[slot] = stamp;
        return true;
    }

private:
    std::vector<uint32_t> marks;
    uint32_t stamp = 1;
};

// Interns the aggregate function of a stored aggregate atom as the component grounder does: its
// ground set first, then the function itself. A later occurrence finds both done.
void internAggregate(GATOM_ID id) {
    AGGREGATE_ATOM &stored = *groundAtomTable.mutableAggregate(id).aggregate();
    // A function that never had a set of its own is given an empty one, so that its interned
    // form names the empty set and not whichever set happens to be number 0.
    if (stored.function && !stored.function->ownSet) stored.function->ownSet = std::make_unique<GROUND_SET>();
    if (AGGREGATEFUNCTION *f = stored.getFunction()) f->internGroundSet();
    if (!stored.function) return;
    stored.functionIndex = aggregateFunctionTable.intern(*stored.function).first;
    delete stored.function;
    stored.function = nullptr;
}

// The body conversion; duplicates are found through the marks when given, else by a scan of
// `out`. The literals come positive first, so a positive literal is always appended at the end
// of the positive part without moving a negated one.
bool convertLiterals(const CONJUNCTION &body, const ATOM_SETS &facts, GBODY &out, LITERAL_MARKS *marks) {
    for (const LITERAL &literal : body) {
        const ATOM &atom = literal.atom;
        bool negated = literal.isNegated();
        if (predicateTable.kind(atom.predicate) == PREDICATE_EDB) {
            // A true literal is dropped; a false one makes the whole body false.
            if (facts.contains(ATOM_VIEW{atom.predicate, atom.args()}) == negated) return false;
            continue;
        }
        GATOM_ID id;
        if (atom.isAggregate()) {
            id = groundAtomTable.add(atom);
            internAggregate(id);
        } else {
            id = groundAtomTable.add(atom.predicate, atom.args());
        }
        GLITERAL ground(id, negated);
        if (!marks) out.add(ground);
        else if (marks->take(id, negated)) out.append(ground);
    }
    return true;
}

void clearBody(GBODY &body) {
    body.literals.clear();
    body.firstNegative = 0;
}

} // namespace

bool convertBody(const CONJUNCTION &body, const ATOM_SETS &facts, GBODY &out) {
    return convertLiterals(body, facts, out, nullptr);
}

bool groundPropositional(const std::vector<RULE> &rules, const std::vector<CONSTRAINT> &programConstraints,
                         const std::vector<WEAKCONSTRAINT> &programWeakConstraints, const ATOM_SETS &facts,
                         std::vector<GRULE> &outRules, std::vector<GCONSTRAINT> &outConstraints,
                         std::vector<GWEAKCONSTRAINT> &outWeakConstraints,
                         std::vector<GWEAKCONSTRAINT> &outViolatedWeakConstraints, bool instantiate) {
    LITERAL_MARKS marks;
    // Heads and bodies are built in these buffers and copied at their exact size only when the
    // statement is kept: a dropped statement allocates nothing.
    std::vector<GATOM_ID> head;
    GBODY body;

    for (const RULE &rule : rules) {
        // The head is numbered before the body is looked at, so the head atoms of a dropped rule
        // are in the table all the same.
        head.clear();
        marks.nextStatement();
        for (const ATOM &atom : rule.head) {
            GATOM_ID id = groundAtomTable.add(atom.predicate, atom.args());
            if (marks.take(id, false)) head.push_back(id);
        }
        clearBody(body);
        if (rule.body) {
            marks.nextStatement();
            if (!convertLiterals(*rule.body, facts, body, &marks)) continue;
        }
        bool hasBody = !body.empty();
        outRules.emplace_back(std::vector<GATOM_ID>(head), hasBody ? GBODY(body) : GBODY(), hasBody);
    }

    for (const CONSTRAINT &constraint : programConstraints) {
        clearBody(body);
        marks.nextStatement();
        if (!convertLiterals(constraint.body, facts, body, &marks)) continue;
        if (!body.empty()) {
            outConstraints.emplace_back(GBODY(body));
            continue;
        }
        // Every answer set would violate this constraint: there is none.
        if (instantiate) {
            fputs("% A constraint will always be violated, \n", stdout);
            fflush(stdout);
            fputs("% so this program does not have any answer set.\n", stdout);
            fflush(stdout);
            fputs(":- not a_Constant_Never_Occurring_In_Regular_Programs.\n", stdout);
            fflush(stdout);
            outRules.clear();
            outConstraints.clear();
        }
        return false;
    }

    for (const WEAKCONSTRAINT &weak : programWeakConstraints) {
        clearBody(body);
        marks.nextStatement();
        if (convertLiterals(weak.body, facts, body, &marks)) {
            // A weight of 0 is kept: the pass decides nothing beyond the facts.
            std::vector<GWEAKCONSTRAINT> &to = body.empty() ? outViolatedWeakConstraints : outWeakConstraints;
            to.emplace_back(GBODY(body), weak.weight, weak.level);
        }
        // The level counts even when the body is false, as the parser has checked it already.
        if (weak.level.isInteger()) {
            int32_t level = integerValue(weak.level);
            if (level > 0 && uint32_t(level) > maxLevel) maxLevel = uint32_t(level);
        }
    }
    return true;
}
