#include "scoring/score.h"

#include <cmath>
#include <cstdio>
#include <map>

#include "kemlang/print.h"
#include "kemlang/services.h"
#include "molecule/peaklist.h"
#include "molecule/textio.h"

namespace {

constexpr double kNoPosition = 990.0;

void say(const std::string& text) { putlin(10, text); }
void start(const std::string& step) { say(">> Start " + step); }
void end(const std::string& step) { say(">> End " + step); }

// Expected shift and its spread of atom a in list k.
void expectedshift(const KemraData& d, int k, int a, double& shift, double& sd) {
    const LibAtom& la = d.res[d.irlib[d.iar[a]]].at[d.ilibat[a]];
    double s = d.shift[k][a];
    if (std::fabs(s) < 900.0) {
        shift = s;
        sd = d.dshift[k][a];
    } else {
        shift = la.cstab[0];
        sd = la.cstab[1];
    }
}

bool readparams(const std::string& file, ScoreParams& p) {
    std::vector<std::string> lines;
    if (!readlines(file, lines)) {
        say("No var file -> use standard values");
        return true;
    }
    int lineno = 0;
    for (const std::string& raw : lines) {
        ++lineno;
        std::vector<std::string> w = fields(nocomment(raw), 3, 40);
        if (w.empty()) continue;
        double v = 0.0;
        bool ok = false;
        if (w[0] == "tolerance" && w.size() == 3 && toreal(w[2], v) && v > 0.0) {
            ok = true;
            char n = nucleus(w[1]);
            if (n == 'H')
                p.tolh = v;
            else if (n == 'N')
                p.toln = v;
            else if (n == 'C')
                p.tolc = v;
            else
                ok = false;
        } else if (w[0] == "within" && w.size() == 2 && toreal(w[1], v) && v > 0.0) {
            p.within = v;
            ok = true;
        }
        if (!ok) {
            errmsg("Cannot read line " + intp(lineno) + " of " + strq(file) + ":@/" + strp(raw));
            return false;
        }
    }
    say("Parameter file " + strq(file) + " read.");
    return true;
}

std::string role(const ScoreSpectrum& s, int dim) {
    auto D = static_cast<size_t>(dim);
    std::string off = s.offset[D] == 0 ? "(i)" : "(i" + std::to_string(s.offset[D]) + ")";
    return s.atom[D] + off;
}

bool spectra(const KemraData& d, const std::string& paramfile, ScoreSetup& s) {
    start("spectra");
    if (!readparams(paramfile, s.par)) return false;
    s.spectra.assign(1, ScoreSpectrum());
    for (int k = 1; k <= d.npkl; ++k) {
        if (trim(d.pklnam[k]).empty()) continue;
        int n = 0;
        for (int p = 1; p <= d.npeaks; ++p) n += d.ipkl[p] == k;
        if (n == 0) {
            errmsg("No peaks in list " + intp(k) + ".");
            return false;
        }
        ScoreSpectrum sp;
        sp.list = k;
        sp.ndim = d.ndim[k];
        std::string nuclei;
        for (int dim = 0; dim < sp.ndim; ++dim) {
            auto D = static_cast<size_t>(dim);
            char c = nucleus(d.pklab[k][D]);
            sp.nucleus[D] = c;
            sp.tol[D] = c == 'H' ? s.par.tolh : c == 'N' ? s.par.toln : s.par.tolc;
            nuclei += c == ' ' ? std::string(" ?") : std::string(" ") + c;
        }
        s.spectra.push_back(sp);
        say("Spectrum " + intp(static_cast<int>(s.spectra.size()) - 1) + ": " + strq(d.pklnam[k]) +
            ", " + plural(n, "peak") + ", nuclei" + strp(nuclei));
    }
    if (s.spectra.size() == 1) {
        errmsg("No peak list");
        return false;
    }
    end("spectra");
    return true;
}

}  // namespace

