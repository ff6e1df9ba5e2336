// Making a pack: for each of the nine levels a layout, then (unless the
// layout places its own) a random play on it through the rules' own turns
// that leaves a grubblet wherever it first comes to rest, or high in a jump
// it makes; then the level checker decides the level, and only a level it
// proves clearable with its win proven shortest, with the hunger and traps
// its plan asks for and not won by standing still, is kept. The nine levels
// are stored in the order of the checker's difficulty figure.
#include "layouts.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace {

// What one level of the pack asks for: more grubblets and a harsher board
// further into the pack.
struct level_plan {
    int layout;
    int strength;       // 0 to 8
    int grubblets;      // to place
    int hungry_at;      // the play eats whenever the tummy is below this
    int spacing;        // how far apart the play puts grubblets unless hungry
    bool hungry;        // its win runs the tummy down to HUNGRY_TUMMY or less (a hungry
                        // tunnel is built so that every win does)
    bool traps;         // the level may catch a player who comes early
    bool want_trap;     // and must: the pack's designed trap
    double least_score; // the difficulty figure it must reach, or 0
};

// The tummy a hungry level's every win runs down to, at the most.
const int HUNGRY_TUMMY = 40;
// The figure a hard pack's longest tunnel reaches: as demanding as the
// hardest of the shipped levels (320.1) or more.
const double LONGEST_SCORE = 321;

// A level being made, played from its start: the board in play, which
// holds one grubblet more than the level, and the state of play on it.
struct trial {
    board_cells board;
    play_state state;
    turn_trail trail; // of the last turn
};

// Plays one move; false when it ended a life or the level.
bool try_move(trial &t, move_code move) {
    return play_turn(t.board, t.state, move, &t.trail).outcome == OUTCOME_NONE;
}

// The random play that puts the grubblets on level b: a cell becomes a
// grubblet only where no earlier move of the play passed, so the play,
// typed again, eats each as it did. True when all were placed.
bool place_grubblets(board_cells &b, const level_plan &plan, random_source &random) {
    trial t{b, fresh_play(b), {}};
    // A grubblet in play only, which keeps the level from being cleared
    // while the play goes on; a move that eats it ends the level, so it is
    // never chosen.
    int keep_r = 0, keep_c = 0;
    while (b.at[keep_r][keep_c] != CELL_EMPTY) {
        keep_c++;
        if (keep_c == BOARD_COLS) {
            return false;
        }
    }
    t.board.at[keep_r][keep_c] = CELL_GRUBBLET;
    t.state.grubblets_left = 1;

    std::vector<bool> passed(BOARD_ROWS * BOARD_COLS, false);
    auto mark_turn = [&] {
        for (int i = 0; i < t.trail.len; i++) {
            passed[static_cast<std::size_t>(t.trail.y[i] * BOARD_COLS + t.trail.x[i])] = true;
        }
        passed[static_cast<std::size_t>(t.state.y * BOARD_COLS + t.state.x)] = true;
    };
    auto fresh = [&](int r, int c) {
        return !passed[static_cast<std::size_t>(r * BOARD_COLS + c)] && b.at[r][c] == CELL_EMPTY &&
               (r != keep_r || c != keep_c);
    };
    // Where the move just played could leave a grubblet: where it came to
    // rest, or sometimes (or when that is not fresh) the highest fresh cell
    // it passed, which only a jump like it reaches. False when neither is.
    auto spot_in_turn = [&](bool high, cell_ref *spot) {
        int top = -1;
        for (int i = 0; i < t.trail.len; i++) {
            if (fresh(t.trail.y[i], t.trail.x[i]) && (top < 0 || t.trail.y[i] < t.trail.y[top])) {
                top = i;
            }
        }
        const bool rest = fresh(t.state.y, t.state.x);
        if (top >= 0 && (high || !rest)) {
            *spot = {t.trail.y[top], t.trail.x[top]};
            return true;
        }
        *spot = {t.state.y, t.state.x};
        return rest;
    };
    if (!try_move(t, MOVE_NONE)) {
        return false;
    }
    mark_turn();

    int placed = 0, since = 0, last_r = t.state.y, last_c = t.state.x;
    // Turns in a row with no fresh cell in reach: the play has seen all of
    // the board it can get to, and the level makes do with fewer grubblets.
    int dry = 0;
    for (int turns = 0; placed < plan.grubblets && turns < 600 && dry <= 40; turns++) {
        const trial before = t;
        std::vector<move_code> alive, to_new;
        for (move_code m : PLAYER_MOVES) {
            t = before;
            if (try_move(t, m)) {
                alive.push_back(m);
                cell_ref spot;
                if (spot_in_turn(false, &spot)) {
                    to_new.push_back(m);
                }
            }
        }
        t = before;
        dry = to_new.empty() ? dry + 1 : 0;
        if (alive.empty()) {
            return false;
        }
        // Grubblets some way apart, so that the way between them is part of
        // the puzzle, or a while apart where the board keeps the play
        // close; the play eats sooner only when hungry.
        const int away = std::abs(t.state.x - last_c) + 2 * std::abs(t.state.y - last_r);
        since++;
        const bool eat = !to_new.empty() &&
                         (t.state.tummy < plan.hungry_at ||
                          ((away >= plan.spacing || since > plan.spacing) && random.below(3) == 0));
        const move_code m =
            eat ? to_new[static_cast<std::size_t>(random.below(static_cast<int>(to_new.size())))]
                : alive[static_cast<std::size_t>(random.below(static_cast<int>(alive.size())))];
        if (eat) {
            try_move(t, m);
            cell_ref spot;
            spot_in_turn(random.below(10) < 3 + plan.strength / 2, &spot);
            const int r = spot.row, c = spot.col;
            t = before;
            b.at[r][c] = CELL_GRUBBLET;
            t.board.at[r][c] = CELL_GRUBBLET;
            t.state.grubblets_left += 1;
            placed++;
            last_r = r;
            last_c = c;
            since = 0;
        }
        try_move(t, m);
        mark_turn();
    }
    return placed == plan.grubblets || (dry > 40 && placed >= std::max(2, plan.grubblets / 2));
}

