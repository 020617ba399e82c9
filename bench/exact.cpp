// What the exact engine proves on the example proteins: per sample count the
// most unique pairs it resolves and the bound it proves, and per protein the
// fewest samples that resolve all. A limit in a cell shows as a gap between
// found and bound. Usage: exact [seconds per cell] [protein] [k|fewest]
// (60 s unless given; a protein file name, k or "fewest" picks rows). Tuning constants
// are read from the environment as EXACT_<name>, e.g. EXACT_symmetry=0.
#include "labeling/exact.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "../tests/brute.h"
#include "benchutil.h"

namespace {

double since(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Resolved pairs and duplicate total of labels, read from their schedule.
Brute check(const Selection& base, const TypeMatrix& uniqs, const TypeMatrix& allowed, int k,
            const Labels& l) {
    static Schedule s;
    Annealer a(base, uniqs, allowed, (1u << k) - 1, 999);
    if (!a.toschedule(l, s)) return {-1, -1};
    return brute(s, uniqs, 1);
}

ExactOptions fromenv() {
    ExactOptions o;
#define OPTION(name, value, meaning) \
    if (const char* v = std::getenv("EXACT_" #name)) o.name = std::atol(v);
    QUILTER_EXACT_OPTIONS
#undef OPTION
    return o;
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = argc > 1 ? std::atof(argv[1]) : 60;
    std::string only = argc > 2 ? argv[2] : "";
    bool onlyfewest = argc > 3 && std::string(argv[3]) == "fewest";
    int onlyk = argc > 3 ? std::atoi(argv[3]) : 0;
    const ExactOptions opt = fromenv();
    const char* proteins[] = {"ubiquitin.fasta", "gb1.fasta", "hewl.fasta", "mbp.fasta"};
    std::printf("%-16s %7s %6s %6s %6s %9s %9s\n", "protein", "samples", "unique", "found", "bound",
                "status", "seconds");
    for (const char* fasta : proteins) {
        if (!only.empty() && only != fasta) continue;
        static Selection base;
        static TypeMatrix uniqs, allowed;
        benchutil::protein(fasta, base, uniqs);
        for (auto& row : allowed) row.fill(1);
        ExactLimits lim;
        lim.seconds = seconds;
        for (int k = 4; k <= 9; ++k) {
            if ((onlyk && onlyk != k) || onlyfewest) continue;
            auto t0 = std::chrono::steady_clock::now();
            ExactResult r = exactmaxresolved(base, uniqs, allowed, k, lim, nullptr, opt);
            double secs = since(t0);
            Brute b = check(base, uniqs, allowed, k, r.labels);
            std::printf("%-16s %7d %6d %6d %6d %9s %9.2f%s\n", fasta, k, r.unique, r.found, r.bound,
                        r.status == ExactStatus::proven ? "proven" : "unknown", secs,
                        b.resolved != r.found || b.total ? "  checker disagrees!" : "");
            std::fflush(stdout);
        }
        if (onlyk) continue;
        auto t0 = std::chrono::steady_clock::now();
        ExactFewest f = exactfewest(base, uniqs, allowed, lim, opt);
        std::string upper = f.upper ? std::to_string(f.upper) : "-";
        std::printf("%-16s fewest samples resolving all %d: %s (proven at least %d) %9.2f s\n",
                    fasta, f.unique, upper.c_str(), f.lower, since(t0));
        std::fflush(stdout);
    }
}
