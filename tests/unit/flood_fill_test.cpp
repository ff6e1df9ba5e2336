// Flood fill of the stored level.
#include "editor/editor.h"
#include "rules_test_support.h"

namespace {
class flood_fill_test : public rules_test {
  protected:
    void SetUp() override {
        rules_test::SetUp();
        editor = editor_state{};
    }
    void fill_from(int row, int col, cell_kind brush) {
        editor.cursor_y = row;
        editor.cursor_x = col;
        editor.brush = brush;
        flood_fill();
    }
    int count(cell_kind kind) const {
        int n = 0;
        for (int r = 0; r < BOARD_ROWS; r++) {
            for (int c = 0; c < BOARD_COLS; c++) {
                n += level_set[0][r][c] == kind;
            }
        }
        return n;
    }
};
} // namespace

TEST_F(flood_fill_test, filling_with_the_kind_already_there_changes_nothing) {
    put(0, 5, 5, "&&&");
    std::string before = level_text(0);
    fill_from(5, 6, CELL_WALL);
    EXPECT_EQ(level_text(0), before);
}

TEST_F(flood_fill_test, an_empty_level_fills_whole) {
    fill_from(12, 40, CELL_WALL);
    EXPECT_EQ(count(CELL_WALL), BOARD_ROWS * BOARD_COLS);
}

TEST_F(flood_fill_test, regions_touching_at_a_corner_stay_apart) {
    // A closed box of walls; the empty cell diagonally outside its corner
    // touches the inside of nothing, and the outside is not reached.
    put(0, 2, 2, "&&&&");
    put(0, 3, 2, "&..&");
    put(0, 4, 2, "&..&");
    put(0, 5, 2, "&&&&");
    // Two mines joined only at a corner.
    put(0, 10, 10, "X");
    put(0, 11, 11, "X");
    fill_from(3, 3, CELL_GRUBBLET);
    EXPECT_EQ(count(CELL_GRUBBLET), 4);
    EXPECT_EQ(level_set[0][1][1], CELL_EMPTY);
    EXPECT_EQ(level_set[0][6][6], CELL_EMPTY);

    fill_from(10, 10, CELL_START);
    EXPECT_EQ(level_set[0][10][10], CELL_START);
    EXPECT_EQ(level_set[0][11][11], CELL_MINE);
}

// A corridor that winds up and to the left of the cursor, so that most of it
// is only reached by later sweeps: the whole corridor fills and nothing else.
TEST_F(flood_fill_test, a_spiral_winding_up_and_left_fills_whole) {
    for (int r = 0; r < BOARD_ROWS; r++) {
        put(0, r, 0, std::string(BOARD_COLS, '&'));
    }
    // A serpentine of empty cells from the bottom right to the top left:
    // every other row runs leftwards, joined alternately at each end.
    int cells = 0;
    for (int r = 23; r >= 1; r -= 2) {
        put(0, r, 1, std::string(78, '.'));
        cells += 78;
        int joint = ((23 - r) / 2) % 2 == 0 ? 1 : 78;
        if (r > 1) {
            put(0, r - 1, joint, ".");
            cells += 1;
        }
    }
    fill_from(23, 78, CELL_GRUBBLET);
    EXPECT_EQ(count(CELL_GRUBBLET), cells);
    EXPECT_EQ(count(CELL_EMPTY), 0);
}

TEST_F(flood_fill_test, only_the_region_under_the_cursor_changes) {
    put(0, 10, 0, std::string(BOARD_COLS, '&'));
    fill_from(5, 5, CELL_MINE);
    EXPECT_EQ(count(CELL_MINE), 10 * BOARD_COLS);
    EXPECT_EQ(level_set[0][11][0], CELL_EMPTY);
    EXPECT_EQ(count(CELL_WALL), BOARD_COLS);
}
