// The recipe of a labeling: which amino acids to buy for each sample, with
// 13C on the carbonyl, 15N on the amide, or both, and what they cost.
//
// A type that is the front of a pair in a sample needs 13C, a type that is
// the end of a pair needs 15N, and a type that is both is bought fully
// labelled, once, at the price for both labels. The extra labels of a
// two-spectrum design (15N for an HSQC peak alone) are bought as well.
//
// Each residue type is priced by its own row of the price table: CYS and
// CYSS once each, VAL by row 21. The same prices reach the verdict of a
// design, the report and the order sheet, so all of them name one total.
//
// Choices of ours:
//  - the samples of a recipe run from sample 1 up to the first sample without
//    entries or extra labels; a type a sample labels through an extra label
//    only is named after the types of its entries; the type table has one
//    column per sample of the recipe;
//  - the type table has 22 lines (types 1..22); a type the library lacks
//    shows an empty name and is never labelled;
//  - the total line reads "Total price of all samples: " and the sum.
#pragma once

#include <string>
#include <vector>

#include "labeling/labeldata.h"
#include "labeling/pairs.h"
#include "molecule/kemradata.h"

struct RecipeSample {
    std::vector<int> c13, n15, both;  // residue types, in order of first appearance
    int c13price = 0, n15price = 0, bothprice = 0;
    int price() const { return c13price + n15price + bothprice; }
};

struct Recipe {
    std::vector<RecipeSample> samples;  // sample k at index k-1
    int total = 0;
    // '.' unlabelled, 'C' 13C only, 'N' 15N only, 'B' both, for type t in sample k.
    char code(int t, int k) const;
};

// Trimmed name of residue type t, empty when the library has no such type.
std::string typename_of(const KemraData& d, int t);
// Recipe of a schedule record filled by import_pairs: samples up to the first
// empty one, or with throughempty up to the last sample with entries (empty
// samples in between buy nothing).
Recipe makerecipe(const Schedule& s, const LabelData& l, const KemraData& d,
                  bool throughempty = false);
void outputrecipe(const Recipe& r, const KemraData& d);
