// Exact label design on CaDiCaL; the encoding and its reasons are in exact.h.
#include "labeling/exact.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cadical.hpp>
#include <chrono>
#include <cmath>
#include <initializer_list>
#include <optional>
#include <random>
#include <thread>
#include <vector>

#include "labeling/breakout.h"
#include "labeling/reach.h"

namespace {

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
                const Model& model, const Offer& offer) {
    Problem p;
    p.model = model, p.offer = offer;
    p.supported = onepercode(uniqs, allowed, model);
    p.vars = labelvars(base, uniqs, model);
    for (int t = 1; t <= kTypes; ++t) {
        if (p.vars.ctypes >> t & 1) p.ctypes.push_back(t);
        if (p.vars.ntypes >> t & 1) p.ntypes.push_back(t);
    }
    const std::array<uint32_t, kTypes + 1> shows = showable(p.vars, uniqs, model, offer);
    for (int f = 1; f <= kTypes; ++f)
        for (int e = 1; e <= kTypes; ++e) {
            if (uniqs[f][e] <= 0) continue;
            if (!(shows[static_cast<size_t>(f)] >> e & 1)) continue;
            p.pairs.push_back({f, e, uniqs[f][e] == 1});
            p.unique += uniqs[f][e] == 1;
        }
    return p;
}

int trivialbound(const Problem& p, int k) {
    return static_cast<int>(std::min<long long>(p.unique, p.model.codes(k)));
}

// The formula for k samples; one solver answers every "at least R".
class Encoding {
   public:
    // dry: counts the clauses and gives the solver none, for a budget
    // that must know the formula's size before it is worth building.
    Encoding(const Problem& p, int k, const ExactOptions& opt, bool dry = false)
        : p_(p), k_(k), cap_(trivialbound(p, k)), dry_(dry) {
        static const char* configs[] = {"default", "sat", "unsat"};
        solver_.configure(configs[std::clamp<long>(opt.config, 0, 2)]);
        solver_.set("seed", static_cast<int>(opt.seed));
        for (int t : p.ctypes) c_[static_cast<size_t>(t)] = block();
        for (int t : p.ntypes) n_[static_cast<size_t>(t)] = block();
        normalise();
        std::vector<int> shows, once;
        std::vector<std::vector<int>> masks;
        if (p.model.twospectra()) {
            codes();
            if (opt.symmetry) ordersamples();
            out_ = totalize(once_);
            setcost(opt);
            return;
        }
        for (const Problem::Pair& q : p.pairs) {
            std::vector<int> m(static_cast<size_t>(k));
            int y = var();
            std::vector<int> any = {-y};
            for (int s = 0; s < k; ++s) {
                int cs = c_[static_cast<size_t>(q.f)][static_cast<size_t>(s)];
                int ns = n_[static_cast<size_t>(q.e)][static_cast<size_t>(s)];
                int ms = m[static_cast<size_t>(s)] = var();
                add({-ms, cs});
                add({-ms, ns});
                add({ms, -cs, -ns});
                add({-ms, y});
                any.push_back(ms);
            }
            add(any);
            masks.push_back(std::move(m));
            shows.push_back(y);
            if (q.unique) once.push_back(y);
        }
        // Value indicators grow with 2^k: beyond valuesmax samples the
        // differences alone keep the masks apart.
        const long indicators = k <= opt.valuesmax ? opt.values : 0;
        if (indicators != 2) distinct(masks, shows);
        if (opt.symmetry) ordersamples();
        out_ = totalize(once);
        if (indicators) {
            std::vector<int> covered = values(masks);
            if (!covered.empty()) cover_ = totalize(covered);
        }
        setcost(opt);
    }

    int cap() const { return cap_; }
    // Conflicts a budget of seconds of work pays for after the first solve's setup.
    double conflictsin(double seconds) const { return (seconds - setup_) / perconflict_; }

    void phases(const Labels& l) {
        for (int t : p_.ctypes)
            for (int s = 0; s < k_; ++s) {
                int v = c_[static_cast<size_t>(t)][static_cast<size_t>(s)];
                solver_.phase(l.c[static_cast<size_t>(t)] >> s & 1 ? v : -v);
            }
        for (int t : p_.ntypes)
            for (int s = 0; s < k_; ++s) {
                int v = n_[static_cast<size_t>(t)][static_cast<size_t>(s)];
                solver_.phase(l.n[static_cast<size_t>(t)] >> s & 1 ? v : -v);
            }
    }

