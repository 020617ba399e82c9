// Range checks of command parameters: a number outside its table is an error
// that the handler reports before it touches anything.
#pragma once

#include <string>

#include "kemlang/params.h"
#include "kemlang/print.h"

// Integer parameter `name` within lo..hi; otherwise an error naming it.
inline bool paramin(const std::string& name, int lo, int hi) {
    int v = iparam(name);
    if (v >= lo && v <= hi) return true;
    errmsg("Parameter " + strq(name) + " must lie in " + intp(lo) + ".." + intp(hi) + ", not " +
           intp(v) + ".");
    return false;
}
