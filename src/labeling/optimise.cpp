// The schedule optimiser.
//
// Design of the parts whose inner working is ours:
//  - Building (generate_anotherlabeling): pairs are taken in the pair order;
//    each gets the smallest sample mask (1, 2, 3, ... up to the cutoff mask
//    and at most 20 samples) after which no two occurring pairs share a mask
//    beyond the allowed-duplicates matrix and no receiving sample exceeds
//    maxpeaks peaks. A pair for which no mask works is left out and the
//    build goes on with the next pair, so one hard pair does not end the
//    build; lastpair is the number of pairs placed.
//  - Peak counts are counted over distinct (front, end) type combinations
//    of a sample: a peak is seen once however many entries label it.
//  - add_greedy: conflicts of a unique pair = number of occurring pairs that
//    share its front or its end type (the pairs that light up with it); the
//    pair order is sorted by conflicts, most first, so the hardest pairs get
//    the small masks. build_approx builds from that order; deleteduplicates
//    removes unique pairs that share a mask (possible with allowed
//    duplicates above 1) unless that would create a duplicate; wiggle moves
//    one pair at a time (an unresolved one to the front of the order, a
//    resolved one to the end) and rebuilds, in up to three passes. A move that
//    scores higher is taken; one that scores equal is taken with
//    probability accept_prob, which lets the greedy walk across plateaus.
//  - Then the greedy schedule is refined by annealing over its labels (see
//    anneal.h): the samples that carry 13C and 15N per residue type. A pair
//    order can only choose which pair takes the next smallest mask, and on
//    real proteins no order reaches the most pairs five or more samples can
//    resolve; the annealing does. It runs on the first n samples of the
//    cutoff, n rising from one (small counts reach their 2^n - 1 at once),
//    and stops at the first n that resolves them all; as every cutoff tries
//    the same counts below it, a larger cutoff never stores fewer resolved
//    pairs or more samples for as many. It starts from empty
//    labels: started from the greedy schedule it stays near that local
//    optimum (maltose-binding protein on 7 samples, four seeds: 37 to 61
//    resolved pairs from empty labels, 35 to 50 from the greedy ones). Its
//    result replaces the greedy schedule when it resolves more unique pairs,
//    or as many on fewer samples, or as many on as many samples with a
//    higher score. The score alone is not the judge here: its term
//    UP x 100 / 2^n would trade 18 resolved pairs for one sample fewer (31
//    pairs on 5 samples outscore 49 on 6), while the cutoff is the user's
//    sample budget.
//  - Then, among schedules of the best quality (resolved pairs, samples),
//    the cheapest recipe (see price.h): the polish walks from the best
//    schedule's labels to cheaper ones of the same quality, and the
//    distinct recipes it meets are the alternatives. After the cycles they
//    join the ring's entries, and the ten of the highest score fill the
//    slots: the ring alone holds one schedule when no cycle beats the first
//    one, which is the rule on real proteins. The score ranks them, so
//    priceweight decides how far the price moves a recipe up.
//  - Labelscore: a sample scores the label amount (alaba of the first atom)
//    of each residue whose type it labels with 13C or 15N.
//  - The price term is 0 when no sample shows an occurring pair (the total
//    price is then 0); (UP x 100) / C is a division of reals.
//  - The labeling file written after an improvement holds the ring as it
//    stands, ranked, stored in slots 1..10 as at the end of the run.
//  - Orders of the special modes: -2 steps through the permutations in
//    lexicographic order; -4 sorts a random order by the position of the
//    front type in a shuffled residue-type order; -6 sorts by conflicts,
//    fewest first; -7 to -9 follow connections (each next pair shares a type
//    with a placed one where possible), -8 and -9 from a random start, -9
//    taking the most conflicted connected pair first; -10 to -12 and -15
//    order by colour class of a greedy colouring of the conflict graph (two
//    pairs conflict when one's front type with the other's end type
//    occurs), -11 colouring in random vertex order; -16 orders by cliques of
//    pairs sharing a front type, largest first; -17 enumerates the orders of
//    the first (at most 8) pairs recursively, prints the best and ends the
//    program; -14 takes its schedule from the sample-string file named by
//    the variable "samplefile" (default "wtgtr.sched").
//  - The labeling tree and record pool only serve when treeopt is set,
//    which the optimiser clears; the pool is therefore not allocated.
#include "labeling/optimise.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <ctime>
#include <functional>
#include <mutex>
#include <numeric>
#include <random>
#include <string_view>
#include <thread>

#include "kemlang/print.h"
#include "kemlang/services.h"
#include "labeling/anneal.h"
#include "labeling/exact.h"
#include "labeling/labutils.h"
#include "labeling/price.h"
#include "molecule/kemradata.h"

namespace {

constexpr uint32_t kAllSamples = (1u << kSamples) - 1;

uint32_t candidatelimit(uint32_t cutoff) { return std::min(cutoff, kAllSamples); }

void samplesets(const Selection& smp, uint32_t& fr, uint32_t& en) {
    fr = en = 0;
    for (int i = 1; i <= smp.count; ++i) {
        if (smp.front[i] >= 1 && smp.front[i] <= kTypes) fr |= 1u << smp.front[i];
        if (smp.end[i] >= 1 && smp.end[i] <= kTypes) en |= 1u << smp.end[i];
    }
}

int peaksof(uint32_t fr, uint32_t en, const TypeMatrix& u) {
    int n = 0;
    for (int a = 1; a <= kTypes; ++a)
        if (fr & (1u << a))
            for (int b = 1; b <= kTypes; ++b)
                if ((en & (1u << b)) && u[a][b] > 0) n += u[a][b];
    return n;
}

bool listed(const Schedule& s, int f, int e) {
    for (int k = 1; k <= kSamples; ++k)
        for (int i = 1; i <= s.samples[k].count; ++i)
            if (s.samples[k].front[i] == f && s.samples[k].end[i] == e) return true;
    return false;
}

// Enters the pair into the samples of m; false (s unchanged) when one of them
// is full.
bool addtosamples(Schedule& s, int f, int e, uint32_t m) {
    for (int k = 1; k <= kSamples; ++k)
        if ((m & (1u << (k - 1))) && s.samples[k].count >= kEntries) return false;
    for (int k = 1; k <= kSamples; ++k)
        if (m & (1u << (k - 1))) addentry(s.samples[k], f, e, static_cast<int>(m));
    return true;
}

// Front and end type of the pair at position p of the order; false for a
// position that holds no usable pair.
bool pairat(const Selection& base, const int* order, int p, const TypeMatrix& u, int& f, int& e) {
    int k = order[p];
    if (k < 1 || k > base.count) return false;
    f = base.front[k], e = base.end[k];
    return f >= 1 && f <= kTypes && e >= 1 && e <= kTypes && u[f][e] > 0;
}

// "3 samples": plain text, for lines that are built but may not be printed
// (a placeholder would wait in the message store).
std::string counted(int n, const std::string& noun) {
    return intstr(n) + " " + noun + (n == 1 ? "" : "s");
}

std::string hms() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return intstr(tm.tm_hour) + " " + intstr(tm.tm_min) + " " + intstr(tm.tm_sec);
}

}  // namespace

// Scoring.

namespace {

// The label amounts of all residues: the label term's denominator.
double totallabelscore(const KemraData& d, const LabelData& l) {
    double total = 0;
    for (int i = 1; i <= d.nr && i < static_cast<int>(l.alaba.size()); ++i) total += l.alaba[i];
    return total;
}

}  // namespace

