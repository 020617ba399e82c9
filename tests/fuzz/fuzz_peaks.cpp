// The peak-list reader, XEASY or NMRView layout and options from the first
// byte, on human ubiquitin with a chemical shift list to assign against.
#include "fuzzutil.h"
#include "molecule/peaklist.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::setup();
    if (size == 0) return 0;
    static bool molecule = false;
    if (!molecule) {
        molecule = true;
        fuzz::library();
        std::string path = std::string(QUILTER_SOURCE_DIR) + "/examples/data/ubiquitin.fasta";
        std::FILE* f = std::fopen(path.c_str(), "r");
        if (!f || !getfasta(f)) std::abort();
        std::fclose(f);
        iniseq();
    }
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
    return 0;
}
