// What the spectra of a sample show, and what a recipe may buy.
//
// A design is a label table: per residue type and sample, the type carries
// nothing, 13C on the carbonyl, 15N on the amide, or both. What a residue
// gives depends on the observation model, and everything that judges,
// searches or reports a design asks the model rather than deciding for
// itself:
//  - HNCO alone: an occurring pair (f, e) gives an HNCO peak in the samples
//    c[f] & n[e]; its code is that sample mask, so k samples tell apart
//    2^k - 1 codes. Every occurring pair takes part, as the pair analysis
//    counts them.
//  - HSQC and HNCO: every sample is also recorded as a 1H-15N HSQC, in
//    which a residue gives a peak whenever its type carries 15N. So each
//    sample shows residue i in one of three states: nothing (no 15N on its
//    type), an HSQC peak only (15N, but no 13C on the carbonyl of residue
//    i-1), or HSQC and HNCO peaks (both). A pair's code is its word of
//    states, held as the two masks (n[e], c[f] & n[e]); k samples tell apart
//    3^k - 1 codes. Proline has no amide proton: a pair ending in proline
//    shows nothing and hides no other pair, and 15N on proline buys nothing.
//    Codes that only non-unique pairs share cost nothing: their peaks are
//    not assigned by code.
// The first residue of the chain never shows: the pairs start at residue 2.
//
// The offer: a form priced kNotOffered or more is not sold, so no design
// buys it. Offer holds, per residue type, which of the three forms are
// missing, and says in which samples a label table would need one.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "labeling/limits.h"

// Sample bits per residue type: c carries 13C on the carbonyl, n 15N on
// the amide.
struct Labels {
    std::array<uint32_t, kTypes + 1> c{}, n{};
    bool operator==(const Labels&) const = default;
};

enum class Spectra : uint8_t { hnco, hsqchnco };

// The code of an occurring pair: the HNCO mask in the low word and, in the
// two-spectrum model, the HSQC mask (15N of the end type) in the high word.
// 0: the pair shows in no sample.
using Code = uint64_t;

struct Model {
    Spectra spectra = Spectra::hnco;
    uint32_t silent = 0;  // type bits of end types that show nothing (proline, two spectra)

    bool twospectra() const { return spectra == Spectra::hsqchnco; }
    // Can a pair ending in type e show at all?
    bool shows(int e) const { return !(silent & (1u << e)); }
    // The code of a pair (f, e) whose types carry labels cf and ne.
    Code code(int e, uint32_t cf, uint32_t ne) const {
        if (!twospectra()) return cf & ne;
        if (!shows(e)) return 0;
        return static_cast<Code>(ne) << 32 | (cf & ne);
    }
    static uint32_t hnco(Code c) { return static_cast<uint32_t>(c); }
    static uint32_t hsqc(Code c) { return static_cast<uint32_t>(c >> 32); }
    // Distinct non-empty codes k samples give: 2^k - 1 or 3^k - 1.
    long long codes(int k) const;
    // The fewest samples whose codes can tell n pairs apart.
    int fewest(long long n) const;
    // One character per sample state: '_' nothing, 'X' the HNCO peak (and the
    // HSQC peak with it), 'H' an HSQC peak only.
    static char state(Code c, int b) {
        if (hnco(c) & (1u << b)) return 'X';
        return hsqc(c) & (1u << b) ? 'H' : '_';
    }
    // The states of a code over samples 1..k.
    static std::string word(Code c, int k);
    // "HNCO" or "HSQC and HNCO", as the verdict line names the model.
    const char* name() const { return twospectra() ? "HSQC and HNCO" : "HNCO"; }
    // The parameter value: "hnco" or "hsqc+hnco".
    const char* option() const { return twospectra() ? "hsqc+hnco" : "hnco"; }
    bool operator==(const Model&) const = default;
};

struct Offer;
// Can a pair (f, e) show at all with the forms offered? In the HNCO model it
// needs 13C on f and 15N on e in one sample, in the two-spectrum model 15N
// on e.
bool canshow(const Model& m, const Offer& o, int f, int e);

// The model of a spectra word ("hnco", "hsqc+hnco") for a sequence whose
// proline has type number proline (0 when the library has none); false for
// any other word.
bool modelof(const std::string& word, int proline, Model& m);

// Forms of a residue type: 13C on the carbonyl only, 15N on the amide only,
// both (1-13C,15N).
enum Form : uint8_t { kFormC = 1, kFormN = 2, kFormBoth = 4 };

struct Offer {
    std::array<uint8_t, kTypes + 1> missing{};  // Form bits not offered, per type
    // The samples in which type t with labels c and n would need a form that
    // is not offered.
    uint32_t needs(int t, uint32_t c, uint32_t n) const {
        uint8_t m = missing[static_cast<size_t>(t)];
        return ((m & kFormC) ? c & ~n : 0) | ((m & kFormN) ? n & ~c : 0) |
               ((m & kFormBoth) ? c & n : 0);
    }
    bool any() const {
        for (uint8_t m : missing)
            if (m) return true;
        return false;
    }
    // Can type t carry 13C in some sample, 15N in some sample, and both
    // labels of a pair (f, e) in one sample?
    bool canc(int t) const {
        return (missing[static_cast<size_t>(t)] & (kFormC | kFormBoth)) != (kFormC | kFormBoth);
    }
    bool cann(int t) const {
        return (missing[static_cast<size_t>(t)] & (kFormN | kFormBoth)) != (kFormN | kFormBoth);
    }
    bool canpair(int f, int e) const;
    // Samples in which labels need a form not offered, summed over the types.
    int count(const Labels& l) const;
};
