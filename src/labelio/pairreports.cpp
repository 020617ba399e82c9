#include "labelio/pairreports.h"

#include <algorithm>
#include <set>

#include "kemlang/print.h"
#include "labeling/labutils.h"
#include "labelio/recipe.h"
#include "labelio/reports.h"

namespace {

std::string name5(const KemraData& d, int t) {
    std::string n = typename_of(d, t);
    n.resize(std::max<size_t>(n.size(), 5), ' ');
    return n;
}

// Two-character cells " X" / " _" for samples 1..10.
std::string widepattern(int mask) {
    std::string p;
    for (char c : binarytotext(mask)) p += std::string(" ") + c;
    return p;
}

bool pairtype(const KemraData& d, int i, int& f, int& e) {
    if (i < 1 || i >= d.nr) return false;
    f = d.irlib[static_cast<size_t>(i)], e = d.irlib[static_cast<size_t>(i + 1)];
    return f >= 1 && f <= kTypes && e >= 1 && e <= kTypes;
}

}  // namespace

int residuemask(const KemraData& d, const MaskMatrix& m, int i) {
    int f = 0, e = 0;
    return pairtype(d, i, f, e) ? m[f][e] : 0;
}

int residueoccurrence(const KemraData& d, const TypeMatrix& uniqs, int i) {
    int f = 0, e = 0;
    return pairtype(d, i, f, e) ? uniqs[f][e] : 0;
}

int firstposition(const KemraData& d, int f, int e) {
    for (int i = 1; i < d.nr; ++i) {
        int a = 0, b = 0;
        if (pairtype(d, i, a, b) && a == f && b == e) return i;
    }
    return 0;
}

std::vector<PairLine> labelpairs(const Schedule& s, const TypeMatrix& uniqs, const KemraData& d) {
    std::vector<PairLine> v;
    for (int f = 1; f <= kTypes; ++f)
        for (int e = 1; e <= kTypes; ++e)
            if (s.schednrs[f][e] > 0 && uniqs[f][e] > 0)
                v.push_back({f, e, s.schednrs[f][e], uniqs[f][e], firstposition(d, f, e)});
    return v;
}

void outputsummary(const KemraData& d, const Schedule& s) {
    int maxpeaks = 0, total = 0, nsamples = 0;
    compute_sample_stats(d, s, maxpeaks, total, nsamples);
    putlin(10, "Maximal number of peaks in a single sample " + intn(maxpeaks, 3) +
                   " Number of peaks" + intn(total, 3) + " Total number of samples" +
                   intn(nsamples, 3));
}

void outputschedule(const Schedule& s, const TypeMatrix& uniqs, const KemraData& d) {
    for (int k = 1; k <= s.nsamples && k <= kSamples; ++k) {
        const Selection& smp = s.samples[k];
        if (smp.count == 0) break;
        listout("labelling Nr " + intp(k));
        for (int i = 1; i <= smp.count; ++i) {
            int f = smp.front[i], e = smp.end[i];
            int occ = f >= 1 && f <= kTypes && e >= 1 && e <= kTypes ? uniqs[f][e] : 0;
            listout(strn(name5(d, f), -5) + " " + strn(name5(d, e), -5) + " " +
                    strp(widepattern(smp.mask[i])) + " " + intn(smp.mask[i], 7) + " " +
                    intn(occ, 3));
        }
    }
    putlin(10, "Ende des Labelings");
    putlin(10, "");
}

void outputpairs(Schedule& s, const TypeMatrix& uniqs, const Selection& unique,
                 const KemraData& d) {
    listout("Aminosaeurenpaare: c13, n15");
    std::vector<PairLine> pairs = labelpairs(s, uniqs, d);
    std::set<int> patterns;
    int n = 0;
    for (const PairLine& p : pairs) {
        std::string pos = std::to_string(p.position);
        pos = std::string(pos.size() < 5 ? 5 - pos.size() : 0, ' ') + pos;
        pos.resize(10, ' ');
        putlin(10, intn(++n, 3) + " " + strq(typename_of(d, p.front)) + " " +
                       strq(typename_of(d, p.end)) + " " + strq(binarytotext(p.mask)) + " " +
                       intp(p.count) + " " + strq(pos));
        patterns.insert(p.mask);
    }
    int nduplicated = 0;
    int resolved = chkuniqsdup(s, uniqs, nullptr, nullptr, nullptr, &nduplicated);
    putlin(10, "eindeutige paare: " + intp(unique.count) + " Number of patterns" +
                   intn(static_cast<int>(patterns.size()), 3) +
                   " eindeutige paare: " + intp(resolved));
    std::vector<int> order, score;
    for (size_t i = 0; i < pairs.size(); ++i) {
        order.push_back(static_cast<int>(i) + 1);
        score.push_back(-pairs[i].mask);
    }
    score.insert(score.begin(), 0);  // 1-based scores
    sortthispls(order, score);
    for (int i : order) {
        const PairLine& p = pairs[static_cast<size_t>(i - 1)];
        listout(strn(name5(d, p.front), -5) + " " + strn(name5(d, p.end), -5) + " " +
                strp(binarytotext(p.mask)));
    }
    listout("Uniqe Pairs: " + intp(resolved));
    outputsummary(d, s);
}

