// Aggregate functions: the function object of an aggregate literal such as
// 1 <= #count{X : p(X)} <= 3. The parser makes one per aggregate literal (its kind, the
// aggregated-over terms and the conjunction after the colon); the grounder feeds every element it
// finds into it and interns it; the model generator keeps moving its bounds during the search.
// `lower` and `upper` are the smallest and the largest value the aggregate can still take, given
// which elements are already true and which are still undefined. The five classes differ only in
// how an element moves the bounds.
//
// Ground sets and functions are interned in two global tables (`groundSetTable`,
// `aggregateFunctionTable`), numbered from 0 in the order of first interning, so that equal
// aggregates share one entry and the model generator refers to them by number. An interned
// function has no set of its own: its elements are those of the table entry `setIndex`.
//
// `instantiateAtom` (core/substitution.h) instantiates an aggregate atom with
// `instantiateAggregateAtom`, which the grounder defines beside its other aggregate work
// (grounding/aggregate_grounding.cpp).
//
// Values are signed 32-bit; INT_MIN stands for "no value" in `lower`, `upper`, `maxUndefined`,
// `maxTrue` and `minUndefined`, INT_MAX for "no true value" in `minTrue`. Sums and products are
// computed wide and wrap to 32 bits, so an overflow never is undefined behaviour.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <set>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/conjunction.h"
#include "core/gatom_table.h"
#include "core/substitution.h"
#include "core/term.h"
#include "support/chunked_vector.h"
#include "support/hash_index.h"

// Kinds of aggregate, and their names as every printer and message writes them.
enum AGGREGATE_KIND : int32_t {
    AGGREGATE_ANY = 0,
    AGGREGATE_AVG = 1,
    AGGREGATE_COUNT = 2,
    AGGREGATE_MAX = 3,
    AGGREGATE_MIN = 4,
    AGGREGATE_SUM = 5,
    AGGREGATE_TIMES = 6,
};
// The name of a kind ("#any" ... "#times"); "" for a number outside 0 to 6.
const char *aggregateName(int32_t type);

// One element of a ground set: the value of the first aggregated-over term and the ground atom
// that must be true for the element to count.
struct GROUND_SET_ELEMENT {
    TERM term;
    GATOM_ID atom = 0;
};
// Elements order by term (term order, integers by value), then by atom number.
struct GROUND_SET_ELEMENT_LESS {
    bool operator()(const GROUND_SET_ELEMENT &a, const GROUND_SET_ELEMENT &b) const {
        int c = compareTerm(a.term, b.term);
        return c != 0 ? c < 0 : a.atom < b.atom;
    }
};
// The still undefined elements of a grounded aggregate, in element order without duplicates; true
// elements are counted in the bounds. The grounder appends elements as it finds them; the first
// read puts them in order and drops repeated ones. A set costs 12 bytes an element.
class GROUND_SET {
public:
    using const_iterator = std::vector<GROUND_SET_ELEMENT>::const_iterator;

    void insert(const GROUND_SET_ELEMENT &element) {
        if (inOrder && !elements.empty() && !GROUND_SET_ELEMENT_LESS()(elements.back(), element)) inOrder = false;
        elements.push_back(element);
    }
    void clear() {
        elements.clear();
        inOrder = true;
    }
    bool empty() const { return elements.empty(); }
    size_t size() const {
        putInOrder();
        return elements.size();
    }
    const_iterator begin() const {
        putInOrder();
        return elements.begin();
    }
    const_iterator end() const {
        putInOrder();
        return elements.end();
    }

private:
    mutable std::vector<GROUND_SET_ELEMENT> elements;
    mutable bool inOrder = true; // sorted and without repeats

    void putInOrder() const;
};

// What the parser hands to the constructor: kind, aggregated-over terms, conjunction and
// optionally a ground set to copy.
struct AGGREGATE_SPEC {
    int32_t type = AGGREGATE_COUNT;
    TERMS terms;
    CONJUNCTION conjunction;
    std::unique_ptr<GROUND_SET> set;
};

