// The session-file reader: a file that does not read whole must change
// nothing, whatever it holds.
#include <fstream>

#include "fuzzutil.h"
#include "labelio/session.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::setup();
    std::string file = fuzz::scratch + "/session.s";
    std::ofstream(file, std::ios::binary) << fuzz::text(data, size);
    fuzz::guarded([&] {
        SessionImage s;
        std::string error;
        if (read_session(file, s, error)) {
            apply_session(s, labdata);
            echo_session(s, true);
        }
    });
    return 0;
}
