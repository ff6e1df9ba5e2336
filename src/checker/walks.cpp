// The sharpest part of the bound on the keys left: the shortest walk
// through every grubblet left, in the best order, with each leg counted at
// the jump length it is really played at.
//
// A win eats the grubblets left one after another (those one move eats
// together in any order). Between eating the one and the next, the player
// has eaten exactly as many as the level holds less those still left, L, so
// every move of that leg is played with jumps of length L. The move that ate
// the one ate at least it and at most the grubblets it passes, so it was
// played at a length from L less the grubblets it passes to L - 1. So a leg
// from grubblet a to grubblet b costs at least the fewest moves at length L
// from where a move that passes a, played at such a length, comes to rest,
// to a move that passes b; and nothing when one such move passes both.
//
// Held-Karp over every set of grubblets left would be exact, but takes
// 2^grubblets numbers. So the grubblets are put in groups of neighbours
// (none at all on levels of up to 19, groups of up to six on levels of 30,
// larger ones on levels of up to 63, which still gives a bound far sharper
// than the farthest grubblet alone), and a leg between two
// groups costs the least of its legs between their members: then the
// numbers left in each group say everything the walk needs, the jump length
// included. For each count of grubblets left in each group and the group of
// the one eaten last, the table keeps the fewest moves that eat the rest; a
// player at a place adds the fewest moves from there to the first.
//
// What must hold: every number is at most what a real play needs (the bound
// tests hold it against exhaustive searches, also with the table kept small
// enough that grubblets share groups); a number too large to keep is kept as
// SATURATED, never above the truth.
#include "search.h"

#include <algorithm>

namespace {

// The most grubblets in a group, as long as groups that large make the
// table fit.
const std::size_t GROUP_MOST = 6;

// The most a table entry holds; a walk that takes more is kept as this.
const int SATURATED = 255;

// The most grubblets a level may have for the table: a set of them is one
// word.
const int WALK_GRUBBLETS = 63;

// walk[k] = min(walk[k], leg[k] + after) for the first `width` of them; the
// width a constant where it is called, so the loop is a few vector steps.
inline void min_into(std::uint8_t *walk, const std::uint8_t *leg, int after, int width) {
    for (int k = 0; k < width; k++) {
        walk[k] = static_cast<std::uint8_t>(std::min<int>(walk[k], leg[k] + after));
    }
}

} // namespace

