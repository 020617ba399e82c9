// The read command: picks the reader from the action word or the file
// name's extension, checks the preconditions and prints the summary.
//
// Choices of ours:
//  - a library file that does not exist as given and has no directory part
//    is also looked for in the installation's lib/ directory, so
//    "read lib standard" finds the shipped library;
//  - a file with the extension .fasta, .fa or .faa (or given to "read seq"),
//    or any file after the action word fasta, fa or faa, is read as a FASTA
//    sequence;
//  - after a shift list has been read, lists after it (up to npkl) receive
//    the same entries, shifts and deviations, the list read being the source;
//  - restraint and coordinate files are not used by any labeling command;
//    their options are checked and the read is refused with a clear message;
//  - the summary lines are information of level "minimal", so that
//    "info=none" (as in the start-up macro) keeps a read quiet;
//  - "read seq" of a BMRB entry (.str, or a first line "data_") builds the
//    molecule from the entry's own sequence, so its shifts fit residue for
//    residue; "read bmrb" warns when a loaded sequence differs from the
//    entry's, since the shifts are then placed by number on other residues.
#include <sys/stat.h>

#include <cstdio>

#include "commands/registry.h"
#include "kemlang/interp.h"
#include "kemlang/params.h"
#include "kemlang/print.h"
#include "molecule/kemradata.h"
#include "molecule/molecule.h"
#include "molecule/nmrstar.h"
#include "molecule/peaklist.h"

