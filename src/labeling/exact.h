// Exact label design on a SAT solver (CaDiCaL).
//
// The annealer finds good labels but cannot say how good they are. This
// engine answers the two questions it leaves open: how many unique pairs k
// samples can resolve at best, and how few samples resolve every one. It
// decides "k samples resolve at least R unique pairs" as a satisfiability
// problem and proves the answer, or stops at its limit with the best it has.
//
// Judgement. The engine judges labels exactly as the annealer does, in
// either observation model (model.h), over the labels the annealer can
// produce (normalised, reach.h):
//  - HNCO, with every allowed value 1: an occurring pair (f, e) shows in the
//    samples c[f] & n[e]; a schedule is clean when no two occurring pairs
//    share a non-zero mask (duplicate total 0), and it resolves every pair
//    that occurs once and shows. Other allowed values change what a
//    duplicate costs rather than whether it is allowed; the engine refuses
//    them (status refused).
//  - HSQC and HNCO: a pair's code is its word of sample states; a unique
//    pair is resolved when its code is not empty and no other occurring pair
//    that can show has it. Shared codes of other pairs cost nothing, and the
//    allowed matrix does not apply.
// In both, a design buys no form the offer lacks, and the unique pairs it
// can reach are those some labels within the offer show (reach.h): a type
// whose every form is missing takes its pairs out of the count. The peak
// limit is not modelled: at 500 it binds no protein below 500 residues.
//
// Encoding: the formula and its reasons are in encoding.h.
//
// Portfolio, for k samples, each step on what the one before left:
//  1. a short annealing run: a start in well under a second on the small
//     proteins, and the starting phases of the solver;
//  1a. when every unique pair could fit on k samples (codes(k) of them or
//     more), the weighted local search for labels that resolve them all
//     (breakout.h), from the best labels and then from random ones: on
//     large proteins it finds that yes where the solver rarely does (MBP on
//     8 samples, a random 1000-residue protein on 9). Its moves are a
//     budget of their own, as many as the request's seconds at its rate.
//     When it misses, a second solver asks "all of them" directly, in the
//     configuration for satisfiable formulas, with the request's seconds
//     of work of its own: on a random 164-residue protein it finds all 85
//     pairs on 7 samples where the rest of the portfolio stops at 78.
//     When the walk stays far from all of them, there is likely no yes,
//     and a request of a minute or more asks the same question for its
//     proof instead, in the configuration for unsatisfiable formulas: on
//     a random 1000-residue protein it proves that 8 samples cannot
//     resolve all 68 pairs the offer lets show, where the main solver's
//     tenth of the time for the bound (step 2) does not. With two threads
//     these run beside steps 2 to 4 and end them once they have the
//     labels, with one they run before them. Either way the main solver
//     does the same work, and a proof only lowers the bound at the end, so
//     the answer does not depend on the threads;
//  2. the bound min(unique pairs, codes(k)) itself, with a tenth of the time:
//     the rows that fill every mask or resolve every pair end here;
//  3. neighbourhood search: the labels of all but a few residue types are
//     fixed to the best labels by assumptions, and the solver looks for one
//     more resolved pair among the rest with a few thousand conflicts. The
//     full problem on a large protein (MBP, 180 occurring pairs) climbs a
//     pair every few seconds; a neighbourhood answers in milliseconds, and
//     many of them climb faster. It stops after a run of fruitless steps;
//  4. the climb on the full formula: ask for best + step pairs, doubling the
//     step on success and falling back to one on failure; an unsatisfiable
//     answer at best + 1 proves the bound.
// The fewest samples climb k from the counting bound Model::fewest(unique),
// each k with half of the time left; the portfolio runs with the target of
// all pairs, and an unsatisfiable answer at k proves k + 1 are needed (fewer
// samples never resolve more: an empty sample can always be added).
//
// Measured (bench/exact.cpp, two spectra, 120 s of work per cell, two cores
// shared with other work): the fewest samples for every unique pair, each
// proven, are ubiquitin 4 (46 pairs), GB1 4 (37), CI2 4 (43) in well under
// a second, lysozyme 5 (83) in 0.1 s and MBP 5 (80) in 110 s of wall clock,
// most of it the proof that 4 samples cannot (the solver refutes 80 on 4
// samples; the most that 4 resolve stays open between 43 and 79). With the
// default offer (ASN sold in no form, so pairs ending in it never show),
// GB1 on 4 samples resolves 34 of its 37 unique pairs and lysozyme on 5 76
// of 83, both proven at once: every pair the offer lets show.
//
// Limits. The budget of a request is counted in work, not wall-clock time:
// solver conflicts at a rate that falls with the formula's size (conflictrate
// per second on a million clauses) and annealing moves at annealrate per
// second. So the same request gives the same answer on any
// machine and under any load, and a seeded design run stores the same
// schedules. Every solver call runs under a terminator that stops it when
// the work reaches the budget (or a share of it), when the wall clock passes
// wallfactor times the budget (a guard for slow machines, the one case where
// the answer can depend on the machine), or when the caller's interrupt says
// so, and under an optional conflict limit per call. A stopped call is not
// an error: the request returns what it has (best labels, best proven bound)
// with status unknown. Nothing here prints or reads files.
#pragma once

