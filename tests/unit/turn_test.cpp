// Turn resolution and level outcomes, driven without a terminal.
#include "rules_test_support.h"

using turn_test = rules_test;

namespace {
struct move_case {
    const char *name;
    int eaten;
    move_code move;
    int end_y, end_x;
    int trail_len;
};
} // namespace

// On an open level with a floor, from row 22, column 40: where each move ends
// and how many cells it passed through.
TEST_F(turn_test, moves_rise_then_drift_then_fall_back_to_the_floor) {
    const move_case cases[] = {
        {"walk left", 0, MOVE_WALK_LEFT, 22, 39, 1},
        {"walk right", 0, MOVE_WALK_RIGHT, 22, 41, 1},
        {"sprint left", 0, MOVE_SPRINT_LEFT, 22, 37, 5},
        {"sprint right", 0, MOVE_SPRINT_RIGHT, 22, 43, 5},
        {"high left", 0, MOVE_HIGH_LEFT, 22, 38, 8},
        {"high right", 0, MOVE_HIGH_RIGHT, 22, 42, 8},
        {"straight up", 0, MOVE_HIGH_UP, 22, 40, 8},
        {"gauge", 0, MOVE_GAUGE, 22, 40, 0},
        {"no move", 0, MOVE_NONE, 22, 40, 0},
        {"sprint right, 2 eaten", 2, MOVE_SPRINT_RIGHT, 22, 45, 7},
        {"high right, 2 eaten", 2, MOVE_HIGH_RIGHT, 22, 42, 12},
        {"straight up, 1 eaten", 1, MOVE_HIGH_UP, 22, 40, 10},
        {"walk right, 2 eaten", 2, MOVE_WALK_RIGHT, 22, 41, 1},
    };
    wall_row(0, 23);
    put(0, 22, 40, "@");
    put(0, 0, 0, "=");
    for (const move_case &c : cases) {
        SCOPED_TRACE(c.name);
        reset_level();
        game.eaten_this_level = c.eaten;
        play(c.move);
        EXPECT_EQ(game.player_y, c.end_y);
        EXPECT_EQ(game.player_x, c.end_x);
        EXPECT_EQ(game.trail_len, c.trail_len);
        EXPECT_EQ(game.tummy, TUMMY_START - 1);
        EXPECT_EQ(game.health, HEALTH_START);
        EXPECT_EQ(game.pending_move, MOVE_NONE);
        EXPECT_EQ(game.rise_left, 0);
        EXPECT_EQ(game.drift, 0);
        EXPECT_EQ(game.show_gauge, c.move == MOVE_GAUGE ? 1 : 0);
        game.show_gauge = 0;
    }
    EXPECT_TRUE(outcomes.empty());
}

TEST_F(turn_test, the_trail_lists_the_cells_left_oldest_first) {
    wall_row(0, 23);
    put(0, 22, 40, "@");
    put(0, 0, 0, "=");
    reset_level();
    play(MOVE_SPRINT_RIGHT);
    const int ys[] = {22, 21, 21, 21, 21};
    const int xs[] = {40, 40, 41, 42, 43};
    ASSERT_EQ(game.trail_len, 5);
    for (int i = 0; i < 5; i++) {
        EXPECT_EQ(game.trail_y[i], ys[i]) << i;
        EXPECT_EQ(game.trail_x[i], xs[i]) << i;
    }
}

TEST_F(turn_test, blocked_rises_and_drifts_use_up_their_count) {
    wall_row(0, 23);
    put(0, 0, 0, "=");
    // A ceiling right above: the straight jump moves nothing at all.
    put(0, 21, 10, "&");
    put(0, 22, 10, "@");
    reset_level();
    play(MOVE_HIGH_UP);
    EXPECT_EQ(game.player_y, 22);
    EXPECT_EQ(game.player_x, 10);
    EXPECT_EQ(game.trail_len, 0);
    EXPECT_EQ(game.tummy, TUMMY_START - 1);

    // A wall two cells along the sprint: the rest of the drift is lost.
    put(0, 21, 10, ".");
    put(0, 21, 12, "&");
    reset_level();
    play(MOVE_SPRINT_RIGHT);
    EXPECT_EQ(game.player_y, 22);
    EXPECT_EQ(game.player_x, 11);

    // The top and side edges block like walls.
    reset_level();
    game.player_y = 1;
    game.player_x = 78;
    play(MOVE_SPRINT_RIGHT);
    EXPECT_EQ(game.player_x, 79);
    EXPECT_EQ(game.player_y, 22);
}

