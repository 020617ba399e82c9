// Reports of stored labelings, driven as the user types them.
#include <gtest/gtest.h>

#include "labeling/labeldata.h"
#include "testutil.h"

namespace {

using testutil::run;

// A hand-written labeling on ALA GLY SER LEU ALA GLY: GLY-SER in sample 1,
// SER-LEU in sample 2, LEU-ALA in both. Sample 1 labels GLY and LEU with 13C
// and SER and ALA with 15N, so ALA-GLY (twice in the sequence) shows in no
// sample, and LEU-ALA shows where its own entry put it.
TEST(ShowLabel, ResidueTableOfAStoredLabeling) {
    testutil::molecule("ALA GLY SER LEU ALA GLY");
    labdata.ilabelsize.fill(0);
    std::string f = testutil::writefile(
        "hand.lab", "    9   17    1\n   17   12    2\n   12    1    3\n    0    0    0\n");
    run("readlabel", {"filename=" + f});
    EXPECT_EQ(run("showlabel", {"rank=1"}),
              "AA# Name Marker AAScore Paired with Labelpattern\n"
              "  1 ALA       0 2\n"
              "  2 GLY       0 1   SER   X_________\n"
              "  3 SER       0 1   LEU   _X________\n"
              "  4 LEU       0 1   ALA   XX________\n"
              "  5 ALA       0 2\n"
              "  6 GLY       0 0\n"
              "Max:  2 Samples  2 Total # Peaks  4\n"
              "Occ.  :211120\n"
              "Ass.  :_XXX__\n"
              "Seq.  :AGSLAG\n"
              "Smpl 1:_X_X__\n"
              "Smpl 2:__XX__\n");
    // An empty slot shows the sequence with nothing assigned.
    std::string empty = run("showlabel", {"rank=2"});
    EXPECT_NE(empty.find("Max:  0 Samples  0 Total # Peaks  0\nOcc.  :211120\nAss.  :______\n"),
              std::string::npos)
        << empty;
    for (const char* rank : {"rank=0", "rank=6", "rank=-3"})
        EXPECT_NE(run("showlabel", {rank}).find("*** ERROR: Labeling"), std::string::npos) << rank;
}

}  // namespace
