#include "commands/testhooks.h"

#include "labeling/optimise.h"

TestHooks testhooks;

void TestHooks::tune(OptParams& p) const {
    if (annealsteps >= 0) p.annealsteps = annealsteps;
    if (exactseconds >= 0) p.exactseconds = exactseconds;
    if (polishsteps >= 0) p.polishsteps = polishsteps;
}
