// Pair analysis and the judging of schedules: which unique pairs a schedule
// resolves, how many duplicates it has and its fingerprint.
#include "labeling/pairs.h"

#include <algorithm>
#include <bit>
#include <vector>

#include "kemlang/print.h"
#include "molecule/kemradata.h"

void initselection(Selection& s) { s = Selection(); }

uint32_t usedsamples(const Schedule& s) {
    uint32_t used = 0;
    for (int k = 1; k <= kSamples; ++k)
        if (s.samples[k].count > 0) used |= 1u << (k - 1);
    for (int t = 1; t <= kTypes; ++t) used |= s.extra.c[t] | s.extra.n[t];
    return used;
}

int lastsample(const Schedule& s) { return std::bit_width(usedsamples(s)); }

void initschedule(Schedule& s) {
    for (auto& smp : s.samples) initselection(smp);
    for (auto& row : s.schednrs) row.fill(0);
    s.nsamples = kSamples;
    s.maxfront = s.maxend = s.maxmask = s.lastpair = 0;
    s.extra = Labels();
}

bool addentry(Selection& s, int front, int end, int mask) {
    if (s.count >= kEntries) return false;
    ++s.count;
    s.front[s.count] = front;
    s.end[s.count] = end;
    s.mask[s.count] = mask;
    s.maxfront = std::max(s.maxfront, front);
    s.maxend = std::max(s.maxend, end);
    return true;
}

int asnameconverttonumber(const KemraData& mol, const std::string& name) {
    std::string n = trim(lefstr(name));
    for (int i = 1; i <= mol.naa(); ++i)
        if (mol.res[i].name == n) return i;
    return -1;
}

int atomnameconverttonumber(const KemraData& mol, const std::string& name) {
    std::string n = trim(lefstr(name));
    for (int i = 1; i <= mol.nattyp(); ++i)
        if (mol.atyp[i].name == n) return i;
    return -1;
}

std::string binarytotext(int mask) {
    std::string t(10, '_');
    for (int k = 0; k < 10; ++k)
        if (mask & (1 << k)) t[static_cast<size_t>(k)] = 'X';
    return t;
}

std::string aaname5(const KemraData& mol, int t) {
    std::string n = t >= 1 && t <= mol.naa() ? mol.res[t].name : std::string();
    n.resize(5, ' ');
    return n;
}

char onelettercode(int t) {
    static const char codes[] = "ARNDCCQEGHILKMFPSTWYV";
    return t >= 1 && t <= kTypes ? codes[t - 1] : 'X';
}

void listout(const std::string& text) { putlin(10, " " + text); }

namespace {

constexpr int kRepeatTypes = 50;

// Does residue r have a selected atom of atom type t?
bool hasselected(const KemraData& d, int r, int t) {
    for (int a = d.ifira[r]; a < d.ifira[r + 1]; ++a)
        if (d.iatyp[a] == t && d.asel[a]) return true;
    return false;
}

void applybans(const KemraData& d, std::vector<std::array<int, kRepeatTypes + 1>>& repeat,
               bool verbose) {
    for (const char* name : {"ASP", "ASN", "GLU", "GLN", "PRO"}) {
        int t = asnameconverttonumber(d, name);
        if (t < 1 || t > kRepeatTypes) continue;
        for (int b = 1; b <= kRepeatTypes; ++b) repeat[t][b] = repeat[b][t] = 0;
        if (verbose) putlin(10, "banning amino acid:" + d.res[t].name);
    }
}

}  // namespace

void annotatepairs(const KemraData& d, const LabelData& l, Selection& sel, TypeMatrix& uniqs,
                   Bans bans, int multipair, bool verbose) {
    initselection(sel);
    for (auto& row : uniqs) row.fill(0);
    std::vector<std::array<int, kRepeatTypes + 1>> repeat(kRepeatTypes + 1);
    for (auto& row : repeat) row.fill(0);
    struct Triple {
        int a, b, m;
    };
    std::vector<Triple> triples;
    auto included = [&](int r) {
        int a = d.ifira[r];
        return a >= 1 && a < static_cast<int>(l.ainclude.size()) && l.ainclude[a];
    };
    for (int i = 1; i < d.nr; ++i) {
        if (!included(i) || !included(i + 1)) continue;
        int a = d.irlib[i], b = d.irlib[i + 1];
        int m = l.imarker[d.ifira[i]];
        if (a <= kTypes && b <= kTypes) ++uniqs[a][b];
        if (a > kRepeatTypes || b > kRepeatTypes) continue;
        bool seen = std::any_of(triples.begin(), triples.end(),
                                [&](const Triple& t) { return t.a == a && t.b == b && t.m == m; });
        if (seen)
            ++repeat[a][b];
        else {
            if (repeat[a][b] == 0) repeat[a][b] = 1;
            triples.push_back({a, b, m});
        }
    }
    if (bans == Bans::on) applybans(d, repeat, verbose);
    if (verbose) putlin(10, "Using the following pairs:");
    int leftout = 0;                  // pairs beyond what a selection holds
    const int ctype = 8, ntype = 11;  // carbonyl carbon, amide nitrogen
    for (int a = 1; a <= kTypes; ++a)
        for (int b = 1; b <= kTypes; ++b) {
            if (repeat[a][b] < 1 || repeat[a][b] > multipair) continue;
            bool found = false;
            for (int i = 1; i < d.nr && !found; ++i)
                found = d.irlib[i] == a && d.irlib[i + 1] == b && hasselected(d, i, ctype) &&
                        hasselected(d, i + 1, ntype);
            if (!found) continue;
            if (!addentry(sel, a, b, 0)) {
                ++leftout;
                continue;
            }
            if (verbose)
                putlin(10, "Pair :(" + aaname5(d, a) + "C13 " + aaname5(d, b) +
                               " N15) occ:" + intn(repeat[a][b], 3));
        }
    if (verbose) putlin(10, "Number of unique Pairs:" + intn(sel.count, 3));
    if (leftout > 0)
        wrnmsg(intp(leftout) + " more unique pairs are left out: the pair analysis holds " +
               intp(kEntries) + ".");
}

