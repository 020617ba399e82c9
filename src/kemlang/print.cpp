// The line printer, the placeholder tokens and the text utilities.
#include "kemlang/print.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "kemlang/services.h"

KemlangData kemlangdata;
volatile std::sig_atomic_t intrpt = 0;
PrintData printdata;

void KemlangData::reset() {
    if (redir) std::fclose(redir);
    if (logfile) std::fclose(logfile);
    FILE* keepscreen = screen;
    std::string* keepcap = capture;
    *this = KemlangData();
    screen = keepscreen;
    capture = keepcap;
}

void PrintData::reset() { *this = PrintData(); }

// ---------------------------------------------------------------- arguments

// A full store starts again at argument 1: what fills it is a message that
// was made and never printed (a skipped line's), whose tokens no line will
// read. A line of its own never needs more than the store holds.
static int nextarg() {
    if (printdata.narg >= kMaxPrintArgs) printdata.narg = 0;
    return ++printdata.narg;
}

static std::string argletter(int k) { return std::string(1, static_cast<char>(64 + k)); }

// Tokens start with kTokenMark instead of a "%": text taken from users and
// files is concatenated into messages as it stands, and a "%" in it must
// print as a "%", never pull an argument or a field width.
static const std::string mark(1, kTokenMark);

static std::string field(int v, int positions) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%*d", positions, v);
    return buf;
}

std::string intp(int i) {
    int k = nextarg();
    printdata.iarg[k] = i;
    return mark + argletter(k) + "d";
}

std::string intn(int i, int width) {
    int k = nextarg();
    printdata.iarg[k] = i;
    return mark + argletter(k) + field(width, 3) + "d";
}

std::string realp(double x, int digits) {
    int k = nextarg();
    printdata.rarg[k] = x;
    return mark + argletter(k) + field(digits, 3) + "r";
}

std::string realf(double x, int width, int decimals) {
    int k = nextarg();
    printdata.rarg[k] = x;
    return mark + argletter(k) + field(width, 3) + "." + field(decimals, 2) + "f";
}

std::string reale(double x, int width, int decimals) {
    int k = nextarg();
    printdata.rarg[k] = x;
    return mark + argletter(k) + field(width, 3) + "." + field(decimals, 2) + "e";
}

std::string strp(const std::string& s) {
    int k = nextarg();
    printdata.sarg[k] = s;
    return mark + argletter(k) + "s";
}

std::string strn(const std::string& s, int width) {
    int k = nextarg();
    printdata.sarg[k] = s;
    return mark + argletter(k) + field(width, 4) + "s";
}

std::string strq(const std::string& s) { return "\"" + strp(s) + "\""; }

std::string plural(int count, const std::string& noun) {
    std::string n = trim(noun);
    if (count != 1) n += "s";
    int k = nextarg();
    printdata.iarg[k] = count;
    int m = nextarg();
    printdata.sarg[m] = n;
    return mark + argletter(k) + "d " + mark + argletter(m) + "s";
}

// ---------------------------------------------------------------- formatter

static bool isconv(char c) {
    return c == 'd' || c == 'r' || c == 'e' || c == 'f' || c == 'g' || c == 's';
}

static std::string fixed(double x, int decimals) {
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, x);
    return buf;
}

// Places a converted value in its field (width 0: natural; |w| < L truncates,
// except integers; w > 0 right-aligns, w < 0 left-aligns).
static std::string place(std::string v, int width, bool integer) {
    v = trim(v);
    int len = static_cast<int>(v.size());
    if (width == 0) return v;
    int w = std::abs(width);
    if (w < len) return integer ? v : v.substr(0, w);
    std::string pad(w - len, ' ');
    return width > 0 ? pad + v : v + pad;
}

static std::string convert(char conv, int k, int width, int decimals) {
    if (k < 1 || k > kMaxPrintArgs) return "";
    double x = printdata.rarg[k];
    decimals = std::clamp(decimals, 0, 30);
    char buf[64];
    switch (conv) {
        case 'd':
            return place(std::to_string(printdata.iarg[k]), width, true);
        case 'r':
            return numstr(x, std::min(width, 30));
        case 'f':
            return place(lefstr(fixed(x, decimals)), width, false);
        case 'e':
            std::snprintf(buf, sizeof buf, "%.*E", decimals, x);
            return place(buf, width, false);
        case 'g':
            std::snprintf(buf, sizeof buf, "%.*G", decimals > 0 ? decimals : 6, x);
            return place(buf, width, false);
        default: {  // 's': texts keep their leading blanks
            const std::string& s = printdata.sarg[k];
            std::string t = trim(s);
            if (width == 0) return t;
            int w = std::abs(width), len = static_cast<int>(t.size());
            if (w < len) return t.substr(0, w);
            std::string pad(w - len, ' ');
            return width > 0 ? pad + t : t + pad;
        }
    }
}

