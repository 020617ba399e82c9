// The command table filled from the families' registrations, and its look-up.
#include "driver/comtab.h"

#include <array>

#include "commands/registry.h"

namespace {

// Precondition of the unused framework slots (they never match a word, but
// keep the framework's flags).
constexpr bool blank_needs_nothing(int slot) {
    for (int s : {13, 28, 35, 38, 39, 40, 44, 45, 46, 50, 52})
        if (s == slot) return true;
    return false;
}

std::array<CommandSlot, kNumCommands + 1> build() {
    std::array<CommandSlot, kNumCommands + 1> t{};
    for (int i = 0; i <= kNumCommands; ++i)
        t[static_cast<size_t>(i)] = {kSlotNames[i], blank_needs_nothing(i) || i == 0 ? 0 : 1,
                                     nullptr};
    for (auto family : kFamilies)
        for (const CommandReg& r : family()) {
            CommandSlot& s = t[static_cast<size_t>(slotof(r.name))];
            s.idtyp = r.idtyp;
            s.handler = r.handler;
        }
    return t;
}

}  // namespace

const CommandSlot* command_table() {
    static const std::array<CommandSlot, kNumCommands + 1> table = build();
    return table.data();
}

int icoman(const std::string& cmdin, const CommandSlot* table, int n) {
    size_t e = cmdin.find_last_not_of(' ');
    std::string cmd = e == std::string::npos ? std::string() : cmdin.substr(0, e + 1);
    // A blank word names no command (it would otherwise match a blank slot).
    if (cmd.empty() || cmd.size() > static_cast<size_t>(kCommandWidth)) return 0;
    int found = 0;
    for (int i = 1; i <= n; ++i) {
        std::string name = table[i].name;
        // cmd equals the first l characters of the blank-padded slot text
        std::string padded = name + std::string(kCommandWidth - name.size(), ' ');
        if (padded.compare(0, cmd.size(), cmd) != 0) continue;
        bool exact = cmd == name;
        if (found != 0 && !exact) return -1;
        found = i;
        if (exact) return i;
    }
    return found;
}
