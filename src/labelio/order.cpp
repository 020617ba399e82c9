#include "labelio/order.h"

#include <cstdio>

#include "kemlang/print.h"
#include "labelio/pricefile.h"

namespace {

// Conventional atomic weights, and the masses of the two isotopes.
constexpr double kC = 12.011, kH = 1.008, kN = 14.007, kO = 15.999, kS = 32.06;
constexpr double kC13 = 13.003355, kN15 = 15.000109;

struct Formula {
    const char* name;
    int c, h, n, o, s;
};

// The free amino acids (neutral form).
constexpr Formula kFormulas[] = {
    {"ALA", 3, 7, 1, 2, 0},   {"ARG", 6, 14, 4, 2, 0}, {"ASN", 4, 8, 2, 3, 0},
    {"ASP", 4, 7, 1, 4, 0},   {"CYS", 3, 7, 1, 2, 1},  {"CYSS", 3, 7, 1, 2, 1},
    {"GLN", 5, 10, 2, 3, 0},  {"GLU", 5, 9, 1, 4, 0},  {"GLY", 2, 5, 1, 2, 0},
    {"HIS", 6, 9, 3, 2, 0},   {"ILE", 6, 13, 1, 2, 0}, {"LEU", 6, 13, 1, 2, 0},
    {"LYS", 6, 14, 2, 2, 0},  {"MET", 5, 11, 1, 2, 1}, {"PHE", 9, 11, 1, 2, 0},
    {"PRO", 5, 9, 1, 2, 0},   {"SER", 3, 7, 1, 3, 0},  {"THR", 4, 9, 1, 3, 0},
    {"TRP", 11, 12, 2, 2, 0}, {"TYR", 9, 11, 1, 3, 0}, {"VAL", 5, 11, 1, 2, 0},
};

std::string fixed(double x, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, x);
    return buf;
}

std::string samplelist(const std::vector<int>& samples) {
    std::string s;
    for (int k : samples) s += (s.empty() ? "" : " ") + std::to_string(k);
    return s;
}

std::string padright(const std::string& s, size_t w) {
    return s.size() >= w ? s : s + std::string(w - s.size(), ' ');
}
std::string padleft(const std::string& s, size_t w) {
    return s.size() >= w ? s : std::string(w - s.size(), ' ') + s;
}

}  // namespace

double aminoacidmass(const std::string& name) {
    for (const Formula& f : kFormulas)
        if (name == f.name) return f.c * kC + f.h * kH + f.n * kN + f.o * kO + f.s * kS;
    return 0;
}

double labelledmass(const std::string& name, Form f) {
    double m = aminoacidmass(name);
    if (m == 0) return 0;
    if (f != kFormN) m += kC13 - kC;
    if (f != kFormC) m += kN15 - kN;
    return m;
}

const char* formname(Form f) { return f == kFormC ? "1-13C" : f == kFormN ? "15N" : "1-13C,15N"; }

Order makeorder(const Recipe& r, const PriceTable& prices, const std::string& unit, double volume,
                double conc, const KemraData& d) {
    Order o;
    o.samples = static_cast<int>(r.samples.size());
    o.volume = volume, o.conc = conc, o.unit = unit;
    for (int t = 1; t <= kTypes; ++t)
        for (Form f : {kFormC, kFormN, kFormBoth}) {
            const char code = f == kFormC ? 'C' : f == kFormN ? 'N' : 'B';
            OrderLine line;
            line.type = t, line.form = f;
            for (int k = 1; k <= o.samples; ++k)
                if (r.code(t, k) == code) line.samples.push_back(k);
            if (line.samples.empty()) continue;
            const TypePrice& p = prices[static_cast<size_t>(t)];
            const int each = f == kFormC ? p.c13 : f == kFormN ? p.n15 : p.both;
            const auto n = static_cast<long>(line.samples.size());
            line.price = each * n;
            line.offered = each < kNotOffered;
            line.mg = conc * volume * static_cast<double>(n);
            line.molarmass = labelledmass(typename_of(d, t), f);
            line.mmol = line.molarmass > 0 ? line.mg / line.molarmass : 0;
            o.mg += line.mg;
            o.total += line.price;
            o.lines.push_back(line);
        }
    return o;
}

std::string notoffered(const Order& o, const KemraData& d) {
    std::string s;
    for (const OrderLine& l : o.lines)
        if (!l.offered)
            s += (s.empty() ? "" : ", ") + typename_of(d, l.type) + " " + formname(l.form);
    return s;
}

void outputorder(const Order& o, int rank, const KemraData& d) {
    putlin(10, "Order sheet of labeling " + intp(rank) + ": " + intp(o.samples) + " " +
                   (o.samples == 1 ? "sample" : "samples") + " of " + strp(fixed(o.volume, 3)) +
                   " L culture, " + strp(fixed(o.conc, 1)) +
                   " mg of each labelled amino acid per litre");
    putlin(10, "Type  Form        Samples                  mg      mmol     g/mol      Price");
    for (const OrderLine& l : o.lines) {
        std::string row = padright(typename_of(d, l.type), 6) + padright(formname(l.form), 12) +
                          padright(samplelist(l.samples), 20) + padleft(fixed(l.mg, 1), 9) +
                          padleft(l.molarmass > 0 ? fixed(l.mmol, 3) : "-", 10) +
                          padleft(l.molarmass > 0 ? fixed(l.molarmass, 3) : "-", 10) +
                          padleft(std::to_string(l.price), 11) + (l.offered ? "" : "  not offered");
        putlin(10, strp(row));
    }
    putlin(10, "Total: " + intp(static_cast<int>(o.lines.size())) + " " +
                   (o.lines.size() == 1 ? "form" : "forms") + ", " + strp(fixed(o.mg, 1)) +
                   " mg, price " + strp(std::to_string(o.total)));
    putlin(10, "Prices in " + strp(o.unit) +
                   ", times the samples that use the form; the volume does not scale them.");
}

std::string ordercsv(const Order& o, int rank, const KemraData& d) {
    std::string t = "order,labeling " + std::to_string(rank) + "," + std::to_string(o.samples) +
                    (o.samples == 1 ? " sample," : " samples,") + fixed(o.volume, 3) +
                    " L culture per sample," + fixed(o.conc, 1) + " mg per litre\n";
    t += "unit," + csvfield(o.unit) + "\n";
    t += "type,form,samples,mg,mmol,g/mol,price,offered\n";
    for (const OrderLine& l : o.lines)
        t += csvfield(typename_of(d, l.type)) + "," + csvfield(formname(l.form)) + "," +
             samplelist(l.samples) + "," + fixed(l.mg, 1) + "," +
             (l.molarmass > 0 ? fixed(l.mmol, 3) : "") + "," +
             (l.molarmass > 0 ? fixed(l.molarmass, 3) : "") + "," + std::to_string(l.price) + "," +
             (l.offered ? "yes" : "no") + "\n";
    t += "total,,," + fixed(o.mg, 1) + ",,," + std::to_string(o.total) + ",\n";
    return t;
}
