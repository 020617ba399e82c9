#include "molecule/kemradata.h"

KemraData kemradata;

void KemraData::reset() {
    std::string keep = libdir;
    *this = KemraData();
    libdir = keep;
}

void nulify() { kemradata.reset(); }