void reach_map::make_walk_table() {
    walks_.tried = true;
    const int n = grubblet_count_;
    if (n == 0 || n > WALK_GRUBBLETS) {
        return;
    }
    const auto g_count = static_cast<std::size_t>(n);
    // By jump length: the fewest moves from each place to pass each grubblet
    // with jumps of that length alone.
    std::vector<const std::uint16_t *> by_length(g_count + 1);
    for (int length = 0; length <= n; length++) {
        const closures &made = closures_at(length);
        if (made.to_pass_now.empty()) {
            return; // past the memory for the distances
        }
        by_length[static_cast<std::size_t>(length)] = made.to_pass_now.data();
    }
    // The move that ate grubblet a, for a leg from a at length L, was
    // played at a length from L less the grubblets it passes to L - 1 (see
    // above). By leg length and grubblet: where the moves that may have
    // eaten it come to rest; by leg length and pair: whether one such move
    // passes both.
    const std::size_t places = static_cast<std::size_t>(places_);
    std::vector<std::vector<int>> ends((g_count + 1) * g_count);
    std::vector<word> ended(((g_count + 1) * g_count * places + 63) / 64, 0);
    std::vector<std::uint8_t> together((g_count + 1) * g_count * g_count, 0);
    for (const std::vector<motion> &of_move : motions_) {
        for (std::size_t k = 0; k < of_move.size(); k++) {
            const motion &mo = of_move[k];
            const int passes = mo.passes_end - mo.passes;
            // The lengths the motion holds at: up to where the next starts.
            const int held_to = k + 1 < of_move.size() ? of_move[k + 1].from_length - 1 : n;
            const int last_leg = std::min(n, held_to + passes);
            for (int length = mo.from_length + 1; length <= last_leg; length++) {
                const auto at_length = static_cast<std::size_t>(length) * g_count;
                for (int i = mo.passes; i < mo.passes_end; i++) {
                    const auto a = static_cast<std::size_t>(passed(i));
                    if (mo.to >= 0) {
                        // Each place once.
                        const auto end = static_cast<int>((at_length + a) * places +
                                                          static_cast<std::size_t>(mo.to));
                        if (!bit_of(ended.data(), end)) {
                            set_bit(ended.data(), end);
                            ends[at_length + a].push_back(mo.to);
                        }
                    }
                    for (int j = mo.passes; j < mo.passes_end; j++) {
                        together[(at_length + a) * g_count + static_cast<std::size_t>(passed(j))] =
                            1;
                    }
                }
            }
        }
    }
    // leg[(length * n + a) * n + b]: the fewest moves of the leg from a to b
    // played with jumps of `length`.
    std::vector<std::uint8_t> leg((g_count + 1) * g_count * g_count, SATURATED);
    for (std::size_t length = 1; length <= g_count; length++) {
        const std::uint16_t *to_pass = by_length[length];
        for (std::size_t a = 0; a < g_count; a++) {
            std::uint8_t *row = &leg[(length * g_count + a) * g_count];
            for (std::size_t b = 0; b < g_count; b++) {
                if (together[(length * g_count + a) * g_count + b]) {
                    row[b] = 0;
                    continue;
                }
                int fewest = SATURATED;
                for (int end : ends[length * g_count + a]) {
                    fewest =
                        std::min<int>(fewest, to_pass[static_cast<std::size_t>(end) * g_count + b]);
                }
                row[b] = static_cast<std::uint8_t>(fewest);
            }
        }
    }
    make_groups(leg);
    if (walks_.group_of.empty()) {
        return;
    }
    // The loop below takes at most 32 groups: 2^groups x groups entries at
    // the least, so no more than 19 fit in the default room.
    const std::size_t groups = walks_.stride.size();
    if (groups > 32) {
        walks_.group_of.clear();
        return;
    }
    // Between groups, the least of the legs between their members; by
    // length, the group led to, then the group led from, in rows padded to
    // a width the loop below takes in whole vectors.
    const std::size_t width = groups <= 16 ? 16 : 32;
    std::vector<std::uint8_t> into((g_count + 1) * groups * width, SATURATED);
    for (std::size_t length = 1; length <= g_count; length++) {
        for (std::size_t a = 0; a < g_count; a++) {
            for (std::size_t b = 0; b < g_count; b++) {
                if (a != b) {
                    std::uint8_t &at =
                        into[(length * groups + walks_.group_of[b]) * width + walks_.group_of[a]];
                    at = std::min(at, leg[(length * g_count + a) * g_count + b]);
                }
            }
        }
    }
    // Counts of grubblets left by group, as one mixed-radix number; every
    // count less one of its grubblets is a smaller number, made before it.
    std::vector<std::size_t> count(groups, 0);
    std::vector<int> size(groups, 0);
    for (std::size_t g = 0; g < g_count; g++) {
        size[walks_.group_of[g]]++;
    }
    const std::size_t counts = walks_.counts;
    walks_.fewest.assign(counts * groups, 0);
    std::size_t left = 0;
    for (std::size_t at = 1; at < counts; at++) {
        for (std::size_t k = 0; count[k]++ == static_cast<std::size_t>(size[k]); k++) {
            count[k] = 0;
            left -= static_cast<std::size_t>(size[k]);
        }
        left++;
        const std::size_t length = g_count - left;
        // Whichever group the grubblet just eaten was in, the best next
        // group with some left; one pass over every group eaten last at a
        // time.
        std::uint8_t walk[32];
        std::fill(walk, walk + 32, std::uint8_t(SATURATED));
        for (std::size_t next = 0; next < groups; next++) {
            if (count[next] == 0) {
                continue;
            }
            const int after = walks_.fewest[(at - walks_.stride[next]) * groups + next];
            const std::uint8_t *leg_in = &into[(length * groups + next) * width];
            if (width == 16) {
                min_into(walk, leg_in, after, 16);
            } else {
                min_into(walk, leg_in, after, 32);
            }
        }
        std::copy(walk, walk + groups, &walks_.fewest[at * groups]);
    }
}

