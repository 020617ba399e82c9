// The residue library reader, replacing and appending to the shipped library
// (first byte: the unknown-name mode and whether to append).
#include "fuzzutil.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::setup();
    if (size == 0) return 0;
    fuzz::library();
    std::string file = fuzz::text(data + 1, size - 1);
    fuzz::guarded([&] {
        if (data[0] & 4) {  // a replacing read empties the library first
            kemradata.atyp.resize(1);
            kemradata.res.resize(1);
            kemradata.spec.resize(1);
        }
        std::FILE* f = fuzz::memfile(file);
        if (f && getlib(f, data[0] % 3)) libchk();
        if (f) std::fclose(f);
    });
    return 0;
}
