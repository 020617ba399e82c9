// The schedule optimiser: builds schedules from orders of the unique pairs,
// scores them and keeps the ten best distinct ones.
//
// The optimiser is a pure computation: it takes the pair analysis and the
// data it scores with as parameters, talks to the console, the labeling file
// and the interrupt flag only through its Observer, and returns its ranked
// ring. It opens no file and never ends the program; the modes that end the
// program say so in the result and the command does it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "kemlang/print.h"
#include "labeling/builder.h"
#include "labeling/pairs.h"

struct KemraData;

// Tuning constants of a run, one row each: type, name, default, meaning.
// Tests and benchmarks set small budgets through OptParams; the command uses
// the defaults.
#define QUILTER_OPT_TUNING(X)                                                                      \
    X(long, annealsteps, 20000000, "label flips of the annealing per sample count tried")          \
    X(long, maxcycle, 10000000, "number of the last cycle of a run that nothing ends")             \
    X(long, progressevery, 1000, "cycles between two progress lines")                              \
    X(long, reshuffleevery, 10000, "cycles between two fresh random pair orders")                  \
    X(int, wigglepasses, 3, "passes of the greedy wiggle that may improve the schedule")           \
    X(int, fingerprints, 100, "fingerprints of ring schedules kept to refuse repeats")             \
    X(int, enumdepth, 8, "leading pairs whose orders mode -17 enumerates")                         \
    X(int, swapsperstep, 10, "random transpositions per cycle of the positive modes")              \
    X(int, retotal, 10000, "duplicate total above which a cycle builds again")                     \
    X(int, cyclesperround, 16, "cycles a thread builds before the results are judged")             \
    X(long, quietcycles, 20000, "unchanged cycles after which a proven optimum ends mode -1")      \
    X(double, progressseconds, 5.0, "seconds between two progress lines of a long phase")          \
    X(double, exactseconds, 20, "exact engine budget, seconds of counted work; 0: not used")       \
    X(double, fewerseconds, 20, "exact engine budget for the most pairs on fewer samples")         \
    X(int, cycleceiling, 1, "a cycle stops building once it cannot pass the first schedule")       \
    X(long, polishsteps, 3000000, "moves of the search for cheaper schedules of the best quality") \
    X(long, allpairsmoves, 600000, "moves of the all-pairs search per sample count tried")

struct OptParams {
    int iterations = -1;               // the mode (see the table in modes.cpp)
    uint32_t cutoff = (1u << 15) - 1;  // samples the schedule may use, as a mask
    TypeMatrix allowed{};              // allowed duplicates per pair type
    int seed = 1;
    double accept_prob = 0.4;
    double priceweight = 0, scoreweight = 1, fillweight = 1;
    int maxpeaks = 500;      // peaks per sample; 999 = no limit
    bool storeeach = false;  // the observer stores the ring after each improvement
    int threads = 1;         // threads for the modes whose cycles are independent
    Model model;             // what the spectra show (HNCO alone by default)
    // What the caller proved: the most unique pairs the cutoff's samples can
    // resolve, and the fewest samples that resolve that many (-1, 0: unknown).
    int provenpairs = -1, provensamples = 0;
#define QUILTER_OPT_FIELD(type, name, def, meaning) type name = def;
    QUILTER_OPT_TUNING(QUILTER_OPT_FIELD)
#undef QUILTER_OPT_FIELD
};

// What the optimiser works on: the unique pairs and the occurrence matrix of
// the pair analysis, the sequence, and the prices and label amounts.
struct Problem {
    const Selection& base;
    const TypeMatrix& uniqs;
    const KemraData& mol;
    const LabelData& lab;
};

// How a run reaches the world.
class Observer {
   public:
    virtual ~Observer() = default;
    // A progress or result line of the run.
    virtual void line(const std::string& text) { listout(text); }
    // Where a long phase stands (information of the normal level).
    virtual void progress(const std::string& text) { putlin(3, text); }
    // The ring changed; ranked holds the ten slots, best first.
    virtual void improved(const std::array<Schedule, kSlots + 1>& ranked) { (void)ranked; }
    // Asked between steps: end the run now, keeping the best found.
    virtual bool stop() { return false; }
    // Mode -14: the schedule of the sample-string file; false leaves s empty.
    virtual bool samplestrings(Schedule& s) {
        initschedule(s);
        return false;
    }
};

enum class OptEnd {
    done,         // the cycles ran out or the mode's one cycle was made
    interrupted,  // the observer asked to stop
    enumerated,   // mode -17: the best order of the leading pairs; the program ends
    formula,      // mode -19: the formula dump is to be printed; the program ends
};

struct OptResult {
    OptEnd end = OptEnd::done;
    std::array<Schedule, kSlots + 1> ranked{};  // slots 1..10, best first
    Schedule last{};                            // the schedule of the last cycle
    long cycles = 0;
    int bound = 0;       // proven: no schedule within the cutoff resolves more
    int fewest = 0;      // proven: fewer samples cannot resolve every unique pair
    int reachable = 0;   // unique pairs an offered form can show (the most any schedule resolves)
    int fewestmost = 0;  // proven: fewer samples cannot resolve bound pairs
};

// The sample mask of a cutoff given as a count of samples: the first cutoff
// samples; none for 0 or less, all 32 bits beyond 31.
uint32_t cutoffmask(int cutoff);

// Runs one optimisation. The result is heap-allocated: it holds eleven
// schedules.
std::unique_ptr<OptResult> optimise(const Problem& pb, const OptParams& p, Observer& obs);

// How good a stored schedule is, in one line: resolved of all unique pairs,
// samples, the recipe's price, and what is proven (the count of k samples is
// at most 2^k - 1 and at most all; the fewest samples for all is the least k
// with 2^k - 1 at least their number; a caller's proof narrows both).
struct Verdict {
    int resolved = 0, unique = 0, samples = 0, price = 0;
    int budget = 0;         // samples the cutoff allows
    int provenpairs = -1;   // most resolvable on the budget, when proven
    int provensamples = 0;  // fewest samples that resolve all, when proven
    Model model;            // named in the line when it reads both spectra
    std::string unbuyable;  // the pairs only a form not offered could resolve, or ""
    int reachable = -1;     // unique pairs an offered form can show (-1: all)
    // Unresolved unique pairs an offered form could show, named ("TRP-ARG").
    std::vector<std::string> stuck{};
    int provenmost = 0;  // fewest samples that resolve provenpairs, when proven
};
std::string verdictline(const Verdict& v);

// The schedule score (weights of price, label amount and filling).
double scoreschedule(Schedule& s, double scoreweight, double priceweight, double fillweight,
                     const TypeMatrix& uniqs, const KemraData& mol, const LabelData& lab,
                     int nsamples = 0);

// Per count n of non-empty samples, a score no schedule on n or more of
// them (within the cutoff) can pass; infinite when a negative weight or price
// leaves a term without a limit. The score of k samples falls as 100/2^k per
// resolved pair, so a build that has spread over many samples is known to
// lose before it ends.
std::array<double, kSamples + 2> scoreceilings(double scoreweight, double priceweight,
                                               double fillweight, const TypeMatrix& uniqs,
                                               const KemraData& mol, const LabelData& lab,
                                               uint32_t cutoff);
