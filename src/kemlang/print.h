// Console output, messages, number formatting and small text utilities.
//
// Every line the program prints goes through putlin(). A message is built from
// literal text and placeholder tokens made by intp(), strq() and friends; the
// token refers to a value in the argument store, and putlin() formats it when
// it prints the line. Build and print one message before starting the next.
//
// Choices of ours:
//  - a token begins with the control character kTokenMark where the classic
//    printer has a "%"; every "%" of the text is copied as it stands. Lines
//    of files, parameters and variable values are concatenated into messages
//    all over the program, and a "%5000000000d" in them must print as typed;
//  - token fields are capped at kMaxField characters;
//  - the formatted text is not cut at 400 characters (long report lines and
//    HTML fragments must come out whole);
//  - an empty output line is written as a single blank, as the line printer
//    always writes at least one character;
//  - the argument store never ends the program: when it is full, the next
//    token takes argument 1 again (the oldest tokens belong to a message
//    that was built and then dropped).
#pragma once

#include <string>
#include <vector>

#include "kemlang/kemlangdata.h"

constexpr int kMaxPrintArgs = 29;
constexpr char kTokenMark = '\x1b';  // starts a placeholder token
constexpr int kMaxField = 400;       // widest field a token can ask for

struct PrintData {
    int narg = 0;
    int iarg[kMaxPrintArgs + 1] = {};
    double rarg[kMaxPrintArgs + 1] = {};
    std::string sarg[kMaxPrintArgs + 1];
    void reset();
};
extern PrintData printdata;

// Printing. Levels: -3 fatal, -2 error, -1 warning, 0 control, 1..9 indented
// information, 10..19 information without indentation.
void putlin(int level, const std::string& text);
void putstr(int level, const std::string& text);
void wrnmsg(const std::string& text);
void errmsg(const std::string& text);
[[noreturn]] void fatmsg(const std::string& text);
// Called by fatmsg after the message and before the program ends (the
// program saves what a user would lose).
void atfatal(void (*hook)());
[[noreturn]] void aloerr(const std::string& file, int line);
int inflev();
bool haverr();
void seterr();
void clrerr();

// Ends the program at once with the given exit status (flushes every
// output): 0 for a normal end, 1 after a fatal message.
[[noreturn]] void stopit(int status);

// Placeholder makers: store the value as the next argument, return the token.
std::string intp(int i);
std::string intn(int i, int width);
std::string realp(double x, int digits);
std::string realf(double x, int width, int decimals);
std::string reale(double x, int width, int decimals);
std::string strp(const std::string& s);
std::string strn(const std::string& s, int width);
std::string strq(const std::string& s);
std::string plural(int count, const std::string& noun);

// Formatter: replaces the tokens of text by the stored arguments.
std::string fmtstr(const std::string& text);

// Text and number utilities.
std::string trim(const std::string& s);    // trailing blanks removed
std::string lefstr(const std::string& s);  // leading blanks removed
void locase(std::string& s);
void upcase(std::string& s);
int indexr(const std::string& s, const std::string& t);  // 1-based, 0 if none
std::string join(const std::vector<std::string>& words, int n);
std::string intstr(int i);
std::string numstr(double x, int n);
bool match(const std::string& s, const std::string& pattern);
std::vector<std::string> split(const std::string& s, int maxw);
int inlist(std::string& word, const std::string& list);
std::string elemnt(int n, const std::string& s, char sep);
std::string squeze(const std::string& s);
std::string appext(const std::string& name, const std::string& ext);
int lookr(double x, const std::vector<double>& table, int n, bool nearest);  // table 1-based
int looks(const std::string& s, const std::vector<std::string>& table, int n, bool nearest);
