// The README's pictures, made by playing the shipped levels and a generated
// pack: each test fails when a committed picture no longer matches what the
// program draws.
// With GRUBBLET_UPDATE_SCREENS set, it writes the pictures instead.
#include "screen_svg.h"
#include "terminal_session.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

namespace {

const char REFRESH[] = "sh scripts/screens.sh";

void picture(const terminal_session &s, const std::string &name, const std::string &alt,
             int rows = 25) {
    const std::string path = std::string(GRUBBLET_DOCS_DIR) + "/screens/" + name + ".svg";
    const std::string svg = screen_svg(s, rows, alt);
    if (std::getenv("GRUBBLET_UPDATE_SCREENS") != nullptr) {
        std::ofstream(path, std::ios::binary) << svg;
        return;
    }
    std::ifstream in(path, std::ios::binary);
    std::ostringstream committed;
    committed << in.rdbuf();
    EXPECT_TRUE(committed.str() == svg)
        << path
        << " no longer matches what the program draws; refresh the pictures with: " << REFRESH
        << "\n"
        << s.dump();
}

session_options shipped() {
    session_options options;
    options.boards = shipped_boards();
    return options;
}

// The first key of level n's play: from the title, through the editor's
// level keys, back to play at the level's start.
std::string to_level(int n) {
    return "x/" + std::string(static_cast<std::size_t>(n - 1), ']') + "/";
}

bool player_hurt(const terminal_session &s) {
    for (int r = 0; r < 24; r++) {
        for (int c = 0; c < 80; c++) {
            if (s.cell(r, c).bg == "red") {
                return true;
            }
        }
    }
    return false;
}

} // namespace

TEST(doc_screens, title_play_jump_reach_and_editor) {
    terminal_session s(shipped());
    picture(s, "title", "The title screen: Fenwhistle Presents Grubblet Plonko, and the play keys");
    s.type("x6");
    picture(s, "sprint-jump",
            "Level 1 after a sprint jump: the red trail up one cell, three across and down");
    s.type("0");
    picture(s, "jump-reach", "The jump-reach marks: blue @ showing how far each jump goes");
    s.type("/");
    s.press(VTERM_KEY_UP);
    s.press(VTERM_KEY_RIGHT, VTERM_MOD_CTRL);
    s.type("x");
    picture(s, "editor",
            "The level editor: the cursor on the board, the level number, and the palette "
            "with the wall brush chosen");
}

TEST(doc_screens, a_painful_fall_and_a_mine) {
    {
        // Level 7's winning keys, until a fall hurts.
        terminal_session s(shipped());
        s.type(to_level(7));
        const std::string keys = "6966144666667779796676669364499749";
        std::size_t played = 0;
        while (played < keys.size() && !player_hurt(s)) {
            s.type(keys.substr(played++, 1));
        }
        ASSERT_TRUE(player_hurt(s)) << s.dump();
        picture(s, "painful-fall",
                "Level 7 after a long fall: the painful part of the trail in bold red, the "
                "player black on red, and less health");
    }
    terminal_session s(shipped());
    s.type(to_level(6) + "33333");
    ASSERT_EQ(s.row_text(24), "OUCH CRAP I STEPPED ON A MINE") << s.dump();
    picture(s, "mine", "Level 6: a red ! on the mine the player walked onto, and the message");
}

TEST(doc_screens, the_checkers_route) {
    session_options options = shipped();
    options.rows = 28;
    options.command = {GRUBBLET_CHECK, "--route"};
    terminal_session s(options);
    EXPECT_EQ(s.wait_exit(), 0);
    ASSERT_EQ(s.row_text(0), "level 9: the route of 24 key presses") << s.dump();
    picture(s, "checker-route",
            "grubblet-check --route: level 9 with the red route of its winning sequence", 27);
}

TEST(doc_screens, a_generated_level) {
    // Level 9 of the hard pack grubblet-gen makes from seed 7, at its start.
    char dir[] = "/tmp/grubblet-gen-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string path = std::string(dir) + "/boards.txt";
    const std::string command =
        std::string(GRUBBLET_GEN) + " --seed 7 --difficulty hard -o " + path + " 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream in(path);
    session_options options;
    options.boards = std::string(std::istreambuf_iterator<char>(in), {});
    unlink(path.c_str());
    rmdir(dir);
    terminal_session s(options);
    s.type(to_level(9));
    picture(s, "generated-level",
            "Level 9 of the hard pack grubblet-gen makes from seed 7: a tunnel that winds "
            "down the left of the board and climbs back up the right, mines on its floors, "
            "the first grubblet 84 moves or more from the start");
}
