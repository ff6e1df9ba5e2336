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
//    rules (endless tummy, endless health, no mines) to say which rule stands
//    in the way.
//
// A state is everything a turn depends on between turns: the player's place,
// the grubblets eaten, the tummy and the health. Both searches drop a state
// when one already seen at the same place with the same grubblets eaten has
// at least as much tummy and health (more of either is never worse), and a
// state from which the reach map shows a remaining grubblet out of reach.
// Such a state is a trap the player really fell into; the places of those
// are reported.
#include "search.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

struct search_node {
    std::int16_t x, y;
    std::int32_t tummy, health;
    std::int32_t parent; // the node this one was reached from, -1 at the start
    std::int32_t chain;  // the next node in the same hash bucket, or -1
    std::int32_t eaten;  // how many grubblets are eaten
    char key;            // the key pressed to get here
};

// The states seen by one search, with their eaten sets side by side.
class state_store {
  public:
    explicit state_store(int words) : words_(static_cast<std::size_t>(words)) {
        table_.assign(1 << 12, -1);
    }

    long size() const {
        return static_cast<long>(nodes_.size());
    }
    const search_node &at(int i) const {
        return nodes_[static_cast<std::size_t>(i)];
    }
    const word *eaten(int i) const {
        return &eaten_[static_cast<std::size_t>(i) * words_];
    }

    // Adds the state unless one at the same place with the same grubblets
    // eaten has at least as much tummy and health. Returns its index, or -1.
    int add(search_node n, const word *eaten) {
        std::size_t bucket = hash(n, eaten) & (table_.size() - 1);
        for (int i = table_[bucket]; i >= 0; i = at(i).chain) {
            const search_node &o = at(i);
            if (o.x == n.x && o.y == n.y && o.tummy >= n.tummy && o.health >= n.health &&
                std::memcmp(this->eaten(i), eaten, words_ * sizeof(word)) == 0) {
                return -1;
            }
        }
        n.chain = table_[bucket];
        int index = static_cast<int>(nodes_.size());
        table_[bucket] = index;
        nodes_.push_back(n);
        eaten_.insert(eaten_.end(), eaten, eaten + words_);
        if (nodes_.size() * 2 > table_.size()) {
            grow();
        }
        return index;
    }

    std::string keys_to(int i) const {
        std::string keys;
        for (; i >= 0 && at(i).parent >= 0; i = at(i).parent) {
            keys += at(i).key;
        }
        std::reverse(keys.begin(), keys.end());
        return keys;
    }

  private:
    std::size_t hash(const search_node &n, const word *eaten) const {
        std::uint64_t h = static_cast<std::uint64_t>(n.y * BOARD_COLS + n.x) + 1;
        for (std::size_t w = 0; w < words_; w++) {
            h = (h ^ eaten[w]) * 0x9E3779B97F4A7C15ull;
            h ^= h >> 32;
        }
        // Every bit of every word reaches the low bits the table uses.
        h ^= h >> 33;
        h *= 0xff51afd7ed558ccdull;
        h ^= h >> 33;
        h *= 0xc4ceb9fe1a85ec53ull;
        h ^= h >> 33;
        return static_cast<std::size_t>(h);
    }

    void grow() {
        table_.assign(table_.size() * 2, -1);
        for (std::size_t i = 0; i < nodes_.size(); i++) {
            std::size_t bucket = hash(nodes_[i], eaten(static_cast<int>(i))) & (table_.size() - 1);
            nodes_[i].chain = table_[bucket];
            table_[bucket] = static_cast<int>(i);
        }
    }

    std::size_t words_;
    std::vector<search_node> nodes_;
    std::vector<word> eaten_;
    std::vector<int> table_;
};

enum search_order {
    ORDER_SHORTEST, // breadth first: the first win found is a shortest one
    ORDER_GREEDY,   // the states that have eaten the most first
};

enum search_end { SEARCH_WON, SEARCH_EXHAUSTED, SEARCH_GAVE_UP };

struct search_result {
    search_end end = SEARCH_EXHAUSTED;
    std::string keys;
    long states = 0;
};

// Everything one level's searches share.
struct level_context {
    explicit level_context(turn_driver *d)
        : driver(d), start_eaten(static_cast<std::size_t>(d->words())),
          trapped(BOARD_ROWS * BOARD_COLS, false) {}

    // The fresh start, where every search begins.
    turn_end start_fresh(trajectory *first) {
        return driver->fresh_start(&start, start_eaten.data(), first);
    }

