// The schedule optimiser: the run, its cycles and the ring of the ten best.
//
// A run makes the first schedule (first.cpp), then the cycles of its mode:
// each orders the pairs (modes.cpp), builds a schedule from the order
// (builder.cpp) and scores it (score.cpp). A cycle whose schedule scores no
// higher than the first one stands for the first schedule; a build that has
// filled as many samples as the score ceilings say cannot pass the first
// schedule gives up. A cycle whose schedule carries too many duplicates
// (retotal) builds again. The schedule enters the ring when its score over
// its duplicate total (any score, when it has none) reaches the best score
// so far.
//
// The ring holds ten slots, filled round and round; a schedule equal to one
// already seen (by fingerprint) does not enter. At the end the ring's entries
// and the first schedule's cheaper alternatives are ranked by score into
// slots 1..10. The labeling file written after an improvement holds the ring
// as it stands, ranked, stored in slots 1..10 as at the end of the run.
//
// The modes whose every cycle draws a fresh order run their cycles in rounds
// on several threads, each cycle on a random stream of its own, and judge
// them afterwards in cycle order: the result is the same on any number of
// threads. The others run one cycle after another on the run's own stream.
//
// The labeling tree and record pool only serve when treeopt is set, which
// the optimiser clears; the pool is therefore not allocated.
#include "labeling/optimise.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <ctime>
#include <functional>
#include <mutex>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "kemlang/print.h"
#include "kemlang/services.h"
#include "labeling/labutils.h"
#include "labeling/optimiser.h"
#include "molecule/kemradata.h"

namespace optimiser {

namespace {

std::string hms() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return intstr(tm.tm_hour) + " " + intstr(tm.tm_min) + " " + intstr(tm.tm_sec);
}

}  // namespace

// A schedule enters the ring unless an equal one (by fingerprint) is there;
// it takes the slot after the last one filled, round the ring.
void Optimiser::enterring(Schedule& my, double best) {
    int f = fingerprintschedule(my);
    if (std::find(fingerprints.begin(), fingerprints.end(), f) != fingerprints.end()) return;
    if (static_cast<int>(fingerprints.size()) < p.fingerprints) fingerprints.push_back(f);
    int k = ringentries % kSlots + 1;
    ++ringentries;
    topscores[static_cast<size_t>(k)] = static_cast<int>(best * 100);
    topschedules[static_cast<size_t>(k)] = my;
    lastchange = cycle;
    if (p.storeeach) rank(true);
}

void Optimiser::ringbest(int& resolved, int& samples) {
    int pos = 1;
    for (int k = 2; k <= kSlots; ++k)
        if (topscores[static_cast<size_t>(k)] > topscores[static_cast<size_t>(pos)]) pos = k;
    Schedule& s = topschedules[static_cast<size_t>(pos)];
    resolved = chkuniqsdup(s, uniqs);
    samples = lastsample(s);
}

// Proven when the first schedule resolves every unique pair on the fewest
// samples that can tell them apart (2^k - 1 distinct masks on k samples), or
// reaches the bound and sample count the caller proved.
bool Optimiser::proven() {
    int resolved = 0, samples = 0;
    ringbest(resolved, samples);
    if (resolved >= reach) return samples <= out.fewest;
    return resolved >= out.bound;
}

void Optimiser::tick(const std::string& what) {
    auto now = std::chrono::steady_clock::now();
    if (now - lastprogress < std::chrono::duration<double>(p.progressseconds)) return;
    lastprogress = now;
    long s = static_cast<long>(std::chrono::duration<double>(now - started).count());
    obs.progress(std::to_string(s / 60) + ":" + (s % 60 < 10 ? "0" : "") + std::to_string(s % 60) +
                 " " + what);
}

void Optimiser::progress(long cycles) {
    auto now = std::chrono::steady_clock::now();
    if (now - lastprogress < std::chrono::duration<double>(p.progressseconds)) return;
    double secs = std::chrono::duration<double>(now - cyclesstarted).count();
    int resolved = 0, samples = 0;
    ringbest(resolved, samples);
    tick("cycles " + std::to_string(cycles) + " of " + std::to_string(p.maxcycle + 1) + ", " +
         std::to_string(static_cast<long>(secs > 0 ? static_cast<double>(cycles) / secs : 0)) +
         " a second, best " + intstr(resolved) + " of " + intstr(uniquepairs) +
         " unique pairs on " + counted(samples, "sample") + ", " + open(resolved, samples));
}

