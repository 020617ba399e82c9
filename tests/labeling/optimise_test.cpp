// The schedule builder against its from-scratch reference, the score, and
// the optimiser as a computation: its observer, its ring and its modes.
#include "labeling/optimise.h"

#include <gtest/gtest.h>

#include <numeric>
#include <random>

#include "brute.h"
#include "labeling/price.h"
#include "testutil.h"

namespace {

using testutil::empty;
using testutil::molecule;

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
    for (int trial = 0; trial < 24; ++trial) {
        molecule(testutil::randomsequence(rng, 40 + static_cast<int>(rng() % 80)));
        const testutil::Pairs p(Bans::off, 1 + trial % 2);
        const Selection& base = p.base;
        const TypeMatrix& u = p.uniqs;
        TypeMatrix allowed{};
        for (auto& r : allowed) r.fill(1 + trial % 3 == 3 ? 2 : 1 + trial % 2);
        if (trial % 4 == 3) allowed[1 + rng() % kTypes][1 + rng() % kTypes] = 3;  // not uniform
        std::vector<int> order(static_cast<size_t>(base.count));
        for (int i = 0; i < base.count; ++i) order[static_cast<size_t>(i)] = i + 1;
        std::shuffle(order.begin(), order.end(), rng);
        uint32_t cutoff = (1u << (2 + 2 * (trial % 5))) - 1;  // 3 to 1023
        int maxpeaks = trial % 3 == 0 ? 999 : trial % 3 == 1 ? 12 : 500;
        // Half the trials lack forms: a pair may then fit only samples where
        // a partner type already carries the other label, or nowhere.
        Offer offer;
        if (trial % 2)
            for (int t = 1; t <= kTypes; ++t)
                offer.missing[static_cast<size_t>(t)] =
                    static_cast<uint8_t>(rng() % 3 ? 0 : rng() % 8);
        ScheduleBuilder b(u, allowed, Model{}, offer);
        for (int again = 0; again < 2; ++again) {  // the builder is reused between builds
            int n1 = b.build(base, order.data(), base.count, fast, cutoff, maxpeaks);
            int n2 = buildreference(base, order.data(), base.count, ref, cutoff, maxpeaks, u,
                                    allowed, offer);
            EXPECT_EQ(n1, n2);
            expectsame(fast, ref, "trial " + std::to_string(trial));
            std::reverse(order.begin(), order.end());
        }
        int total = 0;
        EXPECT_EQ(checkschedule(fast, total, allowed, u), 0);
        EXPECT_LE(static_cast<uint32_t>(fast.maxmask), cutoff);
    }
}

int filledsamples(const Schedule& s) {
    int n = 0;
    for (int k = 1; k <= kSamples; ++k) n += s.samples[k].count > 0;
    return n;
}

// No build scores above the ceiling of the samples it fills, under any
// weights; a build told to give up at n samples stops only when the whole
// build fills n or more, and otherwise builds the same schedule.
TEST(Optimiser, ScoreCeilingHoldsAndGivingUpIsSafe) {
    std::mt19937 rng(77);
    static Schedule full, cut;
    struct Weights {
        double score, price, fill;
    };
    const Weights weights[] = {{1, 0, 1}, {1, 1, 1}, {0, 10, 0}, {5, 0, 3}, {1, 100, 1}};
    int gaveup = 0;
    for (int trial = 0; trial < 24; ++trial) {
        molecule(testutil::randomsequence(rng, 60 + static_cast<int>(rng() % 120)));
        const testutil::Pairs p;
        const Selection& base = p.base;
        const TypeMatrix &u = p.uniqs, &allowed = p.allowed;
        const uint32_t cutoff = cutoffmask(4 + trial % 9);
        const Weights w = weights[trial % std::size(weights)];
        const auto top = scoreceilings(w.score, w.price, w.fill, u, kemradata, labdata, cutoff);
        std::vector<int> order(static_cast<size_t>(base.count));
        std::iota(order.begin(), order.end(), 1);
        std::shuffle(order.begin(), order.end(), rng);
        ScheduleBuilder b(u, allowed);
        b.build(base, order.data(), base.count, full, cutoff, 500);
        const int n = filledsamples(full);
        EXPECT_LE(scoreschedule(full, w.score, w.price, w.fill, u, kemradata, labdata),
                  top[static_cast<size_t>(n)] + 1e-9)
            << "trial " << trial;
        const int giveup = 1 + static_cast<int>(rng() % static_cast<uint32_t>(n + 1));
        if (b.build(base, order.data(), base.count, cut, cutoff, 500, giveup) < 0) {
            EXPECT_GE(n, giveup) << "trial " << trial;
            ++gaveup;
        } else {
            EXPECT_LT(n, giveup) << "trial " << trial;
            expectsame(full, cut, "trial " + std::to_string(trial));
        }
    }
    EXPECT_GT(gaveup, 0);
    const auto none = scoreceilings(1, -1, 1, TypeMatrix{}, kemradata, labdata, cutoffmask(6));
    EXPECT_EQ(none[6], HUGE_VAL);  // a negative weight bounds nothing
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
    EXPECT_NEAR(scoreschedule(s, 1, 1, 1, u, kemradata, labdata), want, 1e-9);
    initschedule(s);
    EXPECT_EQ(scoreschedule(s, 1, 1, 1, u, kemradata, labdata), 0.0);
}

