// Decoding measured peaks: the matching against every maximum matching of
// small random graphs, simulated spectra of random designs read back with
// noise and lost peaks (never a wrong residue), and crowded positions built
// by hand that must stay ambiguous.
#include "labeling/decode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>
#include <random>
#include <set>

namespace {

using namespace decoding;

// Every maximum matching of the groups: per group the residues it gets (0
// for none).
std::vector<std::set<int>> everymaximum(const std::vector<std::vector<int>>& cand) {
    std::vector<std::set<int>> got(cand.size());
    std::vector<int> pick(cand.size(), 0);
    std::set<int> taken;
    int best = -1;
    std::vector<std::vector<int>> all;
    std::function<void(size_t, int)> walk = [&](size_t g, int size) {
        if (g == cand.size()) {
            if (size > best) best = size, all.clear();
            if (size == best) all.push_back(pick);
            return;
        }
        pick[g] = 0;
        walk(g + 1, size);
        for (int r : cand[g]) {
            if (taken.count(r)) continue;
            taken.insert(r), pick[g] = r;
            walk(g + 1, size + 1);
            taken.erase(r), pick[g] = 0;
        }
    };
    walk(0, 0);
    for (const auto& p : all)
        for (size_t g = 0; g < p.size(); ++g) got[g].insert(p[g]);
    return got;
}

TEST(Decode, ForcingAgreesWithEveryMaximumMatching) {
    std::mt19937 rng(7);
    for (int trial = 0; trial < 3000; ++trial) {
        const int ng = 1 + static_cast<int>(rng() % 7), nres = 1 + static_cast<int>(rng() % 7);
        const unsigned density = 2 + rng() % 5;
        std::vector<std::vector<int>> cand(static_cast<size_t>(ng));
        for (auto& c : cand)
            for (int r = 1; r <= nres; ++r)
                if (rng() % density == 0) c.push_back(r);
        const auto every = everymaximum(cand);
        const Forcing f = forcing(cand, nres);
        for (int g = 0; g < ng; ++g) {
            const auto& s = every[static_cast<size_t>(g)];
            const int want = s.size() == 1 ? *s.begin() : 0;
            ASSERT_EQ(f.residue[static_cast<size_t>(g)], want)
                << "trial " << trial << " group " << g;
            // Crowded: some maximum matching leaves the group out.
            if (!cand[static_cast<size_t>(g)].empty()) {
                ASSERT_EQ(f.crowded[static_cast<size_t>(g)], s.count(0) > 0)
                    << "trial " << trial << " group " << g;
            }
        }
    }
}

// A random design on a random protein, with residues' shifts drawn where
// real amides lie, or spread on a grid far apart.
struct Design {
    CodeBook book;
    std::vector<AmideShifts> shifts;
};

constexpr int kProline = 15;

Design design(std::mt19937& rng, int nres, int nsamples, bool hsqc, bool apart) {
    std::vector<int> types(static_cast<size_t>(nres) + 1);
    for (int i = 1; i <= nres; ++i)
        types[static_cast<size_t>(i)] = 1 + static_cast<int>(rng() % 20);
    Labels l;
    const uint32_t in = (1u << nsamples) - 1;
    for (int t = 1; t <= kTypes; ++t)
        l.c[static_cast<size_t>(t)] = static_cast<uint32_t>(rng()) & in,
        l.n[static_cast<size_t>(t)] = static_cast<uint32_t>(rng()) & in;
    Design d;
    d.book = codebook(types, l, nsamples, hsqc, kProline);
    std::uniform_real_distribution<double> h(7.0, 10.0), n(105.0, 130.0), c(170.0, 180.0);
    d.shifts.resize(static_cast<size_t>(nres) + 1);
    for (int i = 1; i <= nres; ++i) {
        auto& s = d.shifts[static_cast<size_t>(i)];
        s = apart ? AmideShifts{7.0 + 0.2 * (i % 15), 105.0 + 2.0 * (i / 15), c(rng)}
                  : AmideShifts{h(rng), n(rng), c(rng)};
    }
    return d;
}

// Whether a group is residue r's position: no other residue gave it more
// peaks. A neighbour's stray peak that fills a lost state of r leaves r's
// position and shifts right.
bool positionof(const Group& g, const std::vector<Peak>& peaks, int r) {
    std::map<int, int> from;
    for (int i : g.peaks) ++from[peaks[static_cast<size_t>(i)].source];
    const int mine = from.count(r) ? from.at(r) : 0;
    for (auto [o, k] : from)
        if (k > mine) return false;
    return mine > 0;
}

TEST(Decode, SimulatedSpectraNeverGiveAWrongResidue) {
    const Tolerance tol;
    struct Case {
        const char* name;
        bool hsqc, apart;
        double noise, drop;  // noise in tolerances
        double atleast;      // of the residues the book tells apart, assigned
    };
    const Case cases[] = {
        {"HNCO, apart, exact", false, true, 0, 0, 1.0},
        {"two spectra, apart, exact", true, true, 0, 0, 1.0},
        {"HNCO, apart, half tolerance", false, true, 0.5, 0, 0.85},
        {"two spectra, apart, half tolerance", true, true, 0.5, 0, 0.85},
        {"two spectra, crowded, half tolerance", true, false, 0.5, 0, 0},
        {"HNCO, crowded, exact", false, false, 0, 0, 0},
        {"HNCO, apart, 10% lost", false, true, 0, 0.1, 0},
        {"two spectra, crowded, 10% lost, noise", true, false, 0.5, 0.1, 0},
        {"two spectra, crowded, full tolerance", true, false, 1.0, 0.05, 0},
    };
    std::mt19937 rng(11);
    for (const Case& c : cases)
        // QUILTER_DECODE_TRIALS soaks by hand; the suite runs a dozen.
        for (int trial = 0, trials = std::getenv("QUILTER_DECODE_TRIALS")
                                         ? std::atoi(std::getenv("QUILTER_DECODE_TRIALS"))
                                         : 12;
             trial < trials; ++trial) {
            const int nres = 30 + static_cast<int>(rng() % 90);
            const int k = (c.hsqc ? 4 : 6) + static_cast<int>(rng() % 3);
            Design d = design(rng, nres, k, c.hsqc, c.apart);
            Noise noise{c.noise * tol.h, c.noise * tol.n, c.noise * tol.c, c.drop,
                        static_cast<uint32_t>(rng())};
            const std::vector<Peak> peaks = simulate(d.book, d.shifts, noise);
            const Decoding out = decode(d.book, peaks, tol);
            std::set<int> assigned;
            for (size_t g = 0; g < out.groups.size(); ++g) {
                const Assignment& a = out.assignments[g];
                if (a.verdict != Verdict::sure && a.verdict != Verdict::likely) continue;
                ASSERT_TRUE(positionof(out.groups[g], peaks, a.residue))
                    << c.name << ", trial " << trial << ": residue " << a.residue << ", " << a.why;
                assigned.insert(a.residue);
            }
            // Lost residues are named: neither assigned nor a candidate of any peak.
            std::set<int> seen;
            for (const Peak& p : peaks) seen.insert(p.source);
            for (int r : out.unseen) ASSERT_FALSE(assigned.count(r)) << c.name;
            for (int r = 1; r <= nres; ++r)
                if (d.book.code(r) != 0 && !seen.count(r)) {
                    bool named = std::count(out.unseen.begin(), out.unseen.end(), r) > 0;
                    for (const Assignment& a : out.assignments)
                        named |= a.verdict != Verdict::nocode &&
                                 std::count(a.candidates.begin(), a.candidates.end(), r) > 0;
                    ASSERT_TRUE(named) << c.name << ": residue " << r << " lost without a word";
                }
            std::map<Code, int> uses;
            for (int r = 1; r <= nres; ++r) ++uses[d.book.code(r)];
            int apart = 0, found = 0;
            for (int r = 1; r <= nres; ++r)
                if (d.book.code(r) != 0 && uses[d.book.code(r)] == 1) {
                    ++apart, found += assigned.count(r) > 0;
                }
            EXPECT_GE(found, c.atleast * apart) << c.name << ", trial " << trial;
        }
}

// A code book written by hand: HNCO masks of residues 1.., no HSQC.
CodeBook book(std::vector<Code> codes, int nsamples) {
    CodeBook b;
    b.nsamples = nsamples;
    b.full.push_back(0);
    for (Code c : codes) b.full.push_back(c);
    return b;
}

Peak hnco(int sample, double h, double n, double c) {
    Peak p;
    p.sample = sample, p.h = h, p.n = n, p.c = c;
    return p;
}

TEST(Decode, CrowdedPositionsStayAmbiguous) {
    // Residues 1 (code 001), 2 (010) and 3 (011); residue 4 (100) far off.
    const CodeBook b = book({0b001, 0b010, 0b011, 0b100}, 3);
    const Tolerance tol;
    struct Case {
        const char* name;
        std::vector<Peak> peaks;
        Verdict first;  // the group at 8.50 ppm
        const char* why;
    };
    const Case cases[] = {
        {"1 and 2 overlap, 3 present: two groups for residue 3",
         {hnco(1, 8.50, 120.0, 175.0), hnco(2, 8.51, 120.1, 175.05), hnco(1, 7.5, 110, 176),
          hnco(2, 7.5, 110, 176), hnco(3, 9.5, 125, 172)},
         Verdict::ambiguous,
         "more peaks"},
        {"1 and 2 overlap, 3 lost: the union of two unheard residues",
         {hnco(1, 8.50, 120.0, 175.0), hnco(2, 8.51, 120.1, 175.05), hnco(3, 9.5, 125, 172)},
         Verdict::ambiguous,
         "overlapped"},
        {"1 and 3 overlap: two peaks in sample 1",
         {hnco(1, 8.50, 120.0, 175.0), hnco(1, 8.52, 120.1, 174.0), hnco(2, 8.51, 120.0, 174.0)},
         Verdict::ambiguous,
         "2 HNCO peaks in sample 1"},
        {"13C shifts of two carbonyls",
         {hnco(1, 8.50, 120.0, 175.0), hnco(2, 8.50, 120.0, 177.0), hnco(1, 7.5, 110, 176),
          hnco(3, 9.5, 125, 172)},
         Verdict::ambiguous,
         "13C shifts"},
        {"residue 3 alone",
         {hnco(1, 8.50, 120.0, 175.0), hnco(2, 8.51, 120.1, 175.05), hnco(1, 7.5, 110, 176),
          hnco(2, 6.5, 105, 173), hnco(3, 9.5, 125, 172)},
         Verdict::likely,
         "residue 1 differs in one sample"},
        {"an extra peak: no residue has the code",
         {hnco(1, 8.50, 120.0, 175.0), hnco(3, 8.50, 120.0, 175.0)},
         Verdict::nocode,
         "extra HNCO peak in sample 3"},
    };
    for (const Case& c : cases) {
        const Decoding d = decode(b, c.peaks, tol);
        size_t g = 0;
        for (; g < d.groups.size(); ++g)
            if (std::fabs(d.groups[g].h - 8.5) < 0.02) break;
        ASSERT_LT(g, d.groups.size()) << c.name;
        const Assignment& a = d.assignments[g];
        EXPECT_EQ(a.verdict, c.first) << c.name << ": " << a.why;
        EXPECT_NE(a.why.find(c.why), std::string::npos) << c.name << ": " << a.why;
        if (a.verdict == Verdict::likely) {
            EXPECT_EQ(a.residue, 3) << c.name;
        }
    }
}

TEST(Decode, CountsAndDifferencesNameTheSamples) {
    // Two-spectrum codes: residue 2 shows H in sample 1 and X in sample 2.
    const Code r2 = (Code{0b11} << 32) | 0b10;
    EXPECT_EQ(Model::word(r2, 3), "HX_");
    EXPECT_EQ(distance(r2, (Code{0b01} << 32), 3), 1);
    EXPECT_EQ(difference(Code{0b01} << 32, r2, 3, true),
              "HNCO peak missing, HSQC peak missing in sample 2");
    EXPECT_EQ(difference((Code{0b111} << 32) | 0b10, r2, 3, true), "extra HSQC peak in sample 3");

    CodeBook b;
    b.nsamples = 2, b.hsqc = true;
    b.full = {0, 0, r2, (Code{0b10} << 32) | 0b10};
    std::vector<Peak> peaks = {hnco(2, 8, 120, 175), hnco(2, 9, 121, 176)};
    Peak h;
    h.spectrum = Spectrum::hsqc, h.sample = 1, h.h = 8, h.n = 120;
    peaks.push_back(h);
    const Decoding d = decode(b, peaks, Tolerance{});
    ASSERT_EQ(d.counts.size(), 4u);
    EXPECT_EQ(d.counts[0].expected, 1);  // sample 1 HSQC
    EXPECT_EQ(d.counts[3].expected, 2);  // sample 2 HNCO
    EXPECT_EQ(d.counts[3].seen, 2);
    // Residue 3's HNCO peak without its HSQC peak: still residue 3, noted.
    int notes = 0;
    for (size_t g = 0; g < d.groups.size(); ++g) {
        notes += !d.groups[g].note.empty();
        EXPECT_NE(d.assignments[g].residue, 0) << d.assignments[g].why;
    }
    EXPECT_EQ(notes, 2);
}

}  // namespace
