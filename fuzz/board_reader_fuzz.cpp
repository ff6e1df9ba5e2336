// Fuzzing the level file reader: any bytes at all must load without a crash,
// leave every cell one of the five kinds, and what the writer makes of the
// result must load back to the very same levels.
#include "game/game_state.h"
#include "levels/levels.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdio.h>

namespace {

// Fills the levels with a pattern, so that cells the file does not reach are
// told apart from cells it set.
void fill_pattern(int shift) {
    for (int b = 0; b < LEVEL_COUNT; b++) {
        for (int r = 0; r < BOARD_ROWS; r++) {
            for (int c = 0; c < BOARD_COLS; c++) {
                level_set[b][r][c] = (b + r + c + shift) % CELL_KIND_COUNT;
            }
        }
    }
}

int read_bytes(const char *data, std::size_t size) {
    // fmemopen wants at least one byte of buffer.
    static char empty[1];
    std::FILE *file = fmemopen(size > 0 ? const_cast<char *>(data) : empty, size, "r");
    if (file == nullptr) {
        std::abort();
    }
    int result = read_boards(file);
    std::fclose(file);
    return result;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static bool ready = allocate_boards() == 0;
    if (!ready) {
        std::abort();
    }
    fill_pattern(0);
    if (read_bytes(reinterpret_cast<const char *>(data), size) != 0) {
        std::abort(); // a stream in memory cannot fail to read
    }
    for (int b = 0; b < LEVEL_COUNT; b++) {
        for (int r = 0; r < BOARD_ROWS; r++) {
            for (int c = 0; c < BOARD_COLS; c++) {
                if (level_set[b][r][c] < 0 || level_set[b][r][c] >= CELL_KIND_COUNT) {
                    std::abort();
                }
            }
        }
    }

    // The writer's output loads back to the same levels, whatever was there.
    static char written[FILE_BYTES];
    static char again[FILE_BYTES];
    format_boards(written);
    fill_pattern(2);
    if (read_bytes(written, sizeof written) != 0) {
        std::abort();
    }
    format_boards(again);
    if (std::memcmp(written, again, sizeof written) != 0) {
        std::abort();
    }
    return 0;
}
