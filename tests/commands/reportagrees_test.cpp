// Reports of a fresh design: the agreement of what the terminal says with
// what every report says: the verdict line's counts and the report file's,
// the peaks of the residue table printed after the run, of showlabel, of
// showpairs and of the report.
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
    const std::string file = testutil::tmppath("agrees.html");
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

}  // namespace
