// Spectral scoring: the assignment score, the overlap model's self-check and
// the installation self-check.
#include "commands/registry.h"
#include "kemlang/params.h"
#include "kemlang/print.h"
#include "molecule/kemradata.h"
#include "scoring/score_test.h"

static void score_test_ov(Words& param, int& npar) {
    params(param, npar, "");
    if (haverr()) return;
    score_test_ov(true);
    overlaptraces(kemradata);
}

// Installation self-check: not written yet; accepts its words and does nothing.
static void test_quilter(Words&, int&) {}

static constexpr CommandReg regs[] = {
    {"score", 1, nullptr},
    {"test_quilter", 0, test_quilter},
    {"score_test_ov", 0, score_test_ov},
};
static_assert(slotted(regs), "every registered command needs a slot");
std::span<const CommandReg> scoring_commands() { return regs; }
