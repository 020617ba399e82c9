// The text of a statement line: comments, recall of terminal lines, the
// split into words, assignments, output redirection ("> file", ">> file")
// and the file name check of restricted mode.
//
// Our choices:
//  - Words are split at blanks; a blank escaped by "\" and blanks inside
//    single or double quotes do not split.
#include <cctype>
#include <string>
#include <vector>

#include "kemlang/interp.h"
#include "kemlang/interpstate.h"
#include "kemlang/kemlangdata.h"
#include "kemlang/lineedit.h"
#include "kemlang/print.h"
#include "kemlang/services.h"

using Words = std::vector<std::string>;

namespace interp {

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

}  // namespace interp

using interp::st;

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
