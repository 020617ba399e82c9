// Designs recorded as HSQC and HNCO spectra: what the slots keep, what the
// reports and the code book show, the label table files, sessions, and the
// spectra option.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "kemlang/params.h"
#include "kemlang/vars.h"
#include "labeling/slots.h"
#include "labelio/html.h"
#include "labelio/session.h"
#include "testutil.h"

namespace {

using testutil::run;

constexpr int kAla = 1, kGly = 9, kLeu = 12, kLys = 13, kPro = 16, kSer = 17, kThr = 18;

// ALA GLY SER LEU ALA GLY THR LYS PRO on two samples. GLY-SER has its HNCO
// peak in sample 1 (the one entry); SER-LEU and GLY-THR share an HSQC peak
// alone in sample 2; LEU-ALA shows HSQC peaks in both samples, THR-LYS in
// sample 1; ALA-GLY (twice) has no 15N, and LYS-PRO shows nothing although
// PRO carries 15N in sample 1.
void handmade(int rank) {
    testutil::molecule("ALA GLY SER LEU ALA GLY THR LYS PRO");
    Selection base;
    TypeMatrix uniqs{};
    annotatepairs(kemradata, labdata, base, uniqs, Bans::on, 1, false);
    auto s = std::make_unique<Schedule>();
    ASSERT_TRUE(modelof("hsqc+hnco", asnameconverttonumber(kemradata, "PRO"), s->model));
    addentry(s->samples[1], kGly, kSer, 1);
    for (auto [t, n] : {std::pair{kLeu, 2}, {kThr, 2}, {kLys, 1}, {kAla, 3}, {kPro, 1}})
        s->extra.n[t] = static_cast<uint32_t>(n);
    export_pairs(*s, uniqs, rank, labdata);
}

// Empties the slots and nothing else (the molecule's fields stay).
void clearslots() {
    labdata.ilabelsize.fill(0);
    for (auto* a : {&labdata.ias_front, &labdata.ias_end, &labdata.ischedulenr, &labdata.ioccur})
        for (auto& slot : *a) slot.fill(0);
    labdata.slotmodel.fill(Model());
    labdata.slotextra.fill(Labels());
}

void expectsameslots(const LabelData& a, const LabelData& b, const std::string& what) {
    EXPECT_EQ(a.ilabelsize, b.ilabelsize) << what;
    EXPECT_EQ(a.ias_front, b.ias_front) << what;
    EXPECT_EQ(a.ias_end, b.ias_end) << what;
    EXPECT_EQ(a.ischedulenr, b.ischedulenr) << what;
    EXPECT_EQ(a.slotmodel, b.slotmodel) << what;
    EXPECT_EQ(a.slotextra, b.slotextra) << what;
}

TEST(TwoSpectrumSlot, KeepsModelAndExtraLabels) {
    clearslots();
    handmade(3);
    EXPECT_EQ(labdata.ilabelsize[3], 1);
    EXPECT_TRUE(labdata.slotmodel[3].twospectra());
    EXPECT_EQ(labdata.slotextra[3].n[kAla], 3u);
    EXPECT_EQ(labdata.slotextra[3].n[kSer], 0u);  // implied by the entry
    run("copyschedule", {"origin=3", "destin=5"});
    auto s = std::make_unique<Schedule>();
    import_pairs(labdata, 5, *s);
    EXPECT_TRUE(s->model.twospectra());
    EXPECT_EQ(schedulelabels(*s).n[kPro], 1u);
}

TEST(TwoSpectrumReports, ResidueTableShowsTheThreeStates) {
    clearslots();
    handmade(1);
    EXPECT_EQ(run("showlabel", {"rank=1"}),
              "AA# Name Marker AAScore Paired with Labelpattern\n"
              "  1 ALA       0 2\n"
              "  2 GLY       0 1   SER   X_________\n"
              "  3 SER       0 1   LEU   _H________\n"
              "  4 LEU       0 1   ALA   HH________\n"
              "  5 ALA       0 2\n"
              "  6 GLY       0 1   THR   _H________\n"
              "  7 THR       0 1   LYS   H_________\n"
              "  8 LYS       0 1\n"
              "  9 PRO       0 0\n"
              "Max:  3 Samples  2 Total # Peaks  6\n"
              "Occ.  :211121110\n"
              "Ass.  :_XXX_XX__\n"
              "Seq.  :AGSLAGTKP\n"
              "Smpl 1:_X_H__H__\n"
              "Smpl 2:__HH_H___\n"
              " Pattern: _ no peak, H HSQC peak only, X HSQC and HNCO peaks\n");
    std::string pairs = run("showpairs", {"rank=1"});
    EXPECT_NE(pairs.find("\"SER\" \"LEU\" \"_H________\""), std::string::npos) << pairs;
    EXPECT_NE(pairs.find("Uniqe Pairs: 3"), std::string::npos) << pairs;
    std::string sample = run("showsample", {"samplenr=1"});
    EXPECT_NE(sample.find(" labelling Nr 2\n extra ALA   N15\n extra LEU   N15\n"),
              std::string::npos)
        << sample;
}

// Every form is bought, the 15N for an HSQC peak alone included.
TEST(TwoSpectrumReports, RecipeBuysTheHsqcLabels) {
    clearslots();
    handmade(1);
    std::string r = run("showrecipe", {"rank=1"});
    EXPECT_NE(r.find("Labeling nr. 1\nLabel C13\nGLY\n333\nLabel N15\nSER ALA LYS PRO\n2649\n"),
              std::string::npos)
        << r;
    EXPECT_NE(r.find("Labeling nr. 2\nLabel C13\n \n0\nLabel N15\nALA LEU THR\n1049\n"),
              std::string::npos)
        << r;
    EXPECT_NE(r.find("Total price of all samples: 4031\n"), std::string::npos);
    for (const char* row : {"ALA|NN|", "GLY|C.|", "LEU|.N|", "PRO|N.|", "SER|N.|"})
        EXPECT_NE(r.find(row), std::string::npos) << row;
}

TEST(TwoSpectrumReports, ReportPageHoldsTheStatesAndTheCodeBook) {
    clearslots();
    handmade(1);
    std::string page = report_html("design", 1, labdata, kemradata);
    auto count = [&](const std::string& what) {
        size_t n = 0;
        for (size_t p = page.find(what); p != std::string::npos; p = page.find(what, p + 1)) ++n;
        return n;
    };
    EXPECT_EQ(count("class=\"on\""), 1u);    // GLY-SER in sample 1
    EXPECT_EQ(count("class=\"hsqc\""), 5u);  // HSQC peaks alone
    EXPECT_NE(page.find("Total price of all samples: 4031<"), std::string::npos);
    EXPECT_NE(page.find("id=\"count-resolved\">3<"), std::string::npos);
    EXPECT_NE(page.find("<tr><td class=\"pattern\">_H</td><td>GLY</td><td>THR</td><td>7</td>"
                        "<td>shared by 2 pairs</td></tr>"),
              std::string::npos);
}

TEST(CodeBook, ListsCodesSharedOnesAndUnseenPairs) {
    clearslots();
    handmade(1);
    EXPECT_EQ(
        run("showcodes", {"rank=1"}),
        "Code book of labeling 1: HSQC and HNCO, 2 samples\n"
        "Code  Pair        Residues    Note\n"
        "_H    GLY  THR    7           shared by 2 pairs\n"
        "_H    SER  LEU    4           shared by 2 pairs\n"
        "H_    THR  LYS    8           unique\n"
        "HH    LEU  ALA    5           unique\n"
        "X_    GLY  SER    3           unique\n"
        "__    ALA  GLY    2 6         not seen\n"
        "__    LYS  PRO    9           not seen\n"
        "Codes: 4 seen, 1 shared by several pairs; residues told apart: 3; pairs not seen: 2.\n"
        " Pattern: _ no peak, H HSQC peak only, X HSQC and HNCO peaks\n");
    // An HNCO labeling: the codes are its sample masks, no legend.
    testutil::molecule("ALA GLY SER LEU ALA GLY");
    std::string f = testutil::writefile(
        "codes.lab", "    9   17    1\n   17   12    2\n   12    1    3\n    0    0    0\n");
    run("readlabel", {"filename=" + f});
    EXPECT_EQ(
        run("showcodes", {}),
        "Code book of labeling 1: HNCO, 2 samples\n"
        "Code  Pair        Residues    Note\n"
        "_X    SER  LEU    4           unique\n"
        "X_    GLY  SER    3           unique\n"
        "XX    LEU  ALA    5           unique\n"
        "__    ALA  GLY    2 6         not seen\n"
        "Codes: 3 seen, 0 shared by several pairs; residues told apart: 3; pairs not seen: 1.\n");
}

TEST(LabelTable, WriteThenReadGivesTheSameSlots) {
    clearslots();
    handmade(2);
    labdata.ilabelsize[1] = 1;  // an HNCO labeling beside it keeps its lines
    labdata.ias_front[1][1] = kGly, labdata.ias_end[1][1] = kSer, labdata.ischedulenr[1][1] = 5;
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
        EXPECT_NE(text.find(row), std::string::npos) << row;
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
    clearslots();
    handmade(4);
    for (const Case& c : cases) {
        std::string f = testutil::writefile("bad.lab", c.text);
        const auto before = std::make_unique<LabelData>(labdata);
        std::string out = run("readlabel", {"filename=" + f});
        EXPECT_NE(out.find("*** ERROR: " + c.message + " \"" + f + "\""), std::string::npos)
            << c.text << out;
        expectsameslots(labdata, *before, c.text);
    }
}

TEST(Spectra, UnknownWordIsAnErrorAndNothingRuns) {
    clearslots();
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
        EXPECT_NE(out.find(says), std::string::npos) << c.command << out;
        EXPECT_NE(out.find("\"hnco\""), std::string::npos) << out;
        EXPECT_NE(out.find("\"hsqc+hnco\""), std::string::npos) << out;
        EXPECT_EQ(out.find("Time:(hms)"), std::string::npos) << out;
        EXPECT_EQ(out.find("total class score"), std::string::npos) << out;
        expectsameslots(labdata, *before, c.command);
    }
    // The word decides how slot 1 is judged.
    setcmd("scorethis");
    EXPECT_NE(run("scorethis", {"spectra=hsqc+hnco"}), run("scorethis", {}));
}

// A session keeps the designs after its usual lines; one of HNCO labelings
// has no such part.
TEST(TwoSpectrumSession, DesignsComeBack) {
    auto old = std::filesystem::current_path();
    auto dir =
        std::filesystem::path(::testing::TempDir()) / ("twospec_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);
    clearslots();
    run("writesession", {});
    EXPECT_EQ(testutil::slurp("session.s").size(), static_cast<size_t>(kSessionLines) * 6);
    handmade(6);
    run("writesession", {});
    std::string text = testutil::slurp("session.s");
    EXPECT_EQ(text.size(), static_cast<size_t>(kSessionLines + kSessionDesignLines) * 6 + 10);
    EXPECT_EQ(text.substr(static_cast<size_t>(kSessionLines) * 6, 10), "# designs\n");
    const auto before = std::make_unique<LabelData>(labdata);
    clearslots();
    std::string out = run("readsession", {});
    EXPECT_EQ(out.find("ERROR"), std::string::npos) << out;
    expectsameslots(labdata, *before, "session");
    std::filesystem::current_path(old);
    std::filesystem::remove_all(dir);
}

}  // namespace
