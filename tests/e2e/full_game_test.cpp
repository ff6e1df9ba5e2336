// The whole shipped game, won by pressing keys: each level played with the
// winning sequence the level checker finds for it.
#include "terminal_session.h"

#include <cstdio>
#include <gtest/gtest.h>

namespace {

// The checker's winning key sequence for each level, in order.
std::vector<std::string> winning_sequences(const std::string &boards) {
    std::string command = std::string(GRUBBLET_CHECK) + " " + boards;
    FILE *pipe = popen(command.c_str(), "r");
    std::vector<std::string> sequences;
    char line[4096];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        int level = 0;
        unsigned presses = 0;
        char keys[4096];
        if (std::sscanf(line, "level %d: clearable in %u key presses: %4095s", &level, &presses,
                        keys) == 3) {
            sequences.push_back(keys);
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
