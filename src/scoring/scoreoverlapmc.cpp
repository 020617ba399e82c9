#include "scoring/scoreoverlapmc.h"

#include <algorithm>
#include <cmath>

#include "kemlang/print.h"
#include "kemlang/services.h"

namespace {

constexpr double kNoPosition = 990.0;

void say(const std::string& text) { putlin(10, " " + text); }

std::string r55(double x) { return realf(x, 5, 5); }

// Atom compared in dimension d of a peak (heavy atom from the third on).
int dimatom(const OverlapInput& in, const OverlapPeak& a, int d) {
    int atom = a.atom[static_cast<size_t>(d)];
    return atom > 0 && d >= 2 ? in.heavy[static_cast<size_t>(atom)] : atom;
}

// One draw of the shifts of a set of atoms, in the order the set was made.
class Draw {
   public:
    explicit Draw(const OverlapInput& in) : in_(in), value_(in.shift.size(), 0.0) {}
    void add(int atom) {
        if (atom > 0 && std::find(atoms_.begin(), atoms_.end(), atom) == atoms_.end())
            atoms_.push_back(atom);
    }
    void addpeak(int p) {
        for (int d = 0; d < in_.ndim && d < 4; ++d)
            add(dimatom(in_, in_.peaks[static_cast<size_t>(p)], d));
    }
    void next(int& seed) {
        for (int a : atoms_) {
            auto A = static_cast<size_t>(a);
            value_[A] = in_.shift[A] + in_.sd[A] * gasdev(seed);
        }
    }
    // Overlap of peaks p and q on this draw.
    double overlap(int p, int q, const Tolerances& tol, int mode) const {
        const OverlapPeak& a = in_.peaks[static_cast<size_t>(p)];
        const OverlapPeak& b = in_.peaks[static_cast<size_t>(q)];
        double w = 1.0;
        for (int d = 0; d < in_.ndim && d < 4; ++d) {
            auto D = static_cast<size_t>(d);
            int a1 = dimatom(in_, a, d), a2 = dimatom(in_, b, d);
            double delta;
            if (a1 > 0 && a2 > 0)
                delta = value_[static_cast<size_t>(a1)] - value_[static_cast<size_t>(a2)];
            else if (a.ppm[D] <= kNoPosition && b.ppm[D] <= kNoPosition)
                delta = a.ppm[D] - b.ppm[D];
            else
                continue;
            w *= ovonedim(std::fabs(delta), tol[static_cast<size_t>(std::min(d, 2))], mode);
        }
        return w;
    }

   private:
    const OverlapInput& in_;
    std::vector<double> value_;
    std::vector<int> atoms_;
};

}  // namespace

double ovonedim(double delta, double tol, int mode) {
    double w;
    if (tol < kMinTolerance) {
        fatmsg("Assertion failed at line: " + intp(__LINE__) + " Stopping.");
    } else if (mode == 0) {
        double z = delta / tol;
        w = std::exp(-z * z / 2.0);
    } else if (mode == 1) {
        w = delta < tol ? 1.0 : 0.0;
    } else {
        fatmsg("Assertion failed at line: " + intp(__LINE__) + " Stopping.");
    }
    if (!(w >= 0.0 && w <= 1.0))
        fatmsg("Assertion failed at line: " + intp(__LINE__) + " Stopping.");
    return w;
}

double mc_peak_overlap(const OverlapInput& in, int p, int q, const Tolerances& tol,
                       const McParams& mc, int& seed) {
    if (p == q) return 0.0;
    Draw draw(in);
    draw.addpeak(p);
    draw.addpeak(q);
    double sum = 0.0;
    for (int c = 0; c < mc.cycles; ++c) {
        draw.next(seed);
        sum += draw.overlap(p, q, tol, mc.mode);
    }
    return mc.cycles > 0 ? sum / mc.cycles : 0.0;
}

double distinguish(const OverlapInput& in, int p, int q, const Tolerances& tol, const McParams& mc,
                   int& seed) {
    return 1.0 - mc_peak_overlap(in, p, q, tol, mc, seed);
}

double calcpeakresolvedmc(const OverlapInput& in, int p, const Tolerances& tol, const McParams& mc,
                          int& seed, bool trace) {
    if (!checkatomselection(in, p) && !in.peaks[static_cast<size_t>(p)].sel) return 0.0;
    int n = in.npeaks();
    Draw draw(in);
    for (int q = 1; q <= n; ++q) draw.addpeak(q);
    std::vector<double> pair(static_cast<size_t>(n) + 1, 0.0);
    double any = 0.0;
    for (int c = 0; c < mc.cycles; ++c) {
        draw.next(seed);
        double apart = 1.0;
        for (int q = 1; q <= n; ++q) {
            if (q == p) continue;
            double w = draw.overlap(p, q, tol, mc.mode);
            pair[static_cast<size_t>(q)] += w;
            apart *= 1.0 - w;
        }
        any += 1.0 - apart;
    }
    double cycles = std::max(mc.cycles, 1);
    if (trace) {
        for (int q = 1; q <= n; ++q)
            if (q != p)
                say("Peak " + intp(p) + "  with " + intp(q) +
                    " Mcpro_ov 1: " + r55(pair[static_cast<size_t>(q)] / cycles));
        say("Outcome for " + intp(p) + ": MC: " + r55(any / cycles));
    }
    return any / cycles;
}

double mcscoreoverlap(const OverlapInput& in, const Tolerances& tol, const McParams& mc, int& seed,
                      bool trace) {
    if (trace)
        say("computing MonteCarlo Overlap with parameters: Delta:" + r55(tol[0]) + " " +
            r55(tol[1]) + " " + r55(tol[2]) + " Modus:" + intp(mc.mode) +
            " Cycles:" + intp(mc.cycles));
    double sum = 0.0;
    for (int p = 1; p <= in.npeaks(); ++p) sum += calcpeakresolvedmc(in, p, tol, mc, seed, trace);
    return sum;
}
