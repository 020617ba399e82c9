#include "labeling/batch.h"

#include <algorithm>
#include <climits>
#include <memory>

#include "kemlang/services.h"
#include "labeling/optimise.h"
#include "labeling/slots.h"

namespace {

constexpr int kOrder = 100;
constexpr int kFirstFit = 1024;

// No sample of m is full.
bool fits(const Schedule& s, int m) {
    for (int k = 1; k <= kSamples; ++k)
        if ((m & (1 << (k - 1))) && s.samples[k].count >= kEntries) return false;
    return true;
}

// Appends (f, e, m) to every sample of m (which fits).
void place(Schedule& s, int f, int e, int m) {
    for (int k = 1; k <= kSamples; ++k)
        if (m & (1 << (k - 1))) {
            addentry(s.samples[k], f, e, m);
            s.nsamples = std::max(s.nsamples, k);
        }
    s.maxfront = std::max(s.maxfront, f);
    s.maxend = std::max(s.maxend, e);
    s.maxmask = std::max(s.maxmask, m);
}

int batchtype(const std::vector<int>& list, int j) {
    return j >= 1 && j <= static_cast<int>(list.size()) ? list[static_cast<size_t>(j - 1)] : 0;
}

// Duplicates of one mask group, its pairs in the check's walk order (front
// major): the j-th pair of the group adds allowed x the number of earlier
// pairs at least allowed places before it (all of them when allowed <= 1).
int groupdupes(const int* pos, int n, const TypeMatrix& allowed) {
    int total = 0;
    for (int j = 1; j <= n; ++j) {
        int p = pos[j - 1];
        int a = allowed[p / kTypes + 1][p % kTypes + 1];
        total += a * (a <= 1 ? j - 1 : std::max(0, j - a));
    }
    return total;
}

// Schedule s as slot 3: its shown pairs in front-major order.
void storeslot3(const Schedule& s, const TypeMatrix& uniqs, LabelData& lab) {
    int n = 0;
    for (int f = 1; f <= std::min(s.maxfront, kTypes); ++f)
        for (int e = 1; e <= std::min(s.maxend, kTypes); ++e) {
            if (s.schednrs[f][e] == 0 || uniqs[f][e] <= 0 || n >= kSlotEntries) continue;
            ++n;
            lab.ias_front[3][n] = f;
            lab.ias_end[3][n] = e;
            lab.ischedulenr[3][n] = s.schednrs[f][e];
            lab.ioccur[3][n] = uniqs[f][e];
        }
    lab.ilabelsize[3] = n;
    lab.slotmodel[3] = Model();
    lab.slotextra[3] = Labels();
    lab.slotanalysis[3] = Analysis();
}

}  // namespace

bool nextorder(int* order, int n) {
    int i = n - 1;
    while (i >= 1 && order[i] >= order[i + 1]) --i;
    if (i < 1) return false;
    int j = n;
    while (order[j] <= order[i]) --j;
    std::swap(order[i], order[j]);
    std::reverse(order + i + 1, order + n + 1);
    return true;
}

DupeIndex::DupeIndex(const Schedule& s, const TypeMatrix& uniqs, const TypeMatrix& allowed)
    : uniqs_(uniqs), allowed_(allowed) {
    for (int f = 1; f <= kTypes; ++f)
        for (int e = 1; e <= kTypes; ++e) nonnegative_ = nonnegative_ && allowed[f][e] >= 0;
    for (int k = 1; k <= kSamples; ++k) {
        const Selection& smp = s.samples[k];
        for (int i = 1; i <= smp.count; ++i) {
            if (valid(smp.front[i])) fronts_[smp.front[i]] |= 1u << (k - 1);
            if (valid(smp.end[i])) ends_[smp.end[i]] |= 1u << (k - 1);
        }
    }
    rebuild();
}

