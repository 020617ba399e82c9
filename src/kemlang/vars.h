// Variables of the command language and the substitution of their values in
// command lines.
#pragma once

#include <string>
#include <vector>

// Setting modes of setvar().
enum VarMode { kVarGlobal = 0, kVarLocal = 1, kVarExternal = 2 };

std::string getval(const std::string& name);     // blank if undefined
bool havvar(const std::string& name);            // the variable exists
void setvar(const std::string& name, const std::string& value, int mode);
void unsetvar(const std::string& name);
std::string repvar(const std::string& line);     // substitutes $ and % references
void update(const std::string& name);            // applies a special variable
void inivar();                                   // framework defaults
// Local variables of macros: the interpreter marks where a macro's locals begin
// and removes them when the macro ends.
int varmark();
void varrelease(int mark);
