// The read command on chemical shift lists in their three formats.
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
using testutil::shift;

TEST(ShiftLists, EachFormatPutsTheShiftOnTheNamedAtom) {
    struct Case {
        const char *action, *file, *text;
        double hdev;
    } cases[] = {
        {"prot", "a.prot", "# xeasy\n1 45.10 . CA 2\n2 8.25 0.01 H 3\n3 999.0 . HA 1\n", 0.01},
        {"nmrview", "a.nmrview", "2.CA 45.10\n3.H 8.25\n1.HA 999.0\n", 0.0},
        {"bmrb", "a21.str",
         "loop_\n_Atom_shift_assign_ID\n_Residue_seq_code\n_Residue_label\n_Atom_name\n"
         "_Chem_shift_value\n_Chem_shift_value_error\n"
         "1 2 GLY CA 45.10 .\n2 3 SER H 8.25 0.02\n3 1 ALA HA 999.0 .\nstop_\n",
         0.02},
        // No sequence index column: the author number places the residue.
        {"bmrb", "a3.str",
         "loop_\n_Atom_chem_shift.ID\n_Atom_chem_shift.Auth_seq_ID\n_Atom_chem_shift.Comp_ID\n"
         "_Atom_chem_shift.Atom_ID\n_Atom_chem_shift.Val\n"
         "1 2 GLY CA 45.10\n2 3 SER H 8.25\n3 1 ALA HA 999.0\nstop_\n",
         0.0},
        {nullptr, "b.prot", "1 45.10 . CA 2\n2 8.25 0.01 H 3\n3 999.0 . HA 1\n", 0.01},
    };
    for (const Case& c : cases) {
        molecule(kTripeptide);
        std::string f = writefile(c.file, c.text);
        std::string out = c.action ? run("read", {c.action, f}) : run("read", {f});
        SCOPED_TRACE(c.file);
        EXPECT_TRUE(has(out, "read, 2 chemical shifts.")) << out;
        EXPECT_DOUBLE_EQ(shift(2, "CA"), 45.10);
        EXPECT_DOUBLE_EQ(shift(3, "H"), 8.25);
        EXPECT_DOUBLE_EQ(kemradata.dshift[1][atom(3, "H")], c.hdev);
        EXPECT_EQ(kemradata.iprot[1][atom(1, "HA")], kNoEntry);
        EXPECT_DOUBLE_EQ(shift(1, "HA"), kNoShift);
        EXPECT_DOUBLE_EQ(shift(1, "CA"), kNoShift);  // the CA went to GLY, not ALA
    }
}

TEST(ShiftLists, NamesTheMoleculeLacksUnderEachUnknownMode) {
    struct Case {
        const char *action, *bad, *msg;
    } cases[] = {
        {"prot", "2 1.0 . HZ 1", "Illegal atom name \"HZ\" for residue ALA 1."},
        {"prot", "2 1.0 . CA 9", "Illegal residue number 9."},
        {"prot", "x 1.0 . CA 1", "Cannot read line 2:"},
        {"nmrview", "1.HZ 1.0", "Illegal atom name \"HZ\" for residue ALA 1."},
        {"bmrb", "2 1 GLY CA 1.0", "Wrong name \"GLY\" for residue ALA 1"},
    };
    for (const Case& c : cases) {
        std::string a = c.action;
        std::string text = a == "prot" ? "1 52.0 . CA 1\n" + std::string(c.bad) + "\n3 8.0 . H 1\n"
                           : a == "nmrview" ? "1.CA 52.0\n" + std::string(c.bad) + "\n1.H 8.0\n"
                                            : "loop_\n_Atom_shift_assign_ID\n_Residue_seq_code\n"
                                              "_Residue_label\n_Atom_name\n_Chem_shift_value\n"
                                              "1 1 ALA CA 52.0\n" +
                                                  std::string(c.bad) + "\n3 1 ALA H 8.0\nstop_\n";
        std::string f = writefile("u." + a, text);
        for (const char* mode : {"error", "warning", "skip"}) {
            SCOPED_TRACE(std::string(c.bad) + " " + mode);
            molecule(kTripeptide);
            std::string out = run("read", {a, f, std::string("unknown=") + mode});
            std::string m = mode;
            EXPECT_EQ(has(out, "*** ERROR: " + std::string(c.msg)), m == "error") << out;
            EXPECT_EQ(has(out, "*** WARNING: " + std::string(c.msg)), m == "warning") << out;
            EXPECT_DOUBLE_EQ(shift(1, "CA"), 52.0);
            EXPECT_DOUBLE_EQ(shift(1, "H"), m == "error" ? kNoShift : 8.0);
            EXPECT_EQ(has(out, "read, 2 chemical shifts."), m != "error") << out;
        }
    }
    // An unassigned entry is never an error, whatever atom it names.
    molecule(kTripeptide);
    std::string out = run("read", {"prot", writefile("v.prot", "1 52.0 . CA 1\n2 999.0 . HZ 7\n")});
    EXPECT_FALSE(has(out, "ERROR")) << out;
    EXPECT_TRUE(has(out, "read, 1 chemical shift.")) << out;
}

