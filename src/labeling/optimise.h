// The schedule optimiser: builds schedules from orders of the unique pairs,
// scores them and keeps the ten best distinct ones.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "labeling/pairs.h"

struct OptParams {
    int iterations = -1;
    uint32_t cutoff = (1u << 15) - 1;  // sample mask limit
    TypeMatrix allowed{};
    int multipair = 1;
    int seed = 1;
    std::string filename = "NO";
    double accept_prob = 0.4;
    bool noban = false;
    double priceweight = 0, scoreweight = 1, fillweight = 1;
    int maxpeaks = 500;
};

double scoreschedule(Schedule& s, double scoreweight, double priceweight, double fillweight,
                     const TypeMatrix& uniqs, int nsamples = 0);

// Builds schedules from a pair order, placing pair after pair with the
// smallest sample mask that keeps the duplicate total at 0. Incremental: the
// pair-sample matrix of an occurring pair (a, b) is cmask[a] & nmask[b], so
// a placement changes one row and one column only, and a count of pairs per
// mask makes the duplicate test O(1) per changed pair.
class ScheduleBuilder {
   public:
    ScheduleBuilder(const TypeMatrix& uniqs, const TypeMatrix& allowed);
    // Builds into s; returns the number of pairs placed (also s.lastpair).
    int build(const Selection& base, const int* order, int npairs, Schedule& s, uint32_t cutoff,
              int maxpeaks);

   private:
    bool tryplace(int f, int e, uint32_t m, int maxpeaks);
    bool groupsok(int nchanged);
    void clear();
    int peaksafter(int s, int f, int e) const;

    const TypeMatrix& uniqs_;
    const TypeMatrix& allowed_;
    int uniform_ = 0;         // the common allowed value when all are equal and positive
    int refused_ = -1;        // row partner that refused the last candidate
    std::vector<int> count_;  // occurring pairs per sample mask
    std::array<uint32_t, kTypes + 1> cmask_{}, nmask_{};    // samples labelling a type
    std::array<uint32_t, kSamples + 1> fbits_{}, ebits_{};  // types labelled in a sample
    std::array<int, kSamples + 1> peaks_{};
    MaskMatrix mat_{};
    std::array<std::vector<int>, kTypes + 1> row_, col_;  // occurring partners
    struct Change {
        int a, b, old;
    };
    std::array<Change, 2 * kTypes + 2> changes_{};
};

// The same build exactly as the steps read: every candidate is judged by
// recomputing the pair-sample matrix and the duplicate total from scratch.
int buildreference(const Selection& base, const int* order, int npairs, Schedule& s,
                   uint32_t cutoff, int maxpeaks, const TypeMatrix& uniqs,
                   const TypeMatrix& allowed);

// Runs one optimisation with the parameters of countuniquepairs.
void optimipairs(OptParams& p);
