// The genetic search of fastsched against the optimiser: generations per
// second, and the unique pairs resolved (brute-force checker) by the best
// member after a time budget, beside countuniquepairs cutoff=5 iterations=0
// (one greedy schedule on at most five samples, the GA's sample count).
// Usage: fastsched [seconds] (30 unless given), per protein.
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "../tests/brute.h"
#include "benchutil.h"
#include "labeling/ga.h"
#include "labeling/slots.h"

namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point t0) {
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

// Ends the search when the budget is spent; remembers when the best first appeared.
struct Budget : GaObserver {
    Clock::time_point t0 = Clock::now();
    double seconds;
    int last = -1;
    double bestat = 0;
    long bestgen = 0;
    explicit Budget(double s) : seconds(s) {}
    void generation(long g, int, int runbest) override {
        if (runbest != last) last = runbest, bestat = since(t0), bestgen = g;
    }
    bool stop() override { return since(t0) >= seconds; }
};

int used(const Schedule& s) {
    int n = 0;
    for (int k = 1; k <= kSamples; ++k) n += s.samples[k].count > 0;
    return n;
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = argc > 1 ? std::atof(argv[1]) : 30.0;
    std::printf("%-16s %5s | %10s %9s %8s %6s %7s %9s | %8s %7s %7s\n", "protein", "pairs", "gens",
                "gens/s", "resolved", "dupes", "samples", "best at s", "greedy", "samples",
                "seconds");
    for (const char* fasta : {"ubiquitin.fasta", "hewl.fasta"}) {
        static Selection base;
        static TypeMatrix uniqs;
        static Schedule s;
        benchutil::protein(fasta, base, uniqs);
        // The command prepares its pairs with the ban (initdata).
        Selection banned;
        TypeMatrix u2{};
        std::string cap;
        kemlangdata.capture = &cap;
        initdata(kemradata, labdata, banned, u2, 1);
        kemlangdata.capture = nullptr;
        GaParams p;  // the command's settings: seed 102342, 10 members, elite 1, mutation 0.10
        Budget b(seconds);
        auto r = low_level_ga(kemradata, labdata, u2, labdata.iallowed_dupes, banned, p, b);
        double gasecs = since(b.t0);
        Brute br = brute(r->best, u2, 1);

        auto t0 = Clock::now();
        benchutil::quiet("countuniquepairs", {"iterations=0", "seedvar=1", "cutoff=5"});
        double greedysecs = since(t0);
        import_pairs(labdata, 1, s);
        Brute bg = brute(s, u2, 1);
        std::printf("%-16s %5d | %10ld %9.0f %8d %6d %7d %9.1f | %8d %7d %7.2f\n", fasta,
                    base.count, r->generations, r->generations / gasecs, br.resolved, br.total,
                    used(r->best), b.bestat, bg.resolved, used(s), greedysecs);
        std::fflush(stdout);
    }
}
