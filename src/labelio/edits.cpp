#include "labelio/edits.h"

#include "kemlang/print.h"
#include "labelio/recipe.h"

int classindex(int front, int end) { return front + kClassTypes * (end - 1); }

bool batchappend(LabelData& l, int front, int end) {
    if (l.ibatchsize >= kBatchSize) return false;
    size_t n = static_cast<size_t>(l.ibatchsize);
    l.ibatch_end.resize(n);
    l.ibatch_front.resize(n);
    l.ibatch_end.push_back(front);
    l.ibatch_front.push_back(end);
    ++l.ibatchsize;
    return true;
}

void setdupes(LabelData& l, int front, int end, int value) {
    for (int f = 1; f <= kTypes; ++f)
        for (int e = 1; e <= kTypes; ++e)
            if ((front == 0 || f == front) && (end == 0 || e == end))
                l.iallowed_dupes[f][e] = value;
}

void setclass(LabelData& l, int front, int end, int value) {
    auto& c = l.isample_class;
    if (front != 0 && end != 0) {
        c[static_cast<size_t>(classindex(front, end))] = value;
        c[static_cast<size_t>(classindex(end, front))] = value;
        return;
    }
    int t = front != 0 ? front : end;
    for (int i = 1; i <= kClassTypes; ++i)
        for (int j = 1; j <= kClassTypes; ++j)
            if (t == 0 || i == t || j == t) c[static_cast<size_t>(classindex(i, j))] = value;
}

void outputclasses(const LabelData& l, const KemraData& d) {
    for (int i = 1; i <= kTypes; ++i)
        for (int j = 1; j <= kTypes; ++j) {
            int c = l.isample_class[static_cast<size_t>(classindex(i, j))];
            if (c == 0) continue;
            std::string a = typename_of(d, i), b = typename_of(d, j);
            a.resize(5, ' '), b.resize(5, ' ');
            putlin(10, strn(a, -5) + " " + strn(b, -5) + " " + intp(c));
        }
}

int pairoccurrence(const KemraData& d, int f, int e) {
    int n = 0;
    for (int i = 1; i < d.nr; ++i)
        if (d.irlib[static_cast<size_t>(i)] == f && d.irlib[static_cast<size_t>(i + 1)] == e) ++n;
    return n;
}

int findentry(const LabelData& l, int rank, int f, int e) {
    for (int i = 1; i <= l.ilabelsize[rank]; ++i)
        if (l.ias_front[rank][i] == f && l.ias_end[rank][i] == e) return i;
    return 0;
}

ModifyResult modifypair(LabelData& l, int rank, int f, int e, int mask, int occur) {
    ModifyResult r;
    for (int i = 1; i <= l.ilabelsize[rank]; ++i)
        if (l.ias_front[rank][i] == f && l.ias_end[rank][i] == e) {
            l.ischedulenr[rank][i] = mask;
            r.modified.push_back(i);
        }
    if (!r.modified.empty()) return r;
    int n = l.ilabelsize[rank];
    if (n >= kSlotEntries) {
        r.full = true;
        return r;
    }
    ++n;
    l.ias_front[rank][n] = f;
    l.ias_end[rank][n] = e;
    l.ischedulenr[rank][n] = mask;
    l.ioccur[rank][n] = occur;
    l.ilabelsize[rank] = n;
    r.appended = n;
    return r;
}

std::vector<Affected> removepair(LabelData& l, int rank, int type, int sample, bool n15, bool c13,
                                 bool doit) {
    std::vector<Affected> v;
    int bit = 1 << (sample - 1);
    for (int i = 1; i <= l.ilabelsize[rank]; ++i) {
        int& mask = l.ischedulenr[rank][i];
        if (!(mask & bit)) continue;
        int f = l.ias_front[rank][i], e = l.ias_end[rank][i];
        bool hit = false;
        if (n15 && f == type) v.push_back({i, f, e, true}), hit = true;
        if (c13 && e == type) v.push_back({i, f, e, false}), hit = true;
        if (hit && doit) mask = 0;
    }
    return v;
}

void copyschedule(LabelData& l, int origin, int destin) {
    if (origin == destin) return;
    l.ias_front[destin] = l.ias_front[origin];
    l.ias_end[destin] = l.ias_end[origin];
    l.ischedulenr[destin] = l.ischedulenr[origin];
    l.ilabelsize[destin] = l.ilabelsize[origin];
    l.slotmodel[destin] = l.slotmodel[origin];
    l.slotextra[destin] = l.slotextra[origin];
    l.slotanalysis[destin] = l.slotanalysis[origin];
}
