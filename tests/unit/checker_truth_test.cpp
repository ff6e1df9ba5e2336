// The checker's claims held against the truth: on small random levels, every
// state of play a level has is found by a plain breadth-first search through
// the rules' own turns, with nothing dropped but repeats, and every claim the
// checker makes is compared with it. On the shipped levels, no trap lies on
// the level's own winning route where the route meets its condition.
#include "checker/checker.h"
#include "checker/search.h"
#include "hard_levels.h"
#include "levels/levels.h"
#include "rules_test_support.h"
#include "truth_rooms.h"

#include <random>
#include <unordered_map>

namespace {

// Random levels with more states than this are left out: they take too long
// here.
const std::size_t MOST_STATES = 16000;

// Everything a turn depends on between turns; eaten holds one bit per
// grubblet in reading order.
struct full_state {
    int x, y, tummy, health;
    unsigned eaten;
    // Every field in its own bits: tummy and health stay below 4096 on these
    // levels, and they have at most 8 grubblets.
    std::uint64_t key() const {
        return static_cast<std::uint64_t>(y * BOARD_COLS + x) << 32 |
               static_cast<std::uint64_t>(tummy) << 20 | static_cast<std::uint64_t>(health) << 8 |
               eaten;
    }
};

// Every state of a level reachable from its fresh start, and which of them
// can still clear it.
struct truth {
    bool start_dies = false, start_clears = false;
    std::vector<full_state> states; // states[0] is the fresh start
    std::vector<bool> can_clear;
    std::vector<int> keys_left; // by state: fewest keys to a clear, -1 if none
    int shortest = -1;          // fewest keys to a clear, -1 if none
    unsigned ever_eaten = 0;    // grubblets some play eats
};

class checker_truth_test : public rules_test {
  protected:
    std::vector<cell_ref> grubblets_of(int level) {
        std::vector<cell_ref> out;
        for (int r = 0; r < BOARD_ROWS; r++) {
            for (int c = 0; c < BOARD_COLS; c++) {
                if (level_set[level][r][c] == CELL_GRUBBLET) {
                    out.push_back({r, c});
                }
            }
        }
        return out;
    }

    // Plays one move from a state with the rules' own turn, on the level's
    // board less the grubblets eaten; false when the turn ended in an
    // outcome, which *outcome receives.
    bool play_from(const board_cells &level, const std::vector<cell_ref> &grubblets,
                   const full_state &from, move_code move, full_state *to, outcome_kind *outcome) {
        board_cells board = level;
        for (std::size_t i = 0; i < grubblets.size(); i++) {
            if (from.eaten >> i & 1u) {
                board.at[grubblets[i].row][grubblets[i].col] = CELL_EMPTY;
            }
        }
        const int eaten = __builtin_popcount(from.eaten);
        play_state s{from.x,      from.y, from.tummy,
                     from.health, eaten,  static_cast<int>(grubblets.size()) - eaten};
        *outcome = play_turn(board, s, move).outcome;
        *to = {s.x, s.y, s.tummy, s.health, 0};
        for (std::size_t i = 0; i < grubblets.size(); i++) {
            if (board.at[grubblets[i].row][grubblets[i].col] != CELL_GRUBBLET) {
                to->eaten |= 1u << i;
            }
        }
        return *outcome == OUTCOME_NONE;
    }

