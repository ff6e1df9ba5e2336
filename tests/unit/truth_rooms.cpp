// Small random levels for the checker's truth tests (see truth_rooms.h).
#include "truth_rooms.h"

#include <string>
#include <utility>

void build_room(rules_test *t, int level, std::mt19937 &random) {
    const int width = 4 + static_cast<int>(random() % 16);
    const int height = 3 + static_cast<int>(random() % (width < 8 ? 16 : 10));
    const int top = BOARD_ROWS - 1 - height, right = width + 1;
    for (int r = 0; r < BOARD_ROWS; r++) {
        t->put(level, r, 0, std::string(BOARD_COLS, '&'));
    }
    for (int r = top; r < BOARD_ROWS; r++) {
        t->put(level, r, 1, std::string(static_cast<std::size_t>(width), '.'));
    }
    auto cell = [&](int r, int c, char ch) {
        if (r > top && r < BOARD_ROWS && c >= 1 && c < right) {
            t->put(level, r, c, std::string(1, ch));
        }
    };
    auto random_row = [&] { return top + 1 + static_cast<int>(random() % height); };
    auto random_col = [&] { return 1 + static_cast<int>(random() % width); };
    for (int i = static_cast<int>(random() % 5); i > 0; i--) {
        int r = random_row(), c = random_col(), length = 1 + static_cast<int>(random() % 4);
        for (int k = 0; k < length; k++) {
            cell(r, c + k, '&');
        }
    }
    if (random() % 2 == 0) {
        // A floor of walls with a pit in it, as deep as the highest jump
        // or deeper, and sometimes a grubblet at its bottom.
        int depth = 4 + static_cast<int>(random() % 4), c = random_col();
        for (int r = BOARD_ROWS - 1 - depth; r < BOARD_ROWS - 1; r++) {
            for (int k = 1; k < right; k++) {
                cell(r, k, k == c || k == c + 1 ? '.' : '&');
            }
        }
        if (random() % 2 == 0) {
            cell(BOARD_ROWS - 2, c, '=');
        }
    }
    for (int i = static_cast<int>(random() % 3); i > 0; i--) {
        cell(random_row(), random_col(), 'X');
    }
    for (int i = 1 + static_cast<int>(random() % 3); i > 0; i--) {
        cell(random_row(), random_col(), '=');
    }
    cell(random_row(), random_col(), '@');
}

void build_pit(rules_test *t, int level, std::mt19937 &random) {
    const int width = 8 + static_cast<int>(random() % 8);
    const int depth = 3 + static_cast<int>(random() % 5);
    const int ground = BOARD_ROWS - 1 - depth, pit = 3 + static_cast<int>(random() % (width - 5));
    for (int r = 0; r < BOARD_ROWS; r++) {
        t->put(level, r, 0, std::string(BOARD_COLS, '&'));
        if (r >= ground - 4 && r < ground) {
            t->put(level, r, 1, std::string(static_cast<std::size_t>(width), '.'));
        }
        if (r >= ground && r < BOARD_ROWS - 1) {
            t->put(level, r, pit, "..");
        }
    }
    t->put(level, ground - 1, 1 + static_cast<int>(random() % 2), "@");
    for (int i = 2 + static_cast<int>(random() % 2); i > 0; i--) {
        int c = 1 + static_cast<int>(random() % width);
        if (c != pit && c != pit + 1) {
            t->put(level, ground - 1 - static_cast<int>(random() % 3), c, "=");
        }
    }
}

void build_crowded_room(rules_test *t, int level, std::mt19937 &random, int extra) {
    const int width = 4 + static_cast<int>(random() % 8);
    const int height = 3 + static_cast<int>(random() % 6);
    const int top = BOARD_ROWS - 1 - height;
    for (int r = 0; r < BOARD_ROWS; r++) {
        t->put(level, r, 0, std::string(BOARD_COLS, '&'));
    }
    for (int r = top; r < BOARD_ROWS; r++) {
        t->put(level, r, 1, std::string(static_cast<std::size_t>(width), '.'));
    }
    auto cell = [&](char ch) {
        const int r = top + 1 + static_cast<int>(random() % height);
        const int c = 1 + static_cast<int>(random() % width);
        return std::make_pair(r, [=](int k) {
            if (r < BOARD_ROWS && c + k <= width) {
                t->put(level, r, c + k, std::string(1, ch));
            }
        });
    };
    for (int i = 2 + static_cast<int>(random() % 8); i > 0; i--) {
        const auto ledge = cell('&');
        for (int k = 0, length = 1 + static_cast<int>(random() % 4); k < length; k++) {
            ledge.second(k);
        }
    }
    for (int i = 2 + extra + static_cast<int>(random() % 3); i > 0; i--) {
        cell('=').second(0);
    }
    cell('@').second(0);
}
