// The commands that start the pair analysis: showuniquepairs lists the
// unique pairs, countuniquepairs (also "quilter") reads the optimisation
// parameters and runs the optimiser.
#include <ctime>

#include "driver/comtab.h"
#include "kemlang/params.h"
#include "kemlang/print.h"
#include "labeling/optimise.h"

void showuniquepairs(Words& param, int& npar) {
    params(param, npar, "multipair=@i=1 banscramble");
    if (haverr()) return;
    static Selection sel;
    static TypeMatrix uniqs;
    std::string ban = option("banscramble") ? "4,3,8,7,16" : "";
    annotatepairs(sel, uniqs, ban, iparam("multipair"), true);
    if (sel.count < 2) listout("Not enough unique pairs to make sense");
}

namespace {

std::string countsyntax() {
    static const char* pieces[] = {"iterations=@i=-1 seedvar=@i=0 ",
                                   " cutoff=@i=15 dupes=@i=1 multipair=@i=1",
                                   " filename=*=NO accept_prob=@r=0.4 ",
                                   " priceweight=@i=0 scoreweight=@i=1 fillweight=@i=1 ",
                                   " maxpeaks=@i=500 ",
                                   " helpme noban ",
                                   " satout"};
    std::string s;
    for (const char* piece : pieces) s = trim(s) + piece;
    return s.substr(0, 250);
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

}  // namespace

// Mask of the first cutoff samples; all 32 bits beyond 31.
uint32_t cutoffmask(int cutoff) {
    if (cutoff <= 0) return 0;
    if (cutoff > 31) return 0xFFFFFFFFu;
    return (1u << cutoff) - 1;
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
    p.seed = iparam("seedvar");
    p.cutoff = cutoffmask(iparam("cutoff"));
    for (auto& row : p.allowed) row.fill(iparam("dupes"));
    p.multipair = iparam("multipair");
    p.filename = getpar("filename").substr(0, 80);
    p.accept_prob = rparam("accept_prob");
    p.noban = option("noban");
    p.priceweight = iparam("priceweight");
    p.scoreweight = iparam("scoreweight");
    p.fillweight = iparam("fillweight");
    p.maxpeaks = iparam("maxpeaks");
    listout("Filename used by count  " + strq(trim(p.filename)));
    if (haverr()) return;
    if (p.seed == 0) {
        int h = 0, m = 0, s = 0;
        clock(h, m, s);
        p.seed = h + m + 54235 * s;
    }
    listout(intstr(p.seed));
    printtime();
    optimipairs(p);
    printtime();
}
