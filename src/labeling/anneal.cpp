// Annealing over the residue-type labels of a schedule.
//
// Energy of a state: -resolved + kPenalty x (duplicate total + peak excess),
// so the walk may pass through schedules with duplicates on its way. A move
// flips one label bit (one residue type, 13C or 15N, one sample) or shifts a
// label from one sample to another; it is taken when the energy does not
// rise, else with probability exp(-rise / T). T falls geometrically from kHot
// to kCold over one round; each round starts from the best feasible state
// found so far. In every second round the penalty grows as T falls (to
// kPenalty x kHot / kCold), which drives a walk that holds duplicates back
// to clean schedules: large proteins need it, small ones do better without. The constants were
// tuned on ubiquitin, protein G and lysozyme with 5 to 7 samples. A walk
// that has not improved its best for kPatience rounds ends early.
//
// The judgement is incremental when every allowed value is the same (the
// usual case): a flip touches one row or column of the pair-sample matrix
// and the few columns or rows whose normalised labels it changes, and per
// mask counts of pairs and unique pairs give the change of the resolved
// count and of the duplicate total at O(1) per touched pair. Other allowed
// matrices are judged from scratch by evaluate, which also serves as the
// reference for the incremental one.
#include "labeling/anneal.h"

#include <bit>
#include <cmath>
#include <random>

namespace {

constexpr double kPenalty = 0.2;  // a duplicate costs less than the pair it loses
constexpr double kHot = 1.0, kCold = 0.05;
constexpr double kShift = 0.5;     // share of moves that shift a label to another sample
constexpr long kRound = 500000;    // moves per round
constexpr long kStopCheck = 4096;  // moves between two looks at the interrupt
// Rounds without a gain after which the walk gives up (16 million moves).
// With 12 rounds, lysozyme on 6 samples lost a pair that a gain after 12
// million idle moves found; on maltose-binding protein with 8 samples the
// moves after 8 million idle ones took more than half the time.
constexpr long kPatience = 32;

uint32_t partnerlabels(uint32_t types, const std::array<uint32_t, kTypes + 1>& lab) {
    uint32_t m = 0;
    for (; types; types &= types - 1) m |= lab[static_cast<size_t>(std::countr_zero(types))];
    return m;
}

}  // namespace

Annealer::Annealer(const Selection& base, const TypeMatrix& uniqs, const TypeMatrix& allowed,
                   uint32_t samples, int maxpeaks, const Model& model, const Offer& offer)
    : base_(base), model_(model), offer_(offer), samples_(samples), maxpeaks_(maxpeaks) {
    for (int k = 1; k <= base.count; ++k) {
        int f = base.front[k], e = base.end[k];
        if (f < 1 || f > kTypes || e < 1 || e > kTypes || uniqs[f][e] <= 0 || !model.shows(e))
            continue;
        baseends_[static_cast<size_t>(f)] |= 1u << e;
    }
    for (int f = 1; f <= kTypes; ++f)
        for (int e = 1; e <= kTypes; ++e)
            if (uniqs[f][e] > 0 && model.shows(e))
                pairs_.push_back({f, e, allowed[f][e], uniqs[f][e], uniqs[f][e] == 1});
    if (model.twospectra()) {
        // 15N shows by itself on every type that ends a unique pair; 13C
        // counts where an occurring partner carries 15N.
        nalone_ = true, dupes_ = false;
        for (uint32_t b : baseends_) nset_ |= b;
        for (const Occurring& p : pairs_)
            if (nset_ & (1u << p.e)) ends_[static_cast<size_t>(p.f)] |= 1u << p.e;
        for (int t = 1; t <= kTypes; ++t)
            if (nset_ & (1u << t)) nvars_.push_back(t);
    } else {
        ends_ = baseends_;
        for (int f = 1; f <= kTypes; ++f)
            for (uint32_t m = ends_[static_cast<size_t>(f)]; m; m &= m - 1)
                fronts_[static_cast<size_t>(std::countr_zero(m))] |= 1u << f;
        ndeps_ = ends_;
    }
    for (int f = 1; f <= kTypes; ++f)
        for (uint32_t m = ends_[static_cast<size_t>(f)]; m; m &= m - 1)
            cdeps_[static_cast<size_t>(std::countr_zero(m))] |= 1u << f;
    for (int t = 1; t <= kTypes; ++t) {
        if (ends_[static_cast<size_t>(t)]) cvars_.push_back(t);
        if (!nalone_ && fronts_[static_cast<size_t>(t)]) nvars_.push_back(t);
    }
    for (int b = 0; b < kSamples; ++b)
        if (samples & (1u << b)) bits_.push_back(b);
    const int a = pairs_.empty() || !dupes_ ? 1 : pairs_.front().allowed;
    for (size_t i = 0; i < pairs_.size(); ++i) {
        uniform_ = uniform_ && (!dupes_ || pairs_[i].allowed == a);
        row_[static_cast<size_t>(pairs_[i].f)].push_back(static_cast<int>(i));
        col_[static_cast<size_t>(pairs_[i].e)].push_back(static_cast<int>(i));
    }
    // The j-th pair of a mask adds a for each earlier one at least a places back.
    cost_.assign(pairs_.size() + 2, 0);
    for (size_t g = 1; g < cost_.size() && dupes_; ++g) {
        int j = static_cast<int>(g);
        cost_[g] = cost_[g - 1] + a * (a <= 1 ? j - 1 : std::max(0, j - a));
    }
    mask_.assign(pairs_.size(), 0);
    const int npairs = static_cast<int>(pairs_.size());
    count_.reset(model, samples, npairs);
    cnt_.reset(model, samples, npairs);
    log_.resize(2 * pairs_.size() + 2);
}

