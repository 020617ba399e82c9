// What a stored design shows, pair by pair, in the model it was designed in;
// and the code book that a spectroscopist assigns peaks with.
//
// A pair's code is its word of states over the samples. In an HNCO design a
// sample shows the pair's HNCO peak ('X') or nothing ('_'); in a
// two-spectrum design also an HSQC peak alone ('H'). The peak belongs to the
// amide of the pair's second residue, so the code book names that residue.
//
// Choices of ours:
//  - the code of an HNCO design is the pair-sample matrix, as every report
//    has always shown it; a two-spectrum design's code is read through its
//    model from all its labels, the extra ones included;
//  - the book sorts codes by their words, sample 1 first, '_' before 'H'
//    before 'X'; a code that several pairs share is marked on every one of
//    its lines; the pairs that show nothing close the table;
//  - a peak count per sample of a two-spectrum design counts its HSQC peaks
//    (every HNCO peak comes with one).
#pragma once

#include <array>
#include <string>
#include <vector>

#include "labeling/labeldata.h"
#include "labeling/pairs.h"
#include "molecule/kemradata.h"

// "Pattern: _ no peak, H HSQC peak only, X HSQC and HNCO peaks"
extern const char* const kPatternLegend;
// The legend line, for a two-spectrum model only.
void patternlegend(const Model& m);

using CodeMatrix = std::array<std::array<Code, kTypes + 1>, kTypes + 1>;
// Codes of the occurring pair types of a filled schedule (0 for the others).
CodeMatrix paircodes(const Schedule& s, const TypeMatrix& uniqs);
// Codes of every pair type, as the residue tables show them.
CodeMatrix paircodes(const Schedule& s);
// Code of the pair (residue i, residue i+1); 0 past the sequence.
Code residuecode(const KemraData& d, const CodeMatrix& c, int i);
// Samples a design uses: up to the last one in which a type carries a label.
int designsamples(const Schedule& s);
// Samples in which a code shows something: its HSQC peaks in a two-spectrum
// design, its HNCO peaks otherwise.
uint32_t seenin(const Model& m, Code c);
// The order of codes by their words: sample 1 first, '_' before 'H' before 'X'.
bool wordbefore(Code a, Code b);

// The unique pairs of a design as its verdict counts them: the pair types of
// its pair analysis that occur once in the sequence. One of them is resolved
// when its code is not empty and no other occurring pair has that code.
bool uniquepair(const Selection& base, const TypeMatrix& uniqs, int f, int e);
bool resolvedpair(const CodeMatrix& codes, const TypeMatrix& uniqs, int f, int e);
struct UniqueTally {
    int unique = 0, resolved = 0;
};
// The tally of a filled schedule (codes from paircodes(s, uniqs)).
UniqueTally tallyunique(const CodeMatrix& codes, const Selection& base, const TypeMatrix& uniqs);

struct CodePair {
    int front = 0, end = 0;
    std::vector<int> residues;  // whose amide gives the peaks
};
struct CodeGroup {
    Code code = 0;
    std::vector<CodePair> pairs;  // more than one: a shared code
};
struct CodeBook {
    Model model;
    int nsamples = 0;
    std::vector<CodeGroup> groups;  // sorted by word
    std::vector<CodePair> unseen;   // pairs that show in no sample
    int resolved = 0;               // pairs of one residue whose code no other pair has
};

// Every occurring pair of the sequence under a filled schedule.
CodeBook codebook(const Schedule& s, const TypeMatrix& uniqs, const KemraData& d,
                  const LabelData& lab);

// One row of the book as the console and the report print it.
struct CodeRow {
    std::string word, front, end, residues, note;
};
std::vector<CodeRow> coderows(const CodeBook& b, const KemraData& d);
void outputcodes(const CodeBook& b, int rank, const KemraData& d);
