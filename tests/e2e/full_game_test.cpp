// Levels won by pressing keys: the whole shipped game, a generated pack and
// a level of a hundred grubblets, each played with the winning sequence the level
// checker finds for it; and the checker's route drawings on a terminal.
#include "terminal_session.h"

#include "game/game_state.h"
#include "hard_levels.h"
#include "levels/levels.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <unistd.h>

namespace {

// The checker's winning key sequence for each level, in order.
std::vector<std::string> winning_sequences(const std::string &boards) {
    std::string command = std::string(GRUBBLET_CHECK) + " " + boards;
    FILE *pipe = popen(command.c_str(), "r");
    std::vector<std::string> sequences;
    char line[4096];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        // "level N: clearable in K key presses[ (not proven shortest)]: KEYS (...)"
        const char *presses = std::strstr(line, " key presses");
        const char *keys = presses != nullptr ? std::strstr(presses, ": ") : nullptr;
        if (std::strncmp(line, "level ", 6) == 0 && keys != nullptr) {
            sequences.push_back(std::string(keys + 2, std::strcspn(keys + 2, " \n")));
        }
    }
    EXPECT_EQ(pclose(pipe), 0);
    return sequences;
}

// Plays a whole game from the title with one winning sequence a level, each
// from the level's fresh start, to the victory screen.
void win_every_level(terminal_session &s, const std::vector<std::string> &sequences) {
    s.type("x"); // the title; the first turn is the fresh start of level 1
    for (std::size_t level = 0; level < sequences.size(); level++) {
        SCOPED_TRACE("level " + std::to_string(level + 1));
        if (level > 0) {
            s.type("r"); // the checker's fresh start
        }
        const std::string &keys = sequences[level];
        ASSERT_FALSE(keys.empty());
        s.type(keys.substr(0, keys.size() - 1));
        EXPECT_EQ(s.text(24, 0, 6), "Tummy:") << s.dump();
        s.type(keys.substr(keys.size() - 1));
        if (level + 1 < sequences.size()) {
            EXPECT_EQ(s.row_text(24), "I HAVE WON THE LEVEL") << s.dump();
            s.type("x");
        }
    }
    EXPECT_EQ(s.text(0, 0, 7), "YOU WIN") << s.dump();
}

} // namespace

TEST(full_game, the_shipped_levels_can_be_won_by_pressing_keys) {
    std::vector<std::string> sequences = winning_sequences(GRUBBLET_SHIPPED_BOARDS);
    ASSERT_EQ(sequences.size(), 9u);
    session_options options;
    options.boards = shipped_boards();
    terminal_session s(options);
    win_every_level(s, sequences);
    EXPECT_EQ(s.text(0, 40, 20), "Press a key to quit.");
    s.type("x");
    EXPECT_EQ(s.wait_exit(), 0);
}

