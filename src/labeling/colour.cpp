#include "labeling/colour.h"

#include <algorithm>
#include <numeric>

bool isadjacent(const Selection& base, const TypeMatrix& uniqs, int i, int j) {
    int fi = base.front[i], ei = base.end[i], fj = base.front[j], ej = base.end[j];
    return fi == fj || ei == ej || fi == ej || fj == ei || uniqs[fi][ej] > 0 || uniqs[fj][ei] > 0;
}

std::vector<int> vertex_color_suggest(const Selection& base, const TypeMatrix& uniqs) {
    int n = base.count;
    std::vector<int> order(static_cast<size_t>(n)), degree(static_cast<size_t>(n) + 1, 0);
    std::iota(order.begin(), order.end(), 1);
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j)
            if (i != j && isadjacent(base, uniqs, i, j)) ++degree[static_cast<size_t>(i)];
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return degree[static_cast<size_t>(a)] > degree[static_cast<size_t>(b)];
    });
    return order;
}

Colouring vertex_color_greedy(const Selection& base, const TypeMatrix& uniqs,
                              const std::vector<int>& order) {
    Colouring c;
    c.order = order;
    c.colour.assign(static_cast<size_t>(base.count) + 1, 0);
    std::vector<char> used;
    for (int v : order) {
        used.assign(static_cast<size_t>(c.ncolours) + 2, 0);
        for (int w = 1; w <= base.count; ++w)
            if (w != v && c.colour[static_cast<size_t>(w)] > 0 && isadjacent(base, uniqs, v, w))
                used[static_cast<size_t>(c.colour[static_cast<size_t>(w)])] = 1;
        int k = 1;
        while (used[static_cast<size_t>(k)]) ++k;
        c.colour[static_cast<size_t>(v)] = k;
        c.ncolours = std::max(c.ncolours, k);
    }
    return c;
}

std::vector<int> sortclasses(Colouring& c) {
    std::vector<int> size(static_cast<size_t>(c.ncolours) + 1, 0);
    for (size_t k = 1; k < c.colour.size(); ++k) ++size[static_cast<size_t>(c.colour[k])];
    std::vector<int> byname(static_cast<size_t>(c.ncolours));
    std::iota(byname.begin(), byname.end(), 1);
    std::stable_sort(byname.begin(), byname.end(), [&](int a, int b) {
        return size[static_cast<size_t>(a)] > size[static_cast<size_t>(b)];
    });
    std::vector<int> newname(size.size(), 0), sizes;
    for (size_t r = 0; r < byname.size(); ++r) {
        newname[static_cast<size_t>(byname[r])] = static_cast<int>(r) + 1;
        sizes.push_back(size[static_cast<size_t>(byname[r])]);
    }
    for (size_t k = 1; k < c.colour.size(); ++k)
        c.colour[k] = newname[static_cast<size_t>(c.colour[k])];
    return sizes;
}

std::vector<FullLine> fulllabeled(const Schedule& s, const TypeMatrix& uniqs, int k) {
    std::vector<FullLine> lines;
    if (k < 1 || k > kSamples) return lines;
    std::array<bool, kTypes + 1> typed{};
    const Selection& smp = s.samples[k];
    for (int i = 1; i <= smp.count; ++i) {
        if (smp.front[i] >= 1 && smp.front[i] <= kTypes) typed[smp.front[i]] = true;
        if (smp.end[i] >= 1 && smp.end[i] <= kTypes) typed[smp.end[i]] = true;
    }
    for (int f = 1; f <= kTypes; ++f)
        for (int e = 1; e <= kTypes; ++e)
            if (typed[f] && typed[e] && uniqs[f][e] > 0)
                lines.push_back({f, e, uniqs[f][e], s.schednrs[f][e],
                                 (s.schednrs[f][e] & (1 << (k - 1))) != 0});
    return lines;
}
