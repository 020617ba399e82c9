// The exact engine against a plain enumeration of every labeling of small
// proteins, its schedules against the brute-force checker, and its limits.
#include "labeling/exact.h"

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

#include "../brute.h"
#include "testutil.h"

namespace {

struct Protein {
    Selection base;
    TypeMatrix uniqs{}, allowed{};
};

Protein load(const std::string& source) {
    testutil::molecule(source);
    Protein p;
    testutil::captured(
        [&] { annotatepairs(kemradata, labdata, p.base, p.uniqs, Bans::off, 1, false); });
    for (auto& row : p.allowed) row.fill(1);
    return p;
}

// A random sequence over a few residue types, so that every labeling of a
// few samples can be enumerated.
Protein smallprotein(std::mt19937& rng, int types, int residues) {
    static const char* names[] = {"ALA", "ARG", "CYS", "GLY", "HIS", "ILE", "LEU",
                                  "LYS", "MET", "PHE", "SER", "THR", "TRP", "VAL"};
    std::vector<std::string> alphabet(std::begin(names), std::end(names));
    std::shuffle(alphabet.begin(), alphabet.end(), rng);
    std::string seq;
    for (int i = 0; i < residues; ++i) seq += alphabet[rng() % static_cast<unsigned>(types)] + "\n";
    return load(seq);
}

// Resolved unique pairs and duplicate total of labels, read from the
// schedule they write.
Brute checked(const Protein& p, int k, const Labels& l) {
    static Schedule s;
    Annealer a(p.base, p.uniqs, p.allowed, (1u << k) - 1, 999);
    EXPECT_TRUE(a.toschedule(l, s));
    return brute(s, p.uniqs, 1);
}

// The most unique pairs any labeling of k samples resolves with no shared
// mask: every multiset of k sample columns (samples are interchangeable),
// each column one bit per (type, 13C or 15N) that some base pair can use.
int enumerate(const Protein& p, int k) {
    std::vector<std::pair<int, bool>> bits;  // (type, 13C?)
    std::array<bool, kTypes + 1> front{}, end{};
    for (int i = 1; i <= p.base.count; ++i) front[p.base.front[i]] = end[p.base.end[i]] = true;
    for (int t = 1; t <= kTypes; ++t) {
        if (front[t]) bits.push_back({t, true});
        if (end[t]) bits.push_back({t, false});
    }
    const int columns = 1 << bits.size();
    std::vector<int> col(static_cast<size_t>(k), 0);
    int best = 0;
    while (true) {
        Labels l;
        for (int s = 0; s < k; ++s)
            for (size_t b = 0; b < bits.size(); ++b)
                if (col[static_cast<size_t>(s)] >> b & 1)
                    (bits[b].second ? l.c : l.n)[bits[b].first] |= 1u << s;
        // A label stays only where a base partner carries the other one.
        Labels kept;
        for (int i = 1; i <= p.base.count; ++i) {
            int f = p.base.front[i], e = p.base.end[i];
            kept.c[f] |= l.c[f] & l.n[e];
            kept.n[e] |= l.c[f] & l.n[e];
        }
        std::vector<uint32_t> masks;
        int once = 0;
        bool clean = true;
        for (int f = 1; f <= kTypes && clean; ++f)
            for (int e = 1; e <= kTypes && clean; ++e) {
                uint32_t m = kept.c[f] & kept.n[e];
                if (p.uniqs[f][e] == 0 || m == 0) continue;
                clean = std::find(masks.begin(), masks.end(), m) == masks.end();
                masks.push_back(m);
                once += p.uniqs[f][e] == 1;
            }
        if (clean) best = std::max(best, once);
        int s = k - 1;  // next non-decreasing column tuple
        while (s >= 0 && col[static_cast<size_t>(s)] == columns - 1) --s;
        if (s < 0) break;
        int v = ++col[static_cast<size_t>(s)];
        for (int t = s + 1; t < k; ++t) col[static_cast<size_t>(t)] = v;
    }
    return best;
}

// Label bits of a protein: the (type, 13C or 15N) labels some base pair uses.
int labelbits(const Protein& p) {
    std::array<bool, kTypes + 1> front{}, end{};
    for (int i = 1; i <= p.base.count; ++i) front[p.base.front[i]] = end[p.base.end[i]] = true;
    return static_cast<int>(std::count(front.begin(), front.end(), true) +
                            std::count(end.begin(), end.end(), true));
}

// Multisets of k columns of b bits.
double tuples(int b, int k) {
    double n = 1;
    for (int i = 0; i < k; ++i) n = n * ((1 << b) + i) / (i + 1);
    return n;
}

TEST(ExactEngine, OptimumEqualsEnumeration) {
    std::mt19937 rng(2024);
    int interior = 0;
    for (int trial = 0; trial < 12; ++trial) {
        int k = trial % 4 == 3 ? 4 : 2 + trial % 2;
        Protein p;
        int optimum = 0;
        // Below four samples the budget leaves room to look for an optimum
        // under the counting bound, where the solver must prove it.
        for (int tries = 0; tries < (k < 4 ? 8 : 1); ++tries) {
            do  // few enough labels to enumerate, and some pairs to resolve
                p = smallprotein(rng, 5 + static_cast<int>(rng() % 4),
                                 15 + static_cast<int>(rng() % 26));
            while (p.base.count < 2 || tuples(labelbits(p), k) > 100000);
            optimum = enumerate(p, k);
            if (optimum < std::min(p.base.count, (1 << k) - 1)) break;
        }
        interior += optimum < std::min(p.base.count, (1 << k) - 1);
        ExactOptions opt;
        if (trial % 2) opt.annealsteps = 0;  // the solver alone
        if (trial % 3 == 2) opt.symmetry = 0;
        SCOPED_TRACE("trial " + std::to_string(trial) + " k " + std::to_string(k));
        ExactResult r = exactmaxresolved(p.base, p.uniqs, p.allowed, k, {}, nullptr, opt);
        EXPECT_EQ(r.status, ExactStatus::proven);
        EXPECT_EQ(r.found, optimum);
        EXPECT_EQ(r.bound, optimum);
        Brute b = checked(p, k, r.labels);
        EXPECT_EQ(b.resolved, optimum);
        EXPECT_EQ(b.total, 0);

        Labels l;
        EXPECT_EQ(exactresolve(p.base, p.uniqs, p.allowed, k, optimum, {}, &l, opt),
                  ExactAnswer::sat);
        EXPECT_GE(checked(p, k, l).resolved, optimum);
        EXPECT_EQ(exactresolve(p.base, p.uniqs, p.allowed, k, optimum + 1, {}, nullptr, opt),
                  ExactAnswer::unsat);
    }
    EXPECT_GE(interior, 2);  // not only optima that counting alone proves
}

TEST(ExactEngine, FewestSamplesResolveAllAndOneLessCannot) {
    std::mt19937 rng(99);
    for (int trial = 0; trial < 6; ++trial) {
        Protein p = load(testutil::randomsequence(rng, 15 + static_cast<int>(rng() % 26)));
        ExactOptions opt;
        opt.annealsteps = trial % 2 ? 0 : 20000;
        ExactFewest f = exactfewest(p.base, p.uniqs, p.allowed, {}, opt);
        ASSERT_EQ(f.status, ExactStatus::proven) << trial;
        EXPECT_EQ(f.lower, f.upper);
        Brute b = checked(p, f.upper, f.labels);
        EXPECT_EQ(b.resolved, f.unique);
        EXPECT_EQ(b.total, 0);
        if (f.upper > 1) {
            EXPECT_EQ(
                exactresolve(p.base, p.uniqs, p.allowed, f.upper - 1, f.unique, {}, nullptr, opt),
                ExactAnswer::unsat);
        }
    }
}

TEST(ExactEngine, UbiquitinFiveSamplesResolve31AndSixAll) {
    Protein p = load("ubiquitin.fasta");
    ExactLimits lim;
    lim.seconds = 120;
    for (auto [k, resolved] : {std::pair{5, 31}, {6, 46}}) {
        ExactResult r = exactmaxresolved(p.base, p.uniqs, p.allowed, k, lim);
        EXPECT_EQ(r.unique, 46);
        EXPECT_EQ(r.status, ExactStatus::proven) << k;
        EXPECT_EQ(r.found, resolved) << k;
        EXPECT_EQ(checked(p, k, r.labels).resolved, resolved) << k;
    }
    ExactFewest f = exactfewest(p.base, p.uniqs, p.allowed, lim);
    EXPECT_EQ(f.status, ExactStatus::proven);
    EXPECT_EQ(f.upper, 6);
}

// A request stopped by its limit answers unknown and keeps what it has.
TEST(ExactEngine, LimitsGiveUnknownWithBestSoFar) {
    Protein p = load("hewl.fasta");
    ExactOptions solveronly;
    solveronly.annealsteps = 0;
    solveronly.maxsamples = 8;
    ExactLimits interrupted, instant, oneconflict;
    interrupted.interrupt = [] { return true; };
    instant.seconds = 1e-9;
    oneconflict.conflicts = 1;
    for (const ExactLimits* lim : {&interrupted, &instant, &oneconflict}) {
        bool stopsatonce = lim != &oneconflict;
        ExactResult r = exactmaxresolved(p.base, p.uniqs, p.allowed, 6, *lim, nullptr, solveronly);
        EXPECT_EQ(r.status, ExactStatus::unknown);
        EXPECT_LE(r.found, r.bound);
        EXPECT_EQ(r.bound, 63);
        Brute b = checked(p, 6, r.labels);
        EXPECT_EQ(b.resolved, r.found);
        EXPECT_EQ(b.total, 0);
        // One conflict a call may still be enough to resolve all on 7 samples.
        ExactFewest f = exactfewest(p.base, p.uniqs, p.allowed, *lim, solveronly);
        if (stopsatonce) {
            EXPECT_EQ(f.status, ExactStatus::unknown);
        }
        EXPECT_EQ(f.lower, 7);  // 83 pairs need 7 samples by counting alone
        if (f.upper) {
            EXPECT_EQ(checked(p, f.upper, f.labels).resolved, f.unique);
        }
    }
    EXPECT_EQ(exactresolve(p.base, p.uniqs, p.allowed, 6, 60, interrupted), ExactAnswer::unknown);
    // Interrupted at once, the labels handed in come back.
    Labels start;
    start.c[1] = start.n[12] = 1;
    Labels back = exactlabels(p.base, p.uniqs, p.allowed, 6, interrupted, start, solveronly);
    EXPECT_EQ(checked(p, 6, back).resolved, checked(p, 6, start).resolved);
}

// The budget is counted in solver work, so a request stopped by it gives the
// same answer on a machine busy with other work.
TEST(ExactEngine, BudgetIsWorkNotWallClock) {
    Protein p = load("hewl.fasta");
    ExactLimits lim;
    lim.seconds = 0.5;
    ExactOptions opt;
    opt.wallfactor = 1000;  // the wall-clock guard stays out of it
    ExactResult quiet = exactmaxresolved(p.base, p.uniqs, p.allowed, 6, lim, nullptr, opt);
    std::atomic<bool> done{false};
    std::vector<std::thread> load;
    for (unsigned i = 0; i < 2 * std::max(1u, std::thread::hardware_concurrency()); ++i)
        load.emplace_back([&] {
            volatile unsigned long x = 0;
            while (!done) x = x + 1;
        });
    ExactResult busy = exactmaxresolved(p.base, p.uniqs, p.allowed, 6, lim, nullptr, opt);
    done = true;
    for (std::thread& t : load) t.join();
    EXPECT_EQ(quiet.status, ExactStatus::unknown);  // the budget stopped it
    EXPECT_EQ(busy.found, quiet.found);
    EXPECT_EQ(busy.bound, quiet.bound);
    EXPECT_TRUE(busy.labels == quiet.labels);
    EXPECT_EQ(busy.work, quiet.work);
}

TEST(ExactEngine, RefusesWhatItCannotJudge) {
    Protein p = load("ubiquitin.fasta");
    TypeMatrix two{};
    for (auto& row : two) row.fill(2);
    Labels start;
    start.c[1] = 1;
    struct Case {
        const TypeMatrix* allowed;
        int k;
    } cases[] = {{&two, 4}, {&p.allowed, 0}, {&p.allowed, 21}};
    for (const Case& c : cases) {
        EXPECT_EQ(exactmaxresolved(p.base, p.uniqs, *c.allowed, c.k, {}).status,
                  ExactStatus::refused);
        EXPECT_EQ(exactresolve(p.base, p.uniqs, *c.allowed, c.k, 1, {}), ExactAnswer::refused);
        EXPECT_EQ(exactlabels(p.base, p.uniqs, *c.allowed, c.k, {}, start), start);
    }
    EXPECT_EQ(exactfewest(p.base, p.uniqs, two, {}).status, ExactStatus::refused);
}

}  // namespace

