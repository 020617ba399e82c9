// A deliberately plain reading of the definitions of resolved unique pairs
// and of the duplicate total, to check the production checks against.
#pragma once

#include <algorithm>
#include <vector>

#include "labeling/pairs.h"

// Straight from the definitions: a pair shows in a sample when some entry
// labels its front type and some entry its end type.

struct Brute {
    int resolved = 0, total = 0;
};
inline Brute brute(const Schedule& s, const TypeMatrix& u, int allowed) {
    std::array<std::array<int, kTypes + 1>, kTypes + 1> mask{};
    for (int k = 1; k <= s.nsamples; ++k)
        for (int f = 1; f <= kTypes; ++f)
            for (int e = 1; e <= kTypes; ++e) {
                bool fr = false, en = false;
                for (int i = 1; i <= s.samples[k].count; ++i) {
                    fr = fr || s.samples[k].front[i] == f;
                    en = en || s.samples[k].end[i] == e;
                }
                if (fr && en && u[f][e] > 0) mask[f][e] |= 1 << (k - 1);
            }
    Brute b;
    std::vector<int> groupsize(1 << kSamples, 0);
    for (int f = 1; f <= kTypes; ++f)
        for (int e = 1; e <= kTypes; ++e) {
            int m = mask[f][e];
            if (m == 0) continue;
            int j = ++groupsize[m];  // position within its mask group
            b.total += allowed * std::max(0, j - allowed);
            if (u[f][e] != 1) continue;
            bool alone = true;
            for (int g = 1; g <= kTypes; ++g)
                for (int h = 1; h <= kTypes; ++h)
                    if ((g != f || h != e) && mask[g][h] == m) alone = false;
            b.resolved += alone;
        }
    return b;
}
