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

void fill(board_cells &b, int top, int left, int bottom, int right, cell_kind kind) {
    for (int r = std::max(0, top); r <= std::min(BOARD_ROWS - 1, bottom); r++) {
        for (int c = std::max(0, left); c <= std::min(BOARD_COLS - 1, right); c++) {
            b.at[r][c] = kind;
        }
    }
}

bool standing_place(const board_cells &b, int r, int c) {
    return b.at[r][c] == CELL_EMPTY && (r == BOARD_ROWS - 1 || b.at[r + 1][c] == CELL_WALL);
}

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

// A serpentine of corridors two or three cells high, joined by holes at
// alternate ends; mines on the floors to hop and, in harder tunnels, mines
// under the ceiling where only a walk passes.
void build_serpentine(board_cells &b, random_source &random, int strength, cell_ref *start) {
    // The longest tunnels have the most corridors: two cells high.
    const int pitch = strength >= 7 ? 3 : 3 + random.below(2);
    const int corridors = std::min((BOARD_ROWS - 1) / pitch, 3 + strength / 2);
    const int top = BOARD_ROWS - 1 - corridors * pitch;
    fill(b, top, 0, top, BOARD_COLS - 1, CELL_WALL);
    const bool first_right = random.below(2) == 0;
    bool hole_right = first_right;
    for (int i = 1; i <= corridors; i++) {
        const int floor = top + i * pitch;
        fill(b, floor, 0, floor, BOARD_COLS - 1, CELL_WALL);
        // The lowest corridor ends the way: no hole out of it.
        if (i < corridors) {
            const int hole = hole_right ? BOARD_COLS - 4 - random.below(4) : 2 + random.below(4);
            fill(b, floor, hole, floor, hole + 1, CELL_EMPTY);
        }
        hole_right = !hole_right;
        // Mines kept four cells apart, so that a short jump always clears
        // one, and the way stays open to a player with no grubblet eaten.
        auto apart = [&](int col) {
            for (int c = col - 4; c <= col + 5; c++) {
                if (b.at[floor - 1][c] != CELL_EMPTY || b.at[floor - pitch + 1][c] != CELL_EMPTY) {
                    return false;
                }
            }
            return true;
        };
        for (int mines = (strength >= 7 ? 5 : 1 + strength / 3) + random.below(2); mines > 0;
             mines--) {
            const int col = 8 + random.below(BOARD_COLS - 16);
            if (apart(col)) {
                fill(b, floor - 1, col, floor - 1, col + random.below(2), CELL_MINE);
            }
        }
        for (int hanging = strength >= 7 ? 1 + random.below(2)
                                         : strength >= 4 && random.below(3) == 0;
             hanging > 0; hanging--) {
            const int col = 10 + random.below(BOARD_COLS - 20);
            if (apart(col)) {
                b.at[floor - pitch + 1][col] = CELL_MINE;
            }
        }
        if (random.below(2) == 0) {
            const int col = 8 + random.below(BOARD_COLS - 16);
            if (apart(col)) {
                b.at[floor - 1][col] = CELL_WALL; // a hurdle
            }
        }
    }
    // The start at the far end of the top corridor from its hole.
    const int row = top + pitch - 1;
    const int col = first_right ? 1 + random.below(3) : BOARD_COLS - 2 - random.below(3);
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

// Solid ground with wells cut into it; free grubblets on the ground and on
// ledges above it. A player needs three more cells of rise than the eaten
// count to leave a well, so a well `3 + k` deep lets out only a player who
// has eaten k, its own grubblet included; `deep` says whether any well may
// be deeper than its grubblet alone lets out (a trap for one who comes
// early).
void build_wells(board_cells &b, random_source &random, int strength, int grubblets, bool deep,
                 cell_ref *start) {
    const int ground = 13 + random.below(3);
    fill(b, ground, 0, BOARD_ROWS - 1, BOARD_COLS - 1, CELL_WALL);
    const int wells = std::clamp(grubblets / 2, 2, 4);
    const int free = std::max(1, grubblets - wells);
    // Columns for the wells, spread over the board and apart.
    std::vector<int> cols;
    for (int tries = 0; static_cast<int>(cols.size()) < wells && tries < 200; tries++) {
        const int col = 4 + random.below(BOARD_COLS - 9);
        bool apart = true;
        for (int other : cols) {
            apart = apart && std::abs(other - col) >= 8;
        }
        if (apart) {
            cols.push_back(col);
        }
    }
    for (std::size_t j = 0; j < cols.size(); j++) {
        // Eaten needed to leave: its own, and in a deep well the grubblets
        // that must come first: the free ones and the shallower wells'.
        const int needed = deep ? std::max(1, free + static_cast<int>(j) + 1 - random.below(2)) : 1;
        const int depth = std::min(3 + needed, BOARD_ROWS - 1 - ground);
        fill(b, ground, cols[j], ground + depth - 1, cols[j] + 1, CELL_EMPTY);
        b.at[ground + depth - 1][cols[j] + random.below(2)] = CELL_GRUBBLET;
    }
    // Ledges over the ground, a high jump apart.
    for (int ledges = 2 + random.below(3); ledges > 0; ledges--) {
        const int row = ground - 4 - random.below(2) - (random.below(3) == 0 ? 4 : 0);
        const int col = random.below(BOARD_COLS - 8);
        fill(b, row, col, row, col + 3 + random.below(5), CELL_WALL);
    }
    for (int placed = 0, tries = 0; placed < free && tries < 400; tries++) {
        const int r = 2 + random.below(ground - 1), c = random.below(BOARD_COLS);
        if (standing_place(b, r, c) && (r < ground - 1 || random.below(2) == 0)) {
            b.at[r][c] = CELL_GRUBBLET;
            placed++;
        }
    }
    for (int mines = strength / 2, tries = 0; mines > 0 && tries < 200; tries++) {
        const int c = random.below(BOARD_COLS);
        if (standing_place(b, ground - 1, c)) {
            b.at[ground - 1][c] = CELL_MINE;
            mines--;
        }
    }
    for (int tries = 0; tries < 400; tries++) {
        const int c = random.below(BOARD_COLS);
        if (standing_place(b, ground - 1, c) && (c == 0 || b.at[ground - 1][c - 1] != CELL_MINE) &&
            (c == BOARD_COLS - 1 || b.at[ground - 1][c + 1] != CELL_MINE)) {
            b.at[ground - 1][c] = CELL_START;
            *start = {ground - 1, c};
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
