// Helpers for tests that drive command handlers: output capture and a fresh
// molecule from the shipped library.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "commands/testhooks.h"
#include "driver/comtab.h"
#include "kemlang/kemlangdata.h"
#include "kemlang/print.h"
#include "labeling/labeldata.h"
#include "molecule/kemradata.h"

namespace testutil {

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

inline std::string writefile(const std::string& name, const std::string& text) {
    // Test processes run in parallel: each writes its own files.
    std::string path = ::testing::TempDir() + std::to_string(getpid()) + "_" + name;
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
