// The measured spectra of a design's samples, and what decoding them
// writes.
//
// The spectra table names one peak list per sample and spectrum:
//     # sample  spectrum  file
//     1  hsqc  sample1_hsqc.list
//     1  hnco  sample1_hnco.list
// A file name is taken relative to the table's directory unless it is
// absolute. A peak list is one of three layouts, told by its first line:
//  - XEASY ("# Number of dimensions 3", "#INAME 1 H", ...): peak number,
//    then one position per dimension;
//  - NMRView (first line "label dataset sw sf", a column header with
//    "<label>.P" per dimension);
//  - plain: a peak per line, its number, 1H and 15N ppm, and for the HNCO
//    the 13C ppm of the carbonyl; "#" starts a comment.
// The dimensions of XEASY and NMRView lists are found by their labels (H,
// N, C); a list with a 13C dimension is an HNCO, one without an HSQC, and a
// list given as the other kind is refused.
//
// Choices of ours:
//  - every fault of a table or a list is refused whole, naming the file and
//    the line, before anything is decoded;
//  - the assignment file holds, per assigned residue, the number of its peak
//    in the reference list (a sample's HSQC, or its HNCO when the table has
//    no HSQC) and the residue number, in the layout `score` reads; residues
//    without a peak there are left out;
//  - the shift list of the assigned residues is a prot list (entry, shift,
//    deviation, atom, residue): H and N of each assigned residue, and the
//    carbonyl C of the residue before it from the HNCO's 13C shift.
#pragma once

#include <string>
#include <vector>

#include "labeling/decode.h"

struct SpectrumFile {
    int sample = 0;
    decoding::Spectrum spectrum = decoding::Spectrum::hnco;
    std::string file;
};

// The table's entries; false with error naming the line when one is bad.
bool parsetable(const std::vector<std::string>& lines, const std::string& name,
                std::vector<SpectrumFile>& out, std::string& error);
// The peaks of one list, appended to out with the sample and spectrum given.
bool parsepeaks(const std::vector<std::string>& lines, const std::string& name, int sample,
                decoding::Spectrum spectrum, std::vector<decoding::Peak>& out, std::string& error);

// A list in the plain layout, the peaks of one sample and spectrum.
std::string peaklisttext(const std::vector<decoding::Peak>& peaks, int sample,
                         decoding::Spectrum spectrum);
std::string spectrumword(decoding::Spectrum s);  // "hsqc", "hnco"
