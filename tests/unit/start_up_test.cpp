// Start-up when memory runs out: the program must give up before it touches
// the terminal, and leave nothing allocated.
#include "game/game_state.h"
#include "screen/screen.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace {

// Allocations still allowed before the next one fails; -1 for no limit.
int allocations_left = -1;

void *failing_calloc(std::size_t count, std::size_t size) {
    if (allocations_left == 0) {
        return nullptr;
    }
    if (allocations_left > 0) {
        allocations_left--;
    }
    return std::calloc(count, size);
}

} // namespace

TEST(start_up, running_out_of_memory_fails_before_the_terminal_is_touched) {
    allocate_cells = failing_calloc;
    // The cells, the row tables and the table of levels.
    const int allocations = 3;
    for (int fail_at = 0; fail_at < allocations; fail_at++) {
        SCOPED_TRACE(fail_at);
        allocations_left = fail_at;
        EXPECT_EQ(start_game(), 1);
        EXPECT_EQ(stdscr, nullptr);
        EXPECT_EQ(level_set, nullptr);
        EXPECT_EQ(play_board, nullptr);
    }
    allocations_left = allocations;
    EXPECT_EQ(allocate_boards(), 0);
    EXPECT_EQ(allocations_left, 0);
    free_boards();
    allocations_left = -1;
    allocate_cells = std::calloc;
}
