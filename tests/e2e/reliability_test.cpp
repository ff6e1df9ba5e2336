// Whatever the terminal does, the program neither crashes, hangs nor spins,
// gives the terminal back, and never saves on its own: no terminal at all, a
// terminal that hangs up at any point, small and resized terminals,
// termination signals, and levels that cannot be saved.
#include "terminal_session.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// A floor, a mine two cells right of the start, a grubblet far away.
std::string boards() {
    level_text level;
    level.floor().put(22, 5, "@").put(22, 7, "X").put(22, 40, "=");
    return make_boards({level, level});
}

// Where the program may be waiting for a key, and how to get it there.
struct stage {
    const char *name;
    const char *keys;
    const char *row0; // what row 0 or 24 must show there, to be sure
    int row;
};

const stage STAGES[] = {
    {"title", "", "Fenwhistle Presents:", 0},
    {"play", "x", "Tummy: 99  Health: 20                   Reset, Quit, /Edit", 24},
    {"outcome message", "x33", "OUCH CRAP I STEPPED ON A MINE", 24},
    {"editor with an unsaved edit", "x/x ", "L1 [dec ]inc (s)ave (l)oad (q)uit", 24},
    {"save confirmation", "x/x s", "Confirm save with Y (upper case)", 0},
    {"load confirmation", "x/x l", "Confirm load with Y (upper case)", 0},
    {"save message", "x/x sY", "Save successful", 0},
};

bool shows(const terminal_session &s, const stage &st) {
    return s.row_text(st.row).rfind(st.row0, 0) == 0;
}

} // namespace

