// Hostile input to the interpreter: text that looks like message tokens,
// integer overflow, oversized selections and values, and output files that
// cannot be written.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>

#include "kemlang/expr.h"
#include "kemlang/interp.h"
#include "kemlang/params.h"
#include "kemlang/print.h"
#include "kemlang/services.h"
#include "kemlang/vars.h"
#include "kemloop.h"
#include "testutil.h"

namespace {

using testutil::has;
using testutil::slurp;

std::string captured(const std::function<void()>& f) {
    std::string cap;
    kemlangdata.capture = &cap;
    clrerr();
    f();
    kemlangdata.capture = nullptr;
    clrerr();
    return cap;
}

// A fresh directory per test, so parallel test processes never meet.
std::string scratch(const std::string& name) {
    std::string d = ::testing::TempDir() + "robust_" + std::to_string(getpid()) + "_" + name;
    std::string cmd = "rm -rf '" + d + "' && mkdir -p '" + d + "'";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    return d;
}

// Runs lines through the interpreter as if typed; application commands are
// unknown to this driver, as when the program has no such command.
std::string session(const std::string& input) {
    std::istringstream in(input + "\nquit\n");
    std::streambuf* old = std::cin.rdbuf(in.rdbuf());
    std::string out = captured([] {
        kemlang_reset();
        inivar();
        kemloop();
    });
    std::cin.rdbuf(old);
    return out.substr(out.find('\n') + 1);  // without the missing-init warning
}

TEST(Messages, InsertedTextIsPrintedAsData) {
    const char* texts[] = {"%9999999999d",  "%Z400s",      "50% of %A",
                           "%-2147483648s", "%A%B%C%D.5f", "@_%d"};
    for (const char* t : texts) {
        std::string out = captured([&] { putlin(12, std::string("[") + t + "]"); });
        EXPECT_EQ(out, std::string("[") + t + "]\n") << t;
        out = captured([&] { errmsg("Bad " + strq(t) + "."); });
        EXPECT_EQ(out, std::string("*** ERROR: Bad \"") + t + "\".\n") << t;
    }
    // Even a forged token cannot ask for more than a bounded field.
    std::string forged = std::string(1, kTokenMark) + "A999999999999999d";
    std::string out = captured([&] { putlin(12, forged + "|" + intn(5, 9999)); });
    EXPECT_LE(out.size(), static_cast<size_t>(2 * kMaxField + 40));
}

// Messages made and dropped (a skipped line's) fill the argument store; a
// message made after them still gets every argument it holds.
TEST(Messages, DroppedMessagesNeverUseUpTheStore) {
    for (int dropped : {0, 1, 28, 29, 30, 1000}) {
        for (int i = 0; i < dropped; ++i) (void)intp(i);
        std::string text, want;
        for (int k = 1; k <= kMaxPrintArgs; ++k) {
            text += (k % 2 ? intp(k) : strp("s" + std::to_string(k))) + " ";
            want += (k % 2 ? std::to_string(k) : "s" + std::to_string(k)) + " ";
        }
        EXPECT_EQ(captured([&] { putlin(12, text); }), trim(want) + "\n") << dropped;
    }
}

TEST(Expr, IntegerOverflowIsIllegal) {
    inivar();
    setvar("big", "9223372036854775807", kVarGlobal);
    setvar("small", "-9223372036854775808", kVarGlobal);
    struct {
        const char* text;
        const char* value;  // nullptr: illegal
    } cases[] = {{"2147483647*2147483647*4", nullptr},
                 {"2**63", nullptr},
                 {"(-2)**64", nullptr},
                 {"3**41", nullptr},
                 {"big+1", nullptr},
                 {"small-1", nullptr},
                 {"small/(-1)", nullptr},
                 {"-small", nullptr},
                 {"abs(small)", nullptr},
                 {"mod(small,-1)", nullptr},
                 {"small*(-1)", nullptr},
                 {"sign(small,1)", nullptr},
                 {"big*big", nullptr},
                 {"1.0E1001", nullptr},
                 {"2**62", "4611686018427387904"},
                 {"(-2)**63", "-9223372036854775808"},
                 {"big-1+1", "9223372036854775807"},
                 {"mod(small,1)", "0"},
                 {"small/1", "-9223372036854775808"},
                 {"(-1)**1000000001", "-1"},
                 {"0**0", "1"},
                 {"1**big", "1"},
                 {"abs(-big)", "9223372036854775807"},
                 {"99999999999999999999.0*0", "0.0"}};
    for (const auto& c : cases) {
        bool err = c.value != nullptr;  // the opposite of what the evaluation must say
        const std::string v = seva(c.text, err);
        EXPECT_EQ(err, c.value == nullptr) << c.text;
        if (c.value) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
}

TEST(Params, MalformedSyntaxAndExtremeIntegers) {
    struct {
        const char* syntax;
        const char* word;
        bool error;
    } cases[] = {
        {"x=@=5", "", false},
        {"x=@", "7", false},
        {"seedvar=@i=1", "seedvar=-2147483647-1", true},
        {"seedvar=@i=1", "seedvar=-2147483647", false},
        {"seedvar=@i=1", "seedvar=2147483647", false},
        {"seedvar=@i=1", "seedvar=2147483648", true},
        {"r=@ii=1..2", "r=-10000001..0", true},
    };
    for (const auto& c : cases) {
        bool err = false;
        captured([&] {
            std::vector<std::string> w;
            if (*c.word) w.push_back(c.word);
            int n = static_cast<int>(w.size());
            params(w, n, c.syntax);
            err = haverr();
        });
        EXPECT_EQ(err, c.error) << c.syntax << " " << c.word;
    }
}

// Values set by the program itself are cut to a text's length, with a warning.
TEST(Vars, ProgramValuesAreCutToATextLength) {
    inivar();
    std::string out = captured([] { setvar("b", std::string(500, 'z'), kVarGlobal); });
    EXPECT_EQ(getval("b").size(), 400u);
    EXPECT_TRUE(has(out, "WARNING"));
}

// A command that reports an error still writes its file: the error is on
// the screen and in the file. Only a file that cannot be written keeps its
// old contents.
TEST(Redirection, KeepsErrorsAndReplacesTheFileOnlyWhenWritten) {
    std::string d = scratch("redirect");
    std::string f = d + "/keep.txt";
    struct {
        std::string line;
        bool diskfull;
        std::string file, out;
    } cases[] = {
        {"print new > " + f, false, "new\n", ""},
        {"print more >> " + f, false, "old\nmore\n", ""},
        // The hint is information: it goes to the file only.
        {"nosuch > " + f, false,
         "*** ERROR: Illegal command \"nosuch\".\n    Type \"help\" for the list of topics.\n",
         "*** ERROR: Illegal command \"nosuch\".\n"},
        {"error went wrong > " + f, false, "*** ERROR: went wrong\n", "*** ERROR: went wrong\n"},
        {"error again >> " + f, false, "old\n*** ERROR: again\n", "*** ERROR: again\n"},
        {"print new > " + f, true, "old\n",
         "*** ERROR: Cannot write output redirection file \"" + f +
             "\".\n           No space left on device\n"},
    };
    for (const auto& c : cases) {
        std::ofstream(f) << "old\n";
        failwrites(c.diskfull);
        std::string out = session(c.line);
        failwrites(false);
        EXPECT_EQ(out, c.out) << c.line;
        EXPECT_EQ(slurp(f), c.file) << c.line;
    }
    // A fatal end keeps the file with the fatal message in it.
    if (pid_t child = fork(); child == 0) {
        session("abort > " + f);
        std::_Exit(3);  // not reached: abort ends the program
    } else {
        int wstatus = 0;
        waitpid(child, &wstatus, 0);
        EXPECT_TRUE(WIFEXITED(wstatus) && WEXITSTATUS(wstatus) == 1) << wstatus;
        EXPECT_EQ(slurp(f), "*** FATAL ERROR: Program aborted.\n");
    }
    std::string ls = "ls -A '" + d + "' > '" + d + ".ls'";
    ASSERT_EQ(std::system(ls.c_str()), 0);
    EXPECT_EQ(slurp(d + ".ls"), "keep.txt\n");  // no temporary left behind
}

// A pipe or a device (/dev/null) is written as it is; a file in its place
// would break it for every other program. A pipe stands in for the device.
TEST(Redirection, APipeIsWrittenNotReplaced) {
    std::string d = scratch("fifo");
    std::string p = d + "/pipe";
    ASSERT_EQ(mkfifo(p.c_str(), 0644), 0);
    int reader = open(p.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_EQ(session("print through the pipe > " + p), "");
    char buf[64] = {};
    ssize_t n = read(reader, buf, sizeof buf - 1);
    close(reader);
    EXPECT_EQ(std::string(buf, n > 0 ? static_cast<size_t>(n) : 0), "through the pipe\n");
    struct stat st;
    EXPECT_TRUE(lstat(p.c_str(), &st) == 0 && S_ISFIFO(st.st_mode));
}

TEST(Redirection, ReadOnlyDirectoryIsRefusedWithTheReason) {
    // Root writes into directories without write permission; sysfs refuses
    // even root.
    bool root = geteuid() == 0;
    std::string d = root ? "/sys" : scratch("readonly");
    if (!root) chmod(d.c_str(), 0555);
    std::string out = session("print x > " + d + "/x.txt");
    if (!root) chmod(d.c_str(), 0755);
    std::string head = "*** ERROR: Cannot redirect output to \"" + d + "/x.txt\".\n           ";
    EXPECT_TRUE(out == head + "Permission denied\n" || out == head + "Read-only file system\n")
        << out;
}

TEST(PlotAndProtocol, WriteFailuresAreReported) {
    std::string d = scratch("plot");
    std::string eps = d + "/old.eps";
    std::ofstream(eps) << "OLD\n";
    failwrites(true);
    std::string out = session("plot ps " + eps + "\nplot line 0 0 1 1\nplot close");
    failwrites(false);
    EXPECT_EQ(out, "*** ERROR: Cannot write output plot file \"" + eps +
                       "\".\n           No space left on device\n");
    EXPECT_EQ(slurp(eps), "OLD\n");
    out = session("plot ps " + eps + "\nplot line 0 0 1 1\nplot close");
    EXPECT_EQ(slurp(eps).substr(0, 11), "%!PS-Adobe-");
    EXPECT_EQ(slurp(eps).substr(slurp(eps).size() - 6), "%%EOF\n");

    // A plot still open when the program ends is completed, not cut short.
    std::ofstream(eps) << "OLD\n";
    pid_t child = fork();
    if (child == 0) {
        session("plot ps " + eps + "\nplot line 0 0 1 1");
        std::exit(0);
    }
    int wstatus = 0;
    waitpid(child, &wstatus, 0);
    EXPECT_EQ(slurp(eps).substr(slurp(eps).size() - 6), "%%EOF\n");

    std::string log = d + "/log.txt";
    out = session("set protocol=" + log + "\nprint one\nset protocol=none");
    EXPECT_EQ(slurp(log), "one\n");
    out = session("set protocol=" + log + "\nprint two\nset protocol=none");
    EXPECT_EQ(slurp(log), "one\ntwo\n");
    failwrites(true);
    out = session("set protocol=" + log + "\nprint three\nprint four");
    failwrites(false);
    EXPECT_EQ(out, "three\n*** ERROR: Cannot write protocol file \"" + log +
                       "\".\n           No space left on device\nfour\n");
    session("set protocol=none");
}

// The protocol grows in place, under the rules of every other output file.
TEST(PlotAndProtocol, ProtocolThroughLinksNeverOverAReadOnlyFile) {
    std::string d = scratch("protocol");
    std::string log = d + "/log.txt";
    ASSERT_EQ(symlink("made.txt", log.c_str()), 0);  // to a file not made yet
    session("set protocol=" + log + "\nprint one\nset protocol=none");
    struct stat st;
    EXPECT_EQ(lstat(log.c_str(), &st) == 0 && S_ISLNK(st.st_mode), true);
    EXPECT_EQ(slurp(d + "/made.txt"), "one\n");
    std::string ro = d + "/ro.txt";
    std::ofstream(ro) << "keep\n";
    chmod(ro.c_str(), 0444);
    std::string out = session("set protocol=" + ro + "\nprint two\nset protocol=none");
    EXPECT_EQ(out, "*** ERROR: Cannot open protocol file \"" + ro +
                       "\".\n           Permission denied\ntwo\n");
    EXPECT_EQ(slurp(ro), "keep\n");
}

}  // namespace
