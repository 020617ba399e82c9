// Peak lists in the XEASY and NMRView layouts: real-looking files and the
// messages for lines and headers that cannot be used.
#include "molecule/peaklist.h"

#include <gtest/gtest.h>

#include "testutil.h"

namespace {

using testutil::atom;
using testutil::example;
using testutil::has;
using testutil::molecule;
using testutil::run;
using testutil::writefile;

// Peak index (1..npeaks) of the peak numbered num in its file, in list k.
int peak(int num, int k = 1) {
    for (int p = 1; p <= kemradata.npeaks; ++p)
        if (kemradata.ipkl[p] == k && kemradata.ipnum[p] == num) return p;
    return 0;
}

TEST(PeakLists, UbiquitinHsqcInBothLayouts) {
    struct Case {
        const char* file;
        int first, unassigned;  // file numbers of a peak of GLN 2 and an unassigned one
        const char* summary;
    } cases[] = {
        {"ubiquitin_hsqc.peaks", 1, 73, "read, 74 peaks, 72 assignments."},
        {"ubiquitin_hsqc.xpk", 0, 72, "read, 73 peaks, 72 assignments."},  // one deleted
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        testutil::withshifts("ubiquitin");
        std::string out = run("read", {example(c.file)});
        EXPECT_TRUE(has(out, c.summary)) << out;
        EXPECT_FALSE(has(out, "Total:")) << out;
        EXPECT_EQ(kemradata.ndim[1], 2);
        int p = peak(c.first), q = peak(c.unassigned);
        ASSERT_GT(p, 0);
        ASSERT_GT(q, 0);
        EXPECT_DOUBLE_EQ(kemradata.ppm[p][0], 8.900);
        EXPECT_DOUBLE_EQ(kemradata.ppm[p][1], 123.220);
        EXPECT_DOUBLE_EQ(kemradata.ppm[p][2], kNoShift);
        EXPECT_EQ(kemradata.ipa[p][0], atom(2, "H"));
        EXPECT_EQ(kemradata.ipa[p][1], atom(2, "N"));
        EXPECT_DOUBLE_EQ(kemradata.ppm[q][0], 7.490);
        EXPECT_DOUBLE_EQ(kemradata.ppm[q][1], 112.710);
        EXPECT_EQ(kemradata.ipa[q][0], 0);
        EXPECT_EQ(kemradata.ipa[q][1], 0);
    }
}

// ALA 1, GLY 2, SER 3 with amide shifts numbered 1 to 4 as an XEASY list.
const char* kShifts = "1 8.25 . H 2\n2 109.0 . N 2\n3 8.10 . H 3\n4 116.5 . N 3\n";
const char* kXeasyHead = "# Number of dimensions 2\n#INAME 1 HN\n#INAME 2 N\n";
const char* kXpkHead =
    "label dataset sw sf\nHN N\nt.nv\n{10.0 } {30.0 }\n{600.0 } {60.8 }\n"
    " HN.L HN.P HN.W HN.B HN.E HN.J HN.U N.L N.P N.W N.B N.E N.J N.U vol int stat comment "
    "flag0\n";

std::string xpkline(int id, const std::string& h, double ph, const std::string& n, double pn) {
    return std::to_string(id) + " {" + h + "} " + std::to_string(ph) + " 0.02 0.03 ++ 0.0 {} {" +
           n + "} " + std::to_string(pn) + " 0.2 0.3 ++ 0.0 {} 1.0e5 2.0e3 0 {} 0\n";
}

TEST(PeakLists, BadLinesFollowTheUnknownMode) {
    struct Case {
        const char *ext, *text, *msg;
    } cases[] = {
        {"peaks", "    2   8.1x5 116.50 1 U 1.0E+05 0.0E+00 e 0 3 4 0\n", "Cannot read line 5 of "},
        {"peaks", "    2   8.100 116.50 1 U 1.0E+05 0.0E+00 e 0 3\n", "Cannot read line 5 of "},
        {"peaks", "    2   8.100 116.50 1 U 1.0E+05 0.0E+00 e 0 3 99 0\n",
         "Assignment of peak 2 not found in chemical shift list."},
        {"xpk", "1 {3.HZ} 8.10 0.02 0.03 ++ 0.0 {} {3.N} 116.5 0.2 0.3 ++ 0.0 {} 1e5 2e3 0 {} 0\n",
         "Unknown atom \"3.HZ\" in line 8 of "},
        {"xpk", "1 {3.HN} 8.10 0.02\n", "Cannot read line 8 of "},
    };
    for (const Case& c : cases) {
        std::string ext = c.ext;
        std::string text =
            ext == "peaks"
                ? std::string(kXeasyHead) + "    1   8.250 109.00 1 U 1.0E+05 0.0E+00 e 0 1 2 0\n" +
                      c.text
                : std::string(kXpkHead) + xpkline(0, "2.HN", 8.25, "2.N", 109.0) + c.text;
        std::string f = writefile("bad." + ext, text);
        for (std::string mode : {"error", "warning", "skip"}) {
            SCOPED_TRACE(std::string(c.text) + mode);
            molecule("ALA GLY SER");
            run("read", {"prot", writefile("amide.prot", kShifts)});
            std::string out = run("read", {f, "unknown=" + mode});
            std::string msg = c.msg;
            if (msg.ends_with(" of ")) msg += "\"" + f + "\"";  // the message names the file
            EXPECT_EQ(has(out, "*** ERROR: " + msg), mode == "error") << out;
            EXPECT_EQ(has(out, "*** WARNING: " + msg), mode == "warning") << out;
            EXPECT_EQ(kemradata.npeaks, mode == "error" ? 0 : has(c.msg, "Cannot") ? 1 : 2);
            EXPECT_EQ(has(out, "Peak list"), mode != "error") << out;
        }
    }
}

TEST(PeakLists, HeadersAndAssignmentsThatDoNotFit) {
    struct Case {
        const char *ext, *text, *msg;
    } cases[] = {
        {"peaks", "    1   8.250 109.00 1 U 1.0E+05 0.0E+00 e 0 1 2 0\n",
         "*** ERROR: Cannot guess peak list format."},
        {"peaks", "# Number of dimensions 5\n", "*** ERROR: Illegal number of dimensions."},
        {"xpk", "label dataset sw sf\nH N C CA CB\nx\n{1} {1} {1} {1} {1}\n{1} {1} {1} {1} {1}\n",
         "*** ERROR: Illegal number of dimensions."},
        // the amide nitrogen given for the proton dimension
        {"peaks",
         "# Number of dimensions 2\n#INAME 1 HN\n#INAME 2 N\n"
         "    1   8.250 109.00 1 U 1.0E+05 0.0E+00 e 0 2 2 0\n",
         "*** WARNING: Inconsistent assignment for peak 1: atom \"N GLY 2\" in dimension 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        molecule("ALA GLY SER");
        run("read", {"prot", writefile("amide.prot", kShifts)});
        std::string out = run("read", {writefile("head." + std::string(c.ext), c.text)});
        EXPECT_TRUE(has(out, c.msg)) << out;
    }
    EXPECT_EQ(kemradata.npeaks, 1);  // the inconsistent dimension is left unassigned
    EXPECT_EQ(kemradata.ipa[1][0], 0);
    EXPECT_EQ(kemradata.ipa[1][1], atom(2, "N"));
    // An alternative assignment on a line of its own is skipped.
    molecule("ALA GLY SER");
    run("read", {"prot", writefile("amide.prot", kShifts)});
    std::string out =
        run("read",
            {writefile("alt.peaks", std::string(kXeasyHead) + "    1   8.250 109.00 1 U 1.0E+05 "
                                                              "0.0E+00 e 0 1 2 0\n"
                                                              "                   3     4 0\n")});
    EXPECT_TRUE(has(out, "read, 1 peak, 1 assignment.")) << out;
    EXPECT_EQ(kemradata.ipa[1][0], atom(2, "H"));
}

TEST(PeakLists, NucleusOfDimensionLabels) {
    struct Case {
        const char* label;
        char nucleus;
    } cases[] = {{"H1", 'H'},  {"HN", 'H'}, {"1H", 'H'},  {"N15", 'N'}, {"15N", 'N'},
                 {"C13", 'C'}, {"CA", 'C'}, {"P31", ' '}, {"", ' '},    {"123", ' '}};
    for (const Case& c : cases) EXPECT_EQ(nucleus(c.label), c.nucleus) << c.label;
}

}  // namespace
