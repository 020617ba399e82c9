// Suggestions for mistyped and ambiguous command words.
#include "kemlang/suggest.h"

#include <gtest/gtest.h>

namespace {

const std::vector<std::string> kNames = {
    "read",      "readlabel",        "readstr",    "showlabel",    "showlabelmultiple",
    "showpairs", "countuniquepairs", "writelabel", "writesession", "set",
    "print"};

using List = std::vector<std::string>;

// What the hints script leaves out: a two-letter word, one letter that
// resembles too much, a name that is no candidate of itself, the blank word,
// and statements among the names known.
TEST(Suggest, ClosestAndAbbreviatedNames) {
    EXPECT_EQ(closestnames("st", kNames), List{"set"});
    EXPECT_TRUE(closestnames("q", kNames).empty());
    EXPECT_TRUE(abbreviatednames("read", {"read"}).empty());
    EXPECT_TRUE(abbreviatednames("", kNames).empty());
    setcommandnames({"", "read", "", "showlabel"});
    List all = knownnames();
    EXPECT_EQ(all[0], "read");
    EXPECT_EQ(all[1], "showlabel");
    EXPECT_EQ(closestnames("readlin", all), List{"readline"});
}

}  // namespace
