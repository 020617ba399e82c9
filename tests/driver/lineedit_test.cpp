// Line editing at a real terminal: the program runs on a pseudo-terminal,
// keys are typed into it, and the recall list survives into the next run.
// Piped input must see none of it.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "terminal.h"
#include "testutil.h"

namespace {

using terminal::scratchhome;
using terminal::Step;
using testutil::count;
using testutil::has;

std::string onterminal(const std::string& home, const std::vector<Step>& steps) {
    terminal::Run r = terminal::onterminal(home, steps);
    EXPECT_EQ(r.status, 0) << r.output;
    return r.output;
}

TEST(LineEdit, ArrowKeysRecallAndTheHistoryOutlivesTheRun) {
    std::string home = scratchhome("recall");
    const std::string up = "\x1b[A", left = "\x1b[D";
    std::string out = onterminal(
        home, {
                  {"print hello-one\r", "\nhello-one", 1},
                  {up + "\r", "\nhello-one", 2},     // up-arrow and Enter run it again
                  {"^one^two\r", "\nhello-two", 1},  // the text recall sees the same list
                  // Edit in the middle: left past "two", type, Enter.
                  {up + left + left + left + "X\r", "\nhello-Xtwo", 1},
                  {"quit\r", "", 0},
              });
    EXPECT_EQ(testutil::slurp(home + "/.quilter_history"),
              "print hello-one\nprint hello-one\nprint hello-two\nprint hello-Xtwo\nquit\n");

    // The next run starts with that list: two lines up is the last print.
    out = onterminal(home, {{up + up + "\r", "\nhello-Xtwo", 1}, {"\x04", "", 0}});
    EXPECT_EQ(count(out, "\nhello-Xtwo"), 1) << out;
}

TEST(LineEdit, CtrlCDropsTheLineAndKeepsReading) {
    std::string home = scratchhome("ctrlc");
    std::string out = onterminal(
        home, {{"print dropped\x03", "^C", 1}, {"print kept\r", "\nkept", 1}, {"quit\r", "", 0}});
    EXPECT_EQ(count(out, "\ndropped"), 0) << out;
}

TEST(LineEdit, PipedInputSeesNoEscapeCodesAndWritesNoHistory) {
    std::string home = scratchhome("piped");
    terminal::Run r = terminal::piped(home, "print piped\\n\\033[A\\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(has(r.output, "\npiped\n")) << r.output;
    EXPECT_FALSE(has(r.output, "\x1b")) << r.output;
    std::ifstream history(home + "/.quilter_history");
    EXPECT_FALSE(history.good());
}

}  // namespace
