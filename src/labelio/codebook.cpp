#include "labelio/codebook.h"

#include <algorithm>
#include <map>

#include "kemlang/print.h"
#include "labelio/recipe.h"

const char* const kPatternLegend = "Pattern: _ no peak, H HSQC peak only, X HSQC and HNCO peaks";

void patternlegend(const Model& m) {
    if (m.twospectra()) listout(kPatternLegend);
}

CodeMatrix paircodes(const Schedule& s, const TypeMatrix& uniqs) {
    CodeMatrix c{};
    const Labels l = s.model.twospectra() ? schedulelabels(s) : Labels();
    for (int f = 1; f <= kTypes; ++f)
        for (int e = 1; e <= kTypes; ++e) {
            if (uniqs[f][e] <= 0) continue;
            c[f][e] = s.model.twospectra() ? s.model.code(e, l.c[f], l.n[e])
                                           : static_cast<Code>(std::max(0, s.schednrs[f][e]));
        }
    return c;
}

bool uniquepair(const Selection& base, const TypeMatrix& uniqs, int f, int e) {
    if (f < 1 || f > kTypes || e < 1 || e > kTypes || uniqs[f][e] != 1) return false;
    for (int k = 1; k <= base.count; ++k)
        if (base.front[k] == f && base.end[k] == e) return true;
    return false;
}

bool resolvedpair(const CodeMatrix& codes, const TypeMatrix& uniqs, int f, int e) {
    if (f < 1 || f > kTypes || e < 1 || e > kTypes || uniqs[f][e] != 1) return false;
    const Code c = codes[f][e];
    if (c == 0) return false;
    for (int a = 1; a <= kTypes; ++a)
        for (int b = 1; b <= kTypes; ++b)
            if ((a != f || b != e) && uniqs[a][b] > 0 && codes[a][b] == c) return false;
    return true;
}

UniqueTally tallyunique(const CodeMatrix& codes, const Selection& base, const TypeMatrix& uniqs) {
    UniqueTally t;
    for (int k = 1; k <= base.count; ++k) {
        int f = base.front[k], e = base.end[k];
        if (!uniquepair(base, uniqs, f, e)) continue;
        ++t.unique;
        t.resolved += resolvedpair(codes, uniqs, f, e);
    }
    return t;
}

CodeMatrix paircodes(const Schedule& s) {
    TypeMatrix every{};
    for (auto& row : every) row.fill(1);
    return paircodes(s, every);
}

Code residuecode(const KemraData& d, const CodeMatrix& c, int i) {
    if (i < 1 || i >= d.nr) return 0;
    int f = d.irlib[static_cast<size_t>(i)], e = d.irlib[static_cast<size_t>(i + 1)];
    return f >= 1 && f <= kTypes && e >= 1 && e <= kTypes ? c[f][e] : 0;
}

int designsamples(const Schedule& s) {
    if (!s.model.twospectra()) return lastsample(s);
    const Labels l = schedulelabels(s);
    uint32_t used = 0;
    for (int t = 1; t <= kTypes; ++t) used |= l.c[t] | l.n[t];
    int k = 0;
    for (; used; used >>= 1) ++k;
    return k;
}

uint32_t seenin(const Model& m, Code c) { return m.twospectra() ? Model::hsqc(c) : Model::hnco(c); }

bool wordbefore(Code a, Code b) {
    auto rank = [](Code c, int k) {
        char s = Model::state(c, k);
        return s == '_' ? 0 : s == 'H' ? 1 : 2;
    };
    for (int k = 0; k < kSamples; ++k)
        if (int ra = rank(a, k), rb = rank(b, k); ra != rb) return ra < rb;
    return false;
}

CodeBook codebook(const Schedule& s, const TypeMatrix& uniqs, const KemraData& d,
                  const LabelData& lab) {
    CodeBook b;
    b.model = s.model;
    b.nsamples = designsamples(s);
    const CodeMatrix codes = paircodes(s, uniqs);
    auto included = [&](int r) {
        int a = d.ifira[static_cast<size_t>(r)];
        return a >= 1 && a < static_cast<int>(lab.ainclude.size()) && lab.ainclude[a];
    };
    // Residues by pair type, in sequence order.
    std::map<std::pair<int, int>, std::vector<int>> residues;
    for (int i = 1; i < d.nr; ++i) {
        int f = d.irlib[static_cast<size_t>(i)], e = d.irlib[static_cast<size_t>(i + 1)];
        if (f < 1 || f > kTypes || e < 1 || e > kTypes || uniqs[f][e] <= 0) continue;
        if (included(i) && included(i + 1)) residues[{f, e}].push_back(i + 1);
    }
    for (const auto& [pair, where] : residues) {
        CodePair p{pair.first, pair.second, where};
        Code c = codes[pair.first][pair.second];
        if (c == 0) {
            b.unseen.push_back(p);
            continue;
        }
        auto g = std::find_if(b.groups.begin(), b.groups.end(),
                              [&](const CodeGroup& x) { return x.code == c; });
        if (g == b.groups.end())
            b.groups.push_back({c, {p}});
        else
            g->pairs.push_back(p);
    }
    std::stable_sort(b.groups.begin(), b.groups.end(), [](const CodeGroup& x, const CodeGroup& y) {
        return wordbefore(x.code, y.code);
    });
    for (const CodeGroup& g : b.groups)
        b.resolved += g.pairs.size() == 1 && g.pairs[0].residues.size() == 1;
    return b;
}

std::vector<CodeRow> coderows(const CodeBook& b, const KemraData& d) {
    std::vector<CodeRow> rows;
    auto row = [&](Code c, const CodePair& p, const std::string& note) {
        std::string where;
        for (int r : p.residues) where += (where.empty() ? "" : " ") + std::to_string(r);
        rows.push_back({Model::word(c, b.nsamples), typename_of(d, p.front), typename_of(d, p.end),
                        where, note});
    };
    for (const CodeGroup& g : b.groups)
        for (const CodePair& p : g.pairs) {
            size_t n = g.pairs.size();
            std::string note = n > 1                   ? "shared by " + std::to_string(n) + " pairs"
                               : p.residues.size() > 1 ? "repeated"
                                                       : "unique";
            row(g.code, p, note);
        }
    for (const CodePair& p : b.unseen) row(0, p, "not seen");
    return rows;
}

void outputcodes(const CodeBook& b, int rank, const KemraData& d) {
    putlin(10, "Code book of labeling " + intp(rank) + ": " + strp(b.model.name()) + ", " +
                   plural(b.nsamples, "sample"));
    if (b.groups.empty() && b.unseen.empty()) {
        putlin(10, "No pair of the sequence occurs.");
        return;
    }
    const size_t width = std::max<size_t>(static_cast<size_t>(b.nsamples), 4) + 2;
    auto cell = [](std::string s, size_t w) {
        s.resize(std::max(s.size() + 1, w), ' ');
        return s;
    };
    putlin(10, strp(cell("Code", width) + cell("Pair", 12) + cell("Residues", 12) + "Note"));
    for (const CodeRow& r : coderows(b, d))
        putlin(10, strp(cell(r.word, width) + cell(r.front, 5) + cell(r.end, 7) +
                        cell(r.residues, 12) + r.note));
    int shared = 0;
    for (const CodeGroup& g : b.groups) shared += g.pairs.size() > 1;
    putlin(10, "Codes: " + intp(static_cast<int>(b.groups.size())) + " seen, " + intp(shared) +
                   " shared by several pairs; residues told apart: " + intp(b.resolved) +
                   "; pairs not seen: " + intp(static_cast<int>(b.unseen.size())) + ".");
    patternlegend(b.model);
}