// Started from a pipe or a script, the game draws nothing: one line on
// standard error says why, and it ends with status 1 at once.
TEST(reliability, without_a_terminal_the_game_says_so_and_draws_nothing) {
    char dir[] = "/tmp/grubblet-no-tty-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string levels = std::string(dir) + "/boards.txt";
    std::ofstream(levels, std::ios::binary) << boards();
    int out[2], err[2];
    ASSERT_EQ(pipe(out), 0);
    ASSERT_EQ(pipe(err), 0);
    pid_t pid = fork();
    if (pid == 0) {
        int null = open("/dev/null", O_RDONLY);
        dup2(null, 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        if (chdir(dir) != 0) {
            _exit(126);
        }
        char *argv[] = {const_cast<char *>(GRUBBLET_BINARY), nullptr};
        char *envp[] = {const_cast<char *>("TERM=xterm-256color"), nullptr};
        execve(argv[0], argv, envp);
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    auto read_all = [](int fd) {
        std::string text;
        char buf[4096];
        for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;) {
            text.append(buf, static_cast<std::size_t>(n));
        }
        close(fd);
        return text;
    };
    std::string written = read_all(out[0]);
    std::string said = read_all(err[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(written, "");
    EXPECT_EQ(said,
              "grubblet: standard input is not a terminal; start the game in a terminal window\n");
    std::ifstream in(levels, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), boards());
    unlink(levels.c_str());
    rmdir(dir);
}

TEST(reliability, a_terminal_that_hangs_up_anywhere_ends_the_program) {
    for (const stage &st : STAGES) {
        SCOPED_TRACE(st.name);
        session_options options;
        options.boards = boards();
        terminal_session s(options);
        s.type(st.keys);
        ASSERT_TRUE(shows(s, st)) << s.dump();
        std::string on_disk = *s.read_file("boards.txt");
        s.hang_up();
        // Curses cannot give back a terminal that is gone: status 255.
        EXPECT_EQ(s.wait_exit(3.0), 255);
        EXPECT_EQ(s.signal_that_ended_it(), 0);
        EXPECT_LT(s.cpu_seconds(), 1.0);
        EXPECT_EQ(s.read_file("boards.txt"), on_disk);
    }
}

TEST(reliability, termination_signals_never_save) {
    for (int sig : {SIGTERM, SIGHUP}) {
        SCOPED_TRACE(sig);
        session_options options;
        options.boards = boards();
        terminal_session s(options);
        s.type("x/x s"); // an edit, and the save prompt waiting
        s.send_signal(sig);
        EXPECT_EQ(s.wait_exit(3.0), 0);
        EXPECT_TRUE(s.terminal_modes_restored());
        EXPECT_FALSE(s.alternate_screen());
        EXPECT_EQ(s.read_file("boards.txt"), boards());
    }
}

// A termination signal that comes at any moment while the game takes a key
// and goes back to waiting for the next still ends it at once, never only
// after one more key. Run after run, the signal follows the key a little
// later, over all the time the key takes and beyond.
TEST(reliability, a_termination_signal_any_time_around_a_key_ends_the_game_at_once) {
    using clock_type = std::chrono::steady_clock;
    session_options options;
    options.boards = boards();
    clock_type::duration key_time;
    {
        terminal_session s(options);
        auto start = clock_type::now();
        s.type("x");
        key_time = clock_type::now() - start;
    }
    const int runs = 24;
    for (int run = 0; run < runs; run++) {
        SCOPED_TRACE(run);
        terminal_session s(options);
        s.send_unsettled("x");
        std::this_thread::sleep_for(key_time * 3 * run / (2 * runs));
        s.send_signal(SIGTERM);
        ASSERT_EQ(s.wait_exit(2.0), 0);
        EXPECT_TRUE(s.terminal_modes_restored());
        EXPECT_FALSE(s.alternate_screen());
    }
}

namespace {

// Everything a player sees on an 80 x 25 screen: characters, colours, bold,
// the cursor and whether it shows.
std::string seen(const terminal_session &s) {
    std::string out;
    for (int r = 0; r < 25; r++) {
        out += s.styled(r, 0, 80) + "\n";
    }
    return out + "cursor " + std::to_string(s.cursor_row()) + "," + std::to_string(s.cursor_col()) +
           (s.cursor_visible() ? " visible" : " hidden");
}

} // namespace

// A terminal smaller than the game shows what size it needs and waits:
// keys answer nothing, a resize is no key, and the screen that was showing
// comes back as it was, still waiting for the same key.
TEST(reliability, a_terminal_too_small_says_so_and_the_screen_comes_back_whole) {
    session_options options;
    options.boards = boards();
    terminal_session reference(options);
    const std::string title = seen(reference);

    options.rows = 20;
    options.cols = 70;
    terminal_session s(options);
    EXPECT_EQ(s.row_text(0), "Grubblet Plonko needs a terminal of at least 80 columns by 25 rows;")
        << s.dump();
    EXPECT_EQ(s.row_text(1), "this one has 70 by 20. Enlarge it to go on, or press q to quit.");
    EXPECT_FALSE(s.cursor_visible());
    s.type("x6");
    s.resize(25, 80);
    EXPECT_EQ(seen(s), title);

    // In play, in the editor and at a confirmation prompt alike.
    const char *const steps[] = {"x", "/", "s"};
    for (const char *keys : steps) {
        SCOPED_TRACE(keys);
        s.type(keys);
        const std::string before = seen(s);
        s.resize(24, 80);
        EXPECT_EQ(s.row_text(1), "80 by 24. Enlarge it to go on, or press q to quit.") << s.dump();
        s.type("6Y ");
        s.resize(30, 100);
        EXPECT_EQ(seen(s), before);
    }
    s.type("Y");
    EXPECT_EQ(s.text(0, 0, 15), "Save successful");
    EXPECT_EQ(s.read_file("boards.txt")->size(), 17505u);
    s.type("x");

    // q while too small ends the program at once, saving nothing.
    s.type("x/x");
    const std::string on_disk = *s.read_file("boards.txt");
    s.resize(10, 40);
    s.type("q");
    EXPECT_EQ(s.wait_exit(), 0);
    EXPECT_TRUE(s.terminal_modes_restored());
    EXPECT_FALSE(s.alternate_screen());
    EXPECT_EQ(s.read_file("boards.txt"), on_disk);
}

TEST(reliability, a_resize_is_no_key_and_redraws_what_is_showing) {
    session_options options;
    options.boards = boards();
    terminal_session s(options);

    // The title stays up through resizes, and a key still dismisses it.
    s.resize(30, 100);
    EXPECT_EQ(s.row_text(0), "Fenwhistle Presents:");
    s.resize(25, 80);
    EXPECT_EQ(s.row_text(0), "Fenwhistle Presents:");
    s.type("x");
    EXPECT_EQ(s.text(24, 0, 9), "Tummy: 99");

    // In play a resize costs no turn.
    s.resize(26, 90);
    EXPECT_EQ(s.text(24, 0, 9), "Tummy: 99");
    EXPECT_EQ(s.cell(22, 5).ch, "@");

    // A message stays until a key.
    s.type("33");
    EXPECT_EQ(s.row_text(24), "OUCH CRAP I STEPPED ON A MINE");
    s.resize(25, 80);
    EXPECT_EQ(s.row_text(24), "OUCH CRAP I STEPPED ON A MINE");
    s.type("x");
    EXPECT_EQ(s.text(24, 0, 10), "Tummy: 100");
    EXPECT_TRUE(s.running());
    EXPECT_EQ(s.scrolled_lines(), 0);
}

namespace {

// Saving as a user who may not write: the writing error, "saving error",
// the level still in the editor, and the file as it was.
void expect_save_refused(terminal_session &s, const std::string &before) {
    s.type("x/x sY");
    EXPECT_EQ(s.text(0, 0, 46), "Error: couldn't access boards.txt for writing.");
    EXPECT_EQ(s.text(1, 0, 13), "press any key");
    s.type("x");
    EXPECT_EQ(s.text(3, 0, 12), "saving error");
    s.type("x");
    EXPECT_EQ(s.cell(12, 40).ch, "&");
    EXPECT_EQ(s.read_file("boards.txt"), before);
    EXPECT_TRUE(s.running());
}

} // namespace

TEST(reliability, a_write_protected_file_is_not_replaced) {
    session_options options;
    options.boards = boards();
    options.unprivileged = true;
    options.prepare = [](const std::string &dir) {
        chmod(dir.c_str(), 0777); // the directory would allow a rename
        chmod((dir + "/boards.txt").c_str(), 0444);
    };
    terminal_session s(options);
    expect_save_refused(s, boards());
}

TEST(reliability, a_writable_file_in_a_write_protected_directory_is_saved_in_place) {
    session_options options;
    options.boards = boards();
    options.unprivileged = true;
    options.prepare = [](const std::string &dir) {
        chmod((dir + "/boards.txt").c_str(), 0666);
        chmod(dir.c_str(), 0555);
    };
    terminal_session s(options);
    s.type("x/x sY");
    EXPECT_EQ(s.text(0, 0, 15), "Save successful") << s.dump();
    std::optional<std::string> saved = s.read_file("boards.txt");
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(saved->size(), 17505u);
    EXPECT_NE(*saved, boards());
    chmod(s.dir().c_str(), 0755);
}
