#include "labeling/batch.h"

#include <algorithm>
#include <memory>

#include "kemlang/services.h"
#include "labeling/optimise.h"
#include "labeling/slots.h"

namespace {

constexpr int kOrder = 100;
constexpr int kFirstFit = 1024;

// Appends (f, e, m) to every sample of m; false, with s unchanged, when a
// sample is full.
bool place(Schedule& s, int f, int e, int m) {
    for (int k = 1; k <= kSamples; ++k)
        if ((m & (1 << (k - 1))) && s.samples[k].count >= kEntries) return false;
    for (int k = 1; k <= kSamples; ++k)
        if (m & (1 << (k - 1))) {
            addentry(s.samples[k], f, e, m);
            s.nsamples = std::max(s.nsamples, k);
        }
    s.maxfront = std::max(s.maxfront, f);
    s.maxend = std::max(s.maxend, e);
    s.maxmask = std::max(s.maxmask, m);
    return true;
}

void unplace(Schedule& s, int m, int maxfront, int maxend, int maxmask) {
    for (int k = 1; k <= kSamples; ++k)
        if (m & (1 << (k - 1))) --s.samples[k].count;
    s.maxfront = maxfront, s.maxend = maxend, s.maxmask = maxmask;
}

int batchtype(const std::vector<int>& list, int j) {
    return j >= 1 && j <= static_cast<int>(list.size()) ? list[static_cast<size_t>(j - 1)] : 0;
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

BatchResult addbatch(const KemraData& mol, LabelData& lab, const TypeMatrix& uniqs,
                     const TypeMatrix& allowed, BatchParams& p, BatchObserver& obs) {
    auto base = std::make_unique<Schedule>();
    auto trial = std::make_unique<Schedule>();
    import_pairs(lab, 1, *base);
    int n = std::clamp(lab.ibatchsize, 0, kOrder);
    int order[kOrder + 1];
    for (int k = 0; k <= kOrder; ++k) order[k] = k;
    long randomleft = 1;  // n!, at most randompasses
    for (int k = 2; k <= n && randomleft < p.randompasses; ++k) randomleft *= k;
    randomleft = std::min<long>(randomleft, p.randompasses);
    BatchResult r;
    bool more = true;
    while (more) {
        *trial = *base;
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
        for (int k = 1; k <= n; ++k) {
            int j = order[k];
            int f = batchtype(lab.ibatch_front, j), e = batchtype(lab.ibatch_end, j);
            for (int m = 1; m <= kFirstFit; ++m) {
                int mf = trial->maxfront, me = trial->maxend, mm = trial->maxmask;
                trial->nsamples = kSamples;
                if (!place(*trial, f, e, m)) continue;
                fillschednrs(*trial, uniqs);
                int total = 0;
                checkschedule(*trial, total, allowed, uniqs);
                if (total < 1) break;
                unplace(*trial, m, mf, me, mm);
            }
        }
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
        if (obs.stop()) break;
    }
    return r;
}
