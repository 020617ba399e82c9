// The label annealing: its incremental judgement against the plain reading
// of the definitions, and what its search returns.
#include "labeling/anneal.h"

#include <gtest/gtest.h>

#include <random>

#include "../brute.h"
#include "labeling/price.h"
#include "testutil.h"

namespace {

using Case = testutil::Pairs;

Case randomcase(std::mt19937& rng, int residues, int allowed) {
    testutil::molecule(testutil::randomsequence(rng, residues));
    Case c;
    for (auto& row : c.allowed) row.fill(allowed);
    return c;
}

// The judgement of labels read from the schedule they give.
Annealer::Eval reference(const Annealer& a, const Labels& l, const Case& c, int maxpeaks) {
    static Schedule s;
    EXPECT_TRUE(a.toschedule(l, s));
    Annealer::Eval ev;
    int total = 0;
    ev.resolved = chkuniqsdup(s, c.uniqs);
    ev.total = checkschedule(s, total, c.allowed, c.uniqs);
    bool uniform = true;
    for (const auto& row : c.allowed)
        for (int v : row) uniform = uniform && v == c.allowed[1][1];
    if (uniform) {
        Brute b = brute(s, c.uniqs, c.allowed[1][1]);
        EXPECT_EQ(b.resolved, ev.resolved);
        EXPECT_EQ(b.total, ev.total);
    }
    if (maxpeaks != 999)
        for (int k = 1; k <= kSamples; ++k)
            ev.excess += std::max(0, brutepeaks(s, k, c.uniqs) - maxpeaks);
    return ev;
}

void expectsame(const Annealer::Eval& a, const Annealer::Eval& b, const std::string& what) {
    ASSERT_EQ(a.resolved, b.resolved) << what;
    ASSERT_EQ(a.total, b.total) << what;
    ASSERT_EQ(a.excess, b.excess) << what;
}

TEST(Annealer, IncrementalJudgementEqualsReference) {
    std::mt19937 rng(77);
    for (int trial = 0; trial < 12; ++trial) {
        int allowed = trial % 3 == 2 ? 2 : 1;
        Case c = randomcase(rng, 30 + static_cast<int>(rng() % 120), allowed);
        if (trial % 4 == 3) c.allowed[1 + rng() % kTypes][1 + rng() % kTypes] = 3;  // from scratch
        uint32_t samples = trial % 2 ? (1u << (3 + trial % 5)) - 1 : 0x5Bu;  // also with gaps
        int maxpeaks = trial % 3 == 0 ? 999 : 6 + trial;
        Annealer a(c.base, c.uniqs, c.allowed, samples, maxpeaks);
        Labels l = testutil::randomlabels(rng, samples);
        a.load(l);
        std::string what = "trial " + std::to_string(trial);
        expectsame(a.current(), reference(a, a.labels(), c, maxpeaks), what + " load");
        EXPECT_EQ(a.labels(), a.normalised(l));
        for (int step = 0; step < 400; ++step) {
            Annealer::Eval before = a.current();
            Labels was = a.labels();
            a.change(
                rng() % 2 == 0, 1 + static_cast<int>(rng() % kTypes),
                static_cast<uint32_t>(rng()) & samples & (rng() % 3 ? 0x11u << (rng() % 4) : ~0u));
            expectsame(a.current(), reference(a, a.labels(), c, maxpeaks), what + " change");
            if (rng() % 2) {
                a.revert();
                expectsame(a.current(), before, what + " revert");
                ASSERT_EQ(a.labels(), was) << what;
            } else {
                a.commit();
            }
        }
    }
}

TEST(Annealer, SearchKeepsEveryLimitAndRepeats) {
    std::mt19937 rng(5);
    for (int trial = 0; trial < 6; ++trial) {
        Case c = randomcase(rng, 60 + 20 * trial, 1 + trial % 2);
        uint32_t samples = (1u << (3 + trial % 3)) - 1;
        int maxpeaks = trial % 2 ? 999 : 9;
        Annealer a(c.base, c.uniqs, c.allowed, samples, maxpeaks);
        Labels l = a.search(Labels(), 11, 200000, 1000);
        Annealer::Eval ev = a.evaluate(l);
        EXPECT_TRUE(ev.feasible()) << trial;
        expectsame(ev, reference(a, l, c, maxpeaks), "trial " + std::to_string(trial));
        for (int t = 1; t <= kTypes; ++t)
            EXPECT_EQ((l.c[static_cast<size_t>(t)] | l.n[static_cast<size_t>(t)]) & ~samples, 0u);
        EXPECT_EQ(a.search(Labels(), 11, 200000, 1000), l) << "same seed, same labels";
        // Starting from its own result it cannot lose pairs.
        EXPECT_GE(a.evaluate(a.search(l, 12, 1000, 1000)).resolved, ev.resolved);
    }
}

// A repair only takes labels away, and what it leaves is clean by the
// reference judgement, with or without the offer's missing forms.
TEST(Annealer, RepairTakesLabelsAwayUntilClean) {
    std::mt19937 rng(31);
    for (int trial = 0; trial < 8; ++trial) {
        Case c = randomcase(rng, 40 + static_cast<int>(rng() % 160), 1);
        const uint32_t samples = (1u << (4 + trial % 4)) - 1;
        const int maxpeaks = trial % 2 ? 999 : 12;
        const Offer offer = trial % 3 ? offerof(typeprices(kemradata, labdata)) : Offer();
        Annealer a(c.base, c.uniqs, c.allowed, samples, maxpeaks, Model(), offer);
        Labels l = testutil::randomlabels(rng, samples);
        const std::string what = "trial " + std::to_string(trial);
        ASSERT_FALSE(a.evaluate(a.normalised(l)).feasible()) << what << ": nothing to repair";
        const Labels r = a.repaired(l);
        const Annealer::Eval ev = a.evaluate(r);
        EXPECT_TRUE(ev.feasible()) << what;
        expectsame(ev, reference(a, r, c, maxpeaks), what);
        for (int t = 1; t <= kTypes; ++t) {
            EXPECT_EQ(r.c[static_cast<size_t>(t)] & ~l.c[static_cast<size_t>(t)], 0u) << what;
            EXPECT_EQ(r.n[static_cast<size_t>(t)] & ~l.n[static_cast<size_t>(t)], 0u) << what;
        }
        EXPECT_EQ(a.repaired(r), r) << what << ": clean labels stay as they are";
    }
}

TEST(Annealer, ResolvesEveryMaskOnARealProtein) {
    // Ubiquitin with four samples: all 15 masks can go to unique pairs.
    testutil::molecule("ubiquitin.fasta");
    Case c;
    Annealer a(c.base, c.uniqs, c.allowed, 0xF, 500);
    Labels l = a.search(Labels(), 1, 2000000, 15);
    EXPECT_EQ(a.evaluate(l).resolved, 15);
    // An infeasible start is left for empty labels.
    Labels all;
    all.c.fill(0xF), all.n.fill(0xF);
    a.load(all);
    EXPECT_FALSE(a.current().feasible());
    EXPECT_TRUE(a.evaluate(a.search(all, 1, 0, 15)).feasible());
}

}  // namespace