// The optimiser as a computation: a small protein, a small annealing budget.
struct Design {
    Selection base;
    TypeMatrix uniqs{};
    OptParams p;
    // Tests of how far the search reaches offer every form; offered false
    // keeps the price table as it is.
    explicit Design(const std::string& protein, int cutoff, bool offered = true) {
        testutil::molecule(protein);
        testutil::captured(
            [&] { annotatepairs(kemradata, labdata, base, uniqs, Bans::off, 1, false); });
        if (offered) testutil::offereverything();
        p.cutoff = cutoffmask(cutoff);
        for (auto& row : p.allowed) row.fill(1);
        p.annealsteps = 20000;
        p.exactseconds = 0;
        p.polishsteps = 20000;
    }
    std::unique_ptr<OptResult> go(Observer& obs) {
        std::unique_ptr<OptResult> r;
        testutil::captured([&] { r = optimise({base, uniqs, kemradata, labdata}, p, obs); });
        return r;
    }
};

struct Recorder : Observer {
    int improvements = 0, asked = 0, stopafter = -1, samplefiles = 0;
    std::vector<std::string> lines, where;
    void line(const std::string& t) override { lines.push_back(t); }
    void progress(const std::string& t) override { where.push_back(t); }
    void improved(const std::array<Schedule, kSlots + 1>&) override { ++improvements; }
    bool stop() override { return stopafter >= 0 && ++asked > stopafter; }
    bool samplestrings(Schedule& s) override {
        ++samplefiles;
        initschedule(s);
        addentry(s.samples[1], 1, 9, 1);
        return true;
    }
};

bool has(const std::vector<std::string>& v, const std::string& what) {
    return std::any_of(v.begin(), v.end(),
                       [&](const std::string& l) { return l.find(what) != std::string::npos; });
}

// The ring's fingerprints (0: an empty slot), then the last schedule's and
// the cycle count. The ring holds distinct schedules only.
std::vector<long> ring(const OptResult& r) {
    std::vector<long> v;
    for (int k = 1; k <= kSlots; ++k) {
        long f = empty(r.ranked[k]) ? 0 : fingerprintschedule(r.ranked[k]);
        EXPECT_TRUE(f == 0 || std::count(v.begin(), v.end(), f) == 0) << "slot " << k;
        v.push_back(f);
    }
    v.push_back(fingerprintschedule(r.last));
    v.push_back(r.cycles);
    return v;
}

// However often a cycle meets the same schedule again (a plateau returns
// the greedy schedule cycle after cycle), it enters the ring once.
TEST(OptimiserRun, RingHoldsDistinctSchedules) {
    for (const char* protein : {"ubiquitin.fasta", "gb1.fasta"}) {
        Design run(protein, 4);
        run.p.iterations = 400;
        Observer quiet;
        EXPECT_NE(ring(*run.go(quiet))[0], 0) << protein;
    }
}

