#include <vector>

#include "driver/cmdline.h"
#include "driver/comtab.h"
#include "driver/kemra.h"
#include "kemlang/startscript.h"
#include "kemlang/suggest.h"

int main(int argc, char** argv) {
    CommandLine cl = parsecmdline(std::vector<std::string>(argv + 1, argv + argc));
    if (cl.action != CommandLine::Action::run) return answercmdline(cl);
    setcommandnames(std::vector<std::string>(kSlotNames + 1, kSlotNames + kNumCommands + 1));
    if (!cl.script.empty()) setstartscript(cl.script, cl.args);
    return kemra();
}
