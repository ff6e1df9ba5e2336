// Terminal set-up and tear-down, the colour pairs, and the key reader that
// every wait for a key goes through.
#include "screen.h"

#include "../game/game_state.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <term.h>

// Set by SIGTERM, SIGHUP and SIGINT: the next key read reports that input has
// ended, so the program winds down as on `q`, without saving.
static volatile std::sig_atomic_t stop_signalled = 0;

static void note_stop_signal(int) {
    stop_signalled = 1;
}

// No SA_RESTART: a signal interrupts the blocking key read, which then sees
// the flag.
static void catch_stop_signals() {
    struct sigaction action = {};
    action.sa_handler = note_stop_signal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

// A control+arrow key as the terminal sends it, and the code the game knows it
// by. Terminals that describe the key name its sequence in terminfo; xterm's
// sequence is accepted as well, as most terminals send it.
struct control_arrow {
    const char *capability;
    const char *xterm_sequence;
    int code;
};

static const control_arrow CONTROL_ARROWS[] = {
    {"kLFT5", "\033[1;5D", CTL_LEFT},
    {"kRIT5", "\033[1;5C", CTL_RIGHT},
    {"kUP5", "\033[1;5A", CTL_UP},
    {"kDN5", "\033[1;5B", CTL_DOWN},
};

// curses codes that stand for control+arrow keys, and the CTL_ code of each.
static int known_codes[8];
static int known_targets[8];
static int known_count = 0;

static void recognise_sequence(const char *sequence, int code) {
    int existing = key_defined(sequence);
    if (existing > 0) {
        if (existing != code && known_count < 8) {
            known_codes[known_count] = existing;
            known_targets[known_count] = code;
            known_count++;
        }
    } else if (existing == 0) {
        define_key(sequence, code);
    }
}

static void recognise_control_arrows() {
    for (const control_arrow &key : CONTROL_ARROWS) {
        char *described = tigetstr(key.capability);
        if (described != nullptr && described != reinterpret_cast<char *>(-1)) {
            recognise_sequence(described, key.code);
        }
        recognise_sequence(key.xterm_sequence, key.code);
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
    recognise_control_arrows();
    raw();
    nodelay(stdscr, FALSE);
    noecho();
    nonl();
}

int start_game() {
    if (allocate_boards() != 0) {
        return 1;
    }
    catch_stop_signals();
    if (newterm(nullptr, stdout, stdin) == nullptr) {
        const char *term = std::getenv("TERM");
        std::fprintf(stderr, "grubblet: cannot use the terminal type \"%s\"\n",
                     term != nullptr ? term : "");
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

int read_key() {
    for (;;) {
        if (stop_signalled) {
            return KEY_INPUT_ENDED;
        }
        errno = 0;
        int key = wgetch(stdscr);
        if (key == ERR) {
            // Interrupted by a signal: look at the flag and read again.
            // Anything else means the keyboard is gone for good, and reading
            // again would only spin.
            if (errno == EINTR) {
                continue;
            }
            return KEY_INPUT_ENDED;
        }
        if (key == KEY_RESIZE) {
            // curses has resized its screen; the next read shows it again.
            continue;
        }
        for (int i = 0; i < known_count; i++) {
            if (key == known_codes[i]) {
                return known_targets[i];
            }
        }
        return key;
    }
}

void draw_glyph(int row, int col, glyph g) {
    // Copying a finished cell, rather than adding a character, keeps the
    // current text attribute (the editor's bold) out of the glyph.
    chtype cell = static_cast<unsigned char>(g.ch) | COLOR_PAIR(g.pair) | (g.bold ? A_BOLD : 0);
    mvaddchnstr(row, col, &cell, 1);
}
