// Reports of a labeling against the current sequence.
#pragma once

#include <array>

#include "labeling/pairs.h"

struct KemraData;

// Peaks of sample k (1..20) over the sequential pairs of the sequence; index 0 unused.
std::array<int, kSamples + 1> samplepeaks(const KemraData& mol, const Schedule& s);
// Peaks per sample over the sequential pairs of the sequence.
void compute_sample_stats(const KemraData& mol, const Schedule& s, int& maxpeaks, int& totalpeaks,
                          int& nsamples);
// The residue table: one line per residue, then the strips per sample.
void outputsequence_with_label(const KemraData& mol, const LabelData& lab, const Schedule& s,
                               const TypeMatrix& uniqs);
