// Sequence and FASTA readers, the molecule build and its set-up.
//
// Choices of ours:
//  - overlap atoms that a residue type carries for a neighbour which the
//    first or last residue does not have are left out of the molecule; they
//    only serve the bonds across the peptide link;
//  - a bond table holds kMaxBonds bonds per atom;
//  - the structure-calculation set-up is not needed by any command here and
//    is left out; after a build every atom is selected.
//  - FASTA: letters are read case-insensitively, a final "*" ends the chain,
//    "C" is cysteine with a free thiol (CYS); "X" is refused rather than
//    skipped, since dropping it would pair its two neighbours;
//  - lines of sequence and FASTA files are read whole, however long.
#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>

#include "kemlang/print.h"
#include "labeling/labeldata.h"
#include "molecule/kemradata.h"
#include "molecule/molecule.h"
#include "molecule/nmrstar.h"
#include "molecule/textio.h"

namespace {

struct Pending {
    std::vector<std::string> names;
    std::vector<int> nums;
    std::vector<char> cis;
};

void setresidues(const Pending& p) {
    KemraData& d = kemradata;
    d.nr = static_cast<int>(p.names.size());
    d.rnam.assign(1, "");
    d.ir.assign(1, 0);
    d.cis.assign(1, 0);
    d.rnam.insert(d.rnam.end(), p.names.begin(), p.names.end());
    d.ir.insert(d.ir.end(), p.nums.begin(), p.nums.end());
    d.cis.insert(d.cis.end(), p.cis.begin(), p.cis.end());
    d.rid.assign(static_cast<size_t>(d.nr) + 1, "");
    for (int r = 1; r <= d.nr; ++r) d.rid[r] = std::to_string(d.ir[r]);
}

bool cannotread(int lineno, const std::string& line) {
    errmsg("Cannot read line " + intp(lineno) + ":@/" + strp(line));
    kemradata.nr = 0;
    return false;
}

// First number that occurs twice, in file order of its second occurrence.
bool duplicates(const Pending& p) {
    std::vector<std::pair<int, size_t>> sorted;
    for (size_t i = 0; i < p.nums.size(); ++i) sorted.push_back({p.nums[i], i});
    std::sort(sorted.begin(), sorted.end());
    size_t first = p.nums.size();
    for (size_t k = 1; k < sorted.size(); ++k)
        if (sorted[k].first == sorted[k - 1].first) first = std::min(first, sorted[k].second);
    if (first == p.nums.size()) return false;
    errmsg("Duplicate residue number " + intp(p.nums[first]) + ".");
    kemradata.nr = 0;
    return true;
}

// Atom of residue r with the name of library atom i of its type, 0 if none.
// Overlap atoms may be written "-C" or "+N" in the library, which keeps the
// atom names of a type unique; the sign is not part of the neighbour's name.
int byname(int r, const std::string& name) {
    const KemraData& d = kemradata;
    if (r < 1 || r > d.nr) return 0;
    std::string n = !name.empty() && (name[0] == '-' || name[0] == '+') ? name.substr(1) : name;
    for (int a = d.ifira[r]; a < d.ifira[r + 1]; ++a)
        if (d.anam[a] == n) return a;
    return 0;
}

// Molecule atom for library atom i of residue r (overlap atoms resolved).
int molatom(int r, int i) {
    const KemraData& d = kemradata;
    const ResType& t = d.res[d.irlib[r]];
    if (i <= 0) return 0;
    if (i < t.ifirat) return byname(r - 1, t.at[i].name);
    if (i > t.lasat) return byname(r + 1, t.at[i].name);
    return d.ifira[r] + i - t.ifirat;
}

bool addbond(int a, int b) {
    KemraData& d = kemradata;
    if (a == b || a == 0 || b == 0) return true;
    for (int k = 0; k < d.nbond[a]; ++k)
        if (d.ibond[a][k] == b) return true;
    for (int x : {a, b})
        if (d.nbond[x] >= kMaxBonds) {
            errmsg("Too many connectivities for " + atomlabel(x));
            return false;
        }
    d.ibond[a][d.nbond[a]++] = b;
    d.ibond[b][d.nbond[b]++] = a;
    return true;
}

}  // namespace

