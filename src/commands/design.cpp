// Design commands beyond the optimiser: scoring and thinning a labeling,
// batch insertion, the genetic algorithm, full and colour schedules.
//
// The searches only compute; this file is where they meet the world: the
// console, the file "best.sched" after each better batch schedule, the log
// "gaopout5" of the genetic algorithm, Ctrl-C, and the end of the program
// after fastsched.
//
// Choices of ours:
//  - optimiselabeling's final list names, for each changed entry, the last
//    sample taken away from it (the lowest);
//  - addbatch draws its random orders from one stream that lives for the
//    session, so a second call tries new orders;
//  - fastsched prints a progress line every 100000 generations; addbatch,
//    when it plans 1000 passes or more, says how to end it and prints one
//    at passes 1000, 2000, 5000, 10000, ...
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <memory>

#include "commands/checks.h"
#include "commands/registry.h"
#include "commands/testhooks.h"
#include "kemlang/kemlangdata.h"
#include "kemlang/params.h"
#include "kemlang/print.h"
#include "kemlang/services.h"
#include "labeling/batch.h"
#include "labeling/colour.h"
#include "labeling/ga.h"
#include "labeling/refine.h"
#include "labeling/slots.h"
#include "labelio/labelfile.h"
#include "labelio/pairreports.h"
#include "labelio/recipe.h"
#include "molecule/kemradata.h"

namespace {

std::string name(int t) {
    std::string n = typename_of(kemradata, t);
    n.resize(std::max<size_t>(n.size(), 5), ' ');
    return n;
}

void samplehelp(Words&, int&) {
    static const char* lines[] = {
        "quilter - compute schedule ",
        "selectsample - select sample <nr> <rank> ",
        "readlabel - read a sample schedule",
        "showlabel - show labelschedules",
        "writelabel - write schedule to a file",
        "assignpairs - assign seq from a schedule ",
        "showrecipe - displays all amino acids in recipe form",
        "remove_unused_pairs - removes unused pairs from the schedule",
        "addbatch - adds pairs from the batch",
        "showwhatsleft - shows possible schednrs for a pair",
    };
    for (const char* l : lines) listout(l);
}

// Scores slot 1 as judged in the model the user names.
void scorethis(Words& param, int& npar) {
    params(param, npar, "spectra=*=hnco");
    Model model;
    if (haverr() || !spectraparam(kemradata, model)) return;
    Selection base;
    TypeMatrix uniqs{};
    initdata(kemradata, labdata, base, uniqs, 1);
    LabelingScore r = scorelabeling(kemradata, labdata, uniqs, 1, model);
    listout(numstr(r.score, 8));
    for (const ClassLine& c : r.classes)
        listout("sample " + intp(c.sample) + " adding score: " + intp(c.value) + " for " +
                strp(trim(name(c.front))) + " " + strp(trim(name(c.end))));
    listout("total class score: " + intp(r.classtotal));
}

void reportchange(int f, int e, int sample, int stored, int oldmask, int newmask) {
    listout("AS-pair " + intp(f) + " " + intp(e) + " in sample " + intp(sample) + " changed " +
            intp(stored));
    listout("old: " + intp(oldmask) + " new " + intp(newmask));
}

class ThinReport : public RefineObserver {
   public:
    ThinReport(bool ne, bool gt, bool lt) : ne_(ne), gt_(gt), lt_(lt) {}
    void kept(const MaskChange& c) override {
        last_[static_cast<size_t>(c.entry)] = c.sample;
        if ((ne_ && c.after != c.before) || (gt_ && c.after < c.before) ||
            (lt_ && c.after > c.before))
            reportchange(c.front, c.end, c.sample, c.stored, c.before, c.after);
    }
    int last(int entry) const { return last_[static_cast<size_t>(entry)]; }

