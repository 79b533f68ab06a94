// The propositional grounder over small ground programs: what it keeps, simplifies and drops,
// the numbering of ground atoms in the order the pass meets them, the always-violated
// constraint (with and without -instantiate), weak constraints and their levels, and the body
// conversion on its own (duplicates, order, the first false literal).
//
// Programs are parsed into the global program store, which is emptied before every test
// (unit_main.cpp). The cases of one test share the predicate table and the ground atom table, so
// each case uses predicate names of its own and reads atom numbers relative to the table's size
// before it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/aggregate_function.h"
#include "core/printer.h"
#include "core/program.h"
#include "grounding/ground_printer.h"
#include "grounding/ground_program.h"
#include "grounding/propositional_grounder.h"
#include "input/parser.h"
#include "support/diagnostics.h"
#include "support/option_values.h"
#include "test_support.h"

namespace {

struct GROUNDED {
    bool ok = false;
    std::string rules;       // one per line
    std::string constraints; // one per line
    std::string weak;        // the weak constraints with a body left, one per line
    std::string violated;    // the weak constraints violated in every answer set, one per line
    std::string atoms;       // the atoms the pass numbered, in number order, separated by blanks
};

class PropositionalGrounder : public ::testing::Test {
protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }

    static void reset() {
        clearParsedProgram();
        maxInt = -1;
        clearGroundProgram();
        groundAtomTable.groundAtomsFrozen = false;
    }

    static void parse(const std::string &program) {
        std::string text = program;
        ASSERT_TRUE(parseString(text)) << program;
        ASSERT_EQ(parserErrors, 0u) << program;
    }

    static GROUNDED ground(const std::string &program, bool instantiate = false) {
        parse(program);
        GROUNDED g;
        uint32_t before = groundAtomTable.size();
        g.ok = groundPropositional(IDB, constraints, weakConstraints, EDB, groundRules, groundConstraints,
                                   groundWeakConstraints, violatedWeakConstraints, instantiate);
        g.rules = capture([](FILE *f) { printGroundRules(f, groundRules, "\n"); });
        g.constraints = capture([](FILE *f) { printGroundConstraints(f, groundConstraints, "\n"); });
        g.weak = capture([](FILE *f) { printGroundWeakConstraints(f, groundWeakConstraints, "\n"); });
        g.violated = capture([](FILE *f) { printGroundWeakConstraints(f, violatedWeakConstraints, "\n"); });
        for (uint32_t k = before; k < groundAtomTable.size(); k++) {
            if (k > before) g.atoms += ' ';
            g.atoms += capture([k](FILE *f) { printAtom(f, groundAtomTable[GATOM_ID(k)]); });
        }
        return g;
    }
};

struct CASE {
    const char *name;
    const char *program;
    const char *rules;
    const char *constraints;
    const char *atoms;
};

