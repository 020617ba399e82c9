// Console reports of stored labelings against the current sequence: the
// schedule listing, the pair list, the table comparing labelings 1 to 5, the
// amino-acid table, the batch, the sample sets a pair still fits into, and
// the HTML fragment.
//
// Sample patterns show samples 1 to 10 ("X" seen, "_" not); samples 11 to 20
// are never shown, so a pair seen only there has an all-"_" pattern. A
// two-spectrum design shows the three states of its samples ("_", "H",
// "X"), and every report of one carries the legend of the states.
//
// Choices of ours:
//  - list-directed lines start with one blank and separate their items by
//    single blanks; names in them are five characters wide so the columns
//    line up;
//  - the schedule listing shows per entry the front and end names, the
//    pattern in two-character cells, the stored mask (width 7) and how often
//    the pair occurs in the sequence;
//  - the pair list counts, per pair, its occurrences in the sequence and
//    gives the first position at which it occurs; "Number of patterns" is the
//    number of distinct sample masks among the listed pairs; the sorted part
//    lists the pairs by sample mask, smallest first, so pairs that share a
//    pattern (and cannot be told apart) stand next to each other;
//  - in the table of labelings 1 to 5, AAScore is 1 / (occurrences of the
//    residue's pair): 1.00 for a pair that pins down its position, smaller
//    for repeated pairs, 0.00 for the last residue; the count groups are
//    "M:" peaks in the fullest sample, " S:" peaks in all samples and " #:"
//    samples used, one group per labeling between "|" bars;
//  - the free-sample search counts a sample set as free when adding the pair
//    adds no duplicate to labeling 1; the parentheses give how many unique
//    pairs the labeling with the pair still leaves unresolved;
//  - the HTML fragment shows labeling 1: "X" under each residue whose pair
//    gives a signal in some sample ("H" when a two-spectrum design gives it
//    HSQC peaks only); a run of neighbouring cells of unique pairs is set in
//    bold as a whole, the same in both lines, so the columns of the two
//    lines stay aligned;
//  - the schedule listing of a two-spectrum design runs through its last
//    sample with a label, shows each entry's pair by its code, and names
//    after the entries of a sample the labels none of them implies
//    ("extra"); its pair list sorts the pairs by their codes' words.
#pragma once

#include <string>
#include <vector>

#include "labeling/labeldata.h"
#include "labeling/pairs.h"
#include "molecule/kemradata.h"

// Sample mask of the pair (residue i, residue i+1), 0 past the sequence.
int residuemask(const KemraData& d, const MaskMatrix& m, int i);
// How often the pair (residue i, residue i+1) occurs in the sequence.
int residueoccurrence(const KemraData& d, const TypeMatrix& uniqs, int i);
// First position i at which residue i has type f and residue i+1 type e, 0 if none.
int firstposition(const KemraData& d, int f, int e);

// A pair type of a labeling that occurs in the sequence: its HNCO mask and
// its code in the labeling's model.
struct PairLine {
    int front = 0, end = 0, mask = 0, count = 0, position = 0;
    Code code = 0;
};
// The pairs of a filled schedule that show, in front-then-end order.
std::vector<PairLine> labelpairs(const Schedule& s, const TypeMatrix& uniqs, const KemraData& d);

// "Maximal number of peaks in a single sample ..." from compute_sample_stats.
void outputsummary(const KemraData& d, const Schedule& s);
void outputschedule(const Schedule& s, const TypeMatrix& uniqs, const KemraData& d);
void outputpairs(Schedule& s, const TypeMatrix& uniqs, const Selection& unique, const KemraData& d);
// Residue table of five filled schedules (labelings 1 to 5).
void outputsequence_with_label_multiple(const std::vector<Schedule>& s, const TypeMatrix& uniqs,
                                        const KemraData& d, const LabelData& l);
void outputaminoacids(const KemraData& d);
void outputbatch(const LabelData& l);
// Sample sets of samples 1..10 into which the pair (front, rear) still fits
// in the filled schedule base.
void outputwhatsleft(const Schedule& base, int front, int rear, const TypeMatrix& uniqs,
                     const TypeMatrix& allowed);
// The two lines of the HTML fragment (sequence, pattern), each at most 2000
// characters, for a filled schedule.
void htmllines(const KemraData& d, const Schedule& s, const TypeMatrix& uniqs, std::string& seqline,
               std::string& patline);
