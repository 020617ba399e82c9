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

// The two-spectrum model read off the chain: residue i (type e, after type
// f) in sample s gives nothing without 15N on e, an HSQC peak alone with it
// but without 13C on f, both peaks with both; proline gives nothing. A
// residue is resolved when its pair occurs once in the chain, its word of
// states is not all nothing, and no other residue has the same word.
inline int brutecodes(const std::vector<int>& chain, const Labels& l, int k, int proline) {
    std::vector<std::vector<int>> words;
    std::vector<std::pair<int, int>> pairs;
    for (size_t i = 1; i < chain.size(); ++i) {
        int f = chain[i - 1], e = chain[i];
        std::vector<int> w(static_cast<size_t>(k), 0);
        for (int s = 0; s < k && e != proline; ++s)
            if (l.n[e] >> s & 1) w[static_cast<size_t>(s)] = l.c[f] >> s & 1 ? 2 : 1;
        words.push_back(w);
        pairs.push_back({f, e});
    }
    int resolved = 0;
    for (size_t i = 0; i < words.size(); ++i) {
        if (std::count(pairs.begin(), pairs.end(), pairs[i]) != 1) continue;
        if (std::count(words[i].begin(), words[i].end(), 0) == k) continue;
        resolved += std::count(words.begin(), words.end(), words[i]) == 1;
    }
    return resolved;
}
