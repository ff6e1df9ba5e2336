// The search over whole states of play. A state is everything a turn depends
// on between turns: the player's place, the grubblets eaten, the tummy and
// the health. A state is dropped when one already seen at the same place
// with the same grubblets eaten has at least as much tummy and health (more
// of either is never worse), and when the reach map shows that some
// grubblet left can no longer be eaten from it.
#include "search.h"

#include <algorithm>
#include <cstring>

namespace {

struct search_node {
    std::int16_t x, y;
    std::int32_t tummy, health;
    std::int32_t parent;      // the node this one was reached from, -1 at the start
    std::int32_t chain;       // the next node at the same place with the same set, or -1
    std::int32_t eaten_count; // how many grubblets are eaten
    char key;                 // the key pressed to get here
};

// The states seen by one search, with their sets of eaten grubblets side by
// side.
class state_store {
  public:
    explicit state_store(int words) : words_(static_cast<std::size_t>(words)) {
        table_.assign(1 << 12, slot{0, -1});
    }

    long size() const {
        return static_cast<long>(nodes_.size());
    }
    const search_node &at(int i) const {
        return nodes_[static_cast<std::size_t>(i)];
    }
    const word *eaten_set(int i) const {
        return &eaten_[static_cast<std::size_t>(i) * words_];
    }

    // True when a state at the same place with the same grubblets eaten and
    // at least as much tummy and health is kept already.
    bool dominated(const search_node &n, const word *eaten) const {
        for (int i = find(n, eaten, hash(n, eaten)).head; i >= 0; i = at(i).chain) {
            if (at(i).tummy >= n.tummy && at(i).health >= n.health) {
                return true;
            }
        }
        return false;
    }

