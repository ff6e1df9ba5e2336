// Fuzzing the level file reader and writer together: whatever any bytes
// load to, what the writer makes of it loads back to the very same levels.
#include "read_bytes.h"

#include <cstdint>
#include <cstring>

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    empty_levels();
    fill_pattern(0);
    read_bytes(reinterpret_cast<const char *>(data), size);
    expect_valid_cells();

    // The writer's output loads back to the same levels, whatever was there.
    static char written[FILE_BYTES];
    static char again[FILE_BYTES];
    format_boards(written);
    fill_pattern(2);
    read_bytes(written, sizeof written);
    format_boards(again);
    if (std::memcmp(written, again, sizeof written) != 0) {
        std::abort();
    }
    return 0;
}
