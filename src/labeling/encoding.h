// The exact engine's formula: label bits, pair masks, distinct masks or
// codes, the count of resolved pairs, and the clock its solver runs under.
//
// Encoding, for k samples (variables 1-based, as the solver wants them):
//  - label bits C(f,s) and N(e,s) for the types that can carry them (in
//    HNCO the fronts and ends of base pairs; with two spectra 15N on the
//    ends of base pairs that can show, 13C on their occurring fronts): the
//    search space proper;
//  - normalisation: C(f,s) -> OR N(e,s) over the partners e of f, and in
//    HNCO the same for N; without it the solver would count labels that the
//    schedule never writes. The offer, per type and sample: no 13C alone
//    (not C or N), no 15N alone (not N or C), no both (not C or not N);
//  - HNCO:
//    pair masks M(p,s) <-> C(f,s) & N(e,s) and "shows" Y(p) <-> OR_s M(p,s)
//    for every occurring pair p = (f, e) both of whose types carry labels
//    (the others never show);
//    distinct masks, in one of two ways. Mask values: one indicator per pair
//    and non-zero value v, true exactly when the pair's mask is v, and at
//    most one pair per value (a sequential at-most-one). Differences: for
//    every two pairs p, q a bit D(p,q,s) -> M(p,s) xor M(q,s) and the clause
//    not Y(p) or OR_s D(p,q,s). The values grow with 2^k and the differences
//    with the square of the pairs, but the values let the solver reason
//    about which masks are still free: on the rows that fill every mask
//    (31 pairs on 5 samples) they answer in a second where the differences
//    alone run out of 45 seconds. So the values are used up to valuesmax
//    samples and the differences above;
//  - two spectra: the HNCO bits M(p,s) as above, the HSQC bits are N(e,s)
//    themselves. Y(p) for a unique pair only, and it implies a non-empty
//    code (OR_s N(e,s)) and a difference from every other pair q that can
//    show, unique or not: not Y(p) or X(e_p,e_q) or OR_s D(p,q,s), with
//    X(e1,e2) -> OR_s (N(e1,s) xor N(e2,s)) one per two end types, shared by
//    all their pairs. Pairs with one end type share the HSQC word (no X);
//    pairs with one front and two ends have equal HNCO bits whenever their
//    HSQC words are equal (no D). Pairs that both occur more than once get
//    no clause. Only differences: the 3^k - 1 values would be 80 on 4
//    samples and 242 on 5, each with an indicator per pair, while the
//    counting bound binds no protein measured (3^4 - 1 = 80 codes for 46
//    pairs of ubiquitin): what limits the two-spectrum model is the shared
//    HSQC word of the pairs with one end type, which the differences see;
//  - "at least R": a totalizer over Y of the pairs that occur once, with
//    only the clauses that push a true output down to the leaves (o_j ->
//    at least j inputs), and capped at min(unique pairs, codes(k)). With the
//    values a second totalizer counts the values that a pair occurring once
//    takes, the same number seen from the masks' side. R is an assumption
//    on output o_R, so one solver answers every R for its k incrementally
//    and keeps what it learnt;
//  - symmetry: samples are interchangeable, so the label columns of the
//    samples are ordered lexicographically (column s >= column s+1). It cuts
//    k! copies of every solution, which a proof of infeasibility would
//    otherwise refute one by one.
#pragma once

#include <algorithm>
#include <array>
#include <atomic>
#include <cadical.hpp>
#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "labeling/exact.h"
#include "labeling/reach.h"

namespace exact {

using Clock = std::chrono::steady_clock;

// The request's clock. A budget in wall-clock seconds would make the answer
// depend on the machine and its load, and with it the stored schedules of a
// seeded run; so the budget is counted in work: solver conflicts (one per
// learnt clause) and annealing moves, each at a rate assumed per second. A
// conflict costs more on a larger formula: measured here, the rate falls
// with the clause count to the power 3/4 (35 000 conflicts a second on GB1
// with 5 samples, 15 000 clauses; 3 500 on MBP with 8, 330 000 clauses).
// The first solve of a formula also simplifies it before any conflict:
// seconds on the largest (a random 1000-residue protein with 9 samples,
// 1.8 million clauses, took 8 s), charged by its size.
// The wall clock only guards: a request stops at wallfactor times its budget
// whatever its work, and the caller's interrupt stops it at once.
class Stopper : public CaDiCaL::Terminator, public CaDiCaL::Learner {
   public:
    Stopper(const ExactLimits& lim, const ExactOptions& opt)
        : lim_(lim), wallfactor_(static_cast<double>(opt.wallfactor)), start_(Clock::now()) {}
    bool terminate() override { return expired() || (slice_ > 0 && work() >= slice_); }
    bool learning(int) override {
        charged_ += perconflict_;
        return false;  // counted, not exported
    }
    void learn(int) override {}
    // Seconds of work one conflict of the formula about to be solved costs.
    void solving(double perconflict) { perconflict_ = perconflict; }
    // A budget for the next calls only, seconds of work from now; 0 lifts it.
    void slice(double seconds) { slice_ = seconds > 0 ? work() + seconds : 0; }
    bool sliced() const { return slice_ > 0 && work() >= slice_; }
    bool expired() {
        if (stopped_) return true;
        stopped_ = (lim_.seconds > 0 && work() >= lim_.seconds) || interrupted() ||
                   (settled_ && *settled_);
        return stopped_;
    }
    // The caller's interrupt or the wall-clock guard, whatever the work.
    bool interrupted() const {
        return (lim_.interrupt && lim_.interrupt()) ||
               (lim_.seconds > 0 && wall() >= wallfactor_ * lim_.seconds);
    }
    // A flag that, once true, says the answer is settled elsewhere.
    void settle(const std::atomic<bool>* flag) { settled_ = flag; }
    // Work done elsewhere for this request (annealing, a part request).
    void charge(double seconds) { charged_ += seconds; }
    // Back to the work done at an earlier point, as if what followed had not run.
    void rewind(double work) { charged_ = work; }
    double work() const { return charged_; }
    // Seconds of work left; a large number when there is no budget.
    double remaining() const { return lim_.seconds > 0 ? lim_.seconds - work() : 1e9; }
    int conflicts() const { return lim_.conflicts; }

