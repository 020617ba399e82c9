// The polymer sequence a BMRB entry (NMR-STAR 2.1 or 3.x) carries, so that
// the molecule can be built from the very entry whose shifts are read.
#pragma once

#include <string>
#include <vector>

struct StarPolymer {
    std::string name;                   // common name of the polymer
    std::vector<std::string> residues;  // three-letter names, residue 1 first
    std::string source;                 // the tag the sequence came from
    std::string error;                  // why no sequence could be taken
};

struct StarEntry {
    bool opened = false;
    std::string id;                     // after "data_"
    int frames = 0;                     // save frames
    bool shiftloop = false;             // an assigned chemical shift loop
    std::vector<StarPolymer> proteins;  // protein polymers in entry order
};

StarEntry readstar(const std::string& file);

// A file to read as NMR-STAR: named .str, or its first line begins "data_".
bool isnmrstar(const std::string& file);

// Residue names of one-letter codes; "(MSE)" stands for a residue by its
// three-letter name. On an unknown letter returns false with its position.
bool onelettersequence(const std::string& code, std::vector<std::string>& names, int& bad);

// Builds the molecule from the first protein of the entry and reports where
// the sequence came from; false after an error (no molecule).
bool getstarseq(const std::string& file);

// Warns when the entry's sequence differs from the molecule's residues
// (compared by residue number, as the shift reader looks them up).
void checkstarsequence(const std::string& file);

// Warning for a file read as a BMRB shift list that gave no shifts because
// it is no NMR-STAR entry or holds no chemical shift loop.
void explainemptystar(const std::string& file);

// Appended to the error for an unknown residue in a one-letter sequence.
std::string falsepairnote();
