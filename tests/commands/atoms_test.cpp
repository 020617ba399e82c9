// The atoms command: selections and the per-atom labeling fields set through them.
#include <gtest/gtest.h>

#include "labeling/labeldata.h"
#include "molecule/molecule.h"
#include "testutil.h"

namespace {

using testutil::molecule;
using testutil::run;
using testutil::writefile;

// ALA 1 (atoms 1-11), GLY 2 (12-19), SER 3 (20-31) of the shipped library.
const char* kTripeptide = "ALA GLY SER";

using testutil::atom;
using testutil::has;

TEST(AtomSelections, CountsOnAlaGlySer) {
    struct Case {
        const char* sel;
        int n;
    } cases[] = {
        {"", 31},        {"CA", 3},       {"ca", 3},          {"H*", 13},
        {"HA?", 2},      {"Q*", 3},       {"N CA C", 9},      {"2", 8},
        {"2..3", 20},    {"FIRST", 11},   {"LAST", 12},       {"FIRST..2", 19},
        {"CA 1 3", 2},   {"4..9", 0},     {"BACKBONE", 17},   {"bb 2", 5},
        {"HEAVY", 15},   {"HEAVY 3", 6},  {"HYDROGEN", 13},   {"PSEUDO", 3},
        {"CARBON", 8},   {"NITROGEN", 3}, {"OXYGEN", 4},      {"SULFUR", 0},
        {"AMIDE", 6},    {"METHYL", 1},   {"METHYLENE", 2},   {"METHINE", 2},
        {"HYDROXYL", 1}, {"NH3", 0},      {"NBOUND", 3},      {"CBOUND", 9},
        {"CBOUND 1", 4}, {"OBOUND", 1},   {"CA random=0", 0}, {"CA tolerance=0.1", 3},
        {"ASSIGNED", 0}, {"H* HEAVY", 0},
    };
    molecule(kTripeptide);
    ASSERT_EQ(kemradata.na, 31);
    for (const Case& c : cases)
        EXPECT_EQ(run("atoms", {"count", c.sel}),
                  "    " + std::to_string(c.n) + (c.n == 1 ? " atom." : " atoms.") + "\n")
            << c.sel;
}

TEST(AtomSelections, CombineWithTheCurrentSelectionAndShifts) {
    molecule(kTripeptide);
    EXPECT_EQ(run("atoms", {"select", "CA"}), "    3 atoms selected.\n");
    struct Case {
        const char* sel;
        int n;
    } cases[] = {{"+ N", 6},      {"- CA", 0},      {"- 2", 2},           {"/ 1..2", 2},
                 {"SELECTED", 3}, {"SELBOUND", 12}, {"SELBOUND HEAVY", 8}};
    for (const Case& c : cases)
        EXPECT_TRUE(has(run("atoms", {"count", c.sel}), " " + std::to_string(c.n) + " atom"))
            << c.sel;
    run("read", {"prot", writefile("s.prot", "1 52.5 . CA 1\n2 45.1 . CA 2\n3 8.2 . H 3\n")});
    EXPECT_EQ(run("atoms", {"count", "selection=shift=45..60"}), "    2 atoms.\n");
    EXPECT_EQ(run("atoms", {"count", "HEAVY shift=50..60"}), "    1 atom.\n");
    EXPECT_EQ(run("atoms", {"count", "ASSIGNED"}), "    3 atoms.\n");
    EXPECT_EQ(run("atoms", {"count", "ASSIGNED HYDROGEN"}), "    1 atom.\n");
}

TEST(AtomSelections, BadSelectionsAreRejected) {
    molecule(kTripeptide);
    struct Case {
        const char *sel, *msg;
    } cases[] = {
        {"C-A", "*** ERROR: Illegal selection \"C-A\"."},
        {"CA +", "*** ERROR: Illegal selection \"+\"."},
        {"CA shift=5", "*** ERROR: Illegal selection \"shift=5\"."},
        {"CA shift=a..b", "*** ERROR: Illegal selection \"shift=a..b\"."},
        {"CA tolerance=x", "*** ERROR: Illegal selection \"tolerance=x\"."},
    };
    for (const Case& c : cases) EXPECT_TRUE(has(run("atoms", {"count", c.sel}), c.msg)) << c.sel;
    EXPECT_TRUE(has(run("atoms", {"stereo"}),
                    "*** ERROR: Action \"stereo\" of atoms is not available in this version: it "
                    "needs coordinates or peaks."));
    EXPECT_TRUE(
        has(run("atoms", {"set", "CA", "marker=("}), "*** ERROR: Illegal expression \"(\"."));
}

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
