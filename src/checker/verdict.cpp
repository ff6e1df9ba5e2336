// Deciding a level. In order, each step only where the one before left the
// answer open:
//
// 1. The fresh start: a level can be cleared or lost on the turn the restart
//    key runs.
// 2. The reach map (reach.cpp): a grubblet that no play can get to, whatever
//    the jumps' length, tummy and health, proves the level cannot be cleared.
// 3. A breadth-first search over key presses, which finds a shortest win, or
//    proves there is none by trying every way. It stops early on levels with
//    many grubblets, where the ways to order them are too many.
// 4. A greedy search: always on from the states that have eaten the most,
//    breadth first among those. It finds a win on the levels designers make
//    in a few thousand states, and, given enough states, still tries every
//    way before it says a level cannot be cleared.
// 5. When every way was tried in vain, the search runs again under relaxed
//    rules to say which rule stands in the way.
//
// Then, on a level not proven lost, the traps, at the places the searches saw
// real plays come to rest on. Every search, relaxed or not, draws on one
// number of states a level, and the states reported are what they took
// together.
#include "search.h"

#include <algorithm>
#include <memory>

namespace {

const char *death_text(outcome_kind death) {
    switch (death) {
    case OUTCOME_MINE: return "the player lands on a mine";
    case OUTCOME_FALL: return "the player falls to death";
    default: return "the player starves";
    }
}

level_search search_from(turn_driver &driver, reach_map *map, const play_state &start,
                         std::vector<word> start_eaten) {
    return level_search{&driver, map, start, std::move(start_eaten),
                        std::vector<int>(BOARD_ROWS * BOARD_COLS, -1)};
}

// True when taking the mines off the board lets some play reach every one of
// these grubblets.
bool mines_stand_in_the_way(turn_driver &driver, const std::vector<int> &never) {
    relaxed_rules rules;
    rules.no_mines = true;
    driver.relax(rules);
    play_state start;
    std::vector<word> eaten(static_cast<std::size_t>(driver.words()));
    trajectory first;
    bool reached = false;
    if (driver.fresh_start(&start, eaten.data(), &first) == TURN_RESTS) {
        reach_map mineless(driver, start.x, start.y, first);
        reached = std::all_of(never.begin(), never.end(),
                              [&](int g) { return bit_of(mineless.eatable_at_all(), g); });
    }
    driver.relax(relaxed_rules());
    return reached;
}

// Why a level that every way was tried on cannot be cleared: the rules that
// must be relaxed before it can be. Takes its states from *left.
std::string why_not(level_search &level, long *left, long *states) {
    turn_driver &driver = *level.driver;
    const struct {
        relaxed_rules rules;
        const char *text;
    } relaxations[] = {
        {{true, false, false},
         "the tummy runs out: every way to the last grubblets takes more turns than the food on "
         "the way lasts"},
        {{false, true, false},
         "the falls are too hard: every way to the last grubblets hurts the player to death"},
        {{false, false, true},
         "mines stand in the way: every way to the last grubblets leads onto a mine"},
        {{true, true, false},
         "the tummy or the health runs out on every way to the last grubblets"},
        {{true, true, true},
         "every way to the last grubblets kills the player on a mine, or runs out of tummy or "
         "health"},
    };
    bool undecided = false;
    std::string reason;
    for (const auto &r : relaxations) {
        if (r.rules.no_mines && !driver.has_mines()) {
            continue;
        }
        driver.relax(r.rules);
        play_state start;
        std::vector<word> eaten(static_cast<std::size_t>(driver.words()));
        trajectory first;
        turn_end fresh = driver.fresh_start(&start, eaten.data(), &first);
        search_end end = fresh == TURN_CLEARS ? SEARCH_WON : SEARCH_EXHAUSTED;
        if (fresh == TURN_RESTS) {
            // Without mines more of the level is open than the map shows.
            std::unique_ptr<reach_map> mineless;
            if (r.rules.no_mines) {
                mineless = std::make_unique<reach_map>(driver, start.x, start.y, first);
            }
            level_search relaxed =
                search_from(driver, mineless ? mineless.get() : level.map, start, eaten);
            search_result found = search(relaxed, ORDER_GREEDY, *left);
            *left -= found.states;
            *states += found.states;
            end = found.end;
        }
        if (end == SEARCH_WON) {
            reason = r.text;
            break;
        }
        undecided = undecided || end == SEARCH_GAVE_UP;
    }
    driver.relax(relaxed_rules());
    if (!reason.empty()) {
        return reason;
    }
    if (undecided) {
        return "every way was tried; why could not be narrowed down within the search limit";
    }
    return "every grubblet can be reached with some jump length, but no order of eating them "
           "gives the jumps the lengths they need";
}

// The most grubblets a player resting at (x, y) may have eaten and still be
// sure never to clear the level, whichever they were: -1 when not even with
// none eaten. With `length` eaten, a player is sure to be stuck when no move
// passes a grubblet before the jumps grow, or when fewer grubblets than are
// left lie on any way on from here.
int trapped_up_to(reach_map &map, int words, int grubblets, int x, int y) {
    int most = -1;
    for (int length = 0; length < grubblets; length++) {
        reach_map::prospects open;
        if (!map.prospects_at(x, y, length, &open)) {
            return -1;
        }
        if (count_bits(open.before_growing, words) > 0 &&
            count_bits(open.ever, words) >= grubblets - length) {
            break;
        }
        most = length;
    }
    return most;
}

// The traps at the places real plays were seen to come to rest on, as runs
// of touching places on a row with the same condition.
std::vector<trap_run> trap_runs(level_search &level) {
    const int words = level.driver->words(), grubblets = level.driver->grubblet_count();
    std::vector<trap_run> runs;
    for (int r = 0; r < BOARD_ROWS; r++) {
        for (int c = 0; c < BOARD_COLS; c++) {
            int fewest = level.fewest_eaten_at[static_cast<std::size_t>(r * BOARD_COLS + c)];
            if (fewest < 0) {
                continue;
            }
            int most = trapped_up_to(*level.map, words, grubblets, c, r);
            if (most < fewest) {
                continue;
            }
            int condition = most >= grubblets - 1 ? -1 : most;
            if (!runs.empty() && runs.back().row == r && runs.back().last_col == c - 1 &&
                runs.back().eaten_at_most == condition) {
                runs.back().last_col = c;
            } else {
                runs.push_back({r, c, c, condition});
            }
        }
    }
    return runs;
}

} // namespace

