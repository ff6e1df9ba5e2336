// The rules of play: the start of a level, the motion a move starts, the
// steps of a turn and its costs. Pure functions of their arguments.
#include "rules.h"

#include <algorithm>

const char CELL_CHARS[CELL_KIND_COUNT] = {'.', '&', 'X', '=', '@'};

int cell_of_char(int ch) {
    for (int kind = 0; kind < CELL_KIND_COUNT; kind++) {
        if (ch == CELL_CHARS[kind]) {
            return kind;
        }
    }
    return -1;
}

const char MOVE_KEYS[MOVE_GAUGE + 1] = {'\0', '1', '3', '4', '6', '7', '9', '8', '0'};

const move_code PLAYER_MOVES[PLAYER_MOVE_COUNT] = {
    MOVE_WALK_LEFT, MOVE_WALK_RIGHT, MOVE_SPRINT_LEFT, MOVE_SPRINT_RIGHT,
    MOVE_HIGH_LEFT, MOVE_HIGH_RIGHT, MOVE_HIGH_UP};

move_code move_for_key(int key) {
    for (move_code move = MOVE_WALK_LEFT; move <= MOVE_GAUGE; move++) {
        if (key == MOVE_KEYS[move]) {
            return move;
        }
    }
    return MOVE_NONE;
}

const int TUMMY_START = 100;
const int HEALTH_START = 20;
const int TUMMY_MAX = 400;

// A fall of up to this many cells in one turn is free; each further cell
// costs one point of health.
static const int FREE_FALL_CELLS = 5;

play_state fresh_play(const board_cells &level) {
    play_state s{0, 0, TUMMY_START, HEALTH_START, 0, 0};
    for (int r = 0; r < BOARD_ROWS; r++) {
        for (int c = 0; c < BOARD_COLS; c++) {
            s.grubblets_left += level.at[r][c] == CELL_GRUBBLET;
            if (level.at[r][c] == CELL_START) {
                s.x = c;
                s.y = r;
            }
        }
    }
    return s;
}

turn_motion start_motion(move_code move, int e) {
    turn_motion m{0, 0, -FREE_FALL_CELLS, false};
    switch (move) {
    case MOVE_WALK_LEFT: m.drift = -1; break;
    case MOVE_WALK_RIGHT: m.drift = 1; break;
    case MOVE_SPRINT_LEFT:
        m.rise_left = 1;
        m.drift = -(e + 3);
        break;
    case MOVE_SPRINT_RIGHT:
        m.rise_left = 1;
        m.drift = e + 3;
        break;
    case MOVE_HIGH_LEFT:
        m.rise_left = e + 3;
        m.drift = -2;
        break;
    case MOVE_HIGH_RIGHT:
        m.rise_left = e + 3;
        m.drift = 2;
        break;
    case MOVE_HIGH_UP: m.rise_left = e + 4; break;
    default: break;
    }
    return m;
}

void eat_grubblet(play_state &s) {
    s.grubblets_left -= 1;
    s.tummy = std::min(s.tummy + 25, TUMMY_MAX);
    s.health += 10;
    s.eaten += 1;
}

void clear_trail(turn_trail *trail) {
    trail->len = 0;
    trail->fall_mark = FALL_MARK_NONE;
}

// A turn records at most 125 entries between two level resets; the guard
// keeps the trail in bounds whatever the board holds.
static void record(turn_trail *trail, const play_state &s) {
    if (trail != nullptr && trail->len < TRAIL_CAPACITY) {
        trail->x[trail->len] = s.x;
        trail->y[trail->len] = s.y;
        trail->len += 1;
    }
}

outcome_kind advance_turn(board_cells &board, play_state &s, turn_motion &m, turn_trail *trail) {
    auto wall = [&](int row, int col) { return board.at[row][col] == CELL_WALL; };
    for (;;) {
        // The level check runs on every step, before anything else.
        if (!m.level_checked && s.grubblets_left == 0) {
            m.level_checked = true;
            return OUTCOME_LEVEL_WON;
        }
        m.level_checked = false;
        cell_kind &here = board.at[s.y][s.x];
        if (here == CELL_GRUBBLET) {
            here = CELL_EMPTY;
            eat_grubblet(s);
            continue;
        }
        if (here == CELL_MINE) {
            return OUTCOME_MINE;
        }
        // A blocked rise or drift step still uses up its count, so a jump
        // into a ceiling or a wall loses that part of its length.
        if (m.rise_left > 0) {
            m.rise_left -= 1;
            if (s.y > 0 && !wall(s.y - 1, s.x)) {
                record(trail, s);
                s.y -= 1;
            }
            continue;
        }
        if (m.drift != 0) {
            const int step = m.drift > 0 ? 1 : -1;
            m.drift -= step;
            const int to = s.x + step;
            if (to >= 0 && to < BOARD_COLS && !wall(s.y, to)) {
                record(trail, s);
                s.x = to;
            }
            continue;
        }
        if (s.y < BOARD_ROWS - 1 && !wall(s.y + 1, s.x)) {
            record(trail, s);
            s.y += 1;
            m.fall_count += 1;
            // The trail is painful from the first cell that costs health.
            if (trail != nullptr && m.fall_count > 0 && trail->fall_mark > TRAIL_CAPACITY) {
                trail->fall_mark = trail->len;
            }
            continue;
        }
        return OUTCOME_NONE; // at rest on a wall or the bottom row
    }
}

outcome_kind end_turn(play_state &s, const turn_motion &m, bool *hurt) {
    *hurt = m.fall_count > 0;
    if (*hurt) {
        s.health -= m.fall_count;
    }
    s.tummy -= 1;
    if (s.tummy <= 0) {
        return OUTCOME_STARVED;
    }
    return s.health <= 0 ? OUTCOME_FALL : OUTCOME_NONE;
}

turn_result play_turn(board_cells &board, play_state &s, move_code move, turn_trail *trail) {
    if (trail != nullptr) {
        clear_trail(trail);
    }
    turn_motion m = start_motion(move, s.eaten);
    turn_result result{advance_turn(board, s, m, trail), false};
    if (result.outcome == OUTCOME_NONE) {
        result.outcome = end_turn(s, m, &result.hurt);
    }
    return result;
}
