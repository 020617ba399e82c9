// Command handlers reached from the command table. Every handler parses its
// own words (param[0..npar-1]) with params(), reports through the message
// functions and returns; none of them ends the program.
//
// Each handler has a weak "not available yet" definition in notyet.cpp; the
// module that implements a command defines it for real and so replaces it.
#pragma once

#include <string>
#include <vector>

using Words = std::vector<std::string>;
using Handler = void (*)(Words& param, int& npar);

void atoms(Words& param, int& npar);
void readf(Words& param, int& npar);
void scorefunction(Words& param, int& npar);
void countuniquepairs(Words& param, int& npar);
void showuniquepairs(Words& param, int& npar);
void readlabel(Words& param, int& npar);
void writelabel(Words& param, int& npar);
void showlabel(Words& param, int& npar);
void samplehelp(Words& param, int& npar);
void showsample(Words& param, int& npar);
void showrecipe(Words& param, int& npar);
void showaminoacids(Words& param, int& npar);
void readstr(Words& param, int& npar);
void scorethis(Words& param, int& npar);
void showwhatsleft(Words& param, int& npar);
void addbatch(Words& param, int& npar);
void optimiselabeling(Words& param, int& npar);
void copyschedule(Words& param, int& npar);
void modifypair(Words& param, int& npar);
void removepair(Words& param, int& npar);
void showpairs(Words& param, int& npar);
void set_allowed_dupes(Words& param, int& npar);
void writesession(Words& param, int& npar);
void readsession(Words& param, int& npar);
void addpairtobatch(Words& param, int& npar);
void showbatch(Words& param, int& npar);
void remove_unused_pairs(Words& param, int& npar);
void create_color_schedule(Words& param, int& npar);
void makefulllabeled(Words& param, int& npar);
void set_pair_class(Words& param, int& npar);
void show_pair_classes(Words& param, int& npar);
void output_labeling_html(Words& param, int& npar);
void showlabelmultiple(Words& param, int& npar);
void fastsched(Words& param, int& npar);
void set_price(Words& param, int& npar);
void test_quilter(Words& param, int& npar);
void score_test_ov(Words& param, int& npar);

// The command table.
constexpr int kNumCommands = 84;
constexpr int kCommandWidth = 20;

struct CommandSlot {
    const char* name;  // blank ("") for the framework's unused slots
    int idtyp;         // precondition: 0 none, 1 molecule, 2 molecule and peaks
    Handler handler;   // nullptr: accepted and does nothing
};

// Slots 1..84 (entry 0 unused).
extern const CommandSlot comand[kNumCommands + 1];

// Look-up with abbreviations: slot number, 0 if none matches, -1 if ambiguous.
int icoman(const std::string& cmd, const CommandSlot* table, int n);

// Runs the program: start-up, banner, command loop. Returns only through stopit.
int kemra();
