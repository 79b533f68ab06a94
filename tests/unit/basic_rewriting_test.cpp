#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/printer.h"
#include "core/program.h"
#include "rewriting/basic_rewriting.h"
#include "support/option_values.h"
#include "test_support.h"

// Programs are built by hand over predicates named "br_*" so that they share nothing with other
// tests. Defined predicates are registered as IDB, undefined ones with no kind.
namespace {

TERM X(uint32_t n) { return makeVariableTerm(n); }

ATOM atom(const char *name, std::vector<TERM> args = {}, PREDICATE_KIND kind = PREDICATE_IDB) {
    TERMS terms(args.begin(), args.end());
    return ATOM(name, &terms, kind);
}
LITERAL pos(ATOM a) { return LITERAL(std::move(a), false); }
LITERAL neg(ATOM a) { return LITERAL(std::move(a), true); }

CONJUNCTION body(std::vector<LITERAL> literals) {
    CONJUNCTION c;
    for (LITERAL &l : literals) c.append(std::move(l));
    return c;
}
RULE rule(std::vector<ATOM> head, std::vector<LITERAL> literals) {
    return RULE(std::move(head), body(std::move(literals)));
}
CONSTRAINT constraint(std::vector<LITERAL> literals, bool generated = false) {
    CONSTRAINT c;
    c.body = body(std::move(literals));
    c.generated = generated;
    return c;
}

struct PROGRAM {
    std::vector<RULE> rules;
    std::vector<CONSTRAINT> constraints;
    std::vector<WEAKCONSTRAINT> weak;
    bool builtins = true, aggregates = true, negation = true;  // must be cleared on entry
    REWRITING_CONFIG config;                                    // -ORb and -ORdr by default

