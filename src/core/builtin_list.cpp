// The list built-ins. Every argument is instantiated under the substitution, so a list written
// with a tail arrives as the plain list of all its elements. A computed list is interned as a
// ground list without tail, so a bound output is compared with it by table index.
#include "core/builtin.h"
#include "core/program.h"
#include "support/small_stack.h"

namespace {

std::span<const TERM> elementsOf(TERM list) { return complexTerm(list).args(); }

// The output argument (the last one): bound to `result` when it is a free variable, else
// compared with it. Lists and integers are interned, so equal values are equal terms; elements
// compare as terms.
int deliver(const ATOM &literal, TERM result, SUBSTITUTION &substitution) {
    TERM output = literal.args().back();
    if (output.kind == TERM_VARIABLE && substitution[output.value].kind == TERM_NULL) {
        substitution[output.value] = result;
        return 1;
    }
    TERM value;
    return instantiateArgument(output, value, substitution) && compareTerm(value, result) == 0;
}

int deliverList(const ATOM &literal, std::span<const TERM> elements, SUBSTITUTION &substitution) {
    return deliver(literal, makeComplexTerm(COMPLEX_TERM::list(elements, false, true)), substitution);
}

// Reads the list argument at `position`; false when it is not a list.
bool readList(const ATOM &literal, size_t position, TERM &list, SUBSTITUTION &substitution) {
    return instantiateListArgument(literal.args()[position], list, substitution) != 0;
}

// Reads the position argument; false when it is not an integer.
bool readPosition(const ATOM &literal, size_t position, int64_t &p, SUBSTITUTION &substitution) {
    TERM t = literal.args()[position];
    if (t.kind == TERM_VARIABLE) t = substitution[t.value];
    if (t.kind != TERM_INTEGER) return false;
    p = integerValue(t);
    return true;
}

bool arity(const ATOM &literal, size_t n) { return literal.args().size() == n; }

} // namespace

int MEMBER_BUILTIN::evaluate(const ATOM &literal, SUBSTITUTION &substitution) const {
    TERM element, list;
    if (!arity(literal, 2) || !readList(literal, 1, list, substitution) ||
        !instantiateArgument(literal.args()[0], element, substitution))
        return 0;
    for (TERM t : elementsOf(list))
        if (compareTerm(t, element) == 0) return 1;
    return 0;
}

int SUBLIST_BUILTIN::evaluate(const ATOM &literal, SUBSTITUTION &substitution) const {
    TERM part, list;
    if (!arity(literal, 2) || !readList(literal, 0, part, substitution) ||
        !readList(literal, 1, list, substitution))
        return 0;
    std::span<const TERM> p = elementsOf(part), l = elementsOf(list);
    if (p.size() > l.size()) return 0;
    for (size_t start = 0; start + p.size() <= l.size(); start++) {
        size_t i = 0;
        while (i < p.size() && l[start + i] == p[i]) i++;
        if (i == p.size()) return 1;
    }
    return 0;
}

int LENGTH_BUILTIN::evaluate(const ATOM &literal, SUBSTITUTION &substitution) const {
    TERM list;
    if (!arity(literal, 2) || !readList(literal, 0, list, substitution)) return 0;
    // A list has fewer elements than 2^31: the complex-term table could not hold more terms.
    return deliver(literal, makeIntegerTerm(int32_t(elementsOf(list).size())), substitution);
}

int HEAD_BUILTIN::evaluate(const ATOM &literal, SUBSTITUTION &substitution) const {
    TERM list;
    if (!arity(literal, 2) || !readList(literal, 0, list, substitution)) return 0;
    std::span<const TERM> e = elementsOf(list);
    return !e.empty() && deliver(literal, e.front(), substitution);
}

int LAST_BUILTIN::evaluate(const ATOM &literal, SUBSTITUTION &substitution) const {
    TERM list;
    if (!arity(literal, 2) || !readList(literal, 0, list, substitution)) return 0;
    std::span<const TERM> e = elementsOf(list);
    return !e.empty() && deliver(literal, e.back(), substitution);
}

int TAIL_BUILTIN::evaluate(const ATOM &literal, SUBSTITUTION &substitution) const {
    TERM list;
    if (!arity(literal, 2) || !readList(literal, 0, list, substitution)) return 0;
    std::span<const TERM> e = elementsOf(list);
    return !e.empty() && deliverList(literal, e.subspan(1), substitution);
}