TEST(ShiftLists, TwiceReadAddAndAppend) {
    molecule(kTripeptide);
    std::string first = writefile("f.prot", "1 52.00 . CA 1\n2 4.30 . HA 1\n");
    std::string twice = writefile("t.prot", "1 52.00 . CA 1\n2 52.10 . CA 1\n");
    std::string out = run("read", {"prot", twice});
    EXPECT_TRUE(has(out, "*** ERROR: Atom CA of ALA 1 occurs twice in the proton list.")) << out;

    // add: CA moves by 0.5 ppm (beyond the 0.2 ppm carbon tolerance), HA stays.
    run("read", {"prot", first});
    out = run("read",
              {"prot", writefile("g.prot", "1 52.50 . CA 1\n2 4.30 . HA 1\n3 8.0 . H 1\n"), "add"});
    EXPECT_TRUE(has(out, "Deviation of    -0.500 ppm in atom CA ALA 1.")) << out;
    EXPECT_FALSE(has(out, "atom HA")) << out;
    EXPECT_TRUE(has(out, "1 significant deviations, average deviation     0.250 ppm.")) << out;
    EXPECT_TRUE(has(out, "New proton list should be shifted by    -0.250 ppm.")) << out;
    EXPECT_TRUE(has(out, "read, 3 chemical shifts.")) << out;
    EXPECT_DOUBLE_EQ(shift(1, "CA"), 52.5);
    EXPECT_DOUBLE_EQ(shift(1, "HA"), 4.3);

    // append opens list 2 and leaves list 1; a later plain read refills both.
    run("read", {"prot", writefile("h.prot", "1 53.00 . CA 1\n")});
    run("read", {"prot", writefile("i.prot", "1 54.00 . CB 1\n"), "append"});
    ASSERT_EQ(kemradata.npkl, 2);
    EXPECT_DOUBLE_EQ(shift(1, "CA", 1), 53.0);
    EXPECT_DOUBLE_EQ(shift(1, "CB", 1), kNoShift);
    EXPECT_DOUBLE_EQ(shift(1, "CB", 2), 54.0);
    EXPECT_DOUBLE_EQ(shift(1, "CA", 2), kNoShift);
    run("read", {"prot", writefile("j.prot", "1 18.00 . CB 1\n")});
    EXPECT_DOUBLE_EQ(shift(1, "CB", 2), 18.0);
    EXPECT_DOUBLE_EQ(shift(1, "CA", 2), kNoShift);
}

TEST(ShiftLists, MethylPseudoAtomFollowsItsProtons) {
    molecule(kTripeptide);
    run("read", {"prot", writefile("m.prot", "5 1.40 . HB1 1\n5 1.40 . HB2 1\n5 1.40 . HB3 1\n")});
    EXPECT_DOUBLE_EQ(shift(1, "QB"), 1.40);
    // "HB" is read as the pseudo atom; a member with its own entry disagrees.
    std::string out = run("read", {"prot", writefile("n.prot", "5 1.40 . HB 1\n6 1.45 . HB1 1\n")});
    EXPECT_DOUBLE_EQ(shift(1, "QB"), 1.40);
    EXPECT_TRUE(has(out, "*** WARNING: Inconsistency in chemical shift list 1 for QB ALA 1: HB1"))
        << out;
}

TEST(ShiftLists, UbiquitinBmrbValuesLandOnTheirAtoms) {
    testutil::withshifts("ubiquitin");
    EXPECT_DOUBLE_EQ(shift(1, "CA"), 54.45);
    EXPECT_DOUBLE_EQ(shift(1, "HE2"), 1.663);
    EXPECT_DOUBLE_EQ(shift(2, "H"), 8.90);
    EXPECT_DOUBLE_EQ(shift(2, "HE21"), 7.65);
    EXPECT_DOUBLE_EQ(shift(48, "HA"), 4.622);
    EXPECT_EQ(kemradata.iprot[1][atom(48, "HA")], 627);
    EXPECT_DOUBLE_EQ(shift(1, "N"), kNoShift);  // the first amide is not in the entry
}

}  // namespace