    turn_driver *driver;
    reach_map *map = nullptr;
    play_state start{};
    std::vector<word> start_eaten;
    // Places where a real play was seen to be trapped, by row * 80 + column.
    std::vector<bool> trapped;
};

// True when, resting at (x, y) with `eaten` eaten, some grubblet that play
// can eat at all can no longer be eaten: no way from here ever passes it, or
// no way passes any of them before the jumps grow, which only eating does.
bool is_trapped(const level_context &level, int x, int y, const word *eaten) {
    const int count = count_bits(eaten, level.driver->words());
    const word *still = level.map->eatable_from(x, y, count);
    const word *next = level.map->passable_from(x, y, count);
    if (still == nullptr || next == nullptr) {
        return false;
    }
    const word *ever = level.map->eatable_from_start();
    bool left = false, reachable_next = false;
    for (int w = 0; w < level.driver->words(); w++) {
        word remaining = ever[w] & ~eaten[w];
        if ((remaining & ~still[w]) != 0) {
            return true;
        }
        left = left || remaining != 0;
        reachable_next = reachable_next || (remaining & next[w]) != 0;
    }
    return left && !reachable_next;
}

search_result search(level_context &level, search_order order, long max_states) {
    turn_driver &driver = *level.driver;
    const auto words = static_cast<std::size_t>(driver.words());
    auto store = std::make_unique<state_store>(driver.words());
    // Nodes waiting to be expanded, by grubblets eaten (greedy) or all in one
    // queue (breadth first); each queue is first in, first out.
    std::vector<std::vector<int>> queues(order == ORDER_GREEDY ? driver.grubblet_count() + 1 : 1);
    std::vector<std::size_t> heads(queues.size(), 0);
    auto queue_of = [&](int eaten) {
        return order == ORDER_GREEDY ? static_cast<std::size_t>(eaten) : 0;
    };

    search_node first{static_cast<std::int16_t>(level.start.x),
                      static_cast<std::int16_t>(level.start.y),
                      level.start.tummy,
                      level.start.health,
                      -1,
                      -1,
                      count_bits(level.start_eaten.data(), driver.words()),
                      '\0'};
    queues[queue_of(first.eaten)].push_back(store->add(first, level.start_eaten.data()));

    search_result result;
    std::vector<word> from(words), to(words);
    std::size_t q = queues.size() - 1;
    for (;;) {
        // The fullest queue with a node left.
        while (heads[q] == queues[q].size()) {
            if (q == 0) {
                result.states = store->size();
                return result;
            }
            q--;
        }
        if (store->size() >= max_states) {
            result.end = SEARCH_GAVE_UP;
            result.states = store->size();
            return result;
        }
        const int node = queues[q][heads[q]++];
        const search_node n = store->at(node);
        std::copy(store->eaten(node), store->eaten(node) + words, from.begin());
        const play_state state{n.x, n.y, n.tummy, n.health};
        for (move_code move : SEARCH_MOVES) {
            play_state next;
            turn_end end = driver.play(state, from.data(), move, &next, to.data());
            if (end == TURN_CLEARS) {
                result.end = SEARCH_WON;
                result.keys = store->keys_to(node) + MOVE_KEYS[move];
                result.states = store->size();
                return result;
            }
            if (end == TURN_DIES) {
                continue;
            }
            if (is_trapped(level, next.x, next.y, to.data())) {
                level.trapped[static_cast<std::size_t>(next.y * BOARD_COLS + next.x)] = true;
                continue;
            }
            search_node child{static_cast<std::int16_t>(next.x),
                              static_cast<std::int16_t>(next.y),
                              next.tummy,
                              next.health,
                              node,
                              -1,
                              count_bits(to.data(), driver.words()),
                              MOVE_KEYS[move]};
            int added = store->add(child, to.data());
            if (added >= 0) {
                std::size_t into = queue_of(child.eaten);
                queues[into].push_back(added);
                q = std::max(q, into);
            }
        }
    }
}

