#include "labeling/labutils.h"

#include <algorithm>
#include <numeric>

#include "labeling/pairs.h"

void sortthispls(std::vector<int>& pos, const std::vector<int>& score) {
    std::stable_sort(pos.begin(), pos.end(), [&](int a, int b) {
        return score[static_cast<size_t>(a)] > score[static_cast<size_t>(b)];
    });
}

std::vector<int> sort_by_kardinality(const TypeMatrix& uniqs) {
    std::vector<int> types(kTypes), card(kTypes + 1, 0);
    std::iota(types.begin(), types.end(), 1);
    for (int a = 1; a <= kTypes; ++a)
        for (int b = 1; b <= kTypes; ++b)
            if (uniqs[a][b] > 0) ++card[static_cast<size_t>(a)], ++card[static_cast<size_t>(b)];
    std::stable_sort(types.begin(), types.end(), [&](int a, int b) {
        return card[static_cast<size_t>(a)] > card[static_cast<size_t>(b)];
    });
    return types;
}

void convert_logical_to_labeling(const LabelTable& labels, int nsamples, Schedule& s,
                                 const TypeMatrix& uniqs) {
    for (int k = 1; k <= nsamples && k <= kSamples && k < static_cast<int>(labels.size()); ++k)
        for (int f = 1; f <= kTypes; ++f)
            for (int e = 1; e <= kTypes; ++e)
                if (labels[static_cast<size_t>(k)][static_cast<size_t>(f)][0] &&
                    labels[static_cast<size_t>(k)][static_cast<size_t>(e)][1] && uniqs[f][e] > 0)
                    addentry(s.samples[k], f, e, 0);
    s.nsamples = nsamples;
    s.maxfront = s.maxend = kTypes;
}
