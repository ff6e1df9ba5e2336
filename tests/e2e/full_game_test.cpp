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

} // namespace

TEST(full_game, the_shipped_levels_can_be_won_by_pressing_keys) {
    std::vector<std::string> sequences = winning_sequences(GRUBBLET_SHIPPED_BOARDS);
    ASSERT_EQ(sequences.size(), 9u);
    session_options options;
    options.boards = shipped_boards();
    terminal_session s(options);
    s.type("x"); // the title; the first turn is the fresh start of level 1
    for (std::size_t level = 0; level < sequences.size(); level++) {
        SCOPED_TRACE("level " + std::to_string(level + 1));
        if (level > 0) {
            s.type("r"); // the checker's fresh start
        }
        const std::string &keys = sequences[level];
        s.type(keys.substr(0, keys.size() - 1));
        EXPECT_EQ(s.text(24, 0, 6), "Tummy:") << s.dump();
        s.type(keys.substr(keys.size() - 1));
        if (level + 1 < sequences.size()) {
            EXPECT_EQ(s.row_text(24), "I HAVE WON THE LEVEL") << s.dump();
            s.type("x");
        }
    }
    EXPECT_EQ(s.text(0, 0, 7), "YOU WIN");
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
    s.type("x");
    for (std::size_t level = 0; level < sequences.size(); level++) {
        SCOPED_TRACE(said + "level " + std::to_string(level + 1));
        if (level > 0) {
            s.type("r");
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
    make_play_through_level(0, 100, 7);
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

// The game as the Debian package installs it (the package test unpacks it
// and names it here): its own levels, to the first play screen and out.
TEST(package, the_unpacked_game_plays_its_own_levels) {
    const char *game = std::getenv("GRUBBLET_PACKAGED_GAME");
    const char *levels = std::getenv("GRUBBLET_PACKAGED_BOARDS");
    if (game == nullptr || levels == nullptr) {
        GTEST_SKIP() << "run by the package test";
    }
    std::ifstream in(levels);
    session_options options;
    options.boards = std::string(std::istreambuf_iterator<char>(in), {});
    options.command = {game};
    terminal_session s(options);
    EXPECT_EQ(s.row_text(0), "Fenwhistle Presents:");
    s.type("x");
    EXPECT_EQ(s.text(24, 0, 21), "Tummy: 99  Health: 20") << s.dump();
    s.type("q");
    EXPECT_EQ(s.wait_exit(), 0);
    EXPECT_TRUE(s.terminal_modes_restored());
}
