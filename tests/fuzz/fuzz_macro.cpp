// A whole macro file: control flow, loops, jumps, locals, syntax, error
// actions and nested calls of itself.
#include <fstream>

#include "fuzzutil.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::setup();
    std::ofstream(fuzz::scratch + "/fz.kem", std::ios::binary) << fuzz::text(data, size);
    fuzz::interpret(fuzz::scratch + "/fz a b c");
    return 0;
}
