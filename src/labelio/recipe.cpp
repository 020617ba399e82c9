#include "labelio/recipe.h"

#include <algorithm>

#include "kemlang/print.h"
#include "labeling/price.h"

namespace {

void addonce(std::vector<int>& v, int t) {
    if (std::find(v.begin(), v.end(), t) == v.end()) v.push_back(t);
}

bool has(const std::vector<int>& v, int t) { return std::find(v.begin(), v.end(), t) != v.end(); }

std::string names(const std::vector<int>& types, const KemraData& d) {
    std::string s;
    for (int t : types) s += (s.empty() ? "" : " ") + typename_of(d, t);
    return s;
}

}  // namespace

std::string typename_of(const KemraData& d, int t) {
    return t >= 1 && t <= d.naa() ? trim(d.res[static_cast<size_t>(t)].name) : std::string();
}

char Recipe::code(int t, int k) const {
    if (k < 1 || k > static_cast<int>(samples.size())) return '.';
    const RecipeSample& s = samples[static_cast<size_t>(k - 1)];
    if (has(s.both, t)) return 'B';
    if (has(s.c13, t)) return 'C';
    if (has(s.n15, t)) return 'N';
    return '.';
}

Recipe makerecipe(const Schedule& s, const LabelData& l, const KemraData& d, bool throughempty) {
    Recipe r;
    const PriceTable prices = typeprices(d, l);
    // A sample is empty when it holds no entry and no extra label.
    auto extra = [&](int k, bool cside) {
        std::vector<int> v;
        for (int t = 1; t <= kTypes; ++t)
            if ((cside ? s.extra.c : s.extra.n)[static_cast<size_t>(t)] & (1u << (k - 1)))
                v.push_back(t);
        return v;
    };
    auto empty = [&](int k) {
        return s.samples[k].count == 0 && extra(k, true).empty() && extra(k, false).empty();
    };
    int last = 0;
    for (int k = 1; k <= s.nsamples && k <= kSamples; ++k)
        if (!empty(k)) last = k;
    for (int k = 1; k <= s.nsamples && k <= kSamples; ++k) {
        const Selection& smp = s.samples[k];
        if (empty(k) && (!throughempty || k > last)) break;
        std::vector<int> a, b;
        for (int i = 1; i <= smp.count; ++i) addonce(a, smp.front[i]), addonce(b, smp.end[i]);
        for (int t : extra(k, true)) addonce(a, t);
        for (int t : extra(k, false)) addonce(b, t);
        RecipeSample rs;
        for (int t : a) (has(b, t) ? rs.both : rs.c13).push_back(t);
        for (int t : b)
            if (!has(a, t)) rs.n15.push_back(t);
        for (int t : rs.c13) rs.c13price += prices[static_cast<size_t>(t)].c13;
        for (int t : rs.n15) rs.n15price += prices[static_cast<size_t>(t)].n15;
        for (int t : rs.both) rs.bothprice += prices[static_cast<size_t>(t)].both;
        r.total += rs.price();
        r.samples.push_back(rs);
    }
    return r;
}

void outputrecipe(const Recipe& r, const KemraData& d) {
    int k = 0;
    for (const RecipeSample& s : r.samples) {
        putlin(10, "Labeling nr. " + intp(++k));
        putlin(10, "Label C13");
        putlin(10, strp(names(s.c13, d)));
        putlin(10, intp(s.c13price));
        putlin(10, "Label N15");
        putlin(10, strp(names(s.n15, d)));
        putlin(10, intp(s.n15price));
        putlin(10, "label complete amino acid");
        putlin(10, strp(names(s.both, d)));
        putlin(10, intp(s.bothprice));
        putlin(10, "");
    }
    putlin(10, "Total price of all samples: " + intp(r.total));
    int n = static_cast<int>(r.samples.size());
    for (int t = 1; t <= kTypes + 1; ++t) {
        std::string row;
        for (int j = 1; j <= n; ++j) row += r.code(t, j);
        putlin(10, strp(typename_of(d, t)) + "|" + strp(row) + "|");
    }
}
