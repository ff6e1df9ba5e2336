// The level editor as a level designer uses it: cursor, brush, painting,
// filling, saving and reloading, and playing what was made.
#include "terminal_session.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

level_text first_level() {
    level_text level;
    level.floor().put(22, 2, "@").put(22, 10, "=").put(22, 30, "X").put(18, 20, "&&&&&&");
    return level;
}

level_text second_level() {
    level_text level;
    level.put(6, 5, "&").put(5, 5, "@").put(4, 60, "=");
    return level;
}

std::string two_levels() {
    return make_boards({first_level(), second_level()});
}

// Starts the game on two_levels() and enters the editor.
struct editor_session : terminal_session {
    editor_session() : terminal_session(options()) {
        type("x/");
    }
    static session_options options() {
        session_options o;
        o.boards = two_levels();
        return o;
    }
};

const char *const STATUS_LEVEL_1 =
    "L1 [dec ]inc (s)ave (l)oad (q)uit  >. & X = @  zx:pick tab:paint f:fill ctrl:fst";

// Byte of a cell in a file written by the game.
std::size_t file_offset(int level, int row, int col) {
    return static_cast<std::size_t>(1945 * level + 81 * row + col);
}

} // namespace

TEST(editor, first_visit_shows_the_level_the_status_line_and_a_normal_cursor) {
    editor_session s;
    EXPECT_EQ(s.text(24, 0, 3), "L1 ");
    EXPECT_EQ(s.styled(24, 0, 33), "[white/black+b]L1 [dec ]inc (s)ave (l)oad (q)uit");
    EXPECT_EQ(s.styled(24, 35, 3), "[white/black+b]>. ");
    EXPECT_EQ(s.styled(24, 75, 5), "[white/black+b]l:fst");
    // The level with its own colours, the player on the start cell.
    EXPECT_EQ(s.styled(22, 1, 3), "[white/black].[yellow/blue+b]@[white/black].");
    EXPECT_EQ(s.styled(22, 30, 1), "[red/black+b]X");
    EXPECT_EQ(s.styled(23, 0, 1), "[cyan/black]&");
    EXPECT_EQ(s.cursor_row(), 12);
    EXPECT_EQ(s.cursor_col(), 40);
    EXPECT_TRUE(s.cursor_visible());
    EXPECT_FALSE(s.cursor_blinking());
}

TEST(editor, brush_keys_cycle_through_the_five_kinds) {
    editor_session s;
    const int marker_cols[] = {37, 39, 41, 43, 35};
    for (int col : marker_cols) {
        s.type("x");
        EXPECT_EQ(s.text(24, 35, 10).find('>'), static_cast<std::size_t>(col - 35));
    }
    s.type("z");
    EXPECT_EQ(s.cell(24, 43).ch, ">");
    s.type("Z");
    EXPECT_EQ(s.cell(24, 41).ch, ">");
    EXPECT_EQ(s.cell(24, 42).ch, "=");
    s.type("X");
    EXPECT_EQ(s.cell(24, 43).ch, ">");
}

TEST(editor, paint_mode_draws_a_line_as_the_cursor_moves) {
    editor_session s;
    s.type("x"); // wall brush
    s.press(VTERM_KEY_TAB);
    EXPECT_TRUE(s.cursor_blinking()); // the very visible cursor
    EXPECT_EQ(s.styled(12, 40, 1), "[cyan/black]&");
    s.press(VTERM_KEY_RIGHT);
    s.type("6");
    s.press(VTERM_KEY_RIGHT, VTERM_MOD_CTRL);
    EXPECT_EQ(s.cursor_col(), 47);
    EXPECT_EQ(s.styled(12, 39, 10), "[white/black].[cyan/black]&&&&&&&&[white/black].");
    s.press(VTERM_KEY_DOWN, VTERM_MOD_CTRL);
    EXPECT_EQ(s.cursor_row(), 17);
    for (int row = 13; row <= 17; row++) {
        EXPECT_EQ(s.cell(row, 47).ch, "&") << row;
    }

    // Paint mode off: moves paint nothing.
    s.press(VTERM_KEY_TAB);
    EXPECT_FALSE(s.cursor_blinking());
    EXPECT_TRUE(s.cursor_visible());
    s.press(VTERM_KEY_LEFT);
    s.type("4");
    s.press(VTERM_KEY_UP, VTERM_MOD_CTRL);
    EXPECT_EQ(s.cursor_row(), 12);
    EXPECT_EQ(s.cursor_col(), 45);
    EXPECT_EQ(s.cell(17, 46).ch, ".");
    EXPECT_EQ(s.cell(17, 45).ch, ".");

    // Space paints once.
    s.type(" ");
    EXPECT_EQ(s.cell(12, 45).ch, "&");
    s.type("2");
    EXPECT_EQ(s.cell(13, 45).ch, ".");
}

