#include "scoring/score_test.h"

#include <cstdio>

#include "kemlang/print.h"
#include "scoring/scoreoverlap.h"
#include "scoring/scoreoverlapmc.h"

namespace {

void say(const std::string& text) { putlin(10, " " + strp(text)); }

std::string g6(double x) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.6g", x);
    return buf;
}

std::string f2(double x) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.2f", x);
    return buf;
}

struct Atom {
    double shift, sd;
};

// A test spectrum: atoms 1.. with shift and spread, two-dimensional peaks
// given by their (H, N) atoms; every atom is its own heavy atom.
OverlapInput spectrum(const std::vector<Atom>& atoms, const std::vector<std::array<int, 2>>& peaks,
                      int ndim = 2) {
    OverlapInput in;
    in.ndim = ndim;
    in.shift.assign(1, 0.0);
    in.sd.assign(1, 0.0);
    in.heavy.assign(1, 0);
    in.asel.assign(1, 1);
    for (const Atom& a : atoms) {
        in.heavy.push_back(static_cast<int>(in.shift.size()));
        in.shift.push_back(a.shift);
        in.sd.push_back(a.sd);
        in.asel.push_back(1);
    }
    in.peaks.assign(1, OverlapPeak());
    for (const auto& p : peaks) {
        OverlapPeak q;
        q.atom = {p[0], p[1], 0, 0};
        q.ppm = {in.shift[static_cast<size_t>(p[0])], in.shift[static_cast<size_t>(p[1])], kNoShift,
                 kNoShift};
        in.peaks.push_back(q);
    }
    return in;
}

class Check {
   public:
    explicit Check(bool print) : print_(print) {}
    void heading(const std::string& text) {
        if (print_) say(text);
    }
    void value(const std::string& label, const std::string& computed, const std::string& expected) {
        values_.push_back({label, computed, expected});
        if (!print_) return;
        std::string line = label;
        if (line.size() < 40) line.resize(40, ' ');
        std::string got = computed;
        if (got.size() < 12) got.resize(12, ' ');
        say(line + got + " expected " + expected);
    }
    std::vector<CheckValue> values() const { return values_; }

   private:
    bool print_;
    std::vector<CheckValue> values_;
};

const Tolerances kTol{0.05, 0.5, 0.5};

}  // namespace

