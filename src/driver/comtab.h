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

// Slots 1..84 (entry 0 unused). Slots 34 and 78 are two names of one command.
inline constexpr const char* kSlotNames[kNumCommands + 1] = {
    "",  // 0
    "",
    "",
    "atoms",
    "",
    "",
    "",
    "",
    "",
    "",  // 1-9
    "read",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "library",  // 10-19
    "",
    "",
    "",
    "",
    "score",
    "",
    "",
    "",
    "",
    "",  // 20-29
    "",
    "",
    "",
    "",
    "countuniquepairs",
    "",
    "",
    "",
    "",
    "",  // 30-39
    "",
    "",
    "showuniquepairs",
    "",
    "",
    "",
    "",
    "readlabel",
    "writelabel",  // 40-48
    "showlabel",
    "",
    "samplehelp",
    "",
    "showsample",
    "showrecipe",  // 49-54
    "showaminoacids",
    "readstr",
    "scorethis",
    "showwhatsleft",  // 55-58
    "addbatch",
    "optimiselabeling",
    "copyschedule",
    "modifypair",  // 59-62
    "removepair",
    "showpairs",
    "setdupes",
    "writesession",  // 63-66
    "readsession",
    "addpairtobatch",
    "showbatch",  // 67-69
    "remove_unused_pairs",
    "create_color",
    "makefulllabeled",  // 70-72
    "setclass",
    "showclasses",
    "output_labeling_html",  // 73-75
    "showlabelmultiple",
    "fastsched",
    "quilter",
    "setprice",  // 76-79
    "test_quilter",
    "score_test_ov",
    "writereport",
    "",
    "",  // 80-84
};

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
