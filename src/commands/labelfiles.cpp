// Labeling files and sample-string files: readlabel, writelabel, readstr.
#include "commands/checks.h"
#include "commands/registry.h"
#include "commands/saved.h"
#include "kemlang/params.h"
#include "kemlang/print.h"
#include "labelio/labelfile.h"

static void readlabel(Words& param, int& npar) {
    params(param, npar, "filename=*=NO rank=@i=-1");
    if (fatalparams("Error with parameters of reading a labeling file")) return;
    std::string name = getpar("filename").substr(0, 80);
    if (trim(name) == "helpme") {
        listout("reads a file with a labeling with representation of a schedule (I5, I5, I5) ");
        listout("schedules separated with 0 0 0");
    }
    if (read_labeling_from_disk(name, kemradata, labdata)) labelingsinfile();
}

// A rank outside the slots or no file name would write an empty or a
// stray file: both are refused before anything is written.
static void writelabel(Words& param, int& npar) {
    params(param, npar, "filename=*=NO rank=@i=-1");
    if (fatalparams("Check params again")) return;
    std::string name = trim(getpar("filename").substr(0, 80));
    int rank = iparam("rank");
    if (rank != -1 && (rank < 1 || rank > kSlots)) {
        errmsg("Labeling " + intp(rank) + " does not exist: rank is 1..10, or -1 for all ten.");
        return;
    }
    if (name.empty() || name == "NO") {
        errmsg("writelabel needs a file name (filename=...).");
        return;
    }
    if (std::string problem = overwriteproblem(name, rank, true); !problem.empty()) {
        errmsg(problem);
        return;
    }
    if (write_labeling_to_disk(name, rank, labdata, kemradata)) labelingsinfile();
}

static void readstr(Words& param, int& npar) {
    params(param, npar, "file=*=wtgtr.sched");
    if (haverr()) return;
    read_samplestrings(getpar("file").substr(0, 20), labdata);
}

static constexpr CommandReg regs[] = {
    {"readlabel", 0, readlabel},
    {"writelabel", 0, writelabel},
    {"readstr", 0, readstr},
};
static_assert(slotted(regs), "every registered command needs a slot");
std::span<const CommandReg> labelfile_commands() { return regs; }
