// The fewest samples for a number of resolved pairs, asked of a solver that
// may not answer within its budget.
//
// The counts still open lie between the fewest whose codes could hold the
// pairs and one below the best schedule found. The question is the middle
// one, on half the budget left (all of it when it is the last count open).
// A yes moves the top down to the schedule's samples; a no, or no answer,
// moves the bottom up past the count asked. Only a no is a proof, and it
// holds for every count below as well, since an empty sample adds nothing.
// Against stepping down one sample at a time, halving spends the budget on
// the counts where the answer changes: on a random 1000-residue protein
// each question cost 4 to 7 s of work, so 20 s stepped from 15 samples to
// 12, where halving asked 10 (yes), then 8 and 9 (no answer).
#pragma once

#include <algorithm>
#include <functional>

#include "labeling/exact.h"

// ask(k, seconds, work) asks for the pairs on k samples within seconds of
// work, adds the work it used, and on a yes keeps the schedule, lowering best
// to its samples; a yes that leaves best as it was ends the halving, as does
// stop(). Returns the fewest samples proven, 0 when nothing is.
inline int halvecounts(int low, int& best, double budget,
                       const std::function<ExactAnswer(int, double, double&)>& ask,
                       const std::function<bool()>& stop) {
    int proven = 0;
    double spent = 0;
    while (low <= best - 1 && spent < budget && !stop()) {
        const int k = (low + best - 1) / 2;
        const int had = best;
        double work = 0;
        const ExactAnswer a = ask(k, (budget - spent) / (k < best - 1 ? 2 : 1), work);
        spent += work;
        if (a == ExactAnswer::unsat) proven = std::max(proven, k + 1);
        if (a == ExactAnswer::sat && best >= had) break;
        if (a != ExactAnswer::sat) low = k + 1;
    }
    return proven;
}
