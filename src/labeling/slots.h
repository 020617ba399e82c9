// The two conversions between a stored labeling slot and a schedule record.
#pragma once

#include "labeling/pairs.h"

// Slot rank (1..10) as a schedule: each entry in the samples of its mask.
void import_pairs(const LabelData& lab, int rank, Schedule& s);
// Schedule s into slot rank: one entry per occurring pair that shows, in
// front-major order, with its mask and occurrence (400 entries at most).
void export_pairs(const Schedule& s, const TypeMatrix& occurrence, int rank, LabelData& lab);
