#include "labeling/reach.h"

#include <bit>
#include <cadical.hpp>

LabelVars labelvars(const Selection& base, const TypeMatrix& uniqs, const Model& m) {
    LabelVars v;
    for (int k = 1; k <= base.count; ++k) {
        int f = base.front[static_cast<size_t>(k)], e = base.end[static_cast<size_t>(k)];
        if (f < 1 || f > kTypes || e < 1 || e > kTypes || uniqs[f][e] <= 0 || !m.shows(e)) continue;
        v.ends[static_cast<size_t>(f)] |= 1u << e;
        v.fronts[static_cast<size_t>(e)] |= 1u << f;
        v.ntypes |= 1u << e;
    }
    if (m.twospectra()) {
        v.nalone = true;
        v.ends.fill(0), v.fronts.fill(0);
        for (int f = 1; f <= kTypes; ++f)
            for (int e = 1; e <= kTypes; ++e)
                if (uniqs[f][e] > 0 && (v.ntypes >> e & 1))
                    v.ends[static_cast<size_t>(f)] |= 1u << e,
                        v.fronts[static_cast<size_t>(e)] |= 1u << f;
        for (int t = 1; t <= kTypes; ++t)
            if (v.ends[static_cast<size_t>(t)]) v.ctypes |= 1u << t;
        return v;
    }
    for (int t = 1; t <= kTypes; ++t)
        if (v.ends[static_cast<size_t>(t)]) v.ctypes |= 1u << t;
    return v;
}

void sampleclauses(const LabelVars& v, const Offer& o, const std::function<int(bool, int)>& var,
                   const std::function<void(const std::vector<int>&)>& add) {
    std::vector<int> cl;
    for (int t = 1; t <= kTypes; ++t)
        if (v.ctypes >> t & 1) {
            cl = {-var(true, t)};
            for (uint32_t b = v.ends[static_cast<size_t>(t)]; b; b &= b - 1)
                cl.push_back(var(false, std::countr_zero(b)));
            add(cl);
        }
    for (int t = 1; t <= kTypes && !v.nalone; ++t)
        if (v.ntypes >> t & 1) {
            cl = {-var(false, t)};
            for (uint32_t b = v.fronts[static_cast<size_t>(t)]; b; b &= b - 1)
                cl.push_back(var(true, std::countr_zero(b)));
            add(cl);
        }
    // A form not offered: 13C alone needs 15N beside it, 15N alone 13C, and
    // both never go together.
    for (int t = 1; t <= kTypes; ++t) {
        const uint8_t miss = o.missing[static_cast<size_t>(t)];
        const int c = v.ctypes >> t & 1 ? var(true, t) : 0;
        const int n = v.ntypes >> t & 1 ? var(false, t) : 0;
        if ((miss & kFormC) && c) add(n ? std::vector<int>{-c, n} : std::vector<int>{-c});
        if ((miss & kFormN) && n) add(c ? std::vector<int>{-n, c} : std::vector<int>{-n});
        if ((miss & kFormBoth) && c && n) add({-c, -n});
    }
}

std::array<uint32_t, kTypes + 1> showable(const LabelVars& v, const TypeMatrix& uniqs,
                                          const Model& m, const Offer& o) {
    std::array<uint32_t, kTypes + 1> out{};
    for (int f = 1; f <= kTypes; ++f)
        for (int e = 1; e <= kTypes; ++e)
            if (uniqs[f][e] > 0 && v.takespart(f, e)) out[static_cast<size_t>(f)] |= 1u << e;
    if (!o.any()) return out;
    CaDiCaL::Solver s;
    auto var = [](bool cside, int t) { return cside ? t : kTypes + t; };
    sampleclauses(v, o, var, [&](const std::vector<int>& cl) {
        for (int l : cl) s.add(l);
        s.add(0);
    });
    // 15N shows by itself in the two-spectrum model; the HNCO peak needs both.
    std::array<int, kTypes + 1> nshows{};  // per end type: 0 unknown, 1 yes, -1 no
    for (int f = 1; f <= kTypes; ++f)
        for (uint32_t b = out[static_cast<size_t>(f)]; b; b &= b - 1) {
            int e = std::countr_zero(b);
            bool yes;
            if (m.twospectra()) {
                int& known = nshows[static_cast<size_t>(e)];
                if (!known) s.assume(var(false, e)), known = s.solve() == 10 ? 1 : -1;
                yes = known > 0;
            } else {
                s.assume(var(true, f)), s.assume(var(false, e));
                yes = s.solve() == 10;
            }
            if (!yes) out[static_cast<size_t>(f)] &= ~(1u << e);
        }
    return out;
}
