#include "labeling/breakout.h"

#include <algorithm>
#include <bit>
#include <random>

#include "labeling/reach.h"

namespace {

constexpr long kStopCheck = 4096;  // moves between two looks at the interrupt

}  // namespace

Breakout::Breakout(const Selection& base, const TypeMatrix& uniqs, uint32_t samples,
                   const Model& model, const Offer& offer)
    : model_(model), offer_(offer), offered_(offer.any()) {
    const LabelVars lv = labelvars(base, uniqs, model);
    ends_ = lv.ends, fronts_ = lv.fronts;
    const std::array<uint32_t, kTypes + 1> shows = showable(lv, uniqs, model, offer);
    const bool two = model.twospectra();
    for (int f = 1; f <= kTypes; ++f)
        for (int e = 1; e <= kTypes; ++e) {
            if (!(shows[static_cast<size_t>(f)] >> e & 1)) continue;
            auto i = static_cast<int>(pairs_.size());
            // Two spectra: a code is read from the labels as they are, and
            // only a unique pair must be alone on it.
            const bool unique = uniqs[f][e] == 1;
            pairs_.push_back({f, e, unique, two || (ends_[static_cast<size_t>(f)] >> e & 1) != 0,
                              !two || unique});
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
            if (lv.ctypes >> t & 1)
                cvar_[i][j] = static_cast<int>(vars_.size()), vars_.push_back({true, t, b});
            if (lv.ntypes >> t & 1)
                nvar_[i][j] = static_cast<int>(vars_.size()), vars_.push_back({false, t, b});
        }
    mask_.assign(pairs_.size(), 0);
    wshow_.assign(pairs_.size(), 1);
    walone_.assign(pairs_.size(), 1);
    groups_.reset(model, samples, pairs());
    load(Labels());
    brokenlist_.reserve(static_cast<size_t>(constraints()));
}

Code Breakout::maskof(const Pair& p) const {
    auto f = static_cast<size_t>(p.f), e = static_cast<size_t>(p.e);
    uint32_t c = cn_.c[f], n = cn_.n[e];
    if (!p.base) c &= p_[f], n &= q_[e];
    return model_.code(p.e, c, n);
}

uint32_t Breakout::cnorm(int t) const {
    return cn_.c[static_cast<size_t>(t)] & p_[static_cast<size_t>(t)];
}

uint32_t Breakout::nnorm(int t) const {
    auto i = static_cast<size_t>(t);
    return model_.twospectra() ? cn_.n[i] : cn_.n[i] & q_[i];
}

Labels Breakout::normalised() const {
    Labels l;
    for (int t = 1; t <= kTypes; ++t)
        l.c[static_cast<size_t>(t)] = cnorm(t), l.n[static_cast<size_t>(t)] = nnorm(t);
    return l;
}

void Breakout::forms(int t) {
    auto i = static_cast<size_t>(t);
    const int now = std::popcount(offer_.needs(t, cnorm(t), nnorm(t)));
    cost_ += wforms_[i] * (now - nforms_[i]);
    nforms_[i] = now;
}

long Breakout::groupcost(Code m) const {
    if (!m) return 0;
    const Group& g = groups_.get(m);
    return g.cnt >= 2 ? g.weight : 0;
}

void Breakout::move(int i, Code m) {
    auto k = static_cast<size_t>(i);
    const Code old = mask_[k];
    if (old == m) return;
    const Pair& p = pairs_[k];
    if (p.unique) cost_ += wshow_[k] * ((m == 0) - (old == 0));
    const long w = p.alone ? walone_[k] : 0;
    if (old) {
        cost_ -= groupcost(old);
        Group& g = groups_.at(old);
        --g.cnt, g.weight -= w;
        cost_ += g.cnt >= 2 ? g.weight : 0;
        if (g.cnt == 0) groups_.release(old);
    }
    if (m) {
        cost_ -= groupcost(m);
        Group& g = groups_.at(m);
        ++g.cnt, g.weight += w;
        cost_ += g.cnt >= 2 ? g.weight : 0;
    }
    mask_[k] = m;
}

