// Interpreter state shared by the statement interpreter and the line printer.
//
// Texts are std::string throughout, kept trimmed: a blank-padded fixed-length
// text of the command language is the same string without its trailing blanks.
#pragma once

#include <csignal>
#include <cstdio>
#include <string>

struct KemlangData {
    std::string prompt;            // shown when reading from the terminal
    double timing = 1.0e20;        // commands slower than this (CPU s) print the timing line
    int iecho = 0;                 // echo of macro lines
    int infos = 3, infof = 3;      // information levels of this command: screen, log
    int infos2 = 3, infof2 = 3;    // lasting levels, copied into infos/infof per line
    int iured = 0;                 // > 0 while the output of a command is redirected
    std::FILE* redir = nullptr;    // the redirection file (iured > 0)
    std::FILE* logfile = nullptr;  // the protocol log file, open across commands
    std::string logname;           // its name
    bool erflag = false;           // error flag, read with haverr()
    bool safe = false;             // restricted mode
    std::string safdir;            // directory file access is confined to in safe mode
    int iploop = 0, icrank = 0;    // single-process run: nothing filtered
    bool dflush = true;            // flush each written line
    // Screen sink: stdout, or a string when a test captures the output.
    std::FILE* screen = stdout;
    std::string* capture = nullptr;

    void reset();
};

extern KemlangData kemlangdata;

// Set by the SIGINT handler, reported by the interpreter before the next line
// and polled by long computations (the optimiser) to stop early.
extern volatile std::sig_atomic_t intrpt;