#include <functional>

#include "labeling/anneal.h"
#include "labeling/breakout.h"
#include "labeling/model.h"
#include "labeling/pairs.h"

// Tuning constants: name, default, meaning.
#define QUILTER_EXACT_OPTIONS                                                                  \
    OPTION(annealsteps, 500000, "annealing moves before the first solve (one cooling round)")  \
    OPTION(annealseed, 1, "seed of that annealing run")                                        \
    OPTION(annealrate, 2000000, "annealing moves per second assumed when a budget is set")     \
    OPTION(annealshare, 25, "percent of the time budget the annealing may take at most")       \
    OPTION(symmetry, 1, "order the samples lexicographically by their label columns")          \
    OPTION(phases, 1, "start the solver's phases at the best labels known")                    \
    OPTION(values, 2, "mask-value indicators: 0 none, 1 beside the differences, 2 instead")    \
    OPTION(breakoutshare, 100, "its moves: this percent of the budget's seconds at its rate")  \
    OPTION(breakoutrate, 200000, "its moves per second assumed when a budget is set")          \
    OPTION(breakoutsteps, 1000000, "its moves at most (when no budget is set)")                \
    OPTION(breakoutpatience, 300000, "its moves without a gain before a walk starts again")    \
    OPTION(breakoutsmooth, 20, "weight growths between two shrinkings of every weight")        \
    OPTION(breakoutgiveup, 10, "broken constraints a first walk may leave and go on")          \
    OPTION(directshare, 100, "the all-pairs question asked directly: percent of the seconds")  \
    OPTION(directconfig, 1, "its solver configuration: 0 default, 1 sat, 2 unsat")             \
    OPTION(directconflicts, 100000,                                                            \
           "fewest conflicts its budget must pay for, or it is not asked")                     \
    OPTION(refuteshare, 100, "the same question asked for its proof: percent of the seconds")  \
    OPTION(refuteconfig, 2, "its solver configuration: 0 default, 1 sat, 2 unsat")             \
    OPTION(refuteseconds, 60, "fewest seconds of a request that asks for that proof")          \
    OPTION(lnstypes, 6, "residue types whose labels a neighbourhood step frees")               \
    OPTION(lnsconflicts, 2000, "conflicts a neighbourhood step may take")                      \
    OPTION(lnspatience, 200, "neighbourhood steps without a gain before the search gives up")  \
    OPTION(topshare, 10, "percent of the time the first question, the bound itself, may take") \
    OPTION(lnsshare, 70, "percent of the time left the neighbourhood search may take")         \
    OPTION(valuesmax, 9, "most samples the mask-value indicators are used for")                \
    OPTION(config, 0, "solver configuration: 0 default, 1 sat, 2 unsat")                       \
    OPTION(seed, 0, "solver seed")                                                             \
    OPTION(maxsamples, 20, "largest sample count the fewest-samples search tries")             \
    OPTION(conflictrate, 2000, "solver conflicts per second of budget on a million clauses")   \
    OPTION(setupcost, 4, "seconds of work a formula's first solve costs per million clauses")  \
    OPTION(lnscost, 60, "percent of a full conflict's work a neighbourhood conflict costs")    \
    OPTION(wallfactor, 3, "wall-clock guard: a request stops at this many times its budget")