TEST_F(PropositionalGrounder, RulesAndConstraintsOfGroundPrograms) {
    const CASE cases[] = {
        {"a program of facts only makes nothing", "pa_p. pa_q(1). pa_q(2).", "", "", ""},
        {"EDB literals are decided, IDB literals kept; atoms in the order met",
         "pb_p. pb_a v pb_b :- pb_p, pb_c. pb_c :- not pb_a. :- pb_a, pb_b.",
         "pb_a v pb_b :- pb_c.\npb_c :- not pb_a.", ":- pb_a, pb_b.", "pb_a pb_b pb_c"},
        {"a body that holds by the facts leaves a rule without body, not a fact", "pc_p. pc_a :- pc_p.",
         "pc_a.", "", "pc_a"},
        {"a rule whose body is false by the facts is dropped, its head numbered all the same",
         "pd_p(1). pd_a :- pd_p(2). pd_b :- pd_a.", "pd_b :- pd_a.", "", "pd_a pd_b"},
        {"a repeated head atom is listed once", "pe_c v pe_d. pe_a v pe_a :- pe_c.",
         "pe_c v pe_d.\npe_a :- pe_c.", "", "pe_c pe_d pe_a"},
        {"a disjunctive fact stays a rule without body", "pf_a v pf_b.", "pf_a v pf_b.", "", "pf_a pf_b"},
        {"a negated fact makes the body false; a negated non-fact is dropped",
         "pg_p. pg_q(1). pg_a :- not pg_p. pg_b :- not pg_q(2), not pg_c. pg_c v pg_d.",
         "pg_b :- not pg_c.\npg_c v pg_d.", "", "pg_a pg_b pg_c pg_d"},
        {"facts of an IDB predicate are rules without body; literals of IDB predicates are never "
         "dropped",
         "ph_a. ph_a :- ph_b. ph_b :- ph_a, not ph_c.", "ph_a.\nph_a :- ph_b.\nph_b :- ph_a, not ph_c.", "",
         "ph_a ph_b ph_c"},
        {"a constraint keeps its IDB literals and those of predicates without rules or facts",
         "pi_p. pi_x v pi_y. :- pi_p, pi_x. :- pi_p, not pi_q.", "pi_x v pi_y.", ":- pi_x.\n:- not pi_q.",
         "pi_x pi_y pi_q"},
        {"a literal of a predicate without rules or facts stays in the body",
         "pj_e. pj_a v pj_b :- pj_e. pj_a :- pj_u(3).", "pj_a v pj_b.\npj_a :- pj_u(3).", "",
         "pj_a pj_b pj_u(3)"},
        {"arguments of ground atoms are kept", "pk_e(a,1). pk_h(f(x)) v pk_h(2) :- pk_e(a,1), not pk_g([1,2]).",
         "pk_h(f(x)) v pk_h(2) :- not pk_g([1,2]).", "", "pk_h(f(x)) pk_h(2) pk_g([1,2])"},
    };
    for (const CASE &c : cases) {
        reset();
        GROUNDED g = ground(c.program);
        EXPECT_TRUE(g.ok) << c.name;
        EXPECT_EQ(g.rules, c.rules) << c.name;
        EXPECT_EQ(g.constraints, c.constraints) << c.name;
        EXPECT_EQ(g.atoms, c.atoms) << c.name;
        EXPECT_TRUE(I.positive.empty() && I.undefined.empty()) << c.name;
        EXPECT_TRUE(groundWeakConstraints.empty() && violatedWeakConstraints.empty()) << c.name;
    }
}

TEST_F(PropositionalGrounder, GroundRulesAreBuiltAsTheGrounderBuildsThem) {
    ground("pl_p. pl_a v pl_b :- pl_p, pl_c, not pl_d. pl_c v pl_d.");
    ASSERT_EQ(groundRules.size(), 2u);
    const GRULE &r = groundRules[0];
    EXPECT_TRUE(r.hasBody);
    EXPECT_EQ(r.body.firstNegative, 1u);
    EXPECT_FALSE(groundRules[1].hasBody);
}

TEST_F(PropositionalGrounder, AConstraintViolatedInEveryAnswerSetEndsThePass) {
    const char *program = "pm_p. pm_a v pm_b. :- pm_a, pm_b. :- pm_p. :- pm_a. :~ pm_b. [1:4]";
    GROUNDED g = ground(program);
    EXPECT_FALSE(g.ok);
    // The statements before it keep what they produced; nothing after it is converted.
    EXPECT_EQ(g.rules, "pm_a v pm_b.");
    EXPECT_EQ(g.constraints, ":- pm_a, pm_b.");
    EXPECT_TRUE(groundWeakConstraints.empty());
    EXPECT_EQ(maxLevel, 0u);
}

TEST_F(PropositionalGrounder, UnderInstantiateTheViolatedConstraintIsAnnouncedAndTheProgramEmptied) {
    parse("pn_p. pn_a v pn_b. :- pn_a, pn_b. :- pn_p.");
    fflush(stdout);
    char path[] = "/tmp/propositional_grounder_testXXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    FILE *saved = stdout;
    FILE *file = fdopen(fd, "w+");
    stdout = file;
    bool ok = groundPropositional(IDB, constraints, weakConstraints, EDB, groundRules, groundConstraints,
                                  groundWeakConstraints, violatedWeakConstraints, true);
    stdout = saved;
    rewind(file);
    std::string text;
    for (int ch; (ch = fgetc(file)) != EOF;) text += char(ch);
    fclose(file);
    remove(path);
    EXPECT_FALSE(ok);
    EXPECT_EQ(text, "% A constraint will always be violated, \n"
                    "% so this program does not have any answer set.\n"
                    ":- not a_Constant_Never_Occurring_In_Regular_Programs.\n");
    EXPECT_TRUE(groundRules.empty());
    EXPECT_TRUE(groundConstraints.empty());
}

