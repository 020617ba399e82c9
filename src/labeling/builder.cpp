// Building a schedule from a pair order.
//
// Pairs are taken in the pair order (generate_anotherlabeling); each gets the
// smallest sample mask (1, 2, 3, ... up to the cutoff mask and at most 20
// samples) after which no two occurring pairs share a mask beyond the
// allowed-duplicates matrix and no receiving sample exceeds maxpeaks peaks.
// A pair for which no mask works is left out and the build goes on with the
// next pair, so one hard pair does not end the build; lastpair is the number
// of pairs placed.
//
// Peak counts are counted over distinct (front, end) type combinations of a
// sample: a peak is seen once however many entries label it.
//
// The cycles build millions of schedules, so ScheduleBuilder keeps the state
// a placement changes rather than recomputing it: the samples labelling each
// type, the types labelled in each sample with their peaks, and the count of
// occurring pairs per mask. A candidate mask is refused before any trial
// placement when one of the pair's partners would take a mask already held
// by a pair the placement leaves alone; that refusal holds for the whole run
// of candidates up to the next change of the bits that partner sees, so the
// run is skipped. In the same way a candidate holding a sample where the
// pair's labels would need a form the price table does not sell is refused
// with every candidate that shares that bit: on MBP six pairs can never be
// placed and others only where a partner type already carries the other
// label, and trying their candidates one by one cost nine tenths of every
// build (119 us a build of a random order against 11 us, on MBP with the
// cycles' give-up at 9 samples). Most such builds give up after a dozen
// pairs, so the samples are written out only for a build that ends (8 us).
// buildreference makes the same build as the steps read, from scratch per
// candidate: the tests hold the two to the same schedules.
#include "labeling/builder.h"

#include <algorithm>
#include <bit>
#include <memory>

#include "labeling/labutils.h"
#include "labeling/optimiser.h"

using optimiser::candidatelimit;
using optimiser::kAllSamples;
using optimiser::pairat;
using optimiser::peaksof;
using optimiser::samplesets;

namespace {

bool listed(const Schedule& s, int f, int e) {
    for (int k = 1; k <= kSamples; ++k)
        for (int i = 1; i <= s.samples[k].count; ++i)
            if (s.samples[k].front[i] == f && s.samples[k].end[i] == e) return true;
    return false;
}

// Enters the pair into the samples of m; false (s unchanged) when one of them
// is full.
bool addtosamples(Schedule& s, int f, int e, uint32_t m) {
    for (int k = 1; k <= kSamples; ++k)
        if ((m & (1u << (k - 1))) && s.samples[k].count >= kEntries) return false;
    for (int k = 1; k <= kSamples; ++k)
        if (m & (1u << (k - 1))) addentry(s.samples[k], f, e, static_cast<int>(m));
    return true;
}

}  // namespace

ScheduleBuilder::ScheduleBuilder(const TypeMatrix& uniqs, const TypeMatrix& allowed,
                                 const Model& model, const Offer& offer)
    : uniqs_(uniqs),
      allowed_(allowed),
      model_(model),
      offer_(offer),
      missing_(offer.any()),
      count_(static_cast<size_t>(kAllSamples) + 1, 0) {
    uniform_ = allowed[1][1] > 0 ? allowed[1][1] : 0;
    for (int a = 1; a <= kTypes; ++a)
        for (int b = 1; b <= kTypes; ++b) {
            if (allowed[a][b] != uniform_) uniform_ = 0;
            if (uniqs[a][b] > 0)
                row_[a].push_back(b), col_[b].push_back(a), allpeaks_ += uniqs[a][b];
        }
}

void ScheduleBuilder::clear() {
    for (int a = 1; a <= kTypes; ++a)
        for (int b = 1; b <= kTypes; ++b) {
            if (mat_[a][b] != 0) count_[static_cast<size_t>(mat_[a][b])] = 0;
            mat_[a][b] = 0;
        }
    cmask_.fill(0);
    nmask_.fill(0);
    fbits_.fill(0);
    ebits_.fill(0);
    peaks_.fill(0);
    entries_.fill(0);
}

int ScheduleBuilder::peaksafter(int s, int f, int e) const {
    uint32_t fr = fbits_[s], en = ebits_[s];
    int n = peaks_[s];
    if (!(fr & (1u << f))) {
        uint32_t e2 = en | (1u << e);
        for (int b : row_[f])
            if (e2 & (1u << b)) n += uniqs_[f][b];
    }
    if (!(en & (1u << e)))
        for (int a : col_[e])
            if (fr & (1u << a)) n += uniqs_[a][e];
    return n;
}