TEST_F(turn_test, the_bottom_row_supports_the_player) {
    put(0, 23, 5, "@");
    put(0, 0, 0, "=");
    reset_level();
    play(MOVE_WALK_RIGHT);
    play(MOVE_WALK_RIGHT);
    EXPECT_EQ(game.player_y, 23);
    EXPECT_EQ(game.player_x, 7);
}

namespace {
struct fall_case {
    int drop; // cells fallen
    int health_lost;
    int fall_mark;
};
} // namespace

// Walking off a ledge at row 14 into a drop: falls of up to five cells are
// free, and the trail is painful from the seventh fallen cell on.
TEST_F(turn_test, falls_longer_than_five_cells_hurt) {
    const fall_case cases[] = {
        {5, 0, FALL_MARK_NONE},
        {6, 1, 7}, // the mark lies past every entry: all are plain
        {8, 3, 7},
        {9, 4, 7}, // down to the bottom row, which supports like a wall
    };
    for (const fall_case &c : cases) {
        SCOPED_TRACE(c.drop);
        for (int r = 0; r < BOARD_ROWS; r++) {
            put(0, r, 0, std::string(BOARD_COLS, '.'));
        }
        put(0, 0, 0, "=");
        put(0, 14, 10, "@");
        put(0, 15, 10, "&");
        if (15 + c.drop < BOARD_ROWS) {
            put(0, 15 + c.drop, 11, "&");
        }
        reset_level();
        play(MOVE_WALK_RIGHT);
        EXPECT_EQ(game.player_y, 14 + c.drop);
        EXPECT_EQ(game.player_x, 11);
        EXPECT_EQ(game.health, HEALTH_START - c.health_lost);
        EXPECT_EQ(game.show_hurt, c.health_lost > 0 ? 1 : 0);
        EXPECT_EQ(game.trail_len, 1 + c.drop);
        EXPECT_EQ(game.fall_mark, c.fall_mark);
        game.show_hurt = 0;
    }
}

TEST_F(turn_test, grubblets_feed_heal_and_lengthen_later_jumps_only) {
    wall_row(0, 23);
    put(0, 22, 40, "@");
    // One grubblet on the sprint's path and one far away.
    put(0, 21, 41, "=");
    put(0, 0, 0, "=");
    reset_level();
    play(MOVE_SPRINT_RIGHT);
    EXPECT_EQ(game.eaten_this_level, 1);
    EXPECT_EQ(play_board[21][41], CELL_EMPTY);
    EXPECT_EQ(level_set[0][21][41], CELL_GRUBBLET);
    // The jump in progress keeps its length: 3 cells.
    EXPECT_EQ(game.player_x, 43);
    EXPECT_EQ(game.tummy, TUMMY_START + 25 - 1);
    EXPECT_EQ(game.health, HEALTH_START + 10);

    // The next jump is one cell longer.
    play(MOVE_SPRINT_RIGHT);
    EXPECT_EQ(game.player_x, 47);
}

TEST_F(turn_test, eating_never_fills_the_tummy_past_its_cap) {
    put(0, 23, 0, "@==");
    put(0, 0, 0, "=");
    reset_level();
    game.tummy = TUMMY_MAX - 10;
    play(MOVE_WALK_RIGHT);
    EXPECT_EQ(game.tummy, TUMMY_MAX - 1);
    play(MOVE_WALK_RIGHT);
    EXPECT_EQ(game.tummy, TUMMY_MAX - 1);
    EXPECT_EQ(game.health, HEALTH_START + 20);
}

TEST_F(turn_test, a_mine_ends_the_turn_at_once_and_restarts_the_level) {
    wall_row(0, 23);
    put(0, 22, 40, "@");
    put(0, 21, 42, "X");
    put(0, 5, 5, "==");
    reset_level();
    play_board[5][5] = CELL_EMPTY; // eaten earlier: comes back
    game.grubblets_left -= 1;
    play(MOVE_SPRINT_RIGHT);
    EXPECT_EQ(outcomes, std::vector<outcome_kind>{OUTCOME_MINE});
    EXPECT_EQ(game.player_x, 40);
    EXPECT_EQ(game.player_y, 22);
    EXPECT_EQ(game.tummy, TUMMY_START); // no charge for that turn
    EXPECT_EQ(game.health, HEALTH_START);
    EXPECT_EQ(play_board[5][5], CELL_GRUBBLET);
    EXPECT_EQ(game.level, 0);
}

