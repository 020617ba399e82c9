#include "labeling/breakout.h"

#include <algorithm>
#include <bit>
#include <random>

namespace {

constexpr long kStopCheck = 4096;  // moves between two looks at the interrupt

}  // namespace

Breakout::Breakout(const Selection& base, const TypeMatrix& uniqs, uint32_t samples) {
    for (int k = 1; k <= base.count; ++k) {
        int f = base.front[static_cast<size_t>(k)], e = base.end[static_cast<size_t>(k)];
        if (f < 1 || f > kTypes || e < 1 || e > kTypes || uniqs[f][e] <= 0) continue;
        ends_[static_cast<size_t>(f)] |= 1u << e;
        fronts_[static_cast<size_t>(e)] |= 1u << f;
    }
    for (int f = 1; f <= kTypes; ++f)
        for (int e = 1; e <= kTypes; ++e) {
            if (uniqs[f][e] <= 0 || !ends_[static_cast<size_t>(f)] ||
                !fronts_[static_cast<size_t>(e)])
                continue;
            auto i = static_cast<int>(pairs_.size());
            pairs_.push_back(
                {f, e, uniqs[f][e] == 1, (ends_[static_cast<size_t>(f)] >> e & 1) != 0});
            row_[static_cast<size_t>(f)].push_back(i);
            col_[static_cast<size_t>(e)].push_back(i);
        }
    for (int b = 0; b < kSamples; ++b)
        if (samples & (1u << b)) bits_.push_back(b);
    for (int t = 1; t <= kTypes; ++t)
        for (int b = 0; b < kSamples; ++b) {
            auto i = static_cast<size_t>(t);
            auto j = static_cast<size_t>(b);
            cvar_[i][j] = nvar_[i][j] = -1;
            if (!(samples & (1u << b))) continue;
            if (ends_[i])
                cvar_[i][j] = static_cast<int>(vars_.size()), vars_.push_back({true, t, b});
            if (fronts_[i])
                nvar_[i][j] = static_cast<int>(vars_.size()), vars_.push_back({false, t, b});
        }
    mask_.assign(pairs_.size(), 0);
    wshow_.assign(pairs_.size(), 1);
    walone_.assign(pairs_.size(), 1);
    count_.assign(static_cast<size_t>(samples) + 1, 0);
    weight_.assign(static_cast<size_t>(samples) + 1, 0);
    count_[0] = static_cast<int>(pairs_.size());  // every pair on the empty mask
    load(Labels());
    brokenlist_.reserve(pairs_.size());
}

uint32_t Breakout::maskof(const Pair& p) const {
    auto f = static_cast<size_t>(p.f), e = static_cast<size_t>(p.e);
    uint32_t m = cn_.c[f] & cn_.n[e];
    return p.base ? m : m & p_[f] & q_[e];
}

long Breakout::groupcost(uint32_t m) const { return m && count_[m] >= 2 ? weight_[m] : 0; }

void Breakout::move(int i, uint32_t m) {
    auto k = static_cast<size_t>(i);
    uint32_t old = mask_[k];
    if (old == m) return;
    if (pairs_[k].unique) cost_ += wshow_[k] * ((m == 0) - (old == 0));
    cost_ -= groupcost(old) + groupcost(m);
    --count_[old], weight_[old] -= walone_[k];
    ++count_[m], weight_[m] += walone_[k];
    cost_ += groupcost(old) + groupcost(m);
    mask_[k] = m;
}

// Flipping a 13C bit of f moves f's pairs, and through Q the pairs outside
// the base that end in f's base partners; the same for 15N with P.
void Breakout::flip(int var) {
    const Var& v = vars_[static_cast<size_t>(var)];
    auto t = static_cast<size_t>(v.t), b = static_cast<size_t>(v.b);
    const uint32_t bit = 1u << v.b;
    uint32_t& label = v.cside ? cn_.c[t] : cn_.n[t];
    const int delta = label & bit ? -1 : 1;
    label ^= bit;
    auto& counts = v.cside ? qcount_ : pcount_;
    auto& joined = v.cside ? q_ : p_;
    const auto& others = v.cside ? col_ : row_;
    for (uint32_t m = v.cside ? ends_[t] : fronts_[t]; m; m &= m - 1) {
        auto o = static_cast<size_t>(std::countr_zero(m));
        int& c = counts[o][b];
        c += delta;
        uint32_t now = c ? joined[o] | bit : joined[o] & ~bit;
        if (now == joined[o]) continue;
        joined[o] = now;
        for (int i : others[o])
            if (!pairs_[static_cast<size_t>(i)].base)
                move(i, maskof(pairs_[static_cast<size_t>(i)]));
    }
    for (int i : v.cside ? row_[t] : col_[t]) move(i, maskof(pairs_[static_cast<size_t>(i)]));
}

void Breakout::load(const Labels& l) {
    for (size_t i = 0; i < pairs_.size(); ++i) move(static_cast<int>(i), 0);
    std::fill(wshow_.begin(), wshow_.end(), 1);
    std::fill(walone_.begin(), walone_.end(), 1);
    weight_[0] = static_cast<long>(pairs_.size());
    cost_ = unique();  // no label: every unique pair unseen
    cn_ = Labels();
    p_.fill(0), q_.fill(0);
    for (auto& r : pcount_) r.fill(0);
    for (auto& r : qcount_) r.fill(0);
    for (int v = 0; v < variables(); ++v) {
        const Var& x = vars_[static_cast<size_t>(v)];
        if ((x.cside ? l.c : l.n)[static_cast<size_t>(x.t)] >> x.b & 1) flip(v);
    }
}

