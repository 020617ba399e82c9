// Chemical shift list reader for the prot, bmrb (NMR-STAR 2.1 and 3.x) and
// nmrview formats.
//
// Choices of ours:
//  - NMR-STAR: the tags of both dictionary versions are recognised; the
//    residue number is the sequence index (_Residue_seq_code / Seq_ID), which
//    matches a molecule read from the same entry's sequence, and the author
//    number is used only when the file has no sequence index column. When the
//    file gives a residue name that differs from the molecule's (first three
//    letters compared), the entry is treated like an unknown atom.
//  - The deviation parameter caps the deviation stored for an entry.
//  - index: the entry number is the running line count instead of the file's.
#include <algorithm>
#include <cmath>

#include "kemlang/print.h"
#include "molecule/kemradata.h"
#include "molecule/molecule.h"
#include "molecule/textio.h"

namespace {

struct Entry {
    int number = 0;
    double shift = 0.0, dev = 0.0;
    std::string atom, resname;
    int resnum = 0;
};

struct StarColumns {
    int ncol = 0;
    int id = 0, seq = 0, auth = 0, label = 0, atom = 0, value = 0, error = 0;
    void clear() { *this = StarColumns(); }
    int used() const { return std::max({id, seq, auth, label, atom, value, error}); }
};

// Maps an NMR-STAR tag to a column slot.
void startag(StarColumns& c, const std::string& tag) {
    int k = ++c.ncol;
    std::string t = tag;
    size_t dot = t.find('.');
    if (dot != std::string::npos) t = "_" + t.substr(dot + 1);
    if (t == "_Atom_shift_assign_ID" || tag == "_Atom_chem_shift.ID")
        c.id = k;
    else if (t == "_Residue_seq_code" || tag == "_Atom_chem_shift.Seq_ID")
        c.seq = k;
    else if (t == "_Residue_author_seq_code" || tag == "_Atom_chem_shift.Auth_seq_ID")
        c.auth = k;
    else if (t == "_Residue_label" || tag == "_Atom_chem_shift.Comp_ID")
        c.label = k;
    else if (t == "_Atom_name" || tag == "_Atom_chem_shift.Atom_ID")
        c.atom = k;
    else if (t == "_Chem_shift_value" || tag == "_Atom_chem_shift.Val")
        c.value = k;
    else if (t == "_Chem_shift_value_error" || tag == "_Atom_chem_shift.Val_err")
        c.error = k;
}

std::vector<std::string> starfields(const std::string& line) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
        if (i >= line.size()) break;
        char q = line[i];
        if (q == '\'' || q == '"') {
            size_t j = i + 1;
            while (j < line.size() &&
                   !(line[j] == q && (j + 1 == line.size() || line[j + 1] == ' ')))
                ++j;
            out.push_back(line.substr(i + 1, j - i - 1));
            i = j + 1;
        } else {
            size_t j = i;
            while (j < line.size() && line[j] != ' ' && line[j] != '\t' && line[j] != '\r') ++j;
            out.push_back(line.substr(i, j - i));
            i = j;
        }
    }
    return out;
}

struct Stats {
    int compared = 0, significant = 0;
    double sum = 0.0, sumabs = 0.0;
};

double classtol(int a) {
    const auto& t = kemradata.tolppm;
    return kemradata.iael[a] > 1 ? std::max(t[3], t[4]) : std::max(t[1], t[2]);
}

// Reports a name the molecule lacks; true when reading goes on. The text is
// made only when it is printed: a skipped line leaves no pending arguments.
template <class Text>
bool unknownname(int mode, const Text& text) {
    if (mode == 2) return true;
    if (mode == 0) {
        errmsg(text());
        return false;
    }
    wrnmsg(text());
    return true;
}

// Stores one entry; false ends the read.
bool store(const Entry& e, const ShiftOptions& o, Stats& st, int& nread) {
    KemraData& d = kemradata;
    bool unassigned = std::fabs(e.shift) > 900.0;
    int mode = unassigned ? 2 : o.unknown;
    int r = findresidue(e.resnum);
    if (r == 0)
        return unknownname(mode, [&] { return "Illegal residue number " + intp(e.resnum) + "."; });
    if (!e.resname.empty() && e.resname.substr(0, 3) != d.rnam[r].substr(0, 3))
        return unknownname(mode, [&] {
            return "Wrong name " + strq(e.resname) + " for residue " + d.rnam[r] + " " +
                   std::to_string(d.ir[r]);
        });
    int a = findatom(r, e.atom);
    if (a == 0)
        return unknownname(mode, [&] {
            return "Illegal atom name " + strq(e.atom) + " for residue " + d.rnam[r] + " " +
                   std::to_string(d.ir[r]) + ".";
        });
    if (unassigned) return true;
    int k = o.list;
    double dev = std::min(e.dev, o.deviation);
    if (o.multiple) {
        d.iacu.push_back(a);
        d.cu.push_back(e.shift);
        d.dcu.push_back(dev);
        ++nread;
        return true;
    }
    if (d.iprot[k][a] > 0) {
        if (!o.add) {
            errmsg("Atom " + d.anam[a] + " of " + d.rnam[r] + " " + std::to_string(d.ir[r]) +
                   " occurs twice in the proton list.");
            return false;
        }
        double diff = d.shift[k][a] - e.shift;
        ++st.compared;
        st.sum += diff;
        st.sumabs += std::fabs(diff);
        if (std::fabs(diff) > std::max(dev, classtol(a))) {
            ++st.significant;
            putlin(1, "Deviation of " + realf(diff, 9, 3) + " ppm in atom " + atomlabel(a) + ".");
        }
    }
    d.iprot[k][a] = e.number;
    d.shift[k][a] = e.shift;
    d.dshift[k][a] = dev;
    ++nread;
    return true;
}

