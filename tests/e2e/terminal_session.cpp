// The pseudo-terminal session behind the end-to-end tests.
#include "terminal_session.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <ftw.h>
#include <poll.h>
#include <pty.h>
#include <sstream>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#ifndef GRUBBLET_BINARY
#error "GRUBBLET_BINARY must name the game executable"
#endif

namespace {

using clock_type = std::chrono::steady_clock;

double seconds_since(clock_type::time_point start) {
    return std::chrono::duration<double>(clock_type::now() - start).count();
}

std::string colour_name(const VTermColor &c, bool foreground) {
    if (foreground ? VTERM_COLOR_IS_DEFAULT_FG(&c) : VTERM_COLOR_IS_DEFAULT_BG(&c)) {
        return "default";
    }
    if (!VTERM_COLOR_IS_INDEXED(&c)) {
        return "rgb";
    }
    static const char *const names[8] = {"black", "red",     "green", "yellow",
                                         "blue",  "magenta", "cyan",  "white"};
    int idx = c.indexed.idx;
    if (idx < 8) {
        return names[idx];
    }
    if (idx < 16) {
        return std::string("bright-") + names[idx - 8];
    }
    return "colour" + std::to_string(idx);
}

int remove_entry(const char *path, const struct stat *, int, struct FTW *) {
    // Tests may leave files without write permission behind.
    chmod(path, 0700);
    return remove(path);
}

void remove_tree(const std::string &path) {
    if (!path.empty()) {
        nftw(path.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS);
    }
}

} // namespace

terminal_session::terminal_session(const session_options &options) : options_(options) {
    start(options);
}

terminal_session::~terminal_session() {
    if (pid_ > 0 && !exited_) {
        kill(pid_, SIGKILL);
        reap(true);
    }
    check_sanitizer_logs();
    if (vt_ != nullptr) {
        vterm_free(vt_);
    }
    if (master_ >= 0) {
        close(master_);
    }
    if (slave_ >= 0) {
        close(slave_);
    }
    if (options_.tmpfs_kib > 0) {
        umount2(dir_.c_str(), MNT_DETACH);
    }
    remove_tree(dir_.substr(0, dir_.rfind('/')));
}

