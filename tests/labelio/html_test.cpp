// The HTML report page: self-contained, escaped, and holding what the
// console reports say about the same labeling.
#include "labelio/html.h"

#include <gtest/gtest.h>

#include <regex>

#include "testutil.h"

namespace {

using testutil::count;
using testutil::has;

TEST(HtmlReport, PageOfAHandWrittenLabeling) {
    testutil::molecule(testutil::kFragment);
    labdata.ilabelsize.fill(0);
    // ILE-PHE in sample 1, THR-LEU and LEU-THR share samples 1 and 3 (not
    // resolved), CYS-VAL does not occur, sample 2 is empty.
    testutil::setslot(2, {{11, 15, 1}, {18, 12, 5}, {12, 18, 5}, {5, 21, 4}});
    std::string page = report_html("A<b>&\"x\"", 2, labdata, kemradata);
    EXPECT_FALSE(has(page, "<script"));
    EXPECT_FALSE(has(page, "src="));
    EXPECT_FALSE(has(page, "href="));
    EXPECT_TRUE(has(page, "<h1 id=\"protein\">A&lt;b&gt;&amp;&quot;x&quot;</h1>"));
    EXPECT_TRUE(has(page, "12 residues, labeling 2 in 3 samples"));
    // Three grid rows; sample 2 has no filled cell.
    EXPECT_EQ(count(page, "class=\"sample-row\""), 3);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(page, m, std::regex("data-sample=\"2\">.*?</g>")));
    EXPECT_EQ(count(m.str(), "class=\"on\""), 0);
    ASSERT_TRUE(std::regex_search(page, m, std::regex("data-sample=\"1\">.*?</g>")));
    EXPECT_EQ(count(m.str(), "class=\"on\""), 3);  // residues 3, 7 and 8
    // Seven unique pairs marked, one of them resolved.
    EXPECT_EQ(count(page, "\" title=\""), 7);
    EXPECT_EQ(count(page, "<span class=\"u r\" title=\"ILE-PHE\">I</span>"), 1);
    EXPECT_EQ(count(page, "<span class=\"u r\" title="), 1);
    EXPECT_TRUE(has(page, "id=\"count-peaks\">1: 3, 2: 0, 3: 2<"));
    EXPECT_TRUE(has(page, "<td class=\"pattern\">X_X</td>"));
}

// Slot 1 holds the given entries (front, end, mask) and was designed on the
// given pair analysis.
void slot1(const std::vector<std::array<int, 3>>& entries, Analysis how) {
    labdata.ilabelsize.fill(0);
    testutil::setslot(1, entries);
    labdata.slotanalysis[1] = how;
}

long number(const std::string& page, const std::string& id) {
    return testutil::number(page, "id=\"" + id + "\">([0-9]+)<");
}

// The pairs table's Unique and Resolved cells, row by row.
std::vector<std::pair<bool, bool>> pairrows(const std::string& page) {
    std::string table = page.substr(page.find("<table id=\"pairs\">"));
    table = table.substr(0, table.find("</table>"));
    std::vector<std::pair<bool, bool>> rows;
    std::regex row("<td>(yes|)</td><td>(yes|)</td></tr>");
    for (auto it = std::sregex_iterator(table.begin(), table.end(), row);
         it != std::sregex_iterator(); ++it)
        rows.push_back({(*it)[1] == "yes", (*it)[2] == "yes"});
    return rows;
}

// A pair with ASP counts as unique and resolved exactly when the design was
// made without the ban, and every column of the page says the same.
TEST(HtmlReport, CountsFollowTheDesignsPairAnalysis) {
    constexpr int kAla = 1, kAsp = 4, kGly = 9, kSer = 17, kLeu = 12;
    testutil::molecule("ALA ASP GLY SER LEU ALA");
    // ASP-GLY alone in sample 1, GLY-SER alone in sample 2, SER-LEU in both.
    const std::vector<std::array<int, 3>> entries = {
        {kAsp, kGly, 1}, {kGly, kSer, 2}, {kSer, kLeu, 3}, {kLeu, kAla, 4}};
    struct Case {
        Analysis how;
        int unique, resolved;
        const char* analysis;
    } cases[] = {
        {Analysis{true, 1}, 3, 3, "pairs with ASP, ASN, GLU, GLN or PRO left out"},
        {Analysis{false, 1}, 5, 4, "every residue type"},
        {Analysis{false, 2}, 5, 4, "every residue type, repeat limit 2"},
    };
    for (const Case& c : cases) {
        slot1(entries, c.how);
        std::string page = report_html("P", 1, labdata, kemradata);
        EXPECT_EQ(number(page, "count-unique"), c.unique) << c.analysis;
        EXPECT_EQ(number(page, "count-resolved"), c.resolved) << c.analysis;
        EXPECT_TRUE(has(page, "id=\"count-analysis\">" + std::string(c.analysis) + "<"))
            << c.analysis;
        // The sequence marks each unique pair once, the resolved ones green.
        EXPECT_EQ(count(page, "\" title=\""), c.unique) << c.analysis;
        EXPECT_EQ(count(page, "<span class=\"u r\" title="), c.resolved) << c.analysis;
        int resolvedrows = 0;
        for (auto [unique, resolved] : pairrows(page)) {
            EXPECT_TRUE(unique || !resolved) << c.analysis;
            resolvedrows += resolved;
        }
        EXPECT_EQ(resolvedrows, c.resolved) << c.analysis;
        EXPECT_EQ(count(page, "<span class=\"u r\" title=\"ASP-GLY\">D</span>"),
                  c.how.banned ? 0 : 1)
            << c.analysis;
    }
}

// The grid comes in blocks of 50 residues, each as wide as a page holds,
// together covering every residue once.
TEST(HtmlReport, GridComesInBlocksAPageHolds) {
    std::string seq;
    for (int i = 0; i < 30; ++i) seq += "ALA GLY SER LEU\n";
    testutil::molecule(seq);
    slot1({{1, 9, 1}, {17, 12, 2}}, Analysis());
    std::string page = report_html("P", 1, labdata, kemradata);
    std::regex block(
        "<svg class=\"block\" data-first=\"([0-9]+)\" data-last=\"([0-9]+)\"[^>]*"
        "width=\"([0-9]+)\"[^>]*>([\\s\\S]*?)</svg>");
    std::vector<int> firsts, lasts;
    int on = 0;
    for (auto it = std::sregex_iterator(page.begin(), page.end(), block);
         it != std::sregex_iterator(); ++it) {
        int first = std::stoi((*it)[1]), last = std::stoi((*it)[2]);
        firsts.push_back(first), lasts.push_back(last);
        EXPECT_LE(std::stoi((*it)[3]), 600) << first;
        std::string body = (*it)[4];
        EXPECT_EQ(count(body, "class=\"sample-row\""), 2) << first;
        EXPECT_EQ(count(body, "<rect "), 2 * (last - first + 1)) << first;
        on += count(body, "class=\"on\"");
    }
    EXPECT_EQ(firsts, (std::vector<int>{1, 51, 101}));
    EXPECT_EQ(lasts, (std::vector<int>{50, 100, 120}));
    EXPECT_EQ(on, 30 + 30);  // ALA-GLY in sample 1, SER-LEU in sample 2
    EXPECT_FALSE(has(page, "overflow"));
}

}  // namespace