bool preparescore(const KemraData& d, const std::string& paramfile, ScoreSetup& s) {
    s = ScoreSetup();
    if (!spectra(d, paramfile, s)) return false;

    start("atoms");
    if (d.na == 0) {
        errmsg("No atoms loaded");
        return false;
    }
    int shifted = 0;
    for (int a = 1; a <= d.na; ++a)
        if (std::fabs(d.shift[s.spectra[1].list][a]) < 900.0) ++shifted;
    say(plural(d.na, "atom") + ", " + intp(shifted) + " with a measured shift.");
    end("atoms");

    start("residues");
    int amides = 0;
    for (int r = 1; r <= d.nr; ++r) amides += residueatom(d, r, "H") > 0;
    say(plural(d.nr, "residue") + ", " + intp(amides) + " with an amide proton.");
    end("residues");

    start("coherences");
    for (size_t k = 1; k < s.spectra.size(); ++k) {
        ScoreSpectrum& sp = s.spectra[k];
        std::string line;
        bool ok = sp.ndim > 0;
        for (int dim = 0; dim < sp.ndim; ++dim) {
            auto D = static_cast<size_t>(dim);
            std::string label = d.pklab[sp.list][D];
            upcase(label);
            char c = sp.nucleus[D];
            if (c == 'H')
                sp.atom[D] = "H";
            else if (c == 'N')
                sp.atom[D] = "N";
            else if (c == 'C' && (label.rfind("CA", 0) == 0 || label.rfind("CB", 0) == 0))
                sp.atom[D] = label.substr(0, 2);
            else if (c == 'C')
                sp.atom[D] = "C", sp.offset[D] = -1;
            else
                ok = false;
            line += " " + role(sp, dim);
        }
        if (!ok) {
            wrnmsg("Spectrum " + intp(static_cast<int>(k)) +
                   " has a dimension of no H, N or C nucleus; it is not scored.");
            sp.ndim = 0;
            continue;
        }
        say("Spectrum " + intp(static_cast<int>(k)) + ":" + strp(line));
    }
    end("coherences");

    start("expected peaks");
    s.expected.assign(1, ExpectedPeak());
    for (size_t k = 1; k < s.spectra.size(); ++k) {
        const ScoreSpectrum& sp = s.spectra[k];
        if (sp.ndim == 0) continue;
        int n = 0;
        for (int r = 1; r <= d.nr; ++r) {
            ExpectedPeak e;
            e.spectrum = static_cast<int>(k);
            e.residue = r;
            bool all = true;
            for (int dim = 0; dim < sp.ndim && all; ++dim) {
                auto D = static_cast<size_t>(dim);
                e.atom[D] = residueatom(d, r + sp.offset[D], sp.atom[D]);
                all = e.atom[D] > 0;
                if (all) expectedshift(d, sp.list, e.atom[D], e.shift[D], e.sd[D]);
            }
            if (!all) continue;
            s.expected.push_back(e);
            ++n;
        }
        say("Spectrum " + intp(static_cast<int>(k)) + ": " + plural(n, "expected peak") + ".");
    }
    if (s.expected.size() == 1) {
        errmsg("No expected peaks");
        return false;
    }
    end("expected peaks");

    start("scoring tables");
    s.peakspectrum.assign(static_cast<size_t>(d.npeaks) + 1, 0);
    s.degeneracy.assign(static_cast<size_t>(d.npeaks) + 1, 0);
    for (size_t k = 1; k < s.spectra.size(); ++k) {
        const ScoreSpectrum& sp = s.spectra[k];
        if (sp.ndim == 0) continue;
        int pairs = 0, npk = 0;
        for (int p = 1; p <= d.npeaks; ++p) {
            if (d.ipkl[p] != sp.list) continue;
            ++npk;
            s.peakspectrum[static_cast<size_t>(p)] = static_cast<int>(k);
            for (size_t e = 1; e < s.expected.size(); ++e) {
                const ExpectedPeak& x = s.expected[e];
                if (x.spectrum != static_cast<int>(k)) continue;
                bool fits = true;
                for (int dim = 0; dim < sp.ndim && fits; ++dim) {
                    auto D = static_cast<size_t>(dim);
                    double pos = d.ppm[p][D];
                    if (pos > kNoPosition) continue;
                    double spread = std::hypot(x.sd[D], sp.tol[D]);
                    fits = std::fabs(pos - x.shift[D]) <= s.par.within * spread;
                }
                if (fits) ++s.degeneracy[static_cast<size_t>(p)], ++pairs;
            }
        }
        say("Spectrum " + intp(static_cast<int>(k)) + ": " + plural(npk, "peak") + ", " +
            plural(pairs, "compatible pair") + ".");
    }
    end("scoring tables");
    return true;
}

