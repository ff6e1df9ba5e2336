// The layouts that place their own grubblets, because the puzzle is where
// the food lies rather than how the board is shaped:
// - the tunnel: a long serpentine of corridors with mines on the floors,
//   where (in a hungry tunnel) no grubblet lies within 62 turns of the
//   start, so that every win runs the tummy down to 40 or less;
// - the wells: shafts in the ground, each with a grubblet at the bottom and
//   each deeper than the last, so that a player who drops in before eating
//   enough cannot jump out again (a trap by design), and the order of
//   eating decides.
//
// What must hold: distances are counted with the rules' own turns, so the
// tunnel's promise about hunger holds for every way of playing it; every
// board has one start cell resting on a wall; the checker still decides
// whether the level can be cleared.
#include "layouts.h"

#include <algorithm>
#include <deque>
#include <vector>

namespace {

constexpr int NEVER = 1 << 30;

// The fewest turns after which a player from the start, eating nothing,
// first passes each cell (NEVER where no play gets), played with the rules'
// own turns on the board without grubblets, the meters too full to matter.
std::vector<int> first_pass_turns(const board_cells &bare) {
    std::vector<int> pass(BOARD_ROWS * BOARD_COLS, NEVER), rest(pass);
    board_cells board = bare;
    play_state start = fresh_play(board);
    start.tummy = 1 << 20;
    start.health = 1 << 20;
    start.grubblets_left = 1; // none on the board: the level never ends
    if (play_turn(board, start, MOVE_NONE).outcome != OUTCOME_NONE) {
        return pass;
    }
    std::deque<play_state> queue{start};
    rest[static_cast<std::size_t>(start.y * BOARD_COLS + start.x)] = 0;
    pass[static_cast<std::size_t>(start.y * BOARD_COLS + start.x)] = 0;
    turn_trail trail;
    while (!queue.empty()) {
        const play_state from = queue.front();
        queue.pop_front();
        const int turns = rest[static_cast<std::size_t>(from.y * BOARD_COLS + from.x)] + 1;
        for (move_code m : PLAYER_MOVES) {
            play_state to = from;
            const bool alive = play_turn(board, to, m, &trail).outcome == OUTCOME_NONE;
            for (int i = 0; i < trail.len; i++) {
                int &p = pass[static_cast<std::size_t>(trail.y[i] * BOARD_COLS + trail.x[i])];
                p = std::min(p, turns);
            }
            if (!alive) {
                continue;
            }
            const std::size_t at = static_cast<std::size_t>(to.y * BOARD_COLS + to.x);
            pass[at] = std::min(pass[at], turns);
            if (rest[at] == NEVER) {
                rest[at] = turns;
                to.tummy = from.tummy;
                to.health = from.health;
                queue.push_back(to);
            }
        }
    }
    return pass;
}

// A serpentine of corridors, their floors stepping down a cell and back
// here and there, joined by holes at alternate ends; mines on the floors to
// hop and, in harder tunnels, mines under the ceiling where only a walk
// passes.
void build_serpentine(board_cells &b, random_source &random, int strength, cell_ref *start) {
    // The longest tunnels have the most corridors, two cells high where
    // the floor does not step.
    const int pitch = strength >= 7 ? 3 : 3 + random.below(2);
    const int corridors = std::min((BOARD_ROWS - 2) / pitch, 3 + strength / 2);
    const int top = BOARD_ROWS - 2 - corridors * pitch;
    // The row of each floor's top at each column; floor 0 is the ceiling.
    std::vector<std::vector<int>> surface(static_cast<std::size_t>(corridors + 1),
                                          std::vector<int>(BOARD_COLS, top));
    for (int i = 1; i <= corridors; i++) {
        std::vector<int> &row = surface[static_cast<std::size_t>(i)];
        // Flat at the ends, where the holes are; elsewhere, every six
        // cells, a step half the time.
        for (int col = 0, step = 0; col < BOARD_COLS; col++) {
            if (col >= 8 && col < BOARD_COLS - 8 && (col - 8) % 6 == 0 && random.below(2) == 0) {
                step = pitch == 3 ? random.below(2) : random.below(3) - 1;
            }
            row[static_cast<std::size_t>(col)] =
                top + i * pitch + (col >= 8 && col < BOARD_COLS - 8 ? step : 0);
        }
    }
    for (int col = 0; col < BOARD_COLS; col++) {
        for (const std::vector<int> &row : surface) {
            b.at[row[static_cast<std::size_t>(col)]][col] = CELL_WALL;
        }
    }
    const bool first_right = random.below(2) == 0;
    bool hole_right = first_right;
    for (int i = 1; i <= corridors; i++) {
        const std::vector<int> &floor = surface[static_cast<std::size_t>(i)];
        const std::vector<int> &ceiling = surface[static_cast<std::size_t>(i - 1)];
        auto at = [](const std::vector<int> &row, int col) {
            return row[static_cast<std::size_t>(col)];
        };
        // The lowest corridor ends the way: no hole out of it.
        if (i < corridors) {
            const int hole = hole_right ? BOARD_COLS - 4 - random.below(4) : 2 + random.below(4);
            fill(b, at(floor, hole), hole, at(floor, hole), hole + 1, CELL_EMPTY);
        }
        hole_right = !hole_right;
        // Mines and hurdles four cells apart, where the corridor is two cells
        // high or more, so that a short jump always clears one and the way
        // stays open to a player with no grubblet eaten.
        auto apart = [&](int col) {
            for (int c = col - 4; c <= col + 5; c++) {
                if (at(floor, c) - at(ceiling, c) < 3) {
                    return false;
                }
                for (int r = at(ceiling, c) + 1; r < at(floor, c); r++) {
                    if (b.at[r][c] != CELL_EMPTY) {
                        return false;
                    }
                }
            }
            return true;
        };
        for (int mines = (strength >= 7 ? 5 : 1 + strength / 3) + random.below(2); mines > 0;
             mines--) {
            const int col = 8 + random.below(BOARD_COLS - 16);
            if (apart(col)) {
                b.at[at(floor, col) - 1][col] = CELL_MINE;
                if (random.below(2) == 0 && at(floor, col + 1) == at(floor, col)) {
                    b.at[at(floor, col) - 1][col + 1] = CELL_MINE;
                }
            }
        }
        for (int hanging = strength >= 7 ? 1 + random.below(2)
                                         : strength >= 4 && random.below(3) == 0;
             hanging > 0; hanging--) {
            const int col = 10 + random.below(BOARD_COLS - 20);
            if (apart(col)) {
                b.at[at(ceiling, col) + 1][col] = CELL_MINE;
            }
        }
        if (random.below(2) == 0) {
            const int col = 8 + random.below(BOARD_COLS - 16);
            if (apart(col)) {
                b.at[at(floor, col) - 1][col] = CELL_WALL; // a hurdle
            }
        }
    }
    // The start at the far end of the top corridor from its hole.
    const int col = first_right ? 1 + random.below(3) : BOARD_COLS - 2 - random.below(3);
    const int row = surface[1][static_cast<std::size_t>(col)] - 1;
    b.at[row][col] = CELL_START;
    *start = {row, col};
}

// Grubblets on the floor of a tunnel: the first between `first_from` and
// `first_to` turns from the start, the last near the far end, and the rest
// spread between them, at least `grubblets` in all and never more than a
// stretch of turns the tummy lasts apart. False when the way is too short.
bool feed_tunnel(board_cells &b, random_source &random, int grubblets, int first_from, int first_to,
                 int stretch) {
    const std::vector<int> pass = first_pass_turns(b);
    std::vector<std::pair<int, int>> floor; // turns, cell
    for (int r = 0; r < BOARD_ROWS; r++) {
        for (int c = 0; c < BOARD_COLS; c++) {
            const int t = pass[static_cast<std::size_t>(r * BOARD_COLS + c)];
            if (t != NEVER && standing_place(b, r, c)) {
                floor.push_back({t, r * BOARD_COLS + c});
            }
        }
    }
    std::sort(floor.begin(), floor.end());
    if (floor.empty() || floor.back().first < first_from) {
        return false;
    }
    // A floor cell at about `turns` from the start, one of those nearest.
    auto near = [&](int turns) {
        auto at = std::lower_bound(floor.begin(), floor.end(), std::make_pair(turns, 0));
        if (at == floor.end()) {
            at--;
        }
        const auto first =
            std::lower_bound(floor.begin(), floor.end(), std::make_pair(at->first, 0));
        const auto last =
            std::upper_bound(floor.begin(), floor.end(), std::make_pair(at->first, NEVER));
        return (first + random.below(static_cast<int>(last - first)))->second;
    };
    const int first = first_from + random.below(first_to - first_from + 1);
    const int end = floor.back().first - random.below(4);
    const int gaps = std::max(grubblets - 1, (end - first + stretch - 1) / stretch);
    for (int g = 0; g <= gaps; g++) {
        const int cell = near(first + (end - first) * g / std::max(1, gaps));
        b.at[cell / BOARD_COLS][cell % BOARD_COLS] = CELL_GRUBBLET;
    }
    return true;
}

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
        // A cell up or down at a time: a step of two would open a gap to
        // the empty space under the ground.
        if (col % 5 == 0 && random.below(2) == 0) {
            step = std::clamp(step + (random.below(2) == 0 ? -1 : 1), -1, 1);
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
    build_serpentine(b, random, wish.strength, &start);
    // A hungry tunnel's first grubblet lies 62 turns away or more: far
    // enough that the tummy falls to 40 or less whatever the way, near
    // enough to reach before it empties. The longest tunnels keep the player
    // hungrier still, on fewer grubblets further apart.
    const bool longest = wish.strength >= 7;
    const int first_from = !wish.hungry ? 12 : longest ? 78 : 62;
    const int first_to = !wish.hungry ? 30 : longest ? 92 : 84;
    return feed_tunnel(b, random, wish.grubblets, first_from, first_to, longest ? 34 : 28);
}
