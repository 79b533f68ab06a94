#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <vector>

#include "core/builtin.h"
#include "core/program.h"
#include "core/substitution.h"
#include "support/option_values.h"
#include "test_terms.h"

namespace {

// The atom of a built-in literal, made as the parser makes it.
ATOM builtinAtom(const char *keyword, std::vector<TERM> args) {
    std::unique_ptr<BUILTIN_TYPE> object = newBuiltin(keyword);
    EXPECT_NE(nullptr, object) << keyword;
    TERMS terms(args.begin(), args.end());
    return BUILTIN_TYPE::makeAtom(std::move(object), terms);
}

BUILTIN_TYPE *objectOf(const ATOM &atom) { return lookupBuiltin(atom.predicate); }

// Evaluates a functional built-in; the substitution has ten free variables unless given.
int evaluate(const ATOM &atom, SUBSTITUTION &s) {
    return static_cast<FUNCTIONAL_BUILTIN *>(objectOf(atom))->evaluate(atom, s);
}

struct MaxIntGuard {
    int32_t saved = maxInt;
    ~MaxIntGuard() { maxInt = saved; }
};

TEST(BuiltinTable, ClassesKeywordsAndFlags) {
    struct CASE {
        const char *keyword;
        int32_t kind, inputs;
        bool arithmetic, output, grows, functional;
    };
    const CASE cases[] = {
        {"==", 0, 2, false, false, false, true},       {"!=", 1, 2, false, false, false, true},
        {"<", 2, 2, false, false, false, true},        {">", 3, 2, false, false, false, true},
        {"<=", 4, 2, false, false, false, true},       {">=", 5, 2, false, false, false, true},
        {"#int", 6, 2, false, true, false, false},     {"#prec", 7, 1, true, true, false, true},
        {"#succ", 8, 1, true, true, true, true},       {"#mod", 9, 2, true, true, false, true},
        {"#absdiff", 10, 2, true, true, false, true},  {"#rand", 11, 2, false, true, false, false},
        {"+", 12, 2, true, true, true, true},          {"*", 13, 2, true, true, true, true},
        {"-", 14, 2, true, true, false, true},         {"/", 15, 2, true, true, false, true},
        {"#last", 16, 1, false, true, false, true},    {"#member", 17, 2, false, false, false, true},
        {"#length", 18, 1, false, true, false, true},  {"#append", 19, 2, false, true, true, true},
        {"#insnth", 20, 3, false, true, true, true},   {"#getnth", 21, 2, false, true, false, true},
        {"#delnth", 22, 2, false, true, false, true},  {"#insLast", 23, 2, false, true, true, true},
        {"#reverse", 24, 1, false, true, false, true}, {"#subList", 25, 2, false, false, false, true},
        {"#head", 26, 1, false, true, false, true},    {"#tail", 27, 1, false, true, false, true},
        {"#flatten", 28, 1, false, true, false, true},
    };
    for (const CASE &c : cases) {
        std::unique_ptr<BUILTIN_TYPE> b = newBuiltin(c.keyword);
        ASSERT_NE(nullptr, b) << c.keyword;
        EXPECT_EQ(c.kind, b->getKind()) << c.keyword;
        EXPECT_STREQ(c.keyword, b->getName());
        EXPECT_EQ(c.inputs, b->getInputCount()) << c.keyword;
        EXPECT_EQ(c.arithmetic, b->isArithmetic()) << c.keyword;
        EXPECT_EQ(c.output, b->hasOutput()) << c.keyword;
        EXPECT_EQ(c.grows, b->canGrow()) << c.keyword;
        EXPECT_EQ(c.functional, b->isFunctional()) << c.keyword;
    }
    EXPECT_EQ(nullptr, newBuiltin("#nosuch"));
    EXPECT_EQ(nullptr, newBuiltin("="));
}

TEST(BuiltinTable, OneObjectPerPredicateAndDeletion) {
    ATOM first = builtinAtom("#absdiff", {var(0), var(1), var(2)});
    BUILTIN_TYPE *registered = objectOf(first);
    ASSERT_NE(nullptr, registered);
    EXPECT_EQ(PREDICATE_BUILTIN, predicateTable.kind(first.predicate));
    EXPECT_FALSE(predicateTable.isInternal(first.predicate));
    EXPECT_STREQ("#absdiff", predicateTable.name(first.predicate));
    // The second object the parser makes for the predicate is deleted; the first one stays.
    ATOM second = builtinAtom("#absdiff", {num(1), var(1), var(2)});
    EXPECT_EQ(first.predicate, second.predicate);
    EXPECT_EQ(registered, objectOf(second));
    EXPECT_EQ(BUILTIN_ABSDIFF, first.builtinKind());

    // An unknown predicate gets an empty slot.
    uint32_t unknown = predicateTable.add("pr_not_a_builtin", 0, PREDICATE_EDB).first;
    EXPECT_EQ(nullptr, lookupBuiltin(unknown));

    std::unordered_map<uint32_t, std::unique_ptr<BUILTIN_TYPE>> saved;
    saved.swap(builtinTable);
    builtinAtom("#absdiff", {var(0), var(1), var(2)});
    builtinAtom("#succ", {var(0), var(1)});
    EXPECT_EQ(2u, builtinTable.size());
    EXPECT_EQ(BUILTIN_SUCC, builtinAtom("#succ", {var(1), var(0)}).builtinKind());
    ATOM succ = builtinAtom("#succ", {var(0), var(1)});
    deleteBuiltins();
    EXPECT_TRUE(builtinTable.empty());
    EXPECT_EQ(-1, succ.builtinKind());
    saved.swap(builtinTable);
}

// x op y with the output free (bound afterwards to `result`) or bound to `output`.
struct ARITHMETIC_CASE {
    const char *keyword;
    std::vector<int32_t> inputs;
    std::optional<int32_t> output; // bound output, or free
    int32_t maxIntValue;
    int expected;
    int32_t result; // the value bound to a free output when the answer is 1
};

TEST(ArithmeticBuiltins, ResultsLimitsAndFailures) {
    MaxIntGuard guard;
    const ARITHMETIC_CASE cases[] = {
        {"#succ", {9}, {}, 10, 1, 10},
        {"#succ", {10}, {}, 10, 0, 0},
        {"#succ", {10}, 11, 10, 1, 0},          // a bound output is not limited
        {"#succ", {2147483646}, {}, -1, 1, 2147483647},
        {"#succ", {2147483647}, {}, -1, 0, 0},  // would overflow
        {"#succ", {2147483647}, 0, -1, 0, 0},
        {"#prec", {0}, {}, -1, 0, 0},
        {"#prec", {1}, {}, -1, 1, 0},
        {"#prec", {5}, 4, -1, 1, 0},
        {"#prec", {5}, 3, -1, 0, 0},
        {"+", {2, 3}, {}, -1, 1, 5},
        {"+", {2147483647, 1}, {}, -1, 0, 0},   // the sum exceeds 32 bits
        {"+", {2147483647, 2147483647}, {}, -1, 0, 0},
        {"+", {2147483647, 2147483647}, -2, -1, 0, 0}, // no wrap-around when compared either
        {"+", {6, 5}, {}, 10, 0, 0},
        {"+", {6, 4}, {}, 10, 1, 10},
        {"+", {6, 5}, 11, 10, 1, 0},
        {"-", {3, 5}, {}, -1, 0, 0},
        {"-", {5, 3}, {}, -1, 1, 2},
        {"-", {5, 5}, 0, -1, 1, 0},
        {"*", {40000, 40000}, {}, -1, 0, 0},    // above 999999999 although it fits in 32 bits
        {"*", {999, 1001001}, {}, -1, 1, 999999999},
        {"*", {65536, 65537}, 65536, -1, 0, 0}, // compared with the exact product
        {"*", {65536, 65536}, 0, -1, 0, 0},
        {"*", {2147483647, 2147483647}, 1, -1, 0, 0},
        {"*", {4, 3}, {}, 10, 0, 0},
        {"*", {4, 3}, 12, 10, 1, 0},
        {"*", {0, 2147483647}, {}, -1, 1, 0},
        {"/", {7, 2}, {}, -1, 1, 3},
        {"/", {7, 0}, {}, -1, 0, 0},
        {"/", {7, 0}, 0, -1, 0, 0},
        {"/", {8, 2}, 4, -1, 1, 0},
        {"#mod", {7, 2}, {}, -1, 1, 1},
        {"#mod", {7, 0}, {}, -1, 0, 0},
        {"#mod", {7, 0}, 7, -1, 0, 0},
        {"#absdiff", {3, 5}, {}, -1, 1, 2},
        {"#absdiff", {5, 3}, 2, -1, 1, 0},
        {"#absdiff", {0, 2147483647}, {}, -1, 1, 2147483647},
    };
    for (const ARITHMETIC_CASE &c : cases) {
        maxInt = c.maxIntValue;
        std::vector<TERM> args;
        for (int32_t x : c.inputs) args.push_back(num(x));
        args.push_back(c.output ? num(*c.output) : var(0));
        ATOM a = builtinAtom(c.keyword, args);
        SUBSTITUTION s(4);
        std::string what = std::string(c.keyword) + " " + std::to_string(c.inputs[0]);
        EXPECT_EQ(c.expected, evaluate(a, s)) << what;
        if (!c.output && c.expected == 1) {
            ASSERT_TRUE(s[0].isInteger()) << what;
            EXPECT_EQ(c.result, integerValue(s[0])) << what;
        } else {
            EXPECT_TRUE(s[0].isNull()) << what << ": a failing or testing literal binds nothing";
        }
    }
}

TEST(ArithmeticBuiltins, ArgumentsReadThroughTheSubstitution) {
    MaxIntGuard guard;
    maxInt = -1;
    ATOM sum = builtinAtom("+", {var(0), var(1), var(2)});
    SUBSTITUTION s(4);
    s[0] = num(4);
    s[1] = num(5);
    EXPECT_EQ(1, evaluate(sum, s));
    EXPECT_EQ(9, integerValue(s[2]));
    EXPECT_EQ(1, evaluate(sum, s)) << "bound now, and equal";
    s[2] = num(10);
    EXPECT_EQ(0, evaluate(sum, s));
    // Inputs and outputs that are not integers make the literal false.
    const TERM wrong[] = {con("a"), fun("f", {num(1)}), list({num(1)})};
    for (TERM w : wrong) {
        SUBSTITUTION t(4);
        t[0] = w;
        t[1] = num(1);
        EXPECT_EQ(0, evaluate(sum, t));
        EXPECT_TRUE(t[2].isNull());
        SUBSTITUTION u(4);
        u[0] = num(1);
        u[1] = num(1);
        u[2] = w;
        EXPECT_EQ(0, evaluate(sum, u));
    }
    ATOM withConstant = builtinAtom("#succ", {con("a"), var(0)});
    SUBSTITUTION v(4);
    EXPECT_EQ(0, evaluate(withConstant, v));
}

int evaluateWithState(const ATOM &atom, SUBSTITUTION &s, int32_t &state) {
    return static_cast<NON_FUNCTIONAL_BUILTIN *>(objectOf(atom))->evaluate(atom, s, state);
}

// The values #int yields with its output free, one per call until it answers 0.
std::vector<int32_t> enumerate(int32_t low, int32_t high, size_t limit = 10) {
    ATOM a = builtinAtom("#int", {num(low), num(high), var(0)});
    SUBSTITUTION s(2);
    int32_t state = 0;
    std::vector<int32_t> values;
    while (values.size() < limit) {
        s.unbind(0);
        if (!evaluateWithState(a, s, state)) break;
        values.push_back(integerValue(s[0]));
    }
    return values;
}

TEST(IntBuiltin, EnumeratesTheRangeOnce) {
    EXPECT_EQ((std::vector<int32_t>{2, 3, 4}), enumerate(2, 4));
    EXPECT_EQ((std::vector<int32_t>{0}), enumerate(0, 0));
    EXPECT_EQ((std::vector<int32_t>{}), enumerate(3, 1));
    // The last value of the integer range ends the enumeration instead of wrapping around.
    EXPECT_EQ((std::vector<int32_t>{2147483646, 2147483647}), enumerate(2147483646, 2147483647));
    EXPECT_EQ((std::vector<int32_t>{2147483647}), enumerate(2147483647, 2147483647));
}

TEST(IntBuiltin, BoundOutputHoldsOncePerBinding) {
    ATOM a = builtinAtom("#int", {num(0), num(5), var(0)});
    SUBSTITUTION s(2);
    s[0] = num(3);
    int32_t state = 0;
    EXPECT_EQ(1, evaluateWithState(a, s, state));
    EXPECT_EQ(0, evaluateWithState(a, s, state));
    state = 0;
    s[0] = num(6);
    EXPECT_EQ(0, evaluateWithState(a, s, state));
    ATOM bad = builtinAtom("#int", {con("a"), num(5), var(0)});
    state = 0;
    s.unbind(0);
    EXPECT_EQ(0, evaluateWithState(bad, s, state));
}

TEST(RandBuiltin, DrawsWithinTheBounds) {
    int32_t state = 0;
    ATOM fixed = builtinAtom("#rand", {num(5), num(5), var(0)});
    SUBSTITUTION s(2);
    EXPECT_EQ(1, evaluateWithState(fixed, s, state));
    EXPECT_EQ(5, integerValue(s[0]));
    ATOM empty = builtinAtom("#rand", {num(6), num(5), var(0)});
    s.unbind(0);
    EXPECT_EQ(0, evaluateWithState(empty, s, state));
    EXPECT_TRUE(s[0].isNull());
    ATOM wide = builtinAtom("#rand", {num(0), num(2147483647), var(0)});
    ATOM narrow = builtinAtom("#rand", {num(3), num(7), var(0)});
    for (int i = 0; i < 200; i++) {
        s.unbind(0);
        ASSERT_EQ(1, evaluateWithState(wide, s, state));
        EXPECT_GE(integerValue(s[0]), 0);
        s.unbind(0);
        ASSERT_EQ(1, evaluateWithState(narrow, s, state));
        EXPECT_GE(integerValue(s[0]), 3);
        EXPECT_LE(integerValue(s[0]), 7);
    }
    s[0] = num(4);
    EXPECT_EQ(1, evaluateWithState(narrow, s, state));
    s[0] = num(8);
    EXPECT_EQ(0, evaluateWithState(narrow, s, state));
}

TEST(ComparisonBuiltins, OrderOfTerms) {
    // Constants compare by their names, whatever order they were interned in.
    TERM b = con("pr_cmp_b"), a = con("pr_cmp_a");
    TERM one = num(1), two = num(2), ten = num(10);
    TERM l = list({one}), f = fun("f", {one});
    struct CASE {
        const char *keyword;
        TERM x, y;
        int expected;
    };
    const CASE cases[] = {
        {"<", a, b, 1},     {"<", b, a, 0},      {">", b, a, 1},     {"<", a, one, 1},
        {"<", one, l, 1},   {"<", one, f, 1},    {"<", two, ten, 1}, {">", ten, two, 1},
        {"<=", two, two, 1}, {">=", two, two, 1}, {"<=", ten, two, 0}, {">=", two, ten, 0},
        {"==", two, two, 1}, {"==", a, two, 0},  {"!=", a, two, 1},  {"!=", two, two, 0},
        {"==", f, fun("f", {one}), 1}, {"==", l, f, 0}, {"==", TERM(), TERM(), 1},
        {"<", TERM(), l, 1}, {"<", ten, TERM(), 1},
    };
    for (const CASE &c : cases) {
        ATOM atom = builtinAtom(c.keyword, {c.x, c.y});
        SUBSTITUTION s(2);
        EXPECT_EQ(c.expected, evaluate(atom, s)) << c.keyword << " case";
    }
}

TEST(ComparisonBuiltins, ArgumentsAreInstantiated) {
    TERM a = con("a");
    ATOM eq = builtinAtom("==", {fun("f", {var(0)}), fun("f", {a})});
    SUBSTITUTION s(2);
    s[0] = a;
    EXPECT_EQ(1, evaluate(eq, s));
    s[0] = con("b");
    EXPECT_EQ(0, evaluate(eq, s));
    ATOM lists = builtinAtom("==", {listWithTail(var(0), var(1)), list({a, con("b"), con("c")})});
    SUBSTITUTION t(2);
    t[0] = a;
    t[1] = list({con("b"), con("c")});
    EXPECT_EQ(1, evaluate(lists, t));
    // A tail bound to something that is no list denotes no term: the literal is false.
    t[1] = con("b");
    EXPECT_EQ(0, evaluate(lists, t));
    ATOM ne = builtinAtom("!=", {listWithTail(var(0), var(1)), con("x")});
    EXPECT_EQ(0, evaluate(ne, t));
}

// A list built-in over ground arguments: the answer and, when the output was free, its value.
struct LIST_CASE {
    const char *keyword;
    std::vector<TERM> inputs;
    int expected;
    TERM result; // the value of the free output when the answer is 1 (ignored without output)
};

TEST(ListBuiltins, ResultsAndFailures) {
    TERM a = con("a"), b = con("b"), c = con("c"), x = con("x");
    TERM empty = list({}), abc = list({a, b, c}), ab = list({a, b});
    TERM nested = list({a, list({b, list({c})}), empty, fun("f", {list({con("d")})})});
    const LIST_CASE cases[] = {
        {"#head", {empty}, 0, {}},
        {"#last", {empty}, 0, {}},
        {"#tail", {empty}, 0, {}},
        {"#head", {abc}, 1, a},
        {"#last", {abc}, 1, c},
        {"#tail", {abc}, 1, list({b, c})},
        {"#tail", {list({a})}, 1, empty},
        {"#length", {empty}, 1, num(0)},
        {"#length", {abc}, 1, num(3)},
        {"#reverse", {empty}, 1, empty},
        {"#reverse", {abc}, 1, list({c, b, a})},
        {"#getnth", {abc, num(0)}, 0, {}},
        {"#getnth", {abc, num(1)}, 1, a},
        {"#getnth", {abc, num(3)}, 1, c},
        {"#getnth", {abc, num(4)}, 0, {}},
        {"#getnth", {abc, a}, 0, {}},
        {"#insnth", {ab, x, num(1)}, 1, list({x, a, b})},
        {"#insnth", {ab, x, num(3)}, 1, list({a, b, x})},
        {"#insnth", {ab, x, num(4)}, 0, {}},
        {"#insnth", {ab, x, num(0)}, 0, {}},
        {"#insnth", {ab, x, a}, 0, {}},
        {"#delnth", {abc, num(2)}, 1, list({a, c})},
        {"#delnth", {abc, num(0)}, 0, {}},
        {"#delnth", {abc, num(4)}, 0, {}},
        {"#delnth", {abc, a}, 0, {}},
        {"#flatten", {nested}, 1, list({a, b, c, fun("f", {list({con("d")})})})},
        {"#flatten", {empty}, 1, empty},
        {"#append", {list({a}), list({b})}, 1, ab},
        {"#append", {empty, empty}, 1, empty},
        {"#insLast", {ab, c}, 1, abc},
        {"#insLast", {empty, ab}, 1, list({ab})},
        {"#member", {num(2), list({num(1), num(2)})}, 1, {}},
        {"#member", {num(3), list({num(1), num(2)})}, 0, {}},
        {"#member", {a, a}, 0, {}},
        {"#subList", {empty, abc}, 1, {}},
        {"#subList", {empty, empty}, 1, {}},
        {"#subList", {list({b, c}), abc}, 1, {}},
        {"#subList", {list({a, c}), abc}, 0, {}},
        {"#subList", {list({a, b, c, a}), abc}, 0, {}},
        {"#subList", {a, abc}, 0, {}},
        // A list input that is not a list fails.
        {"#length", {a}, 0, {}},
        {"#head", {fun("f", {a})}, 0, {}},
        {"#append", {ab, num(1)}, 0, {}},
    };
    for (const LIST_CASE &k : cases) {
        bool output = newBuiltin(k.keyword)->hasOutput();
        std::vector<TERM> args = k.inputs;
        if (output) args.push_back(var(0));
        ATOM atom = builtinAtom(k.keyword, args);
        SUBSTITUTION s(2);
        EXPECT_EQ(k.expected, evaluate(atom, s)) << k.keyword;
        if (output && k.expected == 1)
            EXPECT_EQ(k.result, s[0]) << k.keyword;
        else
            EXPECT_TRUE(s[0].isNull()) << k.keyword;
        // The same literal with the output bound to the expected value holds as well.
        if (output && k.expected == 1) {
            args.back() = k.result;
            ATOM bound = builtinAtom(k.keyword, args);
            SUBSTITUTION t(2);
            EXPECT_EQ(1, evaluate(bound, t)) << k.keyword << " with the output bound";
        }
    }
}

TEST(ListBuiltins, BoundOutputsCompareByValue) {
    TERM a = con("a"), b = con("b");
    SUBSTITUTION s(4);
    // The list written in the input and the computed one are one interned term.
    ATOM appended = builtinAtom("#append", {list({a}), list({b}), list({a, b})});
    EXPECT_EQ(1, evaluate(appended, s));
    ATOM toConstant = builtinAtom("#append", {list({a}), list({b}), a});
    EXPECT_EQ(0, evaluate(toConstant, s));
    ATOM other = builtinAtom("#append", {list({a}), list({b}), list({b, a})});
    EXPECT_EQ(0, evaluate(other, s));
    ATOM length = builtinAtom("#length", {list({a, b}), var(0)});
    s[0] = num(2);
    EXPECT_EQ(1, evaluate(length, s));
    s[0] = a;
    EXPECT_EQ(0, evaluate(length, s));
    ATOM head = builtinAtom("#head", {list({fun("f", {a})}), fun("f", {var(1)})});
    s[1] = a;
    EXPECT_EQ(1, evaluate(head, s));
    s[1] = b;
    EXPECT_EQ(0, evaluate(head, s));
}

TEST(ListBuiltins, ListsWrittenWithATail) {
    TERM a = con("a"), b = con("b"), c = con("c");
    ATOM length = builtinAtom("#length", {listWithTail(var(0), var(1)), var(2)});
    SUBSTITUTION s(4);
    s[0] = a;
    s[1] = list({b, c});
    EXPECT_EQ(1, evaluate(length, s));
    EXPECT_EQ(3, integerValue(s[2]));
    // A tail bound to a constant, an integer or a function term is no list: the literal fails
    // instead of reading the tail's table entry as a list.
    const TERM notLists[] = {b, num(0), fun("f", {a})};
    for (TERM t : notLists) {
        SUBSTITUTION u(4);
        u[0] = a;
        u[1] = t;
        EXPECT_EQ(0, evaluate(length, u));
        EXPECT_TRUE(u[2].isNull());
    }
    ATOM member = builtinAtom("#member", {var(2), listWithTail(var(0), var(1))});
    SUBSTITUTION v(4);
    v[0] = a;
    v[1] = num(3);
    v[2] = a;
    EXPECT_EQ(0, evaluate(member, v));
    v[1] = list({c});
    v[2] = c;
    EXPECT_EQ(1, evaluate(member, v));
}

TEST(ListBuiltins, FlattenDeepListsWithoutRecursion) {
    const int depth = 100000;
    TERM l = list({con("z")});
    for (int i = 0; i < depth; i++) l = list({l, num(i % 3)});
    TERMS out;
    flattenList(complexTerm(l).args(), out);
    ASSERT_EQ(size_t(depth) + 1, out.size());
    EXPECT_EQ(con("z"), out[0]);
    EXPECT_EQ(num(0), out[1]);
    EXPECT_EQ(num((depth - 1) % 3), out.back());
}

} // namespace
