// Deciding a level. In order, each step only where the one before left the
// answer open:
//
// 1. The fresh start: a level can be cleared or lost on the turn the restart
//    key runs.
// 2. The reach map (reach.cpp): a grubblet that no play can get to, whatever
//    the jumps' length, tummy and health, proves the level cannot be cleared.
// 3. A directed search for any win, and where it runs out of states a
//    greedy one: always on from the states that have eaten the most. They
//    find a win on the levels designers make in a few thousand states, and,
//    given enough states, try every way before they say a level cannot be
//    cleared.
// 4. On a win, a best-first search for a shorter one, guided by the map's
//    lower bound on the keys left (bound.cpp): none found proves the win
//    shortest; past its limit the bound it reached is reported instead.
// 5. When every way was tried in vain, the search runs again under relaxed
//    rules to say which rule stands in the way.
//
// Then, on a level not proven lost, the traps, at the places the searches
// (and a breadth-first look, as a player explores) saw real plays come to
// rest on, and on a clearable one the difficulty figure, all from the same
// play and reach map. Every search, relaxed or not, draws on one number of
// distinct states a level, and the states reported are what they took
// together.
#include "search.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

namespace {

const char *death_text(outcome_kind death) {
    switch (death) {
    case OUTCOME_MINE: return "the player lands on a mine";
    case OUTCOME_FALL: return "the player falls to death";
    default: return "the player starves";
    }
}

// True when taking the mines off the board lets some play reach every one of
// these grubblets.
bool mines_stand_in_the_way(const board_cells &level, const std::vector<int> &never) {
    relaxed_rules rules;
    rules.no_mines = true;
    level_play mineless(level, rules);
    play_state start;
    std::vector<word> eaten(static_cast<std::size_t>(mineless.words()));
    trajectory first;
    if (mineless.fresh_start(&start, eaten.data(), &first) != OUTCOME_NONE) {
        return false;
    }
    reach_map map(mineless, start.x, start.y, first);
    return std::all_of(never.begin(), never.end(),
                       [&](int g) { return bit_of(map.eatable_at_all(), g); });
}

// Why a level that every way was tried on cannot be cleared: the rules that
// must be relaxed before it can be. Takes its states from *left. With
// `meters_in_vain`, a search with both meters endless has already tried
// every way: neither meter alone can be to blame.
std::string why_not(level_play &play, reach_map &map, long *left, long *states,
                    bool meters_in_vain) {
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
        if (r.rules.no_mines ? !play.has_mines() : meters_in_vain) {
            continue;
        }
        level_play relaxed(play.level(), r.rules);
        play_state start;
        std::vector<word> eaten(static_cast<std::size_t>(relaxed.words()));
        trajectory first;
        outcome_kind fresh = relaxed.fresh_start(&start, eaten.data(), &first);
        search_end end = fresh == OUTCOME_LEVEL_WON ? SEARCH_WON : SEARCH_EXHAUSTED;
        if (fresh == OUTCOME_NONE) {
            // Without mines more of the level is open than the map shows.
            std::unique_ptr<reach_map> mineless;
            if (r.rules.no_mines) {
                mineless = std::make_unique<reach_map>(relaxed, start.x, start.y, first);
            }
            search_result found =
                search({&relaxed, mineless ? mineless.get() : &map, start, eaten.data()},
                       ORDER_GREEDY, *left);
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
// none eaten. With `length` eaten, the player is sure to be stuck when even
// the kindest choice of what is left cannot win: one grubblet that can be
// passed before the jumps grow, the rest on some way on from here.
int trapped_up_to(reach_map &map, int grubblets, int x, int y) {
    int most = -1;
    for (int length = 0; length < grubblets; length++) {
        reach_map::prospects open;
        if (!map.prospects_at(x, y, length, &open)) {
            return -1;
        }
        // Every grubblet eaten, then the kindest left uneaten first.
        std::vector<word> eaten(static_cast<std::size_t>(map.words()), 0);
        for (int g = 0; g < grubblets; g++) {
            set_bit(eaten.data(), g);
        }
        int to_leave = grubblets - length;
        auto leave = [&](int g) {
            bool left = to_leave > 0 && bit_of(eaten.data(), g);
            if (left) {
                eaten[static_cast<std::size_t>(g >> 6)] &= ~(word(1) << (g & 63));
                to_leave--;
            }
            return left;
        };
        for (int g = 0; g < grubblets; g++) {
            if (bit_of(open.before_growing, g) && leave(g)) {
                break; // one is enough
            }
        }
        for (int g = 0; g < grubblets; g++) {
            if (bit_of(open.ever, g)) {
                leave(g);
            }
        }
        for (int g = 0; g < grubblets; g++) {
            leave(g);
        }
        if (can_still_win(map, x, y, eaten.data(), false)) {
            break;
        }
        most = length;
    }
    return most;
}

// The traps at the places real plays were seen to come to rest on, as runs
// of touching places on a row with the same condition.
std::vector<trap_run> trap_runs(reach_map &map, int grubblets, const std::vector<int> &fewest_at) {
    std::vector<trap_run> runs;
    for (int r = 0; r < BOARD_ROWS; r++) {
        for (int c = 0; c < BOARD_COLS; c++) {
            int fewest = fewest_at[static_cast<std::size_t>(r * BOARD_COLS + c)];
            if (fewest < 0) {
                continue;
            }
            int most = trapped_up_to(map, grubblets, c, r);
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

// Where the searches saw real plays rest, with the fewest eaten, added to.
void merge_fewest(std::vector<int> *into, const std::vector<int> &from) {
    for (std::size_t i = 0; i < into->size(); i++) {
        int &a = (*into)[i];
        if (from[i] >= 0 && (a < 0 || from[i] < a)) {
            a = from[i];
        }
    }
}

} // namespace

level_verdict solve_level(const board_cells &level, const search_limits &limits) {
    level_verdict verdict;
    level_play play(level);
    const auto words = static_cast<std::size_t>(play.words());
    play_state start;
    std::vector<word> start_eaten(words);
    trajectory first;
    const outcome_kind fresh = play.fresh_start(&start, start_eaten.data(), &first);
    verdict.states = 1;
    if (fresh == OUTCOME_LEVEL_WON) {
        // Cleared by the restart's own turn: nothing to do, nothing to fear.
        verdict.answer = ANSWER_CLEARABLE;
        verdict.shortest = true;
        verdict.difficulty.known = true;
        verdict.difficulty.lowest_tummy = TUMMY_START;
        return verdict;
    }
    if (fresh != OUTCOME_NONE) {
        verdict.answer = ANSWER_NOT_CLEARABLE;
        verdict.reason =
            std::string("every restart ends at once: ") + death_text(fresh) + " on the first turn";
        return verdict;
    }

    reach_map map(play, start.x, start.y, first);
    std::vector<int> never;
    for (int g = 0; g < play.grubblet_count(); g++) {
        if (!bit_of(map.eatable_at_all(), g)) {
            never.push_back(g);
            verdict.never_eaten.push_back(play.grubblets()[static_cast<std::size_t>(g)]);
        }
    }
    if (!never.empty()) {
        verdict.answer = ANSWER_NOT_CLEARABLE;
        const bool one = never.size() == 1;
        verdict.reason = count_text(static_cast<long>(never.size()), "grubblet", "grubblets") +
                         " can never be eaten: ";
        if (play.has_mines() && mines_stand_in_the_way(level, never)) {
            verdict.reason += std::string("mines stand in every way to ") + (one ? "it" : "them");
        } else {
            verdict.reason += std::string("no way of playing reaches ") + (one ? "it" : "them") +
                              ", whatever the jumps' length, the tummy and the health";
        }
        return verdict;
    }

    long left = limits.max_states;
    search_start from{&play, &map, start, start_eaten.data()};
    // Every search draws on what is left of the limit, counts in the states
    // reported, and adds to where real plays were seen to rest.
    verdict.states = 0;
    std::vector<int> seen(BOARD_ROWS * BOARD_COLS, -1);
    auto run = [&](search_order order, long most) {
        search_result r = search(from, order, most);
        left -= r.states;
        verdict.states += r.states;
        merge_fewest(&seen, r.fewest_eaten_at);
        return r;
    };
    // Any win: first directed, which finds short ones, then, where it ran out
    // of states, narrow dives, each a little wider, and greedy, which dive
    // through levels where wins are long. Directed and greedy prove there is
    // none when they try every way; a narrow dive only ever finds one.
    search_result found = run(ORDER_DIRECTED, std::min(left, limits.directed_states));
    for (int per_place : {1, 4, 16}) {
        if (found.end != SEARCH_GAVE_UP) {
            break;
        }
        from.per_place = per_place;
        const search_result dive = run(ORDER_NARROW, std::min(left, limits.directed_states));
        if (dive.end == SEARCH_WON) {
            found = dive;
        }
    }
    // Then greedy with both meters endless: a state is only a place and the
    // grubblets eaten, far fewer states than with the meters. Every real play
    // is one of its plays, so when it tries every way in vain the level is
    // lost whatever the meters do; a win it finds stands once the rules' own
    // turns play it again. Its plays are not real ones: where they rest
    // tells nothing of the traps. Half of what is left, then the real greedy.
    bool meters_in_vain = false;
    if (found.end == SEARCH_GAVE_UP && left > 1) {
        level_play endless(level, relaxed_rules{true, true, false});
        search_start loose = from;
        loose.play = &endless;
        const search_result r = search(loose, ORDER_GREEDY, left / 2);
        left -= r.states;
        verdict.states += r.states;
        if (r.end == SEARCH_EXHAUSTED) {
            found.end = SEARCH_EXHAUSTED;
            meters_in_vain = true;
        } else if (r.end == SEARCH_WON && replay_with(play, r.keys, nullptr)) {
            found.end = SEARCH_WON;
            found.keys = r.keys;
        }
    }
    if (found.end == SEARCH_GAVE_UP) {
        found = run(ORDER_GREEDY, left);
    }
    if (found.end == SEARCH_WON) {
        // Then only shorter wins are looked for: none found within the limit
        // proves the first one shortest. Past PROOF_GRUBBLETS a proof is
        // rare: a few states still give the bound.
        from.shorter_than = static_cast<int>(found.keys.size());
        const bool provable = play.grubblet_count() <= PROOF_GRUBBLETS;
        const long budget = provable ? limits.shortest_states : limits.shortest_states / 50;
        // Shorter wins found fast, the bound weighed more and more like the
        // keys so far: each one leaves fewer states to keep, and a designer a
        // par nearer the truth. A pass that tries every state the bound
        // leaves under the known win proves it shortest, as the search for
        // the shortest would.
        const long quick = provable ? limits.quick_states : limits.quick_states / 50;
        bool proven = false;
        for (int tenths : {30, 15}) {
            from.weight_tenths = tenths;
            const search_result better = run(ORDER_WEIGHTED, std::max(1L, std::min(left, quick)));
            if (better.end == SEARCH_WON) {
                found.keys = better.keys;
                from.shorter_than = static_cast<int>(found.keys.size());
            }
            if (better.end == SEARCH_EXHAUSTED) {
                proven = true;
                break;
            }
        }
        if (proven) {
            verdict.at_least = static_cast<int>(found.keys.size());
            verdict.shortest = true;
        } else {
            const search_result shorter = run(ORDER_SHORTEST, std::max(1L, std::min(left, budget)));
            verdict.at_least = shorter.at_least;
            verdict.shortest = shorter.end != SEARCH_GAVE_UP;
            if (!shorter.keys.empty()) {
                found.keys = shorter.keys;
            }
        }
        // Where plays come to rest, breadth first as a player explores, for
        // the traps.
        from.shorter_than = 0;
        run(ORDER_BREADTH, std::min(left, limits.trap_states));
    }
    switch (found.end) {
    case SEARCH_WON:
        // Played once more through the rules' turns before it is claimed.
        if (replay_with(play, found.keys, nullptr)) {
            verdict.answer = ANSWER_CLEARABLE;
            verdict.keys = found.keys;
            verdict.difficulty = measure_difficulty(play, map, found.keys);
        } else {
            verdict.shortest = false;
            verdict.reason = "the winning sequence found did not clear the level when played again";
        }
        break;
    case SEARCH_GAVE_UP:
        verdict.reason = "a search for any win gave up after " +
                         count_text(verdict.states, "state", "states") +
                         "; --max-states raises the limit";
        break;
    case SEARCH_EXHAUSTED:
        // Every way was tried and none wins: no place is a trap that r
        // would help with.
        verdict.answer = ANSWER_NOT_CLEARABLE;
        verdict.reason = why_not(play, map, &left, &verdict.states, meters_in_vain);
        return verdict;
    }
    verdict.traps = trap_runs(map, play.grubblet_count(), seen);
    return verdict;
}

void run_jobs(int count, int jobs, const std::function<void(int)> &work) {
    if (jobs <= 0) {
        jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    }
    std::atomic<int> next{0};
    // The first failure of any job (running out of memory) ends the work and
    // is raised again here, where the caller can report it.
    std::mutex failing;
    std::exception_ptr failure;
    auto worker = [&] {
        for (int i; (i = next++) < count;) {
#if defined(__cpp_exceptions)
            try {
                work(i);
            } catch (...) {
                const std::lock_guard<std::mutex> hold(failing);
                if (!failure) {
                    failure = std::current_exception();
                }
                next = count;
            }
#else
            work(i); // built without exceptions (the page): nothing to carry
#endif
        }
    };
    std::vector<std::thread> helpers;
    for (int j = 1; j < std::min(jobs, count); j++) {
        helpers.emplace_back(worker);
    }
    worker();
    for (std::thread &t : helpers) {
        t.join();
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}

std::vector<level_verdict> solve_levels(const std::vector<board_cells> &levels,
                                        const search_limits &limits, int jobs) {
    std::vector<level_verdict> verdicts(levels.size());
    run_jobs(static_cast<int>(levels.size()), jobs, [&](int i) {
        verdicts[static_cast<std::size_t>(i)] =
            solve_level(levels[static_cast<std::size_t>(i)], limits);
    });
    return verdicts;
}
