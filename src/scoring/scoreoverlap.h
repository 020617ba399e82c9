// Peak-overlap model, analytical form: how likely an expected peak of a
// spectrum falls together with other expected peaks, when every atom's shift
// is Gaussian about its expected value with the library's spread and two
// peaks count as one when they lie within a Gaussian tolerance per dimension.
//
// The model works on an OverlapInput, a snapshot of one peak list with the
// shift statistics of its atoms, so that the self-check can run it on test
// peaks of its own without touching the molecule. overlapinput() takes the
// snapshot from the molecular data.
//
// Choices of ours:
//  - the expected shift of an atom is its shift in the peak's list, or the
//    library mean when the list has none; the spread is the library's. The
//    Monte Carlo form draws about the same expected shift, so that both
//    forms estimate the same overlap also once shifts are measured;
//  - a dimension in which a peak has no assigned atom is compared through
//    the peak positions (no spread); without a position it tells nothing
//    (factor 1);
//  - dimensions 3 and 4 compare the heavy atoms that carry the assigned
//    atoms, both with the third tolerance;
//  - the traces are printed only when asked for, so the assignment score
//    and the installation check can use the model quietly.
#pragma once

#include <array>
#include <vector>

#include "molecule/kemradata.h"

using Tolerances = std::array<double, 3>;

struct OverlapPeak {
    std::array<int, 4> atom{};  // assigned atom per dimension, 0 = none
    std::array<double, 4> ppm{kNoShift, kNoShift, kNoShift, kNoShift};
    bool sel = true;
};

struct OverlapInput {
    int ndim = 0;
    // Per atom 1..na: expected shift and its spread, carrying heavy atom (the
    // atom itself for heavy atoms), selection.
    std::vector<double> shift, sd;
    std::vector<int> heavy;
    std::vector<char> asel;
    std::vector<OverlapPeak> peaks;  // 1..npeaks
    int npeaks() const { return static_cast<int>(peaks.size()) - 1; }
    int natoms() const { return static_cast<int>(shift.size()) - 1; }
};

// Snapshot of peak list k (its peaks, in the order held) with the shift
// statistics of the molecule's atoms.
OverlapInput overlapinput(const KemraData& d, int k);
// The peak list the overlap traces and the assignment score look at: the
// highest-numbered list that holds peaks; 0 if none does.
int currentpeaklist(const KemraData& d);

// Gaussian density; 0 when s = 0.
double mue(double x, double m, double s);
// Probability that two shifts d apart with spreads s1 and s2 fall together,
// weighted by the share s2 of the combined spread; 0 when both are 0.
double p_deg_k(double d, double s1, double s2);
float absval(double x);

// Overlap probability of peaks p1 and p2 (0 for a peak with itself).
double ovperdim(const OverlapInput& in, int p1, int p2, const Tolerances& tol);
// False when a positioned dimension of peak p has an unselected atom.
bool checkatomselection(const OverlapInput& in, int p);

struct McParams;
// Probability that peak p overlaps with at least one other peak (0 for a
// peak that fails the selection test). mc, when given, receives the same
// from pairwise Monte Carlo estimates.
double calcpeakresolved(const OverlapInput& in, int p, const Tolerances& tol, bool trace,
                        const McParams* mcp = nullptr, int* seed = nullptr, double* mc = nullptr);
// Expected number of peaks that overlap with at least one other peak.
double scoreoverlappg(const OverlapInput& in, const Tolerances& tol, bool trace,
                      const McParams* mcp = nullptr, int* seed = nullptr);
