// Variables of the command language and the substitution of their values in
// command lines.
#pragma once

#include <string>
#include <vector>

// Setting modes of setvar(). kVarLocal changes the innermost variable of the
// name wherever it lives (else makes one in the running macro); kVarDeclare
// makes a new variable of the running macro that hides outer ones (macro
// parameters, loop variables, "var" declarations).
enum VarMode { kVarGlobal = 0, kVarLocal = 1, kVarExternal = 2, kVarDeclare = 3 };

// Values hold at most this many characters: longer ones are cut by setvar
// (with a warning) and refused by set and eval.
constexpr int kMaxValue = 400;

std::string getval(const std::string& name);  // blank if undefined
bool havvar(const std::string& name);         // the variable exists
// The stored text, "NULL" included; false when there is no such variable.
bool rawvar(const std::string& name, std::string& value);
void setvar(const std::string& name, const std::string& value, int mode);
void unsetvar(const std::string& name);
std::string repvar(const std::string& line);  // substitutes $ and % references
void update(const std::string& name);         // applies a special variable
void inivar();                                // framework defaults
// Local variables of macros: the interpreter marks where a macro's locals begin
// and removes them when the macro ends.
int varmark();
void varrelease(int mark);

// The variable statements set, eval, show, unset, external and global.
// statement is the command word, words[0..nwords-1] the words after it.
//
// Assignment lines: the interpreter passes ALL words of the line (the
// variable name included) unchanged:
//   "name = value ..."  -> cmdset("set",  {"name", "=", "value", ...}, n)
//   "name=value"        -> cmdset("set",  {"name=value"}, 1)
//   "name := expr ..."  -> cmdset("eval", {"name", ":=", "expr", ...}, n)
//   "name:=expr"        -> cmdset("eval", {"name:=expr"}, 1)
// Any split of the "=" / ":=" between words is accepted ("name= v", "name =v").
// The value of set is the remaining words joined by single blanks; the
// expression of eval likewise.
void cmdset(const std::string& statement, std::vector<std::string>& words, int nwords);
