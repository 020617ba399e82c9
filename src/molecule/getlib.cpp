// Residue library reader and library check.
//
// The file is read twice: a sizing pass that only looks at section headers,
// and the reading pass. Atom references of a residue type may point forward
// (bonded atoms listed later), so they are resolved when the last atom line
// of the type has been read. The second set of name tables that selection
// code of other programs keeps is not needed here: selections read the same
// tables.
//
// Standard frame: atom 1 at the origin, first axis towards atom 3, third axis
// along (first axis x atom 2); atom 2 thus lies on the positive side of the
// second axis.
#include <cmath>
#include <cstdio>

#include "kemlang/print.h"
#include "kemlang/vars.h"
#include "molecule/kemradata.h"
#include "molecule/molecule.h"
#include "molecule/textio.h"

namespace {

struct Reader {
    std::FILE* f;
    int unknown;
    int lineno = 0;
    std::string line;
    double corr14 = 0.0;
    bool hascorr14 = false;
    bool next() {
        if (!readline(f, line, 100)) return false;
        ++lineno;
        line = nocomment(line);
        return true;
    }
    // Next non-blank line inside a section.
    bool content(std::vector<std::string>& w) {
        while (next()) {
            w = fields(line);
            if (!w.empty()) return true;
        }
        w.clear();
        return false;
    }
    bool bad() {
        errmsg("Cannot read line " + intp(lineno) + ":@/" + line);
        return false;
    }
};

bool isdigits(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

std::string name5(const std::string& s) { return trim(s.substr(0, 5)); }

// Resolves one atom reference of residue type t; -1 when not found.
int atomref(const ResType& t, const std::string& ref) {
    if (ref.empty()) return 0;
    if (isdigits(ref)) {
        int i = 0;
        if (!toint(ref, i) || i > t.nat()) return -1;
        return i;
    }
    int lo = t.ifirat, hi = t.lasat;
    std::string n = ref;
    if (ref[0] == '-')
        lo = 1, hi = t.ifirat - 1, n = ref.substr(1);
    else if (ref[0] == '+')
        lo = t.lasat + 1, hi = t.nat(), n = ref.substr(1);
    n = name5(n);
    // Overlap atoms may carry their sign in the name ("-C", "+N").
    std::string signed_name = name5(ref);
    for (int i = lo; i <= hi; ++i)
        if (t.at[i].name == n || t.at[i].name == signed_name) return i;
    return -1;
}

struct PendingRefs {
    std::vector<std::array<std::string, 5>> dih;   // 4 defining + last moving
    std::vector<std::array<std::string, 5>> atom;  // 4 bonded + pseudo
};

bool resolve(ResType& t, const PendingRefs& p) {
    auto get = [&](const std::string& ref, int& out) {
        out = atomref(t, ref);
        if (out >= 0) return true;
        errmsg("Illegal atom pointer " + strq(ref) + ".");
        return false;
    };
    for (int j = 1; j <= t.ndih(); ++j) {
        for (int k = 0; k < 4; ++k)
            if (!get(p.dih[j - 1][k], t.dih[j].atoms[k])) return false;
        if (!get(p.dih[j - 1][4], t.dih[j].last)) return false;
    }
    for (int i = 1; i <= t.nat(); ++i) {
        for (int k = 0; k < 4; ++k)
            if (!get(p.atom[i - 1][k], t.at[i].icon[k])) return false;
        if (!get(p.atom[i - 1][4], t.at[i].ipatom)) return false;
    }
    return true;
}

bool readatomtypes(Reader& r, const std::vector<std::string>& hdr) {
    int n = 0;
    if (hdr.size() < 2 || !toint(hdr[1], n)) return r.bad();
    if (hdr.size() >= 3) {
        double c = 0;
        if (!toreal(hdr[2], c)) return r.bad();
        r.corr14 = c;  // taken over only when the whole file reads
        r.hascorr14 = true;
    }
    std::vector<std::string> w;
    for (int i = 0; i < n; ++i) {
        AtomType a;
        if (!r.content(w) || w.size() < 5 || !toreal(w[2], a.radius) || !toint(w[3], a.hbond) ||
            !toint(w[4], a.element))
            return r.bad();
        a.name = name5(w[1]);
        kemradata.atyp.push_back(a);
    }
    return true;
}

int findtype(const std::string& name) {
    for (int i = 1; i <= kemradata.nattyp(); ++i)
        if (kemradata.atyp[i].name == name) return i;
    return 0;
}

bool readresidue(Reader& r, const std::vector<std::string>& hdr) {
    ResType t;
    int ndih = 0, nat = 0;
    if (hdr.size() < 6 || !toint(hdr[2], ndih) || !toint(hdr[3], nat) || !toint(hdr[4], t.ifirat) ||
        !toint(hdr[5], t.lasat) || ndih < 0 || nat < 0)
        return r.bad();
    t.name = name5(hdr[1]);
    t.dih.resize(static_cast<size_t>(ndih) + 1);
    t.at.resize(static_cast<size_t>(nat) + 1);
    PendingRefs p;
    std::vector<std::string> w;
    for (int j = 1; j <= ndih; ++j) {
        if (!r.content(w) || w.size() < 9) return r.bad();
        t.dih[j].name = name5(w[1]);
        p.dih.push_back({w[5], w[6], w[7], w[8], w.size() > 9 ? w[9] : ""});
    }
    for (int i = 1; i <= nat; ++i) {
        LibAtom& a = t.at[i];
        if (!r.content(w) || w.size() < 8) return r.bad();
        for (int m = 0; m < 3; ++m)
            if (!toreal(w[5 + m], a.coord[m])) return r.bad();
        a.name = name5(w[1]);
        std::string tn = name5(w[2]);
        a.type = findtype(tn);
        if (a.type == 0) {
            errmsg("Illegal atom type " + strq(tn) + ".");
            return false;
        }
        std::array<std::string, 5> refs;
        for (int k = 0; k < 5; ++k)
            if (w.size() > static_cast<size_t>(8 + k)) refs[k] = w[8 + k];
        p.atom.push_back(refs);
    }
    if (!resolve(t, p)) return false;
    for (int i = 1; i <= nat; ++i) {
        int q = t.at[i].ipatom;
        if (q > 0 && (q > nat || kemradata.atyp[t.at[q].type].element != 0)) {
            errmsg("Wrong pseudoatom pointer in residue " + strq(t.name) + ".");
            return false;
        }
    }
    kemradata.res.push_back(std::move(t));
    return true;
}

bool readcstable(Reader& r, const std::vector<std::string>& hdr) {
    int n = 0;
    if (hdr.size() < 2 || !toint(hdr[1], n)) return r.bad();
    std::vector<std::string> w;
    for (int i = 0; i < n; ++i) {
        if (!r.content(w) || (w.size() != 8 && w.size() != 10)) return r.bad();
        int integer = 0;
        std::array<double, 6> v{};
        if (!toint(w[3], integer)) return r.bad();
        for (size_t k = 4; k < w.size(); ++k)
            if (!toreal(w[k], v[k - 4])) return r.bad();
        if (w.size() == 10 && r.line.size() >= 66 && r.line[65] == '.') v[3] = v[5];
        std::string rn = name5(w[1]), an = name5(w[2]);
        int t = restype(rn);
        int atom = 0;
        if (t > 0) {
            const ResType& rt = kemradata.res[t];
            for (int k = rt.ifirat; k <= rt.lasat && atom == 0; ++k)
                if (rt.at[k].name == an) atom = k;
        }
        if (t <= 0 || atom == 0) {
            std::string msg =
                t <= 0
                    ? "Illegal residue name " + strq(rn) + " in chemical shift table."
                    : "Illegal atom name " + strq(an) + " for " + rn + " in chemical shift table.";
            if (r.unknown == 0) {
                errmsg(msg);
                return false;
            }
            if (r.unknown == 1) wrnmsg(msg);
            continue;
        }
        LibAtom& a = kemradata.res[t].at[atom];
        a.ncstab = integer;
        a.cstab = {v[0], v[1], std::min(v[2], v[3]), std::max(v[2], v[3])};
    }
    return true;
}

bool readspectrum(Reader& r, const std::vector<std::string>& hdr) {
    SpecDef s;
    int b = 0;
    if (hdr.size() < 4 || !toint(hdr[2], s.a) || !toint(hdr[3], b)) return r.bad();
    s.name = hdr[1];
    std::vector<std::string> w;
    for (int i = 0; i < b; ++i) {
        SpecPath p;
        if (!r.content(w) || !toreal(w[0], p.value)) return r.bad();
        for (size_t k = 1; k < w.size(); ++k) {
            if (k + 1 == w.size() && w[k][0] == '+')
                p.cont = true;
            else
                p.names.push_back(name5(w[k]));
        }
        s.paths.push_back(p);
    }
    kemradata.spec.push_back(s);
    return true;
}

void standardframe(ResType& t) {
    if (t.nat() < 3) return;
    auto sub = [](const std::array<double, 3>& a, const std::array<double, 3>& b) {
        return std::array<double, 3>{a[0] - b[0], a[1] - b[1], a[2] - b[2]};
    };
    auto cross = [](const std::array<double, 3>& a, const std::array<double, 3>& b) {
        return std::array<double, 3>{a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2],
                                     a[0] * b[1] - a[1] * b[0]};
    };
    auto unit = [](std::array<double, 3> a) {
        double n = std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
        if (n > 0) a = {a[0] / n, a[1] / n, a[2] / n};
        return std::pair(a, n);
    };
    std::array<double, 3> o = t.at[1].coord;
    for (int i = 1; i <= t.nat(); ++i) t.at[i].coord = sub(t.at[i].coord, o);
    auto [e1, n1] = unit(t.at[3].coord);
    auto [e3, n3] = unit(cross(e1, t.at[2].coord));
    if (n1 == 0 || n3 == 0) return;
    std::array<double, 3> e2 = cross(e3, e1);
    for (int i = 1; i <= t.nat(); ++i) {
        const auto& c = t.at[i].coord;
        auto dot = [&](const std::array<double, 3>& e) {
            return c[0] * e[0] + c[1] * e[1] + c[2] * e[2];
        };
        t.at[i].coord = {dot(e1), dot(e2), dot(e3)};
    }
}

}  // namespace

