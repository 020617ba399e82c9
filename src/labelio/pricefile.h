// The price table as a CSV file that a spreadsheet can open and save:
//
//     unit,USD per sample of 1 L culture
//     type,13C,15N,both
//     ALA,174,157,1778
//     ...
//
// The first line names the currency and what one price buys; the second
// names the columns; then one line per residue type (ALA ... VAL, CYSS for
// the cysteines of disulfide bridges), each exactly once, in any order. A
// price is a whole number 0..1000000; 10000 or more marks a form that is not
// offered. Blank lines are skipped; a field may be quoted. A file with any
// line that breaks these rules is refused whole.
#pragma once

#include <string>
#include <vector>

#include "labeling/labeldata.h"

constexpr int kMaxPrice = 1000000;

std::string pricecsv(const PriceSheet& s);

// The table of the lines of a price file; false with the 1-based number of
// the line at fault (0 when the fault is the file as a whole) and the reason.
bool parseprices(const std::vector<std::string>& lines, PriceSheet& out, int& badline,
                 std::string& why);

// The lines of a price file (line ends of either kind removed); false with
// the reason when it cannot be read or is far larger than a price table.
bool readpricefile(const std::string& path, std::vector<std::string>& lines, std::string& why);

// Read and parse in one: false with the problem as the end of a sentence
// that begins with the file's name ("cannot be read: ...", "line 4: ...").
bool pricesfromfile(const std::string& path, PriceSheet& out, std::string& problem);

// The fields of a CSV line: commas separate, double quotes enclose a field
// ("" inside stands for one quote); blanks around a field are dropped.
std::vector<std::string> csvfields(const std::string& line);
// A field as CSV writes it: quoted when it holds a comma, a quote or edge blanks.
std::string csvfield(const std::string& text);
