// Deadlines: grubblets that only short jumps can get to. A grubblet tucked
// under a ledge, say, is passed by some move while the jumps are short and
// by none once they are long, and the jumps only ever grow. A play that has
// eaten past a grubblet's deadline can never clear the level; one that has
// eaten exactly up to it must eat that grubblet with its next eating move,
// so it must get there passing none but grubblets eaten already.
// The reach map's other sets know nothing of the order, so without this a
// search tries every way of eating the wrong few first before it learns
// that none of them wins.
//
// What must hold: a grubblet's deadline is at least the longest jump length
// at which any real play can eat it, so that no play that can still win is
// called stuck. Places at rest are over-approximated for each length (below),
// which only ever makes a deadline later.
#include "search.h"

#include <algorithm>

namespace {

// The most lengths with some grubblet due that keep a table of their motions.
const int DUE_TABLES = 32;

} // namespace

void reach_map::make_deadlines(int first_eats) {
    const int n = grubblet_count_;
    const auto places = static_cast<std::size_t>(places_);
    // Length by length, the places a player may rest at with jumps that
    // long: the start, with as many eaten as the first turn may have passed;
    // the end of every move from there, at the same length when the move
    // eats nothing (or passes only what was eaten before), and at each
    // longer one its grubblets may take the jumps to. `up_to`: by place, the
    // longest length an eating move may leave a player there with.
    std::vector<int> up_to(places, -1);
    up_to[0] = first_eats;
    std::vector<char> here(places);
    // By place * 7 + move: the motion that holds at the length looked at,
    // and by motion the longest length it was played at.
    std::vector<std::size_t> holds(places * PLAYER_MOVE_COUNT, 0);
    std::vector<std::vector<int>> played_at(motions_.size());
    for (std::size_t pm = 0; pm < motions_.size(); pm++) {
        played_at[pm].assign(motions_[pm].size(), -1);
    }
    std::vector<int> stack;
    for (int length = 0; length < n; length++) {
        for (std::size_t p = 0; p < places; p++) {
            here[p] = up_to[p] >= length;
            if (here[p]) {
                stack.push_back(static_cast<int>(p));
            }
        }
        while (!stack.empty()) {
            const auto p = static_cast<std::size_t>(stack.back());
            stack.pop_back();
            for (std::size_t m = 0; m < PLAYER_MOVE_COUNT; m++) {
                const std::vector<motion> &ms = motions_[p * PLAYER_MOVE_COUNT + m];
                std::size_t &i = holds[p * PLAYER_MOVE_COUNT + m];
                while (i + 1 < ms.size() && ms[i + 1].from_length <= length) {
                    i++;
                }
                const motion &mo = ms[i];
                played_at[p * PLAYER_MOVE_COUNT + m][i] = length;
                if (mo.to < 0) {
                    continue;
                }
                const auto to = static_cast<std::size_t>(mo.to);
                if (!here[to]) {
                    here[to] = 1;
                    stack.push_back(mo.to);
                }
                up_to[to] = std::max(up_to[to], length + mo.passes_end - mo.passes);
            }
        }
    }
    std::vector<int> last_eaten_at(static_cast<std::size_t>(n), -1);
    for (std::size_t pm = 0; pm < motions_.size(); pm++) {
        for (std::size_t i = 0; i < motions_[pm].size(); i++) {
            const motion &mo = motions_[pm][i];
            for (int k = mo.passes; k < mo.passes_end; k++) {
                int &last = last_eaten_at[static_cast<std::size_t>(passed(k))];
                last = std::max(last, played_at[pm][i]);
            }
        }
    }
    // A grubblet some move passes at the longest length a level needs (its
    // last grubblet's) has no deadline worth keeping.
    const auto words = static_cast<std::size_t>(words_);
    late_.assign((static_cast<std::size_t>(n) + 1) * words, 0);
    due_.assign((static_cast<std::size_t>(n) + 1) * words, 0);
    for (int g = 0; g < n; g++) {
        const int deadline = last_eaten_at[static_cast<std::size_t>(g)];
        if (deadline < 0 || deadline >= n - 1) {
            continue;
        }
        set_bit(&due_[static_cast<std::size_t>(deadline) * words], g);
        for (int length = deadline + 1; length <= n; length++) {
            set_bit(&late_[static_cast<std::size_t>(length) * words], g);
        }
    }
    // The motions at each length with something due, in a table made on
    // first use, unless there are so many such lengths that the tables
    // would take much room (a few hundred kilobytes each on the largest
    // levels).
    int due_lengths = 0;
    for (std::size_t at = 0; at < due_.size(); at += words) {
        due_lengths += std::any_of(&due_[at], &due_[at] + words, [](word w) { return w != 0; });
    }
    due_moves_.assign(due_lengths <= DUE_TABLES ? static_cast<std::size_t>(n) + 1 : 0, {});
}

bool reach_map::meets_deadlines(int place, const word *eaten) {
    const auto words = static_cast<std::size_t>(words_);
    const int length = count_bits(eaten, words_);
    const word *late = &late_[static_cast<std::size_t>(length) * words];
    const word *now = &due_[static_cast<std::size_t>(length) * words];
    int due = 0;
    for (std::size_t w = 0; w < words; w++) {
        const word left = ~eaten[w];
        if ((left & late[w]) != 0) {
            return false;
        }
        due += __builtin_popcountll(left & now[w]);
    }
    if (due == 0) {
        return true;
    }
    // The next move that eats must pass every grubblet due now: look for
    // one at the end of moves that pass nothing left to eat.
    std::vector<const motion *> *moves =
        due_moves_.empty() ? nullptr : &due_moves_[static_cast<std::size_t>(length)];
    if (moves != nullptr && moves->empty()) {
        for (int p = 0; p < places_; p++) {
            for (int m = 0; m < PLAYER_MOVE_COUNT; m++) {
                moves->push_back(&motion_of(p, m, length));
            }
        }
    }
    seen_.assign(static_cast<std::size_t>(places_), 0);
    seen_[static_cast<std::size_t>(place)] = 1;
    stack_.assign(1, place);
    while (!stack_.empty()) {
        const int p = stack_.back();
        stack_.pop_back();
        for (int m = 0; m < PLAYER_MOVE_COUNT; m++) {
            const motion &mo = moves != nullptr
                                   ? *(*moves)[static_cast<std::size_t>(p * PLAYER_MOVE_COUNT + m)]
                                   : motion_of(p, m, length);
            bool eats = false;
            int passes_due = 0;
            for (int k = mo.passes; k < mo.passes_end; k++) {
                const int g = passed(k);
                if (!bit_of(eaten, g)) {
                    eats = true;
                    passes_due += bit_of(now, g);
                }
            }
            if (passes_due == due) {
                return true;
            }
            if (!eats && mo.to >= 0 && !seen_[static_cast<std::size_t>(mo.to)]) {
                seen_[static_cast<std::size_t>(mo.to)] = 1;
                stack_.push_back(mo.to);
            }
        }
    }
    return false;
}
