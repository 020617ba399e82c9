// Tuning rows of a run read from the environment, for the drivers that
// measure one phase alone.
#pragma once

#include <cstdlib>

#include "labeling/optimise.h"

namespace benchutil {

// Tuning rows of a run read from the environment as OPT_<name>, e.g.
// OPT_annealsteps=0, so that a phase can be measured alone.
template <class Params>
void tuned(Params& p) {
#define BENCH_TUNED(type, name, def, meaning) \
    if (const char* v = std::getenv("OPT_" #name)) p.name = static_cast<type>(std::atof(v));
    QUILTER_OPT_TUNING(BENCH_TUNED)
#undef BENCH_TUNED
}

}  // namespace benchutil
