// The pair analysis and the schedule optimiser: showuniquepairs,
// countuniquepairs (also typed as "quilter").
#include "commands/registry.h"

void countuniquepairs(Words& param, int& npar);
void showuniquepairs(Words& param, int& npar);

static constexpr CommandReg regs[] = {
    {"countuniquepairs", 1, countuniquepairs},
    {"quilter", 1, countuniquepairs},
    {"showuniquepairs", 1, showuniquepairs},
};
static_assert(slotted(regs), "every registered command needs a slot");
std::span<const CommandReg> pairs_commands() { return regs; }