    truth find_truth(int level, std::size_t most_states) {
        const std::vector<cell_ref> grubblets = grubblets_of(level);
        const board_cells &cells = stored_level(level);
        truth t;
        const play_state fresh = fresh_play(cells);
        full_state first{};
        outcome_kind outcome;
        if (!play_from(cells, grubblets, {fresh.x, fresh.y, fresh.tummy, fresh.health, 0},
                       MOVE_NONE, &first, &outcome)) {
            t.start_clears = outcome == OUTCOME_LEVEL_WON;
            t.start_dies = !t.start_clears;
            return t;
        }
        std::unordered_map<std::uint64_t, int> index{{first.key(), 0}};
        std::vector<std::vector<int>> back(1);
        std::vector<int> depth{0};
        std::vector<bool> wins;
        t.states.push_back(first);
        for (std::size_t i = 0; i < t.states.size() && t.states.size() < most_states; i++) {
            wins.push_back(false);
            t.ever_eaten |= t.states[i].eaten;
            // Every play key's move, the gauge's empty turn included.
            for (move_code move = MOVE_WALK_LEFT; move <= MOVE_GAUGE; move++) {
                full_state next{};
                if (play_from(cells, grubblets, t.states[i], move, &next, &outcome)) {
                    auto found = index.emplace(next.key(), static_cast<int>(t.states.size()));
                    if (found.second) {
                        t.states.push_back(next);
                        back.emplace_back();
                        depth.push_back(depth[i] + 1);
                    }
                    back[static_cast<std::size_t>(found.first->second)].push_back(
                        static_cast<int>(i));
                } else if (outcome == OUTCOME_LEVEL_WON) {
                    wins[i] = true;
                    t.ever_eaten |= (1u << grubblets.size()) - 1;
                    if (t.shortest < 0) {
                        t.shortest = depth[i] + 1;
                    }
                }
            }
        }
        if (t.states.size() >= most_states) {
            t.states.clear();
            return t;
        }
        // Back from the states one key from a clear, breadth first: the
        // fewest keys left from every state that can still clear.
        t.keys_left.assign(wins.size(), -1);
        std::vector<int> todo;
        for (std::size_t i = 0; i < wins.size(); i++) {
            if (wins[i]) {
                t.keys_left[i] = 1;
                todo.push_back(static_cast<int>(i));
            }
        }
        for (std::size_t k = 0; k < todo.size(); k++) {
            const auto i = static_cast<std::size_t>(todo[k]);
            for (int from : back[i]) {
                if (t.keys_left[static_cast<std::size_t>(from)] < 0) {
                    t.keys_left[static_cast<std::size_t>(from)] = t.keys_left[i] + 1;
                    todo.push_back(from);
                }
            }
        }
        for (int keys : t.keys_left) {
            t.can_clear.push_back(keys > 0);
        }
        return t;
    }

    // The map's claims from every state of play: its lower bound on the keys
    // left, where the level can still be cleared, against the fewest it
    // really takes; and where it says a player can no longer win, none can.
    // Counts how often the deadlines alone said so.
    void expect_map_holds(int level, const truth &t) {
        level_play play(stored_level(level));
        play_state start;
        word none = 0;
        trajectory first;
        ASSERT_EQ(play.fresh_start(&start, &none, &first), OUTCOME_NONE);
        reach_map map(play, start.x, start.y, first);
        for (std::size_t i = 0; i < t.states.size(); i++) {
            const full_state &s = t.states[i];
            const int place = map.place_at(s.x, s.y);
            ASSERT_GE(place, 0) << "a rest the map never saw";
            const word eaten = s.eaten;
            if (t.keys_left[i] >= 0) {
                EXPECT_LE(map.keys_left_from(place, &eaten, true).at_least, t.keys_left[i])
                    << "row " << s.y << " column " << s.x << " eaten " << s.eaten;
            }
            if (!can_still_win(map, s.x, s.y, &eaten)) {
                EXPECT_FALSE(t.can_clear[i])
                    << "stuck at row " << s.y << " column " << s.x << " eaten " << s.eaten;
            }
            deadline_stops += !map.meets_deadlines(place, &eaten);
        }
    }
    int deadline_stops = 0;

    // Plays a winning route through the game from the level's restart: it
    // never rests where a trap says no play can win from, and it wins.
    void expect_route_avoids_traps(int level, const std::string &keys,
                                   const std::vector<trap_run> &traps) {
        game.level = level;
        reset_level();
        outcomes.clear();
        play(MOVE_NONE);
        for (char key : keys) {
            for (const trap_run &t : traps) {
                EXPECT_FALSE(game.player_y == t.row && game.player_x >= t.col &&
                             game.player_x <= t.last_col &&
                             (t.eaten_at_most < 0 || game.eaten_this_level <= t.eaten_at_most))
                    << "the route rests in a trap at row " << t.row << " column " << game.player_x;
            }
            ASSERT_TRUE(outcomes.empty());
            play(move_for_key(key));
        }
        ASSERT_FALSE(outcomes.empty());
        EXPECT_EQ(outcomes.front(), level == 8 ? OUTCOME_GAME_WON : OUTCOME_LEVEL_WON);
    }