uint32_t Annealer::cnorm(int t, const Labels& l) const {
    auto i = static_cast<size_t>(t);
    return l.c[i] & samples_ & partnerlabels(ends_[i], l.n);
}

uint32_t Annealer::nnorm(int t, const Labels& l) const {
    auto i = static_cast<size_t>(t);
    if (nalone_) return nset_ & (1u << t) ? l.n[i] & samples_ : 0;
    return l.n[i] & samples_ & partnerlabels(fronts_[i], l.c);
}

Labels Annealer::normalised(const Labels& l) const {
    Labels out;
    for (int t = 1; t <= kTypes; ++t) {
        auto i = static_cast<size_t>(t);
        out.c[i] = cnorm(t, l);
        out.n[i] = nnorm(t, l);
    }
    return out;
}

// Labels outside the samples in use are not read.
Annealer::Eval Annealer::evaluate(const Labels& l) {
    Eval ev;
    std::array<int, kSamples> peaks{};
    auto codeof = [&](const Occurring& p) {
        return model_.code(p.e, l.c[static_cast<size_t>(p.f)] & samples_,
                           l.n[static_cast<size_t>(p.e)] & samples_);
    };
    for (const Occurring& p : pairs_) {
        Code m = codeof(p);
        if (!m) continue;
        int j = ++count_.at(m).cnt;
        // The j-th pair of a mask meets the earlier ones j-1, j-2, ..., 1
        // places back; each meeting at least its allowed value counts it.
        int a = p.allowed;
        if (dupes_) ev.total += a * (a <= 1 ? j - 1 : std::max(0, j - a));
        if (maxpeaks_ != 999)
            for (uint32_t b = Model::hnco(m); b; b &= b - 1)
                peaks[static_cast<size_t>(std::countr_zero(b))] += p.occ;
    }
    for (const Occurring& p : pairs_) {
        Code m = codeof(p);
        if (!m) continue;
        if (p.unique && count_.at(m).cnt == 1) ++ev.resolved;
    }
    for (const Occurring& p : pairs_)
        if (Code m = codeof(p)) count_.at(m).cnt = 0, count_.release(m);
    if (maxpeaks_ != 999)
        for (int v : peaks) ev.excess += std::max(0, v - maxpeaks_);
    Labels in;
    for (int t = 1; t <= kTypes; ++t)
        in.c[static_cast<size_t>(t)] = l.c[static_cast<size_t>(t)] & samples_,
        in.n[static_cast<size_t>(t)] = l.n[static_cast<size_t>(t)] & samples_;
    ev.notoffered = offer_.count(in);
    return ev;
}

