// Pair analysis and schedule judging, against hand-derived values and a
// brute-force reading of the definitions.
#include "labeling/pairs.h"

#include <gtest/gtest.h>

#include <random>

#include "brute.h"
#include "testutil.h"

namespace {

using testutil::has;
using testutil::molecule;

std::vector<std::pair<int, int>> pairsof(const Selection& s) {
    std::vector<std::pair<int, int>> v;
    for (int k = 1; k <= s.count; ++k) v.emplace_back(s.front[k], s.end[k]);
    return v;
}

std::vector<std::pair<int, int>> unique(int multipair, Bans bans = Bans::off) {
    return pairsof(testutil::Pairs(bans, multipair).base);
}

constexpr int ALA = 1, ASP = 4, GLY = 9, LEU = 12, SER = 17;

TEST(PairAnalysis, OccurrencesRepeatsMarkersBansAndSelection) {
    molecule("ALA GLY ALA GLY SER LEU ALA");
    using P = std::vector<std::pair<int, int>>;
    EXPECT_EQ(unique(1), (P{{GLY, ALA}, {GLY, SER}, {LEU, ALA}, {SER, LEU}}));
    int occurrences = 0;
    for (auto& row : testutil::Pairs().uniqs)
        for (int v : row) occurrences += v;
    EXPECT_EQ(occurrences, 6);  // every pair of neighbours once
    EXPECT_EQ(unique(2), (P{{ALA, GLY}, {GLY, ALA}, {GLY, SER}, {LEU, ALA}, {SER, LEU}}));
    // Different markers on the two ALA-GLY positions make them count once.
    labdata.imarker[kemradata.ifira[3]] = 1;
    EXPECT_EQ(unique(1), (P{{ALA, GLY}, {GLY, ALA}, {GLY, SER}, {LEU, ALA}, {SER, LEU}}));
    labdata.imarker[kemradata.ifira[3]] = 0;
    // No selected carbonyl carbon on GLY 4: GLY-SER is no unique pair.
    int c4 = findatom(4, "C");
    ASSERT_GT(c4, 0);
    kemradata.asel[c4] = 0;
    EXPECT_EQ(unique(1), (P{{GLY, ALA}, {LEU, ALA}, {SER, LEU}}));
    // Excluded residues take no part in the occurrences.
    kemradata.asel[c4] = 1;
    labdata.ainclude[kemradata.ifira[1]] = 0;
    EXPECT_EQ(unique(1), (P{{ALA, GLY}, {GLY, ALA}, {GLY, SER}, {LEU, ALA}, {SER, LEU}}));

    molecule("ASP GLY SER ALA");
    EXPECT_EQ(unique(1), (P{{ASP, GLY}, {GLY, SER}, {SER, ALA}}));
    // The ban leaves out pairs with ASP, ASN, GLU, GLN or PRO.
    EXPECT_EQ(unique(1, Bans::on), (P{{GLY, SER}, {SER, ALA}}));

    // A pair that ends in proline gives no amide signal: never a unique pair,
    // though it occurs once; a pair that starts with proline is one.
    constexpr int PRO = 16;
    molecule("ALA PRO GLY SER");
    EXPECT_EQ(unique(1), (P{{GLY, SER}, {PRO, GLY}}));
}

// Builds a schedule from per-sample entry lists.
Schedule schedule(const std::vector<std::vector<std::pair<int, int>>>& samples) {
    Schedule s;
    initschedule(s);
    for (size_t k = 0; k < samples.size(); ++k)
        for (auto [f, e] : samples[k]) addentry(s.samples[k + 1], f, e, 0);
    return s;
}

TEST(ScheduleChecks, HandBuiltSchedules) {
    TypeMatrix u{};
    u[1][2] = 1, u[3][4] = 1, u[5][6] = 2, u[7][8] = 1;
    TypeMatrix one{}, two{};
    for (auto& r : one) r.fill(1);
    for (auto& r : two) r.fill(2);
    // (3,4) shares mask 2 with the repeated pair (5,6).
    Schedule s = schedule({{{1, 2}}, {{3, 4}, {5, 6}}});
    DupList fr{}, en{}, ms{};
    int ndup = 0, total = 0;
    EXPECT_EQ(chkuniqsdup(s, u, &fr, &en, &ms, &ndup), 1);
    EXPECT_EQ(ndup, 1);
    EXPECT_EQ(fr[1], 3);
    EXPECT_EQ(en[1], 4);
    EXPECT_EQ(ms[1], 2);
    EXPECT_EQ(s.schednrs[3][6], 0);  // cross combination that does not occur
    EXPECT_EQ(checkschedule(s, total, one, u), 1);
    EXPECT_EQ(s.maxmask, 2);
    EXPECT_EQ(checkschedule(s, total, two, u), 0);
}

TEST(ScheduleChecks, FingerprintAndSmallProcedures) {
    EXPECT_EQ(fingerprintschedule(schedule({{{1, 2}, {3, 4}}, {{5, 6}}})), -150835);
    std::vector<std::pair<int, int>> a(50, {21, 20}), b(50, {19, 18}), c(50, {21, 21});
    EXPECT_EQ(fingerprintschedule(schedule({a, b, c})), -298226);  // products beyond 32 bits
    Schedule none = schedule({});
    none.nsamples = 0;
    EXPECT_EQ(fingerprintschedule(none), 0);
    EXPECT_EQ(binarytotext(0b1000000000101), "X_X_______");
    EXPECT_EQ(binarytotext(0xFFC00), "__________");
    molecule("ALA GLY");
    EXPECT_EQ(asnameconverttonumber(kemradata, "CYSS"), 6);
    EXPECT_EQ(asnameconverttonumber(kemradata, "XYZ"), -1);
    EXPECT_EQ(atomnameconverttonumber(kemradata, "C"), 8);
    EXPECT_EQ(atomnameconverttonumber(kemradata, "N"), 11);
}

TEST(ScheduleChecks, AgreeWithBruteForceOnRandomSchedules) {
    std::mt19937 rng(12345);
    for (int trial = 0; trial < 300; ++trial) {
        TypeMatrix u{};
        for (auto& row : u)
            for (int& v : row) v = rng() % 4 == 0 ? static_cast<int>(rng() % 3) : 0;
        for (int t = 0; t <= kTypes; ++t) u[0][t] = u[t][0] = 0;
        Schedule s;
        initschedule(s);
        s.nsamples = 1 + static_cast<int>(rng() % 6);
        for (int k = 1; k <= s.nsamples; ++k)
            for (int n = static_cast<int>(rng() % 5); n > 0; --n)
                addentry(s.samples[k], 1 + static_cast<int>(rng() % kTypes),
                         1 + static_cast<int>(rng() % kTypes), 0);
        for (int allowed : {1, 2, 3}) {
            TypeMatrix al{};
            for (auto& r : al) r.fill(allowed);
            Brute b = brute(s, u, allowed);
            int total = 0;
            EXPECT_EQ(chkuniqsdup(s, u), b.resolved) << trial;
            EXPECT_EQ(checkschedule(s, total, al, u), b.total) << trial << " allowed " << allowed;
        }
    }
}

// More unique pairs than the analysis holds: the rest are named as left
// out, never dropped in silence.
TEST(PairAnalysis, PairsBeyondTheListAreCounted) {
    std::mt19937 rng(3);
    molecule(testutil::randomsequence(rng, 3000));
    Selection sel;
    TypeMatrix u{};
    std::string out = testutil::captured(
        [&] { annotatepairs(kemradata, labdata, sel, u, Bans::off, 100000, false); });
    int occurring = 0;  // pair types that can show: not ending in proline
    for (int f = 1; f <= kTypes; ++f)
        for (int e = 1; e <= kTypes; ++e) occurring += u[f][e] > 0 && e != 16;
    ASSERT_GT(occurring, kEntries);
    EXPECT_EQ(sel.count, kEntries);
    EXPECT_TRUE(has(out, "*** WARNING: " + std::to_string(occurring - kEntries) +
                             " more unique pairs are left out: the pair analysis holds 300."))
        << out;
}

}  // namespace
