// One line typed at the interpreter: substitution, recall, aliases,
// assignments, parameter words, redirection and the built-in statements.
#include "fuzzutil.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::setup();
    std::string line = fuzz::text(data, size);
    for (char& c : line)
        if (c == '\n') c = ' ';
    fuzz::interpret(line);
    return 0;
}
