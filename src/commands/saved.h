// Whether the stored labelings are held by a file. A design that no file
// holds is lost when the program ends, so quitting at the prompt asks twice.
#pragma once

#include <string>

// The stored labelings as they are now are in a file (written or read).
void labelingsinfile();
// Some stored labeling is not in any file written or read since it changed.
bool labelingsunsaved();

// What writing the labelings of rank (all ten when 0 or less) over the file
// would destroy, as an error text naming the file; empty when nothing. A
// file that is not a labeling file (a FASTA file recalled from the history)
// is never written over, nor, with refuseempty, is any existing file when
// the labelings are empty. Devices and pipes are written as they are.
std::string overwriteproblem(const std::string& name, int rank, bool refuseempty);
