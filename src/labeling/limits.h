// Sizes of the labeling tables, shared by the data module and the
// observation model.
#pragma once

constexpr int kTypes = 21;  // residue types of the pair records
constexpr int kSlots = 10;  // stored labelings
constexpr int kSlotEntries = 400;
constexpr int kNotOffered = 10000;