bool getlib(std::FILE* f, int unknown) {
    KemraData& d = kemradata;
    const size_t oldtyp = d.atyp.size(), oldres = d.res.size(), oldspec = d.spec.size();
    const int oldmaxat = d.maxat, oldmaxdih = d.maxdih;
    Reader r{f, unknown, 0, std::string()};
    // Sizing pass.
    while (r.next()) {
        if (r.line.find_first_not_of(' ') >= 8 ||
            r.line.find_first_not_of(' ') == std::string::npos)
            continue;
        std::vector<std::string> w = fields(r.line);
        int n = 0;
        if (w[0] == "RESIDUE" && w.size() >= 4) {
            if (toint(w[2], n)) d.maxdih = std::max(d.maxdih, n);
            if (toint(w[3], n)) d.maxat = std::max(d.maxat, n);
        }
    }
    std::rewind(f);
    r.lineno = 0;
    bool ok = true;
    while (ok && r.next()) {
        size_t first = r.line.find_first_not_of(' ');
        if (first == std::string::npos || first >= 8) continue;
        std::vector<std::string> w = fields(r.line);
        if (w[0] == "ATOMTYPES")
            ok = readatomtypes(r, w);
        else if (w[0] == "RESIDUE")
            ok = readresidue(r, w);
        else if (w[0] == "CSTABLE")
            ok = readcstable(r, w);
        else if (w[0] == "SPECTRUM")
            ok = readspectrum(r, w);
    }
    if (!ok) {
        d.atyp.resize(oldtyp);
        d.res.resize(oldres);
        d.spec.resize(oldspec);
        d.maxat = oldmaxat;
        d.maxdih = oldmaxdih;
        return false;
    }
    if (r.hascorr14) {
        d.corr14 = r.corr14;
        setvar("corr14", numstr(r.corr14, 6), kVarGlobal);
    }
    for (size_t t = oldres; t < d.res.size(); ++t) standardframe(d.res[t]);
    return true;
}

