// Peak-list reader: XEASY (.peaks, as written by XEASY, CARA and CYANA) and
// NMRView (.xpk).
//
// XEASY: header lines "# Number of dimensions N" and "#INAME d label"; then
// one line per peak: number, N positions, colour code, spectrum type, volume,
// volume error, integration method, a 0, N assignments and a final 0. The
// assignments are entry numbers of the chemical shift list the peak list is
// read into (0 = unassigned), so a shift list is read first. A line of N or
// N+1 integers alone is an alternative assignment of the peak above it; the
// first assignment is kept and the alternatives are skipped.
//
// NMRView: the first line "label dataset sw sf", then the dimension labels,
// the data set, the sweep widths, the frequencies and the column header
// ("H1.L H1.P ... vol int stat ..."); then one line per peak with its number
// first. Braces group a field; an assignment label is "residue.atom" (for
// example "12.HN"), "{}" or "?" means unassigned, and of several labels the
// first is kept. A status below 0 marks a deleted peak.
//
// Choices of ours:
//  - the layout is guessed from the first line of the file; format= names it
//    when a file starts otherwise;
//  - an assigned atom whose element does not fit the nucleus of its
//    dimension label is reported and the dimension left unassigned;
//  - "integrated" keeps integrated peaks only (XEASY method other than "-",
//    NMRView volume not 0), "intensity" stores the NMRView intensity column
//    instead of the volume, "killed" also reads deleted peaks, "assigned"
//    keeps peaks assigned in every dimension, and filter= keeps peaks with an
//    assigned atom whose name matches the pattern ("*" and "?" wildcards);
//    weight= is accepted and kept by no command;
//  - the "Total: " line is printed when more than one list holds peaks;
//  - the file is read whole before the list is changed, so a read that stops
//    on an error leaves the peaks held before.
#include "molecule/peaklist.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <vector>

#include "kemlang/params.h"
#include "kemlang/print.h"
#include "molecule/kemradata.h"
#include "molecule/textio.h"

namespace {

// The weight bound is written "0.0<=" before the type, the parameter notation
// for "at least".
const char* kPeakSyntax =
    "weight=0.0<=@r=1.0 filter=*= format=*= append integrated assigned                intensity "
    "killed";

struct RawPeak {
    int num = 0;
    std::array<double, 4> ppm{kNoShift, kNoShift, kNoShift, kNoShift};
    std::array<int, 4> atom{};
    double inten = 0.0;
    bool integrated = true, killed = false;
};

char elementnucleus(int a) {
    int e = kemradata.iael[a];
    if (e == 0 || e == 1) return 'H';
    if (e == 6) return 'C';
    if (e == 7) return 'N';
    return '?';
}

// Fields with braces grouping blanks: "{12.HN}" is one field "12.HN", "{}" an
// empty one.
std::vector<std::string> bracefields(const std::string& line) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i >= line.size()) break;
        if (line[i] == '{') {
            size_t j = line.find('}', i);
            if (j == std::string::npos) j = line.size();
            out.push_back(lefstr(trim(line.substr(i + 1, j - i - 1))));
            i = j + 1;
        } else {
            size_t j = i;
            while (j < line.size() && line[j] != ' ' && line[j] != '\t') ++j;
            out.push_back(line.substr(i, j - i));
            i = j;
        }
    }
    return out;
}

class Reader {
   public:
    Reader(const std::string& file, const PeakOptions& o) : file_(file), o_(o) {}

    bool read(std::FILE* f, int& n, int& m);

   private:
    bool xeasy();
    bool nmrview();
    // Reports a line that cannot be read; false when the read stops.
    bool badline(int lineno);
    // Resolves an assignment of dimension d; false when the read stops.
    bool assign(RawPeak& p, int d, int atom);
    bool unknown(const std::string& label, int lineno);  // an unknown atom label
    void commit(int& n, int& m);

    const std::string& file_;
    const PeakOptions& o_;
    std::vector<std::string> lines_;
    int ndim_ = 0;
    std::array<std::string, 4> labels_;
    std::vector<RawPeak> peaks_;
};

