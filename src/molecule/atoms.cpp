// Atom selections.
//
// Selection texts, as this program reads them: blank-separated items.
//  - atom name patterns ("*" and "?" wildcards), e.g. "N", "H*", "C";
//  - residue numbers and ranges "12", "5..20", "FIRST..LAST", "FIRST", "LAST";
//  - class keywords (BB, BACKBONE, HEAVY, AMIDE, ...), see classof();
//  - "shift=lo..hi" (atoms with a shift in list 1 inside the range),
//    "random=p" (keeps each atom with probability p), "tolerance=v" (accepted);
//  - a leading "+", "-" or "/" word sets the combination mode with the
//    current selection: add, remove, intersect (default: replace).
// An atom is selected when its name matches one of the patterns (any name
// when none is given), its residue lies in one of the ranges (any residue
// when none is given) and it belongs to every class named.
#include <cmath>

#include "kemlang/expr.h"
#include "kemlang/params.h"
#include "kemlang/print.h"
#include "kemlang/services.h"
#include "kemlang/vars.h"
#include "labeling/labeldata.h"
#include "molecule/kemradata.h"
#include "molecule/select.h"
#include "molecule/textio.h"

namespace {

int g_seed = -4711;

bool bonded_to(int a, int element) {
    const KemraData& d = kemradata;
    for (int k = 0; k < d.nbond[a]; ++k)
        if (d.iael[d.ibond[a][k]] == element) return true;
    return false;
}

int hydrogens(int a) {
    const KemraData& d = kemradata;
    int n = 0;
    for (int k = 0; k < d.nbond[a]; ++k) n += d.iael[d.ibond[a][k]] == 1;
    return n;
}

// Class membership; -1 when the word is no class keyword.
int classof(const std::string& w, int a) {
    const KemraData& d = kemradata;
    const std::string& n = d.anam[a];
    int e = d.iael[a];
    bool bb = n == "N" || n == "CA" || n == "C" || n == "O" || n == "H" || n == "HA";
    if (w == "BB" || w == "BACKBONE") return bb;
    if (w == "HEAVY") return e > 1;
    if (w == "AMIDE") return n == "N" || n == "H";
    if (w == "NH3")
        return e == 1 && d.iah[a] > 0 && hydrogens(d.iah[a]) == 3 && d.iael[d.iah[a]] == 7;
    if (w == "HYDROXYL") return e == 1 && d.iah[a] > 0 && d.iael[d.iah[a]] == 8;
    if (w == "PSEUDO") return e == 0;
    if (w == "HYDROGEN") return e == 1;
    if (w == "CARBON") return e == 6;
    if (w == "NITROGEN") return e == 7;
    if (w == "OXYGEN") return e == 8;
    if (w == "PHOSPHOR") return e == 15;
    if (w == "SULFUR") return e == 16;
    if (w == "ASSIGNED" || w == "ASSIGNED2") return d.npkl > 0 && d.iprot[1][a] > 0;
    if (w == "WITHCOORD" || w == "WITHCOORDALL" || w == "RENAMED") return 0;
    if (w == "SELECTED") return d.asel[a] != 0;
    static const char* bound[] = {"HBOUND", "CBOUND", "NBOUND", "OBOUND", "PBOUND", "SBOUND"};
    static const int belem[] = {1, 6, 7, 8, 15, 16};
    for (int k = 0; k < 6; ++k)
        if (w == bound[k]) return e == 1 && d.iah[a] > 0 && d.iael[d.iah[a]] == belem[k];
    if (w == "SELBOUND") {
        for (int k = 0; k < d.nbond[a]; ++k)
            if (d.asel[d.ibond[a][k]]) return 1;
        return 0;
    }
    if (w == "METHYLENE") return e == 6 && hydrogens(a) == 2;
    if (w == "METHINE") return e == 6 && hydrogens(a) == 1;
    if (w == "METHYL") return e == 6 && hydrogens(a) == 3;
    (void)bonded_to;
    return -1;
}

bool resnumber(const std::string& w, int& v) {
    const KemraData& d = kemradata;
    if (w == "FIRST") return v = d.nr > 0 ? d.ir[1] : 0, true;
    if (w == "LAST") return v = d.nr > 0 ? d.ir[d.nr] : 0, true;
    return toint(w, v);
}

}  // namespace

