#include "labeling/slots.h"

#include <algorithm>

void import_pairs(const LabelData& lab, int rank, Schedule& s) {
    initschedule(s);
    if (rank < 1 || rank > kSlots) return;
    for (int i = 1; i <= lab.ilabelsize[rank]; ++i) {
        int f = lab.ias_front[rank][i], e = lab.ias_end[rank][i], m = lab.ischedulenr[rank][i];
        for (int k = 1; k <= kSamples; ++k)
            if (m & (1 << (k - 1))) addentry(s.samples[k], f, e, m);
        s.maxfront = std::max(s.maxfront, f);
        s.maxend = std::max(s.maxend, e);
        s.maxmask = std::max(s.maxmask, m);
    }
}

void export_pairs(const Schedule& s, const TypeMatrix& occurrence, int rank, LabelData& lab) {
    if (rank < 1 || rank > kSlots) return;
    MaskMatrix m{};
    pairmasks(s, occurrence, m);
    int n = 0;
    for (int f = 1; f <= kTypes; ++f)
        for (int e = 1; e <= kTypes; ++e) {
            if (m[f][e] <= 0 || occurrence[f][e] <= 0 || n >= kSlotEntries) continue;
            ++n;
            lab.ias_front[rank][n] = f;
            lab.ias_end[rank][n] = e;
            lab.ischedulenr[rank][n] = m[f][e];
            lab.ioccur[rank][n] = occurrence[f][e];
            lab.ilabelsize[rank] = n;
        }
}
