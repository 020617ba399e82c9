#include "labelio/session.h"

#include <climits>
#include <fstream>
#include <functional>
#include <sstream>

#include "kemlang/print.h"
#include "labelio/atomicfile.h"
#include "labelio/edits.h"

namespace {

constexpr int kMaxDupes = 99;
const char* const kDesignsHeading = "# designs";
const char* const kAnalysesHeading = "# analyses";

std::string i5(int v) {
    std::string t = std::to_string(v);
    return t.size() < 5 ? std::string(5 - t.size(), ' ') + t : t;
}

// Calls visit(value, lo, hi, what) for every line of the file in order; the
// same walk writes and reads, so the two can never disagree on the order.
using Visit = std::function<bool(int& value, int lo, int hi, const std::string& what)>;

bool walk(SessionImage& s, const Visit& visit) {
    for (int i = 1; i <= kSessionEntries; ++i)
        for (int r = 1; r <= kSlots; ++r) {
            std::string of = " of entry " + std::to_string(i) + " of labeling " + std::to_string(r);
            if (!visit(s.front[r][i], 0, kTypes, "front type" + of) ||
                !visit(s.end[r][i], 0, kTypes, "end type" + of) ||
                !visit(s.occur[r][i], 0, INT_MAX, "occurrence count" + of) ||
                !visit(s.mask[r][i], 0, kMaxMask, "sample mask" + of))
                return false;
        }
    for (int r = 1; r <= kSlots; ++r)
        if (!visit(s.size[r], 0, kSlotEntries, "size of labeling " + std::to_string(r)))
            return false;
    if (!visit(s.ixtract, INT_MIN, INT_MAX, "extract value")) return false;
    for (int i = 1; i <= kTypes; ++i)
        for (int j = 1; j <= kTypes; ++j)
            if (!visit(s.dupes[i][j], 0, kMaxDupes,
                       "allowed duplicates of pair " + std::to_string(i) + " " + std::to_string(j)))
                return false;
    return true;
}

// The designs part, walked the same way.
bool walkdesigns(SessionImage& s, const Visit& visit) {
    for (int r = 1; r <= kSlots; ++r) {
        std::string of = " of labeling " + std::to_string(r);
        int spectra = s.model[r].twospectra() ? 1 : 0;
        auto silent = static_cast<int>(s.model[r].silent);
        if (!visit(spectra, 0, 1, "spectra" + of) ||
            !visit(silent, 0, (1 << (kTypes + 1)) - 2, "silent types" + of))
            return false;
        s.model[r].spectra = spectra ? Spectra::hsqchnco : Spectra::hnco;
        s.model[r].silent = static_cast<uint32_t>(silent);
        for (int t = 1; t <= kTypes; ++t) {
            std::string type = " of type " + std::to_string(t) + of;
            auto c = static_cast<int>(s.extra[r].c[static_cast<size_t>(t)]);
            auto n = static_cast<int>(s.extra[r].n[static_cast<size_t>(t)]);
            if (!visit(c, 0, kMaxMask, "extra 13C samples" + type) ||
                !visit(n, 0, kMaxMask, "extra 15N samples" + type))
                return false;
            s.extra[r].c[static_cast<size_t>(t)] = static_cast<uint32_t>(c);
            s.extra[r].n[static_cast<size_t>(t)] = static_cast<uint32_t>(n);
        }
    }
    return true;
}

// The pair analyses part: per slot the ban (1 on) and the repeat limit.
bool walkanalyses(SessionImage& s, const Visit& visit) {
    for (int r = 1; r <= kSlots; ++r) {
        std::string of = " of labeling " + std::to_string(r);
        Analysis& a = s.analysis[static_cast<size_t>(r)];
        int banned = a.banned ? 1 : 0;
        if (!visit(banned, 0, 1, "ban" + of) ||
            !visit(a.multipair, 1, kMaxMultipair, "repeat limit" + of))
            return false;
        a.banned = banned == 1;
    }
    return true;
}

bool parseint(const std::string& line, int& v) {
    size_t a = line.find_first_not_of(" \t");
    size_t b = line.find_last_not_of(" \t\r");
    if (a == std::string::npos) return false;
    std::string t = line.substr(a, b - a + 1);
    size_t k = t[0] == '-' || t[0] == '+' ? 1 : 0;
    if (k == t.size() || t.size() - k > 10) return false;
    for (size_t c = k; c < t.size(); ++c)
        if (t[c] < '0' || t[c] > '9') return false;
    long long x = std::stoll(t);
    if (x < INT_MIN || x > INT_MAX) return false;
    v = static_cast<int>(x);
    return true;
}

}  // namespace

bool SessionImage::designs() const {
    for (int r = 1; r <= kSlots; ++r)
        if (model[r] != Model() || extra[r] != Labels()) return true;
    return false;
}

bool SessionImage::analyses() const {
    for (int r = 1; r <= kSlots; ++r)
        if (analysis[static_cast<size_t>(r)] != Analysis()) return true;
    return false;
}

