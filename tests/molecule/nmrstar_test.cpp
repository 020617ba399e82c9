// Sequences of BMRB entries: the one-letter field, the residue-loop
// fallback, and the checks around shift reading.
#include "molecule/nmrstar.h"

#include <gtest/gtest.h>

#include "testutil.h"

namespace {

using testutil::has;

using Names = std::vector<std::string>;

TEST(NmrStar, OneLetterCodes) {
    struct Case {
        const char* code;
        bool ok;
        Names names;
        int bad;
    } cases[] = {
        {"MKV", true, {"MET", "LYS", "VAL"}, 0},
        {"mk\nv ", true, {"MET", "LYS", "VAL"}, 0},   // case and line breaks of text fields
        {"C(MSE)G", true, {"CYS", "MSE", "GLY"}, 0},  // 3.x writes unusual residues by name
        {"MKXAG", false, {"MET", "LYS"}, 3},          // X: no residue type
        {"MK\nBAG", false, {"MET", "LYS"}, 3},        // position counts letters only
        {"", true, {}, 0},
    };
    for (const Case& c : cases) {
        Names names;
        int bad = -1;
        EXPECT_EQ(onelettersequence(c.code, names, bad), c.ok) << c.code;
        EXPECT_EQ(names, c.names) << c.code;
        EXPECT_EQ(bad, c.bad) << c.code;
    }
}

TEST(NmrStar, EntryNamedOtherwiseIsRecognisedByItsFirstLine) {
    std::string f = testutil::writefile("entry.txt", "data_1\nsave_x\nsave_\n");
    EXPECT_TRUE(isnmrstar(f));
    EXPECT_TRUE(isnmrstar(testutil::example("bmr4974_ci2.str")));
    EXPECT_FALSE(isnmrstar(testutil::writefile("seq.txt", "ALA GLY\n")));
}

TEST(NmrStar, FramesLoopsAndQuotedValues) {
    // Two proteins and a DNA strand; a quoted value holding "loop_" and a
    // residue loop closed only by the end of its frame.
    std::string f = testutil::writefile("two.str",
                                        "data_7\n"
                                        "save_dna\n"
                                        "   _Entity.Sf_category entity\n"
                                        "   _Entity.Type polymer\n"
                                        "   _Entity.Polymer_type polydeoxyribonucleotide\n"
                                        "   _Entity.Polymer_seq_one_letter_code ACGT\n"
                                        "save_\n"
                                        "save_a\n"
                                        "   _Entity.Sf_category entity\n"
                                        "   _Entity.Name 'chain loop_ A'\n"
                                        "   _Entity.Polymer_type polypeptide(L)\n"
                                        "   loop_\n"
                                        "      _Entity_poly_seq.Mon_ID\n"
                                        "      _Entity_poly_seq.Num\n"
                                        "      gly 1 SER 2\n"
                                        "save_\n"
                                        "save_b\n"
                                        "   _Entity.Sf_category entity\n"
                                        "   _Entity.Polymer_seq_one_letter_code W\n"
                                        "save_\n");
    StarEntry e = readstar(f);
    EXPECT_EQ(e.frames, 3);
    EXPECT_FALSE(e.shiftloop);
    ASSERT_EQ(e.proteins.size(), 2u);
    EXPECT_EQ(e.proteins[0].name, "chain loop_ A");
    EXPECT_EQ(e.proteins[0].residues, (Names{"GLY", "SER"}));
    EXPECT_EQ(e.proteins[0].source, "_Entity_poly_seq.Mon_ID");
    EXPECT_EQ(e.proteins[1].residues, (Names{"TRP"}));
}

TEST(NmrStar, SequenceCheckAgainstTheMolecule) {
    std::string entry = testutil::example("bmr17769_ubiquitin.str");
    testutil::molecule("ubiquitin.fasta");
    EXPECT_EQ(testutil::captured([&] { checkstarsequence(entry); }), "");
    std::string ci2 =
        testutil::captured([&] { checkstarsequence(testutil::example("bmr4974_ci2.str")); });
    EXPECT_TRUE(has(ci2, "(64 residues) differs from the molecule's (76 residues)")) << ci2;
    EXPECT_TRUE(has(ci2, "and ")) << "long differences are cut: " << ci2;
}

}  // namespace
