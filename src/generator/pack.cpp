// Making a pack: for each of the nine levels a layout, then a random play
// on it through the game's own turns that leaves a grubblet wherever it
// first comes to rest, or high in a jump it makes; then the level checker
// decides the level, and only a level it proves clearable, with no trap it
// knows of and not won by standing still, is kept. The nine levels are
// stored in the order of the checker's difficulty figure.
#include "layouts.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// What one level of the pack asks for: more grubblets and a harsher board
// further into the pack.
struct level_plan {
    int layout;
    int strength;  // 0 to 8
    int grubblets; // to place
    int hungry_at; // the play eats whenever the tummy is below this
    int spacing;   // how far apart the play puts grubblets unless hungry
};

bool outcome_seen = false;

void silent_outcome(outcome_kind) {
    outcome_seen = true;
}

// Plays one move; false when it ended a life or the level.
bool try_move(move_code move) {
    outcome_seen = false;
    game.pending_move = move;
    run_turn();
    return !outcome_seen;
}

const move_code MOVES[] = {MOVE_WALK_LEFT, MOVE_WALK_RIGHT, MOVE_SPRINT_LEFT, MOVE_SPRINT_RIGHT,
                           MOVE_HIGH_LEFT, MOVE_HIGH_RIGHT, MOVE_HIGH_UP};

// The random play that puts the grubblets on stored level `level`: a cell
// becomes a grubblet only where no earlier move of the play passed, so the
// play, typed again, eats each as it did. True when all were placed.
bool place_grubblets(int level, const level_plan &plan, random_source &random) {
    cell_kind **b = level_set[level];
    game.level = level;
    reset_level();
    // A grubblet on the play board only, which keeps the level from being
    // cleared while the play goes on; a move that eats it is never chosen.
    int keep_r = 0, keep_c = 0;
    while (b[keep_r][keep_c] != CELL_EMPTY) {
        keep_c++;
        if (keep_c == BOARD_COLS) {
            return false;
        }
    }
    play_board[keep_r][keep_c] = CELL_GRUBBLET;
    game.grubblets_left = 1;

    std::vector<bool> passed(BOARD_ROWS * BOARD_COLS, false);
    auto mark_turn = [&] {
        for (int i = 0; i < game.trail_len; i++) {
            passed[static_cast<std::size_t>(game.trail_y[i] * BOARD_COLS + game.trail_x[i])] = true;
        }
        passed[static_cast<std::size_t>(game.player_y * BOARD_COLS + game.player_x)] = true;
    };
    auto fresh = [&](int r, int c) {
        return !passed[static_cast<std::size_t>(r * BOARD_COLS + c)] && b[r][c] == CELL_EMPTY &&
               (r != keep_r || c != keep_c);
    };
    // Where the move just played could leave a grubblet: where it came to
    // rest, or sometimes (or when that is not fresh) the highest fresh cell
    // it passed, which only a jump like it reaches. False when neither is.
    auto spot_in_turn = [&](bool high, cell_ref *spot) {
        int top = -1;
        for (int i = 0; i < game.trail_len; i++) {
            if (fresh(game.trail_y[i], game.trail_x[i]) &&
                (top < 0 || game.trail_y[i] < game.trail_y[top])) {
                top = i;
            }
        }
        const bool rest = fresh(game.player_y, game.player_x);
        if (top >= 0 && (high || !rest)) {
            *spot = {game.trail_y[top], game.trail_x[top]};
            return true;
        }
        *spot = {game.player_y, game.player_x};
        return rest;
    };
    if (!try_move(MOVE_NONE)) {
        return false;
    }
    mark_turn();

    int placed = 0, since = 0, last_r = game.player_y, last_c = game.player_x;
    play_snapshot before;
    // Turns in a row with no fresh cell in reach: the play has seen all of
    // the board it can get to, and the level makes do with fewer grubblets.
    int dry = 0;
    for (int turns = 0; placed < plan.grubblets && turns < 600 && dry <= 40; turns++) {
        take_snapshot(&before);
        std::vector<move_code> alive, to_new;
        for (move_code m : MOVES) {
            restore_snapshot(before);
            if (try_move(m)) {
                alive.push_back(m);
                cell_ref spot;
                if (spot_in_turn(false, &spot)) {
                    to_new.push_back(m);
                }
            }
        }
        restore_snapshot(before);
        dry = to_new.empty() ? dry + 1 : 0;
        if (alive.empty()) {
            return false;
        }
        // Grubblets some way apart, so that the way between them is part of
        // the puzzle, or a while apart where the board keeps the play
        // close; the play eats sooner only when hungry.
        const int away = std::abs(game.player_x - last_c) + 2 * std::abs(game.player_y - last_r);
        since++;
        const bool eat = !to_new.empty() &&
                         (game.tummy < plan.hungry_at ||
                          ((away >= plan.spacing || since > plan.spacing) && random.below(3) == 0));
        const move_code m =
            eat ? to_new[static_cast<std::size_t>(random.below(static_cast<int>(to_new.size())))]
                : alive[static_cast<std::size_t>(random.below(static_cast<int>(alive.size())))];
        if (eat) {
            try_move(m);
            cell_ref spot;
            spot_in_turn(random.below(10) < 3 + plan.strength / 2, &spot);
            const int r = spot.row, c = spot.col;
            restore_snapshot(before);
            b[r][c] = CELL_GRUBBLET;
            play_board[r][c] = CELL_GRUBBLET;
            game.grubblets_left += 1;
            placed++;
            last_r = r;
            last_c = c;
            since = 0;
        }
        try_move(m);
        mark_turn();
    }
    return placed == plan.grubblets || (dry > 40 && placed >= std::max(2, plan.grubblets / 2));
}

