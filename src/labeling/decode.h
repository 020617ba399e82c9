// Reading measured spectra back through a design.
//
// Each sample of a design is recorded as an HNCO and, optionally, a 1H-15N
// HSQC. A residue whose amide shows gives, in every sample, a peak at its
// own 1H/15N position or none, so the peaks of all samples fall into groups
// by position, and the samples in which a group has peaks form its observed
// code. The code book holds the code every residue should show; a group
// whose code only one residue can give is that residue.
//
// What can go wrong, and what the decoder does about it:
//  - noise moves a peak: a peak may lie up to one tolerance from its
//    residue's position, so peaks within twice the tolerances are linked;
//    the scatter of the lists, measured on the plain groups, decides how
//    finely a crowded cluster is parted into positions (peakgroups.cpp).
//  - a peak too weak to pick is lost: the observed code is then the true
//    code with states missing. A group may be any residue whose code
//    contains its observed code with at most a given number of sample
//    states lost (any number by default; a user who trusts the spectra may
//    allow fewer and get more assignments). A residue is forced on a group
//    when every maximum matching of groups to distinct residues pairs the two (the
//    truth is one of them). A forced group is assigned only when it shows
//    the residue's code exactly; with states missing it is reported with
//    the residue as its one candidate.
//  - two residues within the tolerances fall into one group: their codes
//    merge and may equal a third residue's. Such a group is refused when one
//    sample holds two of its peaks in one spectrum, or when its HNCO 13C
//    shifts show a gap of more than twice the tolerance (two carbonyls). A
//    group is not assigned when its code is the union of the codes of two
//    residues no group accounts for, when its residue's code could be
//    hidden in a refused group, or when one of its peaks would complete the
//    code of an unassigned group nearby.
//  - more groups compete for a set of residues than it holds: every group of
//    that set is ambiguous.
// An assignment is sure when, besides, no other residue's code lies within
// one sample state of it, so that a single wrong peak could not have made
// it; likely otherwise.
//
// The first residue and proline have no amide proton and show nothing,
// whatever the observation model the design was made for.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "labeling/model.h"