   private:
    bool ne_, gt_, lt_;
    std::array<int, kSlotEntries + 1> last_{};
};

void optimiselabeling(Words& param, int& npar) {
    params(param, npar, "dupes=@i=1  multipair=@i=1 ne gt lt");
    if (haverr()) return;
    int multipair = iparam("multipair");
    Selection base;
    TypeMatrix uniqs{};
    annotatepairs(kemradata, labdata, base, uniqs, Bans::on, multipair, true);
    initdata(kemradata, labdata, base, uniqs, multipair);
    ThinReport report(option("ne"), option("gt"), option("lt"));
    thinlabeling(uniqs, labdata.iallowed_dupes, labdata, 1, 2, report);
    for (int i = 1; i <= labdata.ilabelsize[2]; ++i)
        if (labdata.ischedulenr[2][i] != labdata.ischedulenr[1][i])
            reportchange(labdata.ias_front[2][i], labdata.ias_end[2][i], report.last(i),
                         labdata.ischedulenr[2][i], labdata.ischedulenr[1][i],
                         labdata.ischedulenr[2][i]);
}

// Each better batch schedule: the progress line, the schedule, and slot 3
// into "best.sched". A long run says how to end it and where it stands at
// passes 1000, 2000, 5000, 10000, ...
class BatchReport : public BatchObserver {
   public:
    static constexpr long long kLongRun = 1000;
    explicit BatchReport(const TypeMatrix& uniqs) : uniqs_(uniqs) {}
    void improved(const Schedule& s, int used, int best, double score) override {
        listout(intp(used) + " " + intp(best) + " " + strp(numstr(score, 8)));
        outputschedule(s, uniqs_, kemradata);
        write_labeling_to_disk("best.sched", 3, labdata, kemradata);
    }
    bool stop() override { return intrpt; }
    void begin(long long planned) override {
        planned_ = planned;
        if (planned < kLongRun) return;
        listout("Batch insertion: " + strp(count(planned)) +
                " passes. Press Ctrl-C to end them early; the best schedule found is kept.");
    }
    void passed(long long passes, int best) override {
        if (planned_ < kLongRun || !milestone(passes)) return;
        listout("pass " + strp(std::to_string(passes)) + " of " + strp(count(planned_)) +
                ", best score " + intp(best));
    }

