// What a schedule costs, and the search for cheaper schedules of the same
// quality.
//
// A recipe buys, per sample, each residue type it labels: with 13C only (a
// front type of the sample), 15N only (an end type) or both. A form priced
// kNotOffered or more is not sold; a schedule that needs one is worth
// having only when no schedule of its quality avoids it. So schedules of
// equal quality (resolved unique pairs, samples) compare first by the number
// of not-offered forms they buy, then by price.
//
// The polish walks over the labels of a schedule that resolves a target
// number of unique pairs and anneals on the cost: a move that adds a label
// is taken when the temperature allows, so the walk can carry a label from
// an expensive type to a cheap one. It never leaves the schedules that
// resolve the target without duplicates or peak excess: tried with a cost
// for stepping off instead, the walk settled off target and found dearer
// recipes on every protein measured. A form that is not offered is a cost
// there, not a wall: the offered recipes of one quality are often joined
// only through recipes that buy one, and its cost outweighs any price, so
// what the walk keeps first buys none. On its way it keeps the cheapest distinct schedules it
// meets: two schedules that differ only in the numbering of their samples are one recipe, so they
// count once.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "labeling/anneal.h"
#include "labeling/labeldata.h"

struct KemraData;
struct LabelData;

// Prices by residue type: each type of the library is priced by its own row
// of the table (so both cysteine types and valine are priced, each once); a
// type the library lacks costs nothing. Every price Quilter reports or
// weighs comes from here.
PriceTable typeprices(const KemraData& mol, const LabelData& lab);

struct Cost {
    int notoffered = 0;  // forms bought that are not offered
    long price = 0;
    auto operator<=>(const Cost&) const = default;
};

// The cost of normalised labels (bits of the samples they use).
Cost labelcost(const Labels& l, const PriceTable& prices);
// The forms a price table does not offer (priced kNotOffered or more).
Offer offerof(const PriceTable& prices);

// The unique pairs of the base that a design leaves unresolved because no
// offered form can make them show: in the HNCO model a pair needs 13C on
// its front type and 15N on its end type in one sample, in the two-spectrum
// model 15N on its end type. "" when there are none; otherwise a sentence
// that counts them and names the forms, such as "2 more need 15N on ASN,
// which is not offered."
std::string unbuyable(const Schedule& design, const Selection& base, const TypeMatrix& uniqs,
                      const Offer& offer, const KemraData& mol);
// One such pair (f, e) under labels l: it shows in no sample, and no offered
// form could make it show.
bool unbuyablepair(const Model& m, const Offer& offer, const Labels& l, int f, int e);

// What a schedule's recipe buys: per sample its front types (13C) and end
// types (15N), and the labels of the design beyond them.
Labels bought(const Schedule& s);
Cost schedulecost(const Schedule& s, const PriceTable& prices);
// The labels a schedule's pair-sample matrix implies for its base pairs (a
// two-spectrum design: its label table).
Labels labelsof(const Schedule& s, const Selection& base, const TypeMatrix& uniqs);

// The same recipe under another numbering of the samples?
bool samerecipe(const Labels& a, const Labels& b);

struct Polished {
    Labels best;                   // the cheapest found, start when nothing cheaper
    std::vector<Labels> distinct;  // the cheapest distinct recipes met, cheapest first
};

// Anneals on the cost from start (which must resolve target unique pairs,
// feasibly) for at most steps moves; keeps up to keep distinct recipes.
Polished polish(Annealer& a, const Labels& start, int target, const PriceTable& prices,
                uint64_t seed, long steps, int keep, const std::function<bool()>& stop = nullptr);
