#include "labelio/atomicfile.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

bool writeatomic(const std::string& path, const std::string& text, std::string& error) {
    std::string tmp = path + ".tmp" + std::to_string(getpid());
    std::FILE* f = std::fopen(tmp.c_str(), "w");
    if (!f) {
        error = std::strerror(errno);
        return false;
    }
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    int saved = errno;
    ok = std::fclose(f) == 0 && ok;
    if (!ok) saved = errno ? errno : saved;
    if (ok && std::rename(tmp.c_str(), path.c_str()) != 0) ok = false, saved = errno;
    if (!ok) {
        error = std::strerror(saved ? saved : EIO);
        std::remove(tmp.c_str());
    }
    return ok;
}
