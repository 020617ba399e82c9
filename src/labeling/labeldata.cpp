#include "labeling/labeldata.h"

LabelData labdata;

void LabelData::reset() { *this = LabelData(); }

void setinitialprices() {
    struct Row {
        const char* name;
        int n, c, both;
    };
    static const Row rows[kTypes] = {
        {"ALA", 157, 174, 1778},  {"ARG", 10000, 1936, 2288}, {"ASN", 10000, 10000, 10000},
        {"ASP", 149, 448, 726},   {"CYS", 187, 218, 352},     {"CYS", 187, 218, 352},
        {"GLN", 220, 2257, 2244}, {"GLU", 193, 1291, 1180},   {"GLY", 65, 333, 635},
        {"HIS", 324, 731, 10000}, {"ILE", 167, 259, 10000},   {"LEU", 58, 89, 961},
        {"LYS", 217, 1016, 1996}, {"MET", 211, 1463, 1430},   {"PHE", 35, 180, 308},
        {"PRO", 150, 216, 365},   {"SER", 2125, 3696, 2125},  {"THR", 834, 865, 835},
        {"TRP", 154, 226, 798},   {"TYR", 105, 106, 617},     {"VAL", 77, 54, 810},
    };
    for (int i = 1; i <= kTypes; ++i) {
        labdata.price_asname[i] = rows[i - 1].name;
        labdata.price_natoms[i] = rows[i - 1].n;
        labdata.price_catoms[i] = rows[i - 1].c;
        labdata.price_bothatoms[i] = rows[i - 1].both;
    }
}

void labseqinit(int na) {
    LabelData& l = labdata;
    size_t n = static_cast<size_t>(na) + 1;
    l.ainclude.assign(n, 1);
    l.imarker.assign(n, 0);
    l.itmpmark.assign(n, 0);
    l.alaba.assign(n, 1.0);
    l.rc13lab.assign(n, 0.5);
    l.rn15lab.assign(n, 0.5);
    setinitialprices();
    for (auto& row : l.iallowed_dupes) row.fill(1);
    l.isample_class.fill(0);
    l.ibatch_front.clear();
    l.ibatch_end.clear();
    l.ibatch_cluster.clear();
    l.ibatchsize = 0;
}
