// Annealing over the residue-type labels of a schedule.
//
// A schedule is fixed by which samples carry 13C on the carbonyl of each
// residue type (c) and which 15N on the amide (n): an occurring pair (f, e)
// shows in the samples c[f] & n[e]. The search flips single labels and keeps
// the labels that resolve the most unique pairs with duplicate total 0 and no
// sample above the peak limit; it reaches schedules that no pair order gives,
// because it never fixes one pair's samples before the next pair is seen.
//
// Only pairs of the base selection are written into the schedule, so a label
// that no base pair uses is dropped (normalised) before a state is judged.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "labeling/pairs.h"

struct Labels {
    std::array<uint32_t, kTypes + 1> c{}, n{};  // sample bits per residue type
    bool operator==(const Labels&) const = default;
};

class Annealer {
   public:
    // samples: the sample bits the labels may use; maxpeaks 999 = no limit.
    Annealer(const Selection& base, const TypeMatrix& uniqs, const TypeMatrix& allowed,
             uint32_t samples, int maxpeaks);

    struct Eval {
        int resolved = 0;  // unique pairs whose mask no other occurring pair has
        int total = 0;     // duplicate total against the allowed matrix
        int excess = 0;    // peaks above the limit, summed over the samples
        bool feasible() const { return total == 0 && excess == 0; }
    };
    // Labels reduced to those some base pair uses.
    Labels normalised(const Labels& l) const;
    // Exact judgement of normalised labels (bits outside the samples are ignored).
    Eval evaluate(const Labels& l);
    // The schedule of labels: each base pair in the samples of its mask.
    // false when a sample would hold more than 300 entries.
    bool toschedule(const Labels& l, Schedule& s) const;
    // Searches from start for at most steps moves (stopping early when bound
    // pairs are resolved, when the best has not improved for a long while,
    // or when stop says so); returns the best feasible
    // labels, start when nothing better is found. Same seed, same result.
    Labels search(const Labels& start, uint64_t seed, long steps, int bound,
                  const std::function<bool()>& stop = nullptr);

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

   private:
    struct Occurring {
        int f, e, allowed, occ;
        bool unique;
    };
    struct Moved {
        int pair;
        uint32_t old;
    };
    struct Relabel {
        bool cside;
        int t;
        uint32_t old;
    };
    void relabel(bool cside, int t);
    void movepair(int i, uint32_t m);
    void group(uint32_t m, int sign);
    void peaks(uint32_t m, int occ);

    const Selection& base_;
    std::vector<Occurring> pairs_;                        // occurring pairs, front-major
    std::array<std::vector<int>, kTypes + 1> row_, col_;  // their indices by front / end
    std::array<uint32_t, kTypes + 1> ends_{}, fronts_{};  // base partners as type bits
    std::vector<int> count_;                              // pairs per mask, reference judge
    std::vector<int> cvars_, nvars_;                      // types a label can matter for
    uint32_t samples_;
    std::vector<int> bits_;  // sample bits in use
    int maxpeaks_;
    // Incremental judgement, used when every allowed value is the same.
    bool uniform_ = true;
    std::vector<int> cost_;  // duplicate total of a group of pairs by its size
    std::vector<uint32_t> mask_;
    std::vector<int> cnt_, uq_;  // occurring and unique pairs per mask
    std::array<int, kSamples> peaks_{};
    Labels cur_, cn_, savedcur_, savedcn_;
    Eval ev_, savedev_;
    std::vector<Moved> log_;
    std::array<Relabel, 2 * kTypes + 2> relabels_{};
    int nlog_ = 0, nrelab_ = 0;
};
