#include "driver/model_output.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/program.h"
#include "grounding/ground_program.h"
#include "support/option_values.h"
#include "model_generator_insight.h"
#include "test_support.h"

namespace {

TERM c(const char *name) { return makeConstantTerm(name); }

GATOM_ID groundAtom(const char *predicate, std::vector<TERM> args, PREDICATE_KIND kind = PREDICATE_IDB) {
    return groundAtomTable.add(ATOM(predicate, args, kind));
}

std::string modelText(const ATOM_SETS *trueAtoms, const TRUTH_ASSIGNMENT *model) {
    return capture([&](FILE *f) { printModel(f, trueAtoms, model); });
}

// A MODEL_OUTPUT of the test's own, in use while the test runs.
struct OUTPUT_IN_USE {
    OUTPUT_CONFIG settings;
    MODEL_OUTPUT output;
    OUTPUT_IN_USE() {
        output.settings = &settings;
        useModelOutput(&output);
    }
    ~OUTPUT_IN_USE() { useModelOutput(nullptr); }
};

}  // namespace

TEST(ModelOutput, PrintModelSourcesFiltersAndHiddenPredicates) {
    OUTPUT_IN_USE used;
    EDB.clear();
    I.clear();
    EDB.insert(ATOM("mo_fact", std::vector<TERM>{c("e")}, PREDICATE_EDB));
    I.positive.insert(ATOM("mo_derived", std::vector<TERM>{c("d")}, PREDICATE_IDB));
    GATOM_ID pa = groundAtom("mo_p", {c("a")});
    GATOM_ID npb = groundAtom("-mo_p", {c("b")});
    GATOM_ID qc = groundAtom("mo_q", {c("c")});
    GATOM_ID hidden = groundAtom("aux#mo", {c("h")});
    GATOM_ID unset = groundAtom("mo_r", {c("z")});
    groundAtomCount = groundAtomTable.size();
    TRUTH_ASSIGNMENT m(groundAtomCount, 0u, TRUTH_FALSE);
    m.values[pa] = TRUTH_TRUE;
    m.values[npb] = TRUTH_TRUE_FROM_MUST_BE_TRUE;
    m.values[qc] = TRUTH_TRUE;
    m.values[hidden] = TRUTH_TRUE;
    m.values[unset] = TRUTH_MUST_BE_TRUE;  // not true

    struct {
        std::set<std::string> filter, pfilter;
        bool facts;
        const char *expected;
    } cases[] = {
        {{}, {}, true, "{mo_fact(e), mo_derived(d), mo_p(a), -mo_p(b), mo_q(c)}"},
        {{}, {}, false, "{mo_derived(d), mo_p(a), -mo_p(b), mo_q(c)}"},
        {{"mo_p"}, {}, true, "{mo_p(a), -mo_p(b)}"},
        {{}, {"mo_p"}, true, "{mo_p(a)}"},
        {{"aux#mo"}, {}, true, "{}"},  // internal predicates never show
        {{"mo_fact", "mo_q"}, {}, true, "{mo_fact(e), mo_q(c)}"},
    };
    for (auto &t : cases) {
        used.settings.optFilter = t.filter;
        used.settings.optPFilter = t.pfilter;
        used.settings.optFacts = t.facts;
        EXPECT_EQ(modelText(&I.positive, &m), t.expected);
    }
    used.settings.optFilter.clear();
    used.settings.optPFilter.clear();
    EXPECT_EQ(modelText(nullptr, nullptr).substr(0, 1), "{");
    EDB.clear();
    EXPECT_EQ(modelText(nullptr, nullptr), "{}");
    I.clear();
}

TEST(ModelOutput, CautiousConsequencesShrinkAndStop) {
    OUTPUT_IN_USE used;
    // Two "#query" atoms; the first answer set has both, the second only one, the third none.
    GATOM_ID q1 = groundAtom("#query", {c("mo1")}, PREDICATE_QUERY);
    GATOM_ID q2 = groundAtom("#query", {c("mo2")}, PREDICATE_QUERY);
    groundAtomCount = groundAtomTable.size();
    bool ground = queryIsGround;
    queryIsGround = false;
    used.output.queryConsequences.reset();

    std::vector<GRULE> rules;
    std::vector<GCONSTRAINT> constraints;
    std::vector<GWEAKCONSTRAINT> weak;
    MODEL_GENERATOR mg(rules, constraints, weak, {.flags = MG_MODEL_CHECK, .modelCallback = cautiousModelCallback});
    TRUTH_ASSIGNMENT m(groundAtomCount, 0u, TRUTH_FALSE);
    m.values[q1] = m.values[q2] = TRUTH_TRUE;
    MGI::answerSetsComputed(mg) = 3;  // the collection starts whenever it is first needed
    EXPECT_EQ(cautiousModelCallback(&mg, nullptr, &m), 1);
    m.values[q2] = TRUTH_FALSE;
    EXPECT_EQ(cautiousModelCallback(&mg, nullptr, &m), 1);
    EXPECT_TRUE(used.output.queryConsequences->isTrue(q1));
    EXPECT_FALSE(used.output.queryConsequences->isTrue(q2));
    m.values[q1] = TRUTH_FALSE;
    m.values[q2] = TRUTH_TRUE;
    EXPECT_EQ(cautiousModelCallback(&mg, nullptr, &m), 0);  // nothing remains: stop, nothing shown

    // Brave collects the union, also when its first call is not the first answer set.
    used.output.queryConsequences.reset();
    m.values[q1] = TRUTH_FALSE;
    EXPECT_EQ(braveModelCallback(&mg, nullptr, &m), 1);
    m.values[q1] = TRUTH_TRUE;
    m.values[q2] = TRUTH_FALSE;
    EXPECT_EQ(braveModelCallback(&mg, nullptr, &m), 0);  // every instance is an answer: stop
    EXPECT_TRUE(used.output.queryConsequences->isTrue(q1));
    EXPECT_TRUE(used.output.queryConsequences->isTrue(q2));
    used.output.queryConsequences.reset();
    queryIsGround = ground;
}

