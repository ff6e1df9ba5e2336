// The game's state: the record, the level storage, and the operations that
// put them into a known condition (allocation, trail reset, level reset).
#include "game_state.h"

#include <new>

const char CELL_CHARS[CELL_KIND_COUNT] = {'.', '&', 'X', '=', '@'};

int cell_of_char(int ch) {
    for (int kind = 0; kind < CELL_KIND_COUNT; kind++) {
        if (ch == CELL_CHARS[kind]) {
            return kind;
        }
    }
    return -1;
}

const int TUMMY_START = 100;
const int HEALTH_START = 20;
const int TUMMY_MAX = 400;

game_state game = [] {
    game_state g{};
    g.level = 0;
    g.mode = MODE_PLAY;
    g.fall_mark = FALL_MARK_NONE;
    return g;
}();

cell_kind ***level_set = nullptr;
cell_kind **play_board = nullptr;

display_interface display = {nullptr, nullptr, nullptr};

// One board: a table of row pointers, each row a separate array of cells,
// every cell CELL_EMPTY. Returns null when memory ran out, with whatever it
// had allocated still linked into the table for free_board to release.
static cell_kind **allocate_board(bool *ok) {
    cell_kind **rows = new (std::nothrow) cell_kind *[BOARD_ROWS]();
    if (rows == nullptr) {
        *ok = false;
        return nullptr;
    }
    for (int r = 0; r < BOARD_ROWS && *ok; r++) {
        rows[r] = new (std::nothrow) cell_kind[BOARD_COLS]();
        if (rows[r] == nullptr) {
            *ok = false;
        }
    }
    return rows;
}

static void free_board(cell_kind **rows) {
    if (rows == nullptr) {
        return;
    }
    for (int r = 0; r < BOARD_ROWS; r++) {
        delete[] rows[r];
    }
    delete[] rows;
}

int allocate_boards() {
    bool ok = true;
    play_board = allocate_board(&ok);
    if (ok) {
        level_set = new (std::nothrow) cell_kind **[LEVEL_COUNT]();
        ok = level_set != nullptr;
    }
    for (int b = 0; b < LEVEL_COUNT && ok; b++) {
        level_set[b] = allocate_board(&ok);
    }
    if (!ok) {
        // Release what was had, so that a failed start leaves nothing behind.
        free_boards();
        return 1;
    }
    return 0;
}

void free_boards() {
    free_board(play_board);
    play_board = nullptr;
    if (level_set != nullptr) {
        for (int b = 0; b < LEVEL_COUNT; b++) {
            free_board(level_set[b]);
        }
        delete[] level_set;
        level_set = nullptr;
    }
}

void reset_trail() {
    game.trail_len = 0;
    game.fall_mark = FALL_MARK_NONE;
    for (int i = 0; i < TRAIL_CAPACITY; i++) {
        game.trail_x[i] = 0;
        game.trail_y[i] = 0;
    }
}

void reset_level() {
    cell_kind **stored = level_set[game.level];
    game.start_x = 0;
    game.start_y = 0;
    game.grubblets_left = 0;
    for (int r = 0; r < BOARD_ROWS; r++) {
        for (int c = 0; c < BOARD_COLS; c++) {
            play_board[r][c] = stored[r][c];
            game.grubblets_left += stored[r][c] == CELL_GRUBBLET;
            // The last start cell in reading order wins.
            if (stored[r][c] == CELL_START) {
                game.start_x = c;
                game.start_y = r;
            }
        }
    }
    game.rise_left = 0;
    game.drift = 0;
    game.player_y = game.start_y;
    game.player_x = game.start_x;
    game.health = HEALTH_START;
    game.tummy = TUMMY_START;
    game.eaten_this_level = 0;
    game.trail_len = 0;
}

void set_mode(int new_mode) {
    reset_level();
    game.mode = new_mode;
}
