// Atoms and literals of the non-ground program; the grounder's ground atoms are ATOMs too.
// An ATOM is a predicate index and either its arguments or, for an aggregate predicate, an owned
// AGGREGATE_ATOM. It is 24 bytes: up to two arguments live inside the atom (most atoms allocate
// nothing), more in one heap block of exactly their size. Copies are deep; moves hand the block
// over, so a span of a moved atom's arguments is no longer valid.
//
// The order of atoms (compareAtom) orders every set of atoms and so every printed list of facts:
// by predicate index (the order of first registration, not by name), then by argument list
// (shorter first, then the arguments in term order), aggregate atoms by their aggregate part.
#pragma once

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "core/aggregate_atom.h"
#include "core/predicate_table.h"
#include "core/term.h"

class ATOM {
public:
    uint32_t predicate = 0;

    ATOM() : heap_(nullptr) {}
    // Registers the predicate (arity = number of arguments; arity clashes end the run) and copies
    // the arguments. The null pointer stands for an atom without arguments.
    ATOM(const char *name, const TERMS *args, PREDICATE_KIND kind);
    ATOM(const char *name, std::span<const TERM> args, PREDICATE_KIND kind);
    // An atom of an already registered predicate (the grounder's instances).
    ATOM(uint32_t predicate, std::span<const TERM> args);
    // An aggregate atom of an aggregate pseudo-predicate that the maker has registered.
    ATOM(uint32_t predicate, AGGREGATE_ATOM &&part);

    ATOM(const ATOM &other);
    ATOM(ATOM &&other) noexcept;
    ATOM &operator=(const ATOM &other);
    ATOM &operator=(ATOM &&other) noexcept;
    ~ATOM() { release(); }

    bool isAggregate() const { return (count_ & AGGREGATE_BIT) != 0; }
    // The arguments; empty for an atom without arguments and for an aggregate atom.
    // A span stays valid while the atom lives and is not moved or assigned.
    std::span<const TERM> args() const {
        return isAggregate() ? std::span<const TERM>() : std::span<const TERM>(data(), count_);
    }
    std::span<TERM> mutableArgs() {
        return isAggregate() ? std::span<TERM>() : std::span<TERM>(data(), count_);
    }
    uint32_t argCount() const { return isAggregate() ? 0 : count_; }
    TERM arg(uint32_t i) const { return data()[i]; }

    const AGGREGATE_ATOM *aggregate() const { return isAggregate() ? aggregate_ : nullptr; }
    AGGREGATE_ATOM *aggregate() { return isAggregate() ? aggregate_ : nullptr; }
    // Gives an atom without parts a copy of the aggregate part.
    void assignAggregateCopy(const AGGREGATE_ATOM &part);

    // No argument (none or an empty list); false for every aggregate atom.
    bool isPropositional() const { return !isAggregate() && count_ == 0; }
    // Whether the predicate table holds the complementary name ("-p" for p, p for "-p").
    bool complementExists() const;
    // Inserts the term as the first argument; raises the predicate's recorded arity by one when
    // it equalled the old number of arguments.
    void prependArgument(TERM t);

    // Every argument that is a variable is in the set (compound arguments are not examined).
    bool allArgumentsBound(const TERM_SET &bound) const;
    // Some argument is not a variable, or is a variable in the set.
    bool someArgumentBound(const TERM_SET &bound) const;

    // Built-in atoms (core/builtin.cpp): the kind id of the predicate's built-in object.
    int builtinKind() const;

private:
    static constexpr uint32_t AGGREGATE_BIT = 0x80000000u;
    // Up to this many arguments live inside the atom; more live in one heap block.
    static constexpr uint32_t INLINE_ARGS = 2;
    uint32_t count_ = 0; // number of arguments, or AGGREGATE_BIT for an aggregate part
    union {
        TERM inline_[INLINE_ARGS];
        TERM *heap_;
        AGGREGATE_ATOM *aggregate_;
    };

    bool onHeap() const { return count_ > INLINE_ARGS && !isAggregate(); }
    const TERM *data() const { return count_ > INLINE_ARGS ? heap_ : inline_; }
    TERM *data() { return count_ > INLINE_ARGS ? heap_ : inline_; }

    void release();
    void copyFrom(const ATOM &other);
    void setArgs(std::span<const TERM> args);
};
static_assert(sizeof(ATOM) == 24);

// Negative, zero or positive as a orders before, equal to or after b.
int compareAtom(const ATOM &a, const ATOM &b);

// An ordinary atom given by predicate and arguments, for lookups that make no ATOM.
struct ATOM_VIEW {
    uint32_t predicate;
    std::span<const TERM> args;
};
// compareAtom against an atom given as a view; a view is never an aggregate atom.
int compareAtom(const ATOM &a, const ATOM_VIEW &b);

// The atom order for ordered containers; it also finds atoms by ATOM_VIEW.
struct ATOM_LESS {
    using is_transparent = void;
    bool operator()(const ATOM &a, const ATOM &b) const { return compareAtom(a, b) < 0; }
    bool operator()(const ATOM &a, const ATOM_VIEW &b) const { return compareAtom(a, b) < 0; }
    bool operator()(const ATOM_VIEW &a, const ATOM &b) const { return compareAtom(b, a) > 0; }
};

// An atom with a default-negation flag; strong negation is part of the predicate name.
struct LITERAL {
    ATOM atom;
    uint8_t negated = 0;

    LITERAL() = default;
    LITERAL(const ATOM &a, bool neg) : atom(a), negated(neg) {}
    LITERAL(ATOM &&a, bool neg) : atom(std::move(a)), negated(neg) {}

    bool isNegated() const { return negated != 0; }

    friend bool operator==(const LITERAL &a, const LITERAL &b) {
        return a.negated == b.negated && compareAtom(a.atom, b.atom) == 0;
    }
};
