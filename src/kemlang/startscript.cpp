#include "kemlang/startscript.h"

namespace {

struct StartScript {
    std::string file;
    std::vector<std::string> args;
    bool pending = false, ran = false;
};

StartScript script;

}  // namespace

void setstartscript(const std::string& file, const std::vector<std::string>& args) {
    script = {file, args, true, false};
}

bool takestartscript(std::string& file, std::vector<std::string>& args) {
    if (!script.pending) return false;
    script.pending = false;
    script.ran = true;
    file = script.file;
    args = script.args;
    return true;
}

bool startscriptran() { return script.ran; }