bool Breakout::isbroken(int i) const {
    auto k = static_cast<size_t>(i);
    return (pairs_[k].unique && !mask_[k]) || (mask_[k] && count_[mask_[k]] >= 2);
}

int Breakout::broken() const {
    int n = 0;
    for (int i = 0; i < pairs(); ++i) n += isbroken(i);
    return n;
}

int Breakout::unique() const {
    int n = 0;
    for (const Pair& p : pairs_) n += p.unique;
    return n;
}

int Breakout::resolved() const {
    int n = 0;
    for (int i = 0; i < pairs(); ++i) n += pairs_[static_cast<size_t>(i)].unique && !isbroken(i);
    return n;
}

long Breakout::recount() const {
    std::vector<int> count(count_.size(), 0);
    std::vector<uint32_t> mask(pairs_.size());
    for (size_t i = 0; i < pairs_.size(); ++i) {
        const Pair& p = pairs_[i];
        // P and Q straight from their definitions.
        uint32_t pf = 0, qe = 0;
        for (int e = 1; e <= kTypes; ++e)
            if (ends_[static_cast<size_t>(p.f)] >> e & 1) pf |= cn_.n[static_cast<size_t>(e)];
        for (int f = 1; f <= kTypes; ++f)
            if (fronts_[static_cast<size_t>(p.e)] >> f & 1) qe |= cn_.c[static_cast<size_t>(f)];
        mask[i] = cn_.c[static_cast<size_t>(p.f)] & pf & cn_.n[static_cast<size_t>(p.e)] & qe;
        ++count[mask[i]];
    }
    long cost = 0;
    for (size_t i = 0; i < pairs_.size(); ++i) {
        if (pairs_[i].unique && !mask[i]) cost += wshow_[i];
        if (mask[i] && count[mask[i]] >= 2) cost += walone_[i];
    }
    return cost;
}

void Breakout::bump(int pair) {
    auto k = static_cast<size_t>(pair);
    if (pairs_[k].unique && !mask_[k]) ++wshow_[k], ++cost_;
    if (mask_[k] && count_[mask_[k]] >= 2) ++walone_[k], ++weight_[mask_[k]], ++cost_;
}

void Breakout::smooth() {
    for (size_t k = 0; k < pairs_.size(); ++k) {
        if (wshow_[k] > 1) {
            --wshow_[k];
            if (pairs_[k].unique && !mask_[k]) --cost_;
        }
        if (walone_[k] > 1) {
            --walone_[k], --weight_[mask_[k]];
            if (mask_[k] && count_[mask_[k]] >= 2) --cost_;
        }
    }
}

bool Breakout::search(const Labels& start, uint64_t seed, const Limits& lim,
                      const std::function<bool()>& stop, Labels& out) {
    moves_ = 0;
    fewest_ = pairs();
    if (vars_.empty() || lim.steps <= 0) return false;
    std::mt19937_64 rng(seed);
    load(start);
    int runbest = pairs() + 1;
    long lastgain = 0, growths = 0;
    std::array<int, 2 * kSamples> cand{};
    for (; moves_ < lim.steps; ++moves_) {
        if (moves_ % kStopCheck == 0 && stop && stop()) break;
        brokenlist_.clear();
        for (int i = 0; i < pairs(); ++i)
            if (isbroken(i)) brokenlist_.push_back(i);
        if (brokenlist_.empty()) {
            fewest_ = 0;
            out = cn_;
            return true;
        }
        if (static_cast<int>(brokenlist_.size()) < runbest)
            runbest = static_cast<int>(brokenlist_.size()), lastgain = moves_;
        fewest_ = std::min(fewest_, runbest);
        if (lim.patience > 0 && moves_ - lastgain > lim.patience) {
            if (fewest_ > lim.giveup) break;
            Labels l;
            for (const Var& v : vars_)
                if (rng() & 1) (v.cside ? l.c : l.n)[static_cast<size_t>(v.t)] |= 1u << v.b;
            load(l);
            runbest = pairs() + 1, lastgain = moves_;
            continue;
        }
        const int pick = brokenlist_[rng() % brokenlist_.size()];
        const Pair& p = pairs_[static_cast<size_t>(pick)];
        size_t n = 0;
        for (int b : bits_) {
            cand[n++] = cvar_[static_cast<size_t>(p.f)][static_cast<size_t>(b)];
            cand[n++] = nvar_[static_cast<size_t>(p.e)][static_cast<size_t>(b)];
        }
        int best = -1, ties = 0;
        long bestdelta = 0;
        for (size_t j = 0; j < n; ++j) {
            const long before = cost_;
            flip(cand[j]);
            const long delta = cost_ - before;
            flip(cand[j]);
            if (best < 0 || delta < bestdelta)
                best = cand[j], bestdelta = delta, ties = 1;
            else if (delta == bestdelta && rng() % static_cast<uint64_t>(++ties) == 0)
                best = cand[j];
        }
        if (bestdelta >= 0) {
            bump(pick);
            if (lim.smooth > 0 && ++growths % lim.smooth == 0) smooth();
            if (bestdelta > 0) continue;
        }
        flip(best);
    }
    return false;
}
