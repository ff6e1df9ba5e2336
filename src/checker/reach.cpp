// Where a level can take the player, over-approximated: every place the
// player can come to rest, every move from there with every jump length a
// level with this many grubblets allows, tummy and health never running out.
// Each move is traced by the rules' own turn. Any real play is one of the
// walks through this map, so a grubblet the map cannot reach from some place
// can never be eaten after resting there.
//
// A longer jump ends as a shorter one did only when the extra length was
// spent against a wall or the edge of the board, which stops every longer
// jump in the same way; so the lengths tried for a move stop at the first
// one that changes nothing. Past the longest length at which some motion
// starts, every length behaves alike: no move's trace changes once its jump
// is long enough to cross the board, so there are few lengths to keep.
//
// Whether a player at rest can still clear the level is answered here, from
// the map and its pockets (can_still_win), and nowhere else.
#include "search.h"

#include <algorithm>
#include <cassert>

namespace {

bool same_motion(const trajectory &a, const trajectory &b) {
    return a.end == b.end &&
           std::equal(a.cells.begin(), a.cells.end(), b.cells.begin(), b.cells.end(),
                      [](route_cell p, route_cell q) { return p.row == q.row && p.col == q.col; });
}

// Tarjan's strongly connected components, without recursion. Components come
// out sinks first: every component any of a component's moves leads to has a
// lower number.
std::vector<int> components(const std::vector<std::vector<int>> &next, int *count) {
    const int n = static_cast<int>(next.size());
    std::vector<int> order(static_cast<std::size_t>(n), -1), low(static_cast<std::size_t>(n), 0);
    std::vector<int> comp(static_cast<std::size_t>(n), -1);
    std::vector<int> stack;
    std::vector<std::pair<int, std::size_t>> calls;
    int counter = 0;
    *count = 0;
    for (int root = 0; root < n; root++) {
        if (order[static_cast<std::size_t>(root)] >= 0) {
            continue;
        }
        calls.push_back({root, 0});
        while (!calls.empty()) {
            int v = calls.back().first;
            std::size_t &edge = calls.back().second;
            auto vi = static_cast<std::size_t>(v);
            if (edge == 0 && order[vi] < 0) {
                order[vi] = low[vi] = counter++;
                stack.push_back(v);
            }
            if (edge < next[vi].size()) {
                int w = next[vi][edge++];
                auto wi = static_cast<std::size_t>(w);
                if (order[wi] < 0) {
                    calls.push_back({w, 0});
                } else if (comp[wi] < 0) {
                    low[vi] = std::min(low[vi], order[wi]);
                }
                continue;
            }
            if (low[vi] == order[vi]) {
                int w;
                do {
                    w = stack.back();
                    stack.pop_back();
                    comp[static_cast<std::size_t>(w)] = *count;
                } while (w != v);
                ++*count;
            }
            calls.pop_back();
            if (!calls.empty()) {
                auto parent = static_cast<std::size_t>(calls.back().first);
                low[parent] = std::min(low[parent], low[vi]);
            }
        }
    }
    return comp;
}

} // namespace

// For every place, the grubblets passed by the moves of every place it can
// get to, itself included.
std::vector<word> reach_map::closure(const std::vector<std::vector<int>> &next,
                                     const std::vector<word> &own) const {
    const auto words = static_cast<std::size_t>(words_);
    int regions = 0;
    std::vector<int> region = components(next, &regions);
    std::vector<word> by_region(static_cast<std::size_t>(regions) * words, 0);
    std::vector<std::vector<int>> members(static_cast<std::size_t>(regions));
    for (std::size_t n = 0; n < next.size(); n++) {
        members[static_cast<std::size_t>(region[n])].push_back(static_cast<int>(n));
    }
    // Sinks first, so every region a move leads to is complete before it is
    // added in.
    for (std::size_t r = 0; r < members.size(); r++) {
        word *into = &by_region[r * words];
        for (int n : members[r]) {
            const word *mine = &own[static_cast<std::size_t>(n) * words];
            for (std::size_t w = 0; w < words; w++) {
                into[w] |= mine[w];
            }
            for (int to : next[static_cast<std::size_t>(n)]) {
                const word *later =
                    &by_region[static_cast<std::size_t>(region[static_cast<std::size_t>(to)]) *
                               words];
                for (std::size_t w = 0; w < words; w++) {
                    into[w] |= later[w];
                }
            }
        }
    }
    std::vector<word> by_place(next.size() * words);
    for (std::size_t n = 0; n < next.size(); n++) {
        const word *from = &by_region[static_cast<std::size_t>(region[n]) * words];
        std::copy(from, from + words, &by_place[n * words]);
    }
    return by_place;
}

