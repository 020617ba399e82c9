// A small single-line editor on the raw terminal. The line scrolls
// sideways when it is wider than the terminal, so the cursor never has to
// cross a line wrap. Input typed ahead is kept (the mode switch does not
// flush), and Ctrl-C is read as a key while editing, so an interrupt during
// a command still reaches the running computation as before.
#include "kemlang/lineedit.h"

#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "kemlang/services.h"

namespace {

// The history file is cut back to this many lines when it has grown to
// twice as many.
constexpr size_t kFileLines = 1000;

struct RawMode {
    termios saved{};
    bool on = false;
    RawMode() {
        if (tcgetattr(STDIN_FILENO, &saved) != 0) return;
        termios raw = saved;
        raw.c_iflag &= ~static_cast<tcflag_t>(BRKINT | ICRNL | INPCK | ISTRIP | IXON);
        raw.c_cflag |= CS8;
        raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ICANON | IEXTEN | ISIG);
        raw.c_cc[VMIN] = 1;
        raw.c_cc[VTIME] = 0;
        on = tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0;
    }
    ~RawMode() {
        if (on) tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    }
};

void out(const std::string& s) {
    size_t done = 0;
    while (done < s.size()) {
        ssize_t n = write(STDOUT_FILENO, s.data() + done, s.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += static_cast<size_t>(n);
    }
}

// Next byte of input; -1 at the end.
int key() {
    unsigned char c;
    while (true) {
        ssize_t n = read(STDIN_FILENO, &c, 1);
        if (n == 1) return c;
        if (n < 0 && errno == EINTR) continue;
        return -1;
    }
}

size_t columns() {
    winsize ws{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) return ws.ws_col;
    return 80;
}

struct Editor {
    std::string prompt, line;
    size_t pos = 0;

    void refresh() const {
        size_t cols = columns(), plen = prompt.size();
        size_t room = cols > plen + 1 ? cols - plen - 1 : 1;
        size_t start = pos > room ? pos - room : 0;
        std::string shown = line.substr(start, room);
        std::string s = "\r" + prompt + shown + "\x1b[0K\r";
        size_t col = plen + pos - start;
        if (col > 0) s += "\x1b[" + std::to_string(col) + "C";
        out(s);
    }
    void set(const std::string& text) {
        line = text;
        pos = line.size();
    }
    void insert(char c) { line.insert(pos++, 1, c); }
    void backspace() {
        if (pos > 0) line.erase(--pos, 1);
    }
    void erase() {
        if (pos < line.size()) line.erase(pos, 1);
    }
    void wordback() {
        size_t p = pos;
        while (p > 0 && line[p - 1] == ' ') --p;
        while (p > 0 && line[p - 1] != ' ') --p;
        line.erase(p, pos - p);
        pos = p;
    }
    void wordleft() {
        while (pos > 0 && line[pos - 1] == ' ') --pos;
        while (pos > 0 && line[pos - 1] != ' ') --pos;
    }
    void wordright() {
        while (pos < line.size() && line[pos] == ' ') ++pos;
        while (pos < line.size() && line[pos] != ' ') ++pos;
    }
};

enum Key { kNone, kUp, kDown, kLeft, kRight, kHome, kEnd, kDelete, kWordLeft, kWordRight };

// The rest of an escape sequence (ESC already read): CSI "ESC [ params
// final" and SS3 "ESC O final".
Key escape() {
    int c = key();
    if (c != '[' && c != 'O') return kNone;
    std::string params;
    int f = key();
    while (f >= '0' && f <= '?') {  // parameter bytes
        params += static_cast<char>(f);
        f = key();
    }
    bool ctrl = params.find(";5") != std::string::npos;
    switch (f) {
        case 'A':
            return kUp;
        case 'B':
            return kDown;
        case 'C':
            return ctrl ? kWordRight : kRight;
        case 'D':
            return ctrl ? kWordLeft : kLeft;
        case 'H':
            return kHome;
        case 'F':
            return kEnd;
        case '~':
            if (params == "1" || params == "7") return kHome;
            if (params == "4" || params == "8") return kEnd;
            if (params == "3") return kDelete;
            return kNone;
        default:
            return kNone;
    }
}

}  // namespace

