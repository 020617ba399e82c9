// The labeling-file commands (readlabel, writelabel, readstr) and the slot conversions.
#include <gtest/gtest.h>

#include <cstdio>

#include "labelio/labelfile.h"
#include "labelio/reports.h"
#include "testutil.h"

namespace {

using testutil::has;
using testutil::run;
using testutil::setslot;
using testutil::slurp;

TEST(LabelFile, WriteReadRoundTripAndSlotRules) {
    labdata.reset();
    std::string f1 = testutil::tmppath("a.lab"), f2 = testutil::tmppath("b.lab");
    std::remove(f1.c_str());
    setslot(1, {{1, 9, 3}, {21, 20, 1048575}});
    setslot(3, {{4, 5, 6}});
    run("writelabel", {"filename=" + f1});
    EXPECT_EQ(slurp(f1).substr(0, 66),
              "    1    9    3\n   21   201048575\n    0    0    0\n    0    0    0\n");
    labdata.reset();
    setslot(2, {{7, 7, 7}});  // the file leaves slot 2 empty: it stays
    EXPECT_EQ(run("readlabel", {"filename=" + f1}), "opening file '" + f1 + "'\n file opened\n");
    EXPECT_EQ(labdata.ilabelsize[1], 2);
    EXPECT_EQ(labdata.ischedulenr[1][2], 1048575);
    EXPECT_EQ(labdata.ilabelsize[2], 1);
    EXPECT_EQ(labdata.ias_front[2][1], 7);
    labdata.ilabelsize[2] = 0;
    run("writelabel", {"filename=" + f2});
    EXPECT_EQ(slurp(f1), slurp(f2));
    run("writelabel", {"filename=" + f2, "rank=3"});
    EXPECT_EQ(slurp(f2), "    4    5    6\n    0    0    0\n");
}

TEST(LabelFile, BadFilesNameTheLineAndKeepTheSlots) {
    std::string many;
    for (int i = 0; i < 401; ++i) many += "    1    2    3\n";
    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"    1    2    3\n    x    2    3\n", "Line 2 of"},
        {"   22    2    3\n", "has a residue type outside 1..21"},
        {"    1    2 1048576\n", "has a sample mask beyond 20 samples"},
        {many.c_str(), "is entry 401 of a labeling"},
    };
    for (const Case& c : cases) {
        labdata.reset();
        setslot(1, {{5, 5, 5}});
        std::string f = testutil::writefile("bad.lab", c.text);
        std::string out = run("readlabel", {"filename=" + f});
        EXPECT_TRUE(has(out, "*** ERROR: ")) << c.text;
        EXPECT_TRUE(has(out, c.message)) << out;
        EXPECT_EQ(labdata.ilabelsize[1], 1);
        EXPECT_EQ(labdata.ias_front[1][1], 5);
    }
    std::string out = run("readlabel", {"filename=helpme"});
    EXPECT_TRUE(has(out, "schedules separated with 0 0 0"));
    EXPECT_TRUE(has(out, "*** ERROR: Input file \"helpme\" cannot be opened."));
}

TEST(LabelFile, SampleStringsAndSlotConversions) {
    labdata.reset();
    std::string f = testutil::writefile(
        "s.sched", "  1    2X  X\n  3    4_X\n  0    0\n  5    6XXXXXXXXXXXXXXXXXXXX\n");
    std::string out = run("readstr", {"file=" + f});
    EXPECT_TRUE(has(out, "\n 1 2 9 X  X\n")) << out;
    EXPECT_EQ(labdata.ischedulenr[1][1], 9);
    EXPECT_EQ(labdata.ischedulenr[1][2], 2);
    EXPECT_EQ(labdata.ischedulenr[2][1], 1048575);

    // Slot -> schedule -> slot; combinations across entries are labelled too.
    TypeMatrix occ{};
    occ[1][2] = occ[3][4] = 1;
    occ[1][4] = 2;
    static Schedule s;
    labdata.ischedulenr[1][2] = 1;  // (3,4) into sample 1 beside (1,2)
    import_pairs(labdata, 1, s);
    EXPECT_EQ(s.samples[1].count, 2);
    EXPECT_EQ(s.samples[2].count, 0);
    EXPECT_EQ(s.samples[4].count, 1);
    export_pairs(s, occ, 5, labdata);
    ASSERT_EQ(labdata.ilabelsize[5], 3);
    EXPECT_EQ(labdata.ias_front[5][1], 1);
    EXPECT_EQ(labdata.ias_end[5][1], 2);
    EXPECT_EQ(labdata.ischedulenr[5][1], 9);
    EXPECT_EQ(labdata.ias_end[5][2], 4);  // (1,4): front of one entry, end of the other
    EXPECT_EQ(labdata.ischedulenr[5][2], 1);
    EXPECT_EQ(labdata.ioccur[5][2], 2);
    EXPECT_EQ(labdata.ias_front[5][3], 3);
}

}  // namespace
