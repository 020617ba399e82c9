// Placeholder interpreter: plain line reading until the full one lands.
#include "kemlang/interp.h"

#include <iostream>

#include "kemlang/print.h"

void kemlang_reset() {}

void kemlang(int& status, std::string& cmd, std::vector<std::string>& param, int& npar,
             int maximum, const std::string&, const std::string&, const std::string&,
             const std::string&) {
    if (status == 1) {
        errmsg("Illegal command " + strq(cmd) + ".");
        status = 0;
    }
    std::string line;
    while (true) {
        if (!std::getline(std::cin, line)) {
            cmd = "quit";
            npar = 0;
            return;
        }
        std::vector<std::string> w = split(line, maximum + 1);
        if (w.empty() || w[0][0] == '#') continue;
        cmd = w[0];
        param.assign(w.begin() + 1, w.end());
        npar = static_cast<int>(param.size());
        return;
    }
}
