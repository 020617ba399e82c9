#include "labeling/model.h"

#include <bit>

long long Model::codes(int k) const {
    if (k <= 0) return 0;
    long long v = 1;
    for (int i = 0; i < k && i < 40; ++i) v *= twospectra() ? 3 : 2;
    return v - 1;
}

int Model::fewest(long long n) const {
    int k = 0;
    while (codes(k) < n && k < 40) ++k;
    return k;
}

std::string Model::word(Code c, int k) {
    std::string w;
    for (int b = 0; b < k; ++b) w += state(c, b);
    return w;
}

bool modelof(const std::string& word, int proline, Model& m) {
    m = Model();
    if (word == "hnco") return true;
    if (word != "hsqc+hnco") return false;
    m.spectra = Spectra::hsqchnco;
    if (proline >= 1 && proline <= kTypes) m.silent = 1u << proline;
    return true;
}

bool Offer::canpair(int f, int e) const {
    if (f != e) return canc(f) && cann(e);
    return !(missing[static_cast<size_t>(f)] & kFormBoth);
}

bool canshow(const Model& m, const Offer& o, int f, int e) {
    return m.twospectra() ? m.shows(e) && o.cann(e) : o.canpair(f, e);
}

int Offer::count(const Labels& l) const {
    int n = 0;
    for (int t = 1; t <= kTypes; ++t)
        n += std::popcount(needs(t, l.c[static_cast<size_t>(t)], l.n[static_cast<size_t>(t)]));
    return n;
}