// Cycle counts of the mode table, the observer's part in a run, and the
// modes that end the program returned, not carried out.
TEST(OptimiserRun, ModesAndObserver) {
    struct Case {
        int iterations;
        long cycles;
        OptEnd end;
    } cases[] = {
        {0, 1, OptEnd::done},         {5, 6, OptEnd::done},      {-5, 1, OptEnd::done},
        {-6, 1, OptEnd::done},        {-7, 1, OptEnd::done},     {-10, 1, OptEnd::done},
        {-12, 1, OptEnd::done},       {-15, 1, OptEnd::done},    {-14, 1, OptEnd::done},
        {-17, 0, OptEnd::enumerated}, {-19, 0, OptEnd::formula},
    };
    Design run("ubiquitin.fasta", 5);
    for (const Case& c : cases) {
        run.p.iterations = c.iterations;
        Recorder obs;
        auto r = run.go(obs);
        EXPECT_EQ(r->cycles, c.cycles) << c.iterations;
        EXPECT_EQ(r->end, c.end) << c.iterations;
        EXPECT_EQ(obs.samplefiles, c.iterations == -14 ? 1 : 0) << c.iterations;
        EXPECT_EQ(obs.improvements, 0) << c.iterations;  // storeeach is off
    }
    // The random modes run until stopped; improvements reach the observer
    // when each is to be stored.
    run.p.iterations = -1;
    run.p.storeeach = true;
    Recorder obs;
    obs.stopafter = 200;
    auto r = run.go(obs);
    EXPECT_EQ(r->end, OptEnd::interrupted);
    EXPECT_GT(obs.improvements, 0);
    EXPECT_LT(r->cycles, 200);
    EXPECT_FALSE(empty(r->ranked[1]));
    // The mode's message and the Ctrl-C hint come through the observer.
    EXPECT_EQ(std::count(obs.lines.begin(), obs.lines.end(),
                         "benutze zufällige Permutation, (Parameter -1)"),
              1);
    // An interrupt during the label annealing ends it at once and keeps the
    // greedy schedule.
    run.p.iterations = 0;
    run.p.annealsteps = 2000000000;  // would run for minutes
    Recorder stopped;
    stopped.stopafter = 3;
    r = run.go(stopped);
    EXPECT_EQ(r->end, OptEnd::interrupted);
    EXPECT_FALSE(empty(r->ranked[1]));
}

// Same seed, same ring, on any number of threads: every random mode whose
// cycles are independent, judged in cycle order.
TEST(OptimiserRun, ThreadsDoNotChangeTheResult) {
    for (int mode : {-1, -4, -8, -11, -16}) {
        Design run("gb1.fasta", 6);
        run.p.iterations = mode;
        run.p.maxcycle = 150;
        run.p.seed = 17;
        run.p.annealsteps = 0;  // a plain greedy schedule that cycles can beat
        run.p.wigglepasses = 0;
        std::vector<std::vector<long>> rings;
        for (int threads : {1, 2, 4}) {
            run.p.threads = threads;
            run.p.cyclesperround = 1 + threads * 3;  // rounds end at other cycles
            Observer quiet;
            rings.push_back(ring(*run.go(quiet)));
        }
        int filled = 0;
        for (int k = 0; k < kSlots; ++k) filled += rings[0][static_cast<size_t>(k)] != 0;
        EXPECT_GE(filled, 2) << mode;  // the cycles found schedules of their own
        EXPECT_EQ(rings[0], rings[1]) << mode;
        EXPECT_EQ(rings[0], rings[2]) << mode;
        EXPECT_EQ(rings[0].back(), 151) << mode;
    }
    // The label walks of the first schedule run ahead on the other threads.
    Design run("ubiquitin.fasta", 7);
    run.p.iterations = 0;
    run.p.annealsteps = 300000;
    std::vector<std::vector<long>> rings;
    for (int threads : {1, 2, 4}) {
        run.p.threads = threads;
        Observer quiet;
        rings.push_back(ring(*run.go(quiet)));
    }
    EXPECT_EQ(rings[0], rings[1]);
    EXPECT_EQ(rings[0], rings[2]);
}

