// From a stored design to assigned residues: simulatepeaks writes the
// peak lists the samples would give, assignpairs reads measured ones back,
// decodes them and assigns.
#include <cmath>
#include <memory>

#include "commands/checks.h"
#include "commands/registry.h"
#include "kemlang/params.h"
#include "kemlang/print.h"
#include "kemlang/services.h"
#include "labeling/slots.h"
#include "labelio/assigned.h"
#include "labelio/atomicfile.h"
#include "labelio/codebook.h"
#include "labelio/peakfiles.h"
#include "molecule/kemradata.h"

using namespace decoding;

namespace {

// The code book of slot rank over the sequence: false, with a message,
// when the slot holds no design.
bool designbook(int rank, bool hsqc, decoding::CodeBook& book, Model& model) {
    auto s = std::make_unique<Schedule>();
    import_pairs(labdata, rank, *s);
    const int k = designsamples(*s);
    if (k == 0) {
        errmsg("Labeling " + intp(rank) +
               " holds no design: make one with countuniquepairs or read one with readlabel.");
        return false;
    }
    model = s->model;
    std::vector<int> types(static_cast<size_t>(kemradata.nr) + 1);
    for (int i = 1; i <= kemradata.nr; ++i)
        types[static_cast<size_t>(i)] = kemradata.irlib[static_cast<size_t>(i)];
    book = codebook(types, schedulelabels(*s), k, hsqc || model.twospectra(),
                    asnameconverttonumber(kemradata, "PRO"));
    return true;
}

double shiftof(int r, const char* name) {
    const int a = residueatom(kemradata, r, name);
    if (a == 0 || kemradata.npkl < 1) return NAN;
    const double s = kemradata.shift[1][static_cast<size_t>(a)];
    return std::fabs(s) < 900.0 ? s : NAN;
}

std::string residuename(int r) {
    return trim(lefstr(kemradata.rnam[static_cast<size_t>(r)])) + " " +
           std::to_string(kemradata.ir[static_cast<size_t>(r)]);
}

std::string directoryof(const std::string& file) {
    size_t slash = file.rfind('/');
    return slash == std::string::npos ? "" : file.substr(0, slash + 1);
}

std::string fixed(double x, int width, int decimals) {
    char b[48];
    std::snprintf(b, sizeof b, "%*.*f", width, decimals, x);
    return b;
}

}  // namespace