bool build() {
    KemraData& d = kemradata;
    clearmolecule();
    d.irlib.assign(static_cast<size_t>(d.nr) + 1, 0);
    d.ifira.assign(static_cast<size_t>(d.nr) + 2, 1);
    d.ifird.assign(static_cast<size_t>(d.nr) + 2, 1);
    for (int r = 1; r <= d.nr; ++r) {
        int t = restype(d.rnam[r]);
        if (t <= 0) {
            errmsg("Illegal residue type " + strq(d.rnam[r]) + ".");
            d.nr = 0;
            return false;
        }
        d.irlib[r] = t;
    }
    d.anam.assign(1, "");
    for (auto* v : {&d.iar, &d.iatyp, &d.iael, &d.ilibat}) v->assign(1, 0);
    for (int r = 1; r <= d.nr; ++r) {
        const ResType& t = d.res[d.irlib[r]];
        d.ifira[r] = static_cast<int>(d.anam.size());
        d.ifird[r] = d.nd + 1;
        d.nd += t.ndih();
        for (int i = t.ifirat; i <= t.lasat; ++i) {
            d.anam.push_back(t.at[i].name);
            d.iar.push_back(r);
            d.iatyp.push_back(t.at[i].type);
            d.iael.push_back(d.atyp[t.at[i].type].element);
            d.ilibat.push_back(i);
        }
    }
    d.na = static_cast<int>(d.anam.size()) - 1;
    d.ifira[d.nr + 1] = d.na + 1;
    d.ifird[d.nr + 1] = d.nd + 1;
    for (int r = 1; r <= d.nr; ++r) {
        const ResType& t = d.res[d.irlib[r]];
        for (int i = 1; i <= t.nat(); ++i) {
            bool before = i<t.ifirat, after = i> t.lasat;
            if (!before && !after) continue;
            int nb = before ? r - 1 : r + 1;
            if (nb < 1 || nb > d.nr) continue;
            if (byname(nb, t.at[i].name) == 0) {
                errmsg("Overlap atom " + strq(t.at[i].name) + " not found for residue " +
                       d.rnam[r] + " " + std::to_string(d.ir[r]));
                d.nr = 0;
                return false;
            }
        }
    }
    return true;
}

void iniseq() {
    KemraData& d = kemradata;
    size_t n = static_cast<size_t>(d.na) + 1;
    d.nbond.assign(n, 0);
    d.ibond.assign(n, {});
    d.iah.assign(n, 0);
    d.asel.assign(n, 1);
    d.asel0.assign(n, 1);
    d.amass.assign(n, 0.0);
    d.arad.assign(n, 0.0);
    d.iqa.assign(n, {});
    for (int a = 1; a <= d.na; ++a) {
        d.arad[a] = d.atyp[d.iatyp[a]].radius;
        static const double masses[] = {0, 1.008, 0, 0, 0, 0, 12.011, 14.007, 15.999};
        int e = d.iael[a];
        d.amass[a] = e >= 1 && e <= 8 ? masses[e] : e == 16 ? 32.06 : 0.0;
    }
    d.arad0 = d.arad;
    bool ok = true;
    for (int a = 1; a <= d.na && ok; ++a) {
        int r = d.iar[a];
        const LibAtom& la = d.res[d.irlib[r]].at[d.ilibat[a]];
        for (int k = 0; k < 4 && ok; ++k) ok = addbond(a, molatom(r, la.icon[k]));
        if (la.ipatom > 0) {
            int p = molatom(r, la.ipatom);
            if (p > 0) d.iqa[p].push_back(a);
        }
    }
    for (int l = 1; l <= d.nlink && ok; ++l) ok = addbond(d.ialink[l][0], d.ialink[l][1]);
    for (int a = 1; a <= d.na; ++a) {
        if (d.iael[a] == 1 && d.nbond[a] > 0) d.iah[a] = d.ibond[a][0];
        if (d.iael[a] == 0 && d.atyp[d.iatyp[a]].element == 0) {
            if (d.iqa[a].empty())
                wrnmsg("Pseudo atom " + strq(atomlabel(a)) + " does not represent other atoms.");
        }
    }
    for (int a = 1; a <= d.na; ++a)  // pseudo atoms: carrier of their first member
        if (d.iael[a] == 0 && !d.iqa[a].empty()) {
            int m = d.iqa[a][0];
            while (m > 0 && d.iael[m] == 0 && !d.iqa[m].empty()) m = d.iqa[m][0];
            d.iah[a] = m > 0 ? d.iah[m] : 0;
        }
    labseqinit(d.na);
}

