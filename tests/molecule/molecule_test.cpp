// The shipped residue library and molecules built from real sequences.
#include <gtest/gtest.h>

#include "testutil.h"

int libchk();

namespace {

using testutil::has;
using testutil::molecule;
using testutil::run;

TEST(StandardLibrary, PassesTheCheckAndHasTheLabelingTypes) {
    molecule("ALA GLY");
    std::string out = testutil::captured([] { EXPECT_EQ(libchk(), 0); });
    EXPECT_EQ(out, "");
    const char* order[] = {"ALA", "ARG", "ASN", "ASP", "CYS", "CYSS", "GLN",
                           "GLU", "GLY", "HIS", "ILE", "LEU", "LYS",  "MET",
                           "PHE", "PRO", "SER", "THR", "TRP", "TYR",  "VAL"};
    ASSERT_EQ(kemradata.naa(), 21);
    for (int t = 1; t <= 21; ++t) {
        const ResType& r = kemradata.res[t];
        EXPECT_EQ(r.name, order[t - 1]);
        int c = 0, n = 0;
        for (int i = r.ifirat; i <= r.lasat; ++i) {
            c += r.at[i].name == "C" && r.at[i].type == 8;
            // Proline's ring nitrogen has no proton: no amide nitrogen.
            n += r.at[i].name == "N" && r.at[i].type == (r.name == "PRO" ? 16 : 11);
            if (r.at[i].cstab[0] != 0) {
                EXPECT_LT(r.at[i].cstab[2], r.at[i].cstab[3]);
            }
        }
        EXPECT_EQ(c, 1) << r.name;
        EXPECT_EQ(n, 1) << r.name;
    }
    EXPECT_EQ(kemradata.atyp[8].name, "C");
    EXPECT_EQ(kemradata.atyp[11].name, "N");
    EXPECT_EQ(kemradata.atyp[16].name, "N_IMI");
}

TEST(Sequences, RealProteinsFastaAndSequenceFilesAgree) {
    struct Case {
        const char* file;
        int residues;
    } cases[] = {
        {"ubiquitin.fasta", 76}, {"gb1.fasta", 56}, {"hewl.fasta", 129}, {"mbp.fasta", 370}};
    for (const Case& c : cases) {
        molecule(c.file);
        ASSERT_EQ(kemradata.nr, c.residues) << c.file;
        int atoms = 0;
        std::string names;
        for (int r = 1; r <= kemradata.nr; ++r) {
            const ResType& t = kemradata.res[kemradata.irlib[r]];
            EXPECT_EQ(kemradata.ifira[r + 1] - kemradata.ifira[r], t.lasat - t.ifirat + 1);
            atoms += t.lasat - t.ifirat + 1;
            names += kemradata.rnam[r] + "\n";
        }
        EXPECT_EQ(kemradata.na, atoms);
        std::vector<std::string> anam = kemradata.anam;
        molecule(names);
        EXPECT_EQ(kemradata.anam, anam) << c.file;
    }
    std::string f = testutil::writefile("bad.fasta", ">x\nMKZA\n");
    nulify();
    kemradata.libdir = QUILTER_SOURCE_SHARE;
    run("read", {"lib", "standard.lib"});
    std::string out = run("read", {f});
    EXPECT_TRUE(has(out, "Illegal residue letter \"Z\" at position 3")) << out;
}

// The action word fasta (or fa, faa) reads any file as FASTA; a name
// without extension gets the action's.
TEST(Sequences, TheFastaActionWord) {
    const std::string seq = ">t\nMKAGS\n";
    std::string txt = testutil::writefile("t.txt", seq), fa = testutil::writefile("t.fa", seq);
    std::string bare = fa.substr(0, fa.size() - 3);
    const std::vector<std::vector<std::string>> lines = {
        {"fasta", "file=" + txt}, {"fasta", txt}, {"fa", bare}, {"faa", txt}, {"seq", fa}};
    for (const auto& words : lines) {
        nulify();
        kemradata.libdir = QUILTER_SOURCE_SHARE;
        run("read", {"lib", "standard.lib"});
        std::string out = run("read", words);
        EXPECT_EQ(kemradata.nr, 5) << words[0] << " " << words[1] << "\n" << out;
    }
}

}  // namespace
