// Every mode of countuniquepairs leaves valid schedules in the slots; the
// modes that end the program do so with their output; Ctrl-C keeps what was
// found.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

#include "brute.h"
#include "kemlang/vars.h"
#include "labelio/labelfile.h"
#include "testutil.h"

uint32_t cutoffmask(int cutoff);

namespace {

using testutil::run;

struct Ubiquitin {
    Selection base;
    TypeMatrix uniqs{};
    Ubiquitin() {
        testutil::molecule("ubiquitin.fasta");
        std::string ban;
        testutil::captured([&] { annotatepairs(base, uniqs, ban, 1, false); });
    }
};

// Slot r resolves pairs, stays within the first `samples` samples and has no
// duplicate.
void expectvalid(const TypeMatrix& u, int samples, const std::string& what) {
    static Schedule s;
    import_pairs(1, s);
    Brute b = brute(s, u, 1);
    EXPECT_GT(b.resolved, 2) << what;
    EXPECT_EQ(b.total, 0) << what;
    EXPECT_LT(s.maxmask, 1 << samples) << what;
}

TEST(Modes, FirstScheduleResolvesTheMostASampleBudgetCan) {
    // Ubiquitin: 2^k - 1 pairs with k = 4 and 5 samples, all 49 with 6; with
    // the default cutoff of 15 samples still all 49, on the fewest samples.
    Ubiquitin ubq;
    struct Row {
        int cutoff, resolved, samples;
    } rows[] = {{4, 15, 4}, {5, 31, 5}, {6, 49, 6}, {15, 49, 6}};
    for (const Row& r : rows) {
        run("countuniquepairs", {"iterations=0", "seedvar=2", "cutoff=" + std::to_string(r.cutoff)});
        static Schedule s;
        import_pairs(1, s);
        Brute b = brute(s, ubq.uniqs, 1);
        EXPECT_EQ(b.resolved, r.resolved) << r.cutoff;
        EXPECT_EQ(b.total, 0) << r.cutoff;
        int used = 0;
        for (int k = 1; k <= kSamples; ++k) used += s.samples[k].count > 0;
        EXPECT_EQ(used, r.samples) << r.cutoff;
    }
}

TEST(Modes, EveryOrderStrategyGivesValidSchedules) {
    Ubiquitin ubq;
    const int modes[] = {3,  0,  -1,  -2,  -3,  -4,  -5,  -6,  -7,
                         -8, -9, -10, -11, -12, -13, -15, -16, -18};
    for (int mode : modes) {
        labdata.ilabelsize.fill(0);
        intrpt = mode < 0 ? 1 : 0;  // repeating modes stop after their first cycle
        std::string out =
            run("countuniquepairs", {"iterations=" + std::to_string(mode), "seedvar=4", "cutoff=6"});
        intrpt = 0;
        EXPECT_EQ(out.find("*** ERROR"), std::string::npos) << out;
        expectvalid(ubq.uniqs, 6, "mode " + std::to_string(mode));
    }
}

TEST(Modes, MessagesAndParameterConversions) {
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
    // cutoff 0 allows no sample: nothing can be placed.
    labdata.ilabelsize.fill(0);
    run("countuniquepairs", {"iterations=0", "seedvar=2", "cutoff=0"});
    EXPECT_EQ(labdata.ilabelsize[1], 0);
    // The seed is printed as given; 0 takes one from the clock.
    std::string out = run("countuniquepairs", {"iterations=0", "seedvar=424242", "cutoff=3"});
    EXPECT_NE(out.find("\n 424242\n"), std::string::npos);
    EXPECT_EQ(run("countuniquepairs", {"iterations=0", "cutoff=3", "bogus=1"}).find("Time:(hms)"),
              std::string::npos);
}

TEST(Modes, InterruptKeepsTheBestFound) {
    Ubiquitin ubq;
    labdata.ilabelsize.fill(0);
    intrpt = 1;
    std::string out = run("countuniquepairs", {"iterations=100000", "seedvar=9", "cutoff=6"});
    intrpt = 0;
    EXPECT_NE(out.find("AA# Name Marker AAScore"), std::string::npos);
    expectvalid(ubq.uniqs, 6, "interrupted");
}

TEST(Modes, SampleStringFileMode) {
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

TEST(ModesDeathTest, FormulaDumpFormat) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TypeMatrix occ{};
    occ[1][2] = 2;
    occ[3][4] = 1;
    // The child writes the dump to stderr, where the matcher reads it.
    EXPECT_EXIT(
        {
            kemlangdata.screen = stderr;
            output_sat(occ);
        },
        testing::ExitedWithCode(0),
        "^\\(\n1 NAND 23 AND\nTRUE \\) AND \\(\n3 AND 25 AND\nTRUE \\) AND NOT\\(\n"
        "45 XNOR 45 AND\n45 XNOR 87 AND\n");
}

}  // namespace
