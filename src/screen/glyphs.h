// The look of the board, without the terminal: the game's colours, the
// colour pairs made of them, and the glyph of every cell kind, the player,
// the trail and the marks. The terminal draws them through curses; the level
// checker draws its routes with them as plain text, so both show the same.
//
// What must hold: nothing here needs curses, so tools without a terminal can
// link it.
#ifndef GRUBBLET_GLYPHS_H
#define GRUBBLET_GLYPHS_H

#include <string>

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

// A board of glyphs as lines of text for a terminal without curses: each
// glyph in its colours as ANSI escapes when `colour` is set, else its
// character alone.
std::string board_text(const glyph (&board)[24][80], bool colour);

#endif
