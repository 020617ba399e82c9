// Hand edits and the tables they set: round trips through the recipe and the
// labeling file, and bad values that must change nothing.
#include "labelio/edits.h"

#include <gtest/gtest.h>

#include "testutil.h"

namespace {

using testutil::has;
using testutil::kFragment;
using testutil::run;
using testutil::setslot;
using testutil::slurp;
using testutil::typed;

long recipetotal() {
    return testutil::number(typed("showrecipe rank=1"), "Total price of all samples: (\\d+)");
}

bool same(const LabelData& a, const LabelData& b) {
    return a.price_asname == b.price_asname && a.price_natoms == b.price_natoms &&
           a.price_catoms == b.price_catoms && a.price_bothatoms == b.price_bothatoms &&
           a.iallowed_dupes == b.iallowed_dupes && a.ilabelsize == b.ilabelsize &&
           a.ias_front == b.ias_front && a.ias_end == b.ias_end && a.ischedulenr == b.ischedulenr &&
           a.ioccur == b.ioccur && a.isample_class == b.isample_class &&
           a.ibatch_front == b.ibatch_front && a.ibatch_end == b.ibatch_end &&
           a.ibatchsize == b.ibatchsize && a.ixtract == b.ixtract;
}

TEST(Edits, PricesReachTheRecipeByOwnRow) {
    testutil::molecule(kFragment);
    // Sample 1: ILE, VAL, LEU with 13C, PHE, LYS, THR with 15N; sample 2: VAL
    // 13C, LYS 15N; sample 3: CYS 13C, VAL 15N.
    setslot(1, {{11, 15, 1}, {21, 13, 3}, {12, 18, 1}, {5, 21, 4}});
    // 259 + 54 + 89 and 35 + 217 + 834; then 54 + 217; then 218 + 77.
    EXPECT_EQ(recipetotal(), 402 + 1086 + 271 + 295);
    struct Case {
        const char* line;
        int total;
    } cases[] = {
        {"setprice asname=ILE price=1000 C13", 2054 + 741},
        {"setprice asname=ILE price=1000 N15 BOTH", 2795},  // ILE is 13C only
        {"setprice asname=VAL price=1 C13 N15 BOTH", 2795 - 2 * 53 - 76},
        // Row 5 is set; CYSS (row 6) keeps its price.
        {"setprice asname=CYS price=18 C13", 2613 - 200},
        {"setprice asname=CYSS price=18 C13", 2413},
        {"setprice asname=LYS price=0 N15", 2413 - 2 * 217},
        {"setprice asname=LYS price=5", 1979},  // no option: nothing is set
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(has(typed(c.line), "***")) << c.line;
        EXPECT_EQ(recipetotal(), c.total) << c.line;
    }
    EXPECT_EQ(labdata.price_catoms[5], 18);
    EXPECT_EQ(labdata.price_catoms[6], 18);
    EXPECT_EQ(labdata.price_natoms[21], 1);
    EXPECT_EQ(run("setprice", {"asname=GLY", "price=7", "C13", "N15"}),
              " 7\nSet price C13 to 7.000\nSet price N15 to 7.000\n");
}

TEST(Edits, EditedLabelingsWriteTheExpectedFile) {
    testutil::molecule(kFragment);
    labdata.ilabelsize.fill(0);
    setslot(1, {{11, 15, 1}, {15, 21, 2}, {21, 13, 3}});
    labdata.ioccur[2][1] = 77;
    std::string log;
    for (const char* line :
         {"modifypair front=PHE rear=VAL sched=6", "modifypair front=THR rear=GLY sched=8",
          "removepair front=21 sample=1 N15 doit", "removepair front=15 sample=1 C13 doit",
          "removepair front=18 sample=4 N15", "copyschedule origin=1 destin=2",
          "copyschedule origin=3 destin=3"})
        log += typed(line);
    EXPECT_FALSE(has(log, "***")) << log;
    EXPECT_TRUE(has(log, " Modifying 2 PHE VAL to 6\n")) << log;
    EXPECT_TRUE(has(log, " Appending 4 THR GLY with 8\n")) << log;
    EXPECT_TRUE(has(log, " pair 18 9 ist betroffen\n")) << log;
    EXPECT_EQ(labdata.ioccur[1][4], 1);   // THR-GLY occurs once
    EXPECT_EQ(labdata.ioccur[2][1], 77);  // occurrence counts are not copied
    std::string file = testutil::tmppath("edited.lab");
    run("writelabel", {"filename=" + file});
    std::string slot =
        "   11   15    0\n   15   21    6\n   21   13    0\n   18    9    8\n"
        "    0    0    0\n";
    std::string expected = slot + slot;
    for (int r = 3; r <= kSlots; ++r) expected += "    0    0    0\n";
    EXPECT_EQ(slurp(file), expected);
}

TEST(Edits, BatchTakesFrontIntoTheEndList) {
    testutil::molecule(kFragment);
    labdata.ilabelsize.fill(0);
    setslot(1, {{11, 15, 1}, {18, 12, 2}});
    std::string out = run("remove_unused_pairs", {});
    // Five of the seven unique pairs are missing from labeling 1.
    EXPECT_EQ(labdata.ibatchsize, 5) << out;
    EXPECT_TRUE(has(out, " -found pair : 11 15\n")) << out;
    EXPECT_TRUE(has(out, " +pair 9 13\n")) << out;
    EXPECT_EQ(labdata.ibatch_end[0], 9);     // GLY, the front type
    EXPECT_EQ(labdata.ibatch_front[0], 13);  // LYS, the end type
    run("addpairtobatch", {"front=3", "rear=4"});
    EXPECT_EQ(labdata.ibatch_end[5], 3);
    EXPECT_EQ(labdata.ibatch_front[5], 4);
    std::string batch = run("showbatch", {});
    EXPECT_TRUE(has(batch, "\n  3  4\n number of pairs in batch: 6\n")) << batch;
    while (labdata.ibatchsize < kBatchSize) run("addpairtobatch", {});
    LabelData before = labdata;
    EXPECT_TRUE(has(run("addpairtobatch", {}), "*** ERROR: "));
    EXPECT_TRUE(same(before, labdata));
}

// Numbers outside their tables, unknown names and a pair for a full
// labeling: an error, and not one table changes.
TEST(Edits, BadValuesChangeNothing) {
    testutil::molecule(kFragment);
    setslot(1, {{11, 15, 1}, {15, 21, 2}});
    setslot(4, std::vector<std::array<int, 3>>(kSlotEntries, {1, 1, 1}));
    const char* lines[] = {"setprice asname=ALA price=-5 C13",
                           "setprice asname=ALA price=99999999999 C13",
                           "setprice asname=ALA price=1000001 BOTH",
                           "setprice asname=XYZ price=5 C13",
                           "setprice price=5 C13",
                           "setdupes front=XYZ dupes=2",
                           "setdupes end=ALANINE dupes=2",
                           "setdupes front=ALA dupes=-1",
                           "setdupes dupes=100",
                           "setclass front=ALA class=-2",
                           "setclass end=QQQ class=2",
                           "setclass class=x",
                           "modifypair front=ALA rear=GLY rank=0",
                           "modifypair front=ALA rear=GLY rank=11",
                           "modifypair front=ALA rear=GLY sched=-1",
                           "modifypair front=ALA rear=GLY sched=1048576",
                           "modifypair front=FOO rear=GLY",
                           "modifypair front=ALA rear=%d",
                           "modifypair front=THR rear=GLY rank=4",
                           "removepair",
                           "removepair front=0 N15 doit",
                           "removepair front=22 N15 doit",
                           "removepair front=11 sample=21 N15 doit",
                           "removepair front=11 sample=0 N15 doit",
                           "removepair front=11 rank=11 N15 doit",
                           "removepair front=11 rank=-2147483647 N15 doit",
                           "copyschedule origin=0",
                           "copyschedule destin=11",
                           "copyschedule origin=-3 destin=2",
                           "addpairtobatch front=0",
                           "addpairtobatch rear=22",
                           "showrecipe rank=0",
                           "showsample end=11",
                           "showpairs rank=11",
                           "showpairs multipair=0",
                           "showwhatsleft front=22",
                           "showwhatsleft rear=0",
                           "showlabelmultiple multipair=-1",
                           "writereport rank=0",
                           "writereport rank=11",
                           "writereport file=/nonexistent-dir/r.html"};
    for (const char* line : lines) {
        LabelData before = labdata;
        EXPECT_TRUE(has(typed(line), "*** ERROR: ")) << line;
        EXPECT_TRUE(same(before, labdata)) << line;
    }
}

TEST(Edits, FreeSampleSetsAvoidTheMasksInUse) {
    testutil::molecule(kFragment);
    labdata.ilabelsize.fill(0);
    setslot(1, {{11, 15, 1}, {21, 13, 2}});
    // THR-LEU added to sample set s gets mask s: only 1 and 2 collide.
    std::string out = run("showwhatsleft", {"front=18", "rear=12"});
    EXPECT_EQ(out.substr(0, 31), " starting, 2 resolved, dupes 0\n");
    EXPECT_EQ(testutil::count(out, "in sched "), 1021);
    EXPECT_FALSE(has(out, "in sched X_________ "));
    EXPECT_FALSE(has(out, "in sched _X________ "));
    EXPECT_TRUE(has(out, " in sched XX________ passt noch mit 0 duplicates (0)\n"));
    EXPECT_EQ(labdata.ilabelsize[1], 2);
}

}  // namespace
