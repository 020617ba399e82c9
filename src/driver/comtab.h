// The 84-slot command table: slot numbers, names and the look-up with
// abbreviations. The names are fixed here at compile time so that every
// family of commands can check, while it is compiled, that each command it
// registers has a slot (see commands/registry.h).
//
// A blank name keeps the slot number of a framework command this program does
// not offer; such slots never match a typed word.
#pragma once

#include <string>
#include <string_view>
#include <vector>

using Words = std::vector<std::string>;
using Handler = void (*)(Words& param, int& npar);

constexpr int kNumCommands = 84;
constexpr int kCommandWidth = 20;

// Slots 1..84 (entry 0 unused), each named slot with the file under commands/
// whose registration array holds its handler. Slots 34 and 78 are two names
// of one command.
// clang-format off
inline constexpr const char* kSlotNames[kNumCommands + 1] = {
    "",  // 0
    "", "",  // 1-2
    "atoms",                //  3 atoms.cpp
    "assignpairs",          //  4 assign.cpp
    "simulatepeaks",      //  5 assign.cpp
    "", "", "", "",  // 6-9
    "read",                 // 10 read.cpp
    "", "", "", "", "", "", "", "",  // 11-18
    "library",              // 19 read.cpp
    "showorder",            // 20 prices.cpp
    "", "", "",  // 21-23
    "score",                // 24 scoring.cpp
    "", "", "", "", "", "", "", "", "",  // 25-33
    "countuniquepairs",     // 34 pairs.cpp
    "", "", "",  // 35-37
    "showprices",           // 38 prices.cpp
    "readprices",           // 39 prices.cpp
    "writeprices",          // 40 prices.cpp
    "",  // 41
    "showuniquepairs",      // 42 pairs.cpp
    "", "", "", "",  // 43-46
    "readlabel",            // 47 labelfiles.cpp
    "writelabel",           // 48 labelfiles.cpp
    "showlabel",            // 49 reports.cpp
    "",  // 50
    "samplehelp",           // 51 design.cpp
    "",  // 52
    "showsample",           // 53 reports.cpp
    "showrecipe",           // 54 reports.cpp
    "showaminoacids",       // 55 reports.cpp
    "readstr",              // 56 labelfiles.cpp
    "scorethis",            // 57 design.cpp
    "showwhatsleft",        // 58 reports.cpp
    "addbatch",             // 59 design.cpp
    "optimiselabeling",     // 60 design.cpp
    "copyschedule",         // 61 edits.cpp
    "modifypair",           // 62 edits.cpp
    "removepair",           // 63 edits.cpp
    "showpairs",            // 64 reports.cpp
    "setdupes",             // 65 edits.cpp
    "writesession",         // 66 session.cpp
    "readsession",          // 67 session.cpp
    "addpairtobatch",       // 68 edits.cpp
    "showbatch",            // 69 reports.cpp
    "remove_unused_pairs",  // 70 edits.cpp
    "create_color",         // 71 design.cpp
    "makefulllabeled",      // 72 design.cpp
    "setclass",             // 73 edits.cpp
    "showclasses",          // 74 reports.cpp
    "output_labeling_html", // 75 reports.cpp
    "showlabelmultiple",    // 76 reports.cpp
    "fastsched",            // 77 design.cpp
    "quilter",              // 78 pairs.cpp
    "setprice",             // 79 edits.cpp
    "test_quilter",         // 80 scoring.cpp
    "score_test_ov",        // 81 scoring.cpp
    "writereport",          // 82 reports.cpp
    "showcodes",            // 83 reports.cpp
    "",  // 84
};
// clang-format on

// Slot of a full command name, 0 if no slot carries it.
constexpr int slotof(std::string_view name) {
    if (name.empty()) return 0;
    for (int i = 1; i <= kNumCommands; ++i)
        if (name == kSlotNames[i]) return i;
    return 0;
}

// Precondition of a slot: 0 none, 1 a molecule must be present, 2 a molecule
// and peaks.
struct CommandSlot {
    const char* name;  // "" for the framework's unused slots
    int idtyp;
    Handler handler;  // nullptr: named but not written in this version
};

// The table with the handlers of every registered family filled in.
const CommandSlot* command_table();

// Look-up with abbreviations: slot number, 0 if none matches, -1 if ambiguous.
int icoman(const std::string& cmd, const CommandSlot* table, int n);