// Cycles that stop building once they cannot pass the first schedule
// leave the ring, the last schedule and the cycle count as they were.
TEST(OptimiserRun, GivingUpCyclesChangesNothing) {
    Design run("ubiquitin.fasta", 9);
    run.p.maxcycle = 400;
    run.p.quietcycles = 0;
    run.p.seed = 5;
    run.p.annealsteps = 0;  // a plain greedy first schedule that cycles can beat
    run.p.wigglepasses = 0;
    for (int mode : {-1, 400}) {  // independent cycles, and swaps one after another
        run.p.iterations = mode;
        std::vector<std::vector<long>> rings;
        for (int ceiling : {0, 1}) {
            run.p.cycleceiling = ceiling;
            Observer quiet;
            auto r = run.go(quiet);
            rings.push_back(ring(*r));
            if (ceiling) {  // the first schedule is good enough for cycles to give up
                const auto top =
                    scoreceilings(run.p.scoreweight, run.p.priceweight, run.p.fillweight, run.uniqs,
                                  kemradata, labdata, run.p.cutoff);
                EXPECT_LT(top[9], scoreschedule(r->ranked[1], run.p.scoreweight, run.p.priceweight,
                                                run.p.fillweight, run.uniqs, kemradata, labdata));
            }
        }
        EXPECT_EQ(rings[0], rings[1]) << mode;
    }
}

// Mode -1 ends early once the first schedule is proven as good as any (all
// unique pairs on the fewest samples that can hold them) and the ring has
// been quiet; never while a better schedule may exist; other modes keep
// their cycle counts.
TEST(OptimiserRun, DefaultModeEndsWhenProvenOptimal) {
    struct Case {
        const char* protein;
        int cutoff, iterations, provenpairs;
        bool early;
    } cases[] = {
        {"ubiquitin.fasta", 6, -1, -1, true},    // 49 pairs on 6 samples: proven
        {"ubiquitin.fasta", 15, -1, -1, true},   // the annealing finds 6 of the 15
        {"ubiquitin.fasta", 5, -1, -1, true},    // 31 of 46: all 2^5 - 1 masks in use
        {"hewl.fasta", 6, -1, -1, false},        // 85 > 63
        {"ubiquitin.fasta", 6, -16, -1, false},  // another mode keeps its count
        // A caller's proof that fewer pairs is the most possible ends it too:
        // as if proven, what this small search surely reaches.
        {"hewl.fasta", 6, -1, 40, true},
    };
    for (const Case& c : cases) {
        Design run(c.protein, c.cutoff);
        run.p.annealsteps = 2000000;
        run.p.iterations = c.iterations;
        run.p.maxcycle = 600;
        run.p.quietcycles = 100;
        run.p.provenpairs = c.provenpairs;
        Recorder obs;
        auto r = run.go(obs);
        std::string what = std::string(c.protein) + " " + std::to_string(c.cutoff);
        EXPECT_EQ(r->cycles < 601, c.early) << what << " " << r->cycles;
        EXPECT_EQ(has(obs.lines, "the search ends."), c.early) << what;
    }
}

// With progress every instant, each long phase says where it stands.
TEST(OptimiserRun, ProgressLines) {
    Design run("hewl.fasta", 7);
    run.p.annealsteps = 200000;
    run.p.iterations = -1;
    run.p.maxcycle = 200;
    run.p.progressseconds = 0;
    Recorder obs;
    run.go(obs);
    ASSERT_FALSE(obs.where.empty());
    EXPECT_TRUE(has(obs.where, "label search on 7 samples, best so far")) << obs.where[0];
    EXPECT_TRUE(has(obs.where, "cycles 16 of 201, ")) << obs.where.back();
    EXPECT_TRUE(has(obs.where, " unique pairs on 7 samples"));
    // The cycles' line says what the proofs leave open.
    EXPECT_TRUE(has(obs.where, " not excluded") || has(obs.where, ", proven the "))
        << obs.where.back();
}