bool ScheduleBuilder::groupsok(int nchanged) {
    if (uniform_ > 0) {
        for (int i = 0; i < nchanged; ++i)
            if (count_[static_cast<size_t>(mat_[changes_[i].a][changes_[i].b])] > uniform_)
                return false;
        return true;
    }
    int maxmask = 0;
    return checkmatrix(mat_, maxmask, allowed_, uniqs_) == 0;
}

bool ScheduleBuilder::tryplace(int f, int e, uint32_t m, int maxpeaks) {
    uint32_t cf = cmask_[f] | m, ne = nmask_[e] | m;
    // No sample of m needs a form the offer lacks: build skipped every such m.
    // Fast refusal: pairs of row f hold masks within cmask[f], pairs of
    // column e masks within nmask[e]. A new mask outside both is held only by
    // pairs this placement leaves alone, so its count cannot drop below the
    // present one.
    const uint32_t oldc = cmask_[f], oldn = nmask_[e];
    int n = 0;
    auto update = [&](int a, int b, uint32_t nm) {
        int old = mat_[a][b];
        if (static_cast<int>(nm) == old) return true;
        if (uniform_ > 0 && count_[nm] >= uniform_ && (nm & ~oldc) && (nm & ~oldn)) return false;
        changes_[n++] = {a, b, old};
        if (old) --count_[static_cast<size_t>(old)];
        ++count_[nm];
        mat_[a][b] = static_cast<int>(nm);
        return true;
    };
    bool ok = update(f, e, cf & ne);
    for (size_t i = 0; ok && i < row_[f].size(); ++i)
        if (int b = row_[f][i]; b != e) ok = update(f, b, cf & nmask_[b]);
    for (size_t i = 0; ok && i < col_[e].size(); ++i)
        if (int a = col_[e][i]; a != f) ok = update(a, e, cmask_[a] & ne);
    ok = ok && groupsok(n);
    // maxpeaks is 999 here too when no sample could reach it: peaks go uncounted.
    std::array<int, kSamples + 1> newpeaks;
    if (ok)
        for (uint32_t bits = m; bits; bits &= bits - 1) {
            const int k = std::countr_zero(bits) + 1;
            if (entries_[k] >= kEntries) ok = false;
            if (maxpeaks == 999) continue;
            newpeaks[k] = peaksafter(k, f, e);
            if (newpeaks[k] > maxpeaks) ok = false;
        }
    if (!ok) {
        for (int i = n - 1; i >= 0; --i) {
            const Change& c = changes_[i];
            --count_[static_cast<size_t>(mat_[c.a][c.b])];
            if (c.old) ++count_[static_cast<size_t>(c.old)];
            mat_[c.a][c.b] = c.old;
        }
        return false;
    }
    cmask_[f] = cf;
    nmask_[e] = ne;
    for (uint32_t bits = m; bits; bits &= bits - 1) {
        const int k = std::countr_zero(bits) + 1;
        fbits_[k] |= 1u << f, ebits_[k] |= 1u << e, ++entries_[k];
        if (maxpeaks != 999) peaks_[k] = newpeaks[k];
    }
    return true;
}

void ScheduleBuilder::addpartner(int& np, uint32_t was, uint32_t changing) {
    if (changing == 0) return;  // no candidate changes this partner
    partners_[static_cast<size_t>(np++)] = {was, changing, (changing & (~changing + 1)) - 1};
}

