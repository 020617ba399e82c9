// The residue table of a schedule on the sequence and the summary line.
#include "labelio/reports.h"

#include <gtest/gtest.h>

#include "labelio/pairreports.h"
#include "testutil.h"

namespace {

using testutil::has;

TEST(Reports, ResidueTableNamesSamplesBeyondItsColumn) {
    testutil::molecule("ALA GLY SER");
    TypeMatrix u{};
    u[1][9] = u[9][17] = 1;
    struct Case {
        std::vector<int> samples;  // of the pair ALA-GLY
        const char* note;          // "" when every sample fits the column
    } cases[] = {
        {{2, 10}, ""},
        {{11},
         "    Sample 11 is not shown in the Labelpattern column; writereport shows them all.\n"},
        {{1, 12, 20},
         "    Samples 12 and 20 are not shown in the Labelpattern column; writereport shows them "
         "all.\n"},
    };
    for (const Case& c : cases) {
        static Schedule s;
        initschedule(s);
        for (int k : c.samples) addentry(s.samples[k], 1, 9, 1 << (k - 1));
        fillschednrs(s, u);
        std::string out =
            testutil::captured([&] { outputsequence_with_label(kemradata, labdata, s, u); });
        std::string table = out.substr(0, out.find("Max:"));
        std::string last = "  3 SER       0 0\n";
        ASSERT_TRUE(has(table, last)) << out;
        EXPECT_EQ(table.substr(table.find(last) + last.size()), c.note) << out;
    }
}

// The summary line's fields are three wide and the peak count runs straight
// into "Total number of samples", however many digits it has.
TEST(Reports, SummaryLine) {
    struct Case {
        const char* sequence;
        std::vector<std::pair<int, int>> entries;  // (front, end) of sample 1, 2, ...
        const char* line;
    } cases[] = {
        {"ALA",
         {{1, 1}},
         "Maximal number of peaks in a single sample   0 Number of peaks  0Total number of "
         "samples  0\n"},
        {"ALA GLY ALA GLY ALA GLY",
         {{1, 9}, {17, 17}, {9, 1}},
         "Maximal number of peaks in a single sample   3 Number of peaks  5Total number of "
         "samples  3\n"},
        {nullptr,
         {{1, 1}},
         "Maximal number of peaks in a single sample 120 Number of peaks120Total number of "
         "samples  1\n"},
    };
    std::string alanines;
    for (int i = 0; i < 121; ++i) alanines += "ALA\n";
    for (const Case& c : cases) {
        testutil::molecule(c.sequence ? c.sequence : alanines);
        TypeMatrix u{};
        for (auto& row : u) row.fill(1);
        static Schedule s;
        initschedule(s);
        for (size_t k = 0; k < c.entries.size(); ++k)
            addentry(s.samples[k + 1], c.entries[k].first, c.entries[k].second, 1 << k);
        fillschednrs(s, u);
        EXPECT_EQ(testutil::captured([&] { outputsummary(kemradata, s); }), c.line);
    }
}

}  // namespace
