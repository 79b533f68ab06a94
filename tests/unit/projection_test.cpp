// Projection rewriting: which literals are projected and under which names, the defining rules
// and their sharing, built-ins moved next to the literal that binds them, and what leaves a
// body unchanged.
//
// Programs are parsed into the global program store, which every test empties first. The
// auxiliary predicates keep their quoted names here (the driver renames them afterwards), and
// the cases of one test share the predicate table (emptied before every test, unit_main.cpp),
// so each case uses names of its own.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "core/printer.h"
#include "core/program.h"
#include "input/parser.h"
#include "rewriting/projection.h"
#include "support/diagnostics.h"
#include "test_support.h"

namespace {

class Projection : public ::testing::Test {
protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }

    static void reset() {
        clearParsedProgram();
    }

    // The rules and constraints after projecting the parsed program, one per line.
    static std::string project(const std::string &program) {
        reset();
        std::string text = program;
        EXPECT_TRUE(parseString(text)) << program;
        projectRules(IDB);
        projectConstraints(constraints, IDB);
        std::string out = capture([](FILE *f) { printRules(f, IDB, "\n"); });
        if (!constraints.empty()) {
            out += '\n';
            out += capture([](FILE *f) { printConstraints(f, constraints, "\n"); });
        }
        return out;
    }
};

struct CASE {
    const char *name;
    const char *program;
    const char *projected;
};