int ScheduleBuilder::build(const Selection& base, const int* order, int npairs, Schedule& s,
                           uint32_t cutoff, int maxpeaks, int giveup) {
    clear();
    s.model = model_;
    if (maxpeaks >= allpeaks_) maxpeaks = 999;  // not even every peak in one sample
    std::array<std::array<bool, kTypes + 1>, kTypes + 1> done{};
    const uint32_t limit = candidatelimit(cutoff);
    int placed = 0;
    uint32_t filled = 0;  // samples holding an entry
    for (int p = 0; p < npairs; ++p) {
        int f = 0, e = 0;
        if (!pairat(base, order, p, uniqs_, f, e) || done[f][e]) continue;
        // A candidate m changes a row partner (f, b) to cf' & n[b] and a
        // column partner (a, e) to c[a] & ne': the partner's new mask
        // depends only on m's bits in its "changing" set (n[b] outside cf,
        // c[a] outside ne). When that new mask is already held by a pair the
        // placement leaves alone (one outside cmask[f] and nmask[e]), the
        // candidate is refused for certain, and so is every following one
        // up to the next change of a bit in the changing set: the run ends
        // below its lowest bit. The partners are asked before any trial
        // placement, those that refused last first, and the partners whose
        // runs are longest next.
        const uint32_t cf = cmask_[f], ne = nmask_[e];
        // Samples where the pair's labels would need a form the offer lacks:
        // every candidate holding one of them is refused, so the run of
        // candidates sharing its highest such bit is skipped at once, and a
        // pair no candidate can place is left out before any is tried.
        uint32_t forbid = 0;
        if (missing_) {
            const uint32_t all = std::bit_ceil(limit + 1) - 1;  // every m <= limit
            const uint32_t same = f == e ? all : 0;
            forbid = (offer_.needs(f, cf | all, nmask_[f] | same) |
                      offer_.needs(e, cmask_[e] | same, ne | all)) &
                     all;
            const uint32_t free = all & ~forbid;
            if (free == 0 || (free & (~free + 1)) > limit) continue;
        }
        int np = 0;
        if (uniform_ > 0) {
            addpartner(np, static_cast<uint32_t>(mat_[f][e]), limit & ~(cf & ne));  // the pair
            for (int b : row_[f])
                if (b != e) addpartner(np, static_cast<uint32_t>(mat_[f][b]), nmask_[b] & ~cf);
            for (int a : col_[e])
                if (a != f) addpartner(np, static_cast<uint32_t>(mat_[a][e]), cmask_[a] & ~ne);
            std::sort(partners_.begin(), partners_.begin() + np,
                      [](const Partner& x, const Partner& y) { return x.run > y.run; });
        }
        const int* count = count_.data();
        const int uniform = uniform_;
        auto pinned = [&](const Partner& x, uint32_t m) {
            uint32_t q = m & x.changing;
            if (q == 0) return false;
            uint32_t nm = x.was | q;
            return count[nm] >= uniform && (nm & ~cf) && (nm & ~ne);
        };
        int hint = -1;
        for (uint32_t m = 1; m <= limit; ++m) {
            if (const uint32_t bad = m & forbid) {
                m |= std::bit_floor(bad) - 1;  // last candidate holding that bit
                continue;
            }
            int refusing = -1;
            if (hint >= 0 && pinned(partners_[static_cast<size_t>(hint)], m)) refusing = hint;
            for (int i = 0; refusing < 0 && i < np; ++i)
                if (pinned(partners_[static_cast<size_t>(i)], m)) refusing = i;
            if (refusing >= 0) {
                hint = refusing;
                m |= partners_[static_cast<size_t>(refusing)].run;  // last candidate of the run
                continue;
            }
            if (tryplace(f, e, m, maxpeaks)) {
                placements_[static_cast<size_t>(placed)] = {f, e, m};
                done[f][e] = true;
                ++placed;
                filled |= m;
                break;
            }
        }
        if (giveup > 0 && std::popcount(filled) >= giveup) {
            s.lastpair = placed;
            return -1;
        }
    }
    // Most cycles give up: the samples are written only for a build that ends.
    initschedule(s);
    for (int i = 0; i < placed; ++i) {
        const Placement& q = placements_[static_cast<size_t>(i)];
        (void)addtosamples(s, q.f, q.e, q.m);  // tryplace checked the room
    }
    s.schednrs = mat_;
    s.lastpair = placed;
    return placed;
}

int buildreference(const Selection& base, const int* order, int npairs, Schedule& s,
                   uint32_t cutoff, int maxpeaks, const TypeMatrix& uniqs,
                   const TypeMatrix& allowed, const Offer& offer) {
    initschedule(s);
    auto held = std::make_unique<Schedule>();
    Schedule& trial = *held;
    const uint32_t limit = candidatelimit(cutoff);
    int placed = 0;
    for (int p = 0; p < npairs; ++p) {
        int f = 0, e = 0;
        if (!pairat(base, order, p, uniqs, f, e) || listed(s, f, e)) continue;
        for (uint32_t m = 1; m <= limit; ++m) {
            trial = s;
            if (!addtosamples(trial, f, e, m)) continue;
            fillschednrs(trial, uniqs);
            int total = 0;
            if (checkschedule(trial, total, allowed, uniqs) != 0) continue;
            if (offer.count(schedulelabels(trial)) != 0) continue;
            bool ok = true;
            for (int q = 1; q <= kSamples && ok; ++q)
                if (m & (1u << (q - 1))) {
                    uint32_t fr = 0, en = 0;
                    samplesets(trial.samples[q], fr, en);
                    ok = maxpeaks == 999 || peaksof(fr, en, uniqs) <= maxpeaks;
                }
            if (!ok) continue;
            s = trial;
            ++placed;
            break;
        }
    }
    fillschednrs(s, uniqs);
    s.maxmask = 0;
    s.lastpair = placed;
    return placed;
}
