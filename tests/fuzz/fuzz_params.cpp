// The parameter syntax parser: the first line is a syntax string, the rest
// are the command's words.
#include "fuzzutil.h"
#include "kemlang/params.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::setup();
    std::string in = fuzz::text(data, size);
    size_t nl = in.find('\n');
    std::string syntax = in.substr(0, nl);
    std::string rest = nl == std::string::npos ? std::string() : in.substr(nl + 1);
    for (char& c : rest)
        if (c == '\n') c = ' ';
    std::vector<std::string> words = split(rest, 50);
    fuzz::guarded([&] {
        setcmd("fz");
        int n = static_cast<int>(words.size());
        params(words, n, syntax);
    });
    return 0;
}
