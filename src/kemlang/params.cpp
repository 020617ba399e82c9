// Command parameter syntax: the syntax string declares each parameter with
// its type, default, bounds and shortest abbreviation; params() checks the
// words against it and keeps the values for iparam() and friends.
//
// Normal forms written back into the value texts: integers by intstr, reals
// by numstr (15 digits), ranges as "lo,hi".
#include "kemlang/params.h"

#include <cctype>
#include <climits>
#include <cstring>

#include "kemlang/expr.h"
#include "kemlang/interp.h"
#include "kemlang/print.h"
#include "kemlang/vars.h"

namespace {

constexpr int kMaxEntries = 50;

struct Entry {
    std::string name;
    int minabbr = 0;          // shortest accepted abbreviation (0: any)
    bool positional = false;  // "*name": cannot be named on the line
    bool isopt = false;
    int group = 0;        // option group
    bool needeq = false;  // "name==FORMAT": value must be written name=value
    bool required = false;
    bool beforestar = true;  // declared before "*" / "**"
    std::string format, defval;
    // given on the line or from a variable; value text
    bool have = false, fromvar = false;
    std::string value, varname;
    int ival[2] = {0, 0};
    double rval[2] = {0.0, 0.0};
};

struct ParamData {
    std::vector<Entry> e;
    std::string prefix;
    bool star = false, starstar = false;
    int ngroups = 0;
    void reset() { *this = ParamData(); }
};

ParamData pd;

bool idchar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// Splits a "name*" into name and minimal abbreviation length.
void setname(Entry& en, std::string n) {
    if (!n.empty() && n[0] == '*') {
        en.positional = true;
        n.erase(0, 1);
    }
    size_t st = n.find('*');
    if (st != std::string::npos) {
        en.minabbr = static_cast<int>(st);
        n.erase(st, 1);
        if (en.minabbr == 0) en.minabbr = static_cast<int>(n.size());
        // a "*" at the end means no abbreviation at all
        if (st == n.size()) en.minabbr = static_cast<int>(n.size());
    }
    en.name = n;
}

// The format runs to the first "=" that is not part of a "<=" bound.
void parseitem(const std::string& item, bool beforestar) {
    if (static_cast<int>(pd.e.size()) >= kMaxEntries) return;
    size_t eq = item.find('=');
    if (eq == std::string::npos) {
        ++pd.ngroups;
        size_t p = 0;
        while (true) {
            size_t q = item.find('|', p);
            Entry en;
            setname(en, item.substr(p, q == std::string::npos ? std::string::npos : q - p));
            en.isopt = true;
            en.group = pd.ngroups;
            en.beforestar = beforestar;
            pd.e.push_back(en);
            if (q == std::string::npos) break;
            p = q + 1;
        }
        return;
    }
    Entry en;
    setname(en, item.substr(0, eq));
    en.beforestar = beforestar;
    size_t f = eq + 1;
    if (f < item.size() && item[f] == '=') {
        en.needeq = true;
        ++f;
    }
    size_t g = f;
    while (g < item.size() && !(item[g] == '=' && (g == 0 || item[g - 1] != '<'))) ++g;
    en.format = item.substr(f, g - f);
    if (g < item.size())
        en.defval = item.substr(g + 1);
    else
        en.required = true;
    // a bounded real may carry its bounds as a range: "@r=1.0..20.0=6.0"
    size_t dots = en.defval.find("..");
    if (en.format.find("@r") != std::string::npos && dots != std::string::npos &&
        en.defval.find('=', dots) != std::string::npos) {
        size_t e2 = en.defval.find('=', dots);
        en.format += en.defval.substr(0, e2);
        en.defval = en.defval.substr(e2 + 1);
    }
    pd.e.push_back(en);
}

void rebuild(const std::string& syntaxin) {
    std::string keep = pd.prefix;
    pd.reset();
    pd.prefix = keep;
    std::string syntax = syntaxin;
    size_t colon = syntax.find(':'), eq = syntax.find('=');
    if (colon != std::string::npos && (eq == std::string::npos || colon < eq)) {
        setcmd(syntax.substr(0, colon));
        syntax.erase(0, colon + 1);
    }
    bool before = true;
    for (const std::string& item : split(syntax, 1000)) {
        if (item == "*" || item == "**") {
            if (item == "*")
                pd.star = true;
            else
                pd.starstar = true;
            before = false;
            continue;
        }
        parseitem(item, before);
    }
}

// Command look-up rules over the entry names: unique prefix, exact wins.
int lookup(const std::string& name) {
    int found = 0;
    for (int i = 0; i < static_cast<int>(pd.e.size()); ++i) {
        const Entry& en = pd.e[i];
        if (en.positional || en.name.compare(0, name.size(), name) != 0) continue;
        bool exact = en.name == name;
        if (found != 0 && !exact) return -1;
        found = i + 1;
        if (exact) return found;
    }
    if (found > 0) {
        const Entry& en = pd.e[found - 1];
        if (en.minabbr > 0 && static_cast<int>(name.size()) < en.minabbr) return 0;
    }
    return found;
}

Entry* entry(const std::string& name) {
    for (Entry& en : pd.e)
        if (en.name == name) return &en;
    return nullptr;
}

Entry& declared(const std::string& name) {
    Entry* en = entry(name);
    if (!en) fatmsg("Illegal parameter " + strq(name) + ".");
    return *en;
}

void illegal(const Entry& en) {
    std::string m = "Illegal value " + strq(en.value) + " for parameter " + strq(en.name);
    if (en.fromvar) m += " from variable " + strq(en.varname);
    errmsg(m + ".");
}

// Bounds around a numeric type: "lo<", "lo<=", "<hi", "<=hi", "..": returns
// the type word ("@i", "@ii", "@r", "@rr") and the bound texts.
struct Bounds {
    std::string type, lo, hi;
    bool loinc = false, hiinc = false;
};

Bounds bounds(const std::string& f) {
    Bounds b;
    size_t at = std::min(f.find('@'), f.size());
    std::string pre = f.substr(0, at), rest = f.substr(at);
    size_t t = std::min<size_t>(2, rest.size());
    while (t < rest.size() && (rest[t] == 'i' || rest[t] == 'r')) ++t;
    b.type = rest.substr(0, t);
    std::string post = rest.substr(t);
    if (!pre.empty()) {
        b.loinc = pre.size() >= 2 && pre.compare(pre.size() - 2, 2, "<=") == 0;
        b.lo = pre.substr(0, pre.size() - (b.loinc ? 2 : 1));
    }
    if (post.compare(0, 2, "<=") == 0) {
        b.hiinc = true;
        b.hi = post.substr(2);
    } else if (!post.empty() && post[0] == '<') {
        b.hi = post.substr(1);
    } else if (post.find("..") != std::string::npos) {
        size_t d = post.find("..");
        b.lo = post.substr(0, d);
        if (!b.lo.empty() && b.lo[0] == '=') b.lo.erase(0, 1);
        b.hi = post.substr(d + 2);
        b.loinc = b.hiinc = true;
    }
    return b;
}

bool inbounds(const Bounds& b, double v) {
    bool err = false;
    if (!b.lo.empty()) {
        double lo = reva(b.lo, err);
        if (b.loinc ? v < lo : v <= lo) return false;
    }
    if (!b.hi.empty()) {
        double hi = reva(b.hi, err);
        if (b.hiinc ? v > hi : v >= hi) return false;
    }
    return true;
}

// Splits a range text into its two bound texts ("" for an open end).
bool rangeparts(const std::string& s, bool dashok, std::string& a, std::string& b, bool& single) {
    size_t d = s.find("..");
    single = false;
    if (d != std::string::npos) {
        a = s.substr(0, d);
        b = s.substr(d + 2);
        return true;
    }
    size_t m = dashok ? s.find('-', 1) : std::string::npos;
    // a "-" right after an exponent letter belongs to the number
    while (m != std::string::npos && std::strchr("eEdD", s[m - 1]) && m >= 2 &&
           std::isdigit(static_cast<unsigned char>(s[m - 2])))
        m = s.find('-', m + 1);
    if (m != std::string::npos) {
        a = s.substr(0, m);
        b = s.substr(m + 1);
        return true;
    }
    a = b = s;
    single = true;
    return true;
}

template <class T, class Eval>
bool range(const std::string& text, const std::string& deftext, bool dashok, T limit, Eval ev,
           T& lo, T& hi) {
    std::string t = trim(lefstr(text));
    if (t == "*") t = deftext;
    std::string a, b, da, db;
    bool single, dsingle;
    rangeparts(t, dashok, a, b, single);
    rangeparts(trim(lefstr(deftext)), dashok, da, db, dsingle);
    if (trim(a).empty()) a = da;
    if (trim(b).empty()) b = db;
    bool err1 = false, err2 = false;
    lo = ev(a, err1);
    hi = ev(b, err2);
    if (err1 || err2) return false;
    return lo >= -limit && hi <= limit && lo <= hi;
}

int ievaf(const std::string& s, bool& err) { return ieva(s, err); }
double revaf(const std::string& s, bool& err) { return reva(s, err); }

void convert(Entry& en) {
    const std::string& f = en.format;
    bool err = false;
    if (f.find("@f") != std::string::npos) {
        std::string ext = f.substr(f.find("@f") + 2);
        size_t dollar = ext.find('$');
        if (dollar != std::string::npos) {
            Entry* other = entry(ext.substr(dollar + 1));
            if (!other) {
                errmsg("Illegal use of \"$\" in format.");
                return;
            }
            ext = ext.substr(0, dollar) + other->value;
        }
        if (chknam(en.value)) en.value = appext(en.value, ext);
        return;
    }
    if (f.find('@') != std::string::npos) {
        Bounds b = bounds(f);
        if (b.type == "@i") {
            // Symmetric range: handlers may negate any integer they are given.
            int v = ieva(en.value, err);
            if (err || v == INT_MIN || !inbounds(b, v)) return illegal(en);
            en.ival[0] = en.ival[1] = v;
            en.value = intstr(v);
        } else if (b.type == "@r") {
            double v = reva(en.value, err);
            if (err || !inbounds(b, v)) return illegal(en);
            en.rval[0] = en.rval[1] = v;
            en.value = numstr(v, 15);
        } else if (b.type == "@ii") {
            if (!range(en.value, en.defval, true, 10000000, ievaf, en.ival[0], en.ival[1]))
                return illegal(en);
            en.value = intstr(en.ival[0]) + "," + intstr(en.ival[1]);
        } else if (b.type == "@rr") {
            if (!range(en.value, en.defval, false, 1.0e20, revaf, en.rval[0], en.rval[1]))
                return illegal(en);
            en.value = numstr(en.rval[0], 15) + "," + numstr(en.rval[1], 15);
        }
        return;
    }
    if (f.find('|') != std::string::npos || (f != "*" && !f.empty())) {
        if (trim(en.value).empty()) return;
        std::string v = trim(lefstr(en.value));
        if (inlist(v, f + "*") <= 0) return illegal(en);
        en.value = v;
    }
}

}  // namespace

