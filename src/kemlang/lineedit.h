// Line editing at the terminal: the arrow keys move in the line and walk the
// recall list, and the list is kept between runs in ~/.quilter_history.
// Used only when standard input and output are both terminals, so piped
// input and captured output never see an escape code.
#pragma once

#include <string>
#include <vector>

// Standard input and output are terminals that understand cursor movement.
bool lineeditable();

// Reads one line; history is the recall list, oldest first. Returns false at
// the end of input (Ctrl-D on an empty line). Ctrl-C drops the line typed so
// far and returns an empty one.
bool editline(const std::string& prompt, std::string& line,
              const std::vector<std::string>& history);

// The history file: $HOME/.quilter_history, blank when HOME is not set.
std::string historyfile();
// Fills history with the last keep lines of the file.
void loadhistory(std::vector<std::string>& history, size_t keep);
// Adds one line to the file.
void appendhistory(const std::string& line);