// The verdict line: optimal where a bound is met, else the bound and the
// fewest samples that could resolve every unique pair.
TEST(Verdict, SaysWhatIsProven) {
    const Model hnco;
    Model two;
    modelof("hsqc+hnco", 16, two);
    const std::string none, asn10 = "10 more need 15N on ASN, which is not offered.";
    struct Case {
        Verdict v;
        const char* tail;
    } cases[] = {
        {{46, 46, 6, 900, 6, -1, 0, hnco, none}, "optimal."},
        {{31, 46, 5, 900, 5, -1, 0, hnco, none}, "optimal."},  // 2^5 - 1 masks on 5 samples
        {{30, 37, 5, 900, 5, -1, 0, hnco, none},
         "at most 31 with 5 samples (31 not excluded); all 37 need at least 6 samples."},
        {{80, 80, 9, 900, 15, -1, 0, hnco, none},
         "all unique pairs; 7 to 9 samples: 9 found, 7 and 8 not excluded."},
        {{80, 80, 8, 900, 15, -1, 8, hnco, none}, "optimal."},  // a caller proved 8 the fewest
        {{60, 91, 7, 900, 7, 63, 0, hnco, none},
         "at most 63 with 7 samples (61 to 63 not excluded); all 91 need at least 7 samples."},
        {{3, 3, 2, 0, 31, -1, 0, hnco, none}, "optimal."},
        // Two spectra: 3^k - 1 codes on k samples.
        {{46, 46, 4, 900, 8, -1, 0, two, none}, "optimal."},
        {{80, 80, 5, 900, 8, -1, 0, two, none},
         "all unique pairs; 4 or 5 samples: 5 found, 4 not excluded."},
        {{26, 37, 3, 900, 3, -1, 0, two, none}, "optimal."},
        {{34, 37, 4, 900, 4, 34, 0, two, "3 more need 15N on ASN, which is not offered."},
         "optimal. 3 more need 15N on ASN, which is not offered."},
        // A proven bound below the pairs that can show names the pairs it
        // leaves, but not where the budget's codes are the limit.
        {{67, 78, 8, 900, 8, 67, 0, hnco, asn10, 68, {"TRP-ARG"}},
         "the most pairs (proven); 67 on 7 samples not excluded. 10 more need 15N on ASN, which "
         "is not offered. Of the 68 pairs that offered forms can show, 8 samples resolve at most "
         "67 (proven): TRP-ARG stays unresolved."},
        // Proven is the most on the budget: as many on fewer samples stays
        // open down to the samples whose codes could hold them.
        {{60, 66, 8, 900, 8, 60, 0, hnco, none, -1, {"A-B", "C-D", "E-F"}},
         "the most pairs (proven); 60 on 6 and 7 samples not excluded. Of the 66 pairs that "
         "offered forms can show, 8 samples resolve at most 60 (proven): A-B, C-D and E-F stay "
         "unresolved."},
        {{60, 66, 8, 900, 8, 60, 0, hnco, none, -1, {"A-B"}, 7},  // a caller proved 6 cannot
         "the most pairs (proven); 60 on 7 samples not excluded. Of the 66 pairs that offered "
         "forms can show, 8 samples resolve at most 60 (proven): A-B stays unresolved."},
        {{60, 66, 8, 900, 8, 60, 0, hnco, none, -1, {"A-B"}, 8},
         "optimal. Of the 66 pairs that offered forms can show, 8 samples resolve at most 60 "
         "(proven): A-B stays unresolved."},
        {{60, 66, 6, 900, 8, 60, 0, hnco, none, -1, {"A", "B", "C", "D", "E", "F"}},
         "optimal. Of the 66 pairs that offered forms can show, 8 samples resolve at most 60 "
         "(proven): 6 stay unresolved."},
        {{31, 46, 5, 900, 5, 31, 0, hnco, none, 42, {"A-B"}}, "optimal."},
    };
    for (const Case& c : cases) {
        std::string line = verdictline(c.v);
        EXPECT_EQ(line.substr(line.find(": ") + 2), c.tail) << line;
    }
    EXPECT_EQ(verdictline({46, 46, 4, 9000, 8, -1, 0, two, none}),
              "Labeling 1 resolves 46 of 46 unique pairs on 4 samples (HSQC and HNCO), recipe "
              "price 9000: optimal.");
}

