// The variable store, the special variables and the substitution of
// variable references in command lines.
//
// Scoping: every variable belongs to a level, 0 for the globals and k for the
// macro opened at depth k. Look-up finds the innermost (most recent) entry,
// so a local hides a global of the same name until its macro ends. A new
// variable made by "set" or an assignment belongs to the running macro (its
// level); "global" makes or changes the global one and "external" the one of
// the calling level. A value of "NULL" counts as undefined.
//
// Substitution: "$name" and "%name" give the value; "${expr}" the value of an
// expression; "$name(F8.3)" / "$name(I5)" the value written with a format
// (right-aligned in its width); a name that is no variable but a function of
// the evaluator without arguments (e.g. $date) is evaluated.
#include "kemlang/vars.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "kemlang/expr.h"
#include "kemlang/interp.h"
#include "kemlang/print.h"
#include "kemlang/services.h"

namespace {

struct Var {
    std::string name, value;
    int level;
};

struct VarData {
    std::vector<Var> v;  // sorted by level, then by age
    int level = 0;
    int echolock = 0, infolock = 0;  // locked levels (upper-case settings)
    std::string infotext;            // the info value that locked them
    void reset() { *this = VarData(); }
};

VarData vd;

int find(const std::string& name, int maxlevel = 1 << 30) {
    for (int i = static_cast<int>(vd.v.size()) - 1; i >= 0; --i)
        if (vd.v[i].level <= maxlevel && vd.v[i].name == name) return i;
    return -1;
}

bool validname(const std::string& n) {
    for (char c : n)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_')) return false;
    return !n.empty();
}

void insert(const std::string& name, const std::string& value, int level) {
    size_t pos = vd.v.size();
    while (pos > 0 && vd.v[pos - 1].level > level) --pos;
    vd.v.insert(vd.v.begin() + static_cast<long>(pos), Var{name, value, level});
}

bool special(const std::string& n) {
    return n == "echo" || n == "timing" || n == "prompt" || n == "protocol" || n == "info";
}

int levelname(std::string v, bool& locked) {
    static const char* names[] = {"none", "minimal", "normal", "full", "debug"};
    locked = !v.empty() && std::isupper(static_cast<unsigned char>(v[0]));
    locase(v);
    if (v.empty()) return 0;
    for (int i = 0; i < 5; ++i)
        if (std::string(names[i]).compare(0, v.size(), v) == 0) return i + 1;
    bool err = false;
    int k = ieva(v, err);
    return !err && k >= 1 && k <= 5 ? k : 0;
}

void openlog(const std::string& name) {
    KemlangData& k = kemlangdata;
    if (k.logfile && name == k.logname) return;
    if (k.logfile) std::fclose(k.logfile);
    k.logfile = nullptr;
    k.logname.clear();
    if (name.empty() || name == "none" || name == "NULL") return;
    std::string file = name;
    if (!chknam(file)) return;  // restricted mode confines the log too
    std::string reason;
    k.logfile = appendopen(file, reason);
    if (!k.logfile)
        errmsg("Cannot open protocol file " + strq(name) + ".@/" + strp(reason));
    else
        k.logname = name;
}

// Formats a value with a descriptor such as I5, F8.3 or E12.4.
bool formatted(const std::string& value, const std::string& desc, std::string& out) {
    if (desc.empty() || !std::isalpha(static_cast<unsigned char>(desc[0]))) return false;
    char kind = static_cast<char>(std::toupper(static_cast<unsigned char>(desc[0])));
    int w = 0, d = 0;
    if (std::sscanf(desc.c_str() + 1, "%d.%d", &w, &d) < 1 || w <= 0 || w > 100 || d < 0 || d > 30)
        return false;
    bool err = false;
    double x = reva(value, err);
    if (err) return false;
    char buf[160];
    if (kind == 'I')
        std::snprintf(buf, sizeof buf, "%*lld", w, static_cast<long long>(std::llround(x)));
    else if (kind == 'E')
        std::snprintf(buf, sizeof buf, "%*.*E", w, d, x);
    else
        std::snprintf(buf, sizeof buf, "%*.*f", w, d, x);
    out = buf;
    return static_cast<int>(out.size()) <= w;
}

// Replaces element k of a comma list, or characters i..j of a text. The
// result must fit in a value, which also bounds k.
bool selection(std::string& target, const std::string& sel, const std::string& value,
               const std::string& text) {
    bool err = false;
    size_t colon = sel.find(':');
    if (colon == std::string::npos) {
        int k = ieva(sel, err);
        if (err || k < 1 || k > kMaxValue) {
            errmsg("Illegal selection " + strp(text) + ".");
            return false;
        }
        std::vector<std::string> el;  // one pass over the list
        if (!target.empty()) {
            bool quoted = false;
            std::string cur;
            for (char c : target) {
                if (c == '\'') quoted = !quoted;
                if (c == ',' && !quoted) {
                    el.push_back(cur);
                    cur.clear();
                } else {
                    cur += c;
                }
            }
            el.push_back(cur);
        }
        if (static_cast<int>(el.size()) < k) el.resize(static_cast<size_t>(k));
        el[static_cast<size_t>(k) - 1] = value;
        target.clear();
        for (size_t i = 0; i < el.size(); ++i) {
            if (i) target += ',';
            target += el[i];
        }
        return true;
    }
    std::string a = sel.substr(0, colon), b = sel.substr(colon + 1);
    int n = static_cast<int>(target.size());
    int i = a.empty() ? 1 : ieva(a, err);
    bool err2 = false;
    int j = b.empty() ? n : ieva(b, err2);
    if (err || err2 || i < 1 || j < i - 1 || i > n + 1 || j > kMaxValue) {
        errmsg("Illegal substring selection " + strp(text) + ".");
        return false;
    }
    if (j > n) target.resize(j, ' ');
    target = target.substr(0, i - 1) + value + target.substr(j);
    return true;
}

// Refuses a value that a set or eval statement would make too long.
bool fits(const std::string& name, const std::string& value) {
    if (static_cast<int>(value.size()) <= kMaxValue) return true;
    errmsg("Value of variable " + strq(name) + " longer than " + intp(kMaxValue) + " characters.");
    return false;
}

void assign(const std::string& lhs, const std::string& value, int mode) {
    std::string name = trim(lefstr(lhs)), sel;
    size_t par = name.find('(');
    if (par != std::string::npos) {
        if (name.back() != ')') {
            errmsg("Illegal selection " + strp(name) + ".");
            return;
        }
        sel = name.substr(par + 1, name.size() - par - 2);
        name = trim(name.substr(0, par));
    }
    if (name.empty()) {
        errmsg("Missing variable name.");
        return;
    }
    if (!validname(name)) {
        errmsg("Illegal variable name " + strp(name) + ".");
        return;
    }
    if (par == std::string::npos) {
        if (fits(name, value)) setvar(name, value, mode);
        return;
    }
    std::string t = getval(name);
    if (selection(t, sel, value, lhs) && fits(name, t)) setvar(name, t, mode);
}

void show(const std::vector<std::string>& names, bool globals) {
    int shown = 0;
    for (size_t i = 0; i < vd.v.size(); ++i) {
        const Var& x = vd.v[i];
        if (globals && x.level != 0) continue;
        bool wanted = names.empty();
        for (const std::string& n : names) wanted = wanted || match(x.name, n);
        if (!wanted) continue;
        bool hidden = find(x.name) != static_cast<int>(i);
        putlin(2, strp(x.name) + " = " + strp(x.value) + (hidden ? " (hidden)" : ""));
        ++shown;
    }
    if (shown == 0 && names.empty())
        putlin(2, globals ? "No global variables defined." : "No variables defined.");
}

}  // namespace

