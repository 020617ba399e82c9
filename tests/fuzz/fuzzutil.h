// Shared set-up of the fuzz targets: output goes to a string, the
// interpreter runs in restricted mode with a scratch directory as its safe
// directory (file names cannot leave it), and a fatal end of the program
// ends only the current input. The working directory stays as it is: the
// fuzzer reads and writes its corpus by relative names.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "../kemloop.h"
#include "driver/comtab.h"
#include "kemlang/interp.h"
#include "kemlang/kemlangdata.h"
#include "kemlang/print.h"
#include "kemlang/services.h"
#include "kemlang/vars.h"
#include "molecule/kemradata.h"
#include "molecule/molecule.h"

namespace fuzz {

inline std::string sink;
inline std::string scratch;

inline void setup() {
    if (!scratch.empty()) return;
    char dir[] = "/tmp/quilter-fuzz-XXXXXX";
    if (!mkdtemp(dir)) std::abort();
    scratch = dir;
    kemlangdata.capture = &sink;
}

// Set when the last guarded call ended the program (fatal message or stop).
inline bool stopped = false;

// Runs f; a fatal message (which would end the program) ends only f.
inline void guarded(const std::function<void()>& f) {
    sink.clear();
    clrerr();
    stopped = false;
    try {
        f();
    } catch (const FuzzStop&) {
        stopped = true;
    }
    printdata.reset();
    clrerr();
}

// For the readers, whose every failure is a message: a fatal end of the
// program is a finding, not the end of an input. It is told by the stop,
// not by the printed text: a line of the input echoed in an error may hold
// the very words of a fatal message.
inline void nofatal() {
    if (!stopped) return;
    std::fprintf(stderr, "fatal end from a reader:\n%s\n", sink.c_str());
    std::abort();
}

// The next message still prints its own values, whatever the input left
// in the argument store.
inline void messagesprint() {
    sink.clear();
    errmsg("check " + intp(7) + " " + strq("q") + " " + realf(2.5, 0, 2));
    if (sink != "*** ERROR: check 7 \"q\" 2.50\n") {
        std::fprintf(stderr, "message printed wrong: %s\n", sink.c_str());
        std::abort();
    }
    sink.clear();
}

inline std::string text(const uint8_t* data, size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

// The bytes as an open file for the readers.
inline std::FILE* memfile(const std::string& s) {
    return fmemopen(const_cast<char*>(s.data()), s.size(), "r");
}

// The shipped library, read once and put back before each input.
inline void library() {
    static Library lib;
    static bool have = false;
    if (!have) {
        std::string path = std::string(QUILTER_SOURCE_SHARE) + "/lib/standard.lib";
        std::FILE* f = std::fopen(path.c_str(), "r");
        if (!f || !getlib(f, 0)) std::abort();
        std::fclose(f);
        lib = kemradata.kept;
        have = true;
    }
    kemradata.atyp = lib.atyp;
    kemradata.res = lib.res;
    kemradata.spec = lib.spec;
    kemradata.maxat = lib.maxat;
    kemradata.maxdih = lib.maxdih;
}

// Feeds lines to the interpreter as typed at the terminal, in restricted
// mode; application commands are left unknown (the interpreter then looks
// for a macro of that name).
inline void interpret(const std::string& input) {
    std::istringstream in(input + "\nquit\n");
    std::streambuf* old = std::cin.rdbuf(in.rdbuf());
    guarded([] {
        kemlang_reset();
        inivar();
        kemlangdata.reset();
        kemlangdata.capture = &sink;
        kemlangdata.safe = true;
        kemlangdata.safdir = scratch;
        kemloop();
    });
    std::cin.rdbuf(old);
}

// A sequence file read with the shipped library (getseq or getfasta), and
// the molecule built from it.
inline void sequencefile(const uint8_t* data, size_t size, bool (*reader)(std::FILE*)) {
    setup();
    library();
    std::string file = text(data, size);
    guarded([&] {
        std::FILE* f = memfile(file);
        if (f && reader(f)) iniseq();
        if (f) std::fclose(f);
    });
}

// Human ubiquitin built once, for the readers that need a molecule.
inline void ubiquitin() {
    static bool built = false;
    if (built) return;
    built = true;
    library();
    std::string path = std::string(QUILTER_SOURCE_DIR) + "/examples/data/ubiquitin.fasta";
    std::FILE* f = std::fopen(path.c_str(), "r");
    if (!f || !getfasta(f)) std::abort();
    std::fclose(f);
    iniseq();
}

}  // namespace fuzz
