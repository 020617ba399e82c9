// The statement interpreter: reads lines from the terminal, macro files and
// in-memory loops, executes its own statements and returns every other line
// to the driver as a command word with its parameter words.
#pragma once

#include <string>
#include <vector>

constexpr int kMaxLine = 400;   // characters per command line
constexpr int kMaxMacros = 20;  // macro files open at once

// status: 0 on the first call (initialisation only), 1 after the driver did
// not know the previous command word; reset to 0 by the interpreter.
// Returns the next application command in cmd, param[0..npar-1].
void kemlang(int& status, std::string& cmd, std::vector<std::string>& param, int& npar,
             int maximum, const std::string& ext, const std::string& libdir,
             const std::string& inifil, const std::string& hlpdir);

// Resets the interpreter's private state (tests start from a clean state).
void kemlang_reset();
