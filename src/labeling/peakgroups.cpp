// Grouping the peaks of all samples by position.
//
// Every residue that shows puts its peaks, in each sample, at its own
// 1H/15N position, moved by the scatter of the measurement. The grouping
// has to recover those positions from the union of all peak lists, where
// the amides of a crowded spectrum lie closer together than the user's
// tolerances.
//
// It works in three steps:
//  - link: two peaks within twice the tolerances of each other (each may lie
//    one tolerance from its residue) belong to one cluster, and so does
//    everything linked through them. A cluster holds every peak that could
//    belong with any of its peaks; clusters never share a residue.
//  - measure the scatter: in clusters that are plainly one residue (no two
//    peaks of one spectrum in a sample, within twice the tolerances), the
//    peaks' deviations from their centre give the scatter of the lists, as
//    a robust standard deviation (from the median deviation, so that a few
//    merged residues do not inflate it). A residue's peaks then lie within
//    a few standard deviations of each other: that is the radius. It is
//    never wider than the link distance, and never finer than an eighth of
//    it, whatever the lists claim. With too few clean clusters to measure,
//    the radius is the link distance, and grouping is as cautious as the
//    tolerances alone allow.
//  - split: a cluster that holds two peaks of one spectrum in a sample, or
//    spans more than one radius where the radius is at most half the link
//    distance, is parted by complete linkage: the two
//    parts whose union spans the least are joined while it spans at most
//    one radius and they share no spectrum of a sample. Parts that no clear
//    gap separates (the nearest peaks of the two lie within the larger
//    part's own spread plus half a radius) are joined again: when positions
//    are that close the partition is a guess, and the group is refused
//    downstream if it holds two peaks of one spectrum in a sample.
// Finally, scatter wider than the link distance can part one residue's
// peaks into two clusters that share no spectrum of a sample: such
// fragments are joined, nearest first, while their centres lie within one
// and a half radii. With precise lists the radius is small and no fragment
// can arise.
#include <algorithm>
#include <cmath>
#include <numeric>
#include <unordered_map>

#include "labeling/decode.h"