reach_map::reach_map(level_play &play, int start_x, int start_y, const trajectory &first_turn)
    : words_(play.words()), grubblet_count_(play.grubblet_count()),
      place_of_(BOARD_ROWS * BOARD_COLS, -1) {
    const int longest = std::max(0, play.grubblet_count() - 1);
    auto place_at = [&](int row, int col) {
        int &place = place_of_[static_cast<std::size_t>(row * BOARD_COLS + col)];
        if (place < 0) {
            place = places_++;
            cell_of_.push_back({row, col});
            motions_.resize(motions_.size() + PLAYER_MOVE_COUNT);
        }
        return place;
    };
    place_at(start_y, start_x);

    // Eating the last grubblet on a move wins at once, whatever the rest of
    // the move would do, so every cell a move passes counts, also on a move
    // that goes on to a mine.
    int lengths = 1;
    trajectory path, before;
    for (int p = 0; p < places_; p++) {
        const cell_ref at = cell_of_[static_cast<std::size_t>(p)];
        for (int m = 0; m < PLAYER_MOVE_COUNT; m++) {
            for (int length = 0; length <= longest; length++) {
                play.trace(at.col, at.row, length, PLAYER_MOVES[m], &path);
                if (length > 0 && same_motion(path, before)) {
                    break;
                }
                lengths = std::max(lengths, length + 1);
                motion next{length, -1, static_cast<int>(passed_.size()), 0, 0};
                for (const route_cell &c : path.cells) {
                    // The grubblet of the cell a player rests on was eaten
                    // as the player came to rest there: no move from it
                    // passes it again.
                    const bool own_cell = c.row == at.row && c.col == at.col;
                    int g = own_cell ? -1 : play.grubblet_at(c.row, c.col);
                    // A cell passed twice is eaten once.
                    if (g >= 0 && std::find(passed_.begin() + next.passes, passed_.end(), g) ==
                                      passed_.end()) {
                        passed_.push_back(g);
                    }
                    // Each painful cell of a fall costs one point of health.
                    next.hurt += c.hurt;
                }
                next.passes_end = static_cast<int>(passed_.size());
                if (path.end == OUTCOME_NONE) {
                    next.to = place_at(path.cells.back().row, path.cells.back().col);
                }
                motions_[static_cast<std::size_t>(p * PLAYER_MOVE_COUNT + m)].push_back(next);
                std::swap(path, before);
            }
        }
    }
    by_length_.resize(static_cast<std::size_t>(lengths));

    prospects from_start{};
    prospects_at(start_x, start_y, 0, &from_start);
    at_all_.assign(from_start.ever, from_start.ever + words_);
    int first_eats = 0;
    for (const route_cell &c : first_turn.cells) {
        int g = play.grubblet_at(c.row, c.col);
        if (g >= 0) {
            set_bit(at_all_.data(), g);
            first_eats++;
        }
    }
    make_deadlines(first_eats);
}

