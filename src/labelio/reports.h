// Reports of a labeling against the current sequence.
#pragma once

#include "labeling/pairs.h"

// Peaks per sample over the sequential pairs of the sequence.
void compute_sample_stats(const Schedule& s, int& maxpeaks, int& totalpeaks, int& nsamples);
// The residue table: one line per residue, then the strips per sample.
void outputsequence_with_label(const Schedule& s, const TypeMatrix& uniqs);
