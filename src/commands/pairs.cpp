// The pair analysis and the schedule optimiser: showuniquepairs,
// countuniquepairs (also typed as "quilter").
//
// countuniquepairs parses its parameters, runs the pair analysis and hands
// both to the optimiser. The optimiser only computes; this file is where its
// results meet the world: the labeling file after each improvement, the
// sample-string file of mode -14, the ten stored slots, the residue table,
// Ctrl-C, and the end of the program for the modes that end it.
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <thread>

#include "commands/checks.h"
#include "commands/registry.h"
#include "commands/saved.h"
#include "commands/testhooks.h"
#include "kemlang/kemlangdata.h"
#include "kemlang/params.h"
#include "kemlang/print.h"
#include "kemlang/services.h"
#include "kemlang/vars.h"
#include "labeling/optimise.h"
#include "labeling/price.h"
#include "labeling/slots.h"
#include "labelio/codebook.h"
#include "labelio/labelfile.h"
#include "labelio/recipe.h"
#include "labelio/reports.h"
#include "molecule/kemradata.h"
#include "molecule/textio.h"

namespace {

void showuniquepairs(Words& param, int& npar) {
    params(param, npar, "multipair=@i=1 banscramble");
    if (haverr()) return;
    Selection sel;
    TypeMatrix uniqs{};
    annotatepairs(kemradata, labdata, sel, uniqs, option("banscramble") ? Bans::on : Bans::off,
                  iparam("multipair"), true);
    if (sel.count < 2) listout("Not enough unique pairs to make sense");
}

std::string countsyntax() {
    static const char* pieces[] = {"iterations=@i=-1 seedvar=@i=0 ",
                                   " cutoff=@i=15 dupes=@i=1 multipair=@i=1",
                                   " filename=*=NO accept_prob=@r=0.4 ",
                                   " priceweight=@i=0 scoreweight=@i=1 fillweight=@i=1 ",
                                   " maxpeaks=@i=500 ",
                                   " helpme noban ",
                                   " satout",  // accepted; it changes nothing
                                   " spectra=*=hnco",
                                   " exactseconds=*="};
    std::string s;
    for (const char* piece : pieces) s = trim(s) + piece;
    return s.substr(0, 250);
}

// The exact engine's time: the parameter exactseconds, else the variable of
// that name, else the default; 0 turns the engine off. A value that is no
// number of seconds is an error, wherever it was given.
bool exactparam(double& secs) {
    std::string v = trim(lefstr(getpar("exactseconds")));
    bool param = !v.empty();
    if (!param) v = trim(lefstr(getval("exactseconds")));
    if (v.empty()) return true;
    double x = 0;
    if (toreal(v, x) && std::isfinite(x) && x >= 0) {
        secs = x;
        return true;
    }
    errmsg("Illegal value " + strq(v) + (param ? " for parameter " : " of the variable ") +
           strq("exactseconds") +
           ".@/It is the time of the exact search in seconds, a number 0 or more (0: none).");
    return false;
}

void clock(int& h, int& m, int& s) {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    h = tm.tm_hour, m = tm.tm_min, s = tm.tm_sec;
}

void printtime() {
    int h = 0, m = 0, s = 0;
    clock(h, m, s);
    listout("Time:(hms) " + intstr(h) + " " + intstr(m) + " " + intstr(s));
}

// Threads for the cycles: the variable "threads" when it holds a positive
// number, else QUILTER_THREADS from the environment, else every hardware
// thread. The result does not depend on it.
int threadcount() {
    int n = 0;
    std::string v = trim(getval("threads"));
    if (v.empty() || !toint(v, n) || n < 1) {
        const char* env = std::getenv("QUILTER_THREADS");
        if (!env || !toint(env, n) || n < 1)
            n = static_cast<int>(std::thread::hardware_concurrency());
    }
    return std::clamp(n, 1, 64);
}

// The optimiser's link to the stored slots, the labeling file, the
// sample-string file and Ctrl-C.
class CommandObserver : public Observer {
   public:
    CommandObserver(const TypeMatrix& uniqs, std::string filename, Analysis analysis)
        : uniqs_(uniqs), filename_(std::move(filename)), analysis_(analysis) {}
    void improved(const std::array<Schedule, kSlots + 1>& ranked) override { store(ranked); }
    bool stop() override { return intrpt; }
    bool samplestrings(Schedule& s) override {
        std::string file = getval("samplefile");
        if (trim(file).empty()) file = "wtgtr.sched";
        if (!read_samplestrings(file, labdata)) {
            initschedule(s);
            return false;
        }
        import_pairs(labdata, 1, s);
        return true;
    }
    // The ten slots, each with the pair analysis it was designed on, and the
    // labeling file when one was named.
    void store(const std::array<Schedule, kSlots + 1>& ranked) {
        for (int r = 1; r <= kSlots; ++r)
            if (export_pairs(ranked[r], uniqs_, r, labdata)) labdata.slotanalysis[r] = analysis_;
        if (trim(filename_) != "NO" && write_labeling_to_disk(filename_, 0, labdata, kemradata))
            labelingsinfile();
    }

