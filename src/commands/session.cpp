// Session files: every stored labeling and the allowed duplicates.
#include "commands/registry.h"

static constexpr CommandReg regs[] = {
    {"writesession", 0, nullptr},
    {"readsession", 0, nullptr},
};
static_assert(slotted(regs), "every registered command needs a slot");
std::span<const CommandReg> session_commands() { return regs; }
