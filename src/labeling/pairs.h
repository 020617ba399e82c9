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

struct Schedule {
    int nsamples = kSamples;
    std::array<Selection, kSamples + 1> samples{};
    MaskMatrix schednrs{};
    int maxfront = 0, maxend = 0, maxmask = 0, lastpair = 0;
};

// Lists of the duplicate reports, 1-based, kListLen entries.
using DupList = std::array<int, kListLen + 1>;

void initselection(Selection& s);
// The last sample that holds an entry (0 for an empty schedule).
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

void fillschednrs(Schedule& s, const TypeMatrix& uniqs);
// The pair-sample matrix of s into m (what fillschednrs stores in s).
void pairmasks(const Schedule& s, const TypeMatrix& uniqs, MaskMatrix& m);

// Resolved unique pairs; optionally the duplicated ones (front, end, mask).
int chkuniqsdup(Schedule& s, const TypeMatrix& uniqs, DupList* fronts = nullptr,
                DupList* ends = nullptr, DupList* masks = nullptr, int* nduplicated = nullptr);
// Duplicate total against the allowed-duplicates matrix.
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