std::array<double, kSamples + 2> scoreceilings(double scoreweight, double priceweight,
                                               double fillweight, const TypeMatrix& uniqs,
                                               const KemraData& d, const LabelData& l,
                                               uint32_t cutoff) {
    std::array<double, kSamples + 2> top;
    top.fill(HUGE_VAL);
    // A negative weight or price turns a term's lower limit into no limit.
    bool negative = scoreweight < 0 || priceweight < 0 || fillweight < 0;
    for (int r = 1; r <= kTypes; ++r)
        negative = negative ||
                   (priceweight != 0 &&
                    (l.price_catoms[r] < 0 || l.price_natoms[r] < 0 || l.price_bothatoms[r] < 0));
    if (negative) return top;
    int unique = 0;
    for (int f = 1; f <= kTypes; ++f)
        for (int e = 1; e <= kTypes; ++e) unique += uniqs[f][e] == 1;
    // A sample adds at most the amounts of every residue that can carry a label.
    double samplelabel = 0;
    for (int i = 1; i <= d.nr; ++i)
        if (d.irlib[i] <= kTypes && d.ifira[i] < static_cast<int>(l.alaba.size()))
            samplelabel += std::max(0.0, l.alaba[d.ifira[i]]);
    const double totallabel = totallabelscore(d, l);
    const int most = std::bit_width(candidatelimit(cutoff));
    top[static_cast<size_t>(most) + 1] = 0;  // no schedule uses more
    for (int n = most; n >= 1; --n) {
        double c = std::ldexp(1.0, n);
        double label = totallabel > 0 ? n * samplelabel / totallabel * scoreweight : 0.0;
        double up = std::min<double>(unique, c - 1) * 100.0 / c;
        double fill = c > 1 ? c / (c - 1) * fillweight : 0.0;
        top[static_cast<size_t>(n)] =
            std::max(1 + label + up + fill, top[static_cast<size_t>(n) + 1]);
    }
    top[0] = std::max(0.0, top[1]);  // no sample: the score is 0
    return top;
}

double scoreschedule(Schedule& s, double scoreweight, double priceweight, double fillweight,
                     const TypeMatrix& uniqs, const KemraData& d, const LabelData& l,
                     int nsamples) {
    int up = chkuniqsdup(s, uniqs);  // also fills the pair-sample matrix
    int needed = 0, highest = 0;
    double price = 0, labelscore = 0;
    // The price row of each type, looked up once rather than per sample.
    std::array<int, kTypes + 1> pricerow{};
    for (int t = 1; t <= kTypes; ++t) {
        std::string_view name =
            t <= d.naa() ? std::string_view(d.res[t].name).substr(0, 3) : std::string_view();
        for (int r = 1; r <= kTypes && !pricerow[t]; ++r)
            if (l.price_asname[r] == name) pricerow[t] = r;
    }
    for (int k = 1; k <= kSamples; ++k) {
        const Selection& smp = s.samples[k];
        if (smp.count > 0) ++needed;
        uint32_t fr = 0, en = 0;
        samplesets(smp, fr, en);
        if ((fr | en) == 0) continue;  // an empty sample adds no price and no label
        for (int t = 1; t <= kTypes; ++t) {
            bool c = fr & (1u << t), n = en & (1u << t);
            if (!c && !n) continue;
            if (int r = pricerow[t])
                price += c && n ? l.price_bothatoms[r] : c ? l.price_catoms[r] : l.price_natoms[r];
        }
        for (int i = 1; i <= d.nr; ++i) {
            int t = d.irlib[i];
            if (t <= kTypes && ((fr | en) & (1u << t)) &&
                d.ifira[i] < static_cast<int>(l.alaba.size()))
                labelscore += l.alaba[d.ifira[i]];
        }
    }
    std::array<int, kTypes * kTypes> values;
    size_t nvalues = 0;
    for (int f = 1; f <= kTypes; ++f)
        for (int e = 1; e <= kTypes; ++e) {
            int m = s.schednrs[f][e];
            values[nvalues++] = m;
            if (m > 0 && uniqs[f][e] > 0)
                for (int k = kSamples; k > highest; --k)
                    if (m & (1 << (k - 1))) highest = k;
        }
    std::sort(values.begin(), values.end());
    int masksused = static_cast<int>(std::unique(values.begin(), values.end()) - values.begin());
    double totalprice = 18204.0 * (nsamples > 0 ? nsamples : highest);
    double totallabel = totallabelscore(d, l);
    if (needed == 0) return 0.0;
    double c = needed >= 32 ? 0.0 : std::ldexp(1.0, needed);
    double pterm = totalprice > 0 ? price / totalprice * priceweight : 0.0;
    double lterm = totallabel > 0 ? labelscore / totallabel * scoreweight : 0.0;
    double uterm = c > 0 ? up * 100.0 / c : 0.0;
    double fterm = c > 1 ? masksused / (c - 1) * fillweight : 0.0;
    double score = (1 - pterm) + lterm + uterm + fterm;
    if (uniqueflags.verbose_output) {
        listout("------Scoring overview-------");
        listout("Number of Samples needed: " + intstr(needed));
        listout("Number of UP assigned   : " + intstr(up));
        listout("Log of UP               : " + numstr(up > 0 ? std::log2(up) : 0.0, 6));
        listout("Price of the schedule   : " + numstr(price, 8));
        listout("Number of schednrs used : " + intstr(masksused));
        listout("labelscore this schedule: " + numstr(labelscore, 8));
        listout("total labelscore of all : " + numstr(totallabel, 8));
        listout("total price of all      : " + numstr(totalprice, 8));
        listout("Overall score           : " + numstr(score, 8));
        listout("Influences:             :");
        listout("Influence of the price  : " + numstr(1 - pterm, 8));
        listout("influence of schednrs   : " + numstr(fterm, 8));
        listout("influence of labelscore : " + numstr(lterm, 8));
        listout("Influence of #UP        : " + numstr(uterm, 8));
        listout("score right now         : " + numstr(score, 8));
        listout("-----------------------------");
    }
    return score;
}

// Incremental builder.

ScheduleBuilder::ScheduleBuilder(const TypeMatrix& uniqs, const TypeMatrix& allowed)
    : uniqs_(uniqs), allowed_(allowed), count_(static_cast<size_t>(kAllSamples) + 1, 0) {
    uniform_ = allowed[1][1] > 0 ? allowed[1][1] : 0;
    for (int a = 1; a <= kTypes; ++a)
        for (int b = 1; b <= kTypes; ++b) {
            if (allowed[a][b] != uniform_) uniform_ = 0;
            if (uniqs[a][b] > 0) row_[a].push_back(b), col_[b].push_back(a);
        }
}

void ScheduleBuilder::clear() {
    for (int a = 1; a <= kTypes; ++a)
        for (int b = 1; b <= kTypes; ++b) {
            if (mat_[a][b] != 0) count_[static_cast<size_t>(mat_[a][b])] = 0;
            mat_[a][b] = 0;
        }
    cmask_.fill(0);
    nmask_.fill(0);
    fbits_.fill(0);
    ebits_.fill(0);
    peaks_.fill(0);
    entries_.fill(0);
}

int ScheduleBuilder::peaksafter(int s, int f, int e) const {
    uint32_t fr = fbits_[s], en = ebits_[s];
    int n = peaks_[s];
    if (!(fr & (1u << f))) {
        uint32_t e2 = en | (1u << e);
        for (int b : row_[f])
            if (e2 & (1u << b)) n += uniqs_[f][b];
    }
    if (!(en & (1u << e)))
        for (int a : col_[e])
            if (fr & (1u << a)) n += uniqs_[a][e];
    return n;
}

bool ScheduleBuilder::groupsok(int nchanged) {
    if (uniform_ > 0) {
        for (int i = 0; i < nchanged; ++i)
            if (count_[static_cast<size_t>(mat_[changes_[i].a][changes_[i].b])] > uniform_)
                return false;
        return true;
    }
    int maxmask = 0;
    return checkmatrix(mat_, maxmask, allowed_, uniqs_) == 0;
}

