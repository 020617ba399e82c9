// Labeling data shared by the design commands: per-atom labeling fields,
// prices, allowed duplicates, classes, batches and the ten stored labelings.
// Matrices indexed [f][e] with 1-based types; index 0 unused.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "labeling/limits.h"
#include "labeling/model.h"

// How the pair analysis of a design ran, so that a report of the design
// counts its unique pairs the same way: with or without the ban of ASP, ASN,
// GLU, GLN and PRO, and the repeat limit. A labeling of unknown making (read
// from entries alone) is counted as the console reports count: banned,
// repeat limit 1.
struct Analysis {
    bool banned = true;
    int multipair = 1;
    bool operator==(const Analysis&) const = default;
};

// The prices of one residue type: 13C on the carbonyl only, 15N on the amide
// only, both.
struct TypePrice {
    int c13 = 0, n15 = 0, both = 0;
    bool operator==(const TypePrice&) const = default;
};
using PriceTable = std::array<TypePrice, kTypes + 1>;

// A price table as a file holds it: row t prices residue type t (the
// library's order); unit names the currency and what a price buys, such as
// "USD per sample of 1 L culture".
struct PriceSheet {
    PriceTable rows{};
    std::string unit;
    bool operator==(const PriceSheet&) const = default;
};

struct LabelData {
    // Per atom (1..na).
    std::vector<char> ainclude;
    std::vector<int> imarker, itmpmark;
    std::vector<double> alaba, rc13lab, rn15lab;
    // Prices: 15N only, 13C only, both.
    std::array<std::string, kTypes + 1> price_asname;
    std::array<int, kTypes + 1> price_natoms{}, price_catoms{}, price_bothatoms{};
    std::string price_unit;
    std::array<std::array<int, kTypes + 1>, kTypes + 1> iallowed_dupes{};
    // Stored labelings, entry i (1..400) of slot r (1..10).
    std::array<int, kSlots + 1> ilabelsize{};
    std::array<std::array<int, kSlotEntries + 1>, kSlots + 1> ias_front{}, ias_end{}, ischedulenr{},
        ioccur{};
    // The model each stored labeling was designed in, and the labels its
    // entries do not imply (15N that a two-spectrum design buys for an HSQC
    // peak alone). An HNCO labeling has none.
    std::array<Model, kSlots + 1> slotmodel{};
    std::array<Labels, kSlots + 1> slotextra{};
    std::array<Analysis, kSlots + 1> slotanalysis{};
    // Pair classes and batches.
    std::array<int, 2501> isample_class{};
    std::vector<int> ibatch_front, ibatch_end, ibatch_cluster;
    int ibatchsize = 0;
    int ixtract = 0;
    void reset();
};

extern LabelData labdata;

// The table a new sequence starts from: the one last loaded (at start the
// installation's price file, or the built-in table when it is missing).
extern PriceSheet loadedprices;
// The built-in table.
PriceSheet builtinprices();
// Name of price row t (1..21) as files and listings show it: the residue
// type of the usual library order (CYSS for row 6).
const char* pricerowname(int t);
// The current table, and setting it (row names stay).
PriceSheet currentprices(const LabelData& l);
void applyprices(const PriceSheet& s, LabelData& l);

// Initial prices (the loaded table), duplicates and classes; per-atom arrays
// for na atoms.
void labseqinit(int na);
void setinitialprices();
