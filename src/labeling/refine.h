// Scoring and thinning a stored labeling.
//
// Both work on a schedule rebuilt from a stored slot: every entry goes into
// every sample of its mask, and a pair shows in a sample when some entry of
// the sample labels its front type and some entry its end type.
//
// Choices of ours:
//  - the class score of a sample sums the pair classes of the occurring
//    pairs that show in the sample (each pair once per sample); a pair of
//    class 0 adds nothing and is not reported;
//  - thinning keeps a removed sample when the duplicate total of the whole
//    labeling stays below the allowed duplicates of the entry's pair. A
//    labeling that lists every pair it shows (as the optimiser stores them)
//    then never loses a resolved unique pair; one that leaves out pairs shown
//    only through cross-labelling of a sample can lose such a pair when the
//    sample stops labelling one of its types.
#pragma once

#include <vector>

#include "labeling/pairs.h"

struct KemraData;

// One pair of a sample that adds its class to the class score.
struct ClassLine {
    int sample = 0, front = 0, end = 0, value = 0;
};

struct LabelingScore {
    double score = 0;  // schedule score, all weights 1.0
    std::vector<ClassLine> classes;
    int classtotal = 0;
};

// Schedule score and class score of slot rank, its pairs judged in model
// (whatever model the slot was designed in).
LabelingScore scorelabeling(const KemraData& mol, const LabelData& lab, const TypeMatrix& uniqs,
                            int rank, const Model& model);

// A sample taken away from an entry of the working slot.
struct MaskChange {
    int entry = 0, front = 0, end = 0;
    int sample = 0;  // the sample taken away
    int stored = 0;  // the entry's mask now
    int before = 0;  // the pair's mask in the pair-sample matrix before
    int after = 0;   // and after
};

class RefineObserver {
   public:
    virtual ~RefineObserver() = default;
    virtual void kept(const MaskChange& c) { (void)c; }
};

// Copies slot from into slot to, then takes samples away from the entries of
// slot to (entries in stored order, samples 20 down to 1) while the duplicate
// total stays below the allowed duplicates of the entry's pair; a mask never
// becomes empty. Returns the number of samples taken away.
int thinlabeling(const TypeMatrix& uniqs, const TypeMatrix& allowed, LabelData& lab, int from,
                 int to, RefineObserver& obs);
