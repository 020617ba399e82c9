#include "labeling/price.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <random>

#include "kemlang/print.h"
#include "labeling/labeldata.h"
#include "molecule/kemradata.h"

namespace {

// Temperatures in units of price: a hot walk buys a label of a few hundred
// to move another, a cold one only sells. Rounds restart from the cheapest.
constexpr double kHot = 400.0, kCold = 2.0;
constexpr long kRound = 100000;    // moves per round at most
constexpr double kShift = 0.5;     // share of moves that shift a label to another sample
constexpr long kStopCheck = 4096;  // moves between two looks at the interrupt
constexpr long kPatience = 8;      // rounds without a cheaper recipe before the walk ends
// A form not offered is a toll on the way, high enough that the walk does
// not stay on it and low enough that a hot walk pays it to reach recipes
// that the offered forms alone do not join; the best kept never buys one.
constexpr double kNotOfferedWeight = 1500;

double energy(const Cost& c) {
    return static_cast<double>(c.notoffered) * kNotOfferedWeight + static_cast<double>(c.price);
}

void addform(Cost& c, int price, int times) {
    if (times == 0) return;
    c.price += static_cast<long>(price) * times;
    if (price >= kNotOffered) c.notoffered += times;
}

// A recipe without its sample numbering: per sample the 13C types and the
// 15N types, sorted; empty samples left out.
using RecipeKey = std::array<uint64_t, kSamples>;

RecipeKey recipekey(const Labels& l) {
    RecipeKey key{};
    for (int b = 0; b < kSamples; ++b) {
        uint64_t c = 0, n = 0;
        for (int t = 1; t <= kTypes; ++t) {
            if (l.c[static_cast<size_t>(t)] & (1u << b)) c |= 1u << t;
            if (l.n[static_cast<size_t>(t)] & (1u << b)) n |= 1u << t;
        }
        key[static_cast<size_t>(b)] = c << 32 | n;
    }
    std::sort(key.begin(), key.end());
    return key;
}

}  // namespace

PriceTable typeprices(const KemraData& mol, const LabelData& lab) {
    PriceTable t{};
    for (int type = 1; type <= kTypes && type <= mol.naa(); ++type) {
        auto r = static_cast<size_t>(type);
        if (trim(mol.res[r].name).empty()) continue;
        t[r] = {lab.price_catoms[r], lab.price_natoms[r], lab.price_bothatoms[r]};
    }
    return t;
}

Offer offerof(const PriceTable& prices) {
    Offer o;
    for (int t = 1; t <= kTypes; ++t) {
        const TypePrice& p = prices[static_cast<size_t>(t)];
        o.missing[static_cast<size_t>(t)] = static_cast<uint8_t>(
            (p.c13 >= kNotOffered ? kFormC : 0) | (p.n15 >= kNotOffered ? kFormN : 0) |
            (p.both >= kNotOffered ? kFormBoth : 0));
    }
    return o;
}

bool unbuyablepair(const Model& m, const Offer& offer, const Labels& l, int f, int e) {
    return m.code(e, l.c[f], l.n[e]) == 0 && !canshow(m, offer, f, e);
}

std::string unbuyable(const Schedule& design, const Selection& base, const TypeMatrix& uniqs,
                      const Offer& offer, const KemraData& mol) {
    if (!offer.any()) return "";
    const Labels l = schedulelabels(design);
    const Model& md = design.model;
    // Per form (type, label) the pairs that need it; a pair counts once.
    std::vector<std::pair<std::string, int>> forms;
    int pairs = 0;
    auto need = [&](const std::string& form) {
        for (auto& f : forms)
            if (f.first == form) return void(++f.second);
        forms.emplace_back(form, 1);
    };
    std::array<std::array<bool, kTypes + 1>, kTypes + 1> seen{};
    for (int k = 1; k <= base.count; ++k) {
        int f = base.front[k], e = base.end[k];
        if (f < 1 || f > kTypes || e < 1 || e > kTypes || uniqs[f][e] != 1 || seen[f][e]) continue;
        seen[f][e] = true;
        if (!unbuyablepair(md, offer, l, f, e)) continue;
        const std::string fn = trim(mol.res[static_cast<size_t>(f)].name),
                          en = trim(mol.res[static_cast<size_t>(e)].name);
        if (md.twospectra()) {
            need("15N on " + en);
        } else {
            if (f == e)
                need("13C and 15N on " + fn);
            else {
                if (!offer.canc(f)) need("13C on " + fn);
                if (!offer.cann(e)) need("15N on " + en);
            }
        }
        ++pairs;
    }
    if (pairs == 0) return "";
    std::string text = intstr(pairs) + " more need ";
    if (forms.size() == 1) return text + forms[0].first + ", which is not offered.";
    text += "forms that are not offered:";
    for (size_t i = 0; i < forms.size(); ++i)
        text += (i ? ", " : " ") + forms[i].first + " (" + intstr(forms[i].second) + ")";
    return text + ".";
}

Cost labelcost(const Labels& l, const PriceTable& prices) {
    Cost c;
    for (int t = 1; t <= kTypes; ++t) {
        auto i = static_cast<size_t>(t);
        uint32_t both = l.c[i] & l.n[i];
        addform(c, prices[i].both, std::popcount(both));
        addform(c, prices[i].c13, std::popcount(l.c[i] & ~both));
        addform(c, prices[i].n15, std::popcount(l.n[i] & ~both));
    }
    return c;
}

