// The design commands as typed: a long batch insertion, the genetic search
// that ends the program, and the colour classes.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <regex>

#include "labeling/colour.h"
#include "testutil.h"

namespace {

using testutil::count;
using testutil::has;
using testutil::run;
using testutil::slurp;

// Ubiquitin with a 14-pair labeling leaves 17 pairs for the batch: 1000
// random passes, once 15 s of full duplicate checks, each printing the
// schedule (every pass ties the integer best). A long run tells how to end it
// and where it stands.
TEST(Addbatch, RandomPassesOfALargeBatchAreQuick) {
    testutil::InTempDir tmp("addbatch_large");
    testutil::molecule("ubiquitin.fasta");
    std::ofstream("small.lab")
        << "    7   11   12\n    8   21   13\n    9   13    9\n   11   15    8\n"
           "   11   18    2\n   12    8    4\n   12   18    1\n   14    7   11\n"
           "   15   21    7\n   16   17   10\n   18    9    5\n   18   11   15\n"
           "   21    8    6\n   21   13    3\n    0    0    0\n";
    run("readlabel", {"filename=small.lab"});
    run("remove_unused_pairs", {});
    ASSERT_EQ(labdata.ibatchsize, 17);
    run("addbatch", {"bogus=1"});
    EXPECT_FALSE(std::filesystem::exists("best.sched"));  // a parameter error runs nothing
    std::clock_t start = std::clock();  // CPU time: the 1000 file writes wait on the disk
    std::string out = run("addbatch", {"random"});
    double seconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    EXPECT_LT(seconds, 10.0);  // under the sanitizers too
    EXPECT_EQ(out.find(" Batch insertion: 1000 passes. Press Ctrl-C to end them early; the best "
                       "schedule found is kept.\n"),
              0u)
        << out.substr(0, 300);
    EXPECT_EQ(count(out, "Ende des Labelings"), 1000);
    EXPECT_TRUE(out.ends_with("Ende des Labelings\n \n pass 1000 of 1000, best score 35\n"))
        << out.substr(out.size() - 300);
    // A second call goes on with the stream; a short run says nothing more.
    out = run("addbatch", {"random", "max=3"});
    EXPECT_EQ(count(out, "Ende des Labelings"), 3);
    EXPECT_FALSE(has(out, "pass "));
    EXPECT_FALSE(has(out, "Ctrl-C"));
}

// fastsched ends the program; its output goes to stderr so the death test
// sees it.
void fastsched() {
    kemlangdata.screen = stderr;
    kemlangdata.capture = nullptr;
    std::vector<std::string> w;
    int n = 0;
    testutil::command("fastsched")(w, n);
}

TEST(Fastsched, EndsTheProgramWithTheBestSchedule) {
    testutil::InTempDir tmp("fastsched");
    testutil::molecule("ubiquitin.fasta");
    testhooks.gagenerations = 3;
    EXPECT_EXIT(fastsched(), ::testing::ExitedWithCode(0),
                "Ctrl-C ends it early(.|\n)*generations: 3 best fitness(.|\n)*Ende des "
                "Labelings(.|\n)*Uniqe Pairs");
    testhooks.reset();
    // Ctrl-C: the ten million generations end after the first, as at a normal end.
    EXPECT_EXIT((intrpt = 1, fastsched()), ::testing::ExitedWithCode(0),
                "generations: 1 best fitness.*interrupted(.|\n)*Uniqe Pairs");
    // Each run appends its block to the log.
    std::string log = slurp("gaopout5");
    EXPECT_EQ(count(log, "Filestr : "), 2) << log;
    EXPECT_EQ(count(log, "seed: 102342\n"), 2) << log;
    EXPECT_TRUE(has(log, "evo 3\n")) << log;
    EXPECT_TRUE(has(log, "evo 1\n")) << log;
}

TEST(CreateColor, ClassesHoldNoConflictingPairs) {
    testutil::molecule("ubiquitin.fasta");
    EXPECT_TRUE(has(run("create_color", {}), "*** ERROR"));  // cutoff=5 is required
    std::string out = run("create_color", {"cutoff=5"});
    Selection base;
    TypeMatrix u{};
    testutil::captured([&] { initdata(kemradata, labdata, base, u, 1); });
    // Every unique pair once, by colour; no two pairs of a colour conflict;
    // larger classes first.
    std::regex pos("Pos: (\\d+) pair (\\d+) \\([A-Z ]+\\) colour (\\d+) \\((\\d+) pairs\\)");
    std::vector<int> seen, colour(static_cast<size_t>(base.count) + 1, 0), sizes;
    for (auto it = std::sregex_iterator(out.begin(), out.end(), pos); it != std::sregex_iterator();
         ++it) {
        int k = std::stoi((*it)[2]), c = std::stoi((*it)[3]);
        seen.push_back(k);
        colour[static_cast<size_t>(k)] = c;
        if (static_cast<int>(sizes.size()) < c) sizes.push_back(std::stoi((*it)[4]));
    }
    ASSERT_EQ(static_cast<int>(seen.size()), base.count) << out;
    std::sort(seen.begin(), seen.end());
    for (int k = 1; k <= base.count; ++k) {
        EXPECT_EQ(seen[static_cast<size_t>(k - 1)], k);
        for (int j = 1; j < k; ++j)
            if (isadjacent(base, u, j, k)) {
                EXPECT_NE(colour[static_cast<size_t>(j)], colour[static_cast<size_t>(k)]);
            }
    }
    EXPECT_TRUE(std::is_sorted(sizes.rbegin(), sizes.rend()));
}

}  // namespace
