// How a family of commands joins the command table.
//
// Each file under commands/ holds one family: its handlers are static, and the
// file ends with one registration array and the family function that hands it
// to the driver, for example
//
//     static constexpr CommandReg regs[] = {
//         {"readlabel", 0, readlabel},
//         {"writelabel", 0, writelabel},
//     };
//     static_assert(slotted(regs), "every registered command needs a slot");
//     std::span<const CommandReg> labelfile_commands() { return regs; }
//
// A command whose handler is not written yet is registered with a null
// handler; the driver then says it is not available in this version. The
// static_assert makes the build fail when a name has no slot in
// driver/comtab.h; a test checks that every named slot is registered once.
//
// Handlers parse their words with params(), call the core with the data it
// needs, print, and return. They report failures through the message
// functions and never let an exception out.
#pragma once

#include <span>

#include "driver/comtab.h"

struct CommandReg {
    const char* name;
    int idtyp;  // precondition: 0 none, 1 molecule, 2 molecule and peaks
    Handler handler;
};

template <std::size_t N>
constexpr bool slotted(const CommandReg (&regs)[N]) {
    for (const CommandReg& r : regs)
        if (slotof(r.name) == 0) return false;
    return true;
}

// The families, one per file under commands/.
std::span<const CommandReg> read_commands();       // read.cpp
std::span<const CommandReg> atoms_commands();      // atoms.cpp
std::span<const CommandReg> pairs_commands();      // pairs.cpp
std::span<const CommandReg> labelfile_commands();  // labelfiles.cpp
std::span<const CommandReg> reports_commands();    // reports.cpp
std::span<const CommandReg> edits_commands();      // edits.cpp
std::span<const CommandReg> session_commands();    // session.cpp
std::span<const CommandReg> design_commands();     // design.cpp
std::span<const CommandReg> scoring_commands();    // scoring.cpp
std::span<const CommandReg> prices_commands();     // prices.cpp
std::span<const CommandReg> assign_commands();     // assign.cpp

inline std::span<const CommandReg> (*const kFamilies[])() = {
    read_commands,    atoms_commands,  pairs_commands,   labelfile_commands,
    reports_commands, edits_commands,  session_commands, design_commands,
    scoring_commands, prices_commands, assign_commands,
};