std::vector<CheckValue> score_test_ov(bool print) {
    Check c(print);

    c.heading("testing mue");
    c.value("mue(x=0.5, m=0.5, s=0.5):", g6(mue(0.5, 0.5, 0.5)), "0.797885");  // 1/(0.5 sqrt(2 pi))
    c.value("mue(x=0.6, m=0.0, s=0.5):", g6(mue(0.6, 0.0, 0.5)), "0.388372");  // z = 1.2
    c.value("mue(x=0.1, m=0.0, s=0.5):", g6(mue(0.1, 0.0, 0.5)), "0.782085");  // z = 0.2

    c.heading("testing p_deg_k");
    c.value("p_deg_k(d=1.0, s1=1.0, s2=1.0):", g6(p_deg_k(1.0, 1.0, 1.0)), "0.550695");
    c.value("p_deg_k(d=0.1, s1=1.0, s2=0.1):", g6(p_deg_k(0.1, 1.0, 0.1)), "0.0990123");
    c.value("p_deg_k(d=0.1, s1=1.0, s2=1.0):", g6(p_deg_k(0.1, 1.0, 1.0)), "0.705341");
    c.value("p_deg_k(d=0.5, s1=1.0, s2=1.5):", g6(p_deg_k(0.5, 1.0, 1.5)), "0.800656");
    c.value("p_deg_k(d=0.0, s1=0.01, s2=1.0):", g6(p_deg_k(0.0, 0.01, 1.0)), "0.99995");

    c.heading("testing ovonedim");
    c.value("ovonedim(delta=0.1, tol=1.0):", g6(ovonedim(0.1, 1.0)), "0.995012");
    c.value("ovonedim(delta=1.0, tol=1.0):", g6(ovonedim(1.0, 1.0)), "0.606531");
    c.value("ovonedim(delta=1.0, tol=1.0, mode=1):", g6(ovonedim(1.0, 1.0, 1)), "0");
    c.value("ovonedim(delta=50.0, tol=1.0):", g6(ovonedim(50.0, 1.0)), "0");

    // Peaks 1 and 2 share the atoms 1 and 2; peaks 3 and 4 have atoms of
    // their own at the same shifts, without spread.
    c.heading("testing ovperdim");
    OverlapInput ov =
        spectrum({{8.0, 0.5}, {120.0, 2.0}, {8.0, 0.0}, {120.0, 0.0}, {8.0, 0.0}, {120.0, 0.0}},
                 {{1, 2}, {1, 2}, {3, 4}, {5, 6}});
    c.value("ovperdim(peak 1, itself):", g6(ovperdim(ov, 1, 1, kTol)), "0");
    c.value("ovperdim(peaks 1, 2 sharing atoms):", g6(ovperdim(ov, 1, 2, kTol)), "1");
    c.value("ovperdim(peaks 3, 4 at one position):", g6(ovperdim(ov, 3, 4, kTol)), "1");

    // Configuration 1: (8.00, 120.0), (8.03, 120.3), (8.10, 121.0), no spread:
    //   O12 = exp(-0.36), O13 = exp(-4), 1 - (1 - O12)(1 - O13) = 0.703214.
    // Configuration 2: two peaks at (8.00, 120.0): 1.
    // Configuration 3: (9.50, 130.0) away from (8.00, 120.0) and (8.02, 120.2): 0.
    OverlapInput c1 =
        spectrum({{8.00, 0}, {120.0, 0}, {8.03, 0}, {120.3, 0}, {8.10, 0}, {121.0, 0}},
                 {{1, 2}, {3, 4}, {5, 6}});
    OverlapInput c2 = spectrum({{8.00, 0}, {120.0, 0}, {8.00, 0}, {120.0, 0}}, {{1, 2}, {3, 4}});
    OverlapInput c3 =
        spectrum({{9.50, 0}, {130.0, 0}, {8.00, 0}, {120.0, 0}, {8.02, 0}, {120.2, 0}},
                 {{1, 2}, {3, 4}, {5, 6}});
    int seed = -4711;
    McParams still{10, 0};
    c.heading("testing calcpeakoverlap");
    const OverlapInput* configs[] = {&c1, &c2, &c3};
    const char* resolved[] = {"0.703214", "1", "0"};
    for (int k = 0; k < 3; ++k) {
        std::string n = intstr(k + 1);
        if (k == 2) c.heading("peak is away from the others an not overlapped ");
        double mc = 0.0;
        double ana = calcpeakresolved(*configs[k], 1, kTol, false, &still, &seed, &mc);
        c.value("Analytical  " + n + ": ", g6(ana), resolved[k]);
        c.value("Mc          " + n + ": ", g6(mc), resolved[k]);
    }
    c.value("Mc-only one cycle  4: ", g6(calcpeakresolvedmc(c1, 1, kTol, {1, 0}, seed, false)),
            "0.703214");
    c.heading("end test calcpeakoverlap");

    // Peak 1 (H 8.00 +- 0.03, N 120.0 +- 0.4), peak 2 (H 8.05 +- 0.04, N 120.5
    // +- 0.3): each dimension gives (t / sigma) exp(-delta^2 / 2 sigma^2) =
    // 0.550695 with sigma^2 = 2 t^2, so 0.550695^2 = 0.303265.
    c.heading("testingoverlap in one dimension between mc and ana ");
    OverlapInput spread =
        spectrum({{8.00, 0.03}, {120.0, 0.4}, {8.05, 0.04}, {120.5, 0.3}}, {{1, 2}, {3, 4}});
    c.heading(" comparing ovprobability between peak 1 and 2 ");
    c.value("ANA:", g6(ovperdim(spread, 1, 2, kTol)), "0.303265");
    c.value("mc:", f2(mc_peak_overlap(spread, 1, 2, kTol, {20000, 0}, seed)), "0.30");

    // Sums of the resolution probabilities of configurations 1 to 3:
    //   0.703214 + 0.740261 + 0.156594, 1 + 1, 0 + 2 exp(-0.16).
    c.heading("Scoring over all peaks ");
    const char* sums[] = {"1.60007", "2", "1.70429"};
    for (int k = 0; k < 3; ++k) {
        std::string n = intstr(k + 1);
        c.value("Mc  allpeaks " + n + ":",
                g6(mcscoreoverlap(*configs[k], kTol, still, seed, false)), sums[k]);
        c.value("Ana allpeaks " + n + ":", g6(scoreoverlappg(*configs[k], kTol, false)), sums[k]);
    }
    c.heading("end test mcsscoreoverlap");
    return c.values();
}

void overlaptraces(const KemraData& d) {
    int k = currentpeaklist(d);
    if (k == 0) {
        say("No peak list: no traces on peaks.");
        return;
    }
    OverlapInput in = overlapinput(d, k);
    Tolerances tol{0.03, 0.4, 0.4};
    McParams mc{1000, 0};
    int seed = -4711;
    for (int p = 1; p <= in.npeaks(); ++p) calcpeakresolved(in, p, tol, true, &mc, &seed);
    scoreoverlappg(in, tol, true, &mc, &seed);
    mcscoreoverlap(in, tol, mc, seed, true);
}
