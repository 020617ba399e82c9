// Resolved unique pairs of the best stored labeling after countuniquepairs,
// counted by the brute-force checker, beside the proven optimum; and the
// wall time of each run. Usage: quality [iterations|default] [protein [cutoff [seed]]]
// (iterations 100000 unless given; "default" leaves the parameter out, so the
// run goes the full default length; a protein file name picks its rows).
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "../tests/brute.h"
#include "benchutil.h"
#include "labelio/labelfile.h"

int main(int argc, char** argv) {
    std::string iterations = argc > 1 ? argv[1] : "100000";
    std::string only = argc > 2 ? argv[2] : "";
    int onlycutoff = argc > 3 ? std::atoi(argv[3]) : 0;
    std::string seed = argc > 4 ? argv[4] : "1";
    struct Row {
        const char* fasta;
        int cutoff, optimum;
    } rows[] = {
        {"ubiquitin.fasta", 2, 3},  {"ubiquitin.fasta", 3, 7},  {"ubiquitin.fasta", 4, 15},
        {"ubiquitin.fasta", 5, 31}, {"ubiquitin.fasta", 6, 49}, {"gb1.fasta", 2, 3},
        {"gb1.fasta", 3, 7},        {"gb1.fasta", 4, 15},       {"gb1.fasta", 5, 31},
        {"gb1.fasta", 6, 37},       {"hewl.fasta", 2, 3},       {"hewl.fasta", 3, 7},
        {"hewl.fasta", 4, 15},      {"hewl.fasta", 5, 31},      {"hewl.fasta", 7, 85},
        {"mbp.fasta", 7, 0},        {"mbp.fasta", 8, 0},        {"mbp.fasta", 15, 0},
    };
    std::printf("%-16s %6s %8s %8s %8s %9s\n", "protein", "cutoff", "resolved", "optimum",
                "samples", "seconds");
    for (const Row& r : rows) {
        if ((!only.empty() && only != r.fasta) || (onlycutoff && onlycutoff != r.cutoff)) continue;
        static Selection base;
        static TypeMatrix uniqs;
        static Schedule s;
        benchutil::protein(r.fasta, base, uniqs);
        auto t0 = std::chrono::steady_clock::now();
        std::vector<std::string> words = {"seedvar=" + seed, "cutoff=" + std::to_string(r.cutoff)};
        if (iterations != "default") words.push_back("iterations=" + iterations);
        benchutil::quiet("countuniquepairs", words);
        double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        import_pairs(labdata, 1, s);
        Brute b = brute(s, uniqs, 1);
        int used = 0;
        for (int k = 1; k <= kSamples; ++k) used += s.samples[k].count > 0;
        std::string optimum = r.optimum ? std::to_string(r.optimum) : "-";
        std::printf("%-16s %6d %8d %8s %8d %9.2f%s\n", r.fasta, r.cutoff, b.resolved,
                    optimum.c_str(), used, secs, b.total ? "  duplicates!" : "");
        std::fflush(stdout);
    }
}