void terminal_session::start(const session_options &options) {
    // Writing a key to a program that has just ended must fail, not kill the
    // test.
    signal(SIGPIPE, SIG_IGN);
    char base[] = "/tmp/grubblet-e2e-XXXXXX";
    if (mkdtemp(base) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    dir_ = std::string(base) + "/game";
    mkdir(dir_.c_str(), 0755);
    if (options.tmpfs_kib > 0) {
        const std::string size = "size=" + std::to_string(options.tmpfs_kib) + "k,mode=0755";
        if (mount("tmpfs", dir_.c_str(), "tmpfs", 0, size.c_str()) != 0) {
            options_.tmpfs_kib = 0;
            remove_tree(base);
            throw std::runtime_error("mounting a tmpfs failed");
        }
    }
    std::string logs = std::string(base) + "/logs";
    mkdir(logs.c_str(), 0755);
    // Let an unprivileged child of a test reach the game's directory.
    chmod(base, 0755);
    if (options.boards) {
        std::ofstream(path("boards.txt"), std::ios::binary) << *options.boards;
    }
    if (options.prepare) {
        options.prepare(dir_);
    }

    winsize size = {};
    size.ws_row = static_cast<unsigned short>(options.rows);
    size.ws_col = static_cast<unsigned short>(options.cols);
    if (openpty(&master_, &slave_, nullptr, nullptr, &size) != 0) {
        throw std::runtime_error("openpty failed");
    }
    tcgetattr(slave_, &original_modes_);

    std::vector<std::string> env = {
        "TERM=" + options.term,
        "ESCDELAY=25",
        "PATH=/usr/bin:/bin",
        "ASAN_OPTIONS=log_path=" + logs + "/asan:detect_leaks=1",
        "UBSAN_OPTIONS=log_path=" + logs + "/ubsan:print_stacktrace=1:halt_on_error=1",
        std::string("LSAN_OPTIONS=print_suppressions=0:suppressions=") + GRUBBLET_LSAN_SUPPRESSIONS,
    };
    env.insert(env.end(), options.env.begin(), options.env.end());
    std::vector<char *> envp;
    for (std::string &e : env) {
        envp.push_back(&e[0]);
    }
    envp.push_back(nullptr);
    std::vector<std::string> command = options.command;
    if (command.empty()) {
        command.push_back(GRUBBLET_BINARY);
    }
    std::vector<char *> argv;
    for (std::string &word : command) {
        argv.push_back(&word[0]);
    }
    argv.push_back(nullptr);

    pid_ = fork();
    if (pid_ == 0) {
        setsid();
        ioctl(slave_, TIOCSCTTY, 0);
        dup2(slave_, 0);
        dup2(slave_, 1);
        dup2(slave_, 2);
        close(master_);
        close(slave_);
        if (options.unprivileged && (setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(125);
        }
        if (chdir(dir_.c_str()) != 0) {
            _exit(126);
        }
        if (options.before_exec) {
            options.before_exec();
        }
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);

    vt_ = vterm_new(options.rows, options.cols);
    vterm_set_utf8(vt_, 1);
    vterm_output_set_callback(vt_, on_output, this);
    screen_ = vterm_obtain_screen(vt_);
    static VTermScreenCallbacks callbacks = {};
    callbacks.settermprop = on_settermprop;
    callbacks.sb_pushline = on_pushline;
    vterm_screen_set_callbacks(screen_, &callbacks, this);
    vterm_screen_enable_altscreen(screen_, 1);
    vterm_screen_reset(screen_, 1);
    // Keep the colour the program chose: bold must not brighten it.
    vterm_state_set_bold_highbright(vterm_obtain_state(vt_), 0);
    settle();
}

int terminal_session::on_settermprop(VTermProp prop, VTermValue *val, void *user) {
    auto *self = static_cast<terminal_session *>(user);
    switch (prop) {
    case VTERM_PROP_CURSORVISIBLE: self->cursor_visible_ = val->boolean != 0; break;
    case VTERM_PROP_CURSORBLINK: self->cursor_blink_ = val->boolean != 0; break;
    case VTERM_PROP_ALTSCREEN: self->altscreen_ = val->boolean != 0; break;
    default: break;
    }
    return 1;
}

int terminal_session::on_pushline(int, const VTermScreenCell *, void *user) {
    static_cast<terminal_session *>(user)->scrolled_lines_++;
    return 1;
}

void terminal_session::on_output(const char *bytes, size_t len, void *user) {
    auto *self = static_cast<terminal_session *>(user);
    // Only key presses go to the program; the emulator's answers to queries
    // are not wanted.
    if (self->capturing_keys_) {
        self->key_bytes_.append(bytes, len);
    }
}

bool terminal_session::drain(int timeout_ms) {
    bool got = false;
    pollfd pfd = {master_, POLLIN, 0};
    while (master_ >= 0 && poll(&pfd, 1, got ? 0 : timeout_ms) > 0) {
        char buf[8192];
        ssize_t n = read(master_, buf, sizeof buf);
        if (n <= 0) {
            break;
        }
        bytes_received_ += static_cast<std::size_t>(n);
        feed(buf, static_cast<std::size_t>(n));
        got = true;
    }
    return got;
}

// Passes the program's output to the emulator, carrying out "repeat the last
// character" (CSI n b) itself: this libvterm leaves the cursor one cell
// short after a repeat that reaches the last column, which a real terminal
// does not.
void terminal_session::feed(const char *bytes, std::size_t len) {
    std::string out;
    for (std::size_t i = 0; i < len; i++) {
        char ch = bytes[i];
        switch (parse_state_) {
        case parse_state::text:
            if (ch == '\033') {
                parse_state_ = parse_state::escape;
                pending_ = ch;
                continue;
            }
            if (ch >= 0x20 && ch < 0x7f) {
                last_printed_ = ch;
            }
            out += ch;
            continue;
        case parse_state::escape:
            pending_ += ch;
            if (ch == '[') {
                parse_state_ = parse_state::control;
            } else if (ch == '(' || ch == ')') {
                parse_state_ = parse_state::charset;
            } else {
                out += pending_;
                parse_state_ = parse_state::text;
            }
            continue;
        case parse_state::charset:
            out += pending_ + ch;
            parse_state_ = parse_state::text;
            continue;
        case parse_state::control:
            pending_ += ch;
            if (ch >= 0x40 && ch <= 0x7e) {
                std::string params = pending_.substr(2, pending_.size() - 3);
                if (ch == 'b' && !params.empty() &&
                    params.find_first_not_of("0123456789") == std::string::npos) {
                    out.append(static_cast<std::size_t>(std::stoi(params)), last_printed_);
                } else {
                    out += pending_;
                }
                parse_state_ = parse_state::text;
            }
            continue;
        }
    }
    vterm_input_write(vt_, out.data(), out.size());
}

bool terminal_session::blocked_reading_terminal() const {
    std::ifstream in("/proc/" + std::to_string(pid_) + "/syscall");
    std::string number, first, second, third;
    in >> number >> first >> second >> third;
    // Blocked in read(2) on fd 0, where the program takes its keys from, or
    // waiting without a time-out in ppoll(2) on one descriptor, as the game
    // waits for a key (curses' own waits for the rest of a sequence have
    // one).
    return (number == std::to_string(SYS_read) && first == "0x0") ||
           (number == std::to_string(SYS_ppoll) && second == "0x1" && third == "0x0");
}

bool terminal_session::reap(bool block) {
    if (exited_) {
        return true;
    }
    int status = 0;
    rusage usage = {};
    pid_t got = wait4(pid_, &status, block ? 0 : WNOHANG, &usage);
    if (got != pid_) {
        return false;
    }
    exited_ = true;
    cpu_seconds_ = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    if (WIFEXITED(status)) {
        status_ = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        term_signal_ = WTERMSIG(status);
        status_ = -1;
    }
    drain(0);
    return true;
}

bool terminal_session::running() {
    return !reap(false);
}

long terminal_session::sleeps() const {
    std::ifstream in("/proc/" + std::to_string(pid_) + "/status");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("voluntary_ctxt_switches:", 0) == 0) {
            return std::stol(line.substr(line.find(':') + 1));
        }
    }
    return -1;
}

