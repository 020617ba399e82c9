// The modes of a run and the pair orders they build from.
//
// The value of "iterations" names the mode: how each cycle orders the pairs
// before the build, and whether the run makes one cycle or many. A positive
// value makes random transpositions of the last order and counts down to
// mode 0, which builds once from the order as it stands; -1 draws a fresh
// random order per cycle, -5 one random order.
//
// Orders of the special modes: -2 steps through the permutations in
// lexicographic order; -4 sorts a random order by the position of the front
// type in a shuffled residue-type order; -6 sorts by conflicts, fewest
// first; -7 to -9 follow connections (each next pair shares a type with a
// placed one where possible), -8 and -9 from a random start, -9 taking the
// most conflicted connected pair first; -10 to -12 and -15 order by colour
// class of a greedy colouring of the conflict graph (two pairs conflict when
// one's front type with the other's end type occurs), -11 colouring in
// random vertex order; -16 orders by cliques of pairs sharing a front type,
// largest first; -17 enumerates the orders of the first (at most 8) pairs
// recursively, prints the best and ends the program; -14 takes its schedule
// from the sample-string file named by the variable "samplefile" (default
// "wtgtr.sched").
//
// The strategies draw from an Rng: the run's own stream for the modes whose
// next order follows from the last one, a stream of the cycle's own for the
// modes whose cycles are independent.
#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "labeling/labutils.h"
#include "labeling/optimiser.h"

namespace optimiser {

namespace {

// One row per value of "iterations"; a positive value takes the row of 1,
// a value without a row the last one.
constexpr Mode kModes[] = {
    {1, nullptr, false, Order::swaps},
    {0, nullptr, true, Order::keep},
    {-1, "benutze zufällige Permutation, (Parameter -1)", false, Order::random},
    {-2, "Suche systematisch den Raum der Permutationen ab [go pack a lunch!] (Parameter -2)",
     false, Order::lexicographic},
    {-4, "use random permutation of amino acid types (Parameter -4)", false, Order::typeshuffle},
    {-5, "Generate one single permutation (Parameter -5)  ", true, Order::random},
    {-6, "conflict-optimized permutation of amino acids (Parameter -6)", true,
     Order::fewestconflicts},
    {-7, " connection-optimized permutation of amino acids (Parameter -7)", true, Order::connected},
    {-8, "shuffled connection-optimized permutation of amino acids (Parameter -8)", false,
     Order::connectedrandom},
    {-9, "shuffled connection-optimized permutation of amino acids, sort downwards (Parameter -9)",
     false, Order::connecteddown},
    {-10, nullptr, true, Order::colour},
    {-11, nullptr, false, Order::colourrandom},
    {-12, nullptr, true, Order::colour},
    {-14, nullptr, true, Order::samplestrings},
    {-15, nullptr, true, Order::colour},
    {-16, nullptr, false, Order::cliques},
    {-17, nullptr, false, Order::enumerate},
    {-19, nullptr, false, Order::formula},
    {INT32_MIN, nullptr, false, Order::keep},
};

}  // namespace

const Mode& modeof(int it) {
    if (it > 0) return kModes[0];
    for (const Mode& m : kModes)
        if (m.iterations == it) return m;
    return kModes[std::size(kModes) - 1];
}

void Optimiser::connectionorder(std::vector<int>& order, bool randomstart, bool downwards) const {
    std::vector<int> rest(order);
    if (!randomstart) sortbyconflicts(order, true), rest = order;
    std::vector<int> done;
    while (!rest.empty()) {
        size_t pick = 0;
        bool found = false;
        for (size_t i = 0; i < rest.size() && !done.empty(); ++i) {
            bool linked = std::any_of(done.begin(), done.end(), [&](int o) {
                return base.front[o] == base.front[rest[i]] || base.end[o] == base.end[rest[i]] ||
                       base.front[o] == base.end[rest[i]] || base.end[o] == base.front[rest[i]];
            });
            if (!linked) continue;
            if (!found || (downwards && conflicts(rest[i]) > conflicts(rest[pick]))) pick = i;
            found = true;
            if (!downwards) break;
        }
        done.push_back(rest[pick]);
        rest.erase(rest.begin() + static_cast<long>(pick));
    }
    order = done;
}

void Optimiser::colourorder(std::vector<int>& order, Rng& r, bool randomvertices) const {
    if (randomvertices)
        rperm(order, r);
    else
        sortbyconflicts(order, true);
    std::vector<int> colour(static_cast<size_t>(npairs) + 1, 0);
    for (int v : order) {
        int c = 1;
        while (std::any_of(order.begin(), order.end(), [&](int u) {
            return colour[static_cast<size_t>(u)] == c && conflicting(u, v);
        }))
            ++c;
        colour[static_cast<size_t>(v)] = c;
    }
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return colour[static_cast<size_t>(a)] < colour[static_cast<size_t>(b)];
    });
}

