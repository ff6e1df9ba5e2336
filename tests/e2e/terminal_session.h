// Runs the real game in a pseudo-terminal, types keys as a user would, and
// reads the screen back through libvterm: characters, colours by name, bold,
// the cursor, and the exit status.
//
// Synchronisation: after every key the session waits until the program has
// read everything typed, gone to sleep since, and is waiting on the terminal
// again (Linux shows this in /proc/PID/syscall and /proc/PID/status), then
// drains the program's output into the emulator. Nothing relies on timed
// pauses. A program that neither settles nor exits
// within a few seconds fails the test with a dump of the screen.
#ifndef GRUBBLET_TERMINAL_SESSION_H
#define GRUBBLET_TERMINAL_SESSION_H

#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>
#include <termios.h>
#include <vector>
#include <vterm.h>

struct session_options {
    int rows = 25;
    int cols = 80;
    // Content of boards.txt in the program's fresh directory; none when empty.
    std::optional<std::string> boards;
    // Runs in the program's directory before the program starts.
    std::function<void(const std::string &dir)> prepare;
    std::string term = "xterm-256color";
    // Seconds a single key may take before the test fails.
    double key_timeout = 10.0;
    // Runs the program as the unprivileged user nobody.
    bool unprivileged = false;
    // When not 0, the program's directory is a tmpfs of this many KiB,
    // mounted for the session (root only; the session throws otherwise).
    int tmpfs_kib = 0;
    // Runs in the program's process just before it starts the program:
    // limits and faults that only that process should meet.
    std::function<void()> before_exec;
    // The program and its arguments; the game when empty.
    std::vector<std::string> command;
    // More environment variables, NAME=value.
    std::vector<std::string> env;
};

struct screen_cell {
    std::string ch; // the character, " " for a blank
    std::string fg; // colour by name: "black", "red", ..., or "default"
    std::string bg;
    bool bold;
};

class terminal_session {
  public:
    explicit terminal_session(const session_options &options = {});
    ~terminal_session();
    terminal_session(const terminal_session &) = delete;
    terminal_session &operator=(const terminal_session &) = delete;

    // Types each character of text as one key press, waiting after each.
    void type(const std::string &text);
    // Presses a special key (Tab, Enter, Escape, arrows), optionally with
    // modifiers such as VTERM_MOD_CTRL.
    void press(VTermKey key, VTermModifier mod = VTERM_MOD_NONE);
    // Writes raw bytes as one burst, then waits.
    void send_raw(const std::string &bytes);
    // Writes raw bytes and returns at once, while the program takes them.
    void send_unsettled(const std::string &bytes);

    // Waits until the program is idle waiting for a key, or has exited,
    // having gone to sleep more than sleeps_before times in all. Returns
    // false (after recording a test failure) on a time-out.
    bool settle(long sleeps_before = -1);
    bool running();
    // Waits for the program to end; returns its exit status, or -1 when it
    // did not end in time or was killed by a signal.
    int wait_exit(double seconds = 10.0);
    int signal_that_ended_it() const {
        return term_signal_;
    }

    // Hangs the terminal up, as when the terminal window is closed.
    void hang_up();
    void resize(int rows, int cols);
    void send_signal(int sig);

    std::string row_text(int row) const;
    // Text of a stretch of a row.
    std::string text(int row, int col, int len) const;
    screen_cell cell(int row, int col) const;
    // A stretch of a row with its attributes: each run of cells with the same
    // look starts with [fg/bg] (or [fg/bg+b] when bold); blanks in the
    // terminal's default colours are [-].
    std::string styled(int row, int col, int len) const;
    std::string dump() const;

    int cursor_row() const;
    int cursor_col() const;
    bool cursor_visible() const {
        return cursor_visible_;
    }
    bool cursor_blinking() const {
        return cursor_blink_;
    }
    bool alternate_screen() const {
        return altscreen_;
    }
    // Lines that scrolled off the top: a frame drawn beyond the screen.
    int scrolled_lines() const {
        return scrolled_lines_;
    }

    // The program's directory, and files in it.
    const std::string &dir() const {
        return dir_;
    }
    std::string path(const std::string &name) const {
        return dir_ + "/" + name;
    }
    std::optional<std::string> read_file(const std::string &name) const;
    // Whether the terminal's modes are as they were before the program ran.
    bool terminal_modes_restored() const;
    // CPU time the ended program used, in seconds.
    double cpu_seconds() const {
        return cpu_seconds_;
    }
    pid_t pid() const {
        return pid_;
    }
    // Bytes the program has written to the terminal so far.
    std::size_t bytes_received() const {
        return bytes_received_;
    }

  private:
    void start(const session_options &options);
    void feed(const char *bytes, std::size_t len);
    bool drain(int timeout_ms);
    bool blocked_reading_terminal() const;
    // Times the program has gone to sleep waiting for something.
    long sleeps() const;
    bool reap(bool block);
    void write_key_bytes();
    void check_sanitizer_logs();

    static int on_settermprop(VTermProp prop, VTermValue *val, void *user);
    static int on_pushline(int cols, const VTermScreenCell *cells, void *user);
    static void on_output(const char *bytes, size_t len, void *user);

    session_options options_;
    std::string dir_;
    int master_ = -1;
    int slave_ = -1;
    pid_t pid_ = -1;
    bool exited_ = false;
    int status_ = -1;
    int term_signal_ = 0;
    double cpu_seconds_ = 0;
    std::size_t bytes_received_ = 0;
    termios original_modes_{};
    VTerm *vt_ = nullptr;
    VTermScreen *screen_ = nullptr;
    enum class parse_state { text, escape, charset, control };
    parse_state parse_state_ = parse_state::text;
    std::string pending_;     // an escape sequence not yet complete
    char last_printed_ = ' '; // what a repeat repeats
    std::string key_bytes_;
    bool capturing_keys_ = false;
    bool cursor_visible_ = true;
    bool cursor_blink_ = false;
    bool altscreen_ = false;
    int scrolled_lines_ = 0;
};

// One level as text, all '.' until cells are put into it.
struct level_text {
    std::vector<std::string> rows = std::vector<std::string>(24, std::string(80, '.'));
    // Writes cells into a row from a column on.
    level_text &put(int row, int col, const std::string &cells);
    // A row of walls along the bottom.
    level_text &floor();
};

// The levels shipped with the game, as the file holds them.
std::string shipped_boards();

// A board file of nine levels; levels not given are all empty.
std::string make_boards(const std::vector<level_text> &levels);

#endif
