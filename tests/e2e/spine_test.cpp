// The program shell as a player meets it: start, keys, quit, and a terminal
// that is always given back as it was.
#include "terminal_session.h"

#include <csignal>
#include <gtest/gtest.h>

namespace {

// A floor, the start at row 22, column 2, a grubblet and a mine on the floor,
// and a platform above.
std::string simple_boards() {
    level_text level;
    level.floor().put(22, 2, "@").put(22, 10, "=").put(22, 30, "X").put(18, 20, "&&&&&&");
    return make_boards({level, level});
}

session_options with_boards(const std::string &boards) {
    session_options options;
    options.boards = boards;
    return options;
}

} // namespace

TEST(spine, q_quits_with_status_zero_and_gives_the_terminal_back) {
    terminal_session s(with_boards(simple_boards()));
    EXPECT_TRUE(s.alternate_screen());
    s.type("x"); // dismisses the title
    EXPECT_EQ(s.text(24, 0, 9), "Tummy: 99");
    s.type("q");
    EXPECT_EQ(s.wait_exit(), 0);
    EXPECT_TRUE(s.terminal_modes_restored());
    EXPECT_FALSE(s.alternate_screen());
    EXPECT_TRUE(s.cursor_visible());
}

TEST(spine, upper_case_q_quits_too) {
    terminal_session s(with_boards(simple_boards()));
    s.type("xQ");
    EXPECT_EQ(s.wait_exit(), 0);
}

TEST(spine, keys_outside_the_play_table_do_nothing) {
    terminal_session s(with_boards(simple_boards()));
    s.type("x");
    std::string before = s.dump();
    std::size_t bytes = s.bytes_received();
    s.type("25a yYzZ-+.");
    s.press(VTERM_KEY_UP);
    s.press(VTERM_KEY_DOWN);
    s.press(VTERM_KEY_LEFT);
    s.press(VTERM_KEY_RIGHT);
    s.press(VTERM_KEY_LEFT, VTERM_MOD_CTRL);
    s.press(VTERM_KEY_ENTER);
    s.press(VTERM_KEY_ESCAPE);
    s.press(VTERM_KEY_TAB);
    s.press(static_cast<VTermKey>(VTERM_KEY_FUNCTION(1)));
    EXPECT_TRUE(s.running());
    EXPECT_EQ(s.dump(), before);
    // Dropped keys cost no turn and cause no redraw.
    EXPECT_EQ(s.bytes_received(), bytes);
    s.type("3");
    EXPECT_EQ(s.text(24, 0, 9), "Tummy: 98");
}

TEST(spine, r_restarts_the_level_at_the_cost_of_one_turn) {
    terminal_session s(with_boards(simple_boards()));
    s.type("x3");
    EXPECT_EQ(s.cell(22, 3).ch, "@");
    EXPECT_EQ(s.text(24, 0, 9), "Tummy: 98");
    s.type("r");
    EXPECT_EQ(s.cell(22, 2).ch, "@");
    EXPECT_EQ(s.cell(22, 3).ch, ".");
    EXPECT_EQ(s.text(24, 0, 9), "Tummy: 99");
    s.type("R");
    EXPECT_EQ(s.text(24, 0, 9), "Tummy: 99");
}

TEST(spine, each_glyph_shows_in_its_own_colours) {
    terminal_session s(with_boards(simple_boards()));
    s.type("x30"); // a step, then a turn that leaves no trail
    EXPECT_EQ(s.styled(22, 0, 12), "[white/black]..[green/black]_[yellow/blue+b]@"
                                   "[white/black]......[yellow/black]=[white/black].");
    EXPECT_EQ(s.styled(22, 29, 3), "[white/black].[red/black+b]X[white/black].");
    EXPECT_EQ(s.styled(23, 0, 3), "[cyan/black]&&&");
    EXPECT_EQ(s.styled(18, 19, 8), "[white/black].[cyan/black]&&&&&&[white/black].");
    EXPECT_FALSE(s.cursor_visible());
}

TEST(spine, the_trail_of_the_last_turn_is_red) {
    terminal_session s(with_boards(simple_boards()));
    s.type("x6");
    // Up one, three along, down one: the cells left behind are red @.
    EXPECT_EQ(s.styled(21, 2, 5), "[red/black]@@@@[white/black].");
    EXPECT_EQ(s.styled(22, 2, 4), "[red/black]@[white/black]..[yellow/blue+b]@");
}

TEST(spine, a_hung_up_terminal_ends_the_program_without_spinning) {
    terminal_session s(with_boards(simple_boards()));
    s.type("x");
    s.hang_up();
    EXPECT_NE(s.wait_exit(3.0), -1);
    EXPECT_EQ(s.signal_that_ended_it(), 0);
    EXPECT_LT(s.cpu_seconds(), 1.0);
}

TEST(spine, input_gone_at_the_title_ends_the_program) {
    terminal_session s(with_boards(simple_boards()));
    s.hang_up();
    EXPECT_NE(s.wait_exit(3.0), -1);
    EXPECT_EQ(s.signal_that_ended_it(), 0);
    EXPECT_LT(s.cpu_seconds(), 1.0);
}

TEST(spine, a_termination_signal_restores_the_terminal) {
    for (int sig : {SIGTERM, SIGHUP, SIGINT}) {
        SCOPED_TRACE(sig);
        terminal_session s(with_boards(simple_boards()));
        s.type("x");
        s.send_signal(sig);
        EXPECT_EQ(s.wait_exit(3.0), 0);
        EXPECT_TRUE(s.terminal_modes_restored());
        EXPECT_FALSE(s.alternate_screen());
    }
}

TEST(spine, an_unknown_terminal_type_is_refused_with_one_clear_line) {
    session_options options = with_boards(simple_boards());
    options.term = "no-such-terminal";
    terminal_session s(options);
    EXPECT_EQ(s.wait_exit(), 1);
    EXPECT_EQ(s.row_text(0), "grubblet: cannot use terminal type \"no-such-terminal\"; try "
                             "TERM=xterm-256color");
    EXPECT_EQ(s.row_text(1), "");
}

TEST(spine, a_terminal_without_cursor_addressing_or_colour_is_refused) {
    const struct {
        const char *term, *line;
    } cases[] = {
        {"dumb",
         "grubblet: terminal type \"dumb\" cannot move the cursor; try TERM=xterm-256color"},
        {"vt100", "grubblet: terminal type \"vt100\" has no colours; try TERM=xterm-256color"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.term);
        session_options options = with_boards(simple_boards());
        options.term = c.term;
        terminal_session s(options);
        EXPECT_EQ(s.wait_exit(), 1);
        EXPECT_EQ(s.row_text(0), c.line);
        EXPECT_EQ(s.row_text(1), "");
        // The line, and nothing else: not a byte of set-up went out.
        EXPECT_EQ(s.bytes_received(), std::string(c.line).size() + 2);
        EXPECT_FALSE(s.alternate_screen());
        EXPECT_TRUE(s.terminal_modes_restored());
    }
}
