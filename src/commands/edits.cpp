// Tables and hand edits: prices, allowed duplicates, pair classes, edits of
// stored labelings and of the batch.
#include "commands/registry.h"

static constexpr CommandReg regs[] = {
    {"setprice", 0, nullptr},     {"setdupes", 0, nullptr},
    {"setclass", 0, nullptr},     {"modifypair", 0, nullptr},
    {"removepair", 0, nullptr},   {"remove_unused_pairs", 0, nullptr},
    {"copyschedule", 0, nullptr}, {"addpairtobatch", 0, nullptr},
};
static_assert(slotted(regs), "every registered command needs a slot");
std::span<const CommandReg> edits_commands() { return regs; }