// A quick look for traps beyond the searches' own: the first real play to
// reach each place is followed on, and every move from it is tried once.
long survey_traps(level_context &level) {
    turn_driver &driver = *level.driver;
    const auto words = static_cast<std::size_t>(driver.words());
    std::vector<bool> seen(BOARD_ROWS * BOARD_COLS, false);
    std::vector<play_state> states{level.start};
    std::vector<word> eaten(level.start_eaten);
    seen[static_cast<std::size_t>(level.start.y * BOARD_COLS + level.start.x)] = true;
    std::vector<word> from(words), to(words);
    for (std::size_t i = 0; i < states.size(); i++) {
        std::copy(&eaten[i * words], &eaten[i * words] + words, from.begin());
        const play_state state = states[i];
        for (move_code move : SEARCH_MOVES) {
            play_state next;
            if (driver.play(state, from.data(), move, &next, to.data()) != TURN_RESTS) {
                continue;
            }
            auto place = static_cast<std::size_t>(next.y * BOARD_COLS + next.x);
            if (is_trapped(level, next.x, next.y, to.data())) {
                level.trapped[place] = true;
            } else if (!seen[place]) {
                seen[place] = true;
                states.push_back(next);
                eaten.insert(eaten.end(), to.begin(), to.end());
            }
        }
    }
    return static_cast<long>(states.size());
}

// One place for each trap: the first in reading order of every group of
// trapped places that touch.
std::vector<cell_ref> trap_places(const level_context &level) {
    std::vector<cell_ref> places;
    std::vector<bool> done(BOARD_ROWS * BOARD_COLS, false);
    auto trapped = [&](int r, int c) {
        return r >= 0 && r < BOARD_ROWS && c >= 0 && c < BOARD_COLS &&
               level.trapped[static_cast<std::size_t>(r * BOARD_COLS + c)] &&
               !done[static_cast<std::size_t>(r * BOARD_COLS + c)];
    };
    for (int r = 0; r < BOARD_ROWS; r++) {
        for (int c = 0; c < BOARD_COLS; c++) {
            if (!trapped(r, c)) {
                continue;
            }
            places.push_back({r, c});
            std::vector<cell_ref> group{{r, c}};
            done[static_cast<std::size_t>(r * BOARD_COLS + c)] = true;
            while (!group.empty()) {
                cell_ref at = group.back();
                group.pop_back();
                for (int dr = -1; dr <= 1; dr++) {
                    for (int dc = -1; dc <= 1; dc++) {
                        if (trapped(at.row + dr, at.col + dc)) {
                            done[static_cast<std::size_t>((at.row + dr) * BOARD_COLS + at.col +
                                                          dc)] = true;
                            group.push_back({at.row + dr, at.col + dc});
                        }
                    }
                }
            }
        }
    }
    return places;
}

const char *death_text(outcome_kind death) {
    switch (death) {
    case OUTCOME_MINE: return "the player lands on a mine";
    case OUTCOME_FALL: return "the player falls to death";
    default: return "the player starves";
    }
}

// Whether the level could be cleared under relaxed rules: tummy or health
// topped up before every turn, and mines taken off the board.
search_end relaxed_search(int level_index, bool tummy, bool health, bool no_mines, long max_states,
                          long *states) {
    std::vector<cell_kind> mines;
    cell_kind **stored = level_set[level_index];
    if (no_mines) {
        for (int r = 0; r < BOARD_ROWS; r++) {
            for (int c = 0; c < BOARD_COLS; c++) {
                if (stored[r][c] == CELL_MINE) {
                    stored[r][c] = CELL_EMPTY;
                    mines.push_back(r * BOARD_COLS + c);
                }
            }
        }
    }
    search_end end = SEARCH_EXHAUSTED;
    {
        turn_driver driver(level_index);
        driver.endless_tummy = tummy;
        driver.endless_health = health;
        level_context level(&driver);
        trajectory first;
        turn_end fresh = level.start_fresh(&first);
        if (fresh != TURN_RESTS) {
            end = fresh == TURN_CLEARS ? SEARCH_WON : SEARCH_EXHAUSTED;
        } else {
            reach_map map(driver, level.start.x, level.start.y, first);
            level.map = &map;
            search_result found = search(level, ORDER_GREEDY, max_states);
            *states += found.states;
            end = found.end;
        }
    }
    for (int m : mines) {
        stored[m / BOARD_COLS][m % BOARD_COLS] = CELL_MINE;
    }
    if (no_mines) {
        game.level = level_index;
        reset_level();
    }
    return end;
}

// Why a level that every way was tried on cannot be cleared: the rules that
// must be relaxed before it can be.
std::string why_not(int level_index, long max_states, long *states) {
    struct relaxation {
        bool tummy, health, no_mines;
        const char *text;
    } relaxations[] = {
        {true, false, false,
         "the tummy runs out: every way to the last grubblets takes more turns than the food on "
         "the way lasts"},
        {false, true, false,
         "the falls are too hard: every way to the last grubblets hurts the "
         "player to death"},
        {true, true, false, "the tummy or the health runs out on every way to the last grubblets"},
        {true, true, true,
         "every way to the last grubblets kills the player on a mine, or runs "
         "out of tummy or health"},
    };
    bool undecided = false;
    for (const relaxation &r : relaxations) {
        search_end end =
            relaxed_search(level_index, r.tummy, r.health, r.no_mines, max_states, states);
        if (end == SEARCH_WON) {
            return r.text;
        }
        undecided = undecided || end == SEARCH_GAVE_UP;
    }
    if (undecided) {
        return "every way was tried; why could not be narrowed down within the search limit";
    }
    return "every grubblet can be reached with some jump length, but no order of eating them "
           "gives the jumps the lengths they need";
}

} // namespace

