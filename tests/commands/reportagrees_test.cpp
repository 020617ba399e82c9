// Reports of stored labelings: the residue table of a hand-written one, and
// for a fresh design the agreement of what the terminal says with what every
// report says: the verdict line's counts and the report file's, the peaks of
// the residue table printed after the run, of showlabel, of showpairs and of
// the report.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <regex>

#include "testutil.h"

namespace {

using testutil::has;
using testutil::numbers;
using testutil::run;
using Numbers = std::vector<long>;

const char* const kTable = "Max: *([0-9]+) Samples *([0-9]+) Total # Peaks *([0-9]+)";

// A design made with the ban aims at the pairs it counts: five samples
// resolve every one of ubiquitin's 21 in both models, rather than some of
// them and banned pairs in their place.
TEST(ReportAgrees, WithTheTerminalForEveryAnalysisAndModel) {
    testutil::SmallBudget small;
    testhooks.annealsteps = 300000;
    testutil::molecule("ubiquitin.fasta");
    const std::string file = ::testing::TempDir() + std::to_string(getpid()) + "_agrees.html";
    struct Case {
        const char* spectra;
        bool ban;  // the option noban turns the ban of ASP, ASN, GLU, GLN and PRO on
    } cases[] = {{"hnco", false}, {"hnco", true}, {"hsqc+hnco", false}, {"hsqc+hnco", true}};
    std::map<std::string, long> uniquepairs;  // by case
    for (const Case& c : cases) {
        const std::string what = std::string(c.spectra) + (c.ban ? " noban" : "");
        std::vector<std::string> words = {"iterations=0", "seedvar=3", "cutoff=5",
                                          std::string("spectra=") + c.spectra};
        if (c.ban) words.push_back("noban");
        std::string design = run("countuniquepairs", words);
        Numbers verdict = numbers(design, "Labeling 1 resolves ([0-9]+) of ([0-9]+) unique pairs");
        ASSERT_EQ(verdict.size(), 2u) << what << design;
        uniquepairs[what] = verdict[1];
        if (c.ban) {
            EXPECT_EQ(verdict, (Numbers{21, 21})) << what;
        }

        Numbers table = numbers(design, kTable);
        ASSERT_EQ(table.size(), 3u) << what;
        EXPECT_EQ(numbers(run("showlabel", {"rank=1"}), kTable), table) << what;
        Numbers summary =
            numbers(run("showpairs", {"rank=1"}),
                    "Maximal number of peaks in a single sample *([0-9]+) Number of peaks *"
                    "([0-9]+)Total number of samples *([0-9]+)");
        EXPECT_EQ(summary, (Numbers{table[0], table[2], table[1]})) << what;

        ASSERT_FALSE(has(run("writereport", {"file=" + file}), "***")) << what;
        std::string page = testutil::slurp(file);
        EXPECT_EQ(numbers(page, "id=\"count-unique\">([0-9]+)<"), Numbers{verdict[1]}) << what;
        EXPECT_EQ(numbers(page, "id=\"count-resolved\">([0-9]+)<"), Numbers{verdict[0]}) << what;
        EXPECT_EQ(numbers(page, "id=\"count-total-peaks\">([0-9]+)<"), Numbers{table[2]}) << what;
        int most = 0;
        std::regex peaks("[0-9]+: ([0-9]+)");
        std::string row = page.substr(page.find("id=\"count-peaks\">"));
        row = row.substr(0, row.find("</td>"));
        for (auto it = std::sregex_iterator(row.begin(), row.end(), peaks);
             it != std::sregex_iterator(); ++it)
            most = std::max(most, std::stoi((*it)[1]));
        EXPECT_EQ(most, table[0]) << what;
        EXPECT_TRUE(has(page, c.ban ? "ASP, ASN, GLU, GLN or PRO left out" : "every residue type"))
            << what;
    }
    // The ban takes pairs away, in both models alike.
    EXPECT_LT(uniquepairs["hnco noban"], uniquepairs["hnco"]);
    EXPECT_EQ(uniquepairs["hsqc+hnco noban"], uniquepairs["hnco noban"]);
    EXPECT_EQ(uniquepairs["hsqc+hnco"], uniquepairs["hnco"]);
    std::remove(file.c_str());
}

// A hand-written labeling on ALA GLY SER LEU ALA GLY: GLY-SER in sample 1,
// SER-LEU in sample 2, LEU-ALA in both. Sample 1 labels GLY and LEU with 13C
// and SER and ALA with 15N, so ALA-GLY (twice in the sequence) shows in no
// sample, and LEU-ALA shows where its own entry put it. The codes of an
// HNCO labeling are its sample masks, with no legend.
TEST(ShowLabel, ResidueTableAndCodeBookOfAStoredLabeling) {
    testutil::molecule("ALA GLY SER LEU ALA GLY");
    labdata.ilabelsize.fill(0);
    std::string f = testutil::writefile(
        "hand.lab", "    9   17    1\n   17   12    2\n   12    1    3\n    0    0    0\n");
    run("readlabel", {"filename=" + f});
    EXPECT_EQ(run("showlabel", {"rank=1"}),
              "AA# Name Marker AAScore Paired with Labelpattern\n"
              "  1 ALA       0 2\n"
              "  2 GLY       0 1   SER   X_________\n"
              "  3 SER       0 1   LEU   _X________\n"
              "  4 LEU       0 1   ALA   XX________\n"
              "  5 ALA       0 2\n"
              "  6 GLY       0 0\n"
              "Max:  2 Samples  2 Total # Peaks  4\n"
              "Occ.  :211120\n"
              "Ass.  :_XXX__\n"
              "Seq.  :AGSLAG\n"
              "Smpl 1:_X_X__\n"
              "Smpl 2:__XX__\n");
    EXPECT_EQ(
        run("showcodes", {}),
        "Code book of labeling 1: HNCO, 2 samples\n"
        "Code  Pair        Residues    Note\n"
        "_X    SER  LEU    4           unique\n"
        "X_    GLY  SER    3           unique\n"
        "XX    LEU  ALA    5           unique\n"
        "__    ALA  GLY    2 6         not seen\n"
        "Codes: 3 seen, 0 shared by several pairs; residues told apart: 3; pairs not seen: 1.\n");
    // An empty slot shows the sequence with nothing assigned.
    std::string empty = run("showlabel", {"rank=2"});
    EXPECT_TRUE(has(empty, "Max:  0 Samples  0 Total # Peaks  0\nOcc.  :211120\nAss.  :______\n"))
        << empty;
    for (const char* rank : {"rank=0", "rank=6", "rank=-3"})
        EXPECT_TRUE(has(run("showlabel", {rank}), "*** ERROR: Labeling")) << rank;
}

}  // namespace