bool getseq(std::FILE* f) {
    KemraData& d = kemradata;
    d.nr = 0;
    d.nlink = 0;
    d.ialink.assign(1, {0, 0});
    Pending p;
    std::string line;
    int lineno = 0;
    bool built = false;
    while (readline(f, line, std::string::npos)) {  // long lines lose no residues
        ++lineno;
        std::vector<std::string> w = fields(nocomment(line), INT_MAX);
        if (w.empty()) continue;
        if (w[0] == "link") {
            if (w.size() != 5) return cannotread(lineno, line);
            if (!built) {
                if (duplicates(p)) return false;
                setresidues(p);
                if (!build()) return false;
                built = true;
            }
            int n1 = 0, n2 = 0;
            if (!toint(w[2], n1) || !toint(w[4], n2)) return cannotread(lineno, line);
            int a1 = findatom(findresidue(n1), w[1]), a2 = findatom(findresidue(n2), w[3]);
            if (a1 == 0 || a2 == 0) return cannotread(lineno, line);
            d.ialink.push_back({a1, a2});
            ++d.nlink;
            continue;
        }
        if (built) return cannotread(lineno, line);
        for (const std::string& fld : w) {
            if (fld == "link") return cannotread(lineno, line);
            if (std::string("0123456789+-").find(fld[0]) != std::string::npos) {
                int num = 0;
                if (p.names.empty() || !toint(fld, num)) return cannotread(lineno, line);
                p.nums.back() = num;
                continue;
            }
            bool cis = fld.size() > 1 && fld[0] == 'c' && fld[1] >= 'A' && fld[1] <= 'Z';
            std::string name = (cis ? fld.substr(1) : fld).substr(0, 5);
            upcase(name);
            // The number after the largest integer does not exist.
            if (!p.nums.empty() && p.nums.back() == INT_MAX) return cannotread(lineno, line);
            p.names.push_back(name);
            p.nums.push_back(p.nums.empty() ? 1 : p.nums.back() + 1);
            p.cis.push_back(cis);
        }
    }
    if (built) return true;
    if (duplicates(p)) return false;
    setresidues(p);
    return build();
}

bool isfasta(const std::string& name) {
    size_t dot = name.rfind('.');
    size_t slash = name.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
    std::string ext = name.substr(dot + 1);
    locase(ext);
    return ext == "fasta" || ext == "fa" || ext == "faa";
}

bool getfasta(std::FILE* f) {
    static const char* codes = "ARNDCQEGHILKMFPSTWYV";
    static const char* names[] = {"ALA", "ARG", "ASN", "ASP", "CYS", "GLN", "GLU",
                                  "GLY", "HIS", "ILE", "LEU", "LYS", "MET", "PHE",
                                  "PRO", "SER", "THR", "TRP", "TYR", "VAL"};
    kemradata.nr = 0;
    kemradata.nlink = 0;
    kemradata.ialink.assign(1, {0, 0});
    Pending p;
    std::string line;
    int records = 0;
    bool ended = false;
    while (readline(f, line, std::string::npos)) {  // a chain on one line is read whole
        std::string t = lefstr(line);
        if (!t.empty() && t[0] == '>') {
            ++records;
            continue;
        }
        if (t.empty() || t[0] == ';' || records > 1) continue;
        for (char c : t) {
            if (c == ' ' || c == '\t' || c == '\r') continue;
            if (c == '*' && !ended) {
                ended = true;
                continue;
            }
            const char* hit = std::strchr(codes, std::toupper(static_cast<unsigned char>(c)));
            if (ended || hit == nullptr || c == '\0') {
                errmsg("Illegal residue letter " + strq(std::string(1, c)) + " at position " +
                       intp(static_cast<int>(p.names.size()) + 1) + "." +
                       (c == 'X' || c == 'x' ? falsepairnote() : std::string()));
                return false;
            }
            p.names.push_back(names[hit - codes]);
            p.nums.push_back(static_cast<int>(p.names.size()));
            p.cis.push_back(0);
        }
    }
    if (records > 1)
        wrnmsg("FASTA file holds " + intp(records) + " records; only the first one is read.");
    setresidues(p);
    return build();
}