std::string count_text(long n, const char *one, const char *many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

level_verdict solve_level(int level_index, const search_limits &limits) {
    level_verdict verdict;
    bool exhausted = false;
    long limit = limits.max_states;
    {
        turn_driver driver(level_index);
        level_context level(&driver);
        trajectory first;
        turn_end fresh = level.start_fresh(&first);
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

        reach_map map(driver, level.start.x, level.start.y, first);
        level.map = &map;
        const word *ever = map.eatable_from_start();
        for (int g = 0; g < driver.grubblet_count(); g++) {
            if (!bit_of(ever, g)) {
                verdict.never_eaten.push_back(driver.grubblets()[static_cast<std::size_t>(g)]);
            }
        }
        verdict.states += survey_traps(level);
        if (!verdict.never_eaten.empty()) {
            verdict.answer = ANSWER_NOT_CLEARABLE;
            verdict.reason =
                count_text(static_cast<long>(verdict.never_eaten.size()), "grubblet", "grubblets") +
                " can never be eaten: no way of playing reaches " +
                (verdict.never_eaten.size() == 1 ? "it" : "them") +
                ", whatever the jumps' length, the tummy and the health";
            verdict.traps = trap_places(level);
            return verdict;
        }

        if (limit <= 0) {
            const long state_bytes =
                static_cast<long>(sizeof(search_node) + 2 * sizeof(int) +
                                  static_cast<std::size_t>(driver.words()) * sizeof(word));
            limit = std::min(1000000L, (32L << 20) / state_bytes);
        }
        long budget = limit;
        search_result found =
            search(level, ORDER_SHORTEST, std::min(budget, limits.shortest_states));
        verdict.states += found.states;
        budget -= found.states;
        long shortest_tried = found.states;
        verdict.shortest = found.end == SEARCH_WON;
        if (found.end == SEARCH_GAVE_UP) {
            found = search(level, ORDER_GREEDY, std::max(budget, 1L));
            verdict.states += found.states;
        }
        verdict.traps = trap_places(level);
        if (found.end == SEARCH_WON) {
            // Played once more through the game's turns before it is claimed.
            if (replay_keys(level_index, found.keys, nullptr)) {
                verdict.answer = ANSWER_CLEARABLE;
                verdict.keys = found.keys;
                return verdict;
            }
            verdict.shortest = false;
            verdict.reason = "the winning sequence found did not clear the level when played again";
            return verdict;
        }
        if (found.end == SEARCH_GAVE_UP) {
            verdict.reason = "a search for a shortest win gave up after " +
                             count_text(shortest_tried, "state", "states") +
                             ", and a search for any win after " +
                             count_text(found.states, "more state", "more states") +
                             "; --max-states raises the limit";
            return verdict;
        }
        // Every way was tried and none wins: no place is a trap that r
        // would help with.
        verdict.traps.clear();
        exhausted = true;
    }
    if (exhausted) {
        verdict.answer = ANSWER_NOT_CLEARABLE;
        verdict.reason = why_not(level_index, limit, &verdict.states);
    }
    return verdict;
}

bool replay_keys(int level_index, const std::string &keys, std::vector<route_cell> *cells) {
    turn_driver driver(level_index);
    std::vector<word> eaten(static_cast<std::size_t>(driver.words())), after(eaten);
    play_state state;
    trajectory path;
    turn_end end = driver.fresh_start(&state, eaten.data(), &path);
    if (cells != nullptr) {
        cells->assign(path.cells.begin(), path.cells.end());
    }
    for (char key : keys) {
        move_code move = move_for_key(key);
        if (end != TURN_RESTS || move == MOVE_NONE) {
            return false;
        }
        end = driver.play(state, eaten.data(), move, &state, after.data(), &path);
        eaten.swap(after);
        if (cells != nullptr) {
            cells->insert(cells->end(), path.cells.begin(), path.cells.end());
        }
    }
    return end == TURN_CLEARS;
}
