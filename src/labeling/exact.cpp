// Exact label design on CaDiCaL; the encoding and its reasons are in exact.h.
#include "labeling/exact.h"

#include <algorithm>
#include <bit>
#include <cadical.hpp>
#include <chrono>
#include <initializer_list>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Stops solver calls at the request's deadline or on the caller's interrupt.
class Stopper : public CaDiCaL::Terminator {
   public:
    explicit Stopper(const ExactLimits& lim) : lim_(lim), start_(Clock::now()) {}
    bool terminate() override { return expired(); }
    bool expired() {
        if (stopped_) return true;
        stopped_ = (lim_.seconds > 0 && elapsed() >= lim_.seconds) ||
                   (lim_.interrupt && lim_.interrupt());
        return stopped_;
    }
    // Seconds left; a large number when there is no deadline.
    double remaining() const { return lim_.seconds > 0 ? lim_.seconds - elapsed() : 1e9; }
    int conflicts() const { return lim_.conflicts; }

   private:
    double elapsed() const {
        return std::chrono::duration<double>(Clock::now() - start_).count();
    }
    const ExactLimits& lim_;
    Clock::time_point start_;
    bool stopped_ = false;
};

// What the encoding needs of a protein: the types that carry labels and the
// occurring pairs that can show.
struct Problem {
    struct Pair {
        int f, e;
        bool unique;
    };
    std::vector<int> ctypes, ntypes;              // front and end types of base pairs
    std::array<uint32_t, kTypes + 1> ends{}, fronts{};  // base partners as type bits
    std::vector<Pair> pairs;                      // occurring, both types labelled
    int unique = 0;                               // of these, pairs that occur once
    bool supported = true;                        // every allowed value 1
};

Problem analyse(const Selection& base, const TypeMatrix& uniqs, const TypeMatrix& allowed) {
    Problem p;
    for (int k = 1; k <= base.count; ++k) {
        int f = base.front[static_cast<size_t>(k)], e = base.end[static_cast<size_t>(k)];
        if (f < 1 || f > kTypes || e < 1 || e > kTypes || uniqs[f][e] <= 0) continue;
        p.ends[static_cast<size_t>(f)] |= 1u << e;
        p.fronts[static_cast<size_t>(e)] |= 1u << f;
    }
    for (int t = 1; t <= kTypes; ++t) {
        if (p.ends[static_cast<size_t>(t)]) p.ctypes.push_back(t);
        if (p.fronts[static_cast<size_t>(t)]) p.ntypes.push_back(t);
    }
    for (int f = 1; f <= kTypes; ++f)
        for (int e = 1; e <= kTypes; ++e) {
            if (uniqs[f][e] <= 0) continue;
            p.supported = p.supported && allowed[f][e] == 1;
            if (!p.ends[static_cast<size_t>(f)] || !p.fronts[static_cast<size_t>(e)]) continue;
            p.pairs.push_back({f, e, uniqs[f][e] == 1});
            p.unique += uniqs[f][e] == 1;
        }
    return p;
}

int trivialbound(const Problem& p, int k) { return std::min(p.unique, (1 << k) - 1); }

// The formula for k samples; one solver answers every "at least R".
class Encoding {
   public:
    Encoding(const Problem& p, int k, const ExactOptions& opt)
        : p_(p), k_(k), cap_(trivialbound(p, k)) {
        for (int t : p.ctypes) c_[static_cast<size_t>(t)] = block();
        for (int t : p.ntypes) n_[static_cast<size_t>(t)] = block();
        normalise();
        std::vector<int> shows, once;
        std::vector<std::vector<int>> masks;
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
        distinct(masks, shows);
        if (opt.symmetry) ordersamples();
        out_ = totalize(once);
    }

    int cap() const { return cap_; }

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

    ExactAnswer solve(int atleast, Stopper& stop, Labels* out) {
        if (atleast > cap_) return ExactAnswer::unsat;
        if (stop.expired()) return ExactAnswer::unknown;
        if (atleast > 0) solver_.assume(out_[static_cast<size_t>(atleast - 1)]);
        if (stop.conflicts() > 0) solver_.limit("conflicts", stop.conflicts());
        solver_.connect_terminator(&stop);
        int r = solver_.solve();
        solver_.disconnect_terminator();
        if (r == 20) return ExactAnswer::unsat;
        if (r != 10) return ExactAnswer::unknown;
        if (out) *out = model();
        return ExactAnswer::sat;
    }

   private:
    int var() { return ++nvars_; }
    std::vector<int> block() {
        std::vector<int> b(static_cast<size_t>(k_));
        for (int& v : b) v = var();
        return b;
    }
    void add(std::initializer_list<int> lits) {
        for (int l : lits) solver_.add(l);
        solver_.add(0);
    }
    void add(const std::vector<int>& lits) {
        for (int l : lits) solver_.add(l);
        solver_.add(0);
    }

