// The reach map's lower bound on the keys a player still needs to clear a
// level, which steers the search for a shortest win. The search may only
// stop at a win when no state left open could lead to a shorter one, so the
// bound must never overestimate; the tests hold it against the true number
// of keys left from every state of small levels.
//
// It rests on the map's over-approximation: the fewest moves from a place to
// one that passes a grubblet, with jumps of the length eaten so far or any
// longer one (jumps only grow), and the fewest moves from the end of a move
// that passes one grubblet to a move that passes another. A win eats the
// grubblets left in some order, each in a turn no earlier than the one
// before; so it takes at least
// - the moves to the farthest of them;
// - for each of them, the cheapest way it could follow what came before it:
//   from here, or from any other grubblet left (each has one predecessor);
// - the moves to the nearest, then a spanning tree of the moves between the
//   grubblets left, each pair joined by the cheaper way round;
// - the moves to the first of some groups of them, then the shortest walk
//   through every group (the grubblets in at most 12 groups, every order of
//   the groups weighed ahead).
// Between two grubblets eaten in turn the jumps keep one length, so those
// moves are counted at one length, never mixing them.
// The parts that depend on the set eaten alone are kept by set.
#include "search.h"

#include <algorithm>

namespace {

const std::uint16_t FAR = 0xFFFF;

// A bound per level that stays within this much memory; past it the bound
// falls back to what needs no table.
const std::size_t DISTANCE_BYTES = std::size_t(16) << 20;

// The parts of the bound kept by set eaten: at most this many numbers (two
// bytes each) before the table starts afresh.
const std::size_t SET_KEYS_KEPT = std::size_t(3) << 20;

// The most groups of grubblets whose every order is weighed: each length
// keeps 2^groups x groups numbers.
const std::size_t MOST_GROUPS = 12;

} // namespace

// Fewest moves, by place * grubblets + grubblet, from a place to a move of
// the graph that passes the grubblet: 1 for a move from the place itself;
// FAR for none. Searched back from the places one move away.
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
    std::vector<std::uint16_t> by_place(places * g_count, FAR);
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
                if (k == FAR) {
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
    const bool legs = grubblet_count_ <= ORDER_GRUBBLETS;
    const std::size_t bytes =
        ((legs ? 3 : 2) * places + grubblets) * grubblets * sizeof(std::uint16_t);
    if (distance_bytes_ + bytes > DISTANCE_BYTES) {
        return;
    }
    distance_bytes_ += bytes;
    closures &made = by_length_[static_cast<std::size_t>(length)];
    made.to_pass = keys_by_place(next, own, grubblet_count_, words_);
    made.to_pass_now = keys_by_place(next_now, own_now, grubblet_count_, words_);
    // Between two grubblets eaten one after the other the jumps keep one
    // length, this one or a longer one: the fewest moves at a single length.
    // (The moves of `next` mix lengths, which no play can.) Made from the
    // longer lengths' tables, on levels where the order is weighed; else
    // (or past the memory for them) the moves of `next` stand in.
    if (legs) {
        made.leg = made.to_pass_now;
        if (length + 1 < static_cast<int>(by_length_.size())) {
            const closures &longer = closures_at(length + 1);
            if (longer.leg.size() == made.leg.size()) {
                for (std::size_t i = 0; i < made.leg.size(); i++) {
                    made.leg[i] = std::min(made.leg[i], longer.leg[i]);
                }
            } else {
                made.leg.clear();
            }
        }
    }
    const std::vector<std::uint16_t> &leg = made.leg.empty() ? made.to_pass : made.leg;
    // Where the moves that pass each grubblet and live on come to rest, and
    // which grubblets one move passes together.
    std::vector<std::vector<int>> ends(grubblets);
    std::vector<word> together(grubblets * static_cast<std::size_t>(words_), 0);
    for (std::size_t p = 0; p < places; p++) {
        for (int m = 0; m < PLAYER_MOVE_COUNT; m++) {
            for (const motion &mo : motions_[p * PLAYER_MOVE_COUNT + static_cast<std::size_t>(m)]) {
                if (&mo != &motion_of(static_cast<int>(p), m, std::max(mo.from_length, length))) {
                    continue; // held only at shorter lengths
                }
                for (int a = mo.passes; a < mo.passes_end; a++) {
                    const auto ga = static_cast<std::size_t>(passed(a));
                    if (mo.to >= 0) {
                        ends[ga].push_back(mo.to);
                    }
                    for (int b = mo.passes; b < mo.passes_end; b++) {
                        set_bit(&together[ga * static_cast<std::size_t>(words_)], passed(b));
                    }
                }
            }
        }
    }
    made.between.assign(grubblets * grubblets, FAR);
    for (std::size_t a = 0; a < grubblets; a++) {
        std::uint16_t *keys = &made.between[a * grubblets];
        std::sort(ends[a].begin(), ends[a].end());
        ends[a].erase(std::unique(ends[a].begin(), ends[a].end()), ends[a].end());
        for (int end : ends[a]) {
            const std::uint16_t *from_end = &leg[static_cast<std::size_t>(end) * grubblets];
            for (std::size_t b = 0; b < grubblets; b++) {
                keys[b] = std::min(keys[b], from_end[b]);
            }
        }
        for (std::size_t b = 0; b < grubblets; b++) {
            if (bit_of(&together[a * static_cast<std::size_t>(words_)], static_cast<int>(b))) {
                keys[b] = 0;
            }
        }
    }
}