// Evaluates a selection text into sel (1..na); false after an error message.
bool getsel(const std::string& text, char mode, std::vector<char>& sel) {
    const KemraData& d = kemradata;
    if (mode != ' ' && mode != '+' && mode != '-' && mode != '/') {
        errmsg("Illegal selection mode.");
        return false;
    }
    std::vector<std::string> patterns, classes;
    std::vector<std::pair<int, int>> ranges;
    double slo = 0, shi = 0, prob = 1.0;
    bool byshift = false;
    for (std::string w : fields(text, 1000, 400)) {
        if ((w == "+" || w == "-" || w == "/") && patterns.empty() && ranges.empty()) {
            mode = w[0];
            continue;
        }
        std::string up = w;
        upcase(up);
        size_t dots = up.find("..");
        int lo = 0, hi = 0;
        bool err = false;
        if (up.rfind("SHIFT=", 0) == 0) {
            std::string r = w.substr(6);
            size_t p = r.find("..");
            if (p == std::string::npos || !toreal(r.substr(0, p), slo) ||
                !toreal(r.substr(p + 2), shi)) {
                errmsg("Illegal selection " + strq(w) + ".");
                return false;
            }
            byshift = true;
        } else if (up.rfind("RANDOM=", 0) == 0) {
            prob = reva(w.substr(7), err);
            if (err) {
                errmsg("Illegal selection " + strq(w) + ".");
                return false;
            }
        } else if (up.rfind("TOLERANCE=", 0) == 0) {
            double t = 0;
            if (!toreal(w.substr(10), t)) {
                errmsg("Illegal selection " + strq(w) + ".");
                return false;
            }
        } else if (dots != std::string::npos && resnumber(up.substr(0, dots), lo) &&
                   resnumber(up.substr(dots + 2), hi)) {
            ranges.push_back({lo, hi});
        } else if (resnumber(up, lo)) {
            ranges.push_back({lo, lo});
        } else if (d.na > 0 && classof(up, 1) >= 0) {
            classes.push_back(up);
        } else if (up.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789*?'\"") ==
                   std::string::npos) {
            patterns.push_back(up);
        } else {
            errmsg("Illegal selection " + strq(w) + ".");
            return false;
        }
    }
    std::vector<char> now(static_cast<size_t>(d.na) + 1, 0);
    for (int a = 1; a <= d.na; ++a) {
        bool ok = patterns.empty();
        for (const std::string& p : patterns) ok = ok || match(d.anam[a], p);
        bool inr = ranges.empty();
        int num = d.ir[d.iar[a]];
        for (auto [lo, hi] : ranges) inr = inr || (num >= lo && num <= hi);
        ok = ok && inr;
        for (const std::string& c : classes) ok = ok && classof(c, a) == 1;
        if (ok && byshift)
            ok = d.npkl > 0 && d.iprot[1][a] > 0 && d.shift[1][a] >= slo && d.shift[1][a] <= shi;
        if (ok && prob < 1.0) ok = ran1(g_seed) < prob;
        now[a] = ok;
    }
    if (sel.size() != now.size()) sel.assign(now.size(), 0);
    for (int a = 1; a <= d.na; ++a) {
        if (mode == ' ')
            sel[a] = now[a];
        else if (mode == '+')
            sel[a] = sel[a] || now[a];
        else if (mode == '-')
            sel[a] = sel[a] && !now[a];
        else
            sel[a] = sel[a] && now[a];
    }
    return true;
}

double selectionrandom() { return ran1(g_seed); }
