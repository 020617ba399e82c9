// The atoms command: selections and per-atom properties.
#include "commands/registry.h"

void atoms(Words& param, int& npar);

static constexpr CommandReg regs[] = {
    {"atoms", 1, atoms},
};
static_assert(slotted(regs), "every registered command needs a slot");
std::span<const CommandReg> atoms_commands() { return regs; }
