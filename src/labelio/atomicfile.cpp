#include "labelio/atomicfile.h"

#include <cstdio>

#include "kemlang/services.h"

bool writeatomic(const std::string& path, const std::string& text, std::string& error) {
    OutFile o;
    if (!outopen(o, path, false, error)) return false;
    if (std::fwrite(text.data(), 1, text.size(), o.f) != text.size() || !outcommit(o, error)) {
        outdiscard(o);
        return false;
    }
    return true;
}