std::string getval(const std::string& name) {
    int i = find(name);
    return i < 0 || vd.v[i].value == "NULL" ? std::string() : vd.v[i].value;
}

bool havvar(const std::string& name) {
    int i = find(name);
    return i >= 0 && vd.v[i].value != "NULL";
}

bool rawvar(const std::string& name, std::string& value) {
    int i = find(name);
    if (i < 0) return false;
    value = vd.v[i].value;
    return true;
}

void setvar(const std::string& name, const std::string& valuein, int mode) {
    std::string value = valuein;
    if (static_cast<int>(value.size()) > kMaxValue) {
        wrnmsg("Value of variable " + strq(name) + " cut to " + intp(kMaxValue) + " characters.");
        value.resize(kMaxValue);
    }
    int level = mode == kVarGlobal                         ? 0
                : mode == kVarLocal || mode == kVarDeclare ? vd.level
                                                           : std::max(vd.level - 1, 0);
    int i = mode == kVarGlobal ? -1 : find(name, level);
    if (mode == kVarDeclare && i >= 0 && vd.v[i].level != level) i = -1;
    if (mode == kVarGlobal)
        for (size_t k = 0; k < vd.v.size(); ++k)
            if (vd.v[k].level == 0 && vd.v[k].name == name) i = static_cast<int>(k);
    if (mode == kVarLocal) {
        // a new local for the running macro unless one of this macro exists;
        // an existing outer variable is changed in place
        i = find(name);
    }
    if (i >= 0)
        vd.v[i].value = value;
    else
        insert(name, value, level);
    if (special(name)) update(name);
}

