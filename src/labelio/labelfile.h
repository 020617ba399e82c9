// Labeling files, sample-string files, the conversions between a stored
// labeling slot and a schedule record, and the formula dump.
//
// Labeling file: one entry per line, front type, end type and sample mask in
// columns 1-5, 6-10 and 11-15; a line "    0    0    0" ends a slot.
// A slot that holds more than its entries say (a two-spectrum design, or
// labels no entry implies) is written as a label table instead, ended by the
// same line:
//     # quilter label table: spectra=hsqc+hnco samples=3
//     ALA   .N.
//     GLY   CB.
// one row per residue type of the library, one label per sample: "." none,
// "C" 13C on the carbonyl, "N" 15N on the amide, "B" both. Reading a table
// makes the slot's entries from the unique pairs of the current sequence
// that show an HNCO peak; the labels they leave out are the slot's extra
// labels. A type the table does not list carries no label.
// Sample-string file: front type (columns 1-3), end type (4-8) and a
// 20-character string (9-28) with "X" for each sample that shows the pair.
//
// Choices of ours:
//  - a mask wider than five digits is written in full, so it runs past
//    column 15; the reader takes the mask from column 11 to the end of the
//    line, which makes every written file readable again;
//  - a reader stops at the first line it cannot use (not three integers, a
//    type outside the library's pair types, a mask beyond 20 samples, a 401st
//    entry of a slot; in a label table a bad header, a type the library
//    lacks or lists twice, a label count other than the header's, a letter
//    other than . C N B), names the line in an error and leaves every stored
//    slot as it was: slots are read into a copy and taken over only at the
//    end; the end of the file closes the slot being read;
//  - a file is written under a temporary name in the same directory and
//    renamed when complete, so an existing file is never left half-written;
//  - the formula dump numbers the per-sample variables of front type i in
//    sample s (0..9) as 43 + 42 s + (i - 1), those of end type j as
//    64 + 42 s + (j - 1).
#pragma once

#include <string>
#include <vector>

#include "labeling/pairs.h"
#include "labeling/slots.h"
#include "molecule/kemradata.h"

// Readers take the file's slots into lab only when the whole file reads;
// label tables are read against the sequence and library of mol.
bool read_labeling_from_disk(const std::string& filename, const KemraData& mol, LabelData& lab);
// rank 0 (or -1) writes all ten slots; the text of the file, and the file
// written atomically (the reason in an error message when it cannot be).
// Label tables name the types by the library of mol.
std::string labelingtext(int rank, const LabelData& lab, const KemraData& mol);
bool write_labeling_to_disk(const std::string& filename, int rank, const LabelData& lab,
                            const KemraData& mol);
// The lines of a file are a labeling file (entries and separators, label
// tables, blank lines): writing a labeling over it loses nothing else.
bool islabelingtext(const std::vector<std::string>& lines);
bool read_samplestrings(const std::string& filename, LabelData& lab);

// The formula dump of the unique pairs (the command ends the program after it).
void output_sat(const TypeMatrix& occurrence);
