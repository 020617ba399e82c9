// The spectra a design would give: one HSQC and one HNCO peak list per
// sample, from the residues' shifts and the code book, with optional noise
// on every peak (each spectrum is a separate measurement) and peaks lost at
// random. The generator is seeded, so a run can be repeated. An amide whose
// preceding carbonyl has no shift in the list still gives its HNCO peak (the
// list is incomplete, not the spectrum), at a typical carbonyl shift.
#include <cmath>
#include <random>

#include "labeling/decode.h"

namespace decoding {

std::vector<Peak> simulate(const CodeBook& book, const std::vector<AmideShifts>& shifts,
                           const Noise& noise) {
    std::vector<Peak> out;
    std::mt19937 rng(noise.seed);
    std::normal_distribution<double> gauss(0.0, 1.0);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    auto jitter = [&](double sd) { return sd > 0 ? sd * gauss(rng) : 0.0; };
    for (int k = 1; k <= book.nsamples; ++k)
        for (Spectrum s : {Spectrum::hsqc, Spectrum::hnco}) {
            if (s == Spectrum::hsqc && !book.hsqc) continue;
            int id = 0;
            for (int r = 1; r <= book.residues() && r < static_cast<int>(shifts.size()); ++r) {
                const Code f = book.full[static_cast<size_t>(r)];
                const uint32_t mask = s == Spectrum::hsqc ? Model::hsqc(f) : Model::hnco(f);
                if (!(mask & (1u << (k - 1)))) continue;
                const AmideShifts& a = shifts[static_cast<size_t>(r)];
                if (std::isnan(a.h) || std::isnan(a.n)) continue;
                // Draw in a fixed order, lost or not, so that the loss of one
                // peak does not move the noise of the others.
                Peak p;
                p.sample = k, p.spectrum = s;
                p.h = a.h + jitter(noise.h);
                p.n = a.n + jitter(noise.n);
                p.c = s == Spectrum::hnco
                          ? (std::isnan(a.c) ? kTypicalCarbonyl : a.c) + jitter(noise.c)
                          : 0.0;
                const bool lost = unit(rng) < noise.drop;
                if (lost) continue;
                p.id = ++id, p.source = r;
                out.push_back(p);
            }
        }
    return out;
}

}  // namespace decoding
