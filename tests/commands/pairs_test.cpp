// The pair-analysis commands. showuniquepairs lists the pairs; whatever its
// parameters and mode, countuniquepairs stores schedules a laboratory can
// use (within the sample and peak limits, no more shared sample patterns
// than allowed); the modes that end the program do so with their output;
// Ctrl-C keeps what was found.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <random>

#include "brute.h"
#include "kemlang/vars.h"
#include "labeling/optimise.h"
#include "labelio/labelfile.h"
#include "testutil.h"

namespace {

using testutil::molecule;
using testutil::run;

struct Ubiquitin {
    Selection base;
    TypeMatrix uniqs{};
    Ubiquitin() {
        testutil::molecule("ubiquitin.fasta");
        std::string ban;
        testutil::captured([&] {
            annotatepairs(kemradata, labdata, base, uniqs, ban.empty() ? Bans::off : Bans::on, 1,
                          false);
        });
    }
};

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

// Peaks of sample k: occurrences of every (front, end) type combination it labels.
int peaks(const Schedule& s, int k, const TypeMatrix& u) {
    std::array<bool, kTypes + 1> fr{}, en{};
    for (int i = 1; i <= s.samples[k].count; ++i)
        fr[s.samples[k].front[i]] = en[s.samples[k].end[i]] = true;
    int n = 0;
    for (int f = 1; f <= kTypes; ++f)
        for (int e = 1; e <= kTypes; ++e)
            if (fr[f] && en[e]) n += u[f][e];
    return n;
}

std::string count(const std::vector<std::string>& words) { return run("countuniquepairs", words); }

int lines(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

TEST(Modes, FirstScheduleResolvesTheMostASampleBudgetCan) {
    // Ubiquitin: 2^k - 1 pairs with k = 4 and 5 samples, all 46 with 6; with
    // the default cutoff of 15 samples still all 46, on the fewest samples.
    Ubiquitin ubq;
    testutil::offereverything();
    struct Row {
        int cutoff, resolved, samples;
    } rows[] = {{4, 15, 4}, {5, 31, 5}, {6, 46, 6}, {15, 46, 6}};
    for (const Row& r : rows) {
        run("countuniquepairs",
            {"iterations=0", "seedvar=2", "cutoff=" + std::to_string(r.cutoff)});
        static Schedule s;
        import_pairs(labdata, 1, s);
        Brute b = brute(s, ubq.uniqs, 1);
        EXPECT_EQ(b.resolved, r.resolved) << r.cutoff;
        EXPECT_EQ(b.total, 0) << r.cutoff;
        int used = 0;
        for (int k = 1; k <= kSamples; ++k) used += s.samples[k].count > 0;
        EXPECT_EQ(used, r.samples) << r.cutoff;
    }
}

TEST(Modes, EveryOrderStrategyGivesValidSchedules) {
    testutil::SmallBudget small;
    Ubiquitin ubq;
    const int modes[] = {3,  0,  -1,  -2,  -3,  -4,  -5,  -6,  -7,
                         -8, -9, -10, -11, -12, -13, -15, -16, -18};
    for (int mode : modes) {
        labdata.ilabelsize.fill(0);
        intrpt = mode < 0 ? 1 : 0;  // repeating modes stop after their first cycle
        std::string out = run("countuniquepairs",
                              {"iterations=" + std::to_string(mode), "seedvar=4", "cutoff=6"});
        intrpt = 0;
        EXPECT_EQ(out.find("*** ERROR"), std::string::npos) << out;
        expectvalid(ubq.uniqs, 6, "mode " + std::to_string(mode));
    }
}

TEST(Modes, MessagesAndParameterConversions) {
    testutil::SmallBudget small;
    Ubiquitin ubq;
    struct Case {
        int mode;
        const char* message;
    } cases[] = {
        {-1, "benutze zufällige Permutation, (Parameter -1)"},
        {-4, "use random permutation of amino acid types (Parameter -4)"},
        {-5, "Generate one single permutation (Parameter -5)"},
        {-6, "conflict-optimized permutation of amino acids (Parameter -6)"},
        {-7, " connection-optimized permutation of amino acids (Parameter -7)"},
        {-9,
         "shuffled connection-optimized permutation of amino acids, sort downwards (Parameter -9)"},
    };
    for (const Case& c : cases) {
        intrpt = 1;
        std::string out = run("countuniquepairs",
                              {"iterations=" + std::to_string(c.mode), "seedvar=2", "cutoff=5"});
        intrpt = 0;
        EXPECT_NE(out.find(c.message), std::string::npos) << c.mode;
    }
    EXPECT_EQ(cutoffmask(0), 0u);
    EXPECT_EQ(cutoffmask(1), 1u);
    EXPECT_EQ(cutoffmask(15), 32767u);
    EXPECT_EQ(cutoffmask(31), 0x7FFFFFFFu);
    EXPECT_EQ(cutoffmask(32), 0xFFFFFFFFu);
    // The seed is printed as given; 0 takes one from the clock.
    std::string out = run("countuniquepairs", {"iterations=0", "seedvar=424242", "cutoff=3"});
    EXPECT_NE(out.find("\n 424242\n"), std::string::npos);
    EXPECT_EQ(run("countuniquepairs", {"iterations=0", "cutoff=3", "bogus=1"}).find("Time:(hms)"),
              std::string::npos);
}

TEST(Modes, InterruptKeepsTheBestFound) {
    testutil::SmallBudget small;
    Ubiquitin ubq;
    labdata.ilabelsize.fill(0);
    intrpt = 1;
    std::string out = run("countuniquepairs", {"iterations=100000", "seedvar=9", "cutoff=6"});
    intrpt = 0;
    EXPECT_NE(out.find("AA# Name Marker AAScore"), std::string::npos);
    expectvalid(ubq.uniqs, 6, "interrupted");
}

TEST(Modes, SampleStringFileMode) {
    testutil::SmallBudget small;
    Ubiquitin ubq;
    std::string f = testutil::writefile("mode14.sched", "  1    9X\n  0    0\n");
    setvar("samplefile", f, kVarGlobal);
    std::string out = run("countuniquepairs", {"iterations=-14", "seedvar=1", "cutoff=6"});
    EXPECT_NE(out.find("opening file '" + f + "'"), std::string::npos) << out;
    EXPECT_NE(out.find(" file opened"), std::string::npos);
}

TEST(ModesDeathTest, FormulaDumpAndEnumerationEndTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    Ubiquitin ubq;
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
    Ubiquitin ubq;
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
            EXPECT_NE(out.find("*** ERROR: " + std::string(c.message)), std::string::npos);
            EXPECT_EQ(out.find("Time:(hms)"), std::string::npos);  // nothing ran
        } else {
            EXPECT_EQ(out.find("*** ERROR"), std::string::npos);
            EXPECT_NE(out.find("Time:(hms)"), std::string::npos);
        }
    }
    unsetvar("exactseconds");
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
        ASSERT_EQ(out.find("*** ERROR"), std::string::npos) << out;
        Selection base;
        TypeMatrix u{};
        std::string ban;
        testutil::captured([&] {
            annotatepairs(kemradata, labdata, base, u, ban.empty() ? Bans::off : Bans::on,
                          multipair, false);
        });
        if (base.count < 2) {
            EXPECT_NE(out.find("Not enough unique pairs to make sense"), std::string::npos);
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
                    EXPECT_LE(peaks(s, k, u), maxpeaks) << what << " sample " << k;
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

TEST(CountUniquePairs, StoredLabelingsSurviveTheirFile) {
    testutil::SmallBudget small;
    testutil::molecule("gb1.fasta");
    std::string file = ::testing::TempDir() + "gb1.lab";
    run("countuniquepairs", {"iterations=30", "seedvar=8", "cutoff=5", "filename=" + file});
    auto before = labdata;
    labdata.ilabelsize.fill(0);
    run("readlabel", {"filename=" + file});
    EXPECT_EQ(labdata.ilabelsize, before.ilabelsize);
    for (int r = 1; r <= kSlots; ++r)
        for (int i = 1; i <= before.ilabelsize[r]; ++i) {
            EXPECT_EQ(labdata.ias_front[r][i], before.ias_front[r][i]);
            EXPECT_EQ(labdata.ias_end[r][i], before.ias_end[r][i]);
            EXPECT_EQ(labdata.ischedulenr[r][i], before.ischedulenr[r][i]);
        }
}

TEST(CountUniquePairs, ShowUniquePairsCommand) {
    testutil::molecule("ALA GLY SER ASP");
    EXPECT_EQ(run("showuniquepairs", {}),
              "Using the following pairs:\n"
              "Pair :(ALA  C13 GLY   N15) occ:  1\n"
              "Pair :(GLY  C13 SER   N15) occ:  1\n"
              "Pair :(SER  C13 ASP   N15) occ:  1\n"
              "Number of unique Pairs:  3\n");
    EXPECT_EQ(run("showuniquepairs", {"banscramble"}),
              "banning amino acid:ASP\nbanning amino acid:ASN\nbanning amino acid:GLU\n"
              "banning amino acid:GLN\nbanning amino acid:PRO\n"
              "Using the following pairs:\n"
              "Pair :(ALA  C13 GLY   N15) occ:  1\n"
              "Pair :(GLY  C13 SER   N15) occ:  1\n"
              "Number of unique Pairs:  2\n");
    testutil::molecule("ALA GLY ALA GLY");
    EXPECT_EQ(run("showuniquepairs", {}),
              "Using the following pairs:\n"
              "Pair :(GLY  C13 ALA   N15) occ:  1\n"
              "Number of unique Pairs:  1\n"
              " Not enough unique pairs to make sense\n");
}

TEST(CountUniquePairs, CyclesMessagesRingAndFiles) {
    testutil::SmallBudget small;
    molecule("ubiquitin.fasta");
    uniqueflags.verbose_output = true;
    EXPECT_EQ(lines(count({"iterations=0", "seedvar=5", "cutoff=6"}), "generate gave:"), 1);
    EXPECT_EQ(lines(count({"iterations=5", "seedvar=5", "cutoff=6"}), "generate gave:"), 6);
    uniqueflags.verbose_output = false;
    EXPECT_EQ(lines(count({"iterations=0", "seedvar=5", "cutoff=20"}), "cutoff was chosen:"), 0);
    EXPECT_EQ(lines(count({"iterations=0", "seedvar=5", "cutoff=6"}), "cutoff was chosen: 63"), 1);
    std::string out = count({"helpme"});
    EXPECT_NE(out.find("Set cutoff to the max number of samples"), std::string::npos);
    EXPECT_EQ(lines(out, "Time:(hms)"), 0);

    // Same seed, same result.
    auto strip = [](std::string s) {
        std::string r;
        for (size_t p = 0; p < s.size();) {
            size_t e = s.find('\n', p);
            std::string l = s.substr(p, e - p);
            if (l.find("Time:(hms)") == std::string::npos) r += l + "\n";
            p = e == std::string::npos ? s.size() : e + 1;
        }
        return r;
    };
    std::string a = strip(count({"iterations=300", "seedvar=11", "cutoff=5"}));
    EXPECT_EQ(a, strip(count({"iterations=300", "seedvar=11", "cutoff=5"})));

    // The file is written only when named; stored schedules keep the limits
    // (a slot the run leaves empty keeps what it held: cleared here).
    std::string file = ::testing::TempDir() + "run.lab";
    std::filesystem::remove(file);
    labdata.ilabelsize.fill(0);
    count({"iterations=50", "seedvar=3", "cutoff=4"});
    EXPECT_FALSE(std::filesystem::exists("NO"));
    count({"iterations=50", "seedvar=3", "cutoff=4", "filename=" + file});
    EXPECT_TRUE(std::filesystem::exists(file));
    Selection base;
    TypeMatrix u{}, one{};
    std::string ban;
    testutil::captured([&] {
        annotatepairs(kemradata, labdata, base, u, ban.empty() ? Bans::off : Bans::on, 1, false);
    });
    for (auto& r : one) r.fill(1);
    static Schedule s;
    for (int r = 1; r <= kSlots; ++r) {
        import_pairs(labdata, r, s);
        fillschednrs(s, u);
        int total = 0;
        EXPECT_EQ(checkschedule(s, total, one, u), 0) << "slot " << r;
        EXPECT_LE(s.maxmask, 15) << "slot " << r;
    }
    EXPECT_GT(labdata.ilabelsize[1], 0);
}

}  // namespace
