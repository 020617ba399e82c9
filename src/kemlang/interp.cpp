// The statement interpreter: input sources (terminal, macro files and stored
// commands held in memory), comments, continuation, substitution, recall,
// aliases, assignments, redirection, control flow and the built-in statements.
//
// Our choices:
//  - Macro files are loaded into memory when they are opened, so loops and
//    jumps move by line index; at the terminal lines are read one at a time.
//  - When standard input is not a terminal no prompt is shown; the end of
//    standard input at the terminal level ends the program as "quit" does.
//  - Labels for goto are lines of one word ending in ":" (e.g. "again:").
//    A jump leaves every loop and if block opened in the macro since.
//  - "exit" at the terminal level is refused (it must leave a macro);
//    "return" at the terminal level ends the program.
//  - Echo of macro lines (echo on): the substituted line, unindented, after
//    "> ".
//  - Words are split at blanks; a blank escaped by "\" and blanks inside
//    single or double quotes do not split.
#include "kemlang/interp.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <ctime>
#include <deque>
#include <fstream>
#include <iostream>
#include <map>

#include "kemlang/expr.h"
#include "kemlang/gplot.h"
#include "kemlang/lineedit.h"
#include "kemlang/params.h"
#include "kemlang/print.h"
#include "kemlang/services.h"
#include "kemlang/startscript.h"
#include "kemlang/suggest.h"
#include "kemlang/vars.h"

using Words = std::vector<std::string>;

// Built-in statements of the statements module.
void cmdpri(const std::string& statement, Words& words, int nwords);
void cmdali(Words& words, int nwords);
bool findalias(const std::string& word, std::string& definition);
void statements_reset();
void cmdrln(Words& words, int nwords);
void cmdtyp(Words& words, int nwords);
void cmdhlp(Words& words, int nwords, const std::string& hlpdir);
void cmdrem(Words& words, int nwords);
void cmdsys(Words& words, int nwords);
void cmdslp(Words& words, int nwords);
void cmdcd(Words& words, int nwords);
void cmdplo(Words& words, int nwords);