bool readassignment(const KemraData& d, const std::string& file, Assignment& a) {
    a = Assignment();
    std::vector<std::string> lines;
    if (!readlines(file, lines)) {
        errmsg("Assignment file " + strq(file) + " cannot be opened.");
        return false;
    }
    int lineno = 0;
    for (const std::string& raw : lines) {
        ++lineno;
        if (trim(raw).empty() || lefstr(raw)[0] == '#') continue;
        std::string line = raw;
        line.resize(std::max<size_t>(line.size(), 14), ' ');
        std::string f1 = lefstr(trim(line.substr(0, 6))), f2 = lefstr(trim(line.substr(8, 6)));
        int num = 0, res = 0;
        bool ok = (f1.empty() || toint(f1, num)) && (f2.empty() || toint(f2, res)) &&
                  trim(line.substr(6, 2)).empty() && trim(line.substr(14)).empty();
        if (!ok) {
            errmsg("Cannot read line " + intp(lineno) + " of " + strq(file) + ":@/" + strp(raw));
            return false;
        }
        if (res == 0) continue;
        int peak = 0;
        for (int k = 1; k <= d.npkl && peak == 0; ++k)
            for (int p = 1; p <= d.npeaks && peak == 0; ++p)
                if (d.ipkl[p] == k && d.ipnum[p] == num) peak = p;
        int r = 0;
        for (int i = 1; i <= d.nr && r == 0; ++i)
            if (d.ir[i] == res) r = i;
        if (peak == 0) {
            wrnmsg("Peak " + intp(num) + " in line " + intp(lineno) + " of " + strq(file) +
                   " is in no peak list.");
        } else if (r == 0) {
            wrnmsg("Residue " + intp(res) + " in line " + intp(lineno) + " of " + strq(file) +
                   " is not in the sequence.");
        } else {
            a.pairs.push_back({peak, r});
        }
    }
    say(plural(static_cast<int>(a.pairs.size()), "assignment") + " read.");
    return true;
}

double agreement(const KemraData& d, const ScoreSetup& s, int e, int p) {
    const ExpectedPeak& x = s.expected[static_cast<size_t>(e)];
    const ScoreSpectrum& sp = s.spectra[static_cast<size_t>(x.spectrum)];
    double w = 1.0;
    for (int dim = 0; dim < sp.ndim; ++dim) {
        auto D = static_cast<size_t>(dim);
        double pos = d.ppm[p][D];
        if (pos > kNoPosition) continue;
        double var = x.sd[D] * x.sd[D] + sp.tol[D] * sp.tol[D];
        double delta = pos - x.shift[D];
        w *= std::exp(-delta * delta / (2.0 * var));
    }
    return w;
}

