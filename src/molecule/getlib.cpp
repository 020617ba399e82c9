// Residue library reader and library check.
//
// One pass: the arrays grow as lines are read, so no header count is trusted
// before the lines it announces are there. Atom references of a residue type may point forward
// (bonded atoms listed later), so they are resolved when the last atom line
// of the type has been read. The second set of name tables that selection
// code of other programs keeps is not needed here: selections read the same
// tables.
//
// Standard frame: atom 1 at the origin, first axis towards atom 3, third axis
// along (first axis x atom 2); atom 2 thus lies on the positive side of the
// second axis.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "kemlang/print.h"
#include "kemlang/vars.h"
#include "molecule/kemradata.h"
#include "molecule/molecule.h"
#include "molecule/textio.h"

namespace {

// Blank for the reader: blanks, tabs and the carriage return of DOS files.
const char* kBlank = " \t\r";

struct Reader {
    std::FILE* f;
    int unknown;
    Library lib;  // the library being built; taken over only on success
    int lineno = 0;
    std::string line;
    bool hascorr14 = false;
    bool next() {
        if (!readline(f, line, 100)) return false;
        ++lineno;
        line = nocomment(line);
        return true;
    }
    // Next non-blank line inside a section. The end of the file is the
    // line after the last one that cannot be read.
    bool content(std::vector<std::string>& w) {
        while (next()) {
            w = fields(line);
            if (!w.empty()) return true;
        }
        w.clear();
        ++lineno;
        line = "(end of file)";
        return false;
    }
    bool bad() {
        errmsg("Cannot read line " + intp(lineno) + ":@/" + strp(line));
        return false;
    }
    // A message about the current line, which it names on a second line.
    bool fail(const std::string& msg, int at, const std::string& text) {
        errmsg(msg + "@/Line " + intp(at) + ": " + strp(text));
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
    lo = std::max(lo, 1);
    hi = std::min(hi, t.nat());
    for (int i = lo; i <= hi; ++i)
        if (t.at[i].name == n || t.at[i].name == signed_name) return i;
    return -1;
}

// Atom references wait until every atom line of the type is read, since they
// may point forward; each remembers its line for the message.
struct Refs {
    std::array<std::string, 5> ref;  // 4 defining/bonded atoms + last moving/pseudo
    int lineno = 0;
    std::string line;
};
struct PendingRefs {
    std::vector<Refs> dih, atom;
};

bool resolve(Reader& r, ResType& t, const PendingRefs& p) {
    auto get = [&](const Refs& refs, int k, int& out) {
        out = atomref(t, refs.ref[k]);
        if (out >= 0) return true;
        return r.fail("Illegal atom pointer " + strq(refs.ref[k]) + ".", refs.lineno, refs.line);
    };
    for (int j = 1; j <= t.ndih(); ++j) {
        for (int k = 0; k < 4; ++k)
            if (!get(p.dih[j - 1], k, t.dih[j].atoms[k])) return false;
        if (!get(p.dih[j - 1], 4, t.dih[j].last)) return false;
    }
    for (int i = 1; i <= t.nat(); ++i) {
        for (int k = 0; k < 4; ++k)
            if (!get(p.atom[i - 1], k, t.at[i].icon[k])) return false;
        if (!get(p.atom[i - 1], 4, t.at[i].ipatom)) return false;
    }
    return true;
}

bool readatomtypes(Reader& r, const std::vector<std::string>& hdr) {
    int n = 0;
    if (hdr.size() < 2 || !toint(hdr[1], n) || n < 0) return r.bad();
    if (hdr.size() >= 3) {
        double c = 0;
        if (!toreal(hdr[2], c)) return r.bad();
        r.lib.corr14 = c;
        r.hascorr14 = true;
    }
    std::vector<std::string> w;
    for (int i = 0; i < n; ++i) {
        AtomType a;
        if (!r.content(w) || w.size() < 5 || !toreal(w[2], a.radius) || !toint(w[3], a.hbond) ||
            !toint(w[4], a.element))
            return r.bad();
        a.name = name5(w[1]);
        r.lib.atyp.push_back(a);
    }
    return true;
}

int findtype(const Library& lib, const std::string& name) {
    for (size_t i = 1; i < lib.atyp.size(); ++i)
        if (lib.atyp[i].name == name) return static_cast<int>(i);
    return 0;
}

// The arrays of a type grow line by line: a header cannot make the reader
// allocate more than the file holds.
bool readresidue(Reader& r, const std::vector<std::string>& hdr) {
    ResType t;
    int ndih = 0, nat = 0;
    if (hdr.size() < 6 || !toint(hdr[2], ndih) || !toint(hdr[3], nat) || !toint(hdr[4], t.ifirat) ||
        !toint(hdr[5], t.lasat) || ndih < 0 || nat < 0)
        return r.bad();
    // The residue proper is a run of atoms inside 1..nat (possibly empty).
    if (t.ifirat < 1 || t.lasat > nat || t.ifirat > t.lasat + 1) return r.bad();
    t.name = name5(hdr[1]);
    t.dih.assign(1, LibDihedral());  // entry 0 unused
    t.at.assign(1, LibAtom());
    PendingRefs p;
    std::vector<std::string> w;
    for (int j = 1; j <= ndih; ++j) {
        if (!r.content(w) || w.size() < 9) return r.bad();
        LibDihedral d;
        d.name = name5(w[1]);
        t.dih.push_back(d);
        p.dih.push_back({{w[5], w[6], w[7], w[8], w.size() > 9 ? w[9] : ""}, r.lineno, r.line});
    }
    for (int i = 1; i <= nat; ++i) {
        LibAtom a;
        if (!r.content(w) || w.size() < 8) return r.bad();
        for (int m = 0; m < 3; ++m)
            if (!toreal(w[5 + m], a.coord[m])) return r.bad();
        a.name = name5(w[1]);
        std::string tn = name5(w[2]);
        a.type = findtype(r.lib, tn);
        if (a.type == 0) return r.fail("Illegal atom type " + strq(tn) + ".", r.lineno, r.line);
        Refs refs;
        for (int k = 0; k < 5; ++k)
            if (w.size() > static_cast<size_t>(8 + k)) refs.ref[k] = w[8 + k];
        refs.lineno = r.lineno;
        refs.line = r.line;
        p.atom.push_back(refs);
        t.at.push_back(a);
    }
    if (!resolve(r, t, p)) return false;
    for (int i = 1; i <= nat; ++i) {
        int q = t.at[i].ipatom;
        if (q > 0 && (q > nat || r.lib.atyp[t.at[q].type].element != 0))
            return r.fail("Wrong pseudoatom pointer in residue " + strq(t.name) + ".",
                          p.atom[i - 1].lineno, p.atom[i - 1].line);
    }
    r.lib.maxat = std::max(r.lib.maxat, nat);
    r.lib.maxdih = std::max(r.lib.maxdih, ndih);
    r.lib.res.push_back(std::move(t));
    return true;
}

int findres(const Library& lib, const std::string& name) {
    for (size_t t = 1; t < lib.res.size(); ++t)
        if (lib.res[t].name == name) return static_cast<int>(t);
    return -1;
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
        int t = findres(r.lib, rn);
        int atom = 0;
        if (t > 0) {
            const ResType& rt = r.lib.res[t];
            for (int k = rt.ifirat; k <= rt.lasat && atom == 0; ++k)
                if (rt.at[k].name == an) atom = k;
        }
        if (t <= 0 || atom == 0) {
            std::string msg = t <= 0
                                  ? "Illegal residue name " + strq(rn) + " in chemical shift table."
                                  : "Illegal atom name " + strq(an) + " for " + strp(rn) +
                                        " in chemical shift table.";
            if (r.unknown == 0) return r.fail(msg, r.lineno, r.line);
            if (r.unknown == 1) wrnmsg(msg);
            continue;
        }
        LibAtom& a = r.lib.res[t].at[atom];
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
    r.lib.spec.push_back(s);
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

// Reads into a copy of the library, which replaces it only when the whole
// file has been read: a failed read leaves the library as it was.
bool getlib(std::FILE* f, int unknown) {
    KemraData& d = kemradata;
    // The read command empties the library before a replacing read; the
    // molecule still refers to the old one, so a failure must bring it back.
    const bool dropped = d.havekept && d.naa() == 0 && d.nattyp() == 0 && d.nspec() == 0;
    Reader r{f, unknown, Library{d.atyp, d.res, d.spec, d.maxat, d.maxdih, d.corr14}, 0, "", false};
    const size_t oldres = d.res.size();
    bool ok = true;
    while (ok && r.next()) {
        size_t first = r.line.find_first_not_of(kBlank);
        if (first == std::string::npos || first >= 8) continue;
        std::vector<std::string> w = fields(r.line);
        if (w.empty()) continue;
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
        if (dropped) {
            d.atyp = d.kept.atyp;
            d.res = d.kept.res;
            d.spec = d.kept.spec;
            d.maxat = d.kept.maxat;
            d.maxdih = d.kept.maxdih;
            d.corr14 = d.kept.corr14;
        }
        return false;
    }
    for (size_t t = oldres; t < r.lib.res.size(); ++t) standardframe(r.lib.res[t]);
    d.atyp = std::move(r.lib.atyp);
    d.res = std::move(r.lib.res);
    d.spec = std::move(r.lib.spec);
    d.maxat = r.lib.maxat;
    d.maxdih = r.lib.maxdih;
    if (r.hascorr14) {
        d.corr14 = r.lib.corr14;
        setvar("corr14", numstr(d.corr14, 6), kVarGlobal);
    }
    d.kept = Library{d.atyp, d.res, d.spec, d.maxat, d.maxdih, d.corr14};
    d.havekept = true;
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
