// The all-pairs local search: its incremental cost against a recount from
// the definitions, its judgement against the annealer's, and its answers
// against the exact engine's proofs, in both models.
#include "labeling/breakout.h"

#include <gtest/gtest.h>

#include <random>

#include "../brute.h"
#include "labeling/exact.h"
#include "testutil.h"

namespace {

// The unique pairs as the base, or (part) a random part of them, so that
// pairs outside the base show through the labels of base pairs.
testutil::Pairs load(const std::string& source, std::mt19937* part = nullptr) {
    testutil::molecule(source);
    testutil::Pairs p;
    if (part) {
        Selection kept;
        for (int i = 1; i <= p.base.count; ++i)
            if ((*part)() % 3)
                ++kept.count, kept.front[kept.count] = p.base.front[i],
                              kept.end[kept.count] = p.base.end[i];
        p.base = kept;
    }
    return p;
}

// An interrupt ends the walk within its stop check, with no answer.
TEST(Breakout, InterruptEndsTheWalk) {
    testutil::Pairs p = load("hewl.fasta");
    Breakout b(p.base, p.uniqs, (1u << 6) - 1);  // 83 pairs cannot fit on 6 samples
    int polls = 0;
    Labels l;
    Breakout::Limits lim;
    lim.steps = 1000000, lim.smooth = 20;
    EXPECT_FALSE(b.search(
        Labels(), 1, lim, [&] { return ++polls > 2; }, l));
    EXPECT_LE(b.moves(), 3 * 4096);
}

// Random flips, weight growths and shrinkings in both models, with forms
// missing or not: the kept cost equals a recount, the normalised labels are
// the annealer's, and with all weights one the broken constraints are the
// unresolved unique pairs, the pairs sharing a unique one's code and the
// forms bought that are not offered.
TEST(Breakout, CodesAndOfferStateMatchesRecount) {
    std::mt19937 rng(29);
    for (int trial = 0; trial < 12; ++trial) {
        testutil::Pairs p = load(testutil::randomsequence(rng, 30 + static_cast<int>(rng() % 90)),
                                 trial % 3 == 1 ? &rng : nullptr);
        const Model model = trial % 4 == 3 ? Model() : testutil::twospectra();
        const Offer offer = trial % 2 ? testutil::randomoffer(rng) : Offer();
        const int k = 2 + trial % 4;
        const uint32_t samples = (1u << k) - 1;
        Breakout b(p.base, p.uniqs, samples, model, offer);
        Annealer judge(p.base, p.uniqs, p.allowed, samples, 999, model, offer);
        if (b.variables() == 0) continue;
        Labels l;
        for (int t = 1; t <= kTypes; ++t) l.c[t] = rng() & samples, l.n[t] = rng() & samples;
        b.load(l);
        for (int step = 0; step < 400; ++step) {
            b.flip(static_cast<int>(rng() % static_cast<unsigned>(b.variables())));
            if (step % 7 == 0)
                b.bump(static_cast<int>(rng() % static_cast<unsigned>(b.constraints())));
            if (step % 50 == 49) b.smooth();
            ASSERT_EQ(b.cost(), b.recount()) << trial << " " << step;
            if (step % 40 == 0) {
                Labels now = b.labels();
                ASSERT_TRUE(b.normalised() == judge.normalised(now)) << trial << " " << step;
                b.load(now);
                ASSERT_EQ(b.cost(), b.broken());
                Annealer::Eval ev = judge.evaluate(judge.normalised(now));
                ASSERT_EQ(b.broken() == 0, ev.feasible() && ev.resolved == b.unique());
                if (!offer.any()) {
                    ASSERT_EQ(b.resolved(), ev.resolved) << trial << " " << step;
                }
            }
        }
    }
}

// On the fewest samples the exact engine proves, the search resolves every
// unique pair some labels can show (the HNCO schedule rechecked by brute
// force), and its labels buy no form not offered; on one sample fewer it
// finds nothing.
TEST(Breakout, FindsAllPairsInBothModelsWithinTheOffer) {
    std::mt19937 rng(11);
    int found = 0;
    for (int trial = 0; trial < 8; ++trial) {
        testutil::Pairs p = load(testutil::randomsequence(rng, 20 + static_cast<int>(rng() % 40)),
                                 trial % 4 == 1 ? &rng : nullptr);
        const Model model = trial % 3 == 2 ? Model() : testutil::twospectra();
        const Offer offer = trial % 2 ? testutil::randomoffer(rng) : Offer();
        ExactOptions noshortcut;
        noshortcut.breakoutshare = 0;
        ExactFewest f = exactfewest(p.base, p.uniqs, p.allowed, {}, noshortcut, model, offer);
        if (f.upper == 0) {  // forms missing keep two unique pairs on one code
            EXPECT_GT(f.lower, kSamples) << trial;
            continue;
        }
        ASSERT_EQ(f.status, ExactStatus::proven) << trial;
        if (f.unique == 0) continue;
        for (int k : {f.upper, f.upper - 1}) {
            if (k < 1) continue;
            const uint32_t samples = (1u << k) - 1;
            Breakout b(p.base, p.uniqs, samples, model, offer);
            EXPECT_EQ(b.unique(), f.unique) << trial;
            Labels l;
            Breakout::Limits lim;
            lim.steps = 200000, lim.patience = 20000, lim.smooth = 20;
            bool yes = b.search(Labels(), 3 + static_cast<uint64_t>(trial), lim, nullptr, l);
            if (k < f.upper) {
                EXPECT_FALSE(yes) << trial;
                continue;
            }
            ASSERT_TRUE(yes) << trial;
            ++found;
            Annealer a(p.base, p.uniqs, p.allowed, samples, 999, model, offer);
            EXPECT_TRUE(a.normalised(l) == l) << trial;
            EXPECT_EQ(offer.count(l), 0) << trial;
            Annealer::Eval ev = a.evaluate(l);
            EXPECT_TRUE(ev.feasible()) << trial;
            EXPECT_EQ(ev.resolved, f.unique) << trial;
            EXPECT_EQ(resolvedby(l, p.uniqs, model), f.unique) << trial;
            if (!model.twospectra() && !offer.any()) {
                static Schedule s;
                ASSERT_TRUE(a.toschedule(l, s));
                Brute br = brute(s, p.uniqs, 1);
                EXPECT_EQ(br.resolved, f.unique) << trial;
                EXPECT_EQ(br.total, 0) << trial;
            }
        }
    }
    EXPECT_GE(found, 6);
}

}  // namespace
