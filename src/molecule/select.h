// Atom selections: a selection text evaluated against the molecule.
#pragma once

#include <string>
#include <vector>

// Evaluates a selection text into sel (1..na), combining with sel by mode
// (' ' replace, '+' add, '-' remove, '/' intersect); false after an error
// message.
bool getsel(const std::string& text, char mode, std::vector<char>& sel);
// The random stream of "random=p" selections, shared with "atoms set random".
double selectionrandom();
