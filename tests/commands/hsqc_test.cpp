// Designs recorded as HSQC and HNCO spectra: the report page, the label
// table files and the spectra option.
#include <gtest/gtest.h>

#include <memory>

#include "kemlang/params.h"
#include "kemlang/vars.h"
#include "labeling/slots.h"
#include "labelio/html.h"
#include "testutil.h"

namespace {

using testutil::has;
using testutil::run;

constexpr int kAla = 1, kGly = 9, kLeu = 12, kLys = 13, kPro = 16, kSer = 17, kThr = 18;

// Empties the slots and nothing else (the molecule's fields stay).
void clearslots() {
    labdata.ilabelsize.fill(0);
    for (auto* a : {&labdata.ias_front, &labdata.ias_end, &labdata.ischedulenr, &labdata.ioccur})
        for (auto& slot : *a) slot.fill(0);
    labdata.slotmodel.fill(Model());
    labdata.slotextra.fill(Labels());
}

// ALA GLY SER LEU ALA GLY THR LYS PRO on two samples. GLY-SER has its HNCO
// peak in sample 1 (the one entry); SER-LEU and GLY-THR share an HSQC peak
// alone in sample 2; LEU-ALA shows HSQC peaks in both samples, THR-LYS in
// sample 1; ALA-GLY (twice) has no 15N, and LYS-PRO shows nothing although
// PRO carries 15N in sample 1.
void handmade(int rank) {
    clearslots();
    testutil::molecule("ALA GLY SER LEU ALA GLY THR LYS PRO");
    const testutil::Pairs p(Bans::on);
    auto s = std::make_unique<Schedule>();
    ASSERT_TRUE(modelof("hsqc+hnco", asnameconverttonumber(kemradata, "PRO"), s->model));
    addentry(s->samples[1], kGly, kSer, 1);
    for (auto [t, n] : {std::pair{kLeu, 2}, {kThr, 2}, {kLys, 1}, {kAla, 3}, {kPro, 1}})
        s->extra.n[t] = static_cast<uint32_t>(n);
    export_pairs(*s, p.uniqs, rank, labdata);
}

void expectsameslots(const LabelData& a, const LabelData& b, const std::string& what) {
    EXPECT_EQ(a.ilabelsize, b.ilabelsize) << what;
    EXPECT_EQ(a.ias_front, b.ias_front) << what;
    EXPECT_EQ(a.ias_end, b.ias_end) << what;
    EXPECT_EQ(a.ischedulenr, b.ischedulenr) << what;
    EXPECT_EQ(a.slotmodel, b.slotmodel) << what;
    EXPECT_EQ(a.slotextra, b.slotextra) << what;
}

TEST(TwoSpectrumReports, ReportPageHoldsTheStatesAndTheCodeBook) {
    handmade(1);
    std::string page = report_html("design", 1, labdata, kemradata);
    EXPECT_EQ(testutil::count(page, "class=\"on\""), 1);    // GLY-SER in sample 1
    EXPECT_EQ(testutil::count(page, "class=\"hsqc\""), 5);  // HSQC peaks alone
    EXPECT_TRUE(has(page, "Total price of all samples: 4031<"));
    EXPECT_TRUE(has(page, "id=\"count-resolved\">3<"));
    EXPECT_TRUE(has(page,
                    "<tr><td class=\"pattern\">_H</td><td>GLY</td><td>THR</td><td>7</td>"
                    "<td>shared by 2 pairs</td></tr>"));
}

TEST(LabelTable, WriteThenReadGivesTheSameSlots) {
    handmade(2);
    testutil::setslot(1, {{kGly, kSer, 5}});  // an HNCO labeling beside it keeps its lines
    std::string f = testutil::writefile("table.lab", "");
    run("writelabel", {"filename=" + f});
    std::string text = testutil::slurp(f);
    EXPECT_EQ(text.rfind("    9   17    5\n    0    0    0\n"
                         "# quilter label table: spectra=hsqc+hnco samples=2\n"
                         "ALA   NN\nARG   ..\n",
                         0),
              0u)
        << text;
    for (const char* row : {"\nGLY   C.\n", "\nPRO   N.\n", "\nSER   N.\n", "\nVAL   ..\n"})
        EXPECT_TRUE(has(text, row)) << row;
    const auto before = std::make_unique<LabelData>(labdata);
    clearslots();
    EXPECT_EQ(run("readlabel", {"filename=" + f}), "opening file '" + f + "'\n file opened\n");
    expectsameslots(labdata, *before, "read back");
    EXPECT_EQ(labdata.ioccur[2], before->ioccur[2]);
}

TEST(LabelTable, BadLineIsRefusedWhole) {
    const std::string head = "# quilter label table: spectra=hsqc+hnco samples=2\n";
    struct Case {
        std::string text, message;
    } cases[] = {
        {"# quilter label table: spectra=hsqc+hnco\n", "Line 1 of"},
        {"# quilter label table: spectra=hsqc samples=2\n", "Line 1 of"},
        {"# quilter label table: spectra=hnco samples=21\n", "Line 1 of"},
        {head + "ALA   NN\nXYZ   ..\n", "Line 3 of"},
        {head + "ALA   NNN\n", "Line 2 of"},
        {head + "ALA   NQ\n", "Line 2 of"},
        {head + "ALA   NN\nALA   ..\n", "Line 3 of"},
        {head + "    9   17    1\n", "Line 2 of"},
        {"    9   17    1\n" + head, "Line 2 of"},
        {"    9   17    1\n    0    0    0\n" + head + "GLY  C. extra\n", "Line 4 of"},
    };
    handmade(4);
    for (const Case& c : cases) {
        std::string f = testutil::writefile("bad.lab", c.text);
        const auto before = std::make_unique<LabelData>(labdata);
        std::string out = run("readlabel", {"filename=" + f});
        EXPECT_TRUE(has(out, "*** ERROR: " + c.message + " \"" + f + "\"")) << c.text << out;
        expectsameslots(labdata, *before, c.text);
    }
}

TEST(Spectra, UnknownWordIsAnErrorAndNothingRuns) {
    handmade(1);
    const auto before = std::make_unique<LabelData>(labdata);
    const std::string says = "*** ERROR: Parameter \"spectra\" is \"";
    struct Case {
        std::string command, word, variable;
    } cases[] = {
        {"countuniquepairs", "spectra=hsqc", ""},
        {"countuniquepairs", "", "hsqc+"},
        {"scorethis", "spectra=HNCO", ""},
        {"scorethis", "", "nmr"},
    };
    for (const Case& c : cases) {
        setcmd(c.command);
        if (!c.variable.empty()) setvar(c.command + "_spectra", c.variable, kVarGlobal);
        std::vector<std::string> words;
        if (!c.word.empty()) words.push_back(c.word);
        std::string out = run(c.command, words);
        unsetvar(c.command + "_spectra");
        EXPECT_TRUE(has(out, says)) << c.command << out;
        EXPECT_TRUE(has(out, "\"hnco\"")) << out;
        EXPECT_TRUE(has(out, "\"hsqc+hnco\"")) << out;
        EXPECT_FALSE(has(out, "Time:(hms)")) << out;
        EXPECT_FALSE(has(out, "total class score")) << out;
        expectsameslots(labdata, *before, c.command);
    }
    // The word decides how slot 1 is judged.
    setcmd("scorethis");
    EXPECT_NE(run("scorethis", {"spectra=hsqc+hnco"}), run("scorethis", {}));
}

}  // namespace
