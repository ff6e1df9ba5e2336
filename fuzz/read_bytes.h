// What every fuzz target does first: hands the fuzzer's bytes to the game's
// level file reader, as a file with exactly that content would.
#ifndef GRUBBLET_FUZZ_READ_BYTES_H
#define GRUBBLET_FUZZ_READ_BYTES_H

#include "game/game_state.h"
#include "levels/levels.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdio.h>

// Reads size bytes at data into the stored levels; aborts where a stream in
// memory fails to read, which no file can make it do.
inline void read_bytes(const char *data, std::size_t size) {
    // fmemopen wants at least one byte of buffer.
    static char empty[1];
    std::FILE *file = fmemopen(size > 0 ? const_cast<char *>(data) : empty, size, "r");
    if (file == nullptr || read_boards(file) != 0) {
        std::abort();
    }
    std::fclose(file);
}

// Every stored cell is one of the five kinds, whatever was read. Eight cells
// are looked at together: a byte above 4 (or negative) sets its top bit in
// the word or in the word plus 0x7B in each byte.
inline void expect_valid_cells() {
    static_assert(sizeof(cell_kind) == 1 && BOARD_COLS % 8 == 0, "one byte a cell");
    static_assert(CELL_KIND_COUNT == 5, "kinds 0 to 4");
    std::uint64_t bad = 0;
    for (int b = 0; b < LEVEL_COUNT; b++) {
        for (int r = 0; r < BOARD_ROWS; r++) {
            for (int c = 0; c < BOARD_COLS; c += 8) {
                std::uint64_t cells;
                std::memcpy(&cells, &level_set[b][r][c], sizeof cells);
                bad |= (cells | (cells + 0x7B7B7B7B7B7B7B7Bull)) & 0x8080808080808080ull;
            }
        }
    }
    if (bad != 0) {
        std::abort();
    }
}

// Empty levels, as the game has them before its first load, so that every
// input reads the same however many came before it.
inline void empty_levels() {
    static bool ready = allocate_boards() == 0;
    if (!ready) {
        std::abort();
    }
    for (int b = 0; b < LEVEL_COUNT; b++) {
        for (int r = 0; r < BOARD_ROWS; r++) {
            std::memset(level_set[b][r], CELL_EMPTY, BOARD_COLS * sizeof(cell_kind));
        }
    }
}

#endif