    // Keeps a state that is not dominated; returns its index.
    int add(search_node n, const word *eaten) {
        const std::uint64_t h = hash(n, eaten);
        slot &s = find(n, eaten, h);
        const int index = static_cast<int>(nodes_.size());
        n.chain = s.head;
        if (s.head < 0) {
            s.tag = tag_of(h);
            places_++;
        }
        s.head = index;
        nodes_.push_back(n);
        eaten_.insert(eaten_.end(), eaten, eaten + words_);
        if (places_ * 2 > table_.size()) {
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
    // One place and set eaten: the newest of its states, whose chain goes
    // through the others, and a tag of its hash, so that a look-up reads
    // the states of its own place and set only.
    struct slot {
        std::uint32_t tag;
        int head; // -1 for a free slot
    };

    static std::uint32_t tag_of(std::uint64_t h) {
        return static_cast<std::uint32_t>(h >> 32);
    }

    std::uint64_t hash(const search_node &n, const word *eaten) const {
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
        return h;
    }

    // The slot of the place and set, or the free slot where it would go.
    slot &find(const search_node &n, const word *eaten, std::uint64_t h) const {
        const std::size_t mask = table_.size() - 1;
        for (std::size_t i = static_cast<std::size_t>(h) & mask;; i = (i + 1) & mask) {
            slot &s = table_[i];
            if (s.head < 0) {
                return s;
            }
            if (s.tag == tag_of(h) && at(s.head).x == n.x && at(s.head).y == n.y &&
                std::memcmp(eaten_set(s.head), eaten, words_ * sizeof(word)) == 0) {
                return s;
            }
        }
    }

    void grow() {
        std::vector<slot> old(table_.size() * 2, slot{0, -1});
        old.swap(table_);
        for (const slot &s : old) {
            if (s.head >= 0) {
                const search_node &n = at(s.head);
                find(n, eaten_set(s.head), hash(n, eaten_set(s.head))) = s;
            }
        }
    }

    std::size_t words_;
    std::vector<search_node> nodes_;
    std::vector<word> eaten_;
    mutable std::vector<slot> table_;
    std::size_t places_ = 0; // slots in use
};

} // namespace

int count_bits(const word *set, int words) {
    int n = 0;
    for (int w = 0; w < words; w++) {
        n += __builtin_popcountll(set[w]);
    }
    return n;
}

std::string count_text(long n, const char *one, const char *many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// The kindest choice of what is left is the one that decides: a player is
// stuck when some grubblet left lies on no way on, or when none of them can
// be passed before the jumps grow.
bool can_still_win(reach_map &map, int x, int y, const word *eaten) {
    const int words = map.words();
    reach_map::prospects open;
    if (!map.prospects_at(x, y, count_bits(eaten, words), &open)) {
        return true; // a place the map never saw: nothing is known
    }
    const word *at_all = map.eatable_at_all();
    bool left = false, passable_now = false;
    for (int w = 0; w < words; w++) {
        word remaining = at_all[w] & ~eaten[w];
        if ((remaining & ~open.ever[w]) != 0) {
            return false;
        }
        left = left || remaining != 0;
        passable_now = passable_now || (remaining & open.before_growing[w]) != 0;
    }
    return !left || passable_now;
}

search_result search(const search_start &from, search_order order, long max_states) {
    level_play &play = *from.play;
    const int words = play.words();
    search_result result;
    result.fewest_eaten_at.assign(BOARD_ROWS * BOARD_COLS, -1);
    if (max_states < 1) {
        result.end = SEARCH_GAVE_UP;
        return result;
    }
    state_store store(words);
    // Nodes waiting to be expanded, by grubblets eaten (greedy) or all in one
    // queue (breadth first); each queue is first in, first out.
    std::vector<std::vector<int>> queues(order == ORDER_GREEDY ? play.grubblet_count() + 1 : 1);
    std::vector<std::size_t> heads(queues.size(), 0);
    auto queue_of = [&](int eaten_count) {
        return order == ORDER_GREEDY ? static_cast<std::size_t>(eaten_count) : 0;
    };

    search_node first{static_cast<std::int16_t>(from.state.x),
                      static_cast<std::int16_t>(from.state.y),
                      from.state.tummy,
                      from.state.health,
                      -1,
                      -1,
                      count_bits(from.eaten, words),
                      '\0'};
    queues[queue_of(first.eaten_count)].push_back(store.add(first, from.eaten));

    std::vector<word> here(static_cast<std::size_t>(words)), to(here);
    std::size_t q = queues.size() - 1;
    for (;;) {
        // The fullest queue with a node left.
        while (heads[q] == queues[q].size()) {
            if (q == 0) {
                result.states = store.size();
                return result;
            }
            q--;
        }
        const int node = queues[q][heads[q]++];
        const search_node n = store.at(node);
        std::copy(store.eaten_set(node), store.eaten_set(node) + words, here.begin());
        const play_state state{n.x, n.y, n.tummy, n.health, 0, 0};
        for (move_code move : PLAYER_MOVES) {
            play_state next;
            const outcome_kind end = play.play(state, here.data(), move, &next, to.data());
            if (end == OUTCOME_LEVEL_WON) {
                result.end = SEARCH_WON;
                result.keys = store.keys_to(node) + MOVE_KEYS[move];
                result.states = store.size();
                return result;
            }
            if (end != OUTCOME_NONE) {
                continue;
            }
            const int eaten_count = count_bits(to.data(), words);
            int &fewest =
                result.fewest_eaten_at[static_cast<std::size_t>(next.y * BOARD_COLS + next.x)];
            if (fewest < 0 || eaten_count < fewest) {
                fewest = eaten_count;
            }
            if (!can_still_win(*from.map, next.x, next.y, to.data())) {
                continue;
            }
            search_node child{static_cast<std::int16_t>(next.x),
                              static_cast<std::int16_t>(next.y),
                              next.tummy,
                              next.health,
                              node,
                              -1,
                              eaten_count,
                              MOVE_KEYS[move]};
            if (store.dominated(child, to.data())) {
                continue;
            }
            // The limit counts distinct states: a repeat never ends a search.
            if (store.size() >= max_states) {
                result.end = SEARCH_GAVE_UP;
                result.states = store.size();
                return result;
            }
            std::size_t into = queue_of(eaten_count);
            queues[into].push_back(store.add(child, to.data()));
            q = std::max(q, into);
        }
    }
}
