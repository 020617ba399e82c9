// Small procedures of the design commands: the ranking of the optimiser's
// ring, the order of residue types by their pairs (colour schedules) and the
// conversion of a per-sample labelling table into a schedule record (the
// genetic algorithm's members).
#pragma once

#include <array>
#include <vector>

#include "labeling/pairs.h"

// Positions 1..n ranked by score, highest first (stable).
void sortthispls(std::vector<int>& pos, const std::vector<int>& score);
// Residue types ranked by their number of occurring pairs, most first.
std::vector<int> sort_by_kardinality(const TypeMatrix& uniqs);

// labels[s][t] = {13C, 15N} for sample s (1..nsamples) and type t (1..21).
using LabelTable = std::vector<std::array<std::array<bool, 2>, kTypes + 1>>;
void convert_logical_to_labeling(const LabelTable& labels, int nsamples, Schedule& s,
                                 const TypeMatrix& uniqs);
