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

#include "glyphs.h"

#include <curses.h>

// Board rows occupy screen rows 0..23; row 24 is the status and message line.
enum { STATUS_ROW = 24, SCREEN_ROWS = 25, SCREEN_COLS = 80 };

// Every screen is drawn into this off-screen canvas of SCREEN_ROWS by
// SCREEN_COLS; each wait for a key shows it on the terminal. So a screen
// survives a terminal too small for it, and comes back whole when the
// terminal is big enough again.
extern WINDOW *canvas;
// Records the cursor the screen drawn on the canvas wants at its key wait,
// where the canvas's own cursor stands: 0 hidden, 1 normal, 2 very visible.
// Nothing changes on the terminal until the canvas is shown at that wait.
void show_cursor(int visibility);

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
// glyphs. Returns 0, or 1 with the terminal untouched: standard input or
// output is not a terminal, the terminal type is unknown or cannot move the
// cursor or show colours (each with a line on standard error), or memory ran
// out.
int start_game();
// Puts the current curses screen into the game's modes: hidden cursor,
// colour pairs, keypad keys with control+arrows, raw, blocking, no echo.
void set_up_screen();
// Ends the curses mode; returns what ending it returned (0 on success).
int end_terminal();
// Fills in the rules' display interface with this screen's scenes.
void connect_display();

// Shows the canvas and waits for one key. Control+arrow keys come back as
// the CTL_ codes, the numeric keypad's digits as the digit characters
// whatever mode the keypad is in; a resize is not a key. While the terminal is smaller than
// the canvas, a notice of the size needed shows instead and every key is
// dropped, but q, which ends the program. Returns KEY_INPUT_ENDED once input
// is gone or q was pressed so.
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
