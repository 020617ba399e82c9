// Batch insertion on a five-residue chain whose passes were worked out by
// hand: which orders run, where each pair lands, what each pass scores and
// what ends up in slot 3.
#include "labeling/batch.h"

#include <gtest/gtest.h>

#include <cmath>

#include "testutil.h"

namespace {

// ALA GLY LEU VAL SER: the pairs AG (1,9), GL (9,12), LV (12,21) and VS
// (21,17), each once; slot 1 holds AG in sample 1.
constexpr int A = 1, G = 9, L = 12, V = 21, S = 17;

struct Chain {
    Selection base;
    TypeMatrix uniqs{};
    Chain() {
        testutil::molecule("ALA\nGLY\nLEU\nVAL\nSER");
        testutil::captured([&] { initdata(kemradata, labdata, base, uniqs, 1); });
        setslot(1, {{A, G, 1}});
        labdata.ilabelsize[3] = 0;
    }
    static void setslot(int r, std::vector<std::array<int, 3>> entries) {
        labdata.ilabelsize[r] = static_cast<int>(entries.size());
        for (size_t i = 0; i < entries.size(); ++i) {
            labdata.ias_front[r][i + 1] = entries[i][0];
            labdata.ias_end[r][i + 1] = entries[i][1];
            labdata.ischedulenr[r][i + 1] = entries[i][2];
        }
    }
    // Batch pairs as the insertion reads them: front from ibatch_front.
    static void batch(std::vector<std::array<int, 2>> pairs) {
        labdata.ibatch_front.clear(), labdata.ibatch_end.clear();
        for (auto& p : pairs)
            labdata.ibatch_front.push_back(p[0]), labdata.ibatch_end.push_back(p[1]);
        labdata.ibatchsize = static_cast<int>(pairs.size());
    }
    std::vector<std::array<int, 3>> slot3() const {
        std::vector<std::array<int, 3>> v;
        for (int i = 1; i <= labdata.ilabelsize[3]; ++i)
            v.push_back(
                {labdata.ias_front[3][i], labdata.ias_end[3][i], labdata.ischedulenr[3][i]});
        return v;
    }
};

struct Recorder : BatchObserver {
    std::vector<int> used, best;
    std::vector<double> score;
    void improved(const Schedule&, int u, int b, double s) override {
        used.push_back(u), best.push_back(b), score.push_back(s);
    }
};

// Score of a three-sample schedule of the chain that resolves all four pairs
// with the masks 1..4: price term over 3 x 18204, the label amounts (one per
// residue labelled in a sample, five in all), 4 x 100 / 2^3 and 5 distinct
// masks (0 included) over 2^3 - 1.
double chainscore(int price, int labelled) {
    return 1 - price / (3 * 18204.0) + labelled / 5.0 + 4 * 100 / 8.0 + 5 / 7.0;
}

TEST(Batch, SystematicOrdersOfThreePairs) {
    Chain c;
    c.batch({{L, V}, {G, L}, {V, S}});
    // Orders 132, 213, 231, 312, 321 and 321 once more. Each pass ends with
    // the four masks 1..4 on three samples; the prices and label amounts of
    // the samples (13C, 15N or both per type) give the scores below, all
    // between 53 and 54, so each beats the integer best of the pass before.
    struct Pass {
        int price, labelled;
    } passes[] = {{5833, 9}, {3955, 9}, {5154, 10}, {3820, 9}, {3603, 9}, {3603, 9}};
    BatchParams p;
    Recorder rec;
    BatchResult r = addbatch(kemradata, labdata, c.uniqs, labdata.iallowed_dupes, p, rec);
    EXPECT_EQ(r.passes, 6);
    ASSERT_EQ(r.improvements, 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(rec.used[static_cast<size_t>(i)], 3) << i;
        EXPECT_EQ(rec.best[static_cast<size_t>(i)], i == 0 ? -50000 : 53) << i;
        EXPECT_NEAR(rec.score[static_cast<size_t>(i)],
                    chainscore(passes[i].price, passes[i].labelled), 1e-9)
            << i;
    }
    EXPECT_EQ(r.best, 53);
    // Order 3 2 1: VS into sample 2, GL into samples 1 and 2, LV into 3.
    std::vector<std::array<int, 3>> want = {{A, G, 1}, {G, L, 3}, {L, V, 4}, {V, S, 2}};
    EXPECT_EQ(c.slot3(), want);
    EXPECT_EQ(labdata.ilabelsize[1], 1);  // slot 1 stays
}

TEST(Batch, PassCountsAndPlacements) {
    struct Case {
        const char* what;
        std::vector<std::array<int, 2>> batch;
        int max;
        std::vector<std::array<int, 3>> slot1;
        int passes;
        std::vector<std::array<int, 3>> slot3;
    } cases[] = {
        // max 2: orders 132 and 213; 213 puts GL into 2, LV into 1 and 2, VS into 3.
        {"max 2",
         {{L, V}, {G, L}, {V, S}},
         2,
         {{A, G, 1}},
         2,
         {{A, G, 1}, {G, L, 2}, {L, V, 3}, {V, S, 4}}},
        {"max 1",
         {{L, V}, {G, L}, {V, S}},
         1,
         {{A, G, 1}},
         1,
         {{A, G, 1}, {G, L, 4}, {L, V, 2}, {V, S, 3}}},
        // Two pairs: one pass, in the order 2 1.
        {"two", {{L, V}, {G, L}}, 0, {{A, G, 1}}, 1, {{A, G, 1}, {G, L, 2}, {L, V, 3}}},
        {"one", {{L, V}}, 0, {{A, G, 1}}, 1, {{A, G, 1}, {L, V, 2}}},
        // Nothing to insert: slot 1 rebuilt from what it shows.
        {"empty", {}, 0, {{A, G, 1}}, 1, {{A, G, 1}}},
        // The first mask tried is sample 1 alone.
        {"first fit", {{L, V}}, 0, {}, 1, {{L, V, 1}}},
        // Slot 1 already shares a mask: no mask keeps the total at 0, so the
        // pair stays out.
        {"never fits", {{V, S}}, 0, {{A, G, 1}, {G, L, 1}}, 1, {{A, G, 1}, {G, L, 1}}},
    };
    for (const Case& k : cases) {
        Chain c;
        Chain::setslot(1, k.slot1);
        c.batch(k.batch);
        BatchParams p;
        p.max = k.max;
        BatchObserver quiet;
        BatchResult r = addbatch(kemradata, labdata, c.uniqs, labdata.iallowed_dupes, p, quiet);
        EXPECT_EQ(r.passes, k.passes) << k.what;
        EXPECT_EQ(c.slot3(), k.slot3) << k.what;
    }
}

TEST(Batch, RandomOrdersAreBounded) {
    Chain c;
    c.batch({{L, V}, {G, L}, {V, S}});
    struct Case {
        int max, passes;
    } cases[] = {{0, 6}, {4, 4}, {1, 1}};  // 3! orders without max
    for (const Case& k : cases) {
        BatchParams p;
        p.random = true;
        p.max = k.max;
        p.seed = -7;
        BatchObserver quiet;
        EXPECT_EQ(addbatch(kemradata, labdata, c.uniqs, labdata.iallowed_dupes, p, quiet).passes,
                  k.passes)
            << k.max;
        // Every order gives four resolved pairs on three samples.
        EXPECT_EQ(labdata.ilabelsize[3], 4);
    }
}

}  // namespace
