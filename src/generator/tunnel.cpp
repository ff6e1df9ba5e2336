// The tunnel: corridors stacked one above the other and joined by holes at
// alternate ends, so that the way winds across the board again and again,
// with mines on the floors to hop and, in harder tunnels, mines under the
// ceilings, which a jump beneath meets. The longest tunnels wind down one side
// of the board and climb back up the other, through holes a high jump
// passes. The grubblets are placed by how many turns any play needs to get
// to them: in a hungry tunnel none lies near the start.
//
// What must hold: distances are counted with the rules' own turns, so the
// promise about hunger holds for every way of playing the level; no two
// corridors meet except through a hole or the passage between the sides;
// the start rests on a floor.
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

// Corridors stacked in the columns left to right: floor 0 is the ceiling of
// the top corridor, floor i the floor of corridor i.
struct stack {
    int left, right;
    std::vector<std::vector<int>> rows; // by floor, by column: the row of its top
    int at(int floor, int col) const {
        return rows[static_cast<std::size_t>(floor)][static_cast<std::size_t>(col)];
    }
    int corridors() const {
        return static_cast<int>(rows.size()) - 1;
    }
};

// Rows from one floor to the next, drawn from `choices` until they would
// pass `room` or there are `most` of them.
std::vector<int> draw_pitches(random_source &random, const std::vector<int> &choices, int room,
                              int most) {
    std::vector<int> pitches;
    for (int rows = 0; static_cast<int>(pitches.size()) < most;) {
        const int p = choices[static_cast<std::size_t>(random.below(int(choices.size())))];
        if (rows + p > room) {
            break;
        }
        rows += p;
        pitches.push_back(p);
    }
    return pitches;
}

// Whether a player walks or hops along a corridor from one column to the
// next, given its ceiling and floor rows in each: a walk goes on or down
// when the ceiling leaves the cell beside free, and a short jump climbs a step
// of a row when there is a free cell above the player to rise into.
bool passes(int ceiling_from, int floor_from, int ceiling_to, int floor_to) {
    if (floor_to >= floor_from) {
        return ceiling_to <= floor_from - 2;
    }
    return floor_to == floor_from - 1 && floor_from - ceiling_from >= 3;
}