bool terminal_session::settle(long sleeps_before) {
    auto start = clock_type::now();
    for (;;) {
        drain(0);
        if (reap(false)) {
            return true;
        }
        // Bytes written to the terminal reach the program's input queue a
        // moment later, and wake the program; having gone to sleep again
        // shows that it has taken them.
        int unread = 0;
        ioctl(slave_, FIONREAD, &unread);
        if (unread == 0 && sleeps() > sleeps_before && blocked_reading_terminal()) {
            // Blocked on the terminal, the program cannot write any more:
            // what it wrote is all in the terminal's buffer now.
            drain(0);
            return true;
        }
        if (seconds_since(start) > options_.key_timeout) {
            ADD_FAILURE() << "the program neither waited for a key nor ended within "
                          << options_.key_timeout << " s; screen:\n"
                          << dump();
            return false;
        }
        drain(1);
    }
}

void terminal_session::write_key_bytes() {
    std::string bytes;
    bytes.swap(key_bytes_);
    long sleeps_before = sleeps();
    // One write per key, as a terminal sends it.
    if (master_ >= 0 && !bytes.empty()) {
        ssize_t n = write(master_, bytes.data(), bytes.size());
        EXPECT_EQ(n, static_cast<ssize_t>(bytes.size()));
    }
    settle(sleeps_before);
}

void terminal_session::send_unsettled(const std::string &bytes) {
    if (master_ >= 0 && !bytes.empty()) {
        ssize_t n = write(master_, bytes.data(), bytes.size());
        EXPECT_EQ(n, static_cast<ssize_t>(bytes.size()));
    }
}

void terminal_session::type(const std::string &text) {
    for (char ch : text) {
        capturing_keys_ = true;
        vterm_keyboard_unichar(vt_, static_cast<unsigned char>(ch), VTERM_MOD_NONE);
        capturing_keys_ = false;
        write_key_bytes();
    }
}

void terminal_session::press(VTermKey key, VTermModifier mod) {
    capturing_keys_ = true;
    vterm_keyboard_key(vt_, key, mod);
    capturing_keys_ = false;
    write_key_bytes();
}

void terminal_session::send_raw(const std::string &bytes) {
    key_bytes_ = bytes;
    write_key_bytes();
}

int terminal_session::wait_exit(double seconds) {
    auto start = clock_type::now();
    while (!reap(false)) {
        if (seconds_since(start) > seconds) {
            ADD_FAILURE() << "the program did not end within " << seconds << " s; screen:\n"
                          << dump();
            kill(pid_, SIGKILL);
            reap(true);
            return -1;
        }
        if (!drain(2)) {
            usleep(1000);
        }
    }
    return status_;
}

void terminal_session::hang_up() {
    close(master_);
    master_ = -1;
}

void terminal_session::resize(int rows, int cols) {
    winsize size = {};
    size.ws_row = static_cast<unsigned short>(rows);
    size.ws_col = static_cast<unsigned short>(cols);
    int old_rows = 0, old_cols = 0;
    vterm_get_size(vt_, &old_rows, &old_cols);
    if (rows == old_rows && cols == old_cols) {
        return;
    }
    vterm_set_size(vt_, rows, cols);
    // The terminal tells the program with SIGWINCH, which interrupts its wait
    // for a key; wait until it is back there, having drawn the screen again.
    long sleeps_before = sleeps();
    ioctl(master_, TIOCSWINSZ, &size);
    settle(sleeps_before);
}