bool Reader::badline(int lineno) {
    if (o_.unknown == 2) return true;
    std::string msg = "Cannot read line " + intp(lineno) + " of " + strq(file_) + ":@/" +
                      strp(lines_[static_cast<size_t>(lineno - 1)]);
    if (o_.unknown == 1) {
        wrnmsg(msg);
        return true;
    }
    errmsg(msg);
    return false;
}

bool Reader::unknown(const std::string& label, int lineno) {
    if (o_.unknown == 2) return true;
    std::string msg =
        "Unknown atom " + strq(label) + " in line " + intp(lineno) + " of " + strq(file_) + ".";
    if (o_.unknown == 1) {
        wrnmsg(msg);
        return true;
    }
    errmsg(msg);
    return false;
}

bool Reader::assign(RawPeak& p, int d, int atom) {
    char want = nucleus(labels_[static_cast<size_t>(d)]);
    if (want != ' ' && elementnucleus(atom) != want) {
        wrnmsg("Inconsistent assignment for peak " + intp(p.num) + ": atom " +
               strq(atomlabel(atom)) + " in dimension " + intp(d + 1) + " " +
               strq(labels_[static_cast<size_t>(d)]) + ".");
        return true;
    }
    p.atom[static_cast<size_t>(d)] = atom;
    return true;
}

bool Reader::read(std::FILE* f, int& n, int& m) {
    n = m = 0;
    std::string line;
    while (readline(f, line, 2000)) lines_.push_back(line);
    std::string format = o_.format;
    locase(format);
    if (format.empty()) {
        for (const std::string& l : lines_) {
            std::vector<std::string> w = fields(l, 4, 40);
            if (w.empty()) continue;
            if (l.find("Number of dimensions") != std::string::npos)
                format = "xeasy";
            else if (w[0] == "label")
                format = "nmrview";
            break;
        }
        if (format.empty()) {
            errmsg("Cannot guess peak list format.");
            return false;
        }
    }
    bool ok;
    if (format == "xeasy") {
        ok = xeasy();
    } else if (format == "nmrview") {
        ok = nmrview();
    } else {
        errmsg("Unknown peak list format " + strq(o_.format) + ".");
        return false;
    }
    if (!ok) return false;
    commit(n, m);
    return true;
}

bool Reader::xeasy() {
    // Entry numbers of the list's chemical shifts.
    const KemraData& d = kemradata;
    std::map<int, int> entry;
    // No shift list read yet (or a shorter one): no entry numbers to assign by.
    if (o_.list >= 0 && static_cast<size_t>(o_.list) < d.iprot.size()) {
        const std::vector<int>& ip = d.iprot[static_cast<size_t>(o_.list)];
        for (int a = 1; a <= d.na && static_cast<size_t>(a) < ip.size(); ++a)
            if (ip[static_cast<size_t>(a)] > 0) entry.emplace(ip[static_cast<size_t>(a)], a);
    }
    int lineno = 0;
    for (const std::string& line : lines_) {
        ++lineno;
        std::vector<std::string> w = fields(line, 100, 40);
        if (w.empty()) continue;
        if (w[0][0] == '#') {
            if (line.find("Number of dimensions") != std::string::npos) {
                if (!toint(w.back(), ndim_) || ndim_ < 1 || ndim_ > 4) {
                    errmsg("Illegal number of dimensions.");
                    return false;
                }
            } else if (w[0] == "#INAME" && w.size() >= 3) {
                int k = 0;
                if (toint(w[1], k) && k >= 1 && k <= 4) labels_[static_cast<size_t>(k - 1)] = w[2];
            }
            continue;
        }
        if (ndim_ == 0) {
            errmsg("Illegal number of dimensions.");
            return false;
        }
        int size = static_cast<int>(w.size());
        bool allint = true;
        for (const std::string& s : w) {
            int dummy = 0;
            allint = allint && toint(s, dummy);
        }
        if (allint && !peaks_.empty() && (size == ndim_ || size == ndim_ + 1)) continue;
        RawPeak p;
        bool ok = toint(w[0], p.num) && size >= 1 + ndim_;
        for (int k = 0; ok && k < ndim_; ++k)
            ok = toreal(w[static_cast<size_t>(1 + k)], p.ppm[static_cast<size_t>(k)]);
        int first = 7 + ndim_;  // first assignment field
        std::array<int, 4> num{};
        if (ok && size > 1 + ndim_) {
            ok = size >= first + ndim_ && toreal(w[static_cast<size_t>(3 + ndim_)], p.inten);
            for (int k = 0; ok && k < ndim_; ++k)
                ok = toint(w[static_cast<size_t>(first + k)], num[static_cast<size_t>(k)]);
            if (ok) p.integrated = w[static_cast<size_t>(5 + ndim_)] != "-";
        }
        if (!ok) {
            if (!badline(lineno)) return false;
            continue;
        }
        for (int k = 0; k < ndim_; ++k) {
            int e = num[static_cast<size_t>(k)];
            if (e == 0) continue;
            auto it = entry.find(e);
            if (it == entry.end()) {
                if (o_.unknown == 2) continue;
                std::string msg =
                    "Assignment of peak " + intp(p.num) + " not found in chemical shift list.";
                if (o_.unknown == 1) {
                    wrnmsg(msg);
                    continue;
                }
                errmsg(msg);
                return false;
            }
            assign(p, k, it->second);
        }
        peaks_.push_back(p);
    }
    if (ndim_ == 0) {
        errmsg("Illegal number of dimensions.");
        return false;
    }
    return true;
}

