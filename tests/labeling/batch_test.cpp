// Batch insertion on a five-residue chain whose passes were worked out by
// hand: which orders run, where each pair lands and what ends up in slot 3.
// Then the quick duplicate check and random passes against the plain ones,
// and long runs: their cost, their progress and Ctrl-C.
#include "labeling/batch.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "kemlang/services.h"
#include "labeling/optimise.h"
#include "labeling/slots.h"
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
        testutil::setslot(1, {{A, G, 1}});
        labdata.ilabelsize[3] = 0;
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

TEST(Batch, SystematicOrdersOfThreePairs) {
    Chain c;
    c.batch({{L, V}, {G, L}, {V, S}});
    // Orders 132, 213, 231, 312, 321 and 321 once more. Each pass ends with
    // the four masks 1..4 on three samples, 4 x 100 / 2^3 and the price and
    // label terms: a score between 53 and 54 that beats the integer best of
    // the pass before.
    BatchParams p;
    Recorder rec;
    BatchResult r = addbatch(kemradata, labdata, c.uniqs, labdata.iallowed_dupes, p, rec);
    ASSERT_EQ(r.improvements, 6);
    EXPECT_EQ(rec.used, std::vector<int>(6, 3));
    EXPECT_EQ(rec.best, (std::vector<int>{-50000, 53, 53, 53, 53, 53}));
    for (double score : rec.score) EXPECT_TRUE(score > 53 && score < 54) << score;
    EXPECT_EQ(r.best, 53);
    EXPECT_EQ(labdata.ilabelsize[1], 1);  // slot 1 stays
}

TEST(Batch, PassCountsAndPlacements) {
    using Batch = std::vector<std::array<int, 2>>;
    using Slot = std::vector<std::array<int, 3>>;
    const Batch three = {{L, V}, {G, L}, {V, S}};
    const Slot ag = {{A, G, 1}};
    struct Case {
        const char* what;
        Batch batch;
        int max;
        Slot slot1;
        int passes;
        Slot slot3;
    } cases[] = {
        // The last order, 3 2 1: VS into sample 2, GL into samples 1 and 2, LV into 3.
        {"all orders", three, 0, ag, 6, {{A, G, 1}, {G, L, 3}, {L, V, 4}, {V, S, 2}}},
        // max 2: orders 132 and 213; 213 puts GL into 2, LV into 1 and 2, VS into 3.
        {"max 2", three, 2, ag, 2, {{A, G, 1}, {G, L, 2}, {L, V, 3}, {V, S, 4}}},
        {"max 1", three, 1, ag, 1, {{A, G, 1}, {G, L, 4}, {L, V, 2}, {V, S, 3}}},
        // Two pairs: one pass, in the order 2 1.
        {"two", {{L, V}, {G, L}}, 0, ag, 1, {{A, G, 1}, {G, L, 2}, {L, V, 3}}},
        {"one", {{L, V}}, 0, ag, 1, {{A, G, 1}, {L, V, 2}}},
        // Nothing to insert: slot 1 rebuilt from what it shows.
        {"empty", {}, 0, ag, 1, ag},
        // The first mask tried is sample 1 alone.
        {"first fit", {{L, V}}, 0, {}, 1, {{L, V, 1}}},
        // Slot 1 already shares a mask: no mask keeps the total at 0, so the
        // pair stays out.
        {"never fits", {{V, S}}, 0, {{A, G, 1}, {G, L, 1}}, 1, {{A, G, 1}, {G, L, 1}}},
    };
    for (const Case& k : cases) {
        Chain c;
        testutil::setslot(1, k.slot1);
        c.batch(k.batch);
        BatchParams p;
        p.max = k.max;
        BatchObserver quiet;
        BatchResult r = addbatch(kemradata, labdata, c.uniqs, labdata.iallowed_dupes, p, quiet);
        EXPECT_EQ(r.passes, k.passes) << k.what;
        EXPECT_EQ(c.slot3(), k.slot3) << k.what;
    }
}