void terminal_session::send_signal(int sig) {
    kill(pid_, sig);
}

screen_cell terminal_session::cell(int row, int col) const {
    VTermScreenCell c = {};
    vterm_screen_get_cell(screen_, VTermPos{row, col}, &c);
    screen_cell out;
    uint32_t ch = c.chars[0];
    out.ch = ch == 0 ? " " : std::string(1, static_cast<char>(ch < 128 ? ch : '?'));
    out.fg = colour_name(c.fg, true);
    out.bg = colour_name(c.bg, false);
    out.bold = c.attrs.bold != 0;
    return out;
}

std::string terminal_session::text(int row, int col, int len) const {
    std::string out;
    for (int c = col; c < col + len; c++) {
        out += cell(row, c).ch;
    }
    return out;
}

std::string terminal_session::row_text(int row) const {
    int rows = 0, cols = 0;
    vterm_get_size(vt_, &rows, &cols);
    std::string out = text(row, 0, cols);
    out.erase(out.find_last_not_of(' ') + 1);
    return out;
}

std::string terminal_session::styled(int row, int col, int len) const {
    std::string out;
    std::string current;
    for (int c = col; c < col + len; c++) {
        screen_cell sc = cell(row, c);
        std::string look = (sc.fg == "default" && sc.bg == "default" && !sc.bold)
                               ? "[-]"
                               : "[" + sc.fg + "/" + sc.bg + (sc.bold ? "+b" : "") + "]";
        if (look != current) {
            out += look;
            current = look;
        }
        out += sc.ch;
    }
    return out;
}

std::string terminal_session::dump() const {
    int rows = 0, cols = 0;
    vterm_get_size(vt_, &rows, &cols);
    std::ostringstream out;
    for (int r = 0; r < rows; r++) {
        out << (r < 10 ? " " : "") << r << "|" << row_text(r) << "\n";
    }
    out << "cursor " << cursor_row() << "," << cursor_col()
        << (cursor_visible_ ? " visible" : " hidden") << "\n";
    return out.str();
}

int terminal_session::cursor_row() const {
    VTermPos pos;
    vterm_state_get_cursorpos(vterm_obtain_state(vt_), &pos);
    return pos.row;
}

int terminal_session::cursor_col() const {
    VTermPos pos;
    vterm_state_get_cursorpos(vterm_obtain_state(vt_), &pos);
    return pos.col;
}

std::optional<std::string> terminal_session::read_file(const std::string &name) const {
    std::ifstream in(path(name), std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

bool terminal_session::terminal_modes_restored() const {
    termios now = {};
    tcgetattr(slave_, &now);
    return now.c_iflag == original_modes_.c_iflag && now.c_oflag == original_modes_.c_oflag &&
           now.c_lflag == original_modes_.c_lflag &&
           std::memcmp(now.c_cc, original_modes_.c_cc, sizeof now.c_cc) == 0;
}

void terminal_session::check_sanitizer_logs() {
    std::string logs = dir_.substr(0, dir_.rfind('/')) + "/logs";
    DIR *d = opendir(logs.c_str());
    if (d == nullptr) {
        return;
    }
    while (dirent *entry = readdir(d)) {
        if (entry->d_name[0] == '.') {
            continue;
        }
        std::ifstream in(logs + "/" + entry->d_name);
        std::ostringstream content;
        content << in.rdbuf();
        ADD_FAILURE() << "the program reported:\n" << content.str();
        std::remove((logs + "/" + entry->d_name).c_str());
    }
    closedir(d);
}

std::string shipped_boards() {
    std::ifstream in(GRUBBLET_SHIPPED_BOARDS, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

level_text &level_text::put(int row, int col, const std::string &cells) {
    rows.at(static_cast<std::size_t>(row))
        .replace(static_cast<std::size_t>(col), cells.size(), cells);
    return *this;
}

level_text &level_text::floor() {
    return put(23, 0, std::string(80, '&'));
}

std::string make_boards(const std::vector<level_text> &levels) {
    std::string out;
    for (std::size_t b = 0; b < 9; b++) {
        level_text level = b < levels.size() ? levels[b] : level_text();
        for (const std::string &row : level.rows) {
            out += row + "\n";
        }
        out += "\n";
    }
    return out;
}
