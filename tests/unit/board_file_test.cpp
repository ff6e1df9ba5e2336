// Reading and writing boards.txt, in a fresh directory per test.
#include "levels/levels.h"
#include "rules_test_support.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

// The names in the current directory, hidden ones included, one a line.
std::string listing() {
    std::string out;
    FILE *ls = popen("ls -A", "r");
    char name[256];
    while (fgets(name, sizeof name, ls) != nullptr) {
        out += name;
    }
    pclose(ls);
    return out;
}

void write_file(const std::string &path, const std::string &content) {
    std::ofstream(path, std::ios::binary) << content;
}

std::string with_crlf(const std::string &lf) {
    std::string out;
    for (char ch : lf) {
        out += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
    }
    return out;
}

// Runs body in a child process, optionally as an unprivileged user, and
// returns its exit status. Root may write any file whatever its mode says; a
// user may not, which is what the player sees.
template <typename F> int in_child(bool unprivileged, F body) {
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        if (unprivileged && (setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(99);
        }
        _exit(body());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Saves in a child whose files may not grow past 4096 bytes, as a shell's
// ulimit -f gives it, with SIGXFSZ left as it is by default (it kills);
// returns what the save returned, or -1 when the child was killed.
int save_with_a_file_size_limit() {
    return in_child(false, [] {
        rlimit limit = {4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        return save_boards();
    });
}

class board_file_test : public rules_test {
  protected:
    void SetUp() override {
        rules_test::SetUp();
        char dir[] = "/tmp/grubblet-unit-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        dir_ = dir;
        chmod(dir, 0777);
        ASSERT_EQ(getcwd(old_dir_, sizeof old_dir_), old_dir_);
        ASSERT_EQ(chdir(dir), 0);
    }
    void TearDown() override {
        ASSERT_EQ(chdir(old_dir_), 0);
        remove_tree(dir_);
        rules_test::TearDown();
    }

    // The worked example: level 1 empty but for a floor, a start, a grubblet
    // and a mine on row 22.
    void build_example() {
        wall_row(0, 23);
        put(0, 22, 2, "@");
        put(0, 22, 10, "=");
        put(0, 22, 20, "X");
    }

    // Every level different, so that shifted content shows.
    static cell_kind varied_cell(int b, int r, int c) {
        return (b * 7 + r * 3 + c * c) % CELL_KIND_COUNT;
    }
    void build_varied_levels() {
        for (int b = 0; b < LEVEL_COUNT; b++) {
            for (int r = 0; r < BOARD_ROWS; r++) {
                for (int c = 0; c < BOARD_COLS; c++) {
                    level_set[b][r][c] = varied_cell(b, r, c);
                }
            }
        }
    }

    std::string all_levels() const {
        std::string out;
        for (int b = 0; b < LEVEL_COUNT; b++) {
            out += level_text(b);
        }
        return out;
    }

    // Saves the stored levels and returns the file written.
    std::string saved_file() {
        EXPECT_EQ(save_boards(), 0);
        return slurp("boards.txt");
    }

    void clear_levels() {
        for (int b = 0; b < LEVEL_COUNT; b++) {
            for (int r = 0; r < BOARD_ROWS; r++) {
                put(b, r, 0, std::string(BOARD_COLS, '.'));
            }
        }
    }

    std::string dir_;
    char old_dir_[4096];
};

const char *const READ_ERROR = "Error: couldn't access boards.txt for reading.";
const char *const WRITE_ERROR = "Error: couldn't access boards.txt for writing.";

} // namespace

TEST_F(board_file_test, the_written_file_has_the_documented_layout) {
    build_example();
    std::string file = saved_file();
    ASSERT_EQ(file.size(), 17505u);
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 225);
    EXPECT_EQ(file.find_first_not_of(".&X=@\n"), std::string::npos);
    EXPECT_EQ(file[1784], '@');
    EXPECT_EQ(file[1792], '=');
    EXPECT_EQ(file[1802], 'X');
    EXPECT_EQ(file.substr(1863, 80), std::string(80, '&'));
    EXPECT_EQ(file[1943], '\n');
    EXPECT_EQ(file[1944], '\n');
    EXPECT_EQ(file.substr(1945, 80), std::string(80, '.'));
    EXPECT_EQ(file.substr(17503), "\n\n");
}

TEST_F(board_file_test, saving_then_loading_gives_back_the_same_levels) {
    build_varied_levels();
    put(4, 3, 3, "@");
    put(4, 9, 9, "@");
    std::string before = all_levels();
    // Even where the game was started with SIGCHLD ignored, as some
    // launchers leave it.
    signal(SIGCHLD, SIG_IGN);
    saved_file();
    signal(SIGCHLD, SIG_DFL);
    clear_levels();
    ASSERT_EQ(load_boards(), 0);
    EXPECT_EQ(all_levels(), before);
    EXPECT_TRUE(file_errors.empty());
}

// Each case rewrites a saved file of varied levels, loads it over cleared
// levels, and compares with the levels it should give.
TEST_F(board_file_test, the_reader_follows_the_stream_not_the_lines) {
    build_varied_levels();
    const std::string saved = saved_file();
    const std::string expected = all_levels();
    std::string cells; // the 17,280 cell characters alone
    for (char ch : saved) {
        if (ch != '\n') {
            cells += ch;
        }
    }
    const std::string crlf = with_crlf(saved);
    std::string ragged;
    for (std::size_t i = 0; i < cells.size(); i += 37) {
        ragged += cells.substr(i, 37) + (i % 2 ? "\n\n\n" : "\n");
    }

    struct {
        const char *name;
        std::string file;
    } same_as_saved[] = {
        {"one line", cells},
        {"lines of any length with blank lines", ragged},
        {"CR LF line ends", crlf},
    };
    for (const auto &c : same_as_saved) {
        SCOPED_TRACE(c.name);
        write_file("boards.txt", c.file);
        clear_levels();
        ASSERT_EQ(load_boards(), 0);
        EXPECT_EQ(all_levels(), expected);
    }
}

TEST_F(board_file_test, other_characters_use_up_a_cell_and_leave_it_as_it_was) {
    build_varied_levels();
    std::string file = saved_file();
    std::string expected = all_levels();
    // A space in place of level 1, row 0, column 5; a stray CR and a tab in
    // place of level 2, row 1, columns 0 and 1.
    file[5] = ' ';
    file[1945 + 81] = '\r';
    file[1945 + 82] = '\t';
    write_file("boards.txt", file);
    put(0, 0, 5, "&");
    put(1, 1, 0, "XX");
    ASSERT_EQ(load_boards(), 0);
    EXPECT_EQ(level_set[0][0][5], CELL_WALL);
    EXPECT_EQ(level_set[1][1][0], CELL_MINE);
    EXPECT_EQ(level_set[1][1][1], CELL_MINE);
    // Every other cell loaded normally.
    std::string loaded = all_levels();
    for (std::size_t i = 0; i < loaded.size(); i++) {
        if (i == 5 || i == 81 * 24 + 81 || i == 81 * 24 + 82) {
            continue;
        }
        ASSERT_EQ(loaded[i], expected[i]) << "at " << i;
    }
}

TEST_F(board_file_test, extra_characters_wrap_round_to_the_first_level) {
    build_varied_levels();
    std::string saved = saved_file();
    std::string cells;
    for (char ch : saved) {
        if (ch != '\n') {
            cells += ch;
        }
    }

    // 100 more characters: level 1, row 0 and row 1 up to column 19.
    write_file("boards.txt", saved + std::string(100, 'X'));
    ASSERT_EQ(load_boards(), 0);
    for (int c = 0; c < BOARD_COLS; c++) {
        EXPECT_EQ(level_set[0][0][c], CELL_MINE);
    }
    for (int c = 0; c < BOARD_COLS; c++) {
        EXPECT_EQ(level_set[0][1][c], c < 20 ? cell_kind{CELL_MINE} : varied_cell(0, 1, c));
    }

    // A space inserted after the first cell character: every later character
    // moves on by one, and the last one lands on level 1, row 0, column 0.
    build_varied_levels();
    write_file("boards.txt", saved.substr(0, 1) + " " + saved.substr(1));
    clear_levels();
    ASSERT_EQ(load_boards(), 0);
    EXPECT_EQ(CELL_CHARS[level_set[0][0][0]], cells.back());
    EXPECT_EQ(level_set[0][0][1], CELL_EMPTY); // the space's position kept its content
    EXPECT_EQ(CELL_CHARS[level_set[0][0][2]], cells[1]);
    EXPECT_EQ(CELL_CHARS[level_set[8][23][79]], cells[17278]);

    // A three-byte mark in front: level 1, row 0, columns 0..2 get the last
    // three cell characters, every other cell the one meant three before it.
    write_file("boards.txt", "\xEF\xBB\xBF" + saved);
    clear_levels();
    ASSERT_EQ(load_boards(), 0);
    for (int pos = 0; pos < FILE_CELLS; pos++) {
        char want = pos < 3 ? cells[static_cast<std::size_t>(FILE_CELLS - 3 + pos)]
                            : cells[static_cast<std::size_t>(pos - 3)];
        int b = pos / 1920, r = pos / 80 % 24, c = pos % 80;
        ASSERT_EQ(CELL_CHARS[level_set[b][r][c]], want) << "position " << pos;
    }
}

TEST_F(board_file_test, a_short_file_changes_only_what_it_reaches) {
    build_varied_levels();
    std::string before = all_levels();

    write_file("boards.txt", "");
    ASSERT_EQ(load_boards(), 0);
    EXPECT_EQ(all_levels(), before);

    std::string level_one;
    for (int r = 0; r < BOARD_ROWS; r++) {
        level_one += std::string(BOARD_COLS, r == 23 ? '&' : '.') + "\n";
    }
    write_file("boards.txt", level_one);
    ASSERT_EQ(load_boards(), 0);
    std::string after = all_levels();
    EXPECT_EQ(after.substr(0, 81 * 24), level_one);
    EXPECT_EQ(after.substr(81 * 24), before.substr(81 * 24));
}

TEST_F(board_file_test, a_missing_or_unreadable_file_is_reported_and_changes_nothing) {
    build_varied_levels();
    std::string before = all_levels();
    EXPECT_EQ(load_boards(), 1);
    EXPECT_EQ(file_errors, std::vector<std::string>{READ_ERROR});

    // A directory opens, then fails to read.
    ASSERT_EQ(mkdir("boards.txt", 0755), 0);
    EXPECT_EQ(load_boards(), 1);
    EXPECT_EQ(file_errors.size(), 2u);
    EXPECT_EQ(all_levels(), before);

    // Nor can a directory be written.
    EXPECT_EQ(save_boards(), 1);
    EXPECT_EQ(file_errors.back(), WRITE_ERROR);
    struct stat st;
    ASSERT_EQ(stat("boards.txt", &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));

    // A pipe no one writes to and a device that never ends are refused at
    // once rather than waited on.
    ASSERT_EQ(rmdir("boards.txt"), 0);
    ASSERT_EQ(mkfifo("boards.txt", 0644), 0);
    EXPECT_EQ(load_boards(), 1);
    ASSERT_EQ(unlink("boards.txt"), 0);
    ASSERT_EQ(symlink("/dev/zero", "boards.txt"), 0);
    EXPECT_EQ(load_boards(), 1);
    EXPECT_EQ(file_errors.size(), 5u);
    EXPECT_EQ(all_levels(), before);
}

TEST_F(board_file_test, a_write_protected_file_stays_as_it_was) {
    write_file("boards.txt", "old levels\n");
    chmod("boards.txt", 0444);
    build_example();
    int result = in_child(true, [this] {
        return save_boards() == 1 && file_errors == std::vector<std::string>{WRITE_ERROR} ? 0 : 1;
    });
    EXPECT_EQ(result, 0) << "the save must fail with the writing error";
    EXPECT_EQ(slurp("boards.txt"), "old levels\n");
}

TEST_F(board_file_test, a_failed_write_keeps_the_old_file_and_leaves_no_temporary) {
    build_varied_levels();
    const std::string old = saved_file();
    build_example();
    // A file size limit below the file's size would stop the write part way.
    int result = save_with_a_file_size_limit();
    EXPECT_EQ(result, 1);
    EXPECT_EQ(slurp("boards.txt"), old);
    EXPECT_EQ(listing(), "boards.txt\n");
}

TEST_F(board_file_test, saving_keeps_permissions_and_symbolic_links) {
    write_file("levels-v2.txt", "old\n");
    chmod("levels-v2.txt", 0640);
    ASSERT_EQ(symlink("levels-v2.txt", "boards.txt"), 0);
    build_example();
    ASSERT_EQ(save_boards(), 0);

    struct stat link;
    ASSERT_EQ(lstat("boards.txt", &link), 0);
    EXPECT_TRUE(S_ISLNK(link.st_mode));
    struct stat target;
    ASSERT_EQ(stat("levels-v2.txt", &target), 0);
    EXPECT_EQ(target.st_mode & 07777, 0640u);
    EXPECT_EQ(slurp("levels-v2.txt").size(), 17505u);

    // A new file gets the usual permissions.
    ASSERT_EQ(unlink("boards.txt"), 0);
    mode_t old_mask = umask(022);
    ASSERT_EQ(save_boards(), 0);
    umask(old_mask);
    ASSERT_EQ(stat("boards.txt", &target), 0);
    EXPECT_EQ(target.st_mode & 07777, 0644u);
}

TEST_F(board_file_test, a_user_may_save_an_unprotected_file) {
    write_file("boards.txt", "old levels\n");
    chmod("boards.txt", 0666);
    build_example();
    EXPECT_EQ(in_child(true, [] { return save_boards(); }), 0);
    EXPECT_EQ(slurp("boards.txt").size(), 17505u);
}

// Where renaming would change the file, it is rewritten in place: a writable
// file in a directory the player cannot write to, someone else's file, a
// file with a second name or with extended attributes and an ACL. Each keeps
// what it was and holds the new levels byte for byte.
TEST_F(board_file_test, a_save_that_cannot_rename_keeps_the_file_itself) {
    build_example();
    char text[FILE_BYTES];
    format_boards(text);
    const std::string levels(text, sizeof text);
    struct stat st;

    write_file("boards.txt", "old levels\n");
    chmod("boards.txt", 0666);
    chmod(".", 0555);
    EXPECT_EQ(in_child(true, [] { return save_boards(); }), 0);
    chmod(".", 0777);
    EXPECT_EQ(slurp("boards.txt"), levels);

    // Root's file, writable by the group nobody is in.
    write_file("boards.txt", "old levels\n");
    ASSERT_EQ(chown("boards.txt", 0, 65534), 0);
    chmod("boards.txt", 0664);
    EXPECT_EQ(in_child(true, [] { return save_boards(); }), 0);
    ASSERT_EQ(stat("boards.txt", &st), 0);
    EXPECT_EQ(st.st_uid, 0u);
    EXPECT_EQ(st.st_gid, 65534u);
    EXPECT_EQ(st.st_mode & 07777, 0664u);
    EXPECT_EQ(slurp("boards.txt"), levels);

    // A second name, an extended attribute and an ACL.
    unlink("boards.txt");
    write_file("boards.txt", "old levels\n");
    chmod("boards.txt", 0666);
    ASSERT_EQ(link("boards.txt", "second-name.txt"), 0);
    ASSERT_EQ(setxattr("boards.txt", "user.designer", "ann", 3, 0), 0);
    ASSERT_EQ(system("setfacl -m u:daemon:r boards.txt"), 0);
    EXPECT_EQ(save_boards(), 0);
    EXPECT_EQ(slurp("second-name.txt"), levels);
    unlink("second-name.txt");
    EXPECT_EQ(save_boards(), 0);
    char value[8] = {};
    EXPECT_EQ(getxattr("boards.txt", "user.designer", value, sizeof value), 3);
    EXPECT_STREQ(value, "ann");
    EXPECT_EQ(system("getfacl -cp boards.txt | grep -qx 'user:daemon:r--'"), 0);
    EXPECT_EQ(slurp("boards.txt"), levels);
    EXPECT_EQ(listing(), "boards.txt\n");

    // Written in place under a file size limit: refused before a byte changes.
    ASSERT_EQ(link("boards.txt", "second-name.txt"), 0);
    write_file("boards.txt", "old levels\n");
    int result = save_with_a_file_size_limit();
    EXPECT_EQ(result, 1);
    EXPECT_EQ(slurp("boards.txt"), "old levels\n");

    // A file the player may write but not read: without the old content in
    // memory there would be nothing to put back, so it is not written.
    chmod("boards.txt", 0222);
    EXPECT_EQ(in_child(true, [] { return save_boards(); }), 1);
    EXPECT_EQ(slurp("boards.txt"), "old levels\n");
}

// A game killed at any moment of a save leaves boards.txt as the old file or
// the new one, whole, and nothing else beside it: where the save renames and
// where it writes in place (boards.txt with a second name), over a file with
// LF and with CR LF line ends.
TEST_F(board_file_test, a_save_killed_at_any_moment_leaves_a_whole_file) {
    build_varied_levels();
    char text[FILE_BYTES];
    format_boards(text);
    const std::string first(text, sizeof text);
    for (int b = 0; b < LEVEL_COUNT; b++) {
        put(b, 0, 0, std::string(BOARD_COLS, '&'));
        put(b, 12, 0, std::string(BOARD_COLS, 'X'));
    }
    format_boards(text);
    const std::string second(text, sizeof text);
    ASSERT_NE(first, second);

    for (int round = 0; round < 4; round++) {
        const bool in_place = round % 2 != 0;
        const std::string old = round < 2 ? first : with_crlf(first);
        SCOPED_TRACE(std::string(in_place ? "in place" : "renamed") +
                     (round < 2 ? ", LF" : ", CR LF"));
        unlink("second-name.txt");
        write_file("boards.txt", old);
        if (in_place) {
            ASSERT_EQ(link("boards.txt", "second-name.txt"), 0);
        }
        // The kills are spread over a few saves' time, however fast this
        // disk and this machine are at the moment, counted from when the
        // child is ready to save.
        const auto started = std::chrono::steady_clock::now();
        for (int i = 0; i < 5; i++) {
            save_boards();
        }
        const long save_us =
            std::max<long>(100, std::chrono::duration_cast<std::chrono::microseconds>(
                                    std::chrono::steady_clock::now() - started)
                                        .count() /
                                    5);
        ASSERT_EQ(slurp("boards.txt"), second);
        write_file("boards.txt", old);

        const int kills = 60;
        unsigned seed = 12345;
        int saw_first = 0, saw_second = 0;
        for (int k = 0; k < kills; k++) {
            // The child and whatever it starts hold the write end: its end of
            // file says that all of them are gone.
            int ready[2];
            ASSERT_EQ(pipe(ready), 0);
            pid_t pid = fork();
            if (pid == 0) {
                close(ready[0]);
                if (write(ready[1], "r", 1) != 1) {
                    _exit(1);
                }
                // Saves the two versions in turn until killed.
                for (int i = 0;; i++) {
                    for (int b = 0; b < LEVEL_COUNT; b++) {
                        put(b, 0, 0, std::string(BOARD_COLS, i % 2 ? '&' : '.'));
                    }
                    save_boards();
                }
            }
            close(ready[1]);
            char byte;
            ASSERT_EQ(read(ready[0], &byte, 1), 1);
            seed = seed * 1103515245 + 12345;
            usleep(static_cast<useconds_t>((seed >> 8) % static_cast<unsigned>(4 * save_us)));
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            while (read(ready[0], &byte, 1) > 0) {
            }
            close(ready[0]);
            std::string now = slurp("boards.txt");
            if (now == old) {
                continue; // killed before its first save began
            }
            ASSERT_EQ(now.size(), static_cast<std::size_t>(FILE_BYTES)) << "after kill " << k;
            // The child writes the second version with row 0 of every level
            // either empty or walls.
            bool is_first_row = now.compare(0, 80, std::string(80, '.')) == 0;
            bool is_second_row = now.compare(0, 80, std::string(80, '&')) == 0;
            ASSERT_TRUE(is_first_row || is_second_row) << "after kill " << k;
            std::string expected = second;
            for (int b = 0; b < LEVEL_COUNT; b++) {
                expected.replace(static_cast<std::size_t>(1945 * b), 80,
                                 std::string(80, is_first_row ? '.' : '&'));
            }
            ASSERT_EQ(now, expected) << "after kill " << k;
            saw_first += is_first_row;
            saw_second += is_second_row;
        }
        // The kills came at different moments of the saving.
        EXPECT_GT(saw_first, 0);
        EXPECT_GT(saw_second, 0);
        EXPECT_EQ(listing(), in_place ? "boards.txt\nsecond-name.txt\n" : "boards.txt\n");
        if (in_place) {
            EXPECT_EQ(slurp("second-name.txt"), slurp("boards.txt"));
        }
    }
}

// A disk that fills up during the save: the writing error, the old file
// kept, the half-written temporary gone.
TEST_F(board_file_test, a_full_disk_keeps_the_old_file) {
    ASSERT_EQ(mkdir("disk", 0755), 0);
    // Room for the old file and a little more, not for a second copy.
    if (mount("tmpfs", "disk", "tmpfs", 0, "size=24k") != 0) {
        GTEST_SKIP() << "no tmpfs can be mounted here; the failed-write test injects the fault";
    }
    build_varied_levels();
    ASSERT_EQ(chdir("disk"), 0);
    std::string old = saved_file();
    for (int b = 0; b < LEVEL_COUNT; b++) {
        put(b, 0, 0, std::string(BOARD_COLS, '&'));
    }
    EXPECT_EQ(save_boards(), 1);
    EXPECT_EQ(file_errors, std::vector<std::string>{WRITE_ERROR});
    EXPECT_EQ(slurp("boards.txt"), old);
    EXPECT_EQ(listing(), "boards.txt\n");
    ASSERT_EQ(chdir(".."), 0);
    umount("disk");
}
