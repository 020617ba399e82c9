// The design command: whatever its parameters and mode, countuniquepairs
// stores schedules a laboratory can use (within the sample and peak limits, no more shared sample
// patterns than allowed); the modes that end the program do so with their output; Ctrl-C keeps what
// was found.
#include <gtest/gtest.h>

#include <csignal>
#include <random>

#include "brute.h"
#include "kemlang/vars.h"
#include "labeling/optimise.h"
#include "labelio/labelfile.h"
#include "testutil.h"

namespace {

using testutil::has;
using testutil::molecule;
using testutil::run;

void ubiquitin() { testutil::molecule("ubiquitin.fasta"); }

// Slot r resolves pairs, stays within the first `samples` samples and has no
// duplicate.
void expectvalid(const TypeMatrix& u, int samples, const std::string& what) {
    static Schedule s;
    import_pairs(labdata, 1, s);
    Brute b = brute(s, u, 1);
    EXPECT_GT(b.resolved, 2) << what;
    EXPECT_EQ(b.total, 0) << what;
    EXPECT_LT(s.maxmask, 1 << samples) << what;
}

// Every order strategy stores a valid schedule (the repeating ones stopped
// after their first cycle, a long positive run by Ctrl-C) and says which it
// is; the sample-string mode reads its file.
TEST(Modes, EveryOrderStrategyGivesValidSchedules) {
    testutil::SmallBudget small;
    ubiquitin();
    const testutil::Pairs ubq;
    struct Case {
        int mode;
        bool interrupt;
        const char* message;
    } cases[] = {
        {3, false, ""},
        {0, false, ""},
        {100000, true, "AA# Name Marker AAScore"},
        {-1, true, "benutze zufällige Permutation, (Parameter -1)"},
        {-2, true, ""},
        {-3, true, ""},
        {-4, true, "use random permutation of amino acid types (Parameter -4)"},
        {-5, true, "Generate one single permutation (Parameter -5)"},
        {-6, true, "conflict-optimized permutation of amino acids (Parameter -6)"},
        {-7, true, " connection-optimized permutation of amino acids (Parameter -7)"},
        {-8, true, ""},
        {-9, true,
         "shuffled connection-optimized permutation of amino acids, sort downwards (Parameter -9)"},
        {-10, true, ""},
        {-11, true, ""},
        {-12, true, ""},
        {-13, true, ""},
        {-15, true, ""},
        {-16, true, ""},
        {-18, true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("mode " + std::to_string(c.mode));
        labdata.ilabelsize.fill(0);
        intrpt = c.interrupt ? 1 : 0;
        std::string out = run("countuniquepairs",
                              {"iterations=" + std::to_string(c.mode), "seedvar=4", "cutoff=6"});
        intrpt = 0;
        EXPECT_FALSE(has(out, "*** ERROR")) << out;
        EXPECT_TRUE(has(out, c.message)) << out;
        expectvalid(ubq.uniqs, 6, "");
    }
    std::string f = testutil::writefile("mode14.sched", "  1    9X\n  0    0\n");
    setvar("samplefile", f, kVarGlobal);
    std::string out = run("countuniquepairs", {"iterations=-14", "seedvar=1", "cutoff=6"});
    EXPECT_TRUE(has(out, "opening file '" + f + "'")) << out;
    EXPECT_TRUE(has(out, " file opened"));
    // The seed is printed as given; a parameter error runs nothing.
    out = run("countuniquepairs", {"iterations=0", "seedvar=424242", "cutoff=3"});
    EXPECT_TRUE(has(out, "\n 424242\n"));
    EXPECT_FALSE(
        has(run("countuniquepairs", {"iterations=0", "cutoff=3", "bogus=1"}), "Time:(hms)"));
}

TEST(ModesDeathTest, FormulaDumpAndEnumerationEndTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ubiquitin();
    EXPECT_EXIT(run("countuniquepairs", {"iterations=-19", "seedvar=1", "cutoff=4"}),
                testing::ExitedWithCode(0), "");
    EXPECT_EXIT(run("countuniquepairs", {"iterations=-17", "seedvar=1", "cutoff=4"}),
                testing::ExitedWithCode(0), "");
}

TEST(Modes, FormulaDumpFormat) {
    TypeMatrix occ{};
    occ[1][2] = 2;
    occ[3][4] = 1;
    std::string out = testutil::captured([&] { output_sat(occ); });
    EXPECT_EQ(out.substr(0, 88),
              "(\n1 NAND 23 AND\nTRUE ) AND (\n3 AND 25 AND\nTRUE ) AND NOT(\n"
              "45 XNOR 45 AND\n45 XNOR 87 AND\n");
}

// Values that mean no search are refused before it starts, on the line or
// in the variable, and the refusal names the parameter.
TEST(CountUniquePairs, RefusesACutoffOrExactSecondsThatMeanNoSearch) {
    testutil::SmallBudget small;
    ubiquitin();
    struct Case {
        std::string word;
        const char* variable;  // the value of the variable exactseconds, or none
        const char* message;   // "" : the search runs
    } cases[] = {
        {"cutoff=0", nullptr, "Parameter \"cutoff\" must lie in 1..20, not 0."},
        {"cutoff=21", nullptr, "Parameter \"cutoff\" must lie in 1..20, not 21."},
        {"cutoff=25", nullptr, "Parameter \"cutoff\" must lie in 1..20, not 25."},
        {"exactseconds=abc", nullptr, "Illegal value \"abc\" for parameter \"exactseconds\"."},
        {"exactseconds=-1", "5", "Illegal value \"-1\" for parameter \"exactseconds\"."},
        {"cutoff=4", "abc", "Illegal value \"abc\" of the variable \"exactseconds\"."},
        {"cutoff=4", "20s", "Illegal value \"20s\" of the variable \"exactseconds\"."},
        {"exactseconds=5", "abc", ""},  // the line's value wins over the variable
        {"cutoff=1", "2.5", ""},
        {"cutoff=20", "0", ""},
    };
    for (const Case& c : cases) {
        if (c.variable)
            setvar("exactseconds", c.variable, kVarGlobal);
        else
            unsetvar("exactseconds");
        std::string out = run("countuniquepairs", {"iterations=0", "seedvar=2", c.word});
        SCOPED_TRACE(c.word + " " + (c.variable ? c.variable : "") + "\n" + out);
        if (*c.message) {
            EXPECT_TRUE(has(out, "*** ERROR: " + std::string(c.message)));
            EXPECT_FALSE(has(out, "Time:(hms)"));  // nothing ran
        } else {
            EXPECT_FALSE(has(out, "*** ERROR"));
            EXPECT_TRUE(has(out, "Time:(hms)"));
            // The cutoff's mask is named unless it is the largest.
            EXPECT_EQ(has(out, "cutoff was chosen:"), c.word != "cutoff=20");
        }
    }
    unsetvar("exactseconds");
    std::string out = run("countuniquepairs", {"helpme"});
    EXPECT_TRUE(has(out, "Set cutoff to the max number of samples"));
    EXPECT_FALSE(has(out, "Time:(hms)"));
}

TEST(CountUniquePairs, StoredSchedulesKeepEveryLimit) {
    testutil::SmallBudget small;
    std::mt19937 rng(77);
    for (int trial = 0; trial < 12; ++trial) {
        testutil::molecule(testutil::randomsequence(rng, 30 + static_cast<int>(rng() % 90)));
        int cutoff = 2 + static_cast<int>(rng() % 6);
        int dupes = 1 + static_cast<int>(rng() % 2);
        int multipair = 1 + static_cast<int>(rng() % 2);
        int maxpeaks = trial % 3 == 0 ? 8 : trial % 3 == 1 ? 999 : 500;
        labdata.ilabelsize.fill(0);
        std::vector<std::string> words = {"iterations=" + std::to_string(rng() % 40),
                                          "seedvar=" + std::to_string(1 + rng() % 1000),
                                          "cutoff=" + std::to_string(cutoff),
                                          "dupes=" + std::to_string(dupes),
                                          "multipair=" + std::to_string(multipair),
                                          "maxpeaks=" + std::to_string(maxpeaks)};
        if (trial % 2) words.push_back("noban");
        std::string out = run("countuniquepairs", words);
        ASSERT_FALSE(has(out, "*** ERROR")) << out;
        const testutil::Pairs p(Bans::off, multipair);
        const TypeMatrix& u = p.uniqs;
        if (p.base.count < 2) {
            EXPECT_TRUE(has(out, "Not enough unique pairs to make sense"));
            continue;
        }
        static Schedule s;
        for (int r = 1; r <= kSlots && labdata.ilabelsize[r] > 0; ++r) {
            import_pairs(labdata, r, s);
            std::string what = "trial " + std::to_string(trial) + " slot " + std::to_string(r);
            EXPECT_EQ(brute(s, u, dupes).total, 0) << what;
            EXPECT_LT(s.maxmask, 1 << cutoff) << what;
            for (int k = 1; k <= kSamples; ++k) {
                if (maxpeaks != 999) {
                    EXPECT_LE(brutepeaks(s, k, u), maxpeaks) << what << " sample " << k;
                }
                if (k > cutoff) {
                    EXPECT_EQ(s.samples[k].count, 0) << what;
                }
            }
            for (int i = 1; i <= labdata.ilabelsize[r]; ++i)
                EXPECT_EQ(labdata.ioccur[r][i], u[labdata.ias_front[r][i]][labdata.ias_end[r][i]]);
        }
    }
}

}  // namespace
