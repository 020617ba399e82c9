// Help after a mistyped or ambiguous command word: the names the user
// probably meant, printed as one information line under the error.
#pragma once

#include <string>
#include <vector>

// Names within a small edit distance of word (case ignored, a swap of two
// neighbouring letters counts once): those at the smallest distance found,
// at most four.
std::vector<std::string> closestnames(const std::string& word,
                                      const std::vector<std::string>& names);
// Names of which word is a proper abbreviation, in the order given.
std::vector<std::string> abbreviatednames(const std::string& word,
                                          const std::vector<std::string>& names);

// The application's command names (set once by the driver); knownnames()
// adds the language's own statements.
void setcommandnames(const std::vector<std::string>& names);
const std::vector<std::string>& commandnames();
std::vector<std::string> knownnames();

// The line under "Illegal command": the closest names or a pointer to help.
void hintunknown(const std::string& word, const std::vector<std::string>& names);
// The line under "Ambiguous command": the names the word abbreviates.
void hintambiguous(const std::string& word, const std::vector<std::string>& names);
