// Readers that fill the molecular data, and the molecule build.
#pragma once

#include <cstdio>
#include <string>

// Residue library (unknown: 0 error, 1 warning, 2 skip, for shift-table names).
bool getlib(std::FILE* f, int unknown);
// Library check over the whole library; returns the number of findings.
int libchk();
// Sequence file: residues, numbers, cis prefixes, links; builds the molecule.
bool getseq(std::FILE* f);
// FASTA file (first record): one-letter codes to library names; builds.
bool getfasta(std::FILE* f);
// Builds the molecule from rnam/ir/cis of residues 1..nr; false on error.
bool build();
// Set-up after a build: bonds, pseudo atoms, selection, labeling arrays.
void iniseq();
// Chemical shift list into list k (format 1 prot, 2 bmrb, 3 nmrview).
struct ShiftOptions {
    int format = 1;
    bool add = false, multiple = false, index = false;
    double deviation = 1.0e10;
    int unknown = 0;
    int list = 1;
};
bool getpro(std::FILE* f, const ShiftOptions& opt, int& nread);
// True when the file name ends in a FASTA extension.
bool isfasta(const std::string& name);
