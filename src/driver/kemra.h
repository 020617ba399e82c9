// The program: start-up, banner, command loop.
#pragma once

// The error of a command that needs a sequence when none is read; it begins
// with the framework's own words.
inline constexpr const char* kNoData =
    "No data present. Read a sequence first (read fasta file=... or read seq file=...).";

// Where a fatal message saves the stored labelings.
inline constexpr const char* kRescueFile = "quilter-rescue.lab";

// Runs the program; returns only through stopit.
int kemra();
