// Every command that writes a file, onto what a user may already have there:
// a symbolic link (to a file, or to one not made yet), a read-only file, and
// files at the names a writer might use for its temporary.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "testutil.h"

namespace {

namespace fs = std::filesystem;
using testutil::has;
using testutil::run;
using testutil::slurp;

const std::string kNotes = "my notes: keep\n";

// The score's inputs: AGSK, an HSQC of three amides and their assignment.
void scoreinputs() {
    std::ofstream("agsk.fasta") << ">tripeptide+1\nAGSK\n";
    std::ofstream("agsk.xpk")
        << "label dataset sw sf\nH1 N15\nagsk.nv\n{12.000 } {32.000 }\n{600.133 } {60.818 }\n"
           " H1.L  H1.P  H1.W  H1.B  H1.E  H1.J  H1.U  N15.L  N15.P  N15.W  N15.B  N15.E  N15.J  "
           "N15.U  vol  int  stat  comment  flag0\n"
           "0 {2.HN} 8.412 0.025 0.040 ++ 0.000 {} {2.N} 109.52 0.210 0.340 ++ 0.000 {} 1.2e+06 "
           "3.1e+04 0 {} 0\n"
           "1 {3.HN} 8.236 0.025 0.040 ++ 0.000 {} {3.N} 115.71 0.210 0.340 ++ 0.000 {} 9.8e+05 "
           "2.6e+04 0 {} 0\n";
    std::ofstream("ass.txt") << "     1       2\n     2       3\n     3       4\n";
}

struct Writer {
    const char* what;
    std::string file;  // what it writes, in the current directory
    std::function<std::string()> write;
    std::string old = kNotes;  // what a user has at that name
};

const Writer writers[] = {
    // writelabel writes only over a labeling file, and only a labeling with
    // entries over an existing file.
    {"writelabel", "d.lab",
     [] {
         labdata.ilabelsize[1] = 1;
         labdata.ias_front[1][1] = 1, labdata.ias_end[1][1] = 2, labdata.ischedulenr[1][1] = 3;
         return run("writelabel", {"filename=d.lab", "rank=1"});
     },
     "    4    5    6\n    0    0    0\n"},
    {"writereport", "d.html", [] { return run("writereport", {"file=d.html"}); }},
    {"writesession", "session.s", [] { return run("writesession", {}); }},
    {"score", "ass_s.txt",
     [] {
         run("read", {"agsk.fasta"});
         run("read", {"agsk.xpk"});
         return run("score", {"file=ass.txt"});
     }},
};

// Name, kind, link target or text, and mode of every entry of a directory.
std::map<std::string, std::string> listing(const fs::path& dir) {
    std::map<std::string, std::string> m;
    for (const auto& e : fs::directory_iterator(dir)) {
        std::string p = e.path().string(), what;
        struct stat st;
        lstat(p.c_str(), &st);
        if (S_ISLNK(st.st_mode))
            what = "link " + fs::read_symlink(e.path()).string();
        else
            what = "file " + std::to_string(st.st_mode & 07777) + " " + slurp(p);
        m[e.path().filename().string()] = what;
    }
    return m;
}

class FileSafety : public ::testing::Test {
   protected:
    void SetUp() override {
        old_ = fs::current_path();
        dir_ = fs::path(::testing::TempDir()) / ("filesafety_" + std::to_string(getpid()));
    }
    void TearDown() override {
        fs::current_path(old_);
        if (fs::exists(dir_)) fs::permissions(dir_, fs::perms::owner_all);
        fs::remove_all(dir_);
    }
    // A fresh directory with the score's inputs and a molecule.
    void fresh() {
        TearDown();
        fs::create_directories(dir_);
        fs::current_path(dir_);
        scoreinputs();
        testutil::molecule("ALA GLY SER");
    }
    fs::path old_, dir_;
};

TEST_F(FileSafety, LinksAreWrittenThrough) {
    for (const Writer& w : writers) {
        fresh();
        w.write();
        const std::string want = slurp(w.file);
        ASSERT_FALSE(want.empty()) << w.what;
        for (bool dangling : {false, true}) {
            SCOPED_TRACE(std::string(w.what) + (dangling ? " dangling" : " to a file"));
            fresh();
            if (!dangling) std::ofstream("target") << w.old;
            fs::create_symlink("target", w.file);
            std::string out = w.write();
            EXPECT_FALSE(has(out, "ERROR")) << out;
            EXPECT_TRUE(fs::is_symlink(w.file));
            EXPECT_EQ(slurp("target"), want);
        }
    }
}

// Root passes every access check, so the writer looks at the mode itself;
// the child that gives up root checks the case of every other user.
TEST_F(FileSafety, AReadOnlyFileIsRefusedAndNamed) {
    for (const Writer& w : writers) {
        for (bool asuser : {false, true}) {
            if (asuser && geteuid() != 0) continue;  // the first round was that user
            SCOPED_TRACE(std::string(w.what) + (asuser ? " as nobody" : ""));
            fresh();
            std::ofstream(w.file) << w.old;
            chmod(w.file.c_str(), 0444);
            std::string out;
            if (!asuser) {
                out = w.write();
            } else {
                chmod(".", 0777);
                int pipefd[2];
                ASSERT_EQ(pipe(pipefd), 0);
                pid_t child = fork();
                if (child == 0) {
                    close(pipefd[0]);
                    bool dropped = setgid(65534) == 0 && setuid(65534) == 0;
                    std::string text = dropped ? w.write() : "cannot drop root";
                    ssize_t n = write(pipefd[1], text.data(), text.size());
                    _exit(n == static_cast<ssize_t>(text.size()) ? 0 : 1);
                }
                close(pipefd[1]);
                char buf[4096];
                ssize_t n;
                while ((n = read(pipefd[0], buf, sizeof buf)) > 0)
                    out.append(buf, static_cast<size_t>(n));
                close(pipefd[0]);
                int status = 0;
                waitpid(child, &status, 0);
                EXPECT_EQ(status, 0);
            }
            EXPECT_TRUE(has(out, "*** ERROR: ")) << out;
            EXPECT_TRUE(has(out, "\"" + w.file + "\" cannot be written")) << out;
            EXPECT_TRUE(has(out, "Permission denied")) << out;
            EXPECT_EQ(slurp(w.file), w.old);
            struct stat st;
            stat(w.file.c_str(), &st);
            EXPECT_EQ(st.st_mode & 07777, 0444u);
        }
    }
}

// A user's files at the temporary names (the fixed one an earlier writer
// used, and mkstemp's pattern) stay as they are; nothing is left behind.
TEST_F(FileSafety, FilesAtTemporaryNamesStay) {
    for (const Writer& w : writers) {
        SCOPED_TRACE(w.what);
        fresh();
        for (const char* ext : {".tmp", ".tmpXXXXXX", ".tmp000000"})
            std::ofstream(w.file + ext) << kNotes;
        std::ofstream(w.file) << w.old;
        auto before = listing(".");
        std::string out = w.write();
        EXPECT_FALSE(has(out, "ERROR")) << out;
        auto after = listing(".");
        EXPECT_NE(after[w.file], before[w.file]);
        after.erase(w.file), before.erase(w.file);
        EXPECT_EQ(after, before);
    }
}

}  // namespace
