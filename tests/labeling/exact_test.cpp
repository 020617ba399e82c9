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

using Protein = testutil::Pairs;

Protein load(const std::string& source) {
    testutil::molecule(source);
    return Protein();
}

// Resolved unique pairs and duplicate total of labels, read from the
// schedule they write.
Brute checked(const Protein& p, int k, const Labels& l) {
    static Schedule s;
    Annealer a(p.base, p.uniqs, p.allowed, (1u << k) - 1, 999);
    EXPECT_TRUE(a.toschedule(l, s));
    return brute(s, p.uniqs, 1);
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

// A chain of residue names as a protein, with the type of every residue.
struct Chain {
    Protein p;
    std::vector<int> types;
    int proline = 0;
    Model two;  // the two-spectrum model of its library
};

Chain chainof(const std::vector<std::string>& names) {
    std::string seq;
    for (const std::string& n : names) seq += n + "\n";
    Chain c;
    c.p = load(seq);
    for (const std::string& n : names) c.types.push_back(asnameconverttonumber(kemradata, n));
    c.proline = asnameconverttonumber(kemradata, "PRO");
    c.two = testutil::twospectra();
    return c;
}

// A chain over a few types (proline among them when asked), so that every
// labeling of two or three samples can be enumerated.
Chain tinychain(std::mt19937& rng, int types, int residues, bool proline) {
    std::vector<std::string> alphabet = {"ALA", "ARG", "CYS", "GLY", "HIS", "ILE", "LEU",
                                         "LYS", "MET", "PHE", "SER", "THR", "TRP", "VAL"};
    std::shuffle(alphabet.begin(), alphabet.end(), rng);
    alphabet.resize(static_cast<size_t>(types));
    if (proline) alphabet.back() = "PRO";
    std::vector<std::string> names;
    for (int i = 0; i < residues; ++i) names.push_back(alphabet[rng() % alphabet.size()]);
    return chainof(names);
}

// The HNCO model read off the chain: -1 when two residues of different
// pairs share a non-empty mask, else the unique pairs that show.
int brutehnco(const std::vector<int>& chain, const Labels& l) {
    std::vector<std::pair<int, int>> pairs;
    std::vector<uint32_t> masks;
    for (size_t i = 1; i < chain.size(); ++i) {
        pairs.push_back({chain[i - 1], chain[i]});
        masks.push_back(l.c[chain[i - 1]] & l.n[chain[i]]);
    }
    int shown = 0;
    for (size_t i = 0; i < pairs.size(); ++i) {
        for (size_t j = 0; j < pairs.size(); ++j)
            if (masks[i] && masks[j] == masks[i] && pairs[j] != pairs[i]) return -1;
        shown += masks[i] && std::count(pairs.begin(), pairs.end(), pairs[i]) == 1;
    }
    return shown;
}

// What the chain shows under the labels, in either model.
int brutejudge(const Chain& ch, bool two, const Labels& l, int k) {
    return two ? brutetwospectra(ch.types, l, ch.proline, k) : brutehnco(ch.types, l);
}

// The labels of one sample as type bits. They are normal when every label
// has a use: HNCO: 13C on a front of a base pair whose end carries 15N, 15N
// on an end of one whose front carries 13C; two spectra: 15N only on types
// that end a base pair and show, 13C on a type followed somewhere by one
// carrying that 15N. And they buy only forms offered.
bool normal(const Chain& ch, bool two, const Offer& o, uint32_t c, uint32_t n) {
    const Protein& p = ch.p;
    uint32_t ends = 0;  // of base pairs
    for (int i = 1; i <= p.base.count; ++i)
        if (!two || p.base.end[i] != ch.proline) ends |= 1u << p.base.end[i];
    if (two && (n & ~ends)) return false;
    for (int t = 1; t <= kTypes; ++t) {
        const bool hasc = c >> t & 1, hasn = n >> t & 1;
        if (hasc) {
            bool used = false;
            for (int e = 1; e <= kTypes && two; ++e)
                used = used || (p.uniqs[t][e] > 0 && (ends >> e & 1) && (n >> e & 1));
            for (int i = 1; i <= p.base.count && !two; ++i)
                used = used || (p.base.front[i] == t && (n >> p.base.end[i] & 1));
            if (!used) return false;
        }
        if (hasn && !two) {
            bool used = false;
            for (int i = 1; i <= p.base.count; ++i)
                used = used || (p.base.end[i] == t && (c >> p.base.front[i] & 1));
            if (!used) return false;
        }
        const uint8_t m = o.missing[t];
        if ((hasc && !hasn && (m & kFormC)) || (hasn && !hasc && (m & kFormN)) ||
            (hasc && hasn && (m & kFormBoth)))
            return false;
    }
    return true;
}

struct Enumerated {
    int optimum = 0;    // most unique pairs resolved by k normal samples
    int reachable = 0;  // unique pairs some normal sample shows
};

// Every multiset of k normal sample columns over the types of the chain.
Enumerated enumerate2(const Chain& ch, bool two, const Offer& o, int k) {
    uint32_t present = 0;
    for (int t : ch.types) present |= 1u << t;
    std::vector<int> types;
    for (int t = 1; t <= kTypes; ++t)
        if (present >> t & 1) types.push_back(t);
    std::vector<std::pair<uint32_t, uint32_t>> cols;
    const int nb = static_cast<int>(types.size());
    for (uint32_t x = 0; x < (1u << (2 * nb)); ++x) {
        uint32_t c = 0, n = 0;
        for (int i = 0; i < nb; ++i) {
            if (x >> i & 1) c |= 1u << types[static_cast<size_t>(i)];
            if (x >> (nb + i) & 1) n |= 1u << types[static_cast<size_t>(i)];
        }
        if (normal(ch, two, o, c, n)) cols.push_back({c, n});
    }
    Enumerated r;
    for (int f = 1; f <= kTypes; ++f)
        for (int e = 1; e <= kTypes; ++e) {
            if (ch.p.uniqs[f][e] != 1) continue;
            bool shows = false;
            for (auto [c, n] : cols)
                shows = shows || ((n >> e & 1) && (two ? e != ch.proline : (c >> f & 1) != 0));
            r.reachable += shows;
        }
    std::vector<size_t> col(static_cast<size_t>(k), 0);
    while (true) {
        Labels l;
        for (int s = 0; s < k; ++s)
            for (int t : types) {
                if (cols[col[static_cast<size_t>(s)]].first >> t & 1) l.c[t] |= 1u << s;
                if (cols[col[static_cast<size_t>(s)]].second >> t & 1) l.n[t] |= 1u << s;
            }
        r.optimum = std::max(r.optimum, brutejudge(ch, two, l, k));
        int s = k - 1;
        while (s >= 0 && col[static_cast<size_t>(s)] == cols.size() - 1) --s;
        if (s < 0) break;
        size_t v = ++col[static_cast<size_t>(s)];
        for (int t = s + 1; t < k; ++t) col[static_cast<size_t>(t)] = v;
    }
    return r;
}

bool normallabels(const Chain& ch, bool two, const Offer& o, const Labels& l, int k) {
    for (int s = 0; s < k; ++s) {
        uint32_t c = 0, n = 0;
        for (int t = 1; t <= kTypes; ++t) {
            if (l.c[t] >> s & 1) c |= 1u << t;
            if (l.n[t] >> s & 1) n |= 1u << t;
        }
        if (!normal(ch, two, o, c, n)) return false;
    }
    return true;
}

// In both models, with every form offered and with forms missing, the engine
// proves the optimum that enumerating every labeling gives, reaches exactly
// the unique pairs some labels can show, and its labels are normal and buy
// only forms offered.
TEST(ExactEngine, OptimaOfBothModelsAndOffersEqualEnumeration) {
    std::mt19937 rng(31);
    int interior = 0, cut = 0;
    for (int trial = 0; trial < 16; ++trial) {
        const bool two = trial % 2 == 0, offered = trial % 4 >= 2;
        const int k = trial % 8 >= 6 ? 3 : 2;
        Chain ch;
        do ch = tinychain(rng, k == 3 ? 4 : 5, 12 + static_cast<int>(rng() % 14), trial % 3 == 0);
        while (ch.p.base.count < 3);
        const Offer offer = offered ? testutil::randomoffer(rng) : Offer();
        const Model model = two ? ch.two : Model();
        SCOPED_TRACE("trial " + std::to_string(trial) + (two ? " two spectra" : " HNCO") + " k " +
                     std::to_string(k));
        Enumerated want = enumerate2(ch, two, offer, k);
        interior += want.optimum < std::min<long long>(want.reachable, model.codes(k));
        cut += want.reachable < ch.p.base.count;
        ExactOptions opt;
        if (trial % 5 == 1) opt.annealsteps = 0;
        if (trial % 7 == 3) opt.symmetry = 0;
        ExactResult r = exactmaxresolved(ch.p.base, ch.p.uniqs, ch.p.allowed, k, {}, nullptr, opt,
                                         model, offer);
        EXPECT_EQ(r.status, ExactStatus::proven);
        EXPECT_EQ(r.unique, want.reachable);
        EXPECT_EQ(r.found, want.optimum);
        EXPECT_EQ(r.bound, want.optimum);
        EXPECT_TRUE(normallabels(ch, two, offer, r.labels, k));
        EXPECT_EQ(offer.count(r.labels), 0);
        EXPECT_EQ(brutejudge(ch, two, r.labels, k), want.optimum);
        Labels l;
        EXPECT_EQ(exactresolve(ch.p.base, ch.p.uniqs, ch.p.allowed, k, want.optimum, {}, &l, opt,
                               model, offer),
                  ExactAnswer::sat);
        EXPECT_GE(brutejudge(ch, two, l, k), want.optimum);
        EXPECT_EQ(exactresolve(ch.p.base, ch.p.uniqs, ch.p.allowed, k, want.optimum + 1, {},
                               nullptr, opt, model, offer),
                  ExactAnswer::unsat);
    }
    EXPECT_GE(interior, 3);  // not only optima that counting proves
    EXPECT_GE(cut, 1);       // an offer that keeps a unique pair from showing
}

// On random proteins of every type the production judge and the engine agree
// with the chain read residue by residue: what random labels resolve, the
// engine reaches; in both models the fewest samples it proves resolve every
// unique pair, and one sample fewer cannot.
TEST(ExactEngine, AnswersAgreeWithTheChain) {
    std::mt19937 rng(77);
    for (int trial = 0; trial < 6; ++trial) {
        std::vector<std::string> names;
        std::string seq = testutil::randomsequence(rng, 25 + static_cast<int>(rng() % 25));
        for (size_t a = 0, b; (b = seq.find('\n', a)) != std::string::npos; a = b + 1)
            names.push_back(seq.substr(a, b - a));
        Chain ch = chainof(names);
        const int k = 2 + trial % 2;
        const uint32_t samples = (1u << k) - 1;
        Annealer judge(ch.p.base, ch.p.uniqs, ch.p.allowed, samples, 999, ch.two);
        for (int draw = 0; draw < 20; ++draw) {
            Labels l = testutil::randomlabels(rng, samples);
            ASSERT_EQ(resolvedby(l, ch.p.uniqs, ch.two), brutejudge(ch, true, l, k));
            Labels n = judge.normalised(l);
            ASSERT_EQ(judge.evaluate(n).resolved, brutejudge(ch, true, n, k));
            ASSERT_GE(brutejudge(ch, true, n, k), brutejudge(ch, true, l, k));
            if (draw % 5) continue;
            Labels got;
            const int want = brutejudge(ch, true, n, k);
            ASSERT_EQ(
                exactresolve(ch.p.base, ch.p.uniqs, ch.p.allowed, k, want, {}, &got, {}, ch.two),
                ExactAnswer::sat);
            EXPECT_GE(brutejudge(ch, true, got, k), want);
        }
        for (const Model& model : {Model(), ch.two}) {
            SCOPED_TRACE("trial " + std::to_string(trial) +
                         (model.twospectra() ? " two" : " HNCO"));
            ExactOptions opt;
            if (trial % 2) opt.annealsteps = 0;
            ExactFewest f = exactfewest(ch.p.base, ch.p.uniqs, ch.p.allowed, {}, opt, model);
            ASSERT_EQ(f.status, ExactStatus::proven);
            EXPECT_EQ(f.lower, f.upper);
            EXPECT_EQ(brutejudge(ch, model.twospectra(), f.labels, f.upper), f.unique);
            EXPECT_GE(f.upper, model.fewest(f.unique));
            if (f.upper > 1) {
                EXPECT_EQ(exactresolve(ch.p.base, ch.p.uniqs, ch.p.allowed, f.upper - 1, f.unique,
                                       {}, nullptr, opt, model),
                          ExactAnswer::unsat);
            }
        }
    }
}

}  // namespace

