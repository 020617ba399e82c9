// Reports of stored labelings: residue tables, samples, recipes, pairs,
// amino acids, what is left, the batch, pair classes and the HTML fragment.
#include "commands/registry.h"

void showlabel(Words& param, int& npar);

static constexpr CommandReg regs[] = {
    {"showlabel", 1, showlabel},    {"showlabelmultiple", 0, nullptr},
    {"showsample", 0, nullptr},     {"showrecipe", 0, nullptr},
    {"showaminoacids", 0, nullptr}, {"showwhatsleft", 0, nullptr},
    {"showpairs", 0, nullptr},      {"showbatch", 0, nullptr},
    {"showclasses", 0, nullptr},    {"output_labeling_html", 0, nullptr},
};
static_assert(slotted(regs), "every registered command needs a slot");
std::span<const CommandReg> reports_commands() { return regs; }
