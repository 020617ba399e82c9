#include "labeling/labeldata.h"

LabelData labdata;

void LabelData::reset() { *this = LabelData(); }

namespace {

constexpr const char* kRowNames[kTypes + 1] = {
    "",    "ALA", "ARG", "ASN", "ASP", "CYS", "CYSS", "GLN", "GLU", "GLY", "HIS",
    "ILE", "LEU", "LYS", "MET", "PHE", "PRO", "SER",  "THR", "TRP", "TYR", "VAL",
};

}  // namespace

PriceSheet builtinprices() {
    // 13C, 15N, both; 10000 marks a form that is not offered.
    static const TypePrice rows[kTypes] = {
        {174, 157, 1778},   {1936, 10000, 2288}, {10000, 10000, 10000}, {448, 149, 726},
        {218, 187, 352},    {218, 187, 352},     {2257, 220, 2244},     {1291, 193, 1180},
        {333, 65, 635},     {731, 324, 10000},   {259, 167, 10000},     {89, 58, 961},
        {1016, 217, 1996},  {1463, 211, 1430},   {180, 35, 308},        {216, 150, 365},
        {3696, 2125, 2125}, {865, 834, 835},     {226, 154, 798},       {106, 105, 617},
        {54, 77, 810},
    };
    PriceSheet s;
    for (int t = 1; t <= kTypes; ++t) s.rows[static_cast<size_t>(t)] = rows[t - 1];
    s.unit = "USD per sample of 1 L culture";
    return s;
}

PriceSheet loadedprices = builtinprices();

const char* pricerowname(int t) { return t >= 1 && t <= kTypes ? kRowNames[t] : ""; }

PriceSheet currentprices(const LabelData& l) {
    PriceSheet s;
    for (size_t t = 1; t <= kTypes; ++t)
        s.rows[t] = {l.price_catoms[t], l.price_natoms[t], l.price_bothatoms[t]};
    s.unit = l.price_unit;
    return s;
}

void applyprices(const PriceSheet& s, LabelData& l) {
    for (size_t t = 1; t <= kTypes; ++t) {
        // The stored names are three letters: both cysteine rows read CYS.
        l.price_asname[t] = std::string(kRowNames[t]).substr(0, 3);
        l.price_catoms[t] = s.rows[t].c13;
        l.price_natoms[t] = s.rows[t].n15;
        l.price_bothatoms[t] = s.rows[t].both;
    }
    l.price_unit = s.unit;
}

void setinitialprices() { applyprices(loadedprices, labdata); }

void labseqinit(int na) {
    LabelData& l = labdata;
    size_t n = static_cast<size_t>(na) + 1;
    l.ainclude.assign(n, 1);
    l.imarker.assign(n, 0);
    l.itmpmark.assign(n, 0);
    l.alaba.assign(n, 1.0);
    l.rc13lab.assign(n, 0.5);
    l.rn15lab.assign(n, 0.5);
    setinitialprices();
    for (auto& row : l.iallowed_dupes) row.fill(1);
    l.isample_class.fill(0);
    l.ibatch_front.clear();
    l.ibatch_end.clear();
    l.ibatch_cluster.clear();
    l.ibatchsize = 0;
}