void DupeIndex::rebuild() {
    n_ = 0;
    maxmask_ = 0;
    for (int f = 1; f <= kTypes; ++f)
        for (int e = 1; e <= kTypes; ++e) {
            int m = maskof(f, e);
            if (m == 0) continue;
            maxmask_ = std::max(maxmask_, m);
            bymask_[n_++] = {m, (f - 1) * kTypes + (e - 1)};
        }
    std::sort(bymask_.begin(), bymask_.begin() + n_);
    total_ = 0;
    std::array<int, kMaxPairs> pos;
    for (int i = 0; i < n_;) {
        int j = i, n = 0;
        for (; j < n_ && bymask_[j].first == bymask_[i].first; ++j) pos[n++] = bymask_[j].second;
        int dupes = groupdupes(pos.data(), n, allowed_);
        for (int k = i; k < j; ++k) groupdupes_[k] = dupes;
        total_ += dupes;
        i = j;
    }
}

bool DupeIndex::hopeless(int f, int e) const {
    if (!nonnegative_) return false;
    // With no negative allowance a group's duplicates grow with its pairs,
    // so the groups that no pair of row f or column e is in stay as they are.
    std::array<int, 2 * kTypes> touched;
    int ntouched = 0, kept = total_;
    auto visit = [&](int g, int h) {
        int m = maskof(g, h);
        if (m == 0) return;
        auto at = std::lower_bound(bymask_.begin(), bymask_.begin() + n_, std::pair{m, -1});
        int first = static_cast<int>(at - bymask_.begin());
        if (std::find(touched.begin(), touched.begin() + ntouched, first) !=
            touched.begin() + ntouched)
            return;
        touched[ntouched++] = first;
        kept -= groupdupes_[first];
    };
    for (int g = 1; g <= kTypes; ++g)
        if (g == f)
            for (int h = 1; h <= kTypes; ++h) visit(g, h);
        else if (valid(e))
            visit(g, e);
    return kept >= 1;
}

int DupeIndex::maskof(int f, int e) const {
    return uniqs_[f][e] > 0 ? static_cast<int>(fronts_[f] & ends_[e]) : 0;
}

int DupeIndex::with(int f, int e, int m) const {
    // The pairs of row f and column e whose mask changes, in walk order.
    struct Change {
        int pos, before, after;
    };
    std::array<Change, 2 * kTypes> changed;
    int nchanged = 0;
    uint32_t frontf = valid(f) ? fronts_[f] | static_cast<uint32_t>(m) : 0;
    uint32_t ende = valid(e) ? ends_[e] | static_cast<uint32_t>(m) : 0;
    auto visit = [&](int g, int h) {
        if (uniqs_[g][h] <= 0) return;
        uint32_t fr = g == f ? frontf : fronts_[g], en = h == e ? ende : ends_[h];
        int before = maskof(g, h), after = static_cast<int>(fr & en);
        if (after != before) changed[nchanged++] = {(g - 1) * kTypes + (h - 1), before, after};
    };
    for (int g = 1; g <= kTypes; ++g)
        if (g == f)
            for (int h = 1; h <= kTypes; ++h) visit(g, h);
        else if (valid(e))
            visit(g, e);
    if (nchanged == 0) return total_;
    // Only the groups these pairs leave or join change their duplicates.
    std::array<int, 4 * kTypes> masks;
    int nmasks = 0;
    for (int c = 0; c < nchanged; ++c)
        for (int m2 : {changed[c].before, changed[c].after})
            if (m2 != 0 &&
                std::find(masks.begin(), masks.begin() + nmasks, m2) == masks.begin() + nmasks)
                masks[nmasks++] = m2;
    int total = total_;
    std::array<int, kMaxPairs> oldpos, newpos;
    for (int k = 0; k < nmasks; ++k) {
        int mk = masks[k];
        auto lo = std::lower_bound(bymask_.begin(), bymask_.begin() + n_, std::pair{mk, -1});
        int nold = 0, nnew = 0, c = 0;
        for (auto it = lo; it != bymask_.begin() + n_ && it->first == mk; ++it) {
            int p = it->second;
            oldpos[nold++] = p;
            // Merge the pairs that join, and drop those that leave.
            for (; c < nchanged && changed[c].pos < p; ++c)
                if (changed[c].after == mk) newpos[nnew++] = changed[c].pos;
            if (c < nchanged && changed[c].pos == p) {
                ++c;  // it changes, so it leaves this group
                continue;
            }
            newpos[nnew++] = p;
        }
        for (; c < nchanged; ++c)
            if (changed[c].after == mk) newpos[nnew++] = changed[c].pos;
        total +=
            groupdupes(newpos.data(), nnew, allowed_) - groupdupes(oldpos.data(), nold, allowed_);
    }
    return total;
}

