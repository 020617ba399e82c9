// Built-in statements besides control flow and variables: print/error,
// alias, readline, type, help, remove, system, sleep and cd.
//
// Our choices: "print" writes its text without indentation at the chosen
// level (minimal 2 by default); the help directory holds a list "topics"
// (one topic name per line, "#" comments) and one file "<topic>.hlp" per
// topic; "readline var file" reads the next line of file into var ("EOF" at
// the end), "readline close file" closes it, at most 10 files at a time.
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>

#include "kemlang/expr.h"
#include "kemlang/interp.h"
#include "kemlang/params.h"
#include "kemlang/print.h"
#include "kemlang/services.h"
#include "kemlang/suggest.h"
#include "kemlang/vars.h"

using Words = std::vector<std::string>;

namespace {

struct StatementData {
    std::vector<std::pair<std::string, std::string>> aliases;
    std::map<std::string, std::unique_ptr<std::ifstream>> readfiles;
};

StatementData sd;

}  // namespace

// Aliases and open readline files belong to the interpreter's state.
void statements_reset() { sd = StatementData(); }

void cmdpri(const std::string& statement, Words& words, int nwords) {
    int n = nwords;
    int level = 2;
    if (n > 0 && words[n - 1].compare(0, 6, "level=") == 0) {
        std::string v = words[n - 1].substr(6);
        int k = inlist(v, "minimal|normal|full|debug");
        if (k <= 0) {
            errmsg("Illegal value " + strq(v) + " for parameter \"level\".");
            return;
        }
        level = k + 1;
        --n;
    }
    if (statement == "print" && n == 1 && words[0].compare(0, 5, "file=") == 0) {
        std::string f = words[0].substr(5);
        std::vector<std::string> lines;
        if (!chknam(f)) return;
        if (!readlines(f, lines)) {
            errmsg("Cannot read file " + strp(f) + ".");
            return;
        }
        for (const std::string& l : lines) putlin(10 + level, strp(l));
        return;
    }
    std::string text = join(words, n);
    if (statement == "error")
        errmsg(strp(text));
    else
        putlin(10 + level, strp(text));
}

bool findalias(const std::string& word, std::string& definition) {
    for (const auto& [name, def] : sd.aliases)
        if (name == word) {
            definition = def;
            return true;
        }
    return false;
}

void cmdali(Words& words, int nwords) {
    if (nwords == 0) {
        if (sd.aliases.empty()) {
            putlin(2, "No aliases.");
            return;
        }
        putlin(2, "Aliases:");
        for (const auto& [name, def] : sd.aliases) putlin(2, "  " + strp(name) + " = " + strp(def));
        return;
    }
    if (nwords < 2) {
        errmsg("Illegal number of parameters.");
        return;
    }
    std::string def = join(Words(words.begin() + 1, words.begin() + nwords), nwords - 1);
    for (auto& a : sd.aliases)
        if (a.first == words[0]) {
            a.second = def;
            return;
        }
    sd.aliases.push_back({words[0], def});
}

void cmdrln(Words& words, int nwords) {
    if (nwords != 2) {
        errmsg("Illegal number of parameters.");
        return;
    }
    std::string file = words[1];
    if (!chknam(file)) return;
    if (words[0] == "close") {
        sd.readfiles.erase(file);
        return;
    }
    auto it = sd.readfiles.find(file);
    if (it == sd.readfiles.end()) {
        if (sd.readfiles.size() >= 10) {
            errmsg("Too many open files.");
            return;
        }
        auto in = std::make_unique<std::ifstream>(file);
        if (!*in) {
            errmsg("File " + strp(file) + " cannot be opened.");
            return;
        }
        it = sd.readfiles.emplace(file, std::move(in)).first;
    }
    std::string line;
    if (!std::getline(*it->second, line)) line = "EOF";
    setvar(words[0], line, kVarLocal);
}

void cmdtyp(Words& words, int nwords) {
    if (nwords != 1) {
        errmsg("Illegal number of parameters.");
        return;
    }
    std::vector<std::string> lines;
    if (!usercmd(words[0], lines)) {
        std::string f = findmacro(words[0]);
        if (f.empty()) {
            errmsg("No such macro or subroutine.");
            return;
        }
        if (!readlines(f, lines)) {
            errmsg("Macro file " + strp(f) + " cannot be opened.");
            return;
        }
    }
    for (const std::string& l : lines) putlin(12, strp(l));
}

void cmdhlp(Words& words, int nwords, const std::string& hlpdir) {
    std::vector<std::string> list, topics;
    if (!readlines(hlpdir + "/topics", list)) {
        errmsg("Help topics list cannot be opened.");
        return;
    }
    for (const std::string& l : list) {
        std::string t = trim(lefstr(l));
        if (!t.empty() && t[0] != '#') topics.push_back(t);
    }
    if (nwords == 0) {
        putlin(2, "Help topics:");
        std::string row;
        for (const std::string& t : topics) {
            if (row.size() + t.size() > 70) {
                putlin(2, "  " + strp(row));
                row.clear();
            }
            row += (row.empty() ? "" : "  ") + t;
        }
        if (!row.empty()) putlin(2, "  " + strp(row));
        return;
    }
    std::string topic = words[0];
    const std::string* found = nullptr;
    for (const std::string& t : topics)
        if (t == topic) found = &t;
    if (!found) {
        int matches = 0;
        for (const std::string& t : topics)
            if (t.compare(0, topic.size(), topic) == 0 && matches++ == 0) found = &t;
        if (matches > 1) found = nullptr;  // an ambiguous abbreviation
    }
    if (!found) {
        errmsg("No help about the topic " + strq(topic) + ".");
        if (abbreviatednames(topic, topics).size() > 1)
            hintambiguous(topic, topics);
        else
            hintunknown(topic, topics);
        return;
    }
    std::vector<std::string> text;
    if (!readlines(hlpdir + "/" + *found + ".hlp", text)) {
        errmsg("Help topics list is not up to date.");
        return;
    }
    for (const std::string& l : text) putlin(12, strp(l));
}

void cmdrem(Words& words, int nwords) {
    if (nwords < 1) {
        errmsg("Missing parameter.");
        return;
    }
    for (int i = 0; i < nwords; ++i) {
        std::string f = words[i];
        if (!chknam(f)) continue;
        if (std::remove(f.c_str()) != 0) errmsg("Cannot remove file " + strp(f) + ".");
    }
}

void cmdsys(Words& words, int nwords) { isystm(join(words, nwords)); }

void cmdslp(Words& words, int nwords) {
    if (nwords != 1) {
        errmsg("Illegal number of parameters.");
        return;
    }
    bool err = false;
    double s = reva(words[0], err);
    if (err)
        errmsg("Illegal expression " + strq(words[0]) + ".");
    else
        uxslip(s);
}

void cmdcd(Words& words, int nwords) {
    if (nwords != 1) {
        errmsg("Illegal number of parameters.");
        return;
    }
    if (ichdir(words[0]) != 0) errmsg("Cannot change to directory " + strp(words[0]) + ".");
}
