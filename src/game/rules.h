// The rules of play as plain functions: a level's cells, a play state and a
// move in; the next play state and what happened out. Nothing here touches
// a global, draws or waits, so the game, the level checker, the generator,
// the tests and the benchmarks all play the same turns, as many at once as
// they like.
//
// A turn, as the game resolves it: the move sets the rise and the drift;
// then, step by step, the level check (no grubblet left: cleared), the cell
// under the player (a grubblet is eaten, a mine kills), one cell of rise,
// one cell of drift, or one cell of fall, until the player rests on a wall
// or the bottom row; then the costs: falls of more than five cells hurt, and
// every turn costs one point of tummy.
//
// What must hold: a play state's grubblets_left is the number of grubblets on
// the board it is played on (a tool that sets it higher plays a level that is
// never cleared); the player stands on the board; between turns nothing is
// left of the motion.
#ifndef GRUBBLET_RULES_H
#define GRUBBLET_RULES_H

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

// One level's cells, row 0 at the top.
struct board_cells {
    cell_kind at[BOARD_ROWS][BOARD_COLS];
};

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

// The moves that can take a player anywhere, in the order tools try them:
// the gauge key is a turn without a move, which only costs tummy.
enum { PLAYER_MOVE_COUNT = 7 };
extern const move_code PLAYER_MOVES[PLAYER_MOVE_COUNT];

// What ended a life or a level; OUTCOME_NONE when the player lives on.
using outcome_kind = int;
enum : outcome_kind {
    OUTCOME_NONE = 0,
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

// Everything a turn depends on between turns, apart from the board.
struct play_state {
    int x, y;           // player column and row
    int tummy;          // hunger meter; the player starves at 0
    int health;         // health meter; the player dies at 0
    int eaten;          // grubblets eaten since the level's start; lengthens jumps
    int grubblets_left; // grubblets on the board; the level is cleared at 0
};

// A level from its start: the player on the start cell (the last in reading
// order; row 0, column 0 when there is none), the meters full, nothing eaten.
play_state fresh_play(const board_cells &level);

// What is left of the current turn's motion.
struct turn_motion {
    int rise_left;  // cells still to rise, never negative
    int drift;      // cells still to drift; negative is to the left
    int fall_count; // cells fallen this turn, less the five that are free
    // The step in progress has had its level check: the level was cleared
    // and the next one set up in mid-step, and the step goes on there from
    // the cell under the player.
    bool level_checked;
};

// The motion a move starts, with jumps `eaten` cells longer along their
// long axis. The gauge and no move start none.
turn_motion start_motion(move_code move, int eaten);

// What eating one grubblet does to the meters and counts (the cell itself
// is the board's business). Tools that know which grubblets a move passes
// apply it once for each.
void eat_grubblet(play_state &state);

// The cells the player left during a turn, oldest first, and the first
// entry of the painful part of a fall.
struct turn_trail {
    int x[TRAIL_CAPACITY];
    int y[TRAIL_CAPACITY];
    int len;
    int fall_mark; // FALL_MARK_NONE when no fall hurt
};
// Empties the trail (only its length and mark: entries past the length mean
// nothing).
void clear_trail(turn_trail *trail);

// Steps the player on until at rest (OUTCOME_NONE), onto a mine
// (OUTCOME_MINE, the player on it) or, with no grubblet left, up to the
// level check that comes first in every step (OUTCOME_LEVEL_WON; the
// motion then says the check is done). Eaten grubblets leave `board`. The trail,
// when given, receives every cell left.
outcome_kind advance_turn(board_cells &board, play_state &state, turn_motion &motion,
                          turn_trail *trail);

// The costs at the end of a turn: the hurt of a fall (*hurt set when there
// was one), then one point of tummy. Returns OUTCOME_STARVED, OUTCOME_FALL
// or OUTCOME_NONE; starving comes first.
outcome_kind end_turn(play_state &state, const turn_motion &motion, bool *hurt);

// What a whole turn did.
struct turn_result {
    outcome_kind outcome; // OUTCOME_NONE: at rest and alive; else the first outcome
    bool hurt;            // a fall hurt the player
};

// One whole turn on a level, as the tools play it: it stops at the first
// outcome, where the game would show it and reset the level. A cleared level
// is OUTCOME_LEVEL_WON, also on the last level.
turn_result play_turn(board_cells &board, play_state &state, move_code move,
                      turn_trail *trail = nullptr);

#endif