    // Every claim of the verdict on `level` against the truth.
    // Returns false when the level has too many states to compare.
    bool compare(int level, std::size_t most_states = MOST_STATES) {
        const truth t = find_truth(level, most_states);
        const level_verdict v = solve_level(stored_level(level));
        const std::vector<cell_ref> grubblets = grubblets_of(level);
        if (t.start_clears || t.start_dies) {
            EXPECT_EQ(v.answer, t.start_clears ? ANSWER_CLEARABLE : ANSWER_NOT_CLEARABLE);
            return true;
        }
        if (t.states.empty()) {
            return false;
        }
        const bool clearable = t.can_clear[0];
        EXPECT_EQ(v.answer, clearable ? ANSWER_CLEARABLE : ANSWER_NOT_CLEARABLE) << v.reason;
        expect_map_holds(level, t);
        // Past the directed search at once, the dives and the search with
        // both meters endless decide it, the same way and for the same
        // reason.
        search_limits undirected;
        undirected.directed_states = 1;
        const level_verdict u = solve_level(stored_level(level), undirected);
        EXPECT_EQ(u.answer, v.answer);
        EXPECT_EQ(u.reason, v.reason);
        EXPECT_TRUE(u.answer != ANSWER_CLEARABLE || keys_clear_level(level, u.keys)) << u.keys;
        if (clearable) {
            EXPECT_TRUE(v.shortest);
            EXPECT_EQ(static_cast<int>(v.keys.size()), t.shortest) << v.keys;
            EXPECT_EQ(v.at_least, t.shortest);
            // With too few states to prove it, the bound it reports still
            // holds, and so does a shortest length it proves all the same.
            for (long states : {1L, 10L, 100L}) {
                search_limits few;
                few.shortest_states = states;
                few.quick_states = states;
                const level_verdict cut = solve_level(stored_level(level), few);
                EXPECT_LE(cut.at_least, t.shortest) << states;
                EXPECT_TRUE(!cut.shortest || static_cast<int>(cut.keys.size()) == t.shortest);
            }
        }
        std::vector<bool> named(grubblets.size(), false);
        for (cell_ref g : v.never_eaten) {
            for (std::size_t i = 0; i < grubblets.size(); i++) {
                named[i] = named[i] || (grubblets[i].row == g.row && grubblets[i].col == g.col);
            }
        }
        // The map names only what it proves; tummy and health can keep
        // more from being eaten.
        for (std::size_t i = 0; i < grubblets.size(); i++) {
            EXPECT_TRUE(!named[i] || !(t.ever_eaten >> i & 1u)) << "grubblet " << i;
        }
        if (!clearable) {
            EXPECT_TRUE(v.traps.empty());
        }
        for (const trap_run &trap : v.traps) {
            bool met = false;
            for (std::size_t i = 0; i < t.states.size(); i++) {
                const full_state &s = t.states[i];
                const int count = __builtin_popcount(s.eaten);
                if (s.y == trap.row && s.x >= trap.col && s.x <= trap.last_col &&
                    (trap.eaten_at_most < 0 || count <= trap.eaten_at_most)) {
                    met = true;
                    EXPECT_FALSE(t.can_clear[i])
                        << "a trap at row " << s.y << " column " << s.x << " that a player with "
                        << count << " eaten leaves";
                }
            }
            EXPECT_TRUE(met) << "a trap no play comes to, row " << trap.row;
        }
        return true;
    }
};

} // namespace