// What the proofs leave open about the best so far, in a few words.
std::string Optimiser::open(int resolved, int samples) const {
    if (resolved >= reach) {
        if (samples <= out.fewest) return "proven the fewest samples";
        return span(out.fewest, samples - 1) + " samples not excluded";
    }
    if (resolved >= out.bound) return "proven the most pairs the cutoff allows";
    return "resolving " + span(resolved + 1, out.bound) + " not excluded";
}

// The ring ranked by score into the result; announce tells the observer.
void Optimiser::rank(bool announce) {
    std::vector<int> pos(kSlots), scores(topscores.begin(), topscores.end());
    std::iota(pos.begin(), pos.end(), 1);
    sortthispls(pos, scores);
    for (int r = 1; r <= kSlots; ++r) {
        int from = pos[static_cast<size_t>(r - 1)];
        if (uniqueflags.verbose_output)
            obs.line("Rank: " + intstr(r) +
                     " score: " + intstr(topscores[static_cast<size_t>(from)]));
        out.ranked[static_cast<size_t>(r)] = topschedules[static_cast<size_t>(from)];
    }
    if (announce) obs.improved(out.ranked);
}

// Modes whose every cycle draws a fresh order: a cycle depends only on the
// run's seed and its own number, so cycles can run on several threads and be
// judged afterwards in their own order, with the same result on any number
// of threads.
bool Optimiser::independent(const Mode& m) {
    if (m.onecycle) return false;
    switch (m.order) {
        case Order::random:
        case Order::typeshuffle:
        case Order::connectedrandom:
        case Order::connecteddown:
        case Order::colourrandom:
        case Order::cliques:
            return true;
        default:
            return false;
    }
}

namespace {

// A crew of threads that work one round at a time: the calling thread is
// worker 0, the others wait for the next round.
class Crew {
   public:
    Crew(int n, std::function<void(int)> work) : work_(std::move(work)) {
        for (int t = 1; t < n; ++t) threads_.emplace_back([this, t] { loop(t); });
    }
    ~Crew() {
        {
            std::lock_guard<std::mutex> g(mu_);
            quit_ = true;
        }
        start_.notify_all();
        for (std::thread& t : threads_) t.join();
    }
    void round() {
        {
            std::lock_guard<std::mutex> g(mu_);
            ++generation_;
            pending_ = static_cast<int>(threads_.size());
        }
        start_.notify_all();
        work_(0);
        std::unique_lock<std::mutex> l(mu_);
        done_.wait(l, [this] { return pending_ == 0; });
    }

   private:
    void loop(int t) {
        long seen = 0;
        while (true) {
            {
                std::unique_lock<std::mutex> l(mu_);
                start_.wait(l, [&] { return quit_ || generation_ != seen; });
                if (quit_) return;
                seen = generation_;
            }
            work_(t);
            std::lock_guard<std::mutex> g(mu_);
            if (--pending_ == 0) done_.notify_one();
        }
    }
    std::function<void(int)> work_;
    std::vector<std::thread> threads_;
    std::mutex mu_;
    std::condition_variable start_, done_;
    long generation_ = 0;
    int pending_ = 0;
    bool quit_ = false;
};

}  // namespace

