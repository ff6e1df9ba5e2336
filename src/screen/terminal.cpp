// Terminal set-up and tear-down, the colour pairs, the canvas every screen
// is drawn on, and the key reader that every wait for a key goes through: it
// shows the canvas on the terminal, or, on a terminal too small for it, a
// notice of the size the game needs and has, ignoring every key but q until
// the canvas fits again.
#include "screen.h"

#include "../game/game_state.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <term.h>
#include <unistd.h>

// Set by SIGTERM, SIGHUP and SIGINT: the next key read reports that input has
// ended, so the program winds down as on `q`, without saving.
static volatile std::sig_atomic_t stop_signalled = 0;

static void note_stop_signal(int) {
    stop_signalled = 1;
}

// No SA_RESTART: a signal that comes during the key read after the wait
// interrupts it, and the read loop then sees the flag.
static void catch_stop_signals() {
    struct sigaction action = {};
    action.sa_handler = note_stop_signal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

// A key the game knows whatever sequence the terminal sends for it: the
// terminal description's name for the key, the sequence most terminals send,
// and what the key reader returns.
struct known_key {
    const char *capability;
    const char *usual_sequence;
    int code;
};

// Control+arrow keys, as xterm sends them where the description names none.
static const known_key CONTROL_ARROWS[] = {
    {"kLFT5", "\033[1;5D", CTL_LEFT},
    {"kRIT5", "\033[1;5C", CTL_RIGHT},
    {"kUP5", "\033[1;5A", CTL_UP},
    {"kDN5", "\033[1;5B", CTL_DOWN},
};

// The numeric keypad's digits. curses switches the keypad to application
// mode (for the editor's arrow keys), and in that mode terminals send
// ESC O p .. ESC O y for 0 .. 9 instead of the digit characters; the
// terminal description names some of them (ka1 is the keypad's 7, and so
// on). Each comes back as its digit, so the keypad plays as the title says,
// and the keypad's / as the editor's key.
static const known_key KEYPAD_KEYS[] = {
    {"kpZRO", "\033Op", '0'}, {"kc1", "\033Oq", '1'},   {"kc2", "\033Or", '2'},
    {"kc3", "\033Os", '3'},   {"kb1", "\033Ot", '4'},   {"kb2", "\033Ou", '5'},
    {"kb3", "\033Ov", '6'},   {"ka1", "\033Ow", '7'},   {"ka2", "\033Ox", '8'},
    {"ka3", "\033Oy", '9'},   {"kpDIV", "\033Oo", '/'},
};

// curses codes the reader turns into other keys, and what each becomes.
enum { MAX_TRANSLATIONS = 2 * (sizeof CONTROL_ARROWS + sizeof KEYPAD_KEYS) / sizeof(known_key) };
static int translated_codes[MAX_TRANSLATIONS];
static int translated_targets[MAX_TRANSLATIONS];
static int translation_count = 0;
// Codes for sequences curses does not know yet, above every code of its own.
static int next_private_code = KEY_MAX + 1;

static void add_translation(int code, int target) {
    for (int i = 0; i < translation_count; i++) {
        if (translated_codes[i] == code) {
            return; // a key the description lists under two names keeps the first
        }
    }
    if (translation_count < MAX_TRANSLATIONS) {
        translated_codes[translation_count] = code;
        translated_targets[translation_count] = target;
        translation_count++;
    }
}

// Makes curses return target for a sequence: directly where target is a
// curses key code it does not use yet, through a translation otherwise.
static void recognise_sequence(const char *sequence, int target) {
    int existing = key_defined(sequence);
    if (existing > 0) {
        if (existing != target) {
            add_translation(existing, target);
        }
    } else if (existing == 0) {
        int code = target >= KEY_MIN ? target : next_private_code++;
        define_key(sequence, code);
        if (code != target) {
            add_translation(code, target);
        }
    }
}

static void recognise_keys(const known_key *keys, std::size_t count) {
    for (std::size_t i = 0; i < count; i++) {
        char *described = tigetstr(keys[i].capability);
        if (described != nullptr && described != reinterpret_cast<char *>(-1) &&
            *described != '\0') {
            recognise_sequence(described, keys[i].code);
        }
        recognise_sequence(keys[i].usual_sequence, keys[i].code);
    }
}

void set_up_screen() {
    curs_set(0);
    start_color();
    // curses numbers its colours in another order; map each by name.
    static const short curses_colour[8] = {COLOR_BLACK, COLOR_BLUE,    COLOR_GREEN,  COLOR_CYAN,
                                           COLOR_RED,   COLOR_MAGENTA, COLOR_YELLOW, COLOR_WHITE};
    // Pair 0 is the terminal's own default colours in curses and cannot be
    // redefined; nothing the game draws uses it.
    for (int background = 0; background < 8; background++) {
        for (int ink = 0; ink < 8; ink++) {
            short pair = colour_pair(ink, background);
            if (pair != 0) {
                init_pair(pair, curses_colour[ink], curses_colour[background]);
            }
        }
    }
    keypad(stdscr, TRUE);
    recognise_keys(CONTROL_ARROWS, sizeof CONTROL_ARROWS / sizeof CONTROL_ARROWS[0]);
    recognise_keys(KEYPAD_KEYS, sizeof KEYPAD_KEYS / sizeof KEYPAD_KEYS[0]);
    raw();
    nodelay(stdscr, FALSE);
    noecho();
    nonl();
}

WINDOW *canvas = nullptr;

// Why the game cannot draw on the terminal type, or nullptr when it can:
// read from the terminal description alone, before anything is sent.
static const char *terminal_shortcoming() {
    int error = 0;
    if (setupterm(nullptr, STDOUT_FILENO, &error) != OK) {
        return nullptr; // unknown: newterm says so
    }
    const char *lacks = nullptr;
    char *cup = tigetstr("cup");
    if (cup == nullptr || cup == reinterpret_cast<char *>(-1)) {
        lacks = "cannot move the cursor";
    } else if (tigetnum("colors") < 8 || tigetnum("pairs") < 64) {
        lacks = "has no colours";
    }
    del_curterm(cur_term);
    return lacks;
}

// Which of the game's two ends is not a terminal, or nullptr when both are.
// Curses would draw escape sequences into a pipe or a file, and read keys
// from it that nobody typed.
static const char *not_a_terminal() {
    if (!isatty(STDIN_FILENO)) {
        return "standard input";
    }
    if (!isatty(STDOUT_FILENO)) {
        return "standard output";
    }
    return nullptr;
}

int start_game() {
    if (const char *end = not_a_terminal()) {
        std::fprintf(stderr,
                     "grubblet: %s is not a terminal; start the game in a terminal window\n", end);
        return 1;
    }
    if (allocate_boards() != 0) {
        return 1;
    }
    catch_stop_signals();
    const char *term = std::getenv("TERM");
    const char *lacks = terminal_shortcoming();
    if (lacks != nullptr) {
        std::fprintf(stderr, "grubblet: terminal type \"%s\" %s; try TERM=xterm-256color\n",
                     term != nullptr ? term : "", lacks);
        free_boards();
        return 1;
    }
    if (newterm(nullptr, stdout, stdin) == nullptr) {
        std::fprintf(stderr, "grubblet: cannot use terminal type \"%s\"; try TERM=xterm-256color\n",
                     term != nullptr ? term : "");
        free_boards();
        return 1;
    }
    canvas = newpad(SCREEN_ROWS, SCREEN_COLS);
    if (canvas == nullptr) {
        endwin();
        free_boards();
        return 1;
    }
    set_up_screen();
    reset_trail();
    return 0;
}

int end_terminal() {
    return endwin();
}

// The cursor the screen on the canvas wants: 0 hidden, 1 normal, 2 very
// visible.
static int wanted_cursor = 0;

void show_cursor(int visibility) {
    wanted_cursor = visibility;
}

// q pressed while the terminal was too small: every key read from then on
// reports that input has ended, so the program winds down at once.
static bool quit_while_small = false;

static bool terminal_too_small() {
    return LINES < SCREEN_ROWS || COLS < SCREEN_COLS;
}

// Copies the canvas to the terminal's screen, cursor and all; the key read
// that follows shows it.
static void show_canvas() {
    // Whatever showed before (the notice) goes where the canvas does not
    // reach; curses still sends only what changed.
    wattrset(stdscr, A_NORMAL);
    werase(stdscr);
    copywin(canvas, stdscr, 0, 0, 0, 0, SCREEN_ROWS - 1, SCREEN_COLS - 1, FALSE);
    int row, col;
    getyx(canvas, row, col);
    wmove(stdscr, row, col);
    curs_set(wanted_cursor);
}

// Says, in whatever space there is, what size the game needs and has.
static void show_size_notice() {
    char text[200];
    std::snprintf(text, sizeof text,
                  "Grubblet Plonko needs a terminal of at least %d columns by %d rows; this one "
                  "has %d by %d. Enlarge it to go on, or press q to quit.",
                  SCREEN_COLS, SCREEN_ROWS, COLS, LINES);
    wattrset(stdscr, A_NORMAL);
    werase(stdscr);
    // Word-wrapped to the width there is.
    const char *at = text;
    for (int row = 0; row < LINES && *at != '\0'; row++) {
        int len = static_cast<int>(std::strlen(at));
        int take = len <= COLS ? len : COLS;
        if (take < len) {
            int space = take;
            while (space > 0 && at[space] != ' ') {
                space--;
            }
            if (space > 0) {
                take = space;
            }
        }
        mvwaddnstr(stdscr, row, 0, at, take);
        at += take;
        while (*at == ' ') {
            at++;
        }
    }
    curs_set(0);
}

// What waiting for a key came to.
enum wait_result { KEY_READ, INTERRUPTED, INPUT_GONE };

// Waits for the next key, a resize (read as KEY_RESIZE) or a stop signal,
// with no gap in which a signal goes unnoticed until a key comes: the stop
// signals and SIGWINCH stay blocked from the look at the flag until ppoll
// unblocks them for the wait itself. Curses then reads the key as ever,
// escape sequences and all.
static wait_result wait_for_key(int *key) {
    sigset_t waking, before;
    sigemptyset(&waking);
    sigaddset(&waking, SIGTERM);
    sigaddset(&waking, SIGHUP);
    sigaddset(&waking, SIGINT);
    sigaddset(&waking, SIGWINCH);
    sigprocmask(SIG_BLOCK, &waking, &before);
    wait_result result = INPUT_GONE;
    for (;;) {
        if (stop_signalled) {
            result = INTERRUPTED;
            break;
        }
        // A key curses holds already (the rest of what it read while
        // matching a sequence) or a resize it has been told of would leave
        // nothing on the terminal to wake the wait.
        nodelay(stdscr, TRUE);
        *key = wgetch(stdscr);
        nodelay(stdscr, FALSE);
        if (*key != ERR) {
            result = KEY_READ;
            break;
        }
        struct pollfd input = {STDIN_FILENO, POLLIN, 0};
        int ready = ppoll(&input, 1, nullptr, &before);
        if (ready > 0) {
            sigprocmask(SIG_SETMASK, &before, nullptr);
            // A signal from here on is seen at the next wait; the key is
            // on the terminal, so this read does not block for long.
            errno = 0;
            *key = wgetch(stdscr);
            if (*key != ERR) {
                return KEY_READ;
            }
            return errno == EINTR ? INTERRUPTED : INPUT_GONE;
        }
        // Interrupted by a signal: look at the flag and again at curses.
        // Anything else means the keyboard is gone for good, and waiting
        // again would only spin.
        if (ready == 0 || errno != EINTR) {
            break;
        }
    }
    sigprocmask(SIG_SETMASK, &before, nullptr);
    return result;
}

int read_key() {
    for (;;) {
        if (stop_signalled || quit_while_small) {
            return KEY_INPUT_ENDED;
        }
        // Every key wait shows the canvas, or, where it does not fit, the
        // notice; a key read while the notice shows answers nothing.
        const bool small = terminal_too_small();
        if (small) {
            show_size_notice();
        } else {
            show_canvas();
        }
        int key = ERR;
        wait_result waited = wait_for_key(&key);
        if (waited == INTERRUPTED) {
            continue; // the flag, or a resize curses has not told of yet
        }
        if (waited == INPUT_GONE) {
            return KEY_INPUT_ENDED;
        }
        if (key == KEY_RESIZE) {
            // curses has resized its screen; the next read shows it again.
            continue;
        }
        if (small) {
            // The player cannot see what a key would answer: only q counts.
            if (key == 'q' || key == 'Q') {
                quit_while_small = true;
            }
            continue;
        }
        for (int i = 0; i < translation_count; i++) {
            if (key == translated_codes[i]) {
                return translated_targets[i];
            }
        }
        return key;
    }
}

void draw_glyph(int row, int col, glyph g) {
    // Copying a finished cell, rather than adding a character, keeps the
    // current text attribute (the editor's bold) out of the glyph.
    chtype cell = static_cast<unsigned char>(g.ch) | COLOR_PAIR(g.pair) | (g.bold ? A_BOLD : 0);
    mvwaddchnstr(canvas, row, col, &cell, 1);
}