bool ScheduleBuilder::tryplace(int f, int e, uint32_t m, int maxpeaks) {
    uint32_t cf = cmask_[f] | m, ne = nmask_[e] | m;
    // Fast refusal: pairs of row f hold masks within cmask[f], pairs of
    // column e masks within nmask[e]. A new mask outside both is held only by
    // pairs this placement leaves alone, so its count cannot drop below the
    // present one.
    const uint32_t oldc = cmask_[f], oldn = nmask_[e];
    int n = 0;
    auto update = [&](int a, int b, uint32_t nm) {
        int old = mat_[a][b];
        if (static_cast<int>(nm) == old) return true;
        if (uniform_ > 0 && count_[nm] >= uniform_ && (nm & ~oldc) && (nm & ~oldn)) return false;
        changes_[n++] = {a, b, old};
        if (old) --count_[static_cast<size_t>(old)];
        ++count_[nm];
        mat_[a][b] = static_cast<int>(nm);
        return true;
    };
    bool ok = update(f, e, cf & ne);
    for (size_t i = 0; ok && i < row_[f].size(); ++i)
        if (int b = row_[f][i]; b != e) ok = update(f, b, cf & nmask_[b]);
    for (size_t i = 0; ok && i < col_[e].size(); ++i)
        if (int a = col_[e][i]; a != f) ok = update(a, e, cmask_[a] & ne);
    ok = ok && groupsok(n);
    std::array<int, kSamples + 1> newpeaks = peaks_;
    if (ok)
        for (int k = 1; k <= kSamples; ++k)
            if (m & (1u << (k - 1))) {
                if (entries_[k] >= kEntries) ok = false;
                newpeaks[k] = peaksafter(k, f, e);
                if (maxpeaks != 999 && newpeaks[k] > maxpeaks) ok = false;
            }
    if (!ok) {
        for (int i = n - 1; i >= 0; --i) {
            const Change& c = changes_[i];
            --count_[static_cast<size_t>(mat_[c.a][c.b])];
            if (c.old) ++count_[static_cast<size_t>(c.old)];
            mat_[c.a][c.b] = c.old;
        }
        return false;
    }
    cmask_[f] = cf;
    nmask_[e] = ne;
    peaks_ = newpeaks;
    for (int k = 1; k <= kSamples; ++k)
        if (m & (1u << (k - 1))) fbits_[k] |= 1u << f, ebits_[k] |= 1u << e, ++entries_[k];
    return true;
}

void ScheduleBuilder::addpartner(int& np, uint32_t was, uint32_t changing) {
    if (changing == 0) return;  // no candidate changes this partner
    partners_[static_cast<size_t>(np++)] = {was, changing, (changing & (~changing + 1)) - 1};
}

int ScheduleBuilder::build(const Selection& base, const int* order, int npairs, Schedule& s,
                           uint32_t cutoff, int maxpeaks, int giveup) {
    clear();
    initschedule(s);
    std::array<std::array<bool, kTypes + 1>, kTypes + 1> done{};
    const uint32_t limit = candidatelimit(cutoff);
    int placed = 0;
    uint32_t filled = 0;  // samples holding an entry
    for (int p = 0; p < npairs; ++p) {
        int f = 0, e = 0;
        if (!pairat(base, order, p, uniqs_, f, e) || done[f][e]) continue;
        // A candidate m changes a row partner (f, b) to cf' & n[b] and a
        // column partner (a, e) to c[a] & ne': the partner's new mask
        // depends only on m's bits in its "changing" set (n[b] outside cf,
        // c[a] outside ne). When that new mask is already held by a pair the
        // placement leaves alone (one outside cmask[f] and nmask[e]), the
        // candidate is refused for certain, and so is every following one
        // up to the next change of a bit in the changing set: the run ends
        // below its lowest bit. The partners are asked before any trial
        // placement, those that refused last first, and the partners whose
        // runs are longest next.
        const uint32_t cf = cmask_[f], ne = nmask_[e];
        int np = 0;
        if (uniform_ > 0) {
            addpartner(np, static_cast<uint32_t>(mat_[f][e]), limit & ~(cf & ne));  // the pair
            for (int b : row_[f])
                if (b != e) addpartner(np, static_cast<uint32_t>(mat_[f][b]), nmask_[b] & ~cf);
            for (int a : col_[e])
                if (a != f) addpartner(np, static_cast<uint32_t>(mat_[a][e]), cmask_[a] & ~ne);
            std::sort(partners_.begin(), partners_.begin() + np,
                      [](const Partner& x, const Partner& y) { return x.run > y.run; });
        }
        const int* count = count_.data();
        const int uniform = uniform_;
        auto pinned = [&](const Partner& x, uint32_t m) {
            uint32_t q = m & x.changing;
            if (q == 0) return false;
            uint32_t nm = x.was | q;
            return count[nm] >= uniform && (nm & ~cf) && (nm & ~ne);
        };
        int hint = -1;
        for (uint32_t m = 1; m <= limit; ++m) {
            int refusing = -1;
            if (hint >= 0 && pinned(partners_[static_cast<size_t>(hint)], m)) refusing = hint;
            for (int i = 0; refusing < 0 && i < np; ++i)
                if (pinned(partners_[static_cast<size_t>(i)], m)) refusing = i;
            if (refusing >= 0) {
                hint = refusing;
                m |= partners_[static_cast<size_t>(refusing)].run;  // last candidate of the run
                continue;
            }
            if (tryplace(f, e, m, maxpeaks)) {
                (void)addtosamples(s, f, e, m);  // tryplace checked the room
                done[f][e] = true;
                ++placed;
                filled |= m;
                break;
            }
        }
        if (giveup > 0 && std::popcount(filled) >= giveup) {
            s.lastpair = placed;
            return -1;
        }
    }
    s.schednrs = mat_;
    s.lastpair = placed;
    return placed;
}

int buildreference(const Selection& base, const int* order, int npairs, Schedule& s,
                   uint32_t cutoff, int maxpeaks, const TypeMatrix& uniqs,
                   const TypeMatrix& allowed) {
    initschedule(s);
    auto held = std::make_unique<Schedule>();
    Schedule& trial = *held;
    const uint32_t limit = candidatelimit(cutoff);
    int placed = 0;
    for (int p = 0; p < npairs; ++p) {
        int f = 0, e = 0;
        if (!pairat(base, order, p, uniqs, f, e) || listed(s, f, e)) continue;
        for (uint32_t m = 1; m <= limit; ++m) {
            trial = s;
            if (!addtosamples(trial, f, e, m)) continue;
            fillschednrs(trial, uniqs);
            int total = 0;
            if (checkschedule(trial, total, allowed, uniqs) != 0) continue;
            bool ok = true;
            for (int q = 1; q <= kSamples && ok; ++q)
                if (m & (1u << (q - 1))) {
                    uint32_t fr = 0, en = 0;
                    samplesets(trial.samples[q], fr, en);
                    ok = maxpeaks == 999 || peaksof(fr, en, uniqs) <= maxpeaks;
                }
            if (!ok) continue;
            s = trial;
            ++placed;
            break;
        }
    }
    fillschednrs(s, uniqs);
    s.maxmask = 0;
    s.lastpair = placed;
    return placed;
}

// The optimisation run.

