// The peak-list reader, XEASY or NMRView layout and options from the first
// byte, on human ubiquitin with a chemical shift list to assign against.
#include "fuzzutil.h"
#include "molecule/peaklist.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::setup();
    if (size == 0) return 0;
    fuzz::ubiquitin();
    std::string file = fuzz::text(data + 1, size - 1);
    fuzz::guarded([&] {
        PeakOptions o;
        const char* formats[] = {"", "xeasy", "nmrview", ""};
        o.format = formats[data[0] % 4];
        o.assigned = data[0] & 4;
        o.integrated = data[0] & 8;
        o.killed = data[0] & 16;
        o.intensity = data[0] & 32;
        o.unknown = (data[0] >> 6) % 3;
        int n = 0, m = 0;
        std::FILE* f = fuzz::memfile(file);
        if (f) getpik(f, "fz.peaks", o, n, m);
        if (f) std::fclose(f);
    });
    fuzz::nofatal();
    fuzz::messagesprint();
    return 0;
}