// A larger sample budget never stores a schedule that resolves fewer unique
// pairs, nor one on more samples for as many.
TEST(OptimiserRun, LargerBudgetNeverWorse) {
    std::mt19937 rng(5);
    for (int trial = 0; trial < 6; ++trial) {
        Design run(testutil::randomsequence(rng, 60 + static_cast<int>(rng() % 120)), 2);
        run.p.iterations = 0;
        run.p.annealsteps = 100000;
        run.p.seed = 1 + trial;
        int lastresolved = -1, lastsamples = 0;
        for (int k = 2; k <= 8; ++k) {
            run.p.cutoff = cutoffmask(k);
            Observer quiet;
            auto r = run.go(quiet);
            Schedule& s = r->ranked[1];
            int resolved = chkuniqsdup(s, run.uniqs), samples = lastsample(s);
            std::string what = "trial " + std::to_string(trial) + " cutoff " + std::to_string(k);
            EXPECT_GE(resolved, lastresolved) << what;
            if (resolved == lastresolved && samples > lastsamples)
                ADD_FAILURE() << what << " more samples for " << resolved;
            lastresolved = resolved, lastsamples = samples;
        }
    }
}

// The exact engine hands the search schedules it cannot find alone and
// proves the bounds the verdict and the early end use.
TEST(OptimiserRun, ExactEngineImprovesAndProves) {
    struct Case {
        const char* protein;
        int cutoff, annealsteps, resolved, bound, samples;
    } cases[] = {
        {"gb1.fasta", 5, 20000, 31, 31, 5},    // too few steps for the annealing to reach 31
        {"ubiquitin.fasta", 8, 0, 46, 46, 6},  // the greedy build alone
    };
    for (const Case& c : cases) {
        Design run(c.protein, c.cutoff);
        run.p.annealsteps = c.annealsteps;
        run.p.iterations = 0;
        run.p.exactseconds = 60;
        Observer quiet;
        auto r = run.go(quiet);
        Brute b = brute(r->ranked[1], run.uniqs, 1);
        EXPECT_EQ(b.resolved, c.resolved) << c.protein;
        EXPECT_EQ(b.total, 0) << c.protein;
        EXPECT_EQ(r->bound, c.bound) << c.protein;
        EXPECT_EQ(r->fewest, 6) << c.protein;  // 37 and 46 pairs need 6 samples
        EXPECT_EQ(lastsample(r->ranked[1]), c.samples) << c.protein;
    }
}

// The all-pairs search of the first schedule finds labels for every pair
// where the walks are too short to, on any number of threads; the offer's
// missing forms (Design(..., false)) keep it within what is sold.
TEST(OptimiserRun, AllPairsSearchFindsWhatTheWalksMiss) {
    for (bool offered : {true, false}) {
        Design run("ubiquitin.fasta", 6, offered);
        run.p.iterations = 0;
        run.p.annealsteps = 2000;
        run.p.wigglepasses = 0;
        std::string what = offered ? "every form" : "price table";
        run.p.allpairsmoves = 0;
        Observer quiet;
        auto without = run.go(quiet);
        EXPECT_LT(chkuniqsdup(without->ranked[1], run.uniqs), without->reachable) << what;
        run.p.allpairsmoves = 600000;
        std::unique_ptr<OptResult> one;
        for (int threads : {1, 2}) {
            run.p.threads = threads;
            auto r = run.go(quiet);
            Brute b = brute(r->ranked[1], run.uniqs, 1);
            EXPECT_EQ(b.resolved, r->reachable) << what;
            EXPECT_EQ(b.total, 0) << what;
            EXPECT_LE(lastsample(r->ranked[1]), 6) << what;
            if (!one)
                one = std::move(r);
            else
                expectsame(one->ranked[1], r->ranked[1], what + ", two threads");
        }
    }
}

// The recipes of the filled slots, none the same as another's.
std::vector<Labels> distinctrecipes(const OptResult& r, const std::string& what) {
    std::vector<Labels> seen;
    for (int k = 1; k <= kSlots; ++k) {
        if (empty(r.ranked[k])) continue;
        Labels l = bought(r.ranked[k]);
        for (const Labels& o : seen) EXPECT_FALSE(samerecipe(o, l)) << what << " slot " << k;
        seen.push_back(l);
    }
    return seen;
}

