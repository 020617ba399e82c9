// The two conversions between a stored labeling slot and a schedule record.
//
// A slot holds its entries (front, end, HNCO mask, occurrence) and, beside
// them, the model the labeling was designed in and the labels none of its
// entries implies. A schedule carries the same two, so a two-spectrum design
// goes into a slot and comes out whole.
#pragma once

#include "labeling/pairs.h"

// Slot rank (1..10) as a schedule: each entry in the samples of its mask,
// with the slot's model and extra labels.
void import_pairs(const LabelData& lab, int rank, Schedule& s);
// Schedule s into slot rank: one entry per occurring pair that shows, in
// front-major order, with its mask and occurrence (400 entries at most); the
// labels of s the entries leave out are the slot's extra labels. An HNCO
// schedule that shows no pair leaves the slot as it was (false).
bool export_pairs(const Schedule& s, const TypeMatrix& occurrence, int rank, LabelData& lab);

// The labels the entries of slot rank imply: 13C on each front type and 15N
// on each end type in the samples of the entry's mask.
Labels entrylabels(const LabelData& lab, int rank);
// Does slot rank hold more than entries can say (another model, extra labels)?
bool designslot(const LabelData& lab, int rank);
// Slot rank holds a plain HNCO labeling (what reading entries from a file gives).
void plainslot(LabelData& lab, int rank);
