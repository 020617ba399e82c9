// Self-check of the peak-overlap model: the model's procedures on fixed test
// inputs, each result beside the value it must have, in seven steps; then
// traces of the model on the current peak list.
//
// Choices of ours:
//  - results are printed with six significant digits (%.6g), the precision
//    of the values they must equal; a Monte Carlo estimate with a spread is
//    compared with the analytical value at two decimals;
//  - the test spectra are two-dimensional (H, N) with tolerances 0.05 and
//    0.5 ppm; the Monte Carlo stream starts from seed -4711 and samples
//    20000 cycles where the shifts spread, 10 where they do not (an estimate
//    without spread is exact after one cycle);
//  - the traces on the current peak list use the tolerances 0.03, 0.4 and
//    0.4 ppm and 1000 cycles.
#pragma once

#include <string>
#include <vector>

#include "molecule/kemradata.h"

struct CheckValue {
    std::string label;     // what was computed, with its inputs
    std::string computed;  // the result as printed
    std::string expected;  // the value it must have
};

// Runs the seven steps; prints headings and values when print is set.
std::vector<CheckValue> score_test_ov(bool print);
// Analytical and Monte Carlo traces over the current peak list of d; a line
// saying so when no list holds peaks.
void overlaptraces(const KemraData& d);
