// Hand edits of the labeling tables: prices, allowed duplicates, pair
// classes, entries of stored labelings and the batch.
//
// The batch keeps entry j (1..ibatchsize) at index j-1 of its lists, with the
// front type of the pair in ibatch_end and the end type in ibatch_front, the
// way the batch insertion reads them. It holds at most 100 pairs, the length
// of the order the batch insertion permutes.
//
// Pair classes are a 50 x 50 table by (front, end), stored column by column:
// pair (f, e) is element f + 50 (e - 1) of isample_class.
//
// The functions assume their numbers lie within the tables (the command
// handlers check them first) and only ever write inside them.
#pragma once

#include <vector>

#include "labeling/labeldata.h"
#include "molecule/kemradata.h"

constexpr int kBatchSize = 100;
constexpr int kClassTypes = 50;
constexpr int kMaxMask = (1 << 20) - 1;  // all 20 samples

int classindex(int front, int end);

// False, with nothing changed, when the batch is full.
bool batchappend(LabelData& l, int front, int end);

// Type 0 stands for every type of the table.
void setdupes(LabelData& l, int front, int end, int value);
void setclass(LabelData& l, int front, int end, int value);
// One line per non-zero class of types 1..21.
void outputclasses(const LabelData& l, const KemraData& d);

// How often residue type f is followed by type e in the sequence.
int pairoccurrence(const KemraData& d, int f, int e);
// Entry of labeling rank with front f and end e, 0 if none.
int findentry(const LabelData& l, int rank, int f, int e);

struct ModifyResult {
    std::vector<int> modified;  // entries whose mask was set
    int appended = 0;           // the new entry, 0 if none
    bool full = false;          // the pair was missing and the labeling has 400 entries
};
// Sets the mask of every entry (f, e) of labeling rank, or appends the pair
// (with its occurrence count) when it has none.
ModifyResult modifypair(LabelData& l, int rank, int f, int e, int mask, int occur);

struct Affected {
    int entry = 0, front = 0, end = 0;
    bool n15 = false;  // found through the N15 rule (front type), else C13 (end type)
};
// Entries of labeling rank seen in sample whose front type (n15) or end type
// (c13) is type; with doit their masks are cleared.
std::vector<Affected> removepair(LabelData& l, int rank, int type, int sample, bool n15, bool c13,
                                 bool doit);

// Fronts, ends and masks of all 400 entries, the size, the model and the
// extra labels; occurrence counts stay.
void copyschedule(LabelData& l, int origin, int destin);
