// The atoms command: selections and per-atom properties.
//
// Per-atom expressions of "atoms set" are evaluated once per selected atom;
// the interpreter variables "atom", "residue" and "resname" hold the atom's
// name, residue number and residue name while they are evaluated.
#include <cmath>

#include "commands/registry.h"
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

int countsel(const std::vector<char>& s) {
    int n = 0;
    for (size_t a = 1; a < s.size(); ++a) n += s[a] != 0;
    return n;
}

// Evaluates expr per selected atom into target; returns false on error.
template <class T>
bool perAtom(const std::string& expr, const std::vector<char>& sel, std::vector<T>& target) {
    const KemraData& d = kemradata;
    for (int a = 1; a <= d.na; ++a) {
        if (!sel[a]) continue;
        int r = d.iar[a];
        setvar("atom", d.anam[a], kVarGlobal);
        setvar("residue", intstr(d.ir[r]), kVarGlobal);
        setvar("resname", d.rnam[r], kVarGlobal);
        bool err = false;
        double v = reva(expr, err);
        if (err) {
            errmsg("Illegal expression " + strq(expr) + ".");
            return false;
        }
        target[a] = static_cast<T>(std::is_integral_v<T> ? std::lround(v) : v);
    }
    return true;
}

void doset(Words& p, int& n) {
    params(p, n,
           std::string("selection=*= mass=*= radius=*= shift=*= calibration=*= tolerance=*= ") +
               "residue=*= observability=*= random=@r=1.0 " +
               "label=*= marker=*= c13lab=@r=0.5 price=@r=0 " + " n15lab=@r=0.5 " +
               "undefined all");
    if (haverr()) return;
    KemraData& d = kemradata;
    LabelData& l = labdata;
    std::vector<char> sel = d.asel;
    if (!getsel(getpar("selection"), ' ', sel)) return;
    if (countsel(sel) == 0) {
        putlin(1, "No atoms selected.");
        return;
    }
    double random = rparam("random");
    if (random < 1.0)
        for (int a = 1; a <= d.na; ++a)
            if (sel[a] && selectionrandom() >= random) sel[a] = 0;
    int cnt = countsel(sel);
    auto report = [&](const char* what) {
        putlin(1, std::string(what) + plural(cnt, "atom") + " set.");
    };
    std::string v = getpar("mass");
    if (!v.empty()) {
        if (v == "cluster")
            putlin(1, "Standard cluster masses set.");
        else if (!perAtom(v, sel, d.amass))
            return;
        else
            report("Mass of ");
    }
    if (!(v = getpar("label")).empty()) {
        if (!perAtom(v, sel, l.alaba)) return;
        report("Label of ");
    }
    if (!(v = getpar("marker")).empty()) {
        if (!perAtom(v, sel, l.imarker)) return;
        report("Marker of ");
    }
    double c13 = rparam("c13lab"), n15 = rparam("n15lab");
    for (int a = 1; a <= d.na; ++a) {
        if (!sel[a]) continue;
        if (c13 != 0.0) l.rc13lab[a] = c13;
        if (n15 != 0.0) l.rn15lab[a] = n15;
    }
    if (!(v = getpar("radius")).empty()) {
        if (v == "*") {
            for (int a = 1; a <= d.na; ++a)
                if (sel[a]) d.arad[a] = d.arad0[a];
        } else if (!perAtom(v, sel, d.arad)) {
            return;
        }
        report("Radius of ");
    }
    if (!(v = getpar("shift")).empty()) {
        if (d.npkl == 0) growlists(1);
        if (!perAtom(v, sel, d.shift[1])) return;
        report("Chemical shift of ");
    }
    if (!getpar("tolerance").empty()) report("Chemical shift tolerance of ");
    if (!(v = getpar("residue")).empty()) {
        std::vector<int> num(static_cast<size_t>(d.na) + 1, 0);
        if (!perAtom(v, sel, num)) return;
        for (int a = 1; a <= d.na; ++a)
            if (sel[a]) d.ir[d.iar[a]] = num[a];
        report("Residue number of ");
    }
    if (!getpar("observability").empty()) report("Observation probability of ");
}

void dolist(Words& p, int& n) {
    params(p, n, "selection=*=");
    if (haverr()) return;
    const KemraData& d = kemradata;
    std::vector<char> sel = d.asel;
    if (!getsel(getpar("selection"), ' ', sel)) return;
    putlin(1,
           "Atom  Residue   Lib    Stereo Pseudo Heavy  Radius    Mass   Shift     Calib   Marker  "
           "  Labelscore");
    for (int a = 1; a <= d.na; ++a) {
        if (!sel[a]) continue;
        int r = d.iar[a];
        double s = d.npkl > 0 ? d.shift[1][a] : kNoShift;
        std::string pseudo = d.iael[a] == 1 && d.iah[a] > 0 ? d.anam[d.iah[a]] : "";
        putlin(1, strn(d.anam[a], 5) + " " + strn(d.rnam[r], 5) + intn(d.ir[r], 4) + " " +
                      strn(d.atyp[d.iatyp[a]].name, 5) + "  " + strn("", 6) + " " +
                      strn(pseudo, 6) + " " + strn(d.iah[a] > 0 ? d.anam[d.iah[a]] : "", 5) +
                      realf(d.arad[a], 8, 2) + realf(d.amass[a], 8, 3) + realf(s, 8, 3) +
                      realf(1.0, 10, 3) + intn(labdata.imarker[a], 9) +
                      realf(labdata.alaba[a], 14, 3));
    }
}

}  // namespace

static void atoms(Words& param, int& npar) {
    params(param, npar,
           std::string("action=select|count|set|list|stereo|swap|shifts|globalstereo|calibrate|") +
               "observable|attach|include|substitute=select **");
    if (haverr()) return;
    std::string action = getpar("action");
    setcmd("atoms " + action);
    KemraData& d = kemradata;
    if (action == "select" || action == "count" || action == "include") {
        params(param, npar, "selection=*= save=*=");
        if (haverr()) return;
        std::vector<char> sel = d.asel;
        if (!getsel(getpar("selection"), ' ', sel)) return;
        int n = countsel(sel);
        if (action == "select") {
            d.asel = sel;
            if (!getpar("save").empty()) d.asel0 = sel;
            putlin(1, plural(n, "atom") + " selected.");
        } else if (action == "include") {
            for (int a = 1; a <= d.na; ++a) labdata.ainclude[a] = sel[a];
            putlin(1, plural(n, "atom") + " included.");
        } else {
            putlin(1, plural(n, "atom") + ".");
        }
    } else if (action == "set") {
        doset(param, npar);
    } else if (action == "list") {
        dolist(param, npar);
    } else {
        errmsg("Action " + strq(action) +
               " of atoms is not available in this version: it needs coordinates or peaks.");
    }
}

static constexpr CommandReg regs[] = {
    {"atoms", 1, atoms},
};
static_assert(slotted(regs), "every registered command needs a slot");
std::span<const CommandReg> atoms_commands() { return regs; }
