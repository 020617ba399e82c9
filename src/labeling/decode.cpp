// Decoding grouped peaks: the code book, and the matching of groups to
// residues that decides which assignments are forced.
//
// The matching: a group may be any residue whose code contains the group's
// observed code (peaks are lost, not gained). A maximum matching pairs
// groups with distinct residues. Groups left over, and every group an
// alternating path from them reaches, compete for too few residues: all of
// them are ambiguous. A matched pair (g, r) is forced when no alternating
// path leads from g to a residue no group holds and no alternating cycle
// passes through it (Tarjan's components of the directed graph: group to
// candidate residue, residue to its matched group); then every matching
// that places all groups places g on r.
#include "labeling/decode.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <functional>
#include <map>

namespace decoding {

namespace {

uint32_t bit(int sample) { return 1u << (sample - 1); }

bool within(Code got, Code want) { return (got & ~want) == 0; }

// Maximum matching of groups to candidate residues (augmenting paths;
// exact candidates come first, so most groups match on the first try).
struct Matching {
    std::vector<int> ofgroup, ofresidue;  // -1 / 0: unmatched
};

Matching match(const std::vector<std::vector<int>>& cand, int nres) {
    Matching m;
    m.ofgroup.assign(cand.size(), -1);
    m.ofresidue.assign(static_cast<size_t>(nres) + 1, -1);
    std::vector<int> seen(static_cast<size_t>(nres) + 1, -1);
    std::function<bool(int, int)> augment = [&](int g, int stamp) {
        for (int r : cand[static_cast<size_t>(g)]) {
            if (seen[static_cast<size_t>(r)] == stamp) continue;
            seen[static_cast<size_t>(r)] = stamp;
            int h = m.ofresidue[static_cast<size_t>(r)];
            if (h < 0 || augment(h, stamp)) {
                m.ofresidue[static_cast<size_t>(r)] = g, m.ofgroup[static_cast<size_t>(g)] = r;
                return true;
            }
        }
        return false;
    };
    for (size_t g = 0; g < cand.size(); ++g) augment(static_cast<int>(g), static_cast<int>(g));
    return m;
}

// Strongly connected components of the alternating graph: nodes 0..G-1 are
// groups, G+r residue r.
std::vector<int> components(const std::vector<std::vector<int>>& cand, const Matching& m,
                            int nres) {
    const int ng = static_cast<int>(cand.size()), nodes = ng + nres + 1;
    auto next = [&](int v, std::vector<int>& out) {
        out.clear();
        if (v < ng) {
            for (int r : cand[static_cast<size_t>(v)])
                if (m.ofgroup[static_cast<size_t>(v)] != r) out.push_back(ng + r);
        } else if (int g = m.ofresidue[static_cast<size_t>(v - ng)]; g >= 0) {
            out.push_back(g);
        }
    };
    std::vector<int> index(static_cast<size_t>(nodes), -1), low(static_cast<size_t>(nodes)),
        comp(static_cast<size_t>(nodes), -1), stack;
    std::vector<bool> on(static_cast<size_t>(nodes));
    int counter = 0, ncomp = 0;
    // Iterative Tarjan: frames of (node, successors, position).
    struct Frame {
        int v;
        std::vector<int> succ;
        size_t at;
    };
    for (int s = 0; s < nodes; ++s) {
        if (index[static_cast<size_t>(s)] >= 0) continue;
        std::vector<Frame> frames;
        frames.push_back({s, {}, 0});
        next(s, frames.back().succ);
        index[static_cast<size_t>(s)] = low[static_cast<size_t>(s)] = counter++;
        stack.push_back(s), on[static_cast<size_t>(s)] = true;
        while (!frames.empty()) {
            Frame& f = frames.back();
            if (f.at < f.succ.size()) {
                int w = f.succ[f.at++];
                if (index[static_cast<size_t>(w)] < 0) {
                    index[static_cast<size_t>(w)] = low[static_cast<size_t>(w)] = counter++;
                    stack.push_back(w), on[static_cast<size_t>(w)] = true;
                    frames.push_back({w, {}, 0});
                    next(w, frames.back().succ);
                } else if (on[static_cast<size_t>(w)]) {
                    low[static_cast<size_t>(f.v)] =
                        std::min(low[static_cast<size_t>(f.v)], index[static_cast<size_t>(w)]);
                }
                continue;
            }
            int v = f.v;
            if (low[static_cast<size_t>(v)] == index[static_cast<size_t>(v)]) {
                int w;
                do {
                    w = stack.back();
                    stack.pop_back();
                    on[static_cast<size_t>(w)] = false;
                    comp[static_cast<size_t>(w)] = ncomp;
                } while (w != v);
                ++ncomp;
            }
            frames.pop_back();
            if (!frames.empty())
                low[static_cast<size_t>(frames.back().v)] = std::min(
                    low[static_cast<size_t>(frames.back().v)], low[static_cast<size_t>(v)]);
        }
    }
    return comp;
}

// The residues whose peaks no group is known to hold: all but those whose
// code as many plain groups show as residues have it, and those an
// overlapped group can hold (their codes lie in its code, and per spectrum
// of a sample it has peaks enough for all of them).
std::vector<int> unplaced(const std::vector<Group>& groups, const std::vector<Peak>& peaks,
                          const CodeBook& book) {
    const int nres = book.residues();
    std::map<Code, int> shown, given;
    for (const Group& g : groups)
        if (g.risk.empty()) ++shown[g.code];
    for (int r = 1; r <= nres; ++r) ++given[book.code(r)];
    std::vector<bool> placed(static_cast<size_t>(nres) + 1);
    for (int r = 1; r <= nres; ++r)
        placed[static_cast<size_t>(r)] = shown[book.code(r)] >= given[book.code(r)];
    std::vector<bool> held(placed);
    for (const Group& o : groups) {
        if (o.risk.empty()) continue;
        int room[64] = {}, need[64] = {};
        for (int i : o.peaks) ++room[std::countr_zero(slot(peaks[static_cast<size_t>(i)]))];
        std::vector<int> in;
        for (int r = 1; r <= nres; ++r) {
            const Code c = book.code(r);
            if (c == 0 || placed[static_cast<size_t>(r)] || !within(c, o.code)) continue;
            in.push_back(r);
            for (int b = 0; b < 64; ++b) need[b] += (c >> b) & 1;
        }
        bool fits = true;
        for (int b = 0; b < 64; ++b) fits &= need[b] <= room[b];
        if (fits)
            for (int r : in) held[static_cast<size_t>(r)] = true;
    }
    std::vector<int> out;
    for (int r = 1; r <= nres; ++r)
        if (book.code(r) != 0 && !held[static_cast<size_t>(r)]) out.push_back(r);
    return out;
}

}  // namespace

Forcing forcing(const std::vector<std::vector<int>>& cand, int nres) {
    const int ng = static_cast<int>(cand.size());
    const Matching m = match(cand, nres);
    const std::vector<int> comp = components(cand, m, nres);
    Forcing f;
    f.residue.assign(cand.size(), 0);
    f.crowded.assign(cand.size(), false);
    f.holder = m.ofresidue;

    // Residues that index the groups holding them as candidates.
    std::vector<std::vector<int>> holders(static_cast<size_t>(nres) + 1);
    for (int g = 0; g < ng; ++g)
        for (int r : cand[static_cast<size_t>(g)]) holders[static_cast<size_t>(r)].push_back(g);
    // Groups that reach a residue no group holds: they could move there.
    std::vector<bool> canmove(static_cast<size_t>(ng)), seenres(static_cast<size_t>(nres) + 1);
    std::vector<int> queue;
    for (int r = 1; r <= nres; ++r)
        if (m.ofresidue[static_cast<size_t>(r)] < 0)
            queue.push_back(r), seenres[static_cast<size_t>(r)] = true;
    while (!queue.empty()) {
        int r = queue.back();
        queue.pop_back();
        for (int g : holders[static_cast<size_t>(r)]) {
            if (canmove[static_cast<size_t>(g)] || m.ofgroup[static_cast<size_t>(g)] == r) continue;
            canmove[static_cast<size_t>(g)] = true;
            int to = m.ofgroup[static_cast<size_t>(g)];
            if (to > 0 && !seenres[static_cast<size_t>(to)])
                seenres[static_cast<size_t>(to)] = true, queue.push_back(to);
        }
    }
    // Groups left over, and those they can push out: too many for too few.
    for (int g = 0; g < ng; ++g) {
        if (cand[static_cast<size_t>(g)].empty() || m.ofgroup[static_cast<size_t>(g)] > 0) continue;
        std::vector<int> walk{g};
        f.crowded[static_cast<size_t>(g)] = true;
        while (!walk.empty()) {
            int h = walk.back();
            walk.pop_back();
            for (int r : cand[static_cast<size_t>(h)]) {
                int o = m.ofresidue[static_cast<size_t>(r)];
                if (o >= 0 && !f.crowded[static_cast<size_t>(o)])
                    f.crowded[static_cast<size_t>(o)] = true, walk.push_back(o);
            }
        }
    }
    for (int g = 0; g < ng; ++g) {
        const int r = m.ofgroup[static_cast<size_t>(g)];
        if (r > 0 && !f.crowded[static_cast<size_t>(g)] && !canmove[static_cast<size_t>(g)] &&
            comp[static_cast<size_t>(g)] != comp[static_cast<size_t>(ng + r)])
            f.residue[static_cast<size_t>(g)] = r;
    }
    return f;
}

CodeBook codebook(const std::vector<int>& types, const Labels& l, int nsamples, bool hsqc,
                  int proline) {
    CodeBook b;
    b.nsamples = nsamples, b.hsqc = hsqc;
    b.full.assign(types.size(), 0);
    const uint32_t in = nsamples >= 32 ? ~0u : (1u << nsamples) - 1;
    for (size_t i = 2; i < types.size(); ++i) {
        int f = types[i - 1], e = types[i];
        if (f < 1 || f > kTypes || e < 1 || e > kTypes || e == proline) continue;
        uint32_t n = l.n[static_cast<size_t>(e)] & in, c = l.c[static_cast<size_t>(f)] & in;
        b.full[i] = static_cast<Code>(n) << 32 | (c & n);
    }
    return b;
}

int distance(Code a, Code b, int nsamples) {
    int d = 0;
    for (int k = 0; k < nsamples; ++k) d += Model::state(a, k) != Model::state(b, k);
    return d;
}

std::string difference(Code got, Code want, int nsamples, bool hsqc) {
    std::string out;
    for (int k = 0; k < nsamples; ++k) {
        const uint32_t b = 1u << k;
        const bool ghn = Model::hnco(got) & b, whn = Model::hnco(want) & b;
        const bool ghs = Model::hsqc(got) & b, whs = Model::hsqc(want) & b;
        std::string what;
        if (whn && !ghn) what = "HNCO peak missing";
        if (!whn && ghn) what = "extra HNCO peak";
        if (hsqc && whs && !ghs && !(ghn && !whn))
            what += (what.empty() ? "" : ", ") + std::string("HSQC peak missing");
        if (hsqc && !whs && ghs && !ghn)
            what += (what.empty() ? "" : ", ") + std::string("extra HSQC peak");
        if (what.empty()) continue;
        out += (out.empty() ? "" : "; ") + what + " in sample " + std::to_string(k + 1);
    }
    return out;
}

const char* verdictname(Verdict v) {
    switch (v) {
        case Verdict::sure:
            return "sure";
        case Verdict::likely:
            return "likely";
        case Verdict::ambiguous:
            return "ambiguous";
        case Verdict::shared:
            return "shared";
        case Verdict::nocode:
            return "no code";
    }
    return "";
}

Decoding decode(const CodeBook& book, const std::vector<Peak>& peaks, const Tolerance& tol,
                const std::function<std::string(int)>& name) {
    auto who = [&](int r) { return name ? name(r) : "residue " + std::to_string(r); };
    Decoding d;
    d.groups = matchpeaks(peaks, tol, book, &d.scatter);
    const int nres = book.residues(), ng = static_cast<int>(d.groups.size());
    d.assignments.resize(static_cast<size_t>(ng));

    std::vector<Code> exactcodes;
    for (int r = 1; r <= nres; ++r)
        if (book.code(r)) exactcodes.push_back(book.code(r));
    std::sort(exactcodes.begin(), exactcodes.end());
    auto isacode = [&](Code c) {
        return std::binary_search(exactcodes.begin(), exactcodes.end(), c);
    };
    const int lost = tol.lost;

    // Candidates of every group that could be one residue: exact codes first.
    std::vector<std::vector<int>> cand(static_cast<size_t>(ng));
    for (int g = 0; g < ng; ++g) {
        const Group& gr = d.groups[static_cast<size_t>(g)];
        if (!gr.risk.empty() || gr.code == 0) continue;
        auto& c = cand[static_cast<size_t>(g)];
        for (int r = 1; r <= nres; ++r)
            if (book.code(r) == gr.code) c.push_back(r);
        for (int r = 1; r <= nres; ++r)
            if (book.code(r) != 0 && book.code(r) != gr.code && within(gr.code, book.code(r)) &&
                distance(gr.code, book.code(r), book.nsamples) <= lost)
                c.push_back(r);
    }
    const Forcing fr = forcing(cand, nres);
    const std::vector<int> free = unplaced(d.groups, peaks, book);
    // Could the code be two residues that no group accounts for, overlapped
    // (with a peak lost, where losses are allowed)?
    auto overlapped = [&](Code c, int r, std::string& why) {
        for (size_t i = 0; i < free.size(); ++i) {
            const Code a = book.code(free[i]);
            if (free[i] == r || !(a & c)) continue;
            for (size_t j = i + 1; j < free.size(); ++j) {
                const Code b = book.code(free[j]);
                if (free[j] == r || !within(c, a | b) || within(c, a) || within(c, b) ||
                    distance(c, a | b, book.nsamples) > std::min(lost, 1))
                    continue;
                why = "could be " + who(free[i]) + " and " + who(free[j]) + " overlapped";
                return true;
            }
        }
        return false;
    };

    // Could the residue's peaks be among those of a group that holds two
    // residues, while this group is another residue with peaks lost? Only
    // when such another residue has no group of its own that shows its code
    // whole.
    auto hidden = [&](int g, int r, std::string& why) {
        bool other = false;
        for (int s : cand[static_cast<size_t>(g)]) {
            if (s == r) continue;
            const int h = fr.holder[static_cast<size_t>(s)];
            other |= h < 0 || d.groups[static_cast<size_t>(h)].code != book.code(s);
        }
        if (!other) return false;
        for (const Group& o : d.groups)
            if (!o.risk.empty() && within(book.code(r), o.code)) {
                char text[160];
                std::snprintf(text, sizeof text, "%s may be in the overlapped peaks at %.3f %.2f",
                              who(r).c_str(), o.h, o.n);
                why = text;
                return true;
            }
        return false;
    };
    for (int g = 0; g < ng; ++g) {
        const Group& gr = d.groups[static_cast<size_t>(g)];
        Assignment& a = d.assignments[static_cast<size_t>(g)];
        const auto& c = cand[static_cast<size_t>(g)];
        if (!gr.risk.empty()) {
            a.verdict = Verdict::ambiguous;
            a.why = gr.risk;
            for (int r = 1; r <= nres; ++r)
                if (book.code(r) != 0 && within(book.code(r), gr.code)) a.candidates.push_back(r);
            continue;
        }
        if (c.empty()) {
            a.verdict = Verdict::nocode;
            int best = 1 << 30;
            for (int r = 1; r <= nres; ++r) {
                if (book.code(r) == 0) continue;
                int dd = distance(gr.code, book.code(r), book.nsamples);
                if (dd < best) best = dd, a.candidates.clear();
                if (dd == best && a.candidates.size() < 5) a.candidates.push_back(r);
            }
            if (!a.candidates.empty())
                a.why = "nearest: " + who(a.candidates[0]) + " with " +
                        difference(gr.code, book.code(a.candidates[0]), book.nsamples, book.hsqc);
            continue;
        }
        const int r = fr.residue[static_cast<size_t>(g)];
        std::string why;
        if (r > 0 && !overlapped(gr.code, r, why) && !hidden(g, r, why)) {
            if (gr.code != book.code(r)) {
                // Forced only if nothing but losses happened: a peak of
                // another residue in the group would make it a lie.
                a.verdict = Verdict::ambiguous;
                a.candidates = {r};
                a.why =
                    who(r) + " if " + difference(gr.code, book.code(r), book.nsamples, book.hsqc);
                continue;
            }
            a.residue = r;
            a.verdict = Verdict::likely;
            int near = 0;
            for (int o = 1; o <= nres && !near; ++o)
                if (o != r && book.code(o) != 0 &&
                    distance(book.code(o), book.code(r), book.nsamples) <= 1)
                    near = o;
            if (near)
                a.why = who(near) + " differs in one sample";
            else
                a.verdict = Verdict::sure;
            continue;
        }
        int exact = 0;
        for (int o : c) exact += book.code(o) == gr.code;
        a.verdict = exact >= 2 ? Verdict::shared : Verdict::ambiguous;
        a.candidates = c;
        if (!why.empty())
            a.why = why;
        else if (fr.crowded[static_cast<size_t>(g)])
            a.why = "more peaks than residues that give these codes";
        else if (a.verdict == Verdict::shared)
            a.why = "the design gives this code to " + std::to_string(exact) + " residues";
        else
            a.why = "could be any of " + std::to_string(c.size()) + " residues with peaks lost";
    }

    // A peak of an assigned group may be the lost peak of a group nearby
    // that would then show a residue's code exactly: the assignment rests
    // on one peak and is given up. Nearby: as near as the fragments of one
    // residue can lie (three times the tolerances with the widest scatter).
    const double reachh = 1.5 * d.scatter.reachh, reachn = 1.5 * d.scatter.reachn;
    for (int g = 0; g < ng; ++g) {
        Assignment& a = d.assignments[static_cast<size_t>(g)];
        if (a.verdict != Verdict::sure && a.verdict != Verdict::likely) continue;
        for (int i : d.groups[static_cast<size_t>(g)].peaks) {
            const Peak& p = peaks[static_cast<size_t>(i)];
            const Code state = shown(p, book.hsqc);
            for (int h = 0; h < ng && a.verdict != Verdict::ambiguous; ++h) {
                const Group& o = d.groups[static_cast<size_t>(h)];
                const Assignment& b = d.assignments[static_cast<size_t>(h)];
                if (h == g || b.verdict == Verdict::sure || b.verdict == Verdict::likely ||
                    std::fabs(o.h - p.h) > reachh || std::fabs(o.n - p.n) > reachn ||
                    (o.code & state) == state || !isacode(o.code | state))
                    continue;
                char text[192];
                std::snprintf(text, sizeof text,
                              "%s, unless its %s peak in sample %d belongs to the peaks at "
                              "%.3f %.2f",
                              who(a.residue).c_str(),
                              p.spectrum == Spectrum::hnco ? "HNCO" : "HSQC", p.sample, o.h, o.n);
                a.candidates = {a.residue};
                a.residue = 0, a.verdict = Verdict::ambiguous, a.why = text;
            }
            if (a.verdict == Verdict::ambiguous) break;
        }
    }

    // What each sample should hold against what it holds.
    for (int k = 1; k <= book.nsamples; ++k)
        for (Spectrum s : {Spectrum::hsqc, Spectrum::hnco}) {
            SampleCount sc;
            sc.sample = k, sc.spectrum = s;
            for (const Peak& p : peaks) sc.seen += p.sample == k && p.spectrum == s;
            for (int r = 1; r <= nres; ++r) {
                const Code f = book.full[static_cast<size_t>(r)];
                sc.expected +=
                    ((s == Spectrum::hsqc ? Model::hsqc(f) : Model::hnco(f)) & bit(k)) != 0;
            }
            if (s == Spectrum::hnco || book.hsqc || sc.seen) d.counts.push_back(sc);
        }
    std::vector<bool> mentioned(static_cast<size_t>(nres) + 1);
    for (const Assignment& a : d.assignments) {
        if (a.residue) mentioned[static_cast<size_t>(a.residue)] = true;
        if (a.verdict != Verdict::nocode)
            for (int r : a.candidates) mentioned[static_cast<size_t>(r)] = true;
    }
    for (int r = 1; r <= nres; ++r)
        if (book.code(r) != 0 && !mentioned[static_cast<size_t>(r)]) d.unseen.push_back(r);
    return d;
}

}  // namespace decoding