// The floors of a stack whose top floor lies on row `top`, each `pitches`
// rows below the one above. Flat at the ends, where the holes and the end
// walls are; elsewhere, in stretches of six cells, each floor lies a row
// above its place, on it or below it, at random, so that no two tunnels
// share their rows for long. Every corridor stays a cell high or more and
// no higher than its pitch, and from every stretch to the next the player
// passes both ways (`passes`): where no draw allows that, a stretch takes
// the one before it, and the stretches before a flat end are evened out
// back to it. So a crawlway, a cell high, is never climbed from, nor
// entered under a lower ceiling.
stack make_stack(random_source &random, int left, int right, int top,
                 const std::vector<int> &pitches) {
    const int floors = static_cast<int>(pitches.size()) + 1;
    std::vector<int> base(static_cast<std::size_t>(floors), top);
    for (int i = 1; i < floors; i++) {
        base[static_cast<std::size_t>(i)] =
            base[static_cast<std::size_t>(i - 1)] + pitches[static_cast<std::size_t>(i - 1)];
    }
    using offsets = std::vector<int>; // by floor: rows below its place
    // Whether the corridors are sound in `to` and pass from `from` to it.
    auto sound = [&](const offsets &from, const offsets &to, int upto) {
        for (int i = 1; i <= upto; i++) {
            const std::size_t f = static_cast<std::size_t>(i), c = f - 1;
            const int cf = base[c] + from[c], ff = base[f] + from[f];
            const int ct = base[c] + to[c], ft = base[f] + to[f];
            if (ft - ct < 2 || ft - ct > pitches[c] + 1 || !passes(cf, ff, ct, ft) ||
                !passes(ct, ft, cf, ff)) {
                return false;
            }
        }
        return true;
    };
    const offsets flat(static_cast<std::size_t>(floors), 0);
    std::vector<offsets> stretch;
    for (int from = left + 8; from <= right - 8; from += 6) {
        const offsets &before = stretch.empty() ? flat : stretch.back();
        offsets drawn(static_cast<std::size_t>(floors), 0);
        bool whole = false;
        for (int tries = 0; tries < 12 && !whole; tries++) {
            whole = true;
            for (int i = 0; i < floors && whole; i++) {
                std::vector<int> fits;
                for (int o = -1; o <= 1; o++) {
                    drawn[static_cast<std::size_t>(i)] = o;
                    const int row = base[static_cast<std::size_t>(i)] + o;
                    if (row >= 0 && row < BOARD_ROWS && sound(before, drawn, i)) {
                        fits.push_back(o);
                    }
                }
                whole = !fits.empty();
                if (whole) {
                    drawn[static_cast<std::size_t>(i)] =
                        fits[static_cast<std::size_t>(random.below(static_cast<int>(fits.size())))];
                }
            }
            // The last stretch must also pass to the flat end.
            whole = whole && (from + 6 <= right - 8 || sound(drawn, flat, floors - 1));
        }
        stretch.push_back(whole ? drawn : before);
    }
    for (std::size_t k = stretch.size(); k-- > 0;) {
        const offsets &after = k + 1 < stretch.size() ? stretch[k + 1] : flat;
        if (!sound(stretch[k], after, floors - 1)) {
            stretch[k] = after;
        }
    }
    stack s{left, right, {}};
    for (int i = 0; i < floors; i++) {
        std::vector<int> row(BOARD_COLS, base[static_cast<std::size_t>(i)]);
        for (std::size_t k = 0; k < stretch.size(); k++) {
            const int from = left + 8 + 6 * static_cast<int>(k), to = std::min(from + 5, right - 8);
            std::fill(row.begin() + from, row.begin() + to + 1, row[0] + stretch[k][i]);
        }
        s.rows.push_back(row);
    }
    return s;
}

void draw_floors(board_cells &b, const stack &s) {
    for (int col = s.left; col <= s.right; col++) {
        for (int i = 0; i <= s.corridors(); i++) {
            b.at[s.at(i, col)][col] = CELL_WALL;
        }
        // The top floor has no corridor over it to keep its steps to a row:
        // where it drops two, the cell over its lower side closes the gap
        // that would open the top corridor onto the roof.
        for (int side : {col - 1, col + 1}) {
            if (side >= s.left && side <= s.right && s.at(0, side) <= s.at(0, col) - 2) {
                b.at[s.at(0, col) - 1][col] = CELL_WALL;
            }
        }
    }
}

// A hole two cells wide through floor i, near the stack's left or right end.
void cut_hole(board_cells &b, random_source &random, const stack &s, int i, bool at_right) {
    const int hole = at_right ? s.right - 3 - random.below(4) : s.left + 2 + random.below(4);
    fill(b, s.at(i, hole), hole, s.at(i, hole), hole + 1, CELL_EMPTY);
}

