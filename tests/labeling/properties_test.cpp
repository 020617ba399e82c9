// Whatever the parameters, what the optimiser stores must be a schedule a
// laboratory can use: within the sample limit, within the peak limit, and
// with no more shared sample patterns than allowed.
#include <gtest/gtest.h>

#include <random>

#include "brute.h"
#include "labelio/labelfile.h"
#include "testutil.h"

namespace {

using testutil::run;

// Peaks of sample k: occurrences of every (front, end) type combination it labels.
int peaks(const Schedule& s, int k, const TypeMatrix& u) {
    std::array<bool, kTypes + 1> fr{}, en{};
    for (int i = 1; i <= s.samples[k].count; ++i)
        fr[s.samples[k].front[i]] = en[s.samples[k].end[i]] = true;
    int n = 0;
    for (int f = 1; f <= kTypes; ++f)
        for (int e = 1; e <= kTypes; ++e)
            if (fr[f] && en[e]) n += u[f][e];
    return n;
}

TEST(OptimiserProperties, StoredSchedulesKeepEveryLimit) {
    std::mt19937 rng(77);
    for (int trial = 0; trial < 12; ++trial) {
        testutil::molecule(testutil::randomsequence(rng, 30 + static_cast<int>(rng() % 90)));
        int cutoff = 2 + static_cast<int>(rng() % 6);
        int dupes = 1 + static_cast<int>(rng() % 2);
        int multipair = 1 + static_cast<int>(rng() % 2);
        int maxpeaks = trial % 3 == 0 ? 8 : trial % 3 == 1 ? 999 : 500;
        labdata.ilabelsize.fill(0);
        std::vector<std::string> words = {"iterations=" + std::to_string(rng() % 40),
                                          "seedvar=" + std::to_string(1 + rng() % 1000),
                                          "cutoff=" + std::to_string(cutoff),
                                          "dupes=" + std::to_string(dupes),
                                          "multipair=" + std::to_string(multipair),
                                          "maxpeaks=" + std::to_string(maxpeaks)};
        if (trial % 2) words.push_back("noban");
        std::string out = run("countuniquepairs", words);
        ASSERT_EQ(out.find("*** ERROR"), std::string::npos) << out;
        Selection base;
        TypeMatrix u{};
        std::string ban;
        testutil::captured([&] { annotatepairs(base, u, ban, multipair, false); });
        if (base.count < 2) {
            EXPECT_NE(out.find("Not enough unique pairs to make sense"), std::string::npos);
            continue;
        }
        static Schedule s;
        for (int r = 1; r <= kSlots && labdata.ilabelsize[r] > 0; ++r) {
            import_pairs(r, s);
            std::string what = "trial " + std::to_string(trial) + " slot " + std::to_string(r);
            EXPECT_EQ(brute(s, u, dupes).total, 0) << what;
            EXPECT_LT(s.maxmask, 1 << cutoff) << what;
            for (int k = 1; k <= kSamples; ++k) {
                if (maxpeaks != 999) {
                    EXPECT_LE(peaks(s, k, u), maxpeaks) << what << " sample " << k;
                }
                if (k > cutoff) {
                    EXPECT_EQ(s.samples[k].count, 0) << what;
                }
            }
            for (int i = 1; i <= labdata.ilabelsize[r]; ++i)
                EXPECT_EQ(labdata.ioccur[r][i], u[labdata.ias_front[r][i]][labdata.ias_end[r][i]]);
        }
    }
}

TEST(OptimiserProperties, StoredLabelingsSurviveTheirFile) {
    testutil::molecule("gb1.fasta");
    std::string file = ::testing::TempDir() + "gb1.lab";
    run("countuniquepairs", {"iterations=30", "seedvar=8", "cutoff=5", "filename=" + file});
    auto before = labdata;
    labdata.ilabelsize.fill(0);
    run("readlabel", {"filename=" + file});
    EXPECT_EQ(labdata.ilabelsize, before.ilabelsize);
    for (int r = 1; r <= kSlots; ++r)
        for (int i = 1; i <= before.ilabelsize[r]; ++i) {
            EXPECT_EQ(labdata.ias_front[r][i], before.ias_front[r][i]);
            EXPECT_EQ(labdata.ias_end[r][i], before.ias_end[r][i]);
            EXPECT_EQ(labdata.ischedulenr[r][i], before.ischedulenr[r][i]);
        }
}

TEST(OptimiserProperties, ShowUniquePairsCommand) {
    testutil::molecule("ALA GLY SER ASP");
    EXPECT_EQ(run("showuniquepairs", {}),
              "Using the following pairs:\n"
              "Pair :(ALA  C13 GLY   N15) occ:  1\n"
              "Pair :(GLY  C13 SER   N15) occ:  1\n"
              "Pair :(SER  C13 ASP   N15) occ:  1\n"
              "Number of unique Pairs:  3\n");
    EXPECT_EQ(run("showuniquepairs", {"banscramble"}),
              "banning amino acid:ASP\nbanning amino acid:ASN\nbanning amino acid:GLU\n"
              "banning amino acid:GLN\nbanning amino acid:PRO\n"
              "Using the following pairs:\n"
              "Pair :(ALA  C13 GLY   N15) occ:  1\n"
              "Pair :(GLY  C13 SER   N15) occ:  1\n"
              "Number of unique Pairs:  2\n");
    testutil::molecule("ALA GLY ALA GLY");
    EXPECT_EQ(run("showuniquepairs", {}),
              "Using the following pairs:\n"
              "Pair :(GLY  C13 ALA   N15) occ:  1\n"
              "Number of unique Pairs:  1\n"
              " Not enough unique pairs to make sense\n");
}

}  // namespace
