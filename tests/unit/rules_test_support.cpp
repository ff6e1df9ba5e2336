// The recording display and the helpers of the rules fixture.
#include "rules_test_support.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <ftw.h>
#include <sstream>
#include <sys/stat.h>

std::string slurp(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

static int remove_entry(const char *path, const struct stat *, int, struct FTW *) {
    chmod(path, 0700);
    return remove(path);
}

void remove_tree(const std::string &dir) {
    nftw(dir.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS);
}

static rules_test *current = nullptr;

void rules_test::SetUp() {
    ASSERT_EQ(allocate_boards(), 0);
    game = game_state{};
    game.fall_mark = FALL_MARK_NONE;
    current = this;
    display.outcome_scene = [](outcome_kind kind) { current->outcomes.push_back(kind); };
    display.victory_screen = [] { current->victories++; };
    display.file_error = [](const char *message) { current->file_errors.push_back(message); };
}

void rules_test::TearDown() {
    display = display_interface{nullptr, nullptr, nullptr};
    current = nullptr;
    free_boards();
}

void rules_test::put(int level, int row, int col, const std::string &cells) {
    for (std::size_t i = 0; i < cells.size(); i++) {
        const char *kind = std::strchr(CELL_CHARS, cells[i]);
        ASSERT_NE(kind, nullptr) << "not a cell character: " << cells[i];
        level_set[level][row][col + static_cast<int>(i)] =
            static_cast<cell_kind>(kind - CELL_CHARS);
    }
}

void rules_test::wall_row(int level, int row) {
    put(level, row, 0, std::string(BOARD_COLS, CELL_CHARS[CELL_WALL]));
}

std::string rules_test::level_text(int level) const {
    std::string out;
    for (int r = 0; r < BOARD_ROWS; r++) {
        for (int c = 0; c < BOARD_COLS; c++) {
            out += CELL_CHARS[level_set[level][r][c]];
        }
        out += '\n';
    }
    return out;
}

void rules_test::play(move_code move) {
    game.pending_move = move;
    run_turn();
}

bool rules_test::keys_clear_level(int level, const std::string &keys, int *lowest) {
    game.level = level;
    reset_level();
    outcomes.clear();
    play(MOVE_NONE);
    if (lowest != nullptr) {
        *lowest = game.tummy;
    }
    for (char key : keys) {
        if (!outcomes.empty()) {
            return false; // cleared too early, or died on the way
        }
        if (lowest != nullptr) {
            *lowest = std::min(*lowest, game.tummy);
        }
        move_code move = move_for_key(key);
        EXPECT_NE(move, MOVE_NONE) << key;
        play(move);
    }
    return !outcomes.empty() &&
           outcomes.front() == (level == LEVEL_COUNT - 1 ? OUTCOME_GAME_WON : OUTCOME_LEVEL_WON);
}
