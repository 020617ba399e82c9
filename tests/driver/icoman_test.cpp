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
        {"h", 0},
        {"o", -1},  // optimiselabeling (an abbreviation), then output_labeling_html
        {"op", 60},
        {"output", 75},
        {"readl", 47},
        {"re", -1},
        {"countuniquepairs", 34},
        {"countuniquepairsx", 0},
        {"", 0},                       // a blank word names no command
        {"abcdefghijklmnopqrstu", 0},  // longer than a table entry
        {"remove_unused_pairs", 70},
        {"showp", -1},  // showpairs and showprices
        {"showpa", 64},
        {"score", 24},
        {"score_", 81},
    };
    for (const Case& c : cases) EXPECT_EQ(icoman(c.word, comand, kNumCommands), c.expect) << c.word;
}

// Every named slot is registered by exactly one family (quilter and
// countuniquepairs are two slots of one handler); blank slots by none. The
// library command is accepted and does nothing; commands that read the
// molecule refuse to run without one.
TEST(CommandTable, EveryNamedSlotRegisteredOnce) {
    int count[kNumCommands + 1] = {};
    for (auto family : kFamilies)
        for (const CommandReg& r : family()) ++count[slotof(r.name)];
    for (int i = 1; i <= kNumCommands; ++i)
        EXPECT_EQ(count[i], *kSlotNames[i] ? 1 : 0) << i << " " << kSlotNames[i];
    EXPECT_EQ(count[0], 0);
    EXPECT_EQ(comand[slot("countuniquepairs")].handler, comand[slot("quilter")].handler);
    EXPECT_NE(comand[slot("library")].handler, nullptr);
    for (const char* name :
         {"atoms", "score", "countuniquepairs", "showuniquepairs", "showlabel", "quilter"})
        EXPECT_EQ(comand[slot(name)].idtyp, 1) << name;
}

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
