// A molecule read first and then a chemical shift list for it, both from the
// input: the sequence (one-letter FASTA) up to the first line "//", then the
// list; the first byte picks format and options. Short molecules make most
// lines name residues or atoms they lack, the lines a skipping read drops.
#include "fuzzutil.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::setup();
    if (size == 0) return 0;
    fuzz::library();
    std::string all = fuzz::text(data + 1, size - 1);
    size_t cut = all.find("\n//\n");
    std::string seq = cut == std::string::npos ? ">x\nM\n" : all.substr(0, cut + 1);
    std::string list = cut == std::string::npos ? all : all.substr(cut + 4);
    bool molecule = false;
    fuzz::guarded([&] {
        std::FILE* f = fuzz::memfile(seq);
        if (f && getfasta(f)) iniseq(), molecule = kemradata.nr > 0;
        if (f) std::fclose(f);
    });
    fuzz::nofatal();
    if (!molecule) return 0;
    fuzz::guarded([&] {
        ShiftOptions o;
        o.format = 1 + data[0] % 3;
        o.add = data[0] & 4;
        o.index = data[0] & 8;
        o.unknown = (data[0] >> 4) % 3;
        o.list = 1 + (data[0] >> 6) % 2;
        growlists(o.list);
        int n = 0;
        std::FILE* f = fuzz::memfile(list);
        if (f) getpro(f, o, n);
        if (f) std::fclose(f);
    });
    fuzz::nofatal();
    fuzz::messagesprint();
    return 0;
}