TEST_F(turn_test, starving_and_fatal_falls_restart_the_level) {
    put(0, 0, 0, "=");
    put(0, 23, 40, "@");
    reset_level();
    game.tummy = 1;
    play(MOVE_NONE);
    EXPECT_EQ(outcomes, std::vector<outcome_kind>{OUTCOME_STARVED});
    EXPECT_EQ(game.tummy, TUMMY_START);

    outcomes.clear();
    reset_level();
    game.health = 1;
    game.player_y = 10; // a fall of 13 cells costs 8
    play(MOVE_NONE);
    EXPECT_EQ(outcomes, std::vector<outcome_kind>{OUTCOME_FALL});
    EXPECT_EQ(game.health, HEALTH_START);

    // Both in one turn: the reset after starving restores health first.
    outcomes.clear();
    reset_level();
    game.tummy = 1;
    game.health = 1;
    game.player_y = 10;
    play(MOVE_NONE);
    EXPECT_EQ(outcomes, std::vector<outcome_kind>{OUTCOME_STARVED});
}

TEST_F(turn_test, a_level_without_grubblets_is_cleared_on_the_first_step) {
    put(1, 22, 7, "@");
    put(1, 0, 0, "=");
    wall_row(1, 23);
    reset_level();
    play(MOVE_NONE);
    EXPECT_EQ(outcomes, std::vector<outcome_kind>{OUTCOME_LEVEL_WON});
    EXPECT_EQ(game.level, 1);
    EXPECT_EQ(game.player_x, 7);
    // The rest of the turn is played on the new level.
    EXPECT_EQ(game.tummy, TUMMY_START - 1);
}

TEST_F(turn_test, eating_the_last_grubblet_mid_jump_clears_on_the_next_step) {
    wall_row(0, 23);
    put(0, 22, 40, "@");
    put(0, 21, 41, "=");
    put(1, 22, 3, "@");
    put(1, 0, 0, "=");
    wall_row(1, 23);
    reset_level();
    play(MOVE_SPRINT_RIGHT);
    EXPECT_EQ(outcomes, std::vector<outcome_kind>{OUTCOME_LEVEL_WON});
    EXPECT_EQ(game.level, 1);
    EXPECT_EQ(game.player_x, 3);
    EXPECT_EQ(game.player_y, 22);
}

TEST_F(turn_test, a_fall_carries_over_into_the_next_level) {
    // Level 1: a grubblet 7 cells below an unsupported start. Level 2: a
    // start 19 cells above its floor. 7 + 19 cells fallen cost 21 health,
    // charged to the fresh health of level 2.
    put(0, 5, 5, "@");
    put(0, 12, 5, "=");
    put(1, 3, 40, "@");
    put(1, 0, 0, "=");
    wall_row(0, 23);
    wall_row(1, 23);
    reset_level();
    play(MOVE_NONE);
    EXPECT_EQ((std::vector<outcome_kind>{OUTCOME_LEVEL_WON, OUTCOME_FALL}), outcomes);
    EXPECT_EQ(game.level, 1);
    EXPECT_EQ(game.health, HEALTH_START);
}

TEST_F(turn_test, clearing_the_last_level_wins_the_game) {
    game.level = 8;
    wall_row(8, 23);
    put(8, 22, 10, "@=");
    reset_level();
    play(MOVE_WALK_RIGHT);
    play(MOVE_NONE);
    EXPECT_EQ(outcomes, std::vector<outcome_kind>{OUTCOME_GAME_WON});
    EXPECT_EQ(victories, 1);
    EXPECT_EQ(game.game_won, 1);
    EXPECT_EQ(game.quit_requested, 1);
    EXPECT_EQ(game.level, 8);
}

TEST_F(turn_test, an_empty_last_level_with_an_unsupported_start_wins_once) {
    game.level = 8;
    put(8, 3, 3, "@");
    reset_level();
    play(MOVE_NONE);
    EXPECT_EQ(outcomes, std::vector<outcome_kind>{OUTCOME_GAME_WON});
    EXPECT_EQ(victories, 1);
    EXPECT_EQ(game.quit_requested, 1);
}

TEST_F(turn_test, a_headless_turn_needs_no_display) {
    display = display_interface{nullptr, nullptr, nullptr};
    put(0, 0, 0, "=");
    put(0, 22, 40, "@");
    put(0, 21, 42, "X");
    wall_row(0, 23);
    reset_level();
    play(MOVE_SPRINT_RIGHT);
    EXPECT_EQ(game.player_x, 40);
}
