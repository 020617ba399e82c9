// Dynamic arrays, system services, random numbers and sorting.
//
// Growing arrays are std::vector with index 0 unused, so entries 1..capacity
// exist; alo() applies the one growth rule every array of the program uses.
#pragma once

#include <string>
#include <vector>

// Resize rule: the new capacity is n + inc. Unallocated: allocate n + inc.
// inc = 0: exactly n (may shrink); inc < 0: unchanged; inc > 0: grow to
// n + inc only when n exceeds the capacity. The first min(c, n) entries stay.
template <class T>
void alo(std::vector<T>& a, int n, int inc) {
    int cap = a.empty() ? -1 : static_cast<int>(a.size()) - 1;
    if (cap < 0) {
        a.assign(static_cast<size_t>(std::max(n + inc, 0)) + 1, T());
        return;
    }
    if (inc == 0) {
        if (cap != n) a.resize(static_cast<size_t>(std::max(n, 0)) + 1);
    } else if (inc > 0 && n > cap) {
        a.resize(static_cast<size_t>(n + inc) + 1);
    }
}
template <class T>
int capacity(const std::vector<T>& a) {
    return a.empty() ? 0 : static_cast<int>(a.size()) - 1;
}
inline void ialo(std::vector<int>& a, int n, int inc) { alo(a, n, inc); }
inline void ialol(std::vector<long long>& a, int n, int inc) { alo(a, n, inc); }
inline void ralo(std::vector<double>& a, int n, int inc) { alo(a, n, inc); }
inline void lalo(std::vector<char>& a, int n, int inc) { alo(a, n, inc); }
inline void salo(std::vector<std::string>& a, int n, int inc) { alo(a, n, inc); }

// System services.
std::string ugtenv(const std::string& name);
std::string ugtcwd();
int ichdir(const std::string& dir);
int isystm(const std::string& command);
void uxslip(double seconds);
int igtpid();
long igthid();
double timnow();       // CPU seconds since the first call
int iwall();           // wall-clock seconds since the first call
std::string uxtime();  // hh:mm:ss
std::string uxdate();  // dd-mm-yyyy
int numday(int year, int month, int day);
long long istamp(const std::string& file);  // modification time, 0 if none
void usignl();
// Output files that replace a file only when complete: the text goes to a
// temporary file beside the target (a fresh name, made with O_EXCL), which is
// renamed over it at commit. Links are followed to their target, also to one
// that does not exist yet; a target or directory without write permission is
// refused, by its mode also for root. A device or a pipe is written in place.
// With append the temporary starts as a copy of the existing file. On
// failure the reason (strerror text) comes back and the target is untouched.
struct OutFile {
    std::FILE* f = nullptr;
    std::string name, tmp;
};
bool outopen(OutFile& o, const std::string& name, bool append, std::string& reason);
bool outcommit(OutFile& o, std::string& reason);  // flush, close, rename
void outdiscard(OutFile& o);                      // close and remove the temporary
// A log that grows line by line is appended to in place (its old lines are
// never at risk), with the same rules: links followed, a file or directory
// without write permission refused. Null, with the reason, on failure.
std::FILE* appendopen(const std::string& name, std::string& reason);
// Flushes f and tells whether everything written so far reached the file.
bool outcheck(std::FILE* f, std::string& reason);
// Tests only: while set, outcheck and outcommit fail as on a full disk.
void failwrites(bool on);

// Fuzzing builds (QUILTER_FUZZING) only: stopit() throws FuzzStop instead of
// ending the process, system, sleep and cd do nothing, and the interpreter
// stops an input after kFuzzLines lines (an endless loop is legal input).
struct FuzzStop {};
constexpr int kFuzzLines = 5000;

// All lines of a text file (line ends of either kind removed); false if unreadable.
bool readlines(const std::string& file, std::vector<std::string>& lines);
std::string nonull(const std::string& text);

// Random numbers (one stream for ran1 and gasdev, one for iran1). A seed of
// 0 or less starts the stream from max(-seed, 1); the seed is updated.
double ran1(int& seed);
int iran1(int& seed);
double gasdev(int& seed);
void ranreset();

// Sorting: ascending, carrying the index array along (1-based arrays of n
// entries); idx is set to 1..n first unless keep.
void isort(std::vector<int>& a, std::vector<int>& idx, int n, bool keep);
void rsort(std::vector<double>& a, std::vector<int>& idx, int n, bool keep);