TEST_F(PropositionalGrounder, WeakConstraints) {
    struct WEAK_CASE {
        const char *name;
        const char *program;
        const char *weak;
        const char *violated;
        uint32_t maxLevel;
    };
    const WEAK_CASE cases[] = {
        {"a body true by the facts is violated in every answer set", "pw_p. :~ pw_p. [2:3]", "",
         ":~ . [2:3]", 3},
        {"a body false by the facts drops the weak constraint but not its level",
         "px_q(2). px_a v px_b. :~ px_q(1). [1:5] :~ px_a. [1:2]", ":~ px_a. [1:2]", "", 5},
        {"a weight of 0 is kept", "py_a v py_b. :~ py_a. [0:1]", ":~ py_a. [0:1]", "", 1},
        {"an IDB body literal stays; EDB literals go", "pz_p. pz_a v pz_b. :~ pz_p, not pz_a. [1:1]",
         ":~ not pz_a. [1:1]", "", 1},
    };
    for (const WEAK_CASE &c : cases) {
        reset();
        GROUNDED g = ground(c.program);
        EXPECT_TRUE(g.ok) << c.name;
        EXPECT_EQ(g.weak, c.weak) << c.name;
        EXPECT_EQ(g.violated, c.violated) << c.name;
        EXPECT_EQ(maxLevel, c.maxLevel) << c.name;
    }
    // The weight is stored times 1000, as the parser stores it.
    reset();
    ground("qa_p. :~ qa_p. [2:3]");
    ASSERT_EQ(violatedWeakConstraints.size(), 1u);
    EXPECT_EQ(integerValue(violatedWeakConstraints[0].weight), 2000);
    EXPECT_EQ(integerValue(violatedWeakConstraints[0].level), 3);
}

// A body as written, without the parser's duplicate removal.
CONJUNCTION bodyOf(std::initializer_list<std::pair<const char *, bool>> literals, PREDICATE_KIND kind) {
    CONJUNCTION body;
    for (auto [name, negated] : literals)
        body.append(LITERAL(ATOM(name, static_cast<const TERMS *>(nullptr), kind), negated));
    return body;
}

std::string literalsOf(const GBODY &body) {
    std::string s;
    for (const GLITERAL &l : body.literals) {
        if (!s.empty()) s += ", ";
        if (l.negated) s += "not ";
        s += predicateTable.name(groundAtomTable[l.atom].predicate);
    }
    return s;
}

TEST_F(PropositionalGrounder, BodyConversionKeepsEachLiteralOncePositivesFirst) {
    CONJUNCTION body = bodyOf({{"qb_b", false}, {"qb_d", false}, {"qb_b", false}, {"qb_c", true},
                               {"qb_b", true}, {"qb_c", true}},
                              PREDICATE_IDB);
    GBODY out;
    EXPECT_TRUE(convertBody(body, EDB, out));
    EXPECT_EQ(literalsOf(out), "qb_b, qb_d, not qb_c, not qb_b");
    EXPECT_EQ(out.firstNegative, 2u);

    // Converting it again gives the same body and numbers no atom.
    uint32_t size = groundAtomTable.size();
    GBODY again;
    EXPECT_TRUE(convertBody(body, EDB, again));
    EXPECT_EQ(again.literals, out.literals);
    EXPECT_EQ(groundAtomTable.size(), size);
}

TEST_F(PropositionalGrounder, BodyConversionStopsAtTheFirstFalseLiteral) {
    parse("qc_p. qc_q.");
    CONJUNCTION body = bodyOf({{"qc_x", false}, {"qc_p", false}, {"qc_r", false}}, PREDICATE_EDB);
    // qc_x and qc_r are EDB predicates without facts; qc_y is of an IDB predicate.
    body.append(LITERAL(ATOM("qc_y", static_cast<const TERMS *>(nullptr), PREDICATE_IDB), true));
    GBODY out;
    uint32_t size = groundAtomTable.size();
    EXPECT_FALSE(convertBody(body, EDB, out));
    EXPECT_EQ(groundAtomTable.size(), size);

    // The IDB literal before the false one is numbered; the one after it is not.
    CONJUNCTION second = bodyOf({{"qc_z", false}}, PREDICATE_IDB);
    second.append(LITERAL(ATOM("qc_q", static_cast<const TERMS *>(nullptr), PREDICATE_EDB), true));
    second.append(LITERAL(ATOM("qc_w", static_cast<const TERMS *>(nullptr), PREDICATE_IDB), true));
    GBODY out2;
    EXPECT_FALSE(convertBody(second, EDB, out2));
    EXPECT_EQ(groundAtomTable.size(), size + 1);
    EXPECT_EQ(groundAtomTable.find(ATOM("qc_w", static_cast<const TERMS *>(nullptr), PREDICATE_IDB)), -1);

    // Only true EDB literals: nothing is left.
    CONJUNCTION holds = bodyOf({{"qc_p", false}, {"qc_q", false}}, PREDICATE_EDB);
    holds.append(LITERAL(ATOM("qc_none", static_cast<const TERMS *>(nullptr), PREDICATE_EDB), true));
    GBODY out3;
    EXPECT_TRUE(convertBody(holds, EDB, out3));
    EXPECT_TRUE(out3.empty());
}