TEST(editor, the_cursor_stops_at_the_border) {
    editor_session s;
    for (int i = 0; i < 3; i++) {
        s.press(VTERM_KEY_UP, VTERM_MOD_CTRL);
    }
    EXPECT_EQ(s.cursor_row(), 0);
    for (int i = 0; i < 9; i++) {
        s.press(VTERM_KEY_RIGHT, VTERM_MOD_CTRL);
    }
    EXPECT_EQ(s.cursor_col(), 79);
    s.type("8");
    EXPECT_EQ(s.cursor_row(), 0);
}

TEST(editor, picking_and_filling) {
    editor_session s;
    // Onto the mine at row 22, column 30, and pick it up.
    s.press(VTERM_KEY_DOWN, VTERM_MOD_CTRL);
    s.press(VTERM_KEY_DOWN, VTERM_MOD_CTRL);
    for (int i = 0; i < 2; i++) {
        s.press(VTERM_KEY_LEFT, VTERM_MOD_CTRL);
    }
    EXPECT_EQ(s.cursor_row(), 22);
    EXPECT_EQ(s.cursor_col(), 30);
    s.type("c");
    EXPECT_EQ(s.cell(24, 39).ch, ">");

    // Fill the floor with mines: the whole row, and nothing above it.
    s.type("2f");
    EXPECT_EQ(s.row_text(23), std::string(80, 'X'));
    EXPECT_EQ(s.styled(23, 0, 2), "[red/black+b]XX");
    EXPECT_EQ(s.cell(22, 29).ch, ".");
}

TEST(editor, a_confirmed_save_writes_boards_txt) {
    editor_session s;
    s.type("xxx "); // a grubblet at row 12, column 40
    EXPECT_EQ(s.read_file("boards.txt"), two_levels());
    s.type("s");
    EXPECT_EQ(s.text(0, 0, 32), "Confirm save with Y (upper case)");
    EXPECT_EQ(s.styled(0, 0, 7), "[white/black+b]Confirm");
    s.type("Y");
    EXPECT_EQ(s.row_text(0), "Save successful" + std::string(65, '_'));
    std::string saved = *s.read_file("boards.txt");
    ASSERT_EQ(saved.size(), 17505u);
    EXPECT_EQ(saved[file_offset(0, 12, 40)], '=');
    EXPECT_EQ(saved[file_offset(0, 22, 2)], '@');
    EXPECT_EQ(saved[file_offset(1, 5, 5)], '@');
    s.type("x"); // acknowledges the message; no brush change
    EXPECT_EQ(s.row_text(0), std::string(80, '.'));
    EXPECT_EQ(s.cell(24, 41).ch, ">");
}

TEST(editor, only_upper_case_y_confirms) {
    editor_session s;
    s.type("x "); // a wall at row 12, column 40
    s.type("s");
    s.type("y");
    EXPECT_EQ(s.read_file("boards.txt"), two_levels());
    EXPECT_EQ(s.row_text(0), std::string(80, '.'));
    s.type("l");
    EXPECT_EQ(s.text(0, 0, 32), "Confirm load with Y (upper case)");
    s.press(VTERM_KEY_ENTER);
    EXPECT_EQ(s.cell(12, 40).ch, "&"); // the edit is still there
}

TEST(editor, a_confirmed_reload_drops_unsaved_edits_at_once) {
    editor_session s;
    s.type("x ]x "); // a wall on level 1, a mine on level 2
    EXPECT_EQ(s.cell(12, 40).ch, "X");
    s.type("lY");
    EXPECT_EQ(s.cell(12, 40).ch, ".");
    EXPECT_EQ(s.row_text(0), std::string(80, '.'));
    EXPECT_EQ(s.cell(24, 1).ch, "2");
    s.type("[");
    EXPECT_EQ(s.cell(12, 40).ch, ".");
}

TEST(editor, file_errors_are_shown_and_lose_nothing) {
    editor_session s;
    s.type("x ");
    ASSERT_EQ(unlink(s.path("boards.txt").c_str()), 0);
    s.type("lY");
    EXPECT_EQ(s.text(0, 0, 46), "Error: couldn't access boards.txt for reading.");
    EXPECT_EQ(s.text(1, 0, 13), "press any key");
    s.type("x");
    EXPECT_EQ(s.text(3, 0, 13), "loading error");
    s.type("x");
    EXPECT_EQ(s.cell(12, 40).ch, "&"); // the stored levels are unchanged
    EXPECT_EQ(s.text(24, 0, 3), "L1 ");

    ASSERT_EQ(mkdir(s.path("boards.txt").c_str(), 0755), 0);
    s.type("sY");
    EXPECT_EQ(s.text(0, 0, 46), "Error: couldn't access boards.txt for writing.");
    s.type("x");
    EXPECT_EQ(s.text(3, 0, 12), "saving error");
    s.type("x");
    EXPECT_EQ(s.cell(12, 40).ch, "&");
    EXPECT_EQ(s.row_text(0), std::string(80, '.'));
}

