#include "molecule/textio.h"

#include <cstdio>
#include <cstdlib>

std::string nocomment(const std::string& line) {
    size_t h = line.find('#');
    return h == std::string::npos ? line : line.substr(0, h);
}

std::vector<std::string> fields(const std::string& line, int maxf, int width) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i < line.size() && static_cast<int>(out.size()) < maxf) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
        if (i >= line.size()) break;
        size_t j = i;
        while (j < line.size() && line[j] != ' ' && line[j] != '\t' && line[j] != '\r') ++j;
        out.push_back(line.substr(i, std::min<size_t>(j - i, static_cast<size_t>(width))));
        i = j;
    }
    return out;
}

bool toint(const std::string& field, int& value) {
    if (field.empty() || field.size() > 10) return false;
    char* end = nullptr;
    long v = std::strtol(field.c_str(), &end, 10);
    if (*end != '\0' || v > 2147483647L || v < -2147483647L - 1) return false;
    value = static_cast<int>(v);
    return true;
}

bool toreal(const std::string& field, double& value) {
    if (field.empty()) return false;
    std::string f = field;
    for (char& c : f)
        if (c == 'd' || c == 'D') c = 'E';
    char* end = nullptr;
    value = std::strtod(f.c_str(), &end);
    if (*end != '\0') return false;
    return f.find_first_of("0123456789") != std::string::npos;
}

bool readline(std::FILE* f, std::string& line, size_t width) {
    line.clear();
    int c;
    bool any = false;
    while ((c = std::fgetc(f)) != EOF) {
        any = true;
        if (c == '\n') break;
        if (line.size() < width) line += static_cast<char>(c);
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return any;
}
