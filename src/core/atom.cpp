#include "core/atom.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "core/program.h"

ATOM::ATOM(const char *name, const TERMS *args, PREDICATE_KIND kind)
    : ATOM(name, args ? std::span<const TERM>(*args) : std::span<const TERM>(), kind) {}

ATOM::ATOM(const char *name, std::span<const TERM> args, PREDICATE_KIND kind) : heap_(nullptr) {
    predicate = registerPredicate(name, uint32_t(args.size()), kind);
    setArgs(args);
}

ATOM::ATOM(uint32_t p, std::span<const TERM> args) : predicate(p), heap_(nullptr) { setArgs(args); }

ATOM::ATOM(uint32_t p, AGGREGATE_ATOM &&part) : predicate(p), count_(AGGREGATE_BIT) {
    aggregate_ = new AGGREGATE_ATOM(std::move(part));
}

ATOM::ATOM(const ATOM &other) : predicate(other.predicate), heap_(nullptr) { copyFrom(other); }

ATOM::ATOM(ATOM &&other) noexcept : predicate(other.predicate), count_(other.count_) {
    // The whole union: inline arguments, or the heap block or aggregate part handed over.
    std::memcpy(static_cast<void *>(inline_), static_cast<const void *>(other.inline_), sizeof inline_);
    other.count_ = 0;
    other.heap_ = nullptr;
}

ATOM &ATOM::operator=(const ATOM &other) {
    if (this == &other) return *this;
    release();
    predicate = other.predicate;
    copyFrom(other);
    return *this;
}

ATOM &ATOM::operator=(ATOM &&other) noexcept {
    if (this == &other) return *this;
    release();
    predicate = other.predicate;
    count_ = other.count_;
    std::memcpy(static_cast<void *>(inline_), static_cast<const void *>(other.inline_), sizeof inline_);
    other.count_ = 0;
    other.heap_ = nullptr;
    return *this;
}

void ATOM::release() {
    if (isAggregate()) delete aggregate_;
    else if (onHeap()) delete[] heap_;
    count_ = 0;
    heap_ = nullptr;
}

void ATOM::setArgs(std::span<const TERM> args) {
    count_ = uint32_t(args.size());
    if (count_ > INLINE_ARGS) heap_ = new TERM[args.size()];
    else heap_ = nullptr;
    std::copy(args.begin(), args.end(), data());
}

void ATOM::copyFrom(const ATOM &other) {
    if (other.isAggregate()) {
        count_ = AGGREGATE_BIT;
        aggregate_ = new AGGREGATE_ATOM(*other.aggregate_);
    } else {
        setArgs(other.args());
    }
}

void ATOM::assignAggregateCopy(const AGGREGATE_ATOM &part) {
    if (onHeap()) delete[] heap_;
    count_ = AGGREGATE_BIT;
    aggregate_ = new AGGREGATE_ATOM(part);
}

bool ATOM::complementExists() const {
    std::string_view name = predicateTable.nameView(predicate);
    if (name.starts_with("-")) return predicateTable.find(name.substr(1)).second;
    std::string complement = "-";
    complement += name;
    return predicateTable.find(complement).second;
}

void ATOM::prependArgument(TERM t) {
    if (isAggregate()) return;
    uint32_t old = count_;
    TERM grown[INLINE_ARGS + 1];
    TERM *target = old + 1 > INLINE_ARGS ? new TERM[old + 1] : grown;
    target[0] = t;
    std::copy(data(), data() + old, target + 1);
    if (onHeap()) delete[] heap_;
    count_ = old + 1;
    if (target != grown) heap_ = target;
    else std::copy(grown, grown + count_, inline_);
    if (predicateTable.arity(predicate) == old) predicateTable.setArity(predicate, old + 1);
}

bool ATOM::allArgumentsBound(const TERM_SET &bound) const {
    for (TERM t : args())
        if (t.isVariable() && !bound.contains(t)) return false;
    return true;
}

bool ATOM::someArgumentBound(const TERM_SET &bound) const {
    for (TERM t : args())
        if (!t.isVariable() || bound.contains(t)) return true;
    return false;
}

int compareAtom(const ATOM &a, const ATOM &b) {
    if (a.predicate != b.predicate) return a.predicate < b.predicate ? -1 : 1;
    if (a.isAggregate() || b.isAggregate()) {
        if (a.isAggregate() && b.isAggregate()) return AGGREGATE_ATOM::compare(*a.aggregate(), *b.aggregate());
        return a.isAggregate() ? 1 : -1;
    }
    return compareTermsInline(a.args(), b.args());
}

int compareAtom(const ATOM &a, const ATOM_VIEW &b) {
    if (a.predicate != b.predicate) return a.predicate < b.predicate ? -1 : 1;
    if (a.isAggregate()) return 1;
    return compareTermsInline(a.args(), b.args);
}
