// Cycle rate of the optimiser: one cycle = a new random pair order, a build
// and the score. Production (incremental builder) against the reference
// build that recomputes the matrix and duplicate total for every candidate.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

#include "benchutil.h"
#include "labeling/optimise.h"

namespace {

const char* kProteins[] = {"ubiquitin.fasta", "hewl.fasta", "mbp.fasta"};

template <bool Reference>
void cycles(benchmark::State& state) {
    static Selection base;
    static TypeMatrix uniqs;
    static Schedule s;
    benchutil::protein(kProteins[state.range(0)], base, uniqs);
    TypeMatrix allowed{};
    for (auto& r : allowed) r.fill(1);
    std::vector<int> order(static_cast<size_t>(base.count));
    for (int i = 0; i < base.count; ++i) order[static_cast<size_t>(i)] = i + 1;
    std::mt19937 rng(1);
    ScheduleBuilder b(uniqs, allowed);
    const uint32_t cutoff = (1u << 15) - 1;
    for (auto _ : state) {
        std::shuffle(order.begin(), order.end(), rng);
        if (Reference)
            buildreference(base, order.data(), base.count, s, cutoff, 500, uniqs, allowed);
        else
            b.build(base, order.data(), base.count, s, cutoff, 500);
        benchmark::DoNotOptimize(scoreschedule(s, 1, 0, 1, uniqs, kemradata, labdata));
    }
    state.SetLabel(std::string(kProteins[state.range(0)]) + " pairs=" + std::to_string(base.count));
    state.counters["cycles/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

BENCHMARK(cycles<false>)->Name("production")->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(cycles<true>)
    ->Name("reference")
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
