// The last assignment of each stored labeling, kept for its report.
//
// What assignpairs printed is kept as text and numbers, with the design it
// was read through: the sequence and the slot's labels, model and sample
// count. A report shows it only while the slot still holds that design, so
// a labeling made, read or edited later never shows the assignment of an
// earlier one, whichever command changed it.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "labeling/labeldata.h"
#include "molecule/kemradata.h"

// What the code book of a slot is made from.
struct DesignPrint {
    std::vector<int> types, numbers;  // per residue: library type, residue number
    Labels labels;
    Model model;
    int nsamples = 0;
    bool operator==(const DesignPrint&) const = default;
};
DesignPrint designprint(const LabelData& l, int rank, const KemraData& d);

// One group of peaks as the console table showed it.
struct AssignedGroup {
    double h = 0, n = 0, c = 0;  // c: 0 without HNCO peaks
    std::string code;            // the observed word, sample 1 first
    std::string status;          // sure, likely, ambiguous, shared, no code
    int residue = 0;             // sure and likely
    std::string who;             // the residue or the candidates
    std::string why;             // the reason, and irregularities in brackets
};

// The peaks of one spectrum of one sample: counted and predicted.
struct AssignedCount {
    int sample = 0;
    bool hsqc = false;
    int seen = 0, expected = 0;
};

struct AssignedRun {
    DesignPrint design;
    std::string table;  // the spectra table as the user named it
    bool hsqc = false;  // the HSQC states were read
    int nsamples = 0;
    double tolh = 0, toln = 0, tolc = 0;
    int lost = 0;
    std::array<int, 5> tally{};  // sure, likely, ambiguous, shared, no code
    std::vector<AssignedGroup> groups;
    std::vector<AssignedCount> counts;
    std::vector<std::string> unseen;  // residues that should show and have no peaks
    bool empty() const { return design.types.empty(); }
};

// Per slot (1..10); an empty run where none was kept.
extern std::array<AssignedRun, kSlots + 1> lastassignment;

// The run of slot rank if it was made through the design the slot holds
// now; nullptr otherwise.
const AssignedRun* currentassignment(const std::array<AssignedRun, kSlots + 1>& runs,
                                     const LabelData& l, int rank, const KemraData& d);