ScoreResult scoreassignment(const KemraData& d, const ScoreSetup& s, const Assignment& a) {
    ScoreResult r;
    size_t ne = s.expected.size();
    r.best.assign(ne, 0);
    r.local.assign(ne, 0.0);
    r.agree.assign(ne, 0.0);
    r.n.assign(ne, 0);
    r.m.assign(ne, 0);
    std::map<std::pair<int, int>, int> index;  // (spectrum, residue) -> expected peak
    for (size_t e = 1; e < ne; ++e)
        index[{s.expected[e].spectrum, s.expected[e].residue}] = static_cast<int>(e);
    // Pairs of peaks in a scored spectrum, and how often each peak is given.
    std::vector<std::array<int, 2>> pairs;
    std::vector<int> given(static_cast<size_t>(d.npeaks) + 1, 0);
    for (const auto& pr : a.pairs)
        if (s.peakspectrum[static_cast<size_t>(pr[0])] > 0) {
            pairs.push_back(pr);
            ++given[static_cast<size_t>(pr[0])];
        }
    std::vector<int> hits(ne, 0);
    std::vector<int> matched;  // expected peak per pair, 0 = none
    for (const auto& pr : pairs) {
        auto it = index.find({s.peakspectrum[static_cast<size_t>(pr[0])], pr[1]});
        int e = it == index.end() ? 0 : it->second;
        matched.push_back(e);
        if (e) ++hits[static_cast<size_t>(e)];
    }
    int explained = 0, onetoone = 0, named = 0, peaksgiven = 0, peaks = 0;
    double degen = 0.0, dev = 0.0;
    for (size_t i = 0; i < pairs.size(); ++i) {
        int p = pairs[i][0], e = matched[i];
        if (e == 0) continue;
        auto E = static_cast<size_t>(e);
        int n = std::max(1, s.degeneracy[static_cast<size_t>(p)]);
        int m = given[static_cast<size_t>(p)];
        double w = agreement(d, s, e, p);
        ++named;
        degen += 1.0 / n;
        dev += w;
        if (m == 1 && hits[E] == 1) ++onetoone;
        double local = w / (n * m);
        if (r.best[E] == 0 || local > r.local[E]) {
            r.best[E] = p;
            r.local[E] = local;
            r.agree[E] = w;
            r.n[E] = n;
            r.m[E] = m;
        }
    }
    for (int p = 1; p <= d.npeaks; ++p)
        if (s.peakspectrum[static_cast<size_t>(p)] > 0) {
            ++peaks;
            peaksgiven += given[static_cast<size_t>(p)] > 0;
        }
    r.partcoh.assign(s.spectra.size(), 0.0);
    std::vector<int> perspec(s.spectra.size(), 0);
    double sum = 0.0;
    for (size_t e = 1; e < ne; ++e) {
        auto sp = static_cast<size_t>(s.expected[e].spectrum);
        ++perspec[sp];
        if (hits[e] > 0) ++explained, r.partcoh[sp] += 1.0;
        sum += r.local[e];
    }
    for (size_t k = 1; k < s.spectra.size(); ++k)
        if (perspec[k] > 0) r.partcoh[k] /= perspec[k];
    double nexp = static_cast<double>(ne - 1);
    r.partass = explained / nexp;
    r.partdegen = named ? degen / named : 0.0;
    r.partdev = named ? dev / named : 0.0;
    r.partpeak = peaks ? static_cast<double>(peaksgiven) / peaks : 0.0;
    r.partfreq = pairs.empty() ? 0.0 : static_cast<double>(onetoone) / pairs.size();
    r.score = sum / nexp;
    return r;
}

std::string localscorename(const std::string& file) {
    size_t dot = file.find('.');
    return (dot == std::string::npos ? std::string() : file.substr(0, dot)) + "_s.txt";
}

std::string localscorestext(const KemraData& d, const ScoreSetup& s, const ScoreResult& r) {
    std::string text;
    char buf[400];  // the widest double in %7.2f
    for (size_t e = 1; e < s.expected.size(); ++e) {
        const ExpectedPeak& x = s.expected[e];
        int p = r.best[e];
        std::string name = d.rnam[x.residue].substr(0, 4);
        std::snprintf(buf, sizeof buf, "%6d %-4s  %4d", d.ir[x.residue], name.c_str(),
                      p ? d.ipnum[p] : 0);
        text += buf;
        double v[13] = {static_cast<double>(x.spectrum), r.local[e], r.agree[e],
                        static_cast<double>(r.n[e]), static_cast<double>(r.m[e])};
        for (size_t dim = 0; dim < 4; ++dim) {
            v[5 + 2 * dim] = x.shift[dim];
            v[6 + 2 * dim] = p ? d.ppm[p][dim] : kNoShift;
        }
        for (double y : v) {
            std::snprintf(buf, sizeof buf, " %7.2f", y);
            text += buf;
        }
        text += '\n';
    }
    return text;
}
