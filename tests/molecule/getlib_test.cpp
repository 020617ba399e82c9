// Residue library reader and library check, driven by small library texts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "molecule/molecule.h"
#include "testutil.h"

namespace {

const std::string kTypes =
    "ATOMTYPES 4\n   1 H   1.00 1 1\n   2 C   1.70 0 6\n   3 N   1.55 2 7\n   4 Q   0.00 0 0\n";

// Overlap atoms carry the plain names of the neighbours' atoms here; the
// first angle uses digit pointers, the second names.
const std::string kGly =
    "RESIDUE GLY 2 8 2 7\n"
    "   1 PHI 0 0 0.0 1 2 3 4 0\n"
    "   2 PSI 0 0 0.0 N CA C +N\n"
    "   1 C   C 0 0.0 -0.70  0.60  1.00 N\n"
    "   2 N   N 0 0.0  0.00  0.00  0.00 -C CA\n"
    "   3 CA  C 0 0.0  1.46  0.00  0.00 N C HA1 HA2\n"
    "   4 C   C 0 0.0  2.00  1.40  0.00 CA +N\n"
    "   5 HA1 H 0 0.0  1.80 -0.50  0.90 CA 0 0 0 QA\n"
    "   6 HA2 H 0 0.0  1.80 -0.50 -0.90 CA 0 0 0 7\n"
    "   7 QA  Q 0 0.0  1.80 -0.50  0.00\n"
    "   8 N   N 0 0.0  1.40  2.30 -0.80 C\n";

bool readlib(const std::string& text, int unknown, std::string& out) {
    std::string path = testutil::writefile("getlib.lib", text);
    std::FILE* f = std::fopen(path.c_str(), "r");
    EXPECT_NE(f, nullptr);
    bool ok = false;
    out = testutil::captured([&] { ok = getlib(f, unknown); });
    std::fclose(f);
    return ok;
}

// The second line of a message that names the line it is about.
std::string at(int line, const std::string& text) {
    return "           Line " + std::to_string(line) + ": " + text + "\n";
}

std::string cannot(int line, const std::string& text) {
    return "*** ERROR: Cannot read line " + std::to_string(line) + ":\n" + std::string(11, ' ') +
           text + "\n";
}

double dist(const LibAtom& a, const LibAtom& b) {
    return std::hypot(a.coord[0] - b.coord[0], a.coord[1] - b.coord[1], a.coord[2] - b.coord[2]);
}

TEST(GetLib, ReadsTypesResiduesAndPointers) {
    struct Case {
        const char* header;
        double corr14;
    } cases[] = {
        {"ATOMTYPES 4\n", 0.0}, {"ATOMTYPES 4 0.50\n", 0.5}, {"ATOMTYPES 4 0.25D0\n", 0.25}};
    for (const Case& c : cases) {
        nulify();
        std::string text = c.header + kTypes.substr(kTypes.find('\n') + 1) + "# comment\n\n" +
                           kGly +
                           "RESIDUE ACE 0 2 1 2\n   1 C1 C 0 0.0 0 0 0 2\n\n"
                           "   2 O1 N 0 0.0 1.2 0 0 1\n";
        std::string out;
        ASSERT_TRUE(readlib(text, 0, out)) << out;
        EXPECT_EQ(out, "");
        EXPECT_DOUBLE_EQ(kemradata.corr14, c.corr14) << c.header;
        ASSERT_EQ(kemradata.nattyp(), 4);
        EXPECT_EQ(kemradata.atyp[3].name, "N");
        EXPECT_DOUBLE_EQ(kemradata.atyp[3].radius, 1.55);
        EXPECT_EQ(kemradata.atyp[3].hbond, 2);
        EXPECT_EQ(kemradata.atyp[3].element, 7);
        ASSERT_EQ(kemradata.naa(), 2);
        EXPECT_EQ(kemradata.maxat, 8);
        EXPECT_EQ(kemradata.maxdih, 2);
        const ResType& g = kemradata.res[1];
        EXPECT_EQ(g.name, "GLY");
        EXPECT_EQ(g.ifirat, 2);
        EXPECT_EQ(g.lasat, 7);
        EXPECT_EQ(g.dih[1].atoms, (std::array<int, 4>{1, 2, 3, 4}));
        EXPECT_EQ(g.dih[1].last, 0);
        EXPECT_EQ(g.dih[2].atoms, (std::array<int, 4>{2, 3, 4, 8}));
        // "C" is the atom of the residue proper, "-C"/"+N" the overlap atoms.
        EXPECT_EQ(g.at[1].icon, (std::array<int, 4>{2, 0, 0, 0}));
        EXPECT_EQ(g.at[2].icon, (std::array<int, 4>{1, 3, 0, 0}));
        EXPECT_EQ(g.at[3].icon, (std::array<int, 4>{2, 4, 5, 6}));
        EXPECT_EQ(g.at[4].icon, (std::array<int, 4>{3, 8, 0, 0}));
        EXPECT_EQ(g.at[5].ipatom, 7);
        EXPECT_EQ(g.at[6].ipatom, 7);
        EXPECT_EQ(g.at[3].type, 2);
        // Standard frame: first atom at the origin, third on +x, second in
        // the xy plane at positive y; distances kept.
        for (double x : g.at[1].coord) EXPECT_NEAR(x, 0.0, 1e-9);
        EXPECT_NEAR(g.at[3].coord[0], std::hypot(2.16, 0.6, 1.0), 1e-9);
        EXPECT_NEAR(g.at[3].coord[1], 0.0, 1e-9);
        EXPECT_NEAR(g.at[3].coord[2], 0.0, 1e-9);
        EXPECT_GT(g.at[2].coord[1], 0.0);
        EXPECT_NEAR(g.at[2].coord[2], 0.0, 1e-9);
        EXPECT_NEAR(dist(g.at[4], g.at[8]), std::hypot(0.6, 0.9, 0.8), 1e-9);
        EXPECT_EQ(kemradata.res[2].at[2].icon[0], 1);
    }
}

TEST(GetLib, KeywordIndentedByEightBlanksIsNotAKeyword) {
    struct Case {
        int indent;
        bool ok;
        int maxat;
    } cases[] = {{8, true, 8}, {12, true, 8}, {7, false, 0}};
    for (const Case& c : cases) {
        nulify();
        std::string out;
        bool ok =
            readlib(kTypes + kGly + std::string(c.indent, ' ') + "RESIDUE BIG 9 99 1 99\n", 0, out);
        EXPECT_EQ(ok, c.ok) << c.indent << out;
        EXPECT_EQ(kemradata.maxat, c.maxat) << c.indent;
    }
}

TEST(GetLib, BadLibraryIsReportedAndDropped) {
    struct Case {
        const char* text;
        std::string out;
    } cases[] = {
        {"ATOMTYPES 2\n   1 Z1 1.00 0 1\n   2 Z2 x.5 0 1\n", cannot(3, "   2 Z2 x.5 0 1")},
        {"ATOMTYPES two\n", cannot(1, "ATOMTYPES two")},
        {"ATOMTYPES 1 0.75\n   1 Z1 1.00 0 1\nRESIDUE ONE two 1 1 1\n",
         cannot(3, "RESIDUE ONE two 1 1 1")},
        {"RESIDUE ONE two 1 1 1\n", cannot(1, "RESIDUE ONE two 1 1 1")},
        {"RESIDUE ONE 0 1 1 1\n   1 CA C 0 0.0 1.0 2,0 0.0\n",
         cannot(2, "   1 CA C 0 0.0 1.0 2,0 0.0")},
        {"RESIDUE BIG 5 20 1 20\n   1 PHI 0 0 0.0 1 2\n", cannot(2, "   1 PHI 0 0 0.0 1 2")},
        {"RESIDUE ONE 0 1 1 1\n   1 CA CX 0 0.0 0 0 0\n",
         "*** ERROR: Illegal atom type \"CX\".\n" + at(2, "   1 CA CX 0 0.0 0 0 0")},
        {"ATOMTYPES 1\n   1 Z 1.0 0 1\nRESIDUE ONE 0 1 1 1\n   1 A Y 0 0.0 0 0 0\n",
         "*** ERROR: Illegal atom type \"Y\".\n" + at(4, "   1 A Y 0 0.0 0 0 0")},
        {"RESIDUE ONE 0 2 1 2\n   1 N N 0 0.0 0 0 0 -C\n   2 C C 0 0.0 1 0 0 1\n",
         "*** ERROR: Illegal atom pointer \"-C\".\n" + at(2, "   1 N N 0 0.0 0 0 0 -C")},
        {"RESIDUE ONE 0 2 1 2\n   1 N N 0 0.0 0 0 0 2\n   2 C C 0 0.0 1 0 0 3\n",
         "*** ERROR: Illegal atom pointer \"3\".\n" + at(3, "   2 C C 0 0.0 1 0 0 3")},
        {"RESIDUE ONE 1 2 1 2\n   1 CHI 0 0 0.0 N C CB N\n   1 N N 0 0.0 0 0 0 2\n"
         "   2 C C 0 0.0 1 0 0 1\n",
         "*** ERROR: Illegal atom pointer \"CB\".\n" + at(2, "   1 CHI 0 0 0.0 N C CB N")},
        {"RESIDUE ONE 0 2 1 2\n   1 H1 H 0 0.0 0 0 0 2 0 0 0 2\n   2 C C 0 0.0 1 0 0 1\n",
         "*** ERROR: Wrong pseudoatom pointer in residue \"ONE\".\n" +
             at(2, "   1 H1 H 0 0.0 0 0 0 2 0 0 0 2")},
    };
    for (const Case& c : cases) {
        nulify();
        std::string out;
        ASSERT_TRUE(readlib(kTypes + kGly, 0, out)) << out;
        const double corr14 = kemradata.corr14;
        EXPECT_FALSE(readlib(c.text, 0, out)) << c.text;
        EXPECT_EQ(kemradata.corr14, corr14) << c.text;
        EXPECT_EQ(out, c.out) << c.text;
        EXPECT_EQ(kemradata.naa(), 1) << c.text;
        EXPECT_EQ(kemradata.nattyp(), 4) << c.text;
        EXPECT_EQ(kemradata.maxat, 8) << c.text;
        EXPECT_EQ(kemradata.maxdih, 2) << c.text;
    }
}

TEST(GetLib, ShiftTable) {
    const std::string ca = "   2 GLY CA 3 45.1 1.5 50.0 40.0\n";
    struct Case {
        std::string table;
        int unknown;
        bool ok;
        std::string out;
    } cases[] = {
        {"CSTABLE 1\n" + ca, 0, true, ""},
        {"CSTABLE 1\n   2 GLY CA 3 45.1 1.5 40.0 50.0 7.0\n", 0, false,
         cannot(18, "   2 GLY CA 3 45.1 1.5 40.0 50.0 7.0")},
        {"CSTABLE 1\n   2 GLY CA 3 45.1 1.5 4O.0 50.0\n", 0, false,
         cannot(18, "   2 GLY CA 3 45.1 1.5 4O.0 50.0")},
        {"CSTABLE 2\n   1 XXX CA 0 1.0 1.0 0.0 2.0\n" + ca, 0, false,
         "*** ERROR: Illegal residue name \"XXX\" in chemical shift table.\n" +
             at(18, "   1 XXX CA 0 1.0 1.0 0.0 2.0")},
        {"CSTABLE 2\n   1 XXX CA 0 1.0 1.0 0.0 2.0\n" + ca, 1, true,
         "*** WARNING: Illegal residue name \"XXX\" in chemical shift table.\n"},
        {"CSTABLE 2\n   1 XXX CA 0 1.0 1.0 0.0 2.0\n" + ca, 2, true, ""},
        {"CSTABLE 2\n   1 GLY HB 0 1.0 1.0 0.0 2.0\n" + ca, 1, true,
         "*** WARNING: Illegal atom name \"HB\" for GLY in chemical shift table.\n"},
    };
    for (const Case& c : cases) {
        nulify();
        std::string out;
        EXPECT_EQ(readlib(kTypes + kGly + c.table, c.unknown, out), c.ok) << c.table;
        EXPECT_EQ(out, c.out) << c.table;
        if (!c.ok) {
            EXPECT_EQ(kemradata.naa(), 0);
            continue;
        }
        const LibAtom& a = kemradata.res[1].at[3];
        EXPECT_EQ(a.ncstab, 3);
        EXPECT_EQ(a.cstab, (std::array<double, 4>{45.1, 1.5, 40.0, 50.0}));
    }
}

// A residue of C atoms with digit pointers and the given angle lines.
std::string residue(const std::string& name, const std::vector<std::string>& angles,
                    const std::vector<std::string>& atoms) {
    std::string s = "RESIDUE " + name + " " + std::to_string(angles.size()) + " " +
                    std::to_string(atoms.size()) + " 2 " + std::to_string(atoms.size() - 1) + "\n";
    for (size_t j = 0; j < angles.size(); ++j)
        s += "   " + std::to_string(j + 1) + " " + angles[j] + "\n";
    for (size_t i = 0; i < atoms.size(); ++i)
        s += "   " + std::to_string(i + 1) + " " + atoms[i] + " C 0 0.0 " + std::to_string(i) +
             " " + std::to_string(i * i % 3) + " 0.0\n";
    return s;
}

TEST(LibChk, Findings) {
    const std::vector<std::string> bb = {"-C", "N", "CA", "C", "+N"};
    const std::vector<std::string> six = {"-C", "N", "CA", "CB", "C", "+N"};
    struct Case {
        std::string lib;
        int found;
        std::string out;
    } cases[] = {
        {residue("AAA", {"PHI 0 0 0.0 1 2 3 4", "PSI 0 0 0.0 2 3 4 5"}, bb) +
             residue("BBB", {}, bb),
         0, ""},
        {residue("AAA", {}, bb) + residue("AAA", {}, bb), 1,
         "*** ERROR: Duplicate residue name \"AAA\".\n"},
        {residue("AAA", {}, {"-C", "N", "CA", "CA", "+N"}), 1,
         "*** ERROR: Duplicate atom name \"CA\" in residue \"AAA\".\n"},
        {residue("AAA", {"PHI 0 0 0.0 1 2 3 4", "PHI 0 0 0.0 2 3 4 5"}, bb), 1,
         "*** ERROR: Duplicate angle name \"PHI\" in residue \"AAA\".\n"},
        {residue("AAA", {"PSI 0 0 0.0 2 3 4 5", "PHI 0 0 0.0 1 2 3 4"}, bb), 1,
         "*** ERROR: Angle \"PHI\" in residue \"AAA\" affects preceding angle(s).\n"},
        // The last moving atom bounds what an angle moves.
        {residue("AAA", {"A 0 0 0.0 2 3 5 6", "B 0 0 0.0 1 2 3 4 4"}, six), 0, ""},
        {residue("AAA", {"A 0 0 0.0 2 3 5 6", "B 0 0 0.0 1 2 3 4 0"}, six), 1,
         "*** ERROR: Angle \"B\" in residue \"AAA\" affects preceding angle(s).\n"},
    };
    for (const Case& c : cases) {
        nulify();
        std::string out;
        ASSERT_TRUE(readlib(kTypes + c.lib, 0, out)) << out << c.lib;
        int found = -1;
        out = testutil::captured([&] { found = libchk(); });
        EXPECT_EQ(found, c.found) << c.lib;
        EXPECT_EQ(out, c.out) << c.lib;
    }
}

}  // namespace
