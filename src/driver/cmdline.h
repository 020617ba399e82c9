// The program's command line: an optional macro script with its arguments,
// and the usual -h/--help and --version.
#pragma once

#include <string>
#include <vector>

struct CommandLine {
    enum class Action { run, help, version, refuse };
    Action action = Action::run;
    std::string script;             // macro file run after the start-up macro; "" for none
    std::vector<std::string> args;  // its parameters, p1, p2, ...
    std::string error;              // why the command line was refused
};

// Reads the arguments after the program name. The script is taken as given
// or with ".kem" appended; a script that does not exist refuses the line.
CommandLine parsecmdline(const std::vector<std::string>& argv);

std::string usage();
std::string versionline();

// Prints the help, the version or the refusal and returns the exit status
// (0, or 2 for a refused command line). Not for Action::run.
int answercmdline(const CommandLine& cl);
