// Labeling files and sample-string files (first byte chooses), read from a
// file since their readers take a file name.
#include <fstream>

#include "fuzzutil.h"
#include "labelio/labelfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::setup();
    if (size == 0) return 0;
    std::string file = fuzz::scratch + "/fz.lab";
    std::ofstream(file, std::ios::binary) << fuzz::text(data + 1, size - 1);
    fuzz::guarded([&] {
        if (data[0] & 1)
            read_samplestrings(file, labdata);
        else
            read_labeling_from_disk(file, kemradata, labdata);
    });
    return 0;
}