// The map with the jumps of one length: for each move, the motion that
// holds at that length, and for `ever` also every one that holds at a
// longer length.
void reach_map::make_closures(int length) {
    const auto words = static_cast<std::size_t>(words_);
    const auto places = static_cast<std::size_t>(places_);
    std::vector<std::vector<int>> next_now(places), next_ever(places);
    std::vector<word> own_now(places * words, 0), own_ever(places * words, 0);
    for (std::size_t p = 0; p < places; p++) {
        for (std::size_t m = 0; m < PLAYER_MOVE_COUNT; m++) {
            const std::vector<motion> &ms = motions_[p * PLAYER_MOVE_COUNT + m];
            for (std::size_t i = 0; i < ms.size(); i++) {
                bool later = i + 1 < ms.size() && ms[i + 1].from_length <= length;
                if (later) {
                    continue; // held only at shorter lengths
                }
                bool now = ms[i].from_length <= length;
                for (int k = ms[i].passes; k < ms[i].passes_end; k++) {
                    int g = passed_[static_cast<std::size_t>(k)];
                    set_bit(&own_ever[p * words], g);
                    if (now) {
                        set_bit(&own_now[p * words], g);
                    }
                }
                if (ms[i].to >= 0) {
                    next_ever[p].push_back(ms[i].to);
                    if (now) {
                        next_now[p].push_back(ms[i].to);
                    }
                }
            }
        }
    }
    closures &made = by_length_[static_cast<std::size_t>(length)];
    made.ever = closure(next_ever, own_ever);
    made.before_growing = closure(next_now, own_now);
    make_distances(length, next_ever, own_ever, next_now, own_now);
}

bool reach_map::prospects_at(int x, int y, int length, prospects *out) {
    int place = place_of_[static_cast<std::size_t>(y * BOARD_COLS + x)];
    if (place < 0 || length < 0) {
        return false;
    }
    const closures &made = closures_at(length);
    const std::size_t at = static_cast<std::size_t>(place) * static_cast<std::size_t>(words_);
    *out = {&made.ever[at], &made.before_growing[at]};
    return true;
}

reach_map::closures &reach_map::closures_at(int length) {
    length = std::min(length, static_cast<int>(by_length_.size()) - 1);
    closures &made = by_length_[static_cast<std::size_t>(length)];
    if (made.ever.empty()) {
        // Kept for the map's lifetime. A place needs a wall below it or the
        // bottom row, so places and grubblets together are at most about
        // 1,000 by 1,000 on a 24 x 80 board: every length's two sets of
        // sets stay under about 20 MB.
        assert(static_cast<std::size_t>(places_) * static_cast<std::size_t>(words_) * 64 *
                   by_length_.size() * 2 / 8 <=
               std::size_t(40) << 20);
        make_closures(length);
    }
    return made;
}

const reach_map::motion &reach_map::motion_of(int place, int move, int length) const {
    const std::vector<motion> &ms =
        motions_[static_cast<std::size_t>(place * PLAYER_MOVE_COUNT + move)];
    std::size_t i = 0;
    while (i + 1 < ms.size() && ms[i + 1].from_length <= length) {
        i++;
    }
    return ms[i];
}

// The kindest choice of what is left is the one that decides: a player is
// stuck when some grubblet left lies on no way on, or when none of them can
// be passed before the jumps grow, or when one only short jumps get to can no
// longer be eaten in time.
bool can_still_win(reach_map &map, int x, int y, const word *eaten, bool deadlines) {
    const int words = map.words();
    const int length = count_bits(eaten, words);
    reach_map::prospects open;
    if (!map.prospects_at(x, y, length, &open)) {
        return true; // a place the map never saw: nothing is known
    }
    const word *at_all = map.eatable_at_all();
    const word *pocket = map.pocket_at(map.place_at(x, y), length);
    bool left = false, passable_now = false;
    for (int w = 0; w < words; w++) {
        word remaining = at_all[w] & ~eaten[w];
        if ((remaining & ~open.ever[w]) != 0 ||
            (pocket != nullptr && (remaining & ~pocket[w]) != 0)) {
            return false;
        }
        left = left || remaining != 0;
        passable_now = passable_now || (remaining & open.before_growing[w]) != 0;
    }
    return !left ||
           (passable_now && (!deadlines || map.meets_deadlines(map.place_at(x, y), eaten)));
}