// The plain check: place the entry, rebuild the pair-sample matrix, walk it.
int plaintotal(Schedule s, const TypeMatrix& uniqs, const TypeMatrix& allowed, int f, int e, int m,
               int* maxmask = nullptr) {
    s.nsamples = kSamples;
    for (int k = 1; k <= kSamples; ++k)
        if (m & (1 << (k - 1))) addentry(s.samples[k], f, e, m);
    fillschednrs(s, uniqs);
    int mm = 0;
    int total = checkmatrix(s.schednrs, mm, allowed, uniqs);
    if (maxmask) *maxmask = mm;
    return total;
}

TEST(DupeIndex, AgreesWithThePlainCheck) {
    std::mt19937 rng(32);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int round = 0; round < 100; ++round) {
        TypeMatrix uniqs{}, allowed{};
        for (int f = 1; f <= kTypes; ++f)
            for (int e = 1; e <= kTypes; ++e) {
                uniqs[f][e] = pick(0, 9) < 6 ? 0 : pick(1, 3);
                allowed[f][e] = round % 3 == 0 ? pick(-1, 3) : pick(1, 2);
            }
        // Types 0 and 22 stand for batch entries past the end of a list.
        auto type = [&] { return pick(0, 30) == 0 ? pick(0, 1) * 22 : pick(1, kTypes); };
        auto s = std::make_unique<Schedule>();
        int entries = pick(0, 40);
        for (int i = 0; i < entries; ++i) {
            int f = type(), e = type(), m = pick(1, (1 << pick(1, kSamples)) - 1);
            for (int k = 1; k <= kSamples; ++k)
                if (m & (1 << (k - 1))) addentry(s->samples[k], f, e, m);
        }
        DupeIndex index(*s, uniqs, allowed);
        int mm = 0;
        ASSERT_EQ(index.total(), plaintotal(*s, uniqs, allowed, 0, 0, 0, &mm)) << round;
        EXPECT_EQ(index.maxmask(), mm) << round;
        for (int trial = 0; trial < 30; ++trial) {
            int f = type(), e = type(), m = pick(1, 1024);
            ASSERT_EQ(index.with(f, e, m), plaintotal(*s, uniqs, allowed, f, e, m))
                << round << " " << f << " " << e << " " << m;
            if (index.hopeless(f, e)) {
                for (int m2 = pick(1, 9); m2 <= 1024; m2 += pick(50, 250))
                    ASSERT_GE(plaintotal(*s, uniqs, allowed, f, e, m2), 1) << round;
            }
            if (trial % 5 == 0) {
                index.add(f, e, m);
                for (int k = 1; k <= kSamples; ++k)
                    if (m & (1 << (k - 1))) addentry(s->samples[k], f, e, m);
                ASSERT_EQ(index.total(), plaintotal(*s, uniqs, allowed, 0, 0, 0, &mm)) << round;
                EXPECT_EQ(index.maxmask(), mm) << round;
            }
        }
    }
}

// The insertion as the plain check makes it, pass by pass, random orders.
std::vector<double> plainpasses(const KemraData& mol, LabelData lab, const TypeMatrix& uniqs,
                                int seed, int passes) {
    std::vector<double> scores;
    auto base = std::make_unique<Schedule>();
    import_pairs(lab, 1, *base);
    int n = lab.ibatchsize;
    for (int pass = 0; pass < passes; ++pass) {
        std::vector<int> order(static_cast<size_t>(n) + 1);
        for (int k = 1; k <= n; ++k) order[k] = k;
        for (int k = n; k > 1; --k)
            std::swap(order[k], order[1 + std::min(k - 1, static_cast<int>(ran1(seed) * k))]);
        auto trial = std::make_unique<Schedule>(*base);
        trial->nsamples = kSamples;
        for (int k = 1; k <= n; ++k) {
            int f = lab.ibatch_front[order[k] - 1], e = lab.ibatch_end[order[k] - 1];
            for (int m = 1; m <= 1024; ++m)
                if (plaintotal(*trial, uniqs, lab.iallowed_dupes, f, e, m) < 1) {
                    for (int s = 1; s <= kSamples; ++s)
                        if (m & (1 << (s - 1))) addentry(trial->samples[s], f, e, m);
                    break;
                }
        }
        scores.push_back(scoreschedule(*trial, 1.0, 1.0, 1.0, uniqs, mol, lab));
    }
    return scores;
}

