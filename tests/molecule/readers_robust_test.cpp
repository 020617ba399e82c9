// Sequence and library files at the edges: extreme numbers, long lines, a
// failed library read while a molecule exists.
#include <gtest/gtest.h>

#include "molecule/molecule.h"
#include "testutil.h"

namespace {

using testutil::run;

std::string repeat(const std::string& s, int n) {
    std::string r;
    for (int i = 0; i < n; ++i) r += s;
    return r;
}

TEST(SequenceFiles, ExtremeNumbersAndLongLines) {
    struct {
        std::string name, text;
        int residues;  // 0: refused
        std::string out;
    } cases[] = {
        {"max.seq", "ALA 2147483647\n", 1, ""},
        {"over.seq", "ALA 2147483647 GLY\n", 0,
         "*** ERROR: Cannot read line 1:\n           ALA 2147483647 GLY\n"},
        {"dup.seq", "ALA 5 GLY 7 SER 5\n", 0, "*** ERROR: Duplicate residue number 5.\n"},
        {"wide.seq", repeat("ALA ", 300) + "\n", 300, ""},
        {"long.fasta", ">x\n" + repeat("MQ", 50001) + "\n", 100002, ""},
        {"pct.seq", "ALA %9999999999d\n", 0, "*** ERROR: Illegal residue type \"%9999\".\n"},
    };
    for (const auto& c : cases) {
        testutil::molecule("ALA");
        std::string file = testutil::writefile(c.name, c.text);
        std::string out = run("read", {"seq", file});
        EXPECT_EQ(kemradata.nr, c.residues) << c.name;
        if (c.residues == 0)
            EXPECT_EQ(out, c.out) << c.name;
        else
            EXPECT_EQ(out.find("ERROR"), std::string::npos) << c.name << out;
    }
}

TEST(LibraryFiles, AFailedReadKeepsTheLibraryTheMoleculeUses) {
    const std::string bad[] = {
        "ATOMTYPES 1\n 1 C 1.7 0 6\nRESIDUE X 0 1 1 1\n 1 CA Q 0 0 0 0 0\n",
        "RESIDUE X 0 2000000000 1 1\n",
        "RESIDUE X 0 2 -5 2\n",
        "RESIDUE X 0 2 1 9\n",
        "ATOMTYPES %9999999999d\n",
    };
    for (const std::string& text : bad) {
        testutil::molecule("MET GLN");
        const int naa = kemradata.naa(), na = kemradata.na;
        std::string out = run("read", {"lib", testutil::writefile("bad.lib", text)});
        EXPECT_NE(out.find("*** ERROR: "), std::string::npos) << text;
        EXPECT_EQ(kemradata.naa(), naa) << text;
        EXPECT_EQ(kemradata.nr, 2) << text;
        EXPECT_EQ(kemradata.res[kemradata.irlib[1]].name, "MET") << text;
        EXPECT_EQ(kemradata.na, na) << text;
    }
    // Blank lines of tabs or a carriage return are blank.
    testutil::molecule("MET GLN");
    std::string out = run("read", {"lib", testutil::writefile("blank.lib", "\t\n\r\n \t \r\n")});
    EXPECT_EQ(out.find("ERROR"), std::string::npos) << out;
}

}  // namespace