// A level built and its grubblets placed, with the random numbers as they
// stand after it.
struct candidate {
    bool built = false;
    generated_level made;
    random_source after{0};
};

// Decides a candidate with the checker; true when it is one to keep: proven
// clearable, its win proven shortest, and with the hunger and the traps its
// plan asks for. A trap is kept only where eating enough lets the player
// out: no generated level strands a player whatever they have eaten. The
// walk, the last resort, needs only to be proven clearable.
bool keep_level(const level_plan &plan, generated_level *out, bool last_resort = false) {
    // A level whose par takes long to prove is seldom worth the wait: the
    // next candidate is cheaper.
    search_limits limits;
    if (!last_resort) {
        limits.max_states = 400000;
        limits.shortest_states = 60000;
    }
    level_verdict verdict = solve_level(out->board, limits);
    if (verdict.answer != ANSWER_CLEARABLE || verdict.keys.empty() ||
        !(verdict.shortest || last_resort)) {
        return false;
    }
    for (const trap_run &trap : verdict.traps) {
        if (!plan.traps || trap.eaten_at_most < 0) {
            return false;
        }
    }
    if ((plan.want_trap && verdict.traps.empty()) ||
        (plan.hungry && verdict.difficulty.lowest_tummy > HUNGRY_TUMMY) ||
        verdict.difficulty.score < plan.least_score) {
        return false;
    }
    out->keys = verdict.keys;
    out->at_least = verdict.shortest ? static_cast<int>(verdict.keys.size()) : verdict.at_least;
    out->grubblets = fresh_play(out->board).grubblets_left;
    out->difficulty = verdict.difficulty;
    return out->difficulty.known;
}

// A level on a layout with its grubblets placed, drawing on the stream of
// random numbers; false when the layout or the play failed.
bool build_candidate(const level_plan &plan, random_source &random, generated_level *made) {
    made->layout = LAYOUT_NAMES[plan.layout];
    if (plan.layout == LAYOUT_TUNNEL || plan.layout == LAYOUT_WELLS) {
        const design_wish wish{plan.strength, plan.grubblets, plan.hungry, plan.want_trap};
        return build_designed(made->board, plan.layout, random, wish);
    }
    cell_ref start;
    return build_layout(made->board, plan.layout, random, plan.strength, &start) &&
           place_grubblets(made->board, plan, random);
}