void Optimiser::independentcycles(const Mode& mode, double& best) {
    // Verbose scoring prints from inside the build: one thread keeps it in order.
    const int nlanes = uniqueflags.verbose_output ? 1 : std::max(1, p.threads);
    const int per = std::max(1, p.cyclesperround);
    struct Result {
        bool done = false, greedy = false;
        double gen = 0;
        int total = 0;
    };
    std::vector<std::unique_ptr<Lane>> lanes;
    std::vector<std::vector<Result>> results(static_cast<size_t>(nlanes));
    std::vector<std::vector<std::unique_ptr<Schedule>>> built(static_cast<size_t>(nlanes));
    for (int t = 0; t < nlanes; ++t) {
        lanes.push_back(std::make_unique<Lane>(uniqs, p.allowed, npairs, p.model, offer));
        results[static_cast<size_t>(t)].resize(static_cast<size_t>(per));
        for (int i = 0; i < per; ++i)
            built[static_cast<size_t>(t)].push_back(std::make_unique<Schedule>());
    }
    // The greedy schedule stands in for every cycle that builds no better one.
    auto greedy = std::make_unique<Schedule>(greedsched);
    fillschednrs(*greedy, uniqs);
    int greedytotal = 0;
    checkschedule(*greedy, greedytotal, p.allowed, uniqs);
    const double greedyplain = score(*greedy);
    std::atomic<bool> halt{false};
    long first = 0;  // first cycle of the round
    auto work = [&](int t) {
        Lane& lane = *lanes[static_cast<size_t>(t)];
        for (int i = 0; i < per; ++i) {
            Result& r = results[static_cast<size_t>(t)][static_cast<size_t>(i)];
            r.done = false;
            const long cycle = first + static_cast<long>(t) * per + i;
            // The first cycle is always made, as in the sequential modes.
            if (t == 0 && cycle > 0 && obs.stop()) halt = true;
            if (cycle > p.maxcycle || (halt && cycle > 0)) continue;
            Schedule& s = *built[static_cast<size_t>(t)][static_cast<size_t>(i)];
            CycleRng rng(p.seed, cycle);
            std::iota(lane.aminoptr.begin(), lane.aminoptr.end(), 0);
            do {
                reorder(lane, rng, mode.order, cycle);
                if (lane.builder.build(base, lane.order.data(), npairs, s, p.cutoff, p.maxpeaks,
                                       giveup) < 0) {
                    r.gen = -HUGE_VAL, r.greedy = true;  // lost before it was done
                } else {
                    r.gen = scoreschedule(s, p.scoreweight, p.priceweight, p.fillweight, uniqs,
                                          pb.mol, pb.lab);
                    r.greedy = r.gen <= greedyscore;
                }
                if (r.greedy) {
                    r.total = greedytotal;
                } else {
                    fillschednrs(s, uniqs);
                    checkschedule(s, r.total, p.allowed, uniqs);
                }
            } while (r.total > p.retotal && !halt && !(t == 0 && obs.stop()));
            r.done = true;
        }
    };
    Crew crew(nlanes, work);
    cyclesstarted = std::chrono::steady_clock::now();
    const Schedule* last = greedy.get();
    bool ended = false;
    while (!ended && first <= p.maxcycle) {
        crew.round();
        for (int t = 0; t < nlanes && !ended; ++t)
            for (int i = 0; i < per && !ended; ++i) {
                const Result& r = results[static_cast<size_t>(t)][static_cast<size_t>(i)];
                const long cycle = first + static_cast<long>(t) * per + i;
                if (!r.done) {
                    ended = true;
                    break;
                }
                Schedule& s =
                    r.greedy ? *greedy : *built[static_cast<size_t>(t)][static_cast<size_t>(i)];
                if (uniqueflags.verbose_output)
                    obs.line("generate gave: " + numstr(r.gen, 8) +
                             " build gave:" + numstr(greedyscore, 8));
                out.cycles = cycle + 1;
                this->cycle = cycle;
                double plain = r.greedy ? greedyplain : r.gen;
                double relative = r.total == 0 ? HUGE_VAL : plain / r.total;
                if (relative >= best) {
                    best = plain;
                    enterring(s, best);
                }
                last = &s;
                if ((cycle + 1) % p.progressevery == 0)
                    obs.line("iterations so far " + std::to_string(cycle + 1) + " Time:(hms) " +
                             hms() + " " + numstr(best, 8));
                if (mode.iterations == -1 && p.quietcycles > 0 &&
                    cycle - lastchange >= p.quietcycles && cycle % p.quietcycles == 0 && proven()) {
                    int resolved = 0, samples = 0;
                    ringbest(resolved, samples);
                    // Short of every pair, the proof is of the most on the
                    // cutoff's samples; fewer samples may hold as many.
                    const bool fewest =
                        resolved >= reach ||
                        samples <= std::max(p.model.fewest(resolved), out.fewestmost);
                    const int nall = std::popcount(p.cutoff & kAllSamples);
                    obs.line("The first schedule resolves " + intstr(resolved) + " of " +
                             intstr(uniquepairs) + " unique pairs on " +
                             counted(samples, "sample") +
                             (fewest ? ", the most that can be resolved on the fewest samples "
                                       "that can; "
                                     : ", the most that " + counted(nall, "sample") +
                                           " can resolve (fewer samples holding as many are not "
                                           "excluded); ") +
                             "nothing changed in " + std::to_string(cycle - lastchange) +
                             " cycles: the search ends.");
                    ended = true;
                }
            }
        if (halt) ended = true;
        if (!ended) progress(first + static_cast<long>(nlanes) * per);
        first += static_cast<long>(nlanes) * per;
    }
    myschedule = *last;
}