namespace {

// How a mode orders the pairs before a cycle builds.
enum class Order {
    keep,             // the order stays (mode 0 and modes without a strategy)
    swaps,            // positive modes: random transpositions, counting down
    random,           // a fresh random order
    lexicographic,    // the next permutation; the run ends when they wrap
    typeshuffle,      // random order sorted by a shuffled front-type order
    fewestconflicts,  // sorted by conflicts, fewest first
    connected,        // following connections from the most conflicted pair
    connectedrandom,  // following connections from a random order
    connecteddown,    // the same, the most conflicted connected pair first
    colour,           // colour classes of the conflict graph
    colourrandom,     // the same, colouring in random vertex order
    cliques,          // cliques of pairs sharing a front type, largest first
    samplestrings,    // no build: the schedule of the sample-string file
    enumerate,        // the orders of the leading pairs; ends the program
    formula,          // the formula dump; ends the program
};

struct Mode {
    int iterations;
    const char* message;  // printed at the start, nullptr for none
    bool onecycle;        // the run makes one cycle
    Order order;
};

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

const Mode& modeof(int it) {
    if (it > 0) return kModes[0];
    for (const Mode& m : kModes)
        if (m.iterations == it) return m;
    return kModes[std::size(kModes) - 1];
}

// Random numbers of an order strategy: the run's own stream (ran1) for the
// sequential modes, or a stream of one cycle's own for the modes whose cycles
// are independent (so that the cycles can run on any number of threads and
// give the same result).
struct Rng {
    virtual ~Rng() = default;
    virtual double next() = 0;  // uniform in [0, 1)
};

struct RunRng : Rng {
    int& seed;
    explicit RunRng(int& s) : seed(s) {}
    double next() override { return ran1(seed); }
};

uint64_t splitmix(uint64_t& x) {
    uint64_t z = (x += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

struct CycleRng : Rng {
    uint64_t state;
    CycleRng(int seed, long cycle) {
        uint64_t x = static_cast<uint32_t>(seed);
        state = splitmix(x) ^ (static_cast<uint64_t>(cycle) * 0xD1B54A32D192ED03ull);
    }
    double next() override { return static_cast<double>(splitmix(state) >> 11) * 0x1.0p-53; }
};

// What one thread needs to order and build: its pair order, its residue-type
// order (mode -4), its builder and the schedule it builds into.
struct Lane {
    std::vector<int> order;
    std::array<int, kTypes + 1> aminoptr{};
    ScheduleBuilder builder;
    std::unique_ptr<Schedule> sched = std::make_unique<Schedule>();
    Lane(const TypeMatrix& uniqs, const TypeMatrix& allowed, int npairs)
        : order(static_cast<size_t>(npairs)), builder(uniqs, allowed) {
        std::iota(order.begin(), order.end(), 1);
        std::iota(aminoptr.begin(), aminoptr.end(), 0);
    }
};

// The label annealing on one count of samples. Its result depends on the
// run's seed and the count alone, so the walks of the next counts can run
// ahead on other threads while this thread builds greedily, and the result
// is the same on any number of threads.
struct Walk {
    Annealer annealer;
    Labels result;
    uint64_t seed;
    long steps;
    int bound;
    std::atomic<bool> cancel{false}, done{false};
    std::thread thread;
    Walk(const Selection& base, const TypeMatrix& uniqs, const TypeMatrix& allowed, uint32_t bits,
         int maxpeaks, uint64_t sd, long st, int bd)
        : annealer(base, uniqs, allowed, bits, maxpeaks), seed(sd), steps(st), bound(bd) {}
    ~Walk() {
        cancel = true;
        if (thread.joinable()) thread.join();
    }
    // On another thread.
    void start() {
        if (thread.joinable() || done) return;
        thread = std::thread([this] {
            result =
                annealer.search(Labels(), seed, steps, bound, [this] { return cancel.load(); });
            done = true;
        });
    }
    // Here, or waiting for the other thread; stop is asked every few
    // milliseconds either way.
    void finish(const std::function<bool()>& stop) {
        if (!thread.joinable()) {
            if (!done) result = annealer.search(Labels(), seed, steps, bound, stop), done = true;
            return;
        }
        while (!done) {
            if (stop()) cancel = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        thread.join();
    }
};

struct Optimiser {
    const Problem& pb;
    const OptParams& p;
    Observer& obs;
    OptResult& out;
    const Selection& base;
    const TypeMatrix& uniqs;
    int npairs = 0;
    Lane lane0;               // the run's own lane: the greedy build and the sequential modes
    std::vector<int>& order;  // pair order, 1-based values in 0..npairs-1
    ScheduleBuilder& builder;
    int seed = 1;
    mutable std::mt19937 swaps;
    double greedyscore = 0;
    int giveup = 0;       // filled samples at which a cycle's build has lost to the first schedule
    int uniquepairs = 0;  // unique pairs of the base selection
    long lastchange = 0;  // cycle of the last change of the ring
    long cycle = 0;       // cycle being judged
    std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now(),
                                          lastprogress = started, cyclesstarted = started;
    std::array<int, kSlots + 1> topscores{};
    int ringentries = 0;
    std::vector<int> fingerprints;
    Schedule greedsched, gensched, myschedule, trialsched;
    std::array<Schedule, kSlots + 1> topschedules;
    PriceTable prices{};
    // Distinct recipes of the first schedule's quality, cheapest first.
    std::vector<std::unique_ptr<Schedule>> alternatives;

    Optimiser(const Problem& problem, const OptParams& params, Observer& o, OptResult& r)
        : pb(problem),
          p(params),
          obs(o),
          out(r),
          base(problem.base),
          uniqs(problem.uniqs),
          npairs(problem.base.count),
          lane0(problem.uniqs, params.allowed, problem.base.count),
          order(lane0.order),
          builder(lane0.builder),
          prices(typeprices(problem.mol, problem.lab)) {}

    double score(Schedule& s) {
        return scoreschedule(s, p.scoreweight, p.priceweight, p.fillweight, uniqs, pb.mol, pb.lab);
    }
    double ran() { return ran1(seed); }
    void rperm() {
        RunRng r(seed);
        rperm(order, r);
    }
    void rperm(std::vector<int>& ord, Rng& r) const {
        std::iota(ord.begin(), ord.end(), 1);
        for (int i = npairs - 1; i > 0; --i) {
            int j = std::min(i, static_cast<int>(r.next() * (i + 1)));
            std::swap(ord[static_cast<size_t>(i)], ord[static_cast<size_t>(j)]);
        }
    }
    int build(Schedule& s, int giveupat = 0) {
        return builder.build(base, order.data(), npairs, s, p.cutoff, p.maxpeaks, giveupat);
    }
    int conflicts(int k) const {
        return static_cast<int>(std::count_if(&uniqs[base.front[k]][1],
                                              &uniqs[base.front[k]][1] + kTypes,
                                              [](int v) { return v > 0; })) +
               static_cast<int>(std::count_if(uniqs.begin() + 1, uniqs.end(), [&](const auto& row) {
                   return row[static_cast<size_t>(base.end[k])] > 0;
               }));
    }
    bool conflicting(int i, int j) const {
        return uniqs[base.front[i]][base.end[j]] > 0 || uniqs[base.front[j]][base.end[i]] > 0 ||
               base.front[i] == base.front[j] || base.end[i] == base.end[j];
    }
    void sortbyconflicts(std::vector<int>& ord, bool most) const {
        std::stable_sort(ord.begin(), ord.end(), [&](int a, int b) {
            return most ? conflicts(a) > conflicts(b) : conflicts(a) < conflicts(b);
        });
    }
    void sortbyconflicts(bool most) { sortbyconflicts(order, most); }
    void connectionorder(std::vector<int>& ord, bool randomstart, bool downwards) const;
    void colourorder(std::vector<int>& ord, Rng& r, bool randomvertices) const;
    void cliqueorder(std::vector<int>& ord) const;
    void typeshuffle(Lane& lane, Rng& r) const;
    // Orders the lane's pairs for the cycle; false when the mode has no
    // order left.
    bool reorder(Lane& lane, Rng& r, Order o, long cycle) const;
    void greedy(Schedule& s);
    void wiggle(Schedule& s, uint32_t cutoff);
    void firstschedule(Schedule& s);
    void cheaper(Schedule& s, const std::function<void(Schedule&)>& consider);
    void addalternatives();
    bool acceptable(Schedule& s);
    // Is unique pair k shown in s with a mask no other occurring pair has?
    bool resolved(const Schedule& s, int k) const {
        int m = s.schednrs[base.front[k]][base.end[k]];
        if (m == 0) return false;
        int same = 0;
        for (int f = 1; f <= kTypes; ++f)
            for (int e = 1; e <= kTypes; ++e) same += uniqs[f][e] > 0 && s.schednrs[f][e] == m;
        return same == 1;
    }
    void deleteduplicates(Schedule& s);
    void recursive_enumeration();
    void enterring(Schedule& my, double best);
    void rank(bool announce);
    // The schedule the ring ranks first: its resolved unique pairs and samples.
    void ringbest(int& resolved, int& samples);
    // Is the first schedule as good as can be proven (mode -1's early end)?
    bool proven();
    // A progress line when the last one is some seconds old.
    void tick(const std::string& what);
    void progress(long cycles);
    void bounds(int nall);
    void exact(int nall, const std::function<void(Schedule&)>& consider, const Schedule& best,
               const std::vector<Labels>& walked, int& bestup, int& bestn);
    static bool independent(const Mode& m);
    void sequentialcycles(int it, double& best);
    void independentcycles(const Mode& mode, double& best);
    void run();
};

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

void Optimiser::deleteduplicates(Schedule& s) {
    DupList fr{}, en{}, ms{};
    int ndup = 0;
    chkuniqsdup(s, uniqs, &fr, &en, &ms, &ndup);
    for (int i = 1; i <= std::min(ndup, kListLen); ++i) {
        trialsched = s;
        for (int k = 1; k <= kSamples; ++k) {
            Selection& smp = trialsched.samples[k];
            Selection kept;
            for (int j = 1; j <= smp.count; ++j)
                if (smp.front[j] != fr[i] || smp.end[j] != en[i])
                    addentry(kept, smp.front[j], smp.end[j], smp.mask[j]);
            smp = kept;
        }
        fillschednrs(trialsched, uniqs);
        int total = 0;
        if (checkschedule(trialsched, total, p.allowed, uniqs) == 0) s = trialsched;
    }
}

// Greedy build on the samples of cutoff: the most conflicted pairs first,
// duplicates removed, then the wiggle; s is the best it meets, the pair
// order the one that built it.
void Optimiser::wiggle(Schedule& s, uint32_t cutoff) {
    auto make = [&](Schedule& x) {
        builder.build(base, order.data(), npairs, x, cutoff, p.maxpeaks);
        deleteduplicates(x);
    };
    sortbyconflicts(true);
    make(s);  // build_approx
    double best = score(s);
    if (uniqueflags.verbose_output)
        obs.line("Assignable unique pairs: (" + intn(npairs, 3) + ")" +
                 " score: " + numstr(best, 8));
    std::vector<int> keep = order;
    // An unresolved pair moves to the front of the order (it gets a small
    // mask), a resolved one to the end (it frees its mask); passes repeat
    // while they improve.
    for (int pass = 0; pass < p.wigglepasses && !obs.stop(); ++pass) {
        bool improved = false;
        for (int pos = 0; pos < npairs && !obs.stop(); ++pos) {
            std::vector<int> cand = keep;
            int moved = cand[static_cast<size_t>(pos)];
            cand.erase(cand.begin() + pos);
            if (resolved(s, moved))
                cand.push_back(moved);
            else
                cand.insert(cand.begin(), moved);
            order = cand;
            make(gensched);
            double sc = score(gensched);
            if (sc > best || (sc == best && ran() < p.accept_prob)) {
                improved = improved || sc > best;
                best = sc;
                keep = cand;
                s = gensched;
            }
        }
        if (!improved) break;
    }
    order = keep;
}

void Optimiser::greedy(Schedule& s) {
    firstschedule(s);
    if (uniqueflags.verbose_output)
        obs.line("Assigned unique pairs: " + intn(chkuniqsdup(s, uniqs), 3));
}

// Within the cutoff, the duplicate limits and the peak limit?
bool Optimiser::acceptable(Schedule& s) {
    fillschednrs(s, uniqs);
    int total = 0;
    if (checkschedule(s, total, p.allowed, uniqs) != 0) return false;
    for (int k = 1; k <= kSamples; ++k) {
        const Selection& smp = s.samples[static_cast<size_t>(k)];
        if (smp.count == 0) continue;
        if (!(p.cutoff & (1u << (k - 1)))) return false;
        uint32_t fr = 0, en = 0;
        samplesets(smp, fr, en);
        if (p.maxpeaks != 999 && peaksof(fr, en, uniqs) > p.maxpeaks) return false;
    }
    return true;
}

// The first schedule: for n = 1, 2, ... samples of the cutoff, the greedy
// build on those samples and the label annealing on them, the best of all
// kept (more resolved pairs, then fewer samples, then the higher score); it
// ends at the first n whose best resolves every unique pair. Every cutoff
// makes the same steps for the counts below it (one random stream, the
// greedy order restarted from the same shuffle, one seed per count), so a
// larger cutoff never stores fewer resolved pairs, nor more samples for as
// many.
void Optimiser::firstschedule(Schedule& s) {
    const uint32_t allowedbits = p.cutoff & kAllSamples;
    const int nall = std::popcount(allowedbits);
    // Base pairs that occur once: the most any schedule can resolve.
    std::array<std::array<bool, kTypes + 1>, kTypes + 1> seen{};
    int unique = 0;
    for (int k = 0; k < npairs; ++k) {
        int f = 0, e = 0;
        if (pairat(base, order.data(), k, uniqs, f, e) && uniqs[f][e] == 1 && !seen[f][e])
            seen[f][e] = true, ++unique;
    }
    uniquepairs = unique;
    auto needed = [](const Schedule& x) {
        return static_cast<int>(std::count_if(x.samples.begin() + 1, x.samples.end(),
                                              [](const Selection& smp) { return smp.count > 0; }));
    };
    int bestup = -1, bestn = 0;
    double bestscore = 0;
    Cost bestcost;
    // Better: more resolved pairs, then fewer samples, then fewer forms not
    // offered and a lower price, then the higher score.
    std::function<void(Schedule&)> consider = [&](Schedule& x) {
        int up = chkuniqsdup(x, uniqs), used = needed(x);
        double sc = score(x);
        Cost c = schedulecost(x, prices);
        if (up != bestup    ? up > bestup
            : used != bestn ? used < bestn
            : c != bestcost ? c < bestcost
                            : sc > bestscore) {
            bestup = up, bestn = used, bestscore = sc, bestcost = c;
            s = x;
        }
    };
    const std::vector<int> shuffled = order;
    std::vector<int> lastorder = order;
    initschedule(s);
    if (nall == 0) {  // nothing can be placed: the greedy build says so
        wiggle(s, 0);
        return;
    }
    std::vector<uint32_t> bitsof(static_cast<size_t>(nall) + 1, 0);
    for (int n = 1; n <= nall; ++n) {
        uint32_t rest = allowedbits & ~bitsof[static_cast<size_t>(n - 1)];
        bitsof[static_cast<size_t>(n)] = bitsof[static_cast<size_t>(n - 1)] | (rest & (~rest + 1));
    }
    // The walks of the next counts run ahead on the other threads.
    const int ahead = unique > 0 ? std::max(0, p.threads - 1) : 0;
    std::vector<std::unique_ptr<Walk>> walks(static_cast<size_t>(nall) + 1);
    auto walk = [&](int n) -> Walk& {
        auto& w = walks[static_cast<size_t>(n)];
        if (!w) {
            const uint64_t sd =
                static_cast<uint64_t>(static_cast<uint32_t>(p.seed)) * 0x9E3779B97F4A7C15ull +
                static_cast<uint64_t>(n);
            w = std::make_unique<Walk>(base, uniqs, p.allowed, bitsof[static_cast<size_t>(n)],
                                       p.maxpeaks, sd, p.annealsteps,
                                       std::min(unique, (1 << n) - 1));
        }
        return *w;
    };
    for (int n = 1; n <= nall && !obs.stop(); ++n) {
        for (int m = n + 1; m <= std::min(nall, n + ahead); ++m) walk(m).start();
        order = shuffled;
        wiggle(trialsched, bitsof[static_cast<size_t>(n)]);
        lastorder = order;
        consider(trialsched);
        if (unique > 0 && !obs.stop()) {
            Walk& w = walk(n);
            w.finish([&] {
                tick("label search on " + counted(n, "sample") + ", best so far " + intstr(bestup) +
                     " of " + intstr(unique) + " unique pairs on " + counted(bestn, "sample"));
                return obs.stop();
            });
            if (w.annealer.toschedule(w.result, trialsched) && acceptable(trialsched)) {
                if (uniqueflags.verbose_output)
                    obs.line("Annealed labels on " + intstr(n) + " samples resolve " +
                             intstr(chkuniqsdup(trialsched, uniqs)) + " unique pairs");
                consider(trialsched);
            }
        }
        if (bestup >= unique) break;
    }
    // What each finished walk reached: where the exact engine starts.
    std::vector<Labels> walked(static_cast<size_t>(nall) + 1);
    for (int n = 1; n <= nall; ++n)
        if (const auto& w = walks[static_cast<size_t>(n)]; w && !w->thread.joinable() && w->done)
            walked[static_cast<size_t>(n)] = w->result;
    walks.clear();  // the walks run ahead in vain end here
    order = lastorder;
    bounds(nall);
    if (p.exactseconds > 0 && unique > 0 && !obs.stop() && (allowedbits & (allowedbits + 1)) == 0)
        exact(nall, consider, s, walked, bestup, bestn);
    if (bestup > 0 && !obs.stop()) cheaper(s, consider);
}

// The cheapest recipes of the best schedule's quality: the polish on the
// samples it uses. The distinct ones it meets are kept as alternatives for
// the slots the ring leaves to them.
void Optimiser::cheaper(Schedule& s, const std::function<void(Schedule&)>& consider) {
    const int target = chkuniqsdup(s, uniqs);
    const uint32_t bits = p.cutoff & kAllSamples & cutoffmask(lastsample(s));
    Annealer a(base, uniqs, p.allowed, bits, p.maxpeaks);
    const uint64_t sd =
        static_cast<uint64_t>(static_cast<uint32_t>(p.seed)) * 0xD1B54A32D192ED03ull;
    Polished r =
        polish(a, labelsof(s, base, uniqs), target, prices, sd, p.polishsteps, kSlots, [&] {
            tick("cheaper recipes of " + intstr(target) + " resolved unique pairs");
            return obs.stop();
        });
    for (const Labels& l : r.distinct)
        if (a.toschedule(l, trialsched) && acceptable(trialsched)) {
            consider(trialsched);
            alternatives.push_back(std::make_unique<Schedule>(trialsched));
        }
}

// The ring's entries and the alternatives of the first schedule's quality
// that are not the same recipe as an entry: the ten of the highest score
// stay, in ring order before alternatives on equal scores.
void Optimiser::addalternatives() {
    if (alternatives.empty()) return;
    const int want = chkuniqsdup(greedsched, uniqs), wantn = lastsample(greedsched);
    std::vector<std::pair<int, Schedule>> all;
    std::vector<Labels> recipes;
    for (int k = 1; k <= std::min(ringentries, kSlots); ++k) {
        all.emplace_back(topscores[static_cast<size_t>(k)], topschedules[static_cast<size_t>(k)]);
        recipes.push_back(bought(topschedules[static_cast<size_t>(k)]));
    }
    for (const auto& alt : alternatives) {
        if (chkuniqsdup(*alt, uniqs) != want || lastsample(*alt) != wantn) continue;
        Labels l = bought(*alt);
        if (std::any_of(recipes.begin(), recipes.end(),
                        [&](const Labels& r) { return samerecipe(r, l); }))
            continue;
        recipes.push_back(l);
        all.emplace_back(static_cast<int>(score(*alt) * 100), *alt);
    }
    std::stable_sort(all.begin(), all.end(),
                     [](const auto& x, const auto& y) { return x.first > y.first; });
    for (int k = 1; k <= kSlots; ++k) {
        auto i = static_cast<size_t>(k - 1);
        if (i < all.size()) {
            topscores[static_cast<size_t>(k)] = all[i].first;
            topschedules[static_cast<size_t>(k)] = all[i].second;
        }
    }
    ringentries = std::max(ringentries, std::min(kSlots, static_cast<int>(all.size())));
}

// The exact engine, when the best schedule is not proven yet. When it
// resolves every unique pair, the question is one sample fewer: the engine
// starts from what the label walk reached on that count and climbs to all
// pairs, or proves they cannot be (then the best is optimal); found, it
// tries one fewer again. Otherwise the question is the most the cutoff's
// samples can resolve: it climbs from the best schedule's labels, and what
// it proves is the bound. Its schedules compete as the others do.
void Optimiser::exact(int nall, const std::function<void(Schedule&)>& consider,
                      const Schedule& best, const std::vector<Labels>& walked, int& bestup,
                      int& bestn) {
    for (int f = 1; f <= kTypes; ++f)
        for (int e = 1; e <= kTypes; ++e)
            if (p.allowed[f][e] != 1) return;  // the engine judges one pair per mask
    const bool allresolved = bestup >= uniquepairs;
    if ((allresolved && bestn <= out.fewest) || (!allresolved && bestup >= out.bound)) return;
    // The budget is work, as the engine counts it, so a seeded run stores
    // the same schedules on any machine; the wall clock only guards.
    double spent = 0;
    const auto guard = std::chrono::steady_clock::now() +
                       std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                           std::chrono::duration<double>(
                               p.exactseconds * static_cast<double>(ExactOptions{}.wallfactor)));
    auto limits = [&] {
        ExactLimits lim;
        lim.seconds = std::max(0.001, p.exactseconds - spent);
        lim.threads = p.threads;
        lim.interrupt = [&] {
            tick("exact search, best so far " + intstr(bestup) + " of " + intstr(uniquepairs) +
                 " unique pairs on " + counted(bestn, "sample"));
            return obs.stop() || std::chrono::steady_clock::now() >= guard;
        };
        return lim;
    };
    auto take = [&](const Labels& l, int k) {
        Annealer a(base, uniqs, p.allowed, cutoffmask(k), p.maxpeaks);
        if (a.toschedule(l, trialsched) && acceptable(trialsched)) consider(trialsched);
    };
    if (allresolved) {
        for (int k = bestn - 1;
             k >= std::max(1, out.fewest) && !obs.stop() && spent < p.exactseconds; --k) {
            const Labels* start =
                k < static_cast<int>(walked.size()) ? &walked[static_cast<size_t>(k)] : nullptr;
            ExactResult r = exactmaxresolved(base, uniqs, p.allowed, k, limits(), start);
            spent += r.work;
            if (r.status == ExactStatus::refused) return;
            if (r.found >= uniquepairs) {
                take(r.labels, k);
                continue;
            }
            if (r.bound < uniquepairs) out.fewest = std::max(out.fewest, k + 1);
            break;
        }
    } else {
        Labels start = labelsof(best, base, uniqs);
        ExactResult r = exactmaxresolved(base, uniqs, p.allowed, nall, limits(), &start);
        if (r.status == ExactStatus::refused) return;
        take(r.labels, nall);
        if (r.bound > 0) out.bound = std::min(out.bound, r.bound);
    }
    if (uniqueflags.verbose_output)
        obs.line("Exact search: fewest samples for all " + intstr(out.fewest) + ", most on " +
                 intstr(nall) + " samples " + intstr(out.bound));
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

// A schedule enters the ring unless an equal one (by fingerprint) is there;
// it takes the slot after the last one filled, round the ring.
void Optimiser::enterring(Schedule& my, double best) {
    int f = fingerprintschedule(my);
    if (std::find(fingerprints.begin(), fingerprints.end(), f) != fingerprints.end()) return;
    if (static_cast<int>(fingerprints.size()) < p.fingerprints) fingerprints.push_back(f);
    int k = ringentries % kSlots + 1;
    ++ringentries;
    topscores[static_cast<size_t>(k)] = static_cast<int>(best * 100);
    topschedules[static_cast<size_t>(k)] = my;
    lastchange = cycle;
    if (p.storeeach) rank(true);
}

void Optimiser::ringbest(int& resolved, int& samples) {
    int pos = 1;
    for (int k = 2; k <= kSlots; ++k)
        if (topscores[static_cast<size_t>(k)] > topscores[static_cast<size_t>(pos)]) pos = k;
    Schedule& s = topschedules[static_cast<size_t>(pos)];
    resolved = chkuniqsdup(s, uniqs);
    samples = lastsample(s);
}

// Proven when the first schedule resolves every unique pair on the fewest
// samples that can tell them apart (2^k - 1 distinct masks on k samples), or
// reaches the bound and sample count the caller proved.
bool Optimiser::proven() {
    int resolved = 0, samples = 0;
    ringbest(resolved, samples);
    if (resolved >= uniquepairs) return samples <= out.fewest;
    return resolved >= out.bound;
}

// What is proven before the cycles: by counting (k samples give 2^k - 1
// masks), by the caller, and by the exact engine when it has time.
void Optimiser::bounds(int nall) {
    out.fewest = 0;
    while ((1L << out.fewest) - 1 < uniquepairs) ++out.fewest;
    out.bound = std::min(uniquepairs, nall >= 31 ? uniquepairs : (1 << nall) - 1);
    if (p.provenpairs >= 0) out.bound = std::min(out.bound, p.provenpairs);
    out.fewest = std::max(out.fewest, p.provensamples);
}

void Optimiser::tick(const std::string& what) {
    auto now = std::chrono::steady_clock::now();
    if (now - lastprogress < std::chrono::duration<double>(p.progressseconds)) return;
    lastprogress = now;
    long s = static_cast<long>(std::chrono::duration<double>(now - started).count());
    obs.progress(std::to_string(s / 60) + ":" + (s % 60 < 10 ? "0" : "") + std::to_string(s % 60) +
                 " " + what);
}

void Optimiser::progress(long cycles) {
    auto now = std::chrono::steady_clock::now();
    if (now - lastprogress < std::chrono::duration<double>(p.progressseconds)) return;
    double secs = std::chrono::duration<double>(now - cyclesstarted).count();
    int resolved = 0, samples = 0;
    ringbest(resolved, samples);
    tick("cycles " + std::to_string(cycles) + " of " + std::to_string(p.maxcycle + 1) + ", " +
         std::to_string(static_cast<long>(secs > 0 ? static_cast<double>(cycles) / secs : 0)) +
         " a second, best " + intstr(resolved) + " of " + intstr(uniquepairs) +
         " unique pairs on " + counted(samples, "sample"));
}

// The ring ranked by score into the result; announce tells the observer.
void Optimiser::rank(bool announce) {
    std::vector<int> pos(kSlots), scores(topscores.begin(), topscores.end());
    std::iota(pos.begin(), pos.end(), 1);
    sortthispls(pos, scores);
    for (int r = 1; r <= kSlots; ++r) {
        int from = pos[static_cast<size_t>(r - 1)];
        if (uniqueflags.verbose_output)
            obs.line("Rank: " + intstr(r) +
                     " score: " + intstr(topscores[static_cast<size_t>(from)]));
        out.ranked[static_cast<size_t>(r)] = topschedules[static_cast<size_t>(from)];
    }
    if (announce) obs.improved(out.ranked);
}

// Modes whose every cycle draws a fresh order: a cycle depends only on the
// run's seed and its own number, so cycles can run on several threads and be
// judged afterwards in their own order, with the same result on any number
// of threads.
bool Optimiser::independent(const Mode& m) {
    if (m.onecycle) return false;
    switch (m.order) {
        case Order::random:
        case Order::typeshuffle:
        case Order::connectedrandom:
        case Order::connecteddown:
        case Order::colourrandom:
        case Order::cliques:
            return true;
        default:
            return false;
    }
}

// A crew of threads that work one round at a time: the calling thread is
// worker 0, the others wait for the next round.
class Crew {
   public:
    Crew(int n, std::function<void(int)> work) : work_(std::move(work)) {
        for (int t = 1; t < n; ++t) threads_.emplace_back([this, t] { loop(t); });
    }
    ~Crew() {
        {
            std::lock_guard<std::mutex> g(mu_);
            quit_ = true;
        }
        start_.notify_all();
        for (std::thread& t : threads_) t.join();
    }
    void round() {
        {
            std::lock_guard<std::mutex> g(mu_);
            ++generation_;
            pending_ = static_cast<int>(threads_.size());
        }
        start_.notify_all();
        work_(0);
        std::unique_lock<std::mutex> l(mu_);
        done_.wait(l, [this] { return pending_ == 0; });
    }

   private:
    void loop(int t) {
        long seen = 0;
        while (true) {
            {
                std::unique_lock<std::mutex> l(mu_);
                start_.wait(l, [&] { return quit_ || generation_ != seen; });
                if (quit_) return;
                seen = generation_;
            }
            work_(t);
            std::lock_guard<std::mutex> g(mu_);
            if (--pending_ == 0) done_.notify_one();
        }
    }
    std::function<void(int)> work_;
    std::vector<std::thread> threads_;
    std::mutex mu_;
    std::condition_variable start_, done_;
    long generation_ = 0;
    int pending_ = 0;
    bool quit_ = false;
};

void Optimiser::independentcycles(const Mode& mode, double& best) {
    // Verbose scoring prints from inside the build: one thread keeps it in order.
    const int nlanes = uniqueflags.verbose_output ? 1 : std::max(1, p.threads);
    const int per = std::max(1, p.cyclesperround);
    struct Result {
        bool done = false, greedy = false;
        double gen = 0;
        int total = 0;
    };
    std::vector<std::unique_ptr<Lane>> lanes;
    std::vector<std::vector<Result>> results(static_cast<size_t>(nlanes));
    std::vector<std::vector<std::unique_ptr<Schedule>>> built(static_cast<size_t>(nlanes));
    for (int t = 0; t < nlanes; ++t) {
        lanes.push_back(std::make_unique<Lane>(uniqs, p.allowed, npairs));
        results[static_cast<size_t>(t)].resize(static_cast<size_t>(per));
        for (int i = 0; i < per; ++i)
            built[static_cast<size_t>(t)].push_back(std::make_unique<Schedule>());
    }
    // The greedy schedule stands in for every cycle that builds no better one.
    auto greedy = std::make_unique<Schedule>(greedsched);
    fillschednrs(*greedy, uniqs);
    int greedytotal = 0;
    checkschedule(*greedy, greedytotal, p.allowed, uniqs);
    const double greedyplain = score(*greedy);
    std::atomic<bool> halt{false};
    long first = 0;  // first cycle of the round
    auto work = [&](int t) {
        Lane& lane = *lanes[static_cast<size_t>(t)];
        for (int i = 0; i < per; ++i) {
            Result& r = results[static_cast<size_t>(t)][static_cast<size_t>(i)];
            r.done = false;
            const long cycle = first + static_cast<long>(t) * per + i;
            // The first cycle is always made, as in the sequential modes.
            if (t == 0 && cycle > 0 && obs.stop()) halt = true;
            if (cycle > p.maxcycle || (halt && cycle > 0)) continue;
            Schedule& s = *built[static_cast<size_t>(t)][static_cast<size_t>(i)];
            CycleRng rng(p.seed, cycle);
            std::iota(lane.aminoptr.begin(), lane.aminoptr.end(), 0);
            do {
                reorder(lane, rng, mode.order, cycle);
                if (lane.builder.build(base, lane.order.data(), npairs, s, p.cutoff, p.maxpeaks,
                                       giveup) < 0) {
                    r.gen = -HUGE_VAL, r.greedy = true;  // lost before it was done
                } else {
                    r.gen = scoreschedule(s, p.scoreweight, p.priceweight, p.fillweight, uniqs,
                                          pb.mol, pb.lab);
                    r.greedy = r.gen <= greedyscore;
                }
                if (r.greedy) {
                    r.total = greedytotal;
                } else {
                    fillschednrs(s, uniqs);
                    checkschedule(s, r.total, p.allowed, uniqs);
                }
            } while (r.total > p.retotal && !halt && !(t == 0 && obs.stop()));
            r.done = true;
        }
    };
    Crew crew(nlanes, work);
    cyclesstarted = std::chrono::steady_clock::now();
    const Schedule* last = greedy.get();
    bool ended = false;
    while (!ended && first <= p.maxcycle) {
        crew.round();
        for (int t = 0; t < nlanes && !ended; ++t)
            for (int i = 0; i < per && !ended; ++i) {
                const Result& r = results[static_cast<size_t>(t)][static_cast<size_t>(i)];
                const long cycle = first + static_cast<long>(t) * per + i;
                if (!r.done) {
                    ended = true;
                    break;
                }
                Schedule& s =
                    r.greedy ? *greedy : *built[static_cast<size_t>(t)][static_cast<size_t>(i)];
                if (uniqueflags.verbose_output)
                    obs.line("generate gave: " + numstr(r.gen, 8) +
                             " build gave:" + numstr(greedyscore, 8));
                out.cycles = cycle + 1;
                this->cycle = cycle;
                double plain = r.greedy ? greedyplain : r.gen;
                double relative = r.total == 0 ? HUGE_VAL : plain / r.total;
                if (relative >= best) {
                    best = plain;
                    enterring(s, best);
                }
                last = &s;
                if ((cycle + 1) % p.progressevery == 0)
                    obs.line("iterations so far " + std::to_string(cycle + 1) + " Time:(hms) " +
                             hms() + " " + numstr(best, 8));
                if (mode.iterations == -1 && p.quietcycles > 0 &&
                    cycle - lastchange >= p.quietcycles && cycle % p.quietcycles == 0 && proven()) {
                    int resolved = 0, samples = 0;
                    ringbest(resolved, samples);
                    obs.line("The first schedule resolves " + intstr(resolved) + " of " +
                             intstr(uniquepairs) + " unique pairs on " +
                             counted(samples, "sample") +
                             ", the most that can be resolved on the fewest samples that can; "
                             "nothing changed in " +
                             std::to_string(cycle - lastchange) + " cycles: the search ends.");
                    ended = true;
                }
            }
        if (halt) ended = true;
        if (!ended) progress(first + static_cast<long>(nlanes) * per);
        first += static_cast<long>(nlanes) * per;
    }
    myschedule = *last;
}

// The cycles one after another on the run's own random stream: the modes
// whose next order depends on the last one, and the modes of one cycle.
void Optimiser::sequentialcycles(int it, double& best) {
    for (long cycle = 0; cycle <= p.maxcycle; ++cycle) {
        bool last = modeof(it).onecycle || obs.stop();
        int total = 0;
        do {
            const Mode& mode = modeof(it);
            if (mode.order == Order::swaps) --it;  // counts down to mode 0's last cycle
            if (mode.iterations == 0) last = true;
            RunRng r(seed);
            if (!reorder(lane0, r, mode.order, cycle)) last = true;
            if (mode.order == Order::enumerate) {
                recursive_enumeration();
                out.end = OptEnd::enumerated;
                out.last = myschedule;
                return;
            }
            if (mode.order == Order::formula) {
                out.end = OptEnd::formula;
                return;
            }
            bool lost = false;  // gave up: cannot pass the first schedule
            if (mode.order == Order::samplestrings)
                obs.samplestrings(gensched);
            else
                lost = build(gensched, giveup) < 0;
            double gen = lost ? -HUGE_VAL : score(gensched);
            if (uniqueflags.verbose_output)
                obs.line("generate gave: " + numstr(gen, 8) +
                         " build gave:" + numstr(greedyscore, 8));
            myschedule = gen <= greedyscore ? greedsched : gensched;
            fillschednrs(myschedule, uniqs);
            checkschedule(myschedule, total, p.allowed, uniqs);
        } while (total > p.retotal && !obs.stop());
        out.cycles = cycle + 1;
        this->cycle = cycle;
        double plain = score(myschedule);
        double relative = total == 0 ? HUGE_VAL : plain / total;
        if (relative >= best) {
            best = plain;
            enterring(myschedule, best);
        }
        if (last || obs.stop()) break;
        if ((cycle + 1) % p.progressevery == 0)
            obs.line("iterations so far " + std::to_string(cycle + 1) + " Time:(hms) " + hms() +
                     " " + numstr(best, 8));
        if ((cycle + 1) % p.reshuffleevery == 0) rperm();
        progress(cycle + 1);
    }
}

void Optimiser::run() {
    seed = -p.seed;
    swaps.seed(static_cast<uint32_t>(p.seed));
    for (int k = 1; k <= kSlots; ++k) initschedule(topschedules[static_cast<size_t>(k)]);
    topscores.fill(0);
    initschedule(myschedule);
    if (uniqueflags.verbose_output) {
        obs.line("Uniqs:");
        for (int t = 1; t <= kTypes; ++t) {
            std::string line = aaname5(pb.mol, t);
            for (int e = 1; e <= kTypes; ++e) line += " " + intstr(uniqs[t][e]);
            obs.line(line);
        }
        obs.line("generating new labeling");
    }
    if (p.cutoff != kAllSamples)
        obs.line("cutoff was chosen: " + std::to_string(static_cast<int32_t>(p.cutoff)));
    rperm();
    greedy(greedsched);
    greedyscore = score(greedsched);
    giveup = 0;
    if (p.cycleceiling && !uniqueflags.verbose_output) {
        // A cycle's schedule counts only when it scores above the first one.
        const auto top = scoreceilings(p.scoreweight, p.priceweight, p.fillweight, uniqs, pb.mol,
                                       pb.lab, p.cutoff);
        const double margin = 1e-9 * std::max(1.0, std::abs(greedyscore));
        for (int n = 1; n <= kSamples && !giveup; ++n)
            if (top[static_cast<size_t>(n)] + margin <= greedyscore) giveup = n;
    }
    myschedule = greedsched;
    int it = p.iterations;
    if (const char* msg = modeof(it).message) obs.line(msg);
    if (it < 0 || it > 1000)
        obs.line("Press Ctrl-C to end the search early; the best schedules found are kept.");
    if (uniqueflags.verbose_output) {
        std::string line = "pair order:";
        for (int k : order) line += " " + intstr(k);
        obs.line(line);
    }
    double best = -50000.0;
    if (independent(modeof(it)))
        independentcycles(modeof(it), best);
    else
        sequentialcycles(it, best);
    if (out.end == OptEnd::enumerated || out.end == OptEnd::formula) return;
    if (obs.stop()) out.end = OptEnd::interrupted;
    addalternatives();
    rank(false);
    out.last = myschedule;
}

}  // namespace

std::string verdictline(const Verdict& v) {
    int bound = std::min(v.unique, v.budget >= 31 ? v.unique : (1 << v.budget) - 1);
    if (v.provenpairs >= 0) bound = std::min(bound, v.provenpairs);
    int fewest = 0;
    while ((1L << fewest) - 1 < v.unique) ++fewest;
    fewest = std::max(fewest, v.provensamples);
    std::string line = "Labeling 1 resolves " + intstr(v.resolved) + " of " + intstr(v.unique) +
                       " unique pairs on " + counted(v.samples, "sample") + ", recipe price " +
                       intstr(v.price) + ": ";
    bool all = v.resolved >= v.unique;
    if ((all && v.samples <= fewest) || (!all && v.resolved >= bound)) return line + "optimal.";
    if (all) return line + "all unique pairs; no fewer than " + counted(fewest, "sample") + " can.";
    return line + "at most " + intstr(bound) + " with " + counted(v.budget, "sample") + "; all " +
           intstr(v.unique) + " need at least " + counted(fewest, "sample") + ".";
}

uint32_t cutoffmask(int cutoff) {
    if (cutoff <= 0) return 0;
    if (cutoff > 31) return 0xFFFFFFFFu;
    return (1u << cutoff) - 1;
}

std::unique_ptr<OptResult> optimise(const Problem& pb, const OptParams& p, Observer& obs) {
    auto result = std::make_unique<OptResult>();
    for (Schedule& s : result->ranked) initschedule(s);
    initschedule(result->last);
    auto o = std::make_unique<Optimiser>(pb, p, obs, *result);
    o->run();
    return result;
}
