// The schedule builder against its from-scratch reference, and the
// optimiser run as the user drives it.
#include "labeling/optimise.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "labelio/labelfile.h"
#include "testutil.h"

namespace {

using testutil::molecule;
using testutil::run;

void expectsame(const Schedule& a, const Schedule& b, const std::string& what) {
    ASSERT_EQ(a.lastpair, b.lastpair) << what;
    for (int k = 1; k <= kSamples; ++k) {
        ASSERT_EQ(a.samples[k].count, b.samples[k].count) << what << " sample " << k;
        for (int i = 1; i <= a.samples[k].count; ++i) {
            ASSERT_EQ(a.samples[k].front[i], b.samples[k].front[i]) << what;
            ASSERT_EQ(a.samples[k].end[i], b.samples[k].end[i]) << what;
            ASSERT_EQ(a.samples[k].mask[i], b.samples[k].mask[i]) << what;
        }
    }
    for (int f = 1; f <= kTypes; ++f)
        for (int e = 1; e <= kTypes; ++e) ASSERT_EQ(a.schednrs[f][e], b.schednrs[f][e]) << what;
}

TEST(Builder, IncrementalBuildEqualsReference) {
    std::mt19937 rng(2024);
    static Schedule fast, ref;
    for (int trial = 0; trial < 16; ++trial) {
        molecule(testutil::randomsequence(rng, 40 + static_cast<int>(rng() % 80)));
        Selection base;
        TypeMatrix u{};
        std::string ban;
        testutil::captured([&] { annotatepairs(base, u, ban, 1 + trial % 2, false); });
        TypeMatrix allowed{};
        for (auto& r : allowed) r.fill(1 + trial % 3 == 3 ? 2 : 1 + trial % 2);
        if (trial % 4 == 3) allowed[1 + rng() % kTypes][1 + rng() % kTypes] = 3;  // not uniform
        std::vector<int> order(static_cast<size_t>(base.count));
        for (int i = 0; i < base.count; ++i) order[static_cast<size_t>(i)] = i + 1;
        std::shuffle(order.begin(), order.end(), rng);
        uint32_t cutoff = (1u << (2 + 2 * (trial % 5))) - 1;  // 3 to 1023
        int maxpeaks = trial % 3 == 0 ? 999 : trial % 3 == 1 ? 12 : 500;
        ScheduleBuilder b(u, allowed);
        for (int again = 0; again < 2; ++again) {  // the builder is reused between builds
            int n1 = b.build(base, order.data(), base.count, fast, cutoff, maxpeaks);
            int n2 =
                buildreference(base, order.data(), base.count, ref, cutoff, maxpeaks, u, allowed);
            EXPECT_EQ(n1, n2);
            expectsame(fast, ref, "trial " + std::to_string(trial));
            std::reverse(order.begin(), order.end());
        }
        int total = 0;
        EXPECT_EQ(checkschedule(fast, total, allowed, u), 0);
        EXPECT_LE(static_cast<uint32_t>(fast.maxmask), cutoff);
    }
}

std::string optimise(const std::vector<std::string>& words) { return run("countuniquepairs", words); }

int lines(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

TEST(Optimiser, CyclesMessagesRingAndFiles) {
    molecule("ubiquitin.fasta");
    uniqueflags.verbose_output = true;
    EXPECT_EQ(lines(optimise({"iterations=0", "seedvar=5", "cutoff=6"}), "generate gave:"), 1);
    EXPECT_EQ(lines(optimise({"iterations=5", "seedvar=5", "cutoff=6"}), "generate gave:"), 6);
    uniqueflags.verbose_output = false;
    EXPECT_EQ(lines(optimise({"iterations=0", "seedvar=5", "cutoff=20"}), "cutoff was chosen:"), 0);
    EXPECT_EQ(lines(optimise({"iterations=0", "seedvar=5", "cutoff=6"}), "cutoff was chosen: 63"),
              1);
    std::string out = optimise({"helpme"});
    EXPECT_NE(out.find("Set cutoff to the max number of samples"), std::string::npos);
    EXPECT_EQ(lines(out, "Time:(hms)"), 0);

    // Same seed, same result.
    auto strip = [](std::string s) {
        std::string r;
        for (size_t p = 0; p < s.size();) {
            size_t e = s.find('\n', p);
            std::string l = s.substr(p, e - p);
            if (l.find("Time:(hms)") == std::string::npos) r += l + "\n";
            p = e == std::string::npos ? s.size() : e + 1;
        }
        return r;
    };
    std::string a = strip(optimise({"iterations=300", "seedvar=11", "cutoff=5"}));
    EXPECT_EQ(a, strip(optimise({"iterations=300", "seedvar=11", "cutoff=5"})));

    // The file is written only when named; stored schedules keep the limits.
    std::string file = ::testing::TempDir() + "run.lab";
    std::filesystem::remove(file);
    optimise({"iterations=50", "seedvar=3", "cutoff=4"});
    EXPECT_FALSE(std::filesystem::exists("NO"));
    optimise({"iterations=50", "seedvar=3", "cutoff=4", "filename=" + file});
    EXPECT_TRUE(std::filesystem::exists(file));
    Selection base;
    TypeMatrix u{}, one{};
    std::string ban;
    testutil::captured([&] { annotatepairs(base, u, ban, 1, false); });
    for (auto& r : one) r.fill(1);
    static Schedule s;
    for (int r = 1; r <= kSlots; ++r) {
        import_pairs(r, s);
        fillschednrs(s, u);
        int total = 0;
        EXPECT_EQ(checkschedule(s, total, one, u), 0) << "slot " << r;
        EXPECT_LE(s.maxmask, 15) << "slot " << r;
    }
    EXPECT_GT(labdata.ilabelsize[1], 0);
}

TEST(Optimiser, ScoreFormula) {
    molecule("ALA GLY SER LEU");
    TypeMatrix u{};
    u[1][9] = u[9][17] = u[17][12] = 1;
    static Schedule s;
    initschedule(s);
    addentry(s.samples[1], 1, 9, 1);   // ALA 13C, GLY 15N
    addentry(s.samples[2], 9, 17, 2);  // GLY 13C, SER 15N
    // One sample: price 174 + 65 over 18204 x 2; labelscore 2 + 2 of 4;
    // 2 resolved pairs x 100 / 4; masks used 3 (0, 1, 2) / 3.
    double want =
        (1 - (174 + 65 + 333 + 2125) / (18204.0 * 2) * 1) + (4.0 / 4) * 1 + 200.0 / 4 + 3.0 / 3 * 1;
    EXPECT_NEAR(scoreschedule(s, 1, 1, 1, u), want, 1e-9);
    initschedule(s);
    EXPECT_EQ(scoreschedule(s, 1, 1, 1, u), 0.0);
}

}  // namespace
