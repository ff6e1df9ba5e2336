// The game's records: the one game_state, the level storage, and the
// operations that put them into a known condition (allocation, trail reset,
// level reset, mode switch).
#include "game_state.h"

#include <cstdlib>

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

// The level storage lives in three blocks: the play board and the nine
// levels as whole boards, the row tables pointing into them, and the table
// of levels. Contiguous blocks keep the game's memory to what it holds, and
// let the rules take a board whole.
static board_cells *board_block = nullptr;
static cell_kind **row_block = nullptr;

int allocate_boards() {
    const int boards = LEVEL_COUNT + 1;
    board_block = static_cast<board_cells *>(allocate_cells(boards, sizeof(board_cells)));
    row_block = board_block == nullptr
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
    for (int b = 0; b < boards; b++) {
        for (int r = 0; r < BOARD_ROWS; r++) {
            row_block[b * BOARD_ROWS + r] = board_block[b].at[r];
        }
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
    std::free(board_block);
    level_set = nullptr;
    play_board = nullptr;
    row_block = nullptr;
    board_block = nullptr;
}

board_cells &play_cells() {
    return board_block[0];
}

board_cells &stored_level(int level) {
    return board_block[level + 1];
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
    const board_cells &stored = stored_level(game.level);
    play_cells() = stored;
    const play_state fresh = fresh_play(stored);
    game.start_x = fresh.x;
    game.start_y = fresh.y;
    game.grubblets_left = fresh.grubblets_left;
    game.rise_left = 0;
    game.drift = 0;
    game.player_y = game.start_y;
    game.player_x = game.start_x;
    game.health = fresh.health;
    game.tummy = fresh.tummy;
    game.eaten_this_level = fresh.eaten;
    game.trail_len = 0;
}

void set_mode(int new_mode) {
    reset_level();
    game.mode = new_mode;
}
