// The price table and the order sheet: listing the prices, reading and
// writing them as a CSV file, and what to buy for a stored labeling.
//
// A price table read from a file becomes the table every later sequence
// starts from; setprice changes only the current one.
#include <cmath>
#include <memory>

#include "commands/checks.h"
#include "commands/registry.h"
#include "kemlang/params.h"
#include "kemlang/print.h"
#include "labeling/price.h"
#include "labeling/slots.h"
#include "labelio/atomicfile.h"
#include "labelio/order.h"
#include "labelio/pricefile.h"
#include "labelio/recipe.h"
#include "molecule/kemradata.h"

namespace {

std::string filepar() { return trim(lefstr(getpar("file"))); }

std::string pricecell(int price) {
    std::string s = std::to_string(price) + (price >= kNotOffered ? "*" : " ");
    return std::string(s.size() < 9 ? 9 - s.size() : 0, ' ') + s;
}

void showprices(Words&, int&) {
    const PriceSheet s = currentprices(labdata);
    putlin(10, "Prices in " + strp(s.unit) + "; * not offered (" + intp(kNotOffered) +
                   " or more, never bought by a design)");
    putlin(10, "Type        13C       15N      both");
    for (int t = 1; t <= kTypes; ++t) {
        const TypePrice& p = s.rows[static_cast<size_t>(t)];
        std::string name = pricerowname(t);
        std::string row = name + std::string(6 - name.size(), ' ') + pricecell(p.c13) +
                          pricecell(p.n15) + pricecell(p.both);
        // Rows price types by number: say so where the library names another.
        std::string lib = typename_of(kemradata, t);
        if (!lib.empty() && lib != name) row += "  (prices library type " + lib + ")";
        putlin(10, strp(row));
    }
}

void readprices(Words& param, int& npar) {
    params(param, npar, "file=*=prices.csv");
    if (haverr()) return;
    const std::string file = filepar();
    PriceSheet s;
    std::string problem;
    if (!pricesfromfile(file, s, problem)) {
        errmsg("Price file " + strq(file) + " " + strp(problem) + " The prices are unchanged.");
        return;
    }
    loadedprices = s;
    applyprices(s, labdata);
    putlin(2, "Prices read from " + strq(file) + " (" + strp(s.unit) + ").");
}

void writeprices(Words& param, int& npar) {
    params(param, npar, "file=*=prices.csv");
    if (haverr()) return;
    const std::string file = filepar();
    if (file.empty()) {
        errmsg("writeprices needs a file name.");
        return;
    }
    if (!writeorsay("Price file", file, pricecsv(currentprices(labdata)))) return;
    putlin(2, "Prices written to " + strq(file) + ".");
}

// Real parameter name within (0, hi]; otherwise an error naming it.
bool positive(const std::string& name, double hi, const std::string& unit) {
    double v = rparam(name);
    if (std::isfinite(v) && v > 0 && v <= hi) return true;
    errmsg("Parameter " + strq(name) + " must be more than 0 and at most " + realp(hi, 6) + " " +
           strp(unit) + ".");
    return false;
}

void showorder(Words& param, int& npar) {
    params(param, npar, "rank=@i=1 volume=@r=1.0 conc=@r=100 file=*=NO");
    if (haverr() || !paramin("rank", 1, kSlots) || !positive("volume", 1000, "litres") ||
        !positive("conc", 100000, "mg per litre"))
        return;
    const int rank = iparam("rank");
    auto s = std::make_unique<Schedule>();
    import_pairs(labdata, rank, *s);
    // Every sample that buys something, also beyond an empty one.
    const Recipe r = makerecipe(*s, labdata, kemradata, true);
    const Order o = makeorder(r, typeprices(kemradata, labdata), labdata.price_unit,
                              rparam("volume"), rparam("conc"), kemradata);
    if (o.lines.empty()) {
        errmsg("Labeling " + intp(rank) + " labels nothing: there is nothing to order.");
        return;
    }
    outputorder(o, rank, kemradata);
    if (std::string no = notoffered(o, kemradata); !no.empty())
        wrnmsg("Labeling " + intp(rank) + " buys forms that are not offered: " + strp(no) + ".");
    const std::string file = filepar();
    if (file.empty() || file == "NO") return;
    if (!writeorsay("Order file", file, ordercsv(o, rank, kemradata))) return;
    putlin(2, "Order sheet of labeling " + intp(rank) + " written to " + strq(file) + ".");
}

}  // namespace

static constexpr CommandReg regs[] = {
    {"showprices", 0, showprices},
    {"readprices", 0, readprices},
    {"writeprices", 0, writeprices},
    {"showorder", 1, showorder},
};
static_assert(slotted(regs), "every registered command needs a slot");
std::span<const CommandReg> prices_commands() { return regs; }
