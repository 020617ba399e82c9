// Pairs per code, for the incremental judges.
//
// In the HNCO model a code is a sample mask, and a table indexed by it is
// the fastest count there is. The two-spectrum model has 3^k codes, far too
// many to index for the larger sample counts (3^15 cells for the default
// cutoff), while a protein has at most 441 occurring pair types. So its
// counts live in an open-addressed hash table of fixed size, four cells per
// pair type at least: no cell moves on an insertion, a count that falls to
// zero gives its cell back (backward-shift deletion, so no tombstones pile
// up), and nothing is allocated after reset. The cell type is the caller's:
// the annealer counts pairs and unique pairs, the all-pairs search also the
// weights of the pairs on a code.
#pragma once

#include <cstdint>
#include <vector>

#include "labeling/model.h"

template <class CellType>
class CodeTable {
   public:
    using Cell = CellType;
    // For codes of the model over the sample bits given, and at most pairs
    // codes present at once.
    void reset(const Model& m, uint32_t samples, int pairs) {
        hashed_ = m.twospectra();
        if (!hashed_) {
            direct_.assign(static_cast<size_t>(samples) + 1, Cell());
            return;
        }
        size_t cap = 64;
        while (cap < 4 * static_cast<size_t>(pairs)) cap *= 2;
        keys_.assign(cap, 0);
        cells_.assign(cap, Cell());
    }
    // The cell of a non-zero code, made when it is new; it stays in place
    // until a release of another code.
    Cell& at(Code c) {
        if (!hashed_) return direct_[static_cast<size_t>(c)];
        size_t i = slot(c);
        while (keys_[i] != 0 && keys_[i] != c) i = (i + 1) & (keys_.size() - 1);
        keys_[i] = c;
        return cells_[i];
    }
    // The cell of a code present (a default cell when it is not).
    const Cell& get(Code c) const {
        static const Cell none{};
        if (!hashed_) return direct_[static_cast<size_t>(c)];
        size_t i = slot(c);
        while (keys_[i] != 0 && keys_[i] != c) i = (i + 1) & (keys_.size() - 1);
        return keys_[i] ? cells_[i] : none;
    }
    // A code whose count fell to zero gives its cell back.
    void release(Code c) {
        if (!hashed_) return;
        const size_t mask = keys_.size() - 1;
        size_t i = slot(c);
        while (keys_[i] != c) {
            if (keys_[i] == 0) return;
            i = (i + 1) & mask;
        }
        // Backward shift: move later members of the run into the hole.
        for (size_t j = (i + 1) & mask; keys_[j] != 0; j = (j + 1) & mask) {
            size_t home = slot(keys_[j]);
            bool between = i <= j ? (home > i && home <= j) : (home > i || home <= j);
            if (between) continue;
            keys_[i] = keys_[j], cells_[i] = cells_[j];
            i = j;
        }
        keys_[i] = 0, cells_[i] = Cell();
    }

   private:
    size_t slot(Code c) const {
        return static_cast<size_t>((c * 0x9E3779B97F4A7C15ull) >> 40) & (keys_.size() - 1);
    }
    bool hashed_ = false;
    std::vector<Cell> direct_;
    std::vector<Code> keys_;
    std::vector<Cell> cells_;
};

struct PairCount {
    int cnt = 0, uq = 0;  // pairs, and unique pairs among them
};
using CodeCounts = CodeTable<PairCount>;