bool Annealer::toschedule(const Labels& l, Schedule& s) const {
    s.model = model_;
    initschedule(s);
    int placed = 0;
    for (int k = 1; k <= base_.count; ++k) {
        int f = base_.front[static_cast<size_t>(k)], e = base_.end[static_cast<size_t>(k)];
        if (f < 1 || f > kTypes || e < 1 || e > kTypes ||
            !(baseends_[static_cast<size_t>(f)] & (1u << e)))
            continue;
        uint32_t m = l.c[static_cast<size_t>(f)] & l.n[static_cast<size_t>(e)];
        if (!m) continue;
        bool listed = false;  // a pair named twice in the base is written once
        for (int q = 1; q < k && !listed; ++q)
            listed =
                base_.front[static_cast<size_t>(q)] == f && base_.end[static_cast<size_t>(q)] == e;
        if (listed) continue;
        for (int b = 0; b < kSamples; ++b)
            if ((m & (1u << b)) &&
                !addentry(s.samples[static_cast<size_t>(b + 1)], f, e, static_cast<int>(m)))
                return false;
        ++placed;
    }
    s.lastpair = placed;
    if (model_.twospectra()) {
        // The label table is the design: what the entries leave out is extra.
        const Labels design = normalised(l), implied = schedulelabels(s);
        for (size_t t = 1; t <= kTypes; ++t)
            s.extra.c[t] = design.c[t] & ~implied.c[t], s.extra.n[t] = design.n[t] & ~implied.n[t];
    }
    return true;
}

// Incremental judgement.

void Annealer::group(const CodeCounts::Cell& g, int sign) {
    ev_.resolved += sign * (g.cnt == 1 && g.uq == 1);
    ev_.total += sign * cost_[static_cast<size_t>(g.cnt)];
}

void Annealer::peaks(uint32_t m, int occ) {
    if (maxpeaks_ == 999) return;
    for (; m; m &= m - 1) {
        int& p = peaks_[static_cast<size_t>(std::countr_zero(m))];
        ev_.excess -= std::max(0, p - maxpeaks_);
        p += occ;
        ev_.excess += std::max(0, p - maxpeaks_);
    }
}

void Annealer::offered(int t) {
    auto i = static_cast<size_t>(t);
    int now = std::popcount(offer_.needs(t, cn_.c[i], cn_.n[i]));
    ev_.notoffered += now - nocount_[i];
    nocount_[i] = now;
}

void Annealer::movepair(int i, Code m) {
    auto k = static_cast<size_t>(i);
    Code old = mask_[k];
    if (old == m) return;
    const Occurring& p = pairs_[k];
    if (old) {
        CodeCounts::Cell& g = cnt_.at(old);
        group(g, -1);
        --g.cnt, g.uq -= p.unique;
        group(g, 1);
        if (g.cnt == 0) cnt_.release(old);
        peaks(Model::hnco(old), -p.occ);
    }
    if (m) {
        CodeCounts::Cell& g = cnt_.at(m);
        group(g, -1);
        ++g.cnt, g.uq += p.unique;
        group(g, 1);
        peaks(Model::hnco(m), p.occ);
    }
    mask_[k] = m;
}

void Annealer::relabel(bool cside, int t) {
    auto i = static_cast<size_t>(t);
    uint32_t now = cside ? cnorm(t, cur_) : nnorm(t, cur_);
    uint32_t& label = cside ? cn_.c[i] : cn_.n[i];
    if (now == label) return;
    relabels_[static_cast<size_t>(nrelab_++)] = {cside, t, label};
    label = now;
    offered(t);
    for (int k : cside ? row_[i] : col_[i]) {
        const Occurring& p = pairs_[static_cast<size_t>(k)];
        Code m = model_.code(p.e, cn_.c[static_cast<size_t>(p.f)], cn_.n[static_cast<size_t>(p.e)]);
        if (m == mask_[static_cast<size_t>(k)]) continue;
        log_[static_cast<size_t>(nlog_++)] = {k, mask_[static_cast<size_t>(k)]};
        movepair(k, m);
    }
}

void Annealer::load(const Labels& l) {
    cur_ = l;
    cn_ = normalised(l);
    if (!uniform_) {
        ev_ = evaluate(cn_);
        return;
    }
    for (size_t k = 0; k < pairs_.size(); ++k) movepair(static_cast<int>(k), 0);
    peaks_.fill(0);
    nocount_.fill(0);
    ev_ = Eval();
    for (int t = 1; t <= kTypes; ++t) offered(t);
    for (size_t k = 0; k < pairs_.size(); ++k)
        movepair(static_cast<int>(k),
                 model_.code(pairs_[k].e, cn_.c[static_cast<size_t>(pairs_[k].f)],
                             cn_.n[static_cast<size_t>(pairs_[k].e)]));
    commit();
}