void setcmd(const std::string& name) {
    if (name.find('=') != std::string::npos) {
        pd.prefix.clear();
        return;
    }
    std::string n = name;
    size_t slash = n.find_last_of('/');
    if (slash != std::string::npos) n.erase(0, slash + 1);
    n = trim(lefstr(n));
    for (char& c : n)
        if (c == ' ') c = '_';
    pd.prefix = n + "_";
}

void params(std::vector<std::string>& param, int& npar, const std::string& syntax) {
    rebuild(syntax);
    std::vector<std::string> pass;
    int npos = 0;
    std::vector<int> posentries;
    for (int i = 0; i < static_cast<int>(pd.e.size()); ++i)
        if (!pd.e[i].isopt && pd.e[i].beforestar) posentries.push_back(i);
    std::vector<bool> groupset(pd.ngroups + 1, false);
    auto positional = [&](const std::string& w) {
        if (npos < static_cast<int>(posentries.size())) {
            Entry& en = pd.e[posentries[npos++]];
            if (en.have) errmsg("Duplicate parameter " + strq(en.name) + ".");
            en.have = true;
            en.value = w;
        } else if (pd.star || pd.starstar) {
            pass.push_back(w);
        } else {
            errmsg("Illegal parameter " + strq(w) + ".");
        }
    };
    for (int i = 0; i < npar && i < static_cast<int>(param.size()); ++i) {
        const std::string& w = param[i];
        size_t k = 0;
        while (k < w.size() && idchar(w[k])) ++k;
        bool named = k > 0 && k < w.size() && w[k] == '=';
        bool bare = k > 0 && k == w.size();
        std::string name = w.substr(0, k);
        if (named) {
            int j = lookup(name);
            if (j == 0) {
                if (pd.starstar)
                    pass.push_back(w);
                else
                    errmsg("Unknown parameter name \"" + strp(name) + "\".");
                continue;
            }
            if (j < 0) {
                errmsg("Ambiguous parameter name \"" + strp(name) + "\".");
                continue;
            }
            Entry& en = pd.e[j - 1];
            if (en.isopt) {
                errmsg("Option " + strq(en.name) + " must not have a value.");
            } else if (en.have) {
                errmsg("Duplicate parameter " + strq(en.name) + ".");
            } else {
                en.have = true;
                en.value = w.substr(k + 1);
            }
            continue;
        }
        if (bare) {
            int j = lookup(name);
            if (j > 0) {
                Entry& en = pd.e[j - 1];
                size_t need = std::min<size_t>(en.name.size(), 4);
                if (name.size() >= need) {
                    if (en.isopt) {
                        if (en.have || groupset[en.group])
                            errmsg("Duplicate or contradicting option " + strq(en.name) + ".");
                        en.have = true;
                        groupset[en.group] = true;
                        continue;
                    }
                    if (!en.needeq) {
                        errmsg("Missing value for parameter " + strq(en.name) + ".");
                        continue;
                    }
                }
            } else if (j < 0 && name.size() >= 4) {
                errmsg("Ambiguous parameter name \"" + strp(name) + "\".");
                continue;
            }
        }
        positional(w);
    }
    for (Entry& en : pd.e) {
        if (!en.isopt || en.have || groupset[en.group]) continue;
        std::string vn = pd.prefix + en.name;
        if (pd.prefix.empty() || !havvar(vn)) continue;
        bool err = false;
        bool on = leva(getval(vn), err);
        if (err) {
            errmsg("Illegal value " + strq(getval(vn)) + " for option " + strq(en.name) +
                   " from variable " + strq(vn) + ".");
        } else if (on) {
            en.have = true;
            groupset[en.group] = true;
        }
    }
    for (Entry& en : pd.e) {
        if (en.isopt || en.have) continue;
        std::string vn = pd.prefix + en.name;
        if (!pd.prefix.empty() && havvar(vn)) {
            en.value = getval(vn);
            en.have = en.fromvar = true;
            en.varname = vn;
        } else if (en.required) {
            errmsg("Missing parameter " + strq(en.name) + ".");
            continue;
        } else {
            en.value = en.defval;
        }
    }
    for (Entry& en : pd.e)
        if (!en.isopt && (en.have || !en.required)) convert(en);
    npar = static_cast<int>(pass.size());
    for (int i = 0; i < npar; ++i) {
        if (i < static_cast<int>(param.size()))
            param[i] = pass[i];
        else
            param.push_back(pass[i]);
    }
}

