// Expression evaluator of the command language.
//
// Each evaluator sets err to true for an illegal expression (the value is then
// undefined); the caller reports "Illegal expression ..." itself.
#pragma once

#include <string>
#include <vector>

int ieva(const std::string& text, bool& err);
double reva(const std::string& text, bool& err);
bool leva(const std::string& text, bool& err);
std::string seva(const std::string& text, bool& err);
std::string ceva(const std::string& text, bool& err);