void Annealer::change(bool cside, int t, uint32_t bits) {
    auto i = static_cast<size_t>(t);
    if (!uniform_) {
        savedcur_ = cur_, savedcn_ = cn_, savedev_ = ev_;
        (cside ? cur_.c[i] : cur_.n[i]) ^= bits;
        cn_ = normalised(cur_);
        ev_ = evaluate(cn_);
        return;
    }
    savedcur_ = cur_;
    (cside ? cur_.c[i] : cur_.n[i]) ^= bits;
    relabel(cside, t);
    for (uint32_t m = cside ? ndeps_[i] : cdeps_[i]; m; m &= m - 1)
        relabel(!cside, std::countr_zero(m));
}

void Annealer::revert() {
    cur_ = savedcur_;
    if (!uniform_) {
        cn_ = savedcn_, ev_ = savedev_;
        return;
    }
    while (nlog_ > 0) {
        const Moved& m = log_[static_cast<size_t>(--nlog_)];
        movepair(m.pair, m.old);
    }
    while (nrelab_ > 0) {
        const Relabel& r = relabels_[static_cast<size_t>(--nrelab_)];
        (r.cside ? cn_.c : cn_.n)[static_cast<size_t>(r.t)] = r.old;
        offered(r.t);
    }
}

Labels Annealer::repaired(const Labels& l) {
    load(l);
    while (!ev_.feasible()) {
        bool bestc = false;
        int bestt = -1;
        uint32_t bestbit = 0;
        Eval be;
        for (bool cside : {true, false})
            for (int t : cside ? cvars_ : nvars_) {
                for (uint32_t set = (cside ? cur_.c : cur_.n)[static_cast<size_t>(t)] & samples_;
                     set; set &= set - 1) {
                    const uint32_t bit = set & (~set + 1);
                    change(cside, t, bit);
                    const Eval e = ev_;
                    revert();
                    if (bestt < 0 || e.penalty() < be.penalty() ||
                        (e.penalty() == be.penalty() && e.resolved > be.resolved))
                        bestc = cside, bestt = t, bestbit = bit, be = e;
                }
            }
        if (bestt < 0) return Labels();  // nothing left to take away
        change(bestc, bestt, bestbit);
        commit();
    }
    return cn_;
}

// The walk.

Labels Annealer::search(const Labels& start, uint64_t seed, long steps, int bound,
                        const std::function<bool()>& stop) {
    load(start);
    if (!ev_.feasible()) load(Labels());
    Labels best = cn_;
    Eval be = ev_;
    const size_t nvars = (cvars_.size() + nvars_.size()) * bits_.size();
    if (nvars == 0 || steps <= 0) return best;
    std::mt19937_64 rng(seed);
    auto uniform = [&] { return static_cast<double>(rng() >> 11) * 0x1.0p-53; };
    auto pickbit = [&](uint32_t set) {
        for (auto k = rng() % static_cast<uint64_t>(std::popcount(set)); k > 0; --k) set &= set - 1;
        return set & (~set + 1);
    };
    double pen = kPenalty;
    auto energy = [&](const Eval& e) { return -e.resolved + pen * e.penalty(); };
    const double cool = std::pow(kCold / kHot, 1.0 / static_cast<double>(kRound));
    double t = kHot;
    long lastgain = 0;  // step of the last improvement of the best
    for (long step = 0; step < steps && be.resolved < bound; ++step) {
        // An interrupt is seen within a few milliseconds; the best so far stays.
        if (step % kStopCheck == 0 && stop && stop()) break;
        if (step % kRound == 0) {
            if (step - lastgain >= kPatience * kRound) break;
            load(best), t = kHot, pen = kPenalty;
        }
        size_t v = static_cast<size_t>(rng() % nvars);
        size_t var = v / bits_.size();
        bool cside = var < cvars_.size();
        int type = cside ? cvars_[var] : nvars_[var - cvars_.size()];
        uint32_t bit = 1u << bits_[v % bits_.size()];
        uint32_t label = (cside ? cur_.c : cur_.n)[static_cast<size_t>(type)] & samples_;
        if (uniform() < kShift && label && (~label & samples_))
            bit = pickbit(label) | pickbit(~label & samples_);  // shift a label to another sample
        double before = energy(ev_);
        change(cside, type, bit);
        double e = energy(ev_);
        if (e <= before || uniform() < std::exp((before - e) / t)) {
            commit();
            if (ev_.feasible() && ev_.resolved > be.resolved) be = ev_, best = cn_, lastgain = step;
        } else {
            revert();
        }
        t *= cool;
        if ((step / kRound) % 2) pen /= cool;  // odd rounds: penalty x kHot / T
    }
    return best;
}
