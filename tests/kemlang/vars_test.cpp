// Variable scoping, special variables and substitution.
#include "kemlang/vars.h"

#include <gtest/gtest.h>

#include "kemlang/print.h"

namespace {

std::string subst(const std::string& line, std::string* msg = nullptr) {
    std::string cap;
    kemlangdata.capture = &cap;
    clrerr();
    std::string r = repvar(line);
    kemlangdata.capture = nullptr;
    if (msg) *msg = cap;
    clrerr();
    return r;
}

TEST(Vars, LocalsHideGlobalsUntilTheMacroEnds) {
    inivar();
    setvar("x", "global", kVarGlobal);
    int mark = varmark();
    setvar("y", "inner", kVarLocal);
    std::vector<std::string> w{"x", "=", "changed"};
    cmdset("set", w, 3);  // an existing outer variable is changed in place
    EXPECT_EQ(getval("x"), "changed");
    w = {"x"};
    cmdset("unset", w, 1);
    setvar("x", "local", kVarLocal);
    EXPECT_EQ(getval("x"), "local");
    varrelease(mark);
    EXPECT_FALSE(havvar("y"));
    EXPECT_FALSE(havvar("x"));
    setvar("g", "NULL", kVarGlobal);
    EXPECT_FALSE(havvar("g"));  // NULL counts as undefined
    std::string raw;
    EXPECT_TRUE(rawvar("g", raw));
    EXPECT_EQ(raw, "NULL");
}

// Statements and selections as the expressions script has them aside,
// the messages for a bad name and a bad expression.
TEST(Vars, StatementsAndSelections) {
    inivar();
    std::vector<std::string> w{"t=abcdef"};
    cmdset("set", w, 1);
    w = {"t(2:3)=XY"};
    cmdset("set", w, 1);
    EXPECT_EQ(getval("t"), "aXYdef");
    w = {"e:=", "'ab'//'cd'"};  // the operator joined to the name
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
    std::string msg;
    struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"read $name.seq", "read ubq.seq"},
        {"[$n(I5)]", "[   76]"},
        {"100 $ and %", "100 $ and %"},
        {"${${ref}+1}", "77"},
    };
    for (const auto& c : cases) EXPECT_EQ(subst(c.in), c.out) << c.in;
    subst("${1+}", &msg);
    EXPECT_EQ(msg, "*** ERROR: Illegal expression \"1+\".\n");
    // A value holding references is not rescanned, so self-reference ends.
    setvar("loop", "$loop$loop", kVarGlobal);
    EXPECT_EQ(subst("$loop"), "$loop$loop");
    inivar();
}

}  // namespace
