// What the exact engine proves on the example proteins: per sample count the
// most unique pairs it resolves and the bound it proves, and per protein the
// fewest samples that resolve all. A limit in a cell shows as a gap between
// found and bound. Usage:
//   exact [seconds per cell] [protein] [k|fewest] [hnco|hsqc+hnco] [all|offer]
// (60 s unless given; a protein file name, k or "fewest" picks rows, "-" or
// 0 all of them; the model, HNCO unless given; "offer" leaves out the forms
// the default price table does not sell, "all" offers every form). Tuning
// constants are read from the environment as EXACT_<name>, e.g.
// EXACT_symmetry=0.
#include "labeling/exact.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "../tests/brute.h"
#include "benchutil.h"
#include "labeling/price.h"

namespace {

double since(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Resolved pairs and duplicate total of labels, read from their schedule;
// in the two-spectrum model from the codes, and a form not offered counts
// as a duplicate.
Brute check(const Selection& base, const TypeMatrix& uniqs, const TypeMatrix& allowed, int k,
            const Labels& l, const Model& m, const Offer& o) {
    if (m.twospectra() || o.any()) return {resolvedby(l, uniqs, m), o.count(l)};
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
    if (only == "-") only.clear();
    bool onlyfewest = argc > 3 && std::string(argv[3]) == "fewest";
    int onlyk = argc > 3 ? std::atoi(argv[3]) : 0;
    const std::string spectra = argc > 4 ? argv[4] : "hnco";
    const bool offered = argc > 5 && std::string(argv[5]) == "offer";
    const ExactOptions opt = fromenv();
    const char* proteins[] = {"ubiquitin.fasta", "gb1.fasta", "ci2.fasta", "hewl.fasta",
                              "mbp.fasta"};
    std::printf("%-16s %7s %6s %6s %6s %9s %9s  (%s, %s)\n", "protein", "samples", "unique",
                "found", "bound", "status", "seconds", spectra.c_str(),
                offered ? "default offer" : "every form");
    std::vector<std::string> names(std::begin(proteins), std::end(proteins));
    if (only.rfind("random:", 0) == 0) names = {only};
    for (const std::string& name : names) {
        const char* fasta = name.c_str();
        if (!only.empty() && only != fasta) continue;
        static Selection base;
        static TypeMatrix uniqs, allowed;
        benchutil::protein(fasta, base, uniqs);
        for (auto& row : allowed) row.fill(1);
        Model model;
        if (!modelof(spectra, asnameconverttonumber(kemradata, "PRO"), model)) {
            std::fprintf(stderr, "unknown model %s\n", spectra.c_str());
            return 1;
        }
        const Offer offer = offered ? offerof(typeprices(kemradata, labdata)) : Offer();
        ExactLimits lim;
        lim.seconds = seconds;
        const int from = model.twospectra() ? 3 : 4,
                  to = std::max(onlyk, model.twospectra() ? 6 : 9);  // a named k is always run
        for (int k = from; k <= to; ++k) {
            if ((onlyk && onlyk != k) || onlyfewest) continue;
            auto t0 = std::chrono::steady_clock::now();
            ExactResult r =
                exactmaxresolved(base, uniqs, allowed, k, lim, nullptr, opt, model, offer);
            double secs = since(t0);
            Brute b = check(base, uniqs, allowed, k, r.labels, model, offer);
            std::printf("%-16s %7d %6d %6d %6d %9s %9.2f%s\n", fasta, k, r.unique, r.found, r.bound,
                        r.status == ExactStatus::proven ? "proven" : "unknown", secs,
                        b.resolved != r.found || b.total ? "  checker disagrees!" : "");
            std::fflush(stdout);
        }
        if (onlyk) continue;
        auto t0 = std::chrono::steady_clock::now();
        ExactFewest f = exactfewest(base, uniqs, allowed, lim, opt, model, offer);
        std::string upper = f.upper ? std::to_string(f.upper) : "-";
        Brute b = f.upper ? check(base, uniqs, allowed, f.upper, f.labels, model, offer) : Brute();
        std::printf("%-16s fewest samples resolving all %d: %s (proven at least %d) %9.2f s%s\n",
                    fasta, f.unique, upper.c_str(), f.lower, since(t0),
                    f.upper && (b.resolved != f.unique || b.total) ? "  checker disagrees!" : "");
        std::fflush(stdout);
    }
}
