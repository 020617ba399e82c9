// Variable scoping, special variables and substitution.
#include "kemlang/vars.h"

#include <gtest/gtest.h>

#include "kemlang/print.h"

namespace {

std::string subst(const std::string& line) {
    std::string cap;
    kemlangdata.capture = &cap;
    clrerr();
    std::string r = repvar(line);
    kemlangdata.capture = nullptr;
    clrerr();
    return r;
}

// What the macro scripts leave out: NULL reads as undefined, the raw value
// stays; an operator joined to the name; a bad name and a bad expression.
TEST(Vars, NullJoinedOperatorsAndBadNames) {
    inivar();
    setvar("g", "NULL", kVarGlobal);
    EXPECT_FALSE(havvar("g"));
    std::string raw;
    EXPECT_TRUE(rawvar("g", raw));
    EXPECT_EQ(raw, "NULL");
    std::vector<std::string> w{"e:=", "'ab'//'cd'"};
    cmdset("eval", w, 2);
    EXPECT_EQ(getval("e"), "abcd");
    std::string cap;
    kemlangdata.capture = &cap;
    std::vector<std::string> bad{"a-b=3"};
    cmdset("set", bad, 1);
    bad = {"e", ":=", "1+"};
    cmdset("eval", bad, 3);
    kemlangdata.capture = nullptr;
    clrerr();
    EXPECT_EQ(cap,
              "*** ERROR: Illegal variable name a-b.\n*** ERROR: Illegal expression \"1+\".\n");
}

TEST(Vars, SpecialVariables) {
    inivar();
    setvar("info", "full,normal", kVarGlobal);
    EXPECT_EQ(kemlangdata.infos2, 4);
    EXPECT_EQ(kemlangdata.infof2, 3);
    setvar("info", "normal", kVarGlobal);
    EXPECT_EQ(kemlangdata.infos2, 3);
    setvar("echo", "ON", kVarGlobal);
    setvar("timing", "2.5", kVarGlobal);
    EXPECT_DOUBLE_EQ(kemlangdata.timing, 2.5);
    setvar("prompt", "Q>", kVarGlobal);
    EXPECT_EQ(kemlangdata.prompt, "Q>");
    inivar();
    varrelease(1);
    EXPECT_EQ(kemlangdata.iecho, 0);
}

TEST(Vars, Substitution) {
    inivar();
    setvar("n", "76", kVarGlobal);
    setvar("name", "ubq", kVarGlobal);
    setvar("ref", "n", kVarGlobal);
    struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"read $name.seq", "read ubq.seq"},
        {"100 $ and %", "100 $ and %"},
        {"${${ref}+1}", "77"},
    };
    for (const auto& c : cases) EXPECT_EQ(subst(c.in), c.out) << c.in;
    // A value holding references is not rescanned, so self-reference ends.
    setvar("loop", "$loop$loop", kVarGlobal);
    EXPECT_EQ(subst("$loop"), "$loop$loop");
    inivar();
}

}  // namespace