   private:
    const TypeMatrix& uniqs_;
    std::string filename_;
    Analysis analysis_;
};

// What the stored first schedule achieves and what is proven about it.
Verdict verdict(const Schedule& best, const Selection& base, const TypeMatrix& uniqs,
                const OptParams& p, const OptResult& r) {
    Verdict v;
    auto s = std::make_unique<Schedule>(best);
    fillschednrs(*s, uniqs);
    // Counted as every report of the stored design counts: a pair the
    // analysis left out does not count, whatever its code.
    const UniqueTally t = tallyunique(paircodes(*s, uniqs), base, uniqs);
    v.resolved = t.resolved;
    v.unique = t.unique;
    v.samples = lastsample(*s);
    v.price = makerecipe(*s, labdata, kemradata, true).total;
    v.budget = std::popcount(p.cutoff & ((1u << kSamples) - 1));
    v.provenpairs = r.bound;
    v.provensamples = r.fewest;
    v.provenmost = r.fewestmost;
    v.model = p.model;
    v.reachable = r.reachable;
    const Offer offer = offerof(typeprices(kemradata, labdata));
    v.unbuyable = unbuyable(*s, base, uniqs, offer, kemradata);
    // The misses that unbuyable does not count: pairs an offered form shows.
    const CodeMatrix codes = paircodes(*s, uniqs);
    const Labels l = schedulelabels(*s);
    std::array<std::array<bool, kTypes + 1>, kTypes + 1> named{};
    for (int k = 1; k <= base.count; ++k) {
        const int f = base.front[k], e = base.end[k];
        if (!uniquepair(base, uniqs, f, e) || named[f][e] || resolvedpair(codes, uniqs, f, e))
            continue;
        named[f][e] = true;
        if (unbuyablepair(s->model, offer, l, f, e)) continue;
        v.stuck.push_back(trim(kemradata.res[static_cast<size_t>(f)].name) + "-" +
                          trim(kemradata.res[static_cast<size_t>(e)].name));
    }
    return v;
}

void countuniquepairs(Words& param, int& npar) {
    listout(join(param, npar));
    params(param, npar, countsyntax());
    if (option("helpme")) {
        listout("set userandom to positive for mcmc and -9 for conn opti ");
        listout("Set cutoff to the max number of samples");
        return;
    }
    OptParams p;
    p.iterations = iparam("iterations");
    int seed = iparam("seedvar");
    p.cutoff = cutoffmask(iparam("cutoff"));
    for (auto& row : p.allowed) row.fill(iparam("dupes"));
    int multipair = iparam("multipair");
    std::string filename = getpar("filename").substr(0, 80);
    p.accept_prob = rparam("accept_prob");
    Bans bans = option("noban") ? Bans::on : Bans::off;
    p.priceweight = iparam("priceweight");
    p.scoreweight = iparam("scoreweight");
    p.fillweight = iparam("fillweight");
    p.maxpeaks = iparam("maxpeaks");
    p.storeeach = trim(filename) != "NO";
    p.threads = threadcount();
    bool exactok = exactparam(p.exactseconds);
    testhooks.tune(p);
    listout("Filename used by count  " + strq(trim(filename)));
    if (haverr() || !exactok) return;
    // A mask of no sample finds nothing; more than 20 samples do not exist.
    if (!paramin("cutoff", 1, kSamples)) return;
    if (p.storeeach) {
        if (std::string problem = overwriteproblem(trim(filename), 0, false); !problem.empty()) {
            errmsg(problem);
            return;
        }
    }
    // Values that leave no schedule to find would search for minutes.
    if (iparam("dupes") < 1) {
        errmsg("dupes must be 1 or more: the number of pairs that may share a sample pattern.");
        return;
    }
    if (p.maxpeaks < 1) {
        errmsg("maxpeaks must be 1 or more (999: no limit on the peaks of a sample).");
        return;
    }
    if (!spectraparam(kemradata, p.model)) return;
    if (seed == 0) {
        int h = 0, m = 0, s = 0;
        clock(h, m, s);
        seed = h + m + 54235 * s;
    }
    p.seed = seed;
    listout(intstr(seed));
    printtime();
    Selection base;
    TypeMatrix uniqs{};
    annotatepairs(kemradata, labdata, base, uniqs, bans, multipair, true);
    if (base.count < 2) {
        listout("Not enough unique pairs to make sense");
    } else {
        // The optimiser takes a pair that occurs once for a marker. One the
        // analysis left out (banned) still gives peaks, but is no marker: it
        // is judged as a repeated pair, whose code only hides others.
        TypeMatrix judged = uniqs;
        for (int f = 1; f <= kTypes; ++f)
            for (int e = 1; e <= kTypes; ++e)
                if (uniqs[f][e] == 1 && !uniquepair(base, uniqs, f, e)) judged[f][e] = 2;
        CommandObserver obs(uniqs, filename, {bans == Bans::on, multipair});
        std::unique_ptr<OptResult> r = optimise({base, judged, kemradata, labdata}, p, obs);
        if (r->end == OptEnd::formula) {
            output_sat(uniqs);
            stopit(0);
        }
        if (r->end != OptEnd::enumerated) obs.store(r->ranked);
        // The residue table shows labeling 1, the schedule the verdict line
        // judges and every report reads back, not the last cycle's.
        auto shown =
            std::make_unique<Schedule>(r->end == OptEnd::enumerated ? r->last : r->ranked[1]);
        fillschednrs(*shown, uniqs);
        outputsequence_with_label(kemradata, labdata, *shown, uniqs);
        if (r->end != OptEnd::enumerated)
            listout(verdictline(verdict(r->ranked[1], base, uniqs, p, *r)));
        if (r->end == OptEnd::enumerated) stopit(0);
    }
    printtime();
}

}  // namespace

static constexpr CommandReg regs[] = {
    {"countuniquepairs", 1, countuniquepairs},
    {"quilter", 1, countuniquepairs},
    {"showuniquepairs", 1, showuniquepairs},
};
static_assert(slotted(regs), "every registered command needs a slot");
std::span<const CommandReg> pairs_commands() { return regs; }
