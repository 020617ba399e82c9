// The labeling tree, the integer set, the rankings and the conversion of a
// labelling table.
#include "labeling/labutils.h"

#include <gtest/gtest.h>

#include "testutil.h"

namespace {

TEST(LabelingTree, StoresFindsAndRefusesBeyondCapacity) {
    static NodeSpace ns;
    initnodespace(ns);
    EXPECT_TRUE(store_this_in_tree(0, {3, 1, 4}, 3, 1, 7, ns));
    EXPECT_TRUE(store_this_in_tree(0, {3, 1, 5}, 3, 1, 8, ns));
    EXPECT_EQ(ns.used, 4);  // 3 and 1 are shared
    EXPECT_EQ(ret_this_in_tree(0, {3, 1, 4}, 3, 1, ns), 7);
    EXPECT_EQ(ret_this_in_tree(0, {3, 1, 5}, 3, 1, ns), 8);
    EXPECT_EQ(ret_this_in_tree(0, {3, 1, 9}, 3, 1, ns),
              7);  // deepest node reached: 1, value of its store
    EXPECT_EQ(ret_this_in_tree(0, {1, 4}, 2, 2, ns), 0);  // starts at position 2: key 4 is no child
    for (int k = 1; k <= kTreeChildren; ++k) store_this_in_tree(0, {100 + k}, 1, 1, k, ns);
    EXPECT_FALSE(store_this_in_tree(0, {999}, 1, 1, 1, ns));  // 101st child of the root
    initnodespace(ns);
    EXPECT_EQ(ns.used, 0);
    EXPECT_EQ(ret_this_in_tree(0, {3}, 1, 1, ns), 0);
}

TEST(IntegerSet, AddFindAndMessages) {
    IntSet s;
    std::string out = testutil::captured([&] { setaddnode(s, 5); });
    EXPECT_EQ(out, " Set not associated. Use initset\n");
    EXPECT_EQ(setfindpos(s, 5), 1);
    initset(s, 2);
    EXPECT_EQ(setfindpos(s, 5), -1);  // cleared, capacity kept
    setaddnode(s, 8);
    setaddnode(s, 9);
    for (int i = 0; i < 398; ++i) setaddnode(s, i);
    out = testutil::captured([&] { setaddnode(s, 1); });
    EXPECT_EQ(out, " overflow in setaddnode\n");
    EXPECT_EQ(setfindpos(s, 9), 2);
    destroyset(s);
    EXPECT_EQ(s.count, 0);
}

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
