// Start-up with and without a level file (and with something else named
// boards.txt), and the title screen.
#include "terminal_session.h"

#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

TEST(level_file, starting_without_boards_txt_explains_and_exits_with_status_one) {
    terminal_session s; // no boards.txt
    EXPECT_EQ(s.row_text(0), "Error: couldn't access boards.txt for reading.");
    EXPECT_EQ(s.row_text(1), "press any key");
    s.type("q"); // any key; it quits nothing by itself
    EXPECT_TRUE(s.running());
    EXPECT_EQ(s.row_text(0), "Error loading boards.txt. Quitting! RUNNING AWAY");
    EXPECT_EQ(s.row_text(1), "press any key");
    s.type("x");
    EXPECT_EQ(s.wait_exit(), 1);
    EXPECT_TRUE(s.terminal_modes_restored());
    EXPECT_FALSE(s.alternate_screen());
    EXPECT_TRUE(s.cursor_visible());
    // Then, on the terminal given back, where the shipped levels are.
    const std::string hint = "grubblet: no readable boards.txt in " + s.dir() +
                             "; to play the shipped levels: cp " + GRUBBLET_SHIPPED_BOARDS + " .";
    EXPECT_NE(s.dump().find(hint.substr(0, 80)), std::string::npos) << s.dump();
}

namespace {

// Text without its spaces and line ends: the terminal wraps a long line
// anywhere, and a row's trailing blank does not show.
std::string squeezed(const std::string &text) {
    std::string out;
    for (char c : text) {
        if (c != ' ' && c != '\n') {
            out += c;
        }
    }
    return out;
}

// The screen's rows, squeezed.
std::string screen_text(const terminal_session &s) {
    std::string text;
    for (int r = 0; r < 25; r++) {
        text += s.row_text(r);
    }
    return squeezed(text);
}

} // namespace

// Whatever stands in the way, the game's own screens are the same; the line
// after them names it, with commands that get the shipped levels played.
TEST(level_file, a_boards_txt_that_is_no_level_file_is_named_for_what_it_is) {
    const std::string shipped = GRUBBLET_SHIPPED_BOARDS;
    const std::string move_aside = "; to play the shipped levels: mv boards.txt boards.txt.old && "
                                   "cp " +
                                   shipped + " .";
    struct row {
        const char *name;
        std::function<void(const std::string &)> prepare;
        bool unprivileged;
        std::string says;
    } rows[] = {
        {"directory", [](const std::string &d) { mkdir((d + "/boards.txt").c_str(), 0755); }, false,
         " is a directory, not a level file" + move_aside},
        {"fifo", [](const std::string &d) { mkfifo((d + "/boards.txt").c_str(), 0644); }, false,
         " is a named pipe (FIFO), not a level file" + move_aside},
        {"device", [](const std::string &d) { symlink("/dev/null", (d + "/boards.txt").c_str()); },
         false, " is a character device, not a level file" + move_aside},
        {"dangling link",
         [](const std::string &d) { symlink("gone.txt", (d + "/boards.txt").c_str()); }, false,
         " is a symbolic link to nothing, not a level file" + move_aside},
        {"unreadable",
         [](const std::string &d) {
             std::ofstream(d + "/boards.txt") << "&";
             chmod((d + "/boards.txt").c_str(), 0);
         },
         true,
         " cannot be read: Permission denied; as its owner: chmod u+rw boards.txt; or, in a "
         "folder of your own: cp " +
             shipped + " ."},
    };
    for (const row &row : rows) {
        SCOPED_TRACE(row.name);
        session_options options;
        options.prepare = row.prepare;
        options.unprivileged = row.unprivileged;
        terminal_session s(options);
        EXPECT_EQ(s.row_text(0), "Error: couldn't access boards.txt for reading.");
        s.type("xx");
        EXPECT_EQ(s.wait_exit(), 1);
        const std::string says = "grubblet: boards.txt in " + s.dir() + row.says;
        EXPECT_NE(screen_text(s).find(squeezed(says)), std::string::npos) << says << "\n"
                                                                          << s.dump();
    }
}

TEST(title, shows_its_lines_in_red_and_white_and_waits_for_any_key) {
    session_options options;
    options.boards = make_boards({level_text().floor().put(22, 5, "@").put(0, 0, "=")});
    terminal_session s(options);
    EXPECT_EQ(s.styled(0, 0, 21), "[red/black]Fenwhistle Presents:[white/black] ");
    const char *banner[] = {
        "               GGGG  RRRR  U   U BBBB  BBBB  L     EEEEE TTTTT",
        "              G      R   R U   U B   B B   B L     E       T",
        "              G  GGG RRRR  U   U BBBB  BBBB  L     EEEE    T",
        "              G    G R  R  U   U B   B B   B L     E       T",
        "               GGGG  R   R  UUU  BBBB  BBBB  LLLLL EEEEE   T",
    };
    for (int i = 0; i < 5; i++) {
        EXPECT_EQ(s.row_text(5 + i), banner[i]);
    }
    // Each banner row is one string of white text from its first to its last
    // drawn cell.
    EXPECT_EQ(s.styled(5, 14, 3), "[white/black] GG");
    EXPECT_EQ(s.styled(6, 59, 3), "[white/black]T  ");
    EXPECT_EQ(s.row_text(10), std::string(13, ' ') + std::string(50, '-'));
    EXPECT_EQ(s.row_text(11), "               Plonko");
    EXPECT_EQ(s.row_text(14), "                    \"Claim your grubblets, my lord.\"");
    EXPECT_EQ(s.row_text(15), "                    Use the NUMPAD to perform daring hops.");
    EXPECT_EQ(s.row_text(16), "                    Try not to hurt yourself MY LORD.");
    EXPECT_EQ(s.row_text(18), "                                1 and 3: Walk");
    EXPECT_EQ(s.row_text(19), "                        4 and 6: Sprint jumps");
    EXPECT_EQ(s.row_text(20), "                       7, 8 and 9: High jumps");
    EXPECT_EQ(s.row_text(22), "                       0 may help you guage jump distances.");
    for (int row : {1, 2, 3, 4, 12, 13, 17, 21, 23, 24}) {
        EXPECT_EQ(s.row_text(row), "") << "row " << row;
    }
    EXPECT_EQ(s.styled(22, 23, 4), "[white/black]0 ma");
    EXPECT_FALSE(s.cursor_visible());

    // A play key dismisses the title and is not passed on: no move, no quit.
    s.type("q");
    EXPECT_TRUE(s.running());
    EXPECT_EQ(s.text(24, 0, 9), "Tummy: 99");
    EXPECT_EQ(s.cell(22, 5).ch, "@");
}
