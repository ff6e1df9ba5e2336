// The game's shell over the rules (rules.h): the nine stored levels, the
// board being played, the one game_state record, and the operations that
// change them (level reset, turn resolution, level outcomes). The rules
// themselves are computed by the pure functions of rules.h; this shell keeps
// the records the screens and the editor read, and raises the outcomes.
//
// Only the game program uses this shell; the tools play the rules directly.
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

#include "rules.h"

#include <cstddef>

enum { MODE_PLAY = 0, MODE_EDIT = 1 };

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
// The same storage as whole boards, as the rules take them: each board's
// rows lie one after another.
board_cells &play_cells();
board_cells &stored_level(int level);

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
