// Level storage and level reset.
#include "rules_test_support.h"

using state_test = rules_test;

TEST_F(state_test, fresh_storage_is_all_empty_space) {
    for (int b = 0; b < LEVEL_COUNT; b++) {
        for (int r = 0; r < BOARD_ROWS; r++) {
            for (int c = 0; c < BOARD_COLS; c++) {
                ASSERT_EQ(level_set[b][r][c], CELL_EMPTY);
            }
        }
    }
}

TEST_F(state_test, reset_puts_the_player_on_the_last_start_cell_in_reading_order) {
    reset_level();
    EXPECT_EQ(game.player_y, 0);
    EXPECT_EQ(game.player_x, 0);

    put(0, 3, 70, "@");
    put(0, 5, 2, "@");
    reset_level();
    EXPECT_EQ(game.player_y, 5);
    EXPECT_EQ(game.player_x, 2);
    EXPECT_EQ(game.start_y, 5);
    EXPECT_EQ(game.start_x, 2);
    // The start cell stays in the play board; play treats it as open space.
    EXPECT_EQ(play_board[5][2], CELL_START);
    EXPECT_EQ(play_board[3][70], CELL_START);
}

TEST_F(state_test, reset_restores_grubblets_meters_and_jump_length_but_not_flags) {
    put(0, 10, 10, "==");
    reset_level();
    play_board[10][10] = CELL_EMPTY;
    game.eaten_this_level = 1;
    game.tummy = 3;
    game.health = 1;
    game.trail_len = 5;
    game.rise_left = 2;
    game.drift = -3;
    game.pending_move = MOVE_HIGH_UP;
    game.show_gauge = 1;
    game.show_hurt = 1;
    game.fall_mark = 4;

    reset_level();
    EXPECT_EQ(play_board[10][10], CELL_GRUBBLET);
    EXPECT_EQ(game.grubblets_left, 2);
    EXPECT_EQ(game.tummy, TUMMY_START);
    EXPECT_EQ(game.health, HEALTH_START);
    EXPECT_EQ(game.eaten_this_level, 0);
    EXPECT_EQ(game.trail_len, 0);
    EXPECT_EQ(game.rise_left, 0);
    EXPECT_EQ(game.drift, 0);
    EXPECT_EQ(game.pending_move, MOVE_HIGH_UP);
    EXPECT_EQ(game.show_gauge, 1);
    EXPECT_EQ(game.show_hurt, 1);
    EXPECT_EQ(game.fall_mark, 4);
}

TEST_F(state_test, play_never_changes_the_stored_level) {
    put(0, 22, 5, "@=");
    wall_row(0, 23);
    std::string before = level_text(0);
    reset_level();
    play(MOVE_WALK_RIGHT);
    play(MOVE_WALK_RIGHT);
    EXPECT_EQ(level_text(0), before);
}

TEST_F(state_test, set_mode_resets_the_level_first) {
    put(0, 4, 4, "@");
    reset_level();
    game.player_x = 30;
    set_mode(MODE_EDIT);
    EXPECT_EQ(game.mode, MODE_EDIT);
    EXPECT_EQ(game.player_x, 4);
}

TEST_F(state_test, reset_trail_empties_the_trail_and_clears_the_mark) {
    game.player_x = 7;
    game.player_y = 8;
    record_trail_step();
    game.fall_mark = 1;
    reset_trail();
    EXPECT_EQ(game.trail_len, 0);
    EXPECT_EQ(game.fall_mark, FALL_MARK_NONE);
    EXPECT_EQ(game.trail_x[0], 0);
    EXPECT_EQ(game.trail_y[0], 0);
}

TEST_F(state_test, the_trail_never_grows_past_its_capacity) {
    for (int i = 0; i < TRAIL_CAPACITY + 40; i++) {
        record_trail_step();
    }
    EXPECT_EQ(game.trail_len, TRAIL_CAPACITY);
}
