// Parameter syntax: positional and named values, options, abbreviations,
// ranges, bounds, defaults from variables and the exact error messages.
#include "kemlang/params.h"

#include <gtest/gtest.h>

#include "kemlang/print.h"
#include "kemlang/vars.h"

namespace {

struct Parsed {
    std::string out;  // messages printed
    std::vector<std::string> rest;
};

Parsed parse(const std::string& syntax, const std::vector<std::string>& words,
             const std::string& cmd = "testcmd") {
    std::string cap;
    kemlangdata.capture = &cap;
    clrerr();
    setcmd(cmd);
    std::vector<std::string> w = words;
    int n = static_cast<int>(w.size());
    params(w, n, syntax);
    kemlangdata.capture = nullptr;
    return {cap, std::vector<std::string>(w.begin(), w.begin() + n)};
}

const char* kBatch = "front=@i=1 rear=@i=1 multipair=@i=1 dupes=@i=1 max=@i=0 random";

TEST(Params, ValuesOptionsAndMessages) {
    struct Case {
        const char* syntax;
        std::vector<std::string> words;
        const char* message;  // "" when the parse succeeds
    } cases[] = {
        {kBatch, {}, ""},
        {kBatch, {"5", "7"}, ""},
        {kBatch, {"mu=2"}, ""},
        {kBatch, {"random"}, ""},
        {kBatch, {"random=1"}, "*** ERROR: Option \"random\" must not have a value.\n"},
        {kBatch, {"zz=1"}, "*** ERROR: Unknown parameter name \"zz\".\n"},
        {kBatch, {"front=1", "front=2"}, "*** ERROR: Duplicate parameter \"front\".\n"},
        {kBatch, {"front"}, "*** ERROR: Missing value for parameter \"front\".\n"},
        {kBatch, {"1", "2", "3", "4", "5", "6"}, "*** ERROR: Illegal parameter \"6\".\n"},
        {kBatch,
         {"random", "random"},
         "*** ERROR: Duplicate or contradicting option \"random\".\n"},
        {"a|b|c", {"a", "b"}, "*** ERROR: Duplicate or contradicting option \"b\".\n"},
        {"file=* ** unknown=error|warning|skip=error",
         {},
         "*** ERROR: Missing parameter \"file\".\n"},
        {"file=* ** unknown=error|warning|skip=error", {"f", "x=1"}, ""},
        {"deviation=0.0<@r=1.0E10",
         {"deviation=0"},
         "*** ERROR: Illegal value \"0\" for parameter \"deviation\".\n"},
        {"deviation=0.0<@r=1.0E10", {"deviation=1e-3"}, ""},
        {"peaklists=@ii=1..1",
         {"peaklists=4..2"},
         "*** ERROR: Illegal value \"4..2\" for parameter \"peaklists\".\n"},
        {"n=1<@i<4=2", {"n=3"}, ""},
        {"x=0.0<=@r<=100.0=0.0", {"x=100"}, ""},
        {"mode=select|count|set=count",
         {"mode=s"},
         "*** ERROR: Illegal value \"s\" for parameter \"mode\".\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(parse(c.syntax, c.words).out, c.message) << c.syntax;
}

TEST(Params, ParsedValues) {
    parse(kBatch, {});
    EXPECT_EQ(iparam("front"), 1);
    EXPECT_EQ(iparam("max"), 0);
    EXPECT_FALSE(option("random"));
    parse(kBatch, {"5", "7", "random"});
    EXPECT_EQ(iparam("front"), 5);
    EXPECT_EQ(iparam("rear"), 7);
    EXPECT_TRUE(option("random"));
    EXPECT_TRUE(havpar("front"));
    EXPECT_FALSE(havpar("dupes"));
    parse(kBatch, {"mu=2*3"});
    EXPECT_EQ(iparam("multipair"), 6);

    Parsed p = parse("file=* ** unknown=error|warning|skip=error", {"seq.seq", "unknown=w", "x=1"});
    EXPECT_EQ(getpar("unknown"), "warning");
    EXPECT_EQ(getpar("file"), "seq.seq");
    EXPECT_EQ(p.rest, std::vector<std::string>{"x=1"});

    struct Range {
        const char* word;
        int lo, hi;
    } ranges[] = {{"peaklists=2..4", 2, 4}, {"peaklists=2-4", 2, 4}, {"peaklists=3", 3, 3},
                  {"peaklists=-3", -3, -3}, {"peaklists=*", 1, 1},   {"peaklists=..5", 1, 5}};
    for (const Range& r : ranges) {
        EXPECT_EQ(parse("peaklists=@ii=1..1", {r.word}).out, "") << r.word;
        int lo, hi;
        irange("peaklists", lo, hi);
        EXPECT_EQ(lo, r.lo) << r.word;
        EXPECT_EQ(hi, r.hi) << r.word;
    }
    parse("exponent=@r=1.0..20.0=6.0", {});
    EXPECT_DOUBLE_EQ(rparam("exponent"), 6.0);
}

TEST(Params, AbbreviationsPositionalOnlyAndFiles) {
    // "info*" cannot be abbreviated; "cut*off" needs three letters.
    EXPECT_EQ(parse("** info*==*=", {"inf=3"}).rest, std::vector<std::string>{"inf=3"});
    parse("** info*==*=", {"info=3", "x"});
    EXPECT_EQ(getpar("info"), "3");
    EXPECT_EQ(parse("cut*off=@i=15", {"cu=3"}).out, "*** ERROR: Unknown parameter name \"cu\".\n");
    parse("cut*off=@i=15", {"cut=3"});
    EXPECT_EQ(iparam("cutoff"), 3);
    EXPECT_EQ(parse("*x=@r *y=@r **", {"x=1", "1", "2"}).rest, std::vector<std::string>{"x=1"});
    parse("*x=@r *y=@r **", {"1", "2", "some", "text"});
    EXPECT_DOUBLE_EQ(rparam("y"), 2.0);
    parse("file=@f.lab action=@i=1", {"best"});
    EXPECT_EQ(getpar("file"), "best.lab");
    parse("action=seq|lib=seq file=@f.$action", {"lib", "std"});
    EXPECT_EQ(getpar("file"), "std.lib");
    parse("file=@f.lab", {"dir.x/best"});
    EXPECT_EQ(getpar("file"), "dir.x/best.lab");
    parse("file=@f.lab", {"noext|"});
    EXPECT_EQ(getpar("file"), "noext");
}

// Variable presets for options (the script covers values and their
// bounds): a preset that is no logical names its variable.
TEST(Params, OptionPresetFromAVariable) {
    setvar("testcmd_random", ".true.", kVarGlobal);
    parse(kBatch, {});
    EXPECT_TRUE(option("random"));
    setvar("testcmd_random", "3", kVarGlobal);
    EXPECT_EQ(parse(kBatch, {"front=1"}).out,
              "*** ERROR: Illegal value \"3\" for option \"random\" from variable "
              "\"testcmd_random\".\n");
    unsetvar("testcmd_random");
}

}  // namespace
