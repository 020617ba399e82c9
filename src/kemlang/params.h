// Command parameter syntax: a handler declares its parameters in one syntax
// string, params() checks the words against it, and the handler then asks for
// each value by name. Words are param[0..npar-1].
#pragma once

#include <string>
#include <vector>

void setcmd(const std::string& name);
void params(std::vector<std::string>& param, int& npar, const std::string& syntax);
int iparam(const std::string& name);
double rparam(const std::string& name);
std::string getpar(const std::string& name);
void irange(const std::string& name, int& lo, int& hi);
void rrange(const std::string& name, double& lo, double& hi);
bool havpar(const std::string& name);
bool option(const std::string& name);
// The "syntax" statement of macros.
void cmdsyn(std::vector<std::string>& words, int nwords);