void outputsequence_with_label_multiple(const std::vector<Schedule>& s, const TypeMatrix& uniqs,
                                        const KemraData& d, const LabelData& l) {
    putlin(10, "AA# Name Marker AAScore Paired with Labelpattern ");
    for (int i = 1; i <= d.nr; ++i) {
        int a = d.ifira[static_cast<size_t>(i)];
        int marker = a >= 1 && static_cast<size_t>(a) < l.imarker.size() ? l.imarker[a] : 0;
        int occ = residueoccurrence(d, uniqs, i);
        double score = occ > 0 ? 1.0 / occ : 0.0;
        std::string pats;
        for (const Schedule& sc : s) {
            int m = residuemask(d, sc.schednrs, i);
            pats += " " + (i < d.nr ? binarytotext(m) : std::string(10, ' '));
        }
        std::string name = d.rnam[static_cast<size_t>(i)];
        name.resize(5, ' ');
        putlin(10, intn(i, 3) + " " + strn(name, -5) + " " + intn(marker, 5) + " " +
                       realf(score, 7, 2) + strp(pats));
    }
    std::string groups;
    for (const Schedule& sc : s) {
        int maxpeaks = 0, total = 0, nsamples = 0;
        compute_sample_stats(d, sc, maxpeaks, total, nsamples);
        groups += "|M:" + intn(maxpeaks, 3) + " S:" + intn(total, 4) + " #:" + intn(nsamples, 2);
    }
    putlin(10, groups + "|");
    putlin(10, "M: Max, S: number of peaks overall, # number of samples needed ");
}

void outputaminoacids(const KemraData& d) {
    for (int t = 1; t <= kTypes + 1; ++t) listout(intn(t, 2) + " " + strp(typename_of(d, t)));
}

void outputbatch(const LabelData& l) {
    for (int j = 0; j < l.ibatchsize; ++j) {
        size_t k = static_cast<size_t>(j);
        int f = k < l.ibatch_end.size() ? l.ibatch_end[k] : 0;
        int e = k < l.ibatch_front.size() ? l.ibatch_front[k] : 0;
        listout(intn(f, 2) + " " + intn(e, 2));
    }
    listout("number of pairs in batch: " + intp(l.ibatchsize));
}

void outputwhatsleft(const Schedule& base, int front, int rear, const TypeMatrix& uniqs,
                     const TypeMatrix& allowed) {
    Schedule s = base;
    fillschednrs(s, uniqs);
    int start = 0;
    checkschedule(s, start, allowed, uniqs);
    listout("starting, " + intp(chkuniqsdup(s, uniqs)) + " resolved, dupes " + intp(start));
    for (int set = 1; set <= 1023; ++set) {
        bool placed = true;
        for (int k = 1; k <= 10; ++k)
            if (set & (1 << (k - 1))) placed = addentry(s.samples[k], front, rear, set) && placed;
        if (placed) {
            fillschednrs(s, uniqs);
            int total = 0;
            checkschedule(s, total, allowed, uniqs);
            if (total <= start) {
                int nduplicated = 0;
                chkuniqsdup(s, uniqs, nullptr, nullptr, nullptr, &nduplicated);
                listout("in sched " + strp(binarytotext(set)) + " passt noch mit " + intp(total) +
                        " duplicates (" + intp(nduplicated) + ")");
            }
        }
        // Take the trial entries out again: they were appended after the base entries.
        for (int k = 1; k <= 10; ++k) s.samples[k].count = base.samples[k].count;
    }
}

void htmllines(const KemraData& d, const MaskMatrix& m, const TypeMatrix& uniqs,
               std::string& seqline, std::string& patline) {
    constexpr size_t kLine = 2000;
    seqline.clear(), patline.clear();
    bool bold = false;
    for (int i = 1; i <= d.nr; ++i) {
        bool unique = residueoccurrence(d, uniqs, i) == 1;
        // Room for this cell, its opening tag and the closing tag.
        size_t need = 1 + (unique && !bold ? 3 : 0) + (unique || bold ? 4 : 0);
        if (seqline.size() + need > kLine) break;
        std::string open = unique && !bold ? "<b>" : "", close = !unique && bold ? "</b>" : "";
        bold = unique;
        char c = onelettercode(d.irlib[static_cast<size_t>(i)]);
        char x = residuemask(d, m, i) != 0 ? 'X' : '_';
        seqline += close + open + c;
        patline += close + open + x;
    }
    if (bold) seqline += "</b>", patline += "</b>";
}
