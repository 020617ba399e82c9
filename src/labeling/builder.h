// The schedule builder: a schedule from an order of the unique pairs, each
// pair on the smallest sample mask that keeps within the duplicate and peak
// limits (see builder.cpp).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "labeling/pairs.h"

// Builds schedules from a pair order, placing pair after pair with the
// smallest sample mask that keeps the duplicate total at 0. Incremental: the
// pair-sample matrix of an occurring pair (a, b) is cmask[a] & nmask[b], so
// a placement changes one row and one column only, and a count of pairs per
// mask makes the duplicate test O(1) per changed pair.
class ScheduleBuilder {
   public:
    // A placement that would buy a form the offer lacks is refused; the
    // schedules built carry the model.
    ScheduleBuilder(const TypeMatrix& uniqs, const TypeMatrix& allowed, const Model& model = {},
                    const Offer& offer = {});
    // Builds into s; returns the number of pairs placed (also s.lastpair).
    // With giveup > 0 the build stops, returning -1, as soon as its
    // placements fill giveup samples: the caller knows it has lost by then,
    // and s holds only lastpair.
    int build(const Selection& base, const int* order, int npairs, Schedule& s, uint32_t cutoff,
              int maxpeaks, int giveup = 0);

   private:
    bool tryplace(int f, int e, uint32_t m, int maxpeaks);
    bool groupsok(int nchanged);
    void clear();
    int peaksafter(int s, int f, int e) const;
    // A partner of the pair being placed: its mask now, the sample bits a
    // candidate can add to it, and the candidates one refusal covers.
    struct Partner {
        uint32_t was, changing, run;
    };
    void addpartner(int& np, uint32_t was, uint32_t changing);

    const TypeMatrix& uniqs_;
    const TypeMatrix& allowed_;
    Model model_;
    Offer offer_;
    bool missing_ = false;    // the offer lacks some form
    int uniform_ = 0;         // the common allowed value when all are equal and positive
    int allpeaks_ = 0;        // peaks of a sample that labels every type both ways
    std::vector<int> count_;  // occurring pairs per sample mask
    std::array<uint32_t, kTypes + 1> cmask_{}, nmask_{};    // samples labelling a type
    std::array<uint32_t, kSamples + 1> fbits_{}, ebits_{};  // types labelled in a sample
    std::array<int, kSamples + 1> peaks_{};
    std::array<int, kSamples + 1> entries_{};  // entries per sample (300 at most)
    MaskMatrix mat_{};
    std::array<std::vector<int>, kTypes + 1> row_, col_;  // occurring partners
    struct Change {
        int a, b, old;
    };
    std::array<Change, 2 * kTypes + 2> changes_{};
    std::array<Partner, 2 * kTypes + 2> partners_{};
    struct Placement {
        int f, e;
        uint32_t m;
    };
    std::array<Placement, kTypes * kTypes> placements_{};  // in the order made
};

// The same build exactly as the steps read: every candidate is judged by
// recomputing the pair-sample matrix and the duplicate total from scratch.
int buildreference(const Selection& base, const int* order, int npairs, Schedule& s,
                   uint32_t cutoff, int maxpeaks, const TypeMatrix& uniqs,
                   const TypeMatrix& allowed, const Offer& offer = {});
