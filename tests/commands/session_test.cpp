// Session files: what a written session brings back, and files that must
// not change anything.
#include "labelio/session.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "testutil.h"

namespace {

using testutil::has;
using testutil::run;
using testutil::slurp;

// The commands use "session.s" of the current directory.
class Session : public ::testing::Test {
    testutil::InTempDir dir_{"session"};
};

void randomlabelings(std::mt19937& rng) {
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    LabelData& l = labdata;
    l.reset();
    for (int r = 1; r <= kSlots; ++r) {
        l.ilabelsize[r] = r == 3 ? kSlotEntries : pick(0, 200);
        for (int i = 1; i <= kSlotEntries; ++i) {
            l.ias_front[r][i] = pick(1, kTypes);
            l.ias_end[r][i] = pick(1, kTypes);
            l.ischedulenr[r][i] = pick(0, (1 << 20) - 1);
            l.ioccur[r][i] = pick(0, 30);
        }
    }
    for (int f = 1; f <= kTypes; ++f)
        for (int e = 1; e <= kTypes; ++e) l.iallowed_dupes[f][e] = pick(0, 99);
    l.ixtract = -42;
}

TEST_F(Session, ReadingBringsBackWhatWasWritten) {
    std::mt19937 rng(11);
    randomlabelings(rng);
    std::string out = run("writesession", {});
    EXPECT_EQ(out, " 1501\n 1502\n 1943\n");
    const LabelData saved = labdata;
    std::string text = slurp("session.s");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), kSessionLines);
    EXPECT_EQ(text.substr(0, 6),
              std::string(5 - std::to_string(saved.ias_front[1][1]).size(), ' ') +
                  std::to_string(saved.ias_front[1][1]) + "\n");
    // Everything else different: what the read must bring back, and entries
    // beyond 150 that it must leave alone.
    randomlabelings(rng);
    const LabelData before = labdata;
    out = run("readsession", {});
    EXPECT_EQ(out, " 1501\n ixtract: -42\n 1943\n");
    EXPECT_EQ(labdata.ilabelsize, saved.ilabelsize);
    EXPECT_EQ(labdata.iallowed_dupes, saved.iallowed_dupes);
    EXPECT_EQ(labdata.ixtract, -42);
    for (int r = 1; r <= kSlots; ++r)
        for (int i = 1; i <= kSlotEntries; ++i) {
            const LabelData& want = i <= kSessionEntries ? saved : before;
            ASSERT_EQ(labdata.ias_front[r][i], want.ias_front[r][i]) << r << " " << i;
            ASSERT_EQ(labdata.ias_end[r][i], want.ias_end[r][i]) << r << " " << i;
            ASSERT_EQ(labdata.ischedulenr[r][i], want.ischedulenr[r][i]) << r << " " << i;
            ASSERT_EQ(labdata.ioccur[r][i], want.ioccur[r][i]) << r << " " << i;
        }
    // The same state writes the same file again, with no temporary left over.
    labdata = saved;
    run("writesession", {});
    EXPECT_EQ(slurp("session.s"), text);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), {}), 1);
}

