// Placeholder evaluator: numbers and text only, until the full evaluator lands.
#include "kemlang/expr.h"

#include <cstdlib>

#include "kemlang/print.h"

int ieva(const std::string& text, bool& err) {
    char* end = nullptr;
    std::string t = trim(lefstr(text));
    long v = std::strtol(t.c_str(), &end, 10);
    err = t.empty() || *end != '\0';
    return static_cast<int>(v);
}

double reva(const std::string& text, bool& err) {
    char* end = nullptr;
    std::string t = trim(lefstr(text));
    double v = std::strtod(t.c_str(), &end);
    err = t.empty() || *end != '\0';
    return v;
}

bool leva(const std::string& text, bool& err) {
    std::string t = trim(lefstr(text));
    err = false;
    if (t == ".true." || t == "1") return true;
    if (t == ".false." || t == "0") return false;
    err = true;
    return false;
}

std::string seva(const std::string& text, bool& err) {
    err = false;
    return trim(lefstr(text));
}

std::string ceva(const std::string& text, bool& err) { return seva(text, err); }
