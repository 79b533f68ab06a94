#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/aggregate_function.h"
#include "core/builtin.h"
#include "core/program.h"
#include "input/safety.h"
#include "test_terms.h"

namespace {

// Variables by name: X is 0, Y 1, Z 2, W 3, A 4, B 5.
TERM X = makeVariableTerm(0), Y = makeVariableTerm(1), Z = makeVariableTerm(2),
     W = makeVariableTerm(3), A = makeVariableTerm(4), B = makeVariableTerm(5);

ATOM builtin(const char *keyword, std::vector<TERM> args) {
    TERMS terms(args.begin(), args.end());
    return BUILTIN_TYPE::makeAtom(newBuiltin(keyword), terms);
}
// An aggregate atom with its guards only; `assignment` is the form X = #count{...}.
ATOM aggregate(TERM lower, TERM upper, bool assignment = false) {
    AGGREGATE_ATOM part;
    part.lowerGuard = lower;
    part.lowerInclusive = 1;
    part.upperGuard = upper;
    part.upperInclusive = 1;
    part.assignment = assignment;
    uint32_t predicate = predicateTable.add("#count", 0, PREDICATE_AGGREGATE).first;
    return ATOM(predicate, std::move(part));
}
LITERAL pos(ATOM a) { return LITERAL(std::move(a), false); }
LITERAL neg(ATOM a) { return LITERAL(std::move(a), true); }
CONJUNCTION body(std::vector<LITERAL> literals) {
    CONJUNCTION c;
    for (LITERAL &l : literals) c.append(l);
    return c;
}
RULE rule(std::vector<ATOM> head, std::vector<LITERAL> literals) {
    CONJUNCTION b = body(std::move(literals));
    return RULE(&head, &b);
}
RULE fact(ATOM head) {
    std::vector<ATOM> h{std::move(head)};
    return RULE(&h, nullptr);
}

struct RULE_CASE {
    const char *what;
    RULE rule;
    int safe;
};

TEST(RuleSafety, HeadVariablesAndBodies) {
    const RULE_CASE cases[] = {
        {"p(X) :- q(Y), #succ(Y, X).", rule({atom("sf_p", {X})}, {pos(atom("sf_q", {Y})), pos(builtin("#succ", {Y, X}))}), 1},
        {"p(X) :- #succ(X, Y), q(Y).", rule({atom("sf_p", {X})}, {pos(builtin("#succ", {X, Y})), pos(atom("sf_q", {Y}))}), 0},
        // A chain of built-ins in any textual order, fed by a positive literal.
        {"p(Z) :- +(Y,1,Z), +(X,1,Y), q(X).",
         rule({atom("sf_p", {Z})}, {pos(builtin("+", {Y, num(1), Z})), pos(builtin("+", {X, num(1), Y})), pos(atom("sf_q", {X}))}), 1},
        {"p(Z) :- +(Y,1,Z), +(X,1,Y).",
         rule({atom("sf_p", {Z})}, {pos(builtin("+", {Y, num(1), Z})), pos(builtin("+", {X, num(1), Y}))}), 0},
        // The variable occurs among the inputs first: the output position does not bind it.
        {"p(X) :- q(Y), +(X,Y,X).", rule({atom("sf_p", {X})}, {pos(atom("sf_q", {Y})), pos(builtin("+", {X, Y, X}))}), 0},
        {"p(X) :- not q(X).", rule({atom("sf_p", {X})}, {neg(atom("sf_q", {X}))}), 0},
        {"p :- not q(X).", rule({atom("sf_p0")}, {neg(atom("sf_q", {X}))}), 0},
        {"p :- q(X), not r(X).", rule({atom("sf_p0")}, {pos(atom("sf_q", {X})), neg(atom("sf_r", {X}))}), 1},
        {"p :- not r.", rule({atom("sf_p0")}, {neg(atom("sf_r0"))}), 1},
        {"p(X) :- q(X), r(Y, X).", rule({atom("sf_p", {X})}, {pos(atom("sf_q", {X})), pos(atom("sf_r2", {Y, X}))}), 1},
        {"fact p(X).", fact(atom("sf_p", {X})), 0},
        {"fact p(f(a)).", fact(atom("sf_p", {fun("f", {con("a")})})), 1},
        {"fact p(a).", fact(atom("sf_p", {con("a")})), 1},
        {"p(f(g(X),Y)) :- q(X).", rule({atom("sf_p", {fun("f", {fun("g", {X}), Y})})}, {pos(atom("sf_q", {X}))}), 0},
        {"p(f(X,g(Y))) :- q(X).", rule({atom("sf_p", {fun("f", {X, fun("g", {Y})})})}, {pos(atom("sf_q", {X}))}), 0},
        {"p(f(X,g(Y))) :- q(X), r(g(Y), X).",
         rule({atom("sf_p", {fun("f", {X, fun("g", {Y})})})}, {pos(atom("sf_q", {X})), pos(atom("sf_r2", {fun("g", {Y}), X}))}), 1},
        // An equality between two variables binds neither of them.
        {"p(X) :- q(Y), X == Y.", rule({atom("sf_p", {X})}, {pos(atom("sf_q", {Y})), pos(builtin("==", {X, Y}))}), 0},
        {"p :- q(Y), X < Y.", rule({atom("sf_p0")}, {pos(atom("sf_q", {Y})), pos(builtin("<", {X, Y}))}), 0},
        {"p :- q(Y), r(X), X < Y.", rule({atom("sf_p0")}, {pos(atom("sf_q", {Y})), pos(atom("sf_r", {X})), pos(builtin("<", {X, Y}))}), 1},
        // A list built-in binds its output from a bound input.
        {"p(X) :- q(Y), #head(Y, X).", rule({atom("sf_p", {X})}, {pos(atom("sf_q", {Y})), pos(builtin("#head", {Y, X}))}), 1},
        {"p :- q(Y), #member(X, Y).", rule({atom("sf_p0")}, {pos(atom("sf_q", {Y})), pos(builtin("#member", {X, Y}))}), 0},
        // #int binds its output once its bounds are bound.
        {"p(X) :- #int(0, 5, X).", rule({atom("sf_p", {X})}, {pos(builtin("#int", {num(0), num(5), X}))}), 1},
        {"p(X) :- #int(0, Y, X).", rule({atom("sf_p", {X})}, {pos(builtin("#int", {num(0), Y, X}))}), 0},
        // A variable inside a compound argument of a positive literal is bound by it.
        {"p(X) :- q(f(X)).", rule({atom("sf_p", {X})}, {pos(atom("sf_q", {fun("f", {X})}))}), 1},
        {"p(X) :- q(Y), not r(f(Y, Z)).", rule({atom("sf_p", {X})}, {pos(atom("sf_q", {Y})), neg(atom("sf_r", {fun("f", {Y, Z})}))}), 0},
    };
    for (const RULE_CASE &c : cases) EXPECT_EQ(c.safe, isSafe(c.rule)) << c.what;
}

// A negated built-in is a test: it binds nothing, and needs every argument bound, also its
// output, whatever the positive form would bind.
// The parser substitutes an equality with a constant into the rule before the check; what is
// left binds the head variable, and the equality itself waits for its arguments.
TEST(RuleSafety, EqualitiesBindVariablesToValues) {
    struct CASE {
        const char *what;
        ATOM equality;
        int bindsX;
    };
    const CASE cases[] = {
        {"X == a", builtin("==", {X, con("a")}), 1},
        {"3 == X", builtin("==", {num(3), X}), 1},
        {"X == Y", builtin("==", {X, Y}), 0},
        {"X == f(a)", builtin("==", {X, fun("f", {con("a")})}), 0},
        {"f(a) == X", builtin("==", {fun("f", {con("a")}), X}), 0},
    };
    for (const CASE &c : cases) {
        EXPECT_EQ(c.bindsX, bindsVariable(body({pos(c.equality)}), X)) << c.what;
        EXPECT_EQ(0, bindsVariable(body({neg(c.equality)}), X)) << "not " << c.what;
    }
    EXPECT_EQ(0, isSafe(rule({atom("sf_p", {X})}, {pos(builtin("==", {X, con("a")}))})));
    EXPECT_EQ(1, isSafe(rule({atom("sf_p", {X})}, {pos(atom("sf_q", {X})), pos(builtin("==", {X, con("a")}))})));
}

TEST(RuleSafety, NegatedBuiltinsBindNothing) {
    const RULE_CASE cases[] = {
        {"p(X) :- q(Y), not #succ(Y, X).", rule({atom("sf_p", {X})}, {pos(atom("sf_q", {Y})), neg(builtin("#succ", {Y, X}))}), 0},
        {"p :- q(Y), not #succ(Y, X).", rule({atom("sf_p0")}, {pos(atom("sf_q", {Y})), neg(builtin("#succ", {Y, X}))}), 0},
        {"p :- q(Y), r(X), not #succ(Y, X).", rule({atom("sf_p0")}, {pos(atom("sf_q", {Y})), pos(atom("sf_r", {X})), neg(builtin("#succ", {Y, X}))}), 1},
        {"p(X) :- not X == a.", rule({atom("sf_p", {X})}, {neg(builtin("==", {X, con("a")}))}), 0},
        {"p :- q(Y), not X == Y.", rule({atom("sf_p0")}, {pos(atom("sf_q", {Y})), neg(builtin("==", {X, Y}))}), 0},
        {"p :- q(Y), r(X), not X == Y.", rule({atom("sf_p0")}, {pos(atom("sf_q", {Y})), pos(atom("sf_r", {X})), neg(builtin("==", {X, Y}))}), 1},
        {"p :- not #int(0, 3, X).", rule({atom("sf_p0")}, {neg(builtin("#int", {num(0), num(3), X}))}), 0},
    };
    for (const RULE_CASE &c : cases) EXPECT_EQ(c.safe, isSafe(c.rule)) << c.what;
    CONJUNCTION b = body({pos(atom("sf_q", {Y})), neg(builtin("#succ", {Y, X}))});
    EXPECT_EQ(0, bindsVariable(b, X));
    EXPECT_EQ(1, bindsVariable(b, Y));
}

TEST(BodySafety, AggregateGuards) {
    struct CASE {
        const char *what;
        CONJUNCTION body;
        int safe;
    };
    const CASE cases[] = {
        {":- X <= #count{...} <= 3.", body({pos(aggregate(X, num(3)))}), 0},
        {":- q(X), X <= #count{...} <= 3.", body({pos(atom("sf_q", {X})), pos(aggregate(X, num(3)))}), 1},
        {":- 1 <= #count{...} <= Y, q(X).", body({pos(aggregate(num(1), Y)), pos(atom("sf_q", {X}))}), 0},
        {":- X = #count{...}.", body({pos(aggregate(X, X, true))}), 1},
        {":- X = #count{...}, not r(X).", body({pos(aggregate(X, X, true)), neg(atom("sf_r", {X}))}), 1},
        {":- X = #count{...}, #succ(X, Y), not r(Y).",
         body({pos(builtin("#succ", {X, Y})), pos(aggregate(X, X, true)), neg(atom("sf_r", {Y}))}), 1},
        // A negated aggregate is tested for its guards, not taken as a literal without arguments.
        {":- not X <= #count{...} <= 3.", body({neg(aggregate(X, num(3)))}), 0},
        {":- not X = #count{...}.", body({neg(aggregate(X, X, true))}), 0},
        {":- q(X), not X <= #count{...} <= 3.", body({pos(atom("sf_q", {X})), neg(aggregate(X, num(3)))}), 1},
        {":- not 1 <= #count{...} <= 3.", body({neg(aggregate(num(1), num(3)))}), 1},
        {":- q(X), r(Y).", body({pos(atom("sf_q", {X})), pos(atom("sf_r", {Y}))}), 1},
        {"empty body", CONJUNCTION(), 1},
    };
    for (const CASE &c : cases) EXPECT_EQ(c.safe, isSafe(c.body)) << c.what;

    CONJUNCTION assigned = body({pos(aggregate(X, X, true)), pos(aggregate(Y, num(2)))});
    EXPECT_EQ(1, bindsVariable(assigned, X));
    EXPECT_EQ(0, bindsVariable(assigned, Y));
    CONJUNCTION negatedAssignment = body({neg(aggregate(X, X, true))});
    EXPECT_EQ(0, bindsVariable(negatedAssignment, X));
    // The assignment binds the head variable.
    EXPECT_EQ(1, isSafe(rule({atom("sf_p", {X})}, {pos(aggregate(X, X, true))})));
}

// 1 <= #count{X : inner} <= 2 over the given inner body.
ATOM countOver(std::vector<LITERAL> inner) {
    AGGREGATE_SPEC spec;
    spec.type = AGGREGATE_COUNT;
    spec.terms.push_back(X);
    spec.conjunction = body(std::move(inner));
    AGGREGATE_ATOM part;
    part.function = AGGREGATEFUNCTION::make(spec);
    part.lowerGuard = num(1);
    part.lowerInclusive = 1;
    part.upperGuard = num(2);
    part.upperInclusive = 1;
    return ATOM(predicateTable.add("#count", 0, PREDICATE_AGGREGATE).first, std::move(part));
}

// The literals of an aggregate's own body that need bindings get them from the enclosing body
// or from the aggregate's body.
TEST(BodySafety, AggregateBodies) {
    LITERAL qY = pos(atom("sf_q", {Y}));
    LITERAL pX = pos(atom("sf_q", {X}));
    struct CASE {
        const char *what;
        CONJUNCTION body;
        int safe;
    };
    const CASE cases[] = {
        {":- q(Y), #count{X : q(X), not r(X,Y)}.", body({qY, pos(countOver({pX, neg(atom("sf_r2", {X, Y}))}))}), 1},
        {":- #count{X : q(X), not r(X,Y)}.", body({pos(countOver({pX, neg(atom("sf_r2", {X, Y}))}))}), 0},
        {":- q(Y), #count{X : q(X), X < Y}.", body({qY, pos(countOver({pX, pos(builtin("<", {X, Y}))}))}), 1},
        {":- #count{X : q(X), X < Y}.", body({pos(countOver({pX, pos(builtin("<", {X, Y}))}))}), 0},
        {":- q(Y), not #count{X : q(X), not r(X,Y)}.", body({qY, neg(countOver({pX, neg(atom("sf_r2", {X, Y}))}))}), 1},
        {":- not #count{X : q(X), not r(X,Y)}.", body({neg(countOver({pX, neg(atom("sf_r2", {X, Y}))}))}), 0},
        {":- q(Y), #count{X : q(X), not r(f(Y))}.", body({qY, pos(countOver({pX, neg(atom("sf_r", {fun("f", {Y})}))}))}), 1},
        // The variables of a compound argument come all from one side.
        {":- q(Y), #count{X : q(X), not r(f(X,Y))}.", body({qY, pos(countOver({pX, neg(atom("sf_r", {fun("f", {X, Y})}))}))}), 0},
        {":- #count{X : q(X), r(X,Y)}.", body({pos(countOver({pX, pos(atom("sf_r2", {X, Y}))}))}), 1},
    };
    for (const CASE &c : cases) EXPECT_EQ(c.safe, isSafe(c.body)) << c.what;
}

TEST(BodySafety, PendingLiteralsAndWeakConstraints) {
    std::vector<LITERAL> pending;
    CONJUNCTION safe;
    EXPECT_EQ(1, bindPendingLiterals(pending, safe));
    // Each literal waits for the output of the one after it; the scan restarts after each move.
    pending.push_back(pos(builtin("+", {Z, num(1), W})));
    pending.push_back(pos(builtin("+", {Y, num(1), Z})));
    pending.push_back(neg(atom("sf_r", {W})));
    safe = body({pos(atom("sf_q", {Y}))});
    EXPECT_EQ(1, bindPendingLiterals(pending, safe));
    EXPECT_TRUE(pending.empty());
    EXPECT_EQ(4u, safe.size());
    EXPECT_EQ(3u, safe.firstNegative);
    pending.push_back(neg(atom("sf_r", {A})));
    EXPECT_EQ(0, bindPendingLiterals(pending, safe));

    CONJUNCTION b = body({pos(atom("sf_r2", {X, Y}))});
    EXPECT_EQ(1, weightAndLevelSafe(X, Y, b));
    EXPECT_EQ(1, weightAndLevelSafe(num(1000), num(1), b));
    EXPECT_EQ(0, weightAndLevelSafe(Z, Y, b));
    EXPECT_EQ(0, weightAndLevelSafe(X, Z, b));
}

TEST(BuiltinOutputs, FirstOccurrenceDecides) {
    ATOM sum = builtin("+", {X, Y, Z});
    EXPECT_EQ(1, builtinBindsVariable(sum, Z));
    EXPECT_EQ(0, builtinBindsVariable(sum, X));
    EXPECT_EQ(0, builtinBindsVariable(sum, W));
    EXPECT_EQ(0, builtinBindsVariable(builtin("+", {X, Y, X}), X));
    ATOM tail = builtin("#tail", {Y, fun("f", {X})});
    EXPECT_EQ(1, builtinBindsVariable(tail, X));
}

TEST(BoundMarks, ArgumentTestsForBodyOrdering) {
    std::vector<uint8_t> marks(6, 0);
    marks[0] = 1; // X
    ATOM a = builtin("#int", {X, num(1), Z});
    EXPECT_EQ(1, leadingArgumentsBound(a, marks, 2));
    EXPECT_EQ(0, leadingArgumentsBound(a, marks, 3));
    EXPECT_EQ(1, leadingArgumentsBound(a, marks, -1));
    EXPECT_EQ(2, countBoundArguments(a, marks));
    ATOM nested = atom("sf_r2", {fun("f", {X, fun("g", {Z})}), fun("h", {con("a")})});
    EXPECT_EQ(1, countBoundArguments(nested, marks));
    EXPECT_EQ(1, hasUnmarkedVariable(complexTerm(nested.arg(0)), marks));
    EXPECT_EQ(0, hasUnmarkedVariable(complexTerm(nested.arg(1)), marks));
    marks[2] = 1;
    EXPECT_EQ(0, hasUnmarkedVariable(complexTerm(nested.arg(0)), marks));
    EXPECT_EQ(2, countBoundArguments(nested, marks));
    EXPECT_EQ(3, countBoundArguments(a, marks));
}

} // namespace
