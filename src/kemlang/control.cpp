// Control flow of the interpreter: if blocks, do loops, break and goto move
// through the lines of the running macro, and the lines of a branch or loop
// body not taken are read past without being run.
//
// Our choices:
//  - Labels for goto are lines of one word ending in ":" (e.g. "again:").
//    A jump leaves every loop and if block opened in the macro since.
//  - "exit" at the terminal level is refused (it must leave a macro);
//    "return" at the terminal level ends the program.
#include <string>
#include <vector>

#include "kemlang/expr.h"
#include "kemlang/interp.h"
#include "kemlang/interpstate.h"
#include "kemlang/print.h"
#include "kemlang/services.h"
#include "kemlang/vars.h"

using Words = std::vector<std::string>;

namespace interp {

namespace {

// True when a line of a skipped region is "if (...) then".
bool blockif(const std::string& line) {
    std::string t = trim(lefstr(line));
    if (t.compare(0, 2, "if") != 0 || (t.size() > 2 && t[2] != ' ' && t[2] != '(')) return false;
    return t.size() >= 4 && t.compare(t.size() - 4, 4, "then") == 0 &&
           (t.size() == 4 || t[t.size() - 5] == ' ' || t[t.size() - 5] == ')');
}

bool isenddo(const std::string& w0, const std::vector<std::string>& w) {
    return w0 == "enddo" || (w0 == "end" && w.size() > 1 && w[1] == "do");
}
bool isendif(const std::string& w0, const std::vector<std::string>& w) {
    return w0 == "endif" || (w0 == "end" && w.size() > 1 && w[1] == "if");
}

// Splits "(expr) rest": returns false with a message when malformed.
bool condition(const std::string& text, std::string& expr, std::string& rest, const char* stmt) {
    std::string t = lefstr(text);
    if (t.empty() || t[0] != '(') {
        errmsg(std::string("Missing \"(\" after \"") + stmt + "\".");
        return false;
    }
    int depth = 0;
    bool quote = false;
    for (size_t i = 0; i < t.size(); ++i) {
        char c = t[i];
        if (c == '\'') quote = !quote;
        if (quote) continue;
        if (c == '(') ++depth;
        if (c == ')' && --depth == 0) {
            expr = t.substr(1, i - 1);
            rest = trim(lefstr(t.substr(i + 1)));
            return true;
        }
    }
    errmsg("Missing \")\"");
    return false;
}

bool truth(const std::string& expr, bool& value) {
    bool err = false;
    value = leva(expr, err);
    if (err) errmsg("Illegal logical expression " + strq(expr) + ".");
    return !err;
}

void cmddo(Words& w, int n) {
    Source& s = cur();
    if (s.terminal) {
        errmsg("Loops are only allowed in macros.");
        return;
    }
    if (s.loops.size() >= static_cast<size_t>(kMaxLoops)) {
        errmsg("Too many nested loops.");
        return;
    }
    LoopFrame f;
    f.start = s.pos;
    f.ifdepth = s.ifs.size();
    if (n > 0 && (w[0] == "parallel" || w[0] == "continue")) {
        errmsg("Illegal number of processors.");
        return;
    }
    if (n == 0) {
        f.forever = true;
        s.loops.push_back(f);
        return;
    }
    if (n != 3 && n != 4) {
        errmsg("Illegal number of parameters.");
        return;
    }
    long long v[3] = {0, 0, 1};
    for (int k = 1; k < n; ++k) {
        bool err = false;
        v[k - 1] = ieva(w[k], err);
        if (err) {
            errmsg("Illegal expression " + strq(w[k]) + ".");
            return;
        }
    }
    if (v[2] == 0) {
        errmsg("Illegal expression " + strq(w[3]) + ".");
        return;
    }
    f.var = w[0];
    f.count = v[0];
    f.end = v[1];
    f.inc = v[2];
    if (f.inc > 0 ? f.count > f.end : f.count < f.end) {
        s.skipdo = 1;  // zero-trip loop
        return;
    }
    setvar(f.var, intstr(static_cast<int>(f.count)), kVarDeclare);
    s.loops.push_back(f);
}

void cmdedo() {
    Source& s = cur();
    if (s.loops.empty()) {
        errmsg("\"end do\" out of place.");
        return;
    }
    LoopFrame& f = s.loops.back();
    s.ifs.resize(f.ifdepth);
    if (!f.forever) {
        f.count += f.inc;
        if (f.inc > 0 ? f.count > f.end : f.count < f.end) {
            s.loops.pop_back();
            return;
        }
        setvar(f.var, std::to_string(f.count), kVarDeclare);
    }
    s.pos = f.start;
}

void cmdbrk(int n) {
    Source& s = cur();
    if (s.loops.empty()) {
        errmsg("\"break\" can only stand within a loop.");
        return;
    }
    if (n > 0) {
        errmsg("\"break\" must not have parameters.");
        return;
    }
    s.ifs.resize(s.loops.back().ifdepth);
    s.loops.pop_back();
    s.skipdo = 1;
}

void cmdgoto(Words& w, int n) {
    Source& s = cur();
    if (s.terminal) {
        errmsg("Jumps are only allowed in macros.");
        return;
    }
    if (n > 0 && w[0] == "to") {
        w.erase(w.begin());
        --n;
    }
    if (n != 1) {
        errmsg("Illegal number of labels.");
        return;
    }
    for (size_t i = 0; i < s.lines.size(); ++i)
        if (trim(lefstr(s.lines[i])) == w[0] + ":") {
            s.pos = i + 1;
            s.loops.clear();
            s.ifs.clear();
            s.skipdo = 0;
            return;
        }
    errmsg("Missing label \"" + strp(w[0]) + "\"");
}

}  // namespace

// Handles lines inside a skipped if branch or a skipped loop body; returns
// true when the line was consumed by the skipping.
bool skipping(const std::string& line) {
    Source& s = cur();
    std::vector<std::string> w = split(line, 3);
    std::string w0 = w.empty() ? "" : w[0];
    if (s.skipdo > 0) {
        if (w0 == "do")
            ++s.skipdo;
        else if (isenddo(w0, w))
            --s.skipdo;
        return true;
    }
    if (s.ifs.empty() || s.ifs.back().executing) return false;
    if (blockif(line)) {
        s.ifs.push_back({false, true});
        return true;
    }
    if (isendif(w0, w)) {
        s.ifs.pop_back();
        return true;
    }
    if (w0 == "else" && !s.ifs.back().taken) {
        std::string rest = lefstr(lefstr(line).substr(4));
        std::vector<std::string> rw = split(rest, 1);
        if (rw.empty()) {
            s.ifs.back() = {true, true};
            return true;
        }
        if (rw[0].compare(0, 2, "if") == 0) {
            std::string expr, tail;
            std::string after = repvar(lefstr(rest).substr(2));
            bool v = false;
            if (condition(after, expr, tail, "if") && truth(expr, v) && v)
                s.ifs.back() = {true, true};
        }
        return true;
    }
    return true;
}

bool flow(const std::string& c, Words& w, int n, const std::string& line) {
    if (c == "if") {
        std::string expr, rest;
        std::string text = afterword(line);
        bool v = false;
        if (!condition(text, expr, rest, "if") || !truth(expr, v)) return true;
        if (rest == "then") {
            cur().ifs.push_back({v, v});
        } else if (rest.empty()) {
            errmsg("Illegal number of parameters.");
        } else if (split(rest, 1)[0] == "then") {
            errmsg("Illegal use of \"then\".");
        } else if (v) {
            st.pending.push_front(rest);
        }
    } else if (c == "else") {
        Source& s = cur();
        if (s.ifs.empty())
            errmsg("\"else\" out of place.");
        else
            s.ifs.back().executing = false;  // the taken branch ends here
    } else if (isendif(c, w.empty() ? std::vector<std::string>{c} : Words{c, w[0]})) {
        if (cur().ifs.empty())
            errmsg("\"end if\" out of place.");
        else
            cur().ifs.pop_back();
    } else if (c == "do") {
        cmddo(w, n);
    } else if (isenddo(c, n > 0 ? Words{c, w[0]} : Words{c})) {
        cmdedo();
    } else if (c == "break") {
        cmdbrk(n);
    } else if (c == "goto" || (c == "go" && n > 0 && w[0] == "to")) {
        cmdgoto(w, n);
    } else if (c == "return" || c == "exit") {
        if (c == "exit" && n > 0) {
            errmsg("\"exit\" must not have parameters.");
        } else if (st.src.size() <= 1) {
            if (c == "exit")
                errmsg("\"exit\" is only allowed in macros.");
            else
                stopit(0);
        } else {
            macend(false);
        }
    } else {
        return false;
    }
    return true;
}

}  // namespace interp
