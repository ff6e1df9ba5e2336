// The game rules: the nine stored levels, the board being played, the one
// game_state record, and the operations that change them (level reset, turn
// resolution, level outcomes).
//
// Nothing here touches the terminal. Where the rules must show the player
// something and wait for a key (a level outcome, a file error), they call
// through the display interface at the bottom of this header, which the
// screen side fills in at start-up. Left empty, nothing is shown and no key is
// awaited, so tests and tools can drive the rules headless.
//
// What must hold: 0 <= game.level <= 8; between turns rise_left and drift are
// 0; the player always stands on the board; trail_len never exceeds
// TRAIL_CAPACITY; grubblets_left is the number of grubblets on the play board
// (whoever changes the play board other than by a turn resets the level).
#ifndef GRUBBLET_GAME_STATE_H
#define GRUBBLET_GAME_STATE_H

#include <cstddef>
#include <cstdint>

enum {
    LEVEL_COUNT = 9,
    BOARD_ROWS = 24,
    BOARD_COLS = 80,
    TRAIL_CAPACITY = 160,
    // One past the capacity: no entry of this turn's trail is painful.
    FALL_MARK_NONE = 161,
};

// The content of one board cell.
using cell_kind = std::int8_t;
enum : cell_kind {
    CELL_EMPTY = 0,
    CELL_WALL = 1,
    CELL_MINE = 2,
    CELL_GRUBBLET = 3,
    CELL_START = 4,
    CELL_KIND_COUNT = 5,
};

// The character that stands for each cell kind, both in boards.txt and as the
// character of the kind's glyph on screen (the start cell shares the player's
// '@'). Indexed by cell_kind.
extern const char CELL_CHARS[CELL_KIND_COUNT];
// The cell kind a character stands for, or -1 for any other character.
int cell_of_char(int ch);

enum { MODE_PLAY = 0, MODE_EDIT = 1 };

// The move chosen by a play key, applied by the next turn.
using move_code = int;
enum : move_code {
    MOVE_NONE = 0,
    MOVE_WALK_LEFT = 1,
    MOVE_WALK_RIGHT = 2,
    MOVE_SPRINT_LEFT = 3,
    MOVE_SPRINT_RIGHT = 4,
    MOVE_HIGH_LEFT = 5,
    MOVE_HIGH_RIGHT = 6,
    MOVE_HIGH_UP = 7,
    MOVE_GAUGE = 8,
};

// The play key that chooses each move, indexed by move_code ('\0' for none);
// the digits lie as on the numeric keypad.
extern const char MOVE_KEYS[MOVE_GAUGE + 1];
// The move a key chooses, or MOVE_NONE for any other key.
move_code move_for_key(int key);

// What ended a life or a level.
using outcome_kind = int;
enum : outcome_kind {
    OUTCOME_MINE = 1,
    OUTCOME_FALL = 2,
    OUTCOME_STARVED = 3,
    OUTCOME_LEVEL_WON = 4,
    OUTCOME_GAME_WON = 5,
};

// Start values held as program variables so that a tuned build changes them in
// one place.
extern const int TUMMY_START;  // tummy after a level reset
extern const int HEALTH_START; // health after a level reset
extern const int TUMMY_MAX;    // eating never lifts the tummy above this

struct game_state {
    int level;                   // current level index 0..8, shown to the player as 1..9
    int mode;                    // MODE_PLAY or MODE_EDIT
    int quit_requested;          // the main loop shuts down at its next pass
    int game_won;                // the victory screen has been shown; no more play keys
    move_code pending_move;      // applied by the next turn, then MOVE_NONE
    int player_x, player_y;      // player column and row
    int start_x, start_y;        // the level's start cell (the last in reading order)
    int rise_left;               // cells still to rise in this turn, never negative
    int drift;                   // cells still to drift; negative is to the left
    int eaten_this_level;        // grubblets eaten since the last reset; lengthens jumps
    int grubblets_left;          // grubblets on the play board; the level is cleared at 0
    int tummy;                   // hunger meter; the player starves at 0
    int health;                  // health meter; the player dies at 0
    int trail_x[TRAIL_CAPACITY]; // cells the player left this turn, oldest first
    int trail_y[TRAIL_CAPACITY];
    int trail_len;  // valid trail entries
    int fall_mark;  // first trail index of the painful part of a fall, or FALL_MARK_NONE
    int show_gauge; // the next play view draws the jump-reach marks
    int show_hurt;  // the next play view draws the player as hurt
};

extern game_state game;

// The stored levels, level_set[level][row][column], as loaded from or saved
// to boards.txt; play never changes them. The play board,
// play_board[row][column], is the level being played: eaten grubblets vanish
// from it only.
extern cell_kind ***level_set;
extern cell_kind **play_board;

// Allocates the play board and the nine levels, every stored cell CELL_EMPTY.
// Returns 0, or 1 when memory ran out (nothing is left allocated then).
int allocate_boards();
// The zeroing allocator the level storage comes from (calloc); tests replace
// it to see what running out of memory does.
extern void *(*allocate_cells)(std::size_t count, std::size_t size);
void free_boards();

// Empties the trail and clears the fall mark.
void reset_trail();
// Puts the current level into its start-of-level condition: fresh play board,
// player on the start cell, tummy and health refilled, nothing eaten.
void reset_level();
// Resets the level, then switches to new_mode.
void set_mode(int new_mode);

// Everything a turn can change, so that tools can try a move and take it
// back.
struct play_snapshot {
    game_state state;
    cell_kind board[BOARD_ROWS][BOARD_COLS];
};
void take_snapshot(play_snapshot *out);
void restore_snapshot(const play_snapshot &snapshot);

// Resolves one turn: applies the pending move and moves the player cell by
// cell until at rest, raising level outcomes on the way.
void run_turn();
// Appends the player's position, before a move, to the trail.
void record_trail_step();

// Ends a life or a level: shows it, waits for a key, applies the consequence
// and resets the level.
void show_outcome(outcome_kind kind);
// Marks the game as won and shows the victory screen.
void show_victory();

// How the rules reach the player. Each entry may be left null.
struct display_interface {
    // Draws the frozen scene of an outcome with its marker and message and
    // waits for a key (for OUTCOME_GAME_WON: the scene only, no wait).
    void (*outcome_scene)(outcome_kind kind);
    // Draws the victory screen and waits for a key.
    void (*victory_screen)();
    // Writes a file error and "press any key" over the screen, waits for a key.
    void (*file_error)(const char *message);
};

extern display_interface display;

#endif
