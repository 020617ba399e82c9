// How often and how fast the all-pairs local search finds labels that
// resolve every unique pair on k samples: one walk per seed, each with the
// same move budget, and the fewest broken constraints it came to.
// Usage: allpairs protein k [seeds (5)] [moves (4000000)] [hnco|hsqc+hnco]
//                 [all|offer] [patience (300000)] [smooth (20)]
// A protein is a file of examples/data, a path, or "random:N:SEED".
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "benchutil.h"
#include "labeling/breakout.h"
#include "labeling/price.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: allpairs protein k [seeds] [moves] [model] [offer]\n");
        return 2;
    }
    const std::string name = argv[1];
    const int k = std::atoi(argv[2]);
    const int seeds = argc > 3 ? std::atoi(argv[3]) : 5;
    Breakout::Limits lim;
    lim.steps = argc > 4 ? std::atol(argv[4]) : 4000000;
    const std::string spectra = argc > 5 ? argv[5] : "hnco";
    const bool offered = argc > 6 && std::string(argv[6]) == "offer";
    lim.patience = argc > 7 ? std::atol(argv[7]) : 300000;
    lim.smooth = argc > 8 ? std::atol(argv[8]) : 20;
    Selection base;
    TypeMatrix uniqs{};
    benchutil::protein(name, base, uniqs);
    Model model;
    if (!modelof(spectra, asnameconverttonumber(kemradata, "PRO"), model)) return 2;
    const Offer offer = offered ? offerof(typeprices(kemradata, labdata)) : Offer();
    Breakout b(base, uniqs, (1u << k) - 1, model, offer);
    std::printf("%d unique pairs that can show, %d samples\n", b.unique(), k);
    int found = 0;
    for (int s = 1; s <= seeds; ++s) {
        auto t0 = std::chrono::steady_clock::now();
        Labels out;
        bool ok = b.search(Labels(), static_cast<uint64_t>(s), lim, nullptr, out);
        double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        found += ok;
        std::printf("seed %2d: %s after %9ld moves, fewest broken %3d, %6.2f s\n", s,
                    ok ? "found" : "none ", b.moves(), b.fewest(), secs);
        std::fflush(stdout);
    }
    std::printf("found in %d of %d walks\n", found, seeds);
}