// Parses a signed decimal with embedded blanks ignored. Token fields have at
// most four positions; anything wider is capped so that no field can ask for
// more than a line's worth of padding.
static int readnum(const std::string& s) {
    int v = 0;
    bool neg = false, any = false;
    for (char c : s) {
        if (c == '-' && !any) neg = true;
        if (c >= '0' && c <= '9') {
            v = std::min(v * 10 + (c - '0'), kMaxField);
            any = true;
        }
    }
    return neg ? -v : v;
}

std::string fmtstr(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 32);
    int lastarg = 0;
    size_t i = 0, n = text.size();
    while (i < n) {
        char c = text[i];
        if (c != kTokenMark) {
            out += c;
            ++i;
            continue;
        }
        size_t j = i + 1;
        int k = 0;
        if (j < n && text[j] >= 'A' && text[j] <= 'A' + kMaxPrintArgs - 1) {
            k = text[j] - 64;
            ++j;
        }
        // The widest token field is "www.dd"; a longer run is no token.
        size_t fs = j;
        while (j < n && j - fs <= 6 &&
               (text[j] == ' ' || text[j] == '.' || text[j] == '-' ||
                (text[j] >= '0' && text[j] <= '9')))
            ++j;
        if (j >= n || !isconv(text[j])) {  // a stray mark: dropped
            ++i;
            continue;
        }
        std::string spec = text.substr(fs, j - fs);
        size_t dot = spec.find('.');
        int width = readnum(dot == std::string::npos ? spec : spec.substr(0, dot));
        int decimals = dot == std::string::npos ? 0 : readnum(spec.substr(dot + 1));
        if (k == 0) k = lastarg + 1;
        lastarg = k;
        out += convert(text[j], k, width, decimals);
        i = j + 1;
    }
    return out;
}

// ---------------------------------------------------------------- printing

static void emit(std::FILE* f, const std::string& line) {
    if (f == kemlangdata.screen && kemlangdata.capture) {
        *kemlangdata.capture += line;
        *kemlangdata.capture += '\n';
        return;
    }
    std::fputs(line.c_str(), f);
    std::fputc('\n', f);
    if (f != kemlangdata.logfile) {
        if (kemlangdata.dflush) std::fflush(f);
        return;
    }
    // A log that can no longer be written is closed and said so once.
    std::string reason;
    if (outcheck(f, reason)) return;
    std::fclose(f);
    kemlangdata.logfile = nullptr;
    std::string name = kemlangdata.logname;
    kemlangdata.logname.clear();
    errmsg("Cannot write protocol file " + strq(name) + ".@/" + strp(reason));
}

void putlin(int level, const std::string& text) {
    KemlangData& k = kemlangdata;
    printdata.narg = 0;
    if (level == 0) {
        k.dflush = trim(text) != "noflush";
        return;
    }
    if (!(k.infos >= 5 || k.iploop != 0 || k.icrank == 0)) return;
    std::string work =
        text.compare(0, 2, "@_") == 0 ? squeze(fmtstr(text.substr(2))) : fmtstr(text);
    int cmp = level >= 10 ? level - 10 : level;
    const char* first = "";
    const char* cont = "";
    switch (level) {
        case -3:
            first = "*** FATAL ERROR: ";
            cont = "                 ";
            break;
        case -2:
            first = "*** ERROR: ";
            cont = "           ";
            break;
        case -1:
            first = "*** WARNING: ";
            cont = "             ";
            break;
        default:
            if (level >= 1 && level <= 9) first = cont = "    ";
    }
    if (level == -2) k.erflag = true;
    size_t pos = 0;
    bool firstline = true;
    while (true) {
        size_t code = work.find("@/", pos);
        std::string piece =
            work.substr(pos, code == std::string::npos ? std::string::npos : code - pos);
        std::string line = trim((firstline ? first : cont) + piece);
        if (line.empty()) line = " ";
        firstline = false;
        bool toredir = k.iured > 0 && k.redir;
        if (toredir && cmp <= k.infos) emit(k.redir, line);
        if (!toredir || level < 0) {
            if (cmp <= k.infos) emit(k.screen, line);
            if (k.logfile && cmp <= k.infof) emit(k.logfile, line);
        }
        if (code == std::string::npos) break;
        pos = code + 2;
    }
}

