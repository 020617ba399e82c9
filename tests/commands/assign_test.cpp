// From a design to assigned residues: the spectra simulated from real BMRB
// shifts, read back and assigned, in both models, with noise and lost peaks
// (never a wrong residue); the inputs that must be refused whole; and the
// report that shows the last assignment of its design only.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <regex>

#include "labeling/labeldata.h"
#include "testutil.h"

namespace {

using testutil::has;
using testutil::run;

std::string dir() { return testutil::tmppath("assign"); }

TEST(AssignPairs, SimulatedSpectraOfRealShiftsAreAssignedRightly) {
    struct Case {
        const char* protein;
        const char* spectra;
        double noise, drop;  // noise in tolerances
        double atleast;      // of the resolved unique pairs, assigned (a few have no shifts)
    };
    const Case cases[] = {
        {"ubiquitin", "hnco", 0, 0, 0.95},
        {"ci2", "hnco", 0, 0, 0.95},
        {"ubiquitin", "hsqc+hnco", 0, 0, 0.8},
        {"ci2", "hsqc+hnco", 0, 0, 0.9},
        {"ubiquitin", "hnco", 0.5, 0, 0.8},
        {"ubiquitin", "hsqc+hnco", 0.5, 0, 0},
        {"ci2", "hnco", 0.5, 0, 0},
        {"ubiquitin", "hnco", 0, 0.1, 0},
        {"ci2", "hsqc+hnco", 0, 0.1, 0},
    };
    const std::regex row(
        R"(\n +\S+ +([0-9.]+) +([0-9.]+) +\S+ +\S+ +[A-Z]{3} ([0-9]+) +(sure|likely))");
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.protein) + " " + c.spectra + " noise " +
                     std::to_string(c.noise) + " drop " + std::to_string(c.drop));
        testutil::SmallBudget small;
        testutil::withshifts(c.protein);
        const long resolved = testutil::number(
            testutil::typed("countuniquepairs iterations=0 seedvar=3 cutoff=5 spectra=" +
                            std::string(c.spectra)),
            "resolves ([0-9]+) of");
        const std::string base = dir() + "_" + c.spectra;
        const std::string sim =
            run("simulatepeaks", {"file=" + base, "noiseh=" + std::to_string(0.03 * c.noise),
                                  "noisen=" + std::to_string(0.3 * c.noise),
                                  "noisec=" + std::to_string(0.2 * c.noise),
                                  "drop=" + std::to_string(c.drop), "seed=5"});
        ASSERT_FALSE(haverr()) << sim;
        const std::string out = run("assignpairs", {"table=" + base + ".spectra", "observed"});
        ASSERT_FALSE(haverr()) << out;
        int assigned = 0;
        for (auto it = std::sregex_iterator(out.begin(), out.end(), row);
             it != std::sregex_iterator(); ++it, ++assigned) {
            // At the residue's position: within the tolerances, and as far
            // again as the noise can carry the peaks' mean.
            const int number = std::stoi((*it)[3]);
            const double reach = 1 + 2 * c.noise;
            EXPECT_NEAR(std::stod((*it)[1]), testutil::shift(number, "H"), 0.03 * reach + 1e-3)
                << "residue " << number << "\n"
                << out;
            EXPECT_NEAR(std::stod((*it)[2]), testutil::shift(number, "N"), 0.3 * reach + 1e-2)
                << "residue " << number;
        }
        EXPECT_GE(assigned, c.atleast * static_cast<double>(resolved)) << out;
        if (c.drop > 0) {
            EXPECT_TRUE(has(out, "the design predicts")) << out;
        }
    }
}

