// Reports of stored labelings: residue tables, samples, recipes, pairs,
// amino acids, what is left, the batch, pair classes, the code book, the
// HTML fragment and the HTML report file.
#include "labelio/reports.h"

#include <memory>

#include "commands/checks.h"
#include "commands/registry.h"
#include "kemlang/params.h"
#include "kemlang/print.h"
#include "kemlang/vars.h"
#include "labeling/slots.h"
#include "labelio/assigned.h"
#include "labelio/atomicfile.h"
#include "labelio/codebook.h"
#include "labelio/edits.h"
#include "labelio/html.h"
#include "labelio/labelfile.h"
#include "labelio/pairreports.h"
#include "labelio/recipe.h"
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

namespace {

// The pair analysis of the sequence and one stored labeling as a filled
// schedule record, made afresh for each report (the record is large, so it
// lives on the heap).
struct Report {
    Selection base;
    TypeMatrix uniqs{};
    std::unique_ptr<Schedule> s = std::make_unique<Schedule>();

    // Analysis with the usual bans and the set-up's warning, then labeling rank.
    void prepare(int rank, int multipair) {
        initdata(kemradata, labdata, base, uniqs, multipair);
        load(rank);
    }
    // Analysis without the warning; false (after saying so) when there are
    // too few unique pairs to be worth a report.
    bool uniquepairs(int multipair) {
        annotatepairs(kemradata, labdata, base, uniqs, Bans::on, multipair, false);
        if (base.count >= 2) return true;
        listout("Not enough unique pairs to make sense");
        return false;
    }
    void load(int rank) {
        import_pairs(labdata, rank, *s);
        fillschednrs(*s, uniqs);
    }
};

// A parameter error of the listing commands: the parser has said what is
// wrong; the command adds its own line and shows nothing.
bool wrongparams() {
    if (!haverr()) return false;
    listout("parameters wrong");
    return true;
}

void showlabelmultiple(Words& param, int& npar) {
    params(param, npar, "multipair=@i=1");
    if (haverr() || !paramin("multipair", 1, 1000000)) return;
    Report rep;
    initdata(kemradata, labdata, rep.base, rep.uniqs, iparam("multipair"));
    std::vector<Schedule> five(5);
    for (int r = 1; r <= 5; ++r) {
        Schedule& s = five[static_cast<size_t>(r - 1)];
        import_pairs(labdata, r, s);
        fillschednrs(s, rep.uniqs);
    }
    outputsequence_with_label_multiple(five, rep.uniqs, kemradata, labdata);
}

void showsample(Words& param, int& npar) {
    params(param, npar, "samplenr=@i=0 start=@i=1 end=@i=10 multipair=@i=1");
    if (wrongparams()) return;
    if (!paramin("samplenr", 0, kSlots) || !paramin("start", 1, kSlots) ||
        !paramin("end", 1, kSlots) || !paramin("multipair", 1, 1000000))
        return;
    int lo = iparam("start"), hi = iparam("end");
    if (int nr = iparam("samplenr"); nr != 0) lo = hi = nr;
    Report rep;
    for (int r = lo; r <= hi; ++r) {
        rep.prepare(r, iparam("multipair"));
        outputschedule(*rep.s, rep.uniqs, kemradata);
        outputsummary(kemradata, *rep.s);
    }
}

void showrecipe(Words& param, int& npar) {
    params(param, npar, "rank=@i=1");
    if (wrongparams() || !paramin("rank", 1, kSlots)) return;
    auto s = std::make_unique<Schedule>();
    import_pairs(labdata, iparam("rank"), *s);
    const Recipe r = makerecipe(*s, labdata, kemradata);
    outputrecipe(r, kemradata);
    // The recipe ends at the first empty sample; a design may use samples
    // after it, and those must not go unbought.
    const Recipe all = makerecipe(*s, labdata, kemradata, true);
    if (all.samples.size() > r.samples.size())
        wrnmsg("Sample " + intp(static_cast<int>(r.samples.size()) + 1) + " of labeling " +
               intp(iparam("rank")) +
               " is empty and the recipe stops there, leaving out the samples after it (up to "
               "sample " +
               intp(static_cast<int>(all.samples.size())) + "). The whole labeling costs " +
               intp(all.total) + ", as its verdict, report and order sheet say.");
}

void showpairs(Words& param, int& npar) {
    params(param, npar, "samplenr=@i=0 start=@i=1 end=@i=10 multipair=@i=1 rank=@i=1");
    if (wrongparams() || !paramin("rank", 1, kSlots) || !paramin("multipair", 1, 1000000)) return;
    Report rep;
    rep.prepare(iparam("rank"), iparam("multipair"));
    outputpairs(*rep.s, rep.uniqs, rep.base, kemradata);
}

void showaminoacids(Words&, int&) { outputaminoacids(kemradata); }

void showbatch(Words&, int&) { outputbatch(labdata); }

void showclasses(Words&, int&) { outputclasses(labdata, kemradata); }

void showwhatsleft(Words& param, int& npar) {
    params(param, npar, "front=@i=1 rear=@i=1 multipair=@i=1");
    if (haverr() || !paramin("front", 1, kTypes) || !paramin("rear", 1, kTypes) ||
        !paramin("multipair", 1, 1000000))
        return;
    Report rep;
    if (!rep.uniquepairs(iparam("multipair"))) return;
    int f = iparam("front"), r = iparam("rear");
    if (rep.uniqs[f][r] == 0)
        wrnmsg("The pair " + strq(typename_of(kemradata, f)) + " " +
               strq(typename_of(kemradata, r)) + " does not occur in the sequence.");
    rep.load(1);
    outputwhatsleft(*rep.s, f, r, rep.uniqs, labdata.iallowed_dupes);
}

void output_labeling_html(Words&, int&) {
    Report rep;
    if (!rep.uniquepairs(1)) return;
    rep.load(1);
    std::string seq, pat;
    htmllines(kemradata, *rep.s, rep.uniqs, seq, pat);
    listout("<pre>");
    listout(strp(seq));
    listout(strp(pat));
    patternlegend(rep.s->model);
    listout("</pre>");
}

// Every code a stored design shows, with the pairs and residues it names.
void showcodes(Words& param, int& npar) {
    params(param, npar, "rank=@i=1");
    if (haverr() || !paramin("rank", 1, kSlots)) return;
    Report rep;
    annotatepairs(kemradata, labdata, rep.base, rep.uniqs, Bans::on, 1, false);
    rep.load(iparam("rank"));
    outputcodes(codebook(*rep.s, rep.uniqs, kemradata, labdata), iparam("rank"), kemradata);
}

// The HTML page of a labeling in a file. The protein's name is taken from the
// variable "protein" when it is set.
void writereport(Words& param, int& npar) {
    params(param, npar, "file=*=report.html rank=@i=1");
    if (haverr() || !paramin("rank", 1, kSlots)) return;
    std::string file = trim(lefstr(getpar("file")));
    if (file.empty()) {
        errmsg("writereport needs a file name.");
        return;
    }
    std::string protein = trim(lefstr(getval("protein")));
    if (protein.empty()) protein = "Protein";
    int rank = iparam("rank");
    // The last assignment shows only while the slot holds the design it was
    // read through.
    AssignedRun& kept = lastassignment[static_cast<size_t>(rank)];
    const AssignedRun* assigned = currentassignment(lastassignment, labdata, rank, kemradata);
    const bool stale = !kept.empty() && !assigned;
    if (stale) kept = AssignedRun();
    if (!writeorsay("Report file", file, report_html(protein, rank, labdata, kemradata, assigned)))
        return;
    putlin(2, "Report of labeling " + intp(rank) + " written to " + strq(file) + ".");
    if (stale)
        putlin(2, "Assignments of an earlier design of labeling " + intp(rank) + " not shown.");
}

}  // namespace

static constexpr CommandReg regs[] = {
    {"showlabel", 1, showlabel},           {"showlabelmultiple", 0, showlabelmultiple},
    {"showsample", 0, showsample},         {"showrecipe", 0, showrecipe},
    {"showaminoacids", 0, showaminoacids}, {"showwhatsleft", 0, showwhatsleft},
    {"showpairs", 0, showpairs},           {"showbatch", 0, showbatch},
    {"showclasses", 0, showclasses},       {"output_labeling_html", 0, output_labeling_html},
    {"writereport", 1, writereport},       {"showcodes", 1, showcodes},
};
static_assert(slotted(regs), "every registered command needs a slot");
std::span<const CommandReg> reports_commands() { return regs; }