// The peak lists each sample of a design would give, from shift list 1.
static void simulatepeaks(Words& param, int& npar) {
    params(param, npar,
           "rank=@i=1 file=*=simulated noiseh=0.0<=@r=0.0 noisen=0.0<=@r=0.0 noisec=0.0<=@r=0.0 "
           "drop=0.0<=@r=0.0 seed=@i=1 hsqc");
    if (haverr() || !paramin("rank", 1, kSlots)) return;
    if (rparam("drop") > 1.0) {
        errmsg("Parameter " + strq("drop") + " is the fraction of peaks lost: 0 to 1.");
        return;
    }
    decoding::CodeBook book;
    Model model;
    if (!designbook(iparam("rank"), option("hsqc"), book, model)) return;
    std::vector<AmideShifts> shifts(static_cast<size_t>(kemradata.nr) + 1);
    int known = 0, typical = 0;
    for (int r = 1; r <= kemradata.nr; ++r) {
        const AmideShifts a{shiftof(r, "H"), shiftof(r, "N"), shiftof(r - 1, "C")};
        shifts[static_cast<size_t>(r)] = a;
        const bool amide = !std::isnan(a.h) && !std::isnan(a.n);
        known += amide;
        typical += amide && std::isnan(a.c) && Model::hnco(book.full[static_cast<size_t>(r)]);
    }
    if (known == 0) {
        errmsg("No amide shifts present: read a chemical shift list first (read bmrb file=...).");
        return;
    }
    Noise noise{rparam("noiseh"), rparam("noisen"), rparam("noisec"), rparam("drop"),
                static_cast<uint32_t>(iparam("seed"))};
    const std::vector<Peak> peaks = simulate(book, shifts, noise);
    const std::string base = trim(getpar("file"));
    std::string table = "# quilter spectra table: labeling " + std::to_string(iparam("rank")) +
                        "\n# sample  spectrum  file\n";
    std::vector<std::pair<std::string, std::string>> files;
    for (int k = 1; k <= book.nsamples; ++k)
        for (Spectrum s : {Spectrum::hsqc, Spectrum::hnco}) {
            if (s == Spectrum::hsqc && !book.hsqc) continue;
            std::string name = base + "_s" + std::to_string(k) + "_" + spectrumword(s) + ".list";
            files.push_back({name, peaklisttext(peaks, k, s)});
            size_t slash = name.rfind('/');
            table += std::to_string(k) + "  " + spectrumword(s) + "  " +
                     (slash == std::string::npos ? name : name.substr(slash + 1)) + "\n";
        }
    files.push_back({base + ".spectra", table});
    for (const auto& [name, text] : files)
        if (!writeorsay("File", name, text)) return;
    putlin(10, "Spectra of labeling " + intp(iparam("rank")) +
                   " written: " + plural(book.nsamples, "sample") + ", " +
                   strp(book.hsqc ? "HSQC and HNCO" : "HNCO") + ", " +
                   plural(static_cast<int>(peaks.size()), "peak") + "; table " +
                   strq(base + ".spectra") + ".");
    if (known < kemradata.nr - 1)
        putlin(10, strp(std::to_string(kemradata.nr - known) +
                        " residues have no amide shifts in the list and give no peaks."));
    if (typical)
        putlin(10, strp(std::to_string(typical) +
                        (typical == 1 ? " residue follows" : " residues follow") +
                        " a carbonyl without a shift in the list: its HNCO peaks lie at " +
                        fixed(kTypicalCarbonyl, 0, 1) + " ppm 13C."));
}

