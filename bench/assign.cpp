// Assigning simulated spectra of the shipped BMRB entries: for each protein,
// model and noise level (0, 0.5 and 1 times the tolerances, as standard
// deviations), the peaks assigned to the right residue, the ambiguous ones,
// the wrong ones (which must be 0) and the time of the decoding, over seeds.
//   assign [seeds] [lost] [drop] [observed]
// drop: the fraction of peaks lost; observed 1: residues without amide
// shifts in the entry are taken as showing nothing (assignpairs observed).
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>

#include "benchutil.h"
#include "labeling/decode.h"
#include "labeling/slots.h"
#include "labelio/codebook.h"

using namespace decoding;

namespace {

double shift(int r, const char* atom) {
    if (r < 1 || r > kemradata.nr) return NAN;
    for (int a = kemradata.ifira[static_cast<size_t>(r)];
         a < kemradata.ifira[static_cast<size_t>(r) + 1]; ++a)
        if (trim(kemradata.anam[static_cast<size_t>(a)]) == atom) {
            double s = kemradata.shift[1][static_cast<size_t>(a)];
            return std::fabs(s) < 900 ? s : NAN;
        }
    return NAN;
}

}  // namespace

int main(int argc, char** argv) {
    const int seeds = argc > 1 ? std::atoi(argv[1]) : 5;
    const int lost = argc > 2 ? std::atoi(argv[2]) : 20;
    const double drop = argc > 3 ? std::atof(argv[3]) : 0.0;
    const bool observed = argc > 4 && std::atoi(argv[4]) != 0;
    const char* proteins[][2] = {{"ubiquitin.fasta", "bmr17769_ubiquitin.str"},
                                 {"ci2.fasta", "bmr4974_ci2.str"}};
    std::printf("%-16s %-10s %5s %9s %9s %9s %6s %9s\n", "protein", "spectra", "noise", "resolved",
                "assigned", "ambiguous", "wrong", "ms");
    for (auto& p : proteins)
        for (const char* spectra : {"hnco", "hsqc+hnco"}) {
            Selection base;
            TypeMatrix uniqs{};
            benchutil::protein(p[0], base, uniqs);
            benchutil::quiet("read",
                             {"bmrb", std::string(QUILTER_SOURCE_DIR) + "/examples/data/" + p[1]});
            std::string design = benchutil::quiet(
                "countuniquepairs", {"iterations=0", "seedvar=3", "cutoff=5", "exactseconds=0",
                                     std::string("spectra=") + spectra});
            int resolved = 0;
            if (size_t at = design.find("resolves "); at != std::string::npos)
                resolved = std::atoi(design.c_str() + at + 9);
            auto s = std::make_unique<Schedule>();
            import_pairs(labdata, 1, *s);
            std::vector<int> types(static_cast<size_t>(kemradata.nr) + 1);
            for (int i = 1; i <= kemradata.nr; ++i)
                types[static_cast<size_t>(i)] = kemradata.irlib[static_cast<size_t>(i)];
            const decoding::CodeBook book =
                decoding::codebook(types, schedulelabels(*s), designsamples(*s),
                                   s->model.twospectra(), asnameconverttonumber(kemradata, "PRO"));
            std::vector<AmideShifts> shifts(static_cast<size_t>(kemradata.nr) + 1);
            for (int r = 1; r <= kemradata.nr; ++r)
                shifts[static_cast<size_t>(r)] = {shift(r, "H"), shift(r, "N"), shift(r - 1, "C")};
            decoding::CodeBook known = book;
            for (int r = 1; r <= kemradata.nr && observed; ++r)
                if (std::isnan(shifts[static_cast<size_t>(r)].h) ||
                    std::isnan(shifts[static_cast<size_t>(r)].n))
                    known.full[static_cast<size_t>(r)] = 0;
            Tolerance tol;
            tol.lost = lost;
            for (double noise : {0.0, 0.5, 1.0}) {
                int right = 0, ambiguous = 0, wrong = 0;
                double ms = 0;
                for (int seed = 1; seed <= seeds; ++seed) {
                    Noise n{noise * tol.h, noise * tol.n, noise * tol.c, drop,
                            static_cast<uint32_t>(seed)};
                    const std::vector<Peak> peaks = simulate(book, shifts, n);
                    auto t0 = std::chrono::steady_clock::now();
                    const Decoding d = decode(known, peaks, tol);
                    ms += std::chrono::duration<double, std::milli>(
                              std::chrono::steady_clock::now() - t0)
                              .count();
                    for (size_t g = 0; g < d.groups.size(); ++g) {
                        const Assignment& a = d.assignments[g];
                        if (a.verdict == Verdict::ambiguous || a.verdict == Verdict::shared)
                            ++ambiguous;
                        if (!a.residue) continue;
                        std::set<int> from;
                        for (int i : d.groups[g].peaks)
                            from.insert(peaks[static_cast<size_t>(i)].source);
                        if (from.size() == 1 && *from.begin() == a.residue)
                            ++right;
                        else
                            ++wrong;
                    }
                }
                std::printf("%-16s %-10s %5.1f %9d %9.1f %9.1f %6d %9.2f\n", p[0], spectra, noise,
                            resolved, right / double(seeds), ambiguous / double(seeds), wrong,
                            ms / seeds);
            }
        }
    return 0;
}
