// Reports of stored labelings: residue tables, samples, recipes, pairs,
// amino acids, what is left, the batch, pair classes and the HTML fragment.
#include "labelio/reports.h"

#include <memory>

#include "commands/registry.h"
#include "kemlang/params.h"
#include "kemlang/print.h"
#include "labeling/slots.h"
#include "molecule/kemradata.h"

// The residue table of a stored labeling against the current sequence.
static void showlabel(Words& param, int& npar) {
    params(param, npar, "multipair=@i=1 rank=@i=1");
    if (haverr()) return;
    int rank = iparam("rank");
    if (rank < 1 || rank > 5) {
        errmsg("Labeling " + intp(rank) + " cannot be shown: rank must lie in 1..5.");
        return;
    }
    Selection base;
    TypeMatrix uniqs{};
    auto sched = std::make_unique<Schedule>();
    initdata(kemradata, labdata, base, uniqs, iparam("multipair"));
    import_pairs(labdata, rank, *sched);
    fillschednrs(*sched, uniqs);
    outputsequence_with_label(kemradata, labdata, *sched, uniqs);
}

static constexpr CommandReg regs[] = {
    {"showlabel", 1, showlabel},    {"showlabelmultiple", 0, nullptr},
    {"showsample", 0, nullptr},     {"showrecipe", 0, nullptr},
    {"showaminoacids", 0, nullptr}, {"showwhatsleft", 0, nullptr},
    {"showpairs", 0, nullptr},      {"showbatch", 0, nullptr},
    {"showclasses", 0, nullptr},    {"output_labeling_html", 0, nullptr},
};
static_assert(slotted(regs), "every registered command needs a slot");
std::span<const CommandReg> reports_commands() { return regs; }