void pseudoatoms(int k) {
    KemraData& d = kemradata;
    for (int p = 1; p <= d.na; ++p) {
        const std::vector<int>& m = d.iqa[p];
        if (m.empty()) continue;
        if (d.iprot[k][p] <= 0) {
            int e = d.iprot[k][m[0]];
            bool same = e > 0;
            for (int x : m) same = same && d.iprot[k][x] == e;
            if (same) {
                d.iprot[k][p] = e;
                d.shift[k][p] = d.shift[k][m[0]];
                d.dshift[k][p] = d.dshift[k][m[0]];
            }
            continue;
        }
        std::string members;
        for (int x : m)
            if (d.iprot[k][x] > 0 && d.iprot[k][x] != d.iprot[k][p]) {
                if (!members.empty()) members += ", ";
                members += d.anam[x] + " " + numstr(d.shift[k][x], 6);
            }
        if (!members.empty())
            wrnmsg("Inconsistency in chemical shift list " + intp(k) + " for " + atomlabel(p) +
                   ": " + members);
    }
}

}  // namespace

bool getpro(std::FILE* f, const ShiftOptions& o, int& nread) {
    KemraData& d = kemradata;
    const int k = o.list;
    nread = 0;
    if (o.multiple) {
        d.iacu.clear();
        d.cu.clear();
        d.dcu.clear();
    } else if (!o.add) {
        std::fill(d.iprot[k].begin(), d.iprot[k].end(), kNoEntry);
        std::fill(d.shift[k].begin(), d.shift[k].end(), kNoShift);
        std::fill(d.dshift[k].begin(), d.dshift[k].end(), 0.0);
    }
    const int format = o.multiple ? 1 : o.format;
    Stats st;
    StarColumns cols;
    bool header = false, inloop = false;
    std::string line;
    int lineno = 0, count = 0;
    while (readline(f, line, format == 2 ? 100000 : 200)) {
        ++lineno;
        std::string text = nocomment(line);
        std::vector<std::string> w = format == 2 ? starfields(text) : fields(text);
        if (w.empty()) continue;
        Entry e;
        bool ok = true;
        if (format == 2) {
            if (w[0] == "loop_") {
                header = true;
                inloop = false;
                cols.clear();
                continue;
            }
            if (w[0] == "stop_") {
                header = inloop = false;
                continue;
            }
            if (header && w[0][0] == '_') {
                startag(cols, w[0]);
                continue;
            }
            if (header) header = false, inloop = true;
            if (!inloop || cols.value == 0 || cols.atom == 0) continue;
            if (static_cast<int>(w.size()) < cols.used()) continue;
            int resc = cols.seq ? cols.seq : cols.auth;
            if (resc == 0) continue;
            ok = toint(w[resc - 1], e.resnum) && toreal(w[cols.value - 1], e.shift);
            if (cols.id)
                ok = ok && toint(w[cols.id - 1], e.number);
            else
                e.number = count + 1;
            if (cols.error && w[cols.error - 1] != "." && w[cols.error - 1] != "?")
                ok = ok && toreal(w[cols.error - 1], e.dev);
            e.atom = w[cols.atom - 1];
            if (cols.label) e.resname = w[cols.label - 1];
        } else if (format == 3) {
            size_t dot = w[0].find('.');
            ok = w.size() >= 2 && dot != std::string::npos &&
                 toint(w[0].substr(0, dot), e.resnum) && toreal(w[1], e.shift);
            if (ok) e.atom = w[0].substr(dot + 1);
            e.number = count + 1;
        } else {
            if (w.size() < 5) continue;
            ok = toint(w[0], e.number) && toreal(w[1], e.shift) && toint(w[4], e.resnum);
            if (w[2] != ".") ok = ok && toreal(w[2], e.dev);
            e.atom = w[3];
        }
        if (!ok) {
            if (!unknownname(o.unknown,
                             [&] { return "Cannot read line " + intp(lineno) + ":@/" + line; }))
                return false;
            continue;
        }
        ++count;
        if (o.index) e.number = count;
        if (!store(e, o, st, nread)) return false;
    }
    if (o.multiple) return true;
    if (st.compared > 0) {
        int n = std::max(st.compared, 1);
        putlin(1, intp(st.significant) + " significant deviations, average deviation " +
                      realf(st.sumabs / n, 9, 3) + " ppm.");
        putlin(1, "New proton list should be shifted by " + realf(st.sum / n, 9, 3) + " ppm.");
    }
    pseudoatoms(k);
    return true;
}
