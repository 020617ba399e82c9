// What the search for cheaper recipes buys: for each protein and sample
// budget, the price of labeling 1 without it, with a given number of moves,
// and with those moves and priceweight 10; the distinct labelings stored, and
// the seconds the last run took.
// Usage: price [moves (1000000)]
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "benchutil.h"
#include "labeling/optimise.h"
#include "labelio/recipe.h"

int main(int argc, char** argv) {
    long moves = argc > 1 ? std::atol(argv[1]) : 1000000;
    struct Case {
        const char* protein;
        int k;
    };
    const Case cases[] = {{"ubiquitin.fasta", 6}, {"ubiquitin.fasta", 7}, {"gb1.fasta", 6},
                          {"hewl.fasta", 7},      {"hewl.fasta", 8},      {"mbp.fasta", 9}};
    std::printf("%-16s %2s %11s %8s %8s %8s %6s %8s\n", "protein", "k", "resolved", "before",
                "after", "weight10", "slots", "seconds");
    for (const Case& c : cases) {
        Selection base;
        TypeMatrix uniqs{};
        benchutil::protein(c.protein, base, uniqs);
        int price[3] = {0, 0, 0}, resolved[3] = {0, 0, 0}, slots = 0;
        double secs = 0;
        for (int with = 0; with < 3; ++with) {
            OptParams p;
            for (auto& row : p.allowed) row.fill(1);
            p.iterations = 0;
            p.seed = 1;
            p.cutoff = cutoffmask(c.k);
            p.exactseconds = 0;
            p.polishsteps = with ? moves : 0;
            p.priceweight = with == 2 ? 10 : 0;
            Observer quiet;
            std::string cap;
            kemlangdata.capture = &cap;
            auto t0 = std::chrono::steady_clock::now();
            auto r = optimise({base, uniqs, kemradata, labdata}, p, quiet);
            secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            kemlangdata.capture = nullptr;
            price[with] = makerecipe(r->ranked[1], labdata, kemradata, true).total;
            resolved[with] = chkuniqsdup(r->ranked[1], uniqs);
            if (with == 1) {
                slots = 0;
                for (int s = 1; s <= kSlots; ++s) slots += lastsample(r->ranked[s]) > 0;
            }
        }
        std::printf("%-16s %2d %3d/%3d/%3d %8d %8d %8d %6d %8.1f\n", c.protein, c.k, resolved[0],
                    resolved[1], resolved[2], price[0], price[1], price[2], slots, secs);
        std::fflush(stdout);
    }
}
