#include "core/substitution.h"

#include "core/aggregate_function.h"
#include "core/program.h"
#include "support/small_stack.h"

namespace {

bool isGroundTerm(TERM t) { return !t.isVariable() && !(t.isComplex() && !complexTermTable[t.value].ground); }

// Interns the instance whose new arguments are `args`, flattening a list whose tail became a
// proper list.
TERM finishInstance(const COMPLEX_TERM &source, std::span<const TERM> args) {
    if (source.hasTail() && args.size() == 2 && args[1].isComplex()) {
        const COMPLEX_TERM &tail = complexTermTable[args[1].value];
        if (tail.isList() && !tail.hasTail()) {
            SMALL_STACK<TERM, 64> elements;
            elements.push_back(args[0]);
            for (TERM t : tail.args()) elements.push_back(t);
            bool ground = isGroundTerm(args[0]) && tail.ground;
            return TERM(TERM_COMPLEX, complexTermTable.add(COMPLEX_TERM::list(elements.from(0), false, ground)).first);
        }
    }
    bool ground = !source.hasTail();
    for (TERM a : args)
        if (!isGroundTerm(a)) ground = false;
    COMPLEX_TERM key{source.kind, source.functor, args.data(), uint32_t(args.size()), ground};
    return TERM(TERM_COMPLEX, complexTermTable.add(key).first);
}

struct FRAME {
    uint32_t index; // the compound term being instantiated
    uint32_t next;  // its next argument to instantiate
    size_t start;   // where its new arguments begin in the buffer
};

} // namespace

TERM instantiateTerm(TERM term, const SUBSTITUTION &substitution) {
    if (!term.isComplex() || complexTermTable[term.value].ground) return instantiateAnyTerm(term, substitution);
    // Post-order walk with an explicit stack: a frame per compound term on the current path, the
    // new arguments of all open frames in one buffer.
    SMALL_STACK<FRAME, 32> frames;
    SMALL_STACK<TERM, 64> buffer;
    frames.push_back({term.value, 0, 0});
    TERM result;
    while (!frames.empty()) {
        FRAME &f = frames.back();
        const COMPLEX_TERM &c = complexTermTable[f.index];
        if (f.next < c.argCount) {
            TERM a = c.argData[f.next++];
            if (a.isVariable()) {
                buffer.push_back(substitution.resolve(a));
            } else if (a.isComplex() && !complexTermTable[a.value].ground) {
                frames.push_back({a.value, 0, buffer.size()});
            } else {
                buffer.push_back(a);
            }
            continue;
        }
        size_t start = f.start;
        TERM made = finishInstance(c, buffer.from(start));
        buffer.truncate(start);
        frames.pop_back();
        if (!frames.empty()) buffer.push_back(made);
        else result = made;
    }
    return result;
}

TERM instantiateAnyTerm(TERM term, const SUBSTITUTION &substitution) {
    if (term.isVariable()) return substitution.resolve(term);
    if (term.isComplex() && !complexTermTable[term.value].ground) return instantiateTerm(term, substitution);
    return term;
}

void instantiateArguments(const ATOM &atom, const SUBSTITUTION &substitution, TERMS &args) {
    args.clear();
    for (TERM t : atom.args()) args.push_back(instantiateAnyTerm(t, substitution));
}

ATOM instantiateAtom(const ATOM &atom, const SUBSTITUTION &substitution) {
    if (atom.isAggregate()) {
        ATOM instance(atom.predicate, AGGREGATE_ATOM());
        instantiateAggregateAtom(*instance.aggregate(), *atom.aggregate(), substitution);
        return instance;
    }
    SMALL_STACK<TERM, 16> args;
    for (TERM t : atom.args()) args.push_back(instantiateAnyTerm(t, substitution));
    return ATOM(atom.predicate, args.from(0));
}
