// System services, the random generators and the sorts.
#include "kemlang/services.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>

#include "kemlang/kemlangdata.h"

static mode_t currentumask() {
    mode_t m = umask(0);
    umask(m);
    return m;
}

std::string ugtenv(const std::string& name) {
    const char* v = std::getenv(name.c_str());
    return v ? v : "";
}

std::string ugtcwd() {
    char b[4096];
    return getcwd(b, sizeof b) ? b : "";
}

int ichdir(const std::string& dir) {
#ifdef QUILTER_FUZZING
    (void)dir;
    return -1;
#else
    return chdir(dir.c_str());
#endif
}

int isystm(const std::string& command) {
#ifdef QUILTER_FUZZING
    (void)command;
    return 0;
#endif
    std::fflush(nullptr);
    std::string sh = ugtenv("SHELL");
    if (sh.empty()) sh = "sh";
    std::string q = "'";
    for (char c : command) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    q += "'";
    return std::system((sh + " -c " + q).c_str());
}

void uxslip(double seconds) {
#ifdef QUILTER_FUZZING
    return;
#endif
    if (seconds > 0) usleep(static_cast<useconds_t>(seconds * 1e6));
}

int igtpid() { return static_cast<int>(getpid()); }
long igthid() { return gethostid(); }

static double cpu() {
    struct rusage ru;
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_utime.tv_sec + ru.ru_stime.tv_sec +
           1e-6 * (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec);
}

double timnow() {
    static double start = cpu();
    return cpu() - start;
}

int iwall() {
    static std::time_t start = std::time(nullptr);
    return static_cast<int>(std::time(nullptr) - start);
}

static std::string stamp(const char* fmt) {
    char b[32];
    std::time_t t = std::time(nullptr);
    std::strftime(b, sizeof b, fmt, std::localtime(&t));
    return b;
}

std::string uxtime() { return stamp("%H:%M:%S"); }
std::string uxdate() { return stamp("%d-%m-%Y"); }

// Days since 1 March of year 0 (proleptic Gregorian calendar).
int numday(int year, int month, int day) {
    int y = month <= 2 ? year - 1 : year, m = month <= 2 ? month + 9 : month - 3;
    return 365 * y + y / 4 - y / 100 + y / 400 + (153 * m + 2) / 5 + day - 1;
}

long long istamp(const std::string& file) {
    struct stat st;
    return stat(file.c_str(), &st) == 0 ? static_cast<long long>(st.st_mtime) : 0;
}

void usignl() { intrpt = 0; }

std::string nonull(const std::string& text) {
    size_t z = text.find('\0');
    if (z == std::string::npos) return text;
    return text.substr(0, z) + std::string(text.size() - z, ' ');
}

// ---------------------------------------------------------------- random

namespace {

constexpr int kIM1 = 2147483563, kIM2 = 2147483399, kIA1 = 40014, kIA2 = 40692, kIQ1 = 53668,
              kIQ2 = 52774, kIR1 = 12211, kIR2 = 3791, kNTAB = 32, kIMM1 = kIM1 - 1,
              kNDIV = 1 + kIMM1 / kNTAB;
constexpr double kAM = 1.0 / kIM1, kRNMX = 1.0 - 1.2e-7;

struct Ran2 {
    int idum2 = 123456789, iy = 0, iv[kNTAB] = {};

    int next(int& idum) {
        if (idum <= 0) {
            idum = -idum < 1 ? 1 : -idum;
            idum2 = idum;
            for (int j = kNTAB + 7; j >= 0; --j) {
                int k = idum / kIQ1;
                idum = kIA1 * (idum - k * kIQ1) - k * kIR1;
                if (idum < 0) idum += kIM1;
                if (j < kNTAB) iv[j] = idum;
            }
            iy = iv[0];
        }
        int k = idum / kIQ1;
        idum = kIA1 * (idum - k * kIQ1) - k * kIR1;
        if (idum < 0) idum += kIM1;
        k = idum2 / kIQ2;
        idum2 = kIA2 * (idum2 - k * kIQ2) - k * kIR2;
        if (idum2 < 0) idum2 += kIM2;
        int j = iy / kNDIV;
        iy = iv[j] - idum2;
        iv[j] = idum;
        if (iy < 1) iy += kIMM1;
        return iy;
    }
};

Ran2 uniform, integer;
bool haveg = false;
double gsaved = 0;

}  // namespace