TEST_F(checker_truth_test, every_claim_on_small_levels_holds) {
    std::mt19937 random(19);
    // A corridor longer than the tummy lasts, and a tower of short ledges.
    make_starvation_tunnel(stored_level(0));
    EXPECT_TRUE(compare(0, 40000));
    for (int r = 0; r < BOARD_ROWS; r++) {
        put(1, r, 0, std::string(BOARD_COLS, '&'));
        put(1, r, 2, r < 5 ? "" : ".......");
    }
    for (int r = 20, c = 2; r > 6; r -= 3, c = c == 2 ? 6 : 2) {
        put(1, r, c, "&&&");
    }
    put(1, 22, 4, "@");
    put(1, 6, 8, "=");
    put(1, 19, 2, "=");
    EXPECT_TRUE(compare(1, 40000));
    // A pit one cell deeper than the highest jump, climbed out of once a
    // grubblet has been eaten.
    for (int r = 0; r < BOARD_ROWS; r++) {
        put(3, r, 0, std::string(BOARD_COLS, '&'));
        put(3, r, 1, r >= 16 && r < 19 ? "........" : "");
        put(3, r, 6, r >= 19 && r < 23 ? ".." : "");
    }
    put(3, 18, 1, "@");
    put(3, 18, 3, "=");
    put(3, 18, 8, "=");
    EXPECT_TRUE(compare(3, 40000));
    ASSERT_EQ(solve_level(stored_level(3)).traps.size(), 1u);
    EXPECT_EQ(solve_level(stored_level(3)).traps[0].eaten_at_most, 0);
    // Two wells, each with a grubblet at the bottom: the deeper one lets out
    // only a player who ate elsewhere first. A trap that holds whatever the
    // jumps might become elsewhere, since only the well's own grubblet can
    // lengthen them inside.
    for (int r = 0; r < BOARD_ROWS; r++) {
        put(4, r, 0, std::string(BOARD_COLS, '&'));
        put(4, r, 1, r >= 12 && r < 15 ? "............" : "");
    }
    for (int r = 15; r < 20; r++) {
        put(4, r, 4, "..");
        put(4, r, 10, r < 19 ? ".." : "");
    }
    put(4, 19, 4, "=");
    put(4, 18, 10, "=");
    put(4, 14, 1, "@");
    put(4, 14, 12, "=");
    EXPECT_TRUE(compare(4, 300000)) << level_text(4);
    const level_verdict wells = solve_level(stored_level(4));
    ASSERT_EQ(wells.traps.size(), 1u) << level_text(4);
    EXPECT_EQ(wells.traps[0].eaten_at_most, 0);
    int compared = 0;
    for (int i = 0; i < 14; i++) {
        SCOPED_TRACE(i);
        (i % 2 == 0 ? build_room : build_pit)(this, 2, random);
        SCOPED_TRACE(level_text(2));
        compared += compare(2);
    }
    EXPECT_GE(compared, 7);
}

TEST_F(checker_truth_test, no_trap_on_the_winning_routes_of_the_shipped_levels) {
    std::FILE *file = std::fopen(GRUBBLET_SHIPPED_BOARDS, "r");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(read_boards(file), 0);
    std::fclose(file);
    for (int level = 0; level < LEVEL_COUNT; level++) {
        SCOPED_TRACE(level + 1);
        const level_verdict v = solve_level(stored_level(level));
        ASSERT_EQ(v.answer, ANSWER_CLEARABLE);
        EXPECT_TRUE(v.shortest);
        expect_route_avoids_traps(level, v.keys, v.traps);
    }
}

TEST_F(checker_truth_test, bound_and_lengths_hold_where_the_order_of_eating_matters) {
    // Rooms with more grubblets, where a win can take them in many orders.
    std::mt19937 random(27);
    int compared = 0;
    for (int i = 0; i < 8; i++) {
        build_room(this, 2, random);
        for (int extra = 0, tries = 0; extra < 4 && tries < 500; tries++) {
            const int r = BOARD_ROWS - 1 - static_cast<int>(random() % 10);
            const int c = 1 + static_cast<int>(random() % 19);
            if (level_set[2][r][c] == CELL_EMPTY) {
                put(2, r, c, "=");
                extra++;
            }
        }
        SCOPED_TRACE(level_text(2));
        compared += compare(2, 100000);
    }
    EXPECT_GE(compared, 3);
}

TEST_F(checker_truth_test, deadlines_hold_where_only_short_jumps_reach_a_grubblet) {
    // Rooms where some grubblet must be eaten among the first few, found
    // among the crowded rooms of these seeds.
    int compared = 0;
    for (unsigned seed : {2951u, 4355u, 4718u, 4726u, 7761u, 12004u, 12037u, 17287u, 19231u}) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        build_crowded_room(this, 2, random, static_cast<int>(seed % 3));
        SCOPED_TRACE(level_text(2));
        compared += compare(2);
    }
    // The grubblet at the room's right only short jumps reach: the route
    // eats it first and rests on the floor, where having eaten one other
    // would leave a player stuck.
    const char *room[] = {"&=.......", "&........", "&........", "&.@....=.",
                          "&..&&....", "&=.......", "&....=...", "&&&&.....",
                          "&........", "&........", "&........", "&........"};
    for (int r = 0; r < BOARD_ROWS; r++) {
        put(2, r, 0, std::string(BOARD_COLS, '&'));
        if (r >= 12) {
            put(2, r, 0, room[r - 12]);
        }
    }
    SCOPED_TRACE(level_text(2));
    expect_route_avoids_traps(2, "9678748", solve_level(stored_level(2)).traps);
    EXPECT_GE(compared, 8);
    EXPECT_GT(deadline_stops, 0);
}
