// Micro-benchmarks of the dependency graphs and of body ordering: building the ground graph of a
// long chain and of a random program (component search, both orderings, rule lists), and making
// the order of a join body under -OGo2 as the grounder does once per statement and iteration.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "core/program.h"
#include "grounding/ground_depgraph.h"
#include "grounding/ordered_body.h"
#include "grounding/selectivity_statistics.h"
#include "support/option_values.h"

namespace {

std::vector<GATOM_ID> groundAtoms(const char *name, int n) {
    std::vector<GATOM_ID> ids;
    ids.reserve(size_t(n));
    for (int i = 0; i < n; i++) {
        TERM t = makeIntegerTerm(i);
        ids.push_back(groundAtomTable.add(ATOM(name, std::span<const TERM>(&t, 1), PREDICATE_IDB)));
    }
    return ids;
}

GRULE groundRule(GATOM_ID head, std::vector<GLITERAL> body) {
    GBODY b;
    for (GLITERAL l : body)
        b.add(l);
    return GRULE(std::vector<GATOM_ID>{head}, std::move(b), true);
}

void groundChain(benchmark::State &state) {
    int n = int(state.range(0));
    std::vector<GATOM_ID> ids = groundAtoms("bench_chain", n);
    std::vector<GRULE> rules;
    for (int i = 0; i + 1 < n; i++)
        rules.push_back(groundRule(ids[size_t(i)], {{ids[size_t(i) + 1], false}}));
    std::vector<GCONSTRAINT> none;
    for (auto _ : state) {
        GROUND_DEPGRAPH g(rules, none, 0);
        benchmark::DoNotOptimize(g.componentCount());
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(groundChain)->Arg(1000000)->Unit(benchmark::kMillisecond);

// Rules with two positive literals and one negated literal over random atoms: large components
// with negative edges, ordered with negation too.
void groundRandom(benchmark::State &state) {
    int n = int(state.range(0));
    std::vector<GATOM_ID> ids = groundAtoms("bench_random", n);
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> pick(0, n - 1);
    std::vector<GRULE> rules;
    for (int i = 0; i < 2 * n; i++)
        rules.push_back(groundRule(ids[size_t(pick(rng))], {{ids[size_t(pick(rng))], false},
                                                            {ids[size_t(pick(rng))], false},
                                                            {ids[size_t(pick(rng))], true}}));
    std::vector<GCONSTRAINT> none;
    for (auto _ : state) {
        GROUND_DEPGRAPH g(rules, none, DEPGRAPH_NEGATIVE_ORDER);
        benchmark::DoNotOptimize(g.isHCF());
    }
    state.SetItemsProcessed(state.iterations() * 2 * n);
}
BENCHMARK(groundRandom)->Arg(200000)->Unit(benchmark::kMillisecond);

// a(X,Y), b(Y,Z), c(Z,W), d(W,X), e(X), not f(Z) over EDB facts: the greedy order with its
// estimates, once the selectivity counts are cached.
void orderJoinBody(benchmark::State &state) {
    auto term = [](int i) { return makeIntegerTerm(i); };
    auto var = [](uint32_t v) { return makeVariableTerm(v); };
    auto edb = [](const char *name, std::vector<TERM> args) {
        return ATOM(name, std::span<const TERM>(args), PREDICATE_EDB);
    };
    for (int i = 0; i < 200; i++) {
        EDB.insert(edb("bench_a", {term(i), term(i % 50)}));
        EDB.insert(edb("bench_b", {term(i % 50), term(i % 70)}));
        EDB.insert(edb("bench_c", {term(i % 70), term(i)}));
        EDB.insert(edb("bench_d", {term(i), term((i * 7) % 200)}));
        EDB.insert(edb("bench_e", {term(i % 30)}));
        EDB.insert(edb("bench_f", {term(i % 20)}));
    }
    CONJUNCTION body;
    body.append(LITERAL(edb("bench_a", {var(0), var(1)}), false));
    body.append(LITERAL(edb("bench_b", {var(1), var(2)}), false));
    body.append(LITERAL(edb("bench_c", {var(2), var(3)}), false));
    body.append(LITERAL(edb("bench_d", {var(3), var(0)}), false));
    body.append(LITERAL(edb("bench_e", {var(0)}), false));
    body.append(LITERAL(edb("bench_f", {var(2)}), true));
    uint32_t n = predicateTable.size();
    std::vector<uint32_t> atomCount(n, 0);
    for (uint32_t p = 0; p < n; p++)
        atomCount[p] = uint32_t(EDB.atomsOf(p).size());
    std::vector<uint8_t> complete(n, 1), noUndefined(n, 1);
    INTERPRETATION delta;
    GROUNDING_CONFIG config;  // -OGo2, the default order
    selectivityStatistics = new SELECTIVITY_STATISTICS();
    for (auto _ : state) {
        ORDERED_BODY order(body, atomCount, {}, complete, noUndefined, true, 1, &delta, config);
        benchmark::DoNotOptimize(order.literalIndexAt(0));
    }
    delete selectivityStatistics;
    selectivityStatistics = nullptr;
}
BENCHMARK(orderJoinBody)->Unit(benchmark::kMicrosecond);

}  // namespace
