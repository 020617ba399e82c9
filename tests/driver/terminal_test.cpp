// What a mistake at the prompt keeps: a parameter error that ends a script
// is only an error when typed at a terminal, and a design that no file
// holds needs a second quit there. Piped input and macros keep the classic
// ends, with a failing exit status.
#include "terminal.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

using terminal::piped;
using terminal::Step;
using testutil::count;
using testutil::has;

const char* kLabeling = "    1    9    3\n    0    0    0\n";

// A home with a labeling file and a macro that makes the mistake.
std::string home(const std::string& name) {
    std::string h = terminal::scratchhome(name);
    std::ofstream(h + "/old.lab") << kLabeling;
    std::ofstream(h + "/mistake.kem") << "writelabel filenme=x.lab\n";
    std::remove((h + "/quilter-rescue.lab").c_str());
    return h;
}

bool exists(const std::string& f) { return std::ifstream(f).good(); }

TEST(Terminal, FatalParameterErrorsEndOnlyScripts) {
    struct Case {
        const char* line;
        const char* message;
    } cases[] = {
        {"writelabel filenme=x.lab", "Check params again"},
        {"readlabel old.lab rank=x", "Error with parameters of reading a labeling file"},
        {"setdupes front=ALA dupez=2", "check parameters"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        // Typed: an error; the session goes on with its labelings.
        std::string h = home("typed");
        terminal::Run t = terminal::onterminal(
            h, {{"readlabel old.lab\r", "file opened"},
                {std::string(c.line) + "\r", std::string("*** ERROR: ") + c.message},
                {"print still-here\r", "\nstill-here"},
                {"quit\r", ""}});
        EXPECT_EQ(t.status, 0) << t.output;
        EXPECT_FALSE(has(t.output, "FATAL")) << t.output;
        EXPECT_FALSE(exists(h + "/quilter-rescue.lab"));

        // Piped: fatal, with the labelings in the rescue file.
        h = home("piped");
        terminal::Run p =
            piped(h, std::string("readlabel old.lab\\n") + c.line + "\\nprint gone\\n");
        EXPECT_EQ(p.status, 1) << p.output;
        EXPECT_TRUE(has(p.output, std::string("*** FATAL ERROR: ") + c.message)) << p.output;
        EXPECT_FALSE(has(p.output, "\ngone")) << p.output;
        EXPECT_TRUE(exists(h + "/quilter-rescue.lab"));
    }
    // A macro run from the prompt is a script: fatal.
    std::string h = home("macro");
    terminal::Run m = terminal::onterminal(h, {{"readlabel old.lab\r", "file opened"},
                                               {"./mistake\r", "FATAL ERROR: Check params again"}});
    EXPECT_EQ(m.status, 1) << m.output;
    EXPECT_TRUE(exists(h + "/quilter-rescue.lab"));
}

TEST(Terminal, QuitWarnsOnceForADesignNoFileHolds) {
    const std::string warning = "The last design is not in any file";
    const Step read = {"readlabel old.lab\r", "file opened"};
    const Step change = {"copyschedule origin=1 destin=2\r", "\n"};
    struct Case {
        const char* what;
        std::vector<Step> steps;
        int warnings;
    } cases[] = {
        {"read from a file", {read, {"quit\r", ""}}, 0},
        {"changed", {read, change, {"quit\r", warning}, {"quit\r", ""}}, 1},
        {"changed, then written",
         {read, change, {"quit\r", warning}, {"writelabel new.lab\r", "\n"}, {"quit\r", ""}},
         1},
        {"warned, then another command",
         {read,
          change,
          {"quit\r", warning},
          {"library\r", "\n"},
          {"quit\r", warning, 2},
          {"quit\r", ""}},
         2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        terminal::Run r = terminal::onterminal(home("quit"), c.steps);
        EXPECT_EQ(r.status, 0) << r.output;
        EXPECT_EQ(count(r.output, warning), c.warnings) << r.output;
        EXPECT_FALSE(has(r.output, "*** ERROR")) << r.output;
    }
    // Piped, quit ends at once.
    terminal::Run p =
        piped(home("quitpiped"), "readlabel old.lab\\ncopyschedule origin=1 destin=2\\nquit\\n");
    EXPECT_EQ(p.status, 0) << p.output;
    EXPECT_EQ(count(p.output, warning), 0) << p.output;
}

}  // namespace