struct ExactOptions {
#define OPTION(name, value, meaning) long name = value;
    QUILTER_EXACT_OPTIONS
#undef OPTION
};

struct ExactLimits {
    double seconds = 0;               // work budget of the whole request; 0 = none
    int conflicts = 0;                // conflicts per solver call; 0 = none
    int threads = 1;                  // 2 or more: the all-pairs search beside the solver
    std::function<bool()> interrupt;  // polled while solving; true stops the request
};

enum class ExactStatus {
    proven,   // the answer is exact
    unknown,  // a limit stopped the search; the numbers are the best so far
    refused,  // allowed duplicates other than 1, or k outside 1..20
};

enum class ExactAnswer { sat, unsat, unknown, refused };

struct ExactResult {
    ExactStatus status = ExactStatus::unknown;
    int samples = 0;  // k
    int unique = 0;   // unique pairs the labels can reach
    int found = 0;    // resolved by labels
    int bound = 0;    // no labels on k samples resolve more (proven)
    Labels labels;    // normalised, duplicate total 0
    double work = 0;  // seconds of the budget used
};

struct ExactFewest {
    ExactStatus status = ExactStatus::unknown;
    int unique = 0;  // unique pairs the labels can reach
    int lower = 0;   // fewer samples cannot resolve them all (proven)
    int upper = 0;   // samples of labels that resolve them all; 0 = none found
    Labels labels;   // those labels
};

// Whether the engine and the all-pairs search model the allowed duplicates:
// always with two spectra; in HNCO when every occurring pair may show once.
bool onepercode(const TypeMatrix& uniqs, const TypeMatrix& allowed, const Model& model);

// The all-pairs search's limits for a budget of steps moves, its patience,
// smoothing and first-walk give-up from the options.
Breakout::Limits breakoutlimits(const ExactOptions& opt, long steps);

// Labels on k samples that resolve at least atleast unique pairs: sat (with
// labels), unsat (proven), unknown (limit) or refused; work (if given) gets
// the seconds of the budget used.
ExactAnswer exactresolve(const Selection& base, const TypeMatrix& uniqs, const TypeMatrix& allowed,
                         int k, int atleast, const ExactLimits& lim, Labels* labels = nullptr,
                         const ExactOptions& opt = {}, const Model& model = {},
                         const Offer& offer = {}, double* work = nullptr);

// The most unique pairs k samples resolve: best labels found and the best
// proven bound; start (if given) is a known good labeling to improve on.
ExactResult exactmaxresolved(const Selection& base, const TypeMatrix& uniqs,
                             const TypeMatrix& allowed, int k, const ExactLimits& lim,
                             const Labels* start = nullptr, const ExactOptions& opt = {},
                             const Model& model = {}, const Offer& offer = {});

// The fewest samples that resolve every unique pair the labels can reach.
ExactFewest exactfewest(const Selection& base, const TypeMatrix& uniqs, const TypeMatrix& allowed,
                        const ExactLimits& lim, const ExactOptions& opt = {},
                        const Model& model = {}, const Offer& offer = {});

// The best labels on k samples the engine finds within its limits, for the
// annealer to take up; start when nothing better is found or the request is
// refused.
Labels exactlabels(const Selection& base, const TypeMatrix& uniqs, const TypeMatrix& allowed, int k,
                   const ExactLimits& lim, const Labels& start = {}, const ExactOptions& opt = {},
                   const Model& model = {}, const Offer& offer = {});