const reach_map::set_bound &reach_map::bound_of_set(int length, const word *eaten) {
    const auto words = static_cast<std::size_t>(words_);
    std::uint64_t h = 0x9E3779B97F4A7C15ull;
    for (std::size_t w = 0; w < words; w++) {
        h = (h ^ eaten[w]) * 0xff51afd7ed558ccdull;
        h ^= h >> 29;
    }
    if (set_table_.empty() || set_keys_.size() > SET_KEYS_KEPT) {
        // Kept within bounds by starting afresh: what is needed again is
        // made again.
        set_table_.assign(1 << 10, -1);
        set_bounds_.clear();
        set_words_.clear();
        set_keys_.clear();
    }
    std::size_t mask = set_table_.size() - 1, i = static_cast<std::size_t>(h) & mask;
    for (; set_table_[i] >= 0; i = (i + 1) & mask) {
        const set_bound &b = set_bounds_[static_cast<std::size_t>(set_table_[i])];
        if (b.hash == h && std::equal(eaten, eaten + words, &set_words_[b.words_at])) {
            return b;
        }
    }
    const closures &lengths = by_length_[static_cast<std::size_t>(length)];
    const auto grubblets = static_cast<std::size_t>(grubblet_count_);
    set_bound made{h, set_words_.size(), set_keys_.size(), 0};
    set_words_.insert(set_words_.end(), eaten, eaten + words);
    std::vector<int> left;
    for (int g = 0; g < grubblet_count_; g++) {
        if (!bit_of(eaten, g)) {
            left.push_back(g);
        }
    }
    // For each grubblet left, the cheapest way from another one left.
    for (int b : left) {
        std::uint16_t cheapest = FAR;
        for (int a : left) {
            if (a != b) {
                cheapest =
                    std::min(cheapest, lengths.between[static_cast<std::size_t>(a) * grubblets +
                                                       static_cast<std::size_t>(b)]);
            }
        }
        set_keys_.push_back(cheapest);
    }
    // Prim's spanning tree, each pair joined by the cheaper way round.
    std::vector<int> cost(left.size(), NO_WAY);
    std::vector<bool> joined(left.size(), false);
    if (!left.empty()) {
        cost[0] = 0;
    }
    for (std::size_t n = 0; n < left.size(); n++) {
        std::size_t next = left.size();
        for (std::size_t k = 0; k < left.size(); k++) {
            if (!joined[k] && (next == left.size() || cost[k] < cost[next])) {
                next = k;
            }
        }
        joined[next] = true;
        made.tree = std::min(made.tree + cost[next], int(NO_WAY));
        const auto a = static_cast<std::size_t>(left[next]);
        for (std::size_t k = 0; k < left.size(); k++) {
            const auto b = static_cast<std::size_t>(left[k]);
            const int keys =
                std::min(lengths.between[a * grubblets + b], lengths.between[b * grubblets + a]);
            if (!joined[k] && keys < cost[k]) {
                cost[k] = keys;
            }
        }
    }
    set_table_[i] = static_cast<int>(set_bounds_.size());
    set_bounds_.push_back(made);
    if (set_bounds_.size() * 2 > set_table_.size()) {
        std::vector<int> grown(set_table_.size() * 2, -1);
        mask = grown.size() - 1;
        for (std::size_t k = 0; k < set_bounds_.size(); k++) {
            std::size_t at = static_cast<std::size_t>(set_bounds_[k].hash) & mask;
            while (grown[at] >= 0) {
                at = (at + 1) & mask;
            }
            grown[at] = static_cast<int>(k);
        }
        set_table_.swap(grown);
    }
    return set_bounds_.back();
}