bool Reader::nmrview() {
    std::vector<std::string> labs;
    if (lines_.size() >= 2) labs = fields(lines_[1], 100, 40);
    ndim_ = static_cast<int>(labs.size());
    if (ndim_ < 1 || ndim_ > 4) {
        errmsg("Illegal number of dimensions.");
        return false;
    }
    if (lines_.size() < 6) {
        errmsg("Column header missing in " + strq(file_) + ".");
        return false;
    }
    std::vector<std::string> head = bracefields(lines_[5]);
    auto column = [&](const std::string& name) {
        for (size_t i = 0; i < head.size(); ++i)
            if (head[i] == name) return static_cast<int>(i) + 1;  // data lines lead with the id
        return 0;
    };
    std::array<int, 4> lcol{}, pcol{};
    int need = 0;
    for (int k = 0; k < ndim_; ++k) {
        auto K = static_cast<size_t>(k);
        labels_[K] = labs[K];
        lcol[K] = column(labs[K] + ".L");
        pcol[K] = column(labs[K] + ".P");
        if (pcol[K] == 0) {
            errmsg("Column " + strq(labs[K] + ".P") + " missing in line 6 of " + strq(file_) + ".");
            return false;
        }
        need = std::max({need, lcol[K], pcol[K]});
    }
    int vcol = column(o_.intensity ? "int" : "vol"), scol = column("stat");
    need = std::max({need, vcol, scol});
    for (int lineno = 7; lineno <= static_cast<int>(lines_.size()); ++lineno) {
        const std::string& line = lines_[static_cast<size_t>(lineno - 1)];
        std::vector<std::string> w = bracefields(line);
        if (w.empty()) continue;
        RawPeak p;
        bool ok = static_cast<int>(w.size()) > need && toint(w[0], p.num);
        for (int k = 0; ok && k < ndim_; ++k)
            ok = toreal(w[static_cast<size_t>(pcol[static_cast<size_t>(k)])],
                        p.ppm[static_cast<size_t>(k)]);
        if (ok && vcol > 0) ok = toreal(w[static_cast<size_t>(vcol)], p.inten);
        int stat = 0;
        if (ok && scol > 0) ok = toint(w[static_cast<size_t>(scol)], stat);
        if (!ok) {
            if (!badline(lineno)) return false;
            continue;
        }
        p.killed = stat < 0;
        p.integrated = p.inten != 0.0;
        for (int k = 0; k < ndim_ && lcol[static_cast<size_t>(k)] > 0; ++k) {
            std::vector<std::string> names =
                fields(w[static_cast<size_t>(lcol[static_cast<size_t>(k)])], 10, 40);
            if (names.empty() || names[0] == "?") continue;
            const std::string& label = names[0];
            size_t dot = label.rfind('.');
            int r = 0, atom = 0;
            if (dot != std::string::npos) {
                size_t digit = label.find_first_of("-0123456789");
                int num = 0;
                if (digit < dot && toint(label.substr(digit, dot - digit), num))
                    r = findresidue(num);
                std::string name = label.substr(dot + 1);
                atom = findatom(r, name);
                if (atom == 0 && (name == "HN" || name == "hn")) atom = findatom(r, "H");
            }
            if (atom == 0) {
                if (!unknown(label, lineno)) return false;
                continue;
            }
            assign(p, k, atom);
        }
        peaks_.push_back(p);
    }
    return true;
}