// The all-pairs search runs before the solver on one thread and beside it on
// two; the answer is the same, whether the search finds the labels (on the
// fewest samples) or the solver proves it could not (one fewer).
TEST(ExactEngine, SameAnswerOnOneThreadAndTwo) {
    std::mt19937 rng(23);
    int cases = 0;
    for (int trial = 0; trial < 200 && cases < 3; ++trial) {
        Protein p = smallprotein(rng, 4 + trial % 4, 20 + static_cast<int>(rng() % 30));
        ExactFewest f = exactfewest(p.base, p.uniqs, p.allowed, {});
        if (f.status != ExactStatus::proven || (1 << (f.upper - 1)) - 1 < f.unique) continue;
        ++cases;  // all pairs would fit on one sample fewer by counting
        for (int k : {f.upper, f.upper - 1}) {
            ExactLimits one, two;
            one.seconds = two.seconds = 0.5;
            two.threads = 2;
            ExactOptions opt;
            opt.wallfactor = 1000;
            ExactResult a = exactmaxresolved(p.base, p.uniqs, p.allowed, k, one, nullptr, opt);
            ExactResult b = exactmaxresolved(p.base, p.uniqs, p.allowed, k, two, nullptr, opt);
            EXPECT_EQ(a.found, b.found) << trial << " " << k;
            EXPECT_EQ(a.bound, b.bound) << trial << " " << k;
            EXPECT_TRUE(a.labels == b.labels) << trial << " " << k;
            EXPECT_EQ(a.work, b.work) << trial << " " << k;  // the next request's budget
            EXPECT_EQ(a.found == f.unique, k == f.upper) << trial << " " << k;
        }
    }
    EXPECT_GE(cases, 2);
}
