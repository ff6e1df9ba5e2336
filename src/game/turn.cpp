// Turn resolution: one play key's move, resolved cell by cell (rise, then
// sideways drift, then falling) until the player rests on a wall or the
// bottom row, with the board's rules applied at every step.
#include "game_state.h"

#include <algorithm>

// A fall of up to this many cells in one turn is free; each further cell
// costs one point of health.
static const int FREE_FALL_CELLS = 5;

const char MOVE_KEYS[MOVE_GAUGE + 1] = {'\0', '1', '3', '4', '6', '7', '9', '8', '0'};

move_code move_for_key(int key) {
    for (move_code move = MOVE_WALK_LEFT; move <= MOVE_GAUGE; move++) {
        if (key == MOVE_KEYS[move]) {
            return move;
        }
    }
    return MOVE_NONE;
}

void record_trail_step() {
    // A turn records at most 125 entries between two resets; the guard keeps
    // the trail in bounds whatever the board holds.
    if (game.trail_len >= TRAIL_CAPACITY) {
        return;
    }
    game.trail_x[game.trail_len] = game.player_x;
    game.trail_y[game.trail_len] = game.player_y;
    game.trail_len += 1;
}

// Sets up the motion of a move. Jumps grow by one cell along their long axis
// for every grubblet eaten on the level.
static void apply_move(move_code move) {
    const int e = game.eaten_this_level;
    switch (move) {
    case MOVE_WALK_LEFT: game.drift = -1; break;
    case MOVE_WALK_RIGHT: game.drift = 1; break;
    case MOVE_SPRINT_LEFT:
        game.rise_left = 1;
        game.drift = -(e + 3);
        break;
    case MOVE_SPRINT_RIGHT:
        game.rise_left = 1;
        game.drift = e + 3;
        break;
    case MOVE_HIGH_LEFT:
        game.rise_left = e + 3;
        game.drift = -2;
        break;
    case MOVE_HIGH_RIGHT:
        game.rise_left = e + 3;
        game.drift = 2;
        break;
    case MOVE_HIGH_UP: game.rise_left = e + 4; break;
    case MOVE_GAUGE: game.show_gauge = 1; break;
    default: break;
    }
}

static bool is_wall(int row, int col) {
    return play_board[row][col] == CELL_WALL;
}

void run_turn() {
    reset_trail();
    int fall_count = -FREE_FALL_CELLS;
    if (game.pending_move != MOVE_NONE) {
        apply_move(game.pending_move);
        game.pending_move = MOVE_NONE;
    }

    for (;;) {
        // The level check runs on every step; a count kept by the level reset
        // and by eating saves scanning the board each time.
        if (game.grubblets_left == 0) {
            if (game.level < LEVEL_COUNT - 1) {
                show_outcome(OUTCOME_LEVEL_WON);
            } else {
                // The game is over once the victory has been shown. Stopping
                // here also keeps a last level without grubblets, whose start
                // is unsupported, from raising the victory again and again.
                show_outcome(OUTCOME_GAME_WON);
                return;
            }
        }

        cell_kind &here = play_board[game.player_y][game.player_x];
        if (here == CELL_GRUBBLET) {
            here = CELL_EMPTY;
            game.grubblets_left -= 1;
            game.tummy = std::min(game.tummy + 25, TUMMY_MAX);
            game.health += 10;
            game.eaten_this_level += 1;
            continue;
        }
        if (here == CELL_MINE) {
            show_outcome(OUTCOME_MINE);
            return;
        }

        // A blocked rise or drift step still uses up its count, so a jump
        // into a ceiling or a wall loses that part of its length.
        if (game.rise_left > 0) {
            game.rise_left -= 1;
            if (game.player_y > 0 && !is_wall(game.player_y - 1, game.player_x)) {
                record_trail_step();
                game.player_y -= 1;
            }
            continue;
        }
        if (game.drift > 0) {
            game.drift -= 1;
            if (game.player_x < BOARD_COLS - 1 && !is_wall(game.player_y, game.player_x + 1)) {
                record_trail_step();
                game.player_x += 1;
            }
            continue;
        }
        if (game.drift < 0) {
            game.drift += 1;
            if (game.player_x > 0 && !is_wall(game.player_y, game.player_x - 1)) {
                record_trail_step();
                game.player_x -= 1;
            }
            continue;
        }
        if (game.player_y < BOARD_ROWS - 1 && !is_wall(game.player_y + 1, game.player_x)) {
            record_trail_step();
            game.player_y += 1;
            fall_count += 1;
            // The trail is painful from the first cell that costs health.
            if (fall_count > 0 && game.fall_mark > TRAIL_CAPACITY) {
                game.fall_mark = game.trail_len;
            }
            continue;
        }
        break; // at rest on a wall or the bottom row
    }

    if (fall_count > 0) {
        game.health -= fall_count;
        game.show_hurt = 1;
    }
    game.tummy -= 1;
    if (game.tummy <= 0) {
        show_outcome(OUTCOME_STARVED);
    }
    if (game.health <= 0) {
        show_outcome(OUTCOME_FALL);
    }
}
