// Reports of a labeling against the current sequence.
#pragma once

#include "labeling/pairs.h"

struct KemraData;

// Peaks per sample over the sequential pairs of the sequence.
void compute_sample_stats(const KemraData& mol, const Schedule& s, int& maxpeaks, int& totalpeaks,
                          int& nsamples);
// The residue table: one line per residue, then the strips per sample.
void outputsequence_with_label(const KemraData& mol, const LabelData& lab, const Schedule& s,
                               const TypeMatrix& uniqs);
