// Spectral scoring: the assignment score, the overlap model's self-check and
// the installation self-check.
#include "commands/registry.h"

// Installation self-check: not written yet; accepts its words and does nothing.
static void test_quilter(Words&, int&) {}

static constexpr CommandReg regs[] = {
    {"score", 1, nullptr},
    {"test_quilter", 0, test_quilter},
    {"score_test_ov", 0, nullptr},
};
static_assert(slotted(regs), "every registered command needs a slot");
std::span<const CommandReg> scoring_commands() { return regs; }
