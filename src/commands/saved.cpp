#include "commands/saved.h"

#include <sys/stat.h>

#include <string>
#include <vector>

#include "kemlang/print.h"
#include "kemlang/services.h"
#include "labeling/labeldata.h"
#include "labelio/labelfile.h"
#include "molecule/kemradata.h"

namespace {

// The labeling file text of all ten slots as last written or read.
std::string infile;

bool nolabelings() {
    for (int r = 1; r <= kSlots; ++r)
        if (labdata.ilabelsize[r] > 0) return false;
    return true;
}

bool regularfile(const std::string& name) {
    struct stat st;
    return stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

std::string overwriteproblem(const std::string& name, int rank, bool refuseempty) {
    if (!regularfile(name)) return "";
    std::string empty;
    for (int r = rank > 0 ? rank : 1; r <= (rank > 0 ? rank : kSlots); ++r)
        empty += "    0    0    0\n";
    if (refuseempty && labelingtext(rank, labdata, kemradata) == empty)
        return (rank > 0 ? "Labeling " + intp(rank) + " is empty: writelabel does not write it"
                         : std::string("No labeling is stored: writelabel does not write ten "
                                       "empty labelings")) +
               " over the existing file " + strq(name) +
               ".@/Design a schedule first (countuniquepairs) or read one (readlabel).";
    std::vector<std::string> lines;
    if (!readlines(name, lines) || !islabelingtext(lines))
        return "The file " + strq(name) +
               " is not a labeling file: labelings are not written over it.@/Name another file, "
               "or remove this one first.";
    return "";
}

void labelingsinfile() { infile = labelingtext(-1, labdata, kemradata); }

bool labelingsunsaved() { return !nolabelings() && labelingtext(-1, labdata, kemradata) != infile; }
