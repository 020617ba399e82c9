// Line printer: prefixes, levels, line-end codes, tokens and number texts.
#include "kemlang/print.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

std::string printed(int level, const std::string& text, int infos = 3) {
    std::string cap;
    kemlangdata.capture = &cap;
    kemlangdata.infos = infos;
    putlin(level, text);
    kemlangdata.capture = nullptr;
    kemlangdata.infos = 3;
    clrerr();
    return cap;
}

TEST(Putlin, PrefixesLevelsAndLineEnds) {
    struct {
        int level;
        const char* text;
        int infos;
        const char* out;
    } cases[] = {
        {2, "abc@/", 3, "    abc\n \n"},
        {12, "abc", 3, "abc\n"},
        {-2, "first@/second", 3, "*** ERROR: first\n           second\n"},
        {-1, "w@/x", 3, "*** WARNING: w\n             x\n"},
        {-3, "f@/g", 3, "*** FATAL ERROR: f\n                 g\n"},
        {4, "hidden", 3, ""},
        {14, "hidden", 3, ""},
        {4, "shown", 4, "    shown\n"},
        {-2, "always", 1, "*** ERROR: always\n"},
        {2, "@/x", 3, " \n    x\n"},
        {12, "@_a    b   c", 3, "a b c\n"},
        {2, "trailing   ", 3, "    trailing\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(printed(c.level, c.text, c.infos), c.out) << c.text;
}

TEST(Tokens, PlaceholdersAndFields) {
    struct {
        std::string text;
        const char* out;
    } cases[] = {
        {"n=" + intp(42), "n=42"},
        {"[" + intn(7, 4) + "]", "[   7]"},
        {"[" + intn(12345, 3) + "]", "[12345]"},  // integers are never cut
        {"[" + realf(3.14159, 8, 2) + "]", "[    3.14]"},
        {"[" + realf(2.5, 0, 3) + "]", "[2.500]"},
        {"[" + realp(3.14159, 3) + "]", "[3.14]"},
        {"[" + strn("ab", 5) + "]", "[   ab]"},
        {"[" + strn("abcdef", 3) + "]", "[abc]"},
        {"[" + strq("name") + "]", "[\"name\"]"},
        {plural(1, "residue"), "1 residue"},
        {plural(0, "residue"), "0 residues"},
        {plural(2, "pair"), "2 pairs"},
        {"[" + reale(12345.0, 0, 2) + "]", "[1.23E+04]"},
        {"50% of", "50% of"},
    };
    for (const auto& c : cases) EXPECT_EQ(printed(12, c.text), std::string(c.out) + "\n") << c.text;
}

TEST(Numstr, ShortestTexts) {
    struct {
        double x;
        int n;
        const char* out;
    } cases[] = {
        {3.14159, 3, "3.14"},       {2.0, 3, "2.0"},
        {0.00012, 3, "0.00012"},    {1.0e12, 3, "1.0E+12"},
        {-2.5, 3, "-2.5"},          {100.0, 3, "100.0"},
        {1.5e-5, 3, "1.5E-5"},      {0.0, 3, "0.0"},
        {123456.0, 6, "123456.0"},  {0.1, 15, "0.1"},
        {HUGE_VAL, 15, "Infinity"}, {-HUGE_VAL, 3, "-Infinity"},
        {std::nan(""), 3, "NaN"},
    };
    for (const auto& c : cases) EXPECT_EQ(numstr(c.x, c.n), c.out) << c.x;
}

TEST(TextUtilities, InlistAppextMatchElement) {
    std::string w = "co";
    EXPECT_EQ(inlist(w, "select|count|set"), 2);
    w = "s";
    EXPECT_EQ(inlist(w, "select|count|set"), -1);
    w = "set";
    EXPECT_EQ(inlist(w, "select|count|set"), 3);
    w = "x";
    EXPECT_EQ(inlist(w, "select|count|set"), 0);
    w = "w";
    EXPECT_EQ(inlist(w, "error|warning|skip*"), 2);
    EXPECT_EQ(w, "warning");
    // Names the file parameters leave alone (the parameter tests add the rest).
    for (const char* name : {"best.x", "a*", ""}) EXPECT_EQ(appext(name, ".lab"), name) << name;
    EXPECT_EQ(appext("  lead", ".lab"), "lead.lab");
    EXPECT_TRUE(match("abc", "a?c"));
    EXPECT_FALSE(match("abc", "a?d"));
    EXPECT_TRUE(match("", ""));
    EXPECT_FALSE(match("a", ""));
    EXPECT_EQ(elemnt(2, "a,b,c", ','), "b");
    EXPECT_EQ(elemnt(2, "'a,b',c", ','), "c");
    EXPECT_EQ(elemnt(4, "a,b,c", ','), "");
    EXPECT_EQ(squeze("  a   b "), "a b ");
    std::vector<double> t{0, 1.0, 2.0, 4.0};
    EXPECT_EQ(lookr(3.0, t, 3, true), 2);
    EXPECT_EQ(lookr(3.0, t, 3, false), 0);
    EXPECT_EQ(lookr(4.0, t, 3, false), 3);
}

}  // namespace
