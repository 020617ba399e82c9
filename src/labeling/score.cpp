// The schedule score, and the ceilings that let a build give up early.
//
// score = (1 - price term) + label term + UP x 100 / 2^n + fill term, with n
// the samples that hold an entry and UP the resolved unique pairs:
//  - The price term is the recipe's price (each type priced by its own
//    row, as the recipe prices it) over 18204 per sample (up to the
//    last sample that shows an occurring pair, or the count the caller
//    names), times priceweight. It is 0 when no sample shows an occurring
//    pair (the total price is then 0).
//  - Labelscore: a sample scores the label amount (alaba of the first atom)
//    of each residue whose type it labels with 13C or 15N; the label term is
//    their sum over the amounts of all residues, times scoreweight.
//  - (UP x 100) / 2^n is a division of reals: a sample more must double the
//    resolved pairs to pay for itself.
//  - The fill term is the number of distinct masks in the pair-sample
//    matrix over the 2^n - 1 masks there are, times fillweight.
// A schedule without samples scores 0.
//
// The ceilings bound each term from above for n samples (all of a sample's
// residues labelled, every unique pair resolved as far as 2^n - 1 masks
// allow, every mask used), and a ceiling holds for n or more samples. A
// negative weight or price leaves a term without a limit: no ceiling then.
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>

#include "labeling/labutils.h"
#include "labeling/optimise.h"
#include "labeling/optimiser.h"
#include "labeling/price.h"
#include "molecule/kemradata.h"

using optimiser::candidatelimit;
using optimiser::samplesets;

namespace {

// The label amounts of all residues: the label term's denominator.
double totallabelscore(const KemraData& d, const LabelData& l) {
    double total = 0;
    for (int i = 1; i <= d.nr && i < static_cast<int>(l.alaba.size()); ++i) total += l.alaba[i];
    return total;
}

}  // namespace

std::array<double, kSamples + 2> scoreceilings(double scoreweight, double priceweight,
                                               double fillweight, const TypeMatrix& uniqs,
                                               const KemraData& d, const LabelData& l,
                                               uint32_t cutoff) {
    std::array<double, kSamples + 2> top;
    top.fill(HUGE_VAL);
    // A negative weight or price turns a term's lower limit into no limit.
    bool negative = scoreweight < 0 || priceweight < 0 || fillweight < 0;
    for (int r = 1; r <= kTypes; ++r)
        negative = negative ||
                   (priceweight != 0 &&
                    (l.price_catoms[r] < 0 || l.price_natoms[r] < 0 || l.price_bothatoms[r] < 0));
    if (negative) return top;
    int unique = 0;
    for (int f = 1; f <= kTypes; ++f)
        for (int e = 1; e <= kTypes; ++e) unique += uniqs[f][e] == 1;
    // A sample adds at most the amounts of every residue that can carry a label.
    double samplelabel = 0;
    for (int i = 1; i <= d.nr; ++i)
        if (d.irlib[i] <= kTypes && d.ifira[i] < static_cast<int>(l.alaba.size()))
            samplelabel += std::max(0.0, l.alaba[d.ifira[i]]);
    const double totallabel = totallabelscore(d, l);
    const int most = std::bit_width(candidatelimit(cutoff));
    top[static_cast<size_t>(most) + 1] = 0;  // no schedule uses more
    for (int n = most; n >= 1; --n) {
        double c = std::ldexp(1.0, n);
        double label = totallabel > 0 ? n * samplelabel / totallabel * scoreweight : 0.0;
        double up = std::min<double>(unique, c - 1) * 100.0 / c;
        double fill = c > 1 ? c / (c - 1) * fillweight : 0.0;
        top[static_cast<size_t>(n)] =
            std::max(1 + label + up + fill, top[static_cast<size_t>(n) + 1]);
    }
    top[0] = std::max(0.0, top[1]);  // no sample: the score is 0
    return top;
}

double scoreschedule(Schedule& s, double scoreweight, double priceweight, double fillweight,
                     const TypeMatrix& uniqs, const KemraData& d, const LabelData& l,
                     int nsamples) {
    int up = chkuniqsdup(s, uniqs);  // also fills the pair-sample matrix
    int needed = 0, highest = 0;
    double price = 0, labelscore = 0;
    // The recipe's prices: each type by its own row.
    const PriceTable prices = typeprices(d, l);
    const uint32_t used = usedsamples(s);
    for (int k = 1; k <= kSamples; ++k) {
        if (used & (1u << (k - 1))) ++needed;
        uint32_t fr = 0, en = 0;
        samplesets(s, k, fr, en);
        if ((fr | en) == 0) continue;  // an empty sample adds no price and no label
        for (int t = 1; t <= kTypes; ++t) {
            bool c = fr & (1u << t), n = en & (1u << t);
            if (!c && !n) continue;
            const TypePrice& p = prices[static_cast<size_t>(t)];
            price += c && n ? p.both : c ? p.c13 : p.n15;
        }
        for (int i = 1; i <= d.nr; ++i) {
            int t = d.irlib[i];
            if (t <= kTypes && ((fr | en) & (1u << t)) &&
                d.ifira[i] < static_cast<int>(l.alaba.size()))
                labelscore += l.alaba[d.ifira[i]];
        }
    }
    std::array<int, kTypes * kTypes> values;
    size_t nvalues = 0;
    for (int f = 1; f <= kTypes; ++f)
        for (int e = 1; e <= kTypes; ++e) {
            int m = s.schednrs[f][e];
            values[nvalues++] = m;
            if (m > 0 && uniqs[f][e] > 0)
                for (int k = kSamples; k > highest; --k)
                    if (m & (1 << (k - 1))) highest = k;
        }
    std::sort(values.begin(), values.end());
    int masksused = static_cast<int>(std::unique(values.begin(), values.end()) - values.begin());
    double totalprice = 18204.0 * (nsamples > 0 ? nsamples : highest);
    double totallabel = totallabelscore(d, l);
    if (needed == 0) return 0.0;
    double c = needed >= 32 ? 0.0 : std::ldexp(1.0, needed);
    double pterm = totalprice > 0 ? price / totalprice * priceweight : 0.0;
    double lterm = totallabel > 0 ? labelscore / totallabel * scoreweight : 0.0;
    double uterm = c > 0 ? up * 100.0 / c : 0.0;
    double fterm = c > 1 ? masksused / (c - 1) * fillweight : 0.0;
    double score = (1 - pterm) + lterm + uterm + fterm;
    if (uniqueflags.verbose_output) {
        listout("------Scoring overview-------");
        listout("Number of Samples needed: " + intstr(needed));
        listout("Number of UP assigned   : " + intstr(up));
        listout("Log of UP               : " + numstr(up > 0 ? std::log2(up) : 0.0, 6));
        listout("Price of the schedule   : " + numstr(price, 8));
        listout("Number of schednrs used : " + intstr(masksused));
        listout("labelscore this schedule: " + numstr(labelscore, 8));
        listout("total labelscore of all : " + numstr(totallabel, 8));
        listout("total price of all      : " + numstr(totalprice, 8));
        listout("Overall score           : " + numstr(score, 8));
        listout("Influences:             :");
        listout("Influence of the price  : " + numstr(1 - pterm, 8));
        listout("influence of schednrs   : " + numstr(fterm, 8));
        listout("influence of labelscore : " + numstr(lterm, 8));
        listout("Influence of #UP        : " + numstr(uterm, 8));
        listout("score right now         : " + numstr(score, 8));
        listout("-----------------------------");
    }
    return score;
}
