// The scoring commands: a set-up with no atoms, the parameter file, the
// local score file's name, and the installation self-check.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "scoring/score.h"
#include "testutil.h"

namespace {

using testutil::has;
using testutil::molecule;
using testutil::run;
using testutil::slurp;
using testutil::writefile;

// ALA 1, GLY 2, SER 3, LYS 4 with amide shifts (no deviations), and an HSQC
// with GLY 2 exact, SER 3 0.03 ppm off in H (one tolerance), LYS 4 exact and
// a noise peak.
const char* kShifts =
    "1 8.30 . H 1\n2 125.0 . N 1\n3 8.50 . H 2\n4 109.0 . N 2\n"
    "5 8.10 . H 3\n6 116.0 . N 3\n7 7.70 . H 4\n8 122.0 . N 4\n";
const char* kPeaks =
    "# Number of dimensions 2\n#INAME 1 HN\n#INAME 2 N\n"
    "    1   8.500 109.000 1 U 1.0E+06 0.0E+00 e 0 0 0 0\n"
    "    2   8.130 116.000 1 U 1.0E+06 0.0E+00 e 0 0 0 0\n"
    "    3   7.700 122.000 1 U 1.0E+06 0.0E+00 e 0 0 0 0\n"
    "    4   9.500 130.000 1 U 1.0E+06 0.0E+00 e 0 0 0 0\n";

void tetrapeptide() {
    molecule("ALA GLY SER LYS");
    run("read", {"prot", writefile("amide4.prot", kShifts)});
    run("read", {writefile("hsqc4.peaks", kPeaks)});
}

// No atoms: reachable only below the command, which needs a molecule.
TEST(ScoreCommand, NoAtomsIsRefused) {
    tetrapeptide();
    KemraData d = kemradata;
    d.na = 0;
    ScoreSetup s;
    std::string out = testutil::captured([&] { EXPECT_FALSE(preparescore(d, "", s)); });
    EXPECT_TRUE(has(out, "*** ERROR: No atoms loaded")) << out;
}

TEST(ScoreCommand, ParameterFileWidensTheWindows) {
    tetrapeptide();
    ScoreSetup s;
    std::string par =
        writefile("param.txt", "# wider windows\ntolerance HN 0.5\ntolerance N 2.0\nwithin 3\n");
    std::string out = testutil::captured([&] { EXPECT_TRUE(preparescore(kemradata, par, s)); });
    EXPECT_TRUE(has(out, "Parameter file \"" + par + "\" read.")) << out;
    EXPECT_DOUBLE_EQ(s.spectra[1].tol[0], 0.5);
    EXPECT_DOUBLE_EQ(s.par.within, 3.0);
    // Windows of 1.5 ppm in H and 6 ppm in N: the SER 3 peak (8.13, 116.0)
    // now also fits LYS 4 (7.70, 122.0), not GLY 2 (8.50, 109.0).
    EXPECT_EQ(s.degeneracy[2], 2);
    EXPECT_EQ(s.degeneracy[1], 1);
    par = writefile("param2.txt", "tolerance X 0.5\n");
    out = testutil::captured([&] { EXPECT_FALSE(preparescore(kemradata, par, s)); });
    EXPECT_TRUE(has(out, "*** ERROR: Cannot read line 1 of")) << out;
}

TEST(ScoreCommand, LocalScoreFileName) {
    struct Case {
        const char *in, *out;
    } cases[] = {{"ass.txt", "ass_s.txt"},
                 {"run1.ass.txt", "run1_s.txt"},
                 {"assignment", "_s.txt"},
                 {"", "_s.txt"}};
    for (const Case& c : cases) EXPECT_EQ(localscorename(c.in), c.out) << c.in;
}

// A copy of the installation tree for this process, changed by edit.
std::string sharecopy(const std::string& name,
                      const std::function<void(const std::string&)>& edit) {
    namespace fs = std::filesystem;
    std::string dir = testutil::tmppath(name);
    fs::remove_all(dir);
    fs::copy(QUILTER_SOURCE_SHARE, dir, fs::copy_options::recursive);
    edit(dir);
    return dir;
}

TEST(TestQuilter, ReportsEveryCheckAndWhatIsWrong) {
    namespace fs = std::filesystem;
    struct Case {
        const char* name;
        std::function<void(const std::string&)> edit;
        std::vector<std::string> lines;  // expected in the output, in order
    } cases[] = {
        {"nohelp",
         [](const std::string& d) { fs::remove(d + "/help/kemra/showrecipe.hlp"); },
         {"residue library:  ok", "help files:       missing \"showrecipe.hlp\"",
          "design:           ok", "*** ERROR: 1 of 4 checks failed."}},
        // ALA's PSI renamed PHI: two angles of one name.
        {"duplicate",
         [](const std::string& d) {
             std::string lib = d + "/lib/standard.lib";
             std::string text = slurp(lib);
             size_t psi = text.find("   2 PSI", text.find("RESIDUE   ALA"));
             text.replace(psi, 8, "   2 PHI");
             std::ofstream(lib) << text;
         },
         {"residue library:  library check: *** ERROR: Duplicate angle name \"PHI\" in residue "
          "\"ALA\".",
          "help files:       ok", "design:           ok", "1 of 4 checks failed."}},
        {"nolib",
         [](const std::string& d) { fs::remove(d + "/lib/standard.lib"); },
         {"residue library:  library file \"", "standard.lib\" not found",
          "design:           no library to design with", "2 of 4 checks failed."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        molecule("ALA GLY SER LYS");
        int atoms = kemradata.na;
        std::string dir = sharecopy(c.name, c.edit);
        kemradata.libdir = dir;
        std::string out = run("test_quilter", {});
        size_t at = 0;
        for (const std::string& line : c.lines) {
            size_t next = out.find(line, at);
            EXPECT_NE(next, std::string::npos) << line << "\n" << out;
            if (next != std::string::npos) at = next;
        }
        EXPECT_EQ(haverr(), c.lines.back().find("failed") != std::string::npos);
        // The session's data are left as they were.
        EXPECT_EQ(kemradata.nr, 4);
        EXPECT_EQ(kemradata.na, atoms);
        EXPECT_EQ(kemradata.libdir, dir);
        fs::remove_all(dir);
    }
}

}  // namespace