int libchk() {
    const KemraData& d = kemradata;
    int found = 0;
    auto report = [&](const std::string& msg) {
        errmsg(msg);
        ++found;
    };
    for (int t = 1; t <= d.naa(); ++t) {
        const ResType& rt = d.res[t];
        for (int u = 1; u < t; ++u)
            if (d.res[u].name == rt.name) {
                report("Duplicate residue name " + strq(rt.name) + ".");
                break;
            }
        for (int j = 2; j <= rt.ndih(); ++j)
            for (int i = 1; i < j; ++i)
                if (rt.dih[i].name == rt.dih[j].name) {
                    report("Duplicate angle name " + strq(rt.dih[j].name) + " in residue " +
                           strq(rt.name) + ".");
                    i = j;
                }
        for (int j = 2; j <= rt.nat(); ++j)
            for (int i = 1; i < j; ++i)
                if (rt.at[i].name == rt.at[j].name) {
                    report("Duplicate atom name " + strq(rt.at[j].name) + " in residue " +
                           strq(rt.name) + ".");
                    i = j;
                }
        for (int j = 2; j <= rt.ndih(); ++j) {
            int lo = rt.dih[j].atoms[2] + 1;
            int hi = rt.dih[j].last > 0 ? rt.dih[j].last : rt.nat();
            bool hit = false;
            for (int i = 1; i < j && !hit; ++i)
                for (int a : rt.dih[i].atoms)
                    if (a >= lo && a <= hi) hit = true;
            if (hit)
                report("Angle " + strq(rt.dih[j].name) + " in residue " + strq(rt.name) +
                       " affects preceding angle(s).");
        }
    }
    return found;
}