// Mines and a hurdle in corridor i, three cells apart where the corridor is
// two cells high or more and level, so that a short jump always clears one and the
// way stays open to a player with no grubblet eaten. A mine under the
// ceiling wants the floor level beside it too: a step up there could only be
// climbed through it. The longest tunnels hang several in each corridor: in
// one two cells high a jump under one is death, and only a walk passes.
void furnish(board_cells &b, random_source &random, const stack &s, int i, int strength) {
    const int width = s.right - s.left + 1;
    if (width < 24) {
        return;
    }
    // Free cells from `reach` before col to `reach` after the cell beside it,
    // the corridor two cells high there, and level from `level` before to
    // `level` after.
    auto apart = [&](int col, int reach, int level) {
        for (int c = col - reach; c <= col + reach + 1; c++) {
            const bool near = c >= col - level && c <= col + level + 1;
            if (s.at(i, c) - s.at(i - 1, c) < 3 ||
                (near && (s.at(i, c) != s.at(i, col) || s.at(i - 1, c) != s.at(i - 1, col)))) {
                return false;
            }
            for (int r = s.at(i - 1, c) + 1; r < s.at(i, c); r++) {
                if (b.at[r][c] != CELL_EMPTY) {
                    return false;
                }
            }
        }
        return true;
    };
    // Two on a corridor across the board, at least one on a shorter one.
    const int per_width = std::max(1, (width * 2 + BOARD_COLS / 2) / BOARD_COLS);
    for (int mines =
             (strength >= 7 ? 5 * per_width : per_width * (1 + strength / 3) / 2) + random.below(2);
         mines > 0; mines--) {
        const int col = s.left + 8 + random.below(width - 16);
        if (apart(col, 3, 1)) {
            b.at[s.at(i, col) - 1][col] = CELL_MINE;
            if (random.below(2) == 0 && s.at(i, col + 1) == s.at(i, col)) {
                b.at[s.at(i, col) - 1][col + 1] = CELL_MINE;
            }
        }
    }
    for (int hanging = strength >= 7 ? 3 + random.below(2) : strength >= 4 && random.below(3) == 0;
         hanging > 0; hanging--) {
        const int col = s.left + 10 + random.below(width - 20);
        if (apart(col, 4, 1)) {
            b.at[s.at(i - 1, col) + 1][col] = CELL_MINE;
        }
    }
    if (random.below(2) == 0) {
        const int col = s.left + 8 + random.below(width - 16);
        if (apart(col, 3, 1)) {
            b.at[s.at(i, col) - 1][col] = CELL_WALL; // a hurdle
        }
    }
}

void put_start(board_cells &b, random_source &random, const stack &s, bool at_right,
               cell_ref *start) {
    const int col = at_right ? s.right - 1 - random.below(3) : s.left + 1 + random.below(3);
    const int row = s.at(1, col) - 1;
    b.at[row][col] = CELL_START;
    *start = {row, col};
}

// One stack across a span of the board (the whole of it or a little less),
// walled at its ends, the way winding down from the top corridor.
void build_winding(board_cells &b, random_source &random, int strength, cell_ref *start) {
    const std::vector<int> pitches =
        draw_pitches(random, {3, 4}, BOARD_ROWS - 2 - random.below(3), 3 + strength / 2);
    int rows = 0;
    for (int p : pitches) {
        rows += p;
    }
    const int top = random.below(BOARD_ROWS - 2 - rows + 1);
    const int width = BOARD_COLS - random.below(31);
    const int left = random.below(BOARD_COLS - width + 1);
    const stack s = make_stack(random, left, left + width - 1, top, pitches);
    draw_floors(b, s);
    fill(b, top, left - 1, top + rows + 1, left - 1, CELL_WALL);
    fill(b, top, s.right + 1, top + rows + 1, s.right + 1, CELL_WALL);
    const bool first_right = random.below(2) == 0;
    for (int i = 1; i <= s.corridors(); i++) {
        // The lowest corridor ends the way: no hole out of it.
        if (i < s.corridors()) {
            cut_hole(b, random, s, i, (i % 2 == 1) == first_right);
        }
        furnish(b, random, s, i, strength);
    }
    put_start(b, random, s, !first_right, start);
}