void DupeIndex::add(int f, int e, int m) {
    if (valid(f)) fronts_[f] |= static_cast<uint32_t>(m);
    if (valid(e)) ends_[e] |= static_cast<uint32_t>(m);
    rebuild();
}

BatchResult addbatch(const KemraData& mol, LabelData& lab, const TypeMatrix& uniqs,
                     const TypeMatrix& allowed, BatchParams& p, BatchObserver& obs) {
    auto base = std::make_unique<Schedule>();
    auto trial = std::make_unique<Schedule>();
    import_pairs(lab, 1, *base);
    const DupeIndex baseindex(*base, uniqs, allowed);
    int n = std::clamp(lab.ibatchsize, 0, kOrder);
    int order[kOrder + 1];
    for (int k = 0; k <= kOrder; ++k) order[k] = k;
    long randomleft = 1;  // n!, at most randompasses
    for (int k = 2; k <= n && randomleft < p.randompasses; ++k) randomleft *= k;
    randomleft = std::min<long>(randomleft, p.randompasses);
    obs.begin(plannedpasses(n, p));
    BatchResult r;
    bool more = true;
    while (more) {
        *trial = *base;
        DupeIndex index = baseindex;
        if (p.random) {
            for (int k = 1; k <= n; ++k) order[k] = k;
            for (int k = n; k > 1; --k) {
                int j = 1 + std::min(k - 1, static_cast<int>(ran1(p.seed) * k));
                std::swap(order[k], order[j]);
            }
            if (p.max <= 0 && --randomleft <= 0) more = false;
        } else if (n >= 2) {
            more = nextorder(order, n);
        }
        if (n < 3) more = false;
        if (p.max == 1) {
            more = false;
            p.max = 0;
        } else if (p.max > 1) {
            --p.max;
        }
        if (n >= 1) trial->nsamples = kSamples;
        bool stopped = false;
        for (int k = 1; k <= n && !(stopped = obs.stop()); ++k) {
            int j = order[k];
            int f = batchtype(lab.ibatch_front, j), e = batchtype(lab.ibatch_end, j);
            if (index.hopeless(f, e)) continue;
            for (int m = 1; m <= kFirstFit; ++m) {
                if (!fits(*trial, m) || index.with(f, e, m) >= 1) continue;
                place(*trial, f, e, m);
                index.add(f, e, m);
                trial->maxmask = std::max(trial->maxmask, index.maxmask());
                break;
            }
        }
        if (stopped) break;  // a pass cut short is not scored
        ++r.passes;
        double s = scoreschedule(*trial, 1.0, 1.0, 1.0, uniqs, mol, lab);
        if (s > r.best) {
            int used = 0;
            for (int k = 1; k <= kSamples; ++k) used += trial->samples[k].count > 0;
            double again = scoreschedule(*trial, 1.0, 1.0, 1.0, uniqs, mol, lab);
            fillschednrs(*trial, uniqs);
            storeslot3(*trial, uniqs, lab);
            ++r.improvements;
            obs.improved(*trial, used, r.best, again);
            r.best = static_cast<int>(scoreschedule(*trial, 1.0, 1.0, 1.0, uniqs, mol, lab));
        }
        obs.passed(r.passes, r.best);
        if (obs.stop()) break;
    }
    r.interrupted = obs.stop();
    return r;
}

long long plannedpasses(int n, const BatchParams& p) {
    if (n < 3) return 1;
    long long orders = 1;  // n!, saturated
    for (int k = 2; k <= n; ++k) {
        if (orders > LLONG_MAX / k)
            return p.max > 0 ? p.max : p.random ? p.randompasses : LLONG_MAX;
        orders *= k;
    }
    if (p.random) return p.max > 0 ? p.max : std::min<long long>(orders, p.randompasses);
    return p.max > 0 ? std::min<long long>(orders, p.max) : orders;
}
