#include "core/atom.h"

#include <algorithm>
#include <string>

#include "core/program.h"

ATOM::ATOM(const char *name, const TERMS *args, PREDICATE_KIND kind)
    : ATOM(name, args ? std::span<const TERM>(*args) : std::span<const TERM>(), kind) {}

ATOM::ATOM(const char *name, std::span<const TERM> args, PREDICATE_KIND kind) : args_(nullptr) {
    predicate = registerPredicate(name, uint32_t(args.size()), kind);
    setArgs(args);
}

ATOM::ATOM(uint32_t p, std::span<const TERM> args) : predicate(p), args_(nullptr) { setArgs(args); }

ATOM::ATOM(uint32_t p, AGGREGATE_ATOM &&part) : predicate(p), count_(AGGREGATE_BIT) {
    aggregate_ = new AGGREGATE_ATOM(std::move(part));
}

ATOM::ATOM(const ATOM &other) : predicate(other.predicate), args_(nullptr) { copyFrom(other); }

ATOM::ATOM(ATOM &&other) noexcept : predicate(other.predicate), count_(other.count_), args_(other.args_) {
    other.count_ = 0;
    other.args_ = nullptr;
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
    args_ = other.args_;
    other.count_ = 0;
    other.args_ = nullptr;
    return *this;
}

void ATOM::release() {
    if (isAggregate()) delete aggregate_;
    else delete[] args_;
    count_ = 0;
    args_ = nullptr;
}

void ATOM::setArgs(std::span<const TERM> args) {
    count_ = uint32_t(args.size());
    if (args.empty()) {
        args_ = nullptr;
        return;
    }
    args_ = new TERM[args.size()];
    std::copy(args.begin(), args.end(), args_);
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
    if (!isAggregate()) delete[] args_;
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
    TERM *grown = new TERM[old + 1];
    grown[0] = t;
    std::copy(args_, args_ + old, grown + 1);
    delete[] args_;
    args_ = grown;
    count_ = old + 1;
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
    return compareTerms(a.args(), b.args());
}
