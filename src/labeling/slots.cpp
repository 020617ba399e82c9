#include "labeling/slots.h"

#include <algorithm>

void import_pairs(const LabelData& lab, int rank, Schedule& s) {
    initschedule(s);
    if (rank < 1 || rank > kSlots) return;
    s.model = lab.slotmodel[rank];
    s.extra = lab.slotextra[rank];
    for (int i = 1; i <= lab.ilabelsize[rank]; ++i) {
        int f = lab.ias_front[rank][i], e = lab.ias_end[rank][i], m = lab.ischedulenr[rank][i];
        for (int k = 1; k <= kSamples; ++k)
            if (m & (1 << (k - 1))) addentry(s.samples[k], f, e, m);
        s.maxfront = std::max(s.maxfront, f);
        s.maxend = std::max(s.maxend, e);
        s.maxmask = std::max(s.maxmask, m);
    }
}

Labels entrylabels(const LabelData& lab, int rank) {
    Labels l;
    if (rank < 1 || rank > kSlots) return l;
    for (int i = 1; i <= lab.ilabelsize[rank]; ++i) {
        int f = lab.ias_front[rank][i], e = lab.ias_end[rank][i];
        auto m = static_cast<uint32_t>(lab.ischedulenr[rank][i]);
        if (f >= 1 && f <= kTypes) l.c[static_cast<size_t>(f)] |= m;
        if (e >= 1 && e <= kTypes) l.n[static_cast<size_t>(e)] |= m;
    }
    return l;
}

bool export_pairs(const Schedule& s, const TypeMatrix& occurrence, int rank, LabelData& lab) {
    if (rank < 1 || rank > kSlots) return false;
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
    // A two-spectrum design is stored even when no pair has an HNCO peak:
    // its HSQC labels alone are a design. Its labels are the design, so what
    // the entries leave out is extra; an HNCO labeling keeps only the extras
    // it was given (labels of pairs that do not occur buy nothing there).
    if (n == 0 && !s.model.twospectra()) return false;
    if (n == 0) lab.ilabelsize[rank] = 0;
    const Labels all = s.model.twospectra() ? schedulelabels(s) : s.extra;
    const Labels implied = entrylabels(lab, rank);
    Labels extra;
    for (size_t t = 1; t <= kTypes; ++t)
        extra.c[t] = all.c[t] & ~implied.c[t], extra.n[t] = all.n[t] & ~implied.n[t];
    lab.slotmodel[rank] = s.model;
    lab.slotextra[rank] = extra;
    return true;
}

bool designslot(const LabelData& lab, int rank) {
    return lab.slotmodel[rank] != Model() || lab.slotextra[rank] != Labels();
}

void plainslot(LabelData& lab, int rank) {
    lab.slotmodel[rank] = Model();
    lab.slotextra[rank] = Labels();
    lab.slotanalysis[rank] = Analysis();
}
