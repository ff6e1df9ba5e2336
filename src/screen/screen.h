// The terminal: start and end of the curses mode, colour pairs, the glyphs
// every cell kind, the player and the trail are drawn with, the play view and
// its status line, the title screen, the scenes of the level outcomes, and
// the one key reader every wait for a key goes through.
//
// What must hold: a glyph always shows with exactly its own colour pair and
// bold, whatever the current text attribute is; formatted text (status
// lines, prompts, messages) takes the current text attribute, which the
// screens share.
#ifndef GRUBBLET_SCREEN_H
#define GRUBBLET_SCREEN_H

#include <curses.h>

// Colours as the game numbers them. curses numbers them otherwise; the
// terminal set-up maps each by name.
enum {
    INK_BLACK = 0,
    INK_BLUE = 1,
    INK_GREEN = 2,
    INK_CYAN = 3,
    INK_RED = 4,
    INK_MAGENTA = 5,
    INK_YELLOW = 6,
    INK_WHITE = 7,
};

// Colour pair n shows ink n mod 8 on background n div 8.
constexpr short colour_pair(int ink, int background) {
    return static_cast<short>(8 * background + ink);
}

enum : short {
    PAIR_BLUE = colour_pair(INK_BLUE, INK_BLACK),
    PAIR_GREEN = colour_pair(INK_GREEN, INK_BLACK),
    PAIR_CYAN = colour_pair(INK_CYAN, INK_BLACK),
    PAIR_RED = colour_pair(INK_RED, INK_BLACK),
    PAIR_YELLOW = colour_pair(INK_YELLOW, INK_BLACK),
    PAIR_WHITE = colour_pair(INK_WHITE, INK_BLACK),
    PAIR_YELLOW_ON_BLUE = colour_pair(INK_YELLOW, INK_BLUE),
    PAIR_BLACK_ON_RED = colour_pair(INK_BLACK, INK_RED),
};

// A character with its own colour pair and bold.
struct glyph {
    char ch;
    short pair;
    bool bold;
};

// Glyphs of the five cell kinds (indexed by cell_kind), the player and the
// trail. The start cell's entry is the player glyph; the play view shows
// start cells as START_GLYPH instead.
struct glyph_set {
    glyph cells[5];
    glyph player;
    glyph trail;      // trail before the fall mark
    glyph trail_hurt; // trail from the fall mark on
};
extern glyph_set glyph_table;

extern const glyph START_GLYPH;   // start cell in the play view
extern const glyph GAUGE_GLYPH;   // jump-reach mark
extern const glyph HURT_GLYPH;    // player after a painful fall
extern const glyph OUTCOME_GLYPH; // marker on the player in an outcome scene

// Board rows occupy screen rows 0..23; row 24 is the status and message line.
enum { STATUS_ROW = 24 };

// Key codes of the control+arrow keys, whatever the terminal sends for them.
enum {
    CTL_LEFT = 0x1BB,
    CTL_RIGHT = 0x1BC,
    CTL_UP = 0x1E0,
    CTL_DOWN = 0x1E1,
    // The keyboard is gone (the terminal hung up, input closed, or the
    // program was told to stop): every key reader treats it as quit.
    KEY_INPUT_ENDED = -1,
};

// Allocates the level storage, then sets up the terminal, colours and
// glyphs. Returns 0, or 1 when memory ran out (the terminal untouched).
int start_game();
// Puts the current curses screen into the game's modes: hidden cursor,
// colour pairs, keypad keys with control+arrows, raw, blocking, no echo.
void set_up_screen();
// Ends the curses mode; returns what ending it returned (0 on success).
int end_terminal();
// Fills in the rules' display interface with this screen's scenes.
void connect_display();

// Waits for one key. Control+arrow keys come back as the CTL_ codes; a
// resize is not a key. Returns KEY_INPUT_ENDED once input is gone.
int read_key();

// Draws a glyph at a position with exactly its own attributes.
void draw_glyph(int row, int col, glyph g);

// The board, the trail of the turn, the one-shot marks and the player.
void draw_play_view();
// The play view and the status line.
void draw_play_screen();
// The title screen, until any key.
void show_title();

#endif