    // Assumptions that keep the labels of every type outside free as in l.
    std::vector<int> fixed(const Labels& l, uint32_t free) const {
        std::vector<int> lits;
        auto keep = [&](const std::array<std::vector<int>, kTypes + 1>& vars,
                        const std::array<uint32_t, kTypes + 1>& bits,
                        const std::vector<int>& types) {
            for (int t : types)
                if (!(free >> t & 1))
                    for (int s = 0; s < k_; ++s) {
                        int v = vars[static_cast<size_t>(t)][static_cast<size_t>(s)];
                        lits.push_back(bits[static_cast<size_t>(t)] >> s & 1 ? v : -v);
                    }
        };
        keep(c_, l.c, p_.ctypes);
        keep(n_, l.n, p_.ntypes);
        return lits;
    }

    // conflicts < 0: the request's own limit.
    ExactAnswer solve(int atleast, Stopper& stop, Labels* out, const std::vector<int>& assume = {},
                      int conflicts = -1) {
        if (atleast > cap_) return ExactAnswer::unsat;
        if (stop.expired()) return ExactAnswer::unknown;
        for (int lit : assume) solver_.assume(lit);
        if (conflicts < 0) conflicts = stop.conflicts();
        if (atleast > 0) solver_.assume(out_[static_cast<size_t>(atleast - 1)]);
        if (atleast > 0 && !cover_.empty())
            solver_.assume(cover_[static_cast<size_t>(atleast - 1)]);
        if (conflicts > 0) solver_.limit("conflicts", conflicts);
        if (!setupcharged_) stop.charge(setup_), setupcharged_ = true;
        stop.solving(perconflict_);
        solver_.connect_terminator(&stop);
        solver_.connect_learner(&stop);
        int r = solver_.solve();
        solver_.disconnect_learner();
        solver_.disconnect_terminator();
        if (r == 20) return ExactAnswer::unsat;
        if (r != 10) return ExactAnswer::unknown;
        if (out) *out = model();
        return ExactAnswer::sat;
    }

   private:
    void setcost(const ExactOptions& opt) {
        // A dry count keeps the clauses the solver would drop at once
        // (satisfied by a unit): a little over the size.
        const double millions =
            static_cast<double>(dry_ ? clauses_ : static_cast<long>(solver_.irredundant())) / 1e6;
        setup_ = millions * static_cast<double>(opt.setupcost);
        perconflict_ =
            std::pow(millions, 0.75) / static_cast<double>(std::max(opt.conflictrate, 1L));
    }
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
    void normalise() {
        for (int s = 0; s < k_; ++s) {
            auto si = static_cast<size_t>(s);
            sampleclauses(
                p_.vars, p_.offer,
                [&](bool cside, int t) { return (cside ? c_ : n_)[static_cast<size_t>(t)][si]; },
                [&](const std::vector<int>& cl) { add(cl); });
        }
    }

