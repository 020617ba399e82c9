// Field reading shared by the data-file readers: comments, blank-separated
// fields and Fortran-style numbers.
#pragma once

#include <string>
#include <vector>

// Blanks everything from the first "#" on.
std::string nocomment(const std::string& line);
// Blank-separated fields, at most maxf of at most width characters each.
std::vector<std::string> fields(const std::string& line, int maxf = 100, int width = 20);
// Whole-field conversions; false when the field is not a number.
bool toint(const std::string& field, int& value);
bool toreal(const std::string& field, double& value);
// Reads one line (without the line end) cut to at most width characters.
bool readline(std::FILE* f, std::string& line, size_t width);
