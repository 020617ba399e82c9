// Expression evaluator: operators, precedence, types, functions and errors.
#include "kemlang/expr.h"

#include <gtest/gtest.h>

#include "kemlang/vars.h"

namespace {

// What the expressions script leaves out: chained signs, deep parentheses,
// exponents with d, substrings of literals and the rarer logical operators.
TEST(Expr, SignsLiteralsAndLogicals) {
    struct {
        const char* text;
        const char* value;
    } cases[] = {
        {"--3", "3"},
        {"+-3", "-3"},
        {"2*-3", "-6"},
        {"len_trim('ab  ')", "2"},
        {"((((((((((1))))))))))", "1"},
        {"('abcdef')(3)", "c"},
        {"('abcdef')(5:)", "ef"},
        {"1.lt.2", ".true."},
        {".true. .neqv. .false.", ".true."},
        {"'abc' < 'abd'", ".true."},
    };
    for (const auto& c : cases) {
        bool err = true;
        EXPECT_EQ(seva(c.text, err), c.value) << c.text;
        EXPECT_FALSE(err) << c.text;
    }
    bool err = false;
    EXPECT_DOUBLE_EQ(reva("1.5e2+2d0", err), 152.0);
    EXPECT_FALSE(err);
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
    const char* bad[] = {"",        "1+",     "(1",           "1)",          "1/0",
                         "'abc",    "2 3",    "foo(1)",       "sqrt(-1.)",   "1 + 'a'",
                         ".not. 1", "mod(1)", "('abc')(2:9)", "99999999999", "1 .and. 2"};
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
