// Resolved unique pairs reached by the label annealing alone, from empty
// labels, beside the proven optimum, for several seeds; the time is the
// time to the result. Usage: anneal [steps] [seeds] [row, e.g. hewl.fasta7]
#include "labeling/anneal.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "benchutil.h"

int main(int argc, char** argv) {
    long steps = argc > 1 ? std::atol(argv[1]) : 2000000;
    int seeds = argc > 2 ? std::atoi(argv[2]) : 3;
    struct Row {
        const char* fasta;
        int k, optimum;
    } rows[] = {
        {"ubiquitin.fasta", 5, 31}, {"ubiquitin.fasta", 6, 49}, {"gb1.fasta", 5, 31},
        {"gb1.fasta", 6, 37},       {"hewl.fasta", 5, 31},      {"hewl.fasta", 7, 85},
        {"mbp.fasta", 7, 91},       {"mbp.fasta", 8, 91},
    };
    const char* only = argc > 3 ? argv[3] : nullptr;
    for (const Row& r : rows) {
        if (only && std::string(only) != std::string(r.fasta) + std::to_string(r.k)) continue;
        static Selection base;
        static TypeMatrix uniqs, allowed;
        benchutil::protein(r.fasta, base, uniqs);
        for (auto& row : allowed) row.fill(1);
        Annealer a(base, uniqs, allowed, (1u << r.k) - 1, 500);
        std::printf("%-16s k=%d optimum %3d:", r.fasta, r.k, r.optimum);
        for (int s = 1; s <= seeds; ++s) {
            auto t0 = std::chrono::steady_clock::now();
            Labels l = a.search(Labels(), static_cast<uint64_t>(s), steps, r.optimum);
            double secs =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            std::printf("  %3d (%.2f s)", a.evaluate(l).resolved, secs);
            std::fflush(stdout);
        }
        std::printf("\n");
    }
}