// Two stacks side by side, their lowest floors meeting under the wall
// between them: the way winds down the one, along the lowest corridors, and
// climbs the other through holes a high jump with no grubblet eaten passes
// (none of its corridors more than two cells high at the holes).
void build_down_and_up(board_cells &b, random_source &random, int strength, cell_ref *start) {
    const int split = 28 + random.below(25), bottom = BOARD_ROWS - 2 - random.below(4);
    const bool down_left = random.below(2) == 0;
    auto build_side = [&](bool on_left, const std::vector<int> &choices) {
        const std::vector<int> pitches = draw_pitches(random, choices, bottom - random.below(3), 8);
        int top = bottom;
        for (int p : pitches) {
            top -= p;
        }
        return on_left ? make_stack(random, 0, split - 1, top, pitches)
                       : make_stack(random, split + 1, BOARD_COLS - 1, top, pitches);
    };
    const stack down = build_side(down_left, {2, 3, 3, 3, 4});
    const stack up = build_side(!down_left, {2, 3, 3, 3});
    draw_floors(b, down);
    draw_floors(b, up);
    // The wall between the sides, open under the lowest corridors' ceilings.
    const int near_down = down_left ? split - 1 : split + 1,
              near_up = down_left ? split + 1 : split - 1;
    fill(b, std::min(down.at(0, near_down), up.at(0, near_up)), split,
         std::max(down.at(down.corridors() - 1, near_down), up.at(up.corridors() - 1, near_up)),
         split, CELL_WALL);
    b.at[bottom][split] = CELL_WALL;
    // Down the one side, the last hole at its outer end so that the lowest
    // corridor runs its whole length; up the other, the first climb at its
    // outer end too.
    for (const stack *s : {&down, &up}) {
        const bool outer_right = (s == &down) != down_left;
        for (int i = 1; i <= s->corridors(); i++) {
            if (i < s->corridors()) {
                cut_hole(b, random, *s, i, ((s->corridors() - 1 - i) % 2 == 0) == outer_right);
            }
            furnish(b, random, *s, i, strength);
        }
    }
    // The start at the far end of the top corridor from its hole.
    const bool first_hole_outer = (down.corridors() - 2) % 2 == 0;
    put_start(b, random, down, first_hole_outer == down_left, start);
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
    // A floor cell not yet fed, at `turns` from the start or the nearest
    // number of turns past it (before it only at the far end of the way).
    std::vector<bool> fed(floor.size(), false);
    auto near = [&](int turns) {
        std::size_t at = static_cast<std::size_t>(
            std::lower_bound(floor.begin(), floor.end(), std::make_pair(turns, 0)) - floor.begin());
        while (at < floor.size() && fed[at]) {
            at++;
        }
        if (at == floor.size()) {
            do {
                at--;
            } while (at > 0 && fed[at]);
        }
        // One of the unfed cells as far as this one, at random.
        std::size_t last = at;
        while (last + 1 < floor.size() && floor[last + 1].first == floor[at].first &&
               !fed[last + 1]) {
            last++;
        }
        at += static_cast<std::size_t>(random.below(static_cast<int>(last - at + 1)));
        fed[at] = true;
        return floor[at].second;
    };
    const int first = first_from + random.below(first_to - first_from + 1);
    const int end = std::max(first, floor.back().first - random.below(4));
    const int gaps = std::max(grubblets - 1, (end - first + stretch - 1) / stretch);
    for (int g = 0; g <= gaps && g < static_cast<int>(floor.size()); g++) {
        const int cell = near(first + (end - first) * g / std::max(1, gaps));
        b.at[cell / BOARD_COLS][cell % BOARD_COLS] = CELL_GRUBBLET;
    }
    return true;
}

} // namespace

bool build_tunnel(board_cells &b, random_source &random, const design_wish &wish) {
    cell_ref start;
    const bool longest = wish.strength >= 7;
    if (longest) {
        build_down_and_up(b, random, wish.strength, &start);
    } else {
        build_winding(b, random, wish.strength, &start);
    }
    // A hungry tunnel's first grubblet lies 62 turns away or more: far
    // enough that the tummy falls to 40 or less whatever the way, near
    // enough to reach before it empties. The longest tunnels keep the player
    // hungrier still, on fewer grubblets further apart.
    const int first_from = !wish.hungry ? 12 : longest ? 84 : 62;
    const int first_to = !wish.hungry ? 30 : longest ? 94 : 84;
    return feed_tunnel(b, random, wish.grubblets, first_from, first_to, longest ? 40 : 28);
}
