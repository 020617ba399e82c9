// The labels a design may carry, and the pairs they can show.
//
// The exact engine and the all-pairs search search the labels the annealer
// produces (anneal.h), normalised: a label counts only where a partner gives
// it a use.
//  - HNCO: 13C on f needs 15N in the same sample on a base partner e (a base
//    pair (f, e)), and 15N on e needs 13C on a base front of e. The pairs
//    that take part are the occurring pairs whose front carries a 13C label
//    and whose end a 15N label.
//  - HSQC and HNCO: 15N on every type that ends a base pair and can show,
//    by itself (it shows in the HSQC); 13C on f needs 15N in the same sample
//    on an occurring partner e that carries 15N. The pairs that take part
//    are the occurring pairs whose end carries 15N.
// A sample's labels are independent of the other samples' and an empty
// sample buys nothing, so a pair can show at all exactly when the labels of
// one sample can show it. Under an offer that is a small satisfiability
// question per pair (one sample, at most 42 label bits): with forms missing,
// a type may need a partner's label that needs a form missing in turn.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "labeling/pairs.h"

struct LabelVars {
    // Per type the partners its label needs one of: for 13C the end types
    // (ends), for 15N in the HNCO model the front types (fronts); in the
    // two-spectrum model fronts holds the types whose 13C needs its 15N.
    std::array<uint32_t, kTypes + 1> ends{}, fronts{};
    uint32_t ctypes = 0, ntypes = 0;  // types that can carry 13C, 15N
    bool nalone = false;              // 15N needs no partner (two spectra)
    // Does an occurring pair (f, e) take part?
    bool takespart(int f, int e) const { return (ctypes >> f & 1) && (ntypes >> e & 1); }
};

LabelVars labelvars(const Selection& base, const TypeMatrix& uniqs, const Model& m);

// The clauses on one sample's labels: normalisation and the offer. var gives
// the solver variable of a type's 13C (cside) or 15N label, 0 when the type
// has none (the label is false); add takes one clause.
void sampleclauses(const LabelVars& v, const Offer& o, const std::function<int(bool, int)>& var,
                   const std::function<void(const std::vector<int>&)>& add);

// Per front type, the end types of the occurring pairs that take part and
// that some labels the offer allows show.
std::array<uint32_t, kTypes + 1> showable(const LabelVars& v, const TypeMatrix& uniqs,
                                          const Model& m, const Offer& o);
