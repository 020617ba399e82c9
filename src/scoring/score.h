// Assignment score: how well an assignment of observed peaks to residues
// explains the peaks the molecule should give.
//
// Set-up, in steps framed by ">> Start " and ">> End " lines:
//  - spectra: every peak list that holds peaks is a spectrum; the nucleus of
//    each dimension comes from its label (H, N or C) and its tolerance from
//    the nucleus: 0.03, 0.4 and 0.4 ppm, or the values of "param.txt" in the
//    working directory (lines "tolerance H 0.02", "within 2.0", "#" comments);
//  - atoms: the expected shift of an atom is its shift in the spectrum's list
//    with the list's deviation as spread, or the library mean and spread when
//    the list has none;
//  - residues and coherences: a spectrum correlates the amide H and N of a
//    residue i with, for a carbon dimension, the carbonyl C of i-1 (as in the
//    HNCO where a labelled pair shows) or, for a label starting "CA" or "CB",
//    that carbon of i;
//  - expected peaks: one per spectrum and residue that has all the atoms;
//  - scoring tables: an observed peak p is compatible with an expected peak
//    e when every dimension lies within "within" (2) combined spreads,
//    sqrt(spread^2 + tolerance^2); n(p) counts the compatible expected peaks.
//
// The assignment file has one line per assignment, (I6,2X,I6): the peak
// number as written in the peak-list file (looked up in the lists in order)
// and the residue number; a residue 0 leaves the peak unassigned.
//
// Score: the fraction of expected peaks the assignment explains, each
// weighted by how well and how uniquely it is explained:
//     Score = (1/E) sum over expected peaks e of max over peaks p given e of
//             agree(e, p) / (n(p) m(p))
// with E the number of expected peaks, agree(e, p) = product over the
// dimensions of exp(-delta^2 / (2 (spread^2 + tolerance^2))), n(p) the
// degeneracy of p (at least 1) and m(p) the number of residues p is given
// to. Parts printed beside it: partcoh per spectrum and partAss the share of
// expected peaks with an assigned peak, partDegen the mean 1/n(p) and
// partDev the mean agree(e, p) over the assignments that name an expected
// peak, partPeak the share of observed peaks assigned, partFreq the share of
// those assignments that are one-to-one.
//
// Local scores: one line per expected peak, (I6,1X,A4,2X,I4,13(1X,F7.2)):
// residue number, residue name, the peak that explains it best (0 for none),
// then spectrum, local score, agreement, n(p), m(p) and for dimensions 1 to
// 4 the expected shift and the peak position (999.00 where there is none).
#pragma once

#include <array>
#include <string>
#include <vector>

#include "molecule/kemradata.h"

struct ScoreParams {
    double tolh = 0.03, toln = 0.4, tolc = 0.4;
    double within = 2.0;
};

struct ScoreSpectrum {
    int list = 0, ndim = 0;
    std::array<char, 4> nucleus{};
    std::array<double, 4> tol{};
    std::array<std::string, 4> atom;  // atom name per dimension
    std::array<int, 4> offset{};      // residue offset of that atom
};

struct ExpectedPeak {
    int spectrum = 0, residue = 0;
    std::array<int, 4> atom{};
    std::array<double, 4> shift{kNoShift, kNoShift, kNoShift, kNoShift};
    std::array<double, 4> sd{};
};

struct ScoreSetup {
    ScoreParams par;
    std::vector<ScoreSpectrum> spectra;  // 1..
    std::vector<ExpectedPeak> expected;  // 1..
    std::vector<int> peakspectrum;       // per peak 1..npeaks, 0 = none
    std::vector<int> degeneracy;         // n(p) per peak
};

struct Assignment {
    std::vector<std::array<int, 2>> pairs;  // (peak index, residue index)
};

struct ScoreResult {
    std::vector<double> partcoh;  // per spectrum
    double partass = 0, partdegen = 0, partpeak = 0, partfreq = 0, partdev = 0;
    double score = 0;
    // Per expected peak: best peak (0 none), local score, agreement, n, m.
    std::vector<int> best;
    std::vector<double> local, agree;
    std::vector<int> n, m;
};

// Runs the set-up steps on d with the parameter file (skipped when it does
// not exist); false after an error message.
bool preparescore(const KemraData& d, const std::string& paramfile, ScoreSetup& s);
// Reads an assignment file; false after an error message.
bool readassignment(const KemraData& d, const std::string& file, Assignment& a);
// Agreement of peak p with expected peak e.
double agreement(const KemraData& d, const ScoreSetup& s, int e, int p);
ScoreResult scoreassignment(const KemraData& d, const ScoreSetup& s, const Assignment& a);
// Name of the local-score file: the assignment file's name up to its first
// "." followed by "_s.txt".
std::string localscorename(const std::string& file);
// The local-score file's text: one line per expected peak.
std::string localscorestext(const KemraData& d, const ScoreSetup& s, const ScoreResult& r);
