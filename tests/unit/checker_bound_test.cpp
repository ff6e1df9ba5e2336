// The search's lower bound on the keys left, held against the truth on
// rooms with more grubblets than a search over whole states can try: with
// the tummy and health endless, every place and set of grubblets eaten a
// level has is found by a plain breadth-first search through the rules' own
// turns, and so is the fewest keys to a clear from each. The bound ignores
// the meters, so it must never exceed those either.
#include "checker/search.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <unordered_map>

namespace {

// A room of walls at the bottom of the board, with ledges, mines, 6 to 18
// grubblets and the start at random.
board_cells random_room(std::mt19937 &random) {
    auto below = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    board_cells b{};
    for (auto &row : b.at) {
        std::fill(std::begin(row), std::end(row), CELL_WALL);
    }
    const int width = 5 + below(12), height = 4 + below(8), top = BOARD_ROWS - 1 - height;
    for (int r = top; r < BOARD_ROWS; r++) {
        std::fill(&b.at[r][1], &b.at[r][1] + width, CELL_EMPTY);
    }
    auto somewhere = [&](cell_kind kind) {
        for (int tries = 0; tries < 1000; tries++) {
            cell_kind &c = b.at[top + below(height + 1)][1 + below(width)];
            if (c == CELL_EMPTY) {
                c = kind;
                return;
            }
        }
    };
    for (int i = below(6); i > 0; i--) {
        const int r = top + 1 + below(height), c = 1 + below(width), length = 1 + below(4);
        for (int k = 0; k < length && c + k <= width; k++) {
            b.at[r][c + k] = CELL_WALL;
        }
    }
    for (int i = below(3); i > 0; i--) {
        somewhere(CELL_MINE);
    }
    for (int i = 6 + below(13); i > 0; i--) {
        somewhere(CELL_GRUBBLET);
    }
    somewhere(CELL_START);
    return b;
}

// Holds the bound, with the default table and with one kept so small that
// the grubblets share groups, against the fewest keys left from every place
// and set eaten a level has with endless meters. False where the level has
// too many of those to try here.
bool bound_holds(const board_cells &level, const std::string &name) {
    relaxed_rules endless;
    endless.endless_tummy = endless.endless_health = true;
    level_play play(level), relaxed(level, endless);
    play_state start;
    word none = 0;
    trajectory first;
    if (play.fresh_start(&start, &none, &first) != OUTCOME_NONE) {
        return false;
    }
    reach_map map(play, start.x, start.y, first);
    // Every (place, set eaten) from the fresh start, and who leads where.
    struct state {
        int x, y;
        word eaten;
    };
    auto key = [](int x, int y, word eaten) {
        return static_cast<std::uint64_t>(y * BOARD_COLS + x) << 53 | eaten;
    };
    std::vector<state> states{{start.x, start.y, none}};
    std::unordered_map<std::uint64_t, int> index{{key(start.x, start.y, none), 0}};
    std::vector<std::vector<int>> back(1);
    std::vector<int> keys_left(1, -1), todo;
    for (std::size_t i = 0; i < states.size() && states.size() < 150000; i++) {
        for (move_code move : PLAYER_MOVES) {
            const state s = states[i];
            play_state to;
            word eaten = 0;
            const outcome_kind end =
                relaxed.play({s.x, s.y, 0, 0, 0, 0}, &s.eaten, move, &to, &eaten);
            if (end == OUTCOME_LEVEL_WON && keys_left[i] < 0) {
                keys_left[i] = 1;
                todo.push_back(static_cast<int>(i));
            }
            if (end != OUTCOME_NONE) {
                continue;
            }
            auto found = index.emplace(key(to.x, to.y, eaten), static_cast<int>(states.size()));
            if (found.second) {
                states.push_back({to.x, to.y, eaten});
                back.emplace_back();
                keys_left.push_back(-1);
            }
            back[static_cast<std::size_t>(found.first->second)].push_back(static_cast<int>(i));
        }
    }
    if (states.size() >= 150000) {
        return false; // too many to try here
    }
    for (std::size_t k = 0; k < todo.size(); k++) {
        const auto i = static_cast<std::size_t>(todo[k]);
        for (int from : back[i]) {
            if (keys_left[static_cast<std::size_t>(from)] < 0) {
                keys_left[static_cast<std::size_t>(from)] = keys_left[i] + 1;
                todo.push_back(from);
            }
        }
    }
    reach_map grouped(play, start.x, start.y, first);
    grouped.limit_walk_table(2000);
    for (std::size_t i = 0; i < states.size(); i++) {
        if (keys_left[i] < 0) {
            continue;
        }
        const state &s = states[i];
        const int place = map.place_at(s.x, s.y);
        EXPECT_GE(place, 0) << "a rest the map never saw";
        if (place < 0 || map.keys_left_from(place, &s.eaten, true).at_least > keys_left[i] ||
            grouped.keys_left_from(place, &s.eaten, true).at_least > keys_left[i]) {
            ADD_FAILURE() << name << ": the bound exceeds " << keys_left[i] << " keys at row "
                          << s.y << " column " << s.x << ", eaten " << s.eaten;
            return true;
        }
    }
    return true;
}

} // namespace

TEST(checker_bound, never_exceeds_the_fewest_keys_left_with_endless_meters) {
    std::mt19937 random(1);
    int compared = 0;
    for (int room = 0; room < 12 && compared < 5; room++) {
        const board_cells level = random_room(random);
        compared += bound_holds(level, "room " + std::to_string(room));
    }
    EXPECT_GE(compared, 4);
    // A corridor of 39 grubblets, a row high: more than two dozen, so the
    // table takes half the room, in large groups.
    board_cells corridor{};
    for (auto &row : corridor.at) {
        std::fill(std::begin(row), std::end(row), CELL_WALL);
    }
    for (int c = 0; c < BOARD_COLS; c++) {
        corridor.at[BOARD_ROWS - 1][c] = c % 2 == 1 && c < 78 ? CELL_GRUBBLET : CELL_EMPTY;
    }
    corridor.at[BOARD_ROWS - 1][40] = CELL_START;
    EXPECT_TRUE(bound_holds(corridor, "corridor"));
}