TEST(editor, level_keys_move_between_levels_and_keep_the_cursor) {
    editor_session s;
    s.type("[");
    EXPECT_EQ(s.cell(24, 1).ch, "1");
    s.type("]");
    EXPECT_EQ(s.cell(24, 1).ch, "2");
    EXPECT_EQ(s.styled(5, 5, 1), "[yellow/blue+b]@");
    EXPECT_EQ(s.styled(4, 60, 1), "[yellow/black]=");
    EXPECT_EQ(s.cursor_row(), 12);
    EXPECT_EQ(s.cursor_col(), 40);
    for (int i = 0; i < 10; i++) {
        s.type("]");
    }
    EXPECT_EQ(s.cell(24, 1).ch, "9");
    EXPECT_EQ(s.styled(0, 0, 1), "[yellow/blue+b]@"); // no start cell
}

TEST(editor, other_keys_do_nothing_and_redraw_nothing) {
    editor_session s;
    std::string before = s.dump();
    std::size_t bytes = s.bytes_received();
    s.type("5yY079a");
    s.press(VTERM_KEY_ENTER);
    s.press(VTERM_KEY_ESCAPE);
    EXPECT_EQ(s.dump(), before);
    EXPECT_EQ(s.bytes_received(), bytes);
}

TEST(editor, q_quits_at_once_without_saving) {
    editor_session s;
    s.type("x Q");
    EXPECT_EQ(s.wait_exit(), 0);
    EXPECT_EQ(s.read_file("boards.txt"), two_levels());
}

TEST(editor, a_level_made_in_the_editor_is_played_from_its_new_start) {
    editor_session s;
    // A start cell at row 12, column 40, a wall under it and a grubblet to
    // its right. The old start, later in reading order, still wins.
    s.type("xxxx "); // start
    EXPECT_EQ(s.styled(12, 40, 1), "[green/black]_");
    EXPECT_EQ(s.styled(22, 2, 1), "[yellow/blue+b]@");
    s.type("2zzz "); // wall below
    s.type("86xx "); // grubblet to the right
    // Down to the old start, and paint it over with empty space.
    s.press(VTERM_KEY_DOWN, VTERM_MOD_CTRL);
    s.press(VTERM_KEY_DOWN, VTERM_MOD_CTRL);
    for (int i = 0; i < 7; i++) {
        s.press(VTERM_KEY_LEFT, VTERM_MOD_CTRL);
    }
    s.type("4444");
    EXPECT_EQ(s.cursor_row(), 22);
    EXPECT_EQ(s.cursor_col(), 2);
    s.type("xx ");
    EXPECT_EQ(s.styled(22, 2, 1), "[white/black].");
    EXPECT_EQ(s.styled(12, 40, 1), "[yellow/blue+b]@");

    s.type("/");
    EXPECT_FALSE(s.cursor_visible());
    EXPECT_EQ(s.styled(12, 40, 1), "[yellow/blue+b]@");
    EXPECT_EQ(s.text(24, 0, 9), "Tummy: 99");
    // Onto the grubblet, then down to the floor: ten cells, a painful fall.
    s.type("3");
    EXPECT_EQ(s.text(24, 0, 21), "Tummy: 123 Health: 25");
    EXPECT_EQ(s.styled(22, 41, 1), "[black/red+b]@");

    // Back in the editor: the level is whole again, and the cursor and the
    // brush are as they were left.
    s.type("/");
    EXPECT_EQ(s.cursor_row(), 22);
    EXPECT_EQ(s.cursor_col(), 2);
    EXPECT_EQ(s.cell(24, 35).ch, ">");
    EXPECT_EQ(s.cell(12, 41).ch, "=");
    EXPECT_EQ(s.styled(12, 40, 1), "[yellow/blue+b]@");
}

// The control+arrow keys reach the editor whatever the terminal calls them.
TEST(editor, control_arrows_work_in_several_terminal_types) {
    for (const char *term : {"xterm", "xterm-256color", "tmux-256color", "screen"}) {
        SCOPED_TRACE(term);
        session_options options;
        options.boards = two_levels();
        options.term = term;
        terminal_session s(options);
        s.type("x/");
        s.press(VTERM_KEY_RIGHT, VTERM_MOD_CTRL);
        s.press(VTERM_KEY_DOWN, VTERM_MOD_CTRL);
        EXPECT_EQ(s.cursor_col(), 45);
        EXPECT_EQ(s.cursor_row(), 17);
        s.press(VTERM_KEY_LEFT, VTERM_MOD_CTRL);
        s.press(VTERM_KEY_UP, VTERM_MOD_CTRL);
        EXPECT_EQ(s.cursor_col(), 40);
        EXPECT_EQ(s.cursor_row(), 12);
        s.press(VTERM_KEY_LEFT);
        EXPECT_EQ(s.cursor_col(), 39);
    }
}
