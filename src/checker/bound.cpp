// The reach map's lower bound on the keys a player still needs to clear a
// level, which steers the search for a shortest win. The search may only
// stop at a win when no state left open could lead to a shorter one, so the
// bound must never overestimate; the tests hold it against the true number
// of keys left from every state of small levels.
//
// It rests on the map's over-approximation. A win passes every grubblet
// left, so it takes at least the fewest moves from here to a move that
// passes the farthest of them, with jumps of the length eaten so far or any
// longer one (jumps only grow). Where the order of eating is weighed, the
// walk through all of them in the best order, each leg at the jump length
// it is played at (walks.cpp), is the sharper part.
#include "search.h"

#include <algorithm>

namespace {

// A bound per level that stays within this much memory; past it the bound
// falls back to what needs no table.
const std::size_t DISTANCE_BYTES = std::size_t(16) << 20;

} // namespace

// Fewest moves, by place * grubblets + grubblet, from a place to a move of
// the graph that passes the grubblet: 1 for a move from the place itself;
// NO_MOVES for none. Searched back from the places one move away.
static std::vector<std::uint16_t> keys_by_place(const std::vector<std::vector<int>> &next,
                                                const std::vector<word> &own, int grubblets,
                                                int words) {
    const std::size_t places = next.size(), g_count = static_cast<std::size_t>(grubblets);
    std::vector<std::vector<int>> from(places);
    for (std::size_t p = 0; p < places; p++) {
        for (int to : next[p]) {
            from[static_cast<std::size_t>(to)].push_back(static_cast<int>(p));
        }
    }
    std::vector<std::uint16_t> by_place(places * g_count, NO_MOVES);
    std::vector<int> queue;
    for (std::size_t g = 0; g < g_count; g++) {
        queue.clear();
        for (std::size_t p = 0; p < places; p++) {
            if (bit_of(&own[p * static_cast<std::size_t>(words)], static_cast<int>(g))) {
                by_place[p * g_count + g] = 1;
                queue.push_back(static_cast<int>(p));
            }
        }
        for (std::size_t i = 0; i < queue.size(); i++) {
            const auto at = static_cast<std::size_t>(queue[i]);
            const std::uint16_t keys = by_place[at * g_count + g];
            for (int before : from[at]) {
                std::uint16_t &k = by_place[static_cast<std::size_t>(before) * g_count + g];
                if (k == NO_MOVES) {
                    k = static_cast<std::uint16_t>(keys + 1);
                    queue.push_back(before);
                }
            }
        }
    }
    return by_place;
}

void reach_map::make_distances(int length, const std::vector<std::vector<int>> &next,
                               const std::vector<word> &own,
                               const std::vector<std::vector<int>> &next_now,
                               const std::vector<word> &own_now) {
    const auto places = static_cast<std::size_t>(places_);
    const auto grubblets = static_cast<std::size_t>(grubblet_count_);
    const std::size_t bytes = 2 * places * grubblets * sizeof(std::uint16_t);
    if (distance_bytes_ + bytes > DISTANCE_BYTES) {
        return;
    }
    distance_bytes_ += bytes;
    closures &made = by_length_[static_cast<std::size_t>(length)];
    made.to_pass = keys_by_place(next, own, grubblet_count_, words_);
    made.to_pass_now = keys_by_place(next_now, own_now, grubblet_count_, words_);
}

reach_map::keys_left reach_map::keys_left_from(int place, const word *eaten, bool with_order) {
    const int eaten_count = count_bits(eaten, words_);
    keys_left out{0, 0};
    prospects open;
    const cell_ref at = cell_of(place);
    if (eaten_count >= grubblet_count_ || !prospects_at(at.col, at.row, eaten_count, &open)) {
        return out;
    }
    const int length = std::min(eaten_count, static_cast<int>(by_length_.size()) - 1);
    const closures &made = by_length_[static_cast<std::size_t>(length)];
    if (made.to_pass.empty()) {
        out.at_least = 1; // past the memory for tables: at least the last key
        return out;
    }
    const auto grubblets = static_cast<std::size_t>(grubblet_count_);
    const std::uint16_t *to_pass = &made.to_pass[static_cast<std::size_t>(place) * grubblets];
    const std::uint16_t *to_pass_now =
        &made.to_pass_now[static_cast<std::size_t>(place) * grubblets];
    int farthest = 0, nearest = NO_WAY;
    for (int g = 0; g < grubblet_count_; g++) {
        if (bit_of(eaten, g)) {
            continue;
        }
        if (to_pass[g] == NO_MOVES) {
            return {NO_WAY, NO_WAY};
        }
        farthest = std::max<int>(farthest, to_pass[g]);
        // The first grubblet eaten from here is passed with jumps of this
        // length (NO_MOVES where none does: one of the others comes first).
        nearest = std::min<int>(nearest, to_pass_now[g]);
    }
    out.nearest = nearest;
    out.at_least = farthest;
    if (with_order) {
        out.at_least = std::max(out.at_least, walk_left(place, eaten));
    }
    return out;
}
