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

using testutil::run;

// The integers of the first match of pattern, one per group (empty: no match).
std::vector<int> numbers(const std::string& text, const std::string& pattern) {
    std::smatch m;
    std::vector<int> v;
    if (std::regex_search(text, m, std::regex(pattern)))
        for (size_t i = 1; i < m.size(); ++i) v.push_back(std::stoi(m[i]));
    return v;
}

const char* const kTable = "Max: *([0-9]+) Samples *([0-9]+) Total # Peaks *([0-9]+)";

TEST(ReportAgrees, WithTheTerminalForEveryAnalysisAndModel) {
    testutil::SmallBudget small;
    testutil::molecule("ubiquitin.fasta");
    const std::string file = ::testing::TempDir() + std::to_string(getpid()) + "_agrees.html";
    struct Case {
        const char* spectra;
        bool ban;  // the option noban turns the ban of ASP, ASN, GLU, GLN and PRO on
    } cases[] = {{"hnco", false}, {"hnco", true}, {"hsqc+hnco", false}, {"hsqc+hnco", true}};
    std::map<std::string, int> uniquepairs, resolved;  // by case
    for (const Case& c : cases) {
        const std::string what = std::string(c.spectra) + (c.ban ? " noban" : "");
        std::vector<std::string> words = {"iterations=0", "seedvar=3", "cutoff=5",
                                          std::string("spectra=") + c.spectra};
        if (c.ban) words.push_back("noban");
        std::string design = run("countuniquepairs", words);
        std::vector<int> verdict =
            numbers(design, "Labeling 1 resolves ([0-9]+) of ([0-9]+) unique pairs");
        ASSERT_EQ(verdict.size(), 2u) << what << design;
        uniquepairs[what] = verdict[1];
        resolved[what] = verdict[0];

        std::vector<int> table = numbers(design, kTable);
        ASSERT_EQ(table.size(), 3u) << what;
        EXPECT_EQ(numbers(run("showlabel", {"rank=1"}), kTable), table) << what;
        std::vector<int> summary =
            numbers(run("showpairs", {"rank=1"}),
                    "Maximal number of peaks in a single sample *([0-9]+) Number of peaks *"
                    "([0-9]+)Total number of samples *([0-9]+)");
        EXPECT_EQ(summary, (std::vector<int>{table[0], table[2], table[1]})) << what;

        ASSERT_EQ(run("writereport", {"file=" + file}).find("***"), std::string::npos) << what;
        std::string page = testutil::slurp(file);
        EXPECT_EQ(numbers(page, "id=\"count-unique\">([0-9]+)<"), std::vector<int>{verdict[1]})
            << what;
        EXPECT_EQ(numbers(page, "id=\"count-resolved\">([0-9]+)<"), std::vector<int>{verdict[0]})
            << what;
        EXPECT_EQ(numbers(page, "id=\"count-total-peaks\">([0-9]+)<"), std::vector<int>{table[2]})
            << what;
        int most = 0;
        std::regex peaks("[0-9]+: ([0-9]+)");
        std::string row = page.substr(page.find("id=\"count-peaks\">"));
        row = row.substr(0, row.find("</td>"));
        for (auto it = std::sregex_iterator(row.begin(), row.end(), peaks);
             it != std::sregex_iterator(); ++it)
            most = std::max(most, std::stoi((*it)[1]));
        EXPECT_EQ(most, table[0]) << what;
        EXPECT_NE(page.find(c.ban ? "ASP, ASN, GLU, GLN or PRO left out" : "every residue type"),
                  std::string::npos)
            << what;
    }
    // The ban takes pairs away, in both models alike.
    EXPECT_LT(uniquepairs["hnco noban"], uniquepairs["hnco"]);
    EXPECT_EQ(uniquepairs["hsqc+hnco noban"], uniquepairs["hnco noban"]);
    EXPECT_EQ(uniquepairs["hsqc+hnco"], uniquepairs["hnco"]);
    std::remove(file.c_str());
}

// A design made with the ban aims at the pairs it counts: five samples
// resolve every one of ubiquitin's 21 in both models, rather than some of
// them and banned pairs in their place.
TEST(ReportAgrees, BannedDesignResolvesItsOwnPairs) {
    testutil::SmallBudget small;
    testhooks.annealsteps = 300000;
    testutil::molecule("ubiquitin.fasta");
    for (const char* spectra : {"hnco", "hsqc+hnco"}) {
        std::string design = run("countuniquepairs", {"iterations=0", "seedvar=3", "cutoff=5",
                                                      "noban", std::string("spectra=") + spectra});
        EXPECT_EQ(numbers(design, "Labeling 1 resolves ([0-9]+) of ([0-9]+) unique pairs"),
                  (std::vector<int>{21, 21}))
            << spectra;
    }
}

// A hand-written labeling on ALA GLY SER LEU ALA GLY: GLY-SER in sample 1,
// SER-LEU in sample 2, LEU-ALA in both. Sample 1 labels GLY and LEU with 13C
// and SER and ALA with 15N, so ALA-GLY (twice in the sequence) shows in no
// sample, and LEU-ALA shows where its own entry put it.
TEST(ShowLabel, ResidueTableOfAStoredLabeling) {
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
    // An empty slot shows the sequence with nothing assigned.
    std::string empty = run("showlabel", {"rank=2"});
    EXPECT_NE(empty.find("Max:  0 Samples  0 Total # Peaks  0\nOcc.  :211120\nAss.  :______\n"),
              std::string::npos)
        << empty;
    for (const char* rank : {"rank=0", "rank=6", "rank=-3"})
        EXPECT_NE(run("showlabel", {rank}).find("*** ERROR: Labeling"), std::string::npos) << rank;
}

}  // namespace
