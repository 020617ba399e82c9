// Shared set-up of the benchmarks: a protein from examples/data with its
// unique pairs.
#pragma once

#include <string>
#include <vector>

#include "driver/comtab.h"
#include "kemlang/kemlangdata.h"
#include "kemlang/print.h"
#include "labeling/pairs.h"
#include "molecule/kemradata.h"

namespace benchutil {

inline std::string quiet(const std::string& name, std::vector<std::string> w) {
    Handler h = command_table()[slotof(name)].handler;
    std::string cap;
    kemlangdata.capture = &cap;
    clrerr();
    int n = static_cast<int>(w.size());
    h(w, n);
    kemlangdata.capture = nullptr;
    return cap;
}

inline void protein(const std::string& fasta, Selection& base, TypeMatrix& uniqs) {
    nulify();
    kemradata.libdir = std::string(QUILTER_SOURCE_DIR) + "/share";
    quiet("read", {"lib", "standard.lib"});
    quiet("read", {"seq", std::string(QUILTER_SOURCE_DIR) + "/examples/data/" + fasta});
    std::string ban, cap;
    kemlangdata.capture = &cap;
    annotatepairs(kemradata, labdata, base, uniqs, ban.empty() ? Bans::off : Bans::on, 1, false);
    kemlangdata.capture = nullptr;
}

}  // namespace benchutil
