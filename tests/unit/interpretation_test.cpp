// Interpretations during grounding: the end-of-iteration move of Delta into I with its index
// upkeep, the post-processing of the ground rules, and the selectivity counts.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/program.h"
#include "grounding/ground_program.h"
#include "grounding/interpretation.h"
#include "grounding/selectivity_statistics.h"

namespace {

TERM c(const char *name) { return makeConstantTerm(name); }
TERM n(int32_t v) { return makeIntegerTerm(v); }
TERM var(uint32_t v) { return makeVariableTerm(v); }
ATOM atom(const std::string &name, std::vector<TERM> args, PREDICATE_KIND kind = PREDICATE_IDB) {
    return ATOM(name.c_str(), std::span<const TERM>(args), kind);
}

// An argument index that records what the move asks of it.
struct RECORDING_INDEX {
    std::vector<uint32_t> states;
    uint32_t predicate = 0;
    std::vector<std::string> calls;
    void logMove(uint32_t row, uint32_t part) {
        calls.push_back("move " + std::to_string(atomStore.args(predicate, row)[0].value) + " part " +
                        std::to_string(part));
    }
};

TEST(MergeDelta, MovesAtomsCountsThemAndKeepsIndicesInStep) {
    I.clear();
    ATOM pa = atom("md_p", {c("md_a")}), pb = atom("md_p", {c("md_b")});
    ATOM q = atom("md_q", {c("md_a"), c("md_b")});
    uint32_t p = pa.predicate;
    // md_p(md_a) was undefined and becomes true; md_p(md_b) becomes undefined; md_q(a,b) true.
    I.undefined.insert(pa);
    INTERPRETATION delta;
    delta.positive.insert(pa);
    delta.positive.insert(q);
    delta.undefined.insert(pb);

    std::vector<uint32_t> atomCount(predicateTable.size(), 0), deltaCount(predicateTable.size(), 7);
    std::vector<std::unique_ptr<RECORDING_INDEX>> indices(predicateTable.size());
    indices[p] = std::make_unique<RECORDING_INDEX>();
    indices[p]->states = {2};
    indices[p]->predicate = p;
    mergeDelta(I, delta, atomCount, deltaCount, indices);

    EXPECT_TRUE(I.positive.contains(pa));
    EXPECT_FALSE(I.undefined.contains(pa));
    EXPECT_TRUE(I.undefined.contains(pb));
    EXPECT_TRUE(I.positive.contains(q));
    EXPECT_EQ(atomCount[p], 2u);
    EXPECT_EQ(atomCount[q.predicate], 1u);
    EXPECT_EQ(deltaCount[p], 0u);
    EXPECT_EQ(deltaCount[q.predicate], 0u);
    std::string a = std::to_string(c("md_a").value), b = std::to_string(c("md_b").value);
    EXPECT_EQ(indices[p]->calls, (std::vector<std::string>{"move " + a + " part 1", "move " + b + " part 2"}));
    EXPECT_TRUE(delta.positive.empty() && delta.undefined.empty());
}

TEST(MergeDelta, AnAtomAlreadyTrueIsCountedButNotMovedAgain) {
    I.clear();
    ATOM pa = atom("mu_p", {c("mu_a"), c("mu_b")});
    I.positive.insert(pa);
    INTERPRETATION delta;
    delta.positive.insert(pa);  // already true: counted, but no index entry is added twice
    std::vector<uint32_t> atomCount(predicateTable.size(), 0), deltaCount(predicateTable.size(), 0);
    std::vector<std::unique_ptr<RECORDING_INDEX>> indices(predicateTable.size());
    indices[pa.predicate] = std::make_unique<RECORDING_INDEX>();
    indices[pa.predicate]->states = {0, 3};
    indices[pa.predicate]->predicate = pa.predicate;
    mergeDelta(I, delta, atomCount, deltaCount, indices);
    EXPECT_EQ(atomCount[pa.predicate], 1u);
    EXPECT_TRUE(indices[pa.predicate]->calls.empty()) << "nothing was added to I";
}

GATOM_ID ground(const char *name) { return groundAtomTable.add(atom(name, {})); }

GRULE rule(std::vector<GATOM_ID> head, std::vector<GLITERAL> body, bool hasBody = true) {
    GBODY b;
    for (GLITERAL l : body)
        b.add(l);
    return GRULE(std::move(head), std::move(b), hasBody);
}

TEST(SimplifyGroundRules, DropsSatisfiedRulesAndFillsTheGapFromTheEnd) {
    I.clear();
    groundRules.clear();
    GATOM_ID t = ground("sg_t"), a = ground("sg_a"), b = ground("sg_b"), d = ground("sg_d"),
             e = ground("sg_e"), f = ground("sg_f");
    I.positive.insert(groundAtomTable[t]);
    I.undefined.insert(groundAtomTable[f]);  // stale: rebuilt from the surviving heads
    groundRules.push_back(rule({a}, {{b, false}}));             // r1 kept
    groundRules.push_back(rule({d, t}, {{b, false}}));          // r2 true head: dropped
    groundRules.push_back(rule({b}, {{t, false}, {a, true}}));  // r3 kept, t removed
    groundRules.push_back(rule({e}, {{a, false}}));             // r4 fills r2's place
    groundRules.push_back(rule({f}, {{t, true}}));              // r5 false body: dropped

    simplifyGroundRules();

    ASSERT_EQ(groundRules.size(), 3u);
    EXPECT_EQ(groundRules[0].head, std::vector<GATOM_ID>{a});
    EXPECT_EQ(groundRules[1].head, std::vector<GATOM_ID>{e});
    EXPECT_EQ(groundRules[2].head, std::vector<GATOM_ID>{b});
    // r3 lost its true positive literal; its negated literal stays.
    ASSERT_EQ(groundRules[2].body.size(), 1u);
    EXPECT_EQ(groundRules[2].body.firstNegative, 0u);
    EXPECT_EQ(groundRules[2].body.literals[0], GLITERAL(a, true));
    EXPECT_EQ(I.undefined.atomCount(), 3u);
    EXPECT_TRUE(I.undefined.contains(groundAtomTable[a]));
    EXPECT_TRUE(I.undefined.contains(groundAtomTable[b]));
    EXPECT_TRUE(I.undefined.contains(groundAtomTable[e]));
    EXPECT_FALSE(I.undefined.contains(groundAtomTable[f]));
}

TEST(SimplifyGroundRules, BodyOfTrueLiteralsBecomesEmptyButTheRuleStays) {
    I.clear();
    groundRules.clear();
    GATOM_ID t = ground("se_t"), h = ground("se_h"), u = ground("se_u");
    I.positive.insert(groundAtomTable[t]);
    groundRules.push_back(rule({h}, {{t, false}}));
    groundRules.push_back(rule({h, u}, {}, false));
    groundRules.push_back(rule({u}, {{t, true}}));  // the last rule dropped: nothing fills
    simplifyGroundRules();
    ASSERT_EQ(groundRules.size(), 2u);
    EXPECT_TRUE(groundRules[0].hasBody);
    EXPECT_TRUE(groundRules[0].body.empty());
    EXPECT_FALSE(groundRules[1].hasBody);
}

TEST(SelectivityStatistics, CountsDistinctValuesPerPositionOfTheAskingLiteral) {
    EDB.insert(atom("ss_p", {n(1), c("ss_a")}, PREDICATE_EDB));
    EDB.insert(atom("ss_p", {n(2), c("ss_a")}, PREDICATE_EDB));
    EDB.insert(atom("ss_p", {n(3), c("ss_b")}, PREDICATE_EDB));
    LITERAL open(atom("ss_p", {var(0), var(1)}, PREDICATE_EDB), false);
    LITERAL withConstant(atom("ss_p", {var(0), c("ss_a")}, PREDICATE_EDB), false);
    uint32_t p = open.atom.predicate;

    SELECTIVITY_STATISTICS s;
    s.compute(open, false, nullptr);
    EXPECT_EQ(s.count(p, 0), 3.0);
    EXPECT_EQ(s.count(p, 1), 2.0);

    s.invalidate(p);
    EXPECT_FALSE(s.isComputed(p));
    s.ensure(withConstant, false, nullptr);
    EXPECT_EQ(s.count(p, 0), 3.0);
    EXPECT_EQ(s.count(p, 1), 0.0);
    s.ensure(open, false, nullptr);  // still computed: the constant's reading stays
    EXPECT_EQ(s.count(p, 1), 0.0);
    s.clear();
    s.ensure(open, false, nullptr);
    EXPECT_EQ(s.count(p, 1), 2.0);
    EXPECT_TRUE(s.seenPairs.empty());
}

TEST(SelectivityStatistics, IdbCountsSpanIAndDeltaOnlyWhenAsked) {
    I.clear();
    LITERAL l(atom("sd_p", {var(0)}), false);
    I.positive.insert(atom("sd_p", {c("sd_a")}));
    I.undefined.insert(atom("sd_p", {c("sd_b")}));
    INTERPRETATION delta;
    delta.positive.insert(atom("sd_p", {c("sd_a")}));  // counted once over all ranges
    delta.undefined.insert(atom("sd_p", {c("sd_c")}));
    SELECTIVITY_STATISTICS s;
    s.compute(l, false, &delta);
    EXPECT_EQ(s.count(l.atom.predicate, 0), 2.0);
    s.invalidate(l.atom.predicate);
    s.compute(l, true, &delta);
    EXPECT_EQ(s.count(l.atom.predicate, 0), 3.0);
}

TEST(SelectivityStatistics, ConstantAndIntegerWithEqualTableIndexAreOneValue) {
    // Bring both tables to the same next index, then intern one of each.
    int k = 0;
    while (constantTable.size() < integerTable.size())
        makeConstantTerm(("sc_fill" + std::to_string(k++)).c_str());
    while (integerTable.size() < constantTable.size())
        makeIntegerTerm(700000 + k++);
    TERM constant = c("sc_same"), integer = n(800000);
    ASSERT_EQ(constant.value, integer.value);
    EDB.insert(atom("sc_p", {constant}, PREDICATE_EDB));
    EDB.insert(atom("sc_p", {integer}, PREDICATE_EDB));
    LITERAL l(atom("sc_p", {var(0)}, PREDICATE_EDB), false);
    SELECTIVITY_STATISTICS s;
    s.compute(l, false, nullptr);
    EXPECT_EQ(s.count(l.atom.predicate, 0), 1.0);
}

// The grounder invalidates, after each iteration, the counted predicates that are not complete;
// it walks only those counted since its last walk, so one counted, invalidated directly and
// counted again must still be found, and a predicate the test spares keeps its counts (a
// predicate once complete stays complete, so later walks need not look at it again).
TEST(SelectivityStatistics, InvalidateWhereReachesEveryCountedPredicateTheTestNames) {
    for (const char *name : {"sw_p", "sw_q"}) {
        EDB.insert(atom(name, {c("sw_a")}, PREDICATE_EDB));
        EDB.insert(atom(name, {c("sw_b")}, PREDICATE_EDB));
    }
    LITERAL p(atom("sw_p", {var(0)}, PREDICATE_EDB), false);
    LITERAL q(atom("sw_q", {var(0)}, PREDICATE_EDB), false);
    uint32_t pp = p.atom.predicate, qp = q.atom.predicate;
    SELECTIVITY_STATISTICS s;
    s.ensure(p, false, nullptr);
    s.ensure(q, false, nullptr);
    s.invalidate(pp);
    s.ensure(p, false, nullptr);
    s.invalidateWhere([&](uint32_t x) { return x == pp; });
    EXPECT_FALSE(s.isComputed(pp));
    EXPECT_EQ(s.count(pp, 0), 0.0);
    EXPECT_TRUE(s.isComputed(qp));
    s.invalidateWhere([&](uint32_t x) { return x == pp; });
    EXPECT_EQ(s.count(qp, 0), 2.0);
    s.ensure(p, false, nullptr);
    EXPECT_EQ(s.count(pp, 0), 2.0);
    s.invalidateWhere([](uint32_t) { return true; });
    EXPECT_FALSE(s.isComputed(pp));
    EXPECT_TRUE(s.isComputed(qp)) << "declined once, not walked again until counted anew";
    s.invalidate(qp);
    s.ensure(q, false, nullptr);
    s.invalidateWhere([](uint32_t) { return true; });
    EXPECT_FALSE(s.isComputed(qp));
}

TEST(SelectivityStatistics, PredicatesRegisteredLaterGetTheirArrays) {
    SELECTIVITY_STATISTICS s;
    LITERAL l(atom("sl_late", {var(0), var(1)}, PREDICATE_EDB), false);
    EDB.insert(atom("sl_late", {c("sl_a"), c("sl_b")}, PREDICATE_EDB));
    EXPECT_FALSE(s.isComputed(l.atom.predicate));
    s.invalidate(l.atom.predicate);
    s.ensure(l, false, nullptr);
    EXPECT_EQ(s.count(l.atom.predicate, 1), 1.0);
}

}  // namespace