TEST_F(Projection, RulesAndConstraintsAfterProjection) {
    const CASE cases[] = {
        {"a variable used once is projected away", "pa_a(X) :- pa_b(X,Y), pa_c(X).",
         "pa_a(_0) :- \"_pa_b,2\"(_0), pa_c(_0).\n\"_pa_b,2\"(_0) :- pa_b(_0,_1)."},
        {"an integer argument", "pb_a(X) :- pb_b(X,Y,3), pb_c(X).",
         "pb_a(_0) :- \"_pb_b,2,[3=int[3]]\"(_0), pb_c(_0).\n\"_pb_b,2,[3=int[3]]\"(_0) :- pb_b(_0,_1,3)."},
        {"a constant argument", "pc_a(X) :- pc_b(X,Y,k), pc_c(X).",
         "pc_a(_0) :- \"_pc_b,2,[3=k]\"(_0), pc_c(_0).\n\"_pc_b,2,[3=k]\"(_0) :- pc_b(_0,_1,k)."},
        {"a projected variable repeated", "pd_a(X) :- pd_b(X,Y,Y), pd_c(X).",
         "pd_a(_0) :- \"_pd_b,2,3=2\"(_0), pd_c(_0).\n\"_pd_b,2,3=2\"(_0) :- pd_b(_0,_1,_1)."},
        {"a kept variable repeated stays repeated", "pe_a(X) :- pe_b(X,X,Y), pe_c(X).",
         "pe_a(_0) :- \"_pe_b,[2=1],3\"(_0,_0), pe_c(_0).\n\"_pe_b,[2=1],3\"(_0,_0) :- pe_b(_0,_0,_1)."},
        {"one defining rule serves two rules", "pf_a(X) :- pf_b(X,Y), pf_c(X).\npf_d(X) :- pf_b(X,Z), pf_e(X).",
         "pf_a(_0) :- \"_pf_b,2\"(_0), pf_c(_0).\npf_d(_0) :- \"_pf_b,2\"(_0), pf_e(_0).\n"
         "\"_pf_b,2\"(_0) :- pf_b(_0,_1)."},
        {"a built-in goes with the projected literal and with the other literal",
         "pg_a(X) :- pg_b(X,Y), pg_c(X), X < 5.",
         "pg_a(_0) :- \"_pg_b,2<,1,[2=int[5]]\"(_0), \"_pg_c<,1,[2=int[5]]\"(_0).\n"
         "\"_pg_b,2<,1,[2=int[5]]\"(_0) :- <(_0,5), pg_b(_0,_1).\n"
         "\"_pg_c<,1,[2=int[5]]\"(_0) :- <(_0,5), pg_c(_0)."},
        {"built-ins alone move next to each literal", "ph_h(X) :- ph_p(X), ph_q(X), X > 3.",
         "ph_h(_0) :- \"_ph_p>,1,[2=int[3]]\"(_0), \"_ph_q>,1,[2=int[3]]\"(_0).\n"
         "\"_ph_p>,1,[2=int[3]]\"(_0) :- >(_0,3), ph_p(_0).\n\"_ph_q>,1,[2=int[3]]\"(_0) :- >(_0,3), ph_q(_0)."},
        {"one positive literal is left alone", "pi_a(X) :- pi_b(X,Y), not pi_c(X).",
         "pi_a(_0) :- pi_b(_0,_1), not pi_c(_0)."},
        {"variables of negative literals are kept", "pj_a :- pj_b(X), pj_c(Y), not pj_d(Y).",
         "pj_a :- \"_pj_b,1\", pj_c(_1), not pj_d(_1).\n\"_pj_b,1\" :- pj_b(_0)."},
        {"a function term in the head leaves the rule", "pk_a(f(X)) :- pk_b(X,Y), pk_c(X).",
         "pk_a(f(_0)) :- pk_b(_0,_1), pk_c(_0)."},
        {"a function term in the body leaves the rule", "pl_a(X) :- pl_b(X,g(Y)), pl_c(X), pl_d(Z).",
         "pl_a(_0) :- pl_b(_0,g(_1)), pl_c(_0), pl_d(_2)."},
        {"aggregate guards are kept", "pm_a :- pm_b(X,Y), pm_c(Z), X = #count{V : pm_d(V)}.",
         "pm_a :- \"_pm_b,2\"(_0), \"_pm_c,1\", _0 <= #count{_3 : pm_d(_3)} <= _0.\n"
         "\"_pm_b,2\"(_0) :- pm_b(_0,_1).\n\"_pm_c,1\" :- pm_c(_2)."},
        {"a constraint is projected, its definitions go to the rules", ":- pn_b(X,Y), pn_c(X).",
         "\"_pn_b,2\"(_0) :- pn_b(_0,_1).\n:- \"_pn_b,2\"(_0), pn_c(_0)."},
        {"several projected literals, in variable order", "po_a :- po_b(X), po_c(Y,Z), po_d(Z).",
         "po_a :- \"_po_b,1\", \"_po_c,1\"(_2), po_d(_2).\n\"_po_b,1\" :- po_b(_0).\n\"_po_c,1\"(_2) :- po_c(_1,_2)."},
        {"a negated built-in goes last in the defining rule", "pp_a(X) :- pp_b(X,Y), pp_c(X), not X = 2.",
         "pp_a(_0) :- \"_pp_b,2_==,1,[2=int[2]]\"(_0), \"_pp_c_==,1,[2=int[2]]\"(_0).\n"
         "\"_pp_b,2_==,1,[2=int[2]]\"(_0) :- pp_b(_0,_1), not ==(_0,2).\n"
         "\"_pp_c_==,1,[2=int[2]]\"(_0) :- pp_c(_0), not ==(_0,2)."},
    };
    for (const CASE &c : cases) EXPECT_EQ(c.projected, project(c.program)) << c.name;
}

TEST_F(Projection, DefinitionsAreNotProjectedAgain) {
    // The defining rule of b's projection has one literal; it is appended after the call began
    // and is not looked at, and the rules after it stay in place.
    EXPECT_EQ("pq_a(_0) :- \"_pq_b,2\"(_0), pq_c(_0).\npq_e :- pq_a(_0).\n\"_pq_b,2\"(_0) :- pq_b(_0,_1).",
              project("pq_a(X) :- pq_b(X,Y), pq_c(X).\npq_e :- pq_a(X)."));
}

}  // namespace
