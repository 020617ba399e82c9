// The genetic search: parents drawn by rank weight, the same seed giving the
// same run, and a best member the generations never lose.
#include "labeling/ga.h"

#include <gtest/gtest.h>

#include "brute.h"
#include "testutil.h"

namespace {

TEST(GaSelection, RankWeights) {
    // Four members: weights 4, 3, 2, 1 of 10.
    struct Case {
        double u;
        int n, rank;
    } cases[] = {{0.0, 4, 1}, {0.4, 4, 1},  {0.41, 4, 2},  {0.7, 4, 2}, {0.71, 4, 3},
                 {0.9, 4, 3}, {0.91, 4, 4}, {0.999, 4, 4}, {0.0, 1, 1}, {0.999, 1, 1}};
    for (const Case& c : cases) EXPECT_EQ(drawparent(c.u, c.n), c.rank) << c.u << " " << c.n;
}

struct Trace : GaObserver {
    std::vector<int> popbest, runbest;
    long stopat = 0;
    void generation(long g, int p, int r) override {
        (void)g;
        popbest.push_back(p), runbest.push_back(r);
    }
    bool stop() override { return stopat > 0 && static_cast<long>(popbest.size()) >= stopat; }
};

struct Ubiquitin {
    Selection base;
    TypeMatrix uniqs{};
    Ubiquitin() {
        testutil::molecule("ubiquitin.fasta");
        testutil::captured([&] { initdata(kemradata, labdata, base, uniqs, 1); });
    }
    std::unique_ptr<GaResult> run(const GaParams& p, Trace& t) {
        return low_level_ga(kemradata, labdata, uniqs, labdata.iallowed_dupes, base, p, t);
    }
};

TEST(GaRun, SameSeedSameRunAndTheBestIsKept) {
    Ubiquitin ubq;
    GaParams p;
    p.evosteps = 300;
    Trace a, b, c;
    auto ra = ubq.run(p, a);
    auto rb = ubq.run(p, b);
    p.seed = 7;
    auto rc = ubq.run(p, c);
    EXPECT_EQ(a.popbest, b.popbest);
    EXPECT_EQ(ra->bestmember.front, rb->bestmember.front);
    EXPECT_EQ(ra->bestmember.end, rb->bestmember.end);
    EXPECT_NE(a.popbest, c.popbest);
    ASSERT_EQ(a.popbest.size(), 300u);
    EXPECT_EQ(ra->generations, 300);
    // With one elite member the best of the population never falls, and the
    // run's best is the best of all generations.
    for (size_t g = 1; g < a.popbest.size(); ++g) {
        EXPECT_GE(a.popbest[g], a.popbest[g - 1]) << g;
        EXPECT_EQ(a.runbest[g], a.popbest[g]) << g;
    }
    EXPECT_GT(a.popbest.back(), a.popbest.front());
    // The result is the best member as a schedule of five samples, judged
    // the same way by the brute-force checker.
    Brute br = brute(ra->best, ubq.uniqs, 1);
    EXPECT_EQ(br.resolved, ra->resolved);
    EXPECT_EQ(br.total, ra->dupes);
    EXPECT_EQ(ra->fitness, ra->dupes == 0 ? kCleanFitness + static_cast<int>(ra->score)
                                          : static_cast<int>(ra->score / ra->dupes));
    EXPECT_EQ(ra->fitness, a.runbest.back());
    for (int k = kGaSamples + 1; k <= kSamples; ++k) EXPECT_EQ(ra->best.samples[k].count, 0);
}

TEST(GaRun, StopsWhenAskedAndWithOneMember) {
    Ubiquitin ubq;
    GaParams p;
    Trace t;
    t.stopat = 5;  // the ten million generations end at the observer's word
    auto r = ubq.run(p, t);
    EXPECT_TRUE(r->interrupted);
    EXPECT_EQ(r->generations, 5);
    // One member: every parent is that member; without elite the run still
    // keeps its best.
    p.popsize = 1;
    p.evosteps = 50;
    Trace one;
    auto r1 = ubq.run(p, one);
    EXPECT_EQ(r1->generations, 50);
    EXPECT_EQ(r1->fitness, *std::max_element(one.popbest.begin(), one.popbest.end()));
}

}  // namespace
