#include "labelio/assigned.h"

#include <memory>

#include "labeling/slots.h"
#include "labelio/codebook.h"

std::array<AssignedRun, kSlots + 1> lastassignment;

DesignPrint designprint(const LabelData& l, int rank, const KemraData& d) {
    auto s = std::make_unique<Schedule>();
    import_pairs(l, rank, *s);
    DesignPrint p;
    for (int i = 0; i <= d.nr; ++i) {
        p.types.push_back(static_cast<size_t>(i) < d.irlib.size() ? d.irlib[i] : 0);
        p.numbers.push_back(static_cast<size_t>(i) < d.ir.size() ? d.ir[i] : 0);
    }
    p.labels = schedulelabels(*s);
    p.model = s->model;
    p.nsamples = designsamples(*s);
    return p;
}

const AssignedRun* currentassignment(const std::array<AssignedRun, kSlots + 1>& runs,
                                     const LabelData& l, int rank, const KemraData& d) {
    if (rank < 1 || rank > kSlots) return nullptr;
    const AssignedRun& run = runs[static_cast<size_t>(rank)];
    if (run.empty() || !(run.design == designprint(l, rank, d))) return nullptr;
    return &run;
}