// Among schedules of the best quality the run keeps the cheapest recipe, it
// never buys a form that is not offered, and the ten slots hold distinct
// recipes. Reference: every labeling of the few types of a short sequence on
// two samples that buys only offered forms, judged as the annealer judges.
TEST(OptimiserRun, CheapestOfTheBestQuality) {
    struct Case {
        const char* sequence;
        int resolved;  // the most the offered forms resolve
    } cases[] = {
        {"ALA ILE GLY", 2},  // ILE with both labels is not offered: a sample each
        {"ASN GLY ALA", 1},  // no form of ASN is offered: its pair never shows
        {"LEU SER GLY SER LEU", 3},
    };
    for (const Case& c : cases) {
        Design run(c.sequence, 2, false);
        run.p.iterations = 0;
        run.p.polishsteps = 200000;
        const PriceTable prices = typeprices(kemradata, labdata);
        Annealer judge(run.base, run.uniqs, run.p.allowed, cutoffmask(2), 999, Model(),
                       offerof(prices));
        std::vector<int> types(judge.cvars());
        for (int t : judge.nvars())
            if (std::find(types.begin(), types.end(), t) == types.end()) types.push_back(t);
        ASSERT_LE(types.size(), 4u) << c.sequence;
        int bestup = -1, bestn = 0;
        Cost best;
        for (uint32_t code = 0; code < (1u << (4 * types.size())); ++code) {
            Labels l;
            for (size_t i = 0; i < types.size(); ++i) {
                l.c[types[i]] = (code >> (4 * i)) & 3;
                l.n[types[i]] = (code >> (4 * i + 2)) & 3;
            }
            l = judge.normalised(l);
            Annealer::Eval ev = judge.evaluate(l);
            if (!ev.feasible()) continue;
            uint32_t used = 0;
            for (int t = 1; t <= kTypes; ++t) used |= l.c[t] | l.n[t];
            int n = std::popcount(used);
            Cost cost = labelcost(l, prices);
            if (ev.resolved != bestup ? ev.resolved > bestup : n != bestn ? n < bestn : cost < best)
                bestup = ev.resolved, bestn = n, best = cost;
        }
        EXPECT_EQ(best.notoffered, 0) << c.sequence;
        EXPECT_EQ(bestup, c.resolved) << c.sequence;
        for (double weight : {0.0, 10.0}) {
            run.p.priceweight = weight;
            Observer quiet;
            auto r = run.go(quiet);
            std::string what = std::string(c.sequence) + " priceweight " + std::to_string(weight);
            distinctrecipes(*r, what);
            Cost cheapest{1 << 30, 0};
            for (int k = 1; k <= kSlots; ++k) {
                Schedule& s = r->ranked[k];
                if (!empty(s) && chkuniqsdup(s, run.uniqs) == bestup && lastsample(s) == bestn)
                    cheapest = std::min(cheapest, schedulecost(s, prices));
            }
            EXPECT_EQ(cheapest, best) << what;
        }
    }
}

// On a real protein the ten slots fill with distinct recipes of the first
// schedule's quality, and a price weight moves cheaper ones up.
TEST(OptimiserRun, TenDistinctRecipes) {
    Design run("ubiquitin.fasta", 6);
    run.p.iterations = 0;
    run.p.annealsteps = 2000000;
    run.p.polishsteps = 300000;
    const PriceTable prices = typeprices(kemradata, labdata);
    Observer quiet;
    auto plain = run.go(quiet);
    run.p.priceweight = 10;
    auto weighted = run.go(quiet);
    EXPECT_EQ(distinctrecipes(*plain, "plain").size(), static_cast<size_t>(kSlots));
    for (int k = 1; k <= kSlots; ++k) {
        EXPECT_EQ(chkuniqsdup(plain->ranked[k], run.uniqs), 46) << "slot " << k;
        EXPECT_EQ(brute(plain->ranked[k], run.uniqs, 1).total, 0) << "slot " << k;
    }
    EXPECT_LE(schedulecost(weighted->ranked[1], prices), schedulecost(plain->ranked[1], prices));
}

}  // namespace
