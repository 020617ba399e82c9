// The first schedule: the greedy build, the label annealing, the exact
// engine and the cheaper recipes of the best quality.
//
// Greedy (add_greedy): the conflicts of a unique pair are the number of
// occurring pairs that share its front or its end type (the pairs that light
// up with it); the pair order is sorted by conflicts, most first, so the
// hardest pairs get the small masks. build_approx builds from that order;
// deleteduplicates removes unique pairs that share a mask (possible with
// allowed duplicates above 1) unless that would create a duplicate; wiggle
// moves one pair at a time (an unresolved one to the front of the order, a
// resolved one to the end) and rebuilds, in up to three passes. A move that
// scores higher is taken; one that scores equal is taken with probability
// accept_prob, which lets the greedy walk across plateaus.
//
// Then the greedy schedule is refined by annealing over its labels (see
// anneal.h): the samples that carry 13C and 15N per residue type. A pair
// order can only choose which pair takes the next smallest mask, and on real
// proteins no order reaches the most pairs five or more samples can resolve;
// the annealing does. It runs on the first n samples of the cutoff, n rising
// from one (small counts reach their 2^n - 1 at once), and stops at the
// first n that resolves them all; as every cutoff tries the same counts
// below it, a larger cutoff never stores fewer resolved pairs or more
// samples for as many. Where the cutoff has a code for every pair the offer
// lets show, the walks start one count below the fewest that could resolve
// them all (the greedy builds still run on every count, and keep the random
// stream): below it a walk resolves fewer pairs than the count above, and
// the exact engine never starts from its labels. Sparing them stored the
// same schedules, to the recipe price, on every cell of the design table in
// both models, and took random 350 with two spectra at 5 samples from 57 s
// to 46 s. A walk seeds itself from its count, so each one that remains is
// the walk a smaller cutoff runs on that count. A walk starts from empty
// labels: started from the greedy schedule it stays near that local optimum
// (maltose-binding protein on 7 samples, four seeds: 37 to 61 resolved
// pairs from empty labels, 35 to 50 from the greedy ones). Its result
// replaces the greedy schedule when it resolves more unique pairs, or as
// many on fewer samples, or as many on as many samples with a higher score.
// The score alone is not the judge here: its term UP x 100 / 2^n would
// trade 18 resolved pairs for one sample fewer (31 pairs on 5 samples
// outscore 49 on 6), while the cutoff is the user's sample budget.
//
// The walks find all pairs where a count has room to spare, but not on the
// larger proteins: on maltose-binding protein they stop at 57 pairs on 7
// samples and find no more on 8 to 15, and on a random 1000-residue protein
// 42 on 14. So at each count that has a code for every pair the offer lets
// show, the all-pairs search (breakout.h) follows the walk, from the best
// labels so far: it finds all 74 of MBP on 8 samples within 200 000 moves
// (well under a second; bench/allpairs, four seeds), a random 350 on 8
// within 400 000. Found, the loop ends there, and the walks of the higher
// counts are spared; missed, its nearest miss, made clean by taking labels
// away (Annealer::repaired), competes as a schedule. Where one pair can never
// show alone, no count finds all, so the search stops being tried once a
// sample more has not brought it nearer, and the walks of the counts above
// are spared too (a random 1000-residue protein: they reach 32 to 42 pairs
// on 11 to 15 samples, the nearest miss on 9 more; its default run falls
// from 135 s to 66 s, with the same proven result).
//
// The exact engine (see exact.h) then works on what is not proven yet: one
// sample fewer when every unique pair is resolved, the most the cutoff's
// samples can resolve otherwise.
//
// Then, among schedules of the best quality (resolved pairs, samples), the
// cheapest recipe (see price.h): the polish walks from the best schedule's
// labels to cheaper ones of the same quality, and the distinct recipes it
// meets are the alternatives. After the cycles they join the ring's entries,
// and the ten of the highest score fill the slots: the ring alone holds one
// schedule when no cycle beats the first one, which is the rule on real
// proteins. The score ranks them, so priceweight decides how far the price
// moves a recipe up.
#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "labeling/anneal.h"
#include "labeling/breakout.h"
#include "labeling/exact.h"
#include "labeling/halving.h"
#include "labeling/labutils.h"
#include "labeling/optimiser.h"
#include "labeling/price.h"

