// Tables and hand edits: prices, allowed duplicates, pair classes, edits of
// stored labelings and of the batch.
//
// Choices of ours: a residue name that the library does not know is an error
// that changes nothing (an omitted name, ":", still means every type for
// setdupes and setclass); prices lie in 0..1000000 so that the sums of a
// recipe stay exact; allowed duplicates lie in 0..99, the width of their
// listing; a mask set by modifypair covers at most the 20 samples; the
// default price is written "1" (an integer parameter cannot read "1.0").
#include "labelio/edits.h"

#include "commands/checks.h"
#include "commands/registry.h"
#include "labeling/pairs.h"
#include "labelio/pricefile.h"
#include "labelio/recipe.h"

namespace {

constexpr int kMaxDupes = 99;
constexpr int kMaxClass = 1000000;

std::string word(const std::string& par, size_t width) {
    return trim(lefstr(getpar(par).substr(0, width)));
}

// Residue type named by parameter par: 0 when omitted (":" or blank) and
// allowed to be, -1 after an error message.
int typeof_param(const std::string& par, int maxtype, bool omittable) {
    std::string name = word(par, 80);
    if (omittable && (name.empty() || name == ":")) return 0;
    int t = asnameconverttonumber(kemradata, name.substr(0, std::min<size_t>(name.size(), 5)));
    if (name.size() > 5) t = -1;
    if (t < 1) {
        errmsg("Unknown residue type " + strq(name) + " for parameter " + strq(par) + ".");
        return -1;
    }
    if (t > maxtype) {
        errmsg("Residue type " + strq(name) + " (" + intp(t) + ") lies outside the table (1.." +
               intp(maxtype) + ").");
        return -1;
    }
    return t;
}

void setprice(Words& param, int& npar) {
    params(param, npar, "asname=*=: price=@i=1 BOTH C13 N15 ");
    if (haverr()) return;
    int t = typeof_param("asname", kTypes, false);
    if (t < 0 || !paramin("price", 0, kMaxPrice)) return;
    int price = iparam("price");
    listout(intp(price));
    LabelData& l = labdata;
    if (option("C13")) {
        l.price_catoms[t] = price;
        putlin(10, "Set price C13 to " + realf(price, 0, 3));
    }
    if (option("N15")) {
        l.price_natoms[t] = price;
        putlin(10, "Set price N15 to " + realf(price, 0, 3));
    }
    if (option("BOTH")) {
        l.price_bothatoms[t] = price;
        putlin(10, "Set price BOTH to " + realf(price, 0, 3));
    }
}

void set_allowed_dupes(Words& param, int& npar) {
    params(param, npar, "front=*=: end=*=: dupes=@i=1 list ");
    if (option("list")) {
        for (int i = 1; i <= kTypes; ++i) {
            std::string row(1, onelettercode(i));
            for (int j = 1; j <= kTypes; ++j) {
                int v = labdata.iallowed_dupes[i][j];
                row += v >= 0 && v <= 9 ? " " + std::to_string(v)
                       : v <= 99        ? std::to_string(v)
                                        : "**";
            }
            putlin(10, strp(row));
        }
        return;
    }
    if (fatalparams("check parameters")) return;
    int f = typeof_param("front", kTypes, true);
    int e = f < 0 ? -1 : typeof_param("end", kTypes, true);
    if (e < 0 || !paramin("dupes", 0, kMaxDupes)) return;
    int v = iparam("dupes");
    putlin(10, "Setting: " + intp(f) + " " + intp(e) + " " + intp(v));
    setdupes(labdata, f, e, v);
}

void setclass(Words& param, int& npar) {
    params(param, npar, "front=*=: end=*=: class=@i=1 ");
    if (haverr()) return;
    int f = typeof_param("front", kClassTypes, true);
    int e = f < 0 ? -1 : typeof_param("end", kClassTypes, true);
    if (e < 0 || !paramin("class", 0, kMaxClass)) return;
    int c = iparam("class");
    putlin(10, "Setting Class: " + intp(f) + " " + intp(e) + " " + intp(c));
    setclass(labdata, f, e, c);
}

void modifypair(Words& param, int& npar) {
    params(param, npar, "front=*= rear=*= sched=@i=1 rank=@i=1");
    if (haverr()) return;
    std::string fn = word("front", 80), rn = word("rear", 80);
    listout(strp(fn) + " " + strp(rn));
    int f = fn.size() <= 5 ? asnameconverttonumber(kemradata, fn) : -1;
    int r = rn.size() <= 5 ? asnameconverttonumber(kemradata, rn) : -1;
    listout(intp(f) + " " + intp(r));
    if (typeof_param("front", kTypes, false) < 0 || typeof_param("rear", kTypes, false) < 0 ||
        !paramin("sched", 0, kMaxMask) || !paramin("rank", 1, kSlots))
        return;
    int rank = iparam("rank"), mask = iparam("sched");
    ModifyResult res = ::modifypair(labdata, rank, f, r, mask, pairoccurrence(kemradata, f, r));
    for (int i : res.modified)
        listout("Modifying " + intp(i) + " " + strp(typename_of(kemradata, f)) + " " +
                strp(typename_of(kemradata, r)) + " to " + intp(mask));
    if (res.appended)
        listout("Appending " + intp(res.appended) + " " + strp(typename_of(kemradata, f)) + " " +
                strp(typename_of(kemradata, r)) + " with " + intp(mask));
    if (res.full)
        errmsg("Labeling " + intp(rank) + " holds " + intp(kSlotEntries) +
               " entries already: the pair is not added.");
}

void removepair(Words& param, int& npar) {
    params(param, npar, "front=@i sample=@i=1 rank=@i=1 N15 C13 doit");
    if (haverr() || !paramin("front", 1, kTypes) || !paramin("sample", 1, kSamples) ||
        !paramin("rank", 1, kSlots))
        return;
    if (!option("N15") && !option("C13"))
        wrnmsg("Neither N15 nor C13 given: no entry is looked at.");
    for (const Affected& a :
         ::removepair(labdata, iparam("rank"), iparam("front"), iparam("sample"), option("N15"),
                      option("C13"), option("doit")))
        listout("pair " + intp(a.front) + " " + intp(a.end) + " ist betroffen");
}

void remove_unused_pairs(Words&, int&) {
    Selection sel;
    TypeMatrix uniqs{};
    annotatepairs(kemradata, labdata, sel, uniqs, Bans::on, 1, false);
    if (sel.count < 2) {
        listout("Not enough unique pairs to make sense");
        return;
    }
    LabelData& l = labdata;
    listout(intp(sel.count));
    for (int k = 1; k <= sel.count; ++k) listout(intp(sel.front[k]) + " " + intp(sel.end[k]));
    listout("---- entries of labeling 1 ----");
    for (int i = 1; i <= l.ilabelsize[1]; ++i)
        listout(intp(l.ias_front[1][i]) + " " + intp(l.ias_end[1][i]));
    for (int k = 1; k <= sel.count; ++k) {
        int f = sel.front[k], e = sel.end[k];
        listout("index: " + intp(k));
        if (findentry(l, 1, f, e) != 0) {
            listout("-found pair : " + intp(f) + " " + intp(e));
            continue;
        }
        listout("+pair " + intp(f) + " " + intp(e));
        if (!batchappend(l, f, e)) {
            errmsg("The batch holds " + intp(kBatchSize) + " pairs already: the pair " + intp(f) +
                   " " + intp(e) + " and the rest are not added.");
            return;
        }
    }
}

void copyschedule(Words& param, int& npar) {
    params(param, npar, "origin=@i=1 destin=@i=1");
    if (haverr() || !paramin("origin", 1, kSlots) || !paramin("destin", 1, kSlots)) return;
    ::copyschedule(labdata, iparam("origin"), iparam("destin"));
    listout("Labeling " + intp(iparam("origin")) + " copied to labeling " + intp(iparam("destin")));
}

void addpairtobatch(Words& param, int& npar) {
    params(param, npar, "front=@i=1 rear=@i=1 cluster=@i=1");
    if (haverr() || !paramin("front", 1, kTypes) || !paramin("rear", 1, kTypes)) return;
    if (!batchappend(labdata, iparam("front"), iparam("rear"))) {
        errmsg("The batch holds " + intp(kBatchSize) + " pairs already: nothing is added.");
        return;
    }
    listout("Pair " + intp(iparam("front")) + " " + intp(iparam("rear")) +
            " added to the batch, pairs in batch: " + intp(labdata.ibatchsize));
}

}  // namespace

static constexpr CommandReg regs[] = {
    {"setprice", 0, setprice},         {"setdupes", 0, set_allowed_dupes},
    {"setclass", 0, setclass},         {"modifypair", 0, modifypair},
    {"removepair", 0, removepair},     {"remove_unused_pairs", 0, remove_unused_pairs},
    {"copyschedule", 0, copyschedule}, {"addpairtobatch", 0, addpairtobatch},
};
static_assert(slotted(regs), "every registered command needs a slot");
std::span<const CommandReg> edits_commands() { return regs; }
