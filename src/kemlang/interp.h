// The statement interpreter: reads lines from the terminal, macro files and
// in-memory loops, executes its own statements and returns every other line
// to the driver as a command word with its parameter words.
#pragma once

#include <string>
#include <vector>

constexpr int kMaxLine = 400;   // characters per command line
constexpr int kMaxMacros = 20;  // macro files open at once
constexpr int kMaxLoops = 10;   // nested do loops per macro
constexpr int kHistory = 50;    // lines kept for statement recall

// status: 0 on the first call (initialisation only), 1 after the driver did
// not know the previous command word; reset to 0 by the interpreter.
// Returns the next application command in cmd, param[0..npar-1].
void kemlang(int& status, std::string& cmd, std::vector<std::string>& param, int& npar, int maximum,
             const std::string& ext, const std::string& libdir, const std::string& inifil,
             const std::string& hlpdir);

// Resets the interpreter's private state (tests start from a clean state).
void kemlang_reset();

// True while a macro (file, user-defined command or subroutine) runs.
bool inmacro();
// True while the command running now was typed at a terminal (standard
// input is one and no macro runs): a mistake there must not end the session.
bool typedatterminal();
// Number of open macro levels (0 at the terminal).
int macdepth();
// Name of the running macro as given / as the full path; blank at the terminal.
std::string curmac();
std::string fullmac();

// Installation paths handed over by the driver on the first call.
const std::string& kemlibdir();
const std::string& kemhlpdir();
const std::string& kemext();

// Macro file for a command word: the word with the extension when it holds a
// "/" or "]", else the first existing file along the directories of "path".
// Blank when there is none.
std::string findmacro(const std::string& word);

// Stored lines of a user-defined command or subroutine; false if unknown.
bool usercmd(const std::string& name, std::vector<std::string>& lines);

// Restricted-mode file name check: on success the name is placed in the safe
// directory and true is returned; otherwise an error has been reported.
// Outside restricted mode the name is left alone and true returned.
bool chknam(std::string& name);

// Statement recall of terminal lines. Expands "!text", "!!" and "^old^new";
// returns false (after reporting the error) when the recall fails. A line
// that is no recall is returned unchanged with recalled = false.
bool recall(std::string& line, bool& recalled);
// Adds a line to the recall history.
void remember(const std::string& line);

// Comment state of one input source: strips "#" lines and "/* ... */" blocks.
// Returns false when the whole line is a comment (or inside one).
bool uncomment(std::string& line, bool& incomment);

// Splits a command line into words at blanks that are not escaped by "\";
// the escape characters are removed ("\\" gives "\").
std::vector<std::string> splitwords(const std::string& line);
