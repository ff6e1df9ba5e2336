// grubblet-check as a level designer runs it: on the shipped levels, on a
// level that cannot be won, on a file that cannot be read, and with --help.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct run_result {
    int status;
    std::string out;
    std::string err;
};

run_result run_checker(const std::string &args) {
    char err_path[] = "/tmp/grubblet-check-err-XXXXXX";
    int fd = mkstemp(err_path);
    close(fd);
    std::string command = std::string(GRUBBLET_CHECK) + " " + args + " 2>" + err_path;
    FILE *pipe = popen(command.c_str(), "r");
    run_result result;
    char buf[4096];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) {
        result.out.append(buf, n);
    }
    int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream in(err_path);
    result.err.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    unlink(err_path);
    return result;
}

} // namespace

TEST(checker_cli, every_shipped_level_can_be_cleared) {
    run_result r = run_checker(GRUBBLET_SHIPPED_BOARDS);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("all 9 levels can be cleared"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("warning"), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "");
}

TEST(checker_cli, a_level_that_cannot_be_won_fails_the_check) {
    char path[] = "/tmp/grubblet-check-boards-XXXXXX";
    int fd = mkstemp(path);
    close(fd);
    std::string level(24 * 81, '.');
    for (int r = 0; r < 24; r++) {
        level[static_cast<std::size_t>(r * 81 + 80)] = '\n';
    }
    level[0] = '@';
    level[81 * 10 + 40] = '='; // far above the floor the player falls to
    std::ofstream(path) << level;
    run_result r = run_checker(path);
    unlink(path);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("level 1: cannot be cleared"), std::string::npos) << r.out;
    // Levels 2 to 9 are empty: no start, no grubblet, cleared at once.
    EXPECT_NE(r.out.find("level 9 has no grubblet"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("level 2: clearable in 0 key presses"), std::string::npos) << r.out;
}

TEST(checker_cli, a_file_that_cannot_be_read_is_reported_on_standard_error) {
    run_result r = run_checker("/nonexistent/boards.txt");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err,
              "grubblet-check: cannot read /nonexistent/boards.txt: No such file or directory\n");

    r = run_checker("/tmp");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "grubblet-check: cannot read /tmp: Is a directory\n");
}

TEST(checker_cli, help_and_bad_arguments) {
    run_result r = run_checker("--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("Usage: grubblet-check [FILE]", 0), 0u) << r.out;
    r = run_checker("--frobnicate");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("unknown option --frobnicate"), std::string::npos);
    r = run_checker("a b");
    EXPECT_EQ(r.status, 2);
}