int REVERSE_BUILTIN::evaluate(const ATOM &literal, SUBSTITUTION &substitution) const {
    TERM list;
    if (!arity(literal, 2) || !readList(literal, 0, list, substitution)) return 0;
    std::span<const TERM> e = elementsOf(list);
    scratch.assign(e.rbegin(), e.rend());
    return deliverList(literal, scratch, substitution);
}

int APPEND_BUILTIN::evaluate(const ATOM &literal, SUBSTITUTION &substitution) const {
    TERM first, second;
    if (!arity(literal, 3) || !readList(literal, 0, first, substitution) ||
        !readList(literal, 1, second, substitution))
        return 0;
    std::span<const TERM> a = elementsOf(first), b = elementsOf(second);
    scratch.assign(a.begin(), a.end());
    scratch.insert(scratch.end(), b.begin(), b.end());
    return deliverList(literal, scratch, substitution);
}

int INSLAST_BUILTIN::evaluate(const ATOM &literal, SUBSTITUTION &substitution) const {
    TERM list, element;
    if (!arity(literal, 3) || !readList(literal, 0, list, substitution) ||
        !instantiateArgument(literal.args()[1], element, substitution))
        return 0;
    std::span<const TERM> e = elementsOf(list);
    scratch.assign(e.begin(), e.end());
    scratch.push_back(element);
    return deliverList(literal, scratch, substitution);
}

int INSNTH_BUILTIN::evaluate(const ATOM &literal, SUBSTITUTION &substitution) const {
    TERM list, element;
    int64_t p;
    if (!arity(literal, 4) || !readList(literal, 0, list, substitution) ||
        !readPosition(literal, 2, p, substitution) ||
        !instantiateArgument(literal.args()[1], element, substitution))
        return 0;
    std::span<const TERM> e = elementsOf(list);
    if (p < 1 || p > int64_t(e.size()) + 1) return 0;
    scratch.assign(e.begin(), e.end());
    scratch.insert(scratch.begin() + (p - 1), element);
    return deliverList(literal, scratch, substitution);
}

int GETNTH_BUILTIN::evaluate(const ATOM &literal, SUBSTITUTION &substitution) const {
    TERM list;
    int64_t p;
    if (!arity(literal, 3) || !readList(literal, 0, list, substitution) ||
        !readPosition(literal, 1, p, substitution))
        return 0;
    std::span<const TERM> e = elementsOf(list);
    if (p < 1 || p > int64_t(e.size())) return 0;
    return deliver(literal, e[p - 1], substitution);
}

int DELNTH_BUILTIN::evaluate(const ATOM &literal, SUBSTITUTION &substitution) const {
    TERM list;
    int64_t p;
    if (!arity(literal, 3) || !readList(literal, 0, list, substitution) ||
        !readPosition(literal, 1, p, substitution))
        return 0;
    std::span<const TERM> e = elementsOf(list);
    if (p < 1 || p > int64_t(e.size())) return 0;
    scratch.assign(e.begin(), e.end());
    scratch.erase(scratch.begin() + (p - 1));
    return deliverList(literal, scratch, substitution);
}

int FLATTEN_BUILTIN::evaluate(const ATOM &literal, SUBSTITUTION &substitution) const {
    TERM list;
    if (!arity(literal, 2) || !readList(literal, 0, list, substitution)) return 0;
    scratch.clear();
    flattenList(elementsOf(list), scratch);
    return deliverList(literal, scratch, substitution);
}

// Walks nested lists with an explicit stack of (list, next position), so that a deeply nested
// list cannot exhaust the call stack. Function terms are elements, whatever they hold.
void flattenList(std::span<const TERM> elements, TERMS &result) {
    struct FRAME {
        std::span<const TERM> elements;
        size_t next;
    };
    SMALL_STACK<FRAME, 32> stack;
    stack.push_back({elements, 0});
    while (!stack.empty()) {
        FRAME &top = stack.back();
        if (top.next == top.elements.size()) {
            stack.pop_back();
            continue;
        }
        TERM t = top.elements[top.next++];
        if (t.kind == TERM_COMPLEX && complexTerm(t).isList())
            stack.push_back({complexTerm(t).args(), 0});
        else
            result.push_back(t);
    }
}
