// Spectral scoring: the assignment score, the overlap model's self-check and
// the installation self-check.
#include <cstdio>

#include "commands/checks.h"
#include "commands/registry.h"
#include "kemlang/params.h"
#include "kemlang/print.h"
#include "labelio/atomicfile.h"
#include "molecule/kemradata.h"
#include "scoring/installcheck.h"
#include "scoring/score.h"
#include "scoring/score_test.h"

static std::string f73(double x) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%7.3f ", x);
    return buf;
}

// The assignment score of an assignment file against the current peak lists.
static void scorefunction(Words& param, int& npar) {
    params(param, npar, "file=*=");
    if (haverr()) return;
    std::string file = trim(getpar("file"));
    if (file.empty()) file = "ass.txt";
    const KemraData& d = kemradata;
    ScoreSetup s;
    if (!preparescore(d, "param.txt", s)) return;
    putlin(10, "Scoring... " + strp(file));
    Assignment a;
    if (!readassignment(d, file, a)) return;
    ScoreResult r = scoreassignment(d, s, a);
    std::string coh = "partcoh";
    for (size_t k = 1; k < r.partcoh.size(); ++k) coh += " " + f73(r.partcoh[k]);
    putlin(10, strp(coh));
    putlin(10, "partAss, partDegen, partPeak, partFreq, partDev");
    putlin(10, strp(f73(r.partass) + f73(r.partdegen) + f73(r.partpeak) + f73(r.partfreq) +
                    f73(r.partdev)));
    char total[40];
    std::snprintf(total, sizeof total, "Score  %9.5f", r.score);
    putlin(10, total);
    std::string local = localscorename(file);
    if (!writeorsay("Local scores file", local, localscorestext(d, s, r))) return;
    putlin(3, "Local scores written to " + strq(local) + ".");
}

static void score_test_ov(Words& param, int& npar) {
    params(param, npar, "");
    if (haverr()) return;
    score_test_ov(true);
    overlaptraces(kemradata);
}

// Installation self-check: one line per check, then the count.
static void test_quilter(Words& param, int& npar) {
    params(param, npar, "");
    if (haverr()) return;
    std::vector<InstallCheck> checks = test_quilter(kemradata.libdir);
    int ok = 0;
    for (const InstallCheck& c : checks) {
        putlin(3, strn(c.name + ":", -17) + " " + strp(c.ok ? "ok" : c.detail));
        ok += c.ok;
    }
    int n = static_cast<int>(checks.size());
    if (ok == n)
        putlin(3, "All " + plural(n, "check") + " ok.");
    else
        errmsg(intp(n - ok) + " of " + plural(n, "check") + " failed.");
}

static constexpr CommandReg regs[] = {
    {"score", 1, scorefunction},
    {"test_quilter", 0, test_quilter},
    {"score_test_ov", 0, score_test_ov},
};
static_assert(slotted(regs), "every registered command needs a slot");
std::span<const CommandReg> scoring_commands() { return regs; }