   private:
    static std::string count(long long n) {
        return n == LLONG_MAX ? "more than " + std::to_string(LLONG_MAX) : std::to_string(n);
    }
    static bool milestone(long long n) {
        if (n < kLongRun) return false;
        while (n % 10 == 0) n /= 10;
        return n == 1 || n == 2 || n == 5;
    }
    const TypeMatrix& uniqs_;
    long long planned_ = 0;
};

void addbatch(Words& param, int& npar) {
    params(param, npar, "front=@i=1 rear=@i=1 multipair=@i=1 dupes=@i=1 max=@i=0 random");
    if (haverr()) return;
    static int stream = -1;  // random orders: one stream for the session
    TypeMatrix allowed = labdata.iallowed_dupes;
    Selection base;
    TypeMatrix uniqs{};
    initdata(kemradata, labdata, base, uniqs, iparam("multipair"));
    BatchParams p;
    p.max = iparam("max");
    p.random = option("random");
    p.seed = stream;
    BatchReport report(uniqs);
    BatchResult r = ::addbatch(kemradata, labdata, uniqs, allowed, p, report);
    stream = p.seed;
    if (r.interrupted)
        listout("Interrupted after " + strp(std::to_string(r.passes)) + " passes; slot 3 and " +
                strq("best.sched") + " hold the best schedule found.");
}

void makefulllabeled(Words& param, int& npar) {
    params(param, npar, "sample=@i=1 rank=@i=1 N15 C13 doit");
    if (haverr() || !paramin("sample", 1, kSamples)) return;
    int k = iparam("sample");
    listout("sample " + intp(k));
    Selection base;
    TypeMatrix uniqs{};
    initdata(kemradata, labdata, base, uniqs, 1);
    auto s = std::make_unique<Schedule>();
    import_pairs(labdata, 1, *s);
    fillschednrs(*s, uniqs);
    int total = 0;
    checkschedule(*s, total, labdata.iallowed_dupes, uniqs);
    listout("duplicates: " + intp(total));
    for (const FullLine& l : fulllabeled(*s, uniqs, k))
        listout("U: " + intp(l.occur) + " Akt: " + intp(l.shows ? 1 : 0) + " (" +
                strp(name(l.front)) + " " + strp(name(l.end)) + ") " + strp(binarytotext(l.mask)));
}

void create_color_schedule(Words& param, int& npar) {
    params(param, npar, "rank=@i=4 cutoff=5");
    if (haverr()) return;
    Selection base;
    TypeMatrix uniqs{};
    initdata(kemradata, labdata, base, uniqs, 1);
    if (base.count < 2) return;
    Colouring c = vertex_color_greedy(base, uniqs, vertex_color_suggest(base, uniqs));
    listout("pointerarray, paircolors");
    for (size_t p = 0; p < c.order.size(); ++p)
        listout(intp(c.order[p]) + " " + intp(c.colour[static_cast<size_t>(c.order[p])]));
    std::vector<int> sizes = sortclasses(c);
    listout("after kardsort");
    int pos = 0;
    for (int colour = 1; colour <= c.ncolours; ++colour)
        for (int k = 1; k <= base.count; ++k) {
            if (c.colour[static_cast<size_t>(k)] != colour) continue;
            listout("Pos: " + intp(++pos) + " pair " + intp(k) + " (" + strp(name(base.front[k])) +
                    " " + strp(name(base.end[k])) + ") colour " + intp(colour) + " (" +
                    intp(sizes[static_cast<size_t>(colour - 1)]) + " pairs)");
        }
}

// The generations of fastsched: progress lines and Ctrl-C.
class GaReport : public GaObserver {
   public:
    void generation(long g, int popbest, int runbest) override {
        (void)popbest;
        if (g % 100000 == 0)
            listout("generation " + strp(std::to_string(g)) + " best fitness " + intp(runbest));
    }
    bool stop() override { return intrpt; }
};

double log2of(double x) { return x > 0 ? std::log2(x) : 0.0; }

void fastsched(Words&, int&) {
    GaParams p;  // seed 102342, 10 members, ten million generations, elite 1.0, mutation 0.10
    if (testhooks.gagenerations >= 0) p.evosteps = testhooks.gagenerations;
    listout("Genetic search: " + intp(p.popsize) + " members, seed " + intp(p.seed) + ", up to " +
            strp(std::to_string(p.evosteps)) +
            " generations; Ctrl-C ends it early with the best schedule found so far.");
    Selection base;
    TypeMatrix uniqs{};
    initdata(kemradata, labdata, base, uniqs, 1);
    TypeMatrix allowed = labdata.iallowed_dupes;
    char tag[32];
    std::snprintf(tag, sizeof tag, "p%d_s%d_m%.2f", p.popsize, p.seed, p.mutrate);
    std::string tagstr = tag;
    tagstr.resize(20, ' ');
    std::string reason;
    std::FILE* log = appendopen("gaopout5", reason);
    if (!log)
        wrnmsg("The log file " + strq("gaopout5") + " cannot be opened (" + strp(reason) +
               "); the search runs without it.");
    if (log)
        std::fprintf(log,
                     "Filestr : %s\npopulation size: %d\nseed: %d\nevolution steps: %ld\n"
                     "elitefactor: %.4f\nMutationrate: %.4f\n",
                     tagstr.c_str(), p.popsize, p.seed, p.evosteps, p.elitefactor, p.mutrate);
    GaReport report;
    std::unique_ptr<GaResult> r = low_level_ga(kemradata, labdata, uniqs, allowed, base, p, report);
    if (r->crossfail) {
        listout("crosspos: " + intp(r->crosspos) + " max: " + intp(r->crossmax) + " rand " +
                strp(numstr(r->crossrand, 8)));
        if (log) std::fclose(log);
        stopit(0);
    }
    if (log) {
        double npairs = base.count;
        std::fprintf(log,
                     "th.min: %d\nlog(#): %.6f\nOPT  Best sc: # %d\nlog(best): %.6f\n"
                     "best: %.6f\nlog(min): %.6f\nmut: %.4f\npop %d\nevo %ld\n",
                     static_cast<int>(std::ceil(log2of(npairs + 1))), log2of(npairs), r->fitness,
                     log2of(r->score), r->score, log2of(r->resolved), p.mutrate, p.popsize,
                     r->generations);
    }
    listout("generations: " + strp(std::to_string(r->generations)) + " best fitness " +
            intp(r->fitness) + " duplicates " + intp(r->dupes) + " resolved unique pairs " +
            intp(r->resolved) + (r->interrupted ? " (interrupted)" : ""));
    outputschedule(r->best, uniqs, kemradata);
    outputpairs(r->best, uniqs, base, kemradata);
    if (log) std::fclose(log);
    stopit(0);
}

}  // namespace

static constexpr CommandReg regs[] = {
    {"samplehelp", 0, samplehelp},
    {"scorethis", 0, scorethis},
    {"optimiselabeling", 0, optimiselabeling},
    {"addbatch", 0, addbatch},
    {"makefulllabeled", 0, makefulllabeled},
    {"create_color", 0, create_color_schedule},
    {"fastsched", 0, fastsched},
};
static_assert(slotted(regs), "every registered command needs a slot");
std::span<const CommandReg> design_commands() { return regs; }
