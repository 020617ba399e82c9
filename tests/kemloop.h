// The interpreter's own loop, as a driver without application commands
// runs it: every command the interpreter hands back is unknown (the next
// call reports it and looks for a macro of that name) until "quit".
#pragma once

#include <string>
#include <vector>

#include "kemlang/interp.h"

inline void kemloop() {
    int status = 0, npar = 0;
    std::string cmd;
    std::vector<std::string> param;
    kemlang(status, cmd, param, npar, 50, ".kem", "", "/nonexistent/init", "");
    while (true) {
        kemlang(status, cmd, param, npar, 50, ".kem", "", "/nonexistent/init", "");
        if (cmd == "quit") break;
        status = 1;
    }
}