void unsetvar(const std::string& name) {
    int i = find(name);
    if (i >= 0) vd.v.erase(vd.v.begin() + i);
    if (special(name)) update(name);
}

void update(const std::string& name) {
    KemlangData& k = kemlangdata;
    std::string v = getval(name);
    if (name == "echo") {
        static const char* names[] = {"off", "on", "full", "large"};
        if (v.empty()) {
            k.iecho = vd.echolock ? vd.echolock : 0;
            return;
        }
        bool upper = std::isupper(static_cast<unsigned char>(v[0]));
        std::string low = v;
        locase(low);
        int code = 0;
        for (int i = 0; i < 4; ++i)
            if (low == names[i]) code = i + 1;
        if (code == 0) {
            errmsg("Illegal value " + strq(v) + " for the variable " + strq(name) + ".");
            return;
        }
        if (upper) vd.echolock = code;
        k.iecho = vd.echolock && !upper ? vd.echolock : code;
        if (vd.echolock && !upper) {
            std::string locked = names[vd.echolock - 1];
            upcase(locked);
            int i = find(name);
            if (i >= 0) vd.v[i].value = locked;
        }
        k.iecho = k.iecho <= 1 ? 0 : k.iecho - 1;  // "off" prints nothing
    } else if (name == "timing") {
        bool err = false;
        double t = v.empty() ? 1.0e20 : reva(v, err);
        if (err)
            errmsg("Illegal value " + strq(v) + " for the variable " + strq(name) + ".");
        else
            k.timing = t;
    } else if (name == "prompt") {
        k.prompt = v;
    } else if (name == "protocol") {
        openlog(trim(v));
    } else if (name == "info") {
        if (v.empty()) return;
        bool l1 = false, l2 = false;
        std::string a = elemnt(1, v, ','), b = elemnt(2, v, ',');
        int s = levelname(trim(a), l1), f = b.empty() ? s : levelname(trim(b), l2);
        if (s == 0 || f == 0) {
            errmsg("Illegal information level " + strq(v) + ".");
            return;
        }
        if (l1 || l2) {
            vd.infolock = s * 10 + f;
            vd.infotext = v;
        }
        if (vd.infolock && !(l1 || l2)) {
            s = vd.infolock / 10;
            f = vd.infolock % 10;
            int i = find(name);  // the variable shows the locked value again
            if (i >= 0) vd.v[i].value = vd.infotext;
        }
        k.infos = k.infos2 = s;
        k.infof = k.infof2 = f;
    }
}

