// The HTML report of a stored labeling: one self-contained page (inline
// style and inline SVG, no script, nothing fetched from anywhere) that a
// browser shows offline.
//
// The page holds the protein's name and length; the sequence in one-letter
// codes with each residue that starts a unique pair marked (and whether this
// labeling resolves the pair); a grid with one row per sample and one cell
// per residue, filled where the residue's pair gives a signal in that
// sample; the recipe per sample with its prices and the total; the pairs of
// the labeling with their sample patterns; the code book; and the counts.
// A two-spectrum design fills a grid cell darker for an HNCO peak than for
// an HSQC peak alone, and its patterns show the three states.
//
// Choices of ours: the grid, the patterns and the recipe cover every sample
// up to the last one that holds an entry (an empty sample in between is an
// empty row and buys nothing), not only samples 1 to 10 as on the console;
// the unique pairs are counted as the design's verdict line counts them:
// the pair types occurring once that the design's own pair analysis took
// (with or without the ban of ASP, ASN, GLU, GLN and PRO, as the slot
// records; a labeling read from entries alone counts with the ban, as the
// console reports do); the grid is cut into blocks of 50 residues, one
// below the other, so that it prints whole on a page.
//
// With the last assignment of the labeling the page also holds a section
// with it: the counts per status, the groups of peaks with their shifts,
// codes, residues and reasons, the peak counts that differ from the
// design's and the residues without peaks; the sequence marks the assigned
// residues and the pairs say which of them the spectra confirmed. Without
// one the page is as before.
#pragma once

#include <string>

#include "labeling/labeldata.h"
#include "labelio/assigned.h"
#include "molecule/kemradata.h"

// Text with &, <, >, " and ' written as character references.
std::string htmlescape(const std::string& s);

// The page for labeling rank (1..10) of the current sequence; assigned, when
// given, is the last assignment through this design.
std::string report_html(const std::string& protein, int rank, const LabelData& l,
                        const KemraData& d, const AssignedRun* assigned = nullptr);