TEST_F(Session, BadFilesChangeNothing) {
    std::mt19937 rng(5);
    randomlabelings(rng);
    run("writesession", {});
    std::vector<std::string> lines;
    {
        std::ifstream in("session.s");
        for (std::string l; std::getline(in, l);) lines.push_back(l);
    }
    ASSERT_EQ(lines.size(), static_cast<size_t>(kSessionLines));
    auto with = [&](size_t lineno, const std::string& text) {
        std::vector<std::string> v = lines;
        v[lineno - 1] = text;
        return v;
    };
    auto first = [&](size_t n) {
        return std::vector<std::string>(lines.begin(), lines.begin() + n);
    };
    std::vector<std::string> longer = lines;
    longer.push_back("    7");
    struct Case {
        std::vector<std::string> lines;
        const char* message;
    } cases[] = {
        {{}, "ends after line 0"},
        {first(100), "ends after line 100, before the front type of entry 3 of labeling 6"},
        {first(kSessionLines - 1), "ends after line 6451"},
        {with(50, "  1x"), "Line 50 of session file \"session.s\" is not an integer"},
        {with(7, ""), "Line 7 of"},
        {with(8, "  1.5"), "Line 8 of"},
        {with(9, "99999999999"), "Line 9 of"},
        {with(1, "   22"), "Line 1 of session file \"session.s\": 22 is outside 0..21"},
        {with(2, "   -1"), "Line 2 of"},
        {with(4, "1048576"), "Line 4 of"},
        {with(6001, "  401"), "Line 6001 of"},
        {with(kSessionLines, "  100"), "Line 6452 of"},
        {with(kSessionLines, "%d"), "Line 6452 of"},
        {longer, "Line 6453 of session file \"session.s\" lies past the end"},
    };
    labdata.reset();
    labdata.ilabelsize[2] = 3;
    labdata.ias_front[2][1] = 9;
    labdata.iallowed_dupes[4][5] = 6;
    for (const Case& c : cases) {
        {
            std::ofstream out("session.s");
            for (const std::string& l : c.lines) out << l << "\n";
        }
        const LabelData before = labdata;
        std::string out = run("readsession", {});
        EXPECT_TRUE(has(out, "*** ERROR: ")) << c.message;
        EXPECT_TRUE(has(out, c.message)) << out;
        EXPECT_EQ(labdata.ilabelsize, before.ilabelsize) << c.message;
        EXPECT_EQ(labdata.ias_front, before.ias_front) << c.message;
        EXPECT_EQ(labdata.iallowed_dupes, before.iallowed_dupes) << c.message;
    }
    std::filesystem::remove("session.s");
    std::string out = run("readsession", {});
    EXPECT_EQ(out,
              "*** ERROR: Session file \"session.s\" cannot be opened.\n"
              "           The stored labelings are unchanged.\n");
    EXPECT_EQ(labdata.ilabelsize[2], 3);
}

// A write that cannot be completed leaves what was there and no temporary.
TEST_F(Session, FailedWriteLeavesTheOldFile) {
    std::filesystem::create_directories("session.s/keep");
    std::string out = run("writesession", {});
    EXPECT_TRUE(has(out, "*** ERROR: Session file \"session.s\" cannot be written")) << out;
    EXPECT_TRUE(std::filesystem::is_directory("session.s/keep"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), {}), 1);
}

// The pair analysis a design was made on comes back with it; a session
// without that part reads every slot as the console reports count.
TEST_F(Session, AnalysesOfDesignsComeBack) {
    std::mt19937 rng(3);
    randomlabelings(rng);
    labdata.slotanalysis[2] = Analysis{false, 1};
    labdata.slotanalysis[7] = Analysis{true, 3};
    const LabelData saved = labdata;
    run("writesession", {});
    std::string text = slurp("session.s");
    std::string tail = "# analyses\n";
    for (int r = 1; r <= kSlots; ++r)
        tail += r == 2 ? "    0\n    1\n" : r == 7 ? "    1\n    3\n" : "    1\n    1\n";
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), kSessionLines + 2 * kSlots + 1);

    labdata.slotanalysis.fill(Analysis());
    EXPECT_FALSE(has(run("readsession", {}), "***"));
    EXPECT_EQ(labdata.slotanalysis, saved.slotanalysis);

    // Cut inside the part: an error that names it, and nothing changes.
    std::ofstream("session.s") << text.substr(0, text.size() - 6);
    std::string out = run("readsession", {});
    EXPECT_TRUE(has(out, "its analyses part 21")) << out;
    EXPECT_EQ(labdata.slotanalysis, saved.slotanalysis);

    // Without the part (as older sessions are): the ban, repeat limit 1.
    std::ofstream("session.s") << text.substr(0, text.size() - tail.size());
    EXPECT_FALSE(has(run("readsession", {}), "***"));
    for (int r = 1; r <= kSlots; ++r) EXPECT_EQ(labdata.slotanalysis[r], Analysis()) << r;
}

}  // namespace
