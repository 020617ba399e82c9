// The sequence file reader and the molecule build with the shipped library.
#include "fuzzutil.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::sequencefile(data, size, getseq);
    return 0;
}
