#include "labeling/halving.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// A solver whose formula holds from `fewest` samples up; a yes costs more
// near that count, a no costs 3 and is found only when `provable`.
struct Fake {
    int fewest;
    bool provable;
    bool lowers = true;  // a yes makes a schedule on fewer samples
    std::vector<int> asked{};
    int* best = nullptr;
    Fake(int f, bool p, bool l = true) : fewest(f), provable(p), lowers(l) {}
    ExactAnswer operator()(int k, double seconds, double& work) {
        asked.push_back(k);
        const double cost = k >= fewest ? 1 + 10.0 / (k - fewest + 1) : provable ? 3 : 1e18;
        work = std::min(cost, seconds);
        if (cost > seconds) return ExactAnswer::unknown;
        if (k < fewest) return ExactAnswer::unsat;
        if (lowers) *best = k;
        return ExactAnswer::sat;
    }
};

int run(Fake& f, int low, int& best, double budget, bool stopped = false) {
    f.best = &best;
    return halvecounts(
        low, best, budget, [&](int k, double s, double& w) { return f(k, s, w); },
        [&] { return stopped; });
}

}  // namespace

// With budget to spare the halving ends on the fewest count, as stepping
// down one sample at a time would, proves it when a no can be had, and asks
// no more questions than halving the range needs.
TEST(Halving, FindsTheFewestCountWithinLogQuestions) {
    for (int low = 1; low <= 6; ++low)
        for (int best0 = low; best0 <= 16; ++best0)
            for (int fewest = low; fewest <= best0; ++fewest)
                for (bool provable : {false, true}) {
                    SCOPED_TRACE(testing::Message()
                                 << low << " " << best0 << " " << fewest << " " << provable);
                    Fake f{fewest, provable};
                    int best = best0;
                    const int proven = run(f, low, best, 1e9);
                    int stepped = best0;  // the plain reference
                    while (stepped - 1 >= fewest) --stepped;
                    EXPECT_EQ(best, stepped);
                    EXPECT_EQ(proven, provable && fewest > low ? fewest : 0);
                    const int range = best0 - low;
                    EXPECT_LE(static_cast<int>(f.asked.size()),
                              range ? static_cast<int>(std::ceil(std::log2(range + 1))) : 0);
                    for (int k : f.asked) EXPECT_TRUE(k >= low && k < best0) << k;
                }
}

// The budget, a yes without a better schedule and the stop bound it.
TEST(Halving, StopsWhereItMust) {
    struct Row {
        const char* what;
        double budget;
        bool lowers, stopped;
        int best, proven;
        std::vector<int> asked;
    };
    // 1 to 15 open, the formula holds from 9 samples, no proof to be had.
    const Row rows[] = {
        {"budget to spare", 1e9, true, false, 9, 0, {8, 12, 10, 9}},
        {"7 of 14 lost on 8, 12 found on the 3.5 left", 14, true, false, 12, 0, {8, 12, 10, 11}},
        {"nothing to spend", 0, true, false, 16, 0, {}},
        {"a yes that makes no better schedule", 1e9, false, false, 16, 0, {8, 12}},
        {"stopped", 1e9, true, true, 16, 0, {}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        Fake f{9, false, r.lowers};
        int best = 16;
        EXPECT_EQ(run(f, 1, best, r.budget, r.stopped), r.proven);
        EXPECT_EQ(best, r.best);
        EXPECT_EQ(f.asked, r.asked);
    }
}
