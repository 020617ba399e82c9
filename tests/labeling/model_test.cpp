// The observation models: every judge of the two-spectrum model against the
// words read off the sequence, the code counts against a plain map, and the
// annealing against the proven optimum of small proteins.
#include "labeling/model.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

#include "../brute.h"
#include "labeling/anneal.h"
#include "labeling/codecounts.h"
#include "labeling/exact.h"
#include "labeling/price.h"
#include "testutil.h"

namespace {

struct Protein : testutil::Pairs {
    std::vector<int> types;
    Model model;
};

Protein protein(const std::string& sequence) {
    testutil::molecule(sequence);
    Protein p;
    for (int i = 1; i <= kemradata.nr; ++i) p.types.push_back(kemradata.irlib[i]);
    p.model = testutil::twospectra();
    return p;
}

int plainnotoffered(const Labels& l, const Offer& o) {
    int n = 0;
    for (int t = 1; t <= kTypes; ++t)
        for (int b = 0; b < kSamples; ++b) {
            bool c = l.c[static_cast<size_t>(t)] >> b & 1,
                 nn = l.n[static_cast<size_t>(t)] >> b & 1;
            int form = c && nn ? kFormBoth : c ? kFormC : nn ? kFormN : 0;
            n += (o.missing[static_cast<size_t>(t)] & form) != 0;
        }
    return n;
}

TEST(Model, CountsCodesAndNamesItself) {
    struct Row {
        const char* word;
        bool ok;
        long long codes4;
        int fewest80, fewest81;
    } rows[] = {
        {"hnco", true, 15, 7, 7},
        {"hsqc+hnco", true, 80, 4, 5},
        {"HSQC", false, 15, 7, 7},
        {"", false, 15, 7, 7},
    };
    for (const Row& r : rows) {
        Model m;
        EXPECT_EQ(modelof(r.word, 16, m), r.ok) << r.word;
        EXPECT_EQ(m.codes(4), r.codes4) << r.word;
        EXPECT_EQ(m.fewest(80), r.fewest80) << r.word;
        EXPECT_EQ(m.fewest(81), r.fewest81) << r.word;
        EXPECT_EQ(m.shows(16), !m.twospectra()) << r.word;
    }
    Model two;
    modelof("hsqc+hnco", 16, two);
    EXPECT_EQ(two.codes(20), 3486784400LL);
    EXPECT_EQ(Model::word(two.code(1, 0b0110, 0b1011), 4), "HX_H");
    EXPECT_EQ(two.code(16, 1, 1), 0u) << "a pair ending in proline shows nothing";
}

TEST(CodeCounts, AgreeWithAPlainMapThroughInsertsAndReleases) {
    Model two;
    modelof("hsqc+hnco", 0, two);
    std::mt19937_64 rng(3);
    CodeCounts cc;
    cc.reset(two, 0xFFFFF, 60);
    std::map<Code, int> ref;
    std::vector<Code> pool;
    for (int i = 0; i < 200; ++i) pool.push_back(1 + rng() % 5000);
    for (int step = 0; step < 20000; ++step) {
        Code c = pool[rng() % pool.size()];
        if (ref.size() < 60 && rng() % 2) {
            ++cc.at(c).cnt, ++ref[c];
        } else if (auto it = ref.find(c); it != ref.end()) {
            if (--cc.at(c).cnt == 0) cc.release(c);
            if (--it->second == 0) ref.erase(it);
        }
        if (step % 97 == 0)
            for (Code p : pool) {
                auto it = ref.find(p);
                ASSERT_EQ(cc.at(p).cnt, it == ref.end() ? 0 : it->second) << step;
                if (it == ref.end()) cc.release(p);
            }
    }
}

// Every judge of the two-spectrum model, and the annealing's incremental
// state through random changes, against the words of the residues.
TEST(TwoSpectra, EveryJudgeAgreesWithTheResidueWords) {
    std::mt19937 rng(2024);
    for (int trial = 0; trial < 10; ++trial) {
        Protein p = protein(testutil::randomsequence(rng, 40 + static_cast<int>(rng() % 160)));
        const int k = 2 + trial % 5;
        const uint32_t samples = (1u << k) - 1;
        const Offer offer = trial % 2 ? testutil::randomoffer(rng, 4) : Offer();
        Annealer a(p.base, p.uniqs, p.allowed, samples, 999, p.model, offer);
        const int proline = asnameconverttonumber(kemradata, "PRO");
        auto check = [&](const std::string& what) {
            const Labels& l = a.labels();
            int want = brutetwospectra(p.types, l, proline, k);
            ASSERT_EQ(a.current().resolved, want) << what;
            ASSERT_EQ(a.evaluate(l).resolved, want) << what;
            ASSERT_EQ(resolvedby(l, p.uniqs, p.model), want) << what;
            ASSERT_EQ(a.current().notoffered, plainnotoffered(l, offer)) << what;
            ASSERT_EQ(a.current().total, 0) << what << ": shared codes cost nothing";
            static Schedule s;
            ASSERT_TRUE(a.toschedule(l, s));
            ASSERT_EQ(chkuniqsdup(s, p.uniqs), want) << what;
            ASSERT_EQ(bought(s), l) << what << ": the schedule buys the whole design";
        };
        a.load(testutil::randomlabels(rng, samples));
        std::string what = "trial " + std::to_string(trial);
        check(what + " load");
        for (int step = 0; step < 300; ++step) {
            Annealer::Eval before = a.current();
            Labels was = a.labels();
            a.change(rng() % 2 == 0, 1 + static_cast<int>(rng() % kTypes),
                     static_cast<uint32_t>(rng()) & samples);
            check(what + " change " + std::to_string(step));
            if (rng() % 3 == 0) {
                a.revert();
                ASSERT_EQ(a.labels(), was) << what;
                ASSERT_EQ(a.current().resolved, before.resolved) << what;
                ASSERT_EQ(a.current().notoffered, before.notoffered) << what;
            } else {
                a.commit();
            }
        }
    }
}

// Proteins of four residue types on two samples: the search reaches the
// optimum the exact engine proves.
TEST(TwoSpectra, SearchReachesTheProvenOptimum) {
    const char* sequences[] = {
        "ALA\nGLY\nSER\nALA\nALA\nSER\nGLY\nGLY\nTHR\nSER\nTHR\nALA\nTHR\nTHR",
        "LYS\nLYS\nGLU\nLEU\nLYS\nGLU\nGLU\nLEU\nLEU\nVAL\nLYS\nVAL\nGLU\nVAL\nVAL",
        "PRO\nALA\nPRO\nGLY\nALA\nGLY\nPRO\nSER\nALA\nSER\nGLY\nSER\nSER",
    };
    for (const char* seq : sequences) {
        Protein p = protein(seq);
        const int k = 2;
        const uint32_t samples = (1u << k) - 1;
        Annealer a(p.base, p.uniqs, p.allowed, samples, 999, p.model);
        const int best =
            exactmaxresolved(p.base, p.uniqs, p.allowed, k, {}, nullptr, {}, p.model).found;
        Labels found = a.search(Labels(), 7, 200000, 1000);
        EXPECT_EQ(a.evaluate(found).resolved, best) << seq;
    }
}

}  // namespace
