// A fixture for tests that drive the rules directly: fresh level storage, a
// fresh game record, and a display that records what it was asked to show
// instead of drawing it.
#ifndef GRUBBLET_RULES_TEST_SUPPORT_H
#define GRUBBLET_RULES_TEST_SUPPORT_H

#include "game/game_state.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

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

    std::vector<outcome_kind> outcomes;   // every outcome scene shown, in order
    std::vector<std::string> file_errors; // every file error shown
    int victories = 0;
};

#endif