void putstr(int level, const std::string& text) { putlin(level > 0 ? level + 10 : level, text); }
void wrnmsg(const std::string& text) { putlin(-1, text); }
void errmsg(const std::string& text) { putlin(-2, text); }

namespace {
void (*fatalhook)() = nullptr;
}

void atfatal(void (*hook)()) { fatalhook = hook; }

void fatmsg(const std::string& text) {
    putlin(-3, text);
    // Once only: a fatal message from inside the hook ends at once.
    if (void (*hook)() = fatalhook) {
        fatalhook = nullptr;
        hook();
    }
    stopit(1);  // a script or shell that runs the program must see the failure
}

void aloerr(const std::string& file, int line) {
    fatmsg("Memory allocation error in line " + intp(line) + " of " + strq(file) + ".");
}

void stopit(int status) {
#ifdef QUILTER_FUZZING
    throw FuzzStop{};
#endif
    std::fflush(nullptr);
    std::exit(status);
}

int inflev() { return std::max(kemlangdata.infos, kemlangdata.infof); }
bool haverr() { return kemlangdata.erflag; }
void seterr() { kemlangdata.erflag = true; }
void clrerr() { kemlangdata.erflag = false; }

// ---------------------------------------------------------------- utilities

std::string trim(const std::string& s) {
    size_t e = s.find_last_not_of(' ');
    return e == std::string::npos ? std::string() : s.substr(0, e + 1);
}

std::string lefstr(const std::string& s) {
    size_t b = s.find_first_not_of(' ');
    return b == std::string::npos ? std::string() : s.substr(b);
}

void locase(std::string& s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
}

void upcase(std::string& s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
}

int indexr(const std::string& s, const std::string& t) {
    size_t p = s.rfind(t);
    return p == std::string::npos ? 0 : static_cast<int>(p) + 1;
}

std::string join(const std::vector<std::string>& words, int n) {
    std::string s;
    for (int i = 0; i < n && i < static_cast<int>(words.size()); ++i) {
        if (i) s += ' ';
        s += trim(words[i]);
    }
    return s;
}

std::string intstr(int i) {
    static std::string table[9999 + 999 + 1];
    if (i >= -999 && i <= 9999) {
        std::string& t = table[i + 999];
        if (t.empty()) t = std::to_string(i);
        return t;
    }
    return std::to_string(i);
}

std::string numstr(double x, int n) {
    if (std::isnan(x)) return "NaN";
    if (std::isinf(x)) return x < 0 ? "-Infinity" : "Infinity";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.13E", x);
    std::string sci = buf;
    size_t epos = sci.find('E');
    int e = std::atoi(sci.c_str() + epos + 1);
    int d = std::max(n - e - 1, 1);
    std::string s;
    if (d + 3 <= n + 6 && e < 10) {
        s = fixed(x, d);
        size_t dot = s.find('.');
        size_t last = s.find_last_not_of('0');
        if (dot != std::string::npos) s.erase(std::max(last, dot + 1) + 1);
    } else {
        // n significant digits in the mantissa, its trailing zeros dropped
        // (keeping one decimal), a one-digit exponent when it has one digit.
        int dec = std::max(n - 1, 1);
        std::snprintf(buf, sizeof buf, "%.*E", dec, x);
        s = buf;
        epos = s.find('E');
        std::string mant = s.substr(0, epos);
        int ex = std::atoi(s.c_str() + epos + 1);
        size_t dot = mant.find('.');
        size_t last = mant.find_last_not_of('0');
        if (dot != std::string::npos) mant.erase(std::max(last, dot + 1) + 1);
        char eb[16];
        if (std::abs(ex) < 10)
            std::snprintf(eb, sizeof eb, "E%c%d", ex < 0 ? '-' : '+', std::abs(ex));
        else
            std::snprintf(eb, sizeof eb, "E%c%02d", ex < 0 ? '-' : '+', std::abs(ex));
        s = mant + eb;
    }
    std::string r;
    for (char c : s)
        if (c != ' ' && c != '+') r += c;
    // keep the exponent sign
    size_t ep = r.find('E');
    if (ep != std::string::npos && ep + 1 < r.size() && r[ep + 1] != '-') r.insert(ep + 1, "+");
    return r;
}

