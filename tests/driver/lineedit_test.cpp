// Line editing at a real terminal: the program runs on a pseudo-terminal,
// keys are typed into it, and the recall list survives into the next run.
// Piped input must see none of it.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string scratchhome(const std::string& name) {
    std::string dir = ::testing::TempDir() + "lineedit_" + std::to_string(getpid()) + "_" + name;
    mkdir(dir.c_str(), 0700);
    std::remove((dir + "/.quilter_history").c_str());
    return dir;
}

struct Step {
    std::string keys;
    std::string until;  // output to wait for before the next step
    int count = 1;      // ... this many times in the whole output
};

int occurrences(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

// Runs the program on a pseudo-terminal; returns all it wrote.
std::string onterminal(const std::string& home, const std::vector<Step>& steps) {
    int master = -1;
    pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    if (pid == 0) {
        setenv("HOME", home.c_str(), 1);
        setenv("TERM", "xterm", 1);
        setenv("KEMRALIB", QUILTER_SOURCE_SHARE, 1);
        unsetenv("KEMRAINIT");
        if (chdir(home.c_str()) != 0) _exit(127);
        execl(QUILTER_BINARY, "quilter", static_cast<char*>(nullptr));
        _exit(127);
    }
    std::string output;
    auto readuntil = [&](const std::string& what, int count) {
        // A generous fail-safe so that a broken editor ends the test
        // instead of hanging it.
        for (int waited = 0; waited < 600; ++waited) {
            if (!what.empty() && occurrences(output, what) >= count) return true;
            pollfd p{master, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0) continue;
            char buf[4096];
            ssize_t n = read(master, buf, sizeof buf);
            if (n <= 0) return what.empty();  // the program has ended
            output.append(buf, static_cast<size_t>(n));
        }
        return false;
    };
    // The editor draws an empty line when it is ready for keys; keys typed
    // before that would meet the terminal's own line mode.
    const std::string ready = "\r\x1b[0K\r";
    int step = 0;
    for (const Step& s : steps) {
        EXPECT_TRUE(readuntil(ready, ++step)) << output;
        EXPECT_EQ(write(master, s.keys.data(), s.keys.size()), static_cast<ssize_t>(s.keys.size()));
        EXPECT_TRUE(readuntil(s.until, s.count)) << "waiting for " << s.until << " in\n" << output;
    }
    if (!readuntil("", 0)) kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    close(master);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
    return output;
}

std::string readfile(const std::string& f) {
    std::ifstream in(f);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
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
    EXPECT_EQ(readfile(home + "/.quilter_history"),
              "print hello-one\nprint hello-one\nprint hello-two\nprint hello-Xtwo\nquit\n");

    // The next run starts with that list: two lines up is the last print.
    out = onterminal(home, {{up + up + "\r", "\nhello-Xtwo", 1}, {"\x04", "", 0}});
    EXPECT_EQ(occurrences(out, "\nhello-Xtwo"), 1) << out;
}

TEST(LineEdit, CtrlCDropsTheLineAndKeepsReading) {
    std::string home = scratchhome("ctrlc");
    std::string out = onterminal(
        home, {{"print dropped\x03", "^C", 1}, {"print kept\r", "\nkept", 1}, {"quit\r", "", 0}});
    EXPECT_EQ(occurrences(out, "\ndropped"), 0) << out;
}

TEST(LineEdit, PipedInputSeesNoEscapeCodesAndWritesNoHistory) {
    std::string home = scratchhome("piped");
    std::string cmd = "printf 'print piped\\n\\033[A\\n' | HOME=" + home +
                      " KEMRALIB=" + QUILTER_SOURCE_SHARE + " " + QUILTER_BINARY + " 2>&1";
    std::FILE* p = popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    EXPECT_EQ(pclose(p), 0);
    EXPECT_NE(out.find("\npiped\n"), std::string::npos) << out;
    EXPECT_EQ(out.find('\x1b'), std::string::npos) << out;
    std::ifstream history(home + "/.quilter_history");
    EXPECT_FALSE(history.good());
}

}  // namespace