void initdata(const KemraData& mol, const LabelData& lab, Selection& sel, TypeMatrix& uniqs,
              int multipair) {
    initselection(sel);
    annotatepairs(mol, lab, sel, uniqs, Bans::on, multipair, false);
    if (sel.count < 2) listout("Not enough unique pairs to make sense");
}

Labels schedulelabels(const Schedule& s) {
    Labels l = s.extra;
    for (int k = 1; k <= s.nsamples && k <= kSamples; ++k) {
        const Selection& smp = s.samples[k];
        const uint32_t bit = 1u << (k - 1);
        for (int p = 1; p <= smp.count; ++p) {
            int f = smp.front[p], e = smp.end[p];
            if (f >= 1 && f <= kTypes) l.c[static_cast<size_t>(f)] |= bit;
            if (e >= 1 && e <= kTypes) l.n[static_cast<size_t>(e)] |= bit;
        }
    }
    if (s.nsamples < kSamples) {
        const uint32_t in = s.nsamples <= 0 ? 0 : (1u << s.nsamples) - 1;
        for (int t = 1; t <= kTypes; ++t) l.c[t] &= in, l.n[t] &= in;
    }
    return l;
}

void pairmasks(const Schedule& s, const TypeMatrix& uniqs, MaskMatrix& m) {
    for (auto& row : m) row.fill(0);
    const Labels l = schedulelabels(s);
    for (int f = 1; f <= kTypes; ++f)
        for (int e = 1; e <= kTypes; ++e)
            if (uniqs[f][e] > 0) m[f][e] = static_cast<int>(l.c[f] & l.n[e]);
}

int resolvedby(const Labels& l, const TypeMatrix& uniqs, const Model& md) {
    std::array<Code, kMaxPairs> codes{};
    std::array<bool, kMaxPairs> once{};
    int n = 0;
    for (int f = 1; f <= kTypes; ++f)
        for (int e = 1; e <= kTypes; ++e) {
            if (uniqs[f][e] <= 0) continue;
            Code c = md.code(e, l.c[f], l.n[e]);
            if (c == 0) continue;
            codes[static_cast<size_t>(n)] = c, once[static_cast<size_t>(n)] = uniqs[f][e] == 1;
            ++n;
        }
    int resolved = 0;
    for (int i = 0; i < n; ++i) {
        if (!once[static_cast<size_t>(i)]) continue;
        bool alone = true;
        for (int j = 0; j < n && alone; ++j)
            alone = j == i || codes[static_cast<size_t>(j)] != codes[static_cast<size_t>(i)];
        resolved += alone;
    }
    return resolved;
}

void fillschednrs(Schedule& s, const TypeMatrix& uniqs) { pairmasks(s, uniqs, s.schednrs); }