double ran1(int& seed) {
    double t = kAM * uniform.next(seed);
    return t > kRNMX ? kRNMX : t;
}

int iran1(int& seed) { return integer.next(seed); }

double gasdev(int& seed) {
    if (seed <= 0) haveg = false;
    if (haveg) {
        haveg = false;
        return gsaved;
    }
    double v1, v2, rsq;
    do {
        v1 = 2.0 * ran1(seed) - 1.0;
        v2 = 2.0 * ran1(seed) - 1.0;
        rsq = v1 * v1 + v2 * v2;
    } while (rsq >= 1.0 || rsq == 0.0);
    double fac = std::sqrt(-2.0 * std::log(rsq) / rsq);
    gsaved = v1 * fac;
    haveg = true;
    return v2 * fac;
}

void ranreset() {
    uniform = Ran2();
    integer = Ran2();
    haveg = false;
}

// ---------------------------------------------------------------- sorting

namespace {

// Quicksort with an explicit stack of ranges and the middle element as pivot.
template <class T>
void qsortidx(std::vector<T>& a, std::vector<int>& idx, int n, bool keep) {
    if (static_cast<int>(idx.size()) < n + 1) idx.resize(n + 1);
    if (!keep)
        for (int i = 1; i <= n; ++i) idx[i] = i;
    std::vector<std::pair<int, int>> stack;
    if (n > 1) stack.push_back({1, n});
    while (!stack.empty()) {
        auto [lo, hi] = stack.back();
        stack.pop_back();
        T pivot = a[(lo + hi) / 2];
        int i = lo, j = hi;
        while (i <= j) {
            while (a[i] < pivot) ++i;
            while (pivot < a[j]) --j;
            if (i <= j) {
                std::swap(a[i], a[j]);
                std::swap(idx[i], idx[j]);
                ++i;
                --j;
            }
        }
        if (lo < j) stack.push_back({lo, j});
        if (i < hi) stack.push_back({i, hi});
    }
}

}  // namespace

void isort(std::vector<int>& a, std::vector<int>& idx, int n, bool keep) {
    qsortidx(a, idx, n, keep);
}
void rsort(std::vector<double>& a, std::vector<int>& idx, int n, bool keep) {
    qsortidx(a, idx, n, keep);
}

static bool writefails = false;

void failwrites(bool on) { writefails = on; }