namespace decoding {

enum class Spectrum : uint8_t { hsqc, hnco };

// One measured peak: its sample (1-based), spectrum, shifts in ppm (13C only
// in the HNCO: the carbonyl of the residue before) and its number in its
// list.
struct Peak {
    int sample = 0;
    Spectrum spectrum = Spectrum::hnco;
    double h = 0, n = 0, c = 0;
    int id = 0;
    int source = 0;  // the residue a simulated peak was made from (0: measured)
};

// The spectrum of its sample a peak fills, as a code bit: HSQC in the high
// word, HNCO in the low one.
inline Code slot(const Peak& p) {
    const Code b = Code{1} << (p.sample - 1);
    return p.spectrum == Spectrum::hnco ? b : b << 32;
}
// The states of a code a peak shows: an HNCO peak shows the HSQC state too
// where the code book reads the HSQC (the amide that gives it has 15N).
inline Code shown(const Peak& p, bool hsqc) {
    const Code s = slot(p);
    return p.spectrum == Spectrum::hnco && hsqc ? s | s << 32 : s;
}

// Shifts within which peaks belong together, and the sample states a
// residue may lose (a lost HNCO peak, or both peaks of a sample): a group
// that would need more is not taken for that residue.
struct Tolerance {
    double h = 0.03, n = 0.3, c = 0.2;
    int lost = 20;
};

// The codes the residues of a sequence give under a label table: per
// residue the HSQC mask in the high word and the HNCO mask in the low one;
// hsqc says whether decoding reads the HSQC states too.
struct CodeBook {
    int nsamples = 0;
    bool hsqc = false;
    std::vector<Code> full;  // 1..nr, 0 for a residue that shows nothing
    Code code(int r) const {
        return hsqc ? full[static_cast<size_t>(r)] : Model::hnco(full[static_cast<size_t>(r)]);
    }
    int residues() const { return static_cast<int>(full.size()) - 1; }
};

// types[1..nr] are the residue types (types[0] unused); proline is the type
// number of proline (0: none).
CodeBook codebook(const std::vector<int>& types, const Labels& l, int nsamples, bool hsqc,
                  int proline);

// The number of sample states in which two codes differ.
int distance(Code a, Code b, int nsamples);
// What turns code want into code got, sample by sample ("HNCO peak missing
// in sample 3, extra HSQC peak in sample 1").
std::string difference(Code got, Code want, int nsamples, bool hsqc);

// Peaks at one position in the samples.
struct Group {
    double h = 0, n = 0, c = 0;  // mean shifts (c: of the HNCO peaks, 0 without)
    std::vector<int> peaks;      // indices into the peak list, by sample
    Code code = 0;               // observed
    std::string risk;            // why it may hold two residues; empty when none
    std::string note;            // other irregularities (an HNCO peak without HSQC peak)
};

// The scatter of the peaks of one residue about its position, as standard
// deviations in ppm, measured on the groups that are plainly one residue
// (not measured: too few of them).
struct Scatter {
    double h = 0, n = 0;
    bool measured = false;
    double reachh = 0, reachn = 0;  // how far one residue's peaks lie apart: the grouping's radius
};

// Groups the peaks by position: peaks within twice the tolerances of each
// other are linked, and a linked cluster is parted into the positions its
// peaks' scatter tells apart.
std::vector<Group> matchpeaks(const std::vector<Peak>& peaks, const Tolerance& tol,
                              const CodeBook& book, Scatter* scatter = nullptr);

enum class Verdict : uint8_t {
    sure,       // the residue, even if one peak were wrong
    likely,     // the residue, if peaks were only lost
    ambiguous,  // several residues could give it
    shared,     // the design gives its code to several residues
    nocode,     // no residue gives this code
};
const char* verdictname(Verdict v);

struct Assignment {
    Verdict verdict = Verdict::nocode;
    int residue = 0;              // sure and likely
    std::vector<int> candidates;  // ambiguous, shared; nocode: the nearest codes
    std::string why;              // what is uncertain
};

// Per sample and spectrum: the peaks counted and the peaks the code book
// predicts.
struct SampleCount {
    int sample = 0;
    Spectrum spectrum = Spectrum::hnco;
    int seen = 0, expected = 0;
};

struct Decoding {
    std::vector<Group> groups;
    std::vector<Assignment> assignments;  // one per group
    std::vector<SampleCount> counts;
    std::vector<int> unseen;  // residues that should show and have no group
    Scatter scatter;
};

// The matching behind the decoding, for groups with candidate residues
// cand[g] (residues 1..nres): per group the residue every maximum matching
// gives it (0 where they differ or leave it out), the groups some maximum
// matching leaves out and those that would take their place (crowded), and
// per residue the group of one maximum matching (-1: none).
struct Forcing {
    std::vector<int> residue;
    std::vector<bool> crowded;
    std::vector<int> holder;
};
Forcing forcing(const std::vector<std::vector<int>>& cand, int nres);

// name gives a residue's name in the reasons ("GLY 47"); without it,
// "residue 47" by index.
Decoding decode(const CodeBook& book, const std::vector<Peak>& peaks, const Tolerance& tol,
                const std::function<std::string(int)>& name = {});

// The shifts that make a residue's peaks: 1H and 15N of its amide, 13C of
// the carbonyl of the residue before; NaN when not known.
struct AmideShifts {
    double h, n, c;
};
struct Noise {
    double h = 0, n = 0, c = 0;  // standard deviations, ppm
    double drop = 0;             // fraction of peaks lost
    uint32_t seed = 1;
};

// The peaks every sample of the code book would give: an HSQC peak for each
// residue with 15N (when the book reads the HSQC), an HNCO peak for each with
// both labels, at kTypicalCarbonyl where the carbonyl's shift is not known.
// shifts[1..nr].
constexpr double kTypicalCarbonyl = 176.0;
std::vector<Peak> simulate(const CodeBook& book, const std::vector<AmideShifts>& shifts,
                           const Noise& noise);

}  // namespace decoding