Labels bought(const Schedule& s) {
    Labels l = s.extra;
    for (int k = 1; k <= kSamples; ++k) {
        const Selection& smp = s.samples[static_cast<size_t>(k)];
        for (int i = 1; i <= smp.count; ++i) {
            int f = smp.front[static_cast<size_t>(i)], e = smp.end[static_cast<size_t>(i)];
            if (f >= 1 && f <= kTypes) l.c[static_cast<size_t>(f)] |= 1u << (k - 1);
            if (e >= 1 && e <= kTypes) l.n[static_cast<size_t>(e)] |= 1u << (k - 1);
        }
    }
    return l;
}

Cost schedulecost(const Schedule& s, const PriceTable& prices) {
    return labelcost(bought(s), prices);
}

Labels labelsof(const Schedule& s, const Selection& base, const TypeMatrix& uniqs) {
    if (s.model.twospectra()) return bought(s);  // the label table is the design
    Labels l;
    for (int k = 1; k <= base.count; ++k) {
        int f = base.front[static_cast<size_t>(k)], e = base.end[static_cast<size_t>(k)];
        if (f < 1 || f > kTypes || e < 1 || e > kTypes || uniqs[f][e] <= 0) continue;
        auto m = static_cast<uint32_t>(s.schednrs[f][e]);
        l.c[static_cast<size_t>(f)] |= m;
        l.n[static_cast<size_t>(e)] |= m;
    }
    return l;
}

bool samerecipe(const Labels& a, const Labels& b) { return recipekey(a) == recipekey(b); }

Polished polish(Annealer& a, const Labels& start, int target, const PriceTable& prices,
                uint64_t seed, long steps, int keep, const std::function<bool()>& stop) {
    Polished out;
    a.load(start);
    out.best = a.labels();
    if (!a.current().clean() || a.current().resolved < target) {
        out.best = start;
        return out;
    }
    struct Kept {
        Cost cost;
        RecipeKey key;
        Labels labels;
    };
    // The pool holds more than it hands out, so that a late cheap recipe
    // does not push out one of the ones kept for lack of room.
    const size_t room = static_cast<size_t>(std::max(1, keep)) * 3;
    std::vector<Kept> pool;
    pool.reserve(room + 1);
    auto remember = [&](const Cost& c, const Labels& l) {
        if (pool.size() >= room && !(c < pool.back().cost)) return;
        RecipeKey key = recipekey(l);
        for (const Kept& k : pool)
            if (k.key == key) return;
        auto at = std::upper_bound(pool.begin(), pool.end(), c,
                                   [](const Cost& x, const Kept& k) { return x < k.cost; });
        pool.insert(at, {c, key, l});
        if (pool.size() > room) pool.pop_back();
    };
    Cost best = labelcost(a.labels(), prices);
    double now = energy(best);
    remember(best, a.labels());
    const std::vector<int>&cv = a.cvars(), &nv = a.nvars(), &bits = a.bits();
    const size_t nvars = (cv.size() + nv.size()) * bits.size();
    uint32_t samples = 0;
    for (int b : bits) samples |= 1u << b;
    std::mt19937_64 rng(seed);
    auto uniform = [&] { return static_cast<double>(rng() >> 11) * 0x1.0p-53; };
    auto pickbit = [&](uint32_t set) {
        for (auto k = rng() % static_cast<uint64_t>(std::popcount(set)); k > 0; --k) set &= set - 1;
        return set & (~set + 1);
    };
    // Short budgets get more, shorter rounds.
    const long round = std::clamp(steps / 16, std::min(kRound, 1000L), kRound);
    const double cool = std::pow(kCold / kHot, 1.0 / static_cast<double>(round));
    double t = kHot;
    long lastgain = 0;  // step of the last cheaper recipe
    for (long step = 0; nvars > 0 && step < steps; ++step) {
        if (step % kStopCheck == 0 && stop && stop()) break;
        if (step % round == 0) {
            if (step - lastgain >= kPatience * round) break;
            // Odd rounds start from a fresh labeling on target when the
            // resolution annealing finds one within a round's moves: recipes
            // that resolve different pairs are joined by no walk on target.
            Labels from = out.best;
            if ((step / round) % 2) {
                Labels fresh = a.search(Labels(), rng(), round, target, stop);
                a.load(fresh);
                if (a.current().clean() && a.current().resolved >= target) from = fresh;
            }
            a.load(from);
            now = energy(labelcost(a.labels(), prices));
            t = kHot;
        }
        size_t v = static_cast<size_t>(rng() % nvars);
        size_t var = v / bits.size();
        bool cside = var < cv.size();
        int type = cside ? cv[var] : nv[var - cv.size()];
        uint32_t bit = 1u << bits[v % bits.size()];
        uint32_t label = (cside ? a.labels().c : a.labels().n)[static_cast<size_t>(type)] & samples;
        if (uniform() < kShift && label && (~label & samples))
            bit = pickbit(label) | pickbit(~label & samples);
        a.change(cside, type, bit);
        t *= cool;
        const Annealer::Eval& ev = a.current();
        if (!ev.clean() || ev.resolved < target) {
            a.revert();
            continue;
        }
        Cost c = labelcost(a.labels(), prices);
        const double e = energy(c);
        if (e > now && uniform() >= std::exp((now - e) / t)) {
            a.revert();
            continue;
        }
        a.commit();
        now = e;
        if (c < best) best = c, out.best = a.labels(), lastgain = step;
        remember(c, a.labels());
    }
    for (size_t i = 0; i < pool.size() && static_cast<int>(i) < keep; ++i)
        out.distinct.push_back(pool[i].labels);
    return out;
}
