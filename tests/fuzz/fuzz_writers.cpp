// Every command that writes a file, onto whatever a user may have at its
// name: nothing, a file, a read-only file, links (to a file, to a read-only
// file, to one not made yet, a chain, a loop), a directory, a read-only
// directory, a pipe, and files and links at the names of temporaries. After each
// write: a link is still the same link, a read-only file or directory is
// untouched with an error, no other entry changed, nothing is left behind,
// and what was written reached the file the name stands for.
//
// Input: byte 0 the writer, byte 1 what is at its name, byte 2 which files
// sit at temporary names, bytes 3..8 a name suffix of such a file, the rest
// the old text of the files there (and the text the plain writer writes).
#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "fuzzutil.h"
#include "labeling/labeldata.h"
#include "labelio/atomicfile.h"

namespace {

namespace fs = std::filesystem;

struct Entry {
    std::string kind, value;  // "link" and its target, "file" and mode + text, "dir"
    bool operator==(const Entry&) const = default;
};

std::map<std::string, Entry> listing(const std::string& dir) {
    std::map<std::string, Entry> m;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec)) {
        struct stat st;
        std::string p = e.path().string();
        if (lstat(p.c_str(), &st) != 0) continue;
        Entry x;
        if (S_ISLNK(st.st_mode)) {
            x = {"link", fs::read_symlink(e.path(), ec).string()};
        } else if (S_ISFIFO(st.st_mode)) {
            x = {"fifo", ""};
        } else if (S_ISDIR(st.st_mode)) {
            x = {"dir", std::to_string(st.st_mode & 07777)};
        } else {
            std::ifstream in(p, std::ios::binary);
            std::stringstream s;
            s << in.rdbuf();
            x = {"file", std::to_string(st.st_mode & 07777) + " " + s.str()};
        }
        m[e.path().filename().string()] = x;
    }
    return m;
}

void fail(const std::string& what, const std::string& out) {
    std::fprintf(stderr, "%s\noutput:\n%s\n", what.c_str(), out.c_str());
    std::abort();
}

void command(const std::string& name, Words words) {
    int k = slotof(name);
    if (k <= 0 || !command_table()[k].handler) std::abort();
    int n = static_cast<int>(words.size());
    command_table()[k].handler(words, n);
}

