// The atoms command: the per-atom labeling fields set through a selection.
#include <gtest/gtest.h>

#include "labeling/labeldata.h"
#include "molecule/molecule.h"
#include "testutil.h"

namespace {

using testutil::molecule;
using testutil::run;

// ALA 1 (atoms 1-11), GLY 2 (12-19), SER 3 (20-31) of the shipped library.
const char* kTripeptide = "ALA GLY SER";

using testutil::atom;
using testutil::has;

TEST(AtomsSet, MarkerLabelAndIncludeReachTheSelectedAtoms) {
    molecule(kTripeptide);
    const LabelData& l = labdata;
    EXPECT_TRUE(has(run("atoms", {"set", "CA", "marker=residue*10"}), "Marker of 3 atoms set."));
    EXPECT_TRUE(
        has(run("atoms", {"set", "N 2", "label=0.25", "c13lab=0.9"}), "Label of 1 atom set."));
    EXPECT_EQ(run("atoms", {"set", "CA 7", "marker=1"}), "    No atoms selected.\n");
    for (int a = 1; a <= kemradata.na; ++a) {
        int r = kemradata.iar[a];
        bool ca = kemradata.anam[a] == "CA", n2 = a == atom(2, "N");
        EXPECT_EQ(l.imarker[a], ca ? 10 * r : 0) << a;
        EXPECT_DOUBLE_EQ(l.alaba[a], n2 ? 0.25 : 1.0) << a;
        EXPECT_DOUBLE_EQ(l.rc13lab[a], n2 ? 0.9 : 0.5) << a;
    }
    EXPECT_EQ(run("atoms", {"include", "HEAVY"}), "    15 atoms included.\n");
    for (int a = 1; a <= kemradata.na; ++a)
        EXPECT_EQ(l.ainclude[a] != 0, kemradata.iael[a] > 1) << a;
    EXPECT_EQ(run("atoms", {"count", "SELECTED"}), "    31 atoms.\n");  // include leaves asel
}

}  // namespace
