#include "core/rule.h"

RULE::RULE(const std::vector<ATOM> *h, const CONJUNCTION *b) {
    if (h) head = *h;
    if (b) body = std::make_unique<CONJUNCTION>(*b);
}

RULE::RULE(std::vector<ATOM> &&h, CONJUNCTION &&b)
    : head(std::move(h)), body(std::make_unique<CONJUNCTION>(std::move(b))) {}

RULE::RULE(const RULE &other) : head(other.head), source(other.source) {
    if (other.body) body = std::make_unique<CONJUNCTION>(*other.body);
}

RULE &RULE::operator=(const RULE &other) {
    if (this == &other) return *this;
    head = other.head;
    body = other.body ? std::make_unique<CONJUNCTION>(*other.body) : nullptr;
    source = other.source;
    return *this;
}

ATOM RULE::atomAt(uint32_t n) const {
    if (n >= 1 && n <= head.size()) return head[n - 1];
    uint32_t k = n - 1 - uint32_t(head.size());
    if (body && k < body->size()) return (*body)[k].atom;
    return ATOM();
}
