// Sequential residue pairs and labeling schedules.
//
// A pair (front, end) is a residue of type front followed by one of type end.
// In a sample the front type carries 13C on its carbonyl and the end type 15N
// on its amide; the pair shows a signal in every sample where both hold. A
// schedule is up to 20 samples; the set of samples in which a pair shows is its
// sample mask (bit k-1 = sample k).
//
// Types are 1-based; index 0 of the matrices is unused. Matrices are indexed
// [front][end].
//
// Choices of ours:
//  - a ban name the library lacks and types above 21 are skipped;
//  - list-directed console lines are written as a leading blank followed by
//    the items separated by single blanks.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "labeling/labeldata.h"
#include "labeling/model.h"

constexpr int kSamples = 20;
constexpr int kEntries = 300;   // entries of a selection
constexpr int kListLen = 400;   // duplicate lists of the checks
constexpr int kMaxPairs = 441;  // every (front, end) combination of 21 types

using TypeMatrix = std::array<std::array<int, kTypes + 1>, kTypes + 1>;
using MaskMatrix = std::array<std::array<int, kTypes + 2>, kTypes + 2>;  // 22 x 22

struct Selection {
    std::array<int, kEntries + 1> front{}, end{}, mask{};
    int count = 0, maxfront = 0, maxend = 0;
};

// The entries of a sample imply its labels: 13C on each entry's front type,
// 15N on each entry's end type. A design of the two-spectrum model may carry
// labels that no pair entry implies (15N for an HSQC peak alone); they are
// held in extra, and the model the schedule was designed in says how its
// codes are read. Emptying a schedule keeps its model.
struct Schedule {
    int nsamples = kSamples;
    std::array<Selection, kSamples + 1> samples{};
    MaskMatrix schednrs{};
    int maxfront = 0, maxend = 0, maxmask = 0, lastpair = 0;
    Model model;
    Labels extra;
};

// Lists of the duplicate reports, 1-based, kListLen entries.
using DupList = std::array<int, kListLen + 1>;

void initselection(Selection& s);
// The samples that hold an entry or an extra label, as bits.
uint32_t usedsamples(const Schedule& s);
// The last of them (0 for an empty schedule).
int lastsample(const Schedule& s);
void initschedule(Schedule& s);
// Appends (front, end, mask); false when the selection is full.
bool addentry(Selection& s, int front, int end, int mask);

struct KemraData;

// Residue type and atom type numbers of names in the library; -1 if none.
int asnameconverttonumber(const KemraData& mol, const std::string& name);
int atomnameconverttonumber(const KemraData& mol, const std::string& name);
std::string binarytotext(int mask);
// Name of a residue type, five characters wide.
std::string aaname5(const KemraData& mol, int t);

// The ban of the pair analysis: on, it leaves out every pair with ASP, ASN,
// GLU, GLN or PRO (the types whose carbonyl or amide is hard to tell apart).
enum class Bans : bool { off, on };

// Unique pairs of the molecule's sequence and the occurrence matrix.
void annotatepairs(const KemraData& mol, const LabelData& lab, Selection& sel, TypeMatrix& uniqs,
                   Bans bans, int multipair, bool verbose);
// Pair analysis with the ban on; warns when fewer than two pairs result.
void initdata(const KemraData& mol, const LabelData& lab, Selection& sel, TypeMatrix& uniqs,
              int multipair);

// The labels of a schedule: those its entries imply and its extra ones.
Labels schedulelabels(const Schedule& s);

// Unique pairs (occurring once) that labels resolve in a model: a pair's
// code is not empty and no other occurring pair that can show has it.
int resolvedby(const Labels& l, const TypeMatrix& uniqs, const Model& m);

void fillschednrs(Schedule& s, const TypeMatrix& uniqs);
// The pair-sample matrix of s into m (what fillschednrs stores in s).
void pairmasks(const Schedule& s, const TypeMatrix& uniqs, MaskMatrix& m);

// Resolved unique pairs in the schedule's model; optionally the duplicated
// ones (front, end, HNCO mask).
int chkuniqsdup(Schedule& s, const TypeMatrix& uniqs, DupList* fronts = nullptr,
                DupList* ends = nullptr, DupList* masks = nullptr, int* nduplicated = nullptr);
// Duplicate total against the allowed-duplicates matrix (0 in the
// two-spectrum model, where shared codes of pairs cost nothing).
int checkschedule(Schedule& s, int& total, const TypeMatrix& allowed, const TypeMatrix& uniqs,
                  DupList* l1 = nullptr, DupList* l2 = nullptr, DupList* l3 = nullptr);
// The same walk over a bare pair-sample matrix (maxmask raised to its largest mask).
int checkmatrix(const MaskMatrix& mat, int& maxmask, const TypeMatrix& allowed,
                const TypeMatrix& uniqs, DupList* l1 = nullptr, DupList* l2 = nullptr,
                DupList* l3 = nullptr);
int fingerprintschedule(const Schedule& s);

// Flags of the design commands.
struct UniqueFlags {
    bool verbose_output = false;  // file procedures and the optimiser report what they do
    void reset() { *this = UniqueFlags(); }
};
extern UniqueFlags uniqueflags;

// One-character code of a residue type.
char onelettercode(int t);
// Prints one list-directed line.
void listout(const std::string& text);
