// Peak-list reader for the XEASY (.peaks) and NMRView (.xpk) layouts.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

struct PeakOptions {
    std::string format;  // "xeasy", "nmrview" or empty: guessed from the file
    std::string filter;  // atom-name pattern; empty keeps every peak
    double weight = 1.0;
    bool integrated = false, assigned = false, intensity = false, killed = false;
    int unknown = 0;  // 0 error, 1 warning, 2 skip
    int list = 1;
};

// Reads the peak list in f (named file in messages) into list o.list,
// replacing the peaks that list held. n is the number of peaks read, m the
// number of them that carry an assignment. False after an error; the peaks
// held before stay as they were.
bool getpik(std::FILE* f, const std::string& file, const PeakOptions& o, int& n, int& m);

// The peak-list slot of the read command: parses the options, reads into
// list 1 (npkl + 1 with append) and prints the summary lines.
void readpeaklist(std::vector<std::string>& param, int& npar, std::FILE* f, const std::string& file,
                  int unknown);

// Nucleus of a dimension label ("H1", "HN", "15N", "C13", "CA", ...):
// 'H', 'N', 'C' or blank when the label names none of them.
char nucleus(const std::string& label);
