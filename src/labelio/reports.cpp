// Choices of ours: the residue number of the table is the position in the
// sequence; an occurrence count above 9 is shown as "*", as a one-digit
// field shows a number that does not fit.
#include "labelio/reports.h"

#include <vector>

#include "kemlang/print.h"
#include "molecule/kemradata.h"

namespace {

int pairmask(const KemraData& d, const Schedule& s, int i) {
    if (i < 1 || i >= d.nr) return 0;
    int f = d.irlib[i], e = d.irlib[i + 1];
    return f <= kTypes && e <= kTypes ? s.schednrs[f][e] : 0;
}

char digit(int n) { return n < 0 ? '-' : n > 9 ? '*' : static_cast<char>('0' + n); }

int occurrence(const KemraData& d, const TypeMatrix& u, int i) {
    if (i < 1 || i >= d.nr || d.irlib[i] > kTypes || d.irlib[i + 1] > kTypes) return 0;
    return u[d.irlib[i]][d.irlib[i + 1]];
}

// The Labelpattern column has room for samples 1 to 10; a design on more
// samples says which ones the column leaves out.
void hiddensamples(const Schedule& s) {
    int used = 0;
    for (int f = 1; f <= kTypes; ++f)
        for (int e = 1; e <= kTypes; ++e) used |= s.schednrs[f][e];
    std::vector<int> hidden;
    for (int k = 11; k <= kSamples; ++k)
        if (used & (1 << (k - 1))) hidden.push_back(k);
    if (hidden.empty()) return;
    std::string list;
    for (size_t i = 0; i < hidden.size(); ++i)
        list += (i == 0 ? "" : i + 1 == hidden.size() ? " and " : ", ") + std::to_string(hidden[i]);
    putlin(2, std::string(hidden.size() == 1 ? "Sample " : "Samples ") + strp(list) +
                  (hidden.size() == 1 ? " is" : " are") +
                  " not shown in the Labelpattern column; writereport shows them all.");
}

}  // namespace

void compute_sample_stats(const KemraData& d, const Schedule& s, int& maxpeaks, int& totalpeaks,
                          int& nsamples) {
    std::array<int, kSamples + 1> count{};
    for (int i = 1; i < d.nr; ++i) {
        int m = pairmask(d, s, i);
        for (int k = 1; k <= kSamples; ++k)
            if (m & (1 << (k - 1))) ++count[k];
    }
    maxpeaks = totalpeaks = nsamples = 0;
    for (int k = 1; k <= kSamples; ++k)
        if (count[k] > 0) nsamples = k;
    for (int k = 1; k <= nsamples; ++k) {
        maxpeaks = std::max(maxpeaks, count[k]);
        totalpeaks += count[k];
    }
}

void outputsequence_with_label(const KemraData& d, const LabelData& lab, const Schedule& s,
                               const TypeMatrix& uniqs) {
    putlin(10, "AA# Name Marker AAScore Paired with Labelpattern ");
    std::string occ, ass, seq;
    for (int i = 1; i <= d.nr; ++i) {
        std::string name = d.rnam[i];
        name.resize(5, ' ');
        int marker =
            lab.imarker.size() > static_cast<size_t>(d.ifira[i]) ? lab.imarker[d.ifira[i]] : 0;
        int m = pairmask(d, s, i);
        char o = digit(occurrence(d, uniqs, i));
        std::string line =
            intn(i, 3) + " " + name + " " + intn(marker, 5) + " " + std::string(1, o) + "   ";
        if (m != 0) {
            std::string next = d.rnam[i + 1];
            next.resize(5, ' ');
            line += next + " " + binarytotext(m);
        }
        putlin(10, line);
        if (occ.size() < 400) occ += o, ass += m != 0 ? 'X' : '_';
        if (seq.size() < 3000) seq += d.irlib[i] <= kTypes ? onelettercode(d.irlib[i]) : 'X';
    }
    hiddensamples(s);
    int maxpeaks = 0, total = 0, nsamples = 0;
    compute_sample_stats(d, s, maxpeaks, total, nsamples);
    putlin(10, "Max:" + intn(maxpeaks, 3) + " Samples" + intn(nsamples, 3) + " Total # Peaks" +
                   intn(total, 3));
    putlin(10, "Occ.  :" + strp(occ));
    putlin(10, "Ass.  :" + strp(ass));
    putlin(10, "Seq.  :" + strp(seq));
    for (int k = 1; k <= nsamples; ++k) {
        std::string strip;
        for (int i = 1; i <= d.nr && strip.size() < 400; ++i)
            strip += pairmask(d, s, i) & (1 << (k - 1)) ? 'X' : '_';
        putlin(10, "Smpl " + intp(k) + ":" + strp(strip));
    }
}
