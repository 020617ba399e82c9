// Inserting the pairs of the batch into the schedule of stored slot 1.
//
// Each pass takes the batch in one order and puts each pair into the first
// sample mask (1, 2, ..., 1024, so samples 1 to 11) that keeps the duplicate
// total at 0; a pair that fits no such mask stays out of that pass. Every
// pass that beats the best score so far is stored as slot 3.
//
// The orders: the first batch entries of the order 1..100 are permuted from
// pass to pass, systematically to the next permutation in lexicographic
// order (advanced before the first pass too, so 1..n itself is tried only
// for a batch of one entry), or at random. A batch of fewer than three
// entries makes one pass; max > 0 limits the passes to max.
//
// Choices of ours:
//  - the batch keeps a pair's front type in ibatch_end and its end type in
//    ibatch_front; the insertion reads its front types from ibatch_front and
//    its end types from ibatch_end, so a pair added as front A, rear B goes
//    in as the pair (B, A);
//  - with random orders and no max the passes stop after n! (the number of
//    orders there are) or 1000, whichever is fewer;
//  - a mask that would give some sample a 301st entry does not fit;
//  - the observer may stop the passes between two passes (Ctrl-C); slot 3
//    then holds the best schedule found so far.
#pragma once

#include "labeling/pairs.h"

struct KemraData;

struct BatchParams {
    int max = 0;              // passes; 0 or less: all systematic orders
    bool random = false;      // a random order each pass
    int seed = -1;            // stream of the random orders (ran1), updated
    int randompasses = 1000;  // passes of random orders without max
};

class BatchObserver {
   public:
    virtual ~BatchObserver() = default;
    // A pass beat the best score and is now slot 3: used samples, the best
    // score before it (integer) and its score.
    virtual void improved(const Schedule& s, int used, int best, double score) {
        (void)s, (void)used, (void)best, (void)score;
    }
    virtual bool stop() { return false; }
};

struct BatchResult {
    int passes = 0, improvements = 0;
    int best = -50000;
};

// Runs the passes over the batch of lab; writes slot 3 only.
BatchResult addbatch(const KemraData& mol, LabelData& lab, const TypeMatrix& uniqs,
                     const TypeMatrix& allowed, BatchParams& p, BatchObserver& obs);

// Next permutation of order[1..n] in lexicographic order; false (order
// unchanged) when it is the last one.
bool nextorder(int* order, int n);
