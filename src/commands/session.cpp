// Session files: every stored labeling and the allowed duplicates, always in
// "session.s" of the current directory.
#include "labelio/session.h"

#include "commands/registry.h"
#include "commands/saved.h"
#include "kemlang/params.h"
#include "kemlang/print.h"

namespace {

const char* const kSessionFile = "session.s";

void writesession(Words& param, int& npar) {
    params(param, npar, "");
    if (haverr()) return;
    SessionImage s = session_of(labdata);
    std::string error;
    if (!write_session(kSessionFile, s, error)) {
        errmsg("Session file " + strq(kSessionFile) + " cannot be written: " + strp(error));
        return;
    }
    labelingsinfile();
    echo_session(s, false);
}

void readsession(Words& param, int& npar) {
    params(param, npar, "");
    if (haverr()) return;
    SessionImage s;
    std::string error;
    if (!read_session(kSessionFile, s, error)) {
        errmsg(strp(error) + "@/The stored labelings are unchanged.");
        return;
    }
    apply_session(s, labdata);
    labelingsinfile();
    echo_session(s, true);
}

}  // namespace

static constexpr CommandReg regs[] = {
    {"writesession", 0, writesession},
    {"readsession", 0, readsession},
};
static_assert(slotted(regs), "every registered command needs a slot");
std::span<const CommandReg> session_commands() { return regs; }
