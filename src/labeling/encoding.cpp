// The exact engine's formula, clause by clause (see encoding.h).
#include "labeling/encoding.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace exact {

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

Encoding::Encoding(const Problem& p, int k, const ExactOptions& opt, bool dry)
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

void Encoding::phases(const Labels& l) {
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

std::vector<int> Encoding::fixed(const Labels& l, uint32_t free) const {
    std::vector<int> lits;
    auto keep = [&](const std::array<std::vector<int>, kTypes + 1>& vars,
                    const std::array<uint32_t, kTypes + 1>& bits, const std::vector<int>& types) {
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

ExactAnswer Encoding::solve(int atleast, Stopper& stop, Labels* out, const std::vector<int>& assume,
                            int conflicts) {
    if (atleast > cap_) return ExactAnswer::unsat;
    if (stop.expired()) return ExactAnswer::unknown;
    for (int lit : assume) solver_.assume(lit);
    if (conflicts < 0) conflicts = stop.conflicts();
    if (atleast > 0) solver_.assume(out_[static_cast<size_t>(atleast - 1)]);
    if (atleast > 0 && !cover_.empty()) solver_.assume(cover_[static_cast<size_t>(atleast - 1)]);
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

void Encoding::setcost(const ExactOptions& opt) {
    // A dry count keeps the clauses the solver would drop at once
    // (satisfied by a unit): a little over the size.
    const double millions =
        static_cast<double>(dry_ ? clauses_ : static_cast<long>(solver_.irredundant())) / 1e6;
    setup_ = millions * static_cast<double>(opt.setupcost);
    perconflict_ = std::pow(millions, 0.75) / static_cast<double>(std::max(opt.conflictrate, 1L));
}

void Encoding::normalise() {
    for (int s = 0; s < k_; ++s) {
        auto si = static_cast<size_t>(s);
        sampleclauses(
            p_.vars, p_.offer,
            [&](bool cside, int t) { return (cside ? c_ : n_)[static_cast<size_t>(t)][si]; },
            [&](const std::vector<int>& cl) { add(cl); });
    }
}

void Encoding::codes() {
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

void Encoding::distinct(const std::vector<std::vector<int>>& m, const std::vector<int>& shows) {
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

std::vector<int> Encoding::values(const std::vector<std::vector<int>>& m) {
    const int nv = static_cast<int>(p_.model.codes(k_));
    std::vector<int> covered;
    for (int v = 1; v <= nv; ++v) {
        std::vector<int> uses;
        int prev = 0;  // sequential at-most-one
        for (size_t p = 0; p < m.size(); ++p) {
            int e = var();
            std::vector<int> back = {e};
            for (int s = 0; s < k_; ++s) {
                int lit = v >> s & 1 ? m[p][static_cast<size_t>(s)] : -m[p][static_cast<size_t>(s)];
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

void Encoding::ordersamples() {
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

std::vector<int> Encoding::totalize(const std::vector<int>& in) {
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

Labels Encoding::model() {
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

}  // namespace exact
