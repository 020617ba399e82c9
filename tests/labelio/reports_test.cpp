// The residue table of a schedule on the sequence.
#include "labelio/reports.h"

#include <gtest/gtest.h>

#include "testutil.h"

namespace {

TEST(Reports, ResidueTable) {
    testutil::molecule("ALA GLY SER");
    TypeMatrix u{};
    u[1][9] = u[9][17] = 1;
    static Schedule s;
    initschedule(s);
    addentry(s.samples[2], 1, 9, 2);
    fillschednrs(s, u);
    std::string out =
        testutil::captured([&] { outputsequence_with_label(kemradata, labdata, s, u); });
    EXPECT_EQ(out,
              "AA# Name Marker AAScore Paired with Labelpattern\n"
              "  1 ALA       0 1   GLY   _X________\n"
              "  2 GLY       0 1\n"
              "  3 SER       0 0\n"
              "Max:  1 Samples  2 Total # Peaks  1\n"
              "Occ.  :110\n"
              "Ass.  :X__\n"
              "Seq.  :AGS\n"
              "Smpl 1:___\n"
              "Smpl 2:X__\n");
}

}  // namespace
