// The expression evaluator, asked for each result type.
#include "fuzzutil.h"
#include "kemlang/expr.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::setup();
    static bool vars = false;
    if (!vars) {
        vars = true;
        setvar("n", "-9223372036854775808", kVarGlobal);
        setvar("m", "9223372036854775807", kVarGlobal);
        setvar("s", "abcdef", kVarGlobal);
        setvar("x", "2.5", kVarGlobal);
    }
    std::string e = fuzz::text(data, size);
    fuzz::guarded([&] {
        bool err = false;
        seva(e, err);
        ieva(e, err);
        reva(e, err);
        leva(e, err);
    });
    return 0;
}
