// The editor's requests, carried out with the state records set directly.
#include "editor/editor.h"
#include "rules_test_support.h"

namespace {
class editor_test : public rules_test {
  protected:
    void SetUp() override {
        rules_test::SetUp();
        editor = editor_state{};
        editor.cursor_x = 40;
        editor.cursor_y = 12;
        reset_level();
    }
    // The play board must always show the stored level in the editor.
    void expect_play_board_is_stored_level() {
        for (int r = 0; r < BOARD_ROWS; r++) {
            for (int c = 0; c < BOARD_COLS; c++) {
                ASSERT_EQ(play_board[r][c], level_set[game.level][r][c]) << r << "," << c;
            }
        }
    }
};
} // namespace

TEST_F(editor_test, paint_mode_paints_every_cell_the_cursor_enters_up_to_the_border) {
    editor.paint_mode = 1;
    editor.brush = CELL_WALL;
    editor.cursor_x = 77;
    editor.step_x = FAST_STEP;
    apply_editor_requests();
    EXPECT_EQ(editor.cursor_x, 79);
    // The cell it started on was painted by the frame before.
    EXPECT_EQ(level_set[0][12][77], CELL_EMPTY);
    EXPECT_EQ(level_set[0][12][78], CELL_WALL);
    EXPECT_EQ(level_set[0][12][79], CELL_WALL);
    EXPECT_EQ(editor.step_x, 0);
    EXPECT_EQ(editor.paint_now, 0);
    expect_play_board_is_stored_level();

    // A step against the border keeps the cursor there and paints it again.
    editor.cursor_y = 0;
    editor.step_y = -1;
    apply_editor_requests();
    EXPECT_EQ(editor.cursor_y, 0);
    EXPECT_EQ(level_set[0][0][79], CELL_WALL);
}

TEST_F(editor_test, without_paint_mode_moves_paint_nothing_and_space_paints_once) {
    editor.brush = CELL_MINE;
    editor.step_y = -FAST_STEP;
    apply_editor_requests();
    editor.step_x = -1;
    apply_editor_requests();
    EXPECT_EQ(editor.cursor_y, 7);
    EXPECT_EQ(editor.cursor_x, 39);
    for (int r = 0; r < BOARD_ROWS; r++) {
        for (int c = 0; c < BOARD_COLS; c++) {
            ASSERT_EQ(level_set[0][r][c], CELL_EMPTY);
        }
    }
    editor.paint_now = 1;
    apply_editor_requests();
    EXPECT_EQ(level_set[0][7][39], CELL_MINE);
    EXPECT_EQ(editor.paint_now, 0);
    expect_play_board_is_stored_level();
}

TEST_F(editor_test, picking_takes_the_brush_from_the_stored_level) {
    put(0, 12, 40, "X");
    editor.pick_request = 1;
    apply_editor_requests();
    EXPECT_EQ(editor.brush, CELL_MINE);
    EXPECT_EQ(editor.pick_request, 0);
}

TEST_F(editor_test, fill_changes_the_stored_level_and_resets_the_play_board) {
    put(0, 13, 0, std::string(BOARD_COLS, '&'));
    reset_level();
    editor.brush = CELL_GRUBBLET;
    editor.fill_request = 1;
    apply_editor_requests();
    EXPECT_EQ(level_set[0][0][0], CELL_GRUBBLET);
    EXPECT_EQ(level_set[0][14][0], CELL_EMPTY);
    EXPECT_EQ(editor.fill_request, 0);
    expect_play_board_is_stored_level();
}

TEST_F(editor_test, painting_start_cells_moves_the_player) {
    put(0, 3, 3, "@");
    reset_level();
    editor.brush = CELL_START;
    editor.paint_now = 1;
    apply_editor_requests();
    EXPECT_EQ(game.player_y, 12);
    EXPECT_EQ(game.player_x, 40);

    // Painting over the only start left puts the player at the top left.
    put(0, 3, 3, ".");
    editor.brush = CELL_EMPTY;
    editor.paint_now = 1;
    apply_editor_requests();
    EXPECT_EQ(game.player_y, 0);
    EXPECT_EQ(game.player_x, 0);
}

TEST_F(editor_test, every_frame_starts_with_an_empty_trail) {
    game.trail_len = 4;
    game.fall_mark = 2;
    apply_editor_requests();
    EXPECT_EQ(game.trail_len, 0);
    EXPECT_EQ(game.fall_mark, FALL_MARK_NONE);
}