// The cycles one after another on the run's own random stream: the modes
// whose next order depends on the last one, and the modes of one cycle.
void Optimiser::sequentialcycles(int it, double& best) {
    for (long cycle = 0; cycle <= p.maxcycle; ++cycle) {
        bool last = modeof(it).onecycle || obs.stop();
        int total = 0;
        do {
            const Mode& mode = modeof(it);
            if (mode.order == Order::swaps) --it;  // counts down to mode 0's last cycle
            if (mode.iterations == 0) last = true;
            RunRng r(seed);
            if (!reorder(lane0, r, mode.order, cycle)) last = true;
            if (mode.order == Order::enumerate) {
                recursive_enumeration();
                out.end = OptEnd::enumerated;
                out.last = myschedule;
                return;
            }
            if (mode.order == Order::formula) {
                out.end = OptEnd::formula;
                return;
            }
            bool lost = false;  // gave up: cannot pass the first schedule
            if (mode.order == Order::samplestrings)
                obs.samplestrings(gensched);
            else
                lost = build(gensched, giveup) < 0;
            double gen = lost ? -HUGE_VAL : score(gensched);
            if (uniqueflags.verbose_output)
                obs.line("generate gave: " + numstr(gen, 8) +
                         " build gave:" + numstr(greedyscore, 8));
            myschedule = gen <= greedyscore ? greedsched : gensched;
            fillschednrs(myschedule, uniqs);
            checkschedule(myschedule, total, p.allowed, uniqs);
        } while (total > p.retotal && !obs.stop());
        out.cycles = cycle + 1;
        this->cycle = cycle;
        double plain = score(myschedule);
        double relative = total == 0 ? HUGE_VAL : plain / total;
        if (relative >= best) {
            best = plain;
            enterring(myschedule, best);
        }
        if (last || obs.stop()) break;
        if ((cycle + 1) % p.progressevery == 0)
            obs.line("iterations so far " + std::to_string(cycle + 1) + " Time:(hms) " + hms() +
                     " " + numstr(best, 8));
        if ((cycle + 1) % p.reshuffleevery == 0) rperm();
        progress(cycle + 1);
    }
}

void Optimiser::run() {
    seed = -p.seed;
    swaps.seed(static_cast<uint32_t>(p.seed));
    for (int k = 1; k <= kSlots; ++k) initschedule(topschedules[static_cast<size_t>(k)]);
    topscores.fill(0);
    initschedule(myschedule);
    if (uniqueflags.verbose_output) {
        obs.line("Uniqs:");
        for (int t = 1; t <= kTypes; ++t) {
            std::string line = aaname5(pb.mol, t);
            for (int e = 1; e <= kTypes; ++e) line += " " + intstr(uniqs[t][e]);
            obs.line(line);
        }
        obs.line("generating new labeling");
    }
    if (p.cutoff != kAllSamples)
        obs.line("cutoff was chosen: " + std::to_string(static_cast<int32_t>(p.cutoff)));
    rperm();
    greedy(greedsched);
    greedyscore = score(greedsched);
    giveup = 0;
    if (p.cycleceiling && !uniqueflags.verbose_output) {
        // A cycle's schedule counts only when it scores above the first one.
        const auto top = scoreceilings(p.scoreweight, p.priceweight, p.fillweight, uniqs, pb.mol,
                                       pb.lab, p.cutoff);
        const double margin = 1e-9 * std::max(1.0, std::abs(greedyscore));
        for (int n = 1; n <= kSamples && !giveup; ++n)
            if (top[static_cast<size_t>(n)] + margin <= greedyscore) giveup = n;
    }
    myschedule = greedsched;
    int it = p.iterations;
    if (const char* msg = modeof(it).message) obs.line(msg);
    if (it < 0 || it > 1000)
        obs.line("Press Ctrl-C to end the search early; the best schedules found are kept.");
    if (uniqueflags.verbose_output) {
        std::string line = "pair order:";
        for (int k : order) line += " " + intstr(k);
        obs.line(line);
    }
    double best = -50000.0;
    if (independent(modeof(it)))
        independentcycles(modeof(it), best);
    else
        sequentialcycles(it, best);
    if (out.end == OptEnd::enumerated || out.end == OptEnd::formula) return;
    if (obs.stop()) out.end = OptEnd::interrupted;
    addalternatives();
    rank(false);
    out.last = myschedule;
}

}  // namespace optimiser

