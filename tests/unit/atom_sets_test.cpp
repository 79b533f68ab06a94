#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <span>
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
        for (ATOM_REF a : set) {
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
    EXPECT_TRUE(sets.insert(p));
    EXPECT_EQ(sets.predicateCount(), predicateTable.size());
    EXPECT_FALSE(sets.insert(p));
    EXPECT_TRUE(sets.contains(p));
    EXPECT_EQ(sets.atomsOf(p).size(), 1u);
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

TEST(AtomSets, IntegersInValueOrderAndClearKeepsTheLength) {
    ATOM_SETS sets;
    ATOM first = atom("kps_p", {makeIntegerTerm(500)});
    sets.insert(first);
    for (int i = 999; i >= 0; i--) sets.insert(atom("kps_p", {makeIntegerTerm(i)}));
    EXPECT_TRUE(sets.erase(atom("kps_p", {makeIntegerTerm(3)})));
    const ATOM_SET &ps = sets.atomsOf(first.predicate);
    EXPECT_EQ(ps.size(), 999u);
    std::vector<int32_t> values;
    for (ATOM_REF a : ps) values.push_back(integerValue(a.arg(0)));
    ASSERT_EQ(values.size(), 999u);
    EXPECT_EQ(values.front(), 0);
    EXPECT_EQ(values[3], 4);
    EXPECT_EQ(values.back(), 999);
    EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
    uint32_t length = sets.predicateCount();
    sets.clear();
    EXPECT_EQ(sets.predicateCount(), length);
    EXPECT_TRUE(sets.empty());
}

// Clearing and the list of predicates in use touch only the predicates that received atoms;
// the list must still name them in index order, forget them on clear, and leave every other
// set empty, whatever the order of insertion and erasure.
TEST(AtomSets, UsedPredicatesInIndexOrderAndClearedWithTheSets) {
    ATOM_SETS sets;
    std::vector<ATOM> atoms;
    for (int i = 0; i < 6; i++) atoms.push_back(atom(("kau_p" + std::to_string(i)).c_str(), {c("kau_a")}));
    for (int i : {4, 1, 5, 1}) sets.insert(atoms[size_t(i)]);
    std::vector<uint32_t> expected{atoms[1].predicate, atoms[4].predicate, atoms[5].predicate};
    std::span<const uint32_t> used = sets.usedPredicates();
    EXPECT_EQ(std::vector<uint32_t>(used.begin(), used.end()), expected);
    EXPECT_EQ(sets.atomCount(), 3u);
    // An erased atom's predicate stays listed with an empty set; the count follows the sets.
    sets.erase(atoms[4]);
    EXPECT_EQ(sets.atomCount(), 2u);
    sets.clear();
    EXPECT_TRUE(sets.usedPredicates().empty());
    EXPECT_TRUE(sets.empty());
    for (const ATOM &a : atoms) EXPECT_FALSE(sets.contains(a));
    // Refilling after a clear lists each predicate once more and reads back what was put in.
    sets.insert(atoms[0]);
    sets.insert(atoms[4]);
    used = sets.usedPredicates();
    EXPECT_EQ(std::vector<uint32_t>(used.begin(), used.end()),
              (std::vector<uint32_t>{atoms[0].predicate, atoms[4].predicate}));
    EXPECT_EQ(listing(sets), (std::vector<std::string>{"kau_p0 kau_a", "kau_p4 kau_a"}));
}

// The rows of one predicate's set against a reference ordered set of the same atoms.
std::vector<int32_t> valuesOf(const ATOM_SET &set) {
    std::vector<int32_t> values;
    for (ATOM_REF a : set) values.push_back(integerValue(a.arg(0)));
    return values;
}

TEST(AtomSets, AnyInsertionOrderReadsBackInAtomOrder) {
    // In order, in reverse, at random, and as interleaved sorted runs (how Delta moves into I),
    // with reads in between that merge what is pending.
    std::mt19937 random(7);
    struct CASE {
        const char *name;
        std::vector<std::vector<int32_t>> batches; // each batch inserted, then the set read
    };
    std::vector<int32_t> up(3000), down(3000), shuffled(3000);
    for (int32_t i = 0; i < 3000; i++) up[size_t(i)] = i, down[size_t(i)] = 2999 - i, shuffled[size_t(i)] = i;
    std::shuffle(shuffled.begin(), shuffled.end(), random);
    std::vector<std::vector<int32_t>> runs;
    for (int32_t r = 0; r < 10; r++) {
        std::vector<int32_t> run;
        for (int32_t i = r; i < 3000; i += 10) run.push_back(i);
        runs.push_back(run);
    }
    std::vector<int32_t> allRuns;
    for (const auto &run : runs) allRuns.insert(allRuns.end(), run.begin(), run.end());
    const CASE cases[] = {
        {"in order", {up}},
        {"reverse", {down}},
        {"random", {shuffled}},
        {"runs read once", {allRuns}},
        {"runs read after each", runs},
        {"duplicates", {up, shuffled, down}},
    };
    for (const CASE &k : cases) {
        std::string name = std::string("kao_") + std::to_string(&k - cases);
        ATOM_SETS sets;
        std::set<int32_t> reference;
        uint32_t p = atom(name.c_str(), {makeIntegerTerm(0)}).predicate;
        for (const auto &batch : k.batches) {
            for (int32_t v : batch) {
                bool inserted = sets.insert(atom(name.c_str(), {makeIntegerTerm(v)}));
                EXPECT_EQ(inserted, reference.insert(v).second) << k.name << " " << v;
            }
            EXPECT_EQ(valuesOf(sets.atomsOf(p)), std::vector<int32_t>(reference.begin(), reference.end())) << k.name;
            EXPECT_EQ(sets.atomsOf(p).size(), reference.size()) << k.name;
        }
    }
}

TEST(AtomSets, UnorderedAtomsOfEveryArityAndKindReadBackInAtomOrder) {
    // Rows that come in no order are sorted by keys of their first two arguments: integers by
    // value (negative ones and the extremes included), kinds before values, and atoms that agree
    // on two arguments told apart by the third.
    std::mt19937 random(11);
    uint32_t f = functionSymbolTable.add("kak_f").first;
    std::vector<TERM> pool = {makeIntegerTerm(INT32_MIN), makeIntegerTerm(-7), makeIntegerTerm(-1),
                              makeIntegerTerm(0), makeIntegerTerm(3), makeIntegerTerm(INT32_MAX),
                              c("kak_b"), c("kak_a")};
    for (int32_t i = 0; i < 3; i++) {
        TERM arg = makeIntegerTerm(2 - i);
        pool.push_back(makeComplexTerm(COMPLEX_TERM::function(f, std::span<const TERM>(&arg, 1), true)));
    }
    for (uint32_t arity = 1; arity <= 3; arity++) {
        std::string name = "kak_p" + std::to_string(arity);
        ATOM_SETS sets;
        ORDERED_ATOMS reference;
        for (int i = 0; i < 3000; i++) {
            std::vector<TERM> args;
            for (uint32_t k = 0; k < arity; k++) args.push_back(pool[random() % pool.size()]);
            ATOM a = atom(name.c_str(), args);
            EXPECT_EQ(sets.insert(a), reference.insert(a).second) << name;
        }
        std::vector<ATOM> read;
        for (ATOM_REF a : sets.atomsOf(reference.begin()->predicate)) read.push_back(a.atom());
        EXPECT_TRUE(std::equal(read.begin(), read.end(), reference.begin(), reference.end(),
                               [](const ATOM &x, const ATOM &y) { return compareAtom(x, y) == 0; }))
            << name;
    }
}

TEST(AtomSets, ErasedAtomsLeaveTheOrderAndComeBackOnce) {
    ATOM_SETS sets;
    auto a = [](int32_t v) { return atom("kae_p", {makeIntegerTerm(v)}); };
    for (int32_t v = 0; v < 100; v++) sets.insert(a(v));
    uint32_t p = a(0).predicate;
    std::set<int32_t> reference;
    for (int32_t v = 0; v < 100; v++) reference.insert(v);
    // Erase while walking the rows (post-processing thins a set this way), then insert some again,
    // before and after reads.
    for (uint32_t row : sets.atomsOf(p).rows()) {
        if (integerValue(atomStore.args(p, row)[0]) % 3 == 0) {
            EXPECT_TRUE(sets.eraseRow(p, row));
        }
    }
    for (int32_t v = 0; v < 100; v += 3) reference.erase(v);
    EXPECT_FALSE(sets.contains(a(3)));
    EXPECT_FALSE(sets.erase(a(3)));
    EXPECT_TRUE(sets.insert(a(3)));
    EXPECT_FALSE(sets.insert(a(98)));
    reference.insert(3);
    EXPECT_EQ(valuesOf(sets.atomsOf(p)), std::vector<int32_t>(reference.begin(), reference.end()));
    EXPECT_TRUE(sets.erase(a(3)));
    EXPECT_TRUE(sets.insert(a(3)));
    EXPECT_TRUE(sets.insert(a(6)));
    reference.insert(6);
    EXPECT_EQ(valuesOf(sets.atomsOf(p)), std::vector<int32_t>(reference.begin(), reference.end()));
    EXPECT_EQ(sets.atomCount(), reference.size());
    // Everything erased: empty, and usable again.
    for (int32_t v = 0; v < 100; v++) sets.erase(a(v));
    EXPECT_TRUE(sets.empty());
    EXPECT_TRUE(valuesOf(sets.atomsOf(p)).empty());
    sets.insert(a(50));
    sets.insert(a(5));
    EXPECT_EQ(valuesOf(sets.atomsOf(p)), (std::vector<int32_t>{5, 50}));
    sets.clear();
    EXPECT_FALSE(sets.contains(a(5)));
    sets.insert(a(7));
    EXPECT_EQ(valuesOf(sets.atomsOf(p)), (std::vector<int32_t>{7}));
}

TEST(AtomSets, TakeAllEmptiesThePredicateInAtomOrder) {
    ATOM_SETS sets;
    sets.insert(atom("kta_p", {c("kta_b")}));
    sets.insert(atom("kta_p", {c("kta_a")}));
    sets.insert(atom("kta_q", {c("kta_c")}));
    uint32_t p = atom("kta_p", {c("kta_a")}).predicate;
    std::vector<ATOM> taken = sets.takeAll(p);
    ASSERT_EQ(taken.size(), 2u);
    EXPECT_EQ(taken[0].arg(0), c("kta_b"));
    EXPECT_EQ(taken[1].arg(0), c("kta_a"));
    EXPECT_TRUE(sets.atomsOf(p).empty());
    EXPECT_EQ(sets.atomCount(), 1u);
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
    EXPECT_EQ(compareAtom(pab, sets.find(ATOM_VIEW{pab.predicate, ab})->view()), 0);
    EXPECT_FALSE(sets.find(ATOM_VIEW{pab.predicate, ba}).has_value());
    ATOM late = atom("kav_later", {});
    EXPECT_FALSE(sets.contains(ATOM_VIEW{late.predicate, {}}));
    EXPECT_FALSE(sets.find(ATOM_VIEW{late.predicate, {}}).has_value());
}

TEST(AtomSets, CursorOverOnePredicateName) {
    ORDERED_ATOMS set;
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
    EXPECT_TRUE(object.addFact(fact));
    EXPECT_TRUE(EDB.contains(fact));
    EXPECT_FALSE(object.addFact(fact));
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
