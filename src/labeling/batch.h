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
//  - the observer may stop the passes between two pairs (Ctrl-C); a pass cut
//    short is not scored, and slot 3 holds the best schedule found so far;
//  - a trial mask is judged by the change it makes to the duplicate total
//    (DupeIndex), not by checking the whole schedule again: the same
//    total, so the same placements, in a small part of the time.
#pragma once

#include <utility>

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
    // Before the first pass: the passes the parameters ask for.
    virtual void begin(long long planned) { (void)planned; }
    // After each pass: the passes done and the best score (integer).
    virtual void passed(long long passes, int best) { (void)passes, (void)best; }
};

struct BatchResult {
    long long passes = 0;
    int improvements = 0;
    int best = -50000;
    bool interrupted = false;
};

// The duplicate total (checkschedule after fillschednrs) of a schedule whose
// nsamples is 20, kept up to date as entries go in, and the total a trial
// entry would give. In such a schedule a pair's mask is the samples that
// label its front type and its end type, so an entry (f, e) changes only row
// f and column e, and the total only in the mask groups those pairs leave
// or join.
class DupeIndex {
   public:
    DupeIndex(const Schedule& s, const TypeMatrix& uniqs, const TypeMatrix& allowed);
    int total() const { return total_; }
    int maxmask() const { return maxmask_; }  // the largest pair mask
    // The total with (f, e) added to the samples of m (1 to 2^20 - 1).
    int with(int f, int e, int m) const;
    void add(int f, int e, int m);
    // True when no mask can give a total below 1 (then every with() does not).
    bool hopeless(int f, int e) const;

   private:
    static bool valid(int t) { return t >= 1 && t <= kTypes; }
    int maskof(int f, int e) const;
    void rebuild();

    const TypeMatrix& uniqs_;
    const TypeMatrix& allowed_;
    std::array<uint32_t, kTypes + 1> fronts_{}, ends_{};   // samples that label each type
    std::array<std::pair<int, int>, kMaxPairs> bymask_{};  // (mask, front-major position)
    std::array<int, kMaxPairs> groupdupes_{};              // of the group of each bymask_ entry
    int n_ = 0, total_ = 0, maxmask_ = 0;
    bool nonnegative_ = true;  // no allowance below 0
};

// Runs the passes over the batch of lab; writes slot 3 only.
BatchResult addbatch(const KemraData& mol, LabelData& lab, const TypeMatrix& uniqs,
                     const TypeMatrix& allowed, BatchParams& p, BatchObserver& obs);

// Passes the parameters ask for with a batch of n entries (n! saturated).
long long plannedpasses(int n, const BatchParams& p);

// Next permutation of order[1..n] in lexicographic order; false (order
// unchanged) when it is the last one.
bool nextorder(int* order, int n);