bool lineeditable() {
    static const bool editable = [] {
        const char* term = std::getenv("TERM");
        return isatty(STDIN_FILENO) && isatty(STDOUT_FILENO) && term && *term &&
               std::strcmp(term, "dumb") != 0;
    }();
    return editable;
}

bool editline(const std::string& prompt, std::string& line,
              const std::vector<std::string>& history) {
    std::fflush(stdout);
    RawMode raw;
    if (!raw.on) {  // not a terminal after all: read plainly
        out(prompt);
        std::string text;
        int c;
        while ((c = key()) >= 0 && c != '\n') text += static_cast<char>(c);
        line = text;
        return c >= 0 || !text.empty();
    }
    Editor ed;
    ed.prompt = prompt;
    size_t recall = history.size();  // history.size(): the line being typed
    std::string draft;
    ed.refresh();
    while (true) {
        int c = key();
        Key k = kNone;
        if (c < 0) {
            out("\r\n");
            if (ed.line.empty()) return false;
            line = ed.line;
            return true;
        }
        switch (c) {
            case '\r':
            case '\n':
                out("\r\n");
                line = ed.line;
                return true;
            case 3:  // Ctrl-C: drop the line
                out("^C\r\n");
                line.clear();
                return true;
            case 4:  // Ctrl-D: end of input on an empty line
                if (ed.line.empty()) {
                    out("\r\n");
                    return false;
                }
                ed.erase();
                break;
            case 127:
            case 8:
                ed.backspace();
                break;
            case 1:
                k = kHome;
                break;
            case 5:
                k = kEnd;
                break;
            case 2:
                k = kLeft;
                break;
            case 6:
                k = kRight;
                break;
            case 16:
                k = kUp;
                break;
            case 14:
                k = kDown;
                break;
            case 11:
                ed.line.erase(ed.pos);
                break;
            case 21:
                ed.line.erase(0, ed.pos);
                ed.pos = 0;
                break;
            case 23:
                ed.wordback();
                break;
            case 12:
                out("\x1b[H\x1b[2J");
                break;
            case 27:
                k = escape();
                break;
            case '\t':
                ed.insert(' ');
                break;
            default:
                if (c >= 32) ed.insert(static_cast<char>(c));
                break;
        }
        switch (k) {
            case kUp:
                if (recall > 0) {
                    if (recall == history.size()) draft = ed.line;
                    ed.set(history[--recall]);
                }
                break;
            case kDown:
                if (recall < history.size()) {
                    ++recall;
                    ed.set(recall == history.size() ? draft : history[recall]);
                }
                break;
            case kLeft:
                if (ed.pos > 0) --ed.pos;
                break;
            case kRight:
                if (ed.pos < ed.line.size()) ++ed.pos;
                break;
            case kHome:
                ed.pos = 0;
                break;
            case kEnd:
                ed.pos = ed.line.size();
                break;
            case kDelete:
                ed.erase();
                break;
            case kWordLeft:
                ed.wordleft();
                break;
            case kWordRight:
                ed.wordright();
                break;
            case kNone:
                break;
        }
        ed.refresh();
    }
}

std::string historyfile() {
    const char* home = std::getenv("HOME");
    if (!home || !*home) return std::string();
    return std::string(home) + "/.quilter_history";
}

void loadhistory(std::vector<std::string>& history, size_t keep) {
    std::string file = historyfile();
    if (file.empty()) return;
    std::ifstream in(file);
    std::vector<std::string> lines;
    std::string l;
    while (std::getline(in, l))
        if (!l.empty()) lines.push_back(l);
    in.close();
    if (lines.size() >= 2 * kFileLines) {
        lines.erase(lines.begin(), lines.end() - static_cast<std::ptrdiff_t>(kFileLines));
        OutFile o;
        std::string reason;
        if (outopen(o, file, false, reason)) {
            for (const std::string& x : lines) std::fprintf(o.f, "%s\n", x.c_str());
            outcommit(o, reason);  // a history that cannot be kept is no error
        }
    }
    size_t from = lines.size() > keep ? lines.size() - keep : 0;
    history.assign(lines.begin() + static_cast<std::ptrdiff_t>(from), lines.end());
}

void appendhistory(const std::string& line) {
    std::string file = historyfile();
    if (file.empty() || line.empty()) return;
    std::string reason;
    if (std::FILE* f = appendopen(file, reason)) {
        std::fprintf(f, "%s\n", line.c_str());
        std::fclose(f);
    }
}
