// Thinning a stored labeling: on many schedules, taking samples away never
// adds a duplicate, never loses a resolved unique pair and never empties a
// mask.
#include "labeling/refine.h"

#include <gtest/gtest.h>

#include <random>

#include "brute.h"
#include "labeling/optimise.h"
#include "labeling/slots.h"
#include "testutil.h"

namespace {

// Resolved unique pairs of slot r, pair by pair.
std::vector<std::array<int, 2>> resolvedpairs(int r, const TypeMatrix& u) {
    static Schedule s;
    import_pairs(labdata, r, s);
    MaskMatrix m{};
    pairmasks(s, u, m);
    std::vector<std::array<int, 2>> v;
    for (int f = 1; f <= kTypes; ++f)
        for (int e = 1; e <= kTypes; ++e) {
            if (u[f][e] != 1 || m[f][e] == 0) continue;
            int same = 0;
            for (int g = 1; g <= kTypes; ++g)
                for (int h = 1; h <= kTypes; ++h) same += u[g][h] > 0 && m[g][h] == m[f][e];
            if (same == 1) v.push_back({f, e});
        }
    return v;
}

Brute brutes(int r, const TypeMatrix& u) {
    static Schedule s;
    import_pairs(labdata, r, s);
    return brute(s, u, 1);
}

TEST(Thinning, NeverAddsDuplicatesOrLosesResolvedPairs) {
    std::mt19937 rng(11);
    RefineObserver quiet;
    static Schedule s;
    int thinned = 0;
    for (int round = 0; round < 60; ++round) {
        testutil::molecule(testutil::randomsequence(rng, 40 + static_cast<int>(rng() % 80)));
        const testutil::Pairs p;
        const Selection& base = p.base;
        const TypeMatrix& u = p.uniqs;
        if (base.count < 2) continue;
        // Duplicate-free schedules from random pair orders, and random label
        // sets that mostly share masks.
        initschedule(s);
        if (round % 3 != 2) {
            std::vector<int> order(static_cast<size_t>(base.count));
            std::iota(order.begin(), order.end(), 1);
            std::shuffle(order.begin(), order.end(), rng);
            order.insert(order.begin(), 0);
            ScheduleBuilder(u, labdata.iallowed_dupes)
                .build(base, order.data(), base.count, s,
                       cutoffmask(3 + static_cast<int>(rng() % 5)), 999);
        } else {
            for (int k = 1; k <= 5; ++k)
                for (int n = 0; n < 6; ++n)
                    addentry(s.samples[k], 1 + static_cast<int>(rng() % kTypes),
                             1 + static_cast<int>(rng() % kTypes), 0);
        }
        labdata.ilabelsize[1] = 0;
        export_pairs(s, u, 1, labdata);
        auto slot1 = labdata.ischedulenr[1];
        Brute before = brutes(1, u);
        auto resolved = resolvedpairs(1, u);
        thinned += thinlabeling(u, labdata.iallowed_dupes, labdata, 1, 2, quiet);
        Brute after = brutes(2, u);
        if (before.total == 0)
            EXPECT_EQ(after.total, 0) << round;
        else
            EXPECT_EQ(labdata.ischedulenr[2], slot1) << round;  // nothing can be kept
        EXPECT_GE(after.resolved, before.resolved) << round;
        auto still = resolvedpairs(2, u);
        for (auto& p : resolved)
            EXPECT_NE(std::find(still.begin(), still.end(), p), still.end())
                << round << ": " << p[0] << " " << p[1];
        EXPECT_EQ(labdata.ischedulenr[1], slot1);
        ASSERT_EQ(labdata.ilabelsize[2], labdata.ilabelsize[1]);
        for (int i = 1; i <= labdata.ilabelsize[2]; ++i) {
            int m2 = labdata.ischedulenr[2][i], m1 = slot1[i];
            EXPECT_NE(m2, 0) << round;
            EXPECT_EQ(m2 & ~m1, 0) << round;  // only samples taken away
        }
    }
    EXPECT_GT(thinned, 100);  // the property is not met by doing nothing
}

struct Changes : RefineObserver {
    std::vector<MaskChange> kept_;
    void kept(const MaskChange& c) override { kept_.push_back(c); }
};

// Slot 1 of the chain ALA GLY LEU, whose pairs are AG (1, 9) and GL (9, 12).
TEST(Thinning, HandMadeLabelings) {
    struct Case {
        const char* what;
        std::vector<std::array<int, 3>> slot1;
        std::vector<int> slot2;      // masks after
        std::vector<int> takenfrom;  // samples taken away, in order
    } cases[] = {
        // AG loses sample 2 (sample 1 alone would empty the mask); GL has one.
        {"single bits stay", {{1, 9, 3}, {9, 12, 4}}, {1, 4}, {2}},
        // GL in samples 1..3, AG in 1: sample 3 goes; without sample 2 GL
        // would share sample 1 alone with AG, so 2 stays and 1 goes.
        {"high to low", {{1, 9, 1}, {9, 12, 7}}, {1, 2}, {3, 1}},
        {"high to low, free", {{1, 9, 8}, {9, 12, 7}}, {8, 1}, {3, 2}},
        {"empty", {}, {}, {}},
    };
    for (const Case& k : cases) {
        testutil::molecule("ALA\nGLY\nLEU");
        const testutil::Pairs c;
        testutil::setslot(1, k.slot1);
        Changes obs;
        thinlabeling(c.uniqs, labdata.iallowed_dupes, labdata, 1, 2, obs);
        std::vector<int> masks, taken;
        for (int i = 1; i <= labdata.ilabelsize[2]; ++i) masks.push_back(labdata.ischedulenr[2][i]);
        for (auto& m : obs.kept_) taken.push_back(m.sample);
        EXPECT_EQ(masks, k.slot2) << k.what;
        EXPECT_EQ(taken, k.takenfrom) << k.what;
    }
}

}  // namespace
