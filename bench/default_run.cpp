// The default run of countuniquepairs, as a user meets it: cycles per second
// on one thread and on every thread, and the wall time of the whole default
// run (iterations=-1, cutoff 15) up to a cap, and the rate of its cycles.
// The first two rates start the cycles from a plain greedy schedule, so every
// cycle builds in full; in the default run the cycles start from the
// designed schedule, and most of them stop building early.
// Usage: default_run [cap seconds (600)] [protein ...]
// SPECTRA=hsqc+hnco runs the two-spectrum model (hnco by default).
// Proteins: ubiquitin, hen lysozyme, maltose-binding protein and a random
// protein of 1000 residues unless named.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "benchutil.h"
#include "labeling/optimise.h"
#include "tuned.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Capped : Observer {
    Clock::time_point end, first;  // first: the first thousand cycles done
    void line(const std::string& t) override {
        if (t.find("the search ends") != std::string::npos) std::printf("    %s\n", t.c_str());
        if (t.rfind("iterations so far 1000 ", 0) == 0) first = Clock::now();
    }
    void progress(const std::string& t) override { benchutil::showprogress(t); }
    bool stop() override { return Clock::now() > end; }
};

OptParams defaults(int threads) {
    OptParams p;
    for (auto& row : p.allowed) row.fill(1);
    p.seed = 1;
    p.threads = threads;
    benchutil::tuned(p);
    return p;
}

// Seconds of a mode -1 run of the given cycles, without the label and exact
// searches (they run before the cycles and are measured by the default run).
double timed(const Selection& base, const TypeMatrix& uniqs, int threads, long cycles) {
    OptParams p = defaults(threads);
    p.annealsteps = 0;
    p.exactseconds = 0;
    p.maxcycle = cycles - 1;
    p.quietcycles = 0;
    Observer quiet;
    std::string cap;
    kemlangdata.capture = &cap;
    auto t0 = Clock::now();
    optimise({base, uniqs, kemradata, labdata}, p, quiet);
    double s = std::chrono::duration<double>(Clock::now() - t0).count();
    kemlangdata.capture = nullptr;
    return s;
}

// Cycles per second of the cycles alone: the difference of two run lengths
// takes the phase before the cycles out.
// Longer runs where the cycles are so fast that the difference is noise.
double rate(const Selection& base, const TypeMatrix& uniqs, int threads, long cycles) {
    for (;; cycles *= 10) {
        double shorter = timed(base, uniqs, threads, cycles),
               longer = timed(base, uniqs, threads, 3 * cycles);
        if (longer - shorter >= 1 || cycles >= 1000000)
            return 2.0 * static_cast<double>(cycles) / std::max(1e-9, longer - shorter);
    }
}

}  // namespace

int main(int argc, char** argv) {
    double capsecs = argc > 1 ? std::atof(argv[1]) : 600;
    std::vector<std::string> proteins;
    for (int i = 2; i < argc; ++i) proteins.push_back(argv[i]);
    if (proteins.empty())
        proteins = {"ubiquitin.fasta", "hewl.fasta", "mbp.fasta",
                    benchutil::randomprotein(1000, 7)};
    int hw = static_cast<int>(std::thread::hardware_concurrency());
    std::printf("%-34s %6s %12s %12s %10s %9s %10s %s\n", "protein", "pairs", "1 thread/s",
                (std::to_string(hw) + " threads/s").c_str(), "cycles", "seconds", "in run/s",
                "end");
    for (const std::string& f : proteins) {
        Selection base;
        TypeMatrix uniqs{};
        benchutil::protein(f, base, uniqs);
        // NORATE=1 skips the two rate measurements.
        const bool norate = std::getenv("NORATE") != nullptr;
        double one = norate ? 0 : rate(base, uniqs, 1, 2000),
               all = norate ? 0 : rate(base, uniqs, hw, 2000);
        OptParams p = defaults(hw);
        const char* spectra = std::getenv("SPECTRA");
        if (spectra && !modelof(spectra, asnameconverttonumber(kemradata, "PRO"), p.model)) {
            std::fprintf(stderr, "SPECTRA: hnco or hsqc+hnco\n");
            return 2;
        }
        Capped obs;
        obs.end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                     std::chrono::duration<double>(capsecs));
        std::string cap;
        kemlangdata.capture = &cap;
        auto t0 = Clock::now();
        auto r = optimise({base, uniqs, kemradata, labdata}, p, obs);
        double secs = std::chrono::duration<double>(Clock::now() - t0).count();
        kemlangdata.capture = nullptr;
        const char* end = r->end == OptEnd::interrupted ? "cap"
                          : r->cycles <= p.maxcycle     ? "proven"
                                                        : "all cycles";
        std::string name = f.substr(f.find_last_of('/') + 1);
        double during = std::chrono::duration<double>(Clock::now() - obs.first).count();
        double inrun = r->cycles > 1000 && obs.first != Clock::time_point()
                           ? static_cast<double>(r->cycles - 1000) / during
                           : 0;
        std::printf("%-34s %6d %12.0f %12.0f %10ld %9.1f %10.0f %s\n", name.c_str(), base.count,
                    one, all, r->cycles, secs, inrun, end);
        std::fflush(stdout);
    }
}