bool match(const std::string& s, const std::string& pattern) {
    // Iterative wildcard match with backtracking to the last "*".
    size_t si = 0, pi = 0, star = std::string::npos, mark = 0;
    while (si < s.size()) {
        if (pi < pattern.size() && (pattern[pi] == '?' || pattern[pi] == s[si])) {
            ++si;
            ++pi;
        } else if (pi < pattern.size() && pattern[pi] == '*') {
            star = pi++;
            mark = si;
        } else if (star != std::string::npos) {
            pi = star + 1;
            si = ++mark;
        } else {
            return false;
        }
    }
    while (pi < pattern.size() && pattern[pi] == '*') ++pi;
    return pi == pattern.size();
}

std::vector<std::string> split(const std::string& s, int maxw) {
    std::vector<std::string> w;
    size_t i = 0;
    while (i < s.size() && static_cast<int>(w.size()) < maxw) {
        while (i < s.size() && s[i] == ' ') ++i;
        if (i >= s.size()) break;
        size_t j = s.find(' ', i);
        if (j == std::string::npos) j = s.size();
        w.push_back(s.substr(i, j - i));
        i = j;
    }
    return w;
}

int inlist(std::string& word, const std::string& listin) {
    std::string w = trim(word);
    std::string list = trim(listin);
    bool expand = false;
    if (!list.empty() && list.back() == '*') {
        list.pop_back();
        expand = true;
    }
    std::vector<std::string> alts;
    size_t p = 0;
    while (true) {
        size_t q = list.find('|', p);
        alts.push_back(list.substr(p, q == std::string::npos ? std::string::npos : q - p));
        if (q == std::string::npos) break;
        p = q + 1;
    }
    auto begins = [&](const std::string& a) {
        return a.compare(0, w.size(), w) == 0 && a.size() >= w.size();
    };
    int found = 0;
    for (size_t i = 0; i < alts.size(); ++i)
        if (begins(alts[i])) {
            found = static_cast<int>(i) + 1;
            break;
        }
    if (found == 0) return 0;
    if (alts[found - 1].size() > w.size())
        for (size_t i = found; i < alts.size(); ++i)
            if (begins(alts[i])) return -1;
    if (expand) word = alts[found - 1];
    return found;
}

std::string elemnt(int n, const std::string& s, char sep) {
    int count = 1;
    bool quoted = false;
    std::string cur;
    for (char c : s) {
        if (c == '\'') quoted = !quoted;
        if (c == sep && !quoted) {
            if (count == n) return cur;
            ++count;
            cur.clear();
            continue;
        }
        cur += c;
    }
    return count == n ? cur : std::string();
}

std::string squeze(const std::string& s) {
    std::string r;
    bool blank = true;  // drops leading blanks
    for (char c : s) {
        if (c == ' ') {
            if (!blank) r += ' ';
            blank = true;
        } else {
            r += c;
            blank = false;
        }
    }
    return r;
}

std::string appext(const std::string& namein, const std::string& ext) {
    if (trim(namein).empty()) return namein;
    std::string name = trim(lefstr(namein));
    if (!name.empty() && name.back() == '|') {
        name.pop_back();
        return name;
    }
    if (name.find('*') != std::string::npos) return name;
    size_t dirend = name.find_last_of(":]/");
    size_t start = dirend == std::string::npos ? 0 : dirend + 1;
    if (name.find('.', start) == std::string::npos) name += ext;
    return name;
}

template <class T>
static int lookup(const T& x, const std::vector<T>& table, int n, bool nearest) {
    if (n <= 0) return 0;
    bool asc = !(table[n] < table[1]);
    auto before = [&](const T& a, const T& b) {
        return asc ? a < b : b < a;
    };  // a strictly before b
    // last index whose entry is not after x
    int lo = 0, hi = n;  // invariant: entries 1..lo are not after x, entries hi+1..n are after
    while (lo < hi) {
        int mid = (lo + hi + 1) / 2;
        if (before(x, table[mid]))
            hi = mid - 1;
        else
            lo = mid;
    }
    if (nearest) return lo;
    return lo > 0 && !(table[lo] < x) && !(x < table[lo]) ? lo : 0;
}

int lookr(double x, const std::vector<double>& table, int n, bool nearest) {
    return lookup(x, table, n, nearest);
}

int looks(const std::string& s, const std::vector<std::string>& table, int n, bool nearest) {
    return lookup(s, table, n, nearest);
}
