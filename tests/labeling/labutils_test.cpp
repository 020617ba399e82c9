// The labeling tree, the integer set, the rankings and the conversion of a
// labelling table.
#include "labeling/labutils.h"

#include <gtest/gtest.h>

#include "testutil.h"

namespace {

TEST(Rankings, ScoresAndKardinality) {
    std::vector<int> pos = {1, 2, 3, 4}, score = {0, 5, 9, 5, 1};
    sortthispls(pos, score);
    EXPECT_EQ(pos, (std::vector<int>{2, 1, 3, 4}));
    TypeMatrix u{};
    u[9][1] = u[9][2] = u[3][9] = 1;
    std::vector<int> t = sort_by_kardinality(u);
    EXPECT_EQ(t[0], 9);
    EXPECT_EQ(t.size(), 21u);
}

TEST(Conversion, LabellingTableToSchedule) {
    TypeMatrix u{};
    u[1][9] = u[9][1] = u[1][1] = 1;
    LabelTable labels(3);
    labels[1][1] = {true, true};   // ALA both labels
    labels[1][9] = {false, true};  // GLY 15N
    labels[2][9] = {true, false};
    static Schedule s;
    initschedule(s);
    convert_logical_to_labeling(labels, 2, s, u);
    ASSERT_EQ(s.samples[1].count, 2);  // (1,1) and (1,9)
    EXPECT_EQ(s.samples[1].end[2], 9);
    EXPECT_EQ(s.samples[2].count, 0);  // GLY 13C alone labels no pair
    EXPECT_EQ(s.nsamples, 2);
    EXPECT_EQ(s.maxfront, 21);
}

}  // namespace
