// Command-line handling. Everything after the script belongs to the script,
// so its arguments may begin with "-".
#include "driver/cmdline.h"

#include <sys/stat.h>

#include <cstdio>

namespace {

bool regular(const std::string& f) {
    struct stat st;
    return stat(f.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Macro parameters are words of the command language: at most 50.
constexpr size_t kMaxScriptArgs = 50;

}  // namespace

CommandLine parsecmdline(const std::vector<std::string>& argv) {
    CommandLine cl;
    size_t i = 0;
    for (; i < argv.size(); ++i) {
        const std::string& a = argv[i];
        if (a == "--") {
            ++i;
            break;
        }
        if (a.empty() || a[0] != '-') break;
        if (a == "-h" || a == "--help") {
            cl.action = CommandLine::Action::help;
            return cl;
        }
        if (a == "--version") {
            cl.action = CommandLine::Action::version;
            return cl;
        }
        cl.action = CommandLine::Action::refuse;
        cl.error = "unknown option \"" + a + "\"";
        return cl;
    }
    if (i >= argv.size()) return cl;
    std::string script = argv[i];
    if (!regular(script) && regular(script + ".kem")) script += ".kem";
    if (!regular(script)) {
        cl.action = CommandLine::Action::refuse;
        cl.error = "cannot open the macro script \"" + argv[i] + "\"";
        return cl;
    }
    cl.script = script;
    cl.args.assign(argv.begin() + static_cast<std::ptrdiff_t>(i) + 1, argv.end());
    if (cl.args.size() > kMaxScriptArgs) {
        cl.action = CommandLine::Action::refuse;
        cl.error = "a macro script takes at most 50 arguments";
    }
    return cl;
}

std::string versionline() { return "QUILTER 1.1 (apple)"; }

std::string usage() {
    return "Usage: quilter [script.kem [argument ...]]\n"
           "       quilter -h | --help | --version\n"
           "\n"
           "Quilter designs amino-acid-type-selective isotope labeling schedules for\n"
           "protein NMR: load a sequence, find the unique residue-type pairs and let it\n"
           "choose the few, cheap samples (13C carbonyl and 15N amide labels by residue\n"
           "type) that tell those pairs apart.\n"
           "\n"
           "Without a script it reads commands at the prompt, or from standard input\n"
           "(quilter < commands.kem). With a script it runs that macro first, its\n"
           "arguments as the macro parameters p1, p2, ... (count in nparam), and then\n"
           "reads the terminal; when standard input is not a terminal it ends after\n"
           "the script.\n"
           "\n"
           "Environment:\n"
           "  KEMRALIB   installation directory (residue library, macros, help files);\n"
           "             found next to the program when unset\n"
           "  KEMRAINIT  start-up macro: a path, a name in $KEMRALIB/macro, or by\n"
           "             default $KEMRALIB/macro/init\n"
           "\n"
           "Help: type \"help\" at the prompt for the topics and \"help read\" (any command\n"
           "or statement) for one of them; the help files are in $KEMRALIB/help/kemra.\n";
}

int answercmdline(const CommandLine& cl) {
    switch (cl.action) {
        case CommandLine::Action::help:
            std::fputs(usage().c_str(), stdout);
            return 0;
        case CommandLine::Action::version:
            std::printf("%s\n", versionline().c_str());
            return 0;
        case CommandLine::Action::refuse:
            std::fprintf(stderr, "quilter: %s.\nTry \"quilter --help\".\n", cl.error.c_str());
            return 2;
        case CommandLine::Action::run:
            break;
    }
    return 0;
}
