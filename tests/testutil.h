// Helpers shared by the tests: command runs and output capture, a fresh
// molecule from the shipped library, and random labels, offers and sequences.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "commands/testhooks.h"
#include "driver/comtab.h"
#include "kemlang/kemlangdata.h"
#include "kemlang/print.h"
#include "labeling/labeldata.h"
#include "labeling/pairs.h"
#include "labeling/slots.h"
#include "molecule/kemradata.h"

namespace testutil {

// The first twelve residues of ubiquitin, MQIFVKTLTGKT.
inline const char* const kFragment = "MET\nGLN\nILE\nPHE\nVAL\nLYS\nTHR\nLEU\nTHR\nGLY\nLYS\nTHR";

inline std::string captured(const std::function<void()>& f) {
    std::string cap;
    kemlangdata.capture = &cap;
    f();
    kemlangdata.capture = nullptr;
    return cap;
}

// The handler the command table holds for a full command name.
inline Handler command(const std::string& name) {
    int k = slotof(name);
    EXPECT_GT(k, 0) << name;
    return k > 0 ? command_table()[k].handler : nullptr;
}

// Runs a command by its full name on the given words, as the driver would
// after its precondition; returns what it printed.
inline std::string run(const std::string& name, std::vector<std::string> words) {
    Handler h = command(name);
    EXPECT_NE(h, nullptr) << name << " is not written";
    return captured([&] {
        clrerr();
        int n = static_cast<int>(words.size());
        if (h) h(words, n);
    });
}

// Runs a command line as typed: words split at blanks, the command by its
// full name.
inline std::string typed(const std::string& line) {
    std::istringstream in(line);
    std::string name, w;
    std::vector<std::string> words;
    in >> name;
    while (in >> w) words.push_back(w);
    return run(name, words);
}

// While it lives, commands run the label annealing on a small budget: for
// tests of what a design must keep, not of how good it is.
struct SmallBudget {
    SmallBudget() {
        testhooks.annealsteps = 20000;
        testhooks.exactseconds = 0;
        testhooks.polishsteps = 20000;
    }
    ~SmallBudget() { testhooks.reset(); }
};

// A file name of this test process: test processes run in parallel.
inline std::string tmppath(const std::string& name) {
    return ::testing::TempDir() + std::to_string(getpid()) + "_" + name;
}

inline std::string writefile(const std::string& name, const std::string& text) {
    std::string path = tmppath(name);
    std::ofstream(path) << text;
    return path;
}

// The whole text of a file ("" when it cannot be read).
inline std::string slurp(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline std::string example(const std::string& file) {
    return std::string(QUILTER_SOURCE_DIR) + "/examples/data/" + file;
}

// A random sequence of the 21 residue types, one name per line (a sequence
// file line holds at most 200 characters).
template <class Rng>
std::string randomsequence(Rng& rng, int n) {
    static const char* names[] = {"ALA", "ARG", "ASN", "ASP", "CYS", "CYSS", "GLN",
                                  "GLU", "GLY", "HIS", "ILE", "LEU", "LYS",  "MET",
                                  "PHE", "PRO", "SER", "THR", "TRP", "TYR",  "VAL"};
    std::string s;
    for (int i = 0; i < n; ++i) s += std::string(names[rng() % 21]) + "\n";
    return s;
}

// Shipped library and then a sequence (a FASTA file of examples/data or a
// sequence text of three-letter names).
inline void molecule(const std::string& source) {
    nulify();
    kemradata.libdir = QUILTER_SOURCE_SHARE;
    run("read", {"lib", "standard.lib"});
    std::string file = source.find_first_of(" \n") == std::string::npos
                           ? example(source)
                           : writefile("seq.seq", source + "\n");
    run("read", {"seq", file});
}

// A protein of examples/data with the shifts of its BMRB entry.
inline void withshifts(const std::string& protein) {
    molecule(protein + ".fasta");
    run("read", {"bmrb", example(protein == "ci2" ? "bmr4974_ci2.str" : "bmr17769_ubiquitin.str")});
}

// The atom of residue number num, and its shift in list k (0: no such atom).
inline int atom(int num, const std::string& name) { return findatom(findresidue(num), name); }
inline double shift(int num, const std::string& name, int k = 1) {
    return kemradata.shift[k][atom(num, name)];
}

// The unique pairs of the molecule read, the occurrences of every pair
// type, and one sharing of a sample pattern allowed everywhere.
struct Pairs {
    Selection base;
    TypeMatrix uniqs{}, allowed{};
    explicit Pairs(Bans bans = Bans::off, int multipair = 1) {
        captured([&] { annotatepairs(kemradata, labdata, base, uniqs, bans, multipair, false); });
        for (auto& row : allowed) row.fill(1);
    }
};

// Slot r holds a hand-written HNCO labeling: entries {front, end, sample mask}.
inline void setslot(int r, const std::vector<std::array<int, 3>>& entries) {
    labdata.ilabelsize[r] = static_cast<int>(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        labdata.ias_front[r][i + 1] = entries[i][0];
        labdata.ias_end[r][i + 1] = entries[i][1];
        labdata.ischedulenr[r][i + 1] = entries[i][2];
    }
    plainslot(labdata, r);
}

inline int count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

inline bool has(const std::string& text, const std::string& what) {
    return text.find(what) != std::string::npos;
}

// The integers of the first match of pattern, one per group (empty: no match).
inline std::vector<long> numbers(const std::string& text, const std::string& pattern) {
    std::smatch m;
    std::vector<long> v;
    if (std::regex_search(text, m, std::regex(pattern)))
        for (size_t i = 1; i < m.size(); ++i) v.push_back(std::stol(m[i]));
    return v;
}

// The first group's integer, which the text must hold.
inline long number(const std::string& text, const std::string& pattern) {
    std::vector<long> v = numbers(text, pattern);
    EXPECT_FALSE(v.empty()) << pattern << "\n" << text;
    return v.empty() ? -1 : v[0];
}

// While it lives the test runs in a fresh directory of its own, for the
// files commands write into the current one.
struct InTempDir {
    std::filesystem::path old = std::filesystem::current_path(), dir;
    explicit InTempDir(const std::string& name)
        : dir(std::filesystem::path(::testing::TempDir()) /
              (name + "_" + std::to_string(getpid()))) {
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        std::filesystem::current_path(dir);
    }
    ~InTempDir() {
        std::filesystem::current_path(old);
        std::filesystem::remove_all(dir);
    }
};

// Random labels on the samples of the mask.
template <class Rng>
Labels randomlabels(Rng& rng, uint32_t samples) {
    Labels l;
    for (int t = 1; t <= kTypes; ++t)
        l.c[static_cast<size_t>(t)] = static_cast<uint32_t>(rng()) & samples,
        l.n[static_cast<size_t>(t)] = static_cast<uint32_t>(rng()) & samples;
    return l;
}

// An offer that lacks random forms of about one type in `oneof`.
template <class Rng>
Offer randomoffer(Rng& rng, unsigned oneof = 3) {
    Offer o;
    for (int t = 1; t <= kTypes; ++t)
        if (rng() % oneof == 0)
            o.missing[static_cast<size_t>(t)] = static_cast<uint8_t>(1 + rng() % 7);
    return o;
}

// The HSQC and HNCO model of the library read.
inline Model twospectra() {
    Model m;
    EXPECT_TRUE(modelof("hsqc+hnco", asnameconverttonumber(kemradata, "PRO"), m));
    return m;
}

inline bool empty(const Schedule& s) {
    for (int k = 1; k <= kSamples; ++k)
        if (s.samples[k].count) return false;
    return true;
}

// Every form offered: the forms the price table marks as not offered get a
// price, for tests of how far a search reaches rather than of what it buys.
inline void offereverything(int price = 3000) {
    for (int t = 1; t <= kTypes; ++t)
        for (int* v : {&labdata.price_natoms[static_cast<size_t>(t)],
                       &labdata.price_catoms[static_cast<size_t>(t)],
                       &labdata.price_bothatoms[static_cast<size_t>(t)]})
            if (*v >= kNotOffered) *v = price;
}

}  // namespace testutil
