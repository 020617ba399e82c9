// The peak-overlap model against values worked out by hand, the Monte Carlo
// form against the analytical one, and the overlap input of a peak list.
#include <gtest/gtest.h>

#include <cmath>

#include "scoring/score_test.h"
#include "scoring/scoreoverlap.h"
#include "scoring/scoreoverlapmc.h"
#include "testutil.h"

namespace {

struct Atom {
    double shift, sd;
    int heavy = 0;  // 0: the atom itself
};

// Peaks of up to three dimensions given by their atoms (0 = unassigned,
// then the position is taken from pos).
struct Peak {
    std::array<int, 3> atom;
    std::array<double, 3> pos{kNoShift, kNoShift, kNoShift};
};

OverlapInput input(int ndim, const std::vector<Atom>& atoms, const std::vector<Peak>& peaks) {
    OverlapInput in;
    in.ndim = ndim;
    in.shift = {0.0};
    in.sd = {0.0};
    in.heavy = {0};
    in.asel = {1};
    for (const Atom& a : atoms) {
        in.heavy.push_back(a.heavy ? a.heavy : static_cast<int>(in.shift.size()));
        in.shift.push_back(a.shift);
        in.sd.push_back(a.sd);
        in.asel.push_back(1);
    }
    in.peaks.assign(1, OverlapPeak());
    for (const Peak& p : peaks) {
        OverlapPeak q;
        for (int d = 0; d < 3; ++d) {
            q.atom[d] = p.atom[d];
            q.ppm[d] = p.atom[d] ? in.shift[p.atom[d]] : p.pos[d];
        }
        in.peaks.push_back(q);
    }
    return in;
}

const Tolerances kTol{0.05, 0.5, 0.5};

TEST(OverlapFunctions, GaussianPieces) {
    const double g = 1.0 / std::sqrt(2.0 * M_PI);
    struct Case {
        double x, m, s, want;
    } mues[] = {
        {1.0, 0.0, 1.0, g * std::exp(-0.5)},
        {-1.0, 0.0, 1.0, g * std::exp(-0.5)},
        {3.0, 3.0, 0.0, 0.0},  // no spread: no density
    };
    for (const Case& c : mues) EXPECT_NEAR(mue(c.x, c.m, c.s), c.want, 1e-12) << c.x << " " << c.s;
    struct Pair {
        double d, s1, s2, want;
    } degs[] = {
        {0.0, 0.0, 0.0, 0.0},                   // both spreads 0
        {0.0, 0.0, 2.0, 1.0},                   // all weight on s2, same shift
        {0.0, 3.0, 4.0, 0.8},                   // 4/5
        {5.0, 3.0, 4.0, 0.8 * std::exp(-0.5)},  // d = sigma
        {1.0, 1.0, 0.0, 0.0},                   // no weight on s2
        {2.0, 0.0, 1.0, std::exp(-2.0)},        // plain Gaussian window
    };
    for (const Pair& c : degs)
        EXPECT_NEAR(p_deg_k(c.d, c.s1, c.s2), c.want, 1e-12) << c.d << " " << c.s1 << " " << c.s2;
    struct Window {
        double delta, tol;
        int mode;
        double want;
    } wins[] = {
        {0.0, kMinTolerance, 0, 1.0},  // the smallest tolerance allowed
        {0.99, 1.0, 1, 1.0},
    };
    for (const Window& c : wins)
        EXPECT_NEAR(ovonedim(c.delta, c.tol, c.mode), c.want, 1e-12) << c.delta << " " << c.mode;
}

TEST(OverlapFunctionsDeathTest, WindowAssertions) {
    struct Case {
        double tol;
        int mode;
    } cases[] = {{0.9e-7, 0}, {0.0, 1}, {1.0, 2}, {1.0, -1}};
    for (const Case& c : cases)
        EXPECT_EXIT(
            {
                kemlangdata.screen = stderr;
                ovonedim(0.5, c.tol, c.mode);
            },
            ::testing::ExitedWithCode(1), "Assertion failed at line: [0-9]+ Stopping\\.")
            << c.tol << " " << c.mode;
}

TEST(OverlapPairs, ByHand) {
    // Atoms: 1 H 8.00 (0.03), 2 N 120.0 (0.4), 3 H 8.05 (0.04), 4 N 120.5 (0.3),
    // 5 H 8.00 (0) on N 6, 6 N 118.0 (0), 7 H 8.30 (0) on N 6.
    OverlapInput in = input(2,
                            {{8.00, 0.03},
                             {120.0, 0.4},
                             {8.05, 0.04},
                             {120.5, 0.3},
                             {8.00, 0, 6},
                             {118.0, 0},
                             {8.30, 0, 6}},
                            {{{1, 2, 0}},
                             {{3, 4, 0}},
                             {{1, 2, 0}},
                             {{3, 2, 0}},
                             {{0, 0, 0}, {8.0, 120.0}},
                             {{0, 2, 0}, {kNoShift, 0}}});
    // sigma^2 = s1^2 + s2^2 + t^2 = 2 t^2 in both dimensions; delta = t.
    double dim = std::sqrt(0.5) * std::exp(-0.25);
    struct Case {
        int p, q;
        double want;
    } cases[] = {
        {1, 2, dim * dim},
        {1, 4, dim},                              // the N is shared
        {1, 5, 1.0},                              // unassigned, at the expected position, no spread
        {2, 5, std::exp(-0.5) * std::exp(-0.5)},  // positions 0.05 and 0.5 ppm apart
        {1, 6, 1.0},                              // the H dimension has no position: no information
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(ovperdim(in, c.p, c.q, kTol), c.want, 1e-12) << c.p << " " << c.q;
        EXPECT_NEAR(ovperdim(in, c.q, c.p, kTol), c.want, 1e-12);
    }
    // No dimensions: nothing tells two peaks apart.
    in.ndim = 0;
    EXPECT_DOUBLE_EQ(ovperdim(in, 1, 2, kTol), 1.0);
    // From the third dimension on, protons on one nitrogen count as one.
    OverlapInput h3 = input(3, {{8.00, 0, 6}, {118.0, 0}, {8.30, 0, 6}, {0, 0}, {0, 0}, {118.0, 0}},
                            {{{2, 2, 1}}, {{2, 2, 3}}});
    EXPECT_DOUBLE_EQ(ovperdim(h3, 1, 2, kTol), 1.0);
    h3.heavy[1] = 1;  // each proton compared as itself
    h3.heavy[3] = 3;
    EXPECT_NEAR(ovperdim(h3, 1, 2, kTol), std::exp(-0.5 * 0.3 * 0.3 / 0.25), 1e-12);
}

TEST(OverlapLists, ResolutionAndSums) {
    // (8.00, 120.0), (8.03, 120.3), (8.10, 121.0) without spread.
    OverlapInput in =
        input(2, {{8.00, 0}, {120.0, 0}, {8.03, 0}, {120.3, 0}, {8.10, 0}, {121.0, 0}},
              {{{1, 2, 0}}, {{3, 4, 0}}, {{5, 6, 0}}});
    double o12 = std::exp(-0.36), o13 = std::exp(-4.0), o23 = std::exp(-1.96);
    double r1 = 1 - (1 - o12) * (1 - o13), r2 = 1 - (1 - o12) * (1 - o23),
           r3 = 1 - (1 - o13) * (1 - o23);
    EXPECT_NEAR(calcpeakresolved(in, 1, kTol, false), r1, 1e-12);
    EXPECT_NEAR(calcpeakresolved(in, 3, kTol, false), r3, 1e-12);
    EXPECT_NEAR(scoreoverlappg(in, kTol, false), r1 + r2 + r3, 1e-12);
    int seed = -7;
    McParams mc{3, 0};  // without spread every cycle is exact
    EXPECT_NEAR(mcscoreoverlap(in, kTol, mc, seed, false), r1 + r2 + r3, 1e-12);

    // A peak with an unselected atom counts only when the peak is selected.
    in.asel[3] = 0;
    EXPECT_NEAR(calcpeakresolved(in, 2, kTol, false), r2, 1e-12);
    in.peaks[2].sel = false;
    EXPECT_EQ(calcpeakresolved(in, 2, kTol, false), 0.0);
    EXPECT_EQ(calcpeakresolvedmc(in, 2, kTol, mc, seed, false), 0.0);
    EXPECT_NEAR(calcpeakresolved(in, 1, kTol, false), r1, 1e-12);  // others still overlap it

    // A list of one peak: nothing to overlap with.
    OverlapInput one = input(2, {{8.0, 0.1}, {120.0, 1.0}}, {{{1, 2, 0}}});
    EXPECT_EQ(calcpeakresolved(one, 1, kTol, false), 0.0);
    EXPECT_EQ(scoreoverlappg(one, kTol, false), 0.0);
    EXPECT_EQ(calcpeakresolvedmc(one, 1, kTol, mc, seed, false), 0.0);
}

TEST(OverlapMonteCarlo, AgreesWithTheAnalyticalOverlap) {
    // Two peaks with spread; Gaussian windows: the estimate converges on
    // the analytical value (0.303265). 20000 cycles, seed -4711: within 0.01.
    OverlapInput in = input(2, {{8.00, 0.03}, {120.0, 0.4}, {8.05, 0.04}, {120.5, 0.3}},
                            {{{1, 2, 0}}, {{3, 4, 0}}});
    double ana = ovperdim(in, 1, 2, kTol);
    int seed = -4711;
    double mc = mc_peak_overlap(in, 1, 2, kTol, {20000, 0}, seed);
    EXPECT_NEAR(mc, ana, 0.01);
    seed = -4711;
    EXPECT_DOUBLE_EQ(distinguish(in, 1, 2, kTol, {20000, 0}, seed), 1.0 - mc);  // same stream
    seed = -4711;
    EXPECT_NEAR(calcpeakresolvedmc(in, 1, kTol, {20000, 0}, seed, false), ana, 0.01);
    // A hard window without spread counts positions closer than the tolerance.
    OverlapInput hard =
        input(2, {{8.00, 0}, {120.0, 0}, {8.04, 0}, {120.6, 0}}, {{{1, 2, 0}}, {{3, 4, 0}}});
    EXPECT_EQ(mc_peak_overlap(hard, 1, 2, kTol, {5, 1}, seed), 0.0);  // N 0.6 apart
    hard.shift[4] = 120.4;
    EXPECT_EQ(mc_peak_overlap(hard, 1, 2, kTol, {5, 1}, seed), 1.0);
}

TEST(OverlapSelfCheck, SnapshotOfAPeakList) {
    testutil::withshifts("ubiquitin");
    testutil::run("read", {testutil::example("ubiquitin_hsqc.xpk")});
    const KemraData& d = kemradata;
    OverlapInput in = overlapinput(d, currentpeaklist(d));
    ASSERT_EQ(in.npeaks(), 73);
    EXPECT_EQ(in.ndim, 2);
    int h = testutil::atom(2, "H"), n = testutil::atom(2, "N");
    EXPECT_EQ(in.peaks[1].atom[0], h);
    EXPECT_DOUBLE_EQ(in.shift[h], 8.90);  // from the list
    EXPECT_EQ(in.heavy[h], n);            // the amide proton sits on its nitrogen
    EXPECT_EQ(in.heavy[n], n);
    EXPECT_GT(in.sd[h], 0.0);
    int none = 1;  // an atom the list gives no shift: the library mean stands in
    while (d.shift[1][none] != kNoShift) ++none;
    EXPECT_DOUBLE_EQ(in.shift[none], d.res[d.irlib[d.iar[none]]].at[d.ilibat[none]].cstab[0]);
    // Well dispersed amide peaks: only a few are expected to overlap.
    double sum = scoreoverlappg(in, {0.03, 0.4, 0.4}, false);
    EXPECT_GT(sum, 0.0);
    EXPECT_LT(sum, 20.0);
}

}  // namespace
