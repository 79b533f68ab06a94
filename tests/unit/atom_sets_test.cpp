#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/program.h"

namespace {

TERM c(const char *name) { return makeConstantTerm(name); }
ATOM atom(const char *predicate, std::vector<TERM> args) { return ATOM(predicate, args, PREDICATE_EDB); }

// The set as "p(a,b)" strings in iteration order; names only, no printer involved.
std::vector<std::string> listing(const ATOM_SETS &sets) {
    std::vector<std::string> out;
    for (const ATOM_SET &set : sets)
        for (const ATOM &a : set) {
            std::string s = predicateTable.name(a.predicate);
            for (TERM t : a.args()) s += std::string(" ") + (t.isConstant() ? constantName(t) : "?");
            out.push_back(s);
        }
    return out;
}

TEST(AtomSets, FactsKeepTheOrderOfInterningNotOfNames) {
    ATOM_SETS facts;
    facts.insert(atom("kas_p", {c("kas_b")}));
    facts.insert(atom("kas_p", {c("kas_a")}));
    facts.insert(atom("kas_q", {c("kas_c")}));
    facts.insert(atom("kas_p", {c("kas_b")}));
    EXPECT_EQ(listing(facts), (std::vector<std::string>{"kas_p kas_b", "kas_p kas_a", "kas_q kas_c"}));
    EXPECT_EQ(facts.atomCount(), 3u);
}

TEST(AtomSets, InsertGrowsToThePredicateTableAndReportsDuplicates) {
    ATOM_SETS sets;
    ATOM p = atom("kag_p", {c("kag_a")});
    EXPECT_EQ(sets.predicateCount(), 0u);
    auto [position, inserted] = sets.insert(p);
    EXPECT_TRUE(inserted);
    EXPECT_EQ(sets.predicateCount(), predicateTable.size());
    EXPECT_EQ(compareAtom(*position, p), 0);
    auto again = sets.insert(p);
    EXPECT_FALSE(again.second);
    EXPECT_EQ(again.first, position);
    EXPECT_TRUE(sets.contains(p));
}

TEST(AtomSets, PredicatesBeyondTheVectorHaveNoAtoms) {
    ATOM_SETS sets;
    EXPECT_FALSE(sets.contains(atom("kab_early", {})));
    sets.insert(atom("kab_p", {}));
    uint32_t before = sets.predicateCount();
    ATOM late = atom("kab_registered_later", {c("x")});
    // Reading a set that was never grown for the predicate answers "not contained".
    EXPECT_FALSE(sets.contains(late));
    EXPECT_FALSE(sets.containsChecked(late));
    EXPECT_TRUE(sets.atomsOf(late).empty());
    EXPECT_FALSE(sets.erase(late));
    EXPECT_EQ(sets.predicateCount(), before) << "lookups do not grow the vector";
}

TEST(AtomSets, PositionsStayValidAndClearKeepsTheLength) {
    ATOM_SETS sets;
    auto first = sets.insert(atom("kps_p", {makeIntegerTerm(500)})).first;
    for (int i = 0; i < 1000; i++) sets.insert(atom("kps_p", {makeIntegerTerm(i)}));
    EXPECT_EQ(first->arg(0), makeIntegerTerm(500));
    EXPECT_TRUE(sets.erase(atom("kps_p", {makeIntegerTerm(3)})));
    EXPECT_EQ(first->arg(0), makeIntegerTerm(500));
    // Integers in value order.
    const ATOM_SET &ps = sets.atomsOf(first->predicate);
    EXPECT_EQ(ps.begin()->arg(0), makeIntegerTerm(0));
    EXPECT_EQ(ps.rbegin()->arg(0), makeIntegerTerm(999));
    uint32_t length = sets.predicateCount();
    sets.clear();
    EXPECT_EQ(sets.predicateCount(), length);
    EXPECT_TRUE(sets.empty());
}

TEST(AtomSets, LookupsByPredicateAndArguments) {
    ATOM_SETS sets;
    ATOM pab = atom("kav_p", {c("kav_a"), c("kav_b")});
    sets.insert(pab);
    std::vector<TERM> ab{c("kav_a"), c("kav_b")}, ba{c("kav_b"), c("kav_a")}, a{c("kav_a")};
    EXPECT_TRUE(sets.contains(ATOM_VIEW{pab.predicate, ab}));
    EXPECT_FALSE(sets.contains(ATOM_VIEW{pab.predicate, ba}));
    EXPECT_FALSE(sets.contains(ATOM_VIEW{pab.predicate, a}));
    ASSERT_TRUE(sets.find(ATOM_VIEW{pab.predicate, ab}).has_value());
    EXPECT_EQ(compareAtom(**sets.find(ATOM_VIEW{pab.predicate, ab}), pab), 0);
    EXPECT_FALSE(sets.find(ATOM_VIEW{pab.predicate, ba}).has_value());
    ATOM late = atom("kav_later", {});
    EXPECT_FALSE(sets.contains(ATOM_VIEW{late.predicate, {}}));
    EXPECT_FALSE(sets.find(ATOM_VIEW{late.predicate, {}}).has_value());
}

TEST(AtomSets, CursorOverOnePredicateName) {
    ATOM_SET set;
    set.insert(atom("kcu_p", {c("kcu_a")}));
    set.insert(atom("kcu_q", {c("kcu_a")}));
    set.insert(atom("kcu_q", {c("kcu_b")}));
    set.insert(atom("kcu_r", {}));
    ATOM_CURSOR cursor = atomsOfPredicate(set, atom("kcu_q", {c("kcu_z")}));
    std::vector<TERM> seen;
    for (; !cursor.atEnd(); cursor.advance()) seen.push_back(cursor.current->arg(0));
    EXPECT_EQ(seen, (std::vector<TERM>{c("kcu_a"), c("kcu_b")}));
    EXPECT_TRUE(atomsOfPredicate(set, atom("kcu_none", {})).atEnd());
}

TEST(ProgramStore, ObjectsAndInterpretation) {
    OBJECT object(c("#defaultobject"), &EDB, &IDB);
    EXPECT_EQ(object.facts, &EDB);
    ATOM fact = atom("kob_p", {c("kob_a")});
    EXPECT_TRUE(object.addFact(fact).second);
    EXPECT_TRUE(EDB.contains(fact));
    EXPECT_FALSE(object.addFact(fact).second);
    EDB.erase(fact);

    INTERPRETATION interpretation;
    interpretation.positive.insert(fact);
    interpretation.undefined.insert(atom("kob_q", {}));
    interpretation.clear();
    EXPECT_TRUE(interpretation.positive.empty());
    EXPECT_TRUE(interpretation.undefined.empty());
}

TEST(ProgramStore, VariableMapNumbersInOrderOfFirstOccurrence) {
    VARIABLE_MAP map;
    EXPECT_EQ(map.number("Y"), 0u);
    EXPECT_EQ(map.number("X"), 1u);
    EXPECT_EQ(map.number("Y"), 0u);
    EXPECT_EQ(map.next, 2u);
    map.clear();
    EXPECT_EQ(map.number("X"), 0u);
}

TEST(ProgramStore, GlobalsStartAsSpecified) {
    EXPECT_TRUE(queryIsGround);
    EXPECT_TRUE(rulesAreGround);
    EXPECT_TRUE(constraintsAreGround);
    EXPECT_TRUE(weakConstraintsAreGround);
    EXPECT_FALSE(objectsUsed);
    EXPECT_STREQ(variablePrefix, "_");
    EXPECT_EQ(query, nullptr);
}

} // namespace
