// Peak-overlap model by Monte Carlo sampling: every cycle draws each atom's
// shift about its expected value with its library spread and weighs the
// overlap of two peaks by a tolerance window per dimension. With a Gaussian
// window the mean converges to the analytical overlap of scoreoverlap.h
// (the convolution of two Gaussians is a Gaussian), which is what the
// self-check compares.
//
// Choices of ours:
//  - a cycle draws only the atoms of the peaks it compares, in a fixed order,
//    so a fixed seed gives the same estimate however large the molecule;
//  - the resolution of a peak (calcpeakresolvedmc) is estimated jointly:
//    each cycle scores "overlaps with any other peak" on one draw of all
//    shifts, so peaks sharing atoms are not counted as independent, unlike
//    the product of pairwise estimates that calcpeakresolved reports.
#pragma once

#include "scoring/scoreoverlap.h"

// Tolerances below this (the single-precision 1.0e-7) stop the program.
constexpr double kMinTolerance = static_cast<double>(1.0e-7f);

struct McParams {
    int cycles = 1000;
    int mode = 0;  // 0 Gaussian window, 1 hard window
};

// Overlap weight of two shifts delta apart: mode 0 exp(-(delta/tol)^2 / 2),
// mode 1 1 when delta < tol, else 0. A tolerance below kMinTolerance or any
// other mode is an assertion failure that ends the program.
double ovonedim(double delta, double tol, int mode = 0);

// Monte Carlo overlap of peaks p and q. seed: the random stream's seed
// (gasdev), updated.
double mc_peak_overlap(const OverlapInput& in, int p, int q, const Tolerances& tol,
                       const McParams& mc, int& seed);
// 1 - overlap: how likely p and q are told apart.
double distinguish(const OverlapInput& in, int p, int q, const Tolerances& tol, const McParams& mc,
                   int& seed);
// Probability that p overlaps with any other peak, sampled jointly.
double calcpeakresolvedmc(const OverlapInput& in, int p, const Tolerances& tol, const McParams& mc,
                          int& seed, bool trace);
// Expected number of peaks that overlap with another, by Monte Carlo.
double mcscoreoverlap(const OverlapInput& in, const Tolerances& tol, const McParams& mc, int& seed,
                      bool trace);
