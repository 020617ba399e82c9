// Expression evaluator: operators, precedence, types, functions and errors.
#include <gtest/gtest.h>

#include "kemlang/expr.h"
#include "kemlang/vars.h"

namespace {

TEST(Expr, IntegersAndPrecedence) {
    struct {
        const char* text;
        int value;
    } cases[] = {
        {"2**3", 8},       {"2+3*4", 14},    {"(2+3)*4", 20},  {"7/2", 3},
        {"-7/2", -3},      {"2**3**2", 512}, {"--3", 3},       {"+-3", -3},
        {"2*-3", -6},      {"10-2-3", 5},    {"mod(7,3)", 1},  {"abs(-4)", 4},
        {"max(1,5,3)", 5}, {"nint(2.6)", 3}, {"int(-2.6)", -2}, {"len_trim('ab  ')", 2},
        {"indexr('abcab','ab')", 4},
        {"((((((((((1))))))))))", 1},
    };
    for (const auto& c : cases) {
        bool err = true;
        EXPECT_EQ(ieva(c.text, err), c.value) << c.text;
        EXPECT_FALSE(err) << c.text;
    }
}

TEST(Expr, RealsTextsAndLogicals) {
    bool err = false;
    EXPECT_DOUBLE_EQ(reva("1.5e2+2d0", err), 152.0);
    EXPECT_DOUBLE_EQ(reva("3/2.0", err), 1.5);
    EXPECT_DOUBLE_EQ(reva("sqrt(16.)", err), 4.0);
    EXPECT_FALSE(err);
    EXPECT_EQ(seva("'ab'//'cd'", err), "abcd");
    EXPECT_EQ(seva("('abcdef')(2:4)", err), "bcd");
    EXPECT_EQ(seva("('abcdef')(3)", err), "c");
    EXPECT_EQ(seva("('abcdef')(:2)", err), "ab");
    EXPECT_EQ(seva("('abcdef')(5:)", err), "ef");
    EXPECT_FALSE(err);
    struct {
        const char* text;
        bool value;
    } logic[] = {
        {"1 .lt. 2 .and. 3 == 3", true}, {"1.lt.2", true},         {"2 >= 3 || 1 != 1", false},
        {".not. .true.", false},        {".true. .eqv. .false.", false},
        {".true. .neqv. .false.", true}, {"'abc' < 'abd'", true},   {"1 == 1.0", true},
        {"match('readlabel','read*')", true}, {"if(1<2, .true., .false.)", true},
    };
    for (const auto& c : logic) {
        bool e = true;
        EXPECT_EQ(leva(c.text, e), c.value) << c.text;
        EXPECT_FALSE(e) << c.text;
    }
}

TEST(Expr, Variables) {
    setvar("n", "12", kVarGlobal);
    setvar("word", "hello", kVarGlobal);
    bool err = false;
    EXPECT_EQ(ieva("n*2", err), 24);
    EXPECT_EQ(seva("word(2:3)", err), "el");
    EXPECT_TRUE(leva("exist('n')", err));
    EXPECT_FALSE(err);
    ieva("undefined_name+1", err);
    EXPECT_TRUE(err);  // an unknown name is an error, not 0
    unsetvar("n");
    unsetvar("word");
}

TEST(Expr, IllegalExpressions) {
    const char* bad[] = {"", "1+", "(1", "1)", "1/0", "'abc", "2 3", "foo(1)", "sqrt(-1.)",
                         "1 + 'a'", ".not. 1", "mod(1)", "('abc')(2:9)", "99999999999",
                         "1 .and. 2"};
    for (const char* b : bad) {
        bool err = false;
        seva(b, err);
        EXPECT_TRUE(err) << b;
    }
    bool err = false;
    ieva("1.5", err);
    EXPECT_TRUE(err);  // a real where an integer is wanted
    std::string deep(300, '(');
    deep += "1" + std::string(300, ')');
    ieva(deep, err);
    EXPECT_TRUE(err);  // bounded nesting, no stack overflow
    std::string longsum = "1";
    for (int i = 0; i < 130; ++i) longsum += "+1";
    EXPECT_EQ(ieva(longsum, err), 131);
    EXPECT_FALSE(err);
}

}  // namespace