   private:
    double wall() const { return std::chrono::duration<double>(Clock::now() - start_).count(); }
    const ExactLimits& lim_;
    double wallfactor_;
    Clock::time_point start_;
    double perconflict_ = 0;
    double charged_ = 0;
    bool stopped_ = false;
    double slice_ = 0;
    const std::atomic<bool>* settled_ = nullptr;
};

// What the encoding needs of a protein: the types that carry labels and the
// occurring pairs that can show (reach.h).
struct Problem {
    struct Pair {
        int f, e;
        bool unique;
    };
    Model model;
    Offer offer;
    LabelVars vars;
    std::vector<int> ctypes, ntypes;  // types with a 13C, a 15N label
    std::vector<Pair> pairs;          // occurring pairs that take part and can show
    int unique = 0;                   // of these, pairs that occur once
    bool supported = true;            // every allowed value 1 (HNCO)
};

Problem analyse(const Selection& base, const TypeMatrix& uniqs, const TypeMatrix& allowed,
                const Model& model, const Offer& offer);

inline int trivialbound(const Problem& p, int k) {
    return static_cast<int>(std::min<long long>(p.unique, p.model.codes(k)));
}

inline uint32_t samplebits(int k) { return k >= 32 ? ~0u : (1u << k) - 1; }

inline bool validk(int k) { return k >= 1 && k <= kSamples; }

// The formula for k samples; one solver answers every "at least R".
class Encoding {
   public:
    // dry: counts the clauses and gives the solver none, for a budget
    // that must know the formula's size before it is worth building.
    Encoding(const Problem& p, int k, const ExactOptions& opt, bool dry = false);

    int cap() const { return cap_; }
    // Conflicts a budget of seconds of work pays for after the first solve's setup.
    double conflictsin(double seconds) const { return (seconds - setup_) / perconflict_; }

    // The solver's first guesses: the labels l.
    void phases(const Labels& l);

    // Assumptions that keep the labels of every type outside free as in l.
    std::vector<int> fixed(const Labels& l, uint32_t free) const;

    // conflicts < 0: the request's own limit.
    ExactAnswer solve(int atleast, Stopper& stop, Labels* out, const std::vector<int>& assume = {},
                      int conflicts = -1);

   private:
    void setcost(const ExactOptions& opt);
    int var() { return ++nvars_; }
    std::vector<int> block() {
        std::vector<int> b(static_cast<size_t>(k_));
        for (int& v : b) v = var();
        return b;
    }
    template <class Lits>
    void add(const Lits& lits) {
        if (lits.size() > 1) ++clauses_;  // units go to the trail
        if (dry_) return;
        for (int l : lits) solver_.add(l);
        solver_.add(0);
    }
    void add(std::initializer_list<int> lits) { add<std::initializer_list<int>>(lits); }

    // A label only where a partner gives it a use, and only forms offered.
    void normalise();

    // The two-spectrum model: HNCO bits M(p,s) <-> C(f,s) & N(e,s), the HSQC
    // bits are N(e,s). A unique pair is resolved (Y) only when its code is
    // not empty and differs from the code of every other pair; shared codes
    // of pairs occurring more than once cost nothing, so only the pairs of
    // pairs with a unique one get a difference. Pairs with one end type
    // share the HSQC word and differ by the HNCO bits alone; pairs with one
    // front and two ends have equal HNCO bits whenever their HSQC words are
    // equal, so those differ by the HSQC word alone.
    void codes();

    // No two showing pairs on one mask: some sample tells them apart.
    void distinct(const std::vector<std::vector<int>>& m, const std::vector<int>& shows);

    // One indicator per pair and mask value, at most one pair per value;
    // returns per value "a pair that occurs once has it".
    std::vector<int> values(const std::vector<std::vector<int>>& m);

    // Column s >= column s+1 in lexicographic order over all label bits.
    void ordersamples();

    // Outputs o_1..o_n (n capped) with o_j -> at least j inputs true.
    std::vector<int> totalize(const std::vector<int>& in);

    Labels model();

    const Problem& p_;
    int k_, cap_;
    int nvars_ = 0;
    double perconflict_ = 0;  // seconds of work per conflict
    double setup_ = 0;        // work of the first solve before its first conflict
    bool setupcharged_ = false;
    bool dry_ = false;
    long clauses_ = 0;  // of two literals or more
    CaDiCaL::Solver solver_;
    std::array<std::vector<int>, kTypes + 1> c_, n_;  // label variables by type and sample
    std::vector<int> once_;                           // Y of the unique pairs (two spectra)
    std::vector<int> out_;                            // totalizer outputs
    std::vector<int> cover_;                          // the same over mask values
};

}  // namespace exact