void Optimiser::cliqueorder(std::vector<int>& order) const {
    std::array<int, kTypes + 1> size{};
    for (int k : order) ++size[static_cast<size_t>(base.front[k])];
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        int sa = size[static_cast<size_t>(base.front[a])],
            sb = size[static_cast<size_t>(base.front[b])];
        return sa != sb ? sa > sb : base.front[a] < base.front[b];
    });
}

void Optimiser::typeshuffle(Lane& lane, Rng& r) const {
    std::vector<int>& order = lane.order;
    std::array<int, kTypes + 1>& aminoptr = lane.aminoptr;
    rperm(order, r);
    for (int i = kTypes; i > 1; --i)
        std::swap(
            aminoptr[static_cast<size_t>(i)],
            aminoptr[static_cast<size_t>(1 + std::min(i - 1, static_cast<int>(r.next() * i)))]);
    std::array<int, kTypes + 1> rank{};
    for (int i = 1; i <= kTypes; ++i)
        rank[static_cast<size_t>(aminoptr[static_cast<size_t>(i)])] = i;
    std::stable_sort(order.begin(), order.end(), [&](int x, int y) {
        return rank[static_cast<size_t>(base.front[x])] < rank[static_cast<size_t>(base.front[y])];
    });
}

bool Optimiser::reorder(Lane& lane, Rng& r, Order o, long cycle) const {
    std::vector<int>& ord = lane.order;
    switch (o) {
        case Order::swaps:
            for (int k = 0; k < p.swapsperstep; ++k) {
                auto i = static_cast<size_t>(swaps() % static_cast<uint32_t>(npairs));
                auto j = static_cast<size_t>(swaps() % static_cast<uint32_t>(npairs));
                std::swap(ord[i], ord[j]);
            }
            break;
        case Order::random:
            rperm(ord, r);
            break;
        case Order::lexicographic:
            if (cycle > 0 && !std::next_permutation(ord.begin(), ord.end())) return false;
            break;
        case Order::typeshuffle:
            typeshuffle(lane, r);
            break;
        case Order::fewestconflicts:
            sortbyconflicts(ord, false);
            break;
        case Order::connected:
            connectionorder(ord, false, false);
            break;
        case Order::connectedrandom:
        case Order::connecteddown:
            rperm(ord, r);
            connectionorder(ord, true, o == Order::connecteddown);
            break;
        case Order::colour:
        case Order::colourrandom:
            colourorder(ord, r, o == Order::colourrandom);
            break;
        case Order::cliques:
            rperm(ord, r);
            cliqueorder(ord);
            break;
        case Order::keep:
        case Order::samplestrings:
        case Order::enumerate:
        case Order::formula:
            break;
    }
    return true;
}

void Optimiser::recursive_enumeration() {
    int depth = std::min(npairs, p.enumdepth);
    std::sort(order.begin(), order.begin() + depth);
    double best = -1;
    int bestup = 0;
    long n = 0;
    do {
        build(gensched);
        double sc = score(gensched);
        ++n;
        if (sc > best) best = sc, bestup = chkuniqsdup(gensched, uniqs), myschedule = gensched;
    } while (std::next_permutation(order.begin(), order.begin() + depth) && !obs.stop());
    obs.line("orders enumerated: " + std::to_string(n) + " best score: " + numstr(best, 8) +
             " resolved unique pairs: " + intstr(bestup));
}

}  // namespace optimiser