// Grubblets in groups, at most MOST_GROUPS of them: first those one move
// passes together, then the two groups closest either way round, until few
// enough are left. From group to group, the fewest moves from passing any
// grubblet of the one to passing any of the other, then the shortest way
// through any groups between. A win passes the groups of the grubblets left
// in some order, maybe some more than once; it takes at least the shortest
// walk through them all, kept for every set of groups and first group.
void reach_map::make_group_walks(closures *made) {
    const auto grubblets = static_cast<std::size_t>(grubblet_count_);
    std::vector<int> group(grubblets);
    for (std::size_t g = 0; g < grubblets; g++) {
        group[g] = static_cast<int>(g);
    }
    auto gap = [&](std::size_t a, std::size_t b) { return made->between[a * grubblets + b]; };
    // Groups as lists of grubblets; merging moves one list into another.
    std::vector<std::vector<int>> members(grubblets);
    for (std::size_t g = 0; g < grubblets; g++) {
        members[g].push_back(static_cast<int>(g));
    }
    auto merge = [&](int into, int from) {
        for (int g : members[static_cast<std::size_t>(from)]) {
            group[static_cast<std::size_t>(g)] = into;
        }
        auto &to = members[static_cast<std::size_t>(into)];
        to.insert(to.end(), members[static_cast<std::size_t>(from)].begin(),
                  members[static_cast<std::size_t>(from)].end());
        members[static_cast<std::size_t>(from)].clear();
    };
    auto distance = [&](std::size_t x, std::size_t y) {
        int d = FAR;
        for (int a : members[x]) {
            for (int b : members[y]) {
                d = std::min({d, int(gap(static_cast<std::size_t>(a), static_cast<std::size_t>(b))),
                              int(gap(static_cast<std::size_t>(b), static_cast<std::size_t>(a)))});
            }
        }
        return d;
    };
    std::size_t count = grubblets;
    for (std::size_t x = 0; x < grubblets; x++) {
        for (std::size_t y = x + 1; y < grubblets; y++) {
            if (!members[x].empty() && !members[y].empty() && distance(x, y) == 0) {
                merge(static_cast<int>(x), static_cast<int>(y));
                count--;
            }
        }
    }
    while (count > MOST_GROUPS) {
        std::size_t best_x = 0, best_y = 0;
        int best = FAR + 1;
        for (std::size_t x = 0; x < grubblets; x++) {
            for (std::size_t y = x + 1; y < grubblets && !members[x].empty(); y++) {
                if (!members[y].empty()) {
                    const int dxy = distance(x, y);
                    if (dxy < best) {
                        best = dxy;
                        best_x = x;
                        best_y = y;
                    }
                }
            }
        }
        merge(static_cast<int>(best_x), static_cast<int>(best_y));
        count--;
    }
    // Number the groups 0 to count - 1.
    std::vector<int> number(grubblets, -1);
    int n = 0;
    for (std::size_t x = 0; x < grubblets; x++) {
        if (!members[x].empty()) {
            number[x] = n++;
        }
    }
    made->group_of.resize(grubblets);
    for (std::size_t g = 0; g < grubblets; g++) {
        made->group_of[g] = static_cast<std::uint8_t>(number[static_cast<std::size_t>(group[g])]);
    }
    const auto groups = static_cast<std::size_t>(n);
    std::vector<int> d(groups * groups, NO_WAY);
    for (std::size_t a = 0; a < grubblets; a++) {
        for (std::size_t b = 0; b < grubblets; b++) {
            int &at = d[made->group_of[a] * groups + made->group_of[b]];
            at = std::min(at, int(gap(a, b)) == FAR ? int(NO_WAY) : int(gap(a, b)));
        }
    }
    for (std::size_t k = 0; k < groups; k++) {
        for (std::size_t i = 0; i < groups; i++) {
            for (std::size_t j = 0; j < groups; j++) {
                d[i * groups + j] =
                    std::min(d[i * groups + j], d[i * groups + k] + d[k * groups + j]);
            }
        }
    }
    // walk[set * groups + first]: the shortest walk from `first` through
    // every group of the set, sets in rising order so the smaller come first.
    made->walk.assign((std::size_t(1) << groups) * groups, std::uint16_t(FAR));
    for (std::size_t set = 1; set < (std::size_t(1) << groups); set++) {
        for (std::size_t first = 0; first < groups; first++) {
            if (!(set >> first & 1u)) {
                continue;
            }
            const std::size_t rest = set & ~(std::size_t(1) << first);
            int best = rest == 0 ? 0 : int(NO_WAY);
            for (std::size_t next = 0; next < groups; next++) {
                if (rest >> next & 1u) {
                    best =
                        std::min(best, d[first * groups + next] + made->walk[rest * groups + next]);
                }
            }
            made->walk[set * groups + first] = static_cast<std::uint16_t>(std::min(best, int(FAR)));
        }
    }
    made->groups = n;
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
    closures &made = by_length_[static_cast<std::size_t>(length)];
    if (made.to_pass.empty()) {
        out.at_least = 1; // past the memory for tables: at least the last key
        return out;
    }
    // The walks through groups only for the search for a shorter win, made
    // when it first needs them.
    const std::size_t walk_bytes = (std::size_t(1) << MOST_GROUPS) * MOST_GROUPS * 2;
    if (with_order && !made.walks_tried) {
        made.walks_tried = true;
        if (grubblet_count_ <= ORDER_GRUBBLETS && distance_bytes_ + walk_bytes <= DISTANCE_BYTES) {
            distance_bytes_ += walk_bytes;
            make_group_walks(&made);
        }
    }
    const auto grubblets = static_cast<std::size_t>(grubblet_count_);
    const std::uint16_t *to_pass = &made.to_pass[static_cast<std::size_t>(place) * grubblets];
    const std::uint16_t *to_pass_now =
        &made.to_pass_now[static_cast<std::size_t>(place) * grubblets];
    // The order's part costs the square of the grubblets left for each new
    // set eaten: past a few dozen it costs more than it saves.
    const set_bound *per_set = with_order && grubblet_count_ - eaten_count <= ORDER_GRUBBLETS
                                   ? &bound_of_set(length, eaten)
                                   : nullptr;
    int farthest = 0, nearest = NO_WAY, followed = 0;
    std::size_t k = 0;
    // The groups left, and the fewest moves to each.
    const bool walks = with_order && made.groups > 0;
    std::size_t groups_left = 0;
    int to_group[MOST_GROUPS];
    std::fill(to_group, to_group + MOST_GROUPS, int(NO_WAY));
    for (int g = 0; g < grubblet_count_; g++) {
        if (bit_of(eaten, g)) {
            continue;
        }
        const int keys = to_pass[g];
        if (keys == FAR) {
            return {NO_WAY, NO_WAY};
        }
        farthest = std::max(farthest, keys);
        // The first grubblet eaten from here is passed with jumps of this
        // length (FAR where none does: one of the others comes first).
        const int first = to_pass_now[g];
        nearest = std::min(nearest, first);
        if (per_set != nullptr) {
            followed += std::min<int>(first, set_keys_[per_set->keys_at + k++]);
        }
        if (walks) {
            const int group = made.group_of[static_cast<std::size_t>(g)];
            groups_left |= std::size_t(1) << group;
            to_group[group] = std::min(to_group[group], first);
        }
    }
    int walk = 0;
    if (walks) {
        walk = NO_WAY;
        const auto groups = static_cast<std::size_t>(made.groups);
        for (std::size_t first = 0; first < groups; first++) {
            if (groups_left >> first & 1u) {
                const std::uint16_t rest = made.walk[groups_left * groups + first];
                if (rest != FAR) {
                    walk = std::min(walk, to_group[first] + rest);
                }
            }
        }
    }
    out.nearest = nearest;
    out.at_least = farthest;
    if (per_set != nullptr) {
        out.at_least = std::max({farthest, followed, nearest + per_set->tree, walk});
    }
    if (with_order) {
        out.at_least = std::max(out.at_least, walk_left(place, eaten));
    }
    return out;
}
