// Session files: the stored labelings and the allowed-duplicates table, so
// that a later run can go on from them.
//
// "session.s" holds one integer per line, right-aligned in five columns, in
// this order: for entry i = 1..150 (outer) and labeling r = 1..10 (inner)
// the front type, end type, occurrence count and sample mask of the entry;
// the ten labeling sizes; the extract value; the 21 x 21 allowed duplicates
// by front type (outer) and end type (inner). 6452 lines in all. Entries 151
// to 400 are not saved: reading leaves them as they were.
//
// Choices of ours:
//  - a value wider than five columns (a sample mask of samples 18 to 20) is
//    written in full, and a line is read as one integer whatever its width,
//    so every written session reads back;
//  - the file is written under a temporary name in the same directory and
//    renamed when complete, so an interrupted write leaves the old file whole;
//  - reading checks the whole file before it changes anything: a line that
//    is not an integer, a value outside its table (types 0..21, masks within
//    20 samples, sizes 0..400, allowed duplicates 0..99, counts not
//    negative), a missing line or a non-blank line after the last one is
//    reported with the file name and the line, and the stored data stay;
//  - the running line counts are echoed at the normal information level, the
//    lines per duplicates cell only at level full (4);
//  - when a slot holds more than its entries say (a two-spectrum design, or
//    labels no entry implies), the file goes on after the duplicates with a
//    line "# designs" and the designs of all ten slots: per slot its spectra (0 HNCO, 1 HSQC and
//    HNCO), the type bits of the residue types that show nothing, and the
//    extra 13C and 15N sample bits of types 1..21 (44 lines per slot). A
//    session of plain HNCO labelings has no such part and is written as
//    always; a file without it reads as plain HNCO labelings;
//  - when a slot's design was made on another pair analysis than the one
//    the console reports use (no ban, or a repeat limit above 1), the file
//    ends with a line "# analyses" and per slot two lines: 1 when ASP, ASN,
//    GLU, GLN and PRO were banned, else 0, and the repeat limit. A file
//    without it reads every slot as banned with repeat limit 1.
#pragma once

#include <array>
#include <string>

#include "labeling/labeldata.h"
#include "labeling/pairs.h"

constexpr int kSessionEntries = 150;
constexpr int kSessionLines = 4 * kSessionEntries * kSlots + kSlots + 1 + kTypes * kTypes;
constexpr int kSessionDesignLines = kSlots * (2 + 2 * kTypes);
constexpr int kMaxMultipair = 1000000;  // the largest repeat limit a command takes

struct SessionImage {
    using Entries = std::array<std::array<int, kSessionEntries + 1>, kSlots + 1>;  // [r][i]
    std::array<int, kSlots + 1> size{};
    Entries front{}, end{}, occur{}, mask{};
    int ixtract = 0;
    TypeMatrix dupes{};
    std::array<Model, kSlots + 1> model{};
    std::array<Labels, kSlots + 1> extra{};
    std::array<Analysis, kSlots + 1> analysis{};
    // Does the image need the part with the designs, the one with the analyses?
    bool designs() const;
    bool analyses() const;
};

SessionImage session_of(const LabelData& l);
// Stores an image; entries 151..400 of every labeling stay as they are.
void apply_session(const SessionImage& s, LabelData& l);
// The lines of the file, each ended by a newline.
std::string session_text(const SessionImage& s);

// False, with error holding the reason, when the file cannot be written.
bool write_session(const std::string& path, const SessionImage& s, std::string& error);
// False, with error naming the file and the first bad line, when the file
// cannot be read completely; out is then unspecified.
bool read_session(const std::string& path, SessionImage& out, std::string& error);

// Console echo of a written or read session (running line counts).
void echo_session(const SessionImage& s, bool reading);
