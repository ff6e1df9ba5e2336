// The layouts that place their own grubblets, because the puzzle is where
// the food lies rather than how the board is shaped: the tunnel
// (tunnel.cpp), and here the wells: shafts in the ground, each with a
// grubblet at the bottom, deepening from one to the next (or as deep, and
// never past nine cells), so that a player who drops in before eating enough
// cannot jump out again (a trap by design), and the order of eating
// decides.
//
// What must hold: every board has one start cell resting on a wall; the
// checker still decides whether the level can be cleared.
#include "layouts.h"

#include <algorithm>
#include <vector>

namespace {

// Ground a cell thick, stepping up and down, with wells hanging from it;
// free grubblets on the ground and on ledges above it. A player needs three
// more cells of rise than the eaten count to leave a well, so a well `3 + k`
// deep lets out only a player who has eaten k, its own grubblet included;
// `deep` says whether any well may be deeper than its grubblet alone lets
// out (a trap for one who comes early).
void build_wells(board_cells &b, random_source &random, int strength, int grubblets, bool deep,
                 cell_ref *start) {
    const int wells = std::clamp(grubblets / 2, 2, 4);
    const int free = std::max(1, grubblets - wells);
    // The depths first: the ground must lie high enough for the deepest.
    std::vector<int> depths;
    for (int j = 0; j < wells; j++) {
        // Eaten needed to leave: its own, and in a deep well the grubblets
        // that must come first: the free ones and the shallower wells'.
        const int needed = deep ? std::max(1, free + j + 1 - random.below(2)) : 1;
        depths.push_back(std::min(3 + needed, 9));
    }
    const int ground = BOARD_ROWS - 3 - depths.back() - random.below(3);
    std::vector<int> surface(BOARD_COLS);
    for (int col = 0, step = 0; col < BOARD_COLS; col++) {
        // A cell up or down at a time (a step of two would open a gap to
        // the empty space under the ground), up to two from its row: two
        // wells levels on the same row still part along their ground.
        if (col % 4 == 0 && random.below(2) == 0) {
            step = std::clamp(step + (random.below(2) == 0 ? -1 : 1), -2, 2);
        }
        surface[static_cast<std::size_t>(col)] = ground + step;
        b.at[ground + step][col] = CELL_WALL;
    }
    // Columns for the wells, spread over the board and apart, each on
    // ground level across its mouth and walls.
    std::vector<int> cols;
    for (int tries = 0; static_cast<int>(cols.size()) < wells && tries < 400; tries++) {
        const int col = 4 + random.below(BOARD_COLS - 9);
        bool fits = true;
        for (int c = col - 1; c <= col + 2; c++) {
            fits = fits &&
                   surface[static_cast<std::size_t>(c)] == surface[static_cast<std::size_t>(col)];
        }
        for (int other : cols) {
            fits = fits && std::abs(other - col) >= 8;
        }
        if (fits) {
            cols.push_back(col);
        }
    }
    std::sort(cols.begin(), cols.end());
    if (random.below(2) == 0) {
        std::reverse(cols.begin(), cols.end());
    }
    for (std::size_t j = 0; j < cols.size(); j++) {
        const int c = cols[j], top = surface[static_cast<std::size_t>(c)];
        const int bottom = top + depths[j] - 1; // where the player rests
        fill(b, top, c - 1, bottom + 1, c + 2, CELL_WALL);
        fill(b, top, c, bottom, c + 1, CELL_EMPTY);
        b.at[bottom][c + random.below(2)] = CELL_GRUBBLET;
    }
    // Ledges over the ground, a high jump apart.
    for (int ledges = 2 + random.below(3); ledges > 0; ledges--) {
        const int row = ground - 4 - random.below(2) - (random.below(3) == 0 ? 4 : 0);
        const int col = random.below(BOARD_COLS - 8);
        fill(b, row, col, row, col + 3 + random.below(5), CELL_WALL);
    }
    for (int placed = 0, tries = 0; placed < free && tries < 400; tries++) {
        const int r = 2 + random.below(ground), c = random.below(BOARD_COLS);
        if (standing_place(b, r, c) && r < surface[static_cast<std::size_t>(c)] &&
            (r < ground - 2 || random.below(2) == 0)) {
            b.at[r][c] = CELL_GRUBBLET;
            placed++;
        }
    }
    auto on_ground = [&](int c) {
        const int r = surface[static_cast<std::size_t>(c)] - 1;
        return r + 1 < BOARD_ROWS && standing_place(b, r, c) && b.at[r + 1][c] == CELL_WALL ? r
                                                                                            : -1;
    };
    for (int mines = strength / 2, tries = 0; mines > 0 && tries < 200; tries++) {
        const int c = random.below(BOARD_COLS), r = on_ground(c);
        if (r >= 0) {
            b.at[r][c] = CELL_MINE;
            mines--;
        }
    }
    for (int tries = 0; tries < 400; tries++) {
        const int c = 1 + random.below(BOARD_COLS - 2), r = on_ground(c);
        if (r >= 0 && b.at[r][c - 1] != CELL_MINE && b.at[r][c + 1] != CELL_MINE) {
            b.at[r][c] = CELL_START;
            *start = {r, c};
            return;
        }
    }
}

} // namespace

bool build_designed(board_cells &b, int layout, random_source &random, const design_wish &wish) {
    fill(b, 0, 0, BOARD_ROWS - 1, BOARD_COLS - 1, CELL_EMPTY);
    cell_ref start{-1, -1};
    if (layout == LAYOUT_WELLS) {
        build_wells(b, random, wish.strength, wish.grubblets, wish.traps, &start);
        return start.row >= 0;
    }
    return build_tunnel(b, random, wish);
}
