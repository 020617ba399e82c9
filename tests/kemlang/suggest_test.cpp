// Suggestions for mistyped and ambiguous command words.
#include "kemlang/suggest.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const std::vector<std::string> kNames = {
    "read",      "readlabel",        "readstr",    "showlabel",    "showlabelmultiple",
    "showpairs", "countuniquepairs", "writelabel", "writesession", "set",
    "print"};

using List = std::vector<std::string>;

TEST(Suggest, ClosestNames) {
    struct Case {
        const char* word;
        List expect;
    } cases[] = {
        {"showlabl", {"showlabel"}},  // not the longer name it also begins
        {"st", {"set"}},
        {"writelabell", {"writelabel"}},
        {"q", {}},  // one letter resembles too much
    };
    for (const Case& c : cases) EXPECT_EQ(closestnames(c.word, kNames), c.expect) << c.word;
}

TEST(Suggest, AbbreviatedNames) {
    EXPECT_EQ(abbreviatednames("write", kNames), (List{"writelabel", "writesession"}));
    EXPECT_TRUE(abbreviatednames("read", {"read"}).empty());  // the name itself is no candidate
    EXPECT_TRUE(abbreviatednames("", kNames).empty());
}

TEST(Suggest, StatementsAreKnownBesideCommands) {
    setcommandnames({"", "read", "", "showlabel"});
    List all = knownnames();
    EXPECT_EQ(all[0], "read");
    EXPECT_EQ(all[1], "showlabel");
    EXPECT_NE(std::find(all.begin(), all.end(), "readline"), all.end());
    EXPECT_EQ(closestnames("readlin", all), List{"readline"});
}

}  // namespace
