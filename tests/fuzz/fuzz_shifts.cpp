// The chemical shift list reader in its three formats (first byte: format
// and options) on human ubiquitin.
#include "fuzzutil.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::setup();
    if (size == 0) return 0;
    fuzz::ubiquitin();
    std::string file = fuzz::text(data + 1, size - 1);
    fuzz::guarded([&] {
        ShiftOptions o;
        o.format = 1 + data[0] % 3;
        o.add = data[0] & 4;
        o.multiple = data[0] & 8;
        o.index = data[0] & 16;
        o.unknown = (data[0] >> 5) % 3;
        o.list = 1;
        growlists(1);
        int n = 0;
        std::FILE* f = fuzz::memfile(file);
        if (f) getpro(f, o, n);
        if (f) std::fclose(f);
    });
    fuzz::nofatal();
    fuzz::messagesprint();
    return 0;
}
