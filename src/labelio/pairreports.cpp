#include "labelio/pairreports.h"

#include <algorithm>
#include <set>

#include "kemlang/print.h"
#include "labeling/labutils.h"
#include "labelio/codebook.h"
#include "labelio/recipe.h"
#include "labelio/reports.h"

namespace {

std::string name5(const KemraData& d, int t) {
    std::string n = typename_of(d, t);
    n.resize(std::max<size_t>(n.size(), 5), ' ');
    return n;
}

// Two-character cells " X" / " _" (" H") for samples 1..10.
std::string widepattern(Code code) {
    std::string p;
    for (char c : Model::word(code, 10)) p += std::string(" ") + c;
    return p;
}

// The labels of sample k that no entry of a two-spectrum design implies.
void outputextra(const Schedule& s, int k, const KemraData& d) {
    const uint32_t bit = 1u << (k - 1);
    for (int t = 1; t <= kTypes; ++t) {
        bool c = s.extra.c[static_cast<size_t>(t)] & bit,
             n = s.extra.n[static_cast<size_t>(t)] & bit;
        if (c || n)
            listout("extra " + strn(name5(d, t), -5) + " " +
                    strp(c && n ? "C13 N15"
                         : c    ? "C13"
                                : "N15"));
    }
}

bool extrain(const Schedule& s, int k) {
    for (int t = 1; t <= kTypes; ++t)
        if ((s.extra.c[static_cast<size_t>(t)] | s.extra.n[static_cast<size_t>(t)]) &
            (1u << (k - 1)))
            return true;
    return false;
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
    const CodeMatrix codes = paircodes(s, uniqs);
    for (int f = 1; f <= kTypes; ++f)
        for (int e = 1; e <= kTypes; ++e)
            if (codes[f][e] != 0)
                v.push_back({f, e, std::max(0, s.schednrs[f][e]), uniqs[f][e],
                             firstposition(d, f, e), codes[f][e]});
    return v;
}

void outputsummary(const KemraData& d, const Schedule& s) {
    int maxpeaks = 0, total = 0, nsamples = 0;
    compute_sample_stats(d, s, maxpeaks, total, nsamples);
    // The peak count's field runs straight into "Total": no blank between.
    putlin(10, "Maximal number of peaks in a single sample " + intn(maxpeaks, 3) +
                   " Number of peaks" + intn(total, 3) + "Total number of samples" +
                   intn(nsamples, 3));
}

void outputschedule(const Schedule& s, const TypeMatrix& uniqs, const KemraData& d) {
    const bool two = s.model.twospectra();
    const CodeMatrix codes = two ? paircodes(s, uniqs) : CodeMatrix{};
    for (int k = 1; k <= s.nsamples && k <= kSamples; ++k) {
        const Selection& smp = s.samples[k];
        if (smp.count == 0 && !(two && extrain(s, k))) break;
        listout("labelling Nr " + intp(k));
        for (int i = 1; i <= smp.count; ++i) {
            int f = smp.front[i], e = smp.end[i];
            bool known = f >= 1 && f <= kTypes && e >= 1 && e <= kTypes;
            int occ = known ? uniqs[f][e] : 0;
            Code c = !two ? static_cast<Code>(std::max(0, smp.mask[i])) : known ? codes[f][e] : 0;
            listout(strn(name5(d, f), -5) + " " + strn(name5(d, e), -5) + " " +
                    strp(widepattern(c)) + " " + intn(smp.mask[i], 7) + " " + intn(occ, 3));
        }
        if (two) outputextra(s, k, d);
    }
    patternlegend(s.model);
    putlin(10, "Ende des Labelings");
    putlin(10, "");
}

void outputpairs(Schedule& s, const TypeMatrix& uniqs, const Selection& unique,
                 const KemraData& d) {
    listout("Aminosaeurenpaare: c13, n15");
    std::vector<PairLine> pairs = labelpairs(s, uniqs, d);
    std::set<Code> patterns;
    int n = 0;
    for (const PairLine& p : pairs) {
        std::string pos = std::to_string(p.position);
        pos = std::string(pos.size() < 5 ? 5 - pos.size() : 0, ' ') + pos;
        pos.resize(10, ' ');
        putlin(10, intn(++n, 3) + " " + strq(typename_of(d, p.front)) + " " +
                       strq(typename_of(d, p.end)) + " " + strq(Model::word(p.code, 10)) + " " +
                       intp(p.count) + " " + strq(pos));
        patterns.insert(p.code);
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
    if (s.model.twospectra())
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            return wordbefore(pairs[static_cast<size_t>(a - 1)].code,
                              pairs[static_cast<size_t>(b - 1)].code);
        });
    else
        sortthispls(order, score);
    for (int i : order) {
        const PairLine& p = pairs[static_cast<size_t>(i - 1)];
        listout(strn(name5(d, p.front), -5) + " " + strn(name5(d, p.end), -5) + " " +
                strp(Model::word(p.code, 10)));
    }
    listout("Uniqe Pairs: " + intp(resolved));
    outputsummary(d, s);
    patternlegend(s.model);
}

void outputsequence_with_label_multiple(const std::vector<Schedule>& s, const TypeMatrix& uniqs,
                                        const KemraData& d, const LabelData& l) {
    putlin(10, "AA# Name Marker AAScore Paired with Labelpattern ");
    std::vector<CodeMatrix> codes;
    bool two = false;
    for (const Schedule& sc : s) codes.push_back(paircodes(sc)), two = two || sc.model.twospectra();
    for (int i = 1; i <= d.nr; ++i) {
        int a = d.ifira[static_cast<size_t>(i)];
        int marker = a >= 1 && static_cast<size_t>(a) < l.imarker.size() ? l.imarker[a] : 0;
        int occ = residueoccurrence(d, uniqs, i);
        double score = occ > 0 ? 1.0 / occ : 0.0;
        std::string pats;
        for (const CodeMatrix& c : codes)
            pats += " " + (i < d.nr ? Model::word(residuecode(d, c, i), 10) : std::string(10, ' '));
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
    if (two) listout(kPatternLegend);
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

void htmllines(const KemraData& d, const Schedule& s, const TypeMatrix& uniqs, std::string& seqline,
               std::string& patline) {
    constexpr size_t kLine = 2000;
    const CodeMatrix codes = paircodes(s);
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
        Code code = residuecode(d, codes, i);
        char x = Model::hnco(code) ? 'X' : Model::hsqc(code) ? 'H' : '_';
        seqline += close + open + c;
        patline += close + open + x;
    }
    if (bold) seqline += "</b>", patline += "</b>";
}
