// Shared set-up of the benchmarks: a protein from examples/data with its
// unique pairs.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "driver/comtab.h"
#include "kemlang/kemlangdata.h"
#include "kemlang/print.h"
#include "labeling/pairs.h"
#include "molecule/kemradata.h"

namespace benchutil {

inline std::string quiet(const std::string& name, std::vector<std::string> w) {
    Handler h = command_table()[slotof(name)].handler;
    std::string cap;
    kemlangdata.capture = &cap;
    clrerr();
    int n = static_cast<int>(w.size());
    h(w, n);
    kemlangdata.capture = nullptr;
    return cap;
}

// A FASTA file of a random protein of n residues drawn with the natural
// amino-acid frequencies (percent of residues in known proteins), fixed by
// its seed; returns the file's path.
inline std::string randomprotein(int n, unsigned seed) {
    static const char codes[] = "ARNDCQEGHILKMFPSTWYV";
    static const double percent[] = {8.25, 5.53, 4.06, 5.45, 1.37, 3.93, 6.75, 7.07, 2.27, 5.96,
                                     9.66, 5.84, 2.42, 3.86, 4.70, 6.56, 5.34, 1.08, 2.92, 6.87};
    std::mt19937 rng(seed);
    std::discrete_distribution<int> pick(std::begin(percent), std::end(percent));
    std::string path =
        "/tmp/quilter_random_" + std::to_string(n) + "_" + std::to_string(seed) + ".fasta";
    std::ofstream out(path);
    out << ">random protein of " << n << " residues, seed " << seed << "\n";
    for (int i = 0; i < n; ++i) out << codes[pick(rng)] << ((i + 1) % 60 ? "" : "\n");
    out << "\n";
    return path;
}

// "random:N:SEED" names such a protein; other names are returned as they are.
inline std::string named(const std::string& name) {
    if (name.rfind("random:", 0) != 0) return name;
    size_t a = name.find(':', 7);
    return randomprotein(std::atoi(name.substr(7, a - 7).c_str()),
                         static_cast<unsigned>(std::atoi(name.substr(a + 1).c_str())));
}

// SHOW=1 in the environment prints the phases' progress lines.
inline void showprogress(const std::string& line) {
    if (std::getenv("SHOW")) std::printf("    %s\n", line.c_str()), std::fflush(stdout);
}

// A protein from examples/data (a file name), any FASTA file (a path) or a
// random one ("random:N:SEED").
inline void protein(const std::string& name, Selection& base, TypeMatrix& uniqs) {
    const std::string fasta = named(name);
    nulify();
    kemradata.libdir = std::string(QUILTER_SOURCE_DIR) + "/share";
    quiet("read", {"lib", "standard.lib"});
    std::string file = fasta.find('/') == std::string::npos
                           ? std::string(QUILTER_SOURCE_DIR) + "/examples/data/" + fasta
                           : fasta;
    quiet("read", {"seq", file});
    std::string cap;
    kemlangdata.capture = &cap;
    annotatepairs(kemradata, labdata, base, uniqs, Bans::off, 1, false);
    kemlangdata.capture = nullptr;
}

// Every form offered: the forms priced as not offered get a price of their
// own (as a user who buys them would set it).
inline void offereverything(int price = 3000) {
    for (int t = 1; t <= kTypes; ++t)
        for (auto* v :
             {&labdata.price_natoms[t], &labdata.price_catoms[t], &labdata.price_bothatoms[t]})
            if (*v >= kNotOffered) *v = price;
}

}  // namespace benchutil
