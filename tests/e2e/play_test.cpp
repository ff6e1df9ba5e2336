// Playing: the play view, the status line, turns and level outcomes, as the
// player sees them.
#include "terminal_session.h"

#include <gtest/gtest.h>

namespace {

session_options with_levels(const std::vector<level_text> &levels) {
    session_options options;
    options.boards = make_boards(levels);
    return options;
}

// A grubblet out of the way, so that the level is not cleared at once.
level_text open_level() {
    level_text level;
    level.put(0, 79, "=");
    return level;
}

} // namespace

TEST(play_view, the_status_line_shows_tummy_health_and_the_command_keys) {
    level_text level = open_level();
    level.floor().put(22, 3, "@");
    terminal_session s(with_levels({level}));
    s.type("x");
    EXPECT_EQ(s.styled(24, 0, 22), "[white/black]Tummy: 99  Health: 20 ");
    EXPECT_EQ(s.styled(24, 40, 18), "[red/black+b]R[red/black]eset, [red/black+b]Q[red/black]uit, "
                                    "[red/black+b]/[red/black]Edit");
    EXPECT_EQ(s.row_text(24), "Tummy: 99  Health: 20                   Reset, Quit, /Edit");
}

TEST(play_view, the_gauge_marks_how_far_the_jumps_reach_for_one_frame) {
    level_text level = open_level();
    level.put(10, 40, "@").put(11, 40, "&").put(9, 41, "&");
    terminal_session s(with_levels({level}));
    s.type("x0");
    // The bar above the player, three cells each side; a wall keeps its own
    // glyph and the mark beyond it is still drawn.
    EXPECT_EQ(s.styled(9, 36, 9), "[white/black].[blue/black]@@@@[cyan/black]&[blue/black]@@"
                                  "[white/black].");
    EXPECT_EQ(s.styled(8, 39, 3), "[white/black].[blue/black]@[white/black].");
    EXPECT_EQ(s.styled(7, 37, 7), "[white/black].[blue/black]@@@@@[white/black].");
    EXPECT_EQ(s.row_text(6), std::string(80, '.'));
    EXPECT_EQ(s.styled(10, 40, 1), "[yellow/blue+b]@");
    EXPECT_EQ(s.text(24, 0, 9), "Tummy: 98");

    // Gone in the next frame, even when the turn moves nothing.
    s.type("r");
    EXPECT_EQ(s.row_text(9), std::string(41, '.') + "&" + std::string(38, '.'));
    EXPECT_EQ(s.row_text(7), std::string(80, '.'));
}

TEST(play_view, gauge_marks_off_the_board_are_skipped) {
    level_text level = open_level();
    level.put(1, 0, "@").put(2, 0, "&");
    terminal_session s(with_levels({level}));
    s.type("x0");
    // Row 0 holds the bar (and the far grubblet); nothing left of column 0.
    EXPECT_EQ(s.styled(0, 0, 5), "[blue/black]@@@@[white/black].");
    EXPECT_EQ(s.styled(1, 0, 2), "[yellow/blue+b]@[white/black].");
}

TEST(play_view, a_painful_fall_shows_in_bold_and_hurts_for_one_frame) {
    level_text level = open_level();
    level.floor().put(14, 10, "@").put(15, 10, "&");
    terminal_session s(with_levels({level}));
    s.type("x3");
    // The cell stood on, then the fall column: its two lowest cells bold.
    EXPECT_EQ(s.styled(14, 10, 2), "[red/black]@@");
    for (int row = 15; row <= 19; row++) {
        EXPECT_EQ(s.styled(row, 11, 1), "[red/black]@") << row;
    }
    EXPECT_EQ(s.styled(20, 11, 1), "[red/black+b]@");
    EXPECT_EQ(s.styled(21, 11, 1), "[red/black+b]@");
    EXPECT_EQ(s.styled(22, 11, 1), "[black/red+b]@");
    EXPECT_EQ(s.text(24, 11, 10), "Health: 17");

    s.type("0");
    EXPECT_EQ(s.styled(22, 11, 1), "[yellow/blue+b]@");
    EXPECT_EQ(s.styled(17, 11, 1), "[white/black].");
    EXPECT_EQ(s.styled(14, 10, 1), "[green/black]_");
}

