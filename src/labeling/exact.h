// Exact label design on a SAT solver (CaDiCaL).
//
// The annealer finds good labels but cannot say how good they are. This
// engine answers the two questions it leaves open: how many unique pairs k
// samples can resolve at best, and how few samples resolve every one. It
// decides "k samples resolve at least R unique pairs" as a satisfiability
// problem and proves the answer, or stops at its limit with the best it has.
//
// Judgement. The engine judges labels exactly as the annealer does with every
// allowed value 1: an occurring pair (f, e) shows in the samples c[f] & n[e];
// a schedule is clean when no two occurring pairs share a non-zero mask
// (duplicate total 0), and it resolves every pair that occurs once and shows.
// The labels are those the annealer can produce: normalised, so a type is
// labelled in a sample only when some pair of the base selection uses the
// label there. Other allowed values change what a duplicate costs rather than
// whether it is allowed; the engine refuses them (status refused). The peak
// limit is not modelled: at 500 it binds no protein below 500 residues.
//
// Encoding, for k samples (variables 1-based, as the solver wants them):
//  - label bits C(f,s) for every type f that fronts a base pair and N(e,s)
//    for every type e that ends one: the search space proper;
//  - normalisation: C(f,s) -> OR N(e,s) over the base partners e of f, and
//    the same for N; without it the solver would count labels that the
//    schedule never writes;
//  - pair masks M(p,s) <-> C(f,s) & N(e,s) and "shows" Y(p) <-> OR_s M(p,s)
//    for every occurring pair p = (f, e) both of whose types carry labels
//    (the others never show);
//  - distinct masks: for every two such pairs p, q a difference bit D(p,q,s)
//    -> M(p,s) xor M(q,s), and the clause not Y(p) or OR_s D(p,q,s). This is
//    quadratic in the pairs and linear in k: 250 occurring pairs and 9
//    samples give about 300000 difference bits, which the solver handles
//    in seconds; the alternative, one indicator per pair and mask value,
//    grows with 2^k instead;
//  - "at least R": a totalizer over Y of the pairs that occur once, with
//    only the clauses that push a true output down to the leaves (o_j ->
//    at least j inputs), and capped at min(unique pairs, 2^k - 1). R is an
//    assumption on output o_R, so one solver answers every R for its k
//    incrementally and keeps what it learnt;
//  - symmetry: samples are interchangeable, so the label columns of the
//    samples are ordered lexicographically (column s >= column s+1). It cuts
//    k! copies of every solution, which is what makes the proofs of
//    infeasibility (all of the bounds) finish.
//
// Portfolio. A short annealing run comes first: it finds in well under a
// second what the solver would take long to find on a large protein, and its
// labels become the solver's starting phases. The solver then asks for one
// more pair than the best known, R = best + 1, best + 2, ...: each
// satisfiable answer lifts the best (often by more than one, as the model is
// judged in full), the first unsatisfiable one proves the bound. The trivial
// bound min(unique pairs, 2^k - 1) needs no solver at all, so the small-k
// rows are proven without a call. The fewest samples climb k from the
// counting bound ceil(log2(unique + 1)): every unsatisfiable k proves the
// next one is needed.
//
// Limits. Every solver call runs under a terminator that stops it at the
// wall-clock deadline of the whole request or when the caller's interrupt
// says so, and under an optional conflict limit per call. A stopped call is
// not an error: the request returns what it has (best labels, best proven
// bound) with status unknown. Nothing here prints or reads files.
#pragma once

#include <functional>

#include "labeling/anneal.h"
#include "labeling/pairs.h"

// Tuning constants: name, default, meaning.
#define QUILTER_EXACT_OPTIONS                                                                    \
    OPTION(annealsteps, 500000, "annealing moves before the first solve (one cooling round)")   \
    OPTION(annealseed, 1, "seed of that annealing run")                                          \
    OPTION(annealrate, 2000000, "annealing moves per second assumed when a budget is set")      \
    OPTION(annealshare, 25, "percent of the time budget the annealing may take at most")        \
    OPTION(symmetry, 1, "order the samples lexicographically by their label columns")           \
    OPTION(phases, 1, "start the solver's phases at the best labels known")                     \
    OPTION(maxsamples, 20, "largest sample count the fewest-samples search tries")

struct ExactOptions {
#define OPTION(name, value, meaning) long name = value;
    QUILTER_EXACT_OPTIONS
#undef OPTION
};

struct ExactLimits {
    double seconds = 0;                // wall clock for the whole request; 0 = none
    int conflicts = 0;                 // conflicts per solver call; 0 = none
    std::function<bool()> interrupt;   // polled while solving; true stops the request
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
};

struct ExactFewest {
    ExactStatus status = ExactStatus::unknown;
    int unique = 0;  // unique pairs the labels can reach
    int lower = 0;   // fewer samples cannot resolve them all (proven)
    int upper = 0;   // samples of labels that resolve them all; 0 = none found
    Labels labels;   // those labels
};

// Labels on k samples that resolve at least atleast unique pairs: sat (with
// labels), unsat (proven), unknown (limit) or refused.
ExactAnswer exactresolve(const Selection& base, const TypeMatrix& uniqs,
                         const TypeMatrix& allowed, int k, int atleast, const ExactLimits& lim,
                         Labels* labels = nullptr, const ExactOptions& opt = {});

// The most unique pairs k samples resolve: best labels found and the best
// proven bound; start (if given) is a known good labeling to improve on.
ExactResult exactmaxresolved(const Selection& base, const TypeMatrix& uniqs,
                             const TypeMatrix& allowed, int k, const ExactLimits& lim,
                             const Labels* start = nullptr, const ExactOptions& opt = {});

// The fewest samples that resolve every unique pair the labels can reach.
ExactFewest exactfewest(const Selection& base, const TypeMatrix& uniqs, const TypeMatrix& allowed,
                        const ExactLimits& lim, const ExactOptions& opt = {});

// The best labels on k samples the engine finds within its limits, for the
// annealer to take up; start when nothing better is found or the request is
// refused.
Labels exactlabels(const Selection& base, const TypeMatrix& uniqs, const TypeMatrix& allowed,
                   int k, const ExactLimits& lim, const Labels& start = {},
                   const ExactOptions& opt = {});