TEST(full_game, a_generated_pack_is_won_with_the_checkers_keys) {
    // A pack numbered by a seed the generator picks, as a player gets it.
    char dir[] = "/tmp/grubblet-gen-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string path = std::string(dir) + "/boards.txt";
    FILE *gen = popen((std::string(GRUBBLET_GEN) + " -o " + path + " 2>&1").c_str(), "r");
    char line[256];
    std::string said;
    while (std::fgets(line, sizeof line, gen) != nullptr) {
        said += line;
    }
    ASSERT_EQ(pclose(gen), 0) << said;
    EXPECT_EQ(said.rfind("grubblet-gen: seed ", 0), 0u) << said;
    std::vector<std::string> sequences = winning_sequences(path);
    std::ifstream in(path);
    std::string boards((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    unlink(path.c_str());
    rmdir(dir);
    ASSERT_EQ(sequences.size(), 9u) << said;

    session_options options;
    options.boards = boards;
    terminal_session s(options);
    SCOPED_TRACE(said);
    win_every_level(s, sequences);
    s.type("x");
    EXPECT_EQ(s.wait_exit(), 0);
}

TEST(full_game, a_level_of_a_hundred_grubblets_is_won_with_the_checkers_keys) {
    // Level 1 made by a random play that left a grubblet wherever it first
    // came to rest; the other levels as shipped.
    char path[] = "/tmp/grubblet-hard-XXXXXX";
    close(mkstemp(path));
    ASSERT_EQ(allocate_boards(), 0);
    std::FILE *shipped = std::fopen(GRUBBLET_SHIPPED_BOARDS, "r");
    ASSERT_EQ(read_boards(shipped), 0);
    std::fclose(shipped);
    make_play_through_level(stored_level(0), 100, 7);
    ASSERT_TRUE(write_levels(path));
    free_boards();
    std::vector<std::string> sequences = winning_sequences(path);
    std::ifstream in(path);
    std::string boards((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    unlink(path);
    ASSERT_EQ(sequences.size(), 9u);

    session_options options;
    options.boards = boards;
    terminal_session s(options);
    s.type("x");
    s.type(sequences[0].substr(0, sequences[0].size() - 1));
    EXPECT_EQ(s.text(24, 0, 6), "Tummy:") << s.dump();
    s.type(sequences[0].substr(sequences[0].size() - 1));
    EXPECT_EQ(s.row_text(24), "I HAVE WON THE LEVEL") << s.dump();
    s.type("xq");
    EXPECT_EQ(s.wait_exit(), 0);
}

TEST(full_game, the_checker_draws_routes_in_the_games_colours_on_a_terminal) {
    for (bool no_color : {false, true}) {
        SCOPED_TRACE(no_color ? "NO_COLOR" : "colour");
        session_options options;
        options.boards = shipped_boards();
        options.command = {GRUBBLET_CHECK, "--route"};
        if (no_color) {
            options.env.push_back("NO_COLOR=1");
        }
        terminal_session s(options);
        EXPECT_EQ(s.wait_exit(), 0);
        // The end of the output: level 9's bottom rows, then the legend.
        EXPECT_EQ(s.row_text(21), std::string(80, '&')) << s.dump();
        EXPECT_EQ(s.text(23, 0, 11), "On a route:") << s.dump();
        std::string floor = s.styled(21, 0, 2);
        std::string route = s.styled(20, 0, 80);
        if (no_color) {
            EXPECT_EQ(floor, "[-]&&") << s.dump();
            EXPECT_EQ(route.find("[red"), std::string::npos) << route;
            EXPECT_NE(route.find('*'), std::string::npos) << route;
        } else {
            EXPECT_EQ(floor, "[cyan/black]&&") << s.dump();
            EXPECT_NE(route.find("[red/black]@"), std::string::npos) << route;
        }
    }
}

// The `grubblet` command as installed (by the package test and the install
// test, which name it here): from a directory without levels it plays the
// player's own copy, made once from the shipped levels, and saves there; a
// second start from elsewhere plays what was saved; XDG_DATA_HOME moves the
// copy; a boards.txt in the current directory still wins.
TEST(installed, the_grubblet_command_plays_from_anywhere) {
    const char *command = std::getenv("GRUBBLET_INSTALLED_COMMAND");
    const char *shipped_path = std::getenv("GRUBBLET_INSTALLED_LEVELS");
    if (command == nullptr || shipped_path == nullptr) {
        GTEST_SKIP() << "run by the install and package tests";
    }
    std::ifstream in(shipped_path, std::ios::binary);
    const std::string shipped(std::istreambuf_iterator<char>(in), {});
    char home[] = "/tmp/grubblet-home-XXXXXX";
    ASSERT_NE(mkdtemp(home), nullptr);
    auto read = [](const std::string &path) -> std::optional<std::string> {
        std::ifstream file(path, std::ios::binary);
        if (!file) {
            return std::nullopt;
        }
        return std::string(std::istreambuf_iterator<char>(file), {});
    };
    const std::string copy = std::string(home) + "/.local/share/grubblet/boards.txt";
    session_options options;
    options.command = {command};
    options.env = {std::string("HOME=") + home};
    {
        terminal_session s(options);
        EXPECT_EQ(s.row_text(0), "Fenwhistle Presents:") << s.dump();
        EXPECT_EQ(read(copy), shipped);
        s.type("x/x sY"); // a wall at row 12, column 40 of level 1, saved
        EXPECT_EQ(s.text(0, 0, 15), "Save successful");
        s.type("xq");
        EXPECT_EQ(s.wait_exit(), 0);
        EXPECT_TRUE(s.terminal_modes_restored());
        EXPECT_FALSE(s.read_file("boards.txt")) << "nothing is written where it started";
    }
    std::optional<std::string> saved = read(copy);
    ASSERT_TRUE(saved);
    EXPECT_NE(*saved, shipped);
    {
        terminal_session s(options);
        s.type("x");
        EXPECT_EQ(s.cell(12, 40).ch, "&") << s.dump();
        EXPECT_EQ(s.text(24, 0, 21), "Tummy: 99  Health: 20");
        s.type("q");
        EXPECT_EQ(s.wait_exit(), 0);
    }
    EXPECT_EQ(read(copy), saved) << "a later start never overwrites the copy";
    {
        session_options elsewhere = options;
        elsewhere.env.push_back(std::string("XDG_DATA_HOME=") + home + "/data");
        terminal_session s(elsewhere);
        s.type("x");
        EXPECT_EQ(s.cell(12, 40).ch, ".") << "a fresh copy of the shipped levels";
        s.type("q");
        EXPECT_EQ(s.wait_exit(), 0);
        EXPECT_EQ(read(std::string(home) + "/data/grubblet/boards.txt"), shipped);
    }
    {
        level_text level;
        level.floor().put(22, 3, "@").put(22, 70, "=");
        session_options here = options;
        here.boards = make_boards({level});
        terminal_session s(here);
        s.type("x");
        EXPECT_EQ(s.cell(22, 70).ch, "=") << "the pack in the current directory is played";
        s.type("q");
        EXPECT_EQ(s.wait_exit(), 0);
    }
    EXPECT_EQ(read(shipped_path), shipped);
    EXPECT_EQ(std::system((std::string("rm -rf ") + home).c_str()), 0);

    // The game itself, started where there are no levels, points to the
    // shipped levels where it was installed, not to this source tree.
    if (const char *game = std::getenv("GRUBBLET_INSTALLED_GAME")) {
        session_options bare;
        bare.command = {game};
        terminal_session s(bare);
        s.type("xx");
        EXPECT_EQ(s.wait_exit(), 1);
        std::string shown;
        for (int row = 0; row < 25; row++) {
            shown += s.text(row, 0, 80);
        }
        const std::string hint =
            "grubblet: no readable boards.txt in " + s.dir() + "; to play the shipped levels: cp /";
        EXPECT_NE(shown.find(hint), std::string::npos) << s.dump();
        EXPECT_NE(shown.find("/grubblet/boards.txt ."), std::string::npos) << s.dump();
        EXPECT_EQ(shown.find(GRUBBLET_SHIPPED_BOARDS), std::string::npos) << s.dump();
    }
}