    bool rewrite(bool wellFounded = false) {
        return basicRewriting(rules, constraints, weak, builtins, aggregates, negation, config, wellFounded);
    }
    std::string printedRules() const {
        return capture([&](FILE *f) { printRules(f, rules, "\n"); });
    }
    std::string printedConstraints() const {
        return capture([&](FILE *f) { printConstraints(f, constraints, "\n"); });
    }
};

class BasicRewriting : public ::testing::Test {
protected:
    void SetUp() override {
        // Defined predicates.
        for (const char *name : {"br_a", "br_b", "br_c", "br_p", "br_s"}) atom(name);
        atom("br_q1", {X(0)});
        atom("br_p1", {X(0)});
        atom("br_q2", {X(0), X(1)});
    }
    static ATOM undefined(const char *name, std::vector<TERM> args = {}) {
        return atom(name, std::move(args), PREDICATE_UNDEFINED);
    }
};

TEST_F(BasicRewriting, AHeadAtomNegatedInTheBodyTurnsTheRuleIntoAConstraint) {
    PROGRAM p;
    p.rules.push_back(rule({atom("br_a")}, {neg(atom("br_a"))}));
    p.rewrite();
    EXPECT_EQ("", p.printedRules());
    EXPECT_EQ(":- not br_a.", p.printedConstraints());
    ASSERT_EQ(1u, p.constraints.size());
    EXPECT_FALSE(p.constraints[0].generated);
    EXPECT_TRUE(p.negation);

    PROGRAM wf;
    wf.rules.push_back(rule({atom("br_a")}, {neg(atom("br_a"))}));
    wf.rewrite(true);
    EXPECT_EQ("br_a :- not br_a.", wf.printedRules());
    EXPECT_EQ("", wf.printedConstraints());
}

TEST_F(BasicRewriting, OnlyIdenticalHeadAtomsAreRemoved) {
    PROGRAM p;
    p.rules.push_back(rule({atom("br_a"), atom("br_b")}, {pos(atom("br_c")), neg(atom("br_a"))}));
    p.rules.push_back(rule({atom("br_p1", {X(0)})}, {pos(atom("br_q2", {X(0), X(1)})), neg(atom("br_p1", {X(1)}))}));
    p.rewrite();
    EXPECT_EQ("br_b :- br_c, not br_a.\nbr_p1(_0) :- br_q2(_0,_1), not br_p1(_1).", p.printedRules());
}

TEST_F(BasicRewriting, NegatedUndefinedLiteralsAreDroppedAndAnEmptiedBodyLeavesAFact) {
    PROGRAM p;
    p.rules.push_back(rule({atom("br_a")}, {neg(undefined("br_undef_q"))}));
    p.rules.push_back(rule({atom("br_a")}, {pos(atom("br_b")), neg(undefined("br_undef_q"))}));
    p.rewrite();
    EXPECT_EQ("br_a.\nbr_a :- br_b.", p.printedRules());
    EXPECT_FALSE(p.rules[0].hasBody());
    EXPECT_FALSE(p.negation);
    EXPECT_FALSE(p.builtins);
    EXPECT_FALSE(p.aggregates);
}

TEST_F(BasicRewriting, APositiveUndefinedLiteralDeletesTheRuleUnlessSwitchedOff) {
    struct CASE {
        bool orb, ordr;
        const char *expected;
    };
    const CASE cases[] = {
        {true, true, ""},
        {true, false, "br_p1(_0) :- br_q1(_0), br_undef_r(_0)."},
        {false, true, "br_p1(_0) :- br_q1(_0), br_undef_r(_0)."},
    };
    for (const CASE &c : cases) {
        PROGRAM p;
        p.config.optORb = c.orb;
        p.config.optORdr = c.ordr;
        p.rules.push_back(rule({atom("br_p1", {X(0)})}, {pos(atom("br_q1", {X(0)})), pos(undefined("br_undef_r", {X(0)}))}));
        p.rewrite();
        EXPECT_EQ(c.expected, p.printedRules()) << c.orb << c.ordr;
    }
}

TEST_F(BasicRewriting, DeletingMovesTheLastRuleIntoTheFreedPlace) {
    PROGRAM p;
    p.rules.push_back(rule({atom("br_a")}, {pos(undefined("br_undef_u"))}));
    p.rules.push_back(rule({atom("br_b")}, {pos(atom("br_c"))}));
    p.rules.push_back(rule({atom("br_c")}, {pos(atom("br_a"))}));
    p.rewrite();
    EXPECT_EQ("br_c :- br_a.\nbr_b :- br_c.", p.printedRules());

    // The rule moved into the freed place is examined too.
    PROGRAM q;
    q.rules.push_back(rule({atom("br_a")}, {pos(undefined("br_undef_u"))}));
    q.rules.push_back(rule({atom("br_b")}, {pos(atom("br_c"))}));
    q.rules.push_back(rule({atom("br_c")}, {pos(undefined("br_undef_u"))}));
    q.rewrite();
    EXPECT_EQ("br_b :- br_c.", q.printedRules());
}

TEST_F(BasicRewriting, ConstraintsWithAnUndefinedPositiveLiteralAreDeleted) {
    PROGRAM p;
    p.constraints.push_back(constraint({pos(undefined("br_undef_r", {X(0)})), pos(atom("br_p1", {X(0)}))}));
    p.constraints.push_back(constraint({pos(atom("br_a")), neg(undefined("br_undef_q")), neg(atom("br_b"))}));
    p.rewrite();
    EXPECT_EQ(":- br_a, not br_b.", p.printedConstraints());
    EXPECT_TRUE(p.negation);
}

TEST_F(BasicRewriting, TheQueryConstraintsCountAsNoNegation) {
    PROGRAM generated;
    generated.constraints.push_back(constraint({neg(atom("br_s"))}, true));
    generated.rewrite();
    EXPECT_FALSE(generated.negation);

    PROGRAM user;
    user.constraints.push_back(constraint({neg(atom("br_s"))}, false));
    user.rewrite();
    EXPECT_TRUE(user.negation);

    PROGRAM longer;
    longer.constraints.push_back(constraint({pos(atom("br_a")), neg(atom("br_s"))}, true));
    longer.rewrite();
    EXPECT_TRUE(longer.negation);
}

TEST_F(BasicRewriting, FindingsOfBuiltinsAggregatesAndWeakConstraints) {
    ATOM gt = atom("br_gt", {X(0), X(1)}, PREDICATE_BUILTIN);
    ATOM agg = atom("br_agg", {}, PREDICATE_AGGREGATE);

    // A built-in before the literal that deletes the rule still counts.
    PROGRAM p;
    p.rules.push_back(rule({atom("br_p1", {X(0)})}, {pos(atom("br_q1", {X(0)})), pos(gt), pos(undefined("br_undef_r", {X(0)}))}));
    p.rewrite();
    EXPECT_EQ("", p.printedRules());
    EXPECT_TRUE(p.builtins);
    EXPECT_FALSE(p.aggregates);

    // Weak constraints: built-ins and aggregates count negated or not (only the component
    // grounder evaluates them); their negative literals are no negation of the program.
    PROGRAM w;
    WEAKCONSTRAINT weak;
    weak.body = body({pos(atom("br_a")), neg(gt), neg(atom("br_b"))});
    w.weak.push_back(weak);
    w.rewrite();
    EXPECT_TRUE(w.builtins);
    EXPECT_FALSE(w.aggregates || w.negation);
    w.weak.clear();
    WEAKCONSTRAINT weak2;
    weak2.body = body({pos(agg), pos(gt)});
    w.weak.push_back(weak2);
    w.rewrite();
    EXPECT_TRUE(w.builtins && w.aggregates);
    EXPECT_FALSE(w.negation);
}

TEST_F(BasicRewriting, WithoutOrbNothingChangesButNegationIsFound) {
    PROGRAM p;
    p.config.optORb = false;
    p.rules.push_back(rule({atom("br_a")}, {neg(undefined("br_undef_q"))}));
    p.rules.push_back(rule({atom("br_a")}, {neg(atom("br_a"))}));
    p.constraints.push_back(constraint({neg(undefined("br_undef_q"))}));
    p.rewrite();
    EXPECT_EQ("br_a :- not br_undef_q.\nbr_a :- not br_a.", p.printedRules());
    EXPECT_EQ(":- not br_undef_q.", p.printedConstraints());
    EXPECT_TRUE(p.negation);
}

// A constraint whose body loses every literal tells that the program has no answer set; the walk
// stops there, leaving later constraints as they were.
TEST_F(BasicRewriting, AConstraintLeftWithoutBodyReportsNoAnswerSet) {
    PROGRAM p;
    p.constraints.push_back(constraint({neg(undefined("br_undef_q"))}));
    p.constraints.push_back(constraint({pos(atom("br_b")), neg(undefined("br_undef_q"))}));
    EXPECT_FALSE(p.rewrite());
    EXPECT_EQ(":- .\n:- br_b, not br_undef_q.", p.printedConstraints());
    // The same without -ORb is no finding: nothing is removed.
    PROGRAM kept;
    kept.config.optORb = false;
    kept.constraints.push_back(constraint({neg(undefined("br_undef_q"))}));
    EXPECT_TRUE(kept.rewrite());
    // A rule whose head only held the negated atom of an undefined predicate becomes a constraint
    // that keeps a literal.
    PROGRAM q;
    q.rules.push_back(rule({atom("br_a")}, {neg(atom("br_a")), neg(undefined("br_undef_q"))}));
    EXPECT_TRUE(q.rewrite());
    EXPECT_EQ(":- not br_a.", q.printedConstraints());
}

}  // namespace
