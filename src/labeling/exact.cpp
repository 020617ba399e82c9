// Exact label design on CaDiCaL: the portfolio (exact.h); the formula is in
// encoding.h.
#include "labeling/exact.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <optional>
#include <random>
#include <thread>
#include <vector>

#include "labeling/breakout.h"
#include "labeling/encoding.h"

namespace {

using exact::analyse;
using exact::Encoding;
using exact::Problem;
using exact::samplebits;
using exact::Stopper;
using exact::trivialbound;
using exact::validk;

// Best labels so far and their judgement.
struct Best {
    Labels labels;
    int resolved = 0;
    // Takes l when it is clean and resolves more (or as many, when ties).
    bool offer(Annealer& judge, const Labels& l, bool ties = false) {
        Labels n = judge.normalised(l);
        Annealer::Eval ev = judge.evaluate(n);
        if (!ev.feasible() || ev.resolved < resolved + (ties ? 0 : 1)) return false;
        labels = n, resolved = ev.resolved;
        return true;
    }
};

// A short annealing run within its share of the budget.
void anneal(Annealer& judge, Best& best, int bound, Stopper& stop, const ExactLimits& lim,
            const ExactOptions& opt) {
    if (opt.annealsteps <= 0 || best.resolved >= bound || stop.expired()) return;
    long steps = opt.annealsteps;
    if (lim.seconds > 0)
        steps = std::min(steps, static_cast<long>(
                                    stop.remaining() *
                                    static_cast<double>(opt.annealrate * opt.annealshare) / 100.0));
    if (steps <= 0) return;
    // From empty labels: on MBP a walk from empty labels found all pairs on 9
    // samples, one from the best 8-sample labels did not.
    best.offer(judge, judge.search(Labels(), static_cast<uint64_t>(opt.annealseed), steps, bound));
    stop.charge(static_cast<double>(steps) / static_cast<double>(std::max(opt.annealrate, 1L)));
}

// Labels that resolve every unique pair, by the weighted local search and
// then the solver on that one question; only when every unique pair can
// have a mask of its own on k samples. The walk's moves and the solver's
// work here are budgets of their own, so that the main solver's work is the
// same whether this search runs before it (one thread) or beside it (two):
// a seeded request gives the same answer either way. Beside the solver it
// ends the solver once it has the labels, since nothing resolves more, and
// ends itself when the solver proves that nothing can.
//
// The solver here asks "all of them" at once, in the configuration tuned
// for satisfiable formulas. The main solver spreads its time over the
// bound, the neighbourhoods and the climb; asked directly, the same formula
// yields its yes far sooner. On a random 164-residue protein (85 pairs the
// offer lets show, 7 samples) the direct question in that configuration
// found the labels within 20 s of work (not within 15), in the default one
// in 96 s of wall clock, while the whole portfolio with 300 s of work
// stopped at 8 samples. Its phases are the solver's own: started at the
// walk's nearest miss it found nothing in 20 s of work. It is not asked
// when the walk stayed more than giveup constraints from its goal, which on
// the measured proteins means there is none, nor when its budget pays for
// fewer than directconflicts conflicts: on the large formulas (MBP and a
// random 350-residue protein on 7 samples) 300 s of work found nothing,
// and on a random 1000-residue protein a question in vain doubled the
// request's wall clock. After a far walk the question is asked for its
// proof, in the configuration for unsatisfiable formulas and on a budget
// of its own: on a random 1000-residue protein with 8 samples (68 pairs,
// a million clauses) it refutes all of them within 20 s of work (not
// within 10), while the main solver's bound question gets 2 s. Where it
// fails, the request waits for it: a design on 9 samples of a random
// 700-residue protein took 64 s instead of 49, one of MBP on 8 41 s
// instead of 32. So only requests of refuteseconds or more ask for it.
// A proof lowers the bound only once the climb is over, whatever the
// climb did meanwhile. MBP on 7 samples is the hard case: the formula for
// all 74 pairs (224 000 clauses) is unsatisfiable, the unsat configuration
// proves it in 707 s on one core, and a request of 1200 s proves the bound
// 73 before its wall-clock guard. A split on the first entry of the sample
// order (ALA's 13C, a run of ones) makes parts of 0 to 175 s and one past
// 300 s, so two cores would not bring it into a default run.
class AllPairs {
   public:
    AllPairs(const Selection& base, const TypeMatrix& uniqs, const Problem& p, int k,
             const Labels& start, Stopper& stop, const ExactLimits& lim, const ExactOptions& opt)
        : p_(p), k_(k), opt_(opt), start_(start), stop_(stop) {
        if (p.unique > trivialbound(p, k)) return;
        if (opt.breakoutshare > 0) {
            walk_.emplace(base, uniqs, samplebits(k), p.model, p.offer);
            limits_ = breakoutlimits(
                opt, lim.seconds > 0
                         ? static_cast<long>(
                               stop.remaining() *
                               static_cast<double>(opt.breakoutrate * opt.breakoutshare) / 100.0)
                         : opt.breakoutsteps);
        }
        // Without a budget the main solver's climb asks the same question.
        if (lim.seconds > 0 && opt.directshare > 0)
            direct_.seconds = stop.remaining() * static_cast<double>(opt.directshare) / 100.0;
        // The proof costs its budget in wall clock where it fails: only
        // requests long enough to afford it ask for it.
        if (lim.seconds >= static_cast<double>(opt.refuteseconds) && opt.refuteshare > 0 && walk_)
            refute_.seconds = stop.remaining() * static_cast<double>(opt.refuteshare) / 100.0;
        seed_ = static_cast<uint64_t>(opt.seed) * 0x9E3779B97F4A7C15ull + static_cast<uint64_t>(k);
    }
    bool wanted() const { return limits_.steps > 0 || direct_.seconds > 0; }
    // Proven: k samples cannot resolve every unique pair. Read after finish.
    bool refuted() const { return refuted_; }
    // Before the solver, on this thread.
    void run() {
        found_ = seek([&] { return stop_.interrupted(); }, labels_);
    }
    // Beside it: the solver's stopper ends once the labels are found.
    void start() {
        stop_.settle(&found_);
        thread_ = std::thread([this] {
            Labels l;
            if (seek([this] { return cancel_.load(); }, l)) labels_ = l, found_ = true;
            finished_ = true;
        });
    }
    // Waits for it (the interrupt and the wall-clock guard still end it),
    // or ends it at once when the solver has proven it in vain.
    void finish(bool vain) {
        if (!thread_.joinable()) return;
        if (vain) cancel_ = true;
        while (!finished_) {
            if (stop_.interrupted()) cancel_ = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        thread_.join();
    }
    ~AllPairs() {
        cancel_ = true;
        if (thread_.joinable()) thread_.join();
    }
    bool found() const { return found_; }
    const Labels& labels() const { return labels_; }

   private:
    bool seek(const std::function<bool()>& cancel, Labels& out) {
        if (walk_ && walk_->search(start_, seed_, limits_, cancel, out)) return true;
        if (cancel()) return false;
        // A walk left far from its goal says there is likely none to find:
        // then the question is asked for its proof.
        const bool far = walk_ && walk_->fewest() > limits_.giveup;
        ExactLimits& budget = far ? refute_ : direct_;
        ExactOptions o = opt_;
        o.config = far ? opt_.refuteconfig : opt_.directconfig;
        if (budget.seconds <= 0) return false;
        if (!far && Encoding(p_, k_, o, true).conflictsin(budget.seconds) <
                        static_cast<double>(opt_.directconflicts))
            return false;
        budget.interrupt = cancel;
        Stopper own(budget, o);
        Encoding enc(p_, k_, o);
        const ExactAnswer a = enc.solve(p_.unique, own, &out);
        refuted_ = a == ExactAnswer::unsat;
        return a == ExactAnswer::sat;
    }

    const Problem& p_;
    int k_;
    ExactOptions opt_;
    ExactLimits direct_;            // the direct question's budget; none when 0
    ExactLimits refute_;            // the same, asked for its proof
    std::optional<Breakout> walk_;  // only when wanted
    Labels start_, labels_;
    Stopper& stop_;
    Breakout::Limits limits_;
    uint64_t seed_ = 0;
    std::atomic<bool> found_{false}, cancel_{false}, finished_{false};
    bool refuted_ = false;
    std::thread thread_;
};

// Large neighbourhood search: the labels of all but a few residue types stay
// as in the best labels, and the solver looks among the rest for one more
// resolved pair, briefly; a small neighbourhood is a small problem even on a
// large protein.
void improve(const Problem& p, int k, Annealer& judge, Best& best, int bound, Stopper& stop,
             double seconds, const ExactOptions& opt) {
    if (opt.lnstypes <= 0 || best.resolved >= bound || seconds <= 0 || stop.expired()) return;
    ExactOptions unordered = opt;  // fixed labels need not be in sample order
    unordered.symmetry = 0;
    // With most labels fixed by assumptions a conflict is cheaper.
    unordered.conflictrate = opt.conflictrate * 100 / std::max(opt.lnscost, 1L);
    Encoding enc(p, k, unordered);
    std::vector<int> types;
    for (int t = 1; t <= kTypes; ++t)
        if ((p.vars.ctypes | p.vars.ntypes) >> t & 1) types.push_back(t);
    std::mt19937_64 rng(static_cast<uint64_t>(opt.seed) + 1);
    size_t nfree = std::min(types.size(), static_cast<size_t>(opt.lnstypes));
    int conflicts = static_cast<int>(opt.lnsconflicts);
    if (stop.conflicts() > 0) conflicts = std::min(conflicts, stop.conflicts());
    stop.slice(seconds);
    for (long idle = 0;
         idle < opt.lnspatience && best.resolved < bound && !stop.sliced() && !stop.expired();
         ++idle) {
        std::shuffle(types.begin(), types.end(), rng);
        uint32_t free = 0;
        for (size_t i = 0; i < nfree; ++i) free |= 1u << types[i];
        Labels l;
        if (enc.solve(best.resolved + 1, stop, &l, enc.fixed(best.labels, free), conflicts) ==
                ExactAnswer::sat &&
            best.offer(judge, l))
            idle = -1;
    }
    stop.slice(0);
}

}  // namespace

ExactAnswer exactresolve(const Selection& base, const TypeMatrix& uniqs, const TypeMatrix& allowed,
                         int k, int atleast, const ExactLimits& lim, Labels* labels,
                         const ExactOptions& opt, const Model& model, const Offer& offer,
                         double* work) {
    Problem p = analyse(base, uniqs, allowed, model, offer);
    if (!p.supported || !validk(k)) return ExactAnswer::refused;
    Stopper stop(lim, opt);
    Encoding enc(p, k, opt);
    const ExactAnswer a = enc.solve(atleast, stop, labels);
    if (work) *work = stop.work();
    return a;
}

namespace {

// The solver's part of the portfolio: the bound itself, the neighbourhood
// search, the climb.
void climb(const Problem& p, int k, Annealer& judge, Best& best, int& bound, int target,
           Stopper& stop, const ExactOptions& opt) {
    Encoding enc(p, k, opt);
    // The bound itself first, briefly: it settles the easy rows.
    stop.slice(stop.remaining() * static_cast<double>(opt.topshare) / 100);
    Labels top;
    ExactAnswer a = enc.solve(bound, stop, &top);
    if (a == ExactAnswer::unsat) --bound;
    if (a == ExactAnswer::sat) best.offer(judge, top);
    stop.slice(0);
    if (bound < target) return;
    improve(p, k, judge, best, bound, stop,
            stop.remaining() * static_cast<double>(opt.lnsshare) / 100, opt);
    if (opt.phases) enc.phases(best.labels);
    // Galloping: each success doubles the step; a long jump gets a quarter
    // of the time left, a step of one all of it.
    int step = 1;
    while (best.resolved < bound && bound >= target && !stop.expired()) {
        int want = std::min(best.resolved + step, bound);
        stop.slice(step > 1 ? std::max(stop.remaining() / 4, 0.01) : 0);
        Labels l;
        a = enc.solve(want, stop, &l);
        if (a == ExactAnswer::unsat) bound = want - 1;
        if (a == ExactAnswer::sat && best.offer(judge, l))
            step *= 2;
        else if (step > 1)
            step = 1;
        else if (a != ExactAnswer::unsat)
            break;
    }
    stop.slice(0);
}

// The portfolio on k samples: annealing, the all-pairs local search, the
// bound itself, neighbourhood search, then the climb that ends in a proof.
// Gives up early once the bound falls below target.
void maximise(const Selection& base, const TypeMatrix& uniqs, const Problem& p, int k,
              Annealer& judge, Best& best, int& bound, int target, Stopper& stop,
              const ExactLimits& lim, const ExactOptions& opt) {
    anneal(judge, best, bound, stop, lim, opt);
    if (best.resolved >= bound) return;
    AllPairs side(base, uniqs, p, k, best.labels, stop, lim, opt);
    if (side.wanted() && lim.threads <= 1) {
        side.run();
        if (side.found()) {
            best.offer(judge, side.labels(), true);
            return;
        }
    } else if (side.wanted()) {
        side.start();
    }
    const double before = stop.work();
    climb(p, k, judge, best, bound, target, stop, opt);
    side.finish(bound < p.unique);
    // The climb does the same work whatever the proof found, and the proof
    // is cut short only when the climb has made it needless: the bound is
    // the same on one thread and two.
    if (side.refuted()) bound = std::min(bound, p.unique - 1);
    // Its labels and the work as on one thread, whatever the solver did
    // meanwhile: the next request's budget must not depend on the threads.
    if (side.found()) best.offer(judge, side.labels(), true), stop.rewind(before);
}

}  // namespace

ExactResult exactmaxresolved(const Selection& base, const TypeMatrix& uniqs,
                             const TypeMatrix& allowed, int k, const ExactLimits& lim,
                             const Labels* start, const ExactOptions& opt, const Model& model,
                             const Offer& offer) {
    ExactResult r;
    r.samples = k;
    Problem p = analyse(base, uniqs, allowed, model, offer);
    r.unique = p.unique;
    if (start) r.labels = *start;
    if (!p.supported || !validk(k)) {
        r.status = ExactStatus::refused;
        return r;
    }
    Stopper stop(lim, opt);
    Annealer judge(base, uniqs, allowed, samplebits(k), 999, model, offer);
    Best best;
    if (start) best.offer(judge, *start);
    r.bound = trivialbound(p, k);
    maximise(base, uniqs, p, k, judge, best, r.bound, 0, stop, lim, opt);
    r.found = best.resolved;
    r.labels = best.labels;
    r.work = stop.work();
    r.status = r.found == r.bound ? ExactStatus::proven : ExactStatus::unknown;
    return r;
}

ExactFewest exactfewest(const Selection& base, const TypeMatrix& uniqs, const TypeMatrix& allowed,
                        const ExactLimits& lim, const ExactOptions& opt, const Model& model,
                        const Offer& offer) {
    ExactFewest r;
    Problem p = analyse(base, uniqs, allowed, model, offer);
    r.unique = p.unique;
    if (!p.supported) {
        r.status = ExactStatus::refused;
        return r;
    }
    // Distinct non-empty codes for all of them need codes(k) >= unique.
    r.lower = model.fewest(p.unique);
    if (p.unique == 0) {
        r.status = ExactStatus::proven;
        return r;
    }
    Stopper stop(lim, opt);
    int last = static_cast<int>(std::min<long>(opt.maxsamples, kSamples));
    Labels carry;  // the best labels of fewer samples fit more samples too
    for (int k = r.lower; k <= last && !r.upper && !stop.expired(); ++k) {
        // Each sample count gets half the time left: the first counts are
        // the hard ones, the later ones mostly easy.
        ExactLimits part = lim;
        if (lim.seconds > 0) part.seconds = k < last ? stop.remaining() / 2 : stop.remaining();
        Stopper partstop(part, opt);
        Annealer judge(base, uniqs, allowed, samplebits(k), 999, model, offer);
        Best best;
        best.offer(judge, carry);
        int bound = p.unique;
        maximise(base, uniqs, p, k, judge, best, bound, p.unique, partstop, part, opt);
        // Fewer samples never do better: an empty sample can be added.
        if (bound < p.unique) r.lower = k + 1;
        if (best.resolved >= p.unique) r.upper = k, r.labels = best.labels;
        carry = best.labels;
        stop.charge(partstop.work());
    }
    r.status = r.upper && r.lower == r.upper ? ExactStatus::proven : ExactStatus::unknown;
    return r;
}

Labels exactlabels(const Selection& base, const TypeMatrix& uniqs, const TypeMatrix& allowed, int k,
                   const ExactLimits& lim, const Labels& start, const ExactOptions& opt,
                   const Model& model, const Offer& offer) {
    ExactResult r = exactmaxresolved(base, uniqs, allowed, k, lim, &start, opt, model, offer);
    return r.status == ExactStatus::refused || r.found == 0 ? start : r.labels;
}

bool onepercode(const TypeMatrix& uniqs, const TypeMatrix& allowed, const Model& model) {
    if (model.twospectra()) return true;  // the allowed duplicates apply to HNCO only
    for (int f = 1; f <= kTypes; ++f)
        for (int e = 1; e <= kTypes; ++e)
            if (uniqs[f][e] > 0 && allowed[f][e] != 1) return false;
    return true;
}

Breakout::Limits breakoutlimits(const ExactOptions& opt, long steps) {
    Breakout::Limits l;
    l.steps = steps;
    l.patience = opt.breakoutpatience, l.smooth = opt.breakoutsmooth;
    l.giveup = static_cast<int>(opt.breakoutgiveup);
    return l;
}