class AGGREGATEFUNCTION {
public:
    TERMS terms;              // aggregated-over terms; the first gives each element's value
    CONJUNCTION conjunction;  // the symbolic set's body
    uint32_t setIndex = 0;    // groundSetTable number, once ownSet has been interned
    std::unique_ptr<GROUND_SET> ownSet; // none once interned
    int32_t lower = 0;
    int32_t upper = 0;
    int32_t type = AGGREGATE_COUNT;

    explicit AGGREGATEFUNCTION(const AGGREGATE_SPEC &spec);
    AGGREGATEFUNCTION(const AGGREGATEFUNCTION &other);
    AGGREGATEFUNCTION &operator=(const AGGREGATEFUNCTION &) = delete;

    // A new object of the class `type` names (2 to 6), base part and extras copied; none for any
    // other type.
    AGGREGATEFUNCTION *clone() const;
    // The class that `type` names, made from the parsed aggregate with its start values; none for kinds
    // without a class.
    static AGGREGATEFUNCTION *make(const AGGREGATE_SPEC &spec);

    virtual void reset() {}
    virtual ~AGGREGATEFUNCTION() = default;
    // An element was found during grounding (true or undefined).
    virtual void addElement(const TERM &) {}
    // An element is known true (isTrue) or false.
    virtual void decideElement(const TERM &, bool) {}
    // Completes the bounds after all elements of a grounding step were added.
    virtual void finishBounds() {}
    // The aggregate has no value at all.
    virtual bool hasNoValue() const { return false; }
    virtual int32_t getMaxUndefined() const { return 0; }
    virtual int32_t getMaxTrue() const { return 0; }
    virtual int32_t getMinUndefined() const { return 0; }
    virtual int32_t getMinTrue() const { return 0; }
    virtual void setMaxUndefined(int32_t) {}
    virtual void setMaxTrue(int32_t) {}
    virtual void setMinUndefined(int32_t) {}
    virtual void setMinTrue(int32_t) {}

    // The ground set: the function's own, or the interned one at setIndex.
    const GROUND_SET &groundSet() const;
    // Moves ownSet into groundSetTable and keeps its number in setIndex; nothing without ownSet.
    void internGroundSet();

    // Whether the function can take the term as an element: #count takes any term, the others
    // add, multiply or compare integers only. The grounder asks before it adds an element and
    // reports a refused one with `reportNonIntegerElement`, so every element that reaches the
    // function is one it accepts.
    bool acceptsElement(const TERM &term) const { return type == AGGREGATE_COUNT || term.isInteger(); }
    void reportNonIntegerElement() const;
    // The integer value of an element term; a term of another kind is an internal error.
    int32_t elementValue(const TERM &term) const;
};

class COUNTFUNCTION : public AGGREGATEFUNCTION {
public:
    explicit COUNTFUNCTION(const AGGREGATE_SPEC &spec) : AGGREGATEFUNCTION(spec) { reset(); }
    COUNTFUNCTION(const COUNTFUNCTION &) = default;
    void reset() override;
    void addElement(const TERM &term) override;
    void decideElement(const TERM &term, bool isTrue) override;
};

class SUMFUNCTION : public AGGREGATEFUNCTION {
public:
    explicit SUMFUNCTION(const AGGREGATE_SPEC &spec) : AGGREGATEFUNCTION(spec) { reset(); }
    SUMFUNCTION(const SUMFUNCTION &) = default;
    void reset() override;
    void addElement(const TERM &term) override;
    void decideElement(const TERM &term, bool isTrue) override;
};

class TIMESFUNCTION : public AGGREGATEFUNCTION {
public:
    int32_t productTrue = 1; // product of the true values while a zero element keeps lower at 0

    explicit TIMESFUNCTION(const AGGREGATE_SPEC &spec) : AGGREGATEFUNCTION(spec) { reset(); }
    TIMESFUNCTION(const TIMESFUNCTION &) = default;
    void reset() override;
    void addElement(const TERM &term) override;
    void decideElement(const TERM &term, bool isTrue) override;
    void finishBounds() override;
};