using optimiser::counted;
using optimiser::Optimiser;
using optimiser::span;

namespace {

// Where the proof, not the codes of the budget, keeps pairs that can show
// from being resolved, the line says so: without it the count of pairs
// that need forms not offered would seem to account for every miss.
std::string stuck(const Verdict& v, int reach, int bound) {
    if (v.provenpairs < 0 || v.stuck.empty() || bound >= reach || bound >= v.model.codes(v.budget))
        return "";
    std::string line = " Of the " + intstr(reach) + " pairs that offered forms can show, " +
                       counted(v.budget, "sample") + " resolve at most " + intstr(bound) +
                       " (proven): ";
    if (v.stuck.size() > 4)
        return line + intstr(static_cast<int>(v.stuck.size())) + " stay unresolved.";
    for (size_t i = 0; i < v.stuck.size(); ++i)
        line += (i == 0 ? "" : i + 1 == v.stuck.size() ? " and " : ", ") + v.stuck[i];
    return line + (v.stuck.size() == 1 ? " stays" : " stay") + " unresolved.";
}

}  // namespace

std::string verdictline(const Verdict& v) {
    // The pairs an offered form can show are all that any schedule reaches.
    const int reach = v.reachable >= 0 ? std::min(v.reachable, v.unique) : v.unique;
    int bound = static_cast<int>(std::min<long long>(reach, v.model.codes(v.budget)));
    if (v.provenpairs >= 0) bound = std::min(bound, v.provenpairs);
    int fewest = std::max(v.model.fewest(reach), v.provensamples);
    std::string line = "Labeling 1 resolves " + intstr(v.resolved) + " of " + intstr(v.unique) +
                       " unique pairs on " + counted(v.samples, "sample") +
                       (v.model.twospectra() ? std::string(" (") + v.model.name() + ")" : "") +
                       ", recipe price " + intstr(v.price) + ": ";
    const std::string more = v.unbuyable.empty() ? "" : " " + v.unbuyable;
    bool all = v.resolved >= reach;
    if (all && v.samples <= fewest) return line + "optimal." + more;
    if (!all && v.resolved >= bound) {
        // Proven is the most on the budget's samples; as many on fewer
        // samples is excluded only where their codes could not tell them apart.
        const int least = std::max(v.model.fewest(v.resolved), v.provenmost);
        if (v.samples <= least) return line + "optimal." + more + stuck(v, reach, bound);
        return line + "the most pairs (proven); " + intstr(v.resolved) + " on " +
               span(least, v.samples - 1) + " samples not excluded." + more +
               stuck(v, reach, bound);
    }
    // What is still open, in the words a user plans with: the counts that
    // are neither found nor excluded.
    if (all)
        return line + (reach < v.unique ? "all that offered forms show" : "all unique pairs") +
               "; " + intstr(fewest) + (v.samples == fewest + 1 ? " or " : " to ") +
               counted(v.samples, "sample") + ": " + intstr(v.samples) + " found, " +
               span(fewest, v.samples - 1) + " not excluded." + more;
    line += "at most " + intstr(bound) + " with " + counted(v.budget, "sample") + " (" +
            span(v.resolved + 1, bound) + " not excluded)";
    // Where forms not offered cost pairs, all of them are out of reach anyway.
    if (!more.empty()) return line + "." + more;
    return line + "; all " + intstr(v.unique) + " need at least " + counted(fewest, "sample") + ".";
}

uint32_t cutoffmask(int cutoff) {
    if (cutoff <= 0) return 0;
    if (cutoff > 31) return 0xFFFFFFFFu;
    return (1u << cutoff) - 1;
}

std::unique_ptr<OptResult> optimise(const Problem& pb, const OptParams& p, Observer& obs) {
    auto result = std::make_unique<OptResult>();
    for (Schedule& s : result->ranked) s.model = p.model, initschedule(s);
    result->last.model = p.model;
    initschedule(result->last);
    auto o = std::make_unique<Optimiser>(pb, p, obs, *result);
    o->run();
    return result;
}