namespace {

// The two-spectrum judge: a unique pair is resolved when its code is not
// empty and no other pair that can show has it.
int resolvedcodes(Schedule& s, const TypeMatrix& uniqs, DupList* fronts, DupList* ends,
                  DupList* masks, int* nduplicated) {
    const Labels l = schedulelabels(s);
    const Model& md = s.model;
    struct Shown {
        int f, e;
        Code c;
    };
    std::array<Shown, kMaxPairs> shown{};
    int n = 0;
    for (int f = 1; f <= kTypes; ++f)
        for (int e = 1; e <= kTypes; ++e)
            if (uniqs[f][e] > 0)
                if (Code c = md.code(e, l.c[f], l.n[e]); c != 0)
                    shown[static_cast<size_t>(n++)] = {f, e, c};
    int resolved = 0, ndup = 0;
    for (int i = 0; i < n; ++i) {
        const Shown& p = shown[static_cast<size_t>(i)];
        if (uniqs[p.f][p.e] != 1) continue;
        bool alone = true;
        for (int j = 0; j < n && alone; ++j)
            alone = j == i || shown[static_cast<size_t>(j)].c != p.c;
        if (alone) {
            ++resolved;
            continue;
        }
        if (++ndup <= kListLen) {
            if (fronts) (*fronts)[ndup] = p.f;
            if (ends) (*ends)[ndup] = p.e;
            if (masks) (*masks)[ndup] = static_cast<int>(Model::hnco(p.c));
        }
    }
    if (nduplicated) *nduplicated = ndup;
    return resolved;
}

}  // namespace

int chkuniqsdup(Schedule& s, const TypeMatrix& uniqs, DupList* fronts, DupList* ends,
                DupList* masks, int* nduplicated) {
    fillschednrs(s, uniqs);
    if (s.model.twospectra()) return resolvedcodes(s, uniqs, fronts, ends, masks, nduplicated);
    struct Single {
        int f, e, m;
    };
    std::vector<Single> singles;
    std::vector<int> repeated;
    for (int f = 1; f <= kTypes; ++f)
        for (int e = 1; e <= kTypes; ++e) {
            int m = s.schednrs[f][e];
            if (m <= 0) continue;
            if (uniqs[f][e] == 1)
                singles.push_back({f, e, m});
            else
                repeated.push_back(m);
        }
    int resolved = 0, ndup = 0;
    for (size_t k = 0; k < singles.size(); ++k) {
        int m = singles[k].m;
        bool shared = std::find(repeated.begin(), repeated.end(), m) != repeated.end();
        for (size_t j = 0; j < singles.size() && !shared; ++j) shared = j != k && singles[j].m == m;
        if (!shared) {
            ++resolved;
            continue;
        }
        ++ndup;
        if (ndup <= kListLen) {
            if (fronts) (*fronts)[ndup] = singles[k].f;
            if (ends) (*ends)[ndup] = singles[k].e;
            if (masks) (*masks)[ndup] = m;
        }
    }
    if (nduplicated) *nduplicated = ndup;
    return resolved;
}

int checkmatrix(const MaskMatrix& mat, int& maxmask, const TypeMatrix& allowed,
                const TypeMatrix& uniqs, DupList* l1, DupList* l2, DupList* l3) {
    int total = 0;
    for (DupList* l : {l1, l2, l3})
        if (l) l->fill(0);
    struct Seen {
        int m, f, e, count;
    };
    std::array<Seen, kMaxPairs + 1> seen{};
    int nseen = 0;
    for (int f = 1; f <= kTypes; ++f)
        for (int e = 1; e <= kTypes; ++e) {
            int m = mat[f][e];
            if (m <= 0 || uniqs[f][e] <= 0) continue;
            maxmask = std::max(maxmask, m);
            for (int k = 1; k <= nseen; ++k) {
                if (seen[k].m != m) continue;
                if (++seen[k].count < allowed[f][e]) continue;
                total += allowed[f][e];
                if (k < kListLen) {
                    if (l1) (*l1)[k] = f, (*l1)[kListLen - k] = seen[k].f;
                    if (l2) (*l2)[k] = e, (*l2)[kListLen - k] = seen[k].e;
                    if (l3) (*l3)[k] = (*l3)[kListLen - k] = m;
                }
            }
            seen[++nseen] = {m, f, e, 0};
        }
    return total;
}

int checkschedule(Schedule& s, int& total, const TypeMatrix& allowed, const TypeMatrix& uniqs,
                  DupList* l1, DupList* l2, DupList* l3) {
    if (s.model.twospectra()) {
        for (DupList* l : {l1, l2, l3})
            if (l) l->fill(0);
        return total = 0;
    }
    total = checkmatrix(s.schednrs, s.maxmask, allowed, uniqs, l1, l2, l3);
    return total;
}

int fingerprintschedule(const Schedule& s) {
    auto step = [](int32_t h, int32_t x) {
        int64_t p = static_cast<int64_t>(h) * static_cast<int64_t>(1 + x);
        auto low = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(p)));
        return static_cast<int32_t>(low % 904999);
    };
    int32_t h1 = 1, h2 = 1;
    for (int k = 1; k <= s.nsamples && k <= kSamples; ++k) {
        const Selection& smp = s.samples[k];
        int32_t sf = 0, se = 0;
        for (int i = 1; i <= smp.count; ++i) sf += smp.front[i], se += smp.end[i];
        h1 = step(h1, 97 * sf);
        h2 = step(h2, 97 * se);
    }
    if (s.nsamples < 1) return 0;
    return h1 - h2;
}
UniqueFlags uniqueflags;