namespace {

const char* kActions =
    "action=lib|seq|ang|cor|pdb|upl|lol|aco|cco|rdc|pcs|peaks|xpk|prot|bmrb|nmrview|xplor|fa|faa|"
    "fasta ";

struct OtherReader {
    const char* action;
    const char* syntax;
    const char* what;
};

const OtherReader kOthers[] = {
    {"upl", "append", "Distance restraint file"},
    {"lol", "append", "Distance restraint file"},
    {"aco", "type=@i=1 append", "Angle restraint file"},
    {"cco", "append", "Coupling constants file"},
    {"rdc", "append", "RDC restraint file"},
    {"pcs", "append", "Pseudocontact shift restraint file"},
    {"xplor", "segids=*= segoffsets=*= append", "XPLOR restraint file"},
    {"cor", "structure=0<@i=1 chains=*=first rigid flexible bfactor append new",
     "DG coordinate file"},
    {"pdb", "structure=0<@i=1 chains=*=first rigid flexible bfactor append new",
     "PDB coordinate file"},
    {"ang", "structure=0<@i=1 append new", "Angle file"},
};

bool exists(const std::string& f) {
    struct stat st;
    return stat(f.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void readlib(Words& param, int& npar, std::FILE* f, const std::string& file, int unknown) {
    params(param, npar, "append");
    if (haverr()) return;
    KemraData& d = kemradata;
    if (!option("append")) {
        d.atyp.resize(1);
        d.res.resize(1);
        d.spec.resize(1);
        d.maxat = d.maxdih = 0;
    }
    int before = d.naa();
    bool ok = getlib(f, unknown);
    if (!ok) return;
    d.nr = 0;
    clearmolecule();
    putlin(2, "Library file " + strq(file) + " read, " + plural(d.naa() - before, "residue type") +
                  ".");
    libchk();
}

void readseq(Words& param, int& npar, std::FILE* f, const std::string& file, bool fasta) {
    params(param, npar, "");
    if (haverr()) return;
    bool ok = fasta             ? getfasta(f)
              : isnmrstar(file) ? getstarseq(file)
              : isfasta(file)   ? getfasta(f)
                                : getseq(f);
    if (!ok) {
        kemradata.nr = 0;
        return;
    }
    iniseq();
    putlin(2, "Sequence file " + strq(file) + " read, " + plural(kemradata.nr, "residue") + ".");
    if (kemradata.nr == 0) wrnmsg("No residues read from " + strq(file) + ": no molecule.");
}

void readshifts(Words& param, int& npar, std::FILE* f, const std::string& file,
                const std::string& action, int unknown) {
    params(param, npar, "deviation=0.0<@r=1.0E10 reference append add multiple index");
    if (haverr()) return;
    KemraData& d = kemradata;
    ShiftOptions o;
    o.format = action == "prot" ? 1 : action == "bmrb" ? 2 : 3;
    o.add = option("add");
    o.multiple = option("multiple");
    o.index = option("index");
    o.deviation = rparam("deviation");
    o.unknown = unknown;
    bool reference = option("reference");
    if (reference) d.refcsl = true;
    o.list = option("append") ? d.npkl + 1 : 1;
    if (o.list > d.npkl) growlists(o.list);
    if (o.format == 2 && !o.multiple) checkstarsequence(file);
    int n = 0;
    if (!getpro(f, o, n)) return;
    int k = o.list;
    d.cslnam[k] = file;
    if (reference) {
        d.iprotr[k] = d.iprot[k];
        d.shiftr[k] = d.shift[k];
    } else if (k == 1 && !d.refcsl) {
        std::fill(d.iprotr[k].begin(), d.iprotr[k].end(), kNoEntry);
        std::fill(d.shiftr[k].begin(), d.shiftr[k].end(), kNoShift);
    }
    for (int j = k + 1; j <= d.npkl; ++j) {
        d.iprot[j] = d.iprot[k];
        d.shift[j] = d.shift[k];
        d.dshift[j] = d.dshift[k];
        d.cslnam[j] = d.cslnam[k];
        if (reference) {
            d.iprotr[j] = d.iprotr[k];
            d.shiftr[j] = d.shiftr[k];
        }
    }
    putlin(2, "Chemical shift list " + strq(file) + " read, " + plural(n, "chemical shift") + ".");
    if (o.format == 2 && n == 0) explainemptystar(file);
}

}  // namespace

static void readf(Words& param, int& npar) {
    if (npar < 1) {
        errmsg("Missing parameter \"file\".");
        return;
    }
    std::string first = param[0];
    size_t slash = first.rfind('/');
    size_t dot = first.rfind('.');
    std::string action;
    bool checked = false;  // the @f format already checked the name
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
        action = first.substr(dot + 1);
        params(param, npar, "file=* ** unknown=error|warning|skip=error");
        if (isfasta(first)) action = "seq";
    } else {
        params(param, npar,
               std::string(kActions) + "file=@f.$action ** " + "unknown=error|warning|skip=error");
        action = getpar("action");
        checked = true;
    }
    const bool fasta = action == "fa" || action == "faa" || action == "fasta";
    if (fasta) action = "seq";
    if (haverr()) return;
    std::string file = getpar("file");
    std::string u = getpar("unknown");
    int unknown = u == "warning" ? 1 : u == "skip" ? 2 : 0;
    setcmd("read " + action);
    const KemraData& d = kemradata;
    if (action != "lib" && d.naa() == 0) {
        errmsg("No library present.");
        return;
    }
    if (d.nr == 0 && action != "lib" && action != "seq" && action != "ang" && action != "cor" &&
        action != "pdb") {
        errmsg("No sequence present.");
        if (action == "bmrb" || action == "str")
            putlin(2, "A BMRB entry carries its own sequence: \"read seq " + strp(file) +
                          "\" builds the molecule from it.");
        return;
    }
    if (!checked && !chknam(file)) return;
    if (action == "lib" && !exists(file) && file.find('/') == std::string::npos) {
        std::string inst = d.libdir + "/lib/" + file;
        if (exists(inst)) file = inst;
    }
    std::FILE* f = exists(file) ? std::fopen(file.c_str(), "r") : nullptr;
    if (!f) {
        errmsg("Input file " + strq(file) + " cannot be opened.");
        return;
    }
    if (action == "lib") {
        readlib(param, npar, f, file, unknown);
    } else if (action == "seq") {
        readseq(param, npar, f, file, fasta);
    } else if (action == "prot" || action == "bmrb" || action == "nmrview") {
        readshifts(param, npar, f, file, action, unknown);
    } else if (action == "peaks" || action == "xpk") {
        readpeaklist(param, npar, f, file, unknown);
    } else {
        const OtherReader* other = nullptr;
        for (const OtherReader& o : kOthers)
            if (action == o.action) other = &o;
        if (!other) {
            errmsg("Unknown file type " + strq(action) + ".");
            if (action == "str")
                putlin(2, "A BMRB entry: \"read seq " + strp(file) +
                              "\" for its sequence, \"read bmrb " + strp(file) +
                              "\" for its shifts.");
        } else {
            params(param, npar, other->syntax);
            if (!haverr())
                errmsg(std::string(other->what) + " " + strq(file) +
                       " not read: this version reads libraries, sequences, chemical shift "
                       "lists and peak lists only.");
        }
    }
    std::fclose(f);
}

// The framework's "library" command: accepted and does nothing here.
static void library(Words&, int&) {}

static constexpr CommandReg regs[] = {
    {"read", 0, readf},
    {"library", 0, library},
};
static_assert(slotted(regs), "every registered command needs a slot");
std::span<const CommandReg> read_commands() { return regs; }
