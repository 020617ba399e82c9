// Command look-up: abbreviations, ambiguity, exact matches and the table itself.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "commands/registry.h"
#include "driver/comtab.h"

namespace {

const CommandSlot* const comand = command_table();

int slot(const std::string& name) {
    for (int i = 1; i <= kNumCommands; ++i)
        if (name == comand[i].name) return i;
    return 0;
}

TEST(CommandLookup, AbbreviationsAndAmbiguity) {
    struct Case {
        const char* word;
        int expect;  // slot, 0 none, -1 ambiguous
    } cases[] = {
        {"showlabel", 49},          // exact wins over showlabelmultiple
        {"showlabelmultiple", 76},  // exact
        {"showl", -1},              // slots 49 and 76, neither exact
        {"show", -1},               // many
        {"s", -1},
        {"h", 0},
        {"o", -1},  // optimiselabeling / output_labeling_html
        {"readl", 47},
        {"quil", 78},
        {"read", 10},
        {"re", -1},
        {"countuniquepairs", 34},
        {"countuniquepairsx", 0},
        {"Read", 0},  // case-sensitive
        {"", 0},      // a blank word names no command
        {"xyz", 0},
        {"abcdefghijklmnopqrstu", 0},  // longer than a table entry
        {"remove_unused_pairs", 70},
        {"setd", 65},
        {"setp", 79},
        {"showp", -1},  // showpairs and showprices
        {"showpa", 64},
        {"showpr", 38},
        {"showo", 20},
        {"score", 24},
        {"score_", 81},
        {"library", 19},
    };
    for (const Case& c : cases) EXPECT_EQ(icoman(c.word, comand, kNumCommands), c.expect) << c.word;
}

TEST(CommandLookup, OutputLabelingAmbiguousOnlyAsPrefix) {
    EXPECT_EQ(icoman("optimiselabeling", comand, kNumCommands), 60);
    EXPECT_EQ(icoman("output", comand, kNumCommands), 75);
    EXPECT_EQ(icoman("op", comand, kNumCommands), 60);
    EXPECT_EQ(icoman("ou", comand, kNumCommands), 75);
    // "o" is a prefix of slots 60 and 75; the first match is an abbreviation, so
    // the second one makes it ambiguous.
    EXPECT_EQ(icoman("o", comand, kNumCommands), -1);
}

TEST(CommandTable, SlotsFlagsAndSharedHandlers) {
    EXPECT_EQ(slot("atoms"), 3);
    EXPECT_EQ(slot("read"), 10);
    EXPECT_EQ(slot("countuniquepairs"), 34);
    EXPECT_EQ(slot("quilter"), 78);
    EXPECT_EQ(slot("score_test_ov"), 81);
    EXPECT_EQ(slot("writereport"), 82);
    EXPECT_EQ(slot("showcodes"), 83);
    EXPECT_EQ(comand[34].handler, comand[78].handler);
    EXPECT_NE(comand[19].handler, nullptr);  // accepted, does nothing
    for (const char* name :
         {"atoms", "score", "countuniquepairs", "showuniquepairs", "showlabel", "quilter"})
        EXPECT_EQ(comand[slot(name)].idtyp, 1) << name;
    int named = 0;
    for (int i = 1; i <= kNumCommands; ++i) {
        if (*comand[i].name) {
            ++named;
        }
        EXPECT_NE(comand[i].idtyp, 2) << i;
    }
    EXPECT_EQ(named, 47);
    for (int i : {13, 28, 35, 38, 39, 40, 44, 45, 46, 50, 52}) EXPECT_EQ(comand[i].idtyp, 0) << i;
    for (int i : {1, 2, 4, 9, 11, 12, 14, 18, 20, 23, 25, 27, 29, 33, 36, 37, 41, 43, 82, 84})
        EXPECT_EQ(comand[i].idtyp, 1) << i;
}

// Every named slot is registered by exactly one family (quilter and
// countuniquepairs are two slots of one handler); blank slots by none.
TEST(CommandTable, EveryNamedSlotRegisteredOnce) {
    int count[kNumCommands + 1] = {};
    for (auto family : kFamilies)
        for (const CommandReg& r : family()) ++count[slotof(r.name)];
    for (int i = 1; i <= kNumCommands; ++i)
        EXPECT_EQ(count[i], *kSlotNames[i] ? 1 : 0) << i << " " << kSlotNames[i];
    EXPECT_EQ(count[0], 0);
}

}  // namespace

namespace {

bool helpfile(const std::string& topic) {
    std::ifstream in(std::string(QUILTER_SOURCE_SHARE) + "/help/kemra/" + topic + ".hlp");
    return in.good();
}

TEST(Help, EveryCommandAndStatementHasAHelpFile) {
    for (int i = 1; i <= kNumCommands; ++i)
        if (*comand[i].name) {
            EXPECT_TRUE(helpfile(comand[i].name)) << comand[i].name;
        }
    for (const char* s :
         {"set",     "eval",       "show",   "unset",  "external", "global", "if",    "else",
          "do",      "break",      "goto",   "return", "exit",     "quit",   "abort", "safe",
          "command", "subroutine", "syntax", "alias",  "print",    "error",  "plot",  "readline",
          "type",    "help",       "remove", "system", "sleep",    "cd",     "chdir"})
        EXPECT_TRUE(helpfile(s)) << s;
}

}  // namespace
