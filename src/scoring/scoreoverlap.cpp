#include "scoring/scoreoverlap.h"

#include <cmath>

#include "kemlang/print.h"
#include "scoring/scoreoverlapmc.h"

namespace {

constexpr double kSqrt2Pi = 2.5066282746310002;
constexpr double kNoPosition = 990.0;

void say(const std::string& text) { putlin(10, " " + text); }

std::string r55(double x) { return realf(x, 5, 5); }

// Overlap factor of one dimension; dimensions from the third on compare the
// carrying heavy atoms.
double dimfactor(const OverlapInput& in, const OverlapPeak& a, const OverlapPeak& b, int d,
                 double tol) {
    auto D = static_cast<size_t>(d);
    int a1 = a.atom[D], a2 = b.atom[D];
    if (a1 > 0 && a2 > 0) {
        if (d >= 2) {
            a1 = in.heavy[static_cast<size_t>(a1)];
            a2 = in.heavy[static_cast<size_t>(a2)];
        }
        if (a1 == a2) return 1.0;
        double delta =
            std::fabs(in.shift[static_cast<size_t>(a1)] - in.shift[static_cast<size_t>(a2)]);
        return p_deg_k(
            delta, std::hypot(in.sd[static_cast<size_t>(a1)], in.sd[static_cast<size_t>(a2)]), tol);
    }
    if (a.ppm[D] > kNoPosition || b.ppm[D] > kNoPosition) return 1.0;
    return p_deg_k(std::fabs(a.ppm[D] - b.ppm[D]), 0.0, tol);
}

}  // namespace

OverlapInput overlapinput(const KemraData& d, int k) {
    OverlapInput in;
    in.ndim = k >= 1 && k <= d.npkl && k < static_cast<int>(d.ndim.size()) ? d.ndim[k] : 0;
    auto n = static_cast<size_t>(d.na) + 1;
    in.shift.assign(n, 0.0);
    in.sd.assign(n, 0.0);
    in.heavy.assign(n, 0);
    in.asel.assign(n, 1);
    for (int a = 1; a <= d.na; ++a) {
        auto A = static_cast<size_t>(a);
        const LibAtom& la = d.res[d.irlib[d.iar[a]]].at[d.ilibat[a]];
        double s = k >= 1 && k <= d.npkl ? d.shift[k][A] : kNoShift;
        in.shift[A] = std::fabs(s) < 900.0 ? s : la.cstab[0];
        in.sd[A] = la.cstab[1];
        in.heavy[A] = (d.iael[a] <= 1 && d.iah[a] > 0) ? d.iah[a] : a;
        in.asel[A] = d.asel.size() > A ? d.asel[A] : 1;
    }
    in.peaks.assign(1, OverlapPeak());
    for (int p = 1; p <= d.npeaks; ++p) {
        if (d.ipkl[p] != k) continue;
        OverlapPeak q;
        q.atom = d.ipa[p];
        q.ppm = d.ppm[p];
        q.sel = d.psel[p] != 0;
        in.peaks.push_back(q);
    }
    return in;
}

int currentpeaklist(const KemraData& d) {
    int k = 0;
    for (int p = 1; p <= d.npeaks; ++p) k = std::max(k, d.ipkl[p]);
    return k;
}

double mue(double x, double m, double s) {
    if (s == 0.0) return 0.0;
    double z = (x - m) / s;
    return std::exp(-z * z / 2.0) / (kSqrt2Pi * s);
}

double p_deg_k(double d, double s1, double s2) {
    double sigma = std::sqrt(s1 * s1 + s2 * s2);
    if (sigma == 0.0) return 0.0;
    return s2 / sigma * std::exp(-d * d / (2.0 * sigma * sigma));
}

float absval(double x) { return static_cast<float>(std::fabs(x)); }

double ovperdim(const OverlapInput& in, int p1, int p2, const Tolerances& tol) {
    if (p1 == p2) return 0.0;
    const OverlapPeak& a = in.peaks[static_cast<size_t>(p1)];
    const OverlapPeak& b = in.peaks[static_cast<size_t>(p2)];
    double p = 1.0;
    for (int d = 0; d < in.ndim && d < 4; ++d)
        p *= dimfactor(in, a, b, d, tol[static_cast<size_t>(std::min(d, 2))]);
    return p;
}

bool checkatomselection(const OverlapInput& in, int p) {
    const OverlapPeak& a = in.peaks[static_cast<size_t>(p)];
    for (int d = 0; d < in.ndim && d < 4; ++d) {
        int atom = a.atom[static_cast<size_t>(d)];
        if (a.ppm[static_cast<size_t>(d)] <= kNoPosition && atom > 0 &&
            !in.asel[static_cast<size_t>(atom)])
            return false;
    }
    return true;
}

double calcpeakresolved(const OverlapInput& in, int p, const Tolerances& tol, bool trace,
                        const McParams* mcp, int* seed, double* mc) {
    if (mc) *mc = 0.0;
    if (!checkatomselection(in, p) && !in.peaks[static_cast<size_t>(p)].sel) return 0.0;
    double rana = 1.0, rmc = 1.0;
    for (int q = 1; q <= in.npeaks(); ++q) {
        if (q == p) continue;
        double o = ovperdim(in, p, q, tol);
        double m = mcp && seed ? mc_peak_overlap(in, p, q, tol, *mcp, *seed) : o;
        rana *= 1.0 - o;
        rmc *= 1.0 - m;
        if (trace)
            say("Pr_ov(akt, any):" + intp(p) + " " + intp(q) + " ana: " + r55(o) + " Mc:" + r55(m));
    }
    if (trace)
        say("Outcome CalcPeakResolved: " + intp(p) + ": ANA: " + r55(1.0 - rana) +
            " MC: " + r55(1.0 - rmc));
    if (mc) *mc = 1.0 - rmc;
    return 1.0 - rana;
}

double scoreoverlappg(const OverlapInput& in, const Tolerances& tol, bool trace,
                      const McParams* mcp, int* seed) {
    if (trace)
        say("Computing analytical Overlap with parameters: " + r55(tol[0]) + " " + r55(tol[1]) +
            " " + r55(tol[2]));
    double sum = 0.0;
    for (int p = 1; p <= in.npeaks(); ++p) {
        double ana = calcpeakresolved(in, p, tol, false);
        if (trace) {
            double mc = mcp && seed ? calcpeakresolvedmc(in, p, tol, *mcp, *seed, false) : ana;
            say("Ana:" + r55(ana) + " MC:" + r55(mc));
        }
        sum += ana;
    }
    if (trace) say("Number of not-resolved peaks: " + realp(sum, 2));
    return sum;
}