// Flipping a 13C bit of f moves f's pairs, and in the HNCO model through Q
// the pairs outside the base that end in f's base partners; the same for
// 15N with P. In the two-spectrum model P only normalises 13C for the
// offer: a code is read from the labels as they are.
void Breakout::flip(int var) {
    const Var& v = vars_[static_cast<size_t>(var)];
    auto t = static_cast<size_t>(v.t), b = static_cast<size_t>(v.b);
    const uint32_t bit = 1u << v.b;
    const bool two = model_.twospectra();
    uint32_t& label = v.cside ? cn_.c[t] : cn_.n[t];
    const int delta = label & bit ? -1 : 1;
    label ^= bit;
    auto& counts = v.cside ? qcount_ : pcount_;
    auto& joined = v.cside ? q_ : p_;
    const auto& others = v.cside ? col_ : row_;
    for (uint32_t m = two && v.cside ? 0 : v.cside ? ends_[t] : fronts_[t]; m; m &= m - 1) {
        auto o = static_cast<size_t>(std::countr_zero(m));
        int& c = counts[o][b];
        c += delta;
        uint32_t now = c ? joined[o] | bit : joined[o] & ~bit;
        if (now == joined[o]) continue;
        joined[o] = now;
        if (offered_) forms(static_cast<int>(o));
        if (two) continue;
        for (int i : others[o])
            if (!pairs_[static_cast<size_t>(i)].base)
                move(i, maskof(pairs_[static_cast<size_t>(i)]));
    }
    for (int i : v.cside ? row_[t] : col_[t]) move(i, maskof(pairs_[static_cast<size_t>(i)]));
    if (offered_) forms(v.t);
}

void Breakout::load(const Labels& l) {
    for (size_t i = 0; i < pairs_.size(); ++i) move(static_cast<int>(i), 0);
    std::fill(wshow_.begin(), wshow_.end(), 1);
    std::fill(walone_.begin(), walone_.end(), 1);
    cost_ = unique();  // no label: every unique pair unseen
    cn_ = Labels();
    p_.fill(0), q_.fill(0);
    for (auto& r : pcount_) r.fill(0);
    for (auto& r : qcount_) r.fill(0);
    nforms_.fill(0), wforms_.fill(1);
    for (int v = 0; v < variables(); ++v) {
        const Var& x = vars_[static_cast<size_t>(v)];
        if ((x.cside ? l.c : l.n)[static_cast<size_t>(x.t)] >> x.b & 1) flip(v);
    }
}

bool Breakout::isbroken(int i) const {
    auto k = static_cast<size_t>(i);
    const Code m = mask_[k];
    return (pairs_[k].unique && !m) || (pairs_[k].alone && m && groups_.get(m).cnt >= 2);
}

int Breakout::broken() const {
    int n = 0;
    for (int i = 0; i < pairs(); ++i) n += isbroken(i);
    for (int f : nforms_) n += f;
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
    // P and Q, the normalised labels and the codes straight from their
    // definitions.
    Labels norm;
    for (int t = 1; t <= kTypes; ++t) {
        auto i = static_cast<size_t>(t);
        uint32_t pt = 0, qt = 0;
        for (int o = 1; o <= kTypes; ++o) {
            if (ends_[i] >> o & 1) pt |= cn_.n[static_cast<size_t>(o)];
            if (fronts_[i] >> o & 1) qt |= cn_.c[static_cast<size_t>(o)];
        }
        norm.c[i] = cn_.c[i] & pt;
        norm.n[i] = model_.twospectra() ? cn_.n[i] : cn_.n[i] & qt;
    }
    std::vector<Code> mask(pairs_.size());
    for (size_t i = 0; i < pairs_.size(); ++i) {
        const Pair& p = pairs_[i];
        mask[i] =
            model_.code(p.e, norm.c[static_cast<size_t>(p.f)], norm.n[static_cast<size_t>(p.e)]);
    }
    long cost = 0;
    for (size_t i = 0; i < pairs_.size(); ++i) {
        if (pairs_[i].unique && !mask[i]) cost += wshow_[i];
        if (!mask[i] || !pairs_[i].alone) continue;
        if (std::count(mask.begin(), mask.end(), mask[i]) >= 2) cost += walone_[i];
    }
    for (int t = 1; t <= kTypes; ++t) {
        auto i = static_cast<size_t>(t);
        cost += wforms_[i] * std::popcount(offer_.needs(t, norm.c[i], norm.n[i]));
    }
    return cost;
}

