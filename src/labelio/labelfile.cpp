#include "labelio/labelfile.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "kemlang/print.h"
#include "labelio/atomicfile.h"
#include "labelio/recipe.h"
#include "molecule/textio.h"

namespace {

// The slots as a file leaves them; taken over only when the whole file reads.
struct Slots {
    std::array<int, kSlots + 1> size{};
    decltype(LabelData::ias_front) front{}, end{}, mask{}, occur{};
    decltype(LabelData::slotmodel) model{};
    decltype(LabelData::slotextra) extra{};
    decltype(LabelData::slotanalysis) analysis{};
};

Slots currentslots(const LabelData& l) {
    Slots s;
    s.size = l.ilabelsize;
    s.front = l.ias_front;
    s.end = l.ias_end;
    s.mask = l.ischedulenr;
    s.occur = l.ioccur;
    s.model = l.slotmodel;
    s.extra = l.slotextra;
    s.analysis = l.slotanalysis;
    return s;
}

void storeslots(const Slots& s, LabelData& l) {
    l.ilabelsize = s.size;
    l.ias_front = s.front;
    l.ias_end = s.end;
    l.ischedulenr = s.mask;
    l.ioccur = s.occur;
    l.slotmodel = s.model;
    l.slotextra = s.extra;
    l.slotanalysis = s.analysis;
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

const std::string kTableHead = "# quilter label table:";

bool istable(const std::string& line) {
    size_t a = line.find_first_not_of(" \t");
    return a != std::string::npos && line[a] == '#';
}

// A label table being read: its model, samples and labels.
struct Table {
    Model model;
    int samples = 0;
    Labels labels;
    uint32_t listed = 0;  // type bits of the rows read
};

std::string header(const std::string& line, const KemraData& mol, Table& t) {
    std::vector<std::string> w = fields(line, 10, 40);
    std::string what = "is not a label table header (" + kTableHead + " spectra=... samples=...)";
    if (line.rfind(kTableHead, 0) != 0 || w.size() != 6) return what;
    if (w[4].rfind("spectra=", 0) != 0 || w[5].rfind("samples=", 0) != 0) return what;
    if (!modelof(w[4].substr(8), asnameconverttonumber(mol, "PRO"), t.model))
        return "names spectra \"" + w[4].substr(8) + "\": they are \"hnco\" or \"hsqc+hnco\"";
    if (!toint(w[5].substr(8), t.samples) || t.samples < 0 || t.samples > kSamples)
        return "gives samples \"" + w[5].substr(8) + "\": a table has 0 to 20 samples";
    return "";
}

std::string tablerow(const std::string& line, const KemraData& mol, Table& t) {
    std::vector<std::string> w = fields(line, 10, 40);
    if (w.empty() || w.size() > 2) return "cannot be read (a residue type, then its labels)";
    int type = 0;
    for (int k = 1; k <= kTypes && !type; ++k)
        if (!w[0].empty() && typename_of(mol, k) == w[0]) type = k;
    if (!type) return "names no residue type of the library (\"" + w[0] + "\")";
    if (t.listed & (1u << type)) return "names " + w[0] + " a second time";
    std::string letters = w.size() > 1 ? w[1] : "";
    if (static_cast<int>(letters.size()) != t.samples)
        return "has " + std::to_string(letters.size()) +
               (letters.size() == 1 ? " label" : " labels") + ", not " + std::to_string(t.samples) +
               " (one per sample)";
    for (size_t k = 0; k < letters.size(); ++k) {
        char c = letters[k];
        if (c != '.' && c != 'C' && c != 'N' && c != 'B')
            return std::string("has the label \"") + c +
                   "\": a label is . (none), C (13C), N (15N) or B (both)";
        if (c == 'C' || c == 'B') t.labels.c[static_cast<size_t>(type)] |= 1u << k;
        if (c == 'N' || c == 'B') t.labels.n[static_cast<size_t>(type)] |= 1u << k;
    }
    t.listed |= 1u << type;
    return "";
}

// A label table as slot r: the unique pairs of the sequence's pair analysis
// that show an HNCO peak are its entries, the labels they leave out extra.
void tableslot(const Table& t, const Selection& base, const TypeMatrix& uniqs, int r, Slots& out) {
    auto s = std::make_unique<Schedule>();
    s->model = t.model;
    for (int k = 1; k <= base.count; ++k) {
        int f = base.front[k], e = base.end[k];
        uint32_t m = t.labels.c[static_cast<size_t>(f)] & t.labels.n[static_cast<size_t>(e)];
        bool listed = false;
        for (int q = 1; q < k && !listed; ++q) listed = base.front[q] == f && base.end[q] == e;
        for (int b = 0; m && !listed && b < kSamples; ++b)
            if (m & (1u << b)) addentry(s->samples[b + 1], f, e, static_cast<int>(m));
    }
    const Labels implied = schedulelabels(*s);
    for (size_t k = 1; k <= kTypes; ++k)
        s->extra.c[k] = t.labels.c[k] & ~implied.c[k],
        s->extra.n[k] = t.labels.n[k] & ~implied.n[k];
    auto lab = std::make_unique<LabelData>();
    export_pairs(*s, uniqs, r, *lab);
    out.size[r] = lab->ilabelsize[r];
    out.front[r] = lab->ias_front[r];
    out.end[r] = lab->ias_end[r];
    out.mask[r] = lab->ischedulenr[r];
    out.occur[r] = lab->ioccur[r];
    out.model[r] = t.model;
    out.analysis[r] = Analysis();
    const Labels entries = entrylabels(*lab, r);
    for (size_t k = 1; k <= kTypes; ++k) {
        out.extra[r].c[k] = t.labels.c[k] & ~entries.c[k];
        out.extra[r].n[k] = t.labels.n[k] & ~entries.n[k];
    }
}

// Reads the slots of a file; mol is the sequence that label tables are read
// against (none for sample-string files, which hold no tables).
bool readslots(const std::string& filename, LineParser parse, const KemraData* mol,
               LabelData& lab) {
    std::string name = trim(filename);
    putlin(10, "opening file '" + strp(name) + "'");
    std::FILE* f = std::fopen(name.c_str(), "r");
    if (!f) {
        errmsg("Input file " + strq(name) + " cannot be opened.");
        return false;
    }
    auto s = std::make_unique<Slots>(currentslots(lab));
    std::string line, problem;
    int r = 1, i = 1, lineno = 0;
    bool intable = false;
    Table table;
    Selection base;
    TypeMatrix uniqs{};
    bool analysed = false;
    auto endtable = [&] {
        if (!analysed) annotatepairs(*mol, lab, base, uniqs, Bans::on, 1, false);
        analysed = true;
        tableslot(table, base, uniqs, r, *s);
        intable = false;
    };
    while (r <= kSlots && readline(f, line, 200)) {
        ++lineno;
        int front = 0, end = 0, mask = 0;
        if (trim(line).empty()) continue;
        if (mol && istable(line)) {
            if (intable || i > 1)
                problem = "starts a label table inside a labeling";
            else
                table = Table(), problem = header(line, *mol, table), intable = true;
        } else if (intable && !parse(line, front, end, mask)) {
            problem = tablerow(line, *mol, table);
        } else if (!parse(line, front, end, mask))
            problem = "cannot be read";
        else if (intable && (front > 0 || end > 0))
            problem = "is an entry inside a label table";
        else if (front <= 0 || end <= 0) {
            if (intable) endtable();
            ++r, i = 1;
            continue;
        } else if (front > kTypes || end > kTypes)
            problem = "has a residue type outside 1..21";
        else if (mask < 0 || mask >= (1 << kSamples))
            problem = "has a sample mask beyond 20 samples";
        else if (i > kSlotEntries)
            problem = "is entry 401 of a labeling (400 at most)";
        if (!problem.empty()) break;
        if (intable) continue;
        s->front[r][i] = front;
        s->end[r][i] = end;
        s->mask[r][i] = mask;
        s->size[r] = i++;
        // Entries alone: an HNCO labeling of unknown making.
        s->model[r] = Model(), s->extra[r] = Labels(), s->analysis[r] = Analysis();
    }
    std::fclose(f);
    if (!problem.empty()) {
        errmsg("Line " + intp(lineno) + " of " + strq(name) + " " + strp(problem) + ":@/" +
               strp(line));
        return false;
    }
    if (intable) endtable();
    storeslots(*s, lab);
    listout("file opened");
    return true;
}

std::string i5(int v) {
    std::string t = std::to_string(v);
    return t.size() < 5 ? std::string(5 - t.size(), ' ') + t : t;
}

// Slot r as a label table: the header, then each residue type of the
// library with one label per sample.
std::string tabletext(const LabelData& lab, int r, const KemraData& mol) {
    Labels l = entrylabels(lab, r);
    for (size_t t = 1; t <= kTypes; ++t)
        l.c[t] |= lab.slotextra[r].c[t], l.n[t] |= lab.slotextra[r].n[t];
    uint32_t used = 0;
    for (size_t t = 1; t <= kTypes; ++t) used |= l.c[t] | l.n[t];
    int samples = 0;
    for (; used; used >>= 1) ++samples;
    std::string text = kTableHead + " spectra=" + lab.slotmodel[r].option() +
                       " samples=" + std::to_string(samples) + "\n";
    for (int t = 1; t <= kTypes; ++t) {
        std::string n = typename_of(mol, t);
        if (n.empty()) continue;
        std::string row = n;
        row.resize(std::max<size_t>(n.size(), 5), ' ');
        row += " ";
        for (int k = 0; k < samples; ++k) {
            bool c = l.c[static_cast<size_t>(t)] & (1u << k),
                 nn = l.n[static_cast<size_t>(t)] & (1u << k);
            row += c && nn ? 'B' : c ? 'C' : nn ? 'N' : '.';
        }
        text += trim(row) + "\n";
    }
    return text;
}

}  // namespace

bool read_labeling_from_disk(const std::string& filename, const KemraData& mol, LabelData& lab) {
    return readslots(filename, labelline, &mol, lab);
}

bool read_samplestrings(const std::string& filename, LabelData& lab) {
    return readslots(filename, stringline, nullptr, lab);
}

bool islabelingtext(const std::vector<std::string>& lines) {
    bool intable = false;
    for (const std::string& line : lines) {
        int front = 0, end = 0, mask = 0;
        if (trim(line).empty()) continue;
        if (line.rfind(kTableHead, 0) == 0) {
            intable = true;
        } else if (labelline(line, front, end, mask)) {
            if (front <= 0 || end <= 0) intable = false;
        } else if (intable) {
            // A row: a residue name, then its labels.
            std::vector<std::string> w = fields(line, 10, 40);
            if (w.empty() || w.size() > 2 ||
                (w.size() == 2 && w[1].find_first_not_of(".CNB") != std::string::npos))
                return false;
        } else {
            return false;
        }
    }
    return true;
}

std::string labelingtext(int rank, const LabelData& lab, const KemraData& mol) {
    std::string text;
    int lo = rank > 0 ? rank : 1, hi = rank > 0 ? rank : kSlots;
    for (int r = lo; r <= hi && r <= kSlots; ++r) {
        if (designslot(lab, r))
            text += tabletext(lab, r, mol);
        else
            for (int i = 1; i <= lab.ilabelsize[r]; ++i)
                text += i5(lab.ias_front[r][i]) + i5(lab.ias_end[r][i]) +
                        i5(lab.ischedulenr[r][i]) + "\n";
        text += "    0    0    0\n";
    }
    return text;
}

bool write_labeling_to_disk(const std::string& filename, int rank, const LabelData& lab,
                            const KemraData& mol) {
    std::string name = trim(filename);
    if (uniqueflags.verbose_output) listout("writing file" + strp(name));
    std::string reason;
    if (!writeatomic(name, labelingtext(rank, lab, mol), reason)) {
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
