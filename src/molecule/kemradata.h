// Global molecular data of the framework: library, molecule, shift and peak
// lists. (Extended by the molecule module.)
#pragma once

#include <string>

struct KemraData {
    std::string libdir;  // installation directory (KEMRALIB)
    int im = 0;
    int nr = 0;          // residues of the molecule
    int npeaks = 0;      // peaks present
    void reset();
};

extern KemraData kemradata;

// Resets the molecular data.
void nulify();