namespace decoding {

namespace {

// Tuning of the grouping, one row per constant.
constexpr double kSpread = 5;          // standard deviations a residue's peaks span
constexpr double kFinest = 0.125;      // the finest radius, as a share of the link distance
constexpr int kMeasured = 20;          // deviations needed to trust the measured scatter
constexpr double kGap = 0.5;           // radii between parts that are told apart
constexpr double kFragments = 1.5;     // radii between fragments joined as one residue
constexpr double kPlainSplit = 0.5;    // the widest radius, of the link distance, that parts a
                                       // cluster without a clash
constexpr size_t kLargestSplit = 300;  // peaks of the largest cluster parted

struct Sets {
    std::vector<int> up;
    explicit Sets(size_t n) : up(n) { std::iota(up.begin(), up.end(), 0); }
    int find(int i) {
        while (up[static_cast<size_t>(i)] != i) {
            up[static_cast<size_t>(i)] = up[static_cast<size_t>(up[static_cast<size_t>(i)])];
            i = up[static_cast<size_t>(i)];
        }
        return i;
    }
    void join(int a, int b) { up[static_cast<size_t>(find(a))] = find(b); }
};

bool used(const Peak& p, const CodeBook& book) {
    return p.sample >= 1 && p.sample <= book.nsamples &&
           (p.spectrum == Spectrum::hnco || book.hsqc);
}

// Peaks with their extent: the box they span and the spectra they fill.
struct Part {
    std::vector<int> peaks;
    double h0 = INFINITY, h1 = -INFINITY, n0 = INFINITY, n1 = -INFINITY;
    double h = 0, n = 0;  // centre
    Code filled = 0;
    bool clash = false;  // two peaks of one spectrum in a sample
    void add(const Peak& p, int i) {
        peaks.push_back(i);
        h0 = std::min(h0, p.h), h1 = std::max(h1, p.h);
        n0 = std::min(n0, p.n), n1 = std::max(n1, p.n);
        clash |= (filled & slot(p)) != 0;
        filled |= slot(p);
    }
    void centre(const std::vector<Peak>& all) {
        h = n = 0;
        for (int i : peaks) h += all[static_cast<size_t>(i)].h, n += all[static_cast<size_t>(i)].n;
        h /= static_cast<double>(peaks.size()), n /= static_cast<double>(peaks.size());
    }
};

struct Radius {
    double h, n;
    double span(double dh, double dn) const { return std::max(dh / h, dn / n); }
};

// The radius of a scatter of standard deviations sh, sn.
Radius radius(const Scatter& s, const Tolerance& tol) {
    const double h = 2 * tol.h, n = 2 * tol.n;
    if (!s.measured) return {h, n};
    return {std::clamp(kSpread * s.h, kFinest * h, h), std::clamp(kSpread * s.n, kFinest * n, n)};
}

Part partof(const std::vector<Peak>& peaks, const std::vector<int>& idx) {
    Part p;
    for (int i : idx) p.add(peaks[static_cast<size_t>(i)], i);
    p.centre(peaks);
    return p;
}

// The scatter of the clusters that are plainly one residue.
Scatter measure(const std::vector<Peak>& peaks, const std::vector<Part>& clusters,
                const Tolerance& tol) {
    const Radius link{2 * tol.h, 2 * tol.n};
    std::vector<double> dh, dn;
    for (const Part& c : clusters) {
        const size_t m = c.peaks.size();
        if (m < 2 || c.clash || c.h1 - c.h0 > link.h || c.n1 - c.n0 > link.n) continue;
        const double unbias = std::sqrt(static_cast<double>(m) / static_cast<double>(m - 1));
        for (int i : c.peaks) {
            dh.push_back(std::fabs(peaks[static_cast<size_t>(i)].h - c.h) * unbias);
            dn.push_back(std::fabs(peaks[static_cast<size_t>(i)].n - c.n) * unbias);
        }
    }
    if (dh.size() < static_cast<size_t>(kMeasured)) return {};
    auto sigma = [](std::vector<double>& d) {
        std::nth_element(d.begin(), d.begin() + static_cast<std::ptrdiff_t>(d.size() / 2), d.end());
        return d[d.size() / 2] / 0.6745;  // median |x| of a normal deviate is 0.6745 sigma
    };
    return {sigma(dh), sigma(dn), true};
}

// Parts a cluster into the positions it holds (see the header).
std::vector<std::vector<int>> split(const std::vector<Peak>& peaks, const Part& cluster,
                                    const Radius& r, const Radius& link) {
    // Without a clash, only a scatter well inside the link distance tells
    // positions apart: a scatter measured a little low would part one
    // residue's peaks.
    if (cluster.peaks.size() < 2 || cluster.peaks.size() > kLargestSplit ||
        (!cluster.clash && (r.span(cluster.h1 - cluster.h0, cluster.n1 - cluster.n0) <= 1 ||
                            r.h > kPlainSplit * link.h || r.n > kPlainSplit * link.n)))
        return {cluster.peaks};
    std::vector<Part> parts;
    for (int i : cluster.peaks) parts.push_back(partof(peaks, {i}));
    for (;;) {
        double best = INFINITY;
        size_t ba = 0, bb = 0;
        for (size_t a = 0; a < parts.size(); ++a)
            for (size_t b = a + 1; b < parts.size(); ++b) {
                const Part &x = parts[a], &y = parts[b];
                if (x.filled & y.filled) continue;
                const double s = r.span(std::max(x.h1, y.h1) - std::min(x.h0, y.h0),
                                        std::max(x.n1, y.n1) - std::min(x.n0, y.n0));
                if (s <= 1 && s < best) best = s, ba = a, bb = b;
            }
        if (best == INFINITY) break;
        for (int i : parts[bb].peaks) parts[ba].add(peaks[static_cast<size_t>(i)], i);
        parts.erase(parts.begin() + static_cast<std::ptrdiff_t>(bb));
    }
    // Parts without a clear gap between them are one guess: join them again.
    Sets same(parts.size());
    for (size_t a = 0; a < parts.size(); ++a)
        for (size_t b = a + 1; b < parts.size(); ++b) {
            const Part &x = parts[a], &y = parts[b];
            const double spread =
                std::max(r.span(x.h1 - x.h0, x.n1 - x.n0), r.span(y.h1 - y.h0, y.n1 - y.n0));
            double gap = INFINITY;
            for (int i : x.peaks)
                for (int j : y.peaks) {
                    const Peak &p = peaks[static_cast<size_t>(i)],
                               &q = peaks[static_cast<size_t>(j)];
                    gap = std::min(gap, r.span(std::fabs(p.h - q.h), std::fabs(p.n - q.n)));
                }
            if (gap <= spread + kGap) same.join(static_cast<int>(a), static_cast<int>(b));
        }
    std::vector<std::vector<int>> out;
    std::unordered_map<int, size_t> at;
    for (size_t a = 0; a < parts.size(); ++a) {
        auto [it, fresh] = at.emplace(same.find(static_cast<int>(a)), out.size());
        if (fresh) out.emplace_back();
        auto& to = out[it->second];
        to.insert(to.end(), parts[a].peaks.begin(), parts[a].peaks.end());
    }
    return out;
}

// The observed code of a group, its risks and notes.
void judge(Group& g, const std::vector<Peak>& peaks, const Tolerance& tol, const CodeBook& book) {
    std::vector<int> hsqcs(static_cast<size_t>(book.nsamples) + 1),
        hncos(static_cast<size_t>(book.nsamples) + 1);
    std::vector<double> cs;
    double csum = 0;
    for (int i : g.peaks) {
        const Peak& p = peaks[static_cast<size_t>(i)];
        g.code |= shown(p, book.hsqc);
        if (p.spectrum == Spectrum::hnco) {
            ++hncos[static_cast<size_t>(p.sample)];
            cs.push_back(p.c), csum += p.c;
        } else {
            ++hsqcs[static_cast<size_t>(p.sample)];
        }
    }
    if (!cs.empty()) g.c = csum / static_cast<double>(cs.size());
    auto add = [](std::string& to, const std::string& what) {
        to += (to.empty() ? "" : "; ") + what;
    };
    for (int k = 1; k <= book.nsamples; ++k) {
        if (hncos[static_cast<size_t>(k)] > 1)
            add(g.risk, std::to_string(hncos[static_cast<size_t>(k)]) + " HNCO peaks in sample " +
                            std::to_string(k));
        if (hsqcs[static_cast<size_t>(k)] > 1)
            add(g.risk, std::to_string(hsqcs[static_cast<size_t>(k)]) + " HSQC peaks in sample " +
                            std::to_string(k));
        if (book.hsqc && hncos[static_cast<size_t>(k)] && !hsqcs[static_cast<size_t>(k)])
            add(g.note, "HNCO peak without HSQC peak in sample " + std::to_string(k));
    }
    // Two carbonyls show as a gap between the 13C shifts; noise spreads
    // them without one.
    std::sort(cs.begin(), cs.end());
    for (size_t i = 1; i < cs.size(); ++i)
        if (cs[i] - cs[i - 1] > 2 * tol.c) {
            char text[96];
            std::snprintf(text, sizeof text, "13C shifts %.2f and %.2f ppm", cs[i - 1], cs[i]);
            add(g.risk, text);
            break;
        }
}

}  // namespace

std::vector<Group> matchpeaks(const std::vector<Peak>& peaks, const Tolerance& tol,
                              const CodeBook& book, Scatter* scatter) {
    Sets sets(peaks.size());
    // Cells of the link distance: linked peaks lie in neighbouring cells.
    std::unordered_map<int64_t, std::vector<int>> cells;
    auto key = [](int64_t x, int64_t y) { return x * 4000037 + y; };
    for (size_t i = 0; i < peaks.size(); ++i) {
        if (!used(peaks[i], book)) continue;
        const auto x = static_cast<int64_t>(std::floor(peaks[i].h / (2 * tol.h)));
        const auto y = static_cast<int64_t>(std::floor(peaks[i].n / (2 * tol.n)));
        for (int64_t dx = -1; dx <= 1; ++dx)
            for (int64_t dy = -1; dy <= 1; ++dy) {
                auto it = cells.find(key(x + dx, y + dy));
                if (it == cells.end()) continue;
                for (int j : it->second) {
                    const Peak& q = peaks[static_cast<size_t>(j)];
                    if (std::fabs(q.h - peaks[i].h) <= 2 * tol.h &&
                        std::fabs(q.n - peaks[i].n) <= 2 * tol.n)
                        sets.join(static_cast<int>(i), j);
                }
            }
        cells[key(x, y)].push_back(static_cast<int>(i));
    }
    std::vector<Part> clusters;
    {
        std::unordered_map<int, size_t> at;
        std::vector<std::vector<int>> members;
        for (size_t i = 0; i < peaks.size(); ++i) {
            if (!used(peaks[i], book)) continue;
            auto [it, fresh] = at.emplace(sets.find(static_cast<int>(i)), members.size());
            if (fresh) members.emplace_back();
            members[it->second].push_back(static_cast<int>(i));
        }
        for (const auto& m : members) clusters.push_back(partof(peaks, m));
    }
    Scatter sc = measure(peaks, clusters, tol);
    const Radius r = radius(sc, tol);
    sc.reachh = r.h, sc.reachn = r.n;
    if (scatter) *scatter = sc;

    std::vector<Part> parts;
    std::vector<size_t> from;  // the cluster of each part
    for (size_t c = 0; c < clusters.size(); ++c)
        for (auto& idx : split(peaks, clusters[c], r, {2 * tol.h, 2 * tol.n})) {
            parts.push_back(partof(peaks, idx));
            from.push_back(c);
        }
    // Fragments of one residue in different clusters, nearest first.
    struct Near {
        double d;
        size_t a, b;
    };
    std::vector<Near> near;
    for (size_t a = 0; a < parts.size(); ++a)
        for (size_t b = a + 1; b < parts.size(); ++b) {
            const double dh = std::fabs(parts[a].h - parts[b].h) / r.h,
                         dn = std::fabs(parts[a].n - parts[b].n) / r.n;
            if (from[a] != from[b] && dh <= kFragments && dn <= kFragments &&
                !(parts[a].filled & parts[b].filled))
                near.push_back({dh * dh + dn * dn, a, b});
        }
    std::stable_sort(near.begin(), near.end(),
                     [](const Near& x, const Near& y) { return x.d < y.d; });
    Sets frag(parts.size());
    std::vector<Code> filled(parts.size());
    for (size_t a = 0; a < parts.size(); ++a) filled[a] = parts[a].filled;
    for (const Near& x : near) {
        const int a = frag.find(static_cast<int>(x.a)), b = frag.find(static_cast<int>(x.b));
        if (a == b || (filled[static_cast<size_t>(a)] & filled[static_cast<size_t>(b)])) continue;
        frag.join(a, b);
        filled[static_cast<size_t>(frag.find(a))] =
            filled[static_cast<size_t>(a)] | filled[static_cast<size_t>(b)];
    }
    std::vector<Group> groups;
    {
        std::unordered_map<int, size_t> at;
        for (size_t a = 0; a < parts.size(); ++a) {
            auto [it, fresh] = at.emplace(frag.find(static_cast<int>(a)), groups.size());
            if (fresh) groups.emplace_back();
            auto& to = groups[it->second].peaks;
            to.insert(to.end(), parts[a].peaks.begin(), parts[a].peaks.end());
        }
    }
    for (Group& g : groups) {
        std::stable_sort(g.peaks.begin(), g.peaks.end(), [&](int a, int b) {
            return peaks[static_cast<size_t>(a)].sample < peaks[static_cast<size_t>(b)].sample;
        });
        const Part p = partof(peaks, g.peaks);
        g.h = p.h, g.n = p.n;
        judge(g, peaks, tol, book);
    }
    // In the order of the spectrum, amide protons downfield first.
    std::stable_sort(groups.begin(), groups.end(), [](const Group& a, const Group& b) {
        return a.h != b.h ? a.h > b.h : a.n > b.n;
    });
    return groups;
}

}  // namespace decoding
