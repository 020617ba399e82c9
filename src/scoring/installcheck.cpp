#include "scoring/installcheck.h"

#include <sys/stat.h>

#include <cstdio>
#include <functional>
#include <memory>

#include "driver/comtab.h"
#include "kemlang/kemlangdata.h"
#include "kemlang/print.h"
#include "kemlang/vars.h"
#include "labeling/labeldata.h"
#include "labeling/optimise.h"
#include "molecule/kemradata.h"
#include "molecule/molecule.h"
#include "scoring/score_test.h"

namespace {

const char* kSequence = ">ubiquitin 1-20\nMQIFVKTLTGKTITLEVEPS\n";
constexpr int kSamplesTried = 4;

bool isfile(const std::string& f) {
    struct stat st;
    return stat(f.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Runs f with its output kept; returns the first error line it printed.
std::string quietly(const std::function<void()>& f) {
    std::string out;
    std::string* before = kemlangdata.capture;
    kemlangdata.capture = &out;
    f();
    kemlangdata.capture = before;
    size_t e = out.find("*** ");
    if (e == std::string::npos) return "";
    return out.substr(e, out.find('\n', e) - e);
}

InstallCheck library(const std::string& libdir) {
    InstallCheck c{"residue library", false, ""};
    std::string file = libdir + "/lib/standard.lib";
    std::FILE* f = isfile(file) ? std::fopen(file.c_str(), "r") : nullptr;
    if (!f) {
        c.detail = "library file \"" + file + "\" not found";
        return c;
    }
    int findings = 0;
    bool read = false;
    std::string err = quietly([&] {
        read = getlib(f, 0);
        if (read) findings = libchk();
    });
    std::fclose(f);
    if (!read)
        c.detail = "library file \"" + file + "\" cannot be read: " + err;
    else if (findings > 0)
        c.detail = "library check: " + err;
    else if (kemradata.naa() == 0)
        c.detail = "library file \"" + file + "\" has no residue types";
    else
        c.ok = true;
    return c;
}

InstallCheck helpfiles(const std::string& libdir) {
    InstallCheck c{"help files", true, ""};
    for (int k = 1; k <= kNumCommands; ++k) {
        std::string name = kSlotNames[k];
        if (name.empty() || isfile(libdir + "/help/kemra/" + name + ".hlp")) continue;
        c.ok = false;
        c.detail += (c.detail.empty() ? "missing " : ", ") + ("\"" + name + ".hlp\"");
    }
    return c;
}

InstallCheck design() {
    InstallCheck c{"design", false, ""};
    if (kemradata.naa() == 0) {
        c.detail = "no library to design with";
        return c;
    }
    int resolved = -1;
    std::string err = quietly([&] {
        std::FILE* f =
            fmemopen(const_cast<char*>(kSequence), std::char_traits<char>::length(kSequence), "r");
        bool ok = f && getfasta(f);
        if (f) std::fclose(f);
        if (!ok) return;
        iniseq();
        OptParams p;
        p.iterations = 0;
        p.seed = 1;
        p.cutoff = cutoffmask(kSamplesTried);
        for (auto& row : p.allowed) row.fill(1);
        Selection sel;
        TypeMatrix uniqs{};
        annotatepairs(kemradata, labdata, sel, uniqs, Bans::off, 1, false);
        Observer quiet;
        std::unique_ptr<OptResult> r = optimise({sel, uniqs, kemradata, labdata}, p, quiet);
        resolved = chkuniqsdup(r->ranked[1], uniqs);
    });
    if (resolved < 0) {
        c.detail = "the test sequence gives no molecule: " + err;
    } else if (resolved != kDesignResolved) {
        c.detail = "resolved " + std::to_string(resolved) + " unique pairs instead of " +
                   std::to_string(kDesignResolved);
    } else {
        c.ok = true;
    }
    return c;
}

InstallCheck overlapmodel() {
    InstallCheck c{"overlap model", true, ""};
    std::vector<CheckValue> values;
    quietly([&] { values = score_test_ov(false); });
    for (const CheckValue& v : values)
        if (v.computed != v.expected) {
            if (c.ok) c.detail = v.label + " gives " + v.computed + " instead of " + v.expected;
            c.ok = false;
        }
    return c;
}

}  // namespace

std::vector<InstallCheck> test_quilter(const std::string& libdir) {
    KemraData molecular = kemradata;
    LabelData labels = labdata;
    UniqueFlags flags = uniqueflags;
    bool erflag = kemlangdata.erflag;
    std::string corr14 = getval("corr14");  // the library reader sets it
    nulify();
    kemradata.libdir = libdir;
    uniqueflags.reset();
    std::vector<InstallCheck> out;
    out.push_back(library(libdir));
    out.push_back(helpfiles(libdir));
    out.push_back(design());
    out.push_back(overlapmodel());
    kemradata = molecular;
    labdata = labels;
    uniqueflags = flags;
    kemlangdata.erflag = erflag;
    if (!corr14.empty() && getval("corr14") != corr14) setvar("corr14", corr14, kVarGlobal);
    return out;
}