    // A label only where a base partner carries the other label.
    void normalise() {
        for (int s = 0; s < k_; ++s) {
            auto si = static_cast<size_t>(s);
            for (int t : p_.ctypes) {
                std::vector<int> cl = {-c_[static_cast<size_t>(t)][si]};
                for (uint32_t b = p_.ends[static_cast<size_t>(t)]; b; b &= b - 1)
                    cl.push_back(n_[static_cast<size_t>(std::countr_zero(b))][si]);
                add(cl);
            }
            for (int t : p_.ntypes) {
                std::vector<int> cl = {-n_[static_cast<size_t>(t)][si]};
                for (uint32_t b = p_.fronts[static_cast<size_t>(t)]; b; b &= b - 1)
                    cl.push_back(c_[static_cast<size_t>(std::countr_zero(b))][si]);
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
    CaDiCaL::Solver solver_;
    std::array<std::vector<int>, kTypes + 1> c_, n_;  // label variables by type and sample
    std::vector<int> out_;                            // totalizer outputs
};

uint32_t samplebits(int k) { return k >= 32 ? ~0u : (1u << k) - 1; }

bool validk(int k) { return k >= 1 && k <= kSamples; }

// Best labels so far and their judgement.
struct Best {
    Labels labels;
    int resolved = 0;
    // Takes l when it is clean and resolves more.
    bool offer(Annealer& judge, const Labels& l) {
        Labels n = judge.normalised(l);
        Annealer::Eval ev = judge.evaluate(n);
        if (!ev.feasible() || ev.resolved <= resolved) return false;
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
        steps = std::min(steps, static_cast<long>(stop.remaining() * static_cast<double>(
                                                      opt.annealrate * opt.annealshare) /
                                                  100.0));
    if (steps <= 0) return;
    best.offer(judge,
               judge.search(best.labels, static_cast<uint64_t>(opt.annealseed), steps, bound));
}

}  // namespace

ExactAnswer exactresolve(const Selection& base, const TypeMatrix& uniqs,
                         const TypeMatrix& allowed, int k, int atleast, const ExactLimits& lim,
                         Labels* labels, const ExactOptions& opt) {
    Problem p = analyse(base, uniqs, allowed);
    if (!p.supported || !validk(k)) return ExactAnswer::refused;
    Stopper stop(lim);
    Encoding enc(p, k, opt);
    return enc.solve(atleast, stop, labels);
}

ExactResult exactmaxresolved(const Selection& base, const TypeMatrix& uniqs,
                             const TypeMatrix& allowed, int k, const ExactLimits& lim,
                             const Labels* start, const ExactOptions& opt) {
    ExactResult r;
    r.samples = k;
    Problem p = analyse(base, uniqs, allowed);
    r.unique = p.unique;
    if (start) r.labels = *start;
    if (!p.supported || !validk(k)) {
        r.status = ExactStatus::refused;
        return r;
    }
    Stopper stop(lim);
    Annealer judge(base, uniqs, allowed, samplebits(k), 999);
    Best best;
    if (start) best.offer(judge, *start);
    r.bound = trivialbound(p, k);
    anneal(judge, best, r.bound, stop, lim, opt);
    if (best.resolved < r.bound) {
        Encoding enc(p, k, opt);
        if (opt.phases) enc.phases(best.labels);
        while (best.resolved < r.bound) {
            Labels l;
            ExactAnswer a = enc.solve(best.resolved + 1, stop, &l);
            if (a == ExactAnswer::unsat) r.bound = best.resolved;
            if (a == ExactAnswer::sat && best.offer(judge, l)) continue;
            if (a != ExactAnswer::unsat) break;
        }
    }
    r.found = best.resolved;
    r.labels = best.labels;
    r.status = r.found == r.bound ? ExactStatus::proven : ExactStatus::unknown;
    return r;
}

ExactFewest exactfewest(const Selection& base, const TypeMatrix& uniqs, const TypeMatrix& allowed,
                        const ExactLimits& lim, const ExactOptions& opt) {
    ExactFewest r;
    Problem p = analyse(base, uniqs, allowed);
    r.unique = p.unique;
    if (!p.supported) {
        r.status = ExactStatus::refused;
        return r;
    }
    // Distinct non-zero masks for all of them need 2^k - 1 >= unique.
    while ((1 << r.lower) - 1 < p.unique) ++r.lower;
    if (p.unique == 0) {
        r.status = ExactStatus::proven;
        return r;
    }
    Stopper stop(lim);
    int last = static_cast<int>(std::min<long>(opt.maxsamples, kSamples));
    Labels carry;  // the best labels of fewer samples fit more samples too
    for (int k = r.lower; k <= last && !r.upper && !stop.expired(); ++k) {
        Annealer judge(base, uniqs, allowed, samplebits(k), 999);
        Best best;
        best.offer(judge, carry);
        anneal(judge, best, p.unique, stop, lim, opt);
        if (best.resolved < p.unique) {
            Encoding enc(p, k, opt);
            if (opt.phases) enc.phases(best.labels);
            Labels l;
            ExactAnswer a = enc.solve(p.unique, stop, &l);
            // Fewer samples never do better: an empty sample can be added.
            if (a == ExactAnswer::unsat) r.lower = k + 1;
            if (a == ExactAnswer::sat) best.offer(judge, l);
        }
        if (best.resolved >= p.unique) r.upper = k, r.labels = best.labels;
        carry = best.labels;
    }
    r.status = r.upper && r.lower == r.upper ? ExactStatus::proven : ExactStatus::unknown;
    return r;
}

Labels exactlabels(const Selection& base, const TypeMatrix& uniqs, const TypeMatrix& allowed,
                   int k, const ExactLimits& lim, const Labels& start, const ExactOptions& opt) {
    ExactResult r = exactmaxresolved(base, uniqs, allowed, k, lim, &start, opt);
    return r.status == ExactStatus::refused || r.found == 0 ? start : r.labels;
}