TEST(outcomes, a_mine_freezes_the_scene_with_a_marker_and_a_red_message) {
    level_text level = open_level();
    level.floor().put(22, 10, "@").put(22, 12, "X").put(22, 30, "=");
    terminal_session s(with_levels({level}));
    s.type("x33");
    EXPECT_EQ(s.styled(22, 12, 1), "[red/black+b]!");
    EXPECT_EQ(s.styled(24, 0, 29), "[red/black]OUCH CRAP I STEPPED ON A MINE");
    EXPECT_EQ(s.row_text(24), "OUCH CRAP I STEPPED ON A MINE");
    s.type("6"); // any key; it makes no move
    EXPECT_EQ(s.styled(22, 10, 1), "[yellow/blue+b]@");
    EXPECT_EQ(s.text(24, 0, 21), "Tummy: 100 Health: 20");
    EXPECT_EQ(s.styled(22, 12, 1), "[red/black+b]X");
}

TEST(outcomes, messages_take_the_current_text_attribute) {
    level_text level = open_level();
    level.floor().put(20, 5, "@").put(21, 5, "X");
    terminal_session s(with_levels({level}));
    s.type("x");
    EXPECT_EQ(s.styled(24, 0, 29), "[white/black]OUCH CRAP I STEPPED ON A MINE");
    EXPECT_EQ(s.styled(21, 5, 1), "[red/black+b]!");

    // After a visit to the editor the same message is bold.
    s.type("x//");
    EXPECT_EQ(s.styled(24, 0, 29), "[white/black+b]OUCH CRAP I STEPPED ON A MINE");
    EXPECT_EQ(s.styled(21, 5, 1), "[red/black+b]!");
    EXPECT_EQ(s.styled(23, 5, 1), "[cyan/black]&");
}

TEST(outcomes, falling_too_far_too_often_hurts_the_butt) {
    // A fall from the top costs 18; three high jumps up a stair, and a fall
    // of nine cells costs the rest.
    level_text level = open_level();
    level.put(0, 5, "@").put(21, 7, "&").put(18, 9, "&").put(15, 11, "&");
    terminal_session s(with_levels({level}));
    s.type("x");
    EXPECT_EQ(s.text(24, 11, 9), "Health: 2");
    s.type("999");
    EXPECT_EQ(s.cell(14, 11).ch, "@");
    s.type("3");
    EXPECT_EQ(s.styled(23, 12, 1), "[red/black+b]!");
    EXPECT_EQ(s.row_text(24), "OH NO I HURT MY BUTT");
    s.type("x");
    EXPECT_EQ(s.text(24, 0, 21), "Tummy: 100 Health: 20");
}

TEST(outcomes, an_empty_tummy_starves_the_player) {
    level_text level = open_level();
    level.floor().put(22, 5, "@");
    terminal_session s(with_levels({level}));
    s.type("x");
    s.type(std::string(98, '0'));
    EXPECT_EQ(s.text(24, 0, 9), "Tummy: 1 ");
    s.type("0");
    EXPECT_EQ(s.row_text(24), "ARGH MAN I STARVED TO DEATH");
    s.type("x");
    EXPECT_EQ(s.text(24, 0, 10), "Tummy: 100");
}