level_verdict solve_level(int level_index, const search_limits &limits) {
    level_verdict verdict;
    turn_driver driver(level_index);
    const auto words = static_cast<std::size_t>(driver.words());
    play_state start;
    std::vector<word> start_eaten(words);
    trajectory first;
    turn_end fresh = driver.fresh_start(&start, start_eaten.data(), &first);
    verdict.states = 1;
    if (fresh == TURN_CLEARS) {
        verdict.answer = ANSWER_CLEARABLE;
        verdict.shortest = true;
        return verdict;
    }
    if (fresh == TURN_DIES) {
        verdict.answer = ANSWER_NOT_CLEARABLE;
        verdict.reason = std::string("every restart ends at once: ") + death_text(first.death) +
                         " on the first turn";
        return verdict;
    }

    reach_map map(driver, start.x, start.y, first);
    std::vector<int> never;
    for (int g = 0; g < driver.grubblet_count(); g++) {
        if (!bit_of(map.eatable_at_all(), g)) {
            never.push_back(g);
            verdict.never_eaten.push_back(driver.grubblets()[static_cast<std::size_t>(g)]);
        }
    }
    if (!never.empty()) {
        verdict.answer = ANSWER_NOT_CLEARABLE;
        const bool one = never.size() == 1;
        verdict.reason = count_text(static_cast<long>(never.size()), "grubblet", "grubblets") +
                         " can never be eaten: ";
        if (driver.has_mines() && mines_stand_in_the_way(driver, never)) {
            verdict.reason += std::string("mines stand in every way to ") + (one ? "it" : "them");
        } else {
            verdict.reason += std::string("no way of playing reaches ") + (one ? "it" : "them") +
                              ", whatever the jumps' length, the tummy and the health";
        }
        return verdict;
    }

    long left = limits.max_states > 0 ? limits.max_states : default_state_limit(driver.words());
    level_search level = search_from(driver, &map, start, start_eaten);
    // At most half the states for proving a win shortest: on levels of many
    // grubblets it is the greedy search that finds one.
    search_result shortest =
        search(level, ORDER_SHORTEST, std::min(std::max(1L, left / 2), limits.shortest_states));
    left -= shortest.states;
    verdict.states = shortest.states;
    verdict.shortest = shortest.end == SEARCH_WON;
    search_result found = shortest;
    if (shortest.end == SEARCH_GAVE_UP) {
        found = search(level, ORDER_GREEDY, left);
        left -= found.states;
        verdict.states += found.states;
    }
    switch (found.end) {
    case SEARCH_WON:
        // Played once more through the game's turns before it is claimed.
        if (replay_with(driver, found.keys, nullptr)) {
            verdict.answer = ANSWER_CLEARABLE;
            verdict.keys = found.keys;
        } else {
            verdict.shortest = false;
            verdict.reason = "the winning sequence found did not clear the level when played again";
        }
        break;
    case SEARCH_GAVE_UP:
        verdict.reason = "a search for a shortest win gave up after " +
                         count_text(shortest.states, "state", "states");
        if (found.states > 0) {
            verdict.reason += ", and a search for any win after " +
                              count_text(found.states, "more state", "more states");
        }
        verdict.reason += "; --max-states raises the limit";
        break;
    case SEARCH_EXHAUSTED:
        // Every way was tried and none wins: no place is a trap that r
        // would help with.
        verdict.answer = ANSWER_NOT_CLEARABLE;
        verdict.reason = why_not(level, &left, &verdict.states);
        return verdict;
    }
    verdict.traps = trap_runs(level);
    return verdict;
}
