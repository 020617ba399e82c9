// Genetic search over labelings of five samples.
//
// A member is a table of label flags: for sample s (1..5) and residue type t
// (1..21) its 13C flag is front[21(s-1) + t + 20] and its 15N flag
// end[21(s-1) + t + 20] (a flag > 0 means labelled). A member is scored as the
// schedule it labels: fitness = integer part of score / duplicate total,
// with the score of the optimiser at all weights 1.0.
//
// Each generation the members are ranked by fitness and replaced by the next
// generation: rank r of n has weight n - r + 1 when parents are drawn; a
// child takes the flags before a random crossover position from its first
// parent and the rest from its second, then mutates.
//
// Choices of ours:
//  - a member holds flags 1..125, the last index of the layout, so all five
//    samples evolve; flags 1..20 are carried along unused;
//  - a member without duplicates has fitness 1000000 + integer part of its
//    score, above every member with duplicates; among equal fitness the
//    member with fewer duplicates ranks first;
//  - mutation: each of the five samples of a child flips one of its 42 flags
//    (drawn at random) with probability mutrate;
//  - the elite: the best round(elitefactor) members (at most n - 1) pass
//    unchanged into the next generation, so with a factor of 1 or more the
//    best fitness of the population never falls; the run keeps the best
//    member it has seen in any case;
//  - random numbers come from ran1, started from the seed, so the same seed
//    gives the same run.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "labeling/pairs.h"

struct KemraData;

constexpr int kGaSamples = 5;
constexpr int kGenes = 21 * (kGaSamples - 1) + kTypes + 20;  // 125
constexpr int kCleanFitness = 1000000;

struct Member {
    std::array<int, kEntries + 1> front{}, end{};
    int count = kGenes;
};

struct GaParams {
    int seed = 102342;
    int popsize = 10;
    long evosteps = 10000000;  // generations at most
    double elitefactor = 1.0;
    double mutrate = 0.10;
};

class GaObserver {
   public:
    virtual ~GaObserver() = default;
    // After each generation has been ranked: its number (1, 2, ...), the
    // fitness of its best member and of the best member seen so far.
    virtual void generation(long g, int popbest, int runbest) {
        (void)g, (void)popbest, (void)runbest;
    }
    // Asked after each generation: end the run now, keeping the best found.
    virtual bool stop() { return false; }
};

struct GaResult {
    Schedule best{};  // the best member as a schedule, pair-sample matrix filled
    Member bestmember{};
    int fitness = 0, dupes = 0, resolved = 0;
    double score = 0;
    long generations = 0;
    bool interrupted = false;
    // A crossover position outside the member: the position, the limit and
    // the random number it came from (the program ends on it).
    bool crossfail = false;
    int crosspos = 0, crossmax = 0;
    double crossrand = 0;
};

// Runs the search on the unique pairs base and the occurrence matrix uniqs.
// The result is heap-allocated: it holds a schedule.
std::unique_ptr<GaResult> low_level_ga(const KemraData& mol, const LabelData& lab,
                                       const TypeMatrix& uniqs, const TypeMatrix& allowed,
                                       const Selection& base, const GaParams& p, GaObserver& obs);

// Parent drawn by rank weight from u in [0, 1): rank 1..n, best first.
int drawparent(double u, int n);
