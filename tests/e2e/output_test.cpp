// What a key costs on a slow link: the bytes the program writes to the
// terminal for common keys on the shipped levels, beside the number of
// screen cells that changed. Curses sends only what changed; these figures
// keep it so.
#include "terminal_session.h"

#include <cstdio>
#include <functional>
#include <gtest/gtest.h>

namespace {

std::vector<screen_cell> snapshot(const terminal_session &s) {
    std::vector<screen_cell> cells;
    for (int r = 0; r < 25; r++) {
        for (int c = 0; c < 80; c++) {
            cells.push_back(s.cell(r, c));
        }
    }
    return cells;
}

int changed_cells(const std::vector<screen_cell> &a, const std::vector<screen_cell> &b) {
    int n = 0;
    for (std::size_t i = 0; i < a.size(); i++) {
        n += a[i].ch != b[i].ch || a[i].fg != b[i].fg || a[i].bg != b[i].bg ||
             a[i].bold != b[i].bold;
    }
    return n;
}

struct key_cost {
    std::size_t bytes;
    int cells;
};

key_cost measure(terminal_session &s, const std::function<void()> &press) {
    std::vector<screen_cell> before = snapshot(s);
    std::size_t bytes = s.bytes_received();
    press();
    return {s.bytes_received() - bytes, changed_cells(before, snapshot(s))};
}

void report(const char *what, key_cost cost) {
    std::printf("%-28s %5zu bytes for %4d changed cells\n", what, cost.bytes, cost.cells);
    ::testing::Test::RecordProperty(what, std::to_string(cost.bytes) + " bytes, " +
                                              std::to_string(cost.cells) + " cells");
}

} // namespace

TEST(terminal_output, keys_send_little_more_than_what_changed) {
    session_options options;
    options.boards = shipped_boards();
    terminal_session s(options);
    s.type("x");

    key_cost walk = measure(s, [&] { s.type("3"); });
    report("one-cell walk", walk);
    EXPECT_LT(walk.bytes, 200u);
    EXPECT_GE(walk.cells, 3);

    key_cost sprint = measure(s, [&] { s.type("6"); });
    report("sprint jump", sprint);
    EXPECT_LT(sprint.bytes, 400u);

    s.type("/");
    key_cost cursor = measure(s, [&] { s.press(VTERM_KEY_RIGHT); });
    report("editor cursor move", cursor);
    EXPECT_EQ(cursor.cells, 0);
    EXPECT_LT(cursor.bytes, 20u);

    key_cost level = measure(s, [&] { s.type("]"); });
    report("level change in the editor", level);
    // A different level is mostly different cells; sending them must not
    // cost much more than a few bytes a cell.
    EXPECT_LT(level.bytes, static_cast<std::size_t>(level.cells) * 6 + 200);
}
