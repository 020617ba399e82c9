#include "molecule/kemradata.h"

#include "kemlang/print.h"

KemraData kemradata;

void KemraData::reset() {
    std::string keep = libdir;
    *this = KemraData();
    libdir = keep;
}

void nulify() { kemradata.reset(); }

void clearmolecule() {
    KemraData& d = kemradata;
    d.na = d.nd = 0;
    d.anam.clear();
    d.iar.clear();
    d.iatyp.clear();
    d.iael.clear();
    d.iah.clear();
    d.nbond.clear();
    d.ibond.clear();
    d.ilibat.clear();
    d.asel.clear();
    d.asel0.clear();
    d.amass.clear();
    d.arad.clear();
    d.arad0.clear();
    d.iqa.clear();
    d.npeaks = 0;
    d.ipkl.clear();
    d.ipnum.clear();
    d.ppm.clear();
    d.ipa.clear();
    d.pint.clear();
    d.psel.clear();
    d.ndim.clear();
    d.pklab.clear();
    for (auto* v : {&d.shift, &d.dshift, &d.shiftr, &d.acal}) v->clear();
    d.iprot.clear();
    d.iprotr.clear();
    d.cslnam.clear();
    d.pklnam.clear();
    d.npkl = 0;
    d.iacu.clear();
    d.cu.clear();
    d.dcu.clear();
}

void growlists(int n) {
    KemraData& d = kemradata;
    if (n <= d.npkl) return;
    size_t atoms = static_cast<size_t>(d.na) + 1;
    auto grow = [&](auto& v, auto fill) {
        using Row = typename std::decay_t<decltype(v)>::value_type;
        if (v.empty()) v.push_back(Row());
        while (static_cast<int>(v.size()) <= n) {
            if (v.size() > 1)
                v.push_back(v.back());
            else
                v.push_back(Row(atoms, fill));
        }
    };
    grow(d.shift, kNoShift);
    grow(d.dshift, 0.0);
    grow(d.shiftr, kNoShift);
    grow(d.acal, 1.0);
    grow(d.iprot, kNoEntry);
    grow(d.iprotr, kNoEntry);
    if (d.cslnam.empty()) d.cslnam.push_back("");
    if (d.pklnam.empty()) d.pklnam.push_back("");
    while (static_cast<int>(d.cslnam.size()) <= n)
        d.cslnam.push_back(d.cslnam.size() > 1 ? d.cslnam.back() : "");
    while (static_cast<int>(d.pklnam.size()) <= n) d.pklnam.push_back("");
    d.ndim.resize(static_cast<size_t>(n) + 1, 0);
    d.pklab.resize(static_cast<size_t>(n) + 1);
    d.npkl = n;
}

void clearpeaks(int k) {
    KemraData& d = kemradata;
    int keep = 0;
    for (int p = 1; p <= d.npeaks; ++p) {
        if (d.ipkl[p] == k) continue;
        ++keep;
        d.ipkl[keep] = d.ipkl[p];
        d.ipnum[keep] = d.ipnum[p];
        d.ppm[keep] = d.ppm[p];
        d.ipa[keep] = d.ipa[p];
        d.pint[keep] = d.pint[p];
        d.psel[keep] = d.psel[p];
    }
    d.npeaks = keep;
    for (auto* v : {&d.ipkl, &d.ipnum}) v->resize(static_cast<size_t>(keep) + 1);
    d.ppm.resize(static_cast<size_t>(keep) + 1);
    d.ipa.resize(static_cast<size_t>(keep) + 1);
    d.pint.resize(static_cast<size_t>(keep) + 1);
    d.psel.resize(static_cast<size_t>(keep) + 1);
}

int restype(const std::string& name) {
    std::string n = trim(name);
    for (int t = 1; t <= kemradata.naa(); ++t)
        if (kemradata.res[t].name == n) return t;
    return -1;
}

static int atominres(int r, const std::string& name) {
    const KemraData& d = kemradata;
    for (int a = d.ifira[r]; a < d.ifira[r + 1]; ++a)
        if (d.anam[a] == name) return a;
    return 0;
}

int findatom(int r, const std::string& name) {
    if (r < 1 || r > kemradata.nr) return 0;
    std::string n = trim(name);
    upcase(n);
    if (int a = atominres(r, n)) return a;
    if (n.empty()) return 0;
    std::string rest = n.substr(1);
    if (n[0] == 'H') {
        if (int a = atominres(r, "Q" + rest)) return a;
        if (int a = atominres(r, "QQ" + rest)) return a;
    } else if (n[0] == 'Q' && rest.rfind('Q', 0) != 0) {
        if (int a = atominres(r, "QQ" + rest)) return a;
    }
    return 0;
}

int findresidue(int num) {
    for (int r = 1; r <= kemradata.nr; ++r)
        if (kemradata.ir[r] == num) return r;
    return 0;
}

std::string atomlabel(int a) {
    const KemraData& d = kemradata;
    int r = d.iar[a];
    return d.anam[a] + " " + d.rnam[r] + " " + std::to_string(d.ir[r]);
}

int residueatom(const KemraData& d, int r, const std::string& name) {
    if (r < 1 || r > d.nr) return 0;
    for (int a = d.ifira[static_cast<size_t>(r)]; a < d.ifira[static_cast<size_t>(r) + 1]; ++a)
        if (d.anam[static_cast<size_t>(a)] == name) return a;
    return 0;
}