void Reader::commit(int& n, int& m) {
    KemraData& d = kemradata;
    int k = o_.list;
    clearpeaks(k);
    d.ndim[k] = ndim_;
    d.pklab[k] = labels_;
    int filtered = 0;
    std::string pattern = o_.filter;
    upcase(pattern);
    for (const RawPeak& p : peaks_) {
        if (p.killed && !o_.killed) continue;
        int nassigned = 0;
        bool matched = pattern.empty();
        for (int a : p.atom) {
            if (a == 0) continue;
            ++nassigned;
            if (!matched && match(d.anam[a], pattern)) matched = true;
        }
        if ((o_.assigned && nassigned < ndim_) || (o_.integrated && !p.integrated) || !matched) {
            ++filtered;
            continue;
        }
        ++d.npeaks;
        d.ipkl.resize(static_cast<size_t>(d.npeaks) + 1);
        d.ipnum.resize(static_cast<size_t>(d.npeaks) + 1);
        d.ppm.resize(static_cast<size_t>(d.npeaks) + 1);
        d.ipa.resize(static_cast<size_t>(d.npeaks) + 1);
        d.pint.resize(static_cast<size_t>(d.npeaks) + 1);
        d.psel.resize(static_cast<size_t>(d.npeaks) + 1);
        auto q = static_cast<size_t>(d.npeaks);
        d.ipkl[q] = k;
        d.ipnum[q] = p.num;
        d.ppm[q] = p.ppm;
        d.ipa[q] = p.atom;
        d.pint[q] = p.inten;
        d.psel[q] = 1;
        ++n;
        if (nassigned > 0) ++m;
    }
    if (filtered > 0) putlin(2, plural(filtered, "peak") + " filtered out.");
}

}  // namespace

char nucleus(const std::string& label) {
    size_t i = label.find_first_not_of("0123456789");
    if (i == std::string::npos) return ' ';
    char c = static_cast<char>(std::toupper(static_cast<unsigned char>(label[i])));
    return c == 'H' || c == 'N' || c == 'C' ? c : ' ';
}

bool getpik(std::FILE* f, const std::string& file, const PeakOptions& o, int& n, int& m) {
    if (o.list < 1) return false;
    if (o.list > kemradata.npkl) growlists(o.list);  // the list read into exists
    Reader r(file, o);
    return r.read(f, n, m);
}

void readpeaklist(std::vector<std::string>& param, int& npar, std::FILE* f, const std::string& file,
                  int unknown) {
    params(param, npar, kPeakSyntax);
    if (haverr()) return;
    KemraData& d = kemradata;
    PeakOptions o;
    o.weight = rparam("weight");
    o.filter = getpar("filter");
    o.format = getpar("format");
    o.integrated = option("integrated");
    o.assigned = option("assigned");
    o.intensity = option("intensity");
    o.killed = option("killed");
    o.unknown = unknown;
    o.list = option("append") ? d.npkl + 1 : 1;
    if (o.list > d.npkl) growlists(o.list);
    int n = 0, m = 0;
    if (!getpik(f, file, o, n, m)) return;
    d.pklnam[o.list] = file;
    putlin(2, "Peak list " + strq(file) + " read, " + plural(n, "peak") + ", " +
                  plural(m, "assignment") + ".");
    int lists = 0, assigned = 0;
    for (int k = 1; k <= d.npkl; ++k)
        for (int p = 1; p <= d.npeaks; ++p)
            if (d.ipkl[p] == k) {
                ++lists;
                break;
            }
    for (int p = 1; p <= d.npeaks; ++p)
        if (d.ipa[p][0] || d.ipa[p][1] || d.ipa[p][2] || d.ipa[p][3]) ++assigned;
    if (lists > 1)
        putlin(2,
               "Total: " + plural(d.npeaks, "peak") + ", " + plural(assigned, "assignment") + ".");
}
