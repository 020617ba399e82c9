// The order sheet of a labeling: each labelled form of an amino acid to buy,
// the samples that use it, how much and what it costs.
//
// A type a sample labels with 13C only is bought as the 1-13C form (13C on
// the carbonyl carbon C1), with 15N only as the 15N form (on the
// alpha-amino nitrogen, which becomes the amide), with both as the
// 1-13C,15N form. The 15N a two-spectrum design adds for an HSQC peak alone
// is bought as well.
//
// Amounts: the concentration (mg of the labelled amino acid per litre of
// culture) times the culture volume of one sample, times the samples that use
// the form. Moles from the molar mass of the labelled form: the average
// molar mass of the free L-amino acid (conventional atomic weights) with the
// labelled atom's natural weight replaced by that of 13C (+0.9924 g/mol) or
// 15N (+0.9931 g/mol). CYSS, the cysteine of a disulfide bridge, is bought
// as cysteine.
//
// Prices: the price of a form times the samples that use it, exactly as the
// recipe adds them, so the sheet's total is the recipe's total. They are
// the table's prices (its unit says per what) and are not scaled with the
// volume.
#pragma once

#include <string>
#include <vector>

#include "labelio/recipe.h"

struct OrderLine {
    int type = 0;
    Form form = kFormC;
    std::vector<int> samples;  // ascending
    double molarmass = 0;      // g/mol of the labelled form
    double mg = 0, mmol = 0;
    long price = 0;
    bool offered = true;
};

struct Order {
    std::vector<OrderLine> lines;  // by type, then 1-13C, 15N, 1-13C,15N
    int samples = 0;               // samples of the recipe
    double volume = 0, conc = 0;   // litres per sample, mg per litre
    double mg = 0;
    long total = 0;
    std::string unit;  // of the prices
};

// Average molar mass (g/mol) of the free L-amino acid of a residue type name
// (ALA, CYSS, ...), and of its labelled form f; 0 for a name it does not know.
double aminoacidmass(const std::string& name);
double labelledmass(const std::string& name, Form f);
// "1-13C", "15N" or "1-13C,15N".
const char* formname(Form f);

// The order of a recipe (made through all samples with entries); volume in
// litres per sample, conc in mg per litre.
Order makeorder(const Recipe& r, const PriceTable& prices, const std::string& unit, double volume,
                double conc, const KemraData& d);
void outputorder(const Order& o, int rank, const KemraData& d);
std::string ordercsv(const Order& o, int rank, const KemraData& d);
// The forms of an order that are not offered, as "ALA 15N, HIS 1-13C,15N";
// "" when all are.
std::string notoffered(const Order& o, const KemraData& d);
