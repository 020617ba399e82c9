#include "labelio/labelfile.h"

#include <unistd.h>

#include <cstdio>

#include "kemlang/print.h"
#include "labelio/atomicfile.h"
#include "molecule/textio.h"

namespace {

struct Slots {
    std::array<int, kSlots + 1> size{};
    decltype(LabelData::ias_front) front{}, end{}, mask{};
};

Slots currentslots(const LabelData& l) {
    Slots s;
    s.size = l.ilabelsize;
    s.front = l.ias_front;
    s.end = l.ias_end;
    s.mask = l.ischedulenr;
    return s;
}

void storeslots(const Slots& s, LabelData& l) {
    l.ilabelsize = s.size;
    l.ias_front = s.front;
    l.ias_end = s.end;
    l.ischedulenr = s.mask;
}

// A line of the file: front and end from fixed columns, then the mask.
using LineParser = bool (*)(const std::string& line, int& front, int& end, int& mask);

bool field(const std::string& line, size_t from, size_t width, int& v) {
    std::string f = from < line.size() ? line.substr(from, width) : std::string();
    f = trim(lefstr(f));
    if (f.empty()) return false;
    return toint(f, v);
}

bool labelline(const std::string& line, int& front, int& end, int& mask) {
    return field(line, 0, 5, front) && field(line, 5, 5, end) &&
           field(line, 10, std::string::npos, mask);
}

bool stringline(const std::string& line, int& front, int& end, int& mask) {
    if (!field(line, 0, 3, front) || !field(line, 3, 5, end)) return false;
    mask = 0;
    std::string str = line.size() > 8 ? line.substr(8, 20) : std::string();
    for (size_t k = 0; k < str.size(); ++k)
        if (str[k] == 'X') mask |= 1 << k;
    str.resize(20, ' ');
    listout(intstr(front) + " " + intstr(end) + " " + intstr(mask) + " " + str);
    return true;
}

bool readslots(const std::string& filename, LineParser parse, LabelData& lab) {
    std::string name = trim(filename);
    putlin(10, "opening file '" + strp(name) + "'");
    std::FILE* f = std::fopen(name.c_str(), "r");
    if (!f) {
        errmsg("Input file " + strq(name) + " cannot be opened.");
        return false;
    }
    Slots s = currentslots(lab);
    std::string line, problem;
    int r = 1, i = 1, lineno = 0;
    std::array<bool, kSlots + 1> read{};
    while (r <= kSlots && readline(f, line, 200)) {
        ++lineno;
        int front = 0, end = 0, mask = 0;
        if (trim(line).empty()) continue;
        if (!parse(line, front, end, mask))
            problem = "cannot be read";
        else if (front <= 0 || end <= 0) {
            ++r, i = 1;
            continue;
        } else if (front > kTypes || end > kTypes)
            problem = "has a residue type outside 1..21";
        else if (mask < 0 || mask >= (1 << kSamples))
            problem = "has a sample mask beyond 20 samples";
        else if (i > kSlotEntries)
            problem = "is entry 401 of a labeling (400 at most)";
        if (!problem.empty()) break;
        s.front[r][i] = front;
        s.end[r][i] = end;
        s.mask[r][i] = mask;
        s.size[r] = i++;
        read[r] = true;
    }
    std::fclose(f);
    if (!problem.empty()) {
        errmsg("Line " + intp(lineno) + " of " + strq(name) + " " + problem + ":@/" + line);
        return false;
    }
    storeslots(s, lab);
    for (int k = 1; k <= kSlots; ++k)
        if (read[k]) plainslot(lab, k);  // entries alone: an HNCO labeling
    listout("file opened");
    return true;
}

std::string i5(int v) {
    std::string t = std::to_string(v);
    return t.size() < 5 ? std::string(5 - t.size(), ' ') + t : t;
}

}  // namespace

bool read_labeling_from_disk(const std::string& filename, LabelData& lab) {
    return readslots(filename, labelline, lab);
}

bool read_samplestrings(const std::string& filename, LabelData& lab) {
    return readslots(filename, stringline, lab);
}

std::string labelingtext(int rank, const LabelData& lab) {
    std::string text;
    int lo = rank > 0 ? rank : 1, hi = rank > 0 ? rank : kSlots;
    for (int r = lo; r <= hi && r <= kSlots; ++r) {
        for (int i = 1; i <= lab.ilabelsize[r]; ++i)
            text +=
                i5(lab.ias_front[r][i]) + i5(lab.ias_end[r][i]) + i5(lab.ischedulenr[r][i]) + "\n";
        text += "    0    0    0\n";
    }
    return text;
}

bool write_labeling_to_disk(const std::string& filename, int rank, const LabelData& lab) {
    std::string name = trim(filename);
    if (uniqueflags.verbose_output) listout("writing file" + strp(name));
    std::string reason;
    if (!writeatomic(name, labelingtext(rank, lab), reason)) {
        errmsg("Output file " + strq(name) + " cannot be written:@/" + strp(reason));
        return false;
    }
    if (uniqueflags.verbose_output) listout("file written");
    return true;
}

void output_sat(const TypeMatrix& occ) {
    putlin(10, "(");
    for (int i = 1; i <= kTypes; ++i)
        for (int j = 1; j <= kTypes; ++j)
            if (occ[i][j] > 1) putlin(10, intp(i) + " NAND " + intp(j + 21) + " AND ");
    putlin(10, "TRUE ) AND (");
    for (int i = 1; i <= kTypes; ++i)
        for (int j = 1; j <= kTypes; ++j)
            if (occ[i][j] == 1) putlin(10, intp(i) + " AND " + intp(j + 21) + " AND ");
    for (int base : {43, 64}) {
        putlin(10, "TRUE ) AND NOT( ");
        for (int i = 1; i <= kTypes; ++i)
            for (int j = 1; j <= kTypes; ++j) {
                if (occ[i][j] != 1) continue;
                int t = base == 43 ? i : j;
                for (int s1 = 0; s1 < 10; ++s1)
                    for (int s2 = 0; s2 < 10; ++s2)
                        putlin(10, intp(base + 42 * s1 + t - 1) + " XNOR " +
                                       intp(base + 42 * s2 + t - 1) + " AND ");
            }
    }
    putlin(10, "TRUE )");
}
