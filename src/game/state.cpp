// The game's state: the record, the level storage, and the operations that
// put them into a known condition (allocation, trail reset, level reset),
// and snapshots of play that tools take back to.
#include "game_state.h"

#include <cstdlib>
#include <cstring>

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

void *(*allocate_cells)(std::size_t count, std::size_t size) = std::calloc;

// The level storage lives in three blocks: every cell of the play board and
// the nine levels, the row tables pointing into them, and the table of
// levels. Contiguous blocks keep the game's memory to what it holds.
static cell_kind *cell_block = nullptr;
static cell_kind **row_block = nullptr;

int allocate_boards() {
    const int boards = LEVEL_COUNT + 1;
    cell_block = static_cast<cell_kind *>(allocate_cells(
        static_cast<std::size_t>(boards * BOARD_ROWS * BOARD_COLS), sizeof(cell_kind)));
    row_block = cell_block == nullptr
                    ? nullptr
                    : static_cast<cell_kind **>(allocate_cells(
                          static_cast<std::size_t>(boards * BOARD_ROWS), sizeof(cell_kind *)));
    level_set = row_block == nullptr
                    ? nullptr
                    : static_cast<cell_kind ***>(allocate_cells(LEVEL_COUNT, sizeof(cell_kind **)));
    if (level_set == nullptr) {
        // Release what was had, so that a failed start leaves nothing behind.
        free_boards();
        return 1;
    }
    for (int r = 0; r < boards * BOARD_ROWS; r++) {
        row_block[r] = cell_block + r * BOARD_COLS;
    }
    play_board = row_block;
    for (int b = 0; b < LEVEL_COUNT; b++) {
        level_set[b] = row_block + (b + 1) * BOARD_ROWS;
    }
    return 0;
}

void free_boards() {
    std::free(level_set);
    std::free(row_block);
    std::free(cell_block);
    level_set = nullptr;
    play_board = nullptr;
    row_block = nullptr;
    cell_block = nullptr;
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

void take_snapshot(play_snapshot *out) {
    out->state = game;
    for (int r = 0; r < BOARD_ROWS; r++) {
        std::memcpy(out->board[r], play_board[r], sizeof out->board[r]);
    }
}

void restore_snapshot(const play_snapshot &snapshot) {
    game = snapshot.state;
    for (int r = 0; r < BOARD_ROWS; r++) {
        std::memcpy(play_board[r], snapshot.board[r], sizeof snapshot.board[r]);
    }
}

void set_mode(int new_mode) {
    reset_level();
    game.mode = new_mode;
}
