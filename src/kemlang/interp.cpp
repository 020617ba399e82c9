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

bool inmacro() { return false; }
int macdepth() { return 0; }
std::string curmac() { return std::string(); }
std::string fullmac() { return std::string(); }
static std::string blank;
const std::string& kemlibdir() { return blank; }
const std::string& kemhlpdir() { return blank; }
const std::string& kemext() { return blank; }
std::string findmacro(const std::string&) { return std::string(); }
bool usercmd(const std::string&, std::vector<std::string>&) { return false; }
bool chknam(std::string&) { return true; }
bool recall(std::string&, bool& recalled) { recalled = false; return true; }
void remember(const std::string&) {}
bool uncomment(std::string&, bool&) { return true; }
std::vector<std::string> splitwords(const std::string& line) { return split(line, 1000); }
