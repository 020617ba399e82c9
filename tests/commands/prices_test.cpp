// Prices as every report shows them, the price file, forms that are not
// offered, and the order sheet.
#include <gtest/gtest.h>

#include <regex>

#include "labelio/order.h"
#include "labelio/pricefile.h"
#include "testutil.h"

namespace {

using testutil::has;
using testutil::kFragment;
using testutil::number;
using testutil::run;
using testutil::setslot;

long recipetotal(int rank) {
    return number(run("showrecipe", {"rank=" + std::to_string(rank)}),
                  "Total price of all samples: (\\d+)");
}

long ordertotal(int rank) {
    return number(run("showorder", {"rank=" + std::to_string(rank)}), "mg, price (\\d+)\n");
}

// Each row its own prices, so that a look-up in the wrong row shows.
void distinctprices() {
    for (int r = 1; r <= kTypes; ++r) {
        labdata.price_catoms[r] = 1000 + r;
        labdata.price_natoms[r] = 2000 + r;
        labdata.price_bothatoms[r] = 3000 + r;
    }
}

TEST(Prices, EveryTypeByItsOwnRowInRecipeAndOrder) {
    testutil::molecule(kFragment);
    distinctprices();
    for (int t = 1; t <= kTypes; ++t) {
        const int u = t == 9 ? 1 : 9;  // another type for the 15N
        // Sample 1: t 13C, u 15N; sample 2: t both.
        setslot(1, {{t, u, 1}, {t, t, 2}});
        const long want = (1000 + t) + (2000 + u) + (3000 + t);
        EXPECT_EQ(recipetotal(1), want) << t;
        const std::string order = run("showorder", {"rank=1"});
        EXPECT_EQ(number(order, "mg, price (\\d+)\n"), want) << t;
        const std::string name = typename_of(kemradata, t);
        EXPECT_TRUE(has(order, name + std::string(6 - name.size(), ' ') + "1-13C ")) << order;
        EXPECT_TRUE(has(order, std::to_string(3000 + t) + "\n")) << order;
    }
    // VAL 13C and LYS 15N in eight samples: a price set reaches recipe and order.
    setslot(2, {{21, 13, 255}});
    run("setprice", {"asname=VAL", "price=5000", "C13"});
    EXPECT_EQ(recipetotal(2), 8 * (5000 + 2013));
    EXPECT_EQ(ordertotal(2), recipetotal(2));
    // Sample 2 empty: the recipe stops before sample 3 and says what the
    // whole labeling costs; the order buys sample 3 too.
    setslot(4, {{11, 15, 1}, {12, 18, 4}});
    const std::string gap = run("showrecipe", {"rank=4"});
    EXPECT_EQ(number(gap, "The whole labeling costs (\\d+),"), 1011 + 2015 + 1012 + 2018);
    EXPECT_EQ(ordertotal(4), 1011 + 2015 + 1012 + 2018);
}

TEST(PriceFile, RoundTripAndEverySequenceStartsFromTheTableRead) {
    testutil::molecule(kFragment);
    EXPECT_EQ(currentprices(labdata), builtinprices());
    distinctprices();
    labdata.price_catoms[12] = kNotOffered;
    labdata.price_unit = "EUR per sample of 0.5 L culture, \"list\" prices";
    const PriceSheet mine = currentprices(labdata);
    const std::string file = testutil::tmppath("prices.csv");
    EXPECT_FALSE(has(run("writeprices", {"file=" + file}), "***"));
    testutil::molecule(kFragment);  // a new sequence: the built-in table again
    EXPECT_EQ(currentprices(labdata), builtinprices());
    EXPECT_FALSE(has(run("readprices", {"file=" + file}), "***"));
    EXPECT_EQ(currentprices(labdata), mine);
    run("setprice", {"asname=ALA", "price=1", "C13"});
    testutil::molecule("ALA\nGLY\nALA");  // restores the table read, not setprice's
    EXPECT_EQ(currentprices(labdata), mine);
    // A spreadsheet's copy: marked, quoted, with CR line ends and rows out of order.
    std::string sheet = "\xEF\xBB\xBF\"unit\",\"USD, per sample\"\r\nType,13C,15N,Both\r\n\r\n";
    for (int t = kTypes; t >= 1; --t)
        sheet += std::string("\"") + pricerowname(t) + "\", 5," + std::to_string(t) + ",10000\r\n";
    EXPECT_FALSE(
        has(run("readprices", {"file=" + testutil::writefile("sheet.csv", sheet)}), "***"));
    EXPECT_EQ(labdata.price_unit, "USD, per sample");
    EXPECT_EQ(labdata.price_natoms[6], 6);
    EXPECT_EQ(labdata.price_bothatoms[21], kNotOffered);
    loadedprices = builtinprices();
}

// LEU, GLY and VAL are cheap and in most designs of ubiquitin: marked not
// offered in one form each, no labeling, recipe, report or order may use
// that form.
TEST(NotOffered, NoStoredLabelingRecipeReportOrOrderBuysIt) {
    testutil::SmallBudget small;
    for (const char* spectra : {"hnco", "hsqc+hnco"}) {
        testutil::molecule("ubiquitin.fasta");
        run("setprice", {"asname=LEU", "price=10000", "C13"});
        run("setprice", {"asname=GLY", "price=10000", "N15"});
        run("setprice", {"asname=THR", "price=12000", "BOTH"});
        run("setprice", {"asname=VAL", "price=10000", "C13"});  // row 21 counts too
        labdata.ilabelsize.fill(0);
        const std::string out = run("countuniquepairs", {"iterations=20", "seedvar=5", "cutoff=6",
                                                         std::string("spectra=") + spectra});
        ASSERT_FALSE(has(out, "*** ERROR")) << out;
        ASSERT_GT(labdata.ilabelsize[1], 0) << spectra;
        const long verdict = number(out, "recipe price (\\d+):");
        for (int r = 1; r <= kSlots && labdata.ilabelsize[r] > 0; ++r) {
            const std::string recipe = run("showrecipe", {"rank=" + std::to_string(r)});
            for (const char* form :
                 {"\nLEU\\|[^|]*C", "\nGLY\\|[^|]*N", "\nTHR\\|[^|]*B", "\nVAL\\|[^|]*C"})
                EXPECT_FALSE(std::regex_search(recipe, std::regex(form))) << recipe;
            const std::string order = run("showorder", {"rank=" + std::to_string(r)});
            EXPECT_FALSE(has(order, "not offered")) << order;  // marks any
        }
        const std::string page =
            testutil::tmppath(std::string("report_") + (spectra[1] == 'n' ? "1" : "2"));
        run("writereport", {"file=" + page, "rank=1"});
        const std::string html = testutil::slurp(page);
        // One labeling, one price; a recipe that stops at an empty sample says
        // what the whole labeling costs.
        const std::string recipe = run("showrecipe", {"rank=1"});
        if (recipe.find("*** WARNING") == std::string::npos)
            EXPECT_EQ(recipetotal(1), verdict) << spectra;
        else
            EXPECT_EQ(number(recipe, "The whole labeling costs (\\d+),"), verdict) << recipe;
        EXPECT_EQ(ordertotal(1), verdict) << spectra;
        EXPECT_EQ(number(html, "Total price of all samples: (\\d+)<"), verdict) << spectra;
    }
}

TEST(Order, AmountsMassesAndTwoSpectrumLabels) {
    testutil::molecule(kFragment);
    for (int r = 1; r <= kSlots; ++r) setslot(r, {});
    // Sample 1: ILE 13C, PHE 15N, THR both; sample 3: ILE 13C, PHE 15N.
    setslot(1, {{11, 15, 5}, {18, 18, 1}});
    // A two-spectrum design's extra 15N on GLY in sample 2.
    labdata.slotmodel[1].spectra = Spectra::hsqchnco;
    labdata.slotextra[1].n[9] = 2;
    const std::string out = run("showorder", {"rank=1", "volume=0.5", "conc=150"});
    EXPECT_FALSE(has(out, "***")) << out;
    EXPECT_TRUE(has(out, "3 samples of 0.500 L culture, 150.0 mg")) << out;
    // Per line: samples, mg, mmol, g/mol, price. 15N GLY is 75.067 + 0.993
    // g/mol, THR 119.120 + both.
    for (const char* line : {"\nGLY +15N +2 +75\\.0 +0\\.986 +76\\.060 +65\n",
                             "\nTHR +1-13C,15N +1 +75\\.0 +0\\.619 +121\\.105 +835\n"})
        EXPECT_TRUE(std::regex_search(out, std::regex(line))) << line << out;
    EXPECT_TRUE(has(out, "Total: 4 forms, 450.0 mg, price " +
                             std::to_string(2 * 259 + 2 * 35 + 65 + 835) + "\n"))
        << out;
    // A hand-made labeling that buys a form not offered is warned about.
    run("setprice", {"asname=PHE", "price=10000", "N15"});
    const std::string warned = run("showorder", {"rank=1"});
    EXPECT_TRUE(has(warned, "*** WARNING: Labeling 1 buys forms that are not offered: PHE 15N."))
        << warned;
    const std::pair<const char*, const char*> bad[] = {
        {"rank=11", "\"rank\" must lie in 1..10"},
        {"volume=0", "\"volume\" must be more than 0"},
        {"conc=-5", "\"conc\" must be more than 0"},
        {"rank=4", "Labeling 4 labels nothing"}};
    for (auto [word, says] : bad) {
        const std::string o = run("showorder", {word});
        EXPECT_TRUE(has(o, "*** ERROR: ")) << o;
        EXPECT_TRUE(has(o, says)) << o;
        EXPECT_FALSE(has(o, "Total:")) << o;
    }
}

}  // namespace