std::vector<level_plan> plan_pack(random_source &random, pack_difficulty difficulty) {
    // Every layout once and two of them again, in a random order; in a hard
    // pack the tunnel is one of the two, for two hungry levels.
    std::vector<int> layouts;
    for (int i = 0; i < LAYOUT_COUNT; i++) {
        layouts.push_back(i);
    }
    layouts.push_back(difficulty == PACK_HARD ? int(LAYOUT_TUNNEL) : random.below(LAYOUT_TUNNEL));
    layouts.push_back(random.below(LAYOUT_TUNNEL));
    for (std::size_t i = layouts.size() - 1; i > 0; i--) {
        std::swap(layouts[i], layouts[static_cast<std::size_t>(random.below(int(i) + 1))]);
    }
    const int shift = difficulty == PACK_EASY ? -2 : difficulty == PACK_HARD ? 3 : 0;
    // The tunnels: short and well fed in an easy pack; hungry elsewhere,
    // and in a hard pack the first as long as the board allows.
    int tunnels = 0;
    std::vector<level_plan> plans;
    for (int i = 0; i < LEVEL_COUNT; i++) {
        level_plan plan;
        plan.layout = layouts[static_cast<std::size_t>(i)];
        plan.strength = std::clamp(i + shift, 0, 8);
        // Past a dozen, par takes long to prove.
        plan.grubblets = std::clamp(3 + i + shift + random.below(2), 2, 12);
        plan.hungry_at = plan.layout == LAYOUT_CORRIDORS ? 30 : 60 - 3 * plan.strength;
        plan.spacing = 4 + 2 * plan.strength;
        plan.hungry = false;
        plan.least_score = 0;
        plan.traps = difficulty != PACK_EASY;
        plan.want_trap = plan.layout == LAYOUT_WELLS &&
                         (difficulty == PACK_HARD || (plan.traps && random.below(2) == 0));
        if (plan.layout == LAYOUT_TUNNEL) {
            plan.hungry = difficulty != PACK_EASY;
            plan.strength = difficulty == PACK_EASY     ? 1
                            : difficulty == PACK_NORMAL ? 4
                            : tunnels == 0              ? 8
                                                        : 6;
            // The way's length sets how many more it needs to be fed.
            plan.grubblets = 2 + random.below(2);
            plan.least_score = plan.strength == 8 ? LONGEST_SCORE : 0;
            tunnels++;
        }
        plans.push_back(plan);
    }
    return plans;
}

} // namespace

// One at a time, a level's candidates are built and decided in turn, each
// drawing on the one stream of random numbers, until one is kept (after 40,
// or 200 for the longest tunnel, the walk). Here the next candidates in that order are built ahead,
// on the guess that each is kept and the next level comes next, and decided up to `jobs` at once.
// Only candidates whose guess came true are used, and the stream goes on from just after the last
// of them, so the pack is the same whatever the number of jobs.
std::vector<generated_level> make_pack(std::uint32_t seed, pack_difficulty difficulty, int jobs) {
    if (jobs <= 0) {
        jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    }
    // Each difficulty its own stream, so that the packs of one seed do not
    // share their boards.
    random_source random(seed ^ (static_cast<std::uint32_t>(difficulty) * 0x9E3779B9u));
    const std::vector<level_plan> plans = plan_pack(random, difficulty);
    std::vector<generated_level> pack;
    int attempt = 0; // candidates already turned down for the next level
    while (pack.size() < plans.size()) {
        // A level that must reach a figure is kept less often, and each
        // try is cheap: it gets more of them.
        const int attempts = plans[pack.size()].least_score > 0 ? 200 : 40;
        if (attempt == attempts) {
            generated_level walk;
            build_walk(walk.board, random, plans[pack.size()].grubblets);
            walk.layout = "walk";
            // The walk asks for nothing of the plan but its grubblets; where
            // even it is not kept, the pack is not made (grubblet-gen says so).
            level_plan plain = plans[pack.size()];
            plain.hungry = plain.want_trap = false;
            plain.least_score = 0;
            keep_level(plain, &walk, true);
            pack.push_back(walk);
            attempt = 0;
            continue;
        }
        std::vector<candidate> batch;
        random_source ahead = random;
        // Always guessing that the candidate before is kept: after a
        // rejection the next batch starts on the same level again.
        for (std::size_t level = pack.size();
             level < plans.size() && static_cast<int>(batch.size()) < jobs; level++) {
            candidate c;
            c.built = build_candidate(plans[level], ahead, &c.made);
            c.after = ahead;
            batch.push_back(c);
        }
        std::vector<char> kept(batch.size(), 0);
        run_jobs(static_cast<int>(batch.size()), jobs, [&](int i) {
            candidate &c = batch[static_cast<std::size_t>(i)];
            kept[static_cast<std::size_t>(i)] =
                c.built && keep_level(plans[pack.size() + static_cast<std::size_t>(i)], &c.made);
        });
        for (std::size_t i = 0; i < batch.size(); i++) {
            random = batch[i].after;
            if (!kept[i]) {
                attempt++;
                break; // the guesses after it were wrong
            }
            pack.push_back(batch[i].made);
            attempt = 0;
        }
    }
    // In the order of difficulty, the first made first among equals.
    std::stable_sort(pack.begin(), pack.end(),
                     [](const generated_level &a, const generated_level &b) {
                         return a.difficulty.score < b.difficulty.score;
                     });
    return pack;
}
