// The 84-slot command table and its look-up. Blank slots keep the slot
// numbers of framework commands this program does not offer.
#include <cstring>

#include "driver/commands.h"

namespace {
constexpr CommandSlot blank1{"", 1, nullptr};
constexpr CommandSlot blank0{"", 0, nullptr};
}  // namespace

const CommandSlot comand[kNumCommands + 1] = {
    {"", 0, nullptr},  // slot 0 unused
    blank1, blank1,
    {"atoms", 1, atoms},                                    // 3
    blank1, blank1, blank1, blank1, blank1, blank1,         // 4-9
    {"read", 0, readf},                                     // 10
    blank1, blank1, blank0,                                 // 11-13
    blank1, blank1, blank1, blank1, blank1,                 // 14-18
    {"library", 0, nullptr},                                // 19
    blank1, blank1, blank1, blank1,                         // 20-23
    {"score", 1, scorefunction},                            // 24
    blank1, blank1, blank1, blank0,                         // 25-28
    blank1, blank1, blank1, blank1, blank1,                 // 29-33
    {"countuniquepairs", 1, countuniquepairs},              // 34
    blank0, blank1, blank1, blank0, blank0, blank0,         // 35-40
    blank1,                                                 // 41
    {"showuniquepairs", 1, showuniquepairs},                // 42
    blank1, blank0, blank0, blank0,                         // 43-46
    {"readlabel", 0, readlabel},                            // 47
    {"writelabel", 0, writelabel},                          // 48
    {"showlabel", 1, showlabel},                            // 49
    blank0,                                                 // 50
    {"samplehelp", 0, samplehelp},                          // 51
    blank0,                                                 // 52
    {"showsample", 0, showsample},                          // 53
    {"showrecipe", 0, showrecipe},                          // 54
    {"showaminoacids", 0, showaminoacids},                  // 55
    {"readstr", 0, readstr},                                // 56
    {"scorethis", 0, scorethis},                            // 57
    {"showwhatsleft", 0, showwhatsleft},                    // 58
    {"addbatch", 0, addbatch},                              // 59
    {"optimiselabeling", 0, optimiselabeling},              // 60
    {"copyschedule", 0, copyschedule},                      // 61
    {"modifypair", 0, modifypair},                          // 62
    {"removepair", 0, removepair},                          // 63
    {"showpairs", 0, showpairs},                            // 64
    {"setdupes", 0, set_allowed_dupes},                     // 65
    {"writesession", 0, writesession},                      // 66
    {"readsession", 0, readsession},                        // 67
    {"addpairtobatch", 0, addpairtobatch},                  // 68
    {"showbatch", 0, showbatch},                            // 69
    {"remove_unused_pairs", 0, remove_unused_pairs},        // 70
    {"create_color", 0, create_color_schedule},             // 71
    {"makefulllabeled", 0, makefulllabeled},                // 72
    {"setclass", 0, set_pair_class},                        // 73
    {"showclasses", 0, show_pair_classes},                  // 74
    {"output_labeling_html", 0, output_labeling_html},      // 75
    {"showlabelmultiple", 0, showlabelmultiple},            // 76
    {"fastsched", 0, fastsched},                            // 77
    {"quilter", 1, countuniquepairs},                       // 78
    {"setprice", 0, set_price},                             // 79
    {"test_quilter", 0, test_quilter},                      // 80
    {"score_test_ov", 0, score_test_ov},                    // 81
    blank1, blank1, blank1,                                 // 82-84
};

int icoman(const std::string& cmdin, const CommandSlot* table, int n) {
    size_t e = cmdin.find_last_not_of(' ');
    std::string cmd = e == std::string::npos ? std::string() : cmdin.substr(0, e + 1);
    // A blank word names no command (it would otherwise match a blank slot).
    if (cmd.empty() || cmd.size() > static_cast<size_t>(kCommandWidth)) return 0;
    int found = 0;
    for (int i = 1; i <= n; ++i) {
        std::string name = table[i].name;
        // cmd equals the first l characters of the blank-padded slot text
        std::string padded = name + std::string(kCommandWidth - name.size(), ' ');
        if (padded.compare(0, cmd.size(), cmd) != 0) continue;
        bool exact = cmd == name;
        if (found != 0 && !exact) return -1;
        found = i;
        if (exact) return i;
    }
    return found;
}
