// Sequence, library, shift and peak files at the edges: extreme numbers,
// long lines, a failed library read while a molecule exists, many lines that
// are skipped without a message.
#include <gtest/gtest.h>

#include <regex>

#include "kemlang/print.h"
#include "molecule/molecule.h"
#include "testutil.h"

namespace {

using testutil::has;
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
            EXPECT_FALSE(has(out, "ERROR")) << c.name << out;
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
        EXPECT_TRUE(has(out, "*** ERROR: ")) << text;
        EXPECT_EQ(kemradata.naa(), naa) << text;
        EXPECT_EQ(kemradata.nr, 2) << text;
        EXPECT_EQ(kemradata.res[kemradata.irlib[1]].name, "MET") << text;
        EXPECT_EQ(kemradata.na, na) << text;
    }
    // Blank lines of tabs or a carriage return are blank.
    testutil::molecule("MET GLN");
    std::string out = run("read", {"lib", testutil::writefile("blank.lib", "\t\n\r\n \t \r\n")});
    EXPECT_FALSE(has(out, "ERROR")) << out;
}

// Every skipped line used to leave its unprinted message's arguments in the
// store; the 27th ended the program.
TEST(SkippedLines, LeaveNoArgumentsBehind) {
    const std::string xpkhead =
        "label dataset sw sf\nH1 N15\nx.nv\n{12.0 } {32.0 }\n{600.1 } {60.8 }\n"
        " H1.L H1.P H1.W H1.B H1.E H1.J H1.U N15.L N15.P N15.W N15.B N15.E N15.J N15.U vol "
        "int stat comment flag0\n";
    struct {
        const char* what;
        std::string file, line, option;  // line: "#" becomes the line number
    } cases[] = {
        {"residue the molecule lacks", "x.prot", "# 4.0 . HA 2", "unknown=skip"},
        {"unassigned shift", "u.prot", "# 999.0 . HA 2", ""},
        {"unassigned shift of an unknown atom", "v.prot", "# 999.0 . HZ 1", "unknown=error"},
        {"unknown atom", "a.prot", "# 4.0 . HZ 1", "unknown=skip"},
        {"unreadable line", "b.prot", "# 4.x . HA 1", "unknown=skip"},
        {"unknown peak atom", "p.xpk",
         "# {1.HZ} 8.4 0.02 0.04 ++ 0.0 {} {1.N} 109.5 0.2 0.3 ++ 0.0 {} 1e6 3e4 0 {} 0",
         "unknown=skip"},
    };
    for (const auto& c : cases) {
        testutil::molecule("MET\n");  // a one-residue sequence text
        std::string text = c.file.ends_with(".xpk") ? xpkhead : "";
        for (int i = 1; i <= 100; ++i)
            text += std::regex_replace(c.line, std::regex("#"), std::to_string(i)) + "\n";
        std::vector<std::string> words;
        if (c.file.ends_with(".prot")) words.push_back("prot");
        words.push_back(testutil::writefile(c.file, text));
        if (!c.option.empty()) words.push_back(c.option);
        std::string out = run("read", words);
        EXPECT_FALSE(has(out, "*** ")) << c.what << "\n" << out;
        // The next message still prints its own values.
        out = testutil::captured(
            [] { errmsg("after " + intp(7) + " " + strq("x") + " " + realf(2.5, 0, 2)); });
        EXPECT_EQ(out, "*** ERROR: after 7 \"x\" 2.50\n") << c.what;
    }
}

}  // namespace
