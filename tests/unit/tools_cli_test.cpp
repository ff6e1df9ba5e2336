// grubblet-check and grubblet-gen agree on how they start: --version and
// --help, two lines and status 2 for a wrong option, an empty file name
// named as empty, and a file or an -o target that will not do named for
// what it is, before any work is done.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct run_result {
    int status;
    std::string out;
    std::string err;
};

std::string slurp(const std::string &path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs a shell command line, standard output and error kept apart.
run_result run(const std::string &command) {
    char out_path[] = "/tmp/grubblet-tool-out-XXXXXX", err_path[] = "/tmp/grubblet-tool-err-XXXXXX";
    close(mkstemp(out_path));
    close(mkstemp(err_path));
    int status =
        std::system((command + " >" + out_path + " 2>" + err_path + " </dev/null").c_str());
    run_result r{WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(out_path), slurp(err_path)};
    unlink(out_path);
    unlink(err_path);
    return r;
}

const std::string CHECK = GRUBBLET_CHECK, GEN = GRUBBLET_GEN;

std::size_t lines(const std::string &text) {
    std::size_t n = 0;
    for (char c : text) {
        n += c == '\n';
    }
    return n;
}

// A scratch folder with a FIFO and a folder without write permission.
struct scratch {
    std::string dir;
    scratch() {
        char path[] = "/tmp/grubblet-tools-XXXXXX";
        dir = mkdtemp(path);
        mkfifo((dir + "/fifo").c_str(), 0644);
        mkdir((dir + "/locked").c_str(), 0500);
    }
    ~scratch() {
        EXPECT_EQ(std::system(("chmod -R u+w " + dir + " && rm -rf " + dir).c_str()), 0);
    }
};

} // namespace

TEST(tools_cli, version_help_and_wrong_options_alike) {
    struct row {
        std::string tool, args;
        int status;
        std::string out_starts, err;
    } rows[] = {
        {CHECK, "--version", 0, "grubblet-check (Grubblet Plonko) 1.", ""},
        {GEN, "--version", 0, "grubblet-gen (Grubblet Plonko) 1.", ""},
        {CHECK, "--help", 0, "Usage: grubblet-check ", ""},
        {GEN, "--help", 0, "Usage: grubblet-gen ", ""},
        {CHECK, "--frobnicate", 2, "",
         "grubblet-check: unknown option --frobnicate\nTry 'grubblet-check --help' for more.\n"},
        {GEN, "--frobnicate", 2, "",
         "grubblet-gen: unknown option --frobnicate\nTry 'grubblet-gen --help' for more.\n"},
        {CHECK, "--max-states x", 2, "", ""},
        {GEN, "--seed x", 2, "", ""},
        {GEN, "extra", 2, "", ""},
        {CHECK, "''", 2, "",
         "grubblet-check: the file name is empty; name a level file, or give none to check "
         "./boards.txt\nTry 'grubblet-check --help' for more.\n"},
        {GEN, "-o ''", 2, "",
         "grubblet-gen: the file name after -o is empty\nTry 'grubblet-gen --help' for more.\n"},
    };
    for (const row &row : rows) {
        SCOPED_TRACE(row.tool + " " + row.args);
        run_result r = run(row.tool + " " + row.args);
        EXPECT_EQ(r.status, row.status);
        EXPECT_EQ(r.out.rfind(row.out_starts, 0), 0u) << r.out;
        if (row.status == 2) {
            EXPECT_EQ(r.out, "");
            EXPECT_GE(lines(r.err), 1u);
            EXPECT_LE(lines(r.err), 2u) << r.err;
        }
        if (!row.err.empty()) {
            EXPECT_EQ(r.err, row.err);
        }
    }
    // Each names the other in its help.
    EXPECT_NE(run(CHECK + " --help").out.find("grubblet-gen"), std::string::npos);
    EXPECT_NE(run(GEN + " --help").out.find("grubblet-check"), std::string::npos);
}

TEST(tools_cli, a_file_that_will_not_do_is_named_for_what_it_is) {
    scratch s;
    struct row {
        std::string tool, args, err;
    } rows[] = {
        {CHECK, s.dir,
         "grubblet-check: cannot read " + s.dir + ": a directory, not a level file\n"},
        {CHECK, s.dir + "/fifo",
         "grubblet-check: cannot read " + s.dir + "/fifo: a named pipe (FIFO), not a level file\n"},
        {CHECK, "/dev/null",
         "grubblet-check: cannot read /dev/null: a character device, not a level file\n"},
        {CHECK, s.dir + "/none",
         "grubblet-check: cannot read " + s.dir + "/none: No such file or directory\n"},
        // The generator looks at its target before it makes a level.
        {GEN, "-o " + s.dir,
         "grubblet-gen: cannot write " + s.dir + ": a directory; name a file in it, such as " +
             s.dir + "/boards.txt\n"},
        {GEN, "-o /tmp/",
         "grubblet-gen: cannot write /tmp/: a directory; name a file in it, such as "
         "/tmp/boards.txt\n"},
        {GEN, "-o " + s.dir + "/fifo",
         "grubblet-gen: cannot write " + s.dir +
             "/fifo: a named pipe (FIFO), not a level file; levels are written over a regular "
             "file or a new one\n"},
        {GEN, "-o /dev/null",
         "grubblet-gen: cannot write /dev/null: a character device, not a level file; levels "
         "are written over a regular file or a new one\n"},
        {GEN, "-o " + s.dir + "/no/boards.txt",
         "grubblet-gen: cannot write " + s.dir + "/no/boards.txt: there is no folder " + s.dir +
             "/no (mkdir -p " + s.dir + "/no makes it)\n"},
        {GEN, "-o /dev/null/boards.txt",
         "grubblet-gen: cannot write /dev/null/boards.txt: Not a directory\n"},
    };
    for (const row &row : rows) {
        SCOPED_TRACE(row.tool + " " + row.args);
        run_result r = run(row.tool + (row.tool == GEN ? " --seed 1 " : " ") + row.args);
        EXPECT_EQ(r.status, row.tool == CHECK ? 2 : 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, row.err); // and no level made first
    }
}

// Run as a user: root may write in any folder.
TEST(tools_cli, a_folder_without_permission_is_refused_before_the_levels) {
    scratch s;
    ASSERT_EQ(chmod(s.dir.c_str(), 0755), 0);
    ASSERT_EQ(chmod((s.dir + "/locked").c_str(), 0555), 0);
    const std::string as_user =
        geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    run_result r = run(as_user + GEN + " --seed 1 -o " + s.dir + "/locked/boards.txt");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "grubblet-gen: cannot write " + s.dir + "/locked/boards.txt: cannot make a " +
                         "file in " + s.dir + "/locked: Permission denied\n");
}

// A folder that passes the look before the levels but takes no new file,
// as /sys does for root: the message must not speak of a file that was
// never there.
TEST(tools_cli, a_failed_write_of_a_new_file_says_no_file_was_made) {
    const std::string target = "/sys/grubblet-boards.txt";
    run_result r = run(GEN + " --seed 1 --difficulty easy -o " + target);
    if (r.err.find(": cannot make a file in") != std::string::npos) {
        GTEST_SKIP() << "this system refuses the folder up front: " << r.err;
    }
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("grubblet-gen: cannot write " + target +
                         ": the write failed, and no file was made\n"),
              std::string::npos)
        << r.err;
    struct stat st;
    EXPECT_NE(stat(target.c_str(), &st), 0);
}