    // The two-spectrum model: HNCO bits M(p,s) <-> C(f,s) & N(e,s), the HSQC
    // bits are N(e,s). A unique pair is resolved (Y) only when its code is
    // not empty and differs from the code of every other pair; shared codes
    // of pairs occurring more than once cost nothing, so only the pairs of
    // pairs with a unique one get a difference. Pairs with one end type
    // share the HSQC word and differ by the HNCO bits alone; pairs with one
    // front and two ends have equal HNCO bits whenever their HSQC words are
    // equal, so those differ by the HSQC word alone.
    void codes() {
        const size_t np = p_.pairs.size();
        std::vector<std::vector<int>> m(np);
        std::vector<int> y(np, 0);
        for (size_t i = 0; i < np; ++i) {
            const Problem::Pair& q = p_.pairs[i];
            const std::vector<int>& c = c_[static_cast<size_t>(q.f)];
            const std::vector<int>& n = n_[static_cast<size_t>(q.e)];
            m[i].resize(static_cast<size_t>(k_));
            for (size_t s = 0; s < static_cast<size_t>(k_); ++s) {
                int ms = m[i][s] = var();
                add({-ms, c[s]});
                add({-ms, n[s]});
                add({ms, -c[s], -n[s]});
            }
            if (!q.unique) continue;
            y[i] = var();
            std::vector<int> shows = {-y[i]};
            for (int ns : n) shows.push_back(ns);
            add(shows);
            once_.push_back(y[i]);
        }
        // X(e1,e2): the HSQC words of two end types differ, made on demand.
        std::array<std::array<int, kTypes + 1>, kTypes + 1> words{};
        auto differ = [&](int e1, int e2) {
            int& x =
                words[static_cast<size_t>(std::min(e1, e2))][static_cast<size_t>(std::max(e1, e2))];
            if (x) return x;
            x = var();
            std::vector<int> cl = {-x};
            const std::vector<int>& a = n_[static_cast<size_t>(e1)];
            const std::vector<int>& b = n_[static_cast<size_t>(e2)];
            for (size_t s = 0; s < static_cast<size_t>(k_); ++s) {
                int d = var();
                add({-d, a[s], b[s]});
                add({-d, -a[s], -b[s]});
                cl.push_back(d);
            }
            add(cl);
            return x;
        };
        std::vector<int> body, cl;
        for (size_t i = 0; i < np; ++i)
            for (size_t j = i + 1; j < np; ++j) {
                if (!y[i] && !y[j]) continue;
                const Problem::Pair &p = p_.pairs[i], &q = p_.pairs[j];
                body.clear();
                if (p.e != q.e) body.push_back(differ(p.e, q.e));
                if (p.e == q.e || p.f != q.f)
                    for (size_t s = 0; s < static_cast<size_t>(k_); ++s) {
                        int d = var();
                        add({-d, m[i][s], m[j][s]});
                        add({-d, -m[i][s], -m[j][s]});
                        body.push_back(d);
                    }
                for (int yy : {y[i], y[j]}) {
                    if (!yy) continue;
                    cl = {-yy};
                    cl.insert(cl.end(), body.begin(), body.end());
                    add(cl);
                }
            }
    }

    // No two showing pairs on one mask: some sample tells them apart.
    void distinct(const std::vector<std::vector<int>>& m, const std::vector<int>& shows) {
        for (size_t p = 0; p < m.size(); ++p)
            for (size_t q = p + 1; q < m.size(); ++q) {
                std::vector<int> cl = {-shows[p]};
                for (size_t s = 0; s < static_cast<size_t>(k_); ++s) {
                    int d = var();
                    add({-d, m[p][s], m[q][s]});
                    add({-d, -m[p][s], -m[q][s]});
                    cl.push_back(d);
                }
                add(cl);
            }
    }

    // One indicator per pair and mask value, at most one pair per value;
    // returns per value "a pair that occurs once has it".
    std::vector<int> values(const std::vector<std::vector<int>>& m) {
        const int nv = static_cast<int>(p_.model.codes(k_));
        std::vector<int> covered;
        for (int v = 1; v <= nv; ++v) {
            std::vector<int> uses;
            int prev = 0;  // sequential at-most-one
            for (size_t p = 0; p < m.size(); ++p) {
                int e = var();
                std::vector<int> back = {e};
                for (int s = 0; s < k_; ++s) {
                    int lit =
                        v >> s & 1 ? m[p][static_cast<size_t>(s)] : -m[p][static_cast<size_t>(s)];
                    add({-e, lit});
                    back.push_back(-lit);
                }
                add(back);
                if (p_.pairs[p].unique) uses.push_back(e);
                int next = var();
                add({-e, next});
                if (prev) add({-prev, next}), add({-e, -prev});
                prev = next;
            }
            if (uses.empty()) continue;
            int c = var();
            uses.insert(uses.begin(), -c);
            add(uses);
            covered.push_back(c);
        }
        return covered;
    }

