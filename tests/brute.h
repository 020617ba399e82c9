// A deliberately plain reading of the definitions of resolved unique pairs
// and of the duplicate total, to check the production checks against.
#pragma once

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "labeling/pairs.h"

// Straight from the definitions: a pair shows in a sample when some entry
// labels its front type and some entry its end type.

// Peaks of sample k: the occurrences of every pair type it labels.
inline int brutepeaks(const Schedule& s, int k, const TypeMatrix& u) {
    std::array<bool, kTypes + 1> fr{}, en{};
    for (int i = 1; i <= s.samples[k].count; ++i)
        fr[s.samples[k].front[i]] = en[s.samples[k].end[i]] = true;
    int n = 0;
    for (int f = 1; f <= kTypes; ++f)
        for (int e = 1; e <= kTypes; ++e)
            if (fr[f] && en[e]) n += u[f][e];
    return n;
}

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

// The two-spectrum model read off the sequence itself: residue i (from the
// second on, not a proline) has one state per sample, '_' without 15N on its
// type, 'H' with 15N but no 13C on the type of residue i-1, 'X' with both.
// A pair type that occurs once is resolved when its word has a peak and no
// other residue that can show has the same word.
inline int brutetwospectra(const std::vector<int>& types, const Labels& l, int proline,
                           int samples) {
    std::vector<std::string> words;
    std::vector<std::pair<int, int>> pairs;
    for (size_t i = 1; i < types.size(); ++i) {
        int f = types[i - 1], e = types[i];
        if (e == proline) continue;
        std::string w;
        for (int b = 0; b < samples; ++b) {
            bool n = l.n[static_cast<size_t>(e)] >> b & 1, c = l.c[static_cast<size_t>(f)] >> b & 1;
            w += !n ? '_' : c ? 'X' : 'H';
        }
        words.push_back(w);
        pairs.emplace_back(f, e);
    }
    int resolved = 0;
    for (size_t i = 0; i < words.size(); ++i) {
        if (std::count(pairs.begin(), pairs.end(), pairs[i]) != 1) continue;
        if (words[i].find_first_not_of('_') == std::string::npos) continue;
        resolved += std::count(words.begin(), words.end(), words[i]) == 1;
    }
    return resolved;
}
