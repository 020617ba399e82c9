// Annealing over the residue-type labels of a schedule.
//
// A schedule is fixed by which samples carry 13C on the carbonyl of each
// residue type (c) and which 15N on the amide (n): an occurring pair (f, e)
// shows in the samples c[f] & n[e]. The search flips single labels and keeps
// the labels that resolve the most unique pairs with duplicate total 0 and no
// sample above the peak limit; it reaches schedules that no pair order gives,
// because it never fixes one pair's samples before the next pair is seen.
//
// The model says what a state shows (model.h). In the HNCO model only pairs
// of the base selection are written into the schedule, so a label that no
// base pair uses is dropped (normalised) before a state is judged. In the
// two-spectrum model the labels are the design: 15N on a type that ends a
// unique pair always shows in the HSQC, and 13C on a type counts where a
// partner that can show carries 15N. A form the offer lacks makes a state
// infeasible, as a duplicate does.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "labeling/codecounts.h"
#include "labeling/pairs.h"

class Annealer {
   public:
    // samples: the sample bits the labels may use; maxpeaks 999 = no limit.
    Annealer(const Selection& base, const TypeMatrix& uniqs, const TypeMatrix& allowed,
             uint32_t samples, int maxpeaks, const Model& model = {}, const Offer& offer = {});

    struct Eval {
        int resolved = 0;    // unique pairs whose code no other occurring pair has
        int total = 0;       // duplicate total against the allowed matrix
        int excess = 0;      // peaks above the limit, summed over the samples
        int notoffered = 0;  // labels that need a form not offered
        bool feasible() const { return clean() && notoffered == 0; }
        bool clean() const { return total == 0 && excess == 0; }  // the offer aside
        int penalty() const { return total + excess + notoffered; }
    };
    // Labels reduced to those some base pair uses.
    Labels normalised(const Labels& l) const;
    // Exact judgement of normalised labels (bits outside the samples are ignored).
    Eval evaluate(const Labels& l);
    // The schedule of labels: each base pair in the samples of its mask (and,
    // in the two-spectrum model, the labels no entry implies as extras).
    // false when a sample would hold more than 300 entries.
    bool toschedule(const Labels& l, Schedule& s) const;
    // Searches from start for at most steps moves (stopping early when bound
    // pairs are resolved, when the best has not improved for a long while,
    // or when stop says so); returns the best feasible
    // labels, start when nothing better is found. Same seed, same result.
    Labels search(const Labels& start, uint64_t seed, long steps, int bound,
                  const std::function<bool()>& stop = nullptr);
    // Clean labels near l (normalised, feasible): label bits taken away one
    // at a time, each the one that leaves the least penalty and then the most
    // resolved pairs. Turns a near miss of another search into a schedule.
    Labels repaired(const Labels& l);

    // The walk's state, judged incrementally: load sets it, change flips
    // label bits of one residue type (c side or n side), revert undoes the
    // changes since the last commit.
    void load(const Labels& l);
    void change(bool cside, int t, uint32_t bits);
    void commit() { nlog_ = 0, nrelab_ = 0; }
    void revert();
    const Eval& current() const { return ev_; }
    const Labels& labels() const { return cn_; }
    // What a move may flip: types whose 13C or 15N label some base pair
    // uses, and the sample bits.
    const std::vector<int>& cvars() const { return cvars_; }
    const std::vector<int>& nvars() const { return nvars_; }
    const std::vector<int>& bits() const { return bits_; }
    const Model& model() const { return model_; }

   private:
    struct Occurring {
        int f, e, allowed, occ;
        bool unique;
    };
    struct Moved {
        int pair;
        Code old;
    };
    struct Relabel {
        bool cside;
        int t;
        uint32_t old;
    };
    void relabel(bool cside, int t);
    void movepair(int i, Code m);
    void group(const CodeCounts::Cell& g, int sign);
    void peaks(uint32_t m, int occ);
    void offered(int t);
    uint32_t cnorm(int t, const Labels& l) const;
    uint32_t nnorm(int t, const Labels& l) const;

    const Selection& base_;
    Model model_;
    Offer offer_;
    std::vector<Occurring> pairs_;  // occurring pairs that can show, front-major
    std::array<std::vector<int>, kTypes + 1> row_, col_;  // their indices by front / end
    // Normalisation: the 13C label of f counts where a type of ends_[f]
    // carries 15N, the 15N label of e where a type of fronts_[e] carries 13C
    // (or everywhere, with nalone_). cdeps_[e] and ndeps_[f] are the labels
    // whose normal form a change of n[e] or c[f] can change.
    std::array<uint32_t, kTypes + 1> ends_{}, fronts_{}, cdeps_{}, ndeps_{};
    std::array<uint32_t, kTypes + 1> baseends_{};  // base pairs, as end type bits per front
    bool nalone_ = false;
    uint32_t nset_ = 0;               // with nalone_: the types whose 15N label counts
    bool dupes_ = true;               // shared codes cost duplicates (HNCO)
    CodeCounts count_;                // pairs per code, reference judge
    std::vector<int> cvars_, nvars_;  // types a label can matter for
    uint32_t samples_;
    std::vector<int> bits_;  // sample bits in use
    int maxpeaks_;
    // Incremental judgement, used when every allowed value is the same.
    bool uniform_ = true;
    std::vector<int> cost_;  // duplicate total of a group of pairs by its size
    std::vector<Code> mask_;
    CodeCounts cnt_;  // occurring and unique pairs per code
    std::array<int, kSamples> peaks_{};
    std::array<int, kTypes + 1> nocount_{};  // notoffered per type
    Labels cur_, cn_, savedcur_, savedcn_;
    Eval ev_, savedev_;
    std::vector<Moved> log_;
    std::array<Relabel, 2 * kTypes + 2> relabels_{};
    int nlog_ = 0, nrelab_ = 0;
};
