// Labeling files and sample-string files: readlabel, writelabel, readstr.
#include "commands/registry.h"

void readlabel(Words& param, int& npar);
void writelabel(Words& param, int& npar);
void readstr(Words& param, int& npar);

static constexpr CommandReg regs[] = {
    {"readlabel", 0, readlabel},
    {"writelabel", 0, writelabel},
    {"readstr", 0, readstr},
};
static_assert(slotted(regs), "every registered command needs a slot");
std::span<const CommandReg> labelfile_commands() { return regs; }
