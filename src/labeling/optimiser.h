// The optimiser's own declarations, shared by its files and by no other
// code: builder.cpp (the build from a pair order), score.cpp (the score and
// its ceilings), modes.cpp (the modes and their pair orders), first.cpp (the
// first schedule) and optimise.cpp (the cycles, the ring and the run).
//
// It holds the small helpers more than one of them uses, the order
// strategies a mode names, the random streams they draw from, and the state
// of one run (Optimiser), whose steps are defined across those files. The
// namespace keeps these names out of the rest of the program.
#pragma once

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "kemlang/print.h"
#include "kemlang/services.h"
#include "labeling/anneal.h"
#include "labeling/builder.h"
#include "labeling/optimise.h"
#include "labeling/pairs.h"
#include "labeling/price.h"

namespace optimiser {

constexpr uint32_t kAllSamples = (1u << kSamples) - 1;

inline uint32_t candidatelimit(uint32_t cutoff) { return std::min(cutoff, kAllSamples); }

// The types a schedule labels in sample k (1-based): 13C (fr) and 15N (en)
// as type bits, its extra labels included.
inline void samplesets(const Schedule& s, int k, uint32_t& fr, uint32_t& en) {
    fr = en = 0;
    const uint32_t bit = 1u << (k - 1);
    const Selection& smp = s.samples[static_cast<size_t>(k)];
    for (int i = 1; i <= smp.count; ++i) {
        if (smp.front[i] >= 1 && smp.front[i] <= kTypes) fr |= 1u << smp.front[i];
        if (smp.end[i] >= 1 && smp.end[i] <= kTypes) en |= 1u << smp.end[i];
    }
    for (int t = 1; t <= kTypes; ++t) {
        if (s.extra.c[static_cast<size_t>(t)] & bit) fr |= 1u << t;
        if (s.extra.n[static_cast<size_t>(t)] & bit) en |= 1u << t;
    }
}

inline void samplesets(const Selection& smp, uint32_t& fr, uint32_t& en) {
    fr = en = 0;
    for (int i = 1; i <= smp.count; ++i) {
        if (smp.front[i] >= 1 && smp.front[i] <= kTypes) fr |= 1u << smp.front[i];
        if (smp.end[i] >= 1 && smp.end[i] <= kTypes) en |= 1u << smp.end[i];
    }
}

inline int peaksof(uint32_t fr, uint32_t en, const TypeMatrix& u) {
    int n = 0;
    for (int a = 1; a <= kTypes; ++a)
        if (fr & (1u << a))
            for (int b = 1; b <= kTypes; ++b)
                if ((en & (1u << b)) && u[a][b] > 0) n += u[a][b];
    return n;
}

// Front and end type of the pair at position p of the order; false for a
// position that holds no usable pair.
inline bool pairat(const Selection& base, const int* order, int p, const TypeMatrix& u, int& f,
                   int& e) {
    int k = order[p];
    if (k < 1 || k > base.count) return false;
    f = base.front[k], e = base.end[k];
    return f >= 1 && f <= kTypes && e >= 1 && e <= kTypes && u[f][e] > 0;
}

// "3 samples": plain text, for lines that are built but may not be printed
// (a placeholder would wait in the message store).
inline std::string counted(int n, const std::string& noun) {
    return intstr(n) + " " + noun + (n == 1 ? "" : "s");
}

// Counts from one to another, as a user reads them: "7", "7 and 8", "7 to 9".
inline std::string span(int from, int to) {
    if (to == from) return intstr(from);
    return intstr(from) + (to == from + 1 ? " and " : " to ") + intstr(to);
}

// How a mode orders the pairs before a cycle builds.
enum class Order {
    keep,             // the order stays (mode 0 and modes without a strategy)
    swaps,            // positive modes: random transpositions, counting down
    random,           // a fresh random order
    lexicographic,    // the next permutation; the run ends when they wrap
    typeshuffle,      // random order sorted by a shuffled front-type order
    fewestconflicts,  // sorted by conflicts, fewest first
    connected,        // following connections from the most conflicted pair
    connectedrandom,  // following connections from a random order
    connecteddown,    // the same, the most conflicted connected pair first
    colour,           // colour classes of the conflict graph
    colourrandom,     // the same, colouring in random vertex order
    cliques,          // cliques of pairs sharing a front type, largest first
    samplestrings,    // no build: the schedule of the sample-string file
    enumerate,        // the orders of the leading pairs; ends the program
    formula,          // the formula dump; ends the program
};

struct Mode {
    int iterations;
    const char* message;  // printed at the start, nullptr for none
    bool onecycle;        // the run makes one cycle
    Order order;
};

// The row of a value of "iterations" in the mode table (modes.cpp).
const Mode& modeof(int it);

// Random numbers of an order strategy: the run's own stream (ran1) for the
// sequential modes, or a stream of one cycle's own for the modes whose cycles
// are independent (so that the cycles can run on any number of threads and
// give the same result).
struct Rng {
    virtual ~Rng() = default;
    virtual double next() = 0;  // uniform in [0, 1)
};

struct RunRng : Rng {
    int& seed;
    explicit RunRng(int& s) : seed(s) {}
    double next() override { return ran1(seed); }
};

inline uint64_t splitmix(uint64_t& x) {
    uint64_t z = (x += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

struct CycleRng : Rng {
    uint64_t state;
    CycleRng(int seed, long cycle) {
        uint64_t x = static_cast<uint32_t>(seed);
        state = splitmix(x) ^ (static_cast<uint64_t>(cycle) * 0xD1B54A32D192ED03ull);
    }
    double next() override { return static_cast<double>(splitmix(state) >> 11) * 0x1.0p-53; }
};

// What one thread needs to order and build: its pair order, its residue-type
// order (mode -4), its builder and the schedule it builds into.
struct Lane {
    std::vector<int> order;
    std::array<int, kTypes + 1> aminoptr{};
    ScheduleBuilder builder;
    std::unique_ptr<Schedule> sched = std::make_unique<Schedule>();
    Lane(const TypeMatrix& uniqs, const TypeMatrix& allowed, int npairs, const Model& model,
         const Offer& offer)
        : order(static_cast<size_t>(npairs)), builder(uniqs, allowed, model, offer) {
        std::iota(order.begin(), order.end(), 1);
        std::iota(aminoptr.begin(), aminoptr.end(), 0);
    }
};

struct Optimiser {
    const Problem& pb;
    const OptParams& p;
    Observer& obs;
    OptResult& out;
    const Selection& base;
    const TypeMatrix& uniqs;
    int npairs = 0;
    Offer offer;              // the forms the price table sells
    Lane lane0;               // the run's own lane: the greedy build and the sequential modes
    std::vector<int>& order;  // pair order, 1-based values in 0..npairs-1
    ScheduleBuilder& builder;
    int seed = 1;
    mutable std::mt19937 swaps;
    double greedyscore = 0;
    int giveup = 0;       // filled samples at which a cycle's build has lost to the first schedule
    int uniquepairs = 0;  // unique pairs of the base selection
    int reach = 0;        // of them, those an offered form can show
    long lastchange = 0;  // cycle of the last change of the ring
    long cycle = 0;       // cycle being judged
    std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now(),
                                          lastprogress = started, cyclesstarted = started;
    std::array<int, kSlots + 1> topscores{};
    int ringentries = 0;
    std::vector<int> fingerprints;
    Schedule greedsched, gensched, myschedule, trialsched;
    std::array<Schedule, kSlots + 1> topschedules;
    PriceTable prices{};
    // Distinct recipes of the first schedule's quality, cheapest first.
    std::vector<std::unique_ptr<Schedule>> alternatives;

    Optimiser(const Problem& problem, const OptParams& params, Observer& o, OptResult& r)
        : pb(problem),
          p(params),
          obs(o),
          out(r),
          base(problem.base),
          uniqs(problem.uniqs),
          npairs(problem.base.count),
          offer(offerof(typeprices(problem.mol, problem.lab))),
          lane0(problem.uniqs, params.allowed, problem.base.count, params.model, offer),
          order(lane0.order),
          builder(lane0.builder),
          prices(typeprices(problem.mol, problem.lab)) {}

    double score(Schedule& s) {
        return scoreschedule(s, p.scoreweight, p.priceweight, p.fillweight, uniqs, pb.mol, pb.lab);
    }
    double ran() { return ran1(seed); }
    void rperm() {
        RunRng r(seed);
        rperm(order, r);
    }
    void rperm(std::vector<int>& ord, Rng& r) const {
        std::iota(ord.begin(), ord.end(), 1);
        for (int i = npairs - 1; i > 0; --i) {
            int j = std::min(i, static_cast<int>(r.next() * (i + 1)));
            std::swap(ord[static_cast<size_t>(i)], ord[static_cast<size_t>(j)]);
        }
    }
    int build(Schedule& s, int giveupat = 0) {
        return builder.build(base, order.data(), npairs, s, p.cutoff, p.maxpeaks, giveupat);
    }
    int conflicts(int k) const {
        return static_cast<int>(std::count_if(&uniqs[base.front[k]][1],
                                              &uniqs[base.front[k]][1] + kTypes,
                                              [](int v) { return v > 0; })) +
               static_cast<int>(std::count_if(uniqs.begin() + 1, uniqs.end(), [&](const auto& row) {
                   return row[static_cast<size_t>(base.end[k])] > 0;
               }));
    }
    bool conflicting(int i, int j) const {
        return uniqs[base.front[i]][base.end[j]] > 0 || uniqs[base.front[j]][base.end[i]] > 0 ||
               base.front[i] == base.front[j] || base.end[i] == base.end[j];
    }
    void sortbyconflicts(std::vector<int>& ord, bool most) const {
        std::stable_sort(ord.begin(), ord.end(), [&](int a, int b) {
            return most ? conflicts(a) > conflicts(b) : conflicts(a) < conflicts(b);
        });
    }
    void sortbyconflicts(bool most) { sortbyconflicts(order, most); }
    void connectionorder(std::vector<int>& ord, bool randomstart, bool downwards) const;
    void colourorder(std::vector<int>& ord, Rng& r, bool randomvertices) const;
    void cliqueorder(std::vector<int>& ord) const;
    void typeshuffle(Lane& lane, Rng& r) const;
    // Orders the lane's pairs for the cycle; false when the mode has no
    // order left.
    bool reorder(Lane& lane, Rng& r, Order o, long cycle) const;
    void greedy(Schedule& s);
    void wiggle(Schedule& s, uint32_t cutoff);
    void firstschedule(Schedule& s);
    void cheaper(Schedule& s, const std::function<void(Schedule&)>& consider);
    // The all-pairs search over the counts of the first schedule.
    struct AllPairsTries {
        int missed = -1;  // fewest broken constraints at the last count tried, -1 none
        bool stalled = false;
        bool modelled = true;  // the allowed duplicates are those the search models
    };
    void allpairs(int n, uint32_t bits, const Schedule& best, AllPairsTries& tries,
                  const std::function<void(Schedule&)>& consider, const int& bestup,
                  const int& bestn);
    void addalternatives();
    bool acceptable(Schedule& s);
    // Is unique pair k shown in s with a mask no other occurring pair has?
    bool resolved(const Schedule& s, int k) const {
        int m = s.schednrs[base.front[k]][base.end[k]];
        if (m == 0) return false;
        int same = 0;
        for (int f = 1; f <= kTypes; ++f)
            for (int e = 1; e <= kTypes; ++e) same += uniqs[f][e] > 0 && s.schednrs[f][e] == m;
        return same == 1;
    }
    void deleteduplicates(Schedule& s);
    void recursive_enumeration();
    void enterring(Schedule& my, double best);
    void rank(bool announce);
    // The schedule the ring ranks first: its resolved unique pairs and samples.
    void ringbest(int& resolved, int& samples);
    // Is the first schedule as good as can be proven (mode -1's early end)?
    bool proven();
    // A progress line when the last one is some seconds old.
    void tick(const std::string& what);
    void progress(long cycles);
    std::string open(int resolved, int samples) const;
    int reachable() const;
    void bounds(int nall);
    void fewer(const std::function<void(const Labels&, int)>& take, int bestup, int& bestn);
    void exact(int nall, const std::function<void(Schedule&)>& consider, const Schedule& best,
               const std::vector<Labels>& walked, int& bestup, int& bestn);
    static bool independent(const Mode& m);
    void sequentialcycles(int it, double& best);
    void independentcycles(const Mode& mode, double& best);
    void run();
};

}  // namespace optimiser