// Neighbours first: the two groups whose farthest members are nearest, at
// every jump length and both ways, are joined until the table fits.
void reach_map::make_groups(const std::vector<std::uint8_t> &leg) {
    const auto g_count = static_cast<std::size_t>(grubblet_count_);
    std::vector<int> apart(g_count * g_count, 0);
    for (std::size_t length = 1; length <= g_count; length++) {
        for (std::size_t a = 0; a < g_count; a++) {
            for (std::size_t b = 0; b < g_count; b++) {
                apart[a * g_count + b] += leg[(length * g_count + a) * g_count + b] +
                                          leg[(length * g_count + b) * g_count + a];
            }
        }
    }
    std::vector<std::vector<int>> groups(g_count);
    for (std::size_t g = 0; g < g_count; g++) {
        groups[g].push_back(static_cast<int>(g));
    }
    auto entries = [&]() {
        double product = static_cast<double>(groups.size());
        for (const auto &members : groups) {
            product *= static_cast<double>(members.size() + 1);
        }
        return product;
    };
    // Past two dozen grubblets a proof is rare, and the search's states need
    // the room: half the table.
    const double most = static_cast<double>(walks_.most_entries) / (g_count > 24 ? 2 : 1);
    std::size_t group_most = GROUP_MOST;
    while (entries() > most) {
        if (groups.size() == 1) {
            return; // not even one group fits: no table
        }
        std::size_t join_x = 0, join_y = 0;
        int nearest = -1;
        for (std::size_t x = 0; x < groups.size(); x++) {
            for (std::size_t y = x + 1; y < groups.size(); y++) {
                if (groups[x].size() + groups[y].size() > group_most) {
                    continue;
                }
                int farthest = 0;
                for (int a : groups[x]) {
                    for (int b : groups[y]) {
                        farthest = std::max(farthest, apart[static_cast<std::size_t>(a) * g_count +
                                                            static_cast<std::size_t>(b)]);
                    }
                }
                if (nearest < 0 || farthest < nearest) {
                    nearest = farthest;
                    join_x = x;
                    join_y = y;
                }
            }
        }
        if (nearest < 0) {
            group_most++; // too many grubblets for groups this small
            continue;
        }
        groups[join_x].insert(groups[join_x].end(), groups[join_y].begin(), groups[join_y].end());
        groups.erase(groups.begin() + static_cast<std::ptrdiff_t>(join_y));
    }
    walks_.group_of.assign(g_count, 0);
    walks_.stride.clear();
    std::size_t stride = 1;
    for (std::size_t k = 0; k < groups.size(); k++) {
        for (int g : groups[k]) {
            walks_.group_of[static_cast<std::size_t>(g)] = static_cast<std::uint8_t>(k);
        }
        walks_.stride.push_back(stride);
        stride *= groups[k].size() + 1;
    }
    walks_.counts = stride;
}

int reach_map::walk_left(int place, const word *eaten) {
    if (!walks_.tried) {
        make_walk_table();
    }
    if (walks_.fewest.empty()) {
        return 0;
    }
    const int n = grubblet_count_;
    const word left_set = ~eaten[0] & ((word(1) << n) - 1);
    if (left_set == 0) {
        return 0;
    }
    std::size_t at = 0;
    for (word rest = left_set; rest != 0; rest &= rest - 1) {
        at += walks_.stride[walks_.group_of[static_cast<std::size_t>(__builtin_ctzll(rest))]];
    }
    const int left = __builtin_popcountll(left_set);
    const std::uint16_t *to_pass =
        &closures_at(n - left)
             .to_pass_now[static_cast<std::size_t>(place) * static_cast<std::size_t>(n)];
    const std::size_t groups = walks_.stride.size();
    int best = NO_WAY;
    for (word rest = left_set; rest != 0; rest &= rest - 1) {
        const int b = __builtin_ctzll(rest);
        if (to_pass[b] != NO_MOVES) {
            const std::size_t group = walks_.group_of[static_cast<std::size_t>(b)];
            best = std::min(best, to_pass[b] +
                                      walks_.fewest[(at - walks_.stride[group]) * groups + group]);
        }
    }
    return best;
}