// A level the generator can always make: grubblets along the bottom edge,
// which a walk takes and no move can strand the player away from.
void make_walk(int level, const level_plan &plan, random_source &random) {
    cell_kind **b = level_set[level];
    for (int r = 0; r < BOARD_ROWS; r++) {
        std::memset(b[r], CELL_EMPTY, BOARD_COLS * sizeof(cell_kind));
    }
    const int start = random.below(BOARD_COLS);
    b[BOARD_ROWS - 1][start] = CELL_START;
    for (int g = 0; g < plan.grubblets;) {
        int c = random.below(BOARD_COLS);
        if (b[BOARD_ROWS - 1][c] == CELL_EMPTY) {
            b[BOARD_ROWS - 1][c] = CELL_GRUBBLET;
            g++;
        }
    }
}

// Decides the stored level with the checker; true when it is one to keep.
bool keep_level(int level, generated_level *out) {
    level_verdict verdict = solve_level(level);
    if (verdict.answer != ANSWER_CLEARABLE || !verdict.traps.empty() || verdict.keys.empty()) {
        return false;
    }
    out->keys = verdict.keys;
    out->grubblets = 0;
    for (int r = 0; r < BOARD_ROWS; r++) {
        out->grubblets += static_cast<int>(
            std::count(level_set[level][r], level_set[level][r] + BOARD_COLS, CELL_GRUBBLET));
    }
    out->difficulty = level_difficulty(level, verdict);
    return out->difficulty.known;
}

generated_level make_level(int level, const level_plan &plan, random_source &random) {
    generated_level made;
    made.layout = LAYOUT_NAMES[plan.layout];
    const display_interface saved = display;
    for (int attempt = 0; attempt < 40; attempt++) {
        display = display_interface{silent_outcome, nullptr, nullptr};
        cell_ref start;
        bool built = build_layout(level_set[level], plan.layout, random, plan.strength, &start) &&
                     place_grubblets(level, plan, random);
        display = saved;
        if (built && keep_level(level, &made)) {
            return made;
        }
    }
    make_walk(level, plan, random);
    made.layout = "walk";
    keep_level(level, &made);
    return made;
}

std::vector<level_plan> plan_pack(random_source &random, pack_difficulty difficulty) {
    // Every layout once in the first five levels and four of them again in
    // the last four, each time in a new order.
    std::vector<int> layouts;
    for (int round = 0; round < 2; round++) {
        int order[LAYOUT_COUNT];
        for (int i = 0; i < LAYOUT_COUNT; i++) {
            order[i] = i;
        }
        for (int i = LAYOUT_COUNT - 1; i > 0; i--) {
            std::swap(order[i], order[random.below(i + 1)]);
        }
        layouts.insert(layouts.end(), order, order + LAYOUT_COUNT);
    }
    const int shift = difficulty == PACK_EASY ? -2 : difficulty == PACK_HARD ? 3 : 0;
    std::vector<level_plan> plans;
    for (int i = 0; i < LEVEL_COUNT; i++) {
        level_plan plan;
        plan.layout = layouts[static_cast<std::size_t>(i)];
        plan.strength = std::clamp(i + shift, 0, 8);
        plan.grubblets = std::max(2, 3 + i + shift + random.below(2));
        plan.hungry_at = plan.layout == LAYOUT_CORRIDORS ? 30 : 60 - 3 * plan.strength;
        plan.spacing = 4 + 2 * plan.strength;
        plans.push_back(plan);
    }
    return plans;
}

} // namespace

std::vector<generated_level> make_pack(std::uint32_t seed, pack_difficulty difficulty) {
    random_source random(seed);
    std::vector<level_plan> plans = plan_pack(random, difficulty);
    std::vector<generated_level> pack;
    for (int level = 0; level < LEVEL_COUNT; level++) {
        pack.push_back(make_level(level, plans[static_cast<std::size_t>(level)], random));
    }

    // In the order of difficulty, the first made first among equals.
    std::vector<int> order(LEVEL_COUNT);
    for (int i = 0; i < LEVEL_COUNT; i++) {
        order[static_cast<std::size_t>(i)] = i;
    }
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return pack[static_cast<std::size_t>(a)].difficulty.score <
               pack[static_cast<std::size_t>(b)].difficulty.score;
    });
    std::vector<std::vector<cell_kind>> boards(LEVEL_COUNT);
    for (int level = 0; level < LEVEL_COUNT; level++) {
        for (int r = 0; r < BOARD_ROWS; r++) {
            boards[static_cast<std::size_t>(level)].insert(
                boards[static_cast<std::size_t>(level)].end(), level_set[level][r],
                level_set[level][r] + BOARD_COLS);
        }
    }
    std::vector<generated_level> sorted;
    for (int level = 0; level < LEVEL_COUNT; level++) {
        const auto from = static_cast<std::size_t>(order[static_cast<std::size_t>(level)]);
        for (int r = 0; r < BOARD_ROWS; r++) {
            std::memcpy(level_set[level][r],
                        &boards[from][static_cast<std::size_t>(r * BOARD_COLS)],
                        BOARD_COLS * sizeof(cell_kind));
        }
        sorted.push_back(pack[from]);
    }
    game.level = 0;
    reset_level();
    return sorted;
}
