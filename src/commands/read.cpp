// The read command (libraries, sequences, shift lists, peak lists).
#include "commands/registry.h"

void readf(Words& param, int& npar);

// The framework's "library" command: accepted and does nothing here.
static void library(Words&, int&) {}

static constexpr CommandReg regs[] = {
    {"read", 0, readf},
    {"library", 0, library},
};
static_assert(slotted(regs), "every registered command needs a slot");
std::span<const CommandReg> read_commands() { return regs; }
