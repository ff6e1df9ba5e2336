// A fixture for tests that drive the rules directly: fresh level storage, a
// fresh game record, and a display that records what it was asked to show
// instead of drawing it.
#ifndef GRUBBLET_RULES_TEST_SUPPORT_H
#define GRUBBLET_RULES_TEST_SUPPORT_H

#include "game/game_state.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

// A whole file's bytes ("" when it cannot be read).
std::string slurp(const std::string &path);
// Removes a folder and all it holds, write-protected entries too.
void remove_tree(const std::string &dir);

class rules_test : public ::testing::Test {
  public:
    void SetUp() override;
    void TearDown() override;

    // Writes cells, given as file characters, into a stored level.
    void put(int level, int row, int col, const std::string &cells);
    // A row of walls across a stored level.
    void wall_row(int level, int row);
    // The stored level as 24 lines of file characters.
    std::string level_text(int level) const;

    // Chooses a move and resolves the turn, as a play key and a play frame do.
    void play(move_code move);
    // Plays keys from the fresh start of a stored level, as the game would,
    // and tells whether the level is cleared by the last key and not before.
    // Plays keys on a level from its restart; true when the last key, and
    // not an earlier one, clears it. *lowest: the lowest tummy at rest before
    // the last key.
    bool keys_clear_level(int level, const std::string &keys, int *lowest = nullptr);

    std::vector<outcome_kind> outcomes;   // every outcome scene shown, in order
    std::vector<std::string> file_errors; // every file error shown
    int victories = 0;
};

#endif
