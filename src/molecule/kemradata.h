// Global molecular data: the residue library, the molecule built from a
// sequence, and the per-list chemical shift data.
//
// All indices are 1-based; element 0 of every array is unused. Names are kept
// trimmed (a blank-padded 5-character name is the same text without its
// trailing blanks) and are compared as whole names.
//
// Missing values: a shift of 999.0 ppm means "no shift", an entry number of
// -999999 means "no entry in the list".
#pragma once

#include <array>
#include <string>
#include <vector>

constexpr double kNoShift = 999.0;
constexpr int kNoEntry = -999999;
constexpr int kMaxBonds = 6;  // covalent bonds one atom of the molecule can hold

struct LibAtom {
    std::string name;
    int type = 0;                   // atom type index
    std::array<double, 3> coord{};  // standard coordinates
    std::array<int, 4> icon{};      // bonded atoms within the type, 0 = none
    int ipatom = 0;                 // pseudo atom standing for this atom
    int ncstab = 0;                 // shift table integer
    std::array<double, 4> cstab{};  // mean, spread, lower, upper
};

struct LibDihedral {
    std::string name;
    std::array<int, 4> atoms{};  // defining atoms within the type
    int last = 0;                // last moving atom, 0 = up to nat
};

struct ResType {
    std::string name;              // aanam
    int ifirat = 1, lasat = 0;     // residue proper
    std::vector<LibDihedral> dih;  // 1..ndih
    std::vector<LibAtom> at;       // 1..nat
    int ndih() const { return static_cast<int>(dih.size()) - 1; }
    int nat() const { return static_cast<int>(at.size()) - 1; }
};

struct AtomType {
    std::string name;
    double radius = 0.0;
    int hbond = 0;
    int element = 0;  // 0 = pseudo atom, 1 = hydrogen
};

struct SpecPath {
    double value = 0.0;
    bool cont = false;
    std::vector<std::string> names;
};

struct SpecDef {
    std::string name;
    int a = 0;
    std::vector<SpecPath> paths;
};

// The library part of KemraData, as a unit that can be kept aside.
struct Library {
    std::vector<AtomType> atyp{AtomType()};
    std::vector<ResType> res{ResType()};
    std::vector<SpecDef> spec{SpecDef()};
    int maxat = 0, maxdih = 0;
    double corr14 = 0.0;
};

struct KemraData {
    std::string libdir;  // installation directory (KEMRALIB)
    int im = 0;

    // Library.
    std::vector<AtomType> atyp{AtomType()};  // 1..nattyp
    std::vector<ResType> res{ResType()};     // 1..naa
    std::vector<SpecDef> spec{SpecDef()};    // 1..nspec
    int maxat = 0, maxdih = 0;
    double corr14 = 0.0;
    // The library as the last successful read left it: a replacing read that
    // fails puts it back, since the molecule still refers to its types.
    Library kept;
    bool havekept = false;
    int naa() const { return static_cast<int>(res.size()) - 1; }
    int nattyp() const { return static_cast<int>(atyp.size()) - 1; }
    int nspec() const { return static_cast<int>(spec.size()) - 1; }

    // Molecule.
    int nr = 0, na = 0, nd = 0, nlink = 0;
    std::vector<std::string> rnam, rid;  // residues 1..nr
    std::vector<int> ir, irlib, ifira, ifird;
    std::vector<char> cis;
    std::vector<std::string> anam;  // atoms 1..na
    std::vector<int> iar, iatyp, iael, iah, nbond, ilibat;
    std::vector<std::array<int, kMaxBonds>> ibond;
    std::vector<char> asel, asel0;  // selection and saved selection
    std::vector<double> amass, arad, arad0;
    std::vector<std::vector<int>> iqa;       // members of each pseudo atom
    std::vector<std::array<int, 2>> ialink;  // 1..nlink

    // Lists: shift(a, k) is shift[k][a].
    int npkl = 0;
    std::vector<std::string> cslnam, pklnam;
    std::vector<std::vector<double>> shift, dshift, shiftr, acal;
    std::vector<std::vector<int>> iprot, iprotr;
    bool refcsl = false;
    std::array<double, 5> tolppm{0.0, 0.02, 0.02, 0.2, 0.2};

    // Several shifts per atom (read with "multiple").
    std::vector<int> iacu;
    std::vector<double> cu, dcu;

    // Peak lists: per list its dimension count and dimension labels (nucleus
    // names such as "H", "N15", "CA").
    std::vector<int> ndim;
    std::vector<std::array<std::string, 4>> pklab;

    // Peaks 1..npeaks. A position above 990.0 ppm marks a dimension without
    // a value; an assigned atom of 0 an unassigned dimension.
    int npeaks = 0;
    std::vector<int> ipkl;                   // list of the peak
    std::vector<int> ipnum;                  // peak number in its file
    std::vector<std::array<double, 4>> ppm;  // position per dimension
    std::vector<std::array<int, 4>> ipa;     // assigned atom per dimension
    std::vector<double> pint;                // intensity (or volume)
    std::vector<char> psel;                  // peak selection
    void reset();
};

extern KemraData kemradata;

// Resets the molecular data (the installation directory stays).
void nulify();
// Discards the molecule and everything numbered by its atoms.
void clearmolecule();
// Grows the list set to n lists; new lists start as a copy of the last one.
void growlists(int n);
// The atom of residue r named name; 0 when r is outside the molecule or
// has no such atom.
int residueatom(const KemraData& d, int r, const std::string& name);
// Removes every peak of list k (the peaks after them move up).
void clearpeaks(int k);
// Residue type of a name (1..naa), -1 if the library lacks it.
int restype(const std::string& name);
// Atom of residue r by name, trying pseudo atom spellings; 0 if none.
int findatom(int r, const std::string& name);
// Residue with number num, 0 if none.
int findresidue(int num);
// Atom label "NAME RES NUM" used in messages.
std::string atomlabel(int a);