std::string repvar(const std::string& linein) {
    std::string line = linein;
    size_t p = line.size();
    while (p > 0) {
        --p;
        char c = line[p];
        if (c != '$' && c != '%') continue;
        if (p > 0 && line[p - 1] == '\\') {
            --p;
            continue;
        }
        size_t q = p + 1;
        std::string value;
        if (q < line.size() && line[q] == '{') {
            int depth = 0;
            size_t e = q;
            for (; e < line.size(); ++e) {
                if (line[e] == '{') ++depth;
                if (line[e] == '}' && --depth == 0) break;
            }
            if (e >= line.size()) {
                errmsg("Missing \"}\".");
                return line;
            }
            std::string ex = line.substr(q + 1, e - q - 1);
            bool err = false;
            value = seva(ex, err);
            if (err) {
                errmsg("Illegal expression \"" + strp(ex) + "\".");
                return line;
            }
            line.replace(p, e - p + 1, value);
            continue;
        }
        size_t e = q;
        while (e < line.size() &&
               (std::isalnum(static_cast<unsigned char>(line[e])) || line[e] == '_'))
            ++e;
        if (e == q) continue;  // a lone "$" or "%" stays
        std::string name = line.substr(q, e - q);
        if (havvar(name)) {
            value = getval(name);
        } else {
            bool err = false;
            value = seva(name, err);
            if (err || std::isdigit(static_cast<unsigned char>(name[0]))) {
                errmsg("Undefined variable \"" + strp(name) + "\".");
                return line;
            }
        }
        if (e < line.size() && line[e] == '(') {
            size_t close = line.find(')', e);
            if (close != std::string::npos) {
                std::string desc = line.substr(e + 1, close - e - 1), out;
                if (!formatted(value, desc, out)) {
                    errmsg("Illegal selector/format (" + strp(desc) + ") for expression " +
                           strq(value) + ".");
                    return line;
                }
                value = out;
                e = close + 1;
            }
        }
        line.replace(p, e - p, value);
    }
    return line;
}

void inivar() { vd.reset(); }

int varmark() { return ++vd.level; }

void varrelease(int mark) {
    while (!vd.v.empty() && vd.v.back().level >= mark) vd.v.pop_back();
    vd.level = std::max(mark - 1, 0);
    KemlangData& k = kemlangdata;
    k.iecho = 0;
    k.timing = 1.0e20;
    k.prompt.clear();
    for (const char* s : {"echo", "timing", "prompt", "protocol", "info"})
        if (havvar(s) || std::string(s) == "protocol") update(s);
}

void cmdset(const std::string& statement, std::vector<std::string>& words, int nwords) {
    std::string s = join(words, nwords);
    if (statement == "show" || ((statement == "global") && nwords == 0)) {
        std::vector<std::string> names(words.begin(), words.begin() + nwords);
        show(names, statement == "global");
        return;
    }
    if (statement == "unset") {
        if (nwords == 0) errmsg("Missing variable name.");
        for (int i = 0; i < nwords; ++i) unsetvar(words[i]);
        return;
    }
    int mode = statement == "global"     ? kVarGlobal
               : statement == "external" ? kVarExternal
                                         : kVarLocal;
    size_t ce = s.find(":=");
    size_t eq = s.find('=');
    if (statement == "eval" || (ce != std::string::npos && ce < eq)) {
        if (ce == std::string::npos) {
            if (eq == std::string::npos) {
                errmsg("Missing \"=\"");
                return;
            }
            ce = eq;
        }
        size_t skip = s.compare(ce, 2, ":=") == 0 ? 2 : 1;
        std::string lhs = s.substr(0, ce), ex = trim(lefstr(s.substr(ce + skip)));
        bool err = false;
        std::string v = seva(ex, err);
        if (err) {
            errmsg("Illegal expression " + strq(ex) + ".");
            return;
        }
        assign(lhs, v, mode);
        return;
    }
    if (eq == std::string::npos) {
        if (nwords == 0) {
            errmsg("Missing variable name.");
            return;
        }
        // "set name value"
        assign(
            words[0],
            join(std::vector<std::string>(words.begin() + 1, words.begin() + nwords), nwords - 1),
            mode);
        return;
    }
    if (trim(s.substr(0, eq)).empty()) {
        errmsg(nwords > 0 && words[0] == "=" ? "Illegal parameter \"=\"."
                                             : "Missing variable name.");
        return;
    }
    assign(s.substr(0, eq), trim(lefstr(s.substr(eq + 1))), mode);
}
