// Self-check of an installation: is the residue library there and sound, is
// there a help file for every command of the table, does a tiny design give
// the resolved-pair count it always gives, and does the overlap model give
// its known values.
//
// Choices of ours:
//  - the checks work on scratch data: the molecular and labeling data of
//    the session (and the corr14 variable the library sets) are saved
//    before and restored after, and what the library
//    reader, the optimiser and the model print is kept off the screen (the
//    first error line they print is reported as the reason of a failure);
//  - the design check reads the first 20 residues of human ubiquitin
//    (MQIFVKTLTGKTITLEVEPS) and runs one cycle of the optimiser (iterations
//    0, seed 1) on at most 4 samples; it resolves 15 unique pairs.
#pragma once

#include <string>
#include <vector>

struct InstallCheck {
    std::string name;
    bool ok = false;
    std::string detail;  // what is wrong when not ok
};

constexpr int kDesignResolved = 14;

// Runs the checks against the installation tree libdir (the KEMRALIB tree).
std::vector<InstallCheck> test_quilter(const std::string& libdir);
