// Choices of ours: the residue number of the table is the position in the
// sequence; an occurrence count above 9 is shown as "*", as a one-digit
// field shows a number that does not fit. A two-spectrum design shows the
// state of each sample ('_', 'H', 'X') and ends with the legend.
#include "labelio/reports.h"

#include <vector>

#include "kemlang/print.h"
#include "labelio/codebook.h"
#include "molecule/kemradata.h"

namespace {

char digit(int n) { return n < 0 ? '-' : n > 9 ? '*' : static_cast<char>('0' + n); }

int occurrence(const KemraData& d, const TypeMatrix& u, int i) {
    if (i < 1 || i >= d.nr || d.irlib[i] > kTypes || d.irlib[i + 1] > kTypes) return 0;
    return u[d.irlib[i]][d.irlib[i + 1]];
}

// The Labelpattern column has room for samples 1 to 10; a design on more
// samples says which ones the column leaves out.
void hiddensamples(const CodeMatrix& codes) {
    uint32_t used = 0;
    for (int f = 1; f <= kTypes; ++f)
        for (int e = 1; e <= kTypes; ++e)
            used |= Model::hnco(codes[f][e]) | Model::hsqc(codes[f][e]);
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

std::array<int, kSamples + 1> peaks(const KemraData& d, const Schedule& s,
                                    const CodeMatrix& codes) {
    std::array<int, kSamples + 1> count{};
    for (int i = 1; i < d.nr; ++i) {
        uint32_t m = seenin(s.model, residuecode(d, codes, i));
        for (int k = 1; k <= kSamples; ++k)
            if (m & (1 << (k - 1))) ++count[k];
    }
    return count;
}

void samplestats(const KemraData& d, const Schedule& s, const CodeMatrix& codes, int& maxpeaks,
                 int& totalpeaks, int& nsamples) {
    const std::array<int, kSamples + 1> count = peaks(d, s, codes);
    maxpeaks = totalpeaks = nsamples = 0;
    for (int k = 1; k <= kSamples; ++k)
        if (count[k] > 0) nsamples = k;
    for (int k = 1; k <= nsamples; ++k) {
        maxpeaks = std::max(maxpeaks, count[k]);
        totalpeaks += count[k];
    }
}

}  // namespace

std::array<int, kSamples + 1> samplepeaks(const KemraData& d, const Schedule& s) {
    return peaks(d, s, paircodes(s));
}

void compute_sample_stats(const KemraData& d, const Schedule& s, int& maxpeaks, int& totalpeaks,
                          int& nsamples) {
    samplestats(d, s, paircodes(s), maxpeaks, totalpeaks, nsamples);
}

void outputsequence_with_label(const KemraData& d, const LabelData& lab, const Schedule& s,
                               const TypeMatrix& uniqs) {
    putlin(10, "AA# Name Marker AAScore Paired with Labelpattern ");
    const CodeMatrix codes = paircodes(s);
    std::string occ, ass, seq;
    for (int i = 1; i <= d.nr; ++i) {
        std::string name = d.rnam[i];
        name.resize(5, ' ');
        int marker =
            lab.imarker.size() > static_cast<size_t>(d.ifira[i]) ? lab.imarker[d.ifira[i]] : 0;
        Code m = residuecode(d, codes, i);
        char o = digit(occurrence(d, uniqs, i));
        std::string line =
            intn(i, 3) + " " + name + " " + intn(marker, 5) + " " + std::string(1, o) + "   ";
        if (m != 0) {
            std::string next = d.rnam[i + 1];
            next.resize(5, ' ');
            line += next + " " + Model::word(m, 10);
        }
        putlin(10, line);
        if (occ.size() < 400) occ += o, ass += m != 0 ? 'X' : '_';
        if (seq.size() < 3000) seq += d.irlib[i] <= kTypes ? onelettercode(d.irlib[i]) : 'X';
    }
    hiddensamples(codes);
    int maxpeaks = 0, total = 0, nsamples = 0;
    samplestats(d, s, codes, maxpeaks, total, nsamples);
    putlin(10, "Max:" + intn(maxpeaks, 3) + " Samples" + intn(nsamples, 3) + " Total # Peaks" +
                   intn(total, 3));
    putlin(10, "Occ.  :" + strp(occ));
    putlin(10, "Ass.  :" + strp(ass));
    putlin(10, "Seq.  :" + strp(seq));
    for (int k = 1; k <= nsamples; ++k) {
        std::string strip;
        for (int i = 1; i <= d.nr && strip.size() < 400; ++i)
            strip += Model::state(residuecode(d, codes, i), k - 1);
        putlin(10, "Smpl " + intp(k) + ":" + strp(strip));
    }
    patternlegend(s.model);
}
