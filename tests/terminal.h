// Runs the program on a pseudo-terminal: keys are typed into it step by
// step, each step waiting for the output it should bring.
#pragma once

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "testutil.h"

namespace terminal {

// A fresh home directory (no recall list) of its own for a test.
inline std::string scratchhome(const std::string& name) {
    std::string dir = ::testing::TempDir() + "terminal_" + std::to_string(getpid()) + "_" + name;
    mkdir(dir.c_str(), 0700);
    std::remove((dir + "/.quilter_history").c_str());
    return dir;
}

struct Step {
    std::string keys;
    std::string until;  // output to wait for before the next step
    int count = 1;      // ... this many times in the whole output
};

struct Run {
    std::string output;  // all the program wrote
    int status = -1;     // exit status; -1 when it did not exit by itself
};

// Runs the program in home (its current directory) with the given words.
inline Run onterminal(const std::string& home, const std::vector<Step>& steps,
                      const std::vector<std::string>& args = {}) {
    int master = -1;
    pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    if (pid == 0) {
        setenv("HOME", home.c_str(), 1);
        setenv("TERM", "xterm", 1);
        setenv("KEMRALIB", QUILTER_SOURCE_SHARE, 1);
        unsetenv("KEMRAINIT");
        if (chdir(home.c_str()) != 0) _exit(127);
        std::vector<char*> argv{const_cast<char*>("quilter")};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(QUILTER_BINARY, argv.data());
        _exit(127);
    }
    Run run;
    std::string& output = run.output;
    auto readuntil = [&](const std::string& what, int count) {
        // A generous fail-safe so that a broken editor ends the test
        // instead of hanging it.
        for (int waited = 0; waited < 600; ++waited) {
            if (!what.empty() && testutil::count(output, what) >= count) return true;
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
    bool ended = readuntil("", 0);
    if (!ended) kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    close(master);
    if (ended && WIFEXITED(status)) run.status = WEXITSTATUS(status);
    return run;
}

// The program in home with the lines (printf escapes) as standard input,
// which is no terminal.
inline Run piped(const std::string& home, const std::string& lines) {
    std::string cmd = "cd " + home + " && printf '" + lines + "' | HOME=" + home +
                      " KEMRALIB=" + QUILTER_SOURCE_SHARE + " " + QUILTER_BINARY + " 2>&1";
    Run r;
    std::FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.output.append(buf, n);
    int status = pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

}  // namespace terminal