    // Column s >= column s+1 in lexicographic order over all label bits.
    void ordersamples() {
        for (int s = 0; s + 1 < k_; ++s) {
            std::vector<int> x, y;
            for (int t : p_.ctypes) {
                x.push_back(c_[static_cast<size_t>(t)][static_cast<size_t>(s)]);
                y.push_back(c_[static_cast<size_t>(t)][static_cast<size_t>(s + 1)]);
            }
            for (int t : p_.ntypes) {
                x.push_back(n_[static_cast<size_t>(t)][static_cast<size_t>(s)]);
                y.push_back(n_[static_cast<size_t>(t)][static_cast<size_t>(s + 1)]);
            }
            int equal = 0;  // prefix so far equal; 0 = at the start, true
            for (size_t i = 0; i < x.size(); ++i) {
                auto guarded = [&](std::vector<int> cl) {
                    if (equal) cl.push_back(-equal);
                    add(cl);
                };
                guarded({x[i], -y[i]});
                if (i + 1 == x.size()) break;
                int next = var();
                guarded({-x[i], -y[i], next});
                guarded({x[i], y[i], next});
                equal = next;
            }
        }
    }

    // Outputs o_1..o_n (n capped) with o_j -> at least j inputs true.
    std::vector<int> totalize(const std::vector<int>& in) {
        if (in.size() <= 1 || cap_ == 0) return cap_ ? in : std::vector<int>();
        size_t half = in.size() / 2;
        auto mid = in.begin() + static_cast<long>(half);
        std::vector<int> a = totalize(std::vector<int>(in.begin(), mid));
        std::vector<int> b = totalize(std::vector<int>(mid, in.end()));
        size_t n = std::min(a.size() + b.size(), static_cast<size_t>(cap_));
        std::vector<int> o(n);
        for (int& v : o) v = var();
        // o_{i+j+1} needs more than i on the left or more than j on the right.
        for (size_t i = 0; i <= a.size(); ++i)
            for (size_t j = 0; j <= b.size(); ++j) {
                size_t m = i + j + 1;
                if (m > n) continue;
                std::vector<int> cl = {-o[m - 1]};
                if (i < a.size()) cl.push_back(a[i]);
                if (j < b.size()) cl.push_back(b[j]);
                add(cl);
            }
        return o;
    }

    Labels model() {
        Labels l;
        for (int t : p_.ctypes)
            for (int s = 0; s < k_; ++s)
                if (solver_.val(c_[static_cast<size_t>(t)][static_cast<size_t>(s)]) > 0)
                    l.c[static_cast<size_t>(t)] |= 1u << s;
        for (int t : p_.ntypes)
            for (int s = 0; s < k_; ++s)
                if (solver_.val(n_[static_cast<size_t>(t)][static_cast<size_t>(s)]) > 0)
                    l.n[static_cast<size_t>(t)] |= 1u << s;
        return l;
    }

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

uint32_t samplebits(int k) { return k >= 32 ? ~0u : (1u << k) - 1; }

bool validk(int k) { return k >= 1 && k <= kSamples; }

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
// request's wall clock.
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
        seed_ = static_cast<uint64_t>(opt.seed) * 0x9E3779B97F4A7C15ull + static_cast<uint64_t>(k);
    }
    bool wanted() const { return limits_.steps > 0 || direct_.seconds > 0; }
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
        // A walk left far from its goal says there is likely none to find.
        if (direct_.seconds <= 0 || cancel() || (walk_ && walk_->fewest() > limits_.giveup))
            return false;
        ExactOptions o = opt_;
        o.config = opt_.directconfig;
        direct_.interrupt = cancel;
        if (Encoding(p_, k_, o, true).conflictsin(direct_.seconds) <
            static_cast<double>(opt_.directconflicts))
            return false;
        Stopper own(direct_, o);
        Encoding enc(p_, k_, o);
        return enc.solve(p_.unique, own, &out) == ExactAnswer::sat;
    }

    const Problem& p_;
    int k_;
    ExactOptions opt_;
    ExactLimits direct_;            // the direct question's budget; none when 0
    std::optional<Breakout> walk_;  // only when wanted
    Labels start_, labels_;
    Stopper& stop_;
    Breakout::Limits limits_;
    uint64_t seed_ = 0;
    std::atomic<bool> found_{false}, cancel_{false}, finished_{false};
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
                         const ExactOptions& opt, const Model& model, const Offer& offer) {
    Problem p = analyse(base, uniqs, allowed, model, offer);
    if (!p.supported || !validk(k)) return ExactAnswer::refused;
    Stopper stop(lim, opt);
    Encoding enc(p, k, opt);
    return enc.solve(atleast, stop, labels);
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