const char* kInputs[][2] = {
    {"agsk.fasta", ">tripeptide+1\nAGSK\n"},
    {"agsk.xpk",
     "label dataset sw sf\nH1 N15\nagsk.nv\n{12.000 } {32.000 }\n{600.133 } {60.818 }\n"
     " H1.L H1.P H1.W H1.B H1.E H1.J H1.U N15.L N15.P N15.W N15.B N15.E N15.J N15.U vol int "
     "stat comment flag0\n"
     "0 {2.HN} 8.412 0.025 0.040 ++ 0.000 {} {2.N} 109.52 0.210 0.340 ++ 0.000 {} 1.2e+06 "
     "3.1e+04 0 {} 0\n"},
    {"ass.txt", "     1       2\n     2       3\n"},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::setup();
    if (size < 9) return 0;
    fuzz::library();
    const std::string dir = fuzz::scratch + "/w";
    std::error_code ec;
    fs::permissions(dir, fs::perms::owner_all, ec);
    fs::remove_all(dir, ec);
    fs::create_directories(dir);
    for (auto& in : kInputs) std::ofstream(dir + "/" + in[0]) << in[1];
    const char* names[] = {"d.lab", "d.html", "session.s", "ass_s.txt", "w.txt"};
    const int writer = data[0] % 5;
    const std::string name = names[writer], path = dir + "/" + name;
    // writelabel writes only over labeling files, and only a labeling with
    // entries over an existing file.
    const std::string old =
        writer == 0 ? "    1    2    3\n    0    0    0\n" : fuzz::text(data + 9, size - 9);
    auto file = [&](const std::string& n, mode_t mode) {
        std::ofstream(dir + "/" + n, std::ios::binary) << old;
        chmod((dir + "/" + n).c_str(), mode);
    };
    auto link = [&](const std::string& target, const std::string& n) {
        symlink(target.c_str(), (dir + "/" + n).c_str());
    };
    // What the name stands for: the file that is to hold the text ("" when
    // the write must be refused).
    std::string target = name;
    bool readonlydir = false;
    int reader = -1;  // a pipe at the name, and its reader
    switch (data[1] % 13) {
        case 0:
            break;
        case 1:
            file(name, 0644);
            break;
        case 2:
            file(name, 0444), target = "";
            break;
        case 3:
            file("victim", 0600), link("victim", name), target = "victim";
            break;
        case 4:
            link("missing", name), target = "missing";
            break;
        case 5:
            file("victim", 0444), link("victim", name), target = "";
            break;
        case 6:
            link("b", name), link("c", "b"), target = "c";
            break;
        case 7:
            link(name, name), target = "";
            break;
        case 8:
            fs::create_directory(dir + "/" + name), target = "";
            break;
        case 9:
            file("victim", 0640), link(dir + "/victim", name), target = "victim";
            break;
        case 10:
            link("nodir/x", name), target = "";
            break;
        default:
            readonlydir = true, target = "";
            break;
    }
    // The user's files at temporary names, and a link there to a bystander.
    std::string suffix;
    for (int i = 3; i < 9; ++i)
        suffix += "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"[data[i] % 52];
    const std::string base = target.empty() || target == name ? name : target;
    if (data[2] & 1) file(base + ".tmp", 0644);
    if (data[2] & 2) file(base + ".tmpXXXXXX", 0644);
    if (data[2] & 4) file(base + ".tmp" + suffix, 0644);
    if (data[2] & 8) file("bystander", 0644), link("bystander", base + ".tmp");
    if (data[2] & 16) file(base + ".tmp" + suffix, 0444);
    if (readonlydir) chmod(dir.c_str(), 0555);

    const auto before = listing(dir);
    char cwd[4096];
    if (!getcwd(cwd, sizeof cwd)) std::abort();
    if (chdir(dir.c_str()) != 0) std::abort();
    bool written = true;
    fuzz::guarded([&] {
        switch (writer) {
            case 0:
                labdata.ilabelsize[1] = 1;
                labdata.ias_front[1][1] = 1, labdata.ias_end[1][1] = 2;
                labdata.ischedulenr[1][1] = 3;
                command("writelabel", {"filename=d.lab", "rank=1"});
                break;
            case 1:
                command("read", {"agsk.fasta"});
                command("writereport", {"file=d.html"});
                break;
            case 2:
                command("writesession", {});
                break;
            case 3:
                command("read", {"agsk.fasta"});
                command("read", {"agsk.xpk"});
                command("score", {"file=ass.txt"});
                break;
            default: {
                std::string reason;
                written = writeatomic(name, old + "!", reason);
                if (!written) errmsg("cannot be written: " + strp(reason));
            }
        }
    });
    if (chdir(cwd) != 0) std::abort();
    std::string out = fuzz::sink;
    fuzz::nofatal();
    chmod(dir.c_str(), 0755);
    if (reader >= 0) {
        std::string got;
        char buf[65536];
        ssize_t n;
        while ((n = read(reader, buf, sizeof buf)) > 0) got.append(buf, static_cast<size_t>(n));
        close(reader);
        if (out.find("cannot be written") != std::string::npos)
            fail("a write into a pipe was refused", out);
        if (got.empty() || (writer == 4 && got != old + "!"))
            fail("the pipe did not get the text", out);
        target = "";  // the pipe itself must stay as it was
        out.clear();
    }
    auto after = listing(dir);
    bool refused = out.find("cannot be written") != std::string::npos;
    if (target.empty() && !refused && reader < 0) fail("a write that must be refused was not", out);
    if (!target.empty() && refused && !readonlydir)
        fail("a write that can be done was refused", out);
    if (!target.empty() && !refused) {
        auto t = after.find(target);
        if (t == after.end() || t->second.kind != "file") fail("the text is not in " + target, out);
        if (writer == 4 && t->second.value.substr(t->second.value.find(' ') + 1) != old + "!")
            fail("the text in " + target + " is not what was written", out);
        auto b = before.find(target);
        if (b != before.end() && b->second.value.substr(0, b->second.value.find(' ')) !=
                                     t->second.value.substr(0, t->second.value.find(' ')))
            fail("the mode of " + target + " changed", out);
        after.erase(target);
        if (b != before.end()) after[target] = b->second;
    }
    if (after != before) {
        std::string diff;
        for (auto& [n, e] : before)
            if (!after.count(n) || !(after[n] == e)) diff += " changed or gone: " + n;
        for (auto& [n, e] : after)
            if (!before.count(n)) diff += " new: " + n;
        fail("entries beside the target changed:" + diff, out);
    }
    (void)written;
    return 0;
}
