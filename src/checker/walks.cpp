// The sharpest part of the bound on the keys left, for levels of a few
// grubblets: the shortest walk through every grubblet left, in the best
// order, with each leg counted at the jump length it is really played at.
//
// A win eats the grubblets left one after another. Between eating the one
// and the next, the player has eaten exactly as many as the level holds less
// those still left, so every move of that leg is played with jumps of that
// length; and the move that ate the one was played with shorter jumps. So a
// leg from grubblet a to grubblet b, with the grubblets of `rest` still left
// after a, costs at least the fewest moves with jumps of length
// (grubblets - |rest|) from where some move of a shorter length that passes a
// comes to rest, to a move that passes b; and nothing at all when one move of
// a shorter length passes both. Held-Karp over every set of grubblets then
// gives, for each set and the grubblet of it eaten first, the fewest moves
// that eat the rest of it; a player at a place adds the fewest moves from
// there to the first.
//
// What must hold: every number is at most what a real play needs (the truth
// test holds it on small levels); a number too large to keep is kept as
// SATURATED, which is still below the truth.
#include "search.h"

#include <algorithm>

namespace {

// Levels of up to this many grubblets keep the table: grubblets x
// 2^(grubblets - 1) bytes, 10 MB at 20.
const int WALK_GRUBBLETS = 20;

// The most a table entry holds; a walk that takes more is kept as this.
const int SATURATED = 255;

const std::uint16_t FAR = 0xFFFF;

// Where (set, first) lies in the table: a set with its first grubblet taken
// out, the bits above it moved down one, after the sets of earlier firsts.
inline std::size_t slot(std::uint32_t set, int first, std::size_t half) {
    const std::uint32_t low = set & ((std::uint32_t(1) << first) - 1);
    const std::uint32_t high = (set >> (first + 1)) << first;
    return static_cast<std::size_t>(first) * half + (low | high);
}

} // namespace

void reach_map::make_walk_table() {
    walk_table_tried_ = true;
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
    // For each grubblet, where the moves that pass it come to rest and the
    // shortest jumps they are played with; for each pair, the shortest jumps
    // with which one move passes both.
    std::vector<std::vector<std::pair<int, int>>> ends(g_count);
    std::vector<int> together(g_count * g_count, NO_WAY);
    for (std::size_t m = 0; m < motions_.size(); m++) {
        for (const motion &mo : motions_[m]) {
            for (int i = mo.passes; i < mo.passes_end; i++) {
                const auto a = static_cast<std::size_t>(passed(i));
                if (mo.to >= 0) {
                    ends[a].push_back({mo.to, mo.from_length});
                }
                for (int j = mo.passes; j < mo.passes_end; j++) {
                    int &t = together[a * g_count + static_cast<std::size_t>(passed(j))];
                    t = std::min(t, mo.from_length);
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
                if (together[a * g_count + b] < static_cast<int>(length)) {
                    row[b] = 0;
                    continue;
                }
                int fewest = SATURATED;
                for (const auto &end : ends[a]) {
                    if (end.second < static_cast<int>(length)) {
                        fewest = std::min<int>(
                            fewest, to_pass[static_cast<std::size_t>(end.first) * g_count + b]);
                    }
                }
                row[b] = static_cast<std::uint8_t>(fewest);
            }
        }
    }
    // Sets in rising order: a set's entries are complete before any larger
    // set that holds it is made from them.
    const std::size_t half = std::size_t(1) << (n - 1);
    walk_table_.assign(g_count * half, 0);
    std::vector<int> members;
    std::vector<int> walks;
    for (std::uint32_t rest = 1; rest < (std::uint32_t(1) << n); rest++) {
        members.clear();
        walks.clear();
        for (int b = 0; b < n; b++) {
            if (rest >> b & 1u) {
                members.push_back(b);
                walks.push_back(walk_table_[slot(rest, b, half)]);
            }
        }
        const std::size_t length = g_count - members.size();
        for (int a = 0; a < n; a++) {
            if (rest >> a & 1u) {
                continue;
            }
            const std::uint8_t *row =
                &leg[(length * g_count + static_cast<std::size_t>(a)) * g_count];
            int best = SATURATED;
            for (std::size_t k = 0; k < members.size(); k++) {
                best = std::min(best, row[members[k]] + walks[k]);
            }
            walk_table_[slot(rest | std::uint32_t(1) << a, a, half)] =
                static_cast<std::uint8_t>(best);
        }
    }
}

int reach_map::walk_left(int place, const word *eaten) {
    if (!walk_table_tried_) {
        make_walk_table();
    }
    if (walk_table_.empty()) {
        return 0;
    }
    const int n = grubblet_count_;
    const auto left = static_cast<std::uint32_t>(~eaten[0] & ((word(1) << n) - 1));
    if (left == 0) {
        return 0;
    }
    const int length = n - __builtin_popcount(left);
    const std::uint16_t *to_pass =
        &closures_at(length)
             .to_pass_now[static_cast<std::size_t>(place) * static_cast<std::size_t>(n)];
    const std::size_t half = std::size_t(1) << (n - 1);
    int best = NO_WAY;
    for (int b = 0; b < n; b++) {
        if ((left >> b & 1u) && to_pass[b] != FAR) {
            best = std::min(best, to_pass[b] + walk_table_[slot(left, b, half)]);
        }
    }
    return best;
}
