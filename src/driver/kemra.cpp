// The program driver: fixes the installation paths, starts the interpreter,
// prints the banner and runs the command loop.
//
// When KEMRALIB is unset the installation tree is found without any message:
// the share/ tree next to the executable's prefix, the install prefix, then
// the source checkout's share/ (so a fresh build runs with no set-up).
#include "driver/kemra.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>

#include "commands/saved.h"
#include "driver/comtab.h"
#include "kemlang/interp.h"
#include "kemlang/print.h"
#include "kemlang/suggest.h"
#include "kemlang/vars.h"
#include "labeling/labeldata.h"
#include "labelio/atomicfile.h"
#include "labelio/labelfile.h"
#include "labelio/pricefile.h"
#include "molecule/kemradata.h"

static bool isdir(const std::string& p) {
    struct stat st;
    return !p.empty() && stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

static std::string fallback_libdir() {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n > 0) {
        std::string exe(buf, static_cast<size_t>(n));
        std::string bin = exe.substr(0, exe.find_last_of('/'));
        std::string prefix = bin.substr(0, bin.find_last_of('/'));
        if (isdir(prefix + "/share/quilter/macro")) return prefix + "/share/quilter";
    }
    if (isdir(std::string(QUILTER_INSTALL_SHARE) + "/macro")) return QUILTER_INSTALL_SHARE;
    return QUILTER_SOURCE_SHARE;
}

// A fatal message ends the program: the stored labelings, the work of a
// long design, are written to a rescue file first when there are any.
static void rescue() {
    bool any = false;
    for (int r = 1; r <= kSlots; ++r) any = any || labdata.ilabelsize[r] > 0;
    if (!any) return;
    std::string reason;
    if (writeatomic(kRescueFile, labelingtext(-1, labdata, kemradata), reason))
        putlin(2, "The stored labelings are saved in " + strq(kRescueFile) + ".");
    else
        putlin(-1, "The stored labelings could not be saved in " + strq(kRescueFile) + ": " +
                       strp(reason));
}

// The installation's price table, which every sequence starts from; the
// built-in one when it is missing or broken.
static void loadprices(const std::string& libdir) {
    const std::string file = libdir + "/lib/prices.csv";
    PriceSheet s;
    std::string problem;
    if (pricesfromfile(file, s, problem))
        loadedprices = s;
    else
        wrnmsg("Price file " + strq(file) + " " + strp(problem) + " The built-in prices are used.");
    applyprices(loadedprices, labdata);
}

int kemra() {
    atfatal(rescue);
    kemradata.im = 0;
    const char* lib = std::getenv("KEMRALIB");
    std::string libdir = lib ? trim(lib) : std::string();
    if (!lib) libdir = fallback_libdir();
    kemradata.libdir = libdir;
    const char* ini = std::getenv("KEMRAINIT");
    std::string inifil = ini ? trim(lefstr(ini)) : std::string();
    if (inifil.empty())
        inifil = libdir + "/macro/init";
    else if (inifil.find('/') == std::string::npos)
        inifil = libdir + "/macro/" + inifil;
    std::string hlpdir = libdir + "/help/kemra";

    int status = 0;
    bool quitasked = false;  // the last command was a "quit" that warned
    std::string cmd;
    Words param;
    int npar = 0;
    const int maxpar = 50;
    kemlang(status, cmd, param, npar, maxpar, ".kem", libdir, inifil, hlpdir);
    nulify();
    inivar();
    const std::string bar(67, '_');
    putlin(10, bar + "@/");
    putlin(10, "QUILTER 1.1 (apple)");
    putlin(10, bar + "@/");
    loadprices(libdir);

    while (true) {
        kemlang(status, cmd, param, npar, maxpar, ".kem", libdir, inifil, hlpdir);
        const CommandSlot* comand = command_table();
        int k = icoman(cmd, comand, kNumCommands);
        if (k == 0) {
            status = 1;
        } else if (k < 0) {
            errmsg("Ambiguous command " + strq(cmd) + ".");
            hintambiguous(cmd, commandnames());
        } else if (comand[k].idtyp > 0 && kemradata.nr <= 0) {
            errmsg(kNoData);
        } else if (comand[k].idtyp == 2 && kemradata.npeaks <= 0) {
            errmsg("No peaks present.");
        } else if (comand[k].handler) {
            comand[k].handler(param, npar);
        } else {
            errmsg("Command " + strq(comand[k].name) + " is not available in this version.");
        }
        if (trim(cmd) == "quit") {
            // At the prompt a design that no file holds is not dropped on
            // the first "quit": the next line can still write it.
            if (!typedatterminal() || !labelingsunsaved() || quitasked) stopit(0);
            wrnmsg(
                "The last design is not in any file: writelabel (or writesession) keeps "
                "it.@/Type quit again to end and lose it.");
            quitasked = true;
            status = 0;  // "quit" is no macro to look for
        } else {
            quitasked = false;
        }
    }
}
