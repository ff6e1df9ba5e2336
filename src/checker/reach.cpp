// Where a level can take the player, over-approximated: every place the
// player can come to rest, every move from there with every jump length a
// level with this many grubblets allows, tummy and health never running out.
// Each move is traced by the game's own turn. Any real play is one of the
// walks through this map, so a grubblet the map cannot reach from some place
// can never be eaten after resting there.
//
// A longer jump ends as a shorter one did only when the extra length was
// spent against a wall or the edge of the board, which stops every longer
// jump in the same way; so the lengths tried for a move stop at the first
// one that changes nothing.
#include "search.h"

#include <algorithm>

namespace {

bool same_motion(const trajectory &a, const trajectory &b) {
    if (a.end != b.end || a.cells.size() != b.cells.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.cells.size(); i++) {
        if (a.cells[i].row != b.cells[i].row || a.cells[i].col != b.cells[i].col) {
            return false;
        }
    }
    return true;
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

// For every node, the grubblets passed by the moves of every node it can get
// to, itself included.
std::vector<word> reach_map::closure_eatable(const std::vector<std::vector<int>> &next,
                                             const std::vector<word> &own) {
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
    std::vector<word> by_node(next.size() * words);
    for (std::size_t n = 0; n < next.size(); n++) {
        const word *from = &by_region[static_cast<std::size_t>(region[n]) * words];
        std::copy(from, from + words, &by_node[n * words]);
    }
    return by_node;
}

reach_map::reach_map(turn_driver &driver, int start_x, int start_y, const trajectory &first_turn)
    : words_(driver.words()), longest_(std::max(0, driver.grubblet_count() - 1)),
      node_of_(BOARD_ROWS * BOARD_COLS, -1) {
    closures_[0].resize(static_cast<std::size_t>(longest_) + 1);
    closures_[1].resize(static_cast<std::size_t>(longest_) + 1);
    const auto words = static_cast<std::size_t>(words_);
    std::vector<cell_ref> places;

    auto node_at = [&](int row, int col) {
        int &node = node_of_[static_cast<std::size_t>(row * BOARD_COLS + col)];
        if (node < 0) {
            node = static_cast<int>(places.size());
            places.push_back({row, col});
            motions_.emplace_back();
        }
        return node;
    };
    node_at(start_y, start_x);

    // Eating the last grubblet on a move wins at once, whatever the rest of
    // the move would do, so every cell a move passes counts, also on a move
    // that goes on to a mine.
    trajectory path, before;
    for (std::size_t n = 0; n < places.size(); n++) {
        const cell_ref at = places[n];
        for (move_code move : SEARCH_MOVES) {
            for (int eaten = 0; eaten <= longest_; eaten++) {
                driver.trace(at.col, at.row, eaten, move, &path);
                traces_++;
                if (eaten > 0 && same_motion(path, before)) {
                    break;
                }
                motion m{eaten, -1, static_cast<int>(passed_.size()), 0};
                for (const route_cell &c : path.cells) {
                    int g = driver.grubblet_at(c.row, c.col);
                    if (g >= 0) {
                        passed_.push_back(g);
                    }
                }
                m.passes_end = static_cast<int>(passed_.size());
                if (path.end == TURN_RESTS) {
                    m.to = node_at(path.cells.back().row, path.cells.back().col);
                }
                motions_[n].push_back(m);
                std::swap(path, before);
            }
        }
    }

    const word *anywhere = eatable_from(start_x, start_y, 0);
    from_start_.assign(anywhere, anywhere + words);
    for (const route_cell &c : first_turn.cells) {
        int g = driver.grubblet_at(c.row, c.col);
        if (g >= 0) {
            set_bit(from_start_.data(), g);
        }
    }
}

const word *reach_map::closure(int x, int y, int eaten, bool longer_too) {
    int node = node_of_[static_cast<std::size_t>(y * BOARD_COLS + x)];
    if (node < 0 || eaten < 0) {
        return nullptr;
    }
    eaten = std::min(eaten, longest_);
    std::vector<word> &made = closures_[longer_too][static_cast<std::size_t>(eaten)];
    if (made.empty()) {
        // The map with the jumps of this length (and, longer_too, of every
        // longer one): for each move, the motions that cover them.
        const auto words = static_cast<std::size_t>(words_);
        std::vector<std::vector<int>> next(motions_.size());
        std::vector<word> own(motions_.size() * words, 0);
        for (std::size_t n = 0; n < motions_.size(); n++) {
            const std::vector<motion> &ms = motions_[n];
            for (std::size_t i = 0; i < ms.size(); i++) {
                // The motion holds up to the next one of the same move, which
                // starts at a greater length; every move's first starts at 0.
                bool last = i + 1 == ms.size() || ms[i + 1].eaten <= ms[i].eaten;
                bool covers = longer_too
                                  ? last || ms[i + 1].eaten > eaten
                                  : ms[i].eaten <= eaten && (last || ms[i + 1].eaten > eaten);
                if (!covers) {
                    continue;
                }
                if (ms[i].to >= 0) {
                    next[n].push_back(ms[i].to);
                }
                for (int p = ms[i].passes; p < ms[i].passes_end; p++) {
                    set_bit(&own[n * words], passed_[static_cast<std::size_t>(p)]);
                }
            }
        }
        made = closure_eatable(next, own);
        // A few megabytes at most, however many grubblets and places.
        closure_words_ += made.size();
        if (closure_words_ > (std::size_t(8) << 20) / sizeof(word)) {
            for (auto &kind : closures_) {
                for (std::vector<word> &other : kind) {
                    if (&other != &made) {
                        std::vector<word>().swap(other);
                    }
                }
            }
            closure_words_ = made.size();
        }
    }
    return &made[static_cast<std::size_t>(node) * static_cast<std::size_t>(words_)];
}