// The file a name stands for: symbolic links followed, also to a target that
// does not exist yet (relative targets are read from the link's directory).
static bool throughlinks(const std::string& given, std::string& name, std::string& reason) {
    name = given;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (lstat(name.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
        char buf[PATH_MAX];
        ssize_t n = readlink(name.c_str(), buf, sizeof buf - 1);
        if (n <= 0) {
            reason = std::strerror(n < 0 ? errno : ENOENT);
            return false;
        }
        std::string target(buf, static_cast<size_t>(n));
        size_t slash = name.rfind('/');
        if (target[0] != '/' && slash != std::string::npos)
            target = name.substr(0, slash + 1) + target;
        name = target;
    }
    reason = std::strerror(ELOOP);
    return false;
}

// No write permission, or none marked at all: root passes every access check,
// but a file or directory its owner made read-only is not to be replaced.
static bool writable(const std::string& path, std::string& reason) {
    struct stat st;
    if (access(path.c_str(), W_OK) != 0) {
        reason = std::strerror(errno);
        return false;
    }
    if (stat(path.c_str(), &st) == 0 && (st.st_mode & 0222) == 0) {
        reason = std::strerror(EACCES);
        return false;
    }
    return true;
}

bool outopen(OutFile& o, const std::string& given, bool append, std::string& reason) {
    o = OutFile();
    // A symbolic link is written through: the file it names is replaced (or
    // made) and the link stays.
    std::string name;
    if (!throughlinks(given, name, reason)) return false;
    // A device or a pipe (/dev/null, a terminal) is written as it is: there
    // is no file to replace, and one must never take its place.
    struct stat cur;
    if (stat(name.c_str(), &cur) == 0 && !S_ISREG(cur.st_mode) && !S_ISDIR(cur.st_mode)) {
        o.f = std::fopen(name.c_str(), append ? "a" : "w");
        if (!o.f) reason = std::strerror(errno);
        o.name = name;
        return o.f != nullptr;
    }
    // Permission and missing directories show at once, before any text is made.
    std::string dir =
        name.find('/') == std::string::npos ? "." : name.substr(0, name.rfind('/') + 1);
    if (!writable(dir, reason)) return false;
    if (access(name.c_str(), F_OK) == 0 && !writable(name, reason)) return false;
    std::string tmp = name + ".tmpXXXXXX";
    int fd = mkstemp(tmp.data());
    if (fd < 0) {
        reason = std::strerror(errno);
        return false;
    }
    std::FILE* f = fdopen(fd, "w");
    if (!f) {
        reason = std::strerror(errno);
        close(fd);
        unlink(tmp.c_str());
        return false;
    }
    struct stat st;
    if (stat(name.c_str(), &st) == 0)
        fchmod(fd, st.st_mode & 07777);
    else
        fchmod(fd, 0666 & ~currentumask());
    if (append) {
        if (std::FILE* in = std::fopen(name.c_str(), "r")) {
            char buf[65536];
            size_t n;
            while ((n = std::fread(buf, 1, sizeof buf, in)) > 0) std::fwrite(buf, 1, n, f);
            std::fclose(in);
        }
    }
    o.f = f;
    o.name = name;
    o.tmp = tmp;
    return true;
}

std::FILE* appendopen(const std::string& given, std::string& reason) {
    std::string name;
    if (!throughlinks(given, name, reason)) return nullptr;
    bool exists = access(name.c_str(), F_OK) == 0;
    std::string dir =
        name.find('/') == std::string::npos ? "." : name.substr(0, name.rfind('/') + 1);
    if (exists ? !writable(name, reason) : !writable(dir, reason)) return nullptr;
    std::FILE* f = std::fopen(name.c_str(), "a");
    if (!f) reason = std::strerror(errno);
    return f;
}

bool outcheck(std::FILE* f, std::string& reason) {
    if (writefails) {
        reason = std::strerror(ENOSPC);
        return false;
    }
    if (std::fflush(f) != 0 || std::ferror(f)) {
        reason = std::strerror(errno ? errno : EIO);
        return false;
    }
    return true;
}

bool outcommit(OutFile& o, std::string& reason) {
    if (!o.f) return false;
    bool ok = outcheck(o.f, reason);
    if (ok && fsync(fileno(o.f)) != 0 && errno != EINVAL) {
        reason = std::strerror(errno);
        ok = false;
    }
    if (std::fclose(o.f) != 0 && ok) {
        reason = std::strerror(errno);
        ok = false;
    }
    o.f = nullptr;
    if (ok && !o.tmp.empty() && std::rename(o.tmp.c_str(), o.name.c_str()) != 0) {
        reason = std::strerror(errno);
        ok = false;
    }
    if (!ok && !o.tmp.empty()) unlink(o.tmp.c_str());
    o = OutFile();
    return ok;
}

void outdiscard(OutFile& o) {
    if (o.f) std::fclose(o.f);
    if (!o.tmp.empty()) unlink(o.tmp.c_str());
    o = OutFile();
}

bool readlines(const std::string& file, std::vector<std::string>& lines) {
    std::ifstream in(file);
    if (!in) return false;
    std::string l;
    while (std::getline(in, l)) {
        if (!l.empty() && l.back() == '\r') l.pop_back();
        lines.push_back(l);
    }
    return true;
}
