#include "labelio/peakfiles.h"

#include <cstdio>

#include "kemlang/print.h"
#include "molecule/peaklist.h"
#include "molecule/textio.h"

using decoding::Peak;
using decoding::Spectrum;

namespace {

std::string at(const std::string& name, int line) {
    return "line " + std::to_string(line) + " of \"" + name + "\"";
}

// Splits a line of an NMRView list: blanks separate fields, braces group
// one.
std::vector<std::string> xpkfields(const std::string& line) {
    std::vector<std::string> out;
    std::string cur;
    int depth = 0;
    for (char ch : line) {
        if (ch == '{') ++depth;
        if (ch == '}' && depth > 0) --depth;
        if ((ch == ' ' || ch == '\t') && depth == 0) {
            if (!cur.empty()) out.push_back(cur), cur.clear();
            continue;
        }
        cur += ch;
    }
    if (!cur.empty()) out.push_back(cur);
    return out;
}

// Which field holds each nucleus: -1 when none.
struct Columns {
    int h = -1, n = -1, c = -1;
    bool set(char nucleus, int column) {
        int& to = nucleus == 'H' ? h : nucleus == 'N' ? n : c;
        if (nucleus != 'H' && nucleus != 'N' && nucleus != 'C') return true;
        if (to >= 0) return false;  // two dimensions of one nucleus
        to = column;
        return true;
    }
};

bool kindfits(const Columns& col, Spectrum s, const std::string& name, int line,
              std::string& error) {
    if (col.h < 0 || col.n < 0) {
        error = "\"" + name + "\" has no 1H and 15N dimensions (" + at(name, line) + ").";
        return false;
    }
    if (s == Spectrum::hsqc && col.c >= 0) {
        error = "\"" + name + "\" has a 13C dimension: it is an HNCO list, given as an HSQC.";
        return false;
    }
    if (s == Spectrum::hnco && col.c < 0) {
        error = "\"" + name + "\" has no 13C dimension: it is an HSQC list, given as an HNCO.";
        return false;
    }
    return true;
}

bool number(const std::vector<std::string>& f, int i, double& v) {
    return i >= 0 && i < static_cast<int>(f.size()) && toreal(f[static_cast<size_t>(i)], v);
}

}  // namespace

std::string spectrumword(Spectrum s) { return s == Spectrum::hsqc ? "hsqc" : "hnco"; }

bool parsetable(const std::vector<std::string>& lines, const std::string& name,
                std::vector<SpectrumFile>& out, std::string& error) {
    std::vector<SpectrumFile> got;
    for (size_t i = 0; i < lines.size(); ++i) {
        const int line = static_cast<int>(i) + 1;
        std::vector<std::string> f = fields(nocomment(lines[i]), 10, 400);
        if (f.empty()) continue;
        SpectrumFile e;
        std::string kind = f.size() > 1 ? f[1] : "";
        locase(kind);
        if (f.size() != 3 || !toint(f[0], e.sample) || e.sample < 1 ||
            (kind != "hsqc" && kind != "hnco")) {
            error = "Cannot read " + at(name, line) +
                    ": a line is a sample number, hsqc or hnco, and a file name.";
            return false;
        }
        e.spectrum = kind == "hsqc" ? Spectrum::hsqc : Spectrum::hnco;
        e.file = f[2];
        for (const SpectrumFile& o : got)
            if (o.sample == e.sample && o.spectrum == e.spectrum) {
                error = "Sample " + std::to_string(e.sample) + " has two " + kind + " lists (" +
                        at(name, line) + ").";
                return false;
            }
        got.push_back(e);
    }
    out = got;
    return true;
}