SessionImage session_of(const LabelData& l) {
    SessionImage s;
    s.size = l.ilabelsize;
    for (int r = 1; r <= kSlots; ++r)
        for (int i = 1; i <= kSessionEntries; ++i) {
            s.front[r][i] = l.ias_front[r][i];
            s.end[r][i] = l.ias_end[r][i];
            s.occur[r][i] = l.ioccur[r][i];
            s.mask[r][i] = l.ischedulenr[r][i];
        }
    s.ixtract = l.ixtract;
    s.dupes = l.iallowed_dupes;
    s.model = l.slotmodel;
    s.extra = l.slotextra;
    s.analysis = l.slotanalysis;
    return s;
}

void apply_session(const SessionImage& s, LabelData& l) {
    l.ilabelsize = s.size;
    for (int r = 1; r <= kSlots; ++r)
        for (int i = 1; i <= kSessionEntries; ++i) {
            l.ias_front[r][i] = s.front[r][i];
            l.ias_end[r][i] = s.end[r][i];
            l.ioccur[r][i] = s.occur[r][i];
            l.ischedulenr[r][i] = s.mask[r][i];
        }
    l.ixtract = s.ixtract;
    l.iallowed_dupes = s.dupes;
    l.slotmodel = s.model;
    l.slotextra = s.extra;
    l.slotanalysis = s.analysis;
}

std::string session_text(const SessionImage& image) {
    SessionImage s = image;
    std::string text;
    text.reserve(static_cast<size_t>(kSessionLines) * 6);
    Visit write = [&](int& v, int, int, const std::string&) {
        text += i5(v) + "\n";
        return true;
    };
    walk(s, write);
    if (s.designs()) {
        text += std::string(kDesignsHeading) + "\n";
        walkdesigns(s, write);
    }
    if (s.analyses()) {
        text += std::string(kAnalysesHeading) + "\n";
        walkanalyses(s, write);
    }
    return text;
}

bool write_session(const std::string& path, const SessionImage& s, std::string& error) {
    return writeatomic(path, session_text(s), error);
}

bool read_session(const std::string& path, SessionImage& out, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "Session file \"" + path + "\" cannot be opened.";
        return false;
    }
    int lineno = 0;
    std::string line, part;  // part: the appendix being read, and its length
    Visit read = [&](int& v, int lo, int hi, const std::string& what) {
        if (!std::getline(in, line)) {
            error = "Session file \"" + path + "\" ends after line " + std::to_string(lineno) +
                    ", before the " + what + " (a session has " + std::to_string(kSessionLines) +
                    (part.empty() ? std::string(" lines") : " lines, its " + part) + ").";
            return false;
        }
        ++lineno;
        if (!parseint(line, v)) {
            error = "Line " + std::to_string(lineno) + " of session file \"" + path +
                    "\" is not an integer (" + what + "): \"" + line + "\"";
            return false;
        }
        if (v < lo || v > hi) {
            error = "Line " + std::to_string(lineno) + " of session file \"" + path +
                    "\": " + std::to_string(v) + " is outside " + std::to_string(lo) + ".." +
                    std::to_string(hi) + " (" + what + ").";
            return false;
        }
        return true;
    };
    out.model.fill(Model());
    out.extra.fill(Labels());
    out.analysis.fill(Analysis());
    if (!walk(out, read)) return false;
    // Past the last line: nothing, or the designs after their heading.
    bool designs = false, analyses = false;
    while (std::getline(in, line)) {
        ++lineno;
        if (!designs && !analyses && trim(line) == kDesignsHeading) {
            designs = true;
            part = "designs part " + std::to_string(kSessionDesignLines + 1);
            if (!walkdesigns(out, read)) return false;
            continue;
        }
        if (!analyses && trim(line) == kAnalysesHeading) {
            analyses = true;
            part = "analyses part " + std::to_string(2 * kSlots + 1);
            if (!walkanalyses(out, read)) return false;
            continue;
        }
        if (line.find_first_not_of(" \t\r") != std::string::npos) {
            error = "Line " + std::to_string(lineno) + " of session file \"" + path +
                    "\" lies past the end of a session: \"" + line + "\"";
            return false;
        }
    }
    return true;
}

void echo_session(const SessionImage& s, bool reading) {
    int n = 1 + kSessionEntries * kSlots;
    listout(intp(n));
    ++n;
    if (reading)
        listout("ixtract: " + intp(s.ixtract));
    else
        listout(intp(n));
    for (int i = 1; i <= kTypes; ++i)
        for (int j = 1; j <= kTypes; ++j) {
            if (reading) {
                putlin(14, " reading " + intp(i) + " " + intp(j));
                putlin(14, " read " + intp(s.dupes[i][j]));
            } else {
                putlin(14, " writin " + intp(i) + " " + intp(j) + " " + intp(s.dupes[i][j]));
            }
            putlin(14, " " + intp(++n));
        }
    listout(intp(n));
}
