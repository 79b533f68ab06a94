// Micro-benchmarks of the core model's hot operations: interning constants, integers and
// compound terms, inserting ground atoms into the ground atom table, instantiating terms and
// keeping atoms in ordered atom sets. Each run works on tables of its own where the tables are
// classes, so runs do not see each other's entries; the global complex-term table only grows.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "core/gatom_table.h"
#include "core/program.h"
#include "core/substitution.h"

namespace {

constexpr int N = 1000000;

void internConstants(benchmark::State &state) {
    std::vector<std::string> names;
    names.reserve(N);
    for (int i = 0; i < N; i++) names.push_back(std::to_string(i).insert(0, 1, 'c'));
    for (auto _ : state) {
        INTERN_TABLE<std::string> table;
        for (const std::string &n : names) benchmark::DoNotOptimize(table.add(n));
        // A second pass hits every name.
        for (const std::string &n : names) benchmark::DoNotOptimize(table.add(n));
    }
    state.SetItemsProcessed(state.iterations() * 2 * N);
}
BENCHMARK(internConstants)->Unit(benchmark::kMillisecond);

void internIntegers(benchmark::State &state) {
    for (auto _ : state) {
        INTERN_TABLE<int32_t> table;
        for (int i = 0; i < N; i++) benchmark::DoNotOptimize(table.add(int32_t(uint32_t(i) * 7919u)));
        for (int i = 0; i < N; i++) benchmark::DoNotOptimize(table.add(int32_t(uint32_t(i) * 7919u)));
    }
    state.SetItemsProcessed(state.iterations() * 2 * N);
}
BENCHMARK(internIntegers)->Unit(benchmark::kMillisecond);

void internComplexTerms(benchmark::State &state) {
    uint32_t f = functionSymbolTable.add("f").first;
    std::vector<TERM> ints;
    for (int i = 0; i < 1000; i++) ints.push_back(makeIntegerTerm(i));
    for (auto _ : state) {
        INTERN_TABLE<COMPLEX_TERM> table;
        for (int i = 0; i < N; i++) {
            TERM args[2] = {ints[i % 1000], ints[i / 1000]};
            benchmark::DoNotOptimize(table.add(COMPLEX_TERM::function(f, args, true)));
        }
        for (int i = 0; i < N; i++) {
            TERM args[2] = {ints[i % 1000], ints[i / 1000]};
            benchmark::DoNotOptimize(table.add(COMPLEX_TERM::function(f, args, true)));
        }
    }
    state.SetItemsProcessed(state.iterations() * 2 * N);
}
BENCHMARK(internComplexTerms)->Unit(benchmark::kMillisecond);

// 10^6 ground atoms p(i mod 1000, f(i div 1000), c) inserted, then looked up again.
void insertGroundAtoms(benchmark::State &state) {
    uint32_t p = predicateTable.add("p", 3, PREDICATE_IDB).first;
    uint32_t f = functionSymbolTable.add("f").first;
    TERM c = makeConstantTerm("c");
    std::vector<TERM> ints, fs;
    for (int i = 0; i < 1000; i++) {
        ints.push_back(makeIntegerTerm(i));
        TERM a[1] = {ints.back()};
        fs.push_back(makeComplexTerm(COMPLEX_TERM::function(f, a, true)));
    }
    for (auto _ : state) {
        GATOM_TABLE table;
        for (int i = 0; i < N; i++) {
            TERM args[3] = {ints[i % 1000], fs[i / 1000], c};
            benchmark::DoNotOptimize(table.add(p, args));
        }
        for (int i = 0; i < N; i++) {
            TERM args[3] = {ints[i % 1000], fs[i / 1000], c};
            benchmark::DoNotOptimize(table.add(p, args));
        }
    }
    state.SetItemsProcessed(state.iterations() * 2 * N);
}
BENCHMARK(insertGroundAtoms)->Unit(benchmark::kMillisecond);

// The same atoms made as ATOM values first (one allocation each), as a grounder that builds the
// atom before adding it would.
void insertGroundAtomValues(benchmark::State &state) {
    uint32_t p = predicateTable.add("p", 3, PREDICATE_IDB).first;
    TERM c = makeConstantTerm("c");
    std::vector<TERM> ints;
    for (int i = 0; i < 1000; i++) ints.push_back(makeIntegerTerm(i));
    for (auto _ : state) {
        GATOM_TABLE table;
        for (int i = 0; i < N; i++) {
            TERM args[3] = {ints[i % 1000], ints[i / 1000], c};
            benchmark::DoNotOptimize(table.add(ATOM(p, args)));
        }
    }
    state.SetItemsProcessed(state.iterations() * N);
}
BENCHMARK(insertGroundAtomValues)->Unit(benchmark::kMillisecond);

void instantiateTerms(benchmark::State &state) {
    uint32_t f = functionSymbolTable.add("g").first;
    TERM inner[2] = {makeVariableTerm(0), makeVariableTerm(1)};
    TERM g = makeComplexTerm(COMPLEX_TERM::function(f, inner, false));
    TERM outer[2] = {g, makeVariableTerm(0)};
    TERM t = makeComplexTerm(COMPLEX_TERM::function(f, outer, false));
    std::vector<TERM> ints;
    for (int i = 0; i < 1000; i++) ints.push_back(makeIntegerTerm(i));
    SUBSTITUTION s(2);
    for (auto _ : state) {
        for (int i = 0; i < N; i++) {
            s.bind(0, ints[i % 1000]);
            s.bind(1, ints[(i / 1000) % 1000]);
            benchmark::DoNotOptimize(instantiateTerm(t, s));
        }
    }
    state.SetItemsProcessed(state.iterations() * N);
}
BENCHMARK(instantiateTerms)->Unit(benchmark::kMillisecond);

void insertAtomSets(benchmark::State &state) {
    uint32_t p = predicateTable.add("q", 2, PREDICATE_IDB).first;
    std::vector<TERM> ints;
    for (int i = 0; i < 1000; i++) ints.push_back(makeIntegerTerm(i));
    for (auto _ : state) {
        ATOM_SETS sets;
        for (int i = 0; i < N; i++) {
            TERM args[2] = {ints[(i * 7) % 1000], ints[i / 1000]};
            benchmark::DoNotOptimize(sets.insert(ATOM(p, args)));
        }
    }
    state.SetItemsProcessed(state.iterations() * N);
}
BENCHMARK(insertAtomSets)->Unit(benchmark::kMillisecond);

} // namespace