bool parsepeaks(const std::vector<std::string>& lines, const std::string& name, int sample,
                Spectrum spectrum, std::vector<Peak>& out, std::string& error) {
    std::vector<Peak> got;
    size_t first = 0;
    while (first < lines.size() && fields(lines[first]).empty()) ++first;
    const std::string head = first < lines.size() ? lefstr(lines[first]) : "";
    Columns col;
    enum { plain, xeasy, nmrview } layout = plain;
    if (head.rfind("# Number of dimensions", 0) == 0) layout = xeasy;
    if (head.rfind("label dataset sw sf", 0) == 0) layout = nmrview;
    std::vector<std::string> labels;  // NMRView dimension labels
    bool header = layout == plain;    // column positions known
    for (size_t i = first; i < lines.size(); ++i) {
        const int line = static_cast<int>(i) + 1;
        const std::string& raw = lines[i];
        if (layout == xeasy && lefstr(raw).rfind("#INAME", 0) == 0) {
            std::vector<std::string> f = fields(raw);
            int dim = 0;
            if (f.size() < 3 || !toint(f[1], dim) || dim < 1 || !col.set(nucleus(f[2]), dim)) {
                error = "Cannot read " + at(name, line) + ": a dimension is \"#INAME n label\".";
                return false;
            }
            continue;
        }
        if (layout == nmrview && !header) {
            std::vector<std::string> f = xpkfields(raw);
            if (i == first + 1) labels = f;
            for (size_t k = 0; k < f.size(); ++k)
                for (const std::string& l : labels)
                    if (f[k] == l + ".P" && !col.set(nucleus(l), static_cast<int>(k) + 1)) {
                        error =
                            "Cannot read " + at(name, line) + ": two dimensions of one nucleus.";
                        return false;
                    }
            if (col.h >= 0) {
                if (!kindfits(col, spectrum, name, line, error)) return false;
                header = true;
            }
            continue;
        }
        const std::string text = layout == nmrview ? raw : nocomment(raw);
        std::vector<std::string> f = layout == nmrview ? xpkfields(text) : fields(text, 100, 40);
        if (f.empty()) continue;
        if (layout == xeasy && !header) {
            if (!kindfits(col, spectrum, name, line, error)) return false;
            header = true;
        }
        if (layout == plain) {
            // The first peak line tells the kind: three or four numbers.
            const int want = spectrum == Spectrum::hnco ? 4 : 3;
            if (got.empty() && (f.size() == 3 || f.size() == 4) &&
                static_cast<int>(f.size()) != want) {
                error = "\"" + name + "\" holds " + (f.size() == 4 ? "HNCO" : "HSQC") + " peaks (" +
                        at(name, line) + "), given as " +
                        (spectrum == Spectrum::hnco ? "an HNCO" : "an HSQC") + " list.";
                return false;
            }
            col = Columns{1, 2, spectrum == Spectrum::hnco ? 3 : -1};
            if (static_cast<int>(f.size()) != want) {
                error = "Cannot read " + at(name, line) + ": a peak is its number, 1H and 15N" +
                        (spectrum == Spectrum::hnco ? " and 13C" : "") + " ppm.";
                return false;
            }
        }
        Peak p;
        p.sample = sample, p.spectrum = spectrum;
        bool ok = toint(f[0], p.id) && number(f, col.h, p.h) && number(f, col.n, p.n) &&
                  (spectrum == Spectrum::hsqc || number(f, col.c, p.c));
        if (!ok) {
            error = "Cannot read " + at(name, line) + ": not a peak.";
            return false;
        }
        got.push_back(p);
    }
    if (!header) {
        error = "\"" + name + "\" has no column header of peak positions.";
        return false;
    }
    out.insert(out.end(), got.begin(), got.end());
    return true;
}

std::string peaklisttext(const std::vector<Peak>& peaks, int sample, Spectrum spectrum) {
    const bool hnco = spectrum == Spectrum::hnco;
    std::string out = "# quilter peak list: sample " + std::to_string(sample) + ", " +
                      (hnco ? "HNCO" : "HSQC") + "\n# peak  1H ppm  15N ppm" +
                      (hnco ? "  13C ppm\n" : "\n");
    char line[96];
    for (const Peak& p : peaks) {
        if (p.sample != sample || p.spectrum != spectrum) continue;
        if (hnco)
            std::snprintf(line, sizeof line, "%6d %8.3f %8.2f %8.2f\n", p.id, p.h, p.n, p.c);
        else
            std::snprintf(line, sizeof line, "%6d %8.3f %8.2f\n", p.id, p.h, p.n);
        out += line;
    }
    return out;
}