class MAXFUNCTION : public AGGREGATEFUNCTION {
public:
    int32_t maxUndefined = INT32_MIN; // largest value among all elements added
    int32_t maxTrue = INT32_MIN;      // largest true value

    explicit MAXFUNCTION(const AGGREGATE_SPEC &spec) : AGGREGATEFUNCTION(spec) { reset(); }
    MAXFUNCTION(const MAXFUNCTION &) = default;
    void reset() override;
    void addElement(const TERM &term) override;
    void decideElement(const TERM &term, bool isTrue) override;
    bool hasNoValue() const override;
    int32_t getMaxUndefined() const override { return maxUndefined; }
    int32_t getMaxTrue() const override { return maxTrue; }
    void setMaxUndefined(int32_t v) override { maxUndefined = v; }
    void setMaxTrue(int32_t v) override { maxTrue = v; }
};

class MINFUNCTION : public AGGREGATEFUNCTION {
public:
    int32_t minUndefined = INT32_MIN; // smallest value among all elements added
    int32_t minTrue = INT32_MAX;      // smallest true value

    explicit MINFUNCTION(const AGGREGATE_SPEC &spec) : AGGREGATEFUNCTION(spec) { reset(); }
    MINFUNCTION(const MINFUNCTION &) = default;
    void reset() override;
    void addElement(const TERM &term) override;
    void decideElement(const TERM &term, bool isTrue) override;
    bool hasNoValue() const override;
    int32_t getMinUndefined() const override { return minUndefined; }
    int32_t getMinTrue() const override { return minTrue; }
    void setMinUndefined(int32_t v) override { minUndefined = v; }
    void setMinTrue(int32_t v) override { minTrue = v; }
};

// The interned ground sets: number to set, and a hash index over them. The hash of a set is the
// wrapping sum of hashAtom of its elements' atoms; two sets are equal when their elements have
// equal terms and atom numbers, in set order.
class GROUND_SET_TABLE {
public:
    // The number of an equal set, or of a new entry holding a copy.
    uint32_t intern(const GROUND_SET &set);
    const GROUND_SET &operator[](uint32_t number) const { return sets[number]; }
    uint32_t size() const { return uint32_t(sets.size()); }
    void clear() {
        sets.clear();
        byHash.clear();
    }

private:
    CHUNKED_VECTOR<GROUND_SET> sets; // entries never move
    HASH_INDEX byHash;
};

// The interned aggregate functions: number to function (an owned clone without a set of its
// own). Two functions are equal when their type and setIndex are equal.
class AGGREGATE_FUNCTION_TABLE {
public:
    // Finds an equal entry or inserts a clone of the function under the next number; returns
    // (number, inserted).
    std::pair<uint32_t, bool> intern(const AGGREGATEFUNCTION &function);
    AGGREGATEFUNCTION &operator[](uint32_t number) const { return *functions[number]; }
    uint32_t size() const { return uint32_t(functions.size()); }
    void clear() {
        functions.clear();
        bySet.clear();
    }

private:
    std::vector<std::unique_ptr<AGGREGATEFUNCTION>> functions;
    std::unordered_multimap<uint32_t, uint32_t> bySet;
};

// The aggregate part of an aggregate atom under a substitution: integer guards (a strict guard
// moved by one), all inclusive, and a clone of the function over its instantiated set literal.
void instantiateAggregateAtom(AGGREGATE_ATOM &destination, const AGGREGATE_ATOM &source,
                              const SUBSTITUTION &substitution);

// The aggregate's name and braces around its ground set when that is not empty, else around
// its symbolic set (the aggregated-over terms, " : " and the atom of the set's first literal).
FILE *printAggregateFunction(FILE *out, const AGGREGATEFUNCTION &function);
// "<term:atom>" per element, separated by ",".
FILE *printGroundSetElements(FILE *out, const GROUND_SET &elements);

extern GROUND_SET_TABLE groundSetTable;
extern AGGREGATE_FUNCTION_TABLE aggregateFunctionTable;
// The number of interned functions (the model generator sizes its aggregate tables by it).
extern uint32_t aggregateFunctionCount;
// Empties both tables, as the process starts them.
void resetAggregateTables();
