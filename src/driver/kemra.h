// The program: start-up, banner, command loop.
#pragma once

// Where a fatal message saves the stored labelings.
inline constexpr const char* kRescueFile = "quilter-rescue.lab";

// Runs the program; returns only through stopit.
int kemra();