void Breakout::bump(int constraint) {
    if (constraint >= pairs()) {
        auto t = static_cast<size_t>(constraint - pairs());
        if (nforms_[t]) ++wforms_[t], cost_ += nforms_[t];
        return;
    }
    auto k = static_cast<size_t>(constraint);
    const Code m = mask_[k];
    if (pairs_[k].unique && !m) ++wshow_[k], ++cost_;
    if (pairs_[k].alone && m && groups_.get(m).cnt >= 2)
        ++walone_[k], ++groups_.at(m).weight, ++cost_;
}

void Breakout::smooth() {
    for (size_t k = 0; k < pairs_.size(); ++k) {
        const Code m = mask_[k];
        if (wshow_[k] > 1) {
            --wshow_[k];
            if (pairs_[k].unique && !m) --cost_;
        }
        if (walone_[k] > 1) {
            --walone_[k];
            if (!m) continue;
            Group& g = groups_.at(m);
            --g.weight;
            if (g.cnt >= 2) --cost_;
        }
    }
    for (size_t t = 1; t <= kTypes; ++t)
        if (wforms_[t] > 1) --wforms_[t], cost_ -= nforms_[t];
}

bool Breakout::search(const Labels& start, uint64_t seed, const Limits& lim,
                      const std::function<bool()>& stop, Labels& out) {
    moves_ = 0;
    const int most = offered_ ? constraints() : pairs();  // broken entries at most
    fewest_ = most;
    nearest_ = start;
    if (vars_.empty() || lim.steps <= 0) return false;
    std::mt19937_64 rng(seed);
    load(start);
    int runbest = most + 1;
    long lastgain = 0, growths = 0;
    std::array<int, 2 * kSamples> cand{};
    for (; moves_ < lim.steps; ++moves_) {
        if (moves_ % kStopCheck == 0 && stop && stop()) break;
        brokenlist_.clear();
        for (int i = 0; i < pairs(); ++i)
            if (isbroken(i)) brokenlist_.push_back(i);
        if (offered_)
            for (int t = 1; t <= kTypes; ++t)
                if (nforms_[static_cast<size_t>(t)]) brokenlist_.push_back(pairs() + t);
        if (brokenlist_.empty()) {
            fewest_ = 0;
            out = normalised();
            return true;
        }
        if (static_cast<int>(brokenlist_.size()) < runbest)
            runbest = static_cast<int>(brokenlist_.size()), lastgain = moves_;
        if (runbest < fewest_) fewest_ = runbest, nearest_ = cn_;
        if (lim.patience > 0 && moves_ - lastgain > lim.patience) {
            if (fewest_ > lim.giveup) break;
            Labels l;
            for (const Var& v : vars_)
                if (rng() & 1) (v.cside ? l.c : l.n)[static_cast<size_t>(v.t)] |= 1u << v.b;
            load(l);
            runbest = most + 1, lastgain = moves_;
            continue;
        }
        const int pick = brokenlist_[rng() % brokenlist_.size()];
        size_t n = 0;
        if (pick < pairs()) {
            const Pair& p = pairs_[static_cast<size_t>(pick)];
            for (int b : bits_) {
                cand[n++] = cvar_[static_cast<size_t>(p.f)][static_cast<size_t>(b)];
                cand[n++] = nvar_[static_cast<size_t>(p.e)][static_cast<size_t>(b)];
            }
        } else {  // a type buying a form not offered: its labels in those samples
            const int t = pick - pairs();
            const uint32_t bad = offer_.needs(t, cnorm(t), nnorm(t));
            for (int b : bits_) {
                if (!(bad >> b & 1)) continue;
                for (int x : {cvar_[static_cast<size_t>(t)][static_cast<size_t>(b)],
                              nvar_[static_cast<size_t>(t)][static_cast<size_t>(b)]})
                    if (x >= 0) cand[n++] = x;
            }
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