namespace {

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

InterpState st;

double cputime() {
    struct rusage ru;
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_utime.tv_sec + ru.ru_stime.tv_sec +
           1e-6 * (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec);
}

void onsigint(int) { intrpt = 1; }

bool exists(const std::string& f) {
    struct stat s;
    return stat(f.c_str(), &s) == 0 && S_ISREG(s.st_mode);
}

Source& cur() { return st.src.back(); }

// The text of a line after its first word ("if (x) then" gives " (x) then").
std::string afterword(const std::string& line) {
    size_t b = line.find_first_not_of(' ');
    if (b == std::string::npos) return std::string();
    size_t e = line.find(' ', b);
    return e == std::string::npos ? std::string() : line.substr(e);
}

// Ends the redirection of the command that just finished. The file is kept
// when the command reported an error too: the error went to the screen and
// into the file, which is where a script's log of a run is looked for.
void closeredir() {
    if (!st.redirected) return;
    kemlangdata.redir = nullptr;
    kemlangdata.iured = 0;
    st.redirected = false;
    std::string name = st.redirfile.name, reason;
    if (!outcommit(st.redirfile, reason))
        errmsg("Cannot write output redirection file " + strq(name) + ".@/" + strp(reason));
}

// Leaves the innermost macro: its locals go, the special variables are
// applied again from what remains. Blocks still open are an error only when
// the macro runs off its end; "exit", "return" and an error action leave
// them on purpose.
void macend(bool atend = true) {
    if (st.src.size() <= 1) return;
    Source& s = cur();
    if (!atend) {
    } else if (!s.ifs.empty())
        errmsg("Missing \"end if\".");
    else if (!s.loops.empty() || s.skipdo > 0)
        errmsg("Missing \"end do\".");
    int mark = s.mark;
    st.src.pop_back();
    varrelease(mark);
    if (st.src.size() <= st.redirdepth) closeredir();
}

void macbeg(const std::string& name, const std::string& full, std::vector<std::string> lines,
            const Words& words, int nwords) {
    if (static_cast<int>(st.src.size()) - 1 >= kMaxMacros) {
        errmsg("Too many open macro files.");
        return;
    }
    Source s;
    s.name = name;
    s.full = full;
    s.lines = std::move(lines);
    s.mark = varmark();
    st.src.push_back(std::move(s));
    setvar("nparam", intstr(nwords), kVarDeclare);
    for (int i = 0; i < nwords; ++i) setvar("p" + intstr(i + 1), words[i], kVarDeclare);
}

void runmacro(const std::string& file, const Words& words, int nwords) {
    std::vector<std::string> lines;
    std::ifstream probe(file);
    if (!probe) {
        errmsg("Macro file " + strq(file) + " cannot be opened.");
        return;
    }
    if (!readlines(file, lines)) {
        errmsg("Macro file " + strq(file) + " cannot be loaded.");
        return;
    }
    char buf[4096];
    std::string full = file;
    if (file[0] != '/' && getcwd(buf, sizeof buf)) full = std::string(buf) + "/" + file;
    macbeg(file, full, std::move(lines), words, nwords);
}

// ---------------------------------------------------------------- reading

// Next raw line of the current source; false at its end.
bool rawline(std::string& line) {
    Source& s = cur();
    if (!s.terminal) {
        if (s.pos >= s.lines.size()) return false;
        line = s.lines[s.pos++];
        return true;
    }
    const bool edit = st.tty && lineeditable();
    if (edit &&
        !editline(kemlangdata.prompt.empty() ? "" : kemlangdata.prompt + " ", line, st.history))
        return false;
    if (!edit && st.tty && !kemlangdata.prompt.empty()) {
        std::fputs(kemlangdata.prompt.c_str(), stdout);
        std::fputs(" ", stdout);
        std::fflush(stdout);
    }
    if (!edit && !std::getline(std::cin, line)) {
        if (std::cin.bad()) errmsg("Cannot read line from standard input.");
        return false;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // Binary input: control characters other than tab become blanks.
    for (char& c : line)
        if ((static_cast<unsigned char>(c) < 32 && c != '\t') || c == 127)
            c = ' ';
        else if (c == '\t')
            c = ' ';
    return true;
}

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

// ---------------------------------------------------------------- statements

void redirect(Words& w, int& n) {
    if (n == 0) return;
    std::string last = w[n - 1], name;
    bool append = false;
    int drop = 0;
    if (n >= 2 && (w[n - 2] == ">" || w[n - 2] == ">>")) {
        append = w[n - 2] == ">>";
        name = last;
        drop = 2;
    } else if (last == ">" || last == ">>") {
        errmsg("Missing name of output redirection file.");
        n -= 1;
        return;
    } else if (last[0] == '>') {
        append = last.compare(0, 2, ">>") == 0;
        name = last.substr(append ? 2 : 1);
        drop = 1;
    } else {
        return;
    }
    n -= drop;
    if (name.empty()) {
        errmsg("Missing name of output redirection file.");
        return;
    }
    if (!chknam(name)) return;
    if (kemlangdata.redir) {
        errmsg("Too many open files for output redirection.");
        return;
    }
    std::string reason;
    if (!outopen(st.redirfile, name, append, reason)) {
        errmsg("Cannot redirect output to " + strq(name) + ".@/" + strp(reason));
        return;
    }
    kemlangdata.redir = st.redirfile.f;
    kemlangdata.iured = 1;
    st.redirected = true;
    st.redirdepth = st.src.size();
}

int infolevel(const std::string& v) {
    static const char* names[] = {"none", "minimal", "normal", "full", "debug"};
    for (int i = 0; i < 5; ++i)
        if (!v.empty() && std::string(names[i]).compare(0, v.size(), v) == 0) return i + 1;
    bool err = false;
    int k = ieva(v, err);
    return err ? 0 : k;
}

void definecmd(const std::string& stmt, Words& w, int n) {
    if (n == 0 && stmt == "command") {
        if (st.usercmds.empty()) {
            putlin(2, "No user-defined commands.");
            return;
        }
        putlin(2, "User-defined commands:");
        for (const auto& [name, def] : st.usercmds)
            putlin(2, "  " + name + " from macro " + def.first);
        return;
    }
    if (n != 1) {
        errmsg("Illegal number of parameters.");
        return;
    }
    if (stmt == "subroutine" && st.src.size() <= 1) {
        errmsg("Subroutines are only allowed in macros.");
        return;
    }
    std::vector<std::string> body;
    std::string line;
    int depth = 0;
    while (rawline(line)) {
        std::vector<std::string> lw = split(line, 2);
        std::string w0 = lw.empty() ? "" : lw[0];
        if ((w0 == "command" || w0 == "subroutine") && lw.size() > 1) ++depth;
        if (w0 == "end" && lw.size() == 1) {
            if (depth == 0) {
                st.usercmds[w[0]] = {cur().terminal ? std::string("terminal") : cur().name, body};
                return;
            }
            --depth;
        }
        body.push_back(line);
    }
    errmsg("Missing \"end\".");
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

// "var a b=2 c = 3": new local variables of the running macro that hide
// variables of the same name outside it until the macro ends.
void declare(const Words& w, int n) {
    std::string text = join(w, n), packed;
    for (size_t i = 0; i < text.size(); ++i) {  // blanks around "=" go
        if (text[i] == ' ' && ((i + 1 < text.size() && text[i + 1] == '=') ||
                               (!packed.empty() && packed.back() == '=')))
            continue;
        packed += text[i];
    }
    for (const std::string& item : split(packed, 1000)) {
        size_t eq = item.find('=');
        std::string name = item.substr(0, eq);
        std::string value = eq == std::string::npos ? std::string() : item.substr(eq + 1);
        if (name.empty()) {
            errmsg("Missing variable name.");
            return;
        }
        setvar(name, value, kVarDeclare);
        if (haverr()) return;
    }
}

// Returns true when the statement was a built-in handled here.
bool builtin(const std::string& c, Words& w, int n, const std::string& line, bool& leave) {
    leave = false;
    if (c == "set" || c == "eval" || c == "show" || c == "unset" || c == "external" ||
        c == "global") {
        cmdset(c, w, n);
    } else if (c == "parameter") {
        if (cur().terminal || cur().body)
            errmsg("Misplaced parameter statement.");
        else
            cmdsyn(w, n);
    } else if (c == "var") {
        if (cur().terminal || cur().body)
            errmsg("Misplaced local variable declaration.");
        else
            declare(w, n);
    } else if (c == "if") {
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
    } else if (c == "quit") {
        if (n > 0)
            errmsg("Illegal number of parameters.");
        else
            leave = true;
    } else if (c == "abort") {
        fatmsg("Program aborted.");
    } else if (c == "safe") {
        kemlangdata.safe = true;
        char buf[4096];
        if (kemlangdata.safdir.empty() && getcwd(buf, sizeof buf)) kemlangdata.safdir = buf;
        putlin(2, "Running in safe mode. File access restriced.");
    } else if (c == "command" || c == "subroutine") {
        definecmd(c, w, n);
    } else if (c == "syntax") {
        cmdsyn(w, n);
    } else if (c == "alias") {
        cmdali(w, n);
    } else if (c == "print" || c == "error") {
        cmdpri(c, w, n);
    } else if (c == "plot") {
        cmdplo(w, n);
    } else if (c == "readline") {
        cmdrln(w, n);
    } else if (c == "type") {
        cmdtyp(w, n);
    } else if (c == "help") {
        cmdhlp(w, n, st.hlpdir);
    } else if (c == "remove") {
        cmdrem(w, n);
    } else if (c == "system") {
        if (kemlangdata.safe) fatmsg("Illegal system call in restriced mode.");
        cmdsys(w, n);
    } else if (c == "sleep") {
        cmdslp(w, n);
    } else if (c == "chdir" || c == "cd") {
        if (kemlangdata.safe) fatmsg("Illegal directory change in restriced mode.");
        cmdcd(w, n);
    } else if (c == "synchronize" || c == "ask") {
        // single-process run: nothing to synchronise, nothing to ask
    } else {
        return false;
    }
    return true;
}

bool assignment(const Words& w, std::string& stmt) {
    if (w.empty()) return false;
    const std::string& a = w[0];
    size_t k = 0;
    while (k < a.size() && (std::isalnum(static_cast<unsigned char>(a[k])) || a[k] == '_' ||
                            a[k] == '(' || a[k] == ')' || a[k] == ':')) {
        if (a[k] == ':' && k + 1 < a.size() && a[k + 1] == '=') break;
        ++k;
    }
    if (k == 0) return false;
    std::string tail = k < a.size() ? a.substr(k) : (w.size() > 1 ? w[1] : "");
    if (tail.compare(0, 2, ":=") == 0) {
        stmt = "eval";
        return true;
    }
    if (!tail.empty() && tail[0] == '=' && tail.compare(0, 2, "==") != 0) {
        stmt = "set";
        return true;
    }
    return false;
}

}  // namespace

// ---------------------------------------------------------------- interface

void kemlang_reset() {
    st.reset();
    statements_reset();
    Source t;
    t.terminal = true;
    st.src.push_back(t);
}

bool inmacro() { return st.src.size() > 1; }
bool typedatterminal() { return st.tty && !inmacro(); }
int macdepth() { return static_cast<int>(st.src.size()) - 1; }
std::string curmac() { return inmacro() ? cur().name : std::string(); }
std::string fullmac() { return inmacro() ? cur().full : std::string(); }
const std::string& kemlibdir() { return st.libdir; }
const std::string& kemhlpdir() { return st.hlpdir; }
const std::string& kemext() { return st.ext; }

std::string findmacro(const std::string& word) {
    if (word.find('/') != std::string::npos || word.find(']') != std::string::npos) {
        std::string f = word + st.ext;
        return exists(f) ? f : std::string();
    }
    if (!havvar("path")) return exists(word + st.ext) ? word + st.ext : std::string();
    std::string path = getval("path");
    for (int k = 1;; ++k) {
        std::string dir = trim(lefstr(elemnt(k, path, ',')));
        if (dir.empty()) break;
        std::string f = dir + "/" + word + st.ext;
        if (exists(f)) return f;
    }
    return std::string();
}

bool usercmd(const std::string& name, std::vector<std::string>& lines) {
    auto it = st.usercmds.find(name);
    if (it == st.usercmds.end()) return false;
    lines = it->second.second;
    return true;
}

bool chknam(std::string& name) {
    if (!kemlangdata.safe) return true;
    if (name.empty()) {
        errmsg("Empty restricted filename.");
        return false;
    }
    if (name.find("..") != std::string::npos) {
        errmsg("Restricted filename with \"..\" is illegal.");
        return false;
    }
    for (char c : name)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.')) {
            errmsg("Illegal restricted filename " + strp(name) + ".");
            return false;
        }
    if (name.size() > 100) {
        errmsg("Restricted filename too long.");
        return false;
    }
    if (!kemlangdata.safdir.empty()) name = kemlangdata.safdir + "/" + name;
    return true;
}

bool recall(std::string& line, bool& recalled) {
    recalled = false;
    std::string t = trim(lefstr(line));
    if (t.empty() || (t[0] != '!' && t[0] != '^')) return true;
    if (t == "!") {
        errmsg("Illegal statement recall.");
        return false;
    }
    if (t[0] == '!') {
        if (t == "!!") {
            if (st.history.empty()) {
                errmsg("No matching statement found.");
                return false;
            }
            line = st.history.back();
        } else {
            std::string pre = t.substr(1);
            bool found = false;
            for (auto it = st.history.rbegin(); it != st.history.rend(); ++it)
                if (it->compare(0, pre.size(), pre) == 0) {
                    line = *it;
                    found = true;
                    break;
                }
            if (!found) {
                errmsg("No matching statement found.");
                return false;
            }
        }
    } else {
        size_t second = t.find('^', 1);
        if (second == std::string::npos || st.history.empty()) {
            errmsg("Modifier failed.");
            return false;
        }
        std::string oldt = t.substr(1, second - 1), newt = t.substr(second + 1);
        if (!newt.empty() && newt.back() == '^') newt.pop_back();
        std::string prev = st.history.back();
        size_t p = oldt.empty() ? std::string::npos : prev.find(oldt);
        if (p == std::string::npos) {
            errmsg("Modifier failed.");
            return false;
        }
        line = prev.substr(0, p) + newt + prev.substr(p + oldt.size());
    }
    recalled = true;
    return true;
}

void remember(const std::string& line) {
    if (trim(line).empty()) return;
    st.history.push_back(line);
    if (st.history.size() > static_cast<size_t>(kHistory)) st.history.erase(st.history.begin());
    if (st.tty && lineeditable()) appendhistory(line);
}

bool uncomment(std::string& line, bool& incomment) {
    std::string t = trim(lefstr(line));
    if (incomment) {
        if (t.size() >= 2 && t.compare(t.size() - 2, 2, "*/") == 0) incomment = false;
        return false;
    }
    if (!t.empty() && t[0] == '#') return false;
    if (t.compare(0, 2, "/*") == 0) {
        incomment = !(t.size() >= 4 && t.compare(t.size() - 2, 2, "*/") == 0);
        return false;
    }
    return true;
}

std::vector<std::string> splitwords(const std::string& line) {
    std::vector<std::string> w;
    std::string cur;
    bool have = false;
    char quote = 0;
    for (size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (c == '\\' && i + 1 < line.size()) {
            cur += line[++i];
            have = true;
            continue;
        }
        if (quote) {
            if (c == quote) quote = 0;
            cur += c;
            continue;
        }
        if (c == '\'' || c == '"') {
            quote = c;
            cur += c;
            have = true;
            continue;
        }
        if (c == ' ') {
            if (have) w.push_back(cur);
            cur.clear();
            have = false;
            continue;
        }
        cur += c;
        have = true;
    }
    if (have) w.push_back(cur);
    return w;
}

void kemlang(int& status, std::string& cmd, std::vector<std::string>& param, int& npar, int maximum,
             const std::string& ext, const std::string& libdir, const std::string& inifil,
             const std::string& hlpdir) {
    if (!st.initdone || status == 0) {
        if (!st.initdone) {
            kemlang_reset();
            st.initdone = true;
            st.cpustart = cputime();
            st.wallstart = std::time(nullptr);
            st.maxpar = maximum;
            st.ext = ext;
            st.libdir = libdir;
            st.inifil = inifil;
            st.hlpdir = hlpdir;
            st.tty = isatty(0);
            if (st.tty && lineeditable()) loadhistory(st.history, kHistory);
            std::signal(SIGINT, onsigint);
            // A fatal end inside a redirected command keeps the file too,
            // with the fatal message as its last line.
            static bool registered = false;
            if (!registered) registered = std::atexit(closeredir) == 0;
            intrpt = 0;
            ginit();
            st.iniexists = exists(inifil + ext);
            if (!st.iniexists) wrnmsg("Initialization macro not found.");
            return;
        }
    }
    if (maximum != st.maxpar) fatmsg("Maximal number of parameters changed.");
    if (status == 1) {
        status = 0;
        std::vector<std::string> lines;
        Words words(param.begin(), param.begin() + std::min<size_t>(npar, param.size()));
        if (usercmd(cmd, lines)) {
            macbeg(cmd, cmd, lines, words, npar);
        } else {
            std::string f = findmacro(cmd);
            if (f.empty()) {
                errmsg("Illegal command " + strq(cmd) + ".");
                hintunknown(cmd, knownnames());
            } else {
                runmacro(f, words, npar);
            }
        }
    }
    // A redirected macro call keeps its file until the macro ends.
    if (st.src.size() <= st.redirdepth) closeredir();
    double used = cputime() - st.cmdstart;
    if (st.cmdstart > 0 && used > kemlangdata.timing)
        putlin(2, "(Times: CPU " + realf(used, 0, 1) + " s, total CPU " +
                      realf(cputime() - st.cpustart, 0, 1) + " s, wallclock " +
                      intp(static_cast<int>(std::time(nullptr) - st.wallstart)) + " s)");
    while (true) {
#ifdef QUILTER_FUZZING
        if (++st.fuzzlines > kFuzzLines) stopit(0);
#endif
        if (st.src.size() <= st.redirdepth) closeredir();
        kemlangdata.infos = kemlangdata.infos2;
        kemlangdata.infof = kemlangdata.infof2;
        if (intrpt) {
            intrpt = 0;
            errmsg("Interrupt.");
        }
        std::string line;
        bool substituted = false, fromterminal = false;
        if (haverr() && inmacro() && st.inerract) {
            // The error action failed itself: it ran once, the macro ends.
            clrerr();
            st.pending.clear();
            st.inerract = st.erractnext = false;
            macend(false);
            continue;
        }
        if (haverr() && inmacro() && st.pending.empty()) {
            std::string action;
            if (!rawvar("erract", action)) action = "exit";
            action = trim(action);
            clrerr();
            if (action != "NULL") {
                st.pending.push_back(action);
                st.erractnext = true;
            }
        }
        if (!inmacro()) clrerr();
        st.inerract = false;
        if (!st.pending.empty()) {
            line = st.pending.front();
            st.pending.pop_front();
            substituted = true;
            st.inerract = st.erractnext;
            st.erractnext = false;
        } else if (st.firstread && st.iniexists) {
            st.firstread = false;
            cmd = st.inifil;
            npar = 0;
            return;
        } else {
            st.firstread = false;
            // The command line's script; without a terminal it is the whole run.
            std::string script;
            Words args;
            if (!inmacro() && takestartscript(script, args)) {
                runmacro(script, args, static_cast<int>(args.size()));
                continue;
            }
            if (!inmacro() && startscriptran() && !st.tty) {
                cmd = "quit";
                npar = 0;
                return;
            }
            if (!rawline(line)) {
                if (inmacro()) {
                    macend();
                    continue;
                }
                cmd = "quit";
                npar = 0;
                return;
            }
            fromterminal = cur().terminal;
            if (!uncomment(line, cur().incomment)) continue;
            while (!trim(line).empty() && trim(line).back() == '\\') {
                std::string t = trim(line), next;
                t.back() = ' ';
                line = t;
                if (!rawline(next)) break;
                line += next;
            }
            if (line.size() > static_cast<size_t>(kMaxLine)) {
                errmsg("Command line too long.");
                continue;
            }
            if (skipping(line)) continue;
            // A jump label reached in the normal course of the macro.
            std::string label = trim(lefstr(line));
            if (!cur().terminal && label.size() > 1 && label.back() == ':' &&
                label.find_first_of(" =") == std::string::npos)
                continue;
        }
        if (!substituted) {
            line = repvar(line);
            if (haverr()) continue;
            if (line.size() > static_cast<size_t>(kMaxLine)) {
                errmsg("Command line too long.");
                continue;
            }
        }
        if (fromterminal) {
            bool recalled = false;
            if (!recall(line, recalled)) continue;
            if (recalled) putlin(2, line);
            remember(line);
        }
        if (kemlangdata.iecho > 0 && inmacro()) putlin(10, "> " + trim(line));
        Words w = splitwords(line);
        if (w.empty()) continue;
        std::string def;
        if (findalias(w[0], def)) {
            Words d = splitwords(def);
            w.erase(w.begin());
            w.insert(w.begin(), d.begin(), d.end());
            if (w.empty()) continue;
            // Statements that read their own text (if) see the expansion.
            line = def + afterword(line);
        }
        std::string stmt;
        if (assignment(w, stmt)) {
            int n = static_cast<int>(w.size());
            cmdset(stmt, w, n);
            continue;
        }
        std::string c = w[0];
        if (c != "var" && c != "parameter") cur().body = true;
        Words words(w.begin() + 1, w.end());
        int n = static_cast<int>(words.size());
        if (n > maximum) {
            errmsg("Too many parameters.");
            continue;
        }
        setcmd(c);
        params(words, n, "** info*==*=");
        if (haverr()) continue;
        if (havpar("info")) {
            int lv = infolevel(getpar("info"));
            if (lv < 1 || lv > 5) {
                errmsg("Illegal value " + strq(getpar("info")) + " for parameter \"info\".");
                continue;
            }
            kemlangdata.infos = kemlangdata.infof = lv;
        }
        words.resize(n);
        redirect(words, n);
        words.resize(n);
        if (haverr()) continue;
        bool leave = false;
        if (builtin(c, words, n, lefstr(line), leave)) {
            if (!leave) continue;
        }
        cmd = c;
        param = words;
        npar = n;
        st.cmdstart = cputime();
        return;
    }
}

// The plot statement.
void cmdplo(Words& w, int n) { gplot(w, n); }