TEST(AssignPairs, BadInputIsRefusedWhole) {
    testutil::SmallBudget small;
    testutil::withshifts("ubiquitin");
    testutil::typed("countuniquepairs iterations=0 seedvar=3 cutoff=3 spectra=hsqc+hnco");
    const std::string base = dir() + "_bad";
    run("simulatepeaks", {"file=" + base});
    const std::string s1 = base + "_s1_hsqc.list", s1c = base + "_s1_hnco.list";
    const std::string table = testutil::slurp(base + ".spectra");
    auto tablewith = [&](const std::string& from, const std::string& to) {
        std::string t = table;
        t.replace(t.find(from), from.size(), to);
        static int n = 0;
        return testutil::writefile("bad" + std::to_string(++n) + ".spectra", t);
    };
    const std::string good = testutil::slurp(s1);
    struct Case {
        const char* name;
        std::string tablefile;
        std::string listtext;  // written over sample 1's HSQC list when not empty
        const char* says;
    };
    const std::string hsqcname = s1.substr(s1.rfind('/') + 1);
    const std::string hnconame = s1c.substr(s1c.rfind('/') + 1);
    const Case cases[] = {
        {"no such table", base + ".nothing", "", "cannot be opened"},
        {"a missing list", tablewith(hsqcname, "missing.list"), "", "cannot be opened"},
        {"a bad table line", tablewith("1  hsqc", "1  noesy"), "", "line 3"},
        {"a sample outside the design", tablewith("1  hsqc", "9  hsqc"), "", "names sample 9"},
        {"a spectrum missing", tablewith("1  hsqc  " + hsqcname + "\n", ""), "",
         "lacks hsqc of sample 1"},
        {"an HNCO list as HSQC", tablewith(hsqcname, hnconame), "", "given as an HSQC"},
        {"a bad peak line", base + ".spectra", good + "   x 8.1 120\n", "line"},
    };
    for (const Case& c : cases) {
        if (!c.listtext.empty()) std::ofstream(s1) << c.listtext;
        std::remove((base + "_ass.txt").c_str());
        const std::string out =
            run("assignpairs", {"table=" + c.tablefile, "file=" + base + "_ass.txt"});
        EXPECT_TRUE(haverr()) << c.name;
        EXPECT_TRUE(has(out, c.says)) << c.name << ": " << out;
        EXPECT_EQ(testutil::slurp(base + "_ass.txt"), "") << c.name;
        if (!c.listtext.empty()) {
            EXPECT_TRUE(has(out, s1)) << c.name << ": the file is named";
            std::ofstream(s1) << good;
        }
    }
}

TEST(AssignPairs, ReportShowsTheLastAssignmentOfTheDesignItWasReadThrough) {
    testutil::SmallBudget small;
    auto design = [] {
        testutil::withshifts("ubiquitin");
        testutil::typed("countuniquepairs iterations=0 seedvar=3 cutoff=5");
    };
    // The table's name comes from the user: the page escapes it.
    const std::string base = dir() + "_r<&", page = dir() + "_report.html";
    auto report = [&] {
        const std::string out = run("writereport", {"file=" + page});
        EXPECT_FALSE(haverr()) << out;
        return out;
    };
    design();
    report();
    const std::string plain = testutil::slurp(page);
    EXPECT_FALSE(has(plain, "Assign"));
    run("simulatepeaks", {"file=" + base, "drop=0.1", "seed=5"});
    auto assign = [&] {
        const std::string out = run("assignpairs", {"table=" + base + ".spectra"});
        EXPECT_FALSE(haverr()) << out;
        return out;
    };
    const std::string out = assign();
    const std::vector<long> n = testutil::numbers(
        out,
        "Assigned: ([0-9]+) sure, ([0-9]+) likely; ([0-9]+) ambiguous, ([0-9]+) shared, "
        "([0-9]+) without a code");
    ASSERT_EQ(n.size(), 5u) << out;
    report();
    const std::string shown = testutil::slurp(page);
    const std::string keys[] = {"sure", "likely", "ambiguous", "shared", "nocode"};
    for (size_t v = 0; v < 5; ++v) {
        SCOPED_TRACE(keys[v]);
        EXPECT_TRUE(has(shown, "id=\"assign-" + keys[v] + "\">" + std::to_string(n[v]) + "<"));
        EXPECT_EQ(testutil::count(shown, "<tr class=\"" + keys[v] + "\">"), n[v]);
        // Each assigned residue is marked in the sequence.
        if (v < 2) {
            EXPECT_EQ(testutil::count(shown, " assigned, " + keys[v] + "\""), n[v]);
        }
    }
    EXPECT_GT(n[0] + n[1], 0) << out;
    EXPECT_TRUE(has(shown, "id=\"assign-differ\""));  // peaks were dropped
    EXPECT_TRUE(has(shown, "_r&lt;&amp;.spectra"));
    EXPECT_FALSE(has(shown, "_r<&"));
    report();
    EXPECT_EQ(testutil::slurp(page), shown) << "kept while the design stays";

    const std::string lab = testutil::writefile("other.lab", "   15   18    1\n    0    0    0\n");
    // A new design in the slot, a labeling read into it, a new sequence.
    for (const std::string& change : std::vector<std::string>{
             "countuniquepairs iterations=0 seedvar=3 cutoff=4",
             "readlabel file=" + lab + " rank=1", "read " + testutil::example("ci2.fasta")}) {
        design();
        assign();
        testutil::typed(change);
        EXPECT_TRUE(has(report(), "earlier design")) << change;
        EXPECT_FALSE(has(testutil::slurp(page), "Assign")) << change;
        EXPECT_FALSE(has(report(), "earlier design")) << change << ": dropped";
    }
    design();
    report();
    EXPECT_EQ(testutil::slurp(page), plain);
}

}  // namespace