TEST(outcomes, clearing_every_level_shows_the_victory_and_ends_the_game) {
    // Eight empty levels, each cleared on its first step, then a ninth with a
    // grubblet one step away.
    std::vector<level_text> levels(9);
    levels[1].put(3, 3, "@");
    levels[8].floor().put(22, 40, "@=");
    terminal_session s(with_levels(levels));
    s.type("x");
    EXPECT_EQ(s.row_text(24), "I HAVE WON THE LEVEL");
    EXPECT_EQ(s.styled(0, 0, 1), "[red/black+b]!");
    EXPECT_EQ(s.styled(24, 0, 1), "[white/black]I");
    // The step that cleared a level carries on on the next one: the player
    // falls one cell from its start before that level is cleared too.
    s.type("x");
    EXPECT_EQ(s.styled(3, 3, 1), "[red/black]@");
    EXPECT_EQ(s.styled(4, 3, 1), "[red/black+b]!");
    for (int level = 3; level <= 8; level++) {
        s.type("x");
        EXPECT_EQ(s.row_text(24), "I HAVE WON THE LEVEL") << level;
    }
    // One cell fallen on each of seven levels: a fall of seven in one turn.
    s.type("x");
    EXPECT_EQ(s.row_text(24).substr(0, 21), "Tummy: 99  Health: 18");
    EXPECT_EQ(s.cell(22, 41).ch, "=");

    s.type("3");
    EXPECT_EQ(s.row_text(0), "YOU WIN                                 Press a key to quit.");
    for (int row = 1; row <= 10; row++) {
        EXPECT_EQ(s.row_text(row), std::string(7 * row, ' ') + "YOU WIN") << row;
    }
    EXPECT_EQ(s.row_text(11), std::string(77, ' ') + "YOU");
    EXPECT_EQ(s.row_text(12), " WIN");
    for (int row = 13; row <= 24; row++) {
        EXPECT_EQ(s.row_text(row), "") << row;
    }
    // Red: the attribute the last play screen left.
    EXPECT_EQ(s.styled(0, 0, 7), "[red/black]YOU WIN");
    s.type("q");
    EXPECT_EQ(s.wait_exit(), 0);
    EXPECT_TRUE(s.terminal_modes_restored());
}

TEST(outcomes, an_empty_last_level_over_a_drop_wins_once_and_ends) {
    std::vector<level_text> levels(9);
    levels[8].put(3, 3, "@");
    terminal_session s(with_levels(levels));
    s.type("xxxxxxxxx"); // the title, then eight cleared levels
    EXPECT_EQ(s.text(0, 0, 7), "YOU WIN");
    s.type("x");
    EXPECT_EQ(s.wait_exit(), 0);
}

TEST(play_view, after_the_editor_the_status_text_is_bold_but_no_glyph_is) {
    level_text level = open_level();
    level.floor().put(22, 3, "@").put(22, 6, "X=");
    terminal_session s(with_levels({level}));
    s.type("x//");
    EXPECT_EQ(s.styled(24, 0, 21),
              "[white/black+b]Tummy: 99[white/black]  [white/black+b]Health: 20");
    EXPECT_EQ(s.styled(24, 40, 18), "[red/black+b]Reset, Quit, /Edit");
    EXPECT_EQ(s.styled(22, 2, 6), "[white/black].[yellow/blue+b]@[white/black]..[red/black+b]X"
                                  "[yellow/black]=");
    EXPECT_EQ(s.styled(23, 0, 2), "[cyan/black]&&");
    s.type("3");
    EXPECT_EQ(s.styled(22, 3, 1), "[red/black]@");
    EXPECT_FALSE(s.cursor_visible());
}

// The numeric keypad plays as the title says, whatever the terminal sends for
// it: in application mode terminals send ESC O p .. ESC O y for 0 .. 9
// (tmux's description names none of them, xterm's names them as keypad
// keys), and ESC O o for its /. Each screen equals the one the characters
// give: the title, play, the gauge, the editor and its cursor keys.
TEST(play_keys, the_keypad_in_application_mode_acts_as_the_digits_and_slash) {
    const char *const digits[] = {"6", "7", "0", "3", "/", "8", "6", "2", "4"};
    for (const char *term : {"tmux-256color", "xterm-256color"}) {
        SCOPED_TRACE(term);
        session_options options;
        options.boards = shipped_boards();
        options.term = term;
        terminal_session typed(options);
        terminal_session keypad(options);
        typed.type("5");
        keypad.send_raw("\033Ou");
        for (const char *key : digits) {
            SCOPED_TRACE(key);
            typed.type(key);
            keypad.send_raw(key[0] == '/' ? std::string("\033Oo")
                                          : std::string("\033O") + char('p' + (key[0] - '0')));
            for (int row = 0; row < 25; row++) {
                ASSERT_EQ(keypad.styled(row, 0, 80), typed.styled(row, 0, 80)) << keypad.dump();
            }
            EXPECT_EQ(keypad.cursor_row(), typed.cursor_row());
            EXPECT_EQ(keypad.cursor_col(), typed.cursor_col());
        }
    }
}