// Reads the spectra the table names, decodes them through labeling rank and
// assigns.
static void assignpairs(Words& param, int& npar) {
    params(param, npar,
           "table=*= rank=@i=1 tolh=0.0<@r=0.03 toln=0.0<@r=0.3 tolc=0.0<@r=0.2 file=*= shifts=*= "
           "reference=@i=1 lost=0<=@i=20 observed");
    if (haverr() || !paramin("rank", 1, kSlots)) return;
    const std::string tablename = trim(getpar("table"));
    if (tablename.empty()) {
        errmsg("assignpairs needs the table of peak lists (table=...): see help assignpairs.");
        return;
    }
    std::vector<std::string> lines;
    if (!readlines(tablename, lines)) {
        errmsg("Spectra table " + strq(tablename) + " cannot be opened.");
        return;
    }
    std::vector<SpectrumFile> entries;
    std::string error;
    if (!parsetable(lines, tablename, entries, error)) {
        errmsg(strp(error));
        return;
    }
    bool anyhsqc = false;
    for (const SpectrumFile& e : entries) anyhsqc |= e.spectrum == Spectrum::hsqc;
    decoding::CodeBook book;
    Model model;
    if (!designbook(iparam("rank"), anyhsqc, book, model)) return;
    // A residue the shift list gives no amide for is taken to show nothing,
    // so that no group is held open for it.
    int absent = 0;
    if (option("observed")) {
        int known = 0;
        for (int r = 1; r <= kemradata.nr; ++r) {
            const bool amide = !std::isnan(shiftof(r, "H")) && !std::isnan(shiftof(r, "N"));
            known += amide;
            if (!amide && book.full[static_cast<size_t>(r)])
                book.full[static_cast<size_t>(r)] = 0, ++absent;
        }
        if (known == 0) {
            errmsg("Option " + strq("observed") +
                   " needs amide shifts: read a chemical shift list first (read bmrb file=...).");
            return;
        }
    }
    // Every sample needs its lists; nothing is taken as empty.
    std::string missing;
    for (const SpectrumFile& e : entries)
        if (e.sample > book.nsamples) {
            errmsg("Spectra table " + strq(tablename) + " names sample " + intp(e.sample) +
                   ", but labeling " + intp(iparam("rank")) + " has " +
                   plural(book.nsamples, "sample") + ".");
            return;
        }
    for (int k = 1; k <= book.nsamples; ++k)
        for (Spectrum s : {Spectrum::hsqc, Spectrum::hnco}) {
            if (s == Spectrum::hsqc && !book.hsqc) continue;
            bool have = false;
            for (const SpectrumFile& e : entries) have |= e.sample == k && e.spectrum == s;
            if (!have)
                missing += (missing.empty() ? "" : ", ") + spectrumword(s) + " of sample " +
                           std::to_string(k);
        }
    if (!missing.empty()) {
        errmsg("Spectra table " + strq(tablename) + " lacks " + strp(missing) +
               (model.twospectra() ? "" : " (HSQC lists are read for all samples or for none)") +
               ".");
        return;
    }
    std::vector<Peak> peaks;
    for (const SpectrumFile& e : entries) {
        const std::string name = e.file[0] == '/' ? e.file : directoryof(tablename) + e.file;
        std::vector<std::string> text;
        if (!readlines(name, text)) {
            errmsg("Peak list " + strq(name) + " cannot be opened.");
            return;
        }
        if (!parsepeaks(text, name, e.sample, e.spectrum, peaks, error)) {
            errmsg(strp(error));
            return;
        }
    }
    const Tolerance tol{rparam("tolh"), rparam("toln"), rparam("tolc"), iparam("lost")};
    const Decoding d = decode(book, peaks, tol, residuename);

    // The reference list: its peak numbers go into the assignment file.
    const int ref = iparam("reference");
    const Spectrum refspec = book.hsqc ? Spectrum::hsqc : Spectrum::hnco;
    if (ref < 1 || ref > book.nsamples) {
        errmsg("Parameter " + strq("reference") + " is a sample: 1.." + intp(book.nsamples) + ".");
        return;
    }
    putlin(10, "Spectra of " + strq(tablename) + " through labeling " + intp(iparam("rank")) +
                   " (" + strp(book.hsqc ? "HSQC and HNCO" : "HNCO") + ", " +
                   plural(book.nsamples, "sample") + "):");
    if (absent)
        putlin(10, plural(absent, "residue") +
                       " without amide shifts in the shift list taken as showing no peaks.");
    putlin(10, strp("  Peak      1H     15N     13C  " +
                    std::string(static_cast<size_t>(std::max(book.nsamples, 4)), ' ')
                        .replace(0, 4, "Code") +
                    "  Residue       Status"));
    AssignedRun run;
    run.design = designprint(labdata, iparam("rank"), kemradata);
    run.table = tablename;
    run.hsqc = book.hsqc;
    run.nsamples = book.nsamples;
    run.tolh = tol.h, run.toln = tol.n, run.tolc = tol.c, run.lost = tol.lost;
    std::array<int, 5>& counts = run.tally;
    std::string assigned, shiftlist = "# quilter: shifts of the assigned residues\n";
    int entry = 0;
    for (size_t g = 0; g < d.groups.size(); ++g) {
        const Group& gr = d.groups[g];
        const Assignment& a = d.assignments[g];
        ++counts[static_cast<size_t>(a.verdict)];
        int refpeak = 0;
        for (int i : gr.peaks)
            if (peaks[static_cast<size_t>(i)].sample == ref &&
                peaks[static_cast<size_t>(i)].spectrum == refspec)
                refpeak = peaks[static_cast<size_t>(i)].id;
        std::string who;
        if (a.residue) {
            who = residuename(a.residue);
        } else {
            for (size_t c = 0; c < a.candidates.size() && c < 3; ++c)
                who += (c ? ", " : "") + residuename(a.candidates[c]);
            if (a.candidates.size() > 3) who += " +" + std::to_string(a.candidates.size() - 3);
            if (a.verdict == Verdict::nocode && !who.empty()) who = "(" + who + ")";
        }
        std::string word = Model::word(gr.code, book.nsamples);
        std::string why = a.why;
        if (!gr.note.empty()) why += (why.empty() ? "(" : " (") + gr.note + ")";
        run.groups.push_back({gr.h, gr.n, gr.c, word, verdictname(a.verdict), a.residue, who, why});
        if (word.size() < 4) word.resize(4, ' ');
        const std::string status =
            verdictname(a.verdict) + (why.empty() ? "" : (a.why.empty() ? " " : ": ") + why);
        putlin(10,
               strp((refpeak ? fixed(refpeak, 6, 0) : std::string("     -")) + fixed(gr.h, 8, 3) +
                    fixed(gr.n, 8, 2) + (gr.c > 0 ? fixed(gr.c, 8, 2) : std::string("       -")) +
                    "  " + word + "  " + who +
                    std::string(who.size() < 12 ? 12 - who.size() : 0, ' ') + "  " + status));
        if (!a.residue) continue;
        if (refpeak) {
            char line[32];
            std::snprintf(line, sizeof line, "%6d  %6d\n", refpeak,
                          kemradata.ir[static_cast<size_t>(a.residue)]);
            assigned += line;
        }
        char line[96];
        const int num = kemradata.ir[static_cast<size_t>(a.residue)];
        std::snprintf(line, sizeof line, "%6d %8.3f %6s  %-5s %4d\n", ++entry, gr.h, ".", "H", num);
        shiftlist += line;
        std::snprintf(line, sizeof line, "%6d %8.3f %6s  %-5s %4d\n", ++entry, gr.n, ".", "N", num);
        shiftlist += line;
        if (gr.c > 0 && a.residue > 1) {
            std::snprintf(line, sizeof line, "%6d %8.3f %6s  %-5s %4d\n", ++entry, gr.c, ".", "C",
                          kemradata.ir[static_cast<size_t>(a.residue) - 1]);
            shiftlist += line;
        }
    }
    for (const SampleCount& c : d.counts) {
        run.counts.push_back({c.sample, c.spectrum == Spectrum::hsqc, c.seen, c.expected});
        if (c.seen != c.expected)
            wrnmsg("Sample " + intp(c.sample) + " " +
                   strp(c.spectrum == Spectrum::hsqc ? "HSQC" : "HNCO") + ": " +
                   plural(c.seen, "peak") + ", the design predicts " + intp(c.expected) + ".");
    }
    for (int r : d.unseen) run.unseen.push_back(residuename(r));
    std::string unseen;
    for (size_t i = 0; i < d.unseen.size() && i < 20; ++i)
        unseen += (i ? ", " : "") + residuename(d.unseen[i]);
    if (d.unseen.size() > 20) unseen += " and " + std::to_string(d.unseen.size() - 20) + " more";
    putlin(10, "Assigned: " + intp(counts[0]) + " sure, " + intp(counts[1]) + " likely; " +
                   intp(counts[2]) + " ambiguous, " + intp(counts[3]) + " shared, " +
                   intp(counts[4]) + " without a code.");
    if (!unseen.empty()) putlin(10, strp("No peaks of: " + unseen + "."));
    // Kept for writereport, with the design it was read through.
    lastassignment[static_cast<size_t>(iparam("rank"))] = std::move(run);
    const std::string file = trim(getpar("file")), shifts = trim(getpar("shifts"));
    if (!file.empty() && writeorsay("File", file, assigned))
        putlin(10, "Assignments written to " + strq(file) + " (peaks of the " +
                       strp(spectrumword(refspec)) + " list of sample " + intp(ref) + ").");
    if (!shifts.empty() && writeorsay("File", shifts, shiftlist))
        putlin(10, "Shifts of the assigned residues written to " + strq(shifts) + ".");
}

static constexpr CommandReg regs[] = {
    {"assignpairs", 1, assignpairs},
    {"simulatepeaks", 1, simulatepeaks},
};
static_assert(slotted(regs), "every registered command needs a slot");
std::span<const CommandReg> assign_commands() { return regs; }