TEST(Batch, RandomPassesMatchThePlainCheck) {
    std::mt19937 rng(24);
    for (int round = 0; round < 3; ++round) {
        testutil::molecule(testutil::randomsequence(rng, 40));
        Selection base;
        TypeMatrix uniqs{};
        testutil::captured([&] { initdata(kemradata, labdata, base, uniqs, 1); });
        // Slot 1: the first pairs on random samples; the batch: the rest.
        std::vector<std::array<int, 3>> slot1;
        std::vector<std::array<int, 2>> batch;
        for (int k = 1; k <= base.count; ++k)
            if (k <= base.count / 2)
                slot1.push_back({base.front[k], base.end[k], static_cast<int>(rng() % 63) + 1});
            else
                batch.push_back({base.front[k], base.end[k]});
        testutil::setslot(1, slot1);
        Chain::batch(batch);
        labdata.iallowed_dupes = TypeMatrix{};
        for (auto& row : labdata.iallowed_dupes) row.fill(round % 2 ? 1 : 2);
        // Every pass beats the integer part of the best before it or scores
        // below it; the scores of the passes that did must be the plain ones.
        const int passes = 4, seed = -5 - round;
        std::vector<double> plain = plainpasses(kemradata, labdata, uniqs, seed, passes);
        ranreset();
        BatchParams p;
        p.random = true;
        p.max = passes;
        p.seed = seed;
        Recorder rec;
        BatchResult r = addbatch(kemradata, labdata, uniqs, labdata.iallowed_dupes, p, rec);
        EXPECT_EQ(r.passes, passes);
        std::vector<double> want;
        int best = -50000;
        for (double s : plain)
            if (s > best) want.push_back(s), best = static_cast<int>(s);
        EXPECT_EQ(rec.score, want) << round;
        ranreset();
    }
}

// Ctrl-C between two pairs: the pass cut short is not scored, slot 3 keeps
// the best of the passes before.
TEST(Batch, AStopKeepsTheBestSoFar) {
    struct StopAfter : BatchObserver {
        int left, calls = 0;
        long long planned = 0;
        explicit StopAfter(int n) : left(n) {}
        bool stop() override { return ++calls > left; }
        void begin(long long n) override { planned = n; }
    };
    Chain c;
    c.batch({{L, V}, {G, L}, {V, S}});
    for (int calls : {0, 1, 4, 5}) {
        labdata.ilabelsize[3] = 0;
        BatchParams p;
        StopAfter obs(calls);
        BatchResult r = addbatch(kemradata, labdata, c.uniqs, labdata.iallowed_dupes, p, obs);
        EXPECT_EQ(obs.planned, 6);
        EXPECT_TRUE(r.interrupted) << calls;
        // Each pass asks three times before its pairs and once after.
        EXPECT_EQ(r.passes, calls / 4) << calls;
        EXPECT_EQ(labdata.ilabelsize[3], r.passes > 0 ? 4 : 0) << calls;
    }
}

TEST(Batch, PlannedPasses) {
    struct {
        int n, max;
        bool random;
        long long passes;
    } cases[] = {{2, 0, false, 1},          {3, 0, false, 6},
                 {3, 2, false, 2},          {3, 10, false, 6},
                 {3, 10, true, 10},         {17, 0, true, 1000},
                 {4, 0, true, 24},          {17, 0, false, 355687428096000LL},
                 {40, 0, false, LLONG_MAX}, {40, 0, true, 1000}};
    for (const auto& c : cases) {
        BatchParams p;
        p.max = c.max;
        p.random = c.random;
        EXPECT_EQ(plannedpasses(c.n, p), c.passes) << c.n << " " << c.max << " " << c.random;
    }
}

}  // namespace
