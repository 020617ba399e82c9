// The FASTA reader and the molecule build with the shipped library.
#include "fuzzutil.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::setup();
    fuzz::library();
    std::string file = fuzz::text(data, size);
    fuzz::guarded([&] {
        std::FILE* f = fuzz::memfile(file);
        if (f && getfasta(f)) iniseq();
        if (f) std::fclose(f);
    });
    return 0;
}
