// The command line: options before the script, everything after it belongs
// to the script.
#include "driver/cmdline.h"

#include <gtest/gtest.h>

#include "testutil.h"

namespace {

using Args = std::vector<std::string>;
using A = CommandLine::Action;

TEST(CommandLine, OptionsScriptAndArguments) {
    std::string script = testutil::writefile("design.kem", "print hi\n");
    std::string stem = script.substr(0, script.size() - 4);
    Args fifty{script}, more;  // a script takes at most fifty arguments
    fifty.resize(51, "w");
    more = fifty;
    more.push_back("w");
    struct Case {
        Args argv;
        A action;
        std::string script;
        Args args;
    } cases[] = {
        {{}, A::run, "", {}},
        {{"-h"}, A::help, "", {}},
        {{"--help", script}, A::help, "", {}},
        {{"-v"}, A::refuse, "", {}},
        {{"-"}, A::refuse, "", {}},
        {{script, "a", "-b", "--help"}, A::run, script, {"a", "-b", "--help"}},
        {{"--", script, "x"}, A::run, script, {"x"}},
        {{stem, "gb1.fasta"}, A::run, script, {"gb1.fasta"}},  // ".kem" may be left out
        {{script + ".missing"}, A::refuse, "", {}},
        {{script, ""}, A::run, script, {""}},
        {fifty, A::run, script, Args(50, "w")},
        {more, A::refuse, script, Args(51, "w")},
    };
    for (const Case& c : cases) {
        CommandLine cl = parsecmdline(c.argv);
        std::string shown = c.argv.empty() ? "(none)" : c.argv[0];
        EXPECT_EQ(cl.action, c.action) << shown;
        EXPECT_EQ(cl.script, c.script) << shown;
        EXPECT_EQ(cl.args, c.args) << shown;
        EXPECT_EQ(cl.error.empty(), c.action != A::refuse) << shown;
    }
}

}  // namespace