// The all-pairs search (the walk, then the direct question; the direct
// question alone without the walk) runs before the solver on one thread and
// beside it on two; in both models the answer is the same, whether the
// search finds the labels (on the fewest samples) or the solver proves it
// could not (one fewer). The two-spectrum search counts codes in a hash
// table.
TEST(ExactEngine, SameAnswerOnOneThreadAndTwo) {
    for (const bool twospectra : {false, true}) {
        std::mt19937 rng(twospectra ? 41 : 23);
        int cases = 0;
        for (int trial = 0; trial < 200 && cases < 2; ++trial) {
            Chain ch =
                twospectra
                    ? tinychain(rng, 6 + trial % 5, 30 + static_cast<int>(rng() % 30), trial % 2)
                    : tinychain(rng, 4 + trial % 4, 20 + static_cast<int>(rng() % 30), false);
            const Model model = twospectra ? ch.two : Model();
            ExactFewest f = exactfewest(ch.p.base, ch.p.uniqs, ch.p.allowed, {}, {}, model);
            // Only where all pairs would fit on one sample fewer by counting.
            if (f.status != ExactStatus::proven || model.codes(f.upper - 1) < f.unique) continue;
            ++cases;
            for (int k : {f.upper, f.upper - 1})
                for (long walk : {100L, 0L}) {
                    SCOPED_TRACE((twospectra ? "two spectra, trial " : "HNCO, trial ") +
                                 std::to_string(trial) + ", k " + std::to_string(k) +
                                 (walk ? "" : ", no walk"));
                    ExactLimits one, two;
                    one.seconds = two.seconds = 0.5;
                    two.threads = 2;
                    ExactOptions opt;
                    opt.wallfactor = 1000;
                    opt.breakoutshare = walk;
                    if (!walk) opt.annealsteps = 0;  // the direct question, not the annealer
                    ExactResult a = exactmaxresolved(ch.p.base, ch.p.uniqs, ch.p.allowed, k, one,
                                                     nullptr, opt, model);
                    ExactResult b = exactmaxresolved(ch.p.base, ch.p.uniqs, ch.p.allowed, k, two,
                                                     nullptr, opt, model);
                    EXPECT_EQ(a.found, b.found);
                    EXPECT_EQ(a.bound, b.bound);
                    EXPECT_TRUE(a.labels == b.labels);
                    EXPECT_EQ(a.work, b.work);  // the next request's budget
                    EXPECT_EQ(a.found == f.unique, k == f.upper);
                    // One fewer: proven, by the climb or by the side's proof.
                    if (k < f.upper) {
                        EXPECT_LT(a.bound, f.unique);
                    }
                }
        }
        EXPECT_GE(cases, 2) << twospectra;
    }
}