TEST_F(PropositionalGrounder, APositiveAndANegativeLiteralOnOneAtomBothStay) {
    CONJUNCTION body = bodyOf({{"qd_b", false}, {"qd_b", true}}, PREDICATE_IDB);
    GBODY out;
    EXPECT_TRUE(convertBody(body, EDB, out));
    EXPECT_EQ(literalsOf(out), "qd_b, not qd_b");
    // Through the pass as well, where duplicates are found by marks.
    reset();
    GROUNDED g = ground("qe_a :- qe_b, not qe_b. qe_b v qe_c.");
    EXPECT_EQ(g.rules, "qe_a :- qe_b, not qe_b.\nqe_b v qe_c.");
}

TEST_F(PropositionalGrounder, LongHeadsAndBodiesKeepEachAtomOnce) {
    // Long statements with repetitions: each atom once, in the order of first occurrence.
    std::string program = "qf_h0";
    for (int i = 1; i < 400; i++) program += " v qf_h" + std::to_string(i % 200);
    program += " :- qf_b0";
    for (int i = 1; i < 400; i++) program += ", qf_b" + std::to_string(i % 300);
    program += ".";
    GROUNDED g = ground(program);
    ASSERT_EQ(groundRules.size(), 1u);
    EXPECT_EQ(groundRules[0].head.size(), 200u);
    EXPECT_EQ(groundRules[0].body.size(), 300u);
    for (uint32_t i = 0; i < 200; i++) EXPECT_EQ(groundRules[0].head[i], groundRules[0].head[0] + GATOM_ID(i));
    for (uint32_t i = 0; i < 300; i++)
        EXPECT_EQ(groundRules[0].body.literals[i].atom, groundRules[0].head[0] + GATOM_ID(200 + i));
}

TEST_F(PropositionalGrounder, AnAggregateLiteralIsNumberedAndItsFunctionInternedOnce) {
    // The parser's aggregate literal, as a rule body holds it.
    parse("qg_p(1). qg_a :- #count{X : qg_p(X)} > 0.");
    ASSERT_EQ(IDB.size(), 1u);
    const CONJUNCTION &written = *IDB[0].body;
    CONJUNCTION body;
    for (const LITERAL &l : written)
        if (l.atom.isAggregate()) body.append(l);
    ASSERT_EQ(body.size(), 1u);

    uint32_t atoms = groundAtomTable.size(), functions = aggregateFunctionTable.size();
    GBODY out;
    EXPECT_TRUE(convertBody(body, EDB, out));
    ASSERT_EQ(out.size(), 1u);
    ATOM_REF stored = groundAtomTable[out.literals[0].atom];
    ASSERT_TRUE(stored.isAggregate());
    // The stored atom refers to its interned function, which names an interned ground set.
    EXPECT_EQ(stored.aggregate()->function, nullptr);
    EXPECT_EQ(aggregateFunctionTable.size(), functions + 1);
    EXPECT_EQ(aggregateFunctionCount, aggregateFunctionTable.size());
    const AGGREGATEFUNCTION *f = stored.aggregate()->getFunction();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->ownSet, nullptr);
    EXPECT_LT(f->setIndex, groundSetTable.size());
    EXPECT_TRUE(f->groundSet().empty());

    // A second occurrence finds the atom and the function as they are.
    GBODY again;
    EXPECT_TRUE(convertBody(body, EDB, again));
    EXPECT_EQ(again.literals, out.literals);
    EXPECT_EQ(groundAtomTable.size(), atoms + 1);
    EXPECT_EQ(aggregateFunctionTable.size(), functions + 1);
}

} // namespace
