// The HTML report page: self-contained, escaped, and holding what the
// console reports say about the same labeling.
#include "labelio/html.h"

#include <gtest/gtest.h>

#include <regex>

#include "testutil.h"

namespace {

size_t count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

TEST(HtmlReport, PageOfAHandWrittenLabeling) {
    testutil::molecule("MET\nGLN\nILE\nPHE\nVAL\nLYS\nTHR\nLEU\nTHR\nGLY\nLYS\nTHR");
    labdata.ilabelsize.fill(0);
    // ILE-PHE in sample 1, THR-LEU and LEU-THR share samples 1 and 3 (not
    // resolved), CYS-VAL does not occur, sample 2 is empty.
    int entries[][3] = {{11, 15, 1}, {18, 12, 5}, {12, 18, 5}, {5, 21, 4}};
    labdata.ilabelsize[2] = 4;
    for (int i = 0; i < 4; ++i) {
        labdata.ias_front[2][i + 1] = entries[i][0];
        labdata.ias_end[2][i + 1] = entries[i][1];
        labdata.ischedulenr[2][i + 1] = entries[i][2];
    }
    std::string page = report_html("A<b>&\"x\"", 2, labdata, kemradata);
    EXPECT_EQ(page.find("<script"), std::string::npos);
    EXPECT_EQ(page.find("src="), std::string::npos);
    EXPECT_EQ(page.find("href="), std::string::npos);
    EXPECT_NE(page.find("<h1 id=\"protein\">A&lt;b&gt;&amp;&quot;x&quot;</h1>"), std::string::npos);
    EXPECT_NE(page.find("12 residues, labeling 2 in 3 samples"), std::string::npos);
    // Three grid rows; sample 2 has no filled cell.
    EXPECT_EQ(count(page, "class=\"sample-row\""), 3u);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(page, m, std::regex("id=\"sample-2\">.*?</g>")));
    EXPECT_EQ(count(m.str(), "class=\"on\""), 0u);
    ASSERT_TRUE(std::regex_search(page, m, std::regex("id=\"sample-1\">.*?</g>")));
    EXPECT_EQ(count(m.str(), "class=\"on\""), 3u);  // residues 3, 7 and 8
    // Seven unique pairs marked, one of them resolved.
    EXPECT_EQ(count(page, "\" title=\""), 7u);
    EXPECT_EQ(count(page, "<span class=\"u r\" title=\"ILE-PHE\">I</span>"), 1u);
    EXPECT_EQ(count(page, "<span class=\"u r\" title="), 1u);
    EXPECT_NE(page.find("id=\"count-resolved\">1<"), std::string::npos);
    EXPECT_NE(page.find("id=\"count-peaks\">1: 3, 2: 0, 3: 2<"), std::string::npos);
    // Sample 1: ILE, THR, LEU with 13C and PHE, LEU, THR with 15N: THR and
    // LEU fully (835 + 961), ILE 259, PHE 35; sample 3: THR, LEU fully, CYS
    // 13C 218, VAL 15N 77.
    EXPECT_NE(page.find("Total price of all samples: " +
                        std::to_string(259 + 35 + 835 + 961 + 835 + 961 + 218 + 77) + "<"),
              std::string::npos);
    EXPECT_NE(page.find("<td class=\"pattern\">X_X</td>"), std::string::npos);
}

}  // namespace
