// Range checks of command parameters: a number outside its table is an error
// that the handler reports before it touches anything.
#pragma once

#include <string>

#include "kemlang/interp.h"
#include "kemlang/params.h"
#include "kemlang/print.h"
#include "labeling/pairs.h"
#include "labelio/atomicfile.h"

// Integer parameter `name` within lo..hi; otherwise an error naming it.
inline bool paramin(const std::string& name, int lo, int hi) {
    int v = iparam(name);
    if (v >= lo && v <= hi) return true;
    errmsg("Parameter " + strq(name) + " must lie in " + intp(lo) + ".." + intp(hi) + ", not " +
           intp(v) + ".");
    return false;
}

// The observation model named by parameter "spectra", for the sequence's
// proline; otherwise an error naming the words it knows.
inline bool spectraparam(const KemraData& mol, Model& m) {
    std::string word = trim(lefstr(getpar("spectra")));
    if (modelof(word, asnameconverttonumber(mol, "PRO"), m)) return true;
    errmsg("Parameter " + strq("spectra") + " is " + strq(word) + ": it must be " + strq("hnco") +
           " (HNCO spectra) or " + strq("hsqc+hnco") +
           " (an HSQC and an HNCO spectrum of every sample).");
    return false;
}

// A parameter error of a command whose classic form ends the program on it.
// Typed at the prompt it is an error and the command does nothing, so the
// session's sequence and designs stay; in a macro or a piped script it ends
// the run as before (with the rescue file). True when the handler must return.
inline bool fatalparams(const std::string& text) {
    if (!haverr()) return false;
    if (!typedatterminal()) fatmsg(text);
    errmsg(text);
    return true;
}

// Writes text to file under a temporary name and renames it; otherwise an
// error naming what the file is ("Report file"), the file and the reason.
inline bool writeorsay(const std::string& what, const std::string& file, const std::string& text) {
    std::string reason;
    if (writeatomic(file, text, reason)) return true;
    errmsg(what + " " + strq(file) + " cannot be written: " + strp(reason));
    return false;
}
