// Design commands beyond the optimiser: scoring and thinning a labeling,
// batch insertion, the genetic algorithm, full and colour schedules.
#include "commands/registry.h"

static constexpr CommandReg regs[] = {
    {"samplehelp", 0, nullptr}, {"scorethis", 0, nullptr},       {"optimiselabeling", 0, nullptr},
    {"addbatch", 0, nullptr},   {"makefulllabeled", 0, nullptr}, {"create_color", 0, nullptr},
    {"fastsched", 0, nullptr},
};
static_assert(slotted(regs), "every registered command needs a slot");
std::span<const CommandReg> design_commands() { return regs; }