namespace optimiser {

namespace {

// The label annealing on one count of samples. Its result depends on the
// run's seed and the count alone, so the walks of the next counts can run
// ahead on other threads while this thread builds greedily, and the result
// is the same on any number of threads.
struct Walk {
    Annealer annealer;
    Labels result;
    uint64_t seed;
    long steps;
    int bound;
    std::atomic<bool> cancel{false}, done{false};
    std::thread thread;
    Walk(const Selection& base, const TypeMatrix& uniqs, const TypeMatrix& allowed, uint32_t bits,
         int maxpeaks, const Model& model, const Offer& offer, uint64_t sd, long st, int bd)
        : annealer(base, uniqs, allowed, bits, maxpeaks, model, offer),
          seed(sd),
          steps(st),
          bound(bd) {}
    ~Walk() {
        cancel = true;
        if (thread.joinable()) thread.join();
    }
    // On another thread.
    void start() {
        if (thread.joinable() || done) return;
        thread = std::thread([this] {
            result =
                annealer.search(Labels(), seed, steps, bound, [this] { return cancel.load(); });
            done = true;
        });
    }
    // Here, or waiting for the other thread; stop is asked every few
    // milliseconds either way.
    void finish(const std::function<bool()>& stop) {
        if (!thread.joinable()) {
            if (!done) result = annealer.search(Labels(), seed, steps, bound, stop), done = true;
            return;
        }
        while (!done) {
            if (stop()) cancel = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        thread.join();
    }
};

}  // namespace

void Optimiser::deleteduplicates(Schedule& s) {
    DupList fr{}, en{}, ms{};
    int ndup = 0;
    chkuniqsdup(s, uniqs, &fr, &en, &ms, &ndup);
    for (int i = 1; i <= std::min(ndup, kListLen); ++i) {
        trialsched = s;
        for (int k = 1; k <= kSamples; ++k) {
            Selection& smp = trialsched.samples[k];
            Selection kept;
            for (int j = 1; j <= smp.count; ++j)
                if (smp.front[j] != fr[i] || smp.end[j] != en[i])
                    addentry(kept, smp.front[j], smp.end[j], smp.mask[j]);
            smp = kept;
        }
        fillschednrs(trialsched, uniqs);
        int total = 0;
        if (checkschedule(trialsched, total, p.allowed, uniqs) == 0) s = trialsched;
    }
}

// Greedy build on the samples of cutoff: the most conflicted pairs first,
// duplicates removed, then the wiggle; s is the best it meets, the pair
// order the one that built it.
void Optimiser::wiggle(Schedule& s, uint32_t cutoff) {
    auto make = [&](Schedule& x) {
        builder.build(base, order.data(), npairs, x, cutoff, p.maxpeaks);
        deleteduplicates(x);
    };
    sortbyconflicts(true);
    make(s);  // build_approx
    double best = score(s);
    if (uniqueflags.verbose_output)
        obs.line("Assignable unique pairs: (" + intn(npairs, 3) + ")" +
                 " score: " + numstr(best, 8));
    std::vector<int> keep = order;
    // An unresolved pair moves to the front of the order (it gets a small
    // mask), a resolved one to the end (it frees its mask); passes repeat
    // while they improve.
    for (int pass = 0; pass < p.wigglepasses && !obs.stop(); ++pass) {
        bool improved = false;
        for (int pos = 0; pos < npairs && !obs.stop(); ++pos) {
            std::vector<int> cand = keep;
            int moved = cand[static_cast<size_t>(pos)];
            cand.erase(cand.begin() + pos);
            if (resolved(s, moved))
                cand.push_back(moved);
            else
                cand.insert(cand.begin(), moved);
            order = cand;
            make(gensched);
            double sc = score(gensched);
            if (sc > best || (sc == best && ran() < p.accept_prob)) {
                improved = improved || sc > best;
                best = sc;
                keep = cand;
                s = gensched;
            }
        }
        if (!improved) break;
    }
    order = keep;
}

void Optimiser::greedy(Schedule& s) {
    firstschedule(s);
    if (uniqueflags.verbose_output)
        obs.line("Assigned unique pairs: " + intn(chkuniqsdup(s, uniqs), 3));
}

// Within the cutoff, the duplicate limits and the peak limit?
bool Optimiser::acceptable(Schedule& s) {
    fillschednrs(s, uniqs);
    int total = 0;
    if (checkschedule(s, total, p.allowed, uniqs) != 0) return false;
    if (offer.count(bought(s)) != 0) return false;  // a form that is not sold
    const uint32_t used = usedsamples(s);
    for (int k = 1; k <= kSamples; ++k) {
        if (!(used & (1u << (k - 1)))) continue;
        if (!(p.cutoff & (1u << (k - 1)))) return false;
        uint32_t fr = 0, en = 0;
        samplesets(s, k, fr, en);
        if (p.maxpeaks != 999 && peaksof(fr, en, uniqs) > p.maxpeaks) return false;
    }
    return true;
}

// The first schedule: for n = 1, 2, ... samples of the cutoff, the greedy
// build on those samples and the label annealing on them, the best of all
// kept (more resolved pairs, then fewer samples, then the higher score); it
// ends at the first n whose best resolves every unique pair. Every cutoff
// makes the same steps for the counts below it (one random stream, the
// greedy order restarted from the same shuffle, one seed per count), so a
// larger cutoff never stores fewer resolved pairs, nor more samples for as
// many.
void Optimiser::firstschedule(Schedule& s) {
    const uint32_t allowedbits = p.cutoff & kAllSamples;
    const int nall = std::popcount(allowedbits);
    // Base pairs that occur once: the most any schedule can resolve.
    std::array<std::array<bool, kTypes + 1>, kTypes + 1> seen{};
    int unique = 0;
    for (int k = 0; k < npairs; ++k) {
        int f = 0, e = 0;
        if (pairat(base, order.data(), k, uniqs, f, e) && uniqs[f][e] == 1 && !seen[f][e])
            seen[f][e] = true, ++unique;
    }
    uniquepairs = unique;
    // The most the offer leaves resolvable: where the label walks may stop.
    reach = out.reachable = reachable();
    auto needed = [](const Schedule& x) { return std::popcount(usedsamples(x)); };
    int bestup = -1, bestn = 0;
    double bestscore = 0;
    Cost bestcost;
    // Better: more resolved pairs, then fewer samples, then fewer forms not
    // offered and a lower price, then the higher score.
    std::function<void(Schedule&)> consider = [&](Schedule& x) {
        int up = chkuniqsdup(x, uniqs), used = needed(x);
        double sc = score(x);
        Cost c = schedulecost(x, prices);
        if (up != bestup    ? up > bestup
            : used != bestn ? used < bestn
            : c != bestcost ? c < bestcost
                            : sc > bestscore) {
            bestup = up, bestn = used, bestscore = sc, bestcost = c;
            s = x;
        }
    };
    const std::vector<int> shuffled = order;
    std::vector<int> lastorder = order;
    initschedule(s);
    if (nall == 0) {  // nothing can be placed: the greedy build says so
        wiggle(s, 0);
        return;
    }
    std::vector<uint32_t> bitsof(static_cast<size_t>(nall) + 1, 0);
    for (int n = 1; n <= nall; ++n) {
        uint32_t rest = allowedbits & ~bitsof[static_cast<size_t>(n - 1)];
        bitsof[static_cast<size_t>(n)] = bitsof[static_cast<size_t>(n - 1)] | (rest & (~rest + 1));
    }
    // The walks of the next counts run ahead on the other threads.
    const int ahead = unique > 0 ? std::max(0, p.threads - 1) : 0;
    std::vector<std::unique_ptr<Walk>> walks(static_cast<size_t>(nall) + 1);
    auto walk = [&](int n) -> Walk& {
        auto& w = walks[static_cast<size_t>(n)];
        if (!w) {
            const uint64_t sd =
                static_cast<uint64_t>(static_cast<uint32_t>(p.seed)) * 0x9E3779B97F4A7C15ull +
                static_cast<uint64_t>(n);
            w = std::make_unique<Walk>(
                base, uniqs, p.allowed, bitsof[static_cast<size_t>(n)], p.maxpeaks, p.model, offer,
                sd, p.annealsteps, static_cast<int>(std::min<long long>(reach, p.model.codes(n))));
        }
        return *w;
    };
    // The first count a walk runs on: one below the fewest, where the cutoff
    // has a code for every pair the offer lets show.
    const int firstwalk =
        p.model.codes(nall) >= reach && reach > 0 ? std::max(1, p.model.fewest(reach) - 1) : 1;
    AllPairsTries tries;
    // The search models one pair per code, as the allowed duplicates of 1 do.
    tries.modelled = onepercode(uniqs, p.allowed, p.model);
    for (int n = 1; n <= nall && !obs.stop(); ++n) {
        // Once the all-pairs search has stalled, the walks of the higher
        // counts are spared: they resolve fewer pairs than its nearest miss.
        if (tries.stalled) walks[static_cast<size_t>(n)].reset();
        for (int m = std::max(n + 1, firstwalk); m <= std::min(nall, n + ahead) && !tries.stalled;
             ++m)
            walk(m).start();
        order = shuffled;
        wiggle(trialsched, bitsof[static_cast<size_t>(n)]);
        lastorder = order;
        consider(trialsched);
        if (unique > 0 && n >= firstwalk && !tries.stalled && !obs.stop()) {
            Walk& w = walk(n);
            w.finish([&] {
                tick("label search on " + counted(n, "sample") + ", best so far " + intstr(bestup) +
                     " of " + intstr(unique) + " unique pairs on " + counted(bestn, "sample"));
                return obs.stop();
            });
            if (w.annealer.toschedule(w.result, trialsched) && acceptable(trialsched)) {
                if (uniqueflags.verbose_output)
                    obs.line("Annealed labels on " + intstr(n) + " samples resolve " +
                             intstr(chkuniqsdup(trialsched, uniqs)) + " unique pairs");
                consider(trialsched);
            }
        }
        if (unique > 0 && bestup < reach && !obs.stop())
            allpairs(n, bitsof[static_cast<size_t>(n)], s, tries, consider, bestup, bestn);
        if (bestup >= reach) break;
    }
    // What each finished walk reached: where the exact engine starts.
    std::vector<Labels> walked(static_cast<size_t>(nall) + 1);
    for (int n = 1; n <= nall; ++n)
        if (const auto& w = walks[static_cast<size_t>(n)]; w && !w->thread.joinable() && w->done)
            walked[static_cast<size_t>(n)] = w->result;
    walks.clear();  // the walks run ahead in vain end here
    order = lastorder;
    bounds(nall);
    if (p.exactseconds > 0 && unique > 0 && !obs.stop() && (allowedbits & (allowedbits + 1)) == 0)
        exact(nall, consider, s, walked, bestup, bestn);
    if (bestup > 0 && !obs.stop()) cheaper(s, consider);
}

// The all-pairs search on n samples, once they have a code for every pair
// the offer lets show, from the best labels so far: found, the count ends
// the loop; missed, its nearest miss made clean competes as a schedule. It
// stops being tried once a sample more has not brought it nearer (a pair
// that no count resolves, where the exact engine proves the bound).
void Optimiser::allpairs(int n, uint32_t bits, const Schedule& best, AllPairsTries& tries,
                         const std::function<void(Schedule&)>& consider, const int& bestup,
                         const int& bestn) {
    if (p.allpairsmoves <= 0 || p.model.codes(n) < reach || !tries.modelled || tries.stalled)
        return;
    const Breakout::Limits lim = breakoutlimits(ExactOptions(), p.allpairsmoves);
    Breakout walk(base, uniqs, bits, p.model, offer);
    const uint64_t sd =
        static_cast<uint64_t>(static_cast<uint32_t>(p.seed)) * 0xBF58476D1CE4E5B9ull +
        static_cast<uint64_t>(n);
    Labels found;
    const bool ok = walk.search(
        labelsof(best, base, uniqs), sd, lim,
        [&] {
            tick("all-pairs search on " + counted(n, "sample") + ", best so far " + intstr(bestup) +
                 " of " + intstr(uniquepairs) + " unique pairs on " + counted(bestn, "sample"));
            return obs.stop();
        },
        found);
    Annealer judge(base, uniqs, p.allowed, bits, p.maxpeaks, p.model, offer);
    const Labels l = ok ? found : judge.repaired(walk.nearest());
    if (judge.toschedule(l, trialsched) && acceptable(trialsched)) consider(trialsched);
    if (!ok) {
        tries.stalled = tries.missed >= 0 && walk.fewest() >= tries.missed;
        tries.missed = walk.fewest();
    }
}

// The cheapest recipes of the best schedule's quality: the polish on the
// samples it uses. The distinct ones it meets are kept as alternatives for
// the slots the ring leaves to them.
void Optimiser::cheaper(Schedule& s, const std::function<void(Schedule&)>& consider) {
    const int target = chkuniqsdup(s, uniqs);
    const uint32_t bits = p.cutoff & kAllSamples & cutoffmask(lastsample(s));
    Annealer a(base, uniqs, p.allowed, bits, p.maxpeaks, p.model, offer);
    const uint64_t sd =
        static_cast<uint64_t>(static_cast<uint32_t>(p.seed)) * 0xD1B54A32D192ED03ull;
    Polished r =
        polish(a, labelsof(s, base, uniqs), target, prices, sd, p.polishsteps, kSlots, [&] {
            tick("cheaper recipes of " + intstr(target) + " resolved unique pairs");
            return obs.stop();
        });
    for (const Labels& l : r.distinct)
        if (a.toschedule(l, trialsched) && acceptable(trialsched)) {
            consider(trialsched);
            alternatives.push_back(std::make_unique<Schedule>(trialsched));
        }
}

// The ring's entries and the alternatives of the first schedule's quality
// that are not the same recipe as an entry: the ten of the highest score
// stay, in ring order before alternatives on equal scores.
void Optimiser::addalternatives() {
    if (alternatives.empty()) return;
    const int want = chkuniqsdup(greedsched, uniqs), wantn = lastsample(greedsched);
    std::vector<std::pair<int, Schedule>> all;
    std::vector<Labels> recipes;
    for (int k = 1; k <= std::min(ringentries, kSlots); ++k) {
        all.emplace_back(topscores[static_cast<size_t>(k)], topschedules[static_cast<size_t>(k)]);
        recipes.push_back(bought(topschedules[static_cast<size_t>(k)]));
    }
    for (const auto& alt : alternatives) {
        if (chkuniqsdup(*alt, uniqs) != want || lastsample(*alt) != wantn) continue;
        Labels l = bought(*alt);
        if (std::any_of(recipes.begin(), recipes.end(),
                        [&](const Labels& r) { return samerecipe(r, l); }))
            continue;
        recipes.push_back(l);
        all.emplace_back(static_cast<int>(score(*alt) * 100), *alt);
    }
    std::stable_sort(all.begin(), all.end(),
                     [](const auto& x, const auto& y) { return x.first > y.first; });
    for (int k = 1; k <= kSlots; ++k) {
        auto i = static_cast<size_t>(k - 1);
        if (i < all.size()) {
            topscores[static_cast<size_t>(k)] = all[i].first;
            topschedules[static_cast<size_t>(k)] = all[i].second;
        }
    }
    ringentries = std::max(ringentries, std::min(kSlots, static_cast<int>(all.size())));
}

// What is proven before the cycles: by counting (k samples give 2^k - 1
// masks), by the caller, and by the exact engine when it has time.
// A unique pair that no offered form can make show is never resolved.
int Optimiser::reachable() const {
    int shown = 0;
    std::array<std::array<bool, kTypes + 1>, kTypes + 1> seen{};
    for (int k = 1; k <= base.count; ++k) {
        int f = base.front[k], e = base.end[k];
        if (f < 1 || f > kTypes || e < 1 || e > kTypes || uniqs[f][e] != 1 || seen[f][e]) continue;
        seen[f][e] = true;
        shown += canshow(p.model, offer, f, e);
    }
    return shown;
}

void Optimiser::bounds(int nall) {
    out.fewest = p.model.fewest(reach);
    out.bound = static_cast<int>(std::min<long long>(reach, p.model.codes(nall)));
    if (p.provenpairs >= 0) out.bound = std::min(out.bound, p.provenpairs);
    out.fewest = std::max(out.fewest, p.provensamples);
}

// Short of every pair, with the most the cutoff's samples can resolve
// proven and found: as many on fewer samples, by halving (halving.h). The
// question goes to the solver directly, in the configuration for
// satisfiable formulas and on a budget of its own.
void Optimiser::fewer(const std::function<void(const Labels&, int)>& take, int bestup, int& bestn) {
    if (bestup < out.bound) return;  // a budget of 0 asks nothing (halvecounts)
    ExactOptions opt;
    opt.config = 1;
    auto ask = [&](int k, double seconds, double& work) {
        ExactLimits lim;
        lim.seconds = seconds;
        lim.interrupt = [&] {
            tick("exact search for " + intstr(bestup) + " unique pairs on " + counted(k, "sample"));
            return obs.stop();
        };
        Labels l;
        const ExactAnswer a =
            exactresolve(base, uniqs, p.allowed, k, bestup, lim, &l, opt, p.model, offer, &work);
        if (a == ExactAnswer::sat) take(l, k);
        return a;
    };
    const int proven = halvecounts(std::max(1, p.model.fewest(bestup)), bestn, p.fewerseconds, ask,
                                   [&] { return obs.stop(); });
    out.fewestmost = std::max(out.fewestmost, proven);
}

// The exact engine, when the best schedule is not proven yet. When it
// resolves every unique pair, the question is one sample fewer: the engine
// starts from what the label walk reached on that count and climbs to all
// pairs, or proves they cannot be (then the best is optimal); found, it
// tries one fewer again. Otherwise the question is the most the cutoff's
// samples can resolve: it climbs from the best schedule's labels, and what
// it proves is the bound. Its schedules compete as the others do.
void Optimiser::exact(int nall, const std::function<void(Schedule&)>& consider,
                      const Schedule& best, const std::vector<Labels>& walked, int& bestup,
                      int& bestn) {
    const bool allresolved = bestup >= reach;
    if ((allresolved && bestn <= out.fewest) || (!allresolved && bestup >= out.bound)) return;
    // The budget is work, as the engine counts it, so a seeded run stores
    // the same schedules on any machine; the wall clock only guards.
    double spent = 0;
    const auto guard = std::chrono::steady_clock::now() +
                       std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                           std::chrono::duration<double>(
                               p.exactseconds * static_cast<double>(ExactOptions{}.wallfactor)));
    auto limits = [&] {
        ExactLimits lim;
        lim.seconds = std::max(0.001, p.exactseconds - spent);
        lim.threads = p.threads;
        lim.interrupt = [&] {
            tick("exact search, best so far " + intstr(bestup) + " of " + intstr(uniquepairs) +
                 " unique pairs on " + counted(bestn, "sample"));
            return obs.stop() || std::chrono::steady_clock::now() >= guard;
        };
        return lim;
    };
    auto take = [&](const Labels& l, int k) {
        Annealer a(base, uniqs, p.allowed, cutoffmask(k), p.maxpeaks, p.model, offer);
        if (a.toschedule(l, trialsched) && acceptable(trialsched)) consider(trialsched);
    };
    if (!allresolved) {
        Labels start = labelsof(best, base, uniqs);
        ExactResult r =
            exactmaxresolved(base, uniqs, p.allowed, nall, limits(), &start, {}, p.model, offer);
        spent += r.work;
        if (r.status == ExactStatus::refused) return;
        take(r.labels, nall);
        if (r.bound > 0) out.bound = std::min(out.bound, r.bound);
        fewer(take, bestup, bestn);
    }
    // Every pair the offer lets show resolved: the question is one sample fewer.
    for (int k = bestn - 1;
         bestup >= reach && k >= std::max(1, out.fewest) && !obs.stop() && spent < p.exactseconds;
         --k) {
        const Labels* start =
            k < static_cast<int>(walked.size()) ? &walked[static_cast<size_t>(k)] : nullptr;
        ExactResult r =
            exactmaxresolved(base, uniqs, p.allowed, k, limits(), start, {}, p.model, offer);
        spent += r.work;
        if (r.status == ExactStatus::refused) return;
        if (r.found >= reach) {
            take(r.labels, k);
            continue;
        }
        if (r.bound < reach) out.fewest = std::max(out.fewest, k + 1);
        break;
    }
    if (uniqueflags.verbose_output)
        obs.line("Exact search: fewest samples for all " + intstr(out.fewest) + ", most on " +
                 intstr(nall) + " samples " + intstr(out.bound));
}

}  // namespace optimiser
