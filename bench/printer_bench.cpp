// Micro-benchmarks of output and built-in evaluation: printing a large set of facts and an answer
// set through the printers (to /dev/null, so the figures are the printers' own cost), printing
// deeply nested terms, and evaluating arithmetic and list built-ins as the matcher does.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "core/builtin.h"
#include "core/printer.h"
#include "core/program.h"
#include "core/substitution.h"

namespace {

constexpr int N = 1000000;

const ATOM_SETS &facts() {
    static ATOM_SETS sets;
    if (sets.empty()) {
        TERM a = makeConstantTerm("abc");
        uint32_t f = functionSymbolTable.add("f").first;
        for (int i = 0; i < N; i++) {
            TERM inner = makeIntegerTerm(i % 100);
            TERMS args{makeIntegerTerm(i), a, makeComplexTerm(COMPLEX_TERM::function(f, {&inner, 1}, true))};
            sets.insert(ATOM("bench_fact", &args, PREDICATE_EDB));
        }
    }
    return sets;
}

FILE *devNull() {
    static FILE *out = std::fopen("/dev/null", "w");
    return out;
}

void printFactsOfAMillionAtoms(benchmark::State &state) {
    const ATOM_SETS &sets = facts();
    for (auto _ : state) printFacts(devNull(), sets);
    state.SetItemsProcessed(state.iterations() * N);
}
BENCHMARK(printFactsOfAMillionAtoms)->Unit(benchmark::kMillisecond);

void printAnswerSetOfAMillionAtoms(benchmark::State &state) {
    const ATOM_SETS &sets = facts();
    const std::set<std::string> noNames;
    for (auto _ : state) {
        // One filter per answer set, as the model output makes it.
        ATOM_FILTER filter(noNames, noNames);
        benchmark::DoNotOptimize(printAtomSet(sets, devNull(), false, filter));
    }
    state.SetItemsProcessed(state.iterations() * N);
}
BENCHMARK(printAnswerSetOfAMillionAtoms)->Unit(benchmark::kMillisecond);

void printDeepTerm(benchmark::State &state) {
    TERM t = makeConstantTerm("z");
    uint32_t s = functionSymbolTable.add("s").first;
    for (int i = 0; i < N; i++) t = makeComplexTerm(COMPLEX_TERM::function(s, {&t, 1}, true));
    for (auto _ : state) printTerm(devNull(), t);
    state.SetItemsProcessed(state.iterations() * N);
}
BENCHMARK(printDeepTerm)->Unit(benchmark::kMillisecond);

// X + Y = Z over a grid of inputs, the output free each time.
void evaluateAddition(benchmark::State &state) {
    TERMS args{makeVariableTerm(0), makeVariableTerm(1), makeVariableTerm(2)};
    ATOM atom = BUILTIN_TYPE::makeAtom(newBuiltin("+"), args);
    const FUNCTIONAL_BUILTIN *add = static_cast<const FUNCTIONAL_BUILTIN *>(lookupBuiltin(atom.predicate));
    std::vector<TERM> values;
    for (int i = 0; i < 1000; i++) values.push_back(makeIntegerTerm(i));
    SUBSTITUTION s(3);
    for (auto _ : state) {
        for (TERM x : values)
            for (TERM y : values) {
                s[0] = x;
                s[1] = y;
                s.unbind(2);
                benchmark::DoNotOptimize(add->evaluate(atom, s));
            }
    }
    state.SetItemsProcessed(state.iterations() * 1000000);
}
BENCHMARK(evaluateAddition)->Unit(benchmark::kMillisecond);

// #append of two short lists, the result list found in the complex-term table after the first
// round.
void evaluateAppend(benchmark::State &state) {
    TERMS args{makeVariableTerm(0), makeVariableTerm(1), makeVariableTerm(2)};
    ATOM atom = BUILTIN_TYPE::makeAtom(newBuiltin("#append"), args);
    const FUNCTIONAL_BUILTIN *append = static_cast<const FUNCTIONAL_BUILTIN *>(lookupBuiltin(atom.predicate));
    std::vector<TERM> lists;
    for (int i = 0; i < 100; i++) {
        TERM elements[3] = {makeIntegerTerm(i), makeConstantTerm("a"), makeIntegerTerm(i + 1)};
        lists.push_back(makeComplexTerm(COMPLEX_TERM::list(elements, false, true)));
    }
    SUBSTITUTION s(3);
    for (auto _ : state) {
        for (TERM x : lists)
            for (TERM y : lists) {
                s[0] = x;
                s[1] = y;
                s.unbind(2);
                benchmark::DoNotOptimize(append->evaluate(atom, s));
            }
    }
    state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(evaluateAppend)->Unit(benchmark::kMillisecond);

} // namespace
