// Variable scoping, special variables and substitution.
#include <gtest/gtest.h>

#include "kemlang/print.h"
#include "kemlang/vars.h"

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

TEST(Vars, StatementsAndSelections) {
    inivar();
    struct {
        const char* stmt;
        std::vector<std::string> words;
        const char* name;
        const char* value;
    } cases[] = {
        {"set", {"a=1"}, "a", "1"},
        {"set", {"b", "=", "two", "words"}, "b", "two words"},
        {"set", {"c", "plain"}, "c", "plain"},
        {"eval", {"d", ":=", "2*3+1"}, "d", "7"},
        {"eval", {"e:=", "'ab'//'cd'"}, "e", "abcd"},
        {"set", {"list=1,2,3"}, "list", "1,2,3"},
        {"set", {"list(2)=9"}, "list", "1,9,3"},
        {"set", {"t=abcdef"}, "t", "abcdef"},
        {"set", {"t(2:3)=XY"}, "t", "aXYdef"},
    };
    for (auto& c : cases) {
        std::vector<std::string> w = c.words;
        cmdset(c.stmt, w, static_cast<int>(w.size()));
        EXPECT_EQ(getval(c.name), c.value) << c.name;
    }
    std::string cap;
    kemlangdata.capture = &cap;
    std::vector<std::string> bad{"a-b=3"};
    cmdset("set", bad, 1);
    bad = {"e", ":=", "1+"};
    cmdset("eval", bad, 3);
    kemlangdata.capture = nullptr;
    clrerr();
    EXPECT_EQ(cap, "*** ERROR: Illegal variable name a-b.\n*** ERROR: Illegal expression \"1+\".\n");
}

TEST(Vars, SpecialVariables) {
    inivar();
    setvar("info", "full,normal", kVarGlobal);
    EXPECT_EQ(kemlangdata.infos2, 4);
    EXPECT_EQ(kemlangdata.infof2, 3);
    setvar("info", "normal", kVarGlobal);
    EXPECT_EQ(kemlangdata.infos2, 3);
    setvar("echo", "ON", kVarGlobal);
    setvar("echo", "off", kVarGlobal);
    EXPECT_GT(kemlangdata.iecho, 0);  // the upper-case setting is locked
    EXPECT_EQ(getval("echo"), "ON");
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
        {"%n residues", "76 residues"},
        {"${n*2}", "152"},
        {"[$n(I5)]", "[   76]"},
        {"[$n(F6.2)]", "[ 76.00]"},
        {"cost \\$5", "cost \\$5"},
        {"100 $ and %", "100 $ and %"},
        {"${${ref}+1}", "77"},
    };
    for (const auto& c : cases) EXPECT_EQ(subst(c.in), c.out) << c.in;
    subst("x $nothing", &msg);
    EXPECT_EQ(msg, "*** ERROR: Undefined variable \"nothing\".\n");
    subst("${1+", &msg);
    EXPECT_EQ(msg, "*** ERROR: Missing \"}\".\n");
    subst("${1+}", &msg);
    EXPECT_EQ(msg, "*** ERROR: Illegal expression \"1+\".\n");
    // A value holding references is not rescanned, so self-reference ends.
    setvar("loop", "$loop$loop", kVarGlobal);
    EXPECT_EQ(subst("$loop"), "$loop$loop");
    inivar();
}

}  // namespace