int iparam(const std::string& name) { return declared(name).ival[0]; }
double rparam(const std::string& name) { return declared(name).rval[0]; }
std::string getpar(const std::string& name) { return declared(name).value; }

void irange(const std::string& name, int& lo, int& hi) {
    const Entry& en = declared(name);
    lo = en.ival[0];
    hi = en.ival[1];
}

void rrange(const std::string& name, double& lo, double& hi) {
    const Entry& en = declared(name);
    lo = en.rval[0];
    hi = en.rval[1];
}

bool havpar(const std::string& name) { return declared(name).have; }

bool option(const std::string& name) {
    Entry* en = entry(name);
    if (!en || !en->isopt) {
        errmsg("Illegal option " + strp(name) + ".");
        return false;
    }
    return en->have;
}

void cmdsyn(std::vector<std::string>& words, int nwords) {
    if (!inmacro()) {
        errmsg("The \"syntax\" command is allowed only in macros.");
        return;
    }
    std::string syntax = join(words, nwords);
    bool err = false;
    int n = havvar("nparam") ? ieva(getval("nparam"), err) : 0;
    if (err) n = 0;
    std::vector<std::string> w;
    for (int i = 1; i <= n; ++i) w.push_back(getval("p" + intstr(i)));
    params(w, n, syntax);
    for (int i = 0; i < n; ++i) setvar("p" + intstr(i + 1), w[i], kVarDeclare);
    setvar("nparam", intstr(n), kVarDeclare);
    for (const Entry& en : pd.e)
        setvar(en.name, en.isopt ? (en.have ? "1" : "0") : en.value, kVarDeclare);
}
