// Placeholder parameter store until the syntax parser lands.
#include "kemlang/params.h"

#include "kemlang/print.h"

void setcmd(const std::string&) {}
void params(std::vector<std::string>&, int&, const std::string&) {}
int iparam(const std::string&) { return 0; }
double rparam(const std::string&) { return 0.0; }
std::string getpar(const std::string&) { return std::string(); }
void irange(const std::string&, int& lo, int& hi) { lo = hi = 0; }
void rrange(const std::string&, double& lo, double& hi) { lo = hi = 0.0; }
bool havpar(const std::string&) { return false; }
bool option(const std::string&) { return false; }
void cmdsyn(std::vector<std::string>&, int) {}
