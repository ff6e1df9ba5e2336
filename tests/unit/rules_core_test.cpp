// The rules' own turn, as the tools play it: a pure function of a board, a
// play state and a move, which stops at the first outcome.
#include "game/rules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

board_cells floor_with(int row, int col, const std::string &cells) {
    board_cells b{};
    for (int c = 0; c < BOARD_COLS; c++) {
        b.at[BOARD_ROWS - 1][c] = CELL_WALL;
    }
    for (std::size_t i = 0; i < cells.size(); i++) {
        b.at[row][col + static_cast<int>(i)] = static_cast<cell_kind>(cell_of_char(cells[i]));
    }
    return b;
}

} // namespace

TEST(rules_core, a_turn_depends_on_its_arguments_alone_and_stops_at_the_first_outcome) {
    // A sprint right through two grubblets in the air, the second the last:
    // the level is cleared at the step after it is eaten.
    board_cells level = floor_with(22, 2, "@.....X");
    level.at[21][3] = level.at[21][5] = CELL_GRUBBLET;
    board_cells board = level;
    play_state s = fresh_play(level);
    EXPECT_EQ(s.grubblets_left, 2);
    EXPECT_EQ(s.x, 2);
    const play_state before = s;
    turn_trail trail;
    turn_result r = play_turn(board, s, MOVE_SPRINT_RIGHT, &trail);
    EXPECT_EQ(r.outcome, OUTCOME_LEVEL_WON);
    EXPECT_EQ(s.grubblets_left, 0);
    EXPECT_EQ(s.eaten, 2);
    EXPECT_EQ(s.tummy, before.tummy + 50); // no turn's cost: the turn ended on the clear
    EXPECT_EQ(board.at[21][3], CELL_EMPTY);
    EXPECT_EQ(board.at[21][5], CELL_EMPTY);
    EXPECT_EQ(s.x, 5);
    EXPECT_EQ(s.y, 21);
    EXPECT_EQ(trail.len, 4); // one up, three across

    // The same arguments give the same turn, and the level is untouched.
    board_cells again = level;
    play_state t = before;
    turn_result r2 = play_turn(again, t, MOVE_SPRINT_RIGHT);
    EXPECT_EQ(r2.outcome, r.outcome);
    EXPECT_EQ(std::memcmp(&again, &board, sizeof board), 0);
    EXPECT_EQ(level.at[21][3], CELL_GRUBBLET);

    // With the grubblets counted higher than the board holds, as a tool
    // tracing a move does, the move runs on to its end: six across and down
    // onto the mine.
    board_cells traced = level;
    play_state far = before;
    far.grubblets_left = 1 << 20;
    far.eaten = 3; // a sprint three cells longer
    EXPECT_EQ(play_turn(traced, far, MOVE_SPRINT_RIGHT).outcome, OUTCOME_MINE);
    EXPECT_EQ(far.x, 8);
    EXPECT_EQ(far.y, 22);
}
