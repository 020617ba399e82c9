// Labels that resolve every unique pair: a weighted local search.
//
// "Can k samples resolve every unique pair?" is the question that decides how
// many protein preparations a user makes. On large proteins its yes is hard
// to find for the other searches: on maltose-binding protein with 8 samples
// the annealer stops one or two pairs short, and the solver finds the labels
// in one seed out of seven. This search is built for that yes alone.
//
// Constraints, one per occurring pair that can show: a unique pair shows (its
// code is not empty), and a pair that shows is alone on its code (HNCO: every
// pair, the schedule must be clean; two spectra: a unique pair only, since
// other pairs may share codes freely). With forms missing from the offer,
// one more per residue type: its labels buy no form not offered, counted
// per sample (a move for it flips the type's own labels in those samples).
// Each carries
// a weight, and the cost of labels is the weight of the broken ones. A move
// flips one label bit, drawn from the bits of the two residue types of one
// broken constraint, as WalkSAT draws its flip from one broken clause: the
// move that lowers the cost most is made. When none lowers it, that
// constraint's weight grows by one (the breakout), which changes the
// landscape under the walk until the local minimum is one no longer. After
// every smooth-th growth all weights above one shrink by one, so that old
// minima are forgotten. A walk that has not bettered its own fewest broken
// constraints for patience moves starts again from random labels with all
// weights one: the times to a yes are heavy-tailed, and many short walks beat
// one long one. A first walk that stays far from zero (more than giveup
// broken) ends the search: on the counts that have a yes the first walk
// comes within a few (0 to 7 on MBP and a random 350-residue protein with 8
// samples, a random 1000-residue one with 9), on those that have none it
// stays far (13 to 35 with a sample fewer), and the time goes back to the
// solver.
//
// Masks follow the normalised labels, as the schedule writes them: a label
// shows only where some base pair uses it. So in the HNCO model a pair
// outside the base shows in c[f] & n[e] & P[f] & Q[e], where P[f] joins the
// 15N labels of the base partners of f and Q[e] the 13C labels of the base
// fronts of e; counts per type and sample keep P and Q as bits flip. A base
// pair's mask is c[f] & n[e]: P and Q cover it. With two spectra a code
// reads the labels as they are (c[f] & n[e] with n[e] inside P[f]); P only
// normalises 13C for the offer.
//
// Pairs per code: a table indexed by the mask in the HNCO model, the hashed
// table of codecounts.h with two spectra (3^k codes, at most 441 present),
// both made once; the move loop allocates nothing.
//
// Only every allowed value 1 is modelled (one pair per mask), as in the exact
// engine that uses this search. The search proves nothing: a failure only
// says that its moves ran out, and its labels are judged afresh by the caller.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "labeling/anneal.h"
#include "labeling/pairs.h"

class Breakout {
   public:
    // samples: the sample bits the labels may use.
    Breakout(const Selection& base, const TypeMatrix& uniqs, uint32_t samples,
             const Model& model = {}, const Offer& offer = {});

    struct Limits {
        long steps = 0;        // moves at most
        long patience = 0;     // moves without a gain before a walk starts again; 0 never
        long smooth = 0;       // weight growths between two shrinkings; 0 never
        int giveup = 1 << 20;  // a first walk that leaves more broken ends the search
    };
    // Walks from start (then from random labels) within the limits, or until
    // stop says so; true with out set to labels that break nothing,
    // normalised (those the annealer judges, buying no form not offered).
    bool search(const Labels& start, uint64_t seed, const Limits& lim,
                const std::function<bool()>& stop, Labels& out);
    long moves() const { return moves_; }   // moves the last search made
    int fewest() const { return fewest_; }  // its fewest broken constraints
    // The labels of that state, as they were (not normalised, maybe broken).
    const Labels& nearest() const { return nearest_; }

    // The walk's state, for the tests: load sets labels with all weights one,
    // flip flips one label bit (a variable), and recount judges the state
    // from scratch, which cost and broken must always agree with.
    void load(const Labels& l);
    void flip(int var);
    int variables() const { return static_cast<int>(vars_.size()); }
    long cost() const { return cost_; }
    int broken() const;
    long recount() const;
    // Grows the weights of a constraint's broken parts: a pair's
    // (0..pairs()-1), or of a type's forms (pairs() + type).
    void bump(int constraint);
    void smooth();  // shrinks every weight above one
    int pairs() const { return static_cast<int>(pairs_.size()); }
    int constraints() const { return pairs() + kTypes + 1; }
    int unique() const;    // unique pairs that can show
    int resolved() const;  // of these, those that show alone
    Labels labels() const { return cn_; }
    Labels normalised() const;

   private:
    struct Pair {
        int f, e;
        bool unique, base, alone;  // alone: must be alone on its code
    };
    struct Group {
        int cnt = 0;      // pairs on a code
        long weight = 0;  // "alone" weights of those that must be alone
    };
    struct Var {
        bool cside;
        int t, b;
    };
    Code maskof(const Pair& p) const;
    void move(int i, Code m);
    long groupcost(Code m) const;
    bool isbroken(int i) const;
    uint32_t cnorm(int t) const;
    uint32_t nnorm(int t) const;
    void forms(int t);  // recounts the forms not offered of type t

    Model model_;
    Offer offer_;
    bool offered_;  // some form is missing

    std::array<uint32_t, kTypes + 1> ends_{}, fronts_{};  // base partners as type bits
    std::vector<Pair> pairs_;
    std::vector<Var> vars_;
    std::array<std::vector<int>, kTypes + 1> row_, col_;  // pairs by front and by end type
    std::array<std::array<int, kSamples>, kTypes + 1> cvar_{}, nvar_{};
    std::vector<int> bits_;                       // sample bit positions in use
    Labels cn_;                                   // the labels, only bits of the samples in use
    Labels nearest_;                              // the labels of the fewest broken so far
    std::array<uint32_t, kTypes + 1> p_{}, q_{};  // P and Q above
    std::array<std::array<int, kSamples>, kTypes + 1> pcount_{}, qcount_{};
    std::vector<Code> mask_;
    std::vector<long> wshow_, walone_;       // weights of the two constraints per pair
    CodeTable<Group> groups_;                // pairs and "alone" weight per code
    std::array<int, kTypes + 1> nforms_{};   // samples buying a form not offered, per type
    std::array<long, kTypes + 1> wforms_{};  // their weight
    std::vector<int> brokenlist_;
    long cost_ = 0, moves_ = 0;
    int fewest_ = 0;
};
