// The interpreter's own state and the steps its files share: interp.cpp (the
// input sources and the statement loop), control.cpp (if blocks, loops and
// jumps) and lines.cpp (the text of a line: comments, recall, words and
// output redirection). The namespace keeps these names to those files.
#pragma once

#include <cstddef>
#include <ctime>
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "kemlang/services.h"

namespace interp {

struct IfFrame {
    bool executing;  // lines of the current branch run
    bool taken;      // some branch has run (or the block is inside a skipped one)
};

struct LoopFrame {
    std::string var;
    long long count = 0, end = 0, inc = 1;
    bool forever = false;
    size_t start = 0;    // first line of the body
    size_t ifdepth = 0;  // if blocks open at loop entry
};

struct Source {
    bool terminal = false;
    std::string name, full;  // as given / full path
    std::vector<std::string> lines;
    size_t pos = 0;
    int mark = 0;  // first local variable
    bool incomment = false;
    std::vector<IfFrame> ifs;
    std::vector<LoopFrame> loops;
    int skipdo = 0;     // > 0: skipping to the matching "end do"
    bool body = false;  // a statement other than a declaration has run
};

struct InterpState {
    std::vector<Source> src;  // src[0] is the terminal
    std::string libdir, inifil, hlpdir, ext = ".kem";
    bool initdone = false, iniexists = false, firstread = true;
    std::deque<std::string> pending;  // lines to run next (already substituted)
    std::vector<std::string> history;
    std::map<std::string, std::pair<std::string, std::vector<std::string>>> usercmds;
    double cpustart = 0, cmdstart = 0;
    std::time_t wallstart = 0;
    bool redirected = false;
    OutFile redirfile;
    size_t redirdepth = 0;    // input depth of the redirected command
    int fuzzlines = 0;        // lines read (fuzzing builds stop at a budget)
    bool erractnext = false;  // the next pending line is the error action
    bool inerract = false;    // the line running now is the error action
    bool tty = false;
    int maxpar = 50;
    void reset() { *this = InterpState(); }
};

extern InterpState st;

inline Source& cur() { return st.src.back(); }

// Leaves the innermost macro (interp.cpp); atend: it ran off its last line.
void macend(bool atend = true);

// Control flow (control.cpp). skipping consumes the lines of a branch or
// loop body not taken; flow runs if, else, end if, do, end do, break, goto,
// return and exit, false when c is none of them.
bool skipping(const std::string& line);
bool flow(const std::string& c, std::vector<std::string>& w, int n, const std::string& line);

// The text of a line (lines.cpp).
std::string afterword(const std::string& line);
bool assignment(const std::vector<std::string>& w, std::string& stmt);
void redirect(std::vector<std::string>& w, int& n);
void closeredir();

}  // namespace interp
