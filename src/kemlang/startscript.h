// The macro script named on the command line: it runs once, after the
// start-up macro and before the first line read at the terminal.
#pragma once

#include <string>
#include <vector>

void setstartscript(const std::string& file, const std::vector<std::string>& args);

// Hands the script over once; false when there is none or it was taken.
bool takestartscript(std::string& file, std::vector<std::string>& args);

// True once the script has been handed over.
bool startscriptran();