TEST(ModelOutput, PlainCallbackShowsEachAnswerSet) {
    OUTPUT_IN_USE used;
    EDB.clear();
    groundAtomCount = groundAtomTable.size();
    std::vector<GRULE> rules;
    std::vector<GCONSTRAINT> constraints;
    std::vector<GWEAKCONSTRAINT> weak;
    MODEL_GENERATOR mg(rules, constraints, weak,
                       {.maxModels = 2, .flags = MG_MODEL_CHECK, .modelCallback = modelCallback});
    TRUTH_ASSIGNMENT m(groundAtomCount, 0u, TRUTH_FALSE);
    fflush(stdout);
    FILE *saved = stdout;
    char *buf = nullptr;
    size_t len = 0;
    stdout = open_memstream(&buf, &len);
    EXPECT_EQ(modelCallback(&mg, nullptr, &m), MODEL_SHOWN | MODEL_GO_ON);
    MGI::answerSetsPrinted(mg) = 1;  // as the search counts it
    EXPECT_EQ(modelCallback(&mg, nullptr, &m), MODEL_SHOWN | MODEL_GO_ON);
    fclose(stdout);
    stdout = saved;
    EXPECT_EQ(std::string(buf, len), "{}\n\n{}\n");  // an empty line between two answer sets
    free(buf);
}

// While answer output is on, the text of atoms is kept from one answer set to the next: an atom
// first printed after others must lose its separator when it comes first later, and atoms newly
// true, hidden or outside the filter must come and go as the models change.
TEST(ModelOutput, KeptTextFollowsEachAnswerSet) {
    OUTPUT_IN_USE used;
    EDB.clear();
    I.clear();
    GATOM_ID pa = groundAtom("kt_p", {c("a")});
    GATOM_ID hidden = groundAtom("aux#kt", {c("h")});
    GATOM_ID qb = groundAtom("kt_q", {c("b")});
    GATOM_ID list = groundAtom("kt_r", {makeConstantTerm("x")});
    groundAtomCount = groundAtomTable.size();
    auto model = [&](std::vector<GATOM_ID> trueOnes) {
        TRUTH_ASSIGNMENT m(groundAtomCount, 0u, TRUTH_FALSE);
        for (GATOM_ID a : trueOnes) m.values[a] = TRUTH_TRUE;
        return m;
    };
    struct {
        bool facts;
        std::vector<GATOM_ID> trueOnes;
        const char *expected;
    } sequences[][4] = {
        {{false, {pa, qb}, "{kt_p(a), kt_q(b)}"},
         {false, {qb}, "{kt_q(b)}"},
         {false, {hidden, list}, "{kt_r(x)}"},
         {false, {}, "{}"}},
        {{true, {qb, hidden}, "{kt_fact, kt_q(b)}"},
         {true, {pa}, "{kt_fact, kt_p(a)}"},
         {true, {}, "{kt_fact}"},
         {true, {pa, qb, list}, "{kt_fact, kt_p(a), kt_q(b), kt_r(x)}"}},
    };
    auto noCallback = [](MODEL_GENERATOR *, INTERPRETATION *, TRUTH_ASSIGNMENT *) { return 1; };
    for (auto &sequence : sequences) {
        EDB.clear();
        if (sequence[0].facts) EDB.insert(ATOM("kt_fact", std::vector<TERM>{}, PREDICATE_EDB));
        used.settings.optFacts = true;
        ASSERT_NE(startAnswerOutput(noCallback, false), nullptr);
        for (auto &step : sequence) {
            TRUTH_ASSIGNMENT m = model(step.trueOnes);
            EXPECT_EQ(modelText(&I.positive, &m), step.expected);
        }
        stopAnswerOutput();
    }
    // Once answer output is off, a changed filter takes effect at once.
    used.settings.optFilter = {"kt_q"};
    TRUTH_ASSIGNMENT m = model({pa, qb});
    EXPECT_EQ(modelText(&I.positive, &m), "{kt_q(b)}");
    EDB.clear();
}
