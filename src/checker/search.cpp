// The search over whole states of play. A state is everything a turn depends
// on between turns: the player's place, the grubblets eaten, the tummy and
// the health. A state is dropped when one already seen at the same place
// with the same grubblets eaten has at least as much tummy and health (more
// of either is never worse) and, when the search is for a shortest win, was
// reached in no more keys; and when the reach map shows that the player can
// no longer win from it.
//
// Moves are not played on a board here: the reach map holds each move's
// motion from each place at each jump length as the rules' own turn traced
// it, and what the turn then does to the meters is the rules' own eating
// and end of turn. Every win found is played again through the whole turn
// before it is claimed.
//
// The shortest win is looked for best first: always on from the state with
// the fewest keys so far plus the map's lower bound on the keys still
// needed. The bound never overestimates, so a win is a shortest one once no
// state left open could lead to a shorter one; and when the search gives
// up, the least of those estimates is a lower bound on every win.
#include "search.h"

#include <algorithm>
#include <cstring>

namespace {

// What a search sets aside for `most` states.
std::size_t reserved(long most) {
    return static_cast<std::size_t>(std::min(most, 1L << 20));
}

struct search_node {
    std::int32_t parent;      // the node this one was reached from, -1 at the start
    std::int32_t chain;       // the next node at the same place with the same set, or -1
    std::int32_t depth;       // keys pressed to get here
    std::int16_t place;       // in the reach map
    std::int16_t tummy;       // at most TUMMY_MAX; 0 under an endless tummy
    std::int16_t health;      // at most 20 + 10 for each grubblet; 0 when endless
    std::int16_t eaten_count; // how many grubblets are eaten
    char key;                 // the key pressed to get here
    bool beaten;              // a better state at its place and set came later
};

// The states seen by one search, with their sets of eaten grubblets side by
// side.
class state_store {
  public:
    // Room for up to `most` states is set aside up front (a million at the
    // most), so that growing seldom holds two copies at once; pages count
    // only once a state is in them.
    state_store(int words, long most) : words_(static_cast<std::size_t>(words)) {
        table_.assign(1 << 12, slot{0, 0, -1});
        nodes_.reserve(reserved(most));
        eaten_.reserve(reserved(most) * words_);
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
    // at least as much tummy and health (and, `by_depth`, reached in no more
    // keys) is kept already.
    bool dominated(const search_node &n, const word *eaten, bool by_depth) const {
        for (int i = find(n, eaten, hash(n, eaten)).head; i >= 0; i = at(i).chain) {
            if (beats(at(i), n, by_depth)) {
                return true;
            }
        }
        return false;
    }

    // Keeps a state that dominated() says no kept state beats; returns its
    // index. The states it beats in turn leave the chain and are marked
    // `beaten`, so that a chain holds only states none of which beats
    // another.
    int add(search_node n, const word *eaten, bool by_depth) {
        slot &s = find(n, eaten, hash(n, eaten));
        if (s.head < 0) {
            s.place = n.place;
            s.first = eaten[0];
            places_++;
        }
        int *link = &s.head;
        while (*link >= 0) {
            search_node &old = nodes_[static_cast<std::size_t>(*link)];
            if (beats(n, old, by_depth)) {
                old.beaten = true;
                *link = old.chain;
            } else {
                link = &old.chain;
            }
        }
        const int index = static_cast<int>(nodes_.size());
        n.chain = s.head;
        s.head = index;
        nodes_.push_back(n);
        eaten_.insert(eaten_.end(), eaten, eaten + words_);
        if (places_ * 10 > table_.size() * 7) {
            grow();
        }
        return index;
    }

    // Starts fetching the table slot where a look-up of the state begins.
    void prefetch(const search_node &n, const word *eaten) const {
        __builtin_prefetch(&table_[static_cast<std::size_t>(hash(n, eaten)) & (table_.size() - 1)]);
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
    // through the others, with the place and the set's first word, so that
    // a look-up on a level of up to 64 grubblets reads the table alone.
    struct slot {
        word first;
        std::int32_t place;
        std::int32_t head; // -1 for a free slot
    };

    static bool beats(const search_node &a, const search_node &b, bool by_depth) {
        return a.tummy >= b.tummy && a.health >= b.health && (!by_depth || a.depth <= b.depth);
    }

    std::uint64_t hash(const search_node &n, const word *eaten) const {
        std::uint64_t h = static_cast<std::uint64_t>(n.place) + 1;
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
            if (s.place == n.place && s.first == eaten[0] &&
                (words_ == 1 ||
                 std::memcmp(eaten_set(s.head) + 1, eaten + 1, (words_ - 1) * sizeof(word)) == 0)) {
                return s;
            }
        }
    }

    void grow() {
        std::vector<slot> old(table_.size() * 2, slot{0, 0, -1});
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
    std::size_t places_ = 0; // slots in use, at most seven in ten
};

// The keys a directed search counts for each grubblet left: about what the
// wins on designers' levels take. Fewer makes it search broadly, more makes
// it dive as the greedy search does.
const int DIRECTED_KEYS = 4;

// The states waiting to be expanded, most urgent first: for the shortest win
// by keys so far plus the bound, deeper first among equals (weighted: the
// bound counted more); for any win by grubblets eaten, most first (greedy
// and narrow), or by keys so far plus DIRECTED_KEYS for each grubblet left,
// then by the moves to the nearest grubblet left; breadth first by keys so
// far. Among equals, first in, first out.
class frontier {
  public:
    explicit frontier(long most) {
        heap_.reserve(reserved(most));
    }
    void push(int first, int second, int node) {
        heap_.push_back({first, second, node});
        std::push_heap(heap_.begin(), heap_.end(), later);
    }
    bool empty() const {
        return heap_.empty();
    }
    // The most urgent node and its first key.
    int pop(int *first) {
        std::pop_heap(heap_.begin(), heap_.end(), later);
        const entry e = heap_.back();
        heap_.pop_back();
        *first = e.first;
        return e.node;
    }
    int least_first() const {
        return heap_.empty() ? reach_map::NO_WAY : heap_.front().first;
    }

  private:
    struct entry {
        int first, second, node;
    };
    static bool later(const entry &a, const entry &b) {
        if (a.first != b.first) {
            return a.first > b.first;
        }
        return a.second != b.second ? a.second > b.second : a.node > b.node;
    }
    std::vector<entry> heap_;
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

search_result search(const search_start &from, search_order order, long max_states) {
    level_play &play = *from.play;
    reach_map &map = *from.map;
    const relaxed_rules &rules = play.rules();
    const int words = play.words(), grubblets = play.grubblet_count();
    const bool shortest = order == ORDER_SHORTEST;
    // Both shortest-first orders count keys: states reached in fewer keys
    // beat others, the full bound steers, and no state that cannot beat the
    // known win is kept.
    const bool bounded = shortest || order == ORDER_WEIGHTED;
    search_result result;
    result.fewest_eaten_at.assign(BOARD_ROWS * BOARD_COLS, -1);
    const int start_place = map.place_at(from.state.x, from.state.y);
    if (max_states < 1 || start_place < 0) {
        result.end = SEARCH_GAVE_UP; // and nothing proven
        return result;
    }
    state_store store(words, max_states);
    frontier open(max_states);
    // Wins this long or longer are not looked for: the caller knows one,
    // or the search has found one.
    int cutoff = from.shorter_than > 0 ? from.shorter_than : reach_map::NO_WAY;
    int best = -1; // the shortest win found so far
    // Keeps a state unless it is beaten, or, looking for a shorter win
    // (shortest first or weighted), cannot lead to one under the cutoff, or,
    // in a narrow dive, its place has kept enough at its number eaten. Its
    // estimate: keys so far and at least the keys left (for the shortest
    // win never less than its parent's).
    bool full = false; // a state to keep found no room
    // For the narrow order, by number eaten and place: the states kept there
    // and the most health among them.
    struct narrow_slot {
        int kept = 0, most_health = -1;
    };
    std::vector<narrow_slot> kept_at(order == ORDER_NARROW
                                         ? static_cast<std::size_t>(grubblets + 1) *
                                               static_cast<std::size_t>(map.places())
                                         : 0);
    auto keep = [&](const search_node &n, const word *eaten, int parent_estimate) {
        if (store.dominated(n, eaten, bounded)) {
            return;
        }
        const reach_map::keys_left left = order == ORDER_BREADTH
                                              ? reach_map::keys_left{0, 0}
                                              : map.keys_left_from(n.place, eaten, bounded);
        const int estimate = std::max(n.depth + left.at_least, parent_estimate);
        if (left.at_least >= reach_map::NO_WAY || (bounded && estimate >= cutoff)) {
            return;
        }
        if (order == ORDER_NARROW) {
            // A state healthier than every one kept here is kept all the
            // same: falls cost health, and a dive that kept only hurt players
            // would stall.
            narrow_slot &slot = kept_at[static_cast<std::size_t>(n.eaten_count) *
                                            static_cast<std::size_t>(map.places()) +
                                        static_cast<std::size_t>(n.place)];
            if (slot.kept >= from.per_place && n.health <= slot.most_health) {
                return;
            }
            slot.kept++;
            slot.most_health = std::max<int>(slot.most_health, n.health);
        }
        // The limit counts distinct states: a repeat never ends a search.
        if (store.size() >= max_states) {
            full = true;
            return;
        }
        const int node = store.add(n, eaten, bounded);
        switch (order) {
        case ORDER_SHORTEST: open.push(estimate, -n.depth, node); break;
        case ORDER_WEIGHTED:
            open.push(10 * n.depth + from.weight_tenths * left.at_least, -n.depth, node);
            break;
        case ORDER_BREADTH: open.push(n.depth, 0, node); break;
        case ORDER_DIRECTED:
            open.push(n.depth + DIRECTED_KEYS * (grubblets - n.eaten_count), left.nearest, node);
            break;
        case ORDER_NARROW:
        case ORDER_GREEDY: open.push(-n.eaten_count, left.nearest, node); break;
        }
    };
    auto done = [&](search_end end) {
        result.end = end;
        result.states = store.size();
        // A shortest search that ran out proved the known win shortest.
        result.at_least = !shortest ? 0 : best >= 0 ? best : from.shorter_than;
        return result;
    };

    const search_node first{-1,
                            -1,
                            0,
                            static_cast<std::int16_t>(start_place),
                            static_cast<std::int16_t>(from.state.tummy),
                            static_cast<std::int16_t>(from.state.health),
                            static_cast<std::int16_t>(count_bits(from.eaten, words)),
                            '\0',
                            false};
    keep(first, from.eaten, 0);

    search_node children[PLAYER_MOVE_COUNT];
    std::vector<word> children_sets(static_cast<std::size_t>(PLAYER_MOVE_COUNT * words));
    while (!open.empty()) {
        int estimate;
        const int node = open.pop(&estimate);
        if (shortest && estimate >= cutoff) {
            break; // no state left open can lead to a win under the cutoff
        }
        const search_node n = store.at(node);
        if (n.beaten) {
            continue;
        }
        // The children first, their table slots fetched ahead, then kept:
        // a look-up in a large table waits mostly on memory.
        const cell_ref at = map.cell_of(n.place);
        int count = 0;
        for (int m = 0; m < PLAYER_MOVE_COUNT; m++) {
            const reach_map::motion &motion = map.motion_of(n.place, m, n.eaten_count);
            const word *here = store.eaten_set(node);
            word *to = &children_sets[static_cast<std::size_t>(count * words)];
            std::copy(here, here + words, to);
            play_state s{at.col,
                         at.row,
                         rules.endless_tummy ? ENDLESS_METER : n.tummy,
                         rules.endless_health ? ENDLESS_METER : n.health,
                         n.eaten_count,
                         grubblets - n.eaten_count};
            for (int k = motion.passes; k < motion.passes_end; k++) {
                const int g = map.passed(k);
                if (!bit_of(to, g)) {
                    set_bit(to, g);
                    eat_grubblet(s);
                }
            }
            if (s.grubblets_left == 0) {
                // Cleared on the step after the last grubblet, a mine or not.
                if (n.depth + 1 < cutoff) {
                    best = cutoff = n.depth + 1;
                    result.keys = store.keys_to(node) + MOVE_KEYS[PLAYER_MOVES[m]];
                }
                if (!shortest && best >= 0) {
                    return done(SEARCH_WON);
                }
                continue;
            }
            bool hurt;
            if (motion.to < 0 ||
                end_turn(s, turn_motion{0, 0, motion.hurt, false}, &hurt) != OUTCOME_NONE) {
                continue;
            }
            const cell_ref rest = map.cell_of(motion.to);
            int &fewest =
                result.fewest_eaten_at[static_cast<std::size_t>(rest.row * BOARD_COLS + rest.col)];
            if (fewest < 0 || s.eaten < fewest) {
                fewest = s.eaten;
            }
            if (!can_still_win(map, rest.col, rest.row, to)) {
                continue;
            }
            children[count++] = {node,
                                 -1,
                                 n.depth + 1,
                                 static_cast<std::int16_t>(motion.to),
                                 static_cast<std::int16_t>(rules.endless_tummy ? 0 : s.tummy),
                                 static_cast<std::int16_t>(rules.endless_health ? 0 : s.health),
                                 static_cast<std::int16_t>(s.eaten),
                                 MOVE_KEYS[PLAYER_MOVES[m]],
                                 false};
            store.prefetch(children[count - 1], to);
        }
        for (int c = 0; c < count; c++) {
            keep(children[c], &children_sets[static_cast<std::size_t>(c * words)],
                 shortest ? estimate : 0);
            if (full) {
                // Every shorter win passes through a state still open; a
                // win found on the way stays, not proven shortest.
                done(SEARCH_GAVE_UP);
                result.at_least = shortest ? std::min({estimate, open.least_first(), cutoff}) : 0;
                return result;
            }
        }
    }
    return done(best >= 0 ? SEARCH_WON : SEARCH_EXHAUSTED);
}
