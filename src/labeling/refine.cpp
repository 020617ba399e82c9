#include "labeling/refine.h"

#include <memory>

#include "labeling/optimise.h"
#include "labeling/slots.h"

namespace {

// Pair classes are a 50 x 50 table by (front, end), stored column by column.
int pairclass(const LabelData& lab, int f, int e) {
    size_t k = static_cast<size_t>(f + 50 * (e - 1));
    return k < lab.isample_class.size() ? lab.isample_class[k] : 0;
}

int duplicates(Schedule& s, const TypeMatrix& uniqs, const TypeMatrix& allowed) {
    fillschednrs(s, uniqs);
    int total = 0;
    checkschedule(s, total, allowed, uniqs);
    return total;
}

}  // namespace

LabelingScore scorelabeling(const KemraData& mol, const LabelData& lab, const TypeMatrix& uniqs,
                            int rank, const Model& model) {
    auto s = std::make_unique<Schedule>();
    import_pairs(lab, rank, *s);
    s->model = model;
    fillschednrs(*s, uniqs);
    LabelingScore r;
    r.score = scoreschedule(*s, 1.0, 1.0, 1.0, uniqs, mol, lab);
    for (int k = 1; k <= kSamples; ++k)
        for (int f = 1; f <= kTypes; ++f)
            for (int e = 1; e <= kTypes; ++e) {
                if (uniqs[f][e] <= 0 || !(s->schednrs[f][e] & (1 << (k - 1)))) continue;
                int c = pairclass(lab, f, e);
                if (c == 0) continue;
                r.classes.push_back({k, f, e, c});
                r.classtotal += c;
            }
    return r;
}

int thinlabeling(const TypeMatrix& uniqs, const TypeMatrix& allowed, LabelData& lab, int from,
                 int to, RefineObserver& obs) {
    lab.ilabelsize[to] = lab.ilabelsize[from];
    lab.ias_front[to] = lab.ias_front[from];
    lab.ias_end[to] = lab.ias_end[from];
    lab.ischedulenr[to] = lab.ischedulenr[from];
    lab.ioccur[to] = lab.ioccur[from];
    lab.slotmodel[to] = lab.slotmodel[from];
    lab.slotextra[to] = lab.slotextra[from];
    lab.slotanalysis[to] = lab.slotanalysis[from];
    auto s = std::make_unique<Schedule>();
    import_pairs(lab, to, *s);
    fillschednrs(*s, uniqs);
    MaskMatrix before = s->schednrs;
    int taken = 0;
    for (int i = 1; i <= lab.ilabelsize[to]; ++i) {
        int f = lab.ias_front[to][i], e = lab.ias_end[to][i];
        int& mask = lab.ischedulenr[to][i];
        for (int b = kSamples; b >= 1; --b) {
            int bit = 1 << (b - 1);
            if (!(mask & bit) || (mask & ~bit) == 0) continue;
            mask &= ~bit;
            import_pairs(lab, to, *s);
            int total = duplicates(*s, uniqs, allowed);
            bool intable = f >= 1 && f <= kTypes && e >= 1 && e <= kTypes;
            int limit = intable ? allowed[f][e] : 1;
            if (total >= limit) {
                mask |= bit;
                continue;
            }
            ++taken;
            MaskChange c;
            c.entry = i, c.front = f, c.end = e, c.sample = b, c.stored = mask;
            if (intable) c.before = before[f][e], c.after = s->schednrs[f][e];
            before = s->schednrs;
            obs.kept(c);
        }
    }
    return taken;
}
