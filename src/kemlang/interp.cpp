// The statement interpreter: input sources (terminal, macro files and stored
// commands held in memory), continuation, substitution, aliases, local
// variables, user-defined commands and the built-in statements; every other
// line goes back to the driver as a command. Control flow is in control.cpp,
// the text of a line (comments, recall, words, redirection) in lines.cpp.
//
// Our choices:
//  - Macro files are loaded into memory when they are opened, so loops and
//    jumps move by line index; at the terminal lines are read one at a time.
//  - When standard input is not a terminal no prompt is shown; the end of
//    standard input at the terminal level ends the program as "quit" does.
//  - Echo of macro lines (echo on): the substituted line, unindented, after
//    "> ".
#include "kemlang/interp.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iostream>

#include "kemlang/expr.h"
#include "kemlang/gplot.h"
#include "kemlang/interpstate.h"
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

namespace interp {

InterpState st;

// Leaves the innermost macro: its locals go, the special variables are
// applied again from what remains. Blocks still open are an error only when
// the macro runs off its end; "exit", "return" and an error action leave
// them on purpose.
void macend(bool atend) {
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

}  // namespace interp

using namespace interp;

namespace {

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

// ---------------------------------------------------------------- statements

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
    } else if (flow(c, w, n, line)) {
        // if, else, end if, do, end do, break, goto, return and exit
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
